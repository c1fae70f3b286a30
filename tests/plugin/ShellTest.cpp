// The built plug-in as a host sees it: identity, opcode answers, pins,
// speaker arrangements, lifecycle and latency.
#include "host/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
class Shell : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), ""); }
    VstPlugin plugin;
};
} // namespace

TEST(ShellEntry, HostAnsweringVersionZeroGetsNoEffect) {
    VstPlugin plugin;
    plugin.setHostVersion(0);
    EXPECT_NE(plugin.load(DRAVO_PLUGIN_PATH), "");
    EXPECT_FALSE(plugin.isLoaded());
}

// No function, vtable or type information of the toolkit, the editor or the
// engine leaks out; only the linker's own section marks stand beside the entry.
TEST(ShellEntry, OnlyTheEntryPointIsExported) {
    std::string cmd = std::string("nm -D --defined-only '") + DRAVO_PLUGIN_PATH + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512];
    std::string symbols;
    while (std::fgets(line, sizeof line, pipe)) {
        char addr[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", addr, type, name) == 3 &&
            std::strcmp(name, "__bss_start") != 0 && std::strcmp(name, "_edata") != 0 &&
            std::strcmp(name, "_end") != 0)
            symbols += std::string(name) + " ";
    }
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, "VSTPluginMain ");
}

TEST_F(Shell, IdentityRightAfterCreation) {
    AEffect* e = plugin.effect();
    EXPECT_EQ(e->magic, fourCC('V', 's', 't', 'P'));
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numParams, 38);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->flags, 4145);
    EXPECT_EQ(e->initialDelay, 46);
    EXPECT_EQ(e->uniqueID, fourCC('Z', 'k', 'V', 'w'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    for (char c : e->future)
        EXPECT_EQ(c, 0);
}

TEST_F(Shell, OpcodeAnswers) {
    EXPECT_EQ(plugin.dispatch(effIdentify), fourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(plugin.open(), 0);
    EXPECT_EQ(plugin.dispatch(effSetProgram, 0, 0), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin.tailSize(), 1024);
    EXPECT_EQ(plugin.plugCategory(), 4);
    EXPECT_EQ(plugin.vendorVersion(), 1800);
    EXPECT_EQ(plugin.vstVersion(), 2400);
    EXPECT_EQ(plugin.dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(plugin.dispatch(effProcessEvents), 0);
    char text[64] = "0.5";
    EXPECT_EQ(plugin.dispatch(effString2Parameter, 9, 0, text), 0);
    for (int i = -1; i < 45; ++i)
        EXPECT_EQ(plugin.dispatch(effCanBeAutomated, i), 1) << i;
    for (int op :
         {9, 16, 17, 18, 20, 21, 28, 30, 36, 43, 46, 50, 53, 57, 62, 70, 71, 77, 79, 80, 200, -1})
        EXPECT_EQ(plugin.dispatch(op), 0) << "opcode " << op;

    PluginText name = plugin.effectName();
    EXPECT_EQ(name.result, 1);
    EXPECT_EQ(name.text, "Vey Dravo");
    EXPECT_LE(name.written, 32u);
    PluginText product = plugin.productString();
    EXPECT_EQ(product.result, 1);
    EXPECT_EQ(product.text, "Vey Dravo - parametric channel eq");
    EXPECT_LE(product.written, 64u);
    PluginText vendor = plugin.vendorString();
    EXPECT_EQ(vendor.result, 1);
    EXPECT_FALSE(vendor.text.empty());
    EXPECT_LE(vendor.written, 64u);

    ERect* rect = plugin.editGetRect();
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 940);
    EXPECT_EQ(rect->bottom - rect->top, 248);

    VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(1);
    VstSpeakerArrangement* out = reinterpret_cast<VstSpeakerArrangement*>(1);
    EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out),
              0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Shell, CanDoAnswersExactlyFiveTexts) {
    for (const char* yes : {"offline", "plugAsChannelInsert", "mixDryWet", "1in1out", "2in2out"})
        EXPECT_EQ(plugin.canDo(yes), 1) << yes;
    for (const char* no :
         {"receiveVstMidiEvent", "bypass", "sendVstEvents", "2in2OUT", "", "offline ", "1in2out"})
        EXPECT_EQ(plugin.canDo(no), 0) << no;
}

TEST_F(Shell, PinsAndTheirLabels) {
    auto in0 = plugin.inputProperties(0), in1 = plugin.inputProperties(1);
    auto out0 = plugin.outputProperties(0), out1 = plugin.outputProperties(1);
    ASSERT_TRUE(in0 && in1 && out0 && out1);
    EXPECT_STREQ(in0->label, "Vey Dravo 1 In");
    EXPECT_STREQ(in1->label, "Vey Dravo 2 In");
    EXPECT_STREQ(out0->label, "Vey Dravo 1 Out");
    EXPECT_STREQ(out1->label, "Vey Dravo 2 Out");
    EXPECT_EQ(in0->flags, 3);
    EXPECT_EQ(in1->flags, 1);
    EXPECT_EQ(out0->flags, 3);
    EXPECT_EQ(out1->flags, 1);
    EXPECT_FALSE(plugin.inputProperties(2));
    EXPECT_FALSE(plugin.outputProperties(-1));
    EXPECT_FALSE(plugin.outputProperties(1000));
}

TEST_F(Shell, SpeakerArrangements) {
    EXPECT_EQ(plugin.setSpeakerArrangement(1, 1), 1);
    EXPECT_EQ(plugin.setSpeakerArrangement(1, 2), 1);
    EXPECT_EQ(plugin.setSpeakerArrangement(2, 2), 1);
    EXPECT_EQ(plugin.setSpeakerArrangement(2, 1), 0);
    EXPECT_EQ(plugin.setSpeakerArrangement(6, 6), 0);
    EXPECT_EQ(plugin.dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 0);
}

// The second input counts only while it is connected and the input
// arrangement is stereo; otherwise both outputs carry the first input,
// processed. Both sample formats.
TEST_F(Shell, TheSecondInputCountsOnlyWhenConnectedAndStereo) {
    auto run = [&](auto sample, int inputs, bool connected) {
        using T = decltype(sample);
        auto p = std::make_unique<VstPlugin>();
        EXPECT_EQ(p->load(DRAVO_PLUGIN_PATH), "");
        p->setSpeakerArrangement(inputs, 2);
        p->setInputConnected(1, connected);
        p->start(44100.0f, 256);
        std::vector<std::vector<T>> in(2, std::vector<T>(256, 0)), out;
        for (size_t i = 0; i < in[0].size(); ++i)
            in[0][i] = (T)(0.5 * std::sin(0.05 * (double)i));
        p->process(in, out);
        return out;
    };
    const struct {
        int inputs;
        bool connected;
        bool secondCounts;
    } cases[] = {{2, true, true}, {2, false, false}, {1, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.inputs) + (c.connected ? " connected" : " unconnected"));
        const auto f = run(0.0f, c.inputs, c.connected);
        const auto d = run(0.0, c.inputs, c.connected);
        EXPECT_EQ(f[1] == f[0], !c.secondCounts);
        EXPECT_EQ(d[1] == d[0], !c.secondCounts);
    }
}

