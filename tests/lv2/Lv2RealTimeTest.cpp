// run() allocates nothing (operator new is counted while it runs on this
// thread, over port changes, glides, saturation, master off, non-finite
// values and the analyser's samples sent to the editor, with redraw requests
// to Ardour's inline display, whose render allocates nothing either), and
// ports written from another thread while run() runs are race-free (the
// ThreadSanitizer build runs the Threads case).
#include "lv2/InlineDisplayRig.h"
#include "lv2/Lv2Rig.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"
#include "model/FactoryPresets.h"
#include "model/ProgramStore.h"

#include <lv2/atom/atom.h>
#include <lv2/worker/worker.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <thread>

#include "AllocationCounter.h"

using namespace dravo;

namespace {

// Port values that move every section: a step of the parameter's range.
float portAt(Param p, double normalised) {
    return (float)realValueOf(p, normalised);
}

TEST(Lv2Run, AllocatesNothing) {
    std::vector<float> l(8192, 0.25f), r(8192, -0.5f);
    const std::vector<float*> io{l.data(), r.data()};
    alignas(8) uint8_t on[64];
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, lv2rig::uridMap());
    lv2_atom_forge_set_buffer(&forge, on, sizeof on);
    ASSERT_TRUE(lv2::forgeAnalyser(forge, lv2::mapUris(lv2rig::uridMap()), true));
    const auto* analyserOn = reinterpret_cast<const LV2_Atom*>(on);
    for (const auto& v : lv2::kVariants) {
        lv2rig::QueueDraw queue;
        lv2rig::Instance lv2(v.uri, 44100, false, &queue.feature);
        lv2.activate();
        lv2rig::render(lv2, 100, 50);
        // Counting starts after the instance has taken what it needs.
        lv2.run(io, io, 64);
        for (int k = 0; k < 8; ++k) {
            lv2.port(Param::Mid1Mode) = 2;
            lv2.port(Param::Mid1Freq) = portAt(Param::Mid1Freq, k / 8.0);
            lv2.port(Param::HighCutOn) = (float)(k % 2);
            lv2.port(Param::Saturation) = k % 3 == 0 ? 1.0f : 0.0f;
            lv2.port(Param::Master) = k == 5 ? 0.0f : 1.0f;
            lv2.port(Param::Output) = k == 6 ? std::numeric_limits<float>::quiet_NaN() : 3.0f;
            // A block that clips is told on the message output; from the
            // fourth round on, the output samples go to the editor's analyser.
            std::fill(l.begin(), l.end(), k == 7 ? 4.0f : 0.25f);
            if (k == 3) lv2.send(analyserOn);
            for (uint32_t frames : {0u, 1u, 100u, 8192u}) {
                tCounting = true;
                lv2.run(io, io, frames);
                tCounting = false;
            }
            const auto* display = static_cast<const lv2::InlineDisplayInterface*>(
                lilv_instance_get_extension_data(lv2.lilv(), lv2::kInlineDisplayInterfaceUri));
            ASSERT_NE(display, nullptr);
            tCounting = true;
            display->render(lilv_instance_get_handle(lv2.lilv()), 100 + k, 50);
            tCounting = false;
        }
        EXPECT_GE(queue.calls.load(), 7) << v.uri;
    }
    EXPECT_EQ(gAllocations, 0);
}

TEST(Lv2Threads, PortsWrittenFromAnotherThreadWhileRunRuns) {
    lv2rig::Instance lv2(lv2::kVariants[0].uri, 48000);
    lv2.activate();
    std::vector<float*> ports;
    std::vector<Param> params;
    for (const ParamInfo& p : kParams)
        if (isActive(p.id)) {
            ports.push_back(&lv2.port(p.id));
            params.push_back(p.id);
        }
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int round = 0; !stop.load(); ++round)
            for (size_t i = 0; i < ports.size(); ++i) {
                float v = portAt(params[i], ((round + (int)i) % 5) / 4.0);
                __atomic_store(ports[i], &v, __ATOMIC_RELAXED);
            }
    });
    std::vector<float> l(64), r(64);
    bool finite = true;
    for (int block = 0; block < 3000; ++block) {
        for (int i = 0; i < 64; ++i)
            l[i] = r[i] = std::sin(0.05f * (float)(block * 64 + i));
        lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64);
        for (int i = 0; i < 64; ++i)
            finite = finite && std::isfinite(l[i]) && std::isfinite(r[i]);
    }
    stop.store(true);
    writer.join();
    EXPECT_TRUE(finite);
}

// A store that only holds a bank.
struct BankHolder final : ProgramStore::Listener {
    ProgramStore store{*this, kFactoryPresetTable};
    void applyPreset(const PresetRecord&) override {}
};

std::string currentName(const std::vector<unsigned char>& chunk) {
    BankHolder bank;
    if (bank.store.setChunk(chunk.data(), (int32_t)chunk.size()) != 0) return "(refused)";
    return bank.store.currentRecord().name;
}

// The editor's banks load in the host's worker thread, and the host saves
// state in its own, while run() stores port values into the current preset,
// gathers the pieces and sends the bank to the editor (asked for with Get).
TEST(Lv2Threads, BankFromTheEditorLoadsWhileRunRuns) {
    lv2rig::Instance lv2(lv2::kVariants[0].uri, 48000, true);
    lv2.activate();
    BankHolder edited;
    const std::vector<unsigned char> original = lv2.save();
    ASSERT_EQ(edited.store.setChunk(original.data(), (int32_t)original.size()), 0);
    edited.store.setName("Threads");
    void* chunk = nullptr;
    const int32_t size = edited.store.getChunk(&chunk);
    ASSERT_GT(size, 0);
    const auto* bytes = static_cast<const unsigned char*>(chunk);
    const std::vector<unsigned char> renamed(bytes, bytes + size);
    alignas(8) uint8_t get[64];
    {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, lv2rig::uridMap());
        lv2_atom_forge_set_buffer(&forge, get, sizeof get);
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, lv2::mapUris(lv2rig::uridMap()).get);
        lv2_atom_forge_pop(&forge, &frame);
    }

    std::atomic<bool> stop{false};
    std::thread host([&] {
        while (!stop.load())
            EXPECT_FALSE(lv2.save().empty());
    });
    std::vector<float> l(64), r(64);
    for (int block = 0; block < 2000; ++block) {
        float v = portAt(Param::Mid1Gain, (block % 9) / 8.0);
        __atomic_store(&lv2.port(Param::Mid1Gain), &v, __ATOMIC_RELAXED);
        if (block % 40 == 0) lv2.sendBank(block % 80 ? renamed : original, block);
        if (block % 25 == 0) lv2.send(reinterpret_cast<const LV2_Atom*>(get));
        lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64);
    }
    stop.store(true);
    host.join();
    lv2.sendBank(renamed, -1);
    for (int i = 0; i < 500 && currentName(lv2.save()) != "Threads"; ++i) {
        lv2.run({l.data(), r.data()}, {l.data(), r.data()}, 64);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(currentName(lv2.save()), "Threads");
}

} // namespace
