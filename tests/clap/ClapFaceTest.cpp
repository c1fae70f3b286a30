// The CLAP face against the VST 2.x face, both loaded by our own hosts: the
// same settings give the same samples (32 and 64 bits, changes part-way
// through a block at their frame), presets, latency, state bytes and texts;
// the installed file exports clap_entry alone, and Qtractor's scanner lists
// both plug-ins with their editor.
#include "FaceSamples.h"
#include "clap/ClapRig.h"

#include "host/VstHost.h"
#include "model/FactoryPresets.h"
#include "model/PresetFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <unistd.h>

using namespace dravo;
using claprig::Instance;
using claprig::ParamEvent;

namespace {

constexpr const char* kStereo = "com.veyaudioworks.dravo.stereo";
constexpr const char* kMono = "com.veyaudioworks.dravo.mono";

std::string capture(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        pclose(p);
    }
    return out;
}

// A parameter at a normalised value: the VST face takes it as is, the CLAP
// face as its plain value (what a host sends); plain overrides that.
struct Setting {
    Param p;
    double v;
    std::optional<double> plain = {};
};
using Settings = std::vector<Setting>;
// Settings applied from a frame on: between blocks, or part-way through one.
struct Change {
    int frame;
    Settings settings;
};

using facetest::Channels;
using facetest::expectSameSamples;
using facetest::noise;

struct Render {
    int channels;
    float rate;
    int block;
    Settings start;
    std::vector<Change> changes = {};
};

std::vector<ParamEvent> events(const Settings& s, uint32_t time) {
    std::vector<ParamEvent> e;
    for (const Setting& x : s)
        e.push_back({time, (clap_id)index(x.p), x.plain ? *x.plain : realValueOf(x.p, (float)x.v)});
    return e;
}

void applyVst(VstPlugin& vst, const Settings& s) {
    for (const Setting& x : s)
        if (!std::isnan(x.v)) vst.setParameter(index(x.p), (float)x.v);
}

// The VST 2.x face with its host's blocks split at every change.
template <typename T>
Channels<T> renderVst(const Render& r, const Channels<T>& in,
                      const std::vector<unsigned char>* chunk = nullptr) {
    VstPlugin vst;
    EXPECT_EQ(vst.load(DRAVO_PLUGIN_PATH), "");
    vst.open();
    vst.setSampleRate(r.rate);
    vst.setBlockSize(r.block);
    if (r.channels == 1) vst.setSpeakerArrangement(1, 1);
    if (chunk) {
        EXPECT_EQ(vst.setChunk(*chunk), 0);
    }
    applyVst(vst, r.start);
    vst.resume();
    const int frames = (int)in[0].size();
    Channels<T> out(2, std::vector<T>(frames));
    std::vector<T> spare(frames);
    size_t next = 0;
    for (int done = 0; done < frames;) {
        while (next < r.changes.size() && r.changes[next].frame == done)
            applyVst(vst, r.changes[next++].settings);
        int n = std::min(r.block - done % r.block, frames - done);
        if (next < r.changes.size()) n = std::min(n, r.changes[next].frame - done);
        T* i[2] = {const_cast<T*>(in[0].data()) + done,
                   (r.channels == 2 ? const_cast<T*>(in[1].data()) : spare.data()) + done};
        T* o[2] = {out[0].data() + done, out[1].data() + done};
        if constexpr (sizeof(T) == sizeof(double))
            vst.processDoubleReplacing(i, o, n);
        else
            vst.processReplacing(i, o, n);
        done += n;
    }
    out.resize(r.channels);
    return out;
}

// The CLAP face in whole blocks, each change an event at its frame.
template <typename T> Channels<T> runClap(Instance& clap, const Render& r, const Channels<T>& in) {
    const int frames = (int)in[0].size();
    Channels<T> out(r.channels, std::vector<T>(frames));
    for (int done = 0; done < frames; done += r.block) {
        const int n = std::min(r.block, frames - done);
        std::vector<ParamEvent> e;
        for (const Change& c : r.changes)
            if (c.frame >= done && c.frame < done + n) {
                const auto more = events(c.settings, (uint32_t)(c.frame - done));
                e.insert(e.end(), more.begin(), more.end());
            }
        std::vector<T*> i, o;
        for (int c = 0; c < r.channels; ++c) {
            i.push_back(const_cast<T*>(in[c].data()) + done);
            o.push_back(out[c].data() + done);
        }
        EXPECT_EQ(clap.process(i, o, (uint32_t)n, e), CLAP_PROCESS_CONTINUE);
    }
    return out;
}

