#include "host/render/Bench.h"

#include "host/render/Render.h"
#include "host/render/Settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

namespace {

constexpr double kBenchRate = 44100.0;

template <typename T> void benchAs(PluginSession& s, const RenderOptions& o) {
    const long long frames = static_cast<long long>(o.benchSeconds * kBenchRate);
    // Stereo white noise at -6 dBFS peak, the same on every run and machine.
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    std::vector<std::vector<T>> in(2, std::vector<T>(static_cast<std::size_t>(frames)));
    for (long long i = 0; i < frames; ++i)
        for (int ch = 0; ch < 2; ++ch)
            in[static_cast<std::size_t>(ch)][static_cast<std::size_t>(i)] =
                static_cast<T>(noise(rng));
    int inputs = std::max(s.plugin->numInputs(), 2), outputs = std::max(s.plugin->numOutputs(), 2);
    std::vector<std::vector<T>> extraIn(static_cast<std::size_t>(inputs - 2),
                                        std::vector<T>(static_cast<std::size_t>(o.block)));
    std::vector<std::vector<T>> out(static_cast<std::size_t>(outputs),
                                    std::vector<T>(static_cast<std::size_t>(o.block)));
    std::vector<T*> inPtr(static_cast<std::size_t>(inputs)),
        outPtr(static_cast<std::size_t>(outputs));
    for (int ch = 2; ch < inputs; ++ch)
        inPtr[static_cast<std::size_t>(ch)] = extraIn[static_cast<std::size_t>(ch - 2)].data();
    for (int ch = 0; ch < outputs; ++ch)
        outPtr[static_cast<std::size_t>(ch)] = out[static_cast<std::size_t>(ch)].data();
    BlockProcessor<T> proc(s, o.block);

    auto pass = [&](long long length) {
        for (long long pos = 0; pos < length; pos += o.block) {
            int n = static_cast<int>(std::min<long long>(o.block, length - pos));
            inPtr[0] = in[0].data() + pos;
            inPtr[1] = in[1].data() + pos;
            proc.processPlanar(inPtr.data(), outPtr.data(), n);
        }
    };
    pass(std::min<long long>(frames, static_cast<long long>(kBenchRate))); // warm-up
    std::vector<double> factors;
    for (int run = 0; run < o.benchRuns; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        pass(frames);
        auto t1 = std::chrono::steady_clock::now();
        double seconds = std::chrono::duration<double>(t1 - t0).count();
        factors.push_back(seconds / (frames / kBenchRate));
    }
    std::sort(factors.begin(), factors.end());
    double minF = factors.front();
    double median = factors.size() % 2
                        ? factors[factors.size() / 2]
                        : 0.5 * (factors[factors.size() / 2 - 1] + factors[factors.size() / 2]);
    std::printf("%s  (%s)\n", s.plugin->effectName().text.c_str(), s.plugin->path().c_str());
    std::printf("  settings: %s\n", s.title.c_str());
    std::printf("  %s noise, 44100 Hz, block %d, %s, %d runs of %g s\n",
                s.channels == 1 ? "mono" : "stereo", o.block, o.useDouble ? "64-bit" : "32-bit",
                o.benchRuns, o.benchSeconds);
    std::printf("  real-time factor (processing time / audio time): min %.5f  median %.5f\n", minF,
                median);
    std::printf("  that is %.1fx faster than real time (median)\n",
                median > 0 ? 1.0 / median : 0.0);
}

} // namespace

void runBench(const RenderOptions& o) {
    PluginSession s = openSession(o, kBenchRate, o.block, 0);
    if (o.useDouble)
        benchAs<double>(s, o);
    else
        benchAs<float>(s, o);
}
