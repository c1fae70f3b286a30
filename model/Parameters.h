// The 38 parameters: one table that every face (VST 2.x, LV2), the editor,
// the image and manual generators and the renderer read. Each fact about a
// parameter lives here once; the rest of the code names parameters by Param.
#pragma once

#include "dsp/SectionDesign.h"

#include <cstdint>

namespace dravo {

constexpr int kNumParams = 38;

// Parameter indices: the same number for the host, the preset records and
// files, and the editor's control tags. The placeholders are stored and
// reported but read by nothing; the buffers leave 2, 4, 5 and 28..34 out.
enum class Param : int {
    Master,
    Channel,
    Unused2,
    Phase,
    Unused4,
    Unused5,
    Output,
    Saturation,
    LowCutOn,
    LowCutFreq,
    HighCutOn,
    HighCutFreq,
    LowShelfMode,
    LowShelfFreq,
    LowShelfShape,
    LowShelfGain,
    Mid1Mode,
    Mid1Freq,
    Mid1Q,
    Mid1Gain,
    Mid2Mode,
    Mid2Freq,
    Mid2Q,
    Mid2Gain,
    HighShelfMode,
    HighShelfFreq,
    HighShelfShape,
    HighShelfGain,
    Unused28,
    Unused29,
    Unused30,
    Unused31,
    Unused32,
    Unused33,
    Unused34,
    StoredOnly35, // stored in presets and buffers, read by nothing
    StoredOnly36,
    StoredOnly37,
};

constexpr int index(Param p) {
    return static_cast<int>(p);
}
constexpr Param paramAt(int index) {
    return static_cast<Param>(index);
}

// How a normalised value (0..1) becomes an engine value.
enum class Quantiser : uint8_t {
    Flag,          // on when v >= 0.5 ("EQ all", "SAT")
    Channel,       // the normalised value itself (three regions at 0.25 / 0.75)
    OnOff,         // position trunc(v + 0.5)
    ThreePosition, // position trunc(2v + 0.5)
    OutputGain,    // dB = (2g - 1) * 20, g in steps of 1/160
    ShelfGain,     // dB = (2g - 1) * 20 * 0.5
    PeakGain,      // dB = g * 20
    Frequency,     // an entry of the parameter's frequency table
    QSelect,       // 0.473757 / 1.13136 / 2.5 at thresholds 0.5 and 0.75
    Placeholder,   // stored and reported, read by nothing
};

// What the host's value text shows.
enum class Display : uint8_t {
    None,
    MasterSwitch, // "On   " / "Off  "
    Channel,      // "Right" / "Stereo" / "Left"
    Phase,        // "Normal" / "Reverse"
    OutputDb,     // whole dB
    Saturation,   // "Sat" / "Off"
    CutSwitch,    // "On   " / "Off  "
    Frequency,
    ShelfMode,  // "II" / "0" / "I"
    ShelfShape, // "Shelf" / "Steep" / "Peak"
    GainDb,     // dB with two decimals
    MidMode,    // "-" / "0" / "+"
    QText,      // "0.7" / "2.0" / "4.0"
};

// The unit a user thinks of the value in.
enum class Unit : uint8_t { None, Hz, Db };

// Where the engine value of a parameter goes.
enum class Target : uint8_t { None, Master, Channel, Phase, Output, Saturation, Section };

using Section = EqSection;
using Field = EqField;
constexpr int kNumSections = kNumEqSections;

struct FrequencyTable {
    const double* hz;
    int last; // N: the lookup uses entries 0..N
};

// Names of a switch's positions, in position order (for "LSR" and "MQ" the
// regions of the normalised value, low to high).
struct PositionNames {
    const char* const* names;
    int count;
};

struct ParamInfo {
    Param id;
    const char* name;    // host name; the two mids share theirs ("Mfreq")
    const char* symbol;  // unique, lower case, for files and other formats; "" for placeholders
    const char* caption; // the label under the control in the editor
    Quantiser quantiser;
    Display display;
    Unit unit;
    Target target;
    Section section;             // Target::Section only
    Field field;                 // Target::Section only
    const FrequencyTable* table; // Frequency quantiser only
    PositionNames positions;     // switches only
    bool switchProperties;       // reported to hosts as a switch
    float defaultValue;          // normalised, the factory "Default" preset's
    bool stored;                 // written by preset and bank buffers (not isPlaceholderParam)
};

// Frequency steps in Hz, in index order.
namespace steps {
inline constexpr double kLowCutSteps[] = {12.4, 15.6, 19.7, 24.8,  31.2, 39.4, 49.6, 62.5,
                                          78.7, 99.2, 125,  157.5, 198,  250,  315,  397,
                                          500,  630,  794,  1000,  1260, 1587, 2000};
inline constexpr double kHighCutSteps[] = {625,   743,   884,   1051,  1250,  1487,  1768, 2102,
                                           2500,  2973,  3536,  4204,  5000,  5946,  7071, 8409,
                                           10000, 11892, 14142, 16818, 20000, 23784, 28284};
inline constexpr double kLowShelfSteps[] = {22.1, 26.3, 31.3,  37.2, 44.2, 52.6, 62.5,
                                            74.3, 88.4, 105.1, 125,  149,  177,  210,
                                            250,  297,  354,   420,  500};
inline constexpr double kMid1Steps[] = {70.5, 88.7, 112,  141,  178,  224,  282,  355,
                                        447,  564,  710,  895,  1127, 1420, 1789, 2254,
                                        2840, 3578, 4508, 5680, 7156, 9016, 11360};
inline constexpr double kMid2Steps[] = {99.7, 126,  158,  199,  251,   317,   399,  502,
                                        633,  798,  1005, 1266, 1595,  2010,  2532, 3190,
                                        4020, 5064, 6381, 8040, 10130, 12782, 16079};
inline constexpr double kHighShelfSteps[] = {3150,  3536,  3969,  4455,  5000,  5612,  6300,
                                             7071,  7937,  8909,  10000, 11225, 12599, 14142,
                                             15874, 17818, 20000, 22449, 25198};
static_assert(sizeof(kLowCutSteps) == 23 * sizeof(double) &&
              sizeof(kHighCutSteps) == 23 * sizeof(double) &&
              sizeof(kMid1Steps) == 23 * sizeof(double) &&
              sizeof(kMid2Steps) == 23 * sizeof(double));
static_assert(sizeof(kLowShelfSteps) == 19 * sizeof(double) &&
              sizeof(kHighShelfSteps) == 19 * sizeof(double));
} // namespace steps

inline constexpr FrequencyTable kLowCutHz{steps::kLowCutSteps, 22};
inline constexpr FrequencyTable kHighCutHz{steps::kHighCutSteps, 22};
inline constexpr FrequencyTable kLowShelfHz{steps::kLowShelfSteps, 18};
inline constexpr FrequencyTable kMid1Hz{steps::kMid1Steps, 22};
inline constexpr FrequencyTable kMid2Hz{steps::kMid2Steps, 22};
inline constexpr FrequencyTable kHighShelfHz{steps::kHighShelfSteps, 18};

namespace names {
// Position names, in position order. These are the words of the editor and
// of other formats; the host's value texts are composed in ValueText.
inline constexpr const char* kOffOn[] = {"Off", "On"};
inline constexpr const char* kPhase[] = {"Normal", "Reverse"};
inline constexpr const char* kSaturation[] = {"Off", "Sat"};
// "LSR" by region of the normalised value: below 0.25 right only, from 0.75
// left only.
inline constexpr const char* kChannel[] = {"Right", "Stereo", "Left"};
// A shelf's mode: "II" doubles the gain range, "0" is off.
inline constexpr const char* kShelfMode[] = {"\u00d72", "Off", "\u00d71"};
inline constexpr const char* kShelfShape[] = {"Shelf", "Steep", "Peak"};
inline constexpr const char* kMidMode[] = {"Cut", "Off", "Boost"};
// "MQ" by the regions of its value text (0.25 / 0.75), which are not the
// engine's (0.5 / 0.75): see qOf.
inline constexpr const char* kQ[] = {"0.7", "2.0", "4.0"};

template <int N> constexpr PositionNames list(const char* const (&n)[N]) {
    return {n, N};
}

} // namespace names

namespace table {
using P = Param;
using Q = Quantiser;
using D = Display;
using U = Unit;
using T = Target;
using S = Section;
using F = Field;

// clang-format off
inline constexpr ParamInfo kRows[kNumParams] = {
    {P::Master, "EQ all", "master", "EQ IN", Q::Flag, D::MasterSwitch, U::None, T::Master, S::LowCut, F::Position, nullptr, names::list(names::kOffOn), true, 1.0f, true},
    {P::Channel, "LSR", "channel", "CHANNEL", Q::Channel, D::Channel, U::None, T::Channel, S::LowCut, F::Position, nullptr, names::list(names::kChannel), false, 0.5f, true},
    {P::Unused2, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Phase, "Phase", "phase", "PHASE", Q::OnOff, D::Phase, U::None, T::Phase, S::LowCut, F::Position, nullptr, names::list(names::kPhase), true, 0.0f, true},
    {P::Unused4, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Unused5, "", "", "", Q::Placeholder, D::None, U::None, T::None, S::LowCut, F::Position, nullptr, {}, false, 0.5f, false},
    {P::Output, "OUTPUT", "output", "LEVEL", Q::OutputGain, D::OutputDb, U::Db, T::Output, S::LowCut, F::Position, nullptr, {}, false, 0.5f, true},
    {P::Saturation, "SAT", "saturation", "SAT", Q::Flag, D::Saturation, U::None, T::Saturation, S::LowCut, F::Position, nullptr, names::list(names::kSaturation), true, 0.0f, true},
    {P::LowCutOn, "HPF", "low_cut", "LOW CUT", Q::OnOff, D::CutSwitch, U::None, T::Section, S::LowCut, F::Position, nullptr, names::list(names::kOffOn), true, 0.0f, true},
    {P::LowCutFreq, "HPFfreq", "low_cut_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::LowCut, F::Hz, &kLowCutHz, {}, false, 0.0f, true},
    {P::HighCutOn, "LPF", "high_cut", "HIGH CUT", Q::OnOff, D::CutSwitch, U::None, T::Section, S::HighCut, F::Position, nullptr, names::list(names::kOffOn), true, 0.0f, true},
    {P::HighCutFreq, "LPFfreq", "high_cut_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::HighCut, F::Hz, &kHighCutHz, {}, false, 1.0f, true},
    {P::LowShelfMode, "LOW", "low_shelf_mode", "MODE", Q::ThreePosition, D::ShelfMode, U::None, T::Section, S::LowShelf, F::Position, nullptr, names::list(names::kShelfMode), false, 1.0f, true},
    {P::LowShelfFreq, "Lfreq", "low_shelf_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::LowShelf, F::Hz, &kLowShelfHz, {}, false, 0.5f, true},
    {P::LowShelfShape, "Lshp", "low_shelf_shape", "SHAPE", Q::ThreePosition, D::ShelfShape, U::None, T::Section, S::LowShelf, F::Shape, nullptr, names::list(names::kShelfShape), false, 0.0f, true},
    {P::LowShelfGain, "Lgain", "low_shelf_gain", "GAIN", Q::ShelfGain, D::GainDb, U::Db, T::Section, S::LowShelf, F::GainDb, nullptr, {}, false, 0.5f, true},
    {P::Mid1Mode, "MID1", "mid1_mode", "MODE", Q::ThreePosition, D::MidMode, U::None, T::Section, S::Mid1, F::Position, nullptr, names::list(names::kMidMode), false, 1.0f, true},
    {P::Mid1Freq, "Mfreq", "mid1_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::Mid1, F::Hz, &kMid1Hz, {}, false, 0.5f, true},
    {P::Mid1Q, "MQ", "mid1_q", "Q", Q::QSelect, D::QText, U::None, T::Section, S::Mid1, F::Q, nullptr, names::list(names::kQ), false, 0.5f, true},
    {P::Mid1Gain, "Mgain", "mid1_gain", "GAIN", Q::PeakGain, D::GainDb, U::Db, T::Section, S::Mid1, F::GainDb, nullptr, {}, false, 0.0f, true},
    {P::Mid2Mode, "MID2", "mid2_mode", "MODE", Q::ThreePosition, D::MidMode, U::None, T::Section, S::Mid2, F::Position, nullptr, names::list(names::kMidMode), false, 1.0f, true},
    {P::Mid2Freq, "Mfreq", "mid2_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::Mid2, F::Hz, &kMid2Hz, {}, false, 0.5f, true},
    {P::Mid2Q, "MQ", "mid2_q", "Q", Q::QSelect, D::QText, U::None, T::Section, S::Mid2, F::Q, nullptr, names::list(names::kQ), false, 0.5f, true},
    {P::Mid2Gain, "Mgain", "mid2_gain", "GAIN", Q::PeakGain, D::GainDb, U::Db, T::Section, S::Mid2, F::GainDb, nullptr, {}, false, 0.0f, true},
    {P::HighShelfMode, "HIGH", "high_shelf_mode", "MODE", Q::ThreePosition, D::ShelfMode, U::None, T::Section, S::HighShelf, F::Position, nullptr, names::list(names::kShelfMode), false, 1.0f, true},
    {P::HighShelfFreq, "Hfreq", "high_shelf_freq", "FREQ", Q::Frequency, D::Frequency, U::Hz, T::Section, S::HighShelf, F::Hz, &kHighShelfHz, {}, false, 0.5f, true},
    {P::HighShelfShape, "Hshp", "high_shelf_shape", "SHAPE", Q::ThreePosition, D::ShelfShape, U::None, T::Section, S::HighShelf, F::Shape, nullptr, names::list(names::kShelfShape), false, 0.0f, true},
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
} // namespace table

inline constexpr const ParamInfo (&kParams)[kNumParams] = table::kRows;

// Every row in its index's place, and one row for each of the 38 (a missing
// row would be zero-filled and name parameter 0).
constexpr bool idsInOrder() {
    for (int i = 0; i < kNumParams; ++i)
        if (index(kParams[i].id) != i) return false;
    return true;
}
static_assert(idsInOrder(), "one row per parameter, in index order");

// The six sections, in the engine's order: a name for people, a symbol for
// files and other formats.
struct SectionInfo {
    Section id;
    const char* name;
    const char* symbol;
};
inline constexpr SectionInfo kSections[kNumSections] = {
    {Section::LowCut, "Low cut", "low_cut"},
    {Section::HighCut, "High cut", "high_cut"},
    {Section::LowShelf, "Low shelf", "low_shelf"},
    {Section::Mid1, "Mid 1", "mid1"},
    {Section::Mid2, "Mid 2", "mid2"},
    {Section::HighShelf, "High shelf", "high_shelf"},
};
constexpr bool sectionsInOrder() {
    for (int i = 0; i < kNumSections; ++i)
        if (static_cast<int>(kSections[i].id) != i) return false;
    return true;
}
static_assert(sectionsInOrder(), "one row per section, in the engine's order");

constexpr const SectionInfo& info(Section s) {
    return kSections[static_cast<int>(s)];
}

constexpr const ParamInfo& info(Param p) {
    return kParams[index(p)];
}

// Placeholders the buffers leave out: 2, 4, 5, 28..34, and every index above 37.
bool isPlaceholderParam(int index);
// A parameter that reaches the engine (not a placeholder nor stored-only).
constexpr bool isActive(Param p) {
    return info(p).quantiser != Quantiser::Placeholder;
}

// How many parameters reach the engine: what formats that list only those
// (LV2 ports, CLAP parameters) number.
constexpr int countActiveParams() {
    int n = 0;
    for (const ParamInfo& p : kParams)
        n += isActive(p.id) ? 1 : 0;
    return n;
}
inline constexpr int kNumActiveParams = countActiveParams();

// "EQ all" and "LSR" are the same in every preset: setting one sets it in
// all 22 records.
constexpr bool sameInEveryPreset(Param p) {
    return info(p).target == Target::Master || info(p).target == Target::Channel;
}

// The parameter with this symbol; false when none has it.
bool paramForSymbol(const char* symbol, Param& out);

// Saturating float-to-int conversion: truncates toward zero, clamps to the
// int range instead of overflowing. Callers never pass NaN.
int truncToInt(double x);

int onOffPosition(double v);
int threePosition(double v);
double gainSteps(double v);
double outputGainDb(double v);
double shelfGainDb(double v);
double peakGainDb(double v);
double frequencyOf(const FrequencyTable& table, double v);
double qOf(double v);

// The engine value of a normalised value: a position, Hz, dB, Q, the output
// factor or the flag (1/0); the normalised value for "LSR" and placeholders.
double engineValueOf(Param p, double v);

// The value in the user's unit: Hz, dB (the output level in dB, not its
// factor), Q, or the switch position (for "LSR" and "MQ" the displayed
// region 0..2). realRange gives the lowest and highest such value.
double realValueOf(Param p, double v);
void realRange(Param p, double& lowest, double& highest);
// The normalised value whose real value is nearest to real: an exact step of the parameter, so
// realValueOf gives the step back. A switch takes the nearest position.
double normalisedForReal(Param p, double real);

} // namespace dravo
