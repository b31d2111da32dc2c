// Helpers shared by the test executables: temporary folders and whole-file byte access.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vxtest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vxtest-XXXXXX").string();
        char* p = ::mkdtemp(tmpl.data());
        Dir = p ? std::filesystem::path(p) : std::filesystem::path();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    const std::filesystem::path& Root() const { return Dir; }

private:
    std::filesystem::path Dir;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Fixture(const std::string& name) { return std::string(VX_FIXTURES) + "/" + name; }

// Copies a fixture (and nothing else) into `dir` and returns the copy's path.
inline std::string CopyFixture(const TempDir& dir, const std::string& name) {
    std::string to = dir.Path(std::filesystem::path(name).filename().string());
    std::filesystem::copy_file(Fixture(name), to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return to;
}

}  // namespace vxtest
