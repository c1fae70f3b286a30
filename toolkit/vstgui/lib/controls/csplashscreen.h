// The splash control: a click shows an image (or a given view) as the
// frame's modal view; a click on that view takes it away again.
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CSplashScreen : public CControl, public IControlListener {
  public:
    CSplashScreen(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));
    CSplashScreen(const CRect& size, IControlListener* listener, int32_t tag, CView* splashView);
    ~CSplashScreen() override;
    CSplashScreen(const CSplashScreen&) = delete;
    CLASS_METHODS_NOCOPY(CSplashScreen, CControl)

    void draw(CDrawContext* context) override;
    bool hitTest(const CPoint& where, const CButtonState& buttons = -1) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    virtual void unSplash();
    void setDisplayArea(const CRect& rect) { toDisplay = rect; }
    CRect& getDisplayArea(CRect& rect) const {
        rect = toDisplay;
        return rect;
    }
    // From the splash view: it was clicked.
    void valueChanged(CControl* control) override;
    using CControl::valueChanged;

  protected:
    CRect toDisplay;
    CPoint offset;
    CView* modalView = nullptr;
    SharedPointer<CView> providedView;
};

} // namespace VSTGUI
