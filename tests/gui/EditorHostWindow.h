// The plug-in's editor as a DAW shows it: our host loads the built plug-in
// and opens the editor in a window of a private X server, idles it, plays
// real pointer input (XTest) and reads the window's pixels back.
#pragma once

#include "gui/EditorLayout.h"
#include "host/VstHost.h"
#include "presets/PresetBarTestSupport.h"
#include "toolkit/FrameTestUtil.h"

#include <cmath>

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/stat.h>

namespace dravo_test {

struct EditorHostWindow : ::testing::Test {
    // The host window's top on the screen: room for a drag upward.
    static constexpr int kTop = 140;
    static constexpr int kWidth = dravo::layout::kEditorWidth;
    static constexpr int kHeight = dravo::layout::kEditorHeight;
    // A private HOME and config folder (the editor keeps its zoom there).
    presettest::Desktop desk;
    std::string prefs = desk.config + "/com.veyaudioworks.dravo/";
    // The zoom the editor is to open with (kept in its preferences before
    // the plug-in loads); pointer positions and captures are scaled by it.
    double zoom = 1.0;
    // False: the zoom is left to the desktop (nothing kept beforehand).
    bool zoomFromPreferences = true;
    // Whether this host grants the editor's requests for a new window size.
    bool grantResize = true;
    Xvfb xvfb;
    Display* d = nullptr;
    Window host = 0;
    VstPlugin plugin;
    cairo_surface_t* shot = nullptr;
    XTest xtest;

    // The plug-in loads here, after the derived fixture's members exist (so
    // that an environment they set is the one it starts in), and shows its editor.
    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        d = xvfb.display;
        ASSERT_TRUE(xtest.load()) << "libXtst.so.6 is needed for the pointer tests";
        unsetenv("GDK_SCALE");
        if (zoom != 1.0 && zoomFromPreferences) {
            std::filesystem::create_directories(prefs);
            presettest::writeFile(prefs + "zoom", std::to_string(std::lround(zoom * 100)));
        }
        loadPlugin();
        if (HasFatalFailure()) return;
        host =
            XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, px(kWidth), px(kHeight), 0, 0, 0);
        XSelectInput(d, host, StructureNotifyMask);
        XMapWindow(d, host);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
        ASSERT_TRUE(open());
        idle();
    }
    void TearDown() override {
        plugin.unload();
        if (shot) cairo_surface_destroy(shot);
        if (host) XDestroyWindow(d, host);
    }
    // A new instance of the plug-in, started as a DAW starts it.
    void loadPlugin() {
        ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), "");
        plugin.start(44100.f, 512);
        // A DAW resizes its window to what the editor asks for, or refuses.
        plugin.setCallbackHook([this](const HostCallbackRecord& r) -> std::optional<VstIntPtr> {
            if (r.opcode != audioMasterSizeWindow) return std::nullopt;
            if (!grantResize) return 0;
            XResizeWindow(d, host, (unsigned)r.index, (unsigned)r.value);
            XSync(d, False);
            return 1;
        });
    }
    // Logical (100 %) pixels to window pixels.
    int px(double logical) const { return (int)std::lround(logical * zoom); }
    // The size of a window: width and height.
    std::pair<int, int> windowSize(Window w) {
        XWindowAttributes a{};
        XGetWindowAttributes(d, w, &a);
        return {a.width, a.height};
    }
    // The editor's window inside the host's.
    Window editorWindow() {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(d, host, &root, &parent, &children, &n);
        Window w = n ? children[0] : 0;
        if (children) XFree(children);
        return w;
    }

    bool open() { return plugin.editOpen((void*)(uintptr_t)host) != 0; }
    // Host idles with the X server's events delivered in between.
    void idle(int times = 3) {
        for (int i = 0; i < times; ++i) {
            XSync(d, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            plugin.editIdle();
        }
    }
    int childCount() {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(d, host, &root, &parent, &children, &n);
        if (children) XFree(children);
        return (int)n;
    }

    // The host window's pixels now, the top logicalHeight of them (more than
    // kHeight with the curve panel open).
    void capture(int logicalHeight = kHeight) {
        XSync(d, False);
        const int w = px(kWidth), h = px(logicalHeight);
        XImage* img = XGetImage(d, host, 0, 0, w, h, AllPlanes, ZPixmap);
        ASSERT_NE(img, nullptr);
        if (shot && (cairo_image_surface_get_width(shot) != w ||
                     cairo_image_surface_get_height(shot) != h)) {
            cairo_surface_destroy(shot);
            shot = nullptr;
        }
        if (!shot) shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cairo_surface_flush(shot);
        unsigned char* data = cairo_image_surface_get_data(shot);
        const int stride = cairo_image_surface_get_stride(shot);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                *reinterpret_cast<uint32_t*>(data + y * stride + x * 4) =
                    (uint32_t)XGetPixel(img, x, y) & 0xffffff;
        cairo_surface_mark_dirty(shot);
        XDestroyImage(img);
    }
    void saveShot(const char* name) {
        std::string dir = DRAVO_BINARY_DIR "/artefacts";
        mkdir(dir.c_str(), 0755);
        cairo_surface_write_to_png(shot, (dir + "/" + name).c_str());
    }

    // Real pointer input, in logical window coordinates (scaled by the
    // zoom); Control held if asked.
    void moveTo(int x, int y) { xtest.motion(d, -1, px(x), kTop + px(y), 0); }
    void holdControl(bool down) { xtest.key(d, XKeysymToKeycode(d, XK_Control_L), down, 0); }
    void press(int x, int y, bool control = false, unsigned button = 1) {
        moveTo(x, y);
        if (control) holdControl(true);
        xtest.button(d, button, True, 0);
        idle(2);
    }
    void release(bool control = false, unsigned button = 1) {
        xtest.button(d, button, False, 0);
        if (control) holdControl(false);
        idle(2);
    }
    void click(int x, int y, bool control = false, unsigned button = 1) {
        press(x, y, control, button);
        release(control, button);
    }
    void clickCentre(const dravo::layout::Control& c, bool control = false) {
        click(c.left + c.width / 2, c.top + c.height / 2, control);
    }
    // Types text as key presses (Shift where the key needs it).
    void type(const std::string& text) {
        const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
        for (char ch : text) {
            const KeySym sym = (KeySym)(unsigned char)ch;
            const KeyCode code = XKeysymToKeycode(d, sym);
            const bool shifted = XkbKeycodeToKeysym(d, code, 0, 0) != sym;
            if (shifted) xtest.key(d, shift, True, 0);
            xtest.key(d, code, True, 0);
            xtest.key(d, code, False, 0);
            if (shifted) xtest.key(d, shift, False, 0);
        }
        idle(2);
    }
    void key(KeySym sym) {
        const KeyCode code = XKeysymToKeycode(d, sym);
        xtest.key(d, code, True, 0);
        xtest.key(d, code, False, 0);
        idle(2);
    }
};

} // namespace dravo_test
