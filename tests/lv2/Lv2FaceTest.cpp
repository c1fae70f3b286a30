// The LV2 face against the VST 2.x face, both installed with cmake --install:
// the same settings give the same samples, presets, latency and state bytes.
#include "FaceSamples.h"
#include "lv2/Lv2Rig.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"

#include "host/VstHost.h"
#include "model/FactoryPresets.h"
#include "model/PresetFormat.h"
#include "model/ProgramStore.h"

#include <lv2/atom/atom.h>
#include <lv2/units/units.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

using namespace dravo;
using dravo::lv2::Variant;
using lv2rig::installed;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const Variant* const kStereo = &lv2::kVariants[0];
const Variant* const kMono = &lv2::kVariants[1];

// A parameter at a normalised value on both faces; the LV2 port takes the
// value's real unit unless port says otherwise. v NaN: the VST face is not
// told (a non-finite port value means nothing).
struct Setting {
    Param p;
    double v;
    std::optional<float> port = {};
};

using Settings = std::vector<Setting>;
using Channels = facetest::Channels<float>;
using facetest::expectSameSamples;
Channels noise(int channels, int frames) {
    return facetest::noise<float>(channels, frames);
}

// Renders in through the VST 2.x face at rate in blocks, later applied from
// frame laterAt on; chunk (if any) set before the start.
struct Render {
    const Variant* variant;
    float rate;
    int block;
    Settings start, later;
    int laterAt = 0;
};

void applyVst(VstPlugin& vst, const Settings& s) {
    for (const Setting& x : s)
        if (!std::isnan(x.v)) vst.setParameter(index(x.p), (float)x.v);
}

void applyLv2(lv2rig::Instance& lv2, const Settings& s) {
    for (const Setting& x : s)
        lv2.port(x.p) = x.port ? *x.port : (float)realValueOf(x.p, (float)x.v);
}

Channels renderVst(const Render& r, const Channels& in,
                   const std::vector<unsigned char>* chunk = nullptr) {
    VstPlugin vst;
    EXPECT_EQ(vst.load(installed().vstPlugin), "");
    vst.open();
    vst.setSampleRate(r.rate);
    vst.setBlockSize(r.block);
    if (r.variant->channels == 1) vst.setSpeakerArrangement(1, 1);
    if (chunk) {
        EXPECT_EQ(vst.setChunk(*chunk), 0);
    }
    applyVst(vst, r.start);
    vst.resume();
    const int frames = (int)in[0].size();
    Channels out(2, std::vector<float>(frames));
    std::vector<float> spare(frames); // the second input of a mono arrangement
    for (int done = 0; done < frames;) {
        if (done == r.laterAt) applyVst(vst, r.later);
        const int n = std::min(r.block, frames - done);
        float* i[2] = {
            const_cast<float*>(in[0].data()) + done,
            (r.variant->channels == 2 ? const_cast<float*>(in[1].data()) : spare.data()) + done};
        float* o[2] = {out[0].data() + done, out[1].data() + done};
        vst.processReplacing(i, o, n);
        done += n;
    }
    out.resize(r.variant->channels);
    return out;
}

Channels runLv2(lv2rig::Instance& lv2, const Render& r, const Channels& in) {
    const int frames = (int)in[0].size();
    Channels out(r.variant->channels, std::vector<float>(frames));
    for (int done = 0; done < frames;) {
        if (done == r.laterAt) applyLv2(lv2, r.later);
        const int n = std::min(r.block, frames - done);
        std::vector<float*> i, o;
        for (int c = 0; c < r.variant->channels; ++c) {
            i.push_back(const_cast<float*>(in[c].data()) + done);
            o.push_back(out[c].data() + done);
        }
        lv2.run(i, o, (uint32_t)n);
        done += n;
    }
    return out;
}

Channels renderLv2(const Render& r, const Channels& in) {
    lv2rig::Instance lv2(r.variant->uri, r.rate);
    applyLv2(lv2, r.start);
    lv2.activate();
    return runLv2(lv2, r, in);
}

struct Case {
    const char* name;
    Render render;
    int frames;
};

