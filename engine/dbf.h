// One table file of the dBase/FoxPro family: header, field descriptors, records with their
// deletion flags, and the memo file beside it. Bytes are read and written as they stand.
//
// Lifecycle: closed -> SetFileName / SetReadOnly / SetHeader / AddFieldDef / CreateTable ->
// Open -> open (records, edits, Post) -> Close -> closed. Failures raise EDBFError whose
// text mostly starts with the file name.
//
// Threads: a table object is used by one thread at a time. The thread that makes it owns it;
// a worker borrows it whole for its job and gives it back when done (`Owner`, see
// engine/threadowner.h). Every member that changes the table, reads its file, moves through
// its records or hands out the current record's fields checks this in builds with thread
// checks (the plain reads of the header and the field descriptors do not).
#pragma once

#include "engine/dbferror.h"
#include "engine/field.h"
#include "engine/threadowner.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vx {
class TFileStream;
class TFileMapping;
class TDBFMemo;
}  // namespace vx

// Pending change of a table, carried out by Post.
enum TDBFEditState { esBrowse = 0, esEdit = 1, esAppend = 2, esInsert = 3, esDelete = 4 };

using TDBFHeader = std::array<uint8_t, 32>;
using TFieldDescriptor = std::array<uint8_t, FieldDescriptorSize>;

constexpr int MaxFieldCount = 254;
constexpr int DbfHeaderSize = 32;
constexpr int BacklinkSize = 263;
constexpr uint8_t HeaderTerminator = 0x0D;
constexpr uint8_t EndOfFileMark = 0x1A;
// Every lock of the engine takes this one region, from 1 GiB up to 4 GiB.
constexpr uint64_t LockRegionOffset = 0x40000000ull;
constexpr uint64_t LockRegionLength = 0xC0000000ull;
constexpr uint32_t DefaultLockTimeout = 4000;

// Description of a version byte ("Unknow type" for bytes not in the table).
std::string DbfVersionName(uint8_t version);
// Name of a type letter ("Character", "Numeric", ...; empty for other letters) and back
// (0 for a text that is not one of the twelve names).
std::string FieldTypeName(char type);
char FieldTypeFromName(const std::string& name);

// The memo file that a new table of `version` written as `table` gets: the table's name with
// the memo extension of the version (".fpt" or ".dbt"), exactly, whatever files of a name that
// differs only in letter case lie beside it; empty for a version without memo file. Raises
// EDBFError, naming the file, when a file of that name is the memo file of another table of
// the folder (one whose name differs only in letter case).
std::string NewMemoFileName(const std::string& table, uint8_t version);

// The fingerprint of a record's bytes after its deletion flag (`length`: the record length):
// what the record list keeps of each record, so that a command can tell whether the file still
// holds the record a row was built from.
uint64_t RecordPrint(const uint8_t* record, size_t length);

// What the rows of a command show of the records it acts on. A command lends one to the table
// for its duration (TDBF::TShownScope); under the table's lock, and before anything is
// written, the table puts to it every record that the command removes, marks, moves, cuts,
// rewrites, inserts before, truncates away or reads for it, and raises EDBFRecordsChanged,
// writing nothing, when one is not as shown or is gone. Without one, nothing is compared.
class TRecordsShown {
public:
    virtual ~TRecordsShown() = default;
    // Whether `record` (the bytes the file holds now for record `recNo`, deletion flag first)
    // is what the row of that record was built from; false when no row shows the record.
    virtual bool IsAsShown(uint32_t recNo, const uint8_t* record) = 0;
    // How many records the rows show (0 when not known): a command on every record of the
    // table refuses when the file holds another number, since records shown are gone or
    // records no row shows were added.
    virtual size_t ShownCount() { return 0; }
    // Whether IsAsShown may now be called from several threads at once, until EndConcurrent;
    // the table calls both on its own thread around such calls.
    virtual bool BeginConcurrent() { return false; }
    virtual void EndConcurrent() {}
    // Whether a record is compared by its deletion mark and RecordPrint alone (no memo
    // texts): then IsPrintShown stands for IsAsShown, and the table may compare records it
    // reads in place.
    virtual bool ComparesPrints() { return false; }
    virtual bool IsPrintShown(uint32_t recNo, bool deleted, uint64_t print) {
        (void)recNo, (void)deleted, (void)print;
        return false;
    }
};

