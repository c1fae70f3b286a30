// The preset bar in a window on a private Xvfb server, driven by real pointer
// clicks (XTest) at the layout table's rectangles: files, defaults, slots and
// steps.
#include "presets/PresetBarTestSupport.h"

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"
#include <X11/keysym.h>
#include <dlfcn.h>

using namespace presettest;
using namespace presetbar;

namespace {

using FakeMotion = int (*)(Display*, int, int, int, unsigned long);
using FakeButton = int (*)(Display*, unsigned int, int, unsigned long);
using FakeKey = int (*)(Display*, unsigned int, int, unsigned long);

struct PresetBarWindow : ::testing::Test {
    static constexpr int kTop = 100; // the host window's top on the screen
    dravo_test::Xvfb xvfb;
    Window host = 0;
    FakeMotion motion = nullptr;
    FakeButton button = nullptr;
    FakeKey key = nullptr;
    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        // libXtst stays loaded: it hooks the closing of the display.
        void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
        ASSERT_NE(xtst, nullptr) << "libXtst.so.6 is needed for the pointer test";
        motion = (FakeMotion)dlsym(xtst, "XTestFakeMotionEvent");
        button = (FakeButton)dlsym(xtst, "XTestFakeButtonEvent");
        key = (FakeKey)dlsym(xtst, "XTestFakeKeyEvent");
        ASSERT_TRUE(motion && button && key);
        Display* d = xvfb.display;
        host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, 940, 248, 0, 0, 0);
        XSelectInput(d, host, StructureNotifyMask);
        XMapWindow(d, host);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
    }
    void TearDown() override {
        if (host) XDestroyWindow(xvfb.display, host);
    }
    void idleFor(AEffEditor& editor, int ms) {
        XSync(xvfb.display, False);
        for (int i = 0; i < ms / 5; ++i) {
            editor.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // count clicks of X button xButton at p (editor pixels).
    void click(BarEditor& editor, CPoint p, unsigned xButton = 1, int count = 1) {
        motion(xvfb.display, -1, (int)p.x, kTop + (int)p.y, 0);
        idleFor(editor, 30);
        for (int i = 0; i < count; ++i) {
            button(xvfb.display, xButton, True, 0);
            idleFor(editor, 20);
            button(xvfb.display, xButton, False, 0);
            idleFor(editor, 20);
        }
    }
};

} // namespace

TEST_F(PresetBarWindow, PointerClicksOnTheBar) {
    Desktop d;
    Instance in(false);
    ASSERT_TRUE(in.editor.open((void*)(uintptr_t)host));
    idleFor(in.editor, 100);

    // Save, edit, load back.
    in.set(9, 0.25f);
    d.choose(d.files + "clicked $ 'preset'.vey");
    click(in.editor, in.editor.centre(kTagSavePreset));
    EXPECT_EQ(readFile(d.files + "clicked $ 'preset'.vey").size(), 1105u);
    in.set(9, 0.75f);
    click(in.editor, in.editor.centre(kTagLoadPreset));
    EXPECT_EQ(in.value(0, 9), 0.25f);
    EXPECT_TRUE(d.zenityArg("--title=Load preset"));

    // A right click asks for the reversed file; cancelled, nothing changes.
    d.choose("");
    click(in.editor, in.editor.centre(kTagLoadPreset), 3);
    EXPECT_TRUE(d.zenityArg("--title=Load preset (endian-reversed)"));
    EXPECT_EQ(in.value(0, 9), 0.25f);

    // One click on the default button stores nothing, a double click does.
    const std::string stored = d.config + "/org.example.presetbar-test/DefaultPreset";
    click(in.editor, in.editor.centre(kTagDefaultPreset));
    EXPECT_FALSE(std::filesystem::exists(stored));
    idleFor(in.editor, 300);
    click(in.editor, in.editor.centre(kTagDefaultPreset), 1, 2);
    EXPECT_EQ(readFile(stored).size(), 1105u);
    // With Control held, a double click removes it.
    idleFor(in.editor, 300);
    const unsigned control = XKeysymToKeycode(xvfb.display, XK_Control_L);
    key(xvfb.display, control, True, 0);
    click(in.editor, in.editor.centre(kTagDefaultPreset), 1, 2);
    key(xvfb.display, control, False, 0);
    idleFor(in.editor, 30);
    EXPECT_FALSE(std::filesystem::exists(stored));

    // Slot A, next, recall A.
    click(in.editor, in.editor.centre(kTagStoreA));
    const CRect rocker = in.editor.rectOf(kTagRocker);
    click(in.editor, CPoint(rocker.right - 3, rocker.getCenter().y)); // next
    EXPECT_EQ(in.store.getPresetNo(), 1);
    click(in.editor, in.editor.centre(kTagRecallA));
    EXPECT_EQ(in.value(1, 9), 0.25f);
    in.editor.close();
}
