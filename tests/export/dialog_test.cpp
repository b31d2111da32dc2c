// The export dialog without a main window.
#include "exportfixture.h"

#include "engine/dbftestutil.h"

#include "common/msgbox.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "controls/flatchecklistbox.h"
#include "controls/flatmemo.h"
#include "controls/flatpanel.h"
#include "controls/validedit.h"
#include "export/exportcheck.h"
#include "export/formexportpreview.h"
#include "export/outputguard.h"
#include "qtapp.h"
#include "common/latequestion_testutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

using namespace exporttest;

namespace {

class ExportDialog : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        vx::SetProgramFilesDir(Dir.Root().string() + "/");
        Src = std::make_unique<TTableRows>(MakeAllTypesTable(Dir.Path("all.dbf")));
        Context.Table = &Src->Table;
        Context.List = &Src->Store.DataList;
        for (int i = 0; i < Src->Table.FieldCount; ++i) {
            Context.Captions << QString::fromStdString(Src->Table.GetFieldName(i)) + " [" +
                                    QChar(Src->Table.GetFieldType(i)) + "] ";
            Context.Visible.push_back(i != 1);  // QTY is hidden in the list
        }
        Context.TakeSelection = [] { return std::vector<size_t>{0, 3}; };
        Form = std::make_unique<TFormExportPreview>(Context);
    }
    void TearDown() override {
        Form.reset();
        TFormExportPreview::AskFileName = AskFileName;
        TFormExportPreview::OpenFolder = OpenFolder;
        vx::SetProgramFilesDir(std::string());
    }
    // Starts the export with the dialog's choices and waits for its end.
    void Export(const QString& name) {
        Form->EditExportFileName->setText(name);
        Form->BitBtn5Click();
        if (Form->Worker) Form->Worker->WaitFor();
    }
    QString Path(const std::string& name) const { return QString::fromStdString(Dir.Path(name)); }
    // The columns' ticks ("1" when checked), then their fields, in list order.
    std::string Columns() const {
        std::string s;
        for (int i = 0; i < Form->clbColumns->Count(); ++i) s += Form->clbColumns->Checked(i) ? '1' : '0';
        for (int f : Form->ColumnFields) s += " " + std::to_string(f);
        return s;
    }

    TempDir Dir;
    std::unique_ptr<TTableRows> Src;
    TExportContext Context;
    std::unique_ptr<TFormExportPreview> Form;
    ScriptedMsgBox Box;
    const decltype(TFormExportPreview::AskFileName) AskFileName = TFormExportPreview::AskFileName;
    const decltype(TFormExportPreview::OpenFolder) OpenFolder = TFormExportPreview::OpenFolder;
};

}  // namespace

TEST_F(ExportDialog, StartsFromTheListAndMovesColumnsWithTheirFields) {
    EXPECT_EQ((std::tuple{Form->NumberEdit1->Value(), Form->NumberEdit2->Value(), Form->NumberEdit1->isEnabled()}),
              (std::tuple{1, 4, false}));
    Form->RadioButton5->setChecked(true);
    Form->RadioButton3Click();
    EXPECT_TRUE(Form->NumberEdit2->isEnabled());
    EXPECT_EQ(Columns(), "101111111111 0 1 2 3 4 5 6 7 8 9 10 11");
    Form->clbColumns->SetItemIndex(1);
    Form->clbColumnsClick();
    EXPECT_TRUE(Form->ButtonUp->isEnabled());
    Form->ButtonUpClick();  // QTY to the top, still unchecked, still field 1
    EXPECT_EQ(Form->clbColumns->Items().value(0), "QTY [N]");
    Form->clbColumns->SetItemIndex(11);
    Form->ButtonDownClick();  // the last stays last
    EXPECT_EQ(Columns(), "011111111111 1 0 2 3 4 5 6 7 8 9 10 11");

    // A new type changes the name's extension.
    Form->EditExportFileName->setText("/data/x.y/out.txt");
    Form->cbTypeList->setCurrentIndex(6);
    EXPECT_EQ(Form->EditExportFileName->text(), "/data/x.y/out.xml");
    Form->EditExportFileName->setText("/data/x.y/out");
    Form->cbTypeList->setCurrentIndex(8);
    EXPECT_EQ(Form->EditExportFileName->text(), "/data/x.y/out.csv");
}

