// Effect-side base of the preset system: the bank of 22 preset records, the
// current preset and its replay into the effect, the host's program names, and
// the whole bank saved and restored as the host's opaque chunk.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "vst/AudioEffectX.h"

class PresetEditorInterface;

constexpr int kNumPresets = 22;
constexpr int kNumPresetParams = 38;
constexpr int kPresetNameSize = 24; // 23 characters and the terminating NUL

// One stored parameter value. Automation writes the current record on its
// thread while the chunk and the file writers read it on another, so every
// access is a relaxed atomic load or store: a plain move on this machine, no
// lock, and each value is read whole.
class PresetValue {
  public:
    PresetValue() = default;
    PresetValue(float v) : v(v) {}
    PresetValue(const PresetValue& o) : v(o.load()) {}
    PresetValue& operator=(const PresetValue& o) {
        store(o.load());
        return *this;
    }
    PresetValue& operator=(float x) {
        store(x);
        return *this;
    }
    operator float() const { return load(); }
    float load() const { return v.load(std::memory_order_relaxed); }
    void store(float x) { v.store(x, std::memory_order_relaxed); }

  private:
    std::atomic<float> v{0.0f};
};
static_assert(sizeof(PresetValue) == 4 && std::atomic<float>::is_always_lock_free,
              "a preset value is one lock-free 32-bit float");

// One preset: its name and the 38 normalised parameter values, indexed by
// parameter number. The layout is the one the old chunk format stores verbatim.
struct PresetRecord {
    char name[kPresetNameSize];
    PresetValue values[kNumPresetParams];
};
static_assert(sizeof(PresetRecord) == 176, "PresetRecord is stored verbatim in old chunks");

// Writes name into a record's name field: at most 23 characters, the rest of
// the 24 bytes zero-filled, so the field always holds a terminated name.
// A null name writes the empty name.
void writePresetName(char (&field)[kPresetNameSize], const char* name);

// What the store is built with: 22 names and 22 x 38 normalised values in
// preset-major order. The effect that derives from the store hands in its own
// factory presets; the tables must outlive the store.
struct PresetTable {
    const char* const* names;
    const double (*values)[kNumPresetParams];
};

class CPresetSystemEffect : public AudioEffectX {
  public:
    // First word of a host chunk: which layout follows the 8-byte prefix.
    static constexpr uint32_t kChunkTagOld = 0x01000000;  // 32-byte header, raw records
    static constexpr uint32_t kChunkTagBank = 0x02000000; // a bank buffer
    static constexpr size_t kChunkPrefixSize = 8;         // tag and unique ID
    // Largest chunk: prefix + bank header + 22 x (name record + 38 value records).
    static constexpr size_t kChunkBufferSize = 8 + 41 + kNumPresets * (168 + kNumPresetParams * 32);
    // An old-layout chunk of 22 full records: 32-byte header + 22 x 176.
    static constexpr size_t kChunkScratchSize = 32 + kNumPresets * sizeof(PresetRecord);

    // The store always has 22 records of 38 values (the sizes the buffer
    // formats carry); numPresets and numParams must be those.
    CPresetSystemEffect(audioMasterCallback audioMaster, const PresetTable& contents,
                        int numPresets = kNumPresets, int numParams = kNumPresetParams);
    ~CPresetSystemEffect() override;

    CPresetSystemEffect(const CPresetSystemEffect&) = delete;
    CPresetSystemEffect& operator=(const CPresetSystemEffect&) = delete;

    // Operations the preset system adds, in this order.
    virtual long getPresetNo();
    // Selects preset n (0..21; anything else is ignored) and replays its 38
    // values through the virtual setParameter while isLoadingPreset() is true.
    virtual void setPresetNo(long n);
    // Renames the current preset (name rule above); always updates the display.
    virtual void setPresetName(const char* name);
    virtual VstInt32 getUniqueID();
    // Resets preset n to the default record, name included.
    virtual void initializePreset(long n);
    // True for a parameter that preset and bank buffers leave out.
    virtual bool isDummy(int index) = 0;
    // The same question for the old buffer layouts.
    virtual bool isDummyOld(int index) = 0;
    // Makes record 0 the default record, then lets the editor apply the
    // user's stored defaults.
    virtual void loadDefaults();
    // Fills the 22 records from the table the store was built with.
    virtual void initPresets();

    // Stores value into the current record; indices outside 0..37 are ignored.
    void setParameter(VstInt32 index, float value) override;
    // The current record's value; -1 for an index outside 0..37.
    float getParameter(VstInt32 index) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;
    VstInt32 processEvents(VstEvents* events) override;
    VstInt32 canDo(char* text) override;
    void resume() override;

    // True only while setPresetNo replays a record: the effect must then not
    // store the replayed values back into the current record.
    bool isLoadingPreset() const { return loadingPreset.load(std::memory_order_relaxed); }
    // The 38 values before an editor's preset change; told to the host after it.
    struct ParameterValues {
        float v[kNumPresetParams];
    };
    ParameterValues currentValues();
    // Tells the host (audioMasterAutomate) every parameter whose value now
    // differs from before, so that its lanes and generic controls show the
    // preset the user chose in the editor (setPresetNo's updateDisplay alone
    // does not make every host read the values again).
    void tellHostChangedValues(const ParameterValues& before);
    // Writes value into slot index of all 22 records (the global parameters
    // 0 and 1 are the same in every preset). Indices outside 0..37 are ignored.
    void setParameterAllPresets(int index, float value);

    // The bank, 22 records. The editor's buffer operations read and write it.
    PresetRecord* getPresets() { return presets; }
    const PresetRecord& getDefaultRecord() const { return defaultRecord; }

  protected:
    // The editor's preset operations when the effect's editor offers them.
    PresetEditorInterface* presetEditor();
    // Loads an old-layout chunk (tag 0x01000000) of byteSize bytes.
    VstInt32 setChunkOld(const unsigned char* data, size_t byteSize, bool swapOrder);

    PresetTable contents;
    PresetRecord* presets = nullptr;
    std::atomic<int64_t> currentPreset{0};
    unsigned char* chunkScratch = nullptr;
    unsigned char* chunkBuffer = nullptr;
    int64_t chunkBufferSize = kChunkBufferSize;
    PresetRecord defaultRecord{};
    std::atomic<bool> loadingPreset{false};
};
