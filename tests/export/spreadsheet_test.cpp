// The spreadsheet layer. Without LibreOffice: what it hands the application, the reader of the
// converted sheets on good and hostile input, failures and the missing application. Through
// LibreOffice itself (skipped when it, or Python's xlrd, is not installed): save as ".xls",
// worksheet import and append, and outputs of a Cyrillic table read by programs told nothing of
// its code page.
#include "saveasfixture.h"

#include "common/recordimage.h"
#include "common/valuetext.h"
#include "export/worksheetappend.h"
#include "export/worksheetimport.h"
#include "platform/filestream.h"

using namespace exporttest;
using namespace saveastest;

namespace {

std::vector<std::vector<QString>> ReadSheet(const std::string& path, bool* ok = nullptr, size_t maxRows = 50) {
    std::vector<std::vector<QString>> rows;
    const bool good = ReadFlatSheet(path, [&](const std::vector<QString>& cells) {
        rows.push_back(cells);
        return rows.size() < maxRows;
    });
    if (ok) *ok = good;
    return rows;
}

}  // namespace

TEST(Spreadsheet, AWorkbookReachesTheApplicationWithItsTextsAndFormats) {
    vxtest::App();
    TempDir dir;
    TOfficeProgram office(&dir);
    TSpreadsheetApp app;
    app.AddWorkbook();
    app.SetSheetName(QStringLiteral("data.xls"));
    const QString texts[] = {QStringLiteral("NAME"), QStringLiteral("  two  blanks "), QStringLiteral("a\ttab<&>\"x\""),
                             QStringLiteral("line one\r\nline two\nthree\r\n"), QStringLiteral("bell\x07gone"),
                             QString::fromUtf8("Caf\xc3\xa9")};
    for (int c = 1; c <= 6; ++c) {
        app.SetCell(1, c, texts[c - 1]);
        app.SetFont(1, c, 12, true);
        app.SetCentered(1, c);
        app.SetColumnTextFormat(c);
        app.SetCell(3, c, QStringLiteral("v%1").arg(c));
    }
    app.AutoFitColumns();
    const std::string out = dir.Path("out.xls");
    app.SaveAs(out);
    // The stand-in copied the flat workbook it was given.
    const std::string flat = ReadAll(out);
    for (const char* part : {"table:name=\"data.xls\"", "fo:font-size=\"12pt\" fo:font-weight=\"bold\"",
                             "fo:text-align=\"center\"", "<number:text-style style:name=\"N100\"><number:text-content/>",
                             "table:default-cell-style-name=\"ce0_1\"", "style:column-width="})
        EXPECT_NE(flat.find(part), std::string::npos) << part;
    const auto rows = ReadSheet(out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<QString>{QStringLiteral("NAME"), QStringLiteral("  two  blanks "),
                                             QStringLiteral("a\ttab<&>\"x\""), QStringLiteral("line one\r\nline two\nthree\r\n"),
                                             QStringLiteral("bellgone"), QString::fromUtf8("Caf\xc3\xa9")}));
    EXPECT_TRUE(rows[1].empty());
    EXPECT_EQ(rows[2].size(), 6u);
    EXPECT_THROW(app.SetCell(0, 1, QStringLiteral("x")), ESpreadsheetError);
    EXPECT_THROW(app.SetSheetName(QStringLiteral("a:b")), ESpreadsheetError);
}

TEST(Spreadsheet, SheetNamesComeFromTheFileName) {
    EXPECT_EQ(SheetNameFor("/out/data.xls"), QStringLiteral("data.xls"));
    EXPECT_EQ(SheetNameFor("/out/a[1]*?:.xls"), QStringLiteral("a_1____.xls"));
    EXPECT_EQ(SheetNameFor("/out/'quoted'.xls"), QStringLiteral("_quoted'.xls"));
    EXPECT_EQ(SheetNameFor("/out/" + std::string(40, 'n') + ".xls").size(), 31);
}

