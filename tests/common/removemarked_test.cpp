// Remove Deleted and Remove Records move the records they keep a piece at a time, and marking
// every record changes the marks a piece at a time, one thread reading the next piece while
// another writes: whatever the records and however small the pieces, the table comes out byte
// for byte as the same command on one thread leaves it, or, when a record removed is no longer
// as shown, as it was.
#include "common/recordcommands.h"
#include "records_testutil.h"
#include "testutil.h"

#include <functional>
#include <random>

using namespace rectest;

namespace {

// The bytes `bytes` leave once `command` has run on them without a list, in one piece (so on
// one thread), in a file of their own in `dir`.
std::string OnOneThread(const vxtest::TempDir& dir, const std::string& bytes, const std::function<void(TDBF&)>& command) {
    const std::string path = dir.Path("one.dbf");
    vxtest::WriteAll(path, bytes);
    {
        TDBF one;
        one.SetFileName(path);
        one.Open();
        one.PackPieceBytes = one.BulkChunkBytes = size_t(1) << 30;
        command(one);
    }
    return vxtest::ReadAll(path);
}

// The table at `path` made `bytes` again, open in `dbf`, with every record as a row in `rows`.
void Reload(const std::string& path, const std::string& bytes, TDBF& dbf, TRowStore& rows) {
    vxtest::WriteAll(path, bytes);
    dbf.SetFileName(path);
    dbf.Open();
    LoadRows(dbf, rows);
}

}  // namespace

TEST(RemoveMarkedPieces, EveryPatternOfMarksComesOutAsWithoutAList) {
    constexpr uint32_t n = 6000;
    // Runs of marked and unmarked records of random lengths, some longer than a piece.
    std::vector<bool> runs(n + 1);
    std::mt19937 rng(11);
    for (uint32_t r = 1, on = 0; r <= n; on ^= 1)
        for (uint32_t len = 1 + rng() % 300; len > 0 && r <= n; --len) runs[r++] = on;
    const std::vector<std::pair<const char*, std::function<bool(uint32_t)>>> patterns = {
        {"every other", [](uint32_t r) { return r % 2 == 0; }},
        {"the first", [](uint32_t r) { return r == 1; }},
        {"the last", [](uint32_t r) { return r == n; }},
        {"all but the first", [](uint32_t r) { return r != 1; }},
        {"all but the last", [](uint32_t r) { return r != n; }},
        {"the second half", [](uint32_t r) { return r > n / 2; }},
        {"every record", [](uint32_t) { return true; }},
        {"runs", [&runs](uint32_t r) { return bool(runs[r]); }},
    };
    for (const auto& [name, marked] : patterns) {
        vxtest::TempDir dir;
        const std::string path = MakeTable(dir.Path("t.dbf"), n, 0);
        uint32_t kept = 0;
        {
            std::vector<TDBF::TRecordFlag> flags;
            for (uint32_t r = 1; r <= n; ++r) {
                if (marked(r)) flags.push_back({r, true});
                else ++kept;
            }
            TDBF d;
            d.SetFileName(path);
            d.Open();
            d.SetDeletedFlags(flags);
        }
        const std::string before = vxtest::ReadAll(path);
        const std::string expected = OnOneThread(dir, before, [](TDBF& d) { d.PackDeleted(); });
        // A piece of one record, of ten, and of a few hundred.
        for (size_t piece : {17u, 170u, 4000u}) {
            TDBF dbf;
            TRowStore rows;
            Reload(path, before, dbf, rows);
            dbf.PackPieceBytes = piece;
            records::RemoveMarked(dbf, rows);
            EXPECT_TRUE(vxtest::ReadAll(path) == expected) << name << ", pieces of " << piece << " bytes";
            EXPECT_EQ(dbf.GetRecordCount(), kept) << name;
        }
    }
}

TEST(RemovePieces, RemovalsOnTwoThreadsComeOutAsOnOneOrNotAtAll) {
    constexpr uint32_t n = 6000;
    vxtest::TempDir dir;
    const std::string path = MakeTable(dir.Path("t.dbf"), n, 7);
    const std::string before = vxtest::ReadAll(path);
    std::mt19937 rng(5);
    // Rows to remove: a few scattered ones, a run near the end, and many.
    const std::vector<std::vector<records::TRowRange>> removals = {
        {{3, 3}, {2500, 2500}, {5998, 5998}},
        {{5000, 5900}},
        [&] {
            std::vector<records::TRowRange> r;
            for (int i = 0; i < 2000; ++i) {
                const size_t at = rng() % n;
                r.push_back({at, at});
            }
            return r;
        }(),
    };
    for (size_t chunk : {17u, 170u, 4000u}) {
        for (const auto& ranges : removals) {
            TDBF dbf;
            TRowStore rows;
            Reload(path, before, dbf, rows);
            const auto normal = records::NormalizeRanges(ranges, rows.DataList.Count());
            const std::vector<uint32_t> recNos = records::RecordNumbers(rows, normal);
            const std::string expected = OnOneThread(dir, before, [&](TDBF& d) { d.RemoveRecords(recNos); });
            dbf.BulkChunkBytes = chunk;
            records::RemoveRows(dbf, rows, normal);
            EXPECT_TRUE(vxtest::ReadAll(path) == expected) << recNos.size() << " records, chunks of " << chunk;
            EXPECT_EQ(Mismatch(dbf, rows), "");
        }
        // Remove Deleted without a list.
        vxtest::WriteAll(path, before);
        const std::string expected = OnOneThread(dir, before, [](TDBF& d) { d.PackDeleted(); });
        TDBF plain;
        plain.SetFileName(path);
        plain.Open();
        plain.BulkChunkBytes = chunk;
        plain.PackDeleted();
        EXPECT_TRUE(vxtest::ReadAll(path) == expected) << "pack, chunks of " << chunk;

        // Another program's edit of the last record removed refuses the removal once the
        // chunks before it are written: every record moved is put back.
        TDBF dbf;
        TRowStore rows;
        Reload(path, before, dbf, rows);
        {
            TDBF other;
            other.SetFileName(path);
            other.Open();
            other.Go(5990);
            other.Edit();
            other.GetField(0)->SetAsString("theirs");
            other.Post();
        }
        const std::string edited = vxtest::ReadAll(path);
        dbf.BulkChunkBytes = chunk;
        EXPECT_THROW(records::RemoveRows(dbf, rows, {{2, 2}, {1000, 1200}, {5989, 5989}}), EDBFRecordsChanged);
        EXPECT_TRUE(vxtest::ReadAll(path) == edited) << "chunks of " << chunk;
    }
}

TEST(SetAllMarksPieces, EveryMarkIsSetAndClearedAsOnOneThread) {
    vxtest::TempDir dir;
    const std::string path = MakeTable(dir.Path("t.dbf"), 6000, 7);
    const std::string before = vxtest::ReadAll(path);
    for (bool deleted : {true, false}) {
        const std::string expected = OnOneThread(dir, before, [&](TDBF& d) { d.SetAllDeleted(deleted); });
        for (size_t chunk : {17u, 170u, 4000u}) {
            TDBF dbf;
            TRowStore rows;
            Reload(path, before, dbf, rows);
            dbf.BulkChunkBytes = chunk;
            records::SetAllMarks(dbf, rows, deleted);
            EXPECT_TRUE(vxtest::ReadAll(path) == expected) << deleted << ", chunks of " << chunk;
            EXPECT_EQ(Mismatch(dbf, rows), "");
        }
    }
}