TEST_F(ExportDialog, ExportsABareNameIntoExportFilesAndShowsTheResult) {
    Form->cbTypeList->setCurrentIndex(8);
    Form->ButtonNotAllClick();
    Form->clbColumns->SetChecked(0, true);
    Form->cbDelRec->setChecked(false);
    Export("out");
    const std::string file = vx::ExportFilesDir() + "out.csv";
    EXPECT_EQ(Form->EditExportFileName->text().toStdString(), file);
    EXPECT_EQ(ReadAll(file), "\"Alpha, Inc\"\r\nCaf\xe9\r\n\"Lone\rCR\"\r\n");
    EXPECT_EQ(Form->ExportLabel->Caption(), "Export [3] Rows Done.");
    EXPECT_EQ(Form->MemoFilePath->Text().toStdString(), file);
    ASSERT_EQ(Box.Asked.size(), 1u);
    EXPECT_EQ(Box.Asked[0].Text.toStdString(), "File Exported To:\n" + file);
    EXPECT_EQ((std::tuple{Form->Exporting, Form->BitBtn5->isEnabled(), Form->BitBtn6->isEnabled()}),
              (std::tuple{false, true, false}));  // unlocked again

    QString opened;
    TFormExportPreview::OpenFolder = [&](const QString& folder) { opened = folder; };
    Form->MemoFilePathDblClick();
    EXPECT_EQ(opened.toStdString() + "/", vx::ExportFilesDir());

    // Again: the file exists; No keeps it.
    Box.Answer(mrNo);
    Export("out");
    EXPECT_EQ(Box.Asked.back().Text, "File already exist! Overwrite?");
    EXPECT_EQ(Box.Asked.size(), 2u);
}

// The checks of Export in their order, without a window: the warning, the control at fault,
// and the output's name once the type is known.
TEST(ExportCheck, NoTypeTheOpenTableByAnyNameAndASpanOutsideTheList) {
    TempDir dir;
    TTableRows src(MakeAllTypesTable(dir.Path("all.dbf")));
    std::filesystem::create_directory(dir.Path("sub"));
    std::filesystem::create_symlink(dir.Path("all.fpt"), dir.Path("link.csv"));
    const std::string folder = dir.Path("ExportFiles/"), open = "Can not overwrite the file which had been opened!",
                      span = "From..To..Error!";
    using C = exportcheck::TControl;
    const struct {
        int Type;
        std::string Name;
        TRowRange::TKind Rows;
        int From, To;
        std::string Message;
        C Control;
        std::string File;  // the output: empty for the name as typed, "-" for none
    } cases[] = {
        {-1, "x", TRowRange::All, 0, 0, "Please Select File Type!", C::Type, "-"},
        {8, "out", TRowRange::All, 0, 0, "", C::None, folder + "out.csv"},
        {8, "out.txt", TRowRange::Selected, 0, 0, "", C::None, folder + "out.txt"},
        {8, dir.Path("sub/../all.dbf"), TRowRange::All, 0, 0, open, C::None, ""},  // another spelling of the table
        {8, dir.Path("link.csv"), TRowRange::Span, 0, 9, open, C::None, ""},       // a link to its memo file
        {0, dir.Path("ALL.DBF"), TRowRange::All, 0, 0, open, C::None, ""},  // its memo: a case variant of all.fpt
        {8, dir.Path("ALL.csv"), TRowRange::Span, 2, 3, "", C::None, ""},
        {0, dir.Path("other.dbf"), TRowRange::Span, 4, 4, "", C::None, ""},
        {8, "r.csv", TRowRange::Span, 0, 2, span, C::From, folder + "r.csv"},
        {8, "r.csv", TRowRange::Span, 3, 5, span, C::From, folder + "r.csv"},
        {8, "r.csv", TRowRange::Span, 3, 2, span, C::To, folder + "r.csv"},
    };
    for (const auto& c : cases) {
        std::string file;
        const exportcheck::TCheck r = exportcheck::CheckExport(
            {c.Type, c.Name, folder, c.Rows, c.From, c.To, 4},
            [&](const std::string& f, TOutputKind kind) { return OverwritesOpenTable(src.Table, f, kind); }, file);
        EXPECT_EQ(std::tuple(r.Caption.toStdString(), r.Message.toStdString(), r.Control, file),
                  std::tuple(c.Message == open ? "Warnning" : "", c.Message, c.Control,
                             c.File == "-" ? "" : c.File.empty() ? c.Name : c.File))
            << c.Name;
    }
}

