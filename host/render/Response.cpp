#include "host/render/Response.h"

#include "host/render/AudioIO.h"
#include "host/render/Render.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <sstream>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMinFreq = 10.0;
constexpr int kPoints = 601;
// A small impulse keeps level-dependent stages (a limiter) in their linear range.
constexpr double kImpulse = 1.0 / 1024.0;
constexpr int kIrLength = 65536; // 1.5 s at 44.1 kHz: 0.7 Hz resolution
// Silence before the impulse, so that nothing the plug-in does just after a
// resume (settling glides, say) enters the measurement.
constexpr double kSettleSeconds = 0.25;

// The plug-in's latency is read while it runs, once the impulse is in: some
// report it only after their first blocks (and report none again after a
// resume), so the value before processing would leave the delay in the phase.
template <typename T>
std::vector<double> impulseResponse(PluginSession& s, double rate, int channel, int block,
                                    int& latency) {
    // A plug-in of one input or one output has its one channel measured.
    const int inC = s.channels, outC = s.outChannels;
    const int inCh = std::min(channel, inC - 1), outCh = std::min(channel, outC - 1);
    BlockProcessor<T> proc(s, block);
    const long long settle = static_cast<long long>(kSettleSeconds * rate);
    // The response is taken from the impulse on, not from the reported
    // latency on: linear-phase stages (the oversampler's) ring before their
    // centre, and cutting that off would falsify the low frequencies. The
    // latency is taken out of the phase instead.
    const long long start = settle;
    long long total = start + std::max(s.plugin->latency(), 0) + kIrLength;
    std::vector<T> in(static_cast<std::size_t>(inC * block), T(0)),
        out(static_cast<std::size_t>(outC * block));
    std::vector<double> h;
    h.reserve(kIrLength);
    for (long long pos = 0; pos < total; pos += block) {
        int n = static_cast<int>(std::min<long long>(block, total - pos));
        std::fill(in.begin(), in.end(), T(0));
        if (settle >= pos && settle < pos + n)
            in[static_cast<std::size_t>(inC * (settle - pos) + inCh)] = static_cast<T>(kImpulse);
        proc.process(in.data(), out.data(), n);
        if (pos + n > settle) {
            latency = std::max(s.plugin->latency(), 0);
            total = std::max(total, start + latency + kIrLength);
        }
        for (int i = 0; i < n; ++i)
            if (pos + i >= start)
                h.push_back(static_cast<double>(out[outC * i + outCh]) / kImpulse);
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
    int latency = 0;
    const int measured = std::max(s.channels, s.outChannels);
    for (int ch = 0; ch < 2; ++ch) {
        if (ch >= measured) {
            h[ch] = h[0];
            continue;
        }
        // Each channel from a cleared state: suspend and resume in between.
        if (ch == 1) {
            s.plugin->suspend();
            s.plugin->resume();
        }
        h[ch] = useDouble ? impulseResponse<double>(s, rate, ch, block, latency)
                          : impulseResponse<float>(s, rate, ch, block, latency);
    }
    // Up to (just under) the Nyquist frequency of the rate.
    const double top = 0.4999 * rate;
    for (int i = 0; i < kPoints; ++i) {
        double f = kMinFreq * std::pow(top / kMinFreq, i / double(kPoints - 1));
        r.freq.push_back(f);
        for (int ch = 0; ch < 2; ++ch) {
            // Undo the reported latency: a pure delay of L samples.
            std::complex<double> H =
                dft(h[ch], f, rate) * std::polar(1.0, 2.0 * kPi * f * latency / rate);
            r.db[ch].push_back(20.0 * std::log10(std::max(std::abs(H), 1e-10)));
            r.phase[ch].push_back(std::arg(H) * 180.0 / kPi);
        }
    }
    // Unwrapped: a jump of more than half a turn between neighbours is a wrap.
    for (auto& ph : r.phase)
        for (std::size_t i = 1; i < ph.size(); ++i)
            ph[i] -= 360.0 * std::round((ph[i] - ph[i - 1]) / 360.0);
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
    // The gain panel, and below it the phase panel when asked for: the phase
    // gets its own scale so that its 0 degree line is never read as 0 dB.
    const int W = 1200;
    const double left = 80, right = 40, top = 80, ph = 550;
    const double phaseTop = top + ph + 30, phaseH = phase ? 230 : 0;
    const int H = static_cast<int>((phase ? phaseTop + phaseH : top + ph) + 70);
    const double pw = W - left - right;
    const double maxFreq = r.freq.empty() ? r.rate / 2 : r.freq.back();

    // The dB range: at least -12..+12, grown in 6 dB steps to hold the curve
    // down to -60 dB (deeper cuts run off the bottom).
    const int curves = r.stereo ? 2 : 1;
    double lo = 0, hi = 0, pLo = 0, pHi = 0;
    for (int ch = 0; ch < curves; ++ch) {
        for (double v : r.db[ch]) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        for (double v : r.phase[ch]) {
            pLo = std::min(pLo, v);
            pHi = std::max(pHi, v);
        }
    }
    double yMax = std::max(12.0, std::ceil((hi + 3) / 6) * 6);
    double yMin = std::min(-12.0, std::max(-60.0, std::floor((lo - 3) / 6) * 6));
    double range = yMax - yMin;
    double step = range <= 30 ? 3 : range <= 66 ? 6 : 12;
    // Phase: whole quarter turns around the unwrapped curve, at least -180..180.
    double pMax = std::max(180.0, std::ceil(pHi / 90) * 90);
    double pMin = std::min(-180.0, std::floor(pLo / 90) * 90);
    double pStep = 90;
    while ((pMax - pMin) / pStep > 8)
        pStep *= 2;

    auto xOf = [&](double f) {
        return left + pw * std::log(f / kMinFreq) / std::log(maxFreq / kMinFreq);
    };
    auto yOf = [&](double db) { return top + ph * (yMax - db) / range; };
    auto yOfPhase = [&](double deg) { return phaseTop + phaseH * (pMax - deg) / (pMax - pMin); };

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t* cr = cairo_create(surface);
    setColour(cr, 0xffffff);
    cairo_paint(cr);

    // Grid: every 1-2-5 frequency labelled (under the lowest panel), the
    // others faint, up to the Nyquist frequency.
    const double gridBottom = phase ? phaseTop + phaseH : top + ph;
    cairo_set_line_width(cr, 1.0);
    for (double decade = 10; decade <= maxFreq; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            double f = decade * m;
            if (f < kMinFreq || f > maxFreq) continue;
            bool major = m == 1 || m == 2 || m == 5;
            setColour(cr, major ? 0xc8c8c8 : 0xe8e8e8);
            double x = std::round(xOf(f)) + 0.5;
            cairo_move_to(cr, x, top);
            cairo_line_to(cr, x, top + ph);
            if (phase) {
                cairo_move_to(cr, x, phaseTop);
                cairo_line_to(cr, x, phaseTop + phaseH);
            }
            cairo_stroke(cr);
            if (major) {
                setColour(cr, 0x404040);
                text(cr, x, gridBottom + 20, freqLabel(f), 13, 0.5);
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
        for (double deg = pMin; deg <= pMax + 1e-9; deg += pStep) {
            double y = std::round(yOfPhase(deg)) + 0.5;
            setColour(cr, 0xd8d8d8);
            cairo_set_line_width(cr, 1.0);
            cairo_move_to(cr, left, y);
            cairo_line_to(cr, left + pw, y);
            cairo_stroke(cr);
            char label[16];
            std::snprintf(label, sizeof label, "%g\xc2\xb0", deg);
            setColour(cr, 0x404040);
            text(cr, left - 8, y + 4, label, 12, 1.0);
        }
    setColour(cr, 0x404040);
    text(cr, left + pw / 2, H - 18, "frequency (Hz)", 14, 0.5);
    auto axisTitle = [&](double centre, const char* what) {
        cairo_save(cr);
        cairo_translate(cr, 24, centre);
        cairo_rotate(cr, -kPi / 2);
        text(cr, 0, 0, what, 14, 0.5);
        cairo_restore(cr);
    };
    axisTitle(top + ph / 2, "gain (dB)");
    if (phase) axisTitle(phaseTop + phaseH / 2, "phase (degrees)");

    // Curves, each clipped to its panel.
    const unsigned colours[2] = {0x1f5fbf, 0xc8321e};
    auto drawCurves = [&](double y0, double height, const std::vector<double>* values,
                          const std::function<double(double)>& yOfValue) {
        cairo_save(cr);
        cairo_rectangle(cr, left, y0, pw, height);
        cairo_clip(cr);
        for (int ch = 0; ch < curves; ++ch) {
            setColour(cr, colours[ch]);
            cairo_set_line_width(cr, 2.5);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            for (std::size_t i = 0; i < r.freq.size(); ++i) {
                double y = yOfValue(values[ch][i]);
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
        cairo_rectangle(cr, left + 0.5, y0 + 0.5, pw - 1, height - 1);
        cairo_stroke(cr);
    };
    drawCurves(top, ph, r.db, [&](double db) { return yOf(std::max(db, yMin - 40)); });
    if (phase) drawCurves(phaseTop, phaseH, r.phase, yOfPhase);

    // Title: the preset's name and what was edited, made smaller to fit;
    // below it what was measured and how.
    setColour(cr, 0x202020);
    std::string title = r.title.empty() ? "(unnamed)" : r.title;
    double size = 24;
    for (; size > 11; size -= 1) {
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, size);
        cairo_text_extents_t ext;
        cairo_text_extents(cr, title.c_str(), &ext);
        if (ext.x_advance <= pw) break;
    }
    text(cr, left, 38, title, size, 0.0, true);
    char sub[256];
    std::snprintf(sub, sizeof sub,
                  "%s  \xc2\xb7  magnitude response%s measured at %g Hz, up to %g Hz",
                  r.pluginName.c_str(), phase ? " and unwrapped phase" : "", r.rate, r.rate / 2);
    setColour(cr, 0x606060);
    text(cr, left, 62, sub, 13, 0.0);
    if (r.stereo) {
        double x = left + pw;
        const char* names[2] = {"left", "right"};
        for (int ch = curves - 1; ch >= 0; --ch) {
            setColour(cr, colours[ch]);
            text(cr, x, 62, names[ch], 13, 1.0, true);
            x -= 60;
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
