// The editor as a DAW shows it: our host loads the built plug-in and opens the
// editor in a window of a private X server; real pointer input (XTest) plays
// every control, and the window's pixels are compared with the pictures of
// the strips the build produced.
#include "EditorHostWindow.h"
#include "model/ValueText.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>

using namespace dravo_test;
using namespace dravo::layout;
using ::testing::MatchesRegex;

namespace {

bool isParameter(const Control& c) {
    return c.kind == Kind::Knob || c.kind == Kind::OnOff || c.kind == Kind::Switch3;
}

// The picture a control shows for the effect's value p (the LED: its level).
int pictureFor(const Control& c, float p) {
    switch (c.kind) {
    case Kind::Knob:
        return p > 0.f ? (int)(p * (float)(c.images - 1) + 0.5f) : 0;
    case Kind::OnOff:
        return p >= 0.5f ? 1 : 0;
    case Kind::Switch3: // inverted: the top picture stands for 1
        return (int)((1.f - p) * 2.f + 0.5f);
    case Kind::Led:
        return p < 0.5f ? 0 : (p == 0.5f ? 1 : 2);
    default:
        return 0;
    }
}

CRect rectOf(const Control& c) {
    return CRect(c.left, c.top, c.left + c.width, c.top + c.height);
}

const Control& led() {
    return *controlForTag(64);
}

int xErrors = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

struct EditorWindow : EditorHostWindow {
    CBitmap* background = nullptr;

    void SetUp() override {
        EditorHostWindow::SetUp();
        background = new CBitmap(kBackgroundId);
    }
    void TearDown() override {
        if (background) background->forget();
        EditorHostWindow::TearDown();
    }

    // Whether the last capture shows, inside rect, what draw() paints over
    // the background there.
    // On a zoomed window the drawing is made at the zoom; at a zoom between
    // whole numbers the pixels on rect's edge mix with what lies beside it,
    // so only those inside count.
    template <typename Draw> bool showsDrawing(const CRect& rect, Draw draw) {
        cairo_surface_t* expected =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, px(kEditorWidth), px(kEditorHeight));
        {
            // As the frame draws: its background, then a view clipped to its rectangle.
            CDrawContext ctx(expected, zoom);
            background->draw(&ctx, CRect(0, 0, kEditorWidth, kEditorHeight));
            ctx.setClipRect(rect);
            draw(ctx);
        }
        const int edge = zoom == std::floor(zoom) ? 0 : 1;
        bool same = true;
        for (int y = (int)std::floor(rect.top * zoom) + edge;
             y < (int)std::ceil(rect.bottom * zoom) - edge && same; ++y)
            for (int x = (int)std::floor(rect.left * zoom) + edge;
                 x < (int)std::ceil(rect.right * zoom) - edge && same; ++x)
                same = (pixelAt(expected, x, y) & 0xffffff) == (pixelAt(shot, x, y) & 0xffffff);
        cairo_surface_destroy(expected);
        return same;
    }
    // Whether the last capture shows picture `index` of the control's strip.
    bool showsPicture(const Control& c, int index) {
        CBitmap* strip = new CBitmap(c.bitmapId);
        const CRect rect = rectOf(c);
        bool same = showsDrawing(
            rect, [&](CDrawContext& ctx) { strip->draw(&ctx, rect, CPoint(0, index * c.height)); });
        strip->forget();
        return same;
    }
    int ledPicture() {
        capture();
        for (int i = 0; i < 3; ++i)
            if (showsPicture(led(), i)) return i;
        return -1;
    }
    // Every parameter control shows the picture of the effect's value.
    void expectControlsShowTheEffect(const char* when) {
        idle();
        capture();
        for (const Control& c : kControls)
            if (isParameter(c)) {
                const float p = plugin.getParameter(c.tag);
                EXPECT_TRUE(showsPicture(c, pictureFor(c, p)))
                    << when << ": control " << c.tag << " at value " << p;
            }
    }

