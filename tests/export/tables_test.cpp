// Table outputs read back through the engine: the header and type mapping of each kind, and
// values that keep their digits, blank dates that stay blank and references that are not
// carried into another memo file.
#include "exportfixture.h"

using namespace exporttest;

namespace {

struct TKindCase {
    TOutputKind Kind;
    uint8_t Version;      // with memo-type fields
    uint16_t HeaderLength;
    uint8_t Flags;
    const char* Types;    // output type letters of NAME .. PHOTO
    std::vector<int> Widths;
    std::vector<int> Decimals;
};

const TKindCase KindCases[] = {
    {TOutputKind::VisualFoxPro, 0x30, 32 * 12 + 296, 0x02, "CNFDTYIBLMGP",
     {12, 8, 10, 8, 8, 8, 4, 8, 1, 4, 4, 4}, {0, 2, 3, 0, 0, 0, 0, 2, 0, 0, 0, 0}},
    {TOutputKind::FoxPro2, 0xF5, 32 * 12 + 33, 0, "CNFDDFNFLMGP",
     {12, 8, 10, 8, 8, 20, 11, 20, 1, 10, 10, 10}, {0, 2, 3, 0, 0, 4, 0, 2, 0, 0, 0, 0}},
    {TOutputKind::FoxBase, 0x83, 32 * 12 + 33, 0, "CNNDDNNNLMMM",
     {12, 8, 10, 8, 8, 20, 11, 20, 1, 10, 10, 10}, {0, 2, 3, 0, 0, 4, 0, 2, 0, 0, 0, 0}},
    {TOutputKind::DBase4, 0x83, 32 * 12 + 33, 0, "CNNDDNNNLMMM",
     {12, 8, 10, 8, 8, 20, 11, 20, 1, 10, 10, 10}, {0, 2, 3, 0, 0, 4, 0, 2, 0, 0, 0, 0}},
};

std::string Field(TDBF& t, const char* name) { return t.FieldByName(name)->GetAsString(); }

}  // namespace

TEST(ExportTables, HeaderTypeMappingAndValuesOfEachKind) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows src(dir.Path("all.dbf"));
    for (const TKindCase& c : KindCases) {
        SCOPED_TRACE(int(c.Kind));
        const std::string out = dir.Path("out" + std::to_string(int(c.Kind)) + ".dbf");
        TRecordingSink sink;
        ASSERT_EQ(WriteTableFile(c.Kind, out, src.Source(), sink).Written, 4u);
        TDBF t;
        t.SetFileName(out);
        t.Open();
        EXPECT_EQ(t.GetVersion(), c.Version);
        EXPECT_EQ(t.GetHeaderLength(), c.HeaderLength);
        EXPECT_EQ(t.GetTableFlags(), c.Flags);
        EXPECT_EQ(t.GetCodePage(), 0x7A);
        EXPECT_EQ(t.GetRecordCount(), 4u);
        int recordLength = 1;
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(t.GetFieldType(i), c.Types[i]) << i;
            EXPECT_EQ(t.GetField(i)->GetLength(), c.Widths[size_t(i)]) << i;
            EXPECT_EQ(t.GetField(i)->GetDecimals(), c.Decimals[size_t(i)]) << i;
            recordLength += c.Widths[size_t(i)];
        }
        EXPECT_EQ(t.GetRecordLength(), recordLength);
        const bool vfp = c.Kind == TOutputKind::VisualFoxPro;

        t.Go(1);
        EXPECT_FALSE(t.GetDeleted());
        EXPECT_EQ(Field(t, "NAME"), "Alpha, Inc  ");
        EXPECT_EQ(Field(t, "QTY"), "   12.50");
        EXPECT_EQ(Field(t, "BORN"), "20240105");
        std::string memo;
        t.GetMemo("NOTES", memo);
        EXPECT_EQ(memo, "Line one\r\nLine two, with comma");
        for (const char* ref : {"LOGO", "PHOTO"}) EXPECT_EQ(t.FieldByName(ref)->GetMemoBlock(), NoMemoBlock) << ref;
        if (vfp) {
            EXPECT_EQ(t.FieldByName("STAMP")->GetAsDateTime(), (TDateTimeParts{2024, 1, 5, 13, 45, 30}));
            EXPECT_EQ(t.FieldByName("PRICE")->GetAsCurrency(), 123456);
            EXPECT_EQ(t.FieldByName("COUNT")->GetAsInteger(), -42);
        } else {
            EXPECT_EQ(Field(t, "STAMP"), "20240105");
            EXPECT_EQ(Field(t, "PRICE"), "             12.3456");
            EXPECT_EQ(Field(t, "COUNT"), "        -42");
            EXPECT_EQ(Field(t, "RATIO"), "                0.33");
        }

        t.Go(2);  // blank dates stay blank
        EXPECT_EQ(Field(t, "BORN"), "        ");
        EXPECT_EQ(Field(t, "QTY"), "        ");
        EXPECT_EQ(t.FieldByName("STAMP")->GetRawView(), vfp ? std::string(8, '\0') : std::string(8, ' '));

        t.Go(3);
        EXPECT_TRUE(t.GetDeleted());
        if (!vfp) {
            EXPECT_EQ(Field(t, "COUNT"), " 2147483647");
            EXPECT_EQ(Field(t, "PRICE"), "             -0.0005");
        }
    }
}

