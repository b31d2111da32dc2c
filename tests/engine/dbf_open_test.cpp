// Creating and opening tables: the bytes CreateTable writes and its failures, the lifecycle,
// the checks of the header area, the layouts real files have, the record count, the
// accessors, and damaged or hostile files that must give a table or the engine error.
#include "dbftestutil.h"

#include <cstring>
#include <functional>
#include <random>

using namespace dbftest;
namespace fs = std::filesystem;

namespace {

// Opens `path` and returns the error text, or "" when it opened.
std::string OpenError(const std::string& path) {
    TDBF dbf;
    dbf.SetFileName(path);
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

TEST(DbfCreate, WritesTheHeaderAreaByteForByteAndAMemoFileOnlyWhereOneBelongs) {
    TempDir dir;
    const std::vector<FieldDef> fields = {
        {"NAME", 'C', 10}, {"PRICE", 'N', 8, 2}, {"BORN", 'D', 8}, {"A23456789X", 'L', 1}};
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30), uint8_t(0xF5)}) {
        CreateTable(dir.Path("create.dbf"), version, fields);
        EXPECT_EQ(ReadAll(dir.Path("create.dbf")), ExpectedHeaderArea(version, fields)) << int(version);
    }
    // No memo file without a memo field, for a version without a memo file, or one unknown.
    CreateTable(dir.Path("plain.dbf"), 0x03, {{"NOTE", 'M', 10}});
    CreateTable(dir.Path("unknown.dbf"), 0x32, {{"NOTE", 'M', 4}});
    EXPECT_EQ(Snapshot(dir).size(), 3u);
    Opened t(dir.Path("plain.dbf"));
    EXPECT_FALSE(t.Dbf.GetMemoOpened());
    EXPECT_EQ(t.Dbf.GetMemoFileName(), dir.Path("plain.dbt"));
}

TEST(DbfCreate, FailuresAndShortWritesRaiseTheStepMessage) {
    TempDir dir;
    auto attempt = [](const std::string& path) {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.AddFieldDef("A", 'C', 0, 1, 0);
        dbf.SetHeader(0x03, 1, 1, 1, 0, 65, 2, 0, 0);
        std::string error = ErrorOf([&] { dbf.CreateTable(); });
        EXPECT_FALSE(dbf.Active);
        return error;
    };
    EXPECT_NE(attempt(dir.Path("missing/folder/x.dbf")), "(none)");
    // A device is no table file: refused before anything is written to it.
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(attempt("/dev/full"), "Cannot open file \"/dev/full\". It is not a regular file.");
    }
    {
        TFileSizeLimit full(10);
        EXPECT_EQ(attempt(dir.Path("head.dbf")), dir.Path("head.dbf") + " - Error in write DBF head structure!");
    }
    TFileSizeLimit tiny(40);
    EXPECT_EQ(attempt(dir.Path("new.dbf")), dir.Path("new.dbf") + " - Error in write DBF field type!");
}

TEST(DbfCreate, At254FieldsNoFieldMore) {
    TempDir dir;
    std::vector<FieldDef> fields;
    TDBF dbf;
    for (int i = 0; i < 254; ++i) {
        fields.push_back({"F" + std::to_string(i), 'C', 255});
        ASSERT_TRUE(dbf.AddFieldDef(fields.back().Name, 'C', 0, 1, 0));
    }
    EXPECT_FALSE(dbf.AddFieldDef("X", 'C', 0, 1, 0));
    const std::string path = dir.Path("max.dbf");
    CreateTable(path, 0x30, fields);
    const std::string before = ReadAll(path);
    Opened t(path);
    EXPECT_EQ(t.Dbf.GetFieldName(253), "F253");
    // Neither a structure change nor its steps add a 255th.
    EXPECT_FALSE(t.Dbf.AddField("MORE", 'C', 1, 0, ""));
    EXPECT_FALSE(t.Dbf.GrowForField(1));
    EXPECT_FALSE(t.Dbf.AppendFieldDef("MORE", 'C', 255, 1, 0));
    EXPECT_EQ(ReadAll(path), before);
}

TEST(DbfLifecycle, ChecksOpenAndClosedStateAndNames) {
    TempDir dir;
    TDBF dbf;
    EXPECT_EQ(ErrorOf([&] { dbf.Go(1); }), "File not open yet!");
    dbf.SetFileName(MakeSmallTable(dir, 1));
    dbf.Open();
    dbf.Open();  // nothing when already open
    EXPECT_EQ(ErrorOf([&] { dbf.SetReadOnly(true); }), "File already opened!");
    dbf.Close();
    dbf.Close();  // nothing when closed
    EXPECT_FALSE(dbf.Active);
    EXPECT_EQ(dbf.FieldCount, 0);
    dbf.Open();  // the same object opens again
    EXPECT_EQ(dbf.FieldCount, 4);

    for (char c : std::string("CYNFDTBILMGP")) EXPECT_EQ(FieldTypeFromName(FieldTypeName(c)), c) << c;
    EXPECT_EQ(FieldTypeName('V'), "");
    EXPECT_EQ(FieldTypeFromName("character"), 0);  // exact, case-sensitive
}

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
         [](std::string& s) { s[32 + 4 * 32] = 'X', PutLE16(s, 10, 27); }, " - Invalid head terminator!"},
    };
    for (const Case& c : cases) {
        std::string s = good;
        c.Damage(s);
        WriteAll(p, s);
        EXPECT_EQ(OpenError(p), p + c.Message) << c.What;
    }
    EXPECT_NE(OpenError(dir.Path("nothere.dbf")), "");
}

