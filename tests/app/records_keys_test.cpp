// Real key presses on the record list under Xvfb (through xdotool): Del marks row after row,
// Ctrl+C and Ctrl+V copy and paste records, Shift+Del removes them. The test starts itself
// again under xvfb-run on the X11 platform, since the key texts of an X server are not those of
// hand-made events; without xvfb-run or xdotool it is skipped.
#include "loadwindow_fixture.h"
#include "records_testutil.h"

#include <QClipboard>
#include <QItemSelectionModel>
#include <QProcess>
#include <QTableView>

#include <cstdlib>
#include <filesystem>

namespace {

bool HaveTools() { return std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") == 0; }

// Presses keys on the window through the X server while the window keeps handling events.
void Press(QWidget* window, const QStringList& keys) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                                   QString::number(window->winId()), QStringLiteral("key"),
                                                   QStringLiteral("--delay"), QStringLiteral("80")} +
                                           keys);
    while (!p.waitForFinished(10)) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

TEST(RecordKeys, DelCtrlCCtrlVAndShiftDelOnTheList) {
    if (qEnvironmentVariable("VX_RECORD_KEYS") != QLatin1String("1")) {
        if (!HaveTools()) GTEST_SKIP() << "xvfb-run or xdotool missing";
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string cmd = "VX_RECORD_KEYS=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x800x24' '" + self +
                                "' --gtest_filter=RecordKeys.* > /dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << "the key test under Xvfb failed; run: " << cmd;
        return;
    }
    lvtest::App();
    vxtest::TempDir dir;
    vx::SetProgramFilesDir(dir.Root().string() + "/");
    Option = new TOption();
    Option->Load();
    Option->AlwayShowTipOfTheDay = false;
    Option->AlwayShowQuit = false;
    Option->AlwayShowDelSelRec = false;
    const std::string path = lvtest::MakeTable(dir.Path("t.dbf"), 5, 0);
    {
        TFormMain form;
        form.show();
        form.Open(QString::fromStdString(path));
        ASSERT_TRUE(lvtest::WaitUntil([&] { return form.IsLoadOver() && !form.IsWorking(); }));
        form.ListViewGoToRec(1);
        form.MainListView->setFocus();

        Press(&form, {QStringLiteral("Delete"), QStringLiteral("Delete")});
        EXPECT_EQ(rectest::Names(path), "r1*,r2*,r3,r4,r5,");
        ASSERT_EQ(form.MainListView->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(form.MainListView->selectionModel()->selectedRows()[0].row(), 2);

        auto* sel = form.MainListView->selectionModel();
        sel->select(form.ListModel->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Press(&form, {QStringLiteral("ctrl+c")});
        EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Vellibrox - Copy Data\r\n2\r\n")));
        EXPECT_TRUE(QApplication::clipboard()->text().endsWith(QStringLiteral("\r\n2\r\n\tr3      \t20240105\r\n\tr4      \t        ")));
        Press(&form, {QStringLiteral("ctrl+v")});
        EXPECT_EQ(rectest::Names(path), "r1*,r2*,r3,r4,r5,r3,r4,");

        form.ListViewGoToRec(1);
        Press(&form, {QStringLiteral("shift+Delete")});
        EXPECT_EQ(rectest::Names(path), "r2*,r3,r4,r5,r3,r4,");
        EXPECT_EQ(form.DataList()->Count(), 6u);
    }
    delete Option;
    Option = nullptr;
}
