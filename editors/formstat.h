// The statistics dialog: one line per field with its smallest, largest, average and summed
// value over the rows of the record list.
#pragma once

#include "common/formalphashow.h"
#include "common/stats.h"

#include <vector>

class QPushButton;
class QTableWidget;
class TXPMenu;

class TFormStat : public TFormAlphaShow {
    Q_OBJECT
public:
    TFormStat(QWidget* owner, const std::vector<TFieldStat>& stats);

    QTableWidget* ListViewStat = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;
};
