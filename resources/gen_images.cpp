// Draws the editor's images with cairo and writes them as PNG files
// bmpNNNNN.png into the directory given as the first argument, with the list
// of their names (images.list) that the build embeds. Every image is original
// artwork made here; strips stack their pictures vertically.
//
// Positions and sizes come from the editor's control table and the preset
// bar's table, and scale marks from the parameter table, so a moved control
// takes its label and scale along. Before writing anything the generator
// checks that no label collides with another label or with a control it does
// not belong to or leaves its section's panel, and that no two controls'
// pictures overlap; it fails otherwise, naming what collides.
//
// With "--preview FILE" it also writes a mock-up of the whole window: the
// background with every control's picture pasted at its place, once at the
// defaults and once in other states (on, hover, pressed, clipping).
#include "gui/EditorLayout.h"
#include "gui/KnobFrame.h"
#include "model/Parameters.h"
#include "presets/PresetBarLayout.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace dravo;

namespace {

using dravo::Param;
using dravo::layout::Control;
using dravo::layout::Kind;
using dravo::layout::paramOf;
namespace L = dravo::layout;

const double kPi = 3.14159265358979323846;
const int W = L::kEditorWidth, H = L::kEditorHeight;

// ---------------------------------------------------------------------------
// Palette and type

struct Rgb {
    double r, g, b;
};

const Rgb kTitle{0.89, 0.79, 0.58};   // section titles, hover outlines
const Rgb kCaption{0.87, 0.87, 0.85}; // control captions
const Rgb kScale{0.70, 0.71, 0.73};   // scale numbers
const Rgb kTick{0.50, 0.51, 0.54};    // minor scale ticks
const Rgb kMajor{0.80, 0.81, 0.82};   // labelled scale ticks
const Rgb kDim{0.74, 0.75, 0.76};     // switch positions not selected
const Rgb kFreq{0.50, 0.72, 0.93};    // frequency knobs
const Rgb kGain{0.96, 0.68, 0.32};    // gain knobs
const Rgb kLevel{0.94, 0.92, 0.86};   // output knob
const Rgb kLampOn{0.42, 0.85, 0.52};  // lit on/off lamps
const Rgb kBarText{0.94, 0.94, 0.92}; // preset-bar glyphs and button names

void colour(cairo_t* cr, Rgb c, double a = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, a);
}

enum class Face { Title, Caption, Scale, Small, Switch, Button, Logo };

void font(cairo_t* cr, Face f) {
    const char* family = "DejaVu Sans";
    bool bold = true;
    double size = 8;
    switch (f) {
    case Face::Title:
        size = 10;
        break;
    case Face::Caption:
        family = "DejaVu Sans Condensed";
        size = 8.5;
        break;
    case Face::Scale:
        family = "DejaVu Sans Condensed";
        bold = false;
        size = 8;
        break;
    case Face::Small:
    case Face::Switch:
        family = "DejaVu Sans Condensed";
        size = 7.5;
        break;
    case Face::Button:
        family = "DejaVu Sans Condensed";
        size = 7;
        break;
    case Face::Logo:
        size = 10;
        break;
    }
    cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    // Crisp small type at 100 %: grey antialiasing, hinted outlines and metrics.
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, o);
    cairo_font_options_destroy(o);
}

// The condensed face must be the real one: a substitute of normal width
// would make the labels collide.
bool haveCondensedFace() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(s);
    cairo_text_extents_t normal, condensed;
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 100);
    cairo_text_extents(cr, "STEREO", &normal);
    cairo_select_font_face(cr, "DejaVu Sans Condensed", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_text_extents(cr, "STEREO", &condensed);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return condensed.x_advance < 0.95 * normal.x_advance;
}

// ---------------------------------------------------------------------------
// Layout check: every label's ink box and every control's visible area, in
// window pixels.

struct Box {
    double x0, y0, x1, y1;
    std::string what;
    int owner; // control tag or bar tag the label belongs to; -1 for none
};

std::vector<Box> gLabels;
std::vector<Box> gControls;

bool overlap(const Box& a, const Box& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// A knob is visible only within the circle its box encloses.
bool overlapsCircle(const Box& a, const Box& circle) {
    const double cx = (circle.x0 + circle.x1) / 2, cy = (circle.y0 + circle.y1) / 2;
    const double r = (circle.x1 - circle.x0) / 2;
    const double dx = std::max({a.x0 - cx, 0.0, cx - a.x1});
    const double dy = std::max({a.y0 - cy, 0.0, cy - a.y1});
    return dx * dx + dy * dy < r * r;
}

// ---------------------------------------------------------------------------
// Text

enum class Align { Left, Centre, Right };

// Draws s with its baseline at y, aligned at x; returns and records its ink box.
Box text(cairo_t* cr, const std::string& s, double x, double y, Align a, int owner = -1,
         bool record = true) {
    cairo_text_extents_t te;
    cairo_text_extents(cr, s.c_str(), &te);
    double left = a == Align::Left     ? x
                  : a == Align::Centre ? x - te.x_advance / 2
                                       : x - te.x_advance;
    left = std::round(left);
    y = std::round(y);
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, s.c_str());
    Box b{left + te.x_bearing,
          y + te.y_bearing,
          left + te.x_bearing + te.width,
          y + te.y_bearing + te.height,
          s,
          owner};
    if (record) gLabels.push_back(b);
    return b;
}

// Draws s so that its ink box is centred on (cx, cy).
Box textCentredOn(cairo_t* cr, const std::string& s, double cx, double cy, int owner) {
    cairo_text_extents_t te;
    cairo_text_extents(cr, s.c_str(), &te);
    return text(cr, s, cx - te.width / 2 - te.x_bearing, cy - te.height / 2 - te.y_bearing,
                Align::Left, owner);
}

// ---------------------------------------------------------------------------
// Shapes

void roundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// ---------------------------------------------------------------------------
// Image store: every image is kept until the end for the preview.

std::string gOutDir;
std::map<int, cairo_surface_t*> gImages;

// Pixels per unit of the images being drawn: 1, then 2 for the 2x set. Every
// picture is drawn in units of the 1x picture; at 2 the vector drawing lands
// on twice as many pixels.
double gScale = 1.0;

cairo_surface_t* newImage(int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, (int)std::lround(w * gScale), (int)std::lround(h * gScale));
    cairo_surface_set_device_scale(s, gScale, gScale);
    return s;
}

void keep(int id, cairo_surface_t* s) {
    gImages[id] = s;
}

// Writes every image at the current scale and notes its file name for the
// list (kImageList, one a line) that writeList writes after both scales: the
// build embeds what the list names, so the images the layout tables ask for
// are the ones the plug-in carries. The list is written last: it stands for a
// complete set.
const char* const kImageList = "images.list";
std::string gList;

