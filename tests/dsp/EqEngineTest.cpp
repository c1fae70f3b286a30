#include "dsp/EqEngine.h"
#include "dsp/EngineRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

using namespace dravo;

using namespace rig;

TEST(EqEngine, InternalRateAndLatencyFollowTheHostRate) {
    struct Case {
        float host;
        bool os;
        double internal;
        int n;
        int latency;
        float validated;
    };
    const Case cases[] = {
        {22050, true, 44100, 15, 39, 22050},      {44100, true, 88200, 29, 46, 44100},
        {48000, true, 96000, 33, 48, 48000},      {88200, false, 88200, 59, 61, 88200},
        {96000, false, 96000, 65, 64, 96000},     {176400, false, 176400, 117, 90, 176400},
        {192000, false, 192000, 129, 96, 192000}, {65000, false, 65000, 43, 53, 65000},
        {64999, true, 129998, 43, 53, 64999},     {10000, true, 88200, 29, 46, 44100},
        {300000, false, 44100, 29, 46, 44100},
    };
    for (const Case& c : cases) {
        EqEngine e;
        setDefaults(e);
        e.suspend();
        EXPECT_EQ(e.resume(c.host), c.validated) << c.host;
        EXPECT_EQ(e.isOversampling(), c.os) << c.host;
        EXPECT_EQ(e.getInternalRate(), c.internal) << c.host;
        EXPECT_EQ(e.getWindowLength(), c.n) << c.host;
        EXPECT_EQ(e.latencySamples(), c.latency) << c.host;
        EXPECT_EQ(e.filter(EqEngine::kMid1Main, 1).sampleRate(), c.internal) << c.host;
    }
    auto e = started(44100);
    EXPECT_NEAR(e->latencyMilliseconds(), 1.0431, 1e-4);
    EXPECT_EQ(started(std::numeric_limits<float>::quiet_NaN())->latencySamples(), 46);
}

TEST(EqEngine, RetuneOnResumeAppliesAtOnce) {
    // A boost set before resume is in force from the first sample: the
    // filters were still suspended when the sections were retuned.
    auto e = std::make_unique<EqEngine>();
    setDefaults(*e);
    e->setSection(EqEngine::Section::Mid1, 2, 0, 1000, 1.13136, 12.0);
    e->suspend();
    e->resume(48000);
    const auto in = sine<double>(1000, 48000, 4800, 0.1);
    std::vector<double> l, r;
    processStereo(*e, in, in, l, r);
    const double early = amplitudeAt(l, 1000, 48000, 1200, 2400);
    EXPECT_NEAR(20 * std::log10(early / 0.1), 12.0 * 1.0, 1.5);
}

TEST(EqEngine, LevelSetWhileSuspendedAppliesAtResume) {
    // Set between suspend and resume, or before the first resume: the level
    // is in force from the first output sample, not glided to.
    for (bool firstResume : {true, false}) {
        auto e = std::make_unique<EqEngine>();
        setDefaults(*e);
        e->suspend();
        if (!firstResume) {
            e->resume(44100);
            e->suspend();
        }
        e->setOutputFactor(0.5);
        e->resume(44100);
        std::vector<double> dc(600, 0.25), l, r;
        processStereo(*e, dc, dc, l, r);
        for (std::size_t i = 60; i < l.size(); ++i)
            ASSERT_NEAR(l[i], 0.125, 1e-9) << i << (firstResume ? " first" : " again");
    }
}

