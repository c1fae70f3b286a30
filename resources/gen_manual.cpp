// The user manual's content, laid out as an A4 PDF by the typesetter in
// manual/Typesetter.h:
//   gen_manual OUTPUT.pdf IMAGE_DIR
// IMAGE_DIR holds the editor's images (bmpNNNNN.png) that gen_images draws;
// the manual's pictures of the editor are composed from them. Parameter names,
// frequency steps, value texts, factory presets and latencies are read from
// the plug-in's own tables, formatters and engine, so the manual cannot
// drift from the plug-in. The output is reproducible: fixed metadata and
// dates, no clock.
#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dsp/EqEngine.h"
#include "gui/EditorLayout.h"
#include "gui/KnobFrame.h"
#include "model/CurveSettings.h"
#include "model/FactoryPresets.h"
#include "model/Model.h"
#include "model/Parameters.h"
#include "model/ValueText.h"
#include "presets/PresetBarLayout.h"
#include "resources/Manual.h"
#include "resources/manual/Typesetter.h"

using namespace dravo;

namespace {

using dravo::Param;
using namespace typeset;

std::string imageDir;

// ---------------------------------------------------------------------------
// Text helpers

std::string freqText(double hz) {
    char t[32];
    formatFrequency((float)hz, t);
    return t;
}

std::string dbText(double db, int decimals) {
    char t[32];
    formatNumber((float)db, decimals, t);
    return std::string(t) + "dB";
}

// The frequency steps of a table as the host shows them.
std::string stepList(const dravo::FrequencyTable& table) {
    std::string s;
    for (int i = 0; i <= table.last; ++i) {
        if (i) s += ", ";
        s += freqText(table.hz[i]);
    }
    return s;
}

// Sets the parameters `which` selects to their values in factory preset n,
// as the program store holds them (32-bit floats).
void loadFactoryPreset(dravo::Model& m, int n, bool (*which)(const dravo::ParamInfo&)) {
    for (const dravo::PresetField& f : dravo::kFactoryPresets[n].fields)
        if (which(dravo::info(f.param))) m.set(f.param, (float)f.value);
}

bool everyParameter(const dravo::ParamInfo&) {
    return true;
}

// The value of p in the user's unit (see realValueOf).
double realOf(const dravo::Model& m, Param p) {
    return dravo::realValueOf(p, m.normalised(p));
}

// ---------------------------------------------------------------------------
// Pictures of the editor, composed from the strips at their layout positions

cairo_surface_t* loadImage(int id) {
    char name[32];
    std::snprintf(name, sizeof name, "/bmp%05d.png", id);
    cairo_surface_t* s = cairo_image_surface_create_from_png((imageDir + name).c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "gen_manual: cannot read %s%s\n", imageDir.c_str(), name);
        std::exit(1);
    }
    return s;
}

// Draws picture `index` of a vertical strip of `frames` pictures at (x, y).
void drawFrame(cairo_t* cr, int id, int frames, int index, double x, double y) {
    cairo_surface_t* s = loadImage(id);
    int h = cairo_image_surface_get_height(s) / frames;
    int w = cairo_image_surface_get_width(s);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, s, x, y - index * h);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(s);
}

// The editor as it opens with the factory preset "Default" at 44.1 kHz.
cairo_surface_t* composeEditor() {
    using namespace dravo::layout;
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kEditorWidth, kEditorHeight);
    cairo_t* cr = cairo_create(s);
    drawFrame(cr, kBackgroundId, 1, 0, 0, 0);
    dravo::Model preset;
    loadFactoryPreset(preset, 0, everyParameter);
    EqEngine engine;
    engine.resume(44100.0f);
    for (const Control& c : kControls) {
        if (c.kind == Kind::About) continue;
        if (c.kind == Kind::PanelSwitch) { // the curve panel closed
            drawFrame(cr, c.bitmapId, c.images, 0, c.left, c.top);
            continue;
        }
        if (c.kind == Kind::LatencyMs || c.kind == Kind::LatencySamples) {
            char t[32];
            if (c.kind == Kind::LatencyMs)
                formatMilliseconds((float)engine.latencyMilliseconds(), t);
            else
                formatSamples((float)engine.latencySamples(), t);
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                   CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 9);
            cairo_set_source_rgb(cr, 200 / 255.0, 200 / 255.0, 200 / 255.0);
            cairo_move_to(cr, c.left + 2, c.top + 10);
            cairo_show_text(cr, t);
            continue;
        }
        int index = 0;
        if (c.kind != Kind::Led) {
            double v = preset.normalised(paramOf(c));
            if (c.inverted) v = 1.0 - v;
            // Knobs pick their picture as the knob control does; switches
            // show the nearest position.
            index = c.kind == Kind::OnOff  ? (v >= 0.5 ? 1 : 0)
                    : c.kind == Kind::Knob ? dravo::knob::frameFor((float)v, c.images)
                                           : (int)(v * (c.images - 1) + 0.5);
        }
        drawFrame(cr, c.bitmapId, c.images, index, c.left, c.top);
    }
    for (const presetbar::Item& item : presetbar::kItems)
        if (item.bitmapId != kBackgroundId)
            drawFrame(cr, item.bitmapId, item.frames, 0, item.left, item.top);
    cairo_destroy(cr);
    return s;
}

// ---------------------------------------------------------------------------
// Responses measured through the engine: an impulse through a freshly
// resumed engine at 44.1 kHz with its sections set, its spectrum at
// log-spaced frequencies from 20 Hz to 20 kHz.

constexpr double kPlotRate = 44100.0;

std::vector<double> measureResponse(const std::function<void(dravo::Model&)>& setup) {
    dravo::Model model;
    EqEngine& engine = model.engine();
    engine.suspend();
    setup(model); // applied at once by resume, no glide
    engine.resume((float)kPlotRate);
    const int n = 1 << 14;
    std::vector<double> inL(n, 0.0), inR(n, 0.0), outL(n), outR(n);
    inL[0] = inR[0] = 1.0;
    double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    engine.processStereo(in, out, n, true, true);
    std::vector<double> db(kPlotPoints);
    for (int i = 0; i < kPlotPoints; ++i) {
        // Sum of h[k] e^(-jwk), the phasor advanced by one rotation a sample.
        const double w = 2 * kPi * plotFrequency(i) / kPlotRate;
        const double c = std::cos(w), sn = std::sin(w);
        double pr = 1, pi = 0, re = 0, im = 0;
        for (int k = 0; k < n; ++k) {
            re += outL[k] * pr;
            im -= outL[k] * pi;
            const double t = pr * c - pi * sn;
            pi = pr * sn + pi * c;
            pr = t;
        }
        db[i] = 10 * std::log10(std::max(re * re + im * im, 1e-20));
    }
    return db;
}

// The model set to a factory preset's sections and output gain (the limiter
// stays off: it would act on the measuring impulse itself; the master,
// channel and phase keep the engine's defaults).
void applyPreset(dravo::Model& m, int preset) {
    loadFactoryPreset(m, preset, [](const dravo::ParamInfo& p) {
        return p.target == dravo::Target::Section || p.target == dravo::Target::Output;
    });
}

// Sets p to the step nearest to a value in its user's unit.
void setReal(dravo::Model& m, Param p, double real) {
    m.set(p, dravo::normalisedForReal(p, real));
}

// ---------------------------------------------------------------------------
// Content

const char* sectionTitle(int n) {
    return kManualSections[n - 1];
}

