// Every output format written from the table of every field type, compared byte for byte with
// the files kept beside this test (table outputs with their last-update date blanked). Set
// VX_UPDATE_GOLDEN=1 to rewrite them after a deliberate change, and read the difference.
#include "exportfixture.h"

#include <cstdlib>

using namespace exporttest;

namespace {

const std::filesystem::path GoldenDir = std::filesystem::path(VX_TESTS_DIR) / "export" / "golden";

struct TGoldenCase {
    TOutputKind Kind;
    const char* File;
    const char* MemoFile;  // written beside a table output, or null
};

const TGoldenCase GoldenCases[] = {
    {TOutputKind::VisualFoxPro, "vfp.dbf", "vfp.fpt"}, {TOutputKind::FoxPro2, "fox2.dbf", "fox2.fpt"},
    {TOutputKind::FoxBase, "foxbase.dbf", "foxbase.dbt"}, {TOutputKind::DBase4, "dbase4.dbf", "dbase4.dbt"},
    {TOutputKind::Text, "report.txt", nullptr}, {TOutputKind::Html, "page.html", nullptr},
    {TOutputKind::Xml, "doc.xml", nullptr}, {TOutputKind::Excel, "sheet.xls", nullptr},
    {TOutputKind::Csv, "rows.csv", nullptr}, {TOutputKind::Dif, "rows.dif", nullptr},
};

void CompareWithGolden(const std::string& written, const std::string& name, bool table) {
    std::string bytes = ReadAll(written);
    if (table && bytes.size() >= 4) bytes.replace(1, 3, 3, '\0');  // today's date
    const std::string golden = (GoldenDir / name).string();
    if (std::getenv("VX_UPDATE_GOLDEN")) vxtest::WriteAll(golden, bytes);
    EXPECT_EQ(bytes, ReadAll(golden)) << name;
}

}  // namespace

TEST(ExportGolden, EveryFormatByteForByte) {
    TempDir dir;
    TTableRows t(MakeAllTypesTable(dir.Path("all.dbf")));
    for (const TGoldenCase& c : GoldenCases) {
        TRecordingSink sink;
        const TWriteResult r = WriteOutput(c.Kind, dir.Path(c.File), t.Source(), sink);
        EXPECT_EQ(r.Written, 4u) << c.File;
        CompareWithGolden(dir.Path(c.File), c.File, IsTableKind(c.Kind));
        if (c.MemoFile) CompareWithGolden(dir.Path(c.MemoFile), c.MemoFile, false);
    }
}

// ---- Table outputs beyond the golden files: no memo where none is needed, numbers that keep
// their digits or are marked as too wide, and columns taken by index. ----

namespace {

// The record bytes of a table file: its header and end mark left off.
std::string RecordBytes(const std::string& path) {
    const std::string b = ReadAll(path);
    const size_t header = uint8_t(b[8]) | size_t(uint8_t(b[9])) << 8;
    return b.substr(header, b.size() - header - (b.back() == '\x1A'));
}

// A table of the given fields whose records hold the given field texts.
std::string MakeTable(const std::string& path, const std::vector<TTableFieldDef>& fields,
                      const std::vector<std::vector<std::string>>& records) {
    CreateTableFile(path, 0x30, fields);
    TDBF t;
    t.SetFileName(path);
    t.Open();
    for (const auto& r : records) {
        t.Append();
        for (size_t i = 0; i < r.size(); ++i) t.GetField(int(i))->SetAsString(r[i]);
        t.Post();
    }
    return path;
}

}  // namespace

TEST(ExportTables, WithoutMemoFieldsOrMemoTextsNoMemoIsWritten) {
    TempDir dir;
    TTableRows src(MakeAllTypesTable(dir.Path("all.dbf")));
    TRowSource plain = src.Source(false);
    plain.Fields = {0, 3};  // NAME, BORN
    TRecordingSink sink;
    for (int k = 0; k < 4; ++k) {
        WriteTableFile(TOutputKind(k), dir.Path("plain.dbf"), plain, sink);
        const std::string bytes = ReadAll(dir.Path("plain.dbf"));
        EXPECT_EQ(std::string({bytes[0], bytes[28]}), std::string({k ? '\x03' : '\x30', '\0'})) << k;  // no memo flag
    }
    // The memo option off: the memo field is there, every reference is none.
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
    const std::string path = MakeTable(dir.Path("num.dbf"), {{"BIG", 'N', 20, 2}, {"ODD", 'N', 6, 2}, {"CASH", 'Y', 8}, {"HUGE", 'B', 8, 2}},
                                       {{"12345678901234567.89", " 01.5 "}, {"12345678901234567.89", " 01.5 "}});
    {
        TDBF t;  // more digits than a double holds, the extremes of currency, a double too wide
        t.SetFileName(path);
        t.Open();
        for (uint32_t r : {1u, 2u}) {
            t.Go(r);
            t.Edit();
            t.FieldByName("CASH")->SetAsCurrency(r == 1 ? INT64_MAX : INT64_MIN);
            t.FieldByName("HUGE")->SetAsDouble(1e30);
            t.Post();
        }
    }
    TTableRows src(path);
    TRecordingSink sink;
    WriteTableFile(TOutputKind::FoxBase, dir.Path("out.dbf"), src.Source(), sink);
    const std::string stars(20, '*');  // 21 characters never fit
    EXPECT_EQ(RecordBytes(dir.Path("out.dbf")), " 12345678901234567.89 01.5 922337203685477.5807" + stars +
                                                    " 12345678901234567.89 01.5 " + stars + stars);
}

TEST(ExportTables, ColumnsAreTakenByIndexWhateverTheirNames) {
    TempDir dir;
    TTableRows src(MakeTable(dir.Path("names.dbf"), {{"X", 'C', 3}, {"A B", 'C', 3}, {"X", 'C', 3}}, {{"v0", "v1", "v2"}}));
    TRowSource rows = src.Source();
    rows.Fields = {2, 1, 0};
    TRecordingSink sink;
    WriteCSV(dir.Path("out.csv"), rows, sink);
    EXPECT_EQ(ReadAll(dir.Path("out.csv")), "v2,v1,v0\r\n");
    WriteTableFile(TOutputKind::FoxBase, dir.Path("out.dbf"), rows, sink);
    EXPECT_EQ(RecordBytes(dir.Path("out.dbf")), " v2 v1 v0 ");
}
