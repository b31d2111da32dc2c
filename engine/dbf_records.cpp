// Record access of a table: locking, reading single records and pages, the edit states and
// Post, deletion flags, packing, truncation and zapping.
#include "engine/dbf.h"

#include "platform/filestream.h"

#include <algorithm>
#include <limits>

namespace {
constexpr uint8_t DeletedFlag = '*';
constexpr uint8_t NormalFlag = ' ';
constexpr int64_t InsertGroup = 10;  // records moved per step by an insert
constexpr int64_t DeleteGroup = 50;  // and by a delete
}  // namespace

// ---- helpers ----------------------------------------------------------------------------

int64_t TDBF::RecordOffset(int64_t recNo) const {
    return int64_t(GetHeaderLength()) + (recNo - 1) * int64_t(GetRecordLength());
}

void TDBF::FailRange(int64_t recNo) const { Fail("Record number overstep range(" + std::to_string(recNo) + ")"); }

bool TDBF::ReadCountUnlocked() {
    if (!Stream) throw EDBFError("File not open yet!");
    // The whole header area: the count, the lengths and the field descriptors.
    HeaderArea.resize(GetHeaderLength());
    if (!Stream->ReadAt(0, HeaderArea.data(), HeaderArea.size())) return false;
    if (std::memcmp(&HeaderArea[8], &Header[8], 4) != 0 || !SameLayout(HeaderArea)) {
        StructureChanged = true;
        throw EDBFStructureChanged();
    }
    const uint32_t stored = dbfbytes::GetLE32(&HeaderArea[4]);
    SetHeaderRecordCount(CountCorrectedInMemory && stored == StoredCountAtOpen ? CorrectedCount : stored);
    return true;
}

void TDBF::WriteCountUnlocked() {
    WriteOrFail(4, &Header[4], 4, " - Error in write DBF head structure!");
    CountCorrectedInMemory = false;  // the file holds the count now
}

void TDBF::CheckTableInPlace() {
    if (FileChecked && LockDepth > 0) return;
    const std::string text = TableNotInPlaceText();
    if (!text.empty()) throw EDBFError(text);
    FileChecked = LockDepth > 0;
}

void TDBF::WriteOrFail(int64_t offset, const void* data, size_t n, const char* failText) {
    if (!Stream) throw EDBFError("File not open yet!");
    if (!Stream->Writable()) Fail(" - The file is opened read-only!");
    CheckTableInPlace();
    if (!Stream->WriteAt(offset, data, n)) Fail(failText);
}

void TDBF::TruncateOrFail(int64_t size) {
    if (!Stream) throw EDBFError("File not open yet!");
    if (!Stream->Writable()) Fail(" - The file is opened read-only!");
    CheckTableInPlace();
    if (!Stream->SetSize(size)) Fail(" - Error in truncate DBF!");
}

TDBF::TFileTail TDBF::KeepTail(int64_t offset, size_t n) const {
    TFileTail tail;
    tail.Size = Stream->Size();
    tail.Offset = offset;
    if (tail.Size > offset) {
        tail.Bytes.resize(size_t(std::min<int64_t>(int64_t(n), tail.Size - offset)));
        if (!Stream->ReadAt(offset, tail.Bytes.data(), tail.Bytes.size())) tail.Bytes.clear();
    }
    return tail;
}

void TDBF::RestoreTail(const TFileTail& tail) const noexcept {
    if (tail.Size < 0 || !Stream->Writable()) return;
    // Cut first: the bytes put back then lie inside the file and need no room.
    Stream->SetSize(tail.Size);
    if (!tail.Bytes.empty()) Stream->WriteAt(tail.Offset, tail.Bytes.data(), tail.Bytes.size());
}

void TDBF::KeepReadImage(int64_t recNo) {
    const size_t rl = RecordBuffer.size() / 2;
    ReadImage.assign(RecordBuffer.begin(), RecordBuffer.begin() + std::ptrdiff_t(rl));
    ReadImageRecNo = recNo;
}

void TDBF::SetReadImageFlag(int64_t recNo, uint8_t flag) {
    if (recNo >= 1 && recNo == ReadImageRecNo && !ReadImage.empty()) ReadImage[0] = flag;
}

