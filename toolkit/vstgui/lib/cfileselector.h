// File dialogs. On Linux the dialog is an external helper (zenity, else
// kdialog) run as a child process: run() starts it and returns, poll() picks
// up the answer without waiting; runModal() waits until it closes.
#pragma once

#include "vstguibase.h"
#include <functional>
#include <string>
#include <vector>

namespace VSTGUI {

class CFrame;

class CFileExtension {
  public:
    CFileExtension(UTF8StringPtr description, UTF8StringPtr extension,
                   UTF8StringPtr mimeType = nullptr, int32_t macType = 0,
                   UTF8StringPtr uti = nullptr);
    UTF8StringPtr getDescription() const { return description.c_str(); }
    UTF8StringPtr getExtension() const { return extension.c_str(); }
    UTF8StringPtr getMimeType() const { return mimeType.c_str(); }
    UTF8StringPtr getUTI() const { return uti.c_str(); }
    int32_t getMacType() const { return macType; }
    bool operator==(const CFileExtension& ext) const;

  private:
    std::string description, extension, mimeType, uti;
    int32_t macType;
};

// The path of an executable program as a desktop user's shell finds it: a
// name containing "/" as given, else the first regular executable file of
// that name on PATH. Empty when there is none.
std::string findProgramOnPath(const std::string& program);

// Runs argv[0] (a path, or a name found on PATH) with argv as its argument
// vector, without a shell and without the host's LD_LIBRARY_PATH, and waits
// for it. Returns its exit status, or -1 when it could not be started
// (reported on stderr) or did not exit normally, and kExitStatusUnknown when
// it ran but its status cannot be had (a host that ignores SIGCHLD). With
// output given, the program's standard output is collected there.
constexpr int kExitStatusUnknown = -2;
int runProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// A program started as runProgram starts it, but not waited for: poll() looks
// at it without blocking. It runs in a process group of its own, so that
// ending it also ends what it started; destroying a ChildProgram that still
// runs ends it and reaps it, so no process is left behind.
class ChildProgram {
  public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // False when the program could not be started (reported on stderr).
    bool start(const std::vector<std::string>& argv, bool captureOutput);
    // Collects what the program wrote so far; true once it has ended and has
    // been reaped (and from then on). Never waits.
    bool poll();
    bool isRunning() const { return pid > 0; }
    // Blocks until the program ends.
    void wait();
    // Ends a running program and its group (SIGTERM, then SIGKILL after a
    // short grace) and reaps it.
    void terminate();
    // After the end: the exit status, -1 when it did not exit normally,
    // kExitStatusUnknown when a host that ignores SIGCHLD hid it.
    int exitStatus() const { return status; }
    const std::string& output() const { return out; }

  private:
    void drain();
    void closeOutput();
    int pid = -1;
    int outFd = -1;
    int status = -1;
    bool ended = false; // ended on its own and reaped
    std::string out;
};

class CNewFileSelector : public CBaseObject {
  public:
    enum Style { kSelectFile, kSelectSaveFile, kSelectDirectory };
    using CallbackFunc = std::function<void(CNewFileSelector*)>;

    static CNewFileSelector* create(CFrame* parent = nullptr, Style style = kSelectFile);
    CLASS_METHODS_NOCOPY(CNewFileSelector, CBaseObject)

    ~CNewFileSelector() override;

    // Starts the dialog and returns at once; false when no helper could be
    // started. The answer arrives in poll(), which calls callback (if any).
    bool run(CallbackFunc&& callback = nullptr);
    // Without waiting: true once the dialog has ended and its answer (if any)
    // is in getSelectedFile; the callback has then run. False while it runs
    // or when none was started.
    bool poll();
    bool isRunning() const { return program.isRunning(); }
    // Runs the dialog and waits until it closes; true when a file was chosen.
    bool runModal();
    // Ends a running dialog with no answer and without calling back.
    void cancel();

    void setTitle(UTF8StringPtr title) { this->title = title ? title : ""; }
    void setInitialDirectory(UTF8StringPtr path) { initialPath = path ? path : ""; }
    void setDefaultSaveName(UTF8StringPtr name) { defaultSaveName = name ? name : ""; }
    // Only the first call counts.
    void setDefaultExtension(const CFileExtension& extension);
    void setAllowMultiFileSelection(bool state) { allowMultiFileSelection = state; }
    void addFileExtension(const CFileExtension& extension);

    uint32_t getNumSelectedFiles() const { return (uint32_t)result.size(); }
    UTF8StringPtr getSelectedFile(uint32_t index) const;
    static const CFileExtension& getAllFilesExtension();

    // The helper programs, normally "zenity" and "kdialog" found on PATH; a
    // path with "/" is used as it is (tests). Null restores the default.
    static void setHelperPaths(const char* zenity, const char* kdialog);
    // The argument vector for the helper at helperPath (tests inspect it).
    std::vector<std::string> buildCommand(const std::string& helperPath) const;

  protected:
    CNewFileSelector(CFrame* frame, Style style) : frame(frame), style(style) {}

    CFrame* frame;
    Style style;
    std::string title, initialPath, defaultSaveName;
    std::vector<CFileExtension> extensions;
    std::vector<CFileExtension> defaultExtension;
    bool allowMultiFileSelection = false;
    std::vector<std::string> result;
    ChildProgram program;
    CallbackFunc callback;
    bool started = false;
};

} // namespace VSTGUI
