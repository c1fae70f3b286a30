#include "vstgui/lib/cdrawcontext.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace VSTGUI {

// Standard fonts, pixel sizes.
static CFontDesc systemFont("DejaVu Sans", 12, kBoldFace);
static CFontDesc normalFontVeryBig("DejaVu Sans", 18);
static CFontDesc normalFontBig("DejaVu Sans", 14);
static CFontDesc normalFont("DejaVu Sans", 12);
static CFontDesc normalFontSmall("DejaVu Sans", 11);
static CFontDesc normalFontSmaller("DejaVu Sans", 10);
static CFontDesc normalFontVerySmall("DejaVu Sans", 9);
static CFontDesc symbolFont("DejaVu Sans", 13);
const CFontRef kSystemFont = &systemFont;
const CFontRef kNormalFontVeryBig = &normalFontVeryBig;
const CFontRef kNormalFontBig = &normalFontBig;
const CFontRef kNormalFont = &normalFont;
const CFontRef kNormalFontSmall = &normalFontSmall;
const CFontRef kNormalFontSmaller = &normalFontSmaller;
const CFontRef kNormalFontVerySmall = &normalFontVerySmall;
const CFontRef kSymbolFont = &symbolFont;

//------------------------------------------------------------------------------
namespace {
struct PngReader {
    const unsigned char* data;
    size_t size;
    size_t pos;
};
cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (r->size - r->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}
} // namespace

namespace {
cairo_surface_t* decodeEmbedded(const char* name, bool reportMissing) {
    const EmbeddedImage* image = findEmbeddedImage(name);
    if (!image) {
        if (reportMissing) std::fprintf(stderr, "CBitmap: no image resource \"%s\"\n", name);
        return nullptr;
    }
    PngReader reader{image->data, image->size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "CBitmap: image resource \"%s\" is not a valid PNG\n", name);
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}
} // namespace

CBitmap::CBitmap(const CResourceDescription& desc) : resourceDesc(desc) {
    char name[32];
    const char* lookup = name;
    if (desc.type == CResourceDescription::kIntegerType)
        std::snprintf(name, sizeof name, "bmp%05d", (int)desc.id);
    else if (desc.type == CResourceDescription::kStringType)
        lookup = desc.name.c_str();
    else
        return;
    surface = decodeEmbedded(lookup, true);
    if (!surface) return;
    const std::string dense = std::string(lookup) + "@2x";
    if (cairo_surface_t* s2 = decodeEmbedded(dense.c_str(), false)) addBitmap(s2, 2.0);
}

CBitmap::CBitmap(CCoord width, CCoord height) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, (int)width, (int)height);
}

CBitmap::~CBitmap() {
    if (resampled.surface) cairo_surface_destroy(resampled.surface);
    if (surface) cairo_surface_destroy(surface);
    for (auto& r : extra)
        cairo_surface_destroy(r.surface);
}

bool CBitmap::addBitmap(cairo_surface_t* representation, double scaleFactor) {
    if (!representation) return false;
    bool fits = surface && scaleFactor > 1.0 &&
                cairo_image_surface_get_width(representation) ==
                    (int)std::lround(getWidth() * scaleFactor) &&
                cairo_image_surface_get_height(representation) ==
                    (int)std::lround(getHeight() * scaleFactor);
    for (auto& r : extra)
        fits = fits && r.scale != scaleFactor;
    if (!fits) {
        cairo_surface_destroy(representation);
        return false;
    }
    auto at = extra.begin();
    while (at != extra.end() && at->scale < scaleFactor)
        ++at;
    extra.insert(at, Representation{scaleFactor, representation});
    return true;
}

cairo_surface_t* CBitmap::getBestPlatformBitmapForScaleFactor(double scaleFactor,
                                                              double* representationScale) const {
    double scale = 1.0;
    cairo_surface_t* best = surface;
    if (scaleFactor > 1.0)
        for (const auto& r : extra) {
            scale = r.scale;
            best = r.surface;
            if (r.scale >= scaleFactor) break;
        }
    if (representationScale) *representationScale = scale;
    return best;
}

CCoord CBitmap::getWidth() const {
    return surface ? cairo_image_surface_get_width(surface) : 0;
}
CCoord CBitmap::getHeight() const {
    return surface ? cairo_image_surface_get_height(surface) : 0;
}

