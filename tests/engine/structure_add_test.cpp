// Adding a field to an open table in place: the bytes of the table and memo files after the
// change, the values every type receives from the fill text, and the worker's calling order.
#include "dbftestutil.h"

#include "engine/dbfmemo.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dbftest;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

std::string LE32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char(v >> (8 * i));
    return s;
}
std::string LE64(int64_t v) { return LE32(uint32_t(uint64_t(v))) + LE32(uint32_t(uint64_t(v) >> 32)); }
std::string BE32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// The header area as a structure change leaves it: the descriptors carry their offsets.
std::string Area(uint8_t version, const std::vector<FieldDef>& fields, uint32_t count, uint8_t flags = 0) {
    std::string h = ExpectedHeaderArea(version, fields, count);
    uint32_t offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        h.replace(32 + 32 * i + 12, 4, LE32(offset));
        offset += fields[i].Length;
    }
    h[28] = char(flags);
    return h;
}

// A table written byte by byte: the header area of `fields` (offsets 0), then the records.
std::string MakeTable(const TempDir& dir, uint8_t version, const std::vector<FieldDef>& fields,
                      const std::vector<std::string>& records, const std::string& name = "t.dbf") {
    std::string bytes = ExpectedHeaderArea(version, fields, uint32_t(records.size()));
    for (const auto& r : records) bytes += r;
    WriteAll(dir.Path(name), bytes);
    return dir.Path(name);
}

const std::vector<FieldDef> TwoFields = {{"NAME", 'C', 10}, {"CODE", 'N', 9}};

// A record of TwoFields: flag, NAME left-aligned, CODE right-aligned; 20 bytes.
std::string Rec(char flag, const std::string& name, const std::string& code) {
    std::string n = name, c = code;
    n.resize(10, ' ');
    return std::string(1, flag) + n + std::string(9 - c.size(), ' ') + c;
}

const std::vector<std::string> ThreeRecords = {Rec(' ', "alpha", "1"), Rec(' ', "beta", "2"), Rec('*', "gamma", "3")};


std::vector<FieldDef> With(std::vector<FieldDef> fields, FieldDef f) {
    fields.push_back(std::move(f));
    return fields;
}

struct Opened {
    TDBF Dbf;
    explicit Opened(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
    }
};

// Adds one field to the three-record table and returns the new field's bytes per record.
std::vector<std::string> AddedBytes(char type, uint8_t length, uint8_t decimals, const std::string& fill,
                                    uint8_t version = 0x03) {
    TempDir dir;
    std::string path = MakeTable(dir, version, TwoFields, ThreeRecords);
    {
        Opened t(path);
        EXPECT_TRUE(t.Dbf.AddField("NEW", type, length, decimals, fill));
    }
    std::string bytes = ReadAll(path);
    const size_t hl = HeaderLengthFor(version, 3), rl = 20 + length;
    EXPECT_EQ(bytes.size(), hl + 3 * rl);
    std::vector<std::string> out;
    for (size_t r = 0; r < 3 && hl + (r + 1) * rl <= bytes.size(); ++r) {
        EXPECT_EQ(bytes.substr(hl + r * rl, 20), ThreeRecords[r]);
        out.push_back(bytes.substr(hl + r * rl + 20, length));
    }
    return out;
}

std::vector<std::string> Three(const std::string& s) { return {s, s, s}; }

}  // namespace

