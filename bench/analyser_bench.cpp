// The curve panel's work on the editor's thread. The output analyser's cost
// for one frame: 1/30 s of samples fed, a transform and fall (update), and a
// level for each of the 940 columns of the panel. A change of a setting: the
// curves computed anew, the whole plug-in and each section at the panel's
// points (one every two pixels).
#include "gui/OutputSpectrum.h"
#include "model/CurveSettings.h"
#include "model/FactoryPresets.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace {
void BM_AnalyserFrame(benchmark::State& state) {
    const double rate = (double)state.range(0);
    const int perFrame = (int)std::lround(rate / 30);
    std::vector<float> samples(perFrame * 64);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (float)(0.3 * std::sin(0.05 * i) + 0.1 * std::sin(0.71 * i));
    std::vector<double> columns(940);
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = 20.0 * std::pow(1000.0, i / 939.0);
    dravo::OutputSpectrum spectrum;
    spectrum.setSampleRate(rate);
    size_t at = 0;
    for (auto _ : state) {
        spectrum.feed(samples.data() + at, perFrame);
        at = (at + perFrame) % (samples.size() - perFrame);
        benchmark::DoNotOptimize(spectrum.update(1.0 / 30));
        double sum = 0;
        for (double hz : columns)
            sum += spectrum.levelDb(hz);
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::to_string((int)rate) + " Hz");
}
BENCHMARK(BM_AnalyserFrame)->Arg(44100)->Arg(96000)->Unit(benchmark::kMicrosecond);

void BM_CurveRecompute(benchmark::State& state) {
    float values[dravo::kNumParams];
    for (const dravo::ParamInfo& i : dravo::kParams)
        values[dravo::index(i.id)] = i.defaultValue;
    for (const dravo::PresetField& f : dravo::kFactoryPresets[0].fields)
        values[dravo::index(f.param)] = (float)f.value;
    const double rate = (double)state.range(0);
    for (auto _ : state) {
        const dravo::EqResponse response(dravo::curveSettings(values, rate));
        double sum = 0;
        for (int i = 0; i < 443; ++i) {
            const double hz = 20.0 * std::pow(1000.0, i / 442.0);
            sum += response.totalDb(hz);
            for (const dravo::SectionInfo& s : dravo::kSections)
                sum += response.sectionDb(s.id, hz);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::to_string((int)rate) + " Hz");
}
BENCHMARK(BM_CurveRecompute)->Arg(44100)->Arg(96000)->Unit(benchmark::kMicrosecond);
} // namespace
