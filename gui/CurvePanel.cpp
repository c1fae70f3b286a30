#include "gui/CurvePanel.h"

#include "gui/Colours.h"
#include "gui/OutputSpectrum.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdio>

namespace dravo {

namespace {

// The parameters a handle moves: a section's frequency and gain (none for
// the cuts), and the switch that turns it on (its mode for shelves and mids).
struct SectionParams {
    Param position = Param::Master, hz = Param::Master, gain = Param::Master;
    bool hasGain = false;
};

struct SectionTable {
    SectionParams rows[kNumEqSections];
    constexpr SectionTable() {
        for (const ParamInfo& i : kParams) {
            if (i.target != Target::Section) continue;
            SectionParams& r = rows[(int)i.section];
            if (i.field == Field::Position) r.position = i.id;
            if (i.field == Field::Hz) r.hz = i.id;
            if (i.field == Field::GainDb) {
                r.gain = i.id;
                r.hasGain = true;
            }
        }
    }
};
constexpr SectionTable kSectionParams;

const SectionParams& paramsOf(EqSection s) {
    return kSectionParams.rows[(int)s];
}

void setColour(cairo_t* cr, const CColor& c, double alphaScale = 1.0) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                          c.alpha / 255.0 * alphaScale);
}

// Frequency labels, and the decades' minor lines in between.
constexpr double kLabelledHz[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};

} // namespace

CurvePanel::CurvePanel(const CRect& size, Owner& owner) : CView(size), owner(owner) {}

CRect CurvePanel::plot() const {
    return CRect(size.left + kPlotLeft, size.top + kPlotTop, size.left + kPlotRight,
                 size.top + kPlotBottom);
}

CCoord CurvePanel::xOf(double hz) const {
    const CRect p = plot();
    return p.left + p.getWidth() * std::log(hz / kMinHz) / std::log(maxHz / kMinHz);
}

double CurvePanel::hzAt(CCoord x) const {
    const CRect p = plot();
    return kMinHz * std::exp((x - p.left) / p.getWidth() * std::log(maxHz / kMinHz));
}

CCoord CurvePanel::yOf(double db) const {
    const CRect p = plot();
    return p.top + p.getHeight() * (kDbRange - db) / (2 * kDbRange);
}

CRect CurvePanel::analyserToggle() const {
    return CRect(size.left + kPlotRight - 86, size.top + 5, size.left + kPlotRight, size.top + 20);
}

void CurvePanel::setValues(const float (&normalised)[kNumParams], double hostRate) {
    std::copy(std::begin(normalised), std::end(normalised), values);
    rate = hostRate;
    recompute();
}

void CurvePanel::setAnalyserOn(bool state) {
    if (analyser == state) return;
    analyser = state;
    invalid();
}

void CurvePanel::recompute() {
    const EqResponse response(curveSettings(values, rate));
    maxHz = std::min(kMaxHz, response.nyquist());
    points = 0;
    for (CCoord x = plot().left; x <= plot().right && points < kMaxPoints; x += kStep)
        ++points;
    for (int s = 0; s < kNumEqSections; ++s) {
        const EqSection section = (EqSection)s;
        on[s] = response.sectionOn(section);
        if (!on[s]) continue;
        const double hz = realValueOf(paramsOf(section).hz, values[index(paramsOf(section).hz)]);
        handleHz[s] = std::clamp(hz, kMinHz, maxHz); // a cut's may lie beyond the axis
        handleDb[s] = response.sectionDb(section, handleHz[s]);
        for (int i = 0; i < points; ++i)
            sectionCurve[s][i] =
                response.sectionDb(section, std::min(maxHz, hzAt(plot().left + i * kStep)));
    }
    for (int i = 0; i < points; ++i)
        totalCurve[i] = response.totalDb(std::min(maxHz, hzAt(plot().left + i * kStep)));
    invalid();
}

bool CurvePanel::handleOf(EqSection s, CPoint& where) const {
    if (!on[(int)s]) return false;
    where =
        CPoint(xOf(handleHz[(int)s]), std::clamp(yOf(handleDb[(int)s]), plot().top, plot().bottom));
    return true;
}

double CurvePanel::gainFactor(EqSection s) const {
    const int position = threePosition(values[index(paramsOf(s).position)]);
    if (s == EqSection::Mid1 || s == EqSection::Mid2) return position == 0 ? -1.0 : 1.0; // "Cut"
    return position == 0 ? 2.0 : 1.0; // a shelf's "x2"
}

int CurvePanel::sectionAt(const CPoint& where) const {
    int best = -1;
    double bestDistance = kHandleReach;
    for (int s = 0; s < kNumEqSections; ++s) {
        CPoint h;
        if (!handleOf((EqSection)s, h)) continue;
        const double d = std::hypot(h.x - where.x, h.y - where.y);
        if (d <= bestDistance) {
            bestDistance = d;
            best = s;
        }
    }
    return best;
}

// ---- Pointer ------------------------------------------------------------------

