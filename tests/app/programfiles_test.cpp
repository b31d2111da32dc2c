#include "app/programfiles.h"
#include "platform/paths.h"

#include "testutil.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace fs = std::filesystem;

TEST(ProgramFiles, BesideTheProgramOnlyWhenItsFolderAndSettingsCanBeWritten) {
    // A writable folder whose settings file is read-only would still lose the settings.
    for (auto [readOnly, chosen] : {std::pair{"", "/opt/vx/"}, {"/opt/vx/", "/u/"}, {"/opt/vx/Options.ini", "/u/"}})
        EXPECT_EQ(vx::ChooseProgramFilesDir("/opt/vx/", "/u/", [&](const std::string& p) { return p != readOnly; }),
                  chosen);
}

TEST(ProgramFiles, UserFolderIsCreatedWithCopiesOfTheShippedFiles) {
    TempDir dir;
    std::string prog = dir.Path("prog") + "/";
    std::string user = dir.Path("home/.config/vellibrox") + "/";
    fs::create_directories(prog + "Icon");
    WriteAll(prog + "Tips.tip", "tip one\n");
    WriteAll(prog + "Icon/Question48.ico", "ICO");
    WriteAll(prog + "Options.ini", "[OTHER]\nHotTrack=1\n");  // left by an earlier run
    ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "tip one\n");
    EXPECT_EQ(ReadAll(user + "Icon/Question48.ico"), "ICO");
    EXPECT_EQ(ReadAll(user + "Options.ini"), "[OTHER]\nHotTrack=1\n");
    EXPECT_FALSE(fs::exists(user + "OldFiles.txt"));
    // The user's own copies are never replaced.
    WriteAll(user + "Tips.tip", "my tips\n");
    WriteAll(prog + "Options.ini", "[OTHER]\nHotTrack=0\n");
    WriteAll(prog + "Icon/Warnning48.ico", "W");
    ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "my tips\n");
    EXPECT_EQ(ReadAll(user + "Options.ini"), "[OTHER]\nHotTrack=1\n");
    EXPECT_EQ(ReadAll(user + "Icon/Warnning48.ico"), "W");
    // Nothing shipped: the folder is still made.
    std::string other = dir.Path("other") + "/";
    EXPECT_TRUE(vx::PrepareUserDir(dir.Path("none") + "/", other));
    EXPECT_TRUE(fs::is_directory(other));
}

TEST(ProgramFiles, ReadOnlyProgramFolderMovesTheFilesToTheUserFolder) {
    TempDir dir;
    std::string prog = dir.Path("prog") + "/";
    std::string user = dir.Path("cfg/vellibrox") + "/";
    fs::create_directories(prog);
    WriteAll(prog + "Tips.tip", "t\n");
    auto readOnlyProgram = [&](const std::string& p) { return p.rfind(prog, 0) != 0; };
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, user, readOnlyProgram), user);
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "t\n");
    // A user folder that cannot be made (a file is in its way) keeps the program's folder.
    WriteAll(dir.Path("blocked"), "");
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, dir.Path("blocked") + "/sub/", readOnlyProgram), prog);
    // Writable program folder: nothing is created elsewhere.
    std::string unused = dir.Path("unused") + "/";
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, unused, [](const std::string&) { return true; }), prog);
    EXPECT_FALSE(fs::exists(unused));
}

TEST(ProgramFiles, ReadOnlyFolderIsSeenAsNotWritable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    TempDir dir;
    std::string prog = dir.Path("ro") + "/";
    fs::create_directories(prog);
    ::chmod(prog.c_str(), 0555);
    EXPECT_FALSE(vx::DirWritable(prog));
    EXPECT_EQ(vx::ChooseProgramFilesDir(prog, "/u/", [](const std::string& p) {
                  return p.back() != '/' || vx::DirWritable(p);
              }),
              "/u/");
    ::chmod(prog.c_str(), 0755);
}

TEST(ProgramFiles, EveryPathFollowsTheOverride) {
    TempDir dir;
    vx::SetProgramFilesDir(dir.Root().string());
    const std::string d = dir.Root().string() + "/";
    for (const std::string& path : {vx::ProgramFilesDir(), vx::OptionsIniPath(), vx::RecentFilesPath(),
                                    vx::FindHistoryPath(), vx::TipsPath(), vx::IconDir()})
        EXPECT_EQ(path.rfind(d, 0), 0u) << path;
    vx::SetProgramFilesDir("");
}
