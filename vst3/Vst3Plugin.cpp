#include "vst3/Vst3Plugin.h"

#include "model/FactoryPresets.h"
#include "model/Identity.h"
#include "model/ValueParse.h"
#include "model/ValueText.h"
#include "presets/StoredPresets.h"
#include "vst3/Strings.h"
#include "vst3/Vst3View.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace dravo::vst3face {

namespace {

// The parameters that reach the engine, in index order: the placeholders
// and the stored-only slots are not parameters to the host.
struct HostParameters {
    Param params[kNumParams];
    int count = 0;
    constexpr HostParameters() : params() {
        for (int i = 0; i < kNumParams; ++i)
            if (isActive(paramAt(i))) params[count++] = paramAt(i);
    }
};
constexpr HostParameters kHostParameters;

// Longest chunk read from a host's stream: far above the largest chunk
// layout, so only a foreign blob is refused for its size.
constexpr int64_t kMaxChunkBytes = 1 << 20;

// The title a host lists: the VST 2.x name, with the section's name before
// it where two parameters share that name (the mids' "Mfreq", "MQ", "Mgain").
void titleOf(Param p, char16* field) {
    const ParamInfo& i = info(p);
    bool shared = false;
    for (int k = 0; k < kHostParameters.count; ++k) {
        const Param other = kHostParameters.params[k];
        shared |= other != p && std::strcmp(info(other).name, i.name) == 0;
    }
    std::string title = i.name;
    if (shared) title = std::string(dravo::info(i.section).name) + " " + title;
    toUtf16(title.c_str(), field, 128);
}

int stepCountOf(Param p) {
    const ParamInfo& i = info(p);
    if (i.positions.count > 0) return i.positions.count - 1;
    if (i.table) return i.table->last;
    // The gains step in 1/160 of the range by truncation: a host's k/160 can
    // fall just below its step, so the host is told they are continuous.
    return 0;
}

const char* unitOf(Param p) {
    switch (info(p).unit) {
    case Unit::Hz:
        return "Hz";
    case Unit::Db:
        return "dB";
    case Unit::None:
        break;
    }
    return "";
}

// The whole rest of a host's stream; false for a blob too large to be ours.
bool readAll(IBStream* state, std::vector<unsigned char>& chunk) {
    unsigned char buffer[4096];
    for (;;) {
        int32_t got = 0;
        if (state->read(buffer, sizeof buffer, &got) != kResultOk || got <= 0) return true;
        chunk.insert(chunk.end(), buffer, buffer + std::min<int32_t>(got, sizeof buffer));
        if ((int64_t)chunk.size() > kMaxChunkBytes) return false;
    }
}

int presetFor(ParamValue v) {
    const int n = (int)std::lround(std::clamp(v, 0.0, 1.0) * (kNumPresets - 1));
    return std::clamp(n, 0, kNumPresets - 1);
}

} // namespace

int hostParameterCount() {
    return kHostParameters.count;
}

Param hostParameter(int position) {
    return kHostParameters.params[position];
}

bool paramForId(ParamID id, Param& p) {
    if (id >= (ParamID)kNumParams || !isActive(paramAt((int)id))) return false;
    p = paramAt((int)id);
    return true;
}

// As the VST 2.x effect starts: the factory bank, the user's default bank and
// preset from the preferences, preset 0 applied, the engine suspended at
// 44100 Hz.
Vst3Plugin::Vst3Plugin() : store(*this, kFactoryPresetTable) {
    engine().initInterpolationKernel();
    store.fillFromTable();
    StoredPresets(kPreferencesIdentifier).startBank(store);
    engine().suspend();
    toldLatency = (uint32_t)latencySamples();
}

Vst3Plugin::~Vst3Plugin() {
    if (handler) handler->release();
}

// ---------------------------------------------------------------------------
// FUnknown and IPluginBase

