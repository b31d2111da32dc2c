// Typed access to one field of a table's current record, the list that owns a table's
// fields, and the calendar arithmetic of date and date-time values.
#pragma once

#include "engine/dbfmemo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using vx::NoMemoBlock;

// Little-endian integers inside table headers, descriptors and records.
namespace dbfbytes {
inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace dbfbytes

// A calendar date with a time of day. Date fields use only the date part.
struct TDateTimeParts {
    int Year = 1900;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    bool operator==(const TDateTimeParts&) const = default;
    // Milliseconds after midnight (0 when the time part is out of range).
    int32_t TimeOfDayMs() const;
};

// The value that conversions give for dates and date-times that cannot be read.
inline constexpr TDateTimeParts NullDate{};

// Gregorian calendar: IsValidCalendarDate checks years 1..9999; DayCount numbers days from
// 0001-01-01 = 1; DateOfDayCount is its inverse (false outside 1..9999-12-31).
bool IsValidCalendarDate(int year, int month, int day);
int64_t DayCount(int year, int month, int day);
bool DateOfDayCount(int64_t dayCount, int& year, int& month, int& day);

// Julian day number minus this gives the day count above.
constexpr int64_t JulianDayOffset = 1721425;

// The size of a field descriptor image.
constexpr size_t FieldDescriptorSize = 32;

// One field of a table. Reads and writes its bytes inside the first half of the table's
// record buffer; moving to another record changes what it reads without touching it.
// Every access is bounded by the record length: a field whose descriptor does not fit the
// record reads as empty and ignores writes.
class TField {
public:
    // `descriptor` is the table's 32-byte descriptor image of this field; it must outlive
    // the field.
    explicit TField(const uint8_t* descriptor) : Descriptor(descriptor) {}

    // The record buffer (its first `recordLength` bytes are the current record) and the
    // table's version byte, which selects the memo reference layout.
    void SetRecordBuffer(uint8_t* buffer, size_t recordLength) {
        RecordBuffer = buffer;
        RecordLength = recordLength;
    }
    void SetVersion(uint8_t version) { Version = version; }
    uint8_t GetVersion() const { return Version; }
    const uint8_t* GetDescriptor() const { return Descriptor; }

    std::string GetName() const;  // up to the first NUL, at most 10 characters
    char GetFieldType() const { return static_cast<char>(Descriptor[11]); }
    uint8_t GetLength() const { return Descriptor[16]; }
    uint8_t GetDecimals() const { return Descriptor[17]; }
    // Offset of the field inside the record (0 is the deletion flag byte).
    uint32_t GetOffset() const { return dbfbytes::GetLE32(Descriptor + 12); }

    // The bytes up to the first NUL or the field length.
    std::string GetAsString() const {
        std::string s;
        GetAsString(s);
        return s;
    }
    // The same into `out`, reusing its storage (for readers that go through many records).
    void GetAsString(std::string& out) const {
        std::string_view v = GetAsView();
        out.assign(v.data(), v.size());
    }
    // The same bytes in place, valid until the record buffer changes (the next move or edit).
    std::string_view GetAsView() const {
        size_t n;
        const uint8_t* p = Bytes(n);
        if (!p) return {};
        const void* nul = std::memchr(p, 0, n);
        if (nul) n = static_cast<size_t>(static_cast<const uint8_t*>(nul) - p);
        return std::string_view(reinterpret_cast<const char*>(p), n);
    }
    // Every byte of the field in the current record, NULs included; empty when the descriptor
    // does not fit the record. Valid until the record buffer changes.
    std::string_view GetRawView() const {
        size_t n;
        const uint8_t* p = Bytes(n);
        return p ? std::string_view(reinterpret_cast<const char*>(p), n) : std::string_view();
    }
    // GetAsString without trailing blanks (0x20 only).
    std::string GetAsTrimmedString() const;
    // Shorter texts blank the field first; N and F right-aligned, the others left-aligned;
    // longer texts keep their first (field length) characters.
    void SetAsString(std::string_view text);

    // N, F: the text as a number (blanks around it allowed, "." as decimal point); 0 when it
    // does not convert.
    double GetAsFloat() const;
    // N, F: fixed notation with the field's decimals, right-aligned in the field width; a
    // value whose text is wider than the field fills the field with "*".
    void SetAsFloat(double value);

    // D: yyyymmdd; 1900-01-01 when the text is not a date.
    TDateTimeParts GetAsDate() const;
    void SetAsDate(const TDateTimeParts& date);  // uses the date part only

    // T: Julian day number and milliseconds after midnight; 1900-01-01 00:00:00.000 when
    // the pair is not a date-time.
    TDateTimeParts GetAsDateTime() const;
    void SetAsDateTime(const TDateTimeParts& value);

    // Y: the stored 64-bit integer, that is the value times 10000 (four implied decimals).
    int64_t GetAsCurrency() const;
    void SetAsCurrency(int64_t scaledValue);

    // I: 32-bit signed. B: IEEE double.
    int32_t GetAsInteger() const;
    void SetAsInteger(int32_t value);
    double GetAsDouble() const;
    void SetAsDouble(double value);

    // M, G, P: memo block number, NoMemoBlock for none. A 4-byte binary reference (versions
    // 0x30, 0x31, length 4, 0 meaning none) or 10 decimal characters (versions 0x83, 0x8B,
    // 0xCB, 0xF5, length 10, blanks meaning none). GetMemoBlock raises "Unsupported memo
    // field!" for any other layout; SetMemoBlock then stores nothing.
    int32_t GetMemoBlock() const;
    void SetMemoBlock(int32_t block);
    bool HasMemoLayout() const;

    // The value a new record gets in this field.
    void SetBlank();

private:
    // The field's bytes inside the current record, or null when the descriptor does not fit.
    const uint8_t* Bytes(size_t& n) const {
        n = GetLength();
        size_t off = GetOffset();
        if (!RecordBuffer || off > RecordLength || n > RecordLength - off) return nullptr;
        return RecordBuffer + off;
    }
    uint8_t* Bytes(size_t& n) {
        return const_cast<uint8_t*>(static_cast<const TField*>(this)->Bytes(n));
    }

    const uint8_t* Descriptor;
    uint8_t* RecordBuffer = nullptr;
    size_t RecordLength = 0;
    uint8_t Version = 0;
};

// The fields of one table, in descriptor order. Owns them.
class TFieldList {
public:
    TField* GetItem(int index) const;  // null outside 0..Count()-1
    int Add(TField* field);            // takes ownership; returns the index
    int Add(std::unique_ptr<TField> field);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(Items.size()); }

private:
    std::vector<std::unique_ptr<TField>> Items;
};
