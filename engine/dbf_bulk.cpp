// Record operations over many records at once: marking, removing, packing, filling holes from
// the end and reading. Each takes the lock once and moves data in large chunks, so
// that a million-record table is handled in about the time of one pass over the file; the
// bytes left in the file are those of the one-record-at-a-time operations.
#include "engine/dbf.h"

#include "engine/parts.h"
#include "platform/filestream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr uint8_t DeletedFlag = '*';
constexpr uint8_t NormalFlag = ' ';
// Records wanted by ReadPageRecords that lie at most this many bytes apart are read at once.
constexpr int64_t NearBytes = 256;

// Sorts keys by their upper 32 bits, keeping the order of equal ones: a byte at a time from the
// lowest, skipping the bytes that are the same in every key.
void SortByUpperHalf(std::vector<uint64_t>& keys) {
    std::vector<uint64_t> other(keys.size());
    uint64_t differ = 0;
    for (uint64_t k : keys) differ |= (k ^ keys.front()) >> 32;
    for (int shift = 32; shift < 64; shift += 8) {
        if (!((differ << 32 >> shift) & 0xFF)) continue;
        size_t start[257] = {};
        for (uint64_t k : keys) ++start[((k >> shift) & 0xFF) + 1];
        for (int d = 0; d < 256; ++d) start[d + 1] += start[d];
        for (uint64_t k : keys) other[start[(k >> shift) & 0xFF]++] = k;
        keys.swap(other);
    }
}

}  // namespace

size_t TDBF::RecordsPerChunk() const {
    const size_t rl = std::max<size_t>(GetRecordLength(), 1);
    return std::max<size_t>(BulkChunkBytes / rl, 1);
}

void TDBF::CutToCount(int64_t count) {
    TruncateOrFail(int64_t(GetHeaderLength()) + count * int64_t(GetRecordLength()));
    SetHeaderRecordCount(static_cast<uint32_t>(count));
    WriteCountUnlocked();
    CurrentRecNo = std::min<int64_t>(CurrentRecNo, count);
    ReadImageRecNo = 0;  // records moved
}

void TDBF::UndoCompaction(int64_t first, int64_t dst, int64_t src, const std::vector<uint32_t>& goneNos,
                          const std::vector<uint8_t>& goneBytes) {
    const size_t rl = GetRecordLength();
    const int64_t chunk = static_cast<int64_t>(RecordsPerChunk());
    size_t g = size_t(std::lower_bound(goneNos.begin(), goneNos.end(), uint32_t(src)) - goneNos.begin());
    int64_t k = dst - 1;  // where the last kept record not yet put back stands now
    std::vector<uint8_t> moved, out;
    // From the end down, so that no record is overwritten before it is read: a kept record
    // stands at or below its old place, and the places below are put back later.
    for (int64_t hi = src - 1; hi >= first;) {
        const int64_t lo = std::max(first, hi - chunk + 1);
        size_t gone = 0;
        while (gone < g && goneNos[g - 1 - gone] >= lo) ++gone;
        const int64_t keptHere = (hi - lo + 1) - int64_t(gone);
        moved.resize(size_t(keptHere) * rl);
        if (keptHere > 0 && !Stream->ReadAt(RecordOffset(k - keptHere + 1), moved.data(), moved.size()))
            FailRange(k);
        out.resize(size_t(hi - lo + 1) * rl);
        int64_t m = keptHere;
        for (int64_t p = hi; p >= lo; --p) {
            uint8_t* to = out.data() + size_t(p - lo) * rl;
            if (g > 0 && goneNos[g - 1] == p) std::memcpy(to, goneBytes.data() + (--g) * rl, rl);
            else std::memcpy(to, moved.data() + size_t(--m) * rl, rl);
        }
        WriteOrFail(RecordOffset(lo), out.data(), out.size(), " - Error in write DBF!");
        k -= keptHere;
        hi = lo - 1;
    }
}

