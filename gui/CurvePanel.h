// The curve panel below the strip: the equaliser's response on a logarithmic
// frequency axis (each section that is on faintly in its own colour, the
// whole plug-in bold on top), the output analyser's spectrum behind it, and a
// handle per section that selects it on a click and moves its frequency and
// gain on a drag. It computes nothing in draw: setValues recomputes the
// curves, the editor calls it from idle.
//
// Gain drags are relative: the section's gain moves by as many dB as the
// pointer moves on the dB axis, in the direction the curve moves. A mid in
// "Cut" mode shows its gain negative, so dragging up lowers its gain value; a
// shelf in "x2" mode shows twice its gain, so its value moves half as far.
#pragma once

#include "model/CurveSettings.h"
#include "vstgui/vstgui.h"

namespace dravo {

class OutputSpectrum;

class CurvePanel : public CView {
  public:
    // What the panel asks of the editor.
    class Owner {
      public:
        // One gesture per parameter, as a control's.
        virtual void curveBeginEdit(Param p) = 0;
        virtual void curvePerformEdit(Param p, float value) = 0;
        virtual void curveEndEdit(Param p) = 0;
        // A press on a section's handle.
        virtual void curveSectionPicked(EqSection s) = 0;
        // The ANALYSER toggle was clicked.
        virtual void curveAnalyserSwitched(bool on) = 0;

      protected:
        ~Owner() = default;
    };

    // Logical sizes inside the panel (it is kPanelHeight high).
    static constexpr CCoord kPlotLeft = 40, kPlotRight = 924; // from the panel's left
    static constexpr CCoord kPlotTop = 26, kPlotBottom = 176; // from the panel's top
    static constexpr double kMinHz = curveaxes::kLowHz, kMaxHz = curveaxes::kHighHz;
    static constexpr double kDbRange = curveaxes::kRangeDb; // the curve's axis: -24..+24 dB
    static constexpr double kFloorDb = -84.0;               // the analyser's axis: kFloorDb..0 dBFS
    static constexpr CCoord kHandleRadius = 4, kHandleReach = 8;

    CurvePanel(const CRect& size, Owner& owner);
    CLASS_METHODS_NOCOPY(CurvePanel, CView)

    // The 38 normalised values and the host rate the curves are computed from.
    void setValues(const float (&normalised)[kNumParams], double hostRate);
    // The analyser's spectrum (drawn while the toggle is on), or null.
    void setSpectrum(const OutputSpectrum* s) { spectrum = s; }
    void setAnalyserOn(bool on);
    bool analyserOn() const { return analyser; }

    // Where a section's handle is now (frame coordinates); false when the
    // section is off (no handle).
    bool handleOf(EqSection s, CPoint& where) const;
    // The rectangle of the ANALYSER toggle (frame coordinates).
    CRect analyserToggle() const;
    // Frame coordinates of a frequency and a curve level.
    CCoord xOf(double hz) const;
    CCoord yOf(double db) const;
    double hzAt(CCoord x) const;
    double topHz() const { return maxHz; }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseCancel() override;

  private:
    static constexpr int kStep = 2; // logical pixels between curve points
    static constexpr int kMaxPoints = (int)(kPlotRight - kPlotLeft) / kStep + 1;

    void recompute();
    void endDrag();
    int sectionAt(const CPoint& where) const;
    // How far the shown dB of section s moves per unit of its gain value
    // (negative for a mid that cuts).
    double gainFactor(EqSection s) const;
    CRect plot() const;

    Owner& owner;
    float values[kNumParams] = {};
    double rate = 44100.0;
    double maxHz = kMaxHz;
    const OutputSpectrum* spectrum = nullptr;
    bool analyser = false;
    bool on[kNumEqSections] = {};
    double handleHz[kNumEqSections] = {};
    double handleDb[kNumEqSections] = {};
    int points = 0;
    double sectionCurve[kNumEqSections][kMaxPoints] = {};
    double totalCurve[kMaxPoints] = {};
    int selected = -1;

    // The drag of a handle: the section, where it started and what was sent.
    int dragging = -1;
    CPoint dragStart;
    double startHz = 0, startGain = 0;
    float sentFreq = -1, sentGain = -1;
};

} // namespace dravo
