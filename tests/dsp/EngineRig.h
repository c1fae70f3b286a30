// Helpers for driving EqEngine directly in tests.
#pragma once

#include "dsp/EqEngine.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace rig {

using namespace dravo;

constexpr double kPi = 3.14159265358979323846;

// The values the factory default preset gives: every section flat or off,
// master on, both channels, 0 dB, no saturation.
inline void setDefaults(EqEngine& e) {
    e.setMaster(true);
    e.setChannelSelect(0.5);
    e.setPhase(0);
    e.setOutputFactor(1.0);
    e.setSaturation(0.0f);
    e.setSection(EqEngine::Section::LowCut, 0, 0, 12.4, 0.0, 0.0);
    e.setSection(EqEngine::Section::HighCut, 0, 0, 28284, 0.0, 0.0);
    e.setSection(EqEngine::Section::LowShelf, 2, 0, 105.1, 0.0, 0.0);
    e.setSection(EqEngine::Section::Mid1, 2, 0, 895, 1.13136, 0.0);
    e.setSection(EqEngine::Section::Mid2, 2, 0, 1266, 1.13136, 0.0);
    e.setSection(EqEngine::Section::HighShelf, 2, 0, 8909, 0.0, 0.0);
}

// An engine with the defaults, resumed at rate.
inline std::unique_ptr<EqEngine> started(float rate) {
    auto e = std::make_unique<EqEngine>();
    setDefaults(*e);
    e->suspend();
    e->resume(rate);
    return e;
}

// Runs a stereo signal through the engine in host blocks of the given size.
template <typename T>
void processStereo(EqEngine& e, const std::vector<T>& inL, const std::vector<T>& inR,
                   std::vector<T>& outL, std::vector<T>& outR, int block = 256) {
    outL.assign(inL.size(), T(0));
    outR.assign(inR.size(), T(0));
    for (std::size_t pos = 0; pos < inL.size(); pos += block) {
        const int n = (int)std::min<std::size_t>(block, inL.size() - pos);
        T* in[2] = {const_cast<T*>(inL.data() + pos), const_cast<T*>(inR.data() + pos)};
        T* out[2] = {outL.data() + pos, outR.data() + pos};
        e.processStereo(in, out, n, true, true);
    }
}

template <typename T> std::vector<T> sine(double hz, double rate, std::size_t n, double amp) {
    std::vector<T> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = (T)(amp * std::sin(2.0 * kPi * hz * (double)i / rate));
    return v;
}

// Amplitude of the component at hz in x[from..to), by least squares on a sine
// and a cosine (the window holds many periods).
template <typename T>
double amplitudeAt(const std::vector<T>& x, double hz, double rate, std::size_t from,
                   std::size_t to) {
    double ss = 0, cc = 0, sc = 0, xs = 0, xc = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double s = std::sin(2.0 * kPi * hz * (double)i / rate);
        const double c = std::cos(2.0 * kPi * hz * (double)i / rate);
        ss += s * s;
        cc += c * c;
        sc += s * c;
        xs += x[i] * s;
        xc += x[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (xs * cc - xc * sc) / det;
    const double b = (xc * ss - xs * sc) / det;
    return std::sqrt(a * a + b * b);
}

// Deterministic noise in [-amp, amp].
template <typename T> std::vector<T> noise(std::size_t n, double amp, uint32_t seed = 1) {
    std::vector<T> v(n);
    uint32_t s = seed;
    for (auto& x : v) {
        s = s * 1664525u + 1013904223u;
        x = (T)(amp * ((double)(s >> 8) / 8388608.0 - 1.0));
    }
    return v;
}

} // namespace rig
