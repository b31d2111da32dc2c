// The record commands on tables and their rows: renumbering after removal, truncating below a row in file order and
// in a sorted list, every command under a filter and after it, and appending another table's records.
#include "app/filter.h"
#include "app/recordclip.h"
#include "app/recordcommands.h"

#include "window_fixture.h"
#include "records_testutil.h"

namespace {

// A table of NAME C(8) ("r1", "r2", ...) and DAY D(8), every third record marked, with its
// rows loaded.
struct Loaded {
    TDBF Dbf;
    TRowStore Rows;
    Loaded(const vxtest::TempDir& dir, uint32_t records, const std::string& name = "t.dbf") {
        Dbf.SetFileName(wintest::MakeTable(dir.Path(name), records));
        Dbf.Open();
        rectest::LoadRows(Dbf, Rows);
    }
    std::string Names() { return rectest::Names(Dbf.FileName); }
    std::string RowNames() {
        std::string s;
        for (TRowStore::Row r : Rows.DataList.Rows()) s += std::string(r->Text(0)) + "=" + r->RecNoText() + ",";
        return s;
    }
    void Order(const std::vector<uint32_t>& recNos) {
        std::vector<TRowStore::Row> rows;
        for (uint32_t r : recNos) rows.push_back(Rows.DataList[r - 1]);
        Rows.DataList.Assign(rows);
    }
};

}  // namespace

TEST(RecordCommands, RemovalRenumbersAndTruncateFillsHolesFromTheEnd) {
    vxtest::TempDir dir;
    Loaded six(dir, 6, "six.dbf");
    const auto ranges = records::NormalizeRanges({{4, 4}, {1, 1}, {4, 9}}, 5);
    EXPECT_EQ(records::RowCount(ranges), 2u);  // joined and cut to the rows there are
    EXPECT_EQ(records::RemoveRows(six.Dbf, six.Rows, ranges), 2u);
    EXPECT_EQ(six.Names(), "r1,r3*,r4,r6*,");
    EXPECT_EQ(six.RowNames(), "r1=1,r3=2,r4=3,r6=4,");

    Loaded plain(dir, 10, "plain.dbf");
    EXPECT_EQ(records::TruncateBelow(plain.Dbf, plain.Rows, 6), 3u);
    EXPECT_EQ(records::TruncateBelow(plain.Dbf, plain.Rows, 6), 0u);  // the last row: nothing
    EXPECT_EQ(plain.Names(), "r1,r2,r3*,r4,r5,r6*,r7,");

    // Rows below the selection carry records 3, 5 and 9: record 10 moves into place 3 and
    // record 8 into place 5.
    Loaded sorted(dir, 10, "sorted.dbf");
    sorted.Order({1, 2, 4, 6, 7, 8, 10, 3, 5, 9});
    EXPECT_EQ(records::TruncateBelow(sorted.Dbf, sorted.Rows, 6), 3u);
    EXPECT_EQ(sorted.Names(), "r1,r2,r10,r4,r8,r6*,r7,");
    EXPECT_EQ(sorted.RowNames(), "r1=1,r2=2,r4=4,r6=6,r7=7,r8=5,r10=3,");
    EXPECT_EQ(rectest::Mismatch(sorted.Dbf, sorted.Rows), "");
}

