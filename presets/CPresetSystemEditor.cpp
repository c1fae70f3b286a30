#include "presets/CPresetSystemEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "presets/CPresetSystemEffect.h"
#include "presets/PresetBarControls.h"
#include "presets/XPlat.h"

namespace {

// A file larger than this is no preset or bank file; it is not read.
constexpr long kMaxFileSize = 16L << 20;
constexpr size_t kMaxPathLength = kXPlatPathFieldSize - 1;
// The name field keeps at most this many bytes.
constexpr size_t kNameFieldLength = 24;

// The name field's colours.
constexpr CColor kNameBackColour(209, 227, 238, 255);
constexpr CColor kNameTextColour(36, 36, 32, 255);
// The preset menu: only the hot spot shows (no text), 12 entries per column.
constexpr int32_t kMenuStyle = 0x1E00;
constexpr int32_t kMenuEntriesPerColumn = 12;

char* newPathField() {
    char* field = new char[kXPlatPathFieldSize];
    field[0] = 0;
    return field;
}

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string cutName(const char* text, size_t max) {
    std::string s = text ? text : "";
    if (s.size() <= max) return s;
    size_t end = max;
    while (end > 0 && ((unsigned char)s[end] & 0xC0) == 0x80)
        --end;
    return s.substr(0, end);
}

// Lies over the whole window while a dialog is open and takes the input that
// would reach the controls; it draws nothing, so the window looks as before.
class DialogShield : public CView {
  public:
    explicit DialogShield(const CRect& size) : CView(size) { setTransparency(true); }
    void draw(CDrawContext*) override { setDirty(false); }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    bool onWheel(const CPoint&, const CMouseWheelAxis&, const float&,
                 const CButtonState&) override {
        return true;
    }
    bool onWheel(const CPoint&, const float&, const CButtonState&) override { return true; }
};

bool isFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The alert for a manual at path that could not be opened.
std::string manualAlert(const std::string& path) {
    const std::string home = XPlatHomeFolder() + "/";
    const std::string below =
        path.compare(0, home.size(), home) == 0 ? path.substr(home.size()) : path;
    return "Could not open manual file:\n~/\"" + below + "\"";
}

} // namespace

CPresetSystemEditor::CPresetSystemEditor(AudioEffect* effect)
    : AEffGUIEditor(effect), currentDir(newPathField()), currentBankFile(newPathField()),
      currentPresetFile(newPathField()) {}

CPresetSystemEditor::~CPresetSystemEditor() {
    cancelDialogs();
    documentOpener.reset(); // ends an opener still running and reaps it
    storePathsAndFilenames();
    delete[] currentDir;
    delete[] currentBankFile;
    delete[] currentPresetFile;
}

CPresetSystemEffect* CPresetSystemEditor::presetEffect() {
    return dynamic_cast<CPresetSystemEffect*>(effect);
}

PresetBuffers CPresetSystemEditor::buffers() {
    return PresetBuffers(*presetEffect(), this);
}

XPlatPreferences CPresetSystemEditor::preferences() {
    // Asked once while the derived editor is alive: the destructor cannot ask.
    if (!preferencesIdKnown) {
        const char* id = preferencesIdentifier();
        preferencesId = id ? id : "";
        preferencesIdKnown = true;
    }
    return XPlatPreferences(preferencesId);
}

// ---- The window -----------------------------------------------------------

