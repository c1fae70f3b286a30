#include "vstgui/lib/controls/cswitch.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cbuttons.h"

#include <cmath>

namespace VSTGUI {

CVerticalSwitch::CVerticalSwitch(const CRect& size, IControlListener* listener, int32_t tag,
                                 CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset) {
    heightOfOneImage = size.getHeight();
    subPixmaps = (heightOfOneImage > 0 && background)
                     ? (int32_t)(background->getHeight() / heightOfOneImage)
                     : 0;
    iMaxPositions = subPixmaps;
    setDefaultValue(0.f);
    setWantsFocus(true);
}

CVerticalSwitch::CVerticalSwitch(const CRect& size, IControlListener* listener, int32_t tag,
                                 int32_t subPixmaps, CCoord heightOfOneImage, int32_t iMaxPositions,
                                 CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), iMaxPositions(iMaxPositions) {
    this->heightOfOneImage = heightOfOneImage;
    this->subPixmaps = subPixmaps;
    setDefaultValue(0.f);
    setWantsFocus(true);
}

void CVerticalSwitch::draw(CDrawContext* context) {
    if (getDrawBackground() && subPixmaps > 0) {
        // Nearest image to the normalised value.
        int32_t index = (int32_t)(getValueNormalized() * (subPixmaps - 1) + 0.5f);
        getDrawBackground()->draw(context, size,
                                  CPoint(offset.x, offset.y + index * heightOfOneImage));
    }
    setDirty(false);
}

CMouseEventResult CVerticalSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    if (iMaxPositions < 2) return kMouseEventNotHandled;
    // One band of the view's height per position.
    coef = size.getHeight() / iMaxPositions;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSwitch::onMouseUp(CPoint& /*where*/, const CButtonState& /*b*/) {
    if (!isEditing()) return kMouseEventNotHandled;
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!isEditing() || !(buttons & kLButton) || coef <= 0) return kMouseEventNotHandled;
    int32_t position = (int32_t)std::floor((where.y - size.top) / coef);
    position = std::max(0, std::min(position, iMaxPositions - 1));
    setValueNormalized((float)position / (float)(iMaxPositions - 1));
    if (getValue() != getOldValue()) {
        valueChanged();
        invalid();
    }
    return kMouseEventHandled;
}

int32_t CVerticalSwitch::onKeyDown(CKeyCode& keyCode) {
    if (keyCode.modifier != 0 || iMaxPositions < 2) return -1;
    float step = 1.f / (float)(iMaxPositions - 1);
    float norm = getValueNormalized();
    if (keyCode.virt == VKEY_UP)
        norm -= step;
    else if (keyCode.virt == VKEY_DOWN)
        norm += step;
    else
        return -1;
    float before = getValue();
    setValueNormalized(norm);
    if (getValue() != before) {
        beginEdit();
        valueChanged();
        endEdit();
        invalid();
    }
    return 1;
}

//------------------------------------------------------------------------------
CRockerSwitch::CRockerSwitch(const CRect& size, IControlListener* listener, int32_t tag,
                             CBitmap* background, const CPoint& offset, const int32_t style)
    : CRockerSwitch(size, listener, tag, size.getHeight(), background, offset, style) {}

CRockerSwitch::CRockerSwitch(const CRect& size, IControlListener* listener, int32_t tag,
                             CCoord heightOfOneImage, CBitmap* background, const CPoint& offset,
                             const int32_t style)
    : CControl(size, listener, tag, background), offset(offset), style(style) {
    this->heightOfOneImage = heightOfOneImage;
    subPixmaps = 3;
    setMin(-1.f);
    setMax(1.f);
    setDefaultValue(0.f);
    setValue(0.f);
}

void CRockerSwitch::draw(CDrawContext* context) {
    if (getDrawBackground()) {
        // Image 0 at the minimum, 1 in the middle, 2 at the maximum.
        int32_t index = getValue() == getMax() ? 2 : getValue() == getMin() ? 0 : 1;
        getDrawBackground()->draw(context, size,
                                  CPoint(offset.x, offset.y + index * heightOfOneImage));
    }
    setDirty(false);
}

