// Sorting the record list by the display texts of one or more columns. Each key column is read
// once into numbers or folded texts, then row handles are sorted, stably: rows that compare
// equal keep their order.
#pragma once

#include "common/datalist.h"

#include <cstdint>
#include <string_view>
#include <vector>

// One key of a multi-column sort.
struct TSortKey {
    int32_t FieldIndex = -1;
    char FieldType = '*';  // the field's type letter
    uint8_t Order = 1;     // 1 ascending, 2 descending
};

// The comparison a type letter picks: C, D, T, L, M, G, P texts; I integers; Y, N, F, B
// numbers; any other letter none.
enum class TCompareKind { None, Text, Integer, Number };
TCompareKind CompareKindOf(char type);

// Texts compared byte by byte with only a-z folded to A-Z; a text that is the start of the
// other sorts first. Negative, zero or positive.
int CompareFoldedText(std::string_view a, std::string_view b);
// The key of a text for the integer comparison: the 32-bit integer it reads as, or
// -2147483648 when it does not read as one.
int64_t IntegerSortKey(std::string_view text);
// The key of a text for the number comparison: the finite number it reads as, or minus
// infinity when it does not read as one ("nan" and "inf" do not).
double NumberSortKey(std::string_view text);

// Sorts the list by one field; false, with the list unchanged, when the type letter picks no
// comparison.
bool SortRows(TDataList& list, int fieldIndex, bool ascending, char type);
// Sorts the list by the keys in priority order. A key whose letter picks no comparison ends
// the keys: it and those after it count every pair of rows as equal.
void SortRows(TDataList& list, const std::vector<TSortKey>& keys);
