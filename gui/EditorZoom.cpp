#include "gui/EditorZoom.h"

#include "platform/Desktop.h"
#include "vstgui/vstgui.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace dravo::zoom {

namespace {
constexpr const char* kKey = "zoom"; // percent, as text
} // namespace

double nearestStep(double z) {
    double best = kSteps[0];
    for (double step : kSteps)
        if (std::fabs(step - z) < std::fabs(best - z)) best = step;
    return best;
}

double desktop() {
    return nearestStep(VSTGUI::getPlatformScaleFactor());
}

double chosen(const char* preferencesIdentifier) {
    platform::Preferences prefs(preferencesIdentifier ? preferencesIdentifier : "");
    std::vector<char> value;
    if (prefs.copy(kKey, value)) {
        const double z = std::atof(std::string(value.begin(), value.end()).c_str()) / 100.0;
        if (z > 0) return nearestStep(z);
    }
    return 0;
}

double preferred(const char* preferencesIdentifier) {
    const double z = chosen(preferencesIdentifier);
    return z > 0 ? z : desktop();
}

void remember(const char* preferencesIdentifier, double z) {
    platform::Preferences prefs(preferencesIdentifier ? preferencesIdentifier : "");
    if (z > 0) {
        const std::string text = std::to_string(std::lround(z * 100));
        prefs.set(kKey, text.data(), text.size());
    } else {
        prefs.remove(kKey);
    }
    prefs.synchronize();
}

} // namespace dravo::zoom
