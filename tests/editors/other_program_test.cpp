// The record forms after another program wrote the table in place: a form opens only on a
// record still as its row shows it, Apply writes a memo only over the text the form showed,
// Insert goes only before the record its row shows, an append never leaves a gap, and a
// field moved or retyped with both lengths kept is a change of structure.
#include "common/msgbox.h"
#include "common/records_testutil.h"
#include "editors/recordforms.h"
#include "editortest.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using edtest::TTestHost;

namespace {

class FormsBesideAnotherProgram : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        Path = rectest::MakeNotesTable(Dir.Path("t.dbf"));
        Host.Open(Path);
    }
    std::string Files() { return vxtest::ReadAll(Path) + "|" + vxtest::ReadAll(Dir.Path("t.fpt")); }
    std::string Last() const { return Boxes.Asked.empty() ? std::string() : Boxes.Asked.back().Text.toStdString(); }
    void OtherRemoves(uint32_t recNo) {
        TDBF other;
        other.SetFileName(Path);
        other.Open();
        other.RemoveRecords({recNo});
    }
    // The other program rewrites the header bytes [at, at + bytes.size()).
    void OtherWritesHeader(size_t at, const std::string& bytes) {
        std::string all = vxtest::ReadAll(Path);
        all.replace(at, bytes.size(), bytes);
        vxtest::WriteAll(Path, all);
    }

    vxtest::TempDir Dir;
    std::string Path;
    TTestHost Host;
    ScriptedMsgBox Boxes;
};

}  // namespace

TEST_F(FormsBesideAnotherProgram, AMemoRewrittenWhileTheFormIsOpenIsNotOverwritten) {
    Host.Selected = 3;
    TFormEditRecord f(Host);
    ASSERT_TRUE(f.Ready());
    rectest::RewriteMemoInPlace(Path, Dir.Path("t.fpt"), 4, "their note");
    const std::string before = Files();
    f.FieldRows[1].Memo = QStringLiteral("my note");
    EXPECT_FALSE(f.BitBtn3Click());
    EXPECT_EQ(Last(), Path + EDBFRecordsChanged::Text);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(f.FieldRows[1].Memo, QStringLiteral("my note"));  // the input stays for another try
    // Once the list is read again, the form shows their text and writes over it.
    Host.ReadRows();
    ASSERT_TRUE(f.ReLoadData());
    EXPECT_EQ(f.FieldRows[1].Memo, QStringLiteral("their note"));
    f.FieldRows[1].Memo = QStringLiteral("my note");
    EXPECT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(Host.Store.DataList[3]->Text(1), "my note");
}

TEST_F(FormsBesideAnotherProgram, RecordsMovedByAnotherProgramOpenNoFormAndTakeNoInsert) {
    OtherRemoves(2);
    const std::string before = Files();
    Host.Selected = 3;  // the row of r4, whose number now holds r5
    TFormEditRecord edit(Host);
    EXPECT_FALSE(edit.Ready());
    EXPECT_EQ(Last(), Path + EDBFRecordsChanged::Text);
    TFormInsertRecord insert(Host);
    insert.FieldRows[0].Edit->setText(QStringLiteral("new"));
    EXPECT_FALSE(insert.BitBtn3Click());
    EXPECT_EQ(Last(), Path + EDBFRecordsChanged::Text);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(Host.Store.DataList[3]->RecNo(), 4u);  // the rows stay as they were
    // Appending needs no record as shown: it goes after the last one.
    TFormAddRecord add(Host);
    add.FieldRows[0].Edit->setText(QStringLiteral("added"));
    EXPECT_TRUE(add.BitBtn3Click());
    EXPECT_EQ(rectest::Names(Path), "r1,r3,r4,r5,r6,added,");
}

TEST_F(FormsBesideAnotherProgram, ARaisedCountLeavesNoGapBeforeTheAppendedRecord) {
    OtherWritesHeader(4, std::string{8, 0, 0, 0});  // 8 records said, 6 held
    TFormAddRecord add(Host);
    add.FieldRows[0].Edit->setText(QStringLiteral("added"));
    ASSERT_TRUE(add.BitBtn3Click());
    const std::string all = vxtest::ReadAll(Path);
    EXPECT_EQ(all.substr(4, 4), std::string({7, 0, 0, 0}));
    EXPECT_EQ(rectest::Names(Path), "r1,r2,r3,r4,r5,r6,added,");
    EXPECT_EQ(all.back(), '\x1A');
    if (!vxtest::PythonWith("dbfread").empty()) {
        const std::string read = vxtest::ReadWithDbfread(Path);
        EXPECT_NE(read.find("added"), std::string::npos) << read;
    }
}

TEST_F(FormsBesideAnotherProgram, AFieldRetypedWithItsLengthsKeptRefusesEveryForm) {
    const std::string before = vxtest::ReadAll(Path);
    OtherWritesHeader(32 + 11, "N");  // NAME C(10) becomes N(10): both lengths kept
    const std::string changed = Files();
    Host.Selected = 0;
    TFormEditRecord edit(Host);
    EXPECT_FALSE(edit.Ready());
    EXPECT_EQ(Last(), EDBFStructureChanged::Text);
    TFormAddRecord add(Host);
    EXPECT_FALSE(add.Ready());
    TFormInsertRecord insert(Host);
    EXPECT_FALSE(insert.Ready());
    EXPECT_EQ(Files(), changed);
    EXPECT_NE(before, vxtest::ReadAll(Path));
}

TEST_F(FormsBesideAnotherProgram, HeaderBytesOutsideTheLayoutChangeNothing) {
    OtherWritesHeader(1, std::string{99, 12, 31});  // the date of the last update
    OtherWritesHeader(29, std::string{char(0xC9)});  // the code-page mark
    Host.Selected = 2;
    TFormEditRecord f(Host);
    ASSERT_TRUE(f.Ready());
    f.FieldRows[0].Edit->setText(QStringLiteral("edited"));
    f.FieldRows[1].Memo = QStringLiteral("edited note");
    EXPECT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(rectest::Names(Path), "r1,r2,edited,r4,r5,r6,");
    const std::string all = vxtest::ReadAll(Path);
    EXPECT_EQ(all.substr(1, 3), std::string({99, 12, 31}));
    EXPECT_EQ(all[29], char(0xC9));
}
