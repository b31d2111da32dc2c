// Fuzz target of the table engine: an arbitrary table file with an arbitrary memo file is
// opened read-only and, on a copy, for reading and writing; every record is walked (single
// records and the page cache), every field read with every getter and every memo read. The
// copy is then edited and its structure changed, after which it must still open.
//
// Input: a 4-byte little-endian length n, n bytes of table file, then the memo file (none
// when empty). An input whose n does not fit is a table file alone.
#include "engine/dbf.h"
#include "engine/dbfmemo.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

volatile uint64_t Sink;  // keeps the getters' results alive

void Use(uint64_t v) { Sink = Sink + v; }
void Use(const std::string& s) { Use(s.size() + (s.empty() ? 0 : uint8_t(s[0]))); }

// The folder of this process under VX_FUZZ_DIR (else /dev/shm or the temporary folder),
// removed when the process ends normally; libFuzzer's own ends skip that, so run.sh points
// VX_FUZZ_DIR at a folder it removes itself.
const fs::path& WorkDir() {
    static const fs::path dir = [] {
        const char* env = std::getenv("VX_FUZZ_DIR");
        fs::path base = env && *env           ? fs::path(env)
                        : fs::exists("/dev/shm") ? fs::path("/dev/shm")
                                                 : fs::temp_directory_path();
        fs::path d = base / ("vx-fuzz-table-" + std::to_string(::getpid()));
        fs::create_directories(d / "ro");
        fs::create_directories(d / "rw");
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(WorkDir(), ec);
        });
        return d;
    }();
    return dir;
}

void WriteFile(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Puts the table (and the memo file under both memo names) into `dir`, alone.
std::string Place(const fs::path& dir, const uint8_t* table, size_t tableSize, const uint8_t* memo,
                  size_t memoSize) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove(e.path(), ec);
    WriteFile(dir / "t.dbf", table, tableSize);
    if (memoSize > 0) {
        WriteFile(dir / "t.fpt", memo, memoSize);
        WriteFile(dir / "t.dbt", memo, memoSize);
    }
    return (dir / "t.dbf").string();
}

void ReadFields(TDBF& dbf) {
    Use(dbf.GetDeleted());
    for (int i = 0; i < dbf.FieldCount; ++i) {
        TField* f = dbf.GetField(i);
        if (!f) continue;
        Use(f->GetName());
        Use(f->GetAsString());
        Use(f->GetAsTrimmedString());
        Use(uint64_t(f->GetAsFloat() != 0.0));
        TDateTimeParts d = f->GetAsDate();
        TDateTimeParts t = f->GetAsDateTime();
        Use(uint64_t(d.Year + d.Month + d.Day + t.Hour + t.Millisecond));
        Use(uint64_t(f->GetAsCurrency()));
        Use(uint64_t(f->GetAsInteger()));
        Use(uint64_t(f->GetAsDouble() != 0.0));
        std::string text;
        try {
            const int32_t block = f->GetMemoBlock();
            Use(uint64_t(block));
            dbf.ReadMemoBlock(block, text);
            Use(text);
        } catch (const EDBFError&) {
        }
        const char type = f->GetFieldType();
        if (type == 'M' || type == 'G' || type == 'P') {
            try {
                dbf.GetMemo(f->GetName(), text);
                Use(text);
            } catch (const EDBFError&) {
            }
        }
    }
}

void Walk(TDBF& dbf) {
    const int64_t count = dbf.GetRecordCount();
    for (int64_t r = 0; r <= count + 1; ++r) {
        try {
            dbf.Go(r);
            ReadFields(dbf);
        } catch (const EDBFError&) {
        }
    }
    constexpr int PageSize = 8;
    dbf.AllocPage(PageSize);
    for (int64_t page = 1;; ++page) {
        const int got = dbf.ReadPage(page, PageSize);
        for (int k = 1; k <= got; ++k) {
            dbf.SelectPageRecord(k);
            ReadFields(dbf);
        }
        if (got < PageSize) break;
    }
    dbf.FreePage();
    Use(dbf.GetLastUpdate());
    Use(dbf.GetBacklink());
    Use(dbf.GetTableFlags() + dbf.GetCodePage() + dbf.GetMemoFileSize() + uint64_t(dbf.GetMemoNextBlock()) +
        dbf.GetMemoBlockSize());
    for (int i = -1; i <= dbf.FieldCount; ++i) {
        Use(dbf.GetFieldName(i));
        Use(uint64_t(dbf.FieldIndex(dbf.GetFieldName(i)) + 1));
        TFieldDescriptor d;
        dbf.GetFieldDescriptor(i, d);
        Use(d[0]);
    }
}

