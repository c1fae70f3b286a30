#include "platformframe.h"

#include <cairo.h>
#include <cmath>

namespace VSTGUI {

CFrame::CFrame(const CRect& size, VSTGUIEditorInterface* editor)
    : CViewContainer(size), editor(editor), startTime(std::chrono::steady_clock::now()) {
    pParentFrame = this;
    invalidRects.push_back(size);
}

CFrame::CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor)
    : CFrame(size, editor) {
    if (systemWindow) open(systemWindow);
}

CFrame::~CFrame() {
    removeAll(true);
    platformFrame.reset();
    if (backBuffer) cairo_surface_destroy(backBuffer);
}

bool CFrame::open(void* systemWindow, PlatformType /*systemWindowType*/) {
    if (platformFrame || !systemWindow) return false;
    const CRect pixels = getPixelSize();
    platformFrame = IPlatformFrame::createX11(this, (unsigned long)(uintptr_t)systemWindow,
                                              (int)pixels.getWidth(), (int)pixels.getHeight());
    if (!platformFrame) return false;
    invalid();
    return true;
}

void CFrame::close() {
    // A press still held ends as its release would, so that no edit gesture
    // stays open with the host.
    if (mouseDownView) {
        SharedPointer<CView> v(mouseDownView);
        mouseDownView = nullptr;
        CPoint at = mouseLocation;
        v->onMouseUp(at, mouseButtons);
    }
    // removeAll also releases a modal view with the reference it was handed.
    removeAll(true);
    platformFrame.reset();
    forget();
}

uint32_t CFrame::getTicks() const {
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now() - startTime)
        .count();
}

int32_t CFrame::getKnobMode() const {
    int32_t mode = editor ? editor->getKnobMode() : -1;
    return mode == -1 ? kCircularMode : mode;
}

bool CFrame::setModalView(CView* view) {
    if (view && modalView) return false;
    if (modalView) {
        CView* old = modalView;
        modalView = nullptr;
        removeView(old, false);
    }
    if (view) {
        if (!addView(view)) return false;
        modalView = view;
        if (mouseOverView && mouseOverView != view) {
            CView* over = mouseOverView;
            mouseOverView = nullptr;
            CPoint where = mouseLocation;
            over->onMouseExited(where, mouseButtons);
        }
    }
    return true;
}

void CFrame::beginEdit(int32_t index) {
    if (editor) editor->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
    if (editor) editor->endEdit(index);
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* old = focusView;
    focusView = view;
    if (old) old->looseFocus();
    if (focusView) {
        focusView->takeFocus();
        if (platformFrame) platformFrame->takeFocus();
    }
}

namespace {
CRect pixelRect(const CRect& logical, double zoom) {
    return CRect(logical.left, logical.top, logical.left + std::lround(logical.getWidth() * zoom),
                 logical.top + std::lround(logical.getHeight() * zoom));
}
} // namespace

CRect CFrame::getPixelSize() const {
    return pixelRect(size, zoom);
}

bool CFrame::setSize(CCoord width, CCoord height) {
    CRect newSize(size.left, size.top, size.left + width, size.top + height);
    const CRect newPixels = pixelRect(newSize, zoom);
    if (editor && !editor->beforeSizeChange(newPixels, getPixelSize())) return false;
    size = newSize;
    mouseableArea = newSize;
    if (backBuffer) {
        cairo_surface_destroy(backBuffer);
        backBuffer = nullptr;
    }
    if (platformFrame)
        platformFrame->setSize((int)newPixels.getWidth(), (int)newPixels.getHeight());
    invalid();
    return true;
}

bool CFrame::setZoom(double zoomFactor) {
    if (!(zoomFactor > 0)) return false;
    if (zoomFactor == zoom) return true;
    const CRect newPixels = pixelRect(size, zoomFactor);
    if (editor && !editor->beforeSizeChange(newPixels, getPixelSize())) return false;
    zoom = zoomFactor;
    if (backBuffer) {
        cairo_surface_destroy(backBuffer);
        backBuffer = nullptr;
    }
    if (platformFrame)
        platformFrame->setSize((int)newPixels.getWidth(), (int)newPixels.getHeight());
    invalid();
    return true;
}