void writeAll() {
    for (auto& [id, s] : gImages) {
        char name[32];
        std::snprintf(name, sizeof name, gScale == 1.0 ? "bmp%05d.png" : "bmp%05d@2x.png", id);
        std::string path = gOutDir + "/" + name;
        if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "gen_images: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        gList += name + std::string("\n");
    }
}

void writeList() {
    const std::string path = gOutDir + "/" + kImageList;
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f || std::fwrite(gList.data(), 1, gList.size(), f) != gList.size() ||
        std::fclose(f) != 0) {
        std::fprintf(stderr, "gen_images: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// ---------------------------------------------------------------------------
// Knobs: the frame rule and the angle of every frame (gui/KnobFrame.h, shared
// with the knob control), for the film strips and the scales on the background.

// The picture a knob shows for value v, as the knob control picks it.
int knobFrame(double v, int images) {
    return dravo::knob::frameFor((float)v, images);
}

using dravo::knob::frameAngle;

// Radii of a knob, from its centre.
const double kBodyR = 14.5; // the knob itself
const double kArcR = 19.0;  // value arc of the gain knobs
const double kTickIn = 22.0, kTickOut = 24.5, kMajorOut = 26.0;
const double kLabelR = 27.0; // scale numbers start here
const double kVisibleR = kArcR + 2.0;

enum class KnobKind { Frequency, Bipolar, Unipolar };

struct KnobLook {
    KnobKind kind;
    Rgb accent;
    int zeroFrame; // where the value arc starts
};

KnobLook knobLook(const Control& c) {
    switch (dravo::info(paramOf(c)).quantiser) {
    case dravo::Quantiser::OutputGain:
        return {KnobKind::Bipolar, kLevel, knobFrame(0.5, c.images)};
    case dravo::Quantiser::ShelfGain:
        return {KnobKind::Bipolar, kGain, knobFrame(0.5, c.images)};
    case dravo::Quantiser::PeakGain:
        return {KnobKind::Unipolar, kGain, 0};
    default:
        return {KnobKind::Frequency, kFreq, 0};
    }
}

void knobStrip(const Control& c) {
    const int size = c.width, n = c.images;
    const KnobLook look = knobLook(c);
    cairo_surface_t* s = newImage(size, c.height * n);
    cairo_t* cr = cairo_create(s);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < n; ++i) {
        const double cx = size / 2.0, cy = i * c.height + c.height / 2.0;
        const double a = frameAngle(i, n);
        if (look.kind != KnobKind::Frequency) {
            // Track over the whole sweep, lit from the zero point to the value.
            cairo_set_line_width(cr, 2.5);
            cairo_set_source_rgb(cr, 0.09, 0.095, 0.10);
            cairo_arc(cr, cx, cy, kArcR, frameAngle(0, n), frameAngle(n - 1, n));
            cairo_stroke(cr);
            if (i != look.zeroFrame) {
                double a0 = frameAngle(look.zeroFrame, n);
                colour(cr, look.accent, 0.9);
                if (a > a0)
                    cairo_arc(cr, cx, cy, kArcR, a0, a);
                else
                    cairo_arc(cr, cx, cy, kArcR, a, a0);
                cairo_stroke(cr);
            }
        }
        // Shadow, skirt and cap with a soft light from the upper left.
        cairo_arc(cr, cx, cy + 1, kBodyR + 1, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
        cairo_fill(cr);
        cairo_arc(cr, cx, cy, kBodyR, 0, 2 * kPi);
        verticalGradient(cr, cy - kBodyR, cy + kBodyR, {0.34, 0.35, 0.37}, {0.12, 0.125, 0.13});
        cairo_fill(cr);
        cairo_pattern_t* cap = cairo_pattern_create_radial(cx - 3, cy - 4, 1, cx, cy, kBodyR - 2);
        cairo_pattern_add_color_stop_rgb(cap, 0, 0.33, 0.34, 0.36);
        cairo_pattern_add_color_stop_rgb(cap, 1, 0.17, 0.175, 0.185);
        cairo_arc(cr, cx, cy, kBodyR - 2.5, 0, 2 * kPi);
        cairo_set_source(cr, cap);
        cairo_fill(cr);
        cairo_pattern_destroy(cap);
        cairo_set_line_width(cr, 1);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
        cairo_arc(cr, cx, cy, kBodyR, 0, 2 * kPi);
        cairo_stroke(cr);
        // Pointer.
        cairo_set_line_width(cr, 2.4);
        colour(cr, look.accent);
        cairo_move_to(cr, cx + std::cos(a) * 4.5, cy + std::sin(a) * 4.5);
        cairo_line_to(cr, cx + std::cos(a) * (kBodyR - 1.5), cy + std::sin(a) * (kBodyR - 1.5));
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    keep(c.bitmapId, s);
}

// A number of a frequency scale: whole hertz below 1 kHz, else kHz with one
// decimal below 10 kHz ("1.6k", "2k", "11k").
std::string shortHz(double hz) {
    char t[16];
    if (hz < 999.5) {
        std::snprintf(t, sizeof t, "%d", (int)std::floor(hz + 0.5));
    } else if (hz < 9950) {
        double k = std::floor(hz / 100 + 0.5) / 10;
        if (k == std::floor(k))
            std::snprintf(t, sizeof t, "%dk", (int)k);
        else
            std::snprintf(t, sizeof t, "%.1fk", k);
    } else {
        std::snprintf(t, sizeof t, "%dk", (int)std::floor(hz / 1000 + 0.5));
    }
    return t;
}

struct Mark {
    int frame;
    std::string text; // empty: a minor tick
};

// Frequency knobs: a tick at every step of the table (each is one frame), a
// number at seven steps spread over the sweep.
std::vector<Mark> frequencyMarks(const Control& c) {
    const Param p = paramOf(c);
    const int n = dravo::info(p).table->last;
    std::vector<Mark> marks;
    for (int i = 0; i <= n; ++i) {
        const double v = (double)i / n;
        const int frame = knobFrame(v, c.images);
        bool labelled = false;
        for (int j = 0; j <= 6; ++j)
            labelled |= i == (int)std::floor(n * j / 6.0 + 0.5);
        marks.push_back({frame, labelled ? shortHz(dravo::realValueOf(p, v)) : ""});
    }
    return marks;
}

// Gain knobs: the parameter's dB range, a tick every `tick` dB and a number
// every `number` dB (2 and 10 for the output level), each at the frame its
// value shows.
std::vector<Mark> gainMarks(const Control& c) {
    const Param p = paramOf(c);
    const bool output = dravo::info(p).quantiser == dravo::Quantiser::OutputGain;
    const double tick = output ? 2 : 1, number = output ? 10 : 5;
    double lo, hi;
    dravo::realRange(p, lo, hi);
    std::vector<Mark> marks;
    for (double d = lo; d <= hi + 1e-9; d += tick) {
        const double v = (d - lo) / (hi - lo);
        std::string s;
        if (std::fmod(std::fabs(d), number) < 1e-9) {
            char t[16];
            std::snprintf(t, sizeof t, d > 0 && lo < 0 ? "+%g" : "%g", d);
            s = t;
            if (d < 0) s = "\u2212" + s.substr(1); // a real minus sign
        }
        marks.push_back({knobFrame(v, c.images), s});
    }
    return marks;
}

void knobScale(cairo_t* cr, const Control& c, const char* caption) {
    const double cx = c.left + c.width / 2.0, cy = c.top + c.height / 2.0;
    const bool freq = knobLook(c).kind == KnobKind::Frequency;
    const std::vector<Mark> marks = freq ? frequencyMarks(c) : gainMarks(c);
    font(cr, Face::Scale);
    for (const Mark& m : marks) {
        const double a = frameAngle(m.frame, c.images);
        const double ca = std::cos(a), sa = std::sin(a);
        const bool major = !m.text.empty();
        const double out = major ? kMajorOut : kTickOut;
        cairo_set_line_width(cr, major ? 1.4 : 1.0);
        colour(cr, major ? kMajor : kTick);
        cairo_move_to(cr, cx + ca * kTickIn, cy + sa * kTickIn);
        cairo_line_to(cr, cx + ca * out, cy + sa * out);
        cairo_stroke(cr);
        if (!major) continue;
        cairo_text_extents_t te;
        cairo_text_extents(cr, m.text.c_str(), &te);
        // The box touches the circle kLabelR on the side facing the knob.
        const double r = kLabelR + std::fabs(ca) * te.width / 2 + std::fabs(sa) * te.height / 2;
        colour(cr, kScale);
        textCentredOn(cr, m.text, cx + ca * r, cy + sa * r, c.tag);
    }
    font(cr, Face::Caption);
    colour(cr, kCaption);
    text(cr, caption, cx, cy + kLabelR + 3, Align::Centre, c.tag);
}

// ---------------------------------------------------------------------------
// Three-position switches: a lever beside the names of its positions, the
// selected one lit. Picture 0 has the lever up, as the switch shows for
// control value 0; the editor inverts these parameters, so the top position
// stands for parameter value 1.0, the middle 0.5 and the bottom 0.0.

const int kLeverWidth = 12;
const int kSwitchTextX = kLeverWidth + 1;

// What the parameter does at value p: the name of the position (for "LSR"
// and "MQ" the region of the value) it selects, in capitals as the artwork
// writes it ("\u00d72" stays as it is). "MQ" names the region its value text
// shows (split at 0.25 / 0.75), not the engine's Q (split at 0.5 / 0.75): the
// two have always differed, and the switch agrees with the host's text.
std::string positionName(const Control& c, double p) {
    const Param param = paramOf(c);
    const dravo::PositionNames& names = dravo::info(param).positions;
    const int pos = (int)dravo::realValueOf(param, p);
    if (pos < 0 || pos >= names.count) return "?";
    std::string name = names.names[pos];
    for (char& ch : name)
        if (ch >= 'a' && ch <= 'z') ch = (char)(ch - 'a' + 'A');
    return name;
}

// Parameter value at picture position i (0 top): the editor shows 1 - p.
double switchValueAt(int i) {
    return 1.0 - i / 2.0;
}

double switchRowCentre(const Control& c, int i) {
    return c.height * (2 * i + 1) / 6.0;
}

void switchStrip(const Control& c) {
    cairo_surface_t* s = newImage(c.width, c.height * 3);
    cairo_t* cr = cairo_create(s);
    font(cr, Face::Switch);
    for (int f = 0; f < 3; ++f) {
        const double oy = f * c.height;
        // Slot with three detents.
        roundRect(cr, kLeverWidth / 2.0 - 2, oy + 2, 4, c.height - 4, 2);
        cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        // Lever cap at position f.
        const double ly = oy + switchRowCentre(c, f);
        roundRect(cr, 1.5, ly - 4.5, kLeverWidth - 3, 9, 2);
        verticalGradient(cr, ly - 4.5, ly + 4.5, {0.88, 0.88, 0.86}, {0.58, 0.58, 0.57});
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
        cairo_stroke(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
        cairo_rectangle(cr, 3.5, ly - 0.5, kLeverWidth - 7, 1);
        cairo_fill(cr);
        // Names, the selected one lit.
        for (int i = 0; i < 3; ++i) {
            colour(cr, i == f ? kCaption : kDim);
            cairo_text_extents_t te;
            std::string name = positionName(c, switchValueAt(i));
            cairo_text_extents(cr, name.c_str(), &te);
            double y = std::round(oy + switchRowCentre(c, i) - te.height / 2 - te.y_bearing);
            cairo_move_to(cr, kSwitchTextX, y);
            cairo_show_text(cr, name.c_str());
            if (f == 0) { // in window pixels, once
                gLabels.push_back({c.left + kSwitchTextX + te.x_bearing,
                                   c.top + y - oy + te.y_bearing,
                                   c.left + kSwitchTextX + te.x_bearing + te.width,
                                   c.top + y - oy + te.y_bearing + te.height, name, c.tag});
                if (kSwitchTextX + te.x_bearing + te.width > c.width) {
                    std::fprintf(stderr, "gen_images: \"%s\" (%g pixels) is wider than switch %d\n",
                                 name.c_str(), te.width, c.tag);
                    std::exit(1);
                }
            }
        }
    }
    cairo_destroy(cr);
    keep(c.bitmapId, s);
}

// ---------------------------------------------------------------------------
// On/off buttons: upper picture off, lower on; a lamp across the face.

void onOffStrip(const Control& c) {
    const int w = c.width, h = c.height;
    cairo_surface_t* s = newImage(w, h * 2);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 2; ++i) {
        const double oy = i * h;
        roundRect(cr, 0.5, oy + 0.5, w - 1, h - 1, 3);
        cairo_set_source_rgb(cr, 0.04, 0.04, 0.05);
        cairo_fill(cr);
        roundRect(cr, 1.5, oy + 1.5, w - 3, h - 3, 2.5);
        verticalGradient(cr, oy + 1, oy + h - 1, {0.36, 0.37, 0.39}, {0.22, 0.225, 0.235});
        cairo_fill(cr);
        const double lw = w - 10, lh = 4, lx = 5, ly = oy + (h - lh) / 2;
        if (i) {
            cairo_pattern_t* glow =
                cairo_pattern_create_radial(w / 2.0, ly + lh / 2, 1, w / 2.0, ly + lh / 2, w / 2.0);
            cairo_pattern_add_color_stop_rgba(glow, 0, kLampOn.r, kLampOn.g, kLampOn.b, 0.45);
            cairo_pattern_add_color_stop_rgba(glow, 1, kLampOn.r, kLampOn.g, kLampOn.b, 0);
            roundRect(cr, 1.5, oy + 1.5, w - 3, h - 3, 2.5);
            cairo_set_source(cr, glow);
            cairo_fill(cr);
            cairo_pattern_destroy(glow);
        }
        roundRect(cr, lx, ly, lw, lh, 2);
        if (i)
            colour(cr, kLampOn);
        else
            cairo_set_source_rgb(cr, 0.11, 0.15, 0.12);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    keep(c.bitmapId, s);
}

// ---------------------------------------------------------------------------
// Clip LED: dark, clipped earlier (amber), clipping now (red).

void ledStrip(const Control& c) {
    const int size = c.width;
    cairo_surface_t* s = newImage(size, c.height * 3);
    cairo_t* cr = cairo_create(s);
    const Rgb lens[3] = {{0.28, 0.07, 0.06}, {0.98, 0.62, 0.16}, {1.0, 0.16, 0.12}};
    for (int i = 0; i < 3; ++i) {
        const double cx = size / 2.0, cy = i * c.height + c.height / 2.0;
        cairo_arc(cr, cx, cy, size / 2.0 - 0.5, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 0.04, 0.04, 0.045);
        cairo_fill(cr);
        if (i) { // glow
            cairo_pattern_t* g = cairo_pattern_create_radial(cx, cy, 1, cx, cy, size / 2.0);
            cairo_pattern_add_color_stop_rgba(g, 0, lens[i].r, lens[i].g, lens[i].b, 0.6);
            cairo_pattern_add_color_stop_rgba(g, 1, lens[i].r, lens[i].g, lens[i].b, 0);
            cairo_arc(cr, cx, cy, size / 2.0 - 0.5, 0, 2 * kPi);
            cairo_set_source(cr, g);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
        }
        cairo_arc(cr, cx, cy, size / 2.0 - 3, 0, 2 * kPi);
        colour(cr, lens[i]);
        cairo_fill(cr);
        cairo_arc(cr, cx - 1.5, cy - 1.5, 1.8, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1, 1, 1, i ? 0.75 : 0.18);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    keep(c.bitmapId, s);
}

// ---------------------------------------------------------------------------
// Preset bar: buttons with three pictures (normal, hover, pressed) and the
// rocker with five (plain, hover left, hover right, pressed left, pressed
// right).

enum class Glyph { Save, Load, Store, Recall, Help, Previous, Next };

enum class Look { Normal, Hover, Pressed };

void buttonFace(cairo_t* cr, double x, double y, double w, double h, Look look) {
    roundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 2);
    if (look == Look::Pressed)
        verticalGradient(cr, y, y + h, {0.10, 0.105, 0.11}, {0.19, 0.195, 0.20});
    else if (look == Look::Hover)
        verticalGradient(cr, y, y + h, {0.42, 0.43, 0.45}, {0.30, 0.31, 0.33});
    else
        verticalGradient(cr, y, y + h, {0.30, 0.31, 0.33}, {0.20, 0.205, 0.215});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    if (look == Look::Normal)
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
    else
        colour(cr, kTitle, look == Look::Hover ? 0.75 : 1.0);
    cairo_stroke(cr);
}

void glyphColour(cairo_t* cr, Look look) {
    if (look == Look::Pressed)
        colour(cr, kTitle);
    else if (look == Look::Hover)
        cairo_set_source_rgb(cr, 1, 1, 1);
    else
        colour(cr, kBarText);
}

// A glyph centred on (cx, cy) in an 8 x 8 box on the pixel grid, so that its
// edges stay sharp.
void glyph(cairo_t* cr, Glyph g, double cx, double cy) {
    const double c = std::floor(cx), t = std::floor(cy) - 4, l = c - 4;
    auto rect = [&](double x, double y, double w, double h) {
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    };
    auto triangle = [&](double x0, double y0, double x1, double y1, double x2, double y2) {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_line_to(cr, x2, y2);
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    switch (g) {
    case Glyph::Save: // a disk: clipped corner, shutter slot at the top, label below
        cairo_move_to(cr, l, t);
        cairo_line_to(cr, l + 6, t);
        cairo_line_to(cr, l + 8, t + 2);
        cairo_line_to(cr, l + 8, t + 8);
        cairo_line_to(cr, l, t + 8);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_save(cr);
        cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
        rect(l + 4, t + 1, 1, 2);
        rect(l + 1, t + 4, 6, 3);
        cairo_restore(cr);
        break;
    case Glyph::Load: // a folder with its tab
        rect(l, t + 1, 4, 1);
        rect(l, t + 2, 8, 6);
        cairo_save(cr);
        cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
        rect(l + 1, t + 3, 7, 1);
        cairo_restore(cr);
        break;
    case Glyph::Store: // an arrow down into a tray
        rect(c, t, 1, 3);
        triangle(c - 2.5, t + 3, c + 3.5, t + 3, c + 0.5, t + 6);
        rect(c - 3, t + 7, 7, 1);
        break;
    case Glyph::Recall: // an arrow up out of a tray
        triangle(c + 0.5, t, c - 2.5, t + 3, c + 3.5, t + 3);
        rect(c, t + 3, 1, 3);
        rect(c - 3, t + 7, 7, 1);
        break;
    case Glyph::Help:
        font(cr, Face::Caption);
        text(cr, "?", cx, cy + 3, Align::Centre, -1, false);
        break;
    case Glyph::Previous:
    case Glyph::Next: {
        const double d = g == Glyph::Next ? 1 : -1;
        cairo_move_to(cr, cx - 2 * d, cy - 3.5);
        cairo_line_to(cr, cx + 2.5 * d, cy);
        cairo_line_to(cr, cx - 2 * d, cy + 3.5);
        cairo_close_path(cr);
        cairo_fill(cr);
        break;
    }
    }
}

void barButton(const presetbar::Item& it, Glyph g) {
    const int w = it.right - it.left, h = it.bottom - it.top;
    cairo_surface_t* s = newImage(w, h * it.frames);
    cairo_t* cr = cairo_create(s);
    for (int f = 0; f < it.frames; ++f) {
        const Look look = (Look)f;
        const double oy = f * h;
        buttonFace(cr, 0, oy, w, h, look);
        glyphColour(cr, look);
        glyph(cr, g, w / 2.0, oy + h / 2.0 + (look == Look::Pressed ? 1 : 0));
    }
    cairo_destroy(cr);
    keep(it.bitmapId, s);
}

// The default bank / default preset buttons name their group; hovering shows
// what a double click on them does.
void textButton(const presetbar::Item& it, const char* name) {
    const int w = it.right - it.left, h = it.bottom - it.top;
    cairo_surface_t* s = newImage(w, h * it.frames);
    cairo_t* cr = cairo_create(s);
    font(cr, Face::Button);
    for (int f = 0; f < it.frames; ++f) {
        const Look look = (Look)f;
        const double oy = f * h;
        buttonFace(cr, 0, oy, w, h, look);
        glyphColour(cr, look);
        text(cr, look == Look::Normal ? name : "DEFAULT", w / 2.0,
             oy + h - 2 + (look == Look::Pressed ? 0.5 : 0), Align::Centre, -1, false);
    }
    cairo_destroy(cr);
    keep(it.bitmapId, s);
}

void rocker(const presetbar::Item& it) {
    const int w = it.right - it.left, h = it.bottom - it.top;
    cairo_surface_t* s = newImage(w, h * it.frames);
    cairo_t* cr = cairo_create(s);
    for (int f = 0; f < it.frames; ++f) {
        const double oy = f * h;
        for (int side = 0; side < 2; ++side) {
            Look look = Look::Normal;
            if (f == 1 + side) look = Look::Hover;
            if (f == 3 + side) look = Look::Pressed;
            const double hw = w / 2.0, x = side * hw;
            buttonFace(cr, x, oy, hw, h, look);
            glyphColour(cr, look);
            glyph(cr, side ? Glyph::Next : Glyph::Previous, x + hw / 2,
                  oy + h / 2.0 + (look == Look::Pressed ? 1 : 0));
        }
    }
    cairo_destroy(cr);
    keep(it.bitmapId, s);
}

const presetbar::Item& barItem(int tag) {
    for (const presetbar::Item& it : presetbar::kItems)
        if (it.tag == tag) return it;
    std::fprintf(stderr, "gen_images: no preset-bar item %d\n", tag);
    std::exit(1);
}

// ---------------------------------------------------------------------------
// Background: sections with titles, captions and scales; the latency
// read-outs' well; the logo under the about hot spot; the preset bar.

// The panels left to right: a title and the engine sections whose controls
// it holds. The last holds every control of no section: the master, channel,
// phase, output level, SAT and the clip LED.
struct PanelTitle {
    std::string title;
    std::vector<dravo::Section> sections;
};

// A panel of one section is titled with its name in capitals.
PanelTitle sectionPanel(dravo::Section s) {
    std::string title = dravo::info(s).name;
    for (char& ch : title)
        ch = (char)std::toupper((unsigned char)ch);
    return {title, {s}};
}

const std::vector<PanelTitle> kSections = {
    {"FILTERS", {dravo::Section::LowCut, dravo::Section::HighCut}},
    sectionPanel(dravo::Section::LowShelf),
    sectionPanel(dravo::Section::Mid1),
    sectionPanel(dravo::Section::Mid2),
    sectionPanel(dravo::Section::HighShelf),
    {"OUTPUT", {}},
};

// The panel of the control with this tag (a label's owner), or -1 for none
// (the preset bar, the logo, the read-outs).
int panelOf(int tag) {
    const int output = (int)kSections.size() - 1;
    if (tag == L::kLedTag) return output;
    const Control* c = L::controlForTag(tag);
    if (!c || !L::isParameterControl(*c)) return -1;
    const dravo::ParamInfo& p = dravo::info(paramOf(*c));
    if (p.target != dravo::Target::Section) return output;
    for (size_t k = 0; k < kSections.size(); ++k)
        for (dravo::Section s : kSections[k].sections)
            if (s == p.section) return (int)k;
    return -1;
}

// The caption under or above a control: its parameter's, "CLIP" for the LED,
// "CURVE" for the curve panel's switch.
const char* captionOf(const Control& c) {
    if (c.kind == Kind::Led) return "CLIP";
    if (c.kind == Kind::PanelSwitch) return "CURVE";
    const char* caption = L::isParameterControl(c) ? dravo::info(paramOf(c)).caption : "";
    if (!*caption) {
        std::fprintf(stderr, "gen_images: control %d has no caption\n", c.tag);
        std::exit(1);
    }
    return caption;
}

const int kPanelTop = 8, kPanelBottom = 198;

struct Panel {
    double left, right;
};

// Each panel encloses its section's controls and labels; neighbouring panels
// split the space between their contents, and the outer ones reach to 8
// pixels from the window's edges. Needs every label recorded first.
std::vector<Panel> gPanels;

void computePanels() {
    std::vector<Panel> extent(kSections.size(), Panel{(double)W, 0.0});
    auto widen = [&](const Box& b) {
        const int k = panelOf(b.owner);
        if (k < 0) return;
        extent[k].left = std::min(extent[k].left, b.x0);
        extent[k].right = std::max(extent[k].right, b.x1);
    };
    for (const Box& b : gLabels)
        widen(b);
    for (const Box& b : gControls)
        widen(b);
    const size_t n = kSections.size();
    for (size_t k = 0; k < n; ++k) {
        const double l = k ? std::floor((extent[k - 1].right + extent[k].left) / 2) + 1 : 8;
        const double r =
            k + 1 < n ? std::floor((extent[k].right + extent[k + 1].left) / 2) - 1 : W - 8.0;
        gPanels.push_back({l, r});
    }
}

void latencyWell(cairo_t* cr) {
    double l = W, t = H, r = 0, b = 0;
    for (const Control& c : L::kControls)
        if (c.kind == Kind::LatencyMs || c.kind == Kind::LatencySamples) {
            l = std::min(l, (double)c.left);
            t = std::min(t, (double)c.top);
            r = std::max(r, (double)c.left + c.width);
            b = std::max(b, (double)c.top + c.height);
        }
    // Plain and dark under the light grey text; its rim lies outside the
    // read-outs.
    roundRect(cr, l - 3.5, t - 3.5, r - l + 7, b - t + 7, 3);
    cairo_set_source_rgb(cr, 0.075, 0.078, 0.085);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    font(cr, Face::Caption);
    colour(cr, kCaption);
    text(cr, "LATENCY", l - 8, (t + b) / 2 + 3, Align::Right);
}

// A small response curve inside a ring, then the name.
void logo(cairo_t* cr, const Control& c) {
    const double x = c.left, y = c.top, w = c.width, h = c.height;
    roundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 3);
    verticalGradient(cr, y, y + h, {0.16, 0.165, 0.175}, {0.10, 0.105, 0.11});
    cairo_fill_preserve(cr);
    colour(cr, kTitle, 0.55);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const double ex = x + 10, ey = y + h / 2;
    cairo_arc(cr, ex, ey, 5.5, 0, 2 * kPi);
    colour(cr, kTitle);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_move_to(cr, ex - 4, ey + 1);
    cairo_curve_to(cr, ex - 2, ey + 1, ex - 2, ey - 3, ex, ey - 3);
    cairo_curve_to(cr, ex + 2, ey - 3, ex + 2, ey + 2, ex + 4, ey + 2);
    cairo_stroke(cr);
    font(cr, Face::Logo);
    colour(cr, kTitle);
    text(cr, "VEY DRAVO", x + 19 + (w - 19) / 2, y + h / 2 + 4, Align::Centre, c.tag);
}

void presetBarBackground(cairo_t* cr) {
    using namespace presetbar;
    const double top = barItem(kTagSaveBank).top - 3;
    cairo_rectangle(cr, 0, top, W, H - top);
    verticalGradient(cr, top, H, {0.125, 0.13, 0.14}, {0.10, 0.105, 0.11});
    cairo_fill(cr);
    cairo_rectangle(cr, 0, top, W, 1);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_fill(cr);
    // The name field shows the background under its dark text (a text field
    // with a background bitmap draws the bitmap, not its back colour), so the
    // light field and its frame are drawn here, in the field's own colours,
    // over the band it spans: the toolkit's small font (11 pixels) plus 2
    // above and below, centred on its row. A dark rim sets it in.
    const Item& name = barItem(kTagName);
    const Item& menu = barItem(kTagMenu);
    const double half = 11 / 2.0 + 2;
    const double fieldTop = std::floor(kNameCentreRow - half);
    const double fieldBottom = std::ceil(kNameCentreRow + half);
    roundRect(cr, name.left - 1.5, fieldTop - 1.5, menu.right - name.left + 3,
              fieldBottom - fieldTop + 3, 2);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.055);
    cairo_fill(cr);
    cairo_rectangle(cr, name.left, fieldTop, name.right - name.left, fieldBottom - fieldTop);
    cairo_set_source_rgb(cr, 209 / 255.0, 227 / 255.0, 238 / 255.0);
    cairo_fill(cr);
    cairo_rectangle(cr, name.left + 0.5, fieldTop + 0.5, name.right - name.left - 1,
                    fieldBottom - fieldTop - 1);
    cairo_set_source_rgb(cr, 36 / 255.0, 36 / 255.0, 32 / 255.0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // The menu's hot spot is invisible: the background draws its button.
    buttonFace(cr, menu.left, menu.top, menu.right - menu.left, menu.bottom - menu.top,
               Look::Normal);
    colour(cr, kBarText);
    const double mx = (menu.left + menu.right) / 2.0, my = (menu.top + menu.bottom) / 2.0;
    cairo_move_to(cr, mx - 3.5, my - 1.5);
    cairo_line_to(cr, mx + 3.5, my - 1.5);
    cairo_line_to(cr, mx, my + 2.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    gControls.push_back({(double)menu.left, (double)menu.top, (double)menu.right,
                         (double)menu.bottom, "preset list", kTagMenu});
    gControls.push_back({(double)name.left, (double)name.top - 1, (double)name.right,
                         (double)name.bottom + 1, "preset name", kTagName});
    // Memory slots: A and B between their store and recall buttons, and a
    // legend of the two glyphs.
    const double base = (barItem(kTagStoreA).top + barItem(kTagStoreA).bottom) / 2.0 + 3;
    font(cr, Face::Caption);
    colour(cr, kTitle);
    text(cr, "A", (barItem(kTagStoreA).right + barItem(kTagRecallA).left) / 2.0, base,
         Align::Centre, kTagStoreA);
    text(cr, "B", (barItem(kTagStoreB).right + barItem(kTagRecallB).left) / 2.0, base,
         Align::Centre, kTagStoreB);
    double x = barItem(kTagRecallB).right + 8;
    colour(cr, kCaption);
    x = text(cr, "MEMORY", x, base, Align::Left, kTagStoreA).x1 + 8;
    colour(cr, kBarText);
    glyph(cr, Glyph::Store, x + 4, base - 3);
    font(cr, Face::Small);
    colour(cr, kScale);
    x = text(cr, "store", x + 11, base, Align::Left, kTagStoreA).x1 + 8;
    colour(cr, kBarText);
    glyph(cr, Glyph::Recall, x + 4, base - 3);
    font(cr, Face::Small);
    colour(cr, kScale);
    text(cr, "recall", x + 11, base, Align::Left, kTagRecallA);
    // The manual.
    const Item& manual = barItem(kTagManual);
    font(cr, Face::Caption);
    colour(cr, kCaption);
    text(cr, "MANUAL", manual.left - 6, base, Align::Right, kTagManual);
    for (const Item& it : kItems)
        if (it.kind != presetbar::Kind::NameField && it.kind != presetbar::Kind::Menu)
            gControls.push_back({(double)it.left, (double)it.top, (double)it.right,
                                 (double)it.bottom, "bar button", it.tag});
}

void background() {
    // The controls' scales and captions go on a layer of their own first: the
    // panels under them are sized from where they fall.
    cairo_surface_t* ink = newImage(W, H);
    cairo_t* cr = cairo_create(ink);
    // Controls: scales, captions, and their visible areas for the check.
    for (const Control& c : L::kControls) {
        const double l = c.left, t = c.top, r = c.left + c.width, b = c.top + c.height;
        switch (c.kind) {
        case Kind::Knob: {
            knobScale(cr, c, captionOf(c));
            const double cx = l + c.width / 2.0, cy = t + c.height / 2.0;
            gControls.push_back(
                {cx - kVisibleR, cy - kVisibleR, cx + kVisibleR, cy + kVisibleR, "knob", c.tag});
            break;
        }
        case Kind::Switch3:
            font(cr, Face::Caption);
            colour(cr, kCaption);
            text(cr, captionOf(c), l, t - 4, Align::Left, c.tag);
            gControls.push_back({l, t, l + kLeverWidth, b, "switch", c.tag});
            break;
        case Kind::OnOff:
        case Kind::PanelSwitch:
        case Kind::Led:
            // The LED's caption goes below it: above, it would crowd the
            // caption of the button beside it.
            font(cr, Face::Caption);
            colour(cr, kCaption);
            text(cr, captionOf(c), (l + r) / 2, c.kind == Kind::Led ? b + 10 : t - 4, Align::Centre,
                 c.tag);
            gControls.push_back({l, t, r, b, c.kind == Kind::Led ? "LED" : "button", c.tag});
            break;
        case Kind::About:
        case Kind::LatencyMs:
        case Kind::LatencySamples:
            break;
        }
    }
    cairo_destroy(cr);
    computePanels();

    cairo_surface_t* s = newImage(W, H);
    cr = cairo_create(s);
    verticalGradient(cr, 0, H, {0.215, 0.225, 0.24}, {0.155, 0.16, 0.17});
    cairo_paint(cr);
    for (size_t i = 0; i < gPanels.size(); ++i) {
        const Panel& p = gPanels[i];
        roundRect(cr, p.left + 0.5, kPanelTop + 0.5, p.right - p.left - 1,
                  kPanelBottom - kPanelTop - 1, 5);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.16);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        // Title over a hairline.
        cairo_rectangle(cr, p.left + 6, kPanelTop + 19, p.right - p.left - 12, 1);
        colour(cr, kTitle, 0.25);
        cairo_fill(cr);
        font(cr, Face::Title);
        colour(cr, kTitle);
        text(cr, kSections[i].title, (p.left + p.right) / 2, kPanelTop + 14, Align::Centre);
    }
    cairo_set_source_surface(cr, ink, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(ink);
    for (const Control& c : L::kControls) {
        if (c.kind == Kind::About) logo(cr, c);
        if (c.kind == Kind::LatencyMs || c.kind == Kind::LatencySamples)
            gControls.push_back({(double)c.left, (double)c.top, (double)c.left + c.width,
                                 (double)c.top + c.height, "latency read-out", -2});
    }
    latencyWell(cr);
    presetBarBackground(cr);
    cairo_destroy(cr);
    keep(L::kBackgroundId, s);
}

// ---------------------------------------------------------------------------
// The about image. The editor draws the version text at 222..254, 31..41,
// right of the title: that band stays plain and dark.

void about() {
    const int w = 360, h = 200;
    cairo_surface_t* s = newImage(w, h);
    cairo_t* cr = cairo_create(s);
    verticalGradient(cr, 0, h, {0.17, 0.175, 0.19}, {0.10, 0.105, 0.115});
    cairo_paint(cr);
    cairo_rectangle(cr, 1, 1, w - 2, h - 2);
    colour(cr, kTitle, 0.6);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 20);
    colour(cr, kTitle);
    cairo_move_to(cr, 24, 42);
    cairo_show_text(cr, "VEY DRAVO");
    font(cr, Face::Caption);
    cairo_set_font_size(cr, 11);
    colour(cr, kCaption);
    cairo_move_to(cr, 24, 62);
    cairo_show_text(cr, "Parametric channel equaliser");
    // A response sketch: low cut, a low-mid dip, a presence lift, high cut.
    cairo_set_line_width(cr, 1.5);
    colour(cr, kFreq, 0.8);
    cairo_move_to(cr, 24, 92);
    cairo_curve_to(cr, 40, 80, 50, 76, 80, 76);
    cairo_curve_to(cr, 100, 76, 110, 84, 130, 84);
    cairo_curve_to(cr, 150, 84, 160, 76, 200, 74);
    cairo_curve_to(cr, 250, 70, 270, 68, 300, 76);
    cairo_curve_to(cr, 316, 80, 326, 88, 336, 94);
    cairo_stroke(cr);
    cairo_rectangle(cr, 24, 76.5, 312, 0.6);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
    cairo_fill(cr);
    font(cr, Face::Scale);
    cairo_set_font_size(cr, 9);
    colour(cr, kCaption);
    const char* lines[] = {
        "Drag a knob up or right; double-click or Ctrl-click for its default.",
        "Shift drags the output level finely. Click a switch's position.",
        "Double-click BANK or PRESET to keep it as the default;",
        "Ctrl and double-click forgets it. Right-click a load button",
        "to read a file written with the other byte order.",
    };
    double y = 116;
    for (const char* l : lines) {
        cairo_move_to(cr, 24, y);
        cairo_show_text(cr, l);
        y += 13;
    }
    colour(cr, kScale);
    cairo_move_to(cr, 24, 188);
    cairo_show_text(cr, "Click to close.");
    cairo_destroy(cr);
    keep(L::kAboutImageId, s);
}

// ---------------------------------------------------------------------------
// Checks

bool check() {
    bool ok = true;
    auto fail = [&](const std::string& m) {
        std::fprintf(stderr, "gen_images: layout: %s\n", m.c_str());
        ok = false;
    };
    for (size_t i = 0; i < gControls.size(); ++i)
        for (size_t j = i + 1; j < gControls.size(); ++j)
            if (overlap(gControls[i], gControls[j]) &&
                !(gControls[i].owner == -2 && gControls[j].owner == -2)) // read-outs share 102..108
                fail("controls " + std::to_string(gControls[i].owner) + " and " +
                     std::to_string(gControls[j].owner) + " overlap");
    // The controls' whole pictures, as the editor places them.
    for (const Control& a : L::kControls)
        for (const Control& b : L::kControls)
            if (&a < &b && a.bitmapId != L::kBackgroundId && b.bitmapId != L::kBackgroundId &&
                overlap({(double)a.left, (double)a.top, (double)a.left + a.width,
                         (double)a.top + a.height, "", 0},
                        {(double)b.left, (double)b.top, (double)b.left + b.width,
                         (double)b.top + b.height, "", 0}))
                fail("the pictures of controls " + std::to_string(a.tag) + " and " +
                     std::to_string(b.tag) + " overlap");
    for (size_t i = 0; i < gLabels.size(); ++i) {
        const Box& a = gLabels[i];
        if (a.x0 < 0 || a.y0 < 0 || a.x1 > W || a.y1 > H) fail("\"" + a.what + "\" is cut off");
        for (size_t j = i + 1; j < gLabels.size(); ++j) {
            Box b = gLabels[j];
            b.x0 -= 1, b.y0 -= 1, b.x1 += 1, b.y1 += 1; // one pixel of air
            if (overlap(a, b)) fail("\"" + a.what + "\" touches \"" + gLabels[j].what + "\"");
        }
        for (const Box& c : gControls)
            if (c.what == "knob" ? overlapsCircle(a, c) : overlap(a, c) && c.owner != a.owner)
                fail("\"" + a.what + "\" lies on " + c.what + " " + std::to_string(c.owner));
        // A control's labels stay inside its section's panel.
        const int k = panelOf(a.owner);
        if (k >= 0 && (a.x0 < gPanels[k].left + 1 || a.x1 > gPanels[k].right - 1 ||
                       a.y0 < kPanelTop + 2 || a.y1 > kPanelBottom - 2))
            fail("\"" + a.what + "\" (" + std::to_string(a.x0) + ".." + std::to_string(a.x1) +
                 ") of control " + std::to_string(a.owner) + " leaves its panel " +
                 std::to_string(gPanels[k].left) + ".." + std::to_string(gPanels[k].right));
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Preview: the window as a user sees it, at the defaults (top) and in other
// states (bottom).

void paste(cairo_t* cr, int id, double x, double y, double w, double h, int picture) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, gImages.at(id), x, y - picture * h);
    cairo_paint(cr);
    cairo_restore(cr);
}

void previewState(cairo_t* cr, bool other) {
    paste(cr, L::kBackgroundId, 0, 0, W, H, 0);
    for (const Control& c : L::kControls) {
        double p = c.defaultValue >= 0 ? c.defaultValue : 1.0;
        switch (c.kind) {
        case Kind::Knob:
            if (other) p = paramOf(c) == Param::Output ? 0.575 : 0.75;
            paste(cr, c.bitmapId, c.left, c.top, c.width, c.height, knobFrame(p, c.images));
            break;
        case Kind::Switch3: {
            // The sections' MODE switches at the top, the others at the bottom.
            if (other) {
                const dravo::ParamInfo& i = dravo::info(paramOf(c));
                p = i.target == dravo::Target::Section && i.field == dravo::Field::Position ? 1.0
                                                                                            : 0.0;
            }
            const double shown = 1.0 - p; // the editor inverts these
            paste(cr, c.bitmapId, c.left, c.top, c.width, c.height, (int)(shown * 2 + 0.5));
            break;
        }
        case Kind::OnOff:
            paste(cr, c.bitmapId, c.left, c.top, c.width, c.height,
                  (other ? paramOf(c) != Param::Master : 0));
            break;
        case Kind::PanelSwitch:
            paste(cr, c.bitmapId, c.left, c.top, c.width, c.height, other ? 1 : 0);
            break;
        case Kind::Led:
            paste(cr, c.bitmapId, c.left, c.top, c.width, c.height, other ? 2 : 0);
            break;
        case Kind::LatencyMs:
        case Kind::LatencySamples: {
            font(cr, Face::Scale);
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                   CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 9);
            cairo_set_source_rgb(cr, 200 / 255.0, 200 / 255.0, 200 / 255.0);
            const char* t = c.kind == Kind::LatencyMs ? "1.04ms" : "46smps";
            if (c.kind == Kind::LatencySamples) { // drawn over the other, background first
                cairo_save(cr);
                cairo_rectangle(cr, c.left, c.top, c.width, c.height);
                cairo_clip(cr);
                cairo_set_source_surface(cr, gImages.at(L::kBackgroundId), 0, 0);
                cairo_paint(cr);
                cairo_restore(cr);
                cairo_set_source_rgb(cr, 200 / 255.0, 200 / 255.0, 200 / 255.0);
            }
            cairo_move_to(cr, c.left + 2, c.top + c.height / 2.0 + 3.5);
            cairo_show_text(cr, t);
            break;
        }
        case Kind::About:
            break;
        }
    }
    for (const presetbar::Item& it : presetbar::kItems) {
        const int w = it.right - it.left, h = it.bottom - it.top;
        if (it.kind == presetbar::Kind::NameField) { // dark text on the background
            cairo_set_source_rgb(cr, 36 / 255.0, 36 / 255.0, 32 / 255.0);
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                   CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 11);
            text(cr, "Default", (it.left + it.right) / 2.0, 243, Align::Centre, -1, false);
            continue;
        }
        if (it.kind == presetbar::Kind::Menu) continue;
        int f = 0;
        if (other) f = it.frames == 5 ? 2 : (it.tag % 2 ? 1 : 2);
        paste(cr, it.bitmapId, it.left, it.top, w, h, f);
    }
}

void preview(const char* path) {
    cairo_surface_t* s = newImage(W, 2 * H + 4);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    cairo_paint(cr);
    previewState(cr, false);
    cairo_translate(cr, 0, H + 4);
    previewState(cr, true);
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(s, path) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "gen_images: cannot write %s\n", path);
        std::exit(1);
    }
    cairo_surface_destroy(s);
}

