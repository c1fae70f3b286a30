// A small VST 2.x host: loads a plug-in .so, answers its callbacks the way a
// DAW does (answers configurable per instance), records every callback, and
// wraps the dispatcher. Tests and the command-line tools drive plug-ins
// through it.
#pragma once

#include "vst/vst2abi.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// One call the plug-in made to the host.
struct HostCallbackRecord {
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    VstIntPtr ptr = 0; // the pointer argument as an integer
    float opt = 0.0f;
    bool nullEffect = false; // the plug-in passed no AEffect (entry-point version query)
    std::thread::id thread;
    std::string text; // copy of a zero-terminated string argument (audioMasterCanDo)
};

// A text answer of the plug-in together with how much of the buffer it wrote.
struct PluginText {
    std::string text;        // up to the first zero byte
    std::size_t written = 0; // bytes changed in the host's buffer (terminator included)
    VstIntPtr result = 0;    // the dispatcher's return value
};

class VstPlugin {
  public:
    // Lets a test answer a callback itself; return nothing to fall back to
    // the configured answers. Runs on the plug-in's calling thread.
    using CallbackHook = std::function<std::optional<VstIntPtr>(const HostCallbackRecord&)>;

    VstPlugin();
    ~VstPlugin(); // effClose (if still open), then dlclose
    VstPlugin(const VstPlugin&) = delete;
    VstPlugin& operator=(const VstPlugin&) = delete;

    // Loads the .so and calls VSTPluginMain. Returns an empty string on
    // success, otherwise a one-line error (the file name and why).
    std::string load(const std::string& path);
    // effClose and dlclose; safe to call twice.
    void unload();
    bool isLoaded() const { return effect_ != nullptr; }
    AEffect* effect() const { return effect_; }
    const std::string& path() const { return path_; }

    // ---- host answers (set before load where the plug-in asks at creation)
    void setHostVersion(VstIntPtr v) { hostVersion_ = v; }
    // Block size and sample rate answers; negative (the default) answers what
    // the host last set through effSetBlockSize / effSetSampleRate.
    void setHostBlockSize(VstIntPtr v) { hostBlockSize_ = v; }
    void setHostSampleRate(double r) { hostSampleRate_ = r; }
    // Pins 0..15; true = connected (the host answers 0 then, the SDK's inverted sense).
    void setInputConnected(int pin, bool connected);
    void setOutputConnected(int pin, bool connected);
    // audioMasterGetCurrentProcessLevel answer (0 unknown, 4 offline).
    void setProcessLevel(VstIntPtr level) { processLevel_ = level; }
    void setCallbackHook(CallbackHook hook);

    // ---- the callback log (thread-safe)
    void setLogging(bool on) { logging_ = on; }
    std::vector<HostCallbackRecord> callbacks() const;
    std::vector<HostCallbackRecord> callbacks(VstInt32 opcode) const;
    std::size_t callbackCount(VstInt32 opcode) const;
    void clearCallbacks();

