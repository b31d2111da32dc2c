// The outputs: every format written from the table of every field type, compared byte for byte
// with the files kept beside this test (table outputs with their last-update date blanked; set
// VX_UPDATE_GOLDEN=1 to rewrite them after a deliberate change, and read the difference); the
// same outputs opened by independent readers; table outputs beyond the golden files.
#include "exportfixture.h"

#include <cstdlib>
#include <set>
#include <sstream>

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
    const TCodePageScope page(1252);  // the outputs declare it
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

// ---- The outputs opened by programs that share no code with ours: python3-dbfread and GDAL's
// ogrinfo for the four table kinds, python3-xlrd for the worksheet, xmllint for the XML and
// Python's csv module for the CSV. Each test is skipped where its reader is missing. ----

namespace {

// The value texts of the table of every field type, record by record (record 3 is deleted).
const std::vector<std::vector<std::string>> ValueTexts = {
    {"Alpha, Inc", "12.50", "-3.250", "20240105", "2024-1-5 13:45:30", "12.3456", "-42", "0.33", "T",
     "Line one\r\nLine two, with comma", "General", ""},
    {"Caf\xe9", "", "0.000", "        ", "", "0", "0", "0.00", "F", "", "General", ""},
    {"Say \"hi\" <&>", "99999.99", "1.500", "19991231", "1999-12-31", "-0.0005", "2147483647", "2.50", "?", "x",
     "General", ""},
    {"Lone\rCR", "-1.00", "70.125", "20000229", "2000-2-29 00:00:01", "100", "7", "-2.25", "F", "one\ntwo",
     "General", ""},
};

std::string Hex(const std::string& bytes) {
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) s += {d[c >> 4], d[c & 15]};
    return s;
}

// One line per row: the hex of each value's Latin-1 bytes, joined by "|".
std::string HexLines(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + Hex(row[i]);
        out += "\n";
    }
    return out;
}

// The table of every field type, written as each output in code page 1252.
struct TWritten {
    TCodePageScope Page{1252};
    TempDir Dir;
    TTableRows Rows{MakeAllTypesTable(Dir.Path("all.dbf"))};
    std::string Write(TOutputKind kind, const std::string& name) {
        TRecordingSink sink;
        WriteOutput(kind, Dir.Path(name), Rows.Source(), sink);
        return Dir.Path(name);
    }
};

}  // namespace

TEST(ExportReaders, DbfreadReadsTheFourTableKinds) {
    if (PythonWith("dbfread").empty()) GTEST_SKIP() << "python3-dbfread is not installed";
    TWritten w;
    const char* script =
        "import dbfread\n"
        "for name in sys.argv[1].split(','):\n"
        "    t = dbfread.DBF(name, char_decode_errors='strict')\n"
        "    for r in list(t.records) + list(t.deleted): print('|'.join(H(v) for v in r.values()))\n";
    // Visual FoxPro keeps every type; the others get dates, numbers and memo fields. dbfread
    // reads empty references as None and blank dates and numbers as None.
    const std::vector<std::vector<std::string>> vfp = {
        {"Alpha, Inc", "12.5", "-3.25", "2024-01-05", "2024-01-05 13:45:30", "12.3456", "-42", "0.3333333333333333",
         "True", "Line one\r\nLine two, with comma", "None", "None"},
        {"Caf\xe9", "None", "0.0", "None", "None", "0", "0", "0.0", "False", "None", "None", "None"},
        {"Lone\rCR", "-1.0", "70.125", "2000-02-29", "2000-02-29 00:00:01", "100", "7", "-2.25", "False", "one\ntwo",
         "None", "None"},
        {"Say \"hi\" <&>", "99999.99", "1.5", "1999-12-31", "1999-12-31 00:00:00", "-0.0005", "2147483647", "2.5",
         "None", "x", "None", "None"},
    };
    const std::vector<std::vector<std::string>> other = {
        {"Alpha, Inc", "12.5", "-3.25", "2024-01-05", "2024-01-05", "12.3456", "-42", "0.33", "True",
         "Line one\r\nLine two, with comma", "None", "None"},
        {"Caf\xe9", "None", "0.0", "None", "None", "0.0", "0", "0.0", "False", "None", "None", "None"},
        {"Lone\rCR", "-1.0", "70.125", "2000-02-29", "2000-02-29", "100.0", "7", "-2.25", "False", "one\ntwo",
         "None", "None"},
        {"Say \"hi\" <&>", "99999.99", "1.5", "1999-12-31", "1999-12-31", "-0.0005", "2147483647", "2.5", "None",
         "x", "None", "None"},
    };
    std::string files;
    for (int k = 0; k < 4; ++k) files += (k ? "," : "") + w.Write(TOutputKind(k), "t" + std::to_string(k) + ".dbf");
    EXPECT_EQ(RunPython(w.Dir, "dbfread", script, files), HexLines(vfp) + HexLines(other) + HexLines(other) + HexLines(other));
}