// Each command while a filter shows only the odd records, then the filter undone: every row
// in memory agrees with the file, and no row that left comes back.
TEST(RecordCommands, EveryCommandUnderAFilterThenWithout) {
    vxtest::TempDir dir;
    wintest::MakeTable(dir.Path("source.dbf"), 4);
    const std::string all = "r1,r2,r3*,r4,r5,r6*,r7,r8,r9*,r10,r11,r12*,";
    const std::tuple<const char*, std::function<void(TDBF&, TRowStore&)>, std::string> cases[] = {
        {"toggle", [](TDBF& d, TRowStore& r) { records::ToggleMarks(d, r, {{0, 2}}); },
         "r1*,r2,r3,r4,r5*,r6*,r7,r8,r9*,r10,r11,r12*,"},
        {"set all", [](TDBF& d, TRowStore& r) { records::SetAllMarks(d, r, true); },
         "r1*,r2*,r3*,r4*,r5*,r6*,r7*,r8*,r9*,r10*,r11*,r12*,"},
        {"remove", [](TDBF& d, TRowStore& r) { records::RemoveRows(d, r, {{1, 2}, {5, 5}}); },
         "r1,r2,r4,r6*,r7,r8,r9*,r10,r12*,"},
        {"truncate", [](TDBF& d, TRowStore& r) { records::TruncateBelow(d, r, 2); }, "r1,r2,r3*,r4,r5,r6*,r12*,r8,r10,"},
        {"hide", [](TDBF&, TRowStore& r) { records::DropRowsMarked(r, true); }, all},
        {"show only marked", [](TDBF&, TRowStore& r) { records::DropRowsMarked(r, false); }, all},
        {"paste",
         [](TDBF& d, TRowStore& r) {
             auto p = recordclip::ParsePaste(d, recordclip::BuildClipData(d, {2, 3}).Text, {});
             AppendNewRecords(d, r, p.Records);
         },
         all + "r2,r3,"},
        {"append from a table",
         [&dir](TDBF& d, TRowStore& r) {
             auto s = records::ReadAppendSource(d, dir.Path("source.dbf"));
             AppendNewRecords(d, r, s.Records);
         },
         all + "r1,r2,r3*,r4,"},
    };
    for (const auto& [name, run, names] : cases) {
        const std::string what = name;
        const bool views = what == "hide" || what == "show only marked";
        vxtest::TempDir tdir;
        Loaded t(tdir, 12);
        rectest::ApplyFilter(t.Rows, [](TRowStore::Row r) { return r->RecNo() % 2 == 1; });
        run(t.Dbf, t.Rows);
        EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows, !views), "") << what << " under the filter";
        ::UndoFilter(t.Rows);
        EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows, !views), "") << what << " after it";
        EXPECT_EQ(t.Names(), names) << what;
        if (!views) continue;
        // The rows of one kind left both lists: undoing the filter brings none back.
        for (TRowStore::Row r : t.Rows.DataList.Rows()) EXPECT_EQ(r->Deleted(), what != "hide") << what;
        EXPECT_EQ(t.Rows.DataList.Count(), what == "hide" ? 8u : 4u) << what;
    }
}

TEST(RecordCommands, AppendFromATableMatchesFieldsByNameAndRefusesWhatDoesNotFit) {
    vxtest::TempDir dir;
    Loaded t(dir, 2);
    // Names in another case and order, a field the table lacks, and one the source lacks.
    const std::string source = dir.Path("src.dbf");
    CreateTableFile(source, 0x03, {{"extra", 'N', 5}, {"name", 'C', 4}, {"day", 'C', 10}});
    TDBF s;
    s.SetFileName(source);
    s.Open();
    auto fill = [&](const std::vector<std::array<std::string, 3>>& records) {
        for (const auto& r : records) {
            s.Append();
            for (int i = 0; i < 3; ++i) s.GetField(i)->SetAsString(r[size_t(i)]);
            s.Post();
        }
    };
    fill({{"1", "Ann", "2024-03-09"}, {"2", "Bob", ""}});
    auto got = records::ReadAppendSource(t.Dbf, source);
    AppendNewRecords(t.Dbf, t.Rows, got.Records);
    EXPECT_EQ(t.Names(), "r1,r2,Ann,Bob,");
    t.Dbf.Go(3);
    EXPECT_EQ(t.Dbf.GetField(1)->GetAsView(), "20240309");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");

    fill({{"3", "Cy", "2024-02-30"}});
    got = records::ReadAppendSource(t.Dbf, source);
    EXPECT_FALSE(got.Ok || got.Records.Count);
    EXPECT_EQ(got.Message,
              "Record 3, field DAY: \"2024-02-30\" is not a valid value for this field. Nothing was appended.");
    got = records::ReadAppendSource(t.Dbf, dir.Path("missing.dbf"));
    EXPECT_TRUE(!got.Ok && got.EngineMessage);
}
