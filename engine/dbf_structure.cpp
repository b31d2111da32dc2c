// Structure change in place: the open table gains one field at the end of its records or
// loses a set of fields, its records moved inside the same file without a temporary table.
//
// Adding a field: GrowForField, WidenRecord from the last record to the first, AppendFieldDef.
// Removing fields: RemoveFieldDefs, NarrowRecord from the first record to the last,
// FinishFieldRemoval. Between the first and the last step the file holds records of two
// layouts; AddField and RemoveFields run a whole sequence and put the files back as they were
// when a step fails.
#include "engine/dbf.h"

#include "engine/dbfmemo.h"
#include "platform/filestream.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <limits>

using vx::TMemoLayout;

namespace {

bool EveryRecord(const uint8_t*) { return true; }

constexpr int64_t MaxRecordLength = 0xFFFF;  // record and header lengths are 16-bit
// Bytes of records one batch of a structure change reads and writes at a time: large enough
// that the system calls cost nothing next to the copying, small enough to stay in the cache.
constexpr size_t StructureBatchBytes = size_t(1) << 20;
constexpr uint8_t Blank = ' ';
// What a new date-time field holds when no fill text is given.
constexpr const char* DefaultDateTimeFill = "1970-01-01 0:0:0";

bool IsMemoType(char t) { return t == 'M' || t == 'G' || t == 'P'; }

// A descriptor image for a field of `length` bytes at `offset`.
TFieldDescriptor MakeDescriptor(char type, uint32_t offset, uint8_t length, uint8_t decimals) {
    TFieldDescriptor d{};
    d[11] = static_cast<uint8_t>(type);
    dbfbytes::PutLE32(&d[12], offset);
    d[16] = length;
    d[17] = decimals;
    return d;
}

// Whether a memo field of this length has a reference layout in a table of this version.
bool HasReferenceLayout(char type, uint8_t length, uint8_t version) {
    TFieldDescriptor desc = MakeDescriptor(type, 0, length, 0);
    TField probe(desc.data());
    probe.SetVersion(version);
    return probe.HasMemoLayout();
}

// Bytes a binary field type needs; 0 for the text types.
int BinarySize(char type) {
    switch (type) {
    case 'T': case 'Y': case 'B': return 8;
    case 'I': return 4;
    default: return 0;
    }
}

// ---- fill text conversions --------------------------------------------------------------

[[noreturn]] void ConvertError(const std::string& text, const char* what) {
    throw EDBFValueError("'" + text + "' is not a valid " + what);
}

std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t ToInteger(const std::string& text) {
    std::string_view s = TrimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !std::all_of(s.begin(), s.end(), IsDigit)) ConvertError(text, "integer value");
    int64_t v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) ConvertError(text, "integer value");
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) ConvertError(text, "integer value");
    return static_cast<int32_t>(v);
}

// A plain decimal number: sign, digits with at most one ".", an optional exponent.
struct TDecimal {
    bool Negative = false;
    std::string Digits;  // without leading zeros
    int64_t Exponent = 0;  // value = Digits x 10^Exponent
};

bool ParseDecimal(std::string_view s, TDecimal& d) {
    s = TrimBlanks(s);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.Negative = s[i++] == '-';
    bool any = false, point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (IsDigit(c)) {
            any = true;
            if (!(d.Digits.empty() && c == '0')) d.Digits += c;
            if (point) --d.Exponent;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
        if (i == s.size()) return false;
        int64_t e = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i) e = std::min<int64_t>(e * 10 + (s[i] - '0'), 100000);
        d.Exponent += negExp ? -e : e;
    }
    return i == s.size();
}

double ToDouble(const std::string& text) {
    TDecimal d;
    if (!ParseDecimal(text, d)) ConvertError(text, "floating point value");
    std::string_view s = TrimBlanks(text);
    if (s[0] == '+') s.remove_prefix(1);
    double v = 0.0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) ConvertError(text, "floating point value");
    return v;
}

