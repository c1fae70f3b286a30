#include "platform/Desktop.h"
#include "vstgui/lib/cfileselector.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravo::platform {

namespace {

struct FileHandle {
    std::FILE* f = nullptr;
    bool write = false;
    bool failed = false;
    std::string target; // write handles: the file the temporary replaces
    std::string temp;
};

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Makes a rename or removal in folder durable.
bool syncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

// Creates folder and its missing parents (new ones with mode).
bool makeFolders(const std::string& folder, mode_t mode) {
    std::string path;
    size_t pos = 0;
    while (pos <= folder.size()) {
        size_t slash = folder.find('/', pos);
        if (slash == std::string::npos) slash = folder.size();
        path = folder.substr(0, slash);
        pos = slash + 1;
        if (path.empty()) continue;
        if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A fresh temporary file beside target, opened for writing.
std::FILE* createTemporary(const std::string& target, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u", (long)getpid(), counter++);
        temp = dir + "." + name + suffix;
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // A replaced file keeps its permissions.
            struct stat st;
            if (stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
            std::FILE* f = fdopen(fd, "wb");
            if (!f) {
                close(fd);
                unlink(temp.c_str());
            }
            return f;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

bool readWholeFile(const std::string& path, std::vector<char>& out, size_t limit) {
    void* file = nullptr;
    const char* slash = std::strrchr(path.c_str(), '/');
    std::string dir = slash ? path.substr(0, (size_t)(slash - path.c_str()) + 1) : std::string();
    long size = openFile(slash ? slash + 1 : path.c_str(), dir.c_str(), &file, false);
    if (!file) return false;
    bool ok = size >= 0 && (size_t)size <= limit;
    if (ok) {
        out.resize((size_t)size);
        ok = readFile(file, out.data(), size) == size;
    }
    closeFile(file);
    return ok;
}

} // namespace

long openFile(const char* name, const char* dir, void** file, bool write) {
    *file = nullptr;
    if (!name || !dir || !*name) return 0;
    const std::string path = std::string(dir) + name;
    auto* h = new FileHandle;
    h->write = write;
    long size = 0;
    if (write) {
        // Saving over a link replaces the file it points to, not the link.
        struct stat st;
        char resolved[PATH_MAX];
        if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
            realpath(path.c_str(), resolved))
            h->target = resolved;
        else
            h->target = path;
        h->f = createTemporary(h->target, h->temp);
    } else {
        // Read-only: a preset in a read-only folder or file loads.
        h->f = std::fopen(path.c_str(), "rbe");
        struct stat st;
        if (h->f && (fstat(fileno(h->f), &st) != 0 || !S_ISREG(st.st_mode))) {
            std::fclose(h->f);
            h->f = nullptr;
        } else if (h->f) {
            size = (long)st.st_size;
        }
    }
    if (!h->f) {
        delete h;
        return 0;
    }
    *file = h;
    return size;
}

long readFile(void* file, char* buf, long n) {
    auto* h = static_cast<FileHandle*>(file);
    if (!h || h->write || n <= 0) return 0;
    return (long)std::fread(buf, 1, (size_t)n, h->f);
}

bool writeToFile(void* file, const char* buf, long n) {
    auto* h = static_cast<FileHandle*>(file);
    if (!h || !h->write || n < 0) return false;
    if (n > 0 && std::fwrite(buf, 1, (size_t)n, h->f) != (size_t)n) h->failed = true;
    return !h->failed;
}

bool closeFile(void* file) {
    auto* h = static_cast<FileHandle*>(file);
    if (!h) return false;
    bool ok = true;
    if (h->write) {
        ok = !h->failed && std::fflush(h->f) == 0 && !std::ferror(h->f) && fsync(fileno(h->f)) == 0;
        ok = (std::fclose(h->f) == 0) && ok;
        if (ok) ok = std::rename(h->temp.c_str(), h->target.c_str()) == 0;
        if (!ok)
            unlink(h->temp.c_str());
        else
            syncFolder(folderOf(h->target));
    } else {
        ok = std::fclose(h->f) == 0;
    }
    delete h;
    return ok;
}

bool splitPath(const char* path, char* name, char* dir) {
    if (!path || !name || !dir) return false;
    const char* slash = std::strrchr(path, '/');
    if (!slash) return false;
    const size_t dirLength = (size_t)(slash - path) + 1;
    const size_t nameLength = std::strlen(slash + 1);
    // Refused rather than cut: a cut path would name another file.
    if (dirLength >= kPathFieldSize || nameLength >= kPathFieldSize) return false;
    std::memcpy(dir, path, dirLength);
    dir[dirLength] = 0;
    std::memcpy(name, slash + 1, nameLength + 1);
    return true;
}

int runCommand(const std::vector<std::string>& args, std::string* output) {
    const int status = VSTGUI::runProgram(args, output);
    return status == VSTGUI::kExitStatusUnknown ? -1 : status;
}

bool openDocument(const std::string& path) {
    if (VSTGUI::findProgramOnPath("xdg-open").empty()) {
        std::fprintf(stderr, "cannot open %s: xdg-open is not installed\n", path.c_str());
        return false;
    }
    return runCommand({"xdg-open", path}) == 0;
}

std::vector<std::string> alertCommand(const std::string& text) {
    if (!VSTGUI::findProgramOnPath("zenity").empty())
        return {"zenity", "--warning", "--no-markup", "--text=" + text};
    if (!VSTGUI::findProgramOnPath("kdialog").empty()) return {"kdialog", "--sorry", text};
    if (!VSTGUI::findProgramOnPath("xmessage").empty())
        return {"xmessage", "-center", "-buttons", "OK", text};
    return {};
}

std::vector<std::string> questionCommand(const std::string& question, const std::string& yes) {
    if (!VSTGUI::findProgramOnPath("zenity").empty())
        return {"zenity",
                "--question",
                "--no-markup",
                "--text=" + question,
                "--ok-label=" + yes,
                "--cancel-label=Cancel"};
    if (!VSTGUI::findProgramOnPath("kdialog").empty())
        return {"kdialog", "--warningyesno", question, "--yes-label", yes, "--no-label", "Cancel"};
    // xmessage exits with the value of the button pressed.
    if (!VSTGUI::findProgramOnPath("xmessage").empty())
        return {"xmessage", "-center", "-buttons", yes + ":0,Cancel:1", question};
    return {};
}

void showAlert(const char* message) {
    const std::string text = message ? message : "";
    const std::vector<std::string> argv = alertCommand(text);
    if (argv.empty() || runCommand(argv) < 0) std::fprintf(stderr, "%s\n", text.c_str());
}

std::string homeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else {
        struct passwd pw, *result = nullptr;
        char buf[4096];
        if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &result) == 0 && result && pw.pw_dir)
            home = pw.pw_dir;
    }
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::string documentsFolder() {
    const std::string home = homeFolder();
    // What xdg-user-dir DOCUMENTS answers, read without running a program:
    // the last XDG_DOCUMENTS_DIR="..." line of user-dirs.dirs, whose value is
    // "$HOME/..." or an absolute path. Naming home itself means no Documents
    // folder is configured.
    std::string config = home + "/.config";
    if (const char* env = std::getenv("XDG_CONFIG_HOME"); env && env[0] == '/') config = env;
    std::vector<char> bytes;
    std::string found;
    if (readWholeFile(config + "/user-dirs.dirs", bytes, 1u << 16)) {
        const std::string text(bytes.begin(), bytes.end());
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        for (size_t pos = 0; pos < text.size();) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
                line.back() != '"')
                continue;
            std::string value = line.substr(key.size(), line.size() - key.size() - 1);
            if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
            while (value.size() > 1 && value.back() == '/')
                value.pop_back();
            found = value;
        }
    }
    if (!found.empty() && found[0] == '/' && found != home) return found;
    return home + "/Documents";
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size) {
    const char* slash = std::strrchr(path.c_str(), '/');
    std::string dir = slash ? path.substr(0, (size_t)(slash - path.c_str()) + 1) : std::string();
    void* file = nullptr;
    openFile(slash ? slash + 1 : path.c_str(), dir.c_str(), &file, true);
    if (!file) return false;
    bool wrote = size == 0 || writeToFile(file, static_cast<const char*>(data), (long)size);
    return closeFile(file) && wrote;
}

