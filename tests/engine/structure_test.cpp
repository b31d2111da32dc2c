// Structure change in place: adding a field (the values every type receives from the fill
// text, the memo file a memo field brings) and removing fields, byte for byte on the table and
// memo files, and the steps in the worker's calling order against the whole changes.
#include "dbftestutil.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>
#include <tuple>

using namespace dbftest;

namespace {

std::string LE64(int64_t v) { return LE32(uint32_t(uint64_t(v))) + LE32(uint32_t(uint64_t(v) >> 32)); }

// The header area of `fields` as written (offsets 0) or as a structure change leaves it
// (offsets stored, table flags as given). The backlink area of 0x30 and 0x31 tables holds a
// name, which a structure change keeps.
std::string Area(uint8_t version, const std::vector<FieldDef>& fields, uint32_t count, bool changed, uint8_t flags = 0) {
    std::string h = ExpectedHeaderArea(version, fields, count, changed);
    h[28] = char(flags);
    return version == 0x30 || version == 0x31 ? h.replace(h.size() - 263, 6, "db.dbc") : h;
}

// A table "t.dbf" written byte by byte: its header area, then the records.
std::string WriteTable(const TempDir& dir, uint8_t version, const std::vector<FieldDef>& fields, uint32_t count,
                       const std::string& records) {
    WriteAll(dir.Path("t.dbf"), Area(version, fields, count, false) + records);
    return dir.Path("t.dbf");
}

// For adding: NAME C10 and CODE N9, three records of 20 bytes, the third one deleted.
const std::vector<FieldDef> TwoFields = {{"NAME", 'C', 10}, {"CODE", 'N', 9}};
std::string Rec(char flag, const std::string& name, const std::string& code) {
    std::string n = name;
    n.resize(10, ' ');
    return std::string(1, flag) + n + std::string(9 - code.size(), ' ') + code;
}
const std::vector<std::string> ThreeRecords = {Rec(' ', "alpha", "1"), Rec(' ', "beta", "2"), Rec('*', "gamma", "3")};
std::string MakeThree(const TempDir& dir, uint8_t version) {
    return WriteTable(dir, version, TwoFields, 3, ThreeRecords[0] + ThreeRecords[1] + ThreeRecords[2]);
}

std::vector<FieldDef> With(std::vector<FieldDef> fields, FieldDef f) {
    fields.push_back(std::move(f));
    return fields;
}

// The three-record table after adding a field: its records each followed by `added[r]`.
std::string ThreeWith(uint8_t version, const FieldDef& f, const std::vector<std::string>& added, uint8_t flags = 0) {
    std::string s = Area(version, With(TwoFields, f), 3, true, flags);
    for (size_t r = 0; r < 3; ++r) s += ThreeRecords[r] + added[r];
    return s;
}

// For removing: five fields; record r odd is deleted.
const std::vector<FieldDef> FiveFields = {{"A", 'C', 3}, {"B", 'N', 4, 1}, {"C", 'C', 2}, {"D", 'D', 8}, {"E", 'L', 1}};
std::vector<std::string> Parts(int r) {  // flag, then field by field
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
std::string MakeFive(const TempDir& dir, uint8_t version, int records, const std::string& tail = "") {
    return WriteTable(dir, version, FiveFields, uint32_t(records), Records(records, {0, 1, 2, 3, 4}) + tail);
}

}  // namespace

TEST(StructureAdd, FillValuesOfEveryTypeGrowEveryRecordByteForByte) {
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
        {'C', 5, 0, "ab", 0x03, "ab   "}, {'C', 5, 0, "abcdefg", 0x03, "abcde"}, {'N', 8, 1, "12.5", 0x03, "    12.5"},
        {'F', 4, 0, "123456", 0x03, "1234"},  // first characters, right end
        {'D', 8, 0, "20240229", 0x03, "20240229"}, {'D', 8, 0, "", 0x03, "        "}, {'L', 1, 0, "T", 0x03, "T"},
        {'X', 3, 0, "q", 0x03, "q  "},  // any other letter: as C
        // DateTime: Julian day number and milliseconds; the empty text is 1970-01-01 0:0:0.
        {'T', 8, 0, "", 0x30, LE32(2440588) + LE32(0)}, {'T', 8, 0, "2007-5-1 12:0:0", 0x30, LE32(2454222) + LE32(43200000)},
        {'T', 8, 0, "2007-05-01", 0x30, LE32(2454222) + LE32(0)}, {'T', 8, 0, "7-5-1 0:0:1.5", 0x30, LE32(2454222) + LE32(1005)},
        // Currency: exactly value x 10000, rounded at the fifth decimal.
        {'Y', 8, 4, "1.2345", 0x30, LE64(12345)}, {'Y', 8, 4, "-0.00005", 0x30, LE64(-1)},
        {'Y', 8, 4, "922337203685477.5807", 0x30, LE64(INT64_MAX)}, {'Y', 8, 4, "1e3", 0x30, LE64(10000000)},
        {'Y', 8, 4, "", 0x30, LE64(0)}, {'I', 4, 0, " -42", 0x30, LE32(uint32_t(-42))},
        {'I', 4, 0, "-2147483648", 0x30, LE32(0x80000000u)}, {'I', 4, 0, "", 0x30, LE32(0)},
        {'B', 8, 2, "2.5", 0x30, b25}, {'B', 8, 2, "", 0x30, std::string(8, '\0')},
        // General and picture: the none reference, never blanks (block 0x20202020).
        {'G', 4, 0, "", 0x30, std::string(4, '\0')}, {'P', 4, 0, "ignored", 0x31, std::string(4, '\0')},
        {'G', 10, 0, "", 0xF5, std::string(10, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.Type) + " '" + c.Fill + "'");
        TempDir dir;
        std::string path = MakeThree(dir, c.Version);
        {
            Opened t(path);
            std::string order;  // records go from the last to the first
            ASSERT_TRUE(t.Dbf.AddField("NEW", c.Type, c.Length, c.Decimals, c.Fill,
                                       [&](int64_t i, int64_t n) { order += std::to_string(i) + "/" + std::to_string(n) + " "; }));
            EXPECT_EQ(order, "2/3 1/3 0/3 ");
            t.Dbf.Go(2);  // the table stays open on the new layout
            EXPECT_EQ(t.Dbf.GetField(2)->GetRawView(), c.Bytes);
            EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "beta");
        }
        const bool memo = c.Type == 'G' || c.Type == 'P';
        EXPECT_EQ(ReadAll(path), ThreeWith(c.Version, {"NEW", c.Type, c.Length, c.Decimals}, {c.Bytes, c.Bytes, c.Bytes},
                                           memo && c.Version != 0xF5 ? 0x02 : 0));  // no end byte
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
             blocks("\xFF\xFF\x08" + std::string(1, '\0') + LE32(9) + "x\x1F" + std::string(502, '\0'))},
        // General: the none reference.
        {0x30, 0x30, 0x02, {"PIC", 'G', 4}, {LE32(0), LE32(0), LE32(0)}, "t.fpt", BE32(8) + std::string(3, '\0') + "\x40" + std::string(504, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Version) + c.Field.Type);
        TempDir dir;
        std::string path = MakeThree(dir, c.Version);
        {
            Opened t(path);
            ASSERT_FALSE(t.Dbf.GetMemoOpened());
            ASSERT_TRUE(t.Dbf.AddField(c.Field.Name, c.Field.Type, c.Field.Length, 0, "x"));
            EXPECT_EQ(t.Dbf.MemoFieldCount, 1);
            for (uint32_t r = 1; r <= 3; ++r) {
                t.Dbf.Go(r);
                EXPECT_EQ(t.Memo(c.Field.Name), c.Field.Type == 'M' ? "x" : "");
            }
        }
        EXPECT_EQ(ReadAll(path), ThreeWith(c.NewVersion, c.Field, c.Refs, c.Flags));
        EXPECT_EQ(ReadAll(dir.Path(c.MemoName)), c.Memo);
    }
}

