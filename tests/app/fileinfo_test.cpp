// The texts of a table's information: status bar file type, file and field information rows
// and their clipboard copies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/fileinfo.h"
#include "app/sampletable.h"
#include "engine/dbf.h"
#include "testutil.h"

using vx::TInfoRow;

namespace {

std::vector<QString> Names(const std::vector<TInfoRow>& rows) {
    std::vector<QString> out;
    for (const auto& r : rows) out.push_back(r.Name);
    return out;
}

QString Value(const std::vector<TInfoRow>& rows, const char* name) {
    for (const auto& r : rows)
        if (r.Name == QLatin1String(name)) return r.Value;
    return QStringLiteral("<none>");
}

void PutByte(const std::string& path, std::streamoff offset, uint8_t value) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(offset);
    f.put(static_cast<char>(value));
}

const std::vector<QString> TableRowNames = {
    "File Name",   "File Type",    "Last Update",      "File Size",  "Header Size",    "Record Size",
    "Record Count", "Field Count", "Memo Field Count", "Table Flag", "Code Page Flag", "DBCPath Data"};

}  // namespace

TEST(FileInfo, VersionTextsOfTheStatusBarAndTheList) {
    EXPECT_EQ(vx::VersionText(0x03), QStringLiteral("FoxBASE+/Dbase III plus, no memo"));
    EXPECT_EQ(vx::VersionText(0x30), QStringLiteral("Visual FoxPro with memo"));
    EXPECT_EQ(vx::VersionText(0x83), QStringLiteral("FoxBASE+/dBASE III PLUS, with memo"));
    EXPECT_EQ(vx::VersionText(0xFB), QStringLiteral("FoxBASE"));
    EXPECT_EQ(vx::VersionText(0x04), QString());
    EXPECT_EQ(vx::VersionText(0x32), QString());
    EXPECT_EQ(vx::FileTypeText(0x03), QStringLiteral("0x3-FoxBASE+/Dbase III plus, no memo"));
    EXPECT_EQ(vx::FileTypeText(0x8B), QStringLiteral("0x8B-dBASE IV with memo"));
    EXPECT_EQ(vx::FileTypeText(0xF5), QStringLiteral("0xF5-FoxPro 2.x (or earlier) with memo"));
    EXPECT_EQ(vx::FileTypeText(0x04), QStringLiteral("0x4-Unknow type"));
}

