// The record list: cells, memo columns with Show Memo on and off, colours and hot tracking, the
// current record, navigation with the keys, the record tool bar and the record-number box,
// refusals while loading, and lists too long for the toolkit's pixel range.
#include "window_fixture.h"

using wintest::Drain;
using wintest::WaitUntil;

namespace {

using vxtest::Click;
using vxtest::Key;
using vxtest::Mouse;

class ListViewTest : public wintest::WindowTest {
protected:
    void Show() {
        Form->resize(900, 600);
        Form->show();
        Drain();
    }
    QRect RowRect(int position) const {
        TRecordListView* v = Form->MainListView;
        return v->visualRect(v->model()->index(Form->ListModel->RowOf(position), 1));
    }
    // The current record as the window shows it.
    void ExpectCurrent(int position) {
        EXPECT_EQ(Selected(), position);
        EXPECT_EQ(Form->MainListView->CurrentPosition(), position);
        EXPECT_EQ(Form->CurRecNo, position + 1);
        EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:%1[%1]").arg(position + 1));
        EXPECT_EQ(Form->EditCurRecNo->Text(), QString::number(position + 1));
    }
    // Holds the loader at its first status point until Release.
    std::atomic<bool> Held{false}, Go{false};
    void HoldTheLoader() {
        Form->OnLoaderStatusPoint = [this](size_t) {
            Held = true;
            while (!Go) std::this_thread::yield();
        };
    }
    void Release() { Go = true; }
    void TearDown() override {
        Release();
        WindowTest::TearDown();
    }
};

}  // namespace

TEST_F(ListViewTest, MemoColumnsFollowShowMemoAndTheOptions) {
    std::string path = Dir.Path("s.dbf");
    MakeSampleTable(path, 8);
    Option->ViewMemo = false;
    OpenLoaded(Q(path));
    const int notes = 10;  // NOTES, the memo field
    const QString full = QStringLiteral("First programmer.\r\nWrote notes on the Analytical Engine.");
    EXPECT_EQ(Cell(0, notes) + "|" + Cell(1, notes), QStringLiteral("Empty memo|Full memo"));
    ScriptedMsgBox script;
    Form->M2_MEMO->trigger();  // Ctrl+M
    EXPECT_TRUE(Option->ViewMemo);
    EXPECT_EQ(Cell(0, notes) + "|" + Cell(1, notes), "|" + full);
    EXPECT_EQ(Cell(3, notes), QString::fromLatin1("Bytes are shown as stored: caf\xe9, na\xefve, \xa9 and \xb1."));
    Form->M2_MEMO->trigger();
    EXPECT_EQ(Cell(1, notes), QStringLiteral("Full memo"));
    EXPECT_TRUE(script.Asked.empty());
    // Memo in the options dialog reaches the list at once, and holds for the next table.
    Option->ViewMemo = true;
    OnOptionsApplied();
    EXPECT_EQ(Cell(1, notes), full);
    EXPECT_TRUE(Form->M2_MEMO->isChecked());
    OpenLoaded(Q(path));
    EXPECT_EQ(Cell(1, notes), full);
}

TEST_F(ListViewTest, WhileLoadingShowMemoAndNavigationAskToWait) {
    HoldTheLoader();
    Form->Open(Table("big.dbf", 10000, 0));
    ASSERT_TRUE(WaitUntil([this] { return Held.load(); }));
    ScriptedMsgBox script;
    Form->M2_MEMO->trigger();
    EXPECT_TRUE(Option->ViewMemo);
    Form->TB_LASTRECClick();
    Form->TB_NEXTRECClick();
    int key = Qt::Key_5;
    Form->EditCurRecNoKeyDown(key);
    ASSERT_EQ(script.Asked.size(), 4u);
    for (const TMsgBoxRequest& r : script.Asked) EXPECT_EQ(r.Text, QStringLiteral("Loading... Please wait."));
    EXPECT_EQ(Form->CurRecNo, -1);
    // The list's own keys work meanwhile; a row not loaded yet becomes the current record
    // when it arrives.
    Key(Form->MainListView, Qt::Key_End);
    EXPECT_EQ(Selected(), 9999);
    EXPECT_EQ(Form->CurRecNo, -1);
    Release();
    ASSERT_TRUE(WaitLoaded());
    ExpectCurrent(9999);
}

