// The equaliser's response curve as a small picture, drawn without a
// graphics library (the DSP binary links none): a dark background, faint
// grid lines, the 0 dB line and the whole plug-in's curve as an
// anti-aliased line.
#pragma once

#include "model/CurveSettings.h"

#include <cstdint>

namespace dravo::lv2 {

// Fills width x height opaque ARGB32 pixels, rows stride pixels apart: the
// curve's axes (curveaxes) left to right and top to bottom, 0 dB on the
// middle row's centre.
void drawCurve(const EqResponse& response, uint32_t* pixels, int width, int height, int stride);

} // namespace dravo::lv2
