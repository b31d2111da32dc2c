// The clipboard text of records: the copy format byte for byte, paste's checks, every field
// type between two tables with their memo texts, and pastes refused whole.
#include "app/recordclip.h"

#include "records_testutil.h"
#include "testutil.h"

using recordclip::TPaste;

namespace {

struct Table {
    TDBF Dbf;
    TRowStore Rows;
    explicit Table(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
        rectest::LoadRows(Dbf, Rows);
    }
    TPaste Paste(const std::string& text, const std::string& memos = "") {
        TPaste p = recordclip::ParsePaste(Dbf, text, memos);
        if (p.Status == TPaste::Ready) AppendNewRecords(Dbf, Rows, p.Records);
        return p;
    }
    std::string Field(uint32_t record, const char* name) {
        Dbf.Go(record);
        return valuetext::DisplayText(Dbf, *Dbf.FieldByName(name));
    }
};

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    const size_t at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

}  // namespace

TEST(RecordClip, CopyTextByteForByteAndWhatPasteTakes) {
    vxtest::TempDir dir;
    const std::string path = dir.Path("ann.dbf"), other = dir.Path("other.dbf");
    CreateTableFile(path, 0x03, {{"NAME", 'C', 20}, {"AGE", 'N', 3}});
    CreateTableFile(other, 0x03, {{"NAME", 'C', 20}, {"AGE", 'N', 4}});
    Table t(path), o(other);
    const std::string text = "Vellibrox - Copy Data\r\n2\r\nNAME C 20 0\r\nAGE N 3 0\r\n1\r\n\tAnn" +
                             std::string(17, ' ') + "\t  7";
    ASSERT_EQ(t.Paste(text).Status, TPaste::Ready);
    EXPECT_EQ(recordclip::BuildClipData(t.Dbf, {1}).Text, text);
    EXPECT_TRUE(recordclip::BuildClipData(t.Dbf, {1}).MemoData.empty());

    // Another layout, or not our text: nothing, silently.
    EXPECT_EQ(o.Paste(text).Status, TPaste::NotForThisTable);
    for (const std::string& bad : {Replace(text, "Vellibrox", "Vellibro_"), Replace(text, "\r\n1\r\n", "\r\n0\r\n"),
                                   Replace(text, "\r\n2\r\n", "\r\nx\r\n"), text.substr(0, 40)})
        EXPECT_EQ(t.Paste(bad).Status, TPaste::NotForThisTable) << bad;

    // The marker's first word is enough; LF line ends and lines after the records are fine.
    EXPECT_EQ(t.Paste(Replace(text, "Vellibrox - Copy Data", "Vellibrox")).Status, TPaste::Ready);
    std::string lf = text + "\r\n\tnot announced\t1";
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
    EXPECT_EQ(t.Paste(lf).Status, TPaste::Ready);
    EXPECT_EQ(recordclip::BuildClipData(t.Dbf, {3, 2}).Text,
              Replace(text, "\r\n1\r\n", "\r\n2\r\n") + text.substr(text.rfind("\r\n")));
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");

    const std::pair<std::string, std::vector<std::string>> lines[] = {
        {"abc", {}}, {"xa\tb", {"a", "b"}}, {"\ta\t\tc", {"a", "", "c"}}};
    for (const auto& [line, want] : lines) {
        std::vector<std::string_view> got;
        recordclip::SplitTabLine(line, got);
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), want) << line;
    }
}

