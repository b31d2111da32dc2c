// The writers on the 1,000,000-record table: all rows and fields to CSV in file order and in
// a shuffled order (as a sorted list has them), to a Visual FoxPro table and to HTML; and, on
// the same file in the same run, ogr2ogr converting it to CSV, pgdbf converting it to SQL and
// cp copying it (each skipped when missing). Prints the ratios against the targets: CSV
// faster than ogr2ogr and within 2x of pgdbf, shuffled CSV within 1.5x of file order, the
// table within 3x of the copy.
#include "common/datalist.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"
#include "export/writers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <random>
#include <memory>
#include <string>

namespace {

using benchtable::Seconds;

std::string TablePath;
std::string OutDir;
std::unique_ptr<TDBF> Table;
std::unique_ptr<TRowStore> Rows, Shuffled;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, const std::string& name, double seconds) {
    const double runs = double(state.iterations());
    Seconds()[name] = seconds / runs;
    state.counters["s"] = seconds / runs;
    state.counters["records_per_s"] = double(benchtable::RecordCount) * runs / seconds;
}

void Writer(benchmark::State& state, TOutputKind kind, const std::string& name, const char* file,
            const TRowStore& rows = *Rows) {
    TRowSource src;
    src.Table = Table.get();
    src.List = &rows.DataList;
    for (int i = 0; i < Table->FieldCount; ++i) src.Fields.push_back(i);
    TProgressSink sink;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        const TWriteResult r = WriteOutput(kind, OutDir + file, src, sink);
        seconds += Since(start);
        if (r.Written != benchtable::RecordCount) state.SkipWithError("not every row was written");
    }
    Report(state, name, seconds);
}

void Command(benchmark::State& state, const std::string& name, const std::string& command) {
    benchtable::CommandBenchmark(state, name, command);
}

void BM_WriteCSV(benchmark::State& s) { Writer(s, TOutputKind::Csv, "csv", "out.csv"); }
void BM_WriteCSVShuffled(benchmark::State& s) { Writer(s, TOutputKind::Csv, "csv_shuffled", "shuffled.csv", *Shuffled); }
void BM_WriteVisualFoxPro(benchmark::State& s) { Writer(s, TOutputKind::VisualFoxPro, "vfp", "out.dbf"); }
void BM_WriteHTML(benchmark::State& s) { Writer(s, TOutputKind::Html, "html", "out.html"); }
void BM_Ogr2ogrCSV(benchmark::State& s) {
    Command(s, "ogr2ogr", "rm -f " + OutDir + "ogr.csv && ogr2ogr -f CSV " + OutDir + "ogr.csv '" + TablePath + "'");
}
void BM_Pgdbf(benchmark::State& s) { Command(s, "pgdbf", "pgdbf '" + TablePath + "'"); }
void BM_Copy(benchmark::State& s) { Command(s, "cp", "cp '" + TablePath + "' " + OutDir + "copy.dbf"); }

BENCHMARK(BM_WriteCSV)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WriteCSVShuffled)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WriteVisualFoxPro)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WriteHTML)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Ogr2ogrCSV)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Pgdbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchtable::BenchDir dir;
    if (!dir.Ok()) return 1;
    TablePath = dir.Path("bench.dbf");
    OutDir = dir.Path("");
    benchtable::CreateBenchTable(TablePath);
    Table = std::make_unique<TDBF>();
    Table->SetFileName(TablePath);
    Table->SetReadOnly(true);
    Table->Open();
    // Rows without texts (the writers take every value from the table), each with the print
    // of its record, which the writers compare.
    Rows = std::make_unique<TRowStore>();
    const std::vector<uint64_t> prints = Table->ReadRecordPrints();
    for (uint32_t r = 1; r <= benchtable::RecordCount; ++r)
        Rows->DataList.Append(Rows->Pool.Make(false, r, {}, prints[r - 1]));
    // The same rows in an order that has nothing to do with the file's.
    Shuffled = std::make_unique<TRowStore>();
    std::vector<TDataList::Row> order = Rows->DataList.Rows();
    std::shuffle(order.begin(), order.end(), std::mt19937(24));
    Shuffled->DataList.Assign(order);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    benchtable::PrintSeconds({{"CSV, file order", "csv"}, {"CSV, shuffled order", "csv_shuffled"}});
    std::printf("\n");
    benchtable::PrintRatio("CSV / ogr2ogr -f CSV", "csv", "ogr2ogr", 1);
    benchtable::PrintRatio("CSV / pgdbf", "csv", "pgdbf", 2);
    benchtable::PrintRatio("CSV shuffled / CSV file order", "csv_shuffled", "csv", 1.5);
    benchtable::PrintRatio("Visual FoxPro table / cp", "vfp", "cp", 3);
    benchtable::PrintRatio("HTML / pgdbf", "html", "pgdbf", 0);
    Table.reset();
    return 0;
}
