// The program's code page: chosen from the locale, byte-exact both ways in every page (undefined
// bytes, broken and truncated double-byte pairs, pairs with a preferred encoding elsewhere), and
// typed characters outside the page refused rather than stored as '?'.
#include "app/bytetext.h"
#include "app/codepage.h"
#include "engine/dbf.h"
#include "testutil.h"

#include <gtest/gtest.h>

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
        for (const std::string& s : {all, std::string(all.rbegin(), all.rend()), noise}) ExpectRoundTrip(s);
        for (int pair = 0x8000; vx::CurrentCodePage().DoubleByte() && pair < 0x10000; ++pair) {
            const std::string bytes{char(pair >> 8), char(pair)};
            ASSERT_EQ(TextToBytes(BytesToText(bytes)), bytes) << pair;
        }
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

TEST_F(CodePageTest, DoubleBytePagesKeepBrokenTruncatedAndDuplicatePairs) {
    ASSERT_TRUE(vx::SetCodePage(932));
    EXPECT_EQ(BytesToText("\x93\xFA\x96\x7B"), QString::fromUtf8("日本"));
    // U+7E8A is stored as 0xFA5C; 0xED40 decodes to it too, so it stays bytes.
    EXPECT_EQ(BytesToText("\xFA\x5C"), QString(QChar(0x7E8A)));
    EXPECT_EQ(BytesToText("\xED\x40"), Escape(0xED) + QStringLiteral("@"));

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
