#include "common/columninfo.h"

#include "common/valuetext.h"
#include "engine/dbf.h"

std::vector<TColumnInfo> ColumnInfos(const TDBF& dbf) {
    std::vector<TColumnInfo> out;
    if (!dbf.Active) return out;
    for (int i = 0; i < dbf.FieldCount; ++i) {
        const TField* f = dbf.GetField(i);
        if (!f) continue;
        out.push_back({f->GetName(), f->GetFieldType(), f->GetLength(), f->GetDecimals()});
    }
    return out;
}

namespace {

bool SameNameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

int ColumnIndex(const std::vector<TColumnInfo>& columns, std::string_view name) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (SameNameAscii(valuetext::Trim(columns[i].Name), name)) return static_cast<int>(i);
    return -1;
}
