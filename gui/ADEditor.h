// The effect's editor object. It exists for the effect's whole life; its
// window, controls and preset bar come with the editor itself. Until then it
// answers the host with its fixed size and declines to open a window.
#pragma once

#include "vst/AEffEditor.h"

class ADEditor : public AEffEditor {
  public:
    static constexpr short kWidth = 940;
    static constexpr short kHeight = 248;

    explicit ADEditor(AudioEffect* effect) : AEffEditor(effect) {
        rect.top = 0;
        rect.left = 0;
        rect.bottom = kHeight;
        rect.right = kWidth;
    }

    bool getRect(ERect** r) override {
        *r = &rect;
        return true;
    }
    // Called by the effect on every parameter change, from any thread.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    // The effect's sample rate or latency may have changed.
    virtual void internalSampleRateChanged() {}
    virtual void resume() {}

  private:
    ERect rect;
};
