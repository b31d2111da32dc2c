// The record commands on the 1,000,000-record table, each on a fresh copy of the file with its
// rows loaded: removing 10,000 scattered records, packing a table with every other record
// marked, toggling the marks of 100,000 rows, copying 100,000 rows to clipboard text and
// pasting them back, replacing a text in 100,000 rows; each as the window runs it, comparing
// the records it acts on with their rows; a plain copy of the file (cp) in the same run for
// comparison.
#include "common/bytetext.h"
#include "common/datalist.h"
#include "common/recordclip.h"
#include "common/recordcommands.h"
#include "common/replace.h"
#include "common/valuetext.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

std::string TablePath;
double CpSeconds = 0;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double TimeCp(const std::string& from, const std::string& to) {
    const std::string cmd = "cp '" + from + "' '" + to + "'";
    auto start = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return Since(start);
}

// A fresh copy of the table, open, with every row in the row store as the loader makes them.
struct TLoadedCopy {
    benchtable::BenchDir Dir;
    TDBF Dbf;
    TRowStore Rows;
    TLoadedCopy() {
        const std::string path = Dir.Path("copy.dbf");
        TimeCp(TablePath, path);
        Dbf.SetFileName(path);
        Dbf.Open();
        const int page = 100;
        Dbf.AllocPage(page);
        TRowBuilder row;
        std::string scratch;
        uint32_t recNo = 0;
        for (int64_t p = 1;; ++p) {
            const int got = Dbf.ReadPage(p, page);
            if (got <= 0) break;
            for (int i = 1; i <= got; ++i) {
                Dbf.SelectPageRecord(i);
                row.Start(Dbf.GetDeleted(), ++recNo, Dbf.GetRecordPrint());
                for (int f = 0; f < Dbf.FieldCount; ++f) {
                    valuetext::AppendDisplayText(Dbf, *Dbf.GetField(f), row.Buffer(), scratch);
                    row.CloseField();
                }
                Rows.DataList.Append(Rows.Pool.Make(row));
            }
        }
        Dbf.FreePage();
    }
};

// Runs `work` on a fresh loaded copy per iteration and reports its time only.
template <class Work>
void Timed(benchmark::State& state, Work work) {
    for (auto _ : state) {
        auto copy = std::make_unique<TLoadedCopy>();
        auto start = std::chrono::steady_clock::now();
        work(*copy);
        state.SetIterationTime(Since(start));
    }
}

void BM_Cp(benchmark::State& state) {
    benchtable::BenchDir dir;
    double total = 0;
    for (auto _ : state) {
        const double s = TimeCp(TablePath, dir.Path("cp.dbf"));
        if (s < 0) {
            state.SkipWithError("cp failed");
            return;
        }
        state.SetIterationTime(s);
        total += s;
    }
    CpSeconds = total / double(state.iterations());
    state.counters["cp_s"] = CpSeconds;
}
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_RemoveScattered10000(benchmark::State& state) {
    double total = 0;
    Timed(state, [&](TLoadedCopy& c) {
        std::mt19937 rng(7);
        std::vector<records::TRowRange> rows;
        std::uniform_int_distribution<size_t> pick(0, benchtable::RecordCount - 1);
        for (int i = 0; i < 10000; ++i) {
            const size_t r = pick(rng);
            rows.push_back({r, r});
        }
        auto start = std::chrono::steady_clock::now();
        records::RemoveRows(c.Dbf, c.Rows, records::NormalizeRanges(rows, c.Rows.DataList.Count()));
        total += Since(start);
    });
    const double s = total / double(state.iterations());
    state.counters["remove_s"] = s;
    if (CpSeconds > 0) state.counters["times_cp"] = s / CpSeconds;
}
BENCHMARK(BM_RemoveScattered10000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_PackHalfMarked(benchmark::State& state) {
    for (auto _ : state) {
        auto copy = std::make_unique<TLoadedCopy>();
        std::vector<records::TRowRange> marked;
        for (size_t r = 1; r < benchtable::RecordCount; r += 2) marked.push_back({r, r});
        records::ToggleMarks(copy->Dbf, copy->Rows, marked);
        auto start = std::chrono::steady_clock::now();
        records::RemoveMarked(copy->Dbf, copy->Rows);
        state.SetIterationTime(Since(start));
        if (copy->Dbf.GetRecordCount() != benchtable::RecordCount / 2) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_PackHalfMarked)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_ToggleMarks100000(benchmark::State& state) {
    Timed(state, [](TLoadedCopy& c) { records::ToggleMarks(c.Dbf, c.Rows, {{400000, 499999}}); });
}
BENCHMARK(BM_ToggleMarks100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_SetAllMarks(benchmark::State& state) {
    Timed(state, [](TLoadedCopy& c) { records::SetAllMarks(c.Dbf, c.Rows, true); });
}
BENCHMARK(BM_SetAllMarks)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Copy: the clipboard text of 100,000 selected rows as the clipboard takes it.
void BM_Copy100000(benchmark::State& state) {
    Timed(state, [](TLoadedCopy& c) {
        const auto clip = recordclip::BuildRowsClipData(c.Dbf, records::RowsOf(c.Rows, {{200000, 299999}}));
        benchmark::DoNotOptimize(BytesToText(clip.Text));
    });
}
BENCHMARK(BM_Copy100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Paste: that text read back, checked, converted and appended with its rows.
void BM_Paste100000(benchmark::State& state) {
    for (auto _ : state) {
        auto copy = std::make_unique<TLoadedCopy>();
        const QString text =
            BytesToText(recordclip::BuildClipData(copy->Dbf, records::RecordNumbers(copy->Rows, {{200000, 299999}})).Text);
        auto start = std::chrono::steady_clock::now();
        const auto bytes = TryTextToBytes(text);
        recordclip::TPaste paste = recordclip::ParsePaste(copy->Dbf, *bytes, {});
        if (paste.Status != recordclip::TPaste::Ready) {
            state.SkipWithError("paste refused");
            return;
        }
        AppendNewRecords(copy->Dbf, copy->Rows, paste.Records);
        state.SetIterationTime(Since(start));
        if (copy->Dbf.GetRecordCount() != benchtable::RecordCount + 100000) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_Paste100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Replace: "benchmark" becomes "bench mark" in the names of 100,000 rows.
void BM_Replace100000(benchmark::State& state) {
    Timed(state, [](TLoadedCopy& c) {
        TFindOptions o;
        o.FieldIndex = 0;
        o.Text = "benchmark";
        o.ReplaceText = "bench mark";
        o.From = 400001;
        o.To = 500000;
        const TReplaceResult r = ReplaceInRows(c.Dbf, c.Rows, o);
        if (r.Count != 100000) std::abort();
    });
}
BENCHMARK(BM_Replace100000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_TruncateSortedBelowMiddle(benchmark::State& state) {
    // A list sorted in reverse record order: truncating below its middle row moves half a
    // million records from the end of the file into the holes.
    Timed(state, [](TLoadedCopy& c) {
        auto rows = c.Rows.DataList.Rows();
        std::reverse(rows.begin(), rows.end());
        c.Rows.DataList.Assign(rows);
        records::TruncateBelow(c.Dbf, c.Rows, benchtable::RecordCount / 2 - 1);
    });
}
BENCHMARK(BM_TruncateSortedBelowMiddle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return benchtable::RunWithBenchTable(argc, argv, TablePath); }
