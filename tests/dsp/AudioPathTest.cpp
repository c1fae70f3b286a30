// The audio path allocates nothing: operator new is counted while a process
// call runs on this thread, over every loop, glides, saturation, master off,
// a switched-off high cut and non-finite input.
#include "dsp/EngineRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <new>

// The replacement pair below is malloc/free underneath, which GCC cannot see
// when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool tCounting = false;
int gAllocations = 0;
} // namespace

void* operator new(std::size_t n) {
    if (tCounting) ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(EqEngine, AudioPathAllocatesNothing) {
    for (auto set : {EqEngine::kSse2, EqEngine::kAvx2}) {
        if (!EqEngine::supports(set)) continue;
        EqEngine::forceInstructionSet(set);
        auto e = rig::started(44100);
        auto in = rig::noise<double>(1000, 0.5);
        in[7] = std::numeric_limits<double>::quiet_NaN();
        const std::vector<float> inF(in.begin(), in.end());
        std::vector<double> l(1000), r(1000);
        std::vector<float> lf(1000), rf(1000);
        double* d[2] = {in.data(), in.data()};
        double* o[2] = {l.data(), r.data()};
        float* df[2] = {const_cast<float*>(inF.data()), const_cast<float*>(inF.data())};
        float* of[2] = {lf.data(), rf.data()};
        for (int k = 0; k < 8; ++k) {
            e->setSection(EqEngine::Section::Mid1, 2, 0, 300 + 50 * k, 1.13136, 8.0);
            e->setSection(EqEngine::Section::HighCut, k % 2, 0, 9000, 0.0, 0.0);
            e->setSaturation(k % 3 == 0 ? 1.0f : 0.0f);
            e->setMaster(k != 5);
            tCounting = true;
            e->processStereo(d, o, 1000, true, true);
            e->processStereo(df, of, 1000, true, true);
            e->processMono(d, o, 1000, true);
            e->processMono(df, of, 1000, false);
            tCounting = false;
        }
    }
    EqEngine::forceInstructionSet(EqEngine::kBest);
    EXPECT_EQ(gAllocations, 0);
}
