#include "model/Parameters.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace dravo {

namespace {
// Frequency steps in Hz, in index order.
const double kLowCutSteps[] = {12.4, 15.6, 19.7, 24.8,  31.2, 39.4, 49.6, 62.5,
                               78.7, 99.2, 125,  157.5, 198,  250,  315,  397,
                               500,  630,  794,  1000,  1260, 1587, 2000};
const double kHighCutSteps[] = {625,   743,   884,   1051,  1250,  1487,  1768, 2102,
                                2500,  2973,  3536,  4204,  5000,  5946,  7071, 8409,
                                10000, 11892, 14142, 16818, 20000, 23784, 28284};
const double kLowShelfSteps[] = {22.1, 26.3, 31.3, 37.2, 44.2, 52.6, 62.5, 74.3, 88.4, 105.1,
                                 125,  149,  177,  210,  250,  297,  354,  420,  500};
const double kMid1Steps[] = {70.5, 88.7, 112,  141,  178,  224,  282,  355,  447,  564,  710,  895,
                             1127, 1420, 1789, 2254, 2840, 3578, 4508, 5680, 7156, 9016, 11360};
const double kMid2Steps[] = {99.7, 126,  158,  199,  251,   317,   399,  502,
                             633,  798,  1005, 1266, 1595,  2010,  2532, 3190,
                             4020, 5064, 6381, 8040, 10130, 12782, 16079};
const double kHighShelfSteps[] = {3150,  3536,  3969,  4455,  5000,  5612,  6300,
                                  7071,  7937,  8909,  10000, 11225, 12599, 14142,
                                  15874, 17818, 20000, 22449, 25198};
static_assert(sizeof(kLowCutSteps) == 23 * sizeof(double) &&
              sizeof(kHighCutSteps) == 23 * sizeof(double) &&
              sizeof(kMid1Steps) == 23 * sizeof(double) &&
              sizeof(kMid2Steps) == 23 * sizeof(double));
static_assert(sizeof(kLowShelfSteps) == 19 * sizeof(double) &&
              sizeof(kHighShelfSteps) == 19 * sizeof(double));
} // namespace

const FrequencyTable kLowCutHz{kLowCutSteps, 22};
const FrequencyTable kHighCutHz{kHighCutSteps, 22};
const FrequencyTable kLowShelfHz{kLowShelfSteps, 18};
const FrequencyTable kMid1Hz{kMid1Steps, 22};
const FrequencyTable kMid2Hz{kMid2Steps, 22};
const FrequencyTable kHighShelfHz{kHighShelfSteps, 18};

namespace {
// Position names, in position order. These are the words of the editor and
// of other formats; the host's value texts are composed in ValueText.
const char* const kOffOn[] = {"Off", "On"};
const char* const kPhase[] = {"Normal", "Reverse"};
const char* const kSaturation[] = {"Off", "Sat"};
// "LSR" by region of the normalised value: below 0.25 right only, from 0.75
// left only.
const char* const kChannel[] = {"Right", "Stereo", "Left"};
// A shelf's mode: "II" doubles the gain range, "0" is off.
const char* const kShelfMode[] = {"\u00d72", "Off", "\u00d71"};
const char* const kShelfShape[] = {"Shelf", "Steep", "Peak"};
const char* const kMidMode[] = {"Cut", "Off", "Boost"};
// "MQ" by the regions of its value text (0.25 / 0.75), which are not the
// engine's (0.5 / 0.75): see qOf.
const char* const kQ[] = {"0.7", "2.0", "4.0"};

template <int N> constexpr PositionNames names(const char* const (&n)[N]) {
    return {n, N};
}

using P = Param;
using Q = Quantiser;
using D = Display;
using U = Unit;
using T = Target;
using S = Section;
using F = Field;
} // namespace