template <class Drop>
int64_t TDBF::CompactRecords(int64_t first, int64_t count, Drop drop, bool compareDropped) {
    const size_t rl = GetRecordLength();
    const int64_t chunk = static_cast<int64_t>(RecordsPerChunk());
    const int64_t chunks = count >= first ? (count - first + chunk) / chunk : 0;
    // The chunks are read and compacted on two threads and written strictly in order, so that
    // one thread reads while the other writes. A chunk lands below every record of the chunks
    // after it, so a chunk read early still holds the file's records.
    const size_t threads = vx::InOrderThreads(chunks);
    struct TPart {
        std::vector<uint8_t> Buf;
        bool Read = false;
        int64_t Kept = 0, FirstMoved = -1;
        std::vector<uint32_t> GoneNos;  // the chunk's records dropped, and their bytes
        std::vector<uint8_t> GoneBytes;
    };
    std::vector<TPart> parts(threads);
    for (TPart& part : parts) part.Buf.resize(size_t(std::min(chunk, std::max<int64_t>(count - first + 1, 1))) * rl);
    // With records lent, every record dropped is compared before the chunk that holds it is
    // written, and kept, so that the records moved so far can be put back when one is not as
    // shown. The comparisons are made in order too, one chunk at a time.
    const bool compare = compareDropped && Shown;
    std::vector<uint32_t> goneNos;
    std::vector<uint8_t> goneBytes;
    int64_t dst = first;   // the next slot a kept record goes to
    int64_t unread = 0;    // the last record of a chunk that could not be read
    bool changed = false;  // a record dropped was not as shown
    auto source = [&](int64_t c) { return first + c * chunk; };
    auto records = [&](int64_t c) { return std::min(chunk, count - source(c) + 1); };
    vx::RunInOrder(chunks, threads, [&](int64_t c, size_t t) {
        TPart& part = parts[t];
        const int64_t src = source(c), n = records(c);
        part.Read = Stream->ReadAtConcurrently(RecordOffset(src), part.Buf.data(), size_t(n) * rl);
        // Kept records gather at the front of the buffer; while nothing has been dropped yet
        // they already stand where they belong and need no write.
        part.Kept = 0;
        part.FirstMoved = -1;
        part.GoneNos.clear();
        part.GoneBytes.clear();
        for (int64_t i = 0; part.Read && i < n; ++i) {
            uint8_t* rec = part.Buf.data() + size_t(i) * rl;
            if (drop(src + i, rec)) {
                if (compare) {
                    part.GoneNos.push_back(static_cast<uint32_t>(src + i));
                    part.GoneBytes.insert(part.GoneBytes.end(), rec, rec + rl);
                }
                if (part.FirstMoved < 0) part.FirstMoved = part.Kept;
                continue;
            }
            if (part.Kept != i) std::memmove(part.Buf.data() + size_t(part.Kept) * rl, rec, rl);
            ++part.Kept;
        }
    }, [&](int64_t c, size_t t) {
        const TPart& part = parts[t];
        const int64_t src = source(c);
        if (!part.Read) {
            unread = src + records(c) - 1;
            return false;
        }
        for (size_t g = 0; g < part.GoneNos.size(); ++g)
            if (!Shown->IsAsShown(part.GoneNos[g], part.GoneBytes.data() + g * rl)) {
                UndoCompaction(first, dst, src, goneNos, goneBytes);
                changed = true;
                return false;
            }
        goneNos.insert(goneNos.end(), part.GoneNos.begin(), part.GoneNos.end());
        goneBytes.insert(goneBytes.end(), part.GoneBytes.begin(), part.GoneBytes.end());
        const int64_t from = dst != src ? 0 : (part.FirstMoved < 0 ? part.Kept : part.FirstMoved);
        if (part.Kept > from)
            WriteOrFail(RecordOffset(dst + from), part.Buf.data() + size_t(from) * rl, size_t(part.Kept - from) * rl,
                        " - Error in write DBF!");
        dst += part.Kept;
        return true;
    });
    if (changed) throw EDBFRecordsChanged(FileName);
    if (unread) FailRange(unread);
    return dst - 1;
}

