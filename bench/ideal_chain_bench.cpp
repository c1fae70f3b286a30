// The yardstick for the engine benchmarks: an idealised chain doing the same
// filtering work with nothing else. Stereo at 44.1 kHz in blocks of 512: a
// half-band 2x interpolator (64 taps for the new sample of each pair, the
// centre tap for the other), twelve biquads per channel at 88.2 kHz in double
// with left and right packed in one SSE2 register, and the decimation that
// keeps every second sample. No denormal flush, no glide, no output stage.
// The gliding variant rebuilds every biquad's coefficients at every sample
// from nine root values that move in a straight line.
#include "dsp/Oversampler.h"

#include <benchmark/benchmark.h>

#include <emmintrin.h>

#include <cmath>
#include <vector>

using namespace dravo;

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kFilters = 12;
constexpr int kTaps = 64;

struct Biquad {
    double b0, b1, b2, a1, a2;
};

// Twelve bells spread over the spectrum at 88.2 kHz, some gain each.
std::vector<Biquad> bells() {
    std::vector<Biquad> out;
    for (int k = 0; k < kFilters; ++k) {
        const double w = 2.0 * 3.141592653589793 * (40.0 * std::pow(1.8, k)) / (2.0 * kRate);
        const double a = std::pow(10.0, (k % 2 ? 4.0 : -3.0) / 40.0);
        const double alpha = std::sin(w) / (2.0 * 1.2);
        const double a0 = 1.0 + alpha / a;
        out.push_back({(1.0 + alpha * a) / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha * a) / a0,
                       -2.0 * std::cos(w) / a0, (1.0 - alpha / a) / a0});
    }
    return out;
}

struct Chain {
    double taps[kTaps];
    alignas(16) double hist[2 * (kTaps + kBlock)] = {}; // interleaved L R
    alignas(16) double work[2 * 2 * kBlock];
    __m128d state[kFilters][4] = {};
    std::vector<Biquad> q = bells();
    double roots[kFilters][9], steps[kFilters][9];

    Chain() {
        Oversampler os;
        for (int j = 1; j <= kTaps; ++j)
            taps[j - 1] = os.table()[128 - 2 * j];
        for (int k = 0; k < kFilters; ++k)
            for (int r = 0; r < 9; ++r) {
                roots[k][r] = 0.1 * (r + 1) / (k + 2);
                steps[k][r] = 1e-9 * (r - 4);
            }
    }

    void interpolate(const float* l, const float* r) {
        double* x = hist + 2 * kTaps;
        for (int i = 0; i < kBlock; ++i) {
            x[2 * i] = l[i];
            x[2 * i + 1] = r[i];
        }
        const __m128d centre = _mm_set1_pd(2.0 * 0.5 * 0.9999999999999999);
        for (int i = 0; i < kBlock; ++i) {
            const double* xi = x + 2 * i;
            __m128d sum = _mm_setzero_pd();
            for (int j = kTaps; j >= 1; --j)
                sum =
                    _mm_add_pd(sum, _mm_mul_pd(_mm_set1_pd(taps[j - 1]), _mm_load_pd(xi - 2 * j)));
            _mm_store_pd(work + 4 * i, sum);
            _mm_store_pd(work + 4 * i + 2, _mm_mul_pd(centre, _mm_load_pd(xi - 64)));
        }
        for (int i = 0; i < 2 * kTaps; ++i)
            hist[i] = hist[2 * kBlock + i];
    }

    // One biquad step on the lane pair at i of work, in place.
    __attribute__((always_inline)) void step(int i, __m128d b0, __m128d b1, __m128d b2, __m128d a1,
                                             __m128d a2, __m128d& x1, __m128d& x2, __m128d& y1,
                                             __m128d& y2) {
        const __m128d x0 = _mm_load_pd(work + 2 * i);
        __m128d y = _mm_add_pd(_mm_mul_pd(b0, x0), _mm_mul_pd(b1, x1));
        y = _mm_add_pd(y, _mm_mul_pd(b2, x2));
        y = _mm_sub_pd(y, _mm_mul_pd(a1, y1));
        y = _mm_sub_pd(y, _mm_mul_pd(a2, y2));
        x2 = x1;
        x1 = x0;
        y2 = y1;
        y1 = y;
        _mm_store_pd(work + 2 * i, y);
    }

    void filter(int k, const Biquad& c) {
        const __m128d b0 = _mm_set1_pd(c.b0), b1 = _mm_set1_pd(c.b1), b2 = _mm_set1_pd(c.b2);
        const __m128d a1 = _mm_set1_pd(c.a1), a2 = _mm_set1_pd(c.a2);
        __m128d x1 = state[k][0], x2 = state[k][1], y1 = state[k][2], y2 = state[k][3];
        for (int i = 0; i < 2 * kBlock; ++i) {
            step(i, b0, b1, b2, a1, a2, x1, x2, y1, y2);
        }
        state[k][0] = x1;
        state[k][1] = x2;
        state[k][2] = y1;
        state[k][3] = y2;
    }

    void filterGliding(int k) {
        double* r = roots[k];
        const double* s = steps[k];
        __m128d x1 = state[k][0], x2 = state[k][1], y1 = state[k][2], y2 = state[k][3];
        for (int i = 0; i < 2 * kBlock; ++i) {
            for (int m = 0; m < 9; ++m)
                r[m] += s[m];
            const double g = r[8];
            const __m128d b0 = _mm_set1_pd(g);
            const __m128d b1 = _mm_set1_pd(-g * (r[0] + r[2]));
            const __m128d b2 = _mm_set1_pd(g * (r[0] * r[2] - r[1] * r[3]));
            const __m128d a1 = _mm_set1_pd(-(r[4] + r[6]));
            const __m128d a2 = _mm_set1_pd(r[4] * r[6] - r[5] * r[7]);
            step(i, b0, b1, b2, a1, a2, x1, x2, y1, y2);
        }
        state[k][0] = x1;
        state[k][1] = x2;
        state[k][2] = y1;
        state[k][3] = y2;
        // Keep the ramp from running away over a long benchmark.
        for (int m = 0; m < 9; ++m)
            if (std::fabs(r[m]) > 0.5) r[m] = 0.1;
    }

    void decimate(float* l, float* r) {
        for (int i = 0; i < kBlock; ++i) {
            l[i] = (float)work[4 * i + 2];
            r[i] = (float)work[4 * i + 3];
        }
    }
};

void BM_IdealChain(benchmark::State& state, bool gliding) {
    Chain c;
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    uint32_t s = 9;
    for (int i = 0; i < kBlock; ++i) {
        s = s * 1664525u + 1013904223u;
        inL[i] = (float)((s >> 8) / 16777216.0 - 0.5);
        inR[i] = (float)(0.5 * std::cos(0.017 * i));
    }
    for (auto _ : state) {
        c.interpolate(inL.data(), inR.data());
        for (int k = 0; k < kFilters; ++k)
            gliding ? c.filterGliding(k) : c.filter(k, c.q[k]);
        c.decimate(outL.data(), outR.data());
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
    }
    const double frames = (double)state.iterations() * kBlock;
    state.counters["realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    // Nominal filter samples: twelve filters, two channels, twice the rate.
    state.counters["s_per_filter_sample"] = benchmark::Counter(
        frames * 48.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK_CAPTURE(BM_IdealChain, Steady, false);
BENCHMARK_CAPTURE(BM_IdealChain, Gliding, true);
