// The part of the VST 3 binary interface this plug-in and its tests use,
// written from the published ABI facts: interface IDs, the order of every
// interface's methods, struct layouts and constants. Every interface is a
// C++ class of pure virtual methods whose vtable starts with FUnknown's three
// (queryInterface, addRef, release), in declaration order; no destructor is
// part of any vtable. On Linux structs have their natural alignment and
// strings are UTF-16.
#pragma once

#include <cstdint>
#include <cstring>

namespace vst3 {

using tresult = int32_t;
using ParamID = uint32_t;
using ParamValue = double;
using TBool = uint8_t;
using char16 = char16_t;
using String128 = char16[128];
using SpeakerArrangement = uint64_t;
using UnitID = int32_t;
using ProgramListID = int32_t;

// Result codes (the non-Windows values).
enum : tresult {
    kNoInterface = -1,
    kResultOk = 0,
    kResultTrue = 0,
    kResultFalse = 1,
    kInvalidArgument = 2,
    kNotImplemented = 3,
    kInternalError = 4,
    kNotInitialized = 5,
    kOutOfMemory = 6,
};

// A 16-byte interface or class ID. The SDK writes an ID as four 32-bit
// words; outside Windows each word is stored most significant byte first.
struct TUID {
    uint8_t bytes[16];
    bool operator==(const TUID& o) const { return std::memcmp(bytes, o.bytes, 16) == 0; }
    bool matches(const void* raw) const { return raw && std::memcmp(bytes, raw, 16) == 0; }
};
constexpr TUID makeTuid(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return TUID{{uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a), uint8_t(b >> 24),
                 uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b), uint8_t(c >> 24), uint8_t(c >> 16),
                 uint8_t(c >> 8), uint8_t(c), uint8_t(d >> 24), uint8_t(d >> 16), uint8_t(d >> 8),
                 uint8_t(d)}};
}

// The interface IDs.
inline constexpr TUID kFUnknownIid = makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr TUID kIPluginBaseIid = makeTuid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr TUID kIPluginFactoryIid = makeTuid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr TUID kIPluginFactory2Iid =
    makeTuid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr TUID kIPluginFactory3Iid =
    makeTuid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
inline constexpr TUID kIComponentIid = makeTuid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr TUID kIAudioProcessorIid =
    makeTuid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr TUID kIEditControllerIid =
    makeTuid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr TUID kIComponentHandlerIid =
    makeTuid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr TUID kIUnitInfoIid = makeTuid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
inline constexpr TUID kIBStreamIid = makeTuid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr TUID kIParamValueQueueIid =
    makeTuid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr TUID kIParameterChangesIid =
    makeTuid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr TUID kIPlugViewIid = makeTuid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
inline constexpr TUID kIPlugFrameIid = makeTuid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
inline constexpr TUID kIPlugViewContentScaleSupportIid =
    makeTuid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
inline constexpr TUID kIRunLoopIid = makeTuid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
inline constexpr TUID kIEventHandlerIid = makeTuid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
inline constexpr TUID kITimerHandlerIid = makeTuid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

class FUnknown {
  public:
    virtual tresult queryInterface(const uint8_t* iid, void** obj) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;

  protected:
    ~FUnknown() = default;
};

class IPluginBase : public FUnknown {
  public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;

  protected:
    ~IPluginBase() = default;
};

// ---- Streams ----------------------------------------------------------------

enum : int32_t { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

class IBStream : public FUnknown {
  public:
    virtual tresult read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
    virtual tresult write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
    virtual tresult seek(int64_t pos, int32_t mode, int64_t* result) = 0;
    virtual tresult tell(int64_t* pos) = 0;

  protected:
    ~IBStream() = default;
};

// ---- The factory ------------------------------------------------------------

struct PFactoryInfo {
    enum : int32_t { kUnicode = 1 << 4 };
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

inline constexpr int32_t kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    char16 name[64];
    uint32_t classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

class IPluginFactory : public FUnknown {
  public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t countClasses() = 0;
    virtual tresult getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult createInstance(const uint8_t* cid, const uint8_t* iid, void** obj) = 0;

  protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
  public:
    virtual tresult getClassInfo2(int32_t index, PClassInfo2* info) = 0;

  protected:
    ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
  public:
    virtual tresult getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;

  protected:
    ~IPluginFactory3() = default;
};

// ---- The component ------------------------------------------------------------

enum MediaType : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirection : int32_t { kInput = 0, kOutput = 1 };
enum BusType : int32_t { kMain = 0, kAux = 1 };
enum : uint32_t { kDefaultActive = 1 << 0 };
enum IoMode : int32_t { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

class IComponent : public IPluginBase {
  public:
    virtual tresult getControllerClassId(uint8_t* classId) = 0;
    virtual tresult setIoMode(int32_t mode) = 0;
    virtual int32_t getBusCount(int32_t type, int32_t dir) = 0;
    virtual tresult getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo* bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo* in, RoutingInfo* out) = 0;
    virtual tresult activateBus(int32_t type, int32_t dir, int32_t index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;

  protected:
    ~IComponent() = default;
};

// ---- Processing -------------------------------------------------------------

namespace speaker {
inline constexpr SpeakerArrangement kL = 1 << 0;
inline constexpr SpeakerArrangement kR = 1 << 1;
inline constexpr SpeakerArrangement kM = 1 << 19;
inline constexpr SpeakerArrangement kMono = kM;
inline constexpr SpeakerArrangement kStereo = kL | kR;
} // namespace speaker

enum ProcessMode : int32_t { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum SymbolicSampleSize : int32_t { kSample32 = 0, kSample64 = 1 };

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

class IParamValueQueue : public FUnknown {
  public:
    virtual ParamID getParameterId() = 0;
    virtual int32_t getPointCount() = 0;
    virtual tresult getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
    virtual tresult addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;

