// A read-only display of a value as text, formatted by a value-to-text
// function or with a fixed number of decimals.
#pragma once

#include "ccontrol.h"
#include <functional>

namespace VSTGUI {

class CParamDisplay : public CControl {
  public:
    using CParamDisplayValueToStringProc = bool (*)(float value, char utf8String[256],
                                                    void* userData);
    using ValueToStringFunction =
        std::function<bool(float value, char utf8String[256], CParamDisplay* display)>;

    CParamDisplay(const CRect& size, CBitmap* background = nullptr, const int32_t style = 0);
    CParamDisplay(const CParamDisplay&) = default;
    CLASS_METHODS(CParamDisplay, CControl)

    void draw(CDrawContext* context) override;

    void setValueToStringProc(CParamDisplayValueToStringProc proc, void* userData = nullptr);
    void setValueToStringFunction(const ValueToStringFunction& func) { valueToString = func; }

    virtual void setFont(CFontRef font);
    CFontRef getFont() const { return const_cast<CFontDesc*>(&fontDesc); }
    virtual void setFontColor(CColor color) { fontColor = color; }
    CColor getFontColor() const { return fontColor; }
    virtual void setBackColor(CColor color) { backColor = color; }
    CColor getBackColor() const { return backColor; }
    virtual void setFrameColor(CColor color) { frameColor = color; }
    CColor getFrameColor() const { return frameColor; }
    virtual void setShadowColor(CColor color) { shadowColor = color; }
    CColor getShadowColor() const { return shadowColor; }
    virtual void setAntialias(bool state) { antialias = state; }
    bool getAntialias() const { return antialias; }
    virtual void setHoriAlign(CHoriTxtAlign align) { horiTxtAlign = align; }
    CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
    virtual void setTextInset(const CPoint& p) { textInset = p; }
    CPoint getTextInset() const { return textInset; }
    virtual void setRoundRectRadius(const CCoord& radius) { roundRectRadius = radius; }
    CCoord getRoundRectRadius() const { return roundRectRadius; }
    virtual void setFrameWidth(const CCoord& width) { frameWidth = width; }
    CCoord getFrameWidth() const { return frameWidth; }
    virtual void setStyle(int32_t val) { style = val; }
    int32_t getStyle() const { return style; }
    virtual void setPrecision(uint8_t val) { valuePrecision = val; }
    uint8_t getPrecision() const { return valuePrecision; }

  protected:
    // The background (bitmap from the back offset, or the back colour) and frame.
    virtual void drawBack(CDrawContext* context);
    virtual void drawText(CDrawContext* context, UTF8StringPtr string);
    // The text for the current value.
    void valueText(char out[256]);

    ValueToStringFunction valueToString;
    CFontDesc fontDesc;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kRedCColor;
    CHoriTxtAlign horiTxtAlign = kCenterText;
    CPoint textInset;
    CCoord roundRectRadius = 6;
    CCoord frameWidth = 1;
    int32_t style;
    uint8_t valuePrecision = 2;
    bool antialias = true;
};

} // namespace VSTGUI
