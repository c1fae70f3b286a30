#include "model/PresetCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "model/Identity.h"
#include "model/Parameters.h"

namespace dravo {

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

// The parameters that buffers carry: all but the placeholders.
bool isStored(int index) {
    return !dravo::isPlaceholderParam(index);
}

int storedParamCount() {
    int n = 0;
    for (int i = 0; i < kNumPresetParams; i++)
        if (isStored(i)) n++;
    return n;
}

PresetBufferHeader makeHeader(char typeCode, int32_t numRecords, int32_t selectedPreset,
                              int32_t bodySize) {
    PresetBufferHeader header;
    std::memset(&header, 0, sizeof header);
    header.uniqueId = dravo::kUniqueId;
    header.typeCode = typeCode;
    header.formatVersion = kPresetFormatVersion;
    // 38 even though the placeholders have no records: as ever written.
    header.numParams = kNumPresetParams;
    header.numRecords = numRecords;
    header.selectedPreset = selectedPreset;
    header.bodySize = bodySize;
    return header;
}

// Which byte order data (at least 4 bytes) has: 1 reversed, 0 machine, -1 foreign.
int byteOrderOf(const void* data) {
    const int32_t stored = readInt(static_cast<const char*>(data), false);
    // Reversed is asked first: an ID that reads the same both ways counts as
    // reversed, as it always has.
    if ((uint32_t)stored == swap32((uint32_t)dravo::kUniqueId)) return 1;
    if (stored == dravo::kUniqueId) return 0;
    return -1;
}

// Appends the name record and the value records of one preset at p; returns
// the position after them. A value outside 0..1 (a host may store any finite
// value through setParameter) is clamped with a diagnostic line, and one that
// is not a number is saved as 0, so every buffer written here loads again.
// The diagnostic's wording and the zero words of both records are part of
// what this layout has always carried; keep them.
char* writePresetRecords(char* p, const PresetRecord& record, int32_t presetIndex) {
    std::memset(p, 0, kRecordHeadSize + kNameRecordLength);
    writeInt(p, kRecordKindName);
    writeInt(p + 4, kNameRecordLength);
    writeInt(p + 8, presetIndex);
    std::memcpy(p + kRecordHeadSize, record.name, kPresetNameSize);
    p += kRecordHeadSize + kNameRecordLength;
    for (int i = 0; i < kNumPresetParams; i++) {
        if (!isStored(i)) continue;
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

int32_t bankBodySize() {
    return (int32_t)(kNumPresets * (kRecordHeadSize + kNameRecordLength +
                                    storedParamCount() * (kRecordHeadSize + kValueRecordLength)));
}

// Writes the bank buffer of bank at out, which holds at least
// kPresetHeaderSize + bankBodySize() bytes; returns its size.
size_t writeBankBuffer(const Bank& bank, char* out) {
    const int32_t bodySize = bankBodySize();
    const PresetBufferHeader header =
        makeHeader(kBufferTypeBank, kNumPresets * (1 + storedParamCount()), bank.current, bodySize);
    std::memcpy(out, &header, sizeof header);
    char* p = out + sizeof header;
    for (int preset = 0; preset < kNumPresets; preset++)
        p = writePresetRecords(p, bank.records[preset], preset);
    return sizeof header + (size_t)bodySize;
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
bool forEachRecord(const char* body, const PresetBufferHeader& header, bool swapOrder,
                   Visit visit) {
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

void PresetCodec::setDiagnosticStream(std::FILE* stream) {
    diagnosticStream = stream;
}

void swapWordBytes(void* word) {
    uint32_t v;
    std::memcpy(&v, word, 4);
    v = swap32(v);
    std::memcpy(word, &v, 4);
}

void byteSwapHeader(PresetBufferHeader* header) {
    // The nine words after uniqueId (4 bytes) and typeCode (1 byte). The
    // unique ID stays as stored: it is what told the order.
    unsigned char* bytes = reinterpret_cast<unsigned char*>(header);
    for (size_t offset = kHeaderFormatVersionAt; offset < sizeof(PresetBufferHeader); offset += 4)
        swapWordBytes(bytes + offset);
}

std::vector<char> PresetCodec::presetToBuffer(const PresetRecord& preset) const {
    const int n = storedParamCount();
    const int32_t bodySize =
        (int32_t)(kRecordHeadSize + kNameRecordLength + n * (kRecordHeadSize + kValueRecordLength));
    std::vector<char> buffer;
    try {
        buffer.resize(sizeof(PresetBufferHeader) + (size_t)bodySize);
    } catch (const std::bad_alloc&) {
        return {};
    }
    // A preset buffer's records carry preset index 0 and its header selects 0.
    const PresetBufferHeader header = makeHeader(kBufferTypePreset, 1 + n, 0, bodySize);
    std::memcpy(buffer.data(), &header, sizeof header);
    writePresetRecords(buffer.data() + sizeof header, preset, 0);
    return buffer;
}

std::vector<char> PresetCodec::bankToBuffer(const Bank& bank) const {
    std::vector<char> buffer;
    try {
        buffer.resize(sizeof(PresetBufferHeader) + (size_t)bankBodySize());
    } catch (const std::bad_alloc&) {
        return {};
    }
    writeBankBuffer(bank, buffer.data());
    return buffer;
}

// The chunk is always the whole bank: the prefix, tag and ID in the machine's
// byte order (a reader tells the order by the ID), then the bank buffer.
size_t PresetCodec::bankToChunk(const Bank& bank, unsigned char* out) const {
    std::memset(out, 0, kChunkBufferSize);
    const uint32_t tag = kChunkTagBank;
    const int32_t id = dravo::kUniqueId;
    std::memcpy(out, &tag, 4);
    std::memcpy(out + 4, &id, 4);
    return kChunkPrefixSize +
           writeBankBuffer(bank, reinterpret_cast<char*>(out) + kChunkPrefixSize);
}

bool PresetCodec::bufferToPreset(const char* body, const PresetBufferHeader& header, bool swapOrder,
                                 PresetRecord& preset) const {
    if (!body || header.numRecords < 0 || header.bodySize < 0) return false;
    PresetRecord loaded = blank;
    const bool ok = forEachRecord(body, header, swapOrder, [&](const Record& r) {
        if (r.kind == kRecordKindName) {
            if ((size_t)r.length < kNamePayloadSize) return false;
            loadName(loaded, r.payload);
        } else if (r.kind == kRecordKindValue) {
            if ((size_t)r.length < kValuePayloadSize) return false;
            const int32_t index = readInt(r.payload + kValueIndexAt, swapOrder);
            const float value = readFloat(r.payload + kValueAt, swapOrder);
            // Unlike a bank, a preset buffer with a value outside 0..1 is
            // refused, not clamped: kept as it has always loaded.
            if (index >= 0 && index < kNumPresetParams) {
                if (!inUnitRange(value)) return false;
                loaded.values[index] = value;
            }
        }
        return true;
    });
    if (ok) preset = loaded;
    return ok;
}

bool PresetCodec::bufferToPresetOld(const char* data, bool swapOrder, int numValues,
                                    PresetRecord& preset) const {
    if (!data || numValues < 0) return false;
    PresetRecord loaded = blank;
    loadName(loaded, data);
    const int count = numValues < kNumPresetParams ? numValues : kNumPresetParams;
    for (int i = 0; i < count; i++) {
        if (!isStored(i)) continue;
        const float value = readFloat(data + kPresetNameSize + 4 * i, swapOrder);
        if (!inUnitRange(value)) return false;
        loaded.values[i] = value;
    }
    preset = loaded;
    return true;
}

bool PresetCodec::bufferToBank(const char* body, const PresetBufferHeader& header, bool swapOrder,
                               Bank& bank) const {
    if (!body || header.numRecords < 0 || header.bodySize < 0) return false;
    Bank loaded = bank;
    const bool ok = forEachRecord(body, header, swapOrder, [&](const Record& r) {
        const int32_t p = r.preset;
        if (p < 0 || p >= kNumPresets) return true;
        PresetRecord& record = loaded.records[p];
        if (r.kind == kRecordKindName) {
            if ((size_t)r.length < kNamePayloadSize) return false;
            record = blank;
            loadName(record, r.payload);
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
                             (double)value, (int)p, record.name);
                value = value < 0.0f ? 0.0f : 1.0f;
            }
            if (index < 0 || index >= kNumPresetParams) return true;
            if (std::isnan(value)) return false;
            record.values[index] = value;
        }
        return true;
    });
    if (!ok) return false;
    loaded.current = header.selectedPreset >= 0 && header.selectedPreset < kNumPresets
                         ? header.selectedPreset
                         : 0;
    bank = loaded;
    return true;
}

bool PresetCodec::bufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues,
                                  Bank& bank) const {
    if (!data || numPresets < 0 || numValues < 0) return false;
    Bank loaded = bank;
    const size_t stride = kPresetNameSize + 4 * (size_t)numValues;
    const int presetCount = numPresets < kNumPresets ? numPresets : kNumPresets;
    const int count = numValues < kNumPresetParams ? numValues : kNumPresetParams;
    for (int p = 0; p < presetCount; p++) {
        const char* block = data + stride * (size_t)p;
        PresetRecord& record = loaded.records[p];
        record = blank;
        loadName(record, block);
        for (int i = 0; i < count; i++) {
            if (!isStored(i)) continue;
            const float value = readFloat(block + kPresetNameSize + 4 * i, swapOrder);
            if (!inUnitRange(value)) return false;
            record.values[i] = value;
        }
    }
    loaded.current = 0;
    bank = loaded;
    return true;
}

bool PresetCodec::readHeader(const char* data, size_t size, bool swapOrder,
                             PresetBufferHeader& header) {
    if (!data || size < sizeof header) return false;
    std::memcpy(&header, data, sizeof header);
    if (swapOrder) byteSwapHeader(&header);
    return header.bodySize >= 0 && (size_t)header.bodySize <= size - sizeof header;
}

bool PresetCodec::loadPresetBuffer(const char* data, size_t size, bool reversed,
                                   PresetRecord& preset) const {
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
                                 numValues > kNumPresetParams ? kNumPresetParams : (int)numValues,
                                 preset);
    }
    if (type == kBufferTypePreset) {
        PresetBufferHeader header;
        if (!readHeader(data, size, swapOrder, header)) return false;
        return bufferToPreset(data + sizeof header, header, swapOrder, preset);
    }
    return false;
}

