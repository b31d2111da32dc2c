// Adding and deleting a field of the 1,000,000-record table (120 bytes per record) from the
// main window: from the command (after its dialog) to the list showing the new layout; and, on
// the same file in the same run, the engine's own AddField and RemoveFields, cp copying the
// file and GDAL adding a column to a copy. Prints the ratios against the targets: the window
// within 1.2x of the engine, adding within 5x of the copy and at least 3x faster than GDAL,
// deleting within 5x of the copy.
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "mainwindow/formmain.h"
#include "common/programfiles.h"
#include "bench/benchtable.h"
#include "editors/fieldeditorthread.h"
#include "engine/dbf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace {

std::string TablePath;
const int32_t AddedField[] = {4};  // the field the benchmark appends and deletes

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool WaitUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 600000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// One change from the window: seconds until the list shows the new layout.
double WindowChange(TFormMain& form, bool add) {
    double shown = -1;
    const auto start = Clock::now();
    form.OnStructureShown = [&] { shown = Since(start); };
    if (add) form.StartFieldAdd({"ADDED", 'N', 10, 2, "1.50"});
    else form.StartFieldDelete({AddedField[0]});
    WaitUntil([&] { return !form.FieldEditorThread && !form.IsWorking(); });
    form.OnStructureShown = nullptr;
    return shown;
}

void BM_AddDeleteField(benchmark::State& state) {
    double engineAdd = 0, engineDelete = 0, windowAdd = 0, windowDelete = 0;
    size_t rows = 0;
    TFieldEditorThread::LingerMs = 0;  // the pause that shows 100 % is no work
    TFormMain form;
    form.Open(QString::fromStdString(TablePath));
    WaitUntil([&] { return form.IsLoadOver() && !form.IsWorking(); });
    for (auto _ : state) {
        {
            TDBF dbf;
            dbf.SetFileName(TablePath);
            dbf.Open();
            auto start = Clock::now();
            dbf.AddField("ADDED", 'N', 10, 2, "1.50");
            engineAdd += Since(start);
            start = Clock::now();
            dbf.RemoveFields(AddedField, 1);
            engineDelete += Since(start);
        }
        windowAdd += WindowChange(form, true);
        rows = form.DataList() ? form.DataList()->Count() : 0;
        windowDelete += WindowChange(form, false);
    }
    const double n = double(state.iterations());
    auto& seconds = benchtable::Seconds();
    seconds["engine_add"] = engineAdd / n;
    seconds["window_add"] = windowAdd / n;
    seconds["engine_delete"] = engineDelete / n;
    seconds["window_delete"] = windowDelete / n;
    state.counters["engine_add_s"] = engineAdd / n;
    state.counters["window_add_s"] = windowAdd / n;
    state.counters["engine_delete_s"] = engineDelete / n;
    state.counters["window_delete_s"] = windowDelete / n;
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_AddDeleteField)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Copy(benchmark::State& state) { benchtable::CopyBenchmark(state, TablePath); }
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_GdalAddColumn(benchmark::State& state) { benchtable::GdalAddColumnBenchmark(state, TablePath); }
BENCHMARK(BM_GdalAddColumn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void PrintReport() {
    benchtable::PrintSeconds({{"add a field, engine", "engine_add"},
                              {"add a field, window", "window_add"},
                              {"delete it, engine", "engine_delete"},
                              {"delete it, window", "window_delete"},
                              {"cp of the table", "cp"},
                              {"GDAL ALTER TABLE ADD COLUMN", "gdal_add"}});
    std::printf("\n");
    benchtable::PrintRatio("window add / engine add", "window_add", "engine_add", 1.2);
    benchtable::PrintRatio("window delete / engine delete", "window_delete", "engine_delete", 1.2);
    benchtable::PrintRatio("engine add / cp", "engine_add", "cp", 5);
    benchtable::PrintRatio("window add / cp", "window_add", "cp", 5);
    benchtable::PrintRatio("GDAL add / engine add", "gdal_add", "engine_add", 3, false);
    benchtable::PrintRatio("GDAL add / window add", "gdal_add", "window_add", 3, false);
    benchtable::PrintRatio("engine delete / cp", "engine_delete", "cp", 5);
    benchtable::PrintRatio("window delete / cp", "window_delete", "cp", 5);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchtable::BenchDir settings;
    vx::SetProgramFilesDir(settings.Path("") + "/");
    return benchtable::RunWithBenchTable(argc, argv, TablePath, PrintReport);
}
