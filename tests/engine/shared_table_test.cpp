// Two processes on one table: an open while another appends, new memos of both, a structure
// change while the other keeps the table open, two edits of one record, and writes to a table
// whose file was deleted or replaced. The other process is a child of the test; where a race
// needs a window, it stops at a race point of the engine until the test lets it go.
#include "dbftestutil.h"
#include "engine/raceseam.h"

#include <cstring>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbftest;
namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process, which stops once at the point `stopAt` (a race point, or a
// StopHere of the body) until Resume. Finish returns what the body returned or raised.
class TOtherProcess {
public:
    explicit TOtherProcess(const std::function<std::string()>& body, const char* stopAt = "") : StopAt(stopAt) {
        if (pipe(Up) != 0 || pipe(Down) != 0 || (Child = fork()) < 0) throw std::runtime_error("no child");
        if (Child == 0) {
            Current = this;
            vx::RacePoint = &StopHere;
            const std::string error = ErrorOf([&] { Result = body(); });
            if (error != "(none)") Result = error;
            (void)!write(Up[1], Result.data(), Result.size());
            _exit(0);
        }
        close(Up[1]), close(Down[0]);
    }
    ~TOtherProcess() { Finish(); }
    static void StopHere(const char* point) {
        if (!Current || std::strcmp(point, Current->StopAt) != 0) return;
        Current->StopAt = "";
        char c = 'S';
        (void)!write(Current->Up[1], &c, 1), (void)!read(Current->Down[0], &c, 1);
    }
    bool WaitStopped() {
        char c = 0;
        return read(Up[0], &c, 1) == 1 && c == 'S';
    }
    void Resume() { (void)!write(Down[1], "G", 1); }
    std::string Finish() {
        if (Child <= 0) return Result;
        close(Down[1]);  // a child still stopped goes on
        char buf[512];
        for (ssize_t n; (n = read(Up[0], buf, sizeof buf)) > 0;) Result.append(buf, size_t(n));
        close(Up[0]), waitpid(Child, nullptr, 0);
        Child = 0;
        return Result;
    }

private:
    static inline TOtherProcess* Current = nullptr;
    const char* StopAt;
    int Up[2] = {-1, -1}, Down[2] = {-1, -1};
    pid_t Child = -1;
    std::string Result;
};

void PostName(TDBF& dbf, void (TDBF::*state)(), const std::string& name, int recNo = 0) {
    if (recNo) dbf.Go(recNo);
    (dbf.*state)();
    dbf.GetField(0)->SetAsString(name);
    dbf.Post();
}

}  // namespace

TEST(SharedTable, OpenTakesSizeAndCountTogetherSoThatAppendsAreNeverLost) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 3);
    Opened appender(path);
    appender.Dbf.SetLockTimeout(100);
    TOtherProcess opener([&] { return std::to_string(Opened(path).Dbf.GetRecordCount()); }, "open");
    ASSERT_TRUE(opener.WaitStopped());
    EXPECT_EQ(ErrorOf([&] { PostName(appender.Dbf, &TDBF::Append, "LATE"); }), path + "Lock failed.0");
    opener.Resume();
    EXPECT_EQ(opener.Finish(), "3");
    PostName(appender.Dbf, &TDBF::Append, "N4");
    EXPECT_EQ(NamesOf(path), "R1,R2,R3,N4,");
    EXPECT_EQ(ReadAll(path).substr(4, 4), LE32(4));
}

