// Draws the editor's images with cairo and writes them as PNG files
// bmpNNNNN.png into the directory given as the only argument. Every image is
// original artwork made here; strips stack their pictures vertically.
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const double kPi = 3.14159265358979323846;
std::string outDir;

struct Rgb {
    double r, g, b;
};

void save(cairo_surface_t* s, int id) {
    char name[32];
    std::snprintf(name, sizeof name, "/bmp%05d.png", id);
    std::string path = outDir + name;
    if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "gen_images: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    cairo_surface_destroy(s);
}

void font(cairo_t* cr, double size, bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

void textCentred(cairo_t* cr, const char* s, double cx, double baseline) {
    cairo_text_extents_t te;
    cairo_text_extents(cr, s, &te);
    cairo_move_to(cr, std::round(cx - te.x_advance / 2), baseline);
    cairo_show_text(cr, s);
}

void roundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// Film strip of a knob: frame i points at 135 + 270 * i / (n - 1) degrees
// (clockwise from the right, lower left to lower right) with a lit arc.
void knob(int id, int frames, int size, Rgb accent) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size * frames);
    cairo_t* cr = cairo_create(s);
    double c = size / 2.0, rBody = size * 0.34, rArc = size * 0.44;
    for (int i = 0; i < frames; ++i) {
        double oy = i * size;
        double t = frames > 1 ? (double)i / (frames - 1) : 0;
        double a0 = 0.75 * kPi, a = a0 + t * 1.5 * kPi;
        // Track and lit arc.
        cairo_set_line_width(cr, size * 0.06);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_source_rgb(cr, 0.16, 0.17, 0.19);
        cairo_arc(cr, c, oy + c, rArc, a0, a0 + 1.5 * kPi);
        cairo_stroke(cr);
        if (t > 0) {
            cairo_set_source_rgb(cr, accent.r, accent.g, accent.b);
            cairo_arc(cr, c, oy + c, rArc, a0, a);
            cairo_stroke(cr);
        }
        // Body with a soft top light.
        cairo_pattern_t* body = cairo_pattern_create_radial(c - rBody * 0.3, oy + c - rBody * 0.4,
                                                            rBody * 0.1, c, oy + c, rBody * 1.1);
        cairo_pattern_add_color_stop_rgb(body, 0, 0.46, 0.47, 0.50);
        cairo_pattern_add_color_stop_rgb(body, 1, 0.13, 0.13, 0.15);
        cairo_set_source(cr, body);
        cairo_arc(cr, c, oy + c, rBody, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_pattern_destroy(body);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_arc(cr, c, oy + c, rBody, 0, 2 * kPi);
        cairo_stroke(cr);
        // Pointer.
        cairo_set_source_rgb(cr, 0.95, 0.95, 0.92);
        cairo_set_line_width(cr, size * 0.05);
        cairo_move_to(cr, c + std::cos(a) * rBody * 0.25, oy + c + std::sin(a) * rBody * 0.25);
        cairo_line_to(cr, c + std::cos(a) * rBody * 0.9, oy + c + std::sin(a) * rBody * 0.9);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Two pictures: off (upper), on (lower) with a lit lamp.
void onOff(int id, int w, int h, Rgb lamp) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * 2);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 2; ++i) {
        double oy = i * h;
        roundRect(cr, 1, oy + 1, w - 2, h - 2, 3);
        cairo_set_source_rgb(cr, 0.22, 0.23, 0.25);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        double lw = w * 0.5, lh = h * 0.3;
        roundRect(cr, (w - lw) / 2, oy + (h - lh) / 2, lw, lh, lh / 2);
        if (i)
            cairo_set_source_rgb(cr, lamp.r, lamp.g, lamp.b);
        else
            cairo_set_source_rgb(cr, lamp.r * 0.25, lamp.g * 0.25, lamp.b * 0.25);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Three pictures of a lever: up, middle, down.
void switch3(int id, int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * 3);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 3; ++i) {
        double oy = i * h;
        roundRect(cr, w * 0.3, oy + 2, w * 0.4, h - 4, w * 0.2);
        cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
        cairo_fill(cr);
        for (int k = 0; k < 3; ++k) { // position marks
            cairo_set_source_rgb(cr, 0.55, 0.56, 0.58);
            cairo_rectangle(cr, 1, oy + 4 + k * (h - 10) / 2.0, w * 0.18, 2);
            cairo_fill(cr);
        }
        double ky = oy + 2 + i * (h - 4 - w * 0.6) / 2.0;
        roundRect(cr, w * 0.15, ky, w * 0.7, w * 0.6, 2);
        cairo_set_source_rgb(cr, 0.80, 0.80, 0.78);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Clip LED: dark, held (amber), clipping (bright red).
void led(int id, int size) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size * 3);
    cairo_t* cr = cairo_create(s);
    const Rgb colours[3] = {{0.25, 0.05, 0.05}, {0.95, 0.55, 0.10}, {1.0, 0.12, 0.10}};
    for (int i = 0; i < 3; ++i) {
        double c = size / 2.0, oy = i * size;
        cairo_arc(cr, c, oy + c, size / 2.0 - 1, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
        cairo_fill(cr);
        cairo_arc(cr, c, oy + c, size / 2.0 - 2.5, 0, 2 * kPi);
        cairo_set_source_rgb(cr, colours[i].r, colours[i].g, colours[i].b);
        cairo_fill(cr);
        cairo_arc(cr, c - 2, oy + c - 2, 2, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1, 1, 1, i ? 0.6 : 0.15);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Preset-bar button with a glyph: normal, hover, pressed.
enum Glyph { kArrowDown, kArrowUp, kLetterA, kLetterB, kStoreA, kStoreB, kHelp };

void glyph(cairo_t* cr, Glyph g, double x, double y, double w, double h) {
    double cx = x + w / 2, cy = y + h / 2;
    switch (g) {
    case kArrowDown:
    case kArrowUp: {
        double d = g == kArrowDown ? 1 : -1;
        cairo_move_to(cr, cx - 3.5, cy - 1.5 * d);
        cairo_line_to(cr, cx + 3.5, cy - 1.5 * d);
        cairo_line_to(cr, cx, cy + 2.5 * d);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_rectangle(cr, cx - 1, cy - 4.5 * d - (d > 0 ? 0 : 3), 2, 3);
        cairo_fill(cr);
        break;
    }
    case kLetterA:
    case kLetterB:
    case kStoreA:
    case kStoreB: {
        font(cr, 9, true);
        const char* s = (g == kLetterA || g == kStoreA) ? "A" : "B";
        textCentred(cr, s, cx, cy + 3.5);
        if (g == kStoreA || g == kStoreB) { // a bar below: store
            cairo_rectangle(cr, cx - 3.5, y + h - 2.5, 7, 1);
            cairo_fill(cr);
        }
        break;
    }
    case kHelp:
        font(cr, 9, true);
        textCentred(cr, "?", cx, cy + 3.5);
        break;
    }
}

void barButton(int id, int w, int h, Glyph g) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * 3);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 3; ++i) {
        double oy = i * h;
        roundRect(cr, 0.5, oy + 0.5, w - 1, h - 1, 2);
        double base = i == 2 ? 0.62 : i == 1 ? 0.40 : 0.30;
        cairo_set_source_rgb(cr, base, base, base + 0.02);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.08, 0.08, 0.08);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        if (i == 2)
            cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
        else
            cairo_set_source_rgb(cr, 0.88, 0.88, 0.85);
        glyph(cr, g, 0, oy, w, h);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Text button of the preset bar (default bank / preset): normal, hover, pressed.
