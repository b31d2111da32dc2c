#include "mainwindow/recordlistview.h"

#include "mainwindow/datalistmodel.h"

#include <QBoxLayout>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

// ---- TPositionRanges ----

void TPositionRanges::Add(int begin, int end) {
    if (begin >= end) return;
    std::vector<TRange> out;
    out.reserve(R.size() + 1);
    bool placed = false;
    for (const TRange& r : R) {
        if (r.second < begin) {
            out.push_back(r);
        } else if (r.first > end) {
            if (!placed) out.emplace_back(begin, end);
            placed = true;
            out.push_back(r);
        } else {
            begin = std::min(begin, r.first);
            end = std::max(end, r.second);
        }
    }
    if (!placed) out.emplace_back(begin, end);
    R.swap(out);
}

void TPositionRanges::Subtract(int begin, int end) {
    if (begin >= end) return;
    std::vector<TRange> out;
    out.reserve(R.size() + 1);
    for (const TRange& r : R) {
        if (r.second <= begin || r.first >= end) {
            out.push_back(r);
            continue;
        }
        if (r.first < begin) out.emplace_back(r.first, begin);
        if (r.second > end) out.emplace_back(end, r.second);
    }
    R.swap(out);
}

TPositionRanges TPositionRanges::Within(int begin, int end) const {
    TPositionRanges out;
    for (const TRange& r : R) {
        const int b = std::max(r.first, begin), e = std::min(r.second, end);
        if (b < e) out.R.emplace_back(b, e);
    }
    return out;
}

bool TPositionRanges::Contains(int position) const {
    for (const TRange& r : R)
        if (position >= r.first && position < r.second) return true;
    return false;
}

long long TPositionRanges::Size() const {
    long long n = 0;
    for (const TRange& r : R) n += r.second - r.first;
    return n;
}

namespace {

// The selection model of the list: a selection that starts afresh also drops the positions
// kept outside the window.
class TRecordSelection : public QItemSelectionModel {
public:
    TRecordSelection(QAbstractItemModel* model, std::function<void()> onClear)
        : QItemSelectionModel(model), OnClear(std::move(onClear)) {}
    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (command & Clear) OnClear();
        QItemSelectionModel::select(selection, command);
    }
    void clear() override {
        OnClear();
        QItemSelectionModel::clear();
    }
    void reset() override {
        OnClear();
        QItemSelectionModel::reset();
    }

private:
    std::function<void()> OnClear;
};

// Paints the row under the mouse as a hot-tracked item: underlined, in the hot colour, on a
// light ground unless it is selected.
class THotTrackDelegate : public QStyledItemDelegate {
public:
    explicit THotTrackDelegate(TRecordListView* view) : QStyledItemDelegate(view), View(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!View->HotTrack() || !View->ListModel() ||
            View->ListModel()->Position(index.row()) != View->HotPosition())
            return;
        option->font.setUnderline(true);
        if (option->state & QStyle::State_Selected) return;
        option->backgroundBrush = QColor(0xE5, 0xF1, 0xFB);
        option->palette.setColor(QPalette::Text, QColor(0x00, 0x66, 0xCC));
    }

private:
    TRecordListView* View;
};

}  // namespace

TRecordListView::TRecordListView(QWidget* parent) : QTableView(nullptr) {
    FrameWidget = new QFrame(parent);
    FrameWidget->setObjectName(QStringLiteral("MainListViewFrame"));
    auto* l = new QHBoxLayout(FrameWidget);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(this, 1);
    BarColumn = new QWidget(FrameWidget);
    auto* bl = new QVBoxLayout(BarColumn);
    bl->setContentsMargins(0, 0, 0, 0);
    RowBar = new QScrollBar(Qt::Vertical, BarColumn);
    RowBar->setObjectName(QStringLiteral("MainListViewRowBar"));
    bl->addWidget(RowBar);
    l->addWidget(BarColumn);
    BarColumn->hide();

    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setItemDelegate(new THotTrackDelegate(this));
    // Every row has the same height, so scrolling over a million rows measures nothing.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TRecordListView::InnerScrolled);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { SyncRowBar(); });
    connect(RowBar, &QScrollBar::valueChanged, this, &TRecordListView::RowBarScrolled);
    FitRowHeight();
}

