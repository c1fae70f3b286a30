#include "vstgui/lib/cframe.h"

#include <algorithm>

namespace VSTGUI {

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::CView(const CView& v)
    : CBaseObject(v), size(v.size), mouseableArea(v.mouseableArea), pBackground(v.pBackground),
      pDisabledBackground(v.pDisabledBackground), visible(v.visible), mouseEnabled(v.mouseEnabled),
      transparency(v.transparency), wantsFocusFlag(v.wantsFocusFlag),
      wantsIdleFlag(v.wantsIdleFlag), alphaValue(v.alphaValue) {}

CView::~CView() = default;

void CView::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size);
    setDirty(false);
}

void CView::invalidRect(const CRect& rect) {
    if (pParentFrame && visible) pParentFrame->invalidRect(rect);
}

void CView::setVisible(bool state) {
    if (visible == state) return;
    if (!state) invalidRect(size);
    visible = state;
    if (state) invalid();
}

bool CView::hitTest(const CPoint& where, const CButtonState& /*buttons*/) {
    return mouseableArea.pointInside(where);
}

void CView::setViewSize(const CRect& rect, bool doInvalid) {
    if (doInvalid) invalidRect(size);
    size = rect;
    mouseableArea = rect;
    if (doInvalid) invalid();
}

void CView::setBackground(CBitmap* background) {
    pBackground = background;
    setDirty(true);
}

bool CView::attached(CView* parent) {
    if (pParentView) return false;
    pParentView = parent;
    pParentFrame = parent->getFrame();
    return true;
}

bool CView::removed(CView* /*parent*/) {
    pParentView = nullptr;
    pParentFrame = nullptr;
    return true;
}

VSTGUIEditorInterface* CView::getEditor() const {
    return pParentFrame ? pParentFrame->getEditor() : nullptr;
}

//------------------------------------------------------------------------------
CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() {
    removeAll(true);
}

bool CViewContainer::addView(CView* view) {
    if (!view || isChild(view)) return false;
    // The list's SharedPointer plus the caller's reference, dropped together
    // by removeView(view, true).
    children.emplace_back(view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CViewContainer::addView(CView* view, const CRect& mouseableArea, bool mouseEnabled) {
    if (!addView(view)) return false;
    view->setMouseableArea(mouseableArea);
    view->setMouseEnabled(mouseEnabled);
    return true;
}

bool CViewContainer::addView(CView* view, CView* before) {
    if (!view || isChild(view)) return false;
    auto it = std::find_if(children.begin(), children.end(),
                           [before](const SharedPointer<CView>& c) { return c.get() == before; });
    children.emplace(it, view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget) {
    auto it = std::find_if(children.begin(), children.end(),
                           [view](const SharedPointer<CView>& c) { return c.get() == view; });
    if (it == children.end()) return false;
    SharedPointer<CView> keep(view);
    view->invalidRect(view->getViewSize());
    onChildRemoved(view);
    view->removed(this);
    children.erase(it);
    if (withForget) view->forget();
    return true;
}

bool CViewContainer::removeAll(bool withForget) {
    while (!children.empty())
        removeView(children.back().get(), withForget);
    return true;
}

bool CViewContainer::isChild(CView* view) const {
    return std::any_of(children.begin(), children.end(),
                       [view](const SharedPointer<CView>& c) { return c.get() == view; });
}

CView* CViewContainer::getView(int32_t index) const {
    return (index >= 0 && index < (int32_t)children.size()) ? children[index].get() : nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* v = it->get();
        if (v->isVisible() && v->getMouseEnabled() && v->hitTest(where)) return v;
    }
    return nullptr;
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect) {
    if (backgroundColor.alpha) {
        context->setFillColor(backgroundColor);
        context->drawRect(rect, kDrawFilled);
    }
    if (pBackground) pBackground->draw(context, rect, rect.getTopLeft() - size.getTopLeft());
}

void CViewContainer::draw(CDrawContext* context) {
    drawRect(context, size);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = updateRect;
    clip.bound(oldClip);
    if (clip.isEmpty()) return;
    context->setClipRect(clip);
    drawBackgroundRect(context, clip);
    // Copy: a view's draw must not change the list under our feet.
    std::vector<SharedPointer<CView>> list(children);
    for (auto& v : list) {
        if (!v->isVisible() || !v->checkUpdate(clip)) continue;
        CRect viewClip = v->getViewSize();
        viewClip.bound(clip);
        if (viewClip.isEmpty()) continue;
        context->saveGlobalState();
        context->setClipRect(viewClip);
        context->setGlobalAlpha(v->getAlphaValue());
        v->drawRect(context, viewClip);
        context->restoreGlobalState();
    }
    context->setClipRect(oldClip);
    setDirty(false);
}

void CViewContainer::invalidateDirtyViews() {
    std::vector<SharedPointer<CView>> list(children);
    for (auto& v : list) {
        if (auto* c = dynamic_cast<CViewContainer*>(v.get()))
            c->invalidateDirtyViews();
        else if (v->isDirty() && v->isVisible())
            v->invalid();
    }
}

} // namespace VSTGUI
