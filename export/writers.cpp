// The writers' common start, the dispatch by kind, and the CSV and DIF writers.
#include "export/writers.h"

#include "common/valuetext.h"
#include "engine/dbf.h"
#include "export/bytescan.h"
#include "export/outputfile.h"
#include "export/writerutil.h"
#include "platform/filestream.h"
#include "platform/stagedfiles.h"

#include <array>

std::vector<TOutColumn> OutputColumns(const TRowSource& rows) {
    std::vector<TOutColumn> out;
    out.reserve(rows.Fields.size());
    for (int index : rows.Fields) {
        const TField* f = index >= 0 && index < rows.Table->FieldCount ? rows.Table->GetField(index) : nullptr;
        if (!f) throw EDBFError(rows.Table->FileName + " - Invalid field index " + std::to_string(index) + "!");
        out.push_back({f, rows.Table->GetFieldName(index), f->GetFieldType(), f->GetLength(), f->GetDecimals()});
    }
    return out;
}

bool StartOutput(const TRowSource& rows, const std::string& fileName) {
    if (!rows.Table || !rows.Table->Active || !rows.List) return false;
    vx::DeleteFile(fileName);
    return true;
}

const char* OutputExtension(TOutputKind kind) {
    switch (kind) {
    case TOutputKind::VisualFoxPro:
    case TOutputKind::FoxPro2:
    case TOutputKind::FoxBase:
    case TOutputKind::DBase4: return ".dbf";
    case TOutputKind::Text: return ".txt";
    case TOutputKind::Html: return ".html";
    case TOutputKind::Xml: return ".xml";
    case TOutputKind::Excel: return ".xls";
    case TOutputKind::Csv: return ".csv";
    case TOutputKind::Dif: return ".dif";
    }
    return "";
}

namespace {

TWriteResult WriteKind(TOutputKind kind, const std::string& fileName, const TRowSource& rows,
                       TProgressSink& progress, const TWriteOptions& options) {
    switch (kind) {
    case TOutputKind::VisualFoxPro:
    case TOutputKind::FoxPro2:
    case TOutputKind::FoxBase:
    case TOutputKind::DBase4: return WriteTableFile(kind, fileName, rows, progress);
    case TOutputKind::Text: return WriteTextReport(fileName, rows, progress);
    case TOutputKind::Html: return WriteHTML(fileName, rows, progress, options.HtmlAlternate);
    case TOutputKind::Xml: return WriteXML(fileName, rows, progress);
    case TOutputKind::Excel: return WriteExcel(fileName, rows, progress);
    case TOutputKind::Csv: return WriteCSV(fileName, rows, progress);
    case TOutputKind::Dif: return WriteDIF(fileName, rows, progress);
    }
    return {};
}

}  // namespace

TWriteResult WriteOutput(TOutputKind kind, const std::string& fileName, const TRowSource& rows,
                         TProgressSink& progress, const TWriteOptions& options) {
    if (!rows.Table || !rows.Table->Active || !rows.List) return {};
    if (IsTableKind(kind)) CheckTableOutputName(kind, fileName, rows);
    vx::TStagedFiles staged(fileName);
    if (!staged.Ready()) throw EDBFError(staged.FailureText());
    TWriteResult result;
    try {
        result = WriteKind(kind, staged.Path(), rows, progress, options);
    } catch (const EDBFError& e) {
        // The user knows the output by its own name.
        const std::string text = staged.Unstaged(e.what());
        if (text == e.what()) throw;
        throw EDBFError(text);
    }
    if (result.Stopped && !options.KeepStopped) return result;
    const std::string failed = staged.Commit();
    if (!failed.empty()) throw EDBFError(failed + " - Can not replace the file!");
    return result;
}

// ---- CSV and DIF ----

namespace {

// Bytes that make a CSV field need quotes.
constexpr std::array<bool, 256> CsvSpecial = [] {
    std::array<bool, 256> t{};
    t['"'] = t[','] = t['\r'] = t['\n'] = true;
    return t;
}();

}  // namespace

void AppendQuotedCSV(std::string& out, std::string_view text) {
    size_t i = bytescan::SkipWordsWithout<'"', ',', '\r', '\n'>(text);
    while (i < text.size() && !CsvSpecial[static_cast<unsigned char>(text[i])]) ++i;
    if (i == text.size()) {
        out.append(text);
        return;
    }
    out += '"';
    out.append(text.substr(0, i));
    for (; i < text.size(); ++i) {
        if (text[i] == '"') out += '"';
        out += text[i];
    }
    out += '"';
}

std::string QuoteCSV(std::string_view text) {
    std::string s;
    AppendQuotedCSV(s, text);
    return s;
}

TWriteResult WriteCSV(const std::string& fileName, const TRowSource& rows, TProgressSink& progress) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    TOutputFile out(fileName);
    const TWriteResult result =
        WriteCells(rows, columns, out, progress, "", "\r\n", [](std::string& buf, size_t i, const std::string& cell) {
            if (i) buf += ',';
            AppendQuotedCSV(buf, cell);
        });
    out.Close();
    return result;
}

namespace {
bool IsNumberType(char t) { return t == 'Y' || t == 'I' || t == 'N' || t == 'F' || t == 'B'; }
}  // namespace

TWriteResult WriteDIF(const std::string& fileName, const TRowSource& rows, TProgressSink& progress) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    TOutputFile out(fileName);
    std::string& head = out.Buffer();
    head += "TABLE\r\n0,1\r\n\"DBF\"\r\nVECTORS\r\n0,";
    valuetext::AppendInteger(head, int64_t(columns.size()));
    head += "\r\n\"\"\r\nTUPLES\r\n0,";
    valuetext::AppendInteger(head, int64_t(rows.Total()));
    head += "\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n";
    const TWriteResult result = WriteCells(rows, columns, out, progress, "-1,0\r\nBOT\r\n", "",
                                           [&](std::string& buf, size_t i, const std::string& cell) {
                                               const bool number = IsNumberType(columns[i].Type);
                                               buf += number ? "0," : "1,0\r\n";
                                               AppendQuotedCSV(buf, cell);
                                               buf += number ? "\r\nV\r\n" : "\r\n";
                                           });
    out.Buffer() += "-1,0\r\nEOD\r\n";
    out.Close();
    return result;
}
