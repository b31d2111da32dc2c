// The memo file of a table as the table sees it: which file Open takes, what it creates,
// and memo texts read and written by field name.
#include "dbftestutil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dbftest;
using vxtest::CopyFixture;
using vxtest::ReadAll;
using vxtest::TempDir;
namespace fs = std::filesystem;

namespace {
size_t FileCount(const TempDir& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir.Root())) {
        (void)e;
        ++n;
    }
    return n;
}
}  // namespace

TEST(DbfMemo, MemoFileNameIsMatchedIgnoringLetterCase) {
    TempDir dir;
    std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    std::string memo = CopyFixture(dir, "foxprodb/calls.FPT");
    std::string tableBytes = ReadAll(table), memoBytes = ReadAll(memo);
    {
        TDBF dbf;
        dbf.SetFileName(table);
        dbf.Open();
        EXPECT_TRUE(dbf.GetMemoOpened());
        EXPECT_EQ(dbf.GetMemoFileName(), memo);
        EXPECT_EQ(dbf.GetMemoBlockSize(), 64);
        EXPECT_EQ(dbf.GetMemoFileSize(), int64_t(memoBytes.size()));
        EXPECT_EQ(dbf.MemoFieldCount, 1);
        std::string text;
        dbf.Go(1);
        dbf.GetMemo("notes", text);
        EXPECT_EQ(text, "Nancy told me about their blends. Thinking about it. Should call back later.");
        dbf.ReadMemoBlock(8, text);
        EXPECT_EQ(text.substr(0, 5), "Nancy");
    }
    EXPECT_FALSE(fs::exists(dir.Path("calls.fpt")));
    EXPECT_EQ(FileCount(dir), 2u);
    EXPECT_EQ(ReadAll(table), tableBytes);
    EXPECT_EQ(ReadAll(memo), memoBytes);
}

TEST(DbfMemo, ReadOnlyTableWithoutMemoFileCreatesNothing) {
    TempDir dir;
    std::string table = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    std::string before = ReadAll(table);
    TDBF dbf;
    dbf.SetFileName(table);
    dbf.SetReadOnly(true);
    dbf.Open();
    EXPECT_FALSE(dbf.GetMemoOpened());
    dbf.Go(1);
    std::string text = "x";
    dbf.GetMemo("DESC", text);
    EXPECT_EQ(text, "");
    dbf.ReadMemoBlock(1, text);
    EXPECT_EQ(text, "");
    dbf.SetMemo("DESC", "ignored");
    dbf.Close();
    EXPECT_EQ(FileCount(dir), 1u);
    EXPECT_EQ(ReadAll(table), before);
}

TEST(DbfMemo, MissingMemoFileIsCreatedAndEveryReferenceCleared) {
    TempDir dir;
    std::string table = CopyFixture(dir, "dbase_83_missing_memo.dbf");
    TDBF dbf;
    dbf.SetFileName(table);
    dbf.Open();
    EXPECT_TRUE(dbf.GetMemoOpened());
    EXPECT_TRUE(fs::exists(dir.Path("dbase_83_missing_memo.dbt")));
    int desc = dbf.FieldIndex("DESC");
    ASSERT_GE(desc, 0);
    for (uint32_t r = 1; r <= dbf.GetRecordCount(); ++r) {
        dbf.Go(r);
        EXPECT_EQ(dbf.GetField(desc)->GetAsString(), std::string(10, ' ')) << r;
        EXPECT_EQ(dbf.GetField(desc)->GetMemoBlock(), NoMemoBlock);
    }
    // Only the references changed.
    std::string orig = ReadAll(vxtest::Fixture("dbase_83_missing_memo.dbf"));
    std::string now = ReadAll(table);
    ASSERT_EQ(orig.size(), now.size());
    size_t off = dbf.GetField(desc)->GetOffset();
    for (uint32_t r = 0; r < dbf.GetRecordCount(); ++r)
        orig.replace(dbf.GetHeaderLength() + size_t(r) * dbf.GetRecordLength() + off, 10, 10, ' ');
    EXPECT_EQ(now, orig);
}

