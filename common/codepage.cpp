#include "common/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>

namespace vx {

namespace {

constexpr char32_t MaxCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

std::string Utf32(char32_t c) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((c >> (8 * i)) & 0xFF);
    return s;
}

char32_t FromUtf32(const std::string& s) {
    char32_t c = 0;
    for (int i = 3; i >= 0; --i) c = (c << 8) | uint8_t(s[size_t(i)]);
    return c;
}

// One converter of the system, closed with the object.
class TConverter {
public:
    TConverter(const char* to, const char* from) : Cd(iconv_open(to, from)) {}
    ~TConverter() {
        if (Ok()) iconv_close(Cd);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;
    bool Ok() const { return Cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input from a fresh state, including what the converter holds back
    // (the Hebrew and Vietnamese pages wait for combining marks); false when any of it does
    // not convert.
    bool Convert(const std::string& in, std::string& out) {
        iconv(Cd, nullptr, nullptr, nullptr, nullptr);
        char buf[64];
        char* ip = const_cast<char*>(in.data());
        size_t il = in.size();
        char* op = buf;
        size_t ol = sizeof buf;
        if (iconv(Cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
        if (iconv(Cd, nullptr, nullptr, &op, &ol) == size_t(-1)) return false;
        out.assign(buf, size_t(op - buf));
        return true;
    }

private:
    iconv_t Cd;
};

bool IsDoubleBytePage(int number) { return number == 932 || number == 936 || number == 949 || number == 950; }

}  // namespace

// ---- tables -----------------------------------------------------------------------------

std::unique_ptr<TCodePage> TCodePage::Build(int number) {
    const std::string name = "CP" + std::to_string(number);
    TConverter dec("UTF-32LE", name.c_str()), enc(name.c_str(), "UTF-32LE");
    if (!dec.Ok() || !enc.Ok()) return nullptr;
    std::unique_ptr<TCodePage> page(new TCodePage(number));
    page->Short.assign(0x10000, 0);

    // A unit of bytes is a character when it decodes to exactly one character that encodes
    // back to exactly these bytes.
    auto character = [&](const std::string& unit, char32_t& c) {
        std::string text, back;
        if (!dec.Convert(unit, text) || text.size() != 4) return false;
        c = FromUtf32(text);
        if ((c == 0 && unit != std::string(1, '\0')) || c > MaxCodePoint || IsSurrogate(c) || c >= EscapeBase)
            return false;
        return enc.Convert(Utf32(c), back) && back == unit;
    };
    // A pair that decodes to a character which encodes to another pair of the page (the NEC and
    // IBM rows of 932, the duplicates of 950): shown as that character.
    auto secondEncoding = [&](const std::string& unit, char32_t& c) {
        std::string text, back;
        if (!dec.Convert(unit, text) || text.size() != 4) return false;
        c = FromUtf32(text);
        if (c == 0 || c > MaxCodePoint || IsSurrogate(c) || c >= EscapeBase) return false;
        return enc.Convert(Utf32(c), back) && back.size() == 2 && back != unit;
    };

    bool any = false;
    for (int b = 0; b < 256; ++b) {
        const std::string unit(1, char(b));
        char32_t c = 0;
        if (character(unit, c)) {
            page->Single[b] = c;
            page->Learn(c, unit);
            any = true;
        } else {
            page->Single[b] = EscapeBase + char32_t(b);
        }
    }
    if (!any) return nullptr;

    if (IsDoubleBytePage(number)) {
        page->Pair.assign(0x10000, 0);
        for (int lead = 0x80; lead < 256; ++lead) {
            if (page->Single[lead] != EscapeBase + char32_t(lead)) continue;
            for (int trail = 0; trail < 256; ++trail) {
                const std::string unit{char(lead), char(trail)};
                char32_t c = 0;
                if (character(unit, c)) {
                    page->Learn(c, unit);
                } else if (!secondEncoding(unit, c)) {
                    continue;
                }
                page->Pair[size_t(lead) << 8 | size_t(trail)] = c;
                page->IsLead[lead] = true;
            }
        }
    }

    // Characters the page holds only one way (their bytes read back as another character, or
    // as a base letter and a combining mark): typed text with them is still stored.
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (IsSurrogate(c) || page->Short[c] != 0 || page->Long.count(c)) continue;
        std::string bytes;
        if (enc.Convert(Utf32(c), bytes) && !bytes.empty()) page->Learn(c, bytes);
    }
    page->MakeUnits();
    return page;
}

std::unique_ptr<TCodePage> TCodePage::Latin1() {
    std::unique_ptr<TCodePage> page(new TCodePage(28591));
    page->Short.assign(0x10000, 0);
    for (int b = 0; b < 256; ++b) {
        page->Single[b] = char32_t(b);
        page->Learn(char32_t(b), std::string(1, char(b)));
    }
    page->MakeUnits();
    return page;
}

void TCodePage::MakeUnits() {
    for (int b = 0; b < 256; ++b)
        Unit[b] = !IsLead[b] && Single[b] < 0x10000 ? 0x10000 | Single[b] : 0;
}

void TCodePage::Learn(char32_t c, const std::string& bytes) {
    if (c <= 0xFFFF && c != 0 && bytes[0] != '\0') {
        if (bytes.size() == 1) {
            Short[c] = uint8_t(bytes[0]);
            return;
        }
        if (bytes.size() == 2) {
            Short[c] = uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1]));
            return;
        }
    }
    Long.emplace(c, bytes);
}

