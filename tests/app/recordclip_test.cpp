// The clipboard text of records: the copy format byte for byte, paste's checks, every field
// type between two tables with their memo texts, and pastes refused whole.
#include "app/recordclip.h"

#include "records_testutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

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
    // The stored bytes of a record's fields.
    std::string Record(uint32_t r) {
        Dbf.Go(r);
        std::string bytes;
        for (int i = 0; i < Dbf.FieldCount; ++i) bytes += std::string(Dbf.GetField(i)->GetAsView()) + "|";
        return bytes;
    }
    TPaste Paste(const std::string& text, const std::string& memos = "") {
        TPaste p = recordclip::ParsePaste(Dbf, text, memos);
        if (p.Status == TPaste::Ready) AppendNewRecords(Dbf, Rows, p.Records);
        return p;
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
    const std::string path = dir.Path("ann.dbf");
    CreateTableFile(path, 0x03, {{"NAME", 'C', 20}, {"AGE", 'N', 3}});
    {
        Table w(path);
        w.Dbf.Append();
        w.Dbf.GetField(0)->SetAsString("Ann");
        w.Dbf.GetField(1)->SetAsString("7");
        w.Dbf.Post();
    }
    Table t(path);
    const std::string text = recordclip::BuildClipData(t.Dbf, {1}).Text;
    EXPECT_EQ(text, "Vellibrox - Copy Data\r\n2\r\nNAME C 20 0\r\nAGE N 3 0\r\n1\r\n\tAnn" + std::string(17, ' ') + "\t  7");
    EXPECT_TRUE(recordclip::BuildClipData(t.Dbf, {1}).MemoData.empty());

    // Another layout, or not our text: nothing, silently.
    const std::string other = dir.Path("other.dbf");
    CreateTableFile(other, 0x03, {{"NAME", 'C', 20}, {"AGE", 'N', 4}});
    Table o(other);
    EXPECT_EQ(o.Paste(text).Status, TPaste::NotForThisTable);
    for (const std::string& bad :
         {Replace(text, "Vellibrox", "Vellibro_"), Replace(text, "\r\n1\r\n", "\r\n0\r\n"),
          Replace(text, "\r\n2\r\n", "\r\nx\r\n"), Replace(text, "AGE N 3 0", "AGE  N 3 0"),
          std::string("Vellibrox - Copy Data\r\n2\r\nNAME C 20 0"), std::string("Some other text")})
        EXPECT_EQ(t.Paste(bad).Status, TPaste::NotForThisTable) << bad;
    EXPECT_EQ(t.Dbf.GetRecordCount(), 1u);

    // The marker's first word is enough; LF line ends and lines after the records are fine.
    EXPECT_EQ(t.Paste(Replace(text, "Vellibrox - Copy Data", "Vellibrox")).Status, TPaste::Ready);
    std::string lf = text + "\r\n\tnot announced\t1";
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
    EXPECT_EQ(t.Paste(lf).Status, TPaste::Ready);
    ASSERT_EQ(t.Dbf.GetRecordCount(), 3u);
    EXPECT_EQ(t.Record(2), t.Record(1));
    EXPECT_EQ(t.Record(3), t.Record(1));
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
}

TEST(RecordClip, SplitTabLine) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"\ta\tb", {"a", "b"}}, {"abc", {}},         {"\t", {""}},       {"\t\t", {"", ""}},
        {"xa\tb", {"a", "b"}},  {"\ta\t\tc", {"a", "", "c"}}, {"", {}},
    };
    for (const auto& [line, want] : cases) {
        std::vector<std::string_view> got;
        recordclip::SplitTabLine(line, got);
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), want) << line;
    }
}

