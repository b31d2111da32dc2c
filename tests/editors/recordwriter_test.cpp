#include "editors/recordwriter.h"

#include "app/valuetext.h"
#include "editortest.h"

#include <gtest/gtest.h>

using namespace recedit;

namespace {

// Tables of NAME C(4): record i holds "r<i>".
class Inserting : public ::testing::Test {
protected:
    void Make(int records) {
        if (Host.Dbf.Active) Host.Dbf.Close();
        Host.Store.ClearRows();
        CreateTableFile(Dir.Path("t.dbf"), 0x03, {{"NAME", 'C', 4}});
        std::string bytes = vxtest::ReadAll(Dir.Path("t.dbf"));
        for (int i = 1; i <= records; ++i) bytes += " r" + std::to_string(i) + "  ";
        vxtest::WriteAll(Dir.Path("t.dbf"), bytes);
        Host.Open(Dir.Path("t.dbf"));
    }
    // DataList keeps the rows for which keep(row) holds; BackupDataList all of them.
    template <class Pred>
    void Filter(Pred keep) {
        Host.Store.BackupDataList.Assign(Host.Store.DataList.Rows());
        Host.Store.UsingFilter = true;
        Host.Store.DataList.RemoveIf([&](const TDataRow* r) { return !keep(r); });
    }
    static std::vector<TFieldWrite> Name(const std::string& text) {
        TFieldWrite w;
        w.Op = TFieldWrite::TOp::String;
        w.Bytes = text;
        return {w};
    }
    // "<number>:<text>" of each row; every row must carry the number of the record holding
    // its text.
    std::string Listed(const TDataList& list) {
        std::string s;
        for (size_t i = 0; i < list.Count(); ++i) {
            Host.Dbf.Go(list[i]->RecNo());
            EXPECT_EQ(list[i]->Text(0), valuetext::Trim(Host.Dbf.GetField(0)->GetAsView())) << i;
            s += (i ? " " : "") + list[i]->RecNoText() + ":" + std::string(list[i]->Text(0));
        }
        return s;
    }

    vxtest::TempDir Dir;
    edtest::TTestHost Host;
};

}  // namespace

TEST_F(Inserting, BeforeRowKTheLaterRecordsMoveUp) {
    Make(5);
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[2], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5");
    EXPECT_FALSE(Host.Store.DataList[2]->Deleted());
}

TEST_F(Inserting, IntoAnEmptyListAppendsTheNextRecord) {
    Make(0);
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("a"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:a");
    // A view that shows none of a table's rows: the next number, never 1.
    Make(3);
    Filter([](const TDataRow*) { return false; });
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("x"));
    EXPECT_EQ(Listed(Host.Store.DataList), "4:x");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:r3 4:x");
}

TEST_F(Inserting, RowsHiddenByAViewAreRenumberedToo) {
    Make(6);
    Filter([](const TDataRow* r) { return r->RecNo() % 2 == 1; });
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 3:new 4:r3 6:r5");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5 7:r6");
    // Appending under the view puts the row at the end of both lists; an edit replaces it
    // in both.
    WriteAppend(Host.Dbf, Host.Store, Name("end"));
    const TDataRow* row = WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[0], Name("ed"));
    EXPECT_EQ(Host.Store.BackupDataList[0], row);
    EXPECT_EQ(Listed(Host.Store.DataList), "1:ed 3:new 4:r3 6:r5 8:end");
    EXPECT_EQ(Host.Store.BackupDataList.Count(), 8u);
}

TEST_F(Inserting, AFailedWriteChangesNothing) {
    Make(2);
    Host.Dbf.SetRecordCount(1);  // the row's record has gone (another program shortened the file)
    const std::string before = vxtest::ReadAll(Dir.Path("t.dbf"));
    EXPECT_THROW(WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_THROW(WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_EQ(Host.Store.DataList[1]->RecNo(), 2u);
    EXPECT_EQ(vxtest::ReadAll(Dir.Path("t.dbf")), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);
}
