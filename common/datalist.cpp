#include "common/datalist.h"

#include "engine/parts.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

std::string TDataRow::Item(size_t index) const {
    if (index == 0) return MarkText();
    if (index == 1) return RecNoText();
    return std::string(Text(index - 2));
}

char* TRowPool::Allocate(size_t n) {
    Owner.CheckAppend("TRowPool::Make");
    if (n > Left) {
        size_t size = std::max(n, BlockSize);
        Blocks.emplace_back(new char[size]);
        Held.fetch_add(size, std::memory_order_relaxed);
        if (size > BlockSize) return Blocks.back().get();  // a row of its own; keep the current block
        Cur = Blocks.back().get();
        Left = size;
    }
    char* p = Cur;
    Cur += n;
    Left -= n;
    return p;
}

const TDataRow* TRowPool::Make(const TRowBuilder& b) {
    size_t fields = b.Ends.size();
    if (fields > TDataRow::MaxFields || b.Bytes.size() > UINT32_MAX) throw std::length_error("row too large");
    char* mem = Allocate(TDataRow::SizeFor(fields, b.Bytes.size()));
    auto* row = new (mem) TDataRow();
    row->Number = b.RecNo;
    row->SetPrint(b.Print);
    row->Count = static_cast<uint16_t>(fields);
    row->Mark = b.Deleted ? 1 : 0;
    if (fields) std::memcpy(row->Ends(), b.Ends.data(), fields * sizeof(uint32_t));
    if (!b.Bytes.empty()) std::memcpy(row->Texts(), b.Bytes.data(), b.Bytes.size());
    return row;
}

const TDataRow* TRowPool::Make(bool deleted, uint32_t recNo, const std::vector<std::string>& texts, uint64_t print) {
    TRowBuilder b;
    b.Start(deleted, recNo, print);
    for (const auto& t : texts) b.Add(t);
    return Make(b);
}

const TDataRow* TRowPool::MakeWithField(const TDataRow& from, std::string_view text) {
    const size_t fields = size_t(from.Count) + 1, bytes = from.TextBytes() + text.size();
    if (fields > TDataRow::MaxFields || bytes > UINT32_MAX) throw std::length_error("row too large");
    auto* row = new (Allocate(TDataRow::SizeFor(fields, bytes))) TDataRow();
    row->Number = from.Number;
    row->SetPrint(from.Print());
    row->Count = static_cast<uint16_t>(fields);
    row->Mark = from.Mark;
    std::memcpy(row->Ends(), from.Ends(), from.Count * sizeof(uint32_t));
    row->Ends()[from.Count] = static_cast<uint32_t>(bytes);
    std::memcpy(row->Texts(), from.Texts(), from.TextBytes());
    if (!text.empty()) std::memcpy(row->Texts() + from.TextBytes(), text.data(), text.size());
    return row;
}

TDataList::TDataList() : Chunks(new Row*[MaxChunks]()) {}

TDataList::~TDataList() {
    for (size_t c = 0; c < Allocated; ++c) delete[] Chunks[c];
}

void TDataList::Append(Row row) {
    Owner.CheckAppend("TDataList::Append");
    size_t n = Size.load(std::memory_order_relaxed);
    size_t chunk = n >> ChunkBits;
    if (chunk >= MaxChunks) throw std::length_error("too many rows");
    if (chunk >= Allocated) {
        Chunks[chunk] = new Row[ChunkSize];
        Allocated = chunk + 1;
    }
    Chunks[chunk][n & ChunkMask] = row;
    Size.store(n + 1, std::memory_order_release);
}

void TDataList::Assign(const std::vector<Row>& rows) {
    Owner.CheckChange("TDataList::Assign");
    Size.store(0, std::memory_order_release);
    for (Row r : rows) Append(r);
}

std::vector<TDataList::Row> TDataList::Rows() const {
    Owner.CheckRead("TDataList::Rows");
    std::vector<Row> out;
    size_t n = Count();
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) out.push_back(Slot(i));
    return out;
}

void TDataList::Truncate(size_t newCount) {
    Owner.CheckChange("TDataList::Truncate");
    if (newCount < Count()) Size.store(newCount, std::memory_order_release);
}

void TDataList::Remove(size_t i) {
    Owner.CheckChange("TDataList::Remove");
    size_t n = Count();
    if (i >= n) return;
    for (size_t k = i; k + 1 < n; ++k) SetSlot(k, Slot(k + 1));
    Size.store(n - 1, std::memory_order_release);
}

