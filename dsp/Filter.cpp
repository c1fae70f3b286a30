#include "dsp/Filter.h"

#include "dsp/Kernels.h"

#include <cmath>
#include <cstring>

namespace dravo {

namespace {

// Keeps recursions out of denormal numbers without a processor mode switch.
inline double flushDenormal(double v) {
    v += 1e-30;
    v -= 1e-30;
    return v;
}

} // namespace

Filter::Filter(double sampleRate, int32_t type, double freq, double q, double gain)
    : sampleRate_(sampleRate), type_(type), freq_(freq), q_(q), gain_(gain) {
    setRampSteps(sampleRate);
    initialRoots(destRoots_);
    initialRoots(rootsCurr_);
    for (Target& t : sets_) {
        t.type = type;
        t.status = 0;
        t.rampSteps = rampSteps_;
        initialRoots(t.roots);
    }
}

void Filter::initialRoots(double* roots) {
    for (int i = 0; i < kNumRoots; ++i)
        roots[i] = 0.0;
    roots[kZero1Re] = 1.0;
    roots[kGainFactor] = 1.0;
}

void Filter::setRampSteps(double r) {
    // 50 ms of samples, integer part. The setters only pass 20000..400000 Hz;
    // a constructor rate outside that still gives a usable ramp length.
    const double steps = r * 50.0 / 1000.0;
    rampSteps_ = steps >= 1.0 && steps <= 1e9 ? static_cast<uint64_t>(steps) : 1;
}

void Filter::setSampleRate(double r) {
    sampleRate_ = biquad::boundRate(r);
    setRampSteps(sampleRate_);
    calcDestPolesAndZeros();
}

void Filter::setType(int t) {
    type_ = t;
    calcDestPolesAndZeros();
}

void Filter::setFreq(double f) {
    freq_ = biquad::boundFreq(f, sampleRate_);
    calcDestPolesAndZeros();
}

void Filter::setQ(double q) {
    q_ = biquad::boundQ(q);
    calcDestPolesAndZeros();
}

void Filter::setGain(double g) {
    gain_ = biquad::boundGain(g);
    calcDestPolesAndZeros();
}

void Filter::setStatus(int s) {
    if (s == status_) return;
    status_ = s;
    calcDestPolesAndZeros();
}

void Filter::calcDestCoeffs() {
    biquad::design(type_, status_, sampleRate_, freq_, q_, gain_, destCoeffs_);
}

void Filter::calcDestPolesAndZeros() {
    calcDestCoeffs();
    const double* d = destCoeffs_;
    double* r = destRoots_;
    r[kGainFactor] = d[kB0];

    // Zeros of b0 + b1 z^-1 + b2 z^-2.
    double disc = d[kB1] * d[kB1] - 4.0 * d[kB0] * d[kB2];
    if (disc >= 0.0) {
        r[kZero1Re] = (-d[kB1] - std::sqrt(disc)) / (2.0 * d[kB0]);
        r[kZero2Re] = (std::sqrt(disc) - d[kB1]) / (2.0 * d[kB0]);
        r[kZero1Im] = 0.0;
        r[kZero2Im] = 0.0;
    } else {
        r[kZero1Re] = d[kB1] / (-2.0 * d[kB0]);
        r[kZero2Re] = r[kZero1Re];
        r[kZero1Im] = std::sqrt(-disc) / (-2.0 * d[kB0]);
        r[kZero2Im] = -r[kZero1Im];
    }

    // Poles of the monic denominator 1 + a1 z^-1 + a2 z^-2.
    disc = d[kA1] * d[kA1] - 4.0 * d[kA2];
    if (disc >= 0.0) {
        r[kPole1Re] = (-d[kA1] - std::sqrt(disc)) / 2.0;
        r[kPole2Re] = (std::sqrt(disc) - d[kA1]) / 2.0;
        r[kPole1Im] = 0.0;
        r[kPole2Im] = 0.0;
    } else {
        r[kPole1Re] = -d[kA1] / 2.0;
        r[kPole2Re] = r[kPole1Re];
        r[kPole1Im] = -std::sqrt(-disc) / 2.0;
        r[kPole2Im] = -r[kPole1Im];
    }

    if (held_)
        dirty_ = true;
    else
        publish();
}

void Filter::releaseTargets() {
    held_ = false;
    if (dirty_) {
        dirty_ = false;
        publish();
    }
}

void Filter::publish() {
    Target& t = sets_[back_];
    t.type = type_;
    t.status = status_;
    t.snap = suspended_;
    t.rampSteps = rampSteps_;
    for (int i = 0; i < kNumCoeffs; ++i)
        t.coeffs[i] = destCoeffs_[i];
    for (int i = 0; i < kNumRoots; ++i)
        t.roots[i] = destRoots_[i];
    back_ = middle_.exchange(back_ | kNewFlag, std::memory_order_acq_rel) & kIndexMask;
}

void Filter::acquireTargets() {
    if (!(middle_.load(std::memory_order_relaxed) & kNewFlag)) return;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndexMask;
    const Target& t = sets_[front_];
    if (t.snap) {
        for (int i = 0; i < kNumRoots; ++i) {
            rootsCurr_[i] = t.roots[i];
            rootStep_[i] = 0.0;
        }
        stepsLeft_ = 0;
    } else {
        // A new design restarts the ramp from wherever the roots are now.
        const double steps = static_cast<double>(t.rampSteps);
        for (int i = 0; i < kNumRoots; ++i)
            rootStep_[i] = flushDenormal((t.roots[i] - rootsCurr_[i]) / steps);
        stepsLeft_ = t.rampSteps;
    }
}

void Filter::suspend(bool s) {
    suspended_ = s;
    acquireTargets();
    const Target& t = sets_[front_];
    for (int i = 0; i < kNumRoots; ++i) {
        rootsCurr_[i] = t.roots[i];
        rootStep_[i] = 0.0;
    }
    stepsLeft_ = 0;
}

void Filter::reset() {
    acquireTargets();
    x1_ = x2_ = y1_ = y2_ = 0.0;
    for (int i = 0; i < kNumRoots; ++i)
        rootStep_[i] = 0.0;
    stepsLeft_ = 0;
    initialRoots(rootsCurr_);
    initialRoots(destRoots_);
    initialRoots(sets_[front_].roots);
}

bool Filter::clearNonFiniteHistory() {
    // v - v is 0 for a finite v and NaN otherwise.
    if ((x1_ - x1_) + (x2_ - x2_) + (y1_ - y1_) + (y2_ - y2_) == 0.0) return false;
    x1_ = x2_ = y1_ = y2_ = 0.0;
    return true;
}

namespace {

// One step of the ramp: moves the roots and rebuilds the coefficients.
inline void rampStep(double* r, const double* step, double* cc) {
    for (int k = 0; k < Filter::kNumRoots; ++k)
        r[k] += step[k];
    const double g = r[Filter::kGainFactor];
    cc[Filter::kB0] = g;
    cc[Filter::kB1] = -g * (r[Filter::kZero1Re] + r[Filter::kZero2Re]);
    cc[Filter::kB2] =
        g * (r[Filter::kZero1Re] * r[Filter::kZero2Re] - r[Filter::kZero1Im] * r[Filter::kZero2Im]);
    cc[Filter::kA0] = 1.0;
    cc[Filter::kA1] = -(r[Filter::kPole1Re] + r[Filter::kPole2Re]);
    cc[Filter::kA2] =
        r[Filter::kPole1Re] * r[Filter::kPole2Re] - r[Filter::kPole1Im] * r[Filter::kPole2Im];
}

} // namespace

bool Filter::beginCall() {
    acquireTargets();
    const Target& t = sets_[front_];
    if (t.type == kIdentity) return false;
    if (t.status == 0 && stepsLeft_ == 0) {
        x1_ = x2_ = y1_ = y2_ = 0.0;
        return false;
    }
    return true;
}

bool Filter::callCoeffs(int count, double* c, bool both) {
    const Target& t = sets_[front_];
    auto put = [&](double* to, double b0, double b1, double b2, double a1, double a2) {
        to[0] = b0;
        to[2] = b1;
        to[4] = b2;
        to[6] = a1;
        to[8] = a2;
        if (both) {
            to[1] = b0;
            to[3] = b1;
            to[5] = b2;
            to[7] = a1;
            to[9] = a2;
        }
    };
    if (stepsLeft_ == 0) {
        for (int k = 0; k < kNumCoeffs; ++k)
            currCoeffs_[k] = t.coeffs[k];
        put(c, t.coeffs[kB0], t.coeffs[kB1], t.coeffs[kB2], t.coeffs[kA1], t.coeffs[kA2]);
        return false;
    }
    // The ramp in registers (same arithmetic as rampStep).
    double z1r = rootsCurr_[kZero1Re], z1i = rootsCurr_[kZero1Im];
    double z2r = rootsCurr_[kZero2Re], z2i = rootsCurr_[kZero2Im];
    double p1r = rootsCurr_[kPole1Re], p1i = rootsCurr_[kPole1Im];
    double p2r = rootsCurr_[kPole2Re], p2i = rootsCurr_[kPole2Im];
    double g = rootsCurr_[kGainFactor];
    const double* d = rootStep_;
    double b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    uint64_t left = stepsLeft_;
    int i = 0;
    for (; i < count && left > 0; ++i) {
        --left;
        z1r += d[kZero1Re];
        z1i += d[kZero1Im];
        z2r += d[kZero2Re];
        z2i += d[kZero2Im];
        p1r += d[kPole1Re];
        p1i += d[kPole1Im];
        p2r += d[kPole2Re];
        p2i += d[kPole2Im];
        g += d[kGainFactor];
        b1 = -g * (z1r + z2r);
        b2 = g * (z1r * z2r - z1i * z2i);
        a1 = -(p1r + p2r);
        a2 = p1r * p2r - p1i * p2i;
        put(c + kernels::kCoeffStride * i, g, b1, b2, a1, a2);
    }
    rootsCurr_[kZero1Re] = z1r;
    rootsCurr_[kZero1Im] = z1i;
    rootsCurr_[kZero2Re] = z2r;
    rootsCurr_[kZero2Im] = z2i;
    rootsCurr_[kPole1Re] = p1r;
    rootsCurr_[kPole1Im] = p1i;
    rootsCurr_[kPole2Re] = p2r;
    rootsCurr_[kPole2Im] = p2i;
    rootsCurr_[kGainFactor] = g;
    stepsLeft_ = left;
    if (i < count) {
        for (int k = 0; k < kNumCoeffs; ++k)
            currCoeffs_[k] = t.coeffs[k];
        for (; i < count; ++i)
            put(c + kernels::kCoeffStride * i, t.coeffs[kB0], t.coeffs[kB1], t.coeffs[kB2],
                t.coeffs[kA1], t.coeffs[kA2]);
    } else {
        const double cc[kNumCoeffs] = {1.0, a1, a2, g, b1, b2};
        for (int k = 0; k < kNumCoeffs; ++k)
            currCoeffs_[k] = cc[k];
    }
    return true;
}

namespace {

// Bit-for-bit equality of two arrays of doubles.
template <int N> bool sameBits(const double (&a)[N], const double (&b)[N]) {
    uint64_t diff = 0;
    for (int i = 0; i < N; ++i) {
        uint64_t x, y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        diff |= x ^ y;
    }
    return diff == 0;
}

} // namespace

bool Filter::sameCall(const Filter& o) const {
    const Target& t = sets_[front_];
    const Target& u = o.sets_[o.front_];
    return stepsLeft_ == o.stepsLeft_ && t.type == u.type && t.status == u.status &&
           sameBits(t.coeffs, u.coeffs) && sameBits(rootsCurr_, o.rootsCurr_) &&
           (stepsLeft_ == 0 || sameBits(rootStep_, o.rootStep_));
}

void Filter::followCall(const Filter& o) {
    for (int k = 0; k < kNumRoots; ++k)
        rootsCurr_[k] = o.rootsCurr_[k];
    for (int k = 0; k < kNumCoeffs; ++k)
        currCoeffs_[k] = o.currCoeffs_[k];
    stepsLeft_ = o.stepsLeft_;
}

bool Filter::runSilent(int count) {
    if (x1_ != 0.0 || x2_ != 0.0 || y1_ != 0.0 || y2_ != 0.0) return false;
    if (!beginCall()) return true;
    const Target& t = sets_[front_];
    double cc[kNumCoeffs];
    int i = 0;
    for (; i < count && stepsLeft_ > 0; ++i) {
        --stepsLeft_;
        rampStep(rootsCurr_, rootStep_, cc);
        for (int k = 0; k < kNumCoeffs; ++k)
            currCoeffs_[k] = cc[k];
    }
    if (i < count)
        for (int k = 0; k < kNumCoeffs; ++k)
            currCoeffs_[k] = t.coeffs[k];
    return true;
}

void Filter::processFrame(double* buf, int count) {
    if (!beginCall()) return;
    const Target& t = sets_[front_];
    double x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_;
    int i = 0;

    if (stepsLeft_ > 0) {
        // Ramp: move the roots and rebuild the coefficients at every sample,
        // in locals (the buffer could alias the members).
        double r[kNumRoots], step[kNumRoots], cc[kNumCoeffs];
        for (int k = 0; k < kNumRoots; ++k) {
            r[k] = rootsCurr_[k];
            step[k] = rootStep_[k];
        }
        uint64_t left = stepsLeft_;
        for (; i < count && left > 0; ++i) {
            --left;
            rampStep(r, step, cc);
            const double x0 = buf[i];
            double y = cc[kB0] * x0 + cc[kB1] * x1 + cc[kB2] * x2 - cc[kA1] * y1 - cc[kA2] * y2;
            y = flushDenormal(y);
            y2 = y1;
            y1 = y;
            x2 = x1;
            x1 = x0;
            buf[i] = y;
        }
        for (int k = 0; k < kNumRoots; ++k)
            rootsCurr_[k] = r[k];
        if (i > 0)
            for (int k = 0; k < kNumCoeffs; ++k)
                currCoeffs_[k] = cc[k];
        stepsLeft_ = left;
    }

    if (i < count) {
        // Idle: the target coefficients for the rest of the call.
        double* cc = currCoeffs_;
        for (int k = 0; k < kNumCoeffs; ++k)
            cc[k] = t.coeffs[k];
        const double b0 = cc[kB0], b1 = cc[kB1], b2 = cc[kB2];
        const double a1 = cc[kA1], a2 = cc[kA2];
        for (; i < count; ++i) {
            const double x0 = buf[i];
            double y = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            y = flushDenormal(y);
            y2 = y1;
            y1 = y;
            x2 = x1;
            x1 = x0;
            buf[i] = y;
        }
    }

    x1_ = x1;
    x2_ = x2;
    y1_ = y1;
    y2_ = y2;
}

} // namespace dravo
