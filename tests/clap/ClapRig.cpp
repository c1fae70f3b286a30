#include "clap/ClapRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace claprig {

namespace {

struct Library {
    void* handle = nullptr;
    const clap_plugin_entry_t* entry = nullptr;
    ~Library() {
        if (entry) entry->deinit();
        if (handle) dlclose(handle);
    }
};

Host& hostOf(const clap_host_t* h) {
    return *static_cast<Host*>(h->host_data);
}

const clap_host_params_t kParams = {
    [](const clap_host_t* h, clap_param_rescan_flags) {
        if (hostOf(h).onMain("params.rescan")) ++hostOf(h).rescans;
    },
    [](const clap_host_t* h, clap_id, clap_param_clear_flags) { hostOf(h).onMain("params.clear"); },
    [](const clap_host_t* h) {
        if (hostOf(h).onMain("params.request_flush")) ++hostOf(h).flushRequests;
    },
};
const clap_host_latency_t kLatency = {[](const clap_host_t* h) {
    if (hostOf(h).onMain("latency.changed")) ++hostOf(h).latencyChanges;
}};
const clap_host_state_t kState = {[](const clap_host_t* h) {
    if (hostOf(h).onMain("state.mark_dirty")) ++hostOf(h).dirtyMarks;
}};
const clap_host_gui_t kGui = {
    [](const clap_host_t*) {},
    [](const clap_host_t* h, uint32_t w, uint32_t hh) {
        Host& host = hostOf(h);
        host.onMain("gui.request_resize");
        host.resizeRequests.emplace_back(w, hh);
        if (host.grantResize && host.onResize) host.onResize(w, hh);
        return host.grantResize;
    },
    [](const clap_host_t*) { return false; },
    [](const clap_host_t*) { return false; },
    [](const clap_host_t*, bool) {},
};
const clap_host_timer_support_t kTimers = {
    [](const clap_host_t* h, uint32_t period, clap_id* id) {
        Host& host = hostOf(h);
        host.onMain("timer.register");
        *id = (clap_id)(host.timersRegistered + 1);
        host.timers[*id] = period;
        ++host.timersRegistered;
        return true;
    },
    [](const clap_host_t* h, clap_id id) {
        hostOf(h).onMain("timer.unregister");
        return hostOf(h).timers.erase(id) == 1;
    },
};
const clap_host_thread_check_t kThreadCheck = {
    [](const clap_host_t* h) { return std::this_thread::get_id() == hostOf(h).mainThread; },
    [](const clap_host_t* h) { return std::this_thread::get_id() != hostOf(h).mainThread; },
};

const void* hostExtension(const clap_host_t* h, const char* id) {
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return hostOf(h).offerTimers ? &kTimers : nullptr;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) return &kThreadCheck;
    return nullptr;
}

} // namespace

const clap_plugin_entry_t* entry(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, Library> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    Library& lib = loaded[path];
    if (!lib.handle) {
        lib.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib.handle) {
            ADD_FAILURE() << dlerror();
            return nullptr;
        }
        lib.entry = static_cast<const clap_plugin_entry_t*>(dlsym(lib.handle, "clap_entry"));
        if (!lib.entry || !lib.entry->init(path.c_str())) {
            ADD_FAILURE() << path << ": no clap_entry or init failed";
            lib.entry = nullptr;
        }
    }
    return lib.entry;
}

const clap_plugin_factory_t* factory(const std::string& path) {
    const clap_plugin_entry_t* e = entry(path);
    return e ? static_cast<const clap_plugin_factory_t*>(e->get_factory(CLAP_PLUGIN_FACTORY_ID))
             : nullptr;
}

Host::Host() {
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "dravo test host";
    host.vendor = "Vey Audio Works";
    host.url = "";
    host.version = "1";
    host.get_extension = hostExtension;
    host.request_restart = [](const clap_host_t*) {};
    host.request_process = [](const clap_host_t*) {};
    host.request_callback = [](const clap_host_t*) {};
}