// Every port at a value other than its default somewhere, both plug-ins,
// rates from 22.05 to 192 kHz, blocks of 1 to 8192 frames, and automation.
const Case kCases[] = {
    {"defaults", {kStereo, 44100, 512, {}, {}}, 8192},
    {"mids",
     {kStereo,
      48000,
      64,
      {{Param::Mid1Mode, 1.0},
       {Param::Mid1Freq, 0.3},
       {Param::Mid1Q, 0.0},
       {Param::Mid1Gain, 0.6},
       {Param::Mid2Mode, 0.0},
       {Param::Mid2Freq, 0.8},
       {Param::Mid2Q, 1.0},
       {Param::Mid2Gain, 0.4}},
      {}},
     8192},
    {"shelves and cuts, one frame a run",
     {kMono,
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
       {Param::HighShelfGain, 0.1}},
      {}},
     3000},
    {"output stage",
     {kStereo,
      192000,
      8192,
      {{Param::Output, 0.9},
       {Param::Saturation, 1.0},
       {Param::Phase, 1.0},
       {Param::Channel, 0.1},
       {Param::Mid1Mode, 1.0},
       {Param::Mid1Gain, 1.0}},
      {}},
     20000},
    {"master off, left only",
     {kMono,
      22050,
      333,
      {{Param::Master, 0.0}, {Param::Channel, 0.9}, {Param::Mid2Mode, 1.0}, {Param::Mid2Gain, 0.5}},
      {}},
     4000},
    {"automation part-way",
     {kStereo,
      44100,
      256,
      {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.5}, {Param::HighShelfMode, 1.0}},
      {{Param::Mid1Freq, 0.7},
       {Param::Mid1Gain, 0.2},
       {Param::Mid1Q, 1.0},
       {Param::HighShelfGain, 0.9},
       {Param::LowCutOn, 1.0},
       {Param::LowCutFreq, 0.3},
       {Param::Output, 0.3},
       {Param::Channel, 0.9},
       {Param::Master, 1.0}},
      4096},
     8192},
    {"automation part-way, mono",
     {kMono,
      88200,
      100,
      {{Param::Mid2Mode, 0.0}, {Param::Mid2Gain, 0.7}},
      {{Param::Mid2Freq, 0.1},
       {Param::Mid2Q, 0.0},
       {Param::LowShelfMode, 1.0},
       {Param::LowShelfGain, 0.05},
       {Param::Saturation, 1.0},
       {Param::Phase, 1.0}},
      2000},
     5000},
    // Out of range is clamped, a non-finite value ignored: each port that
    // gets one is where clamping would move it elsewhere.
    {"clamped and ignored",
     {kStereo,
      48000,
      480,
      {{Param::Output, 0.5},
       {Param::LowCutOn, 1.0},
       {Param::LowCutFreq, 1.0, 1e7f},
       {Param::Mid1Mode, 1.0},
       {Param::Mid1Gain, 0.0, -5.0f},
       {Param::Mid1Freq, 0.7}},
      {{Param::Mid1Freq, kNaN, kNaN},
       {Param::Output, kNaN, INFINITY},
       {Param::LowCutFreq, kNaN, -INFINITY},
       {Param::Mid1Gain, 1.0, 1e30f}},
      2400},
     4800},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class BitExact : public ::testing::TestWithParam<Case> {};

TEST_P(BitExact, SameSamplesAsTheVstFace) {
    const Case& c = GetParam();
    const Channels in = noise(c.render.variant->channels, c.frames);
    expectSameSamples(renderLv2(c.render, in), renderVst(c.render, in));
}

INSTANTIATE_TEST_SUITE_P(Lv2, BitExact, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum((unsigned char)ch)) ch = '_';
    return n;
});