class TDBF {
public:
    TDBF();
    ~TDBF();  // closes the table
    TDBF(const TDBF&) = delete;
    TDBF& operator=(const TDBF&) = delete;

    // Read these directly; the table changes them.
    int FieldCount = 0;      // 1..254 while open
    int MemoFieldCount = 0;  // fields of type M, G or P
    std::string FileName;    // prefix of the error texts
    bool Active = false;     // the table is open
    TThreadOwner Owner;      // the thread that may use the table now

    // ---- lifecycle (dbf.cpp) ----
    // Raises "File not open yet!" / "File already opened!" when the table is not as wanted.
    void CheckActive(bool mustBeOpen) const;
    void SetFileName(const std::string& name);  // requires closed
    void SetReadOnly(bool value);               // requires closed; for the next Open
    // True while the table is open for reading only: asked for with SetReadOnly, or because the
    // table file or its memo file could not be opened for writing (permissions, a read-only
    // medium), in which case Open falls back to reading.
    bool GetReadOnly() const { return ReadOnly; }
    // Fills the header image (requires closed); writes nothing.
    void SetHeader(uint8_t version, uint8_t year, uint8_t month, uint8_t day, uint32_t recordCount,
                   uint16_t headerLength, uint16_t recordLength, uint8_t flags, uint8_t codePage);
    // Appends a field descriptor for CreateTable (requires closed); false at 254 fields.
    // `offset` is not stored.
    bool AddFieldDef(const std::string& name, char type, uint32_t offset, uint8_t length, uint8_t decimals);
    // Writes a new table file (and its empty memo file when a field needs one) from the
    // images. The table stays closed. The memo file is named exactly after the table; when a
    // file of that name is the memo file of another table of the folder (one whose name
    // differs only in letter case), nothing is written and the error is raised.
    void CreateTable();
    // Opens and checks FileName; nothing when already open. Opening writes nothing: it reads the
    // file's size and header together under the table's lock, and a record count that differs
    // from the header's lives in memory until a command writes the table. The count is the
    // whole records the file holds, less those at its end that hold nothing but end-of-file
    // marks (old programs pad files with them; such a record followed by another stays a
    // record), whatever the header says. A partial record at the end is no record. Fewer
    // records than the header says: GetShorterThanHeader.
    void Open();
    void Close();

    // ---- header and descriptors ----
    uint8_t GetVersion() const { return Header[0]; }
    void GetHeader(TDBFHeader& out) const;
    uint32_t GetRecordCount();       // re-read from the file under the lock
    // The file held fewer whole records than its header said when the table was opened (and no
    // command has written the count since); the header's count and the count used then.
    bool GetShorterThanHeader() const { return CountCorrectedInMemory && CorrectedCount < StoredCountAtOpen; }
    uint32_t GetHeaderCountAtOpen() const { return StoredCountAtOpen; }
    uint32_t GetCountAtOpen() const { return CorrectedCount; }
    std::string GetLastUpdate() const;  // "yy.mm.dd" from header bytes 1..3
    uint8_t GetTableFlags() const;
    uint8_t GetCodePage() const;
    std::string GetBacklink() const;  // up to the first NUL
    uint16_t GetHeaderLength() const { return dbfbytes::GetLE16(&Header[8]); }
    uint16_t GetRecordLength() const { return dbfbytes::GetLE16(&Header[10]); }
    void GetFieldDescriptor(int index, TFieldDescriptor& out) const;
    TField* GetField(int index) const;
    std::string GetFieldName(int index) const;  // "*" outside 0..FieldCount-1
    char GetFieldType(int index) const;         // '*' outside 0..FieldCount-1
    int FieldIndex(const std::string& name) const;
    TField* FieldByName(const std::string& name) const;

    // ---- records (dbf_records.cpp) ----
    // Lock and Unlock nest: a Lock while the region is held only counts, and the region is
    // released by the Unlock that matches the outermost Lock (or by Close).
    bool Lock(int64_t recNo);
    void Unlock(int64_t recNo);
    // Holds the lock region for a scope (a command that reads, checks and writes under one
    // lock holds one around all of it).
    class TLockGuard {
    public:
        TLockGuard(TDBF& dbf, int64_t recNo) : Dbf(dbf), RecNo(recNo) { Dbf.Lock(recNo); }
        ~TLockGuard() { Dbf.Unlock(RecNo); }
        TLockGuard(const TLockGuard&) = delete;
        TLockGuard& operator=(const TLockGuard&) = delete;