// Settings before the start reach an inactive plug-in through flush.
template <typename T> Channels<T> renderClap(const Render& r, const Channels<T>& in) {
    Instance clap(r.channels == 2 ? kStereo : kMono);
    clap.flush(events(r.start, 0));
    EXPECT_TRUE(clap.activate(r.rate, (uint32_t)r.block));
    EXPECT_TRUE(clap.startProcessing());
    return runClap(clap, r, in);
}

struct Case {
    const char* name;
    Render render;
    int frames;
    bool bits64;
};

const Case kCases[] = {
    {"defaults", {2, 44100, 512, {}}, 8192, false},
    {"defaults_64", {1, 48000, 8192, {}}, 20000, true},
    {"mids",
     {2,
      48000,
      64,
      {{Param::Mid1Mode, 1.0},
       {Param::Mid1Freq, 0.3},
       {Param::Mid1Q, 0.0},
       {Param::Mid1Gain, 0.6},
       {Param::Mid2Mode, 0.0},
       {Param::Mid2Freq, 0.8},
       {Param::Mid2Q, 1.0},
       {Param::Mid2Gain, 0.4}}},
     8192,
     true},
    {"shelves_and_cuts_one_frame_a_block",
     {1,
      96000,
      1,
      {{Param::LowCutOn, 1.0},
       {Param::LowCutFreq, 0.5},
       {Param::HighCutOn, 1.0},
       {Param::HighCutFreq, 0.4},
       {Param::LowShelfMode, 0.0},
       {Param::LowShelfFreq, 0.7},
       {Param::LowShelfShape, 0.5},
       {Param::LowShelfGain, 0.8},
       {Param::HighShelfMode, 1.0},
       {Param::HighShelfFreq, 0.2},
       {Param::HighShelfShape, 1.0},
       {Param::HighShelfGain, 0.1}}},
     3000,
     false},
    {"output_stage",
     {2,
      192000,
      8192,
      {{Param::Output, 0.9},
       {Param::Saturation, 1.0},
       {Param::Phase, 1.0},
       {Param::Channel, 0.1},
       {Param::Mid1Mode, 1.0},
       {Param::Mid1Gain, 1.0}}},
     20000,
     false},
    {"master_off_left_only",
     {1, 22050, 333, {{Param::Master, 0.0}, {Param::Channel, 0.9}, {Param::Mid2Mode, 1.0}}},
     4000,
     true},
    {"automation_between_blocks",
     {2,
      44100,
      256,
      {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.5}, {Param::HighShelfMode, 1.0}},
      {{4096,
        {{Param::Mid1Freq, 0.7},
         {Param::Mid1Gain, 0.2},
         {Param::Mid1Q, 1.0},
         {Param::HighShelfGain, 0.9},
         {Param::LowCutOn, 1.0},
         {Param::LowCutFreq, 0.3},
         {Param::Output, 0.3},
         {Param::Channel, 0.9}}}}},
     8192,
     false},
    {"automation_part_way_through_blocks",
     {2,
      48000,
      1000,
      {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.5}},
      {{1, {{Param::Mid1Freq, 0.7}}},
       {1700, {{Param::Mid1Gain, 0.2}, {Param::Output, 0.3}}},
       {1701, {{Param::HighCutOn, 1.0}}},
       {2999, {{Param::Saturation, 1.0}, {Param::Mid1Q, 1.0}}}}},
     5000,
     true},
    {"automation_part_way_mono",
     {1,
      88200,
      100,
      {{Param::Mid2Mode, 0.0}, {Param::Mid2Gain, 0.7}},
      {{2050,
        {{Param::Mid2Freq, 0.1},
         {Param::LowShelfMode, 1.0},
         {Param::LowShelfGain, 0.05},
         {Param::Phase, 1.0}}}}},
     5000,
     false},
    // Out of range is clamped, a non-finite value ignored.
    {"clamped_and_ignored",
     {2,
      48000,
      480,
      {{Param::Output, 1.0, 99.0},
       {Param::LowCutOn, 1.0},
       {Param::LowCutFreq, 1.0, 1e7},
       {Param::Mid1Mode, 1.0},
       {Param::Mid1Gain, 0.0, -5.0}},
      {{2400,
        {{Param::Mid1Freq, NAN, NAN},
         {Param::Output, NAN, INFINITY},
         {Param::Mid1Gain, 1.0, 1e30}}}}},
     4800,
     false},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class BitExact : public ::testing::TestWithParam<Case> {};

