// Adding a field to an open table in place: the bytes of the table and memo files after the
// change, the values every type receives from the fill text, and the worker's calling order.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dbftest;

namespace {

std::string LE64(int64_t v) { return LE32(uint32_t(uint64_t(v))) + LE32(uint32_t(uint64_t(v) >> 32)); }

// A table written byte by byte: the header area of `fields` (offsets 0), then the records.
std::string MakeTable(const TempDir& dir, uint8_t version, const std::vector<FieldDef>& fields,
                      const std::vector<std::string>& records) {
    std::string bytes = ExpectedHeaderArea(version, fields, uint32_t(records.size()));
    for (const auto& r : records) bytes += r;
    WriteAll(dir.Path("t.dbf"), bytes);
    return dir.Path("t.dbf");
}

const std::vector<FieldDef> TwoFields = {{"NAME", 'C', 10}, {"CODE", 'N', 9}};

// A record of TwoFields: flag, NAME left-aligned, CODE right-aligned; 20 bytes.
std::string Rec(char flag, const std::string& name, const std::string& code) {
    std::string n = name;
    n.resize(10, ' ');
    return std::string(1, flag) + n + std::string(9 - code.size(), ' ') + code;
}

const std::vector<std::string> ThreeRecords = {Rec(' ', "alpha", "1"), Rec(' ', "beta", "2"), Rec('*', "gamma", "3")};

std::vector<FieldDef> With(std::vector<FieldDef> fields, FieldDef f) {
    fields.push_back(std::move(f));
    return fields;
}

// The three-record table after adding a field: its records each followed by `added[r]`.
std::string ThreeWith(uint8_t version, const FieldDef& f, const std::vector<std::string>& added, uint8_t flags = 0) {
    std::string s = ChangedArea(version, With(TwoFields, f), 3, flags);
    for (size_t r = 0; r < 3; ++r) s += ThreeRecords[r] + added[r];
    return s;
}

}  // namespace

TEST(StructureAdd, CharacterFieldGrowsEveryRecordByteForByte) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, ThreeRecords);
    {
        Opened t(path);
        std::vector<int64_t> order;
        EXPECT_TRUE(t.Dbf.AddField("ADDED", 'C', 5, 0, "ab", [&](int64_t i, int64_t n) {
            order.push_back(i);
            EXPECT_EQ(n, 3);
        }));
        EXPECT_EQ(order, (std::vector<int64_t>{2, 1, 0}));
        EXPECT_EQ(t.Dbf.FieldCount, 3);
        EXPECT_EQ(t.Dbf.GetHeaderLength(), 129);
        EXPECT_EQ(t.Dbf.GetRecordLength(), 25);
        // The table stays open on the new layout.
        t.Dbf.Go(2);
        EXPECT_EQ(t.Dbf.GetField(2)->GetAsString(), "ab   ");
        EXPECT_EQ(t.Dbf.GetField(2)->GetOffset(), 20u);
        EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "beta");
    }
    EXPECT_EQ(ReadAll(path), ThreeWith(0x03, {"ADDED", 'C', 5}, {"ab   ", "ab   ", "ab   "}));  // no end byte
}

