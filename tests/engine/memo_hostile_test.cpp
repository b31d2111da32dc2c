// Damaged and hostile memo files: every read stays inside the file, nothing crashes or
// allocates beyond the file's size, and writes never overwrite what is already there.
#include "engine/dbfmemo.h"
#include "platform/filestream.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vx;
using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

void PutBE(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(uint8_t(v >> (24 - 8 * i)));
}
void PutLE(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(uint8_t(v >> (8 * i)));
}

std::string FptHeader(uint32_t next, uint16_t blockSize) {
    std::string h(512, '\0');
    PutBE(h, 0, next);
    h[6] = char(blockSize >> 8);
    h[7] = char(blockSize & 0xFF);
    return h;
}

struct Hostile {
    TempDir Dir;
    std::string Path = Dir.Path("h.mem");
    TDBFMemo Memo;
    Hostile(uint8_t version, const std::string& bytes) {
        WriteAll(Path, bytes);
        Memo.SetFileName(Path);
        Memo.SetVersion(version);
        Memo.Open();
    }
    // Reads and expects failure: OK false and the empty text.
    void ExpectBad(int32_t block) {
        bool ok = true;
        std::string text = "stale";
        Memo.ReadMemo(block, ok, text);
        EXPECT_FALSE(ok) << "block " << block;
        EXPECT_EQ(text, "") << "block " << block;
    }
    std::string ReadOk(int32_t block) {
        bool ok = false;
        std::string text;
        Memo.ReadMemo(block, ok, text);
        EXPECT_TRUE(ok) << "block " << block;
        return text;
    }
};

const int32_t FarBlocks[] = {std::numeric_limits<int32_t>::max(), 0x40000000, 0x01000000, -2,
                             std::numeric_limits<int32_t>::min()};

}  // namespace

TEST(MemoHostile, FptBlockNumbersOutsideTheFile) {
    std::string bytes = FptHeader(9, 64);
    std::string memo(64, '\0');
    PutBE(memo, 0, 1);
    PutBE(memo, 4, 3);
    memo.replace(8, 3, "abc");
    Hostile h(0x30, bytes + memo);
    EXPECT_EQ(h.ReadOk(8), "abc");
    h.ExpectBad(9);  // exactly at the end
    for (int32_t b : FarBlocks) h.ExpectBad(b);
    // Blocks inside the header are no memos.
    for (int32_t b : {0, 1, 7}) h.ExpectBad(b);
    // Writing over such a reference never touches the header: the text goes to new blocks.
    std::string before = ReadAll(h.Path);
    EXPECT_EQ(h.Memo.WriteMemo(0, "new"), 9);
    EXPECT_EQ(ReadAll(h.Path).substr(8, 504), before.substr(8, 504));
    EXPECT_EQ(h.Memo.WriteMemo(0x7FFFFFF0, "far"), 10);
    EXPECT_EQ(h.ReadOk(10), "far");
    EXPECT_EQ(ReadAll(h.Path).size(), 11u * 64);
}

TEST(MemoHostile, FptLengthsBeyondTheFile) {
    std::string memo(64, '\0');
    PutBE(memo, 0, 1);
    PutBE(memo, 4, 0xFFFFFFFF);
    Hostile h(0x30, FptHeader(9, 64) + memo);
    h.ExpectBad(8);
    // The length must fit in what follows the head: 56 is the most for this block.
    std::string bytes = ReadAll(h.Path);
    PutBE(bytes, 512 + 4, 57);
    WriteAll(h.Path, bytes);
    h.ExpectBad(8);
    PutBE(bytes, 512 + 4, 56);
    WriteAll(h.Path, bytes);
    EXPECT_EQ(h.ReadOk(8), "");  // zeros: NUL ends the text at once
    // A damaged old memo is not rewritten in place; the text gets new blocks.
    PutBE(bytes, 512 + 4, 0xFFFFFFFF);
    WriteAll(h.Path, bytes);
    EXPECT_EQ(h.Memo.WriteMemo(8, "text"), 9);
    EXPECT_EQ(ReadAll(h.Path).substr(512, 64), bytes.substr(512, 64));
}

