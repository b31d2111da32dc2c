// The record commands on tables and their rows: the renumbering after removal, truncating
// below a row in file order and in a sorted list, every command under a filter and after it,
// and appending another table's records.
#include "app/recordclip.h"
#include "app/recordcommands.h"

#include "loadwindow_fixture.h"
#include "records_testutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <functional>

using records::TRowRange;

namespace {

// A table of NAME C(8) ("r1", "r2", ...) and DAY D(8), every third record marked, with its
// rows loaded.
struct Loaded {
    TDBF Dbf;
    TRowStore Rows;
    Loaded(const vxtest::TempDir& dir, uint32_t records, const std::string& name = "t.dbf") {
        lvtest::MakeTable(dir.Path(name), records);
        Dbf.SetFileName(dir.Path(name));
        Dbf.Open();
        rectest::LoadRows(Dbf, Rows);
    }
    std::string Names() {
        std::string s;
        for (uint32_t r = 1, n = Dbf.GetRecordCount(); r <= n; ++r) {
            Dbf.Go(r);
            s += Dbf.GetField(0)->GetAsTrimmedString() + (Dbf.GetDeleted() ? "*" : "") + ",";
        }
        return s;
    }
    std::string RowNames() {
        std::string s;
        for (size_t i = 0; i < Rows.DataList.Count(); ++i)
            s += std::string(Rows.DataList[i]->Text(0)) + "=" + std::to_string(Rows.DataList[i]->RecNo()) + ",";
        return s;
    }
    void Order(const std::vector<uint32_t>& recNos) {
        std::vector<TRowStore::Row> rows;
        for (uint32_t r : recNos) rows.push_back(Rows.DataList[r - 1]);
        Rows.DataList.Assign(rows);
    }
};

}  // namespace

TEST(RecordCommands, RemovingRowsRenumbersTheRowsAfterThem) {
    vxtest::TempDir dir;
    Loaded t(dir, 6);
    EXPECT_EQ(records::RemoveRows(t.Dbf, t.Rows, records::NormalizeRanges({{4, 4}, {1, 1}}, 6)), 2u);
    EXPECT_EQ(t.Names(), "r1,r3*,r4,r6*,");
    EXPECT_EQ(t.RowNames(), "r1=1,r3=2,r4=3,r6=4,");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
}

TEST(RecordCommands, RangesAreJoinedAndCut) {
    const auto r = records::NormalizeRanges({{5, 7}, {0, 1}, {2, 2}, {6, 9}, {12, 14}, {30, 31}}, 13);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(std::make_pair(r[0].First, r[0].Last), std::make_pair(size_t(0), size_t(2)));
    EXPECT_EQ(std::make_pair(r[1].First, r[1].Last), std::make_pair(size_t(5), size_t(9)));
    EXPECT_EQ(std::make_pair(r[2].First, r[2].Last), std::make_pair(size_t(12), size_t(12)));
    EXPECT_EQ(records::RowCount(r), 9u);
}

TEST(RecordCommands, TruncateInFileOrderAndInASortedList) {
    vxtest::TempDir dir;
    Loaded plain(dir, 10, "plain.dbf");
    EXPECT_EQ(records::TruncateBelow(plain.Dbf, plain.Rows, 6), 3u);
    EXPECT_EQ(plain.Names(), "r1,r2,r3*,r4,r5,r6*,r7,");
    EXPECT_EQ(records::TruncateBelow(plain.Dbf, plain.Rows, 6), 0u);  // the last row: nothing

    // Sorted so that the rows below the selection carry records 3, 5 and 9: record 10 moves
    // into place 3 and record 8 into place 5.
    Loaded sorted(dir, 10, "sorted.dbf");
    sorted.Order({1, 2, 4, 6, 7, 8, 10, 3, 5, 9});
    EXPECT_EQ(records::TruncateBelow(sorted.Dbf, sorted.Rows, 6), 3u);
    EXPECT_EQ(sorted.Names(), "r1,r2,r10,r4,r8,r6*,r7,");
    EXPECT_EQ(sorted.RowNames(), "r1=1,r2=2,r4=4,r6=6,r7=7,r8=5,r10=3,");
    EXPECT_EQ(rectest::Mismatch(sorted.Dbf, sorted.Rows), "");

    // A list that no longer matches the file (records cut behind its back): the numbers
    // beyond the count are passed over and the command ends.
    Loaded stale(dir, 10, "stale.dbf");
    stale.Dbf.SetRecordCount(8);
    stale.Order({1, 2, 3, 4, 5, 6, 7, 8, 10, 9});
    EXPECT_EQ(records::TruncateBelow(stale.Dbf, stale.Rows, 5), 4u);
    EXPECT_EQ(stale.Names(), "r1,r2,r3*,r4,r5,r6*,");
}

