// The record reader compares each record it positions the table on with its row, the marks and
// prints worked out on a thread of its own for windows of many rows: in any order of the rows,
// over several windows, with rows skipped, and with the writing stopped halfway by a record
// another program changed in place (also part of the ThreadSanitizer run).
#include "common/records_testutil.h"
#include "export/rowsource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Reads the rows through a reader, window by window, and returns the names it was positioned
// on; `skip(i)` leaves row i unread, as a writer does with rows it does not want.
template <class Skip>
std::string ReadNames(TDBF& dbf, const std::vector<TDataList::Row>& rows, Skip skip) {
    TRecordReader reader(dbf, {0, 1}, false);
    std::string names;
    for (size_t from = 0; from < rows.size(); from += reader.WindowRows()) {
        const std::vector<TDataList::Row> window(rows.begin() + std::ptrdiff_t(from),
                                                 rows.begin() + std::ptrdiff_t(std::min(rows.size(), from + reader.WindowRows())));
        reader.Load(window);
        for (size_t k = 0; k < window.size(); ++k) {
            if (skip(from + k)) continue;
            reader.Select(k);
            names += dbf.GetField(0)->GetAsTrimmedString() + ",";
        }
    }
    return names;
}

}  // namespace

TEST(RecordReader, EveryRecordIsComparedInItsRowsOrderAcrossWindows) {
    vxtest::TempDir dir;
    const std::string path = rectest::MakeTable(dir.Path("t.dbf"), 3 * 4096 + 77);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    TRowStore rows;
    rectest::LoadRows(dbf, rows);
    std::vector<TDataList::Row> order = rows.DataList.Rows();
    std::shuffle(order.begin(), order.end(), std::mt19937(11));

    std::string want;
    for (size_t i = 0; i < order.size(); ++i)
        if (i % 5) want += "r" + std::to_string(order[i]->RecNo()) + ",";
    EXPECT_TRUE(ReadNames(dbf, order, [](size_t i) { return i % 5 == 0; }) == want);

    // Another program rewrites a record in the third window in place: reading stops there,
    // whichever rows were read before it.
    const uint32_t changed = order[2 * 4096 + 100]->RecNo();
    {
        TDBF other;
        other.SetFileName(path);
        other.Open();
        other.Go(changed);
        other.Edit();
        other.GetField(0)->SetAsString("theirs");
        other.Post();
    }
    for (int round = 0; round < 3; ++round)
        EXPECT_THROW(ReadNames(dbf, order, [](size_t) { return false; }), EDBFRecordsChanged);
    // Rows read before it, and a list without it, read as before.
    order.erase(order.begin() + 2 * 4096 + 100);
    EXPECT_NO_THROW(ReadNames(dbf, order, [](size_t) { return false; }));
    // So does the same row once another program marks it: the mark is compared too.
    const uint32_t marked = order[5]->RecNo();
    {
        TDBF other;
        other.SetFileName(path);
        other.Open();
        other.SetDeletedFlags({{marked, order[5]->Deleted() ? false : true}});
    }
    EXPECT_THROW(ReadNames(dbf, order, [](size_t) { return false; }), EDBFRecordsChanged);
    EXPECT_NO_THROW(ReadNames(dbf, order, [](size_t i) { return i == 5; }));
}