bool CPresetSystemEditor::open(void* /*ptr*/) {
    CPresetSystemEffect* e = presetEffect();
    if (!frame || !e) return false;
    preferences();
    using presetbar::Kind;
    const PresetRecord* presets = e->getPresets();
    char name[kPresetNameSize + 1];
    for (size_t i = 0; i < kNumBarItems; ++i) {
        const presetbar::Item& item = presetbar::kItems[i];
        CRect r(item.left, item.top, item.right, item.bottom);
        CBitmap* bitmap = new CBitmap(item.bitmapId);
        const CCoord frameHeight = (CCoord)((int)bitmap->getHeight() / item.frames);
        CControl* control = nullptr;
        switch (item.kind) {
        case Kind::NameField: {
            const CCoord s = kNormalFontSmall->getSize();
            r.top = presetbar::kNameCentreRow - s / 2 - 2;
            r.bottom = presetbar::kNameCentreRow + s / 2 + 2;
            std::memcpy(name, presets[e->getPresetNo()].name, kPresetNameSize);
            name[kPresetNameSize] = 0;
            nameEdit = new CTextEdit(r, this, item.tag, name, bitmap);
            nameEdit->setBackOffset(CPoint(r.left, r.top));
            nameEdit->setBackColor(kNameBackColour);
            nameEdit->setFont(kNormalFontSmall);
            nameEdit->setFontColor(kNameTextColour);
            nameEdit->setFrameColor(kNameTextColour);
            nameEdit->setHoriAlign(kCenterText);
            control = nameEdit;
            break;
        }
        case Kind::Menu: {
            presetMenu = new COptionMenu(r, this, item.tag, bitmap, nullptr, kMenuStyle);
            presetMenu->setBackOffset(CPoint(r.left, r.top));
            presetMenu->setNbItemsPerColumn(kMenuEntriesPerColumn);
            for (int p = 0; p < kNumPresets; ++p) {
                std::memcpy(name, presets[p].name, kPresetNameSize);
                name[kPresetNameSize] = 0;
                // An item of its own: a preset named "-" is no separator.
                presetMenu->addEntry(new CMenuItem(name));
            }
            presetMenu->setCurrent((int32_t)e->getPresetNo());
            control = presetMenu;
            break;
        }
        case Kind::Rocker:
            control = presetRocker = new CKaRockerSwitch(r, this, item.tag, frameHeight, bitmap,
                                                         CPoint(0, 0), kHorizontal);
            break;
        case Kind::SaveLoad:
            control = new CSaveLoadButton(r, this, item.tag, frameHeight, bitmap, CPoint(0, 0));
            break;
        case Kind::Kick:
        case Kind::KickDoubleClick: {
            auto* button = new CKaKickButton(r, this, item.tag, frameHeight, bitmap, CPoint(0, 0),
                                             item.kind == Kind::KickDoubleClick);
            if (item.tag == presetbar::kTagManual) manualButton = button;
            control = button;
            break;
        }
        }
        bitmap->forget();
        barRects[i] = r;
        barControls[i] = control;
        frame->addView(control);
    }
    return true;
}

void CPresetSystemEditor::close() {
    // A dialog open on the closing window ends; nothing it was for happens.
    cancelDialogs();
    nameEdit = nullptr;
    presetMenu = nullptr;
    presetRocker = nullptr;
    manualButton = nullptr;
    std::fill(std::begin(barControls), std::end(barControls), nullptr);
}

void CPresetSystemEditor::idle() {
    if (frame) pollDialogs();
    AEffGUIEditor::idle();
}

// ---- Dialogs --------------------------------------------------------------

void CPresetSystemEditor::beginDialog() {
    if (!frame || dialogShield) return;
    CRect size;
    frame->getSize(size);
    dialogShield = new DialogShield(CRect(0, 0, size.getWidth(), size.getHeight()));
    if (!frame->setModalView(dialogShield)) {
        dialogShield->forget();
        dialogShield = nullptr;
    }
}

void CPresetSystemEditor::endDialog() {
    if (!dialogShield) return;
    if (frame && frame->getModalView() == dialogShield) frame->setModalView(nullptr);
    dialogShield->forget();
    dialogShield = nullptr;
}

void CPresetSystemEditor::cancelDialogs() {
    if (fileDialog) {
        fileDialog->cancel(); // ends the helper and reaps it
        fileDialog->forget();
        fileDialog = nullptr;
    }
    messageDialog.reset();
    afterFileDialog = nullptr;
    afterMessage = nullptr;
    endDialog();
}

bool CPresetSystemEditor::startMessage(const std::vector<std::string>& argv,
                                       std::function<void(bool)> then) {
    if (isDialogOpen() || argv.empty()) return false;
    auto program = std::make_unique<VSTGUI::ChildProgram>();
    if (!program->start(argv, false)) return false;
    messageDialog = std::move(program);
    afterMessage = std::move(then);
    beginDialog();
    return true;
}

void CPresetSystemEditor::showAlert(const std::string& message) {
    if (!startMessage(XPlatAlertCommand(message), nullptr))
        std::fprintf(stderr, "%s\n", message.c_str());
}

