#include "common/filter.h"

#include "common/valuetext.h"

namespace {

constexpr const char* OperatorTexts[FilterOperatorCount] = {"None", "=",  ">",       "<",         ">=",
                                                            "<=",   "<>", "Include", "NotInclude"};

double NumberOrZero(std::string_view text) {
    double v;
    return valuetext::ReadDouble(text, v) ? v : 0.0;
}

int64_t IntegerOrZero(std::string_view text) {
    int32_t v;
    return valuetext::ReadInt32(text, v) ? v : 0;
}

template <class T>
bool CompareBy(int op, const T& a, const T& b) {
    switch (op) {
    case 1: return a == b;
    case 2: return a > b;
    case 3: return a < b;
    case 4: return a >= b;
    case 5: return a <= b;
    case 6: return a != b;
    default: return false;
    }
}

}  // namespace

const char* FilterOperatorText(int op) { return op >= 0 && op < FilterOperatorCount ? OperatorTexts[op] : ""; }

int FilterOperatorOf(std::string_view text) {
    for (int i = 0; i < FilterOperatorCount; ++i)
        if (text == OperatorTexts[i]) return i;
    return -1;
}

TRowFilter::TRowFilter(const TFilterList& list, const std::vector<TColumnInfo>& columns) {
    for (const TFilterGroup& group : list) {
        std::vector<TItem> items;
        for (const TFilterItem& f : group) {
            TItem item;
            item.Field = ColumnIndex(columns, f.FieldName);
            item.Op = f.Operator;
            item.Value = f.Value;
            item.Kind = TKind::Text;
            if (item.Field >= 0) {
                switch (columns[size_t(item.Field)].Type) {
                case 'Y': case 'N': case 'F': case 'B': item.Kind = TKind::Number; break;
                case 'I': item.Kind = TKind::Integer; break;
                default: break;
                }
            }
            item.Number = NumberOrZero(item.Value);
            item.Integer = IntegerOrZero(item.Value);
            items.push_back(std::move(item));
        }
        Groups.push_back(std::move(items));
    }
}

bool TRowFilter::Satisfies(const TItem& item, const TDataRow& row) const {
    if (item.Op == 0) return true;
    if (item.Field < 0 || size_t(item.Field) >= row.FieldCount()) return false;
    const std::string_view text = row.Text(size_t(item.Field));
    switch (item.Kind) {
    case TKind::Number:
        if (item.Op == 1) return text == item.Value;  // "=" compares the texts
        return CompareBy(item.Op, NumberOrZero(text), item.Number);
    case TKind::Integer:
        return CompareBy(item.Op, IntegerOrZero(text), item.Integer);
    case TKind::Text:
        if (item.Op == 7) return text.find(item.Value) != std::string_view::npos;
        if (item.Op == 8) return text.find(item.Value) == std::string_view::npos;
        // std::string_view compares bytes as unsigned values.
        return CompareBy(item.Op, text, std::string_view(item.Value));
    }
    return false;
}

bool TRowFilter::Passes(const TDataRow& row) const {
    for (const std::vector<TItem>& group : Groups) {
        bool all = true;
        for (const TItem& item : group)
            if (!Satisfies(item, row)) {
                all = false;
                break;
            }
        if (all) return true;
    }
    return false;
}

bool ApplyFilter(TRowStore& rows, const TFilterList& list, const std::vector<TColumnInfo>& columns) {
    if (rows.UsingFilter || list.empty()) return false;
    TRowFilter filter(list, columns);
    const size_t n = rows.DataList.Count();
    rows.BackupDataList.Clear();
    for (size_t i = 0; i < n; ++i) rows.BackupDataList.Append(rows.DataList[i]);
    rows.DataList.RemoveIf([&](TRowStore::Row r) { return !filter.Passes(*r); });
    rows.UsingFilter = true;
    return true;
}

bool UndoFilter(TRowStore& rows) {
    if (!rows.UsingFilter) return false;
    rows.DataList.Clear();
    const size_t n = rows.BackupDataList.Count();
    for (size_t i = 0; i < n; ++i) rows.DataList.Append(rows.BackupDataList[i]);
    rows.BackupDataList.Clear();
    rows.UsingFilter = false;
    return true;
}
