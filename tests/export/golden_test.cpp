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
