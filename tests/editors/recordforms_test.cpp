// The record forms (edit, add, insert) over a table of every field type, and the memo editor
// they open: its import of text files at the caret and its byte count.
#include "editors/recordforms.h"

#include "common/codepage.h"
#include "common/msgbox.h"
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
#include <QTextBlock>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

using edtest::TTestHost;

namespace {

class RecordForms : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        Path = edtest::MakeAllTypes(Dir, 3);
        Host.Open(Path);
        Host.Selected = 0;
    }
    std::string Bytes(uint32_t recNo, int field) { return edtest::FieldBytes(Path, Host.Dbf, recNo, field); }
    QString Last() const { return Boxes.Asked.empty() ? QString() : Boxes.Asked.back().Text; }

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

TEST_F(RecordForms, OneRowOfInputsPerField) {
    TFormEditRecord f(Host);
    f.show();
    EXPECT_EQ(f.PanelRecNum->text(), QStringLiteral("Record Count: 3"));
    ASSERT_EQ(f.FieldRows.size(), 12u);
    EXPECT_EQ(f.FieldRows[5].Time->time(), QTime(3, 4, 5));
    EXPECT_EQ(f.FieldRows[9].Edit->text(), QStringLiteral("Full memo"));
    TFormAddRecord a(Host);
    EXPECT_EQ(a.FieldRows[3].Logical->currentText() + a.FieldRows[9].Edit->text(), QStringLiteral("FEmpty memo"));
}

TEST_F(RecordForms, ApplyWithNothingChangedLeavesRealTablesByteIdentical) {
    const std::pair<const char*, const char*> tables[] = {
        {"dbase_30.dbf", "dbase_30.fpt"}, {"dbase_83.dbf", "dbase_83.dbt"}, {"dbase_8b.dbf", "dbase_8b.dbt"},
        {"dbase_f5.dbf", "dbase_f5.fpt"}, {"cp1251.dbf", nullptr}};
    for (const auto& [table, memo] : tables) {
        const std::string path = vxtest::CopyFixture(Dir, table);
        const std::string memoPath = memo ? vxtest::CopyFixture(Dir, memo) : std::string();
        const std::string before = vxtest::ReadAll(path), memoBefore = vxtest::ReadAll(memoPath);
        TTestHost host;
        host.Open(path);
        for (int row : {0, host.Count() / 2}) {
            host.Selected = row;
            TFormEditRecord f(host);
            // Opening a memo and closing the editor unchanged counts as no change.
            for (size_t i = 0; i < f.FieldRows.size(); ++i)
                if (f.FieldRows[i].Field.Kind == recedit::TInputKind::Memo) {
                    OnMemoEditor([](TFormMemoEditor&) {});
                    f.MemoDblClick(int(i));
                    break;
                }
            EXPECT_TRUE(f.BitBtn3Click()) << table;
            EXPECT_EQ(Last(), QStringLiteral("Edit Succeed."));
        }
        EXPECT_EQ(vxtest::ReadAll(path), before) << table;
        EXPECT_EQ(vxtest::ReadAll(memoPath), memoBefore) << table;
    }
}

TEST_F(RecordForms, ACharacterOfTwoEncodingsShowsAsItselfAndKeepsItsBytesUnlessEdited) {
    const exporttest::TCodePageScope page(932);  // 87 90 and 81 E0 are both U+2252
    const std::string path = Dir.Path("sjis.dbf");
    CreateTableFile(path, 0x03, {{"A", 'C', 4}, {"B", 'C', 4}});
    vxtest::WriteAll(path, vxtest::ReadAll(path) + " \x87\x90\xED\x40\x87\x90  ");
    TTestHost host;
    host.Open(path);
    host.Selected = 0;
    TFormEditRecord f(host);
    EXPECT_EQ(f.FieldRows[0].Edit->text(), QString::fromUtf8("\u2252\u7E8A"));
    f.FieldRows[1].Edit->setText(f.FieldRows[1].Edit->text() + QLatin1Char('x'));
    ASSERT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(edtest::FieldBytes(path, host.Dbf, 1, 0) + edtest::FieldBytes(path, host.Dbf, 1, 1),
              "\x87\x90\xED\x40\x81\xE0x ");
}

