// The toolkit's frame and controls driven headless with synthetic events.
#include "toolkit/FrameTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace dravo_test;

namespace {

// Logs the mouse events it gets and the button state of each.
struct Probe : CView {
    std::vector<std::string> log;
    std::vector<int32_t> buttons;
    CMouseEventResult downResult = kMouseEventHandled;
    explicit Probe(CRect r) : CView(r) {}
    CMouseEventResult note(const char* what, const CButtonState& b) {
        log.push_back(what);
        buttons.push_back(b());
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseEntered(CPoint&, const CButtonState& b) override {
        return note("enter", b);
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState& b) override {
        return note("exit", b);
    }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState& b) override {
        note("down", b);
        return downResult;
    }
    CMouseEventResult onMouseMoved(CPoint&, const CButtonState& b) override {
        return note(b() ? "drag" : "move", b);
    }
    CMouseEventResult onMouseUp(CPoint&, const CButtonState& b) override { return note("up", b); }
};

TEST(Frame, DoubleClickNeedsTheSameButtonWithin250MsAnd5Pixels) {
    HeadlessFrame h;
    auto* probe = new Probe(CRect(0, 0, 100, 100));
    probe->downResult = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    h.frame->addView(probe);
    auto press = [&](CCoord x, CCoord y, int32_t b, uint64_t t) {
        CPoint p(x, y);
        h.frame->platformOnMouseDown(p, CButtonState(b), t);
        return (probe->buttons.back() & kDoubleClick) != 0;
    };
    EXPECT_FALSE(press(10, 10, kLButton, 1000));
    EXPECT_TRUE(press(15, 5, kLButton, 1250));
    EXPECT_FALSE(press(15, 5, kLButton, 1300)); // a third press starts anew
    EXPECT_FALSE(press(15, 5, kLButton, 1600)); // 300 ms later
    EXPECT_FALSE(press(21, 5, kLButton, 1700)); // 6 pixels away
    EXPECT_FALSE(press(21, 5, kRButton, 1750)); // other button
    EXPECT_TRUE(press(21, 5, kRButton | kShift, 1800));
}

TEST(Frame, AddViewTakesTheCallersReferenceAndCloseFreesTheViews) {
    struct Counted : CView {
        int* alive;
        explicit Counted(int* a) : CView(CRect(0, 0, 10, 10)), alive(a) { ++*alive; }
        ~Counted() override { --*alive; }
    };
    int alive = 0;
    {
        HeadlessFrame h;
        h.frame->addView(new Counted(&alive));
        auto* kept = new Counted(&alive);
        h.frame->addView(kept);
        EXPECT_EQ(alive, 2);
        h.frame->removeView(kept);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(Frame, HoverEntersAndExitsAndPressesGoToTheTopmostView) {
    HeadlessFrame h;
    auto* below = new Probe(CRect(0, 0, 100, 100));
    auto* above = new Probe(CRect(50, 50, 150, 150));
    h.frame->addView(below);
    h.frame->addView(above);
    h.move(10, 10, 0);
    h.move(60, 60, 0);
    h.drag(60, 60, 300, 200); // the drag stays with the pressed view
    EXPECT_EQ(below->log, (std::vector<std::string>{"enter", "move", "exit"}));
    EXPECT_EQ(above->log,
              (std::vector<std::string>{"enter", "move", "down", "drag", "up", "exit"}));
}

TEST(Frame, MovesOverAViewThatWasNotPressedCarryOnlyTheModifiers) {
    HeadlessFrame h;
    auto* probe = new Probe(CRect(100, 100, 200, 200));
    h.frame->addView(probe);
    h.press(10, 10); // on no view
    h.move(150, 150, kLButton | kShift);
    h.release(150, 150);
    EXPECT_EQ(probe->log, (std::vector<std::string>{"enter", "drag"}));
    EXPECT_EQ(probe->buttons.back(), (int32_t)kShift);
}

TEST(Frame, ASecondPressEndsTheGestureOfTheDraggedControl) {
    HeadlessFrame h;
    auto* sw = new CVerticalSwitch(CRect(784, 128, 804, 164), &h.listener, 1, 3, 36, 3,
                                   h.bitmap(11512), CPoint(0, 0));
    auto* rocker =
        new CRockerSwitch(CRect(313, 232, 344, 246), &h.listener, 7, 14, h.bitmap(19997));
    auto* knob = new CAnimKnob(CRect(840, 43, 900, 103), &h.listener, 6, 41, 60, h.bitmap(11562));
    for (CView* v : {(CView*)sw, (CView*)rocker, (CView*)knob})
        h.frame->addView(v);
    struct Case {
        CControl* control;
        CCoord x, y;
        int32_t tag;
    };
    for (Case c : {Case{sw, 790, 150, 1}, Case{rocker, 315, 238, 7}, Case{knob, 870, 73, 6}}) {
        h.editor.log.clear();
        h.press(c.x, c.y);
        EXPECT_TRUE(c.control->isEditing()) << c.tag;
        h.press(600, 20, kRButton);
        h.release(c.x, c.y);
        EXPECT_FALSE(c.control->isEditing()) << c.tag;
        ASSERT_FALSE(h.editor.log.empty());
        EXPECT_EQ(h.editor.log.front(), "begin " + std::to_string(c.tag));
        EXPECT_EQ(h.editor.log.back(), "end " + std::to_string(c.tag));
    }
    // The rocker springs back to the middle as on a release.
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
}

TEST(Frame, ClosingDuringADragEndsTheGesture) {
    HeadlessFrame h;
    h.frame->addView(
        new CAnimKnob(CRect(840, 43, 900, 103), &h.listener, 6, 41, 60, h.bitmap(11562)));
    h.press(870, 73);
    h.close();
    EXPECT_EQ(h.editor.log, (std::vector<std::string>{"begin 6", "end 6"}));
}

// The window and back buffer get the zoomed size after the editor granted it;
// a refused size keeps the zoom. Views keep their logical coordinates.
TEST(Frame, ZoomAsksTheEditorAndScalesTheBackBuffer) {
    HeadlessFrame h;
    auto bufferSize = [&] {
        cairo_surface_t* b = h.frame->getBackBuffer();
        return std::make_pair(cairo_image_surface_get_width(b), cairo_image_surface_get_height(b));
    };
    EXPECT_TRUE(h.frame->setZoom(1.5));
    ASSERT_EQ(h.editor.sizesAsked.size(), 1u);
    EXPECT_EQ(h.editor.sizesAsked[0], CRect(0, 0, 1410, 372));
    EXPECT_EQ(bufferSize(), std::make_pair(1410, 372));
    CRect logical;
    h.frame->getSize(logical);
    EXPECT_EQ(logical, CRect(0, 0, 940, 248));
    h.editor.grantSize = false;
    EXPECT_FALSE(h.frame->setZoom(2.0));
    EXPECT_EQ(h.frame->getZoom(), 1.5);
    EXPECT_EQ(bufferSize(), std::make_pair(1410, 372));
}

// A bitmap with 1x and 2x art draws the least dense one at least as dense as
// the surface (the densest beyond); a representation of the wrong size is refused.
TEST(Bitmap, DrawsTheNearestDenserRepresentation) {
    CBitmap* b = new CBitmap(11500);
    ASSERT_EQ(b->getNumRepresentations(), 2);
    for (auto [zoom, expected] :
         {std::pair{1.0, 1.0}, {1.25, 2.0}, {1.75, 2.0}, {2.0, 2.0}, {3.0, 2.0}}) {
        double scale = 0;
        b->getBestPlatformBitmapForScaleFactor(zoom, &scale);
        EXPECT_EQ(scale, expected) << zoom;
    }
    // Between the two: the 2x art resampled once to the zoom's size.
    cairo_surface_t* at150 = b->getSurfaceForScaleFactor(1.5);
    EXPECT_EQ(cairo_image_surface_get_width(at150), 1410);
    EXPECT_EQ(b->getSurfaceForScaleFactor(1.5), at150);
    EXPECT_EQ(b->getSurfaceForScaleFactor(2.0),
              b->getBestPlatformBitmapForScaleFactor(2.0, nullptr));
    EXPECT_FALSE(b->addBitmap(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100), 3.0));
    EXPECT_EQ(b->getNumRepresentations(), 2);
    b->forget();
}

TEST(VerticalSwitch, ThirdsSelectPositionsControlClickRestoresTheDefault) {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11512); // 20 x 108: 3 pictures of 36
    CRect r(784, 128, 804, 164);
    auto* sw = new CVerticalSwitch(r, &h.listener, 1, 3, 36, 3, strip, CPoint(0, 0));
    sw->setDefaultValue(0.5f);
    h.frame->addView(sw);
    h.press(790, 130);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.f);
    h.move(790, 150);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
    h.move(790, 163);
    EXPECT_FLOAT_EQ(sw->getValue(), 1.f);
    h.move(790, 400);
    EXPECT_FLOAT_EQ(sw->getValue(), 1.f);
    h.release(790, 400);
    EXPECT_EQ(shown(h, r, strip, 3, 36), 2);
    EXPECT_EQ(h.editor.log.front(), "begin 1");
    EXPECT_EQ(h.editor.log.back(), "end 1");
    h.listener.changes.clear();
    EXPECT_EQ(h.press(790, 130, kLButton | kControl),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_EQ(shown(h, r, strip, 3, 36), 1);
}

TEST(AnimKnob, ImageIsTheFloorOfTheValueOverTheStrip) {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11562); // 41 images of 60
    CRect r(840, 43, 900, 103);
    auto* knob = new CAnimKnob(r, &h.listener, 6, 41, 60, strip);
    h.frame->addView(knob);
    const std::pair<float, int> cases[] = {{0.f, 0}, {0.5f, 20}, {0.99f, 39}, {1.f, 40}};
    for (auto [value, image] : cases) {
        knob->setValue(value);
        EXPECT_EQ(shown(h, r, strip, 41, 60), image) << value;
    }
    knob->setInverseBitmap(true);
    knob->setValue(0.f);
    h.frame->invalid();
    EXPECT_EQ(shown(h, r, strip, 41, 60), 40);
}

