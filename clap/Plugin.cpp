#include "clap/Plugin.h"

#include "model/FactoryPresets.h"
#include "model/ValueParse.h"
#include "model/ValueText.h"
#include "presets/StoredPresets.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace dravo::clap {

namespace {
// A state larger than this is no bank of ours: it is refused unread.
constexpr size_t kMaxStateSize = 1 << 20;

template <typename T> const T* hostExtension(const clap_host_t* host, const char* id) {
    return host && host->get_extension ? static_cast<const T*>(host->get_extension(host, id))
                                       : nullptr;
}
} // namespace

Plugin::Plugin(const clap_host_t* h, const clap_plugin_t& functions,
               const clap_plugin_descriptor_t* descriptor, const Variant& v)
    : variant(v), plugin(functions), host(h), store(*this, kFactoryPresetTable) {
    plugin.desc = descriptor;
    plugin.plugin_data = this;
}

// The window closes while the plug-in is whole: its controls may still end a
// gesture.
Plugin::~Plugin() {
    guiDestroy();
    editor.reset();
}

// As the VST 2.x effect starts: the interpolator, the factory bank, the
// user's stored default bank and preset, preset 0 applied, suspended.
bool Plugin::init() {
    hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
    hostLatency = hostExtension<clap_host_latency_t>(host, CLAP_EXT_LATENCY);
    hostState = hostExtension<clap_host_state_t>(host, CLAP_EXT_STATE);
    hostGui = hostExtension<clap_host_gui_t>(host, CLAP_EXT_GUI);
    hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);

    EqEngine& engine = model.engine();
    engine.initInterpolationKernel();
    store.fillFromTable();
    StoredPresets(kPreferencesIdentifier).startBank(store);
    engine.suspend();
    toldLatency = latency();
    ready = true;
    return true;
}

// ---------------------------------------------------------------------------
// Lifecycle and processing

bool Plugin::activate(double sampleRate) {
    // The engine picks its internal rate from the host rate, retunes, and
    // answers the validated rate (44100 for a rate outside 20000..200000).
    rate = model.engine().resume((float)sampleRate);
    active.store(true);
    parked.parkMeters();
    const uint32_t now = latency();
    if (now != toldLatency) {
        toldLatency = now;
        if (hostLatency) hostLatency->changed(host);
    }
    return true;
}

void Plugin::deactivate() {
    active.store(false);
    model.engine().suspend();
    parked.parkMeters();
}

bool Plugin::startProcessing() {
    processing.store(true);
    return true;
}

void Plugin::stopProcessing() {
    processing.store(false);
}

// Clears the filters and the output stage as a new activation does. On the
// audio thread: it allocates nothing, but waits for a section update the
// editor may be applying at that moment (the engine's gates).
void Plugin::reset() {
    EqEngine& engine = model.engine();
    engine.suspend();
    engine.resume(rate);
}

// Whole samples, as the VST 2.x face reports its initialDelay.
uint32_t Plugin::latency() const {
    return (uint32_t)(int32_t)(float)model.engine().latencySamples();
}

void Plugin::setParameter(Param p, float value) {
    if (!model.set(p, value)) return;
    store.keepParameter(p, value);
    parked.parkParameter(p, value);
}

namespace {
// The parameter value change an event carries, or null (other events mean
// nothing to an equaliser).
const clap_event_param_value_t* paramChange(const clap_event_header_t* e) {
    if (!e || e->space_id != CLAP_CORE_EVENT_SPACE_ID || e->type != CLAP_EVENT_PARAM_VALUE ||
        e->size < sizeof(clap_event_param_value_t))
        return nullptr;
    return reinterpret_cast<const clap_event_param_value_t*>(e);
}
} // namespace

void Plugin::applyEvent(const clap_event_param_value_t* e) {
    Param p;
    float normalised;
    if (paramForId(e->param_id, p) && normalisedForPlain(p, e->value, normalised))
        setParameter(p, normalised);
}

