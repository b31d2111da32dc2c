// The spreadsheet layer without LibreOffice: what it hands the application, the reader of the
// converted sheets on good and hostile input, failures and the missing application.
#include "saveasfixture.h"

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
                             QStringLiteral("line one\r\nline two\nthree"), QStringLiteral("bell\x07gone"),
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
                                             QStringLiteral("a\ttab<&>\"x\""), QStringLiteral("line one\nline two\nthree"),
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
