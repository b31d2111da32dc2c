#include "editors/recordforms.h"

#include "app/msgbox.h"
#include "controls/dateedit.h"
#include "controls/flatmemo.h"
#include "controls/validedit.h"
#include "editors/memoeditor.h"
#include "editortest.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

using edtest::FieldBytes;
using edtest::TTestHost;

namespace {

class RecordForms : public ::testing::Test {
protected:
    void SetUp() override { vxtest::App(); }
    void OpenAllTypes(int records = 2) {
        Path = edtest::MakeAllTypes(Dir, records);
        Host.Open(Path);
        Host.Selected = 0;
    }
    QString Asked(size_t i) const { return i < Boxes.Asked.size() ? Boxes.Asked[i].Text : QString(); }

    vxtest::TempDir Dir;
    std::string Path;
    TTestHost Host;
    ScriptedMsgBox Boxes;
};

// Runs `act` on the memo editor once it is shown modally, then closes it with Esc.
void OnMemoEditor(std::function<void(TFormMemoEditor&)> act) {
    QTimer::singleShot(0, [act] {
        auto* e = qobject_cast<TFormMemoEditor*>(QApplication::activeModalWidget());
        ASSERT_TRUE(e);
        act(*e);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(e->FlatMemo, &esc);
    });
}

}  // namespace

TEST_F(RecordForms, RowsOfInputsByFieldType) {
    OpenAllTypes();
    TFormEditRecord f(Host);
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Edit Record"));
    EXPECT_EQ(f.size(), QSize(445, 349));
    EXPECT_EQ(f.minimumWidth(), 445);
    EXPECT_EQ(f.BitBtn3->geometry(), QRect(326, 40, 75, 25));
    EXPECT_EQ(f.BitBtn2->geometry().topLeft(), QPoint(326, 112));
    EXPECT_FALSE(f.BitBtn1->isVisibleTo(&f));
    EXPECT_EQ(f.TB_LASTREC->toolTip(), QStringLiteral("Go The Last Record"));
    EXPECT_EQ(f.PanelRecNum->text(), QStringLiteral("Record Count: 2"));
    EXPECT_EQ(f.EditEditCurRecNo->text(), QStringLiteral("1"));
    ASSERT_EQ(f.FieldRows.size(), 12u);
    for (size_t i = 0; i < f.FieldRows.size(); ++i) {
        const auto& r = f.FieldRows[i];
        EXPECT_EQ(r.Input->objectName(), QStringLiteral("tmp") + r.Spec.Name);
        EXPECT_EQ(r.Caption->objectName(), QStringLiteral("lbtmp") + r.Spec.Name);
        EXPECT_EQ(r.Input->mapTo(&f, QPoint(0, 0)), QPoint(110, 40 + 30 * int(i)));
    }
    EXPECT_EQ(f.FieldRows[5].Input->width(), 103);
    EXPECT_EQ(f.FieldRows[5].Time->objectName(), QStringLiteral("tmpT_t"));
    EXPECT_EQ(f.FieldRows[5].Time->time(), QTime(3, 4, 5));
    EXPECT_EQ(f.FieldRows[3].Logical->currentText(), QStringLiteral("T"));
    EXPECT_EQ(f.FieldRows[9].Edit->text(), QStringLiteral("Full memo"));
    EXPECT_EQ(f.FieldRows[9].Edit->toolTip(), QStringLiteral("Double click to edit the memo."));
    EXPECT_TRUE(f.FieldRows[10].Edit->isReadOnly());
    EXPECT_EQ(f.FieldRows[0].Edit->maxLength(), 6);

    TFormAddRecord a(Host);
    a.show();
    EXPECT_EQ(a.BitBtn3->geometry().topLeft(), QPoint(326, 16));
    EXPECT_EQ(a.FieldRows[0].Input->mapTo(&a, QPoint(0, 0)), QPoint(110, 20));
    EXPECT_EQ(a.FieldRows[3].Logical->currentText(), QStringLiteral("F"));
    EXPECT_EQ(a.FieldRows[9].Edit->text(), QStringLiteral("Empty memo"));
    EXPECT_EQ(TFormInsertRecord(Host).size(), QSize(445, 346));
}

