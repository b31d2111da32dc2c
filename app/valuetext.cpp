#include "app/valuetext.h"

#include "engine/dbf.h"

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


// ---- texts read back into values ----------------------------------------------------------

std::string DoubleToStr(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

namespace {

// A sign and the digits of a decimal number: the value is 0.d1d2d3... x 10^Point. Leading and
// trailing zeros are dropped, so "0" has no digits.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int64_t Point = 0;
};

bool ParseDecimalText(std::string_view text, TDecimal& out) {
    std::string_view s = Trim(text);
    size_t i = 0;
    out = TDecimal{};
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.Negative = s[i++] == '-';
    bool anyDigit = false, seenPoint = false;
    int64_t point = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (out.Digits.empty() && c == '0') {
                if (seenPoint) --point;  // a zero right after the point shifts the value down
                continue;
            }
            out.Digits += c;
            if (!seenPoint) ++point;
        } else {
            break;
        }
    }
    if (!anyDigit) return false;
    if (i < s.size()) {
        if (s[i] != 'e' && s[i] != 'E') return false;
        ++i;
        bool negExp = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
        if (i == s.size()) return false;
        int64_t e = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            if (e < 100000) e = e * 10 + (s[i] - '0');
        }
        point += negExp ? -e : e;
    }
    while (!out.Digits.empty() && out.Digits.back() == '0') out.Digits.pop_back();
    out.Point = out.Digits.empty() ? 0 : point;
    return true;
}

// The digits of |value| rounded to `decimals` places (half away from zero): the integer part
// (at least "0") and exactly `decimals` fraction digits. False when the integer part would
// have more than `maxInt` digits.
bool RoundDecimal(const TDecimal& d, int decimals, size_t maxInt, std::string& intPart, std::string& frac) {
    if (d.Point > int64_t(maxInt) + 1) return false;
    // n = round(|value| x 10^decimals); the first `keep` digits are its integer digits.
    const int64_t keep = d.Point + decimals;
    std::string n;
    if (keep <= 0) {
        n = keep == 0 && !d.Digits.empty() && d.Digits[0] >= '5' ? "1" : "0";
    } else {
        n = d.Digits.substr(0, size_t(std::min<int64_t>(keep, int64_t(d.Digits.size()))));
        n.append(size_t(keep - int64_t(n.size())), '0');
        if (keep < int64_t(d.Digits.size()) && d.Digits[size_t(keep)] >= '5') {
            size_t k = n.size();
            while (k > 0 && n[k - 1] == '9') n[--k] = '0';
            if (k == 0) n.insert(n.begin(), '1');
            else ++n[k - 1];
        }
    }
    if (n.size() < size_t(decimals) + 1) n.insert(n.begin(), size_t(decimals) + 1 - n.size(), '0');
    intPart = n.substr(0, n.size() - size_t(decimals));
    frac = n.substr(n.size() - size_t(decimals));
    const size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    return intPart.size() <= maxInt;
}

}  // namespace

TNumberFit FormatNumberField(std::string_view text, int width, int decimals, std::string& out) {
    TDecimal d;
    if (!ParseDecimalText(text, d)) return TNumberFit::NotANumber;
    if (width < 1) return TNumberFit::TooWide;
    decimals = std::clamp(decimals, 0, 255);
    std::string intPart, frac;
    if (!RoundDecimal(d, decimals, size_t(width), intPart, frac)) return TNumberFit::TooWide;
    std::string s;
    const bool zero = intPart == "0" && frac.find_first_not_of('0') == std::string::npos;
    if (d.Negative && !zero) s += '-';
    s += intPart;
    if (decimals > 0) {
        s += '.';
        s += frac;
    }
    if (s.size() > size_t(width)) return TNumberFit::TooWide;
    out.assign(size_t(width) - s.size(), ' ');
    out += s;
    return TNumberFit::Ok;
}

bool ParseInteger32(std::string_view text, int32_t& value) {
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s[0] == '+') return false;
    int32_t v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    value = v;
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s[0] == '+') return false;
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    value = v;
    return true;
}

bool ParseCurrency(std::string_view text, int64_t& scaled) {
    TDecimal d;
    if (!ParseDecimalText(text, d)) return false;
    std::string intPart, frac;
    if (!RoundDecimal(d, 4, 19, intPart, frac)) return false;
    // |value| x 10000 as an unsigned number, then the sign; the range is that of int64.
    uint64_t mag = 0;
    for (char c : intPart + frac) {
        if (mag > (std::numeric_limits<uint64_t>::max() - 9) / 10) return false;
        mag = mag * 10 + uint64_t(c - '0');
    }
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (d.Negative ? 1 : 0);
    if (mag > limit) return false;
    scaled = d.Negative ? int64_t(0 - mag) : int64_t(mag);
    return true;
}

namespace {

// Digits only, at least one and at most `maxDigits`.
bool TakeNumber(std::string_view& s, int maxDigits, int& value) {
    size_t n = 0;
    value = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') {
        if (int(n) == maxDigits) return false;
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    s.remove_prefix(n);
    return n > 0;
}

bool TakeChar(std::string_view& s, char c) {
    if (s.empty() || s[0] != c) return false;
    s.remove_prefix(1);
    return true;
}

}  // namespace

bool ParseDateTime(std::string_view text, TDateTimeParts& value) {
    std::string_view s = Trim(text);
    TDateTimeParts v;
    if (!TakeNumber(s, 4, v.Year) || !TakeChar(s, '-') || !TakeNumber(s, 2, v.Month) || !TakeChar(s, '-') ||
        !TakeNumber(s, 2, v.Day) || !IsValidCalendarDate(v.Year, v.Month, v.Day))
        return false;
    if (!s.empty()) {
        if (!TakeChar(s, ' ')) return false;
        while (TakeChar(s, ' ')) {
        }
        if (!TakeNumber(s, 2, v.Hour) || !TakeChar(s, ':') || !TakeNumber(s, 2, v.Minute)) return false;
        if (TakeChar(s, ':') && !TakeNumber(s, 2, v.Second)) return false;
        if (TakeChar(s, '.') && !TakeNumber(s, 3, v.Millisecond)) return false;
        if (!s.empty() || v.Hour > 23 || v.Minute > 59 || v.Second > 59) return false;
    }
    value = v;
    return true;
}

}  // namespace valuetext
