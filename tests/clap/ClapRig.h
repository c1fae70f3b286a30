// Our CLAP test host, on the same published headers as the plug-in: loads a
// .clap file, creates plug-ins by id, answers the host extensions a DAW
// offers (params, latency, state, gui, timer-support, thread-check), and
// records what the plug-in asked of it and on which thread.
#pragma once

#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace claprig {

// The entry of a .clap file, loaded once per process and path; null (with
// a test failure) when it does not load.
const clap_plugin_entry_t* entry(const std::string& path);
const clap_plugin_factory_t* factory(const std::string& path);

// An event the plug-in pushed to the host.
struct OutEvent {
    uint16_t type;
    clap_id param;
    double value; // PARAM_VALUE only
    bool operator==(const OutEvent& o) const {
        return type == o.type && param == o.param && value == o.value;
    }
    friend void PrintTo(const OutEvent& e, std::ostream* os) {
        *os << "{type " << e.type << ", param " << e.param << ", " << e.value << "}";
    }
};

// A parameter change for the plug-in, at a frame of the block.
struct ParamEvent {
    uint32_t time;
    clap_id param;
    double value;
};

class Host {
  public:
    Host();
    clap_host_t host{};
    // The thread that made the host: the main thread.
    std::thread::id mainThread = std::this_thread::get_id();

    // What the plug-in asked for.
    std::atomic<int> rescans{0}, latencyChanges{0}, flushRequests{0}, dirtyMarks{0};
    std::vector<std::pair<uint32_t, uint32_t>> resizeRequests;
    // Host functions the plug-in called off the main thread.
    std::vector<std::string> offMainThread;
    // The answer to a resize request.
    bool grantResize = true;
    std::function<void(uint32_t, uint32_t)> onResize;
    // Timers: id to period; taken away when unregistered.
    bool offerTimers = true;
    std::map<clap_id, uint32_t> timers;
    int timersRegistered = 0;

    // Records a host call made by the plug-in; false off the main thread.
    bool onMain(const char* what);

  private:
    std::mutex mutex;
};

// The arguments of one process call: buffers over the host's channel
// pointers (32 or 64 bits) and the event lists. Made before the call, so that
// the call itself is all the plug-in's.
class ProcessCall {
  public:
    template <typename T>
    ProcessCall(const std::vector<T*>& in, const std::vector<T*>& out, uint32_t frames,
                const std::vector<ParamEvent>& events, std::vector<OutEvent>* pushed);
    const clap_process_t* get() const { return &call; }

  private:
    std::vector<clap_event_param_value_t> inEvents;
    std::vector<OutEvent>* pushed;
    clap_input_events_t inList{};
    clap_output_events_t outList{};
    clap_audio_buffer_t inBuffer{}, outBuffer{};
    clap_process_t call{};
};

class Instance {
  public:
    // Creates and initialises plug-in id from file path (the built file by
    // default).
    explicit Instance(const char* id, const std::string& path = DRAVO_CLAP_PATH);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    Host host;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_latency_t* latency = nullptr;
    const clap_plugin_audio_ports_t* ports = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timerSupport = nullptr;

    bool activate(double rate, uint32_t maxFrames = 8192);
    void deactivate();
    bool startProcessing();
    void stopProcessing();

    // One process call on channel pointers (32 or 64 bits), with events in
    // time order; what the plug-in pushes is appended to out.
    template <typename T>
    clap_process_status process(const std::vector<T*>& in, const std::vector<T*>& out,
                                uint32_t frames, const std::vector<ParamEvent>& events = {},
                                std::vector<OutEvent>* pushed = nullptr);
    // params flush with these events; what the plug-in pushes.
    std::vector<OutEvent> flush(const std::vector<ParamEvent>& events = {});

    double value(clap_id id);
    std::string text(clap_id id, double value);

    std::vector<unsigned char> save();
    // Loads bytes; a stream that fails after failAfter bytes (negative: never).
    bool load(const std::vector<unsigned char>& bytes, long failAfter = -1);

    // Runs every registered timer once.
    void fireTimers();
};

} // namespace claprig
