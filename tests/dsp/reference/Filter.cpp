// Frozen copy of the scalar engine the optimised one must match bit for bit.
#include "dsp/reference/Filter.h"

#include <cmath>

namespace ref {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Keeps recursions out of denormal numbers without a processor mode switch.
inline double flushDenormal(double v) {
    v += 1e-30;
    v -= 1e-30;
    return v;
}

// Q reduction near Nyquist: Q' = (1 - (freq / (k * rate))^e) * q, per type.
struct QReduction {
    double e;
    double k;
};

QReduction qReductionFor(int32_t type) {
    switch (type) {
    case Filter::kHighPass:
        return {6.0, 0.5001};
    case Filter::kLowShelf:
        return {3.5, 0.5001};
    case Filter::kPeak:
        return {2.8, 0.5001};
    case Filter::kHighShelf:
        return {4.0, 0.5001};
    case Filter::kLowPass:
        return {8.0, 0.50001};
    default:
        return {1.0, 1.0};
    }
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
    if (!(r >= 20000.0 && r <= 400000.0)) {
        sampleRate_ = 44100.0;
        rampSteps_ = 2205;
    } else {
        sampleRate_ = r;
        setRampSteps(r);
    }
    calcDestPolesAndZeros();
}

void Filter::setType(int t) {
    type_ = t;
    calcDestPolesAndZeros();
}

void Filter::setFreq(double f) {
    // Written as "not at least" so that NaN takes the lower bound.
    if (!(f >= 0.001))
        f = 0.001;
    else if (f > 0.499 * sampleRate_)
        f = 0.499 * sampleRate_;
    freq_ = f;
    calcDestPolesAndZeros();
}

void Filter::setQ(double q) {
    if (!(q >= 0.0001))
        q = 0.0001;
    else if (q > 1000.0)
        q = 1000.0;
    q_ = q;
    calcDestPolesAndZeros();
}

void Filter::setGain(double g) {
    if (!(g >= -1000.0))
        g = -1000.0;
    else if (g > 1000.0)
        g = 1000.0;
    gain_ = g;
    calcDestPolesAndZeros();
}

void Filter::setStatus(int s) {
    if (s == status_) return;
    status_ = s;
    calcDestPolesAndZeros();
}

void Filter::calcDestCoeffs() {
    double* d = destCoeffs_;
    d[kA0] = 1.0;
    d[kA1] = 0.0;
    d[kA2] = 0.0;
    d[kB0] = 1.0;
    d[kB1] = 0.0;
    d[kB2] = 0.0;
    if (status_ == 0) return;

    const double w = 2.0 * kPi * freq_ / sampleRate_;
    const double c = std::cos(w);
    const double s = std::sin(w);
    const double A = std::pow(10.0, gain_ / 40.0);
    const QReduction red = qReductionFor(type_);
    const double qEff = (1.0 - std::pow(freq_ / (red.k * sampleRate_), red.e)) * q_;
    const double alpha = s / (2.0 * qEff);
    const double beta = std::sqrt(A) * s / qEff;

    double A0 = 1.0, A1 = 0.0, A2 = 0.0, B0 = 1.0, B1 = 0.0, B2 = 0.0;
    switch (type_) {
    case kHighPass:
        A0 = 1.0 + alpha;
        A1 = -2.0 * c;
        A2 = 1.0 - alpha;
        B0 = (1.0 + c) / 2.0;
        B1 = -(1.0 + c);
        B2 = (1.0 + c) / 2.0;
        break;
    case kLowShelf:
        A0 = (A + 1.0) + (A - 1.0) * c + beta;
        A1 = -2.0 * ((A - 1.0) + (A + 1.0) * c);
        A2 = (A + 1.0) + (A - 1.0) * c - beta;
        B0 = A * ((A + 1.0) - (A - 1.0) * c + beta);
        B1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * c);
        B2 = A * ((A + 1.0) - (A - 1.0) * c - beta);
        break;
    case kPeak:
        A0 = 1.0 + alpha / A;
        A1 = -2.0 * c;
        A2 = 1.0 - alpha / A;
        B0 = 1.0 + alpha * A;
        B1 = -2.0 * c;
        B2 = 1.0 - alpha * A;
        break;
    case kHighShelf:
        A0 = (A + 1.0) - (A - 1.0) * c + beta;
        A1 = 2.0 * ((A - 1.0) - (A + 1.0) * c);
        A2 = (A + 1.0) - (A - 1.0) * c - beta;
        B0 = A * ((A + 1.0) + (A - 1.0) * c + beta);
        B1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * c);
        B2 = A * ((A + 1.0) + (A - 1.0) * c - beta);
        break;
    case kLowPass:
        A0 = 1.0 + alpha;
        A1 = -2.0 * c;
        A2 = 1.0 - alpha;
        B0 = (1.0 - c) / 2.0;
        B1 = 1.0 - c;
        B2 = (1.0 - c) / 2.0;
        break;
    default: // codes outside the table (and 0) design the identity
        return;
    }
    d[kA0] = A0;
    d[kA1] = A1 / A0;
    d[kA2] = A2 / A0;
    d[kB0] = B0 / A0;
    d[kB1] = B1 / A0;
    d[kB2] = B2 / A0;
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

void Filter::processFrame(double* buf, int count) {
    acquireTargets();
    const Target& t = sets_[front_];
    if (t.type == kIdentity) return;
    if (t.status == 0 && stepsLeft_ == 0) {
        x1_ = x2_ = y1_ = y2_ = 0.0;
        return;
    }

    double* cc = currCoeffs_;
    double x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_;
    int i = 0;

    // Ramp: move the roots and rebuild the coefficients at every sample.
    for (; i < count && stepsLeft_ > 0; ++i) {
        --stepsLeft_;
        double* r = rootsCurr_;
        for (int k = 0; k < kNumRoots; ++k)
            r[k] += rootStep_[k];
        const double g = r[kGainFactor];
        cc[kB0] = g;
        cc[kB1] = -g * (r[kZero1Re] + r[kZero2Re]);
        cc[kB2] = g * (r[kZero1Re] * r[kZero2Re] - r[kZero1Im] * r[kZero2Im]);
        cc[kA0] = 1.0;
        cc[kA1] = -(r[kPole1Re] + r[kPole2Re]);
        cc[kA2] = r[kPole1Re] * r[kPole2Re] - r[kPole1Im] * r[kPole2Im];

        const double x0 = buf[i];
        double y = cc[kB0] * x0 + cc[kB1] * x1 + cc[kB2] * x2 - cc[kA1] * y1 - cc[kA2] * y2;
        y = flushDenormal(y);
        y2 = y1;
        y1 = y;
        x2 = x1;
        x1 = x0;
        buf[i] = y;
    }

    if (i < count) {
        // Idle: the target coefficients, copied once for the rest of the call.
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

    if (count > 0) {
        x0_ = x1;
        y0_ = y1;
    }
    x1_ = x1;
    x2_ = x2;
    y1_ = y1;
    y2_ = y2;
}

} // namespace ref
