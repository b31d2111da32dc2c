#include "editors/formcolumns.h"

#include "controls/flatchecklistbox.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

std::vector<int> ColumnWidthsAfter(const QStringList& captions, const std::vector<int>& widths,
                                   const QStringList& ticked) {
    std::vector<int> out(widths);
    for (size_t i = 0; i < out.size() && i < size_t(captions.size()); ++i) {
        if (!ticked.contains(captions[qsizetype(i)]))
            out[i] = 0;
        else if (out[i] == 0)
            out[i] = 100;
    }
    return out;
}

TFormColumns::TFormColumns(QWidget* owner, const QStringList& captions, const std::vector<int>& widths)
    : TFormAlphaShow(owner), Captions(captions.mid(0, 256)), Widths0(widths), Entries(Captions) {
    setObjectName(QStringLiteral("FormColumns"));
    setWindowTitle(QStringLiteral("Show/Hide Columns"));
    XPMenu1 = new TXPMenu(this);

    clbColumns = dlg::Named(new TFlatCheckListBox(this), "clbColumns");
    clbColumns->SetItems(Entries);
    for (int i = 0; i < Entries.size(); ++i)
        clbColumns->SetChecked(i, size_t(i) < widths.size() && widths[size_t(i)] != 0);
    clbColumns->setMinimumSize(220, 260);

    ButtonUp = dlg::Button(QStringLiteral("\u2191"), this, "ButtonUp");
    ButtonDown = dlg::Button(QStringLiteral("\u2193"), this, "ButtonDown");
    ButtonSelAll = dlg::Button(QStringLiteral("All \u221A"), this, "ButtonSelAll");
    ButtonNotAll = dlg::Button(QStringLiteral("All X"), this, "ButtonNotAll");
    ButtonAdd = dlg::Button(QStringLiteral("\uFF0B"), this, "ButtonAdd");
    ButtonDel = dlg::Button(QStringLiteral("\uFF0D"), this, "ButtonDel");
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {ButtonUp, ButtonDown, ButtonSelAll, ButtonNotAll, ButtonAdd, ButtonDel}) side->addWidget(b);
    side->addStretch(1);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);
    BitBtn1->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(clbColumns, 1);
    body->addLayout(side);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(body, 1);
    lay->addLayout(buttons);

    connect(ButtonUp, &QPushButton::clicked, this, &TFormColumns::ButtonUpClick);
    connect(ButtonDown, &QPushButton::clicked, this, &TFormColumns::ButtonDownClick);
    connect(ButtonSelAll, &QPushButton::clicked, this, &TFormColumns::ButtonSelAllClick);
    connect(ButtonNotAll, &QPushButton::clicked, this, &TFormColumns::ButtonNotAllClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormColumns::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    XPMenu1->SetActive(true);
}

void TFormColumns::SwapEntries(int i, int j) {
    std::vector<char> ticks;
    for (int k = 0; k < Entries.size(); ++k) ticks.push_back(clbColumns->Checked(k));
    std::swap(ticks[size_t(i)], ticks[size_t(j)]);
    Entries.swapItemsAt(i, j);
    clbColumns->SetItems(Entries);  // clears the ticks
    for (int k = 0; k < Entries.size(); ++k) clbColumns->SetChecked(k, ticks[size_t(k)]);
    clbColumns->SetItemIndex(j);
}

void TFormColumns::ButtonUpClick() {
    const int i = clbColumns->ItemIndex();
    if (i >= 1 && i < Entries.size()) SwapEntries(i, i - 1);
}

void TFormColumns::ButtonDownClick() {
    const int i = clbColumns->ItemIndex();
    if (i >= 0 && i + 1 < Entries.size()) SwapEntries(i, i + 1);
}

void TFormColumns::ButtonSelAllClick() {
    for (int i = 0; i < Entries.size(); ++i) clbColumns->SetChecked(i, true);
}

void TFormColumns::ButtonNotAllClick() {
    for (int i = 0; i < Entries.size(); ++i) clbColumns->SetChecked(i, false);
}

void TFormColumns::BitBtn1Click() {
    QStringList ticked;
    for (int i = 0; i < Entries.size(); ++i)
        if (clbColumns->Checked(i)) ticked << Entries[i];
    Widths = ColumnWidthsAfter(Captions, Widths0, ticked);
    accept();
}
