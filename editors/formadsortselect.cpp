#include "editors/formadsortselect.h"

#include "common/bytetext.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using dlg::Named;

namespace {

const QString Ascending = QStringLiteral("Ascending");
const QString Descending = QStringLiteral("Descending");

}  // namespace

TFormAdSortSelect::TFormAdSortSelect(QWidget* owner, const QStringList& captions,
                                     const std::vector<TColumnInfo>& columns)
    : TFormAlphaShow(owner), Captions(captions.mid(0, 256)), Columns(columns) {
    setObjectName(QStringLiteral("FormAdSortSelect"));
    setWindowTitle(QStringLiteral("Advanced Sort "));
    XPMenu1 = new TXPMenu(this);

    ListBoxSrc = Named(new QListWidget(this), "ListBoxSrc");
    ListBoxSrc->addItems(Captions);
    ListBoxSrc->setMinimumSize(170, 220);
    ListViewDest = Named(new QTreeWidget(this), "ListViewDest");
    ListViewDest->setColumnCount(2);
    ListViewDest->setHeaderLabels({QStringLiteral("Column"), QStringLiteral("Order")});
    ListViewDest->setRootIsDecorated(false);
    ListViewDest->setAllColumnsShowFocus(true);
    ListViewDest->setColumnWidth(0, 140);
    ListViewDest->setMinimumSize(230, 220);
    ListViewDest->setContextMenuPolicy(Qt::CustomContextMenu);

    ButtonToRight = dlg::Button(QStringLiteral(">>>"), this, "ButtonToRight");
    ButtonToLeft = dlg::Button(QStringLiteral("<<<"), this, "ButtonToLeft");
    ButtonReverse = dlg::Button(QStringLiteral("Reverse"), this, "ButtonReverse");
    ButtonReset = dlg::Button(QStringLiteral("Reset"), this, "ButtonReset");
    ButtonUp = dlg::Button(QStringLiteral("\u2191"), this, "ButtonUp");
    ButtonDown = dlg::Button(QStringLiteral("\u2193"), this, "ButtonDown");
    RadioAscending = Named(new QRadioButton(Ascending, this), "RadioAscending");
    RadioDescending = Named(new QRadioButton(Descending, this), "RadioDescending");
    RadioAscending->setChecked(true);

    PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
    P_Asc = PopupMenu1->addAction(Ascending);
    P_Asc->setObjectName(QStringLiteral("P_Asc"));
    P_Desc = PopupMenu1->addAction(Descending);
    P_Desc->setObjectName(QStringLiteral("P_Desc"));

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    for (QPushButton* b : {ButtonToRight, ButtonToLeft, ButtonReverse, ButtonReset}) middle->addWidget(b);
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addStretch(1);
    right->addWidget(ButtonUp);
    right->addWidget(ButtonDown);
    right->addSpacing(12);
    right->addWidget(RadioAscending);
    right->addWidget(RadioDescending);
    right->addStretch(1);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Columns"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Order by"), this), 0, 2);
    grid->addWidget(ListBoxSrc, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(ListViewDest, 1, 2);
    grid->addLayout(right, 1, 3);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid, 1);
    lay->addLayout(buttons);

    AfterSwap();
    connect(ListBoxSrc, &QListWidget::itemDoubleClicked, this, &TFormAdSortSelect::ButtonToRightClick);
    connect(ListBoxSrc, &QListWidget::itemSelectionChanged, this, &TFormAdSortSelect::ListBoxSrcClick);
    connect(ListViewDest, &QTreeWidget::itemDoubleClicked, this, &TFormAdSortSelect::ButtonToLeftClick);
    connect(ListViewDest, &QTreeWidget::itemSelectionChanged, this, &TFormAdSortSelect::ListViewDestClick);
    connect(ListViewDest, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (DestIndex() >= 0) PopupMenu1->popup(ListViewDest->viewport()->mapToGlobal(pos));
    });
    connect(P_Asc, &QAction::triggered, this, [this] { SetDirection(Ascending); });
    connect(P_Desc, &QAction::triggered, this, [this] { SetDirection(Descending); });
    connect(ButtonToRight, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonToRightClick);
    connect(ButtonToLeft, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonToLeftClick);
    connect(ButtonUp, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonUpClick);
    connect(ButtonDown, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonDownClick);
    connect(ButtonReverse, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonReverseClick);
    connect(ButtonReset, &QPushButton::clicked, this, &TFormAdSortSelect::ButtonResetClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAdSortSelect::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    XPMenu1->SetActive(true);
}

int TFormAdSortSelect::DestIndex() const {
    QTreeWidgetItem* item = ListViewDest->currentItem();
    return item && item->isSelected() ? ListViewDest->indexOfTopLevelItem(item) : -1;
}

void TFormAdSortSelect::AppendDest(const QString& caption, const QString& direction) {
    new QTreeWidgetItem(ListViewDest, {caption, direction});
}

