#include "common/sort.h"

#include "common/casefold.h"
#include "common/valuetext.h"

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

// Keys as unsigned words whose order is the comparison's order.
uint64_t NumberWord(double v) {
    if (v == 0) v = 0;  // -0 and 0 compare equal
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits & 0x8000000000000000ull ? ~bits : bits | 0x8000000000000000ull;
}

uint64_t IntegerWord(int64_t v) { return static_cast<uint64_t>(v) ^ 0x8000000000000000ull; }

// One key column read once: a word per row that orders the rows by this key. For texts the
// word holds the eight folded bytes after the start that every text shares; when some text is
// longer than that (or holds a zero byte) the word only orders the first bytes and ties are
// broken on the folded texts themselves.
struct TKeyColumn {
    bool Descending = false;
    bool Exact = true;
    std::vector<uint64_t> Words;
    std::string Block;              // the folded texts, one after the other
    std::vector<uint64_t> Offsets;  // n + 1 entries
    size_t Shared = 0;

    std::string_view Text(uint32_t i) const {
        return std::string_view(Block.data() + Offsets[i], size_t(Offsets[i + 1] - Offsets[i]));
    }

    TCompareKind Kind = TCompareKind::Text;
    int Field = -1;

    void Start(int field, TCompareKind kind, bool descending, size_t rows) {
        Field = field;
        Kind = kind;
        Descending = descending;
        Words.reserve(rows);
        if (kind == TCompareKind::Text) Offsets.reserve(rows + 1);
    }

    // The key of the next row.
    void Add(std::string_view text) {
        if (Kind == TCompareKind::Number) {
            Words.push_back(NumberWord(NumberSortKey(text)));
        } else if (Kind == TCompareKind::Integer) {
            Words.push_back(IntegerWord(IntegerSortKey(text)));
        } else {
            const TCaseFold& fold = TCaseFold::AsciiUpper();
            const size_t at = Block.size();
            Offsets.push_back(at);
            if (Block.capacity() < at + text.size()) Block.reserve(2 * (at + text.size()));
            Block.resize(at + text.size());
            char* out = Block.data() + at;
            for (size_t k = 0; k < text.size(); ++k) out[k] = static_cast<char>(fold(static_cast<unsigned char>(text[k])));
        }
    }

    void Finish() {
        if (Kind == TCompareKind::Text) {
            Offsets.push_back(Block.size());
            FinishTexts();
        }
        if (Descending)
            for (uint64_t& w : Words) w = ~w;
    }

    void FinishTexts() {
        const size_t n = Offsets.size() - 1;
        Shared = n ? Text(0).size() : 0;
        for (size_t i = 1; i < n && Shared; ++i) {
            const std::string_view t = Text(static_cast<uint32_t>(i)), first = Text(0);
            size_t k = 0;
            const size_t lim = std::min(Shared, t.size());
            while (k < lim && t[k] == first[k]) ++k;
            Shared = k;
        }
        Words.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const std::string_view t = Text(static_cast<uint32_t>(i)).substr(Shared);
            uint64_t w = 0;
            for (size_t k = 0; k < 8; ++k) {
                const unsigned char c = k < t.size() ? static_cast<unsigned char>(t[k]) : 0u;
                if (k < t.size() && c == 0) Exact = false;  // a zero byte reads like the end
                w = (w << 8) | c;
            }
            if (t.size() > 8) Exact = false;
            Words[i] = w;
        }
    }

    // Rows a and b (indexes into the rows read) whose words are equal: the rest of their texts.
    bool TailLess(uint32_t a, uint32_t b) const {
        const std::string_view x = Text(a), y = Text(b);
        const size_t n = std::min(x.size(), y.size());
        int c = n > Shared ? std::memcmp(x.data() + Shared, y.data() + Shared, n - Shared) : 0;
        if (c == 0) c = x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
        return Descending ? c > 0 : c < 0;
    }
};

struct TItem {
    uint64_t Word;
    uint32_t Index;
};

