// The factory presets through the built plug-in: selected as a project
// reload does, each shows the names and texts of the model's preset table.
#include <gtest/gtest.h>

#include <string>

#include "PresetTestSupport.h"
#include "host/VstHost.h"
#include "model/FactoryPresets.h"
#include "model/ValueText.h"

using namespace presettest;

namespace {

// The text of every parameter that reaches the engine, as the model shows it
// for factory preset n (stored as 32-bit floats).
void expectTextsOf(VstPlugin& plugin, int n) {
    for (const dravo::PresetField& f : dravo::kFactoryPresets[n].fields) {
        char text[16] = {};
        dravo::valueText(f.param, (float)f.value, text);
        EXPECT_EQ(plugin.paramDisplay(dravo::index(f.param)).text, text)
            << kFactoryPresetNames[n] << " " << dravo::info(f.param).symbol;
    }
}

} // namespace

TEST(FactoryPresets, HostShowsTheirTexts) {
    VstPlugin plugin;
    ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), "");
    const auto fresh = plugin.getChunk();
    ASSERT_EQ(fresh.size(), 23457u);
    for (int n = 0; n < kNumFactoryPresets; ++n) {
        // Select the preset the way a project reload does: through the chunk.
        auto chunk = fresh;
        putWord(chunk, 8 + 17, (uint32_t)n);
        ASSERT_EQ(plugin.setChunk(chunk), 0);
        EXPECT_EQ(plugin.programName().text, kFactoryPresetNames[n]);
        expectTextsOf(plugin, n);
    }
}

TEST(FactoryPresets, StartOnDefault) {
    VstPlugin plugin;
    ASSERT_EQ(plugin.load(DRAVO_PLUGIN_PATH), "");
    EXPECT_EQ(plugin.programName().text, "Default");
    expectTextsOf(plugin, 0);
}
