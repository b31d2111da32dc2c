// The bulk record operations against the record-by-record algorithms they stand for: on random
// tables, both leave the same bytes; bad record numbers write nothing.
#include "dbftestutil.h"
#include "platform/filestream.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

using namespace dbftest;

namespace {

// ---- the record-by-record algorithms ----

void RemoveOneByOne(TDBF& d, std::vector<uint32_t> rows) {  // renumbering the rows still to go
    for (size_t i = 0; i < rows.size(); ++i) {
        d.Go(rows[i]);
        d.Delete();
        d.Post();
        for (size_t k = i + 1; k < rows.size(); ++k) rows[k] -= rows[k] > rows[i];
    }
}

void PackOneByOne(TDBF& d) {
    for (int64_t r = d.GetRecordCount(); r >= 1; --r) {
        d.Go(r);
        if (!d.GetDeleted()) continue;
        d.Delete();
        d.Post();
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
            moves.emplace_back(uint32_t(last), h[size_t(hi--)]);
        } else {
            ++lo;
        }
        --last;
    }
    d.SetRecordCount(uint32_t(last));
    return moves;
}

void AppendOneByOne(TDBF& d, const std::string& images) {
    for (size_t at = 0; at < images.size(); at += d.GetRecordLength()) {
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
    std::string s(n, ' ');
    for (char& ch : s) ch = char('0' + rng() % 75);
    return s;
}

// A dBASE III table of a few fields with random records and marks; `wide` has 254 fields of
// 255 bytes, so that a chunk of the bulk operations holds only a few dozen records.
RandomTable MakeRandomTable(std::mt19937& rng, bool wide) {
    RandomTable t;
    for (int i = 0, n = wide ? 254 : 1 + int(rng() % 5); i < n; ++i)
        t.Fields.push_back({"F" + std::to_string(i), "CNDL"[rng() % 4], uint8_t(wide ? 255 : 1 + rng() % 20)});
    t.Count = wide ? 150 : rng() % 121;
    t.Bytes = ExpectedHeaderArea(0x03, t.Fields, t.Count);
    for (uint32_t r = 0; r < t.Count; ++r)
        t.Bytes += (rng() % (wide ? 31 : 3) == 0 ? "*" : " ") + RandomText(rng, RecordLengthFor(t.Fields) - 1u);
    if (rng() % 2) t.Bytes += '\x1A';
    return t;
}

// Runs the bulk operation on one copy of the table and the record-by-record one on another,
// and expects the same bytes.
template <class Bulk, class OneByOne>
void ExpectSameBytes(const TempDir& dir, const RandomTable& t, Bulk bulk, OneByOne oneByOne, const char* what) {
    static int run = 0;  // fresh names: truncating a file just written can wait for the disk
    const std::string a = dir.Path("bulk" + std::to_string(++run)), b = dir.Path("single" + std::to_string(run));
    WriteAll(a, t.Bytes);
    WriteAll(b, t.Bytes);
    {
        Opened fast(a), slow(b);
        bulk(fast.Dbf);
        oneByOne(slow.Dbf);
    }
    const std::string fast = ReadAll(a), slow = ReadAll(b);
    ASSERT_TRUE(fast == slow) << what << " on " << t.Count << " records of " << t.Fields.size() << " fields, at byte "
                              << (std::mismatch(fast.begin(), fast.end(), slow.begin(), slow.end()).first - fast.begin());
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
        std::vector<uint32_t> picked(t.Count);  // distinct records in a random order
        std::iota(picked.begin(), picked.end(), 1u);
        std::shuffle(picked.begin(), picked.end(), rng);
        picked.resize(t.Count ? rng() % (std::min(t.Count, wide ? 12u : t.Count) + 1) : 0);
        std::vector<TDBF::TRecordFlag> flags, all;
        for (uint32_t r : picked) flags.push_back({r, rng() % 2 == 0});
        if (!picked.empty()) flags.push_back({picked[0], !flags[0].Deleted});  // a record named twice
        for (uint32_t r = 1; r <= t.Count; ++r) all.push_back({r, round % 2 == 0});
        std::string images;
        for (int i = 1 + int(rng() % 30); i > 0; --i) images += " " + RandomText(rng, RecordLengthFor(t.Fields) - 1u);
        std::vector<std::pair<uint32_t, uint32_t>> fastMoves, slowMoves;

        ExpectSameBytes(dir, t, [&](TDBF& d) { d.RemoveRecords(picked); }, [&](TDBF& d) { RemoveOneByOne(d, picked); },
                        "remove");
        ExpectSameBytes(dir, t, [](TDBF& d) { d.PackDeleted(); }, PackOneByOne, "pack");
        ExpectSameBytes(dir, t, [&](TDBF& d) { d.SetAllDeleted(round % 2 == 0); },
                        [&](TDBF& d) { FlagsOneByOne(d, all); }, "set all");
        ExpectSameBytes(dir, t, [&](TDBF& d) { d.SetDeletedFlags(flags); }, [&](TDBF& d) { FlagsOneByOne(d, flags); },
                        "flags");
        ExpectSameBytes(dir, t, [&](TDBF& d) { fastMoves = d.FillHolesFromEnd(picked); },
                        [&](TDBF& d) { slowMoves = FillOneByOne(d, picked); }, "fill holes");
        EXPECT_EQ(fastMoves, slowMoves);
        ExpectSameBytes(
            dir, t,
            [&](TDBF& d) {
                d.AppendRecords(reinterpret_cast<const uint8_t*>(images.data()), images.size() / d.GetRecordLength());
            },
            [&](TDBF& d) { AppendOneByOne(d, images); }, "append");
    }
}

