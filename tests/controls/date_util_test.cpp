// Date routines: calendar arithmetic, two-digit years, formats and masks by the program's date
// format, positional and scanning parsers, and the string helpers.
#include "controls/dateutil.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

// Sets a short date format for one test and puts the program's default back afterwards.
class DateFormatScope {
public:
    DateFormatScope(const QString& format, QChar sep) { SetShortDateFormat(format, sep); }
    ~DateFormatScope() { SetShortDateFormat(QStringLiteral("yyyy-M-d"), QLatin1Char('-')); }
};

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

}  // namespace

TEST(DateStrings, AllCharsInReplaceAllTextRepeatChar) {
    EXPECT_TRUE(AllCharsIn("", "abc"));
    EXPECT_TRUE(AllCharsIn("    -  -  ", QStringLiteral(" -")));
    EXPECT_FALSE(AllCharsIn("  1 ", " "));
    EXPECT_EQ(ReplaceAllText("aaa", "a", "aa"), "aaaaaa");  // scanning on behind each replacement
    EXPECT_EQ(ReplaceAllText("2024/01/05", "/", "-"), "2024-01-05");
    EXPECT_EQ(ReplaceAllText("abc", "", "x"), "abc");
    EXPECT_EQ(RepeatChar('x', 3), "xxx");
    EXPECT_EQ(RepeatChar('x', 0), "");
    EXPECT_EQ(RepeatChar('x', -4), "");
}

TEST(DateArithmetic, LeapYearsMonthsAndValidity) {
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2025));
    EXPECT_EQ(DaysInMonthOf(2024, 2), 29);
    EXPECT_EQ(DaysInMonthOf(2100, 2), 28);
    EXPECT_EQ(DaysInMonthOf(2025, 4), 30);
    EXPECT_EQ(DaysInMonthOf(2025, 13), 0);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2025, 2, 29));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_FALSE(IsValidDate(2025, 0, 1));
    EXPECT_FALSE(IsValidDate(2025, 1, 0));
    EXPECT_TRUE(IsValidDate(9999, 12, 31));
    EXPECT_TRUE(IsValidDate(1, 1, 1));
    EXPECT_TRUE(IsValidDate(D(2024, 1, 5)));
    EXPECT_FALSE(IsValidDate(1e9));
    EXPECT_FALSE(IsValidDate(std::numeric_limits<double>::quiet_NaN()));
}

TEST(DateArithmetic, DayNumbersAndWeekdays) {
    EXPECT_EQ(D(1899, 12, 30), 0.0);
    EXPECT_EQ(D(1900, 1, 1), 2.0);
    EXPECT_EQ(D(2024, 1, 5), 45296.0);
    EXPECT_EQ(D(1, 1, 1), -693593.0);
    EXPECT_EQ(D(9999, 12, 31), 2958465.0);
    int y, m, d;
    ASSERT_TRUE(TryDecodeDate(45351.0, y, m, d));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 2, 29));
    ASSERT_TRUE(TryDecodeDate(-693593.0, y, m, d));
    EXPECT_EQ(QDate(y, m, d), QDate(1, 1, 1));
    EXPECT_FALSE(TryDecodeDate(2958466.0, y, m, d));
    EXPECT_EQ(DayOfWeek(D(2024, 1, 5)), 6);  // a Friday
    EXPECT_EQ(DayOfWeek(D(2025, 6, 1)), 1);  // a Sunday
    EXPECT_EQ(DayOfWeek(D(1800, 1, 1)), 4);  // a Wednesday, before day 0
    EXPECT_THROW(EncodeDate(2025, 2, 29), EConvertError);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(Today(), D(today.year(), today.month(), today.day()));
    EXPECT_EQ(CurrentYear(), today.year());
}

TEST(DateArithmetic, TwoDigitYearWindow) {
    EXPECT_EQ(ExpandTwoDigitYear(30, 2026), 2030);  // 1930 is before 1966
    EXPECT_EQ(ExpandTwoDigitYear(80, 2026), 1980);
    EXPECT_EQ(ExpandTwoDigitYear(66, 2026), 1966);
    EXPECT_EQ(ExpandTwoDigitYear(65, 2026), 2065);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2026), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(100, 2026), 100);
    EXPECT_EQ(ExpandTwoDigitYear(2024, 2026), 2024);
    // No year at all is not year 99.
    EXPECT_EQ(ExpandTwoDigitYear(-1, 2026), -1);
}