TEST(StructureAdd, FillValuesOfEveryType) {
    double half = 2.5;
    std::string b25(8, '\0');
    std::memcpy(b25.data(), &half, 8);
    struct Case {
        char Type;
        uint8_t Length, Decimals;
        const char* Fill;
        uint8_t Version;
        std::string Bytes;
    };
    const Case cases[] = {
        {'N', 8, 1, "12.5", 0x03, "    12.5"},
        {'F', 4, 0, "123456", 0x03, "1234"},  // first characters, right end
        {'D', 8, 0, "20240229", 0x03, "20240229"},
        {'D', 8, 0, "", 0x03, "        "},
        {'C', 5, 0, "abcdefg", 0x03, "abcde"},
        {'L', 1, 0, "T", 0x03, "T"},
        {'L', 1, 0, "", 0x03, " "},
        {'X', 3, 0, "q", 0x03, "q  "},  // any other letter: as C
        // DateTime: Julian day number and milliseconds; the empty text is 1970-01-01 0:0:0.
        {'T', 8, 0, "", 0x30, LE32(2440588) + LE32(0)},
        {'T', 8, 0, "2007-5-1 12:0:0", 0x30, LE32(2454222) + LE32(43200000)},
        {'T', 8, 0, "2007-05-01", 0x30, LE32(2454222) + LE32(0)},
        {'T', 8, 0, "7-5-1 0:0:1.5", 0x30, LE32(2454222) + LE32(1005)},
        // Currency: exactly value x 10000, rounded at the fifth decimal.
        {'Y', 8, 4, "1.2345", 0x30, LE64(12345)},
        {'Y', 8, 4, "-0.00005", 0x30, LE64(-1)},
        {'Y', 8, 4, "922337203685477.5807", 0x30, LE64(INT64_MAX)},
        {'Y', 8, 4, "1e3", 0x30, LE64(10000000)},
        {'Y', 8, 4, "", 0x30, LE64(0)},
        {'I', 4, 0, " -42", 0x30, LE32(uint32_t(-42))},
        {'I', 4, 0, "-2147483648", 0x30, LE32(0x80000000u)},
        {'I', 4, 0, "", 0x30, LE32(0)},
        {'B', 8, 2, "2.5", 0x30, b25},
        {'B', 8, 2, "", 0x30, std::string(8, '\0')},
        // General and picture: the none reference, never blanks (block 0x20202020).
        {'G', 4, 0, "", 0x30, std::string(4, '\0')},
        {'P', 4, 0, "ignored", 0x31, std::string(4, '\0')},
        {'G', 10, 0, "", 0xF5, std::string(10, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.Type) + " '" + c.Fill + "'");
        TempDir dir;
        std::string path = MakeTable(dir, c.Version, TwoFields, ThreeRecords);
        {
            Opened t(path);
            ASSERT_TRUE(t.Dbf.AddField("NEW", c.Type, c.Length, c.Decimals, c.Fill));
        }
        const FieldDef f{"NEW", c.Type, c.Length, c.Decimals};
        const bool memo = c.Type == 'G' || c.Type == 'P';
        EXPECT_EQ(ReadAll(path), ThreeWith(c.Version, f, {c.Bytes, c.Bytes, c.Bytes},
                                           memo && c.Version != 0xF5 ? 0x02 : 0));
    }
}

