// The about box: CAbout is an invisible hot spot; a left click shows the
// about image with the version text as the frame's modal view
// (CAboutImageView), and a left click on the image closes it.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

class CAbout : public CSplashScreen {
  public:
    CAbout(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* aboutImage,
           const CRect& displayArea, const CPoint& offset);
    ~CAbout() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    bool hitTest(const CPoint& where, const CButtonState& buttons = -1) override {
        return CView::hitTest(where, buttons);
    }
    const CPoint& getOffset() const { return offset; }
};

class CAboutImageView : public CView {
  public:
    CAboutImageView(const CRect& size, CAbout* owner, const CPoint& offset);
    ~CAboutImageView() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

  private:
    CAbout* owner;
    CPoint offset;
};

} // namespace dravo
