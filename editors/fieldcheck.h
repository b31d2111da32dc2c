// The checks of the field dialogs, without windows: a failed check names its message and the
// control that gets the focus. Names and fill values are turned into table bytes here, through
// the program's code page, and widths count bytes.
#pragma once

#include "editors/fieldeditorthread.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace fieldcheck {

enum TControl { cNone, cName, cType, cWidth, cDecimal, cFill, cList };

struct TCheck {
    QString Message;
    TControl Control = cNone;
    bool Ok() const { return Message.isEmpty(); }
};

// What a field dialog holds when OK is pressed.
struct TFieldInput {
    QString Name;        // as typed
    int TypeIndex = -1;  // position in fieldtypes' list; -1 when no type is chosen
    int Width = 0;
    int Decimals = 0;
    QString Fill;  // the dialog that adds a field to an open table only
};

// The typed name without leading and trailing characters below 33.
QString TrimmedName(const QString& typed);

// The checks of the name: empty, a character the code page cannot hold, longer than 10
// bytes, a blank inside. `name` receives its bytes.
TCheck CheckName(const QString& typed, std::string& name);

// A field of a table being designed. `otherNames` are the names of the other listed fields;
// a name that equals one of them ignoring letter case is refused.
TCheck CheckDesignField(const TFieldInput& in, const std::vector<std::string>& otherNames, std::string& name);

// A field added to an open table. `exists` says whether the table has a field of a name
// (ignoring letter case). On success `rec` holds the field with its fill value normalised.
TCheck CheckNewField(const TFieldInput& in, const std::function<bool(const std::string&)>& exists, TIptFieldRec& rec);

// The fill value of a new field of type `type`, checked against the width and turned into the
// one text that the table stores for it: a date as "yyyymmdd", a number in fixed notation
// with the field's decimals, a logical value as "T" or "F", a date-time, integer, currency or
// double as the engine reads it back exactly, a character value without trailing blanks. An
// empty fill stays empty.
TCheck NormaliseFill(char type, int width, int decimals, const QString& fill, std::string& out);

// Whether two field names are the same for the engine (ASCII letters compared ignoring case).
bool SameFieldName(const std::string& a, const std::string& b);

}  // namespace fieldcheck
