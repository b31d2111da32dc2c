#include "editors/formfieldadd.h"

#include "common/bytetext.h"
#include "controls/flatchecklistbox.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"
#include "editors/fieldcheck.h"
#include "editors/fieldtypes.h"
#include "engine/dbf.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace fieldtypes;

namespace {

// The table's version as the label above a dialog's controls shows it.
QString VersionText(const TDBF& dbf) { return BytesToText(DbfVersionName(dbf.GetVersion())); }

}  // namespace

// ---- New Field ----

TFormFieldAdd::TFormFieldAdd(TDBF& dbf, QWidget* owner) : TFormAlphaShow(owner), Dbf(dbf) {
    XPMenu1 = new TXPMenu(this);
    dlg::SetUpDesignDialog(this, "FormFieldAdd", QStringLiteral("New Field"));
    FKind = TableKindOfVersion(dbf.GetVersion());

    auto* top = new QVBoxLayout(this);
    QGroupBox* group = BuildFieldGroup(this);
    LabelFileType->setText(VersionText(dbf));
    EditFilledValue = dlg::Named(new QLineEdit(group), "EditFilledValue");
    AddFieldRow("Fill Value", EditFilledValue);
    top->addWidget(group);
    top->addLayout(dlg::OkCancelRow(this, BitBtn1, BitBtn2));
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldAdd::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    OfferTypes(FKind);
    connect(cbType, &QComboBox::currentIndexChanged, this, [this] { cbTypeChange(); });
    resize(300, 260);
    XPMenu1->SetActive(true);
}

void TFormFieldAdd::cbTypeChange() { ShowTypeDefaults(FKind); }

void TFormFieldAdd::BitBtn1Click() {
    fieldcheck::TFieldInput in = Input();
    in.Fill = EditFilledValue->text();
    TIptFieldRec rec;
    const fieldcheck::TCheck c =
        fieldcheck::CheckNewField(in, [this](const std::string& name) { return Dbf.FieldIndex(name) != -1; }, rec);
    if (!c.Ok()) {
        dlg::Warn(c.Message, this, CheckedControl(c.Control, EditFilledValue));
        return;
    }
    FieldRec = rec;
    accept();
}

// ---- Delete Fields ----

TFormFieldDelete::TFormFieldDelete(TDBF& dbf, QWidget* owner) : TFormAlphaShow(owner) {
    XPMenu1 = new TXPMenu(this);
    dlg::SetUpDesignDialog(this, "FormFieldDelete", QStringLiteral("Delete Fields"));
    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* l = new QVBoxLayout(group);
    LabelFileType = dlg::KindLabel(VersionText(dbf), group);
    l->addWidget(LabelFileType);
    clbFields = dlg::Named(new TFlatCheckListBox(group), "clbFields");
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
    ButtonSelAll = dlg::Button(QStringLiteral("All"), group, "ButtonSelAll");
    ButtonNotAll = dlg::Button(QStringLiteral("All X"), group, "ButtonNotAll");
    select->addWidget(ButtonSelAll);
    select->addWidget(ButtonNotAll);
    select->addStretch(1);
    l->addLayout(select);
    connect(ButtonSelAll, &QPushButton::clicked, this, &TFormFieldDelete::ButtonSelAllClick);
    connect(ButtonNotAll, &QPushButton::clicked, this, &TFormFieldDelete::ButtonNotAllClick);
    top->addWidget(group, 1);
    top->addLayout(dlg::OkCancelRow(this, BitBtn1, BitBtn2));
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldDelete::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
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
        dlg::Warn(QStringLiteral("Can not delete every field: a table needs one field at least!"), this, clbFields);
        return;
    }
    Indexes = std::move(checked);
    accept();
}
