#include "presets/StoredPresets.h"

#include <algorithm>

#include "platform/Desktop.h"

namespace dravo {

namespace {
constexpr size_t kMaxPathLength = platform::kPathFieldSize - 1;
} // namespace

bool StoredPresets::store(const char* key, const std::vector<char>& buffer) const {
    platform::Preferences prefs(identifier);
    return !buffer.empty() && prefs.set(key, buffer.data(), buffer.size()) && prefs.synchronize();
}

bool StoredPresets::load(const char* key, std::vector<char>& buffer) const {
    return platform::Preferences(identifier).copy(key, buffer) && buffer.size() > 4;
}

void StoredPresets::remove(const char* key) const {
    platform::Preferences prefs(identifier);
    prefs.remove(key);
    prefs.synchronize();
}

RememberedPaths StoredPresets::recallPaths() const {
    const platform::Preferences prefs(identifier);
    RememberedPaths paths;
    const std::pair<const char*, std::string*> fields[] = {
        {prefkey::kCurrDir, &paths.folder},
        {prefkey::kCurrBank, &paths.bankFile},
        {prefkey::kCurrPreset, &paths.presetFile},
    };
    for (const auto& [key, field] : fields) {
        std::vector<char> value;
        if (!prefs.copy(key, value) || value.size() > kMaxPathLength ||
            std::find(value.begin(), value.end(), '\0') != value.end())
            continue;
        field->assign(value.begin(), value.end());
    }
    return paths;
}

void StoredPresets::storePaths(const RememberedPaths& paths) const {
    platform::Preferences prefs(identifier);
    if (!prefs.isUsable()) return;
    prefs.set(prefkey::kCurrDir, paths.folder.data(), paths.folder.size());
    prefs.set(prefkey::kCurrBank, paths.bankFile.data(), paths.bankFile.size());
    prefs.set(prefkey::kCurrPreset, paths.presetFile.data(), paths.presetFile.size());
    prefs.synchronize();
}

bool StoredPresets::applyDefaults(const PresetCodec& codec, Bank& bank) const {
    std::vector<char> buffer;
    bool any = false;
    if (load(prefkey::kDefaultBank, buffer))
        any = codec.loadBankBuffer(buffer.data(), buffer.size(), false, bank);
    bank.current = 0;
    if (load(prefkey::kDefaultPreset, buffer))
        any = codec.loadPresetBuffer(buffer.data(), buffer.size(), false, bank.records[0]) || any;
    return any;
}

void StoredPresets::startBank(ProgramStore& store) const {
    store.takeDefaultRecord();
    Bank bank = store.snapshot();
    if (applyDefaults(store.codec(), bank)) store.replaceBank(bank);
    store.selectPreset(0);
}

} // namespace dravo
