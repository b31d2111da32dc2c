// What the export tests share: a table holding every field type, its rows in a row list, row
// sources over it, a sink that records progress, and running the independent readers.
#pragma once

#include "common/codepage.h"
#include "common/datalist.h"
#include "common/sampletable.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "export/rowsource.h"
#include "export/writers.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace exporttest {

using vxtest::ReadAll;
using vxtest::TempDir;

// The program's code page for the life of the object; the one before comes back after it.
struct TCodePageScope {
    explicit TCodePageScope(int number) { EXPECT_TRUE(vx::SetCodePage(number)) << number; }
    ~TCodePageScope() { vx::SetCodePage(Saved); }
    const int Saved = vx::CurrentCodePage().Number();
};

// Visual FoxPro table, one field of every type. Record 1: a name with a comma, a memo with CR LF
// and a comma, general and picture memos. Record 2: a byte above 0x7F, blank N, D and T. Record
// 3 (deleted): quotes and markup characters, the widest integer. Record 4: a lone CR in the
// name and a lone LF in the memo.
inline const std::vector<TTableFieldDef> AllTypes = {
    {"NAME", 'C', 12},   {"QTY", 'N', 8, 2},  {"WEIGHT", 'F', 10, 3}, {"BORN", 'D', 8},
    {"STAMP", 'T', 8},   {"PRICE", 'Y', 8},   {"COUNT", 'I', 4},      {"RATIO", 'B', 8, 2},
    {"ACTIVE", 'L', 1},  {"NOTES", 'M', 4},   {"LOGO", 'G', 4},       {"PHOTO", 'P', 4},
};

// Returns `path`.
inline std::string MakeAllTypesTable(const std::string& path) {
    CreateTableFile(path, 0x30, AllTypes);
    TDBF t;
    t.SetFileName(path);
    t.Open();
    auto f = [&](const char* name) { return t.FieldByName(name); };
    struct Row {
        const char* Name;
        const char* Qty;
        double Weight;
        TDateTimeParts Born, Stamp;
        bool BlankDates;
        int64_t Price;
        int32_t Count;
        double Ratio;
        const char* Active;
        const char* Notes;
        const char* Logo;
    };
    const Row rows[] = {
        {"Alpha, Inc", "12.5", -3.25, {2024, 1, 5}, {2024, 1, 5, 13, 45, 30}, false, 123456, -42, 1.0 / 3, "T",
         "Line one\r\nLine two, with comma", "GIF89a"},
        {"Caf\xe9", "", 0, {}, {}, true, 0, 0, 0, "F", "", ""},
        {"Say \"hi\" <&>", "99999.99", 1.5, {1999, 12, 31}, {1999, 12, 31}, false, -5, 2147483647, 2.5, "?",
         "x", ""},
        {"Lone\rCR", "-1", 70.125, {2000, 2, 29}, {2000, 2, 29, 0, 0, 1}, false, 1000000, 7, -2.25, "F",
         "one\ntwo", ""},
    };
    for (const Row& r : rows) {
        t.Append();
        f("NAME")->SetAsString(r.Name);
        if (*r.Qty) f("QTY")->SetAsFloat(std::stod(r.Qty));
        else f("QTY")->SetAsString("");
        f("WEIGHT")->SetAsFloat(r.Weight);
        if (!r.BlankDates) {
            f("BORN")->SetAsDate(r.Born);
            f("STAMP")->SetAsDateTime(r.Stamp);
        }
        f("PRICE")->SetAsCurrency(r.Price);
        f("COUNT")->SetAsInteger(r.Count);
        f("RATIO")->SetAsDouble(r.Ratio);
        f("ACTIVE")->SetAsString(r.Active);
        t.SetMemo("NOTES", r.Notes);
        t.SetMemo("LOGO", r.Logo);
        t.SetMemo("PHOTO", r.Logo);
        t.Post();
    }
    t.Go(3);
    t.SetDeleted(true);
    return path;
}

// An open table with one row per record in record order (marks from the table).
struct TTableRows {
    TDBF Table;
    TRowStore Store;

    explicit TTableRows(const std::string& path) {
        Table.SetFileName(path);
        Table.Open();
        ReadRows();
    }
    // The rows of the table as it is now (a refresh of the list).
    void ReadRows() {
        Store.ClearRows();
        const uint32_t n = Table.GetRecordCount();
        TRowBuilder row;
        std::string scratch;
        for (uint32_t r = 1; r <= n; ++r) {
            Table.Go(r);
            BuildRecordRow(Table, r, row, scratch);
            Store.DataList.Append(Store.Pool.Make(row));
        }
    }
    // Every field in table order, all rows, deleted ones and memo texts included.
    TRowSource Source(bool memo = true) {
        TRowSource s;
        s.Table = &Table;
        s.List = &Store.DataList;
        for (int i = 0; i < Table.FieldCount; ++i) s.Fields.push_back(i);
        s.Memo = memo;
        return s;
    }
};

// Records what a writer reports.
struct TRecordingSink : TProgressSink {
    struct Call {
        size_t Written, Place, Total;
    };
    std::vector<Call> Calls;
    void RowWritten(size_t written, size_t place, size_t total) override { Calls.push_back({written, place, total}); }
};

using vxtest::HaveCommand;
using vxtest::PythonWith;
using vxtest::RunCommand;

// Runs a Python script on `file` with the interpreter that has `module`; empty when skipped.
inline std::string RunPython(const TempDir& dir, const std::string& module, const std::string& script,
                      const std::string& file) {
    const std::string py = PythonWith(module);
    if (py.empty()) return {};
    vxtest::WriteAll(dir.Path("reader.py"), "import sys\nH = lambda v: (v if isinstance(v, str) else str(v))"
                                            ".encode('latin-1').hex()\n" + script);
    bool ok = false;
    const std::string out = RunCommand(py + " " + dir.Path("reader.py") + " " + file, ok);
    EXPECT_TRUE(ok) << out;
    return out;
}

}  // namespace exporttest