TEST(DateFormats, OrderFormatAndMaskFollowTheProgramFormat) {
    EXPECT_EQ(DateOrderOf("yyyy-MM-dd"), doYMD);
    EXPECT_EQ(DateOrderOf("d.M.yy"), doDMY);
    EXPECT_EQ(DateOrderOf("M/d/yyyy"), doMDY);
    EXPECT_EQ(DateOrderOf("ggee/MM/dd"), doYMD);
    EXPECT_EQ(DateOrderOf("x.q"), doDMY);  // none of the letters
    EXPECT_EQ(DateOrderOf(""), doDMY);

    // The program's own format, whatever the locale says.
    EXPECT_EQ(ShortDateFormat(), "yyyy-M-d");
    EXPECT_EQ(DateSeparator(), QLatin1Char('-'));
    EXPECT_TRUE(DefaultFourDigits());
    EXPECT_EQ(DefaultDateFormat(true), "YYYY/MM/DD");
    EXPECT_EQ(DefaultDateMask(' ', true), "!9999/99/99;1; ");
    {
        DateFormatScope scope("yyyy-MM-dd", '-');
        EXPECT_EQ(DefaultDateFormat(DefaultFourDigits()), "YYYY/MM/DD");
        EXPECT_EQ(DefaultDateMask('_', DefaultFourDigits()), "!9999/99/99;1;_");
    }
    {
        DateFormatScope scope("d.M.yy", '.');
        EXPECT_FALSE(DefaultFourDigits());
        EXPECT_EQ(DefaultDateFormat(DefaultFourDigits()), "DD/MM/YY");
        EXPECT_EQ(DefaultDateMask(' ', DefaultFourDigits()), "!99/99/99;1; ");
        EXPECT_EQ(DefaultDateFormat(true), "DD/MM/YYYY");
        EXPECT_EQ(DefaultDateMask(' ', true), "!99/99/9999;1; ");
    }
    {
        DateFormatScope scope("M/d/yy", '/');
        EXPECT_EQ(DefaultDateFormat(true), "MM/DD/YYYY");
        EXPECT_EQ(DefaultDateFormat(false), "MM/DD/YY");
        EXPECT_EQ(DefaultDateFormat(false), "MM/DD/YY");
    }
    int calls = 0;
    const int id = AddDateFormatListener([&] { ++calls; });
    { DateFormatScope scope("d/M/yyyy", '/'); }
    RemoveDateFormatListener(id);
    { DateFormatScope scope("d/M/yyyy", '/'); }
    EXPECT_EQ(calls, 2);  // set and put back
}

TEST(DateFormats, FormatDate) {
    EXPECT_EQ(FormatDate("YYYY/MM/DD", D(2024, 1, 5)), "2024-01-05");
    EXPECT_EQ(FormatDate("yyyy-M-d", D(2024, 1, 5)), "2024-1-5");
    EXPECT_EQ(FormatDate("DD/MM/YY", D(2009, 11, 30)), "30-11-09");
    EXPECT_EQ(FormatDate("MMMM, YYYY", D(2024, 2, 29)), "February, 2024");
    EXPECT_EQ(FormatDate(", YYYY", D(812, 2, 29)), ", 0812");
    EXPECT_EQ(FormatDate("ddd mmm d \"d\"", D(2024, 1, 5)), "Fri Jan 5 d");
    EXPECT_EQ(FormatDate("YYYY", 1e12), "");
    DateFormatScope scope("d.M.yy", '.');
    EXPECT_EQ(FormatDate("DD/MM/YYYY", D(2024, 1, 5)), "05.01.2024");
}

TEST(DateParsing, PositionalByFormat) {
    int d, m, y;
    ASSERT_TRUE(ParseDateByFormat("YYYY/MM/DD", "2024-01-05", d, m, y));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 1, 5));
    ASSERT_TRUE(ParseDateByFormat("DD/MM/YYYY", " 5/ 1/2024", d, m, y));  // blanks dropped
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 1, 5));
    ASSERT_TRUE(ParseDateByFormat("DD/MM/YY", "29-02-24", d, m, y));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 2, 29));
    ASSERT_TRUE(ParseDateByFormat("DD-MMM-YYYY", "05-Jan-2024", d, m, y));
    EXPECT_EQ(m, 1);
    ASSERT_TRUE(ParseDateByFormat("DD MMMMMMMMM YYYY", "05 SEPTEMBER 2024", d, m, y));
    EXPECT_EQ(m, 9);
    // Missing day letters give day 1, missing year the current year.
    ASSERT_TRUE(ParseDateByFormat("MM/YYYY", "02/2024", d, m, y));
    EXPECT_EQ(d, 1);
    ASSERT_TRUE(ParseDateByFormat("DD/MM", "05/01", d, m, y));
    EXPECT_EQ(y, CurrentYear());
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "2025-02-29", d, m, y));
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "    -  -  ", d, m, y));
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "    -01-05", d, m, y));  // a blank year is no year
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "2024-0x-05", d, m, y));
}

