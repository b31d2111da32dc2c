// Replace over a real table: the records it writes, byte for byte, and the row texts after.
#include "app/replace.h"
#include "app/sampletable.h"
#include "app/valuetext.h"
#include "engine/dbf.h"
#include "testutil.h"

#include <gtest/gtest.h>

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
            Rows.DataList.Append(Rows.Pool.Make(false, r, texts));
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
    EXPECT_NE(r.Error.find("'6000.00' is not a valid number"), std::string::npos) << r.Error;
    EXPECT_EQ(Both(2, 1) + Both(5, 1), "  2.60|2.60  6.00|6.00");
    // Integers: rows before the bad one stay replaced, the bad row keeps its text.
    r = Run(2, "", "", MatchAnyPart);  // nothing to find: the texts stay, nothing written
    EXPECT_EQ(r.Count, 0);
    r = Run(2, "3", "x", MatchAnyPart, true, -1, -1);
    EXPECT_EQ(r.Count, 0);
    EXPECT_NE(r.Error.find("'x' is not a valid integer value"), std::string::npos);
    EXPECT_EQ(Row(3, 2), "3");
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
    Rows.ReplaceRow(Rows.DataList[1], Rows.Pool.Make(false, 2, texts));
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
