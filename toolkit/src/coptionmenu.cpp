#include "vstgui/lib/controls/coptionmenu.h"
#include "vstgui/lib/cframe.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace VSTGUI {

CMenuItem::CMenuItem(UTF8StringPtr title, UTF8StringPtr /*keycode*/, int32_t /*keyModifiers*/,
                     CBitmap* /*icon*/, int32_t flags)
    : title(title ? title : ""), flags(flags) {}

CMenuItem::CMenuItem(UTF8StringPtr title, int32_t tag) : title(title ? title : ""), tag(tag) {}

void CMenuItem::setIsChecked(bool state) {
    flags = state ? flags | kChecked : flags & ~kChecked;
}
void CMenuItem::setEnabled(bool state) {
    flags = state ? flags & ~kDisabled : flags | kDisabled;
}
void CMenuItem::setIsTitle(bool state) {
    flags = state ? flags | kTitle : flags & ~kTitle;
}
void CMenuItem::setIsSeparator(bool state) {
    flags = state ? flags | kSeparator : flags & ~kSeparator;
}

//------------------------------------------------------------------------------
// The open list: a modal view over the whole frame, so that a click outside
// the list closes it. Entries run down the columns.
namespace {
class OptionMenuPopup : public CView {
  public:
    OptionMenuPopup(const CRect& frameSize, COptionMenu* menu, const CPoint& where)
        : CView(frameSize), menu(menu) {
        menu->remember();
        layout(frameSize, where);
        setWantsFocus(true);
    }
    ~OptionMenuPopup() override { menu->forget(); }

    void draw(CDrawContext* context) override {
        context->setDrawMode(kAliasing);
        context->setFillColor(CColor(245, 245, 242));
        context->drawRect(listRect, kDrawFilled);
        context->setFrameColor(CColor(60, 60, 60));
        context->setLineWidth(1);
        context->drawRect(listRect);
        context->setFont(menu->getFont());
        int32_t n = menu->getNbEntries();
        for (int32_t i = 0; i < n; ++i) {
            CMenuItem* item = menu->getEntry(i);
            CRect r = itemRect(i);
            if (item->isSeparator()) {
                context->setFrameColor(CColor(160, 160, 160));
                CCoord y = std::floor((r.top + r.bottom) / 2);
                context->drawLine(CPoint(r.left + 4, y), CPoint(r.right - 4, y));
                continue;
            }
            bool selectable = isSelectable(i);
            if (i == hover && selectable) {
                context->setFillColor(CColor(52, 101, 164));
                context->drawRect(r, kDrawFilled);
            }
            CColor textColor = !selectable    ? CColor(140, 140, 140)
                               : (i == hover) ? kWhiteCColor
                                              : CColor(20, 20, 20);
            if (item->isChecked()) {
                // A tick in the left margin.
                context->setDrawMode(kAntiAliasing);
                context->setFrameColor(textColor);
                context->setLineWidth(1.5);
                CCoord cy = (r.top + r.bottom) / 2;
                context->drawLine(CPoint(r.left + 4, cy), CPoint(r.left + 7, cy + 3));
                context->drawLine(CPoint(r.left + 7, cy + 3), CPoint(r.left + 12, cy - 4));
                context->setLineWidth(1);
                context->setDrawMode(kAliasing);
            }
            context->setFontColor(textColor);
            CRect textRect(r.left + kMargin, r.top, r.right - 4, r.bottom);
            context->drawString(item->getTitle(), textRect, kLeftText, true);
        }
        setDirty(false);
    }

    bool checkUpdate(const CRect& updateRect) const override {
        return updateRect.rectOverlap(listRect);
    }

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& /*buttons*/) override {
        int32_t index = indexAt(where);
        close(index >= 0 && isSelectable(index) ? index : -1);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& /*buttons*/) override {
        setHover(indexAt(where));
        return kMouseEventHandled;
    }

    CMouseEventResult onMouseExited(CPoint& /*where*/, const CButtonState& /*buttons*/) override {
        setHover(-1);
        return kMouseEventHandled;
    }

    bool onWheel(const CPoint&, const float&, const CButtonState&) override { return true; }

