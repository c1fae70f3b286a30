// Frozen copy of the scalar engine the optimised one must match bit for bit.
#include "dsp/reference/Oversampler.h"

#include <cmath>
#include <cstring>

namespace ref {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Oversampler::Oversampler() {
    initUpsDec();
    clear();
}

void Oversampler::initUpsDec() {
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
}

void Oversampler::clear() {
    std::memset(hist_, 0, sizeof hist_);
}

void Oversampler::upsample(int ch, double* work, int n) {
    double* h = hist_[ch];
    std::memcpy(h + kHistory, work, sizeof(double) * n);
    for (int i = 0; i < n; ++i) {
        // x[k - j] lives at h[kHistory + i - j].
        const double* x = h + kHistory + i;
        // Even output: the stuffed stream at odd offsets t = -63 .. 63 holds
        // x[k - 64] .. x[k - 1]; the kernel is zero at the other offsets.
        double sum = 0.0;
        for (int j = 64; j >= 1; --j)
            sum += h2_[128 - 2 * j] * x[-j];
        work[2 * i] = sum;
        // Odd output: only the centre tap meets a non-zero sample.
        work[2 * i + 1] = h2_[kCentre] * x[-kDelay];
    }
    std::memmove(h, h + n, sizeof(double) * kHistory);
}

void Oversampler::decimate(double* work, int n) {
    for (int i = 0; i < n; ++i)
        work[i] = work[2 * i + 1];
}

void Oversampler::delay(int ch, double* work, int n) {
    double* h = hist_[ch];
    std::memcpy(h + kHistory, work, sizeof(double) * n);
    for (int i = 0; i < n; ++i)
        work[i] = h[kHistory + i - kDelay];
    std::memmove(h, h + n, sizeof(double) * kHistory);
}

} // namespace ref