    // The host's callbacks since the last call: "[" for a begin edit, "v"
    // for an automated value and "]" for an end edit of parameter tag, "?"
    // for any of them on another parameter; last = the last value.
    std::string gestures(int tag, float& last) {
        std::string out;
        for (const HostCallbackRecord& r : plugin.callbacks()) {
            const char* k = r.opcode == audioMasterBeginEdit  ? "["
                            : r.opcode == audioMasterEndEdit  ? "]"
                            : r.opcode == audioMasterAutomate ? "v"
                                                              : nullptr;
            if (!k) continue;
            out += r.index == tag ? k : "?";
            if (r.opcode == audioMasterAutomate) last = r.opt;
        }
        plugin.clearCallbacks();
        return out;
    }

    // A block of audio whose level moves from the previous block's level to
    // `level` over its first half, then stays there (a ramp, so that the
    // oversampler does not ring past the level).
    float lastLevel = 0.f;
    void block(float level) {
        std::vector<std::vector<float>> in(2, std::vector<float>(512)), out;
        for (int i = 0; i < 512; ++i)
            in[0][i] = in[1][i] =
                i < 256 ? lastLevel + (level - lastLevel) * (float)i / 256.f : level;
        lastLevel = level;
        plugin.process(in, out);
    }
};

// The window tests that run at every zoom: the pictures, then the gestures.
struct ZoomedEditorWindow : EditorWindow, ::testing::WithParamInterface<double> {
    ZoomedEditorWindow() { zoom = GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Zoom, ZoomedEditorWindow, ::testing::Values(1.0, 1.25, 1.5, 1.75, 2.0),
                         [](const auto& info) {
                             return std::to_string(std::lround(info.param * 100)) + "percent";
                         });

TEST_P(ZoomedEditorWindow, EveryControlShowsItsValueAfterOpeningAutomationAndAPresetChange) {
    EXPECT_EQ(childCount(), 1);
    const std::pair<int, int> size{px(kEditorWidth), px(kEditorHeight)};
    EXPECT_EQ(windowSize(editorWindow()), size);
    ERect* r = nullptr;
    plugin.dispatch(effEditGetRect, 0, 0, &r);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::make_pair(r->right - r->left, r->bottom - r->top), size);
    capture();
    saveShot(zoom == 1.0 ? "editor.png"
                         : ("editor-" + std::to_string(std::lround(zoom * 100)) + ".png").c_str());
    expectControlsShowTheEffect("opened");
    EXPECT_TRUE(showsPicture(led(), 0));

    // Every parameter automated to a value that shows another picture.
    const std::vector<unsigned char> saved = plugin.getChunk();
    for (const Control& c : kControls) {
        if (!isParameter(c)) continue;
        const float p = plugin.getParameter(c.tag);
        const float q = c.kind == Kind::Knob ? (p < 0.5f ? 0.9f : 0.1f) : (p < 0.75f ? 1.f : 0.f);
        plugin.setParameter(c.tag, q);
    }
    expectControlsShowTheEffect("after automation");
    saveShot("editor-automated.png");

    // Restoring the saved state replays its preset into the controls.
    ASSERT_FALSE(saved.empty());
    plugin.setChunk(saved);
    expectControlsShowTheEffect("after the preset change");
}

// One table over all 25 controls: each gesture reaches the host as begin,
// values and end for the control's parameter, switches inverted.
TEST_P(ZoomedEditorWindow, PointerGesturesReachTheHostForEveryControl) {
    struct Step {
        int dx, dy; // press point from the control's centre
        bool control;
        int dragUp; // pixels
        float expected;
    };
    for (const Control& c : kControls) {
        if (!isParameter(c)) continue;
        const int cx = c.left + c.width / 2, cy = c.top + c.height / 2, third = c.height / 3;
        // Knobs start at 0.2: 25 pixels up are 50 of the range's 500 drag
        // units. Switches: the three thirds, then Control-click to the middle.
        const float start = c.kind == Kind::Knob ? 0.2f : 0.f;
        const std::vector<Step> steps =
            c.kind == Kind::Knob
                ? std::vector<Step>{{0, 0, false, 25, 0.3f}, {10, 10, true, 0, c.defaultValue}}
            : c.kind == Kind::OnOff ? std::vector<Step>{{0, 0, false, 0, 1.f}}
                                    : std::vector<Step>{{0, -third, false, 0, 1.f},
                                                        {0, 0, false, 0, 0.5f},
                                                        {0, third, false, 0, 0.f},
                                                        {0, -third, true, 0, 0.5f}};
        plugin.setParameter(c.tag, start);
        idle();
        plugin.clearCallbacks();
        for (const Step& s : steps) {
            press(cx + s.dx, cy + s.dy, s.control);
            for (int up = 5; up <= s.dragUp; up += 5) {
                moveTo(cx, cy - up);
                idle(1);
            }
            release(s.control);
            // A drag covers whole window pixels: on a zoomed window a
            // little more or less than dragUp logical pixels.
            const float expected =
                s.dragUp ? start + (float)(px(cy) - px(cy - s.dragUp)) / (float)zoom * 0.004f
                         : s.expected;
            float last = -1.f;
            EXPECT_THAT(gestures(c.tag, last), MatchesRegex(s.dragUp ? "\\[v+\\]" : "\\[v\\]"))
                << "control " << c.tag;
            EXPECT_NEAR(last, expected, 1e-5) << "control " << c.tag;
            EXPECT_NEAR(plugin.getParameter(c.tag), expected, 1e-5) << "control " << c.tag;
        }
    }
}

