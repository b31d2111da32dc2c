#include "export/spreadsheet.h"

#include "common/valuetext.h"
#include "export/outputfile.h"
#include "platform/filestream.h"
#include "platform/process.h"

#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

std::mutex ProgramMutex;
std::string ProgramName = "soffice";

// One cell's look; index 0 is the sheet's default (10 points, plain, left).
struct TCellStyle {
    int Size = 10;
    bool Bold = false;
    bool Centered = false;
    bool operator==(const TCellStyle&) const = default;
};

struct TCell {
    std::string Text;  // UTF-8
    uint16_t Style = 0;
};

// "file://" + the path with every byte outside the unreserved set escaped.
std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// Code points of the longest line of a UTF-8 text.
size_t WidestLine(std::string_view text) {
    size_t best = 0, cur = 0;
    for (unsigned char c : text) {
        if (c == '\n' || c == '\r') {
            best = std::max(best, cur);
            cur = 0;
        } else if ((c & 0xC0) != 0x80) {
            ++cur;
        }
    }
    return std::max(best, cur);
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

// A cell's whole text as an attribute value: line ends and tabs as character references, which
// a reader keeps as they stand (it folds them when written plainly); characters XML cannot
// carry are left out.
void AppendAttributeText(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) break;  // no place in XML
            AppendEscaped(out, std::string_view(&c, 1));
        }
    }
}

