// The kick button: shows its second image while pressed and reports max on
// the press-release and min after it.
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CKickButton : public CControl, public IMultiBitmapControl {
  public:
    CKickButton(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
                const CPoint& offset = CPoint(0, 0));
    CKickButton(const CRect& size, IControlListener* listener, int32_t tag, CCoord heightOfOneImage,
                CBitmap* background, const CPoint& offset = CPoint(0, 0));
    CKickButton(const CKickButton&) = default;
    CLASS_METHODS(CKickButton, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseCancel() override;
    int32_t onKeyDown(CKeyCode& keyCode) override;
    int32_t onKeyUp(CKeyCode& keyCode) override;
    bool sizeToFit() override;

  protected:
    CPoint offset;

  private:
    float fEntryState = 0;
};

} // namespace VSTGUI
