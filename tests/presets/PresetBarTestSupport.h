// Helpers for the preset bar's tests: a private HOME, config folder and PATH
// with stand-in dialog and opener programs, and a store whose editor carries
// the preset bar in a headless frame.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "PresetTestSupport.h"
#include "model/EditController.h"
#include "presets/PresetBar.h"
#include "presets/PresetBarControls.h"
#include "presets/PresetBarLayout.h"

namespace presettest {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string bytesOf(const std::vector<unsigned char>& b) {
    return std::string(b.begin(), b.end());
}

// What remains to be read from fd, a file of /proc/PID/; "" when the process
// has gone since the file was opened (the read fails with ESRCH, which a
// std::ifstream would throw from).
inline std::string readProcFile(int fd) {
    std::string out;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, (size_t)n);
        else if (n == 0)
            return out;
        else if (errno != EINTR)
            return "";
    }
}

// /proc/PID/stat, or "" when the process has gone (before or while reading).
inline std::string procStat(int pid) {
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    std::string stat = readProcFile(fd);
    ::close(fd);
    return stat;
}

// The programs this process started in process groups of their own (as the
// plug-in starts them; zombies included: not yet reaped), or with group set,
// the live processes of process group `group`. A process that ends while
// the list is made is left out.
inline std::vector<int> childProcesses(int group = 0) {
    std::vector<int> out;
    DIR* proc = opendir("/proc");
    if (!proc) return out;
    while (dirent* e = readdir(proc)) {
        const int pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        // "pid (name) state ppid pgrp ...": the name may hold spaces, so from the last ')'.
        const std::string stat = procStat(pid);
        const size_t close = stat.rfind(')');
        char state = 0;
        int ppid = 0, pgrp = 0;
        if (close == std::string::npos ||
            std::sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &ppid, &pgrp) != 3)
            continue;
        if (group ? pgrp == group && state != 'Z' : ppid == (int)getpid() && pgrp == pid)
            out.push_back(pid);
    }
    closedir(proc);
    return out;
}

// Calls idle until done() holds or 10 s have passed; false on the timeout.
template <class Idle, class Done> bool idleUntil(Idle idle, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Sets an environment variable for a scope and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) previous = std::make_unique<std::string>(old);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }

  private:
    const char* name;
    std::unique_ptr<std::string> previous;
};

// A temporary HOME and XDG_CONFIG_HOME, and stand-ins for zenity and xdg-open
// first on PATH. The dialog answers with the path in `answer` (absent:
// cancelled), a question with yes unless told no; while `hold` exists a
// dialog stays open. Each program records its last argument vector.
struct Desktop {
    std::string root = makeRoot();
    std::string home = root + "/home";
    std::string config = root + "/config";
    std::string bin = root + "/bin";
    std::string files = root + "/files/";
    ScopedEnv homeEnv{"HOME", home};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", config};
    ScopedEnv pathEnv{"PATH", bin + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "")};

    Desktop() {
        for (const auto& d : {home, config, bin, files})
            std::filesystem::create_directories(d);
        script("zenity", "printf '%s\\0' \"$@\" > '" + root + "/zenity.args'\necho >> '" + root +
                             "/zenity.calls'\nwhile [ -f '" + root +
                             "/hold' ]; do sleep 0.01; done\n[ \"$1\" = --warning ] && exit 0\n"
                             "[ \"$1\" = --question ] && exit $(cat '" +
                             root + "/no' 2>/dev/null || echo 0)\n[ -f '" + root +
                             "/answer' ] || exit 1\ncat '" + root + "/answer'\necho\n");
        script("xdg-open", "printf '%s\\0' \"$@\" > '" + root + "/open.args'\nexit $(cat '" + root +
                               "/open.status' 2>/dev/null || echo 0)\n");
    }
    ~Desktop() {
        std::error_code ec;
        for (auto& e : std::filesystem::recursive_directory_iterator(root, ec))
            if (e.is_directory())
                std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root, ec);
    }
    static std::string makeRoot() {
        char tmpl[] = "/tmp/dravo-presetbar-XXXXXX";
        return mkdtemp(tmpl);
    }
    void script(const std::string& name, const std::string& body) {
        writeFile(bin + "/" + name, "#!/bin/sh\n" + body);
        chmod((bin + "/" + name).c_str(), 0755);
    }
    // The next dialog chooses path; an empty path cancels it.
    void choose(const std::string& path) {
        if (path.empty())
            std::filesystem::remove(root + "/answer");
        else
            writeFile(root + "/answer", path);
    }
    // The last argument vector of program ("zenity" or "open").
    std::vector<std::string> args(const std::string& program) {
        std::string all = readFile(root + "/" + program + ".args");
        std::vector<std::string> out;
        size_t pos = 0;
        for (size_t end; (end = all.find('\0', pos)) != std::string::npos; pos = end + 1)
            out.push_back(all.substr(pos, end - pos));
        return out;
    }
    bool zenityArg(const std::string& arg) {
        for (const auto& a : args("zenity"))
            if (a == arg) return true;
        return false;
    }
    size_t dialogCalls() { return readFile(root + "/zenity.calls").size(); }
    // Dialogs stay open from now on until release().
    void hold() { writeFile(root + "/hold", ""); }
    void release() { std::filesystem::remove(root + "/hold"); }
    // The next questions are answered no (or yes again).
    void answerNo(bool no) {
        if (no)
            writeFile(root + "/no", "1");
        else
            std::filesystem::remove(root + "/no");
    }
};

