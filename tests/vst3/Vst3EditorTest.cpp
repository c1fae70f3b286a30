// The editor as a VST 3 host shows it: a view embedded in the host's X11
// window of a private X server, idled from the host's run loop, clicked with
// real pointer input (XTest).
#include "vst3/Vst3Rig.h"

#include "gui/EditorLayout.h"
#include "model/Parameters.h"
#include "presets/PresetBarLayout.h"
#include "presets/PresetBarTestSupport.h"
#include "vst3/Vst3Plugin.h"

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"

#include <chrono>
#include <memory>
#include <thread>

using namespace dravo;
using namespace dravo_test;

namespace {

struct Editor : ::testing::Test {
    static constexpr int kTop = 100;
    presettest::Desktop desk;
    Xvfb xvfb;
    ::Display* d = nullptr;
    Window host = 0;
    XTest xtest;
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Instance> vst3;
    PlugFrame frame;

    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        d = xvfb.display;
        ASSERT_TRUE(xtest.load()) << "libXtst.so.6 is needed for the pointer tests";
        unsetenv("GDK_SCALE");
        module = std::make_unique<Vst3Module>(bundlePath());
        ASSERT_EQ(module->error(), "");
        vst3 = std::make_unique<Vst3Instance>(*module);
        ASSERT_TRUE(vst3->controller);
        host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, 1900, 600, 0, 0, 0);
        XSelectInput(d, host, StructureNotifyMask);
        XMapWindow(d, host);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
    }
    void TearDown() override {
        vst3.reset();
        module.reset();
        if (host) XDestroyWindow(d, host);
    }

    IPlugView* open() {
        IPlugView* view = vst3->controller->createView("editor");
        if (!view) return nullptr;
        view->setFrame(&frame);
        if (view->attached((void*)(uintptr_t)host, kPlatformTypeX11EmbedWindowID) != kResultOk) {
            view->release();
            return nullptr;
        }
        idle();
        return view;
    }
    void close(IPlugView* view) {
        view->removed();
        view->release();
    }
    // The host's run loop turns while the X server delivers events.
    void idle(int times = 3) {
        for (int i = 0; i < times; ++i) {
            XSync(d, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            frame.run();
        }
    }
    void click(const layout::Control& c) { click(c.left + c.width / 2, c.top + c.height / 2); }
    void click(int x, int y) {
        xtest.motion(d, -1, x, kTop + y, 0);
        xtest.button(d, 1, True, 0);
        idle(2);
        xtest.button(d, 1, False, 0);
        idle(2);
    }
    int childCount() {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(d, host, &root, &parent, &children, &n);
        if (children) XFree(children);
        return (int)n;
    }
};

TEST_F(Editor, ClicksAreGesturesAndHostChangesReachTheEditor) {
    IPlugView* view = open();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(frame.timers.size(), 1u);
    ASSERT_EQ(frame.handlers.size(), 1u);
    EXPECT_GE(frame.handlers[0].second, 0);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), layout::kEditorWidth);
    EXPECT_EQ(size.getHeight(), layout::kEditorHeight);
    EXPECT_EQ(childCount(), 1);

    const ParamID master = (ParamID)index(Param::Master);
    const layout::Control& button = *layout::controlFor(Param::Master);
    vst3->handler.taken();
    click(button);
    auto calls = vst3->handler.taken();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, 'b');
    EXPECT_EQ(calls[1].kind, 'p');
    EXPECT_EQ(calls[1].value, 0.0);
    EXPECT_EQ(calls[2].kind, 'e');
    for (const HandlerCall& c : calls)
        EXPECT_EQ(c.id, master);
    EXPECT_EQ(vst3->controller->getParamNormalized(master), 0.0);

    // The host switches it on from another thread; the editor shows it in
    // its idle, so the next click switches it off again.
    std::thread([&] { vst3->controller->setParamNormalized(master, 1.0); }).join();
    idle();
    click(button);
    calls = vst3->handler.taken();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].value, 0.0);
    close(view);
    EXPECT_TRUE(frame.timers.empty());
    EXPECT_TRUE(frame.handlers.empty());
}