TEST_F(RecordForms, ApplyWithNothingChangedLeavesRealTablesByteIdentical) {
    const std::pair<const char*, const char*> tables[] = {
        {"dbase_30.dbf", "dbase_30.fpt"}, {"dbase_83.dbf", "dbase_83.dbt"}, {"dbase_8b.dbf", "dbase_8b.dbt"},
        {"dbase_f5.dbf", "dbase_f5.fpt"}, {"cp1251.dbf", nullptr}};
    for (const auto& [table, memo] : tables) {
        vxtest::TempDir dir;
        const std::string path = vxtest::CopyFixture(dir, table);
        const std::string memoPath = memo ? vxtest::CopyFixture(dir, memo) : std::string();
        const std::string before = vxtest::ReadAll(path), memoBefore = vxtest::ReadAll(memoPath);
        TTestHost host;
        host.Open(path);
        for (int row : {0, host.Count() / 2}) {
            host.Selected = row;
            TFormEditRecord f(host);
            // Opening a memo and closing the editor unchanged counts as no change.
            for (size_t i = 0; i < f.FieldRows.size(); ++i)
                if (f.FieldRows[i].Spec.Kind == recedit::TInputKind::Memo) {
                    OnMemoEditor([](TFormMemoEditor&) {});
                    f.MemoDblClick(int(i));
                    break;
                }
            EXPECT_TRUE(f.BitBtn3Click()) << table;
        }
        EXPECT_EQ(vxtest::ReadAll(path), before) << table;
        EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore) << table;
        EXPECT_EQ(Boxes.Asked.back().Text, QStringLiteral("Edit Succeed."));
        EXPECT_EQ(Boxes.Asked.back().Caption, QStringLiteral("Ok"));
    }
}

TEST_F(RecordForms, EditWritesOnlyChangedInputsAndRefusesBadOnesWhole) {
    OpenAllTypes();
    Host.Dbf.Go(1);
    Host.Dbf.Edit();
    Host.Dbf.GetField(3)->SetAsString("?");
    Host.Dbf.Post();
    TFormEditRecord f(Host);
    EXPECT_EQ(f.FieldRows[3].Logical->currentIndex(), -1);  // neither T nor F
    const std::string before = vxtest::ReadAll(Path);
    f.FieldRows[0].Edit->setText(QStringLiteral("zz"));
    f.FieldRows[7].Edit->setText(QStringLiteral("12x"));
    EXPECT_FALSE(f.BitBtn3Click());
    EXPECT_EQ(Asked(0), QStringLiteral("Data Format Error!"));
    EXPECT_EQ(Boxes.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(vxtest::ReadAll(Path), before);
    EXPECT_EQ(Host.Dbf.GetState(), esBrowse);

    f.FieldRows[7].Edit->setText(QStringLiteral("-7"));  // back to what it showed
    ASSERT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 1, 0), "zz    ");
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 1, 3), "?");                // untouched
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 1, 1), "    1.50");
    EXPECT_EQ(Host.Store.DataList[0]->Text(0), "zz");
    EXPECT_EQ(Host.TextsChanged, 1);
    EXPECT_EQ(f.FieldRows[0].Edit->text(), QStringLiteral("zz"));
}

TEST_F(RecordForms, MemoTextsComeBackFromTheEditorHoweverItCloses) {
    OpenAllTypes();
    TFormEditRecord f(Host);
    OnMemoEditor([](TFormMemoEditor& e) {
        EXPECT_EQ(e.FlatMemo->Text(), QStringLiteral("hello\r\nworld"));
        e.FlatMemo->SetText(QStringLiteral("one\ntwo"));
    });
    f.MemoDblClick(9);
    EXPECT_EQ(f.FieldRows[9].Memo, QStringLiteral("one\r\ntwo"));
    ASSERT_TRUE(f.BitBtn3Click());
    std::string memo;
    Host.Dbf.Go(1);
    Host.Dbf.GetMemo("M", memo);
    EXPECT_EQ(memo, "one\r\ntwo");
    OnMemoEditor([](TFormMemoEditor& e) { e.ME_TB_CLEARClick(); });
    f.MemoDblClick(9);
    EXPECT_EQ(f.FieldRows[9].Edit->text(), QStringLiteral("Empty memo"));
}

