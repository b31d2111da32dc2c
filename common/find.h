// Finding rows: the current search, matching one field text against it, and the search over
// the record list's rows in either direction. Works on the display texts of the row store.
#pragma once

#include "common/casefold.h"
#include "common/datalist.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The current search, kept for the whole run (filled by the find and replace dialogs and the
// quick search). Texts are table bytes.
struct TFindOptions {
    std::string Text;        // the text to find
    int32_t StartRow = 0;    // 0-based row where the next search starts
    bool ByField = true;     // always one field
    int32_t FieldIndex = 0;  // 0-based field
    int32_t Match = 0;       // 0 any part of the field, 1 whole field, 2 head of the field
    int32_t Direction = 0;   // 0 down, 1 up
    bool IgnoreCase = true;  // compare both texts in lower case
    std::string ReplaceText;
    int32_t From = -1, To = -1;  // 1-based row positions bounding Replace; -1 no bound
};

inline constexpr int32_t MatchAnyPart = 0;
inline constexpr int32_t MatchWholeField = 1;
inline constexpr int32_t MatchHead = 2;

// One search made ready: the search text folded once, so that each row costs one pass.
class TFindMatcher {
public:
    explicit TFindMatcher(const TFindOptions& options);
    bool Matches(std::string_view value) const;
    // The field index the search reads; rows without that field never match.
    int32_t Field() const { return FieldIndex; }
    bool Matches(const TDataRow& row) const {
        return FieldIndex >= 0 && static_cast<size_t>(FieldIndex) < row.FieldCount() &&
               Matches(row.Text(static_cast<size_t>(FieldIndex)));
    }

private:
    std::string Key;  // folded when IgnoreCase
    int32_t Match;
    int32_t FieldIndex;
    bool Fold;
    TCaseFold Folding;
    mutable std::string Scratch;
};

// The first row from StartRow on in the options' direction (down: StartRow to the last row;
// up: StartRow to the first) whose field matches; -1 when none or StartRow lies outside the
// rows.
ptrdiff_t FindRow(const TDataList& list, const TFindOptions& options);
