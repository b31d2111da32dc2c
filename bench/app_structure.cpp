// Adding and deleting a field of the 1,000,000-record table (120 bytes per record) from the
// main window: from the command (after its dialog) to the list showing the new layout, and the
// engine's own AddField and RemoveFields on the same file in the same run.
#include "app/datalist.h"
#include "app/datalistmodel.h"
#include "app/formmain.h"
#include "app/programfiles.h"
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
    state.counters["engine_add_s"] = engineAdd / n;
    state.counters["window_add_s"] = windowAdd / n;
    state.counters["add_ratio"] = windowAdd / engineAdd;
    state.counters["engine_delete_s"] = engineDelete / n;
    state.counters["window_delete_s"] = windowDelete / n;
    state.counters["delete_ratio"] = windowDelete / engineDelete;
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_AddDeleteField)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchtable::BenchDir settings;
    vx::SetProgramFilesDir(settings.Path("") + "/");
    return benchtable::RunWithBenchTable(argc, argv, TablePath);
}