TEST(DbfMemo, DBaseIIIAndIVMemosOfRealTables) {
    TDBF d3;
    d3.SetFileName(vxtest::Fixture("dbase_83.dbf"));
    d3.SetReadOnly(true);
    d3.Open();
    ASSERT_TRUE(d3.GetMemoOpened());
    d3.Go(1);
    std::string text;
    d3.GetMemo("DESC", text);
    EXPECT_EQ(text.rfind("Our Original assortment...a little taste of heaven for everyone.  Let us\r\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 20), "and Raspberry Blanc.");

    TDBF d4;
    d4.SetFileName(vxtest::Fixture("dbase_8b.dbf"));
    d4.SetReadOnly(true);
    d4.Open();
    ASSERT_TRUE(d4.GetMemoOpened());
    EXPECT_EQ(d4.GetMemoObject().GetLayout(), vx::TMemoLayout::DBT4);
    d4.Go(1);
    d4.GetMemo("MEMO", text);
    EXPECT_EQ(text, "First memo\r\n");
}

TEST(DbfMemo, SetMemoWritesThroughPost) {
    for (uint8_t version : {uint8_t(0x30), uint8_t(0x83), uint8_t(0xF5), uint8_t(0x8B)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        std::string table = dir.Path("m.dbf");
        uint8_t len = version == 0x30 ? 4 : 10;
        CreateTable(table, version, {{"NAME", 'C', 5}, {"NOTE", 'M', len}});
        std::string memoName = dir.Path(version == 0x30 || version == 0xF5 ? "m.fpt" : "m.dbt");
        ASSERT_TRUE(fs::exists(memoName));
        {
            TDBF dbf;
            dbf.SetFileName(table);
            dbf.Open();
            ASSERT_TRUE(dbf.GetMemoOpened());
            for (int r = 1; r <= 3; ++r) {
                dbf.Append();
                dbf.GetField(0)->SetAsString("n" + std::to_string(r));
                dbf.SetMemo("note", std::string(size_t(r) * 300, char('a' + r)));
                dbf.Post();
            }
            dbf.Go(2);
            dbf.Edit();
            dbf.SetMemo("NOTE", "short");  // fits the old blocks: stays in place
            int32_t before = dbf.GetField(1)->GetMemoBlock();
            dbf.Post();
            dbf.Go(2);
            EXPECT_EQ(dbf.GetField(1)->GetMemoBlock(), before);
        }
        TDBF dbf;
        dbf.SetFileName(table);
        dbf.SetReadOnly(true);
        dbf.Open();
        std::string text;
        dbf.Go(1);
        dbf.GetMemo("NOTE", text);
        EXPECT_EQ(text, std::string(300, 'b'));
        dbf.Go(2);
        dbf.GetMemo("NOTE", text);
        EXPECT_EQ(text, "short");
        dbf.Go(3);
        dbf.GetMemo("NOTE", text);
        EXPECT_EQ(text, std::string(900, 'd'));
    }
}

TEST(DbfMemo, UnreadableMemoClearsTheReferenceInTheBufferOnly) {
    TempDir dir;
    std::string table = dir.Path("bad.dbf");
    CreateTable(table, 0x30, {{"NOTE", 'M', 4}});
    {
        TDBF dbf;
        dbf.SetFileName(table);
        dbf.Open();
        dbf.Append();
        dbf.GetField(0)->SetMemoBlock(100000);  // far beyond the memo file
        dbf.Post();
    }
    std::string before = ReadAll(table);
    TDBF dbf;
    dbf.SetFileName(table);
    dbf.Open();
    dbf.Go(1);
    std::string text = "x";
    dbf.GetMemo("NOTE", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(dbf.GetField(0)->GetMemoBlock(), NoMemoBlock);
    EXPECT_EQ(ReadAll(table), before);
}

TEST(DbfMemo, DamagedMemoFileFailsAfterTheTableIsOpen) {
    TempDir dir;
    std::string table = CopyFixture(dir, "foxprodb/calls.dbf");
    vxtest::WriteAll(dir.Path("calls.FPT"), "short");
    TDBF dbf;
    dbf.SetFileName(table);
    EXPECT_THROW(dbf.Open(), EDBFError);
    EXPECT_TRUE(dbf.Active);
    EXPECT_FALSE(dbf.GetMemoOpened());
    std::string text = "x";
    dbf.Go(1);
    dbf.GetMemo("NOTES", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(ReadAll(dir.Path("calls.FPT")), "short");
}

TEST(DbfMemo, TablesWithoutAMemoLayoutOpenNoMemoFile) {
    TempDir dir;
    std::string table = dir.Path("plain.dbf");
    CreateTable(table, 0x03, {{"NOTE", 'M', 10}});
    EXPECT_FALSE(fs::exists(dir.Path("plain.dbt")));
    TDBF dbf;
    dbf.SetFileName(table);
    dbf.Open();
    EXPECT_FALSE(dbf.GetMemoOpened());
    EXPECT_EQ(dbf.GetMemoFileName(), dir.Path("plain.dbt"));
    EXPECT_FALSE(fs::exists(dir.Path("plain.dbt")));
}
