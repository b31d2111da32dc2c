// Changing the structure of the 1,000,000-record benchmark table (120 bytes per record, C, N,
// D, L fields) in place: adding a field and deleting it again, as the structure-change worker
// does (with the safety copy of the table), and the in-place steps alone.
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

std::string TablePath;
const int32_t AddedField[] = {4};  // the field the add benchmarks append

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, uint32_t records, double seconds) {
    if (seconds > 0) state.counters["records_per_s"] = benchmark::Counter(double(records) * double(state.iterations()) / seconds);
}

struct Table {
    TDBF Dbf;
    Table() {
        Dbf.SetFileName(TablePath);
        Dbf.Open();
    }
};

// AddField: checks, safety copy, GrowForField, WidenRecord per record, AppendFieldDef.
void BM_AddField(benchmark::State& state) {
    Table t;
    const uint32_t records = t.Dbf.GetRecordCount();
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (!t.Dbf.AddField("ADDED", 'N', 10, 2, "1.5")) state.SkipWithError("AddField refused");
        seconds += Since(start);
        state.PauseTiming();
        t.Dbf.RemoveFields(AddedField, 1);
        state.ResumeTiming();
    }
    Report(state, records, seconds);
}
BENCHMARK(BM_AddField)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// RemoveFields: safety copy, RemoveFieldDefs, NarrowRecord per record, FinishFieldRemoval.
void BM_DeleteField(benchmark::State& state) {
    Table t;
    const uint32_t records = t.Dbf.GetRecordCount();
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.Dbf.AddField("ADDED", 'N', 10, 2, "1.5");
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        if (!t.Dbf.RemoveFields(AddedField, 1)) state.SkipWithError("RemoveFields refused");
        seconds += Since(start);
    }
    Report(state, records, seconds);
}
BENCHMARK(BM_DeleteField)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The six steps alone, as the worker's calling order has them, without the safety copy: an
// add followed by the delete of the same field.
void BM_AddThenDeleteStepsOnly(benchmark::State& state) {
    Table t;
    const uint32_t records = t.Dbf.GetRecordCount();
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        const int64_t n = t.Dbf.GetRecordCount();
        t.Dbf.GrowForField(10);
        for (int64_t i = n - 1; i >= 0; --i) t.Dbf.WidenRecord(i, 'N', 10, 2, "1.5");
        TField* last = t.Dbf.GetField(t.Dbf.FieldCount - 1);
        t.Dbf.AppendFieldDef("ADDED", 'N', last->GetOffset() + last->GetLength(), 10, 2);
        const uint16_t r = t.Dbf.GetRecordLength();
        t.Dbf.RemoveFieldDefs(AddedField, 1);
        for (int64_t i = 0; i < n; ++i) t.Dbf.NarrowRecord(i, r, 1);
        t.Dbf.FinishFieldRemoval();
        seconds += Since(start);
    }
    // Two passes over the records per iteration.
    Report(state, 2 * records, seconds);
}
BENCHMARK(BM_AddThenDeleteStepsOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return benchtable::RunWithBenchTable(argc, argv, TablePath); }
