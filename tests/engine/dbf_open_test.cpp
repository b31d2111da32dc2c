// Opening tables: the checks of the header area, the layouts real files have, the record
// count, the accessors, and damaged or hostile files that must give a table or the engine error.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace dbftest;

namespace {

// Opens `path` and returns the error text, or "" when it opened.
std::string OpenError(const std::string& path, bool readOnly = false) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(readOnly);
    std::string error = ErrorOf([&] { dbf.Open(); });
    EXPECT_EQ(dbf.Active, error == "(none)");
    return error == "(none)" ? "" : error;
}

// Opens whatever is at `path` (read/write): a table or the engine error, then every read.
void OpenAndWalk(const std::string& path) {
    TDBF dbf;
    dbf.SetFileName(path);
    try {
        dbf.Open();
    } catch (const EDBFError&) {
        return;
    }
    WalkEverything(dbf);
}

}  // namespace

TEST(DbfOpen, MessagesOfTheHeaderChecks) {
    TempDir dir;
    const std::string p = dir.Path("bad.dbf");
    const std::string good = ExpectedHeaderArea(0x03, SmallFields(), 0);
    std::string many(32, '\0');  // 255 descriptors
    for (int i = 0; i < 255; ++i) many += "F" + std::string(10, '\0') + "C" + std::string(4, '\0') + "\x01" + std::string(15, '\0');
    many += '\x0D';
    many[0] = 0x03;
    PutLE16(many, 8, uint16_t(many.size()));
    PutLE16(many, 10, 256);
    struct Case {
        const char* What;
        std::function<void(std::string&)> Damage;
        std::string Message;
    };
    const Case cases[] = {
        {"shorter than a header", [&](std::string& s) { s = good.substr(0, 31); }, "Invalid DBF file!"},
        {"no field", [](std::string& s) { s.resize(33), s[32] = 0x0D, PutLE16(s, 8, 33); }, " - Invalid field count!"},
        {"255 fields", [&](std::string& s) { s = many; }, " - Invalid field count!"},
        {"header beyond the file", [&](std::string& s) { PutLE16(s, 8, uint16_t(good.size() + 1)); },
         " - Invalid header length!"},
        {"header length 32", [](std::string& s) { PutLE16(s, 8, 32); }, " - Invalid header length!"},
        {"record length 0", [](std::string& s) { PutLE16(s, 10, 0); }, " - Invalid record length!"},
        {"fields beyond the record", [](std::string& s) { PutLE16(s, 10, 25); }, " - Invalid record length!"},
        {"field length 0", [](std::string& s) { s[32 + 32 + 16] = 0; }, " - Invalid field length!"},
        {"no terminator, and lengths that do not agree",
         [](std::string& s) { s[32 + 4 * 32] = 'X', PutLE16(s, 10, uint16_t(GetLE32(s, 10) % 0x10000 + 1)); },
         " - Invalid head terminator!"},
    };
    for (const Case& c : cases) {
        std::string s = good;
        c.Damage(s);
        WriteAll(p, s);
        EXPECT_EQ(OpenError(p), p + c.Message) << c.What;
    }
    EXPECT_NE(OpenError(dir.Path("nothere.dbf")), "");
}

