#include "gui/EqualiserEditor.h"

#include "gui/CAbout.h"
#include "gui/CFilmStripKnob.h"
#include "gui/CLED.h"
#include "gui/CVeyOnOffButton.h"
#include "gui/Colours.h"
#include "gui/EditorZoom.h"
#include "gui/OutputSpectrum.h"
#include "gui/ValueEntry.h"
#include "model/Identity.h"
#include "model/ValueParse.h"
#include "model/ValueText.h"
#include "platform/Desktop.h"
#include "resources/Manual.h"

#include <cairo.h>
#include <cmath>
#include <vector>

namespace dravo {

using namespace layout;

namespace {
constexpr float kKnobRangeScale = 0.5f; // 500 drag units span a knob's range
constexpr float kLatencyMax = 10000.f;
// The editor's menus answer through valueChanged with these tags.
constexpr int kZoomMenuTag = -100;
constexpr int kControlMenuTag = -101;
constexpr int kZoomMenuDefault = 6; // "Default size", after the steps and a separator
constexpr int kControlMenuType = 1, kControlMenuDefault = 2;

// The editor's frame: draws only inside the update rectangle, turns a redraw
// request for the whole frame into a full redraw at the next idle, and opens
// the editor's menus on a right press on a parameter control, the background
// or the logo; every other press goes to the views as before.
class EditorFrame : public CFrame {
  public:
    EditorFrame(const CRect& size, EqualiserEditor* editor) : CFrame(size, editor), owner(editor) {}
    void drawRect(CDrawContext* context, const CRect& updateRect) override {
        if (updateRect.isEmpty()) return;
        CFrame::drawRect(context, updateRect);
    }
    void idle() override {
        if (isDirty()) invalid();
        CFrame::idle();
    }
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
        if (buttons.isRightButton() && !getModalView() && !getFocusView()) {
            mouseLocation = where;
            mouseButtons = buttons;
            if (owner->onRightClick(getViewAt(where), where)) return kMouseEventHandled;
        }
        return CFrame::onMouseDown(where, buttons);
    }

  private:
    EqualiserEditor* owner;
};

ManualDocument manualDocument() {
    return {kManualPdf, (size_t)kManualPdfSize, kManualVendorFolder, kManualFileName};
}

// The curve panel's choices in the product's preferences: "1" or "0".
constexpr const char* kPanelKey = "curve_panel";
constexpr const char* kAnalyserKey = "curve_analyser";

void readFlag(const char* key, bool& value) {
    platform::Preferences prefs(kPreferencesIdentifier);
    std::vector<char> text;
    if (prefs.copy(key, text) && text.size() == 1 && (text[0] == '0' || text[0] == '1'))
        value = text[0] == '1';
}

void writeFlag(const char* key, bool value) {
    platform::Preferences prefs(kPreferencesIdentifier);
    prefs.set(key, value ? "1" : "0", 1);
    prefs.synchronize();
}

// The analyser's frames: about 30 a second.
constexpr uint32_t kSpectrumFrameMs = 33;
// A picked section's controls blink three times: on and off every 100 ms.
constexpr uint32_t kFlashPhaseMs = 100;
constexpr uint32_t kFlashPhases = 6;

// The highlight over a section's controls when its handle is picked: a frame
// and a faint wash in the section's colour. It takes no pointer input.
class SectionFlash : public CView {
  public:
    explicit SectionFlash(const CRect& size) : CView(size) { setMouseEnabled(false); }
    void setColour(const CColor& c) { colour = c; }
    void draw(CDrawContext* context) override {
        cairo_t* cr = context->getCairo();
        cairo_save(cr);
        cairo_rectangle(cr, size.left + 1, size.top + 1, size.getWidth() - 2, size.getHeight() - 2);
        cairo_set_source_rgba(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                              0.18);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                              0.9);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_restore(cr);
        setDirty(false);
    }

  private:
    CColor colour;
};

// The rectangle around a section's controls, a little larger.
CRect sectionControlsRect(EqSection s) {
    CRect r;
    bool any = false;
    for (const Control& c : kControls) {
        if (!isParameterControl(c)) continue;
        const ParamInfo& i = info(paramOf(c));
        if (i.target != Target::Section || i.section != s) continue;
        const CRect cr(c.left, c.top, c.left + c.width, c.top + c.height);
        if (any)
            r.unite(cr);
        else
            r = cr;
        any = true;
    }
    r.inset(-4, -4);
    return r;
}

} // namespace

