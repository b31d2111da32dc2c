// The one error type of the table engine. Its text is what the user sees: most texts are the
// table's file name followed directly by a fixed text.
#pragma once

#include <stdexcept>
#include <string>

class EDBFError : public std::runtime_error {
public:
    explicit EDBFError(const std::string& text) : std::runtime_error(text) {}
};

// Raised by a locked record operation that finds another header or record length in the file
// than the table was opened with: another program changed the table's structure meanwhile.
// Nothing was written; the table must be opened again.
class EDBFStructureChanged : public EDBFError {
public:
    EDBFStructureChanged() : EDBFError(Text) {}
    static constexpr const char* Text =
        "The table's structure was changed by another program. Close and open it again.";
};

// Raised, before anything is written, by a command whose records in the file are no longer
// those its rows were built from (see TRecordsShown in dbf.h): another program moved, changed,
// removed or added records since the list was read.
class EDBFRecordsChanged : public EDBFError {
public:
    explicit EDBFRecordsChanged(const std::string& fileName) : EDBFError(fileName + Text) {}
    static constexpr const char* Text =
        " - Another program changed the table after the list was read, so nothing was written. Refresh the list "
        "(F5) to see the table as it is now.";
};

// A value that does not convert. Its text quotes the value's bytes as the table holds them
// (in the table's code page) and names no file, so that the user interface can show it whole
// through its byte text.
class EDBFValueError : public EDBFError {
public:
    using EDBFError::EDBFError;
};

// The fixed parts of the texts that tell why a write was refused (each follows the file name).
namespace dbftext {
// Post of an edit found other bytes in the file than those read for the edit.
constexpr const char* RecordChanged =
    " - Another program changed this record after it was read, so nothing was written. Read the record again to "
    "see the other change.";
// The table's path names no file any more (it was deleted or renamed away) since the table was
// opened: what the table held is left only where it is still shown, so the advice is a copy.
constexpr const char* TableDeleted =
    " - The table's file was deleted or renamed after the table was opened, so nothing was written. To keep the "
    "table, save it as another file.";
// Another file is at the table's path since the table was opened.
constexpr const char* TableReplaced =
    " - The table's file was replaced by another file after the table was opened, so nothing was written. Close "
    "and open the table again.";
// The same of the memo file the table has open (the memo file's name goes between the two parts).
constexpr const char* MemoGoneBefore = " - The memo file ";
constexpr const char* MemoDeletedAfter =
    " was deleted or renamed after the table was opened, so nothing was written. To keep the table, save it as "
    "another file.";
constexpr const char* MemoReplacedAfter =
    " was replaced by another file after the table was opened, so nothing was written. Close and open the table "
    "again.";
// Follows the advice to save a copy when the table has memo fields: Save As writes memo texts
// only while the list shows them.
constexpr const char* KeepMemoTexts = " Turn View, Show Memo on first, so that the copy keeps the memo texts.";
}  // namespace dbftext
