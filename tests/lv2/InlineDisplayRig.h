// The host's side of Ardour's inline display: the queue_draw feature, which
// counts the plug-in's requests, and render called through the instance's
// extension data, its picture copied out.
#pragma once

#include "lv2/InlineDisplay.h"
#include "lv2/Lv2Rig.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lv2rig {

struct QueueDraw {
    std::atomic<int> calls{0};
    dravo::lv2::InlineDisplayQueueDraw data{
        this, [](void* h) { static_cast<QueueDraw*>(h)->calls.fetch_add(1); }};
    LV2_Feature feature{dravo::lv2::kInlineDisplayQueueDrawUri, &data};
};

struct Picture {
    int width = 0, height = 0, stride = 0;
    std::vector<uint32_t> pixels; // width x height, rows packed

    uint32_t at(int x, int y) const { return pixels[(size_t)y * (size_t)width + (size_t)x]; }
    // The sum of a pixel's colour channels.
    int brightness(int x, int y) const {
        const uint32_t p = at(x, y);
        return (int)((p >> 16) & 0xff) + (int)((p >> 8) & 0xff) + (int)(p & 0xff);
    }
    // The brightest row of column x, leaving out rows within skip of avoid.
    int brightestRow(int x, int avoid = -1000, int skip = 0) const {
        int best = -1;
        for (int y = 0; y < height; ++y)
            if ((y < avoid - skip || y > avoid + skip) &&
                (best < 0 || brightness(x, y) > brightness(x, best)))
                best = y;
        return best;
    }
};

// Calls render as the host does; an empty picture when it is missing.
inline Picture render(Instance& instance, uint32_t w, uint32_t maxHeight) {
    Picture picture;
    const auto* display = static_cast<const dravo::lv2::InlineDisplayInterface*>(
        lilv_instance_get_extension_data(instance.lilv(), dravo::lv2::kInlineDisplayInterfaceUri));
    if (!display) return picture;
    const dravo::lv2::InlineDisplaySurface* s =
        display->render(lilv_instance_get_handle(instance.lilv()), w, maxHeight);
    if (!s || !s->data || s->width < 0 || s->height < 0 || s->stride < 4 * s->width) return picture;
    picture.width = s->width;
    picture.height = s->height;
    picture.stride = s->stride;
    picture.pixels.resize((size_t)s->width * (size_t)s->height);
    for (int y = 0; y < s->height; ++y)
        std::memcpy(&picture.pixels[(size_t)y * (size_t)s->width], s->data + (size_t)y * s->stride,
                    4 * (size_t)s->width);
    return picture;
}

} // namespace lv2rig
