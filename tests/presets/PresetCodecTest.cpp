// Preset and bank buffers: layouts written, the current and old layouts
// read in both byte orders, value checks with their diagnostics, and the
// loads a truncated or hostile buffer must refuse without touching the store.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "PresetTestSupport.h"

using namespace presettest;

namespace {

std::vector<unsigned char> bytesOf(const std::vector<char>& b) {
    return std::vector<unsigned char>(b.begin(), b.end());
}
std::vector<unsigned char> presetBuffer(TestStore& s) {
    return bytesOf(s.programStore().codec().presetToBuffer(s.programStore().currentRecord()));
}
std::vector<unsigned char> bankBuffer(TestStore& s) {
    return bytesOf(s.programStore().codec().bankToBuffer(s.programStore().snapshot()));
}
// As the preset bar applies a buffer: decoded into a copy, then the preset or
// bank replaced and the current preset replayed.
bool loadPreset(TestStore& s, const std::vector<unsigned char>& b, bool reversed = false) {
    // An exactly sized heap copy: the sanitizer build sees any read past it.
    std::unique_ptr<char[]> copy(new char[b.size() ? b.size() : 1]);
    if (!b.empty()) std::memcpy(copy.get(), b.data(), b.size());
    PresetRecord record;
    if (!s.programStore().codec().loadPresetBuffer(copy.get(), b.size(), reversed, record))
        return false;
    s.programStore().replaceCurrent(record);
    return true;
}
bool loadBank(TestStore& s, const std::vector<unsigned char>& b, bool reversed = false) {
    std::unique_ptr<char[]> copy(new char[b.size() ? b.size() : 1]);
    if (!b.empty()) std::memcpy(copy.get(), b.data(), b.size());
    Bank bank = s.programStore().snapshot();
    if (!s.programStore().codec().loadBankBuffer(copy.get(), b.size(), reversed, bank))
        return false;
    s.programStore().replaceBank(bank);
    return true;
}

// A bank unlike the factory one: every stored value and name changed.
void scramble(TestStore& store) {
    for (int p = 0; p < kNumPresets; p++) {
        writePresetName(store.record(p).name, ("Mine " + std::to_string(p)).c_str());
        for (int i = 2; i < kNumPresetParams; i++)
            if (!dravo::isPlaceholderParam(i)) // placeholders are not carried by buffers
                store.record(p).values[i] = (float)((p * 38 + i) % 97) / 96.0f;
    }
}

std::vector<unsigned char> oldPreset(int numValues, float value) {
    std::vector<unsigned char> b(5 + 24 + 4 * (size_t)numValues, 0);
    putWord(b, 0, (uint32_t)kDravoId);
    b[4] = 33;
    std::memcpy(b.data() + 5, "Old preset", 10);
    for (int i = 0; i < numValues; i++)
        putFloat(b, 29 + 4 * (size_t)i, value);
    return b;
}

} // namespace

TEST(PresetCodec, WritersProduceTheDocumentedLayouts) {
    TestStore store;
    store.setPresetNo(3);
    auto preset = presetBuffer(store);
    ASSERT_EQ(preset.size(), 1105u); // 41 + 168 + 28 * 32
    EXPECT_EQ(getWord(preset, 0), (uint32_t)kDravoId);
    EXPECT_EQ(preset[4], 34);
    EXPECT_EQ(getWord(preset, 5), 0x01080000u);
    EXPECT_EQ(getWord(preset, 9), 38u);
    EXPECT_EQ(getWord(preset, 13), 29u);
    EXPECT_EQ(getWord(preset, 17), 0u);
    EXPECT_EQ(getWord(preset, 21), 1105u - 41);
    for (size_t o = 25; o < 41; o++)
        EXPECT_EQ(preset[o], 0);
    // Name record, then the value records in index order, skipping placeholders.
    EXPECT_EQ(getWord(preset, 41), 0u);
    EXPECT_EQ(getWord(preset, 45), 156u);
    EXPECT_EQ(std::string(chars(preset) + 53), "Kick 1");
    size_t at = 41 + 168;
    for (int i = 0; i < 38; i++) {
        if (dravo::isPlaceholderParam(i)) continue;
        EXPECT_EQ(getWord(preset, at), 1u);
        EXPECT_EQ(getWord(preset, at + 4), 20u);
        EXPECT_EQ(getWord(preset, at + 8), 0u);
        EXPECT_EQ(getWord(preset, at + 12), (uint32_t)i);
        float v;
        std::memcpy(&v, preset.data() + at + 24, 4);
        EXPECT_EQ(v, store.record(3).values[i]);
        at += 32;
    }

    auto bank = bankBuffer(store);
    ASSERT_EQ(bank.size(), 23449u); // 41 + 22 * (168 + 28 * 32)
    EXPECT_EQ(bank[4], 56);
    EXPECT_EQ(getWord(bank, 13), 22u * 29);
    EXPECT_EQ(getWord(bank, 17), 3u);                  // the selected preset
    EXPECT_EQ(getWord(bank, 41 + 21 * 1064 + 8), 21u); // last preset's name record
}

