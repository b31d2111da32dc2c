// The bulk record operations against the record-by-record algorithms they stand for: on random
// tables, both leave the same bytes; bad record numbers write nothing.
#include "dbftestutil.h"

#include <algorithm>
#include <random>

using namespace dbftest;

namespace {

// ---- the record-by-record algorithms ----

// Removes the rows' records one at a time, renumbering the rows still to go.
void RemoveOneByOne(TDBF& d, std::vector<uint32_t> rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint32_t r = rows[i];
        d.Go(r);
        d.Delete();
        d.Post();
        for (size_t k = i + 1; k < rows.size(); ++k)
            if (rows[k] > r) --rows[k];
    }
}

void PackOneByOne(TDBF& d) {
    for (int64_t r = d.GetRecordCount(); r >= 1; --r) {
        d.Go(r);
        if (d.GetDeleted()) {
            d.Delete();
            d.Post();
        }
    }
}

void SetAllOneByOne(TDBF& d, bool flag) {
    for (uint32_t r = 1, n = d.GetRecordCount(); r <= n; ++r) {
        d.Go(r);
        d.SetDeleted(flag);
    }
}

void FlagsOneByOne(TDBF& d, const std::vector<TDBF::TRecordFlag>& flags) {
    for (const auto& f : flags) {
        d.Go(f.RecNo);
        d.SetDeleted(f.Deleted);
        d.Edit();
        d.Post();
    }
}

// Truncate's walk: the last record moves into the smallest hole unless it is a hole itself.
std::vector<std::pair<uint32_t, uint32_t>> FillOneByOne(TDBF& d, std::vector<uint32_t> h) {
    std::vector<std::pair<uint32_t, uint32_t>> moves;
    std::sort(h.begin(), h.end(), std::greater<>());
    if (h.empty()) return moves;
    int64_t last = d.GetRecordCount(), hi = int64_t(h.size()) - 1, lo = 0;
    while (hi >= 0 && last >= h[size_t(hi)]) {
        if (last > h[size_t(lo)]) {
            d.ReplaceRecord(last, h[size_t(hi)]);
            moves.emplace_back(uint32_t(last), h[size_t(hi)]);
            --hi;
            --last;
        } else if (last == h[size_t(lo)]) {
            ++lo;
            --last;
        }
    }
    d.SetRecordCount(uint32_t(last));
    return moves;
}

void AppendOneByOne(TDBF& d, const std::string& images) {
    const size_t rl = d.GetRecordLength();
    for (size_t at = 0; at < images.size(); at += rl) {
        d.Append();
        for (int i = 0; i < d.FieldCount; ++i) {
            TField* f = d.GetField(i);
            f->SetAsString(std::string_view(images).substr(at + f->GetOffset(), f->GetLength()));
        }
        d.Post();
    }
}

// ---- random tables ----

struct RandomTable {
    std::vector<FieldDef> Fields;
    std::string Bytes;
    uint32_t Count = 0;
};

std::string RandomText(std::mt19937& rng, size_t n) {
    std::uniform_int_distribution<int> c('0', 'z');
    std::string s(n, ' ');
    for (char& ch : s) ch = char(c(rng));
    return s;
}

// A dBASE III table of a few text fields (`wide`: 254 fields of 255 bytes, so that one
// chunk of the bulk operations holds only a few dozen records), random records and marks.
RandomTable MakeRandomTable(std::mt19937& rng, bool wide) {
    RandomTable t;
    const int fields = wide ? 254 : std::uniform_int_distribution<int>(1, 5)(rng);
    for (int i = 0; i < fields; ++i) {
        const char type = "CNDL"[std::uniform_int_distribution<int>(0, 3)(rng)];
        const uint8_t len = wide ? 255 : uint8_t(std::uniform_int_distribution<int>(1, 20)(rng));
        t.Fields.push_back({"F" + std::to_string(i), type, len});
    }
    t.Count = wide ? 150 : std::uniform_int_distribution<uint32_t>(0, 120)(rng);
    t.Bytes = ExpectedHeaderArea(0x03, t.Fields, t.Count);
    const size_t rl = RecordLengthFor(t.Fields);
    for (uint32_t r = 0; r < t.Count; ++r) {
        t.Bytes += std::uniform_int_distribution<int>(0, wide ? 30 : 2)(rng) == 0 ? '*' : ' ';
        t.Bytes += RandomText(rng, rl - 1);
    }
    if (rng() % 2) t.Bytes += '\x1A';
    return t;
}

std::vector<uint32_t> RandomRecords(std::mt19937& rng, uint32_t count, uint32_t most) {
    std::vector<uint32_t> all(count);
    for (uint32_t i = 0; i < count; ++i) all[i] = i + 1;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(count ? std::uniform_int_distribution<uint32_t>(0, std::min(count, most))(rng) : 0);
    return all;
}

// Runs the bulk operation on one copy of the table and the record-by-record one on another,
// and expects the same bytes.
template <class Bulk, class OneByOne>
void ExpectSameBytes(const TempDir& dir, const RandomTable& t, Bulk bulk, OneByOne oneByOne, const std::string& what) {
    // Fresh names each time: truncating a file just written can wait for the disk.
    static int run = 0;
    ++run;
    const std::string a = dir.Path("bulk" + std::to_string(run) + ".dbf");
    const std::string b = dir.Path("single" + std::to_string(run) + ".dbf");
    WriteAll(a, t.Bytes);
    WriteAll(b, t.Bytes);
    {
        Opened fast(a), slow(b);
        bulk(fast.Dbf);
        oneByOne(slow.Dbf);
    }
    const std::string fast = ReadAll(a), slow = ReadAll(b);
    const auto diff = std::mismatch(fast.begin(), fast.end(), slow.begin(), slow.end());
    ASSERT_TRUE(fast == slow) << what << " on " << t.Count << " records of " << t.Fields.size()
                              << " fields: sizes " << fast.size() << " and " << slow.size() << ", first difference at "
                              << (diff.first - fast.begin());
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}

}  // namespace

