// The save-as worker: its messages, its output against the export writers, its failures.
#include "saveasfixture.h"

#include "mainwindow/loadwindow_fixture.h"
#include "platform/filestream.h"

#include <chrono>
#include <thread>

using namespace exporttest;
using namespace saveastest;

namespace {

class SaveAsWorker : public ::testing::Test {
protected:
    void Save(uint8_t mode, const std::string& file, TSaveRun& run, bool memo = false) {
        RunSaveAs(&Rows.Table, &Rows.Store.DataList, mode, file, memo, run);
    }
    TempDir Dir;
    TTableRows Rows{MakeAllTypesTable(Dir.Path("all.dbf"))};
};

}  // namespace

TEST_F(SaveAsWorker, EveryModeWritesWhatTheExportWriterWritesAndEndsWith100) {
    const std::pair<uint8_t, TOutputKind> modes[] = {
        {TSaveAsThread::ModeVisualFoxPro, TOutputKind::VisualFoxPro}, {TSaveAsThread::ModeFoxPro2, TOutputKind::FoxPro2},
        {TSaveAsThread::ModeFoxBase, TOutputKind::FoxBase}, {TSaveAsThread::ModeDBase4, TOutputKind::DBase4},
        {TSaveAsThread::ModeText, TOutputKind::Text}, {TSaveAsThread::ModeHtml, TOutputKind::Html},
        {TSaveAsThread::ModeXml, TOutputKind::Xml}, {TSaveAsThread::ModeCsv, TOutputKind::Csv},
        {TSaveAsThread::ModeDif, TOutputKind::Dif}};
    // The list in another order than the file, as a sort leaves it.
    std::vector<TDataList::Row> order = Rows.Store.DataList.Rows();
    std::reverse(order.begin(), order.end());
    Rows.Store.DataList.Assign(order);
    for (bool memo : {false, true}) {
        for (const auto& [mode, kind] : modes) {
            SCOPED_TRACE(std::to_string(mode) + (memo ? " memo" : ""));
            const std::string name = (memo ? "m" : "p") + std::to_string(mode);
            const std::string saved = Dir.Path(name + ".dbf"), exported = Dir.Path("e" + name + ".dbf");
            TSaveRun run;
            Save(mode, saved, run, memo);
            TRecordingSink sink;
            WriteOutput(kind, exported, Rows.Source(memo), sink);
            EXPECT_EQ(ReadAll(saved), ReadAll(exported));
            const char* memoFile = kind <= TOutputKind::FoxPro2 ? ".fpt" : ".dbt";
            EXPECT_EQ(ReadAll(Dir.Path(name + memoFile)), ReadAll(Dir.Path("e" + name + memoFile)));
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

TEST_F(SaveAsWorker, PercentChangesArePostedOnceAndEmptyListsPostOnly100) {
    TTableRows rows(lvtest::MakeTable(Dir.Path("t.dbf"), 250));
    TSaveRun run;
    RunSaveAs(&rows.Table, &rows.Store.DataList, TSaveAsThread::ModeCsv, Dir.Path("a.csv"), false, run);
    std::vector<long long> expected;
    for (int p = 1; p <= 101; ++p) expected.push_back(std::min(p, 100));
    EXPECT_EQ(run.Log.Percents(), expected);

    TDataList empty;
    TSaveRun none;
    RunSaveAs(&rows.Table, &empty, TSaveAsThread::ModeDif, Dir.Path("e.dif"), false, none);
    EXPECT_EQ(none.Log.Percents(), (std::vector<long long>{100}));
    EXPECT_NE(ReadAll(Dir.Path("e.dif")).find("TUPLES\r\n0,0\r\n"), std::string::npos);
    // The percent is computed in 64 bits.
    const uint64_t cases[][3] = {{0, 0, 100}, {2, 3, 66}, {30000000, 40000000, 75},
                                 {uint64_t(1) << 40, uint64_t(1) << 41, 50}, {(uint64_t(1) << 62) - 1, uint64_t(1) << 62, 99}};
    for (const auto& c : cases) EXPECT_EQ(TSaveAsThread::Percent(c[0], c[1]), int(c[2])) << c[0] << "/" << c[1];
}

TEST_F(SaveAsWorker, NoTableAndTheSymbolicLinkSlotWriteNothing) {
    for (TDBF* table : {static_cast<TDBF*>(nullptr), &Rows.Table}) {
        TSaveRun run;
        const uint8_t mode = table ? TSaveAsThread::ModeSLK : TSaveAsThread::ModeCsv;
        RunSaveAs(table, &Rows.Store.DataList, mode, Dir.Path("x.out"), false, run);
        EXPECT_EQ(run.Outcome, TSaveAsThread::soNothing);
        EXPECT_EQ(run.Log.Got, (std::vector<TMessage>{{WM_SASTART, 0, ""}, {WM_SASTOP, 1, Dir.Path("x.out")}}));
        EXPECT_FALSE(vx::FileExists(Dir.Path("x.out")));
    }
}

TEST_F(SaveAsWorker, AFailureIsReportedStillStopsAndLeavesNoPartialOutput) {
    // A folder that does not exist: nothing can be created.
    TSaveRun run;
    const std::string bad = Dir.Path("missing/out.csv");
    Save(TSaveAsThread::ModeCsv, bad, run);
    EXPECT_EQ(run.Outcome, TSaveAsThread::soFailed);
    EXPECT_NE(run.Message.find("out.csv"), std::string::npos) << run.Message;
    EXPECT_TRUE(run.Log.Percents().empty());
    EXPECT_EQ(run.Log.Got.back(), (TMessage{WM_SASTOP, TSaveAsThread::soFailed, bad}));

    // A table output whose memo file cannot be made: the table file begun is removed.
    std::filesystem::create_directory(Dir.Path("vfp.fpt"));
    TSaveRun table;
    Save(TSaveAsThread::ModeVisualFoxPro, Dir.Path("vfp.dbf"), table, true);
    EXPECT_EQ(table.Outcome, TSaveAsThread::soFailed);
    EXPECT_FALSE(vx::FileExists(Dir.Path("vfp.dbf")));
    EXPECT_TRUE(std::filesystem::is_directory(Dir.Path("vfp.fpt")));

    // No spreadsheet application: its message, and the old file stays.
    TOfficeProgram missing(nullptr);
    vxtest::WriteAll(Dir.Path("old.xls"), "old");
    TSaveRun sheet;
    Save(TSaveAsThread::ModeExcel, Dir.Path("old.xls"), sheet);
    EXPECT_EQ(sheet.Outcome, TSaveAsThread::soFailed);
    EXPECT_EQ(sheet.Message, "CreateOleObject Error, ... Office 2000!");
    EXPECT_EQ(ReadAll(Dir.Path("old.xls")), "old");
}

TEST(SaveAsNames, ExtensionsFollowTheChosenEntry) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"/d/OUT", 9, "/d/OUT.csv"},        {"/d/OUT.CSV", 9, "/d/OUT.CSV"}, {"/d/OUT.txt", 9, "/d/OUT.txt.csv"},
        {"/d/page.htm", 6, "/d/page.htm"}, {"/d/page.HTML", 6, "/d/page.HTML"}, {"/d/a.b/c", 1, "/d/a.b/c.dbf"},
        {"/d/t.dbf", 4, "/d/t.dbf"},       {"/d/t.xls", 8, "/d/t.xls"},     {"/d/t.xml", 10, "/d/t.xml.dif"},
    };
    for (const auto& [typed, index, saved] : cases) EXPECT_EQ(SaveAsFileName(typed, index), saved) << typed;
}

