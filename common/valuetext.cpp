#include "common/valuetext.h"

#include "engine/dbf.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace valuetext {

std::string_view TrimRight(std::string_view s) {
    size_t n = s.size();
    // Character fields mostly end in blanks: eight at a time first.
    while (n >= 8 && std::memcmp(s.data() + n - 8, "        ", 8) == 0) n -= 8;
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
    // The magnitude as unsigned: the lowest int has no positive counterpart.
    const unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude);
    int len = static_cast<int>(r.ptr - buf);
    if (value < 0) out += '-';
    for (int i = len; i < width; ++i) out += '0';
    out.append(buf, r.ptr);
}

// "yyyy-mm-dd", every part padded with zeros.
void AppendPaddedDate(std::string& out, int year, int month, int day) {
    AppendPadded(out, year, 4);
    out += '-';
    AppendPadded(out, month, 2);
    out += '-';
    AppendPadded(out, day, 2);
}

// "hh:mm:ss", every part padded with zeros.
void AppendClock(std::string& out, const TDateTimeParts& d) {
    AppendPadded(out, d.Hour, 2);
    out += ':';
    AppendPadded(out, d.Minute, 2);
    out += ':';
    AppendPadded(out, d.Second, 2);
}

}  // namespace

void AppendInteger(std::string& out, int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::string FormatDate(const TDateTimeParts& d) {
    std::string s;
    AppendPaddedDate(s, d.Year, d.Month, d.Day);
    return s;
}

std::string DateTimeToStr(const TDateTimeParts& d) {
    std::string s;
    AppendDateTime(s, d);
    return s;
}

void AppendDateTime(std::string& s, const TDateTimeParts& d) {
    AppendInteger(s, d.Year);
    s += '-';
    AppendInteger(s, d.Month);
    s += '-';
    AppendInteger(s, d.Day);
    if (d.Hour != 0 || d.Minute != 0 || d.Second != 0 || d.Millisecond != 0) {
        s += ' ';
        AppendClock(s, d);
    }
}

std::string CurrToStr(int64_t scaled) {
    std::string s;
    AppendCurrency(s, scaled);
    return s;
}

void AppendCurrency(std::string& s, int64_t scaled) {
    uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
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
    AppendPaddedDate(out, y, m, d);
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

std::string DateTimeToText(const TDateTimeParts& d) {
    std::string s = FormatDate(d);
    s += ' ';
    AppendClock(s, d);
    if (d.Millisecond) {
        s += '.';
        AppendPadded(s, d.Millisecond, 3);
    }
    return s;
}

bool IsBlankDateTime(const TField& field) {
    const std::string_view v = field.GetRawView();
    return v.find_first_not_of('\0') == std::string_view::npos ||
           v.find_first_not_of(' ') == std::string_view::npos;
}

void AppendOutputText(TDBF& dbf, const TField& field, bool memo, std::string& out, std::string& scratch) {
    switch (field.GetFieldType()) {
    case 'D':
        out.append(field.GetAsView());
        break;
    case 'T':
        if (!IsBlankDateTime(field)) AppendDateTime(out, field.GetAsDateTime());
        break;
    case 'Y':
        AppendCurrency(out, field.GetAsCurrency());
        break;
    case 'I':
        AppendInteger(out, field.GetAsInteger());
        break;
    case 'B':
        AppendFixed(out, field.GetAsDouble(), field.GetDecimals());
        break;
    case 'L':
        out.append(field.GetAsView());
        break;
    case 'M':
        if (!memo) {
            out += "Memo";
        } else if (field.HasMemoLayout()) {
            dbf.ReadMemoBlock(field.GetMemoBlock(), scratch);
            out += scratch;
        }
        break;
    case 'G':
        out += "General";
        break;
    default:
        out.append(Trim(field.GetAsView()));
        break;
    }
}

}  // namespace valuetext

namespace valuetext {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The sign and the rest, after trimming; '+' is allowed where the readers take a sign.
std::string_view SplitSign(std::string_view text, bool& negative) {
    text = Trim(text);
    negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    return text;
}

// The decimal number of `text` as its digits and the place of the decimal point among them
// (number = 0.digits x 10^point). False when the text is no decimal number.
bool DecimalParts(std::string_view text, bool& negative, std::string& digits, long& point) {
    text = SplitSign(text, negative);
    digits.clear();
    size_t i = 0;
    long intDigits = 0;
    bool any = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++intDigits) digits += text[i], any = true;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) digits += text[i], any = true;
    }
    if (!any) return false;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        if (i == text.size() || !IsDigit(text[i])) return false;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
        if (expNegative) exponent = -exponent;
    }
    if (i != text.size()) return false;
    point = intDigits + exponent;
    return true;
}

}  // namespace

bool ReadDouble(std::string_view text, double& value) {
    bool negative;
    std::string_view rest = SplitSign(text, negative);
    // from_chars also takes "inf" and "nan": only digits or "." may start a number here.
    if (rest.empty() || !(IsDigit(rest[0]) || rest[0] == '.')) return false;
    double v = 0;
    auto r = std::from_chars(rest.data(), rest.data() + rest.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != rest.data() + rest.size() || !std::isfinite(v)) return false;
    value = negative ? -v : v;
    return true;
}

