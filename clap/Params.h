// The equaliser's parameters as CLAP sees them: every parameter that reaches
// the engine, under its parameter number as a stable id, with plain values in
// the parameter's own unit (Hz, dB, switch positions), the same values the
// LV2 ports carry. The mapping itself is the model's (realValueOf,
// normalisedForReal); this file only says which parameters there are and how
// a host is to present them.
#pragma once

#include "model/Identity.h"
#include "model/Parameters.h"

#include <clap/id.h>

#include <cmath>

namespace dravo::clap {

// The two plug-ins in the file, as VST 2.x hosts get them through the
// speaker arrangement.
struct Variant {
    const char* id;
    const char* name;
    int channels;
};
inline constexpr Variant kVariants[] = {
    {"com.veyaudioworks.dravo.stereo", kEffectName, 2},
    {"com.veyaudioworks.dravo.mono", kMonoEffectName, 1},
};
constexpr int kNumVariants = sizeof(kVariants) / sizeof(kVariants[0]);

constexpr int kNumClapParams = kNumActiveParams;

struct ParamList {
    Param params[kNumClapParams];
};
constexpr ParamList makeParamList() {
    ParamList l{};
    int n = 0;
    for (const ParamInfo& p : kParams)
        if (isActive(p.id)) l.params[n++] = p.id;
    return l;
}
inline constexpr ParamList kParamList = makeParamList();

// The id of a parameter is its number (the VST 2.x index, the preset slot).
constexpr clap_id idOf(Param p) {
    return (clap_id)index(p);
}
// The parameter of an id; false for an id no parameter has.
constexpr bool paramForId(clap_id id, Param& out) {
    if (id >= (clap_id)kNumParams || !isActive(paramAt((int)id))) return false;
    out = paramAt((int)id);
    return true;
}

// Switches and frequency tables are stepped. A host truncates a stepped
// value to a whole number: every frequency step lies more than half a step
// from the next, so a truncated Hz value still finds its own step.
constexpr bool isStepped(Param p) {
    switch (info(p).quantiser) {
    case Quantiser::Flag:
    case Quantiser::Channel:
    case Quantiser::OnOff:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
    case Quantiser::Frequency:
        return true;
    default:
        return false;
    }
}

// The plain value of a normalised value, as the 32-bit float the model and
// the presets keep it.
inline double plainValueOf(Param p, double normalised) {
    return realValueOf(p, (float)normalised);
}

// The normalised value of a plain value: the nearest step, clamped to the
// range. False for a non-finite value, which means nothing.
inline bool normalisedForPlain(Param p, double plain, float& normalised) {
    if (!std::isfinite(plain)) return false;
    normalised = (float)normalisedForReal(p, plain);
    return true;
}

} // namespace dravo::clap
