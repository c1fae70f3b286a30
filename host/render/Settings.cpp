#include "host/render/Settings.h"

#include "host/render/AudioIO.h"
#include "model/Parameters.h"
#include "model/PresetFormat.h"
#include "model/ValueParse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libgen.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravo;

namespace {

uint32_t swap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

uint32_t get32(const unsigned char* p, bool swap) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return swap ? swap32(v) : v;
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    unsigned char b[4];
    std::memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}

void set32(unsigned char* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

float getFloat(const unsigned char* p, bool swap) {
    uint32_t v = get32(p, swap);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

uint32_t floatBits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// Whether a buffer's unique ID is ours in this machine's order (swap false),
// reversed (swap true); throws the "wrong unique ID" error otherwise.
bool checkOurId(const unsigned char* idBytes, VstInt32 id, const std::string& what) {
    uint32_t v = get32(idBytes, false);
    if (v == static_cast<uint32_t>(id)) return false;
    if (v == swap32(static_cast<uint32_t>(id))) return true;
    throw CliError(kExitInput, what + ": wrong unique ID " + fourChars(static_cast<VstInt32>(v)) +
                                   " (the plug-in is " + fourChars(id) + ")");
}

struct PresetData {
    std::string name; // up to 24 bytes
    std::vector<std::pair<int, float>> values;
};

std::string lowerCase(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isIndex(const std::string& s) {
    return !s.empty() && s.size() < 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

// A bank buffer with the records of one preset for slot `slot`, selected on
// load; the other presets are left as they are.
std::vector<unsigned char> presetAsBankChunk(const PresetData& p, int slot, VstInt32 id) {
    std::vector<unsigned char> body;
    put32(body, kRecordKindName);
    put32(body, kNameRecordLength);
    put32(body, static_cast<uint32_t>(slot));
    char name[kPresetNameSize] = {};
    std::memcpy(name, p.name.data(), std::min<std::size_t>(p.name.size(), kPresetNameSize - 1));
    body.insert(body.end(), name, name + kPresetNameSize);
    body.insert(body.end(), kNameRecordLength - kPresetNameSize, 0);
    for (auto [index, value] : p.values) {
        put32(body, kRecordKindValue);
        put32(body, kValueRecordLength);
        put32(body, static_cast<uint32_t>(slot));
        put32(body, static_cast<uint32_t>(index));
        put32(body, 0);
        put32(body, 0);
        put32(body, floatBits(value));
        put32(body, 0);
    }
    std::vector<unsigned char> chunk;
    put32(chunk, kChunkTagBank);
    put32(chunk, static_cast<uint32_t>(id));
    put32(chunk, static_cast<uint32_t>(id));
    chunk.push_back(kBufferTypeBank);
    put32(chunk, kPresetFormatVersion);
    put32(chunk, kNumPresetParams);
    put32(chunk, static_cast<uint32_t>(1 + p.values.size()));
    put32(chunk, static_cast<uint32_t>(slot));
    put32(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), 16, 0);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

// Reads one of our preset files (current or old layout) and checks it.
PresetData readPresetFile(const std::string& path, VstInt32 id) {
    auto bytes = readWholeFile(path, "preset file");
    std::string what = "preset file " + path;
    if (bytes.size() <= 4) throw CliError(kExitInput, what + ": too short to be a preset");
    bool swap = checkOurId(bytes.data(), id, what);
    if (bytes.size() < 5) throw CliError(kExitInput, what + ": too short to be a preset");
    uint8_t type = bytes[4];
    PresetData p;
    auto addValue = [&](int index, float v) {
        if (!(v >= 0.0f && v <= 1.0f))
            throw CliError(kExitInput, what + ": parameter " + std::to_string(index) +
                                           " has value " + std::to_string(v) + ", outside 0..1");
        if (index >= 0 && index < kNumPresetParams) p.values.emplace_back(index, v);
    };
    if (type == kBufferTypePresetOld) {
        // Name and one float per parameter from index 0.
        constexpr std::size_t kValuesAt = kOldPrefixSize + kPresetNameSize;
        if (bytes.size() < kValuesAt) throw CliError(kExitInput, what + ": truncated");
        p.name.assign(
            reinterpret_cast<const char*>(&bytes[kOldPrefixSize]),
            strnlen(reinterpret_cast<const char*>(&bytes[kOldPrefixSize]), kPresetNameSize));
        std::size_t n = (bytes.size() - kValuesAt) / 4;
        for (std::size_t i = 0; i < n && i < kNumPresetParams; ++i) {
            // Placeholders are not read from old files.
            if (dravo::isPlaceholderParam(static_cast<int>(i))) continue;
            addValue(static_cast<int>(i), getFloat(&bytes[kValuesAt + 4 * i], swap));
        }
        return p;
    }
    if (type != kBufferTypePreset)
        throw CliError(kExitInput,
                       what + ": not a preset file (type code " + std::to_string(type) + ")");
    if (bytes.size() < kPresetHeaderSize) throw CliError(kExitInput, what + ": truncated header");
    int32_t records = static_cast<int32_t>(get32(&bytes[kHeaderNumRecordsAt], swap));
    std::size_t pos = kPresetHeaderSize;
    bool named = false;
    for (int32_t r = 0; r < records; ++r) {
        if (pos + kRecordHeadSize > bytes.size())
            throw CliError(kExitInput, what + ": truncated record");
        uint32_t kind = get32(&bytes[pos], swap);
        uint32_t length = get32(&bytes[pos + 4], swap);
        if (length > bytes.size() - pos - kRecordHeadSize)
            throw CliError(kExitInput, what + ": truncated record");
        const unsigned char* payload = &bytes[pos + kRecordHeadSize];
        if (kind == kRecordKindName && length >= kNamePayloadSize) {
            p.name.assign(reinterpret_cast<const char*>(payload),
                          strnlen(reinterpret_cast<const char*>(payload), kPresetNameSize));
            named = true;
        } else if (kind == kRecordKindValue && length >= kValuePayloadSize) {
            int index = static_cast<int>(get32(payload + kValueIndexAt, swap));
            addValue(index, getFloat(payload + kValueAt, swap));
        }
        pos += kRecordHeadSize + length;
    }
    if (!named) p.name = "Default";
    return p;
}

// Turns one of our bank files into a chunk the plug-in's setChunk reads.
std::vector<unsigned char> bankFileAsChunk(const std::string& path, VstInt32 id) {
    auto bytes = readWholeFile(path, "bank file");
    std::string what = "bank file " + path;
    if (bytes.size() <= 4) throw CliError(kExitInput, what + ": too short to be a bank");
    bool swap = checkOurId(bytes.data(), id, what);
    if (bytes.size() < 5) throw CliError(kExitInput, what + ": too short to be a bank");
    uint8_t type = bytes[4];
    std::vector<unsigned char> chunk;
    // The prefix is written in the file's byte order, so the plug-in sees
    // one consistent order and swaps everything or nothing.
    auto prefix = [&](uint32_t tag) {
        put32(chunk, swap ? swap32(tag) : tag);
        put32(chunk, swap ? swap32(static_cast<uint32_t>(id)) : static_cast<uint32_t>(id));
    };
    if (type == kBufferTypeBank) {
        if (bytes.size() < kPresetHeaderSize)
            throw CliError(kExitInput, what + ": truncated header");
        uint32_t bodySize = get32(&bytes[kHeaderBodySizeAt], swap);
        if (bodySize > bytes.size() - kPresetHeaderSize)
            throw CliError(kExitInput, what + ": truncated body");
        prefix(kChunkTagBank);
        chunk.insert(chunk.end(), bytes.begin(), bytes.begin() + kPresetHeaderSize + bodySize);
        return chunk;
    }
    if (type == kBufferTypeBankOld) {
        // 22 blocks of a name and N floats become an old-format chunk:
        // tag, ID, preset count, preset to select, four reserved words, blocks.
        const std::size_t block = (bytes.size() - kOldPrefixSize) / kNumPresets;
        std::size_t n = (block - kPresetNameSize) / 4;
        if (block < kPresetNameSize) throw CliError(kExitInput, what + ": truncated");
        std::size_t blocks = kNumPresets * (kPresetNameSize + 4 * n);
        prefix(kChunkTagOld);
        put32(chunk, swap ? swap32(kNumPresets) : kNumPresets);
        chunk.insert(chunk.end(), kOldChunkHeaderSize - kOldChunkSelectAt, 0);
        chunk.insert(chunk.end(), bytes.begin() + kOldPrefixSize,
                     bytes.begin() + kOldPrefixSize + blocks);
        return chunk;
    }
    throw CliError(kExitInput, what + ": not a bank file (type code " + std::to_string(type) + ")");
}

// Our current bank chunk, checked to be what the preset selection edits.
std::vector<unsigned char> dravoBankChunk(VstPlugin& p) {
    auto chunk = p.getChunk();
    if (chunk.size() < kChunkPrefixSize + kPresetHeaderSize ||
        get32(chunk.data(), false) != kChunkTagBank ||
        chunk[kChunkPrefixSize + kHeaderTypeCodeAt] != kBufferTypeBank)
        throw CliError(kExitPlugin, "the plug-in's chunk is not the bank it should be");
    return chunk;
}

int selectedPreset(VstPlugin& p) {
    auto chunk = dravoBankChunk(p);
    int32_t s = static_cast<int32_t>(get32(&chunk[kChunkPrefixSize + kHeaderSelectedAt], false));
    return s >= 0 && s < kNumPresets ? s : 0;
}

void setChunkOrFail(VstPlugin& p, const std::vector<unsigned char>& chunk,
                    const std::string& what) {
    if (p.setChunk(chunk) == -1) throw CliError(kExitPlugin, "the plug-in refused " + what);
}

struct Preset {
    int index;
    std::string name;
};

int resolveQualified(const std::vector<std::string>& names, const std::string& key, bool ours);
std::vector<int> namedExactly(const std::vector<std::string>& names, const std::string& key);

// Our plug-in's SECTION.FIELD name of parameter i, from the model's table:
// SECTION is the host name of the section's switch, FIELD the parameter's
// host name behind the beginning it shares with SECTION ("MID1.freq" for the
// first "Mfreq", "LOW.gain" for "Lgain"). False for a parameter of no section
// and for the section switches themselves.
bool dravoSectionName(int i, std::string& section, std::string& field) {
    if (i < 0 || i >= dravo::kNumParams) return false;
    const dravo::ParamInfo& p = dravo::info(dravo::paramAt(i));
    if (p.target != dravo::Target::Section || p.field == dravo::Field::Position) return false;
    for (const dravo::ParamInfo& head : dravo::kParams) {
        if (head.target != dravo::Target::Section || head.section != p.section ||
            head.field != dravo::Field::Position)
            continue;
        section = head.name;
        const std::string name = p.name;
        std::size_t len = 0;
        while (len < section.size() && len < name.size() &&
               std::tolower(static_cast<unsigned char>(section[len])) ==
                   std::tolower(static_cast<unsigned char>(name[len])))
            ++len;
        field = name.substr(len);
        return !field.empty();
    }
    return false;
}

// The name a user gives for parameter i: its own where no other has it, else
// SECTION.FIELD: for our plug-in from its section (see dravoSectionName), for
// any other after the nearest uniquely named parameter before it whose name
// begins like it.
std::string qualifiedName(const std::vector<std::string>& names, int i, bool ours) {
    const std::string& name = names[static_cast<std::size_t>(i)];
    if (namedExactly(names, name).size() <= 1) return name;
    std::string section, field;
    if (ours)
        return dravoSectionName(i, section, field) ? section + "." + field : std::to_string(i);
    for (int j = i - 1; j >= 0; --j) {
        const std::string& head = names[static_cast<std::size_t>(j)];
        if (head.empty() || namedExactly(names, head).size() != 1) continue;
        std::size_t len = 0;
        while (len < head.size() && len < name.size() &&
               std::tolower(static_cast<unsigned char>(head[len])) ==
                   std::tolower(static_cast<unsigned char>(name[len])))
            ++len;
        if (len == 0 || len == name.size()) continue;
        std::string q = head + "." + name.substr(len);
        if (resolveQualified(names, q, false) == i) return q;
    }
    return std::to_string(i);
}

std::vector<Preset> presetList(PluginSession& s) {
    VstPlugin& p = *s.plugin;
    std::vector<Preset> list;
    int count = s.isDravo ? kNumPresets : std::max(p.effect()->numPrograms, 0);
    for (int i = 0; i < count && i < 4096; ++i) {
        PluginText t = p.programNameIndexed(i);
        if (!s.isDravo && t.result == 0 && t.text.empty()) {
            // Plug-ins without indexed names: select and ask.
            p.dispatch(effSetProgram, 0, i);
            t = p.programName();
        }
        list.push_back({i, t.text});
    }
    if (!s.isDravo && count > 0) p.dispatch(effSetProgram, 0, 0);
    return list;
}

void selectPreset(PluginSession& s, const std::string& key) {
    VstPlugin& p = *s.plugin;
    auto list = presetList(s);
    int found = -1;
    if (isIndex(key)) {
        long i = std::stol(key);
        if (i < static_cast<long>(list.size()))
            found = static_cast<int>(i);
        else
            throw CliError(kExitUsage, "preset " + key + " is out of range: " +
                                           (list.empty() ? std::string("the plug-in has no presets")
                                                         : "the presets are 0.." +
                                                               std::to_string(list.size() - 1)));
    } else {
        for (const auto& pr : list)
            if (pr.name == key) {
                found = pr.index;
                break;
            }
        if (found < 0)
            for (const auto& pr : list)
                if (lowerCase(pr.name) == lowerCase(key)) {
                    found = pr.index;
                    break;
                }
    }
    if (found < 0) {
        std::string names;
        for (const auto& pr : list)
            names += (names.empty() ? "" : ", ") + ("\"" + pr.name + "\"");
        throw CliError(kExitUsage, "unknown preset \"" + key + "\"" +
                                       (list.empty() ? std::string(": the plug-in has no presets")
                                                     : "; presets: " + names));
    }
    if (s.isDravo) {
        // The host's program calls do not reach our internal presets: a host
        // restoring a project sets the bank chunk, whose selected-preset field
        // says which preset to recall.
        auto chunk = dravoBankChunk(p);
        set32(&chunk[kChunkPrefixSize + kHeaderSelectedAt], static_cast<uint32_t>(found));
        setChunkOrFail(p, chunk, "the preset selection");
    } else {
        p.dispatch(effBeginSetProgram);
        p.dispatch(effSetProgram, 0, found);
        p.dispatch(effEndSetProgram);
    }
}

std::vector<std::string> paramNames(VstPlugin& p) {
    std::vector<std::string> names;
    for (int i = 0; i < p.numParams(); ++i)
        names.push_back(p.paramName(i).text);
    return names;
}

// Indices whose name (folded to lower case when no exact hit) is key.
std::vector<int> namedExactly(const std::vector<std::string>& names, const std::string& key) {
    std::vector<int> exact, folded;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        if (names[i].empty()) continue;
        if (names[i] == key) exact.push_back(i);
        if (lowerCase(names[i]) == lowerCase(key)) folded.push_back(i);
    }
    return exact.empty() ? folded : exact;
}

// SECTION.FIELD: for our plug-in the parameter of that name from its section
// (see dravoSectionName); for any other the first parameter after the one
// named SECTION whose name is FIELD behind a (possibly empty) beginning of
// SECTION's name, so MID1.freq is "Mfreq" after "MID1" and LOW.gain is
// "Lgain" after "LOW".
int resolveQualified(const std::vector<std::string>& names, const std::string& key, bool ours) {
    auto dot = key.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == key.size()) return -1;
    if (ours) {
        std::string section, field;
        for (int i = 0; i < static_cast<int>(names.size()); ++i)
            if (dravoSectionName(i, section, field) &&
                lowerCase(section) == lowerCase(key.substr(0, dot)) &&
                lowerCase(field) == lowerCase(key.substr(dot + 1)))
                return i;
        return -1;
    }
    auto heads = namedExactly(names, key.substr(0, dot));
    if (heads.size() != 1) return -1;
    const std::string section = lowerCase(names[static_cast<std::size_t>(heads[0])]);
    const std::string field = lowerCase(key.substr(dot + 1));
    for (int i = heads[0] + 1; i < static_cast<int>(names.size()); ++i) {
        std::string n = lowerCase(names[static_cast<std::size_t>(i)]);
        for (std::size_t len = 0; len <= section.size(); ++len)
            if (n == section.substr(0, len) + field) return i;
    }
    return -1;
}

// A parameter by index, host name, SECTION.FIELD, and for our plug-in also
// by the model's symbol ("mid1_freq").
int resolveParamIn(const std::vector<std::string>& names, const std::string& key, bool ours) {
    const int n = static_cast<int>(names.size());
    if (isIndex(key)) {
        long i = std::stol(key);
        if (i >= n)
            throw CliError(kExitUsage, "unknown parameter " + key + ": the plug-in has " +
                                           std::to_string(n) + " parameters (0.." +
                                           std::to_string(n - 1) + ")");
        if (names[static_cast<std::size_t>(i)].empty())
            throw CliError(kExitUsage,
                           "parameter " + key + " is unused: it has no name and nothing reads it");
        return static_cast<int>(i);
    }
    dravo::Param symbol;
    if (ours && dravo::paramForSymbol(lowerCase(key).c_str(), symbol) && dravo::index(symbol) < n)
        return dravo::index(symbol);
    auto hits = namedExactly(names, key);
    if (hits.size() == 1) return hits[0];
    if (hits.empty()) {
        int q = resolveQualified(names, key, ours);
        if (q >= 0) return q;
        throw CliError(kExitUsage,
                       "unknown parameter \"" + key + "\" (dravo-render --list shows them)");
    }
    std::string idx, qualified;
    for (int i : hits) {
        idx += (idx.empty() ? "" : ", ") + std::to_string(i);
        qualified += (qualified.empty() ? "" : " or ") + qualifiedName(names, i, ours);
    }
    throw CliError(kExitUsage, "ambiguous parameter name \"" + key + "\" (indices " + idx +
                                   "): give " + qualified + ", or the index");
}

// ---- display texts

std::string trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string shownText(VstPlugin& p, int index) {
    std::string d = trim(p.paramDisplay(index).text);
    std::string label = trim(p.paramLabel(index).text);
    return label.empty() ? d : d + " " + label;
}

using dravo::squeezed;

// A value text as a number and a unit, read as the editor reads what a user
// types: "10.0kHz" is 10000 "hz", "-4dB" is -4 "db", "+2.5" is 2.5 "", "10k"
// is 10000 "hz".
bool parseValueText(const std::string& text, double& number, std::string& unit) {
    return dravo::parseNumberAndUnit(text, number, unit);
}

bool sameNumber(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)) &&
           std::signbit(a) == std::signbit(b);
}

