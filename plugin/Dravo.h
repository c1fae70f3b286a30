// The equaliser as a VST 2.x effect: identity, pins, the parameters and their
// texts as the host asks for them, suspend/resume and the processing entry
// points. What the parameters mean and do lives in the model (dravo::Model);
// presets and the host chunk in CPresetSystemEffect.
#pragma once

#include "model/Model.h"
#include "presets/CPresetSystemEffect.h"

#include <atomic>

class ADEditor;

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

    bool isDummy(int index) override { return dravo::isDummyParam(index); }
    bool isDummyOld(int index) override { return dravo::isDummyParam(index); }
    void initPresets() override;

    // Engine operations.
    virtual void processLoopFast(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processLoopFastDouble(double** inputs, double** outputs, VstInt32 sampleFrames);
    virtual void processLoopFastMono(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processLoopFastDoubleMono(double** inputs, double** outputs,
                                           VstInt32 sampleFrames);
    virtual void initUpsDec();
    virtual float getLatency1(); // milliseconds
    virtual float getLatency2(); // samples at the host rate

    // The derived engine value of a parameter: a position, Hz, dB, Q, the
    // output factor or the flag (1/0); the normalised value for "LSR".
    double getEngineValue(int index) const;
    bool isInputStereo() const { return inputStereo.load(std::memory_order_relaxed); }
    bool isOutputStereo() const { return outputStereo.load(std::memory_order_relaxed); }
    EqEngine& getEngine() { return model.engine(); }
    dravo::Model& getModel() { return model; }

  private:
    template <typename T> void processStereo(T** inputs, T** outputs, VstInt32 sampleFrames);
    template <typename T> void processMono(T** inputs, T** outputs, VstInt32 sampleFrames);

    ADEditor* adEditor = nullptr;
    dravo::Model model;
    std::atomic<bool> inputStereo{true};
    std::atomic<bool> outputStereo{true};
    bool suspendedOnce = false;
};