bool Host::onMain(const char* what) {
    if (std::this_thread::get_id() == mainThread) return true;
    std::lock_guard<std::mutex> lock(mutex);
    offMainThread.push_back(what);
    return false;
}

Instance::Instance(const char* id, const std::string& path) {
    const clap_plugin_factory_t* f = factory(path);
    if (!f) return;
    plugin = f->create_plugin(f, &host.host, id);
    if (!plugin) {
        ADD_FAILURE() << "no plug-in " << id;
        return;
    }
    EXPECT_TRUE(plugin->init(plugin));
    auto ext = [this](const char* name) { return plugin->get_extension(plugin, name); };
    params = static_cast<const clap_plugin_params_t*>(ext(CLAP_EXT_PARAMS));
    state = static_cast<const clap_plugin_state_t*>(ext(CLAP_EXT_STATE));
    latency = static_cast<const clap_plugin_latency_t*>(ext(CLAP_EXT_LATENCY));
    ports = static_cast<const clap_plugin_audio_ports_t*>(ext(CLAP_EXT_AUDIO_PORTS));
    gui = static_cast<const clap_plugin_gui_t*>(ext(CLAP_EXT_GUI));
    timerSupport = static_cast<const clap_plugin_timer_support_t*>(ext(CLAP_EXT_TIMER_SUPPORT));
}

Instance::~Instance() {
    if (plugin) plugin->destroy(plugin);
    EXPECT_TRUE(host.offMainThread.empty())
        << "host called off the main thread: " << host.offMainThread.front();
    EXPECT_TRUE(host.timers.empty()) << "a timer outlived the plug-in";
}

bool Instance::activate(double rate, uint32_t maxFrames) {
    return plugin->activate(plugin, rate, 1, maxFrames);
}
void Instance::deactivate() {
    plugin->deactivate(plugin);
}
bool Instance::startProcessing() {
    return plugin->start_processing(plugin);
}
void Instance::stopProcessing() {
    plugin->stop_processing(plugin);
}