TEST_F(SaveAsWorker, SpreadsheetHoldsAtMostItsRowsAndSaysSo) {
    TOfficeProgram office(&Dir);
    TSaveAsThread::SheetRowLimit = 2;
    TSaveRun run;
    Save(TSaveAsThread::ModeExcel, Dir.Path("capped.xls"), run);
    TSaveAsThread::SheetRowLimit = ExcelMaxDataRows;
    EXPECT_EQ(run.Outcome, TSaveAsThread::soCapped);
    EXPECT_EQ(run.Written, 2u);
    EXPECT_NE(run.Message.find("only the first 2 records were saved"), std::string::npos) << run.Message;
    EXPECT_EQ(run.Log.Percents(), (std::vector<long long>{25, 50, 100}));
    // The stand-in passed the workbook on as it got it: titles and two rows.
    std::vector<size_t> widths;
    EXPECT_TRUE(ReadFlatSheet(Dir.Path("capped.xls"), [&](const std::vector<QString>& cells) {
        widths.push_back(cells.size());
        return true;
    }));
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths[0], AllTypes.size());
}

TEST_F(SaveAsWorker, FreeingARunningSaveStopsTheApplicationAndRemovesTheOutput) {
    vxtest::App();
    TOfficeProgram office(&Dir);
    ::setenv("FAKE_OFFICE_SLEEP", "30", 1);
    const std::string out = Dir.Path("stopped.xls");
    TMessageLog log;
    auto w = std::make_unique<TSaveAsThread>(&Rows.Table, &Rows.Store.DataList, &log);
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
