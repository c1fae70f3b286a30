#include "presets/PresetBarControls.h"

namespace dravo {

// Draws picture `frame` of a vertical stack whose pictures are h pixels high.
static void drawFrame(CControl* control, CDrawContext* context, const CPoint& offset, int32_t frame,
                      CCoord h) {
    if (CBitmap* bitmap = control->getDrawBackground())
        bitmap->draw(context, control->getViewSize(), CPoint(offset.x, offset.y + frame * h));
}

CPresetKickButton::CPresetKickButton(const CRect& size, CControlListener* listener, int32_t tag,
                                     CCoord heightOfOneImage, CBitmap* background,
                                     const CPoint& offset, bool needsDoubleClick)
    : CKickButton(size, listener, tag, heightOfOneImage, background, offset),
      needsDoubleClick(needsDoubleClick) {}

void CPresetKickButton::draw(CDrawContext* context) {
    drawFrame(this, context, offset, isPressed ? 2 : isHovered ? 1 : 0, heightOfOneImage);
    setDirty(false);
}

CMouseEventResult CPresetKickButton::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (needsDoubleClick && !(buttons & kDoubleClick))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    isPressed = true;
    setValue(needsDoubleClick && (buttons & kControl) ? 0.5f : 1.0f);
    if (listener) listener->valueChanged(this);
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CPresetKickButton::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    setValue(0.f);
    isPressed = false;
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CPresetKickButton::onMouseEntered(CPoint& /*where*/, const CButtonState& /*b*/) {
    isHovered = true;
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CPresetKickButton::onMouseExited(CPoint& /*where*/, const CButtonState& /*b*/) {
    isHovered = false;
    invalid();
    return kMouseEventHandled;
}

//------------------------------------------------------------------------------
CSaveLoadButton::CSaveLoadButton(const CRect& size, CControlListener* listener, int32_t tag,
                                 CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKickButton(size, listener, tag, heightOfOneImage, background, offset) {}

void CSaveLoadButton::draw(CDrawContext* context) {
    drawFrame(this, context, offset, getValue() != 0.f ? 2 : isHovered ? 1 : 0, heightOfOneImage);
    setDirty(false);
}

CMouseEventResult CSaveLoadButton::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & (kLButton | kRButton)) || !listener) return kMouseEventNotHandled;
    // A plain right click (no modifier) asks for the byte-order-reversed load.
    setValue(buttons() == kRButton ? 0.5f : 1.0f);
    listener->valueChanged(this);
    setValue(0.f);
    invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult CSaveLoadButton::onMouseEntered(CPoint& /*where*/, const CButtonState& /*b*/) {
    isHovered = true;
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CSaveLoadButton::onMouseExited(CPoint& /*where*/, const CButtonState& /*b*/) {
    isHovered = false;
    invalid();
    return kMouseEventHandled;
}

int32_t CSaveLoadButton::onKeyDown(CKeyCode& /*keyCode*/) {
    return -1;
}
int32_t CSaveLoadButton::onKeyUp(CKeyCode& /*keyCode*/) {
    return -1;
}

//------------------------------------------------------------------------------
CPresetRockerSwitch::CPresetRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                                         CCoord heightOfOneImage, CBitmap* background,
                                         const CPoint& offset, const int32_t style)
    : CRockerSwitch(size, listener, tag, heightOfOneImage, background, offset, style) {}

void CPresetRockerSwitch::draw(CDrawContext* context) {
    float v = getValue();
    int32_t frame = v == -1.f ? 3 : v == 1.f ? 4 : hoverSide < 0 ? 1 : hoverSide > 0 ? 2 : 0;
    drawFrame(this, context, CPoint(0, 0), frame, heightOfOneImage);
    setDirty(false);
}

CMouseEventResult CPresetRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    CCoord middle = (size.left + size.right) / 2;
    setValue(where.x < middle ? -1.f : 1.f);
    invalid();
    if (listener) listener->valueChanged(this);
    return kMouseEventHandled;
}

CMouseEventResult CPresetRockerSwitch::onMouseUp(CPoint& /*where*/, const CButtonState& /*b*/) {
    setValue(0.f);
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CPresetRockerSwitch::onMouseEntered(CPoint& where, const CButtonState& /*b*/) {
    CCoord middle = (size.left + size.right) / 2;
    hoverSide = where.x < middle ? -1 : 1;
    invalid();
    return kMouseEventHandled;
}

CMouseEventResult CPresetRockerSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (buttons & kLButton) return kMouseEventHandled;
    return onMouseEntered(where, buttons);
}

CMouseEventResult CPresetRockerSwitch::onMouseExited(CPoint& /*where*/, const CButtonState& /*b*/) {
    hoverSide = 0;
    invalid();
    return kMouseEventHandled;
}

} // namespace dravo
