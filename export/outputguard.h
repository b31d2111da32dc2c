// Whether an output would overwrite the open table or its memo file.
#pragma once

#include "export/writers.h"

#include <string>

class TDBF;

// True when writing `output` as `kind` would replace the open table's file or its memo file,
// whatever path names them: another spelling of the path, a symbolic or hard link, or, for the
// memo file that a table output gets beside it, a name that differs only in letter case (the
// engine reuses such a file). False when no table is open.
bool OverwritesOpenTable(const TDBF& table, const std::string& output, TOutputKind kind);
