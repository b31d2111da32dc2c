// The checks of the export dialog's Export button, without windows: what the dialog holds is
// checked in one plain function, and a failed check names its warning and the control that
// gets the focus.
#pragma once

#include "export/rowsource.h"
#include "export/writers.h"

#include <QString>

#include <functional>
#include <string>

namespace exportcheck {

enum class TControl { None, Type, From, To };

// What the dialog holds when Export is pressed (the file name once the save dialog has named
// it, when it was empty).
struct TInput {
    int Type = -1;             // position in the file-type list; -1 when none is chosen
    std::string FileName;      // path bytes as typed
    std::string ExportFolder;  // where a name without a folder goes, ending with "/"
    TRowRange::TKind Rows = TRowRange::All;  // all records, the selected ones, or From..To
    int From = 0, To = 0;      // list positions (1-based) of the span
    size_t RowCount = 0;       // rows in the list
};

struct TCheck {
    QString Caption;  // of the warning box
    QString Message;  // empty when the export may start
    TControl Control = TControl::None;
    bool Ok() const { return Message.isEmpty(); }
};

// Whether writing `file` as `kind` would overwrite the open table or its memo file.
using TOverwritesTable = std::function<bool(const std::string& file, TOutputKind kind)>;

// The checks in order: a file type is chosen; the output is not the open table or its memo
// file; a span lies within the list's rows and From is not after To. Once the type is known,
// `file` receives the output's name (a name without a folder placed in the export folder,
// with the type's extension when it has none), whatever the later checks find.
TCheck CheckExport(const TInput& in, const TOverwritesTable& overwritesTable, std::string& file);

}  // namespace exportcheck
