#include "common/find.h"

#include <algorithm>
#include <cstring>

TFindMatcher::TFindMatcher(const TFindOptions& options)
    : Match(options.Match), FieldIndex(options.FieldIndex), Fold(options.IgnoreCase) {
    if (Fold) {
        Folding = TCaseFold::Lower();
        Key = Folding.Apply(options.Text);
    } else {
        Key = options.Text;
    }
}

bool TFindMatcher::Matches(std::string_view value) const {
    switch (Match) {
    case MatchWholeField:
        if (value.size() != Key.size()) return false;
        if (!Fold) return value == std::string_view(Key);
        for (size_t i = 0; i < value.size(); ++i)
            if (Folding(static_cast<unsigned char>(value[i])) != static_cast<unsigned char>(Key[i])) return false;
        return true;
    case MatchHead:
        if (value.size() < Key.size()) return false;
        if (!Fold) return value.substr(0, Key.size()) == std::string_view(Key);
        for (size_t i = 0; i < Key.size(); ++i)
            if (Folding(static_cast<unsigned char>(value[i])) != static_cast<unsigned char>(Key[i])) return false;
        return true;
    case MatchAnyPart:
        if (value.size() < Key.size()) return false;
        if (!Fold) return value.find(Key) != std::string_view::npos;
        Folding.Apply(value, Scratch);
        return std::string_view(Scratch).find(Key) != std::string_view::npos;
    default:
        return false;
    }
}

ptrdiff_t FindRow(const TDataList& list, const TFindOptions& options) {
    const ptrdiff_t count = static_cast<ptrdiff_t>(list.Count());
    const ptrdiff_t start = options.StartRow;
    if (start < 0 || start >= count) return -1;
    TFindMatcher matcher(options);
    if (options.Direction == 0) {
        for (ptrdiff_t i = start; i < count; ++i)
            if (matcher.Matches(*list[static_cast<size_t>(i)])) return i;
    } else {
        for (ptrdiff_t i = start; i >= 0; --i)
            if (matcher.Matches(*list[static_cast<size_t>(i)])) return i;
    }
    return -1;
}
