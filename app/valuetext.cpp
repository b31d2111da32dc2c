#include "app/valuetext.h"

#include "engine/dbf.h"

#include <charconv>
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
        AppendPadded(s, d.Hour, 2);
        s += ':';
        AppendPadded(s, d.Minute, 2);
        s += ':';
        AppendPadded(s, d.Second, 2);
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
