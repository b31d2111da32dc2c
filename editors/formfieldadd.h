// The dialogs of the open table's field commands: TFormFieldAdd ("New Field") collects one
// field to add with the value every record receives; TFormFieldDelete ("Delete Fields")
// collects the fields to delete. Both only ask; the structure-change worker does the change.
#pragma once

#include "editors/fieldeditorthread.h"

#include <QDialog>

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBF;
class TFlatCheckListBox;
class TNumberEdit;
class TXPMenu;

class TFormFieldAdd : public QDialog {
    Q_OBJECT
public:
    TFormFieldAdd(TDBF& dbf, QWidget* owner = nullptr);

    int Kind() const { return FKind; }
    // The field to add, filled by OK.
    TIptFieldRec FieldRec;

    void cbTypeChange();
    void BitBtn1Click();

    QLabel* LabelFileType = nullptr;
    QLineEdit* EditName = nullptr;
    QComboBox* cbType = nullptr;
    TNumberEdit* EditWidth = nullptr;
    TNumberEdit* EditDecimal = nullptr;
    QLineEdit* EditFilledValue = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

private:
    TDBF& Dbf;
    int FKind = 0;
};

class TFormFieldDelete : public QDialog {
    Q_OBJECT
public:
    TFormFieldDelete(TDBF& dbf, QWidget* owner = nullptr);

    // The checked field indexes, ascending, filled by OK.
    std::vector<int32_t> Indexes;

    void ButtonSelAllClick();
    void ButtonNotAllClick();
    void BitBtn1Click();

    QLabel* LabelFileType = nullptr;
    TFlatCheckListBox* clbFields = nullptr;
    QPushButton* ButtonSelAll = nullptr;
    QPushButton* ButtonNotAll = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;
};
