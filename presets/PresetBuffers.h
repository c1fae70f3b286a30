// Preset and bank buffers: the byte layouts that preset files, bank files,
// preferences values and the host chunk carry, with their writers, readers and
// the recognition of a buffer of unknown origin.
//
// Every buffer starts with a 41-byte packed header and is written in the byte
// order of the writing machine; a reader tells the order by the unique ID.
// Current layouts (type codes 34, 56) carry a body of records, each a 12-byte
// head (kind, length, preset index) and a payload; old layouts (33, 55) carry
// raw names and floats after the first five bytes.
//
// No reader reads past the bytes it was given: a header, record, record count
// or value count that would run past them ends the load and leaves the store
// as it was before that load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "vst/vst2abi.h"

class CPresetSystemEffect;
struct PresetRecord;

#pragma pack(push, 1)
struct newpresetheader {
    VstInt32 uniqueId;       // the plug-in's unique ID, tells the byte order
    char typeCode;           // kind of buffer, kBufferType*
    VstInt32 formatVersion;  // kPresetFormatVersion
    VstInt32 numParams;      // 38
    VstInt32 numRecords;     // records in the body (signed)
    VstInt32 selectedPreset; // bank: the preset to select after loading; else 0
    VstInt32 bodySize;       // bytes of body after the header
    VstInt32 reserved[4];    // zero
};
#pragma pack(pop)
static_assert(sizeof(newpresetheader) == 41, "the header is 41 packed bytes");

constexpr char kBufferTypePresetOld = 33;
constexpr char kBufferTypePreset = 34;
constexpr char kBufferTypeBankOld = 55;
constexpr char kBufferTypeBank = 56;
constexpr VstInt32 kPresetFormatVersion = 0x01080000;

constexpr size_t kRecordHeadSize = 12; // kind, length, preset index
constexpr VstInt32 kRecordKindName = 0;
constexpr VstInt32 kRecordKindValue = 1;
constexpr VstInt32 kNameRecordLength = 156; // 24 name bytes, 4 + 128 zero bytes
constexpr VstInt32 kValueRecordLength = 20; // index, 0, 0, value, 0
constexpr size_t kNamePayloadSize = 24;     // what a name record must hold to be read
constexpr size_t kValuePayloadSize = 16;    // index .. value
constexpr size_t kOldPrefixSize = 5;        // unique ID and type code of the old layouts

// Reverses the four bytes of a 32-bit word in place.
void mySwapBytes(void* word);
// Reverses the bytes of the nine 32-bit words after uniqueId and typeCode.
void byteSwapHeader(newpresetheader* header);

// The preset bar's name field and preset menu, kept in step by the readers
// while the editor window is open. Every operation does nothing by default.
class PresetBarView {
  public:
    virtual ~PresetBarView() = default;
    // Makes entry index the menu's current entry.
    virtual void setMenuEntry(int /*index*/) {}
    // Gives menu entry index the title name.
    virtual void setMenuEntryTitle(int /*index*/, const char* /*name*/) {}
    // Shows name in the name field.
    virtual void setNameField(const char* /*name*/) {}
};

// Writers and readers working on the effect's store. The writers return a
// buffer allocated with new[] that the caller frees with delete[]. The readers
// return true when the buffer was loaded, false when it was refused (the store
// is then as it was).
class PresetBuffers {
  public:
    explicit PresetBuffers(CPresetSystemEffect& effect, PresetBarView* view = nullptr)
        : effect(effect), view(view) {}

    // The current preset as a preset buffer; returns its size, 0 on failure.
    VstInt32 presetToBuffer(char** out);
    // The whole bank as a bank buffer; returns its size, 0 on failure. Values
    // outside 0..1 (or not numbers) are written clamped, with a diagnostic.
    VstInt32 bankToBuffer(char** out);

    // Current layouts: body holds header.bodySize bytes; header is already in
    // the machine's byte order, swapOrder says whether the body is not.
    bool bufferToPreset(const char* body, const newpresetheader& header, bool swapOrder);
    bool bufferToBank(const char* body, const newpresetheader& header, bool swapOrder);
    // Old layouts: data points at the first name and holds numPresets blocks
    // of a 24-byte name and numValues floats.
    bool bufferToPresetOld(const char* data, bool swapOrder, int numValues);
    bool bufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues);

    // Recognises a whole buffer (file contents or preferences value) of size
    // bytes and loads it: a preset buffer (33, 34) into the current preset, a
    // bank buffer (55, 56) into the bank. reversed inverts the byte-order
    // decision. A buffer of another plug-in, of another kind or too short is
    // ignored (false).
    bool loadPresetBuffer(const char* data, size_t size, bool reversed = false);
    bool loadBankBuffer(const char* data, size_t size, bool reversed = false);

    // Reads the header of a current-layout buffer of size bytes into header,
    // in the machine's byte order. False when the buffer is shorter than the
    // header or its body size is negative or runs past size.
    static bool readHeader(const char* data, size_t size, bool swapOrder, newpresetheader& header);

    // Where the clamping diagnostics go; the standard error stream unless a
    // tool that feeds many buffers (the fuzzer) silences them. Not for use
    // while buffers are being read.
    static void setDiagnosticStream(std::FILE* stream);

  private:
    // Which byte order data (at least 4 bytes) has: 1 reversed, 0 machine, -1 foreign.
    int byteOrderOf(const char* data);
    int storedParamCount();
    void fillHeader(newpresetheader& header, char typeCode, VstInt32 numRecords,
                    VstInt32 selectedPreset, VstInt32 bodySize);
    void restoreView();

    CPresetSystemEffect& effect;
    PresetBarView* view;
};
