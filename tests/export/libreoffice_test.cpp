// Save as ".xls" and worksheet import through LibreOffice itself; skipped when it, or Python's
// xlrd, is not installed.
#include "saveasfixture.h"

#include "app/valuetext.h"
#include "app/workthread.h"
#include "export/worksheetappend.h"
#include "export/worksheetimport.h"
#include "app/recordimage.h"

using namespace exporttest;
using namespace saveastest;

namespace {

// One line per cell of the first sheet: "row col type value", then for the first row the font
// weight, height and horizontal alignment.
const char* XlrdDump = R"PY(
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1], formatting_info=sys.argv[2] == '1', encoding_override='cp1252')
s = b.sheet_by_index(0)
print('sheet', s.name)
for r in range(s.nrows):
    for c in range(s.ncols):
        cell = s.cell(r, c)
        line = '%d %d %d %r' % (r, c, cell.ctype, cell.value)
        if r == 0 and sys.argv[2] == '1':
            xf = b.xf_list[cell.xf_index]
            f = b.font_list[xf.font_index]
            line += ' weight=%d height=%d align=%d format=%s' % (f.weight, f.height, xf.alignment.hor_align, b.format_map[xf.format_key].format_str)
        print(line)
)PY";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        out.push_back(text.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

class TNullView : public TLoadView {
public:
    void SetPanelFlag(bool) override {}
    void RefreshList() override {}
    void ShowFirstItem() override {}
    void SetStatus(const std::string&) override {}
    void SetItemCount(size_t) override {}
    void DisableEditing() override {}
    void ShowLoadError(const std::string& t) override { Error = t; }
    void SetImportColumns(const std::vector<std::string>& c) override { Columns = c; }
    std::vector<std::string> Columns;
    std::string Error;
};

