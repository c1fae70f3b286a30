// The 22 factory presets: names and the normalised value of every parameter.
#pragma once

#include "presets/CPresetSystemEffect.h"

constexpr int kNumFactoryPresets = 22;
constexpr int kNumFactoryValues = 38;

// Names in record order, at most 23 characters each.
extern const char* const kFactoryPresetNames[kNumFactoryPresets];
// Normalised values, preset-major; placeholders and the stored-only indices
// 35..37 hold 0.5. Each becomes the 32-bit float nearest to it.
extern const double kFactoryPresetValues[kNumFactoryPresets][kNumFactoryValues];
static_assert(kNumFactoryPresets == kNumPresets && kNumFactoryValues == kNumPresetParams,
              "the factory tables fill the whole store");

// Both tables as the program store takes them at construction.
inline const PresetTable kFactoryPresetTable{kFactoryPresetNames, kFactoryPresetValues};

// Writes the factory names and the values of the real parameters (0, 1, 3 and
// 6..27) into all 22 records of the effect's store. Placeholders and 35..37
// keep what the store was built with.
void writeFactoryPresets(CPresetSystemEffect& effect);