bool PresetCodec::loadBankBuffer(const char* data, size_t size, bool reversed, Bank& bank) const {
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
        return bufferToBankOld(data + kOldPrefixSize, swapOrder, kNumPresets, (int)numValues, bank);
    }
    if (type == kBufferTypeBank) {
        PresetBufferHeader header;
        if (!readHeader(data, size, swapOrder, header)) return false;
        return bufferToBank(data + sizeof header, header, swapOrder, bank);
    }
    return false;
}

bool PresetCodec::loadChunk(const void* data, size_t size, Bank& bank) const {
    if (!data || size < kChunkPrefixSize || size > (size_t)INT32_MAX) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const int order = byteOrderOf(bytes + 4);
    if (order < 0) return false;
    const bool swapOrder = order == 1;
    const uint32_t tag = (uint32_t)readInt(reinterpret_cast<const char*>(bytes), swapOrder);
    if (tag == kChunkTagOld) return loadOldChunk(bytes, size, swapOrder, bank);
    if (tag != kChunkTagBank) return false;
    const char* buffer = reinterpret_cast<const char*>(bytes + kChunkPrefixSize);
    PresetBufferHeader header;
    if (!readHeader(buffer, size - kChunkPrefixSize, swapOrder, header)) return false;
    return bufferToBank(buffer + sizeof header, header, swapOrder, bank);
}

