// The 22 factory presets: every real-unit setting reproduced by the engine
// values the model derives and by the texts a host shows.
#include "model/FactoryPresets.h"
#include "model/Model.h"

#include <gtest/gtest.h>

#include <cmath>

using dravo::Param;

namespace {

// The columns of the table below.
constexpr Param kColumns[22] = {
    Param::Output,         Param::Saturation,    Param::LowCutOn,      Param::LowCutFreq,
    Param::HighCutOn,      Param::HighCutFreq,   Param::LowShelfMode,  Param::LowShelfFreq,
    Param::LowShelfShape,  Param::LowShelfGain,  Param::Mid1Mode,      Param::Mid1Freq,
    Param::Mid1Q,          Param::Mid1Gain,      Param::Mid2Mode,      Param::Mid2Freq,
    Param::Mid2Q,          Param::Mid2Gain,      Param::HighShelfMode, Param::HighShelfFreq,
    Param::HighShelfShape, Param::HighShelfGain,
};

// One preset in real units, in the columns above: output in dB, switches as
// positions (SAT 1/0), frequencies in Hz, gains in dB, engine Q; and the
// display texts of the same parameters.
struct RealUnits {
    int preset;
    double engine[22];
    const char* text[22];
};

// clang-format off
const RealUnits kRealUnits[22] = {
    {0, {0.0, 0, 0, 12.4, 0, 28284.0, 2, 105.1, 0, 0.0, 2, 895.0, 1.13136, 0.0, 2, 1266.0, 1.13136, 0.0, 2, 8909.0, 0, 0.0},
     {"0dB", "Off", "Off  ", "12Hz", "Off  ", "28.3kHz", "I", "105Hz", "Shelf", "0.00dB", "+", "895Hz", "2.0", "0.00dB", "+", "1.27kHz", "2.0", "0.00dB", "I", "8.91kHz", "Shelf", "0.00dB"}},
    {1, {0.0, 0, 1, 12.4, 0, 28284.0, 2, 105.1, 0, -1.125, 0, 564.0, 2.5, 0.5, 1, 2532.0, 0.473757, 0.0, 2, 12599.0, 0, 1.0},
     {"0dB", "Off", "On   ", "12Hz", "Off  ", "28.3kHz", "I", "105Hz", "Shelf", "-1.13dB", "-", "564Hz", "4.0", "0.50dB", "0", "2.53kHz", "0.7", "0.00dB", "I", "12.6kHz", "Shelf", "1.00dB"}},
    {2, {0.0, 0, 1, 99.2, 1, 16818.0, 1, 26.3, 0, 0.0, 2, 141.0, 1.13136, 3.375, 0, 1005.0, 1.13136, 5.0, 2, 3969.0, 0, 6.0},
     {"0dB", "Off", "On   ", "99Hz", "On   ", "16.8kHz", "0", "26Hz", "Shelf", "0.00dB", "+", "141Hz", "2.0", "3.38dB", "-", "1.01kHz", "2.0", "5.00dB", "I", "3.97kHz", "Shelf", "6.00dB"}},
    {3, {0.0, 0, 1, 19.7, 0, 28284.0, 2, 62.5, 0, 5.375, 0, 355.0, 1.13136, 5.5, 2, 3190.0, 2.5, 7.5, 2, 7937.0, 0, 0.0},
     {"0dB", "Off", "On   ", "20Hz", "Off  ", "28.3kHz", "I", "63Hz", "Shelf", "5.38dB", "-", "355Hz", "2.0", "5.50dB", "+", "3.19kHz", "4.0", "7.50dB", "I", "7.94kHz", "Shelf", "0.00dB"}},
    {4, {0.0, 0, 1, 12.4, 0, 28284.0, 2, 52.6, 2, 5.0, 0, 355.0, 1.13136, 6.375, 2, 2532.0, 1.13136, 3.0, 2, 11225.0, 2, 2.875},
     {"0dB", "Off", "On   ", "12Hz", "Off  ", "28.3kHz", "I", "53Hz", "Peak", "5.00dB", "-", "355Hz", "2.0", "6.38dB", "+", "2.53kHz", "2.0", "3.00dB", "I", "11.2kHz", "Peak", "2.88dB"}},
    {5, {0.0, 0, 1, 39.4, 0, 28284.0, 2, 52.6, 2, 5.375, 0, 710.0, 0.473757, 8.875, 2, 2010.0, 0.473757, 6.375, 2, 7937.0, 0, 2.0},
     {"0dB", "Off", "On   ", "39Hz", "Off  ", "28.3kHz", "I", "53Hz", "Peak", "5.38dB", "-", "710Hz", "0.7", "8.88dB", "+", "2.01kHz", "0.7", "6.38dB", "I", "7.94kHz", "Shelf", "2.00dB"}},
    {6, {0.0, 0, 1, 157.5, 0, 28284.0, 2, 125.0, 0, -3.625, 0, 895.0, 2.5, 7.5, 0, 3190.0, 2.5, 6.0, 2, 10000.0, 0, 3.5},
     {"0dB", "Off", "On   ", "158Hz", "Off  ", "28.3kHz", "I", "125Hz", "Shelf", "-3.63dB", "-", "895Hz", "4.0", "7.50dB", "-", "3.19kHz", "4.0", "6.00dB", "I", "10.0kHz", "Shelf", "3.50dB"}},
    {7, {0.0, 0, 1, 157.5, 0, 28284.0, 2, 125.0, 0, -3.625, 0, 355.0, 1.13136, 5.0, 0, 3190.0, 2.5, 0.0, 2, 10000.0, 0, 5.0},
     {"0dB", "Off", "On   ", "158Hz", "Off  ", "28.3kHz", "I", "125Hz", "Shelf", "-3.63dB", "-", "355Hz", "2.0", "5.00dB", "-", "3.19kHz", "4.0", "0.00dB", "I", "10.0kHz", "Shelf", "5.00dB"}},
    {8, {0.0, 0, 1, 49.6, 0, 28284.0, 0, 62.5, 0, 4.5, 2, 447.0, 2.5, 5.5, 1, 1266.0, 2.5, 0.0, 2, 10000.0, 0, 3.5},
     {"0dB", "Off", "On   ", "50Hz", "Off  ", "28.3kHz", "II", "63Hz", "Shelf", "4.50dB", "+", "447Hz", "4.0", "5.50dB", "0", "1.27kHz", "4.0", "0.00dB", "I", "10.0kHz", "Shelf", "3.50dB"}},
    {9, {0.0, 0, 1, 49.6, 0, 28284.0, 0, 250.0, 0, -3.625, 0, 447.0, 2.5, 6.375, 1, 1266.0, 2.5, 0.0, 2, 10000.0, 0, -3.125},
     {"0dB", "Off", "On   ", "50Hz", "Off  ", "28.3kHz", "II", "250Hz", "Shelf", "-3.63dB", "-", "447Hz", "4.0", "6.38dB", "0", "1.27kHz", "4.0", "0.00dB", "I", "10.0kHz", "Shelf", "-3.13dB"}},
    {10, {0.0, 0, 1, 62.5, 0, 28284.0, 2, 149.0, 0, 8.875, 0, 895.0, 1.13136, 2.0, 2, 4020.0, 2.5, 2.0, 2, 10000.0, 2, 0.0},
     {"0dB", "Off", "On   ", "63Hz", "Off  ", "28.3kHz", "I", "149Hz", "Shelf", "8.88dB", "-", "895Hz", "2.0", "2.00dB", "+", "4.02kHz", "4.0", "2.00dB", "I", "10.0kHz", "Peak", "0.00dB"}},
    {11, {0.0, 0, 1, 62.5, 0, 28284.0, 2, 149.0, 0, -3.125, 0, 1420.0, 2.5, 1.0, 2, 5064.0, 2.5, 4.0, 2, 10000.0, 2, 0.0},
     {"0dB", "Off", "On   ", "63Hz", "Off  ", "28.3kHz", "I", "149Hz", "Shelf", "-3.13dB", "-", "1.42kHz", "4.0", "1.00dB", "+", "5.06kHz", "4.0", "4.00dB", "I", "10.0kHz", "Peak", "0.00dB"}},
    {12, {0.0, 0, 1, 62.5, 0, 28284.0, 2, 210.0, 2, 7.0, 0, 564.0, 0.473757, 3.0, 2, 3190.0, 2.5, 2.5, 2, 11225.0, 0, 3.875},
     {"0dB", "Off", "On   ", "63Hz", "Off  ", "28.3kHz", "I", "210Hz", "Peak", "7.00dB", "-", "564Hz", "0.7", "3.00dB", "+", "3.19kHz", "4.0", "2.50dB", "I", "11.2kHz", "Shelf", "3.88dB"}},
    {13, {0.0, 1, 1, 49.6, 0, 28284.0, 2, 74.3, 0, 6.0, 0, 355.0, 2.5, 4.375, 2, 2532.0, 2.5, 5.5, 2, 4455.0, 0, 4.5},
     {"0dB", "Sat", "On   ", "50Hz", "Off  ", "28.3kHz", "I", "74Hz", "Shelf", "6.00dB", "-", "355Hz", "4.0", "4.38dB", "+", "2.53kHz", "4.0", "5.50dB", "I", "4.46kHz", "Shelf", "4.50dB"}},
    {14, {0.0, 0, 1, 62.5, 0, 28284.0, 2, 105.1, 0, 1.375, 0, 355.0, 1.13136, 1.0, 2, 4020.0, 2.5, 2.0, 2, 10000.0, 2, 1.375},
     {"0dB", "Off", "On   ", "63Hz", "Off  ", "28.3kHz", "I", "105Hz", "Shelf", "1.38dB", "-", "355Hz", "2.0", "1.00dB", "+", "4.02kHz", "4.0", "2.00dB", "I", "10.0kHz", "Peak", "1.38dB"}},
    {15, {-2.25, 0, 0, 12.4, 0, 28284.0, 2, 62.5, 2, 2.875, 2, 3578.0, 0.473757, 3.0, 0, 3190.0, 2.5, 3.0, 2, 10000.0, 0, 2.0},
     {"-2dB", "Off", "Off  ", "12Hz", "Off  ", "28.3kHz", "I", "63Hz", "Peak", "2.88dB", "+", "3.58kHz", "0.7", "3.00dB", "-", "3.19kHz", "4.0", "3.00dB", "I", "10.0kHz", "Shelf", "2.00dB"}},
    {16, {4.0, 1, 1, 39.4, 1, 2500.0, 2, 105.1, 1, 6.0, 0, 447.0, 2.5, 6.0, 1, 2532.0, 1.13136, 0.0, 0, 8909.0, 0, 0.0},
     {"4dB", "Sat", "On   ", "39Hz", "On   ", "2.50kHz", "I", "105Hz", "Steep", "6.00dB", "-", "447Hz", "4.0", "6.00dB", "0", "2.53kHz", "2.0", "0.00dB", "II", "8.91kHz", "Shelf", "0.00dB"}},
    {17, {4.0, 1, 1, 39.4, 1, 4204.0, 2, 105.1, 1, 5.0, 0, 447.0, 1.13136, 4.0, 2, 1595.0, 1.13136, 6.0, 0, 8909.0, 0, 0.0},
     {"4dB", "Sat", "On   ", "39Hz", "On   ", "4.20kHz", "I", "105Hz", "Steep", "5.00dB", "-", "447Hz", "2.0", "4.00dB", "+", "1.60kHz", "2.0", "6.00dB", "II", "8.91kHz", "Shelf", "0.00dB"}},
    {18, {0.0, 1, 1, 99.2, 1, 8409.0, 2, 149.0, 2, 3.875, 2, 895.0, 2.5, 4.0, 2, 4020.0, 2.5, 5.0, 2, 8909.0, 1, 2.875},
     {"0dB", "Sat", "On   ", "99Hz", "On   ", "8.41kHz", "I", "149Hz", "Peak", "3.88dB", "+", "895Hz", "4.0", "4.00dB", "+", "4.02kHz", "4.0", "5.00dB", "I", "8.91kHz", "Steep", "2.88dB"}},
    {19, {0.0, 0, 0, 12.4, 0, 28284.0, 2, 105.1, 0, 5.0, 2, 1127.0, 0.473757, 2.0, 0, 1266.0, 2.5, 4.0, 2, 12599.0, 0, 2.875},
     {"0dB", "Off", "Off  ", "12Hz", "Off  ", "28.3kHz", "I", "105Hz", "Shelf", "5.00dB", "+", "1.13kHz", "0.7", "2.00dB", "-", "1.27kHz", "4.0", "4.00dB", "I", "12.6kHz", "Shelf", "2.88dB"}},
    {20, {0.0, 0, 0, 12.4, 0, 28284.0, 1, 105.1, 0, 5.0, 2, 3578.0, 0.473757, 2.0, 0, 4020.0, 2.5, 5.0, 1, 8909.0, 0, 2.875},
     {"0dB", "Off", "Off  ", "12Hz", "Off  ", "28.3kHz", "0", "105Hz", "Shelf", "5.00dB", "+", "3.58kHz", "0.7", "2.00dB", "-", "4.02kHz", "4.0", "5.00dB", "0", "8.91kHz", "Shelf", "2.88dB"}},
    {21, {0.0, 0, 0, 12.4, 0, 28284.0, 1, 105.1, 0, 5.0, 2, 5680.0, 0.473757, 2.0, 0, 6381.0, 2.5, 5.0, 1, 8909.0, 0, 2.875},
     {"0dB", "Off", "Off  ", "12Hz", "Off  ", "28.3kHz", "0", "105Hz", "Shelf", "5.00dB", "+", "5.68kHz", "0.7", "2.00dB", "-", "6.38kHz", "4.0", "5.00dB", "0", "8.91kHz", "Shelf", "2.88dB"}},
};
// clang-format on

} // namespace

