#include "vst/CPresetSystemEffect.h"

#include <cstring>

namespace dravo {

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster,
                                         const PresetTable& contents)
    : AudioEffectX(audioMaster, 1, kNumPresetParams), store(*this, contents) {
    programsAreChunks(true);
}

CPresetSystemEffect::~CPresetSystemEffect() = default;

int CPresetSystemEffect::getPresetNo() {
    return store.current();
}

void CPresetSystemEffect::setPresetNo(int n) {
    store.selectPreset(n);
}

void CPresetSystemEffect::applyPreset(const PresetRecord& record) {
    for (int i = 0; i < kNumPresetParams; i++)
        setParameter(i, record.values[i]);
    updateDisplay();
    // An empty edit gesture on parameter 0 closes the replay, as hosts have
    // always seen it.
    beginEdit(0);
    endEdit(0);
}

CPresetSystemEffect::ParameterValues CPresetSystemEffect::currentValues() {
    ParameterValues values;
    for (int i = 0; i < kNumPresetParams; i++)
        values.v[i] = getParameter(i);
    return values;
}

void CPresetSystemEffect::tellHostChangedValues(const ParameterValues& before) {
    for (int i = 0; i < kNumPresetParams; i++)
        if (const float now = getParameter(i); now != before.v[i])
            callHost(audioMasterAutomate, i, 0, nullptr, now);
}

void CPresetSystemEffect::setPresetName(const char* name) {
    store.setName(name);
    updateDisplay();
}

void CPresetSystemEffect::loadDefaults() {
    store.takeDefaultRecord();
}

void CPresetSystemEffect::initPresets() {
    store.fillFromTable();
}

void CPresetSystemEffect::setParameter(VstInt32 index, float value) {
    store.setValue(index, value);
}

float CPresetSystemEffect::getParameter(VstInt32 index) {
    return store.value(index);
}

// Host programs are not the internal presets: the host sees one program.
VstInt32 CPresetSystemEffect::getProgram() {
    return 0;
}

void CPresetSystemEffect::setProgram(VstInt32) {}

void CPresetSystemEffect::setProgramName(char* name) {
    char buffer[kPresetNameSize + 1] = {};
    if (name) std::memcpy(buffer, name, strnlen(name, kPresetNameSize));
    store.setName(buffer);
}

void CPresetSystemEffect::getProgramName(char* name) {
    std::memcpy(name, store.currentRecord().name, kPresetNameSize);
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPresets) return false;
    std::memcpy(text, store.records()[index].name, kPresetNameSize);
    return true;
}

VstInt32 CPresetSystemEffect::getChunk(void** data, bool /*isPreset: always the bank*/) {
    return store.getChunk(data);
}

VstInt32 CPresetSystemEffect::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/) {
    return store.setChunk(data, byteSize);
}

void CPresetSystemEffect::setParameterAllPresets(int index, float value) {
    store.setValueAllPresets(index, value);
}

} // namespace dravo
