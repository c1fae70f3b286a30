// The preset bar along the bottom of the editor: the name field, the preset
// menu, previous/next, preset and bank files, the default bank and default
// preset, memory slots A and B and the manual button (positions in
// presets/PresetBarLayout.h). It changes the bank only through the
// plug-in's EditController, and shows the bank as the controller has it.
//
// The defaults, the slots and the last-used paths live in the user's
// preferences (StoredPresets). Dialogs run as child programs (DialogRunner):
// an action starts one and returns to the host at once, idle() collects the
// answer and then acts on it. close() ends an open dialog and forgets what
// was to follow it.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "model/EditController.h"
#include "presets/DialogRunner.h"
#include "presets/ManualOpener.h"
#include "presets/PresetBarLayout.h"
#include "presets/StoredPresets.h"

namespace dravo {

class CPresetKickButton;

class PresetBar : public CControlListener {
  public:
    PresetBar(EditController& controller, const char* preferencesIdentifier,
              const ManualDocument& manual);
    ~PresetBar() override;
    PresetBar(const PresetBar&) = delete;
    PresetBar& operator=(const PresetBar&) = delete;

    // Adds the bar's controls to frame (which owns them from then on).
    void open(CFrame* frame);
    // Ends an open dialog and forgets the controls.
    void close();
    // Collects the answer of an open dialog (never waits).
    void idle();
    // The bank changed: the menu and the name field show it again.
    void showBank();
    bool isDialogOpen() const { return dialogs.isOpen(); }

    // The bar's action for a control of tags 92..111.
    void valueChanged(CControl* control) override;

    // Start-up defaults from the preferences into bank (see StoredPresets).
    bool applyStoredDefaults(Bank& bank) const;

    // The remembered paths.
    const RememberedPaths& paths() const { return remembered; }
    // The bar's control of tag, null while the window is closed.
    CControl* control(int tag) const;

    // File commands through the file selector; reversed inverts the
    // byte-order decision of the file chosen. Each starts its dialog and
    // returns; the file is read or written when idle() has the answer.
    void loadBank(bool reversed);
    void saveBank();
    void loadPreset(bool reversed);
    void savePreset();
    // Preferences: the default bank and preset, the memory slots.
    void storeBuffer(const char* key, bool bank);
    void applyBuffer(const char* key, bool bank);
    bool openManual();

    // Recognises a whole buffer (a file's contents or a preferences value)
    // and applies it through the controller; reversed inverts the
    // byte-order decision. False (nothing changed) when refused.
    bool loadPresetBuffer(const char* data, size_t size, bool reversed = false);
    // selectFirst: preset 0 becomes current whatever the buffer selects.
    bool loadBankBuffer(const char* data, size_t size, bool reversed = false,
                        bool selectFirst = false);
    // The current preset and the whole bank in the file layouts.
    std::vector<char> presetBuffer() const;
    std::vector<char> bankBuffer() const;

  private:
    static constexpr size_t kNumBarItems = std::size(presetbar::kItems);

    void barAction(CControl* control, float v);
    Bank bank() const;
    PresetCodec codec() const { return PresetCodec(controller.blankPreset()); }
    // Saves to path with the file type's extension added when the typed name
    // lacks it, asking first before that replaces an existing file.
    void saveChosen(const std::string& path, bool bank, const char* extension);
    // The folder a file dialog starts in: the remembered one, else the
    // user's Documents folder, else home.
    std::string dialogFolder() const;
    // Remembers path's folder and name (the file name into fileName).
    void rememberPath(const std::string& path, std::string& fileName);
    bool loadFile(const std::string& path, bool bank, bool reversed);
    void saveFile(const std::string& path, bool bank);
    void setNameField(const char* name);

    EditController& controller;
    StoredPresets stored;
    RememberedPaths remembered;
    DialogRunner dialogs;
    ManualOpener manual;

    CFrame* frame = nullptr;
    CTextEdit* nameEdit = nullptr;
    COptionMenu* presetMenu = nullptr;
    CPresetKickButton* manualButton = nullptr;
    // Every control of the bar, in the layout table's order.
    CControl* controls[kNumBarItems] = {};
};

} // namespace dravo
