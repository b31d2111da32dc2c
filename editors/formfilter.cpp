#include "editors/formfilter.h"

#include "common/bytetext.h"
#include "controls/xpmenu.h"
#include "editors/dialogparts.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using dlg::Named;

TFormFilter::TFormFilter(QWidget* owner, const QStringList& fieldNames, const TFilterList& current, bool applied)
    : TFormAlphaShow(owner) {
    setObjectName(QStringLiteral("FormFilter"));
    setWindowTitle(QStringLiteral("Filter"));
    XPMenu1 = new TXPMenu(this);

    ToolBar1 = Named(new QToolBar(this), "ToolBar1");
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    TB_ADD = ToolBar1->addAction(QStringLiteral("+ Add"));
    TB_ADD->setObjectName(QStringLiteral("TB_ADD"));
    TB_ADD->setToolTip(QStringLiteral("Add A New Filter Item"));
    TB_DEL = ToolBar1->addAction(QStringLiteral("- Delete"));
    TB_DEL->setObjectName(QStringLiteral("TB_DEL"));
    TB_DEL->setToolTip(QStringLiteral("Delete An Exist Filter Item"));

    auto* group = Named(new QGroupBox(QStringLiteral("Filter Item"), this), "GroupBox1");
    cbFieldName = dlg::DropDown(group, "cbFieldName", fieldNames);
    cbFieldName->setCurrentIndex(-1);
    QStringList ops;
    for (int i = 0; i < FilterOperatorCount; ++i) ops << QString::fromLatin1(FilterOperatorText(i));
    cbCondition = dlg::DropDown(group, "cbCondition", ops);
    cbCondition->setCurrentIndex(-1);
    EditValue = Named(new QLineEdit(group), "EditValue");
    auto* g = new QGridLayout(group);
    g->addWidget(new QLabel(QStringLiteral("Field name"), group), 0, 0);
    g->addWidget(new QLabel(QStringLiteral("Condition"), group), 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Value"), group), 0, 2);
    g->addWidget(cbFieldName, 1, 0);
    g->addWidget(cbCondition, 1, 1);
    g->addWidget(EditValue, 1, 2);
    g->setColumnStretch(2, 1);

    lvFilters = Named(new QTreeWidget(this), "lvFilters");
    lvFilters->setColumnCount(3);
    lvFilters->setHeaderLabels({QStringLiteral("Field Name"), QStringLiteral("Condition"), QStringLiteral("Value")});
    lvFilters->header()->setSectionsClickable(false);
    lvFilters->setRootIsDecorated(false);
    lvFilters->setAllColumnsShowFocus(true);
    lvFilters->setColumnWidth(0, 130);
    lvFilters->setColumnWidth(1, 100);
    lvFilters->setMinimumSize(440, 180);

    QHBoxLayout* buttons = dlg::OkCancelRow(this, BitBtn1, BitBtn2);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(ToolBar1);
    lay->addWidget(group);
    lay->addWidget(lvFilters, 1);
    lay->addLayout(buttons);

    if (applied && !current.empty())
        for (const TFilterItem& item : current.front()) AddRow(item);

    connect(TB_ADD, &QAction::triggered, this, &TFormFilter::TB_ADDClick);
    connect(TB_DEL, &QAction::triggered, this, &TFormFilter::TB_DELClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormFilter::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    XPMenu1->SetActive(true);
}

void TFormFilter::AddRow(const TFilterItem& item) {
    new QTreeWidgetItem(lvFilters, {BytesToText(item.FieldName), QString::fromLatin1(FilterOperatorText(item.Operator)),
                                    BytesToText(item.Value)});
    Items.push_back(item);
}

void TFormFilter::TB_ADDClick() {
    if (cbFieldName->currentIndex() < 0) {
        dlg::Warn(QStringLiteral("Please Select Field Name!"), this, cbFieldName);
        return;
    }
    if (cbCondition->currentIndex() < 0) {
        dlg::Warn(QStringLiteral("Please Select Condition!"), this, cbCondition);
        return;
    }
    const QString value = EditValue->text().trimmed();
    if (value.isEmpty()) {
        dlg::Warn(QStringLiteral("Please Enter Value!"), this, EditValue);
        return;
    }
    const std::optional<std::string> bytes = dlg::TypedBytes(value, EditValue);
    if (!bytes) return;
    AddRow({TextToBytes(cbFieldName->currentText()), cbCondition->currentIndex(), *bytes});
    cbFieldName->setCurrentIndex(-1);
    cbCondition->setCurrentIndex(-1);
    EditValue->clear();
}

void TFormFilter::TB_DELClick() {
    QTreeWidgetItem* item = lvFilters->currentItem();
    if (!item || !item->isSelected()) return;
    const int row = lvFilters->indexOfTopLevelItem(item);
    delete item;
    Items.erase(Items.begin() + row);
}

void TFormFilter::BitBtn1Click() {
    if (Items.empty()) return;
    Filter.clear();
    Filter.push_back(Items);
    accept();
}
