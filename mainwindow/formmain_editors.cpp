// Main window: editing, appending and inserting records in their forms.
#include "mainwindow/formmain.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>

#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/workthread.h"
#include "editors/recordforms.h"
#include "engine/dbf.h"

namespace {

// The record forms' view of the main window.
class TFormMainRecordHost : public TRecordFormHost {
public:
    explicit TFormMainRecordHost(TFormMain* form) : Form(form) {}

    TDBF& Table() override { return *Form->CurDBF; }
    TRowStore& Rows() override { return *Form->Rows; }
    int SelectedIndex() override {
        int first = -1;
        for (const QItemSelectionRange& r : Form->MainListView->selectionModel()->selection())
            if (r.isValid() && (first < 0 || r.top() < first)) first = r.top();
        return first;
    }
    void GoFirst() override { Form->ListViewGoFirst(); }
    void GoPrior() override { Form->ListViewGoPrior(); }
    void GoNext() override { Form->ListViewGoNext(); }
    void GoLast() override { Form->ListViewGoLast(); }
    void GoToRec(int position) override { Form->ListViewGoToRec(position); }
    void RowTextsChanged() override {
        Form->ListModel->Refresh();
        Form->UpdateFileInfos();
    }
    void RowCountChanged() override {
        const uint32_t records = Form->CurDBF->GetRecordCount();
        const size_t shown = Form->Rows->DataList.Count();
        Form->SetStatusText(1, QStringLiteral("Record Count:") + QString::number(records));
        Form->ListModel->SetItemCount(static_cast<int>(std::min<size_t>(shown, INT_MAX)));
        Form->ListModel->Refresh();
        Form->UpdateFileInfos();
        Form->PanelRecNum->setText(QString::fromStdString(OnShowTotalText(shown, records)));
    }

private:
    TFormMain* Form;
};

}  // namespace

TRecordFormHost& TFormMain::RecordFormHost() {
    if (!RecordFormHostImpl) RecordFormHostImpl = std::make_shared<TFormMainRecordHost>(this);
    return *RecordFormHostImpl;
}

void TFormMain::M6_EDITClick() {
    if (!RequireWritable()) return;
    if (RecordFormHost().SelectedIndex() < 0) {
        MsgBox(QStringLiteral("Information"), QStringLiteral("Please select one record first."), TMsgBoxIcon::Information, TMsgBoxButtons::OK,
               false, false, 30, 30, this);
        return;
    }
    if (Option && Option->AlwayShowEdit &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Edit?"), Option->AlwayShowEdit, false))
        return;
    TFormEditRecord form(RecordFormHost(), this);
    if (form.Ready()) form.exec();
}

void TFormMain::M6_APPENDClick() {
    if (!RequireWritable()) return;
    TFormAddRecord form(RecordFormHost(), this);
    if (form.Ready()) form.exec();
}

void TFormMain::M6_INSERTClick() {
    if (!RequireWritable()) return;
    TFormInsertRecord form(RecordFormHost(), this);
    if (form.Ready()) form.exec();
}
