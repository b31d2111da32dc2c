#include "editors/formfieldadd.h"

#include "app/bytetext.h"
#include "app/msgbox.h"
#include "controls/colors.h"
#include "controls/flatchecklistbox.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/dialogkeys.h"
#include "editors/fieldcheck.h"
#include "editors/fieldtypes.h"
#include "engine/dbf.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace fieldtypes;

namespace {

void SetUpDialog(QDialog* d, const char* name, const char* caption) {
    d->setObjectName(QLatin1String(name));
    d->setWindowTitle(QString::fromLatin1(caption));
    d->setWindowFlags(d->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    d->setModal(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    d->setFont(font);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* VersionLabel(QWidget* parent, const TDBF& dbf) {
    auto* label = new QLabel(BytesToText(DbfVersionName(dbf.GetVersion())), parent);
    label->setObjectName(QStringLiteral("LabelFileType"));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ToQColor(clBtnShadow));
    label->setPalette(p);
    return label;
}

void SetEditEnabled(TNumberEdit* edit, bool enabled) {
    edit->setEnabled(enabled);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, ToQColor(enabled ? clWindow : clBtnFace));
    edit->setPalette(p);
}

}  // namespace

// ---- New Field ----

TFormFieldAdd::TFormFieldAdd(TDBF& dbf, QWidget* owner) : QDialog(owner), Dbf(dbf) {
    XPMenu1 = new TXPMenu(this);
    SetUpDialog(this, "FormFieldAdd", "New Field");
    FKind = TableKindOfVersion(dbf.GetVersion());

    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    LabelFileType = VersionLabel(group, dbf);
    grid->addWidget(LabelFileType, 0, 0, 1, 2);
    EditName = new QLineEdit(group);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setMaxLength(10);
    connect(EditName, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = EditName->cursorPosition();
        EditName->setText(upper);
        EditName->setCursorPosition(cursor);
    });
    cbType = new QComboBox(group);
    cbType->setObjectName(QStringLiteral("cbType"));
    EditWidth = new TNumberEdit(group);
    EditWidth->setObjectName(QStringLiteral("EditWidth"));
    EditDecimal = new TNumberEdit(group);
    EditDecimal->setObjectName(QStringLiteral("EditDecimal"));
    EditFilledValue = new QLineEdit(group);
    EditFilledValue->setObjectName(QStringLiteral("EditFilledValue"));
    const char* labels[] = {"Name", "Type", "Width", "Decimal", "Fill Value"};
    QWidget* edits[] = {EditName, cbType, EditWidth, EditDecimal, EditFilledValue};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(labels[i]), group), i + 1, 0);
        grid->addWidget(edits[i], i + 1, 1);
    }
    grid->setColumnStretch(1, 1);
    top->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn1 = Button(this, "BitBtn1", "OK");
    BitBtn2 = Button(this, "BitBtn2", "Cancel");
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    top->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldAdd::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    for (int i = 0; i < OfferedTypeCount(FKind); ++i) cbType->addItem(TypeName(i));
    cbType->setCurrentIndex(-1);
    connect(cbType, &QComboBox::currentIndexChanged, this, [this] { cbTypeChange(); });
    SetEditEnabled(EditWidth, false);
    SetEditEnabled(EditDecimal, false);
    resize(300, 260);
    InstallDialogKeys(this);
    XPMenu1->SetActive(true);
}

void TFormFieldAdd::cbTypeChange() {
    const int type = cbType->currentIndex();
    if (type < 0) return;
    const TTypeDefaults d = DefaultsOf(type, FKind);
    EditWidth->SetValue(d.Width);
    EditDecimal->SetValue(d.Decimals);
    SetEditEnabled(EditWidth, d.WidthEnabled);
    SetEditEnabled(EditDecimal, d.DecimalsEnabled);
}

