// The output samples for the editor's analyser: after the editor's Analyser
// "on" message, run() sends them in small Samples messages, in order, each
// the mean of the output channels; none before "on" and none after "off".
#include "lv2/Lv2Rig.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"

#include <lv2/atom/forge.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace dravo;

namespace {

// Queues the editor's Analyser message.
void sendAnalyser(lv2rig::Instance& lv2, bool on) {
    const lv2::Uris uri = lv2::mapUris(lv2rig::uridMap());
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, lv2rig::uridMap());
    alignas(8) uint8_t buffer[64];
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
    ASSERT_TRUE(lv2::forgeAnalyser(forge, uri, on));
    lv2.send(reinterpret_cast<const LV2_Atom*>(buffer));
}

// Runs one block of n frames; appends the samples of the Samples messages
// it sent to sent, and the mean of its output to mean. Answers how many
// Samples messages came.
int runBlock(lv2rig::Instance& lv2, int n, std::vector<float>& sent, std::vector<float>& mean) {
    static int block = 0;
    const int channels = lv2.channels();
    std::vector<std::vector<float>> in(channels, std::vector<float>(n)), out = in;
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < n; ++i)
            in[c][i] = (float)(0.5 * std::sin(0.01 * (c + 1) * (block * n + i)));
    ++block;
    std::vector<float*> ins, outs;
    for (int c = 0; c < channels; ++c) {
        ins.push_back(in[c].data());
        outs.push_back(out[c].data());
    }
    lv2.run(ins, outs, (uint32_t)n);
    for (int i = 0; i < n; ++i)
        mean.push_back(channels == 2 ? (out[0][i] + out[1][i]) / 2 : out[0][i]);
    const lv2::Uris uri = lv2::mapUris(lv2rig::uridMap());
    int messages = 0;
    for (const auto& atom : lv2.notifications()) {
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(atom.data());
        const float* samples = nullptr;
        uint32_t count = 0;
        if (obj->atom.type != uri.object || !lv2::readSamples(obj, uri, samples, count)) continue;
        EXPECT_LE(atom.size(), lv2rig::kSmallMessage) << "a small message";
        sent.insert(sent.end(), samples, samples + count);
        ++messages;
    }
    return messages;
}

TEST(Lv2Analyser, SamplesGoToTheEditorOnlyWhileItAsks) {
    for (const auto& v : lv2::kVariants) {
        SCOPED_TRACE(v.uri);
        lv2rig::Instance lv2(v.uri, 48000);
        lv2.activate();
        std::vector<float> sent, mean;
        EXPECT_EQ(runBlock(lv2, 700, sent, mean), 0) << "before on";

        sendAnalyser(lv2, true);
        sent.clear();
        mean.clear();
        for (int n : {700, 64, 1500})
            EXPECT_GT(runBlock(lv2, n, sent, mean), 0);
        EXPECT_EQ(sent, mean);
        ASSERT_FALSE(mean.empty());
        EXPECT_NE(mean.back(), 0.0f);

        sendAnalyser(lv2, false);
        EXPECT_EQ(runBlock(lv2, 700, sent, mean), 0) << "after off";
    }
}

} // namespace
