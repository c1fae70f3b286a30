// Frozen copy of the scalar engine the optimised one must match bit for bit.
#include "dsp/reference/OutputStage.h"

#include <cmath>
#include <cstring>

namespace ref {

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
    std::memset(delay_, 0, sizeof delay_);
    std::memset(level_, 0, sizeof level_);
}

} // namespace ref
