// What the record command tests share: rows loaded as the loader makes them, a check that
// the rows agree with the file, a filter applied and undone by hand, and a table of every
// field type with memo texts.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/datalist.h"
#include "app/sampletable.h"
#include "app/valuetext.h"
#include "engine/dbf.h"

namespace rectest {

// Every record as a row, as the loader reads them.
inline void LoadRows(TDBF& dbf, TRowStore& rows) {
    rows.ClearRows();
    TRowBuilder row;
    std::string scratch;
    for (uint32_t r = 1, n = dbf.GetRecordCount(); r <= n; ++r) {
        dbf.Go(r);
        row.Start(dbf.GetDeleted(), r);
        for (int f = 0; f < dbf.FieldCount; ++f) {
            valuetext::AppendDisplayText(dbf, *dbf.GetField(f), row.Buffer(), scratch);
            row.CloseField();
        }
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

// A filter by hand: DataList keeps the rows `pass` accepts, BackupDataList holds them all.
template <class Pass>
void ApplyFilter(TRowStore& rows, Pass pass) {
    rows.BackupDataList.Assign(rows.DataList.Rows());
    std::vector<TRowStore::Row> kept;
    for (TRowStore::Row r : rows.BackupDataList.Rows())
        if (pass(r)) kept.push_back(r);
    rows.DataList.Assign(kept);
    rows.UsingFilter = true;
}

inline void UndoFilter(TRowStore& rows) {
    rows.DataList.Assign(rows.BackupDataList.Rows());
    rows.BackupDataList.Clear();
    rows.UsingFilter = false;
}

inline std::vector<uint32_t> RecNos(const TDataList& list) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < list.Count(); ++i) out.push_back(list[i]->RecNo());
    return out;
}

// A Visual FoxPro table with a field of every type.
inline const std::vector<TTableFieldDef>& EveryTypeFields() {
    static const std::vector<TTableFieldDef> f = {
        {"NAME", 'C', 10},  {"PRICE", 'Y', 8}, {"QTY", 'N', 8, 2}, {"RATE", 'F', 10, 3},
        {"DAY", 'D', 8},    {"STAMP", 'T', 8}, {"RATIO", 'B', 8, 2}, {"COUNT", 'I', 4},
        {"OK", 'L', 1},     {"NOTE", 'M', 4},  {"PIC", 'G', 4},     {"PHOTO", 'P', 4},
    };
    return f;
}

// Record values of the every-type table: name, price x 10000, quantity text, rate text, day
// text, stamp, ratio, count, logical, memo text.
struct EveryTypeRecord {
    std::string Name;
    int64_t Price;
    std::string Qty, Rate, Day;
    TDateTimeParts Stamp;
    double Ratio;
    int32_t Count;
    std::string Ok, Note;
};

inline void AppendEveryType(TDBF& dbf, const EveryTypeRecord& r) {
    dbf.Append();
    dbf.FieldByName("NAME")->SetAsString(r.Name);
    dbf.FieldByName("PRICE")->SetAsCurrency(r.Price);
    dbf.FieldByName("QTY")->SetAsString(r.Qty);
    dbf.FieldByName("RATE")->SetAsString(r.Rate);
    dbf.FieldByName("DAY")->SetAsString(r.Day);
    dbf.FieldByName("STAMP")->SetAsDateTime(r.Stamp);
    dbf.FieldByName("RATIO")->SetAsDouble(r.Ratio);
    dbf.FieldByName("COUNT")->SetAsInteger(r.Count);
    dbf.FieldByName("OK")->SetAsString(r.Ok);
    if (!r.Note.empty()) dbf.SetMemo("NOTE", r.Note);
    dbf.Post();
}

inline std::vector<EveryTypeRecord> EveryTypeRecords() {
    return {
        {"Ann", 12345, "    7.50", "   -0.125", "20240105", {2024, 1, 5, 13, 14, 15, 0}, 0.1, -7, "T",
         "First memo\r\nwith two lines"},
        {"", 0, "        ", "          ", "        ", {}, 0, 0, " ", ""},
        {"Zo\xEB", -50000, "-1234.56", "  1000.000", "20000229", {1999, 12, 31, 0, 0, 0, 0}, -2.5e10,
         2147483647, "F", "Third"},
    };
}

inline std::string MakeEveryTypeTable(const std::string& path, const std::vector<EveryTypeRecord>& records) {
    CreateTableFile(path, 0x30, EveryTypeFields());
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    for (const auto& r : records) AppendEveryType(dbf, r);
    return path;
}

}  // namespace rectest
