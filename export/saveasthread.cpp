#include "export/saveasthread.h"

#include "common/bytetext.h"
#include "common/errortext.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "export/spreadsheet.h"
#include "export/writers.h"
#include "export/writerutil.h"
#include "platform/filestream.h"
#include "platform/stagedfiles.h"

#include <chrono>
#include <thread>

std::atomic<int> TSaveAsThread::FinalPauseMs{500};
std::atomic<int> TSaveAsThread::SlkPauseMs{2000};
std::atomic<size_t> TSaveAsThread::SheetRowLimit{ExcelMaxDataRows};

namespace {

// Posts WM_SAPROGRESS whenever the whole percent of the rows written changes; stops the
// writer when the worker is told to end.
class TSaveAsProgress : public TProgressSink {
public:
    TSaveAsProgress(TWorkerThread& thread, QObject* messages, size_t count)
        : Thread(thread), Messages(messages), Count(count) {}
    bool Stopped() override { return Thread.Terminated(); }
    void RowWritten(size_t written, size_t, size_t) override {
        const int percent = TSaveAsThread::Percent(written, Count);
        if (percent == Last) return;
        Last = percent;
        PostWorkerMessage(Messages, WM_SAPROGRESS, percent);
    }

private:
    TWorkerThread& Thread;
    QObject* Messages;
    size_t Count;
    int Last = 0;
};

TRowSource AllRows(TDBF* table, const TDataList* list, bool memo) {
    TRowSource rows;
    rows.Table = table;
    rows.List = list;
    rows.Range = TRowRange::AllRows();
    rows.WriteDeleted = true;
    for (int i = 0; i < table->FieldCount; ++i) rows.Fields.push_back(i);
    rows.Memo = memo;
    return rows;
}

}  // namespace

std::string SheetCappedText(const std::string& fileName, size_t rows) {
    return fileName + "\nAn XLS worksheet holds no more than " + std::to_string(ExcelMaxDataRows + 1) +
           " rows: only the first " + std::to_string(rows) + " records were saved.";
}

std::string SaveAsFileName(const std::string& name, int filterIndex) {
    if (filterIndex < 1 || filterIndex > OutputKindCount) return name;
    const std::string def = OutputExtension(TOutputKind(filterIndex - 1));
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + def;
    std::string ext = name.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (ext == def || (def == ".html" && ext == ".htm")) return name;
    return name + def;
}

int TSaveAsThread::Percent(uint64_t done, uint64_t count) {
    if (count == 0) return 100;
    if (done >= count) return 100;
    // done < count, so done x 100 cannot overflow while count fits in 57 bits; beyond that
    // the division goes first.
    if (count < (uint64_t(1) << 57)) return static_cast<int>(done * 100 / count);
    return static_cast<int>(done / (count / 100 + 1));
}

TSaveAsThread::TSaveAsThread(TDBF* table, const TDataList* list, QObject* messages)
    : Table(table), List(list), Messages(messages) {
    if (table) Borrows(table->Owner, TThreadOwner::TLoan::Whole);
    if (list) Borrows(list->Owner, TThreadOwner::TLoan::Read);
}

TSaveAsThread::~TSaveAsThread() {
    // The job uses this object's fields: it must have ended before they go.
    Terminate();
    WaitFor();
}

void TSaveAsThread::Execute() {
    PostWorkerMessage(Messages, WM_SASTART);
    const std::string failure = FailureOf([this] { DoSaveAs(); });
    if (!failure.empty()) {
        Text = failure;
        Result = soFailed;
        // A stop from outside ends a spreadsheet run by its error too.
        if (Terminated() && Text.find("stopped") != std::string::npos) Result = soStopped;
    }
    GiveBack();
    Terminate();
    PostWorkerMessage(Messages, WM_SASTOP, Result.load(), FileName);
}

void TSaveAsThread::DoSaveAs() {
    Result = soNothing;
    Written = 0;
    if (Mode < ModeVisualFoxPro || Mode > ModeSLK) return;
    if (Mode == ModeSLK) {
        SaveAsSLK();
        return;
    }
    if (!Table || !Table->Active || !List) return;
    if (Mode == ModeExcel) SaveAsExcel();
    else SaveAsWriter();
}

void TSaveAsThread::SaveAsWriter() {
    const TOutputKind kind = TOutputKind(Mode - ModeVisualFoxPro);
    const TRowSource rows = AllRows(Table, List, Memo);
    TSaveAsProgress progress(*this, Messages, List->Count());
    TWriteOptions options;
    options.KeepStopped = false;
    const TWriteResult r = WriteOutput(kind, FileName, rows, progress, options);
    Written = r.Written;
    if (r.Stopped) {
        Result = soStopped;
        return;
    }
    Result = r.Capped ? soCapped : soDone;
    if (r.Capped) Text = SheetCappedText(FileName, ExcelMaxDataRows);
    Finish();
}

void TSaveAsThread::SaveAsExcel() {
    TSpreadsheetApp app([this] { return Terminated(); });
    vx::TStagedFiles staged(FileName);
    if (!staged.Ready()) throw EDBFError(staged.FailureText());
    app.AddWorkbook();
    app.SetSheetName(SheetNameFor(FileName));
    const TRowSource rows = AllRows(Table, List, Memo);
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    const int n = static_cast<int>(columns.size());
    for (int i = 1; i <= n; ++i) {
        app.SetCell(1, i, BytesToText(columns[size_t(i - 1)].Name));
        app.SetFont(1, i, 12, true);
        app.SetCentered(1, i);
        app.SetColumnTextFormat(i);
    }
    TSaveAsProgress progress(*this, Messages, List->Count());
    std::string cell, scratch;
    int r = 1;
    const size_t limit = std::min(SheetRowLimit.load(), ExcelMaxDataRows);
    const TWriteResult result = ForEachRow(rows, progress, [&] {
        if (size_t(r - 1) >= limit) return false;
        ++r;
        for (int j = 1; j <= n; ++j) {
            cell.clear();
            valuetext::AppendOutputText(*Table, *columns[size_t(j - 1)].Field, Memo, cell, scratch);
            app.SetCellUtf8(r, j, BytesToText(cell).toStdString());
            app.SetFont(r, j, 10, false);
        }
        return true;
    });
    Written = result.Written;
    if (result.Stopped) {
        Result = soStopped;
        return;
    }
    app.AutoFitColumns();
    try {
        app.SaveAs(staged.Path());
    } catch (const std::exception& e) {
        throw ESpreadsheetError(staged.Unstaged(e.what()));
    }
    if (!staged.Commit().empty()) throw ESpreadsheetError(FileName + " - The workbook could not be saved.");
    app.CloseWorkbook();
    app.Quit();
    Result = result.Capped ? soCapped : soDone;
    if (result.Capped) Text = SheetCappedText(FileName, limit);
    Finish();
}

void TSaveAsThread::SaveAsSLK() { Sleep(SlkPauseMs.load()); }

void TSaveAsThread::Finish() {
    PostWorkerMessage(Messages, WM_SAPROGRESS, 100);
    Sleep(FinalPauseMs.load());
}

void TSaveAsThread::Sleep(int ms) {
    // In short steps, so that a stop from outside does not wait for the pause.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!Terminated() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
