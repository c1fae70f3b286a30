#include "gui/CVeyOnOffButton.h"

namespace dravo {

CVeyOnOffButton::CVeyOnOffButton(const CRect& size, CControlListener* listener, int32_t tag,
                                 CBitmap* strip, long style)
    : CControl(size, listener, tag, strip), style(style) {}

CVeyOnOffButton::~CVeyOnOffButton() = default;

void CVeyOnOffButton::draw(CDrawContext* context) {
    if (CBitmap* strip = getDrawBackground()) {
        // Off image in the upper half of the strip, on image in the lower.
        CPoint offset(0, getValue() >= 0.5f ? strip->getHeight() / 2 : 0);
        strip->draw(context, size, offset);
    }
    setDirty(false);
}

CMouseEventResult CVeyOnOffButton::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    setValue((int)(getValue() + 0.5f) ? 0.f : 1.f);
    beginEdit();
    if (listener) listener->valueChanged(this);
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

} // namespace dravo