struct TextRun {
    std::string text;
    int first, last; // grid steps that show it
    bool numeric;
    double number;
    std::string unit;
};

// The normalised value at which the plug-in shows `text`, found the way a
// host without string-to-parameter support finds it: by sweeping the value
// and reading the display back, then narrowing between two neighbours for
// values the sweep stepped over. Throws CliError(kExitUsage) with the
// nearest values the parameter shows when none fits.
float valueForText(VstPlugin& p, int index, const std::string& name, const std::string& text,
                   bool ours) {
    // Our own plug-in reads the text as its editor does (the model's parser:
    // position names, display texts, numbers in the parameter's unit at the
    // nearest step). A number the display does not show as typed is left to
    // the sweep below, which refuses it with the nearest values shown.
    double normalised = 0;
    if (ours && index >= 0 && index < dravo::kNumParams &&
        dravo::normalisedForText(dravo::paramAt(index), text, normalised)) {
        const float v = static_cast<float>(normalised);
        p.setParameter(index, v);
        double typed = 0, shown = 0;
        std::string typedUnit, shownUnit;
        if (!parseValueText(text, typed, typedUnit) ||
            (parseValueText(shownText(p, index), shown, shownUnit) &&
             (typedUnit.empty() || typedUnit == shownUnit) &&
             std::fabs(shown - typed) <= 1e-9 * std::max(1.0, std::fabs(typed))))
            return v;
    }
    // Our mid sections' gain is the size of the boost or cut; which of the
    // two is the section's mode switch.
    if (ours && index >= 0 && index < dravo::kNumParams &&
        dravo::info(dravo::paramAt(index)).quantiser == dravo::Quantiser::PeakGain) {
        double typed = 0;
        std::string typedUnit;
        std::string section, field;
        if (parseValueText(text, typed, typedUnit) && typed < 0 &&
            dravoSectionName(index, section, field)) {
            char size[32];
            std::snprintf(size, sizeof size, "%g", -typed);
            throw CliError(kExitUsage, "--set " + name + "=" + text + ": " + section + "." + field +
                                           " is the size of the boost or cut, 0dB and up; a cut "
                                           "is the section's mode switch: --set " +
                                           section + "=Cut --set " + section + "." + field + "=" +
                                           size + "dB");
        }
    }
    constexpr int kSteps = 1000;
    std::vector<TextRun> runs;
    for (int k = 0; k <= kSteps; ++k) {
        p.setParameter(index, static_cast<float>(k) / kSteps);
        std::string shown = shownText(p, index);
        if (!runs.empty() && runs.back().text == shown) {
            runs.back().last = k;
            continue;
        }
        TextRun r{shown, k, k, false, 0.0, {}};
        r.numeric = parseValueText(shown, r.number, r.unit);
        runs.push_back(r);
    }
    // Within a run, the simplest fraction (0, 1/2, 1 before 101/200): the
    // values an editor's switches send, where a plug-in's display and its
    // engine are sure to agree; then the one nearest the middle.
    auto middle = [](const TextRun& r) {
        int best = r.first;
        auto denominator = [](int k) { return kSteps / std::gcd(k, kSteps); };
        const int centre = (r.first + r.last) / 2;
        for (int k = r.first; k <= r.last; ++k)
            if (denominator(k) < denominator(best) ||
                (denominator(k) == denominator(best) &&
                 std::abs(k - centre) < std::abs(best - centre)))
                best = k;
        return static_cast<float>(best) / kSteps;
    };
    // Texts of one number ("-0dB" beside "0dB") make one range.
    auto sameShown = [](const TextRun& a, const TextRun& b) {
        return a.text == b.text ||
               (a.numeric && b.numeric && a.unit == b.unit &&
                std::fabs(a.number - b.number) <= 1e-9 * std::max(1.0, std::fabs(a.number)));
    };
    // A number the display rounds covers a range of values; the one nearest
    // the number typed is the centre of that range (its edges found by
    // narrowing between the sweep's steps), or the range's end where it
    // reaches the end of the parameter. A simpler fraction very near the
    // centre is preferred (0.5 for "0dB"), as in middle().
    auto nearestInRun = [&](const TextRun& found) {
        if (!found.numeric) return middle(found);
        std::size_t i = 0;
        while (&runs[i] != &found)
            ++i;
        std::size_t a = i, b = i;
        while (a > 0 && sameShown(runs[a - 1], found))
            --a;
        while (b + 1 < runs.size() && sameShown(runs[b + 1], found))
            ++b;
        const int first = runs[a].first, last = runs[b].last;
        if (first == 0) return 0.0f;
        if (last == kSteps) return 1.0f;
        auto edge = [&](int inside, int outside) {
            double in = static_cast<double>(inside) / kSteps,
                   out = static_cast<double>(outside) / kSteps;
            for (int it = 0; it < 30; ++it) {
                double mid = 0.5 * (in + out);
                p.setParameter(index, static_cast<float>(mid));
                TextRun r{shownText(p, index), 0, 0, false, 0.0, {}};
                r.numeric = parseValueText(r.text, r.number, r.unit);
                (sameShown(r, found) ? in : out) = mid;
            }
            return in;
        };
        const double lo = edge(first, first - 1), hi = edge(last, last + 1);
        const double centre = 0.5 * (lo + hi), tolerance = 0.01 * (hi - lo);
        for (int den = 1; den <= kSteps; ++den) {
            const double k = std::nearbyint(centre * den);
            if (std::fabs(k / den - centre) <= tolerance) return static_cast<float>(k / den);
        }
        return static_cast<float>(centre);
    };
    const std::string want = squeezed(text);
    for (const auto& r : runs)
        if (squeezed(r.text) == want) return nearestInRun(r);
    double number = 0;
    std::string unit;
    const bool numeric = parseValueText(text, number, unit);
    auto fits = [&](const TextRun& r) {
        return r.numeric && (unit.empty() || unit == r.unit) && sameNumber(r.number, number);
    };
    if (numeric) {
        for (const auto& r : runs)
            if (fits(r)) return nearestInRun(r);
        // A -0 the user did not type: "OUTPUT=0" where the text is "-0dB".
        for (const auto& r : runs)
            if (r.numeric && (unit.empty() || unit == r.unit) &&
                std::fabs(r.number - number) <= 1e-9 * std::max(1.0, std::fabs(number)))
                return nearestInRun(r);
        // Between two neighbouring texts that enclose the number: narrow down.
        for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
            const TextRun &a = runs[i], &b = runs[i + 1];
            if (!a.numeric || !b.numeric || (!unit.empty() && (a.unit != unit || b.unit != unit)))
                continue;
            if ((number - a.number) * (number - b.number) >= 0) continue;
            double lo = static_cast<double>(a.last) / kSteps,
                   hi = static_cast<double>(b.first) / kSteps;
            const bool rising = b.number > a.number;
            for (int it = 0; it < 40; ++it) {
                double mid = 0.5 * (lo + hi);
                p.setParameter(index, static_cast<float>(mid));
                TextRun r{shownText(p, index), 0, 0, false, 0.0, {}};
                r.numeric = parseValueText(r.text, r.number, r.unit);
                if (squeezed(r.text) == want || fits(r)) return static_cast<float>(mid);
                if (!r.numeric) break;
                if ((r.number < number) == rising)
                    lo = mid;
                else
                    hi = mid;
            }
        }
    }
    // Refused: the nearest texts below and above, or all of a short list.
    std::string nearest;
    if (numeric) {
        const TextRun *below = nullptr, *above = nullptr;
        for (const auto& r : runs) {
            if (!r.numeric || (!unit.empty() && r.unit != unit)) continue;
            if (r.number < number && (!below || r.number > below->number)) below = &r;
            if (r.number > number && (!above || r.number < above->number)) above = &r;
        }
        if (below) nearest = below->text;
        if (above) nearest += (nearest.empty() ? "" : " and ") + above->text;
    }
    if (nearest.empty()) {
        std::vector<std::string> distinct;
        for (const auto& r : runs)
            if (std::find(distinct.begin(), distinct.end(), r.text) == distinct.end())
                distinct.push_back(r.text);
        for (std::size_t i = 0; i < distinct.size() && i < 24; ++i)
            nearest += (i ? ", " : "") + distinct[i];
        if (distinct.size() > 24) nearest += ", ...";
        throw CliError(kExitUsage, "--set " + name + "=" + text + ": " + name +
                                       " shows no such value; it shows " + nearest);
    }
    throw CliError(kExitUsage, "--set " + name + "=" + text + ": " + name +
                                   " cannot show that; the nearest values are " + nearest);
}

