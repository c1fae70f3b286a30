// The product manual: a PDF drawn at build time by gen_manual and compiled
// into the plug-in, so one copied .so is all the manual button needs. The
// button writes it to <Documents>/<kManualVendorFolder>/<kManualFileName>.
#pragma once

extern const unsigned char kManualPdf[];
extern const unsigned long kManualPdfSize;

constexpr const char* kManualVendorFolder = "Vey Audio Works";
constexpr const char* kManualFileName = "Vey Dravo Manual.pdf";

// The manual's sections in reading order; each starts on a page of its own
// and is a bookmark of the PDF.
inline constexpr const char* kManualSections[] = {
    "Introduction and quick start",
    "Low cut and high cut",
    "Low shelf",
    "Mid 1 and Mid 2",
    "High shelf",
    "Output section",
    "Response curve and analyser",
    "Preset bar",
    "Presets, files and defaults",
    "Latency",
    "Automation",
    "Factory presets",
    "The command-line renderer",
};
constexpr int kManualSectionCount = sizeof(kManualSections) / sizeof(kManualSections[0]);
