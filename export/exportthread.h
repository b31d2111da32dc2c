// The export worker: runs the writer of the chosen file type over the chosen rows and columns
// of the open table, reporting to the export dialog through calls on the user-interface
// thread. The dialog is locked from the start of the run to its end, on every way out.
#pragma once

#include "common/datalist.h"
#include "common/workerthread.h"
#include "export/rowsource.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TDBF;
enum class TMsgBoxIcon;

// What the worker asks of its dialog, always on the user-interface thread.
class TExportView {
public:
    virtual ~TExportView() = default;
    virtual void BeginExport() = 0;  // lock the dialog
    virtual void EndExport() = 0;    // unlock it
    // Kind 1: running (Current = the place in the range, Total = the range total); kind 2:
    // done with Total rows; kind 3: stopped after Total rows; kind 4: failed. The output file
    // name goes with kinds 2 and 3.
    virtual void ExportProgress(int kind, size_t current, size_t total, const std::string& fileName) = 0;
    virtual void ExportMessage(const QString& caption, const QString& text, TMsgBoxIcon icon) = 0;
};

class TExportThread : public TWorkerThread {
public:
    // Progress kinds of ReportProgress.
    enum { pkRunning = 1, pkDone = 2, pkStopped = 3, pkFailed = 4 };

    // The worker reads `table` and `list` while it runs, borrowing the table whole and the list
    // to read; both must outlive it.
    TExportThread(TDBF* table, const TDataList* list);
    ~TExportThread() override;

    void SetForm(TExportView* view) { FForm = view; }
    void SetFileName(const std::string& name) { FFileName = name; }
    void SetFileType(uint8_t type) { FFileType = type; }
    // The chosen fields by index, in output order.
    void SetColumns(const std::vector<int>& fieldIndexes) { FColumns = fieldIndexes; }
    // The rows of the list to write (all of them unless set).
    void SetRows(TRowRange rows) { FRows = std::move(rows); }
    void SetExportDeleted(bool value) { FExportDeleted = value; }
    void SetExportMemo(bool value) { FExportMemo = value; }

    // Runs the view's progress call on the user-interface thread.
    void ReportProgress(int kind, size_t current, size_t total);

    // Rows between two running reports for a file type: table kinds 2000, the spreadsheet 20,
    // the text formats 500.
    static size_t Cadence(uint8_t fileType);

    // Rows the last run wrote (for tests and the final texts).
    size_t RowsWritten() const { return Written; }

protected:
    void Execute() override;

private:
    void Export();
    void Message(const QString& caption, const QString& text, TMsgBoxIcon icon);

    TDBF* Table;
    const TDataList* List;
    TExportView* FForm = nullptr;
    uint8_t FFileType = 0;
    std::string FFileName;
    std::vector<int> FColumns;
    TRowRange FRows;
    bool FExportDeleted = true;
    bool FExportMemo = false;
    size_t Written = 0;
};

// The final texts.
QString ExportedText(const std::string& fileName);
QString StoppedText(size_t rows, const std::string& fileName);
QString CappedText(const std::string& fileName);