TEST(KickButton, ReportsMaxThenMinAndShowsThePressedPicture) {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(19995); // 3 pictures of 14; the first two are used
    CRect r(10, 10, 22, 24);
    auto* kick = new CKickButton(r, &h.listener, 5, 14, strip);
    h.frame->addView(kick);
    h.press(15, 15);
    EXPECT_EQ(shown(h, r, strip, 2, 14), 1);
    h.move(100, 100);
    EXPECT_EQ(shown(h, r, strip, 2, 14), 0);
    h.move(15, 15);
    h.release(15, 15);
    ASSERT_EQ(h.listener.changes.size(), 2u);
    EXPECT_FLOAT_EQ(h.listener.changes[0].value, 1.f);
    EXPECT_FLOAT_EQ(h.listener.changes[1].value, 0.f);
    EXPECT_EQ(h.editor.log.front(), "begin 5");
    EXPECT_EQ(h.editor.log.back(), "end 5");
}

TEST(RockerSwitch, HalvesAndWheelWithReturnToTheMiddleAfter200Ms) {
    HeadlessFrame h;
    auto* rocker =
        new CRockerSwitch(CRect(313, 232, 344, 246), &h.listener, 7, 14, h.bitmap(19997));
    h.frame->addView(rocker);
    h.press(315, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), -1.f);
    h.move(340, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 1.f);
    h.release(340, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    h.listener.changes.clear();
    h.wheel(320, 238, 1.f);
    EXPECT_FLOAT_EQ(rocker->getValue(), -1.f);
    h.frame->idle();
    EXPECT_FLOAT_EQ(rocker->getValue(), -1.f);
    std::this_thread::sleep_for(std::chrono::milliseconds(220));
    h.frame->idle();
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    ASSERT_EQ(h.listener.changes.size(), 2u);
    EXPECT_FLOAT_EQ(h.listener.changes[1].value, 0.f);
    EXPECT_EQ(h.editor.log.back(), "end 7");
}

