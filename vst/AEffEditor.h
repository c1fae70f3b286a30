// Editor base of the VST 2.x host frame: the effect forwards the editor
// opcodes (rect, open, close, idle, keys, knob mode) to these operations.
#pragma once

#include "vst/vst2abi.h"

class AudioEffect;

class AEffEditor {
  public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect) {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool onKeyDown(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*keyCode*/) { return false; }

  protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
