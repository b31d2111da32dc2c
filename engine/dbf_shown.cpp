// The records a command acts on, compared with what its rows show before anything is written:
// the fingerprint the rows keep, and the reading of the records to compare.
#include "engine/dbf.h"

#include "engine/parts.h"
#include "platform/filestream.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <exception>
#include <thread>

namespace {
constexpr size_t ChunkBytes = size_t(4) << 20;  // bytes one read moves at most
// Records compared are read this many bytes at a time at most, into a buffer that stays in
// the core's own cache while they are compared.
constexpr size_t CompareBytes = size_t(256) << 10;
constexpr size_t PiecesPerCopy = 4096;  // records copied out of a mapping at once
// Records of at least this many bytes to compare are shared out among up to MaxParts threads.
constexpr size_t ConcurrentBytes = size_t(8) << 20;
constexpr size_t MaxParts = 8;
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

namespace {

// Threads that share out the comparison of this many records' bytes.
size_t PartsFor(size_t bytes) {
    if (bytes < ConcurrentBytes) return 1;
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, MaxParts);
}

}  // namespace

bool TDBF::ShownInParts(size_t records, const std::function<bool(size_t part, size_t parts, bool concurrent)>& part) {
    size_t parts = PartsFor(records * GetRecordLength());
    const bool concurrent = parts > 1 && Shown->BeginConcurrent();
    if (!concurrent) parts = 1;
    bool ok = false;
    try {
        ok = vx::RunParts(parts, [&](size_t p) { return part(p, parts, concurrent); });
    } catch (...) {
        if (concurrent) Shown->EndConcurrent();
        throw;
    }
    if (concurrent) Shown->EndConcurrent();
    return ok;
}

void TDBF::CheckShownRecords(const std::vector<uint32_t>& ascending, int64_t count) {
    if (!Shown || ascending.empty()) return;
    if (ascending.front() < 1 || int64_t(ascending.back()) > count) throw EDBFRecordsChanged(FileName);
    const size_t rl = GetRecordLength();
    auto part = [&](size_t p, size_t parts, bool concurrent) {
        const size_t first = ascending.size() * p / parts, end = ascending.size() * (p + 1) / parts;
        auto read = [&](int64_t offset, void* to, size_t n) { return Stream->ReadAtConcurrently(offset, to, n); };
        std::vector<uint8_t> buf;
        std::vector<vx::TFileMapping::TPiece> pieces;
        for (size_t i = first; i < end;) {
            // A batch of records: read as a span when they lie close together, a piece of
            // CompareBytes at a time; else one by one (out of a mapping of the file when on one
            // thread).
            size_t j = std::min(end, i + PiecesPerCopy);
            const int64_t low = ascending[i], high = ascending[j - 1];
            const size_t span = size_t(high - low + 1) * rl;
            if (span <= ChunkBytes || span <= 4 * (j - i) * rl) {
                const int64_t near = int64_t(std::max<size_t>(1, CompareBytes / rl));  // records a piece holds
                buf.resize(size_t(near) * rl);
                for (size_t k = i; k < j;) {
                    const int64_t from = ascending[k], to = std::min(high, from + near - 1);
                    if (!read(RecordOffset(from), buf.data(), size_t(to - from + 1) * rl)) return false;
                    for (; k < j && ascending[k] <= to; ++k)
                        if (!Shown->IsAsShown(ascending[k], buf.data() + size_t(ascending[k] - from) * rl)) return false;
                }
            } else {
                buf.resize((j - i) * rl);
                pieces.clear();
                for (size_t k = i; k < j; ++k) pieces.push_back({RecordOffset(ascending[k]), buf.data() + (k - i) * rl, rl});
                const int64_t fileEnd = RecordOffset(high) + int64_t(rl);
                // The table's mapping is made and changed on its own thread only.
                const vx::TFileMapping* map = concurrent ? nullptr : MapThrough(fileEnd);
                const bool copied = map && map->CopyOut(pieces.data(), pieces.size());
                for (size_t k = 0; k < pieces.size() && !copied; ++k)
                    if (!read(pieces[k].Offset, pieces[k].Dest, rl)) return false;
                for (size_t k = i; k < j; ++k)
                    if (!Shown->IsAsShown(ascending[k], buf.data() + (k - i) * rl)) return false;
            }
            i = j;
        }
        return true;
    };
    if (!ShownInParts(ascending.size(), part)) throw EDBFRecordsChanged(FileName);
}

