// The one place where table bytes become text on the screen and back: each byte is one
// character (Latin-1), so showing and editing never changes a byte that was not edited.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString BytesToText(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters beyond one byte (typed or pasted by the user) become '?'.
inline std::string TextToBytes(const QString& text) {
    std::string out;
    out.resize(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text.at(i).unicode();
        out[static_cast<size_t>(i)] = u <= 0xFF ? static_cast<char>(u) : '?';
    }
    return out;
}
