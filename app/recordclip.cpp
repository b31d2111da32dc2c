#include "app/recordclip.h"

#include "app/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <cstring>

namespace recordclip {

namespace {

constexpr std::string_view MemoMagic = "VXMEMO1\n";
constexpr size_t RecordsPerRead = 4096;

// FNV-1a over the text: ties the memo texts to the one text they were copied with.
uint64_t Fingerprint(std::string_view text) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void PutLE(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}

bool GetLE(std::string_view& in, int bytes, uint64_t& v) {
    if (in.size() < size_t(bytes)) return false;
    v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(static_cast<unsigned char>(in[size_t(i)])) << (8 * i);
    in.remove_prefix(size_t(bytes));
    return true;
}

int32_t MemoBlockOf(const TField& f) { return f.HasMemoLayout() ? f.GetMemoBlock() : NoMemoBlock; }

// The clipboard text of one field of the record the field reads.
void AppendFieldText(std::string& out, const TField& f) {
    switch (f.GetFieldType()) {
    case 'T': out += valuetext::DateTimeToStr(f.GetAsDateTime()); break;
    case 'Y': out += valuetext::CurrToStr(f.GetAsCurrency()); break;
    case 'I': valuetext::AppendInteger(out, f.GetAsInteger()); break;
    case 'B': out += valuetext::DoubleToStr(f.GetAsDouble()); break;
    case 'M': valuetext::AppendInteger(out, MemoBlockOf(f)); break;
    case 'G': out += "Gen"; break;
    case 'P': out += "Picture"; break;
    default: out.append(f.GetAsView()); break;  // D, N, F, L, C: the stored characters
    }
}

// The lines of a text; CR LF or LF ends a line.
class TLineReader {
public:
    explicit TLineReader(std::string_view text) : Rest(text) {}
    bool Next(std::string_view& line) {
        if (Done) return false;
        size_t nl = Rest.find('\n');
        if (nl == std::string_view::npos) {
            line = Rest;
            Done = true;
        } else {
            line = Rest.substr(0, nl);
            Rest.remove_prefix(nl + 1);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }

private:
    std::string_view Rest;
    bool Done = false;
};

// The memo texts of the memo format: R x m texts, when the data belongs to `text`.
bool ReadMemoData(std::string_view data, std::string_view text, size_t records, size_t memoFields,
                  std::vector<std::string>& out) {
    if (data.substr(0, MemoMagic.size()) != MemoMagic) return false;
    data.remove_prefix(MemoMagic.size());
    uint64_t print, r, m;
    if (!GetLE(data, 8, print) || !GetLE(data, 4, r) || !GetLE(data, 4, m)) return false;
    if (print != Fingerprint(text) || r != records || m != memoFields) return false;
    out.clear();
    out.reserve(std::min(records * memoFields, data.size() / 4));
    for (size_t i = 0; i < records * memoFields; ++i) {
        uint64_t len;
        if (!GetLE(data, 4, len) || len > data.size()) return false;
        out.emplace_back(data.substr(0, size_t(len)));
        data.remove_prefix(size_t(len));
    }
    return true;
}

std::string RecordFieldText(size_t record, const TDBF& dbf, int field) {
    return "Record " + std::to_string(record) + ", field " + dbf.GetFieldName(field);
}

}  // namespace

std::string FieldLine(const TDBF& dbf, int field) {
    const TField* f = dbf.GetField(field);
    std::string line = dbf.GetFieldName(field);
    line += ' ';
    line += f->GetFieldType();
    line += ' ';
    valuetext::AppendInteger(line, f->GetLength());
    line += ' ';
    valuetext::AppendInteger(line, f->GetDecimals());
    return line;
}

TClipData BuildClipData(TDBF& dbf, const std::vector<uint32_t>& recNos) {
    TClipData clip;
    std::string& text = clip.Text;
    const int fieldCount = dbf.FieldCount;
    text.append(Marker);
    text += "\r\n";
    valuetext::AppendInteger(text, fieldCount);
    for (int i = 0; i < fieldCount; ++i) {
        text += "\r\n";
        text += FieldLine(dbf, i);
    }
    text += "\r\n";
    valuetext::AppendInteger(text, int64_t(recNos.size()));

    TRecordImage image(dbf);
    std::vector<int> memoFields;
    for (int i = 0; i < fieldCount; ++i)
        if (image.Field(i).GetFieldType() == 'M') memoFields.push_back(i);
    std::string memos;
    std::string memoText;
    const size_t rl = image.Size();
    std::vector<uint8_t> buf;
    // The records are read a batch at a time (consecutive numbers in one read each).
    for (size_t at = 0; at < recNos.size(); at += RecordsPerRead) {
        const size_t n = std::min(RecordsPerRead, recNos.size() - at);
        dbf.ReadRecords(recNos.data() + at, n, buf);
        for (size_t r = 0; r < n; ++r) {
            image.Assign(buf.data() + r * rl);
            text += "\r\n";
            for (int i = 0; i < fieldCount; ++i) {
                text += '\t';
                AppendFieldText(text, image.Field(i));
            }
            for (int m : memoFields) {
                memoText.clear();
                const int32_t block = MemoBlockOf(image.Field(m));
                if (block != NoMemoBlock) dbf.ReadMemoBlock(block, memoText);
                PutLE(memos, memoText.size(), 4);
                memos += memoText;
            }
        }
    }
    if (!memoFields.empty()) {
        clip.MemoData.append(MemoMagic);
        PutLE(clip.MemoData, Fingerprint(text), 8);
        PutLE(clip.MemoData, recNos.size(), 4);
        PutLE(clip.MemoData, memoFields.size(), 4);
        clip.MemoData += memos;
    }
    return clip;
}

void SplitTabLine(std::string_view line, std::vector<std::string_view>& values) {
    if (line.find('\t') == std::string_view::npos) return;
    std::string_view rest = line.substr(1);
    for (size_t tab; (tab = rest.find('\t')) != std::string_view::npos;) {
        values.push_back(rest.substr(0, tab));
        rest.remove_prefix(tab + 1);
    }
    values.push_back(rest);
}

TPaste ParsePaste(TDBF& dbf, std::string_view text, std::string_view memoData) {
    TPaste paste;
    TLineReader lines(text);
    std::string_view line;
    int32_t fieldCount = 0, recordCount = 0;
    // Checks that fail leave the clipboard alone, silently: not our text or another layout.
    if (!lines.Next(line) || line.substr(0, 9) != "Vellibrox") return paste;
    if (!lines.Next(line) || !valuetext::ReadInt32(line, fieldCount)) return paste;
    if (fieldCount <= 0 || fieldCount != dbf.FieldCount) return paste;
    for (int i = 0; i < fieldCount; ++i)
        if (!lines.Next(line) || line != FieldLine(dbf, i)) return paste;
    if (!lines.Next(line) || !valuetext::ReadInt32(line, recordCount) || recordCount <= 0) return paste;

    // From here on the text is meant for this table: it goes in whole or not at all.
    auto reject = [&paste](std::string message) {
        paste.Status = TPaste::Rejected;
        paste.Message = std::move(message) + " Nothing was pasted.";
        paste.Records = TNewRecords{};
        return paste;
    };
    TRecordImage image(dbf);
    TNewRecords& out = paste.Records;
    for (int i = 0; i < fieldCount; ++i)
        if (image.Field(i).GetFieldType() == 'M') out.MemoFields.push_back(i);
    const size_t memoCount = out.MemoFields.size();
    std::vector<std::string> clipMemos;
    const bool memosFromClip =
        memoCount > 0 && ReadMemoData(memoData, text, size_t(recordCount), memoCount, clipMemos);

    const size_t rl = image.Size();
    // Every record line holds a TAB per field, which bounds what the text can hold.
    const size_t mostRecords = std::min(size_t(recordCount), text.size() / size_t(fieldCount) + 1);
    out.Images.reserve(mostRecords * rl);
    out.MemoTexts.reserve(mostRecords * memoCount);
    std::vector<std::string_view> values;
    values.reserve(size_t(fieldCount));
    for (int32_t r = 1; r <= recordCount; ++r) {
        if (!lines.Next(line))
            return reject("The clipboard announces " + std::to_string(recordCount) + " records but holds " +
                          std::to_string(r - 1) + ".");
        // The first character is the TAB before the first value; anything else there would
        // be lost without a word.
        if (line.empty() || line[0] != '\t')
            return reject("Record " + std::to_string(r) + " on the clipboard does not begin with a TAB.");
        values.clear();
        SplitTabLine(line, values);
        if (values.size() != size_t(fieldCount))
            return reject("Record " + std::to_string(r) + " on the clipboard has " + std::to_string(values.size()) +
                          " values; the table has " + std::to_string(fieldCount) + " fields.");
        image.Blank();
        size_t m = 0;
        for (int i = 0; i < fieldCount; ++i) {
            const std::string_view v = values[size_t(i)];
            if (image.Field(i).GetFieldType() == 'M') {
                std::string memo;
                if (memosFromClip) {
                    memo = std::move(clipMemos[size_t(r - 1) * memoCount + m]);
                } else {
                    // A block number of this table's memo file.
                    int32_t block = NoMemoBlock;
                    if (!valuetext::ReadInt32(v, block))
                        return reject(RecordFieldText(size_t(r), dbf, i) + ": \"" + std::string(v) +
                                      "\" is no memo block number.");
                    if (block != NoMemoBlock) dbf.ReadMemoBlock(block, memo);
                }
                out.MemoTexts.push_back(std::move(memo));
                ++m;
                continue;
            }
            switch (image.StoreText(i, v, TRecordImage::TTextKind::Clipboard)) {
            case TRecordImage::TStore::Ok: break;
            case TRecordImage::TStore::Invalid:
                return reject(RecordFieldText(size_t(r), dbf, i) + ": \"" + std::string(v) +
                              "\" is not a valid value for this field.");
            case TRecordImage::TStore::TooWide:
                return reject(RecordFieldText(size_t(r), dbf, i) + ": \"" + std::string(v) +
                              "\" is wider than the field.");
            }
        }
        out.Images.insert(out.Images.end(), image.Data(), image.Data() + rl);
        ++out.Count;
    }
    paste.Status = TPaste::Ready;
    return paste;
}

}  // namespace recordclip
