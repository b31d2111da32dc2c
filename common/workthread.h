// The row loader: reads the open table on a worker thread, a page of 100 records at a time,
// and appends one row of display texts per record to the row list while the list view shows
// what has arrived.
#pragma once

#include "common/datalist.h"
#include "common/workerthread.h"

#include <QObject>

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TDBF;

// What the loader asks of the window, always on the user-interface thread.
class TLoadView {
public:
    virtual ~TLoadView() = default;
    virtual void SetPanelFlag(bool on) = 0;       // double-buffers the row-count panel
    virtual void RefreshList() = 0;               // repaints the record list
    virtual void ShowFirstItem() = 0;             // scrolls row 0 into view, selecting nothing
    virtual void SetStatus(const std::string& text) = 0;  // the row-count panel's caption
    virtual void SetItemCount(size_t count) = 0;  // the record list's item count
    virtual void DisableEditing() = 0;            // after a load that did not reach the end
    virtual void ShowLoadError(const std::string& text) = 0;
    // The worksheet import: the list's columns (one per caption, 100 wide) and a message box
    // "Error" without icon when the worksheet cannot be read at all.
    virtual void SetImportColumns(const std::vector<std::string>& /*captions*/) {}
    virtual void ShowImportError(const std::string& text) { ShowLoadError(text); }
};

// Reads the first sheet of a workbook for the import: calls `row` with each row's cell texts
// (table bytes) from sheet row 1 until it returns false; returns an empty text, or the message
// that says why the workbook could not be read at all. `stop` ends the reading early.
using TWorksheetReader = std::function<std::string(const std::string& fileName, const std::function<bool()>& stop,
                                                   const std::function<bool(const std::vector<std::string>&)>& row)>;

class TWorkThread : public TWorkerThread {
public:
    // Mode 0 loads the table, mode 1 imports a worksheet.
    enum { ModeLoadTable = 0, ModeLoadExcel = 1 };

    // `messages` receives WM_WORKSTART and WM_WORKSTOP; `view` the synchronous calls. The
    // loader borrows the table whole, and the pool and DataList of `rows` to append.
    TWorkThread(TDBF* dbf, TRowStore* rows, TLoadView* view, QObject* messages);
    ~TWorkThread() override;

    void SetMode(int mode) { Mode = mode; }
    void SetFileName(const std::string& name) { FileName = name; }
    // What the import mode reads the worksheet with.
    void SetWorksheetReader(TWorksheetReader reader) { Reader = std::move(reader); }
    int GetMode() const { return Mode; }

    // Rows per page and how often the status text changes.
    static constexpr int PageSize = 100;
    static constexpr size_t StatusEvery = 2000;
    // Imported rows between two updates of the item count and the status.
    static constexpr size_t ImportEvery = 20;

    // Called on the worker thread with the row count at every status point, before the status
    // goes out (a seam for tests: it may stop the load there, or fail it by throwing).
    std::function<void(size_t rows)> OnStatusPoint;

protected:
    void Execute() override;

private:
    void DoWork();
    void LoadTable();
    void LoadExcel();
    void Finish(size_t rows, uint32_t total);

    // Calls on the user-interface thread. The loader waits only for those at its end (the item
    // count, disabling the editing commands, and Finish): the panel flag, the repaints and the
    // status texts are queued, and the user-interface thread runs them, in order, when it gets
    // to them, so that the loader never waits for the window. Every queued call has run before
    // any waiting call does.
    void SyncSetPanelFlag(bool on);
    void SyncRefreshList();
    void SyncShowFirstItem();
    void SyncSetStatus(const std::string& text);
    void SyncSetItemCount(size_t count);
    void SyncDisableEditing();
    void SyncSetImportColumns(const std::vector<std::string>& captions);
    // Queues a call for the user-interface thread without waiting.
    void Queue(std::function<void(TLoadView&)> call);
    // Runs `fn` on the user-interface thread after the queued calls, and waits.
    void SyncAfterQueued(const std::function<void()>& fn);

    // The queued calls, and the receiver on the user-interface thread that runs them (deleted
    // with the loader, so that no call of a gone loader is ever run).
    struct TViewQueue {
        std::mutex Mutex;
        std::vector<std::function<void(TLoadView&)>> Calls;
        bool Posted = false;
        TLoadView* View = nullptr;
        void Run();
    };
    std::shared_ptr<TViewQueue> Queued;
    QObject* QueueWaker = nullptr;

    TDBF* Dbf;
    TRowStore* Rows;
    TLoadView* View;
    QObject* Messages;
    int Mode = ModeLoadTable;
    std::string FileName;
    TWorksheetReader Reader;
    uint32_t Total = 0;
};

// Builds into `row` the row of the table's current record, record `recNo`, as the loader
// builds it: its mark, its number, its print and the display text of every field.
void BuildRecordRow(TDBF& dbf, uint32_t recNo, TRowBuilder& row, std::string& scratch);

// "OnShow/Total:%d/%d" and "Loading.. [%d/%d]".
std::string OnShowTotalText(size_t shown, size_t total);
std::string LoadingText(size_t rows, size_t total);
// "OnShow/Total:%d" and "Loading.. [%d]" of the worksheet import.
std::string ImportTotalText(size_t rows);
std::string ImportLoadingText(size_t rows);
