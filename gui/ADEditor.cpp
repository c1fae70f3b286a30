#include "gui/ADEditor.h"

#include "gui/CAbout.h"
#include "gui/CAnimKnob3.h"
#include "gui/CLED.h"
#include "gui/CVeyOnOffButton.h"
#include "gui/Colours.h"
#include "model/ValueText.h"
#include "plugin/Dravo.h"
#include "resources/Manual.h"

#include <thread>

using namespace dravo::layout;
using dravo::Param;

namespace {
constexpr float kKnobRangeScale = 0.5f; // 500 drag units span a knob's range
constexpr float kLatencyMax = 10000.f;
} // namespace

// ---------------------------------------------------------------------------
MyFrame::MyFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor)
    : CFrame(size, systemWindow, editor) {}

void MyFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    if (updateRect.isEmpty()) return;
    CFrame::drawRect(context, updateRect);
}

void MyFrame::idle() {
    // A parameter change marks the whole frame (from any thread).
    if (isDirty()) invalid();
    CFrame::idle();
}

// ---------------------------------------------------------------------------
ADEditor::ViewAccess::ViewAccess(ADEditor& e) : editor(e) {
    // Sequentially consistent with close(): either close sees this user and
    // waits, or this user sees the window closed.
    editor.viewUsers.fetch_add(1);
    open = editor.viewsOpen.load();
}

ADEditor::ViewAccess::~ViewAccess() {
    editor.viewUsers.fetch_sub(1);
}

ADEditor::ADEditor(Dravo* effect) : CPresetSystemEditor(effect), dravo(effect) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = kEditorHeight;
    rect.right = kEditorWidth;
}

ADEditor::~ADEditor() {
    if (frame) close();
}

CControl* ADEditor::controlFor(int tag) const {
    for (int i = 0; i < kNumControls; ++i)
        if (kControls[i].tag == tag) return controls[i];
    return nullptr;
}

CControl* ADEditor::controlFor(Param p) const {
    return controlFor(dravo::index(p));
}

bool ADEditor::open(void* systemWindow) {
    if (frame) close();
    if (!systemWindow || !dravo) return false;
    AEffGUIEditor::open(systemWindow);

    CBitmap* background = new CBitmap(kBackgroundId);
    ERect* r = nullptr;
    getRect(&r);
    CRect size(r->left, r->top, r->left + background->getWidth(), r->top + background->getHeight());
    auto* f = new MyFrame(size, systemWindow, this);
    f->setBackground(background);
    background->forget();
    if (!f->isOpen()) {
        f->close();
        AEffGUIEditor::close();
        return false;
    }
    frame = f;
    viewFrame = f;
    setKnobMode(kLinearMode);

    for (int i = 0; i < kNumControls; ++i) {
        CBitmap* bitmap = new CBitmap(kControls[i].bitmapId);
        controls[i] = addControl(kControls[i], bitmap);
        bitmap->forget();
    }
    viewsOpen.store(true);

    CPresetSystemEditor::open(systemWindow);
    return true;
}

// Creates the control of one table row with its value from the effect and
// adds it to the frame. Sizes come from the bitmap: its width, and its height
// divided by the number of images.
CControl* ADEditor::addControl(const Control& c, CBitmap* bitmap) {
    const CCoord w = bitmap->getWidth();
    const CCoord h = c.images > 0 ? (CCoord)((int)bitmap->getHeight() / c.images) : 0;
    const CRect stripRect(c.left, c.top, c.left + w, c.top + h);
    const CRect tableRect(c.left, c.top, c.left + c.width, c.top + c.height);
    const float p = isParameterControl(c) ? dravo->getParameter(c.tag) : 0.f;
    CControl* control = nullptr;
    switch (c.kind) {
    case Kind::Led:
        led = new CLED(stripRect, this, c.tag, bitmap);
        led->setValue(1e-9f); // below every threshold: the first image
        control = led;
        break;
    case Kind::LatencyMs:
    case Kind::LatencySamples: {
        auto* display = new CParamDisplay(tableRect, bitmap);
        display->setBackOffset(CPoint(c.left, c.top));
        display->setHoriAlign(kLeftText);
        display->setFont(kNormalFontVerySmall);
        display->setFontColor(kLightGreyCColor);
        display->setMin(0.f);
        display->setMax(kLatencyMax);
        const bool ms = c.kind == Kind::LatencyMs;
        display->setValueToStringFunction([ms](float v, char text[256], CParamDisplay*) {
            if (ms)
                msStringConvert(v, text);
            else
                smpStringConvert(v, text);
            return true;
        });
        display->setValue(ms ? dravo->getLatency1() : dravo->getLatency2());
        (ms ? latencyMs : latencySamples) = display;
        control = display;
        break;
    }
    case Kind::Knob: {
        auto* knob = new CAnimKnob3(stripRect, this, c.tag, c.images, w, h, bitmap, CPoint(0, 0));
        knob->rangeScale = kKnobRangeScale;
        knob->setShiftZoom(c.shiftZoom);
        control = knob;
        break;
    }
    case Kind::OnOff:
        control = new CVeyOnOffButton(stripRect, this, c.tag, bitmap, 0);
        break;
    case Kind::Switch3:
        control = new CVerticalSwitch(stripRect, this, c.tag, c.images, h, c.images, bitmap,
                                      CPoint(0, 0));
        break;
    case Kind::About:
        about = new CAbout(tableRect, this, c.tag, bitmap, CRect(0, 0, w, bitmap->getHeight()),
                           CPoint(0, 0));
        control = about;
        break;
    }
    if (isParameterControl(c)) {
        control->setValue(c.inverted ? 1.f - p : p);
        if (c.defaultValue != kNoDefault) control->setDefaultValue(c.defaultValue);
    }
    frame->addView(control);
    return control;
}