EqualiserEditor::EqualiserEditor(EditController& controller)
    : controller(controller), bar(controller, kPreferencesIdentifier, manualDocument()),
      spectrum(std::make_unique<OutputSpectrum>()) {}

EqualiserEditor::~EqualiserEditor() {
    close();
}

CControl* EqualiserEditor::controlFor(int tag) const {
    for (int i = 0; i < kNumControls; ++i)
        if (kControls[i].tag == tag) return controls[i];
    return nullptr;
}

// ---- Size and zoom --------------------------------------------------------

int EqualiserEditor::width() {
    if (frame) return (int)frame->getPixelSize().getWidth();
    if (zoom == 0) zoom = zoom::preferred(kPreferencesIdentifier);
    return knownWidth = (int)std::lround(kEditorWidth * zoom);
}

int EqualiserEditor::height() {
    if (frame) return (int)frame->getPixelSize().getHeight();
    if (zoom == 0) zoom = zoom::preferred(kPreferencesIdentifier);
    readPanelChoice();
    return knownHeight = (int)std::lround(logicalHeight() * zoom);
}

int EqualiserEditor::logicalHeight() const {
    return kEditorHeight + (panelShown ? kPanelHeight : 0);
}

void EqualiserEditor::readPanelChoice() {
    readFlag(kPanelKey, panelShown);
    readFlag(kAnalyserKey, analyserWanted);
}

bool EqualiserEditor::beforeSizeChange(const CRect& newSize, const CRect& /*oldSize*/) {
    const int w = (int)newSize.getWidth(), h = (int)newSize.getHeight();
    // The size the host already knows needs no asking.
    if (w == knownWidth && h == knownHeight) return true;
    if (!controller.requestSize(w, h)) return false;
    knownWidth = w;
    knownHeight = h;
    return true;
}

bool EqualiserEditor::setZoom(double zoomFactor, bool chosen) {
    const bool byDesktop = !(zoomFactor > 0);
    if (byDesktop) zoomFactor = zoom::desktop();
    // A host that refuses the size keeps the window, its zoom and the choice.
    if (frame && !frame->setZoom(zoomFactor)) return false;
    zoom = zoomFactor;
    if (chosen) zoom::remember(kPreferencesIdentifier, byDesktop ? 0 : zoomFactor);
    return true;
}

// ---- Menus and typed values -----------------------------------------------

