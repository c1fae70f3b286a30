// The values the response curve is computed from, read from a full set of
// normalised parameter values the way the engine reads them.
#pragma once

#include "dsp/Response.h"
#include "model/Parameters.h"

namespace dravo {

// The axes of every picture of the curve (the editor's panel, the mixer
// strip's picture): 20 Hz to 20 kHz on a logarithmic scale, and +-24 dB.
namespace curveaxes {
inline constexpr double kLowHz = 20.0;
inline constexpr double kHighHz = 20000.0;
inline constexpr double kRangeDb = 24.0;
} // namespace curveaxes

// hostRate <= 0 (not told yet) counts as 44100 Hz.
EqSettings curveSettings(const float (&normalised)[kNumParams], double hostRate);

} // namespace dravo