// Currency: the value times 10000 as an exact integer, rounded half away from zero.
int64_t ToCurrency(const std::string& text) {
    TDecimal d;
    if (!ParseDecimal(text, d)) ConvertError(text, "floating point value");
    if (d.Digits.empty()) return 0;
    const int64_t shift = d.Exponent + 4;  // scaled = Digits x 10^shift
    const int64_t limit = std::numeric_limits<int64_t>::max();
    if (shift > 19 || int64_t(d.Digits.size()) + shift > 19) ConvertError(text, "floating point value");
    int64_t keep = int64_t(d.Digits.size()) + std::min<int64_t>(shift, 0);  // digits before the cut
    unsigned __int128 v = 0;
    for (int64_t k = 0; k < keep; ++k) v = v * 10 + unsigned(d.Digits[size_t(k)] - '0');
    for (int64_t k = 0; k < shift; ++k) v *= 10;
    if (keep >= 0 && keep < int64_t(d.Digits.size()) && d.Digits[size_t(keep)] >= '5') v += 1;
    if (v > static_cast<unsigned __int128>(limit) + (d.Negative ? 1 : 0)) ConvertError(text, "floating point value");
    return d.Negative ? static_cast<int64_t>(-static_cast<__int128>(v)) : static_cast<int64_t>(v);
}

// A date-time in the program's date format: "yyyy-M-d", then optionally a blank and
// "h:m", "h:m:s" or "h:m:s.zzz". Years of one or two digits fall in the 2000s.
TDateTimeParts ToDateTime(const std::string& text) {
    std::string_view s = TrimBlanks(text);
    size_t i = 0;
    auto number = [&](size_t maxDigits, int& out) {
        size_t start = i;
        int v = 0;
        while (i < s.size() && IsDigit(s[i]) && i - start < maxDigits) v = v * 10 + (s[i++] - '0');
        out = v;
        return i > start && (i == s.size() || !IsDigit(s[i]));
    };
    auto expect = [&](char c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    TDateTimeParts d;
    bool ok = number(4, d.Year);
    if (ok && i <= 2) d.Year += 2000;
    ok = ok && expect('-') && number(2, d.Month) && expect('-') && number(2, d.Day);
    if (ok && i < s.size()) {
        ok = expect(' ');
        while (ok && i < s.size() && s[i] == ' ') ++i;
        ok = ok && number(2, d.Hour) && expect(':') && number(2, d.Minute);
        if (ok && expect(':')) ok = number(2, d.Second);
        if (ok && expect('.')) ok = number(3, d.Millisecond);
        ok = ok && i == s.size();
    }
    if (!ok || !IsValidCalendarDate(d.Year, d.Month, d.Day) || d.Hour > 23 || d.Minute > 59 || d.Second > 59)
        ConvertError(text, "date and time");
    return d;
}

// The bytes a new field of every type but M receives from the fill text; raises the
// conversion error when the text does not convert.
std::string FillImage(char type, uint8_t length, uint8_t decimals, uint8_t version, const std::string& fill) {
    std::string image(length, char(Blank));
    auto* p = reinterpret_cast<uint8_t*>(image.data());
    TFieldDescriptor desc = MakeDescriptor(type, 0, length, decimals);
    TField field(desc.data());
    field.SetRecordBuffer(p, length);
    field.SetVersion(version);
    const size_t n = std::min<size_t>(fill.size(), length);
    switch (type) {
    case 'D': case 'N': case 'F':
        std::memcpy(p + (length - n), fill.data(), n);
        break;
    case 'T':
        if (length < 8) break;
        std::memset(p, 0, length);
        field.SetAsDateTime(ToDateTime(fill.empty() ? std::string(DefaultDateTimeFill) : fill));
        break;
    case 'Y':
        if (length < 8) break;
        std::memset(p, 0, length);
        field.SetAsCurrency(fill.empty() ? 0 : ToCurrency(fill));
        break;
    case 'I':
        if (length < 4) break;
        std::memset(p, 0, length);
        field.SetAsInteger(fill.empty() ? 0 : ToInteger(fill));
        break;
    case 'B':
        if (length < 8) break;
        std::memset(p, 0, length);
        field.SetAsDouble(fill.empty() ? 0.0 : ToDouble(fill));
        break;
    case 'G': case 'P':
        // The "none" reference: 0 in the 4-byte layout (blanks would read as a block number),
        // blanks in the 10-character one.
        field.SetMemoBlock(NoMemoBlock);
        break;
    case 'M':
        break;  // the memo is written per record
    default:
        std::memcpy(p, fill.data(), n);
        break;
    }
    return image;
}

// A name beside `path` that no file has yet, for the copy kept during a change.
std::string FreeCopyName(const std::string& path) {
    std::string name = path + ".vxcopy";
    for (int n = 2; vx::FileExists(name); ++n) name = path + ".vxcopy" + std::to_string(n);
    return name;
}

}  // namespace

