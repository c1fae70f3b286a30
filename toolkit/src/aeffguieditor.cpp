#include "vstgui/plugin-bindings/aeffguieditor.h"

#include "vst/AudioEffectX.h"

#include <chrono>
#include <thread>

int32_t AEffGUIEditor::knobMode = VSTGUI::kCircularMode;

AEffGUIEditor::AEffGUIEditor(void* pEffect) : AEffEditor(static_cast<AudioEffect*>(pEffect)) {
    if (effect) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() = default;

bool AEffGUIEditor::getRect(ERect** ppRect) {
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    return AEffEditor::open(ptr);
}

void AEffGUIEditor::idle() {
    if (inIdleStuff) return;
    AEffEditor::idle();
    if (frame) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
    return frame ? frame->onKeyDown(keyCode) > 0 : false;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) {
    return frame ? frame->onKeyUp(keyCode) > 0 : false;
}

bool AEffGUIEditor::onWheel(float distance) {
    if (!frame) return false;
    VSTGUI::CPoint where;
    frame->getCurrentMouseLocation(where);
    return frame->onWheel(where, distance, frame->getCurrentMouseButtons());
}

bool AEffGUIEditor::setKnobMode(VstInt32 val) {
    knobMode = val;
    return true;
}

void AEffGUIEditor::doIdleStuff() {
    // Redraws while a long operation runs on the editor's thread.
    if (inIdleStuff) return;
    inIdleStuff = true;
    if (frame) frame->idle();
    inIdleStuff = false;
}

bool AEffGUIEditor::beforeSizeChange(const VSTGUI::CRect& newSize,
                                     const VSTGUI::CRect& /*oldSize*/) {
    const auto w = (VstInt16)newSize.getWidth(), h = (VstInt16)newSize.getHeight();
    if (rect.right - rect.left == w && rect.bottom - rect.top == h) return true;
    const ERect old = rect;
    rect.right = (VstInt16)(rect.left + w);
    rect.bottom = (VstInt16)(rect.top + h);
    if (effect && static_cast<AudioEffectX*>(effect)->sizeWindow(w, h)) return true;
    rect = old;
    return false;
}

// Only real parameters reach the host: the preset bar's controls carry tags
// beyond the parameter count.
void AEffGUIEditor::beginEdit(int32_t index) {
    if (effect && index >= 0 && index < effect->getAeffect()->numParams)
        static_cast<AudioEffectX*>(effect)->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) {
    if (effect && index >= 0 && index < effect->getAeffect()->numParams)
        static_cast<AudioEffectX*>(effect)->endEdit(index);
}

uint32_t AEffGUIEditor::getTicks() const {
    return frame ? frame->getTicks()
                 : (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
}

void AEffGUIEditor::wait(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
