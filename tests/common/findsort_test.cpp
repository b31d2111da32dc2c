// The back ends of find, filter, sort and statistics over a row store built in the test, and
// the value readers they share.
#include "common/codepage.h"
#include "common/filter.h"
#include "common/find.h"
#include "common/findhistory.h"
#include "common/programfiles.h"
#include "common/replace.h"
#include "common/sampletable.h"
#include "common/stats.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "engine/dbftestutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include "rows_testutil.h"

#include <cmath>
#include <string>
#include <vector>

using rowtest::OneColumn;
using rowtest::TRows;

// ---- Find ----

TEST(FindMatch, ModesAndCase) {
    struct Case {
        const char* key;
        int match;
        bool ignoreCase;
        const char* value;
        bool expected;
    } cases[] = {
        {"bc", MatchAnyPart, false, "abcd", true},      {"BC", MatchAnyPart, false, "abcd", false},
        {"BC", MatchAnyPart, true, "abcd", true},       {"abc", MatchWholeField, true, "ABC", true},
        {"abc", MatchWholeField, true, "ABCD", false},  {"abc", MatchWholeField, false, "ABC", false},
        {"ab", MatchHead, true, "ABcd", true},          {"bc", MatchHead, true, "abcd", false},
        {"abcde", MatchHead, false, "abc", false},      {"x", 7, true, "x", false},
        // Letters above 0x7F fold through the code page: \xC9 and \xE9 are one letter's cases.
        {"\xC9T\xC9", MatchAnyPart, true, "l'\xE9t\xE9", true},
        {"\xC9T\xC9", MatchAnyPart, false, "l'\xE9t\xE9", false},
        {"\xE9", MatchWholeField, true, "\xC9", true},  {"\xD7", MatchWholeField, true, "\xF7", false},
    };
    for (const Case& c : cases) {
        TFindOptions o;
        o.Text = c.key;
        o.Match = c.match;
        o.IgnoreCase = c.ignoreCase;
        EXPECT_EQ(TFindMatcher(o).Matches(std::string_view(c.value)), c.expected)
            << c.key << " in " << c.value << " mode " << c.match;
    }
}

TEST(FindRow, DirectionsEndsAndFieldsOutsideTheRow) {
    TRows rows({{"a", "x"}, {"b", "Y"}, {"a", "y"}, {"c", "z"}});
    // Start row, direction (1: up), field, text, the row found; past either end nothing is read.
    const std::tuple<int, int, int, const char*, int> cases[] = {
        {0, 0, 1, "y", 1}, {2, 0, 1, "y", 2}, {3, 0, 1, "y", -1}, {4, 0, 1, "y", -1}, {3, 1, 1, "y", 2},
        {1, 1, 1, "y", 1}, {0, 1, 1, "y", -1}, {-1, 1, 1, "y", -1},
        {3, 1, 5, "", -1}};  // a field index left from a wider table matches nothing
    for (auto [start, direction, field, text, found] : cases) {
        TFindOptions o;
        o.StartRow = start;
        o.Direction = direction;
        o.FieldIndex = field;
        o.Text = text;
        EXPECT_EQ(FindRow(rows.Store.DataList, o), found) << start << " " << direction;
    }
}

TEST(FindHistory, CapsAtFifteenAndMovesRepeatsToTheTop) {
    vxtest::TempDir dir;
    vx::SetProgramFilesDir(dir.Root().string() + "/");
    EXPECT_TRUE(vx::ReadFindHistory(vx::FindHistoryPath()).empty());  // no file yet
    for (int i = 1; i <= 15; ++i) ASSERT_TRUE(vx::AddToFindHistory("t" + std::to_string(i)));
    ASSERT_TRUE(vx::AddToFindHistory("new"));
    std::vector<std::string> h = vx::ReadFindHistory(vx::FindHistoryPath());
    ASSERT_EQ(h.size(), 15u);
    EXPECT_EQ(h.front() + "|" + h.back(), "new|t2");  // t1 fell off
    ASSERT_TRUE(vx::AddToFindHistory("T9"));  // the same entry in another case
    h = vx::ReadFindHistory(vx::FindHistoryPath());
    ASSERT_EQ(h.size(), 15u);
    EXPECT_EQ(h[0] + "|" + h[1], "T9|new");
    EXPECT_EQ(std::count(h.begin(), h.end(), "t9"), 0);
    ASSERT_TRUE(vx::AddToFindHistory("caf\xC9"));
    ASSERT_TRUE(vx::AddToFindHistory("CAF\xE9"));  // \xC9 and \xE9 differ only in case
    const std::string bytes = vxtest::ReadAll(vx::FindHistoryPath());
    EXPECT_EQ(bytes.substr(0, 11), "CAF\xE9\nT9\nnew");
    EXPECT_EQ(bytes.find("caf\xC9"), std::string::npos);
    vx::SetProgramFilesDir(std::string());
}

