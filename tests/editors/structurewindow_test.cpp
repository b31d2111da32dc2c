// The field commands and File > New from the main window: refusals, the dialogs answered as a
// user would, the list after a change, commands refused while the worker runs, and a change
// that fails.
#include "editors/fieldeditorthread.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formprogress.h"
#include "app/loadwindow_fixture.h"
#include "controls/flatchecklistbox.h"
#include "structuretest.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Answers the next modal dialog of type D with `answer` once it is shown.
template <class D>
void WhenShown(std::function<void(D&)> answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) answer(*d);
    });
}

class StructureWindowTest : public lvtest::WindowTest {
protected:
    void SetUp() override {
        lvtest::WindowTest::SetUp();
        TFieldEditorThread::LingerMs = 0;
    }
    void TearDown() override {
        TFieldEditorThread::LingerMs = 500;
        lvtest::WindowTest::TearDown();
    }
    bool WaitChanged() {
        bool ok = lvtest::WaitUntil([this] { return !Form->FieldEditorThread && !Form->IsWorking(); });
        lvtest::Drain();
        return ok;
    }
    QStringList Captions() const {
        QStringList c;
        for (int i = 0; i < Form->ListModel->columnCount(); ++i)
            c << Form->ListModel->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        return c;
    }
    ScriptedMsgBox Boxes;
};

}  // namespace

TEST_F(StructureWindowTest, AddAndDeleteAColumnFromTheMenus) {
    Form->Open(Table("t.dbf", 300));
    ASSERT_TRUE(WaitLoaded());
    Form->MainListView->setColumnWidth(1, 140);
    Form->ListViewGoToRec(7);
    const QString firstName = Cell(0, 0);

    bool workingDuring = false, refusedDuring = false, progressShown = false, progressStays = false;
    Form->OnStructureShown = [&] {
        workingDuring = Form->IsWorking();
        refusedDuring = !Form->RequireWritable();
        progressShown = Form->ProgressForm->isVisible();
        Form->ProgressForm->close();
        Form->ProgressForm->reject();
        progressStays = Form->ProgressForm->isVisible();
    };
    WhenShown<TFormFieldAdd>([](TFormFieldAdd& d) {
        d.EditName->setText(QStringLiteral("AMOUNT"));
        d.cbType->setCurrentIndex(fieldtypes::tiNumeric);
        d.EditFilledValue->setText(QStringLiteral("1.5"));
        d.BitBtn1Click();
    });
    Form->M6_FIELDADDClick();
    ASSERT_TRUE(WaitChanged());
    EXPECT_TRUE(workingDuring);
    EXPECT_TRUE(refusedDuring);
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Some work is doing..."));
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(progressStays);
    EXPECT_FALSE(Form->ProgressForm->isVisible());

    EXPECT_EQ(Captions(), (QStringList{"NAME [C] ", "DAY [D] ", "AMOUNT [N] "}));
    EXPECT_EQ(Rows(), 300u);
    EXPECT_EQ(Cell(0, 0), firstName);
    EXPECT_EQ(Cell(299, 2), QStringLiteral("1.50"));
    EXPECT_EQ(Form->MainListView->columnWidth(1), 140);
    EXPECT_EQ(Form->MainListView->columnWidth(2), 100);
    EXPECT_EQ(Form->CurRecNo, 7);
    EXPECT_EQ(Form->PopupMenuSortColumnAsc->actions().size(), 3);
    EXPECT_EQ(Form->TB_QUICKSERACHFROM->count(), 3);
    EXPECT_EQ(Form->StatusText(0), QStringLiteral("Field Count:3"));
    EXPECT_TRUE(Form->IsLoadOver());

    // Delete the first two columns.
    WhenShown<TFormFieldDelete>([](TFormFieldDelete& d) {
        d.clbFields->SetChecked(0, true);
        d.clbFields->SetChecked(1, true);
        d.BitBtn1Click();
    });
    Form->M6_FIELDDELETEClick();
    ASSERT_TRUE(WaitChanged());
    EXPECT_EQ(Captions(), (QStringList{"AMOUNT [N] "}));
    EXPECT_EQ(Cell(5, 0), QStringLiteral("1.50"));
    EXPECT_EQ(Form->PopupMenuSortColumnDesc->actions().size(), 1);

    // A table of one field cannot lose it.
    Form->M6_FIELDDELETEClick();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("There only one column."));
}

