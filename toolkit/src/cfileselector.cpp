#include "vstgui/lib/cfileselector.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace VSTGUI {

CFileExtension::CFileExtension(UTF8StringPtr description, UTF8StringPtr extension,
                               UTF8StringPtr mimeType, int32_t macType, UTF8StringPtr uti)
    : description(description ? description : ""), extension(extension ? extension : ""),
      mimeType(mimeType ? mimeType : ""), uti(uti ? uti : ""), macType(macType) {}

bool CFileExtension::operator==(const CFileExtension& e) const {
    return (!extension.empty() && extension == e.extension) ||
           (!mimeType.empty() && mimeType == e.mimeType) || (!uti.empty() && uti == e.uti) ||
           (macType != 0 && macType == e.macType);
}

const CFileExtension& CNewFileSelector::getAllFilesExtension() {
    static const CFileExtension all("All Files", "");
    return all;
}

// A helper named without "/" is looked up on PATH when a dialog runs.
static std::string zenityPath = "zenity";
static std::string kdialogPath = "kdialog";

void CNewFileSelector::setHelperPaths(const char* zenity, const char* kdialog) {
    zenityPath = zenity ? zenity : "zenity";
    kdialogPath = kdialog ? kdialog : "kdialog";
}

std::string findProgramOnPath(const std::string& program) {
    if (program.empty()) return program;
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t colon = path.find(':', pos);
        if (colon == std::string::npos) colon = path.size();
        std::string dir = path.substr(pos, colon - pos);
        pos = colon + 1;
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

bool ChildProgram::start(const std::vector<std::string>& args, bool captureOutput) {
    if (pid > 0) terminate();
    out.clear();
    status = -1;
    ended = false;
    if (args.empty()) return false;
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The program links against the system's libraries, not a host's bundle.
    std::vector<char*> envp;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) != 0) envp.push_back(*e);
    envp.push_back(nullptr);

    int fds[2] = {-1, -1};
    if (captureOutput) {
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        // Only our end reads without waiting; the program writes as usual.
        fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput) posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The program's warnings (a toolkit's complaints) stay out of the host's
    // log, which is where our own stderr goes.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A group of its own (ending it ends what it started), no signal blocked
    // and the usual handling of the signals a host may have changed.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int rc = posix_spawnp(&child, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput) close(fds[1]);
    if (rc != 0) {
        if (captureOutput) close(fds[0]);
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(rc));
        return false;
    }
    pid = child;
    outFd = captureOutput ? fds[0] : -1;
    return true;
}

ChildProgram::~ChildProgram() {
    terminate();
    closeOutput();
}

void ChildProgram::drain() {
    if (outFd < 0) return;
    char buf[4096];
    for (;;) {
        ssize_t n = read(outFd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, (size_t)n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0) closeOutput(); // every writer has closed it
            return;
        }
    }
}

void ChildProgram::closeOutput() {
    if (outFd >= 0) close(outFd);
    outFd = -1;
}

