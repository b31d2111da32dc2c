// What the record command tests share: rows loaded as the loader makes them, a check that the rows agree with the
// file, a filter applied and undone by hand, and a table of every field type with memo texts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/datalist.h"
#include "common/sampletable.h"
#include "common/valuetext.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "testutil.h"

namespace rectest {

// A FoxBASE+ table of NAME C(8) and DAY D(8): record i is named "r<i>", odd records carry
// 2024-01-05 and every record whose number is a multiple of `deletedEvery` is marked deleted.
// Written as bytes in one go, so tables of a million records take a moment.
inline std::string MakeTable(const std::string& path, uint32_t records, uint32_t deletedEvery = 3) {
    CreateTableFile(path, 0x03, {{"NAME", 'C', 8}, {"DAY", 'D', 8}});
    uint16_t headerLength = 0;
    {
        TDBF dbf;
        dbf.SetFileName(path);
        dbf.Open();
        headerLength = dbf.GetHeaderLength();
    }
    std::string bytes;
    for (uint32_t i = 1; i <= records; ++i) {
        std::string rec = (deletedEvery && i % deletedEvery == 0 ? "*r" : " r") + std::to_string(i);
        rec.resize(9, ' ');
        rec += i % 2 ? "20240105" : "        ";
        bytes += rec;
    }
    std::filesystem::resize_file(path, headerLength);
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes << '\x1A';
    TDBF dbf;  // opening stores the record count the data holds
    dbf.SetFileName(path);
    dbf.Open();
    return path;
}

// Every record as a row, as the loader reads them.
inline void LoadRows(TDBF& dbf, TRowStore& rows) {
    rows.ClearRows();
    TRowBuilder row;
    std::string scratch;
    for (uint32_t r = 1, n = dbf.GetRecordCount(); r <= n; ++r) {
        dbf.Go(r);
        BuildRecordRow(dbf, r, row, scratch);
        rows.DataList.Append(rows.Pool.Make(row));
    }
}

// Why the rows in memory do not agree with the file (empty when they do): each row's record
// exists, once, with the row's mark and texts; `complete` asks for a row per record too.
inline std::string Mismatch(TDBF& dbf, const TRowStore& rows, bool complete = true) {
    const TDataList& all = rows.AllRows();
    const uint32_t count = dbf.GetRecordCount();
    std::set<uint32_t> seen;
    for (size_t i = 0; i < all.Count(); ++i) {
        const TDataRow* row = all[i];
        const std::string at = "row " + std::to_string(i) + " (record " + std::to_string(row->RecNo()) + ")";
        if (row->RecNo() < 1 || row->RecNo() > count) return at + " is beyond the " + std::to_string(count) + " records";
        if (!seen.insert(row->RecNo()).second) return at + " is there twice";
        dbf.Go(row->RecNo());
        if (row->Deleted() != dbf.GetDeleted()) return at + " has the wrong mark";
        for (int f = 0; f < dbf.FieldCount; ++f)
            if (row->Text(size_t(f)) != valuetext::DisplayText(dbf, *dbf.GetField(f)))
                return at + " field " + std::to_string(f) + " reads \"" + std::string(row->Text(size_t(f))) + "\"";
    }
    if (complete && seen.size() != count)
        return std::to_string(seen.size()) + " rows for " + std::to_string(count) + " records";
    return "";
}

// A filter by hand, as ApplyFilter leaves the lists: DataList keeps the rows `pass` accepts,
// BackupDataList holds them all.
template <class Pass>
void ApplyFilter(TRowStore& rows, Pass pass) {
    rows.BackupDataList.Assign(rows.DataList.Rows());
    std::vector<TRowStore::Row> kept;
    for (TRowStore::Row r : rows.BackupDataList.Rows())
        if (pass(r)) kept.push_back(r);
    rows.DataList.Assign(kept);
    rows.UsingFilter = true;
}


// The records of a table file by their first field, "*" after marked ones: "r1,r2*,".
inline std::string Names(const std::string& path) {
    TDBF d;
    d.SetFileName(path);
    d.SetReadOnly(true);
    d.Open();
    std::string s;
    for (uint32_t r = 1, n = d.GetRecordCount(); r <= n; ++r) {
        d.Go(r);
        s += d.GetField(0)->GetAsTrimmedString() + (d.GetDeleted() ? "*" : "") + ",";
    }
    return s;
}

// A Visual FoxPro table with a field of every type and three records (the second blank); the
// first record's memo text is `firstNote`, the third's "Third".
inline std::string MakeEveryTypeTable(const std::string& path, const std::string& firstNote = "First memo\r\nline 2",
                                      int records = 3) {
    CreateTableFile(path, 0x30, {{"NAME", 'C', 10}, {"PRICE", 'Y', 8}, {"QTY", 'N', 8, 2}, {"RATE", 'F', 10, 3},
                                 {"DAY", 'D', 8}, {"STAMP", 'T', 8}, {"RATIO", 'B', 8, 2}, {"COUNT", 'I', 4},
                                 {"OK", 'L', 1}, {"NOTE", 'M', 4}, {"PIC", 'G', 4}, {"PHOTO", 'P', 4}});
    TDBF d;
    d.SetFileName(path);
    d.Open();
    const std::vector<std::string> texts[] = {{"Ann", "    7.50", "   -0.125", "20240105", "T", firstNote},
                                              {"", "", "", "", " ", ""},
                                              {"Zo\xEB", "-1234.56", "  1000.000", "20000229", "F", "Third"}};
    const TDateTimeParts stamps[] = {{2024, 1, 5, 13, 14, 15, 0}, {}, {1999, 12, 31, 0, 0, 0, 0}};
    const char* const names[] = {"NAME", "QTY", "RATE", "DAY", "OK"};
    for (int r = 0; r < records; ++r) {
        const auto& t = texts[r];
        d.Append();
        for (size_t i = 0; i < 5; ++i) d.FieldByName(names[i])->SetAsString(t[i]);
        d.FieldByName("PRICE")->SetAsCurrency(r == 0 ? 12345 : -50000 * (r / 2));
        d.FieldByName("STAMP")->SetAsDateTime(stamps[r]);
        d.FieldByName("RATIO")->SetAsDouble(r == 0 ? 0.1 : -2.5e10 * (r / 2));
        d.FieldByName("COUNT")->SetAsInteger(r == 0 ? -7 : 2147483647 * (r / 2));
        if (!t[5].empty()) d.SetMemo("NOTE", t[5]);
        d.Post();
    }
    return path;
}

// A Visual FoxPro table of NAME C(10) and NOTE M: records r1..r<n>, each with the memo
// "note of r<i>".
inline std::string MakeNotesTable(const std::string& path, int n = 6) {
    CreateTableFile(path, 0x30, {{"NAME", 'C', 10}, {"NOTE", 'M', 4}});
    TDBF d;
    d.SetFileName(path);
    d.Open();
    for (int i = 1; i <= n; ++i) {
        d.Append();
        d.GetField(0)->SetAsString("r" + std::to_string(i));
        d.SetMemo("NOTE", "note of r" + std::to_string(i));
        d.Post();
    }
    return path;
}

// Another program rewrites the memo text of record `recNo` in its own block (at most as long
// as the text there): the record's bytes stay as they were.
inline void RewriteMemoInPlace(const std::string& path, const std::string& memoPath, uint32_t recNo,
                               const std::string& text) {
    int32_t block = 0;
    uint16_t blockSize = 0;
    {
        TDBF other;
        other.SetFileName(path);
        other.SetReadOnly(true);
        other.Open();
        other.Go(recNo);
        block = other.GetField(other.FieldIndex("NOTE"))->GetMemoBlock();
        blockSize = other.GetMemoBlockSize();
    }
    std::string memo = vxtest::ReadAll(memoPath);
    const size_t at = size_t(block) * blockSize;
    memo.replace(at + 4, 4, std::string{0, 0, char(text.size() >> 8), char(text.size())});
    memo.replace(at + 8, text.size(), text);
    vxtest::WriteAll(memoPath, memo);
}

}  // namespace rectest
