// The editor's own controls in a headless frame: knob drags, Shift, default
// clicks, wheel, overshoot; the clip LED; the on/off button; the about box.
#include "gui/CAbout.h"
#include "gui/CFilmStripKnob.h"
#include "gui/CLED.h"
#include "gui/CVeyOnOffButton.h"
#include "toolkit/FrameTestUtil.h"

#include <gtest/gtest.h>

using namespace dravo;

using namespace dravo_test;

namespace {

struct KnobFixture : ::testing::Test {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11562); // 41 images of 60 x 60
    CRect rect{840, 43, 900, 103};
    CFilmStripKnob* knob =
        new CFilmStripKnob(rect, &h.listener, 6, 41, 60, 60, strip, CPoint(0, 0));
    static constexpr CCoord cx = 870, cy = 73;
    KnobFixture() {
        knob->rangeScale = 0.5;
        knob->setShiftZoom(1.0);
        h.frame->addView(knob);
    }
};

TEST_F(KnobFixture, DragUpTwoHundredFiftyPixelsSpansTheRangeAndRightCountsHalf) {
    const std::pair<CCoord, CCoord> drags[] = {{0, -250}, {500, 0}};
    for (auto [dx, dy] : drags) {
        knob->setValue(0.f);
        h.editor.log.clear();
        ASSERT_EQ(h.press(cx, cy), kMouseEventHandled);
        h.move(cx + dx / 2, cy + dy / 2);
        EXPECT_FLOAT_EQ(knob->getValue(), 0.5f) << dx;
        h.move(cx + dx, cy + dy);
        EXPECT_FLOAT_EQ(knob->getValue(), 1.f) << dx;
        h.release(cx + dx, cy + dy);
        EXPECT_EQ(h.editor.log.front(), "begin 6");
        EXPECT_EQ(h.editor.log.back(), "end 6");
    }
    // One up and one left: 2 - 1 = 1 drag unit of 500.
    knob->setValue(0.5f);
    h.drag(cx, cy, cx - 1, cy - 1);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f + 1.f / 500.f);
}

TEST_F(KnobFixture, ShiftHalvesTheSpeedOnlyOnTheOutputKnobAndSwitchesWithoutAJump) {
    // Other knobs (zoom 1): Shift changes nothing.
    knob->setValue(0.f);
    h.drag(cx, cy, cx, cy - 125, kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);

    knob->setShiftZoom(2.0);
    knob->setValue(0.f);
    h.press(cx, cy, kLButton | kShift);
    h.move(cx, cy - 125, kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    // Releasing Shift mid-drag: no jump, then full speed from there.
    h.move(cx, cy - 125, kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    h.move(cx, cy - 250, kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    // Pressing it again: no jump either.
    h.move(cx, cy - 250, kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    h.move(cx, cy - 300, kLButton | kShift);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.85f);
    h.release(cx, cy - 300);
}

TEST_F(KnobFixture, OvershootIsKeptUntilThePointerComesBack) {
    knob->setValue(0.9f);
    h.press(cx, cy);
    h.move(cx + 150, cy); // 50 units to the top, 100 past it
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    h.move(cx + 100, cy); // 50 back
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    h.move(cx + 45, cy); // 5 below the top
    EXPECT_NEAR(knob->getValue(), 0.99f, 1e-6);
    h.release(cx + 45, cy);
}

TEST_F(KnobFixture, DoubleClickAndControlClickRestoreTheDefaultInsideOneGesture) {
    knob->setDefaultValue(0.5f);
    knob->setValue(0.2f);
    EXPECT_EQ(h.press(cx, cy, kLButton | kDoubleClick),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(h.editor.log, (std::vector<std::string>{"begin 6", "value 6 0.500000", "end 6"}));
    // Already at the default: begin and end, no value.
    h.editor.log.clear();
    h.press(cx, cy, kLButton | kControl);
    EXPECT_EQ(h.editor.log, (std::vector<std::string>{"begin 6", "end 6"}));
    // No drag follows such a press.
    h.move(cx, cy - 100);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
}

TEST_F(KnobFixture, OtherButtonsAndMissingListenerAreNotHandled) {
    knob->setValue(0.3f);
    EXPECT_EQ(h.press(cx, cy, kRButton), kMouseEventNotHandled);
    knob->setListener(nullptr);
    EXPECT_EQ(h.press(cx, cy), kMouseEventNotHandled);
    EXPECT_TRUE(h.editor.log.empty());
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
}

TEST_F(KnobFixture, WheelStepsAndClamps) {
    knob->setValue(0.5f);
    EXPECT_TRUE(h.wheel(cx, cy, 1.f));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.51f);
    EXPECT_TRUE(h.wheel(cx, cy, -1.f, kShift));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.509f);
    EXPECT_EQ(h.editor.log.size(), 6u); // begin, value, end twice
    knob->setValue(1.f);
    h.editor.log.clear();
    h.listener.changes.clear();
    EXPECT_TRUE(h.wheel(cx, cy, 1.f));
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    EXPECT_TRUE(h.listener.changes.empty());
    EXPECT_TRUE(h.editor.log.empty());
}

TEST_F(KnobFixture, ArrowKeysStepByTheWheelIncrementOnceTheKnobHasTheFocus) {
    knob->setValue(0.5f);
    EXPECT_EQ(h.key(VKEY_UP), -1); // no focus yet
    h.press(cx, cy);
    h.release(cx, cy);
    h.editor.log.clear();
    EXPECT_EQ(h.key(VKEY_UP), 1);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.6f);
    EXPECT_EQ(h.editor.log, (std::vector<std::string>{"begin 6", "value 6 0.600000", "end 6"}));
    h.key(VKEY_LEFT, 0, MODIFIER_SHIFT);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.59f);
    h.key(VKEY_DOWN);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.49f);
}