// One cell's text as paragraphs: a line break starts a new paragraph; runs of blanks, blanks
// at either end of a line and tabs are written as the elements that keep them, since a
// reader folds plain white space; characters XML cannot carry are left out.
void AppendParagraphs(std::string& out, std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    for (;;) {
        // CR LF and LF end a line; a lone CR stays a character of the text.
        size_t end = i;
        while (end < n && text[end] != '\n' && !(text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')) ++end;
        std::string_view line = text.substr(i, end - i);
        out += "<text:p>";
        for (size_t k = 0; k < line.size();) {
            const unsigned char c = static_cast<unsigned char>(line[k]);
            if (c == ' ') {
                size_t run = 1;
                while (k + run < line.size() && line[k + run] == ' ') ++run;
                const bool edge = k == 0 || k + run == line.size();
                if (run == 1 && !edge) {
                    out += ' ';
                } else {
                    out += "<text:s text:c=\"" + std::to_string(run) + "\"/>";
                }
                k += run;
                continue;
            }
            if (c == '\t') out += "<text:tab/>";
            else if (c == '\r') out += "&#13;";
            else if (c < 0x20 || c == 0x7F) { /* no place in XML */ }
            else AppendEscaped(out, line.substr(k, 1));
            ++k;
        }
        out += "</text:p>";
        if (end >= n) break;
        i = end + (text[end] == '\r' ? 2 : 1);  // a line end at the very end gives an empty paragraph
    }
}

constexpr const char* TableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr const char* TextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr const char* OfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";

bool Is(const QXmlStreamReader& x, const char* ns, const char* name) {
    return x.name() == QLatin1String(name) && x.namespaceUri() == QLatin1String(ns);
}

int RepeatCount(const QXmlStreamReader& x, const char* attribute, int limit) {
    bool ok = false;
    const qlonglong n = x.attributes().value(QLatin1String(TableNs), QLatin1String(attribute)).toLongLong(&ok);
    if (!ok || n < 1) return 1;
    return static_cast<int>(std::min<qlonglong>(n, limit));
}

// The text of a paragraph or of a span inside it, up to the end of the element. Spans nested
// deeper than any sheet needs are skipped, so that no document can exhaust the stack.
void ReadParagraph(QXmlStreamReader& x, QString& out, int depth = 0) {
    while (!x.atEnd()) {
        switch (x.readNext()) {
        case QXmlStreamReader::Characters: out += x.text(); break;
        case QXmlStreamReader::EndElement: return;
        case QXmlStreamReader::StartElement:
            if (Is(x, TextNs, "s")) {
                bool ok = false;
                int c = x.attributes().value(QLatin1String(TextNs), QLatin1String("c")).toInt(&ok);
                out += QString(ok ? std::clamp(c, 1, 65535) : 1, QLatin1Char(' '));
                x.skipCurrentElement();
            } else if (Is(x, TextNs, "tab")) {
                out += QLatin1Char('\t');
                x.skipCurrentElement();
            } else if (Is(x, TextNs, "line-break")) {
                out += QLatin1Char('\n');
                x.skipCurrentElement();
            } else if (Is(x, OfficeNs, "annotation") || Is(x, TextNs, "note")) {
                x.skipCurrentElement();
            } else if (depth < 32) {
                ReadParagraph(x, out, depth + 1);  // spans, links and other inline elements
            } else {
                x.skipCurrentElement();
            }
            break;
        default: break;
        }
    }
}

constexpr const char* CalcExtNs = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

// Digits at `pos`, at least `min` and at most `max` of them, as a number; false when there are
// fewer.
bool ReadDigits(std::string_view s, size_t& pos, size_t min, size_t max, int& value) {
    size_t n = 0;
    value = 0;
    while (pos < s.size() && n < max && s[pos] >= '0' && s[pos] <= '9') value = value * 10 + (s[pos++] - '0'), ++n;
    return n >= min;
}

bool Expect(std::string_view s, size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

// "2024-01-05" or "2024-01-05T13:45:30.5" in the program's date format; false for anything
// else, a date or time of day that does not exist included.
bool DateValueText(const QString& value, QString& out) {
    const std::string s = value.toStdString();
    TDateTimeParts d;
    size_t pos = 0;
    if (!ReadDigits(s, pos, 4, 4, d.Year) || !Expect(s, pos, '-') || !ReadDigits(s, pos, 2, 2, d.Month) ||
        !Expect(s, pos, '-') || !ReadDigits(s, pos, 2, 2, d.Day) || !IsValidCalendarDate(d.Year, d.Month, d.Day))
        return false;
    if (pos < s.size()) {
        if (!Expect(s, pos, 'T') || !ReadDigits(s, pos, 2, 2, d.Hour) || !Expect(s, pos, ':') ||
            !ReadDigits(s, pos, 2, 2, d.Minute) || !Expect(s, pos, ':') || !ReadDigits(s, pos, 2, 2, d.Second))
            return false;
        int fraction;
        if (pos < s.size() && (!Expect(s, pos, '.') || !ReadDigits(s, pos, 1, 9, fraction))) return false;
        if (pos != s.size() || d.Hour > 23 || d.Minute > 59 || d.Second > 59) return false;
    }
    out = QString::fromStdString(valuetext::DateTimeToStr(d));
    return true;
}

// "PT13H45M30S" (a time, or a duration of whole hours beyond a day) as "13:45:30".
bool TimeValueText(const QString& value, QString& out) {
    const std::string s = value.toStdString();
    size_t pos = 0;
    int h, m, sec, fraction;
    if (!Expect(s, pos, 'P') || !Expect(s, pos, 'T') || !ReadDigits(s, pos, 1, 6, h) || !Expect(s, pos, 'H') ||
        !ReadDigits(s, pos, 1, 2, m) || !Expect(s, pos, 'M') || !ReadDigits(s, pos, 1, 2, sec))
        return false;
    if (pos < s.size() && s[pos] == '.' && !ReadDigits(s, ++pos, 1, 9, fraction)) return false;
    if (!Expect(s, pos, 'S') || pos != s.size() || m > 59 || sec > 59) return false;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, sec);
    out = QString::fromLatin1(buf);
    return true;
}

// A number value ("3.14159", "1.5E-7") as its text: up to 15 significant digits, as a value
// converted to text reads; false when it is no finite number.
bool NumberValueText(const QString& value, QString& out) {
    double v;
    if (!valuetext::ReadDouble(value.toStdString(), v)) return false;
    out = QString::fromStdString(valuetext::FloatToStrGeneral(v));
    return true;
}

// One cell, up to its end: its value converted to text. A number, percentage or currency
// gives its number, a date or time its value in the program's format, a logical value "True"
// or "False", whatever the sheet shows for them; a text cell its text; an error cell the
// error's text ("#N/A"), which the sheet shows.
QString ReadCell(QXmlStreamReader& x) {
    const QXmlStreamAttributes a = x.attributes();
    const QString type = a.value(QLatin1String(OfficeNs), QLatin1String("value-type")).toString();
    const bool error = a.value(QLatin1String(CalcExtNs), QLatin1String("value-type")) == QLatin1String("error");
    // A text cell's value, when given, is its text exactly.
    const bool exact = !error && type == QLatin1String("string") &&
                       a.hasAttribute(QLatin1String(OfficeNs), QLatin1String("string-value"));
    const QString exactText = a.value(QLatin1String(OfficeNs), QLatin1String("string-value")).toString();
    QString value;
    bool valued = false;
    if (!error) {
        if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency"))
            valued = NumberValueText(a.value(QLatin1String(OfficeNs), QLatin1String("value")).toString(), value);
        else if (type == QLatin1String("date"))
            valued = DateValueText(a.value(QLatin1String(OfficeNs), QLatin1String("date-value")).toString(), value);
        else if (type == QLatin1String("time"))
            valued = TimeValueText(a.value(QLatin1String(OfficeNs), QLatin1String("time-value")).toString(), value);
        else if (type == QLatin1String("boolean")) {
            const auto b = a.value(QLatin1String(OfficeNs), QLatin1String("boolean-value"));
            valued = b == QLatin1String("true") || b == QLatin1String("false");
            value = b == QLatin1String("true") ? QStringLiteral("True") : QStringLiteral("False");
        }
    }
    QString text;
    bool first = true;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::EndElement) break;
        if (t != QXmlStreamReader::StartElement) continue;
        if (Is(x, TextNs, "p") || Is(x, TextNs, "h")) {
            if (!first) text += QLatin1Char('\n');
            first = false;
            ReadParagraph(x, text);
        } else {
            x.skipCurrentElement();  // comments, drawings, sub-tables
        }
    }
    if (exact) return exactText;
    if (valued) return value;
    return text;
}

