#include "app/sort.h"

#include "app/casefold.h"
#include "app/valuetext.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

TCompareKind CompareKindOf(char type) {
    switch (type) {
    case 'C': case 'D': case 'T': case 'L': case 'M': case 'G': case 'P': return TCompareKind::Text;
    case 'I': return TCompareKind::Integer;
    case 'Y': case 'N': case 'F': case 'B': return TCompareKind::Number;
    default: return TCompareKind::None;
    }
}

int CompareFoldedText(std::string_view a, std::string_view b) {
    const TCaseFold& fold = TCaseFold::AsciiUpper();
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = fold(static_cast<unsigned char>(a[i])), y = fold(static_cast<unsigned char>(b[i]));
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int64_t IntegerSortKey(std::string_view text) {
    int32_t v;
    return valuetext::ReadInt32(text, v) ? v : std::numeric_limits<int32_t>::min();
}

double NumberSortKey(std::string_view text) {
    double v;
    return valuetext::ReadDouble(text, v) ? v : -std::numeric_limits<double>::infinity();
}

namespace {

using Row = TDataList::Row;

// One key column read once: numbers, or the texts folded into one block. Texts keep eight
// bytes inline, taken after the start every text shares, so that most comparisons never touch
// the block.
struct TKeyColumn {
    TCompareKind Kind = TCompareKind::None;
    bool Descending = false;
    std::vector<double> Numbers;
    std::vector<int64_t> Integers;
    std::string Block;
    std::vector<uint64_t> Offsets;  // n + 1 entries
    size_t Shared = 0;              // bytes every text starts with
    std::vector<uint64_t> Prefix;   // big-endian bytes Shared .. Shared + 7, zero-padded

    std::string_view Text(uint32_t i) const {
        return std::string_view(Block.data() + Offsets[i], size_t(Offsets[i + 1] - Offsets[i]));
    }

    void Read(const std::vector<Row>& rows, int field, TCompareKind kind, bool descending) {
        Kind = kind;
        Descending = descending;
        const size_t n = rows.size();
        auto text = [&](size_t i) {
            return field >= 0 ? rows[i]->Text(static_cast<size_t>(field)) : std::string_view();
        };
        if (kind == TCompareKind::Number) {
            Numbers.resize(n);
            for (size_t i = 0; i < n; ++i) Numbers[i] = NumberSortKey(text(i));
        } else if (kind == TCompareKind::Integer) {
            Integers.resize(n);
            for (size_t i = 0; i < n; ++i) Integers[i] = IntegerSortKey(text(i));
        } else if (kind == TCompareKind::Text) {
            const TCaseFold& fold = TCaseFold::AsciiUpper();
            size_t total = 0;
            for (size_t i = 0; i < n; ++i) total += text(i).size();
            Block.resize(total);
            Offsets.resize(n + 1);
            size_t at = 0;
            for (size_t i = 0; i < n; ++i) {
                Offsets[i] = at;
                for (char c : text(i)) Block[at++] = static_cast<char>(fold(static_cast<unsigned char>(c)));
            }
            Offsets[n] = at;
            Shared = n ? Text(0).size() : 0;
            for (size_t i = 1; i < n && Shared; ++i) {
                std::string_view t = Text(static_cast<uint32_t>(i)), first = Text(0);
                size_t k = 0, lim = std::min(Shared, t.size());
                while (k < lim && t[k] == first[k]) ++k;
                Shared = k;
            }
            Prefix.resize(n);
            for (size_t i = 0; i < n; ++i) {
                std::string_view t = Text(static_cast<uint32_t>(i)).substr(Shared);
                uint64_t p = 0;
                for (size_t k = 0; k < 8; ++k)
                    p = (p << 8) | (k < t.size() ? static_cast<unsigned char>(t[k]) : 0u);
                Prefix[i] = p;
            }
        }
    }

    // Ascending comparison of rows a and b (indexes into the rows read).
    int CompareAsc(uint32_t a, uint32_t b) const {
        switch (Kind) {
        case TCompareKind::Number: return Numbers[a] < Numbers[b] ? -1 : Numbers[b] < Numbers[a] ? 1 : 0;
        case TCompareKind::Integer: return Integers[a] < Integers[b] ? -1 : Integers[b] < Integers[a] ? 1 : 0;
        case TCompareKind::Text: {
            if (Prefix[a] != Prefix[b]) return Prefix[a] < Prefix[b] ? -1 : 1;
            const std::string_view x = Text(a), y = Text(b);
            const size_t n = std::min(x.size(), y.size());
            const int c = n > Shared ? std::memcmp(x.data() + Shared, y.data() + Shared, n - Shared) : 0;
            if (c) return c;
            return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
        }
        case TCompareKind::None: return 0;
        }
        return 0;
    }
    int Compare(uint32_t a, uint32_t b) const { return Descending ? -CompareAsc(a, b) : CompareAsc(a, b); }
};

void Reorder(TDataList& list, const std::vector<Row>& rows, const std::vector<uint32_t>& order) {
    for (size_t i = 0; i < order.size(); ++i) list.Set(i, rows[order[i]]);
}

std::vector<uint32_t> Identity(size_t n) {
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
    return order;
}

}  // namespace

bool SortRows(TDataList& list, int fieldIndex, bool ascending, char type) {
    const TCompareKind kind = CompareKindOf(type);
    if (kind == TCompareKind::None) return false;
    const std::vector<Row> rows = list.Rows();
    const size_t n = rows.size();
    if (n < 2) return true;
    TKeyColumn key;
    key.Read(rows, fieldIndex, kind, !ascending);
    std::vector<uint32_t> order;
    if (kind == TCompareKind::Number) {
        // The key beside the handle, so that the sort reads memory in order.
        std::vector<std::pair<double, uint32_t>> items(n);
        for (size_t i = 0; i < n; ++i) items[i] = {key.Numbers[i], static_cast<uint32_t>(i)};
        auto less = [ascending](const auto& a, const auto& b) { return ascending ? a.first < b.first : b.first < a.first; };
        std::stable_sort(items.begin(), items.end(), less);
        order.resize(n);
        for (size_t i = 0; i < n; ++i) order[i] = items[i].second;
    } else if (kind == TCompareKind::Integer) {
        std::vector<std::pair<int64_t, uint32_t>> items(n);
        for (size_t i = 0; i < n; ++i) items[i] = {key.Integers[i], static_cast<uint32_t>(i)};
        auto less = [ascending](const auto& a, const auto& b) { return ascending ? a.first < b.first : b.first < a.first; };
        std::stable_sort(items.begin(), items.end(), less);
        order.resize(n);
        for (size_t i = 0; i < n; ++i) order[i] = items[i].second;
    } else {
        std::vector<std::pair<uint64_t, uint32_t>> items(n);
        for (size_t i = 0; i < n; ++i) items[i] = {key.Prefix[i], static_cast<uint32_t>(i)};
        auto less = [&key](const auto& a, const auto& b) {
            if (a.first != b.first) return key.Descending ? b.first < a.first : a.first < b.first;
            return key.Compare(a.second, b.second) < 0;
        };
        std::stable_sort(items.begin(), items.end(), less);
        order.resize(n);
        for (size_t i = 0; i < n; ++i) order[i] = items[i].second;
    }
    Reorder(list, rows, order);
    return true;
}

void SortRows(TDataList& list, const std::vector<TSortKey>& keys) {
    const std::vector<Row> rows = list.Rows();
    const size_t n = rows.size();
    std::vector<TKeyColumn> columns;
    for (const TSortKey& k : keys) {
        const TCompareKind kind = CompareKindOf(k.FieldType);
        if (kind == TCompareKind::None) break;
        columns.emplace_back();
        columns.back().Read(rows, k.FieldIndex, kind, k.Order == 2);
    }
    if (n < 2 || columns.empty()) return;
    std::vector<uint32_t> order = Identity(n);
    std::stable_sort(order.begin(), order.end(), [&columns](uint32_t a, uint32_t b) {
        for (const TKeyColumn& c : columns)
            if (int r = c.Compare(a, b)) return r < 0;
        return false;
    });
    Reorder(list, rows, order);
}