// ---- Filter ----

TEST(Filter, OperatorsByFieldType) {
    const std::vector<TColumnInfo> columns = {{"NAME", 'C', 10, 0}, {"AMOUNT", 'N', 8, 1}, {"COUNT", 'I', 4, 0}};
    struct Case {
        const char* field;
        int op;
        const char* value;
        std::vector<std::string> row;  // NAME, AMOUNT, COUNT
        bool passes;
    } cases[] = {
        {"AMOUNT", 1, "10", {"", "10.0", "0"}, false},  // "=" on numbers compares texts
        {"AMOUNT", 4, "10", {"", "10.0", "0"}, true},
        {"AMOUNT", 6, "10", {"", "9.5", "0"}, true},
        {"AMOUNT", 3, "0", {"", "-1", "0"}, true},
        {"AMOUNT", 5, "abc", {"", "nan", "0"}, true},  // neither reads as a number: both 0
        {"AMOUNT", 7, "1", {"", "10.0", "0"}, false},  // Include never holds on numbers
        {"AMOUNT", 8, "1", {"", "10.0", "0"}, false},
        {"NAME", 2, "B", {"a", "", "0"}, true},  // lower case after upper case
        {"NAME", 2, "B", {"A", "", "0"}, false},
        {"NAME", 2, "z", {"\xE9t\xE9", "", "0"}, true},  // bytes above 0x7F by value
        {"NAME", 7, "\xE9t", {"l'\xE9t\xE9", "", "0"}, true},
        {"NAME", 7, "\xC9T", {"l'\xE9t\xE9", "", "0"}, false},  // case matters
        {"NAME", 8, "xy", {"abc", "", "0"}, true},
        {"name", 1, "abc", {"abc", "", "0"}, true},  // field names without regard to case
        {"COUNT", 1, "abc", {"", "", "0"}, true},     // "abc" counts as 0
        {"COUNT", 1, "abc", {"", "", "x"}, true},
        {"COUNT", 1, "abc", {"", "", "3"}, false},
        {"COUNT", 2, "-5", {"", "", "-4"}, true},
        {"COUNT", 7, "1", {"", "", "1"}, false},
        {"COUNT", 0, "1", {"", "", "9"}, true},  // None: every row
        {"GONE", 1, "1", {"1", "1", "1"}, false},  // no such field (a wider table's filter)
    };
    for (const Case& c : cases) {
        TRowFilter filter({{{c.field, c.op, c.value}}}, columns);
        TRowPool pool;
        EXPECT_EQ(filter.Passes(*pool.Make(false, 1, c.row)), c.passes)
            << c.field << " " << FilterOperatorText(c.op) << " " << c.value;
    }
    EXPECT_EQ(FilterOperatorOf("NotInclude"), 8);
    EXPECT_EQ(FilterOperatorOf("=="), -1);
}

