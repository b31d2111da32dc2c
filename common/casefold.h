// Letter-case folding of table bytes, one table lookup per byte. Two foldings exist: the one
// the find, replace and filter commands use when asked to ignore case (every letter of the
// program's code page to lower case), and the one the text sort uses (only a-z to A-Z).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class TCaseFold {
public:
    // Leaves every byte as it is.
    TCaseFold();

    // Lower case as the user sees the texts: ASCII letters always; for a single-byte code page
    // also every byte above 0x7F whose character has a lower-case form in the page. For a
    // double-byte page only ASCII letters fold (a lead or trail byte never becomes another).
    // Built from the byte-text conversion at each call, so it follows the current code page.
    static TCaseFold Lower();
    // a-z to A-Z, every other byte by its code value.
    static const TCaseFold& AsciiUpper();

    unsigned char operator()(unsigned char c) const { return Map[c]; }
    // The folded copy of `text` into `out` (whose storage is reused).
    void Apply(std::string_view text, std::string& out) const;
    std::string Apply(std::string_view text) const;

private:
    std::array<unsigned char, 256> Map;
};

// True when the byte-text conversion reads some pairs of bytes as one character.
bool CodePageIsDoubleByte();
