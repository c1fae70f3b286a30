// The URIDs the DSP and the editor exchange messages with, mapped once per
// instance through the host's urid:map.
#pragma once

#include "lv2/Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

namespace dravo::lv2 {

// Message types and keys of our own (see lv2/Messages.h): hosts that read
// patch messages leave them alone.
inline constexpr const char* kGetUri = "urn:veyaudioworks:dravo#Get";
inline constexpr const char* kRateUri = "urn:veyaudioworks:dravo#Rate";
inline constexpr const char* kClipUri = "urn:veyaudioworks:dravo#Clip";
inline constexpr const char* kBankPieceUri = "urn:veyaudioworks:dravo#BankPiece";
inline constexpr const char* kValueUri = "urn:veyaudioworks:dravo#value";
inline constexpr const char* kFreshUri = "urn:veyaudioworks:dravo#fresh";
inline constexpr const char* kSerialUri = "urn:veyaudioworks:dravo#serial";
inline constexpr const char* kIndexUri = "urn:veyaudioworks:dravo#index";
inline constexpr const char* kCountUri = "urn:veyaudioworks:dravo#count";
inline constexpr const char* kSizeUri = "urn:veyaudioworks:dravo#size";
inline constexpr const char* kDataUri = "urn:veyaudioworks:dravo#data";
inline constexpr const char* kAnalyserUri = "urn:veyaudioworks:dravo#Analyser";
inline constexpr const char* kSamplesUri = "urn:veyaudioworks:dravo#Samples";

struct Uris {
    LV2_URID object, blank, chunk, dbl, flt, boolean, integer, eventTransfer, bank;
    LV2_URID get, rate, clip, bankPiece, value, fresh, serial, index, count, size, data;
    LV2_URID vector, analyser, samples;
};

inline Uris mapUris(LV2_URID_Map* map) {
    auto m = [map](const char* u) { return map->map(map->handle, u); };
    return {m(LV2_ATOM__Object), m(LV2_ATOM__Blank), m(LV2_ATOM__Chunk), m(LV2_ATOM__Double),
            m(LV2_ATOM__Float),  m(LV2_ATOM__Bool),  m(LV2_ATOM__Int),   m(LV2_ATOM__eventTransfer),
            m(kBankUri),         m(kGetUri),         m(kRateUri),        m(kClipUri),
            m(kBankPieceUri),    m(kValueUri),       m(kFreshUri),       m(kSerialUri),
            m(kIndexUri),        m(kCountUri),       m(kSizeUri),        m(kDataUri),
            m(LV2_ATOM__Vector), m(kAnalyserUri),    m(kSamplesUri)};
}

} // namespace dravo::lv2
