// The manual button's work: writes the product manual into the user's
// Documents folder when it is missing or different, and starts the desktop's
// document opener on it. The opener may run as long as the document shows,
// so it never blocks input; a failure is told in an alert.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "presets/DialogRunner.h"

namespace dravo {

// The document: its bytes, written to <Documents>/<vendorFolder>/<fileName>.
// No data means no manual.
struct ManualDocument {
    const unsigned char* data = nullptr;
    size_t size = 0;
    const char* vendorFolder = nullptr;
    const char* fileName = nullptr;
};

class ManualOpener {
  public:
    ManualOpener(const ManualDocument& document, DialogRunner& dialogs)
        : document(document), dialogs(dialogs) {}
    // Ends an opener still running and reaps it.
    ~ManualOpener();

    // True when the opener was started (or one started earlier still runs);
    // otherwise the alert shows at once.
    bool open();
    // Tells a failed opener once no dialog is open (never waits).
    void poll();

  private:
    ManualDocument document;
    DialogRunner& dialogs;
    std::unique_ptr<VSTGUI::ChildProgram> opener;
    std::string openedPath;
};

} // namespace dravo