    private:
        TDBF& Dbf;
        int64_t RecNo;
    };
    uint32_t GetLockTimeout() const { return LockTimeout; }
    void SetLockTimeout(uint32_t ms);  // the table's and the memo file's lock
    // Every locked record operation reads the header with the record count; when its lengths,
    // or the fields it describes (their number and each one's name, type, length and
    // decimals), are not those the table was opened with, it raises EDBFStructureChanged
    // before it writes anything, and this stays true until the table is opened again. Bytes
    // that other programs change without changing the layout (the count, the date, the flags,
    // the code-page mark, other descriptor bytes, the backlink) never count.
    bool GetStructureChanged() const { return StructureChanged; }
    // Raises the engine's error, writing nothing, when the table's path (or the open memo
    // file's) no longer names the file the table has open: deleted, renamed away or replaced.
    // Every write of the table file checks this first.
    void CheckFilesInPlace() const;
    // The text CheckFilesInPlace raises; empty while both files are in place or the table is
    // closed. A file deleted or renamed away (nothing at its path) gets the advice to save the
    // table as another file, the one copy left being what is shown of it; a file replaced by
    // another, the advice to open the table again. Asks the file system.
    std::string FilesNotInPlaceText() const;
    // Whether the table's path still names the file the table has open (false when it was
    // deleted, renamed away or replaced, or the table is closed). Asks the file system.
    bool GetTableInPlace() const;
    bool WriteHeader();
    bool ReadRecordCount();
    bool ReadRecord(int64_t recNo);
    void Go(int64_t recNo);
    int64_t GetCurrentRecNo() const { return CurrentRecNo; }
    bool GetBof() const { return Bof; }
    bool GetEof() const { return Eof; }
    TDBFEditState GetState() const { return State; }

    // Page cache for readers that go through the whole table.
    void AllocPage(int pageSize);
    // Reads page `pageNo` (1-based) of `pageSize` records; returns the records read, never
    // more than the record count leaves for the page (the bytes after the last record, such
    // as end-of-file padding, are no records).
    int ReadPage(int64_t pageNo, int pageSize);
    void SelectPageRecord(int index);            // 1-based within the page
    // The bytes of the page's records as read, record after record (null when there is no
    // page). They stay as they are until the page is read again or freed, and any thread may
    // read them meanwhile.
    const uint8_t* PageBytes() const { return PageCache.empty() ? nullptr : PageCache.data(); }
    // Fills the page with the records of these numbers, in this order (SelectPageRecord(k + 1)
    // then picks recNos[k]); for readers that go through the records in an order of their
    // own, such as a sorted list. With records lent by a TShownScope, every slot that asks
    // for a record (a number other than 0) is compared, a number beyond the count counting as
    // a record gone. The file is visited in ascending order under one lock:
    // records that lie close together are read at once, records on their own are copied out
    // of a mapping of the file that stays until FreePage or Close. A slot whose number is
    // outside 1..count stays blank. Returns the record count.
    int64_t ReadPageRecords(const uint32_t* recNos, size_t count);
    void FreePage();  // also drops the mapping

    void Edit();
    // The current record's bytes as last read from the file or written to it (empty when the
    // current record was not read since the table moved). Post of an edit compares the file's
    // bytes, under the lock, with these, and writes nothing when another program changed them.
    std::string GetReadImage() const;
    // For a caller that showed the record earlier and has read it again to write it: raises the
    // record-changed error when the record as read now differs from `asShown` (an earlier
    // GetReadImage()); nothing when `asShown` is empty.
    void CheckRecordAsShown(const std::string& asShown) const;
    void Append();
    void Insert();
    void Delete();
    // An append goes right after the last whole record the file holds under the lock (the
    // count Open would find, whatever the header says), so that it never leaves a gap, and
    // stores that count + 1. An edit, an insert and a delete compare the record they rewrite,
    // insert before or remove with the records lent by a TShownScope, if any.
    void Post();
    // Appends `count` whole record images (GetRecordLength() bytes each, deletion flag first)
    // after the last whole record, as Post of an append, followed by the end-of-file mark, and
    // stores the new record count; all under the lock. A failed write leaves the file as it was. For writers
    // that produce many records at once (dbf_append.cpp).
    void AppendRecords(const uint8_t* records, size_t count);

