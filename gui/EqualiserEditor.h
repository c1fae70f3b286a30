// The equaliser's editor: a 940 x 248 window (zoomed 100..200 %) with one
// control per user parameter, the clip LED, two latency read-outs, the about
// hot spot, the preset bar and the CURVE switch, which grows the window by
// the curve panel (940 x 448 in all; the choice is kept in the preferences).
// It knows no plug-in format: it reaches the plug-in only through an
// EditController, and each format embeds it in its host's window and drives
// its idle.
//
// Threads: every call runs on the host's UI thread. What the plug-in learns
// on other threads reaches the editor in idle (EditController::deliverChanges).
// The editor object may outlive any number of open/close cycles of its window;
// the clip LED's held state lives in it, so a reopened window shows it.
#pragma once

#include <memory>
#include <string>

#include "gui/CurvePanel.h"
#include "gui/EditorLayout.h"
#include "model/EditController.h"
#include "presets/PresetBar.h"

namespace dravo {

class CAbout;
class CLED;
class OutputSpectrum;
class ValueEntry;

class EqualiserEditor : public VSTGUIEditorInterface,
                        public CControlListener,
                        private EditListener,
                        private CurvePanel::Owner {
  public:
    explicit EqualiserEditor(EditController& controller);
    ~EqualiserEditor() override;
    EqualiserEditor(const EqualiserEditor&) = delete;
    EqualiserEditor& operator=(const EqualiserEditor&) = delete;

    // Opens the window as a child of parentWindow (an X11 window id); false
    // when it could not be opened.
    bool open(void* parentWindow);
    void close();
    bool isOpen() const { return frame != nullptr; }
    // The host's idle: takes the plug-in's changes, collects dialog answers,
    // handles the window's events and redraws what changed.
    void idle();

    // The window's size in pixels at the current zoom (before the first
    // open: at the zoom the window will open with).
    int width();
    int height();
    double getZoom() const { return zoom; }
    // Zooms the window (the host is asked for the size through the
    // controller); when chosen, the zoom is kept in the preferences, and 0
    // forgets the choice ("Default size"). False when the host refused.
    bool setZoom(double zoomFactor, bool chosen);

    // A right press at where (frame coordinates) on view (null: the
    // background): true when it opened a menu.
    bool onRightClick(CView* view, const CPoint& where);
    // Applies what the user typed for the parameter control of tag as one
    // gesture; false (and nothing changed) when the text fits no value.
    bool applyTypedValue(int tag, const std::string& text);
    // Keys and wheel turns of hosts that deliver them to the editor.
    bool onKeyDown(CKeyCode& key);
    bool onKeyUp(CKeyCode& key);
    bool onWheel(float distance);

    // Opens or closes the curve panel (the host is asked for the new window
    // size); false when the host refused, and nothing changed. The choice is
    // kept in the preferences.
    bool setPanelOpen(bool open);
    bool panelOpen() const { return panelShown; }
    // The curve panel while the window is open and the panel shown, or null.
    CurvePanel* curvePanel() const { return curve; }

    PresetBar& presetBar() { return bar; }
    // The control of a parameter or control tag, null while closed.
    CControl* controlFor(int tag) const;

    // CControlListener and the toolkit's editor interface.
    void valueChanged(CControl* control) override;
    void beginEdit(int32_t tag) override;
    void endEdit(int32_t tag) override;
    bool beforeSizeChange(const CRect& newSize, const CRect& oldSize) override;
    int32_t getKnobMode() const override { return knobMode; }
    // The knob mode a host asks for (VST 2.x hosts may); linear when the
    // window opens.
    void setKnobMode(int32_t mode) { knobMode = mode; }

  private:
    using Control = dravo::layout::Control;

    // EditListener: the plug-in's changes, on the UI thread.
    void parameterChanged(Param p, float value) override;
    void bankChanged() override;
    void metersChanged() override;

    // CurvePanel::Owner: the panel's handles edit parameters as controls do.
    void curveBeginEdit(Param p) override;
    void curvePerformEdit(Param p, float value) override;
    void curveEndEdit(Param p) override;
    void curveSectionPicked(EqSection s) override;
    void curveAnalyserSwitched(bool on) override;

    void openZoomMenu(const CPoint& where);
    std::string shownValue(int tag) const;
    void openControlMenu(int tag, const CPoint& where);
    void openValueEntry(int tag);
    void closeValueEntry();
    // Sets a parameter control as one user gesture.
    void editControl(CControl* control, float value);
    CControl* addControl(const Control& c, CBitmap* bitmap);
    void refreshLatency();
    void updateClipLed();
    void clearReferences();
    int logicalHeight() const;
    void readPanelChoice();
    void showPanel();
    // Starts or stops the plug-in's keeping of output samples: on only while
    // the window is open, the panel shown and its analyser switched on.
    void updateAnalyser();
    void idlePanel();

    EditController& controller;
    PresetBar bar;
    // One reference per row of the layout table, null while closed.
    CControl* controls[layout::kNumControls] = {};
    CLED* led = nullptr;
    CAbout* about = nullptr;
    CParamDisplay* latencyMs = nullptr;
    CParamDisplay* latencySamples = nullptr;
    CurvePanel* curve = nullptr;
    CView* flash = nullptr; // the highlight over a picked section's controls

    bool panelShown = false;      // the curve panel's choice (also while closed)
    bool analyserWanted = false;  // the panel's ANALYSER toggle
    bool analyserRunning = false; // what the plug-in was last told
    bool curveDirty = true;
    std::unique_ptr<OutputSpectrum> spectrum;
    uint32_t lastSpectrumTick = 0;
    uint32_t flashStart = 0;
    int flashSection = -1; // the section whose controls flash, -1 none

    double zoom = 0;    // 0 until first asked
    int knownWidth = 0; // the size the host was told or asked
    int knownHeight = 0;
    int menuTag = -1; // the control whose menu is open
    ValueEntry* valueEntry = nullptr;
    // The clip LED's level: 1 a block clipped since the last idle, 0.5 one
    // clipped earlier (held until clicked), 0 none.
    float heldClip = 0.0f;
    int32_t knobMode = kLinearMode;
};

} // namespace dravo
