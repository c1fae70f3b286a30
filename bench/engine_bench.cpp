// Real-time factor of the equaliser engine's stereo loops at 44.1 kHz with
// every section on: the counter "realtime" is seconds of audio processed per
// second of wall time (100 means a hundred times faster than real time), and
// "s_per_filter_sample" the time per nominal filter sample (twelve filters,
// two channels, twice the rate), as for the ideal chain (ideal_chain_bench).
// Each case runs on each instruction set the processor has.
#include "dsp/EqEngine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace dravo;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

enum class Load { Static, GlideOne, GlideAll, Saturation, MasterOff, HighCutOff };

template <typename Engine> std::unique_ptr<Engine> allSectionsOn() {
    auto e = std::make_unique<Engine>();
    e->setMaster(true);
    e->setChannelSelect(0.5);
    e->setOutputFactor(1.0);
    e->setSection(EqEngine::Section::LowCut, 1, 0, 31.2, 0.0, 0.0);
    e->setSection(EqEngine::Section::HighCut, 1, 0, 16818, 0.0, 0.0);
    e->setSection(EqEngine::Section::LowShelf, 0, 1, 105.1, 0.0, 6.0);
    e->setSection(EqEngine::Section::Mid1, 2, 0, 447, 1.13136, 8.0);
    e->setSection(EqEngine::Section::Mid2, 0, 0, 3190, 2.5, 6.0);
    e->setSection(EqEngine::Section::HighShelf, 2, 1, 8909, 0.0, -4.0);
    e->suspend();
    e->resume(kRate);
    return e;
}

template <typename Engine, typename T>
void runLoop(benchmark::State& state, Load load, EqEngine::InstructionSet set) {
    if (!EqEngine::supports(set)) {
        state.SkipWithError("instruction set not on this processor");
        return;
    }
    EqEngine::forceInstructionSet(set);
    auto e = allSectionsOn<Engine>();
    if (load == Load::Saturation) e->setSaturation(1.0f);
    if (load == Load::MasterOff) e->setMaster(false);
    if (load == Load::HighCutOff) e->setSection(EqEngine::Section::HighCut, 0, 0, 16818, 0.0, 0.0);
    std::vector<T> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    for (int i = 0; i < kBlock; ++i) {
        inL[i] = (T)(0.5 * std::sin(0.031 * i) + 0.2 * std::sin(0.7 * i));
        inR[i] = (T)(0.5 * std::cos(0.017 * i));
    }
    T* in[2] = {inL.data(), inR.data()};
    T* out[2] = {outL.data(), outR.data()};
    unsigned k = 0;
    for (auto _ : state) {
        // A swept parameter: a new target every block keeps the filters of
        // one section, or of all six, in their root-domain ramps.
        const double sweep = (k & 63) / 64.0;
        if (load == Load::GlideOne || load == Load::GlideAll)
            e->setSection(EqEngine::Section::Mid1, 2, 0, 300 + 400 * sweep, 1.13136, 8.0);
        if (load == Load::GlideAll) {
            e->setSection(EqEngine::Section::LowCut, 1, 0, 20 + 20 * sweep, 0.0, 0.0);
            e->setSection(EqEngine::Section::HighCut, 1, 0, 15000 + 2000 * sweep, 0.0, 0.0);
            e->setSection(EqEngine::Section::LowShelf, 0, 1, 100 + 20 * sweep, 0.0, 6.0);
            e->setSection(EqEngine::Section::Mid2, 0, 0, 3000 + 400 * sweep, 2.5, 6.0);
            e->setSection(EqEngine::Section::HighShelf, 2, 1, 8000 + 1000 * sweep, 0.0, -4.0);
        }
        ++k;
        e->processStereo(in, out, kBlock, true, true);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
    }
    EqEngine::forceInstructionSet(EqEngine::kBest);
    const double frames = (double)state.iterations() * kBlock;
    state.counters["realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    state.counters["s_per_filter_sample"] = benchmark::Counter(
        frames * 48.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// 32- or 64-bit loop.
void BM_Stereo(benchmark::State& state, int bits, Load load, EqEngine::InstructionSet set) {
    bits == 64 ? runLoop<EqEngine, double>(state, load, set)
               : runLoop<EqEngine, float>(state, load, set);
}

} // namespace

#define ENGINE_CASES(name, set)                                                                    \
    BENCHMARK_CAPTURE(BM_Stereo, 64_AllSections_##name, 64, Load::Static, set);                    \
    BENCHMARK_CAPTURE(BM_Stereo, 32_AllSections_##name, 32, Load::Static, set);                    \
    BENCHMARK_CAPTURE(BM_Stereo, 64_GlideOne_##name, 64, Load::GlideOne, set);                     \
    BENCHMARK_CAPTURE(BM_Stereo, 64_GlideAll_##name, 64, Load::GlideAll, set);                     \
    BENCHMARK_CAPTURE(BM_Stereo, 64_Saturation_##name, 64, Load::Saturation, set);                 \
    BENCHMARK_CAPTURE(BM_Stereo, 64_MasterOff_##name, 64, Load::MasterOff, set);                   \
    BENCHMARK_CAPTURE(BM_Stereo, 64_HighCutOff_##name, 64, Load::HighCutOff, set)

ENGINE_CASES(Sse2, EqEngine::kSse2);
ENGINE_CASES(Avx2, EqEngine::kAvx2);
