// Appending the rows of a worksheet to the open table ("Append Record From..." with an ".xls").
#pragma once

#include "common/recordcommands.h"

#include <functional>
#include <string>

class QWidget;
class TDBF;

// The rows of the first sheet of `fileName` as new records of `dbf`, read through the same
// reader as the worksheet import: row 1 names the columns (up to the first empty caption), and
// each later row, up to the first whose cells are all empty, becomes one record. Columns meet
// fields by name without regard to letter case; each value is stored from its text as the
// record list shows values ("yyyy-M-d" dates, "yyyymmdd" too); fields without a column stay
// blank. Writes nothing: a value that does not fit, a cell a field takes whose text the
// program's code page cannot hold (named by its sheet row and column), or a workbook that
// cannot be read, gives the message (UTF-8 text) and no record.
records::TAppendSource ReadWorksheetRecords(TDBF& dbf, const std::string& fileName, const std::function<bool()>& stop);

// The text of the window that shows the wait for the spreadsheet application.
inline constexpr const char* WaitForSpreadsheetText = "Waiting for the spreadsheet application...";

// ReadWorksheetRecords on a thread of its own, while a window over `owner` says that the
// program waits for the spreadsheet application and offers Cancel; the owner keeps painting
// but takes no input meanwhile. Cancel (or closing that window) ends the wait and the
// application's process at once: `cancelled` is then true and nothing is read.
records::TAppendSource ReadWorksheetRecordsWaiting(QWidget* owner, TDBF& dbf, const std::string& fileName,
                                                   bool& cancelled);
