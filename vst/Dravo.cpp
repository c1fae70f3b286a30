#include "vst/Dravo.h"

#include "model/FactoryPresets.h"
#include "model/Identity.h"
#include "presets/StoredPresets.h"
#include "vst/VstEditor.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace dravo {

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
    : CPresetSystemEffect(audioMaster, kFactoryPresetTable) {
    sampleRate = 44100.0f;
    getEngine().initInterpolationKernel();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing();
    canDoubleReplacing();
    // The engine starts at 44100 Hz: N = 29, N div 2 + 32 = 46 samples.
    setInitialDelay((VstInt32)latencySamples());
    setEditor(new VstEditor(*this));

    initPresets();
    // The user's default bank and default preset, as every new instance
    // starts (kept by the preset bar in the preferences).
    StoredPresets(kPreferencesIdentifier).startBank(store);
    suspend();
}

// A host may close the effect with its window still open: the window closes
// while the effect is whole (its controls may still end an edit gesture).
Dravo::~Dravo() {
    AEffEditor* e = getEditor();
    setEditor(nullptr);
    delete e;
}

// ---------------------------------------------------------------------------
// Parameters

void Dravo::setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= kNumParams) return;
    const Param p = paramAt(index);
    if (!model.set(p, value)) return;

    store.keepParameter(p, value);
    parked.parkParameter(p, value);
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

void Dravo::suspend() {
    getEngine().suspend();
    parked.parkMeters();
    suspendedOnce = true;
}

void Dravo::resume() {
    if (!suspendedOnce) suspend();
    // The engine picks its internal rate from the host rate, retunes, and
    // answers the validated rate (44100 for a rate outside 20000..200000).
    sampleRate = getEngine().resume(sampleRate);
    getOutputLatency();
    updateBlockSize();
    setInitialDelay((VstInt32)latencySamples());
    parked.parkMeters();
}

float Dravo::latencySamples() const {
    return (float)getEngine().latencySamples();
}

float Dravo::validatedRate() const {
    return sampleRate >= 20000.0f && sampleRate <= 200000.0f ? sampleRate : 44100.0f;
}

float Dravo::latencyMilliseconds() const {
    return latencySamples() * 1000.0f / validatedRate();
}

// The loop is chosen per call: stereo when the second input is connected and
// the input arrangement is stereo, else mono. The host sees the same three
// pin queries either way.
template <typename T> void Dravo::process(T** inputs, T** outputs, VstInt32 sampleFrames) {
    bool out2;
    if (isInputConnected(1) && isInputStereo()) {
        const bool in2 = isInputConnected(1) && isInputStereo();
        out2 = isOutputConnected(1) && isOutputStereo();
        getEngine().processStereo(inputs, outputs, sampleFrames, in2, out2);
    } else {
        isInputConnected(1);
        out2 = isOutputConnected(1) && isOutputStereo();
        getEngine().processMono(inputs, outputs, sampleFrames, out2);
    }
    analyser.push(outputs, out2 ? 2 : 1, sampleFrames);
}

void Dravo::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    process(inputs, outputs, sampleFrames);
}

void Dravo::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    process(inputs, outputs, sampleFrames);
}

} // namespace dravo
