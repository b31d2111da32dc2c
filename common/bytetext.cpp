#include "common/bytetext.h"

#include "common/codepage.h"

#include <vector>

namespace {

// Calls f(character, index of its first unit, its unit count) for each character of the text;
// a lone surrogate is a character of its own (one no code page holds).
template <class F>
void ForEachCharacter(const QString& text, F&& f) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t u = p[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
            if (!f(c, i, 2)) return;
            i += 2;
        } else {
            if (!f(char32_t(u), i, 1)) return;
            ++i;
        }
    }
}

}  // namespace

QString BytesToText(std::string_view bytes) {
    if (bytes.empty()) return QString();
    const vx::TCodePage& page = vx::CurrentCodePage();
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    // Cell texts are short: they go through a buffer of the thread's own, and the text is made
    // once at its final length.
    constexpr size_t SmallText = 4096;
    if (bytes.size() <= SmallText) {
        thread_local std::vector<char16_t> buffer(2 * SmallText);
        const size_t n = page.Decode(p, bytes.size(), buffer.data());
        return QString(reinterpret_cast<const QChar*>(buffer.data()), qsizetype(n));
    }
    QString out(qsizetype(2 * bytes.size()), Qt::Uninitialized);
    const size_t n = page.Decode(p, bytes.size(), reinterpret_cast<char16_t*>(out.data()));
    out.truncate(qsizetype(n));
    out.squeeze();
    return out;
}

std::optional<std::string> TryTextToBytes(const QString& text, QString* bad) {
    const vx::TCodePage& page = vx::CurrentCodePage();
    std::string out;
    out.reserve(size_t(text.size()));
    bool ok = true;
    ForEachCharacter(text, [&](char32_t c, qsizetype at, qsizetype units) {
        if (page.Encode(c, out)) return true;
        if (bad) *bad = text.mid(at, units);
        ok = false;
        return false;
    });
    if (!ok) return std::nullopt;
    return out;
}

std::string TextToBytes(const QString& text) {
    const vx::TCodePage& page = vx::CurrentCodePage();
    std::string out;
    out.reserve(size_t(text.size()));
    ForEachCharacter(text, [&](char32_t c, qsizetype, qsizetype) {
        if (!page.Encode(c, out)) out += '?';
        return true;
    });
    return out;
}

size_t ByteLength(const QString& text) {
    const vx::TCodePage& page = vx::CurrentCodePage();
    size_t n = 0;
    ForEachCharacter(text, [&](char32_t c, qsizetype, qsizetype) {
        const size_t k = page.EncodedLength(c);
        n += k ? k : 1;
        return true;
    });
    return n;
}

QString CannotHoldMessage(const QString& bad) {
    return QStringLiteral("The character \"%1\" cannot be stored in this code page!").arg(bad);
}