  protected:
    ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
  public:
    virtual int32_t getParameterCount() = 0;
    virtual IParamValueQueue* getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) = 0;

  protected:
    ~IParameterChanges() = default;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

class IEventList;
struct ProcessContext;

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
  public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                       SpeakerArrangement* outputs, int32_t numOuts) = 0;
    virtual tresult getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement& arr) = 0;
    virtual tresult canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData& data) = 0;
    virtual uint32_t getTailSamples() = 0;

  protected:
    ~IAudioProcessor() = default;
};

// ---- The edit controller ----------------------------------------------------

enum RestartFlags : int32_t {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
};

class IComponentHandler : public FUnknown {
  public:
    virtual tresult beginEdit(ParamID id) = 0;
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult endEdit(ParamID id) = 0;
    virtual tresult restartComponent(int32_t flags) = 0;

  protected:
    ~IComponentHandler() = default;
};

struct ParameterInfo {
    enum : int32_t {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32_t flags;
};

class IPlugView;

class IEditController : public IPluginBase {
  public:
    virtual tresult setComponentState(IBStream* state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    virtual int32_t getParameterCount() = 0;
    virtual tresult getParameterInfo(int32_t paramIndex, ParameterInfo& info) = 0;
    virtual tresult getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                          String128 string) = 0;
    virtual tresult getParamValueByString(ParamID id, char16* string,
                                          ParamValue& valueNormalized) = 0;
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue getParamNormalized(ParamID id) = 0;
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* createView(const char* name) = 0;

  protected:
    ~IEditController() = default;
};

// ---- Units and program lists --------------------------------------------------

inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32_t programCount;
};

class IUnitInfo : public FUnknown {
  public:
    virtual int32_t getUnitCount() = 0;
    virtual tresult getUnitInfo(int32_t unitIndex, UnitInfo& info) = 0;
    virtual int32_t getProgramListCount() = 0;
    virtual tresult getProgramListInfo(int32_t listIndex, ProgramListInfo& info) = 0;
    virtual tresult getProgramName(ProgramListID listId, int32_t programIndex, String128 name) = 0;
    virtual tresult getProgramInfo(ProgramListID listId, int32_t programIndex,
                                   const char* attributeId, String128 attributeValue) = 0;
    virtual tresult hasProgramPitchNames(ProgramListID listId, int32_t programIndex) = 0;
    virtual tresult getProgramPitchName(ProgramListID listId, int32_t programIndex,
                                        int16_t midiPitch, String128 name) = 0;
    virtual UnitID getSelectedUnit() = 0;
    virtual tresult selectUnit(UnitID unitId) = 0;
    virtual tresult getUnitByBus(int32_t type, int32_t dir, int32_t busIndex, int32_t channel,
                                 UnitID& unitId) = 0;
    virtual tresult setUnitProgramData(int32_t listOrUnitId, int32_t programIndex,
                                       IBStream* data) = 0;

  protected:
    ~IUnitInfo() = default;
};

// ---- The editor's window ------------------------------------------------------

inline constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    int32_t getWidth() const { return right - left; }
    int32_t getHeight() const { return bottom - top; }
};

class IPlugFrame;

class IPlugView : public FUnknown {
  public:
    virtual tresult isPlatformTypeSupported(const char* type) = 0;
    virtual tresult attached(void* parent, const char* type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(IPlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;

  protected:
    ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
  public:
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;

  protected:
    ~IPlugFrame() = default;
};

class IPlugViewContentScaleSupport : public FUnknown {
  public:
    virtual tresult setContentScaleFactor(float factor) = 0;

  protected:
    ~IPlugViewContentScaleSupport() = default;
};

// The host's event loop on Linux, offered through the IPlugFrame.
class IEventHandler : public FUnknown {
  public:
    virtual void onFDIsSet(int fd) = 0;

  protected:
    ~IEventHandler() = default;
};

class ITimerHandler : public FUnknown {
  public:
    virtual void onTimer() = 0;

  protected:
    ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
  public:
    virtual tresult registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;

  protected:
    ~IRunLoop() = default;
};

} // namespace vst3

// Exported by the module: the factory, and on Linux the module's entry and
// exit (called once after loading and before unloading).
extern "C" {
using GetFactoryProc = vst3::IPluginFactory* (*)();
using ModuleEntryProc = bool (*)(void*);
using ModuleExitProc = bool (*)();
}