std::string paramName(Param p) {
    return std::string("“") + dravo::info(p).name + "”";
}

// A parameter's index as the host numbers it, in brackets: " (17)".
std::string numbered(Param p) {
    return " (" + std::to_string(dravo::index(p)) + ")";
}

// A parameter's range in dB as dbText writes it: "-10.00dB to 10.00dB".
std::string dbRange(Param p, int decimals, const char* to) {
    double lowest, highest;
    dravo::realRange(p, lowest, highest);
    return dbText(lowest, decimals) + to + dbText(highest, decimals);
}

double highestOf(Param p) {
    double lowest, highest;
    dravo::realRange(p, lowest, highest);
    return highest;
}

// The names of a switch's positions, joined by ", " ("Shelf, Steep, Peak").
std::string positionList(Param p) {
    const dravo::PositionNames& n = dravo::info(p).positions;
    std::string s;
    for (int i = 0; i < n.count; ++i)
        s += (i ? ", " : "") + std::string(n.names[i]);
    return s;
}

// Shorthand for switch positions as shown from top to bottom in the editor.
// The editor inverts its three-position switches: the top position is the
// highest. Names in capitals, as the editor writes them ("×2" stays).
std::string positions(Param p) {
    const dravo::PositionNames& n = dravo::info(p).positions;
    auto name = [&](int i) {
        std::string s = n.names[i];
        for (char& c : s)
            if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        return s;
    };
    return "top <b>" + name(2) + "</b>, middle <b>" + name(1) + "</b>, bottom <b>" + name(0) +
           "</b>";
}

void cover(Document& d, cairo_surface_t* editor, const std::vector<int>& pages) {
    d.plainPage();
    cairo_t* cr = d.cr();
    d.setY(150);
    d.setColour(kMuted);
    d.text("<span font='DejaVu Sans 10' letter_spacing='2500'>VEY AUDIO WORKS</span>", kMarginX,
           d.y(), kColumn);
    d.setY(d.y() + 22);
    d.setColour(kAccent);
    d.setY(d.y() +
           d.text("<span font='DejaVu Sans Bold 40'>Vey Dravo</span>", kMarginX, d.y(), kColumn));
    d.setColour(kInk);
    d.setY(d.y() + 4 +
           d.text("<span font='DejaVu Sans 15'>Parametric channel equaliser</span>", kMarginX,
                  d.y(), kColumn));
    d.setColour(kMuted);
    d.setY(d.y() + 26 +
           d.text("<span font='DejaVu Sans 10'>User manual · version " DRAVO_VERSION
                  " · VST 2.x plug-in "
                  "for Linux</span>",
                  kMarginX, d.y(), kColumn));
    d.rule(kAccent, 1.2);
    d.space(24);
    d.picture(editor, kColumn / 940.0, "");
    d.space(18);
    d.setColour(kAccent);
    d.setY(d.y() +
           d.text("<span font='DejaVu Sans Bold 12'>Contents</span>", kMarginX, d.y(), kColumn) +
           8);
    for (int n = 1; n <= kManualSectionCount; ++n) {
        int page = n <= (int)pages.size() ? pages[n - 1] : 0;
        double y = d.y();
        std::string link = "page=" + std::to_string(page > 0 ? page : 1);
        cairo_tag_begin(cr, CAIRO_TAG_LINK, link.c_str());
        d.setColour(kInk);
        d.body(std::to_string(n), kMarginX, y, 20, 10, PANGO_ALIGN_RIGHT);
        d.body(esc(sectionTitle(n)), kMarginX + 30, y, kColumn - 80, 10);
        d.body(page > 0 ? std::to_string(page) : "", kMarginX, y, kColumn - 10, 10,
               PANGO_ALIGN_RIGHT);
        cairo_tag_end(cr, CAIRO_TAG_LINK);
        d.setColour(kRule);
        cairo_set_line_width(cr, 0.4);
        cairo_move_to(cr, kMarginX + 10, y + 16);
        cairo_line_to(cr, kMarginX + kColumn - 10, y + 16);
        cairo_stroke(cr);
        d.setY(y + 19);
    }
}

void introduction(Document& d) {
    d.section(1, sectionTitle(1));
    d.para("Vey Dravo is a six-section channel equaliser for mixing: a low cut and a high cut, a "
           "low shelf, two broad mid bands and a high shelf, followed by an output stage with "
           "gain, polarity, channel selection and a gentle look-ahead limiter. Every control "
           "moves in musical steps, every change glides smoothly over 50 ms so that even "
           "automated moves do not click, and at sample rates below 65 kHz (44.1 and 48 kHz "
           "sessions) the filters run at twice the host's rate for clean highs.");
    d.para("The editor, pictured on the cover, reads from left to right: the cut filters "
           "(FILTERS), LOW SHELF, MID 1, MID 2, HIGH SHELF and OUTPUT. The preset bar runs "
           "along the bottom; just above its left end the read-out captioned LATENCY shows the "
           "delay in milliseconds and in samples.");
    d.h2("Installing");
    d.para("Copy the single file <b>VeyDravo.so</b> into a folder your host scans for VST 2.x "
           "plug-ins (for example <tt>~/.vst</tt>) and let the host rescan. The file carries "
           "everything it needs: its artwork and this manual are built into it, and no other "
           "file has to be installed. Vey Dravo works on mono and stereo tracks in 32-bit and "
           "64-bit floating point and takes no MIDI.");
    d.h2("In LV2 hosts");
    d.para("Vey Dravo is also an LV2 plug-in (the folder <b>VeyDravo.lv2</b>, in "
           "<tt>~/.lv2</tt>), stereo and mono, with the same sound and the same editor. "
           "What differs:");
    d.bullets({
        "The host keeps the parameters as port values; your project also keeps all 22 "
        "presets and which one is selected.",
        "A preset chosen in the preset bar sets every parameter through the host, so its "
        "automation lanes and generic controls follow. The host's own preset menu lists "
        "the factory presets; it sets the parameters only.",
        "Your stored default bank and default preset apply to a new instance when you "
        "first open its editor, as long as nothing in it has been changed; a project you "
        "reopen keeps what was saved.",
        "The preset bar needs a host that offers a worker thread (most do); without one, "
        "its changes stay in the editor.",
    });
    d.h2("Quick start");
    d.bullets({
        "Insert Vey Dravo on a track. It opens with the preset “Default”: every section "
        "sits at 0 dB, the cuts are off, and the track sounds as before, only delayed by "
        "the small latency your host compensates (see Latency).",
        "Pick a starting point from the preset list (the small arrow right of the preset "
        "name) or step through the presets with the previous/next rocker.",
        "Clean up the bottom with the low cut: switch it on with the <b>LOW CUT</b> button and "
        "turn the <b>FREQ</b> knob beside it up until the low end tightens.",
        "Shape the tone with the shelves, and boost or cut with the mid bands: set a mid "
        "band's <b>MODE</b> switch to <b>BOOST</b> or <b>CUT</b>, then raise its <b>GAIN</b> "
        "and sweep its <b>FREQ</b>.",
        "Compare with the master switch <b>EQ IN</b> (host parameter “EQ all”) in the OUTPUT "
        "section, set the output with the <b>LEVEL</b> knob, and switch on <b>SAT</b> if peaks "
        "must stay below full scale.",
        "Keep a version in memory slot A or B (MEMORY in the preset bar), or save it as a "
        "preset file.",
    });
    d.h2("Working the controls");
    d.bullets({
        "<b>Knobs</b>: drag upward or to the right to raise the value; vertical movement counts "
        "double, so 250 pixels upward cover the whole range. On the output LEVEL knob, hold Shift "
        "while dragging for finer moves. The mouse wheel moves a knob in 1 % steps (0.1 % with "
        "Shift). A double click or a Control-click returns a knob to its default.",
        "<b>Three-position switches</b>: click the upper, middle or lower third to choose that "
        "position; Control-click returns the switch to its middle position.",
        "<b>Buttons</b> (EQ IN, PHASE, SAT, HIGH CUT, LOW CUT): each click toggles on and off.",
        "Every move you make is reported to the host as one gesture, so hosts can record it as "
        "automation and undo it in one step.",
        "Click the <b>VEY DRAVO</b> logo to see the version; click the picture to close it.",
        "<b>Typing a value</b>: right-click a knob, switch or button; the menu shows the value "
        "and offers “Type value…” and “Default”. Type the value as the control shows it, or a "
        "number with or without its unit (<i>2.7k</i> for 2.7 kHz, <i>-3dB</i>, <i>+4</i>), or "
        "a position’s name; Return sets the nearest step the control has, Escape leaves it. A "
        "value the control cannot reach makes the field flash and changes nothing.",
        "<b>CURVE</b> (right of the logo) opens a panel under the controls with the response "
        "curve: each section that is on in its own colour, the whole equaliser on top. Drag a "
        "section's dot to move its frequency and gain; a click on it flashes the section's "
        "controls. <b>ANALYSER</b> in the panel shows the output's spectrum behind the curve. "
        "The panel stays open or closed as you leave it.",
        "<b>Window size</b>: right-click the background or the logo to zoom the window to 100, "
        "125, 150, 175 or 200 %; “Default size” follows the desktop’s scale again. The first "
        "window follows the desktop’s scale; your choice is kept for the next one.",
    });
}

