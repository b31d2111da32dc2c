#include "editors/fieldgroup.h"

#include "controls/validedit.h"
#include "editors/dialogparts.h"
#include "editors/fieldtypes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

using dlg::Named;

QGroupBox* TFieldControls::BuildFieldGroup(QWidget* dialog) {
    auto* group = new QGroupBox(dialog);
    Grid = new QGridLayout(group);
    LabelFileType = dlg::KindLabel(QString(), group);
    Grid->addWidget(LabelFileType, 0, 0, 1, 2);

    EditName = Named(new QLineEdit(group), "EditName");
    EditName->setMaxLength(10);
    // Names are upper case whatever is typed.
    QObject::connect(EditName, &QLineEdit::textEdited, EditName, [edit = EditName](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
    cbType = Named(new QComboBox(group), "cbType");
    EditWidth = Named(new TNumberEdit(group), "EditWidth");
    EditDecimal = Named(new TNumberEdit(group), "EditDecimal");
    AddFieldRow("Name", EditName);
    AddFieldRow("Type", cbType);
    AddFieldRow("Width", EditWidth);
    AddFieldRow("Decimal", EditDecimal);
    Grid->setColumnStretch(1, 1);
    return group;
}

fieldcheck::TFieldInput TFieldControls::Input() const {
    fieldcheck::TFieldInput in;
    in.Name = EditName->text();
    in.TypeIndex = cbType->currentIndex();
    in.Width = EditWidth->Value();
    in.Decimals = EditDecimal->Value();
    return in;
}

void TFieldControls::AddFieldRow(const char* caption, QWidget* control) {
    const int row = Grid->rowCount();
    Grid->addWidget(new QLabel(QString::fromLatin1(caption), Grid->parentWidget()), row, 0);
    Grid->addWidget(control, row, 1);
}

void TFieldControls::OfferTypes(int kind) {
    {
        QSignalBlocker block(cbType);
        for (int i = 0; i < fieldtypes::OfferedTypeCount(kind); ++i) cbType->addItem(fieldtypes::TypeName(i));
        cbType->setCurrentIndex(-1);
    }
    dlg::SetEditEnabled(EditWidth, false);
    dlg::SetEditEnabled(EditDecimal, false);
}

void TFieldControls::ShowType(int typeIndex, int width, int decimals, bool widthEnabled, bool decimalsEnabled) {
    {
        QSignalBlocker block(cbType);
        cbType->setCurrentIndex(typeIndex);
    }
    EditWidth->SetValue(width);
    EditDecimal->SetValue(decimals);
    dlg::SetEditEnabled(EditWidth, widthEnabled);
    dlg::SetEditEnabled(EditDecimal, decimalsEnabled);
}

void TFieldControls::ShowTypeDefaults(int kind) {
    const int type = cbType->currentIndex();
    if (type < 0) return;
    const fieldtypes::TTypeDefaults d = fieldtypes::DefaultsOf(type, kind);
    ShowType(type, d.Width, d.Decimals, d.WidthEnabled, d.DecimalsEnabled);
}

QWidget* TFieldControls::CheckedControl(int control, QWidget* fill) const {
    switch (control) {
    case fieldcheck::cType: return cbType;
    case fieldcheck::cWidth: return EditWidth;
    case fieldcheck::cDecimal: return EditDecimal;
    case fieldcheck::cFill: return fill ? fill : EditName;
    default: return EditName;
    }
}
