// The record list's view: a table of whole-row selection over TDataListModel that moves like a
// list. Home and End (with or without Ctrl) go to the first and last row, Page Up and Page Down
// to the first and last row on screen and then a page further, and each of them selects and
// focuses the row it reaches. The row under the mouse can be highlighted (hot tracking).
//
// Everything the rest of the program asks of it is in list positions (0-based places in the
// whole list), because a list too long for the toolkit's pixel range is shown through a window
// of the model (see TDataListModel): the view then scrolls by rows with a scroll bar of its own
// that covers every row, moves the window as it goes, and keeps the selected positions that lie
// outside the window, so that a selection is never cut to what the window holds.
#pragma once

#include <QTableView>

#include <utility>
#include <vector>

class QScrollBar;
class TDataListModel;

// Sorted, disjoint, half-open ranges [begin, end) of list positions.
class TPositionRanges {
public:
    using TRange = std::pair<int, int>;
    void Clear() { R.clear(); }
    bool Empty() const { return R.empty(); }
    void Add(int begin, int end);
    void Subtract(int begin, int end);
    // The part that lies in [begin, end).
    TPositionRanges Within(int begin, int end) const;
    bool Contains(int position) const;
    int First() const { return R.empty() ? -1 : R.front().first; }
    long long Size() const;
    const std::vector<TRange>& Ranges() const { return R; }
    bool operator==(const TPositionRanges&) const = default;

private:
    std::vector<TRange> R;
};

class TRecordListView : public QTableView {
    Q_OBJECT
public:
    explicit TRecordListView(QWidget* parent = nullptr);

    // The frame that holds the view and its row scroll bar: lay it out in place of the view.
    QWidget* Frame() const { return FrameWidget; }
    // The model to show (the view takes it over in place of setModel).
    void SetListModel(TDataListModel* model);
    TDataListModel* ListModel() const { return Model; }

    // ---- In list positions ----
    int CurrentPosition() const;        // the focused row; -1 when none
    int FirstSelectedPosition() const;  // -1 when nothing is selected
    TPositionRanges SelectedPositions() const;
    int TopPosition() const;     // the first row on screen; -1 without rows
    int BottomPosition() const;  // the last row on screen, even partly shown; -1 without rows
    int PositionAt(const QPoint& viewportPoint) const;  // -1 where there is no row
    // Scrolls the position into view, leaving the selection alone.
    void ScrollToPosition(int position, ScrollHint hint = EnsureVisible);
    // Makes the position the current row and the only selected one, and scrolls it into view.
    void GoToPosition(int position, ScrollHint hint = EnsureVisible);
    // Selects [first, last]; without `add` the rest is deselected first.
    void SelectPositions(int first, int last, bool add = false);
    void SelectAllPositions();
    void ClearPositions();

    // ---- Hot tracking ----
    void SetHotTrack(bool on);
    bool HotTrack() const { return Hot; }
    int HotPosition() const { return HotRow; }

    // Rows fully shown at once.
    int PageRows() const;

signals:
    // The selected positions changed (by the mouse, the keyboard or the calls above).
    void PositionsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The row height follows the font; the model learns it, as it decides about the window.
    void FitRowHeight();
    // The window follows the model: the row scroll bar shows only while the model is windowed.
    void WindowChanged();
    // Moves the model's window, keeping the selection and the current row by position.
    void MoveWindowTo(int start);
    // Makes sure the window holds `position` with room around it.
    void EnsureInWindow(int position);
    void InnerScrolled(int value);
    void RowBarScrolled(int value);
    void SyncRowBar();
    void SetCurrentPosition(int position);
    QModelIndex IndexAt(int position, int column) const;
    int ShownColumn() const;
    void SetHotRow(int position);
    void UpdateRow(int position);

    TDataListModel* Model = nullptr;
    QWidget* FrameWidget = nullptr;
    QWidget* BarColumn = nullptr;
    QScrollBar* RowBar = nullptr;
    TPositionRanges Outside;  // selected positions outside the window
    bool KeepOutside = false;
    int Batch = 0;             // > 0 while the view changes the selection in several steps
    bool Syncing = false;
    int Anchor = -1;           // where a Shift selection starts
    int LastCurrent = -1;      // the current row while it is outside the window
    bool Hot = false;
    int HotRow = -1;
};
