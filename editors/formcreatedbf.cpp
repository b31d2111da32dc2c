#include "editors/formcreatedbf.h"

#include "common/bytetext.h"
#include "common/errortext.h"
#include "common/msgbox.h"
#include "controls/xpmenu.h"
#include "editors/createtable.h"
#include "editors/dialogparts.h"
#include "editors/formfielditem.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <exception>

using namespace fieldtypes;

namespace {

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

TFormCreateDBF::TFormCreateDBF(TCreateTableHost* host, QWidget* owner) : TFormAlphaShow(owner), Host(host) {
    XPMenu1 = new TXPMenu(this);
    dlg::SetUpDesignDialog(this, "FormCreateDBF", QStringLiteral("Create DBF"));

    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* g = new QGridLayout(group);

    auto* head = new QHBoxLayout;
    Image1 = dlg::Named(new QLabel(group), "Image1");
    Image1->setFixedSize(48, 48);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogNewFolder).pixmap(48, 48));
    head->addWidget(Image1);
    head->addWidget(new QLabel(QStringLiteral("File type"), group));
    cbFileType = dlg::Named(new QComboBox(group), "cbFileType");
    cbFileType->addItems(KindNames());
    cbFileType->setCurrentIndex(0);
    head->addWidget(cbFileType, 1);
    g->addLayout(head, 0, 0, 1, 2);
    g->addWidget(Separator(group), 1, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Field List:"), group), 2, 0, 1, 2);

    ListViewFields = dlg::Named(new QTableWidget(0, 4, group), "ListViewFields");
    ListViewFields->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Width"), QStringLiteral("Decimal")});
    const int widths[] = {80, 80, 60, 80};
    for (int c = 0; c < 4; ++c) ListViewFields->setColumnWidth(c, widths[c]);
    ListViewFields->verticalHeader()->hide();
    ListViewFields->verticalHeader()->setDefaultSectionSize(20);
    ListViewFields->horizontalHeader()->setSectionsClickable(false);
    ListViewFields->horizontalHeader()->setHighlightSections(false);
    ListViewFields->setShowGrid(true);
    ListViewFields->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewFields->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewFields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette keep = ListViewFields->palette();  // the selection stays visible without focus
    keep.setColor(QPalette::Inactive, QPalette::Highlight, keep.color(QPalette::Active, QPalette::Highlight));
    keep.setColor(QPalette::Inactive, QPalette::HighlightedText, keep.color(QPalette::Active, QPalette::HighlightedText));
    ListViewFields->setPalette(keep);
    connect(ListViewFields, &QTableWidget::cellDoubleClicked, this, [this] { ListViewFieldsDblClick(); });
    g->addWidget(ListViewFields, 3, 0);

    auto* side = new QVBoxLayout;
    auto button = [this, group, side](QPushButton*& b, const char* name, const char* caption, void (TFormCreateDBF::*slot)()) {
        b = dlg::Button(QString::fromLatin1(caption), group, name);
        connect(b, &QPushButton::clicked, this, slot);
        side->addWidget(b);
    };
    button(BitBtnAdd, "BitBtnAdd", "Add", &TFormCreateDBF::BitBtnAddClick);
    button(BitBtnModi, "BitBtnModi", "Modify", &TFormCreateDBF::BitBtnModiClick);
    button(BitBtnDel, "BitBtnDel", "Delete", &TFormCreateDBF::BitBtnDelClick);
    button(BitBtnClear, "BitBtnClear", "Clear", &TFormCreateDBF::BitBtnClearClick);
    button(BitBtnMoveUp, "BitBtnMoveUp", "Move Up", &TFormCreateDBF::BitBtnMoveUpClick);
    button(BitBtnMoveDown, "BitBtnMoveDown", "Move Down", &TFormCreateDBF::BitBtnMoveDownClick);
    side->addStretch(1);
    g->addLayout(side, 3, 1);
    g->addWidget(Separator(group), 4, 0, 1, 2);
    BitBtnImportFieldStructure =
        dlg::Button(QStringLiteral("Import Field Structure From File"), group, "BitBtnImportFieldStructure");
    connect(BitBtnImportFieldStructure, &QPushButton::clicked, this, &TFormCreateDBF::BitBtnImportFieldStructureClick);
    g->addWidget(BitBtnImportFieldStructure, 5, 0, 1, 2);
    top->addWidget(group, 1);

    top->addLayout(dlg::OkCancelRow(this, BitBtn1, BitBtn2));
    connect(BitBtn1, &QPushButton::clicked, this, &TFormCreateDBF::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormCreateDBF::BitBtn2Click);
    resize(484, 401);
    XPMenu1->SetActive(true);
}

// ---- The design ----

int TFormCreateDBF::Kind() const { return cbFileType->currentIndex(); }

int TFormCreateDBF::RowCount() const { return ListViewFields->rowCount(); }

TDesignField TFormCreateDBF::Row(int row) const {
    auto text = [&](int c) {
        const QTableWidgetItem* item = ListViewFields->item(row, c);
        return item ? item->text() : QString();
    };
    return {text(0), text(1), text(2).toInt(), text(3).toInt()};
}

std::vector<TDesignField> TFormCreateDBF::Rows() const {
    std::vector<TDesignField> rows;
    for (int r = 0; r < RowCount(); ++r) rows.push_back(Row(r));
    return rows;
}

void TFormCreateDBF::SetRow(int row, const TDesignField& f) {
    const QString texts[] = {f.Name, f.TypeName, QString::number(f.Width), QString::number(f.Decimals)};
    for (int c = 0; c < 4; ++c) ListViewFields->setItem(row, c, new QTableWidgetItem(texts[c]));
}

