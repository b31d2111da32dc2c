#include "editors/recordwriter.h"

#include "app/valuetext.h"
#include "editortest.h"

#include <gtest/gtest.h>

using namespace recedit;
using edtest::TTestHost;

namespace {

// A table of NAME C(4): record i holds "r<i>".
class Inserting : public ::testing::Test {
protected:
    void Make(int records) {
        if (Host.Dbf.Active) Host.Dbf.Close();
        Path = Dir.Path("t.dbf");
        CreateTableFile(Path, 0x03, {{"NAME", 'C', 4}});
        TDBF dbf;
        dbf.SetFileName(Path);
        dbf.Open();
        for (int i = 1; i <= records; ++i) {
            dbf.Append();
            dbf.GetField(0)->SetAsString("r" + std::to_string(i));
            dbf.Post();
        }
        Host.Open(Path);
    }
    std::vector<TFieldWrite> Name(const std::string& text) {
        TFieldWrite w;
        w.Op = TFieldWrite::TOp::String;
        w.Bytes = text;
        return {w};
    }
    // "<number>:<text>" of each row of a list.
    static std::string Listed(const TDataList& list) {
        std::string s;
        for (size_t i = 0; i < list.Count(); ++i)
            s += (i ? " " : "") + list[i]->RecNoText() + ":" + std::string(list[i]->Text(0));
        return s;
    }
    // Every row carries the number of the record that holds its text.
    void ExpectRowsMatchFile(const TDataList& list) {
        for (size_t i = 0; i < list.Count(); ++i) {
            Host.Dbf.Go(list[i]->RecNo());
            EXPECT_EQ(list[i]->Text(0), valuetext::Trim(Host.Dbf.GetField(0)->GetAsView())) << i;
        }
    }

    vxtest::TempDir Dir;
    std::string Path;
    TTestHost Host;
};

}  // namespace

TEST_F(Inserting, BeforeRowKTheLaterRecordsMoveUp) {
    Make(5);
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[2], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5");
    EXPECT_EQ(Host.Dbf.GetRecordCount(), 6u);
    ExpectRowsMatchFile(Host.Store.DataList);
    EXPECT_FALSE(Host.Store.DataList[2]->Deleted());
}

TEST_F(Inserting, IntoAnEmptyListAppendsTheNextRecord) {
    Make(0);
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("a"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:a");
    // A view that shows no rows of a table that has some: the next number, never 1.
    Make(3);
    Host.Filter([](const TDataRow*) { return false; });
    WriteInsert(Host.Dbf, Host.Store, nullptr, Name("x"));
    EXPECT_EQ(Listed(Host.Store.DataList), "4:x");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:r3 4:x");
    ExpectRowsMatchFile(Host.Store.BackupDataList);
}

TEST_F(Inserting, RowsHiddenByAViewAreRenumberedToo) {
    Make(6);
    Host.Filter([](const TDataRow* r) { return r->RecNo() % 2 == 1; });
    ASSERT_EQ(Listed(Host.Store.DataList), "1:r1 3:r3 5:r5");
    WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("new"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 3:new 4:r3 6:r5");
    EXPECT_EQ(Listed(Host.Store.BackupDataList), "1:r1 2:r2 3:new 4:r3 5:r4 6:r5 7:r6");
    ExpectRowsMatchFile(Host.Store.BackupDataList);
    // Appending under the view puts the row at the end of both lists.
    WriteAppend(Host.Dbf, Host.Store, Name("end"));
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 3:new 4:r3 6:r5 8:end");
    EXPECT_EQ(Host.Store.BackupDataList.Count(), 8u);
    // An edit replaces the row in both lists.
    const TDataRow* old = Host.Store.DataList[0];
    const TDataRow* row = WriteEdit(Host.Dbf, Host.Store, old, Name("ed"));
    EXPECT_EQ(Host.Store.BackupDataList[0], row);
    EXPECT_EQ(Listed(Host.Store.DataList), "1:ed 3:new 4:r3 6:r5 8:end");
}

TEST_F(Inserting, AFailedWriteLeavesTheListsAndBrowseState) {
    Make(2);
    // The row's record has gone from the file (another program shortened it).
    Host.Dbf.SetRecordCount(1);
    const std::string before = vxtest::ReadAll(Path);
    EXPECT_THROW(WriteEdit(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_THROW(WriteInsert(Host.Dbf, Host.Store, Host.Store.DataList[1], Name("x")), EDBFError);
    EXPECT_EQ(Listed(Host.Store.DataList), "1:r1 2:r2");
    EXPECT_EQ(vxtest::ReadAll(Path), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);
}