TEST(StructureAdd, CharacterFieldGrowsEveryRecordByteForByte) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, ThreeRecords);
    ASSERT_EQ(ReadAll(path).size(), 97u + 60u);
    {
        Opened t(path);
        int64_t calls = 0;
        std::vector<int64_t> order;
        EXPECT_TRUE(t.Dbf.AddField("ADDED", 'C', 5, 0, "ab", [&](int64_t i, int64_t n) {
            order.push_back(i);
            EXPECT_EQ(n, 3);
            ++calls;
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
    std::string expected = Area(0x03, With(TwoFields, {"ADDED", 'C', 5}), 3);
    for (const auto& r : ThreeRecords) expected += r + "ab   ";
    EXPECT_EQ(ReadAll(path), expected);  // 47 bytes more, no end byte
    EXPECT_EQ(RecordNames(path), (std::vector<std::string>{"alpha", "beta", "gamma"}));
}

TEST(StructureAdd, FillValuesOfTheTextTypes) {
    EXPECT_EQ(AddedBytes('N', 8, 1, "12.5"), Three("    12.5"));
    EXPECT_EQ(AddedBytes('F', 4, 0, "123456"), Three("1234"));  // first characters, right end
    EXPECT_EQ(AddedBytes('D', 8, 0, "20240229"), Three("20240229"));
    EXPECT_EQ(AddedBytes('D', 8, 0, ""), Three("        "));
    EXPECT_EQ(AddedBytes('C', 5, 0, "abcdefg"), Three("abcde"));
    EXPECT_EQ(AddedBytes('L', 1, 0, "T"), Three("T"));
    EXPECT_EQ(AddedBytes('L', 1, 0, ""), Three(" "));
    EXPECT_EQ(AddedBytes('X', 3, 0, "q"), Three("q  "));  // any other letter: as C
}

TEST(StructureAdd, FillValuesOfTheBinaryTypes) {
    // DateTime: Julian day number and milliseconds; the empty text is 1970-01-01 0:0:0.
    EXPECT_EQ(AddedBytes('T', 8, 0, "", 0x30), Three(LE32(2440588) + LE32(0)));
    EXPECT_EQ(AddedBytes('T', 8, 0, "2007-5-1 12:0:0", 0x30), Three(LE32(2454222) + LE32(43200000)));
    EXPECT_EQ(AddedBytes('T', 8, 0, "2007-05-01", 0x30), Three(LE32(2454222) + LE32(0)));
    EXPECT_EQ(AddedBytes('T', 8, 0, "7-5-1 0:0:1.5", 0x30), Three(LE32(2454222) + LE32(1005)));
    // Currency: exactly value x 10000, rounded at the fifth decimal.
    EXPECT_EQ(AddedBytes('Y', 8, 4, "1.2345", 0x30), Three(LE64(12345)));
    EXPECT_EQ(AddedBytes('Y', 8, 4, "-0.00005", 0x30), Three(LE64(-1)));
    EXPECT_EQ(AddedBytes('Y', 8, 4, "922337203685477.5807", 0x30), Three(LE64(INT64_MAX)));
    EXPECT_EQ(AddedBytes('Y', 8, 4, "1e3", 0x30), Three(LE64(10000000)));
    EXPECT_EQ(AddedBytes('Y', 8, 4, "", 0x30), Three(LE64(0)));
    EXPECT_EQ(AddedBytes('I', 4, 0, " -42", 0x30), Three(LE32(uint32_t(-42))));
    EXPECT_EQ(AddedBytes('I', 4, 0, "-2147483648", 0x30), Three(LE32(0x80000000u)));
    EXPECT_EQ(AddedBytes('I', 4, 0, "", 0x30), Three(LE32(0)));
    double half = 2.5;
    std::string b(8, '\0');
    std::memcpy(b.data(), &half, 8);
    EXPECT_EQ(AddedBytes('B', 8, 2, "2.5", 0x30), Three(b));
    EXPECT_EQ(AddedBytes('B', 8, 2, "", 0x30), Three(std::string(8, '\0')));
}

TEST(StructureAdd, GeneralAndPictureFieldsGetTheNoneReference) {
    // 4-byte reference: 0, never blanks (which would read as block 0x20202020).
    EXPECT_EQ(AddedBytes('G', 4, 0, "", 0x30), Three(std::string(4, '\0')));
    EXPECT_EQ(AddedBytes('P', 4, 0, "ignored", 0x31), Three(std::string(4, '\0')));
    EXPECT_EQ(AddedBytes('G', 10, 0, "", 0xF5), Three(std::string(10, ' ')));

    TempDir dir;
    std::string path = MakeTable(dir, 0x30, TwoFields, ThreeRecords);
    Opened t(path);
    ASSERT_TRUE(t.Dbf.AddField("PIC", 'G', 4, 0, ""));
    EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
    EXPECT_EQ(t.Dbf.GetTableFlags(), 0x02);
    EXPECT_TRUE(t.Dbf.GetMemoOpened());  // the memo file exists for the table's memo fields
    t.Dbf.Go(1);
    EXPECT_EQ(t.Dbf.GetField(2)->GetMemoBlock(), NoMemoBlock);
}

TEST(StructureAdd, FirstMemoFieldOfADBaseIIITableMakesItATableWithMemo) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, ThreeRecords);
    {
        Opened t(path);
        ASSERT_FALSE(t.Dbf.GetMemoOpened());
        ASSERT_TRUE(t.Dbf.AddField("NOTES", 'M', 10, 0, "x"));
        EXPECT_EQ(t.Dbf.GetVersion(), 0x83);
        EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
        std::string text;
        for (uint32_t r = 1; r <= 3; ++r) {
            t.Dbf.Go(r);
            t.Dbf.GetMemo("NOTES", text);
            EXPECT_EQ(text, "x");
        }
    }
    // Records go from the last to the first: the last record has block 1.
    std::string expected = Area(0x83, With(TwoFields, {"NOTES", 'M', 10}), 3);
    const char* refs[] = {"         3", "         2", "         1"};
    for (size_t r = 0; r < 3; ++r) expected += ThreeRecords[r] + refs[r];
    EXPECT_EQ(ReadAll(path), expected);

    std::string memo = LE32(4) + std::string(508, '\0');
    for (int b = 0; b < 3; ++b) memo += "x\x1A" + std::string(510, '\0');
    EXPECT_EQ(ReadAll(dir.Path("t.dbt")), memo);
}

TEST(StructureAdd, FirstMemoFieldOfAVisualFoxProTableSetsTheMemoFlag) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x30, TwoFields, ThreeRecords);
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("NOTES", 'M', 4, 0, "x"));
        EXPECT_EQ(t.Dbf.GetTableFlags(), 0x02);
    }
    std::string expected = Area(0x30, With(TwoFields, {"NOTES", 'M', 4}), 3, 0x02);
    for (size_t r = 0; r < 3; ++r) expected += ThreeRecords[r] + LE32(uint32_t(10 - r));
    EXPECT_EQ(ReadAll(path), expected);  // the backlink area stays, as zeros

    std::string memo = BE32(11) + std::string(2, '\0') + std::string("\0\x40", 2) + std::string(504, '\0');
    for (int b = 0; b < 3; ++b) memo += BE32(1) + BE32(1) + "x" + std::string(55, '\0');
    EXPECT_EQ(ReadAll(dir.Path("t.fpt")), memo);
}

