// Which rows the writers write and what the export worker reports: each range, the
// deleted-row choice, the progress cadence of each format, stopping, failing, the worksheet's
// row limit, and the escaping of values in markup.
#include "exportfixture.h"

#include "export/exportthread.h"
#include "export/markup.h"
#include "export/xlswriter.h"
#include "mainwindow/loadwindow_fixture.h"
#include "qtapp.h"

#include <algorithm>
#include <random>

using namespace exporttest;

namespace {

// A table of NAME C(8) "r1".."rN" (and DAY D), every third record marked deleted when asked.
std::string MakeNamedTable(const TempDir& dir, uint32_t n, bool deleteEveryThird = true) {
    return lvtest::MakeTable(dir.Path("named.dbf"), n, deleteEveryThird ? 3 : 0);
}

struct TRangeCase {
    const char* Name;
    TRowRange Range;
    bool Deleted;
    const char* Csv;  // names written, one a line
    std::vector<size_t> Places;
    size_t Total;
};

// What the export worker tells its dialog.
struct TFakeView : TExportView {
    std::vector<std::string> Calls;
    std::vector<QString> Texts;
    TExportThread* StopOnFirstReport = nullptr;
    void BeginExport() override { Calls.push_back("begin"); }
    void EndExport() override { Calls.push_back("end"); }
    void ExportProgress(int kind, size_t current, size_t total, const std::string&) override {
        Calls.push_back(std::to_string(kind) + ":" + std::to_string(current) + "/" + std::to_string(total));
        if (kind == 1 && StopOnFirstReport) StopOnFirstReport->Terminate();
    }
    void ExportMessage(const QString& caption, const QString& text, TMsgBoxIcon) override {
        Calls.push_back("box:" + caption.toStdString());
        Texts.push_back(text);
    }
};

// Runs an export of `type` to `out` (of the rows at `selected` when given) and returns what
// the view saw.
TFakeView RunExport(TTableRows& src, uint8_t type, const std::string& out, int from = -1, int to = -1,
                    bool stop = false, std::vector<int> fields = {0}, std::vector<size_t> selected = {}) {
    vxtest::App();
    TFakeView view;
    TExportThread w(&src.Table, &src.Store.DataList);
    w.SetForm(&view);
    w.SetFileName(out);
    w.SetFileType(type);
    w.SetColumns(fields);
    w.SetRows(!selected.empty() ? TRowRange::SelectedRows(selected)
              : from > 0        ? TRowRange::Positions(size_t(from), size_t(std::max(to, 0)))
                                : TRowRange::AllRows());
    if (stop) view.StopOnFirstReport = &w;
    w.Resume();
    w.WaitFor();
    return view;
}

}  // namespace

TEST(ExportRows, EachRangeAndTheDeletedRowChoice) {
    TempDir dir;
    TTableRows src(MakeNamedTable(dir, 10));  // r3, r6, r9 deleted
    const TRangeCase cases[] = {
        {"all", TRowRange::AllRows(), true, "r1 r2 r3 r4 r5 r6 r7 r8 r9 r10", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10},
        {"all, no deleted", TRowRange::AllRows(), false, "r1 r2 r4 r5 r7 r8 r10", {1, 2, 4, 5, 7, 8, 10}, 10},
        {"selected", TRowRange::SelectedRows({9, 8, 0, 4}), false, "r10 r1 r5", {1, 3, 4}, 4},
        {"span", TRowRange::Positions(3, 7), true, "r3 r4 r5 r6 r7", {1, 2, 3, 4, 5}, 5},
        {"span, no deleted", TRowRange::Positions(3, 7), false, "r4 r5 r7", {2, 3, 5}, 5},
    };
    for (const TRangeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRowSource rows = src.Source();
        rows.Fields = {0};
        rows.Range = c.Range;
        rows.WriteDeleted = c.Deleted;
        TRecordingSink sink;
        const TWriteResult r = WriteCSV(dir.Path("out.csv"), rows, sink);
        std::string names = ReadAll(dir.Path("out.csv"));
        for (size_t p; (p = names.find("\r\n")) != std::string::npos;) names.replace(p, 2, " ");
        EXPECT_EQ(names, std::string(c.Csv) + " ");
        std::vector<std::array<size_t, 3>> calls, want;
        for (const auto& call : sink.Calls) calls.push_back({call.Written, call.Place, call.Total});
        for (size_t i = 0; i < c.Places.size(); ++i) want.push_back({i + 1, c.Places[i], c.Total});
        EXPECT_EQ(calls, want);
        EXPECT_EQ(r.Written, c.Places.size());
        // DIF counts the whole range in its head, skipped rows included.
        WriteDIF(dir.Path("out.dif"), rows, sink);
        EXPECT_NE(ReadAll(dir.Path("out.dif")).find("TUPLES\r\n0," + std::to_string(c.Total) + "\r\n"), std::string::npos);
    }
}

