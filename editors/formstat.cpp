#include "editors/formstat.h"

#include "common/bytetext.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

TFormStat::TFormStat(QWidget* owner, const std::vector<TFieldStat>& stats) : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormStat"));
    setWindowTitle(QStringLiteral("Stat"));
    XPMenu1 = new TXPMenu(this);

    ListViewStat = dlg::Named(new QTableWidget(int(stats.size()), 6, this), "ListViewStat");
    ListViewStat->setHorizontalHeaderLabels({QStringLiteral("Field Name"), QStringLiteral("T"), QStringLiteral("Min"),
                                             QStringLiteral("Max"), QStringLiteral("Avg"), QStringLiteral("Sum")});
    ListViewStat->verticalHeader()->hide();
    ListViewStat->verticalHeader()->setDefaultSectionSize(ListViewStat->fontMetrics().height() + 6);
    ListViewStat->setShowGrid(true);
    ListViewStat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewStat->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewStat->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewStat->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListViewStat->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(stats.size()); ++r) {
        const TFieldStat& s = stats[size_t(r)];
        const QString cells[6] = {BytesToText(s.Name), QString(QChar::fromLatin1(s.Type)), BytesToText(s.Min),
                                  BytesToText(s.Max), BytesToText(s.Avg), BytesToText(s.Sum)};
        for (int c = 0; c < 6; ++c) ListViewStat->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    const int widths[6] = {110, 28, 120, 120, 100, 110};
    for (int c = 0; c < 6; ++c) ListViewStat->setColumnWidth(c, widths[c]);
    ListViewStat->setMinimumSize(620, 260);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);
    BitBtn1->setDefault(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(ListViewStat, 1);
    lay->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    XPMenu1->SetActive(true);
}
