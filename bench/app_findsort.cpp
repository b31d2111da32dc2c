// Find, filter, sort and statistics on the 1,000,000-record table loaded through the row
// loader, without windows: a sort by a numeric and by a text column, a two-key advanced sort,
// a three-item filter, a find that fails and statistics over every field; and, in the same
// run, coreutils sort (LC_ALL=C) sorting the text column's texts extracted to a file.
// Targets: each under 1 s; the text sort within 2x of coreutils sort.
#include "common/columninfo.h"
#include "common/filter.h"
#include "common/find.h"
#include "common/sort.h"
#include "common/stats.h"
#include "bench/benchload.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>

namespace {

TRowStore* Store = nullptr;
std::vector<TDataList::Row> Shuffled;  // the order every sort starts from
std::vector<TColumnInfo> Columns;
std::string TextsPath;
std::map<std::string, double> Seconds;  // mean seconds per benchmark

constexpr int Name = 0, Amount = 1, Day = 2;

void Restore() { Store->DataList.Assign(Shuffled); }

template <class F>
void Timed(benchmark::State& state, const char* name, F&& body, bool restore = true) {
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (restore) Restore();
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Seconds[name] = total / double(state.iterations());
    state.counters["s"] = Seconds[name];
    state.counters["rows"] = double(Store->DataList.Count());
}

void BM_SortNumeric(benchmark::State& state) {
    Timed(state, "sort_numeric", [] { SortRows(Store->DataList, Amount, true, 'N'); });
}
BENCHMARK(BM_SortNumeric)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SortText(benchmark::State& state) {
    Timed(state, "sort_text", [] { SortRows(Store->DataList, Name, true, 'C'); });
}
BENCHMARK(BM_SortText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_AdvancedSort(benchmark::State& state) {
    const std::vector<TSortKey> keys = {{Day, 'D', 1}, {Amount, 'N', 2}};
    Timed(state, "advanced_sort_2_keys", [&] { SortRows(Store->DataList, keys); });
}
BENCHMARK(BM_AdvancedSort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Filter(benchmark::State& state) {
    const TFilterList filter = {{{"AMOUNT", 2, "1000"}, {"NAME", 7, "7"}, {"OK", 1, "T"}}};
    double total = 0;
    size_t shown = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        ApplyFilter(*Store, filter, Columns);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        shown = Store->DataList.Count();
        UndoFilter(*Store);
        state.ResumeTiming();
    }
    Seconds["filter_3_items"] = total / double(state.iterations());
    state.counters["s"] = Seconds["filter_3_items"];
    state.counters["rows_passing"] = double(shown);
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_FindFails(benchmark::State& state) {
    TFindOptions options;
    options.Text = "no such customer";
    options.FieldIndex = Name;
    options.IgnoreCase = true;
    ptrdiff_t found = 0;
    Timed(state, "find_fails", [&] { found = FindRow(Store->DataList, options); }, false);
    if (found != -1) state.SkipWithError("the search found a row");
}
BENCHMARK(BM_FindFails)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Statistics(benchmark::State& state) {
    size_t fields = 0;
    Timed(state, "statistics_all_fields", [&] { fields = FieldStatistics(Store->DataList, Columns).size(); }, false);
    state.counters["fields"] = double(fields);
}
BENCHMARK(BM_Statistics)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CoreutilsSort(benchmark::State& state) {
    const std::string cmd = "LC_ALL=C sort '" + TextsPath + "' > /dev/null";
    double total = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("coreutils sort failed");
            return;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Seconds["coreutils_sort"] = total / double(state.iterations());
    state.counters["s"] = Seconds["coreutils_sort"];
}
BENCHMARK(BM_CoreutilsSort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void Load(const std::string& path, TRowStore& store) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    Columns = ColumnInfos(dbf);
    benchtable::LoadRows(dbf, store, [] {});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchtable::BenchDir dir;
    if (!dir.Ok()) return 1;
    const std::string path = dir.Path("bench.dbf");
    benchtable::CreateBenchTable(path);
    TRowStore store;
    Store = &store;
    Load(path, store);
    Shuffled = store.DataList.Rows();
    std::shuffle(Shuffled.begin(), Shuffled.end(), std::mt19937(12345));
    TextsPath = dir.Path("names.txt");
    {
        std::ofstream out(TextsPath, std::ios::binary);
        for (TDataList::Row r : Shuffled) out << r->Text(Name) << '\n';
    }
    Restore();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nrows loaded: %zu\n", store.DataList.Count());
    for (const auto& [name, s] : Seconds) std::printf("%-24s %8.3f s%s\n", name.c_str(), s, s < 1.0 ? "" : "  (over 1 s)");
    if (Seconds.count("sort_text") && Seconds.count("coreutils_sort") && Seconds["coreutils_sort"] > 0)
        std::printf("text sort / coreutils sort: %.2f (target <= 2)\n", Seconds["sort_text"] / Seconds["coreutils_sort"]);
    return 0;
}
