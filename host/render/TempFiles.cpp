#include "host/render/TempFiles.h"

#include "host/render/Options.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files being written; a signal handler may only read plain data,
// so the paths are kept in fixed arrays.
constexpr int kMaxTemps = 4;
char gTempPaths[kMaxTemps][4096];
volatile sig_atomic_t gTempUsed[kMaxTemps];

} // namespace

int registerTemp(const std::string& path) {
    for (int i = 0; i < kMaxTemps; ++i)
        if (!gTempUsed[i] && path.size() < sizeof gTempPaths[i]) {
            std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
            gTempUsed[i] = 1;
            return i;
        }
    return -1;
}

void unregisterTemp(int slot) {
    if (slot >= 0) gTempUsed[slot] = 0;
}

void unregisterTemp(const std::string& path) {
    for (int i = 0; i < kMaxTemps; ++i)
        if (gTempUsed[i] && path == gTempPaths[i]) unregisterTemp(i);
}

namespace {

void removeTemps() {
    for (int i = 0; i < kMaxTemps; ++i)
        if (gTempUsed[i]) unlink(gTempPaths[i]);
}

void onSignal(int sig) {
    removeTemps();
    signal(sig, SIG_DFL);
    raise(sig);
}

} // namespace

std::string dirOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a temporary file beside path; returns its descriptor and name.
int makeTemp(const std::string& path, std::string& temp) {
    auto slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // The temporary name stays within a file name's 255 bytes however long
    // the final one is.
    constexpr std::size_t kAdded = std::char_traits<char>::length("..tmp-XXXXXX");
    if (base.size() > 255 - kAdded) base.resize(255 - kAdded);
    temp = dirOf(path) + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) return -1;
    temp = name.data();
    // Give the final file the owner and permissions of the file it replaces
    // (as far as we may), else the usual ones rather than mkstemp's 0600.
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid); // a group of ours, at least
        fchmod(fd, old.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    return fd;
}

// The system's reason when a libsndfile call that failed had a write refused
// (a full disk, say), which libsndfile reports in words of its own or not at
// all; empty for other failures. errno is cleared before such calls.
std::string writeErrno() {
    const int e = errno;
    return e == ENOSPC || e == EDQUOT || e == EFBIG || e == EIO || e == EPIPE ? std::strerror(e)
                                                                              : std::string();
}

// Opens a stream target for writing; standard output is used as it is.
int openStreamFd(const OutputTarget& t) {
    if (t.stdoutStream) return STDOUT_FILENO;
    int fd = open(t.path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw CliError(kExitOutput, t.path + ": cannot open: " + std::strerror(errno));
    return fd;
}

bool writeAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

void installCleanupHandlers() {
    // Interrupted, or brought down by the plug-in: a crash (SIGSEGV and the
    // like), an abort, or an exit() of its own.
    for (int sig :
         {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        signal(sig, onSignal);
    std::atexit(removeTemps);
}

std::string displayName(const std::string& path, bool input) {
    if (path == "-") return input ? "standard input" : "standard output";
    return path;
}

OutputTarget resolveOutput(const std::string& path) {
    OutputTarget t;
    if (path == "-") {
        t.stream = t.stdoutStream = true;
        t.path = path;
        return t;
    }
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw CliError(kExitOutput, path + ": is a directory");
        if (!S_ISREG(st.st_mode)) {
            // A pipe, a device or a socket: written to as it is.
            t.stream = true;
            t.path = path;
            return t;
        }
        struct stat lst;
        t.path = path;
        if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
            char* real = realpath(path.c_str(), nullptr);
            if (real) {
                t.path = real;
                std::free(real);
            }
        }
        // The rename would replace a file the user may not write, as cp
        // and shells refuse to.
        if (access(t.path.c_str(), W_OK) != 0)
            throw CliError(kExitOutput, path + ": " + std::strerror(errno));
        // A file with other names, or another owner, is written over in
        // place, so that it stays the same file.
        t.inPlace = st.st_nlink > 1 || st.st_uid != geteuid();
    } else {
        if (errno == ELOOP)
            throw CliError(kExitOutput, path + ": a loop of symbolic links; nothing written");
        // Not there yet, perhaps behind a link that points to a new name.
        t.path = path;
        char buf[4096];
        for (int hops = 0; hops < 40; ++hops) {
            struct stat lst;
            if (lstat(t.path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) break;
            ssize_t n = readlink(t.path.c_str(), buf, sizeof buf - 1);
            if (n <= 0) break;
            buf[n] = 0;
            t.path = buf[0] == '/' ? std::string(buf) : dirOf(t.path) + "/" + buf;
        }
        struct stat lst;
        if (lstat(t.path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
            throw CliError(kExitOutput, path + ": a loop of symbolic links; nothing written");
    }
    std::string dir = dirOf(t.path);
    if (stat(dir.c_str(), &st) != 0)
        throw CliError(kExitOutput, path + ": the directory " + dir + " does not exist");
    if (!S_ISDIR(st.st_mode))
        throw CliError(kExitOutput, path + ": " + dir + " is not a directory");
    if (!path.empty() && path.back() == '/')
        throw CliError(kExitOutput, path + ": names a directory, not a file");
    if (access(dir.c_str(), W_OK) != 0)
        throw CliError(kExitOutput, path + ": cannot write into " + dir);
    return t;
}

bool replaceWith(const std::string& temp, const OutputTarget& t) {
    if (!t.inPlace) return rename(temp.c_str(), t.path.c_str()) == 0;
    int from = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) return false;
    int to = open(t.path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = to >= 0;
    std::vector<unsigned char> buf(1 << 16);
    while (ok) {
        ssize_t n = ::read(from, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(to, buf.data(), static_cast<std::size_t>(n));
    }
    const int saved = errno;
    close(from);
    if (to >= 0 && close(to) != 0) ok = false;
    if (ok) unlink(temp.c_str());
    errno = saved;
    return ok;
}

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    OutputTarget t = resolveOutput(path);
    if (t.stream) {
        int fd = openStreamFd(t);
        bool ok = writeAll(fd, bytes.data(), bytes.size());
        if (!t.stdoutStream) ok = close(fd) == 0 && ok;
        if (!ok) throw CliError(kExitOutput, path + ": cannot write: " + std::strerror(errno));
        return;
    }
    std::string temp;
    int fd = makeTemp(t.path, temp);
    if (fd < 0) throw CliError(kExitOutput, path + ": cannot create: " + std::strerror(errno));
    int slot = registerTemp(temp);
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    ok = (close(fd) == 0) && ok;
    if (!ok || !replaceWith(temp, t)) {
        std::string why = std::strerror(errno);
        unlink(temp.c_str());
        unregisterTemp(slot);
        throw CliError(kExitOutput, path + ": cannot write: " + why);
    }
    unregisterTemp(slot);
}

std::vector<unsigned char> readWholeFile(const std::string& path, const char* what) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        throw CliError(kExitInput, std::string(what) + " " + path + ": no such file");
    if (S_ISDIR(st.st_mode))
        throw CliError(kExitInput, std::string(what) + " " + path + ": is a directory");
    if (st.st_size > 64 * 1024 * 1024)
        throw CliError(kExitInput, std::string(what) + " " + path + ": too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CliError(kExitInput, std::string(what) + " " + path + ": cannot read");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size())
        throw CliError(kExitInput, std::string(what) + " " + path + ": cannot read");
    return bytes;
}
