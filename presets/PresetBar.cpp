#include "presets/PresetBar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

#include "platform/Desktop.h"
#include "presets/PresetBarControls.h"

namespace dravo {

namespace {

// A file larger than this is no preset or bank file; it is not read.
constexpr long kMaxFileSize = 16L << 20;
// The name field keeps at most this many bytes.
constexpr size_t kNameFieldLength = 24;

// The name field's colours.
constexpr CColor kNameBackColour(209, 227, 238, 255);
constexpr CColor kNameTextColour(36, 36, 32, 255);
// The preset menu: only the hot spot shows (no text), 12 entries per column.
constexpr int32_t kMenuStyle = 0x1E00;
constexpr int32_t kMenuEntriesPerColumn = 12;

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string cutName(const char* text, size_t max) {
    std::string s = text ? text : "";
    if (s.size() <= max) return s;
    size_t end = max;
    while (end > 0 && ((unsigned char)s[end] & 0xC0) == 0x80)
        --end;
    return s.substr(0, end);
}

std::string nameOf(const PresetRecord& record) {
    return std::string(record.name, strnlen(record.name, kPresetNameSize));
}

bool isFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

PresetBar::PresetBar(EditController& controller, const char* preferencesIdentifier,
                     const ManualDocument& manual)
    : controller(controller), stored(preferencesIdentifier ? preferencesIdentifier : ""),
      remembered(stored.recallPaths()), manual(manual, dialogs) {}

PresetBar::~PresetBar() {
    dialogs.cancel();
}

bool PresetBar::applyStoredDefaults(Bank& bank) const {
    return stored.applyDefaults(codec(), bank);
}

Bank PresetBar::bank() const {
    Bank b;
    for (int p = 0; p < kNumPresets; ++p)
        b.records[p] = controller.preset(p);
    b.current = controller.currentPreset();
    return b;
}

// ---- The window -----------------------------------------------------------

void PresetBar::open(CFrame* f) {
    frame = f;
    dialogs.setFrame(f);
    using presetbar::Kind;
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
            nameEdit = new CTextEdit(r, this, item.tag, "", bitmap);
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
            // An item of its own each: a preset named "-" is no separator.
            for (int p = 0; p < kNumPresets; ++p)
                presetMenu->addEntry(new CMenuItem(""));
            control = presetMenu;
            break;
        }
        case Kind::Rocker:
            control = new CPresetRockerSwitch(r, this, item.tag, frameHeight, bitmap, CPoint(0, 0),
                                              kHorizontal);
            break;
        case Kind::SaveLoad:
            control = new CSaveLoadButton(r, this, item.tag, frameHeight, bitmap, CPoint(0, 0));
            break;
        case Kind::Kick:
        case Kind::KickDoubleClick: {
            auto* button = new CPresetKickButton(r, this, item.tag, frameHeight, bitmap,
                                                 CPoint(0, 0), item.kind == Kind::KickDoubleClick);
            if (item.tag == presetbar::kTagManual) manualButton = button;
            control = button;
            break;
        }
        }
        bitmap->forget();
        controls[i] = control;
        frame->addView(control);
    }
    showBank();
}

void PresetBar::close() {
    // A dialog open on the closing window ends; nothing it was for happens.
    dialogs.cancel();
    dialogs.setFrame(nullptr);
    frame = nullptr;
    nameEdit = nullptr;
    presetMenu = nullptr;
    manualButton = nullptr;
    std::fill(std::begin(controls), std::end(controls), nullptr);
}

void PresetBar::idle() {
    dialogs.poll();
    // A failed opener is told once no other dialog is open.
    manual.poll();
}

void PresetBar::showBank() {
    const int current = controller.currentPreset();
    if (presetMenu) {
        for (int p = 0; p < kNumPresets; ++p)
            if (CMenuItem* item = presetMenu->getEntry(p))
                item->setTitle(nameOf(controller.preset(p)).c_str());
        presetMenu->setCurrent(current);
        presetMenu->setDirty();
    }
    setNameField(cutName(nameOf(controller.preset(current)).c_str(), kNameFieldLength).c_str());
}

