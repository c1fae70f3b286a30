// Helpers for the preset tests: a program store with Dravo's placeholder set
// that records what it replays, and builders for chunks and buffers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "model/FactoryPresets.h"
#include "model/Parameters.h"
#include "vst/CPresetSystemEffect.h"

namespace presettest {

using namespace dravo;

constexpr VstInt32 kDravoId = fourCC('Z', 'k', 'V', 'w');
constexpr int kStoredParams = 28; // 38 minus the ten placeholders

// A store without an engine: keeps setParameter's contract towards the store
// (no storing while a preset is replayed) and records the replay.
class TestStore : public CPresetSystemEffect {
  public:
    TestStore() : CPresetSystemEffect(nullptr, kFactoryPresetTable) { setUniqueID(kDravoId); }
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        if (isLoadingPreset())
            replayed.emplace_back(index, value);
        else
            CPresetSystemEffect::setParameter(index, value);
    }
    bool updateDisplay() override {
        displayUpdates++;
        return false;
    }
    bool beginEdit(VstInt32 index) override {
        edits.push_back("begin " + std::to_string(index));
        return false;
    }
    bool endEdit(VstInt32 index) override {
        edits.push_back("end " + std::to_string(index));
        return false;
    }
    void bankChanged() override { bankChanges++; }
    void initializePreset(int n) { store.initializePreset(n); }
    const PresetRecord& getDefaultRecord() const { return store.defaultRecord(); }
    PresetRecord& record(int p) { return getPresets()[p]; }
    std::string name(int p) { return std::string(getPresets()[p].name); }
    std::vector<PresetRecord> bank() {
        return std::vector<PresetRecord>(getPresets(), getPresets() + kNumPresets);
    }

    std::vector<std::pair<int, float>> replayed;
    int displayUpdates = 0;
    int bankChanges = 0;
    std::vector<std::string> edits;
};

inline bool sameBank(const std::vector<PresetRecord>& a, const std::vector<PresetRecord>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

inline void putWord(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}
inline uint32_t getWord(const std::vector<unsigned char>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
inline void putFloat(std::vector<unsigned char>& b, size_t at, float v) {
    std::memcpy(b.data() + at, &v, 4);
}
inline void swapWord(std::vector<unsigned char>& b, size_t at) {
    putWord(b, at, __builtin_bswap32(getWord(b, at)));
}

// Writes a current-layout buffer (header + records) as another plug-in
// version or a hostile source might: every field given explicitly.
class BufferWriter {
  public:
    BufferWriter(char typeCode, VstInt32 selected = 0) : bytes(41, 0) {
        putWord(bytes, 0, (uint32_t)kDravoId);
        bytes[4] = (unsigned char)typeCode;
        putWord(bytes, 5, 0x01080000);
        putWord(bytes, 9, 38);
        putWord(bytes, 17, (uint32_t)selected);
    }
    BufferWriter& name(VstInt32 preset, const char* text) {
        size_t at = head(0, 156, preset);
        std::memcpy(bytes.data() + at, text, std::min<size_t>(std::strlen(text), 24));
        return *this;
    }
    BufferWriter& value(VstInt32 preset, VstInt32 index, float v) {
        size_t at = head(1, 20, preset);
        putWord(bytes, at, (uint32_t)index);
        putFloat(bytes, at + 12, v);
        return *this;
    }
    BufferWriter& record(VstInt32 kind, VstInt32 length, VstInt32 preset) {
        head(kind, length, preset);
        return *this;
    }
    // Header fields as counted from what was written.
    std::vector<unsigned char> finish() {
        putWord(bytes, 13, (uint32_t)records);
        putWord(bytes, 21, (uint32_t)(bytes.size() - 41));
        return bytes;
    }

  private:
    size_t head(VstInt32 kind, VstInt32 length, VstInt32 preset) {
        size_t at = bytes.size();
        bytes.resize(at + 12 + (size_t)(length > 0 ? length : 0), 0);
        putWord(bytes, at, (uint32_t)kind);
        putWord(bytes, at + 4, (uint32_t)length);
        putWord(bytes, at + 8, (uint32_t)preset);
        records++;
        return at + 12;
    }
    std::vector<unsigned char> bytes;
    int records = 0;
};

// The same current-layout buffer as a machine of the other byte order writes
// it: every 32-bit field reversed, names and the type code left alone.
inline std::vector<unsigned char> otherByteOrder(std::vector<unsigned char> b, size_t at = 0) {
    const size_t start = at;
    swapWord(b, at); // uniqueId
    const uint32_t bodySize = getWord(b, at + 21);
    for (size_t o = 5; o < 41; o += 4)
        swapWord(b, at + o);
    size_t pos = at + 41;
    const size_t end = start + 41 + bodySize;
    while (pos + 12 <= end) {
        const uint32_t kind = getWord(b, pos);
        const uint32_t length = getWord(b, pos + 4);
        for (size_t o = 0; o < 12; o += 4)
            swapWord(b, pos + o);
        if (kind == 1)
            for (size_t o = 12; o < 32; o += 4)
                swapWord(b, pos + o);
        pos += 12 + length;
    }
    return b;
}

// A host chunk in the other byte order: the 8-byte prefix and the bank.
inline std::vector<unsigned char> chunkInOtherByteOrder(std::vector<unsigned char> chunk) {
    swapWord(chunk, 0);
    swapWord(chunk, 4);
    return otherByteOrder(std::move(chunk), 8);
}

// An old-layout chunk: 32-byte header, then per preset a 24-byte name and
// numValues floats (value(p, i) gives them).
template <typename ValueOf>
std::vector<unsigned char> oldChunk(int numPresets, int numValues, uint32_t select,
                                    ValueOf valueOf) {
    std::vector<unsigned char> b(32 + (size_t)numPresets * (24 + 4 * (size_t)numValues), 0);
    putWord(b, 0, 0x01000000);
    putWord(b, 4, (uint32_t)kDravoId);
    putWord(b, 8, (uint32_t)numPresets);
    putWord(b, 12, select);
    for (int p = 0; p < numPresets; p++) {
        size_t at = 32 + (size_t)p * (24 + 4 * (size_t)numValues);
        std::string n = "Old " + std::to_string(p);
        std::memcpy(b.data() + at, n.c_str(), n.size());
        for (int i = 0; i < numValues; i++)
            putFloat(b, at + 24 + 4 * (size_t)i, valueOf(p, i));
    }
    return b;
}

inline std::vector<unsigned char> oldChunkInOtherByteOrder(std::vector<unsigned char> b,
                                                           int numPresets, int numValues) {
    for (size_t o = 0; o < 32; o += 4)
        swapWord(b, o);
    for (int p = 0; p < numPresets; p++) {
        size_t at = 32 + (size_t)p * (24 + 4 * (size_t)numValues);
        for (int i = 0; i < numValues; i++)
            swapWord(b, at + 24 + 4 * (size_t)i);
    }
    return b;
}

inline const char* chars(const std::vector<unsigned char>& b) {
    return reinterpret_cast<const char*>(b.data());
}

} // namespace presettest