TEST(ExportTables, WithoutMemoFieldsOrMemoTextsNoMemoIsWritten) {
    TempDir dir;
    MakeAllTypesTable(dir.Path("all.dbf"));
    TTableRows src(dir.Path("all.dbf"));
    TRowSource plain = src.Source(false);
    plain.Fields = {0, 3};  // NAME, BORN
    for (int k = 0; k < 4; ++k) {
        TRecordingSink sink;
        WriteTableFile(TOutputKind(k), dir.Path("plain.dbf"), plain, sink);
        const std::string bytes = ReadAll(dir.Path("plain.dbf"));
        EXPECT_EQ(bytes[0], k ? 0x03 : 0x30);
        EXPECT_EQ(bytes[28], 0);  // no memo flag
    }
    // The memo option off: the memo field is there, every reference is none.
    TRecordingSink sink;
    WriteTableFile(TOutputKind::FoxPro2, dir.Path("nomemo.dbf"), src.Source(false), sink);
    TDBF t;
    t.SetFileName(dir.Path("nomemo.dbf"));
    t.Open();
    for (uint32_t r = 1; r <= 4; ++r) {
        t.Go(r);
        EXPECT_EQ(t.FieldByName("NOTES")->GetMemoBlock(), NoMemoBlock);
    }
    EXPECT_EQ(t.GetMemoFileSize(), 512);  // the header only
}

TEST(ExportTables, NumbersKeepTheirDigitsAndTooWideValuesAreMarked) {
    TempDir dir;
    const std::string path = dir.Path("num.dbf");
    CreateTableFile(path, 0x30, {{"BIG", 'N', 20, 2}, {"ODD", 'N', 6, 2}, {"CASH", 'Y', 8}, {"HUGE", 'B', 8, 2}});
    {
        TDBF t;
        t.SetFileName(path);
        t.Open();
        const int64_t cash[] = {INT64_MAX, INT64_MIN};
        for (int64_t c : cash) {
            t.Append();
            t.FieldByName("BIG")->SetAsString("12345678901234567.89");  // more digits than a double holds
            t.FieldByName("ODD")->SetAsString(" 01.5 ");
            t.FieldByName("CASH")->SetAsCurrency(c);
            t.FieldByName("HUGE")->SetAsDouble(1e30);
            t.Post();
        }
    }
    TTableRows src(path);
    TRecordingSink sink;
    WriteTableFile(TOutputKind::FoxBase, dir.Path("out.dbf"), src.Source(), sink);
    TDBF t;
    t.SetFileName(dir.Path("out.dbf"));
    t.Open();
    t.Go(1);
    EXPECT_EQ(Field(t, "BIG"), "12345678901234567.89");
    EXPECT_EQ(Field(t, "ODD"), " 01.5 ");
    EXPECT_EQ(Field(t, "CASH"), "922337203685477.5807");
    EXPECT_EQ(Field(t, "HUGE"), std::string(20, '*'));
    t.Go(2);
    EXPECT_EQ(Field(t, "CASH"), std::string(20, '*'));  // 21 characters never fit
}

TEST(ExportTables, ColumnsAreTakenByIndexWhateverTheirNames) {
    TempDir dir;
    const std::string path = dir.Path("names.dbf");
    CreateTableFile(path, 0x03, {{"X", 'C', 3}, {"A B", 'C', 3}, {"X", 'C', 3}});
    {
        TDBF t;
        t.SetFileName(path);
        t.Open();
        t.Append();
        for (int i = 0; i < 3; ++i) t.GetField(i)->SetAsString("v" + std::to_string(i));
        t.Post();
    }
    TTableRows src(path);
    TRowSource rows = src.Source();
    rows.Fields = {2, 1, 0};
    TRecordingSink sink;
    WriteCSV(dir.Path("out.csv"), rows, sink);
    EXPECT_EQ(ReadAll(dir.Path("out.csv")), "v2,v1,v0\r\n");
    WriteTableFile(TOutputKind::FoxBase, dir.Path("out.dbf"), rows, sink);
    TDBF t;
    t.SetFileName(dir.Path("out.dbf"));
    t.Open();
    t.Go(1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t.GetField(i)->GetAsString(), "v" + std::to_string(2 - i) + " ");
}