    int32_t onKeyDown(CKeyCode& keyCode) override {
        int32_t n = menu->getNbEntries();
        switch (keyCode.virt) {
        case VKEY_ESCAPE:
            close(-1);
            return 1;
        case VKEY_RETURN:
        case VKEY_ENTER:
            close(hover >= 0 && isSelectable(hover) ? hover : -1);
            return 1;
        case VKEY_UP:
        case VKEY_DOWN: {
            int32_t step = keyCode.virt == VKEY_UP ? -1 : 1;
            int32_t i = hover < 0 ? (step > 0 ? -1 : n) : hover;
            for (int32_t k = 0; k < n; ++k) {
                i += step;
                if (i < 0 || i >= n) break;
                if (isSelectable(i)) {
                    setHover(i);
                    break;
                }
            }
            return 1;
        }
        default:
            return 1; // the open list swallows every key
        }
    }

    const CRect& getListRect() const { return listRect; }

  private:
    static constexpr CCoord kMargin = 16; // room for the tick

    bool isSelectable(int32_t i) const {
        CMenuItem* item = menu->getEntry(i);
        return item && item->isEnabled() && !item->isSeparator() && !item->isTitle();
    }

    void layout(const CRect& frameSize, const CPoint& where) {
        int32_t n = menu->getNbEntries();
        int32_t perColumn = menu->getNbItemsPerColumn() > 0 ? menu->getNbItemsPerColumn() : n;
        perColumn = std::max(1, perColumn);
        columns = (n + perColumn - 1) / perColumn;
        rows = std::min(n, perColumn);
        CFontRef font = menu->getFont();
        itemHeight = std::ceil(font->getSize() * 1.4) + 2;
        // Measure the titles on a scratch surface.
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        {
            CDrawContext measure(scratch);
            measure.setFont(font);
            columnWidth = 40;
            for (int32_t i = 0; i < n; ++i)
                columnWidth = std::max(
                    columnWidth,
                    std::ceil(measure.getStringWidth(menu->getEntry(i)->getTitle())) + kMargin + 8);
        }
        cairo_surface_destroy(scratch);
        CCoord w = columns * columnWidth + 2, h = rows * itemHeight + 2;
        CCoord left = std::max(frameSize.left, std::min(where.x, frameSize.right - w));
        CCoord top = std::max(frameSize.top, std::min(where.y, frameSize.bottom - h));
        listRect = CRect(left, top, left + w, top + h);
    }

    CRect itemRect(int32_t i) const {
        int32_t col = i / rows, row = i % rows;
        CCoord l = listRect.left + 1 + col * columnWidth, t = listRect.top + 1 + row * itemHeight;
        return CRect(l, t, l + columnWidth, t + itemHeight);
    }

    int32_t indexAt(const CPoint& where) const {
        if (!listRect.pointInside(where)) return -1;
        int32_t col = (int32_t)((where.x - listRect.left - 1) / columnWidth);
        int32_t row = (int32_t)((where.y - listRect.top - 1) / itemHeight);
        if (col < 0 || row < 0 || col >= columns || row >= rows) return -1;
        int32_t i = col * rows + row;
        return i < menu->getNbEntries() ? i : -1;
    }

    void setHover(int32_t i) {
        if (i == hover) return;
        if (hover >= 0) invalidRect(itemRect(hover));
        hover = i;
        if (hover >= 0) invalidRect(itemRect(hover));
    }

    void close(int32_t index) {
        CFrame* frame = getFrame();
        if (!frame || closed) return;
        closed = true;
        SharedPointer<CView> keep(this);
        frame->setModalView(nullptr);
        forget(); // the reference that the frame held as modal view
        menu->popupClosed(index);
    }

    COptionMenu* menu;
    CRect listRect;
    CCoord itemHeight = 16, columnWidth = 40;
    int32_t rows = 1, columns = 1;
    int32_t hover = -1;
    bool closed = false;
};
} // namespace

COptionMenu::COptionMenu() : COptionMenu(CRect(0, 0, 0, 0), nullptr, -1) {}

COptionMenu::COptionMenu(const CRect& size, IControlListener* listener, int32_t tag,
                         CBitmap* background, CBitmap* bgWhenClick, const int32_t style)
    : CParamDisplay(size, background, style), bgWhenClick(bgWhenClick) {
    this->listener = listener;
    this->tag = tag;
    setWantsFocus(false);
}

CMenuItem* COptionMenu::addEntry(CMenuItem* item, int32_t index) {
    if (!item) return nullptr;
    SharedPointer<CMenuItem> p(item, false); // takes over the caller's reference
    if (index < 0 || index >= (int32_t)items.size())
        items.push_back(p);
    else
        items.insert(items.begin() + index, p);
    return item;
}

CMenuItem* COptionMenu::addEntry(UTF8StringPtr title, int32_t index, int32_t itemFlags) {
    if (title && std::strcmp(title, "-") == 0) return addSeparator(index);
    return addEntry(new CMenuItem(title, nullptr, 0, nullptr, itemFlags), index);
}

