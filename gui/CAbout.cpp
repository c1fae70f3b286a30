#include "gui/CAbout.h"

#include "gui/Colours.h"

#include <cmath>

namespace dravo {

CAbout::CAbout(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* aboutImage,
               const CRect& displayArea, const CPoint& offset)
    : CSplashScreen(size, listener, tag, aboutImage, displayArea, offset) {}

CAbout::~CAbout() = default;

void CAbout::draw(CDrawContext* /*context*/) {
    setDirty(false);
}

CMouseEventResult CAbout::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton) || !listener) return kMouseEventNotHandled;
    setValue(getValue() == 0.f ? 1.f : 0.f);
    if (getValue() == 0.f) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    auto* view = new CAboutImageView(toDisplay, this, offset);
    if (getFrame() && getFrame()->setModalView(view)) {
        listener->valueChanged(this);
    } else {
        view->forget();
        setValue(0.f);
    }
    invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CAboutImageView::CAboutImageView(const CRect& size, CAbout* owner, const CPoint& offset)
    : CView(size), owner(owner), offset(offset) {
    setBackground(owner->getBackground());
    setTransparency(owner->getTransparency());
}

CAboutImageView::~CAboutImageView() = default;

void CAboutImageView::draw(CDrawContext* context) {
    if (getBackground()) getBackground()->draw(context, size, offset);
    // Version text: a 32 x 10 box 58 pixels right of and 64 above the centre.
    CCoord cx = std::trunc((size.left + size.right) / 2);
    CCoord cy = std::trunc((size.top + size.bottom) / 2);
    context->setFont(kNormalFontVerySmall);
    context->setFontColor(kIvoryCColor);
    context->drawString("v.1.8.0", CRect(cx + 42, cy - 69, cx + 74, cy - 59), kCenterText, true);
    setDirty(false);
}

CMouseEventResult CAboutImageView::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (buttons & kLButton) {
        CFrame* frame = getFrame();
        owner->unSplash();
        if (frame) {
            frame->invalid();
            if (frame->getModalView() == this) {
                frame->setModalView(nullptr);
                forget(); // the frame's reference as modal view
            }
        }
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

} // namespace dravo
