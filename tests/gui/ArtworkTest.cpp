// The embedded images against the layout tables the editor and the preset bar
// size their controls from; neighbouring pictures differ so each state shows.
#include "gui/EditorLayout.h"
#include "presets/PresetBarLayout.h"
#include "vstgui/vstgui.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace dravo;

namespace {

struct Strip {
    int id, width, height, pictures;
};

std::vector<Strip> strips() {
    namespace L = dravo::layout;
    std::vector<Strip> out = {{L::kBackgroundId, L::kEditorWidth, L::kEditorHeight, 1}};
    for (const L::Control& c : L::kControls)
        if (c.bitmapId != L::kBackgroundId && c.kind != L::Kind::About)
            out.push_back({c.bitmapId, c.width, c.height, c.images});
    for (const presetbar::Item& it : presetbar::kItems)
        if (it.bitmapId != L::kBackgroundId)
            out.push_back({it.bitmapId, it.right - it.left, it.bottom - it.top, it.frames});
    return out;
}

bool samePicture(cairo_surface_t* s, int width, int height, int a, int b) {
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < height; ++y)
        if (std::memcmp(data + (a * height + y) * stride, data + (b * height + y) * stride,
                        (size_t)width * 4) != 0)
            return false;
    return true;
}

TEST(Artwork, EveryStripHasItsTableSizeAndDistinctNeighbouringPictures) {
    for (const Strip& s : strips()) {
        CBitmap* b = new CBitmap(s.id);
        ASSERT_NE(b->getSurface(), nullptr) << s.id;
        EXPECT_EQ(b->getWidth(), s.width) << s.id;
        EXPECT_EQ(b->getHeight(), s.height * s.pictures) << s.id;
        if (b->getWidth() == s.width && b->getHeight() == s.height * s.pictures) {
            for (int i = 0; i + 1 < s.pictures; ++i) {
                EXPECT_FALSE(samePicture(b->getSurface(), s.width, s.height, i, i + 1))
                    << s.id << " pictures " << i << " and " << i + 1;
            }
        }
        b->forget();
    }
}

} // namespace
