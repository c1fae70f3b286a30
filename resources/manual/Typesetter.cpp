#include "resources/manual/Typesetter.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace typeset {

std::string esc(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string fixed(double v, int decimals) {
    char t[32];
    std::snprintf(t, sizeof t, "%.*f", decimals, v);
    return t;
}

double plotFrequency(int i) {
    return kPlotLow * std::pow(kPlotHigh / kPlotLow, i / (double)(kPlotPoints - 1));
}

Document::Document(cairo_surface_t* surface, std::vector<int>& sectionPages,
                   std::string runningTitle)
    : surface_(surface), cr_(cairo_create(surface)), pages_(sectionPages),
      runningTitle_(std::move(runningTitle)) {
    layout_ = pango_cairo_create_layout(cr_);
    // One point of text is one unit of the PDF page.
    pango_cairo_context_set_resolution(pango_layout_get_context(layout_), 72.0);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
}

Document::~Document() {
    g_object_unref(layout_);
    cairo_destroy(cr_);
}

void Document::finish() {
    if (page_ > 0) cairo_show_page(cr_);
}

void Document::section(int number, const std::string& title) {
    newPage();
    section_ = title;
    header();
    if ((int)pages_.size() < number) pages_.resize(number, 0);
    pages_[number - 1] = page_;
    cairo_pdf_surface_add_outline(surface_, CAIRO_PDF_OUTLINE_ROOT, title.c_str(),
                                  ("page=" + std::to_string(page_)).c_str(),
                                  CAIRO_PDF_OUTLINE_FLAG_OPEN);
    setColour(kMuted);
    text("<span font='DejaVu Sans 9'>SECTION " + std::to_string(number) + "</span>", kMarginX, y_,
         kColumn);
    y_ += 14;
    setColour(kAccent);
    y_ += text("<span font='DejaVu Sans Bold 21'>" + esc(title) + "</span>", kMarginX, y_, kColumn);
    y_ += 6;
    rule(kAccent, 1.2);
    y_ += 14;
}

void Document::plainPage() {
    newPage();
    section_.clear();
}

void Document::h2(const std::string& title) {
    need(60);
    y_ += 6;
    setColour(kAccent);
    y_ +=
        text("<span font='DejaVu Sans Bold 12.5'>" + esc(title) + "</span>", kMarginX, y_, kColumn);
    y_ += 5;
}

void Document::para(const std::string& markup, double size) {
    double h = measure(markup, kColumn, size);
    need(std::min(h, 60.0));
    if (h > room()) {
        // Long paragraphs split at line boundaries across pages.
        flowLines(markup, size);
        return;
    }
    setColour(kInk);
    body(markup, kMarginX, y_, kColumn, size);
    y_ += h + 7;
}

void Document::bullets(const std::vector<std::string>& items, double size) {
    for (const std::string& item : items) {
        double h = measure(item, kColumn - 16, size);
        need(h + 3);
        setColour(kAccent);
        cairo_new_path(cr_);
        cairo_arc(cr_, kMarginX + 5, y_ + size * 0.62, 1.9, 0, 2 * kPi);
        cairo_fill(cr_);
        setColour(kInk);
        body(item, kMarginX + 16, y_, kColumn - 16, size);
        y_ += h + 3.5;
    }
    y_ += 4;
}

void Document::note(const std::string& markup) {
    double h = measure(markup, kColumn - 24, 9.2);
    need(h + 20);
    cairo_rectangle(cr_, kMarginX, y_, kColumn, h + 14);
    setColour(kNoteFill);
    cairo_fill_preserve(cr_);
    setColour(kNoteEdge);
    cairo_set_line_width(cr_, 0.8);
    cairo_stroke(cr_);
    cairo_rectangle(cr_, kMarginX, y_, 3, h + 14);
    cairo_fill(cr_);
    setColour(kInk);
    body(markup, kMarginX + 14, y_ + 7, kColumn - 24, 9.2);
    y_ += h + 24;
}

void Document::table(const std::vector<double>& widths, const std::vector<std::string>& head,
                     const std::vector<std::vector<std::string>>& rows, double size, double pad) {
    auto rowHeight = [&](const std::vector<std::string>& row, bool bold) {
        double h = 0;
        for (size_t i = 0; i < row.size(); ++i)
            h = std::max(h, measure(bold ? "<b>" + row[i] + "</b>" : row[i],
                                    widths[i] * kColumn - 2 * pad, size));
        return h + 2 * pad;
    };
    auto drawRow = [&](const std::vector<std::string>& row, bool bold, const Rgb* fill) {
        double h = rowHeight(row, bold);
        if (fill) {
            cairo_rectangle(cr_, kMarginX, y_, kColumn, h);
            setColour(*fill);
            cairo_fill(cr_);
        }
        double x = kMarginX;
        for (size_t i = 0; i < row.size(); ++i) {
            setColour(bold ? kAccent : kInk);
            body(bold ? "<b>" + row[i] + "</b>" : row[i], x + pad, y_ + pad,
                 widths[i] * kColumn - 2 * pad, size);
            x += widths[i] * kColumn;
        }
        y_ += h;
        setColour(kRule);
        cairo_set_line_width(cr_, 0.5);
        cairo_move_to(cr_, kMarginX, y_);
        cairo_line_to(cr_, kMarginX + kColumn, y_);
        cairo_stroke(cr_);
    };
    double headH = rowHeight(head, true);
    need(headH + (rows.empty() ? 0 : rowHeight(rows[0], false)));
    drawRow(head, true, &kBand);
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rowHeight(rows[r], false) > room()) {
            newPage();
            header();
            drawRow(head, true, &kBand);
        }
        drawRow(rows[r], false, r % 2 ? &kZebra : nullptr);
    }
    y_ += 10;
}