// clang-format off
constexpr ParamInfo kParams[kNumParams] = {
    {P::Master, "EQ all", "master", "EQ IN", Q::Flag, D::MasterSwitch, U::None, T::Master, S::LowCut, F::Position, nullptr, names(kOffOn), true, 1.0f, true},
    {P::Channel, "LSR", "channel", "CHANNEL", Q::Channel, D::Channel, U::None, T::Channel, S::LowCut, F::Position, nullptr, names(kChannel), false, 0.5f, true},
    {P::Unused2, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Phase, "Phase", "phase", "PHASE", Q::OnOff, D::Phase, U::None, T::Phase, S::LowCut, F::Position, nullptr, names(kPhase), true, 0.0f, true},
    {P::Unused4, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused5, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Output, "OUTPUT", "output", "LEVEL", Q::OutputGain, D::OutputDb, U::Db, T::Output, S::LowCut, F::Position, nullptr, {}, false, 0.5f, true},
    {P::Saturation, "SAT", "saturation", "SAT", Q::Flag, D::Saturation, U::None, T::Saturation, S::LowCut, F::Position, nullptr, names(kSaturation), true, 0.0f, true},
    {P::LowCutOn, "HPF", "low_cut", "LOW CUT", Q::OnOff, D::CutSwitch, U::None, T::Section, S::LowCut, F::Position, nullptr, names(kOffOn), true, 0.0f, true},
    {P::LowCutFreq, "HPFfreq", "low_cut_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::LowCut, F::Hz, &kLowCutHz, {}, false, 0.0f, true},
    {P::HighCutOn, "LPF", "high_cut", "HIGH CUT", Q::OnOff, D::CutSwitch, U::None, T::Section, S::HighCut, F::Position, nullptr, names(kOffOn), true, 0.0f, true},
    {P::HighCutFreq, "LPFfreq", "high_cut_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::HighCut, F::Hz, &kHighCutHz, {}, false, 1.0f, true},
    {P::LowShelfMode, "LOW", "low_shelf_mode", "MODE", Q::ThreePosition, D::ShelfMode, U::None, T::Section, S::LowShelf, F::Position, nullptr, names(kShelfMode), false, 1.0f, true},
    {P::LowShelfFreq, "Lfreq", "low_shelf_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::LowShelf, F::Hz, &kLowShelfHz, {}, false, 0.5f, true},
    {P::LowShelfShape, "Lshp", "low_shelf_shape", "SHAPE", Q::ThreePosition, D::ShelfShape, U::None, T::Section, S::LowShelf, F::Shape, nullptr, names(kShelfShape), false, 0.0f, true},
    {P::LowShelfGain, "Lgain", "low_shelf_gain", "GAIN", Q::ShelfGain, D::GainDb, U::Db, T::Section, S::LowShelf, F::GainDb, nullptr, {}, false, 0.5f, true},
    {P::Mid1Mode, "MID1", "mid1_mode", "MODE", Q::ThreePosition, D::MidMode, U::None, T::Section, S::Mid1, F::Position, nullptr, names(kMidMode), false, 1.0f, true},
    {P::Mid1Freq, "Mfreq", "mid1_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::Mid1, F::Hz, &kMid1Hz, {}, false, 0.5f, true},
    {P::Mid1Q, "MQ", "mid1_q", "Q", Q::QSelect, D::QText, U::None, T::Section, S::Mid1, F::Q, nullptr, names(kQ), false, 0.5f, true},
    {P::Mid1Gain, "Mgain", "mid1_gain", "GAIN", Q::PeakGain, D::GainDb, U::Db, T::Section, S::Mid1, F::GainDb, nullptr, {}, false, 0.0f, true},
    {P::Mid2Mode, "MID2", "mid2_mode", "MODE", Q::ThreePosition, D::MidMode, U::None, T::Section, S::Mid2, F::Position, nullptr, names(kMidMode), false, 1.0f, true},
    {P::Mid2Freq, "Mfreq", "mid2_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::Mid2, F::Hz, &kMid2Hz, {}, false, 0.5f, true},
    {P::Mid2Q, "MQ", "mid2_q", "Q", Q::QSelect, D::QText, U::None, T::Section, S::Mid2, F::Q, nullptr, names(kQ), false, 0.5f, true},
    {P::Mid2Gain, "Mgain", "mid2_gain", "GAIN", Q::PeakGain, D::GainDb, U::Db, T::Section, S::Mid2, F::GainDb, nullptr, {}, false, 0.0f, true},
    {P::HighShelfMode, "HIGH", "high_shelf_mode", "MODE", Q::ThreePosition, D::ShelfMode, U::None, T::Section, S::HighShelf, F::Position, nullptr, names(kShelfMode), false, 1.0f, true},
    {P::HighShelfFreq, "Hfreq", "high_shelf_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::HighShelf, F::Hz, &kHighShelfHz, {}, false, 0.5f, true},
    {P::HighShelfShape, "Hshp", "high_shelf_shape", "SHAPE", Q::ThreePosition, D::ShelfShape, U::None, T::Section, S::HighShelf, F::Shape, nullptr, names(kShelfShape), false, 0.0f, true},
    {P::HighShelfGain, "Hgain", "high_shelf_gain", "GAIN", Q::ShelfGain, D::GainDb, U::Db, T::Section, S::HighShelf, F::GainDb, nullptr, {}, false, 0.5f, true},
    {P::Unused28, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused29, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused30, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused31, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused32, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused33, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused34, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::StoredOnly35, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, true},
    {P::StoredOnly36, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, true},
    {P::StoredOnly37, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, true},
};
// clang-format on

// Every row in its index's place, and one row for each of the 38 (a missing
// row would be zero-filled and name parameter 0).
constexpr bool idsInOrder() {
    for (int i = 0; i < kNumParams; ++i)
        if (index(kParams[i].id) != i) return false;
    return true;
}
static_assert(idsInOrder(), "one row per parameter, in index order");

bool isDummyParam(int index) {
    if (index < 0) return false;
    return index >= kNumParams || !kParams[index].stored;
}

bool paramForSymbol(const char* symbol, Param& out) {
    for (const ParamInfo& p : kParams)
        if (*p.symbol && std::strcmp(p.symbol, symbol) == 0) {
            out = p.id;
            return true;
        }
    return false;
}

int truncToInt(double x) {
    if (!(x < (double)INT_MAX)) return INT_MAX;
    if (!(x > (double)INT_MIN)) return INT_MIN;
    return (int)x;
}

int onOffPosition(double v) {
    return truncToInt(v + 0.5);
}

int threePosition(double v) {
    return truncToInt(2.0 * v + 0.5);
}

// Steps of 1/160, truncated toward zero; written as 2 * (80 v) as the
// stored presets were quantised.
double gainSteps(double v) {
    return std::trunc(2.0 * (80.0 * v)) / 160.0;
}

// -20..+20 dB in 0.25 dB steps.
double outputGainDb(double v) {
    return (2.0 * gainSteps(v) - 1.0) * 20.0;
}

// -10..+10 dB in 0.125 dB steps.
double shelfGainDb(double v) {
    return (2.0 * gainSteps(v) - 1.0) * 20.0 * 0.5;
}

// 0..20 dB in 0.125 dB steps; the sign comes from the section's mode.
double peakGainDb(double v) {
    return gainSteps(v) * 20.0;
}

double frequencyOf(const FrequencyTable& table, double v) {
    int n = table.last;
    int i;
    if (v > 1.0)
        i = n;
    else if (v < 0.0)
        i = 0;
    else {
        i = truncToInt(n * v + 0.5);
        i = i < 0 ? 0 : (i > n ? n : i);
    }
    return table.hz[i];
}

double qOf(double v) {
    if (v >= 0.75) return 2.5;
    if (v < 0.5) return 0.473757;
    return 1.13136;
}

double engineValueOf(Param p, double v) {
    const ParamInfo& info = kParams[index(p)];
    switch (info.quantiser) {
    case Quantiser::Flag:
        return v >= 0.5 ? 1.0 : 0.0;
    case Quantiser::Channel:
    case Quantiser::Placeholder:
        return v;
    case Quantiser::OnOff:
        return onOffPosition(v);
    case Quantiser::ThreePosition:
        return threePosition(v);
    case Quantiser::OutputGain:
        // The engine multiplies by 2^(dB / 6).
        return std::pow(2.0, outputGainDb(v) / 6.0);
    case Quantiser::ShelfGain:
        return shelfGainDb(v);
    case Quantiser::PeakGain:
        return peakGainDb(v);
    case Quantiser::Frequency:
        return frequencyOf(*info.table, v);
    case Quantiser::QSelect:
        return qOf(v);
    }
    return v;
}

namespace {
// Region 0..2 of a value split at 0.25 and 0.75 ("LSR", and "MQ" as shown).
int regionOf(double v) {
    return v < 0.25 ? 0 : (v < 0.75 ? 1 : 2);
}
} // namespace

double realValueOf(Param p, double v) {
    switch (kParams[index(p)].quantiser) {
    case Quantiser::Channel:
    case Quantiser::QSelect:
        return regionOf(v);
    case Quantiser::OutputGain:
        return outputGainDb(v);
    default:
        return engineValueOf(p, v);
    }
}

void realRange(Param p, double& lowest, double& highest) {
    const ParamInfo& info = kParams[index(p)];
    lowest = 0.0;
    highest = 1.0;
    switch (info.quantiser) {
    case Quantiser::Channel:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
        highest = 2.0;
        break;
    case Quantiser::OutputGain:
        lowest = -20.0, highest = 20.0;
        break;
    case Quantiser::ShelfGain:
        lowest = -10.0, highest = 10.0;
        break;
    case Quantiser::PeakGain:
        highest = 20.0;
        break;
    case Quantiser::Frequency:
        lowest = info.table->hz[0], highest = info.table->hz[info.table->last];
        break;
    default:
        break;
    }
}

double normalisedForReal(Param p, double real) {
    const ParamInfo& info = kParams[index(p)];
    double lowest, highest;
    realRange(p, lowest, highest);
    const double r = real < lowest ? lowest : (real > highest ? highest : real);
    switch (info.quantiser) {
    case Quantiser::Flag:
    case Quantiser::OnOff:
    case Quantiser::Placeholder:
        return r >= 0.5 ? 1.0 : 0.0;
    case Quantiser::Channel:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
        // Positions 0, 1, 2 at 0, 0.5, 1: the middle of "LSR" and the shown
        // "2.0" of "MQ" (engine Q 1.13136) both hold at 0.5.
        return std::floor(r + 0.5) * 0.5;
    case Quantiser::OutputGain:
    case Quantiser::ShelfGain:
    case Quantiser::PeakGain: {
        // Gains are g in steps of 1/160, truncated: step k is taken from the
        // middle of its range, (k + 0.5) / 160, which stays in it also as a
        // 32-bit float (k / 160 itself may fall just below). The top step is 1.
        const double span = info.quantiser == Quantiser::OutputGain ? 40.0 : 20.0;
        const double g = info.quantiser == Quantiser::PeakGain ? r / span : r / span + 0.5;
        const double k = std::floor(g * 160.0 + 0.5);
        return k >= 160.0 ? 1.0 : (k + 0.5) / 160.0;
    }
    case Quantiser::Frequency: {
        // The nearest step on a logarithmic scale; step i sits at i / N.
        const FrequencyTable& t = *info.table;
        int best = 0;
        for (int i = 1; i <= t.last; ++i)
            if (std::fabs(std::log(t.hz[i] / r)) < std::fabs(std::log(t.hz[best] / r))) best = i;
        return (double)best / t.last;
    }
    }
    return r;
}

} // namespace dravo
