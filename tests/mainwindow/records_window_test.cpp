// The record commands and the clipboard in the main window: the questions they ask, the
// selection they leave, the counts they show, and the list loaded again when the table fails.
#include "common/bytetext.h"
#include "common/errortext.h"
#include "common/recordcommands.h"

#include "window_fixture.h"
#include "common/records_testutil.h"

namespace {

class RecordsWindowTest : public wintest::WindowTest {
protected:
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
        wintest::Drain();
        ASSERT_TRUE(Form->MainListView->hasFocus());
    }
    std::string Names() { return rectest::Names(Form->CurDBF->FileName); }
    std::string Mismatch() { return rectest::Mismatch(*Form->CurDBF, *Form->Rows); }
    QString Clip() const { return QApplication::clipboard()->text(); }
    QString Panel() const { return Form->PanelRecNum->text(); }
};

}  // namespace

TEST_F(RecordsWindowTest, MarksMoveTheSelectionAndRemovingMarkedAndZapReload) {
    OpenLoaded(Table("t.dbf", 6, 0));
    Form->ListViewGoToRec(1);
    Form->M6_DELETEClick();
    Form->M6_DELETEClick();
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});  // one row: the selection moves down
    Form->ListViewGoToRec(6);
    Form->M6_DELETEClick();  // the last row: the selection stays
    EXPECT_EQ(SelectedRows(), std::vector<int>{5});
    Select({1, 3, 4});
    Form->M6_DELETEClick();  // several rows: none stays selected
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Names(), "r1*,r2,r3,r4*,r5*,r6*,");
    EXPECT_EQ(Mismatch(), "");
    Form->M6_SETALLDELFLG_FClick();
    Select({1, 3});
    Form->M6_DELETEClick();

    ScriptedMsgBox script;
    script.Answer(mrYes);
    script.Answer(mrYes);
    Form->M6_DELETEBYDELFLAGClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Names(), "r1,r3,r5,r6,");
    EXPECT_EQ(Rows(), 4u);
    Form->M6_ZAPClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Names(), "");
    Form->M6_ZAPClick();  // nothing left: no question
    EXPECT_EQ(script.Asked.size(), 2u);
}

TEST_F(RecordsWindowTest, RemoveAndTruncateAskFirst) {
    OpenLoaded(Table("t.dbf", 10, 0));
    ScriptedMsgBox script;
    Form->M6_TRUNCATEClick();  // nothing selected, then the last row: no question
    Select({9});
    Form->M6_TRUNCATEClick();
    EXPECT_TRUE(script.Asked.empty());
    script.Answer(mrNo);
    script.Answer(mrYes, true);
    script.Answer(mrYes);
    Select({1, 4});
    Form->M6_DELETERECClick();
    Form->M6_DELETERECClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Remove selected records [ total 2 records ]?"));
    EXPECT_FALSE(Option->AlwayShowDelSelRec);
    EXPECT_EQ(Form->StatusText(1) + Form->StatusText(2) + Panel(),
              QStringLiteral("Record Count:8Current Record Number:-1OnShow/Total:8/8"));
    Select({5});
    Form->M6_TRUNCATEClick();
    EXPECT_EQ(Names(), "r1,r3,r4,r6,r7,r8,");
    Select({0});
    Form->M6_DELETERECClick();  // no longer asks
    EXPECT_EQ(script.Asked.size(), 3u);
    EXPECT_EQ(Names(), "r3,r4,r6,r7,r8,");
    EXPECT_EQ(Panel(), QStringLiteral("OnShow/Total:5/5"));
    EXPECT_EQ(Mismatch(), "");
}

TEST_F(RecordsWindowTest, SelectAllAsksAboveTenThousandRows) {
    ScriptedMsgBox script;
    OpenLoaded(Table("ten.dbf", 10000, 0));
    Form->M3_SELALLRECClick();
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_EQ(Form->MainListView->selectionModel()->selectedRows().size(), 10000);
    OpenLoaded(Table("more.dbf", 10001, 0));
    Form->M3_SELALLRECClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Record count is large... Continue?"));
    EXPECT_FALSE(Form->MainListView->selectionModel()->hasSelection());  // no Yes
}

