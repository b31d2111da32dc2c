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

TRecordReader::TRecordReader(TDBF& table) : Table(table) {}

TRecordReader::~TRecordReader() { Table.FreePage(); }

void TRecordReader::Load(const std::vector<uint32_t>& recNos) {
    RecNos = recNos;
    Count = Table.ReadPageRecords(RecNos.data(), RecNos.size());
}

void TRecordReader::Select(size_t k) {
    const uint32_t recNo = k < RecNos.size() ? RecNos[k] : 0;
    if (recNo >= 1 && recNo <= Count) Table.SelectPageRecord(static_cast<int>(k) + 1);
    else Table.Go(recNo);
}