TEST_F(ExportDialog, ChecksTheRangeAndExportsTheSelectedRows) {
    Form->cbTypeList->setCurrentIndex(8);
    Form->ButtonNotAllClick();
    Form->clbColumns->SetChecked(6, true);  // COUNT
    Form->RadioButton5->setChecked(true);
    QStringList invalid;
    const auto show = TNumberEdit::ShowInvalidMessage;
    TNumberEdit::ShowInvalidMessage = [&](QWidget*, const QString& text) { invalid << text; };
    Form->NumberEdit1->SetText("3");
    Form->NumberEdit2->SetText("5");
    Form->EditExportFileName->setText(Path("range.csv"));
    Form->BitBtn5Click();
    ASSERT_EQ(Box.Asked.size(), 1u);
    EXPECT_EQ(Box.Asked[0].Text, "From..To..Error!");
    EXPECT_FALSE(Form->Worker);
    EXPECT_EQ(invalid, QStringList{"\"5\" is Invalid Value!"});  // beyond the row count, the edit says so first
    TNumberEdit::ShowInvalidMessage = show;
    Form->NumberEdit1->SetText("2");
    Form->NumberEdit2->SetText("3");
    Export(Path("range.csv"));
    EXPECT_EQ(ReadAll(Dir.Path("range.csv")), "0\r\n2147483647\r\n");

    Form->RadioButton4->setChecked(true);
    Export(Path("sel.csv"));
    EXPECT_EQ(ReadAll(Dir.Path("sel.csv")), "-42\r\n7\r\n");

    // No name: the save dialog names the file and its type.
    TFormExportPreview::AskFileName = [&](QWidget*, const QStringList& filters, QString& name, int& index) {
        EXPECT_EQ(filters.size(), 10);
        name = Path("picked");
        index = 10;
        return true;
    };
    Export(QString());
    EXPECT_EQ(Form->cbTypeList->currentIndex(), 9);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path("picked.dif")));
}

TEST_F(ExportDialog, OneExportAtATimeStoppableAndTheDialogStaysWhileItRuns) {
    Form->show();
    Form->cbTypeList->setCurrentIndex(8);
    Form->EditExportFileName->setText(Path("stop.csv"));
    Form->BitBtn5Click();
    // The worker waits for the dialog to be locked, which happens on this thread: a second
    // start changes nothing, and the stop comes before its first row.
    TExportThread* first = Form->Worker.get();
    ASSERT_TRUE(first);
    Form->BitBtn5Click();
    EXPECT_EQ(Form->Worker.get(), first);
    Form->StopExporting();
    Form->Worker->WaitFor();
    EXPECT_EQ(Form->ExportLabel->Caption(), "Export Stopped. [0] Rows Written.");
    EXPECT_EQ(Box.Asked.back().Text.toStdString(),
              "Export Stopped. [0] Rows Written.\nFile Exported To:\n" + Dir.Path("stop.csv"));
    // While a worker holds the dialog, closing only asks whether to stop, whatever the answer.
    Form->BeginExport();
    Box.Answer(mrYes);
    Form->reject();
    EXPECT_EQ(Box.Asked.back().Text, "Some export is doing ,stop it?");
    EXPECT_TRUE(Form->isVisible());
    Form->EndExport();
    Form->reject();
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ExportDialog, AFailedExportSaysSoAndLeavesTheFileThatWasThere) {
    Form->cbTypeList->setCurrentIndex(8);
    const std::string out = Dir.Path("full.csv");
    vxtest::WriteAll(out, "the file that was there");
    const auto before = dbftest::Snapshot(Dir);
    Box.Answer(mrYes);  // overwrite it
    {
        dbftest::TFileSizeLimit full(64);
        Export(Path("full.csv"));
    }
    EXPECT_EQ(Form->ExportLabel->Caption(), "Export Failed.");
    EXPECT_EQ(Box.Asked.back().Text.toStdString(), out + " - Error in write file!");
    EXPECT_EQ(dbftest::Snapshot(Dir), before);
}

