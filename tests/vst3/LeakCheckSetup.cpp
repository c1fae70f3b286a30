// Leak-check set-up of this test program.
#include "toolkit/LeakCheckSetup.h"
