// The main window's commands that open the record editor forms.
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
    // Runs `act` on the record form once it is shown modally, then closes it.
    template <class Form>
    void OnForm(std::function<void(Form&)> act) {
        QTimer::singleShot(0, [act] {
            auto* f = qobject_cast<Form*>(QApplication::activeModalWidget());
            ASSERT_TRUE(f);
            act(*f);
            f->BitBtn2->click();
        });
    }
    void Load(uint32_t records) {
        Form->Open(Table("t.dbf", records, 0));
        ASSERT_TRUE(WaitLoaded());
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (const QModelIndex& i : Form->MainListView->selectionModel()->selectedRows()) rows.push_back(i.row());
        return rows;
    }
};

}  // namespace

TEST_F(EditorCommands, EditAsksForASelectionAndConfirmation) {
    Load(5);
    ScriptedMsgBox boxes;
    Form->M6_EDITClick();
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Please select one record first."));

    Form->ListViewGoToRec(2);
    Option->AlwayShowEdit = true;
    boxes.Answer(mrNo);
    Form->MainListViewDblClick();  // a double click is Edit
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[1].Text, QStringLiteral("Edit?"));
    EXPECT_TRUE(boxes.Asked[1].ShowCheckBox);

    boxes.Answer(mrYes, true);
    OnForm<TFormEditRecord>([](TFormEditRecord& f) {
        EXPECT_EQ(f.FieldRows[0].Edit->text(), QStringLiteral("r2"));
        f.FieldRows[0].Edit->setText(QStringLiteral("\u00e9dit"));
        EXPECT_TRUE(f.BitBtn3Click());
    });
    Form->M6_EDITClick();
    EXPECT_FALSE(Option->AlwayShowEdit);
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Edit Succeed."));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("\u00e9dit"));
    // The row shows exactly what loading the table again shows.
    std::vector<QString> edited;
    for (int f = 0; f < 2; ++f) edited.push_back(Cell(1, f));
    Form->Open(Form->FileName);
    ASSERT_TRUE(WaitLoaded());
    for (int f = 0; f < 2; ++f) EXPECT_EQ(Cell(1, f), edited[size_t(f)]);
}

TEST_F(EditorCommands, AppendAndInsertUpdateTheListAndCounts) {
    Load(3);
    ScriptedMsgBox boxes;
    OnForm<TFormAddRecord>([](TFormAddRecord& f) {
        f.FieldRows[0].Edit->setText(QStringLiteral("new"));
        EXPECT_TRUE(f.BitBtn3Click());
    });
    Form->M6_APPENDClick();
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Append Succeed."));
    EXPECT_EQ(Form->ItemCount(), 4);
    EXPECT_EQ(Cell(3, 0), QStringLiteral("new"));
    EXPECT_EQ(Selected(), std::vector<int>{3});
    EXPECT_EQ(Form->StatusText(1), QStringLiteral("Record Count:4"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:4/4"));

    Form->ListViewGoToRec(2);
    OnForm<TFormInsertRecord>([](TFormInsertRecord& f) {
        f.FieldRows[0].Edit->setText(QStringLiteral("ins"));
        EXPECT_TRUE(f.BitBtn3Click());
    });
    Form->M6_INSERTClick();
    EXPECT_EQ(boxes.Asked.back().Text, QStringLiteral("Insert Succeed."));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("ins"));
    EXPECT_EQ(Cell(2, 0), QStringLiteral("r2"));
    EXPECT_EQ(Form->GetDataIndex(2), 3);
    EXPECT_EQ(Selected(), std::vector<int>{1});
    EXPECT_TRUE(Form->IsLoadOver());
}

TEST_F(EditorCommands, ATableOpenedReadOnlyOffersNoEditing) {
    Load(2);
    Form->CurDBF->Close();
    Form->CurDBF->SetReadOnly(true);
    Form->CurDBF->Open();
    Form->ListViewGoToRec(1);
    ScriptedMsgBox boxes;
    Form->M6_EDITClick();
    Form->M6_APPENDClick();
    Form->M6_INSERTClick();
    ASSERT_EQ(boxes.Asked.size(), 3u);
    for (const TMsgBoxRequest& r : boxes.Asked)
        EXPECT_EQ(r.Text, QStringLiteral("The table is open read-only, so it cannot be changed."));
}