tresult Vst3Plugin::queryInterface(const uint8_t* iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (kFUnknownIid.matches(iid) || kIComponentIid.matches(iid) || kIPluginBaseIid.matches(iid))
        *obj = static_cast<IComponent*>(this);
    else if (kIAudioProcessorIid.matches(iid))
        *obj = static_cast<IAudioProcessor*>(this);
    else if (kIEditControllerIid.matches(iid))
        *obj = static_cast<IEditController*>(this);
    else if (kIUnitInfoIid.matches(iid))
        *obj = static_cast<IUnitInfo*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3Plugin::addRef() {
    return refs.fetch_add(1) + 1;
}

uint32_t Vst3Plugin::release() {
    const uint32_t left = refs.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

tresult Vst3Plugin::initialize(FUnknown*) {
    ++initialised;
    return kResultOk;
}

tresult Vst3Plugin::terminate() {
    if (initialised > 0 && --initialised == 0) setComponentHandler(nullptr);
    return kResultOk;
}

// ---------------------------------------------------------------------------
// IComponent

// The controller is this object: no class of its own.
tresult Vst3Plugin::getControllerClassId(uint8_t*) {
    return kResultFalse;
}

int32_t Vst3Plugin::getBusCount(int32_t type, int32_t) {
    return type == kAudio ? 1 : 0;
}

tresult Vst3Plugin::getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo* bus) {
    if (type != kAudio || index != 0 || !bus || (dir != kInput && dir != kOutput))
        return kInvalidArgument;
    *bus = BusInfo{};
    bus->mediaType = kAudio;
    bus->direction = dir;
    bus->channelCount = (dir == kInput ? inputStereo : outputStereo) ? 2 : 1;
    toUtf16(dir == kInput ? "Input" : "Output", bus->name, 128);
    bus->busType = kMain;
    bus->flags = kDefaultActive;
    return kResultOk;
}

tresult Vst3Plugin::activateBus(int32_t type, int32_t, int32_t index, TBool) {
    return type == kAudio && index == 0 ? kResultOk : kInvalidArgument;
}

// Activation is the VST 2.x resume: the engine picks its internal rate from
// the host rate and answers the validated rate. A latency that differs from
// the one the host was told is told again.
tresult Vst3Plugin::setActive(TBool state) {
    if (state && !active) {
        validatedRate_ = engine().resume(hostRate);
        active = true;
        parked.parkMeters();
        const uint32_t latency = (uint32_t)latencySamples();
        if (latency != toldLatency) {
            toldLatency = latency;
            if (handler) handler->restartComponent(kLatencyChanged);
        }
    } else if (!state && active) {
        engine().suspend();
        active = false;
        parked.parkMeters();
    }
    return kResultOk;
}

// The same bytes as the VST 2.x chunk: a bank moves between the formats.
tresult Vst3Plugin::getState(IBStream* state) {
    if (!state) return kInvalidArgument;
    void* data = nullptr;
    const int32_t size = store.getChunk(&data);
    if (size <= 0) return kInternalError;
    int32_t written = 0;
    if (state->write(data, size, &written) != kResultOk || written != size) return kResultFalse;
    return kResultOk;
}

tresult Vst3Plugin::setState(IBStream* state) {
    return loadChunkFrom(state);
}

tresult Vst3Plugin::loadChunkFrom(IBStream* state) {
    if (!state) return kInvalidArgument;
    std::vector<unsigned char> chunk;
    if (!readAll(state, chunk)) return kResultFalse;
    if (chunk.empty() || store.setChunk(chunk.data(), (int32_t)chunk.size()) != 0)
        return kResultFalse;
    tellHostValuesChanged();
    return kResultOk;
}

// ---------------------------------------------------------------------------
// IAudioProcessor

// Stereo, or mono in and out, or mono in and stereo out, as the VST 2.x
// effect's speaker arrangements; only while inactive.
tresult Vst3Plugin::setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                       SpeakerArrangement* outputs, int32_t numOuts) {
    if (active || numIns != 1 || numOuts != 1 || !inputs || !outputs) return kResultFalse;
    const SpeakerArrangement in = inputs[0], out = outputs[0];
    const bool inOk = in == speaker::kStereo || in == speaker::kMono;
    const bool outOk = out == speaker::kStereo || out == speaker::kMono;
    if (!inOk || !outOk || (in == speaker::kStereo && out == speaker::kMono)) return kResultFalse;
    inputStereo = in == speaker::kStereo;
    outputStereo = out == speaker::kStereo;
    return kResultTrue;
}