void cuts(Document& d) {
    using namespace dravo;
    d.section(2, sectionTitle(2));
    d.para("The two cut filters share the first section of the editor, FILTERS, at the left: "
           "the high cut in its top row, the low cut in its bottom row. Both "
           "are gentle 12 dB per octave slopes with a soft knee, well suited to removing rumble "
           "and hiss without thinning the sound. At the marked frequency the level is already "
           "about 3 dB (high cut) to 4 dB (low cut) down.");
    // One cut: its on/off button and FREQ knob share a row, in opposite corners.
    const auto cut = [&](bool low, const char* behaviour) {
        const std::string row = low ? "bottom row, " : "top row, ";
        const Param on = low ? Param::LowCutOn : Param::HighCutOn;
        const Param freq = low ? Param::LowCutFreq : Param::HighCutFreq;
        const FrequencyTable& t = *info(freq).table;
        d.h2(low ? "Low cut (high-pass)" : "High cut (low-pass)");
        d.bullets({
            std::string("<b>") + (low ? "LOW CUT" : "HIGH CUT") + "</b> button (" + row +
                (low ? "right" : "left") + ") switches the " + (low ? "low" : "high") +
                " cut on and off (host parameter " + paramName(on) + ").",
            "<b>FREQ</b> knob (" + row + (low ? "left" : "right") + "; host parameter " +
                paramName(freq) + ") in " + std::to_string(t.last + 1) + " steps from " +
                freqText(t.hz[0]) + " to " + freqText(t.hz[t.last]) + ".",
            behaviour,
        });
        d.para("<b>Steps:</b> " + stepList(t) + ".", 8.8);
    };
    cut(true, "Switching it on or off glides in over 50 ms; the FREQ knob can be set while the "
              "filter is off, ready for when you switch it on.");
    cut(false,
        "The high cut keeps running in the background while it is off, so switching it on takes "
        "effect at once, at the frequency already set.");
    std::vector<Curve> curves;
    const double lows[] = {kLowCutHz.hz[7], kLowCutHz.hz[13], kLowCutHz.hz[19]};
    for (int i = 0; i < 3; ++i) {
        const double highs[] = {kHighCutHz.hz[5], kHighCutHz.hz[10], kHighCutHz.hz[16]};
        curves.push_back({"low cut " + freqText(lows[i]) + ", high cut " + freqText(highs[i]),
                          kCurveColours[i], measureResponse([&](Model& m) {
                              m.set(Param::LowCutOn, 1.0);
                              setReal(m, Param::LowCutFreq, lows[i]);
                              m.set(Param::HighCutOn, 1.0);
                              setReal(m, Param::HighCutFreq, highs[i]);
                          })});
    }
    d.plot(curves, -30, 6, 6,
           "Both cuts on at three settings, measured through the plug-in at 44.1 kHz.");
    d.note("The high cut's top steps lie above the range of hearing. Use them to round off the "
           "extreme top gently, or leave the filter off.");
}

void shelf(Document& d, bool low) {
    using namespace dravo;
    const Param mode = low ? Param::LowShelfMode : Param::HighShelfMode;
    const Param freq = low ? Param::LowShelfFreq : Param::HighShelfFreq;
    const Param shape = low ? Param::LowShelfShape : Param::HighShelfShape;
    const Param gain = low ? Param::LowShelfGain : Param::HighShelfGain;
    const FrequencyTable& t = *info(freq).table;
    d.section(low ? 3 : 5, sectionTitle(low ? 3 : 5));
    d.para(std::string("The ") + (low ? "low" : "high") + " shelf (heading " +
           (low ? "LOW SHELF" : "HIGH SHELF") + ") lifts or lowers everything " +
           (low ? "below" : "above") +
           " its frequency. It has a GAIN knob, a FREQ knob, a MODE switch that also "
           "chooses the gain range, and a SHAPE switch with three characters.");
    d.h2("Controls");
    d.table(
        {0.24, 0.22, 0.54}, {"Control", "Host parameter", "What it does"},
        {
            {"<b>MODE</b> switch\n<i>top left</i>", esc(paramName(mode)),
             positions(mode) +
                 ". <b>×1</b>: GAIN works over ±10 dB. <b>OFF</b>: the section is off (it "
                 "fades out over 50 ms, keeping its settings). <b>×2</b> (host: II): gain "
                 "doubled to ±20 dB, curve shaped more strongly."},
            {"<b>FREQ</b> knob\n<i>lower left</i>", esc(paramName(freq)),
             std::to_string(t.last + 1) + " steps from " + freqText(t.hz[0]) + " to " +
                 freqText(t.hz[t.last]) + "."},
            {"<b>SHAPE</b> switch\n<i>lower right</i>", esc(paramName(shape)),
             positions(shape) + ". See below."},
            {"<b>GAIN</b> knob\n<i>top right</i>", esc(paramName(gain)),
             dbRange(gain, 2, " to ") + " in 0.125 dB steps (doubled at ×2); the centre is 0 dB."},
        });
    d.h2("Shapes");
    d.bullets({
        std::string("<b>SHELF</b>: a broad, smooth shelf. The marked frequency is where the "
                    "shelf has reached about nine tenths of its gain; its midpoint lies ") +
            (low ? "above it (about 1½ octaves at ±10 dB)"
                 : "below it (about 2¼ octaves at ±10 dB)") +
            " and moves toward the marked frequency as the gain grows, and further at ×2.",
        std::string("<b>STEEP</b>: the same shelf with a small counter-bell of a quarter of the "
                    "gain just beyond its transition (") +
            (low ? "above" : "below") +
            " it): a boost gets a slight dip next to it, a cut a slight bump, which makes the "
            "edge of the shelf sound firmer.",
        "<b>PEAK</b>: the section becomes one very broad bell centred exactly on the marked "
        "frequency, so broad that it moves a region of several octaves around that point.",
    });
    d.para(std::string("At ×2 the gain doubles and the transition of SHELF and STEEP draws "
                       "closer to the marked frequency; STEEP's counter-bell grows with it. ") +
           "Default: ×1, " + freqText(frequencyOf(t, 0.5)) + ", SHELF, 0 dB.");
    d.para("<b>Steps:</b> " + stepList(t) + ".", 8.8);
    std::vector<Curve> curves;
    const char* shapeNames[] = {"SHELF", "STEEP", "PEAK"};
    const double hz = frequencyOf(t, 0.5);
    for (int shapeIndex = 0; shapeIndex < 3; ++shapeIndex)
        curves.push_back({std::string(shapeNames[shapeIndex]) + ", +10 dB, " + freqText(hz),
                          kCurveColours[shapeIndex], measureResponse([&](Model& m) {
                              setReal(m, mode, 2); // x1
                              setReal(m, shape, shapeIndex);
                              setReal(m, freq, hz);
                              setReal(m, gain, 10.0);
                          })});
    d.plot(curves, -6, 12, 3,
           "The three shapes at ×1 and full boost, measured through the plug-in at 44.1 kHz.");
}

