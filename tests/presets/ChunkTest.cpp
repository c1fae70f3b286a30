// The host chunk through the built plug-in, the way a DAW saves and restores
// a project: size, layout, round trips between instances, the other byte
// order, the old layout, and chunks that must be refused.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "PresetTestSupport.h"
#include "host/VstHost.h"

using namespace presettest;

namespace {

std::unique_ptr<VstPlugin> loadPlugin() {
    auto plugin = std::make_unique<VstPlugin>();
    std::string error = plugin->load(DRAVO_PLUGIN_PATH);
    EXPECT_EQ(error, "");
    plugin->start(48000.0f, 512);
    return plugin;
}

// A full bank of 22 presets unlike the factory ones, selecting preset 13.
// Parameters 0 and 1 are global, the same in every preset.
std::vector<unsigned char> crafted() {
    BufferWriter w(56, 13);
    for (int p = 0; p < 22; p++) {
        w.name(p, ("Crafted preset " + std::to_string(p)).c_str());
        for (int i = 0; i < 38; i++)
            if (!dravo::isPlaceholderParam(i))
                w.value(p, i, i < 2 ? 0.5f : (float)((p * 7 + i * 3) % 41) / 40.0f);
    }
    auto bank = w.finish();
    std::vector<unsigned char> chunk(8 + bank.size(), 0);
    putWord(chunk, 0, 0x02000000);
    putWord(chunk, 4, (uint32_t)kDravoId);
    std::memcpy(chunk.data() + 8, bank.data(), bank.size());
    return chunk;
}

} // namespace

TEST(HostChunk, IsTheBankBehindAnEightBytePrefix) {
    auto plugin = loadPlugin();
    auto chunk = plugin->getChunk();
    ASSERT_EQ(chunk.size(), 23457u);
    EXPECT_NE(plugin->effect()->flags & effFlagsProgramChunks, 0);
    EXPECT_EQ(getWord(chunk, 0), 0x02000000u);
    EXPECT_EQ(getWord(chunk, 4), (uint32_t)kDravoId);
    EXPECT_EQ(getWord(chunk, 8), (uint32_t)kDravoId);
    EXPECT_EQ(chunk[12], 56);
    EXPECT_EQ(getWord(chunk, 8 + 21), 23449u - 41);
    // The program chunk request saves the whole bank too.
    EXPECT_EQ(plugin->getChunk(true), chunk);
}

TEST(HostChunk, RestoresEveryPresetNameAndTheSelectionInAFreshInstance) {
    const auto source = crafted();
    auto first = loadPlugin();
    ASSERT_EQ(first->setChunk(source), 0);
    EXPECT_EQ(first->getChunk(), source);

    auto second = loadPlugin();
    ASSERT_EQ(second->setChunk(first->getChunk()), 0);
    EXPECT_EQ(second->getChunk(), source);
    EXPECT_EQ(second->programName().text, "Crafted preset 13");
    for (int p = 0; p < 22; p++)
        EXPECT_EQ(second->programNameIndexed(p).text, "Crafted preset " + std::to_string(p));
    // The selected preset reached the effect's parameters.
    EXPECT_EQ(second->getParameter(dravo::index(dravo::Param::LowCutFreq)),
              (float)((13 * 7 + 27) % 41) / 40.0f);

    // A user edit after loading lands in the selected preset.
    second->setParameter(dravo::index(dravo::Param::LowCutFreq), 0.25f);
    auto edited = second->getChunk();
    const size_t value9 = 8 + 41 + 13 * 1064 + 168 + 32 * 6 + 24; // 7th stored parameter
    float v;
    std::memcpy(&v, edited.data() + value9, 4);
    EXPECT_EQ(v, 0.25f);
}

TEST(HostChunk, OtherByteOrderLoadsIdenticallyWithoutTouchingTheHostsMemory) {
    const auto source = crafted();
    auto swapped = chunkInOtherByteOrder(source);
    ASSERT_NE(swapped, source);
    const auto hostCopy = swapped;

    auto plugin = loadPlugin();
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, (VstIntPtr)swapped.size(), swapped.data()), 0);
    EXPECT_EQ(swapped, hostCopy); // read, never written
    EXPECT_EQ(plugin->getChunk(), source);
    EXPECT_EQ(plugin->programName().text, "Crafted preset 13");
}

TEST(HostChunk, OldLayoutLoadsInBothOrdersAndSelectsPresetZeroForABadSelection) {
    auto value = [](int p, int i) { return (float)((p + i) % 9) / 8.0f; };
    for (bool otherOrder : {false, true}) {
        for (uint32_t select : {5u, 22u, 0xffffffffu}) {
            auto chunk = oldChunk(22, 38, select, value);
            if (otherOrder) chunk = oldChunkInOtherByteOrder(chunk, 22, 38);
            auto plugin = loadPlugin();
            ASSERT_EQ(plugin->setChunk(chunk), 0);
            const int selected = select == 5 ? 5 : 0;
            EXPECT_EQ(plugin->programName().text, "Old " + std::to_string(selected));
            EXPECT_EQ(plugin->programNameIndexed(21).text, "Old 21");
            EXPECT_EQ(plugin->getParameter(dravo::index(dravo::Param::LowCutFreq)),
                      value(selected, 9));
            EXPECT_EQ(plugin->getParameter(dravo::index(dravo::Param::StoredOnly37)),
                      value(selected, 37));
            // Placeholders are not taken from old chunks.
            EXPECT_EQ(plugin->getParameter(dravo::index(dravo::Param::Unused30)), 0.5f);
        }
    }
    // Fewer presets and values than the bank holds: the rest keep their
    // contents, missing values come from factory preset 0.
    auto plugin = loadPlugin();
    ASSERT_EQ(plugin->setChunk(oldChunk(3, 10, 2, value)), 0);
    EXPECT_EQ(plugin->programName().text, "Old 2");
    EXPECT_EQ(plugin->programNameIndexed(3).text, "Kick 1");
    EXPECT_EQ(plugin->getParameter(dravo::index(dravo::Param::LowCutFreq)), value(2, 9));
    EXPECT_EQ(plugin->getParameter(dravo::index(dravo::Param::HighCutFreq)),
              1.0f); // Default's LPFfreq
}

