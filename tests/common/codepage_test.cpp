// The program's code page: chosen from the locale, byte-exact both ways in every page (undefined
// bytes, broken and truncated double-byte pairs), pairs with a preferred encoding elsewhere shown
// as their characters, and typed characters outside the page refused rather than stored as '?';
// and the texts of values.
#include "common/bytetext.h"
#include "common/codepage.h"
#include "common/sampletable.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QList>

#include <clocale>
#include <limits>

namespace {

// Restores the code page the test executable started with.
class CodePageTest : public ::testing::Test {
protected:
    void TearDown() override { vx::SetCodePage(Saved); }
    const int Saved = vx::CurrentCodePage().Number();
};

void ExpectRoundTrip(const std::string& bytes) {
    const QString text = BytesToText(bytes);
    EXPECT_EQ(TextToBytes(text), bytes);
    EXPECT_EQ(TryTextToBytes(text).value_or("(refused)"), bytes);
    EXPECT_EQ(ByteLength(text), bytes.size());
}

QString Escape(uint8_t b) {
    const char32_t c = vx::TCodePage::EscapeBase + b;
    return QString::fromUcs4(&c, 1);
}

}  // namespace

TEST(CodePageLocale, LocalesChooseTheAnsiCodePageOfTheirLanguage) {
    const std::pair<const char*, int> cases[] = {
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},  {"pl_PL", 1250},       {"sr_RS@latin", 1250}, {"el_GR", 1253},
        {"tr_TR", 1254},       {"he_IL", 1255},  {"ar_EG.UTF-8", 1256}, {"lt_LT", 1257},       {"lv_LV", 1257},
        {"et_EE", 1257},       {"vi_VN", 1258},  {"th_TH", 874},        {"ja_JP.UTF-8", 932},  {"zh_CN", 936},
        {"ko_KR", 949},        {"zh_TW", 950},   {"zh_HK", 950},        {"en_US.UTF-8", 1252}, {"C", 1252},
        {"", 1252}};
    for (const auto& [locale, page] : cases) EXPECT_EQ(vx::AnsiCodePageOfLocale(locale), page) << locale;

    // LC_ALL over LC_CTYPE over LANG; empty values do not count.
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::vector<std::pair<const char*, std::string>> saved;
    for (const char* n : names)
        if (const char* v = std::getenv(n)) saved.emplace_back(n, v);
    // The three variables, then the locale they give.
    const char* values[][4] = {
        {"ja_JP", "ru_RU", "pl_PL", "ja_JP"}, {"", "ru_RU", "pl_PL", "ru_RU"}, {"", "", "pl_PL", "pl_PL"}, {"", "", "", ""}};
    for (const auto& v : values) {
        for (int i = 0; i < 3; ++i) setenv(names[i], v[i], 1);
        EXPECT_EQ(vx::UserCharacterLocale(), v[3]);
    }
    for (const char* n : names) unsetenv(n);
    for (const auto& [n, v] : saved) setenv(n, v.c_str(), 1);
}

TEST_F(CodePageTest, EveryByteAndEveryPairRoundTripsInEveryPage) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    std::string noise;  // every kind of unit beside every neighbour
    for (uint32_t x = 12345, i = 0; i < 20000; ++i) noise += char((x = x * 1103515245u + 12345u) >> 23);
    for (int number : vx::KnownCodePages()) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(vx::SetCodePage(number));
        ASSERT_EQ(vx::CurrentCodePage().Number(), number);
        for (int b = 0; b < 256; ++b) ExpectRoundTrip(std::string(1, char(b)));
        // Every pair comes back as itself, or is one of the few whose character the page
        // encodes as another pair; those show as that character, never as escapes.
        int second = 0;
        for (int pair = 0x8000; vx::CurrentCodePage().DoubleByte() && pair < 0x10000; ++pair) {
            const std::string bytes{char(pair >> 8), char(pair)};
            const QString text = BytesToText(bytes);
            const std::string back = TextToBytes(text);
            if (back == bytes) continue;
            ++second;
            ASSERT_EQ(text.toUcs4().size(), 1) << pair;
            ASSERT_LT(uint32_t(text.toUcs4()[0]), vx::TCodePage::EscapeBase) << pair;
            ASSERT_EQ(back.size(), 2u) << pair;
            ASSERT_EQ(BytesToText(back), text) << pair;
        }
        EXPECT_EQ(second > 0, number == 932 || number == 950);
        // In a page of one byte a character, a long text reads as its bytes one at a time.
        if (!vx::CurrentCodePage().DoubleByte()) {
            QString oneByOne;
            for (char c : noise) oneByOne += BytesToText(std::string(1, c));
            EXPECT_EQ(BytesToText(noise), oneByOne);
        }
        if (second == 0)
            for (const std::string& s : {all, std::string(all.rbegin(), all.rend()), noise}) ExpectRoundTrip(s);
    }
}