void CPresetSystemEditor::pollDialogs() {
    if (fileDialog && fileDialog->poll()) {
        std::string path;
        if (fileDialog->getNumSelectedFiles() == 1) path = fileDialog->getSelectedFile(0);
        fileDialog->forget();
        fileDialog = nullptr;
        auto then = std::move(afterFileDialog);
        afterFileDialog = nullptr;
        endDialog();
        // May start the next dialog (the overwrite question).
        if (then) then(path);
    }
    if (messageDialog && messageDialog->poll()) {
        const bool yes = messageDialog->exitStatus() == 0;
        messageDialog.reset();
        auto then = std::move(afterMessage);
        afterMessage = nullptr;
        endDialog();
        if (then) then(yes);
    }
    // A failed opener is told once no other dialog is open.
    if (documentOpener && !isDialogOpen() && documentOpener->poll()) {
        const int status = documentOpener->exitStatus();
        documentOpener.reset();
        if (status != 0) showAlert(manualAlert(openedDocument));
    }
}

CControl* CPresetSystemEditor::barControl(int tag) const {
    for (size_t i = 0; i < kNumBarItems; ++i)
        if (presetbar::kItems[i].tag == tag) return barControls[i];
    return nullptr;
}

void CPresetSystemEditor::setMenuEntry(int index) {
    if (presetMenu) presetMenu->setCurrent(index);
}

void CPresetSystemEditor::setMenuEntryTitle(int index, const char* name) {
    if (!presetMenu) return;
    if (CMenuItem* item = presetMenu->getEntry(index)) item->setTitle(name);
    presetMenu->setDirty();
}

void CPresetSystemEditor::setNameField(const char* name) {
    if (nameEdit) nameEdit->setText(name);
}

// Menu entry, name field and the effect all on preset index.
void CPresetSystemEditor::showPreset(int index) {
    CPresetSystemEffect* e = presetEffect();
    char name[kPresetNameSize + 1];
    std::memcpy(name, e->getPresets()[index].name, kPresetNameSize);
    name[kPresetNameSize] = 0;
    setMenuEntry(index);
    setNameField(name);
    e->setPresetNo(index);
}

void CPresetSystemEditor::valueChanged(CControl* control) {
    CPresetSystemEffect* e = presetEffect();
    if (!e || !control) return;
    const int tag = (int)control->getTag();
    if (tag < presetbar::kTagName || tag > presetbar::kTagManual) return;
    // The host is told the values a preset change brought, as it would be
    // told a knob's.
    const auto before = e->currentValues();
    barAction(control, control->getValue());
    e->tellHostChangedValues(before);
}

void CPresetSystemEditor::barAction(CControl* control, float v) {
    CPresetSystemEffect* e = presetEffect();
    const int tag = (int)control->getTag();
    using namespace presetbar;
    switch (tag) {
    case kTagName: {
        auto* field = dynamic_cast<CTextEdit*>(control);
        if (!field) return;
        const std::string name = cutName(field->getText(), kNameFieldLength);
        field->setText(name.c_str());
        setMenuEntryTitle((int)e->getPresetNo(), name.c_str());
        e->setPresetName(name.c_str());
        break;
    }
    case kTagRocker: {
        if (v == 0) return;
        const long c = e->getPresetNo();
        const int n = (int)(v > 0 ? std::min(c + 1, (long)kNumPresets - 1) : std::max(c - 1, 0L));
        showPreset(n);
        char name[kPresetNameSize + 1];
        std::memcpy(name, e->getPresets()[n].name, kPresetNameSize);
        name[kPresetNameSize] = 0;
        e->setPresetName(name);
        break;
    }
    case kTagLoadBank:
        loadBank(v == 0.5f);
        break;
    case kTagSaveBank:
        saveBank();
        break;
    case kTagLoadPreset:
        loadPreset(v == 0.5f);
        break;
    case kTagSavePreset:
        savePreset();
        break;
    case kTagMenu: {
        auto* menu = dynamic_cast<COptionMenu*>(control);
        if (!menu) return;
        const int i = (int)(v + 0.5f);
        if (i < 0 || i >= kNumPresets) return;
        menu->setCurrent(i);
        const CMenuItem* item = menu->getEntry(i);
        const std::string title = item ? item->getTitle() : "";
        e->setPresetNo(i);
        e->setPresetName(title.c_str());
        setNameField(title.c_str());
        break;
    }
    case kTagDefaultBank:
        v >= 0.75f ? saveDefaultBank() : resetDefaultBank();
        break;
    case kTagDefaultPreset:
        v >= 0.75f ? saveDefaultPreset() : resetDefaultPreset();
        break;
    case kTagStoreA:
        storeA();
        break;
    case kTagStoreB:
        storeB();
        break;
    case kTagRecallA:
        recallA();
        break;
    case kTagRecallB:
        recallB();
        break;
    case kTagManual:
        openManual();
        break;
    default:
        break;
    }
}

