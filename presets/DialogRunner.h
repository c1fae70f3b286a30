// The preset bar's dialogs (file selector, question, alert) as child
// programs: a request starts one and returns at once, poll() (from the
// editor's idle) collects the answer and then runs what was to follow. At
// most one is open; while it is, a shield over the window takes every press,
// wheel turn and key meant for the controls, and the window keeps drawing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vstgui/vstgui.h"

namespace dravo {

class DialogRunner {
  public:
    DialogRunner() = default;
    ~DialogRunner() { cancel(); }
    DialogRunner(const DialogRunner&) = delete;
    DialogRunner& operator=(const DialogRunner&) = delete;

    // The window the dialogs belong to; null while it is closed.
    void setFrame(CFrame* f) { frame = f; }
    bool isOpen() const { return fileDialog != nullptr || messageDialog != nullptr; }

    // Starts the file selector in folder; then gets the chosen path, or empty
    // when none was chosen. False (and then is not called) when no dialog
    // started.
    bool chooseFile(bool save, const char* title, const char* description, const char* extension,
                    const char* proposedName, const std::string& folder,
                    std::function<void(const std::string&)> then);
    // Starts a question (then gets true for yes) or an alert (then may be
    // empty); false when none could be started.
    bool startMessage(const std::vector<std::string>& argv, std::function<void(bool)> then);
    // An alert, or the message on stderr when none can be shown.
    void showAlert(const std::string& message);

    // Collects an answer and runs what follows it; never waits.
    void poll();
    // Ends an open dialog; nothing it was for happens.
    void cancel();

  private:
    void beginShield();
    void endShield();

    CFrame* frame = nullptr;
    CNewFileSelector* fileDialog = nullptr;
    std::function<void(const std::string&)> afterFileDialog;
    std::unique_ptr<VSTGUI::ChildProgram> messageDialog;
    std::function<void(bool)> afterMessage;
    CView* shield = nullptr;
};

} // namespace dravo