TEST(PresetCodec, PresetBuffersLoadInEitherOrderAndOnRequestReversed) {
    TestStore source;
    scramble(source);
    source.setPresetNo(4);
    const auto preset = presetBuffer(source);
    const auto swapped = otherByteOrder(preset);
    // The reversed command inverts the decision taken from the unique ID.
    auto idMachineFieldsSwapped = swapped;
    swapWord(idMachineFieldsSwapped, 0);
    auto idSwappedFieldsMachine = preset;
    swapWord(idSwappedFieldsMachine, 0);

    struct Case {
        std::vector<unsigned char> bytes;
        bool reversed;
    } cases[] = {{preset, false},
                 {swapped, false},
                 {idMachineFieldsSwapped, true},
                 {idSwappedFieldsMachine, true}};
    for (const Case& c : cases) {
        TestStore target;
        target.setPresetNo(9);
        ASSERT_TRUE(loadPreset(target, c.bytes, c.reversed));
        EXPECT_EQ(std::memcmp(&target.record(9), &source.record(4), sizeof(PresetRecord)), 0);
        EXPECT_EQ(target.getPresetNo(), 9);
    }
    // Read the wrong way round, the values are out of range: refused.
    TestStore target;
    const auto before = target.bank();
    EXPECT_FALSE(loadPreset(target, swapped, true));
    EXPECT_TRUE(sameBank(before, target.bank()));
}

TEST(PresetCodec, MissingValuesTakeFactoryPresetZero) {
    TestStore store;
    store.setPresetNo(6);
    store.replayed.clear();
    ASSERT_TRUE(loadPreset(store, BufferWriter(34).name(0, "Only a name").finish()));
    EXPECT_EQ(store.name(6), "Only a name");
    for (int i = 0; i < 38; i++)
        EXPECT_EQ(store.record(6).values[i], store.getDefaultRecord().values[i]);
    EXPECT_EQ(store.getPresetNo(), 6);
    EXPECT_EQ(store.replayed.size(), 38u);
}

