// The record commands and the clipboard in the main window: the questions they ask, the
// selection they leave, the counts they show, and the list loaded again when the table fails.
#include "app/bytetext.h"
#include "app/recordcommands.h"

#include "loadwindow_fixture.h"
#include "records_testutil.h"

#include <QClipboard>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTableView>

#include <stdexcept>

using lvtest::WindowTest;

namespace {

class RecordsWindowTest : public WindowTest {
protected:
    void OpenLoaded(const QString& path) {
        Form->Open(path);
        ASSERT_TRUE(WaitLoaded());
    }
    void Select(std::initializer_list<int> rows) {
        auto* sel = Form->MainListView->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(Form->ListModel->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<int> SelectedRows() const {
        std::vector<int> out;
        for (const QModelIndex& i : Form->MainListView->selectionModel()->selectedRows()) out.push_back(i.row());
        std::sort(out.begin(), out.end());
        return out;
    }
    void FocusList() {
        Form->show();
        Form->activateWindow();
        Form->MainListView->setFocus();
        lvtest::Drain();
        ASSERT_TRUE(Form->MainListView->hasFocus());
    }
    std::string Names() {
        TDBF d;
        d.SetFileName(Form->CurDBF->FileName);
        d.SetReadOnly(true);
        d.Open();
        std::string s;
        for (uint32_t r = 1, n = d.GetRecordCount(); r <= n; ++r) {
            d.Go(r);
            s += d.GetField(0)->GetAsTrimmedString() + (d.GetDeleted() ? "*" : "") + ",";
        }
        return s;
    }
    std::string Mismatch() { return rectest::Mismatch(*Form->CurDBF, *Form->Rows); }
    QString Clip() const { return QApplication::clipboard()->text(); }
};

}  // namespace

TEST_F(RecordsWindowTest, ToggleMovesTheSelectionDownAfterOneRow) {
    OpenLoaded(Table("t.dbf", 6, 0));
    Form->ListViewGoToRec(1);
    Form->M6_DELETEClick();
    Form->M6_DELETEClick();
    EXPECT_EQ(Names(), "r1*,r2*,r3,r4,r5,r6,");
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
    Form->ListViewGoToRec(6);
    Form->M6_DELETEClick();  // the last row: the selection stays on it
    EXPECT_EQ(SelectedRows(), std::vector<int>{5});
    Select({1, 3, 4});
    Form->M6_DELETEClick();
    EXPECT_EQ(Names(), "r1*,r2,r3,r4*,r5*,r6*,");
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, RemoveSelectedAsksWithTheCountAndRenumbers) {
    OpenLoaded(Table("t.dbf", 6, 0));
    ScriptedMsgBox script;
    script.Answer(mrNo);
    Select({1, 4});
    Form->M6_DELETERECClick();
    EXPECT_EQ(Rows(), 6u);
    script.Answer(mrYes, true);
    Form->M6_DELETERECClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Remove selected records [ total 2 records ]?"));
    EXPECT_TRUE(script.Asked[1].ShowCheckBox);
    EXPECT_FALSE(Option->AlwayShowDelSelRec);
    EXPECT_EQ(Names(), "r1,r3,r4,r6,");
    EXPECT_EQ(Form->StatusText(1), QStringLiteral("Record Count:4"));
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:-1"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:4/4"));
    EXPECT_EQ(Form->ListModel->rowCount(), 4);
    EXPECT_TRUE(SelectedRows().empty());
    Select({0});
    Form->M6_DELETERECClick();  // no longer asks
    EXPECT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(Names(), "r3,r4,r6,");
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, TruncateAsksOnlyWhenRowsLieBelowTheSelection) {
    OpenLoaded(Table("t.dbf", 10, 0));
    ScriptedMsgBox script;
    Form->M6_TRUNCATEClick();
    Select({9});
    Form->M6_TRUNCATEClick();
    EXPECT_TRUE(script.Asked.empty());
    script.Answer(mrNo);
    script.Answer(mrYes);
    Select({6});
    Form->M6_TRUNCATEClick();
    EXPECT_EQ(Rows(), 10u);
    Form->M6_TRUNCATEClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Truncate?"));
    EXPECT_EQ(Names(), "r1,r2,r3,r4,r5,r6,r7,");
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:7/7"));
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, SelectAllAsksAboveTenThousandRows) {
    ScriptedMsgBox script;
    OpenLoaded(Table("ten.dbf", 10000, 0));
    Form->M3_SELALLRECClick();
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_EQ(Form->MainListView->selectionModel()->selectedRows().size(), 10000);
    OpenLoaded(Table("more.dbf", 10001, 0));
    script.Answer(mrNo);
    Form->M3_SELALLRECClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Record count is large... Continue?"));
    EXPECT_FALSE(Form->MainListView->selectionModel()->hasSelection());
    script.Answer(mrYes);
    Form->M3_SELALLRECClick();
    EXPECT_EQ(Form->MainListView->selectionModel()->selectedRows().size(), 10001);
}

