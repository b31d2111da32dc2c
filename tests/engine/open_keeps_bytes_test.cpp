// Opening a table loses nothing: a missing memo file stays missing with every reference intact,
// a table that cannot be written opens read-only, a failed memo write keeps the old reference,
// and memo files of other tables are neither taken over nor replaced.
#include "dbftestutil.h"

#include <cstring>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbftest;
using vxtest::CopyFixture;
using vxtest::Fixture;
namespace fs = std::filesystem;

namespace {

// Runs `f` as a user that file permissions bind (a child process as "nobody" when the tests
// run as root, who may write any file) and returns its text.
std::string AsOrdinaryUser(const TempDir& dir, const std::function<std::string()>& f) {
    if (geteuid() != 0) return f();
    fs::permissions(dir.Root(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::string out = setgid(65534) == 0 && setuid(65534) == 0 ? f() : "setuid failed";
        (void)!write(fds[1], out.data(), out.size());
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return out;
}

}  // namespace

TEST(OpenKeepsBytes, MissingMemoFileIsNeitherCreatedNorUnlinked) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    const std::string memo = dir.Path("dbase_83_missing_memo.dbt");
    const std::string before = ReadAll(table);
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly);
        Opened t(table, readOnly);
        EXPECT_TRUE(t.Dbf.GetReadOnly() == readOnly && !t.Dbf.GetMemoOpened() && t.Dbf.GetMemoMissing());
        WalkEverything(t.Dbf);
        std::string text = "x";
        t.Dbf.ReadMemoBlock(1, text);
        EXPECT_EQ(text, "");
        t.Dbf.Go(2);
        EXPECT_EQ(t.Memo("DESC"), "");
        const int32_t block = t.Dbf.FieldByName("DESC")->GetMemoBlock();
        ASSERT_NE(block, NoMemoBlock);
        // Memo edits are refused, naming the file; the unchanged (empty) text is no edit.
        EXPECT_EQ(ErrorOf([&] { t.Dbf.SetMemo("DESC", "new"); }),
                  table + " - The memo file " + memo + " is missing, so memo texts cannot be changed!");
        t.Dbf.SetMemo("DESC", "");
        EXPECT_EQ(t.Dbf.FieldByName("DESC")->GetMemoBlock(), block);
        if (readOnly) continue;
        t.Dbf.Edit();
        t.Dbf.Post();
        EXPECT_NE(ErrorOf([&] { t.Dbf.AddField("MORE", 'M', 10, 0, ""); }).find("is missing"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(table), before);
    EXPECT_EQ(Snapshot(dir).size(), 1u);
    // Put back, the memo file finds every link as it was; reading through changes neither file.
    fs::copy_file(Fixture("dbase_83.dbt"), memo);
    const auto files = Snapshot(dir);
    Opened t(table);
    WalkEverything(t.Dbf);
    t.Dbf.Go(1);
    EXPECT_FALSE(t.Memo("DESC").empty());
    EXPECT_EQ(Snapshot(dir), files);
}

TEST(OpenKeepsBytes, TableOrMemoThatCannotBeWrittenOpensReadOnly) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    const std::string memo = CopyFixture(dir, "foxprodb/calls.FPT");
    const auto files = Snapshot(dir);
    const auto attempt = [&] {
        TDBF dbf;
        dbf.SetFileName(table);
        std::string out = ErrorOf([&] { dbf.Open(); });
        out += dbf.GetReadOnly() ? " read-only" : " writable";
        out += dbf.GetMemoOpened() ? " memo" : " no memo";
        out += " | " + ErrorOf([&] { dbf.Go(1), dbf.SetDeleted(true); });
        out += " | " + ErrorOf([&] { dbf.Edit(), dbf.SetMemo("NOTES", "x"); });
        return out;
    };
    const std::string refused = table + " - The file is opened read-only!";
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms writable = readable | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const auto& [tableMode, memoMode] : {std::pair{readable, writable}, std::pair{writable, readable}}) {
        fs::permissions(table, tableMode);
        fs::permissions(memo, memoMode);
        EXPECT_EQ(AsOrdinaryUser(dir, attempt), "(none) read-only memo | " + refused + " | " + refused);
    }
    fs::permissions(table, fs::perms::none);
    EXPECT_NE(AsOrdinaryUser(dir, attempt).substr(0, 6), "(none)");  // unreadable: an error
    fs::permissions(table, writable);
    EXPECT_EQ(Snapshot(dir), files);
}

TEST(OpenKeepsBytes, FailedMemoWriteRaisesAndKeepsTheOldReference) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    const std::string memo = CopyFixture(dir, "foxprodb/calls.FPT");
    const std::string tableBefore = ReadAll(table), memoBefore = ReadAll(memo);
    {
        Opened t(table);
        const int32_t block = t.Dbf.FieldByName("NOTES")->GetMemoBlock();
        const std::string text = t.Memo("NOTES");
        ASSERT_NE(block, NoMemoBlock);
        t.Dbf.Edit();
        {
            TFileSizeLimit limit(memoBefore.size());  // a long text must go to new blocks: no room
            EXPECT_EQ(ErrorOf([&] { t.Dbf.SetMemo("NOTES", std::string(5000, 'x')); }),
                      table + " - Error in write memo!");
        }
        EXPECT_EQ(t.Dbf.FieldByName("NOTES")->GetMemoBlock(), block);
        t.Dbf.Post();
        EXPECT_EQ(t.Memo("NOTES"), text);
    }
    EXPECT_EQ(ReadAll(table), tableBefore);
    EXPECT_EQ(ReadAll(memo).substr(0, memoBefore.size()), memoBefore);
    Opened r(table, true);
    EXPECT_EQ(ErrorOf([&] { r.Dbf.SetMemo("NOTES", "x"); }), table + " - The file is opened read-only!");
}

