#include "gui/OutputSpectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

// The newest kSize samples (kLargeSize above 60 kHz) go through a Hann
// window and a real transform at most kFrameRate times a second. Each bin's
// power is scaled so that the bins of a sine of amplitude a add up to a * a,
// so a band's level is the sum of its bins' power: a full-scale sine reads
// 0 dB whatever the band's width. A bin takes a new power at once when it is
// higher and otherwise falls at kFallDbPerSecond. The prefix sums of the
// bins' power answer a band's level in constant time, with the bins at its
// two edges counted in part, so the level moves smoothly with the frequency.
namespace dravo {

namespace {
constexpr int kSize = 4096;
constexpr int kLargeSize = 8192;
constexpr double kLargeAbove = 60000.0;
constexpr double kFrameRate = 30.0;
constexpr double kFallDbPerSecond = 20.0;
// 1/6 octave: a band reaches a twelfth of an octave either side.
const double kHalfBand = std::exp2(1.0 / 12.0);
// A power that counts as nothing (-200 dB).
constexpr double kNothing = 1e-20;
constexpr double kPi = 3.14159265358979323846;

// A real transform of n points whose working memory is ours.
struct Transform {
    explicit Transform(int n) {
        size_t bytes = 0;
        kiss_fftr_alloc(n, 0, nullptr, &bytes);
        memory.reset(new char[bytes]);
        cfg = kiss_fftr_alloc(n, 0, memory.get(), &bytes);
    }
    std::unique_ptr<char[]> memory;
    kiss_fftr_cfg cfg = nullptr;
};
} // namespace

struct OutputSpectrum::Impl {
    Impl() : small(kSize), large(kLargeSize) { start(44100.0); }

    // Everything for rate hz, nothing heard yet.
    void start(double hz) {
        rate = hz;
        size = hz > kLargeAbove ? kLargeSize : kSize;
        bins = size / 2 + 1;
        for (int i = 0; i < size; ++i)
            window[i] = (float)(0.5 - 0.5 * std::cos(2.0 * kPi * i / size));
        // The bins of a sine of amplitude a, each counted with its mirror,
        // hold a * a * 3 * size^2 / 16 in all (Parseval, with the window's
        // mean square 3/8).
        scale = 16.0 / (3.0 * (double)size * (double)size);
        std::fill(history, history + kLargeSize, 0.0f);
        written = 0;
        fresh = 0;
        forget();
    }
    void forget() {
        std::fill(power, power + kLargeSize / 2 + 1, 0.0);
        std::fill(prefix, prefix + kLargeSize / 2 + 2, 0.0);
        heard = false;
        sinceTransform = 1.0 / kFrameRate;
    }

    void transform() {
        for (int i = 0; i < size; ++i)
            frame[i] = history[(written - size + i) & (kLargeSize - 1)] * window[i];
        kiss_fftr(size == kSize ? small.cfg : large.cfg, frame, spectrum);
        for (int k = 0; k < bins; ++k) {
            const double re = spectrum[k].r, im = spectrum[k].i;
            // Every bin but DC and Nyquist stands for its mirror too.
            const double mirror = k == 0 || k == bins - 1 ? 1.0 : 2.0;
            const double p = (re * re + im * im) * scale * mirror;
            power[k] = std::max(power[k], p);
        }
    }

    void sumUp() {
        prefix[0] = 0.0;
        for (int k = 0; k < bins; ++k)
            prefix[k + 1] = prefix[k] + power[k];
    }

    // The power of the bins below x (in bins; bin k spans k - 1/2 .. k + 1/2).
    double below(double x) const {
        const double u = std::clamp(x + 0.5, 0.0, (double)bins);
        const int k = std::min((int)u, bins - 1);
        return prefix[k] + (u - k) * power[k];
    }

    Transform small, large;
    double rate = 0.0;
    int size = kSize;
    int bins = kSize / 2 + 1;
    double scale = 1.0;
    float window[kLargeSize];
    // The newest samples, in a ring; written counts every sample taken in
    // (it wraps), fresh those since the last transform.
    float history[kLargeSize];
    unsigned written = 0;
    unsigned fresh = 0;
    float frame[kLargeSize];
    kiss_fft_cpx spectrum[kLargeSize / 2 + 1];
    double power[kLargeSize / 2 + 1];
    double prefix[kLargeSize / 2 + 2];
    bool heard = false; // some bin holds more than nothing
    double sinceTransform = 0.0;
};

OutputSpectrum::OutputSpectrum() : impl_(new Impl) {}

OutputSpectrum::~OutputSpectrum() {
    delete impl_;
}

void OutputSpectrum::setSampleRate(double hz) {
    if (!(hz > 0.0)) hz = 44100.0;
    if (hz != impl_->rate) impl_->start(hz);
}

void OutputSpectrum::feed(const float* samples, int n) {
    if (!samples || n <= 0) return;
    Impl& s = *impl_;
    // Only the newest kLargeSize can count.
    if (n > kLargeSize) {
        samples += n - kLargeSize;
        n = kLargeSize;
    }
    for (int i = 0; i < n; ++i)
        s.history[(s.written + (unsigned)i) & (kLargeSize - 1)] = samples[i];
    s.written += (unsigned)n;
    s.fresh = std::min(s.fresh + (unsigned)n, (unsigned)kLargeSize);
}

bool OutputSpectrum::update(double seconds) {
    Impl& s = *impl_;
    seconds = std::max(0.0, seconds);
    bool changed = false;
    if (s.heard && seconds > 0.0) {
        const double fall = std::pow(10.0, -kFallDbPerSecond * seconds / 10.0);
        double loudest = 0.0;
        for (int k = 0; k < s.bins; ++k) {
            s.power[k] = s.power[k] * fall;
            loudest = std::max(loudest, s.power[k]);
        }
        if (loudest < kNothing) std::fill(s.power, s.power + s.bins, 0.0);
        s.heard = loudest >= kNothing;
        changed = true;
    }
    s.sinceTransform += seconds;
    const double period = 1.0 / kFrameRate;
    if (s.fresh > 0 && s.sinceTransform >= period * 0.99) {
        s.transform();
        s.fresh = 0;
        // A late frame does not make the next one early by more than a frame.
        s.sinceTransform = std::min(s.sinceTransform - period, period);
        s.heard = true;
        changed = true;
    }
    if (changed) s.sumUp();
    return changed;
}

void OutputSpectrum::clear() {
    impl_->forget();
}

double OutputSpectrum::levelDb(double hz) const {
    const Impl& s = *impl_;
    if (!(hz > 0.0)) return 10.0 * std::log10(kNothing);
    const double binHz = s.rate / s.size;
    double lo = hz / kHalfBand / binHz, hi = hz * kHalfBand / binHz;
    if (hi - lo < 1.0) {
        const double mid = hz / binHz;
        lo = mid - 0.5;
        hi = mid + 0.5;
    }
    const double p = s.below(hi) - s.below(lo);
    return 10.0 * std::log10(std::max(p, kNothing));
}

} // namespace dravo
