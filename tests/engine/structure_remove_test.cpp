// Removing fields from an open table in place: the bytes after the change, the deletion
// flags and memo references that stay, refusals, and the worker's calling order.
#include "dbftestutil.h"

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

// The header area after a removal: descriptors with recomputed offsets.
std::string Area(uint8_t version, const std::vector<FieldDef>& fields, uint32_t count) {
    std::string h = ExpectedHeaderArea(version, fields, count);
    uint32_t offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        h.replace(32 + 32 * i + 12, 4, LE32(offset));
        offset += fields[i].Length;
    }
    return h;
}

const std::vector<FieldDef> FiveFields = {
    {"A", 'C', 3}, {"B", 'N', 4, 1}, {"C", 'C', 2}, {"D", 'D', 8}, {"E", 'L', 1}};

// Record r of FiveFields, field by field.
std::vector<std::string> Parts(int r) {
    std::string n = std::to_string(r);
    return {r % 2 ? "*" : " ", "a" + n + " ", " " + n + ".5", "c" + n, "2024010" + n, r % 3 ? "T" : "F"};
}

std::string Join(const std::vector<std::string>& parts, const std::vector<int>& keep) {
    std::string s = parts[0];
    for (int k : keep) s += parts[size_t(k) + 1];
    return s;
}

std::string MakeTable(const TempDir& dir, uint8_t version, int records, const std::string& tail = "") {
    std::string bytes = ExpectedHeaderArea(version, FiveFields, uint32_t(records));
    for (int r = 0; r < records; ++r) bytes += Join(Parts(r), {0, 1, 2, 3, 4});
    WriteAll(dir.Path("t.dbf"), bytes + tail);
    return dir.Path("t.dbf");
}

std::vector<FieldDef> Pick(const std::vector<FieldDef>& fields, const std::vector<int>& keep) {
    std::vector<FieldDef> out;
    for (int k : keep) out.push_back(fields[size_t(k)]);
    return out;
}

struct Opened {
    TDBF Dbf;
    explicit Opened(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
    }
};

}  // namespace

TEST(StructureRemove, SeveralFieldsLeaveTheOthersInOrderByteForByte) {
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        // An appended record left an end byte; the change truncates behind the last record.
        std::string path = MakeTable(dir, version, 4, "\x1A");
        {
            Opened t(path);
            const int32_t gone[] = {1, 3};
            std::vector<int64_t> order;
            ASSERT_TRUE(t.Dbf.RemoveFields(gone, 2, [&](int64_t i, int64_t n) {
                order.push_back(i);
                EXPECT_EQ(n, 4);
            }));
            EXPECT_EQ(order, (std::vector<int64_t>{0, 1, 2, 3}));
            EXPECT_EQ(t.Dbf.FieldCount, 3);
            EXPECT_EQ(t.Dbf.GetFieldName(1), "C");
            EXPECT_EQ(t.Dbf.GetField(2)->GetOffset(), 6u);
            EXPECT_EQ(t.Dbf.GetHeaderLength(), HeaderLengthFor(version, 3));
            t.Dbf.Go(2);
            EXPECT_TRUE(t.Dbf.GetDeleted());
            EXPECT_EQ(t.Dbf.GetField(1)->GetAsString(), "c1");
        }
        std::string expected = Area(version, Pick(FiveFields, {0, 2, 4}), 4);
        for (int r = 0; r < 4; ++r) expected += Join(Parts(r), {0, 2, 4});
        EXPECT_EQ(ReadAll(path), expected);
    }
}

TEST(StructureRemove, FirstOrLastFieldAlone) {
    for (int gone : {0, 4}) {
        SCOPED_TRACE(gone);
        TempDir dir;
        std::string path = MakeTable(dir, 0x03, 3);
        {
            Opened t(path);
            ASSERT_TRUE(t.Dbf.RemoveFields(&gone, 1));
        }
        std::vector<int> keep = gone == 0 ? std::vector<int>{1, 2, 3, 4} : std::vector<int>{0, 1, 2, 3};
        std::string expected = Area(0x03, Pick(FiveFields, keep), 3);
        for (int r = 0; r < 3; ++r) expected += Join(Parts(r), keep);
        EXPECT_EQ(ReadAll(path), expected);
    }
}

TEST(StructureRemove, EmptyTableOnlyLosesDescriptors) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x30, 0);
    {
        Opened t(path);
        const int32_t gone[] = {0, 1, 2, 3};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 4));
        EXPECT_EQ(t.Dbf.FieldCount, 1);
    }
    EXPECT_EQ(ReadAll(path), Area(0x30, Pick(FiveFields, {4}), 0));
}

