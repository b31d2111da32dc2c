// The records a command acts on, compared with what its rows show before anything is written:
// the fingerprint the rows keep, and the reading of the records to compare.
#include "engine/dbf.h"

#include "platform/filestream.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>

namespace {
constexpr size_t ChunkBytes = size_t(4) << 20;  // bytes one read moves at most
constexpr size_t PiecesPerCopy = 4096;         // records copied out of a mapping at once
}  // namespace

uint64_t RecordPrint(const uint8_t* record, size_t length) {
    return length > 1 ? XXH3_64bits(record + 1, length - 1) : 0;
}

uint64_t TDBF::GetRecordPrint() const {
    const size_t rl = GetRecordLength();
    return RecordBuffer.size() >= rl ? RecordPrint(RecordBuffer.data(), rl) : 0;
}

std::vector<uint64_t> TDBF::ReadRecordPrints() {
    CheckThread("TDBF::ReadRecordPrints");
    CheckActive(true);
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    const size_t rl = GetRecordLength();
    const int64_t chunk = std::max<int64_t>(1, int64_t(ChunkBytes / std::max<size_t>(rl, 1)));
    std::vector<uint64_t> prints;
    prints.reserve(size_t(count));
    std::vector<uint8_t> buf;
    for (int64_t src = 1; src <= count; src += chunk) {
        const int64_t n = std::min(chunk, count - src + 1);
        buf.resize(size_t(n) * rl);
        if (!Stream->ReadAt(RecordOffset(src), buf.data(), buf.size())) FailRange(src + n - 1);
        for (int64_t i = 0; i < n; ++i) prints.push_back(RecordPrint(buf.data() + size_t(i) * rl, rl));
    }
    return prints;
}

void TDBF::CheckCurrentShown(int64_t recNo) {
    CheckThread("TDBF::CheckCurrentShown");
    if (Shown && RecordBuffer.size() >= GetRecordLength()) CheckShown(recNo, RecordBuffer.data());
}

void TDBF::CheckShown(int64_t recNo, const uint8_t* record) {
    if (!Shown) return;
    if (recNo < 1 || recNo > int64_t(UINT32_MAX) || !Shown->IsAsShown(static_cast<uint32_t>(recNo), record))
        throw EDBFRecordsChanged(FileName);
}

void TDBF::CheckShownAt(int64_t recNo, int64_t count) {
    if (!Shown) return;
    if (recNo < 1 || recNo > count) throw EDBFRecordsChanged(FileName);
    const size_t rl = GetRecordLength();
    thread_local std::vector<uint8_t> rec;
    rec.resize(rl);
    if (!Stream->ReadAt(RecordOffset(recNo), rec.data(), rl)) throw EDBFRecordsChanged(FileName);
    CheckShown(recNo, rec.data());
}

void TDBF::CheckShownRecords(const std::vector<uint32_t>& ascending, int64_t count) {
    if (!Shown || ascending.empty()) return;
    if (ascending.front() < 1 || int64_t(ascending.back()) > count) throw EDBFRecordsChanged(FileName);
    const size_t rl = GetRecordLength();
    std::vector<uint8_t> buf;
    std::vector<vx::TFileMapping::TPiece> pieces;
    std::unique_ptr<vx::TFileMapping> mapping;
    for (size_t i = 0; i < ascending.size();) {
        // A batch of records: read as one span when they lie close together, else copied one
        // by one out of a mapping of the file.
        const size_t j = std::min(ascending.size(), i + PiecesPerCopy);
        const int64_t first = ascending[i], last = ascending[j - 1];
        const size_t span = size_t(last - first + 1) * rl;
        if (span <= ChunkBytes || span <= 4 * (j - i) * rl) {
            buf.resize(span);
            if (!Stream->ReadAt(RecordOffset(first), buf.data(), span)) throw EDBFRecordsChanged(FileName);
            for (size_t k = i; k < j; ++k) CheckShown(ascending[k], buf.data() + size_t(ascending[k] - first) * rl);
        } else {
            buf.resize((j - i) * rl);
            pieces.clear();
            for (size_t k = i; k < j; ++k) pieces.push_back({RecordOffset(ascending[k]), buf.data() + (k - i) * rl, rl});
            const int64_t end = RecordOffset(last) + int64_t(rl);
            if ((!mapping || mapping->Length() < end) && Stream->Size() >= end)
                mapping = std::make_unique<vx::TFileMapping>(*Stream, Stream->Size());
            const bool copied = mapping && mapping->Valid() && mapping->Length() >= end &&
                                mapping->CopyOut(pieces.data(), pieces.size());
            for (size_t k = 0; k < pieces.size() && !copied; ++k)
                if (!Stream->ReadAt(pieces[k].Offset, pieces[k].Dest, rl)) throw EDBFRecordsChanged(FileName);
            for (size_t k = i; k < j; ++k) CheckShown(ascending[k], buf.data() + (k - i) * rl);
        }
        i = j;
    }
}

void TDBF::CheckShownWhere(int64_t count, const std::function<bool(const uint8_t*)>& pick) {
    if (!Shown) return;
    if (const size_t shown = Shown->ShownCount(); shown && shown != size_t(count)) throw EDBFRecordsChanged(FileName);
    if (!pick) return;
    const size_t rl = GetRecordLength();
    const int64_t chunk = std::max<int64_t>(1, int64_t(ChunkBytes / std::max<size_t>(rl, 1)));
    std::vector<uint8_t> buf;
    for (int64_t src = 1; src <= count; src += chunk) {
        const int64_t n = std::min(chunk, count - src + 1);
        buf.resize(size_t(n) * rl);
        if (!Stream->ReadAt(RecordOffset(src), buf.data(), buf.size())) throw EDBFRecordsChanged(FileName);
        for (int64_t i = 0; i < n; ++i) {
            const uint8_t* rec = buf.data() + size_t(i) * rl;
            if (pick(rec)) CheckShown(src + i, rec);
        }
    }
}
