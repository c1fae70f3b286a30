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
//
// The editor reaches the bank through the message ports only, in small
// messages of our own (lv2/Messages.h): a Get asks for the rate and the bank,
// the bank travels both ways in pieces. The chunk is encoded and decoded by
// the host's worker, never in run(), and never passes through the worker's
// rings: the worker reads and writes buffers the instance owns, and the job
// says only which one. run() only copies pieces to and from those buffers.
// Blocks that clip are told to the editor as they happen, and the output
// samples (the mean of the channels) while the editor's analyser wants them.
//
// Ardour's inline display (lv2/InlineDisplay.h): render draws the response
// curve of the model's values (atomics) into a picture allocated with the
// instance; run() only asks the host for a new one when a value that shapes
// the curve changed.
#include "lv2/CurveImage.h"
#include "lv2/InlineDisplay.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"
#include "lv2/Uris.h"
#include "model/CurveSettings.h"
#include "model/FactoryPresets.h"
#include "model/Identity.h"
#include "model/Model.h"
#include "model/ProgramStore.h"
#include "model/SampleRing.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace dravo::lv2 {
namespace {

// The largest inline picture; a larger request is clamped to it.
constexpr int kMaxPictureWidth = 1024;
constexpr int kMaxPictureHeight = 512;

// Whether a parameter's value changes the response curve.
bool shapesCurve(Param p) {
    const Target t = info(p).target;
    return t == Target::Master || t == Target::Output || t == Target::Section;
}

struct Instance final : ProgramStore::Listener {
    Instance(const Variant& v, double rate) : variant(v), hostRate((float)rate) {
        writeFactoryPresets(store);
        store.takeDefaultRecord();
    }

    // Selecting a preset only makes it current: a plug-in cannot set its
    // own ports.
    void applyPreset(const PresetRecord&) override {}

    // Reads every connected control port and sets the changed ones.
    void readControls();
    void writeLatency() {
        if (latencyOut) *latencyOut = latency;
    }

    void mapUris();
    void readMessages();
    // Hands finished transfers to the worker and takes its results.
    void serveBank();
    bool scheduleJob(uint32_t kind, uint32_t size);
    // clipped: the block just processed reached full scale.
    void writeMessages(bool clipped);

    const Variant& variant;
    const float hostRate;
    Model model;
    ProgramStore store{*this, kFactoryPresetTable};
    // Held by the non-real-time users of the whole bank (state, worker);
    // run() only stores single values, which are atomics.
    std::mutex bankLock;
    float latency = 0.0f;
    LV2_URID_Map* map = nullptr;
    LV2_Worker_Schedule* schedule = nullptr;

    Uris uri{};
    LV2_Atom_Forge forge{};
    const LV2_Atom_Sequence* controlIn = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    bool sendRate = false;
    // Set by restore (another thread): the editor is told the new bank.
    std::atomic<bool> bankRestored{false};
    // No state restored and no bank from an editor yet.
    std::atomic<bool> fresh{true};

    // The bank to the editor: the worker encodes it into outgoing and says
    // its size in outgoingReady (-1 while encoding, 0 when it failed); run()
    // then sends it in pieces. Between those, only the audio thread looks.
    enum class Outgoing { Idle, Encoding, Sending };
    Outgoing outgoingState = Outgoing::Idle;
    bool bankWanted = false;
    std::atomic<int32_t> outgoingReady{-1};
    unsigned char outgoing[kMaxTransferSize];
    uint32_t outgoingSize = 0;
    uint32_t outgoingNext = 0;
    int32_t outgoingSerial = 0;
    // A bank from the editor: its pieces gather in incoming (audio thread);
    // a whole one is copied to decoding when the worker is done with the
    // last (decodeBusy, cleared by the worker).
    Reassembly incoming;
    bool incomingWhole = false;
    std::atomic<bool> decodeBusy{false};
    unsigned char decoding[kMaxTransferSize];
    // The output samples on their way to the editor (audio thread only).
    SampleRing analyser;

    const float* controls[kNumControlPorts] = {};
    uint32_t lastBits[kNumControlPorts] = {};
    bool seen[kNumControlPorts] = {}; // false: set at the next read whatever its bits
    float* latencyOut = nullptr;
    float* in[2] = {};
    float* out[2] = {};

