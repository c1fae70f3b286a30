// The window behind a frame. The only implementation is an X11 child window
// (x11frame.cpp); a frame without one draws into its back buffer only.
#pragma once

#include "vstgui/lib/cframe.h"
#include <memory>
#include <vector>

namespace VSTGUI {

class IPlatformFrame {
  public:
    virtual ~IPlatformFrame() = default;
    // Reads every pending window event and hands it to the frame.
    virtual void pollEvents() = 0;
    // Copies the given parts of the back buffer onto the window.
    virtual void present(cairo_surface_t* backBuffer, const std::vector<CRect>& rects) = 0;
    virtual void setSize(int width, int height) = 0;
    // Gives the window the keyboard focus.
    virtual void takeFocus() = 0;
    // The descriptor that becomes readable when window events arrive (for a
    // host's event loop), or -1.
    virtual int eventFd() const { return -1; }

    // A child window of parent (an X11 window id); null when that fails.
    static std::unique_ptr<IPlatformFrame> createX11(CFrame* frame, unsigned long parent, int width,
                                                     int height);
};

} // namespace VSTGUI