// One row's cells, up to the row's end; empty cells after the last text are left out.
void ReadRow(QXmlStreamReader& x, std::vector<QString>& cells) {
    cells.clear();
    size_t pendingEmpty = 0;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::EndElement && Is(x, TableNs, "table-row")) return;
        if (t != QXmlStreamReader::StartElement) continue;
        if (Is(x, TableNs, "table-cell") || Is(x, TableNs, "covered-table-cell")) {
            const int repeat = RepeatCount(x, "number-columns-repeated", TSpreadsheetApp::MaxColumns);
            const QString text = ReadCell(x);
            if (text.isEmpty()) {
                pendingEmpty += size_t(repeat);
                continue;
            }
            // A text beyond the sheet's last column is not in the sheet.
            const size_t room = size_t(TSpreadsheetApp::MaxColumns);
            if (cells.size() + pendingEmpty >= room) continue;
            cells.resize(cells.size() + pendingEmpty);
            pendingEmpty = 0;
            for (int k = 0; k < repeat && cells.size() < room; ++k) cells.push_back(text);
        } else {
            x.skipCurrentElement();
        }
    }
}

}  // namespace

bool ReadFlatSheet(const std::string& path, const std::function<bool(const std::vector<QString>&)>& row) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader x(&file);
    bool inTable = false;
    size_t rows = 0;
    std::vector<QString> cells;
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (!inTable) {
                if (Is(x, TableNs, "table")) inTable = true;
                continue;
            }
            if (Is(x, TableNs, "table-row")) {
                const int repeat = RepeatCount(x, "number-rows-repeated", TSpreadsheetApp::MaxRows);
                ReadRow(x, cells);
                for (int k = 0; k < repeat; ++k) {
                    if (rows++ >= size_t(TSpreadsheetApp::MaxRows)) return !x.hasError();
                    if (!row(cells)) return true;
                }
            } else if (Is(x, TableNs, "table-column") || Is(x, TableNs, "table-columns") ||
                       Is(x, OfficeNs, "forms") || Is(x, TableNs, "table-source") || Is(x, TableNs, "shapes")) {
                x.skipCurrentElement();
            }
            // Row groups and header rows hold rows: their contents are read on.
        } else if (t == QXmlStreamReader::EndElement && inTable && Is(x, TableNs, "table")) {
            return true;  // the first sheet only
        }
    }
    return inTable && !x.hasError();
}