TEST(RecordClip, EveryFieldTypeBetweenTwoTablesWithTheirMemoTexts) {
    vxtest::TempDir dir;
    Table a(rectest::MakeEveryTypeTable(dir.Path("a.dbf"), rectest::EveryTypeRecords()));
    // The other table's memo file holds a text of its own at the block of a's first memo.
    auto unrelated = rectest::EveryTypeRecords();
    unrelated.resize(1);
    unrelated[0].Note = "UNRELATED";
    Table b(rectest::MakeEveryTypeTable(dir.Path("b.dbf"), unrelated));
    const int note = a.Dbf.FieldIndex("NOTE");
    a.Dbf.Go(1);
    b.Dbf.Go(1);
    ASSERT_EQ(a.Dbf.GetField(note)->GetMemoBlock(), b.Dbf.GetField(note)->GetMemoBlock());

    const recordclip::TClipData clip = recordclip::BuildClipData(a.Dbf, {3, 1, 2});
    ASSERT_EQ(b.Paste(clip.Text, clip.MemoData).Status, TPaste::Ready);
    ASSERT_EQ(b.Dbf.GetRecordCount(), 4u);
    const uint32_t from[] = {3, 1, 2};
    for (uint32_t k = 0; k < 3; ++k) {
        a.Dbf.Go(from[k]);
        b.Dbf.Go(2 + k);
        for (int i = 0; i < a.Dbf.FieldCount; ++i) {
            const TField* fa = a.Dbf.GetField(i);
            const TField* fb = b.Dbf.GetField(i);
            if (fa->GetFieldType() == 'M')
                EXPECT_EQ(valuetext::DisplayText(b.Dbf, *fb), valuetext::DisplayText(a.Dbf, *fa)) << k;
            else
                EXPECT_EQ(fb->GetAsView(), fa->GetAsView()) << "record " << from[k] << " field " << fa->GetName();
        }
    }
    EXPECT_EQ(rectest::Mismatch(b.Dbf, b.Rows), "");

    // The text alone reads memo block numbers in the open table's own memo file: within one
    // table that copies the memo text; elsewhere it finds whatever that file holds there.
    ASSERT_EQ(a.Paste(clip.Text).Status, TPaste::Ready);
    a.Dbf.Go(5);
    EXPECT_EQ(valuetext::DisplayText(a.Dbf, *a.Dbf.GetField(note)), "First memo\r\nwith two lines");
    ASSERT_EQ(b.Paste(clip.Text).Status, TPaste::Ready);
    b.Dbf.Go(6);
    EXPECT_EQ(valuetext::DisplayText(b.Dbf, *b.Dbf.GetField(note)), "UNRELATED");
    // Memo texts made with another text are not used either.
    ASSERT_EQ(b.Paste(Replace(clip.Text, "Ann", "Bob"), clip.MemoData).Status, TPaste::Ready);
    b.Dbf.Go(9);
    EXPECT_EQ(valuetext::DisplayText(b.Dbf, *b.Dbf.GetField(note)), "UNRELATED");
    EXPECT_EQ(rectest::Mismatch(b.Dbf, b.Rows), "");
}

TEST(RecordClip, RejectedPastesWriteNothing) {
    vxtest::TempDir dir;
    const std::string path = rectest::MakeEveryTypeTable(dir.Path("t.dbf"), rectest::EveryTypeRecords());
    const std::string memoPath = dir.Path("t.fpt");
    Table t(path);
    const recordclip::TClipData clip = recordclip::BuildClipData(t.Dbf, {1, 3});
    const std::string text = clip.Text;
    const std::string before = vxtest::ReadAll(path), memoBefore = vxtest::ReadAll(memoPath);
    const std::string tail = text.substr(text.rfind("\r\n") + 2);  // the last record line
    const std::pair<std::string, std::string> cases[] = {
        {text.substr(0, text.rfind("\r\n")), "announces 2 records but holds 1"},
        {Replace(text, "\tAnn", "\tAnn\textra"), "has 13 values; the table has 12 fields"},
        {Replace(text, "\tAnn", "Ann"), "Record 1 on the clipboard does not begin with a TAB"},
        {Replace(text, "    7.50", "   seven"), "field QTY: \"   seven\" is not a valid value"},
        {Replace(text, "    7.50", "123456.50"), "field QTY: \"123456.50\" is wider than the field"},
        {Replace(text, "\tAnn", "\tAnnabelle Lee"), "field NAME: \"Annabelle Lee "},
        {Replace(text, "\t-7\t", "\t\t"), "Record 1, field COUNT: \"\" is not a valid value"},
        {Replace(text, "\t2147483647\t", "\t2147483648\t"), "Record 2, field COUNT"},
        {Replace(text, "2024-1-5 13:14:15", "2024-13-5"), "field STAMP"},
        {Replace(text, "\t-5\t", "\t-5 euro\t"), "field PRICE"},
        {Replace(text, "\r\n2\r\n\t", "\r\n2000000000\r\n\t"), "announces 2000000000 records but holds 2"},
    };
    for (const auto& [bad, why] : cases) {
        ASSERT_NE(bad, text) << why;
        const TPaste p = t.Paste(bad, clip.MemoData);
        EXPECT_EQ(p.Status, TPaste::Rejected) << why;
        EXPECT_NE(p.Message.find(why), std::string::npos) << p.Message;
        EXPECT_NE(p.Message.find("Nothing was pasted."), std::string::npos) << p.Message;
        EXPECT_EQ(p.Records.Count, 0u);
    }
    EXPECT_EQ(vxtest::ReadAll(path), before);
    EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore);
    EXPECT_EQ(t.Rows.DataList.Count(), 3u);

    // A blank numeric value stores blanks; damaged memo data is passed over.
    for (const std::string& memos : {clip.MemoData.substr(0, clip.MemoData.size() - 3), std::string("VXMEMO1\n"),
                                     std::string(40, '\xFF')})
        ASSERT_EQ(t.Paste(Replace(text, "    7.50", ""), memos).Status, TPaste::Ready);
    t.Dbf.Go(4);
    EXPECT_EQ(t.Dbf.FieldByName("QTY")->GetAsView(), "        ");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
}