TEST_F(RecordForms, EditWritesOnlyChangedInputsAndRefusesBadOnesWhole) {
    Host.Dbf.Go(1);
    Host.Dbf.Edit();
    Host.Dbf.GetField(3)->SetAsString("?");
    Host.Dbf.Post();
    Host.ReadRows();
    TFormEditRecord f(Host);
    EXPECT_EQ(f.FieldRows[3].Logical->currentIndex(), -1);  // neither T nor F
    const std::string before = vxtest::ReadAll(Path);
    f.FieldRows[0].Edit->setText(QStringLiteral("zz"));
    f.FieldRows[7].Edit->setText(QStringLiteral("12x"));
    EXPECT_FALSE(f.BitBtn3Click());
    EXPECT_EQ(Last(), QStringLiteral("Data Format Error!"));
    EXPECT_EQ(vxtest::ReadAll(Path), before);
    f.FieldRows[7].Edit->setText(QStringLiteral("-7"));  // back to what it showed
    ASSERT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(Bytes(1, 0) + Bytes(1, 3) + Bytes(1, 1), "zz    ?    1.50");
    EXPECT_EQ(Host.Store.DataList[0]->Text(0), "zz");
    EXPECT_EQ(Host.TextsChanged, 1);

    // Clear empties the inputs but keeps the edit form's date-time; the general field stays.
    f.BitBtn4Click();
    EXPECT_EQ(f.FieldRows[5].Date->Text() + f.FieldRows[4].Date->Text(), QStringLiteral("2024-01-02    -  -  "));
    EXPECT_EQ(f.FieldRows[9].Edit->text() + f.FieldRows[10].Edit->text(), QStringLiteral("Empty Memo"));
    ASSERT_TRUE(f.BitBtn3Click());
    EXPECT_EQ(Bytes(1, 7) + Bytes(1, 10)[0], std::string(4, '\0') + '\x09');
}

TEST_F(RecordForms, ApplyAfterAnotherProgramChangedTheRecordWritesNothingAndKeepsTheInputs) {
    TFormEditRecord f(Host);
    TDBF other;
    other.SetFileName(Path);
    other.Open();  // on record 1
    other.Edit();
    other.GetField(0)->SetAsString("theirs");
    other.Post();
    const std::string before = vxtest::ReadAll(Path), memoBefore = vxtest::ReadAll(Dir.Path("all.fpt"));
    f.FieldRows[7].Edit->setText(QStringLiteral("5"));
    f.FieldRows[9].Memo = QStringLiteral("mine");
    EXPECT_FALSE(f.BitBtn3Click());
    EXPECT_EQ(Last().toStdString(), Path + EDBFRecordsChanged::Text);
    EXPECT_EQ(vxtest::ReadAll(Path) + vxtest::ReadAll(Dir.Path("all.fpt")), before + memoBefore);
    EXPECT_EQ(f.FieldRows[7].Edit->text(), QStringLiteral("5"));
    EXPECT_FALSE(f.ReLoadData());  // the list must be read again first
    EXPECT_EQ(Last().toStdString(), Path + EDBFRecordsChanged::Text);
    Host.ReadRows();
    EXPECT_TRUE(f.ReLoadData());  // shows the other change
    EXPECT_EQ(f.FieldRows[0].Edit->text(), QStringLiteral("theirs"));
}

TEST_F(RecordForms, MemoTextsComeBackFromTheEditorHoweverItCloses) {
    TFormEditRecord f(Host);
    OnMemoEditor([](TFormMemoEditor& e) {
        EXPECT_EQ(e.FlatMemo->Text(), QStringLiteral("hello\r\nworld"));
        e.FlatMemo->SetText(QStringLiteral("one\ntwo"));
    });
    vxtest::Mouse(f.FieldRows[9].Edit, QEvent::MouseButtonDblClick, QPoint(5, 5));  // a double click on the memo box
    ASSERT_TRUE(f.BitBtn3Click());
    std::string memo;
    Host.Dbf.Go(1);
    Host.Dbf.GetMemo("M", memo);
    EXPECT_EQ(memo, "one\r\ntwo");
    OnMemoEditor([](TFormMemoEditor& e) { e.ME_TB_CLEARClick(); });
    f.MemoDblClick(9);
    EXPECT_EQ(f.FieldRows[9].Edit->text(), QStringLiteral("Empty memo"));
}

TEST_F(RecordForms, AddAppendsInsertKeepsTheSelectionEditNavigates) {
    TFormAddRecord a(Host);
    a.FieldRows[0].Edit->setText(QStringLiteral("added"));
    a.FieldRows[5].Date->SetText(QStringLiteral("2020-02-02"));
    ASSERT_TRUE(a.BitBtn3Click());
    EXPECT_EQ(Last(), QStringLiteral("Append Succeed."));
    EXPECT_EQ(Host.Selected, 3);                                          // the new last row
    EXPECT_EQ(Bytes(4, 0) + Bytes(4, 3) + Bytes(4, 1), "added F        ");  // an empty N is blank
    a.BitBtn4Click();  // the add form's Clear blanks the date of a date-time
    EXPECT_EQ(a.FieldRows[5].Date->Text(), QStringLiteral("    -  -  "));

    Host.Selected = 1;
    TFormInsertRecord ins(Host);
    ins.FieldRows[0].Edit->setText(QStringLiteral("ins"));
    ins.BitBtn1Click();
    EXPECT_EQ(Last(), QStringLiteral("Insert Succeed."));
    EXPECT_EQ(ins.result(), QDialog::Accepted);
    EXPECT_EQ(Host.Selected + Host.CountChanged, 1 + 2);

    TFormEditRecord f(Host);
    f.TB_LASTRECClick();
    EXPECT_EQ(f.EditEditCurRecNo->text() + f.FieldRows[0].Edit->text(), QStringLiteral("5added"));
    f.EditEditCurRecNo->setText(QStringLiteral("2"));
    int key = Qt::Key_Return;
    f.EditEditCurRecNoKeyDown(key);
    EXPECT_EQ(f.FieldRows[0].Edit->text(), QStringLiteral("ins"));  // the inserted row
}

