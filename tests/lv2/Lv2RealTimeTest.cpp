// run() allocates nothing (operator new is counted while it runs on this
// thread, over port changes, glides, saturation, master off and non-finite
// values), and ports written from another thread while run() runs are
// race-free (the ThreadSanitizer build runs the Threads case).
#include "lv2/Lv2Rig.h"
#include "lv2/Ports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <thread>

#include "AllocationCounter.h"

using namespace dravo;

namespace {

// Port values that move every section: a step of the parameter's range.
float portAt(Param p, double normalised) {
    return (float)realValueOf(p, normalised);
}

TEST(Lv2Run, AllocatesNothing) {
    std::vector<float> l(8192, 0.25f), r(8192, -0.5f);
    const std::vector<float*> io{l.data(), r.data()};
    for (const auto& v : lv2::kVariants) {
        lv2rig::Instance lv2(v.uri, 44100);
        lv2.activate();
        // Counting starts after the instance has taken what it needs.
        lv2.run(io, io, 64);
        for (int k = 0; k < 8; ++k) {
            lv2.port(Param::Mid1Mode) = 2;
            lv2.port(Param::Mid1Freq) = portAt(Param::Mid1Freq, k / 8.0);
            lv2.port(Param::HighCutOn) = (float)(k % 2);
            lv2.port(Param::Saturation) = k % 3 == 0 ? 1.0f : 0.0f;
            lv2.port(Param::Master) = k == 5 ? 0.0f : 1.0f;
            lv2.port(Param::Output) = k == 6 ? std::numeric_limits<float>::quiet_NaN() : 3.0f;
            for (uint32_t frames : {0u, 1u, 100u, 8192u}) {
                tCounting = true;
                lv2.run(io, io, frames);
                tCounting = false;
            }
        }
    }
    EXPECT_EQ(gAllocations, 0);
}

TEST(Lv2Threads, PortsWrittenFromAnotherThreadWhileRunRuns) {
    lv2rig::Instance lv2(lv2::kVariants[0].uri, 48000);
    lv2.activate();
    std::vector<float*> ports;
    std::vector<Param> params;
    for (const ParamInfo& p : kParams)
        if (isActive(p.id)) {
            ports.push_back(&lv2.port(p.id));
            params.push_back(p.id);
        }
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int round = 0; !stop.load(); ++round)
            for (size_t i = 0; i < ports.size(); ++i) {
                float v = portAt(params[i], ((round + (int)i) % 5) / 4.0);
                __atomic_store(ports[i], &v, __ATOMIC_RELAXED);
            }
    });
    std::vector<float> l(64), r(64);
    bool finite = true;
    for (int block = 0; block < 3000; ++block) {
        for (int i = 0; i < 64; ++i)
            l[i] = r[i] = std::sin(0.05f * (float)(block * 64 + i));
        lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64);
        for (int i = 0; i < 64; ++i)
            finite = finite && std::isfinite(l[i]) && std::isfinite(r[i]);
    }
    stop.store(true);
    writer.join();
    EXPECT_TRUE(finite);
}

} // namespace
