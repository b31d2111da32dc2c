// The main window's commands that open the record editor forms.
#include "app/codepage.h"
#include "app/loadwindow_fixture.h"
#include "editors/recordforms.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

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
    int Selected() const {
        auto rows = Form->MainListView->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows[0].row() : -1;
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
