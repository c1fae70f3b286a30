#include "gui/CLED.h"

#include <cmath>

namespace dravo {

CLED::CLED(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* strip)
    : CControl(size, listener, tag), strip(strip) {
    if (strip) strip->remember();
    // The strip holds three images of a third of its height each.
    CCoord h = strip ? strip->getHeight() : 0;
    offsets[0] = CPoint(0, 0);
    offsets[1] = CPoint(0, h / 3);
    offsets[2] = CPoint(0, 2 * h / 3);
    setValue(0.f);
}

CLED::CLED(const CLED& other) : CControl(other), strip(other.strip) {
    if (strip) strip->remember();
    for (int i = 0; i < 3; ++i)
        offsets[i] = other.offsets[i];
}

CLED::~CLED() {
    if (strip) strip->forget();
}

void CLED::setValue(float value) {
    // The current value becomes the previous one, and the frame's idle redraws
    // the LED while the two differ: two equal calls between idles leave it
    // clean. A NaN shows as dark.
    setOldValue(getValue());
    storeValue(std::isnan(value) ? 0.f : value);
}

void CLED::draw(CDrawContext* context) {
    float v = getValue();
    const CPoint& offset = v < 0.5f ? offsets[0] : v == 0.5f ? offsets[1] : offsets[2];
    if (strip) strip->draw(context, size, offset);
    setDirty(false);
}

CMouseEventResult CLED::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    resetHold();
    if (listener) listener->valueChanged(this);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

} // namespace dravo
