// The editor in our CLAP host: embedded in a window of a private X server,
// idled from the host's timer, real pointer input (XTest) giving gestures to
// the host as begin / value / end events (through flush when the host is not
// processing, through process when it is), the preset bar's presets, and the
// zoom from the host's scale unless the user chose one.
#include "clap/ClapRig.h"

#include "gui/EditorLayout.h"
#include "model/FactoryPresets.h"
#include "presets/PresetBarTestSupport.h"

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/LeakCheckSetup.h"
#include "toolkit/XvfbServer.h"

#include <X11/Xlib.h>

using namespace dravo;
using claprig::Instance;
using claprig::OutEvent;

namespace {

constexpr int kTop = 140;

struct ClapEditor : ::testing::Test {
    // A private HOME: no kept zoom, no stored default bank.
    presettest::Desktop desk;
    dravo_test::Xvfb xvfb;
    dravo_test::XTest xtest;
    ::Display* d = nullptr;
    Window window = 0;
    std::unique_ptr<Instance> clap;

    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        d = xvfb.display;
        ASSERT_TRUE(xtest.load());
        clap = std::make_unique<Instance>("com.veyaudioworks.dravo.stereo");
        clap->host.onResize = [this](uint32_t w, uint32_t h) {
            XResizeWindow(d, window, w, h);
            XSync(d, False);
        };
        window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, layout::kEditorWidth,
                                     layout::kEditorHeight, 0, 0, 0);
        XSelectInput(d, window, StructureNotifyMask);
        XMapWindow(d, window);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
        ASSERT_TRUE(clap->activate(44100));
        open();
    }
    void TearDown() override {
        if (clap && clap->gui) clap->gui->destroy(clap->plugin);
        clap.reset();
        if (window) XDestroyWindow(d, window);
    }

    // As a host shows an embedded editor.
    void open(double scale = 1.0) {
        const clap_plugin_gui_t* gui = clap->gui;
        ASSERT_TRUE(gui->is_api_supported(clap->plugin, CLAP_WINDOW_API_X11, false));
        ASSERT_TRUE(gui->create(clap->plugin, CLAP_WINDOW_API_X11, false));
        gui->set_scale(clap->plugin, scale);
        EXPECT_FALSE(gui->can_resize(clap->plugin));
        clap_window_t w{CLAP_WINDOW_API_X11, {}};
        w.x11 = window;
        ASSERT_TRUE(gui->set_parent(clap->plugin, &w));
        ASSERT_TRUE(gui->show(clap->plugin));
        idle();
    }
    void idle(int times = 3) {
        for (int i = 0; i < times; ++i) {
            XSync(d, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            clap->fireTimers();
        }
    }
    std::pair<uint32_t, uint32_t> size() {
        uint32_t w = 0, h = 0;
        EXPECT_TRUE(clap->gui->get_size(clap->plugin, &w, &h));
        return {w, h};
    }
    void click(int x, int y) {
        xtest.motion(d, -1, x, kTop + y, 0);
        xtest.button(d, 1, True, 0);
        idle(2);
        xtest.button(d, 1, False, 0);
        idle(2);
    }
    void clickControl(Param p) {
        const layout::Control& c = *layout::controlFor(p);
        click(c.left + c.width / 2, c.top + c.height / 2);
    }
};

std::vector<OutEvent> gesture(Param p, double value) {
    const clap_id id = (clap_id)index(p);
    return {{CLAP_EVENT_PARAM_GESTURE_BEGIN, id, 0.0},
            {CLAP_EVENT_PARAM_VALUE, id, value},
            {CLAP_EVENT_PARAM_GESTURE_END, id, 0.0}};
}

