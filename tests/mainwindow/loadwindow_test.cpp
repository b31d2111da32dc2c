// Loading a table's rows through the main window: the status texts and rows of whole loads, how often the list
// repaints, stopping, failing, re-opening, refreshing and closing while rows still arrive.
#include "window_fixture.h"

using wintest::Drain;
using wintest::WaitUntil;

namespace {

class LoadWindowTest : public wintest::WindowTest {
protected:
    // Every text the loader put in the row-count panel, in order.
    std::vector<std::string> Statuses;
    void RecordStatuses() {
        Form->OnLoadStatus = [this](const QString& t) { Statuses.push_back(t.toStdString()); };
    }
    std::vector<QAction*> EditingCommands() const {
        return {Form->M6_TRUNCATE, Form->M6_ZAP,      Form->M2_HIDEDELREC, Form->M2_SHOWDELREC, Form->M3_CUT,
                Form->M3_PASTE,    Form->M4_AdSort,   Form->M6_APPEND,     Form->M6_INSERT,     Form->M6_DELETE,
                Form->M6_DELETEREC, Form->M6_DELETEBYDELFLAG, Form->M6_SETALLDELFLG_T, Form->M6_SETALLDELFLG_F,
                Form->M6_FIELDADD, Form->M6_FIELDDELETE, Form->TB_CUT, Form->TB_PASTE, Form->P1_N2, Form->P1_N3,
                Form->P1_N4, Form->P1_N5_S1, Form->P1_N5_S2, Form->P1_N6, Form->P1_N7, Form->P1_N8, Form->P1_N9,
                Form->P1_N11, Form->P1_N13};
    }
};

// Counts the paintings of a widget.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

}  // namespace

TEST_F(LoadWindowTest, WholeLoadsShowTheirStatusTextsAndRows) {
    struct Case {
        uint32_t records;
        std::vector<std::string> statuses;
    };
    const Case cases[] = {
        {0, {"OnShow/Total:0/0"}},
        {4000, {"Loading.. [2000/4000]", "Loading.. [4000/4000]", "OnShow/Total:4000/4000"}},
    };
    RecordStatuses();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        Statuses.clear();
        QString path = Table("t" + std::to_string(c.records) + ".dbf", c.records);
        Form->Open(path);
        // Before any row arrives the panels show the table and the list its full count.
        EXPECT_EQ(Form->PanelRecNum->text(), QString::fromStdString(OnShowTotalText(c.records, c.records)));
        EXPECT_EQ(Form->ItemCount(), static_cast<int>(c.records));
        EXPECT_EQ(Form->StatusText(0) + "|" + Form->StatusText(1),
                  "Field Count:2|Record Count:" + QString::number(c.records));
        EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox - ") + path);
        ASSERT_TRUE(WaitLoaded());
        EXPECT_EQ(Statuses, c.statuses);
        EXPECT_EQ(Form->PanelRecNum->text(), QString::fromStdString(c.statuses.back()));
        ASSERT_EQ(Rows(), c.records);
        EXPECT_FALSE(Form->M1_STOPWORK->isEnabled());
        EXPECT_TRUE(Form->M6_ZAP->isEnabled());
        if (c.records) {
            EXPECT_EQ(Cell(3999, 0), QStringLiteral("r4000"));
        }
    }
}

TEST_F(LoadWindowTest, TheListRepaintsOnlyForRowsThatReachTheScreen) {
    Form->resize(900, 600);
    Form->show();
    TPaintCounter counter;
    Form->MainListView->viewport()->installEventFilter(&counter);
    RecordStatuses();
    Form->Open(Table("big.dbf", 100000, 0));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Statuses.size(), 51u);
    // The first screen, the end of the load and whatever the window itself asks for; not one
    // painting per status text.
    EXPECT_LE(counter.Paints, 10);
    EXPECT_EQ(Cell(99999, 0), QStringLiteral("r100000"));
}