int64_t TDBF::DropMapped(const vx::TFileMapping& map, const std::vector<uint32_t>& drops, int64_t count) {
    // The records kept from the first dropped one on move down to their places a piece at a
    // time: a piece's records are gathered out of the mapping into a buffer, and the buffer is
    // written where they now belong. The pieces are written strictly in order, each below every
    // record of the pieces after it (no kept record moves up), so a second thread gathers the
    // next piece while one writes; a failed write leaves every record after it where it was.
    const size_t rl = GetRecordLength();
    const int64_t first = drops.front();
    // The records kept among first..r-1, and the first record with `kept` kept ones before it.
    auto keptBefore = [&](int64_t r) {
        return (r - first) - (std::lower_bound(drops.begin(), drops.end(), r,
                                               [](uint32_t a, int64_t b) { return int64_t(a) < b; }) -
                              drops.begin());
    };
    auto startOf = [&](int64_t kept) {
        int64_t lo = first, hi = count + 1;
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (keptBefore(mid) < kept) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    };
    const int64_t total = keptBefore(count + 1);
    if (total == 0) return first - 1;
    // Gathers kept records from..to-1 (by their order among those kept) into `out`; false when
    // the file was cut shorter under the mapping.
    auto gather = [&](int64_t from, int64_t to, uint8_t* out) {
        if (from >= to) return true;
        const int64_t src = startOf(from), end = startOf(to);
        auto d = std::lower_bound(drops.begin(), drops.end(), uint32_t(src));
        auto copy = [&](const uint8_t* bytes, size_t) {
            for (int64_t r = src; r < end;) {
                while (r < end && d != drops.end() && int64_t(*d) == r) ++d, ++r;
                const int64_t runEnd = d != drops.end() ? std::min<int64_t>(end, *d) : end;
                std::memcpy(out, bytes + size_t(r - src) * rl, size_t(runEnd - r) * rl);
                out += size_t(runEnd - r) * rl;
                r = runEnd;
            }
        };
        return map.Read(RecordOffset(src), size_t(end - src) * rl, copy);
    };
    const int64_t piece = std::max<int64_t>(1, int64_t(PackPieceBytes / rl));  // records
    const int64_t pieces = (total + piece - 1) / piece;
    const size_t threads = vx::InOrderThreads(pieces);
    std::vector<std::vector<uint8_t>> outs(threads);  // each thread's own, made before they start
    for (std::vector<uint8_t>& out : outs) out.resize(size_t(std::min(piece, total)) * rl);
    std::vector<char> gathered(threads);
    bool cut = false;  // the file was cut shorter under the mapping
    vx::RunInOrder(pieces, threads, [&](int64_t k, size_t t) {
        gathered[t] = gather(k * piece, std::min(total, (k + 1) * piece), outs[t].data());
    }, [&](int64_t k, size_t t) {
        if (!gathered[t]) {
            cut = true;
            return false;
        }
        const int64_t from = k * piece, to = std::min(total, from + piece);
        WriteOrFail(RecordOffset(first + from), outs[t].data(), size_t(to - from) * rl, " - Error in write DBF!");
        return true;
    });
    if (cut) FailRange(count);
    return first + total - 1;
}

// ---- deletion flags ---------------------------------------------------------------------

void TDBF::SetAllDeleted(bool flag) {
    CheckActive(true);
    const uint8_t want = flag ? DeletedFlag : NormalFlag;
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    const size_t rl = GetRecordLength();
    if (rl == 0) return;
    CheckShownWhere(count, {});
    // Two threads read and change the chunks; the changes are written in order, one chunk at
    // a time, while the next chunk is read.
    const int64_t chunk = static_cast<int64_t>(RecordsPerChunk());
    const int64_t chunks = (count + chunk - 1) / chunk;
    const size_t threads = vx::InOrderThreads(chunks);
    struct TPart {
        std::vector<uint8_t> Buf;
        bool Read = false;
        int64_t Lo = -1, Hi = -1;  // the first and last record whose flag changed
    };
    std::vector<TPart> parts(threads);
    for (TPart& part : parts) part.Buf.resize(size_t(std::min(chunk, count)) * rl);
    int64_t unread = 0;  // the last record of a chunk that could not be read
    vx::RunInOrder(chunks, threads, [&](int64_t c, size_t t) {
        TPart& part = parts[t];
        const int64_t src = 1 + c * chunk, n = std::min(chunk, count - src + 1);
        part.Read = Stream->ReadAtConcurrently(RecordOffset(src), part.Buf.data(), size_t(n) * rl);
        // Only the span from the first to the last changed flag is written back.
        part.Lo = part.Hi = -1;
        for (int64_t i = 0; part.Read && i < n; ++i) {
            uint8_t& f = part.Buf[size_t(i) * rl];
            if (f == want) continue;
            f = want;
            if (part.Lo < 0) part.Lo = i;
            part.Hi = i;
        }
    }, [&](int64_t c, size_t t) {
        const TPart& part = parts[t];
        const int64_t src = 1 + c * chunk;
        if (!part.Read) {
            unread = std::min(count, src + chunk - 1);
            return false;
        }
        if (part.Lo >= 0)
            WriteOrFail(RecordOffset(src + part.Lo), part.Buf.data() + size_t(part.Lo) * rl,
                        size_t(part.Hi - part.Lo) * rl + 1, " - Error in write DBF!");
        return true;
    });
    if (unread) FailRange(unread);
    if (CurrentRecNo >= 1 && CurrentRecNo <= count && !RecordBuffer.empty()) RecordBuffer[0] = want;
    if (ReadImageRecNo <= count) SetReadImageFlag(ReadImageRecNo, want);
}

