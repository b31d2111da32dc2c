// What the writers share: the chosen columns with their descriptors, and the start of every
// writer.
#pragma once

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
