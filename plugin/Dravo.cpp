#include "plugin/Dravo.h"

#include "gui/ADEditor.h"
#include "model/ValueText.h"
#include "plugin/FactoryPresets.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace dravo;

namespace {
constexpr const char* kEffectName = "Vey Dravo";
constexpr const char* kVendor = "Vey Audio Works";
constexpr const char* kProduct = "Vey Dravo - parametric channel eq";

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
    setUniqueID(fourCC('Z', 'k', 'V', 'w'));
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
    // A non-finite value would have no meaning in any quantiser: ignore it.
    if (!std::isfinite(value)) return;

    normalised[index].store(value, std::memory_order_relaxed);
    deriveEngineValue(index, value);
    updateSection(kParams[index].update);

    if (index == 0 || index == 1) setParameterAllPresets(index, value);
    if (!isLoadingPreset()) CPresetSystemEffect::setParameter(index, value);
    if (adEditor) adEditor->setParameter(index, value);
}

void Dravo::deriveEngineValue(int index, double v) {
    const ParamInfo& p = kParams[index];
    double e = v;
    switch (p.quantiser) {
    case Quantiser::Flag:
        e = v >= 0.5 ? 1.0 : 0.0;
        break;
    case Quantiser::Channel:
    case Quantiser::Placeholder:
        break;
    case Quantiser::OnOff:
        e = onOffPosition(v);
        break;
    case Quantiser::ThreePosition:
        e = threePosition(v);
        break;
    case Quantiser::OutputGain:
        // The engine multiplies by 2^(dB / 6).
        e = std::pow(2.0, outputGainDb(v) / 6.0);
        break;
    case Quantiser::ShelfGain:
        e = shelfGainDb(v);
        break;
    case Quantiser::PeakGain:
        e = peakGainDb(v);
        break;
    case Quantiser::Frequency:
        e = frequencyOf(*p.table, v);
        break;
    case Quantiser::QSelect:
        e = qOf(v);
        break;
    }
    engineValues[index].store(e, std::memory_order_relaxed);

    switch (index) {
    case 0:
        engine.setMaster(e != 0.0);
        break;
    case 1:
        engine.setChannelSelect(v);
        break;
    case 3:
        engine.setPhase((int)e);
        break;
    case 6:
        engine.setOutputFactor(e);
        break;
    case 7:
        engine.setSaturation((float)v);
        break;
    default:
        break;
    }
}

double Dravo::getEngineValue(int index) const {
    return index >= 0 && index < kNumParams ? engineValues[index].load(std::memory_order_relaxed)
                                            : 0.0;
}

void Dravo::updateSection(Section section) {
    if (section == Section::None) return;
    auto& version = sectionVersion[(int)section];
    unsigned mine = version.fetch_add(1, std::memory_order_acq_rel) + 1;
    for (;;) {
        auto hz = [this](int i) { return getEngineValue(i); };
        switch (section) {
        case Section::LowCut:
            engine.setSection(EqEngine::Section::LowCut, position(8), 0, hz(9), 0.0, 0.0);
            break;
        case Section::HighCut:
            engine.setSection(EqEngine::Section::HighCut, position(10), 0, hz(11), 0.0, 0.0);
            break;
        case Section::LowShelf:
            engine.setSection(EqEngine::Section::LowShelf, position(12), position(14), hz(13), 0.0,
                              getEngineValue(15));
            break;
        case Section::LowMid:
            engine.setSection(EqEngine::Section::Mid1, position(16), 0, hz(17), getEngineValue(18),
                              getEngineValue(19));
            break;
        case Section::Mid:
            engine.setSection(EqEngine::Section::Mid2, position(20), 0, hz(21), getEngineValue(22),
                              getEngineValue(23));
            break;
        case Section::HighShelf:
            engine.setSection(EqEngine::Section::HighShelf, position(24), position(26), hz(25), 0.0,
                              getEngineValue(27));
            break;
        case Section::None:
            return;
        }
        // Another thread changed this section meanwhile and may have updated
        // the engine before us with older values: apply the newest set.
        unsigned now = version.load(std::memory_order_acquire);
        if (now == mine) return;
        mine = now;
    }
}

float Dravo::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumParams
               ? (float)normalised[index].load(std::memory_order_relaxed)
               : 0.0f;
}

