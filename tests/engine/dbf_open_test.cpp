// Opening tables: the checks of the header area, the real tables of other programs, and
// damaged or hostile files that must give either a table or the engine error.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace dbftest;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

// Opens `path` and returns the error text, or "" when it opened.
std::string OpenError(const std::string& path, bool readOnly = false) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(readOnly);
    try {
        dbf.Open();
    } catch (const EDBFError& e) {
        EXPECT_FALSE(dbf.Active);
        return e.what();
    }
    return "";
}

void PutLE16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}
void PutLE32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i));
}

struct Summary {
    uint32_t Records = 0;
    struct Field {
        std::string Name;
        std::string Type;
        int Length, Decimals;
    };
    std::vector<Field> Fields;
};

Summary ReadSummary(const std::string& path) {
    Summary s;
    std::istringstream in(ReadAll(path));
    std::string line;
    bool inFields = false;
    while (std::getline(in, line)) {
        if (line.rfind("Records:", 0) == 0) s.Records = uint32_t(std::stoul(line.substr(8)));
        if (line.rfind("-----", 0) == 0) {
            inFields = true;
            continue;
        }
        if (inFields) {
            std::istringstream ls(line);
            Summary::Field f;
            if (ls >> f.Name >> f.Type >> f.Length >> f.Decimals) s.Fields.push_back(f);
        }
    }
    return s;
}

// Reads every record and every field of an open table through every path a reader takes.
void WalkEverything(TDBF& dbf) {
    uint32_t n = dbf.GetRecordCount();
    for (uint32_t r = 0; r <= n + 1; ++r) {
        try {
            dbf.Go(r);
        } catch (const EDBFError&) {
            continue;
        }
        for (int i = 0; i < dbf.FieldCount; ++i) {
            TField* f = dbf.GetField(i);
            (void)f->GetAsString();
            (void)f->GetAsTrimmedString();
            (void)f->GetAsFloat();
            (void)f->GetAsDate();
            (void)f->GetAsDateTime();
            (void)f->GetAsCurrency();
            (void)f->GetAsInteger();
            (void)f->GetAsDouble();
            try {
                (void)f->GetMemoBlock();
            } catch (const EDBFError&) {
            }
        }
        (void)dbf.GetDeleted();
    }
    dbf.AllocPage(7);
    for (int64_t p = 1; p <= int64_t(n) / 7 + 2; ++p) {
        int got = dbf.ReadPage(p, 7);
        for (int k = 1; k <= got; ++k) {
            dbf.SelectPageRecord(k);
            for (int i = 0; i < dbf.FieldCount; ++i) (void)dbf.GetField(i)->GetAsString();
        }
    }
    dbf.FreePage();
}

}  // namespace

// ---- the checks of Open ------------------------------------------------------------------

TEST(DbfOpen, MessagesOfTheHeaderChecks) {
    TempDir dir;
    std::string p = dir.Path("bad.dbf");
    std::string good = ExpectedHeaderArea(0x03, SmallFields(), 0);

    WriteAll(p, good.substr(0, 31));
    EXPECT_EQ(OpenError(p), p + "Invalid DBF file!");

    std::string s = good;  // no field: header length 33
    s.resize(33);
    s[32] = 0x0D;
    PutLE16(s, 8, 33);
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid field count!");

    s = good;  // header length beyond the file
    PutLE16(s, 8, uint16_t(good.size() + 1));
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid header length!");

    s = good;
    PutLE16(s, 8, 32);
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid header length!");

    s = good;
    PutLE16(s, 10, 0);
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid record length!");

    s = good;  // field lengths beyond record length - 1
    PutLE16(s, 10, 25);
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid record length!");

    s = good;  // a field of length 0
    s[32 + 32 + 16] = 0;
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid field length!");

    s = good;  // no terminator inside the header length
    s[32 + 4 * 32] = 'X';
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid head terminator!");

    EXPECT_NE(OpenError(dir.Path("nothere.dbf")), "");
}

TEST(DbfOpen, MoreThan254DescriptorsAreRefused) {
    TempDir dir;
    std::string p = dir.Path("many.dbf");
    std::string s(32, '\0');
    s[0] = 0x03;
    for (int i = 0; i < 255; ++i) {
        std::string d(32, '\0');
        d[0] = 'F';
        d[11] = 'C';
        d[16] = 1;
        s += d;
    }
    s += '\x0D';
    PutLE16(s, 8, uint16_t(s.size()));
    PutLE16(s, 10, 256);
    WriteAll(p, s);
    EXPECT_EQ(OpenError(p), p + " - Invalid field count!");
}

