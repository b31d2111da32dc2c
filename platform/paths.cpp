#include "platform/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vx {

std::string ProgramDir() {
    char buf[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return "./";
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.rfind('/');
    return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::string UserConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg == '/') base = xdg;
    else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.config";
    }
    if (base.back() != '/') base += '/';
    return base + "vellibrox/";
}

bool DirWritable(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

bool MakeDirs(const std::string& dir) {
    std::string cur;
    for (size_t i = 0; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            if (!cur.empty()) {
                if (::mkdir(cur.c_str(), 0777) != 0 && errno != EEXIST) return false;
            }
        }
        if (i < dir.size()) cur += dir[i];
    }
    struct stat st{};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TShellOpen::TShellOpen(const std::string& target) {
    const char* argv[] = {"xdg-open", target.c_str(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int r = posix_spawnp(&pid, "xdg-open", &fa, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (r != 0) return;
    Pid = pid;
    State = Running;
}

TShellOpen::~TShellOpen() {
    if (State != Running) return;
    // xdg-open may block for the life of the document's viewer: a detached thread reaps it, so
    // that no zombie is left behind and nobody waits on it.
    const pid_t pid = Pid;
    std::thread([pid] {
        int st = 0;
        while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

TShellOpen::TState TShellOpen::Poll() {
    if (State != Running) return State;
    int st = 0;
    pid_t r = ::waitpid(Pid, &st, WNOHANG);
    while (r < 0 && errno == EINTR) r = ::waitpid(Pid, &st, WNOHANG);
    if (r == 0) return State;
    // A handler reaped elsewhere (children ignored) has said nothing against it.
    if (r < 0) State = Opened;
    else State = WIFEXITED(st) && WEXITSTATUS(st) == 0 ? Opened : Failed;
    return State;
}

bool ShellOpen(const std::string& target) { return TShellOpen(target).Poll() != TShellOpen::Failed; }

}  // namespace vx
