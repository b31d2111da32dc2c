// Memo files written by other programs, read (and edited) through their tables' references.
#include "engine/dbfmemo.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace vx;
using vxtest::CopyFixture;
using vxtest::Fixture;
using vxtest::ReadAll;
using vxtest::TempDir;

namespace {

struct MemoRef {
    uint32_t Record;
    std::string Field;
    int32_t Block;
};

// The memo references of every record of a table, read straight from the table file: the
// 4-byte binary layout (0 = none) or the 10-character decimal layout (blanks = none).
std::vector<MemoRef> TableMemoRefs(const std::string& tablePath) {
    std::string b = ReadAll(tablePath);
    auto u8 = [&](size_t i) { return uint32_t(uint8_t(b.at(i))); };
    uint32_t count = u8(4) | (u8(5) << 8) | (u8(6) << 16) | (u8(7) << 24);
    size_t headerLength = u8(8) | (u8(9) << 8);
    size_t recordLength = u8(10) | (u8(11) << 8);
    struct Field {
        std::string Name;
        size_t Offset, Length;
    };
    std::vector<Field> memoFields;
    size_t offset = 1;
    for (size_t at = 32; at + 32 <= headerLength && b.at(at) != '\x0D'; at += 32) {
        std::string name = b.substr(at, 11);
        name.resize(name.find('\0') == std::string::npos ? 11 : name.find('\0'));
        char type = b.at(at + 11);
        size_t length = u8(at + 16);
        if (type == 'M' || type == 'G' || type == 'P') memoFields.push_back({name, offset, length});
        offset += length;
    }
    std::vector<MemoRef> refs;
    for (uint32_t r = 0; r < count; ++r) {
        size_t rec = headerLength + r * recordLength;
        for (const Field& f : memoFields) {
            int32_t block = NoMemoBlock;
            if (f.Length == 4) {
                size_t p = rec + f.Offset;
                uint32_t v = u8(p) | (u8(p + 1) << 8) | (u8(p + 2) << 16) | (u8(p + 3) << 24);
                if (v != 0) block = int32_t(v);
            } else {
                std::string digits = b.substr(rec + f.Offset, f.Length);
                size_t first = digits.find_first_not_of(' ');
                if (first != std::string::npos) block = std::atoi(digits.c_str() + first);
            }
            refs.push_back({r, f.Name, block});
        }
    }
    return refs;
}

struct Opened {
    TDBFMemo Memo;
    Opened(const std::string& path, uint8_t version, bool readOnly = true) {
        Memo.SetFileName(path);
        Memo.SetVersion(version);
        Memo.Open(readOnly);
    }
    std::string Read(int32_t block) {
        bool ok = false;
        std::string text;
        Memo.ReadMemo(block, ok, text);
        EXPECT_TRUE(ok) << "block " << block;
        return text;
    }
};

// Reads every memo a table refers to; returns {memos, total bytes}.
std::pair<int, size_t> ReadAllMemos(const std::string& table, const std::string& memoFile, uint8_t version) {
    Opened m(Fixture(memoFile), version);
    int memos = 0;
    size_t bytes = 0;
    for (const MemoRef& ref : TableMemoRefs(Fixture(table))) {
        if (ref.Block == NoMemoBlock) continue;
        ++memos;
        bytes += m.Read(ref.Block).size();
    }
    return {memos, bytes};
}

int32_t BlockOf(const std::vector<MemoRef>& refs, uint32_t record) {
    for (const MemoRef& r : refs)
        if (r.Record == record) return r.Block;
    return NoMemoBlock;
}

}  // namespace

TEST(MemoFixtures, DBaseIIIMemosMatchTheirRecords) {
    std::vector<MemoRef> refs = TableMemoRefs(Fixture("dbase_83.dbf"));
    Opened m(Fixture("dbase_83.dbt"), 0x83);
    EXPECT_EQ(m.Memo.GetNextBlock(), 0x4F);
    EXPECT_EQ(m.Memo.GetBlockSize(), 512);
    EXPECT_EQ(m.Read(BlockOf(refs, 0)),
              "Our Original assortment...a little taste of heaven for everyone.  Let us\r\n"
              "select a special assortment of our chocolate and pastel favorites for you.\r\n"
              "Each petit four is its own special hand decorated creation. Multi-layers of\r\n"
              "moist cake with combinations of specialty fillings create memorable cake\r\n"
              "confections. Varietes include; Luscious Lemon, Strawberry Hearts, White\r\n"
              "Chocolate, Mocha Bean, Roasted Almond, Triple Chocolate, Chocolate Hazelnut,\r\n"
              "Grand Orange, Plum Squares, Milk chocolate squares, and Raspberry Blanc.");
    EXPECT_EQ(m.Read(BlockOf(refs, 9)),
              "Once tasted you will understand why we won The\r\nBoston Herald's Fruitcake Taste-off. "
              "Judges liked its generous size,\r\nluscious appearance, moist texture and fruit to cake "
              "ratio ... commented one\r\njudge \"It's a lip Smacker!\" Our signature fruitcake is baked "
              "with carefully\r\nselected ingredients that will be savored until the last moist crumb "
              "is\r\ndevoured each golden slice is brimming with Australian glaced apricots,\r\ntoasted "
              "pecans, candied orange peel, and currants, folded gently into a\r\nbrandy butter batter "
              "and slowly baked to perfection and then generously\r\nimbibed with \"Holiday Spirits\". "
              "Presented in a gift tin.  (3lbs. 4oz)");
    // Every record has a memo; the last one ends the file without padding.
    int memos = 0;
    for (const MemoRef& r : refs) {
        ASSERT_NE(r.Block, NoMemoBlock);
        std::string text = m.Read(r.Block);
        EXPECT_EQ(text.find('\x1A'), std::string::npos);
        ++memos;
    }
    EXPECT_EQ(memos, 67);
    EXPECT_NE(m.Memo.GetFileSize() % 512, 0);
}

