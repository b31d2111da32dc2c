#include "app/datalistmodel.h"

#include <QApplication>
#include <gtest/gtest.h>
#include "qtapp.h"

TEST(DataListModel, CellsComeFromRowsAndMemoColumnsFollowTheSwitch) {
    vxtest::App();
    TRowStore store;
    store.DataList.Append(store.Pool.Make(false, 1, {"caf\xe9", "memo text", "1.5"}));
    store.DataList.Append(store.Pool.Make(true, 2, {"b", "", "2"}));
    TDataListModel m;
    m.SetSource(&store.DataList, {'C', 'M', 'N'}, {"NAME [C] ", "NOTE [M] ", "QTY [N] "});
    m.SetItemCount(5);  // runs ahead of the two rows loaded
    EXPECT_EQ(m.rowCount(), 5);
    EXPECT_EQ(m.columnCount(), 3);
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), QString::fromLatin1("caf\xe9"));
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString().at(3).unicode(), 0xE9);
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), "Full memo");
    EXPECT_EQ(m.data(m.index(1, 1), Qt::DisplayRole).toString(), "Empty memo");
    m.SetViewMemo(true);
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), "memo text");
    EXPECT_EQ(m.data(m.index(1, 1), Qt::DisplayRole).toString(), "");
    EXPECT_EQ(m.data(m.index(4, 0), Qt::DisplayRole).toString(), "");  // not loaded yet
    EXPECT_FALSE(m.data(m.index(4, 0), Qt::DecorationRole).isValid());
    EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "NOTE [M] ");
}

TEST(DataListModel, AlternatingBackgroundsAndDeletionIcons) {
    vxtest::App();
    TRowStore store;
    for (int i = 0; i < 4; ++i) store.DataList.Append(store.Pool.Make(i == 1, uint32_t(i + 1), {"x"}));
    TDataListModel m;
    m.SetSource(&store.DataList, {'C'}, {"X [C] "});
    m.SetItemCount(4);
    m.SetAlterColors(0x000000FF, 0x00FF0000);  // red for even rows, blue for odd ones
    EXPECT_EQ(m.data(m.index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(m.data(m.index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(0, 0, 255));
    EXPECT_EQ(m.data(m.index(2, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    QIcon normal = m.data(m.index(0, 0), Qt::DecorationRole).value<QIcon>();
    QIcon deleted = m.data(m.index(1, 0), Qt::DecorationRole).value<QIcon>();
    EXPECT_NE(normal.cacheKey(), deleted.cacheKey());
    m.SetItemCount(1);
    EXPECT_EQ(m.rowCount(), 1);
    m.ClearSource();
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.columnCount(), 0);
}
