#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ctextedit.h"

#include <cmath>
#include <cstdio>

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, const int32_t style)
    : CControl(size, nullptr, -1, background), fontDesc(*kNormalFont), style(style) {}

void CParamDisplay::setValueToStringProc(CParamDisplayValueToStringProc proc, void* userData) {
    if (!proc) {
        valueToString = nullptr;
        return;
    }
    valueToString = [proc, userData](float v, char text[256], CParamDisplay*) {
        return proc(v, text, userData);
    };
}

void CParamDisplay::setFont(CFontRef font) {
    if (font) fontDesc = *font;
    setDirty();
}

void CParamDisplay::valueText(char out[256]) {
    out[0] = 0;
    if (valueToString && valueToString(getValue(), out, this)) {
        out[255] = 0;
        return;
    }
    std::snprintf(out, 256, "%.*f", (int)valuePrecision, (double)getValue());
}

void CParamDisplay::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        char text[256];
        valueText(text);
        drawBack(context);
        drawText(context, text);
    }
    setDirty(false);
}

void CParamDisplay::drawBack(CDrawContext* context) {
    if (getDrawBackground()) {
        getDrawBackground()->draw(context, size, backOffset);
    } else if (!getTransparency()) {
        context->setFillColor(backColor);
        context->drawRect(size, kDrawFilled);
        if (!(style & (k3DIn | k3DOut | kNoFrame))) {
            context->setLineWidth(frameWidth);
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }
    if (!getTransparency() && (style & (k3DIn | k3DOut))) {
        // Light upper-left and dark lower-right edges (swapped for k3DIn).
        CColor light = (style & k3DIn) ? frameColor : kWhiteCColor;
        CColor dark = (style & k3DIn) ? kWhiteCColor : frameColor;
        context->setLineWidth(1);
        context->setFrameColor(light);
        context->drawLine(CPoint(size.left, size.bottom - 1), CPoint(size.left, size.top));
        context->drawLine(CPoint(size.left, size.top), CPoint(size.right - 1, size.top));
        context->setFrameColor(dark);
        context->drawLine(CPoint(size.right - 1, size.top),
                          CPoint(size.right - 1, size.bottom - 1));
        context->drawLine(CPoint(size.right - 1, size.bottom - 1),
                          CPoint(size.left, size.bottom - 1));
    }
}

void CParamDisplay::drawText(CDrawContext* context, UTF8StringPtr string) {
    if ((style & kNoTextStyle) || !string || !*string) return;
    CRect textRect = size;
    textRect.inset(textInset.x, textInset.y);
    context->setFont(&fontDesc);
    if (style & kShadowText) {
        CRect shadow = textRect;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(string, shadow, horiTxtAlign, antialias);
    }
    context->setFontColor(fontColor);
    context->drawString(string, textRect, horiTxtAlign, antialias);
}

//------------------------------------------------------------------------------
CTextLabel::CTextLabel(const CRect& size, UTF8StringPtr txt, CBitmap* background,
                       const int32_t style)
    : CParamDisplay(size, background, style), text(txt ? txt : "") {}

void CTextLabel::setText(UTF8StringPtr txt) {
    std::string t = txt ? txt : "";
    if (t == text) return;
    text = t;
    setDirty();
}

void CTextLabel::draw(CDrawContext* context) {
    if (!(style & kNoDrawStyle)) {
        drawBack(context);
        drawText(context, text.c_str());
    }
    setDirty(false);
}

//------------------------------------------------------------------------------
CTextEdit::CTextEdit(const CRect& size, IControlListener* listener, int32_t tag, UTF8StringPtr txt,
                     CBitmap* background, const int32_t style)
    : CTextLabel(size, txt, background, style) {
    this->listener = listener;
    this->tag = tag;
    setWantsFocus(true);
}

void CTextEdit::setText(UTF8StringPtr txt) {
    CTextLabel::setText(txt);
    float v;
    if (stringToValue && stringToValue(getText(), v, this)) CControl::setValue(v);
}

void CTextEdit::setValue(float val) {
    CTextLabel::setValue(val);
}

CMouseEventResult CTextEdit::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (getFrame() && getFrame()->getFocusView() != this) getFrame()->setFocusView(this);
    if (!editingText) takeFocus();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CTextEdit::takeFocus() {
    if (editingText) return;
    editingText = true;
    cancelled = false;
    editText = text;
    caret = editText.size();
    invalid();
}

void CTextEdit::looseFocus() {
    if (!editingText) return;
    if (cancelled)
        cancel();
    else
        commit();
}

void CTextEdit::commit() {
    editingText = false;
    beginEdit();
    setText(editText.c_str());
    valueChanged();
    endEdit();
    invalid();
}

void CTextEdit::cancel() {
    editingText = false;
    editText = text;
    invalid();
}

// Length of the UTF-8 sequence that ends just before pos.
static size_t previousCharLength(const std::string& s, size_t pos) {
    size_t n = 0;
    while (pos > 0) {
        --pos;
        ++n;
        if (((unsigned char)s[pos] & 0xC0) != 0x80) break;
    }
    return n;
}

static size_t nextCharLength(const std::string& s, size_t pos) {
    if (pos >= s.size()) return 0;
    size_t n = 1;
    while (pos + n < s.size() && ((unsigned char)s[pos + n] & 0xC0) == 0x80)
        ++n;
    return n;
}

static void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += (char)c;
    } else if (c < 0x800) {
        out += (char)(0xC0 | (c >> 6));
        out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += (char)(0xE0 | (c >> 12));
        out += (char)(0x80 | ((c >> 6) & 0x3F));
        out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += (char)(0xF0 | (c >> 18));
        out += (char)(0x80 | ((c >> 12) & 0x3F));
        out += (char)(0x80 | ((c >> 6) & 0x3F));
        out += (char)(0x80 | (c & 0x3F));
    }
}

