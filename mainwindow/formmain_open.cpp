// Main window: opening and closing a table, the row loader's calls and messages, stopping
// work, refreshing, and the file and field information lists.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <exception>

#include "common/bytetext.h"
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/errortext.h"
#include "mainwindow/fileinfo.h"
#include "common/findhistory.h"
#include "mainwindow/formmain.h"
#include "common/msgbox.h"
#include "mainwindow/opennotice.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "common/workthread.h"
#include "controls/validedit.h"
#include "engine/dbf.h"

namespace {

int ClampToInt(size_t n) { return static_cast<int>(std::min<size_t>(n, INT_MAX)); }

}  // namespace

// What the row loader asks of the window; every call runs on the user-interface thread.
class TFormMainLoadView : public TLoadView {
public:
    explicit TFormMainLoadView(TFormMain* form) : Form(form) {}

    void SetPanelFlag(bool on) override { PanelDoubleBuffered = on; }  // Qt paints double-buffered anyway
    void RefreshList() override {
        if (Form->ListModel) Form->ListModel->Refresh();
    }
    void ShowFirstItem() override { Form->ListViewScrollStart(); }
    void SetStatus(const std::string& text) override {
        QString t = QString::fromStdString(text);
        Form->PanelRecNum->setText(t);
        Form->ListRowsArrived();
        if (Form->OnLoadStatus) Form->OnLoadStatus(t);
    }
    void SetItemCount(size_t count) override {
        if (Form->ListModel) Form->ListModel->SetItemCount(ClampToInt(count));
    }
    void DisableEditing() override {
        for (QAction* a : {Form->M6_TRUNCATE, Form->M6_ZAP, Form->M2_HIDEDELREC, Form->M2_SHOWDELREC, Form->M3_CUT,
                           Form->M3_PASTE, Form->M4_AdSort, Form->M6_APPEND, Form->M6_APPENDF, Form->M6_INSERT,
                           Form->M6_DELETE, Form->M6_DELETEREC, Form->M6_DELETEBYDELFLAG, Form->M6_SETALLDELFLG_T,
                           Form->M6_SETALLDELFLG_F, Form->M6_FIELDADD, Form->M6_FIELDDELETE, Form->M6_FIELDMODIFY,
                           Form->TB_CUT, Form->TB_PASTE, Form->P1_N2, Form->P1_N3, Form->P1_N4, Form->P1_N5_S1,
                           Form->P1_N5_S2, Form->P1_N6, Form->P1_N7, Form->P1_N8, Form->P1_N9, Form->P1_N11,
                           Form->P1_N12, Form->P1_N13})
            a->setEnabled(false);
    }
    void ShowLoadError(const std::string& text) override {
        // Shown once the loader has ended, so the worker never waits on an open message box.
        QString t = QString::fromLocal8Bit(text.c_str());
        QMetaObject::invokeMethod(
            Form, [form = Form, t] { MsgBox(QString(), t, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, form); },
            Qt::QueuedConnection);
    }

    void SetImportColumns(const std::vector<std::string>& captions) override { Form->SetImportColumns(captions); }
    void ShowImportError(const std::string& text) override {
        QString t = QString::fromLocal8Bit(text.c_str());
        QMetaObject::invokeMethod(
            Form, [t] { MsgBox(QStringLiteral("Error"), t, TMsgBoxIcon::None, TMsgBoxButtons::OK, false, false, 30, 30, nullptr); },
            Qt::QueuedConnection);
    }

    bool PanelDoubleBuffered = false;

private:
    TFormMain* Form;
};

void TFormMain::SetUpDocument() { LoadView = std::make_unique<TFormMainLoadView>(this); }

// ---- Opening and closing ----

