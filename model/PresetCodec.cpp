#include "model/PresetCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

std::FILE* diagnosticStream = nullptr; // null: the standard error stream

std::FILE* diagnostics() {
    return diagnosticStream ? diagnosticStream : stderr;
}

uint32_t swap32(uint32_t v) {
    return __builtin_bswap32(v);
}

// 32-bit fields are read through memcpy: buffers carry no alignment.
int32_t readInt(const char* p, bool swapOrder) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    if (swapOrder) v = swap32(v);
    return (int32_t)v;
}

float readFloat(const char* p, bool swapOrder) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    if (swapOrder) v = swap32(v);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

void writeInt(char* p, int32_t v) {
    std::memcpy(p, &v, 4);
}
void writeFloat(char* p, float v) {
    std::memcpy(p, &v, 4);
}

// A name taken from a buffer: its 24 bytes, cut to 23 characters so the
// record always holds a terminated name.
void loadName(PresetRecord& record, const char* bytes) {
    char name[kPresetNameSize + 1] = {};
    std::memcpy(name, bytes, kPresetNameSize);
    writePresetName(record.name, name);
}

bool inUnitRange(float v) {
    return v >= 0.0f && v <= 1.0f;
} // false for NaN

struct BankCopy {
    PresetRecord records[kNumPresets];
};

} // namespace

void PresetCodec::setDiagnosticStream(std::FILE* stream) {
    diagnosticStream = stream;
}

void mySwapBytes(void* word) {
    uint32_t v;
    std::memcpy(&v, word, 4);
    v = swap32(v);
    std::memcpy(word, &v, 4);
}

void byteSwapHeader(newpresetheader* header) {
    // The nine words after uniqueId (4 bytes) and typeCode (1 byte). The
    // unique ID stays as stored: it is what told the order.
    unsigned char* bytes = reinterpret_cast<unsigned char*>(header);
    for (size_t offset = kHeaderFormatVersionAt; offset < sizeof(newpresetheader); offset += 4)
        mySwapBytes(bytes + offset);
}

int PresetCodec::storedParamCount() {
    int n = 0;
    for (int i = 0; i < kNumPresetParams; i++)
        if (!store.owner().isDummy(i)) n++;
    return n;
}

void PresetCodec::fillHeader(newpresetheader& header, char typeCode, int32_t numRecords,
                             int32_t selectedPreset, int32_t bodySize) {
    std::memset(&header, 0, sizeof header);
    header.uniqueId = store.owner().getUniqueID();
    header.typeCode = typeCode;
    header.formatVersion = kPresetFormatVersion;
    // 38 even though the placeholders have no records: as ever written.
    header.numParams = kNumPresetParams;
    header.numRecords = numRecords;
    header.selectedPreset = selectedPreset;
    header.bodySize = bodySize;
}

