// Outputs that a full disk or a file-size limit stops part way: every kind, through the
// writers and the save-as worker, leaves no partial output under the output's name and the file
// that was there (with its memo file) byte for byte; a stopped export keeps its rows.
#include "saveasfixture.h"

#include "engine/dbftestutil.h"

using namespace exporttest;
using namespace saveastest;

namespace {

constexpr TOutputKind AllKinds[] = {TOutputKind::VisualFoxPro, TOutputKind::FoxPro2, TOutputKind::FoxBase,
                                    TOutputKind::DBase4,       TOutputKind::Text,    TOutputKind::Html,
                                    TOutputKind::Xml,          TOutputKind::Excel,   TOutputKind::Csv,
                                    TOutputKind::Dif};

// A FoxPro 2 table of 3,000 records with a memo text each: every output of it is far larger
// than the limit the tests set.
std::string MakeLongTable(const std::string& path) {
    CreateTableFile(path, 0xF5, {{"NAME", 'C', 30}, {"NOTES", 'M', 10}});
    TDBF t;
    t.SetFileName(path);
    t.Open();
    for (int r = 1; r <= 3000; ++r) {
        t.Append();
        t.FieldByName("NAME")->SetAsString("record " + std::to_string(r));
        t.SetMemo("NOTES", "memo of record " + std::to_string(r) + std::string(100, '.'));
        t.Post();
    }
    return path;
}

// Stops the writer after `rows` rows.
struct TStopAfter : TProgressSink {
    size_t Rows, Seen = 0;
    explicit TStopAfter(size_t rows) : Rows(rows) {}
    bool Stopped() override { return Seen >= Rows; }
    void RowWritten(size_t written, size_t, size_t) override { Seen = written; }
};

class FailedOutputs : public ::testing::Test {
protected:
    // "out" with the kind's extension, and old files under that name and the memo names.
    std::string OldFiles(TOutputKind kind) {
        for (const char* ext : {".fpt", ".dbt"}) vxtest::WriteAll(Dir.Path(std::string("out") + ext), "old memo file");
        const std::string out = Dir.Path(std::string("out") + OutputExtension(kind));
        vxtest::WriteAll(out, "old output");
        return out;
    }
    TempDir Dir;
    TTableRows Rows{MakeLongTable(Dir.Path("src.dbf"))};
};

}  // namespace

TEST_F(FailedOutputs, EveryKindLeavesTheOldFilesAndNoPartialOutput) {
    for (TOutputKind kind : AllKinds) {
        SCOPED_TRACE(int(kind));
        const std::string out = OldFiles(kind);
        const auto before = dbftest::Snapshot(Dir);
        std::string error = "(none)";
        {
            dbftest::TFileSizeLimit full(64 * 1024);
            TRecordingSink sink;
            error = dbftest::ErrorOf([&] { WriteOutput(kind, out, Rows.Source(), sink); });
        }
        // The message names the output as the user named it.
        EXPECT_EQ(error.rfind(Dir.Root().string() + "/out.", 0), 0u) << error;
        EXPECT_EQ(error.find(".vxnew"), std::string::npos) << error;
        EXPECT_EQ(dbftest::Snapshot(Dir), before);
        // With room, the whole output takes the place of the old files it replaces.
        TRecordingSink sink;
        EXPECT_EQ(WriteOutput(kind, out, Rows.Source(), sink).Written, 3000u);
        const auto after = dbftest::Snapshot(Dir);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_GT(after.at(std::filesystem::path(out).filename().string()).size(), 64u * 1024);
        const bool fpt = kind == TOutputKind::VisualFoxPro || kind == TOutputKind::FoxPro2;
        EXPECT_EQ(after.at("out.fpt") == "old memo file", !fpt);
        EXPECT_EQ(after.at("out.dbt") == "old memo file", !IsTableKind(kind) || fpt);
    }
}

TEST_F(FailedOutputs, AStoppedExportKeepsItsRowsAndAStoppedSaveKeepsTheOldFile) {
    const std::string out = OldFiles(TOutputKind::Csv);
    TStopAfter stop(10);
    TWriteOptions options;
    options.KeepStopped = false;
    const auto before = dbftest::Snapshot(Dir);
    EXPECT_TRUE(WriteOutput(TOutputKind::Csv, out, Rows.Source(), stop, options).Stopped);
    EXPECT_EQ(dbftest::Snapshot(Dir), before);
    TStopAfter again(10);
    EXPECT_TRUE(WriteOutput(TOutputKind::Csv, out, Rows.Source(), again).Stopped);
    const std::string csv = ReadAll(out);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 10);
    EXPECT_EQ(csv.rfind("record 1,memo of record 1.", 0), 0u);
}

TEST_F(FailedOutputs, AFailedSaveAsOverATableKeepsItAndItsMemoFile) {
    // The table to replace, with memo texts of its own.
    const std::string out = Dir.Path("saved.dbf");
    CreateTableFile(out, 0xF5, {{"NOTES", 'M', 10}});
    {
        TDBF t;
        t.SetFileName(out);
        t.Open();
        t.Append();
        t.SetMemo("NOTES", "a memo of the table that was there");
        t.Post();
    }
    const auto before = dbftest::Snapshot(Dir);
    TSaveRun run;
    {
        dbftest::TFileSizeLimit full(64 * 1024);
        RunSaveAs(&Rows.Table, &Rows.Store.DataList, TSaveAsThread::ModeFoxPro2, out, true, run);
    }
    EXPECT_EQ(run.Outcome, TSaveAsThread::soFailed);
    EXPECT_EQ(run.Message.rfind(Dir.Root().string() + "/saved.", 0), 0u) << run.Message;
    EXPECT_NE(run.Message.find("Error in write"), std::string::npos) << run.Message;
    EXPECT_EQ(run.Log.Got.back(), (TMessage{WM_SASTOP, TSaveAsThread::soFailed, out}));
    EXPECT_EQ(dbftest::Snapshot(Dir), before);
}

TEST_F(FailedOutputs, AWorkbookThatCannotBeSavedKeepsTheOneThatWasThere) {
    TOfficeProgram office(&Dir);
    ::setenv("FAKE_OFFICE_FAIL", "1", 1);
    const std::string out = Dir.Path("old.xls");
    vxtest::WriteAll(out, "old workbook");
    const auto before = dbftest::Snapshot(Dir);
    TSaveRun run;
    RunSaveAs(&Rows.Table, &Rows.Store.DataList, TSaveAsThread::ModeExcel, out, false, run);
    EXPECT_EQ(run.Outcome, TSaveAsThread::soFailed);
    EXPECT_EQ(run.Message.rfind(out + " - The workbook could not be saved.", 0), 0u) << run.Message;
    EXPECT_EQ(dbftest::Snapshot(Dir), before);
}