QString SheetNameFor(const std::string& fileName) {
    QString name = QFile::decodeName(QByteArray::fromStdString(fs::path(fileName).filename().string()));
    for (QChar& c : name)
        if (QStringLiteral("[]*?:/\\").contains(c) || c.unicode() < 0x20) c = QLatin1Char('_');
    if (name.startsWith(QLatin1Char('\''))) name[0] = QLatin1Char('_');
    name = name.left(31);
    if (name.endsWith(QLatin1Char('\''))) name[name.size() - 1] = QLatin1Char('_');
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}

// ---- The application ----

struct TSpreadsheetApp::TImpl {
    bool HaveWorkbook = false;
    std::string SheetName = "Sheet1";
    std::vector<std::vector<TCell>> Rows;
    std::vector<TCellStyle> Styles{TCellStyle{}};
    std::vector<char> TextColumns;
    std::vector<double> Widths;  // points; empty until the columns are fitted
    size_t Cells = 0;
    std::string Opened;  // the converted workbook being read

    TCell& Cell(int row, int column) {
        if (!HaveWorkbook) throw ESpreadsheetError("No workbook is open.");
        if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
            throw ESpreadsheetError("Invalid cell reference (" + std::to_string(row) + ", " + std::to_string(column) + ").");
        if (Rows.size() < size_t(row)) Rows.resize(size_t(row));
        std::vector<TCell>& r = Rows[size_t(row) - 1];
        if (r.size() < size_t(column)) {
            Cells += size_t(column) - r.size();
            r.resize(size_t(column));
        }
        return r[size_t(column) - 1];
    }
    uint16_t StyleOf(const TCellStyle& s) {
        for (size_t i = 0; i < Styles.size(); ++i)
            if (Styles[i] == s) return static_cast<uint16_t>(i);
        if (Styles.size() >= 1000) throw ESpreadsheetError("Too many cell formats.");
        Styles.push_back(s);
        return static_cast<uint16_t>(Styles.size() - 1);
    }
    size_t ColumnCount() const {
        size_t n = TextColumns.size();
        for (const auto& r : Rows) n = std::max(n, r.size());
        return n;
    }
    bool TextColumn(size_t c) const { return c < TextColumns.size() && TextColumns[c]; }
    void WriteFlat(const std::string& path) const;
};