TEST(MemoHostile, FptTruncatedHead) {
    // The file ends in the middle of a block head.
    Hostile h(0x30, FptHeader(9, 64) + std::string("\0\0\0\x01\0\0", 6));
    h.ExpectBad(8);
    EXPECT_EQ(h.Memo.WriteMemo(8, "x"), 9);  // past the damaged bytes
}

TEST(MemoHostile, FptBlockSizeZero) {
    Hostile h(0x30, FptHeader(8, 0) + std::string(64, '\x01'));
    EXPECT_EQ(h.Memo.GetBlockSize(), 0);
    for (int32_t b : {0, 1, 8, 1000}) h.ExpectBad(b);
    std::string before = ReadAll(h.Path);
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "x"), NoMemoBlock);
    EXPECT_EQ(h.Memo.WriteMemo(8, "x"), NoMemoBlock);
    EXPECT_EQ(ReadAll(h.Path), before);
}

TEST(MemoHostile, FptBlockSizeOneAndLarge) {
    // Block size 1: memos are addressed by byte offset.
    std::string memo(16, '\0');
    PutBE(memo, 0, 1);
    PutBE(memo, 4, 2);
    memo.replace(8, 2, "hi");
    Hostile h(0x30, FptHeader(528, 1) + memo);
    EXPECT_EQ(h.ReadOk(512), "hi");
    h.ExpectBad(511);
    h.ExpectBad(528);
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "more"), 528);
    EXPECT_EQ(h.ReadOk(528), "more");

    // Block size 65535: block 1 lies beyond this file.
    Hostile big(0x30, FptHeader(1, 0xFFFF) + memo);
    big.ExpectBad(1);
    big.ExpectBad(0x7FFFFFFF);  // offset far beyond 4 GiB
}

TEST(MemoHostile, NextFreeBlockInsideTheFileDoesNotOverwriteMemos) {
    // The header claims block 8 is free although a memo lives there.
    std::string memo(64, '\0');
    PutBE(memo, 0, 1);
    PutBE(memo, 4, 4);
    memo.replace(8, 4, "live");
    Hostile h(0x30, FptHeader(8, 64) + memo);
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "new"), 9);
    EXPECT_EQ(h.ReadOk(8), "live");
    EXPECT_EQ(h.Memo.GetNextBlock(), 10);

    // A next free block far past the end (or negative as a signed number) is not used either.
    for (uint32_t next : {0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u}) {
        std::string bytes = ReadAll(h.Path);
        PutBE(bytes, 0, next);
        WriteAll(h.Path, bytes);
        h.Memo.ReadHeader();
        int32_t block = h.Memo.WriteMemo(NoMemoBlock, "end");
        EXPECT_EQ(int64_t(block) * 64, int64_t(bytes.size())) << next;
        EXPECT_EQ(ReadAll(h.Path).size(), bytes.size() + 64);
    }
}

TEST(MemoHostile, Dbt3BlockNumbersOutsideTheFile) {
    std::string head(512, '\0');
    PutLE(head, 0, 2);
    Hostile h(0x83, head + "text\x1A");
    EXPECT_EQ(h.ReadOk(1), "text");
    h.ExpectBad(0);
    h.ExpectBad(2);
    for (int32_t b : FarBlocks) h.ExpectBad(b);
    // No end mark anywhere: the text is bounded by the file.
    Hostile open(0x83, head + std::string(3000, 'z'));
    EXPECT_EQ(open.ReadOk(1), std::string(3000, 'z'));
    EXPECT_EQ(open.ReadOk(6), std::string(3000 - 2560, 'z'));
}

