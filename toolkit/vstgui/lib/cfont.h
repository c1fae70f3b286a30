// Font descriptions. The standard fonts are sans-serif faces at fixed pixel
// sizes; fontconfig picks the installed face for the family name.
#pragma once

#include "cbuttonstate.h"
#include <string>

namespace VSTGUI {

class CFontDesc : public CBaseObject {
  public:
    CFontDesc(UTF8StringPtr name = "DejaVu Sans", CCoord size = 0, int32_t style = 0)
        : name(name ? name : ""), size(size), style(style) {}
    CLASS_METHODS(CFontDesc, CBaseObject)

    UTF8StringPtr getName() const { return name.c_str(); }
    CCoord getSize() const { return size; }
    int32_t getStyle() const { return style; }
    void setName(UTF8StringPtr n) { name = n ? n : ""; }
    void setSize(CCoord s) { size = s; }
    void setStyle(int32_t s) { style = s; }

  private:
    std::string name;
    CCoord size;
    int32_t style;
};

using CFontRef = CFontDesc*;

extern const CFontRef kSystemFont;
extern const CFontRef kNormalFontVeryBig;   // 18
extern const CFontRef kNormalFontBig;       // 14
extern const CFontRef kNormalFont;          // 12
extern const CFontRef kNormalFontSmall;     // 11
extern const CFontRef kNormalFontSmaller;   // 10
extern const CFontRef kNormalFontVerySmall; // 9
extern const CFontRef kSymbolFont;

} // namespace VSTGUI
