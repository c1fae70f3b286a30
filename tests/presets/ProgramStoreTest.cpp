// The program store on its own: factory contents, replay of a selected
// preset, the name rule, the parameter range and the host's program calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PresetTestSupport.h"
#include "model/FactoryPresets.h"
#include "presets/CPresetSystemEditor.h"

using namespace presettest;

namespace {

class RecordingEditor : public CPresetSystemEditor {
  public:
    using CPresetSystemEditor::CPresetSystemEditor;
    void nameChangedExternal(char* name) override { shown.push_back(name); }
    VstInt32 BankToBuffer(char** out) override {
        saves++;
        return CPresetSystemEditor::BankToBuffer(out);
    }
    bool BufferToBank(const char* body, const newpresetheader* header, bool swap) override {
        loads++;
        return CPresetSystemEditor::BufferToBank(body, header, swap);
    }
    std::vector<std::string> shown;
    int saves = 0;
    int loads = 0;
};

} // namespace

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
    store.setParameter(9, 0.25f);
    EXPECT_EQ(store.record(5).values[9], 0.25f);
    EXPECT_EQ(store.record(0).values[9], (float)kFactoryPresetValues[0][9]);

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
    EXPECT_EQ(store.CPresetSystemEffect::getParameter(6), 0.5f);
    const auto before = store.bank();
    store.setParameter(38, 0.25f);
    store.setParameter(-1, 0.25f);
    store.setParameterAllPresets(38, 0.25f);
    store.setParameterAllPresets(-1, 0.25f);
    EXPECT_TRUE(sameBank(before, store.bank()));

    store.setParameterAllPresets(1, 0.2f);
    for (int p = 0; p < kNumPresets; p++)
        EXPECT_EQ(store.record(p).values[1], 0.2f);
}

TEST(ProgramStore, NamesKeep23CharactersAndTheHostGetsAtMost24Bytes) {
    TestStore store;
    auto* editor = new RecordingEditor(&store);
    store.setEditor(editor);

    char thirty[] = "abcdefghijklmnopqrstuvwxyz0123";
    store.setProgramName(thirty);
    EXPECT_EQ(store.name(0), "abcdefghijklmnopqrstuvw");
    ASSERT_EQ(editor->shown.size(), 1u);
    EXPECT_EQ(editor->shown[0], "abcdefghijklmnopqrstuvwx"); // the editor shows 24

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
    store.setParameter(6, 0.75f);
    store.loadDefaults();
    store.initializePreset(3);
    EXPECT_EQ(store.record(3).values[6], 0.75f);
}

TEST(ProgramStore, TheChunkGoesThroughTheEditorsBankOperations) {
    TestStore source;
    auto* sourceEditor = new RecordingEditor(&source);
    source.setEditor(sourceEditor);
    source.setPresetNo(8);
    source.setParameter(9, 0.75f);
    void* data = nullptr;
    const VstInt32 size = source.getChunk(&data);
    ASSERT_EQ(size, 23457);
    EXPECT_EQ(sourceEditor->saves, 1);

    TestStore target;
    auto* targetEditor = new RecordingEditor(&target);
    target.setEditor(targetEditor);
    EXPECT_EQ(target.setChunk(data, size), 0);
    EXPECT_EQ(targetEditor->loads, 1);
    EXPECT_EQ(target.getPresetNo(), 8);
    EXPECT_TRUE(sameBank(source.bank(), target.bank()));
}

namespace {

// The store as another plug-in format holds it: no VST frame, an owner that
// records which preset it was asked to apply.
struct PlainStore : ProgramStore::Owner {
    int32_t getUniqueID() override { return kDravoId; }
    bool isDummy(int index) override { return dravo::isDummyParam(index); }
    bool isDummyOld(int index) override { return dravo::isDummyParam(index); }
    void setPresetNo(long n) override {
        store.selectPreset(n, [&](const PresetRecord&) { applied.push_back(n); });
    }
    void setPresetName(const char* name) override { store.setName(name); }

    ProgramStore store{*this, kFactoryPresetTable};
    std::vector<long> applied;
};

} // namespace

TEST(ProgramStore, ThePlainStoreKeepsTheEffectsChunkByteForByte) {
    TestStore effect;
    PlainStore plain;
    effect.setPresetNo(8);
    effect.setParameter(9, 0.75f);
    plain.setPresetNo(8);
    plain.store.setValue(9, 0.75f);

    void* fromEffect = nullptr;
    void* fromPlain = nullptr;
    const VstInt32 size = effect.getChunk(&fromEffect);
    ASSERT_EQ(plain.store.getChunk(&fromPlain), size);
    EXPECT_EQ(std::memcmp(fromEffect, fromPlain, (size_t)size), 0);

    PlainStore target;
    EXPECT_EQ(target.store.setChunk(fromEffect, size), 0);
    EXPECT_EQ(target.applied, std::vector<long>{8});
    EXPECT_TRUE(sameBank(effect.bank(), std::vector<PresetRecord>(target.store.records(),
                                                                  target.store.records() + 22)));
    EXPECT_EQ(target.store.setChunk(fromEffect, 7), -1);
}
