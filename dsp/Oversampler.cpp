#include "dsp/Oversampler.h"

#include <cmath>
#include <cstring>

namespace dravo {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Oversampler::Oversampler() {
    initInterpolationKernel();
    clear();
}

void Oversampler::initInterpolationKernel() {
    for (int t = 0; t <= 63; ++t) {
        // Kernel sin(pi t / 2) / (128 sin(pi t / 127)), 0.5 at t = 0.
        const double s =
            t == 0 ? 0.5 : std::sin(kPi * t / 2.0) / (128.0 * std::sin(kPi * t / 127.0));
        // Blackman window over 127 taps.
        const double b =
            0.42 + 0.5 * std::cos(2.0 * kPi * t / 127.0) + 0.08 * std::cos(4.0 * kPi * t / 127.0);
        double v = s * b;
        // Rounding residue at even t: makes the kernel an exact half-band one.
        if (std::fabs(v) < 1e-16) v = 0.0;
        // Factor 2 restores the level lost by zero-stuffing.
        h2_[kCentre + t] = 2.0 * v;
        h2_[kCentre - t] = 2.0 * v;
    }
    for (int j = 1; j <= kHistory; ++j)
        taps_[j - 1] = h2_[128 - 2 * j];
}

void Oversampler::clear() {
    std::memset(hist_, 0, sizeof hist_);
    pos_ = kHistory;
}

const double* Oversampler::takeIn(const double* lr, int n, bool stereo) {
    if (pos_ + n > kLength) {
        std::memmove(hist_, hist_ + 2 * (pos_ - kHistory), sizeof(double) * 2 * kHistory);
        pos_ = kHistory;
    }
    double* x = hist_ + 2 * pos_;
    if (stereo) {
        std::memcpy(x, lr, sizeof(double) * 2 * n);
    } else {
        for (int i = 0; i < n; ++i)
            x[2 * i] = lr[2 * i];
    }
    return x;
}

void Oversampler::advance(int n, bool stereo) {
    // Mono leaves the right channel's history as it was: its last 64
    // samples move along with the window.
    if (!stereo)
        for (int i = kHistory - 1; i >= 0; --i)
            hist_[2 * (pos_ + n - kHistory + i) + 1] = hist_[2 * (pos_ - kHistory + i) + 1];
    pos_ += n;
}

void Oversampler::upsample(double* lr, int n, bool stereo, const kernels::Set& k) {
    const double* x = takeIn(lr, n, stereo);
    // Even output: the stuffed stream at odd offsets t = -63 .. 63 holds
    // x[k - 64] .. x[k - 1]; the kernel is zero at the other offsets. Odd
    // output: only the centre tap meets a non-zero sample.
    k.interpolate(taps_, h2_[kCentre], x, lr, n);
    advance(n, stereo);
}

void Oversampler::upsampleDecimated(double* lr, int n, bool stereo) {
    const double* x = takeIn(lr, n, stereo);
    const double c = h2_[kCentre];
    for (int i = 0; i < 2 * n; ++i)
        lr[i] = c * x[i - 2 * kDelay];
    advance(n, stereo);
}

void Oversampler::decimate(double* lr, int n) {
    for (int i = 0; i < n; ++i) {
        lr[2 * i] = lr[4 * i + 2];
        lr[2 * i + 1] = lr[4 * i + 3];
    }
}

void Oversampler::delay(double* lr, int n, bool stereo) {
    const double* x = takeIn(lr, n, stereo);
    for (int i = 0; i < 2 * n; ++i)
        lr[i] = x[i - 2 * kDelay];
    advance(n, stereo);
}

} // namespace dravo
