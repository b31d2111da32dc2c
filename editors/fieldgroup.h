// The controls both kinds of field dialog hold in their group box (the field definitions of the
// create-table dialog, and the new field of an open table): the table kind in shadow colour
// above the rows "Name" (typed in upper case, at most 10 characters), "Type", "Width" and
// "Decimal". A dialog derives from it beside its form class and may add rows below.
#pragma once

#include "editors/fieldcheck.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;
class TNumberEdit;

class TFieldControls {
public:
    QLabel* LabelFileType = nullptr;
    QLineEdit* EditName = nullptr;
    QComboBox* cbType = nullptr;
    TNumberEdit* EditWidth = nullptr;
    TNumberEdit* EditDecimal = nullptr;

    // The name, type, width and decimals as the user set them.
    fieldcheck::TFieldInput Input() const;

protected:
    // Creates the group box and its controls in `dialog`.
    QGroupBox* BuildFieldGroup(QWidget* dialog);
    // A further row of the group: a caption and its control.
    void AddFieldRow(const char* caption, QWidget* control);
    // Lists the types table kind `kind` offers, none chosen, both number edits disabled.
    void OfferTypes(int kind);
    // Selects a type of the list (by its position) without its change handler and sets the
    // number edits.
    void ShowType(int typeIndex, int width, int decimals, bool widthEnabled, bool decimalsEnabled);
    // The defaults of the chosen type for table kind `kind`; nothing without a type.
    void ShowTypeDefaults(int kind);
    // The control a failed check of editors/fieldcheck names (its TControl); `fill` for the
    // fill value, the name edit for the rest.
    QWidget* CheckedControl(int control, QWidget* fill = nullptr) const;

private:
    QGridLayout* Grid = nullptr;
};