TEST_F(ListViewTest, RowColoursAndHotTracking) {
    Option->LvAlterColor1 = 0x00112233;
    Option->LvAlterColor2 = 0x00445566;
    Show();
    OpenLoaded(Table("t.dbf", 6));
    QAbstractItemModel* m = Form->MainListView->model();
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(m->data(m->index(r, 1), Qt::BackgroundRole).value<QColor>(),
                  r % 2 ? QColor(0x66, 0x55, 0x44) : QColor(0x33, 0x22, 0x11));
    // The selection looks the same whether the list has the focus or not.
    EXPECT_EQ(Form->MainListView->palette().color(QPalette::Active, QPalette::Highlight),
              Form->MainListView->palette().color(QPalette::Inactive, QPalette::Highlight));
    // New colours from the options dialog reach the list.
    Option->LvAlterColor1 = 0x00000080;
    OnOptionsApplied();
    EXPECT_EQ(m->data(m->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(0x80, 0, 0));

    // Hot tracking lights the row under the mouse, and only with the setting on.
    QWidget* port = Form->MainListView->viewport();
    const QPoint inRow2 = RowRect(2).topRight() + QPoint(-3, 3);
    auto colourAt = [&](QPoint p) { return port->grab().toImage().pixelColor(p); };
    Mouse(port, QEvent::MouseMove, RowRect(2).center());
    EXPECT_EQ(Form->MainListView->HotPosition(), -1);
    Option->HotTrack = true;
    Form->UpdateInterface();
    Mouse(port, QEvent::MouseMove, RowRect(2).center());
    EXPECT_EQ(Form->MainListView->HotPosition(), 2);
    EXPECT_EQ(colourAt(inRow2), QColor(0xE5, 0xF1, 0xFB));
    Mouse(port, QEvent::MouseMove, RowRect(4).center());
    EXPECT_EQ(Form->MainListView->HotPosition(), 4);
    EXPECT_EQ(colourAt(inRow2), QColor(0x80, 0, 0));
    // Rows are as high as the list's font needs.
    Option->LvFontSize = 20;
    Form->UpdateInterface();
    EXPECT_GE(Form->MainListView->verticalHeader()->defaultSectionSize(),
              QFontMetrics(Form->MainListView->font()).height());
}

TEST_F(ListViewTest, NavigationOverTenRows) {
    OpenLoaded(Table("t.dbf", 10));
    EXPECT_EQ(Form->CurRecNo, -1);
    Form->TB_FIRSTRECClick();
    ExpectCurrent(0);
    EXPECT_TRUE(Form->TB_NEXTREC->isEnabled());
    EXPECT_FALSE(Form->TB_PRIORREC->isEnabled());
    Form->TB_PRIORRECClick();  // on row 1: nothing
    Form->TB_NEXTRECClick();
    Form->TB_NEXTRECClick();
    ExpectCurrent(2);

    // 999 typed into the box becomes the item count; Enter selects that row.
    Form->EditCurRecNo->selectAll();
    for (QChar c : QStringLiteral("999")) Key(Form->EditCurRecNo, Qt::Key_9, Qt::NoModifier, QString(c));
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("10"));
    Key(Form->EditCurRecNo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    ExpectCurrent(9);
    EXPECT_FALSE(Form->TB_NEXTREC->isEnabled());
    Form->TB_NEXTRECClick();  // on the last row: nothing
    Form->TB_PRIORRECClick();
    EXPECT_EQ(Selected(), 8);
    Form->TB_LASTRECClick();
    // Out-of-range positions are ignored; deselecting changes nothing but the status text.
    Form->ListViewGoToRec(0);
    Form->ListViewGoToRec(11);
    EXPECT_EQ(Selected(), 9);
    Form->ListViewNotSelAll();
    EXPECT_EQ(Selected(), -1);
    EXPECT_EQ(Form->StatusText(2), QStringLiteral("Current Record Number:0"));
    EXPECT_EQ(Form->CurRecNo, 10);
}

TEST_F(ListViewTest, KeysMoveLikeAList) {
    Show();
    OpenLoaded(Table("t.dbf", 200));
    TRecordListView* v = Form->MainListView;
    const int page = v->PageRows();
    ASSERT_GT(page, 5);
    // Nothing current: Down takes the first row on screen; Page Down the last row fully shown,
    // Page Up the first one shown.
    const std::tuple<int, Qt::KeyboardModifiers, int> steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 0},       {Qt::Key_End, Qt::NoModifier, 199},
        {Qt::Key_Home, Qt::NoModifier, 0},       {Qt::Key_End, Qt::ControlModifier, 199},
        {Qt::Key_Home, Qt::ControlModifier, 0},  {Qt::Key_PageDown, Qt::NoModifier, page - 1},
        {Qt::Key_PageDown, Qt::NoModifier, 2 * page - 2}, {Qt::Key_PageUp, Qt::NoModifier, page - 1},
        {Qt::Key_Down, Qt::NoModifier, page},    {Qt::Key_Up, Qt::NoModifier, page - 1}};
    for (auto [key, mods, expected] : steps) {
        SCOPED_TRACE(QKeySequence(key | mods).toString().toStdString());
        Key(v, key, mods);
        ExpectCurrent(expected);
        EXPECT_TRUE(v->TopPosition() <= expected && expected <= v->BottomPosition());
    }
    // Shift extends from the anchor; Ctrl moves the focus alone.
    Key(v, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(v->SelectedPositions().Ranges(), (std::vector<std::pair<int, int>>{{page - 1, 200}}));
    Key(v, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(v->CurrentPosition(), 198);
    EXPECT_EQ(v->SelectedPositions().Size(), 201 - page);
}

TEST_F(ListViewTest, ClicksShowTheCurrentRecord) {
    Show();
    OpenLoaded(Table("t.dbf", 5));
    QWidget* port = Form->MainListView->viewport();
    Click(port, RowRect(3).center());
    ExpectCurrent(3);
    // Ctrl-click adds a row; the first selected one is the current record.
    Click(port, RowRect(1).center(), Qt::ControlModifier);
    EXPECT_EQ(Form->CurRecNo, 2);
    EXPECT_EQ(Form->MainListView->SelectedPositions().Size(), 2);
    // Empty space below the rows.
    Click(port, QPoint(20, port->height() - 5));
    EXPECT_EQ(Form->CurRecNo, -1);
    EXPECT_EQ(Form->StatusText(2) + Form->EditCurRecNo->Text(), QStringLiteral("Current Record Number:00"));
    EXPECT_FALSE(Form->TB_NEXTREC->isEnabled() || Form->TB_PRIORREC->isEnabled());
    // A double click edits the record: it asks "Edit?" first (answered No here).
    ScriptedMsgBox boxes;
    boxes.DefaultAnswer.ModalResult = mrNo;
    Click(port, RowRect(3).center());
    Mouse(port, QEvent::MouseButtonDblClick, RowRect(3).center());
    Mouse(port, QEvent::MouseButtonRelease, RowRect(3).center());
    EXPECT_EQ(Form->CurRecNo, 4);
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Edit?"));
}

TEST_F(ListViewTest, AMillionRowsScrollWhileTheyLoad) {
    Show();
    Form->Open(Table("million.dbf", 1000000, 0));
    TRecordListView* v = Form->MainListView;
    EXPECT_EQ(v->model()->rowCount(), 1000000);  // every record at once
    ASSERT_TRUE(WaitUntil([this] { return Rows() > 1000; }));
    for (int frame = 0; frame < 100 && !Form->IsLoadOver(); ++frame) {
        v->verticalScrollBar()->setValue((frame * 7919) % 1000000);
        v->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitLoaded());
    Form->ListViewGoToRec(500000);
    ExpectCurrent(499999);
    EXPECT_EQ(Cell(499999, 0), QStringLiteral("r500000"));
    Form->ListViewScrollEnd();
    EXPECT_EQ(v->BottomPosition(), 999999);
}

TEST_F(ListViewTest, AListBeyondThePixelRangeBrowsesByRows) {
    Show();
    OpenLoaded(Table("t.dbf", 1000));
    // As many rows as a table of 150 million records shows; the first thousand are loaded.
    const int count = 150000000;
    Form->ListModel->SetItemCount(count);
    TRecordListView* v = Form->MainListView;
    ASSERT_TRUE(Form->ListModel->Windowed());
    auto* rowBar = v->Frame()->findChild<QScrollBar*>(QStringLiteral("MainListViewRowBar"));
    ASSERT_NE(rowBar, nullptr);
    EXPECT_TRUE(rowBar->isVisible() && !v->verticalScrollBar()->isVisible());
    EXPECT_EQ(rowBar->maximum(), count - v->PageRows());

    // The keys reach both ends, selecting the row they reach.
    Key(v, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Selected(), count - 1);
    EXPECT_EQ(v->BottomPosition(), count - 1);
    EXPECT_EQ(rowBar->value(), rowBar->maximum());
    Key(v, Qt::Key_PageUp);
    EXPECT_EQ(Selected(), v->TopPosition());
    Key(v, Qt::Key_Home);
    EXPECT_EQ(rowBar->value(), 0);
    ExpectCurrent(0);  // a loaded row shows as the current record
    // The bar takes the list anywhere, a row at a time.
    rowBar->setValue(75000001);
    EXPECT_EQ(v->TopPosition(), 75000001);
    EXPECT_EQ(v->PositionAt(RowRect(75000003).center()), 75000003);
    v->verticalScrollBar()->setValue(v->verticalScrollBar()->maximum());  // the wheel or the keys
    EXPECT_EQ(rowBar->value(), v->TopPosition());

    // A selection is never cut to the window: all rows, then one click.
    v->SelectAllPositions();
    rowBar->setValue(3);
    rowBar->setValue(140000000);
    EXPECT_EQ(v->SelectedPositions().Size(), count);
    Click(v->viewport(), RowRect(140000002).center());
    EXPECT_EQ(v->SelectedPositions().Ranges(), (std::vector<std::pair<int, int>>{{140000002, 140000003}}));
    // Shift+Home from there selects back to the first row, across windows.
    Key(v, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(v->SelectedPositions().Ranges(), (std::vector<std::pair<int, int>>{{0, 140000003}}));
    Form->ListViewGoToRec(123456789);
    EXPECT_EQ(Selected(), 123456788);
    EXPECT_LE(v->TopPosition(), 123456788);
    // Back to its own size the list lays out every row again.
    Form->ListModel->SetItemCount(1000);
    EXPECT_FALSE(Form->ListModel->Windowed() || rowBar->isVisible());
    Form->ListViewGoToRec(1000);
    ExpectCurrent(999);
}

TEST(DataListModel, CellsColoursAndIconsComeFromRowsAndMemoColumnsFollowTheSwitch) {
    vxtest::App();
    TRowStore store;
    store.DataList.Append(store.Pool.Make(false, 1, {"caf\xe9", "memo text"}));
    store.DataList.Append(store.Pool.Make(true, 2, {"b", ""}));
    TDataListModel m;
    m.SetSource(&store.DataList, {'C', 'M'}, {"NAME [C] ", "NOTE [M] "});
    m.SetItemCount(5);  // runs ahead of the two rows loaded
    m.SetAlterColors(0x000000FF, 0x00FF0000);  // red for even rows, blue for odd ones
    EXPECT_EQ(m.rowCount() * 10 + m.columnCount(), 52);
    auto cell = [&m](int row, int column, int role = Qt::DisplayRole) { return m.data(m.index(row, column), role); };
    EXPECT_EQ(cell(0, 0).toString().at(3).unicode(), 0xE9);  // the byte as the character of the code page
    EXPECT_EQ(cell(0, 1).toString() + "|" + cell(1, 1).toString(), "Full memo|Empty memo");
    m.SetViewMemo(true);
    EXPECT_EQ(cell(0, 1).toString() + "|" + cell(1, 1).toString(), "memo text|");
    EXPECT_EQ(cell(4, 0).toString(), "");  // not loaded yet
    EXPECT_FALSE(cell(4, 0, Qt::DecorationRole).isValid());
    EXPECT_EQ(cell(0, 0, Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(cell(1, 0, Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 255));
    EXPECT_EQ(cell(0, 0, Qt::DecorationRole).value<QIcon>().cacheKey(), TDataListModel::DeletionIcon(false).cacheKey());
    EXPECT_EQ(cell(1, 0, Qt::DecorationRole).value<QIcon>().cacheKey(), TDataListModel::DeletionIcon(true).cacheKey());
    m.ClearSource();
    EXPECT_EQ(m.rowCount() + m.columnCount(), 0);
}