void TRecordListView::SetListModel(TDataListModel* model) {
    Model = model;
    setModel(model);
    auto* selection = new TRecordSelection(model, [this] {
        if (!KeepOutside) Outside.Clear();
    });
    QItemSelectionModel* old = selectionModel();
    setSelectionModel(selection);
    delete old;
    connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (Batch == 0) emit PositionsChanged();
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        Outside.Clear();
        Anchor = LastCurrent = HotRow = -1;
        WindowChanged();
    });
    FitRowHeight();
    WindowChanged();
}

// ---- Positions ----

int TRecordListView::CurrentPosition() const {
    const QModelIndex i = currentIndex();
    if (i.isValid() && Model) return Model->Position(i.row());
    return LastCurrent;
}

TPositionRanges TRecordListView::SelectedPositions() const {
    TPositionRanges all = Outside;
    if (!Model || !selectionModel()) return all;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        if (r.isValid()) all.Add(Model->Position(r.top()), Model->Position(r.bottom()) + 1);
    return all;
}

int TRecordListView::FirstSelectedPosition() const {
    int first = Outside.First();
    if (!Model || !selectionModel()) return first;
    for (const QItemSelectionRange& r : selectionModel()->selection()) {
        if (!r.isValid()) continue;
        const int p = Model->Position(r.top());
        if (first < 0 || p < first) first = p;
    }
    return first;
}

int TRecordListView::PositionAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    return row < 0 || !Model ? -1 : Model->Position(row);
}

int TRecordListView::TopPosition() const {
    if (!Model || Model->rowCount() == 0) return -1;
    const int row = rowAt(0);
    return Model->Position(row < 0 ? 0 : row);
}

int TRecordListView::BottomPosition() const {
    if (!Model || Model->rowCount() == 0) return -1;
    const int row = rowAt(viewport()->height() - 1);
    return Model->Position(row < 0 ? Model->rowCount() - 1 : row);
}

int TRecordListView::PageRows() const {
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
}

int TRecordListView::ShownColumn() const {
    const int c = columnAt(0);
    return c < 0 ? 0 : c;
}

QModelIndex TRecordListView::IndexAt(int position, int column) const {
    const int row = Model ? Model->RowOf(position) : -1;
    return row < 0 ? QModelIndex() : Model->index(row, column);
}

void TRecordListView::ScrollToPosition(int position, ScrollHint hint) {
    if (!Model || position < 0 || position >= Model->ItemCount()) return;
    EnsureInWindow(position);
    // Only the rows move: the columns stay where the user put them.
    const int x = horizontalScrollBar()->value();
    scrollTo(IndexAt(position, ShownColumn()), hint);
    horizontalScrollBar()->setValue(x);
}

void TRecordListView::SetCurrentPosition(int position) {
    EnsureInWindow(position);
    const QModelIndex cur = currentIndex();
    selectionModel()->setCurrentIndex(IndexAt(position, cur.isValid() ? cur.column() : ShownColumn()),
                                      QItemSelectionModel::NoUpdate);
    LastCurrent = -1;
}