// Each preset as the program store keeps it (32-bit floats), in a model.
TEST(FactoryPresets, EngineValuesAndTextsMatchTheRealUnitTable) {
    for (const RealUnits& row : kRealUnits) {
        const dravo::FactoryPreset& preset = dravo::kFactoryPresets[row.preset];
        dravo::Model model;
        for (const dravo::PresetField& f : preset.fields)
            model.set(f.param, (float)f.value);
        for (int k = 0; k < 22; k++) {
            const Param p = kColumns[k];
            double engine = model.engineValue(p);
            if (p == Param::Output) engine = 6.0 * std::log2(engine); // a factor of 2^(dB / 6)
            EXPECT_NEAR(engine, row.engine[k], 1e-9) << preset.name << " " << dravo::info(p).symbol;
            char text[16] = {};
            model.text(p, text);
            EXPECT_STREQ(text, row.text[k]) << preset.name << " " << dravo::info(p).symbol;
        }
        // The same in every preset: EQ on, both channels, phase normal.
        const struct {
            Param p;
            double engine;
            const char* text;
        } common[] = {{Param::Master, 1.0, "On   "},
                      {Param::Channel, 0.5, "Stereo"},
                      {Param::Phase, 0.0, "Normal"}};
        for (const auto& c : common) {
            char text[16] = {};
            model.text(c.p, text);
            EXPECT_EQ(model.engineValue(c.p), c.engine) << preset.name;
            EXPECT_STREQ(text, c.text) << preset.name;
        }
    }
}
