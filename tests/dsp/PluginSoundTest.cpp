// The equaliser as a host hears it: measurements through the built plug-in.
#include "dsp/EngineRig.h"
#include "host/VstHost.h"
#include "model/CurveSettings.h"
#include "model/FactoryPresets.h"
#include "model/Parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

using rig::kPi;

namespace {

// Normalised values.
float gainStep(double db, double range) { // shelf gains: dB = (2g - 1) * range
    return (float)((std::round((db / range + 1.0) * 80.0) + 0.25) / 160.0);
}
float shelfGain(double db) {
    return gainStep(db, 10.0);
}
float peakGain(double db) {
    return (float)((std::round(db * 8.0) + 0.25) / 160.0);
}
float step22(int i) {
    return (float)i / 22.0f;
}
float step18(int i) {
    return (float)i / 18.0f;
}
constexpr float kPos0 = 0.0f, kPos1 = 0.5f, kPos2 = 1.0f; // three-position switches

// Every section off or flat, master on, both channels, 0 dB, no saturation.
const std::map<int, float> kNeutral = {
    {0, 1.0f},   {1, 0.5f},  {3, 0.0f},   {6, 0.5f},   {7, 0.0f},  {8, 0.0f},  {9, 0.0f},
    {10, 0.0f},  {11, 1.0f}, {12, kPos1}, {13, 0.5f},  {14, 0.0f}, {15, 0.5f}, {16, kPos1},
    {17, 0.5f},  {18, 0.6f}, {19, 0.0f},  {20, kPos1}, {21, 0.5f}, {22, 0.6f}, {23, 0.0f},
    {24, kPos1}, {25, 0.5f}, {26, 0.0f},  {27, 0.5f},
};

class Sound : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), ""); }

    // Sets the neutral state plus the given parameters, then starts at rate.
    void startWith(const std::map<int, float>& params, float rate = 44100) {
        for (const auto& [index, v] : kNeutral)
            plugin.setParameter(index, v);
        for (const auto& [index, v] : params)
            plugin.setParameter(index, v);
        plugin.start(rate, 512);
        this->rate = rate;
        latency = plugin.latency();
    }
    // The same from a freshly loaded plug-in.
    void restart(const std::map<int, float>& params, float rate = 44100) {
        plugin.unload();
        ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), "");
        startWith(params, rate);
    }

    // Magnitude response in dB at the given frequencies, from the impulse
    // response of the running plug-in (64-bit path).
    std::vector<double> responseDb(const std::vector<double>& hz, int length = 1 << 15) {
        std::vector<std::vector<double>> in(2, std::vector<double>(length, 0.0)), out;
        in[0][0] = in[1][0] = 1.0;
        plugin.process(in, out);
        std::vector<double> db;
        for (double f : hz) {
            std::complex<double> acc = 0.0;
            const double w = 2.0 * kPi * f / rate;
            for (int i = 0; i < length; ++i)
                acc += out[0][i] * std::polar(1.0, -w * i);
            db.push_back(20.0 * std::log10(std::abs(acc)));
        }
        return db;
    }
    double responseDb(double hz) { return responseDb(std::vector<double>{hz})[0]; }

    VstPlugin plugin;
    float rate = 44100;
    int latency = 0;
};

const std::vector<double> kProbe = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 15000, 20000};

} // namespace

TEST_F(Sound, BypassIsTheDelayedInputInBothFormats) {
    for (float r : {22050.f, 44100.f, 48000.f, 88200.f, 96000.f, 192000.f}) {
        // 32 bits bit-exact; 64 bits times the interpolator's centre tap
        // when oversampling.
        const double scale = r < 65000 ? 0.9999999999999999 : 1.0;
        auto check = [&](auto zero, double s) {
            using T = decltype(zero);
            restart({{0, 0.0f}}, r);
            const auto inL = rig::noise<T>(4000, 1.0, 11), inR = rig::noise<T>(4000, 0.25, 12);
            std::vector<std::vector<T>> out;
            plugin.process({inL, inR}, out);
            for (int i = 0; i < 4000; ++i) {
                ASSERT_EQ(out[0][i], i < latency ? T(0) : T(inL[i - latency] * s)) << r << " " << i;
                ASSERT_EQ(out[1][i], i < latency ? T(0) : T(inR[i - latency] * s)) << r << " " << i;
            }
        };
        check(0.0f, 1.0);
        check(0.0, scale);
    }
}

