// Main window: the record commands (deletion marks, removal, truncate, zap, select all,
// the deleted-rows views, append from a file) and the clipboard's copy, cut and paste. Each
// handler asks, calls the back ends of recordcommands.h and recordclip.h, and shows the
// result; when the table fails under a command, the list is loaded again from the file, so
// that it never shows rows the file does not hold, and the failure is reported.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTableView>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>
#include <exception>
#include <optional>

#include "common/bytetext.h"
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/errortext.h"
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_app.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/recordclip.h"
#include "common/recordcommands.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "export/worksheetappend.h"

namespace {

// Runs a command's work on the table. When it fails, the table is loaded again (the list
// then shows the file as it now is; a table whose file or memo file is gone stays as it is)
// and the failure's text is shown; returns false then. A command refused because another
// program changed the records its rows show wrote nothing: the list stays, and its message
// asks the user to refresh it.
template <class Work>
bool Guarded(TFormMain& form, Work&& work) {
    return RunGuarded([&] {
        try {
            work();
        } catch (const EDBFRecordsChanged&) {
            throw;
        } catch (...) {
            form.ReloadTable();
            throw;
        }
        return true;
    });
}

// The selected rows, read once as ranges of DataList positions.
std::vector<records::TRowRange> SelectedRanges(const TFormMain& form) {
    std::vector<records::TRowRange> ranges;
    const TDataList* list = form.DataList();
    if (!list) return ranges;
    for (const QItemSelectionRange& r : form.MainListView->selectionModel()->selection())
        if (r.isValid()) ranges.push_back({static_cast<size_t>(r.top()), static_cast<size_t>(r.bottom())});
    return records::NormalizeRanges(std::move(ranges), list->Count());
}

int ClampToInt(size_t n) { return static_cast<int>(std::min<size_t>(n, INT_MAX)); }

// After rows came or went: the list starts over with DataList's rows (no row stays selected)
// and the counts and the file information follow the table.
void ShowNewRowCount(TFormMain& form) {
    const size_t rows = form.DataList() ? form.DataList()->Count() : 0;
    form.ListModel->SetItemCount(0);
    form.ListModel->SetItemCount(ClampToInt(rows));
    form.ListModel->Refresh();
    const uint32_t total = form.CurDBF && form.CurDBF->Active ? form.CurDBF->GetRecordCount() : 0;
    form.SetStatusText(1, QStringLiteral("Record Count:") + QString::number(total));
    form.PanelRecNum->setText(QString::fromStdString(OnShowTotalText(rows, total)));
    form.UpdateFileInfos();
}

QString ExactMimeType() { return QString::fromLatin1(recordclip::RecordsMimeType); }

void PutOnClipboard(const recordclip::TClipData& clip) {
    auto* mime = new QMimeData;
    mime->setText(BytesToText(clip.Text));
    mime->setData(ExactMimeType(), QByteArray(clip.Exact.data(), static_cast<qsizetype>(clip.Exact.size())));
    QApplication::clipboard()->setMimeData(mime);
}

// What the clipboard holds for a paste: its text as bytes (nothing when the text is not ours
// or holds a character the code page cannot hold, `bad`) and the exact records.
struct TClipboardRecords {
    std::optional<std::string> Text;
    QByteArray Exact;
    std::string_view ExactView() const { return {Exact.constData(), size_t(Exact.size())}; }
};
TClipboardRecords ReadClipboard(QString* bad = nullptr) {
    TClipboardRecords got;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    const QString text = mime ? mime->text() : QString();
    if (!text.startsWith(QLatin1String("Vellibrox"))) return got;
    got.Text = TryTextToBytes(text, bad);
    got.Exact = mime->data(ExactMimeType());
    return got;
}

// Why a paste of what the clipboard now holds would not give the copied records back to the
// table as they stand (the table could not store their memo texts, for one); empty when it
// would.
QString WhyNotPastedBack(TDBF& dbf, const recordclip::TClipData& clip) {
    if (!clip.NotExact.empty()) return BytesToText(clip.NotExact);
    const TClipboardRecords held = ReadClipboard();
    if (held.Text != clip.Text || held.ExactView() != clip.Exact)
        return QStringLiteral("The clipboard did not take the records whole.");
    const recordclip::TPaste back = recordclip::ParsePaste(dbf, clip.Text, clip.Exact);
    if (back.Status != recordclip::TPaste::Ready || !back.Exact)
        return QStringLiteral("The records on the clipboard cannot be pasted back as they stand.");
    const auto& memos = back.Records.MemoTexts;
    if (std::any_of(memos.begin(), memos.end(), [](const std::string& m) { return !m.empty(); })) {
        try {
            dbf.CheckMemoWritable();
        } catch (const EDBFError& e) {
            return ErrorText(e);
        }
    }
    return {};
}

bool Ask(TFormMain& form, const QString& text) {
    return MsgBox(QString(), text, TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false, false, 30, 30, &form).ModalResult == mrYes;
}

void Warn(TFormMain& form, const QString& text) {
    MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, &form);
}

}  // namespace

