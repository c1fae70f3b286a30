#include "dsp/Kernels.h"

#include <immintrin.h>

namespace kernels {
namespace {

// ---------------------------------------------------------------------------
// SSE2: one lane pair per register.

// A group of K stages runs skewed: in step t stage k filters sample t - k,
// taking what stage k - 1 produced in step t - 1. The K recursions of a step
// are independent, so their latencies overlap.
template <int K, int Lanes> void group(Stage* st, double* lr, int m) {
    __m128d x1[K], x2[K], y1[K], y2[K], v[K];
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
        x1[k] = _mm_load_pd(st[k].h);
        x2[k] = _mm_load_pd(st[k].h + 2);
        y1[k] = _mm_load_pd(st[k].h + 4);
        y2[k] = _mm_load_pd(st[k].h + 6);
        v[k] = _mm_setzero_pd();
    }
    const __m128d tiny = _mm_set1_pd(1e-30);
    auto step = [&](int k, int s) __attribute__((always_inline)) {
        const __m128d in = k == 0 ? _mm_load_pd(lr + 2 * s) : v[k - 1];
        const double* c = st[k].c + s * st[k].stride;
        // b0 x0 + b1 x1 + b2 x2 - a1 y1 - a2 y2, then the denormal flush.
        __m128d y =
            _mm_add_pd(_mm_mul_pd(_mm_load_pd(c), in), _mm_mul_pd(_mm_load_pd(c + 2), x1[k]));
        y = _mm_add_pd(y, _mm_mul_pd(_mm_load_pd(c + 4), x2[k]));
        y = _mm_sub_pd(y, _mm_mul_pd(_mm_load_pd(c + 6), y1[k]));
        y = _mm_sub_pd(y, _mm_mul_pd(_mm_load_pd(c + 8), y2[k]));
        y = _mm_sub_pd(_mm_add_pd(y, tiny), tiny);
        x2[k] = x1[k];
        x1[k] = in;
        y2[k] = y1[k];
        y1[k] = y;
        v[k] = y;
        if (k == K - 1) {
            if (Lanes == 3)
                _mm_store_pd(lr + 2 * s, y);
            else if (Lanes == 1)
                _mm_storel_pd(lr + 2 * s, y);
            else
                _mm_storeh_pd(lr + 2 * s + 1, y);
        }
    };
    int t = 0;
    // Filling: the later stages have no sample yet.
    for (; t < K - 1; ++t)
#pragma GCC unroll 16
        for (int k = K - 1; k >= 0; --k)
            if (t - k >= 0 && t - k < m) step(k, t - k);
    for (; t < m; ++t)
#pragma GCC unroll 16
        for (int k = K - 1; k >= 0; --k)
            step(k, t - k);
    // Draining: the earlier stages are done.
    for (; t < m + K - 1; ++t)
#pragma GCC unroll 16
        for (int k = K - 1; k >= 0; --k)
            if (t - k >= 0 && t - k < m) step(k, t - k);
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
        _mm_store_pd(st[k].h, x1[k]);
        _mm_store_pd(st[k].h + 2, x2[k]);
        _mm_store_pd(st[k].h + 4, y1[k]);
        _mm_store_pd(st[k].h + 6, y2[k]);
    }
}

// The last count % kGroup stages as one shorter group.
template <int K, int Lanes> void rest(Stage* st, int count, double* lr, int m) {
    if constexpr (K > 0) {
        if (count == K)
            group<K, Lanes>(st, lr, m);
        else
            rest<K - 1, Lanes>(st, count, lr, m);
    }
}

constexpr int kGroup = 6;

template <int Lanes> void chainLanes(Stage* st, int count, double* lr, int m) {
    int k = 0;
    for (; k + kGroup <= count; k += kGroup)
        group<kGroup, Lanes>(st + k, lr, m);
    rest<kGroup - 1, Lanes>(st + k, count - k, lr, m);
}

void chainSse2(Stage* st, int count, double* lr, int m, int lanes) {
    if (lanes == 3)
        chainLanes<3>(st, count, lr, m);
    else if (lanes == 1)
        chainLanes<1>(st, count, lr, m);
    else if (lanes == 2)
        chainLanes<2>(st, count, lr, m);
}