void mids(Document& d) {
    using namespace dravo;
    d.section(4, sectionTitle(4));
    d.para("The two mid bands (headings MID 1 and MID 2) are broad peaking filters for the "
           "body of the sound. They work the same way; Mid 2 reaches higher. Each band's bell "
           "becomes narrower as its gain grows (a proportional bandwidth), and two small "
           "companion bells on either side, with 15 % of the gain in the opposite direction, "
           "keep the skirts of the bell tidy.");
    d.h2("Controls");
    d.table(
        {0.24, 0.22, 0.54}, {"Control", "Host parameter", "What it does"},
        {
            {"<b>MODE</b> switch\n<i>top left</i>",
             esc(paramName(Param::Mid1Mode)) + ", " + esc(paramName(Param::Mid2Mode)),
             positions(Param::Mid1Mode) +
                 " (the host shows +, 0 and -). <b>BOOST</b> boosts, <b>CUT</b> cuts by the GAIN "
                 "knob's amount; <b>OFF</b> switches the band off (it fades out over 50 ms and "
                 "keeps its settings)."},
            {"<b>FREQ</b> knob\n<i>lower left</i>",
             esc(paramName(Param::Mid1Freq)) + numbered(Param::Mid1Freq) + ", " +
                 esc(paramName(Param::Mid2Freq)) + numbered(Param::Mid2Freq),
             "Mid 1: " + std::to_string(kMid1Hz.last + 1) + " steps from " +
                 freqText(kMid1Hz.hz[0]) + " to " + freqText(kMid1Hz.hz[kMid1Hz.last]) +
                 ". Mid 2: " + std::to_string(kMid2Hz.last + 1) + " steps from " +
                 freqText(kMid2Hz.hz[0]) + " to " + freqText(kMid2Hz.hz[kMid2Hz.last]) + "."},
            {"<b>Q</b> switch\n<i>lower right</i>",
             esc(paramName(Param::Mid1Q)) + numbered(Param::Mid1Q) + ", " +
                 esc(paramName(Param::Mid2Q)) + numbered(Param::Mid2Q),
             positions(Param::Mid1Q) +
                 ". Chooses the bandwidth: 0.7 is the widest, 4.0 the narrowest. Changing it "
                 "also moves the companion bells."},
            {"<b>GAIN</b> knob\n<i>top right</i>",
             esc(paramName(Param::Mid1Gain)) + numbered(Param::Mid1Gain) + ", " +
                 esc(paramName(Param::Mid2Gain)) + numbered(Param::Mid2Gain),
             "0 to " + dbText(highestOf(Param::Mid1Gain), 2) +
                 " in 0.125 dB steps; whether it boosts or cuts is the MODE switch's choice."},
        });
    d.para("Even the narrowest setting is a broad bell by the standards of a surgical "
           "equaliser: these bands are made for shaping tone, not for notching out single "
           "resonances. At the widest setting the companions sit about a decade below and "
           "above the centre; at the narrowest, about a third and three times the centre "
           "frequency. By default both bands are set to BOOST with 0 dB gain, which is flat: "
           "Mid 1 at " +
           freqText(frequencyOf(kMid1Hz, 0.5)) + ", Mid 2 at " +
           freqText(frequencyOf(kMid2Hz, 0.5)) + ", Q 2.0.");
    std::vector<Curve> curves;
    const char* qNames[] = {"0.7", "2.0", "4.0"};
    for (int i = 0; i < 3; ++i)
        curves.push_back({std::string("Q ") + qNames[i] + ", +12 dB", kCurveColours[i],
                          measureResponse([&](Model& m) {
                              setReal(m, Param::Mid1Mode, 2); // boost
                              setReal(m, Param::Mid1Freq, kMid1Hz.hz[12]);
                              setReal(m, Param::Mid1Q, i);
                              setReal(m, Param::Mid1Gain, 12.0);
                          })});
    d.plot(curves, -3, 15, 3,
           "Mid 1 boosting 12 dB at " + freqText(kMid1Hz.hz[12]) +
               " with each Q setting, measured through the plug-in at 44.1 kHz.");
    d.h2("Frequency steps");
    d.para("<b>Mid 1:</b> " + stepList(kMid1Hz) + ".", 8.8);
    d.para("<b>Mid 2:</b> " + stepList(kMid2Hz) + ".", 8.8);
}

void highShelf(Document& d) {
    shelf(d, false);
}

void output(Document& d) {
    using namespace dravo;
    d.section(6, sectionTitle(6));
    d.para("The OUTPUT section at the right of the editor holds the master switch, the channel "
           "selector, polarity, the output level, the limiter and the clip indicator.");
    d.table({0.2, 0.2, 0.6}, {"Control", "Host parameter", "What it does"},
            {
                {"<b>EQ IN</b> button\n<i>top left</i>", esc(paramName(Param::Master)),
                 "The master switch. Off bypasses all six sections at once for a quick "
                 "comparison; output level, polarity and SAT stay active, and the latency stays "
                 "the same, so the track stays in time. This setting applies to all 22 presets "
                 "alike: changing presets does not change it."},
                {"<b>CHANNEL</b> switch\n<i>lower left</i>", esc(paramName(Param::Channel)),
                 positions(Param::Channel) +
                     ". Chooses which channel of a stereo track is equalised; the other one "
                     "passes unfiltered (still through output level, polarity and SAT). On a "
                     "mono track the channel is always equalised. Like EQ IN, it applies to all "
                     "presets alike."},
                {"<b>PHASE</b> button\n<i>lower middle</i>", esc(paramName(Param::Phase)),
                 "On, it inverts the polarity of the whole output (the host shows "
                 "<b>Normal</b> or <b>Reverse</b>)."},
                {"<b>LEVEL</b> knob\n<i>top right</i>", esc(paramName(Param::Output)),
                 dbRange(Param::Output, 0, " to ") +
                     " in 0.25 dB steps; 0 dB in the centre. Changes follow smoothly within about "
                     "10 ms at 44.1 kHz. Shift-drag for fine adjustment."},
                {"<b>SAT</b> button\n<i>lower right</i>", esc(paramName(Param::Saturation)),
                 "Switches on the soft limiter described below."},
                {"<b>CLIP</b> LED\n<i>next to EQ IN</i>", "—",
                 "Lights brightly when the output reached full scale (0 dBFS) in the most "
                 "recent block, then stays dimly lit as a reminder that it clipped. Click it "
                 "to clear it."},
            });
    d.h2("SAT, the look-ahead soft limiter");
    d.para("With SAT on, the output passes a soft saturation curve that follows the signal's "
           "peaks with a short look-ahead, so it reacts before a peak arrives. Quiet passages "
           "are left almost untouched (a peak of half scale loses about 0.3 dB); louder "
           "material is rounded off progressively (a full-scale sine comes out about 1.4 dB "
           "lower); and no output sample ever exceeds about −0.05 dBFS, however hard you drive "
           "the LEVEL knob. The look-ahead delay is always in place, so the "
           "plug-in's latency is the same with SAT on or off.");
    d.note("SAT is a safety and colour stage, not a mastering limiter. For the cleanest sound "
           "keep peaks below full scale with the LEVEL knob and leave SAT off.");
}