TEST(StructureAdd, FirstMemoFieldMakesATableWithMemoAndItsMemoFile) {
    // Records go from the last to the first: the last record gets the first block.
    struct Case {
        uint8_t Version, NewVersion, Flags;
        FieldDef Field;
        std::vector<std::string> Refs;
        const char* MemoName;
        std::string Memo;
    };
    auto blocks = [](const std::string& block) { return block + block + block; };
    const Case cases[] = {
        {0x03, 0x83, 0, {"NOTES", 'M', 10}, {"         3", "         2", "         1"}, "t.dbt",
         LE32(4) + std::string(508, '\0') + blocks("x\x1A" + std::string(510, '\0'))},
        {0x30, 0x30, 0x02, {"NOTES", 'M', 4}, {LE32(10), LE32(9), LE32(8)}, "t.fpt",  // the backlink area stays
         BE32(11) + std::string(3, '\0') + "\x40" + std::string(504, '\0') + blocks(BE32(1) + BE32(1) + "x" + std::string(55, '\0'))},
        {0x8B, 0x8B, 0, {"NOTES", 'M', 10}, {"         3", "         2", "         1"}, "t.dbt",  // dBASE IV layout
         LE32(4) + std::string(4, '\0') + "t" + std::string(12, '\0') + "\x02" + std::string(490, '\0') +
             blocks("\xFF\xFF\x08" + std::string(1, '\0') + LE32(9) + "x" + std::string(503, '\0'))},
        // General: the none reference.
        {0x30, 0x30, 0x02, {"PIC", 'G', 4}, {LE32(0), LE32(0), LE32(0)}, "t.fpt", BE32(8) + std::string(3, '\0') + "\x40" + std::string(504, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Version) + c.Field.Type);
        TempDir dir;
        std::string path = MakeTable(dir, c.Version, TwoFields, ThreeRecords);
        {
            Opened t(path);
            ASSERT_FALSE(t.Dbf.GetMemoOpened());
            ASSERT_TRUE(t.Dbf.AddField(c.Field.Name, c.Field.Type, c.Field.Length, 0, "x"));
            EXPECT_EQ(t.Dbf.GetVersion(), c.NewVersion);
            EXPECT_EQ(t.Dbf.GetTableFlags(), c.Flags);
            EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
            EXPECT_TRUE(t.Dbf.GetMemoOpened());
            for (uint32_t r = 1; r <= 3; ++r) {
                t.Dbf.Go(r);
                EXPECT_EQ(t.Memo(c.Field.Name), c.Field.Type == 'M' ? "x" : "");
            }
        }
        EXPECT_EQ(ReadAll(path), ThreeWith(c.NewVersion, c.Field, c.Refs, c.Flags));
        EXPECT_EQ(ReadAll(dir.Path(c.MemoName)), c.Memo);
    }
}

TEST(StructureAdd, MemoFieldsJoinAnExistingMemoFile) {
    TempDir dir;
    std::string path = dir.Path("m.dbf");
    CreateTable(path, 0xF5, {{"NAME", 'C', 10}, {"OLD", 'M', 10}});
    {
        Opened t(path);
        for (const char* memo : {"first", "second"}) {
            t.Dbf.Append();
            t.Dbf.SetMemo("OLD", memo);
            t.Dbf.Post();
        }
        ASSERT_TRUE(t.Dbf.AddField("NEW", 'M', 10, 0, "added"));
        ASSERT_TRUE(t.Dbf.AddField("EMPTY", 'M', 10, 0, ""));
        EXPECT_EQ(t.Dbf.MemoFieldCount, 3);
    }
    Opened t(path);
    t.Dbf.Go(2);
    EXPECT_EQ(t.Memo("OLD"), "second");
    EXPECT_EQ(t.Memo("NEW"), "added");
    EXPECT_EQ(t.Dbf.GetField(3)->GetAsString(), std::string(10, ' '));  // none
    // Each record got a block of its own behind the old memos.
    const int32_t b2 = t.Dbf.GetField(2)->GetMemoBlock();
    t.Dbf.Go(1);
    const int32_t b1 = t.Dbf.GetField(2)->GetMemoBlock();
    EXPECT_EQ(b1, b2 + 1);
    EXPECT_EQ(t.Dbf.GetMemoNextBlock(), b1 + 1);
}

TEST(StructureAdd, EmptyTableOnlyGainsTheDescriptor) {
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        std::string path = MakeTable(dir, version, TwoFields, {});
        Opened(path).Dbf.AddField("ADDED", 'N', 5, 0, "1");
        EXPECT_EQ(ReadAll(path), ChangedArea(version, With(TwoFields, {"ADDED", 'N', 5}), 0));
    }
    // A memo field still makes the table one with memo, with its memo file.
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, {});
    Opened(path).Dbf.AddField("NOTES", 'M', 10, 0, "x");
    EXPECT_EQ(ReadAll(path), ChangedArea(0x83, With(TwoFields, {"NOTES", 'M', 10}), 0));
    EXPECT_EQ(ReadAll(dir.Path("t.dbt")), LE32(1) + std::string(508, '\0'));
}