void ADEditor::clearReferences() {
    for (CControl*& c : controls)
        c = nullptr;
    led = nullptr;
    about = nullptr;
    latencyMs = nullptr;
    latencySamples = nullptr;
    viewFrame = nullptr;
}

void ADEditor::close() {
    // No caller on another thread may reach a control from here on.
    viewsOpen.store(false);
    while (viewUsers.load() != 0)
        std::this_thread::yield();
    CPresetSystemEditor::close();
    clearReferences();
    CFrame* old = frame;
    frame = nullptr;
    if (old) old->close();
}

void ADEditor::idle() {
    if (frame && dravo) {
        EqEngine& engine = dravo->getEngine();
        float held = engine.getHeldLedLevel();
        // Only the peak of the last block before this idle counts.
        if (engine.getBlockPeak() >= 1.0f) {
            held = 1.0f;
            engine.setBlockPeak(0.f);
        } else {
            held = held >= 0.5f ? 0.5f : 0.f;
        }
        engine.setHeldLedLevel(held);
        // The LED stays as it is while the about box shows.
        if (about && about->getValue() == 0.f && led) led->setValue(held);
    }
    CPresetSystemEditor::idle();
}

CPresetSystemEditor::ManualDocument ADEditor::manualDocument() {
    return {kManualPdf, (size_t)kManualPdfSize, kManualVendorFolder, kManualFileName};
}

void ADEditor::valueChanged(CControl* control) {
    // The preset bar acts on its own tags (92..111) first.
    CPresetSystemEditor::valueChanged(control);
    if (!control || !dravo) return;
    const int tag = control->getTag();
    if (tag < 0 || tag > kLedTag) return;
    const Control* c = controlForTag(tag);
    if (!c) return;
    if (isParameterControl(*c)) {
        const float v = control->getValue();
        dravo->setParameterAutomated(tag, c->inverted ? 1.f - v : v);
    } else if (c->kind == Kind::Led && frame && (frame->getCurrentMouseButtons() & kLButton)) {
        if (led) {
            led->resetHold();
            led->invalid();
        }
        if (CControl* output = controlFor(Param::Output)) output->invalid();
        dravo->getEngine().setBlockPeak(0.f);
        dravo->getEngine().setHeldLedLevel(0.f);
    }
}

void ADEditor::setParameter(VstInt32 index, float value) {
    ViewAccess access(*this);
    if (!access) return;
    if (index >= 0 && index < dravo::kNumParams) {
        const Param p = dravo::paramAt(index);
        const Control* c = controlForTag(index);
        CControl* control = controlFor(index);
        if (c && control && isParameterControl(*c)) {
            control->setValue(c->inverted ? 1.f - value : value);
            // Kept as the editor has always had it: these two are also
            // marked themselves, though the whole frame is marked below.
            if (p == Param::Output || p == Param::LowCutOn) control->setDirty(true);
        }
        if (p == Param::Master) refreshLatency();
    }
    viewFrame->setDirty(true);
}

void ADEditor::refreshLatency() {
    if (latencyMs) latencyMs->setValue(dravo->getLatency1());
    if (latencySamples) latencySamples->setValue(dravo->getLatency2());
}

void ADEditor::resume() {
    ViewAccess access(*this);
    if (access) refreshLatency();
}

void ADEditor::internalSampleRateChanged() {
    ViewAccess access(*this);
    if (!access) return;
    refreshLatency();
    // The LED shows its first (dark) image, redrawn at the next idle even if
    // it was dark already; that idle then restores the held level (not while
    // the about box shows).
    if (led) {
        led->setValue(0.f);
        led->setDirty(true);
    }
}
