#include "platform/filestream.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vx;

namespace {

// Writes a file of `size` bytes counting up modulo `modulo` and returns its bytes.
std::string WritePatterned(const std::string& path, size_t size, int modulo) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(i % size_t(modulo));
    vxtest::WriteAll(path, bytes);
    return bytes;
}

}  // namespace

TEST(FileStream, ReadWriteSeekAndSizeBeyond4GiB) {
    vxtest::TempDir dir;
    std::string path = dir.Path("a.bin");
    {
        TFileStream f(path, TOpenMode::Create);
        EXPECT_EQ(f.Write("hello", 5), 5u);
        EXPECT_EQ(f.Size(), 5);
        ASSERT_TRUE(f.WriteAt(2, "LL", 2));
        // A sparse file larger than 4 GiB: offsets must not wrap.
        const int64_t big = (int64_t(1) << 32) + 10;
        ASSERT_TRUE(f.SetSize(big));
        EXPECT_EQ(f.Size(), big);
        ASSERT_TRUE(f.WriteAt(big - 1, "Z", 1));
        char c = 0;
        ASSERT_TRUE(f.ReadAt(big - 1, &c, 1));
        EXPECT_EQ(c, 'Z');
        ASSERT_TRUE(f.SetSize(5));
    }
    EXPECT_EQ(vxtest::ReadAll(path), "heLLo");
    TFileStream r(path, TOpenMode::ReadOnly);
    char buf[10];
    EXPECT_EQ(r.Seek(3), 3);
    EXPECT_EQ(r.Read(buf, 10), 2u);  // short read at end of file
    EXPECT_EQ(r.Write("x", 1), 0u);  // never writes through a read-only stream
    EXPECT_FALSE(r.SetSize(0));
    EXPECT_EQ(r.Seek(-1), -1);
}

TEST(FileStream, OpenErrorsCarryTheReason) {
    vxtest::TempDir dir;
    EXPECT_THROW(TFileStream(dir.Path("missing"), TOpenMode::ReadOnly), TFileError);
    EXPECT_THROW(TFileStream(dir.Path(""), TOpenMode::ReadOnly), TFileError);  // a folder
    EXPECT_FALSE(FileExists(dir.Path("missing")));
    EXPECT_FALSE(FileExists(dir.Root().string()));
}

TEST(FileStream, LocksExcludeAnotherStreamOnTheSameFileInOneProcess) {
    vxtest::TempDir dir;
    std::string path = dir.Path("t.dbf");
    vxtest::WriteAll(path, std::string(100, 'x'));
    TFileStream a(path, TOpenMode::ReadWrite);
    TFileStream b(path, TOpenMode::ReadWrite);
    ASSERT_TRUE(a.LockRegion(0, 50));
    EXPECT_FALSE(b.LockRegion(10, 5));   // overlaps a's region
    EXPECT_TRUE(b.LockRegion(50, 50));   // disjoint
    EXPECT_TRUE(a.UnlockRegion(0, 50));
    EXPECT_TRUE(b.LockRegion(10, 5));
    // Regions far beyond the end of the file work as on the format's home platform.
    EXPECT_TRUE(a.LockRegion(0x7FFFFFFE, 1));
    EXPECT_FALSE(b.LockRegion(0x7FFFFFFE, 1));
    EXPECT_FALSE(a.LockRegion(0, 0));
}

TEST(FileStream, CopyDeleteAndTicks) {
    vxtest::TempDir dir;
    std::string a = dir.Path("a"), b = dir.Path("b");
    // A longer file at the target is replaced whole; a copy spans many transfers.
    std::string bytes(3 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 4096);
    vxtest::WriteAll(a, bytes);
    vxtest::WriteAll(b, bytes + "tail");
    ASSERT_TRUE(CopyFile(a, b));
    EXPECT_EQ(vxtest::ReadAll(b), bytes);
    vxtest::WriteAll(a, std::string("\0\1\2\xff", 4));
    ASSERT_TRUE(CopyFile(a, b));
    EXPECT_EQ(vxtest::ReadAll(b), vxtest::ReadAll(a));
    EXPECT_FALSE(CopyFile(dir.Path("missing"), b));
    EXPECT_FALSE(CopyFile(dir.Root().string(), b));
    EXPECT_TRUE(DeleteFile(b));
    EXPECT_FALSE(DeleteFile(b));
    uint32_t t0 = GetTickCount();
    YieldBriefly();
    EXPECT_LT(static_cast<uint32_t>(GetTickCount() - t0), 1000u);
}

TEST(FileStream, AtomicWriteReplacesWholeOrLeavesTheOldFile) {
    vxtest::TempDir dir;
    std::string path = dir.Path("list.txt");
    vxtest::WriteAll(path, "old contents");
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(vx::WriteFileAtomic(path, "new"));
    EXPECT_EQ(vxtest::ReadAll(path), "new");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A file-size limit makes the write fail part-way: the old file stays whole, no temporary
    // file is left behind.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool ok = vx::WriteFileAtomic(path, "longer than four bytes");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(ok);
    EXPECT_EQ(vxtest::ReadAll(path), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 1);
    EXPECT_FALSE(vx::WriteFileAtomic(dir.Path("missing/x.txt"), "x"));
}