    // The inline display: the host's redraw request (null when not given),
    // whether the curve changed since the last request (audio thread only),
    // and the picture render draws into (GUI thread only).
    const InlineDisplayQueueDraw* queueDraw = nullptr;
    bool curveChanged = false;
    std::unique_ptr<uint32_t[]> picture{new uint32_t[kMaxPictureWidth * kMaxPictureHeight]};
    InlineDisplaySurface surface{};
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
        if (shapesCurve(p) && engineValueOf(p, normalised) != model.engineValue(p))
            curveChanged = true;
        model.set(p, normalised);
        // As the VST 2.x effect keeps it.
        if (sameInEveryPreset(p))
            store.setValueAllPresets(index(p), (float)normalised);
        else
            store.setValue(index(p), (float)normalised);
    }
}

void Instance::mapUris() {
    if (!map) return;
    uri = lv2::mapUris(map);
    lv2_atom_forge_init(&forge, map);
}

// The worker's jobs: what to do and, for a decode, how many bytes.
struct Job {
    uint32_t kind;
    uint32_t size;
};
constexpr uint32_t kEncodeBank = 1; // the store's chunk into outgoing
constexpr uint32_t kDecodeBank = 2; // decoding (size bytes) into the store

bool Instance::scheduleJob(uint32_t kind, uint32_t size) {
    const Job job{kind, size};
    return schedule &&
           schedule->schedule_work(schedule->handle, sizeof job, &job) == LV2_WORKER_SUCCESS;
}

// A Get asks for the rate and the bank; the pieces of a bank from the editor
// gather until it is whole.
void Instance::readMessages() {
    if (!controlIn || !map) return;
    LV2_ATOM_SEQUENCE_FOREACH(controlIn, ev) {
        if ((ev->body.type != uri.object && ev->body.type != uri.blank) ||
            ev->body.size < sizeof(LV2_Atom_Object_Body))
            continue;
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        Piece piece;
        bool on = false;
        if (readAnalyser(obj, uri, on)) {
            analyser.setOn(on);
        } else if (obj->body.otype == uri.get) {
            sendRate = true;
            bankWanted = true;
        } else if (readPiece(obj, uri, piece)) {
            incomingWhole = incoming.take(piece);
        }
    }
}

void Instance::serveBank() {
    if (incomingWhole && !decodeBusy.load(std::memory_order_acquire)) {
        std::memcpy(decoding, incoming.data(), incoming.size());
        decodeBusy.store(true, std::memory_order_relaxed);
        if (scheduleJob(kDecodeBank, incoming.size()))
            incomingWhole = false;
        else
            decodeBusy.store(false, std::memory_order_relaxed); // tried again next run
    }
    if (bankRestored.exchange(false)) bankWanted = true;
    if (bankWanted && outgoingState == Outgoing::Idle) {
        outgoingReady.store(-1, std::memory_order_relaxed);
        outgoingState = Outgoing::Encoding;
        if (scheduleJob(kEncodeBank, 0))
            bankWanted = false;
        else
            outgoingState = Outgoing::Idle;
    }
    if (outgoingState == Outgoing::Encoding) {
        const int32_t size = outgoingReady.load(std::memory_order_acquire);
        if (size >= 0) {
            outgoingSize = (uint32_t)size;
            outgoingNext = 0;
            ++outgoingSerial;
            outgoingState = size > 0 ? Outgoing::Sending : Outgoing::Idle;
        }
    }
}

