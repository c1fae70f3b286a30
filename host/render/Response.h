// The frequency response of the current settings, measured through the
// plug-in with an impulse, written as a table and drawn as a PNG.
#pragma once

#include "host/render/Settings.h"

#include <string>
#include <vector>

struct Response {
    double rate = 44100.0;
    std::string title, pluginName;
    std::vector<double> freq;            // Hz, log-spaced 10 Hz .. the Nyquist frequency
    std::vector<double> db[2], phase[2]; // per channel; phase in degrees, unwrapped
    bool stereo = false;                 // the right channel differs from the left
};

// Measures the session's plug-in (which must be freshly resumed): each
// channel it has, the one channel of a mono plug-in drawn for both.
Response measureResponse(PluginSession& s, double rate, bool useDouble, int block);
void writeResponseCsv(const Response& r, const std::string& path);
// The plot as PNG bytes; throws CliError(kExitOutput) when it cannot be drawn.
std::vector<unsigned char> drawResponsePng(const Response& r, bool phase);
// Frees the drawing libraries' process-wide caches; call once, at the end.
void releasePlotResources();
