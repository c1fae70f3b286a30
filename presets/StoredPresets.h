// What the preset bar keeps in the user's preferences: the default bank, the
// default preset and memory slots A and B (each a buffer in the preset and
// bank file layouts), and the remembered folder and file names.
#pragma once

#include <string>
#include <vector>

#include "model/PresetCodec.h"
#include "model/ProgramStore.h"

namespace dravo {

namespace prefkey {
inline constexpr const char* kCurrDir = "CurrDir";
inline constexpr const char* kCurrBank = "CurrBank";
inline constexpr const char* kCurrPreset = "CurrPreset";
inline constexpr const char* kDefaultBank = "DefaultBank";
inline constexpr const char* kDefaultPreset = "DefaultPreset";
inline constexpr const char* kMemoA = "MemoAPreset";
inline constexpr const char* kMemoB = "MemoBPreset";
} // namespace prefkey

// The remembered folder (ending in "/") and file names; each at most 256 bytes.
struct RememberedPaths {
    std::string folder;
    std::string bankFile;
    std::string presetFile;
};

class StoredPresets {
  public:
    // identifier: the reverse-domain name the preferences are kept under;
    // an empty one keeps nothing.
    explicit StoredPresets(std::string identifier) : identifier(std::move(identifier)) {}

    // Stores buffer under key and makes it durable.
    bool store(const char* key, const std::vector<char>& buffer) const;
    // The buffer under key; false when missing or too short to be one.
    bool load(const char* key, std::vector<char>& buffer) const;
    void remove(const char* key) const;

    // A value longer than its field, or with a NUL inside, is not recalled.
    RememberedPaths recallPaths() const;
    void storePaths(const RememberedPaths& paths) const;

    // Start-up: the stored default bank replaces bank, preset 0 becomes
    // current, and the stored default preset replaces it. True when
    // anything was stored.
    bool applyDefaults(const PresetCodec& codec, Bank& bank) const;
    // As every new instance starts, in any format: record 0 becomes the
    // default record, the stored defaults replace the bank, and preset 0 is
    // applied.
    void startBank(ProgramStore& store) const;

  private:
    std::string identifier;
};

} // namespace dravo
