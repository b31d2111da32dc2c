// Main window: creating tables, and adding or deleting fields of the open table through the
// structure-change worker and its progress window.
#include "mainwindow/formmain.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include "common/bytetext.h"
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "mainwindow/fileinfo.h"
#include "common/msgbox.h"
#include "editors/fieldeditorthread.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formprogress.h"
#include "engine/dbf.h"

namespace {

// "Name(*.DBF)|*.DBF|All File(*.*)|*.*" as the file dialog's "Name(*.DBF);;All File(*.*)".
QString DialogFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        if (!parts[i].isEmpty()) names << parts[i];
    return names.join(QStringLiteral(";;"));
}

void Warn(QWidget* owner, const QString& text) {
    MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, owner);
}

// What the create-table dialog asks of the window.
class TMainCreateHost : public TCreateTableHost {
public:
    explicit TMainCreateHost(TFormMain* form) : Form(form) {}
    QString OpenFileName(const QString& filter) override {
        if (Form->AskFileName) return Form->AskFileName(false, filter);
        return QFileDialog::getOpenFileName(Form, QStringLiteral("Open"), QString(), DialogFilter(filter));
    }
    QString SaveFileName(const QString& filter) override {
        if (Form->AskFileName) return Form->AskFileName(true, filter);
        // The dialog asks its own question about an existing file.
        return QFileDialog::getSaveFileName(Form, QStringLiteral("Save"), QString(), DialogFilter(filter), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    void CloseDocument() override { Form->Close(true); }
    bool OpenTable(const QString& path) override {
        Form->Open(path);
        Form->P2_N1Click();  // the folder pane shows the new file
        return Form->CurDBF && Form->CurDBF->Active && Form->FileName == path;
    }

private:
    TFormMain* Form;
};

class TMainStructureView : public TFieldEditorView {
public:
    explicit TMainStructureView(TFormMain* form) : Form(form) {}
    void UpdateMainColumns(TFieldEditorThread& job) override { Form->UpdateMainColumns(job); }

private:
    TFormMain* Form;
};

}  // namespace

void TFormMain::SetUpStructure() {
    ProgressForm = new TFormProgress(this);
    StructureView = std::make_unique<TMainStructureView>(this);
}

// ---- Creating tables ----

void TFormMain::M1_NEWClick() {
    if (IsWorking() && StopWorkAsk()) return;
    TMainCreateHost host(this);
    TFormCreateDBF dialog(&host, this);
    dialog.exec();
}

void TFormMain::M1_NEWFROMFILEClick() {
    if (IsWorking() && StopWorkAsk()) return;
    TMainCreateHost host(this);
    TFormCreateDBF dialog(&host, this);
    dialog.BitBtnImportFieldStructureClick();
    if (dialog.RowCount() == 0) return;
    dialog.exec();
}

// ---- Adding and deleting fields ----

bool TFormMain::CanChangeStructure() {
    if (!CurDBF || !RequireWritable()) return false;
    if (IsUsingFilter()) {
        Warn(this, QStringLiteral("Can not do this job in \"Apply Filter\" mode."));
        return false;
    }
    if (HideDeleted) {
        Warn(this, QStringLiteral("Can not do this job in \"Hide Deleted Records\" mode."));
        return false;
    }
    if (ShowOnlyDeleted) {
        Warn(this, QStringLiteral("Can not do this job in \"Only Show Deleted Records\" mode."));
        return false;
    }
    return true;
}

void TFormMain::M6_FIELDADDClick() {
    if (!CanChangeStructure()) return;
    if (CurDBF->FieldCount >= MaxFieldCount) {
        Warn(this, QStringLiteral("Fields count can not more than 254."));
        return;
    }
    TIptFieldRec rec;
    {
        TFormFieldAdd dialog(*CurDBF, this);
        if (dialog.exec() != QDialog::Accepted) return;
        rec = dialog.FieldRec;
    }
    StartFieldAdd(rec);
}

void TFormMain::M6_FIELDMODIFYClick() {}

void TFormMain::M6_FIELDDELETEClick() {
    if (!CanChangeStructure()) return;
    if (CurDBF->FieldCount == 1) {
        Warn(this, QStringLiteral("There only one column."));
        return;
    }
    std::vector<int32_t> indexes;
    {
        TFormFieldDelete dialog(*CurDBF, this);
        if (dialog.exec() != QDialog::Accepted) return;
        indexes = dialog.Indexes;
    }
    StartFieldDelete(indexes);
}

void TFormMain::StartFieldAdd(const TIptFieldRec& rec) {
    if (!CurDBF || IsWorking() || FieldEditorThread) return;
    FieldEditorThread.reset(new TFieldEditorThread(CurDBF.get(), StructureView.get(), this));
    FieldEditorThread->SetMode(TFieldEditorThread::ModeAddField);
    FieldEditorThread->SetFieldDef(rec);
    if (Rows) FieldEditorThread->SetRows(&Rows->DataList);
    Working = true;  // every command that needs the table refuses until the worker has ended
    FieldEditorThread->Resume();
}

void TFormMain::StartFieldDelete(const std::vector<int32_t>& indexes) {
    if (!CurDBF || IsWorking() || FieldEditorThread || indexes.empty()) return;
    FieldEditorThread.reset(new TFieldEditorThread(CurDBF.get(), StructureView.get(), this));
    FieldEditorThread->SetMode(TFieldEditorThread::ModeDeleteFields);
    FieldEditorThread->SetDeleteFields(indexes.data(), static_cast<int32_t>(indexes.size()));
    if (Rows) FieldEditorThread->SetRows(&Rows->DataList);
    Working = true;
    FieldEditorThread->Resume();
}

// ---- The worker's messages ----

void TFormMain::OnPGStart() {
    if (ProgressForm) {
        ProgressForm->SetPosition(0);
        ProgressForm->exec();  // until the worker's stop message closes it
    }
    FinishFieldEditor();
}

void TFormMain::OnPGProgress(int percent) {
    if (ProgressForm) ProgressForm->SetPosition(percent);
}

void TFormMain::OnPGStop() {
    if (ProgressForm && ProgressForm->isVisible()) ProgressForm->Finish();
    else QTimer::singleShot(0, this, [this] { FinishFieldEditor(); });
}

void TFormMain::FinishFieldEditor() {
    if (!FieldEditorThread) return;
    FieldEditorThread->WaitFor();
    const bool changed = FieldEditorThread->Succeeded();
    const QString error = FailureMessage(FieldEditorThread->Failure());
    FieldEditorThread.reset();
    Working = false;
    if (changed) return;
    // The engine has put the files back as they were: read the table again so that the list
    // shows what the files hold (unless the file is gone), then tell why the change did not
    // happen.
    ReloadTable();
    Warn(this, error);
}

// ---- The list after a change ----

void TFormMain::UpdateMainColumns(TFieldEditorThread& job) {
    if (!CurDBF || !Rows || !ListModel) return;
    const bool adding = job.GetMode() == TFieldEditorThread::ModeAddField;
    const std::vector<int32_t>& removed = job.GetDeleteFields();
    // Each column of the new layout keeps the width and visibility it had.
    std::vector<int> oldColumn;
    const int oldCount = ListModel->columnCount();
    for (int c = 0; c < oldCount; ++c)
        if (adding || !std::binary_search(removed.begin(), removed.end(), c)) oldColumn.push_back(c);
    std::vector<std::pair<int, bool>> looks;
    for (int c : oldColumn) looks.emplace_back(MainListView->columnWidth(c), MainListView->isColumnHidden(c));

    MainListView->setUpdatesEnabled(false);
    // A new field: the rows the worker built while the table changed take the old rows'
    // place. Deleted fields leave the rows in place.
    std::unique_ptr<TRowStore> old;
    if (adding) {
        old = std::move(Rows);
        Rows = job.TakeRows();
        if (!Rows) {
            Rows = std::make_unique<TRowStore>();
            CopyRowsWithField(old->DataList, job.NewFieldText(), *Rows);
        }
    } else {
        Rows->RemoveFields(removed);
    }
    Rows->SetPrints(job.RecordPrints());  // every record changed with the layout
    // The columns, sort items and quick-search fields; the list keeps its row count.
    const std::vector<int32_t> none;
    FillColumns(adding ? &none : &removed);
    ListModel->SetItemCount(static_cast<int>(std::min<size_t>(Rows->DataList.Count(), INT32_MAX)));
    if (old) job.DisposeRows(std::move(old));
    for (size_t c = 0; c < looks.size() && static_cast<int>(c) < ListModel->columnCount(); ++c) {
        MainListView->setColumnWidth(static_cast<int>(c), looks[c].first);
        MainListView->setColumnHidden(static_cast<int>(c), looks[c].second);
    }
    if (CurRecNo >= 1) ListViewGoToRec(CurRecNo);
    MainListView->setUpdatesEnabled(true);
    MainListView->viewport()->update();

    SetStatusText(0, QStringLiteral("Field Count:") + QString::number(CurDBF->FieldCount));
    SetStatusText(4, QStringLiteral("FileType:") + vx::VersionText(CurDBF->GetVersion()));
    UpdateFileInfos();
    if (OnStructureShown) OnStructureShown();
}
