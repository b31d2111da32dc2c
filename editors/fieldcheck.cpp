#include "editors/fieldcheck.h"

#include "common/bytetext.h"
#include "common/valuetext.h"
#include "editors/fieldtypes.h"


namespace fieldcheck {

using namespace fieldtypes;

namespace {

TCheck Fail(const char* message, TControl control) { return {QString::fromLatin1(message), control}; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

// The bytes of a typed value, or the code page's refusal on `control`.
TCheck ToBytes(const QString& text, std::string& out, TControl control) {
    QString bad;
    std::optional<std::string> bytes = TryTextToBytes(text, &bad);
    if (!bytes) return {CannotHoldMessage(bad), control};
    out = std::move(*bytes);
    return {};
}

const char* WidthError = "Field width error!";
const char* DecimalError = "Field decimal error!";
const char* FormatError = "Fill value format error!";
const char* LengthError = "Fill value length error!";

}  // namespace

QString TrimmedName(const QString& typed) {
    qsizetype b = 0, e = typed.size();
    while (b < e && typed.at(b).unicode() < 33) ++b;
    while (e > b && typed.at(e - 1).unicode() < 33) --e;
    return typed.mid(b, e - b);
}

bool SameFieldName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

TCheck CheckName(const QString& typed, std::string& name) {
    const QString n = TrimmedName(typed);
    if (n.isEmpty()) return Fail("Name not allow null value!", cName);
    if (TCheck c = ToBytes(n, name, cName); !c.Ok()) return c;
    if (name.size() > 10) return Fail("Field name length <= 10!", cName);
    if (n.contains(QLatin1Char(' '))) return Fail("Name not allow blank char!", cName);
    return {};
}

namespace {

// The width and decimals the chosen type allows; a character field's bad width is told with
// `characterWidthError`.
TCheck CheckSize(const TFieldInput& in, const char* characterWidthError) {
    switch (in.TypeIndex) {
    case tiCharacter:
        if (in.Width < 1 || in.Width > 254) return Fail(characterWidthError, cWidth);
        if (in.Decimals != 0) return Fail(DecimalError, cDecimal);
        break;
    case tiNumeric:
    case tiFloat:
        if (in.Width < 1 || in.Width > 20) return Fail(WidthError, cWidth);
        if (in.Decimals < 0 || in.Decimals > in.Width - 1) return Fail(DecimalError, cDecimal);
        break;
    case tiDouble:
        if (in.Decimals < 0 || in.Decimals > 18) return Fail(DecimalError, cDecimal);
        break;
    default:
        break;
    }
    return {};
}

}  // namespace

TCheck CheckDesignField(const TFieldInput& in, const std::vector<std::string>& otherNames, std::string& name) {
    if (TCheck c = CheckName(in.Name, name); !c.Ok()) return c;
    if (in.TypeIndex < 0) return Fail("Type not allow null value!", cType);
    for (const std::string& other : otherNames)
        if (SameFieldName(name, other)) return Fail("Field name already exist!", cName);
    return CheckSize(in, "field width error!");
}

TCheck NormaliseFill(char type, int width, int decimals, const QString& fill, std::string& out) {
    std::string typed;
    if (TCheck c = ToBytes(fill, typed, cFill); !c.Ok()) return c;
    const std::string trimmed(valuetext::Trim(typed));
    out.clear();
    auto fits = [&](const std::string& s) { return int64_t(s.size()) <= width; };
    switch (type) {
    case 'C': {
        std::string value(valuetext::TrimRight(typed));
        if (!fits(value)) return Fail(LengthError, cFill);
        out = std::move(value);
        return {};
    }
    case 'M':
        if (typed.size() > 4096) return Fail("To long!", cFill);
        out = std::move(typed);
        return {};
    case 'G':
        return {};  // a new general field holds no contents
    default:
        break;
    }
    if (trimmed.empty()) return {};
    switch (type) {
    case 'N':
    case 'F': {
        double v = 0;
        if (!valuetext::ReadDouble(trimmed, v)) return Fail(FormatError, cFill);
        if (!valuetext::DecimalToFixedText(trimmed, width, decimals, out)) return Fail(LengthError, cFill);
        return {};
    }
    case 'D': {
        TDateTimeParts d;
        if (!valuetext::ReadDateText(trimmed, d)) return Fail(FormatError, cFill);
        std::string date = valuetext::FormatDate(d);
        out = date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2);
        if (!fits(out)) return Fail(LengthError, cFill);
        return {};
    }
    case 'L':
        if (trimmed != "T" && trimmed != "F") return Fail(FormatError, cFill);
        if (!fits(trimmed)) return Fail(LengthError, cFill);
        out = trimmed;
        return {};
    case 'T': {
        TDateTimeParts d;
        if (!valuetext::ReadDateTimeText(trimmed, d)) return Fail(FormatError, cFill);
        out = valuetext::DateTimeToText(d);
        return {};
    }
    case 'I': {
        int32_t v = 0;
        if (!valuetext::ReadInt32(trimmed, v)) return Fail(FormatError, cFill);
        if (trimmed.size() > 11) return Fail(LengthError, cFill);
        out = std::to_string(v);
        return {};
    }
    case 'Y': {
        int64_t v = 0;
        if (!valuetext::ReadCurrency(trimmed, v)) return Fail(FormatError, cFill);
        out = valuetext::CurrToStr(v);
        return {};
    }
    case 'B': {
        double v = 0;
        if (!valuetext::ReadDouble(trimmed, v)) return Fail(FormatError, cFill);
        out = valuetext::FloatToStrGeneral(v);
        return {};
    }
    default:
        return {};
    }
}

TCheck CheckNewField(const TFieldInput& in, const std::function<bool(const std::string&)>& exists, TIptFieldRec& rec) {
    std::string name;
    if (TCheck c = CheckName(in.Name, name); !c.Ok()) return c;
    if (in.TypeIndex < 0) return Fail("Type not allow null value!", cType);
    TIptFieldRec r;
    r.Name = name;
    r.Type = TypeLetter(in.TypeIndex);
    r.Width = in.Width;
    r.Decimals = in.Decimals;
    if (exists && exists(name)) return Fail("Field name already exist!", cName);
    if (TCheck c = CheckSize(in, WidthError); !c.Ok()) return c;
    if (TCheck c = NormaliseFill(r.Type, in.Width, in.Decimals, in.Fill, r.FillValue); !c.Ok()) return c;
    rec = std::move(r);
    return {};
}

}  // namespace fieldcheck