void Instance::writeMessages(bool clipped) {
    if (!notify || !map) return;
    const uint32_t capacity = notify->atom.size;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(notify), capacity);
    LV2_Atom_Forge_Frame sequence;
    if (!lv2_atom_forge_sequence_head(&forge, &sequence, 0)) return;
    // One small object of type otype at frame 0, if it fits whole.
    auto message = [this](LV2_URID otype, auto writeBody) {
        if (!hasRoom(forge, 128) || !lv2_atom_forge_frame_time(&forge, 0)) return false;
        LV2_Atom_Forge_Frame frame;
        const bool object = lv2_atom_forge_object(&forge, &frame, 0, otype) != 0;
        const bool ok = object && writeBody();
        lv2_atom_forge_pop(&forge, &frame);
        return ok;
    };
    const float peak = model.engine().getBlockPeak();
    if (clipped)
        message(uri.clip, [&] {
            return lv2_atom_forge_key(&forge, uri.value) && lv2_atom_forge_float(&forge, peak);
        });
    if (sendRate && message(uri.rate, [&] {
            return lv2_atom_forge_key(&forge, uri.value) &&
                   lv2_atom_forge_double(&forge, hostRate) &&
                   lv2_atom_forge_key(&forge, uri.fresh) &&
                   lv2_atom_forge_bool(&forge, fresh.load());
        }))
        sendRate = false;
    for (uint32_t n = 0; n < kPiecesPerCycle && outgoingState == Outgoing::Sending; ++n) {
        if (!hasRoom(forge, kPieceMessageSize + sizeof(LV2_Atom_Event)) ||
            !lv2_atom_forge_frame_time(&forge, 0) ||
            !forgePiece(forge, uri, outgoingSerial, outgoingNext, outgoing, outgoingSize))
            break;
        if (++outgoingNext == piecesFor(outgoingSize)) outgoingState = Outgoing::Idle;
    }
    for (uint32_t n = 0; n < kSampleMessagesPerCycle && analyser.isOn(); ++n) {
        float samples[kSamplesPerMessage];
        if (!hasRoom(forge, kSamplesMessageSize + sizeof(LV2_Atom_Event))) break;
        const int count = analyser.pop(samples, (int)kSamplesPerMessage);
        if (count == 0 || !lv2_atom_forge_frame_time(&forge, 0) ||
            !forgeSamples(forge, uri, samples, (uint32_t)count))
            break;
    }
    lv2_atom_forge_pop(&forge, &sequence);
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
    for (int i = 0; features && features[i]; ++i) {
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            instance->map = static_cast<LV2_URID_Map*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_WORKER__schedule) == 0)
            instance->schedule = static_cast<LV2_Worker_Schedule*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, kInlineDisplayQueueDrawUri) == 0)
            instance->queueDraw = static_cast<const InlineDisplayQueueDraw*>(features[i]->data);
    }
    instance->mapUris();
    // As the VST 2.x effect starts: the interpolator, every parameter at its
    // default (as the 32-bit float a preset stores), then suspended.
    EqEngine& engine = instance->model.engine();
    engine.initInterpolationKernel();
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
    else if (port == (uint32_t)kControlInPort)
        s.controlIn = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == (uint32_t)kNotifyPort)
        s.notify = static_cast<LV2_Atom_Sequence*>(data);
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
    s.latency = (float)(int32_t)(float)engine.latencySamples();
    s.writeLatency();
}

void run(LV2_Handle h, uint32_t frames) {
    Instance& s = *self(h);
    s.readControls();
    // The rate is fixed for the instance's life: only values move the curve.
    if (s.curveChanged && s.queueDraw && s.queueDraw->queueDraw) {
        s.queueDraw->queueDraw(s.queueDraw->handle);
        s.curveChanged = false;
    }
    s.writeLatency();
    s.readMessages();
    s.serveBank();
    EqEngine& engine = s.model.engine();
    const int channels = s.variant.channels;
    bool connected = true;
    for (int c = 0; c < channels; ++c)
        connected = connected && s.in[c] && s.out[c];
    if (!connected) {
        s.writeMessages(false);
        return;
    }
    // The engine takes an int count; no host hands over more in one call.
    for (uint32_t done = 0; done < frames;) {
        const int n = (int)(frames - done < (uint32_t)INT_MAX ? frames - done : INT_MAX);
        float* in[2] = {s.in[0] + done, channels == 2 ? s.in[1] + done : nullptr};
        float* out[2] = {s.out[0] + done, channels == 2 ? s.out[1] + done : nullptr};
        if (channels == 2)
            engine.processStereo(in, out, n, true, true);
        else
            engine.processMono(in, out, n, false);
        s.analyser.push(out, channels, n);
        done += (uint32_t)n;
    }
    s.writeMessages(frames > 0 && engine.getBlockPeak() >= 1.0f);
}

