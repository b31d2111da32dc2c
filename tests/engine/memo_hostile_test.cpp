// Damaged and hostile memo files: every read stays inside the file, nothing crashes or
// allocates beyond the file's size, and writes never overwrite what is already there.
#include "dbftestutil.h"
#include "platform/filestream.h"

#include <limits>

using namespace dbftest;
using namespace vx;

namespace {

std::string FptHeader(uint32_t next, uint16_t blockSize) {
    std::string h = BE32(next) + std::string(508, '\0');
    h[6] = char(blockSize >> 8);
    h[7] = char(blockSize & 0xFF);
    return h;
}

// An FPT text block of `size` bytes: type 1, the stored length, the text, zeros.
std::string FptBlock(uint32_t length, const std::string& text, size_t size = 64) {
    std::string b = BE32(1) + BE32(length) + text;
    b.resize(size, '\0');
    return b;
}

// A dBASE IV block of 512 bytes with the head's length.
std::string Dbt4Block(uint32_t length, const std::string& text = "") {
    std::string b = "\xFF\xFF\x08" + std::string(1, '\0') + LE32(length) + text;
    b.resize(512, '\0');
    return b;
}

const std::string DbtHead = LE32(2) + std::string(508, '\0');

const int32_t FarBlocks[] = {std::numeric_limits<int32_t>::max(), 0x40000000, 0x01000000, -2,
                             std::numeric_limits<int32_t>::min()};

}  // namespace

TEST(MemoHostile, FptBlockNumbersOutsideTheFile) {
    MemoFile h(0x30, FptHeader(9, 64) + FptBlock(3, "abc"));
    EXPECT_EQ(h.Read(8), "abc");
    h.ExpectBad(9);  // exactly at the end
    for (int32_t b : FarBlocks) h.ExpectBad(b);
    for (int32_t b : {0, 1, 7}) h.ExpectBad(b);  // blocks inside the header are no memos
    // Writing over such a reference never touches the header: the text goes to new blocks.
    const std::string before = h.Bytes();
    EXPECT_EQ(h.Memo.WriteMemo(0, "new"), 9);
    EXPECT_EQ(h.Bytes().substr(8, 504), before.substr(8, 504));
    EXPECT_EQ(h.Memo.WriteMemo(0x7FFFFFF0, "far"), 10);
    EXPECT_EQ(h.Read(10), "far");
    EXPECT_EQ(h.Bytes().size(), 11u * 64);
}

TEST(MemoHostile, FptLengthsBeyondTheBlockOrFile) {
    // The length must fit in what follows the head: 56 is the most for the last block.
    for (uint32_t length : {0xFFFFFFFFu, 57u}) {
        MemoFile h(0x30, FptHeader(9, 64) + FptBlock(length, ""));
        h.ExpectBad(8);
        // A damaged old memo is not rewritten in place; the text gets new blocks.
        EXPECT_EQ(h.Memo.WriteMemo(8, "text"), 9);
        EXPECT_EQ(h.Bytes().substr(512, 64), FptBlock(length, ""));
    }
    MemoFile h(0x30, FptHeader(9, 64) + FptBlock(56, ""));
    EXPECT_EQ(h.Read(8), "");  // zeros: NUL ends the text at once
    // The file ends in the middle of a block head.
    MemoFile cut(0x30, FptHeader(9, 64) + std::string("\0\0\0\x01\0\0", 6));
    cut.ExpectBad(8);
    EXPECT_EQ(cut.Memo.WriteMemo(8, "x"), 9);  // past the damaged bytes
}

TEST(MemoHostile, FptBlockSizesZeroOneAndLarge) {
    MemoFile zero(0x30, FptHeader(8, 0) + std::string(64, '\x01'));
    for (int32_t b : {0, 1, 8, 1000}) zero.ExpectBad(b);
    const std::string before = zero.Bytes();
    EXPECT_EQ(zero.Memo.WriteMemo(NoMemoBlock, "x"), NoMemoBlock);
    EXPECT_EQ(zero.Memo.WriteMemo(8, "x"), NoMemoBlock);
    EXPECT_EQ(zero.Bytes(), before);
    // Block size 1: memos are addressed by byte offset.
    MemoFile one(0x30, FptHeader(528, 1) + FptBlock(2, "hi", 16));
    EXPECT_EQ(one.Read(512), "hi");
    one.ExpectBad(511);
    one.ExpectBad(528);
    EXPECT_EQ(one.Memo.WriteMemo(NoMemoBlock, "more"), 528);
    EXPECT_EQ(one.Read(528), "more");
    // Block size 65535: block 1 lies beyond this file, the last one far beyond 4 GiB.
    MemoFile big(0x30, FptHeader(1, 0xFFFF) + FptBlock(2, "hi", 16));
    big.ExpectBad(1);
    big.ExpectBad(0x7FFFFFFF);
}

TEST(MemoHostile, NextFreeBlockInsideOrFarPastTheFileIsNotUsed) {
    // The header claims block 8 is free although a memo lives there.
    MemoFile h(0x30, FptHeader(8, 64) + FptBlock(4, "live"));
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "new"), 9);
    EXPECT_EQ(h.Read(8), "live");
    EXPECT_EQ(h.Memo.GetNextBlock(), 10);
    // Far past the end, or negative as a signed number: the text goes at the end.
    for (uint32_t next : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u}) {
        std::string bytes = h.Bytes();
        bytes.replace(0, 4, BE32(next));
        WriteAll(h.Path, bytes);
        h.Memo.ReadHeader();
        EXPECT_EQ(int64_t(h.Memo.WriteMemo(NoMemoBlock, "end")) * 64, int64_t(bytes.size())) << next;
        EXPECT_EQ(h.Bytes().size(), bytes.size() + 64);
    }
}

