// Which zoom the editor's window has: the steps on offer, the user's choice
// kept in the preferences, else the desktop's scale rounded to a step. It
// knows no plug-in format: every face of the editor shares it, and each asks
// its host for the window size through the frame (CFrame::setZoom).
#pragma once

namespace dravo::zoom {

inline constexpr double kSteps[] = {1.0, 1.25, 1.5, 1.75, 2.0};

// The step nearest to z.
double nearestStep(double z);
// The desktop's scale factor as a step.
double desktop();
// The choice kept under preferencesIdentifier, else the desktop's.
double preferred(const char* preferencesIdentifier);
// The choice kept under preferencesIdentifier; 0 when the user made none.
double chosen(const char* preferencesIdentifier);
// Keeps z as the choice; 0 forgets it (the desktop's scale again).
void remember(const char* preferencesIdentifier, double z);

} // namespace dravo::zoom
