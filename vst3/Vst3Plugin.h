// The equaliser as one VST 3 object that is both the audio processor
// (IComponent, IAudioProcessor) and its edit controller (IEditController,
// IUnitInfo). One object keeps the processor and the controller on one model
// and one program store, so a value the host sets on the controller is in the
// state at once (also when no audio runs before the host saves), and no
// messages between two halves are needed.
//
// Threads: process() runs on the audio thread; everything else on the host's
// UI or control thread. Values reach the model through atomics (see
// dravo::Model and ProgramStore's thread contract); what the editor must
// learn is parked (dravo::ParkedChanges) and delivered in its idle.
#pragma once

#include "model/Model.h"
#include "model/ParkedChanges.h"
#include "model/ProgramStore.h"
#include "model/SampleRing.h"
#include "vst3/vst3abi.h"

#include <atomic>

namespace dravo::vst3face {

using namespace ::vst3;

// The host's parameter IDs. A parameter that reaches the engine keeps its
// index as its ID (the same number its VST 2.x automation has), forever; the
// preset selector is one ID above every index.
//
// No parameter is flagged as the host's bypass: "EQ all" switched off stops
// only the filters, while the phase, the output level and the saturation
// still act, so the host must not take it for a clean bypass (a host keeps
// its own). The sound stays the VST 2.x face's either way.
inline constexpr ParamID kPresetParamId = 1000;
inline constexpr ProgramListID kPresetListId = 1;
// The parameters the host sees, in the order it lists them.
int hostParameterCount(); // without the preset selector
Param hostParameter(int position);
bool paramForId(ParamID id, Param& p);

// The class the factory makes, and the processor's one class.
inline constexpr TUID kPluginClassId = makeTuid(0x5A6B5677, 0x56657944, 0x7261766F, 0x45513301);

class Vst3Plugin final : public IComponent,
                         public IAudioProcessor,
                         public IEditController,
                         public IUnitInfo,
                         private ProgramStore::Listener {
  public:
    Vst3Plugin();
    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;

    // FUnknown (one reference count for every face).
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    uint32_t addRef() override;
    uint32_t release() override;

    // IPluginBase (shared by the component and the controller: a host that
    // initialises both faces of the one object initialises it once).
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IComponent.
    tresult getControllerClassId(uint8_t* classId) override;
    tresult setIoMode(int32_t) override { return kResultOk; }
    int32_t getBusCount(int32_t type, int32_t dir) override;
    tresult getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo* bus) override;
    tresult getRoutingInfo(RoutingInfo*, RoutingInfo*) override { return kNotImplemented; }
    tresult activateBus(int32_t type, int32_t dir, int32_t index, TBool state) override;
    tresult setActive(TBool state) override;
    tresult setState(IBStream* state) override;
    tresult getState(IBStream* state) override;

    // IAudioProcessor.
    tresult setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                               SpeakerArrangement* outputs, int32_t numOuts) override;
    tresult getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement& arr) override;
    tresult canProcessSampleSize(int32_t size) override;
    uint32_t getLatencySamples() override;
    tresult setupProcessing(ProcessSetup& setup) override;
    tresult setProcessing(TBool) override { return kResultOk; }
    tresult process(ProcessData& data) override;
    uint32_t getTailSamples() override { return 1024; }

    // IEditController.
    // setState and getState above serve the controller too (one signature in
    // both interfaces): a host that keeps the controller's state keeps the
    // same chunk twice, and loading it twice changes nothing.
    tresult setComponentState(IBStream* state) override;
    int32_t getParameterCount() override;
    tresult getParameterInfo(int32_t paramIndex, ParameterInfo& info) override;
    tresult getParamStringByValue(ParamID id, ParamValue v, String128 string) override;
    tresult getParamValueByString(ParamID id, char16* string, ParamValue& v) override;
    ParamValue normalizedParamToPlain(ParamID id, ParamValue v) override;
    ParamValue plainParamToNormalized(ParamID id, ParamValue plain) override;
    ParamValue getParamNormalized(ParamID id) override;
    tresult setParamNormalized(ParamID id, ParamValue value) override;
    tresult setComponentHandler(IComponentHandler* handler) override;
    IPlugView* createView(const char* name) override;

    // IUnitInfo: one unit holding the program list of the 22 presets.
    int32_t getUnitCount() override { return 1; }
    tresult getUnitInfo(int32_t unitIndex, UnitInfo& info) override;
    int32_t getProgramListCount() override { return 1; }
    tresult getProgramListInfo(int32_t listIndex, ProgramListInfo& info) override;
    tresult getProgramName(ProgramListID listId, int32_t programIndex, String128 name) override;
    tresult getProgramInfo(ProgramListID, int32_t, const char*, String128) override {
        return kResultFalse;
    }
    tresult hasProgramPitchNames(ProgramListID, int32_t) override { return kResultFalse; }
    tresult getProgramPitchName(ProgramListID, int32_t, int16_t, String128) override {
        return kResultFalse;
    }
    UnitID getSelectedUnit() override { return kRootUnitId; }
    tresult selectUnit(UnitID) override { return kResultOk; }
    tresult getUnitByBus(int32_t, int32_t, int32_t, int32_t, UnitID& unitId) override {
        unitId = kRootUnitId;
        return kResultOk;
    }
    tresult setUnitProgramData(int32_t, int32_t, IBStream*) override { return kNotImplemented; }

    // ---- What the editor view uses -----------------------------------------
    // A value change as the VST 2.x face makes it: the model, the presets'
    // shared values, the current record (unless a preset is being applied)
    // and the editor's parking.
    void setParameter(Param p, float value);
    float parameter(Param p) const { return (float)model.normalised(p); }
    ProgramStore& programStore() { return store; }
    ParkedChanges& parkedChanges() { return parked; }
    // The output samples the editor's analyser asked for.
    SampleRing& outputSamples() { return analyser; }
    EqEngine& engine() { return model.engine(); }
    double latencySamples() const { return model.engine().latencySamples(); }
    // The rate the latency is told at (44100 for an implausible host rate).
    double validatedRate() const { return validatedRate_.load(std::memory_order_relaxed); }
    // False for the mono arrangement (the channel switch means nothing).
    bool isStereo() const { return inputStereo; }
    // The host's component handler, or null; the caller must not keep it.
    IComponentHandler* componentHandler() const { return handler; }
    // Tells the host that every value may have changed (after a preset or a
    // state was applied).
    void tellHostValuesChanged();

  private:
    ~Vst3Plugin();

    // ProgramStore::Listener.
    void applyPreset(const PresetRecord& record) override;
    void bankChanged() override { parked.parkBank(); }

    // Reads a whole chunk from state and loads it; a foreign or damaged
    // chunk changes nothing (kResultFalse).
    tresult loadChunkFrom(IBStream* state);
    template <typename T> void processAudio(ProcessData& data, int offset, int frames);

    std::atomic<uint32_t> refs{1};
    int initialised = 0;
    Model model;
    ParkedChanges parked;
    SampleRing analyser;
    ProgramStore store;
    IComponentHandler* handler = nullptr;
    bool inputStereo = true;
    bool outputStereo = true;
    bool active = false;
    float hostRate = 44100.0f;
    std::atomic<double> validatedRate_{44100.0}; // read by the editor's thread
    uint32_t toldLatency = 0;
};

} // namespace dravo::vst3face
