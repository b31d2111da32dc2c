// File > Save As, Import and Export in the main window: the checks before a save, the progress
// window through a save, a failure and the end; the import's question and its rows; the export
// of the list's selected rows.
#include "mainwindow/loadwindow_fixture.h"
#include "saveasfixture.h"

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
