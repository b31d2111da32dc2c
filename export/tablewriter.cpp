// The four table kinds: the output fields come from the chosen source fields through the
// kind's type mapping; the file and its memo file are created through the engine, then the
// records are built one by one in a record image of our own with the engine's field setters
// and appended in large batches.
#include "common/codepage.h"
#include "common/valuetext.h"
#include "engine/dbf.h"
#include "engine/dbfmemo.h"
#include "export/writers.h"
#include "export/writerutil.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

// How a value goes from the source field to the output field.
enum class TCopy {
    Raw,             // the stored bytes (C, N and F of unchanged width and decimals, others)
    Number,          // N, F of another width or decimals: through the number
    Date,            // D -> D
    DateTime,        // T -> T
    DateOfDateTime,  // T -> D
    Currency,        // Y -> Y
    CurrencyNumber,  // Y -> N, F: the exact decimal text of the 64-bit value
    Integer,         // I -> I
    IntegerNumber,   // I -> N
    Double,          // B -> B
    DoubleNumber,    // B -> N, F
    Logical,
    Memo,            // a new memo in the output's memo file, or none
    NoReference,     // G, P: the "none" reference; their blocks are not carried
};

struct TFieldPlan {
    const TField* Source = nullptr;
    std::string Name;
    char SourceType = 'C';
    char Type = 'C';
    uint8_t Width = 0;
    uint8_t Decimals = 0;
    TCopy Copy = TCopy::Raw;
    uint32_t OutOffset = 0;  // in the output record
};

bool IsMemoType(char t) { return t == 'M' || t == 'G' || t == 'P'; }
bool IsNumber(char t) { return t == 'N' || t == 'F'; }

// The kind's type mapping: a letter not named keeps its type, width and decimals.
void MapField(TOutputKind kind, TFieldPlan& p) {
    const bool vfp = kind == TOutputKind::VisualFoxPro;
    const bool fox2 = kind == TOutputKind::FoxPro2;
    switch (p.SourceType) {
    case 'F':
        if (!vfp && !fox2) p.Type = 'N';
        break;
    case 'T':
        if (!vfp) p.Type = 'D', p.Width = 8, p.Decimals = 0;
        break;
    case 'Y':
        if (!vfp) p.Type = fox2 ? 'F' : 'N', p.Width = 20, p.Decimals = 4;
        break;
    case 'I':
        if (!vfp) p.Type = 'N', p.Width = 11, p.Decimals = 0;
        break;
    case 'B':
        if (!vfp) p.Type = fox2 ? 'F' : 'N', p.Width = 20;
        break;
    case 'M': p.Width = vfp ? 4 : 10; break;
    case 'G':
    case 'P':
        p.Width = vfp ? 4 : 10;
        if (!vfp && !fox2) p.Type = 'M';
        break;
    default: break;
    }
}

TCopy CopyKind(const TFieldPlan& p, const TField& source) {
    switch (p.SourceType) {
    case 'D': return TCopy::Date;
    case 'T': return p.Type == 'T' ? TCopy::DateTime : TCopy::DateOfDateTime;
    case 'Y': return p.Type == 'Y' ? TCopy::Currency : TCopy::CurrencyNumber;
    case 'I': return p.Type == 'I' ? TCopy::Integer : TCopy::IntegerNumber;
    case 'B': return p.Type == 'B' ? TCopy::Double : TCopy::DoubleNumber;
    case 'L': return TCopy::Logical;
    case 'M': return TCopy::Memo;
    case 'G':
    case 'P': return TCopy::NoReference;
    case 'N':
    case 'F':
        return IsNumber(p.Type) && p.Width == source.GetLength() && p.Decimals == source.GetDecimals() ? TCopy::Raw
                                                                                                      : TCopy::Number;
    default: return TCopy::Raw;
    }
}

// Eight digits that name a real day: such a date is copied as it stands.
bool IsPlainDate(std::string_view v) {
    if (v.size() != 8) return false;
    for (char c : v)
        if (c < '0' || c > '9') return false;
    auto num = [&](size_t from, size_t n) {
        int x = 0;
        for (size_t i = from; i < from + n; ++i) x = x * 10 + (v[i] - '0');
        return x;
    };
    return IsValidCalendarDate(num(0, 4), num(4, 2), num(6, 2));
}

// A date field's value; false when it is blank or no date.
bool ReadDate(const TField& f, TDateTimeParts& d) {
    d = f.GetAsDate();
    return d != NullDate || f.GetRawView() == "19000101";
}

// A date-time field's value; false when it is blank or no date-time.
bool ReadDateTime(const TField& f, TDateTimeParts& d) {
    if (valuetext::IsBlankDateTime(f)) return false;
    d = f.GetAsDateTime();
    if (d != NullDate) return true;
    uint8_t null[8] = {};
    dbfbytes::PutLE32(null, static_cast<uint32_t>(DayCount(1900, 1, 1) + JulianDayOffset));
    return f.GetRawView() == std::string_view(reinterpret_cast<const char*>(null), 8);
}

