// Memo file headers, creation, opening and closing.
#include "engine/dbfmemo.h"
#include "engine/dbferror.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vx;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

std::string Zeros(size_t n) { return std::string(n, '\0'); }

std::string CreatedFile(const TempDir& dir, const std::string& name, uint8_t version) {
    TDBFMemo memo;
    memo.SetFileName(dir.Path(name));
    memo.SetVersion(version);
    EXPECT_TRUE(memo.CreateMemoFile());
    return ReadAll(dir.Path(name));
}

}  // namespace

TEST(MemoCreate, HeadersByteForByte) {
    TempDir dir;
    std::string fpt = Zeros(512);
    fpt[3] = 8;   // next free block 8, big-endian
    fpt[7] = 64;  // block size 64, big-endian
    EXPECT_EQ(CreatedFile(dir, "a.fpt", 0x30), fpt);
    EXPECT_EQ(CreatedFile(dir, "b.fpt", 0xF5), fpt);

    std::string dbt3 = Zeros(512);
    dbt3[0] = 1;  // next free block 1, little-endian
    EXPECT_EQ(CreatedFile(dir, "c.dbt", 0x83), dbt3);
    EXPECT_EQ(CreatedFile(dir, "d.dbt", 0x03), dbt3);

    std::string dbt4 = Zeros(512);
    dbt4[0] = 1;
    dbt4.replace(8, 8, "CUSTOMER");  // the table's name, at most 8 bytes
    dbt4[20] = 0x00;                  // block size 512, little-endian
    dbt4[21] = 0x02;
    EXPECT_EQ(CreatedFile(dir, "CUSTOMERS.dbt", 0x8B), dbt4);
    std::string dbt4b = Zeros(512);
    dbt4b[0] = 1;
    dbt4b.replace(8, 2, "t5");
    dbt4b[21] = 0x02;
    EXPECT_EQ(CreatedFile(dir, "t5.dbt", 0xCB), dbt4b);
}

TEST(MemoCreate, ReplacesExistingFileAndLeavesObjectState) {
    TempDir dir;
    std::string path = dir.Path("t.fpt");
    WriteAll(path, std::string(5000, 'x'));
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x30);
    EXPECT_TRUE(memo.CreateMemoFile());
    EXPECT_EQ(ReadAll(path).size(), 512u);
    EXPECT_FALSE(memo.GetOpened());
    EXPECT_EQ(memo.GetNextBlock(), 0);  // the image is untouched until Open reads the file
    EXPECT_EQ(memo.GetBlockSize(), 0);
    memo.Open();
    EXPECT_TRUE(memo.GetOpened());
    EXPECT_EQ(memo.GetNextBlock(), 8);
    EXPECT_EQ(memo.GetBlockSize(), 64);
    EXPECT_EQ(memo.GetFileSize(), 512);
    memo.Close();
    EXPECT_FALSE(memo.GetOpened());
    EXPECT_EQ(memo.GetFileSize(), 0);
}

TEST(MemoCreate, FailureIsSilent) {
    TempDir dir;
    TDBFMemo memo;
    memo.SetFileName(dir.Path("no/such/folder/t.fpt"));
    memo.SetVersion(0x30);
    EXPECT_FALSE(memo.CreateMemoFile());
}

TEST(MemoOpen, HeaderFieldsPerLayout) {
    TempDir dir;
    std::string path = dir.Path("t.dbt");
    std::string head = Zeros(512);
    head[0] = 0x34;  // 0x1234 little-endian
    head[1] = 0x12;
    head[6] = 0x04;  // would be an FPT block size of 1024
    WriteAll(path, head);
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x83);
    memo.Open();
    EXPECT_EQ(memo.GetNextBlock(), 0x1234);
    EXPECT_EQ(memo.GetBlockSize(), 512);
    memo.SetLayout(TMemoLayout::FPT);
    EXPECT_EQ(memo.GetNextBlock(), 0x34120000);
    EXPECT_EQ(memo.GetBlockSize(), 1024);
    memo.SetLayout(TMemoLayout::DBT4);
    EXPECT_EQ(memo.GetBlockSize(), 512);  // bytes 20..21 zero
    memo.Close();

    head[20] = 0x00;
    head[21] = 0x04;
    WriteAll(path, head);
    memo.Open();
    EXPECT_EQ(memo.GetBlockSize(), 1024);
    // SetNextBlock changes the image only; WriteHeader stores it.
    memo.SetNextBlock(7);
    EXPECT_EQ(memo.GetNextBlock(), 7);
    EXPECT_EQ(ReadAll(path)[0], 0x34);
    EXPECT_TRUE(memo.WriteHeader());
    EXPECT_EQ(ReadAll(path).substr(0, 4), std::string("\x07\0\0\0", 4));
}

TEST(MemoOpen, ShortOrMissingFileRaises) {
    TempDir dir;
    std::string path = dir.Path("t.fpt");
    WriteAll(path, Zeros(511));
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x30);
    try {
        memo.Open();
        FAIL() << "no error";
    } catch (const EDBFError& e) {
        EXPECT_STREQ(e.what(), "Read memo head error!");
    }
    EXPECT_FALSE(memo.GetOpened());
    EXPECT_EQ(memo.GetFileSize(), 0);

    memo.SetFileName(dir.Path("missing.fpt"));
    EXPECT_ANY_THROW(memo.Open());
    EXPECT_FALSE(memo.GetOpened());
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing.fpt")));
}