void TRecordListView::SelectPositions(int first, int last, bool add) {
    if (!Model || Model->ItemCount() == 0) return;
    first = std::clamp(first, 0, Model->ItemCount() - 1);
    last = std::clamp(last, 0, Model->ItemCount() - 1);
    if (first > last) std::swap(first, last);
    const int start = Model->WindowStart(), end = start + Model->rowCount();
    ++Batch;
    TPositionRanges outside = add ? Outside : TPositionRanges();
    outside.Add(first, last + 1);
    outside.Subtract(start, end);
    QItemSelection window;
    const int b = std::max(first, start), e = std::min(last + 1, end);
    if (b < e) window.select(Model->index(b - start, 0), Model->index(e - 1 - start, 0));
    KeepOutside = true;
    Outside = outside;
    selectionModel()->select(window, (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
                                         QItemSelectionModel::Rows);
    KeepOutside = false;
    --Batch;
    emit PositionsChanged();
}

void TRecordListView::SelectAllPositions() {
    if (Model && Model->ItemCount() > 0) SelectPositions(0, Model->ItemCount() - 1);
}

void TRecordListView::ClearPositions() {
    ++Batch;
    Outside.Clear();
    selectionModel()->clearSelection();
    --Batch;
    emit PositionsChanged();
}

void TRecordListView::GoToPosition(int position, ScrollHint hint) {
    if (!Model || position < 0 || position >= Model->ItemCount()) return;
    ++Batch;
    SetCurrentPosition(position);
    SelectPositions(position, position);
    Anchor = position;
    --Batch;
    ScrollToPosition(position, hint);
    emit PositionsChanged();
}

// ---- Keys ----

void TRecordListView::keyPressEvent(QKeyEvent* event) {
    const int count = Model ? Model->ItemCount() : 0;
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
    int key = event->key();
    if (count == 0 || (mods & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier))) {
        QTableView::keyPressEvent(event);
        return;
    }
    const int current = CurrentPosition();
    const int top = TopPosition(), bottom = BottomPosition();
    const int page = PageRows();
    // The last row fully shown.
    const int lastFull = std::min(count - 1, top + page - 1);
    int target;
    switch (key) {
    case Qt::Key_Up: target = current < 0 ? top : current - 1; break;
    case Qt::Key_Down: target = current < 0 ? top : current + 1; break;
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = count - 1; break;
    case Qt::Key_PageUp:
        target = current < 0 ? top : (current > top && current <= bottom ? top : current - page + 1);
        break;
    case Qt::Key_PageDown:
        target = current < 0 ? top : (current >= top && current < lastFull ? lastFull : current + page - 1);
        break;
    default:
        QTableView::keyPressEvent(event);
        return;
    }
    target = std::clamp(target, 0, count - 1);
    event->accept();
    const bool moveOnly = ctrl && !shift && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                                             key == Qt::Key_PageDown);
    ++Batch;
    SetCurrentPosition(target);
    if (moveOnly) {
        // Ctrl moves the focus alone, as in any list.
    } else if (shift) {
        if (Anchor < 0) Anchor = current < 0 ? target : current;
        SelectPositions(Anchor, target, ctrl);
    } else {
        SelectPositions(target, target);
        Anchor = target;
    }
    --Batch;
    ScrollToPosition(target);
    emit PositionsChanged();
}

void TRecordListView::focusInEvent(QFocusEvent* event) {
    // Taking the focus makes no row current: the first key then goes to the first row shown.
    const bool had = currentIndex().isValid();
    QTableView::focusInEvent(event);
    if (!had && currentIndex().isValid() && LastCurrent < 0)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TRecordListView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (!(event->modifiers() & Qt::ShiftModifier)) Anchor = CurrentPosition();
}

// ---- The window ----

void TRecordListView::FitRowHeight() {
    const int h = std::max(16, fontMetrics().height() + 4);
    verticalHeader()->setDefaultSectionSize(h);
    if (Model) Model->SetRowHeight(h);
}

