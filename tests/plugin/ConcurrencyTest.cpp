// Parameter changes of one section from several threads at once (a host's
// automation thread and the editor, say) must be race-free (the ThreadSanitizer
// build runs this) and leave the section tuned to the values set last.
#include "vst/Dravo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace dravo;

namespace {
VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

void expectSameTuning(Dravo& a, Dravo& b, int role) {
    for (int ch = 0; ch < 2; ++ch) {
        const Filter& x = a.getEngine().filter(role, ch);
        const Filter& y = b.getEngine().filter(role, ch);
        EXPECT_EQ(x.type(), y.type()) << role;
        EXPECT_EQ(x.status(), y.status()) << role;
        EXPECT_EQ(x.freq(), y.freq()) << role;
        EXPECT_EQ(x.q(), y.q()) << role;
        EXPECT_EQ(x.gain(), y.gain()) << role;
    }
}
} // namespace

TEST(ParamThreads, OneSectionSetFromTwoThreadsEndsOnTheLastValues) {
    auto effect = std::make_unique<Dravo>(quietHost);
    auto reference = std::make_unique<Dravo>(quietHost);
    effect->setParameter(dravo::index(dravo::Param::Mid1Mode), 1.0f); // MID1 boost
    reference->setParameter(dravo::index(dravo::Param::Mid1Mode), 1.0f);

    // Each round, thread A sets MID1's frequency and thread B its gain at
    // the same moment; then both must have reached the section.
    constexpr int kRounds = 500;
    std::atomic<int> go{-1}, done{0};
    auto run = [&](int index, int salt) {
        for (int r = 0; r < kRounds; ++r) {
            while (go.load() < r) {
            }
            effect->setParameter(index, (float)((r * salt) % 23) / 22);
            done.fetch_add(1);
        }
    };
    std::thread a(run, 17, 7), b(run, 19, 5);
    for (int r = 0; r < kRounds && !HasFailure(); ++r) {
        go.store(r);
        while (done.load() < 2 * (r + 1)) {
        }
        reference->setParameter(dravo::index(dravo::Param::Mid1Freq), (float)((r * 7) % 23) / 22);
        reference->setParameter(dravo::index(dravo::Param::Mid1Gain), (float)((r * 5) % 23) / 22);
        for (int role : {EqEngine::kMid1Main, EqEngine::kMid1Low, EqEngine::kMid1High})
            expectSameTuning(*effect, *reference, role);
    }
    go.store(kRounds);
    a.join();
    b.join();
}
