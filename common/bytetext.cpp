#include "common/bytetext.h"

#include "common/codepage.h"

#include <cstring>
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

namespace {

// The bytes of the text in `out`. A character the page cannot hold goes to unheld(index of its
// first unit, its unit count, bytes), which puts the bytes to store instead into `bytes` and
// returns true, or returns false to stop (the result is then false).
template <class Unheld>
bool EncodeText(const QString& text, std::string& out, Unheld unheld) {
    const vx::TCodePage& page = vx::CurrentCodePage();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const size_t n = size_t(text.size());
    // One byte per unit for a start; a character of two bytes makes room for itself.
    out.resize(n);
    size_t k = 0;
    std::string one;
    for (size_t i = 0; i < n;) {
        const size_t run = page.EncodeSingleBytes(p + i, n - i, out.data() + k);
        i += run;
        k += run;
        if (i == n) break;
        size_t units = 1;
        char32_t c = p[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
            units = 2;
        }
        one.clear();
        if (!page.Encode(c, one) && !unheld(qsizetype(i), qsizetype(units), one)) return false;
        i += units;
        if (out.size() < k + one.size() + (n - i)) out.resize(k + one.size() + (n - i));
        std::memcpy(out.data() + k, one.data(), one.size());
        k += one.size();
    }
    out.resize(k);
    return true;
}

}  // namespace

std::optional<std::string> TryTextToBytes(const QString& text, QString* bad) {
    std::string out;
    const bool ok = EncodeText(text, out, [&](qsizetype at, qsizetype units, std::string&) {
        if (bad) *bad = text.mid(at, units);
        return false;
    });
    if (!ok) return std::nullopt;
    return out;
}

std::string TextToBytes(const QString& text) {
    std::string out;
    EncodeText(text, out, [](qsizetype, qsizetype, std::string& bytes) {
        bytes.push_back('?');  // empty: nothing was encoded
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
