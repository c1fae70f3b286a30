// The audio path allocates nothing: operator new is counted while a process
// call runs on this thread, over every loop, glides, saturation, master off,
// a switched-off high cut and non-finite input.
#include "dsp/EngineRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <new>

#include "AllocationCounter.h"

using namespace dravo;

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
