// Records: navigation, the file bytes of every edit state, deletion flags and packing,
// truncation and zapping, the page cache, and locking between two table objects.
#include "dbftestutil.h"

#include "platform/filestream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <filesystem>

using namespace dbftest;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

constexpr uint16_t HL = 161;  // header length of SmallFields tables
constexpr uint16_t RL = 26;   // record length of SmallFields tables

void OpenTable(TDBF& dbf, const std::string& path) {
    dbf.SetFileName(path);
    dbf.Open();
}

std::string Names(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += x + ",";
    return s;
}

uint32_t StoredCount(const std::string& path) {
    std::string s = ReadAll(path);
    return dbfbytes::GetLE32(reinterpret_cast<const uint8_t*>(s.data()) + 4);
}

}  // namespace

// ---- navigation --------------------------------------------------------------------------

TEST(DbfNavigation, GoMovesAndSetsBofAndEof) {
    TempDir dir;
    TDBF dbf;
    OpenTable(dbf, MakeSmallTable(dir, 3));
    EXPECT_EQ(dbf.GetCurrentRecNo(), 1);  // Open goes to record 1
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R1");
    dbf.Go(3);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R3");
    EXPECT_FALSE(dbf.GetBof());
    EXPECT_FALSE(dbf.GetEof());
    dbf.Go(0);
    EXPECT_TRUE(dbf.GetBof());
    EXPECT_FALSE(dbf.GetEof());
    EXPECT_EQ(dbf.GetCurrentRecNo(), 1);
    dbf.Go(4);
    EXPECT_TRUE(dbf.GetEof());
    EXPECT_FALSE(dbf.GetBof());
    EXPECT_EQ(dbf.GetCurrentRecNo(), 4);
    EXPECT_EQ(dbf.GetField(0)->GetAsString(), std::string(10, ' '));
}

TEST(DbfNavigation, GoOnAnEmptyTableSetsBoth) {
    TempDir dir;
    TDBF dbf;
    OpenTable(dbf, MakeSmallTable(dir, 0));
    dbf.Go(0);
    EXPECT_TRUE(dbf.GetBof());
    EXPECT_TRUE(dbf.GetEof());
    dbf.Go(1);
    EXPECT_TRUE(dbf.GetBof());
    EXPECT_TRUE(dbf.GetEof());
}

TEST(DbfNavigation, GoBeyondTheEndSeesRecordsAppendedByAnotherObject) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 2);
    TDBF reader, writer;
    OpenTable(reader, path);
    OpenTable(writer, path);
    reader.Go(3);
    EXPECT_TRUE(reader.GetEof());
    writer.Append();
    writer.GetField(0)->SetAsString("NEW");
    writer.Post();
    reader.Go(3);
    EXPECT_FALSE(reader.GetEof());
    EXPECT_EQ(reader.GetField(0)->GetAsTrimmedString(), "NEW");
}

TEST(DbfNavigation, ReadRecordBeyondTheDataRestoresThePreviousRecord) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::string s = ReadAll(path);
    s.resize(s.size() - 5);  // record 3 is cut short
    WriteAll(path, s);
    TDBF dbf;
    OpenTable(dbf, path);  // count becomes 2
    dbf.Go(2);
    try {
        dbf.ReadRecord(3);
        FAIL();
    } catch (const EDBFError& e) {
        EXPECT_EQ(std::string(e.what()), path + "Record number overstep range(3)");
    }
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R2");
    EXPECT_EQ(dbf.GetCurrentRecNo(), 2);
    EXPECT_THROW(dbf.ReadRecord(0), EDBFError);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R2");
    // The lock was released: another object can take it at once.
    TDBF other;
    OpenTable(other, path);
    other.SetLockTimeout(0);
    EXPECT_TRUE(other.Lock(0));
    other.Unlock(0);
}

