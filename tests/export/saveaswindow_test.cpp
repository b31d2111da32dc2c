// File > Save As, Import and Export in the main window: the checks before a save, the progress
// window through a save, a failure and the end; the import's question and its rows; the export
// of the list's selected rows.
#include "mainwindow/loadwindow_fixture.h"
#include "saveasfixture.h"
#include "common/latequestion_testutil.h"

#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "export/formexportpreview.h"
#include "export/formsaveasprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

using namespace saveastest;

namespace {

class SaveAsWindow : public lvtest::WindowTest {
protected:
    void SetUp() override {
        lvtest::WindowTest::SetUp();
        SavedAsk = TFormExportPreview::AskFileName;
        SavedOpen = TFormMain::OpenOutputFile;
        SavedImport = TFormMain::AskImportFile;
        TFormExportPreview::AskFileName = [this](QWidget*, const QStringList&, QString& name, int& index) {
            if (Typed.isEmpty()) return false;
            name = Typed;
            index = Index;
            return true;
        };
        TFormMain::OpenOutputFile = [this](const std::string& f) { Opened.push_back(f); };
        TSaveAsThread::FinalPauseMs = 0;
    }
    void TearDown() override {
        TFormExportPreview::AskFileName = SavedAsk;
        TFormMain::OpenOutputFile = SavedOpen;
        TFormMain::AskImportFile = SavedImport;
        lvtest::WindowTest::TearDown();
    }
    // Runs File > Save As to its end.
    void SaveAs(const std::string& name, int index) {
        Typed = Q(name);
        Index = index;
        Form->M1_SAVEASClick();
        if (Form->SaveAsThread) {
            Form->SaveAsThread->WaitFor();
            lvtest::Drain();
        }
    }
    TFormSaveAsProgress& Progress() { return *Form->SaveAsProgressForm; }
    // The progress window as the user sees it: running or done, Close enabled, shown, its percent.
    std::string Seen() {
        TFormSaveAsProgress& p = Progress();
        return std::string(p.State == TFormSaveAsProgress::stRunning ? "running" : p.State == TFormSaveAsProgress::stDone ? "done" : "?") +
               (p.BitBtnClose->isEnabled() ? " close" : "") + (p.isVisible() ? " shown" : "") + " " +
               p.FlatPanel->Caption().toStdString() + " " + std::to_string(p.FlatProgressBar->Position());
    }

    QString Typed;
    int Index = 1;
    std::vector<std::string> Opened;
    std::function<bool(QWidget*, const QStringList&, QString&, int&)> SavedAsk;
    std::function<void(const std::string&)> SavedOpen;
    std::function<QString(QWidget*)> SavedImport;
};

}  // namespace

TEST_F(SaveAsWindow, RefusesTheOpenTableAndItsMemoByAnyNameAndAsksBeforeReplacing) {
    const std::string table = exporttest::MakeAllTypesTable(Dir.Path("all.dbf"));
    Form->Open(Q(table));
    ASSERT_TRUE(WaitLoaded());
    std::filesystem::create_symlink(table, Dir.Path("link.dbf"));
    // A table output whose memo file would be the open table's.
    std::filesystem::create_symlink(Dir.Path("all.fpt"), Dir.Path("other.FPT"));
    ScriptedMsgBox box;
    for (const auto& [name, index] : std::vector<std::pair<std::string, int>>{
             {Dir.Path("ALL.DBF"), 2}, {Dir.Path("link.dbf"), 1}, {Dir.Path("other"), 2}, {Dir.Path("all"), 1}}) {
        SaveAs(name, index);
        ASSERT_FALSE(box.Asked.empty()) << name;
        EXPECT_EQ(box.Asked.back().Caption, "Warnning");
        EXPECT_EQ(box.Asked.back().Text, "Can not overwrite the file which had been opened!");
        EXPECT_FALSE(Form->SaveAsThread) << name;
    }
    // An existing file: No keeps it.
    vxtest::WriteAll(Dir.Path("old.csv"), "old");
    box.Answer(mrNo);
    SaveAs(Dir.Path("old"), 9);
    EXPECT_EQ(box.Asked.back().Text, "File already exist! Overwrite?");
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("old.csv")), "old");
    EXPECT_FALSE(Form->SaveAsThread);
}

