#include "export/markup.h"

#include "common/bytetext.h"
#include "export/bytescan.h"

#include <QChar>
#include <QString>


namespace markup {

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    size_t from = 0;
    const size_t start = bytescan::SkipWordsWithout<'&', '<', '>'>(text);
    for (size_t i = start; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        default: continue;
        }
        out.append(text.substr(from, i - from));
        out += entity;
        from = i + 1;
    }
    out.append(text.substr(from));
}

namespace {

void AppendCharRef(std::string& out, char32_t u) {
    static const char hex[] = "0123456789ABCDEF";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = hex[u & 0xF];
        u >>= 4;
    } while (u);
    out += "&#x";
    while (n) out += buf[--n];
    out += ';';
}

void AppendXmlChar(std::string& out, char32_t u) {
    switch (u) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    case '\r': out += "&#13;"; return;
    case '\t':
    case '\n': out += char(u); return;
    default: break;
    }
    if (u < 0x20 || u == 0xFFFE || u == 0xFFFF) {
        AppendCharRef(out, 0xFFFD);
    } else if (u < 0x80) {
        out += char(u);
    } else {
        AppendCharRef(out, u);
    }
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        for (char c : bytes) AppendXmlChar(out, static_cast<unsigned char>(c));
        return;
    }
    const QString text = BytesToText(bytes);
    for (qsizetype k = 0; k < text.size(); ++k) {
        char32_t u = text.at(k).unicode();
        if (QChar::isHighSurrogate(u) && k + 1 < text.size() && text.at(k + 1).isLowSurrogate()) {
            u = QChar::surrogateToUcs4(text.at(k), text.at(k + 1));
            ++k;
        } else if (QChar::isSurrogate(u)) {
            u = 0xFFFD;
        }
        AppendXmlChar(out, u);
    }
}

std::string XmlName(std::string_view fieldName) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    std::string name;
    if (fieldName.empty() || !letter(fieldName[0])) name += '_';
    for (char c : fieldName) name += letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' ? c : '_';
    return name;
}

}  // namespace markup
