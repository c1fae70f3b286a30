#include "lv2/CurveImage.h"

#include <algorithm>
#include <cmath>

namespace dravo::lv2 {
namespace {

constexpr uint32_t kBackground = 0xff15181c;
constexpr uint32_t kGrid = 0xff3a424c;
constexpr uint32_t kZeroLine = 0xff6c7885;
constexpr uint32_t kCurve = 0xff8ee4ff;

// Every pixel stays opaque, so premultiplied and straight colour agree and
// blending is a mix of the two colours.
struct Canvas {
    uint32_t* pixels;
    int width, height, stride;

    void blend(int x, int y, uint32_t colour, double amount) {
        if (x < 0 || y < 0 || x >= width || y >= height || !(amount > 0.0)) return;
        amount = std::min(amount, 1.0);
        uint32_t& d = pixels[(size_t)y * (size_t)stride + (size_t)x];
        uint32_t mixed = 0xff000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const double from = (d >> shift) & 0xffu, to = (colour >> shift) & 0xffu;
            mixed |= (uint32_t)std::lround(from + (to - from) * amount) << shift;
        }
        d = mixed;
    }
    void row(int y, uint32_t colour) {
        for (int x = 0; x < width; ++x)
            blend(x, y, colour, 1.0);
    }
    void column(int x, uint32_t colour) {
        for (int y = 0; y < height; ++y)
            blend(x, y, colour, 1.0);
    }
};

// Distance from (px, py) to the segment (ax, ay)-(bx, by).
double distanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

} // namespace

void drawCurve(const EqResponse& response, uint32_t* pixels, int width, int height, int stride) {
    if (width <= 0 || height <= 0) return;
    Canvas canvas{pixels, width, height, stride};
    for (int y = 0; y < height; ++y)
        std::fill(pixels + (size_t)y * (size_t)stride, pixels + (size_t)y * (size_t)stride + width,
                  kBackground);

    // Positions are continuous: pixel (x, y) covers [x, x + 1) x [y, y + 1).
    // 0 dB lies on a row's centre so that line is crisp.
    const double zeroY = std::floor(height / 2.0) + 0.5;
    const double pixelsPerDb = height / (2.0 * curveaxes::kRangeDb);
    const double top = std::min(curveaxes::kHighHz, 0.999 * response.nyquist());
    auto xOf = [&](double hz) {
        return width * std::log(hz / curveaxes::kLowHz) /
               std::log(curveaxes::kHighHz / curveaxes::kLowHz);
    };
    auto hzAt = [&](double x) {
        return std::min(top, curveaxes::kLowHz *
                                 std::pow(curveaxes::kHighHz / curveaxes::kLowHz, x / width));
    };
    auto yOf = [&](double db) { return zeroY - db * pixelsPerDb; };

    for (double hz : {100.0, 1000.0, 10000.0})
        canvas.column((int)std::floor(xOf(hz)), kGrid);
    for (double db : {-12.0, 12.0})
        canvas.row((int)std::floor(yOf(db)), kGrid);
    canvas.row((int)std::floor(zeroY), kZeroLine);

    // The curve through the column centres, one beyond each edge; far
    // outside the picture it is held just beyond the edge.
    const double halfWidth = std::max(0.75, width / 512.0);
    auto pointY = [&](int column) {
        const double y = yOf(response.totalDb(hzAt(column + 0.5)));
        return std::isfinite(y) ? std::clamp(y, -4.0, height + 4.0) : height + 4.0;
    };
    double ys[3] = {pointY(-1), pointY(0), pointY(1)};
    for (int x = 0; x < width; ++x) {
        if (x > 0) {
            ys[0] = ys[1];
            ys[1] = ys[2];
            ys[2] = pointY(x + 1);
        }
        // This column meets the segments to the previous and the next centre.
        const double low = std::min({ys[0], ys[1], ys[2]}) - halfWidth - 1.0;
        const double high = std::max({ys[0], ys[1], ys[2]}) + halfWidth + 1.0;
        const double cx = x + 0.5;
        for (int y = std::max(0, (int)std::floor(low)); y < std::min(height, (int)std::ceil(high));
             ++y) {
            const double cy = y + 0.5;
            const double d = std::min(distanceToSegment(cx, cy, cx - 1.0, ys[0], cx, ys[1]),
                                      distanceToSegment(cx, cy, cx, ys[1], cx + 1.0, ys[2]));
            canvas.blend(x, y, kCurve, halfWidth + 0.5 - d);
        }
    }
}

} // namespace dravo::lv2
