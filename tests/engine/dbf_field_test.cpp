// Field values: every type's getters and setters on the bytes of the record buffer, blank
// values, memo references of both layouts, and fields that do not fit their record.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace dbftest;
using vxtest::ReadAll;
using vxtest::TempDir;

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

TEST(FieldText, CharacterFieldsStoreLeftAlignedAndCut) {
    FieldOnBuffer f('C', 5);
    f.Field.SetAsString("abc");
    EXPECT_EQ(f.Bytes(), "abc  ");
    f.Field.SetAsString("abcdefg");
    EXPECT_EQ(f.Bytes(), "abcde");
    f.Put("ab  \t");
    EXPECT_EQ(f.Field.GetAsTrimmedString(), "ab  \t");  // only blanks are trimmed
    f.Put("ab   ");
    EXPECT_EQ(f.Field.GetAsTrimmedString(), "ab");
    f.Put("     ");
    EXPECT_EQ(f.Field.GetAsTrimmedString(), "");
    f.Put(std::string("ab\0cd", 5));
    EXPECT_EQ(f.Field.GetAsString(), "ab");  // ends at the first NUL
    std::string reused = "old contents";
    f.Field.GetAsString(reused);
    EXPECT_EQ(reused, "ab");
    f.Field.SetAsString(std::string("\xE9\xFF", 2));  // bytes as they stand
    EXPECT_EQ(f.Bytes(), std::string("\xE9\xFF   ", 5));
}

TEST(FieldText, NumericTextIsRightAlignedButCutFromTheLeft) {
    FieldOnBuffer f('N', 6, 2);
    f.Field.SetAsString("1.5");
    EXPECT_EQ(f.Bytes(), "   1.5");
    f.Field.SetAsString("12345678");
    EXPECT_EQ(f.Bytes(), "123456");
}

TEST(FieldNumbers, SetAsFloatFormatsWithTheDecimalsOfTheField) {
    FieldOnBuffer f('N', 6, 2);
    f.Field.SetAsFloat(3.14159);
    EXPECT_EQ(f.Bytes(), "  3.14");
    f.Field.SetAsFloat(-2.5);
    EXPECT_EQ(f.Bytes(), " -2.50");
    f.Field.SetAsFloat(0);
    EXPECT_EQ(f.Bytes(), "  0.00");
    FieldOnBuffer g('N', 10, 2);
    g.Field.SetAsFloat(0);
    EXPECT_EQ(g.Bytes(), "      0.00");
    FieldOnBuffer i('F', 5, 0);
    i.Field.SetAsFloat(42.6);
    EXPECT_EQ(i.Bytes(), "   43");
}

TEST(FieldNumbers, ValueWiderThanTheFieldBecomesTheOverflowMark) {
    FieldOnBuffer f('N', 6, 2);
    f.Field.SetAsFloat(1234567.0);
    EXPECT_EQ(f.Bytes(), "******");
    EXPECT_EQ(f.Field.GetAsFloat(), 0.0);
    f.Field.SetAsFloat(999.99);
    EXPECT_EQ(f.Bytes(), "999.99");
    f.Field.SetAsFloat(-999.99);  // seven characters
    EXPECT_EQ(f.Bytes(), "******");
    FieldOnBuffer big('N', 20, 18);
    big.Field.SetAsFloat(1e300);
    EXPECT_EQ(big.Bytes(), std::string(20, '*'));
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
    std::string b = f.Bytes();
    EXPECT_EQ(dbfbytes::GetLE32(reinterpret_cast<const uint8_t*>(b.data())), 2454222u);
    EXPECT_EQ(dbfbytes::GetLE32(reinterpret_cast<const uint8_t*>(b.data()) + 4), 43200000u);
    EXPECT_EQ(f.Field.GetAsDateTime(), (TDateTimeParts{2007, 5, 1, 12, 0, 0, 0}));
    f.Field.SetAsDateTime(TDateTimeParts{1970, 1, 1, 23, 59, 59, 999});
    EXPECT_EQ(f.Field.GetAsDateTime(), (TDateTimeParts{1970, 1, 1, 23, 59, 59, 999}));
    f.Field.SetAsDateTime(TDateTimeParts{1, 1, 1});
    EXPECT_EQ(dbfbytes::GetLE32(&f.Buffer[1]), 1721426u);
    EXPECT_EQ(f.Field.GetAsDateTime(), (TDateTimeParts{1, 1, 1}));
    f.Put(std::string(8, '\0'));
    EXPECT_EQ(f.Field.GetAsDateTime(), NullDate);
    f.Put(std::string(8, '\xFF'));
    EXPECT_EQ(f.Field.GetAsDateTime(), NullDate);
    f.Put(std::string("\xFF\xFF\xFF\x7F\0\0\0\0", 8));  // beyond year 9999
    EXPECT_EQ(f.Field.GetAsDateTime(), NullDate);
    // Milliseconds of more than a day carry into the date.
    dbfbytes::PutLE32(&f.Buffer[1], 2454222);
    dbfbytes::PutLE32(&f.Buffer[5], 86400000u + 1000);
    EXPECT_EQ(f.Field.GetAsDateTime(), (TDateTimeParts{2007, 5, 2, 0, 0, 1, 0}));
}

