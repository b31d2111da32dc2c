#include "common/programfiles.h"

#include "platform/filestream.h"
#include "platform/paths.h"

#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

std::mutex DirLock;
std::string CurrentDir;  // empty until decided

std::string WithSlash(std::string dir) {
    if (dir.empty()) return "./";
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool Exists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

bool Writable(const std::string& path) {
    if (!Exists(path)) return true;
    return ::access(path.c_str(), W_OK) == 0;
}

std::string Decide() {
    std::string programDir = WithSlash(ProgramDir());
    std::string userDir = WithSlash(UserConfigDir());
    return ResolveProgramFilesDir(programDir, userDir, [](const std::string& path) {
        return path.back() == '/' ? DirWritable(path) : Writable(path);
    });
}

}  // namespace

std::string ChooseProgramFilesDir(const std::string& programDir, const std::string& userDir,
                                  const std::function<bool(const std::string& path)>& writable) {
    if (writable(programDir) && writable(programDir + OptionsFileName)) return programDir;
    return userDir;
}

std::string ResolveProgramFilesDir(const std::string& programDir, const std::string& userDir,
                                   const std::function<bool(const std::string& path)>& writable) {
    std::string dir = ChooseProgramFilesDir(programDir, userDir, writable);
    if (dir == userDir && !PrepareUserDir(programDir, userDir)) return programDir;
    return dir;
}

bool PrepareUserDir(const std::string& programDir, const std::string& userDir) {
    namespace fs = std::filesystem;
    if (!MakeDirs(userDir)) return false;
    std::error_code ec;
    // The shipped tips, and whatever settings and lists an earlier run left beside the program
    // (a settings file that has become read-only still holds the user's choices).
    // Each copy is written whole under a temporary name and then renamed: a copy that fails
    // (a full disk) leaves no file, so the next start copies it again.
    for (const char* name : {TipsFileName, OptionsFileName, RecentFilesFileName, FindHistoryFileName}) {
        std::string from = programDir + name;
        if (Exists(from) && !Exists(userDir + name)) CopyFileAtomic(from, userDir + name);
    }
    const fs::path icons = programDir + IconFolderName;
    if (fs::is_directory(icons, ec)) {
        const fs::path to = userDir + IconFolderName;
        fs::create_directories(to, ec);
        for (fs::recursive_directory_iterator it(icons, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path target = to / fs::relative(it->path(), icons);
            if (it->is_directory(ec)) fs::create_directories(target, ec);
            else if (it->is_regular_file(ec) && !Exists(target.string()))
                CopyFileAtomic(it->path().string(), target.string());
            ec.clear();
        }
    }
    return true;
}

std::string ProgramFilesDir() {
    std::lock_guard<std::mutex> g(DirLock);
    if (CurrentDir.empty()) CurrentDir = Decide();
    return CurrentDir;
}

void SetProgramFilesDir(const std::string& dir) {
    std::lock_guard<std::mutex> g(DirLock);
    CurrentDir = dir.empty() ? std::string() : WithSlash(dir);
}

std::string ProgramFilePath(const std::string& name) { return ProgramFilesDir() + name; }
std::string OptionsIniPath() { return ProgramFilePath(OptionsFileName); }
std::string RecentFilesPath() { return ProgramFilePath(RecentFilesFileName); }
std::string FindHistoryPath() { return ProgramFilePath(FindHistoryFileName); }
std::string TipsPath() { return ProgramFilePath(TipsFileName); }
std::string IconDir() { return ProgramFilePath(std::string(IconFolderName) + "/"); }

std::string HelpFilePath() {
    std::string dir = ProgramFilesDir();
    std::string beside = WithSlash(ProgramDir()) + HelpFileName;
    std::string here = dir + HelpFileName;
    if (!Exists(here) && Exists(beside)) return beside;
    return here;
}

std::string ExportFilesDir() { return ProgramFilesDir() + ExportFolderName + "/"; }

}  // namespace vx
