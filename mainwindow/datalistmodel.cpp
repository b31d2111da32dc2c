#include "mainwindow/datalistmodel.h"

#include "common/bytetext.h"

#include <QPainter>

#include <algorithm>
#include <QPixmap>

TDataListModel::TDataListModel(QObject* parent) : QAbstractTableModel(parent) {
    SetAlterColors(0x00CBF5FF, 0x00EAFFFF);
}

void TDataListModel::SetSource(const TDataList* list, std::vector<char> fieldTypes, QStringList captions) {
    beginResetModel();
    List = list;
    Types = std::move(fieldTypes);
    Captions = std::move(captions);
    Count = Shown = Offset = 0;
    endResetModel();
}

void TDataListModel::ClearSource() { SetSource(nullptr, {}, {}); }

void TDataListModel::ChangeColumns(const TDataList* list, std::vector<char> fieldTypes, QStringList captions,
                                   const std::vector<int32_t>& removed) {
    // The old rows go first: while the columns change, cells show nothing.
    List = nullptr;
    for (auto k = removed.rbegin(); k != removed.rend(); ++k) {
        if (*k < 0 || *k >= static_cast<int>(Types.size())) continue;
        beginRemoveColumns(QModelIndex(), *k, *k);
        Types.erase(Types.begin() + *k);
        Captions.removeAt(*k);
        endRemoveColumns();
    }
    const int have = static_cast<int>(Types.size()), want = static_cast<int>(fieldTypes.size());
    if (want < have) {
        // Not the change described: the view starts over with the same rows.
        beginResetModel();
        List = list;
        Types = std::move(fieldTypes);
        Captions = std::move(captions);
        endResetModel();
        return;
    }
    if (want > have) beginInsertColumns(QModelIndex(), have, want - 1);
    Types = std::move(fieldTypes);
    Captions = std::move(captions);
    if (want > have) endInsertColumns();
    List = list;
    if (want > 0) emit headerDataChanged(Qt::Horizontal, 0, want - 1);
    Refresh();
}

int TDataListModel::ShownFor(int count) const {
    if (static_cast<int64_t>(count) * RowHeight > PixelLimit) return std::min(WindowRows, count);
    return count;
}

void TDataListModel::SetItemCount(int count) {
    count = std::max(count, 0);
    const int shown = ShownFor(count);
    if (count == Count && shown == Shown) return;
    if ((shown < count) != Windowed() || (shown < count && shown != Shown)) {
        // Into or out of a window: the view starts over.
        beginResetModel();
        Count = count;
        Shown = shown;
        Offset = std::clamp(Offset, 0, Count - Shown);
        endResetModel();
        return;
    }
    if (shown < count) {
        // Still a window of the same length: only its start may have to come back.
        Count = count;
        if (Offset > Count - Shown) MoveWindow(Count - Shown);
        return;
    }
    if (count > Count) {
        beginInsertRows(QModelIndex(), Count, count - 1);
        Count = Shown = count;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), count, Count - 1);
        Count = Shown = count;
        endRemoveRows();
    }
}

void TDataListModel::SetRowHeight(int pixels) {
    RowHeight = std::max(pixels, 1);
    if (ShownFor(Count) == Shown) return;
    beginResetModel();
    Shown = ShownFor(Count);
    Offset = std::clamp(Offset, 0, Count - Shown);
    endResetModel();
}

int TDataListModel::RowOf(int position) const {
    const int row = position - Offset;
    return row >= 0 && row < Shown ? row : -1;
}

void TDataListModel::MoveWindow(int start) {
    start = std::clamp(start, 0, Count - Shown);
    if (start == Offset) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) {
        const int row = i.row() + Offset - start;
        to << (row >= 0 && row < Shown ? index(row, i.column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    Offset = start;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TDataListModel::SetViewMemo(bool on) { MemoShown = on; }

void TDataListModel::SetAlterColors(TColor even, TColor odd) {
    Even = ToQColor(even);
    Odd = ToQColor(odd);
}

void TDataListModel::Refresh() {
    if (Shown > 0 && !Types.empty())
        emit dataChanged(index(0, 0), index(Shown - 1, static_cast<int>(Types.size()) - 1));
}

QString TDataListModel::CellText(int position, int field) const {
    if (!List || position < 0 || field < 0 || field >= static_cast<int>(Types.size())) return {};
    const TDataRow* r = List->At(static_cast<size_t>(position));
    if (!r) return {};
    std::string_view text = r->Text(static_cast<size_t>(field));
    if (Types[static_cast<size_t>(field)] == 'M' && !MemoShown)
        return text.empty() ? QStringLiteral("Empty memo") : QStringLiteral("Full memo");
    return BytesToText(text);
}

int TDataListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Shown; }

int TDataListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Types.size());
}

QVariant TDataListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !List) return {};
    const int position = Offset + index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return CellText(position, index.column());
    case Qt::DecorationRole:
        if (index.column() == 0) {
            const TDataRow* r = List->At(static_cast<size_t>(position));
            if (r) return DeletionIcon(r->Deleted());
        }
        return {};
    case Qt::BackgroundRole:
        return (position % 2 == 0) ? Even : Odd;
    default:
        return {};
    }
}

QVariant TDataListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Captions.size())
        return Captions[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

QIcon TDataListModel::DeletionIcon(bool deleted) {
    // A small sheet for a record, crossed out in red when it is marked deleted.
    static const QIcon icons[2] = {
        [] {
            QPixmap p(16, 16);
            p.fill(Qt::transparent);
            QPainter g(&p);
            g.setPen(QColor(90, 110, 140));
            g.setBrush(QColor(235, 242, 250));
            g.drawRect(2, 1, 11, 13);
            g.setPen(QColor(150, 165, 185));
            for (int y = 4; y <= 11; y += 3) g.drawLine(4, y, 11, y);
            return QIcon(p);
        }(),
        [] {
            QPixmap p(16, 16);
            p.fill(Qt::transparent);
            QPainter g(&p);
            g.setRenderHint(QPainter::Antialiasing);
            g.setPen(QColor(140, 140, 140));
            g.setBrush(QColor(240, 240, 240));
            g.drawRect(2, 1, 11, 13);
            g.setPen(QPen(QColor(210, 30, 30), 2));
            g.drawLine(3, 3, 13, 13);
            g.drawLine(13, 3, 3, 13);
            return QIcon(p);
        }(),
    };
    return icons[deleted ? 1 : 0];
}