// Each factory preset applied through lilv (its port values) sounds as the
// VST 2.x face's preset of that number (selected through its chunk).
TEST(Lv2Presets, EveryFactoryPresetSoundsAsTheVstPreset) {
    VstPlugin probe;
    ASSERT_EQ(probe.load(installed().vstPlugin), "");
    const std::vector<unsigned char> bank = probe.getChunk();
    ASSERT_GT(bank.size(), kChunkPrefixSize + kPresetHeaderSize);
    const Channels in = noise(2, 2048);
    for (int n = 0; n < kNumFactoryPresets; ++n) {
        SCOPED_TRACE(kFactoryPresets[n].name);
        std::vector<unsigned char> chunk = bank;
        const int32_t selected = n;
        std::memcpy(chunk.data() + kChunkPrefixSize + kHeaderSelectedAt, &selected, 4);
        const Render r{kStereo, 44100, 512, {}, {}};
        lv2rig::Instance lv2(kStereo->uri, r.rate);
        ASSERT_TRUE(lv2.applyPreset(kFactoryPresets[n].name));
        lv2.activate();
        expectSameSamples(runLv2(lv2, r, in), renderVst(r, in, &chunk));
    }
}

// The latency output is the VST 2.x face's initialDelay, written also by a
// run of 0 frames.
TEST(Lv2Latency, EqualsTheVstFaceAtEveryRate) {
    for (const Variant& v : lv2::kVariants)
        for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
            VstPlugin vst;
            ASSERT_EQ(vst.load(installed().vstPlugin), "");
            if (v.channels == 1) vst.setSpeakerArrangement(1, 1);
            vst.start(rate, 512);
            lv2rig::Instance lv2(v.uri, rate);
            lv2.activate();
            float none = 0.0f;
            lv2.run({&none, &none}, {&none, &none}, 0);
            EXPECT_EQ(lv2.latency(), (float)vst.latency()) << v.uri << " at " << rate;
            EXPECT_GT(lv2.latency(), 0.0f);
            // A latency port connected after activate() has it after a run.
            float later = -1.0f;
            lilv_instance_connect_port(lv2.lilv(), (uint32_t)lv2::kLatencyPort, &later);
            lv2.run({&none, &none}, {&none, &none}, 0);
            EXPECT_EQ(later, lv2.latency());
        }
}

// lv2apply (a host with no editor, which leaves the message ports alone)
// renders a file as the plug-in renders it a frame at a time.
void writeFloatWav(const std::string& path, const Channels& c, int rate) {
    const uint32_t frames = (uint32_t)c[0].size(), channels = (uint32_t)c.size();
    const uint32_t bytes = frames * channels * 4;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    auto u32 = [f](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [f](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(3); // IEEE float
    u16((uint16_t)channels);
    u32((uint32_t)rate);
    u32((uint32_t)rate * channels * 4);
    u16((uint16_t)(channels * 4));
    u16(32);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint32_t ch = 0; ch < channels; ++ch)
            std::fwrite(&c[ch][i], 4, 1, f);
    std::fclose(f);
}

// The float samples of a WAV file's data chunk, channel-major.
Channels readFloatWav(const std::string& path, int channels) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::vector<char> bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    Channels out(channels);
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size;
        std::memcpy(&size, &bytes[at + 4], 4);
        if (std::memcmp(&bytes[at], "data", 4) == 0) {
            const size_t frames = std::min<size_t>(size, bytes.size() - at - 8) / 4 / channels;
            for (size_t i = 0; i < frames; ++i)
                for (int ch = 0; ch < channels; ++ch) {
                    float x;
                    std::memcpy(&x, &bytes[at + 8 + (i * channels + ch) * 4], 4);
                    out[ch].push_back(x);
                }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

TEST(Lv2Apply, RendersAFileAsThePluginDoes) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "lv2apply cannot load a plug-in built with AddressSanitizer";
#endif
    const Render r{kStereo, 44100, 1, {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.8}}, {}};
    const Channels in = noise(2, 3000);
    const std::string dir = installed().prefix + "/apply";
    std::filesystem::create_directories(dir);
    writeFloatWav(dir + "/in.wav", in, 44100);
    std::string command = "lv2apply -i " + dir + "/in.wav -o " + dir + "/out.wav";
    for (const Setting& x : r.start)
        command += std::string(" -c ") + info(x.p).symbol + " " +
                   std::to_string(realValueOf(x.p, (float)x.v));
    const std::string log = lv2rig::runWithLv2Path(command + " '" + kStereo->uri + "'");
    const Channels out = readFloatWav(dir + "/out.wav", 2);
    ASSERT_EQ(out.size(), 2u) << log;
    ASSERT_EQ(out[0].size(), in[0].size()) << log;
    expectSameSamples(out, renderLv2(r, in));
}

