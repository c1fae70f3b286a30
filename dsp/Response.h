// The magnitude response of the whole equaliser for a set of values, from
// the designs the engine runs with: the six sections at the internal rate,
// the rate doubling around them and the output level. The editor draws it;
// it needs no engine and allocates nothing.
#pragma once

#include "dsp/SectionDesign.h"

namespace dravo {

struct EqSettings {
    SectionValues sections[kNumEqSections];
    bool master = true;        // "EQ all": off passes the sections by
    double outputFactor = 1.0; // the output level as a factor
    float hostRate = 44100.0f; // as the host reports it
};

class EqResponse {
  public:
    explicit EqResponse(const EqSettings& settings);

    // Whether a section shapes the sound at all (a cut that is on, a shelf
    // or mid whose mode is not "0").
    bool sectionOn(EqSection s) const { return on_[(int)s]; }
    // One section's own contribution in dB at hz (0 when it is off).
    double sectionDb(EqSection s, double hz) const;
    // The whole plug-in's gain in dB for a sine at hz, below the host's
    // Nyquist frequency.
    double totalDb(double hz) const;
    // Highest frequency the response is defined for (the host's Nyquist).
    double nyquist() const { return 0.5 * hostRate_; }

  private:
    static constexpr int kMaxFilters = 14;
    double coeffs_[kMaxFilters][biquad::kNumCoeffs];
    int first_[kNumEqSections + 1]; // the filters of section s: first_[s] .. first_[s + 1]
    bool on_[kNumEqSections];
    bool master_;
    bool oversampling_;
    double outputFactor_;
    double hostRate_;
    double internalRate_;
};

} // namespace dravo
