// Loading the 1,000,000-record table, in one run so the figures compare: the row loader alone
// (no window: time until the first 100 rows are in the list, time to the last row, the memory
// the rows hold), the same table opened in the real main window (offscreen, from Open until the
// load is over and its messages are handled), and pgdbf converting the same file.
#include "mainwindow/formmain.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "bench/benchload.h"
#include "bench/benchtable.h"
#include "engine/dbf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <chrono>

namespace {

std::string TablePath;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_LoadRows(benchmark::State& state) {
    double first = 0, last = 0, bytes = 0;
    size_t rows = 0;
    for (auto _ : state) {
        TDBF dbf;
        dbf.SetFileName(TablePath);
        dbf.Open();
        TRowStore store;
        auto start = std::chrono::steady_clock::now();
        double tFirst = -1;
        benchtable::LoadRows(dbf, store, [&] {
            if (tFirst < 0 && store.DataList.Count() >= 100) tFirst = Seconds(start);
        });
        first += tFirst;
        last += Seconds(start);
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

// The real main window, shown on the offscreen platform: Open, then the event loop runs until
// every row is in the list and the loader's stop message is handled.
void BM_LoadInMainWindow(benchmark::State& state) {
    benchtable::BenchDir programDir;
    vx::SetProgramFilesDir(programDir.Path(""));
    Option = new TOption();
    Option->AlwayShowTipOfTheDay = false;
    Option->WelcomePage = false;
    double total = 0, first = 0, open = 0;
    size_t rows = 0;
    {
        TFormMain form;
        form.show();
        QCoreApplication::processEvents();
        for (auto _ : state) {
            auto start = std::chrono::steady_clock::now();
            double tFirst = -1;
            form.Open(QString::fromStdString(TablePath));
            open += Seconds(start);
            while (!(form.IsLoadOver() && !form.IsWorking() && form.WorkThread && form.WorkThread->Finished())) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                if (tFirst < 0 && form.DataList() && form.DataList()->Count() >= 100) tFirst = Seconds(start);
            }
            total += Seconds(start);
            first += tFirst;
            rows = form.DataList()->Count();
        }
        form.Close(true);
    }
    delete Option;
    Option = nullptr;
    vx::SetProgramFilesDir(std::string());
    const double n = double(state.iterations());
    state.counters["open_s"] = open / n;  // Open itself, before the loader runs
    state.counters["first_100_rows_s"] = first / n;
    state.counters["all_rows_s"] = total / n;
    state.counters["rows"] = double(rows);
    state.counters["rows_per_s"] = double(rows) * n / total;
}
BENCHMARK(BM_LoadInMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// pgdbf converting the same table, output discarded.
void BM_Pgdbf(benchmark::State& state) { benchtable::PgdbfBenchmark(state, TablePath); }
BENCHMARK(BM_Pgdbf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return benchtable::RunWithBenchTable(argc, argv, TablePath);
}