// The steps shared by the six operations and the whole changes.
class TStructureChange {
public:
    // Version byte the table has once a field of `type` is added: a dBASE III family table
    // without memo becomes one with memo when it gains a memo field.
    static uint8_t VersionAfter(const TDBF& dbf, char type) {
        const uint8_t v = dbf.GetVersion();
        if (type == 'M' && !dbf.Memo->GetOpened() && (v == 0x03 || v == 0x43 || v == 0x63)) return 0x83;
        return v;
    }

    // The memo file a memo field added now would use: the open one, or the file named after
    // the table for the version it will have (found ignoring letter case).
    static std::string MemoNameFor(const TDBF& dbf, uint8_t version) {
        if (dbf.Memo->GetOpened()) return dbf.Memo->GetFileName();
        return dbf.MemoFileNameFor(version);
    }

    // A new memo file would give the references into the missing one new meanings.
    static void CheckMemoNotMissing(const TDBF& dbf) {
        if (dbf.MemoMissing)
            dbf.Fail(" - The memo file " + dbf.Memo->GetFileName() + " is missing, so no memo field can be added!");
    }

    // Opens the memo file for a new memo field of `type` when it is not open: converts a
    // dBASE III table without memo for an M field, then opens the memo file beside the table,
    // or creates it when there is none (an existing file keeps its memos).
    static void PrepareMemo(TDBF& dbf, char type) {
        if (dbf.Memo->GetOpened()) return;
        CheckMemoNotMissing(dbf);
        const uint8_t version = VersionAfter(dbf, type);
        if (vx::MemoLayoutOfVersion(version) == TMemoLayout::None) dbf.Fail(" - This table type has no memo file!");
        if (version != dbf.GetVersion()) {
            dbf.Header[0] = version;
            dbf.WriteHeader();
            for (int i = 0; i < dbf.FieldList.Count(); ++i) dbf.FieldList.GetItem(i)->SetVersion(version);
        }
        const std::string name = MemoNameFor(dbf, version);
        if (name.empty()) dbf.Fail(" - This table type has no memo file!");
        dbf.Memo->Close();
        dbf.Memo->SetVersion(version);
        dbf.Memo->SetFileName(name);
        auto open = [&] {
            try {
                dbf.Memo->Open(false);
            } catch (const EDBFError&) {
                throw;
            } catch (const std::exception& e) {
                throw EDBFError(e.what());
            }
        };
        if (vx::FileExists(name)) {
            try {
                open();
                return;
            } catch (const EDBFError&) {
                // Not a memo file (shorter than its header): replaced below.
            }
        }
        if (!dbf.Memo->CreateMemoFile()) dbf.Fail(" - Error in create memo file!");
        open();
    }

    // Writes the descriptors and, unless only they change, the terminator and behind it the
    // bytes that followed the terminator when the table was opened (the backlink area of
    // versions 0x30 and 0x31, any padding), under the lock. The header length has changed by
    // whole descriptors, so those bytes fit exactly.
    static void WriteStructureArea(TDBF& dbf, bool descriptorsOnly) {
        TDBF::TLockGuard lock(dbf, 0);
        const int64_t areaEnd = DbfHeaderSize + int64_t(dbf.FieldCount) * FieldDescriptorSize;
        dbf.WriteOrFail(DbfHeaderSize, dbf.Descriptors.data(), size_t(dbf.FieldCount) * FieldDescriptorSize,
                        " - Error in write DBF field type!");
        if (descriptorsOnly) return;
        dbf.WriteOrFail(areaEnd, &HeaderTerminator, 1, " - Error in write DBF head terminative char!");
        dbf.Terminator = HeaderTerminator;
        std::string tail = dbf.HeaderTail;
        tail.resize(size_t(std::max<int64_t>(0, int64_t(dbf.GetHeaderLength()) - (areaEnd + 1))), '\0');
        if (!tail.empty()) dbf.WriteOrFail(areaEnd + 1, tail.data(), tail.size(), " - Error in write DBF!");
    }

    static void CheckWritable(const TDBF& dbf) {
        dbf.CheckActive(true);
        if (dbf.ReadOnly || !dbf.Stream || !dbf.Stream->Writable()) dbf.Fail(" - The file is opened read-only!");
    }

    static void CheckRecordLength(const TDBF& dbf, uint8_t length) {
        if (length == 0) dbf.Fail(" - Invalid field length!");
        if (int64_t(dbf.GetRecordLength()) + length > MaxRecordLength ||
            int64_t(dbf.GetHeaderLength()) + int64_t(FieldDescriptorSize) > MaxRecordLength)
            dbf.Fail(" - Record length can not more than 65535!");
    }