size_t TCodePage::Decode(const uint8_t* bytes, size_t n, char16_t* out) const {
    size_t k = 0;
    for (size_t i = 0; i < n;) {
        // Bytes of one unit each, the most of every text, go through in a plain loop.
        for (uint32_t u; i < n && (u = Unit[bytes[i]]) != 0; ++i) out[k++] = char16_t(u);
        if (i == n) break;
        const uint8_t b = bytes[i];
        char32_t c = 0;
        if (IsLead[b] && i + 1 < n && (c = Pair[size_t(b) << 8 | bytes[i + 1]]) != 0) {
            i += 2;
        } else {
            c = Single[b];
            ++i;
        }
        if (c < 0x10000) {
            out[k++] = char16_t(c);
        } else {
            c -= 0x10000;
            out[k++] = char16_t(0xD800 + (c >> 10));
            out[k++] = char16_t(0xDC00 + (c & 0x3FF));
        }
    }
    return k;
}

bool TCodePage::Encode(char32_t c, std::string& out) const {
    if (c >= EscapeBase && c <= EscapeBase + 0xFF) {
        out += char(c - EscapeBase);
        return true;
    }
    if (c != 0 && c < 0x10000) {
        const uint16_t v = Short[c];
        if (v > 0xFF) {
            out += char(v >> 8);
            out += char(v & 0xFF);
            return true;
        }
        if (v != 0) {
            out += char(v);
            return true;
        }
    }
    if (Long.empty()) return false;
    auto it = Long.find(c);
    if (it == Long.end()) return false;
    out += it->second;
    return true;
}

size_t TCodePage::EncodeSingleBytes(const char16_t* units, size_t n, char* out) const {
    // No unit is an escape (those lie beyond U+FFFF) and a surrogate has no byte of its own.
    const uint16_t* bytes = Short.data();
    size_t i = 0;
    for (; i < n; ++i) {
        const uint16_t v = bytes[units[i]];
        if (v == 0 || v > 0xFF) break;
        out[i] = char(v);
    }
    return i;
}

size_t TCodePage::EncodedLength(char32_t c) const {
    if (c >= EscapeBase && c <= EscapeBase + 0xFF) return 1;
    if (c != 0 && c < 0x10000 && Short[c] != 0) return Short[c] > 0xFF ? 2 : 1;
    auto it = Long.find(c);
    return it == Long.end() ? 0 : it->second.size();
}

// ---- choosing the page ------------------------------------------------------------------