TEST(DbfOpen, RecordLengthLargerThanTheFieldsIsPadding) {
    TempDir dir;
    std::string p = dir.Path("pad.dbf");
    std::string s = ExpectedHeaderArea(0x03, SmallFields(), 1);
    PutLE16(s, 10, 30);
    s += SmallRecord("PADDED") + "1234";
    WriteAll(p, s);
    TDBF dbf;
    dbf.SetFileName(p);
    dbf.Open();
    EXPECT_EQ(dbf.GetRecordCount(), 1u);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "PADDED");
}

TEST(DbfOpen, HeaderPaddingAfterTheTerminatorAndBacklinkArea) {
    TempDir dir;
    // A 0x03 table whose header has padding after the terminator but no room for a backlink.
    std::string p = dir.Path("padded.dbf");
    std::string s = ExpectedHeaderArea(0x03, SmallFields(), 1);
    s += std::string(5, '\0');
    PutLE16(s, 8, uint16_t(s.size()));
    s += SmallRecord("X");
    WriteAll(p, s);
    {
        TDBF dbf;
        dbf.SetFileName(p);
        dbf.Open();
        EXPECT_EQ(dbf.FieldCount, 4);
        EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "X");
        EXPECT_EQ(dbf.GetBacklink(), "");
    }
    // A 0x30 table without a backlink area.
    std::string n = dir.Path("nolink.dbf");
    s = ExpectedHeaderArea(0x03, SmallFields(), 1);
    s[0] = 0x30;
    s += SmallRecord("Y");
    WriteAll(n, s);
    {
        TDBF dbf;
        dbf.SetFileName(n);
        dbf.Open();
        EXPECT_EQ(dbf.FieldCount, 4);
        EXPECT_EQ(dbf.GetBacklink(), "");
        EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "Y");
    }
    // A 0x30 table with a path in the backlink area.
    std::string q = dir.Path("vfp.dbf");
    s = ExpectedHeaderArea(0x30, SmallFields(), 0);
    s.replace(32 + 4 * 32 + 1, 9, "store.dbc");
    WriteAll(q, s);
    TDBF dbf;
    dbf.SetFileName(q);
    dbf.Open();
    EXPECT_EQ(dbf.FieldCount, 4);
    EXPECT_EQ(dbf.GetBacklink(), "store.dbc");
}

TEST(DbfOpen, RecordCountFollowsTheDataAndIsWrittenBack) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 12);
    std::string s = ReadAll(p);
    PutLE32(s, 4, 10);
    s += "\x1A" "partial";  // neither counts
    WriteAll(p, s);
    {
        TDBF dbf;
        dbf.SetFileName(p);
        dbf.SetReadOnly(true);
        dbf.Open();
        EXPECT_EQ(dbf.GetRecordCount(), 12u);  // kept in memory only
        dbf.Go(12);
        EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "R12");
        EXPECT_FALSE(dbf.GetEof());
        EXPECT_EQ(ReadAll(p), s);
    }
    TDBF dbf;
    dbf.SetFileName(p);
    dbf.Open();
    EXPECT_EQ(dbf.GetRecordCount(), 12u);
    EXPECT_EQ(ReadAll(p).substr(4, 4), std::string("\x0C\0\0\0", 4));
}

TEST(DbfOpen, ReadOnlyTableIsNeverWritten) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 3);
    std::string s = ReadAll(p);
    PutLE32(s, 4, 99);
    WriteAll(p, s);
    TDBF dbf;
    dbf.SetFileName(p);
    dbf.SetReadOnly(true);
    dbf.Open();
    EXPECT_TRUE(dbf.GetReadOnly());
    dbf.Go(2);
    dbf.Edit();
    dbf.GetField(0)->SetAsString("CHANGED");
    EXPECT_THROW(dbf.Post(), EDBFError);
    EXPECT_THROW(dbf.SetDeleted(true), EDBFError);
    EXPECT_THROW(dbf.Zap(), EDBFError);
    dbf.Append();
    EXPECT_THROW(dbf.Post(), EDBFError);
    EXPECT_EQ(ReadAll(p), s);
}

