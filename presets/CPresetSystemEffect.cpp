#include "presets/CPresetSystemEffect.h"

#include <cstring>

#include "plugin/FactoryPresets.h"
#include "presets/CPresetSystemEditor.h"
#include "presets/PresetBuffers.h"

namespace {

uint32_t readWord(const unsigned char* p, bool swapOrder) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return swapOrder ? __builtin_bswap32(v) : v;
}

} // namespace

void writePresetName(char (&field)[kPresetNameSize], const char* name) {
    std::memset(field, 0, sizeof field);
    if (!name) return;
    size_t n = strnlen(name, kPresetNameSize - 1);
    std::memcpy(field, name, n);
}

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster, int /*numPresets*/,
                                         int numParams)
    : AudioEffectX(audioMaster, 1, numParams) {
    programsAreChunks(true);
    chunkScratch = new unsigned char[kChunkScratchSize]();
    chunkBuffer = new unsigned char[kChunkBufferSize]();
    presets = new PresetRecord[kNumPresets]();
    currentPreset = 0;
    CPresetSystemEffect::initPresets();
    defaultRecord = presets[0];
}

CPresetSystemEffect::~CPresetSystemEffect() {
    delete[] presets;
    delete[] chunkScratch;
    delete[] chunkBuffer;
}

long CPresetSystemEffect::getPresetNo() {
    return (long)currentPreset.load();
}

void CPresetSystemEffect::setPresetNo(long n) {
    if (n < 0 || n >= kNumPresets) return;
    loadingPreset = true;
    currentPreset = n;
    for (int i = 0; i < kNumPresetParams; i++)
        setParameter(i, presets[n].values[i]);
    updateDisplay();
    beginEdit(0);
    endEdit(0);
    loadingPreset = false;
}

void CPresetSystemEffect::setPresetName(const char* name) {
    if (name) writePresetName(presets[currentPreset.load()].name, name);
    updateDisplay();
}

VstInt32 CPresetSystemEffect::getUniqueID() {
    return cEffect.uniqueID;
}

void CPresetSystemEffect::initializePreset(long n) {
    if (n >= 0 && n < kNumPresets) presets[n] = defaultRecord;
}

void CPresetSystemEffect::loadDefaults() {
    defaultRecord = presets[0];
}

void CPresetSystemEffect::initPresets() {
    for (int p = 0; p < kNumPresets; p++) {
        writePresetName(presets[p].name, kFactoryPresetNames[p]);
        for (int i = 0; i < kNumPresetParams; i++)
            presets[p].values[i] = (float)kFactoryPresetValues[p][i];
    }
}

void CPresetSystemEffect::setParameter(VstInt32 index, float value) {
    if (presets && index >= 0 && index < kNumPresetParams)
        presets[currentPreset.load()].values[index] = value;
}

float CPresetSystemEffect::getParameter(VstInt32 index) {
    if (index < 0 || index >= kNumPresetParams) return -1.0f;
    return presets[currentPreset.load()].values[index];
}

VstInt32 CPresetSystemEffect::getProgram() {
    return 0;
}

void CPresetSystemEffect::setProgram(VstInt32) {}

void CPresetSystemEffect::setProgramName(char* name) {
    char buffer[kPresetNameSize + 1] = {};
    if (name) std::memcpy(buffer, name, strnlen(name, kPresetNameSize));
    writePresetName(presets[currentPreset.load()].name, buffer);
    if (CPresetSystemEditor* e = presetEditor()) e->nameChangedExternal(buffer);
}

void CPresetSystemEffect::getProgramName(char* name) {
    std::memcpy(name, presets[currentPreset.load()].name, kPresetNameSize);
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPresets) return false;
    std::memcpy(text, presets[index].name, kPresetNameSize);
    return true;
}

VstInt32 CPresetSystemEffect::getChunk(void**, bool) {
    return 0;
}

VstInt32 CPresetSystemEffect::setChunk(void*, VstInt32, bool) {
    return -1;
}

VstInt32 CPresetSystemEffect::processEvents(VstEvents*) {
    return 0;
}

VstInt32 CPresetSystemEffect::canDo(char*) {
    return 0;
}

void CPresetSystemEffect::resume() {}

void CPresetSystemEffect::setParameterAllPresets(int index, float value) {
    if (index < 0 || index >= kNumPresetParams) return;
    for (int p = 0; p < kNumPresets; p++)
        presets[p].values[index] = value;
}

CPresetSystemEditor* CPresetSystemEffect::presetEditor() {
    return nullptr;
}

VstInt32 CPresetSystemEffect::setChunkOld(const unsigned char*, size_t, bool) {
    return -1;
}
