// The record list: cells, memo columns with Show Memo on and off, colours, the current record,
// navigation with the record tool bar and the record-number box, and refusals while loading.
#include "loadwindow_fixture.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QKeyEvent>
#include <QMouseEvent>

using lvtest::Drain;
using lvtest::WaitUntil;
using lvtest::WindowTest;

namespace {

void Key(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& digits) {
    for (QChar c : digits) Key(w, Qt::Key_0 + (c.unicode() - '0'), QString(c));
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QPointF p(at);
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
    QCoreApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(w, QEvent::MouseButtonPress, at, mods);
    Mouse(w, QEvent::MouseButtonRelease, at, mods);
}

class ListViewTest : public WindowTest {
protected:
    int Selected() const {
        QModelIndexList rows = Form->MainListView->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows[0].row() : (rows.isEmpty() ? -1 : -2);
    }
    void OpenLoaded(const QString& path) {
        Form->Open(path);
        ASSERT_TRUE(WaitLoaded());
    }
};

}  // namespace

TEST_F(ListViewTest, MemoColumnsFollowShowMemo) {
    std::string path = Dir.Path("s.dbf");
    MakeSampleTable(path, 8);
    Option->ViewMemo = false;
    OpenLoaded(Q(path));
    const int notes = 10;  // NOTES, the memo field
    EXPECT_EQ(Cell(0, notes), QStringLiteral("Empty memo"));
    EXPECT_EQ(Cell(1, notes), QStringLiteral("Full memo"));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(Cell(0, 11), QStringLiteral("Gen"));
    ScriptedMsgBox script;
    Form->M2_MEMO->trigger();  // Ctrl+M
    EXPECT_TRUE(Option->ViewMemo);
    EXPECT_TRUE(Form->M2_MEMO->isChecked());
    EXPECT_EQ(Cell(0, notes), QString());
    EXPECT_EQ(Cell(1, notes), QStringLiteral("First programmer.\r\nWrote notes on the Analytical Engine."));
    // Bytes above 127 reach the screen one character each.
    EXPECT_EQ(Cell(3, notes), QString::fromLatin1("Bytes are shown as stored: caf\xe9, na\xefve, \xa9 and \xb1."));
    Form->M2_MEMO->trigger();
    EXPECT_EQ(Cell(1, notes), QStringLiteral("Full memo"));
    EXPECT_TRUE(script.Asked.empty());
    // The setting holds for the next table as well.
    Form->M2_MEMO->trigger();
    OpenLoaded(Q(path));
    EXPECT_EQ(Cell(2, notes), QStringLiteral("Memo texts can be long, with several lines:\r\nline two\r\nline three"));
}

TEST_F(ListViewTest, ShowMemoWhileLoadingChangesTheSettingAndAsksToWait) {
    QString big = Table("big.dbf", 300000, 0);
    Form->Open(big);
    ScriptedMsgBox script;
    ASSERT_FALSE(Form->IsLoadOver());
    Form->M2_MEMO->trigger();
    EXPECT_TRUE(Option->ViewMemo);
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Loading... Please wait."));
    EXPECT_EQ(script.Asked[0].Icon, mbiInformation);
    EXPECT_EQ(script.Asked[0].Buttons, mbbOK);
    // Navigation is refused the same way, and any key in the record-number box.
    Form->TB_LASTRECClick();
    Form->TB_NEXTRECClick();
    int key = Qt::Key_5;
    Form->EditCurRecNoKeyDown(key);
    if (!Form->IsLoadOver()) {
        EXPECT_EQ(script.Asked.size(), 4u);
        EXPECT_EQ(script.Asked[3].Text, QStringLiteral("Loading... Please wait."));
        EXPECT_EQ(Form->CurRecNo, -1);
    }
    ASSERT_TRUE(WaitLoaded());
    Form->TB_LASTRECClick();
    EXPECT_EQ(Form->CurRecNo, 300000);
}

