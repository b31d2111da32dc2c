// Keys as the X server sends them (Delete arrives as the character 0x7F, for one), typed by xdotool into the main
// window under Xvfb. Run by the ctest test mainwindow_real_keys; skipped on other platforms and when xdotool is missing.
#include "common/records_testutil.h"
#include "window_fixture.h"

#include <QProcess>
#include <QStandardPaths>

#include "controls/rxcombos.h"
#include "editors/formfind.h"

#include <QTimer>

using wintest::Drain;
using wintest::WaitUntil;

namespace {

class RealKeys : public wintest::WindowTest {
protected:
    void SetUp() override {
        wintest::App();
        if (QGuiApplication::platformName() != QStringLiteral("xcb") ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs an X server and xdotool (run through ctest's mainwindow_real_keys)";
        WindowTest::SetUp();
        Option->WelcomePage = false;
        Start();
        Form->resize(900, 600);
        Form->show();
        ASSERT_TRUE(WaitUntil([this] { return Form->isVisible(); }));
        Form->activateWindow();
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(Form->winId())});
        ASSERT_TRUE(WaitUntil([this] { return Form->isActiveWindow(); }, 5000));
    }
    // Types the keys (xdotool names) and lets the window handle them.
    void Keys(const QStringList& keys) {
        QProcess::execute(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                                                 QStringLiteral("30")} + keys);
        WaitUntil([] { return false; }, 150);
        Drain();
    }
};

}  // namespace

TEST_F(RealKeys, TheListStartsWithTheFocusAndItsKeysSelectTheRowsTheyReach) {
    OpenLoaded(Table("t.dbf", 200));
    ASSERT_EQ(QApplication::focusWidget(), Form->MainListView);
    const int page = Form->MainListView->PageRows();
    const std::pair<const char*, int> steps[] = {
        {"End", 200}, {"ctrl+Home", 1}, {"Next", page}, {"Next", 2 * page - 1}, {"Prior", page}, {"ctrl+End", 200},
        {"Home", 1},  {"Down", 2}};
    for (auto [key, record] : steps) {
        SCOPED_TRACE(key);
        Keys({QLatin1String(key)});
        EXPECT_EQ(Form->CurRecNo, record);
        EXPECT_EQ(Form->MainListView->FirstSelectedPosition(), record - 1);
    }
}

TEST_F(RealKeys, DeleteDeletesInTheRecordNumberBox) {
    OpenLoaded(Table("t.dbf", 200));
    Form->EditCurRecNo->setFocus(Qt::MouseFocusReason);
    Keys({"ctrl+a", "1", "2", "3", "Home", "Delete"});
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("23"));
    Keys({"End", "BackSpace", "Return"});
    EXPECT_EQ(Form->EditCurRecNo->Text(), QStringLiteral("2"));
    EXPECT_EQ(Form->CurRecNo, 2);
}

TEST_F(RealKeys, ArrowsInTheFontBoxChangeTheListOnlyWhenAFaceIsChosen) {
    OpenLoaded(Table("t.dbf", 20));
    TFontComboBox* box = Form->TB_QUICKSETTINGFONTFACE;
    ASSERT_GE(box->count(), 2);
    box->setCurrentIndex(0);
    const QString before = Form->MainListView->font().family();
    box->setFocus(Qt::MouseFocusReason);
    Keys({"Down", "Down", "Escape"});
    EXPECT_EQ(Form->MainListView->font().family(), before);
    EXPECT_EQ(box->currentIndex(), 0);
    // Chosen with Enter from the open list.
    Keys({"Down", "Down", "Return"});
    EXPECT_EQ(Form->MainListView->font().family(), box->currentText());
    EXPECT_NE(box->currentIndex(), 0);
}

TEST_F(RealKeys, DelCtrlCCtrlVAndShiftDelOnTheList) {
    Option->AlwayShowDelSelRec = false;
    OpenLoaded(Table("t.dbf", 5, 0));
    const std::string path = Dir.Path("t.dbf");
    Form->ListViewGoToRec(1);
    Keys({"Delete", "Delete"});  // marks row after row
    EXPECT_EQ(rectest::Names(path), "r1*,r2*,r3,r4,r5,");
    EXPECT_EQ(Selected(), 2);
    Form->MainListView->SelectPositions(2, 3);
    Keys({"ctrl+c", "ctrl+v"});
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith(
        QStringLiteral("\r\n2\r\n\tr3      \t20240105\r\n\tr4      \t        ")));
    EXPECT_EQ(rectest::Names(path), "r1*,r2*,r3,r4,r5,r3,r4,");
    Form->ListViewGoToRec(1);
    Keys({"shift+Delete"});
    EXPECT_EQ(rectest::Names(path), "r2*,r3,r4,r5,r3,r4,");
    EXPECT_EQ(Rows(), 6u);
}

TEST_F(RealKeys, ShortcutsWorkAgainWhenADialogHasClosed) {
    OpenLoaded(Table("t.dbf", 5));
    // Each Ctrl+F opens the find dialog; Esc, typed while it is up, closes it.
    int opened = 0;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(400, [&opened] {
            if (qobject_cast<TFormFind*>(QApplication::activeModalWidget())) ++opened;
            QProcess::startDetached(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        });
        Keys({"ctrl+f"});
        ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }, 3000));
        WaitUntil([] { return false; }, 300);
    }
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(Form->isActiveWindow());
}