TEST_F(LoadWindowTest, AStoppedLoadKeepsItsRowsAndDisablesEditing) {
    QString path = Table("big.dbf", 10000);
    RecordStatuses();
    // The loader stops itself at 2000 rows, before the next row.
    Form->OnLoaderStatusPoint = [this](size_t rows) {
        if (rows == 2000) Form->WorkThread->Terminate();
    };
    Form->Open(path);
    ASSERT_TRUE(WaitLoaded());
    ScriptedMsgBox script;
    script.Answer(mrYes);  // "Stop?": nothing left to stop, but the command asks all the same
    Form->M1_STOPWORKClick();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Stop?"));
    EXPECT_FALSE(Form->WorkThread);
    Drain();
    EXPECT_EQ(Statuses, (std::vector<std::string>{"Loading.. [2000/10000]", "OnShow/Total:2000/10000"}));
    EXPECT_EQ(Rows(), 2000u);
    EXPECT_EQ(Form->ItemCount(), 2000);
    EXPECT_TRUE(Form->IsLoadOver());
    for (QAction* a : EditingCommands()) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    // Reading commands stay; opening the table again gives every command back.
    EXPECT_TRUE(Form->M6_EDIT->isEnabled());
    EXPECT_TRUE(Form->M3_COPY->isEnabled());
    Form->OnLoaderStatusPoint = nullptr;
    OpenLoaded(path);
    EXPECT_EQ(Rows(), 10000u);
    for (QAction* a : EditingCommands()) EXPECT_TRUE(a->isEnabled());
}

TEST_F(LoadWindowTest, StopWorkWhileRowsArriveEndsWithConsistentCounts) {
    QString path = Table("big.dbf", 300000, 0);
    Option->AlwayShowStop = false;
    RecordStatuses();
    Form->Open(path);
    ASSERT_TRUE(WaitUntil([this] { return Rows() > 0; }));
    Form->M1_STOPWORKClick();
    Drain();
    const size_t rows = Rows();
    EXPECT_GT(rows, 0u);
    EXPECT_FALSE(Form->IsWorking());
    EXPECT_TRUE(Form->IsLoadOver());
    EXPECT_EQ(Form->ItemCount(), static_cast<int>(rows));
    // No status of the stopped loader comes after its last one.
    const QString last = QStringLiteral("OnShow/Total:%1/300000").arg(rows);
    EXPECT_EQ(Form->PanelRecNum->text(), last);
    EXPECT_EQ(QString::fromStdString(Statuses.back()), last);
    EXPECT_EQ(Cell(static_cast<int>(rows) - 1, 0), QStringLiteral("r%1").arg(rows));
    // Without a worker the command changes nothing.
    Form->M1_STOPWORKClick();
    Drain();
    EXPECT_EQ(Rows(), rows);
}

TEST_F(LoadWindowTest, ALoadThatFailsOrIsCutShortKeepsItsRowsAndEnds) {
    // An engine error part-way is reported once the loader has ended.
    Form->OnLoaderStatusPoint = [](size_t rows) {
        if (rows == 2000) throw EDBFError("t.dbf - Read error!");
    };
    ScriptedMsgBox script;
    Form->Open(Table("t.dbf", 4000));
    ASSERT_TRUE(WaitLoaded());
    ASSERT_TRUE(WaitUntil([&] { return !script.Asked.empty(); }));
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("t.dbf - Read error!"));
    EXPECT_EQ(Rows(), 2000u);
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:2000/4000"));
    EXPECT_FALSE(Form->M6_ZAP->isEnabled());
    // Commands are no longer refused.
    Form->TB_LASTRECClick();
    EXPECT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(Form->CurRecNo, 2000);

    // A file that shrinks under the loader ends the load where the records end.
    std::string path = Dir.Path("shrink.dbf");
    wintest::MakeTable(path, 4000);
    const uintmax_t header = std::filesystem::file_size(path) - 4000 * 17 - 1;
    Form->OnLoaderStatusPoint = [&](size_t rows) {
        if (rows == 2000) std::filesystem::resize_file(path, header + 2550 * 17);
    };
    OpenLoaded(Q(path));
    EXPECT_EQ(Rows(), 2550u);
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:2550/4000"));
    EXPECT_FALSE(Form->M6_ZAP->isEnabled());
}