// Four even samples at a time, each summed in its own order.
void interpolateSse2(const double* taps, double centre, const double* x, double* lr, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const double* p = x + 2 * i;
        __m128d s0 = _mm_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int j = 64; j >= 1; --j) {
            const __m128d t = _mm_set1_pd(taps[j - 1]);
            const double* q = p - 2 * j;
            s0 = _mm_add_pd(s0, _mm_mul_pd(t, _mm_load_pd(q)));
            s1 = _mm_add_pd(s1, _mm_mul_pd(t, _mm_load_pd(q + 2)));
            s2 = _mm_add_pd(s2, _mm_mul_pd(t, _mm_load_pd(q + 4)));
            s3 = _mm_add_pd(s3, _mm_mul_pd(t, _mm_load_pd(q + 6)));
        }
        _mm_store_pd(lr + 4 * i, s0);
        _mm_store_pd(lr + 4 * i + 4, s1);
        _mm_store_pd(lr + 4 * i + 8, s2);
        _mm_store_pd(lr + 4 * i + 12, s3);
    }
    for (; i < n; ++i) {
        const double* p = x + 2 * i;
        __m128d s = _mm_setzero_pd();
        for (int j = 64; j >= 1; --j)
            s = _mm_add_pd(s, _mm_mul_pd(_mm_set1_pd(taps[j - 1]), _mm_load_pd(p - 2 * j)));
        _mm_store_pd(lr + 4 * i, s);
    }
    const __m128d c = _mm_set1_pd(centre);
    for (i = 0; i < n; ++i)
        _mm_store_pd(lr + 4 * i + 2, _mm_mul_pd(c, _mm_load_pd(x + 2 * i - 64)));
}

// ---------------------------------------------------------------------------
// AVX2: two lane pairs (two consecutive samples) per register.

__attribute__((target("avx2"))) void interpolateAvx2(const double* taps, double centre,
                                                     const double* x, double* lr, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const double* p = x + 2 * i;
        __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int j = 64; j >= 1; --j) {
            const __m256d t = _mm256_broadcast_sd(taps + j - 1);
            const double* q = p - 2 * j;
            s0 = _mm256_add_pd(s0, _mm256_mul_pd(t, _mm256_loadu_pd(q)));
            s1 = _mm256_add_pd(s1, _mm256_mul_pd(t, _mm256_loadu_pd(q + 4)));
            s2 = _mm256_add_pd(s2, _mm256_mul_pd(t, _mm256_loadu_pd(q + 8)));
            s3 = _mm256_add_pd(s3, _mm256_mul_pd(t, _mm256_loadu_pd(q + 12)));
        }
        double* o = lr + 4 * i;
        _mm_store_pd(o, _mm256_castpd256_pd128(s0));
        _mm_store_pd(o + 4, _mm256_extractf128_pd(s0, 1));
        _mm_store_pd(o + 8, _mm256_castpd256_pd128(s1));
        _mm_store_pd(o + 12, _mm256_extractf128_pd(s1, 1));
        _mm_store_pd(o + 16, _mm256_castpd256_pd128(s2));
        _mm_store_pd(o + 20, _mm256_extractf128_pd(s2, 1));
        _mm_store_pd(o + 24, _mm256_castpd256_pd128(s3));
        _mm_store_pd(o + 28, _mm256_extractf128_pd(s3, 1));
    }
    for (; i + 2 <= n; i += 2) {
        const double* p = x + 2 * i;
        __m256d s = _mm256_setzero_pd();
        for (int j = 64; j >= 1; --j)
            s = _mm256_add_pd(
                s, _mm256_mul_pd(_mm256_broadcast_sd(taps + j - 1), _mm256_loadu_pd(p - 2 * j)));
        _mm_store_pd(lr + 4 * i, _mm256_castpd256_pd128(s));
        _mm_store_pd(lr + 4 * i + 4, _mm256_extractf128_pd(s, 1));
    }
    for (; i < n; ++i) {
        const double* p = x + 2 * i;
        __m128d s = _mm_setzero_pd();
        for (int j = 64; j >= 1; --j)
            s = _mm_add_pd(s, _mm_mul_pd(_mm_set1_pd(taps[j - 1]), _mm_load_pd(p - 2 * j)));
        _mm_store_pd(lr + 4 * i, s);
    }
    const __m128d c = _mm_set1_pd(centre);
    for (i = 0; i < n; ++i)
        _mm_store_pd(lr + 4 * i + 2, _mm_mul_pd(c, _mm_load_pd(x + 2 * i - 64)));
}

} // namespace

const Set& sse2() {
    static const Set s{chainSse2, interpolateSse2};
    return s;
}

// The chain keeps the SSE2 kernel: its skewed groups are bound by the
// latency of the recursions, not by throughput, and a variant with two
// filters per 256-bit register (bit-identical too) measured slower here.
const Set& avx2() {
    static const Set s{chainSse2, interpolateAvx2};
    return s;
}

bool hasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace kernels
