// Memo block arithmetic of the three layouts: where texts go, how many blocks they take,
// rewriting in place versus moving, and reading back.
#include "engine/dbfmemo.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vx;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

// A freshly created and opened memo file of the given table version.
struct MemoFile {
    TempDir Dir;
    std::string Path;
    TDBFMemo Memo;
    explicit MemoFile(uint8_t version, const char* name = "t.mem") : Path(Dir.Path(name)) {
        Memo.SetFileName(Path);
        Memo.SetVersion(version);
        Memo.CreateMemoFile();
        Memo.Open();
    }
    std::string Bytes() const { return ReadAll(Path); }
    std::string Read(int32_t block, bool* okOut = nullptr) {
        bool ok = true;
        std::string text = "stale";
        Memo.ReadMemo(block, ok, text);
        if (okOut) *okOut = ok;
        return text;
    }
};

std::string Text(size_t n, char c = 'a') { return std::string(n, c); }

uint32_t BE32(const std::string& s, size_t at) {
    auto b = [&](size_t i) { return uint32_t(uint8_t(s[at + i])); };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}
uint32_t LE32(const std::string& s, size_t at) {
    auto b = [&](size_t i) { return uint32_t(uint8_t(s[at + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

}  // namespace

TEST(MemoFptBlocks, TextsFillWholeBlocksAfterTheHeader) {
    MemoFile f(0x30);
    // 56 bytes + the 8-byte head is exactly one 64-byte block.
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(56)), 8);
    EXPECT_EQ(f.Memo.GetNextBlock(), 9);
    std::string bytes = f.Bytes();
    ASSERT_EQ(bytes.size(), 576u);
    EXPECT_EQ(BE32(bytes, 0), 9u);
    EXPECT_EQ(BE32(bytes, 512), 1u);   // type text
    EXPECT_EQ(BE32(bytes, 516), 56u);  // length
    EXPECT_EQ(bytes.substr(520), Text(56));

    // 57 bytes take two blocks, the rest of the second written as zeros.
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(57, 'b')), 9);
    EXPECT_EQ(f.Memo.GetNextBlock(), 11);
    bytes = f.Bytes();
    ASSERT_EQ(bytes.size(), 704u);
    EXPECT_EQ(bytes.substr(584, 57), Text(57, 'b'));
    EXPECT_EQ(bytes.substr(641), std::string(63, '\0'));
    EXPECT_EQ(BE32(bytes, 0), 11u);

    EXPECT_EQ(f.Read(8), Text(56));
    EXPECT_EQ(f.Read(9), Text(57, 'b'));
    EXPECT_EQ(f.Memo.GetBlockType(), 1u);
    EXPECT_EQ(f.Memo.GetBlockLength(), 57u);
}

TEST(MemoFptBlocks, RewriteInPlaceOrMove) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(100)), 8);  // blocks 8 and 9
    ASSERT_EQ(f.Memo.GetNextBlock(), 10);
    std::string header = f.Bytes().substr(0, 512);

    // 90 bytes still fit the two blocks: same block, header not rewritten.
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(90, 'c')), 8);
    EXPECT_EQ(f.Bytes().substr(0, 512), header);
    EXPECT_EQ(f.Bytes().size(), 640u);
    EXPECT_EQ(f.Read(8), Text(90, 'c'));
    // The tail of the old text is overwritten with zeros up to the end of the new blocks.
    EXPECT_EQ(f.Bytes().substr(520 + 90), std::string(640 - 610, '\0'));

    // 130 bytes need three blocks: the memo moves to the next free block.
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(130, 'd')), 10);
    EXPECT_EQ(f.Memo.GetNextBlock(), 13);
    EXPECT_EQ(f.Read(10), Text(130, 'd'));
    EXPECT_EQ(f.Read(8), Text(90, 'c'));  // old blocks abandoned, not cleared
    EXPECT_EQ(f.Bytes().size(), 13u * 64);

    // Shrinking to one block keeps the place.
    EXPECT_EQ(f.Memo.WriteMemo(10, "x"), 10);
    EXPECT_EQ(f.Read(10), "x");
    EXPECT_EQ(f.Memo.GetNextBlock(), 13);
}

TEST(MemoFptBlocks, OldTypeIsKeptWhenReplaced) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(10)), 8);
    std::string bytes = f.Bytes();
    bytes[515] = 2;  // an object block
    WriteAll(f.Path, bytes);
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(20)), 8);
    EXPECT_EQ(BE32(f.Bytes(), 512), 2u);
    EXPECT_EQ(f.Memo.WriteMemo(8, Text(200)), 9);
    EXPECT_EQ(BE32(f.Bytes(), 9 * 64), 2u);
}