// A preset chosen on the preset bar reaches the host as every value it
// changed, each as a gesture, and as the preset selector's new value.
TEST_F(Editor, PresetChosenInTheEditorTellsTheHost) {
    IPlugView* view = open();
    ASSERT_NE(view, nullptr);
    std::vector<double> before;
    const std::vector<ParamID> ids = vst3->parameterIds();
    for (ParamID id : ids)
        before.push_back(vst3->controller->getParamNormalized(id));
    vst3->handler.taken();
    // The rocker's right half: the next preset.
    const presetbar::Item& rocker = presetbar::kItems[8];
    ASSERT_EQ(rocker.tag, presetbar::kTagRocker);
    click(rocker.right - 4, presetbar::kNameCentreRow);
    const auto calls = vst3->handler.taken();
    EXPECT_EQ(vst3->controller->getParamNormalized(vst3face::kPresetParamId), 1 / 21.0);
    int changed = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        const double now = vst3->controller->getParamNormalized(ids[i]);
        if (now == before[i]) continue;
        ++changed;
        SCOPED_TRACE(ids[i]);
        auto at = std::find_if(calls.begin(), calls.end(), [&](const HandlerCall& c) {
            return c.kind == 'p' && c.id == ids[i];
        });
        ASSERT_NE(at, calls.end());
        EXPECT_EQ(at->value, now);
        ASSERT_TRUE(at != calls.begin() && at + 1 != calls.end());
        EXPECT_EQ((at - 1)->kind, 'b');
        EXPECT_EQ((at + 1)->kind, 'e');
    }
    EXPECT_GT(changed, 1); // the selector and the preset's own values
    EXPECT_EQ(calls.size(), 3u * changed);
    close(view);
}

// The host's content scale zooms the window, and the curve switch opens the
// panel below it: each asks the frame for its size.
TEST_F(Editor, ContentScaleAndTheCurvePanelResizeThroughTheFrame) {
    IPlugView* view = open();
    ASSERT_NE(view, nullptr);
    IPlugViewContentScaleSupport* scale = nullptr;
    ASSERT_EQ(view->queryInterface(kIPlugViewContentScaleSupportIid.bytes,
                                   reinterpret_cast<void**>(&scale)),
              kResultOk);
    EXPECT_EQ(scale->setContentScaleFactor(1.5f), kResultOk);
    idle();
    ASSERT_FALSE(frame.resizes.empty());
    EXPECT_EQ(frame.resizes.back().getWidth(), (int)std::lround(layout::kEditorWidth * 1.5));
    EXPECT_EQ(frame.resizes.back().getHeight(), (int)std::lround(layout::kEditorHeight * 1.5));
    ViewRect size{};
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), frame.resizes.back().getWidth());
    const layout::Control& curve = *layout::controlForTag(layout::kCurveTag);
    click((int)((curve.left + curve.width / 2) * 1.5), (int)((curve.top + curve.height / 2) * 1.5));
    const int open = (int)std::lround((layout::kEditorHeight + layout::kPanelHeight) * 1.5);
    EXPECT_EQ(frame.resizes.back().getHeight(), open);
    view->getSize(&size);
    EXPECT_EQ(size.getHeight(), open);
    scale->release();
    close(view);
}

// Opening and closing leaves no window, descriptor or run-loop entry behind.
TEST_F(Editor, HundredOpenCloseCyclesLeaveNothingBehind) {
    close(open()); // the first open loads fonts and caches once
    const int files = openFileCount();
    for (int i = 0; i < 100; ++i) {
        IPlugView* view = open();
        ASSERT_NE(view, nullptr) << "cycle " << i;
        close(view);
    }
    XSync(d, False);
    EXPECT_EQ(childCount(), 0);
    EXPECT_EQ(openFileCount(), files);
    EXPECT_TRUE(frame.timers.empty());
    EXPECT_TRUE(frame.handlers.empty());
    EXPECT_EQ(frame.refs, 1);
}

} // namespace
