#include "common/recordimage.h"

#include "common/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <cstring>

TRecordImage::TRecordImage(TDBF& dbf) : Length(dbf.GetRecordLength()) {
    Buffer.assign(std::max<size_t>(Length, 1), ' ');
    for (int i = 0; i < dbf.FieldCount; ++i) {
        const TField* f = dbf.GetField(i);
        auto own = std::make_unique<TField>(f->GetDescriptor());
        own->SetRecordBuffer(Buffer.data(), Length);
        own->SetVersion(f->GetVersion());
        Fields.push_back(std::move(own));
    }
}

void TRecordImage::Assign(const uint8_t* record) { std::memcpy(Buffer.data(), record, Length); }

void TRecordImage::Blank() {
    std::fill(Buffer.begin(), Buffer.end(), static_cast<uint8_t>(' '));
    for (auto& f : Fields) f->SetBlank();
}

namespace {

bool IsBlank(std::string_view text) { return valuetext::Trim(text).empty(); }

}  // namespace

TRecordImage::TStore TRecordImage::StoreText(int index, std::string_view text, TTextKind kind) {
    TField& f = Field(index);
    const bool display = kind == TTextKind::Display;
    // Stored characters: never cut, a longer text is refused.
    auto chars = [&](std::string_view t) {
        if (t.size() > f.GetLength()) return TStore::TooWide;
        f.SetAsString(t);
        return TStore::Ok;
    };
    auto stored = [](bool ok) { return ok ? TStore::Ok : TStore::Invalid; };
    switch (f.GetFieldType()) {
    case 'M':
    case '0':  // the null flags say which fields of this record are null: none, as new
        return TStore::Ok;
    case 'G':
    case 'P':
        f.SetBlank();
        return TStore::Ok;
    case 'D': {
        if (!display) return chars(text);
        if (IsBlank(text) || text == valuetext::BlankDateText) return chars("");
        TDateTimeParts d;
        int y, m, day;
        if (valuetext::ReadDateTimeText(text, d)) {
            f.SetAsDate(d);
            return TStore::Ok;
        }
        if (valuetext::Trim(text).size() == 8 && valuetext::ParseStoredDate(valuetext::Trim(text), y, m, day))
            return chars(valuetext::Trim(text));
        return TStore::Invalid;
    }
    case 'N':
    case 'F': {
        // From the digits of the text, never through a double that could change them.
        if (IsBlank(text)) return chars("");
        std::string stored;
        if (!valuetext::DecimalToFixedText(text, -1, f.GetDecimals(), stored)) return TStore::Invalid;
        return chars(stored);
    }
    case 'L':
        return chars(display ? valuetext::Trim(text) : text);
    default:
        break;
    }
    // Binary values: an empty display text, and the empty text of a blank date-time, are the
    // blank value; any other empty clipboard text is no value.
    if ((display || f.GetFieldType() == 'T') && IsBlank(text)) {
        f.SetBlank();
        return TStore::Ok;
    }
    switch (f.GetFieldType()) {
    case 'T': return stored(valuetext::StoreRead(f, text, valuetext::ReadDateTimeText, &TField::SetAsDateTime));
    case 'Y': return stored(valuetext::StoreRead(f, text, valuetext::ReadCurrency, &TField::SetAsCurrency));
    case 'I': return stored(valuetext::StoreRead(f, text, valuetext::ReadInt32, &TField::SetAsInteger));
    case 'B': return stored(valuetext::StoreRead(f, text, valuetext::ReadDouble, &TField::SetAsDouble));
    default:
        return chars(text);
    }
}

void TRecordImage::AppendRowTexts(TDBF& dbf, TRowBuilder& row, const std::string* memoTexts, std::string& scratch) {
    for (auto& f : Fields) {
        if (f->GetFieldType() == 'M') {
            row.Add(*memoTexts++);
            continue;
        }
        valuetext::AppendDisplayText(dbf, *f, row.Buffer(), scratch);
        row.CloseField();
    }
}

void AppendNewRecords(TDBF& dbf, TRowStore& rows, TNewRecords& records) {
    if (records.Count == 0) return;
    // A table whose layout another program changed refuses before a memo is written.
    TDBF::TLockGuard lock(dbf, 0);
    dbf.ReadRecordCount();
    TRecordImage image(dbf);
    const size_t rl = image.Size();
    const size_t memoCount = records.MemoFields.size();
    // Memo texts first: each record carries the block its text now lives at. A table that
    // cannot keep them refuses before anything is written.
    if (memoCount && std::any_of(records.MemoTexts.begin(), records.MemoTexts.end(),
                                 [](const std::string& t) { return !t.empty(); }))
        dbf.CheckMemoWritable();
    for (size_t r = 0; r < records.Count && memoCount; ++r) {
        image.Assign(&records.Images[r * rl]);
        for (size_t m = 0; m < memoCount; ++m) {
            const std::string& text = records.Memo(r, m);
            int32_t block = NoMemoBlock;
            if (!text.empty()) {
                block = dbf.GetMemoObject().WriteMemo(NoMemoBlock, text);
                if (block == NoMemoBlock) throw EDBFError(dbf.FileName + " - Error in write memo!");
            }
            image.Field(records.MemoFields[m]).SetMemoBlock(block);
        }
        std::memcpy(&records.Images[r * rl], image.Data(), rl);
    }
    dbf.AppendRecords(records.Images.data(), records.Count);
    const uint32_t first = static_cast<uint32_t>(dbf.GetCurrentRecNo() - int64_t(records.Count) + 1);

    TRowBuilder row;
    std::string scratch;
    for (size_t r = 0; r < records.Count; ++r) {
        image.Assign(&records.Images[r * rl]);
        const uint8_t* bytes = &records.Images[r * rl];
        row.Start(bytes[0] == '*', first + static_cast<uint32_t>(r), RecordPrint(bytes, rl));
        image.AppendRowTexts(dbf, row, memoCount ? &records.Memo(r, 0) : nullptr, scratch);
        rows.AppendRow(rows.Pool.Make(row));
    }
}
