// Real key presses and clicks typed by xdotool into an X server of the test's own: RunsUnderX
// runs this executable again under xvfb-run with the xcb platform, where the EditorKeys tests
// run; skipped where either tool is missing.
#include "common/findhistory.h"
#include "mainwindow/loadwindow_fixture.h"
#include "controls/flatchecklistbox.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formfielditem.h"
#include "editors/formfind.h"
#include "editors/formreplace.h"
#include "editors/recordforms.h"
#include "editortest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>

namespace {

bool UnderX() { return qEnvironmentVariableIsSet("VX_KEYS_UNDER_X"); }

void Xdo(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }
void Key(const char* key) { Xdo({QStringLiteral("key"), QString::fromLatin1(key)}); }

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
    ASSERT_TRUE(child.waitForFinished(90000));
    const std::string out = QString::fromLocal8Bit(child.readAll()).toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 3 tests"), std::string::npos) << out;
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

// Names typed in lower case arrive in upper case, Enter moves to the next control, Esc closes;
// a click on an item of the delete dialog ticks it once whether it hits the text or the box.
TEST_F(EditorKeys, FieldDialogsTakeTypedNamesAndClicks) {
    structtest::FixedHost host;
    TFormCreateDBF design(&host);
    TFormAddFieldItem add(&design);
    ASSERT_TRUE(Activate(&add));
    add.EditName->setFocus();
    Xdo({"type", "--delay", "30", "code"});
    EXPECT_TRUE(lvtest::WaitUntil([&] { return add.EditName->text() == QStringLiteral("CODE"); }, 3000))
        << add.EditName->text().toStdString();
    Key("Return");
    EXPECT_TRUE(lvtest::WaitUntil([&] { return QApplication::focusWidget() == add.cbType; }, 3000));
    Key("Escape");
    EXPECT_TRUE(lvtest::WaitUntil([&] { return !add.isVisible(); }, 3000));

    TDBF dbf;
    dbf.SetFileName(lvtest::MakeTable(Dir.Path("f.dbf"), 1));
    dbf.Open();
    TFormFieldDelete del(dbf);
    ASSERT_TRUE(Activate(&del));
    const std::vector<QRect> items = FlatList::ItemRects(del.clbFields->rect(), del.clbFields->ItemHeight(),
                                                         del.clbFields->VisibleCount(), del.clbFields->ScrollBars());
    ASSERT_GE(items.size(), 2u);
    int i = 0;
    for (QPoint at : {QPoint(items[0].center().x() + 30, items[0].center().y()), TFlatCheckListBox::CheckBoxRect(items[1]).center()}) {
        const QPoint g = del.clbFields->mapToGlobal(at);  // on the text, then on the box
        Xdo({"mousemove", "--sync", QString::number(g.x()), QString::number(g.y()), "click", "1"});
        EXPECT_TRUE(lvtest::WaitUntil([&] { return del.clbFields->Checked(i); }, 3000)) << i;
        ++i;
    }
    lvtest::Drain();
    EXPECT_TRUE(del.clbFields->Checked(0) && del.clbFields->Checked(1));
}

// The text searched is the text typed, though the history holds it in another letter case: in
// the find and replace dialogs and in the quick search box (type, Tab, Enter).
TEST_F(EditorKeys, SearchBoxesSearchForExactlyWhatWasTyped) {
    vxtest::WriteAll(vx::FindHistoryPath(), "tea\ntealeaf\n");
    Form->Open(Table("t.dbf", 3, 0));
    ASSERT_TRUE(WaitLoaded());
    ScriptedMsgBox boxes;
    // Types into the box of `window`; true once the window has closed (or the quick search ran).
    auto type = [this](QWidget* window, QWidget* box, QStringList keys) {
        EXPECT_TRUE(Activate(window));
        box->setFocus();
        Xdo(QStringList{"key", "--delay", "30", "ctrl+a", "shift+t", "e", "a", "Tab"} + keys);
        return lvtest::WaitUntil([&] { return !window->isVisible() || Form->FindOptions.Text == "Tea"; }, 3000);
    };
    const QStringList fields = {QStringLiteral("NAME"), QStringLiteral("DAY")};
    TFormFind find(Form.get(), fields, Form->FindOptions, 0);
    EXPECT_TRUE(type(&find, find.cbKeyvalue, {"Return"}));
    TFormReplace replace(Form.get(), fields, Form->FindOptions, 3);
    EXPECT_TRUE(type(&replace, replace.cbKeyvalue, {"x", "Return"}));
    EXPECT_EQ(find.Options.Text + replace.Options.Text + replace.Options.ReplaceText, "TeaTeax");
    EXPECT_TRUE(type(Form.get(), Form->TB_QUICKSERACHKEY, {"Return"})) << Form->FindOptions.Text;
    EXPECT_EQ(vx::ReadFindHistory(vx::FindHistoryPath()), (std::vector<std::string>{"Tea", "tealeaf"}));
}
