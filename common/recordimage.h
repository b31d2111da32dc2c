// New records of the open table built in memory before any of them is written: a record
// image with field objects of its own, the conversion of a value's text into a field by the
// field's type, and the rows the list shows for the new records. Paste and appending from
// another table convert every value first and write nothing when one does not fit.
#pragma once

#include "common/datalist.h"
#include "engine/field.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDBF;

// Records waiting to be appended: `Count` images of the table's record length, and for each
// record the memo texts of its M fields (in field order).
struct TNewRecords {
    size_t Count = 0;
    std::vector<uint8_t> Images;
    std::vector<int> MemoFields;          // indexes of the M fields
    std::vector<std::string> MemoTexts;   // Count x MemoFields.size()
    std::string& Memo(size_t record, size_t memoField) { return MemoTexts[record * MemoFields.size() + memoField]; }
};

// One record of a table, held apart from the table's own record buffer.
class TRecordImage {
public:
    explicit TRecordImage(TDBF& dbf);

    int FieldCount() const { return static_cast<int>(Fields.size()); }
    TField& Field(int i) { return *Fields[static_cast<size_t>(i)]; }
    const uint8_t* Data() const { return Buffer.data(); }
    size_t Size() const { return Length; }
    // The record's bytes (record length), e.g. a record read from the file.
    void Assign(const uint8_t* record);
    // Blank values of a new record (as Append gives), not marked deleted.
    void Blank();
    void SetDeleted(bool deleted) { Buffer[0] = deleted ? '*' : ' '; }

    // How a value's text reads.
    enum class TTextKind {
        Clipboard,  // the clipboard's texts: stored characters of D, C, L, N and F fields
        Display,    // the record list's texts: "yyyy-mm-dd" dates, trimmed texts
    };
    enum class TStore { Ok, Invalid, TooWide };
    // Stores the text in field i by the field's type. M fields are not stored here (their
    // text goes to the memo file when the record is written); G and P fields are cleared and
    // the null flags keep the blank value. Clipboard texts follow the copy format: an empty N
    // or F value stores blanks and an empty T value the blank date-time, while an empty Y, I
    // or B value is invalid. Display texts that are empty store the blank value.
    TStore StoreText(int field, std::string_view text, TTextKind kind);

    // The record list's texts of the image, one per field, into `row` (memo texts as given,
    // by M field in field order).
    void AppendRowTexts(TDBF& dbf, TRowBuilder& row, const std::string* memoTexts, std::string& scratch);

private:
    std::vector<uint8_t> Buffer;  // the record, then room the field objects never use
    size_t Length = 0;
    std::vector<std::unique_ptr<TField>> Fields;
};

// Writes the records: the memo texts to the memo file first (a table whose memo file is
// missing or not writable, or a text that cannot be written, raises the engine's error), then
// every record at once at the end of the table; then appends their rows to the row store,
// numbered from the table's old count + 1.
void AppendNewRecords(TDBF& dbf, TRowStore& rows, TNewRecords& records);
