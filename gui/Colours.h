// The editor's process-wide colours.
#pragma once

#include "vstgui/vstgui.h"

namespace dravo {

// Latency read-outs.
inline const CColor kLightGreyCColor(200, 200, 200, 255);
// The version text of the about box.
inline const CColor kIvoryCColor(192, 192, 185, 255);

} // namespace dravo