void CFrame::invalidRect(const CRect& rect) {
    CRect r = rect;
    r.makeIntegral();
    r.bound(size);
    if (r.isEmpty()) return;
    std::lock_guard<std::mutex> lock(invalidMutex);
    for (auto& existing : invalidRects) {
        CRect test = existing;
        test.bound(r);
        if (test == r) return; // already covered
    }
    invalidRects.push_back(r);
    // Many small regions: redraw their union instead.
    if (invalidRects.size() > 16) {
        CRect all;
        for (auto& e : invalidRects)
            all.unite(e);
        invalidRects.assign(1, all);
    }
}

cairo_surface_t* CFrame::getBackBuffer() {
    if (!backBuffer) {
        const CRect pixels = getPixelSize();
        backBuffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, (int)pixels.getWidth(),
                                                (int)pixels.getHeight());
    }
    return backBuffer;
}

int CFrame::eventFd() const {
    return platformFrame ? platformFrame->eventFd() : -1;
}

void CFrame::idle() {
    if (inIdle) return;
    inIdle = true;
    SharedPointer<CFrame> keep(this);
    if (platformFrame) platformFrame->pollEvents();
    std::vector<SharedPointer<CView>> list(children);
    for (auto& v : list)
        if (v->wantsIdle()) v->onIdle();
    invalidateDirtyViews();
    redrawInvalidRegion();
    inIdle = false;
}

void CFrame::redrawInvalidRegion() {
    std::vector<CRect> rects;
    {
        std::lock_guard<std::mutex> lock(invalidMutex);
        rects.swap(invalidRects);
    }
    if (rects.empty()) return;
    CDrawContext context(getBackBuffer(), zoom);
    std::vector<CRect> pixels;
    pixels.reserve(rects.size());
    for (const CRect& r : rects) {
        // On a zoomed frame the clip grows to whole window pixels; the views
        // under that grown rectangle are drawn.
        context.setClipRect(r);
        CRect drawn;
        context.getClipRect(drawn);
        drawRect(&context, drawn);
        pixels.emplace_back(std::lround(drawn.left * zoom), std::lround(drawn.top * zoom),
                            std::lround(drawn.right * zoom), std::lround(drawn.bottom * zoom));
    }
    cairo_surface_flush(backBuffer);
    if (platformFrame) platformFrame->present(backBuffer, pixels);
}

void CFrame::drawAll() {
    invalid();
    redrawInvalidRegion();
}

void CFrame::onChildRemoved(CView* view) {
    if (view == modalView) modalView = nullptr;
    if (view == mouseDownView) mouseDownView = nullptr;
    if (view == mouseOverView) mouseOverView = nullptr;
    if (view == focusView) {
        focusView = nullptr;
        view->looseFocus();
    }
}