TEST(StructureAdd, MemoFieldsJoinAnExistingMemoFile) {
    TempDir dir;
    std::vector<FieldDef> fields = {{"NAME", 'C', 10}, {"OLD", 'M', 10}};
    std::string path = dir.Path("m.dbf");
    CreateTable(path, 0xF5, fields);
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
    std::string text;
    t.Dbf.Go(2);
    t.Dbf.GetMemo("OLD", text);
    EXPECT_EQ(text, "second");
    t.Dbf.GetMemo("NEW", text);
    EXPECT_EQ(text, "added");
    EXPECT_EQ(t.Dbf.GetField(3)->GetAsString(), std::string(10, ' '));  // none
    // Each record got a block of its own behind the old memos.
    t.Dbf.Go(1);
    int32_t b1 = t.Dbf.GetField(2)->GetMemoBlock();
    t.Dbf.Go(2);
    int32_t b2 = t.Dbf.GetField(2)->GetMemoBlock();
    EXPECT_EQ(b1, b2 + 1);
    EXPECT_EQ(t.Dbf.GetMemoNextBlock(), b1 + 1);
}

TEST(StructureAdd, MemoFieldOfADBaseIVTableUsesItsOwnLayout) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x8B, TwoFields, ThreeRecords);
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("NOTES", 'M', 10, 0, "dBASE IV"));
        EXPECT_EQ(t.Dbf.GetVersion(), 0x8B);
    }
    Opened t(path);
    ASSERT_TRUE(t.Dbf.GetMemoOpened());
    EXPECT_EQ(t.Dbf.GetMemoObject().GetLayout(), vx::TMemoLayout::DBT4);
    std::string text;
    t.Dbf.Go(3);
    t.Dbf.GetMemo("NOTES", text);
    EXPECT_EQ(text, "dBASE IV");
    std::string memo = ReadAll(dir.Path("t.dbt"));
    ASSERT_EQ(memo.size(), 512u * 4);
    EXPECT_EQ(memo.substr(512, 16), std::string("\xFF\xFF\x08\x00", 4) + LE32(16) + "dBASE IV");
}

