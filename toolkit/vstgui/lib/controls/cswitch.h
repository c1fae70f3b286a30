// Switches drawn from stacked images: CVerticalSwitch (one position per
// image, chosen by where the pointer is) and CRockerSwitch (three images,
// range -1..+1, springs back to the middle).
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CVerticalSwitch : public CControl, public IMultiBitmapControl {
  public:
    CVerticalSwitch(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
                    const CPoint& offset = CPoint(0, 0));
    CVerticalSwitch(const CRect& size, IControlListener* listener, int32_t tag, int32_t subPixmaps,
                    CCoord heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                    const CPoint& offset = CPoint(0, 0));
    CVerticalSwitch(const CVerticalSwitch&) = default;
    CLASS_METHODS(CVerticalSwitch, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;

  protected:
    CPoint offset;
    int32_t iMaxPositions;
    double coef = 0;
};

class CRockerSwitch : public CControl, public IMultiBitmapControl {
  public:
    CRockerSwitch(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0), const int32_t style = kHorizontal);
    CRockerSwitch(const CRect& size, IControlListener* listener, int32_t tag,
                  CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                  const int32_t style = kHorizontal);
    CRockerSwitch(const CRockerSwitch&) = default;
    CLASS_METHODS(CRockerSwitch, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    // Returns to the middle 200 ms after a wheel step.
    void onIdle() override;
    int32_t getStyle() const { return style; }
    void setStyle(int32_t s) { style = s; }

  protected:
    CPoint offset;
    int32_t style;

  private:
    float entryValue = 0;
    uint32_t wheelReleaseTime = 0;
    bool wheelPending = false;
};

} // namespace VSTGUI