TEST_F(RecordsWindowTest, HideAndShowOnlyDeletedAndTheReloadBack) {
    OpenLoaded(Table("t.dbf", 9));
    Form->M2_HIDEDELRECClick();
    EXPECT_EQ(Rows(), 6u);
    EXPECT_TRUE(Form->HideDeleted);
    EXPECT_TRUE(Form->M2_HIDEDELREC->isChecked());
    EXPECT_FALSE(Form->M2_SHOWDELREC->isEnabled());
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:6/9"));
    EXPECT_EQ(Mismatch(), "6 rows for 9 records");  // only the rows that left are missing
    Form->M2_HIDEDELRECClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 9u);
    EXPECT_FALSE(Form->HideDeleted || Form->ShowOnlyDeleted);
    EXPECT_FALSE(Form->M2_HIDEDELREC->isChecked());
    EXPECT_TRUE(Form->M2_SHOWDELREC->isEnabled());

    Form->M2_SHOWDELRECClick();
    EXPECT_EQ(Rows(), 3u);
    EXPECT_FALSE(Form->M2_HIDEDELREC->isEnabled());
    EXPECT_TRUE(Form->M2_SHOWDELREC->isChecked());
    Form->M2_SHOWDELRECClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 9u);

    // Turning the view off loads the table again even when nothing was hidden.
    OpenLoaded(Table("plain.dbf", 4, 0));
    Form->M2_HIDEDELRECClick();
    EXPECT_EQ(Rows(), 4u);
    lvtest::MakeTable(Dir.Path("plain.dbf"), 5, 0);
    Form->M2_HIDEDELRECClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 5u);
}

TEST_F(RecordsWindowTest, CopyNeedsTheListsFocusAndKeepsTheSelection) {
    OpenLoaded(Table("t.dbf", 10, 0));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    Select({1, 4, 8});
    Form->show();
    Form->activateWindow();
    Form->TB_QUICKSERACHKEY->setFocus();
    lvtest::Drain();
    Form->M3_COPYClick();
    EXPECT_EQ(Clip(), QStringLiteral("before"));
    FocusList();
    Form->MainListView->selectionModel()->clearSelection();
    Form->M3_COPYClick();
    EXPECT_EQ(Clip(), QStringLiteral("before"));
    Select({8, 1, 4});
    Form->M3_COPYClick();
    EXPECT_TRUE(Clip().endsWith(QStringLiteral("\r\n3\r\n\tr2      \t        \r\n\tr5      \t20240105\r\n\tr9      \t20240105")))
        << Clip().toStdString();
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4, 8}));
}

