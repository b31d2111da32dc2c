// The dialogs of the open table's field commands: TFormFieldAdd ("New Field") collects one
// field to add with the value every record receives; TFormFieldDelete ("Delete Fields")
// collects the fields to delete. Both only ask; the structure-change worker does the change.
#pragma once

#include "common/formalphashow.h"
#include "editors/fieldeditorthread.h"
#include "editors/fieldgroup.h"

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class TDBF;
class TFlatCheckListBox;
class TXPMenu;

class TFormFieldAdd : public TFormAlphaShow, public TFieldControls {
    Q_OBJECT
public:
    TFormFieldAdd(TDBF& dbf, QWidget* owner = nullptr);

    int Kind() const { return FKind; }
    // The field to add, filled by OK.
    TIptFieldRec FieldRec;

    void cbTypeChange();
    void BitBtn1Click();

    QLineEdit* EditFilledValue = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

private:
    TDBF& Dbf;
    int FKind = 0;
};

class TFormFieldDelete : public TFormAlphaShow {
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
