// The VST 3 face through the built bundle, against the VST 2.x face through
// its built .so: the same settings and automation give the same samples, the
// same latency, the same state bytes and the same presets.
#include "FaceSamples.h"
#include "vst3/Vst3Rig.h"

#include "host/VstHost.h"
#include "model/Parameters.h"
#include "model/PresetCodec.h"
#include "presets/PresetBarTestSupport.h"
#include "vst3/Strings.h"
#include "vst3/Vst3Plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace dravo;
using namespace dravo_test;
using dravo::vst3face::kPresetParamId;

namespace {

// Both plug-ins start from the factory bank: a private HOME without
// preferences.
struct Faces : ::testing::Test {
    presettest::Desktop desk;
    Vst3Module module{bundlePath()};
    void SetUp() override { ASSERT_EQ(module.error(), ""); }
};

struct Change {
    Param p;
    float v;
    int block;  // the block it belongs to
    int offset; // within that block; 0 is between blocks for the VST 2.x host
};

struct SoundCase {
    double rate;
    int block;
    bool stereo;
    bool doubles;
    std::vector<Change> changes;
    bool stereoOut = false; // a mono input to a stereo output
};

// Settings both faces start from, so that every section runs.
const std::vector<std::pair<Param, float>> kStartSettings = {
    {Param::LowCutOn, 1.0f},       {Param::LowCutFreq, 0.3f}, {Param::LowShelfMode, 0.0f},
    {Param::LowShelfGain, 0.8f},   {Param::Mid1Mode, 1.0f},   {Param::Mid1Gain, 0.4f},
    {Param::Mid2Mode, 0.0f},       {Param::Mid2Gain, 0.3f},   {Param::HighShelfMode, 1.0f},
    {Param::HighShelfGain, 0.25f}, {Param::HighCutOn, 1.0f},  {Param::HighCutFreq, 0.7f},
    {Param::Output, 0.6f},         {Param::Saturation, 1.0f},
};

template <typename T> void compareSound(Vst3Module& module, const SoundCase& c) {
    const int frames = std::max(4 * c.block, 2048);
    const int blocks = (frames + c.block - 1) / c.block;
    const auto in = facetest::noise<T>(2, frames);

    VstPlugin vst2;
    ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
    Vst3Instance vst3(module);
    ASSERT_TRUE(vst3.processor && vst3.controller);
    for (auto [p, v] : kStartSettings) {
        vst2.setParameter(index(p), v);
        vst3.controller->setParamNormalized((ParamID)index(p), v);
    }
    const bool stereoOut = c.stereo || c.stereoOut;
    if (!c.stereo) vst2.setSpeakerArrangement(1, stereoOut ? 2 : 1);
    vst2.start((float)c.rate, c.block);
    ASSERT_TRUE(vst3.start(c.rate, c.block, c.stereo, c.doubles, c.stereoOut));

    std::vector<std::vector<T>> out2(2, std::vector<T>(frames)), out3 = out2;
    for (int b = 0; b < blocks; ++b) {
        const int at = b * c.block, n = std::min(c.block, frames - at);
        ParameterChanges changes;
        int done = 0;
        for (const Change& ch : c.changes) {
            if (ch.block != b) continue;
            changes.add((ParamID)index(ch.p), ch.offset, ch.v);
            if (ch.offset > done) {
                T* i2[2] = {(T*)in[0].data() + at + done, (T*)in[1].data() + at + done};
                T* o2[2] = {out2[0].data() + at + done, out2[1].data() + at + done};
                if constexpr (sizeof(T) == 8)
                    vst2.processDoubleReplacing(i2, o2, ch.offset - done);
                else
                    vst2.processReplacing(i2, o2, ch.offset - done);
                done = ch.offset;
            }
            vst2.setParameter(index(ch.p), ch.v);
        }
        T* i2[2] = {(T*)in[0].data() + at + done, (T*)in[1].data() + at + done};
        T* o2[2] = {out2[0].data() + at + done, out2[1].data() + at + done};
        if constexpr (sizeof(T) == 8)
            vst2.processDoubleReplacing(i2, o2, n - done);
        else
            vst2.processReplacing(i2, o2, n - done);

        std::vector<T*> i3{(T*)in[0].data() + at}, o3{out3[0].data() + at};
        if (c.stereo) i3.push_back((T*)in[1].data() + at);
        if (stereoOut) o3.push_back(out3[1].data() + at);
        vst3.process<T>(i3, o3, n, &changes);
    }
    for (int ch = 0; ch < (stereoOut ? 2 : 1); ++ch)
        for (int i = 0; i < frames; ++i)
            if (std::memcmp(&out2[ch][i], &out3[ch][i], sizeof(T)) != 0) {
                ADD_FAILURE() << "channel " << ch << " sample " << i << ": " << out2[ch][i]
                              << " vs " << out3[ch][i];
                return;
            }
}

TEST_F(Faces, SameSamplesAsTheVst2FaceWithAutomation) {
    const std::vector<Change> automation = {
        {Param::Mid1Gain, 0.9f, 1, 0}, {Param::LowShelfFreq, 0.1f, 1, 1},
        {Param::Output, 0.3f, 2, 0},   {Param::Mid2Freq, 0.8f, 2, 2},
        {Param::Channel, 0.9f, 2, 3},  {Param::Phase, 1.0f, 3, 0},
        {Param::Master, 0.0f, 3, 3},   {Param::HighShelfShape, 1.0f, 1, 5},
    };
    const SoundCase cases[] = {
        {44100, 512, true, false, automation},       {48000, 1, true, false, automation},
        {96000, 8192, true, true, automation},       {192000, 64, false, false, automation},
        {88200, 1000, false, true, automation},      {44100, 37, true, true, automation},
        {176400, 4096, true, false, automation},     {48000, 256, false, false, {}},
        {44100, 300, false, true, automation, true},
    };
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.rate << " Hz, blocks of " << c.block << (c.stereo ? ", stereo" : ", mono")
                     << (c.doubles ? ", 64 bits" : ", 32 bits"));
        // Offsets that do not fit a block stay at its start.
        SoundCase fitted = c;
        for (Change& ch : fitted.changes)
            ch.offset = ch.offset * c.block / 8;
        if (c.doubles)
            compareSound<double>(module, fitted);
        else
            compareSound<float>(module, fitted);
    }
}

