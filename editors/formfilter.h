// The filter dialog: conditions of field, operator and value gathered in a list; OK makes them
// the one group of the filter.
#pragma once

#include "common/filter.h"
#include "common/formalphashow.h"

#include <QStringList>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolBar;
class QTreeWidget;
class TXPMenu;

class TFormFilter : public TFormAlphaShow {
    Q_OBJECT
public:
    // current: the filter defined now; its first group is listed when `applied`.
    TFormFilter(QWidget* owner, const QStringList& fieldNames, const TFilterList& current, bool applied);

    TFilterList Filter;  // the new filter (valid after OK)

    QToolBar* ToolBar1 = nullptr;
    QAction* TB_ADD = nullptr;
    QAction* TB_DEL = nullptr;
    QComboBox* cbFieldName = nullptr;
    QComboBox* cbCondition = nullptr;
    QLineEdit* EditValue = nullptr;
    QTreeWidget* lvFilters = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void TB_ADDClick();
    void TB_DELClick();
    void BitBtn1Click();

private:
    void AddRow(const TFilterItem& item);
    std::vector<TFilterItem> Items;  // one per row of lvFilters
};
