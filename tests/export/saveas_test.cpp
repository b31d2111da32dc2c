// The save-as worker: its messages, its output against the export writers, its failures.
#include "saveasfixture.h"

#include "platform/filestream.h"

#include <chrono>
#include <thread>

using namespace exporttest;
using namespace saveastest;

namespace {

// Every mode that a writer serves, with the writer's kind.
struct TWriterMode {
    uint8_t Mode;
    TOutputKind Kind;
    const char* Name;
};
const TWriterMode WriterModes[] = {
    {TSaveAsThread::ModeVisualFoxPro, TOutputKind::VisualFoxPro, "out.dbf"},
    {TSaveAsThread::ModeFoxPro2, TOutputKind::FoxPro2, "out.dbf"},
    {TSaveAsThread::ModeFoxBase, TOutputKind::FoxBase, "out.dbf"},
    {TSaveAsThread::ModeDBase4, TOutputKind::DBase4, "out.dbf"},
    {TSaveAsThread::ModeText, TOutputKind::Text, "out.txt"},
    {TSaveAsThread::ModeHtml, TOutputKind::Html, "out.html"},
    {TSaveAsThread::ModeXml, TOutputKind::Xml, "out.xml"},
    {TSaveAsThread::ModeCsv, TOutputKind::Csv, "out.csv"},
    {TSaveAsThread::ModeDif, TOutputKind::Dif, "out.dif"},
};

std::string MemoOf(const std::string& dbf, TOutputKind kind) {
    return std::filesystem::path(dbf).replace_extension(kind <= TOutputKind::FoxPro2 ? ".fpt" : ".dbt").string();
}

}  // namespace

TEST(SaveAsWorker, EveryModeWritesWhatTheExportWriterWritesAndEndsWith100) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows rows(dir.Path("all.dbf"));
    // The list in another order than the file, as a sort leaves it.
    std::vector<TDataList::Row> order = rows.Store.DataList.Rows();
    std::reverse(order.begin(), order.end());
    rows.Store.DataList.Assign(order);
    for (bool memo : {false, true}) {
        for (const TWriterMode& m : WriterModes) {
            SCOPED_TRACE(std::string(m.Name) + " mode " + std::to_string(m.Mode) + (memo ? " memo" : ""));
            const std::string saved = dir.Path("saved-" + std::string(m.Name));
            const std::string exported = dir.Path("exported-" + std::string(m.Name));
            TSaveRun run;
            RunSaveAs(&rows.Table, &rows.Store.DataList, m.Mode, saved, memo, run);
            TRecordingSink sink;
            WriteOutput(m.Kind, exported, rows.Source(memo), sink);
            EXPECT_EQ(ReadAll(saved), ReadAll(exported));
            if (IsTableKind(m.Kind)) {
                EXPECT_EQ(ReadAll(MemoOf(saved, m.Kind)), ReadAll(MemoOf(exported, m.Kind)));
            }
            EXPECT_EQ(run.Outcome, TSaveAsThread::soDone);
            EXPECT_EQ(run.Written, 4u);
            // Four rows: 25, 50, 75, 100, then the final 100; start first, stop last.
            EXPECT_EQ(run.Log.Percents(), (std::vector<long long>{25, 50, 75, 100, 100}));
            ASSERT_GE(run.Log.Got.size(), 2u);
            EXPECT_EQ(run.Log.Got.front(), (TMessage{WM_SASTART, 0, ""}));
            EXPECT_EQ(run.Log.Got.back(), (TMessage{WM_SASTOP, TSaveAsThread::soDone, saved}));
        }
    }
}

TEST(SaveAsWorker, PercentChangesArePostedOnceAndEmptyListsPostOnly100) {
    TempDir dir;
    const std::string table = dir.Path("t.dbf");
    CreateTableFile(table, 0x03, {{"NAME", 'C', 10}});
    {
        TDBF t;
        t.SetFileName(table);
        t.Open();
        for (int i = 0; i < 250; ++i) {
            t.Append();
            t.FieldByName("NAME")->SetAsString("n" + std::to_string(i));
            t.Post();
        }
    }
    TTableRows rows(table);
    TSaveRun run;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeCsv, dir.Path("a.csv"), false, run);
    std::vector<long long> expected;
    for (int p = 1; p <= 100; ++p) expected.push_back(p);
    expected.push_back(100);
    EXPECT_EQ(run.Log.Percents(), expected);

    TDataList empty;
    TSaveRun none;
    RunSaveAs(&rows.Table, &empty, TSaveAsThread::ModeDif, dir.Path("e.dif"), false, none);
    EXPECT_EQ(none.Log.Percents(), (std::vector<long long>{100}));
    EXPECT_NE(ReadAll(dir.Path("e.dif")).find("TUPLES\r\n0,0\r\n"), std::string::npos);
}

TEST(SaveAsWorker, PercentIsComputedIn64Bits) {
    const uint64_t cases[][3] = {{0, 0, 100}, {2, 3, 66}, {3, 3, 100}, {30000000, 40000000, 75},
                                 {uint64_t(1) << 40, uint64_t(1) << 41, 50}, {(uint64_t(1) << 62) - 1, uint64_t(1) << 62, 99}};
    for (const auto& c : cases) EXPECT_EQ(TSaveAsThread::Percent(c[0], c[1]), int(c[2])) << c[0] << "/" << c[1];
}

