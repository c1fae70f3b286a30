// The preset bar's buttons in a headless frame: values reported, pictures
// for hover and press, and the value back at 0 after every click.
#include "presets/PresetBarControls.h"
#include "toolkit/FrameTestUtil.h"

#include <gtest/gtest.h>

using namespace dravo;

using namespace dravo_test;

namespace {

struct PresetBar : ::testing::Test {
    HeadlessFrame h;
    CBitmap* defaultBank = h.bitmap(19990); // 37 x 30: 3 pictures of 10
    CBitmap* storeA = h.bitmap(19995);      // 12 x 42: 3 pictures of 14
    CBitmap* loadBank = h.bitmap(19993);
    CBitmap* rockerStrip = h.bitmap(19997); // 31 x 70: 5 pictures of 14
    CRect defaultRect{32, 234, 69, 244}, storeRect{352, 232, 364, 246}, loadRect{70, 232, 82, 246},
        rockerRect{313, 232, 344, 246};
    CPresetKickButton* defaultButton =
        new CPresetKickButton(defaultRect, &h.listener, 105, 10, defaultBank, CPoint(0, 0), true);
    CPresetKickButton* storeButton =
        new CPresetKickButton(storeRect, &h.listener, 107, 14, storeA, CPoint(0, 0), false);
    CSaveLoadButton* loadButton =
        new CSaveLoadButton(loadRect, &h.listener, 94, 14, loadBank, CPoint(0, 0));
    CPresetRockerSwitch* rocker = new CPresetRockerSwitch(rockerRect, &h.listener, 93, 14,
                                                          rockerStrip, CPoint(0, 0), kHorizontal);