TEST(StructureAdd, MemoFieldsJoinTheMemoFileAndLeaveItAsItWas) {
    TempDir dir;
    std::string path = dir.Path("m.dbf");
    CreateTable(path, 0xF5, {{"NAME", 'C', 10}, {"OLD", 'M', 10}, {"PIC", 'G', 10}});
    Opened t(path);
    for (const char* memo : {"first", "second"}) {
        t.Dbf.Append();
        t.Dbf.SetMemo("OLD", memo);
        t.Dbf.Post();
    }
    ASSERT_TRUE(t.Dbf.AddField("NEW", 'M', 10, 0, "added"));
    ASSERT_TRUE(t.Dbf.AddField("EMPTY", 'M', 10, 0, ""));
    EXPECT_EQ(t.Dbf.MemoFieldCount, 4);
    t.Dbf.Go(2);
    EXPECT_EQ(t.Memo("OLD") + "," + t.Memo("NEW"), "second,added");
    EXPECT_EQ(t.Dbf.GetField(4)->GetAsString(), std::string(10, ' '));  // none
    // Each record got a block of its own behind the old memos, the last record first.
    const int32_t b2 = t.Dbf.GetField(3)->GetMemoBlock();
    t.Dbf.Go(1);
    EXPECT_EQ(t.Dbf.GetField(3)->GetMemoBlock(), b2 + 1);
    EXPECT_EQ(t.Dbf.GetMemoNextBlock(), b2 + 2);
    // Removing memo fields takes their references along and leaves the memo file as it was.
    const std::string memo = ReadAll(dir.Path("m.fpt"));
    const int32_t gone[] = {1, 2};
    ASSERT_TRUE(t.Dbf.RemoveFields(gone, 2));
    EXPECT_EQ(t.Dbf.MemoFieldCount, 2);
    EXPECT_EQ(t.Memo("NEW"), "added");
    EXPECT_EQ(ReadAll(dir.Path("m.fpt")), memo);
}