TEST(MemoFptBlocks, OtherBlockTypesReadEmptyAndOk) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, "picture"), 8);
    std::string bytes = f.Bytes();
    bytes[515] = 0;
    WriteAll(f.Path, bytes);
    bool ok = false;
    EXPECT_EQ(f.Read(8, &ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(f.Memo.GetBlockType(), 0u);
}

TEST(MemoFptBlocks, EmptyTextAndNoBlock) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, "abc"), 8);
    std::string before = f.Bytes();
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, ""), NoMemoBlock);
    EXPECT_EQ(f.Memo.WriteMemo(8, ""), NoMemoBlock);
    EXPECT_EQ(f.Bytes(), before);
    EXPECT_EQ(f.Read(8), "abc");

    // No block: empty text, the flag is left as it was.
    bool ok = false;
    std::string text = "x";
    f.Memo.ReadMemo(NoMemoBlock, ok, text);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(ok);
    ok = true;
    f.Memo.ReadMemo(NoMemoBlock, ok, text);
    EXPECT_TRUE(ok);
}

TEST(MemoFptBlocks, OtherBlockSizes) {
    // A FoxPro memo file with 512-byte blocks: the first memo is block 1.
    TempDir dir;
    std::string path = dir.Path("t.fpt");
    std::string head(512, '\0');
    head[3] = 1;
    head[6] = 2;  // 512
    WriteAll(path, head);
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0xF5);
    memo.Open();
    EXPECT_EQ(memo.WriteMemo(NoMemoBlock, Text(504)), 1);
    EXPECT_EQ(memo.WriteMemo(NoMemoBlock, Text(505)), 2);
    EXPECT_EQ(memo.GetNextBlock(), 4);
    EXPECT_EQ(ReadAll(path).size(), 4u * 512);
}

TEST(MemoDbt3Blocks, TextEndsWithMarkAndFillsBlocks) {
    MemoFile f(0x83);
    // 511 bytes and the end mark are one block.
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(511)), 1);
    EXPECT_EQ(f.Memo.GetNextBlock(), 2);
    std::string bytes = f.Bytes();
    ASSERT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(bytes[1023], '\x1A');
    EXPECT_EQ(LE32(bytes, 0), 2u);

    // 512 bytes take two.
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(512, 'b')), 2);
    EXPECT_EQ(f.Memo.GetNextBlock(), 4);
    bytes = f.Bytes();
    ASSERT_EQ(bytes.size(), 2048u);
    EXPECT_EQ(bytes[1024 + 512], '\x1A');
    EXPECT_EQ(bytes.substr(1024 + 513), std::string(511, '\0'));

    EXPECT_EQ(f.Read(1), Text(511));
    EXPECT_EQ(f.Read(2), Text(512, 'b'));
}

TEST(MemoDbt3Blocks, RewriteInPlaceOrMove) {
    MemoFile f(0x83);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(600)), 1);  // blocks 1 and 2
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, "next"), 3);
    EXPECT_EQ(f.Memo.WriteMemo(1, Text(1023, 'c')), 1);      // still two blocks
    EXPECT_EQ(f.Read(1), Text(1023, 'c'));
    EXPECT_EQ(f.Read(3), "next");
    EXPECT_EQ(f.Memo.WriteMemo(1, Text(1024, 'd')), 4);      // three blocks: moves
    EXPECT_EQ(f.Memo.GetNextBlock(), 7);
    EXPECT_EQ(f.Read(4), Text(1024, 'd'));
    EXPECT_EQ(f.Read(3), "next");
    EXPECT_EQ(f.Memo.WriteMemo(4, "e"), 4);
    EXPECT_EQ(f.Read(4), "e");
}

TEST(MemoDbt3Blocks, UnterminatedLastMemoReadsToEndOfFile) {
    MemoFile f(0x83);
    std::string bytes = f.Bytes();
    bytes += "no end mark";
    WriteAll(f.Path, bytes);
    bool ok = false;
    EXPECT_EQ(f.Read(1, &ok), "no end mark");
    EXPECT_TRUE(ok);
    // Rewritten in place: the unpadded block counts as one.
    EXPECT_EQ(f.Memo.WriteMemo(1, Text(300)), 1);
    EXPECT_EQ(f.Bytes().size(), 1024u);
    EXPECT_EQ(f.Read(1), Text(300));
}

