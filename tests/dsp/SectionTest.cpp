// Section mapping: what each update makes of its filters' settings.
#include "dsp/EngineRig.h"
#include "dsp/EqEngine.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dravo;

using namespace rig;

TEST(Section, LowShelfCornerAndQMoveWithGain) {
    auto e = started(44100);
    const double F = 105.1;
    Filter& main = e->filter(EqEngine::kLowShelfMain, 0);
    Filter& bell = e->filter(EqEngine::kLowShelfBell, 1);

    e->setSection(EqEngine::Section::LowShelf, 2, 0, F, 0.0, 0.0); // "I", "Shelf", flat
    EXPECT_NEAR(main.freq(), 4.8 * F, 1e-9);
    EXPECT_NEAR(main.q(), 0.575, 1e-12);
    EXPECT_EQ(main.gain(), 0.0);
    EXPECT_EQ(main.type(), Filter::kLowShelf);
    EXPECT_EQ(main.status(), 1);
    EXPECT_EQ(bell.type(), Filter::kPeak);
    EXPECT_EQ(bell.status(), 0);

    e->setSection(EqEngine::Section::LowShelf, 2, 0, F, 0.0, 10.0);
    EXPECT_NEAR(main.freq() / F, 2.72, 0.005);
    EXPECT_NEAR(main.q(), 0.550, 0.001);
    EXPECT_EQ(main.gain(), 10.0);
    EXPECT_EQ(bell.gain(), -2.5);

    e->setSection(EqEngine::Section::LowShelf, 0, 0, F, 0.0, 10.0); // "II": twice the gain, E = 7.5
    EXPECT_NEAR(main.freq() / F, 2.20, 0.005);
    EXPECT_EQ(main.gain(), 20.0);
    EXPECT_EQ(bell.gain(), -5.0);

    e->setSection(EqEngine::Section::LowShelf, 2, 1, F, 0.0,
                  10.0); // "Steep": dip above the transition
    EXPECT_EQ(bell.status(), 1);
    EXPECT_NEAR(bell.freq(), 5.0 * main.freq() * main.q(), 1e-9);
    EXPECT_NEAR(bell.q(), 0.5 - 5.454545454545 / 250, 1e-9);

    e->setSection(EqEngine::Section::LowShelf, 1, 1, F, 0.0, 10.0); // "0": off, gains 0
    EXPECT_EQ(main.status(), 0);
    EXPECT_EQ(bell.status(), 0);
    EXPECT_EQ(main.gain(), 0.0);
    EXPECT_EQ(bell.gain(), 0.0);

    e->setSection(EqEngine::Section::LowShelf, 7, 9, F, 0.0,
                  4.0); // unknown mode acts as "0", shape as "Shelf"
    EXPECT_EQ(main.status(), 0);
    EXPECT_EQ(main.type(), Filter::kLowShelf);
}

TEST(Section, HighShelfSteepAndPeakShapes) {
    auto e = started(44100);
    const double F = 10000;
    Filter& main = e->filter(EqEngine::kHighShelfMain, 1);
    Filter& bell = e->filter(EqEngine::kHighShelfBell, 1);
    e->setSection(EqEngine::Section::HighShelf, 2, 1, F, 0.0, 10.0);
    EXPECT_NEAR(main.freq() / F, 0.198, 0.001);
    EXPECT_NEAR(main.q(), 0.478, 0.001);
    EXPECT_EQ(bell.status(), 1);
    EXPECT_NEAR(bell.freq() / F, 0.104, 0.001);
    EXPECT_EQ(bell.gain(), -2.5);

    e->setSection(EqEngine::Section::HighShelf, 2, 2, F, 0.0, 0.0); // "Peak": a bell at F
    EXPECT_EQ(main.type(), Filter::kPeak);
    EXPECT_EQ(main.freq(), F);
    EXPECT_NEAR(main.q(), 0.124, 1e-12);
    EXPECT_EQ(bell.status(), 0);
    e->setSection(EqEngine::Section::HighShelf, 0, 2, F, 0.0, -10.0);
    EXPECT_NEAR(main.q(), 0.227, 0.001);
    EXPECT_EQ(main.gain(), -20.0);

    // A corner above 0.499 R is held there: a "Peak" high shelf at 25198 Hz
    // with a host rate of 22050 Hz (R 44100).
    auto slow = started(22050);
    slow->setSection(EqEngine::Section::HighShelf, 2, 2, 25198, 0.0, -10.0);
    EXPECT_NEAR(slow->filter(EqEngine::kHighShelfMain, 0).freq(), 0.499 * 44100, 1e-9);
}