// What the bar asks of the plug-in, answered from a test store the way a
// plug-in face answers it: a preset change replays the preset into the store.
class StoreController : public dravo::EditController {
  public:
    explicit StoreController(TestStore& store) : store(store) {}
    float parameter(dravo::Param p) const override { return store.getParameter(dravo::index(p)); }
    void beginEdit(dravo::Param) override {}
    void performEdit(dravo::Param p, float v) override { store.setParameter(dravo::index(p), v); }
    void endEdit(dravo::Param) override {}
    const PresetRecord& preset(int n) const override { return store.getPresets()[n]; }
    int currentPreset() const override { return store.getPresetNo(); }
    const PresetRecord& blankPreset() const override { return store.getDefaultRecord(); }
    void selectPreset(int n) override { store.setPresetNo(n); }
    void renamePreset(const char* name) override { store.setPresetName(name); }
    void replacePreset(const PresetRecord& record) override {
        store.programStore().replaceCurrent(record);
    }
    void replaceBank(const Bank& bank) override { store.programStore().replaceBank(bank); }
    float takePeak() override { return 0; }
    double latencySamples() const override { return 46; }
    double sampleRate() const override { return 44100; }
    bool requestSize(int, int) override { return true; }
    void deliverChanges(dravo::EditListener&) override {}

  private:
    TestStore& store;
};

// The preset bar on a headless frame of the background's size.
class BarEditor : public VSTGUIEditorInterface {
  public:
    explicit BarEditor(dravo::EditController& controller)
        : bar(controller, "org.example.presetbar-test", {}) {}
    ~BarEditor() override { close(); }
    bool open() {
        CBitmap* bg = new CBitmap(11500);
        frame = new CFrame(CRect(0, 0, 940, 248), this);
        frame->setBackground(bg);
        bg->forget();
        bar.open(frame);
        return true;
    }
    void close() {
        bar.close();
        CFrame* old = frame;
        frame = nullptr;
        if (old) old->close();
    }
    void idle() {
        bar.idle();
        if (frame) frame->idle();
    }
    bool isDialogOpen() const { return bar.isDialogOpen(); }
    CControl* barControl(int tag) const { return bar.control(tag); }
    void valueChanged(CControl* control) { bar.valueChanged(control); }
    std::string getCurrentDir() const { return bar.paths().folder; }
    std::string getCurrentBankFile() const { return bar.paths().bankFile; }
    std::string getCurrentPresetFile() const { return bar.paths().presetFile; }
    // Idles until no dialog is open and every program started is reaped.
    void settle() {
        EXPECT_TRUE(idleUntil([this] { idle(); },
                              [this] { return !isDialogOpen() && childProcesses().empty(); }));
    }
    // A press and release at the centre of the bar's control of tag, then
    // the host idles until what the click started has ended.
    void click(int tag, int32_t buttons = kLButton) {
        press(tag, buttons);
        settle();
    }
    void press(int tag, int32_t buttons = kLButton) {
        for (const presetbar::Item& item : presetbar::kItems)
            if (item.tag == tag) {
                CPoint p = CRect(item.left, item.top, item.right, item.bottom).getCenter();
                frame->onMouseDown(p, CButtonState(buttons));
                p = CRect(item.left, item.top, item.right, item.bottom).getCenter();
                frame->onMouseUp(p, CButtonState(buttons & ~kDoubleClick));
            }
    }

    dravo::PresetBar bar;
};

// A store with the preset bar, started as the plug-in starts (the user's
// stored defaults applied); the bar is open unless told otherwise.
struct Instance {
    TestStore store;
    StoreController controller{store};
    BarEditor editor{controller};
    explicit Instance(bool open = true) {
        store.loadDefaults();
        Bank bank = store.programStore().snapshot();
        if (editor.bar.applyStoredDefaults(bank)) store.programStore().replaceBank(bank);
        store.setPresetNo(0);
        if (open) editor.open();
    }
    void set(int index, float v) { store.setParameter(index, v); }
};

} // namespace presettest
