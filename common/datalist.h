// The row store behind the record list: rows of display texts, one allocation each, kept in a
// pool that owns them, and lists of row handles that the list view, sorting and filtering
// work on. The loader appends on its own thread while the user-interface thread reads.
//
// Threads: the pool and each list record their owning thread (`Owner`, engine/threadowner.h),
// normally the user-interface thread, and check it in every change and in operator[] in builds
// with thread checks. A worker borrows them explicitly: the loader to append (the owner keeps
// reading, and changes nothing), the structure-change, export and save-as workers to read
// (every thread may read, none changes). Once no worker holds them, they are the owner's alone.
#pragma once

#include "engine/threadowner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One row: the deletion mark, the 1-based physical record number, the fingerprint of the
// record's bytes it was built from (RecordPrint, engine/dbf.h; 0 for a row of no record) and
// one display text per field (at most MaxFields), all in one block. Its texts never change once it is in a list (an edit builds a new
// row and puts its handle where the old one was), except that deleting fields of the table
// takes them out of every row in place (TRowStore::RemoveFields); its mark and number may
// change in place, through TRowStore, so that every list holding the row sees the change.
class TDataRow {
public:
    bool Deleted() const { return Mark != 0; }
    uint32_t RecNo() const { return Number; }
    uint64_t Print() const { return uint64_t(PrintHigh) << 32 | PrintLow; }
    size_t FieldCount() const { return Count; }
    static constexpr size_t MaxFields = UINT16_MAX;
    std::string_view Text(size_t field) const {
        if (field >= Count) return {};
        const uint32_t* ends = Ends();
        uint32_t begin = field == 0 ? 0 : ends[field - 1];
        return std::string_view(Texts() + begin, ends[field] - begin);
    }
    // The row as the list of strings the rest of the program speaks of: item 0 the mark
    // ("1" deleted, "0" not), item 1 the record number, then the field texts.
    std::string Item(size_t index) const;
    std::string MarkText() const { return Mark ? "1" : "0"; }
    std::string RecNoText() const { return std::to_string(Number); }

    // Bytes a row of these texts takes in the pool.
    static size_t SizeFor(size_t fields, size_t textBytes) {
        return Align(sizeof(TDataRow) + fields * sizeof(uint32_t) + textBytes);
    }

private:
    friend class TRowPool;
    friend struct TRowStore;
    static size_t Align(size_t n) { return (n + alignof(uint32_t) - 1) & ~(alignof(uint32_t) - 1); }
    size_t TextBytes() const { return Count ? Ends()[Count - 1] : 0; }
    const uint32_t* Ends() const { return reinterpret_cast<const uint32_t*>(this + 1); }
    uint32_t* Ends() { return reinterpret_cast<uint32_t*>(this + 1); }
    const char* Texts() const { return reinterpret_cast<const char*>(Ends() + Count); }
    char* Texts() { return reinterpret_cast<char*>(Ends() + Count); }

    void SetPrint(uint64_t print) {
        PrintLow = static_cast<uint32_t>(print);
        PrintHigh = static_cast<uint32_t>(print >> 32);
    }

    // Four-byte members only, so that rows need no more than four-byte alignment in the pool.
    uint32_t Number = 0;
    uint32_t PrintLow = 0, PrintHigh = 0;
    uint16_t Count = 0;
    uint8_t Mark = 0;
};

// Builds one row's texts before it goes into the pool (reused from row to row).
// A set of record numbers (ascending, no repeats) that answers, in one step for any record
// number, whether it is in the set and how many of the set lie below it: a table over the
// set's span when that is not much larger than the set and the rows it serves, else a search.
class TRecordNumbers {
public:
    // `rows`: how many rows will ask (the table may be about that large).
    TRecordNumbers(std::vector<uint32_t> ascending, size_t rows);
    bool Has(uint32_t recNo) const {
        if (Set.empty() || recNo < Set.front() || recNo > Set.back()) return false;
        if (!Table.empty()) return Table[recNo - Set.front() + 1] != Table[recNo - Set.front()];
        return std::binary_search(Set.begin(), Set.end(), recNo);
    }
    uint32_t Below(uint32_t recNo) const {
        if (Set.empty() || recNo <= Set.front()) return 0;
        if (recNo > Set.back()) return static_cast<uint32_t>(Set.size());
        if (!Table.empty()) return Table[recNo - Set.front()];
        return static_cast<uint32_t>(std::lower_bound(Set.begin(), Set.end(), recNo) - Set.begin());
    }
    const std::vector<uint32_t>& Numbers() const { return Set; }

private:
    std::vector<uint32_t> Set;
    std::vector<uint32_t> Table;  // Table[i]: how many of Set lie below Set.front() + i
};

