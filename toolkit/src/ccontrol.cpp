#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/cframe.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {

int32_t CControl::kZoomModifier = kShift;
int32_t CControl::kDefaultValueModifier = kControl;

CControl::CControl(const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag) {
    if (background) setBackground(background);
}

CControl::CControl(const CControl& c)
    : CView(c), listener(c.listener), tag(c.tag), vmin(c.vmin), vmax(c.vmax),
      defaultValue(c.defaultValue), wheelInc(c.wheelInc), backOffset(c.backOffset),
      value(c.getValue()), oldValue(c.getOldValue()), subListeners(c.subListeners) {}

void CControl::setValue(float val) {
    // A NaN from the host would index images with garbage: it counts as the minimum.
    if (std::isnan(val)) val = getMin();
    val = std::min(std::max(val, getMin()), getMax());
    storeValue(val);
}

void CControl::setValueNormalized(float val) {
    if (std::isnan(val)) val = 0.f;
    val = std::min(std::max(val, 0.f), 1.f);
    setValue(getMin() + val * getRange());
}

float CControl::getValueNormalized() const {
    float range = getRange();
    if (range == 0.f) return 0.f;
    return (getValue() - getMin()) / range;
}

void CControl::bounceValue() {
    setValue(getValue());
}

bool CControl::checkDefaultValue(CButtonState button) {
    if (button.isLeftButton() && button.getModifierState() == kDefaultValueModifier) {
        float def = getDefaultValue();
        if (listener && listener->controlModifierClicked(this, button) != 0) return false;
        beginEdit();
        setValue(def);
        valueChanged();
        endEdit();
        return true;
    }
    return false;
}

bool CControl::isDirty() const {
    return CView::isDirty() || getValue() != getOldValue();
}

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    if (!val) setOldValue(getValue());
}

void CControl::valueChanged() {
    if (listener) listener->valueChanged(this);
    for (auto* l : subListeners)
        l->valueChanged(this);
}

void CControl::setTag(int32_t val) {
    if (listener) listener->controlTagWillChange(this);
    tag = val;
    if (listener) listener->controlTagDidChange(this);
}

void CControl::beginEdit() {
    if (editing++ != 0) return;
    if (listener) listener->controlBeginEdit(this);
    for (auto* l : subListeners)
        l->controlBeginEdit(this);
    if (getFrame()) getFrame()->beginEdit(tag);
}

void CControl::endEdit() {
    if (editing == 0 || --editing != 0) return;
    if (getFrame()) getFrame()->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
    for (auto* l : subListeners)
        l->controlEndEdit(this);
}

void CControl::registerControlListener(IControlListener* l) {
    if (l && std::find(subListeners.begin(), subListeners.end(), l) == subListeners.end())
        subListeners.push_back(l);
}

void CControl::unregisterControlListener(IControlListener* l) {
    subListeners.erase(std::remove(subListeners.begin(), subListeners.end(), l),
                       subListeners.end());
}

void IMultiBitmapControl::autoComputeHeightOfOneImage() {
    if (auto* view = dynamic_cast<CView*>(this)) heightOfOneImage = view->getHeight();
}

} // namespace VSTGUI
