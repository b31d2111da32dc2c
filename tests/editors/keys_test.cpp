// Real key presses on the record forms and the main window, typed by xdotool into an X server
// of the test's own: the test runs itself again under xvfb-run with the xcb platform.
#include "app/loadwindow_fixture.h"
#include "editors/memoeditor.h"
#include "editors/recordforms.h"
#include "editortest.h"

#include "controls/flatmemo.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <cstdlib>
#include <unistd.h>

namespace {

bool UnderX() { return std::getenv("VX_KEYS_UNDER_X") != nullptr; }

void Key(const char* key) {
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
}

// Puts a window in front with the keyboard focus.
bool Activate(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
    return lvtest::WaitUntil([w] { return w->isActiveWindow(); }, 3000);
}

class EditorKeys : public lvtest::WindowTest {
protected:
    void SetUp() override {
        if (!UnderX()) GTEST_SKIP() << "runs under X through RunsUnderX";
        lvtest::WindowTest::SetUp();
    }
};

}  // namespace

TEST(EditorKeysUnderX, RunsUnderX) {
    if (UnderX()) GTEST_SKIP();
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xvfb-run and xdotool";
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VX_KEYS_UNDER_X"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral("-s"),
                                             QStringLiteral("-screen 0 1280x800x24"), QString::fromLocal8Bit(self),
                                             QStringLiteral("--gtest_filter=EditorKeys.*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 2 tests"))) << out.toStdString();
}

TEST_F(EditorKeys, F8OpensTheEditorAndEnterMovesOnEscCloses) {
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    Option->AlwayShowEdit = false;
    Form->ListViewGoToRec(2);
    ASSERT_TRUE(Activate(Form.get()));
    Form->MainListView->setFocus();
    bool opened = false, movedOn = false, closed = false;
    QTimer::singleShot(300, [&] {
        auto* f = qobject_cast<TFormEditRecord*>(QApplication::activeModalWidget());
        if (!f) return;
        opened = true;
        ASSERT_TRUE(Activate(f));
        f->FieldRows[0].Input->setFocus();
        Key("Return");
        movedOn = lvtest::WaitUntil([f] { return f->FieldRows[1].Input->hasFocus(); }, 3000);
        Key("Escape");
        closed = lvtest::WaitUntil([f] { return !f->isVisible(); }, 3000);
        if (!closed) f->reject();
    });
    Key("F8");
    lvtest::WaitUntil([&] { return opened; }, 5000);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(movedOn);
    EXPECT_TRUE(closed);
}

TEST_F(EditorKeys, EnterInTheMemoEditorIsALineBreak) {
    TFormMemoEditor e;
    e.FlatMemo->SetText(QStringLiteral("ab"));
    ASSERT_TRUE(Activate(&e));
    e.FlatMemo->setFocus();
    e.FlatMemo->moveCursor(QTextCursor::End);
    Key("Return");
    Key("x");
    EXPECT_TRUE(lvtest::WaitUntil([&] { return e.FlatMemo->Text() == QStringLiteral("ab\r\nx"); }, 3000))
        << e.FlatMemo->Text().toStdString();
    EXPECT_TRUE(e.StatusPanel0->text() == QStringLiteral("5 Bytes"));
    Key("Escape");
    EXPECT_TRUE(lvtest::WaitUntil([&] { return !e.isVisible(); }, 3000));
}
