// What the record editor tests share: a host over a table of their own (the rows built as the
// loader builds them), a table with a field of every type, and the bytes of a stored field.
#pragma once

#include "app/datalist.h"
#include "app/sampletable.h"
#include "editors/recordforms.h"
#include "editors/recordwriter.h"
#include "engine/dbf.h"
#include "qtapp.h"
#include "testutil.h"

#include <fstream>
#include <string>

namespace edtest {

class TTestHost : public TRecordFormHost {
public:
    void Open(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
        LoadRows();
    }
    void LoadRows() {
        Store.ClearRows();
        for (uint32_t r = 1, n = Dbf.GetRecordCount(); r <= n; ++r)
            Store.DataList.Append(recedit::MakeRow(Dbf, Store.Pool, r));
    }
    // Keeps only the rows for which keep(row) holds in DataList, all of them in BackupDataList.
    template <class Pred>
    void Filter(Pred keep) {
        Store.BackupDataList.Assign(Store.DataList.Rows());
        Store.UsingFilter = true;
        Store.DataList.RemoveIf([&](const TDataRow* r) { return !keep(r); });
    }
    int Count() { return static_cast<int>(Store.DataList.Count()); }

    TDBF& Table() override { return Dbf; }
    TRowStore& Rows() override { return Store; }
    int SelectedIndex() override { return Selected; }
    void GoFirst() override { Selected = Count() ? 0 : -1; }
    void GoPrior() override { Selected = std::max(Selected - 1, 0); }
    void GoNext() override { Selected = std::min(Selected + 1, Count() - 1); }
    void GoLast() override { Selected = Count() - 1; }
    void GoToRec(int position) override {
        if (position >= 1 && position <= Count()) Selected = position - 1;
    }
    void RowTextsChanged() override { ++TextsChanged; }
    void RowCountChanged() override { ++CountChanged; }

    TDBF Dbf;
    TRowStore Store;
    int Selected = -1;
    int TextsChanged = 0, CountChanged = 0;
};

// A Visual FoxPro table with a field of every type, in this order.
inline const std::vector<TTableFieldDef>& AllTypes() {
    static const std::vector<TTableFieldDef> f = {
        {"C", 'C', 6}, {"N", 'N', 8, 2}, {"F", 'F', 6, 1}, {"L", 'L', 1}, {"D", 'D', 8}, {"T", 'T', 8},
        {"Y", 'Y', 8}, {"I", 'I', 4},    {"B", 'B', 8, 3}, {"M", 'M', 4}, {"G", 'G', 4}, {"P", 'P', 4}};
    return f;
}

// Record 1 of `path`: every field set.
inline void FillRecord(TDBF& dbf) {
    dbf.Append();
    dbf.GetField(0)->SetAsString("  ab");
    dbf.GetField(1)->SetAsFloat(1.5);
    dbf.GetField(2)->SetAsFloat(-2.5);
    dbf.GetField(3)->SetAsString("T");
    dbf.GetField(4)->SetAsString("20240105");
    dbf.GetField(5)->SetAsDateTime(TDateTimeParts{2024, 1, 2, 3, 4, 5, 0});
    dbf.GetField(6)->SetAsCurrency(12345);
    dbf.GetField(7)->SetAsInteger(-7);
    dbf.GetField(8)->SetAsDouble(1.0 / 3.0);
    dbf.SetMemo("M", "hello\r\nworld");
    dbf.GetField(10)->SetMemoBlock(9);  // a general field with a reference of its own
    dbf.Post();
}

inline std::string MakeAllTypes(const vxtest::TempDir& dir, int records = 1) {
    const std::string path = dir.Path("all.dbf");
    CreateTableFile(path, 0x30, AllTypes());
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    for (int i = 0; i < records; ++i) FillRecord(dbf);
    return path;
}

// The stored bytes of field `field` of record `recNo`, read from the file.
inline std::string FieldBytes(const std::string& path, TDBF& dbf, uint32_t recNo, int field) {
    const TField* f = dbf.GetField(field);
    const std::string all = vxtest::ReadAll(path);
    const size_t at = dbf.GetHeaderLength() + size_t(recNo - 1) * dbf.GetRecordLength() + f->GetOffset();
    return at + f->GetLength() <= all.size() ? all.substr(at, f->GetLength()) : std::string();
}

}  // namespace edtest
