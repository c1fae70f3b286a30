// process() and reset() allocate nothing (operator new is counted while it runs on this
// thread, over parameter events part-way, glides, saturation, master off,
// non-finite values, 32 and 64 bits), and a host's main thread may save,
// restore and read the state while the audio thread processes with events
// (the ThreadSanitizer build runs the Threads case). Every host function the
// plug-in calls comes on the main thread (the rig checks it).
#include "clap/ClapRig.h"

#include "model/Parameters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "AllocationCounter.h"

using namespace dravo;
using claprig::Instance;
using claprig::ParamEvent;

namespace {

constexpr const char* kIds[] = {"com.veyaudioworks.dravo.stereo", "com.veyaudioworks.dravo.mono"};

ParamEvent at(uint32_t time, Param p, double normalised) {
    return {time, (clap_id)index(p), realValueOf(p, (float)normalised)};
}

template <typename T> void processWithoutAllocating(Instance& clap, int channels) {
    std::vector<T> l(8192, (T)0.25), r(8192, (T)-0.5);
    std::vector<T*> io{l.data(), r.data()};
    io.resize(channels);
    clap.process(io, io, 64);
    for (int k = 0; k < 8; ++k) {
        const std::vector<ParamEvent> events = {
            at(0, Param::Mid1Mode, 1.0),
            at(0, Param::Master, k == 5 ? 0.0 : 1.0),
            {3, (clap_id)index(Param::Output), k == 6 ? NAN : 3.0},
            at(7, Param::Mid1Freq, k / 8.0),
            at(7, Param::HighCutOn, k % 2),
            at(50, Param::Saturation, k % 3 == 0),
            {60, 999, 1.0}, // no such parameter
        };
        std::fill(l.begin(), l.end(), (T)(k == 7 ? 4 : 0.25));
        for (uint32_t frames : {0u, 1u, 100u, 8192u}) {
            const claprig::ProcessCall call(io, io, frames, events, nullptr);
            tCounting = true;
            clap.plugin->process(clap.plugin, call.get());
            if (frames == 1) clap.plugin->reset(clap.plugin);
            tCounting = false;
        }
    }
}

TEST(ClapProcess, AllocatesNothing) {
    for (int v = 0; v < 2; ++v) {
        Instance clap(kIds[v]);
        ASSERT_TRUE(clap.activate(44100));
        ASSERT_TRUE(clap.startProcessing());
        processWithoutAllocating<float>(clap, 2 - v);
        processWithoutAllocating<double>(clap, 2 - v);
    }
    EXPECT_EQ(gAllocations, 0);
}

TEST(ClapThreads, StateSavedRestoredAndReadWhileTheAudioThreadProcesses) {
    Instance clap(kIds[0]);
    ASSERT_TRUE(clap.activate(48000));
    const std::vector<unsigned char> bank = clap.save();
    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        ASSERT_TRUE(clap.startProcessing());
        std::vector<float> l(64), r(64);
        std::vector<float*> io{l.data(), r.data()};
        for (int block = 0; !stop.load() || block < 200; ++block) {
            std::fill(l.begin(), l.end(), 0.3f);
            std::fill(r.begin(), r.end(), -0.3f);
            const std::vector<ParamEvent> events = {
                at(0, Param::Mid1Mode, 1.0),
                at(10, Param::Mid1Gain, (block % 5) / 4.0),
                at(20, Param::Channel, (block % 3) / 2.0),
                at(30, Param::HighShelfFreq, (block % 7) / 6.0),
            };
            clap.process(io, io, 64, events);
            finite = finite && std::isfinite(l[63]) && std::isfinite(r[63]);
        }
        clap.stopProcessing();
    });
    for (int round = 0; round < 200; ++round) {
        const std::vector<unsigned char> saved = clap.save();
        EXPECT_EQ(saved.size(), bank.size());
        EXPECT_TRUE(clap.load(round % 2 ? bank : saved));
        for (clap_id id : {0u, 1u, 19u, 25u})
            clap.text(id, clap.value(id));
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(finite);
}

} // namespace
