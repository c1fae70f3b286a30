#include "dsp/SectionDesign.h"

#include <cmath>

namespace dravo {

namespace {

constexpr float kOversampleBelow = 65000.0f;

// A filter's design with its settings bounded at rate.
FilterDesign bounded(int32_t type, int32_t status, double freq, double q, double gain,
                     double rate) {
    FilterDesign f;
    f.type = type;
    f.status = status;
    f.freq = biquad::boundFreq(freq, rate);
    f.q = biquad::boundQ(q);
    f.gain = biquad::boundGain(gain);
    return f;
}

SectionDesign lowCut(const SectionValues& v, double rate) {
    SectionDesign d;
    d.count = 1;
    d.filters[0] = bounded(biquad::kHighPass, v.position, v.hz * 0.6 * 1.8, 0.6901, 0.0, rate);
    return d;
}

SectionDesign highCut(const SectionValues& v, double rate) {
    // Always on: switching the section off only takes it out of the audio
    // path, so it keeps running and comes back without a glide.
    SectionDesign d;
    d.count = 1;
    d.filters[0] = bounded(biquad::kLowPass, 1, v.hz * 0.6 * 1.8 * 1.1, 0.5974, 0.0, rate);
    return d;
}

SectionDesign shelf(const SectionValues& v, double rate, bool low) {
    // Shaping gain: x = |G| / 12 (doubled in mode "II"), E = 12 x / (x + 1)
    // between 0 and 7.5 dB. The corner moves and the Q drops as E grows.
    double x = std::fabs(v.gainDb) / 12.0;
    if (v.position == 0) x = x * 2.0;
    const double shaping = 12.0 * x / (x + 1.0);
    const double u = 1.0 - shaping / 20.0;
    const double qs = 0.5 - shaping / 250.0;

    double mainGain = 0.0, bellGain = 0.0;
    bool on = true;
    if (v.position == 2) { // "I"
        mainGain = v.gainDb;
        bellGain = -0.25 * v.gainDb;
    } else if (v.position == 0) { // "II": twice the range
        mainGain = 2.0 * v.gainDb;
        bellGain = -0.5 * v.gainDb;
    } else { // "0" and any other value: the section glides out
        on = false;
    }

    SectionDesign d;
    d.count = 2;
    FilterDesign& main = d.filters[0];
    FilterDesign& bell = d.filters[1];
    if (v.shape == 2) {
        // "Peak": the main filter becomes a broad bell at F.
        main = bounded(biquad::kPeak, 1, v.hz, 0.62 * std::pow(0.2, u), mainGain, rate);
        bell = bounded(biquad::kPeak, 0, 1000.0, 1.0, bellGain, rate);
    } else {
        // "Shelf" (and any other shape value) and "Steep".
        const int32_t type = low ? biquad::kLowShelf : biquad::kHighShelf;
        if (low)
            main = bounded(type, 1, 0.6 * v.hz / std::pow(0.125, u), 1.15 * qs, mainGain, rate);
        else
            main = bounded(type, 1, 0.9 * v.hz * std::pow(0.125, u), qs, mainGain, rate);
        // "Steep": a dip on the far side of the transition, placed from the
        // main filter's bounded corner and Q.
        const double fm = main.freq, qm = main.q;
        bell = bounded(biquad::kPeak, v.shape == 1 ? 1 : 0, low ? 5.0 * fm * qm : 0.25 * fm / qm,
                       qs, bellGain, rate);
    }
    if (!on) {
        main.status = 0;
        bell.status = 0;
    }
    return d;
}

SectionDesign mid(const SectionValues& v, double rate) {
    // V = 15 x / (x + 1), x = G / 15: 0 .. about 8.57 dB for G = 0 .. 20.
    const double x = v.gainDb / 15.0;
    const double shaping = 15.0 * x / (x + 1.0);
    // The bell narrows as the gain grows; the denominator is about 4.4898.
    const double qMain = 0.99 * v.q * std::pow(std::pow(10.0, shaping * 0.05), 0.35) /
                         (2.0 * std::pow(std::pow(2.0, 3.3333333333333335), 0.35));
    // "+" boosts, "-" cuts, "0" is off.
    const int32_t on = v.position == 2 || v.position == 0 ? 1 : 0;
    const double g = v.position == 2 ? v.gainDb : -v.gainDb;

    SectionDesign d;
    d.count = 3;
    d.filters[0] = bounded(biquad::kPeak, on, v.hz, qMain, g, rate);
    // Companions trim the skirts: from about F/10 and 10 F (widest) to about
    // F/3 and 3 F (narrowest).
    const double qm = d.filters[0].q;
    const double spread = std::pow(2.0 * qm, 0.6);
    d.filters[1] = bounded(biquad::kPeak, on, 0.25 * v.hz * spread, std::sqrt(qm), -0.15 * g, rate);
    d.filters[2] = bounded(biquad::kPeak, on, 4.0 * v.hz / spread, std::sqrt(qm), -0.15 * g, rate);
    for (FilterDesign& f : d.filters)
        f.keepsGain = !on;
    return d;
}

} // namespace

SectionDesign designSection(EqSection section, const SectionValues& v, double internalRate) {
    const double rate = biquad::boundRate(internalRate);
    switch (section) {
    case EqSection::LowCut:
        return lowCut(v, rate);
    case EqSection::HighCut:
        return highCut(v, rate);
    case EqSection::LowShelf:
        return shelf(v, rate, true);
    case EqSection::HighShelf:
        return shelf(v, rate, false);
    case EqSection::Mid1:
    case EqSection::Mid2:
        return mid(v, rate);
    }
    return SectionDesign();
}

bool oversamplesAt(float hostRate) {
    return !(hostRate >= kOversampleBelow);
}

float validHostRate(float hostRate) {
    return hostRate >= 20000.0f && hostRate <= 200000.0f ? hostRate : 44100.0f;
}

double internalRateFor(float hostRate) {
    const float rate = validHostRate(hostRate);
    return oversamplesAt(hostRate) ? 2.0 * rate : (double)rate;
}

} // namespace dravo
