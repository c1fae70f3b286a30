#include "host/render/Settings.h"

#include "host/render/AudioIO.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Our chunk: an 8-byte prefix (tag, unique ID) and a bank buffer whose
// 41-byte packed header starts at byte 8.
constexpr uint32_t kChunkTagBank = 0x02000000;
constexpr uint32_t kChunkTagOld = 0x01000000;
constexpr std::size_t kChunkPrefix = 8;
constexpr std::size_t kHeaderSize = 41;
// Header fields, as offsets into the header.
constexpr std::size_t kHdrTypeCode = 4, kHdrFormatVersion = 5, kHdrNumParams = 9,
                      kHdrNumRecords = 13, kHdrSelected = 17, kHdrBodySize = 21;
constexpr uint8_t kTypePreset = 34, kTypePresetOld = 33, kTypeBank = 56, kTypeBankOld = 55;
constexpr int kNumPresets = 22;
constexpr int kNumParams = 38;
constexpr uint32_t kFormatVersion = 0x01080000;
// Record heads are 12 bytes: kind, length, preset index.
constexpr uint32_t kRecordName = 0, kRecordParam = 1;
constexpr uint32_t kNameRecordLength = 156, kParamRecordLength = 20;

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
    put32(body, kRecordName);
    put32(body, kNameRecordLength);
    put32(body, static_cast<uint32_t>(slot));
    char name[24] = {};
    std::memcpy(name, p.name.data(), std::min<std::size_t>(p.name.size(), 23));
    body.insert(body.end(), name, name + 24);
    body.insert(body.end(), 4 + 128, 0);
    for (auto [index, value] : p.values) {
        put32(body, kRecordParam);
        put32(body, kParamRecordLength);
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
    chunk.push_back(kTypeBank);
    put32(chunk, kFormatVersion);
    put32(chunk, kNumParams);
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
        if (index >= 0 && index < kNumParams) p.values.emplace_back(index, v);
    };
    if (type == kTypePresetOld) {
        // Name and one float per parameter from index 0.
        if (bytes.size() < 5 + 24) throw CliError(kExitInput, what + ": truncated");
        p.name.assign(reinterpret_cast<const char*>(&bytes[5]),
                      strnlen(reinterpret_cast<const char*>(&bytes[5]), 24));
        std::size_t n = (bytes.size() - 29) / 4;
        for (std::size_t i = 0; i < n && i < kNumParams; ++i) {
            // Placeholders 2, 4, 5 and 28..34 are not read from old files.
            if (i == 2 || i == 4 || i == 5 || (i >= 28 && i <= 34)) continue;
            addValue(static_cast<int>(i), getFloat(&bytes[29 + 4 * i], swap));
        }
        return p;
    }
    if (type != kTypePreset)
        throw CliError(kExitInput,
                       what + ": not a preset file (type code " + std::to_string(type) + ")");
    if (bytes.size() < kHeaderSize) throw CliError(kExitInput, what + ": truncated header");
    int32_t records = static_cast<int32_t>(get32(&bytes[kHdrNumRecords], swap));
    std::size_t pos = kHeaderSize;
    bool named = false;
    for (int32_t r = 0; r < records; ++r) {
        if (pos + 12 > bytes.size()) throw CliError(kExitInput, what + ": truncated record");
        uint32_t kind = get32(&bytes[pos], swap);
        uint32_t length = get32(&bytes[pos + 4], swap);
        if (length > bytes.size() - pos - 12)
            throw CliError(kExitInput, what + ": truncated record");
        const unsigned char* payload = &bytes[pos + 12];
        if (kind == kRecordName && length >= 24) {
            p.name.assign(reinterpret_cast<const char*>(payload),
                          strnlen(reinterpret_cast<const char*>(payload), 24));
            named = true;
        } else if (kind == kRecordParam && length >= 16) {
            int index = static_cast<int>(get32(payload, swap));
            addValue(index, getFloat(payload + 12, swap));
        }
        pos += 12 + length;
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
    if (type == kTypeBank) {
        if (bytes.size() < kHeaderSize) throw CliError(kExitInput, what + ": truncated header");
        uint32_t bodySize = get32(&bytes[kHdrBodySize], swap);
        if (bodySize > bytes.size() - kHeaderSize)
            throw CliError(kExitInput, what + ": truncated body");
        prefix(kChunkTagBank);
        chunk.insert(chunk.end(), bytes.begin(), bytes.begin() + kHeaderSize + bodySize);
        return chunk;
    }
    if (type == kTypeBankOld) {
        // 22 blocks of a name and N floats become an old-format chunk:
        // tag, ID, preset count, preset to select, four reserved words, blocks.
        std::size_t n = ((bytes.size() - 5) / kNumPresets - 24) / 4;
        if ((bytes.size() - 5) / kNumPresets < 24) throw CliError(kExitInput, what + ": truncated");
        std::size_t blocks = kNumPresets * (24 + 4 * n);
        prefix(kChunkTagOld);
        put32(chunk, swap ? swap32(kNumPresets) : kNumPresets);
        chunk.insert(chunk.end(), 4 + 16, 0);
        chunk.insert(chunk.end(), bytes.begin() + 5, bytes.begin() + 5 + blocks);
        return chunk;
    }
    throw CliError(kExitInput, what + ": not a bank file (type code " + std::to_string(type) + ")");
}