TEST(EqEngine, SectionSwitchedOffFadesOverFiftyMs) {
    const double rate = 44100;
    auto e = started(rate);
    e->setSection(EqEngine::Section::Mid1, 2, 0, 1000, 2.5, 12.0);
    e->suspend();
    e->resume(rate);
    const double hz = 1000;
    const auto in = sine<double>(hz, rate, 22050, 0.1);
    std::vector<double> l(in.size()), r(in.size());
    // Half a second in, switch the section to "0".
    std::vector<double> a(in.begin(), in.begin() + 11025), b(in.begin() + 11025, in.end());
    std::vector<double> la, ra, lb, rb;
    processStereo(*e, a, a, la, ra);
    e->setSection(EqEngine::Section::Mid1, 1, 0, 1000, 2.5, 12.0);
    processStereo(*e, b, b, lb, rb);
    const double before = amplitudeAt(la, hz, rate, 6000, 11025);
    EXPECT_GT(20 * std::log10(before / 0.1), 8.0);
    // 25 ms into the fade the level lies between; after 50 ms (plus the
    // latency) it is flat.
    const double mid = amplitudeAt(lb, hz, rate, 1000, 1100 + 46);
    EXPECT_LT(mid, before * 0.98);
    EXPECT_GT(mid, 0.1 * 1.02);
    const double after = amplitudeAt(lb, hz, rate, 2205 + 46 + 100, 11025);
    EXPECT_NEAR(after, 0.1, 1e-9);
    EXPECT_EQ(e->filter(EqEngine::kMid1Main, 0).stepsLeft(), 0u);
    // The gains are kept while off.
    EXPECT_EQ(e->filter(EqEngine::kMid1Main, 0).gain(), 12.0);
}

// The mended fault: the level ring is kept while saturation is off, so the
// ceiling holds from the first sample after saturation is switched on.
TEST(EqEngine, LimiterHoldsFromTheFirstSampleAfterSwitchingOn) {
    auto e = started(44100);
    std::vector<float> in(4000, 1.4f), l, r;
    std::vector<float> a(in.begin(), in.begin() + 1000), b(in.begin() + 1000, in.end());
    std::vector<float> la, ra, lb, rb;
    processStereo(*e, a, a, la, ra);
    EXPECT_EQ(la.back(), 1.4f);
    e->setSaturation(1.0f);
    processStereo(*e, b, b, lb, rb, 16);
    for (std::size_t i = 0; i < lb.size(); ++i)
        ASSERT_LE(std::fabs(lb[i]), 0.99381f) << i;
}

TEST(EqEngine, LimiterGivesAUnitSineAboutPointEightFive) {
    auto e = started(44100);
    e->setSaturation(1.0f);
    const auto in = sine<double>(50, 44100, 44100, 1.0);
    std::vector<double> l, r;
    processStereo(*e, in, in, l, r);
    double peak = 0;
    for (std::size_t i = 10000; i < l.size(); ++i)
        peak = std::max(peak, std::fabs(l[i]));
    EXPECT_NEAR(peak, 0.85, 0.002);
    // Below the knee the gain is still slightly under 1: e = 0.5 gives 0.9625.
    auto h = started(44100);
    h->setSaturation(1.0f);
    std::vector<double> dc(2000, 0.5), hl, hr;
    processStereo(*h, dc, dc, hl, hr);
    EXPECT_NEAR(hl.back(), 0.5 * 0.9625, 1e-12);
}

TEST(EqEngine, OutputGainFollowsPerSubBlock) {
    auto e = started(44100);
    e->setMaster(false);
    e->setOutputFactor(std::pow(2.0, 20.0 / 6.0));
    const double target = std::pow(2.0, 20.0 / 6.0);
    std::vector<double> in(2000, 0.01), l, r;
    processStereo(*e, in, in, l, r, 16);
    const int latency = 46;
    // Constant within each 16-sample sub-block (the delayed input is constant);
    // the gain is applied before the output stage's delay of 14 samples.
    for (int blockStart = 64 + 14; blockStart + 16 <= 1000; blockStart += 16)
        for (int i = 1; i < 16; ++i)
            ASSERT_EQ(l[blockStart + i], l[blockStart]) << blockStart;
    // 63% of the step after about 500 host samples (0.998 per sample).
    int crossing = -1;
    for (int i = latency; i < 2000 && crossing < 0; ++i) {
        const double g = l[i] / (0.01 * e->interpolationTable()[63]);
        if ((g - 1.0) / (target - 1.0) >= 1.0 - std::exp(-1.0))
            crossing = i - latency + 32; // host samples since the change
    }
    EXPECT_GE(crossing, 480);
    EXPECT_LE(crossing, 520);
    // The non-finite factor is ignored.
    e->setOutputFactor(std::numeric_limits<double>::infinity());
    processStereo(*e, in, in, l, r, 16);
    EXPECT_TRUE(std::isfinite(l.back()));
}

