#include "dsp/OutputStage.h"

#include <cmath>
#include <cstring>
#include <emmintrin.h>

OutputStage::OutputStage() {
    prepare(29);
    clear();
}

void OutputStage::prepare(int windowLength) {
    if (windowLength < 1) windowLength = 1;
    if (windowLength > kMaxWindow) windowLength = kMaxWindow;
    n_ = windowLength;
    d_ = windowLength / 2;
    p_ = kRing - 1;
    // w[k] = (0.5 + 0.5 cos(2 (k - D) 3.1415 / N))^0.7071: 1 at k = D.
    for (int k = 0; k < n_; ++k)
        w_[k] = std::pow(0.5 + 0.5 * std::cos(2.0 * (k - d_) * 3.1415 / n_), 0.7071);
}

void OutputStage::clear() {
    std::memset(ring_, 0, sizeof ring_);
    std::memset(level_, 0, sizeof level_);
}

void OutputStage::clearNonFinite() {
    for (int i = 0; i < kRing; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            if (!std::isfinite(ring_[i][ch])) ring_[i][ch] = 0.0;
            if (!std::isfinite(level_[i][ch])) level_[i][ch] = 0.0;
        }
}

void OutputStage::processPair(const double* y, bool saturation, double* out) {
    const __m128d v = _mm_loadu_pd(y);
    _mm_store_pd(ring_[p_], v);
    _mm_store_pd(level_[p_], _mm_andnot_pd(_mm_set1_pd(-0.0), v));
    const double* delayed = ring_[(p_ - d_) & (kRing - 1)];
    if (!saturation) {
        out[0] = delayed[0];
        out[1] = delayed[1];
        return;
    }
    // max(a, b) answers a > b ? a : b, which is "if (v > e) e = v": the
    // windowed maximum in four interleaved runs is the same value.
    __m128d e0 = _mm_setzero_pd(), e1 = e0, e2 = e0, e3 = e0;
    int k = 0;
    for (; k + 4 <= n_; k += 4) {
        e0 = _mm_max_pd(_mm_mul_pd(_mm_set1_pd(w_[k]), _mm_load_pd(level_[(p_ - k) & (kRing - 1)])),
                        e0);
        e1 = _mm_max_pd(
            _mm_mul_pd(_mm_set1_pd(w_[k + 1]), _mm_load_pd(level_[(p_ - k - 1) & (kRing - 1)])),
            e1);
        e2 = _mm_max_pd(
            _mm_mul_pd(_mm_set1_pd(w_[k + 2]), _mm_load_pd(level_[(p_ - k - 2) & (kRing - 1)])),
            e2);
        e3 = _mm_max_pd(
            _mm_mul_pd(_mm_set1_pd(w_[k + 3]), _mm_load_pd(level_[(p_ - k - 3) & (kRing - 1)])),
            e3);
    }
    for (; k < n_; ++k)
        e0 = _mm_max_pd(_mm_mul_pd(_mm_set1_pd(w_[k]), _mm_load_pd(level_[(p_ - k) & (kRing - 1)])),
                        e0);
    alignas(16) double e[2];
    _mm_store_pd(e, _mm_max_pd(_mm_max_pd(e0, e1), _mm_max_pd(e2, e3)));
    out[0] = gain(e[0]) * delayed[0];
    out[1] = gain(e[1]) * delayed[1];
}