void Dravo::getParameterName(VstInt32 index, char* text) {
    copyText(text, index >= 0 && index < kNumParams ? kParams[index].name : "", kVstMaxParamStrLen);
}

void Dravo::getParameterLabel(VstInt32 /*index*/, char* label) {
    *label = 0;
}

void Dravo::getParameterDisplay(VstInt32 index, char* hostText) {
    if (index < 0 || index >= kNumParams) {
        *hostText = 0;
        return;
    }
    // Composed locally, then handed over cut to 8 characters: a value far
    // outside 0..1 must not run past the host's buffer.
    char text[32];
    std::memset(text, 0, sizeof text);
    bool wrote = true;
    const double e = getEngineValue(index);
    const double v = normalised[index].load(std::memory_order_relaxed);
    const int pos = (int)e;
    // Switch texts by position; a position outside the switch's range leaves
    // the buffer untouched.
    auto pick = [&](const char* const* texts, int count) {
        wrote = pos >= 0 && pos < count;
        if (wrote) std::strcpy(text, texts[pos]);
    };
    static const char* const kPhase[] = {"Normal", "Reverse"};
    static const char* const kCut[] = {"Off  ", "On   "};
    static const char* const kShelfMode[] = {"II", "0", "I"};
    static const char* const kShape[] = {"Shelf", "Steep", "Peak"};
    static const char* const kMidMode[] = {"-", "0", "+"};

    switch (kParams[index].display) {
    case Display::None:
        *text = 0;
        break;
    case Display::MasterSwitch:
        std::strcpy(text, e != 0.0 ? "On   " : "Off  ");
        break;
    case Display::Channel:
        std::strcpy(text, v < 0.25 ? "Right" : (v < 0.75 ? "Stereo" : "Left"));
        break;
    case Display::Phase:
        pick(kPhase, 2);
        break;
    case Display::OutputDb:
        dB2string2((float)e, 0, text);
        break;
    case Display::Saturation:
        std::strcpy(text, e != 0.0 ? "Sat" : "Off");
        break;
    case Display::CutSwitch:
        pick(kCut, 2);
        break;
    case Display::Frequency:
        frequencyStringConvert2((float)e, text);
        break;
    case Display::ShelfMode:
        pick(kShelfMode, 3);
        break;
    case Display::ShelfShape:
        pick(kShape, 3);
        break;
    case Display::GainDb:
        float2string2((float)e, 2, text);
        std::strcat(text, "dB");
        break;
    case Display::MidMode:
        pick(kMidMode, 3);
        break;
    case Display::QText:
        std::strcpy(text, v < 0.25 ? "0.7" : (v < 0.75 ? "2.0" : "4.0"));
        break;
    }
    if (wrote) copyText(hostText, text, kVstMaxParamStrLen + 1);
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
    writeFactoryPresets(*this);
}

void Dravo::suspend() {
    engine.suspend();
    if (adEditor) adEditor->internalSampleRateChanged();
    suspendedOnce = true;
}

void Dravo::resume() {
    if (!suspendedOnce) suspend();
    // The engine picks its internal rate from the host rate, retunes, and
    // answers the validated rate (44100 for a rate outside 20000..200000).
    sampleRate = engine.resume(sampleRate);
    getOutputLatency();
    updateBlockSize();
    setInitialDelay((VstInt32)getLatency2());
    if (adEditor) {
        adEditor->internalSampleRateChanged();
        adEditor->resume();
    }
}

void Dravo::initUpsDec() {
    engine.initUpsDec();
}

float Dravo::getLatency2() {
    return (float)engine.getLatency2();
}

float Dravo::getLatency1() {
    const float r = sampleRate >= 20000.0f && sampleRate <= 200000.0f ? sampleRate : 44100.0f;
    return getLatency2() * 1000.0f / r;
}

template <typename T> void Dravo::processStereo(T** inputs, T** outputs, VstInt32 sampleFrames) {
    const bool in2 = isInputConnected(1) && isInputStereo();
    const bool out2 = isOutputConnected(1) && isOutputStereo();
    engine.processStereo(inputs, outputs, sampleFrames, in2, out2);
}

template <typename T> void Dravo::processMono(T** inputs, T** outputs, VstInt32 sampleFrames) {
    isInputConnected(1); // the host sees the same three pin queries as in stereo
    const bool out2 = isOutputConnected(1) && isOutputStereo();
    engine.processMono(inputs, outputs, sampleFrames, out2);
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
