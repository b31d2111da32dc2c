// Helpers of the engine tests: small tables and their expected bytes, opening, error texts,
// folder snapshots, short writes, memo files and a walk through every read.
#pragma once

#include "engine/dbf.h"
#include "engine/dbfmemo.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace dbftest {

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

struct FieldDef {
    std::string Name;
    char Type;
    uint8_t Length;
    uint8_t Decimals = 0;
};

inline uint16_t HeaderLengthFor(uint8_t version, size_t fields) {
    return static_cast<uint16_t>(32 * fields + 33 + ((version == 0x30 || version == 0x31) ? 263 : 0));
}

inline uint16_t RecordLengthFor(const std::vector<FieldDef>& fields) {
    unsigned n = 1;
    for (const auto& f : fields) n += f.Length;
    return static_cast<uint16_t>(n);
}

inline std::string LE32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
inline std::string BE32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
inline void PutLE16(std::string& s, size_t at, uint16_t v) { s[at] = char(v), s[at + 1] = char(v >> 8); }
inline void PutLE32(std::string& s, size_t at, uint32_t v) { s.replace(at, 4, LE32(v)); }

// Creates a table file through the engine, as the program's own writers do; dated 24-05-01.
inline void CreateTable(const std::string& path, uint8_t version, const std::vector<FieldDef>& fields) {
    TDBF dbf;
    dbf.SetFileName(path);
    for (const auto& f : fields) dbf.AddFieldDef(f.Name, f.Type, 0, f.Length, f.Decimals);
    dbf.SetHeader(version, 24, 5, 1, 0, HeaderLengthFor(version, fields.size()), RecordLengthFor(fields), 0, 0);
    dbf.CreateTable();
}

// The header area the engine writes for these fields: descriptor offsets 0 as CreateTable
// writes them, or the record offsets as a structure change stores them.
inline std::string ExpectedHeaderArea(uint8_t version, const std::vector<FieldDef>& fields, uint32_t count = 0,
                                      bool offsets = false) {
    std::string h(32, '\0');
    h[0] = char(version), h[1] = 24, h[2] = 5, h[3] = 1;
    PutLE32(h, 4, count);
    PutLE16(h, 8, HeaderLengthFor(version, fields.size()));
    PutLE16(h, 10, RecordLengthFor(fields));
    uint32_t offset = 1;
    for (const auto& f : fields) {
        std::string d(32, '\0');
        d.replace(0, f.Name.size(), f.Name);
        d[11] = f.Type;
        if (offsets) PutLE32(d, 12, offset);
        d[16] = char(f.Length);
        d[17] = char(f.Decimals);
        h += d;
        offset += f.Length;
    }
    h += '\x0D';
    if (version == 0x30 || version == 0x31) h += std::string(263, '\0');
    return h;
}

// The small table most record tests use: NAME C10, QTY N6.2, DAY D, OK L.
inline const std::vector<FieldDef>& SmallFields() {
    static const std::vector<FieldDef> f = {{"NAME", 'C', 10}, {"QTY", 'N', 6, 2}, {"DAY", 'D', 8}, {"OK", 'L', 1}};
    return f;
}
constexpr uint16_t SmallHL = 161;  // header length of SmallFields tables of version 0x03
constexpr uint16_t SmallRL = 26;   // record length of SmallFields tables

// Record bytes of SmallFields: flag, then the four fields as given (already padded).
inline std::string SmallRecord(const std::string& name, const std::string& qty = "      ",
                               const std::string& day = "        ", const std::string& ok = " ", char flag = ' ') {
    std::string n = name;
    n.resize(10, ' ');
    return std::string(1, flag) + n + qty + day + ok;
}

// A table of SmallFields whose records are named R1..Rn, written directly (no end byte).
inline std::string MakeSmallTable(const TempDir& dir, int n, const std::string& name = "t.dbf") {
    std::string bytes = ExpectedHeaderArea(0x03, SmallFields(), uint32_t(n));
    for (int i = 1; i <= n; ++i) bytes += SmallRecord("R" + std::to_string(i));
    WriteAll(dir.Path(name), bytes);
    return dir.Path(name);
}

