// Reading a table of 1,000,000 records of 120 bytes (C, N, D, L fields) through the page
// cache, every field of every record as text; and, for comparison, pgdbf converting the
// same file to SQL (output discarded).
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using benchtable::RecordCount;
constexpr int PageRecords = 100;
std::string TablePath;

// Records per second and megabytes (10^6 bytes) of records per second.
void ReportRate(benchmark::State& state, uint32_t records, unsigned recordLength, double seconds) {
    if (seconds <= 0) return;
    const double total = double(records) * double(state.iterations());
    state.counters["records_per_s"] = benchmark::Counter(total / seconds);
    state.counters["MB_per_s"] = benchmark::Counter(total * recordLength / seconds / 1e6);
}

void BM_ReadEveryFieldThroughPageCache(benchmark::State& state) {
    TDBF dbf;
    dbf.SetFileName(TablePath);
    dbf.SetReadOnly(true);
    dbf.Open();
    const uint32_t count = dbf.GetRecordCount();
    const int64_t pages = (int64_t(count) + PageRecords - 1) / PageRecords;
    std::vector<TField*> fields;
    for (int i = 0; i < dbf.FieldCount; ++i) fields.push_back(dbf.GetField(i));
    std::string text;
    size_t chars = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        dbf.AllocPage(PageRecords);
        for (int64_t p = 1; p <= pages; ++p) {
            int got = dbf.ReadPage(p, PageRecords);
            for (int k = 1; k <= got; ++k) {
                dbf.SelectPageRecord(k);
                for (TField* f : fields) {
                    f->GetAsString(text);
                    chars += text.size();
                }
            }
        }
        dbf.FreePage();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    benchmark::DoNotOptimize(chars);
    ReportRate(state, count, dbf.GetRecordLength(), seconds);
}
BENCHMARK(BM_ReadEveryFieldThroughPageCache)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with a new string per value, as a row loader that keeps every text does.
void BM_ReadEveryFieldNewStrings(benchmark::State& state) {
    TDBF dbf;
    dbf.SetFileName(TablePath);
    dbf.SetReadOnly(true);
    dbf.Open();
    const uint32_t count = dbf.GetRecordCount();
    const int64_t pages = (int64_t(count) + PageRecords - 1) / PageRecords;
    size_t chars = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        dbf.AllocPage(PageRecords);
        for (int64_t p = 1; p <= pages; ++p) {
            int got = dbf.ReadPage(p, PageRecords);
            for (int k = 1; k <= got; ++k) {
                dbf.SelectPageRecord(k);
                for (int i = 0; i < dbf.FieldCount; ++i) chars += dbf.GetField(i)->GetAsString().size();
            }
        }
        dbf.FreePage();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    benchmark::DoNotOptimize(chars);
    ReportRate(state, count, dbf.GetRecordLength(), seconds);
}
BENCHMARK(BM_ReadEveryFieldNewStrings)->Unit(benchmark::kMillisecond)->UseRealTime();

// pgdbf converting the same table, output discarded.
void BM_Pgdbf(benchmark::State& state) { benchtable::PgdbfBenchmark(state, TablePath); }
BENCHMARK(BM_Pgdbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return benchtable::RunWithBenchTable(argc, argv, TablePath); }
