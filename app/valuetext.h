// The texts of field values, the same for every user of them and independent of any locale:
// the display texts of the record list, and the number, date and currency texts behind them.
// The program's short date format is "yyyy-M-d" with "-", its time format "hh:mm:ss".
#pragma once

#include "engine/field.h"

#include <cstdint>
#include <string>
#include <string_view>

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
// A currency value held as value x 10000, as the shortest decimal text ("1.2345", "-3", "0").
std::string CurrToStr(int64_t scaled);
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

// ---- Number texts typed by the user (bytes; characters below 33 around them are ignored) ----

// A 32-bit integer: an optional sign and decimal digits. False when it is no such number or
// does not fit 32 bits.
bool ParseInteger32(std::string_view text, int32_t& value);
// A currency value as value x 10000: an optional sign, digits, "." and decimals, an optional
// exponent ("e-2"). False when it is no number, needs more than four decimals (digits beyond
// the fourth must be zeros) or does not fit 64 bits.
bool ParseCurrency(std::string_view text, int64_t& scaled);
// A finite double in decimal notation with an optional exponent; no "inf", "nan" or hex.
bool ParseDouble(std::string_view text, double& value);
// The number of a decimal text in fixed notation with `decimals` digits after "." ("%.*f"),
// rounded half away from zero on its decimal digits, so that no digit the user typed is
// changed by a binary conversion ("1.005" with 2 decimals gives "1.01"; 20-digit integers stay
// exact). Zero has no sign. False when it is no number.
bool FixedDecimalText(std::string_view text, int decimals, std::string& out);

// Appends the record list's text of `field` for the table's current record. `scratch` is
// reused storage. Memo texts come from the memo file (empty when it is closed).
void AppendDisplayText(TDBF& dbf, const TField& field, std::string& out, std::string& scratch);
std::string DisplayText(TDBF& dbf, const TField& field);

}  // namespace valuetext
