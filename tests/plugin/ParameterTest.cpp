// Parameter names, values and texts through the built plug-in, and the
// derived engine values on the effect object itself.
#include "host/VstHost.h"
#include "vst/Dravo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

using namespace dravo;

namespace {
struct Row {
    const char* name;
    const char* at0;
    const char* atHalf;
    const char* at1;
};

// Name and display text of every index at 0, 0.5 and 1.
const Row kRows[38] = {
    {"EQ all", "Off  ", "On   ", "On   "},
    {"LSR", "Right", "Stereo", "Left"},
    {"", "", "", ""},
    {"Phase", "Normal", "Reverse", "Reverse"},
    {"", "", "", ""},
    {"", "", "", ""},
    {"OUTPUT", "-20dB", "0dB", "20dB"},
    {"SAT", "Off", "Sat", "Sat"},
    {"HPF", "Off  ", "On   ", "On   "},
    {"HPFfreq", "12Hz", "158Hz", "2.00kHz"},
    {"LPF", "Off  ", "On   ", "On   "},
    {"LPFfreq", "625Hz", "4.20kHz", "28.3kHz"},
    {"LOW", "II", "0", "I"},
    {"Lfreq", "22Hz", "105Hz", "500Hz"},
    {"Lshp", "Shelf", "Steep", "Peak"},
    {"Lgain", "-10.00dB", "0.00dB", "10.00dB"},
    {"MID1", "-", "0", "+"},
    {"Mfreq", "71Hz", "895Hz", "11.4kHz"},
    {"MQ", "0.7", "2.0", "4.0"},
    {"Mgain", "0.00dB", "10.00dB", "20.00dB"},
    {"MID2", "-", "0", "+"},
    {"Mfreq", "100Hz", "1.27kHz", "16.1kHz"},
    {"MQ", "0.7", "2.0", "4.0"},
    {"Mgain", "0.00dB", "10.00dB", "20.00dB"},
    {"HIGH", "II", "0", "I"},
    {"Hfreq", "3.15kHz", "8.91kHz", "25.2kHz"},
    {"Hshp", "Shelf", "Steep", "Peak"},
    {"Hgain", "-10.00dB", "0.00dB", "10.00dB"},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
    {"", "", "", ""},
};

class Params : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), ""); }
    std::string show(int index, float v) {
        plugin.setParameter(index, v);
        return plugin.paramDisplay(index).text;
    }
    VstPlugin plugin;
};

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}
} // namespace

TEST_F(Params, NamesAndTextsAtZeroHalfAndOne) {
    for (int i = 0; i < 38; ++i) {
        PluginText name = plugin.paramName(i);
        EXPECT_EQ(name.text, kRows[i].name) << i;
        EXPECT_LE(name.written, 8u) << i;
        EXPECT_EQ(plugin.paramLabel(i).text, "") << i;
        const char* expected[3] = {kRows[i].at0, kRows[i].atHalf, kRows[i].at1};
        const float values[3] = {0.0f, 0.5f, 1.0f};
        for (int k = 0; k < 3; ++k) {
            plugin.setParameter(i, values[k]);
            EXPECT_EQ(plugin.getParameter(i), values[k]) << i;
            PluginText text = plugin.paramDisplay(i);
            EXPECT_EQ(text.text, expected[k]) << "index " << i << " at " << values[k];
            EXPECT_LE(text.written, 9u) << i;
        }
    }
}

