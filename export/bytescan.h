// Looking through bytes eight at a time for a few byte values, as the writers do with the
// characters they must quote or escape: most texts hold none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace bytescan {

// Whether any of the eight bytes of w is b.
constexpr bool HasByte(uint64_t w, uint8_t b) {
    constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
    const uint64_t v = w ^ (Ones * b);
    return ((v - Ones) & ~v & Highs) != 0;
}

// Where the first of the text's whole eight-byte words that may hold one of `bytes` starts
// (the text's last whole word boundary when none does): no byte before it is one of them.
template <uint8_t... Bytes>
size_t SkipWordsWithout(std::string_view text) {
    size_t at = 0;
    for (uint64_t w; at + 8 <= text.size(); at += 8) {
        std::memcpy(&w, text.data() + at, 8);
        if ((HasByte(w, Bytes) || ...)) break;
    }
    return at;
}

}  // namespace bytescan
