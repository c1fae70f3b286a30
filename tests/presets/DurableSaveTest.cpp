// A saved file is on disk before it replaces the old one: the test stands in
// for fsync and rename (the executable's own definitions take the library's
// calls) and records what each one saw.
#include "PresetBarTestSupport.h"

#include <fcntl.h>
#include <sys/syscall.h>

using namespace dravo;

using namespace presettest;

namespace {

struct Event {
    std::string what, path; // "sync" of path (its size then), or "rename" to path
    long long size = -1;
    std::string from;
};
bool recording = false;
std::vector<Event> events;

std::string pathOfFd(int fd) {
    char buf[4096];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, (size_t)n) : std::string();
}

} // namespace

extern "C" int fsync(int fd) {
    if (recording) {
        struct stat st;
        fstat(fd, &st);
        events.push_back(
            {"sync", pathOfFd(fd), S_ISREG(st.st_mode) ? (long long)st.st_size : -1, ""});
    }
    return (int)syscall(SYS_fsync, fd);
}

extern "C" int rename(const char* from, const char* to) {
    if (recording) events.push_back({"rename", to, -1, from});
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

// The temporary holding all the bytes is synced, then renamed over the file.
TEST(PresetFiles, ASavedFileIsSyncedBeforeItReplacesTheOldOne) {
    Desktop d;
    Instance in;
    const std::string path = d.files + "bank.kab";
    writeFile(path, "old");
    d.choose(path);
    events.clear();
    recording = true;
    in.editor.click(presetbar::kTagSaveBank);
    recording = false;
    const std::string saved = readFile(path);
    ASSERT_EQ(saved.size(), 23449u);
    auto renamed = std::find_if(events.begin(), events.end(), [&](const Event& e) {
        return e.what == "rename" && e.path == path;
    });
    ASSERT_NE(renamed, events.end());
    const std::string temp = renamed->from;
    EXPECT_NE(temp, path);
    auto synced = std::find_if(events.begin(), renamed, [&](const Event& e) {
        return e.what == "sync" && e.path == temp && e.size == (long long)saved.size();
    });
    EXPECT_NE(synced, renamed) << "the whole temporary is synced before the rename";
}