TEST_F(SaveAsWindow, TheProgressWindowFollowsASaveAndTheOutputOpens) {
    Form->Open(Table("t.dbf", 300));
    ASSERT_TRUE(WaitLoaded());
    Option->CloseWhenJobDone = false;
    Option->OpenWhenJobDone = true;
    Typed = Q(Dir.Path("out"));
    Index = 9;
    Form->M1_SAVEASClick();
    ASSERT_TRUE(Form->SaveAsThread);
    Form->SaveAsThread->WaitFor();
    // The start: running, Close disabled, the boxes from the settings, shown modally.
    QCoreApplication::sendPostedEvents(Form.get(), WM_SASTART);
    EXPECT_EQ(Seen(), "running shown 0% 0");
    EXPECT_TRUE(Progress().isModal());
    Progress().BitBtnCloseClick();
    EXPECT_TRUE(Progress().isVisible());
    lvtest::Drain();
    EXPECT_EQ(Seen(), "done close shown 100% 100");
    EXPECT_EQ(Opened, (std::vector<std::string>{Dir.Path("out.csv")}));
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("out.csv")).substr(0, 12), "r1,20240105\r");
    // Closing stores the boxes and sets the bar back for the next run.
    Progress().cbOpenWhenSaveDone->setChecked(false);
    Progress().cbCloseWhenSaveDone->setChecked(true);
    Progress().BitBtnCloseClick();
    EXPECT_EQ(Seen(), "done close 0% 0");
    EXPECT_TRUE(Option->CloseWhenJobDone);
    EXPECT_FALSE(Option->OpenWhenJobDone);
    // With the close box the window goes by itself; without the open box nothing opens.
    SaveAs(Dir.Path("second.txt"), 5);
    EXPECT_FALSE(Progress().isVisible());
    EXPECT_EQ(Opened.size(), 1u);
}

TEST_F(SaveAsWindow, AFailedSaveSaysWhyLeavesTheWindowClosableAndOpensNothing) {
    Form->Open(Table("t.dbf", 5));
    ASSERT_TRUE(WaitLoaded());
    Option->CloseWhenJobDone = false;
    Option->OpenWhenJobDone = true;
    ScriptedMsgBox box;
    TOfficeProgram missing(nullptr);
    SaveAs(Dir.Path("sheet.xls"), 8);
    ASSERT_FALSE(box.Asked.empty());
    EXPECT_EQ(box.Asked.back().Caption, "Error");
    EXPECT_EQ(box.Asked.back().Text, "CreateOleObject Error, ... Office 2000!");
    EXPECT_EQ(Seen().substr(0, 16), "done close shown");
    EXPECT_TRUE(Opened.empty());
    Progress().BitBtnCloseClick();
    EXPECT_FALSE(Progress().isVisible());
}

TEST_F(SaveAsWindow, ImportAsksToCloseTheTableAndNoKeepsIt) {
    Form->Open(Table("t.dbf", 5));
    ASSERT_TRUE(WaitLoaded());
    TOfficeProgram office(&Dir);
    // The stand-in hands the "workbook" on as it is: a flat sheet.
    const std::string book = Dir.Path("book.xls");
    vxtest::WriteAll(book, FlatSheet(SheetRow(SheetCell("<text:p>CITY</text:p>") + SheetCell("<text:p> SIZE </text:p>")) +
                                     SheetRow(SheetCell("<text:p>Oslo</text:p>") +
                                              SheetCell("<text:p>3.00</text:p>", "office:value-type=\"float\" office:value=\"3\""))));
    TFormMain::AskImportFile = [&](QWidget*) { return Q(book); };
    Option->AlwayShowClose = true;
    ScriptedMsgBox box;
    box.Answer(mrNo);
    Form->M1_IMPORTClick();
    EXPECT_EQ(box.Asked.back().Text, "Close current document?");
    EXPECT_TRUE(Form->CurDBF);
    EXPECT_EQ(Rows(), 5u);
    EXPECT_FALSE(Form->M1_IMPORT->isVisible());
    EXPECT_FALSE(Form->M1_IMPORT->isEnabled());

    box.Answer(mrYes);
    Form->M1_IMPORTClick();
    EXPECT_FALSE(Form->IsLoadOver());
    ASSERT_TRUE(WaitLoaded());
    EXPECT_FALSE(Form->CurDBF);
    EXPECT_EQ(Form->ColumnCaptions(), (QStringList{"CITY", "SIZE"}));
    EXPECT_EQ(Rows(), 1u);
    EXPECT_EQ(Cell(0, 1), "3.00");
    EXPECT_EQ(Form->PanelRecNum->text(), "OnShow/Total:1");
    // No table object: save as does nothing.
    SaveAs(Dir.Path("x.csv"), 9);
    EXPECT_FALSE(Form->SaveAsThread);
}

