// The VST 2.x editor binding: an AEffEditor whose window is a toolkit frame.
// The derived editor fills `rect`, creates the frame in open() and forgets it
// in close(); this class forwards idle, keys, wheel, knob mode and the edit
// gestures of the controls.
#pragma once

#include "../vstgui.h"
#include "vst/AEffEditor.h"

class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface {
  public:
    explicit AEffGUIEditor(void* pEffect);
    ~AEffGUIEditor() override;

    // The host's value of a parameter (any thread): the derived editor sets
    // the control's value; the redraw happens in the next idle.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    bool getRect(ERect** ppRect) override;
    bool open(void* ptr) override;
    // Polls the window's events and redraws what changed (the frame's idle).
    void idle() override;
    void draw(ERect* /*pRect*/) {}
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 val) override;
    int32_t getKnobMode() const override { return knobMode; }

    void doIdleStuff() override;
    // The frame's window is to get newSize (pixels): the host is asked to
    // resize (audioMasterSizeWindow) unless that is the size getRect already
    // answers. getRect answers the new size from here on; a host that
    // refuses keeps the old one, and so does the frame.
    bool beforeSizeChange(const VSTGUI::CRect& newSize, const VSTGUI::CRect& oldSize) override;
    // Begin/end of a user gesture on parameter index, passed to the host.
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;

    AudioEffect* getEffect() override { return effect; }
    int32_t getVstGuiVersion() const { return (4 << 16) + 3; }
    uint32_t getTicks() const;
    void wait(uint32_t ms);

  protected:
    ERect rect{};

  private:
    static int32_t knobMode;
    bool inIdleStuff = false;
};
