// A small LV2 host on liblilv, as a DAW drives a plug-in: the bundle is
// installed once per test run with cmake --install into a temporary prefix,
// found through LV2_PATH, and its ports are reached by symbol.
#pragma once

#include "model/Parameters.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lv2rig {

// The most bytes any one message of the plug-in's may take in a host's ring
// (the worker's, or the UI's in either direction).
constexpr uint32_t kSmallMessage = 2048;

// The installation this run tests: PREFIX/lib/lv2/VeyDravo.lv2 and
// PREFIX/lib/vst/VeyDravo.so, and a lilv world that loaded LV2_PATH.
struct Installed {
    std::string prefix, lv2Dir, bundle, vstPlugin;
    LilvWorld* world = nullptr;
    ~Installed();
};
const Installed& installed();

// The URID map the host hands the plug-in.
LV2_URID_Map* uridMap();
const LV2_Feature* const* features();

const LilvPlugin* plugin(const char* uri);

// Runs a shell command with LV2_PATH set to the installation; its stdout.
std::string runWithLv2Path(const std::string& command);

// One instance with every port connected: control ports at their defaults,
// the latency output, the message ports, and audio buffers handed in per
// run. The worker runs its jobs at once, in the thread that schedules them,
// or (threadedWorker) in a thread of its own as hosts run it; answers are
// handed back after run(). Like the rings of real hosts, it takes no job or
// answer larger than 4 KB, and the test fails on any above 2 KB.
class Instance {
  public:
    // extra: one more feature the host offers (null: none).
    Instance(const char* uri, double rate, bool threadedWorker = false,
             const LV2_Feature* extra = nullptr);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    int channels() const { return (int)in_.size(); }
    float& port(const std::string& symbol);
    float& port(dravo::Param p) { return port(dravo::info(p).symbol); }
    float latency() const { return latency_; }
    float* controlPort(int i) { return &controls_[i]; }
    int numControls() const { return (int)controls_.size(); }

    // Queues an atom for the message input of the next run.
    void send(const LV2_Atom* atom);
    // Queues piece index of a bank chunk as the editor sends it, or every
    // piece in order.
    void sendPiece(const std::vector<unsigned char>& chunk, int32_t serial, uint32_t index);
    void sendBank(const std::vector<unsigned char>& chunk, int32_t serial);
    // The atoms the plug-in wrote to its message output in the last run.
    std::vector<std::vector<uint8_t>> notifications() const;

    void activate();
    // Processes frames of in (channel-major) into out, in place when the
    // same vectors are given.
    void run(const std::vector<float*>& in, const std::vector<float*>& out, uint32_t frames);

    // The state interface, called as a host does.
    std::vector<unsigned char> save();
    LV2_State_Status restore(const std::vector<unsigned char>& bytes, uint32_t type);
    // Applies a preset (its port values, through lilv) by its label.
    bool applyPreset(const std::string& label);

    LilvInstance* lilv() { return instance_; }

  private:
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle h, uint32_t size,
                                      const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle h, uint32_t size, const void* data);

    void workerLoop();

    const LilvPlugin* plugin_;
    LV2_Worker_Schedule schedule_{this, schedule};
    LV2_Feature scheduleFeature_{LV2_WORKER__schedule, &schedule_};
    std::vector<const LV2_Feature*> features_;
    const LV2_Worker_Interface* worker_ = nullptr;
    std::vector<std::vector<uint8_t>> responses_;
    // The worker's thread and its queue of jobs.
    std::thread workerThread_;
    std::mutex workerMutex_;
    std::condition_variable workerWake_;
    std::deque<std::vector<uint8_t>> jobs_;
    bool stopWorker_ = false;
    // 8-byte aligned atom sequences.
    std::vector<uint64_t> controlIn_, notify_;
    std::vector<uint8_t> pending_;
    LilvInstance* instance_ = nullptr;
    std::vector<float> controls_;
    std::map<std::string, int> controlIndex_;
    float latency_ = -1.0f;
    std::vector<int> in_, out_;
    bool active_ = false;
};

} // namespace lv2rig
