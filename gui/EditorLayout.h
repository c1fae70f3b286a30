// Where every control of the editor sits and which picture strip it shows.
// The editor builds its window from this table and the image generator draws
// the background's labels and scales from it, so a control and its label
// cannot drift apart. Positions are left, top in pixels of the 940 x 248
// background; width and height are those of one picture of the strip.
#pragma once

namespace dravo::layout {

constexpr int kEditorWidth = 940;
constexpr int kEditorHeight = 248;
constexpr int kBackgroundId = 11500;
constexpr int kAboutImageId = 11580;

enum class Kind { OnOff, Switch3, Knob, Led, About, LatencyMs, LatencySamples };

// Sizes of one picture, by kind of control.
constexpr int kKnobSize = 60;
constexpr int kOnOffWidth = 26, kOnOffHeight = 16;
constexpr int kSwitchWidth = 44, kSwitchHeight = 36; // lever and position names
constexpr int kLedSize = 16;

constexpr float kNoDefault = -1.0f; // keeps the toolkit's default 0.5

struct Control {
    int tag; // the parameter index for parameter controls
    Kind kind;
    int bitmapId; // the strip (the background for the read-outs)
    int images;   // pictures in the strip
    int left, top;
    int width, height;
    bool inverted; // shows 1 - p (the three-position switches)
    float defaultValue;
    float shiftZoom; // knobs only
};

constexpr Control knob(int tag, int id, int images, int l, int t, float def, float zoom = 1.0f) {
    return {tag, Kind::Knob, id, images, l, t, kKnobSize, kKnobSize, false, def, zoom};
}
constexpr Control onOff(int tag, int id, int l, int t) {
    return {tag, Kind::OnOff, id, 2, l, t, kOnOffWidth, kOnOffHeight, false, kNoDefault, 1.0f};
}
constexpr Control switch3(int tag, int id, int l, int t) {
    return {tag, Kind::Switch3, id, 3, l, t, kSwitchWidth, kSwitchHeight, true, 0.5f, 1.0f};
}

// The clip LED, the two latency read-outs, the parameter controls in the
// order the editor creates them, and last the about hot spot.
inline constexpr Control kControls[] = {
    {64, Kind::Led, 11520, 3, 812, 46, kLedSize, kLedSize, false, kNoDefault, 1.0f},
    {-1, Kind::LatencyMs, kBackgroundId, 1, 58, 213, 50, 12, false, kNoDefault, 1.0f},
    {-1, Kind::LatencySamples, kBackgroundId, 1, 102, 213, 50, 12, false, kNoDefault, 1.0f},
    knob(6, 11562, 41, 840, 43, 0.5f, 2.0f), // OUTPUT
    onOff(0, 11510, 784, 48),                // EQ all
    switch3(1, 11512, 784, 128),             // LSR
    onOff(7, 11518, 880, 128),               // SAT
    onOff(8, 11540, 125, 128),               // HPF
    knob(9, 11541, 23, 33, 123, 0.0f),       // HPFfreq
    switch3(12, 11543, 180, 48),             // LOW
    switch3(14, 11516, 278, 128),            // Lshp
    knob(13, 11558, 19, 183, 123, 0.5f),     // Lfreq
    knob(15, 11571, 41, 237, 43, 0.5f),      // Lgain
    switch3(16, 11546, 331, 48),             // MID1
    knob(17, 11559, 23, 334, 123, 0.5f),     // Mfreq, first mid
    switch3(18, 11547, 428, 128),            // MQ, first mid
    knob(19, 11572, 41, 388, 43, 0.0f),      // Mgain, first mid
    switch3(20, 11548, 482, 48),             // MID2
    knob(21, 11576, 23, 486, 123, 0.5f),     // Mfreq, second mid
    switch3(22, 11549, 580, 128),            // MQ, second mid
    knob(23, 11573, 41, 539, 43, 0.0f),      // Mgain, second mid
    switch3(24, 11552, 633, 48),             // HIGH
    switch3(26, 11517, 730, 128),            // Hshp
    knob(25, 11557, 19, 637, 123, 0.5f),     // Hfreq
    knob(27, 11553, 41, 689, 43, 0.5f),      // Hgain
    onOff(10, 11554, 30, 48),                // LPF
    onOff(3, 11556, 833, 128),               // Phase
    knob(11, 11555, 23, 86, 43, 1.0f),       // LPFfreq
    {61, Kind::About, kAboutImageId, 1, 420, 210, 98, 17, false, kNoDefault, 1.0f},
};

constexpr int kNumControls = sizeof(kControls) / sizeof(kControls[0]);
static_assert(kNumControls == 29, "LED, two read-outs, 25 parameter controls, about");

// The entry for a parameter or control tag, or null.
constexpr const Control* controlForTag(int tag) {
    for (const Control& c : kControls)
        if (c.tag == tag) return &c;
    return nullptr;
}

} // namespace dravo::layout