TEST(StructureAdd, EmptyTableOnlyGainsTheDescriptor) {
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        std::string path = MakeTable(dir, version, TwoFields, {});
        {
            Opened t(path);
            ASSERT_TRUE(t.Dbf.AddField("ADDED", 'N', 5, 0, "1"));
        }
        EXPECT_EQ(ReadAll(path), Area(version, With(TwoFields, {"ADDED", 'N', 5}), 0));
    }
    // A memo field still makes the table one with memo, with its memo file.
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, {});
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("NOTES", 'M', 10, 0, "x"));
    }
    EXPECT_EQ(ReadAll(path), Area(0x83, With(TwoFields, {"NOTES", 'M', 10}), 0));
    EXPECT_EQ(ReadAll(dir.Path("t.dbt")), LE32(1) + std::string(508, '\0'));
}

TEST(StructureAdd, EndByteAndPartialRecordDoNotSurvive) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, TwoFields, ThreeRecords);
    WriteAll(path, ReadAll(path) + "\x1A" + std::string(15, 'J'));
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("ADDED", 'C', 1, 0, "z"));
    }
    std::string expected = Area(0x03, With(TwoFields, {"ADDED", 'C', 1}), 3);
    for (const auto& r : ThreeRecords) expected += r + "z";
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(StructureAdd, RecordPaddingStaysBehindTheNewField) {
    // A record longer than its fields: the new field goes where reading will look for it.
    TempDir dir;
    std::string bytes = ExpectedHeaderArea(0x03, TwoFields, 2);
    bytes[10] = 23;  // record length 23: three bytes of padding
    bytes += Rec(' ', "alpha", "1") + "PAD" + Rec(' ', "beta", "2") + "PAD";
    std::string path = dir.Path("p.dbf");
    WriteAll(path, bytes);
    {
        Opened t(path);
        ASSERT_TRUE(t.Dbf.AddField("ADDED", 'C', 2, 0, "ok"));
    }
    Opened t(path);
    EXPECT_EQ(t.Dbf.GetRecordLength(), 25);
    t.Dbf.Go(2);
    EXPECT_EQ(t.Dbf.GetField(2)->GetAsString(), "ok");
    EXPECT_EQ(t.Dbf.GetField(1)->GetAsFloat(), 2.0);
    EXPECT_EQ(ReadAll(path).substr(97 + 32 + 25, 25), Rec(' ', "beta", "2") + "okPAD");
}

TEST(StructureAdd, WorkerCallingOrderGivesTheSameFiles) {
    // The six operations called as the worker does, step by step, against the whole change.
    for (char type : {'C', 'M', 'T'}) {
        SCOPED_TRACE(type);
        TempDir a, b;
        std::string pa = MakeTable(a, 0x30, TwoFields, ThreeRecords);
        std::string pb = MakeTable(b, 0x30, TwoFields, ThreeRecords);
        const uint8_t length = type == 'C' ? 6 : type == 'M' ? 4 : 8;
        const std::string fill = type == 'T' ? "2001-2-3" : "fill";
        {
            Opened t(pa);
            ASSERT_TRUE(t.Dbf.AddField("NEW", type, length, 0, fill));
        }
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
        EXPECT_EQ(ReadAll(pa), ReadAll(pb));
        EXPECT_EQ(ReadAll(a.Path("t.fpt")), ReadAll(b.Path("t.fpt")));
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
