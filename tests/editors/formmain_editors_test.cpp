// The editor commands of the main window. The field commands and File > New: refusals, the
// dialogs answered as a user would, the list after a change, commands refused while the worker
// runs, and a change that fails. The record commands that open the record forms.
#include "editors/fieldeditorthread.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formprogress.h"
#include "editors/recordforms.h"
#include "common/codepage.h"
#include "mainwindow/loadwindow_fixture.h"
#include "controls/flatchecklistbox.h"
#include "editortest.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
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

    // A fill value the field refuses is quoted in the program's code page.
    const int saved = vx::CurrentCodePage().Number();
    ASSERT_TRUE(vx::SetCodePage(1251));
    Form->StartFieldAdd({"QTY", 'I', 4, 0, "\xF7\xE0\xE9"});
    ASSERT_TRUE(WaitChanged());
    ASSERT_TRUE(WaitLoaded());
    vx::SetCodePage(saved);
    EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("'\u0447\u0430\u0439' is not a valid integer value"));
    EXPECT_EQ(structtest::Snapshot(Dir.Root()), before);
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

// ---- The record commands ----

namespace {

class EditorCommands : public lvtest::WindowTest {
protected:
    // Once the record form is shown modally: types `name` into its first input, applies and
    // closes it.
    template <class Form>
    static void Type(const QString& name) {
        QTimer::singleShot(0, [name] {
            auto* f = qobject_cast<Form*>(QApplication::activeModalWidget());
            ASSERT_TRUE(f);
            f->FieldRows[0].Edit->setText(name);
            EXPECT_TRUE(f->BitBtn3Click());
            f->BitBtn2->click();
        });
    }
};

}  // namespace

TEST_F(EditorCommands, EditAsksForASelectionAndConfirmation) {
    vx::SetCodePage(1252);  // "\u00e9" is a character of this page
    Form->Open(Table("t.dbf", 5, 0));
    ASSERT_TRUE(WaitLoaded());
    ScriptedMsgBox boxes;
    Form->M6_EDITClick();
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Caption + boxes.Asked[0].Text, QStringLiteral("InformationPlease select one record first."));

    Form->ListViewGoToRec(2);
    Option->AlwayShowEdit = true;
    boxes.Answer(mrNo);
    Form->MainListViewDblClick();  // a double click is Edit
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_TRUE(boxes.Asked[1].Text == QStringLiteral("Edit?") && boxes.Asked[1].ShowCheckBox);

    boxes.Answer(mrYes, true);
    Type<TFormEditRecord>(QStringLiteral("\u00e9dit"));
    Form->M6_EDITClick();
    EXPECT_FALSE(Option->AlwayShowEdit);
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Edit Succeed."));
    // The row shows exactly what loading the table again shows.
    const QString edited[] = {Cell(1, 0), Cell(1, 1)};
    EXPECT_EQ(edited[0], QStringLiteral("\u00e9dit"));
    Form->Open(Form->FileName);
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Cell(1, 0), edited[0]);
    EXPECT_EQ(Cell(1, 1), edited[1]);
}

TEST_F(EditorCommands, AppendAndInsertUpdateTheListAndCounts) {
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    ScriptedMsgBox boxes;
    Type<TFormAddRecord>(QStringLiteral("new"));
    Form->M6_APPENDClick();
    EXPECT_EQ(Cell(3, 0), QStringLiteral("new"));
    EXPECT_EQ(Selected(), 3);
    EXPECT_EQ(Form->StatusText(1), QStringLiteral("Record Count:4"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:4/4"));

    Form->ListViewGoToRec(2);
    Type<TFormInsertRecord>(QStringLiteral("ins"));
    Form->M6_INSERTClick();
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Insert Succeed."));
    EXPECT_EQ(Cell(1, 0) + Cell(2, 0), QStringLiteral("insr2"));
    EXPECT_EQ(Form->GetDataIndex(2), 3);
    EXPECT_EQ(Selected(), 1);
    EXPECT_TRUE(Form->ItemCount() == 5 && Form->IsLoadOver());

    // A table open read-only offers no editing.
    Form->CurDBF->Close();
    Form->CurDBF->SetReadOnly(true);
    Form->CurDBF->Open();
    const size_t asked = boxes.Asked.size();
    for (auto command : {&TFormMain::M6_EDITClick, &TFormMain::M6_APPENDClick, &TFormMain::M6_INSERTClick}) {
        (Form.get()->*command)();
        EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("The table is open read-only, so it cannot be changed."));
    }
    EXPECT_EQ(boxes.Asked.size(), asked + 3);
}

TEST_F(EditorCommands, NoRecordFormOpensOnceAnotherProgramChangedTheStructure) {
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    Form->ListViewGoToRec(2);
    Option->AlwayShowEdit = false;
    TDBF other;
    other.SetFileName(Dir.Path("t.dbf"));
    other.Open();
    other.AddField("MORE", 'C', 2, 0, "");
    const std::string bytes = vxtest::ReadAll(Dir.Path("t.dbf"));
    ScriptedMsgBox boxes;
    int shown = 0;  // a form shown anyway is counted and closed
    for (auto command : {&TFormMain::M6_EDITClick, &TFormMain::M6_APPENDClick, &TFormMain::M6_INSERTClick}) {
        QTimer::singleShot(0, [&shown] {
            if (auto* f = qobject_cast<TFormRecord*>(QApplication::activeModalWidget())) ++shown, f->reject();
        });
        boxes.Asked.clear();
        (Form.get()->*command)();
        ASSERT_EQ(boxes.Asked.size(), 1u);
        EXPECT_EQ(boxes.Asked[0].Text.toStdString(), EDBFStructureChanged::Text);
        EXPECT_EQ(boxes.Asked[0].Owner, Form.get());  // over the main window, not the form never shown
    }
    lvtest::Drain();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), bytes);
}

// Once a record form shows, its messages are its own.
TEST_F(EditorCommands, AShownRecordFormSpeaksOverItself) {
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    Form->ListViewGoToRec(2);
    Option->AlwayShowEdit = false;
    ScriptedMsgBox boxes;
    bool own = false;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<TFormEditRecord*>(QApplication::activeModalWidget());
        ASSERT_TRUE(f);
        f->BitBtn3Click();
        own = boxes.Asked.back().Owner == f;
        f->BitBtn2->click();
    });
    Form->M6_EDITClick();
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Edit Succeed."));
    EXPECT_TRUE(own);
}