// The preset bar's rocker and menu come with the preset bar. A preset recall
// reaches the host as one touch of parameter 0 (begin and end edit) besides
// the changed values, and the controls show the new preset.
TEST_F(EditorWindow, RockerAndPresetMenuPickSelectAPresetAndTellTheHost) {
    const std::vector<std::vector<std::pair<int, int>>> picks = {
        {{336, 239}},            // the rocker's right half: next
        {{299, 239}, {330, 60}}, // the list, then an entry of its first column
    };
    for (const auto& pick : picks) {
        const std::string before = plugin.programName().text;
        plugin.clearCallbacks();
        for (auto [x, y] : pick)
            click(x, y);
        for (VstInt32 opcode : {audioMasterBeginEdit, audioMasterEndEdit}) {
            const auto edits = plugin.callbacks(opcode);
            ASSERT_EQ(edits.size(), 1u);
            EXPECT_EQ(edits[0].index, 0);
        }
        EXPECT_NE(plugin.programName().text, before);
        expectControlsShowTheEffect("after a preset pick");
    }
}

// The wheel turns every knob up when turned away from the user (X button 4)
// and down when turned towards the user (button 5).
TEST_F(EditorWindow, TheWheelTurnsKnobsUpAwayFromTheUserAndDownTowards) {
    for (const Control& c : kControls) {
        if (c.kind != Kind::Knob) continue;
        for (const auto& [button, sign] : {std::pair{4u, 1.f}, std::pair{5u, -1.f}}) {
            plugin.setParameter(c.tag, 0.5f);
            idle();
            click(c.left + c.width / 2, c.top + c.height / 2, false, button);
            EXPECT_GT((plugin.getParameter(c.tag) - 0.5f) * sign, 0.f)
                << "control " << c.tag << " button " << button;
        }
    }
}

TEST_F(EditorWindow, AudioDrivesTheClipLed) {
    ASSERT_EQ(ledPicture(), 0);

    // Just below full scale never lights it.
    for (int i = 0; i < 4; ++i) {
        block(0.999f);
        idle(1);
        EXPECT_EQ(ledPicture(), 0);
    }

    // Full scale: the third picture at the next idle, the second afterwards.
    block(1.f);
    idle(1);
    EXPECT_EQ(ledPicture(), 2);
    idle();
    EXPECT_EQ(ledPicture(), 1);

    // A left click clears it, and it stays dark.
    clickCentre(led());
    EXPECT_EQ(ledPicture(), 0);
    idle();
    EXPECT_EQ(ledPicture(), 0);

    // Only the last block before an idle counts (the second quiet block
    // carries none of the full-scale block through the latency).
    block(1.f);
    block(0.5f);
    block(0.5f);
    idle(1);
    EXPECT_EQ(ledPicture(), 0);

    // Closing and reopening keeps a held clip.
    block(1.f);
    idle(1);
    EXPECT_EQ(ledPicture(), 2);
    plugin.editClose();
    ASSERT_TRUE(open());
    idle();
    EXPECT_EQ(ledPicture(), 1);
}