template <typename T>
ProcessCall::ProcessCall(const std::vector<T*>& in, const std::vector<T*>& out, uint32_t frames,
                         const std::vector<ParamEvent>& events, std::vector<OutEvent>* pushedTo)
    : pushed(pushedTo) {
    for (const ParamEvent& e : events) {
        clap_event_param_value_t v{};
        v.header = {sizeof v, e.time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        v.param_id = e.param;
        v.note_id = -1;
        v.port_index = v.channel = v.key = -1;
        v.value = e.value;
        inEvents.push_back(v);
    }
    inList.ctx = this;
    inList.size = [](const clap_input_events_t* l) {
        return (uint32_t) static_cast<const ProcessCall*>(l->ctx)->inEvents.size();
    };
    inList.get = [](const clap_input_events_t* l, uint32_t i) {
        return &static_cast<const ProcessCall*>(l->ctx)->inEvents[i].header;
    };
    outList.ctx = this;
    outList.try_push = [](const clap_output_events_t* l, const clap_event_header_t* e) {
        auto* self = static_cast<const ProcessCall*>(l->ctx);
        OutEvent o{e->type, CLAP_INVALID_ID, 0.0};
        if (e->type == CLAP_EVENT_PARAM_VALUE) {
            const auto* v = reinterpret_cast<const clap_event_param_value_t*>(e);
            o.param = v->param_id;
            o.value = v->value;
        } else {
            o.param = reinterpret_cast<const clap_event_param_gesture_t*>(e)->param_id;
        }
        if (self->pushed) self->pushed->push_back(o);
        return true;
    };
    inBuffer.channel_count = (uint32_t)in.size();
    outBuffer.channel_count = (uint32_t)out.size();
    if constexpr (sizeof(T) == sizeof(double)) {
        inBuffer.data64 = const_cast<T**>(in.data());
        outBuffer.data64 = const_cast<T**>(out.data());
    } else {
        inBuffer.data32 = const_cast<T**>(in.data());
        outBuffer.data32 = const_cast<T**>(out.data());
    }
    call.steady_time = -1;
    call.frames_count = frames;
    call.audio_inputs = &inBuffer;
    call.audio_outputs = &outBuffer;
    call.audio_inputs_count = call.audio_outputs_count = 1;
    call.in_events = &inList;
    call.out_events = &outList;
}
template ProcessCall::ProcessCall(const std::vector<float*>&, const std::vector<float*>&, uint32_t,
                                  const std::vector<ParamEvent>&, std::vector<OutEvent>*);
template ProcessCall::ProcessCall(const std::vector<double*>&, const std::vector<double*>&,
                                  uint32_t, const std::vector<ParamEvent>&, std::vector<OutEvent>*);

template <typename T>
clap_process_status Instance::process(const std::vector<T*>& in, const std::vector<T*>& out,
                                      uint32_t frames, const std::vector<ParamEvent>& events,
                                      std::vector<OutEvent>* pushed) {
    const ProcessCall call(in, out, frames, events, pushed);
    return plugin->process(plugin, call.get());
}
template clap_process_status Instance::process(const std::vector<float*>&,
                                               const std::vector<float*>&, uint32_t,
                                               const std::vector<ParamEvent>&,
                                               std::vector<OutEvent>*);
template clap_process_status Instance::process(const std::vector<double*>&,
                                               const std::vector<double*>&, uint32_t,
                                               const std::vector<ParamEvent>&,
                                               std::vector<OutEvent>*);

std::vector<OutEvent> Instance::flush(const std::vector<ParamEvent>& events) {
    std::vector<OutEvent> pushed;
    const ProcessCall call(std::vector<float*>{}, std::vector<float*>{}, 0, events, &pushed);
    params->flush(plugin, call.get()->in_events, call.get()->out_events);
    return pushed;
}

double Instance::value(clap_id id) {
    double v = -12345.0;
    EXPECT_TRUE(params->get_value(plugin, id, &v)) << id;
    return v;
}

std::string Instance::text(clap_id id, double value) {
    char buffer[CLAP_NAME_SIZE] = {};
    if (!params->value_to_text(plugin, id, value, buffer, sizeof buffer)) return "(none)";
    return buffer;
}

std::vector<unsigned char> Instance::save() {
    std::vector<unsigned char> bytes;
    // A stream that takes at most 100 bytes a call, as a host's may.
    clap_ostream_t s{&bytes, [](const clap_ostream_t* s, const void* data, uint64_t size) {
                         auto* b = static_cast<std::vector<unsigned char>*>(s->ctx);
                         const auto* p = static_cast<const unsigned char*>(data);
                         const uint64_t n = std::min<uint64_t>(size, 100);
                         b->insert(b->end(), p, p + n);
                         return (int64_t)n;
                     }};
    EXPECT_TRUE(state->save(plugin, &s));
    return bytes;
}

bool Instance::load(const std::vector<unsigned char>& bytes, long failAfter) {
    struct Reader {
        const std::vector<unsigned char>& bytes;
        long failAfter;
        size_t at = 0;
    } r{bytes, failAfter};
    clap_istream_t s{&r, [](const clap_istream_t* s, void* out, uint64_t size) -> int64_t {
                         auto& r = *static_cast<Reader*>(s->ctx);
                         if (r.failAfter >= 0 && r.at >= (size_t)r.failAfter) return -1;
                         // At most 77 bytes a call: the plug-in reads until the end.
                         const size_t n = std::min<size_t>({size, 77, r.bytes.size() - r.at});
                         if (n) std::memcpy(out, r.bytes.data() + r.at, n);
                         r.at += n;
                         return (int64_t)n;
                     }};
    return state->load(plugin, &s);
}

void Instance::fireTimers() {
    const auto timers = host.timers;
    for (const auto& t : timers)
        timerSupport->on_timer(plugin, t.first);
}

} // namespace claprig