TEST(ExportRows, AListInAnyOrderComesOutInItsOrderAcrossWindows) {
    // More records than two windows of rows; the list shuffled.
    TempDir dir;
    TTableRows src(MakeNamedTable(dir, 2 * 4096 + 3));  // every third deleted
    std::vector<TDataList::Row> order = src.Store.DataList.Rows();
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    src.Store.DataList.Assign(order);
    for (const bool deleted : {true, false}) {
        for (const auto& range : {TRowRange::AllRows(), TRowRange::Positions(4000, 8200)}) {
            TRowSource rows = src.Source();
            rows.Fields = {0, 1};
            rows.Range = range;
            rows.WriteDeleted = deleted;
            TRecordingSink sink;
            WriteCSV(dir.Path("out.csv"), rows, sink);
            std::string want;
            const size_t from = range.Kind == TRowRange::Span ? range.From - 1 : 0;
            const size_t to = std::min(range.Kind == TRowRange::Span ? range.To : order.size(), order.size());
            for (size_t i = from; i < to; ++i) {
                const uint32_t r = order[i]->RecNo();
                const std::string day = r % 2 ? "20240105" : "        ";
                if (deleted || r % 3) want += "r" + std::to_string(r) + "," + day + "\r\n";
            }
            EXPECT_TRUE(ReadAll(dir.Path("out.csv")) == want) << deleted << " " << range.From;
        }
    }
    // A row whose record the table no longer has is no blank record: the writing stops.
    order.insert(order.begin() + 4100, src.Store.Pool.Make(false, 9999999, {}));
    src.Store.DataList.Assign(order);
    TRecordingSink sink;
    EXPECT_THROW(WriteCSV(dir.Path("gone.csv"), src.Source(), sink), EDBFRecordsChanged);
}

TEST(ExportRows, ProgressComesAtEachFormatsCadence) {
    TempDir dir;
    TTableRows src(MakeNamedTable(dir, 4500, false));
    EXPECT_EQ(RunExport(src, 2, dir.Path("t.dbf")).Calls,
              (std::vector<std::string>{"begin", "1:2000/4500", "1:4000/4500", "2:0/4500", "box:ok", "end"}));
    // A range: places count within it.
    EXPECT_EQ(RunExport(src, 3, dir.Path("t.dbf"), 1001, 3500).Calls,
              (std::vector<std::string>{"begin", "1:2000/2500", "2:0/2500", "box:ok", "end"}));
    const std::pair<uint8_t, size_t> cadences[] = {{4, 500}, {5, 500}, {6, 500}, {7, 20}, {8, 500}, {9, 500}};
    for (auto [type, every] : cadences) {
        const auto calls = RunExport(src, type, dir.Path("out")).Calls;
        EXPECT_EQ(calls.size(), 4500 / every + 4) << int(type);
        EXPECT_EQ(calls[1], "1:" + std::to_string(every) + "/4500") << int(type);
    }
}

TEST(ExportRows, StoppedFailedAndColumnlessExportsSaySo) {
    TempDir dir;
    TTableRows src(MakeNamedTable(dir, 4500, false));
    // Stopped at the first report: the rows written so far stay and are counted.
    auto calls = RunExport(src, 1, dir.Path("s.dbf"), -1, -1, true).Calls;
    EXPECT_EQ(calls, (std::vector<std::string>{"begin", "1:2000/4500", "3:0/2000", "box:ok", "end"}));
    TDBF t;
    t.SetFileName(dir.Path("s.dbf"));
    t.Open();
    EXPECT_EQ(t.GetRecordCount(), 2000u);
    // A file that cannot be created: the message, and the dialog is unlocked.
    calls = RunExport(src, 8, dir.Path("missing/out.csv")).Calls;
    EXPECT_EQ(calls, (std::vector<std::string>{"begin", "4:0/0", "box:Error", "end"}));
    // A table kind without columns writes nothing.
    calls = RunExport(src, 0, dir.Path("none.dbf"), -1, -1, false, {}).Calls;
    EXPECT_EQ(calls, (std::vector<std::string>{"begin", "box:Error", "end"}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("none.dbf")));
    // Rows exported by selection are all white in HTML; all rows alternate.
    const TFakeView view = RunExport(src, 5, dir.Path("sel.html"), -1, -1, false, {0}, {1, 0});
    EXPECT_EQ(ReadAll(dir.Path("sel.html")).find("       <td bgcolor=\"#EEEEEE\">"), std::string::npos);
    EXPECT_NE(ReadAll(dir.Path("sel.html")).find("       <td bgcolor=\"#FFFFFF\">r1</td>"), std::string::npos);
    EXPECT_EQ(view.Texts.back(), ExportedText(dir.Path("sel.html")));
}