TEST(PresetCodec, BankSelectionAndPartialBanks) {
    for (auto [select, selected] : {std::pair{22, 0}, {7, 7}}) { // 22 is no preset: preset 0
        TestStore store;
        ASSERT_TRUE(loadBank(store, BufferWriter(56, select).name(3, "Three").finish()));
        EXPECT_EQ(store.getPresetNo(), selected);
        EXPECT_EQ(store.name(3), "Three");
    }
    {
        // Records for presets 0..9 only: 10..21 stay as they were.
        TestStore store;
        scramble(store);
        const auto before = store.bank();
        BufferWriter w(56);
        for (int p = 0; p < 10; p++)
            w.name(p, "Loaded").value(p, 9, 0.125f);
        ASSERT_TRUE(loadBank(store, w.finish()));
        for (int p = 0; p < 10; p++) {
            EXPECT_EQ(store.name(p), "Loaded");
            EXPECT_EQ(store.record(p).values[dravo::index(dravo::Param::LowCutFreq)], 0.125f);
            EXPECT_EQ(store.record(p).values[dravo::index(dravo::Param::Output)],
                      store.getDefaultRecord().values[dravo::index(dravo::Param::Output)]);
        }
        for (int p = 10; p < 22; p++)
            EXPECT_EQ(std::memcmp(&store.record(p), &before[p], sizeof(PresetRecord)), 0) << p;
    }
    {
        // A value record before its preset's name record is reset by it;
        // records of presets outside 0..21 and of unknown kinds are skipped.
        TestStore store;
        ASSERT_TRUE(loadBank(store, BufferWriter(56)
                                        .value(2, 9, 0.125f)
                                        .name(2, "Two")
                                        .value(22, 9, 0.25f)
                                        .value(-1, 9, 0.25f)
                                        .record(7, 40, 0)
                                        .value(2, 11, 0.25f)
                                        .finish()));
        EXPECT_EQ(store.record(2).values[dravo::index(dravo::Param::LowCutFreq)],
                  store.getDefaultRecord().values[dravo::index(dravo::Param::LowCutFreq)]);
        EXPECT_EQ(store.record(2).values[dravo::index(dravo::Param::HighCutFreq)], 0.25f);
    }
}

TEST(PresetCodec, BankValuesOutOfRangeAreClampedWithOneDiagnosticLineEach) {
    TestStore store;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(loadBank(store, BufferWriter(56).name(4, "Four").value(4, 15, 1.5f).finish()));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(store.record(4).values[dravo::index(dravo::Param::LowShelfGain)], 1.0f);
    EXPECT_EQ(err, "Invalid parameter 15 value 1.500000 on load of preset 4 Four\n");

    testing::internal::CaptureStderr();
    ASSERT_TRUE(loadBank(store, BufferWriter(56).value(4, 6, -0.5f).value(4, 40, 2.0f).finish()));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(store.record(4).values[dravo::index(dravo::Param::Output)], 0.0f);
    EXPECT_EQ(err, "Invalid parameter 6 value -0.500000 on load of preset 4 Four\n"
                   "Invalid parameter 40 value 2.000000 on load of preset 4 Four\n");

    // Saving clamps too, and a value that is not a number is saved as 0.
    store.record(2).values[dravo::index(dravo::Param::Saturation)] = 3.0f;
    store.record(2).values[dravo::index(dravo::Param::LowCutOn)] =
        std::numeric_limits<float>::quiet_NaN();
    testing::internal::CaptureStderr();
    auto bank = bankBuffer(store);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Invalid parameter 7 value 3.000000 on save of preset 2 Flamenco\n"),
              std::string::npos);
    EXPECT_NE(err.find("Invalid parameter 8 value nan on save of preset 2 Flamenco\n"),
              std::string::npos);
    TestStore reloaded;
    ASSERT_TRUE(loadBank(reloaded, bank));
    EXPECT_EQ(reloaded.record(2).values[dravo::index(dravo::Param::Saturation)], 1.0f);
    EXPECT_EQ(reloaded.record(2).values[dravo::index(dravo::Param::LowCutOn)], 0.0f);

    // So does the preset writer: a value a host stored out of range through
    // setParameter must not make the saved preset unloadable.
    store.setPresetNo(2);
    store.record(2).values[dravo::index(dravo::Param::LowCutFreq)] = -2.0f;
    testing::internal::CaptureStderr();
    auto preset = presetBuffer(store);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Invalid parameter 7 value 3.000000 on save of preset 0 Flamenco\n"),
              std::string::npos);
    EXPECT_NE(err.find("Invalid parameter 9 value -2.000000 on save of preset 0 Flamenco\n"),
              std::string::npos);
    reloaded.setPresetNo(5);
    ASSERT_TRUE(loadPreset(reloaded, preset));
    EXPECT_EQ(reloaded.record(5).values[dravo::index(dravo::Param::Saturation)], 1.0f);
    EXPECT_EQ(reloaded.record(5).values[dravo::index(dravo::Param::LowCutOn)], 0.0f);
    EXPECT_EQ(reloaded.record(5).values[dravo::index(dravo::Param::LowCutFreq)], 0.0f);
}

