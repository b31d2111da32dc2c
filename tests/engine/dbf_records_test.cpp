// Records: navigation, the page cache, the file bytes of every edit state, deletion flags
// and packing, truncation and zapping, locking between two table objects, and random edits.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <chrono>

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

std::string Numbered(int from, int to, int skip = 0) {
    std::string s;
    for (int i = from; i <= to; ++i)
        if (i != skip) s += "R" + std::to_string(i) + ",";
    return s;
}

}  // namespace

TEST(DbfNavigation, GoMovesSetsBofAndEofAndSeesRecordsAppendedByAnotherObject) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 3);
    Opened t(path);
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 1);  // Open goes to record 1
    EXPECT_EQ(FirstField(t.Dbf), "R1");
    struct Step {
        int64_t Go, RecNo;
        bool Bof, Eof;
        const char* Name;
    };
    for (const Step& s : {Step{3, 3, false, false, "R3"}, Step{0, 1, true, false, "R1"}, Step{4, 4, false, true, ""}}) {
        t.Dbf.Go(s.Go);
        EXPECT_EQ(t.Dbf.GetCurrentRecNo(), s.RecNo) << s.Go;
        EXPECT_EQ(t.Dbf.GetBof(), s.Bof) << s.Go;
        EXPECT_EQ(t.Dbf.GetEof(), s.Eof) << s.Go;
        EXPECT_EQ(FirstField(t.Dbf), s.Name) << s.Go;
    }
    Opened writer(path);
    PostNamed(writer.Dbf, &TDBF::Append, "NEW");
    t.Dbf.Go(4);
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
    std::string s = ReadAll(path);
    s.resize(s.size() - 5);  // record 3 is cut short: the count becomes 2
    WriteAll(path, s);
    Opened t(path);
    t.Dbf.Go(2);
    EXPECT_EQ(ErrorOf([&] { t.Dbf.ReadRecord(3); }), path + "Record number overstep range(3)");
    EXPECT_EQ(FirstField(t.Dbf), "R2");
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 2);
    EXPECT_THROW(t.Dbf.ReadRecord(0), EDBFError);
    EXPECT_EQ(FirstField(t.Dbf), "R2");
    Opened other(path);
    other.Dbf.SetLockTimeout(0);
    EXPECT_TRUE(other.Dbf.Lock(0));
    other.Dbf.Unlock(0);
}

TEST(DbfPages, PagesOfRecordsThroughTheCache) {
    TempDir dir;
    Opened t(MakeSmallTable(dir, 25));
    TDBF& dbf = t.Dbf;
    dbf.Go(7);
    dbf.AllocPage(10);
    EXPECT_EQ(dbf.ReadPage(1, 10), 10);
    EXPECT_EQ(dbf.ReadPage(3, 10), 5);
    dbf.SelectPageRecord(5);
    EXPECT_EQ(FirstField(dbf), "R25");
    EXPECT_EQ(dbf.GetCurrentRecNo(), 7);  // unchanged by the page
    EXPECT_EQ(dbf.ReadPage(2, 10), 10);
    dbf.SelectPageRecord(1);
    EXPECT_EQ(FirstField(dbf), "R11");
    for (int64_t page : {int64_t(4), int64_t(0), int64_t(1) << 50}) EXPECT_EQ(dbf.ReadPage(page, 10), 0);
    EXPECT_THROW(dbf.SelectPageRecord(11), EDBFError);
    EXPECT_THROW(dbf.SelectPageRecord(0), EDBFError);
    dbf.FreePage();
    EXPECT_THROW(dbf.SelectPageRecord(1), EDBFError);
}

TEST(DbfEdit, EditRewritesOnlyTheCurrentRecord) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::string expected = ReadAll(path);
    Opened t(path);
    t.Dbf.Go(2);
    t.Dbf.Edit();
    EXPECT_EQ(t.Dbf.GetState(), esEdit);
    t.Dbf.GetField(0)->SetAsString("EDITED");
    t.Dbf.GetField(1)->SetAsFloat(1.5);
    t.Dbf.Post();
    EXPECT_EQ(t.Dbf.GetState(), esBrowse);
    expected.replace(HL + RL, RL, SmallRecord("EDITED", "  1.50"));
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(DbfEdit, AppendWritesBlankRecordCountAndEndByte) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::string expected = ReadAll(path);
    Opened t(path);
    t.Dbf.Go(2);
    t.Dbf.Append();
    EXPECT_EQ(t.Dbf.GetField(0)->GetAsString(), std::string(10, ' '));
    EXPECT_EQ(t.Dbf.GetField(1)->GetAsString(), "  0.00");
    t.Dbf.GetField(0)->SetAsString("FOUR");
    t.Dbf.GetField(3)->SetAsString("T");
    t.Dbf.Post();
    expected += SmallRecord("FOUR", "  0.00", "        ", "T") + "\x1A";
    expected[4] = 4;
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 4);
    EXPECT_EQ(t.Dbf.GetRecordCount(), 4u);
    // A second append overwrites the end byte and writes a new one; a new record is never
    // born deleted, even after a deleted record was read.
    t.Dbf.SetDeleted(true);
    t.Dbf.Append();
    EXPECT_FALSE(t.Dbf.GetDeleted());
    t.Dbf.Post();
    expected[size_t(t.Dbf.GetHeaderLength()) + 3 * size_t(t.Dbf.GetRecordLength())] = '*';
    expected.pop_back();
    expected += SmallRecord("", "  0.00") + "\x1A";
    expected[4] = 5;
    EXPECT_EQ(ReadAll(path), expected);

    // Every field is blanked by its own type, even when two share a name.
    std::string dup = dir.Path("dup.dbf");
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