// A named pipe in a table's place is refused at once, read-only (the source of a new table's
// structure) or read/write, and when it cannot be written (the read-only fallback); a memo file
// that is one is told as a memo file that cannot be opened. Nothing waits for a writer.
TEST(DbfOpen, ANamedPipeIsNoTableAndIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.Path("pipe.dbf");
    ASSERT_TRUE(vxtest::MakeFifo(fifo));
    const std::string refused = "Cannot open file \"" + fifo + "\". It is not a regular file.";
    for (bool readOnly : {true, false}) {
        for (mode_t mode : {0600, 0400}) {
            ::chmod(fifo.c_str(), mode);
            std::string error;
            EXPECT_TRUE(vxtest::EndsWithin(5, [&] {
                TDBF dbf;
                dbf.SetFileName(fifo);
                dbf.SetReadOnly(readOnly);
                error = ErrorOf([&] { dbf.Open(); });
            }, fifo)) << readOnly << " " << mode;
            EXPECT_EQ(error, refused) << readOnly << " " << mode;
        }
    }
    CreateTable(dir.Path("memo.dbf"), 0x30, {{"NOTE", 'M', 4}});
    fs::remove(dir.Path("memo.fpt"));
    ASSERT_TRUE(vxtest::MakeFifo(dir.Path("memo.fpt")));
    std::string error;
    TDBF memo;
    memo.SetFileName(dir.Path("memo.dbf"));
    EXPECT_TRUE(vxtest::EndsWithin(5, [&] { error = ErrorOf([&] { memo.Open(); }); }, dir.Path("memo.fpt")));
    EXPECT_NE(error.find("It is not a regular file."), std::string::npos) << error;
    EXPECT_FALSE(memo.GetMemoOpened());
}

TEST(DbfOpen, PaddingBacklinksAndOtherEndBytesAreReadAndNotRewritten) {
    TempDir dir;
    const std::string p = dir.Path("t.dbf");
    auto header = [](uint8_t version, bool area, uint16_t recordLength, size_t padding, char end, const char* link) {
        std::string h = ExpectedHeaderArea(area ? 0x30 : 0x03, SmallFields(), 1) + std::string(padding, '\0');
        h[0] = char(version);
        PutLE16(h, 8, uint16_t(h.size()));
        PutLE16(h, 10, recordLength);
        h[32 + 4 * 32] = end;
        return h.replace(32 + 4 * 32 + 1, std::strlen(link), link);
    };
    // Some programs end the header with 0x0A: read when the lengths agree with each other.
    const std::tuple<const char*, std::string, const char*, const char*> cases[] = {
        {"record padding", header(0x03, false, 30, 0, 0x0D, "") + SmallRecord("PADDED") + "1234", "PADDED", ""},
        {"header padding after the terminator", header(0x03, false, 26, 5, 0x0D, "") + SmallRecord("X"), "X", ""},
        {"0x30 without backlink area", header(0x30, false, 26, 0, 0x0D, "") + SmallRecord("X"), "X", ""},
        {"0x30 with a backlink", header(0x30, true, 26, 0, 0x0D, "store.dbc") + SmallRecord("X"), "X", "store.dbc"},
        {"end byte 0x0A", header(0x03, false, 26, 0, 0x0A, "") + SmallRecord("X"), "X", ""},
        {"0x0A before a backlink", header(0x30, true, 26, 0, 0x0A, "store.dbc") + SmallRecord("X"), "X", "store.dbc"},
    };
    for (const auto& [what, bytes, first, backlink] : cases) {
        SCOPED_TRACE(what);
        WriteAll(p, bytes);
        Opened t(p);
        EXPECT_EQ(t.Dbf.FieldCount, 4);
        EXPECT_EQ(t.Dbf.GetRecordCount(), 1u);
        EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), first);
        EXPECT_EQ(t.Dbf.GetBacklink(), backlink);
        EXPECT_EQ(ReadAll(p), bytes);
    }
}