bool ReadInt64(std::string_view text, int64_t& value) {
    bool negative;
    std::string_view rest = SplitSign(text, negative);
    if (rest.empty() || !IsDigit(rest[0])) return false;
    uint64_t mag = 0;
    auto r = std::from_chars(rest.data(), rest.data() + rest.size(), mag);
    if (r.ec != std::errc() || r.ptr != rest.data() + rest.size()) return false;
    if (negative) {
        if (mag > uint64_t(INT64_MAX) + 1) return false;
        value = mag == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(mag);
    } else {
        if (mag > uint64_t(INT64_MAX)) return false;
        value = static_cast<int64_t>(mag);
    }
    return true;
}

bool ReadInt32(std::string_view text, int32_t& value) {
    int64_t v;
    if (!ReadInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool DecimalToFixedText(std::string_view text, int width, int decimals, std::string& out) {
    bool negative;
    std::string digits;
    long point;
    if (!DecimalParts(text, negative, digits, point)) return false;
    if (decimals < 0) decimals = 0;
    // Far beyond any field: no need to spell out the digits.
    if (point > 400) return false;
    if (point < -400) digits.clear(), point = 0;
    if (point < 0) {
        digits.insert(0, size_t(-point), '0');
        point = 0;
    }
    const size_t keep = size_t(point) + size_t(decimals);
    bool roundUp = keep < digits.size() && digits[keep] >= '5';
    digits.resize(keep, '0');
    if (roundUp) {
        size_t k = keep;
        while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
        if (k == 0) {
            digits.insert(0, 1, '1');
            ++point;
        } else {
            ++digits[k - 1];
        }
    }
    std::string_view whole(digits.data(), size_t(point));
    while (whole.size() > 1 && whole[0] == '0') whole.remove_prefix(1);
    std::string result;
    if (negative && digits.find_first_not_of('0') != std::string::npos) result += '-';
    result.append(whole.empty() ? std::string_view("0") : whole);
    if (decimals > 0) {
        result += '.';
        result.append(digits, size_t(point), size_t(decimals));
    }
    if (width >= 0 && result.size() > size_t(width)) return false;
    out = std::move(result);
    return true;
}

std::string DoubleToStr(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

bool ReadCurrency(std::string_view text, int64_t& scaled) {
    std::string fixed;
    if (!DecimalToFixedText(text, 40, 4, fixed)) return false;
    fixed.erase(fixed.size() - 5, 1);  // the "." before the four decimals
    return ReadInt64(fixed, scaled);
}

std::string FloatToStrGeneral(double value) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view s(buf, size_t(r.ptr - buf));
    std::string out;
    if (s[0] == '-') out += '-', s.remove_prefix(1);
    const size_t e = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    std::string digits;
    for (char c : s.substr(0, e))
        if (IsDigit(c)) digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) out += '.', out.append(digits, 1);
        out += 'E';
        AppendInteger(out, exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(size_t(-exponent - 1), '0');
        out += digits;
        return out;
    }
    if (digits.size() <= size_t(exponent) + 1) {
        out += digits;
        out.append(size_t(exponent) + 1 - digits.size(), '0');
    } else {
        out.append(digits, 0, size_t(exponent) + 1);
        out += '.';
        out.append(digits, size_t(exponent) + 1);
    }
    return out;
}

namespace {

// Up to `maxDigits` digits at `pos`; false when there is none.
bool ReadNumberPart(std::string_view s, size_t& pos, int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (pos < s.size() && IsDigit(s[pos]) && n < maxDigits) value = value * 10 + (s[pos++] - '0'), ++n;
    return n > 0;
}

bool ReadDateAt(std::string_view s, size_t& pos, TDateTimeParts& d) {
    int y, m, day;
    if (!ReadNumberPart(s, pos, 4, y) || pos >= s.size() || s[pos++] != '-') return false;
    if (!ReadNumberPart(s, pos, 2, m) || pos >= s.size() || s[pos++] != '-') return false;
    if (!ReadNumberPart(s, pos, 2, day) || !IsValidCalendarDate(y, m, day)) return false;
    d = TDateTimeParts{};
    d.Year = y;
    d.Month = m;
    d.Day = day;
    return true;
}

}  // namespace

bool ReadDateText(std::string_view text, TDateTimeParts& date) {
    text = Trim(text);
    size_t pos = 0;
    TDateTimeParts d;
    if (!ReadDateAt(text, pos, d) || pos != text.size()) return false;
    date = d;
    return true;
}

bool ReadDateTimeText(std::string_view text, TDateTimeParts& value) {
    text = Trim(text);
    size_t pos = 0;
    TDateTimeParts d;
    if (!ReadDateAt(text, pos, d)) return false;
    if (pos < text.size()) {
        if (text[pos++] != ' ') return false;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        int h, mi, sec = 0;
        if (!ReadNumberPart(text, pos, 2, h) || pos >= text.size() || text[pos++] != ':') return false;
        if (!ReadNumberPart(text, pos, 2, mi)) return false;
        if (pos < text.size() && (text[pos++] != ':' || !ReadNumberPart(text, pos, 2, sec))) return false;
        if (pos != text.size() || h > 23 || mi > 59 || sec > 59) return false;
        d.Hour = h;
        d.Minute = mi;
        d.Second = sec;
    }
    value = d;
    return true;
}

}  // namespace valuetext
