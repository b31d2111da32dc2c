// The program's 8-bit code page: chosen from the user's locale the way the ANSI code page
// follows the system locale, and turned once into lookup tables with the system's converter
// (iconv), so that converting table bytes is a few table look-ups, safe from any thread.
//
// A byte (or, on the double-byte pages 932, 936, 949 and 950, a lead and trail byte pair) that
// the page defines becomes its character; every other byte (undefined in the page, a broken or
// truncated pair) becomes the escape character EscapeBase + byte, which encodes back to the
// byte. Escapes lie in the last private-use plane, where no code page maps anything. A
// character encodes to the bytes the system's converter gives it. Decoding and encoding again
// gives back the same bytes, except for the few pairs whose character has a second encoding in
// its page (cp932 87 90 and 81 E0 are both U+2252, cp950 A2 CC and A4 51 both U+5341): such a
// pair shows as its character and encodes as the page's preferred pair, so a value is only
// stored from its text when the user changed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx {

class TCodePage {
public:
    // The first of the 256 escape characters: byte b is shown as EscapeBase + b.
    static constexpr char32_t EscapeBase = 0x10FF00;

    // Builds the tables of code page `number` (1252, 932, ...) through the system's converter;
    // null when the converter does not know the page.
    static std::unique_ptr<TCodePage> Build(int number);
    // A page that maps every byte to the character of the same number (ISO 8859-1), built
    // without the converter: the last resort when not even 1252 can be built.
    static std::unique_ptr<TCodePage> Latin1();

    int Number() const { return FNumber; }
    bool DoubleByte() const { return !Pair.empty(); }

    // Appends the UTF-16 text of `n` bytes to `out`, which must have room for 2 * n units;
    // returns the number of units written.
    size_t Decode(const uint8_t* bytes, size_t n, char16_t* out) const;

    // The bytes of one character, appended to `out`; false when the page cannot hold it.
    bool Encode(char32_t c, std::string& out) const;
    // Encodes the leading characters of `units` for as long as each is one byte of this page:
    // writes those bytes to `out` (room for n) and returns how many units it took.
    size_t EncodeSingleBytes(const char16_t* units, size_t n, char* out) const;
    // How many bytes Encode would append; 0 when the page cannot hold the character.
    size_t EncodedLength(char32_t c) const;

private:
    explicit TCodePage(int number) : FNumber(number) {}
    void Learn(char32_t c, const std::string& bytes);
    void MakeUnits();

    int FNumber;
    // Character of each byte on its own (an escape when the byte is not a character alone).
    char32_t Single[256] = {};
    // Double-byte pages: the character of lead byte L and trail byte T at L * 256 + T, 0 when
    // the pair is no character; IsLead marks the bytes that start a pair.
    std::vector<char32_t> Pair;
    bool IsLead[256] = {};
    // The one UTF-16 unit of each byte that decodes to one unit on its own (neither a lead
    // byte nor an escape), with bit 16 set; 0 for the others. Made last (MakeUnits).
    uint32_t Unit[256] = {};
    // Encoding of the characters U+0001..U+FFFF: 0 none, 1..0xFF one byte, else two bytes
    // (high byte first). Longer encodings and characters beyond U+FFFF are in Long.
    std::vector<uint16_t> Short;
    std::unordered_map<char32_t, std::string> Long;
};

// The code page that the ANSI code page of a locale name such as "ru_RU.UTF-8" would be
// (language and territory count; encoding and modifier do not): 1250 for Central European
// languages, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1255 Hebrew, 1256 Arabic, 1257 Baltic,
// 1258 Vietnamese, 874 Thai, 932 Japanese, 936 Simplified Chinese, 949 Korean, 950
// Traditional Chinese, and 1252 for every other locale (also "C" and "POSIX").
int AnsiCodePageOfLocale(std::string_view locale);

// The locale that governs character handling: LC_ALL, else LC_CTYPE, else LANG (the first one
// that is set and not empty); empty when none is.
std::string UserCharacterLocale();

// The code pages the program can choose.
const std::vector<int>& KnownCodePages();

// The program's code page. On first use it is chosen from UserCharacterLocale(); when the
// converter lacks that page, 1252 is used (and ISO 8859-1 when it lacks that too). Tables once
// built stay for the whole run, so a page returned here may be used from any thread.
const TCodePage& CurrentCodePage();

// Makes `number` the program's code page; false (and nothing changed) when it cannot be built.
// Meant for start-up and tests: texts converted before keep the old page's meaning.
bool SetCodePage(int number);
// Chooses the code page of a locale name as AnsiCodePageOfLocale does; returns the page now in
// use.
int SetCodePageFromLocale(std::string_view locale);

// What an output file says about the code page of its text.
struct TOutputCodePage {
    // The code-page mark of a table header (byte 29, the language driver id of the dBase and
    // FoxPro family): 0x03 for 1252, 0xC8 1250, 0xC9 1251, 0xCB 1253, 0xCA 1254, 0x7D 1255,
    // 0x7E 1256, 0xCC 1257, 0x7C 874, 0x7B 932, 0x7A 936, 0x79 949, 0x78 950; 0x00 for a page
    // that has no mark (1258).
    uint8_t TableMark = 0;
    // The charset name an HTML page declares ("windows-1251", "Shift_JIS", ...).
    const char* Charset = "windows-1252";
    // The value of a BIFF CODEPAGE record: the page's number.
    uint16_t Biff = 1252;
};
// The declaration of code page `number`.
TOutputCodePage OutputCodePageOf(int number);
// The declaration of the program's code page, which every output that declares one carries.
TOutputCodePage OutputCodePage();

}  // namespace vx
