// Another program writes the table in place between the load of the list and a command: each
// record command, cut, copy and replace acts only on records that are still as their rows
// show them. Either the other program's bytes and the command's write are both in the files,
// or nothing was written and the command raised the one refusal.
#include "common/recordclip.h"
#include "common/recordcommands.h"
#include "common/replace.h"
#include "common/rowsshown.h"
#include "records_testutil.h"
#include "testutil.h"

#include <functional>

using namespace rectest;

namespace {

// A Visual FoxPro table of NAME C(10) and NOTE M: records r1..r6, each with the memo "note of
// r<i>", loaded into rows.
class OtherProgram : public ::testing::Test {
protected:
    void SetUp() override {
        Path = MakeNotesTable(Dir.Path("t.dbf"));
        Dbf.SetFileName(Path);
        Dbf.Open();
        LoadRows(Dbf, Rows);
    }
    // The other program: a table object of its own on the same file.
    void Other(const std::function<void(TDBF&)>& change) {
        TDBF other;
        other.SetFileName(Path);
        other.Open();
        change(other);
    }
    void OtherRemoves(uint32_t recNo) { Other([&](TDBF& o) { o.RemoveRecords({recNo}); }); }
    void OtherRenames(uint32_t recNo, const std::string& name) {
        Other([&](TDBF& o) { o.Go(recNo), o.Edit(), o.GetField(0)->SetAsString(name), o.Post(); });
    }
    void OtherRewritesMemo(uint32_t recNo, const std::string& text) { RewriteMemoInPlace(Path, MemoPath(), recNo, text); }
    std::string MemoPath() const { return Dir.Path("t.fpt"); }
    std::string Files() { return vxtest::ReadAll(Path) + "|" + vxtest::ReadAll(MemoPath()); }
    size_t RowOf(const std::string& name) {
        for (size_t i = 0; i < Rows.DataList.Count(); ++i)
            if (Rows.DataList[i]->Text(0) == name) return i;
        return SIZE_MAX;
    }
    records::TRowRange Range(const std::string& name) { return {RowOf(name), RowOf(name)}; }
    // Runs the command, which must refuse with the one message and write nothing.
    void ExpectRefused(const char* what, const std::function<void()>& command) {
        const std::string before = Files();
        try {
            command();
            ADD_FAILURE() << what << ": not refused";
        } catch (const EDBFRecordsChanged& e) {
            EXPECT_EQ(e.what(), Path + EDBFRecordsChanged::Text) << what;
        }
        EXPECT_EQ(Files(), before) << what;
    }
    TReplaceResult Replace(int field, const std::string& find, const std::string& by) {
        TFindOptions o;
        o.FieldIndex = field;
        o.Text = find;
        o.ReplaceText = by;
        return ReplaceInRows(Dbf, Rows, o);
    }

    vxtest::TempDir Dir;
    std::string Path;
    TDBF Dbf;
    TRowStore Rows;
};

}  // namespace

TEST_F(OtherProgram, ARemovalThatMovesRecordsRefusesEveryCommandOnTheMovedOnes) {
    OtherRemoves(2);  // r3..r6 move down; the rows still name them 3..6
    ExpectRefused("remove", [&] { records::RemoveRows(Dbf, Rows, {Range("r4")}); });
    ExpectRefused("mark", [&] { records::ToggleMarks(Dbf, Rows, {Range("r4")}); });
    ExpectRefused("mark all", [&] { records::SetAllMarks(Dbf, Rows, true); });
    ExpectRefused("copy", [&] { recordclip::BuildRowsClipData(Dbf, records::RowsOf(Rows, {Range("r4")})); });
    ExpectRefused("truncate", [&] { records::TruncateBelow(Dbf, Rows, RowOf("r3")); });
    // Marked in the list, as another program removed a record before it.
    TRowStore::SetMark(Rows.DataList[RowOf("r1")], true);
    ExpectRefused("remove marked", [&] { records::RemoveMarked(Dbf, Rows); });
    TRowStore::SetMark(Rows.DataList[RowOf("r1")], false);
    for (const auto& [field, find, by] : {std::tuple{0, "r4", "X4"}, {1, "of r4", "of X4"}}) {
        const std::string before = Files();
        const TReplaceResult r = Replace(field, find, by);
        EXPECT_EQ(r.Count, 0);
        EXPECT_EQ(r.Error.Text, Path + EDBFRecordsChanged::Text) << field;
        EXPECT_EQ(Files(), before);
        EXPECT_EQ(Rows.DataList[RowOf("r4")]->Text(1), "note of r4");
    }
    EXPECT_EQ(Names(Path), "r1,r3,r4,r5,r6,");
}

