#include "presets/ManualOpener.h"

#include <cstdio>

#include "platform/Desktop.h"

namespace dravo {

namespace {

// The alert for a manual at path that could not be opened.
std::string manualAlert(const std::string& path) {
    const std::string home = platform::homeFolder() + "/";
    const std::string below =
        path.compare(0, home.size(), home) == 0 ? path.substr(home.size()) : path;
    return "Could not open manual file:\n~/\"" + below + "\"";
}

} // namespace

ManualOpener::~ManualOpener() = default;

bool ManualOpener::open() {
    std::string path;
    bool started = false;
    if (document.data && document.size && document.vendorFolder && document.fileName) {
        path = platform::documentsFolder() + "/" + document.vendorFolder + "/" + document.fileName;
        if (platform::writeFileIfDifferent(path, document.data, document.size)) {
            if (opener && !opener->poll()) {
                started = true; // the opener of an earlier click still runs
            } else if (!VSTGUI::findProgramOnPath("xdg-open").empty()) {
                auto program = std::make_unique<VSTGUI::ChildProgram>();
                if (program->start({"xdg-open", path}, false)) {
                    opener = std::move(program);
                    openedPath = path;
                    started = true;
                }
            } else {
                std::fprintf(stderr, "cannot open %s: xdg-open is not installed\n", path.c_str());
            }
        }
    }
    if (!started) dialogs.showAlert(manualAlert(path));
    return started;
}

void ManualOpener::poll() {
    if (opener && !dialogs.isOpen() && opener->poll()) {
        const int status = opener->exitStatus();
        opener.reset();
        if (status != 0) dialogs.showAlert(manualAlert(openedPath));
    }
}

} // namespace dravo
