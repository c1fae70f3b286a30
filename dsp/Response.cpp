#include "dsp/Response.h"

#include "dsp/Oversampler.h"

#include <cmath>
#include <complex>

namespace dravo {

namespace {

constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;

// The interpolator's frequency response at w radians per internal sample,
// without its delay (the kernel is symmetric, so the response is real).
double interpolatorGain(double w) {
    static const Oversampler kernel;
    const double* h = kernel.table();
    // cos(w t) by the recurrence cos(w (t + 1)) = 2 cos(w) cos(w t) - cos(w (t - 1)).
    const double c1 = std::cos(w);
    double before = 1.0, now = c1;
    double sum = h[Oversampler::kCentre];
    for (int t = 1; t <= Oversampler::kCentre; ++t) {
        sum += 2.0 * h[Oversampler::kCentre + t] * now;
        const double next = 2.0 * c1 * now - before;
        before = now;
        now = next;
    }
    return sum;
}

} // namespace

EqResponse::EqResponse(const EqSettings& settings)
    : master_(settings.master), oversampling_(oversamplesAt(settings.hostRate)),
      outputFactor_(settings.outputFactor), hostRate_(validHostRate(settings.hostRate)),
      internalRate_(biquad::boundRate(internalRateFor(settings.hostRate))) {
    int n = 0;
    for (int s = 0; s < kNumEqSections; ++s) {
        first_[s] = n;
        const SectionValues& v = settings.sections[s];
        const SectionDesign d = designSection((EqSection)s, v, internalRate_);
        bool on = false;
        for (int i = 0; i < d.count; ++i) {
            const FilterDesign& f = d.filters[i];
            biquad::design(f.type, f.status, internalRate_, f.freq, f.q, f.gain, coeffs_[n++]);
            on = on || f.status != 0;
        }
        if ((EqSection)s == EqSection::HighCut) on = highCutInPath(v);
        on_[s] = on;
    }
    first_[kNumEqSections] = n;
}

double EqResponse::sectionDb(EqSection s, double hz) const {
    if (!on_[(int)s]) return 0.0;
    const double w = 2.0 * kPi * hz / internalRate_;
    double mag = 1.0;
    for (int i = first_[(int)s]; i < first_[(int)s + 1]; ++i)
        mag *= std::abs(biquad::response(coeffs_[i], w));
    return 20.0 * std::log10(mag);
}

double EqResponse::totalDb(double hz) const {
    double mag = std::fabs(outputFactor_);
    if (master_) {
        // The sections' response at w and, when the rate is doubled, at the
        // image w - pi that the interpolator leaves and the decimation folds
        // back onto w.
        const double w = 2.0 * kPi * hz / internalRate_;
        Complex h(1.0), image(1.0);
        for (int s = 0; s < kNumEqSections; ++s) {
            if (!on_[s]) continue;
            for (int i = first_[s]; i < first_[s + 1]; ++i) {
                h *= biquad::response(coeffs_[i], w);
                if (oversampling_) image *= biquad::response(coeffs_[i], w - kPi);
            }
        }
        if (oversampling_) {
            // Keeping every second sample of the doubled stream averages the
            // two spectra (the sign the kept phase gives the image cancels
            // the one the interpolator's odd delay gives it).
            h = 0.5 * (interpolatorGain(w) * h + interpolatorGain(w - kPi) * image);
        }
        mag *= std::abs(h);
    }
    return 20.0 * std::log10(mag);
}

} // namespace dravo
