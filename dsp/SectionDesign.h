// What a section's values make of its filters, as plain functions: the
// engine applies these designs to its running filters, and the editor's
// response curve evaluates the same designs without an engine.
#pragma once

#include "dsp/Biquad.h"

#include <cstdint>

namespace dravo {

// The six sections, in the order every table of the plug-in lists them.
enum class EqSection : uint8_t { LowCut, HighCut, LowShelf, Mid1, Mid2, HighShelf };
constexpr int kNumEqSections = 6;

// What a section is applied from. Position: a cut's on switch, a shelf's or
// mid's mode (0, 1, 2); Shape: a shelf's shape (0, 1, 2); Hz; Q (mids);
// GainDb. Positions are whole numbers, passed on unclamped (a normalised
// value outside 0..1 can give a position outside the switch's range).
enum class EqField : uint8_t { Position, Shape, Hz, Q, GainDb };
struct SectionValues {
    int position = 0;
    int shape = 0;
    double hz = 1000.0;
    double q = 1.0;
    double gainDb = 0.0;
};

// One filter's settings, bounded as the filter bounds them.
struct FilterDesign {
    int32_t type = biquad::kIdentity;
    int32_t status = 0;
    double freq = 1000.0;
    double q = 1.0;
    double gain = 0.0;
    bool keepsGain = false; // an off mid: its filters keep the gain they had
};

// A section's filters: the main one first, then its companions (a shelf's
// bell, a mid's low and high trims).
struct SectionDesign {
    int count = 0;
    FilterDesign filters[3];
};

// The design of a section at the filters' (internal) rate. A cut's design is
// that of its filter; whether the high cut is in the audio path at all is
// its position (see highCutInPath).
SectionDesign designSection(EqSection section, const SectionValues& v, double internalRate);
inline bool highCutInPath(const SectionValues& v) {
    return v.position != 0;
}

// Rates. Below 65000 Hz the filters run at twice the host rate; the decision
// takes the rate as reported, the rate itself is validated (outside
// 20000..200000 Hz, or NaN, the plug-in runs at 44100 Hz).
bool oversamplesAt(float hostRate);
float validHostRate(float hostRate);
double internalRateFor(float hostRate);

} // namespace dravo
