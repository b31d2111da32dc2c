// Real key presses typed by xdotool into an X server of the test's own: RunsUnderX runs this
// executable again under xvfb-run with the xcb platform, where the EditorKeys tests run.
#include "app/loadwindow_fixture.h"
#include "editors/recordforms.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>

namespace {

bool UnderX() { return qEnvironmentVariableIsSet("VX_KEYS_UNDER_X"); }

void Key(const char* key) {
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
}

bool Activate(QWidget* w) {
    w->show();
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
    for (const char* tool : {"xvfb-run", "xdotool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) GTEST_SKIP() << "needs " << tool;
    lvtest::App();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VX_KEYS_UNDER_X"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("xvfb-run"),
                {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
                 QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=EditorKeys.*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const std::string out = QString::fromLocal8Bit(child.readAll()).toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST_F(EditorKeys, F8OpensTheEditorEnterMovesOnEscCloses) {
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    Option->AlwayShowEdit = false;
    Form->ListViewGoToRec(2);
    ASSERT_TRUE(Activate(Form.get()));
    Form->MainListView->setFocus();
    bool opened = false, movedOn = false, closed = false;
    QTimer::singleShot(300, [&] {
        auto* f = qobject_cast<TFormEditRecord*>(QApplication::activeModalWidget());
        if (!f || !(opened = Activate(f))) return;
        f->FieldRows[0].Input->setFocus();
        Key("Return");
        movedOn = lvtest::WaitUntil([f] { return f->FieldRows[1].Input->hasFocus(); }, 3000);
        Key("Escape");
        closed = lvtest::WaitUntil([f] { return !f->isVisible(); }, 3000);
        if (!closed) f->reject();
    });
    Key("F8");
    lvtest::WaitUntil([&] { return opened; }, 5000);
    EXPECT_TRUE(opened && movedOn && closed) << opened << movedOn << closed;
}