TEST_F(LoadWindowTest, OpeningRefreshingOrClosingWhileRowsArrive) {
    QString big = Table("big.dbf", 400000, 0);
    QString small = Table("small.dbf", 150);
    RecordStatuses();
    // Another table stops the first load; nothing of it shows afterwards.
    for (int round = 0; round < 3; ++round) {
        Form->Open(big);
        if (round > 0) WaitUntil([this] { return Rows() > 1000; });
        OpenLoaded(small);
        EXPECT_EQ(Rows(), 150u);
        EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:150/150"));
        EXPECT_EQ(Statuses.back(), "OnShow/Total:150/150");
        EXPECT_EQ(Cell(149, 0), QStringLiteral("r150"));
    }
    // Refresh again and again while rows load.
    Form->Open(big);
    for (int i = 0; i < 6; ++i) {
        if (i % 2) WaitUntil([this] { return Rows() > 500; }, 2000);
        Form->M2_REFRESHClick();
    }
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Rows(), 400000u);
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:400000/400000"));
    // Closing before the loader is heard from stops it without a question.
    Form->Open(big);
    ScriptedMsgBox script;
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_FALSE(Form->WorkThread);
    EXPECT_EQ(Form->DataList(), nullptr);
    // A window destroyed in the middle of a load takes its loader down first.
    Form->Open(big);
    WaitUntil([this] { return Rows() > 1000; });
    Form.reset();
    Drain();
}

TEST_F(LoadWindowTest, ClosingTheWindowWhileLoadingOnlyAsksToStop) {
    QString big = Table("big.dbf", 400000, 0);
    // The loader waits at its first status point until the test has asked its questions.
    std::atomic<bool> release{false};
    Form->OnLoaderStatusPoint = [&](size_t) {
        while (!release) std::this_thread::yield();
    };
    Form->Open(big);
    ASSERT_TRUE(WaitUntil([this] { return Form->IsWorking(); }));
    ScriptedMsgBox script;
    script.Answer(mrNo);
    EXPECT_FALSE(Form->close());
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Some work is doing,stop it?"));
    EXPECT_TRUE(Form->WorkThread != nullptr);
    // Yes stops the loader; the window stays open all the same.
    release = true;
    script.Answer(mrYes);
    EXPECT_FALSE(Form->close());
    EXPECT_FALSE(Form->WorkThread);
    Drain();
    EXPECT_FALSE(Form->IsWorking());
    EXPECT_LT(Rows(), 400000u);
    EXPECT_TRUE(Form->close());
    EXPECT_EQ(script.Asked.size(), 2u);
    EXPECT_FALSE(Form->CurDBF);
}

TEST_F(LoadWindowTest, NoStopQuestionOnceTheWorkerHasPostedItsEnd) {
    // The loader has ended, its stop still posted: a command takes the stop in, asks nothing
    // and goes on (it asks for a worksheet, and none is chosen).
    std::atomic<bool> release{false};
    Form->OnLoaderStatusPoint = [&](size_t) {
        while (!release) std::this_thread::yield();
    };
    Form->Open(Table("t.dbf", 4000));
    ASSERT_TRUE(WaitUntil([this] { return Form->IsWorking(); }));
    release = true;
    Form->WorkThread->WaitFor();
    const auto askImport = TFormMain::AskImportFile;
    int importAsked = 0;
    TFormMain::AskImportFile = [&](QWidget*) { return ++importAsked, QString(); };
    ScriptedMsgBox script;
    Form->M1_IMPORTClick();
    EXPECT_TRUE(script.Asked.empty() && importAsked == 1 && !Form->IsWorking());
    // The work ends while the question is open: Yes then stops nothing, and the command ends.
    Form->OnWorkStart();
    SetMsgBoxHandler([&](const TMsgBoxRequest& r) {
        script.Asked.push_back(r);
        PostWorkerMessage(Form.get(), WM_WORKSTOP);
        return TMsgBoxResult{mrYes};
    });
    Form->M1_IMPORTClick();
    TFormMain::AskImportFile = askImport;
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Some work is doing,stop it?"));
    // StopWork would free the loader.
    EXPECT_TRUE(importAsked == 1 && !Form->IsWorking() && Form->WorkThread && Rows() == 4000u);
}
