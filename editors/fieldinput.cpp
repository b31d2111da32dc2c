#include "editors/fieldinput.h"

#include "common/bytetext.h"
#include "common/valuetext.h"
#include "controls/dateutil.h"
#include "engine/dbf.h"

#include <algorithm>

namespace recedit {

namespace {

// Characters an input of these types takes.
constexpr int CurrencyDoubleMaxLength = 20;
constexpr int IntegerMaxLength = 11;

QString DateFormatOfInputs() { return DefaultDateFormat(DefaultFourDigits()); }

// The date edit's text of a date; the blank text when it is no date.
QString DateText(int year, int month, int day) {
    TDateTime date = EmptyDate;
    if (!TryEncodeDate(year, month, day, date)) return BytesToText(valuetext::BlankDateText);
    return FormatDate(DateFormatOfInputs(), date);
}

// A date edit's text that holds no date at all: nothing but blanks and separators.
bool IsBlankDateInput(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// The date a date edit's text stands for; false for a blank text or one that is no date.
bool ReadDate(const QString& text, TDateTimeParts& out) {
    TDateTime date = EmptyDate;
    if (!TryTextToDate(DateFormatOfInputs(), text, date) || date == EmptyDate) return false;
    return TryDecodeDate(date, out.Year, out.Month, out.Day);
}

TInputKind KindOf(const TField& f, bool memoOpen, bool& enabled) {
    enabled = true;
    switch (f.GetFieldType()) {
    case 'D': return TInputKind::Date;
    case 'T': return f.GetLength() >= 8 ? TInputKind::DateTime : TInputKind::ReadOnly;
    case 'L': return TInputKind::Logical;
    case 'M':
        if (!f.HasMemoLayout()) return TInputKind::ReadOnly;
        enabled = memoOpen;
        return TInputKind::Memo;
    case 'Y': return f.GetLength() >= 8 ? TInputKind::Currency : TInputKind::ReadOnly;
    case 'I': return f.GetLength() >= 4 ? TInputKind::Integer : TInputKind::ReadOnly;
    case 'B': return f.GetLength() >= 8 ? TInputKind::Double : TInputKind::ReadOnly;
    case 'N':
    case 'F': return TInputKind::Number;
    case 'C': return TInputKind::Text;
    default: return TInputKind::ReadOnly;
    }
}

QString Trimmed(const TField& f) { return BytesToText(valuetext::Trim(f.GetAsView())); }

}  // namespace

QString DataFormatErrorText() { return QStringLiteral("Data Format Error!"); }

QString MemoStateText(const QString& memo) {
    return memo.isEmpty() ? QStringLiteral("Empty memo") : QStringLiteral("Full memo");
}

std::vector<TInputField> InputFields(TDBF& dbf) {
    std::vector<TInputField> fields;
    const bool memoOpen = dbf.GetMemoOpened();
    for (int i = 0; i < dbf.FieldCount; ++i) {
        const TField* f = dbf.GetField(i);
        if (!f) continue;
        TInputField s;
        s.Index = i;
        s.Name = BytesToText(f->GetName());
        s.Type = f->GetFieldType();
        s.Length = f->GetLength();
        s.Decimals = f->GetDecimals();
        s.Kind = KindOf(*f, memoOpen, s.Enabled);
        switch (s.Kind) {
        case TInputKind::Currency:
        case TInputKind::Double: s.MaxLength = CurrencyDoubleMaxLength; break;
        case TInputKind::Integer: s.MaxLength = IntegerMaxLength; break;
        case TInputKind::Number:
        case TInputKind::Text: s.MaxLength = s.Length; break;
        default: break;
        }
        fields.push_back(s);
    }
    return fields;
}

TFieldInput LoadInput(TDBF& dbf, const TInputField& field) {
    TFieldInput in;
    const TField* f = dbf.GetField(field.Index);
    if (!f) return in;
    switch (field.Kind) {
    case TInputKind::Date: {
        int y = 0, m = 0, d = 0;
        in.Text = valuetext::ParseStoredDate(f->GetAsView(), y, m, d) ? DateText(y, m, d)
                                                                      : BytesToText(valuetext::BlankDateText);
        break;
    }
    case TInputKind::DateTime: {
        // A value whose day number is no day of the years 1 to 9999 (a blank field holds 0)
        // shows a blank date.
        int y = 0, m = 0, d = 0;
        if (DateOfDayCount(int64_t(f->GetAsInteger()) - JulianDayOffset, y, m, d)) {
            const TDateTimeParts t = f->GetAsDateTime();
            in.Text = DateText(t.Year, t.Month, t.Day);
            in.Hour = t.Hour;
            in.Minute = t.Minute;
            in.Second = t.Second;
        } else {
            in.Text = BytesToText(valuetext::BlankDateText);
        }
        break;
    }
    case TInputKind::Logical: {
        const QString v = Trimmed(*f);
        in.Text = v == QLatin1String("T") || v == QLatin1String("F") ? v : QString();
        break;
    }
    case TInputKind::Memo: {
        if (!dbf.GetMemoOpened()) break;
        // Read without touching the record: a memo that cannot be read keeps its reference.
        std::string text;
        bool ok = true;
        dbf.GetMemoObject().ReadMemo(f->GetMemoBlock(), ok, text);
        if (ok) in.Text = BytesToText(text);
        break;
    }
    case TInputKind::Currency: in.Text = BytesToText(valuetext::CurrToStr(f->GetAsCurrency())); break;
    case TInputKind::Integer: in.Text = QString::number(f->GetAsInteger()); break;
    case TInputKind::Double:
        in.Text = BytesToText(valuetext::FormatFixed(f->GetAsDouble(), f->GetDecimals()));
        break;
    case TInputKind::Number:
    case TInputKind::Text: in.Text = Trimmed(*f); break;
    case TInputKind::ReadOnly:
        // A memo reference of no known layout cannot be followed: nothing to show.
        if (field.Type == 'G') in.Text = QStringLiteral("Gen");
        else if (field.Type != 'M') in.Text = BytesToText(valuetext::DisplayText(dbf, *f));
        break;
    }
    return in;
}

TFieldInput NewRecordInput(const TInputField& field) {
    TFieldInput in;
    switch (field.Kind) {
    case TInputKind::Date:
    case TInputKind::DateTime: in.Text = BytesToText(valuetext::BlankDateText); break;
    case TInputKind::Logical: in.Text = QStringLiteral("F"); break;
    default: break;
    }
    return in;
}

std::optional<QString> ConvertInput(const TInputField& field, const TFieldInput& input, TFieldWrite& out) {
    out = TFieldWrite();
    out.Field = field.Index;
    if (field.Kind == TInputKind::ReadOnly) return std::nullopt;
    out.Op = TFieldWrite::TOp::Blank;
    QString bad;
    const std::optional<std::string> bytes = TryTextToBytes(input.Text, &bad);
    if (!bytes) return CannotHoldMessage(bad);
    const std::string_view trimmed = valuetext::Trim(*bytes);
    switch (field.Kind) {
    case TInputKind::Date: {
        if (IsBlankDateInput(input.Text)) return std::nullopt;  // the blank date
        TDateTimeParts d;
        if (!ReadDate(input.Text, d)) return DataFormatErrorText();
        out.Op = TFieldWrite::TOp::String;
        out.Bytes = valuetext::FormatDate(d);
        out.Bytes.erase(std::remove(out.Bytes.begin(), out.Bytes.end(), '-'), out.Bytes.end());
        return std::nullopt;
    }
    case TInputKind::DateTime: {
        if (IsBlankDateInput(input.Text)) return std::nullopt;  // the blank date-time
        TDateTimeParts t;
        if (!ReadDate(input.Text, t)) return DataFormatErrorText();
        t.Hour = input.Hour;
        t.Minute = input.Minute;
        t.Second = input.Second;
        out.Op = TFieldWrite::TOp::DateTime;
        out.DateTime = t;
        return std::nullopt;
    }
    case TInputKind::Logical:
    case TInputKind::Text:
        if (ByteLength(input.Text) > static_cast<size_t>(field.Length)) return DataFormatErrorText();
        out.Op = TFieldWrite::TOp::String;
        out.Bytes = *bytes;
        return std::nullopt;
    case TInputKind::Memo:
        out.Op = TFieldWrite::TOp::Memo;
        out.Bytes = *bytes;
        return std::nullopt;
    case TInputKind::Currency:
        if (trimmed.empty()) return std::nullopt;
        out.Op = TFieldWrite::TOp::Currency;
        if (!valuetext::ReadCurrency(trimmed, out.Integer)) return DataFormatErrorText();
        return std::nullopt;
    case TInputKind::Integer: {
        if (trimmed.empty()) return std::nullopt;
        int32_t v = 0;
        if (!valuetext::ReadInt32(trimmed, v)) return DataFormatErrorText();
        out.Op = TFieldWrite::TOp::Integer;
        out.Integer = v;
        return std::nullopt;
    }
    case TInputKind::Double:
        if (trimmed.empty()) return std::nullopt;
        out.Op = TFieldWrite::TOp::Double;
        if (!valuetext::ReadDouble(trimmed, out.Double)) return DataFormatErrorText();
        return std::nullopt;
    case TInputKind::Number: {
        out.Op = TFieldWrite::TOp::String;  // an empty input leaves the field blank
        if (trimmed.empty()) return std::nullopt;
        if (!valuetext::DecimalToFixedText(trimmed, field.Length, field.Decimals, out.Bytes))
            return DataFormatErrorText();
        return std::nullopt;
    }
    case TInputKind::ReadOnly: break;
    }
    return std::nullopt;
}

}  // namespace recedit
