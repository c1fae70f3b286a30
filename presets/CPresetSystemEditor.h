// Editor-side base of the preset system. It holds the buffer formats (the
// writers and readers of preset and bank buffers that the effect's chunk,
// the preset bar's files and the stored defaults all go through) and the
// preset bar along the bottom of the window: the name field, the preset menu,
// previous/next, preset and bank files, the default bank and default preset,
// memory slots A and B and the manual button. The defaults, the slots and the
// last-used paths live in the user's preferences, under an identifier that
// the derived editor hands in.
//
// Dialogs (file selector, overwrite question, alert) run as child processes:
// an action starts one and returns to the host at once, idle() collects the
// answer and then acts on it. While a dialog is open the window keeps being
// drawn, input to its controls is dropped and no second dialog opens; close()
// ends an open dialog and forgets what was to follow it.
#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "presets/PresetBarLayout.h"
#include "presets/PresetBuffers.h"
#include "presets/PresetEditorInterface.h"
#include "vstgui/plugin-bindings/aeffguieditor.h"

class CPresetSystemEffect;
class CKaKickButton;
class XPlatPreferences;

class CPresetSystemEditor : public AEffGUIEditor,
                            public CControlListener,
                            public PresetEditorInterface,
                            protected PresetBarView {
  public:
    // Preferences keys.
    static constexpr const char* kKeyCurrDir = "CurrDir";
    static constexpr const char* kKeyCurrBank = "CurrBank";
    static constexpr const char* kKeyCurrPreset = "CurrPreset";
    static constexpr const char* kKeyDefaultBank = "DefaultBank";
    static constexpr const char* kKeyDefaultPreset = "DefaultPreset";
    static constexpr const char* kKeyMemoA = "MemoAPreset";
    static constexpr const char* kKeyMemoB = "MemoBPreset";

    // The product manual the manual button writes out and opens: data and
    // size are the document's bytes, written to
    // <Documents>/<vendorFolder>/<fileName>. No data means no manual.
    struct ManualDocument {
        const unsigned char* data;
        size_t size;
        const char* vendorFolder;
        const char* fileName;
    };

    explicit CPresetSystemEditor(AudioEffect* effect);
    // Writes the remembered paths to the preferences.
    ~CPresetSystemEditor() override;

    CPresetSystemEditor(const CPresetSystemEditor&) = delete;
    CPresetSystemEditor& operator=(const CPresetSystemEditor&) = delete;

    // Adds the preset bar to the frame that the derived editor has created;
    // false without a frame or an effect.
    bool open(void* ptr) override;
    // Forgets the bar's controls (the frame owns them).
    void close() override;
    // Collects the answer of an open dialog (never waits), then the toolkit's idle.
    void idle() override;
    // True while a dialog of the bar is open.
    bool isDialogOpen() const { return fileDialog != nullptr || messageDialog != nullptr; }

    // Preset-bar actions for tags 92..111; other tags are left alone.
    void valueChanged(CControl* control) override;
    // Shows a name the host gave the current preset (up to 24 characters).
    void nameChangedExternal(char* name) override;
    // Start-up: applies the stored default bank, selects preset 0, applies
    // the stored default preset to it and recalls the remembered paths.
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

    // File commands through the file selector; reversed inverts the
    // byte-order decision of the file chosen. Each starts its dialog and
    // returns; the file is read or written when idle() has the answer.
    virtual void loadBank(bool reversed);
    virtual void saveBank();
    virtual void saveDefaultBank();
    virtual void resetDefaultBank();
    virtual void loadDefaultBank();
    virtual void loadPreset(bool reversed);
    virtual void savePreset();
    virtual void saveDefaultPreset();
    virtual void resetDefaultPreset();
    virtual void loadDefaultPreset();
    virtual void storeA();
    virtual void storeB();
    virtual void recallA();
    virtual void recallB();
    virtual void storePathsAndFilenames();
    virtual void recallPathsAndFilenames();

    // The reverse-domain name under which the preferences are kept. The
    // base has none (no preferences are read or written); the plug-in's
    // editor names its own. Asked once, at loadDefaults or open.
    virtual const char* preferencesIdentifier() { return nullptr; }
    // The manual; the base has none, so the button shows the alert.
    virtual ManualDocument manualDocument() { return {nullptr, 0, nullptr, nullptr}; }
    // Writes the manual when missing or different, then starts the opener;
    // shows the alert when that fails (at once, or when idle() sees the
    // opener fail). Returns true when the opener was started.
    bool openManual();

    // Recognises a whole buffer (a file's contents or a preferences value)
    // and loads it; reversed inverts the byte-order decision.
    bool loadPresetBuffer(const char* data, size_t size, bool reversed = false);
    bool loadBankBuffer(const char* data, size_t size, bool reversed = false);

    // The remembered paths (at most 256 bytes each).
    const char* getCurrentDir() const { return currentDir; }
    const char* getCurrentBankFile() const { return currentBankFile; }
    const char* getCurrentPresetFile() const { return currentPresetFile; }

    // The bar's control of tag, null while the window is closed.
    CControl* barControl(int tag) const;

  protected:
    CPresetSystemEffect* presetEffect();
    PresetBuffers buffers();

    // PresetBarView: the readers keep the name field and menu in step.
    void setMenuEntry(int index) override;
    void setMenuEntryTitle(int index, const char* name) override;
    void setNameField(const char* name) override;

    static constexpr size_t kNumBarItems = std::size(presetbar::kItems);

    char* currentDir;
    char* currentBankFile;
    char* currentPresetFile;
    CTextEdit* nameEdit = nullptr;
    COptionMenu* presetMenu = nullptr;
    CControl* presetRocker = nullptr;
    CKaKickButton* manualButton = nullptr;
    // Every control of the bar and its rectangle, in the layout table's order.
    CControl* barControls[kNumBarItems] = {};
    CRect barRects[kNumBarItems];

  private:
    // The bar's action for a control of tags 92..111.
    void barAction(CControl* control, float v);
    XPlatPreferences preferences();
    void storeBuffer(const char* key, bool bank);
    void applyBuffer(const char* key, bool bank);
    void removeKey(const char* key);
    // Starts the file selector; then gets the chosen path, or empty when
    // none was chosen. False (and then is not called) when no dialog started.
    bool chooseFile(bool save, const char* title, const char* description, const char* extension,
                    const char* proposedName, std::function<void(const std::string&)> then);
    // Starts a question (then gets true for yes) or an alert (then may be
    // empty); false when none could be started.
    bool startMessage(const std::vector<std::string>& argv, std::function<void(bool)> then);
    void showAlert(const std::string& message);
    // Saves to path with the file type's extension added when the typed name
    // lacks it, asking first before that replaces an existing file.
    void saveChosen(const std::string& path, bool bank, const char* extension);
    // The folder a file dialog starts in: the remembered one, else the
    // user's Documents folder, else home.
    std::string dialogFolder() const;
    void pollDialogs();
    void beginDialog();
    void endDialog();
    void cancelDialogs();
    // Splits path into the remembered directory and name.
    void rememberPath(const std::string& path, char* nameField);
    bool loadFile(const std::string& path, bool bank, bool reversed);
    void saveFile(const std::string& path, bool bank);
    void showPreset(int index);

    std::string preferencesId;
    bool preferencesIdKnown = false;

    // The open dialog (at most one) and what follows its answer.
    CNewFileSelector* fileDialog = nullptr;
    std::function<void(const std::string&)> afterFileDialog;
    std::unique_ptr<VSTGUI::ChildProgram> messageDialog;
    std::function<void(bool)> afterMessage;
    // Covers the window while a dialog is open: the frame's modal view, it
    // takes every press, wheel turn and key meant for the controls.
    CView* dialogShield = nullptr;
    // The document opener of the manual and the path it was given; it may
    // run as long as the document is shown, so it never blocks input.
    std::unique_ptr<VSTGUI::ChildProgram> documentOpener;
    std::string openedDocument;
};