void TFormMain::SetUpRecordCommands() {
    connect(MainPopupMenu, &QMenu::aboutToShow, this, [this] { MainPopupMenuPopup(); });
}

void TFormMain::MainPopupMenuPopup() { UpdateCurrentRecord(FirstSelectedRow(), true); }

// ---- Deletion marks ----

void TFormMain::M6_DELETEClick() {
    if (!RequireWritable())
        return;
    const auto ranges = SelectedRanges(*this);
    if (ranges.empty())
        return;
    size_t toggled = 0;
    if (!Guarded(*this, [&] { toggled = records::ToggleMarks(*CurDBF, *Rows, ranges); }))
        return;
    ListModel->Refresh();
    if (toggled == 1) {
        // One row: the selection moves on to the next row, so that pressing Del again and
        // again marks row after row.
        const int next = std::min(static_cast<int>(ranges.front().First) + 1, ItemCount() - 1);
        ListViewGoToRec(next + 1);
    } else {
        ListViewNotSelAll();
    }
}

void TFormMain::M6_SETALLDELFLG_TClick() {
    if (RequireWritable() && Rows && Guarded(*this, [&] { records::SetAllMarks(*CurDBF, *Rows, true); }))
        ListModel->Refresh();
}

void TFormMain::M6_SETALLDELFLG_FClick() {
    if (RequireWritable() && Rows && Guarded(*this, [&] { records::SetAllMarks(*CurDBF, *Rows, false); }))
        ListModel->Refresh();
}

// ---- Removing records ----

void TFormMain::M6_DELETERECClick() {
    if (!RequireWritable())
        return;
    const auto ranges = SelectedRanges(*this);
    const size_t n = records::RowCount(ranges);
    if (n == 0)
        return;
    if (Option && Option->AlwayShowDelSelRec &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Remove selected records [ total %1 records ]?").arg(n),
                             Option->AlwayShowDelSelRec, false))
        return;
    if (!Guarded(*this, [&] { records::RemoveRows(*CurDBF, *Rows, ranges); }))
        return;
    ShowNewRowCount(*this);
    SetStatusText(2, QStringLiteral("Current Record Number:-1"));
}

void TFormMain::M6_DELETEBYDELFLAGClick() {
    if (!RequireWritable() || !Rows || Rows->DataList.Count() == 0)
        return;
    if (!Ask(*this, QStringLiteral("Remove deleted records?")))
        return;
    if (Guarded(*this, [&] { records::RemoveMarked(*CurDBF, *Rows); }))
        Open(FileName);
}

void TFormMain::M6_TRUNCATEClick() {
    if (!RequireWritable() || !Rows)
        return;
    const int selected = FirstSelectedRow();
    if (selected < 0 || static_cast<size_t>(selected) + 1 >= Rows->DataList.Count())
        return;
    if (!Ask(*this, QStringLiteral("Truncate?")))
        return;
    if (!Guarded(*this, [&] { records::TruncateBelow(*CurDBF, *Rows, static_cast<size_t>(selected)); }))
        return;
    ShowNewRowCount(*this);
    ListViewNotSelAll();
}

void TFormMain::M6_ZAPClick() {
    if (!RequireWritable() || !Rows || ListModel->columnCount() < 1 || Rows->DataList.Count() == 0)
        return;
    if (!Ask(*this, QStringLiteral("Zap?")))
        return;
    if (Guarded(*this, [&] { CurDBF->Zap(); }))
        Open(FileName);
}

// ---- Selection and views ----

void TFormMain::M3_SELALLRECClick() {
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    if (!Rows)
        return;
    if (Rows->DataList.Count() > 10000 && !Ask(*this, QStringLiteral("Record count is large... Continue?")))
        return;
    MainListView->selectAll();
    MainListView->setFocus();
}

namespace {

// Hide deleted records (`hide`) or show only them: the first time drops the rows of the
// other kind, the second time loads the table again with every row.
void ToggleMarkView(TFormMain& form, bool hide) {
    if (!form.IsLoadOver()) {
        form.ShowLoadingBox();
        return;
    }
    if (form.IsWorking()) {
        MsgBox(QString(), QStringLiteral("Some work is doing..."), TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, &form);
        return;
    }
    if (!form.CurDBF || !form.Rows)
        return;
    bool& on = hide ? form.HideDeleted : form.ShowOnlyDeleted;
    QAction* other = hide ? form.M2_SHOWDELREC : form.M2_HIDEDELREC;
    if (!on) {
        records::DropRowsMarked(*form.Rows, hide);
        ShowNewRowCount(form);
        on = true;
        other->setEnabled(false);
    } else {
        if (form.KeepListOfGoneFiles())
            return;
        form.Open(form.FileName);
        form.HideDeleted = false;
        form.ShowOnlyDeleted = false;
        other->setEnabled(true);
    }
    form.M2_HIDEDELREC->setChecked(form.HideDeleted);
    form.M2_SHOWDELREC->setChecked(form.ShowOnlyDeleted);
}

// New records that arrive marked deleted (an exact paste keeps each record's mark) stay out
// of a list that hides deleted records.
void KeepMarkView(TFormMain& form) {
    if (form.HideDeleted) records::DropRowsMarked(*form.Rows, true);
}

}  // namespace

