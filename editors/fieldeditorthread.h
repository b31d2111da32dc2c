// The structure-change worker: adds one field to the open table or deletes a set of fields,
// in place, through the engine, reporting progress to the main window. It changes only the
// table; the row list and the list view's columns follow on the user-interface thread, once
// the table has its new layout (UpdateMainColumns).
#pragma once

#include "app/datalist.h"
#include "app/errortext.h"
#include "app/workerthread.h"

#include <QObject>

#include <cstdint>
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
    // The change succeeded: the rows and columns follow the table's new layout.
    virtual void UpdateMainColumns(const TFieldEditorThread& job) = 0;
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

    uint8_t GetMode() const { return Mode; }
    const TIptFieldRec& GetFieldDef() const { return FieldDef; }
    const std::vector<int32_t>& GetDeleteFields() const { return FieldIndexes; }
    // After the job: whether the table changed, the engine's failure when it did not, and the
    // record list's text of the new field (the same in every record).
    bool Succeeded() const { return Success; }
    const std::string& ErrorText() const { return Error.Text; }
    const TFailure& Failure() const { return Error; }
    const std::string& NewFieldText() const { return FieldText; }

    // How long the finished job keeps showing 100 % (milliseconds).
    static int LingerMs;

protected:
    void Execute() override;

private:
    void AddFieldJob();
    void DeleteFieldsJob();
    void SyncUpdateMainColumns();
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
};

// The rows of the table after its change, built into a fresh store in the same order with the
// same marks and record numbers: every row gains `text` as its last field, or loses the texts
// of the fields at `indexes` (ascending).
void CopyRowsWithField(const TDataList& from, std::string_view text, TRowStore& to);
void CopyRowsWithoutFields(const TDataList& from, const std::vector<int32_t>& indexes, TRowStore& to);
