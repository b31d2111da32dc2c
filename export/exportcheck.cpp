#include "export/exportcheck.h"

#include "export/exportnames.h"

namespace exportcheck {

TCheck CheckExport(const TInput& in, const TOverwritesTable& overwritesTable, std::string& file) {
    file.clear();
    if (in.Type < 0 || in.Type >= OutputKindCount)
        return {QString(), QStringLiteral("Please Select File Type!"), TControl::Type};
    const TOutputKind kind = TOutputKind(in.Type);
    file = in.FileName.find('/') == std::string::npos
               ? exportname::PlaceInFolder(in.FileName, in.ExportFolder, OutputExtension(kind))
               : in.FileName;
    if (overwritesTable && overwritesTable(file, kind))
        return {QStringLiteral("Warnning"), QStringLiteral("Can not overwrite the file which had been opened!")};
    if (in.Rows == TRowRange::Span) {
        const int64_t count = int64_t(in.RowCount);
        if (in.From < 1 || in.To < 1 || in.From > count || in.To > count)
            return {QString(), QStringLiteral("From..To..Error!"), TControl::From};
        if (in.From > in.To) return {QString(), QStringLiteral("From..To..Error!"), TControl::To};
    }
    return {};
}

}  // namespace exportcheck
