// The program as it is started: a write past the process's file-size limit must fail like any
// other failed write, not end the program, so the program ignores the signal that would.
#include "testutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The signals the process ignores, from the system's view of it; 0 once it has gone.
unsigned long long IgnoredSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigIgn:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
    return 0;
}

}  // namespace

TEST(Startup, TheProgramIgnoresTheFileSizeSignal) {
    vxtest::TempDir home;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // As a shell starts it: the signal with its default action, which ends the process.
        ::signal(SIGXFSZ, SIG_DFL);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("HOME", home.Root().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", home.Root().c_str(), 1);
        ::execl(VX_PROGRAM, VX_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    const unsigned long long bit = 1ull << (SIGXFSZ - 1);
    bool ignored = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ignored && std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) break;  // it ended on its own
        ignored = (IgnoredSignals(pid) & bit) != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(ignored);
}