// A memo file deleted or replaced while its table is open: a write is refused with one message,
// before anything else, and the window does not load the table again. The list and the table
// keep what they showed, so Save As with Show Memo on still writes every memo text.
TEST_F(SaveAsWindow, AGoneMemoFileRefusesAloneAndSaveAsStillWritesEveryMemo) {
    const auto memosOf = [](const std::string& path) {
        TDBF d;
        d.SetFileName(path);
        d.Open();
        std::vector<std::string> memos(d.GetRecordCount());
        for (uint32_t r = 1; r <= memos.size(); ++r) d.Go(r), d.GetMemo("OBSE", memos[r - 1]);
        return memos;
    };
    Option->ViewMemo = true;
    for (const bool deleted : {true, false}) {
        SCOPED_TRACE(deleted ? "deleted" : "replaced");
        vxtest::TempDir dir;
        const std::string table = vxtest::CopyFixture(dir, "dbase_f5.dbf"), memo = vxtest::CopyFixture(dir, "dbase_f5.fpt");
        const std::vector<std::string> memos = memosOf(table);
        ASSERT_EQ(std::count_if(memos.begin(), memos.end(), [](const std::string& m) { return !m.empty(); }), 211);
        Form->Open(Q(table));
        ASSERT_TRUE(WaitLoaded());
        Form->show(), Form->activateWindow(), Form->MainListView->setFocus();
        lvtest::Drain();
        const auto withMemo = std::find_if(memos.begin(), memos.end(), [](const std::string& m) { return !m.empty(); });
        Form->ListViewGoToRec(int(withMemo - memos.begin()) + 1);  // a row whose paste writes a memo
        Form->M3_COPYClick();
        ASSERT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Vellibrox")));
        const TDBF* shown = Form->CurDBF.get();
        if (deleted) std::filesystem::remove(memo);
        else std::filesystem::copy_file(memo, memo + ".new"), std::filesystem::rename(memo + ".new", memo);
        const std::string bytes = vxtest::ReadAll(table);
        ScriptedMsgBox box;
        Form->M3_PASTEClick();
        Form->M6_DELETEClick();
        lvtest::Drain();
        const std::string refused = table + dbftext::MemoGoneBefore + memo +
                                    (deleted ? dbftext::MemoDeletedAfter + std::string(dbftext::KeepMemoTexts)
                                             : dbftext::MemoReplacedAfter);
        ASSERT_EQ(box.Asked.size(), 2u);  // each refusal alone: no notice of a table loaded again
        EXPECT_EQ(box.Asked[0].Text.toStdString() + box.Asked[1].Text.toStdString(), refused + refused);
        EXPECT_FALSE(Form->ReloadTable());
        EXPECT_EQ(vxtest::ReadAll(table), bytes);
        ASSERT_TRUE(Form->CurDBF.get() == shown && Rows() == memos.size() && !Form->IsWorking());
        const size_t field = size_t(Form->CurDBF->FieldIndex("OBSE"));
        for (size_t i = 0; i < memos.size(); ++i) ASSERT_EQ((*Form->DataList())[i]->Text(field), memos[i]) << i;
        if (!deleted) continue;
        SaveAs(dir.Path("copy.dbf"), 2);
        ASSERT_TRUE(Form->SaveAsThread);
        EXPECT_EQ(memosOf(dir.Path("copy.dbf")), memos);
        // Refresh, and the view of every row, would load the table again: they say the list stays.
        Form->M2_SHOWDELRECClick();
        const size_t rows = Rows();
        Form->M2_REFRESHClick();
        Form->M2_SHOWDELRECClick();
        lvtest::Drain();
        EXPECT_EQ(box.Asked.back().Text.toStdString(),
                  table + " - The memo file " + memo + " was deleted or renamed after the table was opened. The list "
                  "still shows its memo texts; save the table as another file, with View, Show Memo on, to keep them.");
        EXPECT_TRUE(box.Asked.size() == 4u && Form->CurDBF.get() == shown && Rows() == rows);
    }
}

