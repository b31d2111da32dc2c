// The structure-change worker: adds one field to the open table or deletes a set of fields,
// in place, through the engine, reporting progress to the main window. While a field is
// added, a thread of its own builds the rows of the new layout from the list's rows (their
// texts and the new field's text; the table is not read again); the list takes them, or takes
// the deleted fields out of its rows, and the list view's columns follow, on the
// user-interface thread once the table has its new layout (UpdateMainColumns).
#pragma once

#include "common/datalist.h"
#include "common/errortext.h"
#include "common/workerthread.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDBF;

// A field to add: its name (at most 10 bytes, no blank), type letter, width, decimals, and
// the value every existing record receives (already checked and normalised by the dialog).
struct TIptFieldRec {
    std::string Name;
    char Type = 'C';
    int32_t Width = 0;
    int32_t Decimals = 0;
    std::string FillValue;
};

class TFieldEditorThread;

// What the worker asks of the window once the table has changed, on the user-interface thread.
class TFieldEditorView {
public:
    virtual ~TFieldEditorView() = default;
    // The change succeeded: the rows (job.TakeRows()) and columns follow the table's new
    // layout.
    virtual void UpdateMainColumns(TFieldEditorThread& job) = 0;
};

class TFieldEditorThread : public TWorkerThread {
public:
    enum { ModeAddField = 2, ModeDeleteFields = 3 };
    static constexpr int MaxDeleteFields = 256;

    // `messages` receives WM_PGSTART, WM_PGPROGRESS and WM_PGSTOP.
    TFieldEditorThread(TDBF* dbf, TFieldEditorView* view, QObject* messages);
    ~TFieldEditorThread() override;

    void SetMode(uint8_t mode) { Mode = mode; }
    void SetFieldDef(const TIptFieldRec& rec) { FieldDef = rec; }
    // Copies the first `count` indexes (at most 256), ascending.
    void SetDeleteFields(const int32_t* indexes, int32_t count);
    // The list's rows before the change, one per record, from which adding a field builds
    // the rows of the new layout; nothing may change them until the job has ended (other
    // threads may read them meanwhile): the job borrows them to read.
    void SetRows(const TDataList* rows);

    uint8_t GetMode() const { return Mode; }
    const TIptFieldRec& GetFieldDef() const { return FieldDef; }
    const std::vector<int32_t>& GetDeleteFields() const { return FieldIndexes; }
    // After the job: whether the table changed, the engine's failure when it did not, and the
    // record list's text of the new field (the same in every record).
    bool Succeeded() const { return Success; }
    const std::string& ErrorText() const { return Error.Text; }
    const TFailure& Failure() const { return Error; }
    const std::string& NewFieldText() const { return FieldText; }
    // After a change that succeeded: the print of each record as the change left it.
    const std::vector<uint64_t>& RecordPrints() const { return Prints; }
    // In UpdateMainColumns after a field was added to the rows given: the rows of the new
    // layout, in the same order with the same marks and record numbers (taken once; null
    // otherwise, and once the job has ended).
    // The calling thread adopts them.
    std::unique_ptr<TRowStore> TakeRows() {
        if (NewRows) NewRows->Adopt();
        return std::move(NewRows);
    }
    // The rows the list no longer shows: the worker frees them once the list has its new rows,
    // away from the user-interface thread.
    void DisposeRows(std::unique_ptr<TRowStore> rows) { OldRows = std::move(rows); }

    // How long the finished job keeps showing 100 % (milliseconds).
    static int LingerMs;

protected:
    void Execute() override;

private:
    void AddFieldJob();
    void DeleteFieldsJob();
    void SyncUpdateMainColumns();
    // The display text every row gets in the new field, as the row loader will read it once
    // the field is added; empty when the fill text does not convert (the change then fails).
    std::string ExpectedFieldText() const;
    // Builds NewRows from Rows with `text` as a new last field.
    void BuildRows(std::string_view text);
    // Posts the percent of `done` out of `total` when it differs from the last one posted.
    void Progress(int64_t done, int64_t total);

    TDBF* Dbf;
    TFieldEditorView* View;
    QObject* Messages;
    uint8_t Mode = 0;
    TIptFieldRec FieldDef;
    std::vector<int32_t> FieldIndexes;
    int LastPercent = 0;
    bool Success = false;
    TFailure Error;
    std::string FieldText;
    std::vector<uint64_t> Prints;
    const TDataList* Rows = nullptr;
    std::unique_ptr<TRowStore> NewRows, OldRows;
};

// The rows of the table after a field was added, built into a fresh store in the same order
// with the same marks and record numbers: every row gains `text` as its last field.
void CopyRowsWithField(const TDataList& from, std::string_view text, TRowStore& to);