TEST_F(StructureWindowTest, RefusalsComeFirst) {
    std::vector<TTableFieldDef> many;
    for (int i = 0; i < 254; ++i) many.push_back({"F" + std::to_string(i), 'C', 1});
    const std::string wide = Dir.Path("wide.dbf");
    CreateTableFile(wide, 0x03, many);
    Form->Open(Q(wide));
    ASSERT_TRUE(WaitLoaded());
    Form->M6_FIELDADDClick();
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Fields count can not more than 254."));

    Form->Open(Table("t.dbf", 10));
    ASSERT_TRUE(WaitLoaded());
    const struct {
        bool* Flag;
        const char* Text;
    } modes[] = {{&Form->Rows->UsingFilter, "Can not do this job in \"Apply Filter\" mode."},
                 {&Form->HideDeleted, "Can not do this job in \"Hide Deleted Records\" mode."},
                 {&Form->ShowOnlyDeleted, "Can not do this job in \"Only Show Deleted Records\" mode."}};
    for (const auto& m : modes) {
        *m.Flag = true;
        Form->M6_FIELDADDClick();
        EXPECT_EQ(Boxes.Asked.back().Text.toStdString(), m.Text);
        Form->M6_FIELDDELETEClick();
        EXPECT_EQ(Boxes.Asked.back().Text.toStdString(), m.Text);
        *m.Flag = false;
    }
    // Nothing checked in the delete dialog: no change at all.
    const std::string before = vxtest::ReadAll(Form->FileName.toStdString());
    WhenShown<TFormFieldDelete>([](TFormFieldDelete& d) { d.BitBtn1Click(); });
    Form->M6_FIELDDELETEClick();
    EXPECT_FALSE(Form->FieldEditorThread);
    // Every field checked: the dialog refuses and stays open.
    bool refused = false;
    WhenShown<TFormFieldDelete>([&](TFormFieldDelete& d) {
        d.ButtonSelAllClick();
        d.BitBtn1Click();
        refused = d.isVisible();
        d.reject();
    });
    Form->M6_FIELDDELETEClick();
    EXPECT_TRUE(refused);
    EXPECT_EQ(vxtest::ReadAll(Form->FileName.toStdString()), before);
}

TEST_F(StructureWindowTest, AFailedChangeIsReportedAndTheTableReadAgain) {
    Form->Open(Table("t.dbf", 2000));
    ASSERT_TRUE(WaitLoaded());
    const auto before = structtest::Snapshot(Dir.Root());
    Form->CurDBF->StructureFaultHook = [](const char* step, int64_t rec) {
        if (std::string(step) == "widen" && rec == 1000) throw EDBFError("t.dbf - Error in write DBF!");
    };
    TFieldEditorThread::LingerMs = 0;
    TIptFieldRec rec{"OK", 'L', 1, 0, "T"};
    Form->StartFieldAdd(rec);
    ASSERT_TRUE(WaitChanged());
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("t.dbf - Error in write DBF!"));
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
    EXPECT_EQ(Captions(), (QStringList{"NAME [C] ", "DAY [D] "}));
    EXPECT_EQ(Rows(), 2000u);
    EXPECT_FALSE(Form->CurDBF->StructureFaultHook);  // a table object of its own, read again
}

TEST_F(StructureWindowTest, NewTablesFromTheFileMenu) {
    const std::string source = lvtest::MakeTable(Dir.Path("source.dbf"), 5);
    // New From File with the file dialog cancelled shows no dialog at all.
    bool shown = false;
    Form->AskFileName = [](bool, const QString&) { return QString(); };
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shown = true;
            w->close();
        }
    });
    Form->M1_NEWFROMFILEClick();
    lvtest::Drain();
    EXPECT_FALSE(shown);

    const std::string made = Dir.Path("made.dbf");
    Form->AskFileName = [&](bool save, const QString&) { return Q(save ? made : source); };
    WhenShown<TFormCreateDBF>([](TFormCreateDBF& d) {
        EXPECT_EQ(d.RowCount(), 2);  // the source's design
        d.AddRow({"NOTE", "Memo", 10, 0});
        d.BitBtn1Click();
    });
    Form->M1_NEWFROMFILEClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Form->FileName, Q(made));
    EXPECT_EQ(Captions(), (QStringList{"NAME [C] ", "DAY [D] ", "NOTE [M] "}));
    EXPECT_EQ(Form->CurDBF->GetVersion(), 0x83);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path("made.dbt")));
}