// Choosing preset n on the VST 3 face holds the same bank, values and names
// as the VST 2.x face with preset n chosen: the same chunk bytes.
TEST_F(Faces, EveryFactoryPresetAsTheVst2Program) {
    VstPlugin vst2;
    ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
    vst2.open();
    const std::vector<unsigned char> factory = vst2.getChunk();
    PresetRecord blank{};
    Bank bank{};
    ASSERT_TRUE(PresetCodec(blank).loadChunk(factory.data(), factory.size(), bank));

    Vst3Instance vst3(module);
    for (int n = kNumPresets - 1; n >= 0; --n) {
        SCOPED_TRACE(n);
        bank.current = n;
        std::vector<unsigned char> chunk(kChunkBufferSize);
        chunk.resize(PresetCodec(blank).bankToChunk(bank, chunk.data()));
        ASSERT_EQ(vst2.setChunk(chunk), 0);

        EXPECT_EQ(vst3.controller->setParamNormalized(kPresetParamId, n / 21.0), kResultOk);
        EXPECT_EQ(vst3.state(), vst2.getChunk());
        String128 name{};
        ASSERT_EQ(vst3.units->getProgramName(vst3face::kPresetListId, n, name), kResultOk);
        EXPECT_EQ(vst3face::toUtf8(name), vst2.programNameIndexed(n).text);
        EXPECT_EQ(vst3.text(kPresetParamId, n / 21.0), vst2.programNameIndexed(n).text);
        for (ParamID id : vst3.parameterIds()) {
            if (id == kPresetParamId) continue;
            EXPECT_EQ((float)vst3.controller->getParamNormalized(id),
                      vst2.getParameter((VstInt32)id));
        }
    }
}