    bool GetDeleted() const;
    void SetDeleted(bool flag);
    // Marks every record the file holds. With records lent by a TShownScope, it compares the
    // record count with the rows' (a record gone or added refuses), not each record: every
    // record gets the mark whatever it holds, and only its flag byte is written.
    void SetAllDeleted(bool flag);
    void PackDeleted();
    void ReplaceRecord(int64_t source, int64_t target);
    void SetRecordCount(uint32_t count);
    void Zap();

    // ---- records in bulk (dbf_bulk.cpp) ----
    // Each works under one lock and leaves the same bytes as its record-by-record form (Go,
    // SetDeleted, Delete, Post, ReplaceRecord, SetRecordCount) would. Record numbers
    // outside 1..count raise the range error before anything is written. SetAllDeleted and
    // PackDeleted above work this way too.

    // Removes these records physically (any order; a repeated number counts once): the
    // records after them move down in order, each once; the file is cut and the count
    // written once.
    void RemoveRecords(std::vector<uint32_t> recNos);
    // Gives each record its deletion flag, writing only the flag bytes that differ from the
    // file's. A record named twice takes its last flag.
    struct TRecordFlag {
        uint32_t RecNo;
        bool Deleted;
    };
    void SetDeletedFlags(std::vector<TRecordFlag> flags);
    // Removes the records `holes` by moving records from the end of the file into them: while
    // the last record is not itself a hole it moves into the smallest hole left. Numbers
    // beyond the count are ignored. Returns the moves, (from, to), in the order made.
    std::vector<std::pair<uint32_t, uint32_t>> FillHolesFromEnd(std::vector<uint32_t> holes);
    // Reads the records of these numbers, in this order, into `out` (count x record length
    // bytes); a run of consecutive numbers is read at once.
    void ReadRecords(const uint32_t* recNos, size_t count, std::vector<uint8_t>& out);

    // ---- records as the user saw them (dbf_shown.cpp) ----
    // Lends `shown` to the table for a scope: the records that the table's record operations
    // act on in that scope are compared with it (see TRecordsShown). Scopes do not nest.
    class TShownScope {
    public:
        TShownScope(TDBF& dbf, TRecordsShown* shown) : Dbf(dbf) { Dbf.Shown = shown; }
        ~TShownScope() { Dbf.Shown = nullptr; }
        TShownScope(const TShownScope&) = delete;
        TShownScope& operator=(const TShownScope&) = delete;

    private:
        TDBF& Dbf;
    };
    // RecordPrint of the current record (the record buffer's first half).
    uint64_t GetRecordPrint() const;
    // RecordPrint of every record, in order, read under the lock (for rows that must learn
    // their records anew after the table changed them all, as a structure change does).
    std::vector<uint64_t> ReadRecordPrints();
    // For callers that read records themselves (after Go or a page read): raises
    // EDBFRecordsChanged when a scope's records are lent and the current record, as read, is
    // not the one shown for `recNo`.
    void CheckCurrentShown(int64_t recNo);

    // ---- memo glue (dbf.cpp) ----
    void ReadMemoBlock(int32_t block, std::string& text);
    void GetMemo(const std::string& fieldName, std::string& text);
    void SetMemo(const std::string& fieldName, const std::string& text);
    // Raises what SetMemo raises for a text that cannot be stored: the memo file is missing
    // (named), the table has none, it is open read-only, or a file is no longer in place.
    void CheckMemoWritable() const;
    bool GetMemoOpened() const;
    // The table has memo fields but its memo file was not found when it was opened: the memo
    // stays closed (nothing is created, no reference is touched), memo texts read as empty and
    // SetMemo refuses every text.
    bool GetMemoMissing() const { return MemoMissing; }
    std::string GetMemoFileName() const;
    int64_t GetMemoFileSize() const;
    int32_t GetMemoNextBlock() const;
    uint16_t GetMemoBlockSize() const;
    vx::TDBFMemo& GetMemoObject() { return *Memo; }