void TDBF::BlankBuffer(bool bothHalves) {
    size_t rl = RecordBuffer.size() / 2;
    std::fill(RecordBuffer.begin(), RecordBuffer.begin() + static_cast<std::ptrdiff_t>(bothHalves ? 2 * rl : rl),
              static_cast<uint8_t>(' '));
}

void TDBF::BlankRecord() {
    // A new record is not marked deleted, whatever record was read before it.
    if (!RecordBuffer.empty()) RecordBuffer[0] = NormalFlag;
    // Every field by its position: a name that occurs twice must not leave a field unset.
    for (int i = 0; i < FieldList.Count(); ++i) FieldList.GetItem(i)->SetBlank();
}

void TDBF::MoveRecords(int64_t first, int64_t last, int64_t delta, std::vector<uint8_t>& work) {
    if (first > last) return;
    const size_t rl = GetRecordLength();
    const size_t n = size_t(last - first + 1) * rl;
    if (work.size() < n) work.resize(n);
    if (!Stream->ReadAt(RecordOffset(first), work.data(), n)) FailRange(last);
    WriteOrFail(RecordOffset(first + delta), work.data(), n, " - Error in write DBF!");
}

// ---- locking and header -----------------------------------------------------------------

void TDBF::TakeLock(vx::TFileStream& stream, int64_t recNo) const {
    const uint32_t start = vx::GetTickCount();
    for (;;) {
        if (stream.LockRegion(LockRegionOffset, LockRegionLength)) return;
        const uint32_t now = vx::GetTickCount();
        const uint32_t elapsed = now >= start ? now - start : 0xFFFFFFFFu - start + now;
        if (elapsed >= LockTimeout) Fail("Lock failed." + std::to_string(recNo));
        vx::YieldBriefly();
    }
}

bool TDBF::Lock(int64_t recNo) {
    CheckThread("TDBF::Lock");
    if (!Stream) throw EDBFError("File not open yet!");
    if (LockDepth > 0) {
        ++LockDepth;
        return true;
    }
    TakeLock(*Stream, recNo);
    LockDepth = 1;
    FileChecked = false;
    return true;
}

void TDBF::Unlock(int64_t) {
    CheckThread("TDBF::Unlock");
    if (LockDepth == 0) return;
    if (--LockDepth == 0 && Stream) Stream->UnlockRegion(LockRegionOffset, LockRegionLength);
}

bool TDBF::WriteHeader() {
    TLockGuard lock(*this, 0);
    WriteOrFail(0, Header.data(), Header.size(), " - Error in write DBF head structure!");
    CountCorrectedInMemory = false;  // the file holds the count now
    return true;
}

bool TDBF::ReadRecordCount() {
    TLockGuard lock(*this, 0);
    return ReadCountUnlocked();
}

// ---- reading ----------------------------------------------------------------------------

bool TDBF::ReadRecord(int64_t recNo) {
    TLockGuard lock(*this, recNo);
    ReadCountUnlocked();  // also checks the lengths the record is read with
    ResizeRecordBuffer();
    const size_t rl = GetRecordLength();
    uint8_t* cur = RecordBuffer.data();
    uint8_t* prev = cur + rl;
    std::memcpy(prev, cur, rl);
    std::memset(cur, ' ', rl);
    size_t got = 0;
    if (recNo >= 1 && Stream->Seek(RecordOffset(recNo)) >= 0) got = Stream->Read(cur, rl);
    if (got == rl) {
        CurrentRecNo = recNo;
        KeepReadImage(recNo);
        return true;
    }
    if (got > 0 || recNo < 1) std::memcpy(cur, prev, rl);
    if (Shown) throw EDBFRecordsChanged(FileName);  // a record shown is gone
    FailRange(recNo);
}