void ReadOnlyPass(const std::string& path) {
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    try {
        dbf.Open();
    } catch (const EDBFError&) {
        return;
    }
    Walk(dbf);
}

// A fill text and a value type taken from the end of the input, for the fill conversions.
struct TFill {
    char Type = 'C';
    uint8_t Length = 3;
    std::string Text;
};

void ReadWritePass(const std::string& path, const TFill& fill) {
    bool changed = false;
    {
        TDBF dbf;
        dbf.SetFileName(path);
        try {
            dbf.Open();
        } catch (const EDBFError&) {
            return;
        }
        Walk(dbf);
        try {
            if (dbf.GetRecordCount() >= 1) {
                dbf.Go(1);
                dbf.Edit();
                for (int i = 0; i < dbf.FieldCount; ++i) {
                    const char type = dbf.GetFieldType(i);
                    if (type == 'M') dbf.SetMemo(dbf.GetFieldName(i), "a memo written by the fuzzer");
                }
                dbf.Post();
                dbf.SetDeleted(true);
            }
            dbf.Append();
            dbf.Post();
        } catch (const EDBFError&) {
        }
        const uint8_t v = dbf.GetVersion();
        try {
            changed |= dbf.AddField("FZC", 'C', 3, 0, "abc");
        } catch (const EDBFError&) {
        }
        try {
            changed |= dbf.AddField("FZM", 'M', v == 0x30 || v == 0x31 ? 4 : 10, 0, "memo");
        } catch (const EDBFError&) {
        }
        try {
            changed |= dbf.AddField("FZF", fill.Type, fill.Length, 2, fill.Text);
        } catch (const EDBFError&) {
        }
        try {
            const int32_t first[] = {0};
            changed |= dbf.RemoveFields(first, 1);
        } catch (const EDBFError&) {
        }
        if (!dbf.Active) return;  // a change failed and the table could not be put back
        Walk(dbf);
    }
    // A table the engine has changed always opens again.
    TDBF again;
    again.SetFileName(path);
    again.SetReadOnly(true);
    try {
        again.Open();
    } catch (const EDBFError& e) {
        if (changed) {
            std::fprintf(stderr, "changed table does not open: %s\n", e.what());
            std::abort();
        }
        return;
    }
    Walk(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* table = data;
    size_t tableSize = size;
    const uint8_t* memo = nullptr;
    size_t memoSize = 0;
    if (size >= 4) {
        const uint32_t n = uint32_t(data[0]) | (uint32_t(data[1]) << 8) | (uint32_t(data[2]) << 16) |
                           (uint32_t(data[3]) << 24);
        if (n <= size - 4) {
            table = data + 4;
            tableSize = n;
            memo = data + 4 + n;
            memoSize = size - 4 - n;
        }
    }
    TFill fill;
    if (size > 0) {
        static const TFill kinds[] = {{'Y', 8, ""}, {'B', 8, ""}, {'I', 4, ""}, {'T', 8, ""}, {'N', 6, ""}};
        fill = kinds[data[size - 1] % 5];
        const size_t n = std::min<size_t>(size - 1, 24);
        fill.Text.assign(reinterpret_cast<const char*>(data + size - 1 - n), n);
    }
    ReadOnlyPass(Place(WorkDir() / "ro", table, tableSize, memo, memoSize));
    ReadWritePass(Place(WorkDir() / "rw", table, tableSize, memo, memoSize), fill);
    return 0;
}
