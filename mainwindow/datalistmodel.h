// The record list's model: a virtual view of `DataList`. The item count is set by the window
// and may run ahead of the rows loaded so far; rows not there yet show nothing. Each cell is
// made from its row when the view asks for it, so tables of any size show without copying.
//
// The view lays its rows out in pixels on 32-bit integers and keeps a record per row, so a list
// whose rows would not fit that range (over about 100 million rows at the usual row height) is
// shown through a window: the model then offers a fixed number of consecutive list positions,
// starting at WindowStart(), and the view moves the window as it scrolls. A model row is thus
// a position in the window; Position() and RowOf() convert. Below that size the window is the
// whole list and both are the identity.
#pragma once

#include "common/datalist.h"
#include "controls/colors.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <cstdint>
#include <vector>

class TDataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataListModel(QObject* parent = nullptr);

    // The rows to show, with one type letter and one caption per field.
    void SetSource(const TDataList* list, std::vector<char> fieldTypes, QStringList captions);
    void ClearSource();
    // The same rows in a new list after the table's fields changed: the columns `removed`
    // (ascending) leave, the other columns keep their places, and the fields beyond them join
    // at the end. The item count, the window and the view's rows stay as they are.
    void ChangeColumns(const TDataList* list, std::vector<char> fieldTypes, QStringList captions,
                       const std::vector<int32_t>& removed);
    const TDataList* Source() const { return List; }
    // The list's item count (the rows it pretends to have).
    void SetItemCount(int count);
    int ItemCount() const { return Count; }
    // Memo columns show their text, or "Full memo"/"Empty memo".
    void SetViewMemo(bool on);
    bool ViewMemo() const { return MemoShown; }
    void SetAlterColors(TColor even, TColor odd);
    // Repaints every visible cell.
    void Refresh();
    // The text the list shows in column `field` at list position `position` ("" when not
    // loaded).
    QString CellText(int position, int field) const;

    // ---- The window ----
    // Pixels of rows the view may lay out; a list longer than that is windowed.
    static constexpr int64_t PixelLimit = int64_t(1) << 30;
    // Positions a window holds.
    static constexpr int WindowRows = 1000000;
    // The view's row height decides whether the list must be windowed.
    void SetRowHeight(int pixels);
    bool Windowed() const { return Shown < Count; }
    int WindowStart() const { return Offset; }
    int Position(int row) const { return Offset + row; }
    // The model row of a list position; -1 outside the window.
    int RowOf(int position) const;
    // Moves the window to start at `start` (clamped). Persistent indexes (the view's selection
    // and current item) follow their positions, and become invalid when they leave the window.
    void MoveWindow(int start);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QIcon DeletionIcon(bool deleted);

private:
    // The rows to offer for the count and row height.
    int ShownFor(int count) const;

    const TDataList* List = nullptr;
    std::vector<char> Types;
    QStringList Captions;
    int Count = 0;
    int Shown = 0;   // rows offered (the window's length)
    int Offset = 0;  // list position of row 0
    int RowHeight = 20;
    bool MemoShown = false;
    QColor Even, Odd;
};
