#include "app/sampletable.h"
#include "app/valuetext.h"
#include "engine/dbf.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

using namespace valuetext;

TEST(ValueText, DatesFromStoredText) {
    const std::pair<const char*, const char*> cases[] = {
        {"20070501", "2007-05-01"}, {"2024 1 5", "2024-01-05"} /* blanks before the digits of a part */,
        {"  240105", "2024-01-05"} /* a two-digit year */, {"20000229", "2000-02-29"},
        {"19000229", "    -  -  "}, {"20070230", "    -  -  "}, {"        ", "    -  -  "}, {"2007050", "    -  -  "},
        {"2007AB01", "    -  -  "}, {"00000000", "    -  -  "}, {"20071301", "    -  -  "}};
    for (auto [stored, shown] : cases) {
        std::string out;
        AppendDisplayDate(out, stored);
        EXPECT_EQ(out, shown) << stored;
    }
}

TEST(ValueText, TextsOfValuesAreExactAndIgnoreTheLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // may not exist; the texts must not care either way
    const std::pair<std::string, std::string> cases[] = {
        {DateTimeToStr(TDateTimeParts{2007, 5, 1, 12, 0, 0, 0}), "2007-5-1 12:00:00"},
        {DateTimeToStr(TDateTimeParts{2024, 12, 31, 0, 0, 0, 0}), "2024-12-31"},  // midnight left out
        {DateTimeToStr(TDateTimeParts{2024, 1, 2, 3, 4, 5, 0}), "2024-1-2 03:04:05"},
        {FormatDate(TDateTimeParts{7, 3, 9}), "0007-03-09"},
        {CurrToStr(12345), "1.2345"}, {CurrToStr(0), "0"}, {CurrToStr(-50000), "-5"}, {CurrToStr(-1), "-0.0001"},
        {CurrToStr(std::numeric_limits<int64_t>::max()), "922337203685477.5807"},
        {CurrToStr(std::numeric_limits<int64_t>::min()), "-922337203685477.5808"},
        {FormatFixed(1.0 / 3.0, 2), "0.33"}, {FormatFixed(-2.5, 0), "-2"},  // half to even, as printf
        {FormatFixed(1e20, 1), "100000000000000000000.0"}, {std::to_string(FormatFixed(1e308, 0).size()), "309"},
        {DoubleToStr(0.1 + 0.2), "0.30000000000000004"},
        {std::string(Trim(std::string_view("\t  12.5 \r\n"))), "12.5"}, {std::string(Trim(std::string_view("   "))), ""},
        {std::string(TrimRight(std::string_view("  ab \x01"))), "  ab"}};
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    // The clipboard's text of a double reads back as exactly the same double.
    for (double x : {0.1, 0.1 + 0.2, -2.5, 1e300, 5e-324, 123456789.125, 0.0}) {
        double back = -1;
        EXPECT_TRUE(ReadDouble(DoubleToStr(x), back)) << x;
        EXPECT_EQ(back, x);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(ValueText, DisplayTextOfEveryFieldType) {
    vxtest::TempDir dir;
    std::string path = dir.Path("all.dbf");
    CreateTableFile(path, 0x30,
                    {{"C", 'C', 6}, {"N", 'N', 8, 2}, {"F", 'F', 6, 1}, {"L", 'L', 1}, {"D", 'D', 8},
                     {"T", 'T', 8}, {"Y", 'Y', 8}, {"I", 'I', 4}, {"B", 'B', 8, 3}, {"M", 'M', 4},
                     {"G", 'G', 4}, {"P", 'P', 4}});
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    ASSERT_TRUE(dbf.GetMemoOpened());
    dbf.Append();
    dbf.FieldByName("C")->SetAsString(" ab");
    dbf.FieldByName("N")->SetAsFloat(-3.5);
    dbf.FieldByName("F")->SetAsString(" 2.5");
    dbf.FieldByName("L")->SetAsString("T");
    dbf.FieldByName("D")->SetAsString("20240105");
    dbf.FieldByName("T")->SetAsDateTime(TDateTimeParts{2007, 5, 1, 12, 0, 0, 0});
    dbf.FieldByName("Y")->SetAsCurrency(-12345);
    dbf.FieldByName("I")->SetAsInteger(std::numeric_limits<int32_t>::min());
    dbf.FieldByName("B")->SetAsDouble(2.0 / 3.0);
    dbf.SetMemo("M", "line 1\r\nline \xe9");
    dbf.Post();
    dbf.Append();  // blank values
    dbf.Post();

    auto texts = [&](int rec) {
        dbf.Go(rec);
        std::vector<std::string> v;
        for (int i = 0; i < dbf.FieldCount; ++i) v.push_back(DisplayText(dbf, *dbf.GetField(i)));
        return v;
    };
    EXPECT_EQ(texts(1), (std::vector<std::string>{" ab", "-3.50", "2.5", "T", "2024-01-05", "2007-5-1 12:00:00",
                                                   "-1.2345", "-2147483648", "0.667", "line 1\r\nline \xe9", "Gen",
                                                   "Picture"}));
    EXPECT_EQ(texts(2), (std::vector<std::string>{"", "0.00", "0.0", "", "    -  -  ", "1900-1-1", "0", "0",
                                                   "0.000", "", "Gen", "Picture"}));
    dbf.Close();

    // The memo file gone: memo texts read as empty, nothing else changes.
    std::filesystem::remove(dir.Path("all.fpt"));
    TDBF ro;
    ro.SetFileName(path);
    ro.SetReadOnly(true);
    ro.Open();
    EXPECT_FALSE(ro.GetMemoOpened());
    ro.Go(1);
    EXPECT_EQ(DisplayText(ro, *ro.FieldByName("M")), "");
    EXPECT_EQ(DisplayText(ro, *ro.FieldByName("C")), " ab");
}