const vx::TFileMapping* TDBF::MapThrough(int64_t end) {
    // Bytes of a mapping beyond the end of the file read as zeros up to the end of its page,
    // so the file must hold every byte to be read.
    if (end <= 0 || Stream->Size() < end) return nullptr;
    if (!Mapping || Mapping->Length() < end) {
        Mapping.reset();
        Mapping = std::make_unique<vx::TFileMapping>(*Stream, Stream->Size());
    }
    return Mapping->Valid() ? Mapping.get() : nullptr;
}

void TDBF::CheckShownWhere(int64_t count, bool (*pick)(const uint8_t*), std::vector<uint32_t>* picked) {
    if (!Shown) return;
    if (const size_t shown = Shown->ShownCount(); shown && shown != size_t(count)) throw EDBFRecordsChanged(FileName);
    if (!pick || count < 1) return;
    if (count > int64_t(UINT32_MAX)) throw EDBFRecordsChanged(FileName);
    const size_t rl = GetRecordLength();
    const int64_t chunk = std::max<int64_t>(1, int64_t(CompareBytes / std::max<size_t>(rl, 1)));
    // Records compared by their prints alone are read in place out of a mapping of the file.
    const vx::TFileMapping* map = Shown->ComparesPrints() ? MapThrough(RecordOffset(count) + int64_t(rl)) : nullptr;
    std::vector<std::vector<uint32_t>> picks(MaxParts);
    auto part = [&](size_t p, size_t parts, bool) {
        const int64_t from = 1 + count * int64_t(p) / int64_t(parts), to = count * int64_t(p + 1) / int64_t(parts);
        std::vector<uint32_t> mine;  // the part's own until it ends: no line shared with another's
        if (map) {
            // A batch of records at a time: their marks and prints are taken inside the
            // mapping's guarded read, and compared with the rows after it.
            constexpr size_t Batch = 1024;
            uint64_t prints[Batch];
            uint32_t at[Batch];
            bool deleted[Batch];
            for (int64_t src = from; src <= to; src += int64_t(Batch)) {
                const size_t n = size_t(std::min<int64_t>(int64_t(Batch), to - src + 1));
                size_t got = 0;
                auto take = [&](const uint8_t* bytes, size_t) {
                    for (size_t i = 0; i < n; ++i) {
                        const uint8_t* rec = bytes + i * rl;
                        if (!pick(rec)) continue;
                        at[got] = uint32_t(i);
                        deleted[got] = rec[0] == '*';
                        prints[got++] = RecordPrint(rec, rl);
                    }
                };
                if (!map->Read(RecordOffset(src), n * rl, take)) return false;
                for (size_t k = 0; k < got; ++k) {
                    const uint32_t recNo = static_cast<uint32_t>(src + at[k]);
                    if (!Shown->IsPrintShown(recNo, deleted[k], prints[k])) return false;
                    if (picked) mine.push_back(recNo);
                }
            }
            picks[p] = std::move(mine);
            return true;
        }
        std::vector<uint8_t> buf;
        for (int64_t src = from; src <= to; src += chunk) {
            const int64_t n = std::min(chunk, to - src + 1);
            buf.resize(size_t(n) * rl);
            if (!Stream->ReadAtConcurrently(RecordOffset(src), buf.data(), buf.size())) return false;
            for (int64_t i = 0; i < n; ++i) {
                const uint8_t* rec = buf.data() + size_t(i) * rl;
                if (!pick(rec)) continue;
                if (!Shown->IsAsShown(static_cast<uint32_t>(src + i), rec)) return false;
                if (picked) mine.push_back(static_cast<uint32_t>(src + i));
            }
        }
        picks[p] = std::move(mine);
        return true;
    };
    if (!ShownInParts(size_t(count), part)) throw EDBFRecordsChanged(FileName);
    if (picked) {
        picked->clear();
        for (const std::vector<uint32_t>& p : picks) picked->insert(picked->end(), p.begin(), p.end());
    }
}
