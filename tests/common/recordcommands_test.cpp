// The record commands on tables and their rows: renumbering after removal, truncating below a row in file
// order and in a sorted list, every command under a filter and after it, appending another table's records;
// and the clipboard: the copy text byte for byte, every field type between two tables through the text and
// through the exact records, every real table back byte for byte, pastes refused whole.
#include "common/filter.h"
#include "common/recordclip.h"
#include "common/recordcommands.h"

#include "common/records_testutil.h"
#include "engine/dbftestutil.h"
#include "testutil.h"

namespace {

// A table of NAME C(8) ("r1", "r2", ...) and DAY D(8), every third record marked, with its
// rows loaded.
struct Loaded {
    TDBF Dbf;
    TRowStore Rows;
    Loaded(const vxtest::TempDir& dir, uint32_t records, const std::string& name = "t.dbf") {
        Dbf.SetFileName(rectest::MakeTable(dir.Path(name), records));
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
    rectest::MakeTable(dir.Path("source.dbf"), 4);
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

TEST(RecordClip, APasteThatFailsLeavesEveryByteOfTheTable) {
    vxtest::TempDir dir;
    Table t(rectest::MakeTable(dir.Path("t.dbf"), 14));
    const std::string before = vxtest::ReadAll(t.Dbf.FileName);
    ASSERT_EQ(before.back(), '\x1A');
    const recordclip::TClipData clip = recordclip::BuildClipData(t.Dbf, {2, 3});
    for (const std::string& exact : {clip.Exact, std::string()}) {
        TPaste p = recordclip::ParsePaste(t.Dbf, clip.Text, exact);
        ASSERT_EQ(p.Status, TPaste::Ready);
        {
            dbftest::TFileSizeLimit full(before.size() + 5);  // part of the first record only
            EXPECT_EQ(dbftest::ErrorOf([&] { AppendNewRecords(t.Dbf, t.Rows, p.Records); }),
                      t.Dbf.FileName + " - Error in write DBF!");
        }
        EXPECT_EQ(vxtest::ReadAll(t.Dbf.FileName), before);  // the end mark included
        EXPECT_EQ(t.Rows.DataList.Count(), 14u);
        EXPECT_EQ(t.Dbf.GetRecordCount(), 14u);
    }
}

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
    // Through the text, with the memo texts of exact records copied from another layout.
    std::string otherLayout = clip.Exact;
    otherLayout[24] ^= 1;  // a byte of the first field's name in the copied layout
    ASSERT_EQ(b.Paste(clip.Text, otherLayout).Status, TPaste::Ready);
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
    ASSERT_EQ(b.Paste(Replace(clip.Text, "Ann", "Bob"), clip.Exact).Status, TPaste::Ready);
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
        const TPaste p = t.Paste(bad, clip.Exact);
        EXPECT_EQ(p.Status, TPaste::Rejected) << why;
        EXPECT_NE(p.Message.find(why), std::string::npos) << p.Message;
        EXPECT_NE(p.Message.find("Nothing was pasted."), std::string::npos) << p.Message;
    }
    EXPECT_EQ(vxtest::ReadAll(path), before);
    EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore);
    // Exact records cut short anywhere, or whose last memo claims more than they hold, are
    // passed over for the text.
    std::string huge = clip.Exact;
    huge.replace(huge.size() - 9, 4, "\xFF\xFF\xFF\x7F");  // the length before "Third"
    for (size_t n = 0; n < clip.Exact.size(); n += 7)
        for (const std::string& exact : {clip.Exact.substr(0, n), huge})
            EXPECT_FALSE(recordclip::ParsePaste(t.Dbf, text, exact).Exact) << n;

    // A blank numeric value stores blanks; damaged memo data is passed over.
    for (const std::string& memos : {clip.Exact.substr(0, clip.Exact.size() - 3), std::string(40, '\xFF')})
        ASSERT_EQ(t.Paste(Replace(text, "    7.50", ""), memos).Status, TPaste::Ready);
    t.Dbf.Go(4);
    EXPECT_EQ(t.Dbf.FieldByName("QTY")->GetAsView(), "        ");
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
}