void TFormMain::M2_HIDEDELRECClick() { ToggleMarkView(*this, true); }

void TFormMain::M2_SHOWDELRECClick() { ToggleMarkView(*this, false); }

// ---- Clipboard ----

void TFormMain::M3_COPYClick() {
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    if (!CurDBF || !Rows || !MainListView->hasFocus())
        return;
    const auto ranges = SelectedRanges(*this);
    if (ranges.empty())
        return;
    recordclip::TClipData clip;
    if (Guarded(*this, [&] { clip = recordclip::BuildRowsClipData(*CurDBF, records::RowsOf(*Rows, ranges)); }))
        PutOnClipboard(clip);
}

void TFormMain::M3_CUTClick() {
    if (!RequireWritable() || !Rows || !MainListView->hasFocus())
        return;
    const auto ranges = SelectedRanges(*this);
    if (ranges.empty())
        return;
    if (Option && Option->AlwayShowCut &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Cut record and copy data to clipboard? This operate can not undo."),
                             Option->AlwayShowCut, false))
        return;
    // The records are on the clipboard, and would come back whole from it, before the first
    // of them leaves the file; otherwise they stay where they are, copied.
    QString notBack;
    const bool ok = Guarded(*this, [&] {
        const recordclip::TClipData clip = recordclip::BuildRowsClipData(*CurDBF, records::RowsOf(*Rows, ranges));
        PutOnClipboard(clip);
        notBack = WhyNotPastedBack(*CurDBF, clip);
        if (notBack.isEmpty()) records::RemoveRows(*CurDBF, *Rows, ranges);
    });
    if (!ok)
        return;
    if (!notBack.isEmpty()) {
        Warn(*this, notBack + QStringLiteral(" Nothing was cut; the records were copied."));
        return;
    }
    ShowNewRowCount(*this);
    SetStatusText(2, QStringLiteral("Current Record Number:-1"));
}

void TFormMain::M3_PASTEClick() {
    if (!RequireWritable() || !Rows)
        return;
    if (!MainListView->hasFocus())
        MainListView->setFocus();
    QString bad;
    const TClipboardRecords clip = ReadClipboard(&bad);
    if (!clip.Text) {
        if (!bad.isEmpty()) Warn(*this, CannotHoldMessage(bad));
        return;
    }
    recordclip::TPaste paste;
    if (!Guarded(*this, [&] { paste = recordclip::ParsePaste(*CurDBF, *clip.Text, clip.ExactView()); }))
        return;
    if (paste.Status == recordclip::TPaste::NotForThisTable)
        return;
    if (paste.Status == recordclip::TPaste::Rejected) {
        Warn(*this, BytesToText(paste.Message));
        return;
    }
    if (!Guarded(*this, [&] { AppendNewRecords(*CurDBF, *Rows, paste.Records); }))
        return;
    KeepMarkView(*this);
    ShowNewRowCount(*this);
    ListViewScrollEnd();
}

// ---- Appending from a file ----

void TFormMain::M6_APPENDFClick() {
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    if (IsWorking()) {
        MsgBox(QString(), QStringLiteral("Some work is doing..."), TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return;
    }
    if (!CurDBF || ListModel->columnCount() < 1)
        return;
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                                      QStringLiteral("Excel File(*.xls);;DBase File(*.DBF)"));
    if (!name.isEmpty())
        AppendFromFile(name);
}

void TFormMain::AppendFromFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("dbf"))
        AppendFromDBF(fileName);
    else if (ext == QLatin1String("xls"))
        AppendFromExcel(fileName);
}

void TFormMain::AppendFromDBF(const QString& fileName) {
    if (!RequireWritable() || !Rows)
        return;
    records::TAppendSource source = records::ReadAppendSource(*CurDBF, QFile::encodeName(fileName).toStdString());
    if (!source.Ok) {
        Warn(*this, source.EngineMessage ? QString::fromLocal8Bit(source.Message.c_str()) : BytesToText(source.Message));
        return;
    }
    if (!Guarded(*this, [&] { AppendNewRecords(*CurDBF, *Rows, source.Records); }))
        return;
    KeepMarkView(*this);
    ShowNewRowCount(*this);
    ListViewScrollEnd();
}

// A worksheet's rows, read through the spreadsheet application like the worksheet import.
void TFormMain::AppendFromExcel(const QString& fileName) {
    if (!RequireWritable())
        return;
    // The application takes seconds: the window keeps painting meanwhile, without taking input.
    records::TAppendSource source;
    std::atomic<bool> done{false};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::thread reader([&] {
        source = ReadWorksheetRecords(*CurDBF, QFile::encodeName(fileName).toStdString(), {});
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    reader.join();
    QApplication::restoreOverrideCursor();
    if (!source.Ok) {
        Warn(*this, QString::fromStdString(source.Message));
        return;
    }
    if (!Guarded(*this, [&] { AppendNewRecords(*CurDBF, *Rows, source.Records); }))
        return;
    KeepMarkView(*this);
    ShowNewRowCount(*this);
    ListViewScrollEnd();
}
