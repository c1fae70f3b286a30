#include "vst/VstEditor.h"

#include "vst/Dravo.h"

namespace dravo {

using dravo::Param;

namespace {
// The toolkit's key record has the ABI's fields.
VSTGUI::CKeyCode toolkitKey(const VstKeyCode& key) {
    return {key.character, key.virt, key.modifier};
}
} // namespace

VstEditor::VstEditor(Dravo& effect) : AEffEditor(&effect), plugin(effect) {}

// The window closes while the effect is whole: its controls may still end
// an edit gesture.
VstEditor::~VstEditor() {
    equaliserEditor.reset();
}

dravo::EqualiserEditor& VstEditor::editor() {
    if (!equaliserEditor) equaliserEditor = std::make_unique<dravo::EqualiserEditor>(*this);
    return *equaliserEditor;
}

bool VstEditor::getRect(ERect** r) {
    rect.top = rect.left = 0;
    rect.right = (VstInt16)editor().width();
    rect.bottom = (VstInt16)editor().height();
    *r = &rect;
    return true;
}

bool VstEditor::open(void* parentWindow) {
    AEffEditor::open(parentWindow);
    return editor().open(parentWindow);
}

void VstEditor::close() {
    if (equaliserEditor) equaliserEditor->close();
    AEffEditor::close();
}

bool VstEditor::isOpen() {
    return equaliserEditor && equaliserEditor->isOpen();
}

void VstEditor::idle() {
    if (equaliserEditor) equaliserEditor->idle();
}

bool VstEditor::setKnobMode(VstInt32 mode) {
    editor().setKnobMode(mode);
    return true;
}

bool VstEditor::onWheel(float distance) {
    return equaliserEditor && equaliserEditor->onWheel(distance);
}

bool VstEditor::onKeyDown(VstKeyCode& key) {
    VSTGUI::CKeyCode k = toolkitKey(key);
    return equaliserEditor && equaliserEditor->onKeyDown(k);
}

bool VstEditor::onKeyUp(VstKeyCode& key) {
    VSTGUI::CKeyCode k = toolkitKey(key);
    return equaliserEditor && equaliserEditor->onKeyUp(k);
}

// ---- dravo::EditController --------------------------------------------------

float VstEditor::parameter(Param p) const {
    return plugin.getParameter(dravo::index(p));
}

void VstEditor::beginEdit(Param p) {
    plugin.beginEdit(dravo::index(p));
}

void VstEditor::performEdit(Param p, float value) {
    plugin.setParameterAutomated(dravo::index(p), value);
}

void VstEditor::endEdit(Param p) {
    plugin.endEdit(dravo::index(p));
}

const PresetRecord& VstEditor::preset(int n) const {
    return plugin.programStore().records()[n >= 0 && n < kNumPresets ? n : 0];
}

int VstEditor::currentPreset() const {
    return plugin.programStore().current();
}

const PresetRecord& VstEditor::blankPreset() const {
    return plugin.programStore().defaultRecord();
}

// A preset the user chose reaches the host as the values it changed, as a
// knob's value would; the name is given again so the host's display follows.
void VstEditor::selectPreset(int n) {
    if (n < 0 || n >= kNumPresets) return;
    const auto before = plugin.currentValues();
    plugin.setPresetNo(n);
    char name[kPresetNameSize + 1] = {};
    std::memcpy(name, preset(n).name, kPresetNameSize);
    plugin.setPresetName(name);
    plugin.tellHostChangedValues(before);
}

void VstEditor::renamePreset(const char* name) {
    plugin.setPresetName(name);
}

void VstEditor::replacePreset(const PresetRecord& record) {
    const auto before = plugin.currentValues();
    char name[kPresetNameSize + 1] = {};
    std::memcpy(name, record.name, kPresetNameSize);
    plugin.setPresetName(name);
    plugin.programStore().replaceCurrent(record);
    plugin.tellHostChangedValues(before);
}

void VstEditor::replaceBank(const Bank& bank) {
    const auto before = plugin.currentValues();
    plugin.programStore().replaceBank(bank);
    plugin.tellHostChangedValues(before);
}

float VstEditor::takePeak() {
    return plugin.getEngine().takeBlockPeak();
}

void VstEditor::setAnalyserOn(bool on) {
    plugin.outputSamples().setOn(on);
}

int VstEditor::takeOutputSamples(float* dst, int max) {
    return plugin.outputSamples().pop(dst, max);
}

double VstEditor::latencySamples() const {
    return plugin.latencySamples();
}

double VstEditor::sampleRate() const {
    return plugin.validatedRate();
}

bool VstEditor::requestSize(int width, int height) {
    return plugin.sizeWindow(width, height);
}

void VstEditor::deliverChanges(dravo::EditListener& listener) {
    plugin.parkedChanges().deliver(listener);
}

} // namespace dravo
