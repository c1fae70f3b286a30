// processReplacing and processDoubleReplacing reach the four processing loops
// through the effect's own (overridable) loop operations, chosen per call from
// the second input pin and the input arrangement.
#include "plugin/Dravo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {
bool secondInputConnected = true;

VstIntPtr pinHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterPinConnected) return secondInputConnected ? 0 : 1;
    return 0;
}

// Records which loop ran, then runs it.
class RecordingDravo : public Dravo {
  public:
    using Dravo::Dravo;
    std::string last;
    void processLoopFast(float** in, float** out, VstInt32 n) override {
        last = "Fast";
        Dravo::processLoopFast(in, out, n);
    }
    void processLoopFastDouble(double** in, double** out, VstInt32 n) override {
        last = "FastDouble";
        Dravo::processLoopFastDouble(in, out, n);
    }
    void processLoopFastMono(float** in, float** out, VstInt32 n) override {
        last = "FastMono";
        Dravo::processLoopFastMono(in, out, n);
    }
    void processLoopFastDoubleMono(double** in, double** out, VstInt32 n) override {
        last = "FastDoubleMono";
        Dravo::processLoopFastDoubleMono(in, out, n);
    }
};
} // namespace

TEST(LoopDispatch, ProcessCallsGoThroughTheLoopOperations) {
    auto effect = std::make_unique<RecordingDravo>(pinHost);
    effect->setSampleRate(44100);
    effect->resume();
    std::vector<float> f0(32, 0.25f), f1(32, 0.5f);
    std::vector<double> d0(32, 0.25), d1(32, 0.5);
    float* fio[2] = {f0.data(), f1.data()};
    double* dio[2] = {d0.data(), d1.data()};

    secondInputConnected = true;
    effect->processReplacing(fio, fio, 32);
    EXPECT_EQ(effect->last, "Fast");
    effect->processDoubleReplacing(dio, dio, 32);
    EXPECT_EQ(effect->last, "FastDouble");

    secondInputConnected = false;
    effect->processReplacing(fio, fio, 32);
    EXPECT_EQ(effect->last, "FastMono");
    effect->processDoubleReplacing(dio, dio, 32);
    EXPECT_EQ(effect->last, "FastDoubleMono");

    // A mono input arrangement selects the mono loops with the pin connected.
    secondInputConnected = true;
    VstSpeakerArrangement mono{};
    mono.numChannels = 1;
    effect->setSpeakerArrangement(&mono, &mono);
    effect->processReplacing(fio, fio, 32);
    EXPECT_EQ(effect->last, "FastMono");
    effect->processDoubleReplacing(dio, dio, 32);
    EXPECT_EQ(effect->last, "FastDoubleMono");
}