template <typename T> void Plugin::run(T** in, T** out, uint32_t frames) {
    EqEngine& engine = model.engine();
    // The engine counts frames in an int.
    for (uint32_t done = 0; done < frames;) {
        const int n = (int)(frames - done < (uint32_t)INT_MAX ? frames - done : INT_MAX);
        T* i[2] = {in[0] + done, variant.channels == 2 ? in[1] + done : nullptr};
        T* o[2] = {out[0] + done, variant.channels == 2 ? out[1] + done : nullptr};
        if (variant.channels == 2)
            engine.processStereo(i, o, n, true, true);
        else
            engine.processMono(i, o, n, false);
        analyser.push(o, variant.channels, n);
        done += (uint32_t)n;
    }
}

void Plugin::runSpan(const clap_process_t* pr, uint32_t offset, uint32_t frames) {
    if (!frames) return;
    const clap_audio_buffer_t& in = pr->audio_inputs[0];
    const clap_audio_buffer_t& out = pr->audio_outputs[0];
    if (in.data64 && out.data64) {
        double* i[2] = {in.data64[0] + offset, variant.channels == 2 ? in.data64[1] + offset : 0};
        double* o[2] = {out.data64[0] + offset, variant.channels == 2 ? out.data64[1] + offset : 0};
        run(i, o, frames);
    } else if (in.data32 && out.data32) {
        float* i[2] = {in.data32[0] + offset, variant.channels == 2 ? in.data32[1] + offset : 0};
        float* o[2] = {out.data32[0] + offset, variant.channels == 2 ? out.data32[1] + offset : 0};
        run(i, o, frames);
    }
}

clap_process_status Plugin::process(const clap_process_t* pr) {
    outEvents.drain(pr->out_events);
    const uint32_t channels = (uint32_t)variant.channels;
    const bool audio = pr->audio_inputs_count >= 1 && pr->audio_outputs_count >= 1 &&
                       pr->audio_inputs[0].channel_count >= channels &&
                       pr->audio_outputs[0].channel_count >= channels;
    const uint32_t frames = pr->frames_count;
    const clap_input_events_t* events = pr->in_events;
    const uint32_t count = events ? events->size(events) : 0;
    uint32_t done = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const clap_event_param_value_t* e = paramChange(events->get(events, k));
        if (!e) continue;
        // The frames before the change run with the values before it.
        const uint32_t at = e->header.time < frames ? e->header.time : frames;
        if (at > done && audio) runSpan(pr, done, at - done);
        if (at > done) done = at;
        applyEvent(e);
    }
    if (audio) runSpan(pr, done, frames - done);
    return audio ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
}

// ---------------------------------------------------------------------------
// Parameters

bool Plugin::paramInfo(uint32_t i, clap_param_info_t* out) const {
    if (i >= (uint32_t)kNumClapParams || !out) return false;
    const Param p = kParamList.params[i];
    const ParamInfo& row = info(p);
    *out = clap_param_info_t{};
    out->id = idOf(p);
    out->flags = CLAP_PARAM_IS_AUTOMATABLE |
                 (isStepped(p) ? (clap_param_info_flags)CLAP_PARAM_IS_STEPPED : 0u);
    out->cookie = nullptr;
    std::snprintf(out->name, sizeof out->name, "%s", row.name);
    std::snprintf(out->module, sizeof out->module, "%s",
                  row.target == Target::Section ? dravo::info(row.section).name : "");
    realRange(p, out->min_value, out->max_value);
    out->default_value = plainValueOf(p, row.defaultValue);
    return true;
}

bool Plugin::paramValue(clap_id id, double* value) const {
    Param p;
    if (!value || !paramForId(id, p)) return false;
    *value = plainValueOf(p, model.normalised(p));
    return true;
}

