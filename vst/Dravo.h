// The equaliser as a VST 2.x effect: identity, pins, the parameters and their
// texts as the host asks for them, suspend/resume and the processing entry
// points. What the parameters mean and do lives in the model (dravo::Model);
// presets and the host chunk in CPresetSystemEffect; the editor behind
// VstEditor. What the host changes on its threads is parked for the editor
// (dravo::ParkedChanges).
#pragma once

#include "model/Model.h"
#include "model/ParkedChanges.h"
#include "model/SampleRing.h"
#include "vst/CPresetSystemEffect.h"

#include <atomic>

namespace dravo {

class Dravo : public CPresetSystemEffect {
  public:
    explicit Dravo(audioMasterCallback audioMaster);
    ~Dravo() override;

    void suspend() override;
    void resume() override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getParameterProperties(VstInt32 index, VstParameterProperties* p) override;

    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* input,
                               VstSpeakerArrangement* output) override;
    VstInt32 getGetTailSize() override { return 1024; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1800; }
    VstInt32 canDo(char* text) override;
    VstInt32 getPlugCategory() override { return kPlugCategMastering; }

    // ProgramStore::Listener: names, the current preset or whole presets
    // changed; the editor is told in its idle.
    void bankChanged() override { parked.parkBank(); }

    // The latency in milliseconds at the validated rate, and in samples at
    // the host rate.
    float latencyMilliseconds() const;
    float latencySamples() const;
    // The rate the latency is told at: the host's, or 44100 for a rate
    // outside 20000..200000.
    float validatedRate() const;

    // The derived engine value of a parameter: a position, Hz, dB, Q, the
    // output factor or the flag (1/0); the normalised value for "LSR".
    double getEngineValue(int index) const;
    bool isInputStereo() const { return inputStereo.load(std::memory_order_relaxed); }
    bool isOutputStereo() const { return outputStereo.load(std::memory_order_relaxed); }
    EqEngine& getEngine() { return model.engine(); }
    const EqEngine& getEngine() const { return model.engine(); }
    dravo::Model& getModel() { return model; }
    dravo::ParkedChanges& parkedChanges() { return parked; }
    // The output samples the editor's analyser asked for.
    SampleRing& outputSamples() { return analyser; }

  private:
    template <typename T> void process(T** inputs, T** outputs, VstInt32 sampleFrames);

    dravo::Model model;
    dravo::ParkedChanges parked;
    SampleRing analyser;
    std::atomic<bool> inputStereo{true};
    std::atomic<bool> outputStereo{true};
    bool suspendedOnce = false;
};

} // namespace dravo