class TRowBuilder {
public:
    void Start(bool deleted, uint32_t recNo, uint64_t print) {
        Deleted = deleted;
        RecNo = recNo;
        Print = print;
        Bytes.clear();
        Ends.clear();
    }
    void Add(std::string_view text) {
        Bytes.append(text.data(), text.size());
        Ends.push_back(static_cast<uint32_t>(Bytes.size()));
    }
    // Appends to the field being built (the next Add or Close ends it).
    std::string& Buffer() { return Bytes; }
    void CloseField() { Ends.push_back(static_cast<uint32_t>(Bytes.size())); }

    bool Deleted = false;
    uint32_t RecNo = 0;
    uint64_t Print = 0;
    std::string Bytes;
    std::vector<uint32_t> Ends;
};

// Owns every row of the open table. Rows are carved out of large blocks, so a million rows
// cost a few hundred allocations; a row larger than a block gets a block of its own. Only one
// thread makes rows at a time (the loader while it has borrowed the pool to append, the owner
// otherwise); making a row never moves an existing one.
class TRowPool {
public:
    TRowPool() = default;
    TRowPool(const TRowPool&) = delete;
    TRowPool& operator=(const TRowPool&) = delete;

    const TDataRow* Make(const TRowBuilder& b);
    const TDataRow* Make(bool deleted, uint32_t recNo, const std::vector<std::string>& texts, uint64_t print = 0);
    // A copy of `row` (of any pool) with its mark, number and print, and `text` as a new last
    // field.
    const TDataRow* MakeWithField(const TDataRow& row, std::string_view text);
    // Bytes held by the pool's blocks.
    size_t BytesHeld() const { return Held.load(std::memory_order_relaxed); }

    TThreadOwner Owner;

private:
    char* Allocate(size_t n);  // checks that the calling thread may append
    static constexpr size_t BlockSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> Blocks;
    char* Cur = nullptr;
    size_t Left = 0;
    std::atomic<size_t> Held{0};
};

// A list of row handles in display order. One thread may append while others read any index
// below Count(): handles live in fixed chunks that never move, and the count is published
// after the handle is written. Reordering and removal happen only when no one appends: they
// are the owner's, with nothing lent (Owner checks this, and that readers may read).
class TDataList {
public:
    using Row = const TDataRow*;

    TDataList();
    ~TDataList();
    TDataList(const TDataList&) = delete;
    TDataList& operator=(const TDataList&) = delete;

    size_t Count() const { return Size.load(std::memory_order_acquire); }
    Row operator[](size_t i) const {
        Owner.CheckRead("TDataList::operator[]");
        return Slot(i);
    }
    Row At(size_t i) const { return i < Count() ? (*this)[i] : nullptr; }

    void Append(Row row);
    // Changes below are the owner's, with nothing lent.
    void Set(size_t i, Row row) {
        Owner.CheckChange("TDataList::Set");
        SetSlot(i, row);
    }
    void Assign(const std::vector<Row>& rows);
    std::vector<Row> Rows() const;
    void Truncate(size_t newCount);  // keeps rows [0, newCount)
    void Remove(size_t i);
    void Insert(size_t i, Row row);
    void Clear() { Truncate(0); }
    // Drops every row for which drop(row) is true, keeping the others in order; one pass.
    template <class Pred>
    size_t RemoveIf(Pred drop) {
        Owner.CheckChange("TDataList::RemoveIf");
        size_t n = Count(), kept = 0;
        for (size_t i = 0; i < n; ++i) {
            Row r = Slot(i);
            if (!drop(r)) SetSlot(kept++, r);
        }
        Size.store(kept, std::memory_order_release);
        return n - kept;
    }
    // Position of a row, or -1.
    ptrdiff_t IndexOf(Row row) const;
    // Memory held by the handle chunks.
    size_t BytesHeld() const;

    // Lent through const lists too: the loan is not part of the list's value.
    mutable TThreadOwner Owner;

private:
    friend struct TRowStore;  // RemoveFields reads the rows on helper threads of its own
    Row Slot(size_t i) const { return Chunks[i >> ChunkBits][i & ChunkMask]; }
    void SetSlot(size_t i, Row row) { Chunks[i >> ChunkBits][i & ChunkMask] = row; }
    static constexpr size_t ChunkBits = 16;
    static constexpr size_t ChunkSize = size_t(1) << ChunkBits;
    static constexpr size_t ChunkMask = ChunkSize - 1;
    static constexpr size_t MaxChunks = (size_t(1) << 32) / ChunkSize + 1;
    std::unique_ptr<Row*[]> Chunks;  // MaxChunks entries, allocated once
    std::atomic<size_t> Size{0};
    size_t Allocated = 0;  // chunks allocated
};

