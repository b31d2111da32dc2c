#include "editors/formfielditem.h"

#include "common/bytetext.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"
#include "editors/fieldcheck.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace fieldtypes;

TFormFieldItem::TFormFieldItem(TFormCreateDBF* owner, const char* name, const QString& caption, int width, int height)
    : TFormAlphaShow(owner), Owner(owner) {
    XPMenu1 = new TXPMenu(this);
    dlg::SetUpDesignDialog(this, name, caption);

    auto* top = new QVBoxLayout(this);
    top->addWidget(BuildFieldGroup(this));
    connect(cbType, &QComboBox::currentIndexChanged, this, [this] { cbTypeChange(); });
    top->addLayout(dlg::OkCancelRow(this, BitBtn1, BitBtn2));
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldItem::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    // The kind and the type list of the create-table dialog's kind box.
    LabelFileType->setText(Owner->cbFileType->currentText());
    FKind = Owner->Kind();
    OfferTypes(FKind);
    resize(width, height);
}

void TFormFieldItem::cbTypeChange() { ShowTypeDefaults(FKind); }

void TFormFieldItem::BitBtn1Click() {
    fieldcheck::TFieldInput in = Input();
    const int target = TargetRow();
    std::vector<std::string> others;
    for (int r = 0; r < Owner->RowCount(); ++r)
        if (r != target) others.push_back(TextToBytes(Owner->Row(r).Name));
    std::string name;
    const fieldcheck::TCheck c = fieldcheck::CheckDesignField(in, others, name);
    if (!c.Ok()) {
        dlg::Warn(c.Message, this, CheckedControl(c.Control));
        return;
    }
    const TDesignField field{BytesToText(name), TypeName(in.TypeIndex), in.Width, in.Decimals};
    if (target < 0) Owner->AddRow(field);
    else Owner->SetRow(target, field);
    accept();
}

TFormAddFieldItem::TFormAddFieldItem(TFormCreateDBF* owner)
    : TFormFieldItem(owner, "FormAddFieldItem", QStringLiteral("Add Field Item"), 266, 225) {
    XPMenu1->SetActive(true);
}

TFormModiFieldItem::TFormModiFieldItem(TFormCreateDBF* owner)
    : TFormFieldItem(owner, "FormModiFieldItem", QStringLiteral("Modify Field Item"), 272, 228) {
    Row = owner->SelectedRow();
    if (Row >= 0) {
        const TDesignField row = owner->Row(Row);
        EditName->setText(row.Name);
        FormerName = row.Name;
        TDesignField shown;
        TTypeDefaults edits;
        if (ShowAsKind(row, FKind, shown, edits))
            ShowType(TypeIndexOfName(shown.TypeName), edits.Width, edits.Decimals, edits.WidthEnabled,
                     edits.DecimalsEnabled);
    }
    XPMenu1->SetActive(true);
}
