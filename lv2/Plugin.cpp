// The equaliser as an LV2 plug-in (stereo and mono): binds one Model and one
// program store to the host's ports and state. Links the model and the engine
// only, so a host without a display can load it.
//
// Control ports are read once per run(), each into a local, and a value is
// handed to the model only when its bits changed since the last read: the
// engine then glides exactly as when a VST 2.x host sets that parameter, and
// the current preset record keeps the value as the VST 2.x effect keeps it.
//
// State is the program store's chunk, the same bytes as the VST 2.x effect's
// chunk. The ports belong to the host, which saves and restores their values
// itself: restoring state loads the bank and the current preset's number,
// and the parameters follow the ports.
#include "lv2/Ports.h"
#include "model/FactoryPresets.h"
#include "model/Identity.h"
#include "model/Model.h"
#include "model/ProgramStore.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace dravo::lv2 {
namespace {

struct Instance final : ProgramStore::Owner {
    Instance(const Variant& v, double rate) : variant(v), hostRate((float)rate) {
        writeFactoryPresets(store);
        store.takeDefaultRecord();
    }

    // What the store asks of its plug-in. Selecting a preset only makes it
    // current: a plug-in cannot set its own ports.
    int32_t getUniqueID() override { return kUniqueId; }
    bool isDummy(int index) override { return isDummyParam(index); }
    bool isDummyOld(int index) override { return isDummyParam(index); }
    void setPresetNo(long n) override {
        store.selectPreset(n, [](const PresetRecord&) {});
    }
    void setPresetName(const char* name) override { store.setName(name); }

    // Reads every connected control port and sets the changed ones.
    void readControls();
    void writeLatency() {
        if (latencyOut) *latencyOut = latency;
    }

    const Variant& variant;
    const float hostRate;
    Model model;
    ProgramStore store{*this, kFactoryPresetTable};
    float latency = 0.0f;
    LV2_URID_Map* map = nullptr;