namespace {

// Where record `record` (0-based) starts in the exact records of `clip`: after the head, the
// layout, and each earlier record with its memo texts.
size_t ExactRecordAt(const std::string& exact, size_t record, size_t recordLength) {
    auto le32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(exact[at + size_t(i)])) << (8 * i);
        return v;
    };
    const size_t memos = le32(16 + 4 + le32(16) + 4);
    size_t at = 16 + 4 + le32(16) + 12;
    for (size_t r = 0; r < record; ++r) {
        at += recordLength;
        for (size_t m = 0; m < memos; ++m) at += 4 + le32(at);
    }
    return at;
}

}  // namespace

// Anyone can put data under the exact format with the fingerprint of its text: records whose
// deletion mark or field bytes paste would not take as text are refused whole, with the text
// route's message, and nothing is written.
TEST(RecordClip, TamperedExactRecordsAreRefusedAndNothingIsWritten) {
    vxtest::TempDir dir;
    const std::string path = rectest::MakeEveryTypeTable(dir.Path("t.dbf")), memoPath = dir.Path("t.fpt");
    Table t(path);
    const recordclip::TClipData clip = recordclip::BuildClipData(t.Dbf, {1, 3});
    const size_t rl = t.Dbf.GetRecordLength();
    const std::string before = vxtest::ReadAll(path), memoBefore = vxtest::ReadAll(memoPath);
    auto at = [&](size_t record, const char* field) {
        return ExactRecordAt(clip.Exact, record, rl) + t.Dbf.FieldByName(field)->GetOffset();
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<size_t, std::string, std::string> cases[] = {
        {ExactRecordAt(clip.Exact, 1, rl), "X", "Record 2 on the clipboard has the deletion mark \"X\", which is neither a blank nor \"*\"."},
        {ExactRecordAt(clip.Exact, 0, rl), std::string(1, '\0'), "deletion mark"},
        {at(0, "QTY"), "     abc", "Record 1, field QTY: \"     abc\" is not a valid value for this field."},
        {at(1, "QTY"), "   1e300", "Record 2, field QTY: \"   1e300\" is not a valid value"},
        {at(0, "RATE"), "  1.5e2   ", "field RATE: \"  1.5e2   \" is not a valid value"},
        {at(1, "QTY"), "  7..5  ", "field QTY"},
        {at(0, "RATIO"), std::string(reinterpret_cast<const char*>(&nan), 8), "field RATIO: \"nan\""},
    };
    for (const auto& [offset, bytes, why] : cases) {
        std::string exact = clip.Exact;
        exact.replace(offset, bytes.size(), bytes);
        const TPaste p = t.Paste(clip.Text, exact);
        EXPECT_EQ(p.Status, TPaste::Rejected) << why;
        EXPECT_EQ(p.Records.Count, 0u);
        EXPECT_NE(p.Message.find(why), std::string::npos) << p.Message;
        EXPECT_NE(p.Message.find("Nothing was pasted."), std::string::npos) << p.Message;
    }
    EXPECT_EQ(vxtest::ReadAll(path), before);
    EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore);
    EXPECT_EQ(rectest::Mismatch(t.Dbf, t.Rows), "");
    // Untouched, the same records paste as they were copied, a deletion mark included.
    std::string marked = clip.Exact;
    marked[ExactRecordAt(marked, 1, rl)] = '*';
    const TPaste p = t.Paste(clip.Text, marked);
    ASSERT_EQ(p.Status, TPaste::Ready);
    EXPECT_TRUE(p.Exact);
    t.Dbf.Go(5);
    EXPECT_TRUE(t.Dbf.GetDeleted());
}

