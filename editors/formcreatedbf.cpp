#include "editors/formcreatedbf.h"

#include "app/bytetext.h"
#include "app/msgbox.h"
#include "controls/xpmenu.h"
#include "editors/createtable.h"
#include "editors/dialogkeys.h"
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

QString ErrorText(const std::exception& e) {
    QString text = QString::fromLocal8Bit(e.what());
    return text.isEmpty() ? QStringLiteral("Unknown error.") : text;
}

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

TFormCreateDBF::TFormCreateDBF(TCreateTableHost* host, QWidget* owner) : QDialog(owner), Host(host) {
    XPMenu1 = new TXPMenu(this);
    setObjectName(QStringLiteral("FormCreateDBF"));
    setWindowTitle(QStringLiteral("Create DBF"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    setFont(font);

    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* g = new QGridLayout(group);

    auto* head = new QHBoxLayout;
    Image1 = new QLabel(group);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(48, 48);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogNewFolder).pixmap(48, 48));
    head->addWidget(Image1);
    head->addWidget(new QLabel(QStringLiteral("File type"), group));
    cbFileType = new QComboBox(group);
    cbFileType->setObjectName(QStringLiteral("cbFileType"));
    cbFileType->addItems(KindNames());
    cbFileType->setCurrentIndex(0);
    head->addWidget(cbFileType, 1);
    g->addLayout(head, 0, 0, 1, 2);
    g->addWidget(Separator(group), 1, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Field List:"), group), 2, 0, 1, 2);

    ListViewFields = new QTableWidget(0, 4, group);
    ListViewFields->setObjectName(QStringLiteral("ListViewFields"));
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
        b = new QPushButton(QString::fromLatin1(caption), group);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
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
    BitBtnImportFieldStructure = new QPushButton(QStringLiteral("Import Field Structure From File"), group);
    BitBtnImportFieldStructure->setObjectName(QStringLiteral("BitBtnImportFieldStructure"));
    BitBtnImportFieldStructure->setAutoDefault(false);
    connect(BitBtnImportFieldStructure, &QPushButton::clicked, this, &TFormCreateDBF::BitBtnImportFieldStructureClick);
    g->addWidget(BitBtnImportFieldStructure, 5, 0, 1, 2);
    top->addWidget(group, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    connect(BitBtn1, &QPushButton::clicked, this, &TFormCreateDBF::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormCreateDBF::BitBtn2Click);
    top->addLayout(bottom);
    resize(484, 401);
    InstallDialogKeys(this);
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
    return MsgBox(QString(), text, mbiQuestion, mbbYesNo, false, false, 30, 30, this).ModalResult == mrYes;
}

void TFormCreateDBF::Inform(const QString& text, int buttons) {
    MsgBox(QString(), text, mbiInformation, buttons, false, false, 30, 30, this);
}

void TFormCreateDBF::Warn(const QString& text) { MsgBox(QString(), text, mbiWarning, mbbOK, false, false, 30, 30, this); }

// ---- Commands ----

void TFormCreateDBF::BitBtnAddClick() {
    if (RowCount() >= MaxFields) {
        Inform(QStringLiteral("The Fields Number Could Not Be More Than 254."), mbbOK);
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
        Inform(QStringLiteral("Please Select One Item."), mbbOK);
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
        Inform(QStringLiteral("Please Select One Item."), mbbOK);
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
        Inform(QStringLiteral("Please Select One Item."), mbbOK);
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
        Inform(QStringLiteral("Please Clear the Field List First."), mbbYes);
        return;
    }
    const QString name = Host ? Host->OpenFileName(QStringLiteral("DBase File(*.DBF)|*.DBF|All File(*.*)|*.*")) : QString();
    if (name.isEmpty()) return;
    createtable::TImported design;
    try {
        design = createtable::ReadDesign(QFile::encodeName(name).toStdString());
    } catch (const std::exception&) {
        Warn(QStringLiteral("Open DBF File Error!"));
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
        Warn(check.Message);
        SelectRow(check.Row);
        ListViewFields->setFocus();
        return;
    }
    QString name = Host ? Host->SaveFileName(createtable::SaveFilter(kind)) : QString();
    if (name.isEmpty()) return;
    name = createtable::WithDefaultExtension(name);
    if (QFileInfo::exists(name) &&
        MsgBox(QStringLiteral("Confirm"), QStringLiteral("File already exist! Overwrite?"), mbiQuestion, mbbYesNo,
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
        Warn(ErrorText(e));
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
    QDialog::reject();
}
