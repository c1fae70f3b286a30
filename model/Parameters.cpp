#include "model/Parameters.h"

#include <climits>
#include <cmath>

namespace dravo {

namespace {
// Frequency steps in Hz, in index order.
const double kHpfHz[] = {12.4, 15.6, 19.7, 24.8, 31.2, 39.4, 49.6, 62.5, 78.7, 99.2, 125, 157.5,
                         198,  250,  315,  397,  500,  630,  794,  1000, 1260, 1587, 2000};
const double kLpfHz[] = {625,   743,   884,   1051,  1250,  1487,  1768, 2102,
                         2500,  2973,  3536,  4204,  5000,  5946,  7071, 8409,
                         10000, 11892, 14142, 16818, 20000, 23784, 28284};
const double kLfHz[] = {22.1, 26.3, 31.3, 37.2, 44.2, 52.6, 62.5, 74.3, 88.4, 105.1,
                        125,  149,  177,  210,  250,  297,  354,  420,  500};
const double kLmfHz[] = {70.5, 88.7, 112,  141,  178,  224,  282,  355,  447,  564,  710,  895,
                         1127, 1420, 1789, 2254, 2840, 3578, 4508, 5680, 7156, 9016, 11360};
const double kHmfHz[] = {99.7, 126,  158,  199,  251,  317,  399,  502,  633,   798,   1005, 1266,
                         1595, 2010, 2532, 3190, 4020, 5064, 6381, 8040, 10130, 12782, 16079};
const double kHfHz[] = {3150,  3536,  3969,  4455,  5000,  5612,  6300,  7071,  7937, 8909,
                        10000, 11225, 12599, 14142, 15874, 17818, 20000, 22449, 25198};
static_assert(sizeof(kHpfHz) / sizeof(double) == 23 && sizeof(kLpfHz) / sizeof(double) == 23 &&
              sizeof(kLmfHz) / sizeof(double) == 23 && sizeof(kHmfHz) / sizeof(double) == 23);
static_assert(sizeof(kLfHz) / sizeof(double) == 19 && sizeof(kHfHz) / sizeof(double) == 19);
} // namespace

const FrequencyTable kHpfTable{kHpfHz, 22};
const FrequencyTable kLpfTable{kLpfHz, 22};
const FrequencyTable kLfTable{kLfHz, 18};
const FrequencyTable kLmfTable{kLmfHz, 22};
const FrequencyTable kHmfTable{kHmfHz, 22};
const FrequencyTable kHfTable{kHfHz, 18};

using Q = Quantiser;
using S = Section;
using D = Display;

const ParamInfo kParams[kNumParams] = {
    {"EQ all", Q::Flag, S::None, D::MasterSwitch, nullptr, true},            // 0
    {"LSR", Q::Channel, S::None, D::Channel, nullptr, false},                // 1
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 2
    {"Phase", Q::OnOff, S::None, D::Phase, nullptr, true},                   // 3
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 4
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 5
    {"OUTPUT", Q::OutputGain, S::None, D::OutputDb, nullptr, false},         // 6
    {"SAT", Q::Flag, S::None, D::Saturation, nullptr, true},                 // 7
    {"HPF", Q::OnOff, S::LowCut, D::CutSwitch, nullptr, true},               // 8
    {"HPFfreq", Q::Frequency, S::LowCut, D::Frequency, &kHpfTable, false},   // 9
    {"LPF", Q::OnOff, S::HighCut, D::CutSwitch, nullptr, true},              // 10
    {"LPFfreq", Q::Frequency, S::HighCut, D::Frequency, &kLpfTable, false},  // 11
    {"LOW", Q::ThreePosition, S::LowShelf, D::ShelfMode, nullptr, false},    // 12
    {"Lfreq", Q::Frequency, S::LowShelf, D::Frequency, &kLfTable, false},    // 13
    {"Lshp", Q::ThreePosition, S::LowShelf, D::ShelfShape, nullptr, false},  // 14
    {"Lgain", Q::ShelfGain, S::LowShelf, D::GainDb, nullptr, false},         // 15
    {"MID1", Q::ThreePosition, S::LowMid, D::MidMode, nullptr, false},       // 16
    {"Mfreq", Q::Frequency, S::LowMid, D::Frequency, &kLmfTable, false},     // 17
    {"MQ", Q::QSelect, S::LowMid, D::QText, nullptr, false},                 // 18
    {"Mgain", Q::PeakGain, S::LowMid, D::GainDb, nullptr, false},            // 19
    {"MID2", Q::ThreePosition, S::Mid, D::MidMode, nullptr, false},          // 20
    {"Mfreq", Q::Frequency, S::Mid, D::Frequency, &kHmfTable, false},        // 21
    {"MQ", Q::QSelect, S::Mid, D::QText, nullptr, false},                    // 22
    {"Mgain", Q::PeakGain, S::Mid, D::GainDb, nullptr, false},               // 23
    {"HIGH", Q::ThreePosition, S::HighShelf, D::ShelfMode, nullptr, false},  // 24
    {"Hfreq", Q::Frequency, S::HighShelf, D::Frequency, &kHfTable, false},   // 25
    {"Hshp", Q::ThreePosition, S::HighShelf, D::ShelfShape, nullptr, false}, // 26
    {"Hgain", Q::ShelfGain, S::HighShelf, D::GainDb, nullptr, false},        // 27
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 28
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 29
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 30
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 31
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 32
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 33
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 34
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 35 stored only
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 36 stored only
    {"", Q::Placeholder, S::None, D::None, nullptr, false},                  // 37 stored only
};

bool isDummyParam(int index) {
    return index == 2 || index == 4 || index == 5 || (index >= 28 && index <= 34) || index > 37;
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

} // namespace dravo
