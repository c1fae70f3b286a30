// Real-time factor of the equaliser engine's stereo loops at 44.1 kHz with
// every section on: the counter "realtime" is seconds of audio processed per
// second of wall time (100 means a hundred times faster than real time).
#include "dsp/EqEngine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

enum class Load { Static, Gliding, Saturation };

std::unique_ptr<EqEngine> allSectionsOn() {
    auto e = std::make_unique<EqEngine>();
    e->setMaster(true);
    e->setChannelSelect(0.5);
    e->setOutputFactor(1.0);
    e->updateLowCut(1, 31.2);
    e->updateHighCut(1, 16818);
    e->updateLowShelf(0, 1, 105.1, 6.0);
    e->updateLowMid(2, 447, 1.13136, 8.0);
    e->updateMid(0, 3190, 2.5, 6.0);
    e->updateHighShelf(2, 1, 8909, -4.0);
    e->suspend();
    e->resume(kRate);
    return e;
}

template <typename T> void runLoop(benchmark::State& state, Load load) {
    auto e = allSectionsOn();
    if (load == Load::Saturation) e->setSaturation(1.0f);
    std::vector<T> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    for (int i = 0; i < kBlock; ++i) {
        inL[i] = (T)(0.5 * std::sin(0.031 * i) + 0.2 * std::sin(0.7 * i));
        inR[i] = (T)(0.5 * std::cos(0.017 * i));
    }
    T* in[2] = {inL.data(), inR.data()};
    T* out[2] = {outL.data(), outR.data()};
    unsigned k = 0;
    for (auto _ : state) {
        if (load == Load::Gliding) {
            // A new target every block keeps every filter of two sections
            // in its root-domain ramp.
            e->updateLowMid(2, 447, 1.13136, (k & 1) ? 8.0 : 12.0);
            e->updateHighShelf(2, 1, 8909, (k & 1) ? -4.0 : 4.0);
            ++k;
        }
        e->processStereo(in, out, kBlock, true, true);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
    }
    state.counters["realtime"] = benchmark::Counter((double)state.iterations() * kBlock / kRate,
                                                    benchmark::Counter::kIsRate);
}

// 32- or 64-bit loop.
void BM_Stereo(benchmark::State& state, int bits, Load load) {
    bits == 64 ? runLoop<double>(state, load) : runLoop<float>(state, load);
}

} // namespace

BENCHMARK_CAPTURE(BM_Stereo, 32_AllSections, 32, Load::Static);
BENCHMARK_CAPTURE(BM_Stereo, 64_AllSections, 64, Load::Static);
BENCHMARK_CAPTURE(BM_Stereo, 32_Gliding, 32, Load::Gliding);
BENCHMARK_CAPTURE(BM_Stereo, 64_Gliding, 64, Load::Gliding);
BENCHMARK_CAPTURE(BM_Stereo, 32_Saturation, 32, Load::Saturation);