TEST(ParamDisplay, FormatsWithTheValueToTextFunctionOrTwoDecimals) {
    HeadlessFrame h;
    CRect r(58, 213, 108, 225);
    auto* display = new CParamDisplay(r);
    display->setMax(10000.f);
    h.frame->addView(display);
    display->setValue(46.f);
    auto textPixels = [&] {
        h.frame->idle();
        int n = 0;
        for (int y = 213; y < 225; ++y)
            for (int x = 58; x < 108; ++x)
                n += (pixelAt(h.frame->getBackBuffer(), x, y) & 0xff) > 128;
        return n;
    };
    int twoDecimals = textPixels(); // "46.00"
    EXPECT_GT(twoDecimals, 0);
    std::string seen;
    display->setValueToStringFunction([&](float v, char text[256], CParamDisplay*) {
        std::snprintf(text, 256, "%d", (int)v);
        seen = text;
        return true;
    });
    display->setDirty();
    int plain = textPixels(); // "46"
    EXPECT_EQ(seen, "46");
    EXPECT_LT(plain, twoDecimals);
    display->setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(display->getValue(), 0.f);
}

TEST(TextEdit, ClickTypeEnterCommitsAndEscapeCancels) {
    HeadlessFrame h;
    auto* edit = new CTextEdit(CRect(175, 232, 292, 246), &h.listener, 92, "Default");
    h.frame->addView(edit);
    EXPECT_EQ(h.key(0, 'x'), -1); // no focus yet
    h.press(200, 238);
    EXPECT_TRUE(edit->isEditing());
    h.key(VKEY_BACK);
    h.key(VKEY_BACK);
    h.key(0, 'X');
    h.key(VKEY_SPACE);
    h.key(0, 0xE9); // e acute
    EXPECT_EQ(edit->getEditText(), "DefauX \xC3\xA9");
    EXPECT_STREQ(edit->getText(), "Default");
    h.frame->idle();
    EXPECT_TRUE(h.listener.changes.empty());
    h.key(VKEY_RETURN);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_STREQ(edit->getText(), "DefauX \xC3\xA9");
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_EQ(h.listener.changes[0].tag, 92);

    h.press(200, 238);
    h.key(0, 'q');
    h.key(VKEY_ESCAPE);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_STREQ(edit->getText(), "DefauX \xC3\xA9");
    EXPECT_EQ(h.listener.changes.size(), 1u);

    // A click elsewhere commits.
    h.press(200, 238);
    h.key(VKEY_END);
    h.key(0, '!');
    h.press(600, 100);
    EXPECT_STREQ(edit->getText(), "DefauX \xC3\xA9!");
    EXPECT_EQ(h.listener.changes.size(), 2u);
}

