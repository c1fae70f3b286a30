#include "host/render/Response.h"

#include "host/render/AudioIO.h"
#include "host/render/Render.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <sstream>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMinFreq = 10.0, kMaxFreq = 22000.0;
constexpr int kPoints = 601;
// A small impulse keeps level-dependent stages (a limiter) in their linear range.
constexpr double kImpulse = 1.0 / 1024.0;
constexpr int kIrLength = 65536; // 1.5 s at 44.1 kHz: 0.7 Hz resolution
// Silence before the impulse, so that nothing the plug-in does just after a
// resume (settling glides, say) enters the measurement.
constexpr double kSettleSeconds = 0.25;

template <typename T>
std::vector<double> impulseResponse(PluginSession& s, double rate, int channel, int block) {
    BlockProcessor<T> proc(s, block);
    const long long settle = static_cast<long long>(kSettleSeconds * rate);
    // The response is taken from the impulse on, not from the reported
    // latency on: linear-phase stages (the oversampler's) ring before their
    // centre, and cutting that off would falsify the low frequencies. The
    // latency is taken out of the phase instead.
    const long long start = settle;
    const long long total = start + std::max(s.plugin->latency(), 0) + kIrLength;
    std::vector<T> in(static_cast<std::size_t>(2 * block), T(0)), out(in.size());
    std::vector<double> h;
    h.reserve(kIrLength);
    for (long long pos = 0; pos < total; pos += block) {
        int n = static_cast<int>(std::min<long long>(block, total - pos));
        std::fill(in.begin(), in.end(), T(0));
        if (settle >= pos && settle < pos + n)
            in[static_cast<std::size_t>(2 * (settle - pos) + channel)] = static_cast<T>(kImpulse);
        proc.process(in.data(), out.data(), n);
        for (int i = 0; i < n; ++i)
            if (pos + i >= start) h.push_back(static_cast<double>(out[2 * i + channel]) / kImpulse);
    }
    // Drop the part that has decayed to nothing: it only costs time below.
    double peak = 0;
    for (double v : h)
        peak = std::max(peak, std::fabs(v));
    std::size_t end = h.size();
    while (end > 1 && std::fabs(h[end - 1]) <= peak * 1e-10)
        --end;
    h.resize(end);
    return h;
}

// H(f) = sum h[n] e^(-j 2 pi f n / rate), by a rotating phasor.
std::complex<double> dft(const std::vector<double>& h, double f, double rate) {
    const double w = -2.0 * kPi * f / rate;
    const std::complex<double> step(std::cos(w), std::sin(w));
    std::complex<double> phasor(1.0, 0.0), sum(0.0, 0.0);
    for (std::size_t n = 0; n < h.size(); ++n) {
        sum += h[n] * phasor;
        phasor *= step;
        if ((n & 1023) == 1023) phasor /= std::abs(phasor); // keep it on the unit circle
    }
    return sum;
}

void setColour(cairo_t* cr, unsigned rgb, double alpha = 1.0) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0,
                          (rgb & 255) / 255.0, alpha);
}

void text(cairo_t* cr, double x, double y, const std::string& s, double size, double alignX,
          bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, s.c_str(), &ext);
    cairo_move_to(cr, x - alignX * ext.x_advance, y);
    cairo_show_text(cr, s.c_str());
}

std::string freqLabel(double f) {
    char buf[16];
    if (f >= 1000)
        std::snprintf(buf, sizeof buf, "%gk", f / 1000);
    else
        std::snprintf(buf, sizeof buf, "%g", f);
    return buf;
}

} // namespace

