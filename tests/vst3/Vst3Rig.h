// A minimal VST 3 host for the tests: loads the built bundle, walks its
// factory, makes an instance, answers as a DAW (component handler, frame
// with a run loop, memory streams, parameter change queues) and processes.
#pragma once

#include "vst3/vst3abi.h"

#include <mutex>
#include <string>
#include <vector>

namespace dravo_test {

using namespace ::vst3;

// Reference counting for the host's objects: they live on the test's stack
// or in its fixture, so counting only checks the plug-in's balance.
template <typename... I> struct HostObject : I... {
    int refs = 1;
    uint32_t addRef() override { return (uint32_t)++refs; }
    uint32_t release() override { return (uint32_t)--refs; }
};

struct MemoryStream final : HostObject<IBStream> {
    std::vector<unsigned char> bytes;
    int64_t pos = 0;
    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> b) : bytes(std::move(b)) {}
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    tresult read(void* buffer, int32_t n, int32_t* got) override;
    tresult write(void* buffer, int32_t n, int32_t* written) override;
    tresult seek(int64_t p, int32_t mode, int64_t* result) override;
    tresult tell(int64_t* p) override;
};

struct ValueQueue final : HostObject<IParamValueQueue> {
    ParamID id = 0;
    std::vector<std::pair<int32_t, double>> points;
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    ParamID getParameterId() override { return id; }
    int32_t getPointCount() override { return (int32_t)points.size(); }
    tresult getPoint(int32_t index, int32_t& offset, ParamValue& value) override;
    tresult addPoint(int32_t offset, ParamValue value, int32_t& index) override;
};

// A block's changes, built before process() is called.
struct ParameterChanges final : HostObject<IParameterChanges> {
    std::vector<ValueQueue> queues;
    void add(ParamID id, int32_t offset, double value);
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    int32_t getParameterCount() override { return (int32_t)queues.size(); }
    IParamValueQueue* getParameterData(int32_t index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) override;
};

// What the plug-in told the host.
struct HandlerCall {
    char kind; // 'b'egin, 'p'erform, 'e'nd, 'r'estart
    ParamID id;
    double value; // perform: the value; restart: the flags
};

struct ComponentHandler final : HostObject<IComponentHandler> {
    mutable std::mutex mutex;
    std::vector<HandlerCall> calls;
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    tresult beginEdit(ParamID id) override;
    tresult performEdit(ParamID id, ParamValue v) override;
    tresult endEdit(ParamID id) override;
    tresult restartComponent(int32_t flags) override;
    std::vector<HandlerCall> taken();
    int restarts(int32_t flag) const;
};

// The host's window frame and its run loop (a timer and descriptor
// handlers the test fires by hand).
struct PlugFrame final : HostObject<IPlugFrame, IRunLoop> {
    std::vector<ITimerHandler*> timers;
    std::vector<std::pair<IEventHandler*, int>> handlers;
    std::vector<ViewRect> resizes;
    bool grantResize = true;
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    uint32_t addRef() override { return (uint32_t)++refs; }
    uint32_t release() override { return (uint32_t)--refs; }
    tresult resizeView(IPlugView* view, ViewRect* r) override;
    tresult registerEventHandler(IEventHandler* h, int fd) override;
    tresult unregisterEventHandler(IEventHandler* h) override;
    tresult registerTimer(ITimerHandler* h, uint64_t ms) override;
    tresult unregisterTimer(ITimerHandler* h) override;
    // Fires every timer and every descriptor handler once.
    void run();
};

// The bundle's module: dlopen, ModuleEntry, the factory; ModuleExit and
// dlclose at the end.
class Vst3Module {
  public:
    explicit Vst3Module(const std::string& bundle);
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;
    IPluginFactory3* factory() const { return factory_; }
    const std::string& error() const { return error_; }

  private:
    void* library = nullptr;
    IPluginFactory3* factory_ = nullptr;
    std::string error_;
};

// One instance of the factory's class, its faces and our handler.
class Vst3Instance {
  public:
    explicit Vst3Instance(Vst3Module& module);
    ~Vst3Instance();
    Vst3Instance(const Vst3Instance&) = delete;
    Vst3Instance& operator=(const Vst3Instance&) = delete;

    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IUnitInfo* units = nullptr;
    ComponentHandler handler;

    // As a DAW starts a track: arrangement, set-up, active, processing.
    // The output is stereo unless the input is mono and stereoOut false.
    bool start(double rate, int maxBlock, bool stereo = true, bool doubles = false,
               bool stereoOut = false);
    void stop();
    // One block of frames samples, channel buffers in and out (1 or 2 each).
    template <typename T>
    void process(std::vector<T*> in, std::vector<T*> out, int frames,
                 ParameterChanges* changes = nullptr);
    // The state the component writes.
    std::vector<unsigned char> state();
    tresult setState(const std::vector<unsigned char>& bytes);
    // The parameter IDs the controller lists, in its order.
    std::vector<ParamID> parameterIds();
    std::string text(ParamID id, double v);

  private:
    bool doubles_ = false;
};

std::string bundlePath();

} // namespace dravo_test
