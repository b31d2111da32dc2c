#include "common/stats.h"

#include "common/valuetext.h"

#include <string_view>

namespace {

// The least and the greatest value of a column and their sum; a text `read` refuses counts as 0.
template <class V, class T, class Read>
void Span(const TDataList& list, size_t field, Read read, T& lo, T& hi, T& sum) {
    for (size_t i = 0; i < list.Count(); ++i) {
        V v;
        if (!read(list[i]->Text(field), v)) v = 0;
        if (i == 0 || v < lo) lo = v;
        if (i == 0 || v > hi) hi = v;
        sum += v;
    }
}

void TextStat(const TDataList& list, size_t field, TFieldStat& s) {
    const size_t n = list.Count();
    std::string_view lo, hi;
    for (size_t i = 0; i < n; ++i) {
        const std::string_view t = list[i]->Text(field);
        if (i == 0 || t < lo) lo = t;
        if (i == 0 || t > hi) hi = t;
    }
    s.Min.assign(lo);
    s.Max.assign(hi);
    s.Avg = s.Sum = "-";
}

void NumberStat(const TDataList& list, const TColumnInfo& c, size_t field, TFieldStat& s) {
    const size_t n = list.Count();
    double lo = 0, hi = 0, sum = 0;
    Span<double>(list, field, valuetext::ReadDouble, lo, hi, sum);
    if (n) {
        s.Min = valuetext::FloatToStrGeneral(lo);
        s.Max = valuetext::FloatToStrGeneral(hi);
        s.Avg = valuetext::FormatFixed(sum / double(n), c.Decimals);
    } else {
        s.Avg = "-";
    }
    s.Sum = valuetext::FormatFixed(sum, c.Decimals);
}

void IntegerStat(const TDataList& list, size_t field, TFieldStat& s) {
    const size_t n = list.Count();
    int64_t lo = 0, hi = 0, sum = 0;  // 32-bit values: 2^32 rows could not overflow the sum
    Span<int32_t>(list, field, valuetext::ReadInt32, lo, hi, sum);
    if (n) {
        s.Min = std::to_string(lo);
        s.Max = std::to_string(hi);
        s.Avg = std::to_string(sum / static_cast<int64_t>(n));
    } else {
        s.Avg = "-";
    }
    s.Sum = std::to_string(sum);
}

}  // namespace

std::vector<TFieldStat> FieldStatistics(const TDataList& list, const std::vector<TColumnInfo>& columns) {
    std::vector<TFieldStat> out;
    out.reserve(columns.size());
    for (size_t k = 0; k < columns.size(); ++k) {
        const TColumnInfo& c = columns[k];
        TFieldStat s;
        s.Name = c.Name;
        s.Type = c.Type;
        switch (c.Type) {
        case 'C': case 'D': case 'T': TextStat(list, k, s); break;
        case 'Y': case 'N': case 'F': case 'B': NumberStat(list, c, k, s); break;
        case 'I': IntegerStat(list, k, s); break;
        default: s.Min = s.Max = s.Avg = s.Sum = "-"; break;
        }
        out.push_back(std::move(s));
    }
    return out;
}
