// What the program store asks of the effect's editor object: the bank buffer
// operations behind the host chunk, the user's stored defaults at start-up,
// and showing a name the host gave. CPresetSystemEditor implements it; the
// store finds it on whatever editor the effect holds.
#pragma once

#include "vst/vst2abi.h"

struct newpresetheader;

class PresetEditorInterface {
  public:
    virtual ~PresetEditorInterface() = default;
    virtual void nameChangedExternal(char* name) = 0;
    virtual void loadDefaults() = 0;
    virtual bool BufferToBank(const char* body, const newpresetheader* header, bool swapOrder) = 0;
    virtual VstInt32 BankToBuffer(char** out) = 0;
};
