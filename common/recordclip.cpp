#include "common/recordclip.h"

#include "common/recordimage.h"
#include "common/rowsshown.h"

#include "common/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <cstring>

namespace recordclip {

namespace {

constexpr std::string_view ExactMagic = "VXRECS1\n";
constexpr size_t RecordsPerRead = 4096;

// FNV-1a over the text: ties the exact records to the one text they were copied with.
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

bool GetBytes(std::string_view& in, uint64_t n, std::string_view& out) {
    if (n > in.size()) return false;
    out = in.substr(0, size_t(n));
    in.remove_prefix(size_t(n));
    return true;
}

bool IsMemoType(char type) { return type == 'M' || type == 'G' || type == 'P'; }

int32_t MemoBlockOf(const TField& f) { return f.HasMemoLayout() ? f.GetMemoBlock() : NoMemoBlock; }

// A memo text that paste writes as a new memo: the M fields whose reference can be followed.
bool CarriesMemoText(const TField& f) { return f.GetFieldType() == 'M' && f.HasMemoLayout(); }

// What the records' bytes need of a table to mean the same there: the record length; each
// field's name, type, offset, length and decimals, its flags in the Visual FoxPro family
// (they say which fields may hold nulls, whose bits the null-flags field keeps) and, for memo
// fields, whether the reference can be followed.
std::string ExactLayout(const TDBF& dbf) {
    std::string out;
    PutLE(out, dbf.GetRecordLength(), 2);
    const uint8_t version = dbf.GetVersion();
    const bool foxPro = version == 0x30 || version == 0x31 || version == 0x32;
    TFieldDescriptor d;
    for (int i = 0; i < dbf.FieldCount; ++i) {
        dbf.GetFieldDescriptor(i, d);
        std::string name = dbf.GetField(i)->GetName();
        name.resize(11, '\0');
        out += name;
        out.append(reinterpret_cast<const char*>(&d[11]), 7);  // type, offset, length, decimals
        out += foxPro ? char(d[18]) : '\0';
        if (IsMemoType(char(d[11]))) out += dbf.GetField(i)->HasMemoLayout() ? '1' : '0';
    }
    return out;
}

// The clipboard text of one field of the record the field reads.
void AppendFieldText(std::string& out, const TField& f) {
    switch (f.GetFieldType()) {
    case 'T':
        if (!valuetext::IsBlankDateTime(f)) out += valuetext::DateTimeToStr(f.GetAsDateTime());
        break;
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

// The exact format as read: the records' bytes (views into the data) when they were copied
// from a table of the open table's layout, and the memo texts, R x m of them.
struct TExact {
    bool SameLayout = false;
    std::vector<std::string_view> Records;
    std::vector<std::string_view> Memos;
};

// Reads the exact format when it belongs to `text` and holds `records` records with
// `memoFields` memo texts each; false for anything else (damaged data included). Its records
// are for the open table when they were copied from `layout`, `recordLength` bytes each.
bool ReadExact(std::string_view data, std::string_view text, const std::string& layout, size_t recordLength,
               size_t records, size_t memoFields, TExact& out) {
    if (data.substr(0, ExactMagic.size()) != ExactMagic) return false;
    data.remove_prefix(ExactMagic.size());
    uint64_t print, layoutSize, r, m, rl;
    std::string_view copiedLayout;
    if (!GetLE(data, 8, print) || print != Fingerprint(text) || !GetLE(data, 4, layoutSize) ||
        !GetBytes(data, layoutSize, copiedLayout) || !GetLE(data, 4, r) || !GetLE(data, 4, m) || !GetLE(data, 4, rl))
        return false;
    if (r != records || m != memoFields || rl == 0) return false;
    out.SameLayout = copiedLayout == layout && rl == recordLength;
    // Each record takes its bytes and a length per memo: that bounds what the data can hold.
    if (records > data.size() / (rl + 4 * memoFields)) return false;
    out.Records.resize(records);
    out.Memos.resize(records * memoFields);
    for (size_t i = 0; i < records; ++i) {
        if (!GetBytes(data, rl, out.Records[i])) return false;
        for (size_t k = 0; k < memoFields; ++k) {
            uint64_t len;
            if (!GetLE(data, 4, len) || !GetBytes(data, len, out.Memos[i * memoFields + k])) return false;
        }
    }
    return true;
}

std::string RecordFieldText(size_t record, const TDBF& dbf, int field) {
    return "Record " + std::to_string(record) + ", field " + dbf.GetFieldName(field);
}

// Why record `recNo` (the image) would not come back as it stands from the exact format, or
// empty: `memoWhole` tells for each M field whether its text was read whole.
std::string WhyNotExact(const TDBF& dbf, TRecordImage& image, TRecordImage& blank, uint32_t recNo,
                        const std::vector<int>& memoFields, const std::vector<bool>& memoWhole) {
    for (size_t k = 0; k < memoFields.size(); ++k)
        if (!memoWhole[k]) return RecordFieldText(recNo, dbf, memoFields[k]) + ": its memo cannot be read whole.";
    // General and picture contents do not travel, nor what a memo reference of no known layout
    // points at: paste gives those fields no reference.
    for (int i = 0; i < image.FieldCount(); ++i) {
        const TField& f = image.Field(i);
        if (!IsMemoType(f.GetFieldType()) || CarriesMemoText(f)) continue;
        const bool none = f.HasMemoLayout() ? f.GetMemoBlock() == NoMemoBlock
                                            : f.GetRawView() == blank.Field(i).GetRawView();
        if (!none) return RecordFieldText(recNo, dbf, i) + ": its contents cannot go on the clipboard.";
    }
    return {};
}

// Why the exact record `record` (1-based; its bytes in `image`) cannot be pasted, or empty: it
// passes what the text route checks of the same values. Its deletion flag is a blank or "*";
// each field's value, in the text copy writes for it, is one that paste stores from text
// (number fields hold their number's characters as they stand, so no exponent either); a memo
// text goes only with a field that keeps memo texts. `scratch` is an image of the open table;
// `memos` are the record's memo texts by M field.
std::string ExactRecordFault(const TDBF& dbf, size_t record, TRecordImage& image, TRecordImage& scratch,
                             const std::string_view* memos) {
    const char flag = char(image.Data()[0]);
    if (flag != ' ' && flag != '*')
        return "Record " + std::to_string(record) + " on the clipboard has the deletion mark \"" +
               std::string(1, flag) + "\", which is neither a blank nor \"*\".";
    std::string text;
    for (int i = 0; i < image.FieldCount(); ++i) {
        const TField& f = image.Field(i);
        const char type = f.GetFieldType();
        if (type == 'M') {
            if (!CarriesMemoText(f) && !(memos++)->empty())
                return RecordFieldText(record, dbf, i) + ": this field keeps no memo text.";
            continue;
        }
        if (IsMemoType(type) || type == '0') continue;  // cleared, and the null flags' bits
        text.clear();
        AppendFieldText(text, f);
        TRecordImage::TStore stored = scratch.StoreText(i, text, TRecordImage::TTextKind::Clipboard);
        if ((type == 'N' || type == 'F') && text.find_first_of("eE") != std::string::npos)
            stored = TRecordImage::TStore::Invalid;
        if (stored == TRecordImage::TStore::Invalid)
            return RecordFieldText(record, dbf, i) + ": \"" + text + "\" is not a valid value for this field.";
        if (stored == TRecordImage::TStore::TooWide)
            return RecordFieldText(record, dbf, i) + ": \"" + text + "\" is wider than the field.";
    }
    return {};
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

    TRecordImage image(dbf), blank(dbf);
    blank.Blank();
    std::vector<int> memoFields;
    for (int i = 0; i < fieldCount; ++i)
        if (image.Field(i).GetFieldType() == 'M') memoFields.push_back(i);
    const size_t rl = image.Size();
    std::string& exact = clip.Exact;
    const std::string layout = ExactLayout(dbf);
    exact.append(ExactMagic);
    PutLE(exact, 0, 8);  // the text's fingerprint, once the text is whole
    PutLE(exact, layout.size(), 4);
    exact += layout;
    PutLE(exact, recNos.size(), 4);
    PutLE(exact, memoFields.size(), 4);
    PutLE(exact, rl, 4);

    std::string memoText;
    std::vector<bool> memoWhole(memoFields.size());
    std::vector<uint8_t> buf;
    vx::TDBFMemo& memo = dbf.GetMemoObject();
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
            // The deletion flag as the program reads it: "*" marks, anything else (some programs
            // leave a NUL) does not, and goes as a blank.
            if (rl > 0) {
                exact += image.Data()[0] == '*' ? '*' : ' ';
                exact.append(reinterpret_cast<const char*>(image.Data()) + 1, rl - 1);
            }
            for (size_t k = 0; k < memoFields.size(); ++k) {
                bool ok = true;
                memo.ReadMemo(MemoBlockOf(image.Field(memoFields[k])), ok, memoText);
                memoWhole[k] = ok && memo.GetReadWhole();
                PutLE(exact, memoText.size(), 4);
                exact += memoText;
            }
            if (clip.NotExact.empty())
                clip.NotExact = WhyNotExact(dbf, image, blank, recNos[at + r], memoFields, memoWhole);
        }
    }
    const uint64_t print = Fingerprint(text);
    for (int i = 0; i < 8; ++i) exact[ExactMagic.size() + size_t(i)] = static_cast<char>(print >> (8 * i));
    return clip;
}

TClipData BuildRowsClipData(TDBF& dbf, const std::vector<TDataList::Row>& rows) {
    // One pass over the rows for both the numbers to read and the rows to compare them with.
    std::vector<uint32_t> recNos;
    std::vector<std::pair<uint32_t, TDataList::Row>> byRecNo;
    recNos.reserve(rows.size());
    byRecNo.reserve(rows.size());
    for (TDataList::Row r : rows) {
        recNos.push_back(r->RecNo());
        byRecNo.emplace_back(recNos.back(), r);
    }
    TRowsShown shown(dbf, std::move(byRecNo));
    shown.CompareAllMemoTexts();
    TDBF::TShownScope scope(dbf, &shown);
    return BuildClipData(dbf, recNos);
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

TPaste ParsePaste(TDBF& dbf, std::string_view text, std::string_view exact) {
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
    const size_t rl = image.Size();
    TExact clip;
    const bool fromClip = ReadExact(exact, text, ExactLayout(dbf), rl, size_t(recordCount), memoCount, clip);

    if (fromClip && clip.SameLayout) {
        // The records as they were copied; only what refers to another memo file is made new.
        // Any program can put data under this format: every record is checked as its text would
        // be before any is taken.
        TRecordImage scratch(dbf);
        out.Images.reserve(clip.Records.size() * rl);
        for (size_t r = 0; r < clip.Records.size(); ++r) {
            image.Assign(reinterpret_cast<const uint8_t*>(clip.Records[r].data()));
            const std::string fault =
                ExactRecordFault(dbf, r + 1, image, scratch, memoCount ? &clip.Memos[r * memoCount] : nullptr);
            if (!fault.empty()) return reject(fault);
            for (int i = 0; i < fieldCount; ++i) {
                TField& f = image.Field(i);
                if (IsMemoType(f.GetFieldType()) && !CarriesMemoText(f)) f.SetBlank();
            }
            out.Images.insert(out.Images.end(), image.Data(), image.Data() + rl);
            for (size_t m = 0; m < memoCount; ++m) out.MemoTexts.emplace_back(clip.Memos[r * memoCount + m]);
        }
        out.Count = clip.Records.size();
        paste.Exact = true;
        paste.Status = TPaste::Ready;
        return paste;
    }

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
                if (fromClip) {
                    memo = clip.Memos[size_t(r - 1) * memoCount + m];
                    if (!memo.empty() && !CarriesMemoText(image.Field(i)))
                        return reject(RecordFieldText(size_t(r), dbf, i) + ": this field keeps no memo text.");
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