// Our current bank chunk, checked to be what the preset selection edits.
std::vector<unsigned char> dravoBankChunk(VstPlugin& p) {
    auto chunk = p.getChunk();
    if (chunk.size() < kChunkPrefix + kHeaderSize || get32(chunk.data(), false) != kChunkTagBank ||
        chunk[kChunkPrefix + kHdrTypeCode] != kTypeBank)
        throw CliError(kExitPlugin, "the plug-in's chunk is not the bank it should be");
    return chunk;
}

int selectedPreset(VstPlugin& p) {
    auto chunk = dravoBankChunk(p);
    int32_t s = static_cast<int32_t>(get32(&chunk[kChunkPrefix + kHdrSelected], false));
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
        if (i < static_cast<long>(list.size())) found = static_cast<int>(i);
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
        set32(&chunk[kChunkPrefix + kHdrSelected], static_cast<uint32_t>(found));
        setChunkOrFail(p, chunk, "the preset selection");
    } else {
        p.dispatch(effBeginSetProgram);
        p.dispatch(effSetProgram, 0, found);
        p.dispatch(effEndSetProgram);
    }
}

int resolveParam(VstPlugin& p, const std::string& key) {
    int n = p.numParams();
    if (isIndex(key)) {
        long i = std::stol(key);
        if (i >= n)
            throw CliError(kExitUsage, "unknown parameter " + key + ": the plug-in has " +
                                           std::to_string(n) + " parameters (0.." +
                                           std::to_string(n - 1) + ")");
        return static_cast<int>(i);
    }
    std::vector<int> exact, folded;
    for (int i = 0; i < n; ++i) {
        std::string name = p.paramName(i).text;
        if (name.empty()) continue;
        if (name == key) exact.push_back(i);
        if (lowerCase(name) == lowerCase(key)) folded.push_back(i);
    }
    const auto& hits = exact.empty() ? folded : exact;
    if (hits.size() == 1) return hits[0];
    if (hits.empty())
        throw CliError(kExitUsage,
                       "unknown parameter \"" + key + "\" (dravo-render --list shows them)");
    std::string idx;
    for (int i : hits)
        idx += (idx.empty() ? "" : ", ") + std::to_string(i);
    throw CliError(kExitUsage, "ambiguous parameter name \"" + key + "\" (indices " + idx +
                                   "): give the index instead");
}

void applySettings(PluginSession& s, const RenderOptions& o) {
    VstPlugin& p = *s.plugin;
    VstInt32 id = p.uniqueID();
    if (!o.chunkFile.empty() && access(o.chunkFile.c_str(), F_OK) == 0) {
        if (!(p.effect()->flags & effFlagsProgramChunks))
            throw CliError(kExitPlugin, "--chunk: the plug-in keeps no chunk");
        auto chunk = readWholeFile(o.chunkFile, "chunk file");
        if (s.isDravo) {
            if (chunk.size() < kChunkPrefix)
                throw CliError(kExitInput, "chunk file " + o.chunkFile + ": too short");
            checkOurId(&chunk[4], id, "chunk file " + o.chunkFile);
        }
        setChunkOrFail(p, chunk, "the chunk in " + o.chunkFile);
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
    for (const auto& ps : o.params)
        p.setParameter(resolveParam(p, ps.key), ps.value);

    s.title = p.programName().text;
    if (s.title.empty() && !s.isDravo) s.title = p.effectName().text;
    if (!o.params.empty()) s.title += " (edited)";
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
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
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
    if (channels == 2 && (e->numInputs < 2 || e->numOutputs < 2))
        throw CliError(kExitPlugin, "plug-in " + path + ": has " + std::to_string(e->numInputs) +
                                        " inputs and " + std::to_string(e->numOutputs) +
                                        " outputs; a stereo file needs two of each");
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
    if (channels == 1) {
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
    return s;
}

std::vector<unsigned char> sessionChunk(PluginSession& s) {
    if (!(s.plugin->effect()->flags & effFlagsProgramChunks))
        throw CliError(kExitPlugin, "--chunk: the plug-in keeps no chunk");
    auto chunk = s.plugin->getChunk();
    if (chunk.empty()) throw CliError(kExitPlugin, "--chunk: the plug-in gave no chunk");
    return chunk;
}

void listPlugin(const RenderOptions& o) {
    PluginSession s = openSession(o, 44100.0, o.block, 2);
    VstPlugin& p = *s.plugin;
    std::printf("%s (%s), unique ID %s\n", p.effectName().text.c_str(), p.path().c_str(),
                fourChars(p.uniqueID()).c_str());
    std::printf("\npresets\n");
    RenderOptions none;
    for (const auto& pr : presetList(s))
        std::printf("%5d  %s\n", pr.index, pr.name.c_str());
    std::printf("\nparameters\n");
    for (int i = 0; i < p.numParams(); ++i) {
        std::string name = p.paramName(i).text;
        if (name.empty()) continue;
        std::string display = p.paramDisplay(i).text;
        std::string label = p.paramLabel(i).text;
        if (!label.empty()) display += " " + label;
        std::printf("%5d  %-12s %-12s %.6f\n", i, name.c_str(), display.c_str(), p.getParameter(i));
    }
}
