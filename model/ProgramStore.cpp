#include "model/ProgramStore.h"

#include <algorithm>
#include <cstring>

namespace dravo {

ProgramStore::ProgramStore(Listener& listener, const PresetTable& contents)
    : listener(listener), contents(contents), chunkBuffer(new unsigned char[kChunkBufferSize]()) {
    fillFromTable();
    takeDefaultRecord();
}

Bank ProgramStore::snapshot() const {
    Bank bank;
    std::copy(records_, records_ + kNumPresets, bank.records);
    bank.current = current_.load();
    return bank;
}

void ProgramStore::fillFromTable() {
    for (int p = 0; p < kNumPresets; p++) {
        writePresetName(records_[p].name, contents.names[p]);
        for (int i = 0; i < kNumPresetParams; i++)
            records_[p].values[i] = (float)contents.values[p][i];
    }
}

void ProgramStore::initializePreset(int n) {
    if (n >= 0 && n < kNumPresets) records_[n] = defaultRecord_;
}

bool ProgramStore::selectPreset(int n) {
    if (n < 0 || n >= kNumPresets) return false;
    loadingPreset_ = true;
    current_ = n;
    listener.applyPreset(records_[n]);
    loadingPreset_ = false;
    listener.bankChanged();
    return true;
}

void ProgramStore::replaceCurrent(const PresetRecord& record) {
    records_[current_.load()] = record;
    selectPreset(current_.load());
}

void ProgramStore::replaceBank(const Bank& bank) {
    std::copy(bank.records, bank.records + kNumPresets, records_);
    selectPreset(bank.current >= 0 && bank.current < kNumPresets ? bank.current : 0);
}

void ProgramStore::setName(const char* name) {
    if (!name) return;
    writePresetName(currentRecord().name, name);
    listener.bankChanged();
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

void ProgramStore::keepParameter(Param p, float value) {
    if (sameInEveryPreset(p)) setValueAllPresets(index(p), value);
    if (!isLoadingPreset()) setValue(index(p), value);
}

int32_t ProgramStore::getChunk(void** data) {
    if (!data) return 0;
    const size_t size = codec().bankToChunk(snapshot(), chunkBuffer.get());
    *data = chunkBuffer.get();
    return (int32_t)size;
}

int32_t ProgramStore::setChunk(const void* data, int32_t byteSize) {
    if (!data || byteSize < 0) return -1;
    Bank bank = snapshot();
    if (!codec().loadChunk(data, (size_t)byteSize, bank)) return -1;
    replaceBank(bank);
    return 0;
}

} // namespace dravo
