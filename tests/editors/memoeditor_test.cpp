#include "editors/memoeditor.h"

#include "app/codepage.h"
#include "app/msgbox.h"
#include "controls/flatmemo.h"
#include "qtapp.h"
#include "testutil.h"

#include <QLabel>
#include <QTextBlock>
#include <gtest/gtest.h>

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
    EXPECT_EQ(boxes.Asked[0].Icon, mbiWarning);
    EXPECT_TRUE(boxes.Asked[0].Text.contains(QStringLiteral("missing.txt")));

    f.ME_TB_CLEARClick();  // an empty memo takes the whole file
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("0 Bytes"));
    EXPECT_TRUE(f.ImportFile(QString::fromStdString(dir.Path("ab.txt"))));
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("A\r\nB\u00e9\r\n"));
    f.FlatMemo->SetText(QStringLiteral("a\nb"));
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("4 Bytes"));
}
