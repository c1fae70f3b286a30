// The optimised engine against the frozen scalar one: the same random
// automation, rates, formats, block sizes and pin routings must give the same
// output bits and block peaks, on every instruction set the machine offers.
#include "dsp/EqEngine.h"
#include "dsp/reference/EqEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// Drives both engines with the same calls.
struct Pair {
    EqEngine opt;
    ref::EqEngine ref;
    template <typename F> void both(F f) {
        f(opt);
        f(ref);
    }
};

// One random automation or loop-value change, applied to both engines.
void automate(Pair& p, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    const double hz = 10.0 * std::pow(2200.0, u(rng)); // 10 Hz .. 22 kHz
    const double db = 40.0 * u(rng) - 20.0;
    const double q = 0.2 + 6.0 * u(rng);
    const int mode = pick(3), shape = pick(3), on = pick(3) == 0 ? 0 : 1, phase = pick(2);
    const bool master = pick(5) != 0;
    const double v = u(rng);
    switch (pick(12)) {
    case 0:
        p.both([&](auto& e) {
            e.setSection(EqEngine::Section::LowCut, on, 0, hz * 0.02 + 10.0, 0.0, 0.0);
        });
        break;
    case 1:
        p.both([&](auto& e) {
            e.setSection(EqEngine::Section::HighCut, on, 0, 2000.0 + hz, 0.0, 0.0);
        });
        break;
    case 2:
        p.both([&](auto& e) {
            e.setSection(EqEngine::Section::LowShelf, mode, shape, hz * 0.05 + 20.0, 0.0, db);
        });
        break;
    case 3:
        p.both([&](auto& e) {
            e.setSection(EqEngine::Section::Mid1, mode, 0, hz * 0.3 + 40.0, q, std::fabs(db));
        });
        break;
    case 4:
        p.both(
            [&](auto& e) { e.setSection(EqEngine::Section::Mid2, mode, 0, hz, q, std::fabs(db)); });
        break;
    case 5:
        p.both([&](auto& e) {
            e.setSection(EqEngine::Section::HighShelf, mode, shape, hz * 0.5 + 1000.0, 0.0, db);
        });
        break;
    case 6:
        p.both([&](auto& e) { e.setMaster(master); });
        break;
    case 7:
        p.both([&](auto& e) { e.setChannelSelect(v); });
        break;
    case 8:
        p.both([&](auto& e) { e.setPhase(phase); });
        break;
    case 9:
        p.both([&](auto& e) { e.setOutputFactor(std::pow(10.0, db / 20.0)); });
        break;
    case 10:
        p.both([&](auto& e) { e.setSaturation((float)v); });
        break;
    default:
        break; // no change
    }
}

// Runs one configuration and compares every output sample and block peak bit
// for bit. layout: 0 mono, 1 stereo, 2 either, chosen per call.
template <typename T>
void compare(float rate, int layout, bool inPlace, int frames, uint32_t seed) {
    std::mt19937 rng(seed);
    Pair p;
    p.both([&](auto& e) {
        e.setMaster(true);
        e.setChannelSelect(0.5);
        e.setSection(EqEngine::Section::LowShelf, 0, 1, 105.1, 0.0, 6.0);
        e.setSection(EqEngine::Section::Mid1, 2, 0, 447, 1.13136, 8.0);
        e.setSection(EqEngine::Section::HighCut, 1, 0, 16818, 0.0, 0.0);
        e.suspend();
        e.resume(rate);
    });
    std::vector<T> in[2], out[2][2];
    int done = 0;
    double level = 0.5;
    while (done < frames) {
        // Block sizes 1..4096, many small ones, sometimes an empty call.
        int n = (int)(rng() % 5 == 0 ? rng() % 4096u + 1 : rng() % 64 + 1);
        if (rng() % 50 == 0) n = 0;
        for (int k = 0, changes = (int)(rng() % 3); k < changes; ++k)
            automate(p, rng);
        if (rng() % 20 == 0) level = rng() % 4 == 0 ? 1e-300 : 3.0 * (rng() % 1000) / 1000.0;
        if (rng() % 400 == 0)
            p.both([&](auto& e) {
                e.suspend();
                e.resume(rate);
            });
        const bool in2 = rng() % 8 != 0, out2 = rng() % 8 != 0;
        const bool stereo = layout == 2 ? rng() % 2 == 0 : layout == 1;
        for (int c = 0; c < 2; ++c) {
            in[c].resize((std::size_t)n + 1);
            for (auto& v : in[c])
                v = (T)(level * ((double)(rng() >> 8) / 8388608.0 - 1.0));
        }
        int e = 0;
        p.both([&](auto& engine) {
            for (int c = 0; c < 2; ++c)
                out[e][c] = inPlace ? in[c] : std::vector<T>((std::size_t)n + 1, T(7));
            T* results[2] = {out[e][0].data(), out[e][1].data()};
            T* inputs[2] = {inPlace ? results[0] : in[0].data(),
                            inPlace ? results[1] : in[1].data()};
            stereo ? engine.processStereo(inputs, results, n, in2, out2)
                   : engine.processMono(inputs, results, n, out2);
            ++e;
        });
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(std::memcmp(out[0][c].data(), out[1][c].data(), sizeof(T) * (n + 1)), 0)
                << "rate " << rate << " channel " << c << " at frame " << done << " block " << n;
        const float pa = p.opt.getBlockPeak(), pb = p.ref.getBlockPeak();
        ASSERT_EQ(std::memcmp(&pa, &pb, sizeof pa), 0) << "peak at frame " << done;
        done += n;
    }
}

class EngineMatch : public ::testing::TestWithParam<EqEngine::InstructionSet> {
  protected:
    void SetUp() override {
        if (!EqEngine::supports(GetParam())) GTEST_SKIP() << "not on this processor";
        EqEngine::forceInstructionSet(GetParam());
    }
    void TearDown() override { EqEngine::forceInstructionSet(EqEngine::kBest); }
};

// Shorter runs under AddressSanitizer (a debug build).
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFrames = 3000;
#else
constexpr int kFrames = 30000;
#endif

TEST_P(EngineMatch, RandomAutomationBitForBit) {
    // Every rate class (oversampled, host rate, corrected), both formats,
    // mono and stereo, separate and shared buffers.
    const float rates[] = {44100, 22050, 48000, 96000, 192000, 64999, 65000, 300000};
    uint32_t seed = 1;
    for (float rate : rates)
        for (int variant = 0; variant < 4; ++variant) {
            // 64-bit stereo, 64-bit mono in place, 32-bit stereo in place,
            // 32-bit mono and stereo in turn.
            const int layout = variant % 2 == 0 ? 1 : variant == 1 ? 0 : 2;
            const bool inPlace = variant == 1 || variant == 2;
            SCOPED_TRACE(::testing::Message() << "rate " << rate << " variant " << variant);
            if (variant < 2)
                compare<double>(rate, layout, inPlace, kFrames, seed++);
            else
                compare<float>(rate, layout, inPlace, kFrames, seed++);
        }
}

INSTANTIATE_TEST_SUITE_P(Paths, EngineMatch, ::testing::Values(EqEngine::kSse2, EqEngine::kAvx2),
                         [](const auto& info) {
                             return info.param == EqEngine::kSse2 ? "Sse2" : "Avx2";
                         });

} // namespace
