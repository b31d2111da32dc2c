// What the editor tests share. The record editors (edtest): a host over a table of their own
// (rows built as the loader builds them), a table with a field of every type, and the bytes of a
// stored field. The structure tests (structtest): a create-table host that answers with fixed
// file names, an independent reader of tables (python3-dbfread) when it is installed, and a
// listing of a folder's files with their bytes.
#pragma once

#include "common/sampletable.h"
#include "editors/formcreatedbf.h"
#include "editors/recordforms.h"
#include "editors/recordwriter.h"
#include "engine/dbf.h"
#include "export/exportfixture.h"
#include "qtapp.h"
#include "testutil.h"

#include <QString>

#include <filesystem>
#include <map>
#include <string>

namespace edtest {

struct TTestHost : TRecordFormHost {
    void Open(const std::string& path) {
        Dbf.SetFileName(path);
        Dbf.Open();
        ReadRows();
    }
    // The rows of the table as it is now (a refresh of the list).
    void ReadRows() {
        Store.ClearRows();
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

namespace structtest {

class FixedHost : public TCreateTableHost {
public:
    QString OpenName, SaveName;
    int Closed = 0;
    QString Opened;
    QString OpenFileName(const QString&) override { return OpenName; }
    QString SaveFileName(const QString& filter) override {
        SaveFilter = filter;
        return SaveName;
    }
    void CloseDocument() override { ++Closed; }
    bool OpenTable(const QString& path) override {
        Opened = path;
        return true;
    }
    QString SaveFilter;
};

using vxtest::ReadWithDbfread;

// Every file of a folder with its bytes.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = e.is_regular_file() ? vxtest::ReadAll(e.path().string()) : "<folder>";
    return files;
}

}  // namespace structtest
