// The editor's knob: a film strip chosen by the value, operated by dragging
// (up counts twice as much as right), with a finer range under Shift that
// is switched without a jump, default on double-click or Control-click, and
// wheel steps of 0.01 (0.001 with Shift).
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

class CFilmStripKnob : public CAnimKnob {
  public:
    CFilmStripKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                   CCoord imageWidth, CCoord heightOfOneImage, CBitmap* background,
                   const CPoint& offset);
    ~CFilmStripKnob() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;

    void setShiftZoom(double zoom) { shiftZoom = zoom; }
    double getShiftZoom() const { return shiftZoom; }

    // Drag units for the whole range are 1000 x rangeScale.
    double rangeScale = 1.0;

  private:
    // Drag units for the whole range for the given buttons (Shift: fine).
    float rangeFor(const CButtonState& buttons);

    double shiftZoom = 5.0;
    float dragRange = 0.f;
    float coef = 0.f;
    float startValue = 0.f;
    CButtonState savedButtons;
    CPoint lastPoint;
    double travel = 0.0;
    bool dragging = false;
    bool fineMode = false;
};

} // namespace dravo
