#include "common/replace.h"

#include "common/rowsshown.h"
#include "common/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

std::string ReplacedText(std::string_view value, const TFindOptions& options) {
    if (options.Match == MatchWholeField) return options.ReplaceText;
    std::string out(value);
    if (options.Text.empty()) return out;
    const size_t at = out.find(options.Text);
    if (at != std::string::npos) out.replace(at, options.Text.size(), options.ReplaceText);
    return out;
}

namespace {

TFailure Quoted(const std::string& text, const std::string& what) {
    return {"'" + text + "' is not a valid " + what, true};
}

// Stores the text as valuetext::StoreRead does; the refusal names `what` when the text is no
// such value.
template <class V, class TSetter>
TFailure Store(TField& field, const std::string& text, const char* what, bool (*read)(std::string_view, V&),
               TSetter set) {
    return valuetext::StoreRead(field, text, read, set) ? TFailure() : Quoted(text, what);
}

}  // namespace

TFailure StoreFieldText(TDBF& dbf, TField& field, const std::string& text) {
    switch (field.GetFieldType()) {
    case 'Y': return Store<int64_t>(field, text, "currency value", valuetext::ReadCurrency, &TField::SetAsCurrency);
    case 'I': return Store<int32_t>(field, text, "integer value", valuetext::ReadInt32, &TField::SetAsInteger);
    case 'N':
    case 'F': {
        std::string fixed;
        if (!valuetext::DecimalToFixedText(text, field.GetLength(), field.GetDecimals(), fixed))
            return Quoted(text, "number for a field of width " + std::to_string(field.GetLength()));
        field.SetAsString(fixed);  // right-aligned in the field
        return {};
    }
    case 'B': return Store<double>(field, text, "floating point value", valuetext::ReadDouble, &TField::SetAsDouble);
    case 'D': {
        TDateTimeParts d;
        if (valuetext::Trim(text).find_first_not_of("- ") == std::string_view::npos) {
            field.SetAsString("");  // the blank date
            return {};
        }
        if (!valuetext::ReadDateText(text, d)) return Quoted(text, "date");
        field.SetAsDate(d);
        return {};
    }
    case 'T':
        return Store<TDateTimeParts>(field, text, "date and time", valuetext::ReadDateTimeText, &TField::SetAsDateTime);
    case 'M': {
        dbf.CheckMemoWritable();
        const int32_t before = field.GetMemoBlock();
        dbf.SetMemo(field.GetName(), text);
        if (field.GetMemoBlock() == NoMemoBlock && !text.empty()) {
            field.SetMemoBlock(before);
            return {dbf.FileName + " - Error in write memo file!"};
        }
        return {};
    }
    case 'G':
    case 'P':
        return {};
    default:
        field.SetAsString(text);
        return {};
    }
}

QString ReplaceMessage(const TReplaceResult& result) {
    const QString count = QString::number(result.Count) + QStringLiteral(" Low(s) affected.");
    return result.Error.empty() ? count : FailureMessage(result.Error) + QLatin1Char('\n') + count;
}

TReplaceResult ReplaceInRows(TDBF& dbf, TRowStore& rows, const TFindOptions& options) {
    TReplaceResult result;
    TDataList& list = rows.DataList;
    const int64_t n = static_cast<int64_t>(list.Count());
    const int64_t lo = options.From == -1 ? 1 : options.From;
    const int64_t hi = options.To == -1 ? n : options.To;
    if (lo < 1 || hi > n || lo > hi) return result;
    if (options.FieldIndex < 0 || options.FieldIndex >= dbf.FieldCount) return result;
    TField* field = dbf.GetField(options.FieldIndex);
    if (!field) return result;
    const char type = field->GetFieldType();
    if (type == 'G' || type == 'P') return result;

    const size_t k = static_cast<size_t>(options.FieldIndex);
    TFindMatcher matcher(options);
    // The rows to change and their new values, found before the table is touched.
    struct TChange {
        int64_t Position;
        const TDataRow* Row;
        std::string Value;
    };
    std::vector<TChange> changes;
    for (int64_t p = lo; p <= hi; ++p) {
        const TDataRow* row = list[static_cast<size_t>(p - 1)];
        if (!matcher.Matches(*row)) continue;
        std::string value = ReplacedText(row->Text(k), options);
        if (value != row->Text(k)) changes.push_back({p, row, std::move(value)});
    }
    if (changes.empty()) return result;

    // The whole command holds the table's lock. Every record it rewrites must still be as its
    // row shows it (the memo text too, for a memo field), before the first is written: the new
    // values are built from the rows' texts.
    std::vector<TRowStore::Row> rowsChanged;
    std::vector<uint32_t> recNos;
    for (const TChange& c : changes) {
        rowsChanged.push_back(c.Row);
        recNos.push_back(c.Row->RecNo());
    }
    TRowsShown shown(dbf, rowsChanged);
    if (type == 'M') shown.CompareMemoTexts({options.FieldIndex});
    std::optional<TDBF::TLockGuard> lock;
    try {
        lock.emplace(dbf, 0);
        TDBF::TShownScope scope(dbf, &shown);
        std::vector<uint32_t> ascending(recNos);
        std::sort(ascending.begin(), ascending.end());
        ascending.erase(std::unique(ascending.begin(), ascending.end()), ascending.end());
        std::vector<uint8_t> records;
        dbf.ReadRecords(ascending.data(), ascending.size(), records);  // compares each
    } catch (...) {
        result.Error = CaughtFailure();
        return result;
    }

    TRowBuilder builder;
    std::vector<std::pair<TRowStore::Row, TRowStore::Row>> changed;
    for (const TChange& c : changes) {
        const TDataRow* row = c.Row;
        const std::string& value = c.Value;
        const int64_t p = c.Position;
        try {
            dbf.Go(row->RecNo());
            TFailure error = StoreFieldText(dbf, *field, value);
            if (!error.empty()) {
                result.Error = std::move(error);
                dbf.Go(row->RecNo());  // the buffer back to what the file holds
                break;
            }
            dbf.Edit();
            dbf.Post();
            const std::string text = valuetext::DisplayText(dbf, *field);
            builder.Start(row->Deleted(), row->RecNo(), dbf.GetRecordPrint());
            for (size_t f = 0; f < row->FieldCount(); ++f) builder.Add(f == k ? std::string_view(text) : row->Text(f));
            changed.emplace_back(row, rows.Pool.Make(builder));
        } catch (...) {
            result.Error = CaughtFailure();
            break;
        }
        if (result.Count++ == 0) result.FirstPosition = static_cast<int>(p);
    }
    rows.ReplaceRows(changed);
    return result;
}
