// Drawing onto a cairo surface: lines, rectangles, bitmaps with a source
// offset and alpha, text in a rectangle, clipping.
#pragma once

#include "cbitmap.h"
#include "cfont.h"
#include <utility>
#include <vector>

typedef struct _cairo cairo_t;

namespace VSTGUI {

class CDrawContext {
  public:
    using LinePair = std::pair<CPoint, CPoint>;
    using LineList = std::vector<LinePair>;
    using PointList = std::vector<CPoint>;

    // Draws onto surface, whose pixel (0, 0) is the frame's top-left corner.
    // With a scale factor (a zoomed frame) every coordinate is logical: one
    // unit covers scaleFactor pixels of the surface, texts are drawn at the
    // scaled size and bitmaps from their best representation.
    explicit CDrawContext(cairo_surface_t* surface, double scaleFactor = 1.0);
    virtual ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void moveTo(const CPoint& p) { penLoc = p; }
    void lineTo(const CPoint& p);
    void drawLine(const LinePair& line);
    void drawLine(const CPoint& start, const CPoint& end) { drawLine(LinePair(start, end)); }
    void drawLines(const LineList& lines);
    void drawPolygon(const PointList& points, const CDrawStyle drawStyle = kDrawStroked);
    void drawRect(const CRect& rect, const CDrawStyle drawStyle = kDrawStroked);
    void drawArc(const CRect& rect, float startAngle, float endAngle,
                 const CDrawStyle drawStyle = kDrawStroked); // degrees
    void drawEllipse(const CRect& rect, const CDrawStyle drawStyle = kDrawStroked);
    void drawPoint(const CPoint& point, const CColor& color);
    // Use CBitmap::draw instead.
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                    float alpha = 1.f);
    void clearRect(const CRect& rect);

    void setLineWidth(CCoord width) { lineWidth = width; }
    CCoord getLineWidth() const { return lineWidth; }
    void setDrawMode(CDrawMode mode) { drawMode = mode; }
    CDrawMode getDrawMode() const { return drawMode; }
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const {
        clip = clipRect;
        return clip;
    }
    void resetClipRect();
    void setFillColor(const CColor& c) { fillColor = c; }
    CColor getFillColor() const { return fillColor; }
    void setFrameColor(const CColor& c) { frameColor = c; }
    CColor getFrameColor() const { return frameColor; }
    void setFontColor(const CColor& c) { fontColor = c; }
    CColor getFontColor() const { return fontColor; }
    // size 0 keeps the font's own size, style -1 the font's own style.
    void setFont(const CFontRef font, const CCoord& size = 0, const int32_t& style = -1);
    CFontRef getFont() const { return font; }
    CCoord getStringWidth(UTF8StringPtr string);
    void drawString(UTF8StringPtr string, const CRect& rect,
                    const CHoriTxtAlign hAlign = kCenterText, bool antialias = true);
    void drawString(UTF8StringPtr string, const CPoint& point, bool antialias = true);
    void setGlobalAlpha(float alpha) { globalAlpha = alpha; }
    float getGlobalAlpha() const { return globalAlpha; }
    void saveGlobalState();
    void restoreGlobalState();

    cairo_t* getCairo() const { return cr; }
    double getScaleFactor() const { return scaleFactor; }

  private:
    struct State {
        CColor fill, frame, fontColor;
        CFontDesc font;
        CCoord lineWidth;
        CDrawMode drawMode;
        CRect clip;
        float alpha;
    };
    void applyColor(const CColor& c);
    void applyFont(bool antialias);
    void strokeOrFill(CDrawStyle style);

    cairo_t* cr;
    double scaleFactor;
    CRect surfaceRect;
    CRect clipRect;
    CColor fillColor = kWhiteCColor, frameColor = kBlackCColor, fontColor = kBlackCColor;
    CFontDesc fontStore;
    CFontRef font = &fontStore;
    CCoord lineWidth = 1;
    CDrawMode drawMode = kAliasing;
    float globalAlpha = 1.f;
    CPoint penLoc;
    std::vector<State> stack;
};

} // namespace VSTGUI
