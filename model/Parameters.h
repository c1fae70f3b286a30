// The 38 parameters: one table that every face (VST 2.x, LV2), the editor,
// the image and manual generators and the renderer read. Each fact about a
// parameter lives here once; the rest of the code names parameters by Param.
#pragma once

#include "dsp/EqEngine.h"

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

using Section = EqEngine::Section;
using Field = EqEngine::Field;
constexpr int kNumSections = EqEngine::kNumSections;

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
    bool stored;                 // written by preset and bank buffers (not isDummyParam)
};

extern const FrequencyTable kLowCutHz, kHighCutHz, kLowShelfHz, kMid1Hz, kMid2Hz, kHighShelfHz;
extern const ParamInfo kParams[kNumParams];

inline const ParamInfo& info(Param p) {
    return kParams[index(p)];
}

// Placeholders the buffers leave out: 2, 4, 5, 28..34, and every index above 37.
bool isDummyParam(int index);
// A parameter that reaches the engine (not a placeholder nor stored-only).
inline bool isActive(Param p) {
    return info(p).quantiser != Quantiser::Placeholder;
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