TEST(OptionMenu, ListInColumnsInsideTheFrameChoosesByClick) {
    HeadlessFrame h;
    auto* menu = new COptionMenu(CRect(293, 232, 305, 246), &h.listener, 104, nullptr, nullptr,
                                 kPopupStyle | kCheckStyle | kNoTextStyle | kNoDrawStyle);
    menu->setNbItemsPerColumn(12);
    for (int i = 0; i < 22; ++i)
        menu->addEntry(("Preset " + std::to_string(i)).c_str());
    menu->setCurrent(3);
    h.frame->addView(menu);
    EXPECT_FLOAT_EQ(menu->getMax(), 21.f);
    EXPECT_TRUE(menu->isCheckEntry(3));
    EXPECT_EQ(h.press(298, 238), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_TRUE(menu->isPopupOpen());
    CView* popup = h.frame->getModalView();
    ASSERT_NE(popup, nullptr);
    h.frame->idle();
    // Find the list: 12 rows above the control (no room below), two columns.
    cairo_surface_t* s = h.frame->getBackBuffer();
    int top = -1;
    for (int y = 0; y < 232 && top < 0; ++y)
        if (pixelAt(s, 300, y) == 0xfff5f5f2u) top = y;
    ASSERT_GT(top, 0);
    CCoord rowHeight = (232.0 - top) / 12;
    // Below the list the frame shows its background again (the menu itself
    // draws nothing).
    cairo_surface_t* bg = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 940, 248);
    {
        CDrawContext ctx(bg);
        h.frame->drawBackgroundRect(&ctx, CRect(0, 0, 940, 248));
    }
    int bottom = top;
    while (bottom < 248 && pixelAt(s, 300, bottom) != pixelAt(bg, 300, bottom))
        ++bottom;
    cairo_surface_destroy(bg);
    EXPECT_LE(bottom, 233);
    // Row 2 of the second column: entry 14.
    int right = 300;
    while (right < 940 && pixelAt(s, right, top + 2) != 0xff3c3c3cu)
        ++right;
    CCoord colWidth = (right - 293.0) / 2;
    h.move(293 + colWidth * 1.5, top + rowHeight * 2.5, 0);
    h.press(293 + colWidth * 1.5, top + rowHeight * 2.5);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(h.frame->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(menu->getValue(), 14.f);
    EXPECT_TRUE(menu->isCheckEntry(14));
    EXPECT_FALSE(menu->isCheckEntry(3));
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_FLOAT_EQ(h.listener.changes[0].value, 14.f);

    // A click outside the list closes it without a choice; so does Escape.
    h.press(298, 238);
    h.press(900, 20);
    EXPECT_FALSE(menu->isPopupOpen());
    h.press(298, 238);
    h.key(VKEY_ESCAPE);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(h.listener.changes.size(), 1u);
    EXPECT_FLOAT_EQ(menu->getValue(), 14.f);
    menu->getEntry(14)->setTitle("Renamed");
    EXPECT_STREQ(menu->getCurrent()->getTitle(), "Renamed");
}

struct FileSelector : ::testing::Test {
    std::string dir = std::string(DRAVO_BINARY_DIR) + "/toolkit-fileselector";
    std::string helper = dir + "/zenity";
    std::string argsFile = dir + "/args";
    void SetUp() override {
        mkdir(dir.c_str(), 0755);
        std::ofstream f(helper);
        // As zenity does, it also complains on stderr.
        f << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << argsFile
          << "'\necho 'Gtk-WARNING: no theme' >&2\necho /tmp/chosen.vey\n";
        f.close();
        chmod(helper.c_str(), 0755);
    }
    void TearDown() override { CNewFileSelector::setHelperPaths(nullptr, nullptr); }
};

TEST_F(FileSelector, RunsTheHelperModallyWithTitleFilterAndStartPath) {
    CNewFileSelector::setHelperPaths(helper.c_str(), "");
    CNewFileSelector* sel = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile);
    sel->setTitle("Save preset");
    sel->setInitialDirectory("/home/u/presets/");
    sel->setDefaultSaveName("mine.vey");
    sel->setDefaultExtension(CFileExtension("Vey Preset", "vey"));
    // The helper's stderr does not reach the host's log.
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(sel->runModal());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(sel->getNumSelectedFiles(), 1u);
    EXPECT_STREQ(sel->getSelectedFile(0), "/tmp/chosen.vey");
    std::ifstream in(argsFile);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "--file-selection\n--save\n--confirm-overwrite\n--title=Save preset\n"
                   "--filename=/home/u/presets/mine.vey\n"
                   "--file-filter=Vey Preset (*.vey) | *.vey\n--file-filter=All files | *\n");
    sel->forget();

    CNewFileSelector* k = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectFile);
    k->setTitle("Load bank");
    k->setInitialDirectory("/d/");
    k->addFileExtension(CFileExtension("Vey Bank", "kab"));
    EXPECT_EQ(k->buildCommand("/usr/bin/kdialog"),
              (std::vector<std::string>{"/usr/bin/kdialog", "--getopenfilename", "--title",
                                        "Load bank", "/d/", "*.kab|Vey Bank\n*|All files"}));
    k->forget();
}

