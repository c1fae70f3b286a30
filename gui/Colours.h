// The editor's process-wide colours.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

// Latency read-outs.
inline const CColor kLightGreyCColor(200, 200, 200, 255);
// The version text of the about box.
inline const CColor kIvoryCColor(192, 192, 185, 255);

// The curve panel: its ground, the plot's well, grid lines and labels (the
// strip's scale grey), the whole curve and the analyser's area.
inline const CColor kPanelCColor(40, 42, 45, 255);
inline const CColor kPlotCColor(19, 20, 22, 255);
inline const CColor kGridCColor(255, 255, 255, 22);
inline const CColor kGridZeroCColor(255, 255, 255, 60);
inline const CColor kScaleCColor(179, 181, 186, 255);
inline const CColor kCurveCColor(240, 235, 220, 255);
inline const CColor kAnalyserCColor(120, 150, 190, 90);
inline const CColor kLampOnCColor(107, 217, 133, 255);
// Each section's colour, in the sections' order (low cut, high cut, low
// shelf, mid 1, mid 2, high shelf): its curve, its handle and the flash
// over its controls.
inline const CColor kSectionCColors[] = {
    CColor(176, 144, 236, 255), CColor(236, 122, 176, 255), CColor(245, 158, 72, 255),
    CColor(226, 212, 88, 255),  CColor(104, 212, 138, 255), CColor(92, 172, 242, 255),
};

} // namespace dravo
