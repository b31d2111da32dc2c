#include "app/datalistmodel.h"

#include <QApplication>
#include <gtest/gtest.h>
#include "qtapp.h"

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