// Every shelf and mid section on at 0 dB, through all shelf modes and shapes
// and all three mid Q values: the delayed input within 1e-12, including the
// glides that follow the start.
TEST_F(Sound, FlatAtZeroGain) {
    const std::map<int, float> variants[] = {
        {{12, kPos2},
         {14, kPos0},
         {24, kPos2},
         {26, kPos2},
         {16, kPos2},
         {18, 0.8f},
         {20, kPos0},
         {22, 0.3f}},
        {{12, kPos0},
         {14, kPos1},
         {24, kPos0},
         {26, kPos1},
         {16, kPos2},
         {18, 0.6f},
         {20, kPos0},
         {22, 0.8f}},
        {{12, kPos2},
         {14, kPos2},
         {24, kPos2},
         {26, kPos0},
         {16, kPos0},
         {18, 0.3f},
         {20, kPos2},
         {22, 0.6f}},
    };
    for (float r : {44100.f, 96000.f}) {
        for (int v = 0; v < 3; ++v) {
            restart(variants[v], r);
            for (double db : responseDb(kProbe))
                EXPECT_NEAR(db, 0.0, 1e-6) << r << " variant " << v;
            restart(variants[v], r);
            const double scale = r < 65000 ? 0.9999999999999999 : 1.0;
            auto x = rig::noise<double>(8000, 1.0, 21);
            std::vector<std::vector<double>> out;
            plugin.process({x, x}, out);
            double worst = 0.0;
            for (int i = latency; i < 8000; ++i)
                worst = std::max(worst, std::fabs(out[0][i] - x[i - latency] * scale));
            EXPECT_LT(worst, 1e-12) << r << " variant " << v;
        }
    }
}

TEST_F(Sound, LowShelfModesAndShapes) {
    const float f105 = step18(9);                              // 105.1 Hz
    startWith({{12, kPos2}, {13, f105}, {15, shelfGain(10)}}); // "I", "Shelf", +10
    auto shelf = responseDb({20, 786, 5000});
    EXPECT_NEAR(shelf[0], 10.0, 0.3);
    EXPECT_GT(shelf[1], -0.3);
    EXPECT_NEAR(shelf[2], 0.0, 0.05);

    restart({{12, kPos0}, {13, f105}, {15, shelfGain(10)}}); // "II": +20 dB
    EXPECT_NEAR(responseDb(20), 20.0, 0.6);

    restart({{12, kPos2}, {13, f105}, {14, kPos1}, {15, shelfGain(10)}}); // "Steep"
    auto steep = responseDb({20, 786, 5000});
    EXPECT_NEAR(steep[0], 10.0, 0.4);
    EXPECT_LT(steep[1], -1.0); // the dip above the transition
    EXPECT_NEAR(steep[2], 0.0, 0.3);

    restart({{12, kPos2}, {13, f105}, {14, kPos2}, {15, shelfGain(-10)}}); // "Peak", cut
    auto peak = responseDb({3, 105.1, 10000});
    // A bell at exactly F. Through the oversampler the ideal response is off
    // by up to about 0.1 dB: the interpolator's in-between phase has a gain
    // of 127/128, so a little of the image comes back at decimation.
    EXPECT_NEAR(peak[1], -10.0, 0.1);
    EXPECT_GT(peak[0], -2.0);
    EXPECT_GT(peak[2], -2.0);
}