TEST(DbfPages, PagesOfRecordsThroughTheCache) {
    TempDir dir;
    TDBF dbf;
    OpenTable(dbf, MakeSmallTable(dir, 25));
    dbf.Go(7);
    dbf.AllocPage(10);
    EXPECT_EQ(dbf.ReadPage(1, 10), 10);
    EXPECT_EQ(dbf.ReadPage(3, 10), 5);
    dbf.SelectPageRecord(5);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R25");
    EXPECT_EQ(dbf.GetCurrentRecNo(), 7);  // unchanged by the page
    EXPECT_EQ(dbf.ReadPage(2, 10), 10);
    dbf.SelectPageRecord(1);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R11");
    EXPECT_EQ(dbf.ReadPage(4, 10), 0);
    EXPECT_EQ(dbf.ReadPage(0, 10), 0);
    EXPECT_EQ(dbf.ReadPage(int64_t(1) << 50, 10), 0);
    EXPECT_THROW(dbf.SelectPageRecord(11), EDBFError);
    EXPECT_THROW(dbf.SelectPageRecord(0), EDBFError);
    dbf.FreePage();
    EXPECT_THROW(dbf.SelectPageRecord(1), EDBFError);
}

// ---- edit states -------------------------------------------------------------------------

TEST(DbfEdit, EditRewritesOnlyTheCurrentRecord) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::string before = ReadAll(path);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(2);
    dbf.Edit();
    EXPECT_EQ(dbf.GetState(), esEdit);
    dbf.GetField(0)->SetAsString("EDITED");
    dbf.GetField(1)->SetAsFloat(1.5);
    dbf.Post();
    EXPECT_EQ(dbf.GetState(), esBrowse);
    std::string after = ReadAll(path);
    std::string expected = before;
    expected.replace(HL + RL, RL, SmallRecord("EDITED", "  1.50"));
    EXPECT_EQ(after, expected);
}

TEST(DbfEdit, AppendWritesTheRecordAndTheEndByte) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    std::string before = ReadAll(path);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(2);
    dbf.Append();
    EXPECT_EQ(dbf.GetField(0)->GetAsString(), std::string(10, ' '));
    EXPECT_EQ(dbf.GetField(1)->GetAsString(), "  0.00");
    dbf.GetField(0)->SetAsString("FOUR");
    dbf.GetField(3)->SetAsString("T");
    dbf.Post();
    std::string expected = before + SmallRecord("FOUR", "  0.00", "        ", "T") + "\x1A";
    expected[4] = 4;
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(dbf.GetCurrentRecNo(), 4);
    EXPECT_EQ(dbf.GetRecordCount(), 4u);
    // A second append overwrites the end byte and writes a new one.
    dbf.Append();
    dbf.Post();
    std::string again = ReadAll(path);
    EXPECT_EQ(again.size(), size_t(HL) + 5 * RL + 1);
    EXPECT_EQ(again.back(), '\x1A');
    EXPECT_EQ(StoredCount(path), 5u);
}

TEST(DbfEdit, AppendBlanksEveryFieldEvenWhenTwoShareAName) {
    TempDir dir;
    std::string path = dir.Path("dup.dbf");
    std::vector<FieldDef> fields = {{"ID", 'C', 3}, {"ID", 'N', 4}, {"T", 'T', 8}, {"I", 'I', 4},
                                    {"Y", 'Y', 8},  {"B", 'B', 8},  {"M", 'M', 10}};
    CreateTable(path, 0x83, fields);
    std::string s = ReadAll(path);
    std::string rec = " abc9999" + std::string(28, '\x7F') + "        12";
    s += rec;
    s[4] = 1;
    WriteAll(path, s);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Append();
    dbf.Post();
    std::string blank = std::string(" ") + "   " + "   0" + std::string(8, '\0') + std::string(4, '\0') +
                        std::string(8, '\0') + std::string(8, '\0') + std::string(10, ' ');
    EXPECT_EQ(ReadAll(path).substr(size_t(dbf.GetHeaderLength()) + rec.size(), rec.size()), blank);
}