TEST_F(Params, TextsAtTheEdges) {
    EXPECT_EQ(show(6, 0.4985f), "-0dB");
    EXPECT_EQ(show(6, 0.503f), "0dB");
    EXPECT_EQ(show(19, 0.625f), "12.50dB");
    EXPECT_EQ(show(15, 0.5625f), "1.25dB");
    EXPECT_EQ(show(18, 0.3f), "2.0");
    EXPECT_EQ(show(18, 0.2f), "0.7");
    EXPECT_EQ(show(22, 0.8f), "4.0");
    EXPECT_EQ(show(1, 0.25f), "Stereo");
    EXPECT_EQ(show(1, 0.75f), "Left");
    EXPECT_EQ(show(1, 0.2499f), "Right");
    EXPECT_EQ(show(9, 1.5f), "2.00kHz");
    EXPECT_EQ(show(9, -0.2f), "12Hz");
    EXPECT_EQ(show(11, 1e30f), "28.3kHz");
    EXPECT_EQ(show(25, -1e30f), "3.15kHz");
    EXPECT_EQ(show(0, 0.4999f), "Off  ");
    EXPECT_EQ(show(7, 0.5f), "Sat");
    // A switch position outside its range leaves the host's buffer untouched.
    for (int i : {3, 12, 14, 16, 20, 24, 26}) {
        plugin.setParameter(i, 2.0f);
        EXPECT_EQ(plugin.paramDisplay(i).written, 0u) << i;
        plugin.setParameter(i, -2.0f);
        EXPECT_EQ(plugin.paramDisplay(i).written, 0u) << i;
    }
}

TEST_F(Params, OutOfRangeIndicesAreHarmless) {
    for (int i : {-1, 38, 40, 1000, -100000}) {
        plugin.setParameter(i, 0.5f);
        EXPECT_EQ(plugin.getParameter(i), 0.0f) << i;
        EXPECT_EQ(plugin.paramName(i).text, "") << i;
        EXPECT_EQ(plugin.paramDisplay(i).text, "") << i;
        EXPECT_EQ(plugin.paramLabel(i).text, "") << i;
        EXPECT_FALSE(plugin.parameterProperties(i)) << i;
    }
}

TEST_F(Params, SwitchPropertiesOnlyForTheFiveSwitches) {
    for (int i = 0; i < 38; ++i) {
        auto p = plugin.parameterProperties(i);
        bool isSwitch = i == 0 || i == 3 || i == 7 || i == 8 || i == 10;
        ASSERT_EQ(bool(p), isSwitch) << i;
        if (!p) continue;
        EXPECT_EQ(p->flags, 5);
        EXPECT_EQ(p->stepFloat, 1.0f);
        EXPECT_EQ(p->smallStepFloat, 1.0f);
        EXPECT_EQ(p->largeStepFloat, 1.0f);
        EXPECT_STREQ(p->label, kRows[i].name);
        EXPECT_EQ(std::string(p->shortLabel, strnlen(p->shortLabel, 8)),
                  std::string(kRows[i].name).substr(0, 7));
    }
}

TEST_F(Params, NonFiniteValuesAreIgnoredAndHugeOnesAreDefined) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    plugin.start(44100.0f, 64);
    for (int i = 0; i < 38; ++i) {
        plugin.setParameter(i, 0.5f);
        std::string before = plugin.paramDisplay(i).text;
        for (float bad : {nan, inf, -inf}) {
            plugin.setParameter(i, bad);
            EXPECT_EQ(plugin.getParameter(i), 0.5f) << i;
            EXPECT_EQ(plugin.paramDisplay(i).text, before) << i;
        }
        for (float huge : {3e9f, -3e9f, 1e38f, -1e38f}) {
            plugin.setParameter(i, huge);
            EXPECT_EQ(plugin.getParameter(i), huge) << i; // reported back unclamped
            EXPECT_LE(plugin.paramDisplay(i).written, 9u) << i;
        }
        plugin.setParameter(i, 0.5f);
    }
    std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.25f)), out;
    plugin.process(in, out);
    for (auto& channel : out)
        for (float s : channel)
            EXPECT_TRUE(std::isfinite(s));
}