void Document::picture(cairo_surface_t* image, double scale, const std::string& caption,
                       const std::function<void(double x, double y)>& overlay) {
    double w = cairo_image_surface_get_width(image) * scale;
    double h = cairo_image_surface_get_height(image) * scale;
    double capH = caption.empty() ? 0 : measure(caption, kColumn, 8.4) + 6;
    need(h + capH + 30);
    double x = kMarginX + (kColumn - w) / 2;
    cairo_save(cr_);
    cairo_translate(cr_, x, y_);
    cairo_scale(cr_, scale, scale);
    cairo_set_source_surface(cr_, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_paint(cr_);
    cairo_restore(cr_);
    double top = y_;
    y_ += h;
    if (overlay) overlay(x, top);
    y_ += 6;
    if (!caption.empty()) {
        setColour(kMuted);
        body("<i>" + caption + "</i>", kMarginX, y_, kColumn, 8.4, PANGO_ALIGN_CENTER);
        y_ += capH;
    }
    y_ += 6;
}

void Document::plot(const std::vector<Curve>& curves, double dbLow, double dbHigh, double step,
                    const std::string& caption) {
    const double h = 130, left = kMarginX + 30, w = kColumn - 30;
    const double capH = measure(caption, kColumn, 8.4) + 6;
    need(h + capH + 42);
    const double top = y_ + 4;
    auto px = [&](double hz) {
        return left + w * std::log(hz / kPlotLow) / std::log(kPlotHigh / kPlotLow);
    };
    auto py = [&](double db) { return top + h * (dbHigh - db) / (dbHigh - dbLow); };
    cairo_rectangle(cr_, left, top, w, h);
    setColour(kZebra);
    cairo_fill(cr_);
    cairo_set_line_width(cr_, 0.4);
    const double grid[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
    const char* names[] = {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"};
    for (int i = 0; i < 10; ++i) {
        setColour(kRule);
        cairo_move_to(cr_, px(grid[i]), top);
        cairo_line_to(cr_, px(grid[i]), top + h);
        cairo_stroke(cr_);
        setColour(kMuted);
        body(std::string("<span font='DejaVu Sans 7'>") + names[i] + "</span>", px(grid[i]) - 20,
             top + h + 3, 40, 7, PANGO_ALIGN_CENTER);
    }
    for (double db = std::ceil(dbLow / step) * step; db <= dbHigh + 1e-9; db += step) {
        setColour(db == 0 ? kMuted : kRule);
        cairo_move_to(cr_, left, py(db));
        cairo_line_to(cr_, left + w, py(db));
        cairo_stroke(cr_);
        setColour(kMuted);
        body("<span font='DejaVu Sans 7'>" + std::string(db > 0 ? "+" : "") + fixed(db, 0) +
                 "</span>",
             kMarginX, py(db) - 5, 26, 7, PANGO_ALIGN_RIGHT);
    }
    cairo_save(cr_);
    cairo_rectangle(cr_, left, top, w, h);
    cairo_clip(cr_);
    cairo_set_line_width(cr_, 1.4);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    for (const Curve& c : curves) {
        setColour(c.colour);
        cairo_new_path(cr_);
        for (int i = 0; i < kPlotPoints; ++i)
            cairo_line_to(cr_, px(plotFrequency(i)), py(c.db[i]));
        cairo_stroke(cr_);
    }
    cairo_restore(cr_);
    // Legend: one entry per curve in a row beneath the frequency labels.
    const double slot = w / curves.size(), ly = top + h + 15;
    for (size_t i = 0; i < curves.size(); ++i) {
        const double lx = left + i * slot;
        setColour(curves[i].colour);
        cairo_rectangle(cr_, lx, ly + 3.5, 12, 2.2);
        cairo_fill(cr_);
        setColour(kInk);
        body("<span font='DejaVu Sans 7.4'>" + curves[i].label + "</span>", lx + 16, ly, slot - 20,
             7.4);
    }
    setColour(kRule);
    cairo_set_line_width(cr_, 0.6);
    cairo_rectangle(cr_, left, top, w, h);
    cairo_stroke(cr_);
    y_ = top + h + 30;
    setColour(kMuted);
    body("<i>" + caption + "</i>", kMarginX, y_, kColumn, 8.4, PANGO_ALIGN_CENTER);
    y_ += capH + 6;
}

void Document::marker(double cx, double cy, int n) {
    cairo_new_path(cr_);
    cairo_arc(cr_, cx, cy, 6.2, 0, 2 * kPi);
    setColour(kAccent);
    cairo_fill(cr_);
    cairo_set_source_rgb(cr_, 1, 1, 1);
    std::string s = "<span font='DejaVu Sans Bold 7'>" + std::to_string(n) + "</span>";
    pango_layout_set_width(layout_, -1);
    pango_layout_set_markup(layout_, s.c_str(), -1);
    int w, h;
    pango_layout_get_size(layout_, &w, &h);
    cairo_move_to(cr_, cx - w / 2.0 / PANGO_SCALE, cy - h / 2.0 / PANGO_SCALE);
    pango_cairo_show_layout(cr_, layout_);
}

double Document::text(const std::string& markup, double x, double y, double width,
                      PangoAlignment align) {
    prepare(markup, width, 0, align);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout_);
    int w, h;
    pango_layout_get_size(layout_, &w, &h);
    return h / (double)PANGO_SCALE;
}

void Document::rule(const Rgb& c, double width) {
    setColour(c);
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, kMarginX, y_);
    cairo_line_to(cr_, kMarginX + kColumn, y_);
    cairo_stroke(cr_);
}

void Document::setColour(const Rgb& c) {
    cairo_set_source_rgb(cr_, c.r, c.g, c.b);
}

double Document::measure(const std::string& markup, double width, double size) {
    prepare(markup, width, size, PANGO_ALIGN_LEFT);
    int w, h;
    pango_layout_get_size(layout_, &w, &h);
    return h / (double)PANGO_SCALE;
}

void Document::body(const std::string& markup, double x, double y, double width, double size,
                    PangoAlignment align) {
    prepare(markup, width, size, align);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout_);
}