// The curve panel's page: what the panel shows, with a chart of one preset's
// curve and its sections as the panel computes them.
void curvePanel(Document& d) {
    using namespace dravo;
    d.section(7, sectionTitle(7));
    d.para("The <b>CURVE</b> button, right of the logo, opens a panel below the controls that "
           "draws what your settings do to the sound. The window grows downwards to make room "
           "(940 × 448 pixels at 100 % zoom, and in proportion at every other zoom) and asks "
           "the host for the new size; a second click closes the panel again. The editor "
           "remembers your choice and opens the way you left it; the first time it opens "
           "closed.");
    d.h2("Reading the curve");
    d.bullets({
        "The frequency axis runs from 20 Hz to 20 kHz on a logarithmic scale (at sample rates "
        "below 40 kHz it ends at half the sample rate); the level axis is in dB with a labelled "
        "grid.",
        "The bold line is the whole plug-in: all six sections, EQ IN and the output level "
        "together. With EQ IN off it is a straight line at the output level.",
        "The faint lines are each section's own contribution, in the section's colour. A "
        "section that is off draws no line.",
        "The curve is computed from the same filter coefficients the audio runs through, "
        "including the doubled internal sample rate, so it is what you hear: it agrees with "
        "the measured response of the plug-in to within 0.1 dB up to 18 kHz. SAT is not part "
        "of it, because the limiter depends on the level of the music, not on frequency.",
        "It follows every change at once: a knob, host automation, a preset or a memory slot.",
    });
    std::vector<Curve> curves;
    for (int p = 0; p < kNumFactoryPresets; ++p) {
        if (std::string(kFactoryPresets[p].name) != "Vox") continue;
        float values[kNumParams];
        for (const ParamInfo& i : kParams)
            values[index(i.id)] = i.defaultValue;
        for (const PresetField& f : kFactoryPresets[p].fields)
            values[index(f.param)] = (float)f.value;
        EqSettings settings = curveSettings(values, kPlotRate);
        settings.master = true;
        const EqResponse response(settings);
        Curve total{"Vox", kCurveColours[0], {}};
        for (int i = 0; i < kPlotPoints; ++i)
            total.db.push_back(response.totalDb(plotFrequency(i)));
        curves.push_back(total);
        // The two sections that shape it most, alone.
        std::vector<std::pair<double, Curve>> parts;
        for (const SectionInfo& s : kSections) {
            if (!response.sectionOn(s.id)) continue;
            Curve c{std::string(s.name) + " alone", {}, {}};
            double most = 0.0;
            for (int i = 0; i < kPlotPoints; ++i) {
                c.db.push_back(response.sectionDb(s.id, plotFrequency(i)));
                if (plotFrequency(i) >= 100.0) most = std::max(most, std::fabs(c.db.back()));
            }
            parts.push_back({most, c});
        }
        std::sort(parts.begin(), parts.end(),
                  [](const auto& a, const auto& b) { return a.first > b.first; });
        for (size_t k = 0; k < parts.size() && k < 2; ++k) {
            parts[k].second.colour = kCurveColours[k + 1];
            curves.push_back(parts[k].second);
        }
    }
    d.plot(curves, -12, 12, 3,
           "The factory preset Vox as the panel computes it: the whole plug-in and the two "
           "sections that shape it most.");
    d.h2("Handles");
    d.para("Every section that is on has a handle on the curve at its frequency. Click a "
           "handle to find its section: its knobs flash briefly. Drag it to move the section's "
           "frequency (left and right) and gain (up and down) together, each in its own steps, "
           "exactly as if you turned the two knobs; the cuts have no gain and move only "
           "sideways. Your host records each drag as one change of each parameter, so one undo "
           "takes it back.");
    d.h2("The output analyser");
    d.para("The <b>ANALYSER</b> button in the panel draws the spectrum of the plug-in's output "
           "behind the curve, about 30 times a second: the average of both channels after the "
           "limiter, smoothed to about a sixth of an octave, with a slow fall so that peaks "
           "stay readable. It has a scale of its own: a sine at full scale reaches the top of "
           "the plot, the bottom is −84 dBFS, and the right edge is labelled in dBFS. The "
           "analyser only works while the panel is open and the button is on; the audio "
           "thread only hands the samples over "
           "and all the analysis runs in the editor, so it costs your session next to nothing, "
           "and nothing at all while it is off.");
    d.h2("In Ardour's mixer strip");
    d.para("In the LV2 version, Ardour can show the curve inside the plug-in's slot in the "
           "mixer strip, without opening the editor. It follows the settings like the panel "
           "does.");
}

