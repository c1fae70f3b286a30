#include "host/VstHost.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <shared_mutex>
#include <sys/stat.h>

namespace {

using PluginMain = AEffect* (*)(audioMasterCallback);

// Which VstPlugin a callback belongs to. VSTPluginMain's first calls carry no
// AEffect (or one the host has not seen yet), so the instance being loaded is
// also kept per thread, and globally for plug-ins that call from a thread of
// their own while they are created.
thread_local VstPlugin* tLoading = nullptr;
std::atomic<VstPlugin*> gLoading{nullptr};
std::shared_mutex gRegistryMutex;
std::map<AEffect*, VstPlugin*> gRegistry;

VstPlugin* findInstance(AEffect* effect) {
    if (tLoading) return tLoading;
    if (effect) {
        std::shared_lock<std::shared_mutex> lock(gRegistryMutex);
        auto it = gRegistry.find(effect);
        if (it != gRegistry.end()) return it->second;
    }
    return gLoading.load();
}

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
    VstPlugin* host = findInstance(effect);
    if (!host) return opcode == audioMasterVersion ? 2400 : 0;
    return host->onCallback(effect, opcode, index, value, ptr, opt);
}

// Writes text with its terminator into a host-answer buffer of the SDK's size.
void answerText(void* ptr, const char* text, std::size_t size) {
    if (!ptr) return;
    std::strncpy(static_cast<char*>(ptr), text, size - 1);
    static_cast<char*>(ptr)[size - 1] = 0;
}

} // namespace

VstPlugin::VstPlugin() = default;

VstPlugin::~VstPlugin() {
    unload();
}

std::string VstPlugin::load(const std::string& path) {
    unload();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return path + ": no such file";
    if (S_ISDIR(st.st_mode)) return path + ": is a directory, not a plug-in";

    // RTLD_LOCAL: plug-ins keep their symbols to themselves, as in a DAW. A
    // name without a slash is the file just found here, not one dlopen
    // would look for on the library path.
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* why = dlerror();
        return path + ": cannot load: " + (why ? why : "unknown reason");
    }
    auto entry = reinterpret_cast<PluginMain>(dlsym(lib, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<PluginMain>(dlsym(lib, "main"));
    if (!entry) {
        dlclose(lib);
        return path + ": not a VST 2.x plug-in (no VSTPluginMain)";
    }

    tLoading = this;
    gLoading = this;
    AEffect* effect = entry(&hostCallback);
    tLoading = nullptr;
    gLoading = nullptr;

    if (!effect) {
        dlclose(lib);
        return path + ": VSTPluginMain returned no effect";
    }
    if (effect->magic != kEffectMagic) {
        dlclose(lib);
        return path + ": VSTPluginMain returned a record without the VstP magic";
    }
    library_ = lib;
    effect_ = effect;
    path_ = path;
    std::unique_lock<std::shared_mutex> lock(gRegistryMutex);
    gRegistry[effect] = this;
    return {};
}

void VstPlugin::unload() {
    if (effect_) {
        // Callbacks made while closing still reach this instance.
        tLoading = this;
        effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        tLoading = nullptr;
        std::unique_lock<std::shared_mutex> lock(gRegistryMutex);
        gRegistry.erase(effect_);
        effect_ = nullptr;
    }
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
    }
}

void VstPlugin::setInputConnected(int pin, bool connected) {
    if (pin < 0 || pin >= 16) return;
    if (connected)
        inputsDisconnected_ &= ~(1u << pin);
    else
        inputsDisconnected_ |= 1u << pin;
}

void VstPlugin::setOutputConnected(int pin, bool connected) {
    if (pin < 0 || pin >= 16) return;
    if (connected)
        outputsDisconnected_ &= ~(1u << pin);
    else
        outputsDisconnected_ |= 1u << pin;
}

void VstPlugin::setCallbackHook(CallbackHook hook) {
    auto shared = hook ? std::make_shared<const CallbackHook>(std::move(hook)) : nullptr;
    std::lock_guard<std::mutex> lock(hookMutex_);
    hook_ = std::move(shared);
}

std::vector<HostCallbackRecord> VstPlugin::callbacks() const {
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
}

std::vector<HostCallbackRecord> VstPlugin::callbacks(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(logMutex_);
    std::vector<HostCallbackRecord> out;
    for (const auto& r : log_)
        if (r.opcode == opcode) out.push_back(r);
    return out;
}

std::size_t VstPlugin::callbackCount(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(logMutex_);
    return std::count_if(log_.begin(), log_.end(),
                         [opcode](const HostCallbackRecord& r) { return r.opcode == opcode; });
}

void VstPlugin::clearCallbacks() {
    std::lock_guard<std::mutex> lock(logMutex_);
    log_.clear();
}

