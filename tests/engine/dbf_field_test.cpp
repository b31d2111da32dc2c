// Field values: every type's getters and setters on the bytes of the record buffer, blank
// values, memo references of both layouts, and fields that do not fit their record.
#include "dbftestutil.h"

#include <array>

using namespace dbftest;

namespace {

// One field over a record buffer of its own: descriptor offset 1, the given type and length.
struct FieldOnBuffer {
    FieldOnBuffer(char type, uint8_t length, uint8_t decimals = 0, uint8_t version = 0x03)
        : Buffer(2 * (size_t(length) + 1), ' '), Field(Descriptor.data()) {
        Descriptor[11] = uint8_t(type);
        Descriptor[12] = 1;
        Descriptor[16] = length;
        Descriptor[17] = decimals;
        Field.SetRecordBuffer(Buffer.data(), size_t(length) + 1);
        Field.SetVersion(version);
    }
    std::string Bytes() const { return std::string(Buffer.begin() + 1, Buffer.begin() + 1 + Descriptor[16]); }
    void Put(const std::string& s) { std::copy(s.begin(), s.end(), Buffer.begin() + 1); }

    std::array<uint8_t, 32> Descriptor{};
    std::vector<uint8_t> Buffer;
    TField Field;
};

}  // namespace

TEST(FieldText, TextsAlignCutAndEndAtNul) {
    FieldOnBuffer c('C', 5), n('N', 6, 2);
    const std::tuple<FieldOnBuffer*, std::string, std::string> stored[] = {
        {&c, "abc", "abc  "}, {&c, "abcdefg", "abcde"}, {&c, "\xE9\xFF", "\xE9\xFF   "},
        {&n, "1.5", "   1.5"}, {&n, "12345678", "123456"}};  // numbers right-aligned, cut from the left
    for (const auto& [f, text, bytes] : stored) {
        f->Field.SetAsString(text);
        EXPECT_EQ(f->Bytes(), bytes);
    }
    for (const auto& [bytes, text] : {std::pair<std::string, std::string>{"ab  \t", "ab  \t"}, {"ab   ", "ab"}, {"     ", ""}}) {
        c.Put(bytes);
        EXPECT_EQ(c.Field.GetAsTrimmedString(), text);  // only blanks are trimmed
    }
    c.Put(std::string("ab\0cd", 5));
    std::string reused = "old contents";
    c.Field.GetAsString(reused);
    EXPECT_EQ(reused, "ab");
    EXPECT_EQ(c.Field.GetRawView(), std::string_view("ab\0cd", 5));
}

// An empty text that has no bytes at all (a view of nothing) blanks the field like any empty
// text, copying nothing.
TEST(FieldText, AnEmptyViewOfNothingBlanksTheField) {
    for (char type : {'C', 'L', 'N', 'D'}) {
        FieldOnBuffer f(type, 4);
        f.Put("abcd");
        f.Field.SetAsString(std::string_view());
        EXPECT_EQ(f.Bytes(), "    ") << type;
    }
}

TEST(FieldNumbers, SetAsFloatUsesTheDecimalsAndMarksOverflow) {
    struct Case {
        char Type;
        uint8_t Length, Decimals;
        double Value;
        std::string Bytes;
    };
    const Case cases[] = {
        {'N', 6, 2, 3.14159, "  3.14"}, {'N', 6, 2, -2.5, " -2.50"}, {'N', 10, 2, 0, "      0.00"},
        {'F', 5, 0, 42.6, "   43"},    {'N', 6, 2, 999.99, "999.99"},
        // Wider than the field: the overflow mark, never a different number.
        {'N', 6, 2, 1234567.0, "******"}, {'N', 6, 2, -999.99, "******"}, {'N', 20, 18, 1e300, std::string(20, '*')},
    };
    for (const Case& c : cases) {
        FieldOnBuffer f(c.Type, c.Length, c.Decimals);
        f.Field.SetAsFloat(c.Value);
        EXPECT_EQ(f.Bytes(), c.Bytes) << c.Value;
    }
}

TEST(FieldNumbers, GetAsFloatReadsPlainNumbersOnly) {
    FieldOnBuffer f('N', 10, 3);
    const std::pair<const char*, double> cases[] = {
        {"    12.500", 12.5}, {"  -0.125  ", -0.125}, {"       +.5", 0.5}, {"          ", 0.0},
        {"1.5e2     ", 150.0}, {"  12,5    ", 0.0},   {"  1.2.3   ", 0.0}, {"       inf", 0.0},
        {"       nan", 0.0},  {"      --1 ", 0.0},    {"******    ", 0.0}, {"  1 2     ", 0.0},
    };
    for (const auto& [text, value] : cases) {
        f.Put(text);
        EXPECT_EQ(f.Field.GetAsFloat(), value) << text;
    }
}