    const float* controls[kNumControlPorts] = {};
    uint32_t lastBits[kNumControlPorts] = {};
    bool seen[kNumControlPorts] = {}; // false: set at the next read whatever its bits
    float* latencyOut = nullptr;
    float* in[2] = {};
    float* out[2] = {};
};

void Instance::readControls() {
    for (int i = 0; i < kNumControlPorts; ++i) {
        if (!controls[i]) continue;
        // One relaxed atomic read: a host (or a test) may write the port from
        // another thread while run() reads it.
        float value;
        __atomic_load(controls[i], &value, __ATOMIC_RELAXED);
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        if (seen[i] && bits == lastBits[i]) continue;
        seen[i] = true;
        lastBits[i] = bits;
        const Param p = controlParam(i);
        double normalised;
        if (!normalisedForPort(p, value, normalised)) continue;
        model.set(p, normalised);
        // As the VST 2.x effect keeps it: "EQ all" and "LSR" are the same in
        // every preset.
        if (p == Param::Master || p == Param::Channel)
            store.setValueAllPresets(index(p), (float)normalised);
        else
            store.setValue(index(p), (float)normalised);
    }
}

Instance* self(LV2_Handle h) {
    return static_cast<Instance*>(h);
}

const Variant* variantOf(const LV2_Descriptor* descriptor);

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features) {
    const Variant* variant = variantOf(descriptor);
    if (!variant) return nullptr;
    Instance* instance;
    try {
        instance = new Instance(*variant, rate);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            instance->map = static_cast<LV2_URID_Map*>(features[i]->data);
    // As the VST 2.x effect starts: the interpolator, every parameter at its
    // default (as the 32-bit float a preset stores), then suspended.
    EqEngine& engine = instance->model.engine();
    engine.initUpsDec();
    for (const ParamInfo& p : kParams)
        instance->model.set(p.id, (float)p.defaultValue);
    engine.suspend();
    return instance;
}

void connectPort(LV2_Handle h, uint32_t port, void* data) {
    Instance& s = *self(h);
    const int channels = s.variant.channels;
    if (port < (uint32_t)kNumControlPorts)
        s.controls[port] = static_cast<const float*>(data);
    else if (port == (uint32_t)kLatencyPort)
        s.latencyOut = static_cast<float*>(data);
    else if (port < (uint32_t)audioInPort(channels))
        s.in[port - audioInPort(0)] = static_cast<float*>(data);
    else if (port < (uint32_t)numPorts(s.variant))
        s.out[port - audioOutPort(s.variant, 0)] = static_cast<float*>(data);
}

// The ports' values are taken before the engine retunes and clears, so a
// session starts at its settings instead of gliding there from the defaults.
void activate(LV2_Handle h) {
    Instance& s = *self(h);
    s.readControls();
    EqEngine& engine = s.model.engine();
    engine.resume(s.hostRate);
    // Whole samples, as the VST 2.x face reports its initialDelay.
    s.latency = (float)(int32_t)(float)engine.getLatency2();
    s.writeLatency();
}

void run(LV2_Handle h, uint32_t frames) {
    Instance& s = *self(h);
    s.readControls();
    s.writeLatency();
    EqEngine& engine = s.model.engine();
    const int channels = s.variant.channels;
    for (int c = 0; c < channels; ++c)
        if (!s.in[c] || !s.out[c]) return;
    // The engine takes an int count; no host hands over more in one call.
    for (uint32_t done = 0; done < frames;) {
        const int n = (int)(frames - done < (uint32_t)INT_MAX ? frames - done : INT_MAX);
        float* in[2] = {s.in[0] + done, channels == 2 ? s.in[1] + done : nullptr};
        float* out[2] = {s.out[0] + done, channels == 2 ? s.out[1] + done : nullptr};
        if (channels == 2)
            engine.processStereo(in, out, n, true, true);
        else
            engine.processMono(in, out, n, false);
        done += (uint32_t)n;
    }
}

void deactivate(LV2_Handle h) {
    self(h)->model.engine().suspend();
}

void cleanup(LV2_Handle h) {
    delete self(h);
}

// The bank is stored under this key as an atom:Chunk.
constexpr const char* kBankKey = "urn:veyaudioworks:dravo#bank";

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function storeValue, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    Instance& s = *self(h);
    if (!s.map) return LV2_STATE_ERR_NO_FEATURE;
    void* chunk = nullptr;
    const int32_t size = s.store.getChunk(&chunk);
    if (size <= 0 || !chunk) return LV2_STATE_ERR_UNKNOWN;
    const LV2_URID key = s.map->map(s.map->handle, kBankKey);
    const LV2_URID type = s.map->map(s.map->handle, LV2_ATOM__Chunk);
    return storeValue(handle, key, chunk, (size_t)size, type,
                      LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

// A bank that is not this plug-in's, or is damaged, changes nothing.
LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Instance& s = *self(h);
    if (!s.map) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* chunk = retrieve(handle, s.map->map(s.map->handle, kBankKey), &size, &type, &flags);
    if (!chunk) return LV2_STATE_SUCCESS; // nothing saved: the bank stays
    if (type != s.map->map(s.map->handle, LV2_ATOM__Chunk)) {
        std::fprintf(stderr, "%s: saved bank refused: not a chunk; nothing changed\n", kEffectName);
        return LV2_STATE_ERR_BAD_TYPE;
    }
    if (size > (size_t)INT32_MAX || s.store.setChunk(chunk, (int32_t)size) != 0) {
        std::fprintf(stderr,
                     "%s: saved bank refused: not this plug-in's or damaged (%zu bytes); "
                     "nothing changed\n",
                     kEffectName, size);
        return LV2_STATE_ERR_UNKNOWN;
    }
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface kState = {save, restore};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &kState : nullptr;
}

constexpr LV2_Descriptor descriptorFor(const Variant& v) {
    return {v.uri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData};
}

const LV2_Descriptor kDescriptors[kNumVariants] = {descriptorFor(kVariants[0]),
                                                   descriptorFor(kVariants[1])};

const Variant* variantOf(const LV2_Descriptor* descriptor) {
    for (int i = 0; i < kNumVariants; ++i)
        if (descriptor == &kDescriptors[i]) return &kVariants[i];
    return nullptr;
}

} // namespace
} // namespace dravo::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    using namespace dravo::lv2;
    return index < (uint32_t)kNumVariants ? &kDescriptors[index] : nullptr;
}
