// Main window: export, save as and worksheet import.
#include "mainwindow/formmain.h"

#include "common/bytetext.h"
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/workthread.h"
#include "controls/xpmenu.h"
#include "engine/dbf.h"
#include "export/formexportpreview.h"
#include "export/formsaveasprogress.h"
#include "export/outputguard.h"
#include "export/saveasthread.h"
#include "export/worksheetimport.h"
#include "platform/filestream.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

namespace {

std::string PathBytes(const QString& name) { return QFile::encodeName(name).toStdString(); }

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

}  // namespace

std::function<QString(QWidget*)> TFormMain::AskImportFile = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                        QStringLiteral("Excel File(*.xls) (*.xls *.XLS)"));
};

std::function<void(const std::string&)> TFormMain::OpenOutputFile = [](const std::string& fileName) {
    vx::ShellOpen(fileName);
};

// ---- Save as ----

void TFormMain::CreateSaveAsProgressForm() {
    if (!SaveAsProgressForm) SaveAsProgressForm = new TFormSaveAsProgress(this);
}

void TFormMain::M1_SAVEASClick() {
    if (IsWorking() && StopWorkAsk()) return;
    if (!ListModel || ListModel->columnCount() < 1 || !CurDBF) return;
    // The save dialog's ten entries, their filter index being the mode - 4.
    QStringList filters;
    for (const char* f : TFormExportPreview::TypeFilters) filters << QString::fromLatin1(f);
    QString name;
    int index = 1;
    if (!TFormExportPreview::AskFileName(this, filters, name, index) || name.isEmpty()) return;
    if (index < 1 || index > OutputKindCount) return;
    const std::string file = SaveAsFileName(PathBytes(name), index);
    // Never over the open table or its memo file, by whatever name they are reached.
    if (UpperAscii(file) == UpperAscii(PathBytes(FileName)) ||
        (CurDBF->Active && OverwritesOpenTable(*CurDBF, file, TOutputKind(index - 1)))) {
        MsgBox(QStringLiteral("Warnning"), QStringLiteral("Can not overwrite the file which had been opened!"),
               TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return;
    }
    if (vx::FileExists(file) &&
        MsgBox(QStringLiteral("Confirm"), QStringLiteral("File already exist! Overwrite?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo,
               false, false, 30, 30, this)
                .ModalResult != mrYes)
        return;
    SaveAsThread.reset(new TSaveAsThread(CurDBF.get(), DataList(), this));
    SaveAsThread->SetMode(static_cast<uint8_t>(index + 4));
    SaveAsThread->SetFileName(file);
    SaveAsThread->SetMemo(Option && Option->ViewMemo);
    SaveAsThread->Resume();
}

void TFormMain::OnSAStart() {
    TFormSaveAsProgress* form = SaveAsProgressForm;
    if (!form) return;
    form->SetState(TFormSaveAsProgress::stRunning);
    form->SetProgress(0);
    form->BitBtnClose->setEnabled(false);
    form->cbCloseWhenSaveDone->setChecked(Option && Option->CloseWhenJobDone);
    form->cbOpenWhenSaveDone->setChecked(Option && Option->OpenWhenJobDone);
    // Modal over the main window, centred on it; the worker's messages keep arriving.
    form->move(geometry().center() - QPoint(form->width() / 2, form->height() / 2));
    form->open();
}

void TFormMain::OnSAProgress(int percent) {
    if (SaveAsProgressForm) SaveAsProgressForm->SetProgress(percent);
}

void TFormMain::OnSAStop(const std::string& fileName) {
    TFormSaveAsProgress* form = SaveAsProgressForm;
    if (!form) return;
    const bool closeWhenDone = form->cbCloseWhenSaveDone->isChecked();
    const bool openWhenDone = form->cbOpenWhenSaveDone->isChecked();
    const std::string output = fileName;
    form->SetState(TFormSaveAsProgress::stDone);
    form->BitBtnClose->setEnabled(true);
    form->BitBtnClose->setDefault(true);
    form->BitBtnClose->setFocus();
    const TSaveAsThread::TOutcome outcome = SaveAsThread ? SaveAsThread->Outcome() : TSaveAsThread::soNothing;
    const QString message = SaveAsThread ? QString::fromLocal8Bit(SaveAsThread->Message().c_str()) : QString();
    if (outcome == TSaveAsThread::soFailed)
        MsgBox(QStringLiteral("Error"), message, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, form);
    else if (outcome == TSaveAsThread::soCapped)
        MsgBox(QStringLiteral("Information"), message, TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, form);
    if (closeWhenDone) form->done(QDialog::Accepted);
    // Only an output that was written opens.
    if (openWhenDone && (outcome == TSaveAsThread::soDone || outcome == TSaveAsThread::soCapped) &&
        vx::FileExists(output))
        OpenOutputFile(output);
}

// ---- Worksheet import ----

void TFormMain::M1_IMPORTClick() {
    if (IsWorking() && StopWorkAsk()) return;
    const QString name = AskImportFile(this);
    if (name.isEmpty()) return;
    if (ListModel && ListModel->columnCount() > 0) {
        // Declining to close the shown table declines the import too.
        if (Option && Option->AlwayShowClose &&
            !ConfirmWithCheckBox(QString(), QStringLiteral("Close current document?"), Option->AlwayShowClose, true))
            return;
        CloseDocument(true);
    }
    StopThread(WorkThread);
    ListModel->ClearSource();
    Rows = std::make_unique<TRowStore>();
    ListModel->SetSource(&Rows->DataList, {}, {});
    ListModel->SetItemCount(0);
    WorkThread.reset(new TWorkThread(nullptr, Rows.get(), LoadView.get(), this));
    WorkThread->SetFileName(PathBytes(name));
    WorkThread->SetMode(TWorkThread::ModeLoadExcel);
    WorkThread->SetWorksheetReader(ReadWorksheet);
    WorkThread->Resume();
    MainWelcomePage->hide();
    MainRightPanel->show();
    MainRightPanel->raise();
}

void TFormMain::SetImportColumns(const std::vector<std::string>& captions) {
    if (!Rows || !ListModel) return;
    QStringList texts;
    for (const std::string& c : captions) texts << BytesToText(c);
    ListModel->SetSource(&Rows->DataList, std::vector<char>(captions.size(), 'C'), texts);
    for (int i = 0; i < texts.size(); ++i) MainListView->setColumnWidth(i, 100);
    ApplyListColors();
}

void TFormMain::M1_EXPORTClick() {
    if (IsWorking() && StopWorkAsk()) return;
    // The export reads the table through the page cache that the loader uses.
    if (!IsLoadOver()) {
        ShowLoadingBox();
        return;
    }
    TExportContext context;
    context.Table = CurDBF && CurDBF->Active ? CurDBF.get() : nullptr;
    context.List = DataList();
    const int columns = MainListView->model() ? MainListView->model()->columnCount() : 0;
    for (int i = 0; context.Table && i < columns; ++i) {
        context.Captions << MainListView->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        context.Visible.push_back(!MainListView->isColumnHidden(i) && MainListView->columnWidth(i) != 0);
    }
    context.TakeSelection = [this] {
        std::vector<size_t> rows;
        if (QItemSelectionModel* sel = MainListView->selectionModel()) {
            for (const QModelIndex& index : sel->selectedRows()) rows.push_back(size_t(index.row()));
            sel->clearSelection();
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    TFormExportPreview form(context, this);
    form.exec();
}