void CPresetSystemEditor::nameChangedExternal(char* name) {
    if (!name) return;
    const std::string shown = cutName(name, kNameFieldLength);
    setNameField(shown.c_str());
    if (CPresetSystemEffect* e = presetEffect())
        setMenuEntryTitle((int)e->getPresetNo(), shown.c_str());
}

void CPresetSystemEditor::loadDefaults() {
    CPresetSystemEffect* e = presetEffect();
    if (!e) return;
    loadDefaultBank();
    e->setPresetNo(0);
    loadDefaultPreset();
    recallPathsAndFilenames();
}

// ---- Buffer formats -------------------------------------------------------

bool CPresetSystemEditor::BufferToBankOld(const char* data, bool swapOrder, int numPresets,
                                          int numValues) {
    return presetEffect() && buffers().bufferToBankOld(data, swapOrder, numPresets, numValues);
}

bool CPresetSystemEditor::BufferToBank(const char* body, const newpresetheader* header,
                                       bool swapOrder) {
    return presetEffect() && header && buffers().bufferToBank(body, *header, swapOrder);
}

VstInt32 CPresetSystemEditor::BankToBuffer(char** out) {
    *out = nullptr;
    return presetEffect() ? buffers().bankToBuffer(out) : 0;
}

bool CPresetSystemEditor::BufferToPresetOld(const char* data, bool swapOrder, int numValues) {
    return presetEffect() && buffers().bufferToPresetOld(data, swapOrder, numValues);
}

bool CPresetSystemEditor::BufferToPreset(const char* body, const newpresetheader* header,
                                         bool swapOrder) {
    return presetEffect() && header && buffers().bufferToPreset(body, *header, swapOrder);
}

VstInt32 CPresetSystemEditor::PresetToBuffer(char** out) {
    *out = nullptr;
    return presetEffect() ? buffers().presetToBuffer(out) : 0;
}

bool CPresetSystemEditor::loadPresetBuffer(const char* data, size_t size, bool reversed) {
    return presetEffect() && buffers().loadPresetBuffer(data, size, reversed);
}

bool CPresetSystemEditor::loadBankBuffer(const char* data, size_t size, bool reversed) {
    return presetEffect() && buffers().loadBankBuffer(data, size, reversed);
}

// ---- Files ----------------------------------------------------------------

std::string CPresetSystemEditor::dialogFolder() const {
    std::string folder = currentDir;
    if (folder.empty()) {
        folder = XPlatDocumentsFolder();
        if (!isFolder(folder)) folder = XPlatHomeFolder();
    }
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool CPresetSystemEditor::chooseFile(bool save, const char* title, const char* description,
                                     const char* extension, const char* proposedName,
                                     std::function<void(const std::string&)> then) {
    if (!frame || !presetEffect() || isDialogOpen()) return false;
    CNewFileSelector* selector = CNewFileSelector::create(
        frame, save ? CNewFileSelector::kSelectSaveFile : CNewFileSelector::kSelectFile);
    selector->setTitle(title);
    selector->setInitialDirectory(dialogFolder().c_str());
    const CFileExtension type(description, extension);
    if (save) {
        selector->setDefaultExtension(type);
        selector->setDefaultSaveName(proposedName);
    } else {
        selector->addFileExtension(type);
    }
    selector->setAllowMultiFileSelection(false);
    if (!selector->run()) {
        selector->forget();
        return false;
    }
    fileDialog = selector;
    afterFileDialog = std::move(then);
    beginDialog();
    return true;
}

void CPresetSystemEditor::saveChosen(const std::string& chosen, bool bank, const char* extension) {
    // A name typed without the extension gets it, so that the load dialog's
    // filter lists the file.
    const std::string suffix = std::string(".") + extension;
    const size_t slash = chosen.find_last_of('/');
    const std::string name = chosen.substr(slash == std::string::npos ? 0 : slash + 1);
    const bool hasSuffix =
        name.size() > suffix.size() &&
        strcasecmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) == 0;
    const std::string path = hasSuffix ? chosen : chosen + suffix;
    auto save = [this, path, bank] {
        rememberPath(path, bank ? currentBankFile : currentPresetFile);
        saveFile(path, bank);
    };
    struct stat st;
    // The dialog confirmed replacing the name it returned; a name it did not
    // see is confirmed here.
    if (path == chosen || lstat(path.c_str(), &st) != 0) {
        save();
        return;
    }
    const std::string shown = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!startMessage(XPlatQuestionCommand("A file named \"" + shown +
                                               "\" already exists. Do you want to replace it?",
                                           "Replace"),
                      [save](bool yes) {
                          if (yes) save();
                      }))
        std::fprintf(stderr, "not saved: %s exists and no dialog can ask to replace it\n",
                     path.c_str());
}

