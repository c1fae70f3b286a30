// The inline display Ardour offers LV2 plug-ins: a small picture the host
// shows in its mixer strip. The host asks the plug-in for its extension data
// under kInlineDisplayInterfaceUri and calls render from its GUI thread; it
// may give the feature kInlineDisplayQueueDrawUri, through which the plug-in
// asks for a new picture (cheap, callable from run()).
#pragma once

#include <lv2/core/lv2.h>

#include <cstdint>

namespace dravo::lv2 {

inline constexpr const char* kInlineDisplayUri = "http://harrisonconsoles.com/lv2/inlinedisplay";
inline constexpr const char* kInlineDisplayInterfaceUri =
    "http://harrisonconsoles.com/lv2/inlinedisplay#interface";
inline constexpr const char* kInlineDisplayQueueDrawUri =
    "http://harrisonconsoles.com/lv2/inlinedisplay#queue_draw";

// Premultiplied ARGB32 in native-endian 32-bit pixels (cairo's layout),
// stride in bytes. The plug-in owns the pixels until the next render call.
struct InlineDisplaySurface {
    unsigned char* data;
    int width;
    int height;
    int stride;
};

// The plug-in's extension data: a picture width w and at most maxHeight high.
struct InlineDisplayInterface {
    InlineDisplaySurface* (*render)(LV2_Handle instance, uint32_t w, uint32_t maxHeight);
};

// The host's feature data.
struct InlineDisplayQueueDraw {
    void* handle;
    void (*queueDraw)(void* handle);
};

} // namespace dravo::lv2