void applySettings(PluginSession& s, const RenderOptions& o) {
    VstPlugin& p = *s.plugin;
    VstInt32 id = p.uniqueID();
    if (chunkIsInput(o)) {
        if (!(p.effect()->flags & effFlagsProgramChunks))
            throw CliError(kExitPlugin, "--chunk: the plug-in keeps no chunk");
        auto chunk = readWholeFile(o.chunkFile, "chunk file");
        if (chunk.empty()) throw CliError(kExitInput, "chunk file " + o.chunkFile + ": empty");
        // An audio file given by mistake: some plug-ins take any bytes.
        SF_INFO info{};
        if (SNDFILE* audio = sf_open(o.chunkFile.c_str(), SFM_READ, &info)) {
            sf_close(audio);
            throw CliError(kExitInput, "chunk file " + o.chunkFile +
                                           ": is an audio file, not a plug-in's state "
                                           "(--chunk NEW saves one)");
        }
        if (s.isDravo) {
            if (chunk.size() < kChunkPrefixSize)
                throw CliError(kExitInput, "chunk file " + o.chunkFile + ": too short");
            uint32_t tag = get32(chunk.data(), false);
            if (tag != kChunkTagBank && tag != kChunkTagOld && swap32(tag) != kChunkTagBank &&
                swap32(tag) != kChunkTagOld)
                throw CliError(kExitInput, "chunk file " + o.chunkFile +
                                               ": not a chunk of this plug-in (it does not begin "
                                               "with a chunk tag; --chunk FILE saves one)");
            checkOurId(&chunk[4], id, "chunk file " + o.chunkFile);
        }
        // A plug-in that ignores a chunk it cannot read keeps its state: it
        // gives back what it gave before, not what it was given.
        const auto before = p.getChunk();
        setChunkOrFail(p, chunk, "the chunk in " + o.chunkFile);
        const auto after = p.getChunk();
        if (!before.empty() && after == before && after != chunk)
            throw CliError(kExitPlugin, "the plug-in did not take the chunk in " + o.chunkFile +
                                            ": its state is unchanged (a chunk of another "
                                            "plug-in?)");
    }
    if (!o.loadBank.empty()) {
        if (!s.isDravo) throw CliError(kExitUsage, "--load-bank reads Vey Dravo bank files only");
        setChunkOrFail(p, bankFileAsChunk(o.loadBank, id), "the bank in " + o.loadBank);
    }
    if (o.presetGiven) selectPreset(s, o.preset);
    if (!o.loadPreset.empty()) {
        if (!s.isDravo)
            throw CliError(kExitUsage, "--load-preset reads Vey Dravo preset files only");
        PresetData preset = readPresetFile(o.loadPreset, id);
        setChunkOrFail(p, presetAsBankChunk(preset, selectedPreset(p), id),
                       "the preset in " + o.loadPreset);
    }
    if (!o.params.empty()) {
        const auto names = paramNames(p);
        std::vector<int> changed;
        for (const auto& ps : o.params) {
            int index = resolveParamIn(names, ps.key, s.isDravo);
            p.setParameter(index, ps.byText ? valueForText(p, index, ps.key, ps.text, s.isDravo)
                                            : ps.value);
            if (std::find(changed.begin(), changed.end(), index) == changed.end())
                changed.push_back(index);
        }
        // What the settings changed, as the plug-in shows it now.
        for (int index : changed)
            s.edits += (s.edits.empty() ? "" : ", ") + qualifiedName(names, index, s.isDravo) +
                       " " + shownText(p, index);
    }

    s.title = p.programName().text;
    if (s.title.empty() && !s.isDravo) s.title = p.effectName().text;
    if (!s.edits.empty()) s.title += " (edited: " + s.edits + ")";
}

} // namespace