TEST(DbfOpen, RecordCountIsTheHeadersUnlessTheWholeRecordsSayOtherwiseAndOpeningWritesNothing) {
    // The header's count, the bytes after 12 whole records, the count used.
    const std::tuple<uint32_t, std::string, uint32_t> cases[] = {
        {12, "\x1A", 12},
        {12, std::string(3 * SmallRL + 5, '\x1A'), 12},  // end marks are no records
        {10, "\x1A" "partial", 12},                      // more real records than the header says
        {14, "cut", 12},                                 // fewer: the table is shorter than its header
    };
    for (const auto& [header, after, count] : cases)
        for (bool readOnly : {true, false}) {
            SCOPED_TRACE(std::to_string(header) + (readOnly ? " read-only" : ""));
            TempDir dir;
            const std::string p = MakeSmallTable(dir, 12);
            std::string s = ReadAll(p) + after;
            PutLE32(s, 4, header);
            WriteAll(p, s);
            Opened t(p, readOnly);
            EXPECT_EQ(std::pair(t.Dbf.GetRecordCount(), t.Dbf.GetShorterThanHeader()), std::pair(count, header > 12));
            WalkEverything(t.Dbf);
            EXPECT_EQ(ReadAll(p), s);
            // The header follows the data once a command writes the table.
            t.Dbf.Append();
            EXPECT_EQ(ErrorOf([&] { t.Dbf.Post(); }), readOnly ? p + " - The file is opened read-only!" : "(none)");
            EXPECT_EQ(NamesOf(p), std::string("R1,R2,R3,R4,R5,R6,R7,R8,R9,R10,R11,R12,") + (readOnly ? "" : ","));
            EXPECT_EQ(ReadAll(p).substr(4, 4), LE32(readOnly ? header : 13));
        }
}

TEST(DbfOpen, EndMarkPaddingIsNoRecordWhateverTheHeaderSaysAndOpeningWritesNothing) {
    TempDir dir;
    const std::string p = dir.Path("t.dbf");
    WriteAll(p, vxtest::PaddedTableBytes(1, 5, 5, 512));  // a one-byte record has no room for a field
    EXPECT_EQ(OpenError(p), p + " - Invalid record length!");
    for (const uint16_t rl : {2, 3, 15, 41, 94, 252})
        for (const uint32_t n : {0u, 1u, 5u, 45u})
            for (const size_t marks : {size_t(1), size_t(rl + 1), size_t(2 * rl + 1), size_t(512), size_t(1024)})
                for (const uint32_t header : {n, n + 3, n + 300, n / 2}) {
                    SCOPED_TRACE(std::to_string(rl) + " bytes, " + std::to_string(n) + " records, " +
                                 std::to_string(marks) + " marks, header " + std::to_string(header));
                    const std::string bytes = vxtest::PaddedTableBytes(rl, n, header, marks);
                    WriteAll(p, bytes);
                    Opened t(p);
                    EXPECT_EQ(std::pair(t.Dbf.GetRecordCount(), t.Dbf.GetShorterThanHeader()), std::pair(n, header > n));
                    int paged = 0;  // pages end at the count
                    for (int64_t page = 1; page <= 20; ++page) paged += t.Dbf.ReadPage(page, 4);
                    EXPECT_EQ(paged, int(n));
                    t.Dbf.Close();
                    ASSERT_EQ(ReadAll(p), bytes);
                }
}

TEST(DbfOpen, AccessorsOfHeaderAndDescriptors) {
    TempDir dir;
    std::string p = MakeSmallTable(dir, 2);
    std::string s = ReadAll(p);
    s[1] = 7, s[2] = 5, s[3] = 1, s[28] = 2, s[29] = 3;
    s[32 + 32 + 12] = 0x55;     // stored offsets are replaced
    s.replace(32, 6, " NAME ");  // FieldIndex trims a stored name; FieldByName does not
    WriteAll(p, s);
    Opened t(p);
    TDBF& dbf = t.Dbf;
    EXPECT_EQ(dbf.GetLastUpdate(), "07.05.01");
    EXPECT_EQ(dbf.GetTableFlags(), 2);
    EXPECT_EQ(dbf.GetCodePage(), 3);
    TDBFHeader h;
    dbf.GetHeader(h);
    EXPECT_EQ(std::string(h.begin(), h.end()), s.substr(0, 32));
    TFieldDescriptor d;
    dbf.GetFieldDescriptor(1, d);
    EXPECT_EQ(std::string(d.begin(), d.end()), ExpectedHeaderArea(0x03, SmallFields(), 0, true).substr(64, 32));
    EXPECT_EQ(std::string(1, dbf.GetFieldType(0)) + dbf.GetFieldName(-1) + dbf.GetFieldType(4), "C**");
    EXPECT_EQ(dbf.FieldIndex("qty"), 1);
    EXPECT_EQ(dbf.FieldIndex("name"), 0);
    EXPECT_EQ(dbf.FieldIndex("none"), -1);
    EXPECT_EQ(dbf.FieldByName("day"), dbf.GetField(2));
    EXPECT_EQ(ErrorOf([&] { dbf.FieldByName("NAME"); }), p + "can not find fieldNAME");
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
            fs::resize_file(p, n);
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
    // Read/write: opening and reading write nothing.
    for (const char* name : {"dbase_8b.dbf", "cp1251.dbf"}) {
        std::string whole = ReadAll(vxtest::Fixture(name));
        for (size_t n = 0; n <= whole.size(); ++n) {
            WriteAll(p, whole.substr(0, n));
            OpenAndWalk(p);
            ASSERT_EQ(ReadAll(p), whole.substr(0, n)) << n;
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