TEST(SharedTable, NewMemosOfTwoProcessesNeverShareABlock) {
    for (const uint8_t version : {uint8_t(0x30), uint8_t(0x83)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        const std::string path = dir.Path("m.dbf");
        CreateTable(path, version, {{"NAME", 'C', 10}, {"NOTE", 'M', uint8_t(version == 0x30 ? 4 : 10)}});
        Opened parent(path);
        for (int i = 0; i < 2; ++i) parent.Dbf.Append(), parent.Dbf.Post();
        const auto write = [](TDBF& dbf, int recNo, const std::string& text) {
            dbf.Go(recNo), dbf.Edit(), dbf.SetMemo("NOTE", text), dbf.Post();
        };
        TOtherProcess child(
            [&] {
                Opened t(path);
                return write(t.Dbf, 1, std::string(100, 'c')), "ok";
            },
            "memo-block");
        ASSERT_TRUE(child.WaitStopped());
        // The child holds the memo header from reading the next free block to writing it.
        parent.Dbf.SetLockTimeout(100);
        EXPECT_EQ(ErrorOf([&] { write(parent.Dbf, 2, "parent"); }), path + " - Error in write memo!");
        child.Resume();
        EXPECT_EQ(child.Finish(), "ok");
        write(parent.Dbf, 2, "parent");
        Opened check(path, true);
        check.Dbf.Go(1);
        EXPECT_EQ(check.Memo("NOTE"), std::string(100, 'c'));
        check.Dbf.Go(2);
        EXPECT_EQ(check.Memo("NOTE"), "parent");
        const int64_t blockSize = check.Dbf.GetMemoBlockSize();
        EXPECT_EQ(check.Dbf.GetMemoNextBlock(), (check.Dbf.GetMemoFileSize() + blockSize - 1) / blockSize);
    }
}

TEST(SharedTable, AStructureChangeHoldsTheLockAndTheOtherProcessThenWritesNothing) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 5);
    Opened a(path), b(path);
    a.Dbf.SetLockTimeout(100);
    b.Dbf.SetLockTimeout(100);
    a.Dbf.Go(2);
    a.Dbf.Edit();
    // Stopped with every record widened but the header not yet written: no append lands.
    TOtherProcess other(
        [&] {
            Opened t(path);
            t.Dbf.StructureFaultHook = [](const char* step, int64_t) { TOtherProcess::StopHere(step); };
            return t.Dbf.AddField("MORE", 'C', 5, 0, "x"), "added";
        },
        "append");
    ASSERT_TRUE(other.WaitStopped());
    EXPECT_EQ(ErrorOf([&] { b.Dbf.Append(), b.Dbf.Post(); }), path + "Lock failed.0");
    other.Resume();
    ASSERT_EQ(other.Finish(), "added");
    // The process that kept the table open writes nothing, whatever it does.
    const auto files = Snapshot(dir);
    const std::function<void()> commands[] = {
        [&] { a.Dbf.Post(); },
        [&] { a.Dbf.Append(), a.Dbf.Post(); },
        [&] { a.Dbf.Go(3); },
        [&] { a.Dbf.SetDeleted(true); },
        [&] { a.Dbf.SetAllDeleted(true); },
        [&] { a.Dbf.RemoveRecords({1}); },
        [&] { a.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(path.data()), 1); },
        [&] { a.Dbf.Zap(); },
        [&] { a.Dbf.AddField("OTHER", 'C', 3, 0, ""); },
    };
    for (const auto& command : commands) EXPECT_EQ(ErrorOf(command), EDBFStructureChanged::Text);
    EXPECT_TRUE(a.Dbf.GetStructureChanged());
    EXPECT_EQ(Snapshot(dir), files);
    a.Dbf.Close();
    a.Dbf.Open();
    EXPECT_EQ(ReadAll(path).size(), size_t(SmallHL + 32) + 5 * (SmallRL + 5));
    EXPECT_EQ(a.Dbf.GetField(4)->GetAsString(), "x    ");
    // A change that cannot have the lock does not start.
    Opened holder(path);
    ASSERT_TRUE(holder.Dbf.Lock(0));
    const int32_t first = 0;
    EXPECT_EQ(ErrorOf([&] { a.Dbf.AddField("LATE", 'C', 2, 0, ""); }) + ErrorOf([&] { a.Dbf.RemoveFields(&first, 1); }),
              path + "Lock failed.0" + path + "Lock failed.0");
    EXPECT_EQ(Snapshot(dir), files);
}

TEST(SharedTable, AnEditOfARecordAnotherProcessChangedIsRefused) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 3);
    Opened a(path);
    a.Dbf.Go(2);
    const std::string shown = a.Dbf.GetReadImage();
    EXPECT_EQ(shown, SmallRecord("R2"));
    TOtherProcess other([&] {
        Opened t(path);
        return PostName(t.Dbf, &TDBF::Edit, "OTHER", 2), "ok";
    });
    ASSERT_EQ(other.Finish(), "ok");
    const std::string theirs = ReadAll(path);
    a.Dbf.Edit();
    a.Dbf.GetField(1)->SetAsString("  1.00");
    EXPECT_EQ(ErrorOf([&] { a.Dbf.Post(); }), path + dbftext::RecordChanged);
    EXPECT_EQ(ReadAll(path), theirs);
    EXPECT_EQ(a.Dbf.GetField(1)->GetAsString(), "  1.00");  // the user's value stays
    // Read again it shows the other change; a caller that showed the old record learns so.
    a.Dbf.Go(2);
    EXPECT_EQ(ErrorOf([&] { a.Dbf.CheckRecordAsShown(shown); }), path + dbftext::RecordChanged);
    a.Dbf.CheckRecordAsShown(a.Dbf.GetReadImage());
    a.Dbf.SetDeleted(true);  // this table's own writes are no other program's change
    PostName(a.Dbf, &TDBF::Edit, "MINE");
    EXPECT_EQ(ReadAll(path).substr(SmallHL + SmallRL, SmallRL), SmallRecord("MINE", "      ", "        ", " ", '*'));
}

