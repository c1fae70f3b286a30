// Preset and bank buffers for the VST 2.x face: the writers, readers and the
// recognition of a buffer of unknown origin, working on an effect's program
// store. The layouts and the code live in the model (model/PresetCodec.h,
// model/PresetFormat.h); this class hands them the effect's store.
//
// No reader reads past the bytes it was given: a header, record, record count
// or value count that would run past them ends the load and leaves the store
// as it was before that load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "model/PresetCodec.h"
#include "vst/vst2abi.h"

class CPresetSystemEffect;

// The preset bar's name field and preset menu, kept in step by the readers
// while the editor window is open.
using PresetBarView = PresetView;

// Writers and readers working on the effect's store. The writers return a
// buffer allocated with new[] that the caller frees with delete[]. The readers
// return true when the buffer was loaded, false when it was refused (the store
// is then as it was).
class PresetBuffers {
  public:
    explicit PresetBuffers(CPresetSystemEffect& effect, PresetBarView* view = nullptr);

    // The current preset as a preset buffer; returns its size, 0 on failure.
    VstInt32 presetToBuffer(char** out) { return codec.presetToBuffer(out); }
    // The whole bank as a bank buffer; returns its size, 0 on failure. Values
    // outside 0..1 (or not numbers) are written clamped, with a diagnostic.
    VstInt32 bankToBuffer(char** out) { return codec.bankToBuffer(out); }

    // Current layouts: body holds header.bodySize bytes; header is already in
    // the machine's byte order, swapOrder says whether the body is not.
    bool bufferToPreset(const char* body, const newpresetheader& header, bool swapOrder) {
        return codec.bufferToPreset(body, header, swapOrder);
    }
    bool bufferToBank(const char* body, const newpresetheader& header, bool swapOrder) {
        return codec.bufferToBank(body, header, swapOrder);
    }
    // Old layouts: data points at the first name and holds numPresets blocks
    // of a 24-byte name and numValues floats.
    bool bufferToPresetOld(const char* data, bool swapOrder, int numValues) {
        return codec.bufferToPresetOld(data, swapOrder, numValues);
    }
    bool bufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues) {
        return codec.bufferToBankOld(data, swapOrder, numPresets, numValues);
    }

    // Recognises a whole buffer (file contents or preferences value) of size
    // bytes and loads it: a preset buffer (33, 34) into the current preset, a
    // bank buffer (55, 56) into the bank. reversed inverts the byte-order
    // decision. A buffer of another plug-in, of another kind or too short is
    // ignored (false).
    bool loadPresetBuffer(const char* data, size_t size, bool reversed = false) {
        return codec.loadPresetBuffer(data, size, reversed);
    }
    bool loadBankBuffer(const char* data, size_t size, bool reversed = false) {
        return codec.loadBankBuffer(data, size, reversed);
    }

    // Reads the header of a current-layout buffer of size bytes into header,
    // in the machine's byte order. False when the buffer is shorter than the
    // header or its body size is negative or runs past size.
    static bool readHeader(const char* data, size_t size, bool swapOrder, newpresetheader& header) {
        return PresetCodec::readHeader(data, size, swapOrder, header);
    }

    // Where the clamping diagnostics go; the standard error stream unless a
    // tool that feeds many buffers (the fuzzer) silences them. Not for use
    // while buffers are being read.
    static void setDiagnosticStream(std::FILE* stream) { PresetCodec::setDiagnosticStream(stream); }

  private:
    PresetCodec codec;
};
