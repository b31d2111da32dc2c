// Reading the first sheet of a workbook through the spreadsheet application, for the worksheet
// import and for appending a worksheet's rows to a table: one reader for both.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

// Opens the workbook `fileName` and calls `row` with the texts of each row of its first sheet
// as bytes of the program's code page (a character it cannot hold as "?"), from sheet row 1,
// until it returns false or the sheet ends. Returns an empty text, or the message that says
// why the workbook could not be read at all ("CreateOleObject Error, ... Office 2000!" without
// the application, "Open Excel Error!" for a file it cannot open). `stop` is asked while the
// application works; when it says stop, the application is stopped and no row is read. Raises
// ESpreadsheetError when the sheet cannot be read part-way.
std::string ReadWorksheet(const std::string& fileName, const std::function<bool()>& stop,
                          const std::function<bool(const std::vector<std::string>& cells)>& row);

// The same, with the texts of the cells as the application gives them.
std::string ReadWorksheetTexts(const std::string& fileName, const std::function<bool()>& stop,
                               const std::function<bool(const std::vector<QString>& cells)>& row);
