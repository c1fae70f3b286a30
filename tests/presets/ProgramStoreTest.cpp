// The program store on its own: factory contents, replay of a selected
// preset, the name rule, the parameter range and the host's program calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PresetTestSupport.h"
#include "model/FactoryPresets.h"

using namespace presettest;

TEST(ProgramStore, SelectingAPresetReplaysItsValuesInOrderThenTellsTheHost) {
    TestStore store;
    store.setPresetNo(5);
    ASSERT_EQ(store.replayed.size(), 38u);
    for (int i = 0; i < 38; i++) {
        EXPECT_EQ(store.replayed[i].first, i);
        EXPECT_EQ(store.replayed[i].second, store.record(5).values[i]);
    }
    EXPECT_EQ(store.displayUpdates, 1);
    EXPECT_EQ(store.edits, (std::vector<std::string>{"begin 0", "end 0"}));
    EXPECT_FALSE(store.isLoadingPreset());
    EXPECT_EQ(store.getPresetNo(), 5);
    EXPECT_EQ(store.getProgram(), 0);

    // Replayed values were not stored back; a later change lands in preset 5.
    store.setParameter(dravo::index(dravo::Param::LowCutFreq), 0.25f);
    EXPECT_EQ(store.record(5).values[dravo::index(dravo::Param::LowCutFreq)], 0.25f);
    EXPECT_EQ(store.record(0).values[dravo::index(dravo::Param::LowCutFreq)],
              (float)kFactoryPresetValues[0][9]);

    // Host program calls do not select internal presets.
    store.setProgram(3);
    EXPECT_EQ(store.getPresetNo(), 5);

    // A preset number outside 0..21 is ignored.
    store.replayed.clear();
    store.setPresetNo(22);
    store.setPresetNo(-1);
    EXPECT_EQ(store.getPresetNo(), 5);
    EXPECT_TRUE(store.replayed.empty());
}

TEST(ProgramStore, ParameterIndicesOutsideTheTableAreIgnored) {
    TestStore store;
    EXPECT_EQ(store.CPresetSystemEffect::getParameter(38), -1.0f);
    EXPECT_EQ(store.CPresetSystemEffect::getParameter(-1), -1.0f);
    EXPECT_EQ(store.CPresetSystemEffect::getParameter(dravo::index(dravo::Param::Output)), 0.5f);
    const auto before = store.bank();
    store.setParameter(38, 0.25f);
    store.setParameter(-1, 0.25f);
    store.setParameterAllPresets(38, 0.25f);
    store.setParameterAllPresets(-1, 0.25f);
    EXPECT_TRUE(sameBank(before, store.bank()));

    store.setParameterAllPresets(dravo::index(dravo::Param::Channel), 0.2f);
    for (int p = 0; p < kNumPresets; p++)
        EXPECT_EQ(store.record(p).values[dravo::index(dravo::Param::Channel)], 0.2f);
}

TEST(ProgramStore, NamesKeep23CharactersAndTheHostGetsAtMost24Bytes) {
    TestStore store;
    char thirty[] = "abcdefghijklmnopqrstuvwxyz0123";
    store.setProgramName(thirty);
    EXPECT_EQ(store.name(0), "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(store.bankChanges, 1); // the editor is told

    char text[40];
    std::memset(text, 'x', sizeof text);
    store.getProgramName(text);
    EXPECT_STREQ(text, "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(text[24], 'x'); // nothing beyond the 24 bytes of the ABI

    std::memset(text, 'x', sizeof text);
    EXPECT_FALSE(store.getProgramNameIndexed(0, 22, text));
    EXPECT_FALSE(store.getProgramNameIndexed(0, -1, text));
    EXPECT_EQ(text[0], 'x');
    EXPECT_TRUE(store.getProgramNameIndexed(0, 21, text));
    EXPECT_STREQ(text, "De-esser 2");
    EXPECT_EQ(text[24], 'x');

    // The name rule zero-fills after the terminator; a null name only
    // refreshes the display.
    store.setPresetName("Short");
    for (int i = 5; i < kPresetNameSize; i++)
        EXPECT_EQ(store.record(0).name[i], 0);
    const int updates = store.displayUpdates;
    store.setPresetName(nullptr);
    EXPECT_EQ(store.name(0), "Short");
    EXPECT_EQ(store.displayUpdates, updates + 1);
}

TEST(ProgramStore, InitializePresetCopiesTheDefaultRecordNameIncluded) {
    TestStore store;
    EXPECT_EQ(std::memcmp(&store.getDefaultRecord(), &store.record(0), sizeof(PresetRecord)), 0);
    store.initializePreset(7);
    EXPECT_EQ(std::memcmp(&store.record(7), &store.getDefaultRecord(), sizeof(PresetRecord)), 0);
    const auto before = store.bank();
    store.initializePreset(22);
    store.initializePreset(-1);
    EXPECT_TRUE(sameBank(before, store.bank()));

    // loadDefaults takes record 0 as it is then.
    store.setParameter(dravo::index(dravo::Param::Output), 0.75f);
    store.loadDefaults();
    store.initializePreset(3);
    EXPECT_EQ(store.record(3).values[dravo::index(dravo::Param::Output)], 0.75f);
}

namespace {

// The store as another plug-in format holds it: no VST frame, a listener
// that records which preset it was asked to apply and each change it heard.
struct PlainStore : ProgramStore::Listener {
    void applyPreset(const PresetRecord& record) override {
        applied.push_back((int)(&record - store.records()));
    }
    void bankChanged() override { changes++; }

    ProgramStore store{*this, kFactoryPresetTable};
    std::vector<int> applied;
    int changes = 0;
};

} // namespace

TEST(ProgramStore, ThePlainStoreKeepsTheEffectsChunkByteForByte) {
    TestStore effect;
    PlainStore plain;
    effect.setPresetNo(8);
    effect.setParameter(dravo::index(dravo::Param::LowCutFreq), 0.75f);
    plain.store.selectPreset(8);
    plain.store.setValue(9, 0.75f);

    void* fromEffect = nullptr;
    void* fromPlain = nullptr;
    const VstInt32 size = effect.getChunk(&fromEffect);
    ASSERT_EQ(plain.store.getChunk(&fromPlain), size);
    EXPECT_EQ(std::memcmp(fromEffect, fromPlain, (size_t)size), 0);

    PlainStore target;
    EXPECT_EQ(target.store.setChunk(fromEffect, size), 0);
    EXPECT_EQ(target.applied, std::vector<int>{8});
    EXPECT_EQ(target.changes, 1);
    EXPECT_TRUE(sameBank(effect.bank(), std::vector<PresetRecord>(target.store.records(),
                                                                  target.store.records() + 22)));
    EXPECT_EQ(target.store.setChunk(fromEffect, 7), -1);
}
