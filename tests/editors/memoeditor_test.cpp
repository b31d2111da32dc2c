#include "editors/memoeditor.h"

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

// A memo editor whose caret stands in line `row` before column `column`.
void PutCaret(TFormMemoEditor& f, int row, int column) {
    QTextCursor c(f.FlatMemo->document()->findBlockByNumber(row));
    c.setPosition(c.position() + column);
    f.FlatMemo->setTextCursor(c);
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
        {L({"XY"}), 0, 1, L({"A", "B"}), "XA\r\nBY\r\n"},     // the file's last line ends before Y
        {L({"XY"}), 0, 2, L({"A", "B"}), "XYA\r\nB\r\n"},     // caret at the end of the last line
        {L({"XY"}), 0, 1, L({"A"}), "XAY\r\n"},
        {L({"ab", "cd", "ef"}), 1, 1, L({"1", "2", "3"}), "ab\r\nc1\r\n2\r\n3d\r\nef"},
        {L({"ab", "cd"}), 0, 2, L({"1"}), "ab1\r\ncd"},
        {L({}), 0, 0, L({"A", "B"}), "A\r\nB\r\n"},           // an empty memo
        {L({""}), 0, 0, L({"A"}), "A\r\n"},
        {L({"XY", "Z"}), 0, 1, L({}), "XY\r\nZ"},             // an empty file changes nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(InsertLines(c.Memo, c.Row, c.Column, c.File), QString::fromLatin1(c.Result)) << c.Result;

    EXPECT_EQ(SplitLines(QStringLiteral("A\r\nB")), L({"A", "B"}));
    EXPECT_EQ(SplitLines(QStringLiteral("A\nB\n")), L({"A", "B"}));
    EXPECT_EQ(SplitLines(QStringLiteral("A\rB\r\n\r\n")), L({"A", "B", ""}));
    EXPECT_EQ(SplitLines(QString()), L({}));
}

TEST(MemoEditor, ImportsFilesAndCountsBytes) {
    vxtest::App();
    vxtest::TempDir dir;
    vxtest::WriteAll(dir.Path("ab.txt"), "A\r\nB\xe9\r\n");
    vxtest::WriteAll(dir.Path("empty.txt"), "");
    ScriptedMsgBox boxes;
    TFormMemoEditor f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Quorvane Osmirant Memo Editor"));
    EXPECT_EQ(f.size(), QSize(587, 339));

    f.FlatMemo->SetText(QStringLiteral("XY"));
    PutCaret(f, 0, 1);
    QString asked;
    const auto choose = TFormMemoEditor::ChooseImportFile;
    TFormMemoEditor::ChooseImportFile = [&](QWidget*) { return asked; };
    f.ME_TB_IMPORTClick();  // cancelled: no change
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("XY"));
    asked = QString::fromStdString(dir.Path("ab.txt"));
    f.ME_TB_IMPORTClick();
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("XA\r\nB\u00e9Y\r\n"));
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("9 Bytes"));  // line breaks count two
    EXPECT_EQ(f.FlatMemo->textCursor().positionInBlock(), 2);      // behind the imported text
    TFormMemoEditor::ChooseImportFile = choose;

    // An empty file and an empty memo are no failure; a file that cannot be read is reported
    // and leaves the memo as it was.
    EXPECT_TRUE(f.ImportFile(QString::fromStdString(dir.Path("empty.txt"))));
    EXPECT_FALSE(f.ImportFile(QString::fromStdString(dir.Path("missing.txt"))));
    EXPECT_FALSE(f.ImportFile(QString::fromStdString(dir.Path(""))));
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("XA\r\nB\u00e9Y\r\n"));
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[0].Icon, mbiWarning);
    EXPECT_TRUE(boxes.Asked[0].Text.contains(QStringLiteral("missing.txt")));

    f.ME_TB_CLEARClick();
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("0 Bytes"));
    EXPECT_TRUE(f.ImportFile(QString::fromStdString(dir.Path("ab.txt"))));
    EXPECT_EQ(f.FlatMemo->Text(), QStringLiteral("A\r\nB\u00e9\r\n"));
    f.FlatMemo->SetText(QStringLiteral("a\nb"));  // typed or set, the counter follows
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("4 Bytes"));
    EXPECT_EQ(ByteCountText(QStringLiteral("\u00e9\r\n")), QStringLiteral("3 Bytes"));
}
