// Which picture of a knob's film strip shows a value, and where the pointer
// of each picture points: the knob control draws by the first, the image
// generator draws the strips and the scales beside them by both, so a scale
// mark sits where the pointer shows its value.
#pragma once

namespace dravo::knob {

// The nearest of `images` pictures for a value in 0..1, computed in single
// precision (value 0.5 of 41 pictures shows picture 20); 0 for values at or
// below 0, the last picture above 1.
constexpr int frameFor(float value, int images) {
    const int last = images > 1 ? images - 1 : 0;
    const int i = value > 0.f ? (int)(value * (float)(images - 1) + 0.5f) : 0;
    return i < last ? i : last;
}

// Picture i of n points 135 + 270 i / (n - 1) degrees clockwise from the
// right (screen coordinates), in radians: lower left through the top to
// lower right.
constexpr double frameAngle(int i, int n) {
    return (0.75 + 1.5 * i / (n - 1)) * 3.14159265358979323846;
}

} // namespace dravo::knob
