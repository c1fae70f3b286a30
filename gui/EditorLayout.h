// Where every control of the editor sits and which picture strip it shows.
// The editor builds its window from this table and the image generator draws
// the background's labels and scales from it, so a control and its label
// cannot drift apart. Positions are left, top in pixels of the 940 x 248
// background; width and height are those of one picture of the strip. Below
// the strip the editor can open the curve panel (kPanelHeight more).
#pragma once

#include "model/Parameters.h"

namespace dravo::layout {

constexpr int kEditorWidth = 940;
constexpr int kEditorHeight = 248;
constexpr int kPanelHeight = 200;
constexpr int kBackgroundId = 11500;
constexpr int kAboutImageId = 11580;

// PanelSwitch: an on/off button of the editor's own (no parameter), the
// curve panel's.
enum class Kind { OnOff, Switch3, Knob, Led, About, LatencyMs, LatencySamples, PanelSwitch };

// Sizes of one picture, by kind of control.
constexpr int kKnobSize = 60;
constexpr int kOnOffWidth = 26, kOnOffHeight = 16;
constexpr int kSwitchWidth = 44, kSwitchHeight = 36; // lever and position names
constexpr int kLedSize = 16;

constexpr float kNoDefault = -1.0f; // keeps the toolkit's default 0.5

// Tags of the controls that are not parameters (above the parameter indices,
// below the preset bar's 92..111).
constexpr int kLedTag = 64;
constexpr int kAboutTag = 61;
constexpr int kCurveTag = 65;
constexpr int kReadOutTag = -1; // the latency read-outs send nothing

struct Control {
    int tag; // the parameter index (index(Param)) for parameter controls
    Kind kind;
    int bitmapId; // the strip (the background for the read-outs)
    int images;   // pictures in the strip
    int left, top;
    int width, height;
    bool inverted; // shows 1 - p (the three-position switches)
    float defaultValue;
    float shiftZoom; // knobs only
};

// A knob's double-click default is its parameter's default.
constexpr Control knob(Param p, int id, int images, int l, int t, float zoom = 1.0f) {
    return {index(p), Kind::Knob,           id,  images, l, t, kKnobSize, kKnobSize,
            false,    info(p).defaultValue, zoom};
}
constexpr Control onOff(Param p, int id, int l, int t) {
    return {index(p), Kind::OnOff, id, 2, l, t, kOnOffWidth, kOnOffHeight, false, kNoDefault, 1.0f};
}
// A switch's double-click default is its middle position (not the parameter's
// default), as the editor has always had it.
constexpr Control switch3(Param p, int id, int l, int t) {
    return {index(p), Kind::Switch3, id, 3, l, t, kSwitchWidth, kSwitchHeight, true, 0.5f, 1.0f};
}

// The clip LED, the two latency read-outs, the parameter controls in the
// order the editor creates them, the curve panel's switch and last the
// about hot spot.
inline constexpr Control kControls[] = {
    {kLedTag, Kind::Led, 11520, 3, 812, 46, kLedSize, kLedSize, false, kNoDefault, 1.0f},
    {kReadOutTag, Kind::LatencyMs, kBackgroundId, 1, 58, 213, 50, 12, false, kNoDefault, 1.0f},
    {kReadOutTag, Kind::LatencySamples, kBackgroundId, 1, 102, 213, 50, 12, false, kNoDefault,
     1.0f},
    knob(Param::Output, 11562, 41, 840, 43, 2.0f),
    onOff(Param::Master, 11510, 784, 48),
    switch3(Param::Channel, 11512, 784, 128),
    onOff(Param::Saturation, 11518, 880, 128),
    onOff(Param::LowCutOn, 11540, 125, 128),
    knob(Param::LowCutFreq, 11541, 23, 33, 123),
    switch3(Param::LowShelfMode, 11543, 180, 48),
    switch3(Param::LowShelfShape, 11516, 278, 128),
    knob(Param::LowShelfFreq, 11558, 19, 183, 123),
    knob(Param::LowShelfGain, 11571, 41, 237, 43),
    switch3(Param::Mid1Mode, 11546, 331, 48),
    knob(Param::Mid1Freq, 11559, 23, 334, 123),
    switch3(Param::Mid1Q, 11547, 428, 128),
    knob(Param::Mid1Gain, 11572, 41, 388, 43),
    switch3(Param::Mid2Mode, 11548, 482, 48),
    knob(Param::Mid2Freq, 11576, 23, 486, 123),
    switch3(Param::Mid2Q, 11549, 580, 128),
    knob(Param::Mid2Gain, 11573, 41, 539, 43),
    switch3(Param::HighShelfMode, 11552, 633, 48),
    switch3(Param::HighShelfShape, 11517, 730, 128),
    knob(Param::HighShelfFreq, 11557, 19, 637, 123),
    knob(Param::HighShelfGain, 11553, 41, 689, 43),
    onOff(Param::HighCutOn, 11554, 30, 48),
    onOff(Param::Phase, 11556, 833, 128),
    knob(Param::HighCutFreq, 11555, 23, 86, 43),
    {kCurveTag, Kind::PanelSwitch, 11519, 2, 547, 211, kOnOffWidth, kOnOffHeight, false, kNoDefault,
     1.0f},
    {kAboutTag, Kind::About, kAboutImageId, 1, 420, 210, 98, 17, false, kNoDefault, 1.0f},
};

constexpr int kNumControls = sizeof(kControls) / sizeof(kControls[0]);
static_assert(kNumControls == 30,
              "LED, two read-outs, 25 parameter controls, the curve switch, about");

// The entry for a parameter or control tag, or null.
constexpr const Control* controlForTag(int tag) {
    for (const Control& c : kControls)
        if (c.tag == tag) return &c;
    return nullptr;
}
constexpr const Control* controlFor(Param p) {
    return controlForTag(index(p));
}

// A control that shows and sets a parameter (its tag is the index).
constexpr bool isParameterControl(const Control& c) {
    return c.kind == Kind::Knob || c.kind == Kind::OnOff || c.kind == Kind::Switch3;
}
// The parameter of a parameter control.
constexpr Param paramOf(const Control& c) {
    return paramAt(c.tag);
}

} // namespace dravo::layout