// A number's text right-aligned in an N or F field, or the field full of "*" when it is wider.
void SetNumberText(TField& out, std::string_view text) {
    if (text.size() > out.GetLength()) out.SetAsString(std::string(out.GetLength(), '*'));
    else out.SetAsString(text);
}

// Value x 10000 as a decimal text with four decimals.
void AppendScaled4(std::string& s, int64_t scaled) {
    const uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    if (scaled < 0) s += '-';
    valuetext::AppendInteger(s, static_cast<int64_t>(mag / 10000));
    const unsigned frac = static_cast<unsigned>(mag % 10000);
    s += '.';
    for (unsigned d = 1000; d; d /= 10) s += static_cast<char>('0' + frac / d % 10);
}

// Stored bytes into the record, blanks after them when the source holds fewer. A field is
// a few bytes to some dozens: copied eight at a time, without the start-up cost of a string
// instruction.
void PutBytes(uint8_t* to, std::string_view bytes, size_t width) {
    size_t n = std::min(bytes.size(), width);
    const char* from = bytes.data();
    const size_t blanks = width - n;
    for (; n >= 8; n -= 8, from += 8, to += 8) {
        uint64_t eight;
        std::memcpy(&eight, from, 8);
        std::memcpy(to, &eight, 8);
    }
    for (; n; --n) *to++ = uint8_t(*from++);
    for (size_t i = 0; i < blanks; ++i) to[i] = ' ';
}

struct TCopier {
    TDBF& Src;
    vx::TDBFMemo& Memo;
    bool MemoOn;
    uint16_t RecordLength;
    std::string Text;

    // Writes the value of `p` into the output record `rec`; `out` is the output field.
    void Copy(const TFieldPlan& p, TField& out, uint8_t* rec) {
        const TField& in = *p.Source;
        // The common cases go straight into the record.
        switch (p.Copy) {
        case TCopy::Raw: PutBytes(rec + p.OutOffset, in.GetRawView(), p.Width); return;
        case TCopy::Date:
            if (p.Width == 8 && IsPlainDate(in.GetRawView())) {
                PutBytes(rec + p.OutOffset, in.GetRawView(), 8);
                return;
            }
            break;
        case TCopy::Logical:
            if (p.Width == 1 && in.GetLength() == 1) {
                const std::string_view v = in.GetRawView();
                rec[p.OutOffset] = v.empty() || v[0] == '\0' ? ' ' : uint8_t(v[0]);
                return;
            }
            break;
        default: break;
        }
        out.SetRecordBuffer(rec, RecordLength);
        TDateTimeParts d;
        switch (p.Copy) {
        case TCopy::Raw: break;
        case TCopy::Number:
            if (valuetext::Trim(in.GetAsView()).empty()) out.SetAsString("");
            else out.SetAsFloat(in.GetAsFloat());
            break;
        case TCopy::Date:
        case TCopy::DateOfDateTime:
            if (p.Copy == TCopy::Date ? ReadDate(in, d) : ReadDateTime(in, d)) out.SetAsDate(d);
            else out.SetAsString("");  // eight blanks
            break;
        case TCopy::DateTime:
            if (ReadDateTime(in, d)) out.SetAsDateTime(d);
            else out.SetBlank();  // eight zero bytes
            break;
        case TCopy::Currency: out.SetAsCurrency(in.GetAsCurrency()); break;
        case TCopy::CurrencyNumber:
            Text.clear();
            if (p.Decimals == 4) {
                AppendScaled4(Text, in.GetAsCurrency());
                SetNumberText(out, Text);
            } else {
                out.SetAsFloat(double(in.GetAsCurrency()) / 10000.0);
            }
            break;
        case TCopy::Integer: out.SetAsInteger(in.GetAsInteger()); break;
        case TCopy::IntegerNumber:
            Text.clear();
            valuetext::AppendInteger(Text, in.GetAsInteger());
            SetNumberText(out, Text);
            break;
        case TCopy::Double: out.SetAsDouble(in.GetAsDouble()); break;
        case TCopy::DoubleNumber: out.SetAsFloat(in.GetAsDouble()); break;
        case TCopy::Logical: {
            std::string_view v = in.GetAsView();
            while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
            out.SetAsString(v);
            break;
        }
        case TCopy::Memo: {
            int32_t block = NoMemoBlock;
            Text.clear();
            if (MemoOn && in.HasMemoLayout()) Src.ReadMemoBlock(in.GetMemoBlock(), Text);
            if (!Text.empty()) {
                block = Memo.WriteMemo(NoMemoBlock, Text);
                if (block == NoMemoBlock) throw EDBFError(Memo.GetFileName() + " - Error in write memo!");
            }
            out.SetMemoBlock(block);
            break;
        }
        case TCopy::NoReference: out.SetMemoBlock(NoMemoBlock); break;
        }
    }
};