TEST(FileMapping, PiecesComeOutUntilTheFileIsCutShorter) {
    vxtest::TempDir dir;
    const std::string path = dir.Path("m.bin");
    const std::string bytes = WritePatterned(path, 1 << 16, 251);
    TFileStream f(path, TOpenMode::ReadWrite);
    TFileMapping m(f, f.Size());
    ASSERT_TRUE(m.Valid());
    char a[3] = {}, b[5] = {};
    const TFileMapping::TPiece pieces[] = {{60000, a, 3}, {7, b, 5}};
    ASSERT_TRUE(m.CopyOut(pieces, 2));
    EXPECT_EQ(std::string(a, 3), bytes.substr(60000, 3));
    EXPECT_EQ(std::string(b, 5), bytes.substr(7, 5));
    const TFileMapping::TPiece beyond[] = {{65534, a, 3}};
    EXPECT_FALSE(m.CopyOut(beyond, 1));
    // Another writer cuts the file: pages it no longer covers fail, the rest still reads.
    ASSERT_TRUE(f.SetSize(4096));
    for (int round = 0; round < 2; ++round) EXPECT_FALSE(m.CopyOut(pieces, 1));
    EXPECT_TRUE(m.CopyOut(pieces + 1, 1));
    EXPECT_FALSE(TFileMapping(f, 0).Valid());
}

// Bytes read in place: on several threads at once, each thread's cut-short read fails on its
// own, and the others go on.
TEST(FileMapping, BytesReadInPlaceOnManyThreadsUntilTheFileIsCutShorter) {
    vxtest::TempDir dir;
    const std::string path = dir.Path("m.bin");
    const std::string bytes = WritePatterned(path, 1 << 20, 253);
    TFileStream f(path, TOpenMode::ReadWrite);
    TFileMapping m(f, f.Size());
    ASSERT_TRUE(m.Valid());
    auto sum = [&m](int64_t offset, size_t length, uint64_t& total) {
        auto add = [&total](const uint8_t* p, size_t n) {
            for (size_t i = 0; i < n; ++i) total += p[i];
        };
        total = 0;
        return m.Read(offset, length, add);
    };
    auto expected = [&bytes](size_t offset, size_t length) {
        uint64_t total = 0;
        for (size_t i = offset; i < offset + length; ++i) total += uint8_t(bytes[i]);
        return total;
    };
    std::vector<uint64_t> totals(4);
    std::vector<char> ok(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] { ok[t] = sum(int64_t(t << 18), size_t(1) << 18, totals[t]); });
    for (std::thread& t : threads) t.join();
    for (size_t t = 0; t < 4; ++t) {
        EXPECT_TRUE(ok[t]);
        EXPECT_EQ(totals[t], expected(t << 18, size_t(1) << 18));
    }
    uint64_t total = 0;
    EXPECT_FALSE(sum(int64_t(bytes.size()) - 2, 3, total));  // beyond the mapping
    ASSERT_TRUE(f.SetSize(8192));
    threads.clear();
    for (size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] { ok[t] = sum(t == 0 ? 0 : int64_t(t << 18), t == 0 ? 8192 : 4096, totals[t]); });
    for (std::thread& t : threads) t.join();
    EXPECT_TRUE(ok[0]);
    EXPECT_EQ(totals[0], expected(0, 8192));
    for (size_t t = 1; t < 4; ++t) EXPECT_FALSE(ok[t]);
}

// Only regular files are opened: a named pipe nobody writes to is refused at once in every
// mode, without waiting for a writer; so is a device, and the line and start readers say they
// could not open either.
TEST(FileStream, AnythingButARegularFileIsRefusedAtOnce) {
    vxtest::TempDir dir;
    const std::string fifo = dir.Path("pipe.dbf");
    ASSERT_TRUE(vxtest::MakeFifo(fifo));
    for (TOpenMode mode : {TOpenMode::ReadOnly, TOpenMode::ReadWrite, TOpenMode::Create}) {
        std::string error;
        EXPECT_TRUE(vxtest::EndsWithin(5, [&] {
            try {
                TFileStream f(fifo, mode);
            } catch (const TFileError& e) {
                error = e.what();
            }
        }, fifo)) << int(mode);
        EXPECT_EQ(error, "Cannot open file \"" + fifo + "\". It is not a regular file.") << int(mode);
    }
    std::string start = "x";
    EXPECT_TRUE(vxtest::EndsWithin(5, [&] {
        EXPECT_FALSE(ReadFileLines(fifo, 100, 100, [](std::string_view) { return true; }));
        EXPECT_FALSE(ReadFileStart(fifo, 100, start));
    }, fifo));
    EXPECT_EQ(start, "");
    EXPECT_FALSE(IsRegularFile(fifo));
    EXPECT_THROW(TFileStream("/dev/null", TOpenMode::ReadOnly), TFileError);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));  // never turned into a file
}

TEST(FileStream, LinesPastTheirBoundAreSkippedAndTheByteBoundEndsTheReading) {
    vxtest::TempDir dir;
    const std::string path = dir.Path("lines.txt");
    vxtest::WriteAll(path, "one\r\n" + std::string(200000, 'x') + "\ntwo\n\nsix-chars\nlast");
    std::string seen;
    auto read = [&](size_t maxLine, uint64_t maxBytes) {
        seen.clear();
        EXPECT_TRUE(ReadFileLines(path, maxLine, maxBytes, [&](std::string_view l) {
            seen += std::string(l) + "|";
            return true;
        }));
        return seen;
    };
    EXPECT_EQ(read(9, UINT64_MAX), "one\r|two||six-chars|last|");
    EXPECT_EQ(read(5, UINT64_MAX), "one\r|two||last|");
    // Cut by the byte bound: the line it cuts is dropped, the ones before it stay.
    EXPECT_EQ(read(9, 200000 + 5 + 1 + 4 + 3), "one\r|two||");
    EXPECT_EQ(read(9, 3), "");
    // Stopping early.
    int calls = 0;
    ReadFileLines(path, 9, UINT64_MAX, [&](std::string_view) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
    std::string start;
    ASSERT_TRUE(ReadFileStart(path, 3, start));
    EXPECT_EQ(start, "one");
    EXPECT_FALSE(ReadFileStart(dir.Path("missing"), 3, start));
}
