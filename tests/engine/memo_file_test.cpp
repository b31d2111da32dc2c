// Memo files on their own: the headers created and read, and the block arithmetic of the
// three layouts (where texts go, how many blocks they take, rewriting in place versus
// moving, the empty text), read-only and closed memo files.
#include "dbftestutil.h"

using namespace dbftest;
using namespace vx;

namespace {

std::string Text(size_t n, char c = 'a') { return std::string(n, c); }

// `s` with zeros up to a whole number of blocks.
std::string Pad(std::string s, size_t size) {
    s.resize((s.size() + size - 1) / size * size, '\0');
    return s;
}

// A 512-byte memo header with the given bytes set.
std::string Head(std::initializer_list<std::pair<size_t, char>> bytes) {
    std::string h(512, '\0');
    for (auto [at, b] : bytes) h[at] = b;
    return h;
}

}  // namespace

TEST(MemoCreate, HeadersByteForByteReplacingAnyFile) {
    TempDir dir;
    const std::string fpt = Head({{3, 8}, {7, 64}});  // next free block 8, block size 64, big-endian
    const std::string dbt3 = Head({{0, 1}});          // next free block 1, little-endian
    // dBASE IV: the table's name (at most 8 bytes) and block size 512 at 20..21.
    const std::string dbt4 = Head({{0, 1}, {21, 2}});
    const std::tuple<const char*, uint8_t, std::string> cases[] = {
        {"a.fpt", 0x30, fpt}, {"b.fpt", 0xF5, fpt}, {"c.dbt", 0x83, dbt3}, {"d.dbt", 0x03, dbt3},
        {"CUSTOMERS.dbt", 0x8B, std::string(dbt4).replace(8, 8, "CUSTOMER")},
        {"t5.dbt", 0xCB, std::string(dbt4).replace(8, 2, "t5")}};
    for (const auto& [name, version, bytes] : cases) {
        WriteAll(dir.Path(name), std::string(5000, 'x'));
        TDBFMemo memo;
        memo.SetFileName(dir.Path(name));
        memo.SetVersion(version);
        EXPECT_TRUE(memo.CreateMemoFile());
        EXPECT_FALSE(memo.GetOpened());
        EXPECT_EQ(ReadAll(dir.Path(name)), bytes) << name;
    }
    TDBFMemo memo;  // where no folder is: false, no error
    memo.SetFileName(dir.Path("no/such/folder/t.fpt"));
    EXPECT_FALSE(memo.CreateMemoFile());
}

TEST(MemoOpen, HeaderFieldsPerLayoutAndShortOrMissingFiles) {
    TempDir dir;
    std::string path = dir.Path("t.dbt");
    // 0x1234 little-endian; byte 6 would be an FPT block size of 1024.
    std::string head = Head({{0, 0x34}, {1, 0x12}, {6, 0x04}});
    WriteAll(path, head);
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x83);
    memo.Open();
    EXPECT_EQ(memo.GetNextBlock(), 0x1234);
    EXPECT_EQ(memo.GetBlockSize(), 512);
    EXPECT_EQ(memo.GetFileSize(), 512);
    memo.SetLayout(TMemoLayout::DBT4);
    EXPECT_EQ(memo.GetBlockSize(), 512);  // bytes 20..21 zero
    // SetNextBlock changes the image only; WriteHeader stores it.
    memo.SetNextBlock(7);
    EXPECT_EQ(ReadAll(path), head);
    EXPECT_TRUE(memo.WriteHeader());
    EXPECT_EQ(ReadAll(path).substr(0, 4), LE32(7));
    memo.Close();
    EXPECT_EQ(memo.GetFileSize(), 0);
    // Shorter than its header, or missing: the error, nothing opened or created.
    WriteAll(path, std::string(511, '\0'));
    EXPECT_EQ(ErrorOf([&] { memo.Open(); }), "Read memo head error!");
    EXPECT_FALSE(memo.GetOpened());
    memo.SetFileName(dir.Path("missing.fpt"));
    EXPECT_ANY_THROW(memo.Open());
    EXPECT_FALSE(memo.GetOpened());
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing.fpt")));
}