TEST_F(RecordForms, ClearEmptiesInputsAndKeepsTheEditFormsDateTime) {
    OpenAllTypes();
    TFormEditRecord e(Host);
    e.BitBtn4Click();
    EXPECT_EQ(e.FieldRows[5].Date->Text(), QStringLiteral("2024-01-02"));
    EXPECT_EQ(e.FieldRows[4].Date->Text(), QStringLiteral("    -  -  "));
    EXPECT_EQ(e.FieldRows[9].Edit->text(), QStringLiteral("Empty Memo"));
    EXPECT_EQ(e.FieldRows[3].Logical->currentIndex(), -1);
    EXPECT_EQ(e.FieldRows[10].Edit->text(), QString());
    EXPECT_EQ(e.FieldRows[11].Edit->text(), QStringLiteral("Picture"));
    ASSERT_TRUE(e.BitBtn3Click());
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 1, 7), std::string(4, '\0'));
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 1, 10).substr(0, 1), "\x09");  // the general field is kept

    TFormAddRecord a(Host);
    a.FieldRows[5].Date->SetText(QStringLiteral("2020-02-02"));
    a.FieldRows[5].Time->setTime(QTime(1, 2, 3));
    a.BitBtn4Click();
    EXPECT_EQ(a.FieldRows[5].Date->Text(), QStringLiteral("    -  -  "));
    EXPECT_EQ(a.FieldRows[5].Time->time(), QTime(1, 2, 3));
}

TEST_F(RecordForms, AddAppendsAndInsertKeepsTheSelection) {
    OpenAllTypes(3);
    TFormAddRecord a(Host);
    a.FieldRows[0].Edit->setText(QStringLiteral("added"));
    ASSERT_TRUE(a.BitBtn3Click());
    EXPECT_EQ(Asked(0), QStringLiteral("Append Succeed."));
    EXPECT_EQ(Host.Count(), 4);
    EXPECT_EQ(Host.Selected, 3);  // the new last row
    EXPECT_EQ(Host.Store.DataList[3]->RecNo(), 4u);
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 4, 0), "added ");
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 4, 3), "F");
    EXPECT_EQ(FieldBytes(Path, Host.Dbf, 4, 1), "        ");  // an empty N input leaves it blank

    Host.Selected = 1;
    TFormInsertRecord ins(Host);
    ins.FieldRows[0].Edit->setText(QStringLiteral("ins"));
    ins.BitBtn1Click();
    EXPECT_EQ(Asked(1), QStringLiteral("Insert Succeed."));
    EXPECT_EQ(ins.result(), QDialog::Accepted);
    EXPECT_EQ(Host.Selected, 1);
    EXPECT_EQ(Host.Store.DataList[1]->Text(0), "ins");
    EXPECT_EQ(Host.Store.DataList[2]->RecNo(), 3u);
    EXPECT_EQ(Host.CountChanged, 2);
}

TEST_F(RecordForms, EditNavigatesThroughTheList) {
    OpenAllTypes(3);
    TFormEditRecord f(Host);
    f.FieldRows[0].Edit->setText(QStringLiteral("unapplied"));
    f.TB_LASTRECClick();
    EXPECT_EQ(f.EditEditCurRecNo->text(), QStringLiteral("3"));
    EXPECT_EQ(f.FieldRows[0].Edit->text(), QStringLiteral("ab"));
    f.EditEditCurRecNo->setText(QStringLiteral("2"));
    int key = Qt::Key_Return;
    f.EditEditCurRecNoKeyDown(key);
    EXPECT_EQ(Host.Selected, 1);
    EXPECT_EQ(key, 0);
    f.TB_FIRSTRECClick();
    f.TB_NEXTRECClick();
    EXPECT_EQ(f.EditEditCurRecNo->text(), QStringLiteral("2"));
}