TEST(FieldDates, CalendarArithmetic) {
    EXPECT_EQ(DayCount(1, 1, 1), 1);
    EXPECT_EQ(DayCount(1899, 12, 30), 693594);
    for (int64_t d : {int64_t(1), int64_t(59), int64_t(60), int64_t(693594), int64_t(730119), DayCount(9999, 12, 31)}) {
        int y, m, dd;
        ASSERT_TRUE(DateOfDayCount(d, y, m, dd));
        EXPECT_EQ(DayCount(y, m, dd), d);
    }
    int y, m, d;
    EXPECT_FALSE(DateOfDayCount(0, y, m, d));
    EXPECT_FALSE(DateOfDayCount(DayCount(9999, 12, 31) + 1, y, m, d));
    EXPECT_TRUE(IsValidCalendarDate(2000, 2, 29));
    EXPECT_FALSE(IsValidCalendarDate(1900, 2, 29));
    EXPECT_FALSE(IsValidCalendarDate(0, 1, 1));
}

TEST(FieldBinary, CurrencyIntegerAndDouble) {
    FieldOnBuffer y('Y', 8, 4);
    y.Put(std::string("\x39\x30\0\0\0\0\0\0", 8));
    EXPECT_EQ(y.Field.GetAsCurrency(), 12345);  // 1.2345
    y.Field.SetAsCurrency(-922337203685477580);
    EXPECT_EQ(y.Field.GetAsCurrency(), -922337203685477580);
    FieldOnBuffer i('I', 4);
    i.Field.SetAsInteger(-2);
    EXPECT_EQ(i.Bytes(), "\xFE\xFF\xFF\xFF");
    EXPECT_EQ(i.Field.GetAsInteger(), -2);
    FieldOnBuffer b('B', 8);
    b.Field.SetAsDouble(2.5);
    EXPECT_EQ(b.Field.GetAsDouble(), 2.5);
    EXPECT_EQ(b.Bytes(), std::string("\0\0\0\0\0\0\x04\x40", 8));
    // Binary fields shorter than their type read as 0 and ignore writes.
    FieldOnBuffer shortI('I', 2);
    shortI.Put("ab");
    EXPECT_EQ(shortI.Field.GetAsInteger(), 0);
    shortI.Field.SetAsInteger(7);
    EXPECT_EQ(shortI.Bytes(), "ab");
    FieldOnBuffer shortT('T', 4);
    EXPECT_EQ(shortT.Field.GetAsDateTime(), NullDate);
}

TEST(FieldMemo, FourByteReferences) {
    FieldOnBuffer f('M', 4, 0, 0x30);
    f.Put(std::string(4, '\0'));
    EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);
    f.Field.SetMemoBlock(8);
    EXPECT_EQ(f.Bytes(), std::string("\x08\0\0\0", 4));
    EXPECT_EQ(f.Field.GetMemoBlock(), 8);
    f.Field.SetMemoBlock(NoMemoBlock);
    EXPECT_EQ(f.Bytes(), std::string(4, '\0'));
}

TEST(FieldMemo, TenCharacterReferences) {
    for (uint8_t version : {uint8_t(0x83), uint8_t(0xF5), uint8_t(0x8B)}) {
        FieldOnBuffer f('M', 10, 0, version);
        f.Put("         8");
        EXPECT_EQ(f.Field.GetMemoBlock(), 8);
        f.Put("8         ");
        EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);
        f.Put("          ");
        EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);
        f.Put("99999999999");
        EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);  // beyond 32 bits
        f.Put("        -5");
        EXPECT_EQ(f.Field.GetMemoBlock(), NoMemoBlock);
        f.Field.SetMemoBlock(123);
        EXPECT_EQ(f.Bytes(), "       123");
        f.Field.SetMemoBlock(NoMemoBlock);
        EXPECT_EQ(f.Bytes(), "          ");
        f.Field.SetMemoBlock(2147483647);
        EXPECT_EQ(f.Bytes(), "2147483647");
    }
}

