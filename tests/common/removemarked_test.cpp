// Remove Deleted with the rows lent moves the records it keeps a piece at a time, one thread
// gathering the next piece while another writes: whatever the marks and however small the
// pieces, the table comes out byte for byte as the same removal without a list leaves it.
#include "common/recordcommands.h"
#include "records_testutil.h"
#include "testutil.h"

#include <functional>
#include <random>

using namespace rectest;

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
        vxtest::WriteAll(dir.Path("plain.dbf"), before);
        {
            TDBF plain;
            plain.SetFileName(dir.Path("plain.dbf"));
            plain.Open();
            plain.PackDeleted();
        }
        const std::string expected = vxtest::ReadAll(dir.Path("plain.dbf"));
        // A piece of one record, of ten, and of a few hundred.
        for (size_t piece : {17u, 170u, 4000u}) {
            vxtest::WriteAll(path, before);
            TDBF dbf;
            dbf.SetFileName(path);
            dbf.Open();
            TRowStore rows;
            LoadRows(dbf, rows);
            dbf.PackPieceBytes = piece;
            records::RemoveMarked(dbf, rows);
            EXPECT_TRUE(vxtest::ReadAll(path) == expected) << name << ", pieces of " << piece << " bytes";
            EXPECT_EQ(dbf.GetRecordCount(), kept) << name;
        }
    }
}
