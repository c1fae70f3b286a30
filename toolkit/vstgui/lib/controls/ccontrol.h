// The control: a view with a value in [min, max], a tag, a listener and the
// begin/end-edit bracket that the frame passes on to the editor.
//
// Thread safety: the value may be set from any thread (host automation);
// value and value-last-drawn are atomics, and a control counts as dirty while
// they differ, so the frame's idle redraws it on the editor's thread.
#pragma once

#include "../cview.h"
#include <functional>
#include <vector>

namespace VSTGUI {

class CControl;

class IControlListener {
  public:
    virtual ~IControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // Return 1 if the control shall not handle the click itself.
    virtual int32_t controlModifierClicked(CControl* /*control*/, CButtonState /*button*/) {
        return 0;
    }
    virtual void controlBeginEdit(CControl* /*control*/) {}
    virtual void controlEndEdit(CControl* /*control*/) {}
    virtual void controlTagWillChange(CControl* /*control*/) {}
    virtual void controlTagDidChange(CControl* /*control*/) {}
};
using CControlListener = IControlListener;

class CControl : public CView {
  public:
    CControl(const CRect& size, IControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);
    CControl(const CControl& other);
    CLASS_METHODS_NOCOPY(CControl, CView)

    void draw(CDrawContext* context) override = 0;

    virtual void setValue(float val);
    virtual float getValue() const { return value.load(std::memory_order_acquire); }
    virtual void setValueNormalized(float val);
    virtual float getValueNormalized() const;
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    float getRange() const { return getMax() - getMin(); }
    // The value last drawn (or handed to the redraw).
    virtual void setOldValue(float val) { oldValue.store(val, std::memory_order_release); }
    virtual float getOldValue() const { return oldValue.load(std::memory_order_acquire); }
    virtual void setDefaultValue(float val) { defaultValue = val; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void bounceValue();
    // Left button with exactly kDefaultValueModifier: restores the default
    // value inside a begin/end-edit bracket and answers true.
    virtual bool checkDefaultValue(CButtonState button);

    // Dirty while the value differs from the value last drawn.
    bool isDirty() const override;
    void setDirty(bool val = true) override;

    // Tells the listener and the registered sub-listeners.
    virtual void valueChanged();
    virtual void setTag(int32_t val);
    int32_t getTag() const { return tag; }
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing > 0; }
    IControlListener* getListener() const { return listener; }
    void setListener(IControlListener* l) { listener = l; }
    void registerControlListener(IControlListener* l);
    void unregisterControlListener(IControlListener* l);

    void setBackOffset(const CPoint& offset) { backOffset = offset; }
    const CPoint& getBackOffset() const { return backOffset; }
    void copyBackOffset() { backOffset = CPoint(size.left, size.top); }
    void setWheelInc(float val) { wheelInc = val; }
    float getWheelInc() const { return wheelInc; }

    static int32_t kZoomModifier;
    static int32_t kDefaultValueModifier;

  protected:
    // Stores without clamping and without touching the value last drawn.
    void storeValue(float val) { value.store(val, std::memory_order_release); }

    IControlListener* listener;
    int32_t tag;
    float vmin = 0.f;
    float vmax = 1.f;
    float defaultValue = 0.5f;
    float wheelInc = 0.1f;
    CPoint backOffset;

  private:
    std::atomic<float> value{0.f};
    std::atomic<float> oldValue{1.f};
    int32_t editing = 0;
    std::vector<IControlListener*> subListeners;
};

// Controls drawn from a bitmap of stacked images of equal height.
class IMultiBitmapControl {
  public:
    virtual ~IMultiBitmapControl() = default;
    virtual void setHeightOfOneImage(const CCoord& height) { heightOfOneImage = height; }
    virtual CCoord getHeightOfOneImage() const { return heightOfOneImage; }
    virtual void setNumSubPixmaps(int32_t num) { subPixmaps = num; }
    virtual int32_t getNumSubPixmaps() const { return subPixmaps; }
    virtual void autoComputeHeightOfOneImage();

  protected:
    CCoord heightOfOneImage = 0;
    int32_t subPixmaps = 0;
};

} // namespace VSTGUI
