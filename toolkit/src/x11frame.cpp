// The frame's window on X11: a child window of the host's window, on a
// display connection of its own, drawn with cairo-xlib from the frame's back
// buffer. Events are read only when the frame's idle polls them.
#include "platformframe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace VSTGUI {

namespace {

// X errors on the frames' own display connections (a window the host
// destroyed under us, a parent id that does not exist) are counted here
// instead of reaching Xlib's default handler, which prints them and ends the
// host's process. Errors on every other connection go to the handler that
// was in place before, so the host's own connections behave as without us.
std::mutex gTrapMutex;
std::map<Display*, unsigned long> gTrappedErrors; // our connection -> errors seen
XErrorHandler gPreviousHandler = nullptr;

int onXError(Display* display, XErrorEvent* error) {
    XErrorHandler previous;
    {
        std::lock_guard<std::mutex> lock(gTrapMutex);
        auto it = gTrappedErrors.find(display);
        if (it != gTrappedErrors.end()) {
            ++it->second;
            return 0;
        }
        previous = gPreviousHandler;
    }
    return previous ? previous(display, error) : 0;
}

void trapErrors(Display* display) {
    std::lock_guard<std::mutex> lock(gTrapMutex);
    if (gTrappedErrors.empty()) gPreviousHandler = XSetErrorHandler(onXError);
    gTrappedErrors[display] = 0;
}

// After the connection is closed (closing syncs, so its last errors are in).
void untrapErrors(Display* display) {
    std::lock_guard<std::mutex> lock(gTrapMutex);
    gTrappedErrors.erase(display);
    if (!gTrappedErrors.empty()) return;
    // Back to the earlier handler, unless someone installed another after us.
    XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != onXError) XSetErrorHandler(current);
    gPreviousHandler = nullptr;
}

unsigned long trappedErrors(Display* display) {
    std::lock_guard<std::mutex> lock(gTrapMutex);
    auto it = gTrappedErrors.find(display);
    return it == gTrappedErrors.end() ? 0 : it->second;
}

int32_t modifiersFromState(unsigned int state) {
    int32_t m = 0;
    if (state & ShiftMask) m |= kShift;
    if (state & ControlMask) m |= kControl;
    if (state & (Mod1Mask | Mod5Mask)) m |= kAlt;
    return m;
}

int32_t buttonsFromState(unsigned int state) {
    int32_t b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    return b;
}

unsigned char virtualKey(KeySym sym) {
    switch (sym) {
    case XK_BackSpace:
        return VKEY_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return VKEY_TAB;
    case XK_Clear:
        return VKEY_CLEAR;
    case XK_Return:
        return VKEY_RETURN;
    case XK_Pause:
        return VKEY_PAUSE;
    case XK_Escape:
        return VKEY_ESCAPE;
    case XK_space:
        return VKEY_SPACE;
    case XK_End:
    case XK_KP_End:
        return VKEY_END;
    case XK_Home:
    case XK_KP_Home:
        return VKEY_HOME;
    case XK_Left:
    case XK_KP_Left:
        return VKEY_LEFT;
    case XK_Up:
    case XK_KP_Up:
        return VKEY_UP;
    case XK_Right:
    case XK_KP_Right:
        return VKEY_RIGHT;
    case XK_Down:
    case XK_KP_Down:
        return VKEY_DOWN;
    case XK_Page_Up:
    case XK_KP_Page_Up:
        return VKEY_PAGEUP;
    case XK_Page_Down:
    case XK_KP_Page_Down:
        return VKEY_PAGEDOWN;
    case XK_KP_Enter:
        return VKEY_ENTER;
    case XK_Insert:
    case XK_KP_Insert:
        return VKEY_INSERT;
    case XK_Delete:
    case XK_KP_Delete:
        return VKEY_DELETE;
    case XK_Help:
        return VKEY_HELP;
    default:
        return 0;
    }
}

// The Unicode character of a key symbol, 0 for none.
int32_t characterOf(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7e) || (sym >= 0xa0 && sym <= 0xff)) return (int32_t)sym;
    if ((sym & 0xff000000) == 0x01000000) return (int32_t)(sym & 0x00ffffff);
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return '0' + (int32_t)(sym - XK_KP_0);
    return 0;
}