TEST_F(CodePageTest, CyrillicTableUnderRussianLocaleAndWindows1252UnderEnglish) {
    ASSERT_EQ(vx::SetCodePageFromLocale("ru_RU.UTF-8"), 1251);
    TDBF dbf;
    dbf.SetFileName(vxtest::Fixture("cp1251.dbf"));
    dbf.SetReadOnly(true);
    dbf.Open();
    dbf.Go(1);
    const std::string bytes = dbf.FieldByName("NAME")->GetAsTrimmedString();
    const QString text = QString::fromUtf8("амбулаторно-поликлиническое");
    EXPECT_EQ(BytesToText(bytes), text);
    EXPECT_EQ(TryTextToBytes(text).value_or(""), bytes);

    ASSERT_EQ(vx::SetCodePageFromLocale("en_US.UTF-8"), 1252);
    EXPECT_EQ(BytesToText("\x80\x93\xE9\x9F\xFF"), QString::fromUtf8("€“éŸÿ"));
    EXPECT_EQ(BytesToText("a\x81"), QStringLiteral("a") + Escape(0x81));  // no character of 1252
}

TEST_F(CodePageTest, DoubleBytePagesKeepBrokenTruncatedPairsAndShowSecondEncodings) {
    ASSERT_TRUE(vx::SetCodePage(932));
    EXPECT_EQ(BytesToText("\x93\xFA\x96\x7B"), QString::fromUtf8("日本"));
    // Pairs whose character has another, preferred pair in the page (the NEC row 13 and the
    // NEC-selected IBM rows of 932) show as that character; typed, it is the preferred pair.
    EXPECT_EQ(BytesToText("\x87\x90\xED\x40"), QString::fromUtf8("\u2252\u7E8A"));
    EXPECT_EQ(TryTextToBytes(QString::fromUtf8("\u2252\u7E8A")).value_or(""), "\x81\xE0\xFA\x5C");
    ASSERT_TRUE(vx::SetCodePage(950));
    EXPECT_EQ(BytesToText("\xA2\xCC"), QString::fromUtf8("\u5341"));

    ASSERT_TRUE(vx::SetCodePage(936));
    EXPECT_EQ(BytesToText("\xD6\xD0\xCE"), QString::fromUtf8("中") + Escape(0xCE));  // cut after a lead byte
    EXPECT_EQ(BytesToText("\xD6\n"), Escape(0xD6) + QStringLiteral("\n"));         // a lead before no trail
    for (const char* broken : {"\xD6", "\x81\x7F", "\xFF\xFF\xD6", "\x80"}) ExpectRoundTrip(broken);
}

TEST_F(CodePageTest, TypedCharactersOutsideThePageAreRefusedNotReplaced) {
    ASSERT_TRUE(vx::SetCodePage(1252));
    QString bad;
    EXPECT_FALSE(TryTextToBytes(QString::fromUtf8("Жук"), &bad));
    EXPECT_EQ(bad, QString::fromUtf8("Ж"));
    EXPECT_FALSE(TryTextToBytes(QString::fromUtf8("a\U0001F600"), &bad));
    EXPECT_EQ(bad, QString::fromUtf8("\U0001F600"));  // the whole character, both halves
    EXPECT_EQ(TextToBytes(QString::fromUtf8("Жa\U0001F600")), "?a?");  // a text that is no table value
    EXPECT_EQ(ByteLength(QString::fromUtf8("Жa\U0001F600")), 3u);

    ASSERT_TRUE(vx::SetCodePage(1251));
    EXPECT_EQ(TryTextToBytes(QString::fromUtf8("Жук")).value_or(""), "\xC6\xF3\xEA");
    ASSERT_TRUE(vx::SetCodePage(932));
    EXPECT_EQ(ByteLength(QString::fromUtf8("日本a")), 5u);
    // Vietnamese is typed with precomposed letters; the page holds them as letter and mark.
    ASSERT_TRUE(vx::SetCodePage(1258));
    EXPECT_EQ(TryTextToBytes(QString::fromUtf8("ế")).value_or(""), "\xEA\xEC");
}

// ---- Texts of values ----

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
        {std::string(TrimRight(std::string_view("  ab \x01"))), "  ab"},
        // Blanks trimmed eight at a time, then the rest one by one, whatever lies among them.
        {std::string(TrimRight(std::string_view("ab" + std::string(21, ' ')))), "ab"},
        {std::string(TrimRight(std::string_view("abcdefgh\x01" + std::string(16, ' ')))), "abcdefgh"},
        {std::string(TrimRight(std::string_view("abcdefgh \x80" + std::string(15, ' ')))), "abcdefgh \x80"},
        {std::string(TrimRight(std::string_view(std::string(16, ' ')))), ""}};
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    // The clipboard's text of a double reads back as exactly the same double.
    for (double x : {0.1, 0.1 + 0.2, -2.5, 1e300, 5e-324, 123456789.125, 0.0}) {
        double back = -1;
        EXPECT_TRUE(ReadDouble(DoubleToStr(x), back)) << x;
        EXPECT_EQ(back, x);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

// Parts of a date-time outside every range (as a damaged value may carry them) are written as
// their numbers, the lowest integer included, without any arithmetic that overflows.
TEST(ValueText, PartsOutOfRangeAreWrittenWithoutOverflow) {
    constexpr int low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
    EXPECT_EQ(DateTimeToStr(TDateTimeParts{2024, 1, 5, low, 0, 0, 0}), "2024-1-5 -2147483648:00:00");
    EXPECT_EQ(DateTimeToText(TDateTimeParts{2024, 1, 5, 1, low, high, low}),
              "2024-01-05 01:-2147483648:2147483647.-2147483648");
    EXPECT_EQ(FormatDate(TDateTimeParts{low, -1, low}), "-2147483648--01--2147483648");
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