TEST_F(Sound, HighShelfModesAndShapes) {
    const float f3150 = step18(0);
    startWith({{24, kPos2}, {25, f3150}, {27, shelfGain(-10)}}); // "I", "Shelf", -10
    auto shelf = responseDb({20, 18000});
    EXPECT_NEAR(shelf[0], 0.0, 0.1);
    EXPECT_NEAR(shelf[1], -10.0, 0.4);

    restart({{24, kPos0}, {25, f3150}, {27, shelfGain(-10)}}); // "II": -20 dB
    EXPECT_NEAR(responseDb(18000), -20.0, 0.8);

    restart({{24, kPos2}, {25, f3150}, {27, shelfGain(10)}});
    const double shelf327 = responseDb(327);
    restart({{24, kPos2}, {25, f3150}, {26, kPos1}, {27, shelfGain(10)}}); // "Steep"
    // Main corner about 0.198 F, the dip at about 0.104 F = 327 Hz.
    auto steep = responseDb({327, 18000});
    EXPECT_LT(steep[0], shelf327 - 1.5);
    EXPECT_NEAR(steep[1], 10.0, 0.5);

    restart({{24, kPos2}, {25, step18(9)}, {26, kPos2}, {27, shelfGain(6)}}); // "Peak"
    EXPECT_NEAR(responseDb(8909), 6.0, 0.1);
}

TEST_F(Sound, MidBandsCutBoostAndQ) {
    // Boost +12 dB at 895 Hz for the three Q choices: narrower as Q grows.
    double previousEdge = 100;
    for (float qv : {0.3f, 0.6f, 0.8f}) {
        restart({{16, kPos2}, {17, step22(11)}, {18, qv}, {19, peakGain(12)}});
        auto boost = responseDb({895, 3580, 30, 15000});
        EXPECT_GT(boost[0], 11.0) << qv;
        EXPECT_LT(boost[0], 12.5) << qv;
        EXPECT_LT(boost[1], previousEdge) << qv;
        previousEdge = boost[1];

        // The cut is the exact mirror of the boost.
        restart({{16, kPos0}, {17, step22(11)}, {18, qv}, {19, peakGain(12)}});
        auto cut = responseDb({895, 3580, 30, 15000});
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(cut[i], -boost[i], 0.1) << qv << " " << i;
    }
    // MID2 at the narrowest setting: the companions dip the skirts.
    restart({{20, kPos2}, {21, step22(11)}, {22, 0.8f}, {23, peakGain(20)}});
    auto mid2 = responseDb({1266, 20, 20000});
    EXPECT_GT(mid2[0], 17.0);
    EXPECT_NEAR(mid2[1], 0.0, 0.3);
}

TEST_F(Sound, LowAndHighCut) {
    startWith({{8, 1.0f}, {9, step22(9)}}); // low cut at 99.2 Hz: corner 107 Hz, Q 0.69
    auto lc = responseDb({26.8, 107.1, 2000});
    EXPECT_NEAR(lc[1], 20 * std::log10(0.6901), 0.1);
    EXPECT_LT(lc[0], -22.0); // 12 dB per octave
    EXPECT_NEAR(lc[2], 0.0, 0.05);

    restart({{10, 1.0f}, {11, step22(15)}}); // high cut at 8409 Hz: corner 9990 Hz
    auto hc = responseDb({1000, 9990, 20000});
    EXPECT_NEAR(hc[0], 0.0, 0.15);
    EXPECT_NEAR(hc[1], 20 * std::log10(0.5974), 0.3);
    EXPECT_LT(hc[2], -8.0);

    // The highest high cut at 44.1 kHz sits at 33601 Hz, above the audio band.
    restart({{10, 1.0f}, {11, 1.0f}});
    auto top = responseDb({1000, 20000});
    EXPECT_NEAR(top[0], 0.0, 0.06);
    EXPECT_LT(top[1], -0.1);
    EXPECT_GT(top[1], -3.0);
}

