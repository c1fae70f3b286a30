// Two-state switch drawn from a strip of two stacked images (off above, on
// below). A left click toggles it as one complete host gesture.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

class CVeyOnOffButton : public CControl {
  public:
    CVeyOnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* strip,
                    long style = 0);
    CVeyOnOffButton(const CVeyOnOffButton&) = default;
    ~CVeyOnOffButton() override;
    CLASS_METHODS(CVeyOnOffButton, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    virtual long getStyle() const { return style; }
    virtual void setStyle(long newStyle) { style = newStyle; }

  private:
    long style;
};

} // namespace dravo
