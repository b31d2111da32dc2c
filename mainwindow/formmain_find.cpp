// Main window: find, find next, replace, the quick search, filter, sorting, statistics and
// the columns dialog. Each handler asks the user through its dialog, runs the back end over the
// row store and updates the list.
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include <exception>

#include "common/bytetext.h"
#include "common/columninfo.h"
#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/findhistory.h"
#include "mainwindow/formmain.h"
#include "common/msgbox.h"
#include "common/replace.h"
#include "common/stats.h"
#include "common/workthread.h"
#include "editors/formadsortselect.h"
#include "editors/formcolumns.h"
#include "editors/formfilter.h"
#include "editors/formfind.h"
#include "editors/formreplace.h"
#include "editors/formstat.h"
#include "engine/dbf.h"

namespace {

// Enter in a quick-search box runs the quick search.
class TQuickSearchKeys : public QObject {
public:
    TQuickSearchKeys(TFormMain* form) : QObject(form), Form(form) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        Form->TB_QUICKFINDClick();
        return true;
    }

private:
    TFormMain* Form;
};

void Inform(QWidget* owner, const QString& text, TMsgBoxIcon icon) {
    MsgBox(QString(), text, icon, TMsgBoxButtons::OK, false, false, 30, 30, owner);
}

}  // namespace

void TFormMain::SetUpFind() {
    QHeaderView* header = MainListView->horizontalHeader();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &TFormMain::MainListViewColumnClick);
    connect(PopupMenuSortColumnAsc, &QMenu::triggered, this, &TFormMain::MenuItemClickSortAsc);
    connect(PopupMenuSortColumnDesc, &QMenu::triggered, this, &TFormMain::MenuItemClickSortDesc);
    auto* keys = new TQuickSearchKeys(this);
    TB_QUICKSERACHKEY->installEventFilter(keys);
    if (TB_QUICKSERACHKEY->lineEdit()) TB_QUICKSERACHKEY->lineEdit()->installEventFilter(keys);
    TB_QUICKSERACHFROM->installEventFilter(keys);
}

QStringList TFormMain::FieldNames() const {
    QStringList names;
    if (!CurDBF || !CurDBF->Active) return names;
    for (int i = 0; i < CurDBF->FieldCount; ++i) names << BytesToText(CurDBF->GetFieldName(i));
    return names;
}

QStringList TFormMain::ColumnCaptions() const {
    QStringList captions;
    for (int i = 0; ListModel && i < ListModel->columnCount(); ++i)
        captions << ListModel->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
    return captions;
}

bool TFormMain::RequireIdle() {
    if (!IsWorking()) return true;
    Inform(this, QStringLiteral("Some work is doing..."), TMsgBoxIcon::Information);
    return false;
}

// ---- Find and replace ----

void TFormMain::M3_FINDClick() {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    TFormFind form(this, FieldNames(), FindOptions, FirstSelectedRow());
    if (form.exec() != QDialog::Accepted) return;
    FindOptions = form.Options;
    Find();
}

void TFormMain::M3_FINDNEXTClick() {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    if (!FindOptions.Text.empty()) FindNext();
}

void TFormMain::FindNext() {
    const int selected = FirstSelectedRow();
    if (selected < 0)
        FindOptions.StartRow = 0;
    else
        FindOptions.StartRow = FindOptions.Direction == 0 ? selected + 1 : selected - 1;
    Find();
}

void TFormMain::Find() {
    const TDataList* list = DataList();
    if (!list) return;
    const int count = static_cast<int>(std::min<size_t>(list->Count(), INT_MAX));
    // Going up from beyond the last row starts at the last row.
    if (FindOptions.Direction != 0 && FindOptions.StartRow >= count) FindOptions.StartRow = count - 1;
    const ptrdiff_t found = FindRow(*list, FindOptions);
    if (found < 0) {
        Inform(this, QStringLiteral("Search string not found!"), TMsgBoxIcon::Warning);
        return;
    }
    const int i = static_cast<int>(found);
    FindOptions.StartRow = FindOptions.Direction == 0 ? i + 1 : i - 1;
    ListViewGoToRec(i + 1);
}