bool ChildProgram::poll() {
    if (pid <= 0) return ended;
    drain();
    int st = 0;
    pid_t done;
    while ((done = waitpid(pid, &st, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (done == 0) return false;
    if (done < 0 && errno == ECHILD)
        status = kExitStatusUnknown; // reaped already by a host ignoring SIGCHLD
    else
        status = done == pid && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    pid = -1;
    ended = true;
    drain(); // what it wrote just before it ended
    closeOutput();
    return true;
}

void ChildProgram::wait() {
    while (pid > 0 && !poll())
        usleep(2000);
}

void ChildProgram::terminate() {
    if (pid <= 0) return;
    kill(-pid, SIGTERM);
    // Exited (not yet reaped, so the group id stays ours) within the grace?
    siginfo_t info;
    for (int i = 0; i < 150; ++i) {
        info.si_pid = 0;
        if (waitid(P_PID, (id_t)pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0)
            break;
        usleep(2000);
    }
    // Whatever of the group is left goes too, then the program is reaped.
    kill(-pid, SIGKILL);
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    status = -1;
    closeOutput();
}

int runProgram(const std::vector<std::string>& args, std::string* output) {
    ChildProgram program;
    if (!program.start(args, output != nullptr)) return -1;
    program.wait();
    if (output) *output += program.output();
    return program.exitStatus();
}

CNewFileSelector* CNewFileSelector::create(CFrame* parent, Style style) {
    return new CNewFileSelector(parent, style);
}

void CNewFileSelector::setDefaultExtension(const CFileExtension& extension) {
    if (defaultExtension.empty()) defaultExtension.push_back(extension);
}

void CNewFileSelector::addFileExtension(const CFileExtension& extension) {
    extensions.push_back(extension);
}

UTF8StringPtr CNewFileSelector::getSelectedFile(uint32_t index) const {
    return index < result.size() ? result[index].c_str() : nullptr;
}

static bool isZenity(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "zenity") ==
           0;
}

std::vector<std::string> CNewFileSelector::buildCommand(const std::string& helper) const {
    // The file types to offer: the added ones, else the default extension.
    std::vector<CFileExtension> types = extensions;
    if (types.empty() && !defaultExtension.empty()) types = defaultExtension;
    std::string start = initialPath;
    if (style == kSelectSaveFile && !defaultSaveName.empty()) {
        if (!start.empty() && start.back() != '/') start += '/';
        start += defaultSaveName;
    }
    std::vector<std::string> argv{helper};
    if (isZenity(helper)) {
        argv.push_back("--file-selection");
        if (style == kSelectSaveFile) {
            argv.push_back("--save");
            argv.push_back("--confirm-overwrite");
        } else if (style == kSelectDirectory) {
            argv.push_back("--directory");
        }
        if (allowMultiFileSelection && style == kSelectFile) {
            argv.push_back("--multiple");
            argv.push_back("--separator=\n");
        }
        if (!title.empty()) argv.push_back("--title=" + title);
        if (!start.empty()) argv.push_back("--filename=" + start);
        if (style != kSelectDirectory) {
            for (const auto& t : types) {
                if (!*t.getExtension()) continue;
                argv.push_back(std::string("--file-filter=") + t.getDescription() + " (*." +
                               t.getExtension() + ") | *." + t.getExtension());
            }
            if (!types.empty()) argv.push_back("--file-filter=All files | *");
        }
    } else {
        if (style == kSelectSaveFile)
            argv.push_back("--getsavefilename");
        else if (style == kSelectDirectory)
            argv.push_back("--getexistingdirectory");
        else
            argv.push_back("--getopenfilename");
        if (allowMultiFileSelection && style == kSelectFile) {
            argv.push_back("--multiple");
            argv.push_back("--separate-output");
        }
        if (!title.empty()) {
            argv.push_back("--title");
            argv.push_back(title);
        }
        argv.push_back(start.empty() ? std::string(".") : start);
        if (style != kSelectDirectory && !types.empty()) {
            std::string filter;
            for (const auto& t : types) {
                if (!*t.getExtension()) continue;
                if (!filter.empty()) filter += "\n";
                filter += std::string("*.") + t.getExtension() + "|" + t.getDescription();
            }
            if (!filter.empty()) argv.push_back(filter + "\n*|All files");
        }
    }
    return argv;
}

CNewFileSelector::~CNewFileSelector() {
    cancel();
}

bool CNewFileSelector::run(CallbackFunc&& callback) {
    cancel();
    result.clear();
    std::string helper = findProgramOnPath(zenityPath);
    if (helper.empty()) helper = findProgramOnPath(kdialogPath);
    if (helper.empty()) {
        std::fprintf(stderr,
                     "file selector: cannot show a file dialog: neither %s nor %s is installed "
                     "(install zenity or kdialog)\n",
                     zenityPath.empty() ? "zenity" : zenityPath.c_str(),
                     kdialogPath.empty() ? "kdialog" : kdialogPath.c_str());
        return false;
    }
    if (!program.start(buildCommand(helper), true)) return false;
    this->callback = std::move(callback);
    started = true;
    return true;
}

bool CNewFileSelector::poll() {
    if (!started || !program.poll()) return false;
    started = false;
    // Any exit but 0 is a cancel. A host that ignores SIGCHLD hides the
    // status: the chosen path still arrives on the helper's output.
    const int status = program.exitStatus();
    const std::string& output = program.output();
    if (status == 0 || status == kExitStatusUnknown) {
        size_t pos = 0;
        while (pos < output.size()) {
            size_t end = output.find('\n', pos);
            if (end == std::string::npos) end = output.size();
            std::string line = output.substr(pos, end - pos);
            if (!line.empty() && line[0] == '/') result.push_back(line);
            pos = end + 1;
        }
        if (!allowMultiFileSelection && result.size() > 1) result.resize(1);
    }
    CallbackFunc done = std::move(callback);
    callback = nullptr;
    if (done) done(this);
    return true;
}

bool CNewFileSelector::runModal() {
    if (!run()) return false;
    program.wait();
    poll();
    return !result.empty();
}

void CNewFileSelector::cancel() {
    program.terminate();
    started = false;
    callback = nullptr;
}

} // namespace VSTGUI
