// The stored layouts of the program store: the host chunk and the preset and
// bank buffers that files, preferences values and the chunk carry. The store
// and the renderer both read this one header; constants and the packed header
// only, so any tool can include it without linking anything.
//
// Every byte here is fixed by files and host sessions already written: none
// of these values may change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravo {

// What the store holds: 22 presets of 38 normalised values each, a name of
// 23 characters and the terminating NUL.
constexpr int kNumPresets = 22;
constexpr int kNumPresetParams = 38;
constexpr int kPresetNameSize = 24;

// ---- Host chunk -----------------------------------------------------------
// An 8-byte prefix (tag, unique ID), then the layout the tag names. The tag
// is read in the byte order the unique ID tells.
constexpr uint32_t kChunkTagOld = 0x01000000;  // 32-byte header, raw records
constexpr uint32_t kChunkTagBank = 0x02000000; // a bank buffer
constexpr size_t kChunkPrefixSize = 8;         // tag and unique ID
// Old chunk: tag, unique ID, preset count, preset to select and four
// reserved words, then per preset a 24-byte name and the values as floats.
constexpr size_t kOldChunkHeaderSize = 32;
constexpr size_t kOldChunkCountAt = 8;   // preset count (signed)
constexpr size_t kOldChunkSelectAt = 12; // preset to select (unsigned)

// ---- Preset and bank buffers ----------------------------------------------
// Every current-layout buffer starts with this 41-byte packed header, written
// in the byte order of the writing machine.
#pragma pack(push, 1)
struct PresetBufferHeader {
    int32_t uniqueId;       // the plug-in's unique ID, tells the byte order
    char typeCode;          // kind of buffer, kBufferType*
    int32_t formatVersion;  // kPresetFormatVersion
    int32_t numParams;      // 38
    int32_t numRecords;     // records in the body (signed)
    int32_t selectedPreset; // bank: the preset to select after loading; else 0
    int32_t bodySize;       // bytes of body after the header
    int32_t reserved[4];    // zero
};
#pragma pack(pop)

constexpr size_t kPresetHeaderSize = 41;
// Header fields, as byte offsets into the header.
constexpr size_t kHeaderUniqueIdAt = 0;
constexpr size_t kHeaderTypeCodeAt = 4;
constexpr size_t kHeaderFormatVersionAt = 5;
constexpr size_t kHeaderNumParamsAt = 9;
constexpr size_t kHeaderNumRecordsAt = 13;
constexpr size_t kHeaderSelectedAt = 17;
constexpr size_t kHeaderBodySizeAt = 21;
static_assert(sizeof(PresetBufferHeader) == kPresetHeaderSize, "the header is 41 packed bytes");
static_assert(offsetof(PresetBufferHeader, typeCode) == kHeaderTypeCodeAt &&
                  offsetof(PresetBufferHeader, formatVersion) == kHeaderFormatVersionAt &&
                  offsetof(PresetBufferHeader, numParams) == kHeaderNumParamsAt &&
                  offsetof(PresetBufferHeader, numRecords) == kHeaderNumRecordsAt &&
                  offsetof(PresetBufferHeader, selectedPreset) == kHeaderSelectedAt &&
                  offsetof(PresetBufferHeader, bodySize) == kHeaderBodySizeAt,
              "header offsets");

// Type codes: current layouts carry a header and records, old layouts raw
// names and floats after the unique ID and the type code.
constexpr char kBufferTypePresetOld = 33;
constexpr char kBufferTypePreset = 34;
constexpr char kBufferTypeBankOld = 55;
constexpr char kBufferTypeBank = 56;
constexpr int32_t kPresetFormatVersion = 0x01080000;
constexpr size_t kOldPrefixSize = 5; // unique ID and type code of the old layouts

// Records of a current-layout body: a 12-byte head (kind, payload length,
// preset index) and the payload.
constexpr size_t kRecordHeadSize = 12;
constexpr int32_t kRecordKindName = 0;
constexpr int32_t kRecordKindValue = 1;
// A name record's payload: the 24 name bytes, then 4 + 128 bytes always zero
// (written so since the layout's first version; readers ignore them).
constexpr int32_t kNameRecordLength = 156;
// A value record's payload: index, 0, 0, value, 0 (32-bit words each; the
// zero words are kept as written ever since).
constexpr int32_t kValueRecordLength = 20;
constexpr size_t kValueIndexAt = 0;      // in the payload
constexpr size_t kValueAt = 12;          // in the payload
constexpr size_t kNamePayloadSize = 24;  // what a name record must hold to be read
constexpr size_t kValuePayloadSize = 16; // index .. value

// Largest chunk: prefix + bank header + 22 x (name record + 38 value records).
constexpr size_t kChunkBufferSize =
    kChunkPrefixSize + kPresetHeaderSize +
    kNumPresets * (kRecordHeadSize + kNameRecordLength +
                   kNumPresetParams * (kRecordHeadSize + kValueRecordLength));
static_assert(kChunkBufferSize == 8 + 41 + kNumPresets * (168 + kNumPresetParams * 32),
              "chunk buffer size");

} // namespace dravo
