// Memo files on their own: the headers created and read, the block arithmetic of the three
// layouts (where texts go, how many blocks they take, rewriting in place versus moving, the
// empty text), read-only and closed memo files; and damaged or hostile memo files, where every
// read stays inside the file, nothing allocates beyond its size, and writes never overwrite
// what is already there.
#include "dbftestutil.h"
#include "platform/filestream.h"

#include <limits>

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
         [](const std::string& t) {  // the end mark 0x1F after the text where the blocks have room
             const std::string b = "\xFF\xFF\x08" + std::string(1, '\0') + LE32(uint32_t(t.size() + 8)) + t;
             return Pad(b.size() % 512 ? b + "\x1F" : b, 512);
         }},
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

TEST(MemoHostile, BlockNumbersOutsideTheFileOrInsideTheHeaderReadNothing) {
    // Per layout: a block that reads, and blocks that must not besides the far ones.
    const std::tuple<uint8_t, std::string, int32_t, std::vector<int32_t>> cases[] = {
        {0x30, FptHeader(9, 64) + FptBlock(3, "abc"), 8, {9, 0, 1, 7}},  // 9: exactly at the end
        {0x83, DbtHead + "abc\x1A", 1, {0, 2}},
        {0x8B, DbtHead + Dbt4Block(11, "abc"), 1, {0, 2}}};
    for (const auto& [version, bytes, good, bad] : cases) {
        MemoFile h(version, bytes);
        EXPECT_EQ(h.Read(good), "abc");
        for (int32_t b : bad) h.ExpectBad(b);
        for (int32_t b : FarBlocks) h.ExpectBad(b);
    }
    // Writing over such a reference never touches the header: the text goes to new blocks.
    MemoFile h(0x30, FptHeader(9, 64) + FptBlock(3, "abc"));
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
    MemoFile full(0x8B, DbtHead + Dbt4Block(512));  // to the end of the file: zeros, the empty text
    EXPECT_EQ(full.Read(1), "");
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