TEST(SharedTable, WritesToATableWhoseFileIsGoneOrReplacedAreRefused) {
    for (const int what : {0, 1, 2}) {  // the table deleted, the table replaced, the memo file replaced
        SCOPED_TRACE(what);
        TempDir dir;
        const std::string table = vxtest::CopyFixture(dir, "foxprodb/calls.dbf");
        const std::string memo = vxtest::CopyFixture(dir, "foxprodb/calls.FPT");
        Opened t(table);
        t.Dbf.Go(1);
        const std::string victim = what == 2 ? memo : table;
        if (what == 0) fs::remove(table);
        else fs::copy_file(victim, victim + ".new"), fs::rename(victim + ".new", victim);
        const auto files = Snapshot(dir);
        const std::string gone = what == 2   ? table + dbftext::MemoGoneBefore + memo + dbftext::MemoReplacedAfter
                                 : what == 1 ? table + dbftext::TableReplaced
                                             : table + dbftext::TableDeleted + dbftext::KeepMemoTexts;
        EXPECT_EQ(ErrorOf([&] { t.Dbf.Edit(), t.Dbf.SetMemo("NOTES", "new text"); }), gone);
        const std::function<void()> commands[] = {[&] { t.Dbf.Post(); }, [&] { t.Dbf.SetDeleted(true); },
                                                   [&] { t.Dbf.Append(), t.Dbf.Post(); },
                                                   [&] { t.Dbf.RemoveRecords({2}); }, [&] { t.Dbf.Zap(); },
                                                   [&] { t.Dbf.AddField("MORE", 'C', 2, 0, "x"); },
                                                   [&] {
                                                       const int32_t first[] = {0};
                                                       t.Dbf.RemoveFields(first, 1);
                                                   }};
        for (size_t i = 0; what != 2 && i < std::size(commands); ++i) EXPECT_EQ(ErrorOf(commands[i]), gone);
        EXPECT_EQ(Snapshot(dir), files);
    }
}

// Nothing at a file's path (deleted, or renamed away) and another file there (replaced) are
// told apart: a deleted file's text advises a copy, with Show Memo for a table with memo fields
// (whose texts the table still reads); a replaced file's advises opening the table again.
TEST(SharedTable, ADeletedFileAndAReplacedOneGetTheirOwnTexts) {
    using TChange = std::function<void(const std::string&)>;
    const std::pair<TChange, bool> changes[] = {  // the change, and whether nothing is left at the path
        {[](const std::string& f) { fs::remove(f); }, true},
        {[](const std::string& f) { fs::rename(f, f + ".away"); }, true},
        {[](const std::string& f) { fs::copy_file(f, f + ".new"), fs::rename(f + ".new", f); }, false},
        {[](const std::string& f) { const std::string b = ReadAll(f); fs::remove(f), WriteAll(f, b); }, false}};
    for (const int file : {0, 1, 2}) {  // the table with memos, its memo file, a table without memos
        for (const auto& [change, deleted] : changes) {
            SCOPED_TRACE(std::to_string(file) + (deleted ? " deleted" : " replaced"));
            TempDir dir;
            const std::string table = file == 2 ? MakeSmallTable(dir, 3) : vxtest::CopyFixture(dir, "foxprodb/calls.dbf");
            const std::string memo = file == 2 ? "" : vxtest::CopyFixture(dir, "foxprodb/calls.FPT");
            Opened t(table);
            std::string text, again;
            t.Dbf.Go(1);
            if (file != 2) t.Dbf.GetMemo("NOTES", text);
            EXPECT_EQ(t.Dbf.FilesNotInPlaceText() + std::to_string(text.empty()), file == 2 ? "1" : "0");
            change(file == 1 ? memo : table);
            const auto files = Snapshot(dir);
            const std::string keep = file == 2 ? "" : dbftext::KeepMemoTexts;
            const std::string expected =
                file == 1 ? table + dbftext::MemoGoneBefore + memo +
                                (deleted ? dbftext::MemoDeletedAfter + keep : dbftext::MemoReplacedAfter)
                          : table + (deleted ? dbftext::TableDeleted + keep : dbftext::TableReplaced);
            EXPECT_EQ(t.Dbf.FilesNotInPlaceText(), expected);
            EXPECT_EQ(t.Dbf.GetTableInPlace(), file == 1);
            EXPECT_EQ(ErrorOf([&] { file == 1 ? (t.Dbf.Edit(), t.Dbf.SetMemo("NOTES", "new")) : t.Dbf.SetDeleted(true); }),
                      expected);
            EXPECT_EQ(Snapshot(dir), files);
            t.Dbf.Go(1);  // what is shown can still be read whole, memo texts too, for the copy
            if (file != 2) t.Dbf.GetMemo("NOTES", again);
            EXPECT_EQ(again, text);
        }
    }
    TempDir dir;  // with both gone, the table's own file is told
    const std::string memo = vxtest::CopyFixture(dir, "foxprodb/calls.FPT");
    const std::string table = vxtest::CopyFixture(dir, "foxprodb/calls.dbf");
    Opened t(table);
    fs::remove(memo), fs::remove(table);
    EXPECT_EQ(ErrorOf([&] { t.Dbf.CheckFilesInPlace(); }), table + dbftext::TableDeleted + dbftext::KeepMemoTexts);
}
