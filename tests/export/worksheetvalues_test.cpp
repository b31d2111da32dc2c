// Worksheets as input the program does not control: each cell gives its value, whatever format
// shows it, and an error cell its error's text; a named pipe is no workbook; the wait for the
// spreadsheet application can be cancelled and has a ceiling. The values are checked on a
// workbook that LibreOffice itself writes (skipped when it is not installed).
#include "saveasfixture.h"

#include "common/recordimage.h"
#include "common/valuetext.h"
#include "export/worksheetappend.h"
#include "export/worksheetimport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <csignal>

using namespace exporttest;
using namespace saveastest;

namespace {

// Number formats that round, show a scientific number, group, show a percentage, a currency,
// a day and a day with its time, and a time.
const char* Styles = R"XML(
<number:number-style style:name="n0"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>
<number:number-style style:name="n1"><number:scientific-number number:decimal-places="2" number:min-integer-digits="1" number:min-exponent-digits="2"/></number:number-style>
<number:number-style style:name="n2"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:number-style>
<number:percentage-style style:name="n3"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
<number:currency-style style:name="n4"><number:currency-symbol>$</number:currency-symbol><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:currency-style>
<number:date-style style:name="n5"><number:day/><number:text>.</number:text><number:month/><number:text>.</number:text><number:year/></number:date-style>
<number:date-style style:name="n6"><number:day/><number:text>.</number:text><number:month/><number:text> </number:text><number:hours/><number:text>:</number:text><number:minutes/></number:date-style>
<number:time-style style:name="n7"><number:hours/><number:text>h</number:text><number:minutes/></number:time-style>)XML";

// A cell of format `style` (0 to 7): its type and the attribute that holds the value.
std::string Formatted(int style, const std::string& value) {
    const char* kinds[] = {"float", "float", "float", "percentage", "currency", "date", "date", "time"};
    const std::string kind = kinds[style];
    const std::string attribute = kind == "date" ? "date-value" : kind == "time" ? "time-value" : "value";
    return "<table:table-cell table:style-name=\"c" + std::to_string(style) + "\" office:value-type=\"" + kind +
           "\" office:" + attribute + "=\"" + value + "\"/>";
}

// The workbook as LibreOffice saves it in ".xls": a row of captions, a row of formatted values
// (and a number and a text), a row of errors only, and a row of values that round.
std::string MakeFormattedXls(const TempDir& dir) {
    std::string styles = Styles, row1, row2, row4;
    for (int s = 0; s < 8; ++s)
        styles += "<style:style style:name=\"c" + std::to_string(s) + "\" style:family=\"table-cell\" style:data-style-name=\"n" +
                  std::to_string(s) + "\"/>";
    for (const char* h : {"PI", "BIG", "GROUP", "PCT", "PRICE", "DAY", "STAMP", "CLOCK", "NA", "DIV"})
        row1 += SheetCell(std::string("<text:p>") + h + "</text:p>");
    const char* values[] = {"3.14159", "123456789012", "1234567.89", "0.13", "12.5", "2024-02-29", "2024-01-05T13:45:30",
                            "PT13H45M30S"};
    for (int s = 0; s < 8; ++s) row2 += Formatted(s, values[s]);
    row2 += "<table:table-cell office:value-type=\"float\" office:value=\"1\"/>" + SheetCell("<text:p>b</text:p>");
    const char* rounding[] = {"-2.675", "0.000012345", "1000", "1.5", "0.1234"};
    for (int s = 0; s < 5; ++s) row4 += Formatted(s, rounding[s]);
    std::string fods = FlatSheet(SheetRow(row1) + SheetRow(row2) +
                                 SheetRow("<table:table-cell table:number-columns-repeated=\"8\"/>"
                                          "<table:table-cell table:formula=\"of:=NA()\"/><table:table-cell table:formula=\"of:=1/0\"/>") +
                                 SheetRow(row4));
    fods.replace(fods.find("<office:body>"), 0, "<office:automatic-styles>" + styles + "</office:automatic-styles>");
    fods.replace(fods.find(" xmlns:text="), 0,
                 " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" xmlns:number=\"urn:oasis:names:tc:opendocument:"
                 "xmlns:datastyle:1.0\" xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
                 "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"");
    vxtest::WriteAll(dir.Path("formatted.fods"), fods);
    bool ok = false;
    RunCommand("soffice -env:UserInstallation=file://" + dir.Path("profile") + " --headless --convert-to 'xls:MS Excel 97' --outdir " +
                   dir.Path("") + " " + dir.Path("formatted.fods") + " >/dev/null 2>&1", ok);
    return dir.Path("formatted.xls");
}

}  // namespace

