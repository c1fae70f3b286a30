// The text field in which a value is typed over a control: Return hands the
// text to the owner, which applies it or refuses it (the field then flashes
// and stays open); Escape, or a click elsewhere, closes it without a change.
#pragma once

#include "vstgui/vstgui.h"

#include <functional>
#include <string>

namespace dravo {

class ValueEntry : public CTextEdit {
  public:
    // accept: true when the text was applied (the field closes).
    using Accept = std::function<bool(const std::string& text)>;
    // closed: the field is done; the owner removes it from the frame.
    using Closed = std::function<void()>;

    ValueEntry(const CRect& size, const char* initialText, Accept accept, Closed closed);

    int32_t onKeyDown(CKeyCode& keyCode) override;
    void looseFocus() override;
    void onIdle() override;

  private:
    void finish();

    Accept accept;
    Closed closed;
    bool done = false;
    bool flashing = false;
    uint32_t flashEnd = 0;
};

} // namespace dravo