bool EqualiserEditor::onRightClick(CView* view, const CPoint& where) {
    if (!view || view == about || view == curve) {
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

void EqualiserEditor::openZoomMenu(const CPoint& where) {
    auto* menu = new COptionMenu(CRect(0, 0, 0, 0), this, kZoomMenuTag);
    menu->setFont(kNormalFontSmall);
    for (double step : zoom::kSteps) {
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
std::string EqualiserEditor::shownValue(int tag) const {
    char text[16] = {};
    const Param p = paramAt(tag);
    valueText(p, controller.parameter(p), text);
    std::string shown = text;
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

void EqualiserEditor::openControlMenu(int tag, const CPoint& where) {
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

void EqualiserEditor::openValueEntry(int tag) {
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

void EqualiserEditor::closeValueEntry() {
    if (!valueEntry) return;
    ValueEntry* entry = valueEntry;
    valueEntry = nullptr;
    if (frame && frame->isChild(entry)) {
        if (frame->getFocusView() == entry) frame->setFocusView(nullptr);
        frame->removeView(entry);
    }
}

void EqualiserEditor::editControl(CControl* control, float value) {
    control->beginEdit();
    control->setValue(value);
    control->valueChanged();
    control->endEdit();
    control->invalid();
}

bool EqualiserEditor::applyTypedValue(int tag, const std::string& text) {
    const Control* c = controlForTag(tag);
    CControl* control = controlFor(tag);
    double v = 0;
    if (!c || !control || !normalisedForText(paramAt(tag), text, v)) return false;
    editControl(control, c->inverted ? 1.f - (float)v : (float)v);
    return true;
}

// ---- The window -----------------------------------------------------------

bool EqualiserEditor::open(void* parentWindow) {
    if (frame) close();
    if (!parentWindow) return false;
    CBitmap* background = new CBitmap(kBackgroundId);
    // The host was told this size: opening at it asks nothing.
    width();
    height();
    auto* f = new EditorFrame(CRect(0, 0, background->getWidth(), logicalHeight()), this);
    f->setBackground(background);
    background->forget();
    f->setZoom(zoom);
    f->open(parentWindow);
    if (!f->isOpen()) {
        f->close();
        return false;
    }
    frame = f;
    knobMode = kLinearMode;
    for (int i = 0; i < kNumControls; ++i) {
        CBitmap* bitmap = new CBitmap(kControls[i].bitmapId);
        controls[i] = addControl(kControls[i], bitmap);
        bitmap->forget();
    }
    bar.open(frame);
    if (panelShown) showPanel();
    updateAnalyser();
    // What changed while the window was closed is shown from the controller
    // already; what is parked is old news.
    struct Discard final : EditListener {
        void parameterChanged(Param, float) override {}
        void bankChanged() override {}
        void metersChanged() override {}
    } discard;
    controller.deliverChanges(discard);
    return true;
}

// Creates the control of one table row with its value from the controller and
// adds it to the frame. Sizes come from the bitmap: its width, and its height
// divided by the number of images.
CControl* EqualiserEditor::addControl(const Control& c, CBitmap* bitmap) {
    const CCoord w = bitmap->getWidth();
    const CCoord h = c.images > 0 ? (CCoord)((int)bitmap->getHeight() / c.images) : 0;
    const CRect stripRect(c.left, c.top, c.left + w, c.top + h);
    const CRect tableRect(c.left, c.top, c.left + c.width, c.top + c.height);
    const float p = isParameterControl(c) ? controller.parameter(paramOf(c)) : 0.f;
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
        display->setMin(-1.f);
        display->setMax(kLatencyMax);
        const bool ms = c.kind == Kind::LatencyMs;
        // A value below 0: not known yet, nothing shown.
        display->setValueToStringFunction([ms](float v, char text[256], CParamDisplay*) {
            if (v < 0)
                text[0] = 0;
            else if (ms)
                formatMilliseconds(v, text);
            else
                formatSamples(v, text);
            return true;
        });
        (ms ? latencyMs : latencySamples) = display;
        control = display;
        break;
    }
    case Kind::Knob: {
        auto* knob =
            new CFilmStripKnob(stripRect, this, c.tag, c.images, w, h, bitmap, CPoint(0, 0));
        knob->rangeScale = kKnobRangeScale;
        knob->setShiftZoom(c.shiftZoom);
        control = knob;
        break;
    }
    case Kind::OnOff:
        control = new CVeyOnOffButton(stripRect, this, c.tag, bitmap, 0);
        break;
    case Kind::PanelSwitch:
        control = new CVeyOnOffButton(stripRect, this, c.tag, bitmap, 0);
        control->setValue(panelShown ? 1.f : 0.f);
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
        // One channel has no left or right to choose: the switch is greyed
        // out and takes no input.
        if (paramOf(c) == Param::Channel && !controller.isStereo()) {
            control->setMouseEnabled(false);
            control->setAlphaValue(0.35f);
        }
    }
    frame->addView(control);
    if (c.kind == Kind::LatencySamples) refreshLatency();
    return control;
}

void EqualiserEditor::clearReferences() {
    valueEntry = nullptr;
    for (CControl*& c : controls)
        c = nullptr;
    led = nullptr;
    about = nullptr;
    latencyMs = nullptr;
    latencySamples = nullptr;
    curve = nullptr;
    flash = nullptr;
    flashSection = -1;
}

void EqualiserEditor::close() {
    if (!frame) return;
    bar.close();
    clearReferences();
    CFrame* old = frame;
    frame = nullptr;
    updateAnalyser();
    old->close();
}

void EqualiserEditor::idle() {
    if (!frame) return;
    controller.deliverChanges(*this);
    idlePanel();
    updateClipLed();
    bar.idle();
    if (frame) frame->idle();
}

void EqualiserEditor::updateClipLed() {
    // Only a clip since the last idle lights the LED; an earlier one is held.
    if (controller.takePeak() >= 1.0f)
        heldClip = 1.0f;
    else
        heldClip = heldClip >= 0.5f ? 0.5f : 0.f;
    // The LED stays as it is while the about box shows.
    if (about && about->getValue() == 0.f && led) led->setValue(heldClip);
}

bool EqualiserEditor::onKeyDown(CKeyCode& key) {
    return frame && frame->onKeyDown(key) > 0;
}

bool EqualiserEditor::onKeyUp(CKeyCode& key) {
    return frame && frame->onKeyUp(key) > 0;
}

bool EqualiserEditor::onWheel(float distance) {
    if (!frame) return false;
    CPoint where;
    frame->getCurrentMouseLocation(where);
    return frame->onWheel(where, distance, frame->getCurrentMouseButtons());
}

// ---- Edits ----------------------------------------------------------------

// Only parameter controls reach the plug-in: the LED, the about box and the
// preset bar's controls have tags of their own.
void EqualiserEditor::beginEdit(int32_t tag) {
    const Control* c = controlForTag(tag);
    if (c && isParameterControl(*c)) controller.beginEdit(paramOf(*c));
}

void EqualiserEditor::endEdit(int32_t tag) {
    const Control* c = controlForTag(tag);
    if (c && isParameterControl(*c)) controller.endEdit(paramOf(*c));
}

void EqualiserEditor::valueChanged(CControl* control) {
    if (!control) return;
    const int tag = (int)control->getTag();
    if (tag == kZoomMenuTag) {
        const int32_t i = static_cast<COptionMenu*>(control)->getLastResult();
        if (i >= 0 && i < (int32_t)std::size(zoom::kSteps))
            setZoom(zoom::kSteps[i], true);
        else if (i == kZoomMenuDefault)
            setZoom(0, true);
        return;
    }
    if (tag == kControlMenuTag) {
        const int32_t i = static_cast<COptionMenu*>(control)->getLastResult();
        CControl* target = controlFor(menuTag);
        if (i == kControlMenuType) {
            openValueEntry(menuTag);
        } else if (i == kControlMenuDefault && target) {
            // The default a Control-click gives; buttons, which have none,
            // take their parameter's default.
            const Control* c = controlForTag(menuTag);
            editControl(target, c && c->defaultValue == kNoDefault
                                    ? info(paramAt(menuTag)).defaultValue
                                    : target->getDefaultValue());
        }
        return;
    }
    if (tag == kCurveTag) {
        if (!setPanelOpen(control->getValue() >= 0.5f)) {
            // Refused by the host: the switch shows the panel as it is.
            control->setValue(panelShown ? 1.f : 0.f);
            control->invalid();
        }
        return;
    }
    const Control* c = controlForTag(tag);
    if (!c) return;
    if (isParameterControl(*c)) {
        const float v = control->getValue();
        controller.performEdit(paramOf(*c), c->inverted ? 1.f - v : v);
        curveDirty = true; // whether or not the plug-in echoes the edit
    } else if (c->kind == Kind::Led && frame && (frame->getCurrentMouseButtons() & kLButton)) {
        if (led) {
            led->resetHold();
            led->invalid();
        }
        if (CControl* output = controlFor(index(Param::Output))) output->invalid();
        controller.takePeak();
        heldClip = 0.0f;
    }
}

// ---- The plug-in's changes ------------------------------------------------

void EqualiserEditor::parameterChanged(Param p, float value) {
    const Control* c = layout::controlFor(p);
    CControl* control = controlFor(index(p));
    if (c && control) {
        control->setValue(c->inverted ? 1.f - value : value);
        // Kept as the editor has always had it: these two are also marked
        // themselves, though the whole frame is marked below.
        if (p == Param::Output || p == Param::LowCutOn) control->setDirty(true);
    }
    if (p == Param::Master) refreshLatency();
    curveDirty = true;
    if (frame) frame->setDirty(true);
}

void EqualiserEditor::bankChanged() {
    bar.showBank();
    curveDirty = true;
    if (frame) frame->setDirty(true);
}

void EqualiserEditor::metersChanged() {
    refreshLatency();
    // The curve depends on the rate; the analyser starts afresh at a new one.
    curveDirty = true;
    if (analyserRunning)
        spectrum->setSampleRate(controller.sampleRate() > 0 ? controller.sampleRate() : 44100.0);
    // A new rate starts the LED dark: the next idle shows what clips then.
    heldClip = 0.0f;
    if (led) {
        led->setValue(0.f);
        led->setDirty(true);
    }
}

void EqualiserEditor::refreshLatency() {
    const double samples = controller.latencySamples();
    const double rate = controller.sampleRate();
    // Milliseconds only from the rate the plug-in runs at, never a guess.
    if (latencyMs)
        latencyMs->setValue(samples >= 0 && rate > 0 ? (float)samples * 1000.0f / (float)rate
                                                     : -1.f);
    if (latencySamples) latencySamples->setValue(samples >= 0 ? (float)samples : -1.f);
}

// ---- The curve panel ------------------------------------------------------

bool EqualiserEditor::setPanelOpen(bool open) {
    if (frame && open != panelShown) {
        panelShown = open;
        if (!frame->setSize(kEditorWidth, logicalHeight())) {
            panelShown = !open;
            return false;
        }
    }
    panelShown = open;
    if (frame) {
        if (open && !curve) {
            showPanel();
        } else if (!open && curve) {
            CurvePanel* old = curve;
            curve = nullptr;
            frame->removeView(old);
        }
        if (CControl* button = controlFor(kCurveTag)) {
            button->setValue(open ? 1.f : 0.f);
            button->invalid();
        }
    }
    writeFlag(kPanelKey, open);
    updateAnalyser();
    return true;
}

void EqualiserEditor::showPanel() {
    curve =
        new CurvePanel(CRect(0, kEditorHeight, kEditorWidth, kEditorHeight + kPanelHeight), *this);
    curve->setSpectrum(spectrum.get());
    curve->setAnalyserOn(analyserWanted);
    frame->addView(curve);
    curveDirty = true;
}

void EqualiserEditor::updateAnalyser() {
    const bool want = frame && curve && analyserWanted;
    if (want == analyserRunning) return;
    analyserRunning = want;
    controller.setAnalyserOn(want);
    if (want) {
        spectrum->setSampleRate(controller.sampleRate() > 0 ? controller.sampleRate() : 44100.0);
        lastSpectrumTick = frame->getTicks();
    } else {
        spectrum->clear();
    }
}

void EqualiserEditor::idlePanel() {
    if (curve && curveDirty) {
        float values[kNumParams];
        for (int i = 0; i < kNumParams; ++i)
            values[i] = controller.parameter(paramAt(i));
        curve->setValues(values, controller.sampleRate());
        curveDirty = false;
    }
    const uint32_t now = frame->getTicks();
    if (analyserRunning) {
        float samples[2048];
        // Bounded: a ring that fills as fast as it is read ends at the next idle.
        for (int i = 0; i < 16; ++i) {
            const int n = controller.takeOutputSamples(samples, (int)std::size(samples));
            if (n <= 0) break;
            spectrum->feed(samples, n);
        }
        if (now - lastSpectrumTick >= kSpectrumFrameMs) {
            if (spectrum->update((now - lastSpectrumTick) / 1000.0) && curve) curve->invalid();
            lastSpectrumTick = now;
        }
    }
    if (flash && flashSection >= 0) {
        const uint32_t phase = (now - flashStart) / kFlashPhaseMs;
        if (phase >= kFlashPhases) flashSection = -1;
        flash->setVisible(flashSection >= 0 && phase % 2 == 0);
    }
}

void EqualiserEditor::curveBeginEdit(Param p) {
    controller.beginEdit(p);
}

void EqualiserEditor::curvePerformEdit(Param p, float value) {
    controller.performEdit(p, value);
    curveDirty = true;
    const Control* c = layout::controlFor(p);
    if (CControl* control = controlFor(index(p))) {
        control->setValue(c && c->inverted ? 1.f - value : value);
        control->invalid();
    }
}

void EqualiserEditor::curveEndEdit(Param p) {
    controller.endEdit(p);
}

void EqualiserEditor::curveSectionPicked(EqSection s) {
    if (!frame) return;
    const CRect r = sectionControlsRect(s);
    if (!flash) {
        flash = new SectionFlash(r);
        frame->addView(flash);
    } else {
        flash->setVisible(false);
        flash->setViewSize(r);
    }
    static_cast<SectionFlash*>(flash)->setColour(kSectionCColors[(int)s]);
    flashSection = (int)s;
    flashStart = frame->getTicks();
    flash->setVisible(true);
    flash->invalid();
}

void EqualiserEditor::curveAnalyserSwitched(bool on) {
    analyserWanted = on;
    writeFlag(kAnalyserKey, on);
    updateAnalyser();
}

} // namespace dravo
