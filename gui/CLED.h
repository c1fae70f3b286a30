// Three-state indicator drawn from a strip of three stacked images: below 0.5
// the first (dark), exactly 0.5 the second (held), above 0.5 the third
// (clipping now). A left click resets it and tells the listener.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

class CLED : public CControl {
  public:
    CLED(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* strip);
    CLED(const CLED& other);
    ~CLED() override;
    CLASS_METHODS(CLED, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    bool getHold() const { return getValue() == 0.5f; }
    // The previous value becomes the current one, the current one the
    // argument; the frame's idle redraws the LED while they differ.
    void setValue(float value) override;
    void resetHold() { setValue(0.f); }

  private:
    CBitmap* strip;
    CPoint offsets[3];
};

} // namespace dravo
