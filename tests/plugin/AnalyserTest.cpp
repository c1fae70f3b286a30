// The output analyser through the VST 2.x effect and its editor adapter: on,
// the samples the editor takes are the mean of the output channels, block
// after block, for either sample type and arrangement; off, none are kept.
// process allocates nothing with the analyser on.
#include "model/EditController.h"
#include "vst/Dravo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "AllocationCounter.h"

using namespace dravo;

namespace {
VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Processes blocks of n frames through the effect's entry point; appends
// to expected what the editor should take: the mean of the outputs.
template <typename T>
void processBlocks(AEffect* e, int blocks, int n, bool stereo, std::vector<float>& expected) {
    std::vector<T> inL(n), inR(n), outL(n), outR(n);
    T* in[2] = {inL.data(), inR.data()};
    T* out[2] = {outL.data(), outR.data()};
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < n; ++i) {
            inL[i] = (T)(0.5 * std::sin(0.01 * (b * n + i)));
            inR[i] = (T)(0.25 * std::sin(0.037 * (b * n + i)));
        }
        tCounting = true;
        if constexpr (sizeof(T) == sizeof(double))
            e->processDoubleReplacing(e, in, out, n);
        else
            e->processReplacing(e, in, out, n);
        tCounting = false;
        for (int i = 0; i < n; ++i)
            expected.push_back(stereo ? (float)((outL[i] + outR[i]) / 2) : (float)outL[i]);
    }
}

template <typename T> void checkAnalyser(bool stereo) {
    auto effect = std::make_unique<Dravo>(quietHost);
    if (!stereo) {
        VstSpeakerArrangement mono{};
        mono.numChannels = 1;
        ASSERT_TRUE(effect->setSpeakerArrangement(&mono, &mono));
    }
    effect->setSampleRate(48000.0f);
    effect->resume();
    auto* editor = dynamic_cast<EditController*>(effect->getEditor());
    ASSERT_NE(editor, nullptr);
    AEffect* e = effect->getAeffect();
    std::vector<float> expected, taken(8192);

    processBlocks<T>(e, 1, 500, stereo, expected);
    EXPECT_EQ(editor->takeOutputSamples(taken.data(), 8192), 0) << "before on";

    expected.clear();
    editor->setAnalyserOn(true);
    processBlocks<T>(e, 3, 700, stereo, expected);
    taken.resize((size_t)editor->takeOutputSamples(taken.data(), 8192));
    EXPECT_EQ(taken, expected);
    EXPECT_NE(expected.back(), 0.0f);

    editor->setAnalyserOn(false);
    processBlocks<T>(e, 1, 500, stereo, expected);
    float after[1];
    EXPECT_EQ(editor->takeOutputSamples(after, 1), 0) << "after off";
}

TEST(Analyser, TheEditorTakesTheMeanOfTheOutputWhileOn) {
    for (bool stereo : {true, false}) {
        SCOPED_TRACE(stereo ? "stereo" : "mono");
        checkAnalyser<float>(stereo);
        checkAnalyser<double>(stereo);
    }
    EXPECT_EQ(gAllocations, 0) << "process allocated";
}

} // namespace