tresult Vst3Plugin::getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement& arr) {
    if (index != 0 || (dir != kInput && dir != kOutput)) return kInvalidArgument;
    arr = (dir == kInput ? inputStereo : outputStereo) ? speaker::kStereo : speaker::kMono;
    return kResultOk;
}

tresult Vst3Plugin::canProcessSampleSize(int32_t size) {
    return size == kSample32 || size == kSample64 ? kResultTrue : kResultFalse;
}

uint32_t Vst3Plugin::getLatencySamples() {
    return (uint32_t)latencySamples();
}

tresult Vst3Plugin::setupProcessing(ProcessSetup& setup) {
    if (active) return kResultFalse;
    hostRate = (float)setup.sampleRate;
    return kResultOk;
}

template <typename T> void Vst3Plugin::processAudio(ProcessData& data, int offset, int frames) {
    if (frames <= 0 || data.numInputs < 1 || data.numOutputs < 1) return;
    const AudioBusBuffers& in = data.inputs[0];
    AudioBusBuffers& out = data.outputs[0];
    T** inBuffers = reinterpret_cast<T**>(in.channelBuffers32);
    T** outBuffers = reinterpret_cast<T**>(out.channelBuffers32);
    if (!inBuffers || !outBuffers || in.numChannels < 1 || out.numChannels < 1) return;
    T* ins[2] = {inBuffers[0] + offset, inBuffers[in.numChannels > 1 ? 1 : 0] + offset};
    T* outs[2] = {outBuffers[0] + offset, outBuffers[out.numChannels > 1 ? 1 : 0] + offset};
    const bool out2 = outputStereo && out.numChannels > 1;
    if (inputStereo && in.numChannels > 1)
        engine().processStereo(ins, outs, frames, true, out2);
    else
        engine().processMono(ins, outs, frames, out2);
    analyser.push(outs, out2 ? 2 : 1, frames);
}

// Parameter changes split the block at their points: the audio before a
// point is processed with the values before it, then the point's value is
// applied, as a VST 2.x host that sets the parameter between two calls
// (blocks of offset and numSamples - offset samples) would have it. Changes
// at offset 0 are therefore exactly the VST 2.x face's changes between
// blocks. Nothing here allocates, locks or waits.
tresult Vst3Plugin::process(ProcessData& data) {
    constexpr int kMaxQueues = 64;
    IParamValueQueue* queues[kMaxQueues];
    int32_t cursor[kMaxQueues];
    Param params[kMaxQueues];
    int numQueues = 0;
    if (IParameterChanges* changes = data.inputParameterChanges) {
        const int32_t count = changes->getParameterCount();
        for (int32_t i = 0; i < count && numQueues < kMaxQueues; ++i) {
            IParamValueQueue* q = changes->getParameterData(i);
            // The preset selector is the controller's (setParamNormalized):
            // it is not automatable and is not applied here.
            if (q && paramForId(q->getParameterId(), params[numQueues])) {
                queues[numQueues] = q;
                cursor[numQueues++] = 0;
            }
        }
    }

    const int frames = std::max(0, data.numSamples);
    const bool doubles = data.symbolicSampleSize == kSample64;
    for (int pos = 0;;) {
        int next = frames;
        for (int k = 0; k < numQueues; ++k) {
            const int32_t points = queues[k]->getPointCount();
            while (cursor[k] < points) {
                int32_t offset = 0;
                ParamValue value = 0;
                if (queues[k]->getPoint(cursor[k], offset, value) != kResultOk) {
                    cursor[k] = points;
                    break;
                }
                if (pos < frames && offset > pos) {
                    next = std::min(next, (int)offset);
                    break;
                }
                setParameter(params[k], (float)value);
                ++cursor[k];
            }
        }
        if (pos >= frames) break;
        if (doubles)
            processAudio<double>(data, pos, next - pos);
        else
            processAudio<float>(data, pos, next - pos);
        pos = next;
    }
    for (int32_t b = 0; b < data.numOutputs; ++b)
        data.outputs[b].silenceFlags = 0;
    return kResultOk;
}

