#include "engine/field.h"

#include "engine/dbferror.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <limits>

static_assert(std::endian::native == std::endian::little, "field values are stored little-endian");

namespace {

constexpr int64_t MsPerDay = 86400000;

// A decimal integer: leading blanks, an optional sign, then only digits up to the end.
bool ParseInteger(std::string_view s, int64_t& value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        if (v > (std::numeric_limits<int64_t>::max() - 9) / 10) return false;
        v = v * 10 + (s[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

// ---- calendar ---------------------------------------------------------------------------

int32_t TDateTimeParts::TimeOfDayMs() const {
    int64_t ms = int64_t(Hour) * 3600000 + int64_t(Minute) * 60000 + int64_t(Second) * 1000 + Millisecond;
    if (Hour < 0 || Minute < 0 || Second < 0 || Millisecond < 0 || ms >= MsPerDay) return 0;
    return static_cast<int32_t>(ms);
}

bool IsValidCalendarDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

int64_t DayCount(int year, int month, int day) {
    // Days from 0001-01-01 (day 1) in the proleptic Gregorian calendar.
    int64_t y = year - (month <= 2 ? 1 : 0);
    int64_t era = FloorDiv(y, 400);
    int64_t yoe = y - era * 400;
    int64_t mp = (month + 9) % 12;
    int64_t doy = (153 * mp + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t fromMarch0 = era * 146097 + doe;  // day 0 = 0000-03-01
    return fromMarch0 - 305;                   // 0001-01-01 -> 1
}

bool DateOfDayCount(int64_t dayCount, int& year, int& month, int& day) {
    if (dayCount < 1 || dayCount > DayCount(9999, 12, 31)) return false;
    int64_t z = dayCount + 305;
    int64_t era = FloorDiv(z, 146097);
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    year = static_cast<int>(y);
    month = static_cast<int>(m);
    day = static_cast<int>(d);
    return true;
}

// ---- TField -----------------------------------------------------------------------------

std::string TField::GetName() const {
    size_t n = 0;
    while (n < 10 && Descriptor[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(Descriptor), n);
}

std::string TField::GetAsTrimmedString() const {
    std::string s = GetAsString();
    size_t end = s.find_last_not_of(' ');
    s.resize(end == std::string::npos ? 0 : end + 1);
    return s;
}

void TField::SetAsString(std::string_view text) {
    size_t len;
    uint8_t* p = Bytes(len);
    if (!p) return;
    size_t n = std::min(text.size(), len);
    if (text.size() < len) std::memset(p, ' ', len);
    if (n == 0) return;  // an empty text may have no bytes at all to copy from
    char t = GetFieldType();
    if (t == 'N' || t == 'F') std::memcpy(p + (len - n), text.data(), n);
    else std::memcpy(p, text.data(), n);
}

double TField::GetAsFloat() const {
    std::string s = GetAsString();
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    if (b < e && s[b] == '+') ++b;
    if (b == e) return 0.0;
    // Only plain numbers: no "inf", "nan" or a second sign.
    char c = s[b] == '-' && b + 1 < e ? s[b + 1] : s[b];
    if (!((c >= '0' && c <= '9') || c == '.')) return 0.0;
    double v = 0.0;
    auto r = std::from_chars(s.data() + b, s.data() + e, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + e) return 0.0;
    return v;
}

void TField::SetAsFloat(double value) {
    size_t len;
    if (!Bytes(len)) return;
    char buf[1200];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, GetDecimals());
    if (r.ec != std::errc()) return;
    size_t n = static_cast<size_t>(r.ptr - buf);
    if (n > len) {
        // Too wide for the field: the overflow mark, never a different number.
        SetAsString(std::string(len, '*'));
        return;
    }
    std::string text(len - n, ' ');
    text.append(buf, n);
    SetAsString(text);
}

TDateTimeParts TField::GetAsDate() const {
    std::string s = GetAsString();
    auto part = [&](size_t from, size_t count) -> int {
        if (from >= s.size()) return 0;
        int64_t v = 0;
        if (!ParseInteger(std::string_view(s).substr(from, count), v)) return 0;
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return 0;
        return static_cast<int>(v);
    };
    TDateTimeParts d;
    int y = part(0, 4), m = part(4, 2), dd = part(6, 2);
    if (!IsValidCalendarDate(y, m, dd)) return NullDate;
    d.Year = y;
    d.Month = m;
    d.Day = dd;
    return d;
}

void TField::SetAsDate(const TDateTimeParts& date) {
    if (!IsValidCalendarDate(date.Year, date.Month, date.Day)) {
        SetAsString("");
        return;
    }
    char buf[9];
    int v[3] = {date.Year, date.Month, date.Day};
    int widths[3] = {4, 2, 2};
    char* p = buf;
    for (int i = 0; i < 3; ++i) {
        int x = v[i];
        for (int k = widths[i] - 1; k >= 0; --k) {
            p[k] = static_cast<char>('0' + x % 10);
            x /= 10;
        }
        p += widths[i];
    }
    SetAsString(std::string_view(buf, 8));
}

TDateTimeParts TField::GetAsDateTime() const {
    size_t len;
    const uint8_t* p = Bytes(len);
    if (!p || len < 8) return NullDate;
    int64_t days = static_cast<int32_t>(dbfbytes::GetLE32(p)) - JulianDayOffset;
    if (days < 1) return NullDate;
    int64_t ms = static_cast<int32_t>(dbfbytes::GetLE32(p + 4));
    days += FloorDiv(ms, MsPerDay);
    ms -= FloorDiv(ms, MsPerDay) * MsPerDay;
    TDateTimeParts d;
    if (!DateOfDayCount(days, d.Year, d.Month, d.Day)) return NullDate;
    d.Hour = static_cast<int>(ms / 3600000);
    d.Minute = static_cast<int>(ms / 60000 % 60);
    d.Second = static_cast<int>(ms / 1000 % 60);
    d.Millisecond = static_cast<int>(ms % 1000);
    return d;
}

void TField::SetAsDateTime(const TDateTimeParts& value) {
    size_t len;
    uint8_t* p = Bytes(len);
    if (!p || len < 8) return;
    if (!IsValidCalendarDate(value.Year, value.Month, value.Day)) {
        std::memset(p, 0, 8);
        return;
    }
    int64_t jdn = DayCount(value.Year, value.Month, value.Day) + JulianDayOffset;
    dbfbytes::PutLE32(p, static_cast<uint32_t>(jdn));
    dbfbytes::PutLE32(p + 4, static_cast<uint32_t>(value.TimeOfDayMs()));
}

namespace {

// Fixed-size binary values, little-endian as the file stores them (so is every machine this
// builds for); a field too short for the value reads 0 and ignores writes.
static_assert(std::endian::native == std::endian::little, "table values are stored little-endian");

template <class T>
T LoadValue(const uint8_t* p, size_t len) {
    T v{};
    if (p && len >= sizeof(T)) std::memcpy(&v, p, sizeof(T));
    return v;
}

template <class T>
void StoreValue(uint8_t* p, size_t len, T v) {
    if (p && len >= sizeof(T)) std::memcpy(p, &v, sizeof(T));
}

}  // namespace

int64_t TField::GetAsCurrency() const {
    size_t len;
    const uint8_t* p = Bytes(len);
    return LoadValue<int64_t>(p, len);
}

void TField::SetAsCurrency(int64_t scaledValue) {
    size_t len;
    uint8_t* p = Bytes(len);
    StoreValue(p, len, scaledValue);
}

int32_t TField::GetAsInteger() const {
    size_t len;
    const uint8_t* p = Bytes(len);
    return LoadValue<int32_t>(p, len);
}

void TField::SetAsInteger(int32_t value) {
    size_t len;
    uint8_t* p = Bytes(len);
    StoreValue(p, len, value);
}

double TField::GetAsDouble() const {
    size_t len;
    const uint8_t* p = Bytes(len);
    return LoadValue<double>(p, len);
}

void TField::SetAsDouble(double value) {
    size_t len;
    uint8_t* p = Bytes(len);
    StoreValue(p, len, value);
}

namespace {
enum class TMemoRef { None, Binary, Decimal };

TMemoRef MemoRefLayout(uint8_t version, uint8_t length) {
    if ((version == 0x30 || version == 0x31) && length == 4) return TMemoRef::Binary;
    if ((version == 0x83 || version == 0x8B || version == 0xCB || version == 0xF5) && length == 10)
        return TMemoRef::Decimal;
    return TMemoRef::None;
}
}  // namespace

bool TField::HasMemoLayout() const { return MemoRefLayout(Version, GetLength()) != TMemoRef::None; }

int32_t TField::GetMemoBlock() const {
    TMemoRef layout = MemoRefLayout(Version, GetLength());
    if (layout == TMemoRef::None) throw EDBFError("Unsupported memo field!");
    size_t len;
    const uint8_t* p = Bytes(len);
    if (!p) return NoMemoBlock;
    if (layout == TMemoRef::Binary) {
        int32_t v = static_cast<int32_t>(dbfbytes::GetLE32(p));
        return v <= 0 ? NoMemoBlock : v;
    }
    int64_t v = 0;
    if (!ParseInteger(GetAsString(), v) || v < 0 || v > std::numeric_limits<int32_t>::max())
        return NoMemoBlock;
    return static_cast<int32_t>(v);
}

void TField::SetMemoBlock(int32_t block) {
    TMemoRef layout = MemoRefLayout(Version, GetLength());
    size_t len;
    uint8_t* p = Bytes(len);
    if (!p || layout == TMemoRef::None) return;
    if (layout == TMemoRef::Binary) {
        dbfbytes::PutLE32(p, block < 0 ? 0u : static_cast<uint32_t>(block));
        return;
    }
    std::memset(p, ' ', len);
    if (block < 0) return;
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, block);
    size_t n = static_cast<size_t>(r.ptr - buf);
    std::memcpy(p + (len - n), buf, n);
}

void TField::SetBlank() {
    size_t len;
    uint8_t* p = Bytes(len);
    if (!p) return;
    switch (GetFieldType()) {
    case 'D': SetAsString(std::string(8, ' ')); break;
    case 'T': std::memset(p, 0, len); break;
    case 'Y': std::memset(p, 0, len); SetAsCurrency(0); break;
    case 'I': std::memset(p, 0, len); SetAsInteger(0); break;
    case 'B': std::memset(p, 0, len); SetAsDouble(0.0); break;
    case 'N': case 'F': SetAsFloat(0.0); break;
    case 'L': SetAsString(" "); break;
    case '0': std::memset(p, 0, len); break;  // null flags: no field of a new record is null
    case 'M': case 'G': case 'P':
        // Blanks, or the "none" reference where the field has a memo reference layout (a
        // blank binary reference would read as a block number).
        std::memset(p, ' ', len);
        SetMemoBlock(NoMemoBlock);
        break;
    default: SetAsString(""); break;
    }
}

// ---- TFieldList -------------------------------------------------------------------------

TField* TFieldList::GetItem(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return Items[static_cast<size_t>(index)].get();
}

int TFieldList::Add(TField* field) { return Add(std::unique_ptr<TField>(field)); }

int TFieldList::Add(std::unique_ptr<TField> field) {
    Items.push_back(std::move(field));
    return Count() - 1;
}

void TFieldList::Delete(int index) {
    if (index >= 0 && index < Count()) Items.erase(Items.begin() + index);
}

void TFieldList::Clear() { Items.clear(); }
