// Sorting: the three comparisons and their fallbacks, stability, several keys, and the sort
// against a reference built from the comparisons themselves. Also built with the standard
// library's debug mode, which checks that every comparison is a strict weak order.
#include "common/sort.h"

#include <gtest/gtest.h>

#include "rows_testutil.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using rowtest::OneColumn;
using rowtest::TRows;

TEST(Sort, TheThreeComparisonsAndTheirFallbacks) {
    struct Case {
        char type;
        bool ascending;
        std::vector<std::string> in, out;
    } cases[] = {
        {'I', true, {"10", "9", "x"}, {"x", "9", "10"}},
        {'I', true, {"5", "-2147483648", "3000000000", "x"}, {"-2147483648", "3000000000", "x", "5"}},
        {'N', true, {"2.5", "", "-1", ""}, {"", "", "-1", "2.5"}},
        {'N', false, {"2.5", "", "-1", ""}, {"2.5", "-1", "", ""}},
        {'N', true, {"1", "nan", "inf", "-1e999", "0", "-0"}, {"nan", "inf", "-1e999", "0", "-0", "1"}},
        {'F', true, {"1e3", "999.5", " 7 "}, {" 7 ", "999.5", "1e3"}},
        {'C', true, {"b", "_a", "B", "a", "A_", "ab"}, {"a", "ab", "A_", "b", "B", "_a"}},
        {'C', true, {"\xE9", "z", "\xC9", "Z"}, {"z", "Z", "\xC9", "\xE9"}},  // bytes by value
        {'D', false, {"2024-01-02", "    -  -  ", "2023-12-31"}, {"2024-01-02", "2023-12-31", "    -  -  "}},
    };
    for (const Case& c : cases) {
        TRows rows(OneColumn(c.in));
        ASSERT_TRUE(SortRows(rows.Store.DataList, 0, c.ascending, c.type));
        EXPECT_EQ(rows.Column(), c.out) << c.type << (c.ascending ? " asc" : " desc");
    }
    TRows rows(OneColumn({"b", "a"}));
    EXPECT_FALSE(SortRows(rows.Store.DataList, 0, true, 'X'));  // no comparison: unchanged
    EXPECT_EQ(rows.Column(), (std::vector<std::string>{"b", "a"}));
    EXPECT_LT(CompareFoldedText("abc", "ABD"), 0);
    EXPECT_LT(CompareFoldedText("AB", "ab_"), 0);
    EXPECT_EQ(CompareFoldedText("aBc", "AbC"), 0);
    EXPECT_TRUE(std::isinf(NumberSortKey("inf")));
    EXPECT_EQ(IntegerSortKey("2147483648"), INT32_MIN);
}

TEST(Sort, StableInBothDirectionsAndOverSeveralKeys) {
    // Long texts with a shared start take the comparison past the inline key bytes.
    const std::string p = "the same long beginning ";
    TRows rows({{p + "b", "2"}, {"A", "1"}, {p + "a", "3"}, {"a", "4"}, {p + "B", "5"}, {"a", "0"}});
    ASSERT_TRUE(SortRows(rows.Store.DataList, 0, true, 'C'));
    EXPECT_EQ(rows.RecNos(), (std::vector<uint32_t>{2, 4, 6, 3, 1, 5}));
    ASSERT_TRUE(SortRows(rows.Store.DataList, 0, false, 'C'));  // equal rows keep their order
    EXPECT_EQ(rows.RecNos(), (std::vector<uint32_t>{1, 5, 3, 2, 4, 6}));
    // Text descending, then number ascending.
    SortRows(rows.Store.DataList, {{0, 'C', 2}, {1, 'N', 1}});
    EXPECT_EQ(rows.Column(1), (std::vector<std::string>{"2", "5", "3", "0", "1", "4"}));
    // A key with no comparison ends the keys: the number key after it is not used.
    SortRows(rows.Store.DataList, {{0, 'C', 1}, {-1, '*', 1}, {1, 'N', 2}});
    EXPECT_EQ(rows.Column(1), (std::vector<std::string>{"0", "1", "4", "3", "2", "5"}));
    // A field beyond the rows compares every row equal.
    SortRows(rows.Store.DataList, {{9, 'N', 2}});
    EXPECT_EQ(rows.Column(1), (std::vector<std::string>{"0", "1", "4", "3", "2", "5"}));
}


TEST(Sort, AgreesWithTheComparisonsOnRandomRows) {
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {"", "a", "A", "b", "_", "ab", "\xE9", "nan", "inf", "1", "-2", "10",
                                             "2.5", " 3", "x", "0", "-0", "1e3", "9999999999"};
    auto piece = [&] { return pieces[rng() % pieces.size()]; };
    std::vector<std::vector<std::string>> data;
    for (int i = 0; i < 3000; ++i) data.push_back({piece() + piece(), piece(), piece()});
    const std::vector<TSortKey> keys = {{0, 'C', 2}, {1, 'N', 1}, {2, 'I', 2}};
    TRows rows(data);
    SortRows(rows.Store.DataList, keys);
    // The reference: a stable sort with the comparisons applied row by row.
    std::vector<uint32_t> expected(data.size());
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = uint32_t(i);
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        const auto& x = data[a];
        const auto& y = data[b];
        if (int c = CompareFoldedText(x[0], y[0])) return c > 0;
        const double p = NumberSortKey(x[1]), q = NumberSortKey(y[1]);
        if (p != q) return p < q;
        return IntegerSortKey(x[2]) > IntegerSortKey(y[2]);
    });
    for (uint32_t& e : expected) ++e;  // record numbers
    EXPECT_EQ(rows.RecNos(), expected);
    for (char type : {'C', 'N', 'I'}) {
        ASSERT_TRUE(SortRows(rows.Store.DataList, 0, false, type));
        ASSERT_TRUE(SortRows(rows.Store.DataList, 1, true, type));
    }
}
