// Records: navigation, the page cache, the file bytes of every edit state, deletion flags and
// packing, truncation and zapping, short writes, locking between two table objects, and
// random edits against a list of records.
#include "dbftestutil.h"

#include <chrono>
#include <cstdlib>

using namespace dbftest;

namespace {

constexpr uint16_t HL = SmallHL;
constexpr uint16_t RL = SmallRL;

std::string FirstField(TDBF& dbf) { return dbf.GetField(0)->GetAsTrimmedString(); }

// Enters an edit state, names the record and posts it.
void PostNamed(TDBF& dbf, void (TDBF::*state)(), const std::string& name) {
    (dbf.*state)();
    if (!name.empty()) dbf.GetField(0)->SetAsString(name);
    dbf.Post();
}

}  // namespace

TEST(DbfNavigation, GoMovesSetsBofAndEofAndSeesRecordsAppendedByAnotherObject) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 3);
    Opened t(path), writer(path);
    EXPECT_EQ(FirstField(t.Dbf), "R1");  // Open goes to record 1
    // Go, then the record number, Bof, Eof and first field it gives.
    const std::tuple<int64_t, int64_t, bool, bool, const char*> steps[] = {
        {4, 4, false, true, ""}, {0, 1, true, false, "R1"}, {3, 3, false, false, "R3"}};
    for (const auto& [go, recNo, bof, eof, name] : steps) {
        t.Dbf.Go(go);
        EXPECT_EQ(std::tuple(t.Dbf.GetCurrentRecNo(), t.Dbf.GetBof(), t.Dbf.GetEof(), FirstField(t.Dbf)),
                  std::tuple(recNo, bof, eof, std::string(name)));
    }
    PostNamed(writer.Dbf, &TDBF::Append, "NEW");
    t.Dbf.Go(4);  // not at the end before: the count is read again all the same
    EXPECT_FALSE(t.Dbf.GetEof());
    EXPECT_EQ(FirstField(t.Dbf), "NEW");
    Opened e(MakeSmallTable(dir, 0, "empty.dbf"));
    for (int64_t r : {0, 1}) {
        e.Dbf.Go(r);
        EXPECT_TRUE(e.Dbf.GetBof() && e.Dbf.GetEof()) << r;
    }
}

TEST(DbfNavigation, ReadRecordBeyondTheDataRestoresThePreviousRecordAndUnlocks) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::filesystem::resize_file(path, HL + 3 * RL - 5);  // record 3 is cut short: the count becomes 2
    Opened t(path);
    t.Dbf.Go(2);
    EXPECT_EQ(ErrorOf([&] { t.Dbf.ReadRecord(3); }), path + "Record number overstep range(3)");
    EXPECT_THROW(t.Dbf.ReadRecord(0), EDBFError);
    EXPECT_EQ(FirstField(t.Dbf), "R2");
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 2);
    Opened other(path);
    other.Dbf.SetLockTimeout(0);
    EXPECT_TRUE(other.Dbf.Lock(0));
}

TEST(DbfPages, PagesOfRecordsThroughTheCache) {
    TempDir dir;
    Opened t(MakeSmallTable(dir, 25));
    TDBF& dbf = t.Dbf;
    dbf.Go(7);
    dbf.AllocPage(10);
    EXPECT_EQ(dbf.ReadPage(2, 10), 10);
    dbf.SelectPageRecord(1);
    EXPECT_EQ(FirstField(dbf), "R11");
    EXPECT_EQ(dbf.ReadPage(3, 10), 5);
    dbf.SelectPageRecord(5);
    EXPECT_EQ(FirstField(dbf), "R25");
    EXPECT_EQ(dbf.GetCurrentRecNo(), 7);  // unchanged by the page
    for (int64_t page : {int64_t(4), int64_t(0), int64_t(1) << 50}) EXPECT_EQ(dbf.ReadPage(page, 10), 0);
    EXPECT_THROW(dbf.SelectPageRecord(11), EDBFError);
    EXPECT_THROW(dbf.SelectPageRecord(0), EDBFError);
    dbf.FreePage();
    EXPECT_THROW(dbf.SelectPageRecord(1), EDBFError);
}

