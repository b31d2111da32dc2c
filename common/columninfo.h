// What the find, filter, sort and statistics back ends need to know of the open table's fields,
// taken once from the table so that they run over the row store alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TDBF;

struct TColumnInfo {
    std::string Name;
    char Type = 'C';
    int Length = 0;
    int Decimals = 0;
};

// One entry per field of the open table, in field order (none when it is closed).
std::vector<TColumnInfo> ColumnInfos(const TDBF& dbf);
// The index of the field of this name, compared as the table compares field names (ASCII
// letters without regard to case, blanks around the stored name ignored); -1 when none.
int ColumnIndex(const std::vector<TColumnInfo>& columns, std::string_view name);