TEST(HostChunk, RefusedChunksLeaveTheBankAsItWas) {
    auto plugin = loadPlugin();
    ASSERT_EQ(plugin->setChunk(crafted()), 0);
    const auto state = plugin->getChunk();
    const auto good = crafted();

    auto withWord = [](std::vector<unsigned char> b, size_t at, uint32_t v) {
        putWord(b, at, v);
        return b;
    };
    auto oldBad = oldChunk(22, 38, 0, [](int p, int i) { return p == 4 && i == 9 ? 1.5f : 0.5f; });
    const std::vector<std::vector<unsigned char>> refused = {
        withWord(good, 4, (uint32_t)fourCC('A', 'b', 'c', 'd')), // another plug-in
        withWord(good, 0, 0x03000000),                           // unknown tag
        {good.begin(), good.begin() + 7},                        // shorter than the prefix
        {good.begin(), good.begin() + 40},                       // prefix and part of a header
        {good.begin(), good.end() - 1},                          // truncated bank
        withWord(good, 8 + 13, 22 * 29 + 1),                     // one record too many
        withWord(good, 8 + 13, 0xffffffff),                      // negative record count
        withWord(oldChunk(22, 38, 0, [](int, int) { return 0.5f; }), 8, 0), // no presets
        withWord(oldChunk(22, 38, 0, [](int, int) { return 0.5f; }), 8, 0xfffffffe),
        {oldBad.begin(), oldBad.begin() + 31},                            // old header cut short
        withWord(oldChunk(1, 0, 0, [](int, int) { return 0.5f; }), 8, 3), // blocks too small
        oldBad,                                                           // value out of range
    };
    for (size_t k = 0; k < refused.size(); k++) {
        EXPECT_EQ(plugin->setChunk(refused[k]), -1) << k;
        EXPECT_EQ(plugin->getChunk(), state) << k;
    }
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 100, nullptr), -1);
    EXPECT_EQ(plugin->getChunk(), state);
}

TEST(HostChunk, ProgramNamesThroughTheHost) {
    auto plugin = loadPlugin();
    char name[] = "A name longer than twenty-four characters";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    auto shown = plugin->queryText(effGetProgramName);
    EXPECT_EQ(shown.text, "A name longer than twen");
    EXPECT_LE(shown.written, 24u);
    auto indexed = plugin->programNameIndexed(0);
    EXPECT_EQ(indexed.text, "A name longer than twen");
    EXPECT_LE(indexed.written, 24u);
    EXPECT_EQ(indexed.result, 1);
    EXPECT_EQ(plugin->programNameIndexed(22).result, 0);
}

TEST(HostChunk, RestoringReplaysTheSelectedPresetThenTellsTheHostOnce) {
    auto plugin = loadPlugin();
    plugin->setLogging(true);
    plugin->clearCallbacks();
    ASSERT_EQ(plugin->setChunk(crafted()), 0);
    // The replay is no user edit: nothing is automated; afterwards the host
    // hears of new names and values, and a touch of parameter 0.
    std::vector<std::pair<VstInt32, VstInt32>> seen;
    for (const HostCallbackRecord& r : plugin->callbacks())
        if (r.opcode == audioMasterAutomate || r.opcode == audioMasterUpdateDisplay ||
            r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit)
            seen.emplace_back(r.opcode, r.index);
    const std::vector<std::pair<VstInt32, VstInt32>> expected = {
        {audioMasterUpdateDisplay, 0}, {audioMasterBeginEdit, 0}, {audioMasterEndEdit, 0}};
    EXPECT_EQ(seen, expected);
}

// A DAW saves its project (getChunk on its UI thread) while automation writes
// the current preset on another: race-free (the ThreadSanitizer build runs
// this), and the chunk taken afterwards carries the last value.
TEST(HostChunkThreads, SavedWhileAutomationWritesTheCurrentPreset) {
    auto plugin = loadPlugin();
    std::atomic<bool> stop{false};
    std::atomic<int> steps{0};
    std::thread automation([&] {
        for (int k = 0; !stop.load() || steps.load() < 200; ++k, steps.fetch_add(1))
            plugin->setParameter(dravo::index(dravo::Param::LowShelfGain), (float)(k % 41) / 40.0f);
    });
    for (int n = 0; n < 50; ++n)
        EXPECT_EQ(plugin->getChunk().size(), 23457u);
    stop = true;
    automation.join();
    plugin->setParameter(dravo::index(dravo::Param::LowShelfGain), 0.625f);
    auto other = loadPlugin();
    ASSERT_EQ(other->setChunk(plugin->getChunk()), 0);
    EXPECT_EQ(other->getParameter(dravo::index(dravo::Param::LowShelfGain)), 0.625f);
}
