// The tests' list of the programs the plug-in started: a process that ends
// while the list is read counts as gone.
#include "PresetBarTestSupport.h"

#include <csignal>
#include <sys/wait.h>

#include <algorithm>

using namespace presettest;

TEST(ChildProcesses, OneThatEndsWhileItsStatusIsReadCountsAsGone) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setpgid(0, 0);
        pause();
        _exit(0);
    }
    setpgid(child, child); // in its own group before either side goes on
    const std::vector<int> before = childProcesses();
    EXPECT_NE(std::find(before.begin(), before.end(), child), before.end());

    // Listed, opened, then gone before the read.
    const int fd = ::open(("/proc/" + std::to_string(child) + "/stat").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_EQ(readProcFile(fd), "");
    ::close(fd);
    EXPECT_EQ(procStat(child), "");
    const std::vector<int> after = childProcesses();
    EXPECT_EQ(std::find(after.begin(), after.end(), child), after.end());
}