// ---- The memo editor ----

using memoimport::InsertLines;
using memoimport::SplitLines;

namespace {

QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* s : lines) out << QString::fromLatin1(s);
    return out;
}

}  // namespace

TEST(MemoImport, FileLinesGoInAtTheCaret) {
    struct Case {
        QStringList Memo;
        int Row, Column;
        QStringList File;
        const char* Result;
    };
    const Case cases[] = {
        {L({"XY"}), 0, 1, L({"A", "B"}), "XA\r\nBY\r\n"},  // the file's last line ends before Y
        {L({"XY"}), 0, 2, L({"A", "B"}), "XYA\r\nB\r\n"},  // caret at the end of the last line
        {L({"XY"}), 0, 1, L({"A"}), "XAY\r\n"},
        {L({"ab", "cd", "ef"}), 1, 1, L({"1", "2", "3"}), "ab\r\nc1\r\n2\r\n3d\r\nef"},
        {L({"ab", "cd"}), 0, 2, L({"1"}), "ab1\r\ncd"},
        {L({}), 0, 0, L({"A", "B"}), "A\r\nB\r\n"},  // an empty memo
        {L({"XY", "Z"}), 0, 1, L({}), "XY\r\nZ"},    // an empty file changes nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(InsertLines(c.Memo, c.Row, c.Column, c.File), QString::fromLatin1(c.Result)) << c.Result;
    EXPECT_EQ(SplitLines(QStringLiteral("A\r\nB")), L({"A", "B"}));
    EXPECT_EQ(SplitLines(QStringLiteral("A\rB\n\r\n")), L({"A", "B", ""}));
    EXPECT_EQ(SplitLines(QString()), L({}));
}

TEST(MemoEditor, ImportsFilesAndCountsBytes) {
    vxtest::App();
    vx::SetCodePage(1252);  // the texts below are of this page
    vxtest::TempDir dir;
    vxtest::WriteAll(dir.Path("ab.txt"), "A\r\nB\xe9\r\n");
    vxtest::WriteAll(dir.Path("empty.txt"), "");
    ScriptedMsgBox boxes;
    TFormMemoEditor f;
    f.FlatMemo->SetText(QStringLiteral("XY"));
    QTextCursor c = f.FlatMemo->textCursor();
    c.setPosition(1);
    f.FlatMemo->setTextCursor(c);

    const auto choose = TFormMemoEditor::ChooseImportFile;
    QString chosen;  // cancelled first: no change
    TFormMemoEditor::ChooseImportFile = [&](QWidget*) { return chosen; };
    f.ME_TB_IMPORTClick();
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("XY"));
    chosen = QString::fromStdString(dir.Path("ab.txt"));
    f.ME_TB_IMPORTClick();
    TFormMemoEditor::ChooseImportFile = choose;
    const QString imported = QStringLiteral("XA\r\nB\u00e9Y\r\n");
    EXPECT_EQ(f.FlatMemo->Text(), imported);
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("9 Bytes"));  // line breaks count two
    EXPECT_EQ(f.FlatMemo->textCursor().positionInBlock(), 2);      // behind the imported text

    // An empty file is no failure; a file that cannot be read is reported and leaves the memo.
    EXPECT_TRUE(f.ImportFile(QString::fromStdString(dir.Path("empty.txt"))));
    EXPECT_FALSE(f.ImportFile(QString::fromStdString(dir.Path("missing.txt"))));
    EXPECT_FALSE(f.ImportFile(QString::fromStdString(dir.Path(""))));  // a folder
    EXPECT_EQ(f.FlatMemo->Text(), imported);
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[0].Icon, TMsgBoxIcon::Warning);
    EXPECT_TRUE(boxes.Asked[0].Text.contains(QStringLiteral("missing.txt")));

    f.ME_TB_CLEARClick();  // an empty memo takes the whole file
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("0 Bytes"));
    EXPECT_TRUE(f.ImportFile(QString::fromStdString(dir.Path("ab.txt"))));
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("A\r\nB\u00e9\r\n"));
    f.FlatMemo->SetText(QStringLiteral("a\nb"));
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("4 Bytes"));
}
