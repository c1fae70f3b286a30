// The VST 2.x face of the program store (model/ProgramStore.h): it applies
// the current preset to the effect, answers the host's program names, and
// saves and restores the bank as the host's opaque chunk. The host sees one
// program; the 22 presets are the store's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/ProgramStore.h"
#include "vst/AudioEffectX.h"

namespace dravo {

class CPresetSystemEffect : public AudioEffectX, public ProgramStore::Listener {
  public:
    // The store always has 22 records of 38 values (the sizes the buffer
    // formats carry).
    CPresetSystemEffect(audioMasterCallback audioMaster, const PresetTable& contents);
    ~CPresetSystemEffect() override;

    CPresetSystemEffect(const CPresetSystemEffect&) = delete;
    CPresetSystemEffect& operator=(const CPresetSystemEffect&) = delete;

    virtual int getPresetNo();
    // Selects preset n (0..21; anything else is ignored) and replays its 38
    // values through the virtual setParameter while isLoadingPreset() is true.
    virtual void setPresetNo(int n);
    // Renames the current preset (name rule of writePresetName) and updates
    // the host's display.
    virtual void setPresetName(const char* name);
    // Makes record 0 the default record.
    virtual void loadDefaults();
    // Fills the 22 records from the table the store was built with.
    virtual void initPresets();

    // ProgramStore::Listener: a preset's values replayed through setParameter.
    void applyPreset(const PresetRecord& record) override;

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

    // True only while a preset is replayed: the effect must then not store
    // the replayed values back into the current record.
    bool isLoadingPreset() const { return store.isLoadingPreset(); }
    // The 38 values before a preset change the user made; told to the host after it.
    struct ParameterValues {
        float v[kNumPresetParams];
    };
    ParameterValues currentValues();
    // Tells the host (audioMasterAutomate) every parameter whose value now
    // differs from before, so that its lanes and generic controls show the
    // preset the user chose in the editor (a display update alone does not
    // make every host read the values again).
    void tellHostChangedValues(const ParameterValues& before);
    // Writes value into slot index of all 22 records (the global parameters
    // 0 and 1 are the same in every preset). Indices outside 0..37 are ignored.
    void setParameterAllPresets(int index, float value);

    // The bank, 22 records.
    PresetRecord* getPresets() { return store.records(); }
    ProgramStore& programStore() { return store; }

  protected:
    ProgramStore store;
};

} // namespace dravo