TEST(FieldDates, DateFieldsReadAndWriteYyyymmdd) {
    FieldOnBuffer f('D', 8);
    f.Field.SetAsDate(TDateTimeParts{2007, 5, 1, 13, 14, 15, 0});
    EXPECT_EQ(f.Bytes(), "20070501");
    EXPECT_EQ(f.Field.GetAsDate(), (TDateTimeParts{2007, 5, 1}));
    for (const char* bad : {"20070230", "        ", "2007-5-1", "abcdefgh", "00000101", "20071301"}) {
        f.Put(bad);
        EXPECT_EQ(f.Field.GetAsDate(), NullDate) << bad;
    }
    f.Put("  070501");  // leading blanks convert: year 7
    EXPECT_EQ(f.Field.GetAsDate(), (TDateTimeParts{7, 5, 1}));
    f.Field.SetAsDate(TDateTimeParts{2007, 2, 30});  // not a date: the field becomes empty
    EXPECT_EQ(f.Bytes(), "        ");
    f.Field.SetAsDate(TDateTimeParts{33, 1, 2});
    EXPECT_EQ(f.Bytes(), "00330102");
}

TEST(FieldDates, DateTimeFieldsHoldJulianDayAndMilliseconds) {
    FieldOnBuffer f('T', 8);
    f.Field.SetAsDateTime(TDateTimeParts{2007, 5, 1, 12, 0, 0, 0});
    EXPECT_EQ(f.Bytes(), LE32(2454222) + LE32(43200000));
    for (TDateTimeParts d : {TDateTimeParts{2007, 5, 1, 12, 0, 0, 0}, TDateTimeParts{1970, 1, 1, 23, 59, 59, 999},
                             TDateTimeParts{1, 1, 1}, TDateTimeParts{9999, 12, 31}}) {
        f.Field.SetAsDateTime(d);
        EXPECT_EQ(f.Field.GetAsDateTime(), d);
    }
    // Zeros, all ones and days beyond year 9999 are no date.
    for (const std::string& bad : {std::string(8, '\0'), std::string(8, '\xFF'), LE32(0x7FFFFFFF) + LE32(0)}) {
        f.Put(bad);
        EXPECT_EQ(f.Field.GetAsDateTime(), NullDate);
    }
    // Milliseconds of more than a day carry into the date.
    f.Put(LE32(2454222) + LE32(86400000u + 1000));
    EXPECT_EQ(f.Field.GetAsDateTime(), (TDateTimeParts{2007, 5, 2, 0, 0, 1, 0}));
    // The calendar behind them.
    int y, m, d;
    for (int64_t n : {int64_t(1), int64_t(59), int64_t(60), int64_t(693594), DayCount(9999, 12, 31)}) {
        ASSERT_TRUE(DateOfDayCount(n, y, m, d));
        EXPECT_EQ(DayCount(y, m, d), n);
    }
    EXPECT_FALSE(DateOfDayCount(0, y, m, d) || DateOfDayCount(DayCount(9999, 12, 31) + 1, y, m, d));
    EXPECT_TRUE(IsValidCalendarDate(2000, 2, 29));
    EXPECT_FALSE(IsValidCalendarDate(1900, 2, 29) || IsValidCalendarDate(0, 1, 1));
}

TEST(FieldBinary, CurrencyIntegerAndDouble) {
    FieldOnBuffer y('Y', 8, 4), i('I', 4), b('B', 8);
    y.Field.SetAsCurrency(-922337203685477580);
    EXPECT_EQ(y.Bytes(), LE32(uint32_t(-922337203685477580)) + LE32(uint32_t(-922337203685477580 >> 32)));
    EXPECT_EQ(y.Field.GetAsCurrency(), -922337203685477580);
    i.Field.SetAsInteger(-2);
    EXPECT_EQ(i.Bytes(), "\xFE\xFF\xFF\xFF");
    EXPECT_EQ(i.Field.GetAsInteger(), -2);
    b.Field.SetAsDouble(2.5);
    EXPECT_EQ(b.Bytes(), std::string("\0\0\0\0\0\0\x04\x40", 8));
    EXPECT_EQ(b.Field.GetAsDouble(), 2.5);
    // Binary fields shorter than their type read as 0 and ignore writes.
    FieldOnBuffer shortI('I', 2);
    shortI.Put("ab");
    EXPECT_EQ(shortI.Field.GetAsInteger(), 0);
    shortI.Field.SetAsInteger(7);
    EXPECT_EQ(shortI.Bytes(), "ab");
    EXPECT_EQ(FieldOnBuffer('T', 4).Field.GetAsDateTime(), NullDate);
}