void TFormMain::M3_REPLACEClick() {
    if (!CurDBF) return;
    if (!RequireWritable()) return;
    const int rows = static_cast<int>(std::min<size_t>(Rows->DataList.Count(), INT_MAX));
    TFormReplace form(this, FieldNames(), FindOptions, rows);
    if (form.exec() != QDialog::Accepted) return;
    FindOptions = form.Options;
    Replace();
}

void TFormMain::Replace() {
    if (!RequireWritable()) return;
    const TReplaceResult r = ReplaceInRows(*CurDBF, *Rows, FindOptions);
    ListModel->Refresh();
    if (!r.Error.empty()) {
        // The rows changed before the failure stay changed: the message counts them.
        Inform(this, ReplaceMessage(r), TMsgBoxIcon::Warning);
        return;
    }
    Inform(this, ReplaceMessage(r), TMsgBoxIcon::Information);
    if (r.Count > 0) ListViewGoToRec(r.FirstPosition);
}

void TFormMain::TB_QUICKFINDClick() {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    const QString text = TB_QUICKSERACHKEY->currentText();
    if (text.isEmpty()) return;
    QString bad;
    const std::optional<std::string> bytes = TryTextToBytes(text, &bad);
    if (!bytes) {
        Inform(this, CannotHoldMessage(bad), TMsgBoxIcon::Warning);
        return;
    }
    vx::AddToFindHistory(*bytes);
    TB_QUICKSERACHKEY->clear();
    TB_QUICKSERACHKEY->addItems(vx::FindHistoryTexts());
    TB_QUICKSERACHKEY->setCurrentIndex(TB_QUICKSERACHKEY->count() ? 0 : -1);
    if (TB_QUICKSERACHKEY->count() == 0) TB_QUICKSERACHKEY->setEditText(text);
    FindOptions.Text = *bytes;
    FindOptions.ByField = true;
    FindOptions.FieldIndex = TB_QUICKSERACHFROM->currentIndex();
    FindOptions.Match = MatchAnyPart;
    FindOptions.Direction = 0;
    FindOptions.IgnoreCase = true;
    FindNext();
}

// ---- Filter ----

int TFormMain::GetFilterItemCount(int group) const {
    return group >= 0 && group < GetFilterCount() ? static_cast<int>(FilterList[size_t(group)].size()) : 0;
}

TFilterItem TFormMain::GetFilterItem(int group, int item) const {
    if (item < 0 || item >= GetFilterItemCount(group)) return {};
    return FilterList[size_t(group)][size_t(item)];
}

bool TFormMain::IsUsingFilter() const { return Rows && Rows->UsingFilter; }

void TFormMain::SetUsingFilterFlag(bool on) {
    M6_DOFILTER->setChecked(on);
    TB_DOFILTER->setChecked(on);
}

void TFormMain::ClearBackupDataList() {
    if (!Rows) return;
    ::UndoFilter(*Rows);  // rows the filter hides are not lost
    Rows->BackupDataList.Clear();
}

void TFormMain::ClearFilter() {
    FilterList.clear();
    SetUsingFilterFlag(false);
    ClearBackupDataList();
}

void TFormMain::AfterRowsChanged() {
    const size_t shown = Rows ? Rows->DataList.Count() : 0;
    ListModel->SetItemCount(0);
    ListModel->SetItemCount(static_cast<int>(std::min<size_t>(shown, INT_MAX)));
    ListModel->Refresh();
    size_t total = Rows ? Rows->AllRows().Count() : 0;
    try {
        if (CurDBF && CurDBF->Active) total = CurDBF->GetRecordCount();
    } catch (const std::exception&) {
    }
    PanelRecNum->setText(QString::fromStdString(OnShowTotalText(shown, total)));
    MainListViewClick();
}

void TFormMain::DoFilter() {
    if (!Rows || !CurDBF || IsUsingFilter()) return;
    if (FilterList.empty()) {
        SetUsingFilterFlag(false);
        return;
    }
    ApplyFilter(*Rows, FilterList, ColumnInfos(*CurDBF));
    AfterRowsChanged();
    SetUsingFilterFlag(true);
}

