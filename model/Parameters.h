// The 38 parameters: one table that the effect, the host texts, the preset
// buffers and the editor all read.
#pragma once

#include <cstdint>

namespace dravo {

constexpr int kNumParams = 38;

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

// The section whose update a change of the parameter runs.
enum class Section : uint8_t { None, LowCut, HighCut, LowShelf, LowMid, Mid, HighShelf };

// What getParameterDisplay shows.
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

struct FrequencyTable {
    const double* hz;
    int last; // N: the lookup uses entries 0..N
};

struct ParamInfo {
    const char* name;
    Quantiser quantiser;
    Section update;
    Display display;
    const FrequencyTable* table; // Frequency quantiser only
    bool switchProperties;       // reported to hosts as a switch
};

extern const FrequencyTable kHpfTable, kLpfTable, kLfTable, kLmfTable, kHmfTable, kHfTable;
extern const ParamInfo kParams[kNumParams];

// Placeholders the buffers leave out: 2, 4, 5, 28..34, and every index above 37.
bool isDummyParam(int index);

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

} // namespace dravo