// "Some work is doing,stop it?" open while the load ends closes by itself: the late Yes stops
// nothing, the Save As that asked goes on, and a failed load's message shows alone after it.
TEST_F(SaveAsWindow, AStopQuestionClosesWhenTheLoadEndsAndTheSaveAsGoesOn) {
    int saveAsked = 0;
    TFormExportPreview::AskFileName = [&](QWidget*, const QStringList&, QString&, int&) { return ++saveAsked, false; };
    const QString question = QStringLiteral("Some work is doing,stop it?");
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "failing" : "ending");
        std::atomic<bool> release{false};
        Form->OnLoaderStatusPoint = [&](size_t rows) {  // the load waits at 2000 rows
            while (!release) std::this_thread::yield();
            if (fails && rows == 2000) throw std::runtime_error("t.dbf - Read error!");
        };
        Form->Open(Table("t.dbf", 4000));
        ASSERT_TRUE(lvtest::WaitUntil([this] { return Form->IsWorking(); }));
        msgboxtest::TLateAnswer late(question, mrYes, [this] { return Form->WorkThread->Finished(); },
                                     [&] { release = true; });
        saveAsked = 0;
        Form->M1_SAVEASClick();
        lvtest::Drain();
        ASSERT_EQ(late.Asked.size(), fails ? 2u : 1u);
        EXPECT_EQ(late.Asked[0].Text, question);
        EXPECT_TRUE(late.Asked[0].ClosedByItself);
        EXPECT_EQ(saveAsked, 1);
        EXPECT_FALSE(Form->IsWorking());
        EXPECT_EQ(Rows(), fails ? 2000u : 4000u);
        if (fails) {
            EXPECT_EQ(late.Asked[1].Text, QStringLiteral("t.dbf - Read error!"));
            EXPECT_EQ(late.Asked[1].Open, 1);
        }
    }
}

namespace {
class ExportWindow : public lvtest::WindowTest {};
}  // namespace

TEST_F(ExportWindow, ExportsTheSelectedRowsOfTheListAndRefusesWhileAWorkerRuns) {
    Form->Open(Table("t.dbf", 10));
    ASSERT_TRUE(WaitLoaded());
    auto* sel = Form->MainListView->selectionModel();
    for (int row : {4, 1})
        sel->select(Form->ListModel->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ScriptedMsgBox box;
    const std::string out = Dir.Path("picked.csv");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFormExportPreview*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->cbTypeList->setCurrentIndex(8);
        dialog->EditExportFileName->setText(QString::fromStdString(out));
        dialog->RadioButton4->setChecked(true);
        dialog->BitBtn5Click();
        dialog->Worker->WaitFor();
        dialog->reject();
    });
    Form->M1_EXPORTClick();
    EXPECT_EQ(vxtest::ReadAll(out), "r2,        \r\nr5,20240105\r\n");
    EXPECT_FALSE(sel->hasSelection());

    Form->Working = true;
    box.Answer(mrNo);
    Form->M1_EXPORTClick();
    EXPECT_EQ(box.Asked.back().Text, "Some work is doing,stop it?");
    Form->Working = false;
}
