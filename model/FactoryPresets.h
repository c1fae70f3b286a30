// The 22 factory presets, each written as the parameters it sets and their
// normalised values.
#pragma once

#include "model/Parameters.h"
#include "model/ProgramStore.h"

namespace dravo {

constexpr int kNumFactoryPresets = 22;
constexpr int kNumFactoryValues = kNumParams;

// Every parameter that reaches the engine: 0, 1, 3 and 6..27.
constexpr int kNumPresetFields = 25;

struct PresetField {
    Param param;
    double value; // normalised; it becomes the 32-bit float nearest to it
};

struct FactoryPreset {
    const char* name; // at most 23 characters
    PresetField fields[kNumPresetFields];
};

extern const FactoryPreset kFactoryPresets[kNumFactoryPresets];

// The same as the program store is built with: names in record order, and
// all 38 values of each preset in index order, the placeholders and the
// stored-only 35..37 at 0.5.
extern const char* const (&kFactoryPresetNames)[kNumFactoryPresets];
extern const double (&kFactoryPresetValues)[kNumFactoryPresets][kNumFactoryValues];

static_assert(kNumFactoryPresets == kNumPresets && kNumFactoryValues == kNumPresetParams,
              "the factory tables fill the whole store");

// Both tables as the program store takes them at construction.
inline const PresetTable kFactoryPresetTable{kFactoryPresetNames, kFactoryPresetValues};

// Writes the factory names and the values of the parameters that reach the
// engine into all 22 records of the store. Placeholders and 35..37 keep what
// the store was built with.
void writeFactoryPresets(ProgramStore& store);

} // namespace dravo