CMenuItem* COptionMenu::addSeparator(int32_t index) {
    return addEntry(new CMenuItem("", nullptr, 0, nullptr, CMenuItem::kSeparator), index);
}

CMenuItem* COptionMenu::getCurrent() const {
    return getEntry(currentIndex);
}

int32_t COptionMenu::getCurrentIndex(bool countSeparator) const {
    if (countSeparator || currentIndex < 0) return currentIndex;
    int32_t i = 0;
    for (int32_t k = 0; k < currentIndex && k < (int32_t)items.size(); ++k)
        if (!items[k]->isSeparator()) ++i;
    return i;
}

CMenuItem* COptionMenu::getEntry(int32_t index) const {
    return (index >= 0 && index < (int32_t)items.size()) ? items[index].get() : nullptr;
}

bool COptionMenu::setCurrent(int32_t index, bool countSeparator) {
    if (!countSeparator) {
        int32_t k = 0, i = 0;
        for (; i < (int32_t)items.size(); ++i) {
            if (items[i]->isSeparator()) continue;
            if (k++ == index) break;
        }
        index = i;
    }
    if (index < 0 || index >= (int32_t)items.size()) return false;
    currentIndex = index;
    if (style & (kCheckStyle | kMultipleCheckStyle)) checkEntryAlone(index);
    setValue((float)index);
    setDirty();
    return true;
}

bool COptionMenu::removeEntry(int32_t index) {
    if (index < 0 || index >= (int32_t)items.size()) return false;
    items.erase(items.begin() + index);
    if (currentIndex >= (int32_t)items.size()) currentIndex = (int32_t)items.size() - 1;
    return true;
}

bool COptionMenu::removeAllEntry() {
    items.clear();
    currentIndex = -1;
    return true;
}

bool COptionMenu::checkEntry(int32_t index, bool state) {
    CMenuItem* item = getEntry(index);
    if (!item || item->isSeparator()) return false;
    item->setIsChecked(state);
    return true;
}

bool COptionMenu::checkEntryAlone(int32_t index) {
    for (int32_t i = 0; i < (int32_t)items.size(); ++i)
        items[i]->setIsChecked(i == index);
    return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
    CMenuItem* item = getEntry(index);
    return item && item->isChecked();
}

bool COptionMenu::popup() {
    CFrame* frame = getFrame();
    if (!frame) return false;
    CRect frameSize;
    frame->getSize(frameSize);
    // Below the control; above it when the list would not fit below.
    OptionMenuPopup probe(frameSize, this, CPoint(size.left, size.bottom));
    CCoord h = probe.getListRect().getHeight();
    CPoint where(size.left, size.bottom);
    if (size.bottom + h > frameSize.bottom && size.top - h >= frameSize.top) where.y = size.top - h;
    return popup(frame, where);
}

bool COptionMenu::popup(CFrame* frame, const CPoint& frameLocation) {
    if (!frame || popupOpen || items.empty()) return false;
    CRect frameSize;
    frame->getSize(frameSize);
    auto* view = new OptionMenuPopup(frameSize, this, frameLocation);
    if (!frame->setModalView(view)) {
        view->forget();
        return false;
    }
    popupOpen = true;
    beginEdit();
    invalid();
    return true;
}

void COptionMenu::popupClosed(int32_t index) {
    popupOpen = false;
    lastResult = index;
    if (index >= 0) {
        setCurrent(index);
        valueChanged();
    }
    endEdit();
    invalid();
}

void COptionMenu::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        if (popupOpen && bgWhenClick)
            bgWhenClick->draw(context, size, backOffset);
        else
            drawBack(context);
        CMenuItem* item = getCurrent();
        if (item && !(style & kNoTextStyle)) {
            std::string title = item->getTitle();
            if (prefixNumbers > 0) {
                char prefix[32];
                std::snprintf(prefix, sizeof prefix, "%0*d ", (int)std::min(prefixNumbers, 9),
                              (int)currentIndex + 1);
                title = prefix + title;
            }
            drawText(context, title.c_str());
        }
    }
    setDirty(false);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & (kLButton | kRButton | kApple))) return kMouseEventNotHandled;
    popup();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

int32_t COptionMenu::onKeyDown(CKeyCode& keyCode) {
    if (keyCode.modifier == 0 && (keyCode.virt == VKEY_RETURN || keyCode.virt == VKEY_SPACE)) {
        popup();
        return 1;
    }
    return -1;
}

} // namespace VSTGUI