TEST_F(ExportDialog, StopAndCancelAskOnlyWhileTheExportRuns) {
    Form->show();
    Form->cbTypeList->setCurrentIndex(8);
    // While the worker's last message shows, Stop is off and asks nothing, and Cancel closes
    // once the worker has unlocked the dialog.
    bool stopOn = true;
    SetMsgBoxHandler([&](const TMsgBoxRequest& r) {
        Box.Asked.push_back(r);
        if (r.Text.startsWith(QStringLiteral("File Exported To")))
            stopOn = Form->BitBtn6->isEnabled(), Form->BitBtn6Click(), Form->reject();
        else  // the export ends while its question is open
            Form->ExportProgress(TExportThread::pkDone, 3, 3, Dir.Path("done.csv")), Form->EndExport();
        return TMsgBoxResult{mrYes};
    });
    Export(Path("done.csv"));
    EXPECT_FALSE(stopOn);
    ASSERT_EQ(Box.Asked.size(), 1u);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_NE(ReadAll(Dir.Path("done.csv")), "");
    // The Yes to a question the export outlived stops nothing.
    Form->BeginExport();
    Form->BitBtn6Click();
    EXPECT_EQ(Box.Asked[1].Text, QStringLiteral("Some export is doing ,stop it?"));
    EXPECT_FALSE(Form->Worker->Terminated());
    // A stopped or failed export has nothing left to stop either.
    for (int kind : {TExportThread::pkStopped, TExportThread::pkFailed}) {
        Form->BeginExport();
        Form->ExportProgress(kind, 0, 3, Dir.Path("done.csv"));
        Form->BitBtn6Click();
        EXPECT_FALSE(Form->BitBtn6->isEnabled());
    }
    EXPECT_EQ(Box.Asked.size(), 2u);
    Form->EndExport();
}

// "Some export is doing ,stop it?" open while the export ends closes by itself: the late Yes
// stops nothing, the end message shows alone after it, and a Cancel that asked goes on and
// closes the dialog once the worker has unlocked it.
TEST_F(ExportDialog, AStopQuestionClosesWhenTheExportEndsAndCancelGoesOn) {
    vxtest::CopyFixture(Dir, "dbase_f5.fpt");
    TTableRows big(vxtest::CopyFixture(Dir, "dbase_f5.dbf"));  // 975 rows: a report after 500
    TExportContext context;
    context.Table = &big.Table;
    context.List = &big.Store.DataList;
    for (int i = 0; i < big.Table.FieldCount; ++i)
        context.Captions << QString::fromStdString(big.Table.GetFieldName(i)), context.Visible.push_back(true);
    const QString question = QStringLiteral("Some export is doing ,stop it?");
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "Cancel" : "Stop");
        TFormExportPreview form(context);
        form.show();
        form.cbTypeList->setCurrentIndex(8);
        form.EditExportFileName->setText(Path(cancel ? "cancel.csv" : "stop.csv"));
        form.BitBtn5Click();
        ASSERT_TRUE(form.Worker);
        // Locked here as by the worker's first call, which waits to be served until the
        // question is open: the export cannot end before.
        form.BeginExport();
        msgboxtest::TLateAnswer late(question, mrYes, [&] { return form.Worker->Finished(); });
        cancel ? form.reject() : form.BitBtn6Click();
        form.Worker->WaitFor();
        QCoreApplication::sendPostedEvents();
        ASSERT_EQ(late.Asked.size(), 2u);
        EXPECT_EQ(late.Asked[0].Text, question);
        EXPECT_TRUE(late.Asked[0].ClosedByItself);
        EXPECT_TRUE(late.Asked[1].Text.startsWith(QStringLiteral("File Exported To:")));
        EXPECT_EQ(late.Asked[1].Open, 1);
        EXPECT_FALSE(form.Worker->Terminated());
        EXPECT_EQ(form.ExportLabel->Caption(), QStringLiteral("Export [975] Rows Done."));
        EXPECT_EQ(form.isVisible(), !cancel);
    }
}
