// The view: a rectangle in frame coordinates that draws itself and takes
// mouse, wheel and key events. Redraws are requested with invalid() or by the
// dirty flag, which the frame's idle collects ("dirty-view pass").
#pragma once

#include "cbitmap.h"
#include "cbuttonstate.h"
#include "cdrawcontext.h"

namespace VSTGUI {

class CFrame;
class VSTGUIEditorInterface;

class CView : public CBaseObject {
  public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    ~CView() override;
    CLASS_METHODS(CView, CBaseObject)

    // Drawing.
    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& /*updateRect*/) { draw(context); }
    virtual bool checkUpdate(const CRect& updateRect) const { return updateRect.rectOverlap(size); }
    // Thread safe: the view is redrawn in the frame's next idle.
    virtual bool isDirty() const { return dirty.load(std::memory_order_acquire); }
    virtual void setDirty(bool val = true) { dirty.store(val, std::memory_order_release); }
    // Thread safe: adds rect to the frame's region to redraw in its next idle.
    virtual void invalidRect(const CRect& rect);
    virtual void invalid() {
        setDirty(false);
        invalidRect(size);
    }
    virtual void setVisible(bool state);
    bool isVisible() const { return visible; }

    // Mouse; where is in frame coordinates.
    virtual CMouseEventResult onMouseDown(CPoint& /*where*/, const CButtonState& /*buttons*/) {
        return kMouseEventNotImplemented;
    }
    virtual CMouseEventResult onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
        return kMouseEventNotImplemented;
    }
    virtual CMouseEventResult onMouseMoved(CPoint& /*where*/, const CButtonState& /*buttons*/) {
        return kMouseEventNotImplemented;
    }
    virtual CMouseEventResult onMouseCancel() { return kMouseEventNotImplemented; }
    virtual CMouseEventResult onMouseEntered(CPoint& /*where*/, const CButtonState& /*buttons*/) {
        return kMouseEventNotImplemented;
    }
    virtual CMouseEventResult onMouseExited(CPoint& /*where*/, const CButtonState& /*buttons*/) {
        return kMouseEventNotImplemented;
    }
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = -1);
    void setMouseEnabled(bool enable = true) { mouseEnabled = enable; }
    bool getMouseEnabled() const { return mouseEnabled; }
    void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    CRect& getMouseableArea(CRect& rect) const {
        rect = mouseableArea;
        return rect;
    }
    const CRect& getMouseableArea() const { return mouseableArea; }

    // Wheel: distance > 0 is away from the user (up).
    virtual bool onWheel(const CPoint& /*where*/, const float& /*distance*/,
                         const CButtonState& /*buttons*/) {
        return false;
    }
    virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                         const CButtonState& buttons) {
        return axis == kMouseWheelAxisY ? onWheel(where, distance, buttons) : false;
    }

    // Keys: 1 when handled, -1 when not.
    virtual int32_t onKeyDown(CKeyCode& /*keyCode*/) { return -1; }
    virtual int32_t onKeyUp(CKeyCode& /*keyCode*/) { return -1; }

    // Geometry.
    virtual void setViewSize(const CRect& rect, bool invalid = true);
    const CRect& getViewSize() const { return size; }
    CRect& getViewSize(CRect& rect) const {
        rect = size;
        return rect;
    }
    CRect getVisibleViewSize() const { return size; }
    CCoord getWidth() const { return size.getWidth(); }
    CCoord getHeight() const { return size.getHeight(); }
    virtual bool sizeToFit() { return false; }
    // Views live directly in the frame: frame and local coordinates agree.
    CPoint& frameToLocal(CPoint& point) const { return point; }
    CPoint& localToFrame(CPoint& point) const { return point; }

    // Keyboard focus.
    virtual void looseFocus() {}
    virtual void takeFocus() {}
    virtual bool wantsFocus() const { return wantsFocusFlag; }
    void setWantsFocus(bool state) { wantsFocusFlag = state; }

    // Background and appearance.
    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return pBackground; }
    virtual void setDisabledBackground(CBitmap* background) { pDisabledBackground = background; }
    CBitmap* getDisabledBackground() const { return pDisabledBackground; }
    CBitmap* getDrawBackground() const { return pBackground; }
    virtual void setTransparency(bool val) { transparency = val; }
    bool getTransparency() const { return transparency; }
    virtual void setAlphaValue(float alpha) { alphaValue = alpha; }
    float getAlphaValue() const { return alphaValue; }
    void setTooltipText(UTF8StringPtr /*text*/) {}

    // Hierarchy.
    virtual bool attached(CView* parent);
    virtual bool removed(CView* parent);
    bool isAttached() const { return pParentView != nullptr; }
    CView* getParentView() const { return pParentView; }
    CFrame* getFrame() const { return pParentFrame; }
    VSTGUIEditorInterface* getEditor() const;

    // Called on every frame idle for views that ask for it.
    virtual void onIdle() {}
    void setWantsIdle(bool state) { wantsIdleFlag = state; }
    bool wantsIdle() const { return wantsIdleFlag; }

  protected:
    CRect size;
    CRect mouseableArea;
    CFrame* pParentFrame = nullptr;
    CView* pParentView = nullptr;
    SharedPointer<CBitmap> pBackground;
    SharedPointer<CBitmap> pDisabledBackground;

  private:
    std::atomic<bool> dirty{false};
    bool visible = true;
    bool mouseEnabled = true;
    bool transparency = false;
    bool wantsFocusFlag = false;
    bool wantsIdleFlag = false;
    float alphaValue = 1.f;
};

} // namespace VSTGUI