// Stable sort by word: least significant digit first, 11 bits at a time, skipping digits in
// which every word agrees.
void RadixSort(std::vector<TItem>& items) {
    constexpr int Bits = 11;
    constexpr size_t Buckets = size_t(1) << Bits;
    uint64_t differ = 0;
    for (const TItem& it : items) differ |= it.Word ^ items[0].Word;
    std::vector<TItem> other(items.size());
    std::vector<size_t> count(Buckets);
    for (int shift = 0; shift < 64; shift += Bits) {
        if (((differ >> shift) & (Buckets - 1)) == 0) continue;
        std::fill(count.begin(), count.end(), 0);
        for (const TItem& it : items) ++count[(it.Word >> shift) & (Buckets - 1)];
        size_t sum = 0;
        for (size_t& c : count) {
            const size_t k = c;
            c = sum;
            sum += k;
        }
        for (const TItem& it : items) other[count[(it.Word >> shift) & (Buckets - 1)]++] = it;
        items.swap(other);
    }
}

// One stable pass over `order` (indexes into the rows read) by one key.
void SortByKey(std::vector<uint32_t>& order, const TKeyColumn& key) {
    std::vector<TItem> items(order.size());
    for (size_t i = 0; i < order.size(); ++i) items[i] = {key.Words[order[i]], order[i]};
    if (key.Exact) {
        RadixSort(items);
    } else {
        std::stable_sort(items.begin(), items.end(), [&key](const TItem& a, const TItem& b) {
            if (a.Word != b.Word) return a.Word < b.Word;
            return key.TailLess(a.Index, b.Index);
        });
    }
    for (size_t i = 0; i < order.size(); ++i) order[i] = items[i].Index;
}

void SortByKeys(TDataList& list, const std::vector<int>& fields, const std::vector<TCompareKind>& kinds,
                const std::vector<bool>& descending) {
    const std::vector<Row> rows = list.Rows();
    const size_t n = rows.size();
    if (n < 2 || fields.empty()) return;
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
    // Every key is read in one sweep over the rows. The rows lie anywhere in the pool, so each
    // is fetched ahead of its turn: its head a few rows early, its texts a little later.
    std::vector<TKeyColumn> keys(fields.size());
    for (size_t k = 0; k < keys.size(); ++k) keys[k].Start(fields[k], kinds[k], descending[k], n);
    constexpr size_t HeadAhead = 16, TextAhead = 8;
    for (size_t i = 0; i < n; ++i) {
        if (i + HeadAhead < n) __builtin_prefetch(rows[i + HeadAhead]);
        if (i + TextAhead < n && fields[0] >= 0)
            __builtin_prefetch(rows[i + TextAhead]->Text(static_cast<size_t>(fields[0])).data());
        for (TKeyColumn& key : keys)
            key.Add(key.Field >= 0 ? rows[i]->Text(static_cast<size_t>(key.Field)) : std::string_view());
    }
    // Stable passes from the last key to the first give the order of the keys taken together.
    for (size_t k = keys.size(); k-- > 0;) {
        keys[k].Finish();
        SortByKey(order, keys[k]);
        keys[k] = TKeyColumn();
    }
    for (size_t i = 0; i < n; ++i) list.Set(i, rows[order[i]]);
}

}  // namespace

bool SortRows(TDataList& list, int fieldIndex, bool ascending, char type) {
    const TCompareKind kind = CompareKindOf(type);
    if (kind == TCompareKind::None) return false;
    SortByKeys(list, {fieldIndex}, {kind}, {!ascending});
    return true;
}

void SortRows(TDataList& list, const std::vector<TSortKey>& keys) {
    std::vector<int> fields;
    std::vector<TCompareKind> kinds;
    std::vector<bool> descending;
    for (const TSortKey& k : keys) {
        const TCompareKind kind = CompareKindOf(k.FieldType);
        if (kind == TCompareKind::None) break;  // this key and those after it see equal rows
        fields.push_back(k.FieldIndex);
        kinds.push_back(kind);
        descending.push_back(k.Order == 2);
    }
    SortByKeys(list, fields, kinds, descending);
}
