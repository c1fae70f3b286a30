// The preset bar's buttons. Each draws one picture of a bitmap of pictures
// stacked vertically, shows a hover picture while the mouse is over it, and
// reports to its listener, which reads the value to tell what happened.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

// Push button, 3 pictures (normal, hover, pressed). A left press reports
// 1.0; the double-click kind needs a double click and reports 0.5 when
// Control is held. The release is not reported; the value returns to 0.
class CPresetKickButton : public CKickButton {
  public:
    CPresetKickButton(const CRect& size, CControlListener* listener, int32_t tag,
                      CCoord heightOfOneImage, CBitmap* background, const CPoint& offset,
                      bool needsDoubleClick);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;

    bool getIsPressed() const { return isPressed; }
    // Ends a press whose release the button will not see (the listener ran
    // a modal command meanwhile): back to value 0 and the unpressed picture.
    void setIsPressed(bool state) {
        isPressed = state;
        if (!state) setValue(0.f);
        setDirty();
    }
    bool getIsHovered() const { return isHovered; }

  private:
    bool isHovered = false;
    bool needsDoubleClick;
    bool isPressed = false;
};

// Load/save button, 3 pictures (normal, hover, pressed). A plain right click
// reports 0.5, any other left or right click 1.0; the value is back at 0 when
// the listener returns.
class CSaveLoadButton : public CKickButton {
  public:
    CSaveLoadButton(const CRect& size, CControlListener* listener, int32_t tag,
                    CCoord heightOfOneImage, CBitmap* background, const CPoint& offset);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;
    int32_t onKeyUp(CKeyCode& keyCode) override;

    bool getIsHovered() const { return isHovered; }

  private:
    bool isHovered = false;
};

// Previous/next switch, 5 pictures (plain, hover left, hover right, pressed
// left, pressed right). A left press reports -1 on the left half and +1 on
// the right half; the release returns it to 0 unreported.
class CPresetRockerSwitch : public CRockerSwitch {
  public:
    CPresetRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                        CCoord heightOfOneImage, CBitmap* background, const CPoint& offset,
                        const int32_t style);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;

    int32_t getHoverSide() const { return hoverSide; }

  private:
    // -1 over the left half, +1 over the right half, 0 elsewhere.
    int32_t hoverSide = 0;
};

} // namespace dravo