TEST(DbfOpen, PaddingAndMissingBacklinkAreaAreRead) {
    TempDir dir;
    const std::string p = dir.Path("t.dbf");
    struct Case {
        const char* What;
        std::string Bytes;
        std::string First, Backlink;
    };
    std::string padRecord = ExpectedHeaderArea(0x03, SmallFields(), 1);  // record length 30 > 26
    PutLE16(padRecord, 10, 30);
    std::string padHeader = ExpectedHeaderArea(0x03, SmallFields(), 1) + std::string(5, '\0');
    PutLE16(padHeader, 8, uint16_t(padHeader.size()));
    std::string noLink = ExpectedHeaderArea(0x03, SmallFields(), 1);
    noLink[0] = 0x30;
    std::string withLink = ExpectedHeaderArea(0x30, SmallFields(), 0);
    withLink.replace(32 + 4 * 32 + 1, 9, "store.dbc");
    const Case cases[] = {
        {"record padding", padRecord + SmallRecord("PADDED") + "1234", "PADDED", ""},
        {"header padding after the terminator", padHeader + SmallRecord("X"), "X", ""},
        {"0x30 without backlink area", noLink + SmallRecord("Y"), "Y", ""},
        {"0x30 with a backlink", withLink, "", "store.dbc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        WriteAll(p, c.Bytes);
        Opened t(p);
        EXPECT_EQ(t.Dbf.FieldCount, 4);
        EXPECT_EQ(t.Dbf.GetRecordCount(), c.First.empty() ? 0u : 1u);
        EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), c.First);
        EXPECT_EQ(t.Dbf.GetBacklink(), c.Backlink);
    }
}

TEST(DbfOpen, RecordCountFollowsTheDataAndOnlyAWritableTableIsCorrected) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 12);
    std::string s = ReadAll(p);
    PutLE32(s, 4, 10);
    s += "\x1A" "partial";  // neither counts
    WriteAll(p, s);
    {
        Opened t(p, true);
        EXPECT_TRUE(t.Dbf.GetReadOnly());
        EXPECT_EQ(t.Dbf.GetRecordCount(), 12u);  // corrected in memory only
        t.Dbf.Go(12);
        EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "R12");
        EXPECT_FALSE(t.Dbf.GetEof());
        // A table opened read-only is never written.
        t.Dbf.Go(2);
        t.Dbf.Edit();
        t.Dbf.GetField(0)->SetAsString("CHANGED");
        EXPECT_THROW(t.Dbf.Post(), EDBFError);
        EXPECT_THROW(t.Dbf.SetDeleted(true), EDBFError);
        EXPECT_THROW(t.Dbf.Zap(), EDBFError);
        t.Dbf.Append();
        EXPECT_THROW(t.Dbf.Post(), EDBFError);
        EXPECT_EQ(ReadAll(p), s);
    }
    Opened t(p);
    EXPECT_EQ(t.Dbf.GetRecordCount(), 12u);
    EXPECT_EQ(StoredCount(p), 12u);
}

TEST(DbfOpen, AccessorsOfHeaderAndDescriptors) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 2);
    std::string s = ReadAll(p);
    s[1] = 7, s[2] = 5, s[3] = 1, s[28] = 2, s[29] = 3;
    s[32 + 32 + 12] = 0x55;  // stored offsets are replaced
    WriteAll(p, s);
    Opened t(p);
    TDBF& dbf = t.Dbf;
    EXPECT_EQ(dbf.GetLastUpdate(), "07.05.01");
    EXPECT_EQ(dbf.GetTableFlags(), 2);
    EXPECT_EQ(dbf.GetCodePage(), 3);
    EXPECT_EQ(dbf.GetHeaderLength(), 161);
    EXPECT_EQ(dbf.GetRecordLength(), 26);
    TDBFHeader h;
    dbf.GetHeader(h);
    EXPECT_EQ(std::string(h.begin(), h.end()), s.substr(0, 32));
    TFieldDescriptor d;
    dbf.GetFieldDescriptor(1, d);
    EXPECT_EQ(std::string(d.begin(), d.end()), ExpectedHeaderArea(0x03, SmallFields(), 0, 24, 5, 1, true).substr(64, 32));
    EXPECT_EQ(dbf.GetFieldName(-1), "*");
    EXPECT_EQ(dbf.GetFieldName(4), "*");
    EXPECT_EQ(dbf.GetFieldType(4), '*');
    EXPECT_EQ(dbf.GetFieldType(0), 'C');
    EXPECT_EQ(dbf.GetFieldName(1), "QTY");
    EXPECT_EQ(dbf.FieldIndex("qty"), 1);
    EXPECT_EQ(dbf.FieldIndex(" QTY"), -1);
    EXPECT_EQ(dbf.FieldIndex("none"), -1);
    EXPECT_EQ(dbf.FieldByName("day"), dbf.GetField(2));
    EXPECT_EQ(ErrorOf([&] { dbf.FieldByName("Nope"); }), p + "can not find fieldNope");
    EXPECT_EQ(dbf.MemoFieldCount, 0);
    dbf.Close();
    // FieldIndex trims the stored name; FieldByName does not.
    s.replace(32, 6, " NAME ");
    WriteAll(p, s);
    dbf.Open();
    EXPECT_EQ(dbf.FieldIndex("name"), 0);
    EXPECT_THROW(dbf.FieldByName("NAME"), EDBFError);
}