CControl* PresetBar::control(int tag) const {
    for (size_t i = 0; i < kNumBarItems; ++i)
        if (presetbar::kItems[i].tag == tag) return controls[i];
    return nullptr;
}

void PresetBar::setNameField(const char* name) {
    // The field keeps the 24 bytes typed while the preset keeps 23: a name
    // the field already shows is left as typed.
    if (!nameEdit) return;
    const std::string shown = nameEdit->getText();
    if (shown.compare(0, kPresetNameSize - 1, name) != 0) nameEdit->setText(name);
}

void PresetBar::valueChanged(CControl* control) {
    if (!control) return;
    const int tag = (int)control->getTag();
    if (tag < presetbar::kTagName || tag > presetbar::kTagManual) return;
    barAction(control, control->getValue());
}

void PresetBar::barAction(CControl* control, float v) {
    const int tag = (int)control->getTag();
    using namespace presetbar;
    switch (tag) {
    case kTagName: {
        auto* field = dynamic_cast<CTextEdit*>(control);
        if (!field) return;
        const std::string name = cutName(field->getText(), kNameFieldLength);
        field->setText(name.c_str());
        controller.renamePreset(name.c_str());
        break;
    }
    case kTagRocker: {
        if (v == 0) return;
        const int c = controller.currentPreset();
        controller.selectPreset(v > 0 ? std::min(c + 1, kNumPresets - 1) : std::max(c - 1, 0));
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
        controller.selectPreset(i);
        break;
    }
    case kTagDefaultBank:
        v >= 0.75f ? storeBuffer(prefkey::kDefaultBank, true)
                   : stored.remove(prefkey::kDefaultBank);
        break;
    case kTagDefaultPreset:
        v >= 0.75f ? storeBuffer(prefkey::kDefaultPreset, false)
                   : stored.remove(prefkey::kDefaultPreset);
        break;
    case kTagStoreA:
        storeBuffer(prefkey::kMemoA, false);
        break;
    case kTagStoreB:
        storeBuffer(prefkey::kMemoB, false);
        break;
    case kTagRecallA:
        applyBuffer(prefkey::kMemoA, false);
        break;
    case kTagRecallB:
        applyBuffer(prefkey::kMemoB, false);
        break;
    case kTagManual:
        openManual();
        break;
    default:
        break;
    }
    showBank();
}

// ---- Buffers --------------------------------------------------------------

bool PresetBar::loadPresetBuffer(const char* data, size_t size, bool reversed) {
    PresetRecord record;
    if (!codec().loadPresetBuffer(data, size, reversed, record)) return false;
    controller.replacePreset(record);
    return true;
}

bool PresetBar::loadBankBuffer(const char* data, size_t size, bool reversed, bool selectFirst) {
    Bank b = bank();
    if (!codec().loadBankBuffer(data, size, reversed, b)) return false;
    if (selectFirst) b.current = 0;
    controller.replaceBank(b);
    return true;
}

std::vector<char> PresetBar::presetBuffer() const {
    return codec().presetToBuffer(controller.preset(controller.currentPreset()));
}

std::vector<char> PresetBar::bankBuffer() const {
    return codec().bankToBuffer(bank());
}

void PresetBar::storeBuffer(const char* key, bool bank) {
    stored.store(key, bank ? bankBuffer() : presetBuffer());
}

void PresetBar::applyBuffer(const char* key, bool bank) {
    std::vector<char> value;
    if (!stored.load(key, value)) return;
    if (bank)
        loadBankBuffer(value.data(), value.size());
    else
        loadPresetBuffer(value.data(), value.size());
}

// ---- Files ----------------------------------------------------------------

