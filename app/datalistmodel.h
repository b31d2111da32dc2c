// The record list's model: a virtual view of `DataList`. The item count is set by the window
// and may run ahead of the rows loaded so far; rows not there yet show nothing. Each cell is
// made from its row when the view asks for it, so tables of any size show without copying.
#pragma once

#include "app/datalist.h"
#include "controls/colors.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <vector>

class TDataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataListModel(QObject* parent = nullptr);

    // The rows to show, with one type letter and one caption per field.
    void SetSource(const TDataList* list, std::vector<char> fieldTypes, QStringList captions);
    void ClearSource();
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
    // The text the list shows in column `field` of row `row` ("" when not loaded).
    QString CellText(int row, int field) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QIcon DeletionIcon(bool deleted);

private:
    const TDataList* List = nullptr;
    std::vector<char> Types;
    QStringList Captions;
    int Count = 0;
    bool MemoShown = false;
    QColor Even, Odd;
};
