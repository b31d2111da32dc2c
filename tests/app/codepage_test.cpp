// The program's code page: chosen from the locale, byte-exact both ways in every page (undefined
// bytes, broken and truncated double-byte pairs, pairs with a preferred encoding elsewhere), and
// typed characters outside the page refused rather than stored as '?'.
#include "app/bytetext.h"
#include "app/codepage.h"
#include "engine/dbf.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Restores the code page the test executable started with.
class CodePageTest : public ::testing::Test {
protected:
    void SetUp() override { Saved = vx::CurrentCodePage().Number(); }
    void TearDown() override { vx::SetCodePage(Saved); }
    int Saved = 0;
};

void ExpectRoundTrip(const std::string& bytes) {
    const QString text = BytesToText(bytes);
    EXPECT_EQ(TextToBytes(text), bytes);
    EXPECT_EQ(TryTextToBytes(text).value_or("(refused)"), bytes);
    EXPECT_EQ(ByteLength(text), bytes.size());
}

QString Escape(uint8_t b) { return QString::fromUcs4(std::u32string(1, vx::TCodePage::EscapeBase + b).data(), 1); }

}  // namespace

TEST(CodePageLocale, LocalesChooseTheAnsiCodePageOfTheirLanguage) {
    const std::pair<const char*, int> cases[] = {
        {"ru_RU.UTF-8", 1251}, {"uk_UA.UTF-8", 1251}, {"pl_PL", 1250},       {"cs_CZ.UTF-8", 1250},
        {"sr_RS@latin", 1250}, {"sr_RS", 1251},       {"el_GR.UTF-8", 1253}, {"tr_TR.ISO-8859-9", 1254},
        {"he_IL.UTF-8", 1255}, {"ar_EG.UTF-8", 1256}, {"ar_SA", 1256},       {"lt_LT.UTF-8", 1257},
        {"lv_LV", 1257},       {"et_EE", 1257},       {"vi_VN", 1258},       {"th_TH.UTF-8", 874},
        {"ja_JP.UTF-8", 932},  {"zh_CN.GB18030", 936}, {"zh_SG", 936},       {"ko_KR.UTF-8", 949},
        {"zh_TW.UTF-8", 950},  {"zh_HK", 950},        {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252},
        {"C.UTF-8", 1252},     {"POSIX", 1252},       {"", 1252},
    };
    for (const auto& [locale, page] : cases) EXPECT_EQ(vx::AnsiCodePageOfLocale(locale), page) << locale;

    // LC_ALL over LC_CTYPE over LANG, empty values skipped.
    struct Env {
        const char* All;
        const char* Ctype;
        const char* Lang;
        const char* Want;
    };
    const Env envs[] = {{"ja_JP.UTF-8", "ru_RU.UTF-8", "pl_PL", "ja_JP.UTF-8"},
                        {"", "ru_RU.UTF-8", "pl_PL", "ru_RU.UTF-8"},
                        {nullptr, nullptr, "pl_PL", "pl_PL"},
                        {nullptr, nullptr, nullptr, ""}};
    std::string saved[3];
    const char* names[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (int i = 0; i < 3; ++i) saved[i] = std::getenv(names[i]) ? std::getenv(names[i]) : "\x01";
    for (const Env& e : envs) {
        const char* values[3] = {e.All, e.Ctype, e.Lang};
        for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
        EXPECT_EQ(vx::UserCharacterLocale(), e.Want);
    }
    for (int i = 0; i < 3; ++i) saved[i] == "\x01" ? unsetenv(names[i]) : setenv(names[i], saved[i].c_str(), 1);
}

TEST_F(CodePageTest, EveryByteAndEveryPairRoundTripsInEveryPage) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    // A long irregular sequence mixes every kind of unit with every neighbour.
    std::string noise;
    for (uint32_t x = 12345, i = 0; i < 20000; ++i) noise += char((x = x * 1103515245u + 12345u) >> 23);
    for (int number : vx::KnownCodePages()) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(vx::SetCodePage(number));
        ASSERT_EQ(vx::CurrentCodePage().Number(), number);
        for (int b = 0; b < 256; ++b) ExpectRoundTrip(std::string(1, char(b)));
        ExpectRoundTrip(all);
        ExpectRoundTrip(std::string(all.rbegin(), all.rend()));
        ExpectRoundTrip(noise);
        if (!vx::CurrentCodePage().DoubleByte()) continue;
        for (int lead = 0x80; lead < 256; ++lead)
            for (int trail = 0; trail < 256; ++trail) {
                const std::string pair{char(lead), char(trail)};
                const QString text = BytesToText(pair);
                ASSERT_EQ(TextToBytes(text), pair) << lead << " " << trail;
            }
    }
}

