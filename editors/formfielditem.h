// The two dialogs that define one field of a table being designed in the create-table dialog:
// TFormAddFieldItem adds a row to its field list, TFormModiFieldItem changes the selected row.
// Both read the kind and the list of the create-table dialog that owns them.
#pragma once

#include "common/formalphashow.h"
#include "editors/fieldgroup.h"

#include <QString>

class QPushButton;
class TFormCreateDBF;
class TXPMenu;

// The controls, the type box and the checks that both dialogs share.
class TFormFieldItem : public TFormAlphaShow, public TFieldControls {
    Q_OBJECT
public:
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    int Kind() const { return FKind; }
    // Applies the defaults of the chosen type (nothing without a type).
    void cbTypeChange();
    void BitBtn1Click();

protected:
    TFormFieldItem(TFormCreateDBF* owner, const char* name, const QString& caption, int width, int height);
    // The row the dialog rewrites, or -1 to add one.
    virtual int TargetRow() const = 0;

    TFormCreateDBF* Owner;
    int FKind = 0;
};

class TFormAddFieldItem : public TFormFieldItem {
    Q_OBJECT
public:
    explicit TFormAddFieldItem(TFormCreateDBF* owner);

protected:
    int TargetRow() const override { return -1; }
};

class TFormModiFieldItem : public TFormFieldItem {
    Q_OBJECT
public:
    explicit TFormModiFieldItem(TFormCreateDBF* owner);
    // The name the row had when the dialog opened.
    QString FormerName;

protected:
    int TargetRow() const override { return Row; }

private:
    int Row = -1;
};
