// The clipboard text of records and the memo texts that travel beside it.
//
// The text, lines separated by CR LF:
//   Vellibrox - Copy Data
//   F                              the number of fields
//   NAME C 20 0                    one line per field: name, type letter, length, decimals
//   R                              the number of records
//   <TAB>value<TAB>value...        one line per record, a TAB before each value
// Paste takes only text whose marker and field lines match the open table.
//
// A memo field's value in the text is its block number, which means something only in the
// table it came from; so the memo texts go on the clipboard too, in a format of the
// program's own (MemoMimeType) tied to the exact text beside it.
#pragma once

#include "app/recordimage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDBF;

namespace recordclip {

inline constexpr std::string_view Marker = "Vellibrox - Copy Data";
inline constexpr char MemoMimeType[] = "application/x-vellibrox-memo-texts";

// What copy puts on the clipboard: the text and the memo texts, both as bytes.
struct TClipData {
    std::string Text;
    std::string MemoData;
};

// The field line of field i ("NAME C 20 0").
std::string FieldLine(const TDBF& dbf, int field);
// The clipboard data of these records, in this order.
TClipData BuildClipData(TDBF& dbf, const std::vector<uint32_t>& recNos);

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
};
// Checks the clipboard text and converts every record, writing nothing. `memoData` is the
// memo-text format when the clipboard has it (empty otherwise); it is used only when it was
// made with exactly this text. Without it, memo values are block numbers of the open table's
// memo file, whose texts are read now.
TPaste ParsePaste(TDBF& dbf, std::string_view text, std::string_view memoData);

}  // namespace recordclip
