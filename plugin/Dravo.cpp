#include "plugin/Dravo.h"

#include "gui/ADEditor.h"
#include "model/FactoryPresets.h"
#include "model/Identity.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace dravo;

namespace {
// Copies text into a host field of size bytes, always terminated.
void copyText(char* field, const char* text, size_t size) {
    size_t n = strnlen(text, size - 1);
    std::memcpy(field, text, n);
    field[n] = 0;
}
} // namespace

Dravo::Dravo(audioMasterCallback audioMaster)
    : CPresetSystemEffect(audioMaster, kFactoryPresetTable, kNumPresets, kNumParams) {
    sampleRate = 44100.0f;
    initUpsDec();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing();
    canDoubleReplacing();
    // The engine starts at 44100 Hz: N = 29, N div 2 + 32 = 46 samples.
    setInitialDelay((VstInt32)getLatency2());

    adEditor = new ADEditor(this);
    setEditor(adEditor);

    initPresets();
    loadDefaults();
    setPresetNo(0);
    suspend();
}

// A host may close the effect with its window still open: the window closes
// while the effect is whole (its controls may still end an edit gesture).
Dravo::~Dravo() {
    if (adEditor && adEditor->getFrame()) adEditor->close();
}

// ---------------------------------------------------------------------------
// Parameters

void Dravo::setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= kNumParams) return;
    const Param p = paramAt(index);
    if (!model.set(p, value)) return;

    if (sameInEveryPreset(p)) setParameterAllPresets(index, value);
    if (!isLoadingPreset()) CPresetSystemEffect::setParameter(index, value);
    if (adEditor) adEditor->setParameter(index, value);
}

double Dravo::getEngineValue(int index) const {
    return index >= 0 && index < kNumParams ? model.engineValue(paramAt(index)) : 0.0;
}

float Dravo::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumParams ? (float)model.normalised(paramAt(index)) : 0.0f;
}

void Dravo::getParameterName(VstInt32 index, char* text) {
    copyText(text, index >= 0 && index < kNumParams ? kParams[index].name : "", kVstMaxParamStrLen);
}

void Dravo::getParameterLabel(VstInt32 /*index*/, char* label) {
    *label = 0;
}

void Dravo::getParameterDisplay(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParams)
        *text = 0;
    else
        model.text(paramAt(index), text); // at most kVstMaxParamStrLen characters
}

bool Dravo::getParameterProperties(VstInt32 index, VstParameterProperties* p) {
    if (index < 0 || index >= kNumParams || !kParams[index].switchProperties) return false;
    p->flags = kVstParameterIsSwitch | kVstParameterUsesFloatStep;
    p->stepFloat = p->smallStepFloat = p->largeStepFloat = 1.0f;
    copyText(p->label, kParams[index].name, kVstMaxLabelLen);
    copyText(p->shortLabel, kParams[index].name, kVstMaxShortLabelLen);
    return true;
}

// ---------------------------------------------------------------------------
// Identity and pins

bool Dravo::getEffectName(char* name) {
    copyText(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Dravo::getVendorString(char* text) {
    copyText(text, kVendor, kVstMaxVendorStrLen);
    return true;
}

bool Dravo::getProductString(char* text) {
    copyText(text, kProduct, kVstMaxProductStrLen);
    return true;
}

VstInt32 Dravo::canDo(char* text) {
    static const char* const kCanDo[] = {"offline", "plugAsChannelInsert", "mixDryWet", "1in1out",
                                         "2in2out"};
    for (const char* c : kCanDo)
        if (std::strcmp(text, c) == 0) return 1;
    return 0;
}

namespace {
bool fillPin(VstInt32 index, VstPinProperties* properties, const char* direction) {
    if (index != 0 && index != 1) return false;
    char label[kVstMaxLabelLen];
    std::snprintf(label, sizeof label, "Vey Dravo %d %s", (int)index + 1, direction);
    copyText(properties->label, label, kVstMaxLabelLen);
    properties->flags = index == 0 ? (kVstPinIsActive | kVstPinIsStereo) : kVstPinIsActive;
    return true;
}
} // namespace

bool Dravo::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    return fillPin(index, properties, "In");
}

bool Dravo::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return fillPin(index, properties, "Out");
}

bool Dravo::setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) {
    const int in = input ? input->numChannels : 0;
    const int out = output ? output->numChannels : 0;
    bool inStereo = true, outStereo = true, supported = true;
    if (in == 1 && out == 1)
        inStereo = outStereo = false;
    else if (in == 1 && out == 2)
        inStereo = false;
    else if (!(in == 2 && out == 2))
        supported = false;
    inputStereo.store(inStereo, std::memory_order_relaxed);
    outputStereo.store(outStereo, std::memory_order_relaxed);
    return supported;
}

// ---------------------------------------------------------------------------
// Lifecycle and processing

void Dravo::initPresets() {
    writeFactoryPresets(programStore());
}

void Dravo::suspend() {
    getEngine().suspend();
    if (adEditor) adEditor->internalSampleRateChanged();
    suspendedOnce = true;
}

void Dravo::resume() {
    if (!suspendedOnce) suspend();
    // The engine picks its internal rate from the host rate, retunes, and
    // answers the validated rate (44100 for a rate outside 20000..200000).
    sampleRate = getEngine().resume(sampleRate);
    getOutputLatency();
    updateBlockSize();
    setInitialDelay((VstInt32)getLatency2());
    if (adEditor) {
        adEditor->internalSampleRateChanged();
        adEditor->resume();
    }
}

void Dravo::initUpsDec() {
    getEngine().initUpsDec();
}

float Dravo::getLatency2() {
    return (float)getEngine().getLatency2();
}

float Dravo::getLatency1() {
    const float r = sampleRate >= 20000.0f && sampleRate <= 200000.0f ? sampleRate : 44100.0f;
    return getLatency2() * 1000.0f / r;
}

template <typename T> void Dravo::processStereo(T** inputs, T** outputs, VstInt32 sampleFrames) {
    const bool in2 = isInputConnected(1) && isInputStereo();
    const bool out2 = isOutputConnected(1) && isOutputStereo();
    getEngine().processStereo(inputs, outputs, sampleFrames, in2, out2);
}

template <typename T> void Dravo::processMono(T** inputs, T** outputs, VstInt32 sampleFrames) {
    isInputConnected(1); // the host sees the same three pin queries as in stereo
    const bool out2 = isOutputConnected(1) && isOutputStereo();
    getEngine().processMono(inputs, outputs, sampleFrames, out2);
}

// The loop is chosen per call: stereo when the second input is connected and
// the input arrangement is stereo, else mono.
void Dravo::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (isInputConnected(1) && isInputStereo())
        processLoopFast(inputs, outputs, sampleFrames);
    else
        processLoopFastMono(inputs, outputs, sampleFrames);
}

void Dravo::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    if (isInputConnected(1) && isInputStereo())
        processLoopFastDouble(inputs, outputs, sampleFrames);
    else
        processLoopFastDoubleMono(inputs, outputs, sampleFrames);
}

void Dravo::processLoopFast(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processStereo(inputs, outputs, sampleFrames);
}

void Dravo::processLoopFastDouble(double** inputs, double** outputs, VstInt32 sampleFrames) {
    processStereo(inputs, outputs, sampleFrames);
}

void Dravo::processLoopFastMono(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processMono(inputs, outputs, sampleFrames);
}

void Dravo::processLoopFastDoubleMono(double** inputs, double** outputs, VstInt32 sampleFrames) {
    processMono(inputs, outputs, sampleFrames);
}
