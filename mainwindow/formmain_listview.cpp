// Main window: the record list. A virtual view over DataList (the model builds each visible
// cell from its row when asked), its colours, the current record, navigation with the record
// tool bar and the record-number box, and View > Show Memo.
#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QFrame>
#include <QMouseEvent>
#include <QTreeView>

#include <climits>

#include "common/datalist.h"
#include "common/errortext.h"
#include "mainwindow/datalistmodel.h"
#include "engine/dbf.h"
#include "mainwindow/formmain.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "controls/colors.h"
#include "controls/flatlistbox.h"
#include "controls/validedit.h"

namespace {

// The colours of a selected row: white text on orange.
constexpr TColor SelectedRowColor = 0x000090FF;

// Watches the record list: a click anywhere in it (rows or the empty space below them) shows
// the current record.
class TListViewWatcher : public QObject {
public:
    explicit TListViewWatcher(TFormMain* form) : QObject(form), Form(form), View(form->MainListView) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        TRecordListView* view = View;
        if (watched == view->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                            event->type() == QEvent::MouseButtonRelease)) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton)
                return false;
            if (event->type() == QEvent::MouseButtonRelease) {
                Form->MainListViewClick();
            } else if (!view->indexAt(me->position().toPoint()).isValid() &&
                       !(me->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
                // A click on the empty space below the rows selects nothing.
                view->ClearPositions();
            }
        }
        return false;
    }

private:
    TFormMain* Form;
    TRecordListView* View;
};

}  // namespace

void TFormMain::SetUpListView() {
    ListModel = new TDataListModel(this);
    TRecordListView* view = MainListView;
    view->SetListModel(ListModel);
    view->setIconSize(QSize(16, 16));
    QHeaderView* columns = view->horizontalHeader();
    columns->setDefaultSectionSize(100);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setTextElideMode(Qt::ElideRight);

    auto* watcher = new TListViewWatcher(this);
    ListWatcher = watcher;
    view->viewport()->installEventFilter(watcher);
    connect(view, &TRecordListView::PositionsChanged, this, [this] { MainListViewChange(); });
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { MainListViewDblClick(); });
    // The setting is flipped by the menu item's own handler; the list follows it after.
    connect(M2_MEMO, &QAction::triggered, this, [this] { ApplyViewMemo(); });

    EditCurRecNo->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) { EditCurRecNoKeyDown(key); };
    EditCurRecNo->OnChange = [this](QObject*) { EditCurRecNoChange(); };
    ApplyListColors();
}

void TFormMain::ApplyListColors() {
    if (!ListModel)
        return;
    if (Option)
        ListModel->SetAlterColors(Option->LvAlterColor1, Option->LvAlterColor2);
    QPalette pal = MainListView->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Highlight, ToQColor(SelectedRowColor));
        pal.setColor(g, QPalette::HighlightedText, Qt::white);
    }
    MainListView->setPalette(pal);
    MainListView->viewport()->update();
}

void TFormMain::ApplyViewMemo() {
    if (!ListModel || !Option)
        return;
    ListModel->SetViewMemo(Option->ViewMemo);
    if (!CurDBF)
        return;
    if (IsLoadOver())
        ListModel->Refresh();
    else
        ShowLoadingBox();
}

void TFormMain::ShowLoadingBox() {
    MsgBox(QString(), QStringLiteral("Loading... Please wait."), TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, this);
}

