// Editor-side base of the preset system. This part holds the buffer formats:
// the writers and readers of preset and bank buffers that the effect's chunk,
// the preset bar's files and the stored defaults all go through. They work on
// the effect's store and keep the preset bar's name field and menu in step
// when the window is open.
// The window side (the preset bar itself) builds on this.
#pragma once

#include "presets/PresetBuffers.h"
#include "presets/PresetEditorInterface.h"
#include "vstgui/plugin-bindings/aeffguieditor.h"

class CPresetSystemEffect;

class CPresetSystemEditor : public AEffGUIEditor,
                            public PresetEditorInterface,
                            protected PresetBarView {
  public:
    explicit CPresetSystemEditor(AudioEffect* effect);
    ~CPresetSystemEditor() override = default;

    // Shows a name the host gave the current preset (up to 24 characters).
    void nameChangedExternal(char* name) override;
    // Start-up: selects preset 0. The stored default bank and default preset
    // of the user's preferences are applied here once the preset bar exists.
    void loadDefaults() override;

    // Buffer formats, in this order. Readers return true when the buffer was
    // loaded and false when it was refused (the store is then unchanged); a
    // header passed to a reader is already in the machine's byte order and
    // describes a body of header->bodySize readable bytes. Writers return a
    // buffer allocated with new[] (the caller frees it with delete[]) and its
    // size, or 0.
    virtual bool BufferToBankOld(const char* data, bool swapOrder, int numPresets, int numValues);
    bool BufferToBank(const char* body, const newpresetheader* header, bool swapOrder) override;
    VstInt32 BankToBuffer(char** out) override;
    virtual bool BufferToPresetOld(const char* data, bool swapOrder, int numValues);
    virtual bool BufferToPreset(const char* body, const newpresetheader* header, bool swapOrder);
    virtual VstInt32 PresetToBuffer(char** out);

    // Recognises a whole buffer (a file's contents or a preferences value)
    // and loads it; reversed inverts the byte-order decision.
    bool loadPresetBuffer(const char* data, size_t size, bool reversed = false);
    bool loadBankBuffer(const char* data, size_t size, bool reversed = false);

  protected:
    CPresetSystemEffect* presetEffect();
    PresetBuffers buffers();
};
