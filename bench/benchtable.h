// The table the benchmarks share: 1,000,000 records of 120 bytes (C, N, D, L fields), and
// pgdbf converting it for comparison.
#pragma once

#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace benchtable {

constexpr uint32_t RecordCount = 1000000;
constexpr unsigned RecordLength = 120;

// Writes the table: the header through the engine, the records in one stream.
inline void CreateBenchTable(const std::string& path, uint32_t records = RecordCount) {
    {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.AddFieldDef("NAME", 'C', 0, 90, 0);
        dbf.AddFieldDef("AMOUNT", 'N', 0, 20, 4);
        dbf.AddFieldDef("DAY", 'D', 0, 8, 0);
        dbf.AddFieldDef("OK", 'L', 0, 1, 0);
        dbf.SetHeader(0x03, 124, 5, 1, 0, 32 * 4 + 33, RecordLength, 0, 0);
        dbf.CreateTable();
    }
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::string rec(RecordLength, ' ');
    std::string chunk;
    chunk.reserve(size_t(RecordLength) * 10000);
    for (uint32_t i = 1; i <= records; ++i) {
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
        if (chunk.size() >= size_t(RecordLength) * 10000) {
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

// A fresh folder under the temporary folder, removed with the object.
class BenchDir {
public:
    BenchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vxbench-XXXXXX").string();
        if (::mkdtemp(tmpl.data())) Dir = tmpl;
    }
    ~BenchDir() {
        std::error_code ec;
        if (!Dir.empty()) std::filesystem::remove_all(Dir, ec);
    }
    std::string Path(const std::string& name) const { return (std::filesystem::path(Dir) / name).string(); }
    bool Ok() const { return !Dir.empty(); }

private:
    std::string Dir;
};

// Seconds pgdbf takes to convert the table (output discarded); negative when it failed.
inline double TimePgdbf(const std::string& path) {
    const std::string cmd = "pgdbf '" + path + "' > /dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return rc == 0 ? s : -1;
}

// pgdbf's time on the table, as a benchmark of its own in the same run.
inline void PgdbfBenchmark(benchmark::State& state, const std::string& path) {
    double seconds = 0;
    for (auto _ : state) {
        double s = TimePgdbf(path);
        if (s < 0) {
            state.SkipWithError("pgdbf failed or is not installed");
            return;
        }
        seconds += s;
    }
    const double runs = double(state.iterations());
    state.counters["pgdbf_s"] = benchmark::Counter(seconds / runs);
    state.counters["records_per_s"] = benchmark::Counter(double(RecordCount) * runs / seconds);
    state.counters["MB_per_s"] = benchmark::Counter(double(RecordCount) * RecordLength * runs / seconds / 1e6);
}

// The body of a benchmark program: makes the table in a fresh folder, points `path` at it and
// runs the registered benchmarks.
inline int RunWithBenchTable(int argc, char** argv, std::string& path) {
    BenchDir dir;
    if (!dir.Ok()) return 1;
    path = dir.Path("bench.dbf");
    CreateBenchTable(path);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchtable
