#include "vst3/Vst3Rig.h"

#include "vst3/Strings.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <utility>

namespace dravo_test {

namespace {
template <typename Self, typename I>
tresult answer(Self* self, const TUID& iid, const uint8_t* asked, void** obj) {
    if (!obj) return kInvalidArgument;
    if (kFUnknownIid.matches(asked) || iid.matches(asked)) {
        *obj = static_cast<I*>(self);
        self->addRef();
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
} // namespace

std::string bundlePath() {
    return DRAVO_VST3_BUNDLE;
}

// ---- Streams and changes ------------------------------------------------

tresult MemoryStream::queryInterface(const uint8_t* iid, void** obj) {
    return answer<MemoryStream, IBStream>(this, kIBStreamIid, iid, obj);
}

tresult MemoryStream::read(void* buffer, int32_t n, int32_t* got) {
    const int64_t left = std::max<int64_t>(0, (int64_t)bytes.size() - pos);
    const int32_t k = (int32_t)std::min<int64_t>(std::max(n, 0), left);
    if (k) std::memcpy(buffer, bytes.data() + pos, (size_t)k);
    pos += k;
    if (got) *got = k;
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32_t n, int32_t* written) {
    if (n < 0) return kInvalidArgument;
    if ((int64_t)bytes.size() < pos + n) bytes.resize((size_t)(pos + n));
    std::memcpy(bytes.data() + pos, buffer, (size_t)n);
    pos += n;
    if (written) *written = n;
    return kResultOk;
}

tresult MemoryStream::seek(int64_t p, int32_t mode, int64_t* result) {
    const int64_t base = mode == kIBSeekCur ? pos : mode == kIBSeekEnd ? (int64_t)bytes.size() : 0;
    if (base + p < 0) return kInvalidArgument;
    pos = base + p;
    if (result) *result = pos;
    return kResultOk;
}

tresult MemoryStream::tell(int64_t* p) {
    if (p) *p = pos;
    return kResultOk;
}

tresult ValueQueue::queryInterface(const uint8_t* iid, void** obj) {
    return answer<ValueQueue, IParamValueQueue>(this, kIParamValueQueueIid, iid, obj);
}

tresult ValueQueue::getPoint(int32_t index, int32_t& offset, ParamValue& value) {
    if (index < 0 || index >= (int32_t)points.size()) return kInvalidArgument;
    offset = points[(size_t)index].first;
    value = points[(size_t)index].second;
    return kResultOk;
}

tresult ValueQueue::addPoint(int32_t offset, ParamValue value, int32_t& index) {
    index = (int32_t)points.size();
    points.emplace_back(offset, value);
    return kResultOk;
}

void ParameterChanges::add(ParamID id, int32_t offset, double value) {
    int32_t index = 0;
    addParameterData(id, index);
    queues[(size_t)index].addPoint(offset, value, index);
}

tresult ParameterChanges::queryInterface(const uint8_t* iid, void** obj) {
    return answer<ParameterChanges, IParameterChanges>(this, kIParameterChangesIid, iid, obj);
}

IParamValueQueue* ParameterChanges::getParameterData(int32_t index) {
    return index >= 0 && index < (int32_t)queues.size() ? &queues[(size_t)index] : nullptr;
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32_t& index) {
    for (size_t i = 0; i < queues.size(); ++i)
        if (queues[i].id == id) {
            index = (int32_t)i;
            return &queues[i];
        }
    queues.emplace_back();
    queues.back().id = id;
    index = (int32_t)queues.size() - 1;
    return &queues.back();
}

// ---- The handler and the frame ---------------------------------------------

tresult ComponentHandler::queryInterface(const uint8_t* iid, void** obj) {
    return answer<ComponentHandler, IComponentHandler>(this, kIComponentHandlerIid, iid, obj);
}
tresult ComponentHandler::beginEdit(ParamID id) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({'b', id, 0});
    return kResultOk;
}
tresult ComponentHandler::performEdit(ParamID id, ParamValue v) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({'p', id, v});
    return kResultOk;
}
tresult ComponentHandler::endEdit(ParamID id) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({'e', id, 0});
    return kResultOk;
}
tresult ComponentHandler::restartComponent(int32_t flags) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({'r', 0, (double)flags});
    return kResultOk;
}
std::vector<HandlerCall> ComponentHandler::taken() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(calls, {});
}
int ComponentHandler::restarts(int32_t flag) const {
    std::lock_guard<std::mutex> lock(mutex);
    return (int)std::count_if(calls.begin(), calls.end(), [flag](const HandlerCall& c) {
        return c.kind == 'r' && ((int32_t)c.value & flag);
    });
}

tresult PlugFrame::queryInterface(const uint8_t* iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (kFUnknownIid.matches(iid) || kIPlugFrameIid.matches(iid))
        *obj = static_cast<IPlugFrame*>(this);
    else if (kIRunLoopIid.matches(iid))
        *obj = static_cast<IRunLoop*>(this);
    else
        return kNoInterface;
    ++refs;
    return kResultOk;
}

tresult PlugFrame::resizeView(IPlugView* view, ViewRect* r) {
    resizes.push_back(*r);
    if (!grantResize) return kResultFalse;
    view->onSize(r);
    return kResultOk;
}

tresult PlugFrame::registerEventHandler(IEventHandler* h, int fd) {
    handlers.emplace_back(h, fd);
    return kResultOk;
}