TEST(Spreadsheet, TheReaderTakesTheFirstSheetAsItShowsAndSurvivesHostileSheets) {
    vxtest::App();
    TempDir dir;
    struct Case {
        const char* Name;
        std::string Xml;
        bool Ok;
        std::vector<std::vector<QString>> Rows;
    };
    const QString a = QStringLiteral("a"), b = QStringLiteral("b"), e;
    const Case cases[] = {
        {"shown numbers, dates, spans, blanks, comments",
         FlatSheet(SheetRow(SheetCell("<text:p>1,234.50</text:p>", "office:value-type=\"float\" office:value=\"1234.5\"") +
                  SheetCell("", "office:value-type=\"float\" office:value=\"7\"") +
                  SheetCell("<text:p>05/01/24</text:p>", "office:value-type=\"date\" office:date-value=\"2024-01-05\"") +
                  SheetCell("<text:p>x</text:p>",
                       "office:value-type=\"date\" office:date-value=\"2024-01-05T13:45:30\"") +
                  SheetCell("<office:annotation><text:p>note</text:p></office:annotation><text:p>a<text:span>b<text:s "
                       "text:c=\"3\"/>c</text:span><text:line-break/>d</text:p>"))),
         true,
         {{QStringLiteral("1,234.50"), QStringLiteral("7"), QStringLiteral("2024-1-5"), QStringLiteral("2024-1-5 13:45:30"),
           QStringLiteral("ab   c\nd")}}},
        {"repeated cells and rows, covered cells, trailing empties dropped",
         FlatSheet(SheetRow(SheetCell("<text:p>a</text:p>", "table:number-columns-repeated=\"2\"") + "<table:covered-table-cell/>" +
                  SheetCell("<text:p>b</text:p>") + "<table:table-cell table:number-columns-repeated=\"16000\"/>",
                  "table:number-rows-repeated=\"2\"")),
         true,
         {{a, a, e, b}, {a, a, e, b}}},
        {"absurd repeat counts stay bounded",
         FlatSheet(SheetRow("<table:table-cell table:number-columns-repeated=\"999999999\"/>" + SheetCell("<text:p>a</text:p>"),
                  "table:number-rows-repeated=\"999999999\"")),
         true,
         std::vector<std::vector<QString>>(50)},
        {"spans nested past reason",
         FlatSheet(SheetRow(SheetCell("<text:p>a" + [] {
             std::string open, close;
             for (int i = 0; i < 100000; ++i) open += "<text:span>", close += "</text:span>";
             return open + "deep" + close;
         }() + "</text:p>") + SheetCell("<text:p>b</text:p>"))),
         true,
         {{a, b}}},
        {"cut short", [] {
             const std::string x = FlatSheet(SheetRow(SheetCell("<text:p>a</text:p>")) + SheetRow(SheetCell("<text:p>b</text:p>")));
             return x.substr(0, x.find("</table:table-row>") + 20);
         }(),
         false,
         {{a}}},
        {"not a document", "garbage <<<", false, {}},
        {"no sheet", "<?xml version=\"1.0\"?><a/>", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.Path("sheet.fods");
        vxtest::WriteAll(path, c.Xml);
        bool ok = false;
        const auto rows = ReadSheet(path, &ok);
        EXPECT_EQ(ok, c.Ok);
        EXPECT_EQ(rows, c.Rows);
    }
    EXPECT_FALSE(ReadFlatSheet(dir.Path("none.fods"), [](const std::vector<QString>&) { return true; }));
}

TEST(Spreadsheet, MissingOrFailingApplicationGivesTheProgramsMessages) {
    vxtest::App();
    TempDir dir;
    vxtest::WriteAll(dir.Path("book.xls"), "old");
    const auto read = [&](const char* name) {
        return ReadWorksheet(dir.Path(name), {}, [](const std::vector<std::string>&) { return true; });
    };
    {
        TOfficeProgram missing(nullptr);
        EXPECT_THROW(TSpreadsheetApp app, ESpreadsheetError);
        EXPECT_EQ(read("book.xls"), "CreateOleObject Error, ... Office 2000!");
    }
    TOfficeProgram office(&dir);
    EXPECT_EQ(read("nothere.xls"), "Open Excel Error!");
    ::setenv("FAKE_OFFICE_FAIL", "1", 1);
    EXPECT_EQ(read("book.xls"), "Open Excel Error!");
    TSpreadsheetApp app;
    app.AddWorkbook();
    try {
        app.SaveAs(dir.Path("book.xls"));
        ADD_FAILURE() << "a failing application saved";
    } catch (const ESpreadsheetError& e) {
        EXPECT_STREQ(e.what(), (dir.Path("book.xls") + " - The workbook could not be saved. LibreOffice ended with code 3.").c_str());
    }
    EXPECT_EQ(ReadAll(dir.Path("book.xls")), "old");
}

// ---- Through LibreOffice ----

namespace {

// Checks the saved workbook against the BIFF2 export of the same rows: the sheet's name, every
// value a text cell holding the export's text (an empty one may be left blank), the title row
// bold, 12 points, centred and formatted "@". Prints the name and the cells compared, or what
// differs.
const char* XlrdCheck = R"PY(
import sys, xlrd
saved = xlrd.open_workbook(sys.argv[1], formatting_info=True)
old = xlrd.open_workbook(sys.argv[2]).sheet_by_index(0)
s = saved.sheet_by_index(0)
print(s.name)
n = 0
for r in range(s.nrows):
    for c in range(s.ncols):
        cell, want = s.cell(r, c), old.cell_value(r, c)
        if cell.ctype != 1 and not (cell.value == '' and want == ''):
            print('not text', r, c, repr(cell.value))
        elif cell.value != want:
            print('differs', r, c, repr(cell.value), repr(want))
        n += 1
        if r == 0:
            xf = saved.xf_list[cell.xf_index]
            f = saved.font_list[xf.font_index]
            look = (f.weight, f.height, xf.alignment.hor_align, saved.format_map[xf.format_key].format_str)
            if look != (700, 240, 2, '@'):
                print('title look', c, look)
print(n)
)PY";

// A workbook's rows as the import reads them, up to the first empty one, each row's texts
// trimmed and joined by "|".
std::vector<std::string> SheetRows(const std::string& book) {
    std::vector<std::string> rows;
    EXPECT_EQ(ReadWorksheet(book, {}, [&](const std::vector<std::string>& cells) {
                  if (cells.empty()) return false;
                  std::string r;
                  for (const std::string& c : cells) r += (r.empty() ? "" : "|") + std::string(valuetext::Trim(c));
                  rows.push_back(r);
                  return true;
              }),
              "");
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
    rows.Table.Go(2);  // a memo text that ends in a line break; record 1's holds CR LF
    rows.Table.Edit();
    rows.Table.SetMemo("NOTES", "trailing\r\n");
    rows.Table.Post();
    rows.ReadRows();
    const std::string saved = dir.Path("saved.xls");
    TSaveRun run;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeExcel, saved, true, run);
    ASSERT_EQ(run.Outcome, TSaveAsThread::soDone) << run.Message;
    EXPECT_EQ(run.Log.Percents(), (std::vector<long long>{25, 50, 75, 100, 100}));
    // The program's own BIFF2 export of the same rows.
    const std::string exported = dir.Path("exported.xls");
    TRecordingSink sink;
    WriteExcel(exported, rows.Source(true), sink);

    vxtest::WriteAll(dir.Path("check.py"), XlrdCheck);
    bool ok = false;
    EXPECT_EQ(RunCommand(python + " " + dir.Path("check.py") + " " + saved + " " + exported, ok),
              "saved.xls\n" + std::to_string(5 * AllTypes.size()) + "\n");
    EXPECT_TRUE(ok);

    // Both workbooks read back as the field names and the value texts, trimmed.
    std::vector<std::string> expected{""};
    for (const TTableFieldDef& f : AllTypes) expected[0] += (expected[0].empty() ? "" : "|") + f.Name;
    std::string cell, scratch;
    for (uint32_t rec = 1; rec <= 4; ++rec) {
        rows.Table.Go(rec);
        std::string r;
        for (int i = 0; i < rows.Table.FieldCount; ++i) {
            cell.clear();
            valuetext::AppendOutputText(rows.Table, *rows.Table.GetField(i), true, cell, scratch);
            r += (i ? "|" : "") + std::string(valuetext::Trim(cell));
        }
        // LibreOffice hands on CR LF and a lone CR in a cell as a line feed when it converts a
        // workbook.
        for (size_t p; (p = r.find('\r')) != std::string::npos;) r.replace(p, r[p + 1] == '\n' ? 2 : 1, "\n");
        expected.push_back(r.substr(0, r.find_last_not_of('|') + 1));
    }
    EXPECT_EQ(SheetRows(saved), expected);
    EXPECT_EQ(SheetRows(exported), expected);
}

