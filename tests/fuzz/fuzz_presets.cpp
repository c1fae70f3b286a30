// libFuzzer target: arbitrary bytes as a host chunk, a preset buffer or a
// bank buffer. The first byte picks the entry (bits 0-1) and whether the
// byte-order-reversed load is asked for (bit 2); the rest is the buffer.
//
// Besides the sanitizers' checks it asserts what a load must leave behind:
// the host's memory untouched, every name terminated, every value in 0..1,
// and a bank that saves and loads back to itself (placeholders aside).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/FactoryPresets.h"
#include "model/Parameters.h"
#include "vst/CPresetSystemEffect.h"

using namespace dravo;

namespace {

// The program store with the effect's placeholder set and its way of
// keeping the store in step (global parameters 0 and 1, no store-back
// while a preset is replayed).
class FuzzStore : public CPresetSystemEffect {
  public:
    FuzzStore() : CPresetSystemEffect(nullptr, kFactoryPresetTable) {
        setUniqueID(fourCC('Z', 'k', 'V', 'w'));
    }
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        if (index == 0 || index == 1) setParameterAllPresets(index, value);
        if (!isLoadingPreset()) CPresetSystemEffect::setParameter(index, value);
    }
};

// A failed property names its line before stopping the fuzzer.
#define check(ok)                                                                                  \
    do {                                                                                           \
        if (!(ok)) {                                                                               \
            std::fprintf(stderr, "fuzz_presets: property failed at line %d: %s\n", __LINE__, #ok); \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

void checkStore(FuzzStore& store) {
    check(store.getPresetNo() >= 0 && store.getPresetNo() < kNumPresets);
    for (int p = 0; p < kNumPresets; p++) {
        const PresetRecord& r = store.getPresets()[p];
        check(std::memchr(r.name, 0, kPresetNameSize) != nullptr);
        for (float v : r.values)
            check(v >= 0.0f && v <= 1.0f);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Clamped bank values are reported line by line; a fuzzer run would
    // produce megabytes of them.
    PresetCodec::setDiagnosticStream(std::fopen("/dev/null", "w"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int entry = data[0] & 3;
    const bool reversed = (data[0] & 4) != 0;
    const size_t n = size - 1;
    // An exactly sized copy, so that any read past the end is caught.
    std::unique_ptr<char[]> buffer(new char[n ? n : 1]);
    std::memcpy(buffer.get(), data + 1, n);

    FuzzStore store;
    switch (entry) {
    case 0: {
        const VstInt32 result = store.setChunk(n ? buffer.get() : nullptr, (VstInt32)n);
        check(result == 0 || result == -1);
        check(std::memcmp(buffer.get(), data + 1, n) == 0); // the host's memory is only read
        break;
    }
    case 1: {
        PresetRecord record;
        if (store.programStore().codec().loadPresetBuffer(buffer.get(), n, reversed, record))
            store.programStore().replaceCurrent(record);
        break;
    }
    default: {
        Bank bank = store.programStore().snapshot();
        if (store.programStore().codec().loadBankBuffer(buffer.get(), n, reversed, bank))
            store.programStore().replaceBank(bank);
        break;
    }
    }
    checkStore(store);

    // Whatever was loaded saves and loads back to itself.
    void* chunk = nullptr;
    const VstInt32 chunkSize = store.getChunk(&chunk);
    check(chunkSize == 23457 && chunk != nullptr);
    std::unique_ptr<char[]> saved(new char[chunkSize]);
    std::memcpy(saved.get(), chunk, (size_t)chunkSize);
    FuzzStore reloaded;
    check(reloaded.setChunk(saved.get(), chunkSize) == 0);
    // Placeholders load like any other value but are not saved.
    for (int p = 0; p < kNumPresets; p++) {
        const PresetRecord& a = store.getPresets()[p];
        const PresetRecord& b = reloaded.getPresets()[p];
        check(std::memcmp(a.name, b.name, kPresetNameSize) == 0);
        for (int i = 0; i < kNumPresetParams; i++)
            check(dravo::isPlaceholderParam(i) || std::memcmp(&a.values[i], &b.values[i], 4) == 0);
    }
    check(reloaded.getPresetNo() == store.getPresetNo());
    return 0;
}
