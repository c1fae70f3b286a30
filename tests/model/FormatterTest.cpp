// The value formatters on their own: rounding, thresholds, special texts.
#include "model/ValueText.h"

#include <gtest/gtest.h>

#include <string>

using namespace dravo;

namespace {
template <typename F, typename... A> std::string run(F f, A... args) {
    char text[64] = "untouched";
    f(args..., text);
    return text;
}
std::string num(float v, int d) {
    return run(formatNumber, v, d);
}
std::string hz(float v) {
    return run(formatFrequency, v);
}
std::string db(float f, int d) {
    return run(formatDecibels, f, d);
}
std::string ms(float v) {
    return run(formatMilliseconds, v);
}
std::string smp(float v) {
    return run(formatSamples, v);
}
} // namespace

TEST(Formatter, NumbersRoundHalfAwayFromZeroAndKeepTheSign) {
    EXPECT_EQ(num(2.5f, 2), "2.50");
    EXPECT_EQ(num(0.7f, 2), "0.70");
    EXPECT_EQ(num(-0.125f, 2), "-0.13");
    EXPECT_EQ(num(62.5f, 0), "63");
    EXPECT_EQ(num(-0.25f, 0), "-0");
    EXPECT_EQ(num(0.0f, 2), "0.00");
    EXPECT_EQ(num(12.5f, 2), "12.50");
    EXPECT_EQ(num(-10.0f, 2), "-10.00");
    EXPECT_EQ(num(999.4f, 0), "999");
    EXPECT_EQ(num(0.1234f, 3), "0.123");
    EXPECT_EQ(num(1.0f / 3.0f, 1), "0.3");
}

TEST(Formatter, FrequenciesPickDecimalsAndUnitByRange) {
    EXPECT_EQ(hz(12.4f), "12Hz");
    EXPECT_EQ(hz(62.5f), "63Hz");
    EXPECT_EQ(hz(99.7f), "100Hz");
    EXPECT_EQ(hz(1000.0f), "1.00kHz");
    EXPECT_EQ(hz(1587.0f), "1.59kHz");
    EXPECT_EQ(hz(1595.0f), "1.60kHz");
    EXPECT_EQ(hz(10000.0f), "10.0kHz");
    EXPECT_EQ(hz(22449.0f), "22.4kHz");
    EXPECT_EQ(hz(28284.0f), "28.3kHz");
    EXPECT_EQ(hz(0.1f), "0.100Hz");
    EXPECT_EQ(hz(0.5f), "0.50Hz");
    EXPECT_EQ(hz(5.0f), "5.0Hz");
}

TEST(Formatter, DecibelsFromFactors) {
    EXPECT_EQ(db(1.0f, 0), "0dB");
    EXPECT_EQ(db(0.0f, 0), "-oodB");
    EXPECT_EQ(db(-1.0f, 2), "-oodB");
    EXPECT_EQ(db(2.0f, 1), "6.0dB");
    EXPECT_EQ(db(0.5f, 0), "-6dB");
}

TEST(Formatter, MillisecondsAndSamples) {
    EXPECT_EQ(ms(0.999f), "1.00ms");
    EXPECT_EQ(ms(9.96f), "10.0ms");
    EXPECT_EQ(ms(1234.5f), "1.23s");
    EXPECT_EQ(ms(0.00005f), "0ms");
    EXPECT_EQ(ms(0.5f), "0.50ms");
    EXPECT_EQ(ms(1.04308f), "1.0ms");
    EXPECT_EQ(ms(123.4f), "123ms");
    EXPECT_EQ(smp(46.9f), "46smps");
    EXPECT_EQ(smp(0.5f), "0smps");
    EXPECT_EQ(smp(1.0f), "1smps");
}

TEST(Formatter, HostileValuesStayBoundedAndDefined) {
    // Never shown by the plug-in, but must not overflow or misbehave.
    for (float v : {1e30f, -1e30f, 3e9f, 1e-30f}) {
        EXPECT_LE(num(v, 2).size(), 16u) << v;
        EXPECT_LE(ms(v).size(), 16u) << v;
        EXPECT_LE(smp(v).size(), 16u) << v;
    }
}
