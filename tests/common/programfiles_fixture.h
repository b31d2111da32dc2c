// Program files ("Options.ini", the icons, ...) in a temporary folder of a test's own, and the
// source tree for the files the program ships.
#pragma once

#include <filesystem>
#include <string>

#include "common/programfiles.h"
#include "testutil.h"

namespace commontest {

// The source tree, for the shipped program files under resources/.
inline std::string RepoDir() { return std::filesystem::path(VX_TESTS_DIR).parent_path().string(); }

// Program files in a temporary folder for the life of the object.
struct ProgramFilesHere {
    vxtest::TempDir dir;
    ProgramFilesHere() { vx::SetProgramFilesDir(dir.Root().string()); }
    ~ProgramFilesHere() { vx::SetProgramFilesDir(""); }
    void CopyIcons() {
        std::filesystem::copy(RepoDir() + "/resources/programfiles/Icon", dir.Path("Icon"),
                              std::filesystem::copy_options::recursive);
    }
};

}  // namespace commontest
