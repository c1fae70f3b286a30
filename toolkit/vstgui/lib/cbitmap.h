// Images. A bitmap made from an integer resource id N is the embedded PNG
// named "bmpNNNNN" (five digits), decoded by cairo.
#pragma once

#include "cgeometry.h"
#include <cstddef>
#include <string>

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

    // The decoded image (ARGB32), for drawing and for tests.
    cairo_surface_t* getSurface() const { return surface; }

  private:
    CResourceDescription resourceDesc;
    cairo_surface_t* surface = nullptr;
};

} // namespace VSTGUI