// Old chunk layout: tag, unique ID, preset count P, preset to select, four
// reserved words (32 bytes), then P blocks of a 24-byte name and N floats.
// Kept as old sessions wrote it: N is not stored but follows from the chunk's
// size (every block the same size, bytes left over ignored), a preset to
// select beyond 21 selects preset 0, and the placeholders are not read.
bool PresetCodec::loadOldChunk(const unsigned char* data, size_t size, bool swapOrder,
                               Bank& bank) const {
    if (size < kOldChunkHeaderSize) return false;
    const char* bytes = reinterpret_cast<const char*>(data);
    const int32_t numPresets = readInt(bytes + kOldChunkCountAt, swapOrder);
    const uint32_t select = (uint32_t)readInt(bytes + kOldChunkSelectAt, swapOrder);
    if (numPresets <= 0) return false;
    // Every block has the same size; N is what a block holds after its name.
    const size_t block = (size - kOldChunkHeaderSize) / (size_t)numPresets;
    if (block < kPresetNameSize) return false;
    const size_t numValues = (block - kPresetNameSize) / 4;
    const size_t stride = kPresetNameSize + 4 * numValues;
    const int presetCount = numPresets < kNumPresets ? numPresets : kNumPresets;
    const int valueCount = numValues < (size_t)kNumPresetParams ? (int)numValues : kNumPresetParams;
    Bank loaded = bank;
    for (int p = 0; p < presetCount; p++) {
        const char* record = bytes + kOldChunkHeaderSize + stride * (size_t)p;
        PresetRecord& preset = loaded.records[p];
        preset = blank;
        loadName(preset, record);
        for (int i = 0; i < valueCount; i++) {
            if (!isStored(i)) continue;
            const float value = readFloat(record + kPresetNameSize + 4 * i, swapOrder);
            // A bad value refuses the whole chunk.
            if (!inUnitRange(value)) return false;
            preset.values[i] = value;
        }
    }
    loaded.current = select > (uint32_t)(kNumPresets - 1) ? 0 : (int)select;
    bank = loaded;
    return true;
}

} // namespace dravo