TEST(DateParsing, ShortTextsCountPastTheEndAsBlanks) {
    int d, m, y;
    // "2024-1-5" is shorter than the format: the day run reads position 9, past the end.
    ASSERT_TRUE(ParseDateByFormat("YYYY/MM/DD", "2024-01-5", d, m, y));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 1, 5));
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "2024-01-", d, m, y));
    EXPECT_FALSE(ParseDateByFormat("YYYY/MM/DD", "2", d, m, y));
    EXPECT_FALSE(ParseDateByFormat("DD/MM/YYYY", "", d, m, y));
    // Longer than the format: nothing read by position, the scanner takes over.
    ASSERT_TRUE(ParseDateByFormat("YYYY/MM/DD", "2024-01-05   ", d, m, y));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 1, 5));
    // The program's own texts, with one-digit month and day, go through the scanner too.
    ASSERT_TRUE(ParseDateByFormat("YYYY/MM/DD", "2024-1-5", d, m, y));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 1, 5));
}

TEST(DateParsing, LocaleScanner) {
    int pos = 0, y, m, d;
    EXPECT_TRUE(ScanLocaleDate("2024-1-5", "YYYY/MM/DD", pos, y, m, d));
    EXPECT_EQ(pos, 8);
    pos = 0;
    EXPECT_TRUE(ScanLocaleDate(" 24 - 2 - 29 ", "YY/MM/DD", pos, y, m, d));
    EXPECT_EQ(QDate(y, m, d), QDate(2024, 2, 29));
    pos = 0;
    EXPECT_TRUE(ScanLocaleDate("3-4", "YYYY/MM/DD", pos, y, m, d));  // month and day of this year
    EXPECT_EQ(y, CurrentYear());
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 4);
    pos = 0;
    EXPECT_TRUE(ScanLocaleDate("3-4 ", "DD/MM/YYYY", pos, y, m, d));
    EXPECT_EQ(m, 4);
    EXPECT_EQ(d, 3);
    pos = 0;
    EXPECT_FALSE(ScanLocaleDate("2024-1-5x", "YYYY/MM/DD", pos, y, m, d));
    pos = 0;
    EXPECT_FALSE(ScanLocaleDate("20245-1-5", "YYYY/MM/DD", pos, y, m, d));  // at most four digits
    pos = 0;
    EXPECT_FALSE(ScanLocaleDate("2024/1/5", "YYYY/MM/DD", pos, y, m, d));   // not the separator
    pos = 0;
    EXPECT_FALSE(ScanLocaleDate("", "YYYY/MM/DD", pos, y, m, d));
    pos = 0;
    EXPECT_FALSE(ScanLocaleDate("-", "YYYY/MM/DD", pos, y, m, d));
    DateFormatScope scope("gg yyyy-M-d", '-');
    pos = 0;
    EXPECT_TRUE(ScanLocaleDate("AD 2024-1-5", "YYYY/MM/DD", pos, y, m, d));
}

TEST(DateParsing, TextToDateVariants) {
    TDateTime value = 1;
    EXPECT_TRUE(TryTextToDate("YYYY/MM/DD", "", value));
    EXPECT_EQ(value, EmptyDate);
    EXPECT_TRUE(TryTextToDate("YYYY/MM/DD", "2024-01-05", value));
    EXPECT_EQ(value, D(2024, 1, 5));
    EXPECT_FALSE(TryTextToDate("YYYY/MM/DD", "2024-13-05", value));
    try {
        TextToDate("YYYY/MM/DD", "2024-13-05");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Text(), "'2024-13-05' is not a valid date");
    }
    EXPECT_EQ(TextToDateOr("YYYY/MM/DD", "    -  -  ", D(2020, 3, 4) + 0.75), D(2020, 3, 4));
    EXPECT_EQ(TextToDateOr("YYYY/MM/DD", "2024-01-05", 7.0), D(2024, 1, 5));
    EXPECT_EQ(MonthByName("dec", 3), 12);
    EXPECT_EQ(MonthByName("Ma", 2), 3);  // the first month that matches
    EXPECT_EQ(MonthByName("Janx", 4), 0);
}