void CPresetSystemEditor::rememberPath(const std::string& path, char* nameField) {
    // A part longer than its field is not remembered (the fields keep their
    // previous contents); the file itself is still used.
    XPlatGetFileNameAndDir(path.c_str(), nameField, currentDir);
}

bool CPresetSystemEditor::loadFile(const std::string& path, bool bank, bool reversed) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    void* file = nullptr;
    // Read-only, so files in read-only folders load.
    const long size = XPlatFileOpen(name.c_str(), dir.c_str(), &file, false);
    bool loaded = false;
    if (file && size > 4 && size <= kMaxFileSize) {
        // The whole file is read, and only what was read is handed to the
        // reader: a header's body size cannot reach past the file's end.
        std::vector<char> data((size_t)size);
        const long got = XPlatFileRead(file, data.data(), size);
        loaded = got > 4 && (bank ? loadBankBuffer(data.data(), (size_t)got, reversed)
                                  : loadPresetBuffer(data.data(), (size_t)got, reversed));
    }
    XPlatFileClose(file);
    return loaded;
}

void CPresetSystemEditor::saveFile(const std::string& path, bool bank) {
    char* buffer = nullptr;
    const VstInt32 size = bank ? BankToBuffer(&buffer) : PresetToBuffer(&buffer);
    // Written beside the target and renamed over it only when complete.
    if (size > 0 && buffer) XPlatWriteFile(path, buffer, (size_t)size);
    delete[] buffer;
}

void CPresetSystemEditor::loadBank(bool reversed) {
    chooseFile(false, reversed ? "Load bank (endian-reversed)" : "Load bank", "Vey Bank", "kab",
               nullptr, [this, reversed](const std::string& path) {
                   if (path.empty()) return;
                   rememberPath(path, currentBankFile);
                   CPresetSystemEffect* e = presetEffect();
                   const auto before = e->currentValues();
                   if (!loadFile(path, true, reversed)) return;
                   // A bank from a file always ends on preset 0, whatever its header names.
                   showPreset(0);
                   e->tellHostChangedValues(before);
                   if (frame) frame->invalid();
               });
}

void CPresetSystemEditor::saveBank() {
    chooseFile(true, "Save bank", "Vey Bank", "kab", currentBankFile,
               [this](const std::string& path) {
                   if (!path.empty()) saveChosen(path, true, "kab");
               });
}

void CPresetSystemEditor::loadPreset(bool reversed) {
    chooseFile(false, reversed ? "Load preset (endian-reversed)" : "Load preset", "Vey Preset",
               "vey", nullptr, [this, reversed](const std::string& path) {
                   if (path.empty()) return;
                   rememberPath(path, currentPresetFile);
                   CPresetSystemEffect* e = presetEffect();
                   const auto before = e->currentValues();
                   loadFile(path, false, reversed);
                   e->tellHostChangedValues(before);
                   if (frame) frame->invalid();
               });
}

void CPresetSystemEditor::savePreset() {
    chooseFile(true, "Save preset", "Vey Preset", "vey", currentPresetFile,
               [this](const std::string& path) {
                   if (!path.empty()) saveChosen(path, false, "vey");
               });
}

// ---- Defaults, memory slots and remembered paths ---------------------------