int AnsiCodePageOfLocale(std::string_view locale) {
    const size_t langEnd = std::min(locale.find_first_of("_.@"), locale.size());
    std::string lang(locale.substr(0, langEnd));
    for (char& ch : lang) ch = char(std::tolower(uint8_t(ch)));
    std::string territory;
    if (langEnd < locale.size() && locale[langEnd] == '_') {
        std::string_view rest = locale.substr(langEnd + 1);
        territory = std::string(rest.substr(0, std::min(rest.find_first_of(".@"), rest.size())));
        for (char& ch : territory) ch = char(std::toupper(uint8_t(ch)));
    }
    const size_t at = locale.find('@');
    const std::string_view modifier = at == std::string_view::npos ? std::string_view() : locale.substr(at + 1);

    if (lang == "zh") return (territory == "TW" || territory == "HK" || territory == "MO") ? 950 : 936;
    if (lang == "sr") return modifier == "latin" ? 1250 : 1251;
    static const std::map<std::string, int> byLanguage = {
        {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"hu", 1250}, {"ro", 1250}, {"hr", 1250}, {"sl", 1250},
        {"sq", 1250}, {"bs", 1250},
        {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"kk", 1251}, {"ky", 1251},
        {"tt", 1251}, {"mn", 1251},
        {"el", 1253},
        {"tr", 1254}, {"az", 1254}, {"uz", 1254},
        {"he", 1255}, {"iw", 1255}, {"yi", 1255},
        {"ar", 1256}, {"fa", 1256}, {"ur", 1256},
        {"et", 1257}, {"lv", 1257}, {"lt", 1257},
        {"vi", 1258},
        {"th", 874},
        {"ja", 932},
        {"ko", 949},
    };
    auto it = byLanguage.find(lang);
    return it == byLanguage.end() ? 1252 : it->second;
}

std::string UserCharacterLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return std::string();
}

const std::vector<int>& KnownCodePages() {
    static const std::vector<int> pages = {874, 932, 936, 949, 950, 1250, 1251, 1252,
                                           1253, 1254, 1255, 1256, 1257, 1258};
    return pages;
}

namespace {

std::mutex& BuildMutex() {
    static std::mutex m;
    return m;
}

// Every page built in this run, kept to the end so that a page handed out stays valid.
std::map<int, std::unique_ptr<TCodePage>>& BuiltPages() {
    static auto* pages = new std::map<int, std::unique_ptr<TCodePage>>();
    return *pages;
}

std::atomic<const TCodePage*> Current{nullptr};

// The tables of a page, built on first request; null when the converter lacks it.
const TCodePage* Obtain(int number) {
    std::lock_guard<std::mutex> lock(BuildMutex());
    auto& pages = BuiltPages();
    auto it = pages.find(number);
    if (it == pages.end()) it = pages.emplace(number, TCodePage::Build(number)).first;
    return it->second.get();
}

const TCodePage* Fallback() {
    if (const TCodePage* p = Obtain(1252)) return p;
    std::lock_guard<std::mutex> lock(BuildMutex());
    auto& slot = BuiltPages()[28591];
    if (!slot) slot = TCodePage::Latin1();
    return slot.get();
}

}  // namespace

const TCodePage& CurrentCodePage() {
    const TCodePage* page = Current.load(std::memory_order_acquire);
    if (page) return *page;
    const TCodePage* chosen = Obtain(AnsiCodePageOfLocale(UserCharacterLocale()));
    if (!chosen) chosen = Fallback();
    // A page set meanwhile wins.
    Current.compare_exchange_strong(page, chosen, std::memory_order_acq_rel);
    return *Current.load(std::memory_order_acquire);
}

bool SetCodePage(int number) {
    const TCodePage* page = Obtain(number);
    if (!page) return false;
    Current.store(page, std::memory_order_release);
    return true;
}

int SetCodePageFromLocale(std::string_view locale) {
    if (!SetCodePage(AnsiCodePageOfLocale(locale))) Current.store(Fallback(), std::memory_order_release);
    return CurrentCodePage().Number();
}

// ---- what outputs declare ---------------------------------------------------------------

TOutputCodePage OutputCodePageOf(int number) {
    struct TEntry {
        int Number;
        uint8_t Mark;
        const char* Charset;
    };
    static constexpr TEntry entries[] = {
        {1252, 0x03, "windows-1252"}, {1250, 0xC8, "windows-1250"}, {1251, 0xC9, "windows-1251"},
        {1253, 0xCB, "windows-1253"}, {1254, 0xCA, "windows-1254"}, {1255, 0x7D, "windows-1255"},
        {1256, 0x7E, "windows-1256"}, {1257, 0xCC, "windows-1257"}, {1258, 0x00, "windows-1258"},
        {874, 0x7C, "windows-874"},   {932, 0x7B, "Shift_JIS"},     {936, 0x7A, "GBK"},
        {949, 0x79, "EUC-KR"},        {950, 0x78, "Big5"},          {28591, 0x00, "ISO-8859-1"},
    };
    for (const TEntry& e : entries)
        if (e.Number == number) return {e.Mark, e.Charset, uint16_t(number)};
    return {0x00, "windows-1252", 1252};
}

TOutputCodePage OutputCodePage() { return OutputCodePageOf(CurrentCodePage().Number()); }

}  // namespace vx
