// Save as on the 1,000,000-record table: the whole table to CSV and to a FoxPro 2.x table
// through the save-as worker, and its first 65,535 rows (a full worksheet) to ".xls" through
// LibreOffice (skipped when it is not installed). Prints the times.
#include "common/datalist.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"
#include "export/saveasthread.h"
#include "export/writers.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QObject>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

std::string OutDir;
std::unique_ptr<TDBF> Table;
std::unique_ptr<TRowStore> Rows;
std::unique_ptr<TDataList> SheetRows;  // the first 65,535 rows
std::map<std::string, double> Seconds;

void SaveAs(benchmark::State& state, uint8_t mode, const TDataList& list, const std::string& name,
            const char* file) {
    QObject sink;  // receives the worker's messages, which are dropped
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TSaveAsThread w(Table.get(), &list, &sink);
        w.SetMode(mode);
        w.SetFileName(OutDir + file);
        w.Resume();
        w.WaitFor();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QCoreApplication::removePostedEvents(&sink);
        if (w.Outcome() != TSaveAsThread::soDone || w.RowsWritten() != list.Count()) {
            state.SkipWithError(("save as failed: " + w.Message()).c_str());
            return;
        }
    }
    const double runs = double(state.iterations());
    Seconds[name] = seconds / runs;
    state.counters["s"] = seconds / runs;
    state.counters["records_per_s"] = double(list.Count()) * runs / seconds;
}

void BM_SaveAsCSV(benchmark::State& s) { SaveAs(s, TSaveAsThread::ModeCsv, Rows->DataList, "csv", "out.csv"); }
void BM_SaveAsFoxPro2(benchmark::State& s) { SaveAs(s, TSaveAsThread::ModeFoxPro2, Rows->DataList, "fox2", "out.dbf"); }
void BM_SaveAsXls65535(benchmark::State& s) {
    if (vx::FindProgram("soffice").empty()) {
        s.SkipWithError("LibreOffice is not installed");
        return;
    }
    SaveAs(s, TSaveAsThread::ModeExcel, *SheetRows, "xls", "out.xls");
}

BENCHMARK(BM_SaveAsCSV)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveAsFoxPro2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveAsXls65535)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchtable::BenchDir dir;
    if (!dir.Ok()) return 1;
    const std::string path = dir.Path("bench.dbf");
    OutDir = dir.Path("");
    benchtable::CreateBenchTable(path);
    Table = std::make_unique<TDBF>();
    Table->SetFileName(path);
    Table->SetReadOnly(true);
    Table->Open();
    Rows = std::make_unique<TRowStore>();
    SheetRows = std::make_unique<TDataList>();
    const std::vector<uint64_t> prints = Table->ReadRecordPrints();  // compared by the writers
    for (uint32_t r = 1; r <= benchtable::RecordCount; ++r) {
        TDataList::Row row = Rows->Pool.Make(false, r, {}, prints[r - 1]);
        Rows->DataList.Append(row);
        if (r <= ExcelMaxDataRows) SheetRows->Append(row);
    }
    TSaveAsThread::FinalPauseMs = 0;  // the pause after 100% is not work

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nSave as, seconds:\n");
    for (const auto& [name, label] : std::map<std::string, const char*>{
             {"csv", "CSV, 1,000,000 records"}, {"fox2", "FoxPro 2.x table, 1,000,000 records"},
             {"xls", ".xls through LibreOffice, 65,535 rows"}}) {
        if (Seconds.count(name)) std::printf("  %-40s %8.2f\n", label, Seconds[name]);
        else std::printf("  %-40s skipped\n", label);
    }
    Table.reset();
    return 0;
}