// While the about box shows, the LED keeps its picture; once the box closes
// the next idle shows the held level.
TEST_F(EditorWindow, TheAboutBoxFreezesTheClipLed) {
    clickCentre(*controlForTag(61)); // the about box
    block(1.f);
    idle(1);
    // A click on the image closes the box within the next idle, after that
    // idle's LED update: the window redraws whole with the LED as it was
    // before the box opened.
    moveTo(5, 5);
    xtest.button(d, 1, True, 0);
    xtest.button(d, 1, False, 0);
    idle(1);
    EXPECT_EQ(ledPicture(), 0);
    idle(1);
    EXPECT_EQ(ledPicture(), 1);
}

// A new sample rate (suspend, resume) shows the LED dark: seen while the
// about box holds the LED, whose picture the closing box redraws.
TEST_F(EditorWindow, ANewSampleRateShowsTheClipLedDarkUntilTheNextIdle) {
    block(1.f);
    idle(1);
    idle();
    ASSERT_EQ(ledPicture(), 1);
    clickCentre(*controlForTag(kAboutTag));
    plugin.suspend();
    plugin.setSampleRate(48000.f);
    plugin.resume();
    moveTo(5, 5);
    xtest.button(d, 1, True, 0);
    xtest.button(d, 1, False, 0);
    idle(1);
    EXPECT_EQ(ledPicture(), 0);
}

TEST_F(EditorWindow, LatencyReadOutsFollowTheRateAndTheMasterSwitch) {
    const Control& msRow = kControls[1];
    const Control& smpRow = kControls[2];
    ASSERT_EQ(msRow.kind, Kind::LatencyMs);
    ASSERT_EQ(smpRow.kind, Kind::LatencySamples);
    // The two read-outs as the editor draws them (the samples on top).
    auto shows = [&](float ms, float samples) {
        char msText[16], smpText[16];
        dravo::formatMilliseconds(ms, msText);
        dravo::formatSamples(samples, smpText);
        capture();
        const CRect both(msRow.left, msRow.top, smpRow.left + smpRow.width,
                         smpRow.top + smpRow.height);
        return showsDrawing(both, [&](CDrawContext& ctx) {
            for (auto [row, text] : {std::pair{&msRow, msText}, std::pair{&smpRow, smpText}}) {
                const CRect r = rectOf(*row);
                ctx.setClipRect(r);
                background->draw(&ctx, r, CPoint(r.left, r.top));
                ctx.setFont(kNormalFontVerySmall);
                ctx.setFontColor(CColor(200, 200, 200, 255));
                ctx.drawString(text, r, kLeftText, true);
                ctx.resetClipRect();
            }
        });
    };
    EXPECT_TRUE(shows(46.f * 1000.f / 44100.f, 46.f));
    saveShot("editor-latency.png");

    // A resume at 96000: window 96000 / 1500 = 64, made odd 65; 65 div 2 + 32.
    plugin.suspend();
    plugin.setSampleRate(96000.f);
    plugin.resume();
    idle();
    EXPECT_TRUE(shows(64.f * 1000.f / 96000.f, 64.f));

    // A new rate without a resume shows only once the read-outs refresh:
    // the host toggling "EQ all" does that.
    plugin.setSampleRate(48000.f);
    idle();
    EXPECT_TRUE(shows(64.f * 1000.f / 96000.f, 64.f));
    plugin.setParameter(dravo::index(dravo::Param::Master),
                        plugin.getParameter(dravo::index(dravo::Param::Master)) < 0.5f ? 1.f : 0.f);
    idle();
    EXPECT_TRUE(shows(64.f * 1000.f / 48000.f, 64.f));
}

TEST_F(EditorWindow, HundredOpenIdleCloseCyclesLeaveNoWindowFileOrXError) {
    XErrorHandler before = XSetErrorHandler(countXError);
    xErrors = 0;
    plugin.editClose(); // the first opening, in SetUp, loads what stays loaded
    const int filesBefore = openFileCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(open());
        ASSERT_EQ(childCount(), 1);
        plugin.editIdle();
        plugin.editClose();
        XSync(d, False);
        ASSERT_EQ(childCount(), 0);
    }
    EXPECT_EQ(openFileCount(), filesBefore);
    EXPECT_EQ(xErrors, 0);
    XSetErrorHandler(before);
}

