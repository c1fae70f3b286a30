#include "vstgui/lib/controls/cknob.h"
#include "vstgui/lib/cframe.h"

#include <cmath>

namespace VSTGUI {

static constexpr float kPi = 3.14159265358979323846f;

CKnob::CKnob(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
             CBitmap* handle, const CPoint& offset, int32_t drawStyle)
    : CControl(size, listener, tag, background), offset(offset), pHandle(handle),
      drawStyle(drawStyle), startAngle(3.f * kPi / 4.f), rangeAngle(3.f * kPi / 2.f) {
    inset = handle ? handle->getWidth() / 2 + 2.5 : 3;
    setWantsFocus(true);
}

void CKnob::draw(CDrawContext* context) {
    if (getDrawBackground()) getDrawBackground()->draw(context, size, offset);
    drawHandle(context);
    setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context) {
    CPoint where;
    valueToPoint(where);
    if (pHandle) {
        CCoord w = pHandle->getWidth(), h = pHandle->getHeight();
        CRect r(where.x - w / 2, where.y - h / 2, where.x + w / 2, where.y + h / 2);
        pHandle->draw(context, r);
        return;
    }
    CPoint centre = size.getCenter();
    context->setDrawMode(kAntiAliasing);
    context->setFrameColor(colorHandle);
    context->setLineWidth(drawStyle & kHandleCircleDrawing ? 1 : 2);
    if (drawStyle & kHandleCircleDrawing) {
        CRect r(where.x - 3, where.y - 3, where.x + 3, where.y + 3);
        context->setFillColor(colorHandle);
        context->drawEllipse(r, kDrawFilled);
    } else {
        context->drawLine(centre, where);
    }
}

void CKnob::valueToPoint(CPoint& point) const {
    float alpha = getValueNormalized() * rangeAngle + startAngle;
    CPoint c = size.getCenter();
    CCoord radius = size.getWidth() / 2 - inset;
    point.x = c.x + std::cos(alpha) * radius;
    point.y = c.y + std::sin(alpha) * radius;
}

float CKnob::valueFromPoint(CPoint& point) const {
    CPoint c = size.getCenter();
    float alpha = std::atan2((float)(point.y - c.y), (float)(point.x - c.x));
    // Angle past the start, in [0, 2 pi).
    float a = std::fmod(alpha - startAngle + 4.f * kPi, 2.f * kPi);
    float v;
    if (a <= rangeAngle)
        v = a / rangeAngle;
    else // in the gap: the nearer end
        v = (a - rangeAngle < (2.f * kPi - rangeAngle) / 2.f) ? 1.f : 0.f;
    return getMin() + v * getRange();
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    firstPoint = where;
    entryValue = getValue();
    startValue = getValue();
    oldButton = buttons;
    int32_t mode = getFrame() ? getFrame()->getKnobMode() : kCircularMode;
    linearMode = (mode == kLinearMode);
    if (buttons & kAlt) linearMode = !linearMode;
    // Linear: 200 pixels span the range, zoomFactor times more with the zoom modifier.
    range = 200.f;
    if (buttons & kZoomModifier) range *= zoomFactor;
    coef = getRange() / range;
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    if (!isEditing()) return kMouseEventNotHandled;
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!isEditing() || !(buttons & kLButton)) return kMouseEventNotHandled;
    float before = getValue();
    if (linearMode) {
        if ((buttons & kZoomModifier) != (oldButton & kZoomModifier)) {
            // Rebase at the current value so that the change of speed does not jump.
            firstPoint = where;
            entryValue = before;
            range = 200.f;
            if (buttons & kZoomModifier) range *= zoomFactor;
            coef = getRange() / range;
            oldButton = buttons;
        }
        CCoord diff = (firstPoint.y - where.y) + (where.x - firstPoint.x);
        setValue(entryValue + (float)diff * coef);
    } else {
        float v = valueFromPoint(where);
        // A jump across the gap at the bottom is refused: stay at the near end.
        if (std::fabs(v - before) > getRange() / 2.f)
            v = (before - getMin() < getRange() / 2.f) ? getMin() : getMax();
        setValue(v);
    }
    if (getValue() != getOldValue()) {
        invalid();
        valueChanged();
    }
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint& /*where*/, const float& distance, const CButtonState& buttons) {
    float before = getValue();
    float v = getValueNormalized();
    v += distance * wheelInc * ((buttons & kZoomModifier) ? 0.1f : 1.f);
    setValueNormalized(v);
    if (getValue() != before) {
        invalid();
        beginEdit();
        valueChanged();
        endEdit();
    }
    return true;
}

int32_t CKnob::onKeyDown(CKeyCode& keyCode) {
    float distance;
    switch (keyCode.virt) {
    case VKEY_UP:
    case VKEY_RIGHT:
        distance = 1.f;
        break;
    case VKEY_DOWN:
    case VKEY_LEFT:
        distance = -1.f;
        break;
    default:
        return -1;
    }
    CButtonState buttons((keyCode.modifier & MODIFIER_SHIFT) ? kShift : 0);
    CKnob::onWheel(size.getCenter(), distance, buttons);
    return 1;
}

//------------------------------------------------------------------------------
CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int32_t tag,
                     CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset) {
    heightOfOneImage = size.getHeight();
    subPixmaps = (heightOfOneImage > 0 && background)
                     ? (int32_t)(background->getHeight() / heightOfOneImage)
                     : 0;
    inset = 0;
}

CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int32_t tag, int32_t subPixmaps,
                     CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset) {
    this->heightOfOneImage = heightOfOneImage;
    this->subPixmaps = subPixmaps;
    inset = 0;
}

void CAnimKnob::draw(CDrawContext* context) {
    if (getDrawBackground() && subPixmaps > 0 && heightOfOneImage > 0) {
        float val = getValueNormalized();
        if (inverseBitmap) val = 1.f - val;
        // Image n covers values from n/(images-1) up to the next one.
        CCoord span = heightOfOneImage * (subPixmaps - 1);
        CCoord y = std::floor(val * span);
        y -= std::fmod(y, heightOfOneImage);
        getDrawBackground()->draw(context, size, CPoint(offset.x, offset.y + y));
    }
    setDirty(false);
}

} // namespace VSTGUI
