// A private X server for tests that open real windows: Xvfb on a free
// display number, with DISPLAY pointing at it for the code under test.
#pragma once

#include <X11/Xlib.h>
#include <chrono>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dravo_test {

// Starts Xvfb on a display number the server picks itself (so that test
// programs running side by side never share or kill each other's server) and
// points DISPLAY at it.
class Xvfb {
  public:
    Xvfb() {
        const char* path = "/usr/bin/Xvfb";
        int fds[2];
        if (access(path, X_OK) != 0 || pipe(fds) != 0) return;
        // The server writes its display number to the pipe's write end,
        // which it inherits under the same number.
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        const std::string fd = std::to_string(fds[1]);
        // Tall enough for the editor with its curve panel at 200 % below
        // the tests' 140 pixels of room above it.
        const char* argv[] = {path,           "-displayfd", fd.c_str(), "-screen", "0",
                              "2048x1100x24", "-nolisten",  "tcp",      nullptr};
        // The server's output stays out of the test's output.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        int rc = posix_spawn(&pid, path, &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) pid = 0;
        // At most 10 s for the number, ended by a newline.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c;
        while (pid && poll(&ready, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) {
            name = ":" + number;
            display = XOpenDisplay(name.c_str());
        }
        if (display)
            setenv("DISPLAY", name.c_str(), 1);
        else
            stop();
    }
    ~Xvfb() {
        if (display) XCloseDisplay(display);
        stop();
    }
    Display* display = nullptr;

  private:
    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = 0;
        }
    }
    std::string name;
    pid_t pid = 0;
};

// Real input through the XTest extension; libXtst stays loaded (it hooks the
// closing of the display).
struct XTest {
    int (*motion)(Display*, int screen, int x, int y, unsigned long delay) = nullptr;
    int (*button)(Display*, unsigned int button, int press, unsigned long delay) = nullptr;
    int (*key)(Display*, unsigned int keycode, int press, unsigned long delay) = nullptr;
    bool load() {
        void* lib = dlopen("libXtst.so.6", RTLD_NOW);
        if (!lib) return false;
        motion = (decltype(motion))dlsym(lib, "XTestFakeMotionEvent");
        button = (decltype(button))dlsym(lib, "XTestFakeButtonEvent");
        key = (decltype(key))dlsym(lib, "XTestFakeKeyEvent");
        return motion && button && key;
    }
};

// Files this process has open.
inline int openFileCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

} // namespace dravo_test