void TDataList::Insert(size_t i, Row row) {
    Owner.CheckChange("TDataList::Insert");
    size_t n = Count();
    if (i > n) i = n;
    Append(row);
    for (size_t k = n; k > i; --k) SetSlot(k, Slot(k - 1));
    SetSlot(i, row);
}

size_t TDataList::BytesHeld() const { return Allocated * ChunkSize * sizeof(Row) + MaxChunks * sizeof(Row*); }

ptrdiff_t TDataList::IndexOf(Row row) const {
    Owner.CheckRead("TDataList::IndexOf");
    size_t n = Count();
    for (size_t i = 0; i < n; ++i)
        if (Slot(i) == row) return static_cast<ptrdiff_t>(i);
    return -1;
}

TRecordNumbers::TRecordNumbers(std::vector<uint32_t> ascending, size_t rows) : Set(std::move(ascending)) {
    if (Set.empty()) return;
    const size_t span = size_t(Set.back() - Set.front()) + 1;
    if (span > 4 * (Set.size() + rows) + 1024) return;  // sparse: searched instead
    Table.resize(span + 1);
    uint32_t below = 0;
    for (size_t i = 0, k = 0; i < span; ++i) {
        Table[i] = below;
        if (k < Set.size() && Set[k] == Set.front() + i) {
            ++below;
            ++k;
        }
    }
    Table[span] = below;
}

size_t TRowStore::RemoveRecords(std::vector<uint32_t> recNos) {
    std::sort(recNos.begin(), recNos.end());
    recNos.erase(std::unique(recNos.begin(), recNos.end()), recNos.end());
    if (recNos.empty()) return 0;
    const TRecordNumbers removed(std::move(recNos), AllRows().Count() + HiddenRows.Count());
    auto gone = [&](Row r) { return removed.Has(r->RecNo()); };
    const size_t count = DataList.RemoveIf(gone);
    if (UsingFilter) BackupDataList.RemoveIf(gone);
    HiddenRows.RemoveIf(gone);
    // Each remaining row moves down by the number of removed records below it; every row in
    // memory is in AllRows() or HiddenRows exactly once.
    for (TDataList* list : {&AllRows(), &HiddenRows})
        for (size_t i = 0, n = list->Count(); i < n; ++i) {
            Row r = (*list)[i];
            if (const uint32_t below = removed.Below(r->RecNo())) SetRecNo(r, r->RecNo() - below);
        }
    return count;
}

void TRowStore::ShiftForInsert(uint32_t recNo) {
    for (TDataList* list : {&AllRows(), &HiddenRows}) {
        list->Owner.CheckChange("TRowStore::ShiftForInsert");
        for (size_t i = 0, n = list->Count(); i < n; ++i) {
            Row r = (*list)[i];
            if (r->RecNo() >= recNo) SetRecNo(r, r->RecNo() + 1);
        }
    }
}

void TRowStore::ReplaceRow(Row old, Row row) {
    for (TDataList* list : {&DataList, &BackupDataList}) {
        ptrdiff_t i = list->IndexOf(old);
        if (i >= 0) list->Set(static_cast<size_t>(i), row);
    }
}

void TRowStore::ReplaceRows(const std::vector<std::pair<Row, Row>>& changes) {
    if (changes.empty()) return;
    if (changes.size() == 1) return ReplaceRow(changes[0].first, changes[0].second);
    auto byOld = [](const std::pair<Row, Row>& a, const std::pair<Row, Row>& b) {
        return std::less<Row>()(a.first, b.first);
    };
    std::vector<std::pair<Row, Row>> sorted(changes);
    std::sort(sorted.begin(), sorted.end(), byOld);
    for (TDataList* list : {&DataList, &BackupDataList}) {
        for (size_t i = 0, n = list->Count(); i < n; ++i) {
            auto it = std::lower_bound(sorted.begin(), sorted.end(), std::pair<Row, Row>((*list)[i], nullptr), byOld);
            if (it != sorted.end() && it->first == (*list)[i]) list->Set(i, it->second);
        }
    }
}

void TRowStore::AppendRow(Row row) {
    DataList.Append(row);
    if (UsingFilter) BackupDataList.Append(row);
}

void TRowStore::InsertRowBefore(Row before, Row row) {
    auto insert = [&](TDataList& list) {
        ptrdiff_t i = before ? list.IndexOf(before) : -1;
        list.Insert(i < 0 ? list.Count() : static_cast<size_t>(i), row);
    };
    insert(DataList);
    if (UsingFilter) insert(BackupDataList);
}

void TRowStore::ClearRows() {
    DataList.Clear();
    BackupDataList.Clear();
    HiddenRows.Clear();
    UsingFilter = false;
}

void TRowStore::Release() const {
    for (const TThreadOwner* o : Owners()) o->Release();
}