TEST(DbfEdit, InsertMovesRecordsAndKeepsTheirOrder) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 25);
    Opened t(path);
    t.Dbf.Go(1);
    PostNamed(t.Dbf, &TDBF::Insert, "NEW");
    EXPECT_EQ(NamesOf(path), "NEW," + Numbered(1, 25));
    EXPECT_EQ(StoredCount(path), 26u);
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 26 * RL);  // no end byte after an insert
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 1);
    t.Dbf.Go(13);
    PostNamed(t.Dbf, &TDBF::Insert, "MID");
    EXPECT_EQ(NamesOf(path), "NEW," + Numbered(1, 11) + "MID," + Numbered(12, 25));
    // Into the last place and into an empty table.
    t.Dbf.Go(27);
    PostNamed(t.Dbf, &TDBF::Insert, "X");
    EXPECT_EQ(NamesOf(path), "NEW," + Numbered(1, 11) + "MID," + Numbered(12, 24) + "X,R25,");
    std::string empty = MakeSmallTable(dir, 0, "empty.dbf");
    Opened e(empty);
    PostNamed(e.Dbf, &TDBF::Insert, "ONLY");
    EXPECT_EQ(NamesOf(empty), "ONLY,");
}

TEST(DbfEdit, DeleteMovesRecordsAndTruncates) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 120);
    Opened t(path);
    t.Dbf.Go(2);
    PostNamed(t.Dbf, &TDBF::Delete, "");
    EXPECT_EQ(NamesOf(path), Numbered(1, 120, 2));
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 119 * RL);
    EXPECT_EQ(StoredCount(path), 119u);
    // Deleting the last record clamps the current record number.
    t.Dbf.Go(119);
    PostNamed(t.Dbf, &TDBF::Delete, "");
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 118);
    EXPECT_EQ(StoredCount(path), 118u);
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

TEST(DbfEdit, ShortWritesRaiseTheEngineErrorWithTheFileName) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 20);
    std::string before = ReadAll(path);
    Opened t(path);
    {
        TFileSizeLimit limit(before.size());
        t.Dbf.Append();
        EXPECT_EQ(ErrorOf([&] { t.Dbf.Post(); }), path + " - Error in write DBF!");
        EXPECT_EQ(ReadAll(path), before);
        t.Dbf.Go(1);
        t.Dbf.Insert();
        EXPECT_THROW(t.Dbf.Post(), EDBFError);
        EXPECT_EQ(ReadAll(path), before);  // a full disk stops an insert before it moves records
    }
    EXPECT_EQ(StoredCount(path), 20u);  // the count was not raised for records never written
}

TEST(DbfDeletion, SetDeletedWritesOneByteOnlyWhenItChanges) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    Opened t(path);
    t.Dbf.Go(2);
    EXPECT_FALSE(t.Dbf.GetDeleted());
    t.Dbf.SetDeleted(true);
    EXPECT_TRUE(t.Dbf.GetDeleted());
    std::string s = ReadAll(path);
    EXPECT_EQ(s[HL + RL], '*');
    // Already flagged: nothing is written, even when the file says otherwise.
    s[HL + RL] = ' ';
    WriteAll(path, s);
    t.Dbf.SetDeleted(true);
    EXPECT_EQ(ReadAll(path)[HL + RL], ' ');
    t.Dbf.SetDeleted(false);
    EXPECT_EQ(ReadAll(path)[HL + RL], ' ');
}

TEST(DbfDeletion, SetAllDeletedAndPackDeleted) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 5);
    Opened t(path);
    t.Dbf.SetAllDeleted(true);
    std::string s = ReadAll(path);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(s[size_t(HL + r * RL)], '*');
    t.Dbf.SetAllDeleted(false);
    for (int64_t r : {2, 4}) {
        t.Dbf.Go(r);
        t.Dbf.SetDeleted(true);
    }
    t.Dbf.PackDeleted();
    EXPECT_EQ(NamesOf(path), "R1,R3,R5,");
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 3 * RL);
}