// A parameter jump while a sine plays: no click. A smoothly changing sine of
// envelope E moves by at most E * 2 sin(pi f / rate) per sample; a
// discontinuity breaks that bound. (The glides may swell the level on the
// way, see GlideSwellOfACutSweep, but never jump.)
TEST_F(Sound, ParameterJumpsDoNotClick) {
    struct Jump {
        int index;
        float from, to;
    };
    const std::vector<Jump> jumps = {
        {15, 0.5f, 1.0f},   {13, 0.0f, 1.0f}, {14, 0.0f, 1.0f}, {12, kPos2, kPos1},
        {12, kPos1, kPos0}, {19, 0.0f, 1.0f}, {17, 0.2f, 0.8f}, {18, 0.3f, 0.8f},
        {16, kPos2, kPos0}, {27, 0.0f, 1.0f}, {25, 0.0f, 1.0f}, {26, 0.0f, 0.5f},
        {24, kPos1, kPos0}, {23, 0.0f, 1.0f}, {21, 0.0f, 1.0f}, {9, 0.0f, 1.0f},
        {8, 0.0f, 1.0f},    {11, 0.0f, 1.0f}, {11, 1.0f, 0.0f}, {6, 0.5f, 1.0f},
        {6, 1.0f, 0.0f},
    };
    for (const Jump& j : jumps) {
        // Sections on with some gain, so every parameter changes the sound.
        std::map<int, float> p = {{8, 1.0f},  {10, 1.0f},  {11, 0.5f}, {12, kPos2},
                                  {15, 0.8f}, {16, kPos2}, {19, 0.5f}, {20, kPos2},
                                  {23, 0.3f}, {24, kPos2}, {27, 0.2f}};
        p[j.index] = j.from;
        restart(p);
        const double hz = 440;
        const int n = 8192, at = 4096, period = (int)(rate / hz) + 1;
        auto x = rig::sine<float>(hz, rate, n, 0.2);
        std::vector<float> a(x.begin(), x.begin() + at), b(x.begin() + at, x.end());
        std::vector<std::vector<float>> oa, ob;
        plugin.process({a, a}, oa);
        plugin.setParameter(j.index, j.to);
        plugin.process({b, b}, ob);
        std::vector<float> y = oa[0];
        y.insert(y.end(), ob[0].begin(), ob[0].end());
        const double perSample = 2.0 * std::sin(kPi * hz / rate);
        double worst = 0.0;
        for (int i = at - 1000; i < n - period; ++i) {
            double envelope = 0.0;
            for (int k = i - period; k <= i + period; ++k)
                envelope = std::max(envelope, (double)std::fabs(y[k]));
            const double step = std::fabs((double)y[i] - (double)y[i - 1]);
            worst = std::max(worst, step / (envelope * perSample + 1e-9));
        }
        // The output gain follows per 16-sample sub-block (constant inside
        // one): a +20 dB jump moves in steps of at most 3.2% of the gap.
        const double bound = j.index == 6 ? 1.6 : 1.1;
        EXPECT_LT(worst, bound) << "parameter " << j.index << " " << j.from << " -> " << j.to;
    }
}

// The root-domain glide moves the gain factor and the poles each in a
// straight line; sweeping a cut's corner far upwards therefore swells the
// level on the way (a property of the glide path, not a click).
TEST_F(Sound, GlideSwellOfACutSweep) {
    startWith({{10, 1.0f}, {11, 0.0f}});
    auto x = rig::sine<float>(440, rate, 8192, 0.2);
    std::vector<float> a(x.begin(), x.begin() + 4096), b(x.begin() + 4096, x.end());
    std::vector<std::vector<float>> oa, ob;
    plugin.process({a, a}, oa);
    plugin.setParameter(dravo::index(dravo::Param::HighCutFreq), 1.0f);
    plugin.process({b, b}, ob);
    float before = 0, during = 0, after = 0;
    for (int i = 3000; i < 4096; ++i)
        before = std::max(before, std::fabs(oa[0][i]));
    for (int i = 0; i < 2300; ++i)
        during = std::max(during, std::fabs(ob[0][i]));
    for (int i = 3000; i < 4096; ++i)
        after = std::max(after, std::fabs(ob[0][i]));
    EXPECT_NEAR(after, 0.2f, 0.01f);
    EXPECT_GT(during, 2.0f * std::max(before, after));
}