TEST(RecordClip, EveryFieldTypeBetweenTwoTablesWithTheirMemoTexts) {
    vxtest::TempDir dir;
    Table a(rectest::MakeEveryTypeTable(dir.Path("a.dbf")));
    // The other table's memo file holds a text of its own at the block of a's first memo.
    Table b(rectest::MakeEveryTypeTable(dir.Path("b.dbf"), "UNRELATED", 1));
    const recordclip::TClipData clip = recordclip::BuildClipData(a.Dbf, {3, 1, 2});
    ASSERT_EQ(b.Paste(clip.Text, clip.MemoData).Status, TPaste::Ready);
    const uint32_t from[] = {3, 1, 2};
    for (uint32_t k = 0; k < 3; ++k) {
        a.Dbf.Go(from[k]);
        b.Dbf.Go(2 + k);
        for (int i = 0; i < a.Dbf.FieldCount; ++i) {
            if (a.Dbf.GetField(i)->GetFieldType() == 'M') continue;
            EXPECT_EQ(b.Dbf.GetField(i)->GetAsView(), a.Dbf.GetField(i)->GetAsView()) << from[k] << " " << i;
        }
        EXPECT_EQ(b.Field(2 + k, "NOTE"), a.Field(from[k], "NOTE"));
    }
    EXPECT_EQ(b.Field(3, "NOTE"), "First memo\r\nline 2");
    EXPECT_EQ(rectest::Mismatch(b.Dbf, b.Rows), "");

    // The text alone reads block numbers in the open table's memo file: within one table that
    // copies the memo text; elsewhere it finds whatever that file holds there. Memo texts
    // copied with another text are not used.
    ASSERT_EQ(a.Paste(clip.Text).Status, TPaste::Ready);
    EXPECT_EQ(a.Field(5, "NOTE"), "First memo\r\nline 2");
    ASSERT_EQ(b.Paste(clip.Text).Status, TPaste::Ready);
    EXPECT_EQ(b.Field(6, "NOTE"), "UNRELATED");
    ASSERT_EQ(b.Paste(Replace(clip.Text, "Ann", "Bob"), clip.MemoData).Status, TPaste::Ready);
    EXPECT_EQ(b.Field(9, "NOTE"), "UNRELATED");
}

TEST(RecordClip, RejectedPastesWriteNothing) {
    vxtest::TempDir dir;
    const std::string path = rectest::MakeEveryTypeTable(dir.Path("t.dbf")), memoPath = dir.Path("t.fpt");
    Table t(path);
    const recordclip::TClipData clip = recordclip::BuildClipData(t.Dbf, {1, 3});
    const std::string text = clip.Text;
    const std::string before = vxtest::ReadAll(path), memoBefore = vxtest::ReadAll(memoPath);
    const std::pair<std::string, std::string> cases[] = {
        {text.substr(0, text.rfind("\r\n")), "announces 2 records but holds 1"},
        {Replace(text, "\r\n2\r\n\t", "\r\n2000000000\r\n\t"), "announces 2000000000 records but holds 2"},
        {Replace(text, "\tAnn", "\tAnn\textra"), "has 13 values; the table has 12 fields"},
        {Replace(text, "\tAnn", "Ann"), "Record 1 on the clipboard does not begin with a TAB"},
        {Replace(text, "    7.50", "   seven"), "field QTY: \"   seven\" is not a valid value"},
        {Replace(text, "\tAnn", "\tAnnabelle Lee"), "field NAME: \"Annabelle Lee "},
        {Replace(text, "\t-7\t", "\t\t"), "Record 1, field COUNT: \"\" is not a valid value"},
        {Replace(text, "2024-1-5 13:14:15", "2024-13-5"), "field STAMP"},
    };
    for (const auto& [bad, why] : cases) {
        ASSERT_NE(bad, text) << why;
        const TPaste p = t.Paste(bad, clip.MemoData);
        EXPECT_EQ(p.Status, TPaste::Rejected) << why;
        EXPECT_NE(p.Message.find(why), std::string::npos) << p.Message;
        EXPECT_NE(p.Message.find("Nothing was pasted."), std::string::npos) << p.Message;
    }
    EXPECT_EQ(vxtest::ReadAll(path), before);
    EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore);

    // A blank numeric value stores blanks; damaged memo data is passed over.
    for (const std::string& memos : {clip.MemoData.substr(0, clip.MemoData.size() - 3), std::string(40, '\xFF')})
        ASSERT_EQ(t.Paste(Replace(text, "    7.50", ""), memos).Status, TPaste::Ready);
    t.Dbf.Go(4);
    EXPECT_EQ(t.Dbf.FieldByName("QTY")->GetAsView(), "        ");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
}