void presetBar(Document& d, cairo_surface_t* editor) {
    d.section(8, sectionTitle(8));
    d.para("The preset bar along the bottom of the editor holds 22 presets and everything to "
           "manage them. Vey Dravo keeps all 22 presets with your host's project; the factory "
           "set is loaded whenever you insert a new instance (or your own default bank, see "
           "the next section).");
    // The bar's left part and the manual button, cut from the editor picture.
    const int x0 = 12, x1 = 560, mx0 = 852, mx1 = 932, y0 = 226, y1 = 248;
    cairo_surface_t* bar =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, (x1 - x0) + 24 + (mx1 - mx0), y1 - y0);
    cairo_t* cr = cairo_create(bar);
    cairo_set_source_surface(cr, editor, -x0, -y0);
    cairo_rectangle(cr, 0, 0, x1 - x0, y1 - y0);
    cairo_fill(cr);
    cairo_set_source_surface(cr, editor, (x1 - x0) + 24 - mx0, -y0);
    cairo_rectangle(cr, (x1 - x0) + 24, 0, mx1 - mx0, y1 - y0);
    cairo_fill(cr);
    cairo_destroy(cr);
    const double scale = kColumn / cairo_image_surface_get_width(bar);
    struct Mark {
        int tag, n;
    };
    using namespace presetbar;
    const Mark marks[] = {{kTagSaveBank, 1},   {kTagDefaultBank, 2},   {kTagLoadBank, 3},
                          {kTagSavePreset, 4}, {kTagDefaultPreset, 5}, {kTagLoadPreset, 6},
                          {kTagName, 7},       {kTagMenu, 8},          {kTagRocker, 9},
                          {kTagStoreA, 10},    {kTagRecallA, 11},      {kTagStoreB, 12},
                          {kTagRecallB, 13},   {kTagManual, 14}};
    d.picture(bar, scale, "The preset bar; the manual button (14) sits at its right end.",
              [&](double x, double y) {
                  for (const Mark& m : marks)
                      for (const Item& item : kItems)
                          if (item.tag == m.tag) {
                              double cx = (item.left + item.right) / 2.0;
                              cx = cx < mx0 ? cx - x0 : cx - mx0 + (x1 - x0) + 24;
                              d.marker(x + cx * scale, y + (y1 - y0) * scale + 9, m.n);
                          }
                  d.setY(d.y() + 16);
              });
    cairo_surface_destroy(bar);
    d.table({0.09, 0.25, 0.66}, {"", "Control", "What it does"},
            {
                {"1", "Save bank\n<i>disk icon</i>", "Saves all 22 presets as a bank file (.kab)."},
                {"2", "<b>BANK</b>\n<i>DEFAULT on hover</i>",
                 "Double click: store all 22 presets as your default bank. Control + double "
                 "click: clear it. A single click does nothing, so it cannot happen by accident."},
                {"3", "Load bank\n<i>folder icon</i>",
                 "Loads a bank file (.kab) into all 22 presets and selects the first. Right "
                 "click: load with reversed byte order (see the next section)."},
                {"4", "Save preset\n<i>disk icon</i>",
                 "Saves the current preset as a preset file (.vey)."},
                {"5", "<b>PRESET</b>\n<i>DEFAULT on hover</i>",
                 "Double click: store the current preset as your default preset. Control + "
                 "double click: clear it."},
                {"6", "Load preset\n<i>folder icon</i>",
                 "Loads a preset file (.vey) into the current preset. Right click: load with "
                 "reversed byte order."},
                {"7", "Name field",
                 "Shows the current preset's name; click to rename it (up to 23 characters)."},
                {"8", "Menu arrow", "Click to choose one of the 22 presets from a list."},
                {"9", "Previous / next rocker",
                 "The left half selects the previous preset, the right half the next one; it "
                 "stops at the first and the last."},
                {"10, 12", "Store A, store B\n<i>↓ left of the letter</i>",
                 "Copy the current preset into memory slot A or B."},
                {"11, 13", "Recall A, recall B\n<i>↑ right of the letter</i>",
                 "Copy memory slot A or B into the current preset, replacing its settings."},
                {"14", "<b>?</b>\n<i>captioned MANUAL</i>", "Opens this manual (see below)."},
            });
    d.h2("The manual button");
    d.para(std::string("The manual is built into the plug-in. The button writes it as <b>") +
           esc(kManualFileName) + "</b> into the folder <b>" + esc(kManualVendorFolder) +
           "</b> in your Documents folder (the one <tt>xdg-user-dir DOCUMENTS</tt> names, "
           "otherwise <tt>~/Documents</tt>), refreshing it when it is missing or out of date, "
           "and opens it with <tt>xdg-open</tt>, that is with your desktop's PDF viewer. If it "
           "cannot be opened, a message "
           "“Could not open manual file” names the path, so you can open it yourself.");
}

void presetFiles(Document& d) {
    d.section(9, sectionTitle(9));
    d.h2("How presets work");
    d.bullets({
        "The plug-in holds 22 presets. Whatever you change is written into the current preset "
        "at once: there is no separate store step, and switching to another preset and back "
        "keeps your changes.",
        "The host sees the plug-in as one program. When the host saves your project it saves "
        "all 22 presets and which one is selected; reopening the project restores them.",
        "The master switch EQ IN and the CHANNEL switch belong to the instance, not to a "
        "preset: they stay as they are when you change presets.",
        "Renaming: click the name field, type, and press Return. Names keep up to 23 "
        "characters.",
    });
    d.h2("Preset and bank files");
    d.table({0.22, 0.16, 0.62}, {"File", "Extension", "Contents"},
            {
                {"Preset file", "<b>.vey</b>", "One preset: its name and every setting."},
                {"Bank file", "<b>.kab</b>",
                 "All 22 presets with their names. Loading a bank replaces all presets and "
                 "selects the first."},
            });
    d.para("The file dialogs open in the folder you used last and propose the last file name; "
           "both are remembered between sessions. Cancelling a dialog changes nothing. A file "
           "made by another plug-in is ignored, and nothing changes. The dialogs need "
           "<b>zenity</b> or <b>kdialog</b> installed.");
    d.para("Files carry the byte order of the computer that wrote them, and Vey Dravo reads "
           "either order on its own. Should a file from an unusual system still not load, "
           "<b>right-click</b> the load button: it loads the file with its byte "
           "order reversed "
           "(the dialog's title says “endian-reversed”).");
    d.h2("Default bank and default preset");
    d.para("Each new instance of Vey Dravo starts with the factory presets. Store your own "
           "starting point instead: a <b>double click</b> on the <b>BANK</b> button stores all 22 "
           "presets, a double click on <b>PRESET</b> stores the current preset (both read DEFAULT "
           "on hover). At the "
           "next start the default bank replaces the factory presets, and the default preset "
           "then goes into the first preset, which is selected. <b>Control + double click</b> "
           "on either button clears it; with neither stored, new instances start with the "
           "factory presets again. Projects you saved keep their own presets either way.");
    d.h2("Memory slots A and B");
    d.para("The two slots (MEMORY in the preset bar) are quick scratch memories for comparing "
           "versions: <b>↓</b> left of <b>A</b> stores the current preset in slot A, <b>↑</b> "
           "right of it copies it back into whichever preset is current. Slots are shared by all "
           "instances of Vey Dravo and "
           "kept between sessions, so you can also use them to carry a setting from one track "
           "to another.");
    d.h2("Where your settings live");
    d.para("The default bank, the default preset, the memory slots and the last used folder "
           "and file names are kept per user, one file per item, in "
           "<tt>$XDG_CONFIG_HOME/com.veyaudioworks.dravo/</tt> (by default "
           "<tt>~/.config/com.veyaudioworks.dravo/</tt>). A project keeps its own presets.");
}

void latency(Document& d) {
    d.section(10, sectionTitle(10));
    d.para("Vey Dravo delays the signal by a small, fixed number of samples: its filters run at "
           "twice the host's rate (for sample rates below 65 kHz), and the limiter looks "
           "ahead. The plug-in tells the host this latency, and hosts with delay compensation "
           "shift the track back so that it stays in time with the rest of the mix. The "
           "editor shows the value at the left, just above the preset bar (caption LATENCY), in "
           "milliseconds and in samples.");
    d.para("The latency depends on the sample rate only: the same with any setting, with SAT "
           "on or off and with EQ IN on or off. It is 32 samples for the rate conversion plus "
           "half the limiter's look-ahead window, which spans about 1/1500 of a second of "
           "audio:");
    std::vector<std::vector<std::string>> rows;
    for (float rate : {44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f}) {
        EqEngine engine;
        engine.resume(rate);
        char ms[32], smp[32];
        formatMilliseconds((float)engine.latencyMilliseconds(), ms);
        formatSamples((float)engine.latencySamples(), smp);
        rows.push_back({fixed(rate / 1000.0, 1) + " kHz",
                        engine.isOversampling()
                            ? "2× (" + fixed(engine.getInternalRate() / 1000.0, 1) + " kHz)"
                            : "1× (" + fixed(engine.getInternalRate() / 1000.0, 1) + " kHz)",
                        std::to_string((int)engine.latencySamples()) + " samples",
                        fixed(engine.latencyMilliseconds(), 3) + " ms",
                        std::string(ms) + " / " + smp});
    }
    d.table({0.18, 0.24, 0.18, 0.16, 0.24},
            {"Host rate", "Filters run at", "Latency", "", "Editor shows"}, rows);
    d.para("The plug-in reports a tail of 1024 samples, so hosts keep processing briefly after "
           "playback stops and nothing is cut off.");
    d.note("Rates outside 20 kHz to 200 kHz are treated as 44.1 kHz. Switching EQ IN off "
           "does not remove the latency: the bypassed signal stays in time with the "
           "processed one.");
}