TEST(EqEngine, ChannelSelectionAndPhase) {
    auto e = started(44100);
    e->setSection(EqEngine::Section::Mid1, 2, 0, 1000, 2.5, 12.0);
    e->suspend();
    e->resume(44100);
    e->setChannelSelect(0.8); // left only
    const auto in = sine<double>(1000, 44100, 8000, 0.1);
    std::vector<double> l, r;
    processStereo(*e, in, in, l, r);
    EXPECT_GT(amplitudeAt(l, 1000, 44100, 4000, 8000), 0.3);
    for (std::size_t i = 46; i < in.size(); ++i)
        ASSERT_EQ(r[i], in[i - 46] * e->interpolationTable()[63]);
    e->setChannelSelect(0.1); // right only
    e->setPhase(1);
    std::vector<double> l2, r2;
    processStereo(*e, in, in, l2, r2);
    EXPECT_GT(amplitudeAt(r2, 1000, 44100, 4000, 8000), 0.3);
    // Phase reversal negates the dry channel too.
    for (std::size_t i = 2000; i < in.size(); ++i)
        ASSERT_EQ(l2[i], -(in[i - 46] * e->interpolationTable()[63]));
}

TEST(EqEngine, HighCutSwitchesWithoutGlide) {
    const double rate = 44100;
    auto e = started(rate);
    e->setSection(EqEngine::Section::HighCut, 0, 0, 625, 0.0, 0.0);
    e->suspend();
    e->resume(44100);
    const auto in = sine<double>(5000, rate, 6000, 0.5);
    std::vector<double> a(in.begin(), in.begin() + 3000), b(in.begin() + 3000, in.end());
    std::vector<double> la, ra, lb, rb;
    processStereo(*e, a, a, la, ra, 16);
    EXPECT_NEAR(amplitudeAt(la, 5000, rate, 1000, 3000), 0.5, 1e-6);
    e->setSection(EqEngine::Section::HighCut, 1, 0, 625, 0.0, 0.0);
    processStereo(*e, b, b, lb, rb, 16);
    // At once (after the latency and the filter's own settling), not 50 ms.
    EXPECT_LT(amplitudeAt(lb, 5000, rate, 200, 700), 0.5 * 0.025);
}

// One engine, master off: a pure delay, so sample 150 of each call comes from
// that call's input.
TEST(EqEngine, PinRoutingAndWriteOrder) {
    auto e = started(44100);
    e->setMaster(false);
    std::vector<float> l(200, 0.25f), r(200, -0.5f), o0(200, 9.f), o1(200, 9.f);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {o0.data(), o1.data()};
    e->processStereo(in, out, 200, true, false);
    EXPECT_EQ(o0[150], -0.5f); // 32-bit: right written last
    EXPECT_EQ(o1[150], 9.f);

    std::vector<double> dl(200, 0.25), dr(200, -0.5), d0(200, 9.), d1(200, 9.);
    double* din[2] = {dl.data(), dr.data()};
    double* dout[2] = {d0.data(), d1.data()};
    e->processStereo(din, dout, 200, true, false);
    EXPECT_EQ(d0[150], 0.25 * e->interpolationTable()[63]); // 64-bit: left last
    EXPECT_EQ(d1[150], 9.);

    // Mono: only outputs[0] unless the second output is there.
    std::fill(o0.begin(), o0.end(), 9.f);
    std::fill(o1.begin(), o1.end(), 9.f);
    e->processMono(in, out, 200, false);
    EXPECT_EQ(o0[150], 0.25f);
    EXPECT_EQ(o1[150], 9.f);
    e->processMono(in, out, 200, true);
    EXPECT_EQ(o1[150], 0.25f);

    // The second input is not read when the host says it is not there.
    e->processStereo(in, out, 200, false, true);
    EXPECT_EQ(o1[150], 0.25f);
    EXPECT_EQ(o0[150], 0.25f);
}

