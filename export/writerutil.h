// What the writers share: the chosen columns with their descriptors, and the start of every
// writer.
#pragma once

#include "common/valuetext.h"
#include "export/outputfile.h"
#include "export/rowsource.h"

#include <string>
#include <vector>

class TField;

struct TOutColumn {
    const TField* Field = nullptr;  // the open table's field
    std::string Name;               // as stored, up to its first NUL
    char Type = 'C';
    int Width = 0;
    int Decimals = 0;
};

// The chosen fields of the source, in output order; raises EDBFError for an index that is no
// field of the table.
std::vector<TOutColumn> OutputColumns(const TRowSource& rows);

// True when the source has an open table; then an existing file of the name is deleted (a
// symbolic link is removed, not followed). False, with nothing touched, otherwise.
bool StartOutput(const TRowSource& rows, const std::string& fileName);

// Writes the rows of the source into `out`, nothing without columns: for each row `rowStart`,
// then `cell(buffer, column, text)` with the output text of each column, then `rowEnd`.
template <class TCell>
TWriteResult WriteCells(const TRowSource& rows, const std::vector<TOutColumn>& columns, TOutputFile& out,
                        TProgressSink& progress, const char* rowStart, const char* rowEnd, TCell&& cell) {
    if (columns.empty()) return {};
    std::string text, scratch;
    return ForEachRow(rows, progress, [&] {
        std::string& buf = out.Buffer();
        buf += rowStart;
        for (size_t i = 0; i < columns.size(); ++i) {
            text.clear();
            valuetext::AppendOutputText(*rows.Table, *columns[i].Field, rows.Memo, text, scratch);
            cell(buf, i, text);
        }
        buf += rowEnd;
        out.Spill();
        return true;
    });
}
