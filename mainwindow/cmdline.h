// Reading the table path from the command line and from files dropped on the main window.
// Both take the path whole, whatever its length, blanks or quotes.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace vx {

// The extension of the path's file name in lower case, with its dot (".dbf"); empty when the
// name has none.
QString LowerFileExt(const QString& path);

// True when the path names a table file by its extension (".dbf" in any letter case).
bool IsTableFileName(const QString& path);

// The table named on the command line, as an absolute path, or empty when none was given.
// The shell has already split and unquoted the line, so the first argument is the path,
// taken whole. Only when no file exists at that text and it is itself wrapped in double
// quotes (a launcher that quoted it twice) are the quotes dropped.
QString TableFromArguments(int argc, const char* const* argv);

// What a drop onto the main window asks for: only the first dropped item counts.
struct TDropChoice {
    bool Any = false;      // something was dropped
    bool IsTable = false;  // it is a local file with the table extension
    QString Path;          // its local path (or the address, when it is no local file)
};
TDropChoice ChooseDroppedFile(const QList<QUrl>& urls);

}  // namespace vx