TEST(MemoHostile, Dbt4LengthsAndBlockSizes) {
    std::string head(512, '\0');
    PutLE(head, 0, 2);
    std::string memo(512, '\0');
    memo.replace(0, 4, std::string("\xFF\xFF\x08\x00", 4));
    for (uint32_t length : {0xFFFFFFFFu, 0x80000000u, 513u, 7u, 0u}) {
        PutLE(memo, 4, length);
        Hostile h(0x8B, head + memo);
        h.ExpectBad(1);
        // The damaged memo is never rewritten in place.
        EXPECT_EQ(h.Memo.WriteMemo(1, "x"), 2) << length;
        EXPECT_EQ(ReadAll(h.Path).substr(512, 512), memo);
    }
    PutLE(memo, 4, 8);
    Hostile empty(0x8B, head + memo);
    EXPECT_EQ(empty.ReadOk(1), "");
    PutLE(memo, 4, 512);
    Hostile full(0x8B, head + memo);
    EXPECT_EQ(full.ReadOk(1), "");
    full.ExpectBad(2);
    for (int32_t b : FarBlocks) full.ExpectBad(b);

    // Block size 0xFFFF from the header: block 1 is past this file.
    std::string odd = head;
    odd[20] = char(0xFF);
    odd[21] = char(0xFF);
    Hostile h(0xCB, odd + memo);
    EXPECT_EQ(h.Memo.GetBlockSize(), 0xFFFF);
    h.ExpectBad(1);
    EXPECT_EQ(h.Memo.WriteMemo(NoMemoBlock, "x"), 2);
    EXPECT_EQ(h.ReadOk(2), "x");
    EXPECT_EQ(ReadAll(h.Path).size(), 3u * 0xFFFF);
}

TEST(MemoHostile, OffsetsBeyondFourGiB) {
    // A sparse memo file of a little over 4 GiB: the memo at its end is written and read at
    // a 64-bit offset.
    TempDir dir;
    std::string path = dir.Path("big.fpt");
    const int64_t blocks = (int64_t(1) << 32) / 64 + 10;
    {
        TFileStream f(path, TOpenMode::Create);
        std::string head = FptHeader(uint32_t(blocks), 64);
        ASSERT_TRUE(f.WriteAt(0, head.data(), head.size()));
        std::string low(64, '\0');
        PutBE(low, 0, 1);
        PutBE(low, 4, 3);
        low.replace(8, 3, "low");
        ASSERT_TRUE(f.WriteAt(512, low.data(), low.size()));
        if (!f.SetSize(blocks * 64)) GTEST_SKIP() << "no sparse files here";
    }
    TDBFMemo memo;
    memo.SetFileName(path);
    memo.SetVersion(0x30);
    memo.Open();
    EXPECT_EQ(memo.GetFileSize(), blocks * 64);
    int32_t block = memo.WriteMemo(NoMemoBlock, "far away");
    EXPECT_EQ(block, blocks);
    bool ok = false;
    std::string text;
    memo.ReadMemo(block, ok, text);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "far away");
    EXPECT_EQ(memo.WriteMemo(block, "near"), block);
    memo.ReadMemo(block, ok, text);
    EXPECT_EQ(text, "near");
    // A block whose offset would wrap to 512 at 32 bits is read at its own place.
    memo.ReadMemo(8, ok, text);
    EXPECT_EQ(text, "low");
    memo.ReadMemo(int32_t((int64_t(1) << 32) / 64 + 8), ok, text);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "");
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
            TempDir dir;
            std::string path = dir.Path("r.mem");
            WriteAll(path, bytes);
            TDBFMemo memo;
            memo.SetFileName(path);
            memo.SetVersion(version);
            memo.Open();
            for (int32_t b = -1; b < 64; ++b) {
                bool ok = true;
                std::string text;
                memo.ReadMemo(b, ok, text);
                EXPECT_LE(text.size(), bytes.size());
            }
            int32_t w = memo.WriteMemo(int32_t(next() % 16), "written");
            if (w != NoMemoBlock) {
                bool ok = false;
                std::string text;
                memo.ReadMemo(w, ok, text);
                EXPECT_TRUE(ok);
                EXPECT_EQ(text, "written");
            }
        }
    }
}
