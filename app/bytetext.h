// The one place where table bytes become text on the screen and back. Every widget that shows
// or edits table data goes through these functions, so that showing and editing never changes
// a byte that was not edited: BytesToText followed by TextToBytes gives back the same bytes,
// whatever they are.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Table bytes as text.
inline QString BytesToText(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The bytes of a text; nothing when some character cannot be held by the program's code page
// (`bad` then receives the first such character). Every value the user typed is stored
// through this, and refused with CannotHoldMessage when it fails.
inline std::optional<std::string> TryTextToBytes(const QString& text, QString* bad = nullptr) {
    std::string out;
    out.resize(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text.at(i).unicode();
        if (u > 0xFF) {
            if (bad) *bad = text.mid(i, 1);
            return std::nullopt;
        }
        out[static_cast<size_t>(i)] = static_cast<char>(u);
    }
    return out;
}

// The bytes of a text that is not a table value (a caption, a file name shown in a list);
// characters the code page cannot hold become '?'.
inline std::string TextToBytes(const QString& text) {
    std::string out;
    out.resize(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text.at(i).unicode();
        out[static_cast<size_t>(i)] = u <= 0xFF ? static_cast<char>(u) : '?';
    }
    return out;
}

// Length of a text in bytes of the program's code page (the unit of field widths).
inline size_t ByteLength(const QString& text) { return TextToBytes(text).size(); }

// The message that refuses a value holding `bad`.
inline QString CannotHoldMessage(const QString& bad) {
    return QStringLiteral("The character \"%1\" cannot be stored in this code page!").arg(bad);
}