TEST(DbfBulk, SameBytesAsRecordByRecordOnRandomTables) {
    std::mt19937 rng(20240501);
    TempDir dir;
    for (int round = 0; round < 30; ++round) {
        const bool wide = round == 15;
        const RandomTable t = MakeRandomTable(rng, wide);
        const std::vector<uint32_t> picked = RandomRecords(rng, t.Count, wide ? 12 : t.Count);
        ExpectSameBytes(
            dir, t, [&](TDBF& d) { d.RemoveRecords(picked); }, [&](TDBF& d) { RemoveOneByOne(d, picked); }, "remove");
        ExpectSameBytes(dir, t, [](TDBF& d) { d.PackDeleted(); }, [](TDBF& d) { PackOneByOne(d); }, "pack");
        const bool flag = round % 2;
        ExpectSameBytes(
            dir, t, [&](TDBF& d) { d.SetAllDeleted(flag); }, [&](TDBF& d) { SetAllOneByOne(d, flag); }, "set all");
        std::vector<TDBF::TRecordFlag> flags;
        for (uint32_t r : picked) flags.push_back({r, rng() % 2 == 0});
        if (!picked.empty()) flags.push_back({picked.front(), !flags.front().Deleted});  // a record named twice
        ExpectSameBytes(
            dir, t, [&](TDBF& d) { d.SetDeletedFlags(flags); }, [&](TDBF& d) { FlagsOneByOne(d, flags); }, "flags");
        std::vector<std::pair<uint32_t, uint32_t>> fastMoves, slowMoves;
        ExpectSameBytes(
            dir, t, [&](TDBF& d) { fastMoves = d.FillHolesFromEnd(picked); },
            [&](TDBF& d) { slowMoves = FillOneByOne(d, picked); }, "fill holes");
        EXPECT_EQ(fastMoves, slowMoves);
        const std::string images = [&] {
            std::string s;
            for (int i = std::uniform_int_distribution<int>(1, 30)(rng); i > 0; --i)
                s += " " + RandomText(rng, RecordLengthFor(t.Fields) - 1);
            return s;
        }();
        ExpectSameBytes(
            dir, t,
            [&](TDBF& d) {
                d.AppendRecords(reinterpret_cast<const uint8_t*>(images.data()), images.size() / d.GetRecordLength());
            },
            [&](TDBF& d) { AppendOneByOne(d, images); }, "append");
    }
}

TEST(DbfBulk, ReadsRecordsInTheOrderAsked) {
    TempDir dir;
    Opened t(MakeSmallTable(dir, 9));
    const std::vector<uint32_t> order = {5, 6, 7, 2, 9, 1, 1};
    std::vector<uint8_t> out;
    t.Dbf.ReadRecords(order.data(), order.size(), out);
    std::string names;
    for (size_t i = 0; i < order.size(); ++i) names += std::string(reinterpret_cast<char*>(&out[i * SmallRL + 1]), 2);
    EXPECT_EQ(names, "R5R6R7R2R9R1R1");
}

TEST(DbfBulk, NumbersOutsideTheTableWriteNothing) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 5);
    const std::string before = ReadAll(path);
    Opened t(path);
    std::vector<uint8_t> out;
    const uint32_t six = 6;
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {"remove", [&] { t.Dbf.RemoveRecords({2, 6}); }},
        {"remove 0", [&] { t.Dbf.RemoveRecords({0, 2}); }},
        {"flags", [&] { t.Dbf.SetDeletedFlags({{1, true}, {6, true}}); }},
        {"read", [&] { t.Dbf.ReadRecords(&six, 1, out); }},
    };
    for (const auto& [what, run] : cases) {
        EXPECT_EQ(ErrorOf(run), path + "Record number overstep range(" + (what == "remove 0" ? "0" : "6") + ")")
            << what;
        EXPECT_EQ(ReadAll(path), before) << what;
    }
    // Truncating below a row of a list that no longer matches the file: the numbers beyond
    // the count are no holes, and the walk still ends.
    const auto moves = t.Dbf.FillHolesFromEnd({9, 8, 2});
    EXPECT_EQ(moves, (std::vector<std::pair<uint32_t, uint32_t>>{{5, 2}}));
    EXPECT_EQ(NamesOf(path), "R1,R5,R3,R4,");
}

TEST(DbfBulk, AppendThatDoesNotFitLeavesTheFile) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 3);
    const std::string before = ReadAll(path);
    Opened t(path);
    const std::string images(SmallRL * 100, ' ');
    {
        TFileSizeLimit limit(before.size() + SmallRL * 10);
        EXPECT_NE(ErrorOf([&] { t.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(images.data()), 100); }),
                  "(none)");
    }
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(t.Dbf.GetRecordCount(), 3u);
}

TEST(DbfBulk, ReadOnlyTableRefusesAndPackWithNothingMarkedWritesNothing) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 4);
    const std::string before = ReadAll(path);
    Opened t(path, true);
    t.Dbf.PackDeleted();
    EXPECT_EQ(ErrorOf([&] { t.Dbf.RemoveRecords({1}); }), path + " - The file is opened read-only!");
    EXPECT_EQ(ErrorOf([&] { t.Dbf.SetAllDeleted(true); }), path + " - The file is opened read-only!");
    EXPECT_EQ(ReadAll(path), before);
}