CMouseEventResult CRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    entryValue = getValue();
    beginEdit();
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CRockerSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!isEditing() || !(buttons & kLButton)) return kMouseEventNotHandled;
    float v = entryValue;
    if (size.pointInside(where)) {
        bool firstHalf = (style & kVertical) ? where.y < size.top + size.getHeight() / 2
                                             : where.x < size.left + size.getWidth() / 2;
        v = firstHalf ? getMin() : getMax();
    }
    if (v != getValue()) {
        setValue(v);
        valueChanged();
        invalid();
    }
    return kMouseEventHandled;
}

CMouseEventResult CRockerSwitch::onMouseUp(CPoint& /*where*/, const CButtonState& /*b*/) {
    if (!isEditing()) return kMouseEventNotHandled;
    setValue((getMax() + getMin()) / 2.f);
    invalid();
    endEdit();
    return kMouseEventHandled;
}

bool CRockerSwitch::onWheel(const CPoint& /*where*/, const float& distance,
                            const CButtonState& /*buttons*/) {
    if (!getFrame()) return false;
    if (!wheelPending) beginEdit();
    setValue(distance > 0 ? getMin() : getMax());
    valueChanged();
    invalid();
    wheelPending = true;
    wheelReleaseTime = getFrame()->getTicks() + 200;
    setWantsIdle(true);
    return true;
}

void CRockerSwitch::onIdle() {
    if (!wheelPending || !getFrame()) return;
    if ((int32_t)(getFrame()->getTicks() - wheelReleaseTime) < 0) return;
    wheelPending = false;
    setWantsIdle(false);
    setValue((getMax() + getMin()) / 2.f);
    valueChanged();
    invalid();
    endEdit();
}

//------------------------------------------------------------------------------
CKickButton::CKickButton(const CRect& size, IControlListener* listener, int32_t tag,
                         CBitmap* background, const CPoint& offset)
    : CKickButton(size, listener, tag, size.getHeight(), background, offset) {}

CKickButton::CKickButton(const CRect& size, IControlListener* listener, int32_t tag,
                         CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset) {
    this->heightOfOneImage = heightOfOneImage;
    subPixmaps = 2;
    setWantsFocus(true);
}

void CKickButton::draw(CDrawContext* context) {
    if (getDrawBackground()) {
        CPoint where(offset.x, offset.y + (getValue() == getMax() ? heightOfOneImage : 0));
        getDrawBackground()->draw(context, size, where);
    }
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    fEntryState = getValue();
    beginEdit();
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!isEditing() || !(buttons & kLButton)) return kMouseEventNotHandled;
    setValue(size.pointInside(where) ? getMax() : getMin());
    if (isDirty()) invalid();
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    if (!isEditing()) return kMouseEventNotHandled;
    if (getValue() > getMin()) valueChanged();
    setValue(getMin());
    valueChanged();
    invalid();
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseCancel() {
    if (!isEditing()) return kMouseEventNotHandled;
    setValue(fEntryState);
    invalid();
    endEdit();
    return kMouseEventHandled;
}

int32_t CKickButton::onKeyDown(CKeyCode& keyCode) {
    if (keyCode.modifier == 0 && (keyCode.virt == VKEY_RETURN || keyCode.virt == VKEY_ENTER)) {
        if (getValue() != getMax()) {
            beginEdit();
            setValue(getMax());
            invalid();
            valueChanged();
        }
        return 1;
    }
    return -1;
}

int32_t CKickButton::onKeyUp(CKeyCode& keyCode) {
    if (keyCode.modifier == 0 && (keyCode.virt == VKEY_RETURN || keyCode.virt == VKEY_ENTER)) {
        if (getValue() != getMin()) {
            setValue(getMin());
            invalid();
            valueChanged();
            endEdit();
        }
        return 1;
    }
    return -1;
}

bool CKickButton::sizeToFit() {
    if (!getDrawBackground()) return false;
    CRect r = size;
    r.setWidth(getDrawBackground()->getWidth());
    r.setHeight(heightOfOneImage);
    setViewSize(r);
    return true;
}

} // namespace VSTGUI