void textButton(int id, int w, int h, const char* label) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * 3);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 3; ++i) {
        double oy = i * h;
        double base = i == 2 ? 0.62 : i == 1 ? 0.36 : 0.24;
        cairo_rectangle(cr, 0, oy, w, h);
        cairo_set_source_rgb(cr, base, base, base + 0.02);
        cairo_fill(cr);
        if (i == 2)
            cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
        else
            cairo_set_source_rgb(cr, 0.85, 0.85, 0.82);
        font(cr, 7, true);
        textCentred(cr, label, w / 2.0, oy + h - 2.5);
    }
    cairo_destroy(cr);
    save(s, id);
}

// Previous/next rocker: plain, hover left, hover right, pressed left, pressed right.
void rocker(int id, int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * 5);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 5; ++i) {
        double oy = i * h;
        for (int side = 0; side < 2; ++side) {
            double x = side * w / 2.0;
            bool hover = (i == 1 && side == 0) || (i == 2 && side == 1);
            bool pressed = (i == 3 && side == 0) || (i == 4 && side == 1);
            double base = pressed ? 0.62 : hover ? 0.40 : 0.30;
            roundRect(cr, x + 0.5, oy + 0.5, w / 2.0 - 1, h - 1, 2);
            cairo_set_source_rgb(cr, base, base, base + 0.02);
            cairo_fill_preserve(cr);
            cairo_set_source_rgb(cr, 0.08, 0.08, 0.08);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            if (pressed)
                cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
            else
                cairo_set_source_rgb(cr, 0.88, 0.88, 0.85);
            double cx = x + w / 4.0, cy = oy + h / 2.0, d = side ? 1 : -1;
            cairo_move_to(cr, cx - 2 * d, cy - 3.5);
            cairo_line_to(cr, cx + 2.5 * d, cy);
            cairo_line_to(cr, cx - 2 * d, cy + 3.5);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }
    cairo_destroy(cr);
    save(s, id);
}

