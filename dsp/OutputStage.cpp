#include "dsp/OutputStage.h"

#include <cmath>
#include <cstring>
#include <emmintrin.h>

namespace dravo {

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
    for (int j = 0; j < n_; ++j)
        wPairs_[j][0] = wPairs_[j][1] = w_[n_ - 1 - j];
}

void OutputStage::clear() {
    std::memset(ring_, 0, sizeof ring_);
    std::memset(level_, 0, sizeof level_);
}

void OutputStage::clearNonFinite() {
    for (int i = 0; i < 2 * kRing; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            if (i < kRing && !std::isfinite(ring_[i][ch])) ring_[i][ch] = 0.0;
            if (!std::isfinite(level_[i][ch])) level_[i][ch] = 0.0;
        }
}

void OutputStage::processPair(const double* y, bool saturation, double* out,
                              const kernels::Set& k) {
    const __m128d v = _mm_loadu_pd(y);
    const __m128d level = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    _mm_store_pd(ring_[p_], v);
    _mm_store_pd(level_[p_], level);
    _mm_store_pd(level_[p_ + kRing], level);
    const double* delayed = ring_[(p_ - d_) & (kRing - 1)];
    if (!saturation) {
        out[0] = delayed[0];
        out[1] = delayed[1];
        return;
    }
    double e[2];
    k.windowMax(level_[p_ + kRing - n_ + 1], wPairs_[0], n_, e);
    out[0] = gain(e[0]) * delayed[0];
    out[1] = gain(e[1]) * delayed[1];
}

} // namespace dravo