void TFormFieldAdd::BitBtn1Click() {
    fieldcheck::TFieldInput in;
    in.Name = EditName->text();
    in.TypeIndex = cbType->currentIndex();
    in.Width = EditWidth->Value();
    in.Decimals = EditDecimal->Value();
    in.Fill = EditFilledValue->text();
    TIptFieldRec rec;
    const fieldcheck::TCheck c =
        fieldcheck::CheckNewField(in, [this](const std::string& name) { return Dbf.FieldIndex(name) != -1; }, rec);
    if (!c.Ok()) {
        MsgBox(QString(), c.Message, mbiWarning, mbbOK, false, false, 30, 30, this);
        QWidget* focus = c.Control == fieldcheck::cType      ? static_cast<QWidget*>(cbType)
                         : c.Control == fieldcheck::cWidth   ? EditWidth
                         : c.Control == fieldcheck::cDecimal ? EditDecimal
                         : c.Control == fieldcheck::cFill    ? EditFilledValue
                                                             : EditName;
        focus->setFocus();
        return;
    }
    FieldRec = rec;
    accept();
}

// ---- Delete Fields ----

TFormFieldDelete::TFormFieldDelete(TDBF& dbf, QWidget* owner) : QDialog(owner) {
    XPMenu1 = new TXPMenu(this);
    SetUpDialog(this, "FormFieldDelete", "Delete Fields");
    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* l = new QVBoxLayout(group);
    LabelFileType = VersionLabel(group, dbf);
    l->addWidget(LabelFileType);
    clbFields = new TFlatCheckListBox(group);
    clbFields->setObjectName(QStringLiteral("clbFields"));
    QStringList names;
    for (int i = 0; i < dbf.FieldCount; ++i) names << BytesToText(dbf.GetFieldName(i));
    clbFields->SetItems(names);
    clbFields->setMinimumSize(220, 200);
    // A click on an item's text toggles it; a click on its box has toggled it already and
    // clears the selection so that the click does not toggle it again.
    clbFields->OnClickCheck = [this] { clbFields->SetItemIndex(-1); };
    clbFields->OnClick = [this] {
        const int i = clbFields->ItemIndex();
        if (i >= 0) clbFields->SetChecked(i, !clbFields->Checked(i));
    };
    l->addWidget(clbFields, 1);
    auto* select = new QHBoxLayout;
    ButtonSelAll = Button(group, "ButtonSelAll", "All");
    ButtonNotAll = Button(group, "ButtonNotAll", "All X");
    select->addWidget(ButtonSelAll);
    select->addWidget(ButtonNotAll);
    select->addStretch(1);
    l->addLayout(select);
    connect(ButtonSelAll, &QPushButton::clicked, this, &TFormFieldDelete::ButtonSelAllClick);
    connect(ButtonNotAll, &QPushButton::clicked, this, &TFormFieldDelete::ButtonNotAllClick);
    top->addWidget(group, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn1 = Button(this, "BitBtn1", "OK");
    BitBtn2 = Button(this, "BitBtn2", "Cancel");
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    top->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldDelete::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    InstallDialogKeys(this);
    XPMenu1->SetActive(true);
}

void TFormFieldDelete::ButtonSelAllClick() {
    for (int i = 0; i < clbFields->Count(); ++i) clbFields->SetChecked(i, true);
}

void TFormFieldDelete::ButtonNotAllClick() {
    for (int i = 0; i < clbFields->Count(); ++i) clbFields->SetChecked(i, false);
}

void TFormFieldDelete::BitBtn1Click() {
    std::vector<int32_t> checked;
    for (int i = 0; i < clbFields->Count(); ++i)
        if (clbFields->Checked(i)) checked.push_back(i);
    if (checked.empty()) {
        reject();
        return;
    }
    if (static_cast<int>(checked.size()) == clbFields->Count()) {
        MsgBox(QString(), QStringLiteral("Can not delete every field: a table needs one field at least!"), mbiWarning,
               mbbOK, false, false, 30, 30, this);
        clbFields->setFocus();
        return;
    }
    Indexes = std::move(checked);
    accept();
}