TEST(SaveAsWorker, NoTableAndTheSymbolicLinkSlotWriteNothing) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows rows(dir.Path("all.dbf"));
    for (TDBF* table : {static_cast<TDBF*>(nullptr), &rows.Table}) {
        TSaveRun run;
        const uint8_t mode = table ? TSaveAsThread::ModeSLK : TSaveAsThread::ModeCsv;
        RunSaveAs(table, &rows.Store.DataList, mode, dir.Path("x.out"), false, run);
        EXPECT_EQ(run.Outcome, TSaveAsThread::soNothing);
        EXPECT_EQ(run.Log.Got, (std::vector<TMessage>{{WM_SASTART, 0, ""}, {WM_SASTOP, 1, dir.Path("x.out")}}));
        EXPECT_FALSE(vx::FileExists(dir.Path("x.out")));
    }
}

TEST(SaveAsWorker, AFailureIsReportedStillStopsAndLeavesNoPartialOutput) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows rows(dir.Path("all.dbf"));
    // A folder that does not exist: nothing can be created.
    TSaveRun run;
    const std::string bad = dir.Path("missing/out.csv");
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeCsv, bad, false, run);
    EXPECT_EQ(run.Outcome, TSaveAsThread::soFailed);
    EXPECT_NE(run.Message.find("out.csv"), std::string::npos) << run.Message;
    EXPECT_TRUE(run.Log.Percents().empty());
    EXPECT_EQ(run.Log.Got.back(), (TMessage{WM_SASTOP, TSaveAsThread::soFailed, bad}));

    // A table output whose memo file cannot be made: the table file begun is removed.
    const std::string out = dir.Path("vfp.dbf");
    std::filesystem::create_directory(dir.Path("vfp.fpt"));
    TSaveRun table;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeVisualFoxPro, out, true, table);
    EXPECT_EQ(table.Outcome, TSaveAsThread::soFailed);
    EXPECT_FALSE(vx::FileExists(out));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("vfp.fpt")));

    // No spreadsheet application: its message, and the old file stays.
    TOfficeProgram missing(nullptr);
    vxtest::WriteAll(dir.Path("old.xls"), "old");
    TSaveRun sheet;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeExcel, dir.Path("old.xls"), false, sheet);
    EXPECT_EQ(sheet.Outcome, TSaveAsThread::soFailed);
    EXPECT_EQ(sheet.Message, "CreateOleObject Error, ... Office 2000!");
    EXPECT_EQ(ReadAll(dir.Path("old.xls")), "old");
}

TEST(SaveAsNames, ExtensionsFollowTheChosenEntry) {
    struct Case {
        const char* Typed;
        int Index;
        const char* Saved;
    };
    const Case cases[] = {
        {"/d/OUT", 9, "/d/OUT.csv"},        {"/d/OUT.CSV", 9, "/d/OUT.CSV"}, {"/d/OUT.txt", 9, "/d/OUT.txt.csv"},
        {"/d/page.htm", 6, "/d/page.htm"}, {"/d/page.HTML", 6, "/d/page.HTML"}, {"/d/a.b/c", 1, "/d/a.b/c.dbf"},
        {"/d/t.dbf", 4, "/d/t.dbf"},       {"/d/t.xls", 8, "/d/t.xls"},     {"/d/t.xml", 10, "/d/t.xml.dif"},
    };
    for (const Case& c : cases) EXPECT_EQ(SaveAsFileName(c.Typed, c.Index), c.Saved) << c.Typed;
}

TEST(SaveAsWorker, SpreadsheetHoldsAtMostItsRowsAndSaysSo) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows rows(dir.Path("all.dbf"));
    TOfficeProgram office(&dir);
    TSaveAsThread::SheetRowLimit = 2;
    TSaveRun run;
    const std::string out = dir.Path("capped.xls");
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeExcel, out, false, run);
    TSaveAsThread::SheetRowLimit = ExcelMaxDataRows;
    EXPECT_EQ(run.Outcome, TSaveAsThread::soCapped);
    EXPECT_EQ(run.Written, 2u);
    EXPECT_NE(run.Message.find("only the first 2 records were saved"), std::string::npos) << run.Message;
    EXPECT_EQ(run.Log.Percents(), (std::vector<long long>{25, 50, 100}));
    // The stand-in passed the workbook on as it got it: titles and two rows.
    size_t n = 0;
    EXPECT_TRUE(ReadFlatSheet(out, [&](const std::vector<QString>& cells) {
        if (n++ == 0) {
            EXPECT_EQ(cells.size(), AllTypes.size());
        }
        return true;
    }));
    EXPECT_EQ(n, 3u);
}

TEST(SaveAsWorker, FreeingARunningSaveStopsTheApplicationAndRemovesTheOutput) {
    vxtest::App();
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows rows(dir.Path("all.dbf"));
    TOfficeProgram office(&dir);
    ::setenv("FAKE_OFFICE_SLEEP", "30", 1);
    const std::string out = dir.Path("stopped.xls");
    TMessageLog log;
    auto w = std::make_unique<TSaveAsThread>(&rows.Table, &rows.Store.DataList, &log);
    w->SetMode(TSaveAsThread::ModeExcel);
    w->SetFileName(out);
    w->Resume();
    // Wait for the stand-in to be running: all four rows are in the workbook then.
    while (log.Percents().empty() || log.Percents().back() < 100) {
        QCoreApplication::sendPostedEvents(&log);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    w.reset();  // as the main window does when it goes
    QCoreApplication::sendPostedEvents(&log);
    EXPECT_EQ(log.Got.back(), (TMessage{WM_SASTOP, TSaveAsThread::soStopped, out}));
    EXPECT_FALSE(vx::FileExists(out));
}
