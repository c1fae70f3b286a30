// The editor in VST 2.x hosts: the host's editor opcodes (rect, open, close,
// idle, keys, wheel, knob mode) reach the format-neutral editor, and the
// editor's requests reach the effect and its host (EditController): a value
// as setParameterAutomated, a gesture as begin/end edit, a preset change as
// the values it changed (audioMasterAutomate), a new size as sizeWindow.
//
// The editor object is made at the first request for the window, not with
// the effect (it reads the user's preferences), and lives as long as the
// effect: the window may be opened and closed any number of times.
#pragma once

#include <memory>

#include "gui/EqualiserEditor.h"
#include "vst/AEffEditor.h"

namespace dravo {

class Dravo;

class VstEditor final : public AEffEditor, public dravo::EditController {
  public:
    explicit VstEditor(Dravo& effect);
    ~VstEditor() override;

    // The host's editor opcodes.
    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    bool isOpen() override;
    void idle() override;
    bool setKnobMode(VstInt32 mode) override;
    bool onWheel(float distance) override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;

    // The editor, made on first use.
    dravo::EqualiserEditor& editor();

    // dravo::EditController.
    float parameter(dravo::Param p) const override;
    void beginEdit(dravo::Param p) override;
    void performEdit(dravo::Param p, float value) override;
    void endEdit(dravo::Param p) override;
    const PresetRecord& preset(int n) const override;
    int currentPreset() const override;
    const PresetRecord& blankPreset() const override;
    void selectPreset(int n) override;
    void renamePreset(const char* name) override;
    void replacePreset(const PresetRecord& record) override;
    void replaceBank(const Bank& bank) override;
    float takePeak() override;
    void setAnalyserOn(bool on) override;
    int takeOutputSamples(float* dst, int max) override;
    double latencySamples() const override;
    double sampleRate() const override;
    bool requestSize(int width, int height) override;
    void deliverChanges(dravo::EditListener& listener) override;

  private:
    Dravo& plugin;
    std::unique_ptr<dravo::EqualiserEditor> equaliserEditor;
    ERect rect{};
};

} // namespace dravo