TEST(DbfEdit, InsertMovesRecordsInGroupsAndKeepsTheirOrder) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 25);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(1);
    dbf.Insert();
    dbf.GetField(0)->SetAsString("NEW");
    dbf.Post();
    std::vector<std::string> want = {"NEW"};
    for (int i = 1; i <= 25; ++i) want.push_back(std::string("R").append(std::to_string(i)));
    EXPECT_EQ(Names(RecordNames(path)), Names(want));
    EXPECT_EQ(StoredCount(path), 26u);
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 26 * RL);  // no end byte after an insert
    EXPECT_EQ(dbf.GetCurrentRecNo(), 1);

    dbf.Go(13);
    dbf.Insert();
    dbf.GetField(0)->SetAsString("MID");
    dbf.Post();
    want.insert(want.begin() + 12, "MID");
    EXPECT_EQ(Names(RecordNames(path)), Names(want));
}

TEST(DbfEdit, InsertIntoSmallAndEmptyTables) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(3);
    dbf.Insert();
    dbf.GetField(0)->SetAsString("X");
    dbf.Post();
    EXPECT_EQ(Names(RecordNames(path)), "R1,R2,X,R3,");

    std::string empty = MakeSmallTable(dir, 0, "empty.dbf");
    TDBF e;
    OpenTable(e, empty);
    e.Insert();
    e.GetField(0)->SetAsString("ONLY");
    e.Post();
    EXPECT_EQ(Names(RecordNames(empty)), "ONLY,");
}

TEST(DbfEdit, DeleteMovesRecordsInGroupsAndTruncates) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 120);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(2);
    dbf.Delete();
    dbf.Post();
    std::vector<std::string> want;
    for (int i = 1; i <= 120; ++i)
        if (i != 2) want.push_back(std::string("R").append(std::to_string(i)));
    EXPECT_EQ(Names(RecordNames(path)), Names(want));
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 119 * RL);
    EXPECT_EQ(StoredCount(path), 119u);
    // Deleting the last record clamps the current record number.
    dbf.Go(119);
    dbf.Delete();
    dbf.Post();
    EXPECT_EQ(dbf.GetCurrentRecNo(), 118);
    EXPECT_EQ(StoredCount(path), 118u);
}

TEST(DbfEdit, PostOutsideTheRecordsRaisesInsteadOfWritingPastTheData) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 2);
    std::string before = ReadAll(path);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(3);  // end of file
    dbf.Edit();
    EXPECT_THROW(dbf.Post(), EDBFError);
    EXPECT_EQ(dbf.GetState(), esBrowse);
    dbf.Delete();
    EXPECT_THROW(dbf.Post(), EDBFError);
    EXPECT_THROW(dbf.SetDeleted(true), EDBFError);
    EXPECT_EQ(ReadAll(path), before);
}

namespace {
// Limits the size of files this process writes, so that writes beyond it fall short.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Old);
        rlimit r = Old;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int);
};
}  // namespace

TEST(DbfEdit, ShortWritesRaiseTheEngineErrorWithTheFileName) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 20);
    std::string before = ReadAll(path);
    TDBF dbf;
    OpenTable(dbf, path);
    {
        TFileSizeLimit limit(before.size());
        dbf.Append();
        try {
            dbf.Post();
            FAIL() << "short write not reported";
        } catch (const EDBFError& e) {
            EXPECT_EQ(std::string(e.what()), path + " - Error in write DBF!");
        }
        EXPECT_EQ(ReadAll(path), before);
        dbf.Go(1);
        dbf.Insert();
        EXPECT_THROW(dbf.Post(), EDBFError);
        EXPECT_EQ(ReadAll(path), before);  // a full disk stops an insert before it moves records
        TDBF created;
        created.SetFileName(dir.Path("new.dbf"));
        created.AddFieldDef("A", 'C', 0, 1, 0);
        created.SetHeader(0x03, 1, 1, 1, 0, 65, 2, 0, 0);
        TFileSizeLimit tiny(40);
        try {
            created.CreateTable();
            FAIL() << "short write not reported";
        } catch (const EDBFError& e) {
            EXPECT_EQ(std::string(e.what()), dir.Path("new.dbf") + " - Error in write DBF field type!");
        }
    }
    EXPECT_EQ(StoredCount(path), 20u);  // the count was not raised for records never written
}

