// Real-time factor of a plug-in on stereo noise.
#pragma once

#include "host/render/Options.h"

// Prints the result on the standard output stream. Throws CliError.
void runBench(const RenderOptions& o);