TEST(OpenKeepsBytes, MemoFilesMatchExactNameFirstAndNeverAnotherTables) {
    struct Case {
        const char* What;
        std::vector<const char*> Files;  // beside "t.dbf" (a FoxPro table with a memo field)
        const char* Memo;                // the memo file it opens, or "" when it has none
    };
    const Case cases[] = {
        {"exact name over other letter cases", {"t.fpt", "t.FPT", "T.fpt"}, "t.fpt"},
        {"own name, other extension case", {"T.fpt", "t.FPT"}, "t.FPT"},
        {"another name case when nobody owns it", {"T.FPT"}, "T.FPT"},
        {"never the memo file of another table", {"T.DBF", "T.FPT"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TempDir dir;
        CreateTable(dir.Path("t.dbf"), 0xF5, {{"NOTE", 'M', 10}});
        fs::remove(dir.Path("t.fpt"));
        for (const char* f : c.Files) WriteAll(dir.Path(f), std::string(512, '\0'));
        Opened t(dir.Path("t.dbf"));
        EXPECT_EQ(t.Dbf.GetMemoMissing() ? "" : fs::path(t.Dbf.GetMemoFileName()).filename().string(), c.Memo);
    }
    // Creating makes a memo file of the exact name beside one in another letter case...
    TempDir dir;
    WriteAll(dir.Path("calls.FPT"), std::string(600, 'x'));
    CreateTable(dir.Path("calls.dbf"), 0x30, {{"NOTES", 'M', 4}});
    EXPECT_EQ(ReadAll(dir.Path("calls.fpt")).size(), 512u);
    EXPECT_EQ(ReadAll(dir.Path("calls.FPT")), std::string(600, 'x'));
    // ...and never replaces the memo file of a table whose name differs only in case.
    TempDir other;
    CreateTable(other.Path("CALLS.DBF"), 0xF5, {{"NOTE", 'M', 10}});
    fs::rename(other.Path("CALLS.fpt"), other.Path("calls.fpt"));  // its memo, found ignoring case
    const auto files = Snapshot(other);
    EXPECT_EQ(ErrorOf([&] { CreateTable(other.Path("calls.dbf"), 0xF5, {{"NOTE", 'M', 10}}); }),
              other.Path("calls.dbf") + " - The memo file " + other.Path("calls.fpt") + " belongs to another table!");
    EXPECT_EQ(Snapshot(other), files);
}

TEST(OpenKeepsBytes, ReadWriteOpenAndWalkOfRealTablesPaddedOrCutChangesNoByte) {
    for (const auto& e : fs::recursive_directory_iterator(vxtest::Fixture(""))) {
        if (e.path().extension() != ".dbf") continue;
        const std::string whole = ReadAll(e.path().string());
        const uint32_t count = uint8_t(whole[4]) | uint8_t(whole[5]) << 8 | uint8_t(whole[6]) << 16;
        const size_t hl = uint8_t(whole[8]) | uint8_t(whole[9]) << 8, rl = uint8_t(whole[10]) | uint8_t(whole[11]) << 8;
        // The table as it is, padded with end marks, and cut in the middle of its last record.
        const std::pair<std::string, uint32_t> variants[] = {
            {whole, count}, {whole + std::string(3 * rl + 7, '\x1A'), count},
            {whole.substr(0, std::min(whole.size(), hl + (count - 1) * rl + rl / 2)), count - 1}};
        for (const auto& [bytes, expected] : variants) {
            SCOPED_TRACE(e.path().string() + " " + std::to_string(bytes.size()));
            TempDir dir;
            for (const auto& memo : fs::directory_iterator(e.path().parent_path()))  // the memo file too
                if (memo.path().stem() == e.path().stem()) fs::copy_file(memo.path(), dir.Path(memo.path().filename()));
            const std::string path = dir.Path(e.path().filename().string());
            WriteAll(path, bytes);
            const auto files = Snapshot(dir);
            TDBF dbf;
            dbf.SetFileName(path);
            if (ErrorOf([&] { dbf.Open(); }) != "(none)") continue;  // the layouts refused
            EXPECT_EQ(std::pair(dbf.GetRecordCount(), dbf.GetShorterThanHeader()), std::pair(expected, expected < count));
            WalkEverything(dbf);
            std::string text;
            for (int i = 0; i < dbf.FieldCount; ++i)
                if (std::strchr("MGP", dbf.GetFieldType(i))) dbf.GetMemo(dbf.GetFieldName(i), text);
            dbf.Close();
            EXPECT_EQ(Snapshot(dir), files);
        }
    }
}
