// The factory presets as the program store takes them, and their replay
// into the store's records.
#pragma once

#include "model/FactoryPresets.h"
#include "presets/CPresetSystemEffect.h"

static_assert(kNumFactoryPresets == kNumPresets && kNumFactoryValues == kNumPresetParams,
              "the factory tables fill the whole store");

// Both tables as the program store takes them at construction.
inline const PresetTable kFactoryPresetTable{kFactoryPresetNames, kFactoryPresetValues};

// Writes the factory names and the values of the parameters that reach the
// engine into all 22 records of the effect's store. Placeholders and 35..37
// keep what the store was built with.
void writeFactoryPresets(CPresetSystemEffect& effect);