TEST(ExportRows, WorksheetStopsAtItsRowLimitInAFreshFile) {
    TempDir dir;
    TTableRows src(MakeNamedTable(dir, uint32_t(ExcelMaxDataRows + 2), false));
    vxtest::WriteAll(dir.Path("big.xls"), std::string(3'000'000, 'Z'));  // a longer old file
    TRecordingSink sink;
    TRowSource names = src.Source();
    names.Fields = {0};
    TWriteResult r = WriteExcel(dir.Path("big.xls"), names, sink);
    EXPECT_TRUE(r.Capped);
    EXPECT_EQ(r.Written, ExcelMaxDataRows);
    const std::string xls = ReadAll(dir.Path("big.xls"));
    // BOF, CODEPAGE, DIMENSIONS, the title, one LABEL per row ("r1".."r65535"), EOF.
    size_t labels = 0;
    for (uint32_t i = 1; i <= ExcelMaxDataRows; ++i) labels += 12 + 1 + std::to_string(i).size();
    EXPECT_EQ(xls.size(), 10 + 6 + 12 + (12 + 4) + labels + 4);
    EXPECT_EQ(xls.substr(xls.size() - 4), std::string("\x0A\x00\x00\x00", 4));

    // A cell text is cut at 255 bytes.
    TXLSWriterEx w(dir.Path("cut.xls"));
    w.WriteLabel(1, 2, 0, std::string(300, 'a'));
    w.Close();
    const std::string cut = ReadAll(dir.Path("cut.xls"));
    EXPECT_EQ(cut.substr(0, 11), std::string("\x04\x00\x07\x01\x01\x00\x02\x00\x00\x00\x00", 11));
    EXPECT_EQ(uint8_t(cut[11]), 255);
    EXPECT_EQ(cut.size(), 12u + 255);
}

TEST(ExportRows, MarkupNeverBreaksWhateverTheBytes) {
    std::string html;
    markup::AppendHtmlEscaped(html, "<b>&amp;\"</b>");
    EXPECT_EQ(html, "&lt;b&gt;&amp;amp;\"&lt;/b&gt;");
    // Each special character at every place of texts up to three words long, beside bytes
    // that differ from it in one bit (the word-at-a-time search must find it and nothing else).
    for (const char special : {'&', '<', '>'})
        for (size_t length = 1; length <= 24; ++length)
            for (size_t at = 0; at < length; ++at) {
                std::string text(length, char(special ^ 0x01));
                for (size_t i = 0; i < length; i += 3) text[i] = char(special ^ 0x80);
                text[at] = special;
                std::string want;
                for (char c : text)
                    want += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
                std::string got = "x";
                markup::AppendHtmlEscaped(got, text);
                ASSERT_EQ(got, "x" + want) << special << " " << length << " " << at;
            }
    // The same for the characters that make a CSV value quoted.
    for (const char special : {'"', ',', '\r', '\n'})
        for (size_t length = 1; length <= 24; ++length)
            for (size_t at = 0; at < length; ++at) {
                std::string text(length, char(special ^ 0x40));
                text[at] = special;
                std::string want = "\"";
                for (char c : text) want += c == '"' ? std::string("\"\"") : std::string(1, c);
                ASSERT_EQ(QuoteCSV(text), want + "\"") << int(special) << " " << length << " " << at;
                ASSERT_EQ(QuoteCSV(std::string(length, char(special ^ 0x40))), std::string(length, char(special ^ 0x40)));
            }
    std::string xml;
    markup::AppendXmlText(xml, std::string("<&>\t\r\n\x01\x7F\xE9", 9));
    EXPECT_EQ(xml, "&lt;&amp;&gt;\t&#13;\n&#xFFFD;\x7F&#xE9;");
    for (auto [name, tag] : {std::pair{"A B", "A_B"}, {"1X", "_1X"}, {"_x.y-z", "_x.y-z"}, {"", "_"}})
        EXPECT_EQ(markup::XmlName(name), tag);
}
