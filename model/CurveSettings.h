// The values the response curve is computed from, read from a full set of
// normalised parameter values the way the engine reads them.
#pragma once

#include "dsp/Response.h"
#include "model/Parameters.h"

namespace dravo {

// hostRate <= 0 (not told yet) counts as 44100 Hz.
EqSettings curveSettings(const float (&normalised)[kNumParams], double hostRate);

} // namespace dravo
