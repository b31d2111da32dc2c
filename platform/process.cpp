#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vx {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Stops the program's whole session and reaps the program.
void KillGroup(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

TRunResult RunProgram(const std::vector<std::string>& argv, const TRunOptions& options) {
    TRunResult result;
    if (argv.empty()) return result;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return result;

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    const char* out = options.OutputFile.empty() ? "/dev/null" : options.OutputFile.c_str();
    posix_spawn_file_actions_addopen(&fa, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    if (!options.WorkDir.empty()) posix_spawn_file_actions_addchdir_np(&fa, options.WorkDir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A session of its own: the whole group can be stopped at once, and no terminal signal of
    // ours reaches it.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &fa, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return result;

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        // Looks without reaping, so that the program's number cannot be reused before its
        // session is cleared of anything it left running.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno != EINTR) {
            KillGroup(pid);
            result.Outcome = TRunResult::Signalled;
            return result;
        }
        if (info.si_pid == pid) {
            ::kill(-pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (WIFEXITED(status)) {
                result.Outcome = TRunResult::Exited;
                result.ExitCode = WEXITSTATUS(status);
            } else {
                result.Outcome = TRunResult::Signalled;
            }
            return result;
        }
        if (options.Stop && options.Stop()) {
            KillGroup(pid);
            result.Outcome = TRunResult::Stopped;
            return result;
        }
        if (options.TimeLimitMs > 0 &&
            Clock::now() - start >= std::chrono::milliseconds(options.TimeLimitMs)) {
            KillGroup(pid);
            result.Outcome = TRunResult::TimedOut;
            return result;
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(50)) pause *= 2;
    }
}

std::string MakeTempDir(const std::string& prefix) {
    std::error_code ec;
    std::string base = std::filesystem::temp_directory_path(ec).string();
    if (ec || base.empty()) base = "/tmp";
    std::string pattern = base + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

bool RemoveTree(const std::string& dir) {
    if (dir.empty()) return false;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return !ec;
}

}  // namespace vx
