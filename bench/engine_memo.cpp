// Reading memos: a Visual FoxPro table of 100,000 records, each with a memo of a few hundred
// bytes, every memo read through the table, record by record and through the page cache.
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>

namespace {

constexpr uint32_t MemoRecords = 100000;
constexpr uint32_t BlockSize = 64;
std::string TablePath;

void PutLE32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i));
}
std::string BE32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// The memo text of record i: 200 to 455 bytes.
std::string MemoText(uint32_t i) {
    std::string text = "Memo of record " + std::to_string(i) + ": ";
    while (text.size() < 200 + i % 256) text += "the quick brown fox jumps over the lazy dog; ";
    text.resize(200 + i % 256);
    return text;
}

// Writes the table (NAME C20, NOTES M4) and its memo file; headers through the engine, the
// records and memo blocks in one stream each.
void CreateMemoTable(const std::string& path) {
    {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.AddFieldDef("NAME", 'C', 0, 20, 0);
        dbf.AddFieldDef("NOTES", 'M', 0, 4, 0);
        dbf.SetHeader(0x30, 124, 5, 1, 0, 32 * 2 + 33 + 263, 25, 0x02, 0);
        dbf.CreateTable();
    }
    const std::string memoPath = path.substr(0, path.size() - 4) + ".fpt";
    std::ofstream table(path, std::ios::binary | std::ios::app), memo(memoPath, std::ios::binary | std::ios::app);
    uint32_t next = 512 / BlockSize;
    std::string rec(25, ' ');
    for (uint32_t i = 1; i <= MemoRecords; ++i) {
        std::fill(rec.begin(), rec.end(), ' ');
        std::string name = "Record " + std::to_string(i);
        rec.replace(1, name.size(), name);
        PutLE32(rec, 21, next);
        table.write(rec.data(), std::streamsize(rec.size()));
        const std::string text = MemoText(i);
        std::string block = BE32(1) + BE32(uint32_t(text.size())) + text;
        const uint32_t blocks = uint32_t((block.size() + BlockSize - 1) / BlockSize);
        block.resize(size_t(blocks) * BlockSize, '\0');
        memo.write(block.data(), std::streamsize(block.size()));
        next += blocks;
    }
    table.close();
    memo.close();
    std::fstream head(memoPath, std::ios::binary | std::ios::in | std::ios::out);
    head.seekp(0);
    head.write(BE32(next).data(), 4);
    head.close();
    TDBF dbf;  // opening writes the record count that matches the data
    dbf.SetFileName(path);
    dbf.Open();
}

void Report(benchmark::State& state, uint32_t records, size_t bytes, double seconds) {
    if (seconds <= 0) return;
    const double n = double(state.iterations());
    state.counters["records_per_s"] = benchmark::Counter(double(records) * n / seconds);
    state.counters["memo_MB_per_s"] = benchmark::Counter(double(bytes) / seconds / 1e6);
}

void BM_ReadEveryMemoByRecord(benchmark::State& state) {
    TDBF dbf;
    dbf.SetFileName(TablePath);
    dbf.SetReadOnly(true);
    dbf.Open();
    const uint32_t count = dbf.GetRecordCount();
    std::string text;
    size_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (uint32_t r = 1; r <= count; ++r) {
            dbf.Go(r);
            dbf.GetMemo("NOTES", text);
            bytes += text.size();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, count, bytes, seconds);
}
BENCHMARK(BM_ReadEveryMemoByRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

// As the row loader reads: pages of records, then the memo of each.
void BM_ReadEveryMemoThroughPageCache(benchmark::State& state) {
    TDBF dbf;
    dbf.SetFileName(TablePath);
    dbf.SetReadOnly(true);
    dbf.Open();
    const uint32_t count = dbf.GetRecordCount();
    constexpr int PageRecords = 100;
    std::string text;
    size_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        dbf.AllocPage(PageRecords);
        for (int64_t p = 1;; ++p) {
            const int got = dbf.ReadPage(p, PageRecords);
            for (int k = 1; k <= got; ++k) {
                dbf.SelectPageRecord(k);
                dbf.GetMemo("NOTES", text);
                bytes += text.size();
            }
            if (got < PageRecords) break;
        }
        dbf.FreePage();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, count, bytes, seconds);
}
BENCHMARK(BM_ReadEveryMemoThroughPageCache)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchtable::BenchDir dir;
    if (!dir.Ok()) return 1;
    TablePath = dir.Path("memo.dbf");
    CreateMemoTable(TablePath);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
