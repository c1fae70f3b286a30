// Knobs: CKnob draws a handle over a background; CAnimKnob shows one image
// of a vertical film strip chosen by the value.
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CKnob : public CControl {
  public:
    enum DrawStyle {
        kLegacyHandleLineDrawing = 0,
        kHandleCircleDrawing = 1 << 0,
        kCoronaDrawing = 1 << 1,
        kCoronaFromCenter = 1 << 2,
        kCoronaInverted = 1 << 3,
        kCoronaLineDashDot = 1 << 4,
        kCoronaOutline = 1 << 5,
    };

    CKnob(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
          CBitmap* handle, const CPoint& offset = CPoint(0, 0),
          int32_t drawStyle = kLegacyHandleLineDrawing);
    CKnob(const CKnob&) = default;
    CLASS_METHODS(CKnob, CControl)

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;

    // Angles in radians, clockwise from the positive x axis (screen y down).
    virtual void setStartAngle(float val) { startAngle = val; }
    virtual float getStartAngle() const { return startAngle; }
    virtual void setRangeAngle(float val) { rangeAngle = val; }
    virtual float getRangeAngle() const { return rangeAngle; }
    virtual void valueToPoint(CPoint& point) const;
    virtual float valueFromPoint(CPoint& point) const;
    virtual CCoord getInsetValue() const { return inset; }
    virtual void setInsetValue(CCoord val) { inset = val; }
    virtual void setDrawStyle(int32_t style) { drawStyle = style; }
    int32_t getDrawStyle() const { return drawStyle; }
    virtual void setColorHandle(CColor color) { colorHandle = color; }
    CColor getColorHandle() const { return colorHandle; }
    virtual void setHandleBitmap(CBitmap* bitmap) { pHandle = bitmap; }
    CBitmap* getHandleBitmap() const { return pHandle; }
    virtual void setZoomFactor(float val) { zoomFactor = val; }
    virtual float getZoomFactor() const { return zoomFactor; }

  protected:
    void drawHandle(CDrawContext* context);

    CPoint offset;
    SharedPointer<CBitmap> pHandle;
    int32_t drawStyle;
    CColor colorHandle = kWhiteCColor;
    float startAngle;
    float rangeAngle;
    float zoomFactor = 1.5f;
    CCoord inset = 3;

  private:
    // Drag state.
    CPoint firstPoint;
    float entryValue = 0;
    float range = 0;
    float coef = 0;
    CButtonState oldButton;
    bool linearMode = false;
    float startValue = 0;
};

class CAnimKnob : public CKnob, public IMultiBitmapControl {
  public:
    // One image per view height; the count follows from the bitmap height.
    CAnimKnob(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
              const CPoint& offset = CPoint(0, 0));
    CAnimKnob(const CRect& size, IControlListener* listener, int32_t tag, int32_t subPixmaps,
              CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
    CAnimKnob(const CAnimKnob&) = default;
    CLASS_METHODS(CAnimKnob, CKnob)

    void draw(CDrawContext* context) override;
    void setInverseBitmap(bool val) { inverseBitmap = val; }
    bool getInverseBitmap() const { return inverseBitmap; }

  protected:
    bool inverseBitmap = false;
};

} // namespace VSTGUI
