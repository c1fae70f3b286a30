#include "gui/ValueEntry.h"

namespace dravo {

namespace {
constexpr uint32_t kFlashMs = 350;
const CColor kFieldColour(250, 250, 246);
const CColor kFlashColour(235, 120, 110);
} // namespace

ValueEntry::ValueEntry(const CRect& size, const char* initialText, Accept accept, Closed closed)
    : CTextEdit(size, nullptr, -1, initialText), accept(std::move(accept)),
      closed(std::move(closed)) {
    setFont(kNormalFontSmall);
    setFontColor(CColor(20, 20, 20));
    setBackColor(kFieldColour);
    setFrameColor(CColor(52, 101, 164));
    setHoriAlign(kCenterText);
}

int32_t ValueEntry::onKeyDown(CKeyCode& keyCode) {
    if (done) return -1;
    switch (keyCode.virt) {
    case VKEY_RETURN:
    case VKEY_ENTER:
        if (accept && accept(getEditText())) {
            finish();
        } else {
            flashing = true;
            flashEnd = getFrame() ? getFrame()->getTicks() + kFlashMs : 0;
            setBackColor(kFlashColour);
            setWantsIdle(true);
            invalid();
        }
        return 1;
    case VKEY_ESCAPE:
        finish();
        return 1;
    default:
        return CTextEdit::onKeyDown(keyCode);
    }
}

void ValueEntry::looseFocus() {
    // Focus moved elsewhere (a click outside): nothing is applied.
    cancel();
    finish();
}

void ValueEntry::onIdle() {
    if (!flashing || !getFrame() || getFrame()->getTicks() < flashEnd) return;
    flashing = false;
    setWantsIdle(false);
    setBackColor(kFieldColour);
    invalid();
}

void ValueEntry::finish() {
    if (done) return;
    done = true;
    if (closed) closed();
}

} // namespace dravo