// The table's rows: the pool that owns them, the rows shown (`DataList`), the unfiltered rows
// kept while a filter is applied (`BackupDataList`; both lists share the same rows) and the
// rows that a view of the deletion marks took out of both (`HiddenRows`), which still stand
// for their records: every row in memory is in AllRows() or in HiddenRows, once.
//
// The operations below are the owner's, with nothing lent (the lists check it). They keep the
// two lists consistent under a filter: a row taken out leaves both, and renumbering reaches
// the rows the filter hides.
struct TRowStore {
    using Row = TDataList::Row;
    TRowPool Pool;
    TDataList DataList;
    TDataList BackupDataList;
    TDataList HiddenRows;
    // True while a filter is applied: BackupDataList then holds every row in memory and
    // DataList the rows that pass, the same row objects.
    bool UsingFilter = false;

    // Every row in memory: BackupDataList under a filter, else DataList.
    TDataList& AllRows() { return UsingFilter ? BackupDataList : DataList; }
    const TDataList& AllRows() const { return UsingFilter ? BackupDataList : DataList; }

    // Change a row in place; both lists see it, since they hold the same row.
    static void SetMark(Row row, bool deleted) { const_cast<TDataRow*>(row)->Mark = deleted ? 1 : 0; }
    static void SetRecNo(Row row, uint32_t recNo) { const_cast<TDataRow*>(row)->Number = recNo; }
    static void SetPrint(Row row, uint64_t print) { const_cast<TDataRow*>(row)->SetPrint(print); }
    // Every row in memory, hidden ones too, takes the print of its record: `prints[r - 1]` for
    // record r (rows of records beyond it keep theirs).
    void SetPrints(const std::vector<uint64_t>& prints);

    // The records of these numbers have left the file and the records after each moved down:
    // their rows leave both lists and every other row takes the number the file now gives it.
    // One pass over each list whatever the number of records. Returns the rows taken out of
    // DataList.
    size_t RemoveRecords(std::vector<uint32_t> recNos);
    // A record was inserted at recNo: rows numbered recNo or above move up by one.
    void ShiftForInsert(uint32_t recNo);
    // Puts `row` where `old` stands, in both lists.
    void ReplaceRow(Row old, Row row);
    // The same for many rows at once (pairs of old and new row), one pass over each list.
    void ReplaceRows(const std::vector<std::pair<Row, Row>>& changes);
    // Appends a new row to the end of both lists (to DataList only without a filter).
    void AppendRow(Row row);
    // Inserts a new row before `before` (a row in the lists, or null for the end) in both lists.
    void InsertRowBefore(Row before, Row row);
    // Empties the lists and leaves the filter.
    void ClearRows();
    // Takes every row for which hide(row) is true out of both lists into HiddenRows; returns
    // the rows taken out of DataList.
    template <class Pred>
    size_t HideRowsIf(Pred hide) {
        for (size_t i = 0, n = AllRows().Count(); i < n; ++i)
            if (hide(AllRows()[i])) HiddenRows.Append(AllRows()[i]);
        return RemoveRowsIf(hide);
    }
    // A store made on one thread for another: its owner lets go of the pool and both lists,
    // and the thread that takes the store over adopts them (see TThreadOwner).
    void Release() const;
    void Adopt() const;
    std::array<const TThreadOwner*, 4> Owners() const {
        return {&Pool.Owner, &DataList.Owner, &BackupDataList.Owner, &HiddenRows.Owner};
    }

    // Takes every row for which drop(row) is true out of both lists (the records stay in the
    // file); returns the rows taken out of DataList. One pass over each list.
    template <class Pred>
    size_t RemoveRowsIf(Pred drop) {
        size_t removed = DataList.RemoveIf(drop);
        if (UsingFilter) BackupDataList.RemoveIf(drop);
        return removed;
    }
    // Gives every row in memory (hidden ones too) the same mark.
    void SetAllMarks(bool deleted);
    // The fields at `indexes` (ascending; those beyond a row's fields are ignored) leave every
    // row in memory, in place: the rows keep their handles, and the bytes they no longer use
    // stay with them. One pass, without allocating a row; a long list is shared out among a
    // few threads, which are done when it returns.
    void RemoveFields(const std::vector<int32_t>& indexes);
    // The same for the rows list[first..last).
    static void RemoveFields(const TDataList& list, size_t first, size_t last, const std::vector<int32_t>& indexes);
    // Records moved inside the file, (from, to): each row carrying `from` takes `to`. One pass.
    void RenumberRecords(const std::vector<std::pair<uint32_t, uint32_t>>& moves);
};
