#include "dsp/Kernels.h"

#include <immintrin.h>

namespace dravo {

namespace kernels {
namespace {

// ---------------------------------------------------------------------------
// SSE2: one lane pair per register.

#define KERNEL_ATTR
namespace sse2chain {
#include "dsp/ChainKernel.inc"
} // namespace sse2chain
#undef KERNEL_ATTR

// The same code with VEX encoding, so that the AVX2 set never mixes legacy
// SSE instructions with 256-bit ones.
#define KERNEL_ATTR __attribute__((target("avx2")))
namespace avx2chain {
#include "dsp/ChainKernel.inc"
} // namespace avx2chain
#undef KERNEL_ATTR

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

// max(a, b) answers a > b ? a : b, which is "if (v > e) e = v": the
// maximum in interleaved runs is the same value.
void windowMaxSse2(const double* level, const double* weights, int n, double* e) {
    __m128d e0 = _mm_setzero_pd(), e1 = e0;
    int j = 0;
    for (; j + 2 <= n; j += 2) {
        e0 = _mm_max_pd(_mm_mul_pd(_mm_load_pd(weights + 2 * j), _mm_load_pd(level + 2 * j)), e0);
        e1 = _mm_max_pd(
            _mm_mul_pd(_mm_load_pd(weights + 2 * j + 2), _mm_load_pd(level + 2 * j + 2)), e1);
    }
    if (j < n)
        e0 = _mm_max_pd(_mm_mul_pd(_mm_load_pd(weights + 2 * j), _mm_load_pd(level + 2 * j)), e0);
    _mm_storeu_pd(e, _mm_max_pd(e0, e1));
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

// Two window positions of both lanes per register.
__attribute__((target("avx2"))) void windowMaxAvx2(const double* level, const double* weights,
                                                   int n, double* e) {
    __m256d e0 = _mm256_setzero_pd(), e1 = e0;
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        e0 = _mm256_max_pd(
            _mm256_mul_pd(_mm256_load_pd(weights + 2 * j), _mm256_loadu_pd(level + 2 * j)), e0);
        e1 = _mm256_max_pd(
            _mm256_mul_pd(_mm256_load_pd(weights + 2 * j + 4), _mm256_loadu_pd(level + 2 * j + 4)),
            e1);
    }
    e0 = _mm256_max_pd(e0, e1);
    __m128d r = _mm_max_pd(_mm256_castpd256_pd128(e0), _mm256_extractf128_pd(e0, 1));
    for (; j < n; ++j)
        r = _mm_max_pd(_mm_mul_pd(_mm_load_pd(weights + 2 * j), _mm_loadu_pd(level + 2 * j)), r);
    _mm_storeu_pd(e, r);
}

} // namespace

const Set& sse2() {
    static const Set s{sse2chain::chain, interpolateSse2, windowMaxSse2};
    return s;
}

// The chain keeps one lane pair per register: its skewed groups are bound
// by the latency of the recursions, not by throughput, and a variant with
// two filters per 256-bit register (bit-identical too) measured slower here.
const Set& avx2() {
    static const Set s{avx2chain::chain, interpolateAvx2, windowMaxAvx2};
    return s;
}

bool hasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace kernels

} // namespace dravo
