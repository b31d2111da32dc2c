// What the record editor tests share: a host over a table of their own (rows built as the
// loader builds them), a table with a field of every type, and the bytes of a stored field.
#pragma once

#include "app/sampletable.h"
#include "editors/recordforms.h"
#include "editors/recordwriter.h"
#include "engine/dbf.h"
#include "qtapp.h"
#include "testutil.h"

namespace edtest {

struct TTestHost : TRecordFormHost {
    void Open(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
        for (uint32_t r = 1, n = Dbf.GetRecordCount(); r <= n; ++r)
            Store.DataList.Append(recedit::MakeRow(Dbf, Store.Pool, r));
    }
    int Count() { return static_cast<int>(Store.DataList.Count()); }
    TDBF& Table() override { return Dbf; }
    TRowStore& Rows() override { return Store; }
    int SelectedIndex() override { return Selected; }
    void GoFirst() override { Selected = 0; }
    void GoPrior() override { Selected = std::max(Selected - 1, 0); }
    void GoNext() override { Selected = std::min(Selected + 1, Count() - 1); }
    void GoLast() override { Selected = Count() - 1; }
    void GoToRec(int position) override { Selected = position - 1; }
    void RowTextsChanged() override { ++TextsChanged; }
    void RowCountChanged() override { ++CountChanged; }

    TDBF Dbf;
    TRowStore Store;
    int Selected = -1, TextsChanged = 0, CountChanged = 0;
};

// A Visual FoxPro table of C(6) N(8,2) F(6,1) L D T Y I B(8,3) M G P whose records hold
// "  ab", 1.5, -2.5, T, 2024-01-05, 2024-01-02 03:04:05, 1.2345, -7, 1/3, a memo and a
// general field's reference to block 9.
inline std::string MakeAllTypes(const vxtest::TempDir& dir, int records) {
    const std::string path = dir.Path("all.dbf");
    CreateTableFile(path, 0x30,
                    {{"C", 'C', 6}, {"N", 'N', 8, 2}, {"F", 'F', 6, 1}, {"L", 'L', 1}, {"D", 'D', 8},
                     {"T", 'T', 8}, {"Y", 'Y', 8}, {"I", 'I', 4}, {"B", 'B', 8, 3}, {"M", 'M', 4},
                     {"G", 'G', 4}, {"P", 'P', 4}});
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    for (int i = 0; i < records; ++i) {
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
        dbf.GetField(10)->SetMemoBlock(9);
        dbf.Post();
    }
    return path;
}

// The stored bytes of field `field` of record `recNo`, read from the file.
inline std::string FieldBytes(const std::string& path, TDBF& dbf, uint32_t recNo, int field) {
    const TField* f = dbf.GetField(field);
    const size_t at = dbf.GetHeaderLength() + size_t(recNo - 1) * dbf.GetRecordLength() + f->GetOffset();
    return vxtest::ReadAll(path).substr(at, f->GetLength());
}

}  // namespace edtest