TEST(DbfTruncate, ReplaceRecordAndSetRecordCountCutTheFile) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 6);
    Opened t(path);
    t.Dbf.Go(6);
    t.Dbf.ReplaceRecord(6, 2);  // the last record moves into a hole
    EXPECT_EQ(NamesOf(path), "R1,R6,R3,R4,R5,");
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 5);
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 5 * RL);
    EXPECT_THROW(t.Dbf.ReplaceRecord(6, 1), EDBFError);
    EXPECT_THROW(t.Dbf.ReplaceRecord(1, 0), EDBFError);
    t.Dbf.SetRecordCount(2);
    EXPECT_EQ(NamesOf(path), "R1,R6,");
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 2 * RL);
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 2);
    EXPECT_THROW(t.Dbf.SetRecordCount(3), EDBFError);  // never invents records
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 2 * RL);
}

TEST(DbfTruncate, ZapLeavesOnlyTheHeader) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 6);
    std::string header = ReadAll(path).substr(0, HL);
    Opened t(path);
    t.Dbf.Go(3);
    t.Dbf.Zap();
    header[4] = 0;
    EXPECT_EQ(ReadAll(path), header);
    EXPECT_TRUE(t.Dbf.GetBof() && t.Dbf.GetEof());
    EXPECT_EQ(t.Dbf.GetCurrentRecNo(), 0);
    EXPECT_EQ(t.Dbf.GetField(0)->GetAsString(), std::string(10, ' '));
    // The table is still usable.
    PostNamed(t.Dbf, &TDBF::Append, "AFTER");
    EXPECT_EQ(NamesOf(path), "AFTER,");
}

TEST(DbfLocking, TwoObjectsOnOneFileExcludeEachOther) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    Opened a(path), b(path), ro(path, true);
    EXPECT_EQ(b.Dbf.GetLockTimeout(), 4000u);  // the wait itself is shown with a shorter one
    ASSERT_TRUE(a.Dbf.Lock(0));
    b.Dbf.SetLockTimeout(300);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { b.Dbf.Go(2); }), path + "Lock failed.2");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    b.Dbf.Edit();
    EXPECT_THROW(b.Dbf.Post(), EDBFError);  // the state is reset even so
    EXPECT_EQ(b.Dbf.GetState(), esBrowse);
    // A read-only reader is excluded by a writer's lock too.
    ro.Dbf.SetLockTimeout(50);
    EXPECT_THROW(ro.Dbf.Go(1), EDBFError);
    a.Dbf.Unlock(0);
    b.Dbf.Go(2);
    EXPECT_EQ(FirstField(b.Dbf), "R2");
    ro.Dbf.Go(1);
}

TEST(DbfModel, RandomEditsMatchAListOfRecords) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 30);
    std::vector<std::string> model;
    for (int i = 1; i <= 30; ++i) model.push_back("R" + std::to_string(i));
    Opened t(path);
    TDBF& dbf = t.Dbf;
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int step = 0; step < 400; ++step) {
        const int64_t n = int64_t(model.size());
        const std::string name = "S" + std::to_string(step);
        const uint32_t op = next(6);
        const int64_t at = 1 + int64_t(next(uint32_t(op == 1 ? n + 1 : std::max<int64_t>(n - (op == 4), 1))));
        if (op == 0) {
            PostNamed(dbf, &TDBF::Append, name);
            model.push_back(name);
        } else if (op == 1) {
            dbf.Go(at);
            PostNamed(dbf, &TDBF::Insert, name);
            model.insert(model.begin() + (at - 1), name);
        } else if (op == 2 && n > 0) {
            dbf.Go(at);
            PostNamed(dbf, &TDBF::Delete, "");
            model.erase(model.begin() + (at - 1));
        } else if (op == 3 && n > 0) {
            dbf.Go(at);
            PostNamed(dbf, &TDBF::Edit, name);
            model[size_t(at - 1)] = name;
        } else if (op == 4 && n > 1) {
            dbf.ReplaceRecord(n, at);
            model[size_t(at - 1)] = model.back();
            model.pop_back();
        } else if (op == 5 && n > 40) {
            dbf.SetRecordCount(uint32_t(n - 5));
            model.resize(size_t(n - 5));
        }
        ASSERT_EQ(dbf.GetRecordCount(), model.size()) << "step " << step;
        ASSERT_EQ(NamesOf(path), Names(model)) << "step " << step;
    }
    // The file holds exactly the records (and perhaps the end byte of an append).
    size_t size = ReadAll(path).size(), data = size_t(HL) + model.size() * RL;
    EXPECT_TRUE(size == data || size == data + 1);
}
