// The view container and the frame: the top of the view tree, the editor's
// window (an X11 child window of the host's window, or no window at all when
// drawing headless), event dispatch, the modal view and the redraw of dirty
// regions in idle.
#pragma once

#include "cview.h"
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace VSTGUI {

class CFrame;

// What the frame asks of the editor that owns it.
class VSTGUIEditorInterface {
  public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void doIdleStuff() {}
    virtual int32_t getKnobMode() const { return -1; }
    virtual void beginEdit(int32_t /*index*/) {}
    virtual void endEdit(int32_t /*index*/) {}
    virtual bool beforeSizeChange(const CRect& /*newSize*/, const CRect& /*oldSize*/) {
        return true;
    }
    virtual CFrame* getFrame() const { return frame; }

  protected:
    CFrame* frame = nullptr;
};

class CViewContainer : public CView {
  public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;
    CViewContainer(const CViewContainer&) = delete;
    CLASS_METHODS_NOCOPY(CViewContainer, CView)

    // The container takes over the caller's reference to the view.
    virtual bool addView(CView* view);
    virtual bool addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
    virtual bool addView(CView* view, CView* before);
    // withForget also releases the reference the caller handed over in addView.
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    bool isChild(CView* view) const;
    int32_t getNbViews() const { return (int32_t)children.size(); }
    CView* getView(int32_t index) const;
    // Topmost visible, mouse-enabled child that contains where.
    CView* getViewAt(const CPoint& where) const;

    void setBackgroundColor(const CColor& color) { backgroundColor = color; }
    CColor getBackgroundColor() const { return backgroundColor; }

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    // Draws the background (colour, then bitmap) inside rect.
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& rect);
    // Invalidates every child whose state changed since it was last drawn.
    virtual void invalidateDirtyViews();

  protected:
    virtual void onChildRemoved(CView* /*view*/) {}
    std::vector<SharedPointer<CView>> children;
    CColor backgroundColor = kBlackCColor;
};

// The desktop's scale factor as other X11 programs read it: GDK_SCALE when
// set, else the Xft.dpi resource of the X server over 96, else 1.
double getPlatformScaleFactor();

enum PlatformType { kHWND, kWindowRef, kNSView, kUIView, kX11EmbedWindowID, kDefaultNative = -1 };

class IPlatformFrame;

class CFrame : public CViewContainer {
  public:
    CFrame(const CRect& size, VSTGUIEditorInterface* editor);
    // Opens at once into the given system window (when it is not null).
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;
    CLASS_METHODS_NOCOPY(CFrame, CViewContainer)

    // Creates the frame's window as a child of systemWindow (an X11 window id).
    virtual bool open(void* systemWindow, PlatformType systemWindowType = kDefaultNative);
    // Removes all views, destroys the window and releases the creator's reference.
    virtual void close();
    bool isOpen() const { return platformFrame != nullptr; }
    // Dispatches pending window events, runs the dirty-view pass and redraws
    // the invalid region. Call on the editor's thread only.
    virtual void idle();
    // The descriptor that becomes readable when the window's events arrive
    // (a host's event loop may watch it and call idle), or -1 while closed.
    int eventFd() const;
    uint32_t getTicks() const;
    int32_t getKnobMode() const;
    VSTGUIEditorInterface* getEditor() const { return editor; }

    virtual bool setModalView(CView* view);
    CView* getModalView() const { return modalView; }
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    void getCurrentMouseLocation(CPoint& where) const { where = mouseLocation; }
    CButtonState getCurrentMouseButtons() const { return mouseButtons; }
    virtual void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }
    void onActivate(bool /*state*/) {}

    // Width and height in logical (unzoomed) units; the window gets them
    // times the zoom. The editor may refuse the new size (beforeSizeChange,
    // which is given window pixels).
    bool setSize(CCoord width, CCoord height);
    // Scales the window, every picture and text by zoomFactor while the views
    // keep their logical coordinates; pointer positions are mapped back to
    // them. False, and the old zoom kept, when the editor refuses the size.
    bool setZoom(double zoomFactor);
    double getZoom() const { return zoom; }
    // The window's size in pixels: the logical size times the zoom.
    CRect getPixelSize() const;
    bool getSize(CRect* rect) const {
        *rect = size;
        return true;
    }
    bool getSize(CRect& rect) const {
        rect = size;
        return true;
    }

    // Thread safe.
    void invalidRect(const CRect& rect) override;
    void invalid() override {
        setDirty(false);
        invalidRect(size);
    }
    void invalidate(const CRect& rect) { invalidRect(rect); }

    // Events in frame coordinates, as the window delivers them (tests call
    // these directly to drive the frame headless).
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                 const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;
    int32_t onKeyUp(CKeyCode& keyCode) override;
    // A press as the window system reports it, with its time in milliseconds:
    // a second press of the same button within 250 ms and 5 pixels of the
    // first gets kDoubleClick.
    CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons,
                                          uint64_t timeMs);

    // The back buffer that idle draws into (ARGB32, getPixelSize() big).
    cairo_surface_t* getBackBuffer();
    // Draws every view into the back buffer now (tests and screenshots).
    void drawAll();

  protected:
    void onChildRemoved(CView* view) override;
    void redrawInvalidRegion();
    void updateMouseOver(CPoint& where, const CButtonState& buttons);

    VSTGUIEditorInterface* editor;
    CView* modalView = nullptr;
    CView* focusView = nullptr;
    CView* mouseDownView = nullptr;
    CView* mouseOverView = nullptr;
    CPoint mouseLocation;
    CButtonState mouseButtons;

  private:
    std::unique_ptr<IPlatformFrame> platformFrame;
    cairo_surface_t* backBuffer = nullptr;
    double zoom = 1.0;
    std::mutex invalidMutex;
    std::vector<CRect> invalidRects;
    bool inIdle = false;
    std::chrono::steady_clock::time_point startTime;
    // Double-click detection.
    uint64_t lastPressTime = 0;
    CPoint lastPressWhere;
    int32_t lastPressButton = 0;
};

} // namespace VSTGUI
