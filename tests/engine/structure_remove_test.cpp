// Removing fields from an open table in place: the bytes after the change, the deletion
// flags and memo references that stay, refusals, and the worker's calling order.
#include "dbftestutil.h"

#include <gtest/gtest.h>

using namespace dbftest;

namespace {

const std::vector<FieldDef> FiveFields = {
    {"A", 'C', 3}, {"B", 'N', 4, 1}, {"C", 'C', 2}, {"D", 'D', 8}, {"E", 'L', 1}};

// Record r of FiveFields, flag first, then field by field.
std::vector<std::string> Parts(int r) {
    std::string n = std::to_string(r);
    return {r % 2 ? "*" : " ", "a" + n + " ", " " + n + ".5", "c" + n, "2024010" + n, r % 3 ? "T" : "F"};
}

std::vector<FieldDef> Pick(const std::vector<int>& keep) {
    std::vector<FieldDef> out;
    for (int k : keep) out.push_back(FiveFields[size_t(k)]);
    return out;
}

// The records 0..n-1 holding only the fields `keep`.
std::string Records(int n, const std::vector<int>& keep) {
    std::string s;
    for (int r = 0; r < n; ++r) {
        std::vector<std::string> parts = Parts(r);
        s += parts[0];
        for (int k : keep) s += parts[size_t(k) + 1];
    }
    return s;
}

std::string MakeTable(const TempDir& dir, uint8_t version, int records, const std::string& tail = "") {
    WriteAll(dir.Path("t.dbf"),
             ExpectedHeaderArea(version, FiveFields, uint32_t(records)) + Records(records, {0, 1, 2, 3, 4}) + tail);
    return dir.Path("t.dbf");
}

}  // namespace

TEST(StructureRemove, RemovedFieldsLeaveTheOthersInOrderByteForByte) {
    struct Case {
        uint8_t Version;
        int Records;
        std::vector<int32_t> Gone;
        std::vector<int> Keep;
    };
    const Case cases[] = {
        {0x03, 4, {1, 3}, {0, 2, 4}}, {0x30, 4, {1, 3}, {0, 2, 4}}, {0x03, 3, {0}, {1, 2, 3, 4}},
        {0x03, 3, {4}, {0, 1, 2, 3}}, {0x30, 0, {0, 1, 2, 3}, {4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Version) + " removing " + std::to_string(c.Gone.size()));
        TempDir dir;
        // An appended record left an end byte; the change truncates behind the last record.
        std::string path = MakeTable(dir, c.Version, c.Records, "\x1A");
        {
            Opened t(path);
            std::vector<int64_t> order;
            ASSERT_TRUE(t.Dbf.RemoveFields(c.Gone.data(), int32_t(c.Gone.size()), [&](int64_t i, int64_t n) {
                order.push_back(i);
                EXPECT_EQ(n, c.Records);
            }));
            EXPECT_EQ(order.size(), size_t(c.Records));
            for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], int64_t(i));
            EXPECT_EQ(t.Dbf.FieldCount, int(c.Keep.size()));
            EXPECT_EQ(t.Dbf.GetHeaderLength(), HeaderLengthFor(c.Version, c.Keep.size()));
            if (c.Records > 2) {
                t.Dbf.Go(2);
                EXPECT_TRUE(t.Dbf.GetDeleted());
                EXPECT_EQ(t.Dbf.GetField(0)->GetAsString(), Parts(1)[size_t(c.Keep[0]) + 1]);
            }
        }
        EXPECT_EQ(ReadAll(path), ChangedArea(c.Version, Pick(c.Keep), uint32_t(c.Records)) + Records(c.Records, c.Keep));
    }
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
        t.Dbf.Go(2);
        EXPECT_EQ(t.Memo("M2"), "second two");
    }
    EXPECT_EQ(ReadAll(dir.Path("m.fpt")), memoBefore);
    Opened t(path);
    EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
    EXPECT_EQ(t.Dbf.GetRecordLength(), 9);
    t.Dbf.Go(1);
    EXPECT_EQ(t.Memo("M2"), "second one");
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
    EXPECT_EQ(Snapshot(dir).size(), 1u);
}

TEST(StructureRemove, WorkerCallingOrderGivesTheSameFile) {
    TempDir a, b;
    std::string pa = MakeTable(a, 0x30, 7), pb = MakeTable(b, 0x30, 7);
    const int32_t gone[] = {0, 2, 3};
    ASSERT_TRUE(Opened(pa).Dbf.RemoveFields(gone, 3));
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
    std::string bytes = ExpectedHeaderArea(0x03, FiveFields, 3) + Records(3, {0, 1, 2, 3, 4});
    bytes[0] = char(0x30);
    std::string path = dir.Path("t.dbf");
    WriteAll(path, bytes);
    {
        Opened t(path);
        const int32_t gone[] = {1};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 1));
        ASSERT_TRUE(t.Dbf.AddField("Z", 'C', 2, 0, "zz"));
    }
    std::vector<FieldDef> now = Pick({0, 2, 3, 4});
    now.push_back({"Z", 'C', 2});
    std::string expected = ChangedArea(0x03, now, 3);  // the header length of a table without the area
    expected[0] = char(0x30);
    for (int r = 0; r < 3; ++r) {
        std::vector<std::string> p = Parts(r);
        expected += p[0] + p[1] + p[3] + p[4] + p[5] + "zz";
    }
    EXPECT_EQ(ReadAll(path), expected);
}