// The rows the import makes of a workbook, each as its texts joined by "|".
std::vector<std::string> ImportRows(const std::string& book, std::vector<std::string>& columns) {
    TNullView view;
    TRowStore store;
    {
        TWorkThread w(nullptr, &store, &view, nullptr);
        w.SetMode(TWorkThread::ModeLoadExcel);
        w.SetFileName(book);
        w.SetWorksheetReader(ReadWorksheet);
        w.Resume();
        w.WaitFor();
    }
    EXPECT_EQ(view.Error, "");
    columns = view.Columns;
    std::vector<std::string> rows;
    for (size_t i = 0; i < store.DataList.Count(); ++i) {
        std::string r;
        for (size_t k = 0; k < store.DataList[i]->FieldCount() + 2; ++k) r += (k ? "|" : "") + store.DataList[i]->Item(k);
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(LibreOffice, SaveAsXlsIsReadBackAsTextCellsWithItsFormatsAndImportsBack) {
    const std::string python = PythonWith("xlrd");
    if (!HaveOffice() || python.empty()) GTEST_SKIP() << "LibreOffice or xlrd is not installed";
    vxtest::App();
    TempDir dir;
    const std::string table = dir.Path("all.dbf");
    MakeAllTypesTable(table);
    TTableRows rows(table);
    const std::string saved = dir.Path("saved.xls");
    TSaveRun run;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeExcel, saved, false, run);
    ASSERT_EQ(run.Outcome, TSaveAsThread::soDone) << run.Message;
    EXPECT_EQ(run.Log.Percents(), (std::vector<long long>{25, 50, 75, 100, 100}));
    // The program's own BIFF2 export of the same rows.
    const std::string exported = dir.Path("exported.xls");
    TRecordingSink sink;
    WriteExcel(exported, rows.Source(false), sink);

    vxtest::WriteAll(dir.Path("dump.py"), XlrdDump);
    bool ok = false;
    const auto savedCells = Lines(RunCommand(python + " " + dir.Path("dump.py") + " " + saved + " 1", ok));
    ASSERT_TRUE(ok);
    const auto exportedCells = Lines(RunCommand(python + " " + dir.Path("dump.py") + " " + exported + " 0", ok));
    ASSERT_TRUE(ok);
    ASSERT_EQ(savedCells.front(), "sheet saved.xls");
    size_t compared = 0;
    for (const std::string& line : savedCells) {
        if (line.rfind("sheet", 0) == 0) continue;
        int r = -1, c = -1, type = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d %d", &r, &c, &type), 3) << line;
        const std::string value = line.substr(line.find(' ', line.find(' ', line.find(' ') + 1) + 1) + 1);
        if (r == 0) {
            EXPECT_NE(line.find("weight=700 height=240 align=2 format=@"), std::string::npos) << line;
        }
        // Every value is a text cell; an empty one may be left out as blank.
        if (type != 1) {
            EXPECT_TRUE(value.rfind("''", 0) == 0) << line;
            continue;
        }
        // The same text as the BIFF2 export gives the cell.
        const std::string prefix = std::to_string(r) + " " + std::to_string(c) + " 1 ";
        auto it = std::find_if(exportedCells.begin(), exportedCells.end(),
                               [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        ASSERT_NE(it, exportedCells.end()) << line;
        EXPECT_EQ(it->substr(prefix.size()), value.substr(0, value.find(" weight="))) << line;
        ++compared;
    }
    EXPECT_GE(compared, 4 * 9u);

    // Both workbooks import as the table's rows: the value texts, trimmed.
    std::vector<std::string> expected;
    std::string cell, scratch;
    for (uint32_t rec = 1; rec <= 4; ++rec) {
        rows.Table.Go(rec);
        std::string r = "0|" + std::to_string(rec);
        for (int i = 0; i < rows.Table.FieldCount; ++i) {
            cell.clear();
            valuetext::AppendOutputText(rows.Table, *rows.Table.GetField(i), false, cell, scratch);
            std::string t(valuetext::Trim(cell));
            // LibreOffice hands on a lone CR in a cell as a line feed when it converts a workbook.
            for (size_t p; (p = t.find('\r')) != std::string::npos;) t[p] = '\n';
            r += "|" + t;
        }
        expected.push_back(r);
    }
    for (const std::string& book : {saved, exported}) {
        SCOPED_TRACE(book);
        std::vector<std::string> columns;
        EXPECT_EQ(ImportRows(book, columns), expected);
        ASSERT_EQ(columns.size(), AllTypes.size());
        for (size_t i = 0; i < columns.size(); ++i) EXPECT_EQ(columns[i], AllTypes[i].Name);
    }
}

TEST(LibreOffice, AppendsTheRowsOfAWorksheetToATable) {
    if (!HaveOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    vxtest::App();
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows source(dir.Path("all.dbf"));
    const std::string book = dir.Path("book.xls");
    TRecordingSink sink;
    WriteExcel(book, source.Source(true), sink);

    // A table with some of the sheet's columns, in another order and letter case, and one more.
    const std::string target = dir.Path("target.dbf");
    CreateTableFile(target, 0x30, {{"extra", 'C', 5}, {"Active", 'L', 1}, {"name", 'C', 12}, {"QTY", 'N', 8, 2},
                                   {"BORN", 'D', 8}, {"STAMP", 'T', 8}, {"NOTES", 'M', 4}});
    TTableRows t(target);
    records::TAppendSource read = ReadWorksheetRecords(t.Table, book, {});
    ASSERT_TRUE(read.Ok) << read.Message;
    ASSERT_EQ(read.Records.Count, 4u);
    AppendNewRecords(t.Table, t.Store, read.Records);
    ASSERT_EQ(t.Table.GetRecordCount(), 4u);
    ASSERT_EQ(t.Store.DataList.Count(), 4u);
    t.Table.Go(1);
    EXPECT_EQ(t.Table.FieldByName("extra")->GetAsTrimmedString(), "");
    EXPECT_EQ(t.Table.FieldByName("name")->GetAsTrimmedString(), "Alpha, Inc");
    EXPECT_EQ(t.Table.FieldByName("QTY")->GetAsString(), "   12.50");
    EXPECT_EQ(t.Table.FieldByName("BORN")->GetAsString(), "20240105");
    EXPECT_EQ(t.Table.FieldByName("STAMP")->GetAsDateTime(), (TDateTimeParts{2024, 1, 5, 13, 45, 30}));
    EXPECT_EQ(t.Table.FieldByName("Active")->GetAsString(), "T");
    std::string memo;
    t.Table.GetMemo("NOTES", memo);
    EXPECT_EQ(memo, "Line one\nLine two, with comma");
    t.Table.Go(2);
    EXPECT_EQ(t.Table.FieldByName("BORN")->GetAsString(), "        ");
    EXPECT_EQ(t.Store.DataList[3]->RecNo(), 4u);

    // A value that does not fit appends nothing and says which.
    const std::string narrow = dir.Path("narrow.dbf");
    CreateTableFile(narrow, 0x03, {{"NAME", 'N', 5}});
    TTableRows n(narrow);
    read = ReadWorksheetRecords(n.Table, book, {});
    EXPECT_FALSE(read.Ok);
    EXPECT_EQ(read.Message, "Record 1, field NAME: \"Alpha, Inc\" is not a valid value for this field. Nothing was appended.");
    EXPECT_EQ(read.Records.Count, 0u);
}
