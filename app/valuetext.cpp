#include "app/valuetext.h"

#include "engine/dbf.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace valuetext {

std::string_view TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) < 33) --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) < 33) ++b;
    return TrimRight(s.substr(b));
}

namespace {

void AppendPadded(std::string& out, int value, int width) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value);
    int len = static_cast<int>(r.ptr - buf);
    if (value < 0) out += '-';
    for (int i = len; i < width; ++i) out += '0';
    out.append(buf, r.ptr);
}

}  // namespace

void AppendInteger(std::string& out, int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::string FormatDate(const TDateTimeParts& d) {
    std::string s;
    s.reserve(10);
    AppendPadded(s, d.Year, 4);
    s += '-';
    AppendPadded(s, d.Month, 2);
    s += '-';
    AppendPadded(s, d.Day, 2);
    return s;
}

std::string DateTimeToStr(const TDateTimeParts& d) {
    std::string s;
    AppendInteger(s, d.Year);
    s += '-';
    AppendInteger(s, d.Month);
    s += '-';
    AppendInteger(s, d.Day);
    if (d.Hour != 0 || d.Minute != 0 || d.Second != 0 || d.Millisecond != 0) {
        s += ' ';
        AppendPadded(s, d.Hour, 2);
        s += ':';
        AppendPadded(s, d.Minute, 2);
        s += ':';
        AppendPadded(s, d.Second, 2);
    }
    return s;
}

std::string CurrToStr(int64_t scaled) {
    uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string s;
    if (scaled < 0) s += '-';
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, mag / 10000);
    s.append(buf, r.ptr);
    unsigned frac = static_cast<unsigned>(mag % 10000);
    if (frac) {
        char f[5] = {static_cast<char>('0' + frac / 1000), static_cast<char>('0' + frac / 100 % 10),
                     static_cast<char>('0' + frac / 10 % 10), static_cast<char>('0' + frac % 10), 0};
        int len = 4;
        while (f[len - 1] == '0') --len;
        s += '.';
        s.append(f, static_cast<size_t>(len));
    }
    return s;
}

void AppendFixed(std::string& out, double value, int decimals) {
    if (decimals < 0) decimals = 0;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec == std::errc()) {
        out.append(buf, r.ptr);
        return;
    }
    // Only a value of more than 300 digits lands here; give it room.
    std::string big(4096, '\0');
    auto r2 = std::to_chars(big.data(), big.data() + big.size(), value, std::chars_format::fixed, decimals);
    if (r2.ec == std::errc()) out.append(big.data(), r2.ptr);
}

std::string FormatFixed(double value, int decimals) {
    std::string s;
    AppendFixed(s, value, decimals);
    return s;
}

namespace {

// Blanks, then one or more digits, filling exactly the part.
bool ParsePart(std::string_view part, int& value, int& digits) {
    size_t i = 0;
    while (i < part.size() && part[i] == ' ') ++i;
    if (i == part.size()) return false;
    value = 0;
    digits = 0;
    for (; i < part.size(); ++i) {
        char c = part[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        ++digits;
    }
    return true;
}

}  // namespace

bool ParseStoredDate(std::string_view stored, int& year, int& month, int& day) {
    if (stored.size() < 8) return false;
    int yd, md, dd;
    if (!ParsePart(stored.substr(0, 4), year, yd) || !ParsePart(stored.substr(4, 2), month, md) ||
        !ParsePart(stored.substr(6, 2), day, dd))
        return false;
    if (yd <= 2) year += 2000;
    return IsValidCalendarDate(year, month, day);
}

void AppendDisplayDate(std::string& out, std::string_view stored) {
    int y, m, d;
    if (!ParseStoredDate(stored, y, m, d)) {
        out.append(BlankDateText);
        return;
    }
    AppendPadded(out, y, 4);
    out += '-';
    AppendPadded(out, m, 2);
    out += '-';
    AppendPadded(out, d, 2);
}

void AppendDisplayText(TDBF& dbf, const TField& field, std::string& out, std::string& scratch) {
    switch (field.GetFieldType()) {
    case 'D':
        AppendDisplayDate(out, field.GetAsView());
        break;
    case 'T':
        out += DateTimeToStr(field.GetAsDateTime());
        break;
    case 'Y':
        out += CurrToStr(field.GetAsCurrency());
        break;
    case 'I':
        AppendInteger(out, field.GetAsInteger());
        break;
    case 'N':
    case 'F':
    case 'L':
        out.append(Trim(field.GetAsView()));
        break;
    case 'B':
        AppendFixed(out, field.GetAsDouble(), field.GetDecimals());
        break;
    case 'M':
        if (dbf.GetMemoOpened()) {
            dbf.ReadMemoBlock(field.GetMemoBlock(), scratch);
            out += scratch;
        }
        break;
    case 'G':
        out += "Gen";
        break;
    case 'P':
        out += "Picture";
        break;
    default:
        out.append(TrimRight(field.GetAsView()));
        break;
    }
}

std::string DisplayText(TDBF& dbf, const TField& field) {
    std::string out, scratch;
    AppendDisplayText(dbf, field, out, scratch);
    return out;
}

// ---- Values typed by the user ----

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits digits at s[i]; the next character must not be a digit.
bool ReadNumber(std::string_view s, size_t& i, size_t maxDigits, int& out, size_t* digits = nullptr) {
    const size_t start = i;
    int v = 0;
    while (i < s.size() && IsDigit(s[i]) && i - start < maxDigits) v = v * 10 + (s[i++] - '0');
    out = v;
    if (digits) *digits = i - start;
    return i > start && (i == s.size() || !IsDigit(s[i]));
}

bool Expect(std::string_view s, size_t& i, char c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

// The date part at the start of s; i ends behind it.
bool ReadDate(std::string_view s, size_t& i, TDateTimeParts& d) {
    size_t yearDigits = 0;
    if (!ReadNumber(s, i, 4, d.Year, &yearDigits)) return false;
    if (yearDigits <= 2) d.Year += 2000;
    return Expect(s, i, '-') && ReadNumber(s, i, 2, d.Month) && Expect(s, i, '-') && ReadNumber(s, i, 2, d.Day) &&
           IsValidCalendarDate(d.Year, d.Month, d.Day);
}

// Sign, digits with at most one ".", an optional exponent: the whole text.
bool IsDecimalText(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) digits = true;
        else if (s[i] == '.' && !point) point = true;
        else break;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (i == s.size()) return false;
        while (i < s.size() && IsDigit(s[i])) ++i;
    }
    return i == s.size();
}

}  // namespace

