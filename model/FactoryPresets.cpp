#include "model/FactoryPresets.h"

namespace dravo {

namespace {
using P = Param;

// A preset of every parameter's default value.
constexpr FactoryPreset defaults(const char* name) {
    FactoryPreset preset{name, {}};
    int n = 0;
    for (const ParamInfo& p : kParams)
        if (isActive(p.id)) preset.fields[n++] = {p.id, p.defaultValue};
    return preset;
}
} // namespace

// Values are normalised (0..1); the real-unit meaning of each follows from the
// parameter table. Some are not exact steps (0.42, 0.667): they are kept as
// the presets have always stored them. "Rhytm" is the presets' own spelling.
// clang-format off
constexpr FactoryPreset kFactoryPresets[kNumFactoryPresets] = {
    defaults("Default"),
    {"Bright Piano",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.45},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.42}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.025},
     {P::Mid2Mode, 0.5}, {P::Mid2Freq, 0.65}, {P::Mid2Q, 0}, {P::Mid2Gain, 0},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.667}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.55}}},
    {"Flamenco",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.4090909}, {P::HighCutOn, 1}, {P::HighCutFreq, 0.8636364},
     {P::LowShelfMode, 0.5}, {P::LowShelfFreq, 0.06111111}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.5},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.1363636}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.175},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.4545455}, {P::Mid2Q, 0.5}, {P::Mid2Gain, 0.25},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.1111111}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.8}}},
    {"Kick 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.09090909}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.3333333}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.775},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3181818}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.275},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.6818182}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.375},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.4444444}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.5}}},
    {"Kick 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.2777778}, {P::LowShelfShape, 1}, {P::LowShelfGain, 0.75},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3181818}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.325},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.6363636}, {P::Mid2Q, 0.5}, {P::Mid2Gain, 0.15},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.6111111}, {P::HighShelfShape, 1}, {P::HighShelfGain, 0.65}}},
    {"Kick 3",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2272727}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.2777778}, {P::LowShelfShape, 1}, {P::LowShelfGain, 0.775},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.4545455}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.45},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.5909091}, {P::Mid2Q, 0}, {P::Mid2Gain, 0.325},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.4444444}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.6}}},
    {"Overheads 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.5}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5555556}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.325},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.5}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.375},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.6818182}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.3},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.675}}},
    {"Overheads 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.5}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5555556}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.325},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3181818}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.25},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.6818182}, {P::Mid2Q, 1}, {P::Mid2Gain, 0},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.75}}},
    {"Overheads 3",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2727273}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 0}, {P::LowShelfFreq, 0.3333333}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.725},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.3636364}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.275},
     {P::Mid2Mode, 0.5}, {P::Mid2Freq, 0.5}, {P::Mid2Q, 1}, {P::Mid2Gain, 0},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.675}}},
    {"Overheads 4",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2727273}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 0}, {P::LowShelfFreq, 0.7777778}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.325},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3636364}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.325},
     {P::Mid2Mode, 0.5}, {P::Mid2Freq, 0.5}, {P::Mid2Q, 1}, {P::Mid2Gain, 0},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.35}}},
    {"Rhytm Guitar 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.3181818}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.6111111}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.95},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.5}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.1},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.7272727}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.1},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 1}, {P::HighShelfGain, 0.5}}},
    {"Rhytm Guitar 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.3181818}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.6111111}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.35},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.5909091}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.05},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.7727273}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.2},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 1}, {P::HighShelfGain, 0.5}}},
    {"Snare 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.3181818}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.7222222}, {P::LowShelfShape, 1}, {P::LowShelfGain, 0.85},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.4090909}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.15},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.6818182}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.125},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.6111111}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.7}}},
    {"Snare 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 1},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2727273}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.3888889}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.8},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3181818}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.225},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.6363636}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.275},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.1666667}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.725}}},
    {"Vox",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.3181818}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.575},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3181818}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.05},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.7272727}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.1},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 1}, {P::HighShelfGain, 0.575}}},
    {"Mix",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.45}, {P::Saturation, 0},
     {P::LowCutOn, 0}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.3333333}, {P::LowShelfShape, 1}, {P::LowShelfGain, 0.65},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.7727273}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.15},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.6818182}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.15},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5555556}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.6}}},
    {"Bass 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.6}, {P::Saturation, 1},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2272727}, {P::HighCutOn, 1}, {P::HighCutFreq, 0.3636364},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0.5}, {P::LowShelfGain, 0.8},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3636364}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.3},
     {P::Mid2Mode, 0.5}, {P::Mid2Freq, 0.6363636}, {P::Mid2Q, 0.5}, {P::Mid2Gain, 0},
     {P::HighShelfMode, 0}, {P::HighShelfFreq, 0.5}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.5}}},
    {"Bass 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.6}, {P::Saturation, 1},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.2272727}, {P::HighCutOn, 1}, {P::HighCutFreq, 0.5},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0.5}, {P::LowShelfGain, 0.75},
     {P::Mid1Mode, 0}, {P::Mid1Freq, 0.3636364}, {P::Mid1Q, 0.5}, {P::Mid1Gain, 0.2},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.5454546}, {P::Mid2Q, 0.5}, {P::Mid2Gain, 0.3},
     {P::HighShelfMode, 0}, {P::HighShelfFreq, 0.5}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.5}}},
    {"Radio",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 1},
     {P::LowCutOn, 1}, {P::LowCutFreq, 0.4090909}, {P::HighCutOn, 1}, {P::HighCutFreq, 0.6818182},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.6111111}, {P::LowShelfShape, 1}, {P::LowShelfGain, 0.7},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.5}, {P::Mid1Q, 1}, {P::Mid1Gain, 0.2},
     {P::Mid2Mode, 1}, {P::Mid2Freq, 0.7272727}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.25},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.5}, {P::HighShelfShape, 0.5}, {P::HighShelfGain, 0.65}}},
    {"Piezo Guitar",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 0}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 1}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.75},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.5454546}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.1},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.5}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.2},
     {P::HighShelfMode, 1}, {P::HighShelfFreq, 0.6666667}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.65}}},
    {"De-esser 1",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 0}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 0.5}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.75},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.7727273}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.1},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.7272727}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.25},
     {P::HighShelfMode, 0.5}, {P::HighShelfFreq, 0.5}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.65}}},
    {"De-esser 2",
     {{P::Master, 1}, {P::Channel, 0.5}, {P::Phase, 0}, {P::Output, 0.5}, {P::Saturation, 0},
     {P::LowCutOn, 0}, {P::LowCutFreq, 0}, {P::HighCutOn, 0}, {P::HighCutFreq, 1},
     {P::LowShelfMode, 0.5}, {P::LowShelfFreq, 0.5}, {P::LowShelfShape, 0}, {P::LowShelfGain, 0.75},
     {P::Mid1Mode, 1}, {P::Mid1Freq, 0.8636364}, {P::Mid1Q, 0}, {P::Mid1Gain, 0.1},
     {P::Mid2Mode, 0}, {P::Mid2Freq, 0.8181818}, {P::Mid2Q, 1}, {P::Mid2Gain, 0.25},
     {P::HighShelfMode, 0.5}, {P::HighShelfFreq, 0.5}, {P::HighShelfShape, 0}, {P::HighShelfGain, 0.65}}},
};
// clang-format on

