// Table lifecycle: creating a table file, opening and checking it, closing it; header and
// descriptor accessors; the memo file beside the table.
#include "engine/dbf.h"

#include "engine/dbfmemo.h"
#include "engine/raceseam.h"
#include "platform/filestream.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <limits>
#include <vector>

using vx::TFileStream;
using vx::TOpenMode;

namespace {

uint8_t AsciiUpper(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

bool IsMemoType(uint8_t t) { return t == 'M' || t == 'G' || t == 'P'; }

// Stored field name: the bytes of the name slot up to the first NUL, at most `limit`.
std::string StoredName(const uint8_t* d, size_t limit) {
    size_t n = 0;
    while (n < limit && d[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(d), n);
}

std::string UpperAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(AsciiUpper(static_cast<uint8_t>(c)));
    return s;
}

// Opens a file stream; the platform's open failure becomes the engine's error.
std::unique_ptr<TFileStream> OpenStream(const std::string& name, TOpenMode mode) {
    try {
        return std::make_unique<TFileStream>(name, mode);
    } catch (const vx::TFileError& e) {
        throw EDBFError(e.what());
    }
}

// Memo extension of a version byte, or null for versions whose memo file is not opened.
const char* MemoExtension(uint8_t version) {
    switch (version) {
    case 0x30: case 0x31: case 0xF5: return ".fpt";
    case 0x83: case 0x8B: case 0xCB: return ".dbt";
    default: return nullptr;
    }
}

// The table's file name with its extension replaced.
std::string ReplaceExtension(const std::string& name, const char* ext) {
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ext;
    return name.substr(0, dot) + ext;
}

// True for the reasons a file can be read but not written: permissions, a read-only medium.
bool WriteRefused(int err) { return err == EACCES || err == EPERM || err == EROFS || err == ETXTBSY; }

bool IsTableFileName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot != std::string::npos && UpperAscii(name.substr(dot)) == ".DBF";
}

std::string Stem(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The regular files of a folder ("." for an empty path).
std::vector<std::string> FolderFiles(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The memo file with extension `ext` of the table file `table`. The exact name (the table's
// name with the extension replaced) when it exists. Else a file whose name differs from it
// only in letter case: first one whose stem is exactly the table's ("calls.FPT" for
// "calls.dbf"), then any other that is not the memo file of another table ("CALLS.FPT"
// belongs to "CALLS.DBF" when that table is there). Else the exact name.
std::string ResolveMemoName(const std::string& table, const char* ext) {
    const std::string exact = ReplaceExtension(table, ext);
    if (vx::FileExists(exact)) return exact;
    namespace fs = std::filesystem;
    const fs::path p(exact);
    const std::string stem = p.stem().string();
    const std::string want = UpperAscii(p.filename().string());
    const std::vector<std::string> files = FolderFiles(p.parent_path());
    std::string sameStem, other;
    for (const std::string& name : files) {
        if (UpperAscii(name) != want) continue;
        if (Stem(name) == stem) {
            if (sameStem.empty()) sameStem = name;
            continue;
        }
        const bool owned = std::any_of(files.begin(), files.end(), [&](const std::string& t) {
            return IsTableFileName(t) && Stem(t) == Stem(name);
        });
        if (!owned && other.empty()) other = name;
    }
    const std::string& found = !sameStem.empty() ? sameStem : other;
    if (found.empty()) return exact;
    return p.has_parent_path() ? (p.parent_path() / found).string() : found;
}

// How many of the `count` whole records (`rl` bytes each, the first at
// `start`) hold nothing but end-of-file marks, counted back from the last: what an old
// program padded the file with is no record. Stops at the first record that holds another
// byte, or that cannot be read.
uint64_t EndMarkRecords(TFileStream& s, int64_t start, uint16_t rl, uint64_t count) {
    const uint64_t perChunk = std::max<uint64_t>(1, (uint64_t(1) << 16) / rl);
    std::vector<uint8_t> chunk;
    uint64_t marks = 0;
    for (uint64_t end = count; end > 0;) {
        const uint64_t n = std::min(perChunk, end);
        chunk.resize(size_t(n) * rl);
        if (!s.ReadAt(start + int64_t(end - n) * rl, chunk.data(), chunk.size())) return marks;
        for (uint64_t k = n; k > 0; --k) {
            const auto rec = chunk.begin() + std::ptrdiff_t((k - 1) * rl);
            if (std::any_of(rec, rec + rl, [](uint8_t b) { return b != EndOfFileMark; })) return marks;
            ++marks;
        }
        end -= n;
    }
    return marks;
}

// Another table of the folder (a name that differs from `table`'s only in letter case, or in
// the letter case of its extension) whose memo file `memo` is.
bool MemoOfAnotherTable(const std::string& table, const std::string& memo, const char* ext) {
    namespace fs = std::filesystem;
    const fs::path p(table);
    const std::string own = p.filename().string();
    const std::string want = UpperAscii(Stem(own));
    for (const std::string& name : FolderFiles(p.parent_path())) {
        if (name == own || !IsTableFileName(name) || UpperAscii(Stem(name)) != want) continue;
        const std::string other = p.has_parent_path() ? (p.parent_path() / name).string() : name;
        if (ResolveMemoName(other, ext) == memo) return true;
    }
    return false;
}

}  // namespace

std::string NewMemoFileName(const std::string& table, uint8_t version) {
    const char* ext = MemoExtension(version);
    if (!ext) return std::string();
    const std::string memo = ReplaceExtension(table, ext);
    if (vx::FileExists(memo) && MemoOfAnotherTable(table, memo, ext))
        throw EDBFError(table + " - The memo file " + memo + " belongs to another table!");
    return memo;
}

// ---- names ------------------------------------------------------------------------------

std::string DbfVersionName(uint8_t version) {
    switch (version) {
    case 0x02: return "FoxBASE";
    case 0x03: return "FoxBASE+/Dbase III plus, no memo";
    case 0x30: return "Visual FoxPro with memo";
    case 0x31: return "Visual FoxPro, autoincrement enabled";
    case 0x43: return "dBASE IV SQL table files, no memo";
    case 0x63: return "dBASE IV SQL system files, no memo";
    case 0x83: return "FoxBASE+/dBASE III PLUS, with memo";
    case 0x8B: return "dBASE IV with memo";
    case 0xCB: return "dBASE IV SQL table files, with memo";
    case 0xF5: return "FoxPro 2.x (or earlier) with memo";
    case 0xFB: return "FoxBASE";
    default: return "Unknow type";
    }
}

namespace {
struct TTypeName {
    char Letter;
    const char* Name;
};
constexpr TTypeName TypeNames[] = {
    {'C', "Character"}, {'Y', "Currency"}, {'N', "Numeric"}, {'F', "Float"},
    {'D', "Date"},      {'T', "DateTime"}, {'B', "Double"},  {'I', "Integer"},
    {'L', "Logical"},   {'M', "Memo"},     {'G', "General"}, {'P', "Picture"},
};
}  // namespace

std::string FieldTypeName(char type) {
    for (const auto& t : TypeNames)
        if (t.Letter == type) return t.Name;
    return "";
}

char FieldTypeFromName(const std::string& name) {
    for (const auto& t : TypeNames)
        if (name == t.Name) return t.Letter;
    return 0;
}

// ---- lifecycle --------------------------------------------------------------------------

TDBF::TDBF() : Memo(std::make_unique<vx::TDBFMemo>()) {}

TDBF::~TDBF() { Close(); }

void TDBF::CheckActive(bool mustBeOpen) const {
    if (mustBeOpen && !Active) throw EDBFError("File not open yet!");
    if (!mustBeOpen && Active) throw EDBFError("File already opened!");
}

void TDBF::Fail(const std::string& text) const { throw EDBFError(FileName + text); }

void TDBF::SetFileName(const std::string& name) {
    CheckThread("TDBF::SetFileName");
    CheckActive(false);
    FileName = name;
}

void TDBF::SetReadOnly(bool value) {
    CheckThread("TDBF::SetReadOnly");
    CheckActive(false);
    ReadOnly = value;
}

void TDBF::SetHeader(uint8_t version, uint8_t year, uint8_t month, uint8_t day, uint32_t recordCount,
                     uint16_t headerLength, uint16_t recordLength, uint8_t flags, uint8_t codePage) {
    CheckThread("TDBF::SetHeader");
    CheckActive(false);
    Header[0] = version;
    Header[1] = year;
    Header[2] = month;
    Header[3] = day;
    dbfbytes::PutLE32(&Header[4], recordCount);
    dbfbytes::PutLE16(&Header[8], headerLength);
    dbfbytes::PutLE16(&Header[10], recordLength);
    Header[28] = flags;
    Header[29] = codePage;
}

bool TDBF::AddFieldDef(const std::string& name, char type, uint32_t, uint8_t length, uint8_t decimals) {
    CheckThread("TDBF::AddFieldDef");
    CheckActive(false);
    if (FieldCount >= MaxFieldCount) return false;
    uint8_t* d = &Descriptors[static_cast<size_t>(FieldCount) * FieldDescriptorSize];
    std::fill(d, d + FieldDescriptorSize, 0);
    std::memcpy(d, name.data(), std::min<size_t>(name.size(), 10));
    d[11] = static_cast<uint8_t>(type);
    d[16] = length;
    d[17] = decimals;
    ++FieldCount;
    return true;
}

void TDBF::CreateTable() {
    CheckThread("TDBF::CreateTable");
    CheckActive(false);
    bool hasMemo = false;
    for (int i = 0; i < FieldCount; ++i)
        if (IsMemoType(Descriptors[static_cast<size_t>(i) * FieldDescriptorSize + 11])) hasMemo = true;
    // The memo file is named exactly after the table: a memo file in another letter case is
    // left alone, and one that another table uses is never replaced.
    const std::string memoName = hasMemo ? NewMemoFileName(FileName, GetVersion()) : std::string();

    Stream = OpenStream(FileName, TOpenMode::Create);
    try {
        WriteHeader();  // raises " - Error in write DBF head structure!" when short
        WriteOrFail(DbfHeaderSize, Descriptors.data(), static_cast<size_t>(FieldCount) * FieldDescriptorSize,
                    " - Error in write DBF field type!");
        WriteOrFail(DbfHeaderSize + int64_t(FieldCount) * 32, &HeaderTerminator, 1,
                    " - Error in write DBF head terminative char!");
        if (GetVersion() == 0x30 || GetVersion() == 0x31) {
            static const uint8_t zeros[BacklinkSize] = {};
            WriteOrFail(DbfHeaderSize + int64_t(FieldCount) * 32 + 1, zeros, BacklinkSize, " - Error in write DBF!");
        }
    } catch (...) {
        Stream.reset();
        throw;
    }
    Stream.reset();

    if (!hasMemo) return;
    Memo->Close();
    Memo->SetVersion(GetVersion());
    Memo->SetFileName(memoName);
    if (!memoName.empty()) Memo->CreateMemoFile();
}

namespace {

// Finds the end of the descriptors by the 0x0D terminator at a descriptor boundary; the
// failure text when there is none.
const char* FindTerminator(const std::vector<uint8_t>& area, int& count, size_t& pos) {
    count = 0;
    pos = DbfHeaderSize;
    while (pos < area.size() && area[pos] != HeaderTerminator) {
        if (count == MaxFieldCount) return " - Invalid field count!";
        if (pos + FieldDescriptorSize >= area.size()) return " - Invalid head terminator!";
        ++count;
        pos += FieldDescriptorSize;
    }
    if (count == 0) return " - Invalid field count!";
    if (pos >= area.size()) return " - Invalid head terminator!";
    return nullptr;
}

// A header whose end byte is not 0x0D (some programs write 0x0A) is read when everything else
// agrees: the header length holds whole descriptors, the end byte and perhaps the 263-byte
// backlink area exactly, and the lengths of those descriptors add up to the record length.
bool TerminatorByAgreement(const std::vector<uint8_t>& area, uint16_t recordLength, int& count, size_t& pos) {
    for (size_t tail : {size_t(0), size_t(BacklinkSize)}) {
        if (area.size() < DbfHeaderSize + FieldDescriptorSize + 1 + tail) continue;
        const size_t end = area.size() - 1 - tail;
        if ((end - DbfHeaderSize) % FieldDescriptorSize != 0) continue;
        const size_t n = (end - DbfHeaderSize) / FieldDescriptorSize;
        if (n > size_t(MaxFieldCount)) continue;
        uint32_t sum = 0;
        bool lengths = true;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t len = area[DbfHeaderSize + i * FieldDescriptorSize + 16];
            lengths = lengths && len > 0;
            sum += len;
        }
        if (!lengths || sum + 1 != recordLength) continue;
        count = int(n);
        pos = end;
        return true;
    }
    return false;
}

}  // namespace

void TDBF::Open() {
    CheckThread("TDBF::Open");
    if (Active) return;
    const bool askedReadOnly = ReadOnly;
    try {
        OpenTable();
    } catch (...) {
        if (!Active) ReadOnly = askedReadOnly;
        throw;
    }
}

void TDBF::OpenTable() {
    std::unique_ptr<TFileStream> s;
    try {
        s = std::make_unique<TFileStream>(FileName, ReadOnly ? TOpenMode::ReadOnly : TOpenMode::ReadWrite);
    } catch (const vx::TFileError& e) {
        // A table that can be read but not written opens read-only.
        if (ReadOnly || !WriteRefused(e.Errno)) throw EDBFError(e.what());
        s = OpenStream(FileName, TOpenMode::ReadOnly);
        ReadOnly = true;
    }
    // The size and the header are read together under the lock, so that an append by another
    // program falls wholly before or after them. A failure below closes the stream, which
    // releases the lock.
    TakeLock(*s, 0);
    const int64_t fileSize = s->Size();
    vx::AtRacePoint("open");
    RecordBuffer.clear();

    // Header.
    TDBFHeader header{};
    if (fileSize < DbfHeaderSize || !s->ReadAt(0, header.data(), header.size())) Fail("Invalid DBF file!");
    const uint8_t version = header[0];
    if ((version & 0x07) == 0x04)
        Fail(" - Unsupported table format (48-byte field descriptors)!");
    const uint16_t headerLength = dbfbytes::GetLE16(&header[8]);
    const uint16_t recordLength = dbfbytes::GetLE16(&header[10]);
    if (headerLength < DbfHeaderSize + 1 || headerLength > fileSize) Fail(" - Invalid header length!");
    if (recordLength == 0) Fail(" - Invalid record length!");

    // The header area: descriptors up to the terminator, then perhaps the backlink area.
    std::vector<uint8_t> area(headerLength);
    if (!s->ReadAt(0, area.data(), area.size())) Fail(" - Error filed count!");
    int count = 0;
    size_t pos = 0;
    if (const char* failure = FindTerminator(area, count, pos))
        if (!TerminatorByAgreement(area, recordLength, count, pos)) Fail(failure);

    // Field lengths must fit the record (a longer record is padding).
    uint32_t sum = 0;
    for (int i = 0; i < count; ++i) {
        uint8_t len = area[DbfHeaderSize + size_t(i) * FieldDescriptorSize + 16];
        if (len == 0) Fail(" - Invalid field length!");
        sum += len;
    }
    if (sum > uint32_t(recordLength) - 1) Fail(" - Invalid record length!");

    // Everything checked: take the images.
    Header = header;
    std::fill(Descriptors.begin(), Descriptors.end(), 0);
    std::memcpy(Descriptors.data(), &area[DbfHeaderSize], size_t(count) * FieldDescriptorSize);
    Terminator = area[pos];
    HeaderTail.assign(reinterpret_cast<const char*>(area.data()) + pos + 1, headerLength - (pos + 1));
    if (HeaderTail.size() >= size_t(BacklinkSize))
        Backlink = HeaderTail.substr(0, BacklinkSize);
    else
        Backlink.clear();
    FieldCount = count;
    MemoFieldCount = 0;
    for (int i = 0; i < count; ++i)
        if (IsMemoType(Descriptors[size_t(i) * FieldDescriptorSize + 11])) ++MemoFieldCount;

    // The record count (see Open in dbf.h), in memory only.
    const uint32_t stored = HeaderRecordCount();
    const uint64_t whole = uint64_t(fileSize - headerLength) / recordLength;
    // Whole records of nothing but end marks at the end of the file are padding, whichever way
    // the header errs; one followed by another record stays a record.
    const uint64_t held = whole - EndMarkRecords(*s, headerLength, recordLength, whole);
    const uint32_t records = static_cast<uint32_t>(std::min<uint64_t>(held, std::numeric_limits<uint32_t>::max()));
    StoredCountAtOpen = stored;
    CorrectedCount = records;
    CountCorrectedInMemory = records != stored;
    SetHeaderRecordCount(records);
    s->UnlockRegion(LockRegionOffset, LockRegionLength);

    RecomputeOffsets();
    Stream = std::move(s);
    Mapping.reset();  // a mapping is of the stream it was made from
    LockDepth = 0;
    StructureChanged = false;
    RebuildFields();
    Active = true;
    CurrentRecNo = 0;
    Bof = Eof = true;
    State = esBrowse;

    if (HeaderRecordCount() >= 1) {
        try {
            Go(1);
        } catch (const EDBFError&) {
        }
    }
    OpenMemo();
}

std::string TDBF::MemoFileNameFor(uint8_t version) const {
    const char* ext = MemoExtension(version);
    return ext ? ResolveMemoName(FileName, ext) : std::string();
}

void TDBF::FallBackToReadOnly() {
    Stream = OpenStream(FileName, TOpenMode::ReadOnly);
    Mapping.reset();
    LockDepth = 0;
    ReadOnly = true;
}

void TDBF::OpenMemo() {
    const uint8_t version = GetVersion();
    Memo->Close();
    Memo->SetVersion(version);
    MemoMissing = false;
    if (!MemoExtension(version)) {
        Memo->SetFileName(ReplaceExtension(FileName, ".dbt"));
        return;
    }
    const std::string name = MemoFileNameFor(version);
    Memo->SetFileName(name);
    if (!vx::FileExists(name)) {
        // A memo file that is only misplaced must find its references intact when it is put
        // back: nothing is created and no reference is touched; memo texts read as empty.
        MemoMissing = MemoFieldCount > 0;
        return;
    }
    try {
        try {
            Memo->Open(ReadOnly);
        } catch (const vx::TFileError& e) {
            // A memo file that can only be read makes the whole table read-only.
            if (ReadOnly || !WriteRefused(e.Errno)) throw;
            FallBackToReadOnly();
            Memo->Open(true);
        }
    } catch (const EDBFError&) {
        throw;
    } catch (const std::exception& e) {
        throw EDBFError(e.what());
    }
}

void TDBF::Close() {
    CheckThread("TDBF::Close");
    if (!Active) return;
    FieldCount = 0;
    Stream.reset();
    LockDepth = 0;
    ReadImageRecNo = 0;
    StructureChanged = false;
    ReadOnly = false;
    Active = false;
    CurrentRecNo = 0;
    Bof = Eof = true;
    State = esBrowse;
    RecordBuffer.clear();
    RecordBuffer.shrink_to_fit();
    PointFields();
    PageCache.clear();
    PageCache.shrink_to_fit();
    PageSize = 0;
    Mapping.reset();
    Memo->Close();
    MemoMissing = false;
}

// ---- layout helpers ---------------------------------------------------------------------

void TDBF::RecomputeOffsets() {
    uint32_t offset = 1;
    for (int i = 0; i < FieldCount; ++i) {
        uint8_t* d = &Descriptors[size_t(i) * FieldDescriptorSize];
        dbfbytes::PutLE32(d + 12, offset);
        offset += d[16];
    }
}

void TDBF::PointFields() {
    uint8_t* buf = RecordBuffer.empty() ? nullptr : RecordBuffer.data();
    size_t len = RecordBuffer.size() / 2;
    for (int i = 0; i < FieldList.Count(); ++i) FieldList.GetItem(i)->SetRecordBuffer(buf, len);
}

void TDBF::ResizeRecordBuffer() {
    size_t want = size_t(2) * GetRecordLength();
    if (RecordBuffer.size() != want) RecordBuffer.assign(want, 0);
    PointFields();
}

void TDBF::RebuildFields() {
    FieldList.Clear();
    for (int i = 0; i < FieldCount; ++i) {
        auto f = std::make_unique<TField>(&Descriptors[size_t(i) * FieldDescriptorSize]);
        f->SetVersion(GetVersion());
        FieldList.Add(std::move(f));
    }
    RecordBuffer.assign(size_t(2) * GetRecordLength(), 0);
    ReadImageRecNo = 0;
    PointFields();
}

void TDBF::WriteHeaderArea() {
    TLockGuard lock(*this, 0);
    WriteOrFail(DbfHeaderSize, Descriptors.data(), size_t(FieldCount) * FieldDescriptorSize,
                " - Error in write DBF field type!");
    WriteOrFail(DbfHeaderSize + int64_t(FieldCount) * 32, &HeaderTerminator, 1,
                " - Error in write DBF head terminative char!");
    if (GetVersion() == 0x30 || GetVersion() == 0x31) {
        static const uint8_t zeros[BacklinkSize] = {};
        WriteOrFail(DbfHeaderSize + int64_t(FieldCount) * 32 + 1, zeros, BacklinkSize, " - Error in write DBF!");
    }
}

// ---- accessors --------------------------------------------------------------------------

void TDBF::GetHeader(TDBFHeader& out) const {
    CheckActive(true);
    out = Header;
}

uint32_t TDBF::GetRecordCount() {
    CheckActive(true);
    ReadRecordCount();
    return HeaderRecordCount();
}

std::string TDBF::GetLastUpdate() const {
    CheckActive(true);
    std::string out;
    for (int i = 1; i <= 3; ++i) {
        if (i > 1) out += '.';
        std::string n = std::to_string(Header[size_t(i)]);
        if (n.size() < 2) out += '0';
        out += n;
    }
    return out;
}

uint8_t TDBF::GetTableFlags() const {
    CheckActive(true);
    return Header[28];
}

uint8_t TDBF::GetCodePage() const {
    CheckActive(true);
    return Header[29];
}

std::string TDBF::GetBacklink() const {
    CheckActive(true);
    return Backlink.substr(0, Backlink.find('\0'));
}

void TDBF::GetFieldDescriptor(int index, TFieldDescriptor& out) const {
    CheckActive(true);
    if (index < 0 || index >= FieldCount) {
        out.fill(0);
        return;
    }
    std::memcpy(out.data(), &Descriptors[size_t(index) * FieldDescriptorSize], FieldDescriptorSize);
}

TField* TDBF::GetField(int index) const {
    CheckThread("TDBF::GetField");
    CheckActive(true);
    return FieldList.GetItem(index);
}

std::string TDBF::GetFieldName(int index) const {
    if (index < 0 || index >= FieldCount) return "*";
    return StoredName(&Descriptors[size_t(index) * FieldDescriptorSize], 11);
}

char TDBF::GetFieldType(int index) const {
    if (index < 0 || index >= FieldCount) return '*';
    return static_cast<char>(Descriptors[size_t(index) * FieldDescriptorSize + 11]);
}

int TDBF::FieldIndex(const std::string& name) const {
    const std::string want = UpperAscii(name);
    for (int i = 0; i < FieldCount; ++i) {
        std::string stored = UpperAscii(StoredName(&Descriptors[size_t(i) * FieldDescriptorSize], 11));
        size_t b = 0, e = stored.size();
        while (b < e && static_cast<uint8_t>(stored[b]) <= ' ') ++b;
        while (e > b && static_cast<uint8_t>(stored[e - 1]) <= ' ') --e;
        if (stored.compare(b, e - b, want) == 0 && e - b == want.size()) return i;
    }
    return -1;
}

TField* TDBF::FieldByName(const std::string& name) const {
    CheckThread("TDBF::FieldByName");
    CheckActive(true);
    const std::string want = UpperAscii(name);
    for (int i = 0; i < FieldCount; ++i)
        if (UpperAscii(StoredName(&Descriptors[size_t(i) * FieldDescriptorSize], 11)) == want)
            return FieldList.GetItem(i);
    Fail("can not find field" + name);
}

// ---- memo glue --------------------------------------------------------------------------

void TDBF::ReadMemoBlock(int32_t block, std::string& text) {
    CheckThread("TDBF::ReadMemoBlock");
    text.clear();
    if (!Memo->GetOpened()) return;
    bool ok = true;
    Memo->ReadMemo(block, ok, text);
}

void TDBF::GetMemo(const std::string& fieldName, std::string& text) {
    CheckThread("TDBF::GetMemo");
    text.clear();
    if (!Memo->GetOpened()) return;
    TField* f = FieldByName(fieldName);
    int32_t block = f->GetMemoBlock();
    bool ok = true;
    Memo->ReadMemo(block, ok, text);
    if (!ok) f->SetMemoBlock(NoMemoBlock);
}

void TDBF::CheckMemoWritable() const {
    if (!Memo->GetOpened()) {
        if (MemoMissing) Fail(" - The memo file " + Memo->GetFileName() + " is missing, so memo texts cannot be changed!");
        Fail(" - The table has no memo file, so memo texts cannot be stored!");
    }
    if (Memo->GetReadOnly()) Fail(" - The file is opened read-only!");
    CheckFilesInPlace();
}

void TDBF::SetMemo(const std::string& fieldName, const std::string& text) {
    CheckThread("TDBF::SetMemo");
    // Memo texts of a table without its memo file read as empty, so the empty text changes
    // nothing there.
    if (!Memo->GetOpened() && text.empty()) return;
    if (!text.empty()) CheckMemoWritable();
    TField* f = FieldByName(fieldName);
    const int32_t block = f->GetMemoBlock();
    if (text.empty()) {
        f->SetMemoBlock(NoMemoBlock);
        return;
    }
    const int32_t written = Memo->WriteMemo(block, text);
    // A failed write keeps the old reference.
    if (written == NoMemoBlock) Fail(" - Error in write memo!");
    f->SetMemoBlock(written);
}

uint32_t TDBF::HeldRecordsUnlocked() {
    const int64_t size = Stream->Size();
    const int64_t hl = GetHeaderLength(), rl = GetRecordLength();
    if (size <= hl || rl < 1) return 0;
    const uint64_t whole = uint64_t(size - hl) / uint64_t(rl);
    const uint64_t held = whole - EndMarkRecords(*Stream, hl, static_cast<uint16_t>(rl), whole);
    return static_cast<uint32_t>(std::min<uint64_t>(held, std::numeric_limits<uint32_t>::max()));
}

bool TDBF::SameLayout(const std::vector<uint8_t>& area) const {
    int count = 0;
    size_t pos = 0;
    if (FindTerminator(area, count, pos) && !TerminatorByAgreement(area, GetRecordLength(), count, pos)) return false;
    if (count != FieldCount) return false;
    for (int i = 0; i < count; ++i) {
        const uint8_t* now = &area[DbfHeaderSize + size_t(i) * FieldDescriptorSize];
        const uint8_t* then = &Descriptors[size_t(i) * FieldDescriptorSize];
        // The name up to its first NUL, the type letter, the length and the decimals.
        const size_t nameNow = std::find(now, now + 11, 0) - now, nameThen = std::find(then, then + 11, 0) - then;
        if (nameNow != nameThen || std::memcmp(now, then, nameNow) != 0) return false;
        if (now[11] != then[11] || now[16] != then[16] || now[17] != then[17]) return false;
    }
    return true;
}

void TDBF::ReloadHeaderUnlocked() {
    if (!ReadCountUnlocked()) Fail("Invalid DBF file!");  // also checks the layout
    const std::vector<uint8_t>& area = HeaderArea;
    const size_t hl = area.size();
    int count = 0;
    size_t pos = 0;
    if (FindTerminator(area, count, pos)) TerminatorByAgreement(area, GetRecordLength(), count, pos);
    std::memcpy(&Header[0], &area[0], 4);
    std::memcpy(&Header[12], &area[12], DbfHeaderSize - 12);
    std::memcpy(Descriptors.data(), &area[DbfHeaderSize], size_t(FieldCount) * FieldDescriptorSize);
    RecomputeOffsets();  // as Open: the offsets follow from the lengths
    Terminator = area[pos];
    HeaderTail.assign(reinterpret_cast<const char*>(area.data()) + pos + 1, hl - (pos + 1));
    Backlink = HeaderTail.size() >= size_t(BacklinkSize) ? HeaderTail.substr(0, BacklinkSize) : std::string();
}

void TDBF::CheckFilesInPlace() const {
    CheckActive(true);
    const std::string text = FilesNotInPlaceText();
    if (!text.empty()) throw EDBFError(text);
}

std::string TDBF::FilesNotInPlaceText() const {
    if (!Active) return {};
    std::string text = TableNotInPlaceText();
    return text.empty() ? MemoNotInPlaceText() : text;
}

std::string TDBF::TableNotInPlaceText() const {
    if (!Stream) return {};
    switch (Stream->PathState()) {
    case vx::TPathState::Missing:
        return FileName + dbftext::TableDeleted + (MemoFieldCount > 0 ? dbftext::KeepMemoTexts : "");
    case vx::TPathState::Other: return FileName + dbftext::TableReplaced;
    default: return {};
    }
}

std::string TDBF::MemoNotInPlaceText() const {
    if (!Memo->GetOpened()) return {};
    const std::string before = FileName + dbftext::MemoGoneBefore + Memo->GetFileName();
    switch (Memo->PathState()) {
    case vx::TPathState::Missing:
        return before + dbftext::MemoDeletedAfter + (MemoFieldCount > 0 ? dbftext::KeepMemoTexts : "");
    case vx::TPathState::Other: return before + dbftext::MemoReplacedAfter;
    default: return {};
    }
}

bool TDBF::GetTableInPlace() const { return Active && Stream && Stream->StillAtPath(); }

void TDBF::SetLockTimeout(uint32_t ms) {
    CheckThread("TDBF::SetLockTimeout");
    LockTimeout = ms;
    Memo->SetLockTimeout(ms);
}

bool TDBF::GetMemoOpened() const { return Memo->GetOpened(); }
std::string TDBF::GetMemoFileName() const { return Memo->GetFileName(); }
int64_t TDBF::GetMemoFileSize() const { return Memo->GetFileSize(); }
int32_t TDBF::GetMemoNextBlock() const { return Memo->GetNextBlock(); }
uint16_t TDBF::GetMemoBlockSize() const { return Memo->GetBlockSize(); }
