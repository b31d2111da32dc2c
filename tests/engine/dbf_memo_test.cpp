// The memo file of a table as the table sees it: memo texts written through Post in every
// layout, references that point nowhere, a damaged memo file, and versions without memos.
// (Real tables and their memo files are in fixtures_test.cpp.)
#include "dbftestutil.h"

#include <gtest/gtest.h>

using namespace dbftest;
namespace fs = std::filesystem;

TEST(DbfMemo, SetMemoWritesThroughPostAndRewritesInPlace) {
    for (uint8_t version : {uint8_t(0x30), uint8_t(0x83), uint8_t(0xF5), uint8_t(0x8B)}) {
        SCOPED_TRACE(int(version));
        TempDir dir;
        const std::string table = dir.Path("m.dbf");
        CreateTable(table, version, {{"NAME", 'C', 5}, {"NOTE", 'M', uint8_t(version == 0x30 ? 4 : 10)}});
        ASSERT_TRUE(fs::exists(dir.Path(version == 0x30 || version == 0xF5 ? "m.fpt" : "m.dbt")));
        {
            Opened t(table);
            ASSERT_TRUE(t.Dbf.GetMemoOpened());
            for (int r = 1; r <= 3; ++r) {
                t.Dbf.Append();
                t.Dbf.GetField(0)->SetAsString("n" + std::to_string(r));
                t.Dbf.SetMemo("note", std::string(size_t(r) * 300, char('a' + r)));
                t.Dbf.Post();
            }
            t.Dbf.Go(2);
            t.Dbf.Edit();
            t.Dbf.SetMemo("NOTE", "short");  // fits the old blocks: stays in place
            const int32_t before = t.Dbf.GetField(1)->GetMemoBlock();
            t.Dbf.Post();
            t.Dbf.Go(2);
            EXPECT_EQ(t.Dbf.GetField(1)->GetMemoBlock(), before);
        }
        Opened t(table, true);
        const std::string want[] = {std::string(300, 'b'), "short", std::string(900, 'd')};
        for (int r = 1; r <= 3; ++r) {
            t.Dbf.Go(r);
            EXPECT_EQ(t.Memo("NOTE"), want[r - 1]) << r;
        }
    }
}

TEST(DbfMemo, UnreadableMemoClearsTheReferenceInTheBufferOnly) {
    TempDir dir;
    const std::string table = dir.Path("bad.dbf");
    CreateTable(table, 0x30, {{"NOTE", 'M', 4}});
    {
        Opened t(table);
        t.Dbf.Append();
        t.Dbf.GetField(0)->SetMemoBlock(100000);  // far beyond the memo file
        t.Dbf.Post();
    }
    const std::string before = ReadAll(table);
    Opened t(table);
    t.Dbf.Go(1);
    EXPECT_EQ(t.Memo("NOTE"), "");
    EXPECT_EQ(t.Dbf.GetField(0)->GetMemoBlock(), NoMemoBlock);
    EXPECT_EQ(ReadAll(table), before);
}

TEST(DbfMemo, DamagedMemoFileFailsAfterTheTableIsOpen) {
    TempDir dir;
    const std::string table = vxtest::CopyFixture(dir, "foxprodb/calls.dbf");
    WriteAll(dir.Path("calls.FPT"), "short");
    TDBF dbf;
    dbf.SetFileName(table);
    EXPECT_THROW(dbf.Open(), EDBFError);
    EXPECT_TRUE(dbf.Active);
    EXPECT_FALSE(dbf.GetMemoOpened());
    std::string text = "x";
    dbf.Go(1);
    dbf.GetMemo("NOTES", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Snapshot(dir).size(), 2u);
    EXPECT_EQ(ReadAll(dir.Path("calls.FPT")), "short");
}

TEST(DbfMemo, TablesWithoutAMemoLayoutOpenNoMemoFile) {
    TempDir dir;
    const std::string table = dir.Path("plain.dbf");
    CreateTable(table, 0x03, {{"NOTE", 'M', 10}});
    Opened t(table);
    EXPECT_FALSE(t.Dbf.GetMemoOpened());
    EXPECT_EQ(t.Dbf.GetMemoFileName(), dir.Path("plain.dbt"));
    EXPECT_EQ(Snapshot(dir).size(), 1u);
}