    // ---- structure change in place (dbf_structure.cpp); record indexes are 0-based ----
    bool GrowForField(uint8_t length);
    bool WidenRecord(int64_t recIndex, char type, uint8_t length, uint8_t decimals, const std::string& fillText);
    bool AppendFieldDef(const std::string& name, char type, uint32_t offset, uint8_t length, uint8_t decimals);
    bool RemoveFieldDefs(const int32_t* indexes, int32_t count);
    bool NarrowRecord(int64_t recIndex, uint16_t oldRecordLength, int32_t count);
    void FinishFieldRemoval();
    // The records first..last (0-based) at once, each left as WidenRecord or NarrowRecord
    // leaves it: read, rebuilt and written StructureBatchRecords records at a time, with one
    // lock, one read and one write per batch. Widening goes from the last batch to the first
    // and within a batch from the last record to the first (memo blocks are given out in
    // WidenRecord's order); narrowing goes from the first to the last.
    void WidenRecords(int64_t first, int64_t last, char type, uint8_t length, uint8_t decimals,
                      const std::string& fillText);
    void NarrowRecords(int64_t first, int64_t last, uint16_t oldRecordLength, int32_t count);
    // Records one batch of a structure change holds when the longer of the two layouts has
    // records of `recordLength` bytes (at least one).
    static int64_t StructureBatchRecords(int64_t recordLength);

    // Whole structure changes, as the structure-change worker runs them. Each checks the
    // change and converts the fill text before anything is written, compares every record with
    // the records lent by a TShownScope, if any, keeps a copy of the table
    // file (and of the memo file it may write) while it runs, puts both back and raises the
    // error again when any step fails, and deletes the copy after success. Each holds the
    // table's lock from its start to its end (raising "Lock failed." before anything is done
    // when it cannot have it), so that other programs neither append to nor write a table of
    // two layouts. The records move a batch at a time (WidenRecords, NarrowRecords).
    // `progress` is called for each record, in the order of the change, with its 0-based
    // index and the record count, once the batch that holds the record is written; it may
    // throw to stop the change.
    using TStructureProgress = std::function<void(int64_t recIndex, int64_t recordCount)>;
    // GetRecordCount, GrowForField, WidenRecords from the last record to the first,
    // AppendFieldDef. False at 254 fields, with nothing changed.
    bool AddField(const std::string& name, char type, uint8_t length, uint8_t decimals, const std::string& fillText,
                  const TStructureProgress& progress = {});
    // The bytes AddField gives a new field of this kind in every record (for a memo field
    // blanks: each record gets a memo of its own), for callers that show the new values before
    // the change has run. Raises AddField's conversion error for a fill text that does not
    // convert.
    std::string NewFieldImage(char type, uint8_t length, uint8_t decimals, const std::string& fillText) const;
    // GetRecordCount, RemoveFieldDefs, NarrowRecords from the first record to the last,
    // FinishFieldRemoval. `indexes`: `count` distinct field indexes in ascending order. False
    // when every field would go, with nothing changed.
    bool RemoveFields(const int32_t* indexes, int32_t count, const TStructureProgress& progress = {});
    // Fault injection for tests: called before each step of AddField and RemoveFields with
    // the step's name ("grow", "widen", "append", "remove", "narrow", "finish") and the record
    // index (-1 for steps on the whole table; for the records, before the batch that holds
    // the record is read); may throw.
    std::function<void(const char* step, int64_t recIndex)> StructureFaultHook;
    // The bytes of kept records Remove Deleted moves at a time once it has compared the marked
    // ones; tests make it small.
    size_t PackPieceBytes = size_t(1) << 20;
    // The bytes of records that the passes over many records (removing them, marking them,
    // reading them) move in one read or write at most (RecordsPerChunk); tests make it small.
    size_t BulkChunkBytes = size_t(4) << 20;

private:
    friend class TStructureChange;  // the structure change's own steps (dbf_structure.cpp)

