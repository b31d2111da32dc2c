#include "editors/formfielditem.h"

#include "app/bytetext.h"
#include "app/msgbox.h"
#include "controls/colors.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/dialogkeys.h"
#include "editors/fieldcheck.h"
#include "editors/fieldtypes.h"
#include "editors/formcreatedbf.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace fieldtypes;

TFormFieldItem::TFormFieldItem(TFormCreateDBF* owner, const QString& caption, int width, int height)
    : QDialog(owner), Owner(owner) {
    XPMenu1 = new TXPMenu(this);
    setWindowTitle(caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(12);
    setFont(font);

    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    LabelFileType = new QLabel(group);
    LabelFileType->setObjectName(QStringLiteral("LabelFileType"));
    QPalette shadow = LabelFileType->palette();
    shadow.setColor(QPalette::WindowText, ToQColor(clBtnShadow));
    LabelFileType->setPalette(shadow);
    grid->addWidget(LabelFileType, 0, 0, 1, 2);

    EditName = new QLineEdit(group);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setMaxLength(10);
    // Names are upper case whatever is typed.
    connect(EditName, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = EditName->cursorPosition();
        EditName->setText(upper);
        EditName->setCursorPosition(cursor);
    });
    cbType = new QComboBox(group);
    cbType->setObjectName(QStringLiteral("cbType"));
    connect(cbType, &QComboBox::currentIndexChanged, this, [this] { cbTypeChange(); });
    auto numberEdit = [group](const char* name) {
        auto* e = new TNumberEdit(group);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    EditWidth = numberEdit("EditWidth");
    EditDecimal = numberEdit("EditDecimal");
    const char* labels[] = {"Name", "Type", "Width", "Decimal"};
    QWidget* edits[] = {EditName, cbType, EditWidth, EditDecimal};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(labels[i]), group), i + 1, 0);
        grid->addWidget(edits[i], i + 1, 1);
    }
    grid->setColumnStretch(1, 1);
    top->addWidget(group);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFieldItem::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    // The kind and the type list of the create-table dialog's kind box.
    LabelFileType->setText(Owner->cbFileType->currentText());
    FKind = Owner->Kind();
    {
        QSignalBlocker block(cbType);
        for (int i = 0; i < OfferedTypeCount(FKind); ++i) cbType->addItem(TypeName(i));
        cbType->setCurrentIndex(-1);
    }
    SetEditEnabled(EditWidth, false);
    SetEditEnabled(EditDecimal, false);
    resize(width, height);
    InstallDialogKeys(this);
}

void TFormFieldItem::SetEditEnabled(TNumberEdit* edit, bool enabled) {
    edit->setEnabled(enabled);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, ToQColor(enabled ? clWindow : clBtnFace));
    edit->setPalette(p);
}

void TFormFieldItem::ShowType(int typeIndex, int width, int decimals, bool widthEnabled, bool decimalsEnabled) {
    {
        QSignalBlocker block(cbType);
        cbType->setCurrentIndex(typeIndex);
    }
    EditWidth->SetValue(width);
    EditDecimal->SetValue(decimals);
    SetEditEnabled(EditWidth, widthEnabled);
    SetEditEnabled(EditDecimal, decimalsEnabled);
}

void TFormFieldItem::cbTypeChange() {
    const int type = cbType->currentIndex();
    if (type < 0) return;
    const TTypeDefaults d = DefaultsOf(type, FKind);
    ShowType(type, d.Width, d.Decimals, d.WidthEnabled, d.DecimalsEnabled);
}

void TFormFieldItem::BitBtn1Click() {
    fieldcheck::TFieldInput in;
    in.Name = EditName->text();
    in.TypeIndex = cbType->currentIndex();
    in.Width = EditWidth->Value();
    in.Decimals = EditDecimal->Value();
    const int target = TargetRow();
    std::vector<std::string> others;
    for (int r = 0; r < Owner->RowCount(); ++r)
        if (r != target) others.push_back(TextToBytes(Owner->Row(r).Name));
    std::string name;
    const fieldcheck::TCheck c = fieldcheck::CheckDesignField(in, others, name);
    if (!c.Ok()) {
        MsgBox(QString(), c.Message, mbiWarning, mbbOK, false, false, 30, 30, this);
        QWidget* focus = c.Control == fieldcheck::cType    ? static_cast<QWidget*>(cbType)
                         : c.Control == fieldcheck::cWidth   ? EditWidth
                         : c.Control == fieldcheck::cDecimal ? EditDecimal
                                                             : EditName;
        focus->setFocus();
        return;
    }
    const TDesignField field{BytesToText(name), TypeName(in.TypeIndex), in.Width, in.Decimals};
    if (target < 0) Owner->AddRow(field);
    else Owner->SetRow(target, field);
    accept();
}

TFormAddFieldItem::TFormAddFieldItem(TFormCreateDBF* owner)
    : TFormFieldItem(owner, QStringLiteral("Add Field Item"), 266, 225) {
    setObjectName(QStringLiteral("FormAddFieldItem"));
    XPMenu1->SetActive(true);
}

TFormModiFieldItem::TFormModiFieldItem(TFormCreateDBF* owner)
    : TFormFieldItem(owner, QStringLiteral("Modify Field Item"), 272, 228) {
    setObjectName(QStringLiteral("FormModiFieldItem"));
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