TEST(PresetCodec, BadValuesPutThePresetOrBankBack) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float bad : {1.5f, -0.25f, nan}) {
        TestStore store;
        store.setPresetNo(2);
        store.replayed.clear();
        const auto before = store.bank();
        EXPECT_FALSE(loadPreset(
            store, BufferWriter(34).name(0, "New").value(0, 6, 0.25f).value(0, 9, bad).finish()));
        EXPECT_TRUE(sameBank(before, store.bank()));
        EXPECT_TRUE(store.replayed.empty());
        EXPECT_EQ(store.getPresetNo(), 2);
    }
    // An index outside the table is skipped before its value is looked at:
    // only a value that would be stored can put the preset or bank back.
    {
        TestStore store;
        EXPECT_TRUE(
            loadPreset(store, BufferWriter(34).value(0, 38, 7.0f).value(0, -1, 7.0f).finish()));
        ASSERT_TRUE(loadBank(store, BufferWriter(56, 1)
                                        .name(1, "Kept going")
                                        .value(1, 38, nan)
                                        .value(1, -1, nan)
                                        .value(1, 6, 0.25f)
                                        .finish()));
        EXPECT_EQ(store.name(1), "Kept going");
        EXPECT_EQ(store.record(1).values[dravo::index(dravo::Param::Output)], 0.25f);
        EXPECT_EQ(store.getPresetNo(), 1);
    }
    // A bank value that is not a number puts the whole bank back.
    TestStore store;
    const auto before = store.bank();
    EXPECT_FALSE(loadBank(store, BufferWriter(56, 3)
                                     .name(0, "Changed")
                                     .value(0, 6, 0.25f)
                                     .name(1, "Changed")
                                     .value(1, 6, nan)
                                     .finish()));
    EXPECT_TRUE(sameBank(before, store.bank()));
    EXPECT_EQ(store.getPresetNo(), 0);
}

TEST(PresetCodec, OldLayoutsLoadAsManyValuesAsTheyHold) {
    {
        TestStore store;
        ASSERT_TRUE(loadPreset(store, oldPreset(38, 0.25f)));
        EXPECT_EQ(store.name(0), "Old preset");
        for (int i = 0; i < 38; i++)
            EXPECT_EQ(store.record(0).values[i], dravo::isPlaceholderParam(i)
                                                     ? store.getDefaultRecord().values[i].load()
                                                     : 0.25f);
    }
    {
        // 40 floats: the first 38 load; 20 floats: the rest keep preset 0's values.
        TestStore store;
        ASSERT_TRUE(loadPreset(store, oldPreset(40, 0.75f)));
        EXPECT_EQ(store.record(0).values[dravo::index(dravo::Param::StoredOnly37)], 0.75f);
        ASSERT_TRUE(loadPreset(store, oldPreset(20, 0.75f)));
        EXPECT_EQ(store.record(0).values[dravo::index(dravo::Param::Mid1Gain)], 0.75f);
        EXPECT_EQ(store.record(0).values[dravo::index(dravo::Param::HighShelfGain)],
                  store.getDefaultRecord().values[dravo::index(dravo::Param::HighShelfGain)]);
    }
    {
        // An old bank: 22 blocks of 24 + 4 * N bytes, N = 40 here.
        std::vector<unsigned char> b(5 + 22 * (24 + 4 * 40), 0);
        putWord(b, 0, (uint32_t)kDravoId);
        b[4] = 55;
        for (int p = 0; p < 22; p++) {
            const size_t at = 5 + (size_t)p * (24 + 160);
            std::memcpy(b.data() + at, "Block", 5);
            for (int i = 0; i < 40; i++)
                putFloat(b, at + 24 + 4 * (size_t)i, (float)p / 32.0f);
        }
        TestStore store;
        store.setPresetNo(5);
        ASSERT_TRUE(loadBank(store, b));
        EXPECT_EQ(store.getPresetNo(), 0);
        EXPECT_EQ(store.name(21), "Block");
        EXPECT_EQ(store.record(21).values[dravo::index(dravo::Param::HighShelfGain)],
                  21.0f / 32.0f);

        // Swapped, unswapped by the reversed command, or with a bad value.
        for (int p = 0; p < 22; p++)
            for (int i = 0; i < 40; i++)
                swapWord(b, 5 + (size_t)p * 184 + 24 + 4 * (size_t)i);
        TestStore swapped;
        ASSERT_TRUE(loadBank(swapped, b, true));
        EXPECT_TRUE(sameBank(store.bank(), swapped.bank()));
        putFloat(b, 5 + 21 * 184 + 24 + 4 * 6, 1.5f);
        swapWord(b, 5 + 21 * 184 + 24 + 4 * 6);
        TestStore bad;
        const auto before = bad.bank();
        EXPECT_FALSE(loadBank(bad, b, true));
        EXPECT_TRUE(sameBank(before, bad.bank()));
    }
}

