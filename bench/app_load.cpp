// The row loader on the 1,000,000-record table, without windows: time until the first 100
// rows are in the list, time to the last row, and the memory the rows hold; pgdbf converting
// the same file for comparison.
#include "app/workthread.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

std::string TablePath;

class TNullView : public TLoadView {
public:
    void SetPanelFlag(bool) override {}
    void RefreshList() override {}
    void ShowFirstItem() override {}
    void SetStatus(const std::string&) override {}
    void SetItemCount(size_t) override {}
    void DisableEditing() override {}
    void ShowLoadError(const std::string&) override {}
};

void BM_LoadRows(benchmark::State& state) {
    double first = 0, last = 0, bytes = 0;
    size_t rows = 0;
    for (auto _ : state) {
        TDBF dbf;
        dbf.SetFileName(TablePath);
        dbf.Open();
        TRowStore store;
        TNullView view;
        auto start = std::chrono::steady_clock::now();
        double tFirst = -1;
        {
            TWorkThread w(&dbf, &store, &view, nullptr);
            w.Resume();
            // The user-interface thread: serve the loader's calls and watch the list.
            while (!w.Finished()) {
                QCoreApplication::processEvents();
                if (tFirst < 0 && store.DataList.Count() >= 100)
                    tFirst = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::this_thread::yield();
            }
            w.WaitFor();
        }
        first += tFirst;
        last += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rows = store.DataList.Count();
        bytes = double(store.Pool.BytesHeld() + store.DataList.BytesHeld());
    }
    const double n = double(state.iterations());
    const double fileSize = double(std::filesystem::file_size(TablePath));
    state.counters["first_100_rows_s"] = first / n;
    state.counters["all_rows_s"] = last / n;
    state.counters["rows"] = double(rows);
    state.counters["rows_per_s"] = double(rows) * n / last;
    state.counters["row_list_MB"] = bytes / 1e6;
    state.counters["row_list_per_file_size"] = bytes / fileSize;
}
BENCHMARK(BM_LoadRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// pgdbf converting the same table, output discarded.
void BM_Pgdbf(benchmark::State& state) { benchtable::PgdbfBenchmark(state, TablePath); }
BENCHMARK(BM_Pgdbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchtable::RunWithBenchTable(argc, argv, TablePath);
}
