#include "model/ProgramStore.h"

#include <algorithm>
#include <cstring>

#include "model/PresetCodec.h"

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

ProgramStore::ProgramStore(Owner& owner, const PresetTable& contents)
    : owner_(owner), contents(contents), chunkScratch(new unsigned char[kChunkScratchSize]()),
      chunkBuffer(new unsigned char[kChunkBufferSize]()) {
    fillFromTable();
    takeDefaultRecord();
}

void ProgramStore::fillFromTable() {
    for (int p = 0; p < kNumPresets; p++) {
        writePresetName(records_[p].name, contents.names[p]);
        for (int i = 0; i < kNumPresetParams; i++)
            records_[p].values[i] = (float)contents.values[p][i];
    }
}

void ProgramStore::initializePreset(long n) {
    if (n >= 0 && n < kNumPresets) records_[n] = defaultRecord_;
}

void ProgramStore::setName(const char* name) {
    if (name) writePresetName(currentRecord().name, name);
}

void ProgramStore::setValue(int index, float value) {
    if (index >= 0 && index < kNumPresetParams) currentRecord().values[index] = value;
}

float ProgramStore::value(int index) const {
    if (index < 0 || index >= kNumPresetParams) return -1.0f;
    return records_[current_.load()].values[index];
}

void ProgramStore::setValueAllPresets(int index, float value) {
    if (index < 0 || index >= kNumPresetParams) return;
    for (int p = 0; p < kNumPresets; p++)
        records_[p].values[index] = value;
}

int32_t ProgramStore::getChunk(void** data) {
    return getChunk(data, [this](char** out) { return PresetCodec(*this).bankToBuffer(out); });
}

// The chunk is always the whole bank, whatever the host asks for.
int32_t ProgramStore::getChunk(void** data, const BankWriter& writeBank) {
    if (!data) return 0;
    unsigned char* chunk = chunkBuffer.get();
    std::memset(chunk, 0, kChunkBufferSize);
    // Tag and ID in the machine's byte order; a reader tells the order by the ID.
    const uint32_t tag = kChunkTagBank;
    const int32_t id = owner_.getUniqueID();
    std::memcpy(chunk, &tag, 4);
    std::memcpy(chunk + 4, &id, 4);

    char* bank = nullptr;
    const int32_t size = writeBank(&bank);
    if (!bank || size <= 0 || (size_t)size > kChunkBufferSize - kChunkPrefixSize) {
        delete[] bank;
        return 0;
    }
    std::memcpy(chunk + kChunkPrefixSize, bank, (size_t)size);
    delete[] bank;
    *data = chunk;
    return size + (int32_t)kChunkPrefixSize;
}

int32_t ProgramStore::setChunk(const void* data, int32_t byteSize) {
    return setChunk(data, byteSize,
                    [this](const char* body, const newpresetheader& header, bool swapOrder) {
                        return PresetCodec(*this).bufferToBank(body, header, swapOrder);
                    });
}

int32_t ProgramStore::setChunk(const void* data, int32_t byteSize, const BankReader& readBank) {
    if (!data || byteSize < (int32_t)kChunkPrefixSize) return -1;
    const size_t size = (size_t)byteSize;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    // The host's memory is only read: the prefix is examined in a copy.
    std::memcpy(chunkScratch.get(), bytes, kChunkPrefixSize);
    const uint32_t id = (uint32_t)owner_.getUniqueID();
    const uint32_t storedId = readWord(chunkScratch.get() + 4, false);
    bool swapOrder;
    if (storedId == id)
        swapOrder = false;
    else if (storedId == __builtin_bswap32(id))
        swapOrder = true;
    else
        return -1;
    const uint32_t tag = readWord(chunkScratch.get(), swapOrder);

    if (tag == kChunkTagOld) return setChunkOld(bytes, size, swapOrder);
    if (tag != kChunkTagBank) return -1;

    const char* bank = reinterpret_cast<const char*>(bytes + kChunkPrefixSize);
    newpresetheader header;
    if (!PresetCodec::readHeader(bank, size - kChunkPrefixSize, swapOrder, header)) return -1;
    return readBank(bank + sizeof header, header, swapOrder) ? 0 : -1;
}

// Old chunk layout: tag, unique ID, preset count P, preset to select, four
// reserved words (32 bytes), then P blocks of a 24-byte name and N floats.
// Kept as old sessions wrote it: N is not stored but follows from the chunk's
// size (every block the same size, bytes left over ignored), a preset to
// select beyond 21 selects preset 0, and the placeholders are not read.
int32_t ProgramStore::setChunkOld(const unsigned char* data, size_t size, bool swapOrder) {
    if (size < kOldChunkHeaderSize) return -1;
    unsigned char* scratch = chunkScratch.get();
    std::memcpy(scratch, data, size < kChunkScratchSize ? size : kChunkScratchSize);
    const int32_t numPresets = (int32_t)readWord(scratch + kOldChunkCountAt, swapOrder);
    const uint32_t select = readWord(scratch + kOldChunkSelectAt, swapOrder);
    if (numPresets <= 0) return -1;
    // Every block has the same size; N is what a block holds after its name.
    const size_t block = (size - kOldChunkHeaderSize) / (size_t)numPresets;
    if (block < kPresetNameSize) return -1;
    const size_t numValues = (block - kPresetNameSize) / 4;
    const size_t stride = kPresetNameSize + 4 * numValues;
    const int presetCount = numPresets < kNumPresets ? numPresets : kNumPresets;
    const size_t valueCount = numValues < (size_t)kNumPresetParams ? numValues : kNumPresetParams;

    PresetRecord kept[kNumPresets];
    std::copy(records_, records_ + kNumPresets, kept);
    for (int p = 0; p < presetCount; p++) {
        const unsigned char* record = data + kOldChunkHeaderSize + stride * (size_t)p;
        initializePreset(p);
        char name[kPresetNameSize + 1] = {};
        std::memcpy(name, record, kPresetNameSize);
        writePresetName(records_[p].name, name);
        for (size_t i = 0; i < valueCount; i++) {
            if (owner_.isDummyOld((int)i)) continue;
            const uint32_t bits = readWord(record + kPresetNameSize + 4 * i, swapOrder);
            float value;
            std::memcpy(&value, &bits, 4);
            if (!(value >= 0.0f && value <= 1.0f)) {
                // A bad value refuses the whole chunk: the bank is put back.
                std::copy(kept, kept + kNumPresets, records_);
                return -1;
            }
            records_[p].values[i] = value;
        }
    }
    owner_.setPresetNo(select > (uint32_t)(kNumPresets - 1) ? 0 : (long)select);
    return 0;
}
