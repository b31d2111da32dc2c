// Loading a table's rows through the row loader without a window, for the benchmarks of the
// application.
#pragma once

#include "common/workthread.h"
#include "engine/dbf.h"

#include <QCoreApplication>

#include <thread>

namespace benchtable {

// A load view that shows nothing.
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

// Loads the rows of the open table into `store`, serving the loader's calls on this thread;
// `watch` runs after every round of them (to see the list grow).
template <class Watch>
void LoadRows(TDBF& dbf, TRowStore& store, Watch&& watch) {
    TNullView view;
    TWorkThread w(&dbf, &store, &view, nullptr);
    w.Resume();
    while (!w.Finished()) {
        QCoreApplication::processEvents();
        watch();
        std::this_thread::yield();
    }
    w.WaitFor();
}

}  // namespace benchtable