TEST(DbfOpen, AccessorsOfHeaderAndDescriptors) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 2);
    std::string s = ReadAll(p);
    s[1] = 7;
    s[2] = 5;
    s[3] = 1;
    s[28] = 2;
    s[29] = 3;
    s[32 + 32 + 12] = 0x55;  // stored offsets are replaced
    WriteAll(p, s);
    TDBF dbf;
    dbf.SetFileName(p);
    dbf.Open();
    EXPECT_EQ(dbf.GetLastUpdate(), "07.05.01");
    EXPECT_EQ(dbf.GetTableFlags(), 2);
    EXPECT_EQ(dbf.GetCodePage(), 3);
    EXPECT_EQ(dbf.GetVersion(), 0x03);
    EXPECT_EQ(dbf.GetHeaderLength(), 161);
    EXPECT_EQ(dbf.GetRecordLength(), 26);
    TDBFHeader h;
    dbf.GetHeader(h);
    EXPECT_EQ(std::string(h.begin(), h.end()), s.substr(0, 32));
    TFieldDescriptor d;
    dbf.GetFieldDescriptor(1, d);
    EXPECT_EQ(d[11], 'N');
    EXPECT_EQ(dbfbytes::GetLE32(&d[12]), 11u);
    EXPECT_EQ(d[16], 6);
    EXPECT_EQ(d[17], 2);
    EXPECT_EQ(dbf.GetFieldName(-1), "*");
    EXPECT_EQ(dbf.GetFieldName(4), "*");
    EXPECT_EQ(dbf.GetFieldType(4), '*');
    EXPECT_EQ(dbf.GetFieldType(0), 'C');
    EXPECT_EQ(dbf.GetFieldName(1), "QTY");
    EXPECT_EQ(dbf.FieldIndex("qty"), 1);
    EXPECT_EQ(dbf.FieldIndex(" QTY"), -1);
    EXPECT_EQ(dbf.FieldIndex("none"), -1);
    EXPECT_EQ(dbf.FieldByName("day"), dbf.GetField(2));
    try {
        dbf.FieldByName("Nope");
        FAIL();
    } catch (const EDBFError& e) {
        EXPECT_EQ(std::string(e.what()), p + "can not find fieldNope");
    }
    EXPECT_EQ(dbf.MemoFieldCount, 0);
}

TEST(DbfOpen, FieldIndexTrimsTheStoredName) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 1);
    std::string s = ReadAll(p);
    s.replace(32, 6, " NAME ");  // stored with blanks around
    WriteAll(p, s);
    TDBF dbf;
    dbf.SetFileName(p);
    dbf.Open();
    EXPECT_EQ(dbf.FieldIndex("name"), 0);
    EXPECT_THROW(dbf.FieldByName("NAME"), EDBFError);
}

// ---- real tables -------------------------------------------------------------------------

TEST(DbfFixtures, TablesOpenWithTheFieldsAndCountsOfTheirSummaries) {
    for (const char* name : {"cp1251", "dbase_03", "dbase_03_cyrillic", "dbase_30", "dbase_31", "dbase_32",
                             "dbase_83", "dbase_8b", "dbase_f5"}) {
        SCOPED_TRACE(name);
        Summary sum = ReadSummary(vxtest::Fixture(std::string(name) + "_summary.txt"));
        ASSERT_FALSE(sum.Fields.empty());
        TDBF dbf;
        dbf.SetFileName(vxtest::Fixture(std::string(name) + ".dbf"));
        dbf.SetReadOnly(true);
        ASSERT_NO_THROW(dbf.Open());
        EXPECT_EQ(dbf.GetRecordCount(), sum.Records);
        ASSERT_EQ(dbf.FieldCount, int(sum.Fields.size()));
        for (int i = 0; i < dbf.FieldCount; ++i) {
            TFieldDescriptor d;
            dbf.GetFieldDescriptor(i, d);
            EXPECT_EQ(dbf.GetFieldName(i), sum.Fields[size_t(i)].Name);
            EXPECT_EQ(std::string(1, dbf.GetFieldType(i)), sum.Fields[size_t(i)].Type);
            EXPECT_EQ(d[16], sum.Fields[size_t(i)].Length);
            EXPECT_EQ(d[17], sum.Fields[size_t(i)].Decimals);
        }
        WalkEverything(dbf);
    }
}

TEST(DbfFixtures, KnownValuesOfRealTables) {
    TDBF dbf;
    dbf.SetFileName(vxtest::Fixture("dbase_03.dbf"));
    dbf.SetReadOnly(true);
    dbf.Open();
    dbf.Go(1);
    EXPECT_EQ(dbf.GetField(0)->GetAsTrimmedString(), "0507121");
    EXPECT_EQ(dbf.GetField(8)->GetAsDate(), (TDateTimeParts{2005, 7, 12}));
    EXPECT_EQ(dbf.GetField(30)->GetFieldType(), 'N');  // the second Point_ID

    TDBF vfp;
    vfp.SetFileName(vxtest::Fixture("dbase_31.dbf"));
    vfp.SetReadOnly(true);
    vfp.Open();
    vfp.Go(1);
    EXPECT_EQ(vfp.FieldByName("PRODUCTID")->GetAsInteger(), 1);
    EXPECT_EQ(vfp.FieldByName("PRODUCTNAM")->GetAsTrimmedString(), "Chai");
    EXPECT_EQ(vfp.FieldByName("UNITPRICE")->GetAsCurrency(), 180000);  // 18.0000
    EXPECT_EQ(vfp.GetBacklink(), "northwind.dbc");
}

