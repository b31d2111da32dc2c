#include "export/rowsource.h"

#include "engine/dbf.h"

#include <algorithm>

size_t TRowSource::Total() const {
    switch (Range.Kind) {
    case TRowRange::All: return List ? List->Count() : 0;
    case TRowRange::Selected: return Range.Rows.size();
    case TRowRange::Span: return Range.From >= 1 && Range.To >= Range.From ? Range.To - Range.From + 1 : 0;
    }
    return 0;
}

namespace {
// A window: at most this many rows, and about this many bytes of records.
constexpr size_t MaxWindowRows = 4096;
constexpr size_t WindowBytes = size_t(4) << 20;
}  // namespace

size_t TRecordReader::WindowRows() const {
    return std::clamp<size_t>(WindowBytes / std::max<size_t>(Table.GetRecordLength(), 1), 1, MaxWindowRows);
}

TRecordReader::TRecordReader(TDBF& table, const std::vector<int>& fields, bool memo)
    : Table(table), Shown(table, std::vector<TDataList::Row>{}) {
    std::vector<int> memoFields;
    if (memo)
        for (int f : fields)
            if (table.GetFieldType(f) == 'M') memoFields.push_back(f);
    Shown.CompareMemoTexts(std::move(memoFields));
}

TRecordReader::~TRecordReader() { Table.FreePage(); }

void TRecordReader::Load(const std::vector<TDataList::Row>& rows) {
    Rows = rows;
    RecNos.clear();
    Prints.clear();
    Marks.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i + 16 < rows.size() && rows[i + 16]) __builtin_prefetch(rows[i + 16]);
        const TDataList::Row r = rows[i];
        RecNos.push_back(r ? r->RecNo() : 0);
        Prints.push_back(r ? r->Print() : 0);
        Marks.push_back(r && r->Deleted());
    }
    Count = Table.ReadPageRecords(RecNos.data(), RecNos.size());
}

void TRecordReader::Select(size_t k) {
    const uint32_t recNo = k < RecNos.size() ? RecNos[k] : 0;
    // A record past the end is gone, and one that is not what its row shows is another.
    if (recNo < 1 || recNo > Count) throw EDBFRecordsChanged(Table.FileName);
    Table.SelectPageRecord(static_cast<int>(k) + 1);
    // The record's mark and print, straight from the page.
    const size_t rl = Table.GetRecordLength();
    const uint8_t* rec = Table.PageBytes() + k * rl;
    const bool deleted = rec[0] == '*';
    const uint64_t print = RecordPrint(rec, rl);
    if (deleted != (Marks[k] != 0) || print != Prints[k] ||
        (Shown.ComparesMemoTexts() && !Shown.MemoTextsMatchCurrent(*Rows[k])))
        throw EDBFRecordsChanged(Table.FileName);
}
