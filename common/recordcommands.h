// The record commands over the open table and its rows, without a window: deletion marks,
// removing rows' records, truncating below a row, the deleted-rows views and appending the
// records of another table. Each writes the table through the engine's bulk operations and
// then brings the rows in step, in both lists when a filter is applied, so that the rows and
// the file agree. Engine failures pass on as exceptions. Each lends the engine what its rows
// show (TRowsShown): when a record it acts on is no longer as its row shows, because another
// program moved or changed records since the list was read, the engine raises
// EDBFRecordsChanged and nothing is written; the rows stay as they were.
#pragma once

#include "common/datalist.h"
#include "common/recordimage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TDBF;

namespace records {

// Positions in DataList, first..last inclusive.
struct TRowRange {
    size_t First = 0;
    size_t Last = 0;
};
// Ranges sorted, overlapping and touching ones joined, and cut to the rows there are.
std::vector<TRowRange> NormalizeRanges(std::vector<TRowRange> ranges, size_t rowCount);
size_t RowCount(const std::vector<TRowRange>& ranges);
// The record numbers of the rows, in list order, and the rows themselves.
std::vector<uint32_t> RecordNumbers(const TRowStore& rows, const std::vector<TRowRange>& ranges);
std::vector<TRowStore::Row> RowsOf(const TRowStore& rows, const std::vector<TRowRange>& ranges);

// Called before each command writes the table, with the command's name; tests make it throw
// to stand for a failing disk.
extern std::function<void(const char* command)> FaultHook;

// Each row's mark turns over ("1" becomes "0" and back) in the file and in the rows. Returns
// the rows toggled.
size_t ToggleMarks(TDBF& dbf, TRowStore& rows, const std::vector<TRowRange>& ranges);
// Every record of the table and every row takes the mark.
void SetAllMarks(TDBF& dbf, TRowStore& rows, bool deleted);
// The rows' records leave the file; their rows leave both lists and the rows after them take
// their new numbers. Returns the rows taken out of DataList.
size_t RemoveRows(TDBF& dbf, TRowStore& rows, const std::vector<TRowRange>& ranges);
// Removes every record marked deleted in the file (the rows stay: the caller loads the table
// again). Every record removed must be a marked row's, as the row shows it.
void RemoveMarked(TDBF& dbf, const TRowStore& rows);
// Removes the records of every row after position `selected`, moving records from the end of
// the file into their places; the rows of moved records take their new numbers. Returns the
// rows taken out (0 when `selected` is the last row or beyond).
size_t TruncateBelow(TDBF& dbf, TRowStore& rows, size_t selected);
// Takes the rows whose mark is `marked` out of both lists into the hidden rows (the records
// stay); returns how many left DataList.
size_t DropRowsMarked(TRowStore& rows, bool marked);

// The records of the table file `sourcePath`, converted for `dbf`: fields are matched by name
// without regard to letter case and each value goes over as its display text; fields the
// source lacks stay blank and deletion marks come along. Writes nothing.
struct TAppendSource {
    bool Ok = false;
    std::string Message;  // why not, when !Ok: a value's bytes, or an engine text
    bool EngineMessage = false;  // the message is the engine's (it names the file)
    TNewRecords Records;
};
TAppendSource ReadAppendSource(TDBF& dbf, const std::string& sourcePath);

}  // namespace records
