// The save-as worker: writes the whole open table, in list order with every field, deleted
// rows included, into a new file of one of ten kinds, through the same writers as export (the
// spreadsheet through the spreadsheet application). It reports WM_SASTART, WM_SAPROGRESS on
// every change of the percent and WM_SASTOP to the main window, on every way out. The output
// is written beside its place and put there only when whole: a save that fails or is stopped
// leaves the file of the name (and its memo file) as it was.
#pragma once

#include "common/datalist.h"
#include "common/workerthread.h"

#include <QObject>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class TDBF;

class TSaveAsThread : public TWorkerThread {
public:
    // Modes: the save dialog's filter index + 4.
    enum : uint8_t {
        ModeVisualFoxPro = 5,
        ModeFoxPro2 = 6,
        ModeFoxBase = 7,
        ModeDBase4 = 8,
        ModeText = 9,
        ModeHtml = 10,
        ModeXml = 11,
        ModeExcel = 12,
        ModeCsv = 13,
        ModeDif = 14,
        ModeSLK = 15,
    };
    // How the run ended; WM_SASTOP carries it in WParam.
    enum TOutcome {
        soDone = 0,      // the file is written
        soNothing = 1,   // nothing was written (no open table, or a mode that writes nothing)
        soCapped = 2,    // written, but the format held only the first rows; Message says so
        soFailed = 3,    // Message says why; the file of the name is as it was
        soStopped = 4,   // stopped from outside; the file of the name is as it was
    };

    // The worker reads `table` and `list` while it runs, borrowing the table whole and the list
    // to read; both must outlive it. `messages` receives the worker messages.
    TSaveAsThread(TDBF* table, const TDataList* list, QObject* messages);
    ~TSaveAsThread() override;

    void SetMode(uint8_t mode) { Mode = mode; }
    void SetFileName(const std::string& fileName) { FileName = fileName; }
    // Memo texts, or the word "Memo" (the View Memo setting).
    void SetMemo(bool memo) { Memo = memo; }
    uint8_t GetMode() const { return Mode; }
    const std::string& GetFileName() const { return FileName; }

    // After the run.
    TOutcome Outcome() const { return Result.load(); }
    const std::string& Message() const { return Text; }
    size_t RowsWritten() const { return Written; }

    // done x 100 / count, in 64 bits.
    static int Percent(uint64_t done, uint64_t count);
    // The pause after the final 100 (500 ms; tests shorten it).
    static std::atomic<int> FinalPauseMs;
    // Data rows a spreadsheet takes (65,535 in ".xls", the title row being the 65,536th; tests
    // lower it).
    static std::atomic<size_t> SheetRowLimit;
    // The pause of the symbolic-link slot (2000 ms).
    static std::atomic<int> SlkPauseMs;

protected:
    void Execute() override;

private:
    void DoSaveAs();
    void SaveAsWriter();
    void SaveAsExcel();
    void SaveAsSLK();
    void Finish();
    void Sleep(int ms);

    TDBF* Table;
    const TDataList* List;
    QObject* Messages;
    uint8_t Mode = 0;
    std::string FileName;
    bool Memo = false;
    std::atomic<TOutcome> Result{soNothing};
    std::string Text;
    size_t Written = 0;
};

// The output name of the save dialog's entry `filterIndex` (1..10): a name without an
// extension gets the entry's ("OUT" as CSV is "OUT.csv"); one with another extension gets it
// appended ("OUT.txt" as CSV is "OUT.txt.csv"); a matching one in any letter case stays
// ("OUT.CSV", and "page.htm" as HTML).
std::string SaveAsFileName(const std::string& name, int filterIndex);

// The message of a spreadsheet that held only the first rows.
std::string SheetCappedText(const std::string& fileName, size_t rows);