TEST_P(BitExact, SameSamplesAsTheVstFace) {
    const Case& c = GetParam();
    if (c.bits64) {
        const auto in = noise<double>(c.render.channels, c.frames);
        expectSameSamples(renderClap(c.render, in), renderVst(c.render, in));
    } else {
        const auto in = noise<float>(c.render.channels, c.frames);
        expectSameSamples(renderClap(c.render, in), renderVst(c.render, in));
    }
}

INSTANTIATE_TEST_SUITE_P(Clap, BitExact, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Presets and state

std::vector<unsigned char> vstChunkAfter(const Settings& s) {
    VstPlugin vst;
    EXPECT_EQ(vst.load(DRAVO_PLUGIN_PATH), "");
    applyVst(vst, s);
    return vst.getChunk();
}

// Each factory preset, selected by the bank a host restores, sounds as the
// VST 2.x face's preset of that number.
TEST(ClapPresets, EveryFactoryPresetSoundsAsTheVstPreset) {
    const std::vector<unsigned char> bank = vstChunkAfter({});
    ASSERT_GT(bank.size(), kChunkPrefixSize + kPresetHeaderSize);
    const auto in = noise<float>(2, 2048);
    const Render r{2, 44100, 512, {}};
    for (int n = 0; n < kNumFactoryPresets; ++n) {
        SCOPED_TRACE(kFactoryPresets[n].name);
        std::vector<unsigned char> chunk = bank;
        const int32_t selected = n;
        std::memcpy(chunk.data() + kChunkPrefixSize + kHeaderSelectedAt, &selected, 4);
        Instance clap(kStereo);
        ASSERT_TRUE(clap.load(chunk));
        clap.activate(r.rate);
        expectSameSamples(runClap(clap, r, in), renderVst(r, in, &chunk));
    }
}

TEST(ClapState, AFreshInstanceSavesTheVstFacesChunk) {
    for (const char* id : {kStereo, kMono}) {
        Instance clap(id);
        EXPECT_EQ(clap.save(), vstChunkAfter({})) << id;
    }
}

// The host's changes land in the current preset as the VST 2.x face keeps
// them (a plain value is kept as its step's normalised value: a gain step
// k as (k + 0.5) / 160), and a bank moves between the faces unchanged.
TEST(ClapState, HostChangesAndBanksMatchTheVstFace) {
    const Settings s = {
        {Param::Mid1Gain, 48.5 / 160}, {Param::LowCutOn, 1.0}, {Param::Channel, 0.0}};
    const auto chunk = vstChunkAfter(s);
    Instance changed(kStereo);
    changed.flush(events(s, 0));
    EXPECT_EQ(changed.save(), chunk);

    Instance loaded(kMono);
    ASSERT_TRUE(loaded.load(chunk));
    EXPECT_EQ(loaded.save(), chunk);
    for (const Setting& x : s)
        EXPECT_EQ(loaded.value(index(x.p)), realValueOf(x.p, (float)x.v)) << index(x.p);
    EXPECT_GE(loaded.host.rescans, 1) << "the host reads the restored values again";
}

TEST(ClapState, SavedAndLoadedIntoAFreshInstanceSoundsAndSavesTheSame) {
    const Render r{2,
                   44100,
                   256,
                   {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.4}, {Param::Channel, 0.9}},
                   {{1000, {{Param::Mid1Freq, 0.8}, {Param::HighCutOn, 1.0}}}}};
    const auto in = noise<float>(2, 4096);
    Instance a(kStereo);
    a.flush(events(r.start, 0));
    a.activate(r.rate);
    runClap(a, r, in);
    const std::vector<unsigned char> saved = a.save();

    Instance b(kStereo);
    ASSERT_TRUE(b.load(saved));
    b.activate(r.rate);
    a.deactivate();
    a.activate(r.rate);
    const Render again{2, 44100, 256, {}};
    expectSameSamples(runClap(b, again, in), runClap(a, again, in));
    EXPECT_EQ(b.save(), saved);
}

