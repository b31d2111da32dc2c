// The texts of the open table's information: the status bar's file type, the file and field
// information lists under the record list, and their clipboard copies.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TDBF;

namespace vx {

// One row of the file information list; a row with both texts empty is the blank separator.
struct TInfoRow {
    QString Name;
    QString Value;
    bool operator==(const TInfoRow&) const = default;
};

// One row of the field information list.
struct TFieldInfoRow {
    QString Name;
    QString Type;      // "Character", "Numeric", ...
    QString Width;
    QString Decimals;
    bool operator==(const TFieldInfoRow&) const = default;
};

// The file type shown in the status bar for a version byte; empty for bytes of no known kind.
QString VersionText(uint8_t version);

// The version byte as "0x" and upper-case hexadecimal digits without leading zeros, "-" and the
// engine's name of the kind ("0x30-Visual FoxPro with memo", "0x4-Unknow type").
QString FileTypeText(uint8_t version);

// The rows of the file information list for an open table shown under `fileName`: name, kind,
// dates, sizes and counts, the backlink text and, with its memo file open, a blank row and the
// memo file's rows. The file size is the record area plus the header, in 64 bits.
std::vector<TInfoRow> FileInfoRows(TDBF& dbf, const QString& fileName);

// One row per field: name, type name, length, decimal count.
std::vector<TFieldInfoRow> FieldInfoRows(const TDBF& dbf);

// The clipboard texts: a line per row, the name padded on the right to 25 characters and the
// value after it (the blank row an empty line); a line per field with its four texts each
// padded to 13 characters. Every line ends with a line break.
QString FileInfoClipText(const std::vector<TInfoRow>& rows);
QString FieldInfoClipText(const std::vector<TFieldInfoRow>& rows);

}  // namespace vx
