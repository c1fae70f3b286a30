// The curve panel as a DAW shows it: the CURVE switch grows and shrinks the
// window through the host's size callback, the choice outlives the editor and
// the plug-in, the curve follows host automation, and a drag on a section's
// handle reaches the host as one gesture per parameter in exact steps.
#include "EditorHostWindow.h"
#include "gui/CurvePanel.h"
#include "model/CurveSettings.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

using namespace dravo_test;
using namespace dravo::layout;
using dravo::CurvePanel;
using dravo::Param;

namespace {

constexpr int kOpenHeight = kEditorHeight + kPanelHeight;

struct CurvePanelWindow : EditorHostWindow {
    std::pair<int, int> windowPixels(int logicalHeight) const {
        return {px(kEditorWidth), px(logicalHeight)};
    }
    std::pair<int, int> rectSize() {
        ERect* r = nullptr;
        plugin.dispatch(effEditGetRect, 0, 0, &r);
        return r ? std::make_pair(r->right - r->left, r->bottom - r->top) : std::make_pair(0, 0);
    }
    std::string kept(const char* key) {
        return std::filesystem::exists(prefs + key) ? presettest::readFile(prefs + key) : "";
    }
    void clickCurveSwitch() { clickCentre(*controlForTag(kCurveTag)); }
    void openPanel() {
        clickCurveSwitch();
        idle();
        ASSERT_EQ(windowSize(editorWindow()), windowPixels(kOpenHeight));
    }
    // The panel's pixels in the last capture.
    std::vector<uint32_t> panelPixels() {
        std::vector<uint32_t> out;
        for (int y = px(kEditorHeight); y < px(kOpenHeight); ++y)
            for (int x = 0; x < px(kEditorWidth); ++x)
                out.push_back(pixelAt(shot, x, y) & 0xffffff);
        return out;
    }
    // Where the panel draws a section's handle (logical window pixels), from
    // the plug-in's values as the host reads them.
    CPoint handleOf(dravo::EqSection s, Param freq) {
        float values[dravo::kNumParams];
        for (int i = 0; i < dravo::kNumParams; ++i)
            values[i] = plugin.getParameter(i);
        const dravo::EqResponse response(dravo::curveSettings(values, 44100.0));
        const double top = std::min(CurvePanel::kMaxHz, response.nyquist());
        const double hz = dravo::realValueOf(freq, values[dravo::index(freq)]);
        const double x = CurvePanel::kPlotLeft + (CurvePanel::kPlotRight - CurvePanel::kPlotLeft) *
                                                     std::log(hz / CurvePanel::kMinHz) /
                                                     std::log(top / CurvePanel::kMinHz);
        const double db = response.sectionDb(s, hz);
        const double y = kEditorHeight + CurvePanel::kPlotTop +
                         (CurvePanel::kPlotBottom - CurvePanel::kPlotTop) *
                             (CurvePanel::kDbRange - db) / (2 * CurvePanel::kDbRange);
        return CPoint(x, y);
    }
};

struct ZoomedCurvePanelWindow : CurvePanelWindow, ::testing::WithParamInterface<double> {
    ZoomedCurvePanelWindow() { zoom = GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Zoom, ZoomedCurvePanelWindow, ::testing::Values(1.0, 1.5),
                         [](const auto& info) {
                             return std::to_string(std::lround(info.param * 100)) + "percent";
                         });

// Each click asks the host for the other size; a refused size changes
// nothing, and the next click asks again for the same one.
TEST_P(ZoomedCurvePanelWindow, TheCurveSwitchAsksTheHostForEachSizeAndTheChoiceIsKept) {
    EXPECT_EQ(windowSize(editorWindow()), windowPixels(kEditorHeight));
    const struct {
        bool grant;
        int height; // logical, after the click
        const char* kept;
    } steps[] = {
        {true, kOpenHeight, "1"},
        {true, kEditorHeight, "0"},
        {false, kEditorHeight, "0"},
        {true, kOpenHeight, "1"},
    };
    int asked = kEditorHeight;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.height);
        grantResize = s.grant;
        asked = asked == kEditorHeight ? kOpenHeight : kEditorHeight;
        plugin.clearCallbacks();
        clickCurveSwitch();
        idle();
        const auto requests = plugin.callbacks(audioMasterSizeWindow);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(std::make_pair((int)requests[0].index, (int)requests[0].value),
                  windowPixels(asked));
        if (!s.grant) asked = s.height;
        EXPECT_EQ(windowSize(editorWindow()), windowPixels(s.height));
        EXPECT_EQ(rectSize(), windowPixels(s.height));
        EXPECT_EQ(kept("curve_panel"), s.kept);
    }
    capture(kOpenHeight);
    saveShot(zoom == 1.0
                 ? "editor-curve.png"
                 : ("editor-curve-" + std::to_string(std::lround(zoom * 100)) + ".png").c_str());

    // The editor reopens, and a new instance opens, as the user left it.
    plugin.editClose();
    ASSERT_TRUE(open());
    idle();
    EXPECT_EQ(windowSize(editorWindow()), windowPixels(kOpenHeight));
    plugin.unload();
    loadPlugin();
    EXPECT_EQ(rectSize(), windowPixels(kOpenHeight));
    ASSERT_TRUE(open());
    idle();
    EXPECT_EQ(windowSize(editorWindow()), windowPixels(kOpenHeight));
}