void TFormAdSortSelect::AfterSwap() {
    for (QPushButton* b : {ButtonToRight, ButtonToLeft, ButtonUp, ButtonDown}) b->setEnabled(false);
    ButtonReverse->setEnabled(true);
    ButtonReset->setEnabled(true);
}

void TFormAdSortSelect::ListBoxSrcClick() { ButtonToRight->setEnabled(ListBoxSrc->currentRow() >= 0 && !ListBoxSrc->selectedItems().isEmpty()); }

void TFormAdSortSelect::ListViewDestClick() {
    const bool on = DestIndex() >= 0;
    for (QPushButton* b : {ButtonToLeft, ButtonUp, ButtonDown}) b->setEnabled(on);
}

void TFormAdSortSelect::ButtonToRightClick() {
    const int i = ListBoxSrc->currentRow();
    if (i < 0 || ListBoxSrc->selectedItems().isEmpty()) return;
    QListWidgetItem* item = ListBoxSrc->takeItem(i);
    const QString caption = item->text();
    delete item;
    AppendDest(caption, Ascending);
    ListViewDest->setCurrentItem(ListViewDest->topLevelItem(ListViewDest->topLevelItemCount() - 1));
    // The source selection stays at its index, or goes to the first entry past the end.
    const int n = ListBoxSrc->count();
    if (n == 0) {
        ListBoxSrc->setCurrentRow(-1);
        ListBoxSrc->clearSelection();
    } else {
        ListBoxSrc->setCurrentRow(i < n ? i : 0);
    }
    ListBoxSrcClick();
    ListViewDestClick();
}

void TFormAdSortSelect::ButtonToLeftClick() {
    const int i = DestIndex();
    if (i < 0) return;
    QTreeWidgetItem* item = ListViewDest->takeTopLevelItem(i);
    ListBoxSrc->addItem(item->text(0));
    delete item;
    ListBoxSrc->setCurrentRow(ListBoxSrc->count() - 1);
    const int n = ListViewDest->topLevelItemCount();
    if (n == 0) {
        ListViewDest->setCurrentItem(nullptr);
        ListViewDest->clearSelection();
    } else {
        ListViewDest->setCurrentItem(ListViewDest->topLevelItem(i < n ? i : 0));
    }
    ListBoxSrcClick();
    ListViewDestClick();
}

void TFormAdSortSelect::ButtonUpClick() {
    const int i = DestIndex();
    if (i < 1) return;
    ListViewDest->insertTopLevelItem(i - 1, ListViewDest->takeTopLevelItem(i));
    ListViewDest->setCurrentItem(ListViewDest->topLevelItem(i - 1));
}

void TFormAdSortSelect::ButtonDownClick() {
    const int i = DestIndex();
    if (i < 0 || i + 1 >= ListViewDest->topLevelItemCount()) return;
    ListViewDest->insertTopLevelItem(i + 1, ListViewDest->takeTopLevelItem(i));
    ListViewDest->setCurrentItem(ListViewDest->topLevelItem(i + 1));
}

void TFormAdSortSelect::ButtonReverseClick() {
    QStringList dest, src;
    for (int i = 0; i < ListViewDest->topLevelItemCount(); ++i) dest << ListViewDest->topLevelItem(i)->text(0);
    for (int i = 0; i < ListBoxSrc->count(); ++i) src << ListBoxSrc->item(i)->text();
    ListBoxSrc->clear();
    ListBoxSrc->addItems(dest);
    ListViewDest->clear();
    for (const QString& c : src) AppendDest(c, Ascending);
    AfterSwap();
}

void TFormAdSortSelect::ButtonResetClick() {
    ListViewDest->clear();
    ListBoxSrc->clear();
    ListBoxSrc->addItems(Captions);
    AfterSwap();
}

void TFormAdSortSelect::SetDirection(const QString& text) {
    const int i = DestIndex();
    if (i >= 0) ListViewDest->topLevelItem(i)->setText(1, text);
}

void TFormAdSortSelect::BitBtn1Click() {
    const int n = ListViewDest->topLevelItemCount();
    if (n == 0) {
        dlg::Warn(QStringLiteral("Please Select One Or More Column!"), this);
        return;
    }
    Keys.clear();
    for (int i = 0; i < n; ++i) {
        const QTreeWidgetItem* item = ListViewDest->topLevelItem(i);
        const QString caption = item->text(0);
        const std::string name = TextToBytes(caption.left(caption.indexOf(QLatin1Char(' '))));
        TSortKey key;
        key.FieldIndex = ColumnIndex(Columns, name);
        key.FieldType = key.FieldIndex >= 0 ? Columns[size_t(key.FieldIndex)].Type : '*';
        key.Order = item->text(1) == Ascending ? 1 : 2;
        Keys.push_back(key);
    }
    accept();
}