TEST_F(Sound, SaturationCeilingThroughThePlugin) {
    for (float r : {44100.f, 192000.f}) {
        restart({{7, 1.0f}, {16, kPos2}, {19, 1.0f}}, r);
        // Up to +40 dBFS: noise, a square-ish burst and DC.
        auto loud = rig::noise<float>(20000, 100.0, 31);
        for (int i = 8000; i < 9000; ++i)
            loud[i] = (i / 7) % 2 ? 100.0f : -100.0f;
        for (int i = 12000; i < 13000; ++i)
            loud[i] = 1.4f;
        std::vector<std::vector<float>> out;
        plugin.process({loud, loud}, out);
        std::vector<std::vector<double>> dout;
        plugin.process({std::vector<double>(loud.begin(), loud.end()),
                        std::vector<double>(loud.begin(), loud.end())},
                       dout);
        double worst = 0;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 20000; ++i)
                worst = std::max({worst, (double)std::fabs(out[c][i]), std::fabs(dout[c][i])});
        EXPECT_LE(worst, 0.99381) << r;
        EXPECT_GT(worst, 0.99) << r;
    }
}

// Automation of every parameter from one thread while another processes
// audio; run under ThreadSanitizer. When the changes stop, the plug-in must
// sound as one that got the last values on one thread: within 1e-3 from 0.25 s
// on (the histories differ by what still decays), bit for bit after a restart.
TEST_F(Sound, ThreadsAutomationWhileProcessing) {
    auto value = [](unsigned k, int index) { return (float)((k * 7 + index * 3) % 11) / 10.0f; };
    startWith({});
    std::atomic<bool> stop{false}, finished{false};
    unsigned steps = 0;
    std::thread automation([&] {
        do {
            for (int index = 0; index < 38; ++index)
                plugin.setParameter(index, value(steps, index));
        } while (++steps, !stop.load());
        finished = true;
    });
    auto x = rig::noise<float>(512, 0.5, 41);
    std::vector<std::vector<float>> out;
    bool finite = true;
    // The audio runs on until the last values are in, so that they land during a call.
    for (int block = 0; block < 200 || !finished.load(); ++block) {
        if (block == 200) stop = true;
        plugin.process({x, x}, out);
        for (int c = 0; c < 2; ++c)
            for (float v : out[c])
                finite = finite && std::isfinite(v);
    }
    automation.join();
    EXPECT_TRUE(finite);

    VstPlugin single;
    ASSERT_EQ(single.load(DRAVO_PLUGIN_PATH), "");
    for (int index = 0; index < 38; ++index)
        single.setParameter(index, value(steps - 1, index));
    single.start(rate, 512);
    EXPECT_EQ(plugin.getChunk(), single.getChunk());
    std::vector<std::vector<double>> a, b;
    const auto y = rig::noise<double>(22050, 0.5, 42);
    plugin.process({y, y}, a);
    single.process({y, y}, b);
    double worst = 0.0;
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 11025; i < y.size(); ++i)
            worst = std::max(worst, std::fabs(a[c][i] - b[c][i]));
    EXPECT_LT(worst, 1e-3);
    for (VstPlugin* p : {&plugin, &single}) {
        p->suspend();
        p->resume();
    }
    plugin.process({y, y}, a);
    single.process({y, y}, b);
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(std::memcmp(a[c].data(), b[c].data(), sizeof(double) * y.size()), 0) << c;
}