void TSpreadsheetApp::TImpl::WriteFlat(const std::string& path) const {
    TOutputFile out(path);
    std::string& b = out.Buffer();
    b += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
         "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" office:version=\"1.2\" "
         "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
         "<office:automatic-styles>\n"
         "<number:text-style style:name=\"N100\"><number:text-content/></number:text-style>\n";
    const size_t columns = ColumnCount();
    // Column styles, one per width.
    std::vector<std::string> columnStyle(columns);
    std::vector<std::string> widthNames;
    for (size_t c = 0; c < columns; ++c) {
        if (c >= Widths.size()) continue;
        char w[32];
        std::snprintf(w, sizeof w, "%.2fpt", Widths[c]);
        auto it = std::find(widthNames.begin(), widthNames.end(), std::string(w));
        if (it == widthNames.end()) {
            widthNames.emplace_back(w);
            b += "<style:style style:name=\"co" + std::to_string(widthNames.size()) +
                 "\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"" + w +
                 "\"/></style:style>\n";
            it = widthNames.end() - 1;
        }
        columnStyle[c] = "co" + std::to_string(it - widthNames.begin() + 1);
    }
    // Cell styles: every look, plain and with the text format.
    for (size_t s = 0; s < Styles.size(); ++s) {
        for (int text = 0; text < 2; ++text) {
            b += "<style:style style:name=\"ce" + std::to_string(s) + "_" + std::to_string(text) +
                 "\" style:family=\"table-cell\"";
            if (text) b += " style:data-style-name=\"N100\"";
            b += ">";
            if (Styles[s].Centered) b += "<style:table-cell-properties style:text-align-source=\"fix\"/>"
                                         "<style:paragraph-properties fo:text-align=\"center\"/>";
            b += "<style:text-properties fo:font-size=\"" + std::to_string(Styles[s].Size) + "pt\" fo:font-weight=\"" +
                 (Styles[s].Bold ? "bold" : "normal") + "\"/></style:style>\n";
        }
    }
    b += "</office:automatic-styles>\n<office:body><office:spreadsheet><table:table table:name=\"";
    AppendEscaped(b, SheetName);
    b += "\">\n";
    for (size_t c = 0; c < columns; ++c) {
        b += "<table:table-column";
        if (!columnStyle[c].empty()) b += " table:style-name=\"" + columnStyle[c] + "\"";
        if (TextColumn(c)) b += " table:default-cell-style-name=\"ce0_1\"";
        b += "/>\n";
    }
    if (Rows.empty()) b += "<table:table-row><table:table-cell/></table:table-row>\n";
    for (const std::vector<TCell>& r : Rows) {
        b += "<table:table-row>";
        if (r.empty()) b += "<table:table-cell/>";
        for (size_t c = 0; c < r.size(); ++c) {
            const TCell& cell = r[c];
            b += "<table:table-cell table:style-name=\"ce" + std::to_string(cell.Style) + "_" +
                 (TextColumn(c) ? "1" : "0") + "\"";
            if (cell.Text.empty()) {
                b += "/>";
                continue;
            }
            // The text exactly in the value, the paragraphs for the eye: the application keeps
            // the value, where paragraphs would lose the carriage returns of CR LF.
            b += " office:value-type=\"string\" office:string-value=\"";
            AppendAttributeText(b, cell.Text);
            b += "\">";
            AppendParagraphs(b, cell.Text);
            b += "</table:table-cell>";
        }
        b += "</table:table-row>\n";
        out.Spill();
    }
    b += "</table:table></office:spreadsheet></office:body></office:document>\n";
    out.Close();
}

void TSpreadsheetApp::SetProgram(const std::string& program) {
    std::lock_guard<std::mutex> lock(ProgramMutex);
    ProgramName = program.empty() ? "soffice" : program;
}

std::string TSpreadsheetApp::Program() {
    std::lock_guard<std::mutex> lock(ProgramMutex);
    return ProgramName;
}

int64_t TSpreadsheetApp::TimeLimitFor(size_t cells) {
    // Start-up takes seconds on a cold machine; conversion runs at far more than 20 cells a
    // millisecond.
    const int64_t limit = 120000 + static_cast<int64_t>(std::min<size_t>(cells, size_t(1) << 40) / 20);
    return std::min(limit, MaxTimeLimitMs);
}

TSpreadsheetApp::TSpreadsheetApp(std::function<bool()> stop) : Impl(std::make_unique<TImpl>()), Stop(std::move(stop)) {
    ProgramPath = vx::FindProgram(Program());
    if (ProgramPath.empty()) throw ESpreadsheetError(CreateAppErrorText);
    WorkDir = vx::MakeTempDir("vellibrox-calc-");
    if (WorkDir.empty()) throw ESpreadsheetError(CreateAppErrorText);
}

TSpreadsheetApp::~TSpreadsheetApp() { Quit(); }

void TSpreadsheetApp::Quit() {
    Impl->HaveWorkbook = false;
    Impl->Rows.clear();
    if (!WorkDir.empty()) vx::RemoveTree(WorkDir);
    WorkDir.clear();
}

