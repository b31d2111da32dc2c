#include "common/datalist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

TEST(DataRow, HoldsMarkNumberAndTextsInOneBlockOfAnySize) {
    TRowPool pool;
    const TDataRow* r = pool.Make(true, 42, {"abc", "", std::string("x\0y", 3)});
    EXPECT_TRUE(r->Deleted());
    ASSERT_EQ(r->FieldCount(), 3u);
    // Beyond the row the texts are empty; items are the mark, the number, then the texts.
    EXPECT_EQ((std::vector<std::string_view>{r->Text(0), r->Text(1), r->Text(2), r->Text(3)}),
              (std::vector<std::string_view>{"abc", "", std::string_view("x\0y", 3), ""}));
    EXPECT_EQ(r->Item(0) + "|" + r->Item(1) + "|" + r->Item(2), "1|42|abc");
    EXPECT_EQ(pool.Make(false, 1, {})->Item(0), "0");
    // A row larger than a block; the small rows around it share one block.
    const std::string big(3 << 20, 'm');
    const TDataRow* small1 = pool.Make(false, 1, {"a"});
    EXPECT_EQ(pool.Make(false, 2, {big})->Text(0).size(), big.size());
    EXPECT_EQ(std::string(small1->Text(0)) + std::string(pool.Make(false, 3, {"b"})->Text(0)), "ab");
    EXPECT_LT(pool.BytesHeld(), big.size() + (2u << 20));
}

TEST(DataList, AppendAcrossChunksAndEditOperations) {
    TRowPool pool;
    TDataList list;
    const size_t n = 70000;  // more than one chunk of handles
    for (size_t i = 0; i < n; ++i) list.Append(pool.Make(false, static_cast<uint32_t>(i + 1), {"r"}));
    ASSERT_EQ(list.Count(), n);
    EXPECT_EQ(list[65536]->RecNo(), 65537u);
    EXPECT_EQ(list.At(n), nullptr);
    list.Remove(0);
    EXPECT_EQ(list[0]->RecNo(), 2u);
    EXPECT_EQ(list.Count(), n - 1);
    const TDataRow* x = pool.Make(true, 999, {});
    list.Insert(1, x);
    EXPECT_EQ(list[1], x);
    EXPECT_EQ(list[2]->RecNo(), 3u);
    list.Truncate(3);
    EXPECT_EQ(list.Count(), 3u);
    list.Truncate(10);  // never grows
    EXPECT_EQ(list.Count(), 3u);
    auto rows = list.Rows();
    std::swap(rows[0], rows[2]);
    list.Assign(rows);
    EXPECT_EQ(list[2]->RecNo(), 2u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    list.Append(x);  // reuses the chunks it has
    EXPECT_EQ(list[0], x);
}

TEST(DataList, ReadersSeeOnlyCompleteRowsWhileOneThreadAppends) {
    TRowPool pool;
    TDataList list;
    const uint32_t n = 300000;
    std::atomic<bool> done{false};
    // The loader borrows the pool and the list to append, as TWorkThread does.
    for (const TThreadOwner* o : {&pool.Owner, &list.Owner}) o->Lend(TThreadOwner::TLoan::Append);
    std::thread loader([&] {
        for (const TThreadOwner* o : {&pool.Owner, &list.Owner}) o->Borrow();
        for (uint32_t i = 1; i <= n; ++i) list.Append(pool.Make(false, i, {std::to_string(i)}));
        for (const TThreadOwner* o : {&pool.Owner, &list.Owner}) o->Return();
        done = true;
    });
    size_t checks = 0;
    while (!done || checks == 0) {
        size_t c = list.Count();
        if (c == 0) continue;
        const TDataRow* last = list[c - 1];
        ASSERT_EQ(last->RecNo(), c);
        ASSERT_EQ(last->Text(0), std::to_string(c));
        ++checks;
    }
    loader.join();
    EXPECT_EQ(list.Count(), n);
}

// Six records 1..6, a filter showing 2, 3 and 5; removing records 2 and 5 leaves both lists
// without them and renumbers the hidden rows as well as the shown ones.
TEST(RowStore, RemoveAndInsertKeepBothListsRightUnderAFilter) {
    TRowStore s;
    std::vector<TDataList::Row> rows;
    for (uint32_t i = 1; i <= 6; ++i) rows.push_back(s.Pool.Make(i == 4, i, {std::string(1, char('a' + i - 1))}));
    for (auto r : rows) s.DataList.Append(r);
    s.BackupDataList.Assign(s.DataList.Rows());
    s.DataList.Assign({rows[1], rows[2], rows[4]});
    s.UsingFilter = true;

    EXPECT_EQ(s.RemoveRecords({5, 2, 5}), 2u);
    auto texts = [](const TDataList& l) {
        std::string out;
        for (size_t i = 0; i < l.Count(); ++i) out += std::string(l[i]->Text(0)) + std::to_string(l[i]->RecNo()) + " ";
        return out;
    };
    EXPECT_EQ(texts(s.DataList), "c2 ");
    EXPECT_EQ(texts(s.BackupDataList), "a1 c2 d3 f4 ");

    TRowStore::SetMark(rows[2], true);  // seen through both lists
    EXPECT_TRUE(s.BackupDataList[1]->Deleted());

    s.ShiftForInsert(2);
    auto x = s.Pool.Make(false, 2, {"x"});
    s.InsertRowBefore(rows[2], x);
    EXPECT_EQ(texts(s.DataList), "x2 c3 ");
    EXPECT_EQ(texts(s.BackupDataList), "a1 x2 c3 d4 f5 ");

    auto y = s.Pool.Make(false, 2, {"y"});
    s.ReplaceRow(x, y);
    EXPECT_EQ(texts(s.BackupDataList), "a1 y2 c3 d4 f5 ");
    s.UsingFilter = false;
    s.DataList.Assign(s.BackupDataList.Rows());
    s.AppendRow(s.Pool.Make(false, 6, {"z"}));
    EXPECT_EQ(texts(s.DataList), "a1 y2 c3 d4 f5 z6 ");
}

// The set of record numbers gives the same answers from its table and from its search (a set
// spread too thin for a table), at its ends and beyond them; rows renumbered by moves and by
// removals spread that thin come out as with a table.
TEST(RecordNumbers, TableAndSearchAgreeAtTheEndsAndBeyond) {
    const std::vector<uint32_t> set = {3, 4, 9, 10, 11, 4000};
    const TRecordNumbers table(set, 100000), search(set, 0);
    for (uint32_t r : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 9u, 11u, 12u, 3999u, 4000u, 4001u, UINT32_MAX}) {
        SCOPED_TRACE(r);
        const bool in = std::find(set.begin(), set.end(), r) != set.end();
        const uint32_t below = uint32_t(std::lower_bound(set.begin(), set.end(), r) - set.begin());
        EXPECT_EQ(table.Has(r), in);
        EXPECT_EQ(search.Has(r), in);
        EXPECT_EQ(table.Below(r), below);
        EXPECT_EQ(search.Below(r), below);
    }
    EXPECT_FALSE(TRecordNumbers({}, 10).Has(0));
    EXPECT_EQ(TRecordNumbers({}, 10).Below(7), 0u);

    TRowStore s;
    for (uint32_t r : {1u, 2u, 3u, 500000u, 500001u, 4000000000u}) s.DataList.Append(s.Pool.Make(false, r, {}));
    s.HiddenRows.Append(s.Pool.Make(true, 4000000001u, {}));
    EXPECT_EQ(s.RemoveRecords({2, 500000}), 2u);
    s.RenumberRecords({{3999999998u, 7}, {499999u, 2}, {499999u, 9}});
    std::string numbers;
    for (size_t i = 0; i < s.DataList.Count(); ++i) numbers += std::to_string(s.DataList[i]->RecNo()) + " ";
    EXPECT_EQ(numbers, "1 2 2 7 ");  // the first move given for a record wins
    EXPECT_EQ(s.HiddenRows[0]->RecNo(), 3999999999u);
}