// The derived engine values, read on the effect object.
TEST(ParamEngineValues, QuantisersAndTables) {
    auto effect = std::make_unique<Dravo>(quietHost);
    auto at = [&](int index, float v) {
        effect->setParameter(index, v);
        return effect->getEngineValue(index);
    };
    EXPECT_EQ(at(9, 0.5f), 157.5);
    EXPECT_EQ(at(9, 1.5f), 2000.0);
    EXPECT_EQ(at(9, -0.2f), 12.4);
    EXPECT_EQ(at(13, 0.5f), 105.1);
    EXPECT_EQ(at(25, 1.0f), 25198.0);
    EXPECT_EQ(at(17, 0.5f), 895.0);
    EXPECT_EQ(at(21, 0.5f), 1266.0);
    EXPECT_EQ(at(11, 1.0f), 28284.0);
    EXPECT_EQ(at(6, 0.503f), 1.0);                                // trunc(80.48) = 80: 0 dB
    EXPECT_NEAR(at(6, 0.507f), std::pow(2.0, 0.25 / 6.0), 1e-12); // +0.25 dB
    EXPECT_NEAR(at(6, 0.0f), 0.0992, 1e-4);
    EXPECT_NEAR(at(6, 1.0f), 10.0794, 1e-4);
    EXPECT_EQ(at(15, 0.0f), -10.0);
    EXPECT_NEAR(at(27, 0.5f + 1.0f / 160.0f), 0.125, 1e-12);
    EXPECT_EQ(at(19, 0.625f), 12.5);
    EXPECT_EQ(at(18, 0.3f), 0.473757);
    EXPECT_EQ(at(18, 0.5f), 1.13136);
    EXPECT_EQ(at(22, 0.75f), 2.5);
    EXPECT_EQ(at(22, 0.7499f), 1.13136);
    EXPECT_EQ(at(3, 0.4999f), 0.0);
    EXPECT_EQ(at(3, 0.5f), 1.0);
    EXPECT_EQ(at(12, 0.2499f), 0.0);
    EXPECT_EQ(at(12, 0.25f), 1.0);
    EXPECT_EQ(at(12, 0.75f), 2.0);
    EXPECT_EQ(at(12, 2.0f), 4.0);                                      // passed on unclamped
    EXPECT_EQ(at(14, 1e30f), (double)std::numeric_limits<int>::max()); // saturates
    EXPECT_EQ(at(26, -1e30f), (double)std::numeric_limits<int>::min());
    EXPECT_EQ(at(0, 0.5f), 1.0);
    EXPECT_EQ(at(7, 0.4999f), 0.0);
}

TEST(ParamEngineValues, GlobalParametersGoIntoEveryPreset) {
    auto effect = std::make_unique<Dravo>(quietHost);
    effect->setParameter(0, 0.0f);
    effect->setParameter(1, 0.8f);
    effect->setParameter(9, 0.3f);
    for (int p = 0; p < 22; ++p) {
        EXPECT_EQ(effect->getPresets()[p].values[0], 0.0f) << p;
        EXPECT_EQ(effect->getPresets()[p].values[1], 0.8f) << p;
    }
    // Other parameters go into the current preset only.
    EXPECT_EQ(effect->getPresets()[effect->getPresetNo()].values[9], 0.3f);
    int other = effect->getPresetNo() == 0 ? 1 : 0;
    EXPECT_NE(effect->getPresets()[other].values[9], 0.3f);
    // Recalling another preset leaves the global parameters as they are.
    effect->setPresetNo(other);
    EXPECT_EQ(effect->getParameter(0), 0.0f);
    EXPECT_EQ(effect->getParameter(1), 0.8f);
}

TEST(ParamEngineValues, ConstructionAppliesTheDefaultPreset) {
    auto effect = std::make_unique<Dravo>(quietHost);
    EXPECT_EQ(effect->getPresetNo(), 0);
    EXPECT_EQ(effect->getEngineValue(0), 1.0);      // EQ all on
    EXPECT_EQ(effect->getEngineValue(11), 28284.0); // LPFfreq at 1
    EXPECT_EQ(effect->getEngineValue(13), 105.1);
    EXPECT_EQ(effect->getEngineValue(17), 895.0);
    EXPECT_EQ(effect->getEngineValue(21), 1266.0);
    EXPECT_EQ(effect->getEngineValue(25), 8909.0);
    EXPECT_EQ(effect->getEngineValue(6), 1.0);
}
