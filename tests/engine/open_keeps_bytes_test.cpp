// Opening a table loses nothing: a missing memo file stays missing with every reference intact,
// a table that cannot be written opens read-only, a failed memo write keeps the old reference,
// structure changes keep the bytes behind the terminator, new records leave null flags clear,
// memo files of other tables are neither taken over nor replaced, and headers that end with
// another byte than 0x0D open when everything else agrees.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
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

void SetMode(const std::string& path, fs::perms perms) { fs::permissions(path, perms, fs::perm_options::replace); }

// Every record with every memo read, as the row loader and the editors do.
void ReadAllRecords(TDBF& dbf) {
    for (uint32_t r = 1; r <= dbf.GetRecordCount(); ++r) {
        dbf.Go(r);
        for (int i = 0; i < dbf.FieldCount; ++i) {
            std::string text;
            if (dbf.GetFieldType(i) == 'M') dbf.GetMemo(dbf.GetFieldName(i), text);
            dbf.GetField(i)->GetAsString();
        }
    }
}

}  // namespace

TEST(OpenKeepsBytes, MissingMemoFileIsNeitherCreatedNorUnlinked) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    const std::string memo = dir.Path("dbase_83_missing_memo.dbt");
    const std::string before = ReadAll(table);
    {
        Opened t(table);
        EXPECT_TRUE(!t.Dbf.GetReadOnly() && !t.Dbf.GetMemoOpened() && t.Dbf.GetMemoMissing());
        ReadAllRecords(t.Dbf);
        t.Dbf.Go(2);
        const int32_t block = t.Dbf.FieldByName("DESC")->GetMemoBlock();
        // Memo edits are refused, naming the file; the unchanged (empty) text is no edit.
        t.Dbf.Edit();
        EXPECT_EQ(ErrorOf([&] { t.Dbf.SetMemo("DESC", "new"); }),
                  table + " - The memo file " + memo + " is missing, so memo texts cannot be changed!");
        t.Dbf.SetMemo("DESC", "");
        t.Dbf.Post();
        EXPECT_EQ(t.Dbf.FieldByName("DESC")->GetMemoBlock(), block);
        EXPECT_NE(ErrorOf([&] { t.Dbf.AddField("MORE", 'M', 10, 0, ""); }).find("is missing"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(table), before);
    EXPECT_EQ(Snapshot(dir).size(), 1u);
    // Put back, the memo file finds every link as it was; reading through changes neither file.
    fs::copy_file(Fixture("dbase_83.dbt"), memo);
    const auto files = Snapshot(dir);
    Opened t(table);
    ReadAllRecords(t.Dbf);
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
    SetMode(table, readable);
    SetMode(memo, writable);
    EXPECT_EQ(AsOrdinaryUser(dir, attempt), "(none) read-only memo | " + refused + " | " + refused);
    SetMode(table, writable);
    SetMode(memo, readable);
    EXPECT_EQ(AsOrdinaryUser(dir, attempt), "(none) read-only memo | " + refused + " | " + refused);
    SetMode(table, fs::perms::none);
    EXPECT_NE(AsOrdinaryUser(dir, attempt).substr(0, 6), "(none)");  // unreadable: an error
    SetMode(table, writable);
    EXPECT_EQ(Snapshot(dir), files);
}

TEST(OpenKeepsBytes, FailedMemoWriteRaisesAndKeepsTheOldReference) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    const std::string memo = CopyFixture(dir, "foxprodb/calls.FPT");
    const std::string tableBefore = ReadAll(table), memoBefore = ReadAll(memo);
    {
        Opened t(table);
        t.Dbf.Go(1);
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
    r.Dbf.Go(1);
    EXPECT_EQ(ErrorOf([&] { r.Dbf.SetMemo("NOTES", "x"); }), table + " - The file is opened read-only!");
}

TEST(OpenKeepsBytes, StructureChangeKeepsTheBacklinkArea) {
    TempDir dir;
    const std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    const std::string memo = CopyFixture(dir, "foxprodb/calls.FPT");
    std::string before = ReadAll(table);
    const std::string memoBefore = ReadAll(memo);
    Opened t(table);
    ASSERT_TRUE(t.Dbf.AddField("EXTRA", 'C', 5, 0, "ab"));
    EXPECT_EQ(ReadAll(table).substr(32 + 7 * 32 + 1, 263), before.substr(32 + 6 * 32 + 1, 263));
    const int32_t added[] = {6};
    ASSERT_TRUE(t.Dbf.RemoveFields(added, 1));
    // Back to the bytes it had, but for the end byte that a structure change does not write.
    ASSERT_EQ(before.back(), '\x1A');
    before.pop_back();
    EXPECT_EQ(ReadAll(table), before);
    EXPECT_EQ(ReadAll(memo), memoBefore);
}

TEST(OpenKeepsBytes, NewRecordGivesTheNullFlagsZeroBytes) {
    TempDir dir;
    const std::string table = dir.Path("n.dbf");
    CreateTable(table, 0x30, {{"NAME", 'C', 3}, {"_NullFlags", '0', 2}});
    Opened t(table);
    t.Dbf.Append();
    t.Dbf.Post();
    EXPECT_EQ(ReadAll(table).substr(HeaderLengthFor(0x30, 2)), std::string("    ") + std::string(2, '\0') + "\x1A");
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

    // Creating never replaces the memo file of a table whose name differs only in case.
    TempDir dir;
    CreateTable(dir.Path("CALLS.DBF"), 0xF5, {{"NOTE", 'M', 10}});
    fs::rename(dir.Path("CALLS.fpt"), dir.Path("calls.fpt"));  // its memo, found ignoring case
    const auto files = Snapshot(dir);
    TDBF dbf;
    dbf.SetFileName(dir.Path("calls.dbf"));
    dbf.AddFieldDef("NOTE", 'M', 0, 10, 0);
    dbf.SetHeader(0xF5, 24, 1, 1, 0, HeaderLengthFor(0xF5, 1), 11, 0, 0);
    EXPECT_EQ(ErrorOf([&] { dbf.CreateTable(); }),
              dir.Path("calls.dbf") + " - The memo file " + dir.Path("calls.fpt") + " belongs to another table!");
    EXPECT_EQ(Snapshot(dir), files);
}

TEST(OpenKeepsBytes, HeaderEndingInAnotherByteOpensWhenLengthsAgree) {
    for (const char* name : {"dbase_03_cyrillic.dbf", "cp1251.dbf"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string table = CopyFixture(dir, name);
        std::string bytes = ReadAll(table);
        const size_t end = 32 + 2 * 32;  // two fields; cp1251.dbf has the backlink area behind
        ASSERT_EQ(bytes[end], '\x0D');
        bytes[end] = '\x0A';
        WriteAll(table, bytes);
        Opened t(table), original(Fixture(name), true);
        ASSERT_EQ(t.Dbf.FieldCount, original.Dbf.FieldCount);
        EXPECT_EQ(t.Dbf.GetBacklink(), original.Dbf.GetBacklink());
        EXPECT_EQ(NamesOf(table), NamesOf(Fixture(name)));  // every record's first field
        t.Dbf.Go(2), original.Dbf.Go(2);
        EXPECT_EQ(t.Dbf.GetField(1)->GetAsString(), original.Dbf.GetField(1)->GetAsString());
        EXPECT_EQ(ReadAll(table), bytes);
    }
}