void label(cairo_t* cr, const char* s, double cx, double baseline, double size = 9) {
    font(cr, size, true);
    cairo_set_source_rgb(cr, 0.78, 0.78, 0.74);
    textCentred(cr, s, cx, baseline);
}

void logo(cairo_t* cr, double x, double y, double w, double h) {
    roundRect(cr, x, y, w, h, 3);
    cairo_set_source_rgb(cr, 0.12, 0.13, 0.15);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.55, 0.45, 0.25);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    font(cr, 11, true);
    cairo_set_source_rgb(cr, 0.90, 0.80, 0.55);
    textCentred(cr, "VEY DRAVO", x + w / 2, y + h - 4.5);
}

// The editor background, 940 x 248: sections, labels, logo, preset bar.
void background(int id) {
    const int W = 940, H = 248;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, H);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.27, 0.28, 0.30);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.17, 0.18, 0.20);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);
    // Section panels: cuts, low shelf, two mids, high shelf, master.
    const struct {
        double l, r;
        const char* name;
    } sections[] = {{8, 170, "CUT"},     {175, 322, "LOW"},  {326, 473, "MID 1"},
                    {477, 624, "MID 2"}, {628, 775, "HIGH"}, {779, 932, "OUTPUT"}};
    for (const auto& sec : sections) {
        roundRect(cr, sec.l, 8, sec.r - sec.l, 188, 6);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.18);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        font(cr, 10, true);
        cairo_set_source_rgb(cr, 0.90, 0.80, 0.55);
        textCentred(cr, sec.name, (sec.l + sec.r) / 2, 22);
    }
    // Control captions (centred over each control).
    label(cr, "LPF", 30 + 13, 41);
    label(cr, "FREQ", 86 + 30, 38);
    label(cr, "HPF", 125 + 13, 121);
    label(cr, "FREQ", 33 + 30, 118);
    label(cr, "SHAPE", 180 + 10, 41);
    label(cr, "GAIN", 237 + 30, 38);
    label(cr, "FREQ", 183 + 30, 118);
    label(cr, "CURVE", 278 + 10, 121);
    label(cr, "SHAPE", 331 + 10, 41);
    label(cr, "GAIN", 388 + 30, 38);
    label(cr, "FREQ", 334 + 30, 118);
    label(cr, "Q", 428 + 10, 121);
    label(cr, "SHAPE", 482 + 10, 41);
    label(cr, "GAIN", 539 + 30, 38);
    label(cr, "FREQ", 486 + 30, 118);
    label(cr, "Q", 580 + 10, 121);
    label(cr, "SHAPE", 633 + 10, 41);
    label(cr, "GAIN", 689 + 30, 38);
    label(cr, "FREQ", 637 + 30, 118);
    label(cr, "CURVE", 730 + 10, 121);
    label(cr, "EQ", 784 + 13, 41);
    label(cr, "CLIP", 812 + 8, 41);
    label(cr, "LEVEL", 840 + 30, 38);
    label(cr, "LSR", 784 + 10, 121);
    label(cr, "PHASE", 833 + 13, 121);
    label(cr, "SAT", 880 + 13, 121);
    // Latency read-outs.
    font(cr, 9, true);
    cairo_set_source_rgb(cr, 0.78, 0.78, 0.74);
    cairo_move_to(cr, 12, 222);
    cairo_show_text(cr, "Latency");
    roundRect(cr, 56, 211, 98, 16, 3);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    logo(cr, 420, 210, 98, 17);
    // Preset bar.
    cairo_rectangle(cr, 0, 229, W, H - 229);
    cairo_set_source_rgb(cr, 0.11, 0.12, 0.13);
    cairo_fill(cr);
    roundRect(cr, 174, 232, 120, 14, 2); // behind the name field and list button
    cairo_set_source_rgb(cr, 0.20, 0.21, 0.23);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.78, 0.78, 0.74);
    cairo_move_to(cr, 294, 243);
    cairo_line_to(cr, 304, 243);
    cairo_line_to(cr, 299, 236);
    cairo_close_path(cr);
    cairo_fill(cr);
    font(cr, 8, true);
    cairo_move_to(cr, 440, 243);
    cairo_show_text(cr, "PRESETS");
    cairo_destroy(cr);
    save(s, id);
}