tresult PlugFrame::unregisterEventHandler(IEventHandler* h) {
    const auto n = handlers.size();
    handlers.erase(std::remove_if(handlers.begin(), handlers.end(),
                                  [h](const auto& e) { return e.first == h; }),
                   handlers.end());
    return handlers.size() < n ? kResultOk : kInvalidArgument;
}

tresult PlugFrame::registerTimer(ITimerHandler* h, uint64_t) {
    timers.push_back(h);
    return kResultOk;
}

tresult PlugFrame::unregisterTimer(ITimerHandler* h) {
    const auto n = timers.size();
    timers.erase(std::remove(timers.begin(), timers.end(), h), timers.end());
    return timers.size() < n ? kResultOk : kInvalidArgument;
}

void PlugFrame::run() {
    for (auto [h, fd] : std::vector<std::pair<IEventHandler*, int>>(handlers))
        h->onFDIsSet(fd);
    for (ITimerHandler* t : std::vector<ITimerHandler*>(timers))
        t->onTimer();
}

// ---- Module and instance ----------------------------------------------------

Vst3Module::Vst3Module(const std::string& bundle) {
    const std::string so = bundle + "/Contents/x86_64-linux/VeyDravo.so";
    library = dlopen(so.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error_ = dlerror();
        return;
    }
    auto entry = (ModuleEntryProc)dlsym(library, "ModuleEntry");
    auto get = (GetFactoryProc)dlsym(library, "GetPluginFactory");
    if (!entry || !get || !entry(library)) {
        error_ = "no entry points";
        return;
    }
    IPluginFactory* f = get();
    if (!f || f->queryInterface(kIPluginFactory3Iid.bytes, reinterpret_cast<void**>(&factory_)) !=
                  kResultOk)
        error_ = "no IPluginFactory3";
    if (f) f->release();
}

Vst3Module::~Vst3Module() {
    if (factory_) factory_->release();
    if (library) {
        if (auto exit = (ModuleExitProc)dlsym(library, "ModuleExit")) exit();
        dlclose(library);
    }
}

Vst3Instance::Vst3Instance(Vst3Module& module) {
    PClassInfo info{};
    if (!module.factory() || module.factory()->getClassInfo(0, &info) != kResultOk) return;
    if (module.factory()->createInstance(info.cid, kIComponentIid.bytes,
                                         reinterpret_cast<void**>(&component)) != kResultOk)
        return;
    component->initialize(nullptr);
    component->queryInterface(kIAudioProcessorIid.bytes, reinterpret_cast<void**>(&processor));
    component->queryInterface(kIEditControllerIid.bytes, reinterpret_cast<void**>(&controller));
    component->queryInterface(kIUnitInfoIid.bytes, reinterpret_cast<void**>(&units));
    if (controller) {
        controller->initialize(nullptr);
        controller->setComponentHandler(&handler);
    }
}

Vst3Instance::~Vst3Instance() {
    stop();
    if (controller) {
        controller->setComponentHandler(nullptr);
        controller->terminate();
        controller->release();
    }
    if (units) units->release();
    if (processor) processor->release();
    if (component) {
        component->terminate();
        component->release();
    }
}

bool Vst3Instance::start(double rate, int maxBlock, bool stereo, bool doubles, bool stereoOut) {
    doubles_ = doubles;
    SpeakerArrangement in = stereo ? speaker::kStereo : speaker::kMono;
    SpeakerArrangement out = stereo || stereoOut ? speaker::kStereo : speaker::kMono;
    if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) return false;
    ProcessSetup setup{kRealtime, doubles ? kSample64 : kSample32, maxBlock, rate};
    if (processor->setupProcessing(setup) != kResultOk) return false;
    return component->setActive(1) == kResultOk && processor->setProcessing(1) == kResultOk;
}

void Vst3Instance::stop() {
    if (!processor) return;
    processor->setProcessing(0);
    component->setActive(0);
}

template <typename T>
void Vst3Instance::process(std::vector<T*> in, std::vector<T*> out, int frames,
                           ParameterChanges* changes) {
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = (int32_t)in.size();
    outBus.numChannels = (int32_t)out.size();
    if constexpr (sizeof(T) == 8) {
        inBus.channelBuffers64 = in.data();
        outBus.channelBuffers64 = out.data();
    } else {
        inBus.channelBuffers32 = in.data();
        outBus.channelBuffers32 = out.data();
    }
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = sizeof(T) == 8 ? kSample64 : kSample32;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes;
    processor->process(data);
}
template void Vst3Instance::process<float>(std::vector<float*>, std::vector<float*>, int,
                                           ParameterChanges*);
template void Vst3Instance::process<double>(std::vector<double*>, std::vector<double*>, int,
                                            ParameterChanges*);

std::vector<unsigned char> Vst3Instance::state() {
    MemoryStream s;
    if (component->getState(&s) != kResultOk) return {};
    return s.bytes;
}

tresult Vst3Instance::setState(const std::vector<unsigned char>& bytes) {
    MemoryStream s(bytes);
    return component->setState(&s);
}

std::vector<ParamID> Vst3Instance::parameterIds() {
    std::vector<ParamID> ids;
    for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
        ParameterInfo info{};
        controller->getParameterInfo(i, info);
        ids.push_back(info.id);
    }
    return ids;
}

std::string Vst3Instance::text(ParamID id, double v) {
    String128 s{};
    if (controller->getParamStringByValue(id, v, s) != kResultOk) return "<none>";
    return dravo::vst3face::toUtf8(s);
}

} // namespace dravo_test