TEST(FieldMemo, ReferencesOfBothLayoutsAndNoOther) {
    // Four bytes, 0 = none.
    FieldOnBuffer f('M', 4, 0, 0x30);
    f.Put(std::string(4, '\0'));
    EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);
    f.Field.SetMemoBlock(8);
    EXPECT_EQ(f.Bytes(), LE32(8));
    EXPECT_EQ(f.Field.GetMemoBlock(), 8);
    f.Field.SetMemoBlock(NoMemoBlock);
    EXPECT_EQ(f.Bytes(), std::string(4, '\0'));
    // Ten right-aligned digits, blanks = none.
    const std::pair<const char*, int32_t> reads[] = {{"         8", 8},           {"8         ", NoMemoBlock},
                                                     {"          ", NoMemoBlock}, {"99999999999", NoMemoBlock},
                                                     {"        -5", NoMemoBlock}};
    const std::pair<int32_t, const char*> writes[] = {
        {123, "       123"}, {NoMemoBlock, "          "}, {2147483647, "2147483647"}};
    for (uint8_t version : {uint8_t(0x83), uint8_t(0xF5), uint8_t(0x8B)}) {
        FieldOnBuffer g('M', 10, 0, version);
        for (const auto& [bytes, block] : reads) {
            g.Put(bytes);
            EXPECT_EQ(g.Field.GetMemoBlock(), block) << bytes << " " << int(version);
        }
        for (const auto& [block, bytes] : writes) {
            g.Field.SetMemoBlock(block);
            EXPECT_EQ(g.Bytes(), bytes);
        }
    }
    // Any other layout: an error to read, nothing stored.
    for (auto [version, length] : {std::pair<uint8_t, uint8_t>{0x03, 10}, {0x30, 10}}) {
        FieldOnBuffer o('M', length, 0, version);
        o.Put("         1");
        EXPECT_EQ(ErrorOf([&] { o.Field.GetMemoBlock(); }), "Unsupported memo field!");
        o.Field.SetMemoBlock(5);
        EXPECT_EQ(o.Bytes(), "         1");
    }
}

TEST(FieldBlank, BlankValueOfEveryType) {
    const std::tuple<char, uint8_t, uint8_t, std::string> cases[] = {
        {'C', 3, 0x30, "   "},
        {'N', 10, 0x30, "      0.00"},
        {'F', 4, 0x30, "   0"},
        {'D', 8, 0x30, "        "},
        {'T', 8, 0x30, std::string(8, '\0')},
        {'Y', 8, 0x30, std::string(8, '\0')},
        {'I', 4, 0x30, std::string(4, '\0')},
        {'B', 8, 0x30, std::string(8, '\0')},
        {'L', 1, 0x30, " "},
        {'M', 4, 0x30, std::string(4, '\0')},
        {'G', 4, 0x30, std::string(4, '\0')},  // none, not blanks that would read as a block
        {'P', 4, 0x30, std::string(4, '\0')},
        {'0', 2, 0x30, std::string(2, '\0')},  // null flags: no field of a new record is null
        {'V', 3, 0x30, "   "},
        {'M', 10, 0x83, "          "},
    };
    for (const auto& [type, length, version, blank] : cases) {
        FieldOnBuffer f(type, length, type == 'N' ? 2 : 0, version);
        f.Put(std::string(length, 'x'));
        f.Field.SetBlank();
        EXPECT_EQ(f.Bytes(), blank) << type;
    }
}

TEST(FieldBounds, AFieldOutsideItsRecordReadsEmptyAndIgnoresWrites) {
    FieldOnBuffer f('C', 5);
    f.Descriptor[12] = 3;  // offset 3 + length 5 > record length 6
    f.Buffer.assign(f.Buffer.size(), 'z');
    EXPECT_EQ(f.Field.GetAsString(), "");
    f.Field.SetAsString("abc");
    f.Field.SetAsFloat(1);
    f.Field.SetBlank();
    EXPECT_EQ(std::string(f.Buffer.begin(), f.Buffer.end()), std::string(12, 'z'));
    f.Descriptor[12] = 7;  // starts beyond the record
    EXPECT_EQ(f.Field.GetRawView(), "");
    TField detached(f.Descriptor.data());
    EXPECT_EQ(detached.GetAsString(), "");
    EXPECT_EQ(detached.GetAsInteger(), 0);
    detached.SetAsString("x");
}
