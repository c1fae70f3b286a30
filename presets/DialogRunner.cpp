#include "presets/DialogRunner.h"

#include <cstdio>

#include "platform/Desktop.h"

namespace dravo {

namespace {

// Lies over the whole window while a dialog is open and takes the input that
// would reach the controls; it draws nothing, so the window looks as before.
class DialogShield : public CView {
  public:
    explicit DialogShield(const CRect& size) : CView(size) { setTransparency(true); }
    void draw(CDrawContext*) override { setDirty(false); }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    bool onWheel(const CPoint&, const CMouseWheelAxis&, const float&,
                 const CButtonState&) override {
        return true;
    }
    bool onWheel(const CPoint&, const float&, const CButtonState&) override { return true; }
};

} // namespace

void DialogRunner::beginShield() {
    if (!frame || shield) return;
    CRect size;
    frame->getSize(size);
    shield = new DialogShield(CRect(0, 0, size.getWidth(), size.getHeight()));
    if (!frame->setModalView(shield)) {
        shield->forget();
        shield = nullptr;
    }
}

void DialogRunner::endShield() {
    if (!shield) return;
    if (frame && frame->getModalView() == shield) frame->setModalView(nullptr);
    shield->forget();
    shield = nullptr;
}

void DialogRunner::cancel() {
    if (fileDialog) {
        fileDialog->cancel(); // ends the helper and reaps it
        fileDialog->forget();
        fileDialog = nullptr;
    }
    messageDialog.reset();
    afterFileDialog = nullptr;
    afterMessage = nullptr;
    endShield();
}

bool DialogRunner::chooseFile(bool save, const char* title, const char* description,
                              const char* extension, const char* proposedName,
                              const std::string& folder,
                              std::function<void(const std::string&)> then) {
    if (!frame || isOpen()) return false;
    CNewFileSelector* selector = CNewFileSelector::create(
        frame, save ? CNewFileSelector::kSelectSaveFile : CNewFileSelector::kSelectFile);
    selector->setTitle(title);
    selector->setInitialDirectory(folder.c_str());
    const CFileExtension type(description, extension);
    if (save) {
        selector->setDefaultExtension(type);
        selector->setDefaultSaveName(proposedName);
    } else {
        selector->addFileExtension(type);
    }
    selector->setAllowMultiFileSelection(false);
    if (!selector->run()) {
        selector->forget();
        return false;
    }
    fileDialog = selector;
    afterFileDialog = std::move(then);
    beginShield();
    return true;
}

bool DialogRunner::startMessage(const std::vector<std::string>& argv,
                                std::function<void(bool)> then) {
    if (isOpen() || argv.empty()) return false;
    auto program = std::make_unique<VSTGUI::ChildProgram>();
    if (!program->start(argv, false)) return false;
    messageDialog = std::move(program);
    afterMessage = std::move(then);
    beginShield();
    return true;
}

void DialogRunner::showAlert(const std::string& message) {
    if (!startMessage(platform::alertCommand(message), nullptr))
        std::fprintf(stderr, "%s\n", message.c_str());
}

void DialogRunner::poll() {
    if (fileDialog && fileDialog->poll()) {
        std::string path;
        if (fileDialog->getNumSelectedFiles() == 1) path = fileDialog->getSelectedFile(0);
        fileDialog->forget();
        fileDialog = nullptr;
        auto then = std::move(afterFileDialog);
        afterFileDialog = nullptr;
        endShield();
        // May start the next dialog (the overwrite question).
        if (then) then(path);
    }
    if (messageDialog && messageDialog->poll()) {
        const bool yes = messageDialog->exitStatus() == 0;
        messageDialog.reset();
        auto then = std::move(afterMessage);
        afterMessage = nullptr;
        endShield();
        if (then) then(yes);
    }
}

} // namespace dravo