TEST(DbfDamaged, EveryPrefixOfRealTablesGivesATableOrTheEngineError) {
    TempDir dir;
    std::string p = dir.Path("prefix.dbf");
    // Read-only: the file is written once and cut shorter step by step.
    for (const char* name : {"dbase_03.dbf", "dbase_31.dbf", "dbase_30.dbf"}) {
        std::string whole = ReadAll(vxtest::Fixture(name));
        WriteAll(p, whole);
        int opened = 0;
        size_t last = std::min<size_t>(whole.size(), 12000);
        for (size_t n = last + 1; n-- > 0;) {
            std::filesystem::resize_file(p, n);
            TDBF dbf;
            dbf.SetFileName(p);
            dbf.SetReadOnly(true);
            try {
                dbf.Open();
            } catch (const EDBFError&) {
                continue;
            }
            ++opened;
            if (n % 97 == 0 || n == last) WalkEverything(dbf);
        }
        EXPECT_GT(opened, 0) << name;
    }
    // Read/write: opening may correct the count and create the memo file.
    for (const char* name : {"dbase_8b.dbf", "cp1251.dbf"}) {
        std::string whole = ReadAll(vxtest::Fixture(name));
        for (size_t n = 0; n <= whole.size(); ++n) {
            WriteAll(p, whole.substr(0, n));
            std::filesystem::remove(dir.Path("prefix.dbt"));
            OpenAndWalk(p);
        }
        EXPECT_EQ(OpenError(p), "") << name;
    }
}

TEST(DbfDamaged, HostileLengthsAndCountsGiveATableOrTheEngineError) {
    TempDir dir;
    std::string p = dir.Path("hostile.dbf");
    const std::string base = ReadAll(vxtest::Fixture("dbase_03.dbf"));
    for (uint32_t c : {0u, 1u, 13u, 14u, 15u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        for (uint16_t hl : {0, 1, 31, 32, 33, 64, 65, 1024, 1025, 1026, 9286, 9287, 0xFFFF})
            for (uint16_t rl : {0, 1, 589, 590, 591, 0xFFFF}) {
                std::string s = base;
                PutLE32(s, 4, c);
                PutLE16(s, 8, hl);
                PutLE16(s, 10, rl);
                WriteAll(p, s);
                OpenAndWalk(p);
            }
    // Random damage anywhere in the header area and the first records, then edits.
    std::mt19937 rng(20240501);
    const std::string small = ReadAll(vxtest::Fixture("dbase_8b.dbf"));
    for (int round = 0; round < 3000; ++round) {
        std::string s = small;
        for (int k = 0, flips = 1 + int(rng() % 8); k < flips; ++k) s[rng() % 400] = char(rng());
        WriteAll(p, s);
        TDBF dbf;
        dbf.SetFileName(p);
        try {
            dbf.Open();
            WalkEverything(dbf);
            dbf.Go(1);
            dbf.Edit();
            for (int i = 0; i < dbf.FieldCount; ++i) dbf.GetField(i)->SetBlank();
            dbf.Post();
            dbf.Append();
            dbf.Post();
        } catch (const EDBFError&) {
        }
    }
}
