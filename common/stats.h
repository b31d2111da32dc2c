// Statistics of the record list: per field the smallest and largest value and, for numeric
// fields, the average and the sum, over the rows the list shows.
#pragma once

#include "common/columninfo.h"
#include "common/datalist.h"

#include <string>
#include <vector>

struct TFieldStat {
    std::string Name;
    char Type = 'C';
    std::string Min, Max, Avg, Sum;  // "-" where the type has no such value
};

// One entry per column, in field order. C, D, T: the smallest and largest text by byte value.
// Y, N, F, B: numbers (a text that does not read as one counts as 0), Min and Max in general
// form, Avg and Sum with the field's decimals. I: 64-bit integers, Avg truncated. Min and Max
// start from the first row, so they are values of the list; without rows they are empty and
// Avg is "-". Other types show "-" throughout.
std::vector<TFieldStat> FieldStatistics(const TDataList& list, const std::vector<TColumnInfo>& columns);