int32_t CTextEdit::onKeyDown(CKeyCode& keyCode) {
    if (!editingText) return -1;
    switch (keyCode.virt) {
    case VKEY_RETURN:
    case VKEY_ENTER:
        if (getFrame() && getFrame()->getFocusView() == this)
            getFrame()->setFocusView(nullptr);
        else
            commit();
        return 1;
    case VKEY_ESCAPE:
        cancelled = true;
        if (getFrame() && getFrame()->getFocusView() == this)
            getFrame()->setFocusView(nullptr);
        else
            cancel();
        return 1;
    case VKEY_BACK: {
        size_t n = previousCharLength(editText, caret);
        editText.erase(caret - n, n);
        caret -= n;
        break;
    }
    case VKEY_DELETE:
        editText.erase(caret, nextCharLength(editText, caret));
        break;
    case VKEY_LEFT:
        caret -= previousCharLength(editText, caret);
        break;
    case VKEY_RIGHT:
        caret += nextCharLength(editText, caret);
        break;
    case VKEY_HOME:
        caret = 0;
        break;
    case VKEY_END:
        caret = editText.size();
        break;
    case 0:
        if (keyCode.character < 32 || keyCode.character == 127 ||
            (keyCode.modifier & (MODIFIER_CONTROL | MODIFIER_ALTERNATE | MODIFIER_COMMAND)))
            return -1;
        {
            std::string ch;
            appendUtf8(ch, (uint32_t)keyCode.character);
            editText.insert(caret, ch);
            caret += ch.size();
        }
        break;
    case VKEY_SPACE:
        editText.insert(caret, " ");
        caret += 1;
        break;
    default:
        return -1;
    }
    if (immediateTextChange) {
        setText(editText.c_str());
        valueChanged();
    }
    invalid();
    return 1;
}

void CTextEdit::draw(CDrawContext* context) {
    if (!editingText) {
        CTextLabel::draw(context);
        return;
    }
    // Editing: the field in its back colour, framed, with a caret.
    context->setFillColor(backColor);
    context->drawRect(size, kDrawFilled);
    context->setLineWidth(1);
    context->setFrameColor(frameColor);
    context->drawRect(size);
    CRect textRect = size;
    textRect.inset(textInset.x + 2, textInset.y);
    context->setFont(&fontDesc);
    context->setFontColor(fontColor);
    CCoord fullWidth = context->getStringWidth(editText.c_str());
    CCoord x = textRect.left;
    if (horiTxtAlign == kCenterText)
        x = textRect.left + (textRect.getWidth() - fullWidth) / 2;
    else if (horiTxtAlign == kRightText)
        x = textRect.right - fullWidth;
    CRect drawRect(x, textRect.top, x + fullWidth + 1, textRect.bottom);
    context->drawString(editText.c_str(), drawRect, kLeftText, antialias);
    CCoord caretX = std::round(x + context->getStringWidth(editText.substr(0, caret).c_str()));
    context->setFrameColor(fontColor);
    context->drawLine(CPoint(caretX, size.top + 2), CPoint(caretX, size.bottom - 3));
    setDirty(false);
}

} // namespace VSTGUI
