// The plug-in's editor as a DAW shows it: our host loads the built plug-in
// and opens the editor in a window of a private X server, idles it, plays
// real pointer input (XTest) and reads the window's pixels back.
#pragma once

#include "gui/EditorLayout.h"
#include "host/VstHost.h"
#include "toolkit/FrameTestUtil.h"

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"
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
        loadPlugin();
        if (HasFatalFailure()) return;
        host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, kWidth, kHeight, 0, 0, 0);
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

    // The host window's pixels now.
    void capture() {
        XSync(d, False);
        XImage* img = XGetImage(d, host, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        ASSERT_NE(img, nullptr);
        if (!shot) shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
        cairo_surface_flush(shot);
        unsigned char* data = cairo_image_surface_get_data(shot);
        const int stride = cairo_image_surface_get_stride(shot);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
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

    // Real pointer input, in window coordinates; Control held if asked.
    void moveTo(int x, int y) { xtest.motion(d, -1, x, kTop + y, 0); }
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
};

} // namespace dravo_test
