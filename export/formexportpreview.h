// The export dialog: the file kind and name, the rows (all, the selected ones, or a range of
// list positions), the columns in the chosen order, and whether deleted rows and memo texts go
// out; Export starts a TExportThread and the dialog shows its progress, locked until it ends.
#pragma once

#include "common/formalphashow.h"
#include "common/workerthread.h"
#include "export/exportcheck.h"
#include "export/exportthread.h"
#include "export/writers.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;
class TDBF;
class TDataList;
class TFlatCheckListBox;
class TFlatMemo;
class TFlatPanel;
class TFlatProgressBar;
class TNumberEdit;
class TXPMenu;

// What the dialog needs of the main window.
struct TExportContext {
    TDBF* Table = nullptr;            // the open table, or null
    const TDataList* List = nullptr;  // the rows shown, or null
    QStringList Captions;             // the record list's column captions, one per field
    std::vector<bool> Visible;        // whether each column shows (its width is not 0)
    // The record list's selected rows as 0-based list indexes in ascending order; the list's
    // selection is cleared.
    std::function<std::vector<size_t>()> TakeSelection;
};

class TFormExportPreview : public TFormAlphaShow, public TExportView {
    Q_OBJECT
public:
    TFormExportPreview(const TExportContext& context, QWidget* owner = nullptr);
    ~TFormExportPreview() override;

    // The ten list entries and browse filters, by file type.
    static const char* const TypeEntries[OutputKindCount];
    static const char* const TypeFilters[OutputKindCount];

    // The save dialog: `filters` are entries as in TypeFilters ("Text File(*.TXT)|*.txt");
    // `filterIndex` is 1-based in and out. False when cancelled. Tests replace it.
    static std::function<bool(QWidget* parent, const QStringList& filters, QString& fileName, int& filterIndex)>
        AskFileName;
    // Opens a folder with the desktop's handler. Tests replace it.
    static std::function<void(const QString& folder)> OpenFolder;

    QComboBox* cbTypeList = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabAdForDBF = nullptr;
    QWidget* TabAdForText = nullptr;
    QWidget* TabAdForHtml = nullptr;
    QWidget* TabAdForXML = nullptr;
    QWidget* TabAdForExcel = nullptr;
    QRadioButton* RadioButton1 = nullptr;  // Overwrite
    QRadioButton* RadioButton2 = nullptr;  // Append (never shown)
    QCheckBox* cbDelRec = nullptr;
    QCheckBox* cbMemoRec = nullptr;
    QRadioButton* RadioButton3 = nullptr;  // All records
    QRadioButton* RadioButton4 = nullptr;  // Current selected
    QRadioButton* RadioButton5 = nullptr;  // Following records
    TNumberEdit* NumberEdit1 = nullptr;    // From
    TNumberEdit* NumberEdit2 = nullptr;    // To
    TFlatCheckListBox* clbColumns = nullptr;
    QPushButton* ButtonUp = nullptr;
    QPushButton* ButtonDown = nullptr;
    QPushButton* ButtonSelAll = nullptr;
    QPushButton* ButtonNotAll = nullptr;
    QLineEdit* EditExportFileName = nullptr;
    QPushButton* BitBtn3 = nullptr;  // browse
    TFlatProgressBar* ExportProgressBar = nullptr;
    TFlatPanel* ExportLabel = nullptr;
    QPushButton* BitBtn5 = nullptr;  // Export
    QPushButton* BitBtn6 = nullptr;  // Stop
    QPushButton* BitBtn2 = nullptr;  // Cancel
    TFlatMemo* MemoFilePath = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    // True from the worker's lock of the dialog to its unlock.
    bool Exporting = false;
    // True from the worker's lock of the dialog until its work is over and it reports how the
    // export ended (its last message and the unlock may still follow): only then is there an
    // export to stop.
    bool ExportRunning() const { return Exporting && !OutcomeReported; }
    // The field index of each item of clbColumns (moves with its item).
    std::vector<int> ColumnFields;
    TWorkerPtr<TExportThread> Worker;

    void cbTypeListChange();
    void BitBtn3Click();
    void RadioButton3Click();
    void clbColumnsClick();
    void ButtonUpClick();
    void ButtonDownClick();
    void ButtonSelAllClick();
    void ButtonNotAllClick();
    // Export: gathers the dialog's choices (asking for a name when there is none), checks
    // them (exportcheck::CheckExport), then warns at the control at fault or starts the worker.
    void BitBtn5Click();
    void BitBtn6Click();
    // Asks "stop it?" while an export runs; stops it on Yes when it still runs then. The
    // question closes by itself when the export ends while it is open.
    void StopExportingAsk();
    void StopExporting();
    void MemoFilePathDblClick();
    // Closing while an export runs asks whether to stop it and stays open whatever the answer,
    // unless the export ends while asked; closing once it has ended waits for its last reports.
    void done(int result) override;

    // TExportView
    void BeginExport() override;
    void EndExport() override;
    void ExportProgress(int kind, size_t current, size_t total, const std::string& fileName) override;
    void ExportMessage(const QString& caption, const QString& text, TMsgBoxIcon icon) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void MoveColumn(int from, int to);
    void SetRangeEditsEnabled(bool enabled);
    exportcheck::TInput Input();
    // The save dialog names the file and its type; false when cancelled.
    bool AskOutputName(exportcheck::TInput& in);
    void StartExport(const exportcheck::TInput& in, const std::string& file);
    // The worker's work is over, or it has said how the export ended.
    void ReportOutcome();
    TExportContext Context;
    bool OutcomeReported = false;
    std::optional<int> CloseWhenUnlocked;  // a close asked for after the end, before the unlock
};