TEST_F(FileSelector, FindsItsHelperOnThePathAndSaysSoWhenThereIsNone) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    CNewFileSelector::setHelperPaths(nullptr, nullptr);
    for (const std::string& searched : {dir + ":" + path, dir + "/empty"}) {
        mkdir((dir + "/empty").c_str(), 0755);
        setenv("PATH", searched.c_str(), 1);
        CNewFileSelector* sel = CNewFileSelector::create(nullptr);
        ::testing::internal::CaptureStderr();
        const bool chosen = sel->runModal();
        std::string err = ::testing::internal::GetCapturedStderr();
        setenv("PATH", path.c_str(), 1);
        const bool found = searched != dir + "/empty";
        EXPECT_EQ(chosen, found);
        EXPECT_EQ(err.find("install zenity or kdialog") == std::string::npos, found) << err;
        EXPECT_EQ(sel->getNumSelectedFiles(), found ? 1u : 0u);
        sel->forget();
    }
}

// Host automation sets values on another thread while idle redraws.
TEST(ToolkitThreads, ValuesSetFromASecondThreadWhileIdleRedraws) {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11562);
    auto* knob = new CAnimKnob(CRect(840, 43, 900, 103), &h.listener, 6, 41, 60, strip);
    auto* sw = new CVerticalSwitch(CRect(784, 128, 804, 164), &h.listener, 1, strip);
    h.frame->addView(knob);
    h.frame->addView(sw);
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; !stop.load(); ++i) {
            knob->setValue((i % 100) / 100.f);
            sw->setValue((i % 3) / 2.f);
            if (i % 7 == 0) knob->invalid();
            if (i % 11 == 0) h.frame->invalid();
        }
    });
    for (int i = 0; i < 200; ++i)
        h.frame->idle();
    stop = true;
    automation.join();
    knob->setValue(0.5f);
    EXPECT_EQ(shown(h, CRect(840, 43, 900, 103), strip, 41, 60), 20);
    EXPECT_FALSE(knob->isDirty());
}

} // namespace