TEST_F(RecordsWindowTest, CutAsksThenMovesTheRecordsToTheClipboard) {
    OpenLoaded(Table("t.dbf", 5, 0));
    FocusList();
    ScriptedMsgBox script;
    script.Answer(mrNo);
    Select({0, 3});
    Form->M3_CUTClick();
    EXPECT_EQ(Rows(), 5u);
    script.Answer(mrYes);
    Form->M3_CUTClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Cut record and copy data to clipboard? This operate can not undo."));
    EXPECT_TRUE(script.Asked[0].ShowCheckBox);
    EXPECT_TRUE(Clip().endsWith(QStringLiteral("\r\n2\r\n\tr1      \t20240105\r\n\tr4      \t        ")));
    EXPECT_EQ(Names(), "r2,r3,r5,");
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:-1"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:3/3"));
    EXPECT_EQ(Mismatch(), "");

    // Pasting them back appends them; the list scrolls to them.
    Form->M3_PASTEClick();
    EXPECT_EQ(Names(), "r2,r3,r5,r1,r4,");
    EXPECT_EQ(Form->StatusText(1), QStringLiteral("Record Count:5"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:5/5"));
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, CutThatFailsLeavesTheTextAndLoadsTheListAgain) {
    OpenLoaded(Table("t.dbf", 5, 0));
    FocusList();
    Option->AlwayShowCut = false;
    ScriptedMsgBox script;
    records::FaultHook = [](const char* command) {
        if (std::string(command) == "remove") throw std::runtime_error("t.dbf - Error in write DBF!");
    };
    Select({1});
    Form->M3_CUTClick();
    records::FaultHook = nullptr;
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("t.dbf - Error in write DBF!"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_TRUE(Clip().endsWith(QStringLiteral("\r\n1\r\n\tr2      \t        ")));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 5u);
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, PasteRefusesWhatItCannotTakeWhole) {
    OpenLoaded(Table("t.dbf", 3, 0));
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    ScriptedMsgBox script;
    const QString head = QStringLiteral("Vellibrox - Copy Data\r\n2\r\nNAME C 8 0\r\nDAY D 8 0\r\n");
    QApplication::clipboard()->setText(QStringLiteral("just some text"));
    Form->M3_PASTEClick();
    EXPECT_TRUE(script.Asked.empty());
    QApplication::clipboard()->setText(head + QStringLiteral("2\r\n\tx\t20240101"));
    Form->M3_PASTEClick();
    QApplication::clipboard()->setText(head + QStringLiteral("1\r\n\t\u0192x\t20240101"));
    Form->M3_PASTEClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text,
              QStringLiteral("The clipboard announces 2 records but holds 1. Nothing was pasted."));
    EXPECT_EQ(script.Asked[1].Text, CannotHoldMessage(QStringLiteral("\u0192")));
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
    EXPECT_EQ(Rows(), 3u);
    EXPECT_TRUE(Form->MainListView->hasFocus() || !Form->isVisible());
}

TEST_F(RecordsWindowTest, ATableThatFailsUnderACommandIsLoadedAgain) {
    OpenLoaded(Table("t.dbf", 6, 0));
    Option->AlwayShowDelSelRec = false;
    {
        TDBF other;  // another program cuts the table behind the list's back
        other.SetFileName(Dir.Path("t.dbf"));
        other.Open();
        other.SetRecordCount(4);
    }
    ScriptedMsgBox script;
    Select({5});
    Form->M6_DELETERECClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text.toStdString(), Dir.Path("t.dbf") + "Record number overstep range(6)");
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 4u);
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, MarksZapAndRemovingMarkedRecords) {
    OpenLoaded(Table("t.dbf", 9));
    Form->M6_SETALLDELFLG_FClick();
    EXPECT_EQ(Names(), "r1,r2,r3,r4,r5,r6,r7,r8,r9,");
    Form->M6_SETALLDELFLG_TClick();
    EXPECT_EQ(Names(), "r1*,r2*,r3*,r4*,r5*,r6*,r7*,r8*,r9*,");
    EXPECT_EQ(Mismatch(), "");
    Select({0, 4});
    Form->M6_DELETEClick();
    ScriptedMsgBox script;
    script.Answer(mrYes);
    Form->M6_DELETEBYDELFLAGClick();
    EXPECT_EQ(script.Asked.back().Text, QStringLiteral("Remove deleted records?"));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Names(), "r1,r5,");
    EXPECT_EQ(Mismatch(), "");
    script.Answer(mrYes);
    Form->M6_ZAPClick();
    EXPECT_EQ(script.Asked.back().Text, QStringLiteral("Zap?"));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 0u);
    EXPECT_EQ(Names(), "");
    Form->M6_ZAPClick();  // nothing left: no question
    Form->M6_DELETEBYDELFLAGClick();
    EXPECT_EQ(script.Asked.size(), 2u);
}

TEST_F(RecordsWindowTest, PopupShowsTheSelectedRecordAndAppendGoesByExtension) {
    OpenLoaded(Table("t.dbf", 4, 0));
    Select({2});
    Form->MainPopupMenuPopup();
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:3[3]"));
    EXPECT_EQ(Form->CurRecNo, 3);
    Form->MainListView->selectionModel()->clearSelection();
    Form->MainPopupMenuPopup();
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:0"));
    EXPECT_EQ(Form->CurRecNo, -1);

    lvtest::MakeTable(Dir.Path("SRC.DBF"), 2, 0);
    vxtest::WriteAll(Dir.Path("src.txt"), "");
    Form->AppendFromFile(Q(Dir.Path("src.txt")));
    Form->AppendFromFile(Q(Dir.Path("src.xls")));
    EXPECT_EQ(Rows(), 4u);
    Form->AppendFromFile(Q(Dir.Path("SRC.DBF")));
    EXPECT_EQ(Names(), "r1,r2,r3,r4,r1,r2,");
    EXPECT_EQ(Mismatch(), "");
}
