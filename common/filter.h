// The filter: groups of conditions on the rows' display texts. A row passes when it satisfies
// every item of some group. Applying it keeps the passing rows in DataList and the full list in
// BackupDataList; undoing it puts the full list back.
#pragma once

#include "common/columninfo.h"
#include "common/datalist.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TFilterItem {
    std::string FieldName;  // found by name (without regard to case) when filtering
    int32_t Operator = 0;   // 0..8, see FilterOperatorText
    std::string Value;      // trimmed table bytes
};
using TFilterGroup = std::vector<TFilterItem>;
using TFilterList = std::vector<TFilterGroup>;

inline constexpr int FilterOperatorCount = 9;
// "None", "=", ">", "<", ">=", "<=", "<>", "Include", "NotInclude"; empty outside 0..8.
const char* FilterOperatorText(int op);
// The operator of a text; -1 for none of them.
int FilterOperatorOf(std::string_view text);

// The filter made ready for the rows of one table: each item's field found and its value read
// as a number once.
class TRowFilter {
public:
    TRowFilter(const TFilterList& list, const std::vector<TColumnInfo>& columns);
    bool Passes(const TDataRow& row) const;

private:
    enum class TKind { Text, Number, Integer };
    struct TItem {
        int Field;  // -1: no such field, the item is never satisfied
        TKind Kind;
        int Op;
        std::string Value;
        double Number = 0;
        int64_t Integer = 0;
    };
    bool Satisfies(const TItem& item, const TDataRow& row) const;
    std::vector<std::vector<TItem>> Groups;
};

// Applies the filter: nothing when one is applied already or the list has no group (false).
// Otherwise BackupDataList takes every row of DataList in order, DataList keeps each row that
// passes, once, in that order, and the store's UsingFilter goes on.
bool ApplyFilter(TRowStore& rows, const TFilterList& list, const std::vector<TColumnInfo>& columns);
// Undoes an applied filter: DataList takes back every row the store still holds, in its order
// before filtering, BackupDataList is emptied and UsingFilter goes off. False when none is
// applied.
bool UndoFilter(TRowStore& rows);