TEST(FieldMemo, OtherLayoutsAreUnsupported) {
    FieldOnBuffer f('M', 10, 0, 0x03);
    f.Put("         1");
    try {
        f.Field.GetMemoBlock();
        FAIL();
    } catch (const EDBFError& e) {
        EXPECT_STREQ(e.what(), "Unsupported memo field!");
    }
    f.Field.SetMemoBlock(5);
    EXPECT_EQ(f.Bytes(), "         1");
    FieldOnBuffer g('M', 10, 0, 0x30);
    EXPECT_THROW(g.Field.GetMemoBlock(), EDBFError);
}

TEST(FieldBlank, BlankValueOfEveryType) {
    const std::pair<FieldDef, std::string> cases[] = {
        {{"C", 'C', 3}, "   "},
        {{"N", 'N', 10, 2}, "      0.00"},
        {{"F", 'F', 4}, "   0"},
        {{"D", 'D', 8}, "        "},
        {{"T", 'T', 8}, std::string(8, '\0')},
        {{"Y", 'Y', 8, 4}, std::string(8, '\0')},
        {{"I", 'I', 4}, std::string(4, '\0')},
        {{"B", 'B', 8}, std::string(8, '\0')},
        {{"L", 'L', 1}, " "},
        {{"M", 'M', 4}, std::string(4, '\0')},
        {{"G", 'G', 4}, std::string(4, '\0')},  // none, not blanks that would read as a block
        {{"P", 'P', 4}, std::string(4, '\0')},
        {{"V", 'V', 3}, "   "},
    };
    for (const auto& [def, blank] : cases) {
        FieldOnBuffer f(def.Type, def.Length, def.Decimals, 0x30);
        f.Put(std::string(def.Length, 'x'));
        f.Field.SetBlank();
        EXPECT_EQ(f.Bytes(), blank) << def.Type;
    }
    FieldOnBuffer m('M', 10, 0, 0x83);
    m.Put("0123456789");
    m.Field.SetBlank();
    EXPECT_EQ(m.Bytes(), "          ");
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
    TField detached(f.Descriptor.data());
    EXPECT_EQ(detached.GetAsString(), "");
    EXPECT_EQ(detached.GetAsInteger(), 0);
    detached.SetAsString("x");
}

TEST(FieldTable, FieldsFollowTheCurrentRecordOfTheirTable) {
    TempDir dir;
    std::string path = dir.Path("types.dbf");
    std::vector<FieldDef> fields = {{"C", 'C', 4}, {"N", 'N', 8, 3}, {"D", 'D', 8}, {"T", 'T', 8},
                                    {"Y", 'Y', 8, 4}, {"I", 'I', 4}, {"B", 'B', 8}, {"L", 'L', 1}};
    CreateTable(path, 0x30, fields);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    for (int r = 1; r <= 3; ++r) {
        dbf.Append();
        dbf.FieldByName("C")->SetAsString("r" + std::to_string(r));
        dbf.FieldByName("N")->SetAsFloat(r * 1.25);
        dbf.FieldByName("D")->SetAsDate(TDateTimeParts{2000 + r, r, r});
        dbf.FieldByName("T")->SetAsDateTime(TDateTimeParts{2000 + r, 1, 2, 3, 4, 5, 6});
        dbf.FieldByName("Y")->SetAsCurrency(r * 10000);
        dbf.FieldByName("I")->SetAsInteger(-r);
        dbf.FieldByName("B")->SetAsDouble(r / 4.0);
        dbf.FieldByName("L")->SetAsString(r % 2 ? "T" : "F");
        dbf.Post();
    }
    TField* n = dbf.FieldByName("N");
    for (int r = 3; r >= 1; --r) {
        dbf.Go(r);
        EXPECT_EQ(dbf.FieldByName("C")->GetAsTrimmedString(), "r" + std::to_string(r));
        EXPECT_EQ(n->GetAsFloat(), r * 1.25);
        EXPECT_EQ(dbf.FieldByName("D")->GetAsDate(), (TDateTimeParts{2000 + r, r, r}));
        EXPECT_EQ(dbf.FieldByName("T")->GetAsDateTime(), (TDateTimeParts{2000 + r, 1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(dbf.FieldByName("Y")->GetAsCurrency(), r * 10000);
        EXPECT_EQ(dbf.FieldByName("I")->GetAsInteger(), -r);
        EXPECT_EQ(dbf.FieldByName("B")->GetAsDouble(), r / 4.0);
        EXPECT_EQ(dbf.FieldByName("L")->GetAsString(), r % 2 ? "T" : "F");
    }
    dbf.Go(2);
    EXPECT_EQ(ReadAll(path).substr(size_t(dbf.GetHeaderLength()) + 50 + 1, 4), "r2  ");
}