// The version byte of a table of the kind; `memo`: a source field is of a memo type.
uint8_t OutputVersion(TOutputKind kind, bool memo) {
    switch (kind) {
    case TOutputKind::VisualFoxPro: return 0x30;
    case TOutputKind::FoxPro2: return memo ? 0xF5 : 0x03;
    default: return memo ? 0x83 : 0x03;
    }
}

}  // namespace

void CheckTableOutputName(TOutputKind kind, const std::string& fileName, const TRowSource& rows) {
    for (const TOutColumn& c : OutputColumns(rows))
        if (IsMemoType(c.Type)) {
            NewMemoFileName(fileName, OutputVersion(kind, true));
            return;
        }
}

TWriteResult WriteTableFile(TOutputKind kind, const std::string& fileName, const TRowSource& rows,
                            TProgressSink& progress) {
    if (!IsTableKind(kind) || !StartOutput(rows, fileName)) return {};
    TDBF& src = *rows.Table;
    const std::vector<TOutColumn> columns = OutputColumns(rows);
    if (columns.size() > size_t(MaxFieldCount)) throw EDBFError(fileName + " - Invalid field count!");

    std::vector<TFieldPlan> plan;
    bool sourceMemo = false, outputMemo = false;
    unsigned recordLength = 1;
    for (const TOutColumn& c : columns) {
        TFieldPlan p;
        p.Source = c.Field;
        p.Name = c.Name;
        p.SourceType = p.Type = c.Type;
        p.Width = static_cast<uint8_t>(c.Width);
        p.Decimals = static_cast<uint8_t>(c.Decimals);
        MapField(kind, p);
        p.Copy = CopyKind(p, *c.Field);
        sourceMemo |= IsMemoType(p.SourceType);
        outputMemo |= IsMemoType(p.Type);
        recordLength += p.Width;
        plan.push_back(std::move(p));
    }
    const unsigned n = static_cast<unsigned>(plan.size());
    const uint8_t version = OutputVersion(kind, sourceMemo);
    uint8_t flags = 0;
    unsigned headerLength = 32 * n + 33;
    if (kind == TOutputKind::VisualFoxPro) {
        headerLength = 32 * n + 296;
        flags = outputMemo ? 0x02 : 0;
    }

    {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        TDBF def;
        def.SetFileName(fileName);
        for (const TFieldPlan& p : plan) def.AddFieldDef(p.Name, p.Type, 0, p.Width, p.Decimals);
        def.SetHeader(version, static_cast<uint8_t>(tm.tm_year % 100), static_cast<uint8_t>(tm.tm_mon + 1),
                      static_cast<uint8_t>(tm.tm_mday), 0, static_cast<uint16_t>(headerLength),
                      static_cast<uint16_t>(recordLength), flags, vx::OutputCodePage().TableMark);
        def.CreateTable();
    }

    TDBF out;
    out.SetFileName(fileName);
    out.Open();
    // Field objects of our own over the output's descriptors; the records are built in place
    // in a batch that goes to the file in one write.
    std::vector<TFieldDescriptor> descriptors(n);
    std::vector<std::unique_ptr<TField>> fields;
    for (unsigned i = 0; i < n; ++i) {
        out.GetFieldDescriptor(int(i), descriptors[i]);
        fields.push_back(std::make_unique<TField>(descriptors[i].data()));
        fields.back()->SetVersion(version);
        plan[i].OutOffset = fields.back()->GetOffset();
    }
    TCopier copier{src, out.GetMemoObject(), rows.Memo, static_cast<uint16_t>(recordLength), {}};
    const size_t batchRecords = std::max<size_t>(1, (size_t(1) << 20) / recordLength);
    std::vector<uint8_t> batch(batchRecords * recordLength);
    size_t filled = 0;
    auto flush = [&] {
        if (!filled) return;
        out.AppendRecords(batch.data(), filled);
        filled = 0;
    };
    TWriteResult result;
    try {
        result = ForEachRow(rows, progress, [&] {
            uint8_t* rec = batch.data() + filled * recordLength;
            std::memset(rec, ' ', recordLength);
            rec[0] = src.GetDeleted() ? '*' : ' ';
            for (unsigned i = 0; i < n; ++i) copier.Copy(plan[i], *fields[i], rec);
            if (++filled == batchRecords) flush();
            return true;
        });
        flush();
    } catch (...) {
        try {
            flush();  // the rows before the failure stay in the file
        } catch (...) {
        }
        throw;
    }
    out.Close();
    return result;
}
