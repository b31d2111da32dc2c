#include "common/recordcommands.h"

#include "common/rowsshown.h"
#include "common/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <exception>

namespace records {

std::function<void(const char* command)> FaultHook;

namespace {

void BeforeWrite(const char* command) {
    if (FaultHook) FaultHook(command);
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

std::vector<TRowRange> NormalizeRanges(std::vector<TRowRange> ranges, size_t rowCount) {
    std::vector<TRowRange> out;
    if (rowCount == 0) return out;
    for (TRowRange& r : ranges) {
        if (r.First > r.Last) std::swap(r.First, r.Last);
        r.Last = std::min(r.Last, rowCount - 1);
    }
    std::erase_if(ranges, [rowCount](const TRowRange& r) { return r.First >= rowCount; });
    std::sort(ranges.begin(), ranges.end(), [](const TRowRange& a, const TRowRange& b) { return a.First < b.First; });
    for (const TRowRange& r : ranges) {
        if (!out.empty() && r.First <= out.back().Last + 1) out.back().Last = std::max(out.back().Last, r.Last);
        else out.push_back(r);
    }
    return out;
}

size_t RowCount(const std::vector<TRowRange>& ranges) {
    size_t n = 0;
    for (const TRowRange& r : ranges) n += r.Last - r.First + 1;
    return n;
}

std::vector<uint32_t> RecordNumbers(const TRowStore& rows, const std::vector<TRowRange>& ranges) {
    std::vector<uint32_t> out;
    out.reserve(RowCount(ranges));
    for (TRowStore::Row r : RowsOf(rows, ranges)) out.push_back(r->RecNo());
    return out;
}

size_t ToggleMarks(TDBF& dbf, TRowStore& rows, const std::vector<TRowRange>& ranges) {
    std::vector<TDBF::TRecordFlag> flags;
    std::vector<TRowStore::Row> changed;
    flags.reserve(RowCount(ranges));
    changed.reserve(RowCount(ranges));
    for (const TRowRange& r : ranges)
        for (size_t i = r.First; i <= r.Last && i < rows.DataList.Count(); ++i) {
            TRowStore::Row row = rows.DataList[i];
            flags.push_back({row->RecNo(), !row->Deleted()});
            changed.push_back(row);
        }
    BeforeWrite("toggle");
    TRowsShown shown(dbf, changed);
    TDBF::TShownScope scope(dbf, &shown);
    dbf.SetDeletedFlags(flags);
    for (size_t k = 0; k < changed.size(); ++k) TRowStore::SetMark(changed[k], flags[k].Deleted);
    return changed.size();
}

void SetAllMarks(TDBF& dbf, TRowStore& rows, bool deleted) {
    BeforeWrite("setall");
    TRowsShown shown(dbf, rows);
    TDBF::TShownScope scope(dbf, &shown);
    dbf.SetAllDeleted(deleted);
    rows.SetAllMarks(deleted);
}

std::vector<TRowStore::Row> RowsOf(const TRowStore& rows, const std::vector<TRowRange>& ranges) {
    std::vector<TRowStore::Row> out;
    out.reserve(RowCount(ranges));
    for (const TRowRange& r : ranges)
        for (size_t i = r.First; i <= r.Last && i < rows.DataList.Count(); ++i) out.push_back(rows.DataList[i]);
    return out;
}

size_t RemoveRows(TDBF& dbf, TRowStore& rows, const std::vector<TRowRange>& ranges) {
    std::vector<uint32_t> recNos = RecordNumbers(rows, ranges);
    if (recNos.empty()) return 0;
    BeforeWrite("remove");
    {
        TRowsShown shown(dbf, RowsOf(rows, ranges));
        TDBF::TShownScope scope(dbf, &shown);
        dbf.RemoveRecords(recNos);
    }
    return rows.RemoveRecords(std::move(recNos));
}

void RemoveMarked(TDBF& dbf, const TRowStore& rows) {
    BeforeWrite("pack");
    TRowsShown shown(dbf, rows);
    TDBF::TShownScope scope(dbf, &shown);
    dbf.PackDeleted();
}

size_t TruncateBelow(TDBF& dbf, TRowStore& rows, size_t selected) {
    const size_t n = rows.DataList.Count();
    if (selected + 1 >= n) return 0;
    std::vector<uint32_t> holes;
    holes.reserve(n - selected - 1);
    for (size_t i = selected + 1; i < n; ++i) holes.push_back(rows.DataList[i]->RecNo());
    BeforeWrite("truncate");
    std::vector<std::pair<uint32_t, uint32_t>> moves;
    {
        TRowsShown shown(dbf, rows);
        TDBF::TShownScope scope(dbf, &shown);
        moves = dbf.FillHolesFromEnd(holes);
    }
    // The rows below the selection go from both lists, before the moved records' rows take
    // their numbers; moved records keep their rows, wherever those stand (also rows a filter
    // hides).
    std::sort(holes.begin(), holes.end());
    holes.erase(std::unique(holes.begin(), holes.end()), holes.end());
    const TRecordNumbers gone(std::move(holes), n);
    const size_t removed = rows.RemoveRowsIf([&gone](TRowStore::Row r) { return gone.Has(r->RecNo()); });
    rows.RenumberRecords(moves);
    return removed;
}

size_t DropRowsMarked(TRowStore& rows, bool marked) {
    return rows.HideRowsIf([marked](TRowStore::Row r) { return r->Deleted() == marked; });
}

TAppendSource ReadAppendSource(TDBF& dbf, const std::string& sourcePath) {
    TAppendSource result;
    TDBF source;
    try {
        source.SetFileName(sourcePath);
        source.SetReadOnly(true);
        source.Open();
    } catch (const std::exception& e) {
        result.Message = e.what();
        result.EngineMessage = true;
        return result;
    }
    TRecordImage image(dbf);
    TNewRecords& out = result.Records;
    // For each field of the table, the source field of the same name (-1: none).
    std::vector<int> from(size_t(dbf.FieldCount), -1);
    for (int i = 0; i < dbf.FieldCount; ++i) {
        const std::string name = UpperAscii(dbf.GetFieldName(i));
        for (int k = 0; k < source.FieldCount && from[size_t(i)] < 0; ++k)
            if (UpperAscii(source.GetFieldName(k)) == name) from[size_t(i)] = k;
        if (image.Field(i).GetFieldType() == 'M') out.MemoFields.push_back(i);
    }
    try {
        const uint32_t count = source.GetRecordCount();
        const size_t rl = image.Size();
        constexpr int PageSize = 100;
        source.AllocPage(PageSize);
        std::string text, scratch;
        for (int64_t page = 1; out.Count < count; ++page) {
            const int got = source.ReadPage(page, PageSize);
            if (got <= 0) break;
            for (int k = 1; k <= got && out.Count < count; ++k) {
                source.SelectPageRecord(k);
                image.Blank();
                image.SetDeleted(source.GetDeleted());
                for (int i = 0; i < dbf.FieldCount; ++i) {
                    const bool memo = image.Field(i).GetFieldType() == 'M';
                    text.clear();
                    if (from[size_t(i)] >= 0)
                        valuetext::AppendDisplayText(source, *source.GetField(from[size_t(i)]), text, scratch);
                    if (memo) {
                        out.MemoTexts.push_back(text);
                        continue;
                    }
                    const TRecordImage::TStore stored = image.StoreText(i, text, TRecordImage::TTextKind::Display);
                    if (stored == TRecordImage::TStore::Ok) continue;
                    result.Message = "Record " + std::to_string(out.Count + 1) + ", field " + dbf.GetFieldName(i) +
                                     ": \"" + text + "\"" +
                                     (stored == TRecordImage::TStore::TooWide ? " is wider than the field."
                                                                              : " is not a valid value for this field.") +
                                     " Nothing was appended.";
                    result.Records = TNewRecords{};
                    return result;
                }
                out.Images.insert(out.Images.end(), image.Data(), image.Data() + rl);
                ++out.Count;
            }
        }
        source.FreePage();
        result.Ok = true;
        return result;
    } catch (const std::exception& e) {
        result = TAppendSource{};
        result.Message = e.what();
        result.EngineMessage = true;
        return result;
    }
}

}  // namespace records
