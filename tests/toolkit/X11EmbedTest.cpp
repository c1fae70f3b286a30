// The editor embedded in a host window on a private Xvfb server: a real
// pointer drag through XTest, a screenshot, and open/close cycles that leave
// no window behind.
#include "gui/CFilmStripKnob.h"
#include "toolkit/FrameTestUtil.h"

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <thread>

using namespace dravo;

using namespace dravo_test;

namespace {

// A small editor on the toolkit alone: the background and one knob with
// tag 6, whose gestures and values it records as a host would see them.
struct TestEditor : VSTGUIEditorInterface, CControlListener {
    CFilmStripKnob* knob = nullptr;
    float params[8] = {};
    std::vector<std::string>* log = nullptr;
    ~TestEditor() override { close(); }
    bool open(void* ptr) {
        CBitmap* bg = new CBitmap(11500);
        auto* f = new CFrame(CRect(0, 0, bg->getWidth(), bg->getHeight()), ptr, this);
        f->setBackground(bg);
        bg->forget();
        CBitmap* strip = new CBitmap(11562);
        knob =
            new CFilmStripKnob(CRect(840, 43, 900, 103), this, 6, 41, 60, 60, strip, CPoint(0, 0));
        knob->rangeScale = 0.5;
        knob->setValue(params[6]);
        f->addView(knob);
        strip->forget();
        frame = f;
        return f->isOpen();
    }
    void close() {
        knob = nullptr;
        CFrame* old = frame;
        frame = nullptr;
        if (old) old->close();
    }
    void idle() {
        if (frame) frame->idle();
    }
    int32_t getKnobMode() const override { return kLinearMode; }
    void beginEdit(int32_t tag) override { record("begin " + std::to_string(tag)); }
    void endEdit(int32_t tag) override { record("end " + std::to_string(tag)); }
    void valueChanged(CControl* c) override {
        params[c->getTag()] = c->getValue();
        record("value " + std::to_string(c->getTag()) + " " + std::to_string(c->getValue()));
    }
    void record(const std::string& line) {
        if (log) log->push_back(line);
    }
};

struct X11Embed : ::testing::Test {
    // The host window's top on the screen: room for a drag upward.
    static constexpr int kTop = 140;
    Xvfb xvfb;
    Window host = 0;
    std::vector<std::string> log;
    TestEditor editor;
    XTest xtest;
    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        Display* d = xvfb.display;
        host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, 940, 248, 0, 0, 0);
        XSelectInput(d, host, StructureNotifyMask);
        XMapWindow(d, host);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
        editor.log = &log;
    }
    void TearDown() override {
        editor.close();
        if (host) XDestroyWindow(xvfb.display, host);
    }
    void loadXTest() { ASSERT_TRUE(xtest.load()) << "libXtst.so.6 is needed for the pointer test"; }
    int childCount() {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(xvfb.display, host, &root, &parent, &children, &n);
        if (children) XFree(children);
        return (int)n;
    }
    void idleFor(TestEditor& editor, int ms) {
        XSync(xvfb.display, False);
        for (int i = 0; i < ms / 5; ++i) {
            editor.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

TEST_F(X11Embed, PointerDragOnAKnobChangesItsValueInsideOneGesture) {
    ASSERT_NO_FATAL_FAILURE(loadXTest());
    ASSERT_TRUE(editor.open((void*)(uintptr_t)host));
    EXPECT_EQ(childCount(), 1);
    idleFor(editor, 100);

    Display* d = xvfb.display;
    xtest.motion(d, -1, 870, kTop + 73, 0);
    idleFor(editor, 30);
    xtest.button(d, 1, True, 0);
    idleFor(editor, 30);
    for (int step = 1; step <= 5; ++step) {
        xtest.motion(d, -1, 870, kTop + 73 - 25 * step, 0); // 125 pixels up in all
        idleFor(editor, 20);
    }
    xtest.button(d, 1, False, 0);
    idleFor(editor, 50);

    EXPECT_FLOAT_EQ(editor.knob->getValue(), 0.5f);
    EXPECT_FLOAT_EQ(editor.params[6], 0.5f);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "begin 6");
    EXPECT_EQ(log.back(), "end 6");
    EXPECT_EQ(log[log.size() - 2], "value 6 0.500000");
    for (size_t i = 1; i + 1 < log.size(); ++i)
        EXPECT_EQ(log[i].rfind("value 6 ", 0), 0u);

    // Screenshot of the host window: what the frame drew, with the knob at 0.5.
    idleFor(editor, 30);
    XImage* img = XGetImage(d, host, 0, 0, 940, 248, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 940, 248);
    cairo_surface_flush(shot);
    unsigned char* data = cairo_image_surface_get_data(shot);
    int stride = cairo_image_surface_get_stride(shot);
    int differing = 0;
    cairo_surface_t* back = editor.getFrame()->getBackBuffer();
    for (int y = 0; y < 248; ++y)
        for (int x = 0; x < 940; ++x) {
            uint32_t p = (uint32_t)XGetPixel(img, x, y) & 0xffffff;
            *reinterpret_cast<uint32_t*>(data + y * stride + x * 4) = p;
            differing += p != (pixelAt(back, x, y) & 0xffffff);
        }
    cairo_surface_mark_dirty(shot);
    XDestroyImage(img);
    cairo_surface_write_to_png(shot, DRAVO_BINARY_DIR "/x11-embed-screenshot.png");
    cairo_surface_destroy(shot);
    EXPECT_EQ(differing, 0);
    CBitmap* strip = new CBitmap(11562);
    EXPECT_EQ(shownPicture(editor.getFrame(), CRect(840, 43, 900, 103), strip, 41, 60), 20);
    strip->forget();

    editor.close();
    XSync(d, False);
    EXPECT_EQ(childCount(), 0);
}

// Events that arrive within one idle keep their order: the last move of a
// drag counts even when the pointer moves on after the release (merging moves
// across the release replaced the drag's last position with a move without
// the button, which the knob ignores).
TEST_F(X11Embed, MovesAfterTheReleaseDoNotReplaceTheDragsLastMove) {
    ASSERT_NO_FATAL_FAILURE(loadXTest());
    ASSERT_TRUE(editor.open((void*)(uintptr_t)host));
    idleFor(editor, 50);
    Display* d = xvfb.display;
    auto drag = [&](bool idleBetween) {
        editor.knob->setValue(0.f);
        xtest.motion(d, -1, 870, kTop + 73, 0);
        idleFor(editor, 300); // no double click with the press before

        xtest.button(d, 1, True, 0);
        if (idleBetween) idleFor(editor, 20);
        xtest.motion(d, -1, 870, kTop + 23, 0); // 50 pixels up
        if (idleBetween) idleFor(editor, 20);
        xtest.button(d, 1, False, 0);
        xtest.motion(d, -1, 870, kTop + 123, 0); // on, without the button
        idleFor(editor, 30);
        return editor.knob->getValue();
    };
    float stepwise = drag(true);
    EXPECT_GT(stepwise, 0.1f);
    EXPECT_FLOAT_EQ(drag(false), stepwise);
    editor.close();
}

// The host's window disappears while the editor is open (the host tore down
// its window first): idling, drawing and closing must neither fail nor end
// the host process through Xlib's default error handler.
TEST_F(X11Embed, HostWindowDestroyedUnderTheOpenEditorIsSurvived) {
    ASSERT_TRUE(editor.open((void*)(uintptr_t)host));
    idleFor(editor, 30);
    XDestroyWindow(xvfb.display, host);
    XSync(xvfb.display, False);
    host = 0;
    editor.knob->setValue(0.75f); // a redraw onto the vanished window
    editor.getFrame()->invalid();
    idleFor(editor, 30);
    editor.close();
    SUCCEED() << "still running";
}

int hostErrors = 0;
int countHostError(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

// A window id that does not exist (or no longer does): open fails cleanly.
// The host's own connection keeps the host's error handler meanwhile, and
// gets it back as it was once the editor is closed.
TEST_F(X11Embed, OpeningIntoAWindowThatDoesNotExistFailsAndHostErrorsStayTheHosts) {
    Window gone = XCreateSimpleWindow(xvfb.display, host, 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(xvfb.display, gone);
    XSync(xvfb.display, False);
    XErrorHandler before = XSetErrorHandler(countHostError);
    EXPECT_FALSE(editor.open((void*)(uintptr_t)gone));
    editor.close();

    ASSERT_TRUE(editor.open((void*)(uintptr_t)host));
    hostErrors = 0;
    XDestroyWindow(xvfb.display, gone); // the host's own mistake
    XSync(xvfb.display, False);
    EXPECT_EQ(hostErrors, 1);
    editor.close();
    EXPECT_EQ(XSetErrorHandler(before), countHostError) << "the host's handler is back in place";
    XSync(xvfb.display, False);
    EXPECT_EQ(childCount(), 0);
}

} // namespace

namespace {
// The desktop's scale: GDK_SCALE when set, else the server's Xft.dpi over 96.
TEST_F(X11Embed, DesktopScaleIsGdkScaleElseXftDpi) {
    Display* d = xvfb.display;
    auto setDpi = [d](const char* resources) {
        XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        (const unsigned char*)resources, (int)strlen(resources));
        XSync(d, False);
    };
    unsetenv("GDK_SCALE");
    EXPECT_EQ(getPlatformScaleFactor(), 1.0);
    setDpi("Xft.antialias:\t1\nXft.dpi:\t144\n");
    EXPECT_EQ(getPlatformScaleFactor(), 1.5);
    setenv("GDK_SCALE", "2", 1);
    EXPECT_EQ(getPlatformScaleFactor(), 2.0);
    unsetenv("GDK_SCALE");
}
} // namespace
