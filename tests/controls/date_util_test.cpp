// Date routines: calendar arithmetic, two-digit years, formats and masks by the program's date
// format, positional and scanning parsers, and the string helpers.
#include "controls/dateutil.h"

#include <QDate>
#include <gtest/gtest.h>

#include <tuple>

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
    for (auto [y, leap] : {std::pair{2024, true}, {1900, false}, {2000, true}, {2025, false}}) EXPECT_EQ(IsLeapYear(y), leap) << y;
    for (auto [y, m, days] : {std::tuple{2024, 2, 29}, {2100, 2, 28}, {2025, 4, 30}, {2025, 13, 0}})
        EXPECT_EQ(DaysInMonthOf(y, m), days) << y << "-" << m;
    for (auto [y, m, d, valid] : {std::tuple{2024, 2, 29, true}, {2025, 2, 29, false}, {0, 1, 1, false},
                                  {10000, 1, 1, false}, {2025, 0, 1, false}, {2025, 1, 0, false},
                                  {9999, 12, 31, true}, {1, 1, 1, true}})
        EXPECT_EQ(IsValidDate(y, m, d), valid) << y << "-" << m << "-" << d;
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
}

TEST(DateArithmetic, TwoDigitYearWindow) {
    // In 2026 the window starts at 1966; no year at all (-1) is not year 99.
    for (auto [y, full] : {std::pair{30, 2030}, {80, 1980}, {66, 1966}, {65, 2065}, {0, 2000}, {100, 100},
                           {2024, 2024}, {-1, -1}})
        EXPECT_EQ(ExpandTwoDigitYear(y, 2026), full) << y;
}

TEST(DateFormats, OrderFormatAndMaskFollowTheProgramFormat) {
    for (auto [format, order] : {std::pair{"yyyy-MM-dd", doYMD}, {"d.M.yy", doDMY}, {"M/d/yyyy", doMDY},
                                 {"ggee/MM/dd", doYMD}, {"x.q", doDMY} /* none of the letters */, {"", doDMY}})
        EXPECT_EQ(DateOrderOf(format), order) << format;

    // The program's own format, whatever the locale says.
    EXPECT_EQ(ShortDateFormat(), "yyyy-M-d");
    EXPECT_EQ(DateSeparator(), QLatin1Char('-'));
    // By the short format: four digits by default or not, the display formats and the masks
    // for four and two digits.
    const struct {
        const char* format;
        char sep;
        bool four;
        const char *format4, *format2, *mask4, *mask2;
    } formats[] = {{"yyyy-M-d", '-', true, "YYYY/MM/DD", "YY/MM/DD", "!9999/99/99;1;_", "!99/99/99;1;_"},
                   {"d.M.yy", '.', false, "DD/MM/YYYY", "DD/MM/YY", "!99/99/9999;1;_", "!99/99/99;1;_"},
                   {"M/d/yy", '/', false, "MM/DD/YYYY", "MM/DD/YY", "!99/99/9999;1;_", "!99/99/99;1;_"}};
    for (const auto& f : formats) {
        DateFormatScope scope(f.format, QLatin1Char(f.sep));
        EXPECT_EQ(DefaultFourDigits(), f.four) << f.format;
        EXPECT_EQ(DefaultDateFormat(true), f.format4) << f.format;
        EXPECT_EQ(DefaultDateFormat(false), f.format2) << f.format;
        EXPECT_EQ(DefaultDateMask('_', true), f.mask4) << f.format;
        EXPECT_EQ(DefaultDateMask('_', false), f.mask2) << f.format;
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

TEST(DateParsing, PositionalByFormatAndShortTexts) {
    struct Case {
        const char* format;
        const char* text;
        QDate date;  // null: refused
    };
    const int year = CurrentYear();
    const Case cases[] = {
        {"YYYY/MM/DD", "2024-01-05", {2024, 1, 5}},
        {"DD/MM/YYYY", " 5/ 1/2024", {2024, 1, 5}},  // blanks dropped
        {"DD/MM/YY", "29-02-24", {2024, 2, 29}},
        {"DD-MMM-YYYY", "05-Jan-2024", {2024, 1, 5}},
        {"DD MMMMMMMMM YYYY", "05 SEPTEMBER 2024", {2024, 9, 5}},
        {"MM/YYYY", "02/2024", {2024, 2, 1}},  // missing day letters: day 1,
        {"DD/MM", "05/01", {year, 1, 5}},      // missing year: this year
        {"YYYY/MM/DD", "2025-02-29", {}},
        {"YYYY/MM/DD", "    -  -  ", {}},
        {"YYYY/MM/DD", "    -01-05", {}},  // a blank year is no year
        {"YYYY/MM/DD", "2024-0x-05", {}},
        // Shorter than the format: positions past the end are blanks.
        {"YYYY/MM/DD", "2024-01-5", {2024, 1, 5}},
        {"YYYY/MM/DD", "2024-01-", {}},
        {"YYYY/MM/DD", "2", {}},
        {"DD/MM/YYYY", "", {}},
        // Longer than the format, or one-digit fields: the scanner takes over.
        {"YYYY/MM/DD", "2024-01-05   ", {2024, 1, 5}},
        {"YYYY/MM/DD", "2024-1-5", {2024, 1, 5}},
    };
    for (const Case& c : cases) {
        int d = 0, m = 0, y = 0;
        const bool ok = ParseDateByFormat(c.format, c.text, d, m, y);
        EXPECT_EQ(ok, !c.date.isNull()) << c.format << " " << c.text;
        if (ok) {
            EXPECT_EQ(QDate(y, m, d), c.date) << c.format << " " << c.text;
        }
    }
}

TEST(DateParsing, LocaleScanner) {
    struct Case {
        const char* text;
        const char* format;
        QDate date;  // null: refused
    };
    const int year = CurrentYear();
    const Case cases[] = {
        {"2024-1-5", "YYYY/MM/DD", {2024, 1, 5}},
        {" 24 - 2 - 29 ", "YY/MM/DD", {2024, 2, 29}},
        {"3-4", "YYYY/MM/DD", {year, 3, 4}},  // month and day of this year
        {"3-4 ", "DD/MM/YYYY", {year, 4, 3}},
        {"2024-1-5x", "YYYY/MM/DD", {}},
        {"20245-1-5", "YYYY/MM/DD", {}},  // at most four digits
        {"2024-1-000005", "YYYY/MM/DD", {}},
        {"99999999999999999999-1-5", "YYYY/MM/DD", {}},
        {"2024/1/5", "YYYY/MM/DD", {}},   // not the separator
        {"", "YYYY/MM/DD", {}},
        {"-", "YYYY/MM/DD", {}},
    };
    for (const Case& c : cases) {
        int pos = 0, y = 0, m = 0, d = 0;
        const bool ok = ScanLocaleDate(c.text, c.format, pos, y, m, d);
        EXPECT_EQ(ok, !c.date.isNull()) << c.text;
        if (ok) {
            EXPECT_EQ(QDate(y, m, d), c.date) << c.text;
        }
    }
    int pos = 0, y, m, d;
    DateFormatScope scope("gg yyyy-M-d", '-');
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
