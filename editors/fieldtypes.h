// Which field types each table kind offers, the width and decimal defaults of each type, and
// how a design's types become the types of the kind it is written as. Shared by the
// create-table dialog, its field dialogs and the dialog that adds a field to an open table.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace fieldtypes {

// Table kinds, the item index of the create-table dialog's kind box.
enum TTableKind : int { kVisualFoxPro = 0, kFoxPro2 = 1, kFoxBase = 2, kDBase4 = 3, kOther = 4 };

// The eleven types in their list order (index 0 Character .. 10 Double).
constexpr int TypeCount = 11;
enum TTypeIndex : int {
    tiCharacter, tiNumeric, tiFloat, tiDate, tiLogical, tiMemo, tiGeneral, tiDateTime, tiInteger, tiCurrency, tiDouble
};
QString TypeName(int index);  // "Character" .. "Double"; empty outside the list
char TypeLetter(int index);   // 'C' .. 'B'; 0 outside the list
// Index of a type name of the list, -1 for any other text.
int TypeIndexOfName(const QString& name);

// The kind box's texts, in kind order.
QStringList KindNames();

// Number of leading types of the list a kind offers: all eleven for Visual FoxPro, Character
// to General for FoxPro 2.x, Character to Memo for the dBASE III and IV kinds. A table of no
// known kind has no memo file layout and gets Character to Logical.
int OfferedTypeCount(int kind);
bool KindOffersType(int kind, int typeIndex);

// Kind of a table being imported into the create-table dialog, by its version byte.
int DesignKindOfVersion(uint8_t version);
// Kind of the open table a field is added to; kOther for versions without a memo layout.
int TableKindOfVersion(uint8_t version);

// What choosing a type sets in the field dialogs.
struct TTypeDefaults {
    int Width = 0;
    int Decimals = 0;
    bool WidthEnabled = false;
    bool DecimalsEnabled = false;
};
TTypeDefaults DefaultsOf(int typeIndex, int kind);

// A field of a design as the create-table dialog lists it.
struct TDesignField {
    QString Name;
    QString TypeName;
    int Width = 0;
    int Decimals = 0;
};

// The field as a table of `kind` stores it: types the kind lacks become their nearest type
// (DateTime a Date, Currency and Integer and Double a Float or Numeric, General a Memo) and
// memo fields get the kind's reference width. Types outside the list stay as they are.
TDesignField MapToKind(const TDesignField& field, int kind);

// How the modify dialog shows a listed field for `kind`: the mapped type, width, decimals and
// which edits are open. False when the row's type is none of the list.
bool ShowAsKind(const TDesignField& field, int kind, TDesignField& shown, TTypeDefaults& edits);

}  // namespace fieldtypes