TEST_F(RecordsWindowTest, HideAndShowOnlyDeletedAndTheReloadBack) {
    OpenLoaded(Table("t.dbf", 9));
    Form->M2_HIDEDELRECClick();
    EXPECT_EQ(Rows(), 6u);
    EXPECT_TRUE(Form->M2_HIDEDELREC->isChecked() && !Form->M2_SHOWDELREC->isEnabled());
    EXPECT_EQ(Panel(), QStringLiteral("OnShow/Total:6/9"));
    Form->M2_HIDEDELRECClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 9u);
    EXPECT_FALSE(Form->HideDeleted || Form->M2_HIDEDELREC->isChecked() || !Form->M2_SHOWDELREC->isEnabled());
    Form->M2_SHOWDELRECClick();
    EXPECT_EQ(Rows(), 3u);
    EXPECT_TRUE(Form->ShowOnlyDeleted && !Form->M2_HIDEDELREC->isEnabled());
    // Turning the view off loads the table again, even when nothing was hidden.
    OpenLoaded(Table("plain.dbf", 4, 0));
    Form->M2_HIDEDELRECClick();
    wintest::MakeTable(Dir.Path("plain.dbf"), 5, 0);
    Form->M2_HIDEDELRECClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 5u);
    // Pasted records keep their marks, and a view that hides deleted records hides them.
    OpenLoaded(Table("t.dbf", 9));
    Form->M3_SELALLRECClick();
    FocusList();
    Form->M3_COPYClick();
    Form->M2_HIDEDELRECClick();
    Form->M3_PASTEClick();
    EXPECT_EQ(Rows(), 12u);
    EXPECT_EQ(Form->CurDBF->GetRecordCount(), 18u);
    EXPECT_EQ(rectest::Mismatch(*Form->CurDBF, *Form->Rows, false), "");
}

TEST_F(RecordsWindowTest, CopyCutPasteAndAppend) {
    OpenLoaded(Table("t.dbf", 10, 0));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    Select({8, 1, 4});
    Form->M3_COPYClick();  // the list has no focus: nothing
    EXPECT_EQ(Clip(), QStringLiteral("before"));
    FocusList();
    Form->M3_COPYClick();
    EXPECT_TRUE(Clip().endsWith(
        QStringLiteral("\r\n3\r\n\tr2      \t        \r\n\tr5      \t20240105\r\n\tr9      \t20240105")));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4, 8}));

    ScriptedMsgBox script;
    script.Answer(mrYes);
    Select({0, 3});
    Form->M3_CUTClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_TRUE(Clip().endsWith(QStringLiteral("\r\n2\r\n\tr1      \t20240105\r\n\tr4      \t        ")));
    EXPECT_EQ(Names(), "r2,r3,r5,r6,r7,r8,r9,r10,");
    EXPECT_EQ(Form->StatusText(2) + Panel(), QStringLiteral("Current Record Number:-1OnShow/Total:8/8"));
    Form->M3_PASTEClick();
    EXPECT_EQ(Names(), "r2,r3,r5,r6,r7,r8,r9,r10,r1,r4,");
    EXPECT_EQ(Form->StatusText(1) + Panel(), QStringLiteral("Record Count:10OnShow/Total:10/10"));

    wintest::MakeTable(Dir.Path("SRC.DBF"), 2, 0);
    Form->AppendFromFile(Q(Dir.Path("src.txt")));  // neither a table nor a worksheet: nothing
    Form->AppendFromFile(Q(Dir.Path("SRC.DBF")));
    EXPECT_EQ(Names(), "r2,r3,r5,r6,r7,r8,r9,r10,r1,r4,r1,r2,");
    EXPECT_EQ(Mismatch(), "");

    // What paste cannot take whole is refused with a message and writes nothing.
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    const QString head = QStringLiteral("Vellibrox - Copy Data\r\n2\r\nNAME C 8 0\r\nDAY D 8 0\r\n");
    for (const QString& text : {QStringLiteral("just some text"), head + QStringLiteral("2\r\n\tx\t20240101"),
                                head + QStringLiteral("1\r\n\t\u4E2Dx\t20240101")}) {
        QApplication::clipboard()->setText(text);
        Form->M3_PASTEClick();
    }
    ASSERT_EQ(script.Asked.size(), 3u);  // not our text: nothing said
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("The clipboard announces 2 records but holds 1. Nothing was pasted."));
    EXPECT_EQ(script.Asked[2].Text, CannotHoldMessage(QStringLiteral("\u4E2D")));
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
}

// Cut removes only records that paste gives back as they stood: a real address holding CR LF
// goes and comes back byte for byte (but for its new memo reference); a record whose memo
// cannot be read stays, copied.
TEST_F(RecordsWindowTest, CutTakesOnlyWhatPasteGivesBackAsItStood) {
    vxtest::CopyFixture(Dir, "foxprodb/contacts.FPT");
    const std::string path = vxtest::CopyFixture(Dir, "foxprodb/contacts.dbf");
    {
        TDBF d;  // record 2's memo reference points past the end of the memo file
        d.SetFileName(path);
        d.Open();
        d.Go(2);
        d.Edit();
        d.FieldByName("NOTES")->SetMemoBlock(1 << 20);
        d.Post();
    }
    OpenLoaded(Q(path));
    auto texts = [this](size_t position) {  // a row's texts: the address with its CR LF, the memo
        const TDataRow* row = (*Form->DataList())[position];
        std::string all;
        for (size_t i = 0; i < row->FieldCount(); ++i) all += "|" + std::string(row->Text(i));
        return all;
    };
    const std::string before = vxtest::ReadAll(path), first = texts(0);
    FocusList();
    Option->AlwayShowCut = false;
    ScriptedMsgBox script;
    Select({1});
    Form->M3_CUTClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Record 2, field NOTES: its memo cannot be read whole. Nothing was "
                                                   "cut; the records were copied."));
    EXPECT_EQ(vxtest::ReadAll(path), before);
    Select({0});
    Form->M3_CUTClick();
    Form->M3_PASTEClick();
    EXPECT_EQ(script.Asked.size(), 1u);
    ASSERT_EQ(Rows(), 5u);
    EXPECT_EQ(Mismatch(), "");
    EXPECT_EQ(texts(4), first);
    EXPECT_NE(first.find("\r\n"), std::string::npos);
}