TEST(RowStore, FieldsJoinACopyOfEveryRowOrLeaveTheRowsInPlace) {
    const std::vector<std::vector<std::string>> texts = {
        {"alpha", "", "12.5", std::string("x\0y", 3)}, {"", "", "", ""}, {"b", "longer text here", "7", "z"}};
    auto joined = [](const TDataRow* r) {
        std::string out = r->MarkText() + r->RecNoText() + ":";
        for (size_t k = 0; k < r->FieldCount(); ++k) out += std::string(r->Text(k)) + "|";
        return out;
    };
    const struct {
        std::vector<int32_t> Gone;
        std::vector<size_t> Kept;
    } cases[] = {{{0}, {1, 2, 3}}, {{1, 3}, {0, 2}}, {{3}, {0, 1, 2}}, {{0, 1, 2, 3}, {}}, {{2, 9}, {0, 1, 3}}, {{}, {0, 1, 2, 3}}};
    for (const auto& c : cases) {
        TRowStore s;
        std::vector<TDataList::Row> rows;
        for (size_t i = 0; i < texts.size(); ++i) {
            rows.push_back(s.Pool.Make(i == 1, uint32_t(i + 7), texts[i]));
            s.DataList.Append(rows.back());
        }
        TRowStore added;
        for (size_t i = 0; i < rows.size(); ++i) added.DataList.Append(added.Pool.MakeWithField(*rows[i], "new"));
        s.RemoveFields(c.Gone);
        for (size_t i = 0; i < rows.size(); ++i) {
            std::string want = (i == 1 ? "1" : "0") + std::to_string(i + 7) + ":";
            for (size_t k : c.Kept) want += texts[i][k] + "|";
            EXPECT_EQ(joined(s.DataList[i]), want);  // the same row object, fewer fields
            EXPECT_EQ(s.DataList[i], rows[i]);
            std::string wide = (i == 1 ? "1" : "0") + std::to_string(i + 7) + ":";
            for (const std::string& t : texts[i]) wide += t + "|";
            EXPECT_EQ(joined(added.DataList[i]), wide + "new|");
        }
    }
    // A long list is shared out among threads: each row loses its field once.
    TRowStore big;
    for (uint32_t r = 1; r <= 20000; ++r) big.DataList.Append(big.Pool.Make(r % 2, r, {"a" + std::to_string(r), "gone", "c"}));
    big.RemoveFields({1});
    for (uint32_t r = 1; r <= 20000; ++r)
        ASSERT_EQ(joined(big.DataList[r - 1]), std::to_string(r % 2) + std::to_string(r) + ":a" + std::to_string(r) + "|c|");
}
