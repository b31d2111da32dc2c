// The writers that present a table to a reader: the fixed-width text report, the HTML page and
// the XML document.
#include "common/bytetext.h"
#include "common/codepage.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "export/markup.h"
#include "export/outputfile.h"
#include "export/writers.h"
#include "export/writerutil.h"

#include <algorithm>

namespace {

void AppendPadded(std::string& out, std::string_view text, size_t width) {
    out.append(text);
    if (text.size() < width) out.append(width - text.size(), ' ');
}

void AppendNumberPadded(std::string& out, int64_t value, size_t width) {
    const size_t start = out.size();
    valuetext::AppendInteger(out, value);
    const size_t n = out.size() - start;
    if (n < width) out.append(width - n, ' ');
}

// The least width of a column's cells in the text report.
size_t TypeWidth(const TOutColumn& c, bool memo) {
    switch (c.Type) {
    case 'T':
    case 'Y':
    case 'B': return 20;
    case 'I': return 11;
    case 'M': return memo ? 254 : 5;
    default: return size_t(c.Width);
    }
}

}  // namespace

TWriteResult WriteTextReport(const std::string& fileName, const TRowSource& rows, TProgressSink& progress) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    TOutputFile out(fileName);
    std::string& head = out.Buffer();
    for (const char* title : {"Field_Name", "Field_Type", "Field_Width", "Field_Decimal"}) AppendPadded(head, title, 15);
    head += "\r\n";
    for (const TOutColumn& c : columns) {
        AppendPadded(head, c.Name, 15);
        AppendPadded(head, FieldTypeName(c.Type), 15);
        AppendNumberPadded(head, c.Width, 15);
        AppendNumberPadded(head, c.Decimals, 15);
        head += "\r\n";
    }
    head += "\r\n";
    std::vector<size_t> least;
    size_t rule = columns.empty() ? 0 : columns.size() - 1;
    for (size_t i = 0; i < columns.size(); ++i) {
        least.push_back(TypeWidth(columns[i], rows.Memo));
        const size_t w = std::max(columns[i].Name.size(), least.back());
        rule += w;
        if (i) head += '|';
        AppendPadded(head, columns[i].Name, w);
    }
    head += "\r\n";
    head.append(rule, '-');
    head += "\r\n";
    out.Spill();
    const TWriteResult result =
        WriteCells(rows, columns, out, progress, "", "\r\n", [&](std::string& buf, size_t i, const std::string& cell) {
            if (i) buf += '|';
            AppendPadded(buf, cell, least[i]);
        });
    out.Close();
    return result;
}

// ---- HTML ----

namespace {

constexpr const char* HtmlTableStart =
    "<table border=0 cellpadding=\"1\" cellspacing=\"1\" bgcolor=\"#999999\" class=\"font\">\r\n";

void AppendCell(std::string& out, const char* indent, const char* open, std::string_view text, const char* close) {
    out += indent;
    out += open;
    markup::AppendHtmlEscaped(out, text);
    out += close;
    out += "\r\n";
}

}  // namespace

TWriteResult WriteHTML(const std::string& fileName, const TRowSource& rows, TProgressSink& progress, bool alternate) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    TOutputFile out(fileName);
    std::string& head = out.Buffer();
    // The values go out in the program's code page, and the page says which.
    head += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    head += vx::OutputCodePage().Charset;
    head +=
        "\"><title></title></head>\r\n"
        "<style type=\"text/css\"> \r\n<!--\r\n.font {\r\n"
        "font-family: Verdana, Arial, Helvetica, sans-serif;\r\nfont-size: 12px;\r\n}\r\n"
        ".style1 {\r\ncolor: #FFFFFF;\r\nfont-weight: bold;\r\n}\r\n-->\r\n</style>\r\n<body>\r\n";
    head += HtmlTableStart;
    head += "<tr>\r\n";
    for (const char* title : {"Field_Name", "Field_Type", "Field_Width", "Field_Decimal"})
        AppendCell(head, "      ", "<td bgcolor=\"#DDDDDD\">", title, "</td>");
    head += "</tr>\r\n";
    std::string number;
    for (const TOutColumn& c : columns) {
        head += "<tr>\r\n";
        AppendCell(head, "      ", "<td bgcolor=\"#EEEEEE\">", c.Name, "</td>");
        AppendCell(head, "      ", "<td bgcolor=\"#FFFFFF\">", FieldTypeName(c.Type), "</td>");
        for (int v : {c.Width, c.Decimals}) {
            number.clear();
            valuetext::AppendInteger(number, v);
            AppendCell(head, "      ", "<td bgcolor=\"#FFFFFF\">", number, "</td>");
        }
        head += "</tr>\r\n";
    }
    head += "</table>\r\n<br>\r\n";
    head += HtmlTableStart;
    head += "<tr>\r\n";
    for (const TOutColumn& c : columns)
        AppendCell(head, "      ", "<td bgcolor=\"#666666\"><span class=\"style1\">", c.Name, "</span></td>");
    head += "</tr>\r\n";
    out.Spill();
    size_t written = 0;
    const char* open = nullptr;
    const TWriteResult result = WriteCells(rows, columns, out, progress, "<tr>\r\n", "</tr>\r\n",
                                           [&](std::string& buf, size_t i, const std::string& cell) {
        if (i == 0) open = ++written % 2 == 0 && alternate ? "<td bgcolor=\"#EEEEEE\">" : "<td bgcolor=\"#FFFFFF\">";
        buf += "       ";
        buf += open;
        if (cell.empty()) buf += "&nbsp";
        else markup::AppendHtmlEscaped(buf, cell);
        buf += "</td>\r\n";
    });
    out.Buffer() += "</table>\r\n</body></html>\r\n";
    out.Close();
    return result;
}

// ---- XML ----

TWriteResult WriteXML(const std::string& fileName, const TRowSource& rows, TProgressSink& progress) {
    if (!StartOutput(rows, fileName)) return {};
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    std::vector<std::string> tags;
    for (const TOutColumn& c : columns) tags.push_back(markup::XmlName(c.Name));
    TOutputFile out(fileName);
    std::string& head = out.Buffer();
    head += "<?xml version=\"1.0\"?>\r\n<Root>\r\n  <Structure>\r\n";
    for (const TOutColumn& c : columns) {
        head += "    <Field>\r\n      <Name>";
        markup::AppendXmlText(head, c.Name);
        head += "</Name>\r\n      <Type>";
        head += FieldTypeName(c.Type);
        head += "</Type>\r\n      <Length>";
        valuetext::AppendInteger(head, c.Width);
        head += "</Length>\r\n      <Decimal>";
        valuetext::AppendInteger(head, c.Decimals);
        head += "</Decimal>\r\n    </Field>\r\n";
    }
    head += "  </Structure>\r\n  <Information>\r\n";
    out.Spill();
    const TWriteResult result = WriteCells(rows, columns, out, progress, "    <Record>\r\n", "    </Record>\r\n",
                                           [&](std::string& buf, size_t i, const std::string& cell) {
        buf += "      <";
        buf += tags[i];
        buf += '>';
        markup::AppendXmlText(buf, cell);
        buf += "</";
        buf += tags[i];
        buf += ">\r\n";
    });
    out.Buffer() += "  </Information>\r\n</Root>\r\n";
    out.Close();
    return result;
}