void TFormMain::Open(const QString& name) {
    if (name.isEmpty())
        return;
    // No loader may touch the table or the rows while they are replaced.
    StopThread(WorkThread);
    if (CurDBF) {
        try {
            CurDBF->Close();
        } catch (const std::exception&) {
            QMessageBox::information(this, QString(), QStringLiteral("<Open>-Close DBF object error!"));
        }
        CurDBF.reset();
    }

    auto dbf = std::make_unique<TDBF>();
    try {
        dbf->SetFileName(QFile::encodeName(name).toStdString());
        dbf->Open();
    } catch (const std::exception& e) {
        QString text = ErrorText(e);
        dbf.reset();
        CloseDocument(false);
        MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return;
    }
    CurDBF = std::move(dbf);

    uint32_t records = 0;
    try {
        records = CurDBF->GetRecordCount();
        FileName = name;
        SaveToOldFiles(name);
        EnableTableCommands(true);
        HideDeleted = false;
        ShowOnlyDeleted = false;
        M2_HIDEDELREC->setChecked(false);
        M2_SHOWDELREC->setChecked(false);
        ClearFilter();

        SetStatusText(0, QStringLiteral("Field Count:") + QString::number(CurDBF->FieldCount));
        SetStatusText(1, QStringLiteral("Record Count:") + QString::number(records));
        SetStatusText(2, QStringLiteral("Current Record Number:0"));
        SetStatusText(3, QStringLiteral("ANSI"));
        SetStatusText(4, QStringLiteral("FileType:") + vx::VersionText(CurDBF->GetVersion()));
        EditCurRecNo->SetText(QStringLiteral("0"));
        CurRecNo = -1;
        TB_NEXTREC->setEnabled(false);
        TB_PRIORREC->setEnabled(false);
        PanelRecNum->setText(QString::fromStdString(OnShowTotalText(records, records)));
        setWindowTitle(QStringLiteral("Vellibrox - ") + name);

        UpdateFileInfos();
        // The new rows replace the old ones only after the list has let go of them.
        ListModel->ClearSource();
        Rows = std::make_unique<TRowStore>();
        FillColumns();
        ListModel->SetItemCount(ClampToInt(records));
    } catch (const std::exception& e) {
        QString text = ErrorText(e);
        CloseDocument(true);
        MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return;
    }

    ArrivedRows = 0;
    WorkThread.reset(new TWorkThread(CurDBF.get(), Rows.get(), LoadView.get(), this));
    WorkThread->SetMode(TWorkThread::ModeLoadTable);
    WorkThread->OnStatusPoint = OnLoaderStatusPoint;
    WorkThread->Resume();

    MainWelcomePage->hide();
    MainRightPanel->show();
    MainRightPanel->raise();
    FocusRecordList();
    ShowOpenNotice();
}

void TFormMain::ShowOpenNotice() {
    const QString text = vx::OpenNoticeText(*CurDBF);
    // Refresh and the commands that reload the table open it again: the same notice is not
    // repeated until another table is opened.
    const QString key = FileName + QLatin1Char('\n') + text;
    if (key == LastOpenNotice) return;
    LastOpenNotice = key;
    if (text.isEmpty()) return;
    // Over the window with its table, while the rows load.
    QMetaObject::invokeMethod(
        this, [this, text] { MsgBox(QString(), text, TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false, 30, 30, this); },
        Qt::QueuedConnection);
}

void TFormMain::FillColumns(const std::vector<int32_t>* removed) {
    std::vector<char> types;
    QStringList captions;
    PopupMenuSortColumnAsc->clear();
    PopupMenuSortColumnDesc->clear();
    TB_QUICKSERACHFROM->clear();
    for (int i = 0; i < CurDBF->FieldCount; ++i) {
        const TField* f = CurDBF->GetField(i);
        const char type = f ? f->GetFieldType() : 'C';
        const QString fieldName = f ? BytesToText(f->GetName()) : QString();
        types.push_back(type);
        captions << fieldName + QStringLiteral(" [") + QChar::fromLatin1(type) + QStringLiteral("] ");
        QString menuText = fieldName;
        menuText.replace('&', QStringLiteral("&&"));
        for (QMenu* menu : {PopupMenuSortColumnAsc, PopupMenuSortColumnDesc}) {
            QAction* a = menu->addAction(menuText);
            a->setData(i);
        }
        TB_QUICKSERACHFROM->addItem(fieldName);
    }
    const int kept = ListModel->columnCount() - (removed ? static_cast<int>(removed->size()) : 0);
    if (removed)
        ListModel->ChangeColumns(&Rows->DataList, types, captions, *removed);
    else
        ListModel->SetSource(&Rows->DataList, types, captions);
    for (int i = removed ? kept : 0; i < static_cast<int>(types.size()); ++i)
        MainListView->setColumnWidth(i, 100);
    ApplyListColors();
    ApplyViewMemo();

    // The quick search starts from the last search's field when this table has it.
    if (FindOptions.FieldIndex < 0 || FindOptions.FieldIndex >= CurDBF->FieldCount)
        FindOptions.FieldIndex = 0;
    TB_QUICKSERACHFROM->setCurrentIndex(FindOptions.FieldIndex);
    TB_QUICKSERACHKEY->clear();
    TB_QUICKSERACHKEY->addItems(vx::FindHistoryTexts());
    TB_QUICKSERACHKEY->setCurrentIndex(FindOptions.Direction < TB_QUICKSERACHKEY->count() ? FindOptions.Direction
                                                                                         : -1);
}