TEST_F(KnobFixture, DrawsTheNearestImageAndRedrawsHostValuesOnlyWhenChanged) {
    const std::pair<float, int> cases[] = {
        {0.f, 0}, {1.f, 40}, {0.5f, 20}, {0.012f, 0}, {0.013f, 1}};
    for (auto [value, image] : cases) {
        knob->setValue(value);
        EXPECT_EQ(shown(h, rect, strip, 41, 60), image) << value;
    }
    knob->setValue(0.75f);
    EXPECT_TRUE(knob->isDirty());
    EXPECT_EQ(shown(h, rect, strip, 41, 60), 30);
    EXPECT_FALSE(knob->isDirty());
    knob->setValue(0.75f);
    EXPECT_FALSE(knob->isDirty());
}

TEST_F(KnobFixture, ADragThatStartedOffTheKnobDoesNotTurnIt) {
    // A first drag leaves the knob's drag state set.
    knob->setValue(0.2f);
    h.drag(cx, cy, cx, cy - 10);
    float before = knob->getValue();
    h.editor.log.clear();
    h.listener.changes.clear();
    // Pressed on the background, then dragged across the knob.
    h.press(600, 20);
    h.move(cx, cy);
    h.move(cx, cy - 100);
    h.release(cx, cy - 100);
    EXPECT_FLOAT_EQ(knob->getValue(), before);
    EXPECT_TRUE(h.listener.changes.empty());
    EXPECT_TRUE(h.editor.log.empty());
}

TEST_F(KnobFixture, ASecondButtonDuringADragEndsTheGesture) {
    knob->setValue(0.2f);
    h.press(cx, cy);
    h.move(cx, cy - 10);
    h.press(cx, cy - 10, kRButton);
    h.release(cx, cy - 10);
    EXPECT_FALSE(knob->isEditing());
    EXPECT_EQ(h.editor.log.front(), "begin 6");
    EXPECT_EQ(h.editor.log.back(), "end 6");
    // The next drag is a gesture of its own.
    h.editor.log.clear();
    h.drag(cx, cy, cx, cy - 10);
    EXPECT_EQ(h.editor.log.front(), "begin 6");
    EXPECT_EQ(h.editor.log.back(), "end 6");
}

