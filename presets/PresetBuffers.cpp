#include "presets/PresetBuffers.h"

#include "presets/CPresetSystemEffect.h"

PresetBuffers::PresetBuffers(CPresetSystemEffect& effect, PresetBarView* view)
    : codec(effect.programStore(), view) {}
