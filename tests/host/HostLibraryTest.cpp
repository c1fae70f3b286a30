// The host library on its own: driven against a test peer with known answers
// and against a third-party VST 2.x equaliser from Debian's archive.
#include "host/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

const std::string kPeer = std::string(DRAVO_BINARY_DIR) + "/host/FakePeer.so";

TEST(HostLoad, RefusedFilesSayWhyAndLeaveNothingLoaded) {
    const std::string text = testing::TempDir() + "/not-a-plugin.so";
    std::ofstream(text) << "just text\n";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"/nonexistent/dir/NoSuch.so", {"/nonexistent/dir/NoSuch.so", "no such file"}},
        {"/lib/x86_64-linux-gnu/libm.so.6", {"no VSTPluginMain"}},
        {text, {"cannot load"}},
        {testing::TempDir(), {"directory"}},
    };
    for (const auto& [path, words] : cases) {
        VstPlugin p;
        std::string err = p.load(path);
        for (const auto& w : words)
            EXPECT_NE(err.find(w), std::string::npos) << path << ": " << err;
        EXPECT_FALSE(p.isLoaded()) << path;
    }
}

// A bare file name is the file in the current directory, as the user meant
// (dlopen alone searches the library path for it instead).
TEST(HostLoad, BareFileNameLoadsFromTheCurrentDirectory) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(DRAVO_BINARY_DIR "/host"), 0);
    VstPlugin p;
    std::string err = p.load("FakePeer.so");
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(p.uniqueID(), fourCC('F', 'a', 'k', 'e'));
}

TEST(HostLoad, VersionZeroGetsNoEffect) {
    VstPlugin p;
    p.setHostVersion(0);
    std::string err = p.load(kPeer);
    EXPECT_NE(err.find("returned no effect"), std::string::npos) << err;
    ASSERT_EQ(p.callbacks().size(), 1u);
    EXPECT_EQ(p.callbacks()[0].opcode, audioMasterVersion);
    EXPECT_TRUE(p.callbacks()[0].nullEffect);

    // The same answer given by a callback hook.
    VstPlugin hooked;
    hooked.setCallbackHook([](const HostCallbackRecord& r) -> std::optional<VstIntPtr> {
        if (r.opcode == audioMasterVersion) return 0;
        return std::nullopt;
    });
    err = hooked.load(kPeer);
    EXPECT_NE(err.find("returned no effect"), std::string::npos) << err;
}

TEST(HostCallbacks, LoadLogsEntryPointCallsIncludingEarlyEffectCalls) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    auto log = p.callbacks();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].opcode, audioMasterVersion);
    EXPECT_TRUE(log[0].nullEffect);
    EXPECT_EQ(log[1].opcode, audioMasterUpdateDisplay);
    EXPECT_FALSE(log[1].nullEffect);
    EXPECT_EQ(log[1].thread, std::this_thread::get_id());
    p.clearCallbacks();
    EXPECT_TRUE(p.callbacks().empty());
}

TEST(HostCallbacks, BlockSizeAnswerFollowsHostOrConfiguration) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    p.start(48000.0f, 256);
    EXPECT_EQ(p.dispatch(effVendorSpecific), 256);
    p.setHostBlockSize(0);
    p.suspend();
    p.resume();
    EXPECT_EQ(p.dispatch(effVendorSpecific), 0);
}

TEST(HostCallbacks, EditGestureIsRecordedWithArguments) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    p.clearCallbacks();
    p.editIdle();
    auto log = p.callbacks();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(log[1].opcode, audioMasterAutomate);
    EXPECT_EQ(log[1].index, 1);
    EXPECT_FLOAT_EQ(log[1].opt, 0.125f);
    EXPECT_EQ(log[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(p.callbackCount(audioMasterAutomate), 1u);
}

// A hook may call back into the plug-in, as a DAW re-reads state when it is
// told something changed; the plug-in's own callbacks from there must not
// wait on the hook that is running. Run in a child with an alarm, so a
// deadlock fails the test instead of hanging it.
TEST(HostCallbacks, HookMayCallIntoThePluginWhichCallsBack) {
    EXPECT_EXIT(
        {
            alarm(10);
            VstPlugin p;
            if (!p.load(kPeer).empty()) std::_Exit(2);
            p.start(44100.0f, 128);
            p.setCallbackHook([&p](const HostCallbackRecord& r) -> std::optional<VstIntPtr> {
                // The resume asks the host for its block size from inside the hook.
                if (r.opcode == audioMasterBeginEdit) {
                    p.suspend();
                    p.resume();
                }
                return std::nullopt;
            });
            p.setHostBlockSize(64);
            p.editIdle();
            std::_Exit(p.dispatch(effVendorSpecific) == 64 ? 0 : 3);
        },
        testing::ExitedWithCode(0), "");
}

TEST(HostText, ReportsBytesWrittenIncludingOverruns) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    PluginText name = p.paramName(1);
    EXPECT_EQ(name.text, "p1");
    EXPECT_EQ(name.written, 3u);
    PluginText longDisplay = p.paramDisplay(2);
    EXPECT_EQ(longDisplay.written, 12u);
    EXPECT_GT(longDisplay.written, static_cast<std::size_t>(kVstMaxParamStrLen));
    PluginText none = p.paramName(5);
    EXPECT_EQ(none.written, 0u);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(p.effectName().text, "Fake");
    EXPECT_EQ(p.effectName().result, 1);
}