std::string rangeText(Param param) {
    using namespace dravo;
    const ParamInfo& p = info(param);
    switch (p.display) {
    // The host's texts where they differ from the position names: "On" above
    // "Off", and the signs and numerals of the mode switches, explained.
    case Display::MasterSwitch:
    case Display::CutSwitch:
        return "On, Off";
    case Display::ShelfMode:
        return "II, 0 (off), I";
    case Display::MidMode:
        return "- (cut), 0 (off), + (boost)";
    case Display::Channel:
    case Display::Phase:
    case Display::Saturation:
    case Display::ShelfShape:
    case Display::QText:
        return positionList(param);
    case Display::OutputDb:
        return dbRange(param, 0, " … ") + ", 0.25 dB steps";
    case Display::Frequency:
        return std::to_string(p.table->last + 1) + " steps, " + freqText(p.table->hz[0]) + " … " +
               freqText(p.table->hz[p.table->last]);
    case Display::GainDb:
        return dbRange(param, 2, " … ") + ", 0.125 dB steps";
    case Display::None:
        break;
    }
    return "";
}

// How the editor shows parameter p: "MID 1 Q switch", "LEVEL knob"; empty
// for the parameters without a control. A section's controls carry the
// section's name, except the cuts' on buttons, whose captions name them.
std::string controlName(Param p) {
    using namespace dravo;
    const layout::Control* c = layout::controlFor(p);
    if (!c) return "";
    const char* kind = c->kind == layout::Kind::Knob    ? " knob"
                       : c->kind == layout::Kind::OnOff ? " button"
                                                        : " switch";
    const ParamInfo& i = info(p);
    std::string name = i.caption;
    if (i.target == Target::Section && c->kind != layout::Kind::OnOff) {
        // The cuts by name (they share the FILTERS panel), the others by
        // their panel's title, which is their name in capitals.
        std::string section = info(i.section).name;
        if (i.section != Section::LowCut && i.section != Section::HighCut)
            for (char& ch : section)
                ch = (char)std::toupper((unsigned char)ch);
        name = section + " " + name;
    }
    return name + kind;
}

void automation(Document& d) {
    using namespace dravo;
    d.section(11, sectionTitle(11));
    d.para("All controls of the editor can be automated. Hosts list the parameters by number "
           "and by the short names below; the mid bands share their names, so tell them apart "
           "by number. Values appear in the host as text with their unit, exactly as in the "
           "table.");
    std::vector<std::vector<std::string>> rows;
    std::string unused;
    for (const ParamInfo& p : kParams) {
        const std::string what = controlName(p.id);
        if (what.empty()) {
            unused += (unused.empty() ? "" : ", ") + std::to_string(index(p.id));
            continue;
        }
        rows.push_back({std::to_string(index(p.id)), "<b>" + esc(p.name) + "</b>", what,
                        esc(rangeText(p.id))});
    }
    d.table({0.08, 0.17, 0.3, 0.45}, {"No.", "Host name", "Control", "Values shown"}, rows, 8.2,
            2.8);
    d.para("Parameters " + unused +
           " are unused: they have no name and no effect. Hosts may still list them.");
    d.h2("How automation behaves");
    d.bullets({
        "Every change of a filter setting glides to its new value over 50 ms, whether it "
        "comes from the editor, from automation or from a preset, so automated moves and "
        "preset changes do not click. The output level follows within about 10 ms at 44.1 kHz.",
        "Frequencies, gains and switches move in the steps listed in this manual. A "
        "continuous automation curve is followed step by step, each step gliding smoothly.",
        "Turning a knob or clicking a switch in the editor sends the host a begin and an end "
        "of the gesture, so touch and latch automation modes and undo work as expected.",
        "EQ IN and the CHANNEL switch hold for all presets; the other settings "
        "belong to the current preset.",
    });
}

void factoryPresets(Document& d) {
    using namespace dravo;
    d.section(12, sectionTitle(12));
    d.para("Vey Dravo comes with 22 factory presets, starting points for common sources. "
           "Each new instance holds them in this order. The table lists the sections each "
           "preset uses; sections not listed are off or flat. Choose one, then adjust to taste. "
           "Numbers count from 0, as <tt>dravo-render --preset</tt> does. Shelf gains are "
           "given as the GAIN knob shows them; ×2 marks the MODE switch's ×2 position, which "
           "doubles them.");
    std::vector<std::vector<std::string>> rows;
    for (int p = 0; p < kNumFactoryPresets; ++p) {
        Model m;
        loadFactoryPreset(m, p, everyParameter);
        auto real = [&](Param q) { return realOf(m, q); };
        // Lower case, as the sentence runs ("steep", "0.7").
        auto positionName = [&](Param q) {
            const PositionNames& n = info(q).positions;
            const int i = (int)real(q);
            std::string s = n.names[i >= 0 && i < n.count ? i : 0];
            for (char& c : s)
                c = (char)std::tolower((unsigned char)c);
            return s;
        };
        std::string s;
        auto add = [&](const std::string& part) { s += (s.empty() ? "" : "; ") + part; };
        if (real(Param::LowCutOn) == 1) add("low cut " + freqText(real(Param::LowCutFreq)));
        if (real(Param::HighCutOn) == 1) add("high cut " + freqText(real(Param::HighCutFreq)));
        auto shelfPart = [&](const char* name, Param mode, Param freq, Param shape, Param gain) {
            const int position = (int)real(mode);
            const double g = real(gain); // as the knob shows it; mode II doubles it
            if ((position != 0 && position != 2) || g == 0) return;
            add(std::string(name) + (position == 0 ? " ×2 " : " ") + (g > 0 ? "+" : "") +
                dbText(g, 2) + " at " + freqText(real(freq)) + " (" + positionName(shape) + ")");
        };
        auto midPart = [&](const char* name, Param mode, Param freq, Param q, Param gain) {
            const int position = (int)real(mode);
            const double g = real(gain);
            if ((position != 0 && position != 2) || g == 0) return;
            add(std::string(name) + " " + (position == 2 ? "+" : "-") + dbText(g, 2) + " at " +
                freqText(real(freq)) + " Q " + positionName(q)); // the Q the host shows
        };
        shelfPart("low shelf", Param::LowShelfMode, Param::LowShelfFreq, Param::LowShelfShape,
                  Param::LowShelfGain);
        midPart("mid 1", Param::Mid1Mode, Param::Mid1Freq, Param::Mid1Q, Param::Mid1Gain);
        midPart("mid 2", Param::Mid2Mode, Param::Mid2Freq, Param::Mid2Q, Param::Mid2Gain);
        shelfPart("high shelf", Param::HighShelfMode, Param::HighShelfFreq, Param::HighShelfShape,
                  Param::HighShelfGain);
        const double out = real(Param::Output);
        if (out != 0) add(std::string("output ") + (out > 0 ? "+" : "") + dbText(out, 2));
        if (real(Param::Saturation) != 0) add("SAT on");
        if (s.empty()) s = "all sections flat";
        rows.push_back({std::to_string(p), "<b>" + esc(kFactoryPresets[p].name) + "</b>", esc(s)});
    }
    d.table({0.06, 0.22, 0.72}, {"", "Preset", "Settings"}, rows, 8.2);
    std::vector<Curve> curves;
    int shown = 0;
    for (const char* name : {"Vox", "Radio", "De-esser 1"})
        for (int p = 0; p < kNumFactoryPresets; ++p)
            if (std::string(kFactoryPresets[p].name) == name)
                curves.push_back({esc(name), kCurveColours[shown++ % 3],
                                  measureResponse([p](Model& m) { applyPreset(m, p); })});
    d.plot(curves, -12, 12, 3,
           "Three factory presets measured through the plug-in at 44.1 kHz (output level "
           "included, SAT left out).");
    d.note("To start every new instance from your own presets instead, load or build them and "
           "double-click <b>BANK</b> in the preset bar (see Presets, files and defaults).");
}

