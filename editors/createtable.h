// Creating a new, empty table from a design, and taking the design of an existing table,
// without windows. The new file is written in a fresh folder beside its place and put there
// only when it is complete, so that a table it replaces is never left half-replaced.
#pragma once

#include "editors/fieldtypes.h"
#include "platform/stagedfiles.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace createtable {

// One field as the engine defines it.
struct TFieldDef {
    std::string Name;
    char Type = 'C';
    int Width = 0;
    int Decimals = 0;
};

// The header values of a new table, in the order SetHeader takes them.
struct THeaderValues {
    uint8_t Version = 0;
    uint8_t Year = 0, Month = 0, Day = 0;
    uint32_t RecordCount = 0;
    uint16_t HeaderLength = 0;
    uint16_t RecordLength = 0;
    uint8_t Flags = 0;
    uint8_t CodePage = 0;
};

// Checks a design for a table kind and turns it into field definitions, the types mapped to
// the kind. A field whose type the kind does not offer even after mapping (a Picture field or
// an unknown type taken from another table), a name that cannot be stored or is no field
// name, or a name given twice (ignoring letter case) is refused: `Message` then names the
// field and `Row` is its row.
struct TDesignCheck {
    QString Message;
    int Row = -1;
    bool Ok() const { return Message.isEmpty(); }
};
TDesignCheck CheckDesign(const std::vector<fieldtypes::TDesignField>& design, int kind, std::vector<TFieldDef>& defs);

// Header of a new empty table of `kind` with these (mapped) fields, dated year/month/day
// (the year stored as its last two digits), marked with the program's code page.
THeaderValues HeaderOf(const std::vector<TFieldDef>& defs, int kind, int year, int month, int day);

// The save dialog's filter of a kind ("Visual FoxPro(*.DBF)|*.DBF|All File(*.*)|*.*", ...).
QString SaveFilter(int kind);
// The name with ".dbf" appended when it has no extension.
QString WithDefaultExtension(const QString& name);

// A new table written beside `path`: Prepare writes it (and its empty memo file) in a fresh
// folder next to `path`; Commit puts it in place, replacing a file of exactly the table's name
// and, when the new table has memo fields, one of exactly its memo file's name (the table's
// name with the memo extension). Files whose names differ only in letter case belong to other
// tables and are left alone, as is a memo file that the new table does not need; a memo file
// of the new name that is another table's refuses the table in Prepare. The folder goes with
// the object. Failures raise EDBFError, naming the files by the names they are to have.
class TNewTable {
public:
    TNewTable() = default;
    ~TNewTable();
    TNewTable(const TNewTable&) = delete;
    TNewTable& operator=(const TNewTable&) = delete;

    void Prepare(const std::string& path, const THeaderValues& header, const std::vector<TFieldDef>& defs);
    void Commit();

private:
    std::string Target;
    std::unique_ptr<vx::TStagedFiles> Files;  // the fresh folder with the new files
    std::string MemoTarget;  // where the memo file goes, or empty
};

// The design of an existing table: its kind from its version byte and one field per
// descriptor (name, type name, width, decimals; types as they stand). The table is opened
// read-only and nothing beside it changes. Failures raise EDBFError.
struct TImported {
    int Kind = fieldtypes::kFoxBase;
    std::vector<fieldtypes::TDesignField> Fields;
};
TImported ReadDesign(const std::string& path);

}  // namespace createtable
