// Preset and bank buffers: the byte layouts that preset files, bank files,
// preferences values and the host chunk carry (model/PresetFormat.h), with
// their writers, readers and the recognition of a buffer of unknown origin.
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

#include "model/PresetFormat.h"
#include "model/ProgramStore.h"

// Reverses the four bytes of a 32-bit word in place.
void mySwapBytes(void* word);
// Reverses the bytes of the nine 32-bit words after uniqueId and typeCode.
void byteSwapHeader(newpresetheader* header);

// What shows the presets' names and the current preset (the VST editor's
// preset bar: its name field and preset menu), kept in step by the readers.
// Every operation does nothing by default.
class PresetView {
  public:
    virtual ~PresetView() = default;
    // Makes entry index the menu's current entry.
    virtual void setMenuEntry(int /*index*/) {}
    // Gives menu entry index the title name.
    virtual void setMenuEntryTitle(int /*index*/, const char* /*name*/) {}
    // Shows name in the name field.
    virtual void setNameField(const char* /*name*/) {}
};

// Writers and readers working on a program store. The writers return a
// buffer allocated with new[] that the caller frees with delete[]. The readers
// return true when the buffer was loaded, false when it was refused (the store
// is then as it was). A loaded preset or bank is applied through the store's
// owner (setPresetName, setPresetNo).
class PresetCodec {
  public:
    explicit PresetCodec(ProgramStore& store, PresetView* view = nullptr)
        : store(store), view(view) {}

    // The current preset as a preset buffer; returns its size, 0 on failure.
    int32_t presetToBuffer(char** out);
    // The whole bank as a bank buffer; returns its size, 0 on failure. Values
    // outside 0..1 (or not numbers) are written clamped, with a diagnostic.
    int32_t bankToBuffer(char** out);

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
    void fillHeader(newpresetheader& header, char typeCode, int32_t numRecords,
                    int32_t selectedPreset, int32_t bodySize);
    void restoreView();
    void showLoadedPreset(long c);

    ProgramStore& store;
    PresetView* view;
};