// ---------------------------------------------------------------------------
// State

std::vector<unsigned char> vstChunkAfter(const Settings& s) {
    VstPlugin vst;
    EXPECT_EQ(vst.load(installed().vstPlugin), "");
    applyVst(vst, s);
    return vst.getChunk();
}

TEST(Lv2State, AFreshInstanceSavesTheVstFacesChunk) {
    for (const Variant& v : lv2::kVariants) {
        lv2rig::Instance lv2(v.uri, 48000);
        EXPECT_EQ(lv2.save(), vstChunkAfter({})) << v.uri;
    }
}

TEST(Lv2State, AChunkMovesBetweenTheFacesUnchanged) {
    const auto chunk = vstChunkAfter({{Param::Mid1Gain, 0.3}, {Param::LowCutOn, 1.0}});
    lv2rig::Instance lv2(kMono->uri, 44100);
    const uint32_t chunkType = lv2rig::uridMap()->map(lv2rig::uridMap()->handle, LV2_ATOM__Chunk);
    EXPECT_EQ(lv2.restore(chunk, chunkType), LV2_STATE_SUCCESS);
    EXPECT_EQ(lv2.save(), chunk);
}

TEST(Lv2State, SavedAndRestoredIntoAFreshInstanceSoundsAndSavesTheSame) {
    const Render r{kStereo,
                   44100,
                   256,
                   {{Param::Mid1Mode, 1.0}, {Param::Mid1Gain, 0.4}, {Param::Channel, 0.9}},
                   {{Param::Mid1Freq, 0.8}, {Param::HighCutOn, 1.0}},
                   1024};
    const Channels in = noise(2, 4096);
    lv2rig::Instance a(kStereo->uri, r.rate);
    applyLv2(a, r.start);
    a.activate();
    runLv2(a, r, in);
    const std::vector<unsigned char> saved = a.save();

    // The host restores the ports itself, then the state.
    lv2rig::Instance b(kStereo->uri, r.rate);
    for (int i = 0; i < a.numControls(); ++i)
        *b.controlPort(i) = *a.controlPort(i);
    const uint32_t chunkType = lv2rig::uridMap()->map(lv2rig::uridMap()->handle, LV2_ATOM__Chunk);
    ASSERT_EQ(b.restore(saved, chunkType), LV2_STATE_SUCCESS);
    b.activate();
    lilv_instance_deactivate(a.lilv());
    a.activate();
    const Render again{kStereo, 44100, 256, {}, {}};
    expectSameSamples(runLv2(b, again, in), runLv2(a, again, in));
    EXPECT_EQ(b.save(), saved);
    EXPECT_EQ(a.save(), saved);
}

// A non-finite port value does not reach the saved state.
TEST(Lv2State, ANonFinitePortValueIsNotSaved) {
    lv2rig::Instance lv2(kStereo->uri, 48000);
    lv2.port(Param::Mid2Gain) = (float)realValueOf(Param::Mid2Gain, 0.7);
    lv2.activate();
    float none = 0.0f;
    lv2.run({&none, &none}, {&none, &none}, 0);
    const std::vector<unsigned char> saved = lv2.save();
    for (float bad : {kNaN, INFINITY, -INFINITY}) {
        lv2.port(Param::Mid2Gain) = bad;
        lv2.run({&none, &none}, {&none, &none}, 0);
        EXPECT_EQ(lv2.save(), saved) << bad;
    }
}

