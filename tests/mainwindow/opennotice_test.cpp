// The main window after opening a table it cannot fully use: it says once that the memo file is missing (naming it),
// that the table is shorter than its header says, or that it is read-only, changes no byte, and refuses to write a
// read-only table.
#include "window_fixture.h"

#include "mainwindow/opennotice.h"

namespace {

class OpenNoticeTest : public wintest::WindowTest {
protected:
    // The texts told since the last call.
    QStringList Told() {
        wintest::Drain();
        QStringList texts;
        for (const TMsgBoxRequest& r : Script.Asked) texts << r.Text;
        Script.Asked.clear();
        return texts;
    }
    ScriptedMsgBox Script;
};

}  // namespace

TEST_F(OpenNoticeTest, MissingMemoFileIsToldOnceAndNothingIsWritten) {
    const std::string table = vxtest::CopyFixture(Dir, "dbase_83_missing_memo.dbf");
    const std::string other = vxtest::CopyFixture(Dir, "dbase_03.dbf");
    const std::string before = vxtest::ReadAll(table);
    OpenLoaded(Q(table));
    const QStringList told = Told();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(Q(Dir.Path("dbase_83_missing_memo.dbt")))) << told[0].toStdString();
    EXPECT_EQ(Rows(), 67u);
    EXPECT_EQ(Cell(0, Form->CurDBF->FieldIndex("DESC")), QStringLiteral("Empty memo"));
    EXPECT_TRUE(Form->RequireWritable());  // the other fields can still be changed
    // Reloading the same table says nothing more; opening it after another one does.
    Form->M2_REFRESHClick();
    ASSERT_TRUE(WaitLoaded());
    OpenLoaded(Q(other));
    EXPECT_TRUE(Told().isEmpty());
    OpenLoaded(Q(table));
    EXPECT_EQ(Told().size(), 1);
    Form->Close(true);
    EXPECT_EQ(vxtest::ReadAll(table), before);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("dbase_83_missing_memo.dbt")));
}

TEST_F(OpenNoticeTest, TableShorterThanItsHeaderIsToldAndNothingIsWritten) {
    const std::string table = vxtest::CopyFixture(Dir, "dbase_03.dbf");
    std::filesystem::resize_file(table, 1025 + 13 * 590 + 100);  // 14 records said, 13 whole
    const std::string before = vxtest::ReadAll(table);
    OpenLoaded(Q(table));
    const QStringList told = Told();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("The table is shorter than its header says: the header counts 14 "
                                                  "records, but the file holds 13 whole records.")));
    EXPECT_EQ(Rows(), 13u);
    Form->Close(true);
    EXPECT_EQ(vxtest::ReadAll(table), before);
}

TEST_F(OpenNoticeTest, ReadOnlyTableIsToldAndRefusesWriting) {
    OpenLoaded(Q(vxtest::CopyFixture(Dir, "dbase_03.dbf")));
    EXPECT_TRUE(Told().isEmpty());
    // The state the engine falls back to when the file cannot be opened for writing.
    Form->CurDBF->Close();
    Form->CurDBF->SetReadOnly(true);
    Form->CurDBF->Open();
    EXPECT_TRUE(vx::OpenNoticeText(*Form->CurDBF).contains(QStringLiteral("opened read-only")));
    EXPECT_FALSE(Form->RequireWritable());
    const QStringList told = Told();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("read-only")));
}