// ---------------------------------------------------------------------------
// Parameters

void Vst3Plugin::setParameter(Param p, float value) {
    if (!model.set(p, value)) return;
    store.keepParameter(p, value);
    parked.parkParameter(p, value);
}

void Vst3Plugin::applyPreset(const PresetRecord& record) {
    for (int i = 0; i < kNumPresetParams; i++)
        setParameter(paramAt(i), record.values[i]);
}

void Vst3Plugin::tellHostValuesChanged() {
    if (handler) handler->restartComponent(kParamValuesChanged);
}

// ---------------------------------------------------------------------------
// IEditController

// The controller is the processor: the state the host hands over is the one
// the processor was given; it is loaded only when it differs from what the
// object holds.
tresult Vst3Plugin::setComponentState(IBStream* state) {
    if (!state) return kInvalidArgument;
    std::vector<unsigned char> chunk;
    if (!readAll(state, chunk)) return kResultFalse;
    void* held = nullptr;
    const int32_t size = store.getChunk(&held);
    if (size == (int32_t)chunk.size() && size > 0 && std::memcmp(held, chunk.data(), size) == 0)
        return kResultOk;
    if (chunk.empty() || store.setChunk(chunk.data(), (int32_t)chunk.size()) != 0)
        return kResultFalse;
    tellHostValuesChanged();
    return kResultOk;
}

int32_t Vst3Plugin::getParameterCount() {
    return hostParameterCount() + 1;
}

tresult Vst3Plugin::getParameterInfo(int32_t paramIndex, ParameterInfo& out) {
    if (paramIndex < 0 || paramIndex > hostParameterCount()) return kInvalidArgument;
    out = ParameterInfo{};
    out.unitId = kRootUnitId;
    if (paramIndex == hostParameterCount()) {
        out.id = kPresetParamId;
        toUtf16("Preset", out.title, 128);
        toUtf16("Preset", out.shortTitle, 128);
        out.stepCount = kNumPresets - 1;
        out.defaultNormalizedValue = 0.0;
        out.flags = ParameterInfo::kIsProgramChange | ParameterInfo::kIsList;
        return kResultOk;
    }
    const Param p = hostParameter(paramIndex);
    const ParamInfo& i = info(p);
    out.id = (ParamID)index(p);
    titleOf(p, out.title);
    toUtf16(i.name, out.shortTitle, 128);
    toUtf16(unitOf(p), out.units, 128);
    out.stepCount = stepCountOf(p);
    out.defaultNormalizedValue = i.defaultValue;
    out.flags = ParameterInfo::kCanAutomate | (i.positions.count ? ParameterInfo::kIsList : 0);
    return kResultOk;
}

tresult Vst3Plugin::getParamStringByValue(ParamID id, ParamValue v, String128 string) {
    if (!string) return kInvalidArgument;
    if (id == kPresetParamId) {
        char name[kPresetNameSize + 1] = {};
        std::memcpy(name, store.records()[presetFor(v)].name, kPresetNameSize);
        toUtf16(name, string, 128);
        return kResultOk;
    }
    // The value as the model will hold it: a 32-bit float, as in the chunk.
    Param p;
    char text[64] = {};
    if (!paramForId(id, p) || !valueText(p, (float)v, text)) return kResultFalse;
    toUtf16(text, string, 128);
    return kResultOk;
}