TEST(StructureAdd, EmptyTablesEndBytesPartialRecordsAndPadding) {
    for (uint8_t version : {uint8_t(0x03), uint8_t(0x30)}) {  // an empty table only gains the descriptor
        TempDir dir;
        std::string path = WriteTable(dir, version, TwoFields, 0, "");
        Opened(path).Dbf.AddField("ADDED", 'N', 5, 0, "1");
        EXPECT_EQ(ReadAll(path), Area(version, With(TwoFields, {"ADDED", 'N', 5}), 0, true)) << int(version);
    }
    // A memo field still makes it a table with memo, with its memo file.
    TempDir dir;
    std::string path = WriteTable(dir, 0x03, TwoFields, 0, "");
    Opened(path).Dbf.AddField("NOTES", 'M', 10, 0, "x");
    EXPECT_EQ(ReadAll(path), Area(0x83, With(TwoFields, {"NOTES", 'M', 10}), 0, true));
    EXPECT_EQ(ReadAll(dir.Path("t.dbt")), LE32(1) + std::string(508, '\0'));
    // The end byte and a partial record do not survive.
    path = MakeThree(dir, 0x03);
    WriteAll(path, ReadAll(path) + "\x1A" + std::string(15, 'J'));
    Opened(path).Dbf.AddField("ADDED", 'C', 1, 0, "z");
    EXPECT_EQ(ReadAll(path), ThreeWith(0x03, {"ADDED", 'C', 1}, {"z", "z", "z"}));
    // A record longer than its fields: the new field goes where reading will look for it.
    std::string bytes = ExpectedHeaderArea(0x03, TwoFields, 2);
    bytes[10] = 23;  // record length 23: three bytes of padding
    WriteAll(path, bytes + Rec(' ', "alpha", "1") + "PAD" + Rec(' ', "beta", "2") + "PAD");
    Opened(path).Dbf.AddField("ADDED", 'C', 2, 0, "ok");
    bytes = Area(0x03, With(TwoFields, {"ADDED", 'C', 2}), 2, true);
    bytes[10] = 25;
    EXPECT_EQ(ReadAll(path), bytes + Rec(' ', "alpha", "1") + "okPAD" + Rec(' ', "beta", "2") + "okPAD");
}

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
        std::string path = MakeFive(dir, c.Version, c.Records, "\x1A");
        {
            Opened t(path);
            std::string order;  // records go from the first to the last
            ASSERT_TRUE(t.Dbf.RemoveFields(c.Gone.data(), int32_t(c.Gone.size()), [&](int64_t i, int64_t n) {
                order += std::to_string(i) + "/" + std::to_string(n) + " ";
            }));
            std::string want;
            for (int i = 0; i < c.Records; ++i) want += std::to_string(i) + "/" + std::to_string(c.Records) + " ";
            EXPECT_EQ(order, want);
            if (c.Records > 2) {
                t.Dbf.Go(2);
                EXPECT_TRUE(t.Dbf.GetDeleted());
                EXPECT_EQ(t.Dbf.GetField(0)->GetAsString(), Parts(1)[size_t(c.Keep[0]) + 1]);
            }
        }
        EXPECT_EQ(ReadAll(path), Area(c.Version, Pick(c.Keep), uint32_t(c.Records), true) + Records(c.Records, c.Keep));
    }
}

