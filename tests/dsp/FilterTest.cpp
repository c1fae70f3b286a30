#include "dsp/Filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <thread>
#include <vector>

using namespace dravo;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Magnitude in dB at hz of the impulse response of a (settled) filter.
double measureDb(Filter& f, double hz, int length = 1 << 15) {
    std::vector<double> buf(length, 0.0);
    buf[0] = 1.0;
    for (int i = 0; i < length; i += 32)
        f.processFrame(buf.data() + i, std::min(32, length - i));
    std::complex<double> acc = 0.0;
    const double w = 2.0 * kPi * hz / f.sampleRate();
    for (int i = 0; i < length; ++i)
        acc += buf[i] * std::polar(1.0, -w * i);
    return 20.0 * std::log10(std::abs(acc));
}

// A filter designed and switched on while suspended (so it applies at once).
struct On : Filter {
    On(double rate, int type, double hz, double q, double gainDb)
        : Filter(rate, type, hz, q, gainDb) {
        setSampleRate(rate);
        setFreq(hz);
        setQ(q);
        setGain(gainDb);
        setStatus(1);
    }
};

} // namespace

TEST(Filter, NewFilterIsOffAndPassesBuffer) {
    Filter f(88200, Filter::kPeak, 1000, 1.0, 6.0);
    EXPECT_EQ(f.status(), 0);
    EXPECT_TRUE(f.isSuspended());
    EXPECT_EQ(f.rampSteps(), 4410u);
    double buf[4] = {1.0, -0.5, 0.25, 3.0};
    f.processFrame(buf, 4);
    EXPECT_EQ(buf[0], 1.0);
    EXPECT_EQ(buf[3], 3.0);
}

TEST(Filter, SwitchedOnWhileSuspendedAppliesAtOnce) {
    Filter f(88200, Filter::kPeak, 1000, 1.0, 0.0);
    f.setGain(12.0);
    f.setStatus(1);
    // The first sample of an impulse is b0 of the full response.
    double buf[2] = {1.0, 0.0};
    f.processFrame(buf, 2);
    EXPECT_EQ(f.stepsLeft(), 0u);
    EXPECT_EQ(buf[0], f.destCoeff(Filter::kB0));
    EXPECT_GT(buf[0], 1.0);
    EXPECT_EQ(buf[1], f.destCoeff(Filter::kB1) - f.destCoeff(Filter::kA1) * buf[0]);
}

TEST(Filter, SettersBoundTheirValues) {
    Filter f(44100, Filter::kPeak, 1000, 1.0, 0.0);
    f.setSampleRate(44100);
    f.setFreq(30000);
    EXPECT_DOUBLE_EQ(f.freq(), 22005.9);
    f.setFreq(0.0);
    EXPECT_EQ(f.freq(), 0.001);
    f.setFreq(std::nan(""));
    EXPECT_EQ(f.freq(), 0.001);
    f.setQ(0.0);
    EXPECT_EQ(f.q(), 0.0001);
    f.setQ(5000);
    EXPECT_EQ(f.q(), 1000.0);
    f.setGain(-2000);
    EXPECT_EQ(f.gain(), -1000.0);
    f.setGain(2000);
    EXPECT_EQ(f.gain(), 1000.0);
    f.setSampleRate(10000);
    EXPECT_EQ(f.sampleRate(), 44100.0);
    EXPECT_EQ(f.rampSteps(), 2205u);
    f.setSampleRate(400000);
    EXPECT_EQ(f.sampleRate(), 400000.0);
    EXPECT_EQ(f.rampSteps(), 20000u);
    f.setSampleRate(400001);
    EXPECT_EQ(f.sampleRate(), 44100.0);
    f.setSampleRate(96000);
    EXPECT_EQ(f.rampSteps(), 4800u);
}

TEST(Filter, ResponsesOfTheFiveTypes) {
    const double q2 = std::sqrt(0.5); // 3 dB down at the corner, 12 dB/octave
    struct Case {
        int type;
        double hz, q, gainDb, probe, expectDb, tol;
    };
    const Case cases[] = {
        {Filter::kPeak, 1000, 1.0, 9.0, 1000, 9.0, 0.01},
        {Filter::kPeak, 1000, 1.0, 9.0, 30, 0.0, 0.05},
        {Filter::kPeak, 1000, 1.0, -9.0, 1000, -9.0, 0.01},
        {Filter::kLowShelf, 500, 0.7, 6.0, 10, 6.0, 0.05},
        {Filter::kLowShelf, 500, 0.7, 6.0, 20000, 0.0, 0.05},
        {Filter::kHighShelf, 2000, 0.7, -6.0, 20, 0.0, 0.05},
        {Filter::kHighShelf, 2000, 0.7, -6.0, 30000, -6.0, 0.1},
        {Filter::kHighPass, 1000, q2, 0.0, 1000, -3.01, 0.05},
        {Filter::kHighPass, 1000, q2, 0.0, 125, -36.1, 0.2},
        {Filter::kHighPass, 1000, q2, 0.0, 10000, 0.0, 0.01},
        {Filter::kLowPass, 1000, q2, 0.0, 1000, -3.01, 0.05},
        {Filter::kLowPass, 1000, q2, 0.0, 8000, -36.6, 0.3}, // steeper: bilinear warping
        {Filter::kLowPass, 1000, q2, 0.0, 50, 0.0, 0.01},
    };
    for (const Case& c : cases) {
        On f(88200, c.type, c.hz, c.q, c.gainDb);
        EXPECT_NEAR(measureDb(f, c.probe), c.expectDb, c.tol) << c.type << " at " << c.probe;
    }
}