Response measureResponse(PluginSession& s, double rate, bool useDouble, int block) {
    Response r;
    r.rate = rate;
    r.title = s.title;
    r.pluginName = s.plugin->effectName().text;
    std::vector<double> h[2];
    const double latency = std::max(s.plugin->latency(), 0);
    for (int ch = 0; ch < 2; ++ch) {
        // Each channel from a cleared state: suspend and resume in between.
        if (ch == 1) {
            s.plugin->suspend();
            s.plugin->resume();
        }
        h[ch] = useDouble ? impulseResponse<double>(s, rate, ch, block)
                          : impulseResponse<float>(s, rate, ch, block);
    }
    const double top = std::min(kMaxFreq, 0.4999 * rate);
    for (int i = 0; i < kPoints; ++i) {
        double f = kMinFreq * std::pow(kMaxFreq / kMinFreq, i / double(kPoints - 1));
        if (f > top) break;
        r.freq.push_back(f);
        for (int ch = 0; ch < 2; ++ch) {
            // Undo the reported latency: a pure delay of L samples.
            std::complex<double> H =
                dft(h[ch], f, rate) * std::polar(1.0, 2.0 * kPi * f * latency / rate);
            r.db[ch].push_back(20.0 * std::log10(std::max(std::abs(H), 1e-10)));
            r.phase[ch].push_back(std::arg(H) * 180.0 / kPi);
        }
    }
    for (std::size_t i = 0; i < r.freq.size(); ++i)
        if (std::fabs(r.db[0][i] - r.db[1][i]) > 0.01) r.stereo = true;
    return r;
}

void writeResponseCsv(const Response& r, const std::string& path) {
    std::ostringstream out;
    out << "# " << r.title << " (" << r.pluginName << "), measured at " << r.rate << " Hz\n";
    out << "frequency_hz,left_db,right_db,left_phase_deg,right_phase_deg\n";
    char line[160];
    for (std::size_t i = 0; i < r.freq.size(); ++i) {
        std::snprintf(line, sizeof line, "%.4f,%.5f,%.5f,%.3f,%.3f\n", r.freq[i], r.db[0][i],
                      r.db[1][i], r.phase[0][i], r.phase[1][i]);
        out << line;
    }
    std::string s = out.str();
    writeFileAtomically(path, std::vector<unsigned char>(s.begin(), s.end()));
}