bool writeFileIfDifferent(const std::string& path, const void* data, size_t size) {
    std::vector<char> existing;
    if (readWholeFile(path, existing, size) && existing.size() == size &&
        (size == 0 || std::memcmp(existing.data(), data, size) == 0))
        return true;
    if (!makeFolders(folderOf(path), 0755)) return false;
    return writeFileAtomically(path, data, size);
}

Preferences::Preferences(const std::string& identifier) {
    if (identifier.empty() || identifier == "." || identifier == ".." ||
        identifier.find('/') != std::string::npos)
        return;
    std::string base;
    // Only an absolute XDG_CONFIG_HOME counts; otherwise the default applies.
    if (const char* env = std::getenv("XDG_CONFIG_HOME"); env && env[0] == '/')
        base = env;
    else if (std::string home = homeFolder(); !home.empty())
        base = home + "/.config";
    else
        return;
    folder = base + "/" + identifier + "/";
}

static bool validKey(const char* key) {
    return key && *key && *key != '.' && !std::strchr(key, '/');
}

bool Preferences::copy(const char* key, std::vector<char>& value) const {
    if (!isUsable() || !validKey(key)) return false;
    return readWholeFile(folder + key, value, 16u << 20);
}

bool Preferences::set(const char* key, const void* data, size_t size) {
    if (!isUsable() || !validKey(key) || !makeFolders(folder, 0700)) return false;
    return writeFileAtomically(folder + key, data, size);
}

bool Preferences::remove(const char* key) {
    if (!isUsable() || !validKey(key)) return false;
    return unlink((folder + key).c_str()) == 0 || errno == ENOENT;
}

bool Preferences::synchronize() {
    return isUsable() && syncFolder(folder);
}

} // namespace dravo::platform
