// The built plug-in against a Debian VST 2.x equaliser (LSP, lsp-plugins-vst),
// both loaded through our host and fed stereo noise at 44.1 kHz in blocks of
// 512: the counter "realtime" is seconds of audio per second of wall time.
// The LSP equaliser gets six bell bands switched on, so the two do comparable work.
#include "host/VstHost.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

void runPlugin(benchmark::State& state, const std::string& path, bool lspBands) {
    if (path.empty()) {
        state.SkipWithError("plug-in not installed");
        return;
    }
    VstPlugin p;
    p.setLogging(false);
    std::string err = p.load(path);
    if (!err.empty()) {
        state.SkipWithError(err.c_str());
        return;
    }
    if (lspBands) {
        // Bands 0..5 as bells with some gain: ft_N 0.2 reads "Bell", g_N 0.6 about +4 dB.
        for (int i = 0; i < p.numParams(); ++i) {
            std::string name = p.paramName(i).text;
            for (int band = 0; band < 6; ++band) {
                if (name == "ft_" + std::to_string(band)) p.setParameter(i, 0.2f);
                if (name == "g_" + std::to_string(band)) p.setParameter(i, 0.6f);
            }
        }
    }
    p.start(static_cast<float>(kRate), kBlock);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    for (int i = 0; i < kBlock; ++i) {
        inL[i] = noise(rng);
        inR[i] = noise(rng);
    }
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    for (auto _ : state) {
        p.processReplacing(in, out, kBlock);
        benchmark::DoNotOptimize(outL.data());
    }
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
    p.suspend();
}

} // namespace

BENCHMARK_CAPTURE(runPlugin, VeyDravo, DRAVO_PLUGIN_PATH, false);
BENCHMARK_CAPTURE(runPlugin, LspParaEq, findThirdPartyEq(), true);
