// The main window's find, filter and sort commands on a loaded table.
#include "window_fixture.h"

#include "controls/flatchecklistbox.h"
#include "editors/formcolumns.h"

namespace {

class FindWindowTest : public wintest::WindowTest {
protected:
    // Opens a table of `records` rows "r1".."rN" and waits for them.
    void Load(uint32_t records) {
        Form->Open(Table("t.dbf", records, 0));
        ASSERT_TRUE(WaitLoaded());
    }
};

}  // namespace

TEST_F(FindWindowTest, FindNextAtTheEndsAndWithoutSelection) {
    Load(12);
    ScriptedMsgBox boxes;
    Form->FindOptions.Text = "R1";  // r1, r10, r11, r12 ignoring case
    Form->FindOptions.FieldIndex = 0;
    Form->FindOptions.Direction = 1;
    Form->FindNext();  // nothing selected: from the first row, whatever the direction
    EXPECT_EQ(Selected(), 0);
    EXPECT_TRUE(boxes.Asked.empty());
    Form->FindOptions.Direction = 0;
    Form->FindNext();
    EXPECT_EQ(Selected(), 9);  // r10
    Form->ListViewGoToRec(12);
    Form->FindNext();  // down from the last row
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Search string not found!"));
    EXPECT_EQ(Selected(), 11);  // not moved
    Form->FindOptions.Direction = 1;
    Form->FindNext();  // up from r12: r11
    EXPECT_EQ(Selected(), 10);
}

TEST_F(FindWindowTest, QuickSearchGoesDownIgnoringCaseAndKeepsHistory) {
    Load(5);
    Form->FindOptions.Direction = 1;
    Form->FindOptions.Match = MatchWholeField;
    Form->TB_QUICKSERACHKEY->setEditText(QStringLiteral("R3"));
    Form->TB_QUICKSERACHFROM->setCurrentIndex(0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(Form->TB_QUICKSERACHKEY->lineEdit(), &enter);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Form->FindOptions.Direction, 0);
    EXPECT_EQ(Form->FindOptions.Match, MatchAnyPart);
    EXPECT_EQ(Form->TB_QUICKSERACHKEY->itemText(0), QStringLiteral("R3"));
    EXPECT_EQ(vxtest::ReadAll(vx::FindHistoryPath()), "R3\n");
}

TEST_F(FindWindowTest, HeaderClicksFlipTheDirectionAcrossColumns) {
    Load(12);
    QHeaderView* header = Form->MainListView->horizontalHeader();
    auto click = [&](int column) {
        vxtest::Click(header->viewport(), QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    Form->MainListView->resize(600, 300);
    Form->show();
    click(0);
    EXPECT_TRUE(Form->SortAscending);
    EXPECT_EQ(Cell(0, 0) + Cell(1, 0), QStringLiteral("r1r10"));
    EXPECT_EQ(Selected(), 0);
    click(0);
    EXPECT_FALSE(Form->SortAscending);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("r9"));
    // A first click on the other column sorts it ascending: blank dates first, rows that
    // compare equal in the order the last sort left them.
    click(1);
    EXPECT_TRUE(Form->SortAscending);
    EXPECT_EQ(Cell(0, 0) + Cell(11, 0), QStringLiteral("r8r1"));
}

TEST_F(FindWindowTest, FilterToggleAndUndo) {
    Load(12);
    ScriptedMsgBox boxes;
    Form->M6_DOFILTER->trigger();  // nothing defined: the list stays
    EXPECT_EQ(Rows(), 12u);
    EXPECT_FALSE(Form->M6_DOFILTER->isChecked());
    Form->FilterList = {{{"NAME", 7, "1"}}};
    Form->M6_DOFILTER->trigger();
    EXPECT_EQ(Rows(), 4u);
    EXPECT_EQ(Form->ItemCount(), 4);
    EXPECT_TRUE(Form->M6_DOFILTER->isChecked() && Form->TB_DOFILTER->isChecked());
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:4/12"));
    Form->M6_DOFILTER->trigger();
    EXPECT_EQ(Rows(), 12u);
    EXPECT_FALSE(Form->TB_DOFILTER->isChecked());
    EXPECT_EQ(Form->GetFilterItem(0, 0).Value, "1");  // the definition stays
    EXPECT_TRUE(boxes.Asked.empty());
    Form->M6_DOFILTER->trigger();
    Form->Open(Table("u.dbf", 3, 0));  // a new table forgets the filter
    ASSERT_TRUE(WaitLoaded());
    EXPECT_FALSE(Form->IsHasFilter());
    EXPECT_FALSE(Form->M6_DOFILTER->isChecked());
}

TEST_F(FindWindowTest, ReplaceRefusesAReadOnlyTable) {
    Load(3);
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    // The same table open read-only (permissions do not stop the tests' user).
    Form->CurDBF->Close();
    Form->CurDBF->SetReadOnly(true);
    Form->CurDBF->Open();
    ScriptedMsgBox boxes;
    Form->FindOptions.Text = "r";
    Form->FindOptions.ReplaceText = "x";
    Form->Replace();
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_NE(boxes.Asked[0].Text.indexOf(QStringLiteral("read-only")), -1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("r1"));
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
}

TEST_F(FindWindowTest, HidingEveryColumnThenShowingOneGivesWidth100) {
    Load(3);
    Form->MainListView->setColumnWidth(1, 60);
    auto answer = [](std::function<void(TFormColumns*)> act) {
        QTimer::singleShot(0, [act] {
            if (auto* form = qobject_cast<TFormColumns*>(QApplication::activeModalWidget())) act(form);
        });
    };
    answer([](TFormColumns* f) {
        f->ButtonNotAllClick();
        f->BitBtn1Click();
    });
    Form->M2_COLUMNSClick();
    EXPECT_EQ(Form->MainListView->columnWidth(0), 0);
    EXPECT_EQ(Form->MainListView->columnWidth(1), 0);
    answer([](TFormColumns* f) {
        f->clbColumns->SetChecked(1, true);
        f->BitBtn1Click();
    });
    Form->M2_COLUMNSClick();
    EXPECT_EQ(Form->MainListView->columnWidth(0), 0);
    EXPECT_EQ(Form->MainListView->columnWidth(1), 100);
}