void deactivate(LV2_Handle h) {
    self(h)->model.engine().suspend();
}

void cleanup(LV2_Handle h) {
    delete self(h);
}

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function storeValue, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    Instance& s = *self(h);
    if (!s.map) return LV2_STATE_ERR_NO_FEATURE;
    std::lock_guard<std::mutex> lock(s.bankLock);
    void* chunk = nullptr;
    const int32_t size = s.store.getChunk(&chunk);
    if (size <= 0 || !chunk) return LV2_STATE_ERR_UNKNOWN;
    // The bank is stored under its own URI as an atom:Chunk.
    return storeValue(handle, s.uri.bank, chunk, (size_t)size, s.uri.chunk,
                      LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

// A bank that is not this plug-in's, or is damaged, changes nothing.
LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Instance& s = *self(h);
    if (!s.map) return LV2_STATE_ERR_NO_FEATURE;
    std::lock_guard<std::mutex> lock(s.bankLock);
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* chunk = retrieve(handle, s.uri.bank, &size, &type, &flags);
    if (!chunk) return LV2_STATE_SUCCESS; // nothing saved: the bank stays
    if (type != s.uri.chunk) {
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
    s.bankRestored = true;
    s.fresh = false;
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface kState = {save, restore};

// The worker: decodes the editor's bank (a damaged one changes nothing) or
// encodes the store's, in the instance's own buffers, and says it is done
// through an atomic run() reads. Nothing goes back through the host.
LV2_Worker_Status work(LV2_Handle h, LV2_Worker_Respond_Function, LV2_Worker_Respond_Handle,
                       uint32_t size, const void* data) {
    Instance& s = *self(h);
    if (size != sizeof(Job)) return LV2_WORKER_ERR_UNKNOWN;
    Job job;
    std::memcpy(&job, data, sizeof job);
    std::lock_guard<std::mutex> lock(s.bankLock);
    if (job.kind == kDecodeBank) {
        if (job.size > sizeof s.decoding || s.store.setChunk(s.decoding, (int32_t)job.size) != 0)
            std::fprintf(stderr, "%s: bank from the editor refused; nothing changed\n",
                         kEffectName);
        else
            s.fresh = false;
        s.decodeBusy.store(false, std::memory_order_release);
        return LV2_WORKER_SUCCESS;
    }
    if (job.kind != kEncodeBank) return LV2_WORKER_ERR_UNKNOWN;
    void* chunk = nullptr;
    const int32_t bytes = s.store.getChunk(&chunk);
    const bool fits = bytes > 0 && chunk && (size_t)bytes <= sizeof s.outgoing;
    if (fits) std::memcpy(s.outgoing, chunk, (size_t)bytes);
    s.outgoingReady.store(fits ? bytes : 0, std::memory_order_release);
    return fits ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_UNKNOWN;
}

// Nothing is ever answered through the host.
LV2_Worker_Status workResponse(LV2_Handle, uint32_t, const void*) {
    return LV2_WORKER_SUCCESS;
}

const LV2_Worker_Interface kWorker = {work, workResponse, nullptr};

// The whole plug-in's curve, about half as high as wide.
InlineDisplaySurface* render(LV2_Handle h, uint32_t w, uint32_t maxHeight) {
    Instance& s = *self(h);
    float values[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        values[i] = (float)s.model.normalised(paramAt(i));
    const EqResponse response(curveSettings(values, s.hostRate));
    const int width = (int)std::min<uint32_t>(w, kMaxPictureWidth);
    const int height =
        (int)std::min<uint32_t>({(uint32_t)(width + 1) / 2, maxHeight, kMaxPictureHeight});
    drawCurve(response, s.picture.get(), width, height, width);
    s.surface = {reinterpret_cast<unsigned char*>(s.picture.get()), width, height,
                 width * (int)sizeof(uint32_t)};
    return &s.surface;
}

const InlineDisplayInterface kInlineDisplay = {render};

const void* extensionData(const char* uri) {
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &kState;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &kWorker;
    if (std::strcmp(uri, kInlineDisplayInterfaceUri) == 0) return &kInlineDisplay;
    return nullptr;
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