namespace {

// Each preset sets every parameter that reaches the engine exactly once.
constexpr bool complete() {
    for (const FactoryPreset& preset : kFactoryPresets) {
        int seen[kNumParams] = {};
        for (const PresetField& f : preset.fields)
            ++seen[index(f.param)];
        for (int i = 0; i < kNumParams; ++i)
            if (seen[i] != (isActive(paramAt(i)) ? 1 : 0)) return false;
    }
    return true;
}

struct Expanded {
    const char* names[kNumFactoryPresets];
    double values[kNumFactoryPresets][kNumParams];
};

constexpr Expanded expand() {
    Expanded e{};
    for (int p = 0; p < kNumFactoryPresets; ++p) {
        e.names[p] = kFactoryPresets[p].name;
        for (double& v : e.values[p])
            v = 0.5;
        for (const PresetField& f : kFactoryPresets[p].fields)
            e.values[p][index(f.param)] = f.value;
    }
    return e;
}

constexpr Expanded kExpanded = expand();

static_assert(complete(), "every preset sets each parameter that reaches the engine once");

} // namespace

const char* const (&kFactoryPresetNames)[kNumFactoryPresets] = kExpanded.names;
const double (&kFactoryPresetValues)[kNumFactoryPresets][kNumFactoryValues] = kExpanded.values;

void writeFactoryPresets(ProgramStore& store) {
    PresetRecord* records = store.records();
    for (int p = 0; p < kNumFactoryPresets; p++) {
        const FactoryPreset& preset = kFactoryPresets[p];
        writePresetName(records[p].name, preset.name);
        for (const PresetField& f : preset.fields)
            records[p].values[index(f.param)] = (float)f.value;
    }
}

} // namespace dravo