// ---- deletion flags and packing ----------------------------------------------------------

TEST(DbfDeletion, SetDeletedWritesOneByteOnlyWhenItChanges) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(2);
    EXPECT_FALSE(dbf.GetDeleted());
    dbf.SetDeleted(true);
    EXPECT_TRUE(dbf.GetDeleted());
    std::string s = ReadAll(path);
    EXPECT_EQ(s[HL + RL], '*');
    // Already flagged: nothing is written, even when the file says otherwise.
    s[HL + RL] = ' ';
    WriteAll(path, s);
    dbf.SetDeleted(true);
    EXPECT_EQ(ReadAll(path)[HL + RL], ' ');
    dbf.SetDeleted(false);
    EXPECT_EQ(ReadAll(path)[HL + RL], ' ');
}

TEST(DbfDeletion, SetAllDeletedAndPackDeleted) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 5);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.SetAllDeleted(true);
    std::string s = ReadAll(path);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(s[size_t(HL + r * RL)], '*');
    dbf.SetAllDeleted(false);
    dbf.Go(2);
    dbf.SetDeleted(true);
    dbf.Go(4);
    dbf.SetDeleted(true);
    dbf.PackDeleted();
    EXPECT_EQ(Names(RecordNames(path)), "R1,R3,R5,");
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 3 * RL);
}

// ---- replacing, truncation and zap -------------------------------------------------------

TEST(DbfTruncate, ReplaceRecordMovesTheLastRecordIntoAHole) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 4);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(4);
    dbf.ReplaceRecord(4, 2);
    EXPECT_EQ(Names(RecordNames(path)), "R1,R4,R3,");
    EXPECT_EQ(dbf.GetCurrentRecNo(), 3);
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 3 * RL);
    EXPECT_THROW(dbf.ReplaceRecord(5, 1), EDBFError);
    EXPECT_THROW(dbf.ReplaceRecord(1, 0), EDBFError);
}

TEST(DbfTruncate, SetRecordCountCutsTheFile) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 6);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(5);
    dbf.SetRecordCount(2);
    EXPECT_EQ(Names(RecordNames(path)), "R1,R2,");
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 2 * RL);
    EXPECT_EQ(dbf.GetCurrentRecNo(), 2);
    EXPECT_THROW(dbf.SetRecordCount(3), EDBFError);  // never invents records
    EXPECT_EQ(ReadAll(path).size(), size_t(HL) + 2 * RL);
}

TEST(DbfTruncate, ZapLeavesOnlyTheHeader) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 6);
    std::string header = ReadAll(path).substr(0, HL);
    TDBF dbf;
    OpenTable(dbf, path);
    dbf.Go(3);
    dbf.Zap();
    header[4] = 0;
    EXPECT_EQ(ReadAll(path), header);
    EXPECT_TRUE(dbf.GetBof());
    EXPECT_TRUE(dbf.GetEof());
    EXPECT_EQ(dbf.GetCurrentRecNo(), 0);
    EXPECT_EQ(dbf.GetField(0)->GetAsString(), std::string(10, ' '));
    // The table is still usable.
    dbf.Append();
    dbf.GetField(0)->SetAsString("AFTER");
    dbf.Post();
    EXPECT_EQ(Names(RecordNames(path)), "AFTER,");
}

// ---- locking -----------------------------------------------------------------------------

