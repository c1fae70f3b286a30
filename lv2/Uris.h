// The URIDs the DSP and the editor exchange messages with, mapped once per
// instance through the host's urid:map.
#pragma once

#include "lv2/Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/patch/patch.h>
#include <lv2/urid/urid.h>

namespace dravo::lv2 {

struct Uris {
    LV2_URID object, blank, chunk, dbl, flt, boolean, urid, get, set, property, value,
        eventTransfer, bank, rate, clip, fresh;
};

inline Uris mapUris(LV2_URID_Map* map) {
    auto m = [map](const char* u) { return map->map(map->handle, u); };
    return {m(LV2_ATOM__Object), m(LV2_ATOM__Blank),
            m(LV2_ATOM__Chunk),  m(LV2_ATOM__Double),
            m(LV2_ATOM__Float),  m(LV2_ATOM__Bool),
            m(LV2_ATOM__URID),   m(LV2_PATCH__Get),
            m(LV2_PATCH__Set),   m(LV2_PATCH__property),
            m(LV2_PATCH__value), m(LV2_ATOM__eventTransfer),
            m(kBankUri),         m(kSampleRateUri),
            m(kClipUri),         m(kFreshUri)};
}

} // namespace dravo::lv2