    void CheckThread(const char* what) const { Owner.CheckChange(what); }
    // With records lent by a scope (caller holds the lock): raises EDBFRecordsChanged unless
    // `record`, the file's bytes of record recNo, is as shown.
    void CheckShown(int64_t recNo, const uint8_t* record);
    // The same for records read here: record recNo (beyond `count`: gone), and the records
    // of these ascending numbers.
    void CheckShownAt(int64_t recNo, int64_t count);
    void CheckShownRecords(const std::vector<uint32_t>& ascending, int64_t count);
    // For a command on every record: the count against ShownCount, then every record of
    // 1..count for which pick(record) is true (none when `pick` is empty).
    // `picked`, when given, receives the numbers of the records picked, ascending.
    void CheckShownWhere(int64_t count, bool (*pick)(const uint8_t*), std::vector<uint32_t>* picked = nullptr);
    // The file mapped through byte `end` for reading records in place (caller holds the
    // lock); null when the file is shorter or cannot be mapped.
    const vx::TFileMapping* MapThrough(int64_t end);
    // Runs part(p, parts, concurrent) for each part of `records` records to compare: on threads
    // of their own (`concurrent`) when there are many and the records shown allow it; the parts
    // read with TFileStream::ReadAtConcurrently. True when every part returned true.
    bool ShownInParts(size_t records, const std::function<bool(size_t part, size_t parts, bool concurrent)>& part);
    // ReadPageRecords without the comparison.
    int64_t FillPageRecords(const uint32_t* recNos, size_t count);
    // The records the file holds as Open counts them: its whole records less the end-of-file
    // padding after them (caller holds the lock).
    uint32_t HeldRecordsUnlocked();
    // Reads the header area again (caller holds the lock, the layout was checked) and takes
    // every byte of it but the record count and the lengths into the images, so that a header
    // written afterwards keeps what other programs put there (the date, the flags, the
    // code-page mark, descriptor bytes beyond the layout, the backlink).
    void ReloadHeaderUnlocked();
    // Whether the header area read now (`area`, header length bytes) describes the fields the
    // table has open: their number and each one's name, type, length and decimals.
    bool SameLayout(const std::vector<uint8_t>& area) const;
    // Helpers shared by the record and structure operations.
    [[noreturn]] void Fail(const std::string& text) const;  // raises FileName + text
    // Takes the lock region of `stream`, retrying until LockTimeout; raises "Lock failed.".
    void TakeLock(vx::TFileStream& stream, int64_t recNo) const;
    // The table's part of CheckFilesInPlace, once per outermost lock.
    void CheckTableInPlace();
    // The texts of FilesNotInPlaceText for the table file and for the memo file alone.
    std::string TableNotInPlaceText() const;
    std::string MemoNotInPlaceText() const;
    // Keeps the first half of the record buffer as the read image of record recNo; sets the
    // deletion flag of the read image of record recNo when there is one.
    void KeepReadImage(int64_t recNo);
    void SetReadImageFlag(int64_t recNo, uint8_t flag);
    int64_t RecordOffset(int64_t recNo) const;               // file offset of record recNo (1-based)
    uint32_t HeaderRecordCount() const { return dbfbytes::GetLE32(&Header[4]); }
    void SetHeaderRecordCount(uint32_t count) { dbfbytes::PutLE32(&Header[4], count); }
    // Reads the record count at offset 4 into the header image without taking the lock, with
    // the header and record lengths (raises EDBFStructureChanged when they changed).
    bool ReadCountUnlocked();
    // Writes the header image's record count at offset 4 (caller holds the lock).
    void WriteCountUnlocked();
    // Writes bytes; raises FileName + `failText` on a short write or a read-only table.
    void WriteOrFail(int64_t offset, const void* data, size_t n, const char* failText);
    void TruncateOrFail(int64_t size);
    // The file's size and its bytes from `offset` on (at most `n` of them: what a write of `n`
    // bytes there overwrites, such as the end-of-file mark), kept before a write that grows the
    // file; RestoreTail cuts the file back to that size and puts the bytes back, so that a
    // write that failed part way leaves every byte as it was. Caller holds the lock.
    struct TFileTail {
        int64_t Size = -1;
        int64_t Offset = 0;
        std::vector<uint8_t> Bytes;
    };
    TFileTail KeepTail(int64_t offset, size_t n) const;
    void RestoreTail(const TFileTail& tail) const noexcept;
    // Makes the record buffer 2 x record length bytes (keeping what fits) and points every
    // field at it.
    void ResizeRecordBuffer();
    void PointFields();
    // Empties FieldList and builds one field per descriptor.
    void RebuildFields();
    // Recomputes the descriptor offsets: 1, then previous offset + previous length.
    void RecomputeOffsets();
    // Writes descriptors, terminator and (0x30, 0x31) the backlink area under the lock.
    void WriteHeaderArea();
    void BlankBuffer(bool bothHalves);
    void BlankRecord();  // blank value of every field in the first half
    void OpenTable();  // Open's steps
    void OpenMemo();
    // The memo file of this table for a version byte: the table's name with ".fpt" (0x30,
    // 0x31, 0xF5) or ".dbt" (0x83, 0x8B, 0xCB) when that file exists, else an existing file
    // whose name differs only in letter case and that is no other table's memo file, else the
    // exact name; empty for versions without a memo file.
    std::string MemoFileNameFor(uint8_t version) const;
    // Reopens the table file for reading only and marks the table read-only.
    void FallBackToReadOnly();
    // Moves records first..last (1-based) by `delta` records through `work` (caller holds
    // the lock).
    void MoveRecords(int64_t first, int64_t last, int64_t delta, std::vector<uint8_t>& work);
    // Raises the "Record number overstep range" error for recNo.
    [[noreturn]] void FailRange(int64_t recNo) const;
    // Bulk helpers (dbf_bulk.cpp; caller holds the lock): compacts records first..count by
    // dropping those for which drop(recNo, record) is true, and returns the number kept in
    // all, moving RecordsPerChunk records at a time. The predicate may be called on two
    // threads at once. `compareDropped`:
    // with records lent, each record dropped is compared before anything of its chunk is
    // written; one not as shown puts back every record moved (UndoCompaction) and raises
    // EDBFRecordsChanged, so that the file is as it was.
    template <class Drop>
    int64_t CompactRecords(int64_t first, int64_t count, Drop drop, bool compareDropped);
    // Puts back records first..src-1 after a compaction moved the kept ones to first..dst-1:
    // `goneNos` (ascending) and `goneBytes` hold those it dropped.
    void UndoCompaction(int64_t first, int64_t dst, int64_t src, const std::vector<uint32_t>& goneNos,
                        const std::vector<uint8_t>& goneBytes);
    // Compacts records drops.front()..count by dropping those of these numbers (ascending,
    // within 1..count), the records kept copied out of `map`; returns the number kept in all.
    int64_t DropMapped(const vx::TFileMapping& map, const std::vector<uint32_t>& drops, int64_t count);
    size_t RecordsPerChunk() const;
    // Cuts the file to `count` records and writes the count (caller holds the lock).
    void CutToCount(int64_t count);