TEST(StructureRemove, RefusalsChangeNothing) {
    TempDir dir;
    std::string path = MakeFive(dir, 0x03, 3);
    const std::string before = ReadAll(path);
    Opened t(path);
    const int32_t all[] = {0, 1, 2, 3, 4};
    EXPECT_FALSE(t.Dbf.RemoveFields(all, 5));
    EXPECT_FALSE(t.Dbf.RemoveFieldDefs(all, 5));
    EXPECT_FALSE(t.Dbf.RemoveFields(all, 0));
    for (std::vector<int32_t> bad : {std::vector<int32_t>{2, 1}, {1, 1}, {-1}, {5}}) {
        EXPECT_EQ(ErrorOf([&] { t.Dbf.RemoveFields(bad.data(), int32_t(bad.size())); }), path + " - Invalid field index!");
        EXPECT_THROW(t.Dbf.RemoveFieldDefs(bad.data(), int32_t(bad.size())), EDBFError);
    }
    EXPECT_EQ(t.Dbf.FieldCount, 5);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(Snapshot(dir).size(), 1u);
}

TEST(StructureRemove, VisualFoxProTableWithoutBacklinkAreaKeepsItsRecords) {
    // Some programs write version 0x30 tables whose first record follows the terminator:
    // no zeros may land on the records.
    TempDir dir;
    std::string path = MakeFive(dir, 0x03, 3);
    std::string bytes = ReadAll(path);
    bytes[0] = char(0x30);
    WriteAll(path, bytes);
    {
        Opened t(path);
        const int32_t gone[] = {1};
        ASSERT_TRUE(t.Dbf.RemoveFields(gone, 1));
        ASSERT_TRUE(t.Dbf.AddField("Z", 'C', 2, 0, "zz"));
    }
    std::string expected = Area(0x03, With(Pick({0, 2, 3, 4}), {"Z", 'C', 2}), 3, true);  // no area
    expected[0] = char(0x30);
    for (int r = 0; r < 3; ++r) {
        std::vector<std::string> p = Parts(r);
        expected += p[0] + p[1] + p[3] + p[4] + p[5] + "zz";
    }
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(StructureBatches, SameBytesAsTheStepsRecordByRecordAcrossBatchBoundaries) {
    // Records of 1,001 bytes: a batch holds about a thousand. A C field and a memo field join
    // (each record gets its memo in the order of the steps), then two fields leave.
    const std::vector<FieldDef> fields = {{"A", 'C', 250}, {"B", 'C', 250}, {"C", 'N', 250}, {"D", 'C', 250}};
    const int64_t widened = TDBF::StructureBatchRecords(RecordLengthFor(fields) + 5);
    ASSERT_GT(widened, 2);
    for (const int64_t n : {int64_t(0), int64_t(1), widened - 1, widened, widened + 1}) {
        SCOPED_TRACE(n);
        std::string records;
        for (int64_t r = 0; r < n; ++r)
            records += (r % 7 ? " " : "*") + std::string(250, char('a' + r % 26)) + std::string(250, char('A' + r % 26)) +
                       std::string(246, ' ') + std::to_string(1000 + r % 9000) + std::string(250, char('0' + r % 10));
        TempDir whole, steps;
        WriteTable(whole, 0x30, fields, uint32_t(n), records);
        WriteTable(steps, 0x30, fields, uint32_t(n), records);
        const int32_t gone[] = {1, 5};
        {
            Opened t(whole.Path("t.dbf"));
            std::vector<int64_t> order, want;
            auto note = [&](int64_t i, int64_t) { order.push_back(i); };
            ASSERT_TRUE(t.Dbf.AddField("E", 'C', 5, 0, "fill", note));
            ASSERT_TRUE(t.Dbf.AddField("F", 'M', 4, 0, "memo", note));
            const int64_t batch = TDBF::StructureBatchRecords(t.Dbf.GetRecordLength());
            ASSERT_TRUE(t.Dbf.RemoveFields(gone, 2, note));
            for (int round = 0; round < 2; ++round)
                for (int64_t i = n - 1; i >= 0; --i) want.push_back(i);
            for (int64_t i = 0; i < n; ++i) want.push_back(i);
            EXPECT_EQ(order, want);
            // A failure in the second batch puts everything back.
            if (n > batch) {
                const auto before = Snapshot(whole);
                t.Dbf.StructureFaultHook = [&](const char* step, int64_t i) {
                    if (std::string(step) == "narrow" && i == batch) throw std::runtime_error("injected");
                };
                const int32_t first[] = {0};
                EXPECT_THROW(t.Dbf.RemoveFields(first, 1), std::runtime_error);
                EXPECT_EQ(Snapshot(whole), before);
            }
        }
        {
            Opened t(steps.Path("t.dbf"));
            for (auto [type, length, fill] : {std::tuple<char, uint8_t, const char*>{'C', 5, "fill"}, {'M', 4, "memo"}}) {
                const uint32_t offset = t.Dbf.GetRecordLength();
                ASSERT_TRUE(t.Dbf.GrowForField(length));
                for (int64_t i = n - 1; i >= 0; --i) t.Dbf.WidenRecord(i, type, length, 0, fill);
                ASSERT_TRUE(t.Dbf.AppendFieldDef(type == 'C' ? "E" : "F", type, offset, length, 0));
            }
            const uint16_t length = t.Dbf.GetRecordLength();
            ASSERT_TRUE(t.Dbf.RemoveFieldDefs(gone, 2));
            for (int64_t i = 0; i < n; ++i) t.Dbf.NarrowRecord(i, length, 2);
            t.Dbf.FinishFieldRemoval();
        }
        EXPECT_TRUE(ReadAll(whole.Path("t.dbf")) == ReadAll(steps.Path("t.dbf")));
        EXPECT_TRUE(ReadAll(whole.Path("t.fpt")) == ReadAll(steps.Path("t.fpt")));
        EXPECT_EQ(Snapshot(whole).size(), 2u);  // no copy left behind
    }
}

TEST(StructureReal, AddingAndRemovingAFieldKeepsWhatDbfreadReadsOfEveryRealTable) {
    if (vxtest::PythonWith("dbfread").empty()) GTEST_SKIP() << "python3-dbfread is not installed";
    int changed = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(VX_FIXTURES)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext != ".dbf") continue;
        SCOPED_TRACE(e.path().string());
        // The table and its memo file, in a folder of their own.
        TempDir dir;
        for (const auto& f : std::filesystem::directory_iterator(e.path().parent_path()))
            if (f.path().stem() == e.path().stem())
                vxtest::CopyFixture(dir, std::filesystem::relative(f.path(), VX_FIXTURES).string());
        const std::string path = dir.Path(e.path().filename().string());
        const std::string before = vxtest::ReadWithDbfread(path);
        std::unique_ptr<Opened> t;
        if (ErrorOf([&] { t = std::make_unique<Opened>(path); }) != "(none)") continue;  // not a table it opens
        const uint8_t version = t->Dbf.GetVersion();
        // A text field, and a memo field where the table has a memo file: every value that
        // dbfread read stays, and the new field holds the fill text in every record.
        std::vector<std::tuple<const char*, char, uint8_t, const char*>> added = {{"VXTEXT", 'C', 3, "abc"}};
        if (t->Dbf.GetMemoOpened()) added.emplace_back("VXMEMO", 'M', version == 0x30 || version == 0x31 ? 4 : 10, "memo text");
        for (const auto& [name, type, length, fill] : added) {
            SCOPED_TRACE(name);
            ASSERT_TRUE(t->Dbf.AddField(name, type, length, 0, fill));
            std::string want = before;
            if (before.find("records=") != std::string::npos) {
                std::istringstream lines(before);
                std::string line;
                want.clear();
                for (int n = 0; std::getline(lines, line); ++n)
                    want += n == 0 ? (line.empty() ? "" : line + " ") + name + ":" + type + ":" + std::to_string(length) + ":0\n"
                                   : n == 1 ? line + "\n" : (line.empty() ? "" : line + "|") + "'" + fill + "'\n";
            }
            EXPECT_EQ(vxtest::ReadWithDbfread(path), want);
            const int32_t last[] = {t->Dbf.FieldCount - 1};
            ASSERT_TRUE(t->Dbf.RemoveFields(last, 1));
            EXPECT_EQ(vxtest::ReadWithDbfread(path), before);
        }
        ++changed;
    }
    EXPECT_GE(changed, 15);
}