    // ---- dispatcher
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    VstIntPtr open() { return dispatch(effOpen); }
    VstIntPtr setSampleRate(float rate) { return dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    VstIntPtr setBlockSize(VstInt32 n) { return dispatch(effSetBlockSize, 0, n); }
    VstIntPtr resume() { return dispatch(effMainsChanged, 0, 1); }
    VstIntPtr suspend() { return dispatch(effMainsChanged, 0, 0); }
    // effOpen, sample rate, block size, resume: what a DAW does before playing.
    void start(float rate, VstInt32 blockSize);

    // Text queries hand the plug-in a filler-filled buffer of bufferSize bytes
    // (generous by default) and report how many bytes it wrote.
    PluginText queryText(VstInt32 opcode, VstInt32 index = 0, std::size_t bufferSize = 512);
    PluginText paramName(VstInt32 index) { return queryText(effGetParamName, index); }
    PluginText paramDisplay(VstInt32 index) { return queryText(effGetParamDisplay, index); }
    PluginText paramLabel(VstInt32 index) { return queryText(effGetParamLabel, index); }
    PluginText programName() { return queryText(effGetProgramName); }
    PluginText programNameIndexed(VstInt32 index);
    PluginText effectName() { return queryText(effGetEffectName); }
    PluginText vendorString() { return queryText(effGetVendorString); }
    PluginText productString() { return queryText(effGetProductString); }

    VstIntPtr canDo(const std::string& what);
    VstIntPtr vendorVersion() { return dispatch(effGetVendorVersion); }
    VstIntPtr vstVersion() { return dispatch(effGetVstVersion); }
    VstIntPtr tailSize() { return dispatch(effGetTailSize); }
    VstIntPtr plugCategory() { return dispatch(effGetPlugCategory); }

    // Pin properties; nullopt when the plug-in does not answer (returns 0).
    std::optional<VstPinProperties> inputProperties(VstInt32 index);
    std::optional<VstPinProperties> outputProperties(VstInt32 index);
    std::optional<VstParameterProperties> parameterProperties(VstInt32 index);
    // Speaker arrangements with the given channel counts (mono or stereo types).
    VstIntPtr setSpeakerArrangement(int inputChannels, int outputChannels);

    // effGetChunk; index 0 asks for the bank, 1 for the program. Empty on 0.
    std::vector<unsigned char> getChunk(bool program = false);
    VstIntPtr setChunk(const std::vector<unsigned char>& data, bool program = false);

    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);
    int numParams() const { return effect_ ? effect_->numParams : 0; }
    int numInputs() const { return effect_ ? effect_->numInputs : 0; }
    int numOutputs() const { return effect_ ? effect_->numOutputs : 0; }
    VstInt32 uniqueID() const { return effect_ ? effect_->uniqueID : 0; }
    VstInt32 latency() const { return effect_ ? effect_->initialDelay : 0; }

    // ---- editor
    ERect* editGetRect();
    VstIntPtr editOpen(void* parent) { return dispatch(effEditOpen, 0, 0, parent); }
    VstIntPtr editClose() { return dispatch(effEditClose); }
    VstIntPtr editIdle() { return dispatch(effEditIdle); }

    // ---- audio. Raw forms pass the host's arrays straight through.
    void processReplacing(float** in, float** out, VstInt32 frames);
    void processDoubleReplacing(double** in, double** out, VstInt32 frames);
    // Vector forms: in holds numInputs channels (missing ones are fed zeros),
    // out is resized to numOutputs channels of the input length.
    void process(const std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out);
    void process(const std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out);
    // In place: the same buffers are passed as inputs and outputs, as hosts
    // that process in place do; io must hold max(numInputs, numOutputs) channels.
    void processInPlace(std::vector<std::vector<float>>& io);
    void processInPlace(std::vector<std::vector<double>>& io);

    // Dispatched for the static callback; public for the trampoline only.
    VstIntPtr onCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                         void* ptr, float opt);

  private:
    template <typename T>
    void processVectors(const std::vector<std::vector<T>>& in, std::vector<std::vector<T>>& out);
    template <typename T> void processInPlaceVectors(std::vector<std::vector<T>>& io);

    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    std::string path_;

    std::atomic<VstIntPtr> hostVersion_{2400};
    std::atomic<VstIntPtr> hostBlockSize_{-1};
    std::atomic<double> hostSampleRate_{-1.0};
    std::atomic<VstIntPtr> lastBlockSize_{1024};
    std::atomic<double> lastSampleRate_{44100.0};
    std::atomic<VstIntPtr> processLevel_{0};
    std::atomic<unsigned> inputsDisconnected_{0}; // bit per pin
    std::atomic<unsigned> outputsDisconnected_{0};
    std::atomic<bool> logging_{true};

    mutable std::mutex logMutex_;
    std::vector<HostCallbackRecord> log_;
    // Shared so a callback can run the hook outside the lock: the hook may
    // call into the plug-in, whose callbacks from there take the lock again.
    mutable std::mutex hookMutex_;
    std::shared_ptr<const CallbackHook> hook_;
};

// Finds a VST 2.x plug-in from Debian's archive to test the host against:
// an LSP parametric equaliser (stereo), or an empty string when none is installed.
std::string findThirdPartyEq();