// A host with three threads: the UI thread opens, idles and closes the
// editor, automation arrives from a second and audio runs on a third.
TEST_F(EditorWindow, UiAutomationAndAudioThreadsMeetCleanly) {
    plugin.editClose();
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; !stop.load(); ++i)
            plugin.setParameter(i % 38, (float)(i % 7) / 6.f);
    });
    std::thread audio([&] {
        std::vector<std::vector<float>> in(2, std::vector<float>(256, 1.f)), out;
        while (!stop.load())
            plugin.process(in, out);
    });
    for (int cycle = 0; cycle < 10; ++cycle) {
        EXPECT_TRUE(open());
        for (int i = 0; i < 10; ++i)
            plugin.editIdle();
        plugin.editClose();
    }
    stop.store(true);
    automation.join();
    audio.join();
}

} // namespace

namespace {

// The height of an entry of the editor's menus (their font is kNormalFontSmall).
int menuEntryCentre(int top, int entry) {
    const int h = (int)std::ceil(kNormalFontSmall->getSize() * 1.4) + 2;
    return top + 1 + entry * h + h / 2;
}

struct EditorWindowAt200 : EditorWindow {
    EditorWindowAt200() { zoom = 2.0; }
};

// The band of section titles above the controls shows the background drawn
// at 2x pixel for pixel, which is not the 1x picture enlarged.
TEST_F(EditorWindowAt200, ShowsTheArtDrawnAtTwiceTheDensity) {
    capture();
    double scale = 0;
    cairo_surface_t* art = background->getBestPlatformBitmapForScaleFactor(2.0, &scale);
    ASSERT_EQ(scale, 2.0);
    cairo_surface_t* art1x = background->getSurface();
    int differ = 0, unlike1x = 0;
    for (int y = 0; y < px(40); ++y)
        for (int x = 0; x < px(kEditorWidth); ++x) {
            const uint32_t window = pixelAt(shot, x, y) & 0xffffff;
            differ += window != (pixelAt(art, x, y) & 0xffffff);
            unlike1x += window != (pixelAt(art1x, x / 2, y / 2) & 0xffffff);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(unlike1x, 1000);
}

// The X server's resources say 192 dpi: the first window opens at 200 %.
struct DesktopZoomWindow : EditorWindow {
    DesktopZoomWindow() {
        zoom = 2.0;
        zoomFromPreferences = false;
        if (!xvfb.display) return;
        const char resources[] = "Xft.dpi:\t192\n";
        XChangeProperty(xvfb.display, DefaultRootWindow(xvfb.display), XA_RESOURCE_MANAGER,
                        XA_STRING, 8, PropModeReplace, (const unsigned char*)resources,
                        sizeof resources - 1);
        XSync(xvfb.display, False);
    }
    // A zoom chosen from the background's menu (entry 0..4, 6 "Default size").
    void chooseZoom(int entry) {
        click(470, 5, false, 3);
        click(490, menuEntryCentre(5, entry));
    }
    std::pair<int, int> expectedSize(double z) const {
        return {(int)std::lround(kEditorWidth * z), (int)std::lround(kEditorHeight * z)};
    }
    std::pair<int, int> rectSize() {
        ERect* r = nullptr;
        plugin.dispatch(effEditGetRect, 0, 0, &r);
        return r ? std::make_pair(r->right - r->left, r->bottom - r->top) : std::make_pair(0, 0);
    }
};

TEST_F(DesktopZoomWindow, OpensAtTheDesktopZoomAndKeepsTheUsersChoice) {
    EXPECT_EQ(windowSize(editorWindow()), expectedSize(2.0));
    EXPECT_EQ(rectSize(), expectedSize(2.0));

    // 150 %: the host is asked, grants it, and the choice is kept.
    chooseZoom(2);
    zoom = 1.5;
    idle();
    EXPECT_EQ(windowSize(editorWindow()), expectedSize(1.5));
    EXPECT_EQ(rectSize(), expectedSize(1.5));
    EXPECT_EQ(presettest::readFile(prefs + "zoom"), "150");

    // A host that refuses 125 %: the window, its size and the choice stay,
    // and the controls still answer.
    grantResize = false;
    plugin.clearCallbacks();
    chooseZoom(1);
    EXPECT_EQ(plugin.callbackCount(audioMasterSizeWindow), 1u);
    idle();
    EXPECT_EQ(windowSize(editorWindow()), expectedSize(1.5));
    EXPECT_EQ(rectSize(), expectedSize(1.5));
    EXPECT_EQ(presettest::readFile(prefs + "zoom"), "150");
    plugin.clearCallbacks();
    clickCentre(*controlForTag(7));
    float last = -1.f;
    EXPECT_EQ(gestures(7, last), "[v]");

    // The next instance opens at the choice; "Default size" forgets it.
    grantResize = true;
    plugin.unload();
    loadPlugin();
    ASSERT_TRUE(open());
    idle();
    EXPECT_EQ(windowSize(editorWindow()), expectedSize(1.5));
    chooseZoom(6);
    zoom = 2.0;
    idle();
    EXPECT_EQ(windowSize(editorWindow()), expectedSize(2.0));
    EXPECT_FALSE(std::filesystem::exists(prefs + "zoom"));
}

// Typed values: the right button's menu, "Type value…", the text, Return.
TEST_F(EditorWindow, TypedValuesSetTheValueWhoseTextMatchesAsOneGesture) {
    const struct {
        int tag;
        const char* typed;
        const char* shown; // null: refused, nothing changes
    } cases[] = {
        {17, "2.7k", "2.84kHz"},   // Mid 1 frequency: the nearest step
        {9, "99Hz", "99Hz"},       // low cut, its own text
        {15, "-3dB", "-3.00dB"},   // low shelf gain
        {6, "+4", "4dB"},          // output level, a leading +
        {18, "2", "2.0"},          // Q, a number for a switch
        {12, "off", "0"},          // low shelf mode, a position name
        {12, "II", "II"},          // and the text it shows
        {3, "Reverse", "Reverse"}, // phase
        {9, "50k", nullptr},       // beyond the low cut's range
        {15, "4Hz", nullptr},      // another unit
        {3, "sideways", nullptr},  // no such position
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const Control& row = *controlForTag(c.tag);
        const int x = row.left + row.width / 2, y = row.top + row.height / 2;
        const float before = plugin.getParameter(c.tag);
        plugin.clearCallbacks();
        click(x, y, false, 3);
        click(x + 20, menuEntryCentre(y, 1));
        for (int i = 0; i < 10; ++i)
            key(XK_BackSpace);
        type(c.typed);
        key(XK_Return);
        float last = -1.f;
        if (c.shown) {
            EXPECT_EQ(gestures(c.tag, last), "[v]");
            const std::string shown = plugin.paramDisplay(c.tag).text;
            EXPECT_EQ(shown.substr(0, shown.find_last_not_of(' ') + 1), c.shown);
        } else {
            // The field flashes and stays; Escape closes it.
            capture();
            int flash = 0;
            for (int py = row.top; py < row.top + row.height; ++py)
                for (int col = row.left - 10; col < row.left + row.width + 10; ++col)
                    flash += (pixelAt(shot, col, py) & 0xffffff) == 0xeb786e;
            EXPECT_GT(flash, 0);
            key(XK_Escape);
            EXPECT_EQ(gestures(c.tag, last), "");
            EXPECT_EQ(plugin.getParameter(c.tag), before);
        }
    }
    // "Default": the low cut button back off, a knob to its Control-click default.
    for (auto [tag, expected] : {std::pair{8, 0.f}, {13, 0.5f}}) {
        const Control& row = *controlForTag(tag);
        plugin.setParameter(tag, 1.f);
        idle();
        plugin.clearCallbacks();
        const int x = row.left + row.width / 2, y = row.top + row.height / 2;
        click(x, y, false, 3);
        click(x + 20, menuEntryCentre(y, 2));
        float last = -1.f;
        EXPECT_EQ(gestures(tag, last), "[v]");
        EXPECT_EQ(plugin.getParameter(tag), expected) << tag;
    }
}

} // namespace
