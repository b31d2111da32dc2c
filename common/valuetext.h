// The texts of field values, the same for every user of them and independent of any locale:
// the display texts of the record list, and the number, date and currency texts behind them.
// The program's short date format is "yyyy-M-d" with "-", its time format "hh:mm:ss".
#pragma once

#include "engine/field.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

class TDBF;

namespace valuetext {

// "    -  -  ": the display text of a date that is blank or not a date.
inline constexpr std::string_view BlankDateText = "    -  -  ";

// Without the characters below 33 at the end / at both ends.
std::string_view TrimRight(std::string_view s);
std::string_view Trim(std::string_view s);

// "yyyy-mm-dd".
std::string FormatDate(const TDateTimeParts& d);
// The date in the short date format ("yyyy-M-d"), then a blank and "hh:mm:ss" unless the
// time is exactly midnight.
std::string DateTimeToStr(const TDateTimeParts& d);
void AppendDateTime(std::string& out, const TDateTimeParts& d);
// A currency value held as value x 10000, as the shortest decimal text ("1.2345", "-3", "0").
std::string CurrToStr(int64_t scaled);
void AppendCurrency(std::string& out, int64_t scaled);
// Fixed notation with `decimals` digits after "." ("%.*f").
std::string FormatFixed(double value, int decimals);
void AppendFixed(std::string& out, double value, int decimals);
void AppendInteger(std::string& out, int64_t value);

// The stored "yyyymmdd" of a date field read as year-month-day and shown as "yyyy-mm-dd", or
// BlankDateText when it is no valid date.
void AppendDisplayDate(std::string& out, std::string_view stored);
// Reads year, month and day from "yyyymmdd"; blanks before each part's digits are allowed,
// a part of one or two year digits falls in the 2000s. False when it is no valid date.
bool ParseStoredDate(std::string_view stored, int& year, int& month, int& day);

// ---- Reading value texts ----
// Each reader allows characters below 33 around the text and needs the rest to be the value.

// A finite decimal number ("1.5", "-2", ".5", "1e3"); false for anything else, "nan" and "inf"
// too, and for values beyond the range of a double.
bool ReadDouble(std::string_view text, double& value);
// A decimal integer ("+12", "-3") that fits the type; false otherwise.
bool ReadInt32(std::string_view text, int32_t& value);
bool ReadInt64(std::string_view text, int64_t& value);
// A decimal number (as ReadDouble reads it) rounded half away from zero to `decimals` digits
// after ".", computed on the digits themselves so that no binary rounding creeps in
// ("2.675" with 2 decimals is "2.68"); no exponent and no leading zeros ("-0.50", "12").
// False when the text is no number or the result is longer than `width`.
bool DecimalToFixedText(std::string_view text, int width, int decimals, std::string& out);
// A currency text held exactly as value x 10000 (further decimals rounded); false when it is
// no number or beyond 64 bits.
bool ReadCurrency(std::string_view text, int64_t& scaled);
// The general text of a number: up to 15 significant digits without trailing zeros, in
// scientific form ("1.5E20", "1E-7") when it has more than 15 integer digits or is below
// 0.00001.
std::string FloatToStrGeneral(double value);
// The shortest decimal text that reads back as exactly the same double ("0.1", "1e+20").
std::string DoubleToStr(double value);
// A date in the program's format "yyyy-M-d" (leading zeros allowed), and a date-time: that
// date, optionally followed by a blank and "h:m" or "h:m:s". False when it is no valid date.
bool ReadDateText(std::string_view text, TDateTimeParts& date);
bool ReadDateTimeText(std::string_view text, TDateTimeParts& value);

// Reads `text` with `read` (one of the readers above) and stores the value it gives with the
// field's setter; false, with the field untouched, when `read` refuses the text.
template <class V>
bool StoreRead(TField& field, std::string_view text, bool (*read)(std::string_view, V&),
               void (TField::*set)(std::conditional_t<std::is_class_v<V>, const V&, V>)) {
    V value;
    if (!read(text, value)) return false;
    (field.*set)(value);
    return true;
}

// Appends the record list's text of `field` for the table's current record. `scratch` is
// reused storage. Memo texts come from the memo file (empty when it is closed).
void AppendDisplayText(TDBF& dbf, const TField& field, std::string& out, std::string& scratch);
std::string DisplayText(TDBF& dbf, const TField& field);

// The text of a date-time that the engine reads back exactly: "yyyy-mm-dd hh:mm:ss" (".zzz"
// when there are milliseconds).
std::string DateTimeToText(const TDateTimeParts& d);

// True when a date-time field holds no value: eight zero bytes (as a new record gets) or eight
// blanks.
bool IsBlankDateTime(const TField& field);

// Appends the text that `field` of the table's current record becomes in every text-like
// output (CSV, DIF, text report, HTML, XML, worksheets), by type letter: D the stored text at
// full width (eight blanks when empty); T the date in the short date format, then a blank and
// the time unless it is midnight, and nothing for a blank date-time; Y the currency text; I the
// integer; B fixed notation with the field's decimals; L the stored character; M the memo text
// when `memo` is on, else "Memo"; G "General"; N, F, C and every other letter the stored text
// without the characters below 33 at either end. `scratch` is reused storage.
void AppendOutputText(TDBF& dbf, const TField& field, bool memo, std::string& out, std::string& scratch);

}  // namespace valuetext
