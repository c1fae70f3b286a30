// Preset and bank buffers and the host chunk: the byte layouts that preset
// files, bank files, preferences values and the host's saved state carry
// (model/PresetFormat.h), turned into plain data (model/Bank.h) and back.
// Nothing here calls out: a reader fills a record or a bank and the caller
// applies it.
//
// Every buffer starts with a 41-byte packed header and is written in the byte
// order of the writing machine; a reader tells the order by the unique ID.
// Current layouts (type codes 34, 56) carry a body of records, each a 12-byte
// head (kind, length, preset index) and a payload; old layouts (33, 55) carry
// raw names and floats after the first five bytes. The chunk is an 8-byte
// prefix (tag, unique ID) and a bank buffer, or the old chunk layout.
//
// No reader reads past the bytes it was given, and a reader that refuses a
// buffer leaves its target as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/Bank.h"

namespace dravo {

// Reverses the four bytes of a 32-bit word in place.
void swapWordBytes(void* word);
// Reverses the bytes of the nine 32-bit words after uniqueId and typeCode.
void byteSwapHeader(PresetBufferHeader* header);

class PresetCodec {
  public:
    // blank: what a preset holds before a buffer's records fill it (the
    // store's default record). It must outlive the codec.
    explicit PresetCodec(const PresetRecord& blank) : blank(blank) {}

    // A preset buffer of one record; empty when out of memory.
    std::vector<char> presetToBuffer(const PresetRecord& preset) const;
    // A bank buffer of the 22 records that selects bank.current. Values
    // outside 0..1 (or not numbers) are written clamped, with a diagnostic.
    std::vector<char> bankToBuffer(const Bank& bank) const;
    // The host chunk of bank into out (kChunkBufferSize bytes); its size.
    size_t bankToChunk(const Bank& bank, unsigned char* out) const;

    // Recognises a whole buffer (a file's contents or a preferences value)
    // of size bytes. A preset buffer (33, 34) fills preset, starting from the
    // blank record; a bank buffer (55, 56) replaces the presets it names in
    // bank, each starting from the blank record, and sets bank.current to the
    // preset it selects (0 for a buffer of the old layout). reversed inverts
    // the byte-order decision. A buffer of another plug-in, of another kind,
    // too short or damaged is refused (false) and changes nothing.
    bool loadPresetBuffer(const char* data, size_t size, bool reversed, PresetRecord& preset) const;
    bool loadBankBuffer(const char* data, size_t size, bool reversed, Bank& bank) const;
    // A host chunk of size bytes, either layout, into bank (as a bank buffer
    // loads; a preset to select beyond 21 selects 0). The host's memory is
    // only read.
    bool loadChunk(const void* data, size_t size, Bank& bank) const;

    // Reads the header of a current-layout buffer of size bytes into header,
    // in the machine's byte order. False when the buffer is shorter than the
    // header or its body size is negative or runs past size.
    static bool readHeader(const char* data, size_t size, bool swapOrder,
                           PresetBufferHeader& header);

    // Where the clamping diagnostics go; the standard error stream unless a
    // tool that feeds many buffers (the fuzzer) silences them. Not for use
    // while buffers are being read.
    static void setDiagnosticStream(std::FILE* stream);

  private:
    bool bufferToPreset(const char* body, const PresetBufferHeader& header, bool swapOrder,
                        PresetRecord& preset) const;
    bool bufferToPresetOld(const char* data, bool swapOrder, int numValues,
                           PresetRecord& preset) const;
    bool bufferToBank(const char* body, const PresetBufferHeader& header, bool swapOrder,
                      Bank& bank) const;
    bool bufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues,
                         Bank& bank) const;
    bool loadOldChunk(const unsigned char* data, size_t size, bool swapOrder, Bank& bank) const;

    const PresetRecord& blank;
};

} // namespace dravo
