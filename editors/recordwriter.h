// Writing the values of the record editor forms through the engine, and bringing the row lists
// up to date afterwards with the texts the row loader would show for the stored record.
#pragma once

#include "common/datalist.h"
#include "editors/fieldinput.h"

#include <cstdint>
#include <string>
#include <vector>

class TDBF;

namespace recedit {

using TRow = const TDataRow*;

// The row of record `recNo` as the row loader builds it (the table moves there).
TRow MakeRow(TDBF& dbf, TRowPool& pool, uint32_t recNo);
// Moves the table to the record of `row`; raises EDBFRecordsChanged (engine/dbferror.h) when
// it is gone, or is not what the row shows, its memo texts included: another program moved
// or changed it since the row was read.
void GoShown(TDBF& dbf, TRow row);

// Each stores the values in the table and puts the record's new row into the lists (both of
// them under a filter), returning it. Memo texts go to the memo file first and the record is
// posted once at the end, so a failure (the engine's error, raised) never leaves a record half
// written and the table is back in browse state. Values of kind Keep are not stored.

// Rewrites the record of `row`, which must still be as the row shows it (GoShown). With
// nothing to store, nothing is written and `row` returned.
// `asShown`: the record's bytes as the values were shown (TDBF::GetReadImage), when the caller
// kept them; when another program has changed the record since, the engine's error is raised
// and nothing is written.
TRow WriteEdit(TDBF& dbf, TRowStore& rows, TRow row, const std::vector<TFieldWrite>& writes,
               const std::string& asShown = {});
// Appends a record; the new row goes to the end of the lists.
TRow WriteAppend(TDBF& dbf, TRowStore& rows, const std::vector<TFieldWrite>& writes);
// Inserts a record before the record of `before`, which must still be as the row shows it
// (GoShown): the rows of that record and those after it
// (hidden ones too) take the next number, and the new row goes before `before`. Without a
// row to insert before (an empty list) the record is appended as by WriteAppend.
TRow WriteInsert(TDBF& dbf, TRowStore& rows, TRow before, const std::vector<TFieldWrite>& writes);

}  // namespace recedit