void TFormMain::Close(bool closeTable) {
    if (IsWorking() && StopWorkAsk()) return;
    CloseDocument(closeTable);
}

void TFormMain::CloseDocument(bool closeTable) {
    // A loader whose start has not been reported yet still runs: stop it before the rows go.
    StopThread(WorkThread);
    MainRightPanel->hide();
    if (ListModel)
        ListModel->ClearSource();
    Rows.reset();
    ClearFilter();
    MainListView->viewport()->update();
    setWindowTitle(QStringLiteral("Vellibrox"));
    for (int i = 0; i <= 4; ++i)
        SetStatusText(i, QString());
    EnableTableCommands(false);
    TB_QUICKSERACHFROM->clear();
    PopupMenuSortColumnAsc->clear();
    PopupMenuSortColumnDesc->clear();
    CurRecNo = -1;
    EditCurRecNo->SetText(QStringLiteral("0"));
    TB_NEXTREC->setEnabled(false);
    TB_PRIORREC->setEnabled(false);
    if (closeTable) LastOpenNotice.clear();
    if (closeTable && CurDBF) {
        try {
            CurDBF->Close();
        } catch (const std::exception&) {
        }
        CurDBF.reset();
    }
}

void TFormMain::M1_OPENClick() {
    QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                                QStringLiteral("DBase File(*.DBF);;All File(*.*)"));
    if (!name.isEmpty())
        Open(name);
}

