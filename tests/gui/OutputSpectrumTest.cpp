// The analyser's spectrum: a sine reads its level at its frequency (0 dB at
// full scale), and after it stops the level falls at about 20 dB a second,
// not at once.
#include "gui/OutputSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using dravo::OutputSpectrum;

namespace {

struct Sine {
    double rate, hz, db;
};

// The highest level on a log grid of 940 points over 20 Hz .. 20 kHz.
void loudest(const OutputSpectrum& s, double& hz, double& db) {
    db = -1e9;
    for (int i = 0; i < 940; ++i) {
        const double f = 20.0 * std::pow(1000.0, i / 939.0);
        if (s.levelDb(f) > db) {
            db = s.levelDb(f);
            hz = f;
        }
    }
}

TEST(OutputSpectrum, ASineReadsItsLevelAtItsFrequencyAndFallsSlowly) {
    const Sine sines[] = {{44100, 1000, -12}, {96000, 5000, 0}, {48000, 300, -30}};
    for (const Sine& sine : sines) {
        SCOPED_TRACE(sine.hz);
        OutputSpectrum s;
        s.setSampleRate(sine.rate);
        EXPECT_LT(s.levelDb(sine.hz), -150.0) << "nothing heard yet";
        std::vector<float> x(9000);
        const double a = std::pow(10.0, sine.db / 20);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = (float)(a * std::sin(2 * M_PI * sine.hz * i / sine.rate));
        s.feed(x.data(), (int)x.size());
        EXPECT_TRUE(s.update(1.0 / 30));
        double hz = 0, db = 0;
        loudest(s, hz, db);
        EXPECT_NEAR(std::log2(hz / sine.hz), 0.0, 1.0 / 6);
        EXPECT_NEAR(db, sine.db, 1.0);

        // Silence from now on: a tenth of a second takes about 2 dB.
        const std::vector<float> silence(4800, 0.0f);
        for (double seconds = 0.1; seconds < 0.55; seconds += 0.1) {
            s.feed(silence.data(), (int)silence.size());
            EXPECT_TRUE(s.update(0.1));
            EXPECT_NEAR(s.levelDb(sine.hz), sine.db - 20 * seconds, 1.5) << seconds;
        }
        s.clear();
        EXPECT_LT(s.levelDb(sine.hz), -150.0) << "cleared";
        EXPECT_FALSE(s.update(0.1)) << "nothing new, nothing falling";
    }
}

} // namespace