TEST(MemoBlocks, TextsFillWholeBlocksAndAreRewrittenInPlaceOrMoved) {
    // Per layout: where the first memo goes, the block size, and the bytes of a memo's blocks.
    struct Layout {
        uint8_t Version;
        int32_t First;
        size_t Size, Overhead;
        std::string (*Head)(uint32_t next);
        std::string (*Blocks)(const std::string& text);
    };
    const Layout layouts[] = {
        {0x30, 8, 64, 8, [](uint32_t n) { return BE32(n); },
         [](const std::string& t) { return Pad(BE32(1) + BE32(uint32_t(t.size())) + t, 64); }},
        {0x83, 1, 512, 1, [](uint32_t n) { return LE32(n); }, [](const std::string& t) { return Pad(t + "\x1A", 512); }},
        {0x8B, 1, 512, 8, [](uint32_t n) { return LE32(n); },
         [](const std::string& t) { return Pad("\xFF\xFF\x08" + std::string(1, '\0') + LE32(uint32_t(t.size() + 8)) + t, 512); }},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(int(l.Version));
        MemoFile f(l.Version);
        const std::string header = f.Bytes();
        auto at = [&](int32_t block, size_t blocks) { return f.Bytes().substr(size_t(block) * l.Size, blocks * l.Size); };
        const std::string one = Text(l.Size - l.Overhead), two = Text(l.Size - l.Overhead + 1, 'b');
        // The most one block holds, then one byte more: two blocks.
        EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, one), l.First);
        EXPECT_EQ(f.Bytes(), l.Head(uint32_t(l.First + 1)) + header.substr(4) + l.Blocks(one));
        EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, two), l.First + 1);
        EXPECT_EQ(f.Bytes().substr(0, 4), l.Head(uint32_t(l.First + 3)));
        EXPECT_EQ(at(l.First + 1, 2), l.Blocks(two));
        EXPECT_EQ(f.Bytes().size(), size_t(l.First + 3) * l.Size);
        EXPECT_EQ(f.Read(l.First), one);
        EXPECT_EQ(f.Read(l.First + 1), two);
        // As long as the old blocks suffice the memo stays, the rest of its new blocks zeroed.
        const std::string full = Text(2 * l.Size - l.Overhead, 'c');
        EXPECT_EQ(f.Memo.WriteMemo(l.First + 1, full), l.First + 1);
        EXPECT_EQ(at(l.First + 1, 2), l.Blocks(full));
        EXPECT_EQ(f.Memo.WriteMemo(l.First + 1, "x"), l.First + 1);
        EXPECT_EQ(at(l.First + 1, 1), l.Blocks("x"));
        EXPECT_EQ(f.Memo.GetNextBlock(), l.First + 3);
        // One byte more than they hold: the memo moves to the next free block.
        const std::string more = full + "d";
        EXPECT_EQ(f.Memo.WriteMemo(l.First + 1, more), l.First + 3);
        EXPECT_EQ(f.Memo.GetNextBlock(), l.First + 6);
        EXPECT_EQ(at(l.First + 3, 3), l.Blocks(more));
        EXPECT_EQ(f.Read(l.First + 1), "x");  // old blocks abandoned, not cleared
        EXPECT_EQ(f.Read(l.First), one);
        // The empty text writes nothing and means no memo.
        const std::string before = f.Bytes();
        EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, ""), NoMemoBlock);
        EXPECT_EQ(f.Memo.WriteMemo(l.First, ""), NoMemoBlock);
        EXPECT_EQ(f.Bytes(), before);
    }
    // A FoxPro memo file with 512-byte blocks: the first memo is block 1.
    MemoFile g(0xF5, Head({{3, 1}, {6, 2}}), "t.fpt");
    EXPECT_EQ(g.Memo.WriteMemo(NoMemoBlock, Text(504)), 1);
    EXPECT_EQ(g.Memo.WriteMemo(NoMemoBlock, Text(505)), 2);
    EXPECT_EQ(g.Bytes().size(), 4u * 512);
    EXPECT_EQ(g.Read(1), Text(504));
    // No block: the empty text, and the flag is left as it was.
    for (bool flag : {false, true}) {
        bool ok = flag;
        std::string text = "x";
        g.Memo.ReadMemo(NoMemoBlock, ok, text);
        EXPECT_EQ(text, "");
        EXPECT_EQ(ok, flag);
    }
}

TEST(MemoBlocks, FptBlockTypesAreKeptAndOnlyTextReads) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(10)), 8);
    std::string bytes = f.Bytes();
    bytes[515] = 2;  // an object block keeps its type when replaced
    WriteAll(f.Path, bytes);
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(20)), 8);
    EXPECT_EQ(f.Bytes().substr(512, 4), BE32(2));
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(200)), 9);
    EXPECT_EQ(f.Bytes().substr(9 * 64, 4), BE32(2));
    // Other block types read as the empty text, and OK.
    bytes = f.Bytes();
    bytes[515] = 0;
    WriteAll(f.Path, bytes);
    EXPECT_EQ(f.Read(8), "");
    EXPECT_EQ(f.Memo.GetBlockType(), 0u);
}

TEST(MemoRoundTrip, BytesStayBytesTextsEndAtNulAndReadOnlyNeverWrites) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        if (c != 0x1A) all += char(c);  // 0x1A ends a dBASE III memo
    for (uint8_t version : {0x30, 0x83, 0x8B}) {
        SCOPED_TRACE(int(version));
        MemoFile f(version);
        int32_t block = f.Memo.WriteMemo(NoMemoBlock, all);
        ASSERT_GT(block, 0);
        EXPECT_EQ(f.Read(block), all);
        // A NUL inside the text ends it when read back.
        block = f.Memo.WriteMemo(NoMemoBlock, std::string("left\0right", 10));
        ASSERT_GT(block, 0);
        EXPECT_EQ(f.Read(block), "left");
        // Reopened read-only, on a file without write permission: the stored header is read
        // and nothing is written.
        const int32_t next = f.Memo.GetNextBlock();
        f.Memo.Close();
        const std::string before = f.Bytes();
        std::filesystem::permissions(f.Path, std::filesystem::perms::owner_read);
        f.Memo.Open(true);
        EXPECT_TRUE(f.Memo.GetReadOnly());
        EXPECT_EQ(f.Memo.GetNextBlock(), next);
        EXPECT_EQ(f.Read(block), "left");
        EXPECT_EQ(f.Memo.WriteMemo(block, "new"), NoMemoBlock);
        EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, "new"), NoMemoBlock);
        f.Memo.SetNextBlock(99);
        EXPECT_FALSE(f.Memo.WriteHeader());
        EXPECT_FALSE(f.Memo.CreateMemoFile());
        EXPECT_EQ(f.Bytes(), before);
        f.Memo.Close();
        EXPECT_FALSE(f.Memo.GetReadOnly());
    }
    // A memo object without a file reads and writes nothing.
    TDBFMemo memo;
    memo.SetVersion(0x30);
    bool ok = true;
    std::string text = "x";
    memo.ReadMemo(8, ok, text);
    EXPECT_FALSE(ok);
    EXPECT_EQ(text, "");
    EXPECT_EQ(memo.WriteMemo(NoMemoBlock, "abc"), NoMemoBlock);
    EXPECT_FALSE(memo.WriteHeader());
}
