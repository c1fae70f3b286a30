#include "presets/CPresetSystemEffect.h"

#include <algorithm>
#include <cstring>

#include "presets/PresetBuffers.h"
#include "presets/PresetEditorInterface.h"

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

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster,
                                         const PresetTable& contents, int /*numPresets*/,
                                         int numParams)
    : AudioEffectX(audioMaster, 1, numParams), contents(contents) {
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
    if (PresetEditorInterface* e = presetEditor()) e->loadDefaults();
}

void CPresetSystemEffect::initPresets() {
    for (int p = 0; p < kNumPresets; p++) {
        writePresetName(presets[p].name, contents.names[p]);
        for (int i = 0; i < kNumPresetParams; i++)
            presets[p].values[i] = (float)contents.values[p][i];
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
    if (PresetEditorInterface* e = presetEditor()) e->nameChangedExternal(buffer);
}

void CPresetSystemEffect::getProgramName(char* name) {
    std::memcpy(name, presets[currentPreset.load()].name, kPresetNameSize);
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPresets) return false;
    std::memcpy(text, presets[index].name, kPresetNameSize);
    return true;
}

VstInt32 CPresetSystemEffect::getChunk(void** data, bool /*isPreset: always the bank*/) {
    if (!chunkBuffer || !data) return 0;
    std::memset(chunkBuffer, 0, kChunkBufferSize);
    const uint32_t tag = kChunkTagBank;
    const VstInt32 id = getUniqueID();
    std::memcpy(chunkBuffer, &tag, 4);
    std::memcpy(chunkBuffer + 4, &id, 4);

    char* bank = nullptr;
    VstInt32 size;
    if (PresetEditorInterface* e = presetEditor())
        size = e->BankToBuffer(&bank);
    else
        size = PresetBuffers(*this).bankToBuffer(&bank);
    if (!bank || size <= 0 || (size_t)size > kChunkBufferSize - kChunkPrefixSize) {
        delete[] bank;
        return 0;
    }
    std::memcpy(chunkBuffer + kChunkPrefixSize, bank, (size_t)size);
    delete[] bank;
    *data = chunkBuffer;
    return size + (VstInt32)kChunkPrefixSize;
}

VstInt32 CPresetSystemEffect::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/) {
    if (!chunkBuffer || !chunkScratch || !data || byteSize < (VstInt32)kChunkPrefixSize) return -1;
    const size_t size = (size_t)byteSize;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    // The host's memory is only read: the prefix is examined in a copy.
    std::memcpy(chunkScratch, bytes, kChunkPrefixSize);
    const uint32_t id = (uint32_t)getUniqueID();
    const uint32_t storedId = readWord(chunkScratch + 4, false);
    bool swapOrder;
    if (storedId == id)
        swapOrder = false;
    else if (storedId == __builtin_bswap32(id))
        swapOrder = true;
    else
        return -1;
    const uint32_t tag = readWord(chunkScratch, swapOrder);

    if (tag == kChunkTagOld) return setChunkOld(bytes, size, swapOrder);
    if (tag != kChunkTagBank) return -1;

    const char* bank = reinterpret_cast<const char*>(bytes + kChunkPrefixSize);
    newpresetheader header;
    if (!PresetBuffers::readHeader(bank, size - kChunkPrefixSize, swapOrder, header)) return -1;
    const char* body = bank + sizeof header;
    bool loaded;
    if (PresetEditorInterface* e = presetEditor())
        loaded = e->BufferToBank(body, &header, swapOrder);
    else
        loaded = PresetBuffers(*this).bufferToBank(body, header, swapOrder);
    return loaded ? 0 : -1;
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

PresetEditorInterface* CPresetSystemEffect::presetEditor() {
    return dynamic_cast<PresetEditorInterface*>(getEditor());
}

// Old chunk layout: tag, unique ID, preset count P, preset to select, four
// reserved words (32 bytes), then P blocks of a 24-byte name and N floats.
VstInt32 CPresetSystemEffect::setChunkOld(const unsigned char* data, size_t size, bool swapOrder) {
    constexpr size_t kOldHeaderSize = 32;
    if (size < kOldHeaderSize) return -1;
    std::memcpy(chunkScratch, data, size < kChunkScratchSize ? size : kChunkScratchSize);
    const int32_t numPresets = (int32_t)readWord(chunkScratch + 8, swapOrder);
    const uint32_t select = readWord(chunkScratch + 12, swapOrder);
    if (numPresets <= 0) return -1;
    // Every block has the same size; N is what a block holds after its name.
    const size_t block = (size - kOldHeaderSize) / (size_t)numPresets;
    if (block < kPresetNameSize) return -1;
    const size_t numValues = (block - kPresetNameSize) / 4;
    const size_t stride = kPresetNameSize + 4 * numValues;
    const int presetCount = numPresets < kNumPresets ? numPresets : kNumPresets;
    const size_t valueCount = numValues < (size_t)kNumPresetParams ? numValues : kNumPresetParams;

    PresetRecord kept[kNumPresets];
    std::copy(presets, presets + kNumPresets, kept);
    for (int p = 0; p < presetCount; p++) {
        const unsigned char* record = data + kOldHeaderSize + stride * (size_t)p;
        initializePreset(p);
        char name[kPresetNameSize + 1] = {};
        std::memcpy(name, record, kPresetNameSize);
        writePresetName(presets[p].name, name);
        for (size_t i = 0; i < valueCount; i++) {
            if (isDummyOld((int)i)) continue;
            const uint32_t bits = readWord(record + kPresetNameSize + 4 * i, swapOrder);
            float value;
            std::memcpy(&value, &bits, 4);
            if (!(value >= 0.0f && value <= 1.0f)) {
                // A bad value refuses the whole chunk: the bank is put back.
                std::copy(kept, kept + kNumPresets, presets);
                return -1;
            }
            presets[p].values[i] = value;
        }
    }
    setPresetNo(select > (uint32_t)(kNumPresets - 1) ? 0 : (long)select);
    return 0;
}
