// Damaged and hostile memo files: every read stays inside the file, nothing crashes or
// allocates beyond the file's size, and writes never overwrite what is already there.
#include "dbftestutil.h"
#include "platform/filestream.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(zero.Memo.GetBlockSize(), 0);
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
        PutBE32(bytes, 0, next);
        WriteAll(h.Path, bytes);
        h.Memo.ReadHeader();
        EXPECT_EQ(int64_t(h.Memo.WriteMemo(NoMemoBlock, "end")) * 64, int64_t(bytes.size())) << next;
        EXPECT_EQ(h.Bytes().size(), bytes.size() + 64);
    }
}

TEST(MemoHostile, Dbt3BlockNumbersOutsideTheFile) {
    const std::string head = LE32(2) + std::string(508, '\0');
    MemoFile h(0x83, head + "text\x1A");
    EXPECT_EQ(h.Read(1), "text");
    h.ExpectBad(0);
    h.ExpectBad(2);
    for (int32_t b : FarBlocks) h.ExpectBad(b);
    // No end mark anywhere: the text is bounded by the file.
    MemoFile open(0x83, head + std::string(3000, 'z'));
    EXPECT_EQ(open.Read(1), std::string(3000, 'z'));
    EXPECT_EQ(open.Read(6), std::string(3000 - 2560, 'z'));
}

TEST(MemoHostile, Dbt4LengthsAndBlockSizes) {
    const std::string head = LE32(2) + std::string(508, '\0');
    auto block = [](uint32_t length) {
        std::string b = "\xFF\xFF\x08" + std::string(1, '\0') + LE32(length);
        b.resize(512, '\0');
        return b;
    };
    for (uint32_t length : {0xFFFFFFFFu, 0x80000000u, 513u, 7u, 0u}) {
        MemoFile h(0x8B, head + block(length));
        h.ExpectBad(1);
        EXPECT_EQ(h.Memo.WriteMemo(1, "x"), 2) << length;  // the damaged memo is never rewritten in place
        EXPECT_EQ(h.Bytes().substr(512, 512), block(length));
    }
    MemoFile empty(0x8B, head + block(8));
    EXPECT_EQ(empty.Read(1), "");
    MemoFile full(0x8B, head + block(512));
    EXPECT_EQ(full.Read(1), "");
    full.ExpectBad(2);
    for (int32_t b : FarBlocks) full.ExpectBad(b);
    // Block size 0xFFFF from the header: block 1 is past this file.
    std::string odd = head;
    odd[20] = odd[21] = char(0xFF);
    MemoFile h(0xCB, odd + block(512));
    EXPECT_EQ(h.Memo.GetBlockSize(), 0xFFFF);
    h.ExpectBad(1);
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "x"), 2);
    EXPECT_EQ(h.Read(2), "x");
    EXPECT_EQ(h.Bytes().size(), 3u * 0xFFFF);
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