    // Everything that can refuse a new field, checked before anything is written.
    static void CheckNewField(const TDBF& dbf, char type, uint8_t length, uint8_t decimals, const std::string& fill) {
        CheckWritable(dbf);
        CheckRecordLength(dbf, length);
        if (BinarySize(type) > length) dbf.Fail(" - Invalid field length!");
        const uint8_t version = VersionAfter(dbf, type);
        if (IsMemoType(type)) {
            CheckMemoNotMissing(dbf);
            if (vx::MemoLayoutOfVersion(version) == TMemoLayout::None) dbf.Fail(" - This table type has no memo file!");
            if (!HasReferenceLayout(type, length, version)) dbf.Fail(" - Unsupported memo field!");
        }
        FillImage(type, length, decimals, version, fill);  // raises the conversion error
    }

    // Offset of a field appended behind the last one.
    static uint32_t EndOfFields(const TDBF& dbf) {
        uint32_t offset = 1;
        for (int i = 0; i < dbf.FieldCount; ++i) offset += dbf.Descriptors[size_t(i) * FieldDescriptorSize + 16];
        return offset;
    }

    static void Step(TDBF& dbf, const char* step, int64_t recIndex) {
        if (dbf.StructureFaultHook) dbf.StructureFaultHook(step, recIndex);
    }

    // Rebuilds records of the table's layout with a new field behind the last field, where
    // reading the widened table will look for it; any padding of an old record follows it.
    // Every record gets the same bytes in the new field, except memo fields: each record
    // then gets a memo of its own, and making the widener opens or creates the memo file.
    class TWidener {
    public:
        TWidener(TDBF& dbf, char type, uint8_t length, uint8_t decimals, const std::string& fill)
            : Dbf(dbf), Type(type), Length(length), Fill(fill), OldLength(dbf.GetRecordLength()),
              At(std::min<size_t>(EndOfFields(dbf), OldLength)), Desc(MakeDescriptor(type, uint32_t(At), length, decimals)),
              MemoField(Desc.data()) {
            if (type != 'M') {
                Image = FillImage(type, length, decimals, dbf.GetVersion(), fill);
                return;
            }
            PrepareMemo(dbf, type);
            MemoField.SetVersion(dbf.GetVersion());
            if (!MemoField.HasMemoLayout()) throw EDBFError("Unsupported memo field!");
        }
        size_t OldRecordLength() const { return OldLength; }
        size_t NewRecordLength() const { return OldLength + Length; }

        // `rec` (NewRecordLength bytes) := `old` (OldRecordLength bytes) with the new field.
        void Widen(const uint8_t* old, uint8_t* rec) {
            std::memcpy(rec, old, At);
            std::memcpy(rec + At + Length, old + At, OldLength - At);
            if (Type != 'M') {
                std::memcpy(rec + At, Image.data(), Length);
                return;
            }
            std::memset(rec + At, Blank, Length);
            MemoField.SetRecordBuffer(rec, NewRecordLength());
            int32_t block = NoMemoBlock;
            if (!Fill.empty()) {
                block = Dbf.Memo->WriteMemo(NoMemoBlock, Fill);
                if (block == NoMemoBlock) Dbf.Fail(" - Error in write memo!");
            }
            MemoField.SetMemoBlock(block);
        }

    private:
        TDBF& Dbf;
        const char Type;
        const size_t Length;
        const std::string& Fill;
        const size_t OldLength, At;
        const TFieldDescriptor Desc;
        TField MemoField;
        std::string Image;
    };

    // Rebuilds records of the layout before RemoveFieldDefs with only the remaining fields,
    // which still carry their old offsets: the deletion flag, then each remaining field's
    // bytes one after the other. Fields that lay side by side are copied as one piece.
    class TNarrower {
    public:
        TNarrower(const TDBF& dbf, uint16_t oldRecordLength) : OldLength(oldRecordLength), NewLength(dbf.GetRecordLength()) {
            size_t pos = 1;
            for (int i = 0; i < dbf.FieldCount; ++i) {
                const uint8_t* d = &dbf.Descriptors[size_t(i) * FieldDescriptorSize];
                const size_t from = dbfbytes::GetLE32(d + 12), len = d[16];
                if (from > OldLength || len > OldLength - from || len > NewLength - pos) dbf.Fail(" - Invalid field offset!");
                if (!Pieces.empty() && Pieces.back().From + Pieces.back().Length == from &&
                    Pieces.back().To + Pieces.back().Length == pos)
                    Pieces.back().Length += len;
                else if (len > 0)
                    Pieces.push_back({from, pos, len});
                pos += len;
            }
        }
        size_t OldRecordLength() const { return OldLength; }
        size_t NewRecordLength() const { return NewLength; }