void Document::prepare(const std::string& markup, double width, double size, PangoAlignment align) {
    std::string font = size > 0 ? "DejaVu Sans " + fixed(size, 1) : "DejaVu Sans 9.6";
    PangoFontDescription* fd = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout_, fd);
    pango_font_description_free(fd);
    pango_layout_set_width(layout_, (int)(width * PANGO_SCALE));
    pango_layout_set_alignment(layout_, align);
    pango_layout_set_spacing(layout_, size > 0 ? (int)(size * 0.28 * PANGO_SCALE) : 0);
    GError* error = nullptr;
    if (!pango_parse_markup(markup.c_str(), -1, 0, nullptr, nullptr, nullptr, &error)) {
        std::fprintf(stderr, "gen_manual: bad markup (%s): %s\n", error->message, markup.c_str());
        std::exit(1);
    }
    pango_layout_set_markup(layout_, markup.c_str(), -1);
}

void Document::flowLines(const std::string& markup, double size) {
    prepare(markup, kColumn, size, PANGO_ALIGN_LEFT);
    PangoLayoutIter* it = pango_layout_get_iter(layout_);
    double shift = y_;
    setColour(kInk);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(it, nullptr, &logical);
        double top = logical.y / (double)PANGO_SCALE, h = logical.height / (double)PANGO_SCALE;
        if (shift + top + h > kPageH - kBottom) {
            newPage();
            header();
            setColour(kInk);
            shift = y_ - top;
        }
        int baseline = pango_layout_iter_get_baseline(it);
        cairo_move_to(cr_, kMarginX, shift + baseline / (double)PANGO_SCALE);
        pango_cairo_show_layout_line(cr_, pango_layout_iter_get_line_readonly(it));
        y_ = shift + top + h;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    y_ += 7;
}

