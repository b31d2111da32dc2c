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
// About 256 KiB of records per page, at least one record.
constexpr size_t PageBytes = 256 * 1024;
}  // namespace

TRecordReader::TRecordReader(TDBF& table)
    : Table(table), PageRecords(static_cast<int>(std::max<size_t>(1, PageBytes / std::max<size_t>(1, table.GetRecordLength())))) {}

TRecordReader::~TRecordReader() {
    if (Page) Table.FreePage();
}

void TRecordReader::Go(uint32_t recNo) {
    const bool sequential = recNo == Last + 1;
    Last = recNo;
    if (recNo >= 1) {
        const int64_t page = int64_t(recNo - 1) / PageRecords + 1;
        const int index = static_cast<int>(int64_t(recNo - 1) % PageRecords) + 1;
        if (page != Page && sequential) {
            Page = page;
            Got = Table.ReadPage(page, PageRecords);
        }
        if (page == Page && index <= Got) {
            Table.SelectPageRecord(index);
            return;
        }
    }
    Table.Go(recNo);
}
