#include "editors/formreplace.h"

#include "common/findhistory.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using dlg::Named;

TFormReplace::TFormReplace(QWidget* owner, const QStringList& fieldNames, const TFindOptions& options, int rowCount)
    : TFormAlphaShow(owner), Options(options), RowCount(rowCount) {
    setObjectName(QStringLiteral("FormReplace"));
    setWindowTitle(QStringLiteral("Replace"));
    XPMenu1 = new TXPMenu(this);

    cbKeyvalue = dlg::FindTextBox(this, 240);
    EditReplaceValue = Named(new QLineEdit(this), "EditReplaceValue");
    cbField = dlg::DropDown(this, "cbField", fieldNames);
    cbField->setCurrentIndex(cbField->count() ? 0 : -1);

    cbFrom = Named(new QCheckBox(QStringLiteral("From"), this), "cbFrom");
    cbTo = Named(new QCheckBox(QStringLiteral("To"), this), "cbTo");
    ReplaceFrom = Named(new TNumberEdit(this), "ReplaceFrom");
    ReplaceTo = Named(new TNumberEdit(this), "ReplaceTo");
    for (TNumberEdit* e : {ReplaceFrom, ReplaceTo}) e->setFixedWidth(90);
    SetBound(ReplaceFrom, false, rowCount > 0 ? 1 : 0);
    SetBound(ReplaceTo, false, rowCount);

    cbMatch = dlg::DropDown(this, "cbMatch",
                            {QStringLiteral("Any part of field"), QStringLiteral("Match whole field"),
                             QStringLiteral("Head of field")});
    cbMatch->setCurrentIndex(options.Match >= 0 && options.Match <= 2 ? options.Match : 0);
    CheckIgnoreCase = Named(new QCheckBox(QStringLiteral("Case sensitive "), this), "CheckIgnoreCase");
    CheckIgnoreCase->setChecked(!options.IgnoreCase);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Text to find:"), this), 0, 0);
    grid->addWidget(cbKeyvalue, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Replaced by:"), this), 1, 0);
    grid->addWidget(EditReplaceValue, 1, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Field:"), this), 2, 0);
    grid->addWidget(cbField, 2, 1, 1, 4);
    grid->addWidget(cbFrom, 3, 1);
    grid->addWidget(ReplaceFrom, 3, 2);
    grid->addWidget(cbTo, 3, 3);
    grid->addWidget(ReplaceTo, 3, 4);
    grid->addWidget(new QLabel(QStringLiteral("Match:"), this), 4, 0);
    grid->addWidget(cbMatch, 4, 1, 1, 4);
    grid->addWidget(CheckIgnoreCase, 5, 1, 1, 4);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);
    BitBtn1->setDefault(true);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbFrom, &QCheckBox::clicked, this, &TFormReplace::cbFromClick);
    connect(cbTo, &QCheckBox::clicked, this, &TFormReplace::cbToClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormReplace::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    cbKeyvalue->setFocus();
    XPMenu1->SetActive(true);
}

void TFormReplace::SetBound(TNumberEdit* edit, bool on, int reset) {
    if (!on) edit->SetValue(reset);
    dlg::SetEditEnabled(edit, on);
}

void TFormReplace::cbFromClick() { SetBound(ReplaceFrom, cbFrom->isChecked(), RowCount > 0 ? 1 : 0); }

void TFormReplace::cbToClick() { SetBound(ReplaceTo, cbTo->isChecked(), RowCount); }

void TFormReplace::BitBtn1Click() {
    if (cbKeyvalue->currentText().isEmpty()) {
        dlg::Warn(QStringLiteral("Please enter search text!"), this, cbKeyvalue);
        return;
    }
    if (EditReplaceValue->text().isEmpty()) {
        dlg::Warn(QStringLiteral("Please enter replace text!"), this, EditReplaceValue);
        return;
    }
    const int from = cbFrom->isChecked() ? ReplaceFrom->Value() : -1;
    const int to = cbTo->isChecked() ? ReplaceTo->Value() : -1;
    // A bound outside 1..rows, or a range that runs backwards, names no rows.
    auto bad = [this](int bound) { return bound != -1 && (bound < 1 || bound > RowCount); };
    if (bad(from) || bad(to) || (from != -1 && to != -1 && from > to)) {
        dlg::Warn(QStringLiteral("From..to.. value error!"), this);
        return;
    }
    const std::optional<std::string> find = dlg::TypedBytes(cbKeyvalue->currentText(), cbKeyvalue);
    if (!find) return;
    const std::optional<std::string> replacement = dlg::TypedBytes(EditReplaceValue->text(), EditReplaceValue);
    if (!replacement) return;
    vx::AddToFindHistory(*find);
    Options.Text = *find;
    Options.ReplaceText = *replacement;
    Options.FieldIndex = cbField->currentIndex();
    Options.Match = cbMatch->currentIndex();
    Options.IgnoreCase = !CheckIgnoreCase->isChecked();
    Options.From = from;
    Options.To = to;
    accept();
}
