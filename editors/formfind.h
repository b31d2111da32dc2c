// The find dialog: the text to find (with the search history), how it must match, the
// direction and the field. It fills a copy of the search options; the main window searches.
#pragma once

#include "common/find.h"
#include "common/formalphashow.h"

#include <QStringList>

class QCheckBox;
class QComboBox;
class QPushButton;
class TXPMenu;

class TFormFind : public TFormAlphaShow {
    Q_OBJECT
public:
    // fieldNames: the open table's fields in order; selectedRow: the record list's selected
    // index, -1 when none.
    TFormFind(QWidget* owner, const QStringList& fieldNames, const TFindOptions& options, int selectedRow);

    // The search as chosen (valid after OK).
    TFindOptions Options;

    QComboBox* cbKeyvalue = nullptr;
    QComboBox* cbMatch = nullptr;
    QComboBox* cbSearch = nullptr;
    QCheckBox* CheckByField = nullptr;
    QComboBox* cbField = nullptr;
    QCheckBox* CheckIgnoreCase = nullptr;  // "Case sensitive": ticked when case matters
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void BitBtn1Click();

private:
    int SelectedRow;
};