TEST(EqEngine, BlockPeakAndEmptyCalls) {
    auto e = started(44100);
    e->setMaster(false);
    e->setOutputFactor(std::pow(2.0, 20.0 / 6.0));
    e->suspend(); // snaps the follower to +20 dB
    e->resume(44100);
    std::vector<float> in(500, 0.8f), l, r;
    processStereo(*e, in, in, l, r, 500);
    EXPECT_EQ(e->getBlockPeak(), 4.0f);
    e->setOutputFactor(1.0);
    e->suspend();
    EXPECT_EQ(e->getBlockPeak(), 0.0f);
    e->resume(44100);
    std::vector<float> half(500, 0.5f);
    processStereo(*e, half, in, l, r, 500);
    EXPECT_FLOAT_EQ(e->getBlockPeak(), 0.8f);
    // No samples: nothing written, the peak is 0.
    std::vector<float> o0(4, 7.f), o1(4, 7.f);
    float* pin[2] = {in.data(), in.data()};
    float* pout[2] = {o0.data(), o1.data()};
    e->processStereo(pin, pout, 0, true, true);
    EXPECT_EQ(e->getBlockPeak(), 0.0f);
    processStereo(*e, half, in, l, r, 500);
    e->processStereo(pin, pout, -5, true, true);
    EXPECT_EQ(e->getBlockPeak(), 0.0f);
    EXPECT_EQ(o0[0], 7.f);
    EXPECT_EQ(o1[3], 7.f);
}

// A NaN or infinite input sample counts as silence; a finite one that
// overflows a filter leaves the next block finite again, without a suspend.
// The block peak never holds a non-finite value. Both sample formats.
TEST(EqEngine, NonFiniteSamplesAndOverflowsRecoverWithinOneBlock) {
    auto check = [](auto b, bool sat) {
        using T = decltype(b);
        auto e = started(44100);
        e->setSaturation(sat ? 1.0f : 0.0f);
        e->setSection(EqEngine::Section::LowShelf, 0, 1, 100, 0.0, 6.0);
        e->setSection(EqEngine::Section::HighCut, 1, 0, 8409, 0.0, 0.0);
        std::vector<T> in = noise<T>(512, 0.5), l, r;
        in[100] = b;
        processStereo(*e, in, in, l, r, 512);
        EXPECT_TRUE(std::isfinite(e->getBlockPeak())) << b;
        for (std::size_t i = 0; i < l.size() && !std::isfinite(b); ++i)
            ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << b << " " << i;
        const auto good = noise<T>(2048, 0.5, 2);
        processStereo(*e, good, good, l, r, 512);
        for (std::size_t i = 0; i < l.size(); ++i)
            ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << b << " " << i;
        EXPECT_GT(e->getBlockPeak(), 0.1f);
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (double b : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e308})
        for (bool sat : {false, true}) {
            check(b, sat);
            if (!std::isfinite(b)) check((float)b, sat);
        }
}

namespace {
// The values of step k of the automation below.
void automationStep(EqEngine& e, unsigned k) {
    const double t = (k % 17) / 16.0;
    const int pos = (int)(k % 3);
    e.setSection(EqEngine::Section::LowCut, k & 1, 0, 12.4 + 1000 * t, 0.0, 0.0);
    e.setSection(EqEngine::Section::HighCut, (k >> 1) & 1, 0, 625 + 20000 * t, 0.0, 0.0);
    e.setSection(EqEngine::Section::LowShelf, pos, (k / 3) % 3, 22.1 + 400 * t, 0.0, -10 + 20 * t);
    e.setSection(EqEngine::Section::Mid1, pos, 0, 70.5 + 10000 * t, 2.5, 20 * t);
    e.setSection(EqEngine::Section::Mid2, (pos + 1) % 3, 0, 99.7 + 15000 * t, 0.473757, 20 * t);
    e.setSectionField(EqEngine::Section::HighShelf, EqEngine::Field::Position, pos);
    e.setSectionField(EqEngine::Section::HighShelf, EqEngine::Field::Shape, (k / 5) % 3);
    e.setSectionField(EqEngine::Section::HighShelf, EqEngine::Field::Hz, 3150 + 20000 * t);
    e.setSectionField(EqEngine::Section::HighShelf, EqEngine::Field::GainDb, 10 - 20 * t);
    e.setMaster(k % 11 != 0);
    e.setChannelSelect(t);
    e.setPhase(k % 7 == 0);
    e.setOutputFactor(0.5 + t);
    e.setSaturation(k % 5 == 0 ? 1.0f : 0.0f);
}
} // namespace