TEST_F(RecordsWindowTest, ATableThatFailsUnderACommandIsLoadedAgain) {
    OpenLoaded(Table("t.dbf", 6, 0));
    FocusList();
    Option->AlwayShowCut = false;
    Option->AlwayShowDelSelRec = false;
    ScriptedMsgBox script;
    // A cut whose removal fails: the text is on the clipboard, the list is the file's again.
    records::FaultHook = [](const char* command) {
        if (std::string(command) == "remove") throw std::runtime_error("t.dbf - Error in write DBF!");
    };
    Select({1});
    Form->M3_CUTClick();
    records::FaultHook = nullptr;
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("t.dbf - Error in write DBF!"));
    EXPECT_TRUE(Clip().endsWith(QStringLiteral("\r\n1\r\n\tr2      \t        ")));
    ASSERT_TRUE(WaitLoaded());
    {
        TDBF other;  // another program cuts the table behind the list's back
        other.SetFileName(Dir.Path("t.dbf"));
        other.Open();
        other.SetRecordCount(4);
    }
    // The row's record is gone: the command is refused, nothing is written and the list
    // stays until the user refreshes it.
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    Select({5});
    Form->M6_DELETERECClick();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text.toStdString(), Dir.Path("t.dbf") + EDBFRecordsChanged::Text);
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
    EXPECT_EQ(Rows(), 6u);
    Select({4});
    Form->M6_DELETEClick();  // a mark of a record gone: the same refusal, the row unmarked
    ASSERT_EQ(script.Asked.size(), 3u);
    EXPECT_EQ(script.Asked[2].Text, script.Asked[1].Text);
    EXPECT_FALSE(Form->DataList()->At(4)->Deleted());
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
    Form->M2_REFRESHClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 4u);
    EXPECT_EQ(Mismatch(), "");

    // Another program changes the structure: a command fails with the message, and the clock
    // loads the table again once no dialog is open; one deletes the file: a command says so.
    const int fields = Form->CurDBF->FieldCount;
    {
        TDBF other;
        other.SetFileName(Dir.Path("t.dbf"));
        other.Open();
        other.AddField("MORE", 'C', 2, 0, "");
    }
    EXPECT_EQ(FailureOf([&] { Form->CurDBF->Go(1); }), EDBFStructureChanged::Text);
    Form->MainTimerTimer();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Form->CurDBF->FieldCount, fields + 1);
    EXPECT_EQ(Mismatch(), "");
    std::filesystem::remove(Dir.Path("t.dbf"));
    Select({0});
    Form->M6_DELETEClick();
    EXPECT_EQ(script.Asked.back().Text.toStdString(), Dir.Path("t.dbf") + dbftext::TableDeleted);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("t.dbf")));
}

TEST_F(RecordsWindowTest, AGoneFileRefusesEveryWriteFirstAndAloneAndTheListStays) {
    OpenLoaded(Table("t.dbf", 6, 0));
    const std::string path = Dir.Path("t.dbf");
    std::filesystem::remove(path);
    int dialogs = 0;  // a command's dialog that opens anyway is counted and closed
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) ++dialogs, w->close();
    });
    closer.start(50);
    ScriptedMsgBox script;
    for (void (TFormMain::*command)() :
         {&TFormMain::M6_DELETEClick, &TFormMain::M6_SETALLDELFLG_TClick, &TFormMain::M6_DELETERECClick,
          &TFormMain::M6_ZAPClick, &TFormMain::M6_EDITClick, &TFormMain::M6_APPENDClick,
          &TFormMain::M6_FIELDADDClick, &TFormMain::M6_FIELDDELETEClick, &TFormMain::M2_REFRESHClick}) {
        Select({2});
        script.Asked.clear();
        (Form.get()->*command)();
        ASSERT_EQ(script.Asked.size(), 1u);
        const bool refresh = command == &TFormMain::M2_REFRESHClick;  // no write: it says the list stays
        EXPECT_EQ(script.Asked[0].Text.toStdString(), refresh ? path + " - The table's file was deleted or renamed after "
                                                                       "the table was opened. The list still shows the "
                                                                       "table; save it as another file to keep it."
                                                              : path + dbftext::TableDeleted);
        EXPECT_TRUE(Form->CurDBF && Form->CurDBF->Active && Rows() == 6 && Form->ListModel->rowCount() == 6);
    }
    EXPECT_EQ(dialogs, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    Table("t.dbf", 2, 0);  // a file put at the path loads on Refresh
    Form->M2_REFRESHClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 2u);
}