bool Plugin::valueToText(clap_id id, double value, char* display, uint32_t size) const {
    Param p;
    float normalised;
    if (!display || !size || !paramForId(id, p) || !normalisedForPlain(p, value, normalised))
        return false;
    char text[16] = {};
    if (!valueText(p, normalised, text)) return false;
    std::snprintf(display, size, "%s", text);
    return true;
}

bool Plugin::textToValue(clap_id id, const char* display, double* value) const {
    Param p;
    double normalised;
    if (!display || !value || !paramForId(id, p) || !normalisedForText(p, display, normalised))
        return false;
    *value = plainValueOf(p, normalised);
    return true;
}

void Plugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
    const uint32_t count = in ? in->size(in) : 0;
    for (uint32_t k = 0; k < count; ++k)
        if (const clap_event_param_value_t* e = paramChange(in->get(in, k))) applyEvent(e);
    outEvents.drain(out);
}

// ---------------------------------------------------------------------------
// State

bool Plugin::saveState(const clap_ostream_t* stream) {
    void* chunk = nullptr;
    const int32_t size = store.getChunk(&chunk);
    if (!stream || size <= 0 || !chunk) return false;
    const auto* bytes = static_cast<const unsigned char*>(chunk);
    for (int64_t done = 0; done < size;) {
        const int64_t n = stream->write(stream, bytes + done, (uint64_t)(size - done));
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// A bank that is not this plug-in's, damaged or cut short changes nothing.
bool Plugin::loadState(const clap_istream_t* stream) {
    if (!stream) return false;
    std::vector<unsigned char> bytes;
    unsigned char buffer[4096];
    for (;;) {
        const int64_t n = stream->read(stream, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 || bytes.size() + (size_t)n > kMaxStateSize) {
            std::fprintf(stderr, "%s: saved state refused: unreadable; nothing changed\n",
                         kEffectName);
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (store.setChunk(bytes.data(), (int32_t)bytes.size()) != 0) {
        std::fprintf(stderr,
                     "%s: saved state refused: not this plug-in's or damaged (%zu bytes); "
                     "nothing changed\n",
                     kEffectName, bytes.size());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Presets and the editor's bank

// The values replayed as the VST 2.x effect replays them; a host that has
// the plug-in running reads them again (not recorded as automation).
void Plugin::applyPreset(const PresetRecord& record) {
    for (int i = 0; i < kNumParams; ++i)
        setParameter(paramAt(i), record.values[i]);
    if (ready && hostParams) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
}

void Plugin::bankEdited() {
    if (hostState) hostState->mark_dirty(host);
}

const PresetRecord& Plugin::preset(int n) const {
    return store.records()[n >= 0 && n < kNumPresets ? n : 0];
}

void Plugin::selectPreset(int n) {
    if (store.selectPreset(n)) bankEdited();
}

void Plugin::renamePreset(const char* name) {
    store.setName(name);
    bankEdited();
}

void Plugin::replacePreset(const PresetRecord& record) {
    store.replaceCurrent(record);
    bankEdited();
}

void Plugin::replaceBank(const Bank& bank) {
    store.replaceBank(bank);
    bankEdited();
}

// ---------------------------------------------------------------------------
// The editor's gestures: applied at once, as the VST 2.x face applies them,
// and queued for the host; a host that is not processing is asked to flush.

void Plugin::queue(uint16_t type, Param p, double value) {
    if (!isActive(p)) return;
    outEvents.push({type, idOf(p), value});
    if (!processing.load() && hostParams) hostParams->request_flush(host);
}

void Plugin::beginEdit(Param p) {
    queue(CLAP_EVENT_PARAM_GESTURE_BEGIN, p);
}

void Plugin::performEdit(Param p, float value) {
    setParameter(p, value);
    queue(CLAP_EVENT_PARAM_VALUE, p, plainValueOf(p, value));
}

void Plugin::endEdit(Param p) {
    queue(CLAP_EVENT_PARAM_GESTURE_END, p);
}

} // namespace dravo::clap