    std::unique_ptr<vx::TDBFMemo> Memo;
    TFieldList FieldList;
    TDBFHeader Header{};
    std::array<uint8_t, MaxFieldCount * FieldDescriptorSize> Descriptors{};
    uint8_t Terminator = HeaderTerminator;
    std::string Backlink;  // 263 bytes, or empty when the header has no room for them
    // Every byte of the header after the terminator (the backlink area and any padding), as
    // read; a structure change writes it back behind the new terminator.
    std::string HeaderTail;
    bool MemoMissing = false;
    std::unique_ptr<vx::TFileStream> Stream;
    bool ReadOnly = false;
    int64_t CurrentRecNo = 0;
    bool Bof = true;
    bool Eof = true;
    TDBFEditState State = esBrowse;
    uint32_t LockTimeout = DefaultLockTimeout;
    int LockDepth = 0;         // Lock calls not yet matched by Unlock
    bool FileChecked = false;  // the table's path was checked under the lock now held
    bool StructureChanged = false;
    std::vector<uint8_t> ReadImage;  // see GetReadImage
    int64_t ReadImageRecNo = 0;      // the record ReadImage belongs to; 0 for none
    // Open keeps a count that differs from the header's in memory only; while the file still
    // holds the count it held then, re-reads keep the corrected one.
    bool CountCorrectedInMemory = false;
    uint32_t StoredCountAtOpen = 0;
    uint32_t CorrectedCount = 0;
    std::vector<uint8_t> RecordBuffer;  // current record, then the previous one
    std::vector<uint8_t> PageCache;
    int PageSize = 0;
    std::unique_ptr<vx::TFileMapping> Mapping;  // for reading records in place (MapThrough)
    TRecordsShown* Shown = nullptr;  // see TShownScope
    std::vector<uint8_t> HeaderArea;  // the header as last read under the lock
};