// The editor's response curve (the values it draws, from the plug-in's own
// parameter values) against the built plug-in's measured response: each
// section alone at its extremes, all together, and every factory preset,
// with and without the rate doubling.
TEST_F(Sound, ResponseCurveAgreesWithTheMeasuredResponse) {
    std::vector<std::map<int, float>> cases = {
        {{8, 1.0f}, {9, 0.0f}},                             // low cut, lowest
        {{8, 1.0f}, {9, 1.0f}},                             // low cut, highest
        {{10, 1.0f}, {11, 0.0f}},                           // high cut, lowest
        {{10, 1.0f}, {11, 0.8f}},                           // high cut, 14142 Hz
        {{10, 1.0f}, {11, 1.0f}},                           // high cut, highest
        {{12, kPos0}, {13, 0.0f}, {15, 1.0f}},              // low shelf "II" +20
        {{12, kPos2}, {13, 1.0f}, {14, kPos1}, {15, 0.0f}}, // "Steep" cut
        {{12, kPos2}, {13, 0.5f}, {14, kPos2}, {15, 1.0f}}, // "Peak"
        {{16, kPos2}, {17, 0.0f}, {18, 1.0f}, {19, 1.0f}},  // mid 1 boost, Q 4
        {{16, kPos0}, {17, 1.0f}, {18, 0.0f}, {19, 1.0f}},  // mid 1 cut, Q 0.7
        {{20, kPos2}, {21, 1.0f}, {22, 0.6f}, {23, 1.0f}},  // mid 2 at its top
        {{24, kPos0}, {25, 0.0f}, {27, 1.0f}},              // high shelf "II" +20
        {{24, kPos2}, {25, 1.0f}, {26, kPos1}, {27, 0.0f}}, // "Steep" cut
        {{24, kPos2}, {25, 0.3f}, {26, kPos2}, {27, 0.0f}}, // "Peak" cut
        {{6, 0.0f},
         {8, 1.0f},
         {10, 1.0f},
         {11, 0.9f},
         {12, kPos2},
         {15, 0.8f},
         {16, kPos2},
         {19, 0.6f},
         {20, kPos0},
         {23, 0.7f},
         {24, kPos2},
         {27, 0.2f}},                                    // all, -20 dB
        {{0, 0.0f}, {6, 1.0f}, {16, kPos2}, {19, 1.0f}}, // EQ out, +20 dB
    };
    for (int p = 0; p < dravo::kNumFactoryPresets; ++p)
        cases.push_back({{-1, (float)p}});

    std::vector<double> grid; // 1/6 octave from 20 Hz
    for (double f = 20.0; f <= 18000.0; f *= std::pow(2.0, 1.0 / 6.0))
        grid.push_back(f);
    grid.push_back(18000.0);

    double worst = 0.0;
    std::string where;
    for (float r : {44100.f, 96000.f}) {
        for (const auto& c : cases) {
            plugin.unload();
            ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), "");
            std::map<int, float> params = c;
            if (c.count(-1)) {
                plugin.dispatch(effSetProgram, 0, (VstInt32)c.at(-1));
                params = {{1, 0.5f}, {7, 0.0f}}; // both channels, the limiter out
            }
            startWith(params, r);
            float normalised[dravo::kNumParams];
            for (int i = 0; i < dravo::kNumParams; ++i)
                normalised[i] = plugin.getParameter(i);
            const dravo::EqResponse curve(dravo::curveSettings(normalised, r));
            const std::vector<double> measured = responseDb(grid);
            for (size_t i = 0; i < grid.size(); ++i) {
                const double d = std::fabs(curve.totalDb(grid[i]) - measured[i]);
                if (d > worst) {
                    worst = d;
                    where = std::to_string(r) + " Hz rate, case " + std::to_string(&c - &cases[0]) +
                            ", " + std::to_string(grid[i]) + " Hz";
                }
            }
        }
    }
    EXPECT_LT(worst, 0.1) << where;
    std::printf("curve against render: worst %.2e dB at %s\n", worst, where.c_str());
}