class X11Frame : public IPlatformFrame {
  public:
    X11Frame(CFrame* frame, Display* display, Window window, Visual* visual, int w, int h)
        : frame(frame), display(display), window(window), width(w), height(h) {
        surface = cairo_xlib_surface_create(display, window, visual, w, h);
    }

    ~X11Frame() override {
        cairo_surface_destroy(surface);
        if (!windowGone) XDestroyWindow(display, window);
        XCloseDisplay(display);
        untrapErrors(display);
    }

    void pollEvents() override {
        while (XPending(display) > 0) {
            XEvent ev;
            XNextEvent(display, &ev);
            handle(ev);
        }
    }

    void present(cairo_surface_t* backBuffer, const std::vector<CRect>& rects) override {
        if (windowGone) return;
        cairo_t* cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, backBuffer, 0, 0);
        for (const CRect& r : rects)
            cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        XFlush(display);
    }

    void setSize(int w, int h) override {
        width = w;
        height = h;
        XResizeWindow(display, window, (unsigned)w, (unsigned)h);
        cairo_xlib_surface_set_size(surface, w, h);
        XFlush(display);
    }

    int eventFd() const override { return ConnectionNumber(display); }

    void takeFocus() override {
        if (windowGone) return;
        XWindowAttributes attr;
        if (XGetWindowAttributes(display, window, &attr) && attr.map_state == IsViewable)
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }

  private:
    // Window pixels to the frame's logical coordinates.
    CPoint toLogical(int x, int y) const {
        const double z = frame->getZoom();
        return CPoint(x / z, y / z);
    }

    void handle(XEvent& ev) {
        switch (ev.type) {
        case DestroyNotify:
            // Destroyed with the host's window: nothing is drawn on it any more.
            if (ev.xdestroywindow.window == window) windowGone = true;
            break;
        case Expose: {
            const double z = frame->getZoom();
            frame->invalidRect(CRect(std::floor(ev.xexpose.x / z), std::floor(ev.xexpose.y / z),
                                     std::ceil((ev.xexpose.x + ev.xexpose.width) / z),
                                     std::ceil((ev.xexpose.y + ev.xexpose.height) / z)));
        } break;
        case ButtonPress: {
            CPoint where = toLogical(ev.xbutton.x, ev.xbutton.y);
            int32_t mods = modifiersFromState(ev.xbutton.state);
            switch (ev.xbutton.button) {
            case 1:
            case 2:
            case 3: {
                int32_t b = ev.xbutton.button == 1   ? kLButton
                            : ev.xbutton.button == 2 ? kMButton
                                                     : kRButton;
                frame->platformOnMouseDown(where, CButtonState(b | mods), ev.xbutton.time);
                break;
            }
            case 4:
            case 5: // vertical wheel: 4 is away from the user
                frame->onWheel(where, kMouseWheelAxisY, ev.xbutton.button == 4 ? 1.f : -1.f,
                               CButtonState(buttonsFromState(ev.xbutton.state) | mods));
                break;
            case 6:
            case 7:
                frame->onWheel(where, kMouseWheelAxisX, ev.xbutton.button == 6 ? -1.f : 1.f,
                               CButtonState(buttonsFromState(ev.xbutton.state) | mods));
                break;
            default:
                break;
            }
            break;
        }
        case ButtonRelease: {
            if (ev.xbutton.button < 1 || ev.xbutton.button > 3) break;
            CPoint where = toLogical(ev.xbutton.x, ev.xbutton.y);
            int32_t b = ev.xbutton.button == 1   ? kLButton
                        : ev.xbutton.button == 2 ? kMButton
                                                 : kRButton;
            frame->onMouseUp(where, CButtonState(b | modifiersFromState(ev.xbutton.state)));
            break;
        }
        case MotionNotify: {
            // Of moves that follow each other only the latest position
            // counts; a move after a press, release or key stays after it.
            while (XEventsQueued(display, QueuedAfterReading) > 0) {
                XEvent next;
                XPeekEvent(display, &next);
                if (next.type != MotionNotify || next.xmotion.window != window) break;
                XNextEvent(display, &ev);
            }
            CPoint where = toLogical(ev.xmotion.x, ev.xmotion.y);
            frame->onMouseMoved(where, CButtonState(buttonsFromState(ev.xmotion.state) |
                                                    modifiersFromState(ev.xmotion.state)));
            break;
        }
        case EnterNotify: {
            CPoint where = toLogical(ev.xcrossing.x, ev.xcrossing.y);
            frame->onMouseMoved(where, CButtonState(buttonsFromState(ev.xcrossing.state) |
                                                    modifiersFromState(ev.xcrossing.state)));
            break;
        }
        case LeaveNotify: {
            if (ev.xcrossing.mode != NotifyNormal) break;
            CPoint where = toLogical(ev.xcrossing.x, ev.xcrossing.y);
            frame->onMouseExited(where, CButtonState(modifiersFromState(ev.xcrossing.state)));
            break;
        }
        case KeyPress:
        case KeyRelease: {
            char text[16];
            KeySym sym = NoSymbol;
            XLookupString(&ev.xkey, text, sizeof text, &sym, nullptr);
            CKeyCode key{};
            key.virt = virtualKey(sym);
            if (!key.virt) key.character = characterOf(sym);
            if (ev.xkey.state & ShiftMask) key.modifier |= MODIFIER_SHIFT;
            if (ev.xkey.state & ControlMask) key.modifier |= MODIFIER_CONTROL;
            if (ev.xkey.state & Mod1Mask) key.modifier |= MODIFIER_ALTERNATE;
            if (!key.virt && !key.character) break;
            if (ev.type == KeyPress)
                frame->onKeyDown(key);
            else
                frame->onKeyUp(key);
            break;
        }
        default:
            break;
        }
    }

    CFrame* frame;
    Display* display;
    Window window;
    int width, height;
    cairo_surface_t* surface = nullptr;
    bool windowGone = false;
};

} // namespace

