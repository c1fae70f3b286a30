// The analyser's ring: off it keeps nothing, on it keeps the mean of the
// channels and drops what does not fit; one thread pushing while another
// pops loses no order and repeats nothing (the ThreadSanitizer build runs the
// Threads case).
#include "model/SampleRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using dravo::SampleRing;

namespace {

TEST(SampleRing, KeepsTheMeanWhileOnAndDropsWhatDoesNotFit) {
    constexpr int kMore = (int)SampleRing::kCapacity + 100;
    std::vector<double> a(kMore), b(kMore);
    for (int i = 0; i < kMore; ++i) {
        a[i] = i;
        b[i] = i + 2;
    }
    const double* channels[2] = {a.data(), b.data()};
    std::vector<float> out(kMore);
    SampleRing ring;
    ring.push(channels, 2, 10);
    EXPECT_EQ(ring.pop(out.data(), kMore), 0) << "off";
    ring.setOn(true);
    ring.push(channels, 2, kMore);
    ASSERT_EQ(ring.pop(out.data(), kMore), (int)SampleRing::kCapacity);
    for (int i = 0; i < (int)SampleRing::kCapacity; ++i)
        ASSERT_EQ(out[i], (float)(i + 1)) << i;
    ring.push(channels, 1, 3);
    ring.setOn(false);
    EXPECT_EQ(ring.pop(out.data(), kMore), 0) << "switched off: what it held is gone";
}

TEST(SampleRingThreads, EverySampleComesOutInOrderAndOnce) {
    constexpr long kBlock = 96, kSamples = kBlock * 4000;
    SampleRing ring;
    ring.setOn(true);
    std::atomic<long> taken{0};
    std::atomic<bool> written{false};
    std::thread writer([&] {
        std::vector<float> block(kBlock);
        const float* channels[1] = {block.data()};
        for (long at = 0; at < kSamples; at += kBlock) {
            // Never more than fits: every sample must come out.
            while (at + kBlock - taken.load() > (long)SampleRing::kCapacity)
                std::this_thread::yield();
            for (long i = 0; i < kBlock; ++i)
                block[i] = (float)(at + i);
            ring.push(channels, 1, (int)kBlock);
        }
        written.store(true);
    });
    std::vector<float> out(1000);
    long next = 0, wrong = 0;
    while (next < kSamples) {
        const bool finished = written.load();
        const int n = ring.pop(out.data(), 1 + (int)(next % 997));
        if (n == 0 && finished) break;
        for (int i = 0; i < n; ++i)
            wrong += out[i] != (float)(next + i);
        next += n;
        taken.store(next);
    }
    writer.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(next, kSamples);
}

} // namespace
