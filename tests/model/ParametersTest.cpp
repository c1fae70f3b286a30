// The parameter table against the product's own numbers, and typed values
// read back through the value texts.
#include "model/Parameters.h"
#include "model/ValueParse.h"
#include "model/ValueText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using dravo::Param;

namespace {

// The ranges the editor's scales, the manual and the LV2 ports promise, in dB
// and Hz, written out here rather than read from the table they test.
const struct {
    Param p;
    double lowest, highest;
} kPromisedRanges[] = {
    {Param::Output, -20.0, 20.0},
    {Param::LowShelfGain, -10.0, 10.0},
    {Param::HighShelfGain, -10.0, 10.0},
    {Param::Mid1Gain, 0.0, 20.0},
    {Param::Mid2Gain, 0.0, 20.0},
    {Param::LowCutFreq, 12.4, 2000.0},
    {Param::HighCutFreq, 625.0, 28284.0},
    {Param::LowShelfFreq, 22.1, 500.0},
    {Param::HighShelfFreq, 3150.0, 25198.0},
    {Param::Mid1Freq, 70.5, 11360.0},
    {Param::Mid2Freq, 99.7, 16079.0},
};

} // namespace

// Both the stated range and the values the control's ends reach.
TEST(Parameters, RangesAreTheOnesThePlugInPromises) {
    for (const auto& r : kPromisedRanges) {
        const char* symbol = dravo::info(r.p).symbol;
        double lowest = 0, highest = 0;
        dravo::realRange(r.p, lowest, highest);
        EXPECT_EQ(lowest, r.lowest) << symbol;
        EXPECT_EQ(highest, r.highest) << symbol;
        EXPECT_EQ(dravo::realValueOf(r.p, 0.0), r.lowest) << symbol;
        EXPECT_EQ(dravo::realValueOf(r.p, 1.0), r.highest) << symbol;
    }
}

// What a user types: every text the plug-in shows reads back as a value that
// shows the same text ("-0dB", a level just below 0 dB, as the 0 dB step);
// texts no value shows are refused.
TEST(TypedValues, EveryShownTextReadsBackAndOthersAreRefused) {
    auto signless = [](std::string t) {
        return t.rfind("-0", 0) == 0 && std::strtod(t.c_str(), nullptr) == 0 ? t.substr(1) : t;
    };
    for (const dravo::ParamInfo& row : dravo::kParams) {
        const Param p = row.id;
        if (!dravo::isActive(p)) continue;
        for (int k = 0; k <= 400; ++k) {
            char shown[16] = {}, back[16] = {};
            dravo::valueText(p, k / 400.0, shown);
            double v = -1;
            ASSERT_TRUE(dravo::normalisedForText(p, shown, v))
                << row.symbol << " \"" << shown << "\"";
            dravo::valueText(p, v, back);
            EXPECT_EQ(back, signless(shown)) << row.symbol;
        }
    }
    const struct {
        Param p;
        const char* text;
    } refused[] = {
        {Param::LowCutFreq, "50k"},  {Param::LowCutFreq, "1kdB"}, {Param::Output, "+40"},
        {Param::Output, ""},         {Param::Phase, "sideways"},  {Param::Mid1Q, "3"},
        {Param::LowShelfGain, "x3"}, {Param::Unused2, "0"},
    };
    for (const auto& r : refused) {
        double v = -1;
        EXPECT_FALSE(dravo::normalisedForText(r.p, r.text, v)) << r.text;
        EXPECT_EQ(v, -1);
    }
}