TEST_F(ClapEditor, OnlyEmbeddedX11AndIdledFromOneTimer) {
    EXPECT_FALSE(clap->gui->is_api_supported(clap->plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(clap->gui->is_api_supported(clap->plugin, CLAP_WINDOW_API_WAYLAND, false));
    ASSERT_EQ(clap->host.timers.size(), 1u);
    EXPECT_LE(clap->host.timers.begin()->second, 33u);
    EXPECT_EQ(size(), std::make_pair(940u, 248u));
    clap->gui->destroy(clap->plugin);
    EXPECT_TRUE(clap->host.timers.empty()) << "destroy unregisters the timer";

    // The host's extensions are taken at init: a host without timers gets no editor.
    claprig::Host bare;
    bare.offerTimers = false;
    const clap_plugin_factory_t* f = claprig::factory(DRAVO_CLAP_PATH);
    const clap_plugin_t* p = f->create_plugin(f, &bare.host, "com.veyaudioworks.dravo.mono");
    ASSERT_TRUE(p->init(p));
    const auto* gui = static_cast<const clap_plugin_gui_t*>(p->get_extension(p, CLAP_EXT_GUI));
    EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, false));
    p->destroy(p);
}

// A click on a switch is one gesture: applied at once, and queued for the
// host, which is asked to flush while it is not processing.
TEST_F(ClapEditor, AClickGivesTheHostOneGestureThroughFlushOrProcess) {
    clickControl(Param::Phase);
    EXPECT_EQ(clap->value(index(Param::Phase)), 1.0);
    EXPECT_GE(clap->host.flushRequests, 1);
    EXPECT_EQ(clap->flush(), gesture(Param::Phase, 1.0));
    EXPECT_TRUE(clap->flush().empty());

    ASSERT_TRUE(clap->startProcessing());
    const int requests = clap->host.flushRequests;
    clickControl(Param::Saturation);
    EXPECT_EQ(clap->host.flushRequests, requests) << "a processing host needs no asking";
    std::vector<float> l(64), r(64);
    std::vector<OutEvent> pushed;
    clap->process<float>({l.data(), r.data()}, {l.data(), r.data()}, 64, {}, &pushed);
    EXPECT_EQ(pushed, gesture(Param::Saturation, 1.0));
    clap->stopProcessing();
}

// The rocker's right half selects the next preset: its values are the
// plug-in's, the host reads them again and keeps the state.
TEST_F(ClapEditor, ThePresetBarSelectsAFactoryPreset) {
    const int rescans = clap->host.rescans, dirty = clap->host.dirtyMarks;
    click(336, 239);
    EXPECT_GT(clap->host.rescans, rescans);
    EXPECT_GT(clap->host.dirtyMarks, dirty);
    for (Param p : {Param::Mid1Gain, Param::LowShelfFreq, Param::Output})
        EXPECT_EQ(clap->value(index(p)), realValueOf(p, (float)kFactoryPresetValues[1][index(p)]))
            << index(p);
}

// The host's scale sets the zoom, and the host is asked for the new size;
// a zoom the user chose in the editor wins over it.
TEST_F(ClapEditor, TheHostsScaleZoomsUnlessTheUserChoseAZoomAndTheCurvePanelAsksToo) {
    struct Step {
        double scale;
        std::pair<uint32_t, uint32_t> size;
    };
    for (const Step& s : {Step{2.0, {1880, 496}}, Step{1.4, {1410, 372}}, Step{1.0, {940, 248}}}) {
        EXPECT_TRUE(clap->gui->set_scale(clap->plugin, s.scale));
        idle();
        EXPECT_EQ(size(), s.size) << s.scale;
        EXPECT_EQ(clap->host.resizeRequests.back(), s.size) << s.scale;
    }
    const std::string prefs = desk.config + "/com.veyaudioworks.dravo/";
    std::filesystem::create_directories(prefs);
    presettest::writeFile(prefs + "zoom", "125");
    EXPECT_FALSE(clap->gui->set_scale(clap->plugin, 2.0));
    EXPECT_EQ(size(), std::make_pair(940u, 248u));
    // The curve switch asks for the panel below the strip.
    const layout::Control& curve = *layout::controlForTag(layout::kCurveTag);
    click(curve.left + curve.width / 2, curve.top + curve.height / 2);
    EXPECT_EQ(clap->host.resizeRequests.back(), std::make_pair(940u, 448u));
    EXPECT_EQ(size(), std::make_pair(940u, 448u));
}

} // namespace