namespace {

// Appends the name record and the value records of one preset at p; returns
// the position after them. A value outside 0..1 (a host may store any finite
// value through setParameter) is clamped with a diagnostic line, and one that
// is not a number is saved as 0, so every buffer written here loads again.
// The diagnostic's wording and the zero words of both records are part of
// what this layout has always carried; keep them.
char* writePresetRecords(char* p, ProgramStore::Owner& owner, const PresetRecord& record,
                         int32_t presetIndex) {
    std::memset(p, 0, kRecordHeadSize + kNameRecordLength);
    writeInt(p, kRecordKindName);
    writeInt(p + 4, kNameRecordLength);
    writeInt(p + 8, presetIndex);
    std::memcpy(p + kRecordHeadSize, record.name, kPresetNameSize);
    p += kRecordHeadSize + kNameRecordLength;
    for (int i = 0; i < kNumPresetParams; i++) {
        if (owner.isDummy(i)) continue;
        float v = record.values[i];
        if (!inUnitRange(v)) {
            float clamped = v > 1.0f ? 1.0f : 0.0f;
            std::fprintf(diagnostics(), "Invalid parameter %d value %f on save of preset %d %s\n",
                         i, (double)v, (int)presetIndex, record.name);
            v = clamped;
        }
        std::memset(p, 0, kRecordHeadSize + kValueRecordLength);
        writeInt(p, kRecordKindValue);
        writeInt(p + 4, kValueRecordLength);
        writeInt(p + 8, presetIndex);
        writeInt(p + kRecordHeadSize + kValueIndexAt, i);
        writeFloat(p + kRecordHeadSize + kValueAt, v);
        p += kRecordHeadSize + kValueRecordLength;
    }
    return p;
}

// One record of a preset or bank body: its kind, payload length, preset
// number and payload.
struct Record {
    int32_t kind;
    int32_t length;
    int32_t preset;
    const char* payload;
};

// Calls visit for each of the header's records in body, checking first that
// the record lies inside the body. Returns false when a record would run past
// the body or visit refuses one.
template <typename Visit>
bool forEachRecord(const char* body, const newpresetheader& header, bool swapOrder, Visit visit) {
    const size_t bodySize = (size_t)header.bodySize;
    size_t pos = 0;
    for (int32_t r = 0; r < header.numRecords; r++) {
        if (bodySize - pos < kRecordHeadSize) return false;
        const char* head = body + pos;
        Record record{readInt(head, swapOrder), readInt(head + 4, swapOrder),
                      readInt(head + 8, swapOrder), head + kRecordHeadSize};
        if (record.length < 0 || (size_t)record.length > bodySize - pos - kRecordHeadSize)
            return false;
        pos += kRecordHeadSize + (size_t)record.length;
        if (!visit(record)) return false;
    }
    return true;
}

} // namespace

int32_t PresetCodec::presetToBuffer(char** out) {
    *out = nullptr;
    PresetRecord* presets = store.records();
    const int n = storedParamCount();
    const int32_t bodySize =
        (int32_t)(kRecordHeadSize + kNameRecordLength + n * (kRecordHeadSize + kValueRecordLength));
    const int32_t size = (int32_t)sizeof(newpresetheader) + bodySize;
    char* buffer = new (std::nothrow) char[size];
    if (!buffer) return 0;
    newpresetheader header;
    // A preset buffer's records carry preset index 0 and its header selects 0.
    fillHeader(header, kBufferTypePreset, 1 + n, 0, bodySize);
    std::memcpy(buffer, &header, sizeof header);
    const PresetRecord& record = presets[store.current()];
    writePresetRecords(buffer + sizeof header, store.owner(), record, 0);
    *out = buffer;
    return size;
}

int32_t PresetCodec::bankToBuffer(char** out) {
    *out = nullptr;
    PresetRecord* presets = store.records();
    const int n = storedParamCount();
    const int32_t bodySize = (int32_t)(kNumPresets * (kRecordHeadSize + kNameRecordLength +
                                                      n * (kRecordHeadSize + kValueRecordLength)));
    const int32_t size = (int32_t)sizeof(newpresetheader) + bodySize;
    char* buffer = new (std::nothrow) char[size];
    if (!buffer) return 0;
    newpresetheader header;
    fillHeader(header, kBufferTypeBank, kNumPresets * (1 + n), (int32_t)store.current(), bodySize);
    std::memcpy(buffer, &header, sizeof header);
    char* p = buffer + sizeof header;
    for (int preset = 0; preset < kNumPresets; preset++)
        p = writePresetRecords(p, store.owner(), presets[preset], preset);
    *out = buffer;
    return size;
}

// A preset loaded into record c: its name in the bar and the menu, then the
// record renamed and replayed through the plug-in.
void PresetCodec::showLoadedPreset(long c) {
    char name[kPresetNameSize + 1] = {};
    std::memcpy(name, store.records()[c].name, kPresetNameSize);
    if (view) {
        view->setNameField(name);
        view->setMenuEntryTitle((int)c, name);
    }
    store.owner().setPresetName(name);
    store.owner().setPresetNo(c);
}

void PresetCodec::restoreView() {
    if (!view) return;
    PresetRecord* presets = store.records();
    for (int p = 0; p < kNumPresets; p++)
        view->setMenuEntryTitle(p, presets[p].name);
    const long current = store.current();
    view->setMenuEntry((int)current);
    view->setNameField(presets[current].name);
}

