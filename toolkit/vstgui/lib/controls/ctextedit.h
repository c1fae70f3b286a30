// A text label and the in-frame text field: a click starts editing, typed
// characters are inserted at the caret, Enter commits and Escape cancels.
#pragma once

#include "cparamdisplay.h"
#include <string>

namespace VSTGUI {

class CTextLabel : public CParamDisplay {
  public:
    CTextLabel(const CRect& size, UTF8StringPtr txt = nullptr, CBitmap* background = nullptr,
               const int32_t style = 0);
    CTextLabel(const CTextLabel&) = default;
    CLASS_METHODS(CTextLabel, CParamDisplay)

    virtual void setText(UTF8StringPtr txt);
    virtual UTF8StringPtr getText() const { return text.c_str(); }
    void draw(CDrawContext* context) override;

  protected:
    std::string text;
};

class CTextEdit : public CTextLabel {
  public:
    using CTextEditStringToValueProc = bool (*)(UTF8StringPtr txt, float& result, void* userData);
    using StringToValueFunction =
        std::function<bool(UTF8StringPtr txt, float& result, CTextEdit* textEdit)>;

    CTextEdit(const CRect& size, IControlListener* listener, int32_t tag,
              UTF8StringPtr txt = nullptr, CBitmap* background = nullptr, const int32_t style = 0);
    CTextEdit(const CTextEdit&) = default;
    CLASS_METHODS(CTextEdit, CTextLabel)

    void setStringToValueFunction(const StringToValueFunction& func) { stringToValue = func; }
    void setImmediateTextChange(bool state) { immediateTextChange = state; }
    bool getImmediateTextChange() const { return immediateTextChange; }

    void setText(UTF8StringPtr txt) override;
    void setValue(float val) override;
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    int32_t onKeyDown(CKeyCode& keyCode) override;
    void takeFocus() override;
    void looseFocus() override;
    bool wantsFocus() const override { return true; }

    bool isEditing() const { return editingText; }
    // The text while editing (getText() keeps the committed text).
    const std::string& getEditText() const { return editText; }

  protected:
    void commit();
    void cancel();

    StringToValueFunction stringToValue;
    bool immediateTextChange = false;

  private:
    bool editingText = false;
    bool cancelled = false;
    std::string editText;
    size_t caret = 0;
};

} // namespace VSTGUI