TEST(MemoHostile, Dbt3MemosAreBoundedByTheFile) {
    MemoFile h(0x83, DbtHead + "text\x1A");
    EXPECT_EQ(h.Read(1), "text");
    h.ExpectBad(0);
    h.ExpectBad(2);
    for (int32_t b : FarBlocks) h.ExpectBad(b);
    // No end mark anywhere: the text runs to the end of the file.
    MemoFile open(0x83, DbtHead + std::string(3000, 'z'));
    EXPECT_EQ(open.Read(1), std::string(3000, 'z'));
    EXPECT_EQ(open.Read(6), std::string(3000 - 2560, 'z'));
    // Rewritten in place: the unpadded last block counts as one.
    MemoFile last(0x83, DbtHead + "no end mark");
    EXPECT_EQ(last.Memo.WriteMemo(1, std::string(300, 'a')), 1);
    EXPECT_EQ(last.Bytes().size(), 1024u);
    EXPECT_EQ(last.Read(1), std::string(300, 'a'));
}

TEST(MemoHostile, Dbt4LengthsBlockSizesAndForeignBlocks) {
    for (uint32_t length : {0xFFFFFFFFu, 0x80000000u, 513u, 7u, 0u}) {
        MemoFile h(0x8B, DbtHead + Dbt4Block(length));
        h.ExpectBad(1);
        EXPECT_EQ(h.Memo.WriteMemo(1, "x"), 2) << length;  // the damaged memo is never rewritten in place
        EXPECT_EQ(h.Bytes().substr(512, 512), Dbt4Block(length));
    }
    MemoFile full(0x8B, DbtHead + Dbt4Block(512));
    EXPECT_EQ(full.Read(1), "");
    full.ExpectBad(2);
    for (int32_t b : FarBlocks) full.ExpectBad(b);
    // A block without the text head (a free-list block) reads empty, and a text written there
    // does not trust it: the text moves.
    MemoFile foreign(0x8B, DbtHead + std::string(512, '\0'));
    EXPECT_EQ(foreign.Read(1), "");
    EXPECT_EQ(foreign.Memo.WriteMemo(1, "again"), 2);
    // Block size from header bytes 20..21: the block at 512 is no block of these sizes.
    for (uint16_t size : {uint16_t(1024), uint16_t(0xFFFF)}) {
        std::string head = DbtHead;
        head[20] = char(size & 0xFF), head[21] = char(size >> 8);
        MemoFile h(0xCB, head + Dbt4Block(512, "hidden"));
        EXPECT_EQ(h.Memo.GetBlockSize(), size);
        h.ExpectBad(1);
        EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "hello"), 2);
        EXPECT_EQ(h.Read(2), "hello");
        EXPECT_EQ(h.Bytes().size(), 3u * size);
    }
}

TEST(MemoHostile, OffsetsBeyondFourGiB) {
    // A sparse memo file of a little over 4 GiB: the memo at its end is written and read at
    // a 64-bit offset.
    TempDir dir;
    std::string path = dir.Path("big.fpt");
    const int64_t blocks = (int64_t(1) << 32) / 64 + 10;
    {
        TFileStream f(path, TOpenMode::Create);
        const std::string head = FptHeader(uint32_t(blocks), 64) + FptBlock(3, "low");
        ASSERT_TRUE(f.WriteAt(0, head.data(), head.size()));
        if (!f.SetSize(blocks * 64)) GTEST_SKIP() << "no sparse files here";
    }
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x30);
    memo.Open();
    EXPECT_EQ(memo.GetFileSize(), blocks * 64);
    const int32_t block = memo.WriteMemo(NoMemoBlock, "far away");
    EXPECT_EQ(block, blocks);
    auto read = [&](int32_t b) {
        bool ok = false;
        std::string text = "stale";
        memo.ReadMemo(b, ok, text);
        EXPECT_TRUE(ok) << b;
        return text;
    };
    EXPECT_EQ(read(block), "far away");
    EXPECT_EQ(memo.WriteMemo(block, "near"), block);
    EXPECT_EQ(read(block), "near");
    // A block whose offset would wrap to 512 at 32 bits is read at its own place.
    EXPECT_EQ(read(8), "low");
    EXPECT_EQ(read(int32_t((int64_t(1) << 32) / 64 + 8)), "");
}

TEST(MemoHostile, RandomBytesNeverCrash) {
    // Short pseudo-random files in every layout, read at every block number they could name.
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 60; ++round) {
        std::string bytes(512 + next() % 3000, '\0');
        for (char& c : bytes) c = char(next() >> 24);
        if (round % 3 == 0) bytes[6] = 0;  // small FPT block sizes
        if (round % 4 == 0) bytes[7] = char(1 + round % 8);
        for (uint8_t version : {0x30, 0x83, 0x8B}) {
            MemoFile m(version, bytes);
            for (int32_t b = -1; b < 64; ++b) {
                bool ok = true;
                std::string text;
                m.Memo.ReadMemo(b, ok, text);
                EXPECT_LE(text.size(), bytes.size());
            }
            const int32_t w = m.Memo.WriteMemo(int32_t(next() % 16), "written");
            EXPECT_TRUE(w == NoMemoBlock || m.Read(w) == "written");
        }
    }
}
