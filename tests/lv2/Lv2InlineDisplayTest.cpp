// Ardour's inline display as Ardour uses it: the bundle announces it, render
// is reached through the instance's extension data and draws the response
// curve of the ports' values, and run() asks for a new picture through the
// host's queue_draw only when the curve changed.
#include "lv2/InlineDisplayRig.h"
#include "lv2/Ports.h"
#include "model/FactoryPresets.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace dravo;
using lv2rig::Picture;

namespace {

struct Lv2Inline : ::testing::Test {
    lv2rig::QueueDraw queue;
    lv2rig::Instance lv2{lv2::kVariants[0].uri, 48000, false, &queue.feature};
    std::vector<float> l = std::vector<float>(64), r = std::vector<float>(64);

    void SetUp() override { lv2.activate(); }
    void run() { lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64); }
};

TEST(Lv2InlineBundle, AnnouncesTheInterfaceAndTheRedrawRequest) {
    for (const auto& v : lv2::kVariants) {
        const LilvPlugin* p = lv2rig::plugin(v.uri);
        ASSERT_NE(p, nullptr);
        LilvNode* interface =
            lilv_new_uri(lv2rig::installed().world, lv2::kInlineDisplayInterfaceUri);
        LilvNode* queueDraw =
            lilv_new_uri(lv2rig::installed().world, lv2::kInlineDisplayQueueDrawUri);
        EXPECT_TRUE(lilv_plugin_has_extension_data(p, interface)) << v.uri;
        LilvNodes* optional = lilv_plugin_get_optional_features(p);
        EXPECT_TRUE(lilv_nodes_contains(optional, queueDraw)) << v.uri;
        lilv_nodes_free(optional);
        lilv_node_free(queueDraw);
        lilv_node_free(interface);
    }
}

// Width as asked up to 1024, about half as high and never above max_h.
TEST_F(Lv2Inline, PictureSize) {
    const struct {
        uint32_t w, maxHeight;
        int width, height;
    } cases[] = {{100, 200, 100, 50},
                 {100, 30, 100, 30},
                 {301, 1000, 301, 151},
                 {4000, 4000, 1024, 512},
                 {1, 1, 1, 1}};
    for (const auto& c : cases) {
        const Picture p = lv2rig::render(lv2, c.w, c.maxHeight);
        EXPECT_EQ(p.width, c.width) << c.w << " x " << c.maxHeight;
        EXPECT_EQ(p.height, c.height) << c.w << " x " << c.maxHeight;
    }
}

// A high shelf boost: the curve leaves the 0 dB line at the right only. Where
// it is flat (the far left) it lies on the row the 0 dB line takes where the
// curve is far from it (the far right); at the defaults it is flat there too.
TEST_F(Lv2Inline, CurveFollowsTheSettings) {
    constexpr int kWidth = 200;
    run();
    const Picture flat = lv2rig::render(lv2, kWidth, 100);
    lv2.port(Param::HighShelfMode) = 2;
    lv2.port(Param::HighShelfGain) = 10;
    run();
    const Picture shelf = lv2rig::render(lv2, kWidth, 100);
    ASSERT_EQ(shelf.height, 100);
    ASSERT_EQ(flat.pixels.size(), shelf.pixels.size());
    EXPECT_NE(flat.pixels, shelf.pixels);

    const int left = 2, right = kWidth - 3;
    const int raised = shelf.brightestRow(right);
    const int zeroLine = shelf.brightestRow(right, raised, 3);
    // +10 dB on the +-24 dB scale: about 21 rows above the 0 dB line.
    EXPECT_NEAR(zeroLine - raised, 21, 2);
    EXPECT_EQ(shelf.brightestRow(left), zeroLine);
    EXPECT_EQ(flat.brightestRow(left), zeroLine);
    EXPECT_EQ(flat.brightestRow(right), zeroLine);
    // The curve is brighter than the line it lies on.
    EXPECT_GT(shelf.brightness(right, raised), shelf.brightness(right, zeroLine));
}

TEST_F(Lv2Inline, RunAsksForAPictureOnlyWhenTheCurveChanged) {
    const auto calls = [&] { return queue.calls.load(); };
    for (int i = 0; i < 3; ++i)
        run();
    EXPECT_EQ(calls(), 0) << "the defaults";
    lv2.port(Param::Mid1Freq) = realValueOf(Param::Mid1Freq, 0.25);
    run();
    EXPECT_EQ(calls(), 1);
    run();
    run();
    EXPECT_EQ(calls(), 1) << "nothing changed";
    lv2.port(Param::Saturation) = 1;
    lv2.port(Param::Phase) = 1;
    run();
    EXPECT_EQ(calls(), 1) << "values the curve does not show";
    // A port value that quantises to the same gain step.
    lv2.port(Param::Output) = 0.01f;
    run();
    EXPECT_EQ(calls(), 1) << "the same step";
    lv2.port(Param::Output) = 6;
    lv2.port(Param::Master) = 0;
    run();
    EXPECT_EQ(calls(), 2) << "two changes in one cycle ask once";
}

// Ardour renders from its GUI thread while run() takes new port values.
TEST(Lv2InlineThreads, RenderWhileRunRuns) {
    lv2rig::QueueDraw queue;
    lv2rig::Instance lv2(lv2::kVariants[0].uri, 48000, false, &queue.feature);
    lv2.activate();
    std::atomic<bool> stop{false};
    std::thread gui([&] {
        while (!stop.load())
            EXPECT_EQ(lv2rig::render(lv2, 120, 60).height, 60);
    });
    std::vector<float> l(64), r(64);
    for (int block = 0; block < 2000; ++block) {
        float v = (float)realValueOf(Param::Mid2Freq, (block % 7) / 6.0);
        __atomic_store(&lv2.port(Param::Mid2Freq), &v, __ATOMIC_RELAXED);
        lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64);
    }
    stop.store(true);
    gui.join();
    EXPECT_GT(queue.calls.load(), 0);
}

// The pictures of a factory preset, at the size of a narrow mixer strip and
// a wider one, as artefacts/inline-display-W.png.
TEST_F(Lv2Inline, SavesPictures) {
    ASSERT_TRUE(lv2.applyPreset("Flamenco"));
    run();
    const std::string dir = DRAVO_BINARY_DIR "/artefacts";
    mkdir(dir.c_str(), 0755);
    for (uint32_t w : {100u, 300u}) {
        Picture p = lv2rig::render(lv2, w, w);
        ASSERT_EQ(p.width, (int)w);
        cairo_surface_t* s = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(p.pixels.data()), CAIRO_FORMAT_ARGB32, p.width,
            p.height, 4 * p.width);
        const std::string file = dir + "/inline-display-" + std::to_string(w) + ".png";
        EXPECT_EQ(cairo_surface_write_to_png(s, file.c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(s);
    }
}

} // namespace
