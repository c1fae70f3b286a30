// The equaliser's response curve as a small picture, drawn without a
// graphics library (the DSP binary links none): a dark background, faint
// grid lines, the 0 dB line and the whole plug-in's curve as an
// anti-aliased line.
#pragma once

#include "dsp/Response.h"

#include <cstdint>

namespace dravo::lv2 {

// The picture's scales: 20 Hz to 20 kHz logarithmic, left to right;
// +-24 dB top to bottom, 0 dB on the middle row's centre.
inline constexpr double kCurveLowHz = 20.0;
inline constexpr double kCurveHighHz = 20000.0;
inline constexpr double kCurveRangeDb = 24.0;

// Fills width x height opaque ARGB32 pixels, rows stride pixels apart.
void drawCurve(const EqResponse& response, uint32_t* pixels, int width, int height, int stride);

} // namespace dravo::lv2