// Every picture at the current scale, kept for writing.
void drawAll() {
    for (const Control& c : L::kControls) {
        switch (c.kind) {
        case Kind::Knob:
            knobStrip(c);
            break;
        case Kind::Switch3:
            switchStrip(c);
            break;
        case Kind::OnOff:
        case Kind::PanelSwitch:
            onOffStrip(c);
            break;
        case Kind::Led:
            ledStrip(c);
            break;
        default:
            break;
        }
    }
    // After the strips: the switches' position names count when the
    // background sizes its panels.
    background();
    about();
    using namespace presetbar;
    barButton(barItem(kTagSaveBank), Glyph::Save);
    barButton(barItem(kTagLoadBank), Glyph::Load);
    barButton(barItem(kTagSavePreset), Glyph::Save);
    barButton(barItem(kTagLoadPreset), Glyph::Load);
    textButton(barItem(kTagDefaultBank), "BANK");
    textButton(barItem(kTagDefaultPreset), "PRESET");
    rocker(barItem(kTagRocker));
    barButton(barItem(kTagStoreA), Glyph::Store);
    barButton(barItem(kTagRecallA), Glyph::Recall);
    barButton(barItem(kTagStoreB), Glyph::Store);
    barButton(barItem(kTagRecallB), Glyph::Recall);
    barButton(barItem(kTagManual), Glyph::Help);
}

void forgetAll() {
    for (auto& [id, s] : gImages)
        cairo_surface_destroy(s);
    gImages.clear();
    gLabels.clear();
    gControls.clear();
    gPanels.clear();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
        std::fprintf(stderr, "usage: gen_images OUTPUT_DIRECTORY [--preview FILE.png]\n");
        return 2;
    }
    gOutDir = argv[1];
    if (!haveCondensedFace()) {
        std::fprintf(stderr, "gen_images: the font DejaVu Sans Condensed is missing "
                             "(Debian package fonts-dejavu-extra)\n");
        return 1;
    }
    drawAll();
    if (!check()) return 1;
    writeAll();
    if (argc == 4) preview(argv[3]);
    // The same pictures drawn again at twice the pixel density.
    forgetAll();
    gScale = 2.0;
    drawAll();
    writeAll();
    writeList();
    forgetAll();
    cairo_debug_reset_static_data();
    return 0;
}