TEST(StructureRemove, MemoFieldsGoWithTheirReferencesAndTheMemoFileStays) {
    TempDir dir;
    std::string path = dir.Path("m.dbf");
    CreateTable(path, 0x30, {{"NAME", 'C', 4}, {"M1", 'M', 4}, {"M2", 'M', 4}, {"PIC", 'G', 4}});
    {
        Opened t(path);
        for (const char* n : {"one", "two"}) {
            t.Dbf.Append();
            t.Dbf.GetField(0)->SetAsString(n);
            t.Dbf.SetMemo("M1", std::string("first ") + n);
            t.Dbf.SetMemo("M2", std::string("second ") + n);
            t.Dbf.Post();
        }
    }
    const std::string memoBefore = ReadAll(dir.Path("m.fpt"));
    {
        Opened t(path);
        EXPECT_EQ(t.Dbf.MemoFieldCount, 3);
        const int32_t gone[] = {1, 3};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 2));
        EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
        std::string text;
        t.Dbf.Go(2);
        t.Dbf.GetMemo("M2", text);
        EXPECT_EQ(text, "second two");
    }
    EXPECT_EQ(ReadAll(dir.Path("m.fpt")), memoBefore);
    Opened t(path);
    EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
    EXPECT_EQ(t.Dbf.GetRecordLength(), 9);
    std::string text;
    t.Dbf.Go(1);
    t.Dbf.GetMemo("M2", text);
    EXPECT_EQ(text, "second one");
}

TEST(StructureRemove, RefusalsChangeNothing) {
    TempDir dir;
    std::string path = MakeTable(dir, 0x03, 3);
    const std::string before = ReadAll(path);
    Opened t(path);
    const int32_t all[] = {0, 1, 2, 3, 4};
    EXPECT_FALSE(t.Dbf.RemoveFields(all, 5));
    EXPECT_FALSE(t.Dbf.RemoveFieldDefs(all, 5));
    EXPECT_FALSE(t.Dbf.RemoveFields(all, 0));
    for (std::vector<int32_t> bad : {std::vector<int32_t>{2, 1}, {1, 1}, {-1}, {5}}) {
        EXPECT_THROW(t.Dbf.RemoveFields(bad.data(), int32_t(bad.size())), EDBFError);
        EXPECT_THROW(t.Dbf.RemoveFieldDefs(bad.data(), int32_t(bad.size())), EDBFError);
    }
    EXPECT_EQ(t.Dbf.FieldCount, 5);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 1);
}

TEST(StructureRemove, WorkerCallingOrderGivesTheSameFile) {
    TempDir a, b;
    std::string pa = MakeTable(a, 0x30, 7), pb = MakeTable(b, 0x30, 7);
    const int32_t gone[] = {0, 2, 3};
    {
        Opened t(pa);
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 3));
    }
    {
        Opened t(pb);
        const int64_t n = t.Dbf.GetRecordCount();
        const uint16_t r = t.Dbf.GetRecordLength();
        ASSERT_TRUE(t.Dbf.RemoveFieldDefs(gone, 3));
        EXPECT_EQ(t.Dbf.GetRecordLength(), 1 + 4 + 1);
        for (int64_t i = 0; i < n; ++i) ASSERT_TRUE(t.Dbf.NarrowRecord(i, r, 3));
        t.Dbf.FinishFieldRemoval();
    }
    EXPECT_EQ(ReadAll(pa), ReadAll(pb));
}

TEST(StructureRemove, VisualFoxProTableWithoutBacklinkAreaKeepsItsRecords) {
    // Some programs write version 0x30 tables whose first record follows the terminator:
    // no zeros may land on the records.
    TempDir dir;
    std::string bytes = ExpectedHeaderArea(0x03, FiveFields, 3);
    bytes[0] = char(0x30);
    for (int r = 0; r < 3; ++r) bytes += Join(Parts(r), {0, 1, 2, 3, 4});
    std::string path = dir.Path("t.dbf");
    WriteAll(path, bytes);
    {
        Opened t(path);
        const int32_t gone[] = {1};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 1));
        ASSERT_TRUE(t.Dbf.AddField("Z", 'C', 2, 0, "zz"));
    }
    std::vector<FieldDef> now = Pick(FiveFields, {0, 2, 3, 4});
    now.push_back({"Z", 'C', 2});
    std::string expected = Area(0x03, now, 3);  // the header length of a table without the area
    expected[0] = char(0x30);
    for (int r = 0; r < 3; ++r) expected += Join(Parts(r), {0, 2, 3, 4}) + "zz";
    EXPECT_EQ(ReadAll(path), expected);
}