std::string PresetBar::dialogFolder() const {
    std::string folder = remembered.folder;
    if (folder.empty()) {
        folder = platform::documentsFolder();
        if (!isFolder(folder)) folder = platform::homeFolder();
    }
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

void PresetBar::saveChosen(const std::string& chosen, bool bank, const char* extension) {
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
        rememberPath(path, bank ? remembered.bankFile : remembered.presetFile);
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
    if (!dialogs.startMessage(
            platform::questionCommand("A file named \"" + shown +
                                          "\" already exists. Do you want to replace it?",
                                      "Replace"),
            [save](bool yes) {
                if (yes) save();
            }))
        std::fprintf(stderr, "not saved: %s exists and no dialog can ask to replace it\n",
                     path.c_str());
}

void PresetBar::rememberPath(const std::string& path, std::string& fileName) {
    // A part longer than its field is not remembered (the fields keep their
    // previous contents); the file itself is still used.
    char name[platform::kPathFieldSize] = {}, dir[platform::kPathFieldSize] = {};
    if (!platform::splitPath(path.c_str(), name, dir)) return;
    fileName = name;
    remembered.folder = dir;
    stored.storePaths(remembered);
}

bool PresetBar::loadFile(const std::string& path, bool bank, bool reversed) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    void* file = nullptr;
    // Read-only, so files in read-only folders load.
    const long size = platform::openFile(name.c_str(), dir.c_str(), &file, false);
    bool loaded = false;
    if (file && size > 4 && size <= kMaxFileSize) {
        // The whole file is read, and only what was read is handed to the
        // reader: a header's body size cannot reach past the file's end.
        std::vector<char> data((size_t)size);
        const long got = platform::readFile(file, data.data(), size);
        // A bank from a file always ends on preset 0, whatever its header names.
        loaded = got > 4 && (bank ? loadBankBuffer(data.data(), (size_t)got, reversed, true)
                                  : loadPresetBuffer(data.data(), (size_t)got, reversed));
    }
    platform::closeFile(file);
    return loaded;
}

void PresetBar::saveFile(const std::string& path, bool bank) {
    const std::vector<char> buffer = bank ? bankBuffer() : presetBuffer();
    // Written beside the target and renamed over it only when complete.
    if (!buffer.empty()) platform::writeFileAtomically(path, buffer.data(), buffer.size());
}

void PresetBar::loadBank(bool reversed) {
    dialogs.chooseFile(false, reversed ? "Load bank (endian-reversed)" : "Load bank", "Vey Bank",
                       "kab", nullptr, dialogFolder(), [this, reversed](const std::string& path) {
                           if (path.empty()) return;
                           rememberPath(path, remembered.bankFile);
                           loadFile(path, true, reversed);
                           showBank();
                           if (frame) frame->invalid();
                       });
}

void PresetBar::saveBank() {
    dialogs.chooseFile(true, "Save bank", "Vey Bank", "kab", remembered.bankFile.c_str(),
                       dialogFolder(), [this](const std::string& path) {
                           if (!path.empty()) saveChosen(path, true, "kab");
                       });
}

void PresetBar::loadPreset(bool reversed) {
    dialogs.chooseFile(false, reversed ? "Load preset (endian-reversed)" : "Load preset",
                       "Vey Preset", "vey", nullptr, dialogFolder(),
                       [this, reversed](const std::string& path) {
                           if (path.empty()) return;
                           rememberPath(path, remembered.presetFile);
                           loadFile(path, false, reversed);
                           showBank();
                           if (frame) frame->invalid();
                       });
}

void PresetBar::savePreset() {
    dialogs.chooseFile(true, "Save preset", "Vey Preset", "vey", remembered.presetFile.c_str(),
                       dialogFolder(), [this](const std::string& path) {
                           if (!path.empty()) saveChosen(path, false, "vey");
                       });
}

bool PresetBar::openManual() {
    const bool started = manual.open();
    if (manualButton) {
        manualButton->setIsPressed(false);
        manualButton->setDirty();
    }
    return started;
}

} // namespace dravo