double getPlatformScaleFactor() {
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        char* end = nullptr;
        const double v = std::strtod(gdk, &end);
        if (end != gdk && std::isfinite(v) && v >= 1) return v;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1.0;
    double scale = 1.0;
    // The resources the server holds, one "name:\tvalue" per line.
    if (const char* resources = XResourceManagerString(display)) {
        const std::string all = resources;
        size_t at = 0;
        while (at < all.size()) {
            size_t end = all.find('\n', at);
            if (end == std::string::npos) end = all.size();
            const std::string line = all.substr(at, end - at);
            at = end + 1;
            if (line.compare(0, 8, "Xft.dpi:") != 0) continue;
            const double dpi = std::strtod(line.c_str() + 8, nullptr);
            if (std::isfinite(dpi) && dpi > 0) scale = dpi / 96.0;
        }
    }
    XCloseDisplay(display);
    return scale;
}

std::unique_ptr<IPlatformFrame> IPlatformFrame::createX11(CFrame* frame, unsigned long parent,
                                                          int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    trapErrors(display);
    auto fail = [display]() -> std::unique_ptr<IPlatformFrame> {
        XCloseDisplay(display);
        untrapErrors(display);
        return nullptr;
    };
    XSetWindowAttributes attr{};
    attr.background_pixmap = None;
    attr.bit_gravity = NorthWestGravity;
    attr.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                      EnterWindowMask | LeaveWindowMask | PointerMotionMask | ExposureMask |
                      FocusChangeMask | StructureNotifyMask;
    Window window = XCreateWindow(display, (Window)parent, 0, 0, (unsigned)width, (unsigned)height,
                                  0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixmap | CWBitGravity | CWEventMask, &attr);
    if (!window) return fail();
    // XEMBED: protocol version 0, flags XEMBED_MAPPED.
    Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    long info[2] = {0, 1};
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    (unsigned char*)info, 2);
    XWindowAttributes wa;
    // A parent that does not exist shows as an error here (the request
    // round trip delivers it), and the window was never made.
    if (!XGetWindowAttributes(display, window, &wa) || trappedErrors(display) > 0) return fail();
    XMapWindow(display, window);
    XSync(display, False);
    if (trappedErrors(display) > 0) return fail();
    return std::make_unique<X11Frame>(frame, display, window, wa.visual, width, height);
}

} // namespace VSTGUI
