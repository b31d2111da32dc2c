// Files that replace others only when whole: staged beside their place and moved there by one
// commit, which puts back what it had moved when a file cannot be replaced; copies written
// whole under a temporary name; and writes past the file-size limit once its signal is ignored.
#include "platform/filestream.h"
#include "platform/stagedfiles.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vx;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;
namespace fs = std::filesystem;

namespace {

// Every entry of the folder (folders too) and the bytes of its files.
std::map<std::string, std::string> Entries(const TempDir& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(dir.Root()))
        out[e.path().filename().string()] = e.is_directory() ? "<folder>" : ReadAll(e.path().string());
    return out;
}

// The table "t.dbf" and its memo file as they were, and another table's memo file.
void OldFiles(const TempDir& dir) {
    WriteAll(dir.Path("t.dbf"), "old table");
    WriteAll(dir.Path("t.fpt"), "old memo");
    WriteAll(dir.Path("T.FPT"), "another table's memo");
}

// Stages a new table and memo file for "t.dbf".
void StageNew(const TStagedFiles& s) {
    WriteAll(s.Path(), "new table");
    WriteAll((fs::path(s.Path()).parent_path() / "t.fpt").string(), "new memo");
}

}  // namespace

TEST(StagedFiles, CommitPutsEveryFileInPlaceAndLeavesNothingElse) {
    TempDir dir;
    OldFiles(dir);
    {
        TStagedFiles s(dir.Path("t.dbf"));
        ASSERT_TRUE(s.Ready());
        EXPECT_EQ(fs::path(s.Path()).filename(), "t.dbf");
        EXPECT_EQ(fs::path(s.Path()).parent_path().parent_path(), dir.Root());
        StageNew(s);
        EXPECT_EQ(ReadAll(dir.Path("t.dbf")), "old table");  // nothing moves before the commit
        EXPECT_EQ(s.Commit(), "");
    }
    EXPECT_EQ(Entries(dir), (std::map<std::string, std::string>{
                                {"t.dbf", "new table"}, {"t.fpt", "new memo"}, {"T.FPT", "another table's memo"}}));
}

TEST(StagedFiles, WhatCannotBeReplacedOrIsNotCommittedLeavesTheOldFiles) {
    TempDir dir;
    OldFiles(dir);
    const auto before = Entries(dir);
    {  // never committed
        TStagedFiles s(dir.Path("t.dbf"));
        StageNew(s);
    }
    EXPECT_EQ(Entries(dir), before);
    // A folder where the memo file goes, then where the table goes (the memo file already
    // moved in goes back).
    for (const char* blocked : {"t.fpt", "t.dbf"}) {
        fs::rename(dir.Path(blocked), dir.Path("aside"));
        fs::create_directory(dir.Path(blocked));
        const auto blockedBefore = Entries(dir);
        {
            TStagedFiles s(dir.Path("t.dbf"));
            StageNew(s);
            EXPECT_EQ(s.Commit(), dir.Path(blocked));
            EXPECT_EQ(ReadAll(s.Path()), "new table");  // still staged
            EXPECT_EQ(Entries(dir).size(), blockedBefore.size() + 1);
        }
        EXPECT_EQ(Entries(dir), blockedBefore);
        fs::remove(dir.Path(blocked));
        fs::rename(dir.Path("aside"), dir.Path(blocked));
    }
    EXPECT_EQ(Entries(dir), before);
    // No folder to stage in.
    TStagedFiles none(dir.Path("missing/t.dbf"));
    EXPECT_FALSE(none.Ready());
    EXPECT_EQ(none.FailureText(), "Cannot open file \"" + dir.Path("missing/t.dbf") + "\". No such file or directory");
    EXPECT_EQ(none.Path(), "");
    EXPECT_EQ(none.Commit(), dir.Path("missing/t.dbf"));
}

TEST(StagedFiles, MessagesNameTheFilesByTheirPlace) {
    TempDir dir;
    TStagedFiles s(dir.Path("out.dbf"));
    const std::string folder = fs::path(s.Path()).parent_path().string();
    EXPECT_EQ(s.Unstaged(s.Path() + " - Error in write DBF!"), dir.Path("out.dbf") + " - Error in write DBF!");
    EXPECT_EQ(s.Unstaged("The memo file " + folder + "/out.fpt of " + s.Path() + "."),
              "The memo file " + dir.Path("out.fpt") + " of " + dir.Path("out.dbf") + ".");
    EXPECT_EQ(s.Unstaged("no file named"), "no file named");
}

TEST(FileStream, AtomicCopyIsWholeOrNothing) {
    TempDir dir;
    const std::string from = dir.Path("Options.ini"), to = dir.Path("copy.ini");
    WriteAll(from, std::string(5000, 'o'));
    ::chmod(from.c_str(), 0444);
    {
        struct rlimit old {}, small {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        auto* was = ::signal(SIGXFSZ, SIG_IGN);
        small = old;
        small.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        EXPECT_FALSE(CopyFileAtomic(from, to));
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, was);
    }
    EXPECT_EQ(Entries(dir).size(), 1u);  // neither the copy nor a temporary file
    ASSERT_TRUE(CopyFileAtomic(from, to));
    EXPECT_EQ(ReadAll(to), std::string(5000, 'o'));
    struct stat st {};
    ::stat(to.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0644u);  // a settings file the program can write again
    // No pipe, folder or missing file is copied, and a pipe holds nothing up.
    ASSERT_EQ(::mkfifo(dir.Path("fifo").c_str(), 0644), 0);
    for (const char* name : {"fifo", "missing", ""}) EXPECT_FALSE(CopyFileAtomic(dir.Path(name), dir.Path("x")));
    EXPECT_FALSE(fs::exists(dir.Path("x")));
}

TEST(FileStream, AWritePastTheSizeLimitFailsOnceItsSignalIsIgnored) {
    TempDir dir;
    const std::string path = dir.Path("big.bin");
    // In a child process, which the signal would end: with the signal as the shell leaves it,
    // and after IgnoreFileSizeSignal.
    auto run = [&](bool ignore) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::signal(SIGXFSZ, SIG_DFL);
            if (ignore) IgnoreFileSizeSignal();
            struct rlimit small {};
            ::getrlimit(RLIMIT_FSIZE, &small);
            small.rlim_cur = 100;
            ::setrlimit(RLIMIT_FSIZE, &small);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            char bytes[300] = {};
            const ssize_t first = ::write(fd, bytes, sizeof bytes);   // short: 100 bytes
            const ssize_t second = ::write(fd, bytes, sizeof bytes);  // fails
            ::_exit(first == 100 && second < 0 ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    };
    const int ignored = run(true);
    EXPECT_TRUE(WIFEXITED(ignored) && WEXITSTATUS(ignored) == 0) << ignored;
    const int killed = run(false);
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << killed;
}
