#include "model/ValueText.h"

#include "model/Parameters.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace dravo {

void formatNumber(float value, int decimals, char* text) {
    double x = value;
    if (!std::isfinite(x)) x = 0.0;
    const int d = decimals < 0 ? 0 : (decimals > 3 ? 3 : decimals);

    // Round half away from zero at the d-th decimal; a remainder of 0.49999
    // units counts as a half (so 0.7f, stored as 0.69999999, shows 0.70).
    const double scale = std::pow(10.0, d);
    const double s = x * scale;
    const double r = s - dravo::truncToInt(s);
    if (r >= 0.49999)
        x = (s + 1.0) * std::pow(0.1, d);
    else if (r <= -0.49999)
        x = (s - 1.0) * std::pow(0.1, d);

    char* out = text;
    int budget = 7;
    if (x < 0.0) {
        *out++ = '-';
        x = -x;
        budget = 6;
    }
    // Integer parts of 100000 or more are never shown; keep them within the
    // digit budget so the text never exceeds 8 characters.
    const double largest = budget == 7 ? 9999999.0 : 999999.0;
    if (x > largest) x = largest;
    const double whole = std::floor(x);
    int digits = std::snprintf(out, 12, "%lld", (long long)whole);
    out += digits;
    int fraction = budget - digits;
    if (fraction > d) fraction = d;
    if (d > 0 && fraction > 0) {
        *out++ = '.';
        double f = x - whole;
        for (int i = 0; i < fraction; ++i) {
            f *= 10.0;
            int digit = (int)f;
            digit = digit < 0 ? 0 : (digit > 9 ? 9 : digit);
            *out++ = (char)('0' + digit);
            f -= digit;
        }
    }
    *out = 0;
}

namespace {
void withUnit(float value, int decimals, const char* unit, char* text) {
    formatNumber(value, decimals, text);
    std::strcat(text, unit);
}
} // namespace

void formatFrequency(float hz, char* text) {
    if (hz < 0.2f)
        withUnit(hz, 3, "Hz", text);
    else if (hz < 1.0f)
        withUnit(hz, 2, "Hz", text);
    else if (hz < 10.0f)
        withUnit(hz, 1, "Hz", text);
    else if (hz < 1000.0f)
        withUnit(hz, 0, "Hz", text);
    else if (hz < 10000.0f)
        withUnit((float)(hz * 0.001), 2, "kHz", text);
    else
        withUnit((float)(hz * 0.001), 1, "kHz", text);
}

// dB = 6 * log2(factor): the inverse of the output gain's 2^(dB / 6).
void formatDecibels(float factor, int decimals, char* text) {
    if (!(factor > 0.0f)) {
        std::strcpy(text, "-oodB");
        return;
    }
    float db = (float)(std::log10((double)factor) * 6.0);
    db = (float)(db / std::log10(2.0));
    withUnit(db, decimals, "dB", text);
}

void formatMilliseconds(float ms, char* text) {
    if (!(ms >= 0.0001f))
        std::strcpy(text, "0ms");
    else if (ms < 1.0f)
        withUnit(ms, 2, "ms", text);
    else if (ms < 10.0f)
        withUnit(ms, 1, "ms", text);
    else if (ms < 1000.0f)
        withUnit(ms, 0, "ms", text);
    else
        withUnit((float)(ms * 0.001), 2, "s", text);
}

void formatSamples(float samples, char* text) {
    if (!(samples >= 1.0f)) {
        std::strcpy(text, "0smps");
        return;
    }
    std::snprintf(text, 16, "%dsmps", dravo::truncToInt(samples));
}

bool valueText(Param p, double v, char* out) {
    // Composed locally, then cut to 8 characters: a value far outside 0..1
    // must not run past the caller's 9 bytes.
    char text[32];
    std::memset(text, 0, sizeof text);
    bool wrote = true;
    const double e = engineValueOf(p, v);
    const int pos = (int)e;
    // Switch texts by position; a position outside the switch's range
    // leaves the caller's text untouched.
    auto pick = [&](const char* const* texts, int count) {
        wrote = pos >= 0 && pos < count;
        if (wrote) std::strcpy(text, texts[pos]);
    };
    // The switch texts hosts have always shown, trailing blanks included.
    static const char* const kPhase[] = {"Normal", "Reverse"};
    static const char* const kCut[] = {"Off  ", "On   "};
    static const char* const kShelfMode[] = {"II", "0", "I"};
    static const char* const kShape[] = {"Shelf", "Steep", "Peak"};
    static const char* const kMidMode[] = {"-", "0", "+"};

    switch (info(p).display) {
    case Display::None:
        break;
    case Display::MasterSwitch:
        std::strcpy(text, e != 0.0 ? "On   " : "Off  ");
        break;
    case Display::Channel:
        std::strcpy(text, v < 0.25 ? "Right" : (v < 0.75 ? "Stereo" : "Left"));
        break;
    case Display::Phase:
        pick(kPhase, 2);
        break;
    case Display::OutputDb:
        formatDecibels((float)e, 0, text);
        break;
    case Display::Saturation:
        std::strcpy(text, e != 0.0 ? "Sat" : "Off");
        break;
    case Display::CutSwitch:
        pick(kCut, 2);
        break;
    case Display::Frequency:
        formatFrequency((float)e, text);
        break;
    case Display::ShelfMode:
        pick(kShelfMode, 3);
        break;
    case Display::ShelfShape:
        pick(kShape, 3);
        break;
    case Display::GainDb:
        formatNumber((float)e, 2, text);
        std::strcat(text, "dB");
        break;
    case Display::MidMode:
        pick(kMidMode, 3);
        break;
    case Display::QText:
        // Deliberately split at 0.25 / 0.75 while the engine's Q changes at
        // 0.5 / 0.75 (qOf): hosts and stored sessions have always shown
        // these texts, so both stay as they are.
        std::strcpy(text, v < 0.25 ? "0.7" : (v < 0.75 ? "2.0" : "4.0"));
        break;
    }
    if (wrote) {
        const size_t n = strnlen(text, 8);
        std::memcpy(out, text, n);
        out[n] = 0;
    }
    return wrote;
}

} // namespace dravo