void TDBF::Go(int64_t recNo) {
    CheckThread("TDBF::Go");
    CheckActive(true);
    auto refreshCount = [this] {
        try {
            ReadRecordCount();
        } catch (const EDBFStructureChanged&) {
            throw;
        } catch (const EDBFError&) {
        }
    };
    if (HeaderRecordCount() < 1 || Eof) refreshCount();
    int64_t count = HeaderRecordCount();
    if (recNo < 1) {
        Bof = true;
        if (count >= 1) {
            ReadRecord(1);
            Eof = false;
        } else {
            Eof = true;
        }
        return;
    }
    if (recNo > count) {
        refreshCount();
        count = HeaderRecordCount();
    }
    if (recNo <= count) {
        Bof = false;
        Eof = false;
        ReadRecord(recNo);
        return;
    }
    Eof = true;
    Bof = count < 1;
    ResizeRecordBuffer();
    BlankBuffer(true);
    CurrentRecNo = recNo;
}

void TDBF::AllocPage(int pageSize) {
    CheckThread("TDBF::AllocPage");
    PageSize = std::max(pageSize, 0);
    PageCache.assign(size_t(GetRecordLength()) * size_t(PageSize), ' ');
}

int TDBF::ReadPage(int64_t pageNo, int pageSize) {
    CheckThread("TDBF::ReadPage");
    CheckActive(true);
    const int64_t rl = GetRecordLength();
    if (pageNo < 1 || pageSize < 1 || rl < 1) return 0;
    if (pageSize != PageSize || PageCache.size() != size_t(rl) * size_t(pageSize)) AllocPage(pageSize);
    const int64_t pageBytes = rl * pageSize;
    if (pageNo - 1 > (std::numeric_limits<int64_t>::max() - GetHeaderLength()) / pageBytes) return 0;
    if (Stream->Seek(GetHeaderLength() + (pageNo - 1) * pageBytes) < 0) return 0;
    const int64_t before = (pageNo - 1) * int64_t(pageSize);  // records on the earlier pages
    const int64_t left = int64_t(HeaderRecordCount()) - before;
    if (left <= 0) return 0;
    const size_t got = Stream->Read(PageCache.data(), size_t(pageBytes));
    return static_cast<int>(std::min<int64_t>(int64_t(got / size_t(rl)), left));
}

void TDBF::SelectPageRecord(int index) {
    CheckThread("TDBF::SelectPageRecord");
    CheckActive(true);
    const size_t rl = GetRecordLength();
    if (index < 1 || size_t(index) * rl > PageCache.size()) Fail(" - Page record index out of range!");
    if (RecordBuffer.size() != 2 * rl) ResizeRecordBuffer();
    std::memcpy(RecordBuffer.data(), PageCache.data() + size_t(index - 1) * rl, rl);
}

void TDBF::FreePage() {
    CheckThread("TDBF::FreePage");
    PageCache.clear();
    PageCache.shrink_to_fit();
    PageSize = 0;
    Mapping.reset();
}

// ---- edit states and Post ---------------------------------------------------------------

void TDBF::Edit() {
    CheckThread("TDBF::Edit");
    CheckActive(true);
    State = esEdit;
}

std::string TDBF::GetReadImage() const {
    CheckThread("TDBF::GetReadImage");
    if (ReadImageRecNo != CurrentRecNo || ReadImageRecNo < 1) return {};
    return std::string(ReadImage.begin(), ReadImage.end());
}

void TDBF::CheckRecordAsShown(const std::string& asShown) const {
    CheckActive(true);
    if (!asShown.empty() && GetReadImage() != asShown) Fail(dbftext::RecordChanged);
}

void TDBF::Append() {
    CheckThread("TDBF::Append");
    CheckActive(true);
    State = esAppend;
    ResizeRecordBuffer();
    BlankRecord();
}

void TDBF::Insert() {
    CheckThread("TDBF::Insert");
    CheckActive(true);
    State = esInsert;
    ResizeRecordBuffer();
    BlankRecord();
}

void TDBF::Delete() {
    CheckThread("TDBF::Delete");
    CheckActive(true);
    State = esDelete;
}

