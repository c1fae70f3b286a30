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

int runProgram(const std::vector<std::string>& args, std::string* output) {
    if (args.empty()) return -1;
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
    if (output && pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (output) close(fds[1]);
    if (rc != 0) {
        if (output) close(fds[0]);
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(rc));
        return -1;
    }
    if (output) {
        char buf[4096];
        for (;;) {
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n > 0)
                output->append(buf, (size_t)n);
            else if (n == 0 || errno != EINTR)
                break;
        }
        close(fds[0]);
    }
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done < 0 && errno == ECHILD) return kExitStatusUnknown;
    if (done != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
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

bool CNewFileSelector::run(CallbackFunc&& callback) {
    bool ok = runModal();
    if (callback) callback(this);
    return ok;
}

bool CNewFileSelector::runModal() {
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
    // Blocks this thread until the dialog closes; any exit but 0 is a cancel.
    std::string output;
    // A host that ignores SIGCHLD hides the status: the chosen path still
    // arrives on the helper's output.
    const int status = runProgram(buildCommand(helper), &output);
    if (status != 0 && status != kExitStatusUnknown) return false;
    size_t pos = 0;
    while (pos < output.size()) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        if (!line.empty() && line[0] == '/') result.push_back(line);
        pos = end + 1;
    }
    if (!allowMultiFileSelection && result.size() > 1) result.resize(1);
    return !result.empty();
}

} // namespace VSTGUI