        void Narrow(const uint8_t* old, uint8_t* rec) const {
            std::memset(rec, Blank, NewLength);
            rec[0] = old[0];
            for (const TPiece& p : Pieces) std::memcpy(rec + p.To, old + p.From, p.Length);
        }

    private:
        struct TPiece {
            size_t From, To, Length;
        };
        const size_t OldLength, NewLength;
        std::vector<TPiece> Pieces;
    };

    // Copies of the table file and of one memo file, kept while a change runs.
    class TSafetyCopy {
    public:
        TSafetyCopy(TDBF& dbf, const std::string& memoName) : Dbf(dbf), TableName(dbf.FileName), MemoName(memoName) {
            TableCopy = FreeCopyName(TableName);
            if (!vx::CopyFile(TableName, TableCopy)) {
                vx::DeleteFile(TableCopy);
                Dbf.Fail(" - Can not copy the table before changing its structure!");
            }
            if (!MemoName.empty() && vx::FileExists(MemoName)) {
                MemoCopy = FreeCopyName(MemoName);
                if (!vx::CopyFile(MemoName, MemoCopy)) {
                    vx::DeleteFile(MemoCopy);
                    vx::DeleteFile(TableCopy);
                    Dbf.Fail(" - Can not copy the memo file before changing the table's structure!");
                }
            }
        }
        TSafetyCopy(const TSafetyCopy&) = delete;
        TSafetyCopy& operator=(const TSafetyCopy&) = delete;
        ~TSafetyCopy() {
            if (Keep) return;
            vx::DeleteFile(TableCopy);
            if (!MemoCopy.empty()) vx::DeleteFile(MemoCopy);
        }

        // Puts both files back as they were and opens the table again on its record. Raises
        // when they cannot be put back; the copies then stay beside the files.
        void Restore(const std::string& why) {
            const int64_t recNo = Dbf.CurrentRecNo;
            Dbf.Close();
            bool ok = vx::CopyFile(TableCopy, TableName);
            if (!MemoName.empty()) {
                if (!MemoCopy.empty()) ok = vx::CopyFile(MemoCopy, MemoName) && ok;
                else if (vx::FileExists(MemoName)) ok = vx::DeleteFile(MemoName) && ok;
            }
            if (!ok) {
                Keep = true;
                throw EDBFError(TableName + " - The table could not be restored after a failed structure change (" +
                                why + "); its copy is " + TableCopy +
                                (MemoCopy.empty() ? std::string() : " and " + MemoCopy) + ".");
            }
            Dbf.Open();
            if (recNo >= 1 && recNo <= int64_t(Dbf.HeaderRecordCount())) {
                try {
                    Dbf.Go(recNo);
                } catch (const EDBFError&) {
                }
            }
        }

    private:
        TDBF& Dbf;
        std::string TableName, MemoName, TableCopy, MemoCopy;
        bool Keep = false;
    };

    // Runs `change`; when it fails, restores the files and raises its error again.
    template <class F>
    static void Guarded(TDBF& dbf, TSafetyCopy& copy, F&& change) {
        try {
            change();
        } catch (const std::exception& e) {
            std::exception_ptr failure = std::current_exception();
            copy.Restore(e.what());
            std::rethrow_exception(failure);
        } catch (...) {
            std::exception_ptr failure = std::current_exception();
            copy.Restore("The structure change failed.");
            std::rethrow_exception(failure);
        }
        // The record buffer was replaced: read the current record again.
        if (dbf.CurrentRecNo >= 1 && dbf.CurrentRecNo <= int64_t(dbf.HeaderRecordCount())) {
            try {
                dbf.Go(dbf.CurrentRecNo);
            } catch (const EDBFError&) {
            }
        }
    }
};

// ---- adding a field ---------------------------------------------------------------------