TEST(DbfLocking, TwoObjectsOnOneFileExcludeEachOther) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 3);
    TDBF a, b;
    OpenTable(a, path);
    OpenTable(b, path);
    ASSERT_TRUE(a.Lock(0));
    b.SetLockTimeout(300);
    auto start = std::chrono::steady_clock::now();
    try {
        b.Go(2);
        FAIL() << "lock granted twice";
    } catch (const EDBFError& e) {
        EXPECT_EQ(std::string(e.what()), path + "Lock failed.2");
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    b.Edit();
    EXPECT_THROW(b.Post(), EDBFError);  // the state is reset even so
    EXPECT_EQ(b.GetState(), esBrowse);
    a.Unlock(0);
    b.Go(2);
    EXPECT_EQ(b.GetField(0)->GetAsTrimmedString(), "R2");
    // A read-only reader is excluded by a writer's lock too.
    TDBF ro;
    ro.SetFileName(path);
    ro.SetReadOnly(true);
    ro.Open();
    ro.SetLockTimeout(50);
    ASSERT_TRUE(a.Lock(0));
    EXPECT_THROW(ro.Go(1), EDBFError);
    a.Unlock(0);
    ro.Go(1);
}

TEST(DbfLocking, DefaultTimeoutIsFourSeconds) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 1);
    TDBF a, b;
    OpenTable(a, path);
    OpenTable(b, path);
    EXPECT_EQ(b.GetLockTimeout(), 4000u);
    ASSERT_TRUE(a.Lock(0));
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(b.Lock(7), EDBFError);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 3990);
    EXPECT_LT(ms, 6000);
}

// ---- random edits against a model ---------------------------------------------------------

TEST(DbfModel, RandomEditsMatchAListOfRecords) {
    TempDir dir;
    std::string path = MakeSmallTable(dir, 30);
    std::vector<std::string> model;
    for (int i = 1; i <= 30; ++i) model.push_back(std::string("R").append(std::to_string(i)));
    TDBF dbf;
    OpenTable(dbf, path);
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int step = 0; step < 400; ++step) {
        const int64_t n = int64_t(model.size());
        const std::string name = std::string("S").append(std::to_string(step));
        switch (next(6)) {
        case 0:
            dbf.Append();
            dbf.GetField(0)->SetAsString(name);
            dbf.Post();
            model.push_back(name);
            break;
        case 1: {
            int64_t at = 1 + int64_t(next(uint32_t(n + 1)));
            dbf.Go(at);
            dbf.Insert();
            dbf.GetField(0)->SetAsString(name);
            dbf.Post();
            model.insert(model.begin() + (at - 1), name);
            break;
        }
        case 2:
            if (n > 0) {
                int64_t at = 1 + int64_t(next(uint32_t(n)));
                dbf.Go(at);
                dbf.Delete();
                dbf.Post();
                model.erase(model.begin() + (at - 1));
            }
            break;
        case 3:
            if (n > 0) {
                int64_t at = 1 + int64_t(next(uint32_t(n)));
                dbf.Go(at);
                dbf.Edit();
                dbf.GetField(0)->SetAsString(name);
                dbf.Post();
                model[size_t(at - 1)] = name;
            }
            break;
        case 4:
            if (n > 1) {
                int64_t target = 1 + int64_t(next(uint32_t(n - 1)));
                dbf.ReplaceRecord(n, target);
                model[size_t(target - 1)] = model.back();
                model.pop_back();
            }
            break;
        case 5:
            if (n > 40) {
                dbf.SetRecordCount(uint32_t(n - 5));
                model.resize(size_t(n - 5));
            }
            break;
        }
        ASSERT_EQ(dbf.GetRecordCount(), model.size()) << "step " << step;
        ASSERT_EQ(Names(RecordNames(path)), Names(model)) << "step " << step;
    }
    EXPECT_EQ(Names(RecordNames(path)), Names(model));
    // The file holds exactly the records (and perhaps the end byte of an append).
    size_t size = ReadAll(path).size();
    size_t data = size_t(HL) + model.size() * RL;
    EXPECT_TRUE(size == data || size == data + 1);
}