void renderer(Document& d) {
    d.section(13, sectionTitle(13));
    d.para("<b>dravo-render</b> is a companion program for the command line, built together "
           "with the plug-in. It runs audio files through Vey Dravo (or through any other VST "
           "2.x plug-in) without a host, draws the frequency response of a setting, and "
           "measures processing speed. It loads the plug-in exactly as a host would.");
    d.h2("Usage");
    d.para("<tt>dravo-render IN OUT [options]</tt>   process an audio file\n"
           "<tt>dravo-render IN... -o DIR [options]</tt>   process several files\n"
           "<tt>dravo-render --plot FILE.png [options]</tt>   plot the response\n"
           "<tt>dravo-render --bench [SECONDS] [options]</tt>   measure speed",
           9.0);
    d.para("Input files may be mono or stereo, in any format libsndfile reads (WAV, AIFF, "
           "FLAC, Ogg/Vorbis, Opus, …); <tt>-</tt> as IN or OUT is the standard input or "
           "output. By default the output is "
           "lined up with the input sample for sample (the plug-in's latency is removed) and "
           "the plug-in's tail is rendered after the input.");
    d.h2("Main options");
    d.table(
        {0.34, 0.66}, {"Option", "Meaning"},
        {
            {"<tt>--preset NAME|NUMBER</tt>",
             "select a preset by name or by its number in the factory preset table"},
            {"<tt>--set NAME=TEXT</tt>",
             "set a parameter to a value as the plug-in shows it, e.g. "
             "<tt>OUTPUT=-4dB</tt>, <tt>Hfreq=10k</tt>, <tt>LSR=Left</tt> (unit optional, k "
             "for kHz); repeatable. A value between two steps is refused."},
            {"<tt>--param NAME|NUMBER=V</tt>",
             "set a parameter to the value V between 0 and 1 (as hosts store it); "
             "repeatable. Names and numbers as in the Automation table; shared names take "
             "the section first: <tt>MID1.gain</tt>, <tt>MID2.freq</tt> (also for "
             "<tt>--set</tt>)."},
            {"<tt>--load-preset FILE</tt>", "load a preset file (.vey) into the selected preset"},
            {"<tt>--load-bank FILE</tt>", "load a bank file (.kab)"},
            {"<tt>--chunk FILE</tt>",
             "restore the plug-in's whole state from FILE if it exists, and save it there "
             "afterwards, as a host keeps it in a project"},
            {"<tt>--list</tt>, <tt>--version</tt>",
             "list the presets and parameters; print the tool's version"},
            {"<tt>--block N</tt>, <tt>--double</tt>",
             "block size (default 512); 64-bit processing"},
            {"<tt>-o DIR</tt>", "write each input into DIR under its own name"},
            {"<tt>--no-compensate</tt>", "keep the plug-in's latency in the output"},
            {"<tt>--format</tt>, <tt>--bits</tt>",
             "output container (wav, aiff, flac, ogg, opus and others) and sample format (8, "
             "16, 24, 32, float, double); by default from the file names and the input"},
            {"<tt>--no-dither</tt>\n<tt>--no-clip</tt>\n<tt>--allow-nonfinite</tt>",
             "no TPDF dither (by default on outputs of 16 bits or fewer); fail rather than "
             "write samples over full scale; write NaN or infinite samples rather than fail"},
            {"<tt>--plot FILE.png</tt>, <tt>--phase</tt>",
             "plot the magnitude response (10 Hz up to half the sample rate), with "
             "<tt>--phase</tt> also the phase; the values go to a CSV file beside the picture"},
            {"<tt>--bench [SECONDS]</tt>", "real-time factor on stereo noise at 44.1 kHz"},
            {"<tt>--plugin PATH</tt>", "use another VST 2.x plug-in instead of Vey Dravo"},
        });
    d.para("See <tt>dravo-render --help</tt> for all options. It exits with 0 when done, 2 for a "
           "mistake on the command line, 3 for an unreadable input file, 4 when the plug-in "
           "cannot be loaded, 5 when the output cannot be written and 6 when the output is "
           "refused (non-finite samples, or clipping with <tt>--no-clip</tt>).");
    d.h2("Examples");
    d.para("<tt>dravo-render vocal.wav vocal-eq.wav --preset Vox</tt>\n"
           "<tt>dravo-render in.flac out.flac --param LPF=1 --param LPFfreq=0.6 --double</tt>\n"
           "<tt>dravo-render a.wav b.wav -o eq --set MID1.gain=6dB --set MID1=+</tt>\n"
           "<tt>dravo-render --plot radio.png --preset Radio --phase</tt>\n"
           "<tt>dravo-render --list</tt>",
           8.8);
}

// Lays the whole manual out on a surface; fills sectionPages with the page
// each section starts on.
void render(cairo_surface_t* surface, std::vector<int>& sectionPages,
            const std::vector<int>& contentsPages) {
    cairo_pdf_surface_restrict_to_version(surface, CAIRO_PDF_VERSION_1_5);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Vey Dravo — User Manual");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_AUTHOR, "Vey Audio Works");
    cairo_pdf_surface_set_metadata(
        surface, CAIRO_PDF_METADATA_SUBJECT,
        "Vey Dravo parametric channel equaliser, version " DRAVO_VERSION);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Vey Dravo build");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2026-01-01T00:00:00Z");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_MOD_DATE, "2026-01-01T00:00:00Z");
    cairo_surface_t* editor = composeEditor();
    {
        Document d(surface, sectionPages, "Vey Dravo — User Manual");
        cover(d, editor, contentsPages);
        introduction(d);
        cuts(d);
        shelf(d, true);
        mids(d);
        highShelf(d);
        output(d);
        curvePanel(d);
        presetBar(d, editor);
        presetFiles(d);
        latency(d);
        automation(d);
        factoryPresets(d);
        renderer(d);
        d.finish();
    }
    cairo_surface_destroy(editor);
    cairo_surface_finish(surface);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_manual OUTPUT.pdf IMAGE_DIR\n");
        return 2;
    }
    imageDir = argv[2];
    return typeset::writePdf(argv[1], render) ? 0 : 1;
}
