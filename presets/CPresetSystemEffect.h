// Effect-side base of the preset system: the VST 2.x face of the program
// store (model/ProgramStore.h). It replays the current preset into the
// effect, answers the host's program names, and saves and restores the bank
// as the host's opaque chunk, routing the bank through the editor when the
// editor offers the preset operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/ProgramStore.h"
#include "vst/AudioEffectX.h"

class PresetEditorInterface;

class CPresetSystemEffect : public AudioEffectX, public ProgramStore::Owner {
  public:
    // The chunk's layout constants (model/PresetFormat.h), as the class names them.
    static constexpr uint32_t kChunkTagOld = ::kChunkTagOld;
    static constexpr uint32_t kChunkTagBank = ::kChunkTagBank;
    static constexpr size_t kChunkPrefixSize = ::kChunkPrefixSize;
    static constexpr size_t kChunkBufferSize = ::kChunkBufferSize;
    static constexpr size_t kChunkScratchSize = ::kChunkScratchSize;

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
    void setPresetNo(long n) override;
    // Renames the current preset (name rule of writePresetName); always
    // updates the display.
    void setPresetName(const char* name) override;
    VstInt32 getUniqueID() override;
    // Resets preset n to the default record, name included.
    virtual void initializePreset(long n);
    // True for a parameter that preset and bank buffers leave out.
    bool isDummy(int index) override = 0;
    // The same question for the old buffer layouts.
    bool isDummyOld(int index) override = 0;
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
    bool isLoadingPreset() const { return store.isLoadingPreset(); }
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
    PresetRecord* getPresets() { return store.records(); }
    const PresetRecord& getDefaultRecord() const { return store.defaultRecord(); }
    // The plain store behind this face.
    ProgramStore& programStore() { return store; }

  protected:
    // The editor's preset operations when the effect's editor offers them.
    PresetEditorInterface* presetEditor();

    ProgramStore store;
};