cairo_surface_t* CBitmap::getSurfaceForScaleFactor(double scaleFactor) const {
    double repScale = 1.0;
    cairo_surface_t* rep = getBestPlatformBitmapForScaleFactor(scaleFactor, &repScale);
    if (!rep || repScale == scaleFactor) return rep;
    if (resampled.surface && resampled.scale == scaleFactor) return resampled.surface;
    if (resampled.surface) cairo_surface_destroy(resampled.surface);
    const double ratio = scaleFactor / repScale;
    cairo_surface_t* s = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, (int)std::lround(cairo_image_surface_get_width(rep) * ratio),
        (int)std::lround(cairo_image_surface_get_height(rep) * ratio));
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, ratio, ratio);
    cairo_set_source_surface(cr, rep, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    resampled = Representation{scaleFactor, s};
    return s;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    CRect clip;
    context->getClipRect(clip);
    clip.bound(rect);
    if (clip.isEmpty() || !surface) return;
    context->drawBitmap(this, rect, offset, alpha);
}

//------------------------------------------------------------------------------
CDrawContext::CDrawContext(cairo_surface_t* surface, double scaleFactor)
    : scaleFactor(scaleFactor > 0 ? scaleFactor : 1.0), fontStore(*kNormalFont) {
    cr = cairo_create(surface);
    if (this->scaleFactor != 1.0) cairo_scale(cr, this->scaleFactor, this->scaleFactor);
    double x1, y1, x2, y2;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    surfaceRect = CRect(x1, y1, x2, y2);
    clipRect = surfaceRect;
}

CDrawContext::~CDrawContext() {
    cairo_destroy(cr);
}

void CDrawContext::applyColor(const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                          c.alpha / 255.0 * globalAlpha);
}

void CDrawContext::strokeOrFill(CDrawStyle style) {
    cairo_set_antialias(cr, (drawMode & kAntiAliasing) ? CAIRO_ANTIALIAS_DEFAULT
                                                       : CAIRO_ANTIALIAS_NONE);
    if (style == kDrawFilled || style == kDrawFilledAndStroked) {
        applyColor(fillColor);
        if (style == kDrawFilledAndStroked)
            cairo_fill_preserve(cr);
        else
            cairo_fill(cr);
    }
    if (style == kDrawStroked || style == kDrawFilledAndStroked) {
        applyColor(frameColor);
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
}

// Odd line widths sit on pixel centres so that they cover whole pixels.
static double pixelCentre(double v, double lineWidth) {
    return (std::fmod(lineWidth, 2.0) == 1.0) ? std::floor(v) + 0.5 : v;
}

void CDrawContext::lineTo(const CPoint& p) {
    drawLine(penLoc, p);
    penLoc = p;
}

void CDrawContext::drawLine(const LinePair& line) {
    cairo_move_to(cr, pixelCentre(line.first.x, lineWidth), pixelCentre(line.first.y, lineWidth));
    cairo_line_to(cr, pixelCentre(line.second.x, lineWidth), pixelCentre(line.second.y, lineWidth));
    strokeOrFill(kDrawStroked);
}

void CDrawContext::drawLines(const LineList& lines) {
    for (const auto& l : lines)
        drawLine(l);
}

void CDrawContext::drawPolygon(const PointList& points, const CDrawStyle drawStyle) {
    if (points.empty()) return;
    cairo_move_to(cr, points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i)
        cairo_line_to(cr, points[i].x, points[i].y);
    strokeOrFill(drawStyle);
}

void CDrawContext::drawRect(const CRect& rect, const CDrawStyle drawStyle) {
    if (drawStyle == kDrawStroked) {
        double h = lineWidth / 2;
        cairo_rectangle(cr, rect.left + h, rect.top + h, rect.getWidth() - lineWidth,
                        rect.getHeight() - lineWidth);
    } else {
        cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    }
    strokeOrFill(drawStyle);
}

void CDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle,
                           const CDrawStyle drawStyle) {
    CPoint c = rect.getCenter();
    cairo_save(cr);
    cairo_translate(cr, c.x, c.y);
    cairo_scale(cr, rect.getWidth() / 2, rect.getHeight() / 2);
    cairo_arc(cr, 0, 0, 1, startAngle * M_PI / 180.0, endAngle * M_PI / 180.0);
    cairo_restore(cr);
    strokeOrFill(drawStyle);
}

void CDrawContext::drawEllipse(const CRect& rect, const CDrawStyle drawStyle) {
    drawArc(rect, 0, 360, drawStyle);
}

void CDrawContext::drawPoint(const CPoint& point, const CColor& color) {
    applyColor(color);
    cairo_rectangle(cr, std::floor(point.x), std::floor(point.y), 1, 1);
    cairo_fill(cr);
}

