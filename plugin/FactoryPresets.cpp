#include "plugin/FactoryPresets.h"

void writeFactoryPresets(CPresetSystemEffect& effect) {
    PresetRecord* records = effect.getPresets();
    for (int p = 0; p < kNumFactoryPresets; p++) {
        const dravo::FactoryPreset& preset = dravo::kFactoryPresets[p];
        writePresetName(records[p].name, preset.name);
        for (const dravo::PresetField& f : preset.fields)
            records[p].values[dravo::index(f.param)] = (float)f.value;
    }
}
