// Texts read back into values: numbers keep every digit, rounding is half away from zero, and
// texts that do not fit are refused rather than cut.
#include "app/valuetext.h"

#include <gtest/gtest.h>

#include <limits>

using namespace valuetext;

TEST(ValueTextReadBack, NumberFieldsFromDecimalText) {
    const std::tuple<const char*, int, int, const char*> ok[] = {
        {"3.14159", 6, 2, "  3.14"}, {"2.675", 6, 2, "  2.68"}, {"9.995", 5, 2, "10.00"}, {"-0.001", 6, 2, "  0.00"},
        {"-.5", 4, 0, "  -1"},       {"  7", 3, 0, "  7"},      {"+5", 3, 0, "  5"},     {"1e3", 6, 0, "  1000"},
        {"15E-1", 4, 1, " 1.5"},     {"0.05", 4, 1, " 0.1"},    {"0.04", 4, 1, " 0.0"},
        {"12345678901234567.89", 20, 2, "12345678901234567.89"},
    };
    for (const auto& [text, width, decimals, stored] : ok) {
        std::string out;
        EXPECT_EQ(FormatNumberField(text, width, decimals, out), TNumberFit::Ok) << text;
        EXPECT_EQ(out, stored) << text;
    }
    std::string out;
    for (const char* wide : {"1234567", "99999.5", "1e400"})
        EXPECT_EQ(FormatNumberField(wide, 6, 2, out), TNumberFit::TooWide) << wide;
    for (const char* bad : {"abc", "1.2.3", "", "1e", "- 1"})
        EXPECT_EQ(FormatNumberField(bad, 6, 2, out), TNumberFit::NotANumber) << bad;
}

TEST(ValueTextReadBack, CurrencyIntegersDoublesAndDateTimes) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max(), Min = std::numeric_limits<int64_t>::min();
    const std::pair<const char*, int64_t> money[] = {{"1.2345", 12345}, {"-3", -30000}, {"-0.00005", -1},
                                                     {"0.00004", 0},    {"922337203685477.5807", Max},
                                                     {"-922337203685477.5808", Min}};
    for (const auto& [text, scaled] : money) {
        int64_t v = 7, back = 7;
        EXPECT_TRUE(ParseCurrency(text, v) && v == scaled) << text;
        EXPECT_TRUE(ParseCurrency(CurrToStr(scaled), back) && back == scaled) << text;
    }
    int64_t v;
    int32_t i;
    double d;
    for (const char* bad : {"922337203685477.5808", "x", "", "1,5"}) EXPECT_FALSE(ParseCurrency(bad, v)) << bad;
    EXPECT_TRUE(ParseInteger32(" -5 ", i) && i == -5);
    EXPECT_TRUE(ParseInteger32("+2147483647", i) && i == 2147483647);
    for (const char* bad : {"2147483648", "", "1.0", "++1", "0x10"}) EXPECT_FALSE(ParseInteger32(bad, i)) << bad;
    for (double x : {0.1, -2.5, 1e300, 5e-324, 123456789.125}) EXPECT_TRUE(ParseDouble(DoubleToStr(x), d) && d == x);
    for (const char* bad : {"", "1.5x", "--1"}) EXPECT_FALSE(ParseDouble(bad, d)) << bad;

    TDateTimeParts t;
    EXPECT_TRUE(ParseDateTime("2024-1-5", t) && t == (TDateTimeParts{2024, 1, 5, 0, 0, 0, 0}));
    EXPECT_TRUE(ParseDateTime("2024-12-31 3:04:05.250", t) && t == (TDateTimeParts{2024, 12, 31, 3, 4, 5, 250}));
    for (const char* bad : {"2024-2-30", "2024-1-5 24:00:00", "2024/1/5", "05-01-2024", "2024-1-5x", "2024-1"})
        EXPECT_FALSE(ParseDateTime(bad, t)) << bad;
}