void TSpreadsheetApp::AddWorkbook() {
    if (WorkDir.empty()) throw ESpreadsheetError("The application has quit.");
    Impl = std::make_unique<TImpl>();
    Impl->HaveWorkbook = true;
}

void TSpreadsheetApp::SetSheetName(const QString& name) {
    if (!Impl->HaveWorkbook) throw ESpreadsheetError("No workbook is open.");
    // What the application refuses as a sheet name.
    bool bad = name.isEmpty() || name.size() > 31 || name.startsWith(QLatin1Char('\'')) ||
               name.endsWith(QLatin1Char('\''));
    for (QChar c : name) bad |= QStringLiteral("[]*?:/\\").contains(c) || c.unicode() < 0x20;
    if (bad) throw ESpreadsheetError("Invalid sheet name: " + name.toStdString());
    Impl->SheetName = name.toStdString();
}

void TSpreadsheetApp::SetCell(int row, int column, const QString& text) {
    Impl->Cell(row, column).Text = text.toStdString();
}

void TSpreadsheetApp::SetCellUtf8(int row, int column, std::string text) {
    Impl->Cell(row, column).Text = std::move(text);
}

void TSpreadsheetApp::SetFont(int row, int column, int size, bool bold) {
    TCell& cell = Impl->Cell(row, column);
    TCellStyle s = Impl->Styles[cell.Style];
    s.Size = std::clamp(size, 1, 409);
    s.Bold = bold;
    cell.Style = Impl->StyleOf(s);
}

void TSpreadsheetApp::SetCentered(int row, int column) {
    TCell& cell = Impl->Cell(row, column);
    TCellStyle s = Impl->Styles[cell.Style];
    s.Centered = true;
    cell.Style = Impl->StyleOf(s);
}

void TSpreadsheetApp::SetColumnTextFormat(int column) {
    if (!Impl->HaveWorkbook) throw ESpreadsheetError("No workbook is open.");
    if (column < 1 || column > MaxColumns) throw ESpreadsheetError("Invalid column " + std::to_string(column) + ".");
    if (Impl->TextColumns.size() < size_t(column)) Impl->TextColumns.resize(size_t(column));
    Impl->TextColumns[size_t(column) - 1] = 1;
}

void TSpreadsheetApp::AutoFitColumns() {
    if (!Impl->HaveWorkbook) throw ESpreadsheetError("No workbook is open.");
    // An average character is about 0.55 of the font size wide, a bold one a little more;
    // 6 points of margin; no column narrower than 12 points or wider than 255 characters.
    std::vector<double> widths(Impl->ColumnCount(), 12.0);
    for (const auto& r : Impl->Rows)
        for (size_t c = 0; c < r.size(); ++c) {
            if (r[c].Text.empty()) continue;
            const TCellStyle& s = Impl->Styles[r[c].Style];
            const double w = double(WidestLine(r[c].Text)) * s.Size * (s.Bold ? 0.62 : 0.55) + 6.0;
            widths[c] = std::max(widths[c], std::min(w, 255 * 10 * 0.55 + 6.0));
        }
    Impl->Widths = std::move(widths);
}

void TSpreadsheetApp::Run(const std::vector<std::string>& args, const std::string& expected, size_t cells,
                          const std::string& failure) {
    std::vector<std::string> argv{ProgramPath, "-env:UserInstallation=" + FileUrl(WorkDir + "/profile"),
                                  "--headless", "--invisible", "--norestore", "--nologo", "--nolockcheck",
                                  "--nodefault"};
    argv.insert(argv.end(), args.begin(), args.end());
    vx::TRunOptions options;
    options.TimeLimitMs = TimeLimitFor(cells);
    options.Stop = Stop;
    options.OutputFile = WorkDir + "/output.txt";
    options.WorkDir = WorkDir;
    const vx::TRunResult r = vx::RunProgram(argv, options);
    switch (r.Outcome) {
    case vx::TRunResult::NotStarted: throw ESpreadsheetError(CreateAppErrorText);
    case vx::TRunResult::Stopped: throw ESpreadsheetError(failure + " The work was stopped.");
    case vx::TRunResult::TimedOut: throw ESpreadsheetError(failure + " LibreOffice did not finish in time.");
    default: break;
    }
    std::error_code ec;
    if (!fs::is_regular_file(expected, ec) || fs::file_size(expected, ec) == 0 || ec) {
        std::string why;
        if (r.Outcome == vx::TRunResult::Exited && r.ExitCode != 0)
            why = " LibreOffice ended with code " + std::to_string(r.ExitCode) + ".";
        else if (r.Outcome == vx::TRunResult::Signalled)
            why = " LibreOffice ended abnormally.";
        throw ESpreadsheetError(failure + why);
    }
}

