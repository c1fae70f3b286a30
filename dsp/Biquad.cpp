#include "dsp/Biquad.h"

#include <cmath>

namespace dravo {
namespace biquad {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Q reduction near Nyquist: Q' = (1 - (freq / (k * rate))^e) * q, per type.
struct QReduction {
    double e;
    double k;
};

QReduction qReductionFor(int32_t type) {
    switch (type) {
    case kHighPass:
        return {6.0, 0.5001};
    case kLowShelf:
        return {3.5, 0.5001};
    case kPeak:
        return {2.8, 0.5001};
    case kHighShelf:
        return {4.0, 0.5001};
    case kLowPass:
        return {8.0, 0.50001};
    default:
        return {1.0, 1.0};
    }
}

} // namespace

double boundRate(double r) {
    return r >= 20000.0 && r <= 400000.0 ? r : 44100.0;
}

double boundFreq(double f, double rate) {
    if (!(f >= 0.001)) return 0.001;
    return f > 0.499 * rate ? 0.499 * rate : f;
}

double boundQ(double q) {
    if (!(q >= 0.0001)) return 0.0001;
    return q > 1000.0 ? 1000.0 : q;
}

double boundGain(double g) {
    if (!(g >= -1000.0)) return -1000.0;
    return g > 1000.0 ? 1000.0 : g;
}

void design(int32_t type, int32_t status, double rate, double freq, double q, double gain,
            double d[kNumCoeffs]) {
    d[kA0] = 1.0;
    d[kA1] = 0.0;
    d[kA2] = 0.0;
    d[kB0] = 1.0;
    d[kB1] = 0.0;
    d[kB2] = 0.0;
    if (status == 0) return;

    const double w = 2.0 * kPi * freq / rate;
    const double c = std::cos(w);
    const double s = std::sin(w);
    const double A = std::pow(10.0, gain / 40.0);
    const QReduction red = qReductionFor(type);
    const double qEff = (1.0 - std::pow(freq / (red.k * rate), red.e)) * q;
    const double alpha = s / (2.0 * qEff);
    const double beta = std::sqrt(A) * s / qEff;

    double A0 = 1.0, A1 = 0.0, A2 = 0.0, B0 = 1.0, B1 = 0.0, B2 = 0.0;
    switch (type) {
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

std::complex<double> response(const double d[kNumCoeffs], double w) {
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return (d[kB0] + d[kB1] * z1 + d[kB2] * z2) / (1.0 + d[kA1] * z1 + d[kA2] * z2);
}

} // namespace biquad
} // namespace dravo
