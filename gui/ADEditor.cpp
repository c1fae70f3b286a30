#include "gui/ADEditor.h"

#include "gui/CAbout.h"
#include "gui/CAnimKnob3.h"
#include "gui/CLED.h"
#include "gui/CVeyOnOffButton.h"
#include "gui/Colours.h"
#include "gui/EditorZoom.h"
#include "gui/ValueEntry.h"
#include "model/Parameters.h"
#include "model/ValueParse.h"
#include "model/ValueText.h"
#include "plugin/Dravo.h"
#include "resources/Manual.h"

#include <cmath>
#include <cstdlib>
#include <thread>

using namespace dravo::layout;
using dravo::Param;

namespace {
constexpr float kKnobRangeScale = 0.5f; // 500 drag units span a knob's range
constexpr float kLatencyMax = 10000.f;
// The editor's menus answer through valueChanged with these tags.
constexpr int kZoomMenuTag = -100;
constexpr int kControlMenuTag = -101;
constexpr int kZoomMenuDefault = 6; // "Default size", after the steps and a separator
constexpr int kControlMenuType = 1, kControlMenuDefault = 2;
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

CMouseEventResult MyFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (buttons.isRightButton() && !getModalView() && !getFocusView()) {
        auto* owner = static_cast<ADEditor*>(getEditor());
        mouseLocation = where;
        mouseButtons = buttons;
        if (owner && owner->onRightClick(getViewAt(where), where)) return kMouseEventHandled;
    }
    return CFrame::onMouseDown(where, buttons);
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

void ADEditor::updateRect() {
    if (zoom == 0) zoom = dravo::zoom::preferred(preferencesIdentifier());
    rect.right = (VstInt16)(rect.left + std::lround(kEditorWidth * zoom));
    rect.bottom = (VstInt16)(rect.top + std::lround(kEditorHeight * zoom));
}

bool ADEditor::getRect(ERect** ppRect) {
    // While the window is open its frame keeps the rectangle (the host may
    // have refused a size).
    if (!frame) updateRect();
    return AEffGUIEditor::getRect(ppRect);
}

bool ADEditor::setZoom(double zoomFactor, bool chosen) {
    const bool byDesktop = !(zoomFactor > 0);
    if (byDesktop) zoomFactor = dravo::zoom::desktop();
    // A host that refuses the size keeps the window, its zoom and the choice.
    if (frame && !frame->setZoom(zoomFactor)) return false;
    zoom = zoomFactor;
    if (!frame) updateRect();
    if (chosen) dravo::zoom::remember(preferencesIdentifier(), byDesktop ? 0 : zoomFactor);
    return true;
}

bool ADEditor::onRightClick(CView* view, const CPoint& where) {
    if (!view || view == about) {
        openZoomMenu(where);
        return true;
    }
    for (int i = 0; i < kNumControls; ++i)
        if (controls[i] == view && isParameterControl(kControls[i])) {
            openControlMenu(kControls[i].tag, where);
            return true;
        }
    return false;
}

void ADEditor::openZoomMenu(const CPoint& where) {
    auto* menu = new COptionMenu(CRect(0, 0, 0, 0), this, kZoomMenuTag);
    menu->setFont(kNormalFontSmall);
    for (double step : dravo::zoom::kSteps) {
        const std::string title = std::to_string(std::lround(step * 100)) + " %";
        CMenuItem* item = menu->addEntry(title.c_str());
        item->setIsChecked(frame && frame->getZoom() == step);
    }
    menu->addSeparator();
    menu->addEntry("Default size");
    menu->popup(frame, where);
    menu->forget();
}

// The parameter's value text as the host shows it, without trailing blanks.
std::string ADEditor::shownValue(int tag) const {
    char text[16] = {};
    dravo::valueText(dravo::paramAt(tag), dravo->getParameter(tag), text);
    std::string shown = text;
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

void ADEditor::openControlMenu(int tag, const CPoint& where) {
    const std::string shown = shownValue(tag);
    auto* menu = new COptionMenu(CRect(0, 0, 0, 0), this, kControlMenuTag);
    menu->setFont(kNormalFontSmall);
    menu->addEntry(shown.c_str(), -1, CMenuItem::kTitle);
    menu->addEntry("Type value\u2026");
    menu->addEntry("Default");
    menuTag = tag;
    menu->popup(frame, where);
    menu->forget();
}

void ADEditor::openValueEntry(int tag) {
    CControl* control = controlFor(tag);
    if (!control || !frame) return;
    closeValueEntry();
    const CRect& c = control->getViewSize();
    const CCoord w = std::max<CCoord>(64, c.getWidth()), h = 16;
    const CCoord cx = std::round((c.left + c.right) / 2), cy = std::round((c.top + c.bottom) / 2);
    CRect r(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2);
    CRect bounds;
    frame->getSize(bounds);
    r.offset(
        std::max<CCoord>(0, bounds.left - r.left) - std::max<CCoord>(0, r.right - bounds.right), 0);
    const std::string shown = shownValue(tag);
    valueEntry = new ValueEntry(
        r, shown.c_str(), [this, tag](const std::string& t) { return applyTypedValue(tag, t); },
        [this] { closeValueEntry(); });
    frame->addView(valueEntry);
    frame->setFocusView(valueEntry);
}

void ADEditor::closeValueEntry() {
    if (!valueEntry) return;
    ValueEntry* entry = valueEntry;
    valueEntry = nullptr;
    if (frame && frame->isChild(entry)) {
        if (frame->getFocusView() == entry) frame->setFocusView(nullptr);
        frame->removeView(entry);
    }
}

bool ADEditor::applyTypedValue(int tag, const std::string& text) {
    const Control* c = controlForTag(tag);
    CControl* control = controlFor(tag);
    double v = 0;
    if (!c || !control || !dravo::normalisedForText(dravo::paramAt(tag), text, v)) return false;
    control->beginEdit();
    control->setValue(c->inverted ? 1.f - (float)v : (float)v);
    control->valueChanged();
    control->endEdit();
    control->invalid();
    return true;
}

bool ADEditor::open(void* systemWindow) {
    if (frame) close();
    if (!systemWindow || !dravo) return false;
    AEffGUIEditor::open(systemWindow);

    CBitmap* background = new CBitmap(kBackgroundId);
    ERect* r = nullptr;
    getRect(&r);
    CRect size(r->left, r->top, r->left + background->getWidth(), r->top + background->getHeight());
    auto* f = new MyFrame(size, nullptr, this);
    f->setBackground(background);
    background->forget();
    // getRect answered the zoomed size already: the host is not asked again.
    f->setZoom(zoom);
    f->open(systemWindow);
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
    valueEntry = nullptr;
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
    if (control && control->getTag() == kZoomMenuTag) {
        const int32_t i = static_cast<COptionMenu*>(control)->getLastResult();
        if (i >= 0 && i < (int32_t)std::size(dravo::zoom::kSteps))
            setZoom(dravo::zoom::kSteps[i], true);
        else if (i == kZoomMenuDefault)
            setZoom(0, true);
        return;
    }
    if (control && control->getTag() == kControlMenuTag) {
        const int32_t i = static_cast<COptionMenu*>(control)->getLastResult();
        CControl* target = controlFor(menuTag);
        if (i == kControlMenuType) {
            openValueEntry(menuTag);
        } else if (i == kControlMenuDefault && target) {
            // The default a Control-click gives; buttons, which have none,
            // take their parameter's default.
            const Control* c = controlForTag(menuTag);
            const float def = c && c->defaultValue == kNoDefault
                                  ? dravo::info(dravo::paramAt(menuTag)).defaultValue
                                  : target->getDefaultValue();
            target->beginEdit();
            target->setValue(def);
            target->valueChanged();
            target->endEdit();
            target->invalid();
        }
        return;
    }
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