TEST(FileInfo, RowsOfTablesWithAndWithoutMemoFile) {
    vxtest::TempDir dir;
    {
        // FoxBASE+ without memo: the list ends with the backlink row.
        std::string path = dir.Path("plain.dbf");
        CreateTableFile(path, 0x03, {{"NAME", 'C', 10}, {"QTY", 'N', 8, 2}});
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.Open();
        dbf.Append();
        dbf.Post();
        dbf.Append();
        dbf.Post();
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("/x/plain.dbf"));
        EXPECT_EQ(Names(rows), TableRowNames);
        EXPECT_EQ(Value(rows, "File Name"), QStringLiteral("/x/plain.dbf"));
        EXPECT_EQ(Value(rows, "File Type"), QStringLiteral("0x3-FoxBASE+/Dbase III plus, no memo"));
        EXPECT_EQ(Value(rows, "Header Size"), QStringLiteral("97"));
        EXPECT_EQ(Value(rows, "Record Size"), QStringLiteral("19"));
        EXPECT_EQ(Value(rows, "Record Count"), QStringLiteral("2"));
        EXPECT_EQ(Value(rows, "File Size"), QStringLiteral("135"));
        EXPECT_EQ(Value(rows, "Field Count"), QStringLiteral("2"));
        EXPECT_EQ(Value(rows, "Memo Field Count"), QStringLiteral("0"));
        EXPECT_EQ(Value(rows, "Last Update"), QString::fromStdString(dbf.GetLastUpdate()));
        EXPECT_EQ(Value(rows, "DBCPath Data"), QString());
        auto fields = vx::FieldInfoRows(dbf);
        ASSERT_EQ(fields.size(), 2u);
        EXPECT_EQ(fields[0], (vx::TFieldInfoRow{"NAME", "Character", "10", "0"}));
        EXPECT_EQ(fields[1], (vx::TFieldInfoRow{"QTY", "Numeric", "8", "2"}));
    }
    {
        // Visual FoxPro with its memo file: a blank row, then the memo file's rows.
        std::string path = dir.Path("memo.dbf");
        MakeSampleTable(path, 5);
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.Open();
        ASSERT_TRUE(dbf.GetMemoOpened());
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("memo.dbf"));
        std::vector<QString> names = TableRowNames;
        for (const char* n : {"", "Memo File Name", "Memo File Size", "Memo Block Count", "Memo Block Size"})
            names.push_back(n);
        EXPECT_EQ(Names(rows), names);
        EXPECT_EQ(Value(rows, "File Type"), QStringLiteral("0x30-Visual FoxPro with memo"));
        EXPECT_EQ(Value(rows, "Memo Field Count"), QStringLiteral("2"));
        EXPECT_EQ(Value(rows, "Table Flag"), QStringLiteral("2"));
        EXPECT_EQ(Value(rows, "Memo File Name"), QString::fromStdString(dbf.GetMemoFileName()));
        EXPECT_EQ(Value(rows, "Memo File Size"),
                  QString::number(std::filesystem::file_size(dbf.GetMemoFileName())));
        EXPECT_EQ(Value(rows, "Memo Block Count"), QString::number(dbf.GetMemoNextBlock()));
        EXPECT_EQ(Value(rows, "Memo Block Size"), QString::number(dbf.GetMemoBlockSize()));
        auto fields = vx::FieldInfoRows(dbf);
        ASSERT_EQ(fields.size(), 12u);
        EXPECT_EQ(fields[5].Type, QStringLiteral("DateTime"));
        EXPECT_EQ(fields[6].Type, QStringLiteral("Currency"));
        EXPECT_EQ(fields[8], (vx::TFieldInfoRow{"RATIO", "Double", "8", "3"}));
        EXPECT_EQ(fields[11].Type, QStringLiteral("General"));
    }
    {
        // dBASE III with a .dbt memo file, and the same file with an unknown version byte.
        std::string path = dir.Path("three.dbf");
        CreateTableFile(path, 0x83, {{"NAME", 'C', 10}, {"NOTE", 'M', 10}});
        {
            TDBF dbf;
            dbf.SetFileName(path);
            dbf.Open();
            auto rows = vx::FileInfoRows(dbf, QStringLiteral("three.dbf"));
            EXPECT_EQ(Value(rows, "File Type"), QStringLiteral("0x83-FoxBASE+/dBASE III PLUS, with memo"));
            EXPECT_EQ(Value(rows, "Memo Field Count"), QStringLiteral("1"));
            EXPECT_TRUE(dbf.GetMemoOpened());
            EXPECT_EQ(rows.size(), TableRowNames.size() + 5);
        }
        std::string odd = dir.Path("odd.dbf");
        CreateTableFile(odd, 0x03, {{"NAME", 'C', 10}});
        PutByte(odd, 0, 0x05);  // no kind the program knows (0x04 tables are refused on open)
        TDBF dbf;
        dbf.SetFileName(odd);
        dbf.Open();
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("odd.dbf"));
        EXPECT_EQ(Value(rows, "File Type"), QStringLiteral("0x5-Unknow type"));
        EXPECT_EQ(Names(rows), TableRowNames);
    }
}

TEST(FileInfo, FileSizeOfAHugeTableIsNotCutTo32Bits) {
    vxtest::TempDir dir;
    std::string path = dir.Path("huge.dbf");
    CreateTableFile(path, 0x03, {{"TEXT", 'C', 254}});
    const uint32_t records = 20000000;  // 20,000,000 x 255 bytes: about 5.1 GB
    std::error_code ec;
    uintmax_t header = std::filesystem::file_size(path);
    {
        TDBF probe;
        probe.SetFileName(path);
        probe.Open();
        header = probe.GetHeaderLength();
    }
    std::filesystem::resize_file(path, header + uintmax_t(records) * 255, ec);  // sparse
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    PutByte(path, 4, records & 0xFF);
    PutByte(path, 5, (records >> 8) & 0xFF);
    PutByte(path, 6, (records >> 16) & 0xFF);
    PutByte(path, 7, (records >> 24) & 0xFF);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.Open();
    ASSERT_EQ(dbf.GetRecordCount(), records);
    auto rows = vx::FileInfoRows(dbf, QStringLiteral("huge.dbf"));
    EXPECT_EQ(Value(rows, "File Size"), QString::number(uint64_t(records) * 255 + header));
    EXPECT_EQ(Value(rows, "File Size"), QStringLiteral("5100000065"));
}

TEST(FileInfo, ClipboardTextsPadTheirColumns) {
    std::vector<TInfoRow> rows = {{"File Name", "/t.dbf"}, {"Record Count", "3"}, {}, {"A name longer than 25 chars", "v"}};
    EXPECT_EQ(vx::FileInfoClipText(rows), QStringLiteral("File Name                /t.dbf\n"
                                                         "Record Count             3\n"
                                                         "\n"
                                                         "A name longer than 25 charsv\n"));
    std::vector<vx::TFieldInfoRow> fields = {{"NAME", "Character", "10", "0"}, {"QTY", "Numeric", "8", "2"}};
    EXPECT_EQ(vx::FieldInfoClipText(fields), QStringLiteral("NAME         Character    10           0            \n"
                                                            "QTY          Numeric      8            2            \n"));
    EXPECT_EQ(vx::FileInfoClipText({}), QString());
}
