// The editor in VST 3 hosts: the format-neutral editor and its preset bar in
// an IPlugView embedded in the host's X11 window. The host's run loop (asked
// from its IPlugFrame) drives the editor's idle from a timer and from the
// window connection's descriptor; both are unregistered before removed()
// returns. The editor's gestures reach the host as beginEdit / performEdit /
// endEdit on its component handler, a new zoom as IPlugFrame::resizeView.
#pragma once

#include "gui/EqualiserEditor.h"
#include "vst3/vst3abi.h"

#include <atomic>
#include <memory>

namespace dravo::vst3face {

using namespace ::vst3;
class Vst3Plugin;

class Vst3View final : public IPlugView,
                       public IPlugViewContentScaleSupport,
                       public ITimerHandler,
                       public IEventHandler,
                       private EditController {
  public:
    explicit Vst3View(Vst3Plugin& plugin);
    Vst3View(const Vst3View&) = delete;
    Vst3View& operator=(const Vst3View&) = delete;

    // FUnknown.
    tresult queryInterface(const uint8_t* iid, void** obj) override;
    uint32_t addRef() override;
    uint32_t release() override;

    // IPlugView.
    tresult isPlatformTypeSupported(const char* type) override;
    tresult attached(void* parent, const char* type) override;
    tresult removed() override;
    tresult onWheel(float distance) override;
    tresult onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) override;
    tresult onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) override;
    tresult getSize(ViewRect* size) override;
    tresult onSize(ViewRect* newSize) override;
    tresult onFocus(TBool) override { return kResultOk; }
    tresult setFrame(IPlugFrame* frame) override;
    tresult canResize() override { return kResultFalse; }
    tresult checkSizeConstraint(ViewRect* rect) override;

    // IPlugViewContentScaleSupport: the host's scale stands for the
    // desktop's; a zoom the user chose in the editor's menu stays.
    tresult setContentScaleFactor(float factor) override;

    // The run loop's timer and descriptor: the editor's idle.
    void onTimer() override;
    void onFDIsSet(int fd) override;

    EqualiserEditor& editor() { return *equaliserEditor; }

  private:
    ~Vst3View();

    // EditController.
    float parameter(Param p) const override;
    void beginEdit(Param p) override;
    void performEdit(Param p, float value) override;
    void endEdit(Param p) override;
    const PresetRecord& preset(int n) const override;
    int currentPreset() const override;
    const PresetRecord& blankPreset() const override;
    void selectPreset(int n) override;
    void renamePreset(const char* name) override;
    void replacePreset(const PresetRecord& record) override;
    void replaceBank(const Bank& bank) override;
    float takePeak() override;
    void setAnalyserOn(bool on) override;
    int takeOutputSamples(float* dst, int max) override;
    double latencySamples() const override;
    double sampleRate() const override;
    bool isStereo() const override;
    bool requestSize(int width, int height) override;
    void deliverChanges(EditListener& listener) override;

    // The values before a preset change, and the host told every value that
    // differs after it (as a knob's edit), then the preset selector.
    struct Values {
        float v[kNumParams];
    };
    Values currentValues() const;
    void tellHostChangedValues(const Values& before);
    void unregisterFromRunLoop();

    std::atomic<uint32_t> refs{1};
    Vst3Plugin& plugin;
    std::unique_ptr<EqualiserEditor> equaliserEditor;
    IPlugFrame* frame = nullptr;
    IRunLoop* runLoop = nullptr;
    bool timerRegistered = false;
    bool fdRegistered = false;
};

} // namespace dravo::vst3face