//------------------------------------------------------------------------------
CMouseEventResult CFrame::platformOnMouseDown(CPoint& where, const CButtonState& buttons,
                                              uint64_t timeMs) {
    CButtonState b = buttons;
    int32_t button = buttons.getButtonState();
    if (lastPressButton == button && timeMs >= lastPressTime && timeMs - lastPressTime <= 250 &&
        std::fabs(where.x - lastPressWhere.x) <= 5 && std::fabs(where.y - lastPressWhere.y) <= 5) {
        b |= kDoubleClick;
        lastPressButton = 0; // a third press starts anew
    } else {
        lastPressButton = button;
        lastPressTime = timeMs;
        lastPressWhere = where;
    }
    return onMouseDown(where, b);
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (mouseDownView) {
        // A press while another button is held ends the earlier press as its
        // release would: the control closes its edit gesture and returns to
        // its resting state (the release itself then finds no pressed view).
        SharedPointer<CView> prev(mouseDownView);
        mouseDownView = nullptr;
        CPoint at = where;
        prev->onMouseUp(at, mouseButtons);
    }
    mouseLocation = where;
    mouseButtons = buttons;
    std::vector<SharedPointer<CView>> candidates;
    if (modalView) {
        candidates.emplace_back(modalView);
    } else {
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            candidates.push_back(*it);
    }
    for (auto& v : candidates) {
        if (!v->isVisible() || !v->getMouseEnabled() || !v->hitTest(where, buttons)) continue;
        if (focusView != v.get()) setFocusView(v->wantsFocus() ? v.get() : nullptr);
        CMouseEventResult result = v->onMouseDown(where, buttons);
        if (result == kMouseEventHandled && isChild(v.get())) mouseDownView = v.get();
        if (result != kMouseEventNotHandled && result != kMouseEventNotImplemented) return result;
        if (!v->getTransparency()) return result;
    }
    // A press on no view ends the keyboard focus (a text being edited is committed).
    if (!modalView) setFocusView(nullptr);
    return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons) {
    mouseLocation = where;
    mouseButtons = CButtonState(buttons.getModifierState());
    CMouseEventResult result = kMouseEventNotHandled;
    if (mouseDownView) {
        SharedPointer<CView> v(mouseDownView);
        mouseDownView = nullptr;
        result = v->onMouseUp(where, buttons);
    }
    updateMouseOver(where, mouseButtons);
    return result;
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    mouseLocation = where;
    mouseButtons = buttons;
    if (mouseDownView) {
        SharedPointer<CView> v(mouseDownView);
        CMouseEventResult result = v->onMouseMoved(where, buttons);
        if (result == kMouseMoveEventHandledButDontNeedMoreEvents && mouseDownView == v.get())
            mouseDownView = nullptr;
        return result;
    }
    // A view that was not pressed sees the move as a hover: only the
    // modifiers, never a held button (which belongs to a press elsewhere).
    CButtonState hover(buttons.getModifierState());
    updateMouseOver(where, hover);
    if (mouseOverView) {
        SharedPointer<CView> v(mouseOverView);
        return v->onMouseMoved(where, hover);
    }
    return kMouseEventNotHandled;
}

void CFrame::updateMouseOver(CPoint& where, const CButtonState& buttons) {
    CView* over = nullptr;
    if (modalView) {
        if (modalView->isVisible() && modalView->getMouseEnabled() && modalView->hitTest(where))
            over = modalView;
    } else {
        over = getViewAt(where);
    }
    if (over == mouseOverView) return;
    if (mouseOverView) {
        SharedPointer<CView> old(mouseOverView);
        mouseOverView = nullptr;
        old->onMouseExited(where, buttons);
    }
    mouseOverView = over;
    if (over) {
        SharedPointer<CView> v(over);
        v->onMouseEntered(where, buttons);
    }
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const CButtonState& buttons) {
    mouseLocation = where;
    if (mouseOverView && !mouseDownView) {
        SharedPointer<CView> old(mouseOverView);
        mouseOverView = nullptr;
        old->onMouseExited(where, buttons);
    }
    return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) {
    return onWheel(where, kMouseWheelAxisY, distance, buttons);
}

bool CFrame::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                     const CButtonState& buttons) {
    mouseLocation = where;
    if (mouseDownView) return false;
    CView* target = modalView ? modalView : getViewAt(where);
    if (!target) return false;
    SharedPointer<CView> v(target);
    return v->onWheel(where, axis, distance, buttons);
}

int32_t CFrame::onKeyDown(CKeyCode& keyCode) {
    CView* target = modalView ? modalView : focusView;
    if (!target) return -1;
    SharedPointer<CView> v(target);
    return v->onKeyDown(keyCode);
}

int32_t CFrame::onKeyUp(CKeyCode& keyCode) {
    CView* target = modalView ? modalView : focusView;
    if (!target) return -1;
    SharedPointer<CView> v(target);
    return v->onKeyUp(keyCode);
}

} // namespace VSTGUI