// Each command while a filter shows only the odd records, then the filter undone: every row
// in memory agrees with the file, and no row that left comes back.
TEST(RecordCommands, EveryCommandUnderAFilterThenWithout) {
    vxtest::TempDir dir;
    lvtest::MakeTable(dir.Path("source.dbf"), 4);
    struct Case {
        const char* Name;
        std::function<void(TDBF&, TRowStore&)> Run;
        bool KeepsEveryRow;
        std::string Names;  // the file's records afterwards
    };
    const Case cases[] = {
        {"toggle", [](TDBF& d, TRowStore& r) { records::ToggleMarks(d, r, {{0, 2}}); }, true,
         "r1*,r2,r3,r4,r5*,r6*,r7,r8,r9*,r10,r11,r12*,"},
        {"set all", [](TDBF& d, TRowStore& r) { records::SetAllMarks(d, r, true); }, true,
         "r1*,r2*,r3*,r4*,r5*,r6*,r7*,r8*,r9*,r10*,r11*,r12*,"},
        {"remove", [](TDBF& d, TRowStore& r) { records::RemoveRows(d, r, {{1, 2}, {5, 5}}); }, true,
         "r1,r2,r4,r6*,r7,r8,r9*,r10,r12*,"},
        {"truncate", [](TDBF& d, TRowStore& r) { records::TruncateBelow(d, r, 2); }, true,
         "r1,r2,r3*,r4,r5,r6*,r12*,r8,r10,"},
        {"hide", [](TDBF&, TRowStore& r) { records::DropRowsMarked(r, true); }, false,
         "r1,r2,r3*,r4,r5,r6*,r7,r8,r9*,r10,r11,r12*,"},
        {"show only marked", [](TDBF&, TRowStore& r) { records::DropRowsMarked(r, false); }, false,
         "r1,r2,r3*,r4,r5,r6*,r7,r8,r9*,r10,r11,r12*,"},
        {"paste",
         [](TDBF& d, TRowStore& r) {
             auto p = recordclip::ParsePaste(d, recordclip::BuildClipData(d, {2, 3}).Text, {});
             AppendNewRecords(d, r, p.Records);
         },
         true, "r1,r2,r3*,r4,r5,r6*,r7,r8,r9*,r10,r11,r12*,r2,r3,"},
        {"append from a table",
         [&dir](TDBF& d, TRowStore& r) {
             auto s = records::ReadAppendSource(d, dir.Path("source.dbf"));
             AppendNewRecords(d, r, s.Records);
         },
         true, "r1,r2,r3*,r4,r5,r6*,r7,r8,r9*,r10,r11,r12*,r1,r2,r3*,r4,"},
    };
    for (const Case& c : cases) {
        vxtest::TempDir tdir;
        Loaded t(tdir, 12);
        rectest::ApplyFilter(t.Rows, [](TRowStore::Row r) { return r->RecNo() % 2 == 1; });
        c.Run(t.Dbf, t.Rows);
        EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows, c.KeepsEveryRow), "") << c.Name << " under the filter";
        rectest::UndoFilter(t.Rows);
        EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows, c.KeepsEveryRow), "") << c.Name << " after it";
        EXPECT_EQ(t.Names(), c.Names) << c.Name;
        if (!c.KeepsEveryRow) {
            // The rows of one kind left both lists: undoing the filter brings none back.
            const bool hid = std::string(c.Name) == "hide";
            for (size_t i = 0; i < t.Rows.DataList.Count(); ++i)
                EXPECT_EQ(t.Rows.DataList[i]->Deleted(), !hid) << c.Name << " row " << i;
            EXPECT_EQ(t.Rows.DataList.Count(), hid ? 8u : 4u) << c.Name;
        }
    }
}

TEST(RecordCommands, AppendFromATableMatchesFieldsByNameAndRefusesWhatDoesNotFit) {
    vxtest::TempDir dir;
    Loaded t(dir, 2);
    // Names in another case and order, a field the table lacks, and one the source lacks.
    const std::string source = dir.Path("src.dbf");
    CreateTableFile(source, 0x03, {{"extra", 'N', 5}, {"name", 'C', 4}, {"day", 'C', 10}});
    auto fill = [&](const std::vector<std::array<std::string, 3>>& records) {
        TDBF s;
        s.SetFileName(source);
        s.Open();
        for (const auto& r : records) {
            s.Append();
            for (int i = 0; i < 3; ++i) s.GetField(i)->SetAsString(r[size_t(i)]);
            s.Post();
        }
    };
    fill({{"1", "Ann", "2024-03-09"}, {"2", "Bob", ""}});
    auto got = records::ReadAppendSource(t.Dbf, source);
    ASSERT_TRUE(got.Ok) << got.Message;
    AppendNewRecords(t.Dbf, t.Rows, got.Records);
    EXPECT_EQ(t.Names(), "r1,r2,Ann,Bob,");
    t.Dbf.Go(3);
    EXPECT_EQ(t.Dbf.GetField(1)->GetAsView(), "20240309");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");

    const std::string before = vxtest::ReadAll(dir.Path("t.dbf"));
    fill({{"3", "Cy", "2024-02-30"}});
    got = records::ReadAppendSource(t.Dbf, source);
    EXPECT_FALSE(got.Ok);
    EXPECT_EQ(got.Message, "Record 3, field DAY: \"2024-02-30\" is not a valid value for this field. Nothing was appended.");
    EXPECT_TRUE(got.Records.Images.empty());
    got = records::ReadAppendSource(t.Dbf, dir.Path("missing.dbf"));
    EXPECT_FALSE(got.Ok);
    EXPECT_TRUE(got.EngineMessage);
    EXPECT_EQ(vxtest::ReadAll(dir.Path("t.dbf")), before);
}