std::string fourChars(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

std::string defaultPluginPath() {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string compiled = DRAVO_PLUGIN_PATH;
    if (n > 0) {
        exe[n] = 0;
        std::string dir = dirname(exe);
        std::string base = compiled.substr(compiled.rfind('/') + 1);
        for (std::string candidate : {dir + "/" + base, dir + "/../plugin/" + base}) {
            struct stat st;
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                char* real = realpath(candidate.c_str(), nullptr);
                if (real) {
                    candidate = real;
                    std::free(real);
                }
                return candidate;
            }
        }
    }
    return compiled;
}

PluginSession openSession(const RenderOptions& o, double rate, int block, int channels) {
    PluginSession s;
    s.plugin = std::make_unique<VstPlugin>();
    VstPlugin& p = *s.plugin;
    p.setLogging(false);
    p.setProcessLevel(4); // offline rendering
    std::string path = o.pluginPath.empty() ? defaultPluginPath() : o.pluginPath;
    std::string err = p.load(path);
    if (!err.empty()) throw CliError(kExitPlugin, "plug-in " + err);

    VstInt32 id = p.uniqueID();
    std::string want = !o.requireId.empty() ? o.requireId : o.pluginPath.empty() ? "ZkVw" : "";
    if (!want.empty() && fourChars(id) != want)
        throw CliError(kExitPlugin, "plug-in " + path + ": wrong unique ID " + fourChars(id) +
                                        " (expected " + want + ")");
    s.isDravo = id == kDravoUniqueID;
    AEffect* e = p.effect();
    if (!(e->flags & effFlagsCanReplacing) || !e->processReplacing)
        throw CliError(kExitPlugin, "plug-in " + path + ": has no replacing process call");
    if (o.useDouble && (!(e->flags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing))
        throw CliError(kExitPlugin,
                       "plug-in " + path + ": cannot process 64-bit samples (--double)");
    if (e->numOutputs < 1) throw CliError(kExitPlugin, "plug-in " + path + ": has no audio output");
    if (channels == 0) channels = e->numInputs >= 2 ? 2 : 1;
    const bool perChannel = channels == 2 && e->numInputs < 2;
    if (perChannel && e->numOutputs >= 2)
        throw CliError(kExitPlugin, "plug-in " + path + ": has one input and " +
                                        std::to_string(e->numOutputs) +
                                        " outputs; a stereo file does not fit it (give each "
                                        "channel as a mono file)");
    // Our plug-in works at 20000..200000 Hz and silently falls back to
    // 44100 outside that range, which would render at the wrong rate.
    if (s.isDravo && (rate < 20000 || rate > 200000))
        throw CliError(kExitInput,
                       "the sample rate " + std::to_string(static_cast<long>(rate)) +
                           " Hz is outside what the plug-in accepts (20000..200000 Hz)");

    s.channels = channels;
    p.setHostBlockSize(block);
    p.setHostSampleRate(rate);
    p.open();
    p.setSampleRate(static_cast<float>(rate));
    p.setBlockSize(block);
    if (channels == 1 || perChannel) {
        s.monoArrangement = p.setSpeakerArrangement(1, 1) == 1;
        if (s.monoArrangement) {
            for (int pin = 1; pin < 16; ++pin) {
                p.setInputConnected(pin, false);
                p.setOutputConnected(pin, false);
            }
        }
    } else {
        p.setSpeakerArrangement(2, 2);
    }
    applySettings(s, o);
    p.resume();
    s.outChannels = perChannel ? 2 : s.monoArrangement ? 1 : std::min(e->numOutputs, 2);
    if (perChannel) s.second = std::move(openSession(o, rate, block, 1).plugin);
    return s;
}

bool chunkIsInput(const RenderOptions& o) {
    return !o.chunkFile.empty() && access(o.chunkFile.c_str(), F_OK) == 0;
}

std::vector<unsigned char> sessionChunk(PluginSession& s) {
    if (!(s.plugin->effect()->flags & effFlagsProgramChunks))
        throw CliError(kExitPlugin, "--chunk: the plug-in keeps no chunk");
    auto chunk = s.plugin->getChunk();
    if (chunk.empty()) throw CliError(kExitPlugin, "--chunk: the plug-in gave no chunk");
    return chunk;
}

void listPlugin(const RenderOptions& o) {
    PluginSession s = openSession(o, 44100.0, o.block, 0);
    VstPlugin& p = *s.plugin;
    std::printf("%s (%s), unique ID %s\n", p.effectName().text.c_str(), p.path().c_str(),
                fourChars(p.uniqueID()).c_str());
    std::printf("\npresets\n");
    RenderOptions none;
    for (const auto& pr : presetList(s))
        std::printf("%5d  %s\n", pr.index, pr.name.c_str());
    std::printf("\nparameters (index, name, value shown, normalised value; names shared by "
                "several parameters are given with their section)\n");
    const auto names = paramNames(p);
    for (int i = 0; i < p.numParams(); ++i) {
        if (names[static_cast<std::size_t>(i)].empty()) continue;
        std::printf("%5d  %-14s %-10s %.6f\n", i, qualifiedName(names, i, s.isDravo).c_str(),
                    shownText(p, i).c_str(), p.getParameter(i));
    }
}
