// Leak-check set-up of this test program.
#include "PluginLeakCheck.h"
