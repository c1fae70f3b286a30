// The file's one exported symbol, clap_entry: the plug-in factory with the
// stereo and the mono equaliser, and the C functions of the plug-in and its
// extensions, each handing over to the instance (Plugin).
#include "clap/Plugin.h"

#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/plugin-factory.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace dravo::clap {
namespace {

const char* kStereoFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_EQUALIZER,
                                 CLAP_PLUGIN_FEATURE_STEREO, nullptr};
const char* kMonoFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_EQUALIZER,
                               CLAP_PLUGIN_FEATURE_MONO, nullptr};

constexpr clap_plugin_descriptor_t descriptorFor(const Variant& v, const char** features) {
    return {CLAP_VERSION_INIT, v.id,     v.name,  kVendor, "", "", "",
            DRAVO_VERSION,     kProduct, features};
}

const clap_plugin_descriptor_t kDescriptors[kNumVariants] = {
    descriptorFor(kVariants[0], kStereoFeatures), descriptorFor(kVariants[1], kMonoFeatures)};

// ---- Audio ports: one main input and one main output ---------------------

uint32_t portCount(const clap_plugin_t*, bool) {
    return 1;
}

bool portGet(const clap_plugin_t* p, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (index != 0 || !info) return false;
    const int channels = Plugin::of(p).channels();
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                  CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    info->channel_count = (uint32_t)channels;
    info->port_type = channels == 2 ? CLAP_PORT_STEREO : CLAP_PORT_MONO;
    info->in_place_pair = 0;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {portCount, portGet};

// ---- Parameters ------------------------------------------------------------

const clap_plugin_params_t kParams = {
    [](const clap_plugin_t*) { return (uint32_t)kNumClapParams; },
    [](const clap_plugin_t* p, uint32_t i, clap_param_info_t* info) {
        return Plugin::of(p).paramInfo(i, info);
    },
    [](const clap_plugin_t* p, clap_id id, double* value) {
        return Plugin::of(p).paramValue(id, value);
    },
    [](const clap_plugin_t* p, clap_id id, double value, char* display, uint32_t size) {
        return Plugin::of(p).valueToText(id, value, display, size);
    },
    [](const clap_plugin_t* p, clap_id id, const char* display, double* value) {
        return Plugin::of(p).textToValue(id, display, value);
    },
    [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
        Plugin::of(p).flush(in, out);
    },
};

// ---- State, latency --------------------------------------------------------

const clap_plugin_state_t kState = {
    [](const clap_plugin_t* p, const clap_ostream_t* s) { return Plugin::of(p).saveState(s); },
    [](const clap_plugin_t* p, const clap_istream_t* s) { return Plugin::of(p).loadState(s); },
};

const clap_plugin_latency_t kLatency = {
    [](const clap_plugin_t* p) { return Plugin::of(p).latency(); }};

// ---- The editor --------------------------------------------------------------

bool isApiSupported(const clap_plugin_t*, const char* api, bool floating) {
    return api && std::strcmp(api, CLAP_WINDOW_API_X11) == 0 && !floating;
}

const clap_plugin_gui_t kGui = {
    isApiSupported,
    [](const clap_plugin_t*, const char** api, bool* floating) {
        if (!api || !floating) return false;
        *api = CLAP_WINDOW_API_X11;
        *floating = false;
        return true;
    },
    [](const clap_plugin_t* p, const char* api, bool floating) {
        return isApiSupported(p, api, floating) && Plugin::of(p).guiCreate();
    },
    [](const clap_plugin_t* p) { Plugin::of(p).guiDestroy(); },
    [](const clap_plugin_t* p, double scale) { return Plugin::of(p).guiSetScale(scale); },
    [](const clap_plugin_t* p, uint32_t* w, uint32_t* h) { return Plugin::of(p).guiGetSize(w, h); },
    [](const clap_plugin_t*) { return false; },                           // can_resize
    [](const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }, // get_resize_hints
    [](const clap_plugin_t*, uint32_t*, uint32_t*) { return false; },     // adjust_size
    [](const clap_plugin_t* p, uint32_t w, uint32_t h) { return Plugin::of(p).guiSetSize(w, h); },
    [](const clap_plugin_t* p, const clap_window_t* w) { return Plugin::of(p).guiSetParent(w); },
    [](const clap_plugin_t*, const clap_window_t*) { return false; }, // set_transient
    [](const clap_plugin_t*, const char*) {},                         // suggest_title
    [](const clap_plugin_t* p) { return Plugin::of(p).guiShow(); },
    [](const clap_plugin_t* p) { return Plugin::of(p).guiHide(); },
};

const clap_plugin_timer_support_t kTimerSupport = {
    [](const clap_plugin_t* p, clap_id timer) { Plugin::of(p).onTimer(timer); }};

const void* getExtension(const clap_plugin_t*, const char* id) {
    if (!id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kTimerSupport;
    return nullptr;
}

// ---- The plug-in's functions -------------------------------------------------

const clap_plugin_t kFunctions = {
    nullptr,
    nullptr,
    [](const clap_plugin_t* p) { return Plugin::of(p).init(); },
    [](const clap_plugin_t* p) { delete &Plugin::of(p); },
    [](const clap_plugin_t* p, double rate, uint32_t, uint32_t) {
        return Plugin::of(p).activate(rate);
    },
    [](const clap_plugin_t* p) { Plugin::of(p).deactivate(); },
    [](const clap_plugin_t* p) { return Plugin::of(p).startProcessing(); },
    [](const clap_plugin_t* p) { Plugin::of(p).stopProcessing(); },
    [](const clap_plugin_t* p) { Plugin::of(p).reset(); },
    [](const clap_plugin_t* p, const clap_process_t* pr) { return Plugin::of(p).process(pr); },
    getExtension,
    [](const clap_plugin_t*) {},
};

// ---- The factory -------------------------------------------------------------

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* id) {
    if (!host || !id || !clap_version_is_compatible(host->clap_version)) return nullptr;
    for (int i = 0; i < kNumVariants; ++i)
        if (std::strcmp(id, kVariants[i].id) == 0) {
            try {
                return (new Plugin(host, kFunctions, &kDescriptors[i], kVariants[i]))->clapPlugin();
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
    return nullptr;
}

const clap_plugin_factory_t kFactory = {
    [](const clap_plugin_factory_t*) { return (uint32_t)kNumVariants; },
    [](const clap_plugin_factory_t*, uint32_t i) {
        return i < (uint32_t)kNumVariants ? &kDescriptors[i] : nullptr;
    },
    createPlugin,
};

} // namespace
} // namespace dravo::clap

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {
    CLAP_VERSION_INIT,
    [](const char*) { return true; },
    [] {},
    [](const char* id) -> const void* {
        return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &dravo::clap::kFactory
                                                                  : nullptr;
    },
};