    PresetBar() {
        for (CView* v :
             {(CView*)defaultButton, (CView*)storeButton, (CView*)loadButton, (CView*)rocker})
            h.frame->addView(v);
    }
    int shown(const CRect& r, CBitmap* b, int count, CCoord hOne) {
        return dravo_test::shown(h, r, b, count, hOne);
    }
};

TEST_F(PresetBar, DoubleClickKindNeedsADoubleClickAndControlGivesHalf) {
    EXPECT_EQ(h.press(40, 238), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_TRUE(h.listener.changes.empty());
    EXPECT_FALSE(defaultButton->getIsPressed());

    EXPECT_EQ(h.press(40, 238, kLButton | kDoubleClick), kMouseEventHandled);
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_FLOAT_EQ(h.listener.changes[0].value, 1.f);
    EXPECT_EQ(shown(defaultRect, defaultBank, 3, 10), 2);
    h.release(40, 238);
    EXPECT_FLOAT_EQ(defaultButton->getValue(), 0.f);
    EXPECT_EQ(h.listener.changes.size(), 1u); // the release is not reported

    h.press(40, 238, kLButton | kDoubleClick | kControl);
    EXPECT_FLOAT_EQ(h.listener.changes.back().value, 0.5f);
    h.release(40, 238);
    EXPECT_FLOAT_EQ(defaultButton->getValue(), 0.f);
}

TEST_F(PresetBar, PlainKindReportsOneOnEveryLeftPress) {
    for (int mods : {0, (int)kControl, (int)kShift, (int)kDoubleClick}) {
        h.press(356, 238, kLButton | mods);
        EXPECT_FLOAT_EQ(h.listener.changes.back().value, 1.f) << mods;
        h.release(356, 238);
        EXPECT_FLOAT_EQ(storeButton->getValue(), 0.f);
    }
    EXPECT_EQ(h.listener.changes.size(), 4u);
    EXPECT_EQ(h.press(356, 238, kRButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(h.listener.changes.size(), 4u);
}

TEST_F(PresetBar, SaveLoadButtonTellsAPlainRightClickApart) {
    struct Case {
        int buttons;
        float reported;
    };
    for (Case c : {Case{kLButton, 1.f}, Case{kRButton, 0.5f}, Case{kRButton | kShift, 1.f},
                   Case{kLButton | kControl, 1.f}}) {
        h.listener.changes.clear();
        EXPECT_EQ(h.press(75, 238, c.buttons), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
        ASSERT_EQ(h.listener.changes.size(), 1u);
        EXPECT_FLOAT_EQ(h.listener.changes[0].value, c.reported) << c.buttons;
        EXPECT_EQ(h.listener.changes[0].tag, 94);
        EXPECT_FLOAT_EQ(loadButton->getValue(), 0.f);
    }
    h.listener.changes.clear();
    EXPECT_EQ(h.press(75, 238, kMButton), kMouseEventNotHandled);
    EXPECT_TRUE(h.listener.changes.empty());
    CKeyCode k{0, VKEY_RETURN, 0};
    EXPECT_EQ(loadButton->onKeyDown(k), -1);
    EXPECT_EQ(loadButton->onKeyUp(k), -1);
    h.move(75, 238, 0);
    EXPECT_EQ(shown(loadRect, loadBank, 3, 14), 1);
}

TEST_F(PresetBar, SaveLoadButtonShowsThePressedPictureWhileTheListenerRuns) {
    struct Drawer : CControlListener {
        CFrame* frame;
        CRect rect;
        CBitmap* strip;
        int seen = -1;
        void valueChanged(CControl*) override {
            frame->idle();
            seen = shownPicture(frame, rect, strip, 3, 14);
        }
    } drawer;
    drawer.frame = h.frame;
    drawer.rect = loadRect;
    drawer.strip = loadBank;
    loadButton->setListener(&drawer);
    h.press(75, 238);
    EXPECT_EQ(drawer.seen, 2);
}

TEST_F(PresetBar, RockerReportsSidesAndReturnsToTheMiddle) {
    CCoord middle = (313 + 344) / 2.0; // 328.5
    EXPECT_EQ(h.press(320, 238), kMouseEventHandled);
    EXPECT_FLOAT_EQ(h.listener.changes.back().value, -1.f);
    EXPECT_EQ(shown(rockerRect, rockerStrip, 5, 14), 3);
    h.release(320, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    EXPECT_EQ(h.listener.changes.size(), 1u);

    h.press(middle, 238);
    EXPECT_FLOAT_EQ(h.listener.changes.back().value, 1.f);
    EXPECT_EQ(shown(rockerRect, rockerStrip, 5, 14), 4);
    // Moving with the button held changes nothing.
    h.move(315, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 1.f);
    h.release(315, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    EXPECT_EQ(h.press(320, 238, kRButton), kMouseEventNotHandled);
}

TEST_F(PresetBar, ASecondButtonDuringAPressStillEndsAtZero) {
    h.press(320, 238);
    h.press(600, 100, kRButton);
    h.release(320, 238);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    EXPECT_EQ(shown(rockerRect, rockerStrip, 5, 14), 1); // hover left, not pressed

    h.press(356, 238);
    h.press(600, 100, kRButton);
    h.release(356, 238);
    EXPECT_FLOAT_EQ(storeButton->getValue(), 0.f);
    EXPECT_FALSE(storeButton->getIsPressed());
    EXPECT_EQ(h.listener.changes.size(), 2u); // the two presses only
}

TEST_F(PresetBar, HoverPicturesFollowTheMouse) {
    EXPECT_EQ(shown(storeRect, storeA, 3, 14), 0);
    struct Case {
        CCoord x;
        bool storeHovered;
        int rockerSide, storePicture, rockerPicture;
    };
    for (Case c : {Case{356, true, 0, 1, 0}, Case{315, false, -1, 0, 1}, Case{340, false, 1, 0, 2},
                   Case{600, false, 0, 0, 0}}) {
        h.move(c.x, 238, 0);
        EXPECT_EQ(storeButton->getIsHovered(), c.storeHovered) << c.x;
        EXPECT_EQ(rocker->getHoverSide(), c.rockerSide) << c.x;
        EXPECT_EQ(shown(storeRect, storeA, 3, 14), c.storePicture) << c.x;
        EXPECT_EQ(shown(rockerRect, rockerStrip, 5, 14), c.rockerPicture) << c.x;
    }
}

} // namespace