void TFormMain::M1_CLOSEClick() {
    if (Option && Option->AlwayShowClose &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Close current document?"), Option->AlwayShowClose, true))
        return;
    Close(true);
}

void TFormMain::M2_REFRESHClick() {
    if (!CurDBF || FileName.isEmpty())
        return;
    if (KeepListOfGoneFiles())
        return;
    Open(FileName);
    HideDeleted = false;
    ShowOnlyDeleted = false;
    for (QAction* a : {M2_HIDEDELREC, M2_SHOWDELREC}) {
        a->setChecked(false);
        a->setEnabled(CurDBF != nullptr);
    }
}

bool TFormMain::KeepListOfGoneFiles() {
    // A file replaced by another loads that one; a file deleted leaves the list as it is.
    QString text;
    const QString memo = CurDBF && CurDBF->GetMemoOpened() ? QFile::decodeName(CurDBF->GetMemoFileName().c_str()) : QString();
    if (TableFileGone() && !QFileInfo::exists(FileName))
        text = QStringLiteral(" - The table's file was deleted or renamed after the table was opened. The list still "
                              "shows the table; save it as another file to keep it.");
    else if (!memo.isEmpty() && !QFileInfo::exists(memo))
        text = QStringLiteral(" - The memo file %1 was deleted or renamed after the table was opened. The list still "
                              "shows its memo texts; save the table as another file, with View, Show Memo on, to keep "
                              "them.").arg(memo);
    if (text.isEmpty())
        return false;
    MsgBox(QString(), FileName + text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
    return true;
}

void TFormMain::ReloadIfStructureChanged() {
    // The table is the window thread's only while no worker runs.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || IsWorking() || !IsLoadOver())
        return;
    if (CurDBF && CurDBF->Active && CurDBF->GetStructureChanged() && !FileName.isEmpty()) Open(FileName);
}

bool TFormMain::TableFileGone() const { return CurDBF && CurDBF->Active && !CurDBF->GetTableInPlace(); }

QString TFormMain::FilesGoneText() const {
    const std::string text = CurDBF ? CurDBF->FilesNotInPlaceText() : std::string();
    return text.empty() ? QString() : ErrorText(EDBFError(text));
}

bool TFormMain::ReloadTable() {
    if (FileName.isEmpty() || !FilesGoneText().isEmpty()) return false;
    Open(FileName);
    return true;
}

// ---- Workers ----

bool TFormMain::IsLoadOver() const {
    if (!Rows || !ListModel)
        return true;
    if (WorkThread && !WorkThread->Finished())
        return false;
    return static_cast<size_t>(ListModel->ItemCount()) == Rows->DataList.Count() ||
           Rows->DataList.Count() >= static_cast<size_t>(INT_MAX);
}

void TFormMain::StopThread(TWorkerPtr<TWorkThread>& thread) {
    thread.reset();  // sets the terminate flag, waits serving its calls, frees it
}

void TFormMain::StopWork() {
    StopThread(WorkThread);
    PostWorkerMessage(this, WM_WORKSTOP);
}

bool TFormMain::StopWorkAsk() {
    // A loader whose work is over has only its last reports to give and its stop to post; a
    // worker that has just ended has posted its stop: take them in before asking, and again
    // before stopping, so that no question comes after the work.
    const auto takeInEnd = [this] {
        if (WorkThread && WorkThread->WorkIsOver()) WorkThread->WaitFor();  // serves the reports
        QCoreApplication::sendPostedEvents(this);
    };
    takeInEnd();
    if (!IsWorking())
        return false;
    // The question is about the loader while one works; it closes by itself when the work ends.
    TMsgBoxCloser* closer = WorkThread ? WorkThread->QuestionCloser() : nullptr;
    TMsgBoxResult r = MsgBox(QString(), QStringLiteral("Some work is doing,stop it?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo,
                             false, false, 30, 30, this, closer);
    takeInEnd();
    if (closer && !IsWorking())
        return false;  // it ended while asked: the command goes on
    if (r.ModalResult == mrYes && IsWorking())
        StopWork();
    return true;
}

void TFormMain::M1_STOPWORKClick() {
    // A question asked while the loader works closes by itself, stopping nothing, when the
    // work ends while it is open.
    if (Option && Option->AlwayShowStop &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Stop?"), Option->AlwayShowStop, false,
                             WorkThread ? WorkThread->QuestionCloser() : nullptr))
        return;
    StopWork();
}

void TFormMain::OnWorkStart() {
    M1_STOPWORK->setEnabled(true);
    TB_STOPWORK->setEnabled(true);
    Working = true;
}

void TFormMain::OnWorkStop() {
    M1_STOPWORK->setEnabled(false);
    TB_STOPWORK->setEnabled(false);
    Working = false;
}

bool TFormMain::event(QEvent* e) {
    if (!IsWorkerMessage(e))
        return QMainWindow::event(e);
    auto* m = static_cast<TWorkerMessage*>(e);
    const int percent = static_cast<int>(m->WParam);
    switch (m->Message()) {
    case WM_WORKSTART: OnWorkStart(); break;
    case WM_WORKSTOP: OnWorkStop(); break;
    case WM_PGSTART: OnPGStart(); break;
    case WM_PGSTOP: OnPGStop(); break;
    case WM_PGUPDATE: OnPGUpdate(); break;
    case WM_PGPROGRESS: OnPGProgress(percent); break;
    case WM_SASTART: OnSAStart(); break;
    case WM_SASTOP: OnSAStop(m->Text); break;
    case WM_SAUPDATE: OnSAUpdate(); break;
    case WM_SAPROGRESS: OnSAProgress(percent); break;
    default: break;
    }
    return true;
}

// ---- The row list ----

TDataList* TFormMain::DataList() const { return Rows ? &Rows->DataList : nullptr; }

TDataList* TFormMain::BackupDataList() const { return Rows ? &Rows->BackupDataList : nullptr; }

bool TFormMain::GetDataDelFlag(int index) const {
    const TDataList* list = DataList();
    if (!list || index < 0) return false;
    const TDataRow* row = list->At(static_cast<size_t>(index));
    return row && row->Deleted();
}

int TFormMain::GetDataIndex(int index) const {
    const TDataList* list = DataList();
    if (!list || index < 0) return -1;
    const TDataRow* row = list->At(static_cast<size_t>(index));
    if (!row || row->RecNo() > static_cast<uint32_t>(INT_MAX)) return -1;
    return static_cast<int>(row->RecNo());
}

void TFormMain::SetDataIndex(int index, int recNo) {
    TDataList* list = DataList();
    if (!list || !CurDBF || !CurDBF->Active || index < 0 || static_cast<size_t>(index) >= list->Count() || recNo < 1)
        return;
    if (static_cast<uint32_t>(recNo) > CurDBF->GetRecordCount()) return;
    // The row is shared with BackupDataList under a filter: renumbered in place, both see it.
    TRowStore::SetRecNo((*list)[static_cast<size_t>(index)], static_cast<uint32_t>(recNo));
}

int TFormMain::GetLvIndex(int recNo) const {
    const TDataList* list = DataList();
    if (!list || !CurDBF || !CurDBF->Active || recNo < 1 || static_cast<uint32_t>(recNo) > CurDBF->GetRecordCount())
        return -1;
    const size_t n = list->Count();
    for (size_t i = 0; i < n; ++i)
        if ((*list)[i]->RecNo() == static_cast<uint32_t>(recNo)) return ClampToInt(i);
    return -1;
}

void TFormMain::DataListTruncate(int index) {
    TDataList* list = DataList();
    if (!list || index < 0 || static_cast<size_t>(index) + 1 >= list->Count()) return;
    list->Truncate(static_cast<size_t>(index) + 1);
}

int TFormMain::ItemCount() const { return ListModel ? ListModel->ItemCount() : 0; }

// ---- File and field information ----

void TFormMain::UpdateFileInfos() {
    std::vector<vx::TInfoRow> fileRows;
    std::vector<vx::TFieldInfoRow> fieldRows;
    if (CurDBF && CurDBF->Active) {
        fileRows = vx::FileInfoRows(*CurDBF, FileName);
        fieldRows = vx::FieldInfoRows(*CurDBF);
    }
    for (QTreeWidget* list : {MainFileInfoListView, MainFieldInfoListView}) {
        list->setUpdatesEnabled(false);
        list->clear();
    }
    for (const vx::TInfoRow& r : fileRows)
        new QTreeWidgetItem(MainFileInfoListView, {r.Name, r.Value});
    for (const vx::TFieldInfoRow& r : fieldRows)
        new QTreeWidgetItem(MainFieldInfoListView, {r.Name, r.Type, r.Width, r.Decimals});
    for (QTreeWidget* list : {MainFileInfoListView, MainFieldInfoListView})
        list->setUpdatesEnabled(true);
}

namespace {

void CopyThroughMemo(QPlainTextEdit* memo, const QString& text, QWidget* owner) {
    memo->clear();
    memo->setPlainText(text);
    memo->selectAll();
    memo->copy();
    memo->clear();
    MsgBox(QStringLiteral("OK"), QStringLiteral("Copy to clipboard completed"), TMsgBoxIcon::Information, TMsgBoxButtons::OK, false, false,
           30, 30, owner);
}

}  // namespace

void TFormMain::PMFileInfoToClip_1Click() {
    std::vector<vx::TInfoRow> rows;
    for (int i = 0; i < MainFileInfoListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = MainFileInfoListView->topLevelItem(i);
        rows.push_back({item->text(0), item->text(1)});
    }
    CopyThroughMemo(MemoClip, vx::FileInfoClipText(rows), this);
}

void TFormMain::PMFieldInfoToClip_1Click() {
    std::vector<vx::TFieldInfoRow> rows;
    for (int i = 0; i < MainFieldInfoListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = MainFieldInfoListView->topLevelItem(i);
        rows.push_back({item->text(0), item->text(1), item->text(2), item->text(3)});
    }
    CopyThroughMemo(MemoClip, vx::FieldInfoClipText(rows), this);
}