tresult Vst3Plugin::getParamValueByString(ParamID id, char16* string, ParamValue& v) {
    if (!string) return kInvalidArgument;
    const std::string text = toUtf8(string);
    if (id == kPresetParamId) {
        for (int n = 0; n < kNumPresets; ++n) {
            char name[kPresetNameSize + 1] = {};
            std::memcpy(name, store.records()[n].name, kPresetNameSize);
            if (squeezed(name) == squeezed(text)) {
                v = (double)n / (kNumPresets - 1);
                return kResultOk;
            }
        }
        return kResultFalse;
    }
    Param p;
    double normalised = 0;
    if (!paramForId(id, p) || !normalisedForText(p, text, normalised)) return kResultFalse;
    v = normalised;
    return kResultOk;
}

ParamValue Vst3Plugin::normalizedParamToPlain(ParamID id, ParamValue v) {
    if (id == kPresetParamId) return presetFor(v);
    Param p;
    return paramForId(id, p) ? realValueOf(p, (float)v) : v;
}

ParamValue Vst3Plugin::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id == kPresetParamId)
        return std::clamp(std::round(plain), 0.0, kNumPresets - 1.0) / (kNumPresets - 1);
    Param p;
    return paramForId(id, p) ? normalisedForReal(p, plain) : plain;
}

ParamValue Vst3Plugin::getParamNormalized(ParamID id) {
    if (id == kPresetParamId) return (double)store.current() / (kNumPresets - 1);
    Param p;
    return paramForId(id, p) ? (double)parameter(p) : 0.0;
}

// A value the host sets here is in the model and the state at once, as a
// VST 2.x setParameter; the host sends it to process() as well, which sets
// the same value again. Choosing a preset applies it and tells the host.
tresult Vst3Plugin::setParamNormalized(ParamID id, ParamValue value) {
    if (id == kPresetParamId) {
        const int n = presetFor(value);
        if (n != store.current()) {
            store.selectPreset(n);
            tellHostValuesChanged();
        }
        return kResultOk;
    }
    Param p;
    if (!paramForId(id, p) || !std::isfinite(value)) return kInvalidArgument;
    setParameter(p, (float)value);
    return kResultOk;
}

tresult Vst3Plugin::setComponentHandler(IComponentHandler* h) {
    if (h == handler) return kResultOk;
    if (h) h->addRef();
    if (handler) handler->release();
    handler = h;
    return kResultOk;
}

IPlugView* Vst3Plugin::createView(const char* name) {
    if (!name || std::strcmp(name, "editor") != 0) return nullptr;
    try {
        return new Vst3View(*this);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// IUnitInfo

tresult Vst3Plugin::getUnitInfo(int32_t unitIndex, UnitInfo& out) {
    if (unitIndex != 0) return kInvalidArgument;
    out = UnitInfo{};
    out.id = kRootUnitId;
    out.parentUnitId = kNoParentUnitId;
    toUtf16(kEffectName, out.name, 128);
    out.programListId = kPresetListId;
    return kResultOk;
}

tresult Vst3Plugin::getProgramListInfo(int32_t listIndex, ProgramListInfo& out) {
    if (listIndex != 0) return kInvalidArgument;
    out = ProgramListInfo{};
    out.id = kPresetListId;
    toUtf16("Presets", out.name, 128);
    out.programCount = kNumPresets;
    return kResultOk;
}

tresult Vst3Plugin::getProgramName(ProgramListID listId, int32_t programIndex, String128 name) {
    if (listId != kPresetListId || programIndex < 0 || programIndex >= kNumPresets || !name)
        return kInvalidArgument;
    char text[kPresetNameSize + 1] = {};
    std::memcpy(text, store.records()[programIndex].name, kPresetNameSize);
    toUtf16(text, name, 128);
    return kResultOk;
}

} // namespace dravo::vst3face
