#include "gui/CFilmStripKnob.h"

#include "gui/KnobFrame.h"

#include <algorithm>

namespace dravo {

CFilmStripKnob::CFilmStripKnob(const CRect& size, CControlListener* listener, int32_t tag,
                               int32_t subPixmaps, CCoord /*imageWidth: the view's*/,
                               CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CAnimKnob(size, listener, tag, subPixmaps, heightOfOneImage, background, offset) {}

CFilmStripKnob::~CFilmStripKnob() = default;

void CFilmStripKnob::draw(CDrawContext* context) {
    const int32_t index = dravo::knob::frameFor(getValue(), subPixmaps);
    if (getDrawBackground())
        getDrawBackground()->draw(context, size, CPoint(0, index * heightOfOneImage));
    setDirty(false);
}

float CFilmStripKnob::rangeFor(const CButtonState& buttons) {
    fineMode = (buttons & kShift) != 0;
    return (float)(1000.0 * rangeScale * (fineMode ? shiftZoom : 1.0));
}

CMouseEventResult CFilmStripKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton) || !listener) return kMouseEventNotHandled;
    beginEdit();
    if (buttons & (kDoubleClick | kControl)) {
        float before = getValue();
        setValue(getDefaultValue());
        if (getValue() != before) listener->valueChanged(this);
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    startValue = getValue();
    savedButtons = buttons;
    dragRange = rangeFor(buttons);
    coef = (getMax() - getMin()) / dragRange;
    lastPoint = where;
    travel = 0.0;
    dragging = true;
    return onMouseMoved(where, buttons);
}

CMouseEventResult CFilmStripKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (dragging) {
        // Up (screen y falling) counts twice, right once.
        float step = (float)(2.0 * (lastPoint.y - where.y) + (where.x - lastPoint.x));
        travel += step;
        lastPoint = where;
        if (buttons != savedButtons) {
            // Rebase so that the value stays where it is at the switch.
            dragRange = rangeFor(buttons);
            float newCoef = (getMax() - getMin()) / dragRange;
            startValue += (float)((coef - newCoef) * travel);
            coef = newCoef;
            savedButtons = buttons;
        }
        float v = (float)(travel * coef + startValue);
        setValue(std::min(std::max(v, getMin()), getMax()));
    }
    if (getValue() != getOldValue()) {
        invalid();
        if (listener) listener->valueChanged(this);
    }
    return kMouseEventHandled;
}

CMouseEventResult CFilmStripKnob::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    fineMode = false;
    endEdit();
    return kMouseEventHandled;
}

bool CFilmStripKnob::onWheel(const CPoint& /*where*/, const float& distance,
                             const CButtonState& buttons) {
    float before = getValue();
    float v = before + distance * ((buttons & kShift) ? 0.001f : 0.01f);
    setValue(std::min(std::max(v, getMin()), getMax()));
    if (getValue() != before && listener) {
        invalid();
        beginEdit();
        listener->valueChanged(this);
        endEdit();
    }
    return true;
}

} // namespace dravo
