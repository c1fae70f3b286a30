// The effect's editor: a 940 x 248 window with one control per user
// parameter, the clip LED, two latency read-outs, the about hot spot and the
// preset bar. It exists for the effect's whole life; the window and its views
// exist only between open and close, and can be opened any number of times.
//
// Threads: open, close, idle and the control events run on the host's UI
// thread. setParameter, resume and internalSampleRateChanged may come from
// any thread: they only set control values and redraw flags; drawing happens
// in idle. close waits for such a caller that is already inside before it
// releases the views.
#pragma once

#include "gui/EditorLayout.h"
#include "presets/CPresetSystemEditor.h"

#include <atomic>
#include <string>

class CAbout;
class CLED;
class Dravo;

// The editor's frame: draws only inside the update rectangle and turns a
// redraw request for the whole frame into a full redraw at the next idle.
// The right button on a parameter control, the background or the logo opens
// the editor's menus; every other press goes to the views as before.
class MyFrame : public CFrame {
  public:
    MyFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void idle() override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
};

class ValueEntry;

class ADEditor : public CPresetSystemEditor {
  public:
    explicit ADEditor(Dravo* effect);
    ~ADEditor() override;

    bool open(void* systemWindow) override;
    void close() override;
    void idle() override;
    void valueChanged(CControl* control) override;

    // The effect's value of parameter index changed (any thread). Sets the
    // control without telling the listener, so nothing is sent back.
    void setParameter(VstInt32 index, float value) override;
    // The preferences folder and the manual of this plug-in.
    const char* preferencesIdentifier() override { return "com.veyaudioworks.dravo"; }
    ManualDocument manualDocument() override;

    // The effect's latency may have changed (any thread).
    virtual void resume();
    virtual void internalSampleRateChanged();

    // The window's size at the current zoom.
    bool getRect(ERect** ppRect) override;
    double getZoom() const { return zoom; }
    // Zooms the open window (the host is asked for the size); when chosen,
    // the zoom is kept in the preferences, and 0 forgets the choice
    // ("Default size"). False when the host refused.
    bool setZoom(double zoomFactor, bool chosen);
    // A right press at where (frame coordinates) on view (null: the
    // background): true when it opened a menu.
    bool onRightClick(CView* view, const CPoint& where);
    // Applies what the user typed for the parameter control of tag as one
    // gesture; false (and nothing changed) when the text fits no value.
    bool applyTypedValue(int tag, const std::string& text);

  private:
    using Control = dravo::layout::Control;

    // Use of the control references from any thread: true while the window
    // is open; close waits until every user has left.
    class ViewAccess {
      public:
        explicit ViewAccess(ADEditor& e);
        ~ViewAccess();
        explicit operator bool() const { return open; }

      private:
        ADEditor& editor;
        bool open;
    };

    CControl* controlFor(int tag) const;
    CControl* controlFor(dravo::Param p) const;
    void openZoomMenu(const CPoint& where);
    std::string shownValue(int tag) const;
    void openControlMenu(int tag, const CPoint& where);
    void openValueEntry(int tag);
    void closeValueEntry();
    void updateRect();
    CControl* addControl(const Control& c, CBitmap* bitmap);
    void refreshLatency();
    void clearReferences();

    Dravo* dravo;
    // One reference per row of the layout table, null while closed.
    CControl* controls[dravo::layout::kNumControls] = {};
    CLED* led = nullptr;
    CAbout* about = nullptr;
    CParamDisplay* latencyMs = nullptr;
    CParamDisplay* latencySamples = nullptr;
    CFrame* viewFrame = nullptr;

    double zoom = 0;  // 0 until first asked
    int menuTag = -1; // the control whose menu is open
    ValueEntry* valueEntry = nullptr;

    std::atomic<bool> viewsOpen{false};
    std::atomic<int> viewUsers{0};
};
