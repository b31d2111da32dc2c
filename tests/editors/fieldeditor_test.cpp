// The structure-change worker on a 10,000-record table: its exact messages, the rows it leaves
// for the list (the texts the row loader shows), and a change that fails half-way.
#include "common/datalist.h"
#include "common/rowsshown.h"
#include "common/workthread.h"
#include "editors/fieldeditorthread.h"
#include "engine/dbf.h"
#include "mainwindow/loadwindow_fixture.h"
#include "bench/benchload.h"
#include "editortest.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

using TMessages = std::vector<std::pair<int, long long>>;

// Records the worker's messages.
class TRecorder : public QObject {
public:
    TMessages Got;
    bool event(QEvent* e) override {
        if (!IsWorkerMessage(e)) return QObject::event(e);
        Got.emplace_back(static_cast<TWorkerMessage*>(e)->Message(), static_cast<TWorkerMessage*>(e)->WParam);
        return true;
    }
};

// Loads the rows the loader reads from the table now.
void LoadRows(TDBF& dbf, TRowStore& rows) { benchtable::LoadRows(dbf, rows, [] {}); }

// Mark, number and field texts of each row.
std::vector<std::vector<std::string>> Texts(const TDataList& list) {
    std::vector<std::vector<std::string>> out;
    for (size_t i = 0; i < list.Count(); ++i) {
        std::vector<std::string> row{list[i]->MarkText(), list[i]->RecNoText()};
        for (size_t k = 0; k < list[i]->FieldCount(); ++k) row.emplace_back(list[i]->Text(k));
        out.push_back(row);
    }
    return out;
}

// The list's side of a change, as the main window takes it: the rows the worker built for a
// new field, or its own rows without the deleted fields.
class TRowsView : public TFieldEditorView {
public:
    explicit TRowsView(std::unique_ptr<TRowStore>& rows) : Rows(rows) {}
    void UpdateMainColumns(TFieldEditorThread& job) override {
        ++Calls;
        if (job.GetMode() == TFieldEditorThread::ModeAddField) Rows = job.TakeRows();
        else Rows->RemoveFields(job.GetDeleteFields());
    }
    std::unique_ptr<TRowStore>& Rows;
    int Calls = 0;
};

// PGSTART, the percents, PGSTOP; by default every percent from 1 to 100 once, then 100 again.
TMessages Progress(std::vector<int> percents = {}) {
    if (percents.empty())
        for (int p = 1; p <= 101; ++p) percents.push_back(std::min(p, 100));
    TMessages m{{WM_PGSTART, 0}};
    for (int p : percents) m.emplace_back(WM_PGPROGRESS, p);
    m.emplace_back(WM_PGSTOP, 0);
    return m;
}

class FieldEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        lvtest::App();
        TFieldEditorThread::LingerMs = 0;
        Path = lvtest::MakeTable(Dir.Path("t.dbf"), 10000);
        Dbf.SetFileName(Path);
        Dbf.Open();
        Rows = std::make_unique<TRowStore>();
        LoadRows(Dbf, *Rows);
    }
    void TearDown() override { TFieldEditorThread::LingerMs = 500; }

    // Runs one job to its end and delivers its messages.
    void Run(TFieldEditorThread& job) {
        job.Resume();
        job.WaitFor();
        QCoreApplication::processEvents();
    }
    // The rows the loader reads now.
    std::vector<std::vector<std::string>> Reloaded() {
        TRowStore fresh;
        LoadRows(Dbf, fresh);
        return Texts(fresh.DataList);
    }

    vxtest::TempDir Dir;
    std::string Path;
    TDBF Dbf;
    std::unique_ptr<TRowStore> Rows;
    TRecorder Messages;
};

}  // namespace

TEST_F(FieldEditorTest, AddingAndDeletingReportEveryPercentOnce) {
    const struct {
        TIptFieldRec Field;
        const char* Text;  // what the list shows in the new field
    } fields[] = {{{"DAY2", 'D', 8, 0, "20240229"}, "2024-02-29"},
                  {{"AT", 'T', 8, 0, ""}, "1970-1-1"},
                  {{"NOTE", 'M', 10, 0, "memo text"}, "memo text"}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.Field.Name);
        Messages.Got.clear();
        TRowsView view(Rows);
        TFieldEditorThread job(&Dbf, &view, &Messages);
        job.SetMode(TFieldEditorThread::ModeAddField);
        job.SetFieldDef(f.Field);
        job.SetRows(&Rows->DataList);
        Run(job);
        ASSERT_TRUE(job.Succeeded()) << job.ErrorText();
        EXPECT_EQ(Messages.Got, Progress());
        EXPECT_EQ(view.Calls, 1);
        EXPECT_EQ(job.NewFieldText(), f.Text);
        ASSERT_TRUE(Rows);
        EXPECT_EQ(Texts(Rows->DataList), Reloaded());

        // Delete it again (with the first field): every percent once, the list as reloaded.
        Messages.Got.clear();
        TFieldEditorThread del(&Dbf, &view, &Messages);
        del.SetMode(TFieldEditorThread::ModeDeleteFields);
        const int32_t indexes[] = {0, Dbf.FieldCount - 1};
        del.SetDeleteFields(indexes, 2);
        Run(del);
        ASSERT_TRUE(del.Succeeded()) << del.ErrorText();
        EXPECT_EQ(Messages.Got, Progress());
        EXPECT_EQ(Dbf.FieldCount, 1);
        EXPECT_EQ(Texts(Rows->DataList), Reloaded());
        // Put the first field back for the next round.
        Dbf.Close();
        Path = lvtest::MakeTable(Path, 10000);
        Dbf.Open();
        Rows = std::make_unique<TRowStore>();
        LoadRows(Dbf, *Rows);
    }
}

