#include "editors/formfind.h"

#include "common/findhistory.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using dlg::Named;

TFormFind::TFormFind(QWidget* owner, const QStringList& fieldNames, const TFindOptions& options, int selectedRow)
    : TFormAlphaShow(owner), Options(options), SelectedRow(selectedRow) {
    setObjectName(QStringLiteral("FormFind"));
    setWindowTitle(QStringLiteral("Find"));
    XPMenu1 = new TXPMenu(this);

    cbKeyvalue = dlg::FindTextBox(this, 260);

    cbMatch = dlg::DropDown(this, "cbMatch",
                            {QStringLiteral("Any Part Of Field"), QStringLiteral("Match Whole Field"),
                             QStringLiteral("Head Of Field")});
    cbSearch = dlg::DropDown(this, "cbSearch", {QStringLiteral("Down"), QStringLiteral("Up")});
    CheckByField = Named(new QCheckBox(QStringLiteral("By Field:"), this), "CheckByField");
    CheckByField->setChecked(true);
    cbField = dlg::DropDown(this, "cbField", fieldNames);
    CheckIgnoreCase = Named(new QCheckBox(QStringLiteral("Case sensitive "), this), "CheckIgnoreCase");

    // A field index left from a wider table falls back to the first field.
    const int field = options.FieldIndex >= 0 && options.FieldIndex < cbField->count() ? options.FieldIndex : 0;
    cbField->setCurrentIndex(cbField->count() ? field : -1);
    cbMatch->setCurrentIndex(options.Match >= 0 && options.Match <= 2 ? options.Match : 0);
    cbSearch->setCurrentIndex(options.Direction == 1 ? 1 : 0);
    CheckIgnoreCase->setChecked(!options.IgnoreCase);

    auto* top = new QFormLayout;
    top->addRow(new QLabel(QStringLiteral("Text to find:"), this), cbKeyvalue);

    auto* group = Named(new QGroupBox(QStringLiteral("Options"), this), "GroupBox1");
    auto* g = new QFormLayout(group);
    g->addRow(new QLabel(QStringLiteral("Match:"), group), cbMatch);
    g->addRow(new QLabel(QStringLiteral("Search:"), group), cbSearch);
    g->addRow(CheckByField, cbField);
    g->addRow(QString(), CheckIgnoreCase);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);
    BitBtn1->setDefault(true);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(group);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormFind::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    cbKeyvalue->setFocus();
    XPMenu1->SetActive(true);
}

void TFormFind::BitBtn1Click() {
    const QString text = cbKeyvalue->currentText();
    if (text.isEmpty()) {
        dlg::Warn(QStringLiteral("Please Enter Text!"), this, cbKeyvalue);
        return;
    }
    const std::optional<std::string> bytes = dlg::TypedBytes(text, cbKeyvalue);
    if (!bytes) return;
    vx::AddToFindHistory(*bytes);
    Options.Text = *bytes;
    Options.ByField = true;
    Options.FieldIndex = cbField->currentIndex();
    Options.Match = cbMatch->currentIndex();
    Options.Direction = cbSearch->currentIndex();
    Options.IgnoreCase = !CheckIgnoreCase->isChecked();
    Options.StartRow = SelectedRow >= 0 ? SelectedRow : 0;
    accept();
}
