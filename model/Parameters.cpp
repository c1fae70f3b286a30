#include "model/Parameters.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace dravo {

bool isPlaceholderParam(int index) {
    if (index < 0) return false;
    return index >= kNumParams || !kParams[index].stored;
}

bool paramForSymbol(const char* symbol, Param& out) {
    for (const ParamInfo& p : kParams)
        if (*p.symbol && std::strcmp(p.symbol, symbol) == 0) {
            out = p.id;
            return true;
        }
    return false;
}

int truncToInt(double x) {
    if (!(x < (double)INT_MAX)) return INT_MAX;
    if (!(x > (double)INT_MIN)) return INT_MIN;
    return (int)x;
}

int onOffPosition(double v) {
    return truncToInt(v + 0.5);
}

int threePosition(double v) {
    return truncToInt(2.0 * v + 0.5);
}

// Steps of 1/160, truncated toward zero; written as 2 * (80 v) as the
// stored presets were quantised.
double gainSteps(double v) {
    return std::trunc(2.0 * (80.0 * v)) / 160.0;
}

// -20..+20 dB in 0.25 dB steps.
double outputGainDb(double v) {
    return (2.0 * gainSteps(v) - 1.0) * 20.0;
}

// -10..+10 dB in 0.125 dB steps.
double shelfGainDb(double v) {
    return (2.0 * gainSteps(v) - 1.0) * 20.0 * 0.5;
}

// 0..20 dB in 0.125 dB steps; the sign comes from the section's mode.
double peakGainDb(double v) {
    return gainSteps(v) * 20.0;
}

double frequencyOf(const FrequencyTable& table, double v) {
    int n = table.last;
    int i;
    if (v > 1.0)
        i = n;
    else if (v < 0.0)
        i = 0;
    else {
        i = truncToInt(n * v + 0.5);
        i = i < 0 ? 0 : (i > n ? n : i);
    }
    return table.hz[i];
}

double qOf(double v) {
    if (v >= 0.75) return 2.5;
    if (v < 0.5) return 0.473757;
    return 1.13136;
}

double engineValueOf(Param p, double v) {
    const ParamInfo& info = kParams[index(p)];
    switch (info.quantiser) {
    case Quantiser::Flag:
        return v >= 0.5 ? 1.0 : 0.0;
    case Quantiser::Channel:
    case Quantiser::Placeholder:
        return v;
    case Quantiser::OnOff:
        return onOffPosition(v);
    case Quantiser::ThreePosition:
        return threePosition(v);
    case Quantiser::OutputGain:
        // The engine multiplies by 2^(dB / 6).
        return std::pow(2.0, outputGainDb(v) / 6.0);
    case Quantiser::ShelfGain:
        return shelfGainDb(v);
    case Quantiser::PeakGain:
        return peakGainDb(v);
    case Quantiser::Frequency:
        return frequencyOf(*info.table, v);
    case Quantiser::QSelect:
        return qOf(v);
    }
    return v;
}

namespace {
// Region 0..2 of a value split at 0.25 and 0.75 ("LSR", and "MQ" as shown).
int regionOf(double v) {
    return v < 0.25 ? 0 : (v < 0.75 ? 1 : 2);
}
} // namespace

double realValueOf(Param p, double v) {
    switch (kParams[index(p)].quantiser) {
    case Quantiser::Channel:
    case Quantiser::QSelect:
        return regionOf(v);
    case Quantiser::OutputGain:
        return outputGainDb(v);
    default:
        return engineValueOf(p, v);
    }
}

void realRange(Param p, double& lowest, double& highest) {
    const ParamInfo& info = kParams[index(p)];
    lowest = 0.0;
    highest = 1.0;
    switch (info.quantiser) {
    case Quantiser::Channel:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
        highest = 2.0;
        break;
    case Quantiser::OutputGain:
        lowest = -20.0, highest = 20.0;
        break;
    case Quantiser::ShelfGain:
        lowest = -10.0, highest = 10.0;
        break;
    case Quantiser::PeakGain:
        highest = 20.0;
        break;
    case Quantiser::Frequency:
        lowest = info.table->hz[0], highest = info.table->hz[info.table->last];
        break;
    default:
        break;
    }
}

double normalisedForReal(Param p, double real) {
    const ParamInfo& info = kParams[index(p)];
    double lowest, highest;
    realRange(p, lowest, highest);
    const double r = real < lowest ? lowest : (real > highest ? highest : real);
    switch (info.quantiser) {
    case Quantiser::Flag:
    case Quantiser::OnOff:
    case Quantiser::Placeholder:
        return r >= 0.5 ? 1.0 : 0.0;
    case Quantiser::Channel:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
        // Positions 0, 1, 2 at 0, 0.5, 1: the middle of "LSR" and the shown
        // "2.0" of "MQ" (engine Q 1.13136) both hold at 0.5.
        return std::floor(r + 0.5) * 0.5;
    case Quantiser::OutputGain:
    case Quantiser::ShelfGain:
    case Quantiser::PeakGain: {
        // Gains are g in steps of 1/160, truncated: step k is taken from the
        // middle of its range, (k + 0.5) / 160, which stays in it also as a
        // 32-bit float (k / 160 itself may fall just below). The top step is 1.
        const double span = info.quantiser == Quantiser::OutputGain ? 40.0 : 20.0;
        const double g = info.quantiser == Quantiser::PeakGain ? r / span : r / span + 0.5;
        const double k = std::floor(g * 160.0 + 0.5);
        return k >= 160.0 ? 1.0 : (k + 0.5) / 160.0;
    }
    case Quantiser::Frequency: {
        // The nearest step on a logarithmic scale; step i sits at i / N.
        const FrequencyTable& t = *info.table;
        int best = 0;
        for (int i = 1; i <= t.last; ++i)
            if (std::fabs(std::log(t.hz[i] / r)) < std::fabs(std::log(t.hz[best] / r))) best = i;
        return (double)best / t.last;
    }
    }
    return r;
}

} // namespace dravo
