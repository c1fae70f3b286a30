// Helpers for driving a headless frame: a recording editor and listener,
// synthetic events, and pixel checks against the images of a strip.
#pragma once

#include "vstgui/vstgui.h"

#include <cairo.h>
#include <string>
#include <vector>

namespace dravo_test {

// Records the gestures the frame passes to its editor.
struct RecordingEditor : VSTGUIEditorInterface {
    std::vector<std::string> log;
    int32_t knobMode = -1;
    void beginEdit(int32_t index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { log.push_back("end " + std::to_string(index)); }
    int32_t getKnobMode() const override { return knobMode; }
    // Window sizes the frame asked for, and whether they are granted.
    bool grantSize = true;
    std::vector<CRect> sizesAsked;
    bool beforeSizeChange(const CRect& newSize, const CRect&) override {
        sizesAsked.push_back(newSize);
        return grantSize;
    }
};

// Records every valueChanged with the control's tag and value; the editor's
// log gets a line too, so that the order against begin/end shows.
struct RecordingListener : CControlListener {
    struct Change {
        int32_t tag;
        float value;
    };
    std::vector<Change> changes;
    RecordingEditor* editor = nullptr;
    void valueChanged(CControl* c) override {
        changes.push_back({c->getTag(), c->getValue()});
        if (editor)
            editor->log.push_back("value " + std::to_string(c->getTag()) + " " +
                                  std::to_string(c->getValue()));
    }
};

// A 940 x 248 frame without a window, forgotten at the end of the test with
// the bitmaps made through bitmap().
struct HeadlessFrame {
    RecordingEditor editor;
    RecordingListener listener;
    CFrame* frame;
    std::vector<CBitmap*> bitmaps;
    explicit HeadlessFrame(CCoord w = 940, CCoord h = 248) {
        frame = new CFrame(CRect(0, 0, w, h), &editor);
        listener.editor = &editor;
        frame->setBackground(bitmap(11500));
    }
    ~HeadlessFrame() {
        close();
        for (CBitmap* b : bitmaps)
            b->forget();
    }
    void close() {
        if (frame) frame->close();
        frame = nullptr;
    }
    CBitmap* bitmap(int32_t resourceId) { return bitmaps.emplace_back(new CBitmap(resourceId)); }

    CMouseEventResult press(CCoord x, CCoord y, int32_t buttons = kLButton) {
        CPoint p(x, y);
        return frame->onMouseDown(p, CButtonState(buttons));
    }
    CMouseEventResult move(CCoord x, CCoord y, int32_t buttons = kLButton) {
        CPoint p(x, y);
        return frame->onMouseMoved(p, CButtonState(buttons));
    }
    CMouseEventResult release(CCoord x, CCoord y, int32_t buttons = kLButton) {
        CPoint p(x, y);
        return frame->onMouseUp(p, CButtonState(buttons));
    }
    bool wheel(CCoord x, CCoord y, float distance, int32_t buttons = 0) {
        return frame->onWheel(CPoint(x, y), distance, CButtonState(buttons));
    }
    void drag(CCoord x0, CCoord y0, CCoord x1, CCoord y1, int32_t buttons = kLButton) {
        press(x0, y0, buttons);
        move(x1, y1, buttons);
        release(x1, y1, buttons);
    }
    int32_t key(unsigned char virt, int32_t character = 0, unsigned char modifier = 0) {
        CKeyCode k{};
        k.virt = virt;
        k.character = character;
        k.modifier = modifier;
        return frame->onKeyDown(k);
    }
};

inline uint32_t pixelAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
}

// The frame's background under rect with picture `index` of the strip drawn
// over it, compared with what the frame last drew there.
inline bool showsPicture(CFrame* frame, const CRect& rect, CBitmap* strip, int index,
                         CCoord heightOfOneImage, CPoint sourceOrigin = CPoint(0, 0)) {
    CRect size;
    frame->getSize(size);
    cairo_surface_t* expected = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, (int)size.getWidth(), (int)size.getHeight());
    {
        CDrawContext ctx(expected);
        frame->drawBackgroundRect(&ctx, rect);
        strip->draw(&ctx, rect, CPoint(sourceOrigin.x, sourceOrigin.y + index * heightOfOneImage));
    }
    cairo_surface_t* actual = frame->getBackBuffer();
    bool same = true;
    for (int y = (int)rect.top; y < (int)rect.bottom && same; ++y)
        for (int x = (int)rect.left; x < (int)rect.right && same; ++x)
            same = pixelAt(expected, x, y) == pixelAt(actual, x, y);
    cairo_surface_destroy(expected);
    return same;
}

// Index of the picture the frame shows at rect, -1 if none matches.
inline int shownPicture(CFrame* frame, const CRect& rect, CBitmap* strip, int count,
                        CCoord heightOfOneImage, CPoint sourceOrigin = CPoint(0, 0)) {
    for (int i = 0; i < count; ++i)
        if (showsPicture(frame, rect, strip, i, heightOfOneImage, sourceOrigin)) return i;
    return -1;
}

// The picture shown at rect once the frame has idled.
inline int shown(HeadlessFrame& h, const CRect& rect, CBitmap* strip, int count,
                 CCoord heightOfOneImage) {
    h.frame->idle();
    return shownPicture(h.frame, rect, strip, count, heightOfOneImage);
}

} // namespace dravo_test