// The about image, 360 x 200; the version text is drawn by the editor at
// 222..254, 31..41 (right of the title).
void about(int id) {
    const int W = 360, H = 200;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, W, H);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.10, 0.11, 0.14);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.22, 0.20, 0.17);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);
    cairo_set_source_rgb(cr, 0.55, 0.45, 0.25);
    cairo_set_line_width(cr, 2);
    cairo_rectangle(cr, 1, 1, W - 2, H - 2);
    cairo_stroke(cr);
    font(cr, 20, true);
    cairo_set_source_rgb(cr, 0.90, 0.80, 0.55);
    cairo_move_to(cr, 24, 42);
    cairo_show_text(cr, "VEY DRAVO");
    font(cr, 11);
    cairo_set_source_rgb(cr, 0.80, 0.80, 0.76);
    cairo_move_to(cr, 24, 66);
    cairo_show_text(cr, "Parametric channel equaliser");
    font(cr, 9);
    const char* lines[] = {"Six sections: low cut, high cut, low shelf,",
                           "two peaking mids and a high shelf.",
                           "Drag a knob up or right; double-click for its default.",
                           "Shift drags the output level finely.",
                           "",
                           "Click here to close."};
    double y = 96;
    for (const char* l : lines) {
        cairo_move_to(cr, 24, y);
        cairo_show_text(cr, l);
        y += 14;
    }
    cairo_destroy(cr);
    save(s, id);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_images OUTPUT_DIRECTORY\n");
        return 2;
    }
    outDir = argv[1];
    const Rgb orange{0.95, 0.55, 0.15}, blue{0.30, 0.60, 0.95}, green{0.35, 0.80, 0.45};
    background(11500);
    about(11580);
    led(11520, 16);
    // On/off buttons: EQ all, Phase, SAT, HPF, LPF.
    onOff(11510, 26, 16, green);
    onOff(11556, 26, 16, blue);
    onOff(11518, 26, 16, orange);
    onOff(11540, 26, 16, blue);
    onOff(11554, 26, 16, blue);
    // Three-position switches.
    for (int id : {11512, 11543, 11516, 11546, 11547, 11548, 11549, 11552, 11517})
        switch3(id, 20, 36);
    // Knobs: output and gains (41 images), cut and mid frequencies (23),
    // shelf frequencies (19).
    knob(11562, 41, 60, orange);
    for (int id : {11571, 11572, 11573, 11553})
        knob(id, 41, 60, green);
    for (int id : {11541, 11555, 11559, 11576})
        knob(id, 23, 60, blue);
    for (int id : {11558, 11557})
        knob(id, 19, 60, blue);
    // Preset bar.
    barButton(19994, 12, 14, kArrowUp);   // save bank
    barButton(19993, 12, 14, kArrowDown); // load bank
    barButton(19999, 12, 14, kArrowUp);   // save preset
    barButton(19998, 12, 14, kArrowDown); // load preset
    textButton(19990, 37, 10, "DEF BANK");
    textButton(19899, 47, 10, "DEF PRESET");
    rocker(19997, 31, 14);
    barButton(19995, 12, 14, kStoreA);
    barButton(19991, 12, 14, kLetterA);
    barButton(19996, 12, 14, kStoreB);
    barButton(19992, 12, 14, kLetterB);
    barButton(989, 16, 14, kHelp);
    cairo_debug_reset_static_data();
    return 0;
}