void TDBF::Post() {
    CheckActive(true);
    const TDBFEditState pending = State;
    State = esBrowse;
    if (pending == esBrowse) return;
    ResizeRecordBuffer();
    const size_t rl = GetRecordLength();
    const int64_t hl = GetHeaderLength();

    switch (pending) {
    case esEdit: {
        TLockGuard lock(*this, CurrentRecNo);
        ReadCountUnlocked();
        const int64_t count = HeaderRecordCount();
        if (Shown && (CurrentRecNo < 1 || CurrentRecNo > count)) throw EDBFRecordsChanged(FileName);
        if (CurrentRecNo < 1 || CurrentRecNo > count) FailRange(CurrentRecNo);
        // Another program's change of the record since it was read, or since its row was
        // built, is not overwritten.
        const bool image = ReadImageRecNo == CurrentRecNo && ReadImage.size() == rl;
        if (image || Shown) {
            thread_local std::vector<uint8_t> onDisk;
            onDisk.resize(rl);
            const bool read = Stream->ReadAt(RecordOffset(CurrentRecNo), onDisk.data(), rl);
            if (!read && Shown) throw EDBFRecordsChanged(FileName);
            if (read) CheckShown(CurrentRecNo, onDisk.data());
            if (image && (!read || onDisk != ReadImage)) Fail(dbftext::RecordChanged);
        }
        WriteOrFail(RecordOffset(CurrentRecNo), RecordBuffer.data(), rl, " - Error in write DBF!");
        KeepReadImage(CurrentRecNo);
        break;
    }
    case esAppend: {
        TLockGuard lock(*this, 0);
        ReadCountUnlocked();
        const uint32_t count = HeldRecordsUnlocked();
        if (count == std::numeric_limits<uint32_t>::max()) FailRange(int64_t(count) + 1);
        std::vector<uint8_t> rec(RecordBuffer.begin(), RecordBuffer.begin() + static_cast<std::ptrdiff_t>(rl));
        rec.push_back(EndOfFileMark);
        const TFileTail tail = KeepTail(RecordOffset(int64_t(count) + 1), rec.size());
        try {
            WriteOrFail(RecordOffset(int64_t(count) + 1), rec.data(), rec.size(), " - Error in write DBF!");
        } catch (const EDBFError&) {
            RestoreTail(tail);  // no partial record, and the end mark it overwrote back
            throw;
        }
        SetHeaderRecordCount(count + 1);
        WriteCountUnlocked();
        CurrentRecNo = int64_t(count) + 1;
        KeepReadImage(CurrentRecNo);
        break;
    }
    case esInsert: {
        TLockGuard lock(*this, 0);
        ReadCountUnlocked();
        const uint32_t count = HeaderRecordCount();
        if (count == std::numeric_limits<uint32_t>::max()) FailRange(int64_t(count) + 1);
        const int64_t at = std::clamp<int64_t>(CurrentRecNo, 1, int64_t(count) + 1);
        CheckShownAt(CurrentRecNo, count);  // the record inserted before
        std::vector<uint8_t> work((InsertGroup + 1) * rl);
        if (at <= int64_t(count)) {
            // Grow the file by one record before anything is overwritten, so that a full disk
            // stops the insert with every byte still in place.
            const TFileTail tail = KeepTail(RecordOffset(int64_t(count) + 1), rl);
            try {
                MoveRecords(count, count, 1, work);
            } catch (const EDBFError&) {
                RestoreTail(tail);
                throw;
            }
        }
        int64_t i = count;
        while (i - (InsertGroup - 1) >= at) {
            MoveRecords(i - (InsertGroup - 1), i, 1, work);
            i -= InsertGroup;
        }
        MoveRecords(at, i, 1, work);
        WriteOrFail(RecordOffset(at), RecordBuffer.data(), rl, " - Error in write DBF!");
        SetHeaderRecordCount(count + 1);
        WriteCountUnlocked();
        CurrentRecNo = at;
        KeepReadImage(CurrentRecNo);
        break;
    }
    case esDelete: {
        TLockGuard lock(*this, 0);
        ReadCountUnlocked();
        const int64_t count = HeaderRecordCount();
        CheckShownAt(CurrentRecNo, count);
        if (CurrentRecNo < 1 || CurrentRecNo > count) FailRange(CurrentRecNo);
        std::vector<uint8_t> work((DeleteGroup + 1) * rl);
        int64_t i = CurrentRecNo + 1;
        while (i + DeleteGroup < count) {
            MoveRecords(i, i + DeleteGroup - 1, -1, work);
            i += DeleteGroup;
        }
        MoveRecords(i, count, -1, work);
        TruncateOrFail(hl + (count - 1) * int64_t(rl));
        SetHeaderRecordCount(static_cast<uint32_t>(count - 1));
        WriteCountUnlocked();
        CurrentRecNo = std::min(CurrentRecNo, count - 1);
        ReadImageRecNo = 0;  // the records moved
        break;
    }
    case esBrowse: break;
    }
}