bool TDBF::GrowForField(uint8_t length) {
    CheckActive(true);
    if (FieldCount >= MaxFieldCount) return false;
    TStructureChange::CheckRecordLength(*this, length);
    TLockGuard lock(*this, 0);
    const int64_t count = HeaderRecordCount();
    const int64_t at = int64_t(GetHeaderLength()) + count * GetRecordLength();
    const int64_t total = count * length + int64_t(FieldDescriptorSize);
    const int64_t oldSize = Stream->Size();
    try {
        static const std::vector<uint8_t> blanks(size_t(1) << 16, Blank);
        for (int64_t done = 0; done < total;) {
            const size_t n = size_t(std::min<int64_t>(total - done, int64_t(blanks.size())));
            WriteOrFail(at + done, blanks.data(), n, " - Error in write DBF!");
            done += int64_t(n);
        }
        // Exactly the widened table: nothing of an old end byte or partial record stays behind.
        TruncateOrFail(at + total);
    } catch (const EDBFError&) {
        if (oldSize >= 0 && Stream->Writable()) Stream->SetSize(oldSize);
        throw;
    }
    return true;
}

bool TDBF::WidenRecord(int64_t recIndex, char type, uint8_t length, uint8_t decimals, const std::string& fillText) {
    CheckActive(true);
    const int64_t count = GetRecordCount();
    if (recIndex < 0 || recIndex >= count) FailRange(recIndex + 1);
    const int64_t rl = GetRecordLength();
    const int64_t hl = GetHeaderLength();
    thread_local std::vector<uint8_t> old, rec;
    old.resize(size_t(rl));
    if (!Stream->ReadAt(hl + recIndex * rl, old.data(), old.size())) FailRange(recIndex + 1);
    TStructureChange::TWidener widener(*this, type, length, decimals, fillText);
    rec.resize(widener.NewRecordLength());
    widener.Widen(old.data(), rec.data());
    WriteOrFail(hl + int64_t(FieldDescriptorSize) + recIndex * int64_t(rec.size()), rec.data(), rec.size(),
                " - Error in write DBF!");
    return true;
}

int64_t TDBF::StructureBatchRecords(int64_t recordLength) {
    return std::max<int64_t>(1, int64_t(StructureBatchBytes) / std::max<int64_t>(recordLength, 1));
}

void TDBF::WidenRecords(int64_t first, int64_t last, char type, uint8_t length, uint8_t decimals,
                        const std::string& fillText) {
    CheckActive(true);
    if (first > last) return;
    if (first < 0) FailRange(first + 1);
    const int64_t rl = GetRecordLength();
    const int64_t hl = GetHeaderLength();
    if (last >= int64_t(GetRecordCount())) FailRange(last + 1);
    TStructureChange::TWidener widener(*this, type, length, decimals, fillText);
    const size_t wide = widener.NewRecordLength();
    const int64_t batch = StructureBatchRecords(int64_t(wide));
    thread_local std::vector<uint8_t> old, rec;
    for (int64_t hi = last; hi >= first; hi -= batch) {
        const int64_t lo = std::max(first, hi - batch + 1);
        const size_t n = size_t(hi - lo + 1);
        TLockGuard lock(*this, 0);
        old.resize(n * size_t(rl));
        rec.resize(n * wide);
        if (!Stream->ReadAt(hl + lo * rl, old.data(), old.size())) FailRange(hi + 1);
        for (size_t k = n; k-- > 0;) widener.Widen(old.data() + k * size_t(rl), rec.data() + k * wide);
        WriteOrFail(hl + int64_t(FieldDescriptorSize) + lo * int64_t(wide), rec.data(), rec.size(),
                    " - Error in write DBF!");
    }
}

bool TDBF::AppendFieldDef(const std::string& name, char type, uint32_t offset, uint8_t length, uint8_t decimals) {
    CheckActive(true);
    if (FieldCount >= MaxFieldCount) return false;
    TStructureChange::CheckRecordLength(*this, length);
    // A table without records got no memo file from WidenRecord.
    if (IsMemoType(type) && !Memo->GetOpened()) {
        const uint8_t version = TStructureChange::VersionAfter(*this, type);
        if (vx::MemoLayoutOfVersion(version) != TMemoLayout::None && HasReferenceLayout(type, length, version))
            TStructureChange::PrepareMemo(*this, type);
    }
    const uint8_t version = GetVersion();

    uint8_t* d = &Descriptors[size_t(FieldCount) * FieldDescriptorSize];
    std::fill(d, d + FieldDescriptorSize, 0);
    std::memcpy(d, name.data(), std::min<size_t>(name.size(), 10));
    d[11] = static_cast<uint8_t>(type);
    dbfbytes::PutLE32(d + 12, offset);
    d[16] = length;
    d[17] = decimals;

    if (IsMemoType(type)) {
        if (MemoFieldCount == 0 && (version == 0x30 || version == 0x31)) Header[28] |= 0x02;
        ++MemoFieldCount;
    }
    dbfbytes::PutLE16(&Header[8], static_cast<uint16_t>(GetHeaderLength() + FieldDescriptorSize));
    dbfbytes::PutLE16(&Header[10], static_cast<uint16_t>(GetRecordLength() + length));
    ++FieldCount;

    RecordBuffer.assign(size_t(2) * GetRecordLength(), 0);
    auto field = std::make_unique<TField>(d);
    field->SetVersion(version);
    FieldList.Add(std::move(field));
    PointFields();

    WriteHeader();  // raises " - Error in write DBF head structure!"
    TStructureChange::WriteStructureArea(*this, false);
    return true;
}