TEST(Section, MidBandsQAndCompanions) {
    auto e = started(44100);
    Filter& main = e->filter(EqEngine::kMid1Main, 0);
    Filter& lo = e->filter(EqEngine::kMid1Low, 0);
    Filter& hi = e->filter(EqEngine::kMid1High, 0);

    e->setSection(EqEngine::Section::Mid1, 2, 0, 1000, 0.473757, 0.0);
    EXPECT_NEAR(main.q(), 0.104, 0.001);
    const double loWide = lo.freq(), hiWide = hi.freq();
    EXPECT_NEAR(loWide / 1000, 0.1, 0.02);
    EXPECT_NEAR(hiWide / 1000, 10, 2.0);

    e->setSection(EqEngine::Section::Mid1, 2, 0, 1000, 2.5, 20.0);
    EXPECT_NEAR(main.q(), 0.779, 0.001);
    EXPECT_NEAR(lo.q(), std::sqrt(main.q()), 1e-15);
    EXPECT_NEAR(lo.freq() / 1000, 1.0 / 3, 0.05);
    EXPECT_NEAR(hi.freq() / 1000, 3, 0.3);
    EXPECT_EQ(main.gain(), 20.0);
    EXPECT_EQ(lo.gain(), -3.0);
    EXPECT_EQ(hi.status(), 1);

    e->setSection(EqEngine::Section::Mid1, 0, 0, 1000, 2.5, 20.0); // "-": cut, companions lift
    EXPECT_EQ(main.gain(), -20.0);
    EXPECT_EQ(hi.gain(), 3.0);

    // A changed Q selection moves both companions as well.
    e->setSection(EqEngine::Section::Mid1, 0, 0, 1000, 1.13136, 20.0);
    EXPECT_GT(lo.freq(), loWide);
    EXPECT_LT(lo.freq(), 1000.0 / 3);

    // "0": off, the gains stay.
    e->setSection(EqEngine::Section::Mid1, 1, 0, 1000, 1.13136, 5.0);
    EXPECT_EQ(main.status(), 0);
    EXPECT_EQ(lo.status(), 0);
    EXPECT_EQ(main.gain(), -20.0);
}

TEST(Section, CutsAndTheirCorners) {
    auto e = started(44100);
    e->setSection(EqEngine::Section::HighCut, 0, 0, 28284, 0.0, 0.0);
    Filter& lp = e->filter(EqEngine::kHighCut, 0);
    EXPECT_NEAR(lp.freq(), 33601.4, 0.1); // 1.188 x 28284, below 0.499 x 88200
    EXPECT_EQ(lp.q(), 0.5974);
    EXPECT_EQ(lp.status(), 1); // always on; the loop bypasses it
    e->setSection(EqEngine::Section::LowCut, 1, 0, 100, 0.0, 0.0);
    Filter& hp = e->filter(EqEngine::kLowCut, 1);
    EXPECT_NEAR(hp.freq(), 108, 1e-9);
    EXPECT_EQ(hp.q(), 0.6901);
    EXPECT_EQ(hp.status(), 1);
    e->setSection(EqEngine::Section::LowCut, 0, 0, 100, 0.0, 0.0);
    EXPECT_EQ(hp.status(), 0);
}