TEST_F(Shell, ResumeReportsLatencyForTheValidatedRate) {
    plugin.start(48000.0f, 512);
    EXPECT_EQ(plugin.latency(), 48); // (48000 / 1500 = 32, made odd: 33) div 2 + 32
    plugin.suspend();
    plugin.setSampleRate(10000.0f); // implausible: runs at 44100
    plugin.resume();
    EXPECT_EQ(plugin.latency(), 46);
    plugin.suspend();
    plugin.setSampleRate(96000.0f);
    plugin.resume();
    EXPECT_EQ(plugin.latency(), 64 / 2 + 32); // 96000 / 1500 = 64, made odd: 65
    plugin.suspend();
    plugin.setSampleRate(192000.0f);
    plugin.resume();
    EXPECT_EQ(plugin.latency(), 129 / 2 + 32);
}

TEST_F(Shell, ResumeAsksTheHostForBlockSizeAndLatency) {
    plugin.clearCallbacks();
    plugin.setHostBlockSize(256);
    plugin.resume();
    EXPECT_EQ(plugin.callbackCount(audioMasterGetBlockSize), 1u);
    EXPECT_EQ(plugin.callbackCount(audioMasterGetOutputLatency), 1u);
    EXPECT_EQ(plugin.callbackCount(audioMasterIOChanged), 0u);
    EXPECT_EQ(plugin.callbackCount(audioMasterSizeWindow), 0u);
}

TEST_F(Shell, EveryProcessCallAsksForPinsThreeTimes) {
    plugin.start(44100.0f, 64);
    std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.1f)), out;
    for (int precision = 0; precision < 2; ++precision) {
        plugin.clearCallbacks();
        if (precision == 0) {
            plugin.process(in, out);
        } else {
            std::vector<std::vector<double>> din(2, std::vector<double>(64, 0.1)), dout;
            plugin.process(din, dout);
        }
        auto pins = plugin.callbacks(audioMasterPinConnected);
        ASSERT_EQ(pins.size(), 3u);
        int inputQueries = 0, outputQueries = 0;
        for (auto& c : pins) {
            EXPECT_EQ(c.index, 1);
            (c.value == 0 ? inputQueries : outputQueries)++;
        }
        EXPECT_EQ(inputQueries, 2);
        EXPECT_EQ(outputQueries, 1);
    }
}
