// The second-order designs of the equaliser's filters as plain functions of
// their settings: the engine's filters and the editor's response curve both
// design from here, so the curve is drawn from the coefficients the audio
// runs with.
#pragma once

#include <complex>
#include <cstdint>

namespace dravo {
namespace biquad {

// Response codes.
enum Type : int32_t {
    kIdentity = 0,
    kHighPass = 1,
    kLowShelf = 3,
    kPeak = 4,
    kHighShelf = 7,
    kLowPass = 8,
};

// Order of the six coefficients: a0 holds the raw denominator, the other
// five are divided by it.
enum Coeff { kA0, kA1, kA2, kB0, kB1, kB2, kNumCoeffs };

// The bounds a filter puts on its settings. "Not at least" comparisons, so
// that NaN takes the lower bound.
double boundRate(double r);              // outside [20000, 400000] -> 44100
double boundFreq(double f, double rate); // [0.001, 0.499 * rate]
double boundQ(double q);                 // [0.0001, 1000]
double boundGain(double g);              // [-1000, 1000] dB

// The design for bounded settings. Status 0 and codes outside the table
// design the identity.
void design(int32_t type, int32_t status, double rate, double freq, double q, double gain,
            double d[kNumCoeffs]);

// The design's frequency response at w radians per sample.
std::complex<double> response(const double d[kNumCoeffs], double w);

} // namespace biquad
} // namespace dravo