//------------------------------------------------------------------------------
struct LedFixture : ::testing::Test {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11520); // 3 images of 16 x 16
    CRect rect{812, 46, 828, 62};
    CLED* led = new CLED(rect, &h.listener, 64, strip);
    LedFixture() { h.frame->addView(led); }
    int picture() { return shown(h, rect, strip, 3, 16); }
};

TEST_F(LedFixture, ThreeImagesByValue) {
    const std::pair<float, int> cases[] = {{0.5f, 1},  {0.5000001f, 2}, {0.4999999f, 0},
                                           {1e-9f, 0}, {1.f, 2},        {0.f, 0}};
    for (auto [value, image] : cases) {
        led->setValue(value);
        EXPECT_EQ(picture(), image) << value;
    }
    led->setValue(0.5f);
    EXPECT_TRUE(led->getHold());
    led->setValue(0.6f);
    EXPECT_FALSE(led->getHold());
}

TEST_F(LedFixture, LeftClickClearsTheHoldAndReportsOnce) {
    led->setValue(0.5f);
    EXPECT_EQ(picture(), 1);
    EXPECT_EQ(h.press(820, 50, kRButton), kMouseEventNotHandled);
    EXPECT_EQ(picture(), 1);
    EXPECT_TRUE(h.listener.changes.empty());
    EXPECT_EQ(h.press(820, 50), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_EQ(h.listener.changes[0].tag, 64);
    EXPECT_EQ(picture(), 0);
}

TEST_F(LedFixture, SetValueMakesTheCurrentValueThePreviousOne) {
    led->setValue(0.f);
    h.frame->idle();
    EXPECT_FALSE(led->isDirty());
    // One new value between two idles is redrawn.
    led->setValue(1.f);
    EXPECT_TRUE(led->isDirty());
    EXPECT_EQ(picture(), 2);
    // The same argument twice before an idle: the second call makes the
    // previous value equal to the current one, so nothing is redrawn.
    led->setValue(0.5f);
    led->setValue(0.5f);
    EXPECT_FALSE(led->isDirty());
    // A tiny value differs from the previous one and shows the first image.
    led->setValue(1e-15f);
    EXPECT_TRUE(led->isDirty());
    EXPECT_EQ(picture(), 0);
}

//------------------------------------------------------------------------------
struct OnOffFixture : ::testing::Test {
    HeadlessFrame h;
    CBitmap* strip = h.bitmap(11510); // 2 images of 26 x 16
    CRect rect{784, 48, 810, 64};
    CVeyOnOffButton* button = new CVeyOnOffButton(rect, &h.listener, 0, strip, 0);
    OnOffFixture() { h.frame->addView(button); }
    int picture() { return shown(h, rect, strip, 2, 16); }
};

TEST_F(OnOffFixture, ClickTogglesAsOneGesture) {
    button->setValue(0.4f);
    EXPECT_EQ(picture(), 0);
    EXPECT_EQ(h.press(790, 55), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(button->getValue(), 1.f);
    EXPECT_EQ(h.editor.log, (std::vector<std::string>{"begin 0", "value 0 1.000000", "end 0"}));
    EXPECT_EQ(picture(), 1);
    button->setValue(0.5f);
    EXPECT_EQ(picture(), 1);
    h.press(790, 55);
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);
    EXPECT_EQ(picture(), 0);
}

TEST_F(OnOffFixture, RightClickWheelAndReleaseChangeNothingAndDoubleClickTogglesTwice) {
    EXPECT_EQ(h.press(790, 55, kRButton), kMouseEventNotHandled);
    EXPECT_FALSE(h.wheel(790, 55, 1.f));
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);
    h.press(790, 55);
    h.press(790, 55, kLButton | kDoubleClick);
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);
    EXPECT_EQ(h.listener.changes.size(), 2u);
    EXPECT_EQ(button->getStyle(), 0);
    button->setStyle(3);
    auto* copy = static_cast<CVeyOnOffButton*>(button->newCopy());
    EXPECT_EQ(copy->getStyle(), 3);
    EXPECT_EQ(copy->getTag(), 0);
    EXPECT_EQ(copy->getBackground(), strip);
    copy->forget();
}