void CPresetSystemEditor::storeBuffer(const char* key, bool bank) {
    if (!presetEffect()) return;
    XPlatPreferences prefs = preferences();
    char* buffer = nullptr;
    const VstInt32 size = bank ? BankToBuffer(&buffer) : PresetToBuffer(&buffer);
    if (size > 0 && buffer) {
        prefs.set(key, buffer, (size_t)size);
        prefs.synchronize();
    }
    delete[] buffer;
}

void CPresetSystemEditor::applyBuffer(const char* key, bool bank) {
    if (!presetEffect()) return;
    std::vector<char> value;
    if (!preferences().copy(key, value) || value.size() <= 4) return;
    if (bank)
        loadBankBuffer(value.data(), value.size());
    else
        loadPresetBuffer(value.data(), value.size());
}

void CPresetSystemEditor::removeKey(const char* key) {
    XPlatPreferences prefs = preferences();
    prefs.remove(key);
    prefs.synchronize();
}

void CPresetSystemEditor::saveDefaultBank() {
    storeBuffer(kKeyDefaultBank, true);
}
void CPresetSystemEditor::resetDefaultBank() {
    removeKey(kKeyDefaultBank);
}
void CPresetSystemEditor::loadDefaultBank() {
    applyBuffer(kKeyDefaultBank, true);
}
void CPresetSystemEditor::saveDefaultPreset() {
    storeBuffer(kKeyDefaultPreset, false);
}
void CPresetSystemEditor::resetDefaultPreset() {
    removeKey(kKeyDefaultPreset);
}
void CPresetSystemEditor::loadDefaultPreset() {
    applyBuffer(kKeyDefaultPreset, false);
}
void CPresetSystemEditor::storeA() {
    storeBuffer(kKeyMemoA, false);
}
void CPresetSystemEditor::storeB() {
    storeBuffer(kKeyMemoB, false);
}
void CPresetSystemEditor::recallA() {
    applyBuffer(kKeyMemoA, false);
}
void CPresetSystemEditor::recallB() {
    applyBuffer(kKeyMemoB, false);
}

void CPresetSystemEditor::storePathsAndFilenames() {
    XPlatPreferences prefs = preferences();
    if (!prefs.isUsable()) return;
    prefs.set(kKeyCurrDir, currentDir, std::strlen(currentDir));
    prefs.set(kKeyCurrBank, currentBankFile, std::strlen(currentBankFile));
    prefs.set(kKeyCurrPreset, currentPresetFile, std::strlen(currentPresetFile));
    prefs.synchronize();
}

void CPresetSystemEditor::recallPathsAndFilenames() {
    const XPlatPreferences prefs = preferences();
    const std::pair<const char*, char*> fields[] = {
        {kKeyCurrDir, currentDir},
        {kKeyCurrBank, currentBankFile},
        {kKeyCurrPreset, currentPresetFile},
    };
    for (const auto& [key, field] : fields) {
        std::vector<char> value;
        // A value longer than its field, or with a NUL inside, is refused.
        if (!prefs.copy(key, value) || value.size() > kMaxPathLength ||
            std::find(value.begin(), value.end(), '\0') != value.end())
            continue;
        if (!value.empty()) std::memcpy(field, value.data(), value.size());
        field[value.size()] = 0;
    }
}

// ---- The manual -----------------------------------------------------------

bool CPresetSystemEditor::openManual() {
    const ManualDocument doc = manualDocument();
    std::string path;
    bool started = false;
    if (doc.data && doc.size && doc.vendorFolder && doc.fileName) {
        path = XPlatDocumentsFolder() + "/" + doc.vendorFolder + "/" + doc.fileName;
        if (XPlatWriteFileIfDifferent(path, doc.data, doc.size)) {
            if (documentOpener && !documentOpener->poll()) {
                started = true; // the opener of an earlier click still runs
            } else if (!VSTGUI::findProgramOnPath("xdg-open").empty()) {
                auto opener = std::make_unique<VSTGUI::ChildProgram>();
                if (opener->start({"xdg-open", path}, false)) {
                    documentOpener = std::move(opener);
                    openedDocument = path;
                    started = true;
                }
            } else {
                std::fprintf(stderr, "cannot open %s: xdg-open is not installed\n", path.c_str());
            }
        }
    }
    if (!started) showAlert(manualAlert(path));
    if (manualButton) {
        manualButton->setIsPressed(false);
        manualButton->setDirty();
    }
    return started;
}