TEST(DbfEdit, EachStateWritesExactlyItsBytes) {
    // From R1..R3 with record `At` current; the new or edited record is NEW with QTY 1.5.
    const std::string r1 = SmallRecord("R1"), r2 = SmallRecord("R2"), r3 = SmallRecord("R3"),
                      made = SmallRecord("NEW", "  1.50");
    struct Case {
        void (TDBF::*State)();
        int64_t At;
        std::string Records;
        int64_t RecNo;
    };
    const Case cases[] = {
        {&TDBF::Edit, 2, r1 + made + r3, 2},
        {&TDBF::Append, 2, r1 + r2 + r3 + made + "\x1A", 4},  // with the end byte
        {&TDBF::Insert, 1, made + r1 + r2 + r3, 1},            // no end byte after an insert
        {&TDBF::Insert, 3, r1 + r2 + made + r3, 3},
        {&TDBF::Insert, 4, r1 + r2 + r3 + made, 4},  // beyond the last: at the end
        {&TDBF::Delete, 2, r1 + r3, 2},
        {&TDBF::Delete, 3, r1 + r2, 2},  // the last: the current record number follows
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = MakeSmallTable(dir, 3);
        Opened t(path);
        t.Dbf.Go(c.At);
        (t.Dbf.*c.State)();
        if (c.State != &TDBF::Delete) t.Dbf.GetField(0)->SetAsString("NEW"), t.Dbf.GetField(1)->SetAsFloat(1.5);
        t.Dbf.Post();
        EXPECT_EQ(t.Dbf.GetState(), esBrowse);
        EXPECT_EQ(t.Dbf.GetCurrentRecNo(), c.RecNo) << c.At;
        EXPECT_EQ(ReadAll(path), ExpectedHeaderArea(0x03, SmallFields(), uint32_t(c.Records.size() / RL)) + c.Records)
            << c.At;
    }
}

TEST(DbfEdit, NewRecordsAreBlankFieldByFieldAndNeverBornDeleted) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 1);
    {
        Opened t(path);
        t.Dbf.SetDeleted(true);
        for (int i = 0; i < 2; ++i) {  // the second append writes over the first one's end byte
            t.Dbf.Append();
            EXPECT_FALSE(t.Dbf.GetDeleted());
            t.Dbf.Post();
        }
    }
    const std::string blank = SmallRecord("", "  0.00");
    EXPECT_EQ(ReadAll(path), ExpectedHeaderArea(0x03, SmallFields(), 3) + SmallRecord("R1", "      ", "        ", " ", '*') +
                                 blank + blank + "\x1A");
    // Every field is blanked by its own type, even when two share a name.
    const std::string dup = dir.Path("dup.dbf");
    CreateTable(dup, 0x83, {{"ID", 'C', 3}, {"ID", 'N', 4}, {"T", 'T', 8}, {"I", 'I', 4}, {"Y", 'Y', 8},
                            {"B", 'B', 8}, {"M", 'M', 10}});
    const std::string rec = " abc9999" + std::string(28, '\x7F') + "        12";
    std::string s = ReadAll(dup) + rec;
    s[4] = 1;
    WriteAll(dup, s);
    Opened d(dup);
    d.Dbf.Append();
    d.Dbf.Post();
    EXPECT_EQ(ReadAll(dup).substr(s.size(), rec.size()), "    " "   0" + std::string(28, '\0') + std::string(10, ' '));
}

TEST(DbfEdit, PostOutsideTheRecordsRaisesInsteadOfWritingPastTheData) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 2);
    std::string before = ReadAll(path);
    Opened t(path);
    t.Dbf.Go(3);  // end of file
    t.Dbf.Edit();
    EXPECT_THROW(t.Dbf.Post(), EDBFError);
    EXPECT_EQ(t.Dbf.GetState(), esBrowse);
    t.Dbf.Delete();
    EXPECT_THROW(t.Dbf.Post(), EDBFError);
    EXPECT_THROW(t.Dbf.SetDeleted(true), EDBFError);
    EXPECT_EQ(ReadAll(path), before);
}

TEST(DbfEdit, ShortWritesRaiseTheErrorAndLeaveTheFileAsItWas) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 20);
    const std::string before = ReadAll(path);
    Opened t(path);
    for (size_t room : {size_t(0), size_t(RL)}) {  // no room, or a record's but not its end byte's
        TFileSizeLimit limit(before.size() + room);
        t.Dbf.Append();
        EXPECT_EQ(ErrorOf([&] { t.Dbf.Post(); }), path + " - Error in write DBF!");
        EXPECT_EQ(ReadAll(path), before);
    }
    {
        TFileSizeLimit limit(before.size());
        t.Dbf.Go(1);
        t.Dbf.Insert();
        EXPECT_THROW(t.Dbf.Post(), EDBFError);
    }
    EXPECT_EQ(ReadAll(path), before);  // a full disk stops an insert before it moves records
}