// A bank that is not this plug-in's, damaged, or cut short by the stream
// changes nothing, says so on stderr, and is refused.
TEST(ClapState, AForeignDamagedOrShortBankChangesNothing) {
    const auto kept = vstChunkAfter({{Param::Mid2Gain, 0.3}});
    const auto other = vstChunkAfter({{Param::Mid2Gain, 0.9}, {Param::Output, 0.1}});
    struct Bad {
        const char* what;
        std::vector<unsigned char> bytes;
        long failAfter = -1;
    };
    auto truncated = other;
    truncated.resize(other.size() * 2 / 3);
    auto foreign = other;
    foreign[4] ^= 0x5a; // another unique ID
    auto badTag = other;
    badTag[0] ^= 0x07;
    const Bad bad[] = {{"truncated", truncated},
                       {"another plug-in's", foreign},
                       {"unknown layout", badTag},
                       {"too short", {1, 2, 3}},
                       {"empty", {}},
                       {"a read error part-way", other, 500},
                       {"a read error at once", other, 0}};
    for (const Bad& b : bad) {
        Instance clap(kStereo);
        ASSERT_TRUE(clap.load(kept));
        const double gain = clap.value(index(Param::Mid2Gain));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(clap.load(b.bytes, b.failAfter)) << b.what;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("refused"), std::string::npos)
            << b.what;
        EXPECT_EQ(clap.save(), kept) << b.what;
        EXPECT_EQ(clap.value(index(Param::Mid2Gain)), gain) << b.what;
    }
}

// ---------------------------------------------------------------------------
// Latency

// The VST 2.x face's initialDelay at every rate; the host is told when an
// activation at a new rate moves it, and only then.
TEST(ClapLatency, EqualsTheVstFaceAndTheHostIsToldWhenItMoves) {
    for (const char* id : {kStereo, kMono}) {
        Instance clap(id);
        int told = 0;
        uint32_t before = clap.latency->get(clap.plugin);
        for (float rate : {44100.0f, 48000.0f, 48000.0f, 96000.0f, 192000.0f, 44100.0f}) {
            VstPlugin vst;
            ASSERT_EQ(vst.load(DRAVO_PLUGIN_PATH), "");
            vst.start(rate, 512);
            ASSERT_TRUE(clap.activate(rate));
            const uint32_t now = clap.latency->get(clap.plugin);
            EXPECT_EQ(now, (uint32_t)vst.latency()) << id << " at " << rate;
            told += now != before;
            EXPECT_EQ(clap.host.latencyChanges, told) << id << " at " << rate;
            before = now;
            clap.deactivate();
        }
        EXPECT_GE(told, 3);
    }
}

// ---------------------------------------------------------------------------
// Parameters

TEST(ClapParams, EveryParameterThatReachesTheEngineUnderItsNumber) {
    Instance clap(kStereo);
    std::vector<clap_id> ids;
    for (uint32_t i = 0; i < clap.params->count(clap.plugin); ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(clap.params->get_info(clap.plugin, i, &info));
        ids.push_back(info.id);
        EXPECT_STREQ(info.name, kParams[info.id].name);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
    }
    const std::vector<clap_id> expected = {0,  1,  3,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                           16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27};
    EXPECT_EQ(ids, expected);
    clap_param_info_t none{};
    EXPECT_FALSE(clap.params->get_info(clap.plugin, (uint32_t)ids.size(), &none));
    double v;
    EXPECT_FALSE(clap.params->get_value(clap.plugin, 2, &v)) << "a placeholder";
    EXPECT_FALSE(clap.params->get_value(clap.plugin, 35, &v)) << "stored only";
}