TEST(Filter, GroupsListEachRowOnceAndUndoKeepsReleasedRowsOut) {
    TRows rows(OneColumn({"ab", "b", "a", "c", "ba"}));
    const std::vector<TColumnInfo> columns = {{"T", 'C', 4, 0}};
    // Both groups accept "ab" and "ba": each appears once.
    const TFilterList filter = {{{"T", 7, "a"}}, {{"T", 7, "b"}}};
    EXPECT_FALSE(ApplyFilter(rows.Store, {}, columns));  // nothing defined: list unchanged
    EXPECT_EQ(rows.Store.DataList.Count(), 5u);
    ASSERT_TRUE(ApplyFilter(rows.Store, filter, columns));
    EXPECT_EQ(rows.Column(), (std::vector<std::string>{"ab", "b", "a", "ba"}));
    EXPECT_FALSE(ApplyFilter(rows.Store, filter, columns));  // applied already
    // A command releases record 2 ("b") while the filter is applied.
    rows.Store.RemoveRecords({2});
    ASSERT_TRUE(UndoFilter(rows.Store));
    EXPECT_EQ(rows.Column(), (std::vector<std::string>{"ab", "a", "c", "ba"}));
    EXPECT_EQ(rows.RecNos(), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(rows.Store.BackupDataList.Count(), 0u);
    EXPECT_FALSE(UndoFilter(rows.Store));
}

// ---- Statistics ----

TEST(Statistics, ValuesAndEdgeColumns) {
    const std::vector<TColumnInfo> columns = {{"I", 'I', 4, 0}, {"N", 'N', 8, 2}, {"C", 'C', 3, 0}, {"L", 'L', 1, 0}};
    // Min, max, average and sum of I and N, min and max of C, average of L.
    auto all = [&](const std::vector<std::vector<std::string>>& data) {
        TRows rows(data);
        const std::vector<TFieldStat> s = FieldStatistics(rows.Store.DataList, columns);
        std::string out;
        for (const std::string& t : {s[0].Min, s[0].Max, s[0].Avg, s[0].Sum, s[1].Min, s[1].Max, s[1].Avg, s[1].Sum,
                                     s[2].Min, s[2].Max, s[3].Avg})
            out += t + "|";
        return out;
    };
    EXPECT_EQ(all({{"5", "1.5", "", "T"}, {"7", "2", "", "F"}, {"9", "x", "", "T"}}),
              "5|9|7|21|0|2|1.17|3.50|||-|");  // "x" counts as 0
    // The first row starts the range, not 0; averages are truncated.
    EXPECT_EQ(all({{"-3", "-1.25", "b", ""}, {"-8", "-2", "a", ""}}), "-8|-3|-5|-11|-2|-1.25|-1.62|-3.25|a|b|-|");
    EXPECT_EQ(all({{"2147483647", "5e20", "", ""}, {"2147483647", "1e-7", "", ""}}),  // no 32-bit wrap
              "2147483647|2147483647|2147483647|4294967294|1E-7|5E20|"
              "250000000000000000000.00|500000000000000000000.00|||-|");
    EXPECT_EQ(all({}), "||-|0|||-|0.00|||-|");
}

// ---- Value readers ----

TEST(ValueTextReaders, NumbersFromTexts) {
    double d = 0;
    for (const char* bad : {"", "nan", "inf", "-inf", "1e999", "1,5", "1.5x", "--1", "e5", "."})
        EXPECT_FALSE(valuetext::ReadDouble(bad, d)) << bad;
    ASSERT_TRUE(valuetext::ReadDouble(" +1.5e2 ", d));
    EXPECT_EQ(d, 150);
    int32_t i = 0;
    EXPECT_FALSE(valuetext::ReadInt32("2147483648", i));
    EXPECT_TRUE(valuetext::ReadInt32("-2147483648", i));
    EXPECT_FALSE(valuetext::ReadInt32("1.0", i));
    struct Fixed {
        const char* text;
        int width, decimals;
        const char* out;  // null: refused
    } fixed[] = {{"2.675", 8, 2, "2.68"},    {"-0.004", 8, 2, "0.00"},   {"-1.005", 8, 2, "-1.01"},
                 {"9.995", 4, 2, nullptr},   {"9.995", 5, 2, "10.00"},   {"12345", 4, 0, nullptr},
                 {"1e3", 6, 1, "1000.0"},    {"00012", 5, 0, "12"},      {".5", 3, 0, "1"},
                 {"abc", 9, 0, nullptr},     {"1e400", 9, 0, nullptr},   {"1e-400", 9, 1, "0.0"}};
    for (const Fixed& f : fixed) {
        std::string out;
        const bool ok = valuetext::DecimalToFixedText(f.text, f.width, f.decimals, out);
        EXPECT_EQ(ok, f.out != nullptr) << f.text;
        if (ok && f.out) {
            EXPECT_EQ(out, f.out) << f.text;
        }
    }
    int64_t c = 0;
    ASSERT_TRUE(valuetext::ReadCurrency("-12.34567", c));
    EXPECT_EQ(c, -123457);
    EXPECT_FALSE(valuetext::ReadCurrency("1e20", c));
    EXPECT_EQ(valuetext::FloatToStrGeneral(1.5), "1.5");
    EXPECT_EQ(valuetext::FloatToStrGeneral(-2), "-2");
    EXPECT_EQ(valuetext::FloatToStrGeneral(0.0001), "0.0001");
    EXPECT_EQ(valuetext::FloatToStrGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(valuetext::FloatToStrGeneral(1e15), "1E15");
    TDateTimeParts t;
    EXPECT_TRUE(valuetext::ReadDateTimeText("2024-2-29 7:05", t));
    EXPECT_EQ(t.Hour, 7);
    EXPECT_FALSE(valuetext::ReadDateText("2023-2-29", t));
    EXPECT_FALSE(valuetext::ReadDateTimeText("2024-01-01 24:00", t));
}

// ---- Replace over a real table: the records it writes, byte for byte, and the row texts after ----

namespace {

class ReplaceTest : public ::testing::Test {
protected:
    // Visual FoxPro: NAME C(6), AMOUNT N(6,2), COUNT I, MEMO M, PIC G.
    void SetUp() override {
        Path = Dir.Path("r.dbf");
        CreateTableFile(Path, 0x30,
                        {{"NAME", 'C', 6}, {"AMOUNT", 'N', 6, 2}, {"COUNT", 'I', 4}, {"MEMO", 'M', 4}, {"PIC", 'G', 4}});
        Dbf.SetFileName(Path);
        Dbf.Open();
        const char* names[] = {"abcabc", "xyz", "ABC", "abc", "q"};
        for (int i = 0; i < 5; ++i) {
            Dbf.Append();
            Dbf.GetField(0)->SetAsString(names[i]);
            Dbf.GetField(1)->SetAsFloat(1.5 * i);
            Dbf.GetField(2)->SetAsInteger(i);
            Dbf.Post();
        }
        for (uint32_t r = 1; r <= 5; ++r) {
            Dbf.Go(r);
            std::vector<std::string> texts;
            for (int f = 0; f < Dbf.FieldCount; ++f) texts.push_back(valuetext::DisplayText(Dbf, *Dbf.GetField(f)));
            Rows.DataList.Append(Rows.Pool.Make(false, r, texts, Dbf.GetRecordPrint()));
        }
    }
    // The bytes of field `field` of record `recNo` as the file holds them.
    std::string FileBytes(uint32_t recNo, int field) {
        const std::string all = vxtest::ReadAll(Path);
        const TField* f = Dbf.GetField(field);
        const size_t at = Dbf.GetHeaderLength() + size_t(recNo - 1) * Dbf.GetRecordLength() + f->GetOffset();
        return all.substr(at, f->GetLength());
    }
    std::string Row(size_t i, int field) { return std::string(Rows.DataList[i]->Text(size_t(field))); }
    // The file's bytes and the row's text of a record's field.
    std::string Both(uint32_t recNo, int field) { return FileBytes(recNo, field) + "|" + Row(recNo - 1, field); }
    TReplaceResult Run(int field, const char* find, const char* by, int match = MatchAnyPart, bool ignoreCase = true,
                       int from = -1, int to = -1) {
        TFindOptions o;
        o.FieldIndex = field;
        o.Text = find;
        o.ReplaceText = by;
        o.Match = match;
        o.IgnoreCase = ignoreCase;
        o.From = from;
        o.To = to;
        return ReplaceInRows(Dbf, Rows, o);
    }

    vxtest::TempDir Dir;
    std::string Path;
    TDBF Dbf;
    TRowStore Rows;
};

}  // namespace

TEST_F(ReplaceTest, FirstOccurrenceWithinTheRangeAndCaseAsTyped) {
    // Positions 1..3: "abcabc" gets its first abc replaced; "ABC" matches ignoring case but
    // holds no "abc" as typed, so it stays and is not counted.
    TReplaceResult r = Run(0, "abc", "x", MatchAnyPart, true, -1, 3);
    EXPECT_TRUE(r.Error.empty());
    EXPECT_EQ(std::pair(r.Count, r.FirstPosition), std::pair(1, 1));
    EXPECT_EQ(Both(1, 0) + Both(3, 0) + Both(4, 0), "xabc  |xabcABC   |ABCabc   |abc");  // 4: outside the range
    // Whole-field matching from position 2 on: only a field equal to abc (any case).
    r = Run(0, "abc", "zz", MatchWholeField, true, 2, -1);
    EXPECT_EQ(std::pair(r.Count, r.FirstPosition), std::pair(2, 3));
    EXPECT_EQ(Both(1, 0) + Both(3, 0) + Both(4, 0), "xabc  |xabczz    |zzzz    |zz");
    // A value equal to the old one is neither written nor counted.
    r = Run(0, "zz", "zz", MatchWholeField);
    EXPECT_EQ(r.Count, 0);
}

TEST_F(ReplaceTest, RangesOutsideTheRowsDoNothing) {
    const std::string before = vxtest::ReadAll(Path);
    for (auto [from, to] : {std::pair{0, 3}, std::pair{1, 6}, std::pair{4, 2}, std::pair{-1, 0}, std::pair{9, -1}})
        EXPECT_EQ(Run(0, "a", "b", MatchAnyPart, true, from, to).Count, 0) << from << ".." << to;
    EXPECT_EQ(Run(17, "a", "b").Count, 0);  // a field the table does not have
    EXPECT_EQ(Run(4, "Gen", "x").Count, 0);  // G fields are never written
    EXPECT_EQ(vxtest::ReadAll(Path), before);
}

TEST_F(ReplaceTest, NumbersFromTheirTextAndConversionErrorsStop) {
    // Rows hold "0.00", "1.50", "3.00", "4.50", "6.00".
    TReplaceResult r = Run(1, "1.50", "2.675", MatchWholeField);
    EXPECT_EQ(r.Count, 1);
    EXPECT_EQ(Both(2, 1), "  2.68|2.68");
    // "2.68" becomes "2.60008", stored as 2.60; "6.00" would need "6000.00", wider than the
    // field: the error stops the command there, the row before stays replaced.
    r = Run(1, "6", "6000", MatchAnyPart);
    EXPECT_EQ(std::pair(r.Count, r.FirstPosition), std::pair(1, 2));
    EXPECT_NE(r.Error.Text.find("'6000.00' is not a valid number"), std::string::npos) << r.Error.Text;
    EXPECT_EQ(Both(2, 1) + Both(5, 1), "  2.60|2.60  6.00|6.00");
    // Integers: rows before the bad one stay replaced, the bad row keeps its text.
    r = Run(2, "", "", MatchAnyPart);  // nothing to find: the texts stay, nothing written
    EXPECT_EQ(r.Count, 0);
    r = Run(2, "3", "x", MatchAnyPart, true, -1, -1);
    EXPECT_EQ(r.Count, 0);
    EXPECT_NE(r.Error.Text.find("'x' is not a valid integer value"), std::string::npos);
    EXPECT_EQ(Row(3, 2), "3");
    // The refused value is shown in the program's code page, as the table's texts are.
    const int page = vx::CurrentCodePage().Number();
    vx::SetCodePage(1251);
    EXPECT_EQ(FailureMessage(Run(2, "3", "\xF7\xE0\xE9", MatchWholeField).Error),
              QStringLiteral("'\u0447\u0430\u0439' is not a valid integer value"));
    vx::SetCodePage(page);
    r = Run(2, "1", "-7", MatchWholeField);
    EXPECT_EQ(r.Count, 1);
    EXPECT_EQ(Both(2, 2), "\xF9\xFF\xFF\xFF|-7");
}

TEST_F(ReplaceTest, MemoTextsAndLongTextsAsTheFileHoldsThem) {
    TReplaceResult r = Run(0, "q", "a much longer text", MatchWholeField);
    EXPECT_EQ(r.Count, 1);
    EXPECT_EQ(Both(5, 0), "a much|a much");  // the field holds six bytes
    // Memo fields start empty: whole-field matching on "" is never asked for by the dialog,
    // but a text found in the memo is replaced in a new memo text.
    Dbf.Go(2);
    Dbf.SetMemo("MEMO", "old text");
    Dbf.Edit();
    Dbf.Post();
    std::vector<std::string> texts;
    for (int f = 0; f < Dbf.FieldCount; ++f) texts.push_back(valuetext::DisplayText(Dbf, *Dbf.GetField(f)));
    Rows.ReplaceRow(Rows.DataList[1], Rows.Pool.Make(false, 2, texts, Dbf.GetRecordPrint()));
    r = Run(3, "OLD", "new", MatchAnyPart, true);
    EXPECT_EQ(r.Count, 0);  // found ignoring case, but "OLD" does not occur as typed
    r = Run(3, "old", "new");
    EXPECT_EQ(r.Count, 1);
    EXPECT_EQ(Row(1, 3), "new text");
    Dbf.Go(2);
    std::string memo;
    Dbf.GetMemo("MEMO", memo);
    EXPECT_EQ(memo, "new text");
}

TEST_F(ReplaceTest, AWriteThatFailsStopsAndTheMessageCountsTheRowsReplacedBeforeIt) {
    // Every record holds a memo "a..."; 200 Z's need four new blocks each, and the memo file
    // has room for two such memos.
    for (uint32_t r = 1; r <= 5; ++r) {
        Dbf.Go(r);
        Dbf.Edit();
        Dbf.SetMemo("MEMO", "a" + std::to_string(r));
        Dbf.Post();
        std::vector<std::string> texts;
        for (int f = 0; f < Dbf.FieldCount; ++f) texts.push_back(valuetext::DisplayText(Dbf, *Dbf.GetField(f)));
        Rows.ReplaceRow(Rows.DataList[r - 1], Rows.Pool.Make(false, r, texts, Dbf.GetRecordPrint()));
    }
    const std::string memoPath = Dbf.GetMemoFileName();
    const std::string table = vxtest::ReadAll(Path), memo = vxtest::ReadAll(memoPath);
    TReplaceResult r;
    {
        dbftest::TFileSizeLimit full(memo.size() + 2 * 256 + 100);
        r = Run(3, "a", std::string(200, 'Z').c_str());
    }
    EXPECT_EQ(std::pair(r.Count, r.FirstPosition), std::pair(2, 1));
    EXPECT_EQ(r.Error.Text, Path + " - Error in write memo!");
    EXPECT_EQ(ReplaceMessage(r), QString::fromStdString(Path) + " - Error in write memo!\n2 Low(s) affected.");
    // Records 1 and 2 point at their new memos, the list shows them; the rest are as they were,
    // and the memo file holds the two new memos and nothing of the third.
    const std::string z(200, 'Z');
    EXPECT_EQ(Row(0, 3) + Row(1, 3) + Row(2, 3) + Row(4, 3), z + "1" + z + "2a3a5");
    const std::string tableAfter = vxtest::ReadAll(Path), memoAfter = vxtest::ReadAll(memoPath);
    const size_t third = Dbf.GetHeaderLength() + 2 * size_t(Dbf.GetRecordLength());
    EXPECT_EQ(tableAfter.substr(third), table.substr(third));
    EXPECT_EQ(memoAfter.size(), memo.size() + 2 * 256);
    EXPECT_EQ(memoAfter.substr(8, memo.size() - 8), memo.substr(8));
    EXPECT_EQ(ReplaceMessage(TReplaceResult{}), QStringLiteral("0 Low(s) affected."));
}