void TRowStore::Adopt() const {
    for (const TThreadOwner* o : Owners()) o->Adopt();
}

void TRowStore::SetAllMarks(bool deleted) {
    for (TDataList* list : {&AllRows(), &HiddenRows}) {
        list->Owner.CheckChange("TRowStore::SetAllMarks");
        for (size_t i = 0, n = list->Count(); i < n; ++i) SetMark((*list)[i], deleted);
    }
}

void TRowStore::SetPrints(const std::vector<uint64_t>& prints) {
    for (TDataList* list : {&AllRows(), &HiddenRows}) {
        list->Owner.CheckChange("TRowStore::SetPrints");
        for (size_t i = 0, n = list->Count(); i < n; ++i) {
            Row r = (*list)[i];
            if (r->RecNo() >= 1 && r->RecNo() <= prints.size()) SetPrint(r, prints[r->RecNo() - 1]);
        }
    }
}

void TRowStore::RemoveFields(const std::vector<int32_t>& indexes) {
    if (indexes.empty()) return;
    // A long list is shared out among a few threads; each narrows rows of its own.
    const TDataList& all = AllRows();
    all.Owner.CheckChange("TRowStore::RemoveFields");
    const size_t n = all.Count();
    constexpr size_t RowsPerPart = 4096, MaxParts = 4;
    const size_t parts = std::clamp<size_t>(n / RowsPerPart, 1, MaxParts);
    vx::RunParts(parts, [&](size_t p) {
        RemoveFields(all, n * p / parts, n * (p + 1) / parts, indexes);
        return true;
    });
}

void TRowStore::RemoveFields(const TDataList& list, size_t first, size_t last, const std::vector<int32_t>& indexes) {
    // The fields kept, as runs [First, Last) of neighbours, for rows of planCount fields (the
    // rows of a table all have the same count).
    struct TRun {
        uint32_t First, Last;
    };
    std::vector<TRun> runs;
    uint32_t planCount = 0, kept = 0;
    auto plan = [&](uint32_t count) {
        runs.clear();
        kept = 0;
        size_t next = 0;  // the next index to leave out
        for (uint32_t k = 0; k < count; ++k) {
            while (next < indexes.size() && indexes[next] < int32_t(k)) ++next;
            if (next < indexes.size() && indexes[next] == int32_t(k)) continue;
            if (!runs.empty() && runs.back().Last == k) ++runs.back().Last;
            else runs.push_back({k, k + 1});
            ++kept;
        }
        planCount = count;
    };
    plan(0);
    std::vector<uint32_t> ends;
    for (size_t i = first; i < last; ++i) {
        auto* row = const_cast<TDataRow*>(list.Slot(i));
        if (row->Count != planCount) plan(row->Count);
        if (kept == row->Count) continue;
        // The texts move down over the ends that go, so the old ends are read from a copy;
        // each run of texts lands below where the next one starts.
        ends.assign(row->Ends(), row->Ends() + row->Count);
        const char* const from = row->Texts();
        row->Count = static_cast<uint16_t>(kept);
        char* const to = row->Texts();
        uint32_t* const newEnds = row->Ends();
        uint32_t out = 0, bytes = 0;  // fields and text bytes placed
        for (const TRun& r : runs) {
            const uint32_t begin = r.First ? ends[r.First - 1] : 0, end = ends[r.Last - 1];
            std::memmove(to + bytes, from + begin, end - begin);
            for (uint32_t k = r.First; k < r.Last; ++k) newEnds[out++] = ends[k] - begin + bytes;
            bytes += end - begin;
        }
    }
}

void TRowStore::RenumberRecords(const std::vector<std::pair<uint32_t, uint32_t>>& moves) {
    if (moves.empty()) return;
    std::vector<std::pair<uint32_t, uint32_t>> byFrom(moves);
    std::sort(byFrom.begin(), byFrom.end());
    byFrom.erase(std::unique(byFrom.begin(), byFrom.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                 byFrom.end());
    std::vector<uint32_t> froms;
    froms.reserve(byFrom.size());
    for (const auto& m : byFrom) froms.push_back(m.first);
    const TRecordNumbers moved(std::move(froms), AllRows().Count() + HiddenRows.Count());
    for (TDataList* list : {&AllRows(), &HiddenRows}) {
        list->Owner.CheckChange("TRowStore::RenumberRecords");
        for (size_t i = 0, n = list->Count(); i < n; ++i) {
            Row r = (*list)[i];
            if (moved.Has(r->RecNo())) SetRecNo(r, byFrom[moved.Below(r->RecNo())].second);
        }
    }
}