//------------------------------------------------------------------------------
struct AboutFixture : ::testing::Test {
    HeadlessFrame h;
    CBitmap* image = h.bitmap(11580);
    CBitmap* strip = h.bitmap(11510);
    // A control that the about image covers.
    CVeyOnOffButton* under = new CVeyOnOffButton(CRect(30, 48, 56, 64), &h.listener, 10, strip);
    CAbout* about = new CAbout(CRect(420, 210, 518, 227), &h.listener, 61, image,
                               CRect(0, 0, image->getWidth(), image->getHeight()), CPoint(0, 0));
    AboutFixture() {
        h.frame->addView(under);
        h.frame->addView(about);
    }
};

TEST_F(AboutFixture, OpensAsModalViewThatSwallowsEveryPressAndClosesOnLeftClick) {
    EXPECT_EQ(h.press(430, 215, kRButton), kMouseEventNotHandled);
    EXPECT_EQ(h.frame->getModalView(), nullptr);
    EXPECT_EQ(h.press(430, 215), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(about->getValue(), 1.f);
    CView* modal = h.frame->getModalView();
    ASSERT_NE(modal, nullptr);
    EXPECT_EQ(modal->getViewSize(), CRect(0, 0, 360, 200));
    ASSERT_EQ(h.listener.changes.size(), 1u);
    EXPECT_EQ(h.listener.changes[0].tag, 61);

    // Presses inside the image and outside it reach no control.
    h.listener.changes.clear();
    EXPECT_EQ(h.press(40, 55, kRButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(h.press(600, 100), kMouseEventNotHandled);
    EXPECT_EQ(h.press(430, 215), kMouseEventNotHandled);
    EXPECT_FALSE(h.wheel(40, 55, 1.f));
    EXPECT_TRUE(h.listener.changes.empty());
    EXPECT_FLOAT_EQ(under->getValue(), 0.f);
    EXPECT_EQ(h.frame->getModalView(), modal);

    // Drawn above the other views.
    h.frame->idle();
    EXPECT_TRUE(showsPicture(h.frame, CRect(0, 0, 360, 25), image, 0, 0));

    EXPECT_EQ(h.press(40, 55), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(h.frame->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(about->getValue(), 0.f);
    EXPECT_FALSE(h.frame->isChild(modal));
    EXPECT_EQ(shown(h, CRect(30, 48, 56, 64), strip, 2, 16), 0);
    // Controls get presses again.
    h.press(40, 55);
    EXPECT_FLOAT_EQ(under->getValue(), 1.f);
}

// The box stays open at the end: closing the frame must free it (ASan
// reports a leak otherwise).
TEST_F(AboutFixture, VersionTextIsDrawnInItsBoxAndClosingTheFrameFreesTheOpenBox) {
    h.press(430, 215);
    h.frame->idle();
    // The box of the text: centre (180, 100) + (42..74, -69..-59).
    cairo_surface_t* s = h.frame->getBackBuffer();
    auto isIvoryish = [](uint32_t p) {
        int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        return r > 120 && g > 120 && b > 110 && std::abs(r - g) < 30;
    };
    int inBox = 0;
    for (int y = 31; y < 41; ++y)
        for (int x = 222; x < 254; ++x)
            inBox += isIvoryish(pixelAt(s, x, y));
    EXPECT_GT(inBox, 10);
    EXPECT_TRUE(showsPicture(h.frame, CRect(0, 45, 360, 90), image, 0, 0, CPoint(0, 45)));
    EXPECT_NE(h.frame->getModalView(), nullptr);
}

} // namespace