TEST_F(CodePageTest, RussianLocaleShowsTheCyrillicTableAndLatinLocaleWindows1252) {
    ASSERT_EQ(vx::SetCodePageFromLocale("ru_RU.UTF-8"), 1251);
    TDBF dbf;
    dbf.SetFileName(vxtest::Fixture("cp1251.dbf"));
    dbf.SetReadOnly(true);
    dbf.Open();
    const std::pair<int, const char*> names[] = {{1, "амбулаторно-поликлиническое"}, {3, "НИИ"}};
    for (const auto& [record, name] : names) {
        dbf.Go(record);
        const std::string bytes = dbf.FieldByName("NAME")->GetAsTrimmedString();
        EXPECT_EQ(BytesToText(bytes), QString::fromUtf8(name));
        EXPECT_EQ(TryTextToBytes(QString::fromUtf8(name)).value_or(""), bytes);
    }

    ASSERT_EQ(vx::SetCodePageFromLocale("en_US.UTF-8"), 1252);
    EXPECT_EQ(BytesToText("\x80\x93\xE9\x9F\xFF"), QString::fromUtf8("€“éŸÿ"));
    // 0x81 is no character of 1252: an escape that turns back into the byte.
    EXPECT_EQ(BytesToText("a\x81"), QStringLiteral("a") + Escape(0x81));
    EXPECT_EQ(TextToBytes(QStringLiteral("a") + Escape(0x81)), "a\x81");
}

TEST_F(CodePageTest, DoubleBytePagesKeepBrokenTruncatedAndDuplicatePairs) {
    ASSERT_TRUE(vx::SetCodePage(932));
    // 0xFA5C is the preferred encoding of U+7E8A; 0xED40 decodes to it too, so it stays bytes.
    EXPECT_EQ(BytesToText("\xFA\x5C"), QString(QChar(0x7E8A)));
    EXPECT_EQ(BytesToText("\xED\x40"), Escape(0xED) + QStringLiteral("@"));
    EXPECT_EQ(BytesToText("\x93\xFA\x96\x7B"), QString::fromUtf8("日本"));
    ExpectRoundTrip("\xED\x40\x87\x90\xFA\x5C");

    ASSERT_TRUE(vx::SetCodePage(936));
    EXPECT_EQ(BytesToText("\xD6\xD0\xCE\xC4"), QString::fromUtf8("中文"));
    // A lead byte at the end, and a lead byte before a byte that is no trail.
    EXPECT_EQ(BytesToText("\xD6\xD0\xCE"), QString::fromUtf8("中") + Escape(0xCE));
    EXPECT_EQ(BytesToText(std::string("\xD6\x0A", 2)), Escape(0xD6) + QStringLiteral("\n"));
    for (const char* broken : {"\xD6", "\xD6\xD0\xCE", "\x81\x7F", "\xFF\xFF\xD6", "\x80"}) ExpectRoundTrip(broken);
    ExpectRoundTrip(std::string("\xD6\0\xD0", 3));
}

TEST_F(CodePageTest, TypedCharactersOutsideThePageAreRefusedNotReplaced) {
    ASSERT_TRUE(vx::SetCodePage(1252));
    QString bad;
    EXPECT_FALSE(TryTextToBytes(QString::fromUtf8("Жук"), &bad));
    EXPECT_EQ(bad, QString::fromUtf8("Ж"));
    const QString emoji = QString::fromUtf8("a\U0001F600");
    EXPECT_FALSE(TryTextToBytes(emoji, &bad));
    EXPECT_EQ(bad, emoji.mid(1));  // the whole character, both halves
    EXPECT_FALSE(TryTextToBytes(QString(QChar(0xD800))));
    EXPECT_EQ(TextToBytes(QString::fromUtf8("Жa\U0001F600")), "?a?");  // not a table value
    EXPECT_EQ(ByteLength(QString::fromUtf8("Жa\U0001F600")), 3u);
    EXPECT_TRUE(CannotHoldMessage(bad).contains(bad));

    ASSERT_TRUE(vx::SetCodePage(1251));
    EXPECT_EQ(TryTextToBytes(QString::fromUtf8("Жук")).value_or(""), "\xC6\xF3\xEA");
    ASSERT_TRUE(vx::SetCodePage(932));
    EXPECT_EQ(ByteLength(QString::fromUtf8("日本a")), 5u);
    // Vietnamese is typed with precomposed letters; the page holds them as letter and mark.
    ASSERT_TRUE(vx::SetCodePage(1258));
    const std::string bytes = TryTextToBytes(QString::fromUtf8("ế")).value_or("");
    EXPECT_EQ(bytes, "\xEA\xEC");
    EXPECT_EQ(BytesToText(bytes).normalized(QString::NormalizationForm_C), QString::fromUtf8("ế"));
}
