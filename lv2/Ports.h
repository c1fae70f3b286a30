// The equaliser as LV2 plug-ins: identities, the port layout and the mapping
// between a port's value (in the parameter's real unit) and the model's
// normalised value. The DSP binary and the Turtle generator both read this,
// so the description and the code cannot disagree about a port.
#pragma once

#include "model/Identity.h"
#include "model/Parameters.h"

#include <cmath>

namespace dravo::lv2 {

inline constexpr const char* kPresetUriPrefix = "urn:veyaudioworks:dravo:preset:";

// The two plug-ins: as VST 2.x hosts get them through the speaker arrangement.
struct Variant {
    const char* uri;
    const char* name;
    int channels;
};
inline constexpr Variant kVariants[] = {
    {"urn:veyaudioworks:dravo#stereo", kEffectName, 2},
    {"urn:veyaudioworks:dravo#mono", kMonoEffectName, 1},
};
constexpr int kNumVariants = sizeof(kVariants) / sizeof(kVariants[0]);

// Ports, the same numbers in both plug-ins: one control input per parameter
// that reaches the engine, in parameter order; the latency output; the
// message input and output (atom sequences the editor talks through); then
// the audio inputs and the audio outputs.
constexpr int kNumControlPorts = kNumActiveParams;
constexpr int kLatencyPort = kNumControlPorts;
constexpr int kControlInPort = kLatencyPort + 1;
constexpr int kNotifyPort = kControlInPort + 1;
constexpr int kFirstAudioPort = kNotifyPort + 1;
// The least buffer each message port asks of the host: room for the few
// small messages (lv2/Messages.h) of a cycle.
constexpr int kMessagePortSize = 65536;

// The key the bank is saved under in the host's state (an atom:Chunk of the
// program store's chunk bytes).
inline constexpr const char* kBankUri = "urn:veyaudioworks:dravo#bank";
inline constexpr const char* kUiUri = "urn:veyaudioworks:dravo#ui";

constexpr int audioInPort(int channel) {
    return kFirstAudioPort + channel;
}
constexpr int audioOutPort(const Variant& v, int channel) {
    return kFirstAudioPort + v.channels + channel;
}
constexpr int numPorts(const Variant& v) {
    return kFirstAudioPort + 2 * v.channels;
}

struct ControlPorts {
    Param params[kNumControlPorts];
};
constexpr ControlPorts makeControlPorts() {
    ControlPorts c{};
    int n = 0;
    for (const ParamInfo& p : kParams)
        if (isActive(p.id)) c.params[n++] = p.id;
    return c;
}
inline constexpr ControlPorts kControlPorts = makeControlPorts();

constexpr Param controlParam(int port) {
    return kControlPorts.params[port];
}

// The port a parameter number is reached through, or -1 when it has none.
constexpr int portOfParam(int index) {
    for (int i = 0; i < kNumControlPorts; ++i)
        if (dravo::index(kControlPorts.params[i]) == index) return i;
    return -1;
}

// How a port presents its parameter to a host.
enum class PortKind {
    Toggle,      // 0 / 1 with two named scale points
    Enumeration, // positions 0..N-1 with named scale points
    Gain,        // dB, continuous, snapped to the parameter's step
    Frequency,   // Hz, logarithmic, snapped to the nearest table step
};
constexpr PortKind portKind(Param p) {
    switch (info(p).quantiser) {
    case Quantiser::Flag:
    case Quantiser::OnOff:
        return PortKind::Toggle;
    case Quantiser::Channel:
    case Quantiser::ThreePosition:
    case Quantiser::QSelect:
    case Quantiser::Placeholder:
        return PortKind::Enumeration;
    case Quantiser::OutputGain:
    case Quantiser::ShelfGain:
    case Quantiser::PeakGain:
        return PortKind::Gain;
    case Quantiser::Frequency:
        return PortKind::Frequency;
    }
    return PortKind::Enumeration;
}

// The port value of a normalised value: what a host shows and stores.
inline float portValueOf(Param p, double normalised) {
    return (float)realValueOf(p, normalised);
}

// The normalised value a port value gives: the exact step nearest to it, a
// value outside the port's range clamped (normalisedForReal does both).
// False for a non-finite value, which means nothing.
inline bool normalisedForPort(Param p, float value, double& normalised) {
    if (!std::isfinite(value)) return false;
    normalised = normalisedForReal(p, value);
    return true;
}

} // namespace dravo::lv2