// Plain values in the parameter's unit; switches and frequency tables stepped.
TEST(ClapParams, RangesDefaultsStepsAndModules) {
    struct Row {
        Param p;
        bool stepped;
        double min, max, def;
        const char* module;
    };
    const Row rows[] = {
        {Param::Master, true, 0, 1, 1, ""},
        {Param::Channel, true, 0, 2, 1, ""},
        {Param::Output, false, -20, 20, 0, ""},
        {Param::LowCutFreq, true, 12.4, 2000, 12.4, "Low cut"},
        {Param::Mid1Freq, true, 70.5, 11360, 895, "Mid 1"},
        {Param::Mid2Freq, true, 99.7, 16079, 1266, "Mid 2"},
        {Param::Mid1Q, true, 0, 2, 1, "Mid 1"},
        {Param::LowShelfGain, false, -10, 10, 0, "Low shelf"},
        {Param::Mid2Gain, false, 0, 20, 0, "Mid 2"},
        {Param::HighShelfShape, true, 0, 2, 0, "High shelf"},
    };
    Instance clap(kStereo);
    std::map<clap_id, clap_param_info_t> infos;
    for (uint32_t i = 0; i < clap.params->count(clap.plugin); ++i) {
        clap_param_info_t info{};
        clap.params->get_info(clap.plugin, i, &info);
        infos[info.id] = info;
    }
    for (const Row& r : rows) {
        const clap_param_info_t& info = infos[index(r.p)];
        SCOPED_TRACE(info.name);
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, r.stepped);
        EXPECT_EQ(info.min_value, r.min);
        EXPECT_EQ(info.max_value, r.max);
        EXPECT_EQ(info.default_value, r.def);
        EXPECT_EQ(clap.value(index(r.p)), r.def) << "a fresh instance is at its default";
        EXPECT_STREQ(info.module, r.module);
    }
}

// The VST 2.x face's display text for a value, and a typed text read as the
// editor reads it; a host truncating a stepped frequency finds its step.
TEST(ClapParams, TextsAndTypedValuesAreTheVstFacesAndTheEditors) {
    struct Row {
        Param p;
        double v;
        const char* typed;
    };
    const Row rows[] = {
        {Param::Master, 0.0, "off"},
        {Param::Channel, 0.0, "Right"},
        {Param::Phase, 1.0, "reverse"},
        {Param::Output, 0.75, "+10 dB"},
        {Param::Saturation, 1.0, "SAT"},
        {Param::LowCutOn, 1.0, "on"},
        {Param::LowCutFreq, 0.5, "158"},
        {Param::HighCutFreq, 1.0, "28.3k"},
        {Param::LowShelfMode, 0.0, "II"},
        {Param::LowShelfShape, 1.0, "peak"},
        {Param::LowShelfGain, 0.25, "-5dB"},
        {Param::Mid1Mode, 0.0, "-"},
        {Param::Mid1Freq, 0.5, "895 Hz"},
        {Param::Mid1Q, 1.0, "4.0"},
        {Param::Mid2Gain, 0.5, "10"},
        {Param::HighShelfFreq, 0.0, "3.15kHz"},
        {Param::HighShelfGain, 1.0, "10.00dB"},
    };
    VstPlugin vst;
    ASSERT_EQ(vst.load(DRAVO_PLUGIN_PATH), "");
    Instance clap(kStereo);
    for (const Row& r : rows) {
        const clap_id id = index(r.p);
        vst.setParameter(id, (float)r.v);
        const std::string shown = vst.paramDisplay(id).text;
        SCOPED_TRACE(shown);
        EXPECT_EQ(clap.text(id, realValueOf(r.p, (float)r.v)), shown);
        double typed = NAN;
        ASSERT_TRUE(clap.params->text_to_value(clap.plugin, id, r.typed, &typed)) << r.typed;
        EXPECT_EQ(clap.text(id, typed), shown) << r.typed;
        EXPECT_EQ(clap.text(id, std::trunc(typed)), shown) << "truncated by the host";
    }
    double v = 7;
    for (const char* bad : {"banana", "99 dB", "5 Hz", ""})
        EXPECT_FALSE(clap.params->text_to_value(clap.plugin, index(Param::Output), bad, &v)) << bad;
    EXPECT_EQ(v, 7);
    char small[4];
    ASSERT_TRUE(clap.params->value_to_text(clap.plugin, index(Param::Phase), 1, small, 4));
    EXPECT_STREQ(small, "Rev");
}

// ---------------------------------------------------------------------------
// The file