// A bank from the editor counts only when every piece of one transfer came,
// in order: a missing, reordered or foreign piece changes nothing.
TEST(Lv2State, ABankFromTheEditorCountsOnlyWhenWhole) {
    struct Holder final : ProgramStore::Listener {
        ProgramStore store{*this, kFactoryPresetTable};
        void applyPreset(const PresetRecord&) override {}
    } edited;
    edited.store.setName("Whole");
    void* data = nullptr;
    const int32_t size = edited.store.getChunk(&data);
    ASSERT_GT(size, 0);
    const std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                           static_cast<unsigned char*>(data) + size);
    using Pieces = std::vector<std::pair<int32_t, uint32_t>>; // serial, index
    Pieces all;
    for (uint32_t i = 0; i < lv2::piecesFor((uint32_t)size); ++i)
        all.push_back({1, i});
    auto without = [&all](size_t k) {
        Pieces p = all;
        p.erase(p.begin() + (long)k);
        return p;
    };
    Pieces swapped = all, foreign = all;
    std::swap(swapped[2], swapped[3]);
    foreign[4].first = 2;
    const struct {
        const char* what;
        Pieces pieces;
    } cases[] = {{"a piece missing", without(3)},
                 {"the last missing", without(all.size() - 1)},
                 {"two swapped", swapped},
                 {"one of another transfer", foreign}};
    float none = 0.0f;
    for (const auto& c : cases) {
        lv2rig::Instance lv2(kStereo->uri, 48000);
        lv2.activate();
        const std::vector<unsigned char> before = lv2.save();
        for (const auto& [serial, index] : c.pieces)
            lv2.sendPiece(chunk, serial, index);
        lv2.run({&none, &none}, {&none, &none}, 0);
        EXPECT_EQ(lv2.save(), before) << c.what;
        lv2.sendBank(chunk, 3);
        lv2.run({&none, &none}, {&none, &none}, 0);
        EXPECT_EQ(lv2.save(), chunk) << c.what << ", then whole";
    }
}

// A bank that is not this plug-in's, or is damaged, changes nothing and
// says so on stderr.
TEST(Lv2State, AForeignOrDamagedBankChangesNothing) {
    const uint32_t chunkType = lv2rig::uridMap()->map(lv2rig::uridMap()->handle, LV2_ATOM__Chunk);
    const uint32_t stringType = lv2rig::uridMap()->map(lv2rig::uridMap()->handle, LV2_ATOM__String);
    const auto kept = vstChunkAfter({{Param::Mid2Gain, 0.3}});
    const auto other = vstChunkAfter({{Param::Mid2Gain, 0.9}, {Param::Output, 0.1}});
    struct Bad {
        const char* what;
        std::vector<unsigned char> bytes;
        uint32_t type;
    };
    auto truncated = other;
    truncated.resize(other.size() * 2 / 3);
    auto foreign = other;
    foreign[4] ^= 0x5a; // another unique ID
    auto badTag = other;
    badTag[0] ^= 0x07;
    const Bad bad[] = {{"truncated", truncated, chunkType},
                       {"another plug-in's", foreign, chunkType},
                       {"unknown layout", badTag, chunkType},
                       {"too short", {1, 2, 3}, chunkType},
                       {"not a chunk", other, stringType}};
    for (const Bad& b : bad) {
        lv2rig::Instance lv2(kStereo->uri, 44100);
        ASSERT_EQ(lv2.restore(kept, chunkType), LV2_STATE_SUCCESS);
        testing::internal::CaptureStderr();
        EXPECT_NE(lv2.restore(b.bytes, b.type), LV2_STATE_SUCCESS) << b.what;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("refused"), std::string::npos)
            << b.what;
        EXPECT_EQ(lv2.save(), kept) << b.what;
    }
}

// ---------------------------------------------------------------------------
// Real-time safety

// run() with any number of frames, including 0, and in place.
TEST(Lv2Run, AnyFrameCountAndInPlace) {
    const Render r{kStereo, 48000, 1000, {{Param::Mid1Mode, 1.0}}, {}};
    const Channels in = noise(2, 3000);
    Channels io = in;
    lv2rig::Instance lv2(kStereo->uri, r.rate);
    applyLv2(lv2, r.start);
    lv2.activate();
    for (int done = 0; done < 3000; done += 1000) {
        lv2.run({io[0].data() + done, io[1].data() + done},
                {io[0].data() + done, io[1].data() + done}, 0);
        lv2.run({io[0].data() + done, io[1].data() + done},
                {io[0].data() + done, io[1].data() + done}, 1000);
    }
    expectSameSamples(io, renderLv2(r, in));
}

} // namespace
