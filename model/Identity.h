// Who the equaliser is to hosts, in every format. The unique ID is also
// written into every chunk, preset and bank buffer (and tells their byte
// order): it never changes.
#pragma once

#include <cstdint>

namespace dravo {

inline constexpr const char* kEffectName = "Vey Dravo";
// The one-channel plug-in, where a format lists it apart (LV2, CLAP).
inline constexpr const char* kMonoEffectName = "Vey Dravo Mono";
inline constexpr const char* kVendor = "Vey Audio Works";
inline constexpr const char* kProduct = "Vey Dravo - parametric channel eq";
// The four characters 'ZkVw' as a big-endian word.
inline constexpr int32_t kUniqueId = (int32_t)(('Z' << 24) | ('k' << 16) | ('V' << 8) | 'w');

// Where the user's preferences (defaults, memory slots, zoom, remembered
// folders) are kept: ~/.config/<this>.
inline constexpr const char* kPreferencesIdentifier = "com.veyaudioworks.dravo";

} // namespace dravo