// ---- deletion flags ---------------------------------------------------------------------

bool TDBF::GetDeleted() const {
    CheckThread("TDBF::GetDeleted");
    CheckActive(true);
    return !RecordBuffer.empty() && RecordBuffer[0] == DeletedFlag;
}

void TDBF::SetDeleted(bool flag) {
    CheckThread("TDBF::SetDeleted");
    CheckActive(true);
    ResizeRecordBuffer();
    const uint8_t want = flag ? DeletedFlag : NormalFlag;
    if (RecordBuffer[0] == want) return;
    {
        TLockGuard lock(*this, CurrentRecNo);
        ReadCountUnlocked();
        CheckShownAt(CurrentRecNo, HeaderRecordCount());
        if (CurrentRecNo < 1 || CurrentRecNo > int64_t(HeaderRecordCount())) FailRange(CurrentRecNo);
        WriteOrFail(RecordOffset(CurrentRecNo), &want, 1, " - Error in write DBF!");
    }
    RecordBuffer[0] = want;
    SetReadImageFlag(CurrentRecNo, want);
}

// SetAllDeleted and PackDeleted work a page at a time (dbf_bulk.cpp).

// ---- replacing, truncating, zapping -----------------------------------------------------

void TDBF::ReplaceRecord(int64_t source, int64_t target) {
    CheckActive(true);
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const int64_t count = HeaderRecordCount();
    CheckShownAt(source, count);
    CheckShownAt(target, count);
    if (source < 1 || source > count) FailRange(source);
    if (target < 1 || target > count) FailRange(target);
    const size_t rl = GetRecordLength();
    std::vector<uint8_t> rec(rl);
    if (!Stream->ReadAt(RecordOffset(source), rec.data(), rl)) FailRange(source);
    WriteOrFail(RecordOffset(target), rec.data(), rl, " - Error in write DBF!");
    TruncateOrFail(GetHeaderLength() + (count - 1) * int64_t(rl));
    SetHeaderRecordCount(static_cast<uint32_t>(count - 1));
    WriteCountUnlocked();
    CurrentRecNo = std::min(CurrentRecNo, count - 1);
    ReadImageRecNo = 0;
}

void TDBF::SetRecordCount(uint32_t newCount) {
    CheckActive(true);
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    // Only ever shortens: a longer count would invent records of zero bytes.
    if (newCount > HeaderRecordCount()) FailRange(newCount);
    if (Shown) {  // the records cut away
        std::vector<uint32_t> gone;
        for (int64_t r = int64_t(newCount) + 1; r <= int64_t(HeaderRecordCount()); ++r) gone.push_back(uint32_t(r));
        CheckShownRecords(gone, HeaderRecordCount());
    }
    TruncateOrFail(GetHeaderLength() + int64_t(newCount) * GetRecordLength());
    SetHeaderRecordCount(newCount);
    WriteCountUnlocked();
    CurrentRecNo = std::min<int64_t>(CurrentRecNo, newCount);
    if (ReadImageRecNo > int64_t(newCount)) ReadImageRecNo = 0;
}

void TDBF::Zap() {
    CheckActive(true);
    TLockGuard lock(*this, 0);
    // The header as the file holds it now (its layout checked), with a count of 0.
    if (!ReadCountUnlocked()) Fail("Invalid DBF file!");
    TDBFHeader onDisk{};
    std::memcpy(onDisk.data(), HeaderArea.data(), onDisk.size());
    dbfbytes::PutLE32(&onDisk[4], 0);
    WriteOrFail(0, onDisk.data(), onDisk.size(), " - Error in write DBF head structure!");
    CountCorrectedInMemory = false;
    SetHeaderRecordCount(0);
    CurrentRecNo = 0;
    ReadImageRecNo = 0;
    Bof = Eof = true;
    ResizeRecordBuffer();
    BlankBuffer(true);
    TruncateOrFail(GetHeaderLength());
}