void Document::need(double h) {
    if (h > room()) {
        newPage();
        header();
    }
}

void Document::newPage() {
    if (page_ > 0) cairo_show_page(cr_);
    ++page_;
    y_ = kTop;
    // Footer: the page number.
    setColour(kMuted);
    text("<span font='DejaVu Sans 8'>" + std::to_string(page_) + "</span>", kMarginX, kPageH - 40,
         kColumn, PANGO_ALIGN_CENTER);
}

void Document::header() {
    if (section_.empty()) return;
    setColour(kMuted);
    text("<span font='DejaVu Sans 7.8'>" + runningTitle_ + "</span>", kMarginX, 34, kColumn);
    text("<span font='DejaVu Sans 7.8'>" + esc(section_) + "</span>", kMarginX, 34, kColumn,
         PANGO_ALIGN_RIGHT);
    double keep = y_;
    y_ = 48;
    rule(kRule, 0.6);
    y_ = keep;
}

namespace {

struct NullSink {
    static cairo_status_t write(void*, const unsigned char*, unsigned int) {
        return CAIRO_STATUS_SUCCESS;
    }
};

} // namespace

bool writePdf(const char* path, const LayOut& layOut) {
    // First pass: find the page of every section for the contents.
    std::vector<int> pages;
    cairo_surface_t* probe =
        cairo_pdf_surface_create_for_stream(NullSink::write, nullptr, kPageW, kPageH);
    layOut(probe, pages, {});
    cairo_surface_destroy(probe);

    std::string tmp = std::string(path) + ".tmp";
    std::vector<int> final;
    cairo_surface_t* pdf = cairo_pdf_surface_create(tmp.c_str(), kPageW, kPageH);
    layOut(pdf, final, pages);
    cairo_status_t status = cairo_surface_status(pdf);
    cairo_surface_destroy(pdf);
    if (status != CAIRO_STATUS_SUCCESS || final != pages) {
        std::fprintf(stderr, "gen_manual: %s\n",
                     status != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(status)
                                                    : "the contents moved between passes");
        std::remove(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), path) != 0) {
        std::fprintf(stderr, "gen_manual: cannot write %s\n", path);
        return false;
    }
    return true;
}

} // namespace typeset
