#include "presets/CPresetSystemEditor.h"

#include "presets/CPresetSystemEffect.h"

CPresetSystemEditor::CPresetSystemEditor(AudioEffect* effect) : AEffGUIEditor(effect) {}

CPresetSystemEffect* CPresetSystemEditor::presetEffect() {
    return dynamic_cast<CPresetSystemEffect*>(effect);
}

PresetBuffers CPresetSystemEditor::buffers() {
    return PresetBuffers(*presetEffect(), this);
}

void CPresetSystemEditor::nameChangedExternal(char* name) {
    if (!name) return;
    setNameField(name);
    if (CPresetSystemEffect* e = presetEffect()) setMenuEntryTitle((int)e->getPresetNo(), name);
}

void CPresetSystemEditor::loadDefaults() {
    if (CPresetSystemEffect* e = presetEffect()) e->setPresetNo(0);
}

bool CPresetSystemEditor::BufferToBankOld(const char* data, bool swapOrder, int numPresets,
                                          int numValues) {
    return presetEffect() && buffers().bufferToBankOld(data, swapOrder, numPresets, numValues);
}

bool CPresetSystemEditor::BufferToBank(const char* body, const newpresetheader* header,
                                       bool swapOrder) {
    return presetEffect() && header && buffers().bufferToBank(body, *header, swapOrder);
}

VstInt32 CPresetSystemEditor::BankToBuffer(char** out) {
    *out = nullptr;
    return presetEffect() ? buffers().bankToBuffer(out) : 0;
}

bool CPresetSystemEditor::BufferToPresetOld(const char* data, bool swapOrder, int numValues) {
    return presetEffect() && buffers().bufferToPresetOld(data, swapOrder, numValues);
}

bool CPresetSystemEditor::BufferToPreset(const char* body, const newpresetheader* header,
                                         bool swapOrder) {
    return presetEffect() && header && buffers().bufferToPreset(body, *header, swapOrder);
}

VstInt32 CPresetSystemEditor::PresetToBuffer(char** out) {
    *out = nullptr;
    return presetEffect() ? buffers().presetToBuffer(out) : 0;
}

bool CPresetSystemEditor::loadPresetBuffer(const char* data, size_t size, bool reversed) {
    return presetEffect() && buffers().loadPresetBuffer(data, size, reversed);
}

bool CPresetSystemEditor::loadBankBuffer(const char* data, size_t size, bool reversed) {
    return presetEffect() && buffers().loadBankBuffer(data, size, reversed);
}