TEST(LibreOffice, AppendsTheRowsOfAWorksheetToATable) {
    if (!HaveOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    const TCodePageScope page(1252);
    vxtest::App();
    TempDir dir;
    TTableRows source(MakeAllTypesTable(dir.Path("all.dbf")));
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

    // So does a cell whose text the code page cannot hold ("Caf\xe9" written in 1251 is "Cafй").
    {
        const TCodePageScope cyrillic(1251);
        WriteExcel(book, source.Source(true), sink);
    }
    read = ReadWorksheetRecords(t.Table, book, {});
    EXPECT_EQ(read.Message, "Row 3, column A: The character \"\u0439\" cannot be stored in this code page! Nothing was appended.");
    EXPECT_EQ(read.Records.Count, 0u);
}

// ---- Every output says its code page: a Cyrillic table exported and saved as under the code
// page of ru_RU reads back as the same text in programs that are told nothing about it. ----

namespace {

// LibreOffice under an English locale turns a file into CSV (UTF-8), read as a page or a sheet.
std::string OfficeCsv(const TempDir& dir, const std::string& file) {
    bool ok = false;
    RunCommand("LC_ALL=en_US.UTF-8 soffice -env:UserInstallation=file://" + dir.Path("profile") + " --headless" +
                   (file.find(".html") != std::string::npos ? " --infilter='HTML (StarCalc)'" : "") +
                   " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " + dir.Path("csv") + " " + file +
                   " >/dev/null 2>&1", ok);
    return ReadAll(dir.Path("csv/" + std::filesystem::path(file).stem().string() + ".csv"));
}

}  // namespace

TEST(CodePageOutputs, ACyrillicTableReadsBackAsCyrillicInOtherPrograms) {
    const TCodePageScope page(1251);  // as the locale ru_RU.UTF-8 gives
    vxtest::App();
    TempDir dir;
    TTableRows rows(vxtest::CopyFixture(dir, "cp1251.dbf"));
    const std::string names = "NAME\nамбулаторно-поликлиническое\nбольничное\nНИИ\n"
                              "образовательное медицинское учреждение\n";
    const bool office = HaveOffice();
    using K = TOutputKind;
    for (bool saveAs : {false, true})
        for (K kind : {K::VisualFoxPro, K::FoxPro2, K::FoxBase, K::DBase4, K::Html, K::Excel}) {
            const std::string file = dir.Path((saveAs ? "s" : "e") + std::to_string(int(kind)) + OutputExtension(kind));
            SCOPED_TRACE(file);
            if (!saveAs) {
                TRecordingSink sink;
                WriteOutput(kind, file, rows.Source(), sink);
            } else if (office || kind != K::Excel) {
                TSaveRun run;
                RunSaveAs(&rows.Table, &rows.Store.DataList, uint8_t(TSaveAsThread::ModeVisualFoxPro + int(kind)), file,
                          true, run);
                ASSERT_EQ(run.Outcome, TSaveAsThread::soDone) << run.Message;
            } else {
                continue;
            }
            std::string read;  // what a reader told nothing makes of it: the field name and the names
            bool ok = false;
            if (IsTableKind(kind)) {
                EXPECT_EQ(ReadAll(file)[29], '\xC9');
                if (HaveCommand("ogrinfo"))
                    read = "NAME\n" + RunCommand("ogrinfo -ro -q -al " + file + " | sed -n 's/^  NAME (String) = //p'", ok);
            } else if (kind == K::Excel) {
                read = RunPython(dir, "xlrd", "import xlrd\ns = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                              "for r in range(s.nrows): print(s.cell_value(r, 1))\n", file);
            }
            if (!read.empty()) {
                EXPECT_EQ(read, names);
            }
            if (!office || IsTableKind(kind)) continue;
            const std::string csv = OfficeCsv(dir, file);
            for (size_t from = 5, to; (to = names.find('\n', from)) != std::string::npos; from = to + 1)
                EXPECT_NE(csv.find(names.substr(from, to - from)), std::string::npos) << csv;
        }
    if (!office) GTEST_SKIP() << "LibreOffice is not installed: save as .xls and its reading were left out";
}