// Parameter changes from another thread while audio runs: sections, loop
// values, the peak read by a third thread. Run under ThreadSanitizer. When
// the changes stop, the filters that are on must be tuned as in an engine that
// got the last step on one thread, and both must sound the same after a restart.
TEST(EqEngineThreads, AutomationWhileProcessing) {
    auto e = started(44100);
    std::atomic<bool> stop{false}, finished{false};
    unsigned steps = 0;
    std::thread automation([&] {
        do
            automationStep(*e, steps++);
        while (!stop.load());
        finished = true;
    });
    std::thread meter([&] {
        while (!stop.load()) {
            (void)e->takeBlockPeak();
            (void)e->latencyMilliseconds();
        }
    });
    const auto in = noise<float>(256, 0.5);
    std::vector<float> l(256), r(256);
    bool finite = true;
    // The audio runs on until the last step is in, so that it lands during a call.
    for (int block = 0; block < 400 || !finished.load(); ++block) {
        if (block == 400) stop = true;
        float* pin[2] = {const_cast<float*>(in.data()), const_cast<float*>(in.data())};
        float* pout[2] = {l.data(), r.data()};
        e->processStereo(pin, pout, 256, true, true);
        for (int i = 0; i < 256; ++i)
            finite = finite && std::isfinite(l[i]) && std::isfinite(r[i]);
    }
    automation.join();
    meter.join();
    EXPECT_TRUE(finite);

    auto single = started(44100);
    automationStep(*single, steps - 1);
    // Both engines process the same noise. restart: from a restart, which
    // clears the histories: the same bits. Else on from here: the histories
    // differ by what still decays after the glides (about 1e-5 at 0.25 s);
    // a last step that did not reach the audio side differs by far more.
    std::vector<double> out[2][2];
    auto runBoth = [&](bool restart) {
        const auto x = noise<double>(restart ? 8192 : 22050, 0.5, 3);
        for (int k = 0; k < 2; ++k) {
            EqEngine& engine = k == 0 ? *e : *single;
            if (restart) {
                engine.suspend();
                engine.resume(44100);
            }
            processStereo(engine, x, x, out[k][0], out[k][1], 200);
        }
    };
    runBoth(false);
    double worst = 0.0;
    for (int ch = 0; ch < 2; ++ch)
        for (std::size_t i = 11025; i < out[0][ch].size(); ++i)
            worst = std::max(worst, std::fabs(out[0][ch][i] - out[1][ch][i]));
    EXPECT_LT(worst, 1e-3);
    for (int role = 0; role < EqEngine::kNumRoles; ++role)
        for (int ch = 0; ch < 2; ++ch) {
            const Filter &a = e->filter(role, ch), &b = single->filter(role, ch);
            EXPECT_EQ(a.status(), b.status()) << role;
            if (a.status() == 0) continue; // a filter switched off keeps its last design
            EXPECT_EQ(a.type(), b.type()) << role;
            EXPECT_EQ(a.freq(), b.freq()) << role;
            EXPECT_EQ(a.q(), b.q()) << role;
            EXPECT_EQ(a.gain(), b.gain()) << role;
        }
    runBoth(true);
    for (int ch = 0; ch < 2; ++ch)
        EXPECT_EQ(std::memcmp(out[0][ch].data(), out[1][ch].data(), sizeof(double) * 8192), 0)
            << "channel " << ch;
}

// Two threads update the same section at once: a call that finds the section
// busy leaves its values to the thread applying it, which must apply them
// before it returns, so the filters end with one of the two final values.
TEST(EqEngineThreads, ConcurrentUpdatesOfOneSectionKeepTheLast) {
    for (int round = 0; round < 20; ++round) {
        auto e = started(44100);
        std::thread other([&] {
            for (int i = 0; i < 300; ++i)
                e->setSection(EqEngine::Section::LowShelf, 2, 0, 105.1, 0.0, 0.01 * i);
            e->setSection(EqEngine::Section::LowShelf, 2, 0, 105.1, 0.0, 7.0);
        });
        for (int i = 0; i < 300; ++i)
            e->setSection(EqEngine::Section::LowShelf, 2, 0, 105.1, 0.0, -0.01 * i);
        e->setSection(EqEngine::Section::LowShelf, 2, 0, 105.1, 0.0, -7.0);
        other.join();
        const double g = e->filter(EqEngine::kLowShelfMain, 1).gain();
        ASSERT_TRUE(g == 7.0 || g == -7.0) << g;
    }
}