bool PresetCodec::bufferToPreset(const char* body, const newpresetheader& header, bool swapOrder) {
    PresetRecord* presets = store.records();
    if (!body || header.numRecords < 0 || header.bodySize < 0) return false;
    const long c = store.current();
    const PresetRecord kept = presets[c];
    store.initializePreset(c);

    auto putBack = [&] {
        presets[c] = kept;
        restoreView();
        return false;
    };
    const bool loaded = forEachRecord(body, header, swapOrder, [&](const Record& r) {
        if (r.kind == kRecordKindName) {
            if ((size_t)r.length < kNamePayloadSize) return false;
            loadName(presets[c], r.payload);
            if (view) {
                view->setMenuEntry((int)c);
                view->setMenuEntryTitle((int)c, presets[c].name);
            }
        } else if (r.kind == kRecordKindValue) {
            if ((size_t)r.length < kValuePayloadSize) return false;
            const int32_t index = readInt(r.payload + kValueIndexAt, swapOrder);
            const float value = readFloat(r.payload + kValueAt, swapOrder);
            // Unlike a bank, a preset buffer with a value outside 0..1 is
            // refused, not clamped: kept as it has always loaded.
            if (index >= 0 && index < kNumPresetParams) {
                if (!inUnitRange(value)) return false;
                presets[c].values[index] = value;
            }
        }
        return true;
    });
    if (!loaded) return putBack();

    showLoadedPreset(c);
    return true;
}

bool PresetCodec::bufferToPresetOld(const char* data, bool swapOrder, int numValues) {
    PresetRecord* presets = store.records();
    if (!data || numValues < 0) return false;
    const long c = store.current();
    const PresetRecord kept = presets[c];
    store.initializePreset(c);
    loadName(presets[c], data);
    const int count = numValues < kNumPresetParams ? numValues : kNumPresetParams;
    for (int i = 0; i < count; i++) {
        if (store.owner().isDummyOld(i)) continue;
        const float value = readFloat(data + kPresetNameSize + 4 * i, swapOrder);
        if (!inUnitRange(value)) {
            presets[c] = kept;
            restoreView();
            return false;
        }
        presets[c].values[i] = value;
    }

    showLoadedPreset(c);
    return true;
}

bool PresetCodec::bufferToBank(const char* body, const newpresetheader& header, bool swapOrder) {
    PresetRecord* presets = store.records();
    if (!body || header.numRecords < 0 || header.bodySize < 0) return false;
    const int s = header.selectedPreset >= 0 && header.selectedPreset < kNumPresets
                      ? header.selectedPreset
                      : 0;
    BankCopy kept;
    std::copy(presets, presets + kNumPresets, kept.records);
    auto putBack = [&] {
        std::copy(kept.records, kept.records + kNumPresets, presets);
        restoreView();
        return false;
    };

    const bool loaded = forEachRecord(body, header, swapOrder, [&](const Record& r) {
        const int32_t p = r.preset;
        if (p < 0 || p >= kNumPresets) return true;
        if (r.kind == kRecordKindName) {
            if ((size_t)r.length < kNamePayloadSize) return false;
            store.initializePreset(p);
            loadName(presets[p], r.payload);
            if (view) {
                view->setMenuEntry(p);
                view->setMenuEntryTitle(p, presets[p].name);
            }
        } else if (r.kind == kRecordKindValue) {
            if ((size_t)r.length < kValuePayloadSize) return false;
            const int32_t index = readInt(r.payload + kValueIndexAt, swapOrder);
            float value = readFloat(r.payload + kValueAt, swapOrder);
            // Clamped (and reported) first, then a record for no parameter is
            // skipped; only a value that would be stored can refuse the bank.
            // The line names the preset by its name as loaded so far; the
            // wording and this order are kept as they have always been.
            if (value < 0.0f || value > 1.0f) {
                std::fprintf(diagnostics(),
                             "Invalid parameter %d value %f on load of preset %d %s\n", (int)index,
                             (double)value, (int)p, presets[p].name);
                value = value < 0.0f ? 0.0f : 1.0f;
            }
            if (index < 0 || index >= kNumPresetParams) return true;
            if (std::isnan(value)) return false;
            presets[p].values[index] = value;
        }
        return true;
    });
    if (!loaded) return putBack();

    if (view) {
        view->setMenuEntry(s);
        view->setNameField(presets[s].name);
    }
    store.owner().setPresetNo(s);
    return true;
}

