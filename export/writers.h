// One writer per output format. Each writes the rows of a row source into a new file of its
// format, replacing a file of the name, and reports to a progress sink; export and save-as
// are thin workers that choose the rows and call these.
//
//   TRowSource rows;                      // rowsource.h
//   rows.Table = table;                   // open TDBF, positioned by the writer row by row
//   rows.List = &store.DataList;          // order, record numbers, deletion marks
//   rows.Range = TRowRange::AllRows();    // or SelectedRows({...}) / Positions(from, to)
//   rows.WriteDeleted = true;
//   rows.Fields = {0, 1, 2};              // field indexes, in output order
//   rows.Memo = true;
//   TWriteResult r = WriteOutput(TOutputKind::Csv, "/tmp/out.csv", rows, sink);
//
// A writer raises EDBFError when its file cannot be created or written (the text names the
// file); the file then keeps what was written. Without an open table nothing is written and
// an existing file is left alone. WriteOutput writes the output beside its place and puts it
// there only when it is whole: a failure leaves no output under the name, and the file that
// was there (with its memo file) as it was.
#pragma once

#include "export/rowsource.h"

#include <cstdint>
#include <string>
#include <string_view>

// The output formats, numbered as the export dialog's file types.
enum class TOutputKind : uint8_t {
    VisualFoxPro = 0,
    FoxPro2 = 1,
    FoxBase = 2,
    DBase4 = 3,
    Text = 4,
    Html = 5,
    Xml = 6,
    Excel = 7,
    Csv = 8,
    Dif = 9,
};
inline constexpr int OutputKindCount = 10;

inline bool IsTableKind(TOutputKind kind) { return kind <= TOutputKind::DBase4; }
// ".dbf", ".txt", ".html", ".xml", ".xls", ".csv" or ".dif".
const char* OutputExtension(TOutputKind kind);

struct TWriteOptions {
    // HTML: data rows alternate "#FFFFFF" (odd) and "#EEEEEE" (even) by written row; off, every
    // data cell is "#FFFFFF".
    bool HtmlAlternate = true;
    // An output the sink stopped holds the rows written so far; off, it is dropped and the
    // file of the name stays as it was.
    bool KeepStopped = true;
};

// The writer of the kind, into a new file that replaces `fileName` (and, for a table kind,
// its memo file) only once it is whole; see above.
TWriteResult WriteOutput(TOutputKind kind, const std::string& fileName, const TRowSource& rows,
                         TProgressSink& progress, const TWriteOptions& options = {});
// Raises what the engine raises for a new table of the kind at `fileName` whose memo file
// would be another table's (nothing for an output without memo-type fields).
void CheckTableOutputName(TOutputKind kind, const std::string& fileName, const TRowSource& rows);

// The writers themselves (WriteOutput calls the one of the kind).
TWriteResult WriteTableFile(TOutputKind kind, const std::string& fileName, const TRowSource& rows,
                            TProgressSink& progress);
TWriteResult WriteCSV(const std::string& fileName, const TRowSource& rows, TProgressSink& progress);
TWriteResult WriteDIF(const std::string& fileName, const TRowSource& rows, TProgressSink& progress);
TWriteResult WriteTextReport(const std::string& fileName, const TRowSource& rows, TProgressSink& progress);
TWriteResult WriteHTML(const std::string& fileName, const TRowSource& rows, TProgressSink& progress,
                       bool alternate);
TWriteResult WriteXML(const std::string& fileName, const TRowSource& rows, TProgressSink& progress);
TWriteResult WriteExcel(const std::string& fileName, const TRowSource& rows, TProgressSink& progress);

// CSV quoting: the text unchanged unless it holds a double quote, a comma, a carriage return or
// a line feed; then in double quotes with every double quote doubled.
std::string QuoteCSV(std::string_view text);
void AppendQuotedCSV(std::string& out, std::string_view text);

// The most data rows an XLS worksheet of this kind holds (its row numbers are 16-bit and row 0
// holds the titles).
inline constexpr size_t ExcelMaxDataRows = 65535;
