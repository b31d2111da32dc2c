// The inputs of the record editor forms, without widgets: which input each field gets, what an
// input shows for the current record, and the conversion of what the user typed back into
// values to store, each checked before anything is written.
//
// Fields are addressed by their index in the table: names may repeat or differ only in case.
#pragma once

#include "engine/field.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TDBF;

namespace recedit {

enum class TInputKind {
    Date,      // D: a date edit
    DateTime,  // T: a date edit and a time picker
    Logical,   // L: "T", "F" or nothing chosen
    Memo,      // M: edited in the memo editor
    Currency,  // Y: four decimals (further ones rounded)
    Integer,   // I: 32-bit
    Double,    // B: IEEE double
    Number,    // N, F: decimal text right-aligned in the field
    Text,      // C: the text as typed
    ReadOnly,  // G, P, memo fields of no known layout and types the forms cannot edit
};

// A field of the open table as the forms see it.
struct TInputField {
    int Index = 0;
    QString Name;  // as the descriptor holds it
    char Type = 'C';
    int Length = 0;
    int Decimals = 0;
    TInputKind Kind = TInputKind::Text;
    int MaxLength = 0;     // characters the input takes; 0 for inputs that are not edits
    bool Enabled = true;   // false for memo fields while the memo file is not open
};

// Every field of the open table, in descriptor order.
std::vector<TInputField> InputFields(TDBF& dbf);

// What an input holds.
struct TFieldInput {
    QString Text;  // edit or date edit text, "T"/"F"/"" of a logical box, or the memo text
    int Hour = 0, Minute = 0, Second = 0;  // the time picker of a date-time input
    bool operator==(const TFieldInput&) const = default;
};

// "Empty memo"/"Full memo": what a memo input shows for its text.
QString MemoStateText(const QString& memo);

// What the input of `field` shows for the table's current record.
TFieldInput LoadInput(TDBF& dbf, const TInputField& field);
// What the input starts with in a new record: empty, a blank date, the logical box on "F"
// (fields shown only are empty: the new record gets the engine's blank value there).
TFieldInput NewRecordInput(const TInputField& field);

// One value to store in a field of the record buffer, already converted and checked.
struct TFieldWrite {
    enum class TOp {
        Keep,      // nothing is stored (read-only fields)
        Blank,     // the engine's blank value of the type
        String,    // Bytes with TField::SetAsString
        Currency,  // Integer as value x 10000
        Integer,
        Double,
        DateTime,
        Memo,  // Bytes become the memo text
    };
    int Field = 0;
    TOp Op = TOp::Keep;
    std::string Bytes;
    int64_t Integer = 0;
    double Double = 0;
    TDateTimeParts DateTime;
};

// Converts the input of one field into the value it stores. Returns the message that refuses
// it: "Data Format Error!" for a number, date or date-time that cannot be read or does not fit
// the field, or the code page's refusal of a character. An empty input (a date input of
// blanks and separators only) gives the blank value of its type (blanks for N and F, whose
// text is then empty). Nothing is written here.
std::optional<QString> ConvertInput(const TInputField& field, const TFieldInput& input, TFieldWrite& out);

// "Data Format Error!".
QString DataFormatErrorText();

}  // namespace recedit