CMouseEventResult CurvePanel::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (analyserToggle().pointInside(where)) {
        setAnalyserOn(!analyser);
        owner.curveAnalyserSwitched(analyser);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    const int s = sectionAt(where);
    if (s < 0) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    selected = s;
    invalid();
    const EqSection section = (EqSection)s;
    owner.curveSectionPicked(section);
    const SectionParams& sp = paramsOf(section);
    dragging = s;
    dragStart = where;
    startHz = realValueOf(sp.hz, values[index(sp.hz)]);
    sentFreq = values[index(sp.hz)];
    owner.curveBeginEdit(sp.hz);
    if (sp.hasGain) {
        startGain = realValueOf(sp.gain, values[index(sp.gain)]);
        sentGain = values[index(sp.gain)];
        owner.curveBeginEdit(sp.gain);
    }
    return kMouseEventHandled;
}

CMouseEventResult CurvePanel::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (dragging < 0 || !(buttons & kLButton)) return kMouseEventNotHandled;
    const EqSection section = (EqSection)dragging;
    const SectionParams& sp = paramsOf(section);
    bool changed = false;
    const float freq = (float)normalisedForReal(sp.hz, hzAt(xOf(startHz) + where.x - dragStart.x));
    if (freq != sentFreq) {
        sentFreq = values[index(sp.hz)] = freq;
        owner.curvePerformEdit(sp.hz, freq);
        changed = true;
    }
    if (sp.hasGain) {
        const double dbPerPixel = 2 * kDbRange / plot().getHeight();
        const double shownDb = (dragStart.y - where.y) * dbPerPixel;
        const float gain =
            (float)normalisedForReal(sp.gain, startGain + shownDb / gainFactor(section));
        if (gain != sentGain) {
            sentGain = values[index(sp.gain)] = gain;
            owner.curvePerformEdit(sp.gain, gain);
            changed = true;
        }
    }
    if (changed) recompute();
    return kMouseEventHandled;
}

CMouseEventResult CurvePanel::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/) {
    endDrag();
    return kMouseEventHandled;
}

CMouseEventResult CurvePanel::onMouseCancel() {
    endDrag();
    return kMouseEventHandled;
}

void CurvePanel::endDrag() {
    if (dragging < 0) return;
    const SectionParams& sp = paramsOf((EqSection)dragging);
    dragging = -1;
    owner.curveEndEdit(sp.hz);
    if (sp.hasGain) owner.curveEndEdit(sp.gain);
}

// ---- Drawing ------------------------------------------------------------------

