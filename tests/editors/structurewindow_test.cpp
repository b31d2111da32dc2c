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
    // The columns as the list, both sort menus, the quick search and the status bar show them.
    QString Columns() const {
        QStringList c;
        for (int i = 0; i < Form->ListModel->columnCount(); ++i)
            c << Form->ListModel->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        return c.join(QLatin1Char('|')) + QStringLiteral(" %1 %2 %3 ").arg(Form->PopupMenuSortColumnAsc->actions().size())
                   .arg(Form->PopupMenuSortColumnDesc->actions().size()).arg(Form->TB_QUICKSERACHFROM->count()) + Form->StatusText(0);
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
    EXPECT_EQ((std::tuple{workingDuring, refusedDuring, progressShown, progressStays, Form->ProgressForm->isVisible()}),
              (std::tuple{true, true, true, true, false}));
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Some work is doing..."));

    EXPECT_EQ(Columns(), QStringLiteral("NAME [C] |DAY [D] |AMOUNT [N]  3 3 3 Field Count:3"));
    EXPECT_EQ((std::tuple{Rows(), Cell(0, 0), Cell(299, 2), Form->CurRecNo, Form->IsLoadOver()}),
              (std::tuple{size_t(300), firstName, QStringLiteral("1.50"), 7, true}));
    EXPECT_EQ(Form->MainListView->columnWidth(1), 140);  // widths kept; the new column gets the default
    EXPECT_EQ(Form->MainListView->columnWidth(2), 100);

    // Delete the first two columns.
    WhenShown<TFormFieldDelete>([](TFormFieldDelete& d) {
        d.clbFields->SetChecked(0, true);
        d.clbFields->SetChecked(1, true);
        d.BitBtn1Click();
    });
    Form->M6_FIELDDELETEClick();
    ASSERT_TRUE(WaitChanged());
    EXPECT_EQ(Columns(), QStringLiteral("AMOUNT [N]  1 1 1 Field Count:1"));
    EXPECT_EQ(Cell(5, 0), QStringLiteral("1.50"));

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
    const std::pair<bool*, const char*> modes[] = {{&Form->Rows->UsingFilter, "Apply Filter"},
                                                   {&Form->HideDeleted, "Hide Deleted Records"},
                                                   {&Form->ShowOnlyDeleted, "Only Show Deleted Records"}};
    for (const auto& [flag, mode] : modes) {
        const std::string text = "Can not do this job in \"" + std::string(mode) + "\" mode.";
        *flag = true;
        Form->M6_FIELDADDClick();
        EXPECT_EQ(Boxes.Asked.back().Text.toStdString(), text);
        Form->M6_FIELDDELETEClick();
        EXPECT_EQ(Boxes.Asked.back().Text.toStdString(), text);
        *flag = false;
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
    EXPECT_EQ(Columns(), QStringLiteral("NAME [C] |DAY [D]  2 2 2 Field Count:2"));
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
    EXPECT_EQ(Columns(), QStringLiteral("NAME [C] |DAY [D] |NOTE [M]  3 3 3 Field Count:3"));
    EXPECT_EQ(Form->CurDBF->GetVersion(), 0x83);
    EXPECT_TRUE(std::filesystem::exists(Dir.Path("made.dbt")));
}