namespace {

cairo_status_t collectPng(void* closure, const unsigned char* data, unsigned int length) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::vector<unsigned char> drawResponsePng(const Response& r, bool phase) {
    const int W = 1200, H = 700;
    const double left = 80, right = phase ? 80 : 40, top = 80, bottom = 70;
    const double pw = W - left - right, ph = H - top - bottom;

    // The dB range: at least -12..+12, grown in 6 dB steps to hold the curve
    // down to -60 dB (deeper cuts run off the bottom).
    double lo = 0, hi = 0;
    for (int ch = 0; ch < (r.stereo ? 2 : 1); ++ch)
        for (double v : r.db[ch]) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    double yMax = std::max(12.0, std::ceil((hi + 3) / 6) * 6);
    double yMin = std::min(-12.0, std::max(-60.0, std::floor((lo - 3) / 6) * 6));
    double range = yMax - yMin;
    double step = range <= 30 ? 3 : range <= 66 ? 6 : 12;

    auto xOf = [&](double f) {
        return left + pw * std::log(f / kMinFreq) / std::log(kMaxFreq / kMinFreq);
    };
    auto yOf = [&](double db) { return top + ph * (yMax - db) / range; };
    auto yOfPhase = [&](double deg) { return top + ph * (180.0 - deg) / 360.0; };

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t* cr = cairo_create(surface);
    setColour(cr, 0xffffff);
    cairo_paint(cr);

    // Grid: every 1-2-5 frequency labelled, the others faint.
    cairo_set_line_width(cr, 1.0);
    for (double decade = 10; decade <= 10000; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            double f = decade * m;
            if (f < kMinFreq || f > kMaxFreq) continue;
            bool major = m == 1 || m == 2 || m == 5;
            setColour(cr, major ? 0xc8c8c8 : 0xe8e8e8);
            double x = std::round(xOf(f)) + 0.5;
            cairo_move_to(cr, x, top);
            cairo_line_to(cr, x, top + ph);
            cairo_stroke(cr);
            if (major) {
                setColour(cr, 0x404040);
                text(cr, x, top + ph + 20, freqLabel(f), 13, 0.5);
            }
        }
    for (double db = yMin; db <= yMax + 1e-9; db += step) {
        double y = std::round(yOf(db)) + 0.5;
        setColour(cr, db == 0 ? 0x808080 : 0xd8d8d8);
        cairo_set_line_width(cr, db == 0 ? 1.5 : 1.0);
        cairo_move_to(cr, left, y);
        cairo_line_to(cr, left + pw, y);
        cairo_stroke(cr);
        char label[16];
        std::snprintf(label, sizeof label, db > 0 ? "+%g" : "%g", db);
        setColour(cr, 0x404040);
        text(cr, left - 8, y + 4, label, 13, 1.0);
    }
    if (phase)
        for (int deg = -180; deg <= 180; deg += 90) {
            setColour(cr, 0x707070);
            text(cr, left + pw + 8, yOfPhase(deg) + 4, std::to_string(deg) + "\xc2\xb0", 12, 0.0);
        }
    setColour(cr, 0x404040);
    text(cr, left + pw / 2, H - 18, "frequency (Hz)", 14, 0.5);
    cairo_save(cr);
    cairo_translate(cr, 24, top + ph / 2);
    cairo_rotate(cr, -kPi / 2);
    text(cr, 0, 0, "gain (dB)", 14, 0.5);
    cairo_restore(cr);
    if (phase) {
        cairo_save(cr);
        cairo_translate(cr, W - 18, top + ph / 2);
        cairo_rotate(cr, kPi / 2);
        text(cr, 0, 0, "phase (degrees)", 14, 0.5);
        cairo_restore(cr);
    }

    // Curves, clipped to the plot area.
    cairo_save(cr);
    cairo_rectangle(cr, left, top, pw, ph);
    cairo_clip(cr);
    const unsigned colours[2] = {0x1f5fbf, 0xc8321e};
    int curves = r.stereo ? 2 : 1;
    if (phase)
        for (int ch = 0; ch < curves; ++ch) {
            setColour(cr, colours[ch], 0.55);
            cairo_set_line_width(cr, 1.5);
            const double dash[] = {6.0, 4.0};
            cairo_set_dash(cr, dash, 2, 0);
            for (std::size_t i = 0; i < r.freq.size(); ++i) {
                double x = xOf(r.freq[i]), y = yOfPhase(r.phase[ch][i]);
                // Start a new stroke where the phase wraps round.
                if (i == 0 || std::fabs(r.phase[ch][i] - r.phase[ch][i - 1]) > 180)
                    cairo_move_to(cr, x, y);
                else
                    cairo_line_to(cr, x, y);
            }
            cairo_stroke(cr);
            cairo_set_dash(cr, nullptr, 0, 0);
        }
    for (int ch = 0; ch < curves; ++ch) {
        setColour(cr, colours[ch]);
        cairo_set_line_width(cr, 2.5);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        for (std::size_t i = 0; i < r.freq.size(); ++i) {
            double y = yOf(std::max(r.db[ch][i], yMin - 40));
            if (i == 0)
                cairo_move_to(cr, xOf(r.freq[i]), y);
            else
                cairo_line_to(cr, xOf(r.freq[i]), y);
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    setColour(cr, 0x606060);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, left + 0.5, top + 0.5, pw - 1, ph - 1);
    cairo_stroke(cr);

    // Title: the preset's name; below it what was measured and how.
    setColour(cr, 0x202020);
    text(cr, left, 38, r.title.empty() ? "(unnamed)" : r.title, 24, 0.0, true);
    char sub[256];
    std::snprintf(sub, sizeof sub, "%s  \xc2\xb7  magnitude response%s measured at %g Hz",
                  r.pluginName.c_str(), phase ? " and phase" : "", r.rate);
    setColour(cr, 0x606060);
    text(cr, left, 62, sub, 13, 0.0);
    if (r.stereo || phase) {
        double x = left + pw;
        const char* names[2] = {"left", "right"};
        for (int ch = curves - 1; ch >= 0; --ch) {
            setColour(cr, colours[ch]);
            text(cr, x, 62, names[ch], 13, 1.0, true);
            x -= 60;
        }
        if (phase) {
            setColour(cr, 0x707070);
            text(cr, x, 62, "solid: gain, dashed: phase", 13, 1.0);
        }
    }

    std::vector<unsigned char> png;
    cairo_surface_flush(surface);
    cairo_status_t status = cairo_surface_write_to_png_stream(surface, collectPng, &png);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw CliError(kExitOutput,
                       std::string("cannot draw the plot: ") + cairo_status_to_string(status));
    return png;
}

void releasePlotResources() {
    // cairo and fontconfig keep font caches for the life of the process;
    // giving them back keeps leak checkers quiet about the tool.
    cairo_debug_reset_static_data();
    FcFini();
}
