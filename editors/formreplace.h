// The replace dialog: the text to find, its replacement, the field, an optional range of list
// positions, how the text must match and whether case matters. It fills a copy of the search
// options; the main window replaces.
#pragma once

#include "common/find.h"
#include "common/formalphashow.h"

#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TNumberEdit;
class TXPMenu;

class TFormReplace : public TFormAlphaShow {
    Q_OBJECT
public:
    // rowCount: the rows of the record list (the range's upper end).
    TFormReplace(QWidget* owner, const QStringList& fieldNames, const TFindOptions& options, int rowCount);

    TFindOptions Options;  // valid after OK

    QComboBox* cbKeyvalue = nullptr;
    QLineEdit* EditReplaceValue = nullptr;
    QComboBox* cbField = nullptr;
    QCheckBox* cbFrom = nullptr;
    QCheckBox* cbTo = nullptr;
    TNumberEdit* ReplaceFrom = nullptr;
    TNumberEdit* ReplaceTo = nullptr;
    QComboBox* cbMatch = nullptr;
    QCheckBox* CheckIgnoreCase = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void cbFromClick();
    void cbToClick();
    void BitBtn1Click();

private:
    // Enables a bound's edit with the window colour, or resets it to `reset`, disables it and
    // gives it the button-face colour.
    static void SetBound(TNumberEdit* edit, bool on, int reset);
    int RowCount;
};