// Every record of every real table the engine opens, pasted into an empty table of its layout:
// through the exact records byte for byte but the memo references, with the same memo texts;
// through the text alone (where no value breaks its line) with null flags and blank date-times
// as a new record has them.
TEST(RecordClip, EveryRealTableComesBackByteForByteExceptItsMemoReferences) {
    namespace fs = std::filesystem;
    vxtest::TempDir dir;
    for (const char* copy : {"from", "to"}) {
        fs::copy(VX_FIXTURES, dir.Path(copy), fs::copy_options::recursive);
        for (const auto& e : fs::recursive_directory_iterator(dir.Path(copy)))
            fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
    }
    int tables = 0, blanks = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path("from"))) {
        if (e.path().extension() != ".dbf") continue;
        SCOPED_TRACE(e.path().string());
        TDBF from, to;
        from.SetFileName(e.path().string());
        to.SetFileName(dir.Path("to") + "/" + fs::relative(e.path(), dir.Path("from")).string());
        try {
            from.Open();
            to.Open();
        } catch (const EDBFError&) {
            continue;  // a table the engine refuses
        }
        to.Zap();
        const uint32_t n = from.GetRecordCount();
        std::vector<uint32_t> all(n);
        for (uint32_t i = 0; i < n; ++i) all[i] = i + 1;
        const recordclip::TClipData clip = recordclip::BuildClipData(from, all);
        TRowStore rows;
        TPaste p = recordclip::ParsePaste(to, clip.Text, clip.Exact);
        ASSERT_TRUE(p.Exact);
        AppendNewRecords(to, rows, p.Records);
        ++tables;
        const bool textToo = (p = recordclip::ParsePaste(to, clip.Text, {})).Status == TPaste::Ready;
        if (textToo) AppendNewRecords(to, rows, p.Records);
        for (uint32_t r = 1; r <= n; ++r) {
            from.Go(r);
            to.Go(r);
            EXPECT_EQ(from.GetDeleted(), to.GetDeleted());
            for (int i = 0; i < from.FieldCount; ++i) {
                const TField &a = *from.GetField(i), &b = *to.GetField(i);
                if (a.GetFieldType() == 'M' && a.HasMemoLayout())  // the memo texts
                    EXPECT_EQ(valuetext::DisplayText(to, b), valuetext::DisplayText(from, a)) << r << " " << i;
                else
                    EXPECT_EQ(b.GetRawView(), a.GetRawView()) << r << " " << i;
                if (!textToo || (a.GetFieldType() != '0' && (a.GetFieldType() != 'T' || !valuetext::IsBlankDateTime(a))))
                    continue;
                to.Go(n + r);
                EXPECT_EQ(to.GetField(i)->GetRawView(), std::string(a.GetLength(), '\0')) << r << " " << i;
                to.Go(r);
                ++blanks;
            }
        }
    }
    EXPECT_GE(tables, 14);
    EXPECT_GE(blanks, 100);  // dbase_30's blank date-times, dbase_31's null flags
}

TEST(RecordClip, MemoTextsForATableWithoutItsMemoFileNameTheMissingFile) {
    vxtest::TempDir dir;
    vxtest::CopyFixture(dir, "dbase_83.dbt");
    Table from(vxtest::CopyFixture(dir, "dbase_83.dbf")), to(vxtest::CopyFixture(dir, "dbase_83_missing_memo.dbf"));
    const recordclip::TClipData clip = recordclip::BuildClipData(from.Dbf, {1});
    const std::string before = vxtest::ReadAll(to.Dbf.FileName);
    std::string error;
    try {
        to.Paste(clip.Text, clip.Exact);
    } catch (const EDBFError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, to.Dbf.FileName + " - The memo file " + dir.Path("dbase_83_missing_memo.dbt") +
                         " is missing, so memo texts cannot be changed!");
    EXPECT_EQ(vxtest::ReadAll(to.Dbf.FileName), before);
}
