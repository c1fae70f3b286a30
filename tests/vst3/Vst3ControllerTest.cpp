// The controller as hosts read it: stable parameter IDs and their facts, the
// VST 2.x face's value texts, typed values, the program list; and process()
// as an audio thread needs it: no allocation, and safe beside the host's
// other threads.
#include "AllocationCounter.h"
#include "vst3/Vst3Rig.h"

#include "host/VstHost.h"
#include "model/Parameters.h"
#include "presets/PresetBarTestSupport.h"
#include "vst3/Strings.h"
#include "vst3/Vst3Plugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace dravo;
using namespace dravo_test;
using dravo::vst3face::kPresetParamId;
using dravo::vst3face::toUtf16;
using dravo::vst3face::toUtf8;

namespace {

struct Controller : ::testing::Test {
    presettest::Desktop desk;
    Vst3Module module{bundlePath()};
    std::unique_ptr<Vst3Instance> vst3;
    void SetUp() override {
        ASSERT_EQ(module.error(), "");
        vst3 = std::make_unique<Vst3Instance>(module);
        ASSERT_TRUE(vst3->controller && vst3->processor && vst3->units);
    }
    void TearDown() override { vst3.reset(); }
};

// What hosts keep in their sessions and automation: the IDs must never change.
struct InfoRow {
    ParamID id;
    const char* title;
    const char* units;
    int steps;
    double defaultValue;
    int32_t flags;
};
constexpr int32_t kAuto = ParameterInfo::kCanAutomate;
constexpr int32_t kList = ParameterInfo::kCanAutomate | ParameterInfo::kIsList;
const InfoRow kGoldenInfo[] = {
    {0, "EQ all", "", 1, 1, kList},
    {1, "LSR", "", 2, 0.5, kList},
    {3, "Phase", "", 1, 0, kList},
    {6, "OUTPUT", "dB", 0, 0.5, kAuto},
    {7, "SAT", "", 1, 0, kList},
    {8, "HPF", "", 1, 0, kList},
    {9, "HPFfreq", "Hz", 22, 0, kAuto},
    {10, "LPF", "", 1, 0, kList},
    {11, "LPFfreq", "Hz", 22, 1, kAuto},
    {12, "LOW", "", 2, 1, kList},
    {13, "Lfreq", "Hz", 18, 0.5, kAuto},
    {14, "Lshp", "", 2, 0, kList},
    {15, "Lgain", "dB", 0, 0.5, kAuto},
    {16, "MID1", "", 2, 1, kList},
    {17, "Mid 1 Mfreq", "Hz", 22, 0.5, kAuto},
    {18, "Mid 1 MQ", "", 2, 0.5, kList},
    {19, "Mid 1 Mgain", "dB", 0, 0, kAuto},
    {20, "MID2", "", 2, 1, kList},
    {21, "Mid 2 Mfreq", "Hz", 22, 0.5, kAuto},
    {22, "Mid 2 MQ", "", 2, 0.5, kList},
    {23, "Mid 2 Mgain", "dB", 0, 0, kAuto},
    {24, "HIGH", "", 2, 1, kList},
    {25, "Hfreq", "Hz", 18, 0.5, kAuto},
    {26, "Hshp", "", 2, 0, kList},
    {27, "Hgain", "dB", 0, 0.5, kAuto},
    {kPresetParamId, "Preset", "", 21, 0, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList},
};

TEST_F(Controller, ParametersHaveStableIdsAndTheirFacts) {
    ASSERT_EQ(vst3->controller->getParameterCount(), (int32_t)std::size(kGoldenInfo));
    VstPlugin vst2;
    ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
    for (int i = 0; i < (int)std::size(kGoldenInfo); ++i) {
        const InfoRow& row = kGoldenInfo[i];
        ParameterInfo info{};
        ASSERT_EQ(vst3->controller->getParameterInfo(i, info), kResultOk);
        SCOPED_TRACE(row.title);
        EXPECT_EQ(info.id, row.id);
        EXPECT_EQ(toUtf8(info.title), row.title);
        EXPECT_EQ(toUtf8(info.units), row.units);
        EXPECT_EQ(info.stepCount, row.steps);
        EXPECT_EQ(info.defaultNormalizedValue, row.defaultValue);
        EXPECT_EQ(info.flags, row.flags);
        if (row.id == kPresetParamId) continue;
        // The short title is the VST 2.x name; a new instance holds the default.
        EXPECT_EQ(toUtf8(info.shortTitle), vst2.paramName((VstInt32)row.id).text);
        EXPECT_EQ((float)vst3->controller->getParamNormalized(row.id), (float)row.defaultValue);
    }
    ParameterInfo info{};
    EXPECT_NE(vst3->controller->getParameterInfo((int32_t)std::size(kGoldenInfo), info), kResultOk);
    EXPECT_NE(vst3->controller->setParamNormalized(2, 0.3), kResultOk); // a placeholder
}

// Every text a host shows is the VST 2.x face's for the same value.
TEST_F(Controller, ValueTextsAreTheVst2Texts) {
    VstPlugin vst2;
    ASSERT_EQ(vst2.load(DRAVO_PLUGIN_PATH), "");
    for (ParamID id : vst3->parameterIds()) {
        if (id == kPresetParamId) continue;
        for (double v : {0.0, 0.1, 0.24, 0.26, 0.3, 0.5, 0.74, 0.76, 0.9, 1.0}) {
            vst2.setParameter((VstInt32)id, (float)v);
            EXPECT_EQ(vst3->text(id, v), vst2.paramDisplay((VstInt32)id).text)
                << "parameter " << id << " at " << v;
        }
    }
}

// Typed values for each kind of parameter: a position's name, a number with
// or without its unit; anything else is refused.
TEST_F(Controller, TypedValuesPerKind) {
    struct Typed {
        Param p;
        const char* typed;
        const char* shown; // nullptr: refused
    };
    const Typed cases[] = {
        {Param::Master, "off", "Off  "},       {Param::Phase, "Reverse", "Reverse"},
        {Param::Channel, "left", "Left"},      {Param::LowShelfMode, "I", "I"},
        {Param::Mid1Mode, "+", "+"},           {Param::LowShelfShape, "peak", "Peak"},
        {Param::Mid2Q, "4.0", "4.0"},          {Param::HighCutFreq, "5 kHz", "5.00kHz"},
        {Param::Mid1Freq, "1400", "1.42kHz"},  {Param::LowCutFreq, "99Hz", "99Hz"},
        {Param::Output, "-3dB", "-3dB"},       {Param::HighShelfGain, "+2.5", "2.50dB"},
        {Param::Mid2Gain, "12 dB", "12.00dB"}, {Param::Mid1Freq, "3 dB", nullptr},
        {Param::Output, "99dB", nullptr},      {Param::Saturation, "maybe", nullptr},
        {Param::Mid1Gain, "", nullptr},
    };
    for (const Typed& c : cases) {
        SCOPED_TRACE(c.typed);
        String128 typed{};
        toUtf16(c.typed, typed, 128);
        double v = -1;
        const tresult r = vst3->controller->getParamValueByString((ParamID)index(c.p), typed, v);
        if (!c.shown) {
            EXPECT_NE(r, kResultOk);
            continue;
        }
        ASSERT_EQ(r, kResultOk);
        EXPECT_EQ(vst3->text((ParamID)index(c.p), v), c.shown);
    }
    // Each preset by its name.
    String128 name{};
    toUtf16("De-esser 2", name, 128);
    double v = -1;
    ASSERT_EQ(vst3->controller->getParamValueByString(kPresetParamId, name, v), kResultOk);
    EXPECT_EQ(vst3->text(kPresetParamId, v), "De-esser 2");
}

// Every step survives text -> value -> text and plain -> normalised -> plain.
TEST_F(Controller, StepsRoundTripThroughTextsAndPlainValues) {
    for (ParamID id : vst3->parameterIds()) {
        ParameterInfo info{};
        for (int i = 0; i < vst3->controller->getParameterCount(); ++i)
            if (vst3->controller->getParameterInfo(i, info) == kResultOk && info.id == id) break;
        const int steps = info.stepCount > 0 ? info.stepCount : 40; // gains: whole dB
        for (int k = 0; k <= steps; ++k) {
            const double v = (double)k / steps;
            const std::string shown = vst3->text(id, v);
            String128 typed{};
            toUtf16(shown.c_str(), typed, 128);
            double back = -1;
            ASSERT_EQ(vst3->controller->getParamValueByString(id, typed, back), kResultOk)
                << id << " " << shown;
            EXPECT_EQ(vst3->text(id, back), shown) << id;
            const double plain = vst3->controller->normalizedParamToPlain(id, v);
            EXPECT_EQ(vst3->text(id, vst3->controller->plainParamToNormalized(id, plain)), shown)
                << id << " plain " << plain;
        }
    }
}

TEST_F(Controller, PresetsAreAProgramListOfTheRootUnit) {
    UnitInfo unit{};
    ASSERT_EQ(vst3->units->getUnitCount(), 1);
    ASSERT_EQ(vst3->units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    ProgramListInfo list{};
    ASSERT_EQ(vst3->units->getProgramListCount(), 1);
    ASSERT_EQ(vst3->units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    EXPECT_EQ(list.programCount, 22);
    String128 name{};
    EXPECT_NE(vst3->units->getProgramName(list.id, 22, name), kResultOk);
    // Choosing a preset tells the host that the values changed.
    vst3->handler.taken();
    ASSERT_EQ(vst3->controller->setParamNormalized(kPresetParamId, 5 / 21.0), kResultOk);
    EXPECT_EQ(vst3->handler.restarts(kParamValuesChanged), 1);
    EXPECT_EQ(vst3->controller->getParamNormalized(kPresetParamId), 5 / 21.0);
}

// process() with automation allocates nothing.
TEST_F(Controller, ProcessAllocatesNothing) {
    for (bool doubles : {false, true}) {
        ASSERT_TRUE(vst3->start(48000, 512, true, doubles));
        std::vector<double> buffers(4 * 512, 0.25);
        double* d[4] = {&buffers[0], &buffers[512], &buffers[1024], &buffers[1536]};
        float* f[4] = {(float*)d[0], (float*)d[1], (float*)d[2], (float*)d[3]};
        AudioBusBuffers in{}, out{};
        in.numChannels = out.numChannels = 2;
        if (doubles) {
            in.channelBuffers64 = d;
            out.channelBuffers64 = d + 2;
        } else {
            in.channelBuffers32 = f;
            out.channelBuffers32 = f + 2;
        }
        ParameterChanges changes;
        for (int i = 0; i < 8; ++i)
            changes.add((ParamID)index(Param::Mid1Gain), i * 60, i / 8.0);
        changes.add((ParamID)index(Param::HighShelfFreq), 100, 0.2);
        changes.add(kPresetParamId, 0, 0.5);
        ProcessData data{};
        data.symbolicSampleSize = doubles ? kSample64 : kSample32;
        data.numSamples = 512;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &in;
        data.outputs = &out;
        data.inputParameterChanges = &changes;
        gAllocations = 0;
        tCounting = true;
        for (int i = 0; i < 20; ++i)
            vst3->processor->process(data);
        tCounting = false;
        EXPECT_EQ(gAllocations, 0);
        vst3->stop();
    }
}

// The audio thread applies automation while the host's UI thread sets values,
// reads them and saves the state (run under ThreadSanitizer).
TEST_F(Controller, AutomationBesideHostThreads) {
    ASSERT_TRUE(vst3->start(44100, 256));
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (int i = 0; !done.load(); ++i) {
            const ParamID id = (ParamID)(i % 2 ? index(Param::Mid2Gain) : index(Param::Output));
            vst3->controller->setParamNormalized(id, (i % 100) / 100.0);
            vst3->controller->getParamNormalized(id);
            if (i % 50 == 0) vst3->state();
        }
    });
    std::vector<float> buffers(4 * 256, 0.1f);
    for (int b = 0; b < 300; ++b) {
        ParameterChanges changes;
        changes.add((ParamID)index(Param::Mid2Gain), b % 256, (b % 10) / 10.0);
        changes.add((ParamID)index(Param::Master), 0, b % 2);
        vst3->process<float>({&buffers[0], &buffers[256]}, {&buffers[512], &buffers[768]}, 256,
                             &changes);
    }
    done = true;
    ui.join();
    EXPECT_EQ(vst3->controller->getParamNormalized((ParamID)index(Param::Master)), 1.0);
}

} // namespace