void TRecordListView::WindowChanged() {
    const bool windowed = Model && Model->Windowed();
    setVerticalScrollBarPolicy(windowed ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    BarColumn->setVisible(windowed);
    if (windowed) {
        // The bar runs beside the rows, below the column headers.
        BarColumn->layout()->setContentsMargins(0, horizontalHeader()->height() + frameWidth(), 0, frameWidth());
        SyncRowBar();
    }
}

void TRecordListView::SyncRowBar() {
    if (!Model || !Model->Windowed()) return;
    QScrollBar* inner = verticalScrollBar();
    const bool was = Syncing;
    Syncing = true;
    RowBar->setRange(0, Model->ItemCount() - Model->rowCount() + inner->maximum());
    RowBar->setPageStep(inner->pageStep());
    RowBar->setSingleStep(1);
    RowBar->setValue(Model->WindowStart() + inner->value());
    Syncing = was;
}

void TRecordListView::MoveWindowTo(int start) {
    if (!Model || !Model->Windowed()) return;
    start = std::clamp(start, 0, Model->ItemCount() - Model->rowCount());
    if (start == Model->WindowStart()) return;
    ++Batch;
    const TPositionRanges all = SelectedPositions();
    const int current = CurrentPosition();
    const int column = currentIndex().isValid() ? currentIndex().column() : ShownColumn();
    const int top = TopPosition();
    const bool was = Syncing;
    Syncing = true;
    // The window's selection goes first and comes back below from `all`: moved along, a large
    // one would be followed index by index.
    KeepOutside = true;
    selectionModel()->clearSelection();
    KeepOutside = false;
    Model->MoveWindow(start);
    const int end = start + Model->rowCount();
    // The selection that came into the window is selected there; the rest is kept aside.
    Outside = all;
    Outside.Subtract(start, end);
    QItemSelection inside;
    const TPositionRanges come = all.Within(start, end);
    for (const TPositionRanges::TRange& r : come.Ranges())
        inside.select(Model->index(r.first - start, 0), Model->index(r.second - 1 - start, 0));
    KeepOutside = true;
    selectionModel()->select(inside, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    KeepOutside = false;
    if (current >= start && current < end) {
        selectionModel()->setCurrentIndex(Model->index(current - start, column), QItemSelectionModel::NoUpdate);
        LastCurrent = -1;
    } else {
        LastCurrent = current;
    }
    if (top >= 0) verticalScrollBar()->setValue(top - start);
    Syncing = was;
    --Batch;
    SyncRowBar();
}

void TRecordListView::EnsureInWindow(int position) {
    if (!Model || !Model->Windowed()) return;
    const int start = Model->WindowStart(), shown = Model->rowCount();
    const int margin = shown / 4;
    const bool roomBefore = position - start >= margin || start == 0;
    const bool roomAfter = start + shown - position > margin || start + shown == Model->ItemCount();
    if (position >= start && position < start + shown && roomBefore && roomAfter) return;
    MoveWindowTo(position - shown / 2);
}

void TRecordListView::InnerScrolled(int value) {
    if (!Model || !Model->Windowed() || Syncing) return;
    EnsureInWindow(Model->WindowStart() + value);
    EnsureInWindow(Model->WindowStart() + value + PageRows());
    SyncRowBar();
}

void TRecordListView::RowBarScrolled(int value) {
    if (!Model || !Model->Windowed() || Syncing) return;
    EnsureInWindow(value);
    EnsureInWindow(std::min(value + PageRows(), Model->ItemCount() - 1));
    Syncing = true;
    verticalScrollBar()->setValue(value - Model->WindowStart());
    Syncing = false;
}

// ---- Hot tracking ----

void TRecordListView::SetHotTrack(bool on) {
    Hot = on;
    viewport()->setMouseTracking(on);
    SetHotRow(-1);
    viewport()->update();
}

void TRecordListView::UpdateRow(int position) {
    const int row = Model ? Model->RowOf(position) : -1;
    if (row < 0) return;
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void TRecordListView::SetHotRow(int position) {
    if (position == HotRow) return;
    UpdateRow(HotRow);
    HotRow = position;
    UpdateRow(HotRow);
}

bool TRecordListView::viewportEvent(QEvent* event) {
    if (Hot) {
        if (event->type() == QEvent::MouseMove)
            SetHotRow(PositionAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
        else if (event->type() == QEvent::Leave)
            SetHotRow(-1);
    }
    return QTableView::viewportEvent(event);
}

void TRecordListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitRowHeight();
}

void TRecordListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (Model && Model->Windowed()) WindowChanged();
}