void TDBF::SetDeletedFlags(std::vector<TRecordFlag> flags) {
    CheckActive(true);
    if (flags.empty()) return;
    // The last flag given for a record wins.
    std::stable_sort(flags.begin(), flags.end(),
                     [](const TRecordFlag& a, const TRecordFlag& b) { return a.RecNo < b.RecNo; });
    std::vector<TRecordFlag> unique;
    unique.reserve(flags.size());
    for (const TRecordFlag& f : flags) {
        if (!unique.empty() && unique.back().RecNo == f.RecNo) unique.back() = f;
        else unique.push_back(f);
    }
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    if (Shown) {
        std::vector<uint32_t> recNos;
        recNos.reserve(unique.size());
        for (const TRecordFlag& f : unique) recNos.push_back(f.RecNo);
        CheckShownRecords(recNos, count);
    }
    if (unique.front().RecNo < 1) FailRange(unique.front().RecNo);
    if (unique.back().RecNo > count) FailRange(unique.back().RecNo);
    const size_t rl = GetRecordLength();
    const int64_t chunk = static_cast<int64_t>(RecordsPerChunk());
    std::vector<uint8_t> buf;
    // The flags are read a window of records at a time. Flags that differ and lie close
    // together are written as one span of the bytes read (the bytes between them as they
    // are); a flag far from the others is written on its own.
    constexpr int64_t SpanGap = 4096;  // bytes between two flags beyond which each has its write
    for (size_t i = 0; i < unique.size();) {
        const int64_t first = unique[i].RecNo;
        size_t j = i;
        while (j + 1 < unique.size() && int64_t(unique[j + 1].RecNo) - first < chunk) ++j;
        const int64_t last = unique[j].RecNo;
        buf.resize(size_t(last - first) * rl + 1);
        if (!Stream->ReadAt(RecordOffset(first), buf.data(), buf.size())) FailRange(last);
        int64_t lo = -1, hi = -1;  // the bytes of buf changed and not yet written
        auto flush = [&] {
            if (lo >= 0)
                WriteOrFail(RecordOffset(first) + lo, buf.data() + lo, size_t(hi - lo + 1), " - Error in write DBF!");
            lo = hi = -1;
        };
        for (size_t k = i; k <= j; ++k) {
            const uint8_t want = unique[k].Deleted ? DeletedFlag : NormalFlag;
            const int64_t at = (unique[k].RecNo - first) * int64_t(rl);
            if (buf[size_t(at)] != want) {
                if (lo >= 0 && at - hi > SpanGap) flush();
                buf[size_t(at)] = want;
                if (lo < 0) lo = at;
                hi = at;
            }
            if (int64_t(unique[k].RecNo) == CurrentRecNo && !RecordBuffer.empty()) RecordBuffer[0] = want;
            SetReadImageFlag(unique[k].RecNo, want);
        }
        flush();
        i = j + 1;
    }
}

// ---- removing ---------------------------------------------------------------------------

void TDBF::RemoveRecords(std::vector<uint32_t> recNos) {
    CheckActive(true);
    std::sort(recNos.begin(), recNos.end());
    recNos.erase(std::unique(recNos.begin(), recNos.end()), recNos.end());
    if (recNos.empty()) return;
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    if (Shown && (recNos.front() < 1 || recNos.back() > count)) throw EDBFRecordsChanged(FileName);
    if (recNos.front() < 1) FailRange(recNos.front());
    if (recNos.back() > count) FailRange(recNos.back());
    // The records removed, a bit each from the first on, for the chunks read on two threads.
    const int64_t first = recNos.front();
    std::vector<uint64_t> gone(size_t((count - first) / 64 + 1));
    for (uint32_t r : recNos) gone[size_t(r - first) / 64] |= uint64_t(1) << ((r - first) % 64);
    // The records removed are compared as the pass reaches them (they are read there anyway).
    const int64_t kept = CompactRecords(first, count, [&](int64_t recNo, const uint8_t*) {
        return (gone[size_t(recNo - first) / 64] >> ((recNo - first) % 64)) & 1;
    }, true);
    CutToCount(kept);
}