void CurvePanel::draw(CDrawContext* context) {
    cairo_t* cr = context->getCairo();
    const CRect p = plot();
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT); // the context may have left it off
    setColour(cr, kPanelCColor);
    cairo_rectangle(cr, size.left, size.top, size.getWidth(), size.getHeight());
    cairo_fill(cr);
    cairo_rectangle(cr, size.left, size.top, size.getWidth(), 1);
    setColour(cr, CColor(255, 255, 255, 26));
    cairo_fill(cr);
    setColour(cr, kPlotCColor);
    cairo_rectangle(cr, p.left, p.top, p.getWidth(), p.getHeight());
    cairo_fill(cr);

    // Grid: a line per 1, 2 .. 9 of each decade, the labelled ones brighter;
    // a line every 6 dB, 0 dB brighter.
    cairo_set_line_width(cr, 1);
    for (double decade = 10; decade <= maxHz; decade *= 10)
        for (int n = 1; n <= 9; ++n) {
            const double hz = decade * n;
            if (hz < kMinHz || hz > maxHz) continue;
            const bool labelled = std::find(std::begin(kLabelledHz), std::end(kLabelledHz), hz) !=
                                  std::end(kLabelledHz);
            const double x = std::round(xOf(hz)) + 0.5;
            setColour(cr, kGridCColor, labelled ? 1.6 : 0.8);
            cairo_move_to(cr, x, p.top);
            cairo_line_to(cr, x, p.bottom);
            cairo_stroke(cr);
        }
    for (int db = -(int)kDbRange; db <= (int)kDbRange; db += 6) {
        const double y = std::round(yOf(db)) + 0.5;
        setColour(cr, db == 0 ? kGridZeroCColor : kGridCColor);
        cairo_move_to(cr, p.left, y);
        cairo_line_to(cr, p.right, y);
        cairo_stroke(cr);
    }
    context->setFont(kNormalFontVerySmall);
    context->setFontColor(kScaleCColor);
    for (double hz : kLabelledHz) {
        if (hz > maxHz) continue;
        char text[8];
        if (hz >= 1000)
            std::snprintf(text, sizeof text, "%dk", (int)(hz / 1000));
        else
            std::snprintf(text, sizeof text, "%d", (int)hz);
        const CCoord x = xOf(hz);
        context->drawString(text, CRect(x - 20, p.bottom + 3, x + 20, p.bottom + 15), kCenterText);
    }
    for (int db = -(int)kDbRange; db <= (int)kDbRange; db += 12) {
        char text[8];
        std::snprintf(text, sizeof text, db > 0 ? "+%d" : "%d", db);
        const CCoord y = yOf(db);
        context->drawString(text, CRect(size.left, y - 6, p.left - 5, y + 6), kRightText);
    }
    context->drawString("dB", CRect(size.left, size.top + 6, p.left - 5, size.top + 18),
                        kRightText);
    context->drawString("Hz", CRect(size.left, p.bottom + 3, p.left - 16, p.bottom + 15),
                        kRightText);

    // Everything below lies inside the plot.
    cairo_rectangle(cr, p.left, p.top, p.getWidth(), p.getHeight());
    cairo_clip(cr);

    // The analyser: 0 dBFS at the top, kFloorDb at the bottom.
    if (analyser && spectrum) {
        cairo_move_to(cr, p.left, p.bottom);
        for (int i = 0; i < points; ++i) {
            const CCoord x = p.left + i * kStep;
            const double level = std::max(kFloorDb, std::min(0.0, spectrum->levelDb(hzAt(x))));
            cairo_line_to(cr, x, p.top + p.getHeight() * level / kFloorDb);
        }
        cairo_line_to(cr, p.left + (points - 1) * kStep, p.bottom);
        cairo_close_path(cr);
        setColour(cr, kAnalyserCColor);
        cairo_fill(cr);
        // Its own scale, at the right edge: dBFS every 24 dB.
        context->setFont(kNormalFontVerySmall);
        context->setFontColor(
            CColor(kAnalyserCColor.red, kAnalyserCColor.green, kAnalyserCColor.blue, 230));
        for (int level = -24; level > kFloorDb; level -= 24) {
            char text[16];
            std::snprintf(text, sizeof text, "%d dBFS", level);
            const CCoord y = p.top + p.getHeight() * level / kFloorDb;
            context->drawString(text, CRect(p.right - 60, y - 12, p.right - 4, y - 1), kRightText);
        }
    }

    // Each section's own curve, faintly filled from 0 dB.
    const double zero = yOf(0);
    for (int s = 0; s < kNumEqSections; ++s) {
        if (!on[s] || points < 2) continue;
        cairo_move_to(cr, p.left, yOf(sectionCurve[s][0]));
        for (int i = 1; i < points; ++i)
            cairo_line_to(cr, p.left + i * kStep, yOf(sectionCurve[s][i]));
        cairo_path_t* line = cairo_copy_path(cr);
        cairo_line_to(cr, p.left + (points - 1) * kStep, zero);
        cairo_line_to(cr, p.left, zero);
        cairo_close_path(cr);
        setColour(cr, kSectionCColors[s], 0.12);
        cairo_fill(cr);
        cairo_append_path(cr, line);
        cairo_path_destroy(line);
        setColour(cr, kSectionCColors[s], 0.6);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }

    // The whole plug-in, bold.
    if (points >= 2) {
        cairo_move_to(cr, p.left, yOf(totalCurve[0]));
        for (int i = 1; i < points; ++i)
            cairo_line_to(cr, p.left + i * kStep, yOf(totalCurve[i]));
        setColour(cr, kCurveCColor);
        cairo_set_line_width(cr, 2.2);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }

    // Handles, the selected one ringed.
    for (int s = 0; s < kNumEqSections; ++s) {
        CPoint h;
        if (!handleOf((EqSection)s, h)) continue;
        if (s == selected) {
            cairo_arc(cr, h.x, h.y, kHandleRadius + 3, 0, 2 * M_PI);
            setColour(cr, kSectionCColors[s], 0.8);
            cairo_set_line_width(cr, 1.2);
            cairo_stroke(cr);
        }
        cairo_arc(cr, h.x, h.y, kHandleRadius, 0, 2 * M_PI);
        setColour(cr, kSectionCColors[s]);
        cairo_fill_preserve(cr);
        setColour(cr, kPlotCColor);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_restore(cr); // also the frame's clip again

    // The ANALYSER toggle: a lamp and its name.
    const CRect t = analyserToggle();
    cairo_save(cr);
    cairo_rectangle(cr, t.left + 0.5, t.top + 0.5, t.getWidth() - 1, t.getHeight() - 1);
    setColour(cr, CColor(10, 10, 12, 255));
    cairo_fill_preserve(cr);
    setColour(cr, CColor(255, 255, 255, 40));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_arc(cr, t.left + 9, (t.top + t.bottom) / 2, 3, 0, 2 * M_PI);
    setColour(cr, analyser ? kLampOnCColor : CColor(28, 38, 31, 255));
    cairo_fill(cr);
    cairo_restore(cr);
    context->setFontColor(analyser ? kCurveCColor : kScaleCColor);
    context->drawString("ANALYSER", CRect(t.left + 16, t.top, t.right - 2, t.bottom), kCenterText);
    setDirty(false);
}

} // namespace dravo
