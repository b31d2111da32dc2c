// Real key presses and clicks under Xvfb through xdotool: names typed in lower case arrive in
// upper case, Enter moves to the next control, Esc closes the dialog, and a click on an item
// of the delete dialog ticks it once whether it hits the text or the box. The test runs this
// executable again under xvfb-run with the X11 platform; it is skipped where either is missing.
#include "app/sampletable.h"
#include "controls/flatchecklistbox.h"
#include "editors/formcreatedbf.h"
#include "editors/formfieldadd.h"
#include "editors/formfielditem.h"
#include "engine/dbf.h"
#include "qtapp.h"
#include "structuretest.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0; }

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs xdotool and lets the window handle what it sent.
void Xdo(const std::string& args) {
    ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
    Settle(150);
}

std::string WindowOf(const QWidget& w) { return std::to_string(w.winId()); }

}  // namespace

TEST(FieldKeysUnderX, RealKeysAndClicks) {
    if (!std::getenv("VX_XDO_CHILD")) GTEST_SKIP() << "runs in the child process under Xvfb";
    vxtest::App();
    structtest::FixedHost host;
    TFormCreateDBF design(&host);
    TFormAddFieldItem add(&design);
    add.show();
    add.activateWindow();
    Settle(300);
    Xdo("windowfocus --sync " + WindowOf(add));
    add.EditName->setFocus();
    Settle(200);
    Xdo("type --delay 30 code");
    EXPECT_EQ(add.EditName->text(), QStringLiteral("CODE"));
    Xdo("key Return");
    EXPECT_EQ(QApplication::focusWidget(), add.cbType);
    Xdo("key Escape");
    EXPECT_FALSE(add.isVisible());

    vxtest::TempDir dir;
    const std::string path = dir.Path("t.dbf");
    CreateTableFile(path, 0x03, {{"NAME", 'C', 8}, {"DAY", 'D', 8}, {"OK", 'L', 1}});
    TDBF dbf;
    dbf.SetFileName(path);
    dbf.Open();
    TFormFieldDelete del(dbf);
    del.show();
    del.activateWindow();
    Settle(300);
    Xdo("windowfocus --sync " + WindowOf(del));
    const std::vector<QRect> items =
        FlatList::ItemRects(del.clbFields->rect(), del.clbFields->ItemHeight(), del.clbFields->VisibleCount(),
                            del.clbFields->ScrollBars());
    ASSERT_GE(items.size(), 2u);
    auto click = [&](QPoint at) {
        const QPoint g = del.clbFields->mapToGlobal(at);
        Xdo("mousemove --sync " + std::to_string(g.x()) + " " + std::to_string(g.y()) + " click 1");
    };
    click(QPoint(items[0].center().x() + 30, items[0].center().y()));  // on the text
    click(TFlatCheckListBox::CheckBoxRect(items[1]).center());         // on the box
    EXPECT_TRUE(del.clbFields->Checked(0));
    EXPECT_TRUE(del.clbFields->Checked(1));
    EXPECT_FALSE(del.clbFields->Checked(2));
}

TEST(FieldKeysUnderX, RunUnderXvfb) {
    if (std::getenv("VX_XDO_CHILD")) GTEST_SKIP();
    if (!Have("xvfb-run") || !Have("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is not installed";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    vxtest::TempDir dir;
    const std::string log = dir.Path("child.log");
    const std::string cmd = "VX_XDO_CHILD=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1024x768x24' '" + self +
                            "' --gtest_filter=FieldKeysUnderX.RealKeysAndClicks > '" + log + "' 2>&1";
    const int rc = std::system(cmd.c_str());
    const std::string output = vxtest::ReadAll(log);
    EXPECT_EQ(rc, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}