// Values set on either face give the same chunk; a value set just before
// saving is saved without any audio in between, and a new instance given
// the state shows and holds the same.
TEST_F(Faces, StateCarriesTheVst2ChunkBytes) {
    VstPlugin vst2;
    ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
    vst2.open();
    Vst3Instance vst3(module);
    const std::pair<Param, float> values[] = {{Param::Master, 0.0f},
                                              {Param::Channel, 0.1f},
                                              {Param::Mid2Q, 0.8f},
                                              {Param::HighCutFreq, 0.35f},
                                              {Param::Output, 0.55625f}};
    for (auto [p, v] : values) {
        vst2.setParameter(index(p), v);
        vst3.controller->setParamNormalized((ParamID)index(p), v);
    }
    const std::vector<unsigned char> saved = vst3.state();
    EXPECT_EQ(saved, vst2.getChunk());

    Vst3Instance again(module);
    EXPECT_EQ(again.setState(saved), kResultOk);
    EXPECT_EQ(again.state(), saved);
    EXPECT_GE(again.handler.restarts(kParamValuesChanged), 1);
    for (auto [p, v] : values)
        EXPECT_EQ((float)again.controller->getParamNormalized((ParamID)index(p)), v);
    // The controller shown the processor's state: already what it holds.
    MemoryStream same(saved);
    EXPECT_EQ(again.controller->setComponentState(&same), kResultOk);
    // A VST 2.x chunk loads on the VST 3 face as it is.
    Vst3Instance fromVst2(module);
    EXPECT_EQ(fromVst2.setState(vst2.getChunk()), kResultOk);
    EXPECT_EQ(fromVst2.state(), saved);
}

TEST_F(Faces, ForeignOrDamagedStateChangesNothing) {
    Vst3Instance vst3(module);
    vst3.controller->setParamNormalized((ParamID)index(Param::Mid1Gain), 0.7);
    const std::vector<unsigned char> good = vst3.state();
    ASSERT_FALSE(good.empty());
    std::vector<unsigned char> foreignId = good, truncated = good, garbage(good.size(), 0x5a),
                               longer(2 << 20, 0);
    foreignId[5] ^= 0x40; // the unique ID after the 4-byte tag
    truncated.resize(good.size() / 2);
    std::memcpy(longer.data(), good.data(), good.size());
    const std::vector<unsigned char> blobs[] = {
        {}, foreignId, truncated, garbage, longer, {good.begin(), good.begin() + 8}};
    Vst3Instance other(module);
    other.controller->setParamNormalized((ParamID)index(Param::Output), 0.2);
    const std::vector<unsigned char> before = other.state();
    for (const auto& blob : blobs) {
        SCOPED_TRACE(blob.size());
        EXPECT_NE(other.setState(blob), kResultOk);
        MemoryStream s(blob);
        EXPECT_NE(other.controller->setComponentState(&s), kResultOk);
        EXPECT_EQ(other.state(), before);
    }
}

// The latency is the engine's at each rate, as the VST 2.x face tells it;
// the host hears of it when a new rate moves it.
TEST_F(Faces, LatencyPerRateAsTheVst2Face) {
    Vst3Instance vst3(module);
    VstPlugin fresh;
    ASSERT_EQ(fresh.load(DRAVO_PLUGIN_PATH), "");
    EXPECT_EQ(vst3.processor->getTailSamples(), (uint32_t)fresh.tailSize());
    EXPECT_EQ((VstInt32)vst3.processor->getLatencySamples(), fresh.latency());
    uint32_t last = vst3.processor->getLatencySamples();
    for (double rate :
         {44100.0, 48000.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0, 10000.0, 44100.0}) {
        SCOPED_TRACE(rate);
        VstPlugin vst2;
        ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
        vst2.start((float)rate, 512);
        vst3.handler.taken();
        ASSERT_TRUE(vst3.start(rate, 512));
        const uint32_t latency = vst3.processor->getLatencySamples();
        EXPECT_EQ((VstInt32)latency, vst2.latency());
        EXPECT_EQ(vst3.handler.restarts(kLatencyChanged), latency != last ? 1 : 0);
        last = latency;
        vst3.stop();
    }
}

} // namespace