void TDBF::PackDeleted() {
    CheckActive(true);
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    if (count < 1 || GetRecordLength() == 0) return;
    auto marked = [](const uint8_t* rec) { return rec[0] == DeletedFlag; };
    // Every marked record is compared first; where that reads the records in place, the pass
    // finds them, and the records kept are copied out of the same mapping.
    std::vector<uint32_t> drops;
    CheckShownWhere(count, marked, &drops);
    if (Shown && Shown->ComparesPrints()) {
        if (drops.empty()) return;
        if (const vx::TFileMapping* map = MapThrough(RecordOffset(count) + int64_t(GetRecordLength()))) {
            CutToCount(DropMapped(*map, drops, count));
            return;
        }
    }
    const int64_t kept = CompactRecords(1, count, [&](int64_t, const uint8_t* rec) { return marked(rec); }, false);
    if (kept != count) CutToCount(kept);
}

std::vector<std::pair<uint32_t, uint32_t>> TDBF::FillHolesFromEnd(std::vector<uint32_t> holes) {
    CheckActive(true);
    std::vector<std::pair<uint32_t, uint32_t>> moves;
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const uint32_t count = HeaderRecordCount();
    // With the records shown lent, a hole the file no longer holds is a record gone.
    if (Shown && std::any_of(holes.begin(), holes.end(), [count](uint32_t r) { return r < 1 || r > count; }))
        throw EDBFRecordsChanged(FileName);
    // Numbers the file no longer holds are no holes; without this the walk below would wait
    // for the last record to reach them for good.
    std::erase_if(holes, [count](uint32_t r) { return r < 1 || r > count; });
    std::sort(holes.begin(), holes.end(), std::greater<>());
    holes.erase(std::unique(holes.begin(), holes.end()), holes.end());
    if (holes.empty()) return moves;

    // holes[lo] is the largest hole not yet passed, holes[hi] the smallest not yet filled.
    ptrdiff_t lo = 0, hi = static_cast<ptrdiff_t>(holes.size()) - 1;
    uint32_t last = count;
    while (hi >= 0 && last >= holes[size_t(hi)]) {
        if (last > holes[size_t(lo)]) {
            moves.emplace_back(last, holes[size_t(hi)]);
            --hi;
        } else if (last == holes[size_t(lo)]) {
            ++lo;
        } else {
            break;
        }
        --last;
    }

    // Every record truncated away or moved is compared before anything is written.
    if (Shown) {
        // The holes below `last` and every record after it (moved or cut away), ascending.
        std::vector<uint32_t> touched;
        touched.reserve(holes.size() + (count - last));
        for (auto h = holes.rbegin(); h != holes.rend() && *h <= last; ++h) touched.push_back(*h);
        for (uint32_t r = last + 1; r <= count; ++r) touched.push_back(r);
        CheckShownRecords(touched, count);
    }

    // The records that move lie at the end of the file: read them a chunk at a time from the
    // end down; holes that follow each other are filled by one write.
    const size_t rl = GetRecordLength();
    const int64_t chunk = static_cast<int64_t>(RecordsPerChunk());
    std::vector<uint8_t> buf, run;
    int64_t windowFirst = 1, windowLast = 0;  // records held in buf
    int64_t runFirst = 0;                     // the hole run[0] fills
    auto flush = [&] {
        if (!run.empty()) WriteOrFail(RecordOffset(runFirst), run.data(), run.size(), " - Error in write DBF!");
        run.clear();
    };
    for (const auto& [from, to] : moves) {
        if (from < windowFirst || from > windowLast) {
            windowLast = from;
            windowFirst = std::max<int64_t>(int64_t(last) + 1, int64_t(from) - chunk + 1);
            buf.resize(size_t(windowLast - windowFirst + 1) * rl);
            if (!Stream->ReadAt(RecordOffset(windowFirst), buf.data(), buf.size())) FailRange(windowLast);
        }
        if (run.empty() || int64_t(to) != runFirst + int64_t(run.size() / rl) || run.size() >= BulkChunkBytes) {
            flush();
            runFirst = to;
        }
        const uint8_t* rec = buf.data() + size_t(from - windowFirst) * rl;
        run.insert(run.end(), rec, rec + rl);
    }
    flush();
    CutToCount(last);
    return moves;
}