TEST(MemoDbt4Blocks, HeadCountsItselfAndBlocksFollowTheHeader) {
    MemoFile f(0x8B, "t.dbt");
    // 504 bytes and the 8-byte head are one block.
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(504)), 1);
    std::string bytes = f.Bytes();
    ASSERT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(bytes.substr(512, 4), std::string("\xFF\xFF\x08\x00", 4));
    EXPECT_EQ(LE32(bytes, 516), 512u);
    EXPECT_EQ(LE32(bytes, 0), 2u);
    EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, Text(505, 'b')), 2);
    EXPECT_EQ(f.Memo.GetNextBlock(), 4);
    EXPECT_EQ(f.Bytes().size(), 2048u);
    EXPECT_EQ(f.Read(1), Text(504));
    EXPECT_EQ(f.Read(2), Text(505, 'b'));

    // In place while the blocks suffice, else moved.
    EXPECT_EQ(f.Memo.WriteMemo(2, Text(1016, 'c')), 2);
    EXPECT_EQ(f.Read(2), Text(1016, 'c'));
    EXPECT_EQ(LE32(f.Bytes(), 1024 + 4), 1024u);
    EXPECT_EQ(f.Memo.WriteMemo(2, Text(1017, 'd')), 4);
    EXPECT_EQ(f.Memo.GetNextBlock(), 7);
    EXPECT_EQ(f.Read(4), Text(1017, 'd'));
    EXPECT_EQ(f.Read(1), Text(504));
}

TEST(MemoDbt4Blocks, LargerBlocksAndForeignBlocks) {
    TempDir dir;
    std::string path = dir.Path("t.dbt");
    std::string head(512, '\0');
    head[0] = 1;
    head[21] = 4;  // block size 1024: block 1 starts at 1024
    WriteAll(path, head);
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0xCB);
    memo.Open();
    EXPECT_EQ(memo.GetBlockSize(), 1024);
    EXPECT_EQ(memo.WriteMemo(NoMemoBlock, "hello"), 1);
    EXPECT_EQ(ReadAll(path).size(), 2048u);
    bool ok = false;
    std::string text;
    memo.ReadMemo(1, ok, text);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "hello");

    // A block without the text head (a free-list block) reads empty, like an FPT picture.
    std::string bytes = ReadAll(path);
    bytes[1024] = 0;
    WriteAll(path, bytes);
    ok = false;
    memo.ReadMemo(1, ok, text);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "");
    // Writing there does not trust the foreign block: the text moves.
    EXPECT_EQ(memo.WriteMemo(1, "again"), 2);
}

TEST(MemoRoundTrip, BytesStayBytesAndTextsEndAtNul) {
    for (uint8_t version : {0x30, 0x83, 0x8B}) {
        SCOPED_TRACE(int(version));
        MemoFile f(version);
        std::string all;
        for (int c = 1; c < 256; ++c)
            if (c != 0x1A) all += char(c);  // 0x1A ends a dBASE III memo
        int32_t block = f.Memo.WriteMemo(NoMemoBlock, all);
        ASSERT_GT(block, 0);
        EXPECT_EQ(f.Read(block), all);
        // A NUL inside the text ends it when read back.
        block = f.Memo.WriteMemo(NoMemoBlock, std::string("left\0right", 10));
        ASSERT_GT(block, 0);
        EXPECT_EQ(f.Read(block), "left");
        // Reopening reads the stored header.
        int32_t next = f.Memo.GetNextBlock();
        f.Memo.Close();
        f.Memo.Open();
        EXPECT_EQ(f.Memo.GetNextBlock(), next);
        EXPECT_EQ(f.Read(block), "left");
    }
}

TEST(MemoReadOnly, NeverWrites) {
    for (uint8_t version : {0x30, 0x83, 0x8B}) {
        SCOPED_TRACE(int(version));
        MemoFile f(version);
        int32_t block = f.Memo.WriteMemo(NoMemoBlock, "kept");
        ASSERT_GT(block, 0);
        f.Memo.Close();
        std::string before = f.Bytes();
        f.Memo.Open(true);
        EXPECT_TRUE(f.Memo.GetReadOnly());
        EXPECT_EQ(f.Read(block), "kept");
        EXPECT_EQ(f.Memo.WriteMemo(block, "new"), NoMemoBlock);
        EXPECT_EQ(f.Memo.WriteMemo(NoMemoBlock, "new"), NoMemoBlock);
        f.Memo.SetNextBlock(99);
        EXPECT_FALSE(f.Memo.WriteHeader());
        EXPECT_FALSE(f.Memo.CreateMemoFile());
        EXPECT_EQ(f.Bytes(), before);
        f.Memo.Close();
        EXPECT_FALSE(f.Memo.GetReadOnly());
    }
}

TEST(MemoReadOnly, WorksOnAFileWithoutWritePermission) {
    MemoFile f(0x30);
    ASSERT_EQ(f.Memo.WriteMemo(NoMemoBlock, "kept"), 8);
    f.Memo.Close();
    std::filesystem::permissions(f.Path, std::filesystem::perms::owner_read);
    f.Memo.Open(true);
    EXPECT_EQ(f.Read(8), "kept");
    EXPECT_EQ(f.Memo.WriteMemo(8, "x"), NoMemoBlock);
}

TEST(MemoClosed, ReadsAndWritesNothing) {
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