TEST_F(OtherProgram, TruncateOfASortedListAfterTheFirstRecordWentIsRefused) {
    std::vector<TRowStore::Row> sorted = Rows.DataList.Rows();
    std::reverse(sorted.begin(), sorted.end());  // r6 r5 r4 r3 r2 r1
    Rows.DataList.Assign(sorted);
    OtherRemoves(1);
    ExpectRefused("truncate", [&] { records::TruncateBelow(Dbf, Rows, 2); });  // would drop r3 r2 r1
    EXPECT_EQ(Names(Path), "r2,r3,r4,r5,r6,");
}

TEST_F(OtherProgram, AnEditOfARecordRefusesWhatActsOnItAndKeepsWhatActsElsewhere) {
    OtherRenames(3, "r3 Smith");
    const TReplaceResult refused = Replace(0, "r3", "X3");
    EXPECT_EQ(refused.Error.Text, Path + EDBFRecordsChanged::Text);
    EXPECT_EQ(Names(Path), "r1,r2,r3 Smith,r4,r5,r6,");
    ExpectRefused("cut", [&] {
        recordclip::BuildRowsClipData(Dbf, records::RowsOf(Rows, {Range("r3")}));
        records::RemoveRows(Dbf, Rows, {Range("r3")});
    });
    // Commands on other records go on, and the other program's edit stays.
    records::ToggleMarks(Dbf, Rows, {Range("r4")});
    EXPECT_EQ(Replace(0, "r5", "X5").Count, 1);
    records::RemoveRows(Dbf, Rows, {Range("r1")});
    EXPECT_EQ(Names(Path), "r2,r3 Smith,r4*,X5,r6,");
    EXPECT_EQ(Rows.DataList[RowOf("r4")]->RecNo(), 3u);
}

TEST_F(OtherProgram, AMemoRewrittenInPlaceRefusesWhatWritesOrShowsIt) {
    OtherRewritesMemo(4, "their note");
    const TReplaceResult r = Replace(1, "note", "memo");  // r1..r6 all match; r4's text is not the row's
    EXPECT_EQ(r.Count, 0);
    EXPECT_EQ(r.Error.Text, Path + EDBFRecordsChanged::Text);
    ExpectRefused("copy", [&] { recordclip::BuildRowsClipData(Dbf, records::RowsOf(Rows, {Range("r4")})); });
    Dbf.Go(4);
    std::string text;
    Dbf.GetMemo("NOTE", text);
    EXPECT_EQ(text, "their note");
    // Marks and removals show no memo text: they go on.
    records::ToggleMarks(Dbf, Rows, {Range("r4")});
    EXPECT_EQ(Names(Path), "r1,r2,r3,r4*,r5,r6,");
}

TEST_F(OtherProgram, RecordsAddedByAnotherProgramAreNotMarkedOrRemovedUnseen) {
    Other([](TDBF& o) {
        o.Append(), o.GetField(0)->SetAsString("theirs"), o.Post();
        o.SetDeleted(true);
    });
    ExpectRefused("mark all", [&] { records::SetAllMarks(Dbf, Rows, true); });
    ExpectRefused("remove marked", [&] { records::RemoveMarked(Dbf, Rows); });
    // A view that hides the marked rows keeps them for the comparison.
    TRowStore::SetMark(Rows.DataList[RowOf("r2")], true);
    Dbf.Go(2), Dbf.SetDeleted(true);
    Other([](TDBF& o) { o.SetRecordCount(6); });
    records::DropRowsMarked(Rows, true);
    records::RemoveMarked(Dbf, Rows);
    EXPECT_EQ(Names(Path), "r1,r3,r4,r5,r6,");
}