void TFormCreateDBF::AddRow(const TDesignField& field) {
    const int row = RowCount();
    ListViewFields->insertRow(row);
    SetRow(row, field);
}

int TFormCreateDBF::SelectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = ListViewFields->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void TFormCreateDBF::SelectRow(int row) {
    ListViewFields->clearSelection();
    if (row >= 0 && row < RowCount()) {
        ListViewFields->selectRow(row);
        ListViewFields->setCurrentCell(row, 0);
    }
}

// ---- Questions and messages ----

bool TFormCreateDBF::Ask(const QString& text) {
    return MsgBox(QString(), text, TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false, false, 30, 30, this).ModalResult == mrYes;
}

void TFormCreateDBF::Inform(const QString& text, TMsgBoxButtons buttons) {
    MsgBox(QString(), text, TMsgBoxIcon::Information, buttons, false, false, 30, 30, this);
}

// ---- Commands ----

void TFormCreateDBF::BitBtnAddClick() {
    if (RowCount() >= MaxFields) {
        Inform(QStringLiteral("The Fields Number Could Not Be More Than 254."), TMsgBoxButtons::OK);
        return;
    }
    TFormAddFieldItem dialog(this);
    dialog.exec();
}

void TFormCreateDBF::ModifySelected() {
    if (!Ask(QStringLiteral("Modify?"))) return;
    TFormModiFieldItem dialog(this);
    dialog.exec();
}

void TFormCreateDBF::BitBtnModiClick() {
    if (SelectedRow() < 0) {
        Inform(QStringLiteral("Please Select One Item."), TMsgBoxButtons::OK);
        return;
    }
    ModifySelected();
}

void TFormCreateDBF::ListViewFieldsDblClick() {
    if (SelectedRow() >= 0) ModifySelected();
}

void TFormCreateDBF::BitBtnDelClick() {
    const int row = SelectedRow();
    if (row < 0) {
        Inform(QStringLiteral("Please Select One Item."), TMsgBoxButtons::OK);
        return;
    }
    if (Ask(QStringLiteral("Delete?"))) ListViewFields->removeRow(row);
}

void TFormCreateDBF::BitBtnClearClick() {
    if (Ask(QStringLiteral("Clear?"))) ListViewFields->setRowCount(0);
}

void TFormCreateDBF::MoveRow(int delta) {
    const int row = SelectedRow();
    if (row < 0) {
        Inform(QStringLiteral("Please Select One Item."), TMsgBoxButtons::OK);
        return;
    }
    const int to = row + delta;
    if (to < 0 || to >= RowCount()) return;
    const TDesignField field = Row(row);
    ListViewFields->removeRow(row);
    ListViewFields->insertRow(to);
    SetRow(to, field);
    SelectRow(to);
}

void TFormCreateDBF::BitBtnMoveUpClick() { MoveRow(-1); }

void TFormCreateDBF::BitBtnMoveDownClick() { MoveRow(1); }

void TFormCreateDBF::BitBtnImportFieldStructureClick() {
    if (RowCount() > 0) {
        Inform(QStringLiteral("Please Clear the Field List First."), TMsgBoxButtons::Yes);
        return;
    }
    const QString name = Host ? Host->OpenFileName(QStringLiteral("DBase File(*.DBF)|*.DBF|All File(*.*)|*.*")) : QString();
    if (name.isEmpty()) return;
    createtable::TImported design;
    try {
        design = createtable::ReadDesign(QFile::encodeName(name).toStdString());
    } catch (const std::exception&) {
        dlg::Warn(QStringLiteral("Open DBF File Error!"), this);
        return;
    }
    for (const TDesignField& f : design.Fields) AddRow(f);
    cbFileType->setCurrentIndex(design.Kind);
}

void TFormCreateDBF::BitBtn1Click() {
    if (RowCount() == 0) {
        accept();
        return;
    }
    const int kind = Kind();
    std::vector<createtable::TFieldDef> defs;
    const createtable::TDesignCheck check = createtable::CheckDesign(Rows(), kind, defs);
    if (!check.Ok()) {
        dlg::Warn(check.Message, this, ListViewFields);
        SelectRow(check.Row);
        return;
    }
    QString name = Host ? Host->SaveFileName(createtable::SaveFilter(kind)) : QString();
    if (name.isEmpty()) return;
    name = createtable::WithDefaultExtension(name);
    if (QFileInfo::exists(name) &&
        MsgBox(QStringLiteral("Confirm"), QStringLiteral("File already exist! Overwrite?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo,
               false, false, 30, 30, this)
                .ModalResult != mrYes)
        return;

    const QDate today = QDate::currentDate();
    const createtable::THeaderValues header = createtable::HeaderOf(defs, kind, today.year(), today.month(), today.day());
    createtable::TNewTable table;
    try {
        // The new file is complete before the document is closed and the file put in place.
        table.Prepare(QFile::encodeName(name).toStdString(), header, defs);
        if (Host) Host->CloseDocument();
        table.Commit();
    } catch (const std::exception& e) {
        dlg::Warn(ErrorText(e), this);
        return;
    }
    CreatedFileName = name;
    if (Host && !Host->OpenTable(name)) return;
    accept();
}

void TFormCreateDBF::BitBtn2Click() { reject(); }

void TFormCreateDBF::reject() {
    if (Asking) return;
    if (RowCount() > 0) {
        Asking = true;
        const bool yes = Ask(QStringLiteral("Give Up?"));
        Asking = false;
        if (!yes) return;
    }
    TFormAlphaShow::reject();
}