// ---- removing fields --------------------------------------------------------------------

bool TDBF::RemoveFieldDefs(const int32_t* indexes, int32_t count) {
    CheckActive(true);
    if (!indexes || count < 1) return false;
    for (int32_t k = 0; k < count; ++k)
        if (indexes[k] < 0 || indexes[k] >= FieldCount || (k > 0 && indexes[k] <= indexes[k - 1]))
            Fail(" - Invalid field index!");
    if (count == FieldCount) return false;

    for (int32_t k = count - 1; k >= 0; --k) {
        uint8_t* slot = &Descriptors[size_t(indexes[k]) * FieldDescriptorSize];
        uint8_t* end = &Descriptors[size_t(FieldCount) * FieldDescriptorSize];
        std::memmove(slot, slot + FieldDescriptorSize, size_t(end - slot) - FieldDescriptorSize);
        std::fill(end - FieldDescriptorSize, end, 0);
        --FieldCount;
    }
    uint32_t recordLength = 1;
    MemoFieldCount = 0;
    for (int i = 0; i < FieldCount; ++i) {
        const uint8_t* d = &Descriptors[size_t(i) * FieldDescriptorSize];
        recordLength += d[16];
        if (IsMemoType(static_cast<char>(d[11]))) ++MemoFieldCount;
    }
    dbfbytes::PutLE16(&Header[8], static_cast<uint16_t>(GetHeaderLength() - FieldDescriptorSize * size_t(count)));
    dbfbytes::PutLE16(&Header[10], static_cast<uint16_t>(recordLength));
    RebuildFields();

    WriteHeader();
    TStructureChange::WriteStructureArea(*this, false);
    return true;
}

bool TDBF::NarrowRecord(int64_t recIndex, uint16_t oldRecordLength, int32_t count) {
    CheckActive(true);
    if (oldRecordLength < 1 || count < 0) FailRange(recIndex + 1);
    const int64_t hl = GetHeaderLength();
    const int64_t oldHl = hl + int64_t(FieldDescriptorSize) * count;
    const TStructureChange::TNarrower narrower(*this, oldRecordLength);
    const size_t rl = narrower.NewRecordLength();
    thread_local std::vector<uint8_t> old, rec;
    old.resize(oldRecordLength);
    rec.resize(rl);
    if (recIndex < 0 || !Stream->ReadAt(oldHl + recIndex * oldRecordLength, old.data(), old.size()))
        FailRange(recIndex + 1);
    narrower.Narrow(old.data(), rec.data());
    WriteOrFail(hl + recIndex * int64_t(rl), rec.data(), rl, " - Error in write DBF!");
    return true;
}

void TDBF::NarrowRecords(int64_t first, int64_t last, uint16_t oldRecordLength, int32_t count) {
    CheckActive(true);
    if (first > last) return;
    if (oldRecordLength < 1 || count < 0 || first < 0) FailRange(first + 1);
    const int64_t hl = GetHeaderLength();
    const int64_t oldHl = hl + int64_t(FieldDescriptorSize) * count;
    const TStructureChange::TNarrower narrower(*this, oldRecordLength);
    const size_t rl = narrower.NewRecordLength();
    const int64_t batch = StructureBatchRecords(std::max<int64_t>(oldRecordLength, int64_t(rl)));
    thread_local std::vector<uint8_t> old, rec;
    for (int64_t lo = first; lo <= last; lo += batch) {
        const int64_t hi = std::min(last, lo + batch - 1);
        const size_t n = size_t(hi - lo + 1);
        TLockGuard lock(*this, 0);
        old.resize(n * oldRecordLength);
        rec.resize(n * rl);
        if (!Stream->ReadAt(oldHl + lo * oldRecordLength, old.data(), old.size())) FailRange(hi + 1);
        for (size_t k = 0; k < n; ++k) narrower.Narrow(old.data() + k * oldRecordLength, rec.data() + k * rl);
        WriteOrFail(hl + lo * int64_t(rl), rec.data(), rec.size(), " - Error in write DBF!");
    }
}