TEST_F(FieldEditorTest, AFailureHalfWayLeavesTheFilesAsTheyWere) {
    const auto before = structtest::Snapshot(Dir.Root());
    const std::pair<int, const char*> faults[] = {{TFieldEditorThread::ModeAddField, "widen"}, {TFieldEditorThread::ModeAddField, "append"},
                                                  {TFieldEditorThread::ModeDeleteFields, "narrow"}, {TFieldEditorThread::ModeDeleteFields, "finish"}};
    for (const auto& [mode, faultStep] : faults) {
        SCOPED_TRACE(faultStep);
        Messages.Got.clear();
        Dbf.StructureFaultHook = [&](const char* step, int64_t rec) {
            if (std::string(step) == faultStep && (rec < 0 || rec == 5000)) throw EDBFError("disk full");
        };
        TRowsView view(Rows);
        TFieldEditorThread job(&Dbf, &view, &Messages);
        job.SetMode(uint8_t(mode));
        job.SetRows(&Rows->DataList);
        job.SetFieldDef({"NOTE", 'M', 10, 0, "x"});
        const int32_t first = 0;
        job.SetDeleteFields(&first, 1);
        Run(job);
        EXPECT_EQ((std::pair{job.Succeeded(), job.ErrorText()}), (std::pair{false, std::string("disk full")}));
        EXPECT_EQ(view.Calls, 0);  // the list is not touched
        EXPECT_FALSE(job.TakeRows());
        ASSERT_GE(Messages.Got.size(), 3u);  // the progress is closed at 100 all the same
        EXPECT_EQ(Messages.Got.front().first, WM_PGSTART);
        EXPECT_EQ(TMessages(Messages.Got.end() - 2, Messages.Got.end()), (TMessages{{WM_PGPROGRESS, 100}, {WM_PGSTOP, 0}}));
        EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
        EXPECT_EQ(Dbf.FieldCount, 2);
    }
    // A table of no records changes without any percent before the final 100.
    Dbf.StructureFaultHook = nullptr;
    const std::string empty = Dir.Path("empty.dbf");
    CreateTableFile(empty, 0x03, {{"NAME", 'C', 8}});
    TDBF none;
    none.SetFileName(empty);
    none.Open();
    Messages.Got.clear();
    TFieldEditorThread job(&none, nullptr, &Messages);
    job.SetMode(TFieldEditorThread::ModeAddField);
    job.SetFieldDef({"N", 'N', 5, 0, "1"});
    Run(job);
    EXPECT_TRUE(job.Succeeded());
    EXPECT_EQ(Messages.Got, Progress({100}));
}

TEST_F(FieldEditorTest, RowsThatNoLongerShowTheirRecordsStopTheChangeAndNewRowsShowTheNewRecords) {
    // Adds MORE, or deletes field `deleted`, as the window runs the change; the view takes
    // the rows and gives them the records' prints.
    auto change = [&](int mode, int32_t deleted, int& calls) {
        TRowsView view(Rows);
        TFieldEditorThread job(&Dbf, &view, &Messages);
        job.SetMode(uint8_t(mode));
        job.SetRows(&Rows->DataList);
        job.SetFieldDef({"MORE", 'C', 3, 0, "x"});
        job.SetDeleteFields(&deleted, 1);
        Run(job);
        calls = view.Calls;
        if (job.Succeeded()) Rows->SetPrints(job.RecordPrints());
        return job.ErrorText();
    };
    // Another program edits a record: every record changes with the layout and the new rows
    // are made from the old rows' texts, so the change is refused and nothing is written.
    {
        TDBF other;
        other.SetFileName(Path);
        other.Open();
        other.Go(7000), other.Edit(), other.GetField(0)->SetAsString("theirs"), other.Post();
    }
    const auto before = structtest::Snapshot(Dir.Root());
    int calls = 0;
    for (const int mode : {TFieldEditorThread::ModeAddField, TFieldEditorThread::ModeDeleteFields}) {
        EXPECT_EQ(change(mode, 1, calls), Path + EDBFRecordsChanged::Text) << mode;
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    }
    // With the list read again the change goes on, and the rows it leaves carry the prints of
    // the records as they are now: every one compares as shown.
    Rows = std::make_unique<TRowStore>();
    LoadRows(Dbf, *Rows);
    for (const int mode : {TFieldEditorThread::ModeAddField, TFieldEditorThread::ModeDeleteFields}) {
        ASSERT_EQ(change(mode, 0, calls), "") << mode;
        TRowsShown shown(Dbf, *Rows);
        for (uint32_t r : {1u, 5000u, 10000u}) {
            Dbf.Go(r);
            EXPECT_TRUE(shown.MatchesCurrent(*Rows->DataList[r - 1])) << mode << " " << r;
        }
    }
}