TEST_F(OtherProgram, TheRowsOfEveryCommandSayWhatTheFileHolds) {
    // Without another program every command goes on and the rows keep agreeing with the file,
    // so that the next command finds its records as shown.
    records::ToggleMarks(Dbf, Rows, {Range("r2")});
    EXPECT_EQ(Replace(0, "r3", "X3").Count, 1);
    EXPECT_EQ(Replace(1, "of r5", "of X5").Count, 1);
    TNewRecords added;
    added.Count = 1;
    added.Images.assign(Dbf.GetRecordLength(), ' ');
    std::memcpy(added.Images.data() + 1, "new", 3);
    added.MemoFields = {1};
    added.MemoTexts = {"new note"};
    AppendNewRecords(Dbf, Rows, added);
    records::RemoveRows(Dbf, Rows, {Range("r1")});
    records::TruncateBelow(Dbf, Rows, RowOf("r6"));
    records::SetAllMarks(Dbf, Rows, false);
    EXPECT_EQ(Mismatch(Dbf, Rows), "");
    TRowsShown shown(Dbf, Rows);
    shown.CompareAllMemoTexts();
    for (size_t i = 0; i < Rows.DataList.Count(); ++i) {
        Dbf.Go(Rows.DataList[i]->RecNo());
        EXPECT_TRUE(shown.MatchesCurrent(*Rows.DataList[i])) << i;
    }
    EXPECT_EQ(Names(Path), "r2,X3,r4,r5,r6,");
}

// Remove Deleted removes the marked records, each compared first, with the count unchanged:
// another program's edit of a marked record and its mark on a record the list shows unmarked
// each refuse the command; a record it unmarked is no longer one to remove, and stays.
TEST_F(OtherProgram, RemoveMarkedComparesEveryMarkedRecordAndEveryMark) {
    for (const char* name : {"r2", "r5"}) TRowStore::SetMark(Rows.DataList[RowOf(name)], true);
    Other([](TDBF& o) { o.SetDeletedFlags({{2, true}, {5, true}}); });
    OtherRenames(5, "r5 Smith");
    ExpectRefused("edited", [&] { records::RemoveMarked(Dbf, Rows); });
    OtherRenames(5, "r5");
    Other([](TDBF& o) { o.SetDeletedFlags({{4, true}}); });
    ExpectRefused("marked", [&] { records::RemoveMarked(Dbf, Rows); });
    Other([](TDBF& o) { o.SetDeletedFlags({{4, false}, {2, false}}); });
    records::RemoveMarked(Dbf, Rows);
    EXPECT_EQ(Names(Path), "r1,r2,r3,r4,r6,");
}

// On a table large enough for the comparison to be shared out among threads, the records
// kept by Remove Deleted are those, byte for byte, that the same removal without a list keeps;
// a marked record changed near the end refuses it, and a removal of it, with nothing written.
TEST(RemoveMarked, ALargeTableComesOutAsWithoutAListOrNotAtAll) {
    vxtest::TempDir dir;
    const std::string path = MakeTable(dir.Path("big.dbf"), 700000, 3);
    vxtest::WriteAll(dir.Path("plain.dbf"), vxtest::ReadAll(path));
    {
        TDBF plain;
        plain.SetFileName(dir.Path("plain.dbf"));
        plain.Open();
        plain.PackDeleted();
    }
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    TRowStore rows;
    LoadRows(dbf, rows);
    const std::string before = vxtest::ReadAll(path);
    {
        TDBF other;
        other.SetFileName(path);
        other.Open();
        other.Go(699999);  // marked: a multiple of three
        other.Edit();
        other.GetField(0)->SetAsString("theirs");
        other.Post();
    }
    const std::string edited = vxtest::ReadAll(path);
    EXPECT_THROW(records::RemoveMarked(dbf, rows), EDBFRecordsChanged);
    EXPECT_TRUE(vxtest::ReadAll(path) == edited);
    // A removal whose last record is the one changed has moved the records of the chunks
    // before it by then: they are put back.
    EXPECT_THROW(records::RemoveRows(dbf, rows, {{4, 4}, {300000, 300000}, {699998, 699998}}), EDBFRecordsChanged);
    EXPECT_TRUE(vxtest::ReadAll(path) == edited);
    EXPECT_EQ(rows.DataList.Count(), 700000u);
    vxtest::WriteAll(path, before);  // the other program's edit undone, byte for byte
    records::RemoveMarked(dbf, rows);
    EXPECT_TRUE(vxtest::ReadAll(path) == vxtest::ReadAll(dir.Path("plain.dbf")));
    EXPECT_EQ(dbf.GetRecordCount(), 700000u - 700000u / 3);
}
