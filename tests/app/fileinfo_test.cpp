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
    // Kinds the window does not name have no status text; the list always shows the byte.
    EXPECT_EQ(vx::VersionText(0x04) + vx::VersionText(0x32), QString());
    EXPECT_EQ(vx::FileTypeText(0x8B), QStringLiteral("0x8B-dBASE IV with memo"));
    EXPECT_EQ(vx::FileTypeText(0x04), QStringLiteral("0x4-Unknow type"));
}

TEST(FileInfo, RowsOfTablesWithAndWithoutMemoFile) {
    vxtest::TempDir dir;
    auto open = [&](TDBF& dbf, const std::string& path) {
        dbf.SetFileName(path);
        dbf.Open();
    };
    {
        // FoxBASE+ without memo: the list ends with the backlink row.
        std::string path = dir.Path("plain.dbf");
        CreateTableFile(path, 0x03, {{"NAME", 'C', 10}, {"QTY", 'N', 8, 2}});
        TDBF dbf;
        open(dbf, path);
        for (int i = 0; i < 2; ++i) dbf.Append(), dbf.Post();
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("/x/plain.dbf"));
        EXPECT_EQ(Names(rows), TableRowNames);
        const std::pair<const char*, const char*> values[] = {
            {"File Name", "/x/plain.dbf"}, {"Header Size", "97"}, {"Record Size", "19"}, {"Record Count", "2"},
            {"File Size", "135"},          {"Field Count", "2"},  {"Memo Field Count", "0"}, {"DBCPath Data", ""}};
        for (auto [name, value] : values) EXPECT_EQ(Value(rows, name), QLatin1String(value)) << name;
        EXPECT_EQ(Value(rows, "Last Update"), QString::fromStdString(dbf.GetLastUpdate()));
        auto fields = vx::FieldInfoRows(dbf);
        EXPECT_EQ(fields, (std::vector<vx::TFieldInfoRow>{{"NAME", "Character", "10", "0"}, {"QTY", "Numeric", "8", "2"}}));
    }
    {
        // Visual FoxPro with its memo file: a blank row, then the memo file's rows.
        std::string path = dir.Path("memo.dbf");
        MakeSampleTable(path, 5);
        TDBF dbf;
        open(dbf, path);
        auto rows = vx::FileInfoRows(dbf, QStringLiteral("memo.dbf"));
        std::vector<QString> names = TableRowNames;
        for (const char* n : {"", "Memo File Name", "Memo File Size", "Memo Block Count", "Memo Block Size"})
            names.push_back(n);
        EXPECT_EQ(Names(rows), names);
        EXPECT_EQ(Value(rows, "Memo Field Count") + Value(rows, "Table Flag"), QStringLiteral("22"));
        EXPECT_EQ(Value(rows, "Memo File Size"), QString::number(std::filesystem::file_size(dbf.GetMemoFileName())));
        EXPECT_EQ(Value(rows, "Memo Block Count"), QString::number(dbf.GetMemoNextBlock()));
        auto fields = vx::FieldInfoRows(dbf);
        ASSERT_EQ(fields.size(), 12u);
        EXPECT_EQ(fields[8], (vx::TFieldInfoRow{"RATIO", "Double", "8", "3"}));
        EXPECT_EQ(fields[11].Type, QStringLiteral("General"));
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
    for (int i = 0; i < 4; ++i) PutByte(path, 4 + i, (records >> (8 * i)) & 0xFF);
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.Open();
    ASSERT_EQ(dbf.GetRecordCount(), records);
    auto rows = vx::FileInfoRows(dbf, QStringLiteral("huge.dbf"));
    EXPECT_EQ(Value(rows, "File Size"), QString::number(uint64_t(records) * 255 + header));
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