// Foreign, empty, short, misdirected, truncated or overlong buffers are
// refused without touching the store.
TEST(PresetCodec, HostileBuffersAreRefusedWithoutChangingTheStore) {
    TestStore source;
    scramble(source);
    const auto bank = bankBuffer(source);
    const auto preset = presetBuffer(source);

    auto mutate = [](std::vector<unsigned char> b, size_t at, uint32_t v) {
        putWord(b, at, v);
        return b;
    };
    auto oldBankTooShort = oldPreset(0, 0.f);
    oldBankTooShort[4] = 55; // 22 blocks need 22 names
    const size_t lastRecord = bank.size() - 32;
    const std::vector<std::vector<unsigned char>> badBanks = {
        preset, // a preset is not a bank
        oldBankTooShort,
        // Cut anywhere: the header's body size runs past the buffer.
        {bank.begin(), bank.begin() + 40},
        {bank.begin(), bank.end() - 1},
        {bank.begin(), bank.begin() + bank.size() / 2},
        // One record more than the body holds.
        mutate(bank, 13, 22 * 29 + 1),
        // A record count far beyond the body.
        mutate(bank, 13, 0x7fffffff),
        // Negative record count and body size.
        mutate(bank, 13, 0xffffffff),
        mutate(bank, 21, 0x80000000),
        // A record length that runs past the body, a negative one, one too
        // short for a name or a value.
        mutate(bank, lastRecord + 4, 21),
        mutate(bank, 41 + 4, 0x7ffffff0),
        mutate(bank, 41 + 4, 0xfffffff4),
        mutate(bank, 41 + 4, 23),
        mutate(bank, lastRecord + 4, 15),
    };
    const std::vector<std::vector<unsigned char>> badPresets = {
        {},
        {preset.begin(), preset.begin() + 4},
        {preset.begin(), preset.begin() + 5},
        mutate(preset, 0, (uint32_t)fourCC('A', 'b', 'c', 'd')), // another plug-in's
        bank,                                                    // a bank is not a preset
        {preset.begin(), preset.end() - 1},
        mutate(preset, 13, 30),
        mutate(preset, preset.size() - 32 + 4, 21),
        mutate(preset, 41 + 4, 0x80000000),
        mutate(preset, preset.size() - 32 + 4, 12),
    };
    for (bool isBank : {true, false}) {
        const auto& bad = isBank ? badBanks : badPresets;
        for (size_t k = 0; k < bad.size(); k++) {
            TestStore store;
            const auto before = store.bank();
            testing::internal::CaptureStderr();
            EXPECT_FALSE(isBank ? loadBank(store, bad[k]) : loadPreset(store, bad[k]))
                << isBank << " " << k;
            testing::internal::GetCapturedStderr();
            EXPECT_TRUE(sameBank(before, store.bank())) << isBank << " " << k;
            EXPECT_TRUE(store.replayed.empty()) << isBank << " " << k;
        }
    }
}
