// Appending many records in one write, for writers that produce a whole table.
#include "engine/dbf.h"

#include "platform/filestream.h"

#include <limits>
#include <vector>

void TDBF::AppendRecords(const uint8_t* records, size_t count) {
    CheckActive(true);
    if (count == 0) return;
    const size_t rl = GetRecordLength();
    TLockGuard lock(*this, 0);
    ReadCountUnlocked();
    const uint64_t have = HeldRecordsUnlocked();  // right after the last whole record
    if (count > std::numeric_limits<uint32_t>::max() - have) FailRange(int64_t(have + count));
    if (count > (std::numeric_limits<size_t>::max() - 1) / rl) FailRange(int64_t(have + count));
    const int64_t at = RecordOffset(int64_t(have) + 1);
    const TFileTail tail = KeepTail(at, count * rl + 1);
    try {
        WriteOrFail(at, records, count * rl, " - Error in write DBF!");
        WriteOrFail(at + int64_t(count * rl), &EndOfFileMark, 1, " - Error in write DBF!");
    } catch (const EDBFError&) {
        RestoreTail(tail);  // no partial records, and the bytes they overwrote back
        throw;
    }
    SetHeaderRecordCount(static_cast<uint32_t>(have + count));
    WriteCountUnlocked();
    CurrentRecNo = int64_t(have + count);
}