void TDBF::FinishFieldRemoval() {
    CheckActive(true);
    const int64_t count = GetRecordCount();
    TruncateOrFail(int64_t(GetHeaderLength()) + count * GetRecordLength());
    RecomputeOffsets();
    TStructureChange::WriteStructureArea(*this, true);
}

// ---- whole changes ----------------------------------------------------------------------

bool TDBF::AddField(const std::string& name, char type, uint8_t length, uint8_t decimals, const std::string& fillText,
                    const TStructureProgress& progress) {
    CheckActive(true);
    if (FieldCount >= MaxFieldCount) return false;
    TStructureChange::CheckNewField(*this, type, length, decimals, fillText);
    // The whole change holds the table's lock (the steps' own locks nest inside it), so that no
    // other program writes the table while it holds records of two layouts.
    TLockGuard whole(*this, 0);
    // Refuses a table whose structure another program changed, and takes the header as the
    // file holds it now, so that the header written keeps what other programs put there.
    ReloadHeaderUnlocked();
    CheckFilesInPlace();  // and refuses one whose file is gone: the copy would bring it back
    CheckShownWhere(HeaderRecordCount(), EveryRecord);  // every record changes
    const std::string memoName =
        type == 'M' || (IsMemoType(type) && !Memo->GetOpened())
            ? TStructureChange::MemoNameFor(*this, TStructureChange::VersionAfter(*this, type))
            : std::string();
    TStructureChange::TSafetyCopy copy(*this, memoName);
    TStructureChange::Guarded(*this, copy, [&] {
        const int64_t count = GetRecordCount();
        TStructureChange::Step(*this, "grow", -1);
        if (!GrowForField(length)) Fail(" - Fields count can not more than 254.");
        const int64_t batch = StructureBatchRecords(int64_t(GetRecordLength()) + length);
        for (int64_t last = count - 1; last >= 0; last -= batch) {
            const int64_t first = std::max<int64_t>(0, last - batch + 1);
            for (int64_t i = last; i >= first; --i) TStructureChange::Step(*this, "widen", i);
            WidenRecords(first, last, type, length, decimals, fillText);
            if (progress)
                for (int64_t i = last; i >= first; --i) progress(i, count);
        }
        TStructureChange::Step(*this, "append", -1);
        const uint32_t offset = TStructureChange::EndOfFields(*this);
        if (!AppendFieldDef(name, type, offset, length, decimals)) Fail(" - Fields count can not more than 254.");
    });
    return true;
}

std::string TDBF::NewFieldImage(char type, uint8_t length, uint8_t decimals, const std::string& fillText) const {
    return FillImage(type, length, decimals, TStructureChange::VersionAfter(*this, type), fillText);
}

bool TDBF::RemoveFields(const int32_t* indexes, int32_t count, const TStructureProgress& progress) {
    TStructureChange::CheckWritable(*this);
    if (!indexes || count < 1) return false;
    for (int32_t k = 0; k < count; ++k)
        if (indexes[k] < 0 || indexes[k] >= FieldCount || (k > 0 && indexes[k] <= indexes[k - 1]))
            Fail(" - Invalid field index!");
    if (count >= FieldCount) return false;
    TLockGuard whole(*this, 0);  // as in AddField
    ReloadHeaderUnlocked();
    CheckFilesInPlace();
    CheckShownWhere(HeaderRecordCount(), EveryRecord);
    TStructureChange::TSafetyCopy copy(*this, std::string());
    TStructureChange::Guarded(*this, copy, [&] {
        const int64_t records = GetRecordCount();
        const uint16_t oldRecordLength = GetRecordLength();
        TStructureChange::Step(*this, "remove", -1);
        if (!RemoveFieldDefs(indexes, count)) Fail(" - Invalid field index!");
        const int64_t batch = StructureBatchRecords(oldRecordLength);
        for (int64_t first = 0; first < records; first += batch) {
            const int64_t last = std::min(records, first + batch) - 1;
            for (int64_t i = first; i <= last; ++i) TStructureChange::Step(*this, "narrow", i);
            NarrowRecords(first, last, oldRecordLength, count);
            if (progress)
                for (int64_t i = first; i <= last; ++i) progress(i, records);
        }
        TStructureChange::Step(*this, "finish", -1);
        FinishFieldRemoval();
    });
    return true;
}