TEST(DbfBulk, BadNumbersWriteNothingAndAStaleListEnds) {
    TempDir dir;
    const std::string path = MakeSmallTable(dir, 5);
    const std::string before = ReadAll(path);
    Opened t(path);
    std::vector<uint8_t> out;
    const uint32_t six = 6;
    for (const auto& run : std::vector<std::function<void()>>{
             [&] { t.Dbf.RemoveRecords({2, 6}); }, [&] { t.Dbf.SetDeletedFlags({{1, true}, {6, true}}); },
             [&] { t.Dbf.ReadRecords(&six, 1, out); }})
        EXPECT_EQ(ErrorOf(run), path + "Record number overstep range(6)");
    EXPECT_EQ(ReadAll(path), before);
    {
        TFileSizeLimit limit(before.size() + SmallRL * 10);  // an append that does not fit
        const std::string images(SmallRL * 100, ' ');
        EXPECT_NE(ErrorOf([&] { t.Dbf.AppendRecords(reinterpret_cast<const uint8_t*>(images.data()), 100); }), "(none)");
    }
    EXPECT_EQ(ReadAll(path), before);
    // Truncating below rows that no longer match the file: numbers beyond the count are no
    // holes, and the walk still ends.
    EXPECT_EQ(t.Dbf.FillHolesFromEnd({9, 8, 2}), (std::vector<std::pair<uint32_t, uint32_t>>{{5, 2}}));
    EXPECT_EQ(NamesOf(path), "R1,R5,R3,R4,");
}

TEST(DbfBulk, PageRecordsOfAnyOrderAreTheRecordsGoReads) {
    std::mt19937 rng(7);
    TempDir dir;
    auto image = [](TDBF& d) {
        std::string s = d.GetDeleted() ? "*" : " ";
        for (int i = 0; i < d.FieldCount; ++i) s += d.GetField(i)->GetRawView();
        return s;
    };
    for (int round = 0; round < 12; ++round) {
        const RandomTable t = MakeRandomTable(rng, round == 5);
        const std::string path = dir.Path("p" + std::to_string(round) + ".dbf");
        WriteAll(path, t.Bytes);
        Opened o(path);
        // Runs, near neighbours, lone records far apart, repeats, 0 and numbers past the end.
        std::vector<uint32_t> recNos;
        for (uint32_t r = 1; r <= t.Count && r <= 6; ++r) recNos.push_back(r);
        for (int i = 0; i < 40; ++i) recNos.push_back(t.Count ? 1 + rng() % t.Count : 0);
        recNos.insert(recNos.end(), {0, t.Count + 1, t.Count + 7});
        std::shuffle(recNos.begin(), recNos.end(), rng);
        std::vector<std::string> want;
        for (uint32_t r : recNos) {
            if (r < 1 || r > t.Count) {
                want.push_back(std::string(RecordLengthFor(t.Fields), ' '));
                continue;
            }
            o.Dbf.Go(r);
            want.push_back(image(o.Dbf));
        }
        for (int pass = 0; pass < 2; ++pass) {  // the second reads through the mapping kept
            EXPECT_EQ(o.Dbf.ReadPageRecords(recNos.data(), recNos.size()), int64_t(t.Count));
            for (size_t k = 0; k < recNos.size(); ++k) {
                o.Dbf.SelectPageRecord(int(k) + 1);
                EXPECT_EQ(image(o.Dbf), want[k]) << "record " << recNos[k];
            }
        }
        // Another program cuts the file behind the count while records far apart come out of
        // the mapping: the error, not a crash.
        const uint32_t gap = 2 + 256 / RecordLengthFor(t.Fields);
        std::vector<uint32_t> far;
        for (uint32_t r = t.Count; r > 2 * gap; r -= gap) far.push_back(r);
        if (far.size() > 2) {
            ASSERT_EQ(o.Dbf.ReadPageRecords(far.data(), far.size()), int64_t(t.Count));
            vx::TFileStream other(path, vx::TOpenMode::ReadWrite);
            ASSERT_TRUE(other.SetSize(o.Dbf.GetHeaderLength() + RecordLengthFor(t.Fields) * 2));
            const std::string e = ErrorOf([&] { o.Dbf.ReadPageRecords(far.data(), far.size()); });
            EXPECT_EQ(e.find("Record number overstep range"), path.size()) << e;
        }
        o.Dbf.FreePage();
    }
}