TEST(HostAudio, PinAnswersReachTheProcessCall) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    p.start(44100.0f, 64);
    std::vector<std::vector<float>> in{{1.0f, 2.0f}, {3.0f, 4.0f}}, out;
    p.process(in, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], (std::vector<float>{2.0f, 4.0f}));
    EXPECT_EQ(out[1], (std::vector<float>{6.0f, 8.0f}));

    p.setInputConnected(1, false);
    p.setOutputConnected(1, false);
    p.process(in, out);
    EXPECT_EQ(out[1], (std::vector<float>{0.0f, 0.0f}));
    auto pins = p.callbacks(audioMasterPinConnected);
    ASSERT_GE(pins.size(), 4u);
    EXPECT_EQ(pins.back().index, 1);
    EXPECT_EQ(pins.back().value, 1); // output pin query

    p.setOutputConnected(1, true);
    std::vector<std::vector<double>> io{{0.5, 1.0}, {9.0, 9.0}};
    p.processInPlace(io);
    EXPECT_EQ(io[0], (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(io[1],
              (std::vector<double>{1.0, 2.0})); // second input unconnected: copy of the first
}

TEST(HostLifetime, CloseThroughDispatchUnloads) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    EXPECT_EQ(p.dispatch(effClose), 1);
    EXPECT_FALSE(p.isLoaded());
    EXPECT_EQ(p.dispatch(effGetTailSize), 0); // nothing to call any more
    ASSERT_EQ(p.load(kPeer), "");             // and the host can load again
    EXPECT_EQ(p.tailSize(), 7);
}

TEST(HostThreads, CallbacksFromAnAudioThreadAreLoggedWithItsId) {
    VstPlugin p;
    ASSERT_EQ(p.load(kPeer), "");
    p.start(44100.0f, 32);
    p.clearCallbacks();
    std::thread::id audioId;
    std::thread audio([&] {
        audioId = std::this_thread::get_id();
        std::vector<std::vector<float>> in(2, std::vector<float>(32, 0.1f)), out;
        for (int i = 0; i < 50; ++i)
            p.process(in, out);
    });
    for (int i = 0; i < 50; ++i) {
        p.setInputConnected(1, i % 2 == 0);
        p.editIdle();
    }
    audio.join();
    EXPECT_EQ(p.callbackCount(audioMasterPinConnected), 100u);
    EXPECT_EQ(p.callbackCount(audioMasterAutomate), 50u);
    for (const auto& r : p.callbacks(audioMasterPinConnected))
        EXPECT_EQ(r.thread, audioId);
}

// A plug-in we did not write: an LSP parametric equaliser from Debian's
// lsp-plugins-vst package, loaded, queried, run and closed as a DAW would.
TEST(HostThirdParty, DebianEqualiserLoadsProcessesAndCloses) {
    std::string path = findThirdPartyEq();
    if (path.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    VstPlugin p;
    ASSERT_EQ(p.load(path), "");
    AEffect* e = p.effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_GT(e->numParams, 16);
    EXPECT_TRUE(e->flags & effFlagsCanReplacing);
    EXPECT_NE(e->uniqueID, 0);
    EXPECT_FALSE(p.effectName().text.empty());
    EXPECT_FALSE(p.paramName(0).text.empty());
    EXPECT_GE(p.callbackCount(audioMasterVersion), 1u);

    p.start(44100.0f, 512);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<std::vector<float>> in(2, std::vector<float>(512)), out;
    double inEnergy = 0, outEnergy = 0;
    for (int block = 0; block < 40; ++block) {
        for (auto& ch : in)
            for (auto& s : ch)
                s = noise(rng);
        p.process(in, out);
        ASSERT_EQ(out.size(), 2u);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i) {
                ASSERT_TRUE(std::isfinite(out[c][i]));
                if (block >= 20) {
                    inEnergy += double(in[c][i]) * in[c][i];
                    outEnergy += double(out[c][i]) * out[c][i];
                }
            }
    }
    // All bands off by default: the equaliser passes noise at unity gain.
    EXPECT_NEAR(10 * std::log10(outEnergy / inEnergy), 0.0, 0.5);
    p.suspend();
    p.unload();
    EXPECT_FALSE(p.isLoaded());
}

} // namespace