TEST(StructureAdd, EndBytePartialRecordAndPaddingAreHandled) {
    // The end byte and a partial record do not survive.
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, ThreeRecords);
    WriteAll(path, ReadAll(path) + "\x1A" + std::string(15, 'J'));
    Opened(path).Dbf.AddField("ADDED", 'C', 1, 0, "z");
    EXPECT_EQ(ReadAll(path), ThreeWith(0x03, {"ADDED", 'C', 1}, {"z", "z", "z"}));
    // A record longer than its fields: the new field goes where reading will look for it.
    std::string bytes = ExpectedHeaderArea(0x03, TwoFields, 2);
    bytes[10] = 23;  // record length 23: three bytes of padding
    WriteAll(path, bytes + Rec(' ', "alpha", "1") + "PAD" + Rec(' ', "beta", "2") + "PAD");
    Opened(path).Dbf.AddField("ADDED", 'C', 2, 0, "ok");
    Opened t(path);
    EXPECT_EQ(t.Dbf.GetRecordLength(), 25);
    t.Dbf.Go(2);
    EXPECT_EQ(t.Dbf.GetField(2)->GetAsString(), "ok");
    EXPECT_EQ(t.Dbf.GetField(1)->GetAsFloat(), 2.0);
    EXPECT_EQ(ReadAll(path).substr(97 + 32 + 25, 25), Rec(' ', "beta", "2") + "okPAD");
}

TEST(StructureAdd, WorkerCallingOrderGivesTheSameFiles) {
    // The operations called as the worker does, step by step, against the whole change.
    for (char type : {'C', 'M', 'T'}) {
        SCOPED_TRACE(type);
        TempDir a, b;
        std::string pa = MakeTable(a, 0x30, TwoFields, ThreeRecords);
        std::string pb = MakeTable(b, 0x30, TwoFields, ThreeRecords);
        const uint8_t length = type == 'C' ? 6 : type == 'M' ? 4 : 8;
        const std::string fill = type == 'T' ? "2001-2-3" : "fill";
        ASSERT_TRUE(Opened(pa).Dbf.AddField("NEW", type, length, 0, fill));
        {
            Opened t(pb);
            const int64_t n = t.Dbf.GetRecordCount();
            const int64_t h = t.Dbf.GetHeaderLength(), r = t.Dbf.GetRecordLength();
            ASSERT_TRUE(t.Dbf.GrowForField(length));
            EXPECT_EQ(int64_t(std::filesystem::file_size(pb)), h + n * (r + length) + 32);
            for (int64_t i = n - 1; i >= 0; --i) ASSERT_TRUE(t.Dbf.WidenRecord(i, type, length, 0, fill));
            TField* last = t.Dbf.GetField(1);
            ASSERT_TRUE(t.Dbf.AppendFieldDef("NEW", type, last->GetOffset() + last->GetLength(), length, 0));
            EXPECT_EQ(t.Dbf.MemoFieldCount, type == 'M' ? 1 : 0);
        }
        EXPECT_EQ(Snapshot(a), Snapshot(b));
        EXPECT_EQ(std::filesystem::exists(a.Path("t.fpt")), type == 'M');
    }
}

TEST(StructureAdd, NoRoomForAnotherFieldChangesNothing) {
    TempDir dir;
    std::vector<FieldDef> fields;
    for (int i = 0; i < 254; ++i) fields.push_back({"F" + std::to_string(i), 'C', 1});
    std::string path = dir.Path("full.dbf");
    CreateTable(path, 0x03, fields);
    const std::string before = ReadAll(path);
    Opened t(path);
    EXPECT_FALSE(t.Dbf.AddField("MORE", 'C', 1, 0, ""));
    EXPECT_FALSE(t.Dbf.GrowForField(1));
    EXPECT_FALSE(t.Dbf.AppendFieldDef("MORE", 'C', 255, 1, 0));
    EXPECT_EQ(t.Dbf.FieldCount, 254);
    EXPECT_EQ(ReadAll(path), before);
}