TEST(Filter, QIsReducedTowardsNyquist) {
    // Compare with the analog bell (s^2 + s A/Q + 1) / (s^2 + s/(A Q) + 1)
    // at the pre-warped frequency: near Nyquist it fits only the reduced Q'.
    const double rate = 44100, f0 = 20000, q = 4.0, gainDb = 12.0;
    auto bellDb = [&](double f, double centre, double qq) {
        const double A = std::pow(10.0, gainDb / 40.0);
        const double w = std::tan(kPi * f / rate) / std::tan(kPi * centre / rate);
        const double re = 1.0 - w * w;
        const double num = re * re + std::pow(w * A / qq, 2.0);
        const double den = re * re + std::pow(w / (A * qq), 2.0);
        return 10.0 * std::log10(num / den);
    };
    On high(rate, Filter::kPeak, f0, q, gainDb);
    const double measured = measureDb(high, 18000);
    const double qReduced = (1.0 - std::pow(f0 / (0.5001 * rate), 2.8)) * q;
    EXPECT_NEAR(measured, bellDb(18000, f0, qReduced), 0.01);
    EXPECT_GT(std::abs(measured - bellDb(18000, f0, q)), 1.0);
    // At a low frequency the reduction is negligible.
    On low(rate, Filter::kPeak, 200, q, gainDb);
    EXPECT_NEAR(measureDb(low, 180), bellDb(180, 200, q), 0.01);

    // The largest frequency still gives a positive effective Q (stable).
    On top(rate, Filter::kLowPass, 30000, 0.6, 0.0);
    EXPECT_DOUBLE_EQ(top.freq(), 0.499 * rate);
    std::vector<double> buf(4096, 0.0);
    buf[0] = 1.0;
    top.processFrame(buf.data(), 4096);
    EXPECT_TRUE(std::isfinite(buf[4095]));
    EXPECT_LT(std::abs(buf[4095]), 1e-6);
}

TEST(Filter, GlideMovesRootsLinearlyOverFiftyMs) {
    On f(88200, Filter::kPeak, 1000, 1.0, 0.0);
    f.suspend(false);
    double start[Filter::kNumRoots];
    for (int i = 0; i < Filter::kNumRoots; ++i)
        start[i] = f.destRoot(i);
    double startCoeffs[Filter::kNumCoeffs];
    for (int i = 0; i < Filter::kNumCoeffs; ++i)
        startCoeffs[i] = f.destCoeff(i);
    f.setGain(12.0);
    double end[Filter::kNumRoots];
    for (int i = 0; i < Filter::kNumRoots; ++i)
        end[i] = f.destRoot(i);

    double buf[32] = {};
    int processed = 0;
    bool checkedMid = false;
    while (processed < 4409) {
        const int n = std::min(32, 4409 - processed);
        f.processFrame(buf, n);
        processed += n;
        if (!checkedMid && processed >= 2205) {
            checkedMid = true;
            // Coefficients rebuilt from linearly moved roots.
            const double t = processed / 4410.0;
            double r[Filter::kNumRoots];
            for (int i = 0; i < Filter::kNumRoots; ++i)
                r[i] = start[i] + (end[i] - start[i]) * t;
            const double b1 = -r[Filter::kGainFactor] * (r[Filter::kZero1Re] + r[Filter::kZero2Re]);
            const double a2 = r[Filter::kPole1Re] * r[Filter::kPole2Re] -
                              r[Filter::kPole1Im] * r[Filter::kPole2Im];
            EXPECT_NEAR(f.currentCoeff(Filter::kB0), r[Filter::kGainFactor], 1e-12);
            EXPECT_NEAR(f.currentCoeff(Filter::kB1), b1, 1e-12);
            EXPECT_NEAR(f.currentCoeff(Filter::kA2), a2, 1e-12);
            // ... which is not a linear mix of the coefficients.
            const double mixB2 = startCoeffs[Filter::kB2] +
                                 (f.destCoeff(Filter::kB2) - startCoeffs[Filter::kB2]) * t;
            EXPECT_GT(std::abs(f.currentCoeff(Filter::kB2) - mixB2), 1e-6);
        }
    }
    // Arrives after exactly 4410 samples (50 ms), not one earlier.
    EXPECT_EQ(f.stepsLeft(), 1u);
    f.processFrame(buf, 1);
    EXPECT_EQ(f.stepsLeft(), 0u);
    for (int i = 0; i < Filter::kNumRoots; ++i)
        EXPECT_NEAR(f.currentRoot(i), end[i], 1e-12);
    f.processFrame(buf, 1);
    for (int i = Filter::kA1; i < Filter::kNumCoeffs; ++i)
        EXPECT_EQ(f.currentCoeff(i), f.destCoeff(i));
}