// An open table object.
struct Opened {
    TDBF Dbf;
    explicit Opened(const std::string& path, bool readOnly = false) {
        Dbf.SetFileName(path);
        Dbf.SetReadOnly(readOnly);
        Dbf.Open();
    }
    std::string Memo(const std::string& field) {
        std::string text = "stale";
        Dbf.GetMemo(field, text);
        return text;
    }
};

// The first field of every record in the file, trimmed, each followed by ",".
inline std::string NamesOf(const std::string& path) {
    Opened t(path, true);
    std::string s;
    for (uint32_t r = 1; r <= t.Dbf.GetRecordCount(); ++r) {
        t.Dbf.Go(r);
        s += t.Dbf.GetField(0)->GetAsTrimmedString() + ",";
    }
    return s;
}

// Runs `f` and returns the engine error's text, or "(none)" when nothing was raised.
template <class F>
std::string ErrorOf(F f) {
    try {
        f();
    } catch (const EDBFError& e) {
        return e.what();
    }
    return "(none)";
}

// The files of a folder and their bytes.
inline std::map<std::string, std::string> Snapshot(const TempDir& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir.Root()))
        out[e.path().filename().string()] = ReadAll(e.path().string());
    return out;
}

// Limits the size of files this process writes, so that writes beyond it fall short.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Old);
        rlimit r = Old;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int);
};

// A memo file on its own: written from `bytes` (or created when empty) and opened.
struct MemoFile {
    TempDir Dir;
    std::string Path;
    vx::TDBFMemo Memo;
    explicit MemoFile(uint8_t version, const std::string& bytes = "", const char* name = "t.mem")
        : Path(Dir.Path(name)) {
        Memo.SetFileName(Path);
        Memo.SetVersion(version);
        if (bytes.empty())
            Memo.CreateMemoFile();
        else
            WriteAll(Path, bytes);
        Memo.Open();
    }
    std::string Bytes() const { return ReadAll(Path); }
    // Reads a block that must read well.
    std::string Read(int32_t block) {
        bool ok = false;
        std::string text = "stale";
        Memo.ReadMemo(block, ok, text);
        EXPECT_TRUE(ok) << "block " << block;
        return text;
    }
    // Reads a block that must fail: OK false and the empty text.
    void ExpectBad(int32_t block) {
        bool ok = true;
        std::string text = "stale";
        Memo.ReadMemo(block, ok, text);
        EXPECT_FALSE(ok) << "block " << block;
        EXPECT_EQ(text, "") << "block " << block;
    }
};

// Reads every record and every field of an open table through every path a reader takes:
// single records (one before and after the ends too), every getter, and the page cache.
inline void WalkEverything(TDBF& dbf) {
    const uint32_t n = dbf.GetRecordCount();
    for (uint32_t r = 0; r <= n + 1; ++r) {
        try {
            dbf.Go(r);
        } catch (const EDBFError&) {
            continue;
        }
        for (int i = 0; i < dbf.FieldCount; ++i) {
            TField* f = dbf.GetField(i);
            (void)f->GetAsString(), (void)f->GetAsTrimmedString(), (void)f->GetAsFloat(), (void)f->GetAsDate();
            (void)f->GetAsDateTime(), (void)f->GetAsCurrency(), (void)f->GetAsInteger(), (void)f->GetAsDouble();
            try {
                (void)f->GetMemoBlock();
            } catch (const EDBFError&) {
            }
        }
        (void)dbf.GetDeleted();
    }
    dbf.AllocPage(7);
    for (int64_t p = 1; p <= int64_t(n) / 7 + 2; ++p) {
        const int got = dbf.ReadPage(p, 7);
        for (int k = 1; k <= got; ++k) {
            dbf.SelectPageRecord(k);
            for (int i = 0; i < dbf.FieldCount; ++i) (void)dbf.GetField(i)->GetAsString();
        }
    }
    dbf.FreePage();
}

}  // namespace dbftest
