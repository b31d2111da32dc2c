// The table the benchmarks share: 1,000,000 records of 120 bytes (C, N, D, L fields); other
// programs on it for comparison (pgdbf, cp, GDAL); and the ratios printed after a run.
#pragma once

#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
    // The record count in the header, for the engine and the other programs alike.
    std::fstream head(path, std::ios::binary | std::ios::in | std::ios::out);
    const char count[4] = {char(records), char(records >> 8), char(records >> 16), char(records >> 24)};
    head.seekp(4);
    head.write(count, 4);
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

// Seconds a shell command takes (its output discarded); negative when it fails.
inline double TimeCommand(const std::string& command) {
    auto start = std::chrono::steady_clock::now();
    int rc = std::system((command + " > /dev/null 2>&1").c_str());
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return rc == 0 ? s : -1;
}

// Mean seconds per run of what a benchmark measured, by name, for the ratios.
inline std::map<std::string, double>& Seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// A command's time as a benchmark of its own; `prepare` runs untimed before each run. Skipped
// when the command fails or is missing.
inline void CommandBenchmark(benchmark::State& state, const std::string& name, const std::string& command,
                             const std::string& prepare = "") {
    double seconds = 0;
    for (auto _ : state) {
        if (!prepare.empty() && TimeCommand(prepare) < 0) {
            state.SkipWithError(("could not prepare " + name).c_str());
            return;
        }
        const double s = TimeCommand(command);
        if (s < 0) {
            state.SkipWithError((name + " failed or is not installed").c_str());
            return;
        }
        seconds += s;
    }
    Seconds()[name] = seconds / double(state.iterations());
    state.counters["s"] = Seconds()[name];
}

// cp copying the table, and GDAL adding a column to a copy of it (the copy made untimed).
inline void CopyBenchmark(benchmark::State& state, const std::string& path) {
    CommandBenchmark(state, "cp", "cp '" + path + "' '" + path + ".cp.dbf'");
}
inline void GdalAddColumnBenchmark(benchmark::State& state, const std::string& path) {
    const std::string copy = path.substr(0, path.size() - 4) + "_gdal.dbf";
    const std::string layer = std::filesystem::path(copy).stem().string();
    CommandBenchmark(state, "gdal_add",
                     "ogrinfo '" + copy + "' -sql \"ALTER TABLE " + layer + " ADD COLUMN ADDED numeric(10,2)\"",
                     "cp '" + path + "' '" + copy + "'");
}

// Prints a / b, and whether it is below `target` (above it when `below` is false; no target
// when 0).
inline void PrintRatio(const char* text, const std::string& a, const std::string& b, double target, bool below = true) {
    auto& s = Seconds();
    if (!s.count(a) || !s.count(b)) {
        std::printf("%-36s skipped (%s not measured)\n", text, s.count(a) ? b.c_str() : a.c_str());
        return;
    }
    const double ratio = s[a] / s[b];
    if (target <= 0) {
        std::printf("%-36s %6.2f\n", text, ratio);
        return;
    }
    const bool met = below ? ratio < target : ratio >= target;
    std::printf("%-36s %6.2f  (target %s %.1f: %s)\n", text, ratio, below ? "below" : "at least", target,
                met ? "met" : "MISSED");
}

// Prints the mean seconds of these measurements side by side.
inline void PrintSeconds(const std::vector<std::pair<const char*, std::string>>& rows) {
    for (const auto& [text, name] : rows) {
        if (Seconds().count(name)) std::printf("%-36s %8.3f s\n", text, Seconds()[name]);
        else std::printf("%-36s %8s\n", text, "skipped");
    }
}

// The body of a benchmark program: makes the table in a fresh folder, points `path` at it,
// runs the registered benchmarks and then `report`.
inline int RunWithBenchTable(int argc, char** argv, std::string& path, const std::function<void()>& report = {}) {
    BenchDir dir;
    if (!dir.Ok()) return 1;
    path = dir.Path("bench.dbf");
    CreateBenchTable(path);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (report) {
        std::printf("\n");
        report();
    }
    return 0;
}

}  // namespace benchtable
