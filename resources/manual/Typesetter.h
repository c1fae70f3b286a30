// A small PDF typesetter on cairo and pango: A4 pages with a text column,
// page numbers, a running head and bookmarks, and blocks that flow down the
// column onto new pages (headings, paragraphs, bullets, notes, tables,
// pictures and frequency-response charts). Text is pango markup in DejaVu
// Sans. It knows nothing of what the document says.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <functional>
#include <string>
#include <vector>

namespace typeset {

// A4 in points, margins and the text column.
constexpr double kPageW = 595.276, kPageH = 841.890;
constexpr double kMarginX = 62, kTop = 70, kBottom = 64;
constexpr double kColumn = kPageW - 2 * kMarginX;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};
constexpr Rgb kInk{0.13, 0.13, 0.14};
constexpr Rgb kAccent{0.10, 0.30, 0.42};
constexpr Rgb kMuted{0.42, 0.44, 0.47};
constexpr Rgb kRule{0.78, 0.80, 0.83};
constexpr Rgb kBand{0.91, 0.94, 0.96};
constexpr Rgb kZebra{0.965, 0.972, 0.98};
constexpr Rgb kNoteFill{0.95, 0.97, 0.93};
constexpr Rgb kNoteEdge{0.55, 0.68, 0.40};

// Plain text made safe inside markup (&, < and >).
std::string esc(const std::string& s);
// A number with a fixed count of decimals ("%.*f").
std::string fixed(double v, int decimals);

// The frequency axis of a response chart: kPlotPoints log-spaced
// frequencies from 20 Hz to 20 kHz; a curve holds a level in dB at each.
constexpr int kPlotPoints = 241;
constexpr double kPlotLow = 20.0, kPlotHigh = 20000.0;
double plotFrequency(int i);

struct Curve {
    std::string label;
    Rgb colour;
    std::vector<double> db;
};

constexpr Rgb kCurveColours[] = {{0.10, 0.42, 0.70}, {0.85, 0.45, 0.10}, {0.20, 0.58, 0.32}};

// The page layout engine: a column of blocks that flows onto new pages.
// Every page but those made by plainPage carries runningTitle (markup) at
// its head, with the current section.
class Document {
  public:
    Document(cairo_surface_t* surface, std::vector<int>& sectionPages, std::string runningTitle);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    cairo_t* cr() { return cr_; }
    double y() const { return y_; }
    void setY(double y) { y_ = y; }
    double room() const { return kPageH - kBottom - y_; }
    int page() const { return page_; }

    void finish();

    // Starts a section on a new page, with its bookmark.
    void section(int number, const std::string& title);
    // A page without section heading (the cover).
    void plainPage();
    void h2(const std::string& title);
    void para(const std::string& markup, double size = 9.6);
    void bullets(const std::vector<std::string>& items, double size = 9.6);
    // A framed hint.
    void note(const std::string& markup);
    // A table: column widths as fractions of the column, a header row,
    // wrapped cells; rows never split, the header repeats on a new page.
    void table(const std::vector<double>& widths, const std::vector<std::string>& head,
               const std::vector<std::vector<std::string>>& rows, double size = 8.6,
               double pad = 4);
    // An image surface at the given scale, centred in the column.
    void picture(cairo_surface_t* image, double scale, const std::string& caption,
                 const std::function<void(double x, double y)>& overlay = nullptr);
    // A response chart: frequency on a log axis, level from dbLow to dbHigh
    // dB with a grid line every step dB; the legend in a row beneath.
    void plot(const std::vector<Curve>& curves, double dbLow, double dbHigh, double step,
              const std::string& caption);
    // A numbered marker, as used on the pictures.
    void marker(double cx, double cy, int n);
    void space(double d) { y_ += d; }

    // Text in the given box; returns its height.
    double text(const std::string& markup, double x, double y, double width,
                PangoAlignment align = PANGO_ALIGN_LEFT);
    void setColour(const Rgb& c);
    void rule(const Rgb& c, double width);
    double measure(const std::string& markup, double width, double size);
    void body(const std::string& markup, double x, double y, double width, double size,
              PangoAlignment align = PANGO_ALIGN_LEFT);

  private:
    void prepare(const std::string& markup, double width, double size, PangoAlignment align);
    void flowLines(const std::string& markup, double size);
    void need(double h);
    void newPage();
    void header();

    cairo_surface_t* surface_;
    cairo_t* cr_;
    PangoLayout* layout_;
    std::vector<int>& pages_;
    std::string runningTitle_;
    std::string section_;
    int page_ = 0;
    double y_ = kTop;
};

// Lays a document out on a PDF surface. sectionPages receives the page each
// section starts on; contentsPages holds those of an earlier pass (empty in
// the first), for a table of contents.
using LayOut = std::function<void(cairo_surface_t* surface, std::vector<int>& sectionPages,
                                  const std::vector<int>& contentsPages)>;

// Lays the document out twice, first to find the section pages, then into
// path (through a temporary file, renamed at the end). Fails, with a message
// on stderr, when cairo fails or the sections moved between the passes.
bool writePdf(const char* path, const LayOut& layOut);

} // namespace typeset
