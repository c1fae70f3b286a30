// Images. A bitmap made from an integer resource id N is the embedded PNG
// named "bmpNNNNN" (five digits), decoded by cairo; when "bmpNNNNN@2x" is
// embedded too (the same picture drawn at twice the pixel density) it becomes
// the bitmap's second representation, used on zoomed frames.
#pragma once

#include "cgeometry.h"
#include <cstddef>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CDrawContext;

class CResourceDescription {
  public:
    enum Type { kIntegerType, kStringType, kUnknownType };
    CResourceDescription() = default;
    CResourceDescription(int32_t id) : type(kIntegerType), id(id) {}
    CResourceDescription(UTF8StringPtr name) : type(kStringType), name(name ? name : "") {}
    Type type = kUnknownType;
    int32_t id = 0;
    std::string name;
};

// A PNG compiled into the binary.
struct EmbeddedImage {
    const char* name;
    const unsigned char* data;
    size_t size;
};
// Looks an embedded image up by name ("bmp11500"); null when there is none.
// Provided by the resources library.
const EmbeddedImage* findEmbeddedImage(const char* name);

class CBitmap : public CBaseObject {
  public:
    CBitmap(const CResourceDescription& desc);
    CBitmap(CCoord width, CCoord height);
    ~CBitmap() override;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    CLASS_METHODS_NOCOPY(CBitmap, CBaseObject)

    // Draws the part of the image that starts at offset into rect.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
                      float alpha = 1.f);
    CCoord getWidth() const;
    CCoord getHeight() const;
    bool isLoaded() const { return surface != nullptr; }
    const CResourceDescription& getResourceDescription() const { return resourceDesc; }

    // The decoded 1x image (ARGB32), for drawing and for tests.
    cairo_surface_t* getSurface() const { return surface; }

    // Adds a representation of the picture at scaleFactor (its pixel size is
    // the bitmap's size times scaleFactor); the bitmap takes the surface over.
    // False (and the surface released) when the size does not fit or that
    // scale is already there.
    bool addBitmap(cairo_surface_t* representation, double scaleFactor);
    // The representation to draw at scaleFactor: the smallest one at least
    // that dense, else the densest. Its own scale goes to *representationScale.
    cairo_surface_t* getBestPlatformBitmapForScaleFactor(double scaleFactor,
                                                         double* representationScale) const;
    int32_t getNumRepresentations() const { return surface ? 1 + (int32_t)extra.size() : 0; }
    // The picture at exactly scaleFactor pixels per unit: a representation
    // of that scale, else the best one resampled once with a filter good for
    // downscaling and kept until another scale is asked for.
    cairo_surface_t* getSurfaceForScaleFactor(double scaleFactor) const;

  private:
    struct Representation {
        double scale;
        cairo_surface_t* surface;
    };
    CResourceDescription resourceDesc;
    cairo_surface_t* surface = nullptr;
    std::vector<Representation> extra; // denser than 1x, by increasing scale
    mutable Representation resampled{0, nullptr};
};

} // namespace VSTGUI