TEST(Filter, SameStatusKeepsRampSameQRestartsIt) {
    On f(88200, Filter::kPeak, 1000, 1.0, 0.0);
    f.suspend(false);
    f.setGain(6.0);
    double buf[100] = {};
    f.processFrame(buf, 100);
    ASSERT_EQ(f.stepsLeft(), 4310u);
    const double step = f.rootStep(Filter::kGainFactor);
    f.setStatus(1);
    f.processFrame(buf, 10);
    EXPECT_EQ(f.stepsLeft(), 4300u);
    EXPECT_EQ(f.rootStep(Filter::kGainFactor), step);
    f.setQ(1.0);
    f.processFrame(buf, 10);
    EXPECT_EQ(f.stepsLeft(), 4400u);
    EXPECT_NE(f.rootStep(Filter::kGainFactor), step);
}

TEST(Filter, SwitchingOffGlidesToFlatThenBypasses) {
    On f(44100, Filter::kPeak, 1000, 1.0, 12.0);
    f.suspend(false);
    std::vector<double> buf(64);
    for (auto& v : buf)
        v = 0.5;
    f.processFrame(buf.data(), 64);
    f.setStatus(0);
    EXPECT_EQ(f.destCoeff(Filter::kB0), 1.0);
    int processed = 0;
    while (f.stepsLeft() > 0 || processed == 0) {
        for (int i = 0; i < 32; ++i)
            buf[i] = std::sin(0.1 * (processed + i));
        f.processFrame(buf.data(), 32);
        processed += 32;
    }
    EXPECT_EQ(processed, 2208); // 2205 ramp samples, in 32-sample calls
    for (int i = 0; i < 32; ++i)
        buf[i] = 0.25 * i;
    std::vector<double> in(buf.begin(), buf.begin() + 32);
    f.processFrame(buf.data(), 32);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(buf[i], in[i]);
}

TEST(Filter, ZeroCountOnlyClearsHistoryOfAnOffFilter) {
    On f(44100, Filter::kLowPass, 1000, 0.7, 0.0);
    double buf[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    f.processFrame(buf, 8);
    double probe[1] = {0.0};
    f.processFrame(probe, 0);
    f.processFrame(probe, 1);
    EXPECT_NE(probe[0], 0.0); // history kept: the filter rings on
    Filter type0(44100, Filter::kIdentity, 1000, 0.7, 0.0);
    type0.setStatus(1);
    double b[3] = {1, 2, 3};
    type0.processFrame(b, 3);
    EXPECT_EQ(b[2], 3.0);
}

// Two fixed designs are handed over while the audio side runs: after every
// processFrame the running coefficients are exactly one design or the other.
TEST(FilterThreads, HandOverIsWholeSet) {
    On f(88200, Filter::kPeak, 1000, 1.0, 0.0);
    On a(88200, Filter::kPeak, 300, 2.0, 9.0);
    On b(88200, Filter::kPeak, 5000, 0.4, -7.0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000 && !stop.load(); ++i) {
            const bool first = (i & 1) == 0;
            f.holdTargets();
            f.setFreq(first ? 300 : 5000);
            f.setQ(first ? 2.0 : 0.4);
            f.setGain(first ? 9.0 : -7.0);
            f.releaseTargets();
        }
    });
    double buf[16] = {};
    int mismatches = 0;
    for (int k = 0; k < 20000; ++k) {
        f.processFrame(buf, 16);
        const double b0 = f.currentCoeff(Filter::kB0);
        const double a2 = f.currentCoeff(Filter::kA2);
        const bool isA = b0 == a.destCoeff(Filter::kB0) && a2 == a.destCoeff(Filter::kA2);
        const bool isB = b0 == b.destCoeff(Filter::kB0) && a2 == b.destCoeff(Filter::kA2);
        const bool isStart = b0 == 1.0;
        if (!isA && !isB && !isStart) ++mismatches;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mismatches, 0);
}
