// Reading a table of 1,000,000 records of 120 bytes (C, N, D, L fields) through the page
// cache, every field of every record as text; and, for comparison, pgdbf converting the
// same file to SQL (output discarded).
#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr uint32_t RecordCount = 1000000;
constexpr int PageRecords = 100;
std::string TablePath;

// Writes the table: the header through the engine, the records in one stream.
void CreateBenchTable(const std::string& path) {
    {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.AddFieldDef("NAME", 'C', 0, 90, 0);
        dbf.AddFieldDef("AMOUNT", 'N', 0, 20, 4);
        dbf.AddFieldDef("DAY", 'D', 0, 8, 0);
        dbf.AddFieldDef("OK", 'L', 0, 1, 0);
        dbf.SetHeader(0x03, 124, 5, 1, 0, 32 * 4 + 33, 120, 0, 0);
        dbf.CreateTable();
    }
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::string rec(120, ' ');
    std::string chunk;
    chunk.reserve(size_t(120) * 10000);
    for (uint32_t i = 1; i <= RecordCount; ++i) {
        std::fill(rec.begin(), rec.end(), ' ');
        std::string name = "Customer number " + std::to_string(i) + " of the benchmark table";
        rec.replace(1, name.size(), name);
        char amount[32];
        int n = std::snprintf(amount, sizeof amount, "%20.4f", i * 1.25);
        rec.replace(91, size_t(n), amount, size_t(n));
        char day[16];
        std::snprintf(day, sizeof day, "2024%02u%02u", 1 + i % 12, 1 + i % 28);
        rec.replace(111, 8, day);
        rec[119] = i % 2 ? 'T' : 'F';
        chunk += rec;
        if (chunk.size() >= size_t(120) * 10000) {
            out.write(chunk.data(), std::streamsize(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), std::streamsize(chunk.size()));
    out.put('\x1A');
    out.close();
    TDBF dbf;  // opening writes the record count that matches the data
    dbf.SetFileName(path);
    dbf.Open();
}

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

// pgdbf converting the same table, output discarded; its time is reported per run.
void BM_Pgdbf(benchmark::State& state) {
    const std::string cmd = "pgdbf '" + TablePath + "' > /dev/null 2>&1";
    double seconds = 0;
    bool failed = false;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int rc = std::system(cmd.c_str());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rc != 0) failed = true;
    }
    if (failed) state.SkipWithError("pgdbf failed or is not installed");
    const double runs = double(state.iterations());
    state.counters["pgdbf_s"] = benchmark::Counter(seconds / runs);
    ReportRate(state, RecordCount, 120, seconds);
}
BENCHMARK(BM_Pgdbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "vxbench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    TablePath = (fs::path(tmpl) / "bench.dbf").string();
    CreateBenchTable(TablePath);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(tmpl, ec);
    return 0;
}