bool TFormMain::RequireWritable() {
    if (!CurDBF)
        return false;
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return false;
    }
    if (IsWorking()) {
        MsgBox(QString(), QStringLiteral("Some work is doing..."), TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return false;
    }
    if (CurDBF->GetReadOnly()) {
        MsgBox(QStringLiteral("Information"),
               QStringLiteral("The table is open read-only, so it cannot be changed."), TMsgBoxIcon::Warning, TMsgBoxButtons::OK,
               false, false, 30, 30, this);
        return false;
    }
    // A table whose file or memo file was deleted or replaced since it was opened takes no
    // write: said before any question or dialog of the command, in the engine's words.
    if (const QString gone = FilesGoneText(); !gone.isEmpty()) {
        MsgBox(QString(), gone, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return false;
    }
    return true;
}

// ---- Current record ----

int TFormMain::FirstSelectedRow() const { return MainListView->FirstSelectedPosition(); }

void TFormMain::UpdateCurrentRecord(int i, bool click) {
    if (i < 0) {
        if (!click)
            return;
        SetStatusText(2, QStringLiteral("Current Record Number:0"));
        EditCurRecNo->SetText(QStringLiteral("0"));
        TB_NEXTREC->setEnabled(false);
        TB_PRIORREC->setEnabled(false);
        CurRecNo = -1;
        return;
    }
    const TDataList* list = DataList();
    const TDataRow* row = list ? list->At(static_cast<size_t>(i)) : nullptr;
    if (!row)
        return;
    SetStatusText(2, QStringLiteral("Current Record Number:") + QString::number(i + 1) + QStringLiteral("[") +
                         QString::number(row->RecNo()) + QStringLiteral("]"));
    EditCurRecNo->SetText(QString::number(i + 1));
    CurRecNo = i + 1;
    TB_NEXTREC->setEnabled(CurRecNo != ItemCount());
    TB_PRIORREC->setEnabled(CurRecNo != 1);
}

void TFormMain::MainListViewClick() { UpdateCurrentRecord(FirstSelectedRow(), true); }

void TFormMain::MainListViewChange() { UpdateCurrentRecord(FirstSelectedRow(), false); }

void TFormMain::MainListViewDblClick() { M6_EDITClick(); }

// ---- Navigation ----

void TFormMain::ListViewNotSelAll() {
    MainListView->ClearPositions();
    SetStatusText(2, QStringLiteral("Current Record Number:0"));
}

void TFormMain::ListViewGoToRec(int position) {
    const int count = ItemCount();
    if (count <= 0 || position < 1 || position > count)
        return;
    ListViewNotSelAll();
    MainListView->GoToPosition(position - 1);
}

void TFormMain::ListViewGoFirst() { ListViewGoToRec(1); }

void TFormMain::ListViewGoLast() { ListViewGoToRec(ItemCount()); }

void TFormMain::ListViewGoNext() {
    const int value = EditCurRecNo->Value();
    if (value != ItemCount())
        ListViewGoToRec(value + 1);
}

void TFormMain::ListViewGoPrior() {
    const int value = EditCurRecNo->Value();
    if (value != 1)
        ListViewGoToRec(value - 1);
}

void TFormMain::ListViewScrollStart() {
    if (ItemCount() > 0)
        MainListView->ScrollToPosition(0);
}

void TFormMain::ListViewScrollEnd() {
    if (ItemCount() > 0)
        MainListView->ScrollToPosition(ItemCount() - 1);
}

void TFormMain::ListRowsArrived() {
    const TDataList* list = DataList();
    const size_t loaded = list ? list->Count() : 0;
    const size_t before = loaded < ArrivedRows ? 0 : ArrivedRows;
    ArrivedRows = loaded;
    // A repaint only when some of the new rows are on screen: rows that arrive below the
    // screen change nothing there.
    const int top = MainListView->TopPosition(), bottom = MainListView->BottomPosition();
    if (top >= 0 && loaded > static_cast<size_t>(top) && before <= static_cast<size_t>(bottom))
        MainListView->viewport()->update();
    // A row chosen before it was loaded becomes the current record when it arrives.
    const int first = FirstSelectedRow();
    if (first >= 0 && CurRecNo != first + 1 && static_cast<size_t>(first) < loaded)
        MainListViewChange();
}

void TFormMain::FocusRecordList() {
    // The welcome page lies over the record side while it shows.
    if (MainWelcomePage->isVisibleTo(this))
        flbWelcomePageRecentFiles->setFocus(Qt::OtherFocusReason);
    else if (MainListView->isVisibleTo(this))
        MainListView->setFocus(Qt::OtherFocusReason);
    else if (MainShellTreeView->isVisibleTo(this))
        MainShellTreeView->setFocus(Qt::OtherFocusReason);
}

void TFormMain::TB_FIRSTRECClick() {
    if (IsLoadOver())
        ListViewGoFirst();
    else
        ShowLoadingBox();
}

void TFormMain::TB_PRIORRECClick() {
    if (IsLoadOver())
        ListViewGoPrior();
    else
        ShowLoadingBox();
}

void TFormMain::TB_NEXTRECClick() {
    if (IsLoadOver())
        ListViewGoNext();
    else
        ShowLoadingBox();
}

void TFormMain::TB_LASTRECClick() {
    if (IsLoadOver())
        ListViewGoLast();
    else
        ShowLoadingBox();
}

void TFormMain::EditCurRecNoKeyDown(int& key) {
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ListViewNotSelAll();
        ListViewGoToRec(EditCurRecNo->Value());
    }
}

void TFormMain::EditCurRecNoChange() {
    const int count = ItemCount();
    if (EditCurRecNo->Value() > count)
        EditCurRecNo->SetValue(count);
}