// ---- reading ----------------------------------------------------------------------------

void TDBF::ReadRecords(const uint32_t* recNos, size_t n, std::vector<uint8_t>& out) {
    CheckThread("TDBF::ReadRecords");
    CheckActive(true);
    const size_t rl = GetRecordLength();
    out.resize(n * rl);
    if (n == 0) return;
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    const size_t chunk = RecordsPerChunk();
    for (size_t i = 0; i < n;) {
        if (recNos[i] < 1 || recNos[i] > count) {
            if (Shown) throw EDBFRecordsChanged(FileName);
            FailRange(recNos[i]);
        }
        size_t j = i + 1;
        while (j < n && j - i < chunk && recNos[j] == recNos[j - 1] + 1 && recNos[j] <= count) ++j;
        if (!Stream->ReadAt(RecordOffset(recNos[i]), out.data() + i * rl, (j - i) * rl)) FailRange(recNos[j - 1]);
        for (size_t k = i; k < j; ++k) CheckShown(recNos[k], out.data() + k * rl);
        i = j;
    }
}

int64_t TDBF::ReadPageRecords(const uint32_t* recNos, size_t n) {
    CheckThread("TDBF::ReadPageRecords");
    CheckActive(true);
    TLockGuard lock(*this, 0);  // the records are compared under the lock they were read in
    const int64_t count = FillPageRecords(recNos, n);
    if (Shown) {
        const size_t rl = GetRecordLength();
        for (size_t k = 0; k < n; ++k) {
            if (!recNos[k]) continue;  // a slot that asks for no record
            if (recNos[k] > count) throw EDBFRecordsChanged(FileName);
            CheckShown(recNos[k], PageCache.data() + k * rl);
        }
    }
    return count;
}

int64_t TDBF::FillPageRecords(const uint32_t* recNos, size_t n) {
    const size_t rl = GetRecordLength();
    if (n > size_t(std::numeric_limits<int>::max()) || (rl && n > SIZE_MAX / rl)) Fail(" - Page record index out of range!");
    PageCache.resize(n * rl);
    PageSize = static_cast<int>(n);
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    if (n == 0 || rl == 0) return count;

    // The slots in the order of their records in the file: record number, then slot.
    std::vector<uint64_t> order(n);
    for (size_t k = 0; k < n; ++k) order[k] = uint64_t(recNos[k]) << 32 | k;
    SortByUpperHalf(order);
    auto recNo = [&](size_t i) { return int64_t(order[i] >> 32); };
    auto slot = [&](size_t i) { return PageCache.data() + size_t(uint32_t(order[i])) * rl; };
    std::vector<uint8_t> span;
    std::vector<vx::TFileMapping::TPiece> lone;
    for (size_t i = 0; i < n;) {
        const int64_t first = recNo(i);
        if (first < 1 || first > count) {
            std::memset(slot(i++), ' ', rl);
            continue;
        }
        // The records from here that lie close together, up to a chunk.
        size_t j = i + 1;
        int64_t last = first;
        while (j < n && recNo(j) <= count && (recNo(j) - last - 1) * int64_t(rl) <= NearBytes &&
               (recNo(j) - first + 1) * int64_t(rl) <= int64_t(BulkChunkBytes))
            last = recNo(j++);
        if (j == i + 1) {
            lone.push_back({RecordOffset(first), slot(i), rl});
        } else {
            span.resize(size_t(last - first + 1) * rl);
            if (!Stream->ReadAt(RecordOffset(first), span.data(), span.size())) FailRange(last);
            for (size_t k = i; k < j; ++k) std::memcpy(slot(k), span.data() + size_t(recNo(k) - first) * rl, rl);
        }
        i = j;
    }
    if (lone.empty()) return count;
    if (const vx::TFileMapping* map = MapThrough(lone.back().Offset + int64_t(rl));
        map && map->CopyOut(lone.data(), lone.size()))
        return count;
    // No mapping, or a file shorter than its count: one read each, which tells.
    Mapping.reset();
    for (const vx::TFileMapping::TPiece& p : lone)
        if (!Stream->ReadAt(p.Offset, p.Dest, p.Length)) FailRange((p.Offset - GetHeaderLength()) / int64_t(rl) + 1);
    return count;
}
