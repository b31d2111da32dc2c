// Replace: the new text of a matched field, its conversion to what the field stores, and the
// command over a range of the record list, writing each changed record through the engine and
// then giving its row the text the file now holds.
#pragma once

#include "common/datalist.h"
#include "common/errortext.h"
#include "common/find.h"

#include <optional>
#include <string>
#include <string_view>

class TDBF;
class TField;

// The new text of a field whose text `value` the matcher accepted: for whole-field matching the
// replacement; otherwise `value` with the first occurrence of the search text (found with
// letter case as typed) replaced, or `value` itself when it occurs only in another case.
std::string ReplacedText(std::string_view value, const TFindOptions& options);

// Puts `text` into the current record's field as the field's type stores it: Y as currency,
// I as a 32-bit integer, N and F as a number rounded to the field's decimals, B as a double,
// D and T as a date ("yyyy-M-d") or date-time, M as a new memo text, the others as text.
// Returns an empty failure on success, else why not (a conversion error quotes the text), with
// the record buffer left unchanged; a memo file that cannot take the text raises the engine's
// error. G and P fields are never written (their text names no value).
TFailure StoreFieldText(TDBF& dbf, TField& field, const std::string& text);

struct TReplaceResult {
    int Count = 0;          // rows whose record was written
    int FirstPosition = 0;  // 1-based list position of the first of them; 0 none
    TFailure Error;         // the failure that stopped the command; empty when none
};

// What the user is told at the end: the number of rows whose record was written (N " Low(s)
// affected."), after the failure's text when a failure stopped the command part way.
QString ReplaceMessage(const TReplaceResult& result);

// Replaces in the rows at positions From..To of DataList (-1 meaning the first, the last row):
// every row whose field matches gets its new value written to its record (rows whose value
// would not change, and G and P fields, are skipped), then the row takes the display text the
// record now holds. The range must lie within 1..row count, else nothing happens. Stops at the
// first value that does not convert or that the engine refuses; the rows before it stay
// replaced, that row keeps the text its record holds.
TReplaceResult ReplaceInRows(TDBF& dbf, TRowStore& rows, const TFindOptions& options);