TEST(DbfDeletion, FlagsAreWrittenOnlyWhenTheyChange) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 5);
    std::string s = ReadAll(path);
    Opened t(path);
    t.Dbf.Go(2);
    t.Dbf.SetDeleted(true);
    EXPECT_TRUE(t.Dbf.GetDeleted());
    s[HL + RL] = '*';
    EXPECT_EQ(ReadAll(path), s);
    // Already flagged: nothing is written, even when the file says otherwise.
    s[HL + RL] = ' ';
    WriteAll(path, s);
    t.Dbf.SetDeleted(true);
    EXPECT_EQ(ReadAll(path), s);
}

TEST(DbfTruncate, ReplaceRecordSetRecordCountAndZapCutTheFile) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 6);
    Opened t(path);
    t.Dbf.Go(6);
    t.Dbf.ReplaceRecord(6, 2);  // the last record moves into a hole
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 5);
    EXPECT_THROW(t.Dbf.ReplaceRecord(6, 1), EDBFError);
    EXPECT_THROW(t.Dbf.ReplaceRecord(1, 0), EDBFError);
    EXPECT_THROW(t.Dbf.ReplaceRecord(1, 6), EDBFError);
    const std::string header = ExpectedHeaderArea(0x03, SmallFields(), 5);
    EXPECT_EQ(ReadAll(path), header + SmallRecord("R1") + SmallRecord("R6") + SmallRecord("R3") + SmallRecord("R4") +
                                 SmallRecord("R5"));
    t.Dbf.SetRecordCount(2);
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 2);
    EXPECT_THROW(t.Dbf.SetRecordCount(3), EDBFError);  // never invents records
    EXPECT_EQ(ReadAll(path), ExpectedHeaderArea(0x03, SmallFields(), 2) + SmallRecord("R1") + SmallRecord("R6"));
    t.Dbf.Zap();
    EXPECT_EQ(ReadAll(path), ExpectedHeaderArea(0x03, SmallFields(), 0));
    EXPECT_TRUE(t.Dbf.GetBof() && t.Dbf.GetEof());
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 0);
    EXPECT_EQ(t.Dbf.GetField(0)->GetAsString(), std::string(10, ' '));
    PostNamed(t.Dbf, &TDBF::Insert, "AFTER");  // still usable, also for an insert into no records
    EXPECT_EQ(NamesOf(path), "AFTER,");
}

TEST(DbfLocking, TwoObjectsOnOneFileExcludeEachOther) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    Opened a(path), b(path), ro(path, true);
    ASSERT_TRUE(a.Dbf.Lock(0));
    b.Dbf.SetLockTimeout(100);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { b.Dbf.Go(2); }), path + "Lock failed.2");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
    b.Dbf.Edit();
    EXPECT_THROW(b.Dbf.Post(), EDBFError);  // the state is reset even so
    EXPECT_EQ(b.Dbf.GetState(), esBrowse);
    ro.Dbf.SetLockTimeout(10);  // a read-only reader is excluded by a writer's lock too
    EXPECT_THROW(ro.Dbf.Go(1), EDBFError);
    a.Dbf.Unlock(0);
    b.Dbf.Go(2);
    EXPECT_EQ(FirstField(b.Dbf), "R2");
    ro.Dbf.Go(1);
}

TEST(DbfEdit, InsertAndDeleteMoveRecordsInGroupsKeepingTheirOrder) {
    // An insert moves 10 records per step and a delete 50: positions on both sides of the
    // group boundaries of a table of 120 records.
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 120);
    std::vector<std::string> model;
    for (int i = 1; i <= 120; ++i) model.push_back("R" + std::to_string(i));
    Opened t(path);
    for (int64_t at : {1, 2, 61, 62, 111, 112, 126, 127, -1, -2, -51, -52, -70, -123}) {
        const int64_t pos = std::abs(at);
        const std::string name = "N" + std::to_string(at);
        t.Dbf.Go(pos);
        PostNamed(t.Dbf, at > 0 ? &TDBF::Insert : &TDBF::Delete, at > 0 ? name : "");
        if (at > 0) model.insert(model.begin() + (pos - 1), name);
        else model.erase(model.begin() + (pos - 1));
        std::string names;
        for (const auto& m : model) names += m + ",";
        ASSERT_EQ(NamesOf(path), names) << at;
    }
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + model.size() * RL);
}
