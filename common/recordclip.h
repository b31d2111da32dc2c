// The clipboard text of records and the exact records that travel beside it.
//
// The text, lines separated by CR LF:
//   Vellibrox - Copy Data
//   F                              the number of fields
//   NAME C 20 0                    one line per field: name, type letter, length, decimals
//   R                              the number of records
//   <TAB>value<TAB>value...        one line per record, a TAB before each value
// Paste takes only text whose marker and field lines match the open table.
//
// The text cannot carry every record as it stands: a value holding a TAB, CR or LF breaks its
// line, NUL bytes end a value, binary fields go through their texts, and a memo field's value
// is its block number, which means something only in the table it came from. So beside the
// text goes a format of the program's own (RecordsMimeType), tied to the exact text: the
// records' bytes and their memo texts. Paste into a table of the very same record layout
// takes the records' bytes from it; any other paste reads the text and takes only the memo
// texts from it.
#pragma once

#include "common/recordimage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDBF;

namespace recordclip {

inline constexpr std::string_view Marker = "Vellibrox - Copy Data";
inline constexpr char RecordsMimeType[] = "application/x-vellibrox-records";

// What copy puts on the clipboard, both as bytes: the text and the exact records.
struct TClipData {
    std::string Text;
    std::string Exact;
    // Why a paste of the exact records would not give the records back as they stand (the
    // first record that would change; empty when every one comes back): a memo that cannot be
    // read whole, or a general, picture or unreadable memo field that holds a reference, whose
    // contents do not travel. Bytes: names a field.
    std::string NotExact;
};

// The field line of field i ("NAME C 20 0").
std::string FieldLine(const TDBF& dbf, int field);
// The clipboard data of these records, in this order.
TClipData BuildClipData(TDBF& dbf, const std::vector<uint32_t>& recNos);
// The clipboard data of the records of these rows, in this order, as the rows show them:
// a record that another program changed or moved since its row was read (its memo texts
// included) raises EDBFRecordsChanged (engine/dbferror.h).
TClipData BuildRowsClipData(TDBF& dbf, const std::vector<TDataList::Row>& rows);

// The values of one record line: the first character (the TAB before the first value) is
// dropped and the rest split at each TAB; a line without any TAB gives no value.
void SplitTabLine(std::string_view line, std::vector<std::string_view>& values);

// What paste makes of the clipboard.
struct TPaste {
    enum TStatus {
        NotForThisTable,  // not our text, or another table's layout: nothing happens, silently
        Rejected,         // our text for this table, but it cannot be pasted whole: Message
        Ready,            // every record converted: Records
    } Status = NotForThisTable;
    std::string Message;  // bytes; may hold a value from the clipboard
    TNewRecords Records;
    bool Exact = false;   // the records' bytes came from the exact format
};
// Checks the clipboard text and converts every record, writing nothing. `exact` is the exact
// format when the clipboard has it (empty otherwise); it is used only when it was made with
// exactly this text. With it, a table of the same record layout receives the records' bytes
// as they were copied (deletion marks included), memo texts as new memos, and general and
// picture fields cleared. Without it the text's values are converted, and memo values are
// block numbers of the open table's memo file, whose texts are read now.
TPaste ParsePaste(TDBF& dbf, std::string_view text, std::string_view exact);

}  // namespace recordclip