bool PresetCodec::bufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues) {
    PresetRecord* presets = store.records();
    if (!data || numPresets < 0 || numValues < 0) return false;
    BankCopy kept;
    std::copy(presets, presets + kNumPresets, kept.records);
    const size_t stride = kPresetNameSize + 4 * (size_t)numValues;
    const int presetCount = numPresets < kNumPresets ? numPresets : kNumPresets;
    const int count = numValues < kNumPresetParams ? numValues : kNumPresetParams;
    for (int p = 0; p < presetCount; p++) {
        const char* block = data + stride * (size_t)p;
        store.initializePreset(p);
        loadName(presets[p], block);
        if (view) view->setMenuEntryTitle(p, presets[p].name);
        for (int i = 0; i < count; i++) {
            if (store.owner().isDummyOld(i)) continue;
            const float value = readFloat(block + kPresetNameSize + 4 * i, swapOrder);
            if (!inUnitRange(value)) {
                std::copy(kept.records, kept.records + kNumPresets, presets);
                restoreView();
                return false;
            }
            presets[p].values[i] = value;
        }
    }
    if (view) {
        view->setMenuEntry(0);
        view->setNameField(presets[0].name);
    }
    store.owner().setPresetNo(0);
    return true;
}

int PresetCodec::byteOrderOf(const char* data) {
    const int32_t id = store.owner().getUniqueID();
    const int32_t stored = readInt(data, false);
    // Reversed is asked first: an ID that reads the same both ways counts as
    // reversed, as it always has.
    if ((uint32_t)stored == swap32((uint32_t)id)) return 1;
    if (stored == id) return 0;
    return -1;
}

bool PresetCodec::readHeader(const char* data, size_t size, bool swapOrder,
                             newpresetheader& header) {
    if (!data || size < sizeof header) return false;
    std::memcpy(&header, data, sizeof header);
    if (swapOrder) byteSwapHeader(&header);
    return header.bodySize >= 0 && (size_t)header.bodySize <= size - sizeof header;
}

bool PresetCodec::loadPresetBuffer(const char* data, size_t size, bool reversed) {
    if (!data || size <= 4 || size < kOldPrefixSize) return false;
    const int order = byteOrderOf(data);
    if (order < 0) return false;
    const bool swapOrder = (order == 1) != reversed;
    const char type = data[4];
    if (type == kBufferTypePresetOld) {
        // A 24-byte name, then as many whole floats as the buffer holds.
        if (size < kOldPrefixSize + kPresetNameSize) return false;
        const size_t numValues = (size - kOldPrefixSize - kPresetNameSize) / 4;
        return bufferToPresetOld(data + kOldPrefixSize, swapOrder,
                                 numValues > kNumPresetParams ? kNumPresetParams : (int)numValues);
    }
    if (type == kBufferTypePreset) {
        newpresetheader header;
        if (!readHeader(data, size, swapOrder, header)) return false;
        return bufferToPreset(data + sizeof header, header, swapOrder);
    }
    return false;
}

bool PresetCodec::loadBankBuffer(const char* data, size_t size, bool reversed) {
    if (!data || size <= 4 || size < kOldPrefixSize) return false;
    const int order = byteOrderOf(data);
    if (order < 0) return false;
    const bool swapOrder = (order == 1) != reversed;
    const char type = data[4];
    if (type == kBufferTypeBankOld) {
        // 22 blocks of equal size, each a 24-byte name and N floats. The old
        // layout stores no counts: N follows from the size, as it always has.
        const size_t block = (size - kOldPrefixSize) / kNumPresets;
        if (block < kPresetNameSize) return false;
        const size_t numValues = (block - kPresetNameSize) / 4;
        if (numValues > (size_t)INT32_MAX / 8) return false;
        return bufferToBankOld(data + kOldPrefixSize, swapOrder, kNumPresets, (int)numValues);
    }
    if (type == kBufferTypeBank) {
        newpresetheader header;
        if (!readHeader(data, size, swapOrder, header)) return false;
        return bufferToBank(data + sizeof header, header, swapOrder);
    }
    return false;
}