void CDrawContext::drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset,
                              float alpha) {
    if (!bitmap || !bitmap->getSurface()) return;
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.getWidth(), dest.getHeight());
    cairo_clip(cr);
    if (scaleFactor == 1.0) {
        cairo_set_source_surface(cr, bitmap->getSurface(), dest.left - offset.x,
                                 dest.top - offset.y);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    } else {
        // The picture at the surface's density, placed on whole pixels of
        // the surface and copied pixel for pixel.
        cairo_surface_t* picture = bitmap->getSurfaceForScaleFactor(scaleFactor);
        const double x = std::round((dest.left - offset.x) * scaleFactor) / scaleFactor;
        const double y = std::round((dest.top - offset.y) * scaleFactor) / scaleFactor;
        cairo_set_source_surface(cr, picture, 0, 0);
        cairo_pattern_t* pattern = cairo_get_source(cr);
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, scaleFactor, scaleFactor);
        cairo_matrix_translate(&m, -x, -y);
        cairo_pattern_set_matrix(pattern, &m);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    }
    float a = alpha * globalAlpha;
    if (a >= 1.f)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, a);
    cairo_restore(cr);
}

void CDrawContext::clearRect(const CRect& rect) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CDrawContext::setClipRect(const CRect& clip) {
    clipRect = clip;
    if (scaleFactor != 1.0) {
        // Whole pixels of the surface: a clip edge inside a pixel would blend
        // a redraw with what was there before.
        clipRect = CRect(std::floor(clip.left * scaleFactor) / scaleFactor,
                         std::floor(clip.top * scaleFactor) / scaleFactor,
                         std::ceil(clip.right * scaleFactor) / scaleFactor,
                         std::ceil(clip.bottom * scaleFactor) / scaleFactor);
    }
    clipRect.bound(surfaceRect);
    cairo_reset_clip(cr);
    cairo_rectangle(cr, clipRect.left, clipRect.top, clipRect.getWidth(), clipRect.getHeight());
    cairo_clip(cr);
}

void CDrawContext::resetClipRect() {
    setClipRect(surfaceRect);
}

void CDrawContext::setFont(const CFontRef newFont, const CCoord& size, const int32_t& style) {
    if (!newFont) return;
    fontStore = *newFont;
    if (size > 0) fontStore.setSize(size);
    if (style >= 0) fontStore.setStyle(style);
    font = &fontStore;
}

void CDrawContext::applyFont(bool antialias) {
    cairo_select_font_face(
        cr, font->getName(),
        (font->getStyle() & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        (font->getStyle() & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font->getSize() > 0 ? font->getSize() : 12);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options,
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

CCoord CDrawContext::getStringWidth(UTF8StringPtr string) {
    if (!string) return 0;
    applyFont(true);
    cairo_text_extents_t te;
    cairo_text_extents(cr, string, &te);
    return te.x_advance;
}

void CDrawContext::drawString(UTF8StringPtr string, const CRect& rect, const CHoriTxtAlign hAlign,
                              bool antialias) {
    if (!string || !*string) return;
    applyFont(antialias);
    cairo_text_extents_t te;
    cairo_text_extents(cr, string, &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double x = rect.left;
    if (hAlign == kCenterText)
        x = rect.left + (rect.getWidth() - te.x_advance) / 2;
    else if (hAlign == kRightText)
        x = rect.right - te.x_advance;
    // Baseline so that the font's ascent and descent are centred in the rectangle.
    double y = rect.top + (rect.getHeight() + fe.ascent - fe.descent) / 2;
    applyColor(fontColor);
    cairo_move_to(cr, std::round(x), std::round(y));
    cairo_show_text(cr, string);
    cairo_new_path(cr);
    if (font->getStyle() & kUnderlineFace) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, std::round(x), std::round(y) + 1.5);
        cairo_rel_line_to(cr, te.x_advance, 0);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawString(UTF8StringPtr string, const CPoint& point, bool antialias) {
    if (!string || !*string) return;
    applyFont(antialias);
    applyColor(fontColor);
    cairo_move_to(cr, point.x, point.y);
    cairo_show_text(cr, string);
    cairo_new_path(cr);
}

void CDrawContext::saveGlobalState() {
    stack.push_back(State{fillColor, frameColor, fontColor, fontStore, lineWidth, drawMode,
                          clipRect, globalAlpha});
}

void CDrawContext::restoreGlobalState() {
    if (stack.empty()) return;
    const State& s = stack.back();
    fillColor = s.fill;
    frameColor = s.frame;
    fontColor = s.fontColor;
    fontStore = s.font;
    font = &fontStore;
    lineWidth = s.lineWidth;
    drawMode = s.drawMode;
    globalAlpha = s.alpha;
    setClipRect(s.clip);
    stack.pop_back();
}

} // namespace VSTGUI
