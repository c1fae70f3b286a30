#include "vstgui/lib/controls/csplashscreen.h"
#include "vstgui/lib/cframe.h"

namespace VSTGUI {

namespace {
// Shows the splash image; a left click tells the splash control.
class DefaultSplashScreenView : public CControl {
  public:
    DefaultSplashScreenView(const CRect& size, CSplashScreen* splash, CBitmap* bitmap,
                            const CPoint& offset)
        : CControl(size, splash, 0, bitmap), offset(offset) {}
    void draw(CDrawContext* context) override {
        if (getDrawBackground()) getDrawBackground()->draw(context, size, offset);
        setDirty(false);
    }
    CMouseEventResult onMouseDown(CPoint& /*where*/, const CButtonState& buttons) override {
        if (buttons & kLButton) valueChanged();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

  private:
    CPoint offset;
};
} // namespace

CSplashScreen::CSplashScreen(const CRect& size, IControlListener* listener, int32_t tag,
                             CBitmap* background, const CRect& toDisplay, const CPoint& offset)
    : CControl(size, listener, tag, background), toDisplay(toDisplay), offset(offset) {}

CSplashScreen::CSplashScreen(const CRect& size, IControlListener* listener, int32_t tag,
                             CView* splashView)
    : CControl(size, listener, tag), providedView(splashView, false) {
    if (splashView) toDisplay = splashView->getViewSize();
}

CSplashScreen::~CSplashScreen() = default;

void CSplashScreen::draw(CDrawContext* /*context*/) {
    setDirty(false);
}

bool CSplashScreen::hitTest(const CPoint& where, const CButtonState& buttons) {
    return CView::hitTest(where, buttons) && (buttons() & kLButton);
}

CMouseEventResult CSplashScreen::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    setValue(getValue() == getMax() ? getMin() : getMax());
    if (getValue() == getMax() && getFrame() && !modalView) {
        CView* view;
        if (providedView) {
            view = providedView;
            view->remember(); // the frame's reference while it is the modal view
        } else {
            view = new DefaultSplashScreenView(toDisplay, this, getDrawBackground(), offset);
        }
        if (getFrame()->setModalView(view)) {
            modalView = view;
            valueChanged();
        } else {
            view->forget();
            setValue(getMin());
        }
    }
    invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CSplashScreen::unSplash() {
    setValue(getMin());
    if (modalView) {
        CView* view = modalView;
        modalView = nullptr;
        if (getFrame() && getFrame()->getModalView() == view) {
            getFrame()->setModalView(nullptr);
            view->forget();
        }
    }
    if (getFrame()) getFrame()->invalid();
}

void CSplashScreen::valueChanged(CControl* /*control*/) {
    unSplash();
    valueChanged();
}

} // namespace VSTGUI