bool TextToDate(std::string_view text, TDateTimeParts& out) {
    std::string_view s = Trim(text);
    size_t i = 0;
    TDateTimeParts d;
    if (!ReadDate(s, i, d) || i != s.size()) return false;
    out = d;
    return true;
}

bool TextToDateTime(std::string_view text, TDateTimeParts& out) {
    std::string_view s = Trim(text);
    size_t i = 0;
    TDateTimeParts d;
    if (!ReadDate(s, i, d)) return false;
    if (i < s.size()) {
        if (!Expect(s, i, ' ')) return false;
        while (i < s.size() && s[i] == ' ') ++i;
        if (!ReadNumber(s, i, 2, d.Hour) || !Expect(s, i, ':') || !ReadNumber(s, i, 2, d.Minute)) return false;
        if (Expect(s, i, ':') && !ReadNumber(s, i, 2, d.Second)) return false;
        if (Expect(s, i, '.') && !ReadNumber(s, i, 3, d.Millisecond)) return false;
        if (i != s.size() || d.Hour > 23 || d.Minute > 59 || d.Second > 59) return false;
    }
    out = d;
    return true;
}

bool TextToFloat(std::string_view text, double& out) {
    std::string_view s = Trim(text);
    if (!IsDecimalText(s)) return false;
    if (s[0] == '+') s.remove_prefix(1);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

bool TextToInteger(std::string_view text, int32_t& out) {
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s[0] == '+') return false;
    int32_t v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

bool TextToCurrency(std::string_view text, int64_t& scaled) {
    std::string_view s = Trim(text);
    if (s.find_first_of("eE") != std::string_view::npos || !IsDecimalText(s)) return false;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Whole part and up to four decimals exactly; the fifth decimal rounds.
    unsigned __int128 v = 0;
    int decimals = -1;  // -1 before the point
    bool roundUp = false;
    for (char c : s) {
        if (c == '.') {
            decimals = 0;
            continue;
        }
        if (decimals >= 4) {
            if (decimals == 4) roundUp = c >= '5';
            ++decimals;
            continue;
        }
        v = v * 10 + unsigned(c - '0');
        if (decimals >= 0) ++decimals;
        if (v > (unsigned __int128)1 << 70) return false;
    }
    for (int k = decimals < 0 ? 0 : std::min(decimals, 4); k < 4; ++k) v *= 10;
    if (roundUp) v += 1;
    const unsigned __int128 limit = (unsigned __int128)std::numeric_limits<int64_t>::max() + (negative ? 1 : 0);
    if (v > limit) return false;
    scaled = negative ? static_cast<int64_t>(-static_cast<__int128>(v)) : static_cast<int64_t>(v);
    return true;
}

std::string DateTimeToText(const TDateTimeParts& d) {
    std::string s = FormatDate(d);
    s += ' ';
    AppendPadded(s, d.Hour, 2);
    s += ':';
    AppendPadded(s, d.Minute, 2);
    s += ':';
    AppendPadded(s, d.Second, 2);
    if (d.Millisecond) {
        s += '.';
        AppendPadded(s, d.Millisecond, 3);
    }
    return s;
}

std::string DoubleToText(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace valuetext