TEST(ExportReaders, OgrinfoReadsTheFourTableKinds) {
    if (!HaveCommand("ogrinfo")) GTEST_SKIP() << "GDAL's ogrinfo is not installed";
    TWritten w;
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const std::string file = w.Write(TOutputKind(k), "t" + std::to_string(k) + ".dbf");
        bool ok = false;
        const std::string out = RunCommand("ogrinfo -ro -al -q " + file + " 2>&1", ok);
        ASSERT_TRUE(ok) << out;
        // "feature.FIELD=text" of every field the reader shows; deleted records are left out.
        std::set<std::string> got;
        std::istringstream in(out);
        std::string feature;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("OGRFeature(", 0) == 0) feature = line.substr(line.find("):") + 2);
            const size_t eq = line.find(") = ");
            if (!feature.empty() && line.rfind("  ", 0) == 0 && eq != std::string::npos)
                got.insert(feature + "." + line.substr(2, line.find(' ', 2) - 2) + "=" + line.substr(eq + 4));
        }
        std::vector<std::string> want = {"0.NAME=Alpha, Inc", "1.NAME=Caf\xc3\xa9", "3.NAME=Lone\rCR", "0.QTY=12.50",
                                         "3.WEIGHT=70.125", "0.BORN=2024/01/05", "0.ACTIVE=T"};
        if (k > 0) want.insert(want.end(), {"0.STAMP=2024/01/05", "0.PRICE=12.3456", "0.COUNT=-42", "3.RATIO=-2.25"});
        for (const std::string& w : want) EXPECT_TRUE(got.count(w)) << w;
        for (const std::string& g : got) EXPECT_TRUE(g[0] != '2' && g.rfind("1.BORN", 0) != 0) << g;
    }
}

TEST(ExportReaders, XlrdReadsTheWorksheet) {
    if (PythonWith("xlrd").empty()) GTEST_SKIP() << "python3-xlrd is not installed";
    TWritten w;
    const std::string file = w.Write(TOutputKind::Excel, "t.xls");
    const char* script =
        "import xlrd\n"
        "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
        "for r in range(s.nrows): print('|'.join(H(s.cell_value(r, c)) for c in range(s.ncols)))\n";
    std::vector<std::vector<std::string>> rows = {
        {"NAME", "QTY", "WEIGHT", "BORN", "STAMP", "PRICE", "COUNT", "RATIO", "ACTIVE", "NOTES", "LOGO", "PHOTO"}};
    rows.insert(rows.end(), ValueTexts.begin(), ValueTexts.end());
    EXPECT_EQ(RunPython(w.Dir, "xlrd", script, file), HexLines(rows));
}

TEST(ExportReaders, PythonCsvReadsTheCsv) {
    if (PythonWith("csv").empty()) GTEST_SKIP() << "python3 is not installed";
    TWritten w;
    const std::string file = w.Write(TOutputKind::Csv, "t.csv");
    const char* script =
        "import csv\n"
        "for row in csv.reader(open(sys.argv[1], newline='', encoding='latin-1')): print('|'.join(H(v) for v in row))\n";
    EXPECT_EQ(RunPython(w.Dir, "csv", script, file), HexLines(ValueTexts));
}

TEST(ExportReaders, XmllintReadsTheXml) {
    if (!HaveCommand("xmllint")) GTEST_SKIP() << "xmllint is not installed";
    TWritten w;
    const std::string file = w.Write(TOutputKind::Xml, "t.xml");
    // The document is well formed, and its values read back joined by "|".
    std::string xpath = "concat(''";
    for (const char* v : {"1]/NAME", "1]/NOTES", "2]/NAME", "3]/NAME", "4]/NAME", "4]/STAMP"})
        xpath += std::string(", '|', /Root/Information/Record[") + v;
    bool ok = false;
    const std::string out = RunCommand("xmllint --xpath \"" + xpath + ")\" " + file, ok);
    EXPECT_TRUE(ok) << out;
    EXPECT_EQ(out, "|Alpha, Inc|Line one\r\nLine two, with comma|Caf\xc3\xa9|Say \"hi\" <&>|Lone\rCR|2000-2-29 00:00:01\n");
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
