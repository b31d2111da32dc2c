#include "app/valuetext.h"

#include "engine/dbf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

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

// ---- Number texts typed by the user ----

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Larger exponents give numbers no field can hold; refusing them keeps the digit strings small.
constexpr long MaxExponent = 1000;

// A decimal number: its significant digits (no leading zeros; none for zero) and how many of
// them stand before the decimal point (negative or beyond their count for small and large
// numbers): "0.05" is digits "5" with point -1, "120" is "120" with point 3.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    long Point = 0;
};

bool ParseDecimal(std::string_view text, TDecimal& d) {
    const std::string_view s = Trim(text);
    d = TDecimal();
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.Negative = s[i++] == '-';
    long intDigits = 0, fracDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++intDigits) d.Digits += s[i];
    if (i < s.size() && s[i] == '.')
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++fracDigits) d.Digits += s[i];
    if (intDigits + fracDigits == 0) return false;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
        const size_t start = i;
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            exponent = exponent * 10 + (s[i] - '0');
            if (exponent > MaxExponent) return false;
        }
        if (i == start) return false;
        if (negative) exponent = -exponent;
    }
    if (i != s.size()) return false;
    d.Point = intDigits + exponent;
    const size_t lead = std::min(d.Digits.find_first_not_of('0'), d.Digits.size());
    d.Digits.erase(0, lead);
    d.Point -= static_cast<long>(lead);
    if (d.Digits.empty()) d.Point = 0;
    return true;
}

}  // namespace

bool ParseInteger32(std::string_view text, int32_t& value) {
    const std::string_view s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool ParseCurrency(std::string_view text, int64_t& scaled) {
    TDecimal d;
    if (!ParseDecimal(text, d)) return false;
    const long keep = d.Point + 4;  // digits of value x 10000
    if (keep < 0) {
        if (!d.Digits.empty()) return false;  // a nonzero digit below the fourth decimal
        scaled = 0;
        return true;
    }
    if (d.Digits.size() > static_cast<size_t>(keep) &&
        d.Digits.find_first_not_of('0', static_cast<size_t>(keep)) != std::string::npos)
        return false;
    if (keep > 19) return false;  // 19 digits never overflow the unsigned sum below
    uint64_t v = 0;
    for (long k = 0; k < keep; ++k) {
        const int digit = static_cast<size_t>(k) < d.Digits.size() ? d.Digits[static_cast<size_t>(k)] - '0' : 0;
        v = v * 10 + static_cast<uint64_t>(digit);
    }
    const uint64_t limit = d.Negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (v > limit) return false;
    scaled = d.Negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    TDecimal d;
    if (!ParseDecimal(text, d)) return false;
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool FixedDecimalText(std::string_view text, int decimals, std::string& out) {
    TDecimal d;
    if (!ParseDecimal(text, d)) return false;
    if (decimals < 0) decimals = 0;
    const long keep = d.Point + decimals;  // digits of value x 10^decimals
    if (keep > 2 * MaxExponent) return false;
    // The kept digits, rounded on the first digit left out.
    std::string n;
    if (keep > 0) {
        n = d.Digits.substr(0, static_cast<size_t>(keep));
        n.resize(static_cast<size_t>(keep), '0');
    }
    if (keep >= 0 && static_cast<size_t>(keep) < d.Digits.size() && d.Digits[static_cast<size_t>(keep)] >= '5') {
        size_t k = n.size();
        while (k > 0 && n[k - 1] == '9') n[--k] = '0';
        if (k == 0) n.insert(n.begin(), '1');
        else ++n[k - 1];
    }
    if (n.size() < static_cast<size_t>(decimals) + 1) n.insert(0, static_cast<size_t>(decimals) + 1 - n.size(), '0');
    const size_t intLength = n.size() - static_cast<size_t>(decimals);
    const size_t firstNonZero = std::min(n.find_first_not_of('0'), intLength - 1);
    out.clear();
    if (d.Negative && n.find_first_not_of('0') != std::string::npos) out += '-';
    out.append(n, firstNonZero, intLength - firstNonZero);
    if (decimals > 0) {
        out += '.';
        out.append(n, intLength, std::string::npos);
    }
    return true;
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

}  // namespace valuetext
