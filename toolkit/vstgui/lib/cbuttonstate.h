// Mouse buttons, modifiers, event results, keys and the shared style enums.
#pragma once

#include <cstdint>

#include "vstguibase.h"

namespace VSTGUI {
// A key as the window or the host reports it: a character, or a virtual key
// (VKEY_*) with modifiers (MODIFIER_*). The same fields as the VST 2.x
// record, so a host's key passes field by field.
struct CKeyCode {
    int32_t character;
    unsigned char virt;
    unsigned char modifier;
};
} // namespace VSTGUI

// Virtual keys and key modifiers of CKeyCode (VST 2.x numbering).
enum VstVirtualKey {
    VKEY_BACK = 1,
    VKEY_TAB,
    VKEY_CLEAR,
    VKEY_RETURN,
    VKEY_PAUSE,
    VKEY_ESCAPE,
    VKEY_SPACE,
    VKEY_NEXT,
    VKEY_END,
    VKEY_HOME,
    VKEY_LEFT,
    VKEY_UP,
    VKEY_RIGHT,
    VKEY_DOWN,
    VKEY_PAGEUP,
    VKEY_PAGEDOWN,
    VKEY_SELECT,
    VKEY_PRINT,
    VKEY_ENTER,
    VKEY_SNAPSHOT,
    VKEY_INSERT,
    VKEY_DELETE,
    VKEY_HELP,
};

enum VstModifierKey {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};

namespace VSTGUI {

enum CButton {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
    kMouseWheelInverted = 1 << 11,
};

class CButtonState {
  public:
    CButtonState(int32_t state = 0) : state(state) {}
    int32_t getButtonState() const {
        return state & (kLButton | kRButton | kMButton | kButton4 | kButton5);
    }
    int32_t getModifierState() const { return state & (kShift | kAlt | kControl | kApple); }
    bool isLeftButton() const { return getButtonState() == kLButton; }
    bool isRightButton() const { return getButtonState() == kRButton; }
    bool isDoubleClick() const { return (state & kDoubleClick) != 0; }
    bool isShiftSet() const { return (state & kShift) != 0; }
    bool isAltSet() const { return (state & kAlt) != 0; }
    bool isControlSet() const { return (state & kControl) != 0; }
    int32_t operator()() const { return state; }
    CButtonState operator&(int32_t mask) const { return CButtonState(state & mask); }
    CButtonState operator|(int32_t mask) const { return CButtonState(state | mask); }
    CButtonState& operator|=(int32_t mask) {
        state |= mask;
        return *this;
    }
    bool operator==(const CButtonState& o) const { return state == o.state; }
    bool operator!=(const CButtonState& o) const { return state != o.state; }
    explicit operator bool() const { return state != 0; }

  private:
    int32_t state;
};

enum CMouseEventResult {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
    kMouseMoveEventHandledButDontNeedMoreEvents,
};

enum CMouseWheelAxis { kMouseWheelAxisX = 0, kMouseWheelAxisY };

enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };
enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };
enum CDrawModeFlags { kAliasing = 0, kAntiAliasing = 1 };
using CDrawMode = int32_t;
enum CTxtFace {
    kNormalFace = 0,
    kBoldFace = 1 << 1,
    kItalicFace = 1 << 2,
    kUnderlineFace = 1 << 3,
    kStrikethroughFace = 1 << 4,
};

// Style bits of the controls (one numbering for all of them).
enum CControlEnum {
    kHorizontal = 1 << 0,
    kVertical = 1 << 1,
    kShadowText = 1 << 2,
    kLeft = 1 << 3,
    kRight = 1 << 4,
    kTop = 1 << 5,
    kBottom = 1 << 6,
    k3DIn = 1 << 7,
    k3DOut = 1 << 8,
    kPopupStyle = 1 << 9,
    kCheckStyle = 1 << 10,
    kMultipleCheckStyle,
    kNoTextStyle = 1 << 11,
    kNoDrawStyle = 1 << 12,
    kDoubleClickStyle = 1 << 13,
    kNoFrame = 1 << 14,
    kRoundRectStyle = 1 << 15,
};

enum CKnobMode { kCircularMode = 0, kRelativCircularMode, kLinearMode };

} // namespace VSTGUI