TEST(LibreOffice, WorksheetCellsGiveTheirValuesWhateverFormatShowsThem) {
    if (!HaveOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    const TCodePageScope page(1252);
    vxtest::App();
    TempDir dir;
    const std::string book = MakeFormattedXls(dir);
    // As the import reads it: values, dates in the program's format, errors as their texts.
    std::vector<std::vector<std::string>> rows;
    EXPECT_EQ(ReadWorksheet(book, {}, [&](const std::vector<std::string>& cells) {
                  rows.push_back(cells);
                  return rows.size() < 10;
              }), "");
    ASSERT_GE(rows.size(), 4u);
    using Row = std::vector<std::string>;
    EXPECT_EQ(rows[1], (Row{"3.14159", "123456789012", "1234567.89", "0.13", "12.5", "2024-2-29", "2024-1-5 13:45:30",
                            "13:45:30", "1", "b"}));
    EXPECT_EQ(rows[2], (Row{"", "", "", "", "", "", "", "", "#N/A", "#DIV/0!"}));
    EXPECT_EQ(rows[3], (Row{"-2.675", "0.000012345", "1000", "1.5", "0.1234"}));

    // Appended: every value as the sheet stores it; the row of errors is a record and so is the
    // row after it; fields without a column stay blank.
    CreateTableFile(dir.Path("t.dbf"), 0x30, {{"PI", 'N', 12, 5}, {"BIG", 'N', 15, 0}, {"GROUP", 'N', 12, 2}, {"PCT", 'N', 6, 2},
                                              {"PRICE", 'Y', 8}, {"DAY", 'D', 8}, {"STAMP", 'T', 8}, {"CLOCK", 'C', 8},
                                              {"NA", 'C', 8}, {"DIV", 'C', 8}, {"NONE", 'C', 3}, {"FLAG", 'L', 1}});
    TTableRows t(dir.Path("t.dbf"));
    records::TAppendSource read = ReadWorksheetRecords(t.Table, book, {});
    ASSERT_TRUE(read.Ok) << read.Message;
    ASSERT_EQ(read.Records.Count, 3u);
    AppendNewRecords(t.Table, t.Store, read.Records);
    std::string stored;
    for (uint32_t r = 1; r <= 3; ++r) {
        t.Table.Go(r);
        for (int i = 0; i < t.Table.FieldCount; ++i)
            stored += valuetext::DisplayText(t.Table, *t.Table.GetField(i)) + (i + 1 < t.Table.FieldCount ? "|" : "\n");
    }
    EXPECT_EQ(stored, "3.14159|123456789012|1234567.89|0.13|12.5|2024-02-29|2024-1-5 13:45:30|13:45:30|1|b||\n"
                      "||||0|    -  -  |1900-1-1||#N/A|#DIV/0!||\n"
                      "-2.67500|0|1000.00|1.50|0.1234|    -  -  |1900-1-1|||||\n");

    // An error in a column a number field takes is refused like any value it cannot hold.
    CreateTableFile(dir.Path("n.dbf"), 0x03, {{"PI", 'N', 12, 5}, {"NA", 'N', 8, 0}});
    TTableRows n(dir.Path("n.dbf"));
    read = ReadWorksheetRecords(n.Table, book, {});
    EXPECT_EQ(read.Message, "Record 2, field NA: \"#N/A\" is not a valid value for this field. Nothing was appended.");
    EXPECT_EQ(read.Records.Count, 0u);
}

// Without the application: each kind of cell, and values no sheet holds (30 February, an hour
// of 99 or past the range of an integer, not a number), which give what the sheet shows.
TEST(Spreadsheet, EachKindOfCellGivesItsValueAndValuesThatAreNoneGiveWhatTheSheetShows) {
    vxtest::App();
    TempDir dir;
    std::string row;
    for (const char* cell : {"float\" office:value=\"1E-7", "float\" office:value=\"1.5e20", "boolean\" office:boolean-value=\"true",
                             "time\" office:time-value=\"PT36H05M00.5S", "string\" office:string-value=\"\" calcext:value-type=\"error",
                             "date\" office:date-value=\"2024-02-30", "date\" office:date-value=\"2024-01-05T99:00:00",
                             "date\" office:date-value=\"2024-01-05T-2147483648:00:00",
                             "date\" office:date-value=\"2024-01-05T99999999999999999999:00:00", "float\" office:value=\"nan",
                             "float"})
        row += SheetCell("<text:p>shown</text:p>", std::string("office:value-type=\"") + cell + "\"");
    std::string xml = FlatSheet(SheetRow(row));
    xml.replace(xml.find(" xmlns:text="), 0, " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\"");
    vxtest::WriteAll(dir.Path("kinds.fods"), xml);
    std::vector<QString> got;
    ASSERT_TRUE(ReadFlatSheet(dir.Path("kinds.fods"), [&](const std::vector<QString>& cells) { return got = cells, false; }));
    EXPECT_EQ(got, (std::vector<QString>{"1E-7", "1.5E20", "True", "36:05:00", "shown", "shown", "shown", "shown", "shown",
                                         "shown", "shown"}));
}

// A named pipe is no workbook. Appending shows that it waits for the application and offers
// Cancel, which (as does Esc) ends the wait and the application's process at once, reading
// nothing; each run's time limit has a ceiling.
TEST(Spreadsheet, APipeIsNoWorkbookAndTheWaitForTheApplicationCanBeCancelled) {
    vxtest::App();
    TempDir dir;
    {
        TOfficeProgram office(&dir);
        ASSERT_TRUE(vxtest::MakeFifo(dir.Path("pipe.xls")));
        std::string message;
        EXPECT_TRUE(vxtest::EndsWithin(5, [&] {
            message = ReadWorksheet(dir.Path("pipe.xls"), {}, [](const std::vector<std::string>&) { return true; });
        }, dir.Path("pipe.xls")));
        EXPECT_EQ(message, "Open Excel Error!");
    }
    const std::string program = dir.Path("slow-soffice"), previous = TSpreadsheetApp::Program();
    vxtest::WriteAll(program, "#!/bin/sh\necho $$ > " + dir.Path("pid") + "\nexec sleep 60\n");
    ::chmod(program.c_str(), 0755);
    TSpreadsheetApp::SetProgram(program);
    vxtest::WriteAll(dir.Path("book.xls"), "a workbook");
    CreateTableFile(dir.Path("t.dbf"), 0x03, {{"NAME", 'C', 8}});
    TTableRows t(dir.Path("t.dbf"));
    for (bool escape : {false, true}) {
        std::filesystem::remove(dir.Path("pid"));
        QString shown;
        std::function<void()> cancelWhenShown = [&] {
            auto* wait = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!wait || !std::filesystem::exists(dir.Path("pid"))) return QTimer::singleShot(20, cancelWhenShown);
            shown = wait->labelText();
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            escape ? void(QApplication::sendEvent(wait, &esc)) : wait->findChild<QPushButton*>()->click();
        };
        QTimer::singleShot(20, cancelWhenShown);
        bool cancelled = false;
        const auto start = std::chrono::steady_clock::now();
        const records::TAppendSource read = ReadWorksheetRecordsWaiting(nullptr, t.Table, dir.Path("book.xls"), cancelled);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));  // not the application's minute
        EXPECT_TRUE(cancelled && !read.Ok && read.Records.Count == 0) << escape;
        EXPECT_EQ(shown, QString::fromLatin1(WaitForSpreadsheetText));
        EXPECT_EQ(::kill(std::stoi(vxtest::ReadAll(dir.Path("pid"))), 0), -1);  // the application is gone
        EXPECT_EQ(errno, ESRCH);
    }
    TSpreadsheetApp::SetProgram(previous);
    EXPECT_EQ(TSpreadsheetApp::TimeLimitFor(0), 120000);
    EXPECT_EQ(TSpreadsheetApp::TimeLimitFor(size_t(2) << 30), TSpreadsheetApp::MaxTimeLimitMs);
}
