#include "common/casefold.h"

#include "common/bytetext.h"

TCaseFold::TCaseFold() {
    for (int i = 0; i < 256; ++i) Map[size_t(i)] = static_cast<unsigned char>(i);
}

bool CodePageIsDoubleByte() {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        const char pair[2] = {static_cast<char>(lead), 'A'};
        if (BytesToText(std::string_view(pair, 2)).size() == 1) return true;
    }
    return false;
}

TCaseFold TCaseFold::Lower() {
    TCaseFold f;
    for (int c = 'A'; c <= 'Z'; ++c) f.Map[size_t(c)] = static_cast<unsigned char>(c - 'A' + 'a');
    if (CodePageIsDoubleByte()) return f;
    for (int b = 0x80; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString text = BytesToText(std::string_view(&byte, 1));
        if (text.size() != 1) continue;
        const QString lower = text.toLower();
        if (lower == text) continue;
        const std::optional<std::string> bytes = TryTextToBytes(lower);
        // Only a character that comes back as one byte, and back to the same character.
        if (bytes && bytes->size() == 1 && BytesToText(*bytes) == lower)
            f.Map[size_t(b)] = static_cast<unsigned char>((*bytes)[0]);
    }
    return f;
}

const TCaseFold& TCaseFold::AsciiUpper() {
    static const TCaseFold fold = [] {
        TCaseFold f;
        for (int c = 'a'; c <= 'z'; ++c) f.Map[size_t(c)] = static_cast<unsigned char>(c - 'a' + 'A');
        return f;
    }();
    return fold;
}

void TCaseFold::Apply(std::string_view text, std::string& out) const {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(Map[static_cast<unsigned char>(text[i])]);
}

std::string TCaseFold::Apply(std::string_view text) const {
    std::string out;
    Apply(text, out);
    return out;
}
