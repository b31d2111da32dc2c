// The main window after opening a table it cannot fully use: it says once that the memo file is
// missing (naming it) or that the table is read-only, changes no byte, and refuses to write a
// read-only table.
#include "loadwindow_fixture.h"

#include "app/opennotice.h"

using lvtest::Drain;
using lvtest::WindowTest;

namespace {

class OpenNoticeTest : public WindowTest {
protected:
    std::vector<QString> Told(ScriptedMsgBox& script) {
        Drain();
        std::vector<QString> texts;
        for (const TMsgBoxRequest& r : script.Asked) texts.push_back(r.Text);
        script.Asked.clear();
        return texts;
    }
};

}  // namespace

TEST_F(OpenNoticeTest, MissingMemoFileIsToldOnceAndNothingIsWritten) {
    const std::string table = vxtest::CopyFixture(Dir, "dbase_83_missing_memo.dbf");
    const std::string other = vxtest::CopyFixture(Dir, "dbase_03.dbf");
    const std::string before = vxtest::ReadAll(table);
    const QString memo = Q(Dir.Path("dbase_83_missing_memo.dbt"));
    ScriptedMsgBox script;
    Form->Open(Q(table));
    ASSERT_TRUE(WaitLoaded());
    const auto told = Told(script);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(memo)) << told[0].toStdString();
    EXPECT_FALSE(told[0].contains(QStringLiteral("read-only")));
    EXPECT_EQ(Rows(), 67u);
    const int desc = Form->CurDBF->FieldIndex("DESC");
    EXPECT_EQ(Cell(0, desc), QStringLiteral("Empty memo"));
    EXPECT_TRUE(Form->RequireWritable());  // other fields can still be changed

    // Reloading the same table says nothing more; opening it after another one does.
    Form->M2_REFRESHClick();
    ASSERT_TRUE(WaitLoaded());
    EXPECT_TRUE(Told(script).empty());
    Form->Open(Q(other));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_TRUE(Told(script).empty());
    Form->Open(Q(table));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_EQ(Told(script).size(), 1u);

    Form->Close(true);
    EXPECT_EQ(vxtest::ReadAll(table), before);
    EXPECT_FALSE(std::filesystem::exists(memo.toStdString()));
}

TEST_F(OpenNoticeTest, ReadOnlyTableIsToldAndRefusesWriting) {
    const std::string table = vxtest::CopyFixture(Dir, "dbase_03.dbf");
    ScriptedMsgBox script;
    Form->Open(Q(table));
    ASSERT_TRUE(WaitLoaded());
    EXPECT_TRUE(Told(script).empty());
    // The state the engine falls back to when the file cannot be opened for writing.
    Form->CurDBF->Close();
    Form->CurDBF->SetReadOnly(true);
    Form->CurDBF->Open();
    EXPECT_TRUE(vx::OpenNoticeText(*Form->CurDBF).contains(QStringLiteral("opened read-only")));
    EXPECT_FALSE(Form->RequireWritable());
    const auto told = Told(script);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(QStringLiteral("read-only")));
}