VstIntPtr VstPlugin::onCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt) {
    HostCallbackRecord rec;
    rec.opcode = opcode;
    rec.index = index;
    rec.value = value;
    rec.ptr = reinterpret_cast<VstIntPtr>(ptr);
    rec.opt = opt;
    rec.nullEffect = effect == nullptr;
    rec.thread = std::this_thread::get_id();
    if (opcode == audioMasterCanDo && ptr)
        rec.text.assign(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), 64));
    if (logging_) {
        std::lock_guard<std::mutex> lock(logMutex_);
        log_.push_back(rec);
    }
    std::shared_ptr<const CallbackHook> hook;
    {
        std::lock_guard<std::mutex> lock(hookMutex_);
        hook = hook_;
    }
    if (hook) {
        if (auto answer = (*hook)(rec)) return *answer;
    }

    switch (opcode) {
    case audioMasterVersion:
        return hostVersion_;
    case audioMasterCurrentId:
        return 0;
    case audioMasterPinConnected: {
        // index = pin, value 0 = input, 1 = output; 0 means connected.
        if (index < 0 || index >= 16) return 1;
        unsigned mask = value ? outputsDisconnected_.load() : inputsDisconnected_.load();
        return (mask >> index) & 1u;
    }
    case audioMasterGetSampleRate: {
        double rate = hostSampleRate_ >= 0 ? hostSampleRate_.load() : lastSampleRate_.load();
        return static_cast<VstIntPtr>(rate);
    }
    case audioMasterGetBlockSize:
        return hostBlockSize_ >= 0 ? hostBlockSize_.load() : lastBlockSize_.load();
    case audioMasterGetCurrentProcessLevel:
        return processLevel_;
    case audioMasterGetVendorString:
        answerText(ptr, "Vey Dravo", kVstMaxVendorStrLen);
        return 1;
    case audioMasterGetProductString:
        answerText(ptr, "Vey Dravo host", kVstMaxProductStrLen);
        return 1;
    case audioMasterGetVendorVersion:
        return 1800;
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterCanDo: {
        if (!ptr) return 0;
        const char* what = static_cast<const char*>(ptr);
        (void)what; // this host offers none of the optional features: "don't know"
        return 0;
    }
    default:
        return 0;
    }
}