void TFormMain::UndoFilter() {
    if (!Rows || !IsUsingFilter()) return;
    ::UndoFilter(*Rows);
    AfterRowsChanged();
    SetUsingFilterFlag(false);
}

void TFormMain::M6_FILTERClick() {
    if (!CurDBF || !RequireIdle()) return;
    if (!ListModel || ListModel->columnCount() < 1) return;
    TFormFilter form(this, FieldNames(), FilterList, IsUsingFilter());
    if (form.exec() != QDialog::Accepted) return;
    FilterList = form.Filter;
    // The rows change only once the loader has delivered them all.
    if (!IsLoadOver()) return ShowLoadingBox();
    UndoFilter();
    DoFilter();
}

void TFormMain::M6_DOFILTERClick() {
    if (!CurDBF) return;
    if (!IsLoadOver() || IsWorking()) {
        SetUsingFilterFlag(IsUsingFilter());  // the click toggled the check mark
        if (!IsLoadOver()) ShowLoadingBox();
        else RequireIdle();
        return;
    }
    if (IsUsingFilter())
        UndoFilter();
    else
        DoFilter();
}

// ---- Sorting ----

void TFormMain::Sort(int fieldIndex, bool ascending, char type) {
    SortColumn = fieldIndex;
    SortAscending = ascending;
    if (!Rows || !CurDBF || fieldIndex < 0 || fieldIndex >= CurDBF->FieldCount) return;
    SortRows(Rows->DataList, fieldIndex, ascending, type);
}

void TFormMain::AdSort() {
    if (Rows) SortRows(Rows->DataList, SortKeyList);
}

void TFormMain::AfterSort() {
    ListModel->Refresh();
    ListViewNotSelAll();
    ListViewGoToRec(1);
}

void TFormMain::MainListViewColumnClick(int column) {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    if (!RequireIdle()) return;
    Sort(column, !SortAscending, CurDBF->GetFieldType(column));
    AfterSort();
}

namespace {

// The field of a sort pop-up item, found by its caption; -1 when none.
int SortItemField(const TDBF& dbf, const QAction* item) {
    QString name = item->text();
    name.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return dbf.FieldIndex(TextToBytes(name));
}

}  // namespace

void TFormMain::MenuItemClickSortAsc(QAction* item) { SortByMenuItem(item, true); }

void TFormMain::MenuItemClickSortDesc(QAction* item) { SortByMenuItem(item, false); }

void TFormMain::SortByMenuItem(QAction* item, bool ascending) {
    if (!CurDBF || !item) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    if (!RequireIdle()) return;
    const int field = SortItemField(*CurDBF, item);
    if (field < 0) return;
    Sort(field, ascending, CurDBF->GetFieldType(field));
    AfterSort();
}

void TFormMain::M4_AdSortClick() {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    if (!RequireIdle()) return;
    TFormAdSortSelect form(this, ColumnCaptions(), ColumnInfos(*CurDBF));
    if (form.exec() != QDialog::Accepted) return;
    SortKeyList = form.Keys;
    AdSort();
    AfterSort();
}

// ---- Statistics and columns ----

void TFormMain::M4_STATClick() {
    if (!CurDBF) return;
    if (!IsLoadOver()) return ShowLoadingBox();
    if (!ListModel || ListModel->columnCount() < 1) return;
    TFormStat form(this, FieldStatistics(Rows->DataList, ColumnInfos(*CurDBF)));
    form.exec();
}

void TFormMain::M2_COLUMNSClick() {
    if (!ListModel || ListModel->columnCount() < 1) return;
    std::vector<int> widths;
    for (int i = 0; i < ListModel->columnCount(); ++i) widths.push_back(MainListView->columnWidth(i));
    TFormColumns form(this, ColumnCaptions(), widths);
    if (form.exec() != QDialog::Accepted) return;
    MainListView->setUpdatesEnabled(false);
    for (int i = 0; i < ListModel->columnCount() && size_t(i) < form.Widths.size(); ++i)
        MainListView->setColumnWidth(i, form.Widths[size_t(i)]);
    MainListView->setUpdatesEnabled(true);
}