TEST_F(CurvePanelWindow, TheCurveFollowsHostAutomation) {
    openPanel();
    capture(kOpenHeight);
    std::vector<uint32_t> before = panelPixels();
    const std::pair<Param, float> changes[] = {
        {Param::Mid1Gain, 0.8f},      {Param::Mid1Mode, 0.f},       {Param::LowCutOn, 1.f},
        {Param::HighShelfGain, 0.9f}, {Param::Output, 0.8f},        {Param::Mid2Freq, 0.1f},
        {Param::LowShelfGain, 0.8f},  {Param::LowShelfShape, 1.0f}, {Param::HighCutOn, 1.f},
        {Param::Master, 0.f},
    };
    for (auto [p, value] : changes) {
        SCOPED_TRACE(dravo::index(p));
        plugin.setParameter(dravo::index(p), value);
        idle();
        capture(kOpenHeight);
        const std::vector<uint32_t> after = panelPixels();
        EXPECT_TRUE(after != before);
        before = after;
    }
}

// A drag from a mid's handle: right and up moves its frequency up, and its
// shown level up: a boost grows, a cut shrinks.
TEST_F(CurvePanelWindow, DraggingAMidsHandleEditsFrequencyAndGainInExactSteps) {
    const int freq = dravo::index(Param::Mid1Freq), gain = dravo::index(Param::Mid1Gain);
    const struct {
        float mode;
        int gainSign; // of the gain value's change for a drag upward
    } cases[] = {{1.f, +1}, {0.f, -1}};
    openPanel();
    plugin.setParameter(dravo::index(Param::Mid2Mode), 0.5f); // off: no handle nearby
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        plugin.setParameter(dravo::index(Param::Mid1Mode), c.mode);
        plugin.setParameter(freq, 0.5f);
        plugin.setParameter(gain, 0.5f);
        idle();
        const CPoint h = handleOf(dravo::EqSection::Mid1, Param::Mid1Freq);
        const int x = (int)std::lround(h.x), y = (int)std::lround(h.y);
        plugin.clearCallbacks();
        press(x + 2, y + 2); // near it: within reach
        for (int step = 1; step <= 8; ++step) {
            moveTo(x + 2 + step * 6, y + 2 - step * 3);
            idle(1);
        }
        release();

        // begin freq, begin gain, values of either, end freq, end gain.
        std::vector<HostCallbackRecord> edits;
        for (const HostCallbackRecord& r : plugin.callbacks())
            if (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit ||
                r.opcode == audioMasterAutomate)
                edits.push_back(r);
        ASSERT_GE(edits.size(), 6u);
        const size_t n = edits.size();
        EXPECT_EQ(edits[0].opcode, audioMasterBeginEdit);
        EXPECT_EQ(edits[0].index, freq);
        EXPECT_EQ(edits[1].opcode, audioMasterBeginEdit);
        EXPECT_EQ(edits[1].index, gain);
        EXPECT_EQ(edits[n - 2].opcode, audioMasterEndEdit);
        EXPECT_EQ(edits[n - 2].index, freq);
        EXPECT_EQ(edits[n - 1].opcode, audioMasterEndEdit);
        EXPECT_EQ(edits[n - 1].index, gain);
        float last[2] = {0.5f, 0.5f};
        int values[2] = {0, 0};
        for (size_t i = 2; i + 2 < n; ++i) {
            ASSERT_EQ(edits[i].opcode, audioMasterAutomate);
            ASSERT_TRUE(edits[i].index == freq || edits[i].index == gain);
            const int k = edits[i].index == gain;
            EXPECT_NE(edits[i].opt, last[k]) << "a value sent that did not change";
            last[k] = edits[i].opt;
            ++values[k];
        }
        EXPECT_GT(values[0], 0);
        EXPECT_GT(values[1], 0);
        EXPECT_GT(last[0], 0.5f);
        EXPECT_GT((last[1] - 0.5f) * (float)c.gainSign, 0.f);
        EXPECT_EQ(plugin.getParameter(freq), last[0]);
        EXPECT_EQ(plugin.getParameter(gain), last[1]);
        // Exact steps: the frequency one of the table's, the gain one that
        // maps back onto itself.
        const double hz = dravo::realValueOf(Param::Mid1Freq, last[0]);
        EXPECT_NE(
            std::find(std::begin(dravo::steps::kMid1Steps), std::end(dravo::steps::kMid1Steps), hz),
            std::end(dravo::steps::kMid1Steps))
            << hz;
        EXPECT_EQ((float)dravo::normalisedForReal(Param::Mid1Gain,
                                                  dravo::realValueOf(Param::Mid1Gain, last[1])),
                  last[1]);
    }
}

// The analyser switched on while audio runs; kept for the README.
TEST_F(CurvePanelWindow, TheAnalyserToggleIsKeptAndShowsTheOutputWhileAudioRuns) {
    openPanel();
    plugin.setParameter(dravo::index(Param::Mid1Gain), 0.4f);
    plugin.setParameter(dravo::index(Param::LowCutOn), 1.f);
    idle();
    const int x = (int)(CurvePanel::kPlotRight - 40), y = kEditorHeight + 12;
    click(x, y);
    EXPECT_EQ(kept("curve_analyser"), "1");
    std::vector<std::vector<float>> in(2, std::vector<float>(512)), out;
    unsigned seed = 1;
    for (int block = 0; block < 40; ++block) {
        for (int i = 0; i < 512; ++i) {
            seed = seed * 1664525u + 1013904223u;
            in[0][i] = in[1][i] = 0.25f * ((float)(seed >> 8) / (float)(1u << 24) - 0.5f);
        }
        plugin.process(in, out);
        idle(1);
    }
    capture(kOpenHeight);
    saveShot("editor-curve-analyser.png");
    click(x, y);
    EXPECT_EQ(kept("curve_analyser"), "0");
}

} // namespace
