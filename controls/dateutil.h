// Date arithmetic, date texts and the program's date format for the date edit and calendar.
//
// Dates are day numbers (TDateTime): whole days since 30 December 1899, 0.0 (EmptyDate) meaning
// "no date". The order of day, month and year, the separator and the four-digit year of every
// date text here come from the program's own short date format (SetShortDateFormat, by default
// "yyyy-M-d" with "-"), never from the operating system's locale. Number texts are read and
// written digit by digit, so no locale setting changes them either.
#pragma once

#include <QChar>
#include <QString>

#include <functional>
#include <stdexcept>

using TDateTime = double;

// The value that stands for "no date".
constexpr TDateTime EmptyDate = 0.0;
// Two-digit years are read within a hundred-year window that starts this many years before
// the current year.
constexpr int CenturyOffset = 60;

enum TDateOrder { doMDY, doDMY, doYMD };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
// A set of TDayOfWeekName: bit (1 << day).
using TDaysOfWeek = unsigned;
constexpr TDaysOfWeek DayBit(TDayOfWeekName d) { return 1u << d; }

// The failed conversion of a text to a date; the text is the message shown to the user.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString Text() const { return QString::fromStdString(what()); }
};

// ---- The program's date format (one per process; the main window sets it at start) ----------

// Sets the short date format (letters d, M, y; "/" stands for the separator) and the date
// separator, and tells every listener.
void SetShortDateFormat(const QString& format, QChar separator);
QString ShortDateFormat();
QChar DateSeparator();
// True when the upper-cased short date format holds "YYYY".
bool DefaultFourDigits();
// Called after every SetShortDateFormat; the number returned removes the listener again.
int AddDateFormatListener(std::function<void()> listener);
void RemoveDateFormatListener(int id);

// ---- String routines ----------------------------------------------------------------------

// True when every character of S occurs in Chars (true for an empty S).
bool AllCharsIn(const QString& S, const QString& Chars);
// Every occurrence of Find replaced, the scan going on behind each replacement; an empty Find
// changes nothing.
QString ReplaceAllText(const QString& S, const QString& Find, const QString& Replacement);
// N copies of C; empty for N < 1.
QString RepeatChar(QChar C, int N);

// ---- Calendar arithmetic ------------------------------------------------------------------

bool IsLeapYear(int Y);
// Days of month M (1..12) of year Y; 0 for a month outside 1..12.
int DaysInMonthOf(int Y, int M);
bool IsValidDate(int Y, int M, int D);
// False for values that are no day of the years 1 to 9999.
bool IsValidDate(TDateTime Date);
// The day number of a valid date; false leaves Date unchanged.
bool TryEncodeDate(int Y, int M, int D, TDateTime& Date);
// Throws EConvertError for an invalid date.
TDateTime EncodeDate(int Y, int M, int D);
// The year, month and day of a day number; false (and zeroes) outside the years 1 to 9999.
bool TryDecodeDate(TDateTime Date, int& Y, int& M, int& D);
// Day of the week, Sunday = 1 .. Saturday = 7.
int DayOfWeek(TDateTime Date);
// Today as a day number, in local time.
TDateTime Today();
int CurrentYear();

// The first of D, E, M, Y (either case) decides: D gives DMY, M gives MDY, E or Y gives YMD;
// none of them gives DMY.
TDateOrder DateOrderOf(const QString& Format);
// A year below 100 placed in the window of CenturyOffset years before the current year; years
// of 100 and more, and negative ones (no year), stay as they are.
int ExpandTwoDigitYear(int Y);
int ExpandTwoDigitYear(int Y, int currentYear);

// English month names ("January".."December", index 1..12) and day names ("Sun".."Sat", 0..6).
QString LongMonthName(int M);
QString ShortDayName(int dayOfWeekName);
// 1..12 for the first month whose name equals S over the first MaxLen characters, case
// ignored; 0 when none.
int MonthByName(const QString& S, int MaxLen);

// Reads up to three numbers separated by the date separator from S, starting at Pos (0-based),
// assigned by DateOrderOf(Format); two numbers are month and day (day and month for DMY) of the
// current year. Succeeds when the date is valid and the text is used up; Pos ends behind what
// was read.
bool ScanLocaleDate(const QString& S, const QString& Format, int& Pos, int& Y, int& M, int& D);
// Reads S position by position against Format ("DD/MM/YYYY" and the like); falls back to
// ScanLocaleDate when that gives no valid date. Positions of S past its end count as blanks.
bool ParseDateByFormat(const QString& Format, const QString& S, int& D, int& M, int& Y);
// Empty S gives EmptyDate and true; else the parsed date.
bool TryTextToDate(const QString& Format, const QString& S, TDateTime& Date);
// As above; a failure throws EConvertError with "'<S>' is not a valid date".
TDateTime TextToDate(const QString& Format, const QString& S);
// As above; a failure gives Default cut to a whole day.
TDateTime TextToDateOr(const QString& Format, const QString& S, TDateTime Default);

// The text of a date by a format of d, dd, ddd, dddd, m, mm, mmm, mmmm, yy, yyyy (any case), "/"
// for the date separator and text in quotes; other characters stand for themselves. An
// invalid date gives "".
QString FormatDate(const QString& Format, TDateTime Date);

// The display format of the date edit: "MM/DD/YYYY", "DD/MM/YYYY" or "YYYY/MM/DD" (two-digit
// years without FourDigits), by the order of the short date format.
QString DefaultDateFormat(bool FourDigits);
// The edit mask: "!99/99/9999;1;", "!9999/99/99;1;" (YMD) or "!99/99/99;1;" followed by
// BlanksChar.
QString DefaultDateMask(QChar BlanksChar, bool FourDigits);
