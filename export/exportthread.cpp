#include "export/exportthread.h"

#include "common/errortext.h"
#include "common/msgbox.h"
#include "engine/dbf.h"
#include "export/writers.h"

#include <QFile>

namespace {

// Reports every `Cadence`th written row and passes the stop request on.
class TExportProgress : public TProgressSink {
public:
    TExportProgress(TExportThread& thread, size_t cadence, size_t& written)
        : Thread(thread), Cadence(cadence), Written(written) {}
    bool Stopped() override { return Thread.Terminated(); }
    void RowWritten(size_t written, size_t place, size_t total) override {
        Written = written;
        if (written % Cadence == 0) Thread.ReportProgress(TExportThread::pkRunning, place, total);
    }

private:
    TExportThread& Thread;
    size_t Cadence;
    size_t& Written;
};

QString FileText(const std::string& fileName) { return QFile::decodeName(QByteArray::fromStdString(fileName)); }

}  // namespace

QString ExportedText(const std::string& fileName) { return QStringLiteral("File Exported To:\n") + FileText(fileName); }

QString StoppedText(size_t rows, const std::string& fileName) {
    return QStringLiteral("Export Stopped. [%1] Rows Written.\n").arg(qulonglong(rows)) + ExportedText(fileName);
}

QString CappedText(const std::string& fileName) {
    return ExportedText(fileName) +
           QStringLiteral("\nAn XLS worksheet holds no more than %1 rows: the rows after them were not written.")
               .arg(qulonglong(ExcelMaxDataRows));
}

TExportThread::TExportThread(TDBF* table, const TDataList* list) : Table(table), List(list) {
    if (table) Borrows(table->Owner, TThreadOwner::TLoan::Whole);
    if (list) Borrows(list->Owner, TThreadOwner::TLoan::Read);
}

TExportThread::~TExportThread() {
    // The job uses this object's fields: it must have ended before they go.
    Terminate();
    WaitFor();
}

size_t TExportThread::Cadence(uint8_t fileType) {
    if (fileType < OutputKindCount && IsTableKind(TOutputKind(fileType))) return 2000;
    if (fileType == uint8_t(TOutputKind::Excel)) return 20;
    return 500;
}

void TExportThread::ReportProgress(int kind, size_t current, size_t total) {
    if (kind != pkRunning) WorkOver();  // how the export ended: a question about it closes first
    Synchronize([&] {
        if (FForm) FForm->ExportProgress(kind, current, total, FFileName);
    });
}

void TExportThread::Message(const QString& caption, const QString& text, TMsgBoxIcon icon) {
    WorkOver();  // every message is the last word of the export
    Synchronize([&] {
        if (FForm) FForm->ExportMessage(caption, text, icon);
    });
}

void TExportThread::Execute() {
    Synchronize([this] {
        if (FForm) FForm->BeginExport();
    });
    const std::string failure = FailureOf([this] { Export(); });
    GiveBack();  // the dialog may start the next export once it is unlocked
    if (!failure.empty()) {
        try {
            ReportProgress(pkFailed, 0, Written);
            Message(QStringLiteral("Error"), QString::fromStdString(failure), TMsgBoxIcon::Warning);
        } catch (...) {
        }
    }
    // Unlocks the dialog on every way out.
    Synchronize([this] {
        if (FForm) FForm->EndExport();
    });
}

void TExportThread::Export() {
    Written = 0;
    if (!Table || !Table->Active || !List) return;
    if (FFileType >= OutputKindCount) return;  // the symbolic-link slot writes nothing
    const TOutputKind kind = TOutputKind(FFileType);
    if (IsTableKind(kind) && FColumns.empty()) {
        Message(QStringLiteral("Error"), QStringLiteral("NO Column"), TMsgBoxIcon::Information);
        return;
    }
    TRowSource rows;
    rows.Table = Table;
    rows.List = List;
    rows.Range = FRows;
    rows.WriteDeleted = FExportDeleted;
    rows.Fields = FColumns;
    rows.Memo = FExportMemo;
    TExportProgress progress(*this, Cadence(FFileType), Written);
    TWriteOptions options;
    options.HtmlAlternate = rows.Range.Kind == TRowRange::All;
    const TWriteResult r = WriteOutput(kind, FFileName, rows, progress, options);
    Written = r.Written;
    if (r.Stopped) {
        ReportProgress(pkStopped, 0, r.Written);
        Message(QStringLiteral("ok"), StoppedText(r.Written, FFileName), TMsgBoxIcon::Information);
    } else {
        ReportProgress(pkDone, 0, r.Written);
        Message(QStringLiteral("ok"), r.Capped ? CappedText(FFileName) : ExportedText(FFileName), TMsgBoxIcon::Information);
    }
}