TEST(MemoFixtures, DBaseIVMemos) {
    std::vector<MemoRef> refs = TableMemoRefs(Fixture("dbase_8b.dbf"));
    ASSERT_EQ(refs.size(), 10u);  // dbase_8b_summary.txt: 10 records, one memo field
    Opened m(Fixture("dbase_8b.dbt"), 0x8B);
    EXPECT_EQ(m.Memo.GetLayout(), TMemoLayout::DBT4);
    EXPECT_EQ(m.Memo.GetBlockSize(), 512);
    EXPECT_EQ(m.Memo.GetNextBlock(), 10);
    const char* expected[] = {"First memo\r\n", "Second memo", "Thierd memo", "Fourth memo", "Fifth memo",
                              "Sixth memo",     "Seventh memo", "Eigth memo", "Nineth memo"};
    for (uint32_t r = 0; r < 9; ++r) EXPECT_EQ(m.Read(BlockOf(refs, r)), expected[r]) << r;
    EXPECT_EQ(BlockOf(refs, 9), NoMemoBlock);
}

TEST(MemoFixtures, FoxProMemos) {
    {
        std::vector<MemoRef> refs = TableMemoRefs(Fixture("dbase_30.dbf"));
        Opened m(Fixture("dbase_30.fpt"), 0x30);
        EXPECT_EQ(m.Memo.GetBlockSize(), 64);
        EXPECT_EQ(m.Memo.GetNextBlock(), 0x2DA);
        EXPECT_EQ(m.Read(8), "Domestic Life\r\nWeddings\r\n");
        EXPECT_EQ(m.Read(9), "03/05/1999 - Photograph has been cut down from a larger size.  MLP");
        EXPECT_EQ(m.Read(11), "All rights belong to the PastPerfect Museum.");
    }
    EXPECT_EQ(ReadAllMemos("dbase_30.dbf", "dbase_30.fpt", 0x30), std::make_pair(303, size_t(33909)));

    {
        // The last memo of this file is not padded to its block's end.
        Opened m(Fixture("dbase_f5.fpt"), 0xF5);
        EXPECT_EQ(m.Memo.GetNextBlock(), 0x236);
        EXPECT_NE(m.Memo.GetFileSize() % 64, 0);
        std::string text = m.Read(52);
        EXPECT_EQ(text.substr(0, 4), "jos\x82");  // bytes as stored, no code-page translation
        EXPECT_EQ(m.Memo.GetBlockType(), 1u);
    }
    EXPECT_EQ(ReadAllMemos("dbase_f5.dbf", "dbase_f5.fpt", 0xF5), std::make_pair(211, size_t(27470)));

    EXPECT_EQ(ReadAllMemos("foxprodb/calls.dbf", "foxprodb/calls.FPT", 0x30), std::make_pair(16, size_t(627)));
    EXPECT_EQ(ReadAllMemos("foxprodb/contacts.dbf", "foxprodb/contacts.FPT", 0x30),
              std::make_pair(2, size_t(402)));
    Opened calls(Fixture("foxprodb/calls.FPT"), 0x30);
    EXPECT_EQ(calls.Read(10), "Usual monthly order.");
}

TEST(MemoFixtures, EditingKeepsTheOtherMemos) {
    struct Case {
        const char* Table;
        const char* Memo;
        uint8_t Version;
    };
    for (const Case& c : {Case{"dbase_83.dbf", "dbase_83.dbt", 0x83}, Case{"dbase_8b.dbf", "dbase_8b.dbt", 0x8B},
                          Case{"dbase_30.dbf", "dbase_30.fpt", 0x30}, Case{"dbase_f5.dbf", "dbase_f5.fpt", 0xF5}}) {
        SCOPED_TRACE(c.Memo);
        TempDir dir;
        std::string path = CopyFixture(dir, c.Memo);
        std::vector<MemoRef> refs = TableMemoRefs(Fixture(c.Table));
        Opened m(path, c.Version, false);
        std::vector<std::string> before;
        for (const MemoRef& r : refs) before.push_back(r.Block == NoMemoBlock ? "" : m.Read(r.Block));

        // The first memo: a short text stays in place, a long one moves to the end.
        size_t first = 0;
        while (refs[first].Block == NoMemoBlock) ++first;
        int32_t block = refs[first].Block;
        EXPECT_EQ(m.Memo.WriteMemo(block, "short"), block);
        EXPECT_EQ(m.Read(block), "short");
        int64_t size = m.Memo.GetFileSize();
        std::string longText(5000, 'L');
        int32_t moved = m.Memo.WriteMemo(block, longText);
        EXPECT_GT(moved, block);
        EXPECT_GE(int64_t(moved) * m.Memo.GetBlockSize(), size);
        EXPECT_EQ(m.Read(moved), longText);
        before[first] = longText;
        refs[first].Block = moved;

        // Reopened, every memo reads as before.
        m.Memo.Close();
        m.Memo.Open(true);
        for (size_t i = 0; i < refs.size(); ++i) {
            if (refs[i].Block != NoMemoBlock) {
                EXPECT_EQ(m.Read(refs[i].Block), before[i]) << i;
            }
        }
    }
}
