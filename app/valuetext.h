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

// Appends the record list's text of `field` for the table's current record. `scratch` is
// reused storage. Memo texts come from the memo file (empty when it is closed).
void AppendDisplayText(TDBF& dbf, const TField& field, std::string& out, std::string& scratch);
std::string DisplayText(TDBF& dbf, const TField& field);

// ---- Values typed by the user ----
// Each reads the whole text, blanks around it allowed, and is false when it is no value of
// its kind.
// A date in the short date format "yyyy-M-d"; a year of one or two digits falls in the 2000s.
bool TextToDate(std::string_view text, TDateTimeParts& out);
// A date, then optionally a blank and "h:m", "h:m:s" or "h:m:s.zzz".
bool TextToDateTime(std::string_view text, TDateTimeParts& out);
// A decimal number with "." and an optional exponent ("-1.5", ".5", "2e3").
bool TextToFloat(std::string_view text, double& out);
// A 32-bit signed integer ("-12", "+7").
bool TextToInteger(std::string_view text, int32_t& out);
// A currency value as value x 10000, rounded half away from zero to four decimals.
bool TextToCurrency(std::string_view text, int64_t& scaled);
// The texts the engine reads back exactly: "yyyy-mm-dd hh:mm:ss" (".zzz" when there are
// milliseconds) and the shortest text of a double.
std::string DateTimeToText(const TDateTimeParts& d);
std::string DoubleToText(double value);

}  // namespace valuetext
