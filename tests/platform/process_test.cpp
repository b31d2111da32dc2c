// Running a program under a time limit: its exit code and output, a missing program, and
// stopping it with everything it started.
#include "platform/process.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Running, not merely waiting to be reaped (a parent that is gone leaves that to init).
bool Alive(pid_t pid) {
    if (pid <= 0 || ::kill(pid, 0) != 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

}  // namespace

TEST(RunProgram, ExitCodesOutputMissingProgramsLimitsAndStops) {
    vxtest::TempDir dir;
    vx::TRunOptions o;
    o.OutputFile = dir.Path("out.txt");
    o.WorkDir = dir.Root().string();
    vx::TRunResult r = vx::RunProgram({"sh", "-c", "pwd; echo err >&2; exit 7"}, o);
    EXPECT_EQ(r.Outcome, vx::TRunResult::Exited);
    EXPECT_EQ(r.ExitCode, 7);
    EXPECT_EQ(vxtest::ReadAll(dir.Path("out.txt")), dir.Root().string() + "\nerr\n");
    EXPECT_EQ(vx::RunProgram({"/nonexistent/program"}, o).Outcome, vx::TRunResult::NotStarted);
    EXPECT_EQ(vx::FindProgram("no-such-program-anywhere"), "");

    // The program starts a second one in the background; both would sleep for a minute.
    vx::TRunOptions limited;
    limited.TimeLimitMs = 200;
    const std::string script = "sleep 60 & echo $! > " + dir.Path("child.pid") + "; sleep 60";
    EXPECT_EQ(vx::RunProgram({"sh", "-c", script}, limited).Outcome, vx::TRunResult::TimedOut);
    pid_t child = 0;
    std::ifstream(dir.Path("child.pid")) >> child;
    EXPECT_GT(child, 0);
    // A killed process takes a moment to go.
    for (int i = 0; i < 200 && Alive(child); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(Alive(child));

    int asked = 0;
    vx::TRunOptions stopped;
    stopped.Stop = [&] { return ++asked > 3; };
    EXPECT_EQ(vx::RunProgram({"sh", "-c", "sleep 60"}, stopped).Outcome, vx::TRunResult::Stopped);
}