VstIntPtr VstPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt) {
    if (!effect_) return 0;
    if (opcode == effClose) {
        unload();
        return 1;
    }
    if (opcode == effSetSampleRate) lastSampleRate_ = opt;
    if (opcode == effSetBlockSize) lastBlockSize_ = value;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void VstPlugin::start(float rate, VstInt32 blockSize) {
    open();
    setSampleRate(rate);
    setBlockSize(blockSize);
    resume();
}

PluginText VstPlugin::queryText(VstInt32 opcode, VstInt32 index, std::size_t bufferSize) {
    PluginText out;
    if (!effect_ || bufferSize == 0) return out;
    // Asked twice with two different fillers, so a byte the plug-in wrote
    // that happens to equal one filler is still seen as written.
    const char fillA = '\x5a', fillB = '\x3c';
    std::vector<char> a(bufferSize, fillA), b(bufferSize, fillB);
    out.result = dispatch(opcode, index, 0, a.data(), 0.0f);
    dispatch(opcode, index, 0, b.data(), 0.0f);
    for (std::size_t i = 0; i < bufferSize; ++i)
        if (a[i] != fillA || b[i] != fillB) out.written = i + 1;
    if (out.written > 0) out.text.assign(a.data(), strnlen(a.data(), out.written));
    return out;
}

PluginText VstPlugin::programNameIndexed(VstInt32 index) {
    return queryText(effGetProgramNameIndexed, index);
}

VstIntPtr VstPlugin::canDo(const std::string& what) {
    std::vector<char> text(what.begin(), what.end());
    text.push_back(0);
    return dispatch(effCanDo, 0, 0, text.data());
}

std::optional<VstPinProperties> VstPlugin::inputProperties(VstInt32 index) {
    VstPinProperties p{};
    if (!dispatch(effGetInputProperties, index, 0, &p)) return std::nullopt;
    return p;
}

std::optional<VstPinProperties> VstPlugin::outputProperties(VstInt32 index) {
    VstPinProperties p{};
    if (!dispatch(effGetOutputProperties, index, 0, &p)) return std::nullopt;
    return p;
}

std::optional<VstParameterProperties> VstPlugin::parameterProperties(VstInt32 index) {
    VstParameterProperties p{};
    if (!dispatch(effGetParameterProperties, index, 0, &p)) return std::nullopt;
    return p;
}

VstIntPtr VstPlugin::setSpeakerArrangement(int inputChannels, int outputChannels) {
    auto fill = [](VstSpeakerArrangement& a, int n) {
        a = VstSpeakerArrangement{};
        a.numChannels = n;
        a.type = n == 1 ? kSpeakerArrMono : n == 2 ? kSpeakerArrStereo : kSpeakerArrUserDefined;
        for (int i = 0; i < n && i < 8; ++i)
            a.speakers[i].type = n == 1 ? 0 : i + 1;
    };
    VstSpeakerArrangement in, out;
    fill(in, inputChannels);
    fill(out, outputChannels);
    return dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
}

std::vector<unsigned char> VstPlugin::getChunk(bool program) {
    void* data = nullptr;
    VstIntPtr size = dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr VstPlugin::setChunk(const std::vector<unsigned char>& data, bool program) {
    // The plug-in gets its own copy, as a host hands over a buffer it owns.
    std::vector<unsigned char> copy(data);
    return dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data());
}

void VstPlugin::setParameter(VstInt32 index, float value) {
    if (effect_) effect_->setParameter(effect_, index, value);
}

float VstPlugin::getParameter(VstInt32 index) {
    return effect_ ? effect_->getParameter(effect_, index) : 0.0f;
}

ERect* VstPlugin::editGetRect() {
    ERect* rect = nullptr;
    dispatch(effEditGetRect, 0, 0, &rect);
    return rect;
}

void VstPlugin::processReplacing(float** in, float** out, VstInt32 frames) {
    if (effect_ && effect_->processReplacing) effect_->processReplacing(effect_, in, out, frames);
}

void VstPlugin::processDoubleReplacing(double** in, double** out, VstInt32 frames) {
    if (effect_ && effect_->processDoubleReplacing)
        effect_->processDoubleReplacing(effect_, in, out, frames);
}

template <typename T>
void VstPlugin::processVectors(const std::vector<std::vector<T>>& in,
                               std::vector<std::vector<T>>& out) {
    if (!effect_) return;
    std::size_t frames = 0;
    for (const auto& ch : in)
        frames = std::max(frames, ch.size());
    // Inputs: copies, padded to numInputs channels of equal length.
    std::vector<std::vector<T>> inCopy(std::max(effect_->numInputs, 1), std::vector<T>(frames));
    for (std::size_t c = 0; c < inCopy.size() && c < in.size(); ++c)
        std::copy(in[c].begin(), in[c].end(), inCopy[c].begin());
    out.assign(std::max(effect_->numOutputs, 1), std::vector<T>(frames));
    std::vector<T*> inPtr, outPtr;
    for (auto& ch : inCopy)
        inPtr.push_back(ch.data());
    for (auto& ch : out)
        outPtr.push_back(ch.data());
    if constexpr (std::is_same_v<T, float>)
        processReplacing(inPtr.data(), outPtr.data(), static_cast<VstInt32>(frames));
    else
        processDoubleReplacing(inPtr.data(), outPtr.data(), static_cast<VstInt32>(frames));
}

template <typename T> void VstPlugin::processInPlaceVectors(std::vector<std::vector<T>>& io) {
    if (!effect_) return;
    std::size_t frames = 0;
    for (const auto& ch : io)
        frames = std::max(frames, ch.size());
    std::size_t channels =
        static_cast<std::size_t>(std::max({effect_->numInputs, effect_->numOutputs, 1}));
    if (io.size() < channels) io.resize(channels);
    for (auto& ch : io)
        ch.resize(frames);
    std::vector<T*> ptrs;
    for (auto& ch : io)
        ptrs.push_back(ch.data());
    if constexpr (std::is_same_v<T, float>)
        processReplacing(ptrs.data(), ptrs.data(), static_cast<VstInt32>(frames));
    else
        processDoubleReplacing(ptrs.data(), ptrs.data(), static_cast<VstInt32>(frames));
}

void VstPlugin::process(const std::vector<std::vector<float>>& in,
                        std::vector<std::vector<float>>& out) {
    processVectors(in, out);
}

void VstPlugin::process(const std::vector<std::vector<double>>& in,
                        std::vector<std::vector<double>>& out) {
    processVectors(in, out);
}

void VstPlugin::processInPlace(std::vector<std::vector<float>>& io) {
    processInPlaceVectors(io);
}

void VstPlugin::processInPlace(std::vector<std::vector<double>>& io) {
    processInPlaceVectors(io);
}

std::string findThirdPartyEq() {
    for (const char* dir : {"/usr/lib/vst/lsp-plugins", "/usr/lib/x86_64-linux-gnu/vst/lsp-plugins",
                            "/usr/local/lib/vst/lsp-plugins"}) {
        std::string path = std::string(dir) + "/para-equalizer-x16-stereo.so";
        struct stat st;
        if (stat(path.c_str(), &st) == 0) return path;
    }
    return {};
}