// Installed with the project's own install rules into a fresh prefix, as a
// user's hosts find it.
struct Installed {
    std::string prefix, clap;
    Installed() {
        char dir[] = "/tmp/dravo-clap-XXXXXX";
        if (!mkdtemp(dir)) return;
        prefix = dir;
        log = capture(std::string(DRAVO_CMAKE_COMMAND) +
                      " --install '" DRAVO_BINARY_DIR "' --prefix '" + prefix + "' 2>&1");
        clap = prefix + "/lib/clap/VeyDravo.clap";
    }
    ~Installed() {
        if (!prefix.empty()) std::filesystem::remove_all(prefix);
    }
    std::string log;
};

TEST(ClapFile, InstalledItExportsOnlyClapEntryAndListsBothPlugIns) {
    Installed installed;
    ASSERT_TRUE(std::filesystem::exists(installed.clap)) << installed.log;
    std::string symbols;
    for (const std::string& line : [&] {
             std::vector<std::string> lines;
             std::string all = capture("nm -D --defined-only '" + installed.clap + "'"), one;
             for (char c : all)
                 if (c == '\n')
                     lines.push_back(one), one.clear();
                 else
                     one += c;
             return lines;
         }()) {
        const std::string name = line.substr(line.rfind(' ') + 1);
        // The linker's own section markers are in every shared object, and
        // AddressSanitizer marks the exported variable with its own symbol.
        if (name != "__bss_start" && name != "_edata" && name != "_end" &&
            name != "__odr_asan.clap_entry")
            symbols += name + " ";
    }
    EXPECT_EQ(symbols, "clap_entry ");

    const clap_plugin_factory_t* f = claprig::factory(installed.clap);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->get_plugin_count(f), 2u);
    const struct {
        const char* id;
        const char* name;
        const char* layout;
    } expected[] = {{kStereo, "Vey Dravo", "stereo"}, {kMono, "Vey Dravo Mono", "mono"}};
    for (uint32_t i = 0; i < 2; ++i) {
        const clap_plugin_descriptor_t* d = f->get_plugin_descriptor(f, i);
        EXPECT_STREQ(d->id, expected[i].id);
        EXPECT_STREQ(d->name, expected[i].name);
        EXPECT_STREQ(d->vendor, "Vey Audio Works");
        std::string features;
        for (const char** x = d->features; *x; ++x)
            features += std::string(*x) + " ";
        EXPECT_EQ(features, std::string("audio-effect equalizer ") + expected[i].layout + " ");

        Instance clap(d->id, installed.clap);
        for (bool input : {true, false}) {
            ASSERT_EQ(clap.ports->count(clap.plugin, input), 1u);
            clap_audio_port_info_t port{};
            ASSERT_TRUE(clap.ports->get(clap.plugin, 0, input, &port));
            EXPECT_EQ(port.channel_count, i == 0 ? 2u : 1u);
            EXPECT_STREQ(port.port_type, expected[i].layout);
            EXPECT_TRUE(port.flags & CLAP_AUDIO_PORT_IS_MAIN);
            EXPECT_TRUE(port.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);
        }
    }
    claprig::Host host;
    EXPECT_EQ(f->create_plugin(f, &host.host, "com.veyaudioworks.dravo"), nullptr);
}

// Qtractor's own scanner lists both plug-ins with their editor. It exits 0
// and prints nothing for a file it cannot load: its lines are compared.
TEST(ClapFile, QtractorsScannerListsBothPlugInsWithTheirEditor) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "Qtractor's scanner cannot load a plug-in built with AddressSanitizer";
#endif
    const char* scanner = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";
    if (access(scanner, X_OK) != 0) GTEST_SKIP() << "Qtractor is not installed";
    Installed installed;
    ASSERT_TRUE(std::filesystem::exists(installed.clap)) << installed.log;
    const std::string out =
        capture("echo 'CLAP:" + installed.clap + "' | env -u DISPLAY " + scanner + " 2>/dev/null");
    const std::string stereo = "CLAP|Vey Dravo|2:2|0:0|25:0|GUI,EXT,RT|" + installed.clap + "|0|";
    const std::string mono =
        "CLAP|Vey Dravo Mono|1:1|0:0|25:0|GUI,EXT,RT|" + installed.clap + "|1|";
    EXPECT_NE(out.find(stereo), std::string::npos) << out;
    EXPECT_NE(out.find(mono), std::string::npos) << out;
}

} // namespace