void TSpreadsheetApp::SaveAs(const std::string& fileName) {
    if (!Impl->HaveWorkbook) throw ESpreadsheetError("No workbook is open.");
    if (WorkDir.empty()) throw ESpreadsheetError("The application has quit.");
    const std::string failure = fileName + " - The workbook could not be saved.";
    const std::string book = WorkDir + "/book.fods";
    const std::string outDir = WorkDir + "/saved";
    const std::string made = outDir + "/book.xls";
    vx::DeleteFile(made);
    try {
        Impl->WriteFlat(book);
    } catch (const std::exception& e) {
        throw ESpreadsheetError(failure + " " + e.what());
    }
    Run({"--convert-to", "xls:MS Excel 97", "--outdir", outDir, book}, made, Impl->Cells, failure);
    vx::DeleteFile(book);
    if (!vx::RenameFile(made, fileName)) {
        // Another file system: copy, then drop the made one.
        if (!vx::CopyFile(made, fileName)) {
            vx::DeleteFile(fileName);
            throw ESpreadsheetError(failure);
        }
        vx::DeleteFile(made);
    }
}

void TSpreadsheetApp::CloseWorkbook() {
    Impl->HaveWorkbook = false;
    Impl->Rows.clear();
    if (!Impl->Opened.empty()) vx::DeleteFile(Impl->Opened);
    Impl->Opened.clear();
}

void TSpreadsheetApp::OpenWorkbook(const std::string& fileName) {
    if (WorkDir.empty()) throw ESpreadsheetError(OpenWorkbookErrorText);
    std::error_code ec;
    const fs::path source = fs::absolute(fileName, ec);
    // Only a regular file: the application would wait on a named pipe as long as nobody writes.
    if (ec || !vx::IsRegularFile(source.string())) throw ESpreadsheetError(OpenWorkbookErrorText);
    const uintmax_t size = fs::file_size(source, ec);
    // The workbook is read through a link of a plain name, so that the converted file's name
    // is known whatever the workbook is called.
    const std::string inDir = WorkDir + "/open";
    const std::string converted = WorkDir + "/read/book.fods";
    fs::create_directories(inDir, ec);
    std::string ext = source.extension().string();
    if (ext.size() > 8 || ext.find_first_of(" /") != std::string::npos) ext.clear();
    const std::string link = inDir + "/book" + ext;
    fs::remove(link, ec);
    fs::create_symlink(source, link, ec);
    if (ec) throw ESpreadsheetError(OpenWorkbookErrorText);
    try {
        Run({"--convert-to", "fods", "--outdir", WorkDir + "/read", link}, converted,
            ec ? 0 : size_t(size / 8), OpenWorkbookErrorText);
    } catch (const ESpreadsheetError& e) {
        // A stopped run says so; every other failure is the open failure.
        if (std::string(e.what()).find("stopped") != std::string::npos) throw;
        throw ESpreadsheetError(OpenWorkbookErrorText);
    }
    Impl->Opened = converted;
    Impl->HaveWorkbook = true;
}

void TSpreadsheetApp::ReadFirstSheet(const std::function<bool(const std::vector<QString>&)>& row) {
    if (Impl->Opened.empty()) throw ESpreadsheetError("No workbook is open.");
    if (!ReadFlatSheet(Impl->Opened, row)) throw ESpreadsheetError("The workbook could not be read.");
}
