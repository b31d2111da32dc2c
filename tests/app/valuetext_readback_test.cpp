// Texts read back into values: numbers keep every digit, rounding is half away from zero, and
// texts that do not fit are refused rather than cut.
#include "app/valuetext.h"

#include <gtest/gtest.h>

#include <limits>

using namespace valuetext;

TEST(ValueTextReadBack, NumberFieldsFromDecimalText) {
    struct Case {
        const char* Text;
        int Width, Decimals;
        TNumberFit Fit;
        const char* Stored;
    } cases[] = {
        {"3.14159", 6, 2, TNumberFit::Ok, "  3.14"},
        {"2.675", 6, 2, TNumberFit::Ok, "  2.68"},  // the digits decide, not a double near them
        {"9.995", 5, 2, TNumberFit::Ok, "10.00"},
        {"-0.001", 6, 2, TNumberFit::Ok, "  0.00"},
        {"-.5", 4, 0, TNumberFit::Ok, "  -1"},
        {"  7", 3, 0, TNumberFit::Ok, "  7"},
        {"+5", 3, 0, TNumberFit::Ok, "  5"},
        {"1e3", 6, 0, TNumberFit::Ok, "  1000"},
        {"15E-1", 4, 1, TNumberFit::Ok, " 1.5"},
        {"0.05", 4, 1, TNumberFit::Ok, " 0.1"},
        {"0.04", 4, 1, TNumberFit::Ok, " 0.0"},
        {"12345678901234567.89", 20, 2, TNumberFit::Ok, "12345678901234567.89"},
        {"1234567", 6, 2, TNumberFit::TooWide, ""},
        {"99.5", 2, 0, TNumberFit::TooWide, ""},
        {"1e400", 20, 0, TNumberFit::TooWide, ""},
        {"abc", 6, 2, TNumberFit::NotANumber, ""},
        {"1.2.3", 6, 2, TNumberFit::NotANumber, ""},
        {"", 6, 2, TNumberFit::NotANumber, ""},
        {"1e", 6, 2, TNumberFit::NotANumber, ""},
        {"- 1", 6, 2, TNumberFit::NotANumber, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(FormatNumberField(c.Text, c.Width, c.Decimals, out), c.Fit) << c.Text;
        if (c.Fit == TNumberFit::Ok) {
            EXPECT_EQ(out, c.Stored) << c.Text;
        }
    }
}

TEST(ValueTextReadBack, CurrencyIntegersAndDoubles) {
    const std::pair<const char*, int64_t> money[] = {
        {"1.2345", 12345},   {"-3", -30000}, {" 0 ", 0}, {"-0.00005", -1}, {"0.00004", 0},
        {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
        {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
    };
    for (const auto& [text, scaled] : money) {
        int64_t v = 7;
        EXPECT_TRUE(ParseCurrency(text, v)) << text;
        EXPECT_EQ(v, scaled) << text;
        EXPECT_TRUE(ParseCurrency(CurrToStr(scaled), v) && v == scaled) << text;
    }
    int64_t v;
    for (const char* bad : {"922337203685477.5808", "x", "", "1,5"}) EXPECT_FALSE(ParseCurrency(bad, v)) << bad;

    int32_t i;
    EXPECT_TRUE(ParseInteger32(" -5 ", i) && i == -5);
    EXPECT_TRUE(ParseInteger32("+7", i) && i == 7);
    EXPECT_TRUE(ParseInteger32("2147483647", i) && i == 2147483647);
    for (const char* bad : {"2147483648", "", "1.0", "++1", "0x10"}) EXPECT_FALSE(ParseInteger32(bad, i)) << bad;

    for (double d : {0.1, -2.5, 1e300, 5e-324, 123456789.125, 0.0}) {
        double back = -1;
        EXPECT_TRUE(ParseDouble(DoubleToStr(d), back)) << d;
        EXPECT_EQ(back, d);
    }
    double d;
    for (const char* bad : {"", "1.5x", "--1"}) EXPECT_FALSE(ParseDouble(bad, d)) << bad;
}

TEST(ValueTextReadBack, DateTimesInTheProgramsFormat) {
    TDateTimeParts t;
    ASSERT_TRUE(ParseDateTime("2024-1-5", t));
    EXPECT_EQ(t, (TDateTimeParts{2024, 1, 5, 0, 0, 0, 0}));
    ASSERT_TRUE(ParseDateTime("2007-05-01 12:00:00", t));
    EXPECT_EQ(t, (TDateTimeParts{2007, 5, 1, 12, 0, 0, 0}));
    ASSERT_TRUE(ParseDateTime("2024-12-31 3:04:05.250", t));
    EXPECT_EQ(t, (TDateTimeParts{2024, 12, 31, 3, 4, 5, 250}));
    for (const char* bad : {"2024-2-30", "2024-1-5 24:00:00", "2024/1/5", "05-01-2024", "2024-1-5x", "", "2024-1"})
        EXPECT_FALSE(ParseDateTime(bad, t)) << bad;
}