TEST(DbfFixtures, OtherLayoutsAndEmptyTablesAreRefused) {
    std::string p = vxtest::Fixture("dbase_8c.dbf");
    EXPECT_EQ(OpenError(p, true), p + " - Unsupported table format (48-byte field descriptors)!");
    p = vxtest::Fixture("dbase_02.dbf");  // 16-byte descriptors: its header length is beyond the file
    EXPECT_EQ(OpenError(p, true), p + " - Invalid header length!");
    p = vxtest::Fixture("polygon.dbf");
    EXPECT_EQ(OpenError(p, true), p + " - Invalid field count!");
}

TEST(DbfFixtures, FoxProDatabaseTablesOpen) {
    for (const char* name : {"foxprodb/calls.dbf", "foxprodb/contacts.dbf", "foxprodb/setup.dbf",
                             "foxprodb/types.dbf", "mazovia.dbf"}) {
        SCOPED_TRACE(name);
        TDBF dbf;
        dbf.SetFileName(vxtest::Fixture(name));
        dbf.SetReadOnly(true);
        ASSERT_NO_THROW(dbf.Open());
        EXPECT_GT(dbf.FieldCount, 0);
        WalkEverything(dbf);
    }
    TDBF calls;
    calls.SetFileName(vxtest::Fixture("foxprodb/calls.dbf"));
    calls.SetReadOnly(true);
    calls.Open();
    EXPECT_EQ(calls.GetRecordCount(), 16u);
    EXPECT_EQ(calls.GetBacklink(), "foxpro-db-test.dbc");
}

// ---- damaged and hostile files -----------------------------------------------------------

TEST(DbfDamaged, EveryPrefixOfRealTablesGivesATableOrTheEngineError) {
    TempDir dir;
    std::string p = dir.Path("prefix.dbf");
    // Read-only: the file is written once and cut shorter step by step.
    for (const char* name : {"dbase_03.dbf", "dbase_31.dbf", "dbase_30.dbf"}) {
        std::string whole = ReadAll(vxtest::Fixture(name));
        WriteAll(p, whole);
        int opened = 0;
        size_t last = std::min<size_t>(whole.size(), 12000);
        std::filesystem::resize_file(p, last);
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
        int opened = 0;
        for (size_t n = 0; n <= whole.size(); ++n) {
            WriteAll(p, whole.substr(0, n));
            std::filesystem::remove(dir.Path("prefix.dbt"));
            TDBF dbf;
            dbf.SetFileName(p);
            try {
                dbf.Open();
            } catch (const EDBFError&) {
                continue;
            }
            ++opened;
            WalkEverything(dbf);
        }
        EXPECT_GT(opened, 0) << name;
    }
}

TEST(DbfDamaged, HostileLengthsAndCountsGiveATableOrTheEngineError) {
    TempDir dir;
    std::string p = dir.Path("hostile.dbf");
    std::string base = ReadAll(vxtest::Fixture("dbase_03.dbf"));
    const uint32_t counts[] = {0, 1, 13, 14, 15, 0x7FFFFFFF, 0xFFFFFFFF};
    const uint16_t lengths[] = {0, 1, 31, 32, 33, 64, 65, 1024, 1025, 1026, 9286, 9287, 0xFFFF};
    for (uint32_t c : counts)
        for (uint16_t hl : lengths)
            for (uint16_t rl : {uint16_t(0), uint16_t(1), uint16_t(589), uint16_t(590), uint16_t(591), uint16_t(0xFFFF)}) {
                std::string s = base;
                PutLE32(s, 4, c);
                PutLE16(s, 8, hl);
                PutLE16(s, 10, rl);
                WriteAll(p, s);
                TDBF dbf;
                dbf.SetFileName(p);
                try {
                    dbf.Open();
                } catch (const EDBFError&) {
                    continue;
                }
                WalkEverything(dbf);
            }
    // Random damage anywhere in the header area and the first records.
    std::mt19937 rng(20240501);
    std::string small = ReadAll(vxtest::Fixture("dbase_8b.dbf"));
    for (int round = 0; round < 3000; ++round) {
        std::string s = small;
        int flips = 1 + int(rng() % 8);
        for (int k = 0; k < flips; ++k) s[rng() % 400] = char(rng());
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
