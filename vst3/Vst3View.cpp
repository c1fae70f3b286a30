#include "vst3/Vst3View.h"

#include "gui/EditorZoom.h"
#include "model/Identity.h"
#include "vst3/Vst3Plugin.h"

#include <cstring>

namespace dravo::vst3face {

namespace {
// The editor's idle period: within the 16..30 ms its meters and glides need.
constexpr uint64_t kIdleMilliseconds = 20;

bool isHostParameter(Param p) {
    Param same;
    return paramForId((ParamID)index(p), same);
}
} // namespace

Vst3View::Vst3View(Vst3Plugin& p) : plugin(p) {
    plugin.addRef();
    equaliserEditor = std::make_unique<EqualiserEditor>(static_cast<EditController&>(*this));
}

// A host may release the view without removing it first: the window closes
// while the plug-in is whole (its controls may still end an edit gesture).
Vst3View::~Vst3View() {
    if (equaliserEditor && equaliserEditor->isOpen()) removed();
    equaliserEditor.reset();
    setFrame(nullptr);
    plugin.release();
}

// ---------------------------------------------------------------------------
// FUnknown: the view, its scale support and its run-loop handlers share one
// reference count.

tresult Vst3View::queryInterface(const uint8_t* iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (kFUnknownIid.matches(iid) || kIPlugViewIid.matches(iid))
        *obj = static_cast<IPlugView*>(this);
    else if (kIPlugViewContentScaleSupportIid.matches(iid))
        *obj = static_cast<IPlugViewContentScaleSupport*>(this);
    else if (kITimerHandlerIid.matches(iid))
        *obj = static_cast<ITimerHandler*>(this);
    else if (kIEventHandlerIid.matches(iid))
        *obj = static_cast<IEventHandler*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3View::addRef() {
    return refs.fetch_add(1) + 1;
}

uint32_t Vst3View::release() {
    const uint32_t left = refs.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

// ---------------------------------------------------------------------------
// IPlugView

tresult Vst3View::isPlatformTypeSupported(const char* type) {
    return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue
                                                                         : kResultFalse;
}

tresult Vst3View::attached(void* parent, const char* type) {
    if (isPlatformTypeSupported(type) != kResultTrue || !parent) return kResultFalse;
    if (equaliserEditor->isOpen()) return kResultFalse;
    if (!equaliserEditor->open(parent)) return kResultFalse;
    // Idle from the host's run loop: a timer, and the window connection's
    // descriptor so that input is handled as it arrives.
    if (frame &&
        frame->queryInterface(kIRunLoopIid.bytes, reinterpret_cast<void**>(&runLoop)) ==
            kResultOk &&
        runLoop) {
        timerRegistered = runLoop->registerTimer(static_cast<ITimerHandler*>(this),
                                                 kIdleMilliseconds) == kResultOk;
        const int fd = equaliserEditor->getFrame() ? equaliserEditor->getFrame()->eventFd() : -1;
        if (fd >= 0)
            fdRegistered =
                runLoop->registerEventHandler(static_cast<IEventHandler*>(this), fd) == kResultOk;
    }
    return kResultOk;
}

void Vst3View::unregisterFromRunLoop() {
    if (!runLoop) return;
    if (timerRegistered) runLoop->unregisterTimer(static_cast<ITimerHandler*>(this));
    if (fdRegistered) runLoop->unregisterEventHandler(static_cast<IEventHandler*>(this));
    timerRegistered = fdRegistered = false;
    runLoop->release();
    runLoop = nullptr;
}

tresult Vst3View::removed() {
    unregisterFromRunLoop();
    equaliserEditor->close();
    return kResultOk;
}

tresult Vst3View::onWheel(float distance) {
    return equaliserEditor->onWheel(distance) ? kResultTrue : kResultFalse;
}

// The host's virtual key codes and modifier bits are the toolkit's.
tresult Vst3View::onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) {
    CKeyCode k{(int32_t)key, (unsigned char)keyCode, (unsigned char)modifiers};
    return equaliserEditor->onKeyDown(k) ? kResultTrue : kResultFalse;
}

tresult Vst3View::onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) {
    CKeyCode k{(int32_t)key, (unsigned char)keyCode, (unsigned char)modifiers};
    return equaliserEditor->onKeyUp(k) ? kResultTrue : kResultFalse;
}

tresult Vst3View::getSize(ViewRect* size) {
    if (!size) return kInvalidArgument;
    *size = ViewRect{0, 0, equaliserEditor->width(), equaliserEditor->height()};
    return kResultOk;
}

// The window's size follows the zoom only; the host's new size is taken as
// the answer to the size the editor asked for.
tresult Vst3View::onSize(ViewRect* newSize) {
    return newSize ? kResultOk : kInvalidArgument;
}

tresult Vst3View::checkSizeConstraint(ViewRect* rect) {
    if (!rect) return kInvalidArgument;
    rect->right = rect->left + equaliserEditor->width();
    rect->bottom = rect->top + equaliserEditor->height();
    return kResultOk;
}

tresult Vst3View::setFrame(IPlugFrame* f) {
    if (f == frame) return kResultOk;
    if (f) f->addRef();
    if (frame) frame->release();
    frame = f;
    return kResultOk;
}

tresult Vst3View::setContentScaleFactor(float factor) {
    if (!(factor > 0)) return kInvalidArgument;
    if (zoom::chosen(kPreferencesIdentifier) > 0) return kResultFalse;
    const double z = zoom::nearestStep(factor);
    if (z != equaliserEditor->getZoom()) equaliserEditor->setZoom(z, false);
    return kResultOk;
}

void Vst3View::onTimer() {
    equaliserEditor->idle();
}

void Vst3View::onFDIsSet(int) {
    equaliserEditor->idle();
}

// ---------------------------------------------------------------------------
// EditController

float Vst3View::parameter(Param p) const {
    return plugin.parameter(p);
}

void Vst3View::beginEdit(Param p) {
    IComponentHandler* h = plugin.componentHandler();
    if (h && isHostParameter(p)) h->beginEdit((ParamID)index(p));
}

// The value is the plug-in's at once (as the VST 2.x setParameterAutomated);
// the host records it and sends it to the processor again.
void Vst3View::performEdit(Param p, float value) {
    plugin.setParameter(p, value);
    IComponentHandler* h = plugin.componentHandler();
    if (h && isHostParameter(p)) h->performEdit((ParamID)index(p), value);
}

void Vst3View::endEdit(Param p) {
    IComponentHandler* h = plugin.componentHandler();
    if (h && isHostParameter(p)) h->endEdit((ParamID)index(p));
}

const PresetRecord& Vst3View::preset(int n) const {
    return plugin.programStore().records()[n >= 0 && n < kNumPresets ? n : 0];
}

int Vst3View::currentPreset() const {
    return plugin.programStore().current();
}

const PresetRecord& Vst3View::blankPreset() const {
    return plugin.programStore().defaultRecord();
}

Vst3View::Values Vst3View::currentValues() const {
    Values values;
    for (int i = 0; i < kNumParams; ++i)
        values.v[i] = plugin.parameter(paramAt(i));
    return values;
}

void Vst3View::tellHostChangedValues(const Values& before) {
    IComponentHandler* h = plugin.componentHandler();
    if (!h) return;
    for (int i = 0; i < kNumParams; ++i) {
        const float now = plugin.parameter(paramAt(i));
        if (now == before.v[i] || !isHostParameter(paramAt(i))) continue;
        h->beginEdit((ParamID)i);
        h->performEdit((ParamID)i, now);
        h->endEdit((ParamID)i);
    }
    h->beginEdit(kPresetParamId);
    h->performEdit(kPresetParamId, (double)currentPreset() / (kNumPresets - 1));
    h->endEdit(kPresetParamId);
}

void Vst3View::selectPreset(int n) {
    if (n < 0 || n >= kNumPresets) return;
    const Values before = currentValues();
    plugin.programStore().selectPreset(n);
    tellHostChangedValues(before);
}

void Vst3View::renamePreset(const char* name) {
    plugin.programStore().setName(name);
}

void Vst3View::replacePreset(const PresetRecord& record) {
    const Values before = currentValues();
    plugin.programStore().replaceCurrent(record);
    tellHostChangedValues(before);
}

void Vst3View::replaceBank(const Bank& bank) {
    const Values before = currentValues();
    plugin.programStore().replaceBank(bank);
    tellHostChangedValues(before);
}

float Vst3View::takePeak() {
    return plugin.engine().takeBlockPeak();
}

double Vst3View::latencySamples() const {
    return plugin.latencySamples();
}

void Vst3View::setAnalyserOn(bool on) {
    plugin.outputSamples().setOn(on);
}

int Vst3View::takeOutputSamples(float* dst, int max) {
    return plugin.outputSamples().pop(dst, max);
}

double Vst3View::sampleRate() const {
    return plugin.validatedRate();
}

bool Vst3View::isStereo() const {
    return plugin.isStereo();
}

// Before the window is attached the host reads the size from getSize.
bool Vst3View::requestSize(int width, int height) {
    if (!frame || !equaliserEditor->isOpen()) return true;
    ViewRect r{0, 0, width, height};
    return frame->resizeView(this, &r) == kResultOk;
}

void Vst3View::deliverChanges(EditListener& listener) {
    plugin.parkedChanges().deliver(listener);
}

} // namespace dravo::vst3face
