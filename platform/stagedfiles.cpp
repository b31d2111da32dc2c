#include "platform/stagedfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vx {

namespace {

bool Present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// An unused name beside `path` for keeping it aside.
std::string AsideName(const std::string& path) {
    std::string name = path + ".vxold";
    for (int n = 2; Present(name); ++n) name = path + ".vxold" + std::to_string(n);
    return name;
}

struct TMoved {
    std::string Staged, Placed, Aside;  // Aside: the file that was at Placed, or empty
};

// Puts back what the moves did, the last first.
void Undo(const std::vector<TMoved>& moved) {
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        ::rename(it->Placed.c_str(), it->Staged.c_str());
        if (!it->Aside.empty()) ::rename(it->Aside.c_str(), it->Placed.c_str());
    }
}

}  // namespace

TStagedFiles::TStagedFiles(const std::string& target) : TargetPath(target) {
    const fs::path p(target);
    std::string tmpl = (p.has_parent_path() ? p.parent_path().string() + "/" : std::string()) + ".vxnew-XXXXXX";
    if (p.filename().empty() || !::mkdtemp(tmpl.data())) {
        Failure = "Cannot open file \"" + target + "\". " + std::strerror(p.filename().empty() ? EISDIR : errno);
        return;
    }
    Dir = p.has_parent_path() ? p.parent_path().string() + "/" : std::string();
    Folder = tmpl + "/";
    Staged = Folder + p.filename().string();
}

TStagedFiles::~TStagedFiles() {
    if (Folder.empty()) return;
    std::error_code ec;
    fs::remove_all(Folder, ec);
}

namespace {

// Removes the file's name at once; the file itself, whose pages the system may take a while to
// let go of when it is large, goes on a thread of its own, which holds it open until then.
void RemoveInBackground(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    ::unlink(path.c_str());
    if (fd < 0) return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

}  // namespace

std::string TStagedFiles::Commit() {
    if (Folder.empty()) return TargetPath;
    const std::string own = fs::path(Staged).filename().string();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(Folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name != own) names.push_back(name);
    }
    if (ec) return TargetPath;
    std::sort(names.begin(), names.end());
    if (Present(Staged)) names.push_back(own);

    std::vector<TMoved> moved;
    for (const std::string& name : names) {
        TMoved m{Folder + name, Dir + name, {}};
        // A file of the name is put aside first, so that a failure further on can bring it
        // back; and no file is renamed over another, which would make the file system write
        // the new file out to the disk at once (as it does for a file replaced that way).
        struct stat st {};
        if (::lstat(m.Placed.c_str(), &st) == 0) {
            m.Aside = AsideName(m.Placed);
            // A folder where the file goes is no file to replace.
            if (S_ISDIR(st.st_mode) || ::rename(m.Placed.c_str(), m.Aside.c_str()) != 0) {
                Undo(moved);
                return m.Placed;
            }
        }
        if (::rename(m.Staged.c_str(), m.Placed.c_str()) != 0) {
            if (!m.Aside.empty()) ::rename(m.Aside.c_str(), m.Placed.c_str());
            Undo(moved);
            return m.Placed;
        }
        moved.push_back(std::move(m));
    }
    for (const TMoved& m : moved)
        if (!m.Aside.empty()) RemoveInBackground(m.Aside);
    return {};
}

std::string TStagedFiles::Unstaged(const std::string& text) const {
    if (Folder.empty()) return text;
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(Folder, from)) != std::string::npos; from = at + Folder.size())
        out.append(text, from, at - from).append(Dir);
    return out.append(text, from, std::string::npos);
}

}  // namespace vx