TEST_F(ListViewTest, RowsAlternateColoursAndSelectionIsWhiteOnOrange) {
    Option->LvAlterColor1 = 0x00112233;
    Option->LvAlterColor2 = 0x00445566;
    OpenLoaded(Table("t.dbf", 6));
    QAbstractItemModel* m = Form->MainListView->model();
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(m->data(m->index(r, 1), Qt::BackgroundRole).value<QColor>(),
                  r % 2 ? QColor(0x66, 0x55, 0x44) : QColor(0x33, 0x22, 0x11));
    // Deletion marks are the first column's pictures.
    EXPECT_FALSE(m->data(m->index(2, 0), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(m->data(m->index(2, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
              TDataListModel::DeletionIcon(true).cacheKey());
    EXPECT_EQ(m->data(m->index(1, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
              TDataListModel::DeletionIcon(false).cacheKey());
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(Form->MainListView->palette().color(g, QPalette::Highlight), QColor(0xFF, 0x90, 0x00));
        EXPECT_EQ(Form->MainListView->palette().color(g, QPalette::HighlightedText), QColor(Qt::white));
    }
    // New colours from the options dialog reach the list.
    Option->LvAlterColor1 = 0x00000080;
    OnOptionsApplied();
    EXPECT_EQ(m->data(m->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(0x80, 0, 0));
    EXPECT_EQ(Form->MainListView->palette().color(QPalette::Highlight), QColor(0xFF, 0x90, 0x00));
    // Rows are as high as the list's font needs.
    Option->LvFontSize = 20;
    Form->UpdateInterface();
    EXPECT_GE(Form->MainListView->verticalHeader()->defaultSectionSize(),
              QFontMetrics(Form->MainListView->font()).height());
    EXPECT_EQ(Form->MainListView->rowHeight(0), Form->MainListView->verticalHeader()->defaultSectionSize());
    // The view is read-only and selects whole rows, several at a time.
    EXPECT_EQ(Form->MainListView->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Form->MainListView->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(Form->MainListView->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ListViewTest, NavigationOverTenRows) {
    OpenLoaded(Table("t.dbf", 10));
    EXPECT_EQ(Form->CurRecNo, -1);
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("0"));

    Form->TB_FIRSTRECClick();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Form->CurRecNo, 1);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:1[1]"));
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("1"));
    EXPECT_TRUE(Form->TB_NEXTREC->isEnabled());
    EXPECT_FALSE(Form->TB_PRIORREC->isEnabled());
    Form->TB_PRIORRECClick();  // on row 1: nothing
    EXPECT_EQ(Form->CurRecNo, 1);
    Form->TB_NEXTRECClick();
    Form->TB_NEXTRECClick();
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:3[3]"));
    EXPECT_TRUE(Form->TB_PRIORREC->isEnabled());

    // 999 typed into the box becomes the item count; Enter selects that row.
    Form->EditCurRecNo->setFocus();
    Form->EditCurRecNo->selectAll();
    Type(Form->EditCurRecNo, QStringLiteral("999"));
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("10"));
    Key(Form->EditCurRecNo, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(Selected(), 9);
    EXPECT_EQ(Form->CurRecNo, 10);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:10[10]"));
    EXPECT_FALSE(Form->TB_NEXTREC->isEnabled());
    Form->TB_NEXTRECClick();  // on the last row: nothing
    EXPECT_EQ(Selected(), 9);
    EXPECT_EQ(Form->CurRecNo, 10);
    Form->TB_PRIORRECClick();
    EXPECT_EQ(Selected(), 8);
    Form->TB_LASTRECClick();
    EXPECT_EQ(Selected(), 9);

    // Out-of-range positions are ignored.
    Form->ListViewGoToRec(0);
    Form->ListViewGoToRec(11);
    EXPECT_EQ(Selected(), 9);
    // Deselecting shows no current record in the status bar.
    Form->ListViewNotSelAll();
    EXPECT_EQ(Selected(), -1);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:0"));
    // A selection change that leaves nothing selected changes nothing else.
    EXPECT_EQ(Form->CurRecNo, 10);
}

TEST_F(ListViewTest, ClicksShowTheCurrentRecord) {
    Form->resize(900, 600);
    Form->show();
    OpenLoaded(Table("t.dbf", 5));
    QTableView* v = Form->MainListView;
    QRect r = v->visualRect(v->model()->index(3, 1));
    Click(v->viewport(), r.center());
    EXPECT_EQ(Form->CurRecNo, 4);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:4[4]"));
    // Ctrl-click adds a row; the first selected one is the current record.
    Click(v->viewport(), v->visualRect(v->model()->index(1, 1)).center(), Qt::ControlModifier);
    EXPECT_EQ(Form->CurRecNo, 2);
    EXPECT_EQ(v->selectionModel()->selectedRows().size(), 2);
    // Empty space below the rows.
    Click(v->viewport(), QPoint(20, v->viewport()->height() - 5));
    EXPECT_EQ(Form->CurRecNo, -1);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:0"));
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("0"));
    EXPECT_FALSE(Form->TB_NEXTREC->isEnabled());
    EXPECT_FALSE(Form->TB_PRIORREC->isEnabled());
    // A double click edits the record: it asks "Edit?" first (answered No here).
    ScriptedMsgBox boxes;
    boxes.DefaultAnswer.ModalResult = mrNo;
    Click(v->viewport(), r.center());
    Mouse(v->viewport(), QEvent::MouseButtonDblClick, r.center());
    Mouse(v->viewport(), QEvent::MouseButtonRelease, r.center());
    EXPECT_EQ(Form->CurRecNo, 4);
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Edit?"));
    Form->hide();
}

TEST_F(ListViewTest, AMillionRowsScrollWhileTheyLoad) {
    QString big = Table("million.dbf", 1000000, 0);
    Form->resize(900, 600);
    Form->show();
    Form->Open(big);
    QTableView* v = Form->MainListView;
    // The list counts every record at once; rows not loaded yet show nothing.
    EXPECT_EQ(v->model()->rowCount(), 1000000);
    ASSERT_TRUE(WaitUntil([this] { return Rows() > 1000; }));
    QElapsedTimer t;
    t.start();
    int frames = 0;
    while (!Form->IsLoadOver() && frames < 200) {
        v->verticalScrollBar()->setValue((frames * 7919) % 1000000);
        v->viewport()->repaint();
        ++frames;
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitLoaded());
    Form->ListViewGoToRec(500000);
    v->viewport()->repaint();
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:500000[500000]"));
    EXPECT_EQ(Cell(499999, 0), QStringLiteral("r500000"));
    EXPECT_GE(v->rowAt(v->viewport()->height() / 2), 499900);
    Form->ListViewScrollEnd();
    EXPECT_EQ(v->rowAt(v->viewport()->height() - 2), 999999);
    Form->ListViewScrollStart();
    EXPECT_EQ(v->rowAt(1), 0);
    Form->hide();
}
