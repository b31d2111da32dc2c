// The main window: its commands and panes, the folder pane, recent files and the welcome page, dropped files and the
// command line, the View toggles, the quick settings, the keyboard focus, and closing.
#include "window_fixture.h"

#include <QDialog>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QMimeData>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTreeView>

#include "mainwindow/formmain_folders.h"
#include "mainwindow/formoptions.h"
#include "controls/flatlistbox.h"
#include "controls/rxcombos.h"

using wintest::Drain;
using wintest::WaitUntil;

namespace {

class FormMainTest : public wintest::WindowTest {
protected:
    QStringList MenuPaths(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->data().isValid()) out << a->data().toString();
        return out;
    }
    QStringList WelcomeItems() { return Form->flbWelcomePageRecentFiles->Items(); }
    QStringList CheckedSizes() {
        QStringList out;
        for (QAction* a : Form->PMQuickSettingFontSize->actions())
            if (a->isChecked()) out << a->text();
        return out;
    }
};

// An object whose events fail the way an uncaught engine error would.
class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("/data/t.dbf is locked");
        return QObject::event(e);
    }
};

}  // namespace

// ---- Commands and panes ----

TEST_F(FormMainTest, KeysPopUpTwinsAndTheNoTableState) {
    // Keys that differ only by a modifier run different commands.
    for (auto [name, key] :
         {std::pair{"M6_DELETE", "Del"}, {"M6_DELETEREC", "Shift+Del"}, {"M6_DELETEBYDELFLAG", "Ctrl+Del"}})
        EXPECT_EQ(Form->findChild<QAction*>(QLatin1String(name))->shortcut(), QKeySequence(QString::fromUtf8(key))) << name;
    // Each pop-up item runs its main-menu twin.
    Option->AlwayShowClose = false;
    Form->Open(Table("t.dbf", 3));
    Form->P1_N10->trigger();
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));
    // Without a table only the commands that need none are there.
    for (QAction* a : {Form->M1_CLOSE, Form->M1_SAVEAS, Form->M1_EXPORT, Form->M2_REFRESH, Form->M3_COPY,
                       Form->M3_FIND, Form->M4_AdSort, Form->M6_EDIT, Form->M6_ZAP, Form->TB_CLOSE, Form->TB_QUICKFIND,
                       Form->P1_N1, Form->P1_N10, Form->M1_STOPWORK, Form->TB_NEXTREC, Form->TB_PRIORREC})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(Form->M1_OPEN->isEnabled());
    EXPECT_EQ(TFormMain::StartSize(QSize(800, 600)), QSize(800, 600));  // never beyond the screen
    Form->MainTabSet->setCurrentIndex(1);  // one information list at a time
    EXPECT_TRUE(Form->MainFileInfoListView->isHidden());
    EXPECT_FALSE(Form->MainFieldInfoListView->isHidden());
}

TEST_F(FormMainTest, EveryStatusTextIsWholeAtTheSmallestSize) {
    Form->show();
    Form->resize(Form->minimumSize());
    EXPECT_EQ(Form->width(), TFormMain::MinWidth);
    // Usual texts keep one row; the longest ones (file type, ten-digit record numbers) take two.
    const QString usual[] = {"Field Count:145", "Record Count:34", "Current Record Number:34[34]", "ANSI",
                             "FileType:Visual FoxPro with memo", "2026-12-06 20:17:59"};
    const QString longest[] = {"Field Count:255", "Record Count:4294967295",
                               "Current Record Number:4294967295[4294967295]", "ANSI",
                               "FileType:Visual FoxPro, autoincrement enabled", "2026-12-06 20:17:59"};
    for (auto [texts, rows] : {std::pair{usual, 1}, {longest, 2}, {usual, 1}}) {
        for (int i = 0; i < TFormMain::StatusPanelCount; ++i) Form->SetStatusText(i, texts[i]);
        Drain();
        ASSERT_EQ(Form->size(), Form->minimumSize());
        std::set<int> tops;
        QRect before;
        for (QLabel* panel : Form->MainStatusBar->findChildren<QLabel*>()) {
            SCOPED_TRACE(panel->text().toStdString());
            const QRect r(panel->mapTo(Form.get(), QPoint()), panel->size());
            EXPECT_GE(panel->contentsRect().width() - panel->indent(), panel->fontMetrics().horizontalAdvance(panel->text()));
            EXPECT_TRUE(Form->rect().contains(r));
            EXPECT_FALSE(r.intersects(before));
            tops.insert(r.top());
            before = r;
        }
        EXPECT_EQ(tops.size(), size_t(rows));
    }
}

// ---- Focus ----

TEST_F(FormMainTest, FocusStartsInTheListAndReturnsThereNeverInTheFontBox) {
    EXPECT_EQ(Form->TB_QUICKSETTINGFONTFACE->focusPolicy() | Form->TB_QUICKSETTINGFONTCOLOR->focusPolicy(), Qt::ClickFocus);
    Form->show();
    QApplication::setActiveWindow(Form.get());
    Drain();
    // With the welcome page up, its list of tables; once a table is open, the record list.
    EXPECT_EQ(Form->focusWidget(), Form->flbWelcomePageRecentFiles);
    OpenLoaded(Table("t.dbf", 5));
    EXPECT_EQ(Form->focusWidget(), Form->MainListView);
    // After the options dialog, whatever it changed.
    Form->TB_QUICKSERACHKEY->setFocus();
    OnOptionsApplied();
    EXPECT_EQ(Form->focusWidget(), Form->MainListView);
}

// ---- Folder pane ----

TEST(FolderPane, ListsFoldersAndTableFilesOnly) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"data", true, true},     {"old.dbf", true, true}, {"archive.zip", true, false}, {"ARCHIVE.ZIP", true, false},
        {"T.DBF", false, true},   {"m.FPT", false, true},  {"m.DBT", false, true},       {"t.dbf.bak", false, false},
        {"readme", false, false}, {"a.zip", false, false}};
    for (auto [name, folder, listed] : cases) EXPECT_EQ(vx::FolderPaneAccepts(name, folder), listed) << name;
}

TEST(FolderPane, ModelShowsTheFilteredFileSystem) {
    wintest::App();
    vxtest::TempDir dir;
    for (const char* d : {"sub", "pack.zip", ".hidden"}) std::filesystem::create_directory(dir.Root() / d);
    for (const char* f : {"a.dbf", "B.DBT", "c.fpt", "notes.txt", "d.zip"}) vxtest::WriteAll(dir.Path(f), "x");
    vx::TFolderPaneModel model;
    QString root = QString::fromStdString(dir.Root().string());
    model.Source()->setRootPath(root);
    ASSERT_TRUE(model.Index(root).isValid());
    auto names = [&] {
        QModelIndex parent = model.Index(root);
        QStringList out;
        for (int r = 0; r < model.rowCount(parent); ++r) out << model.index(r, 0, parent).data().toString();
        return out;
    };
    const QStringList expected({".hidden", "sub", "a.dbf", "B.DBT", "c.fpt"});
    ASSERT_TRUE(WaitUntil([&] { return names() == expected; }, 5000)) << names().join(' ').toStdString();
    EXPECT_EQ(model.FilePath(model.index(2, 0, model.Index(root))), root + QStringLiteral("/a.dbf"));
}

// ---- Recent files and the welcome page ----

TEST_F(FormMainTest, RecentFilesFillTheViewsAndMissingOnesAreForgotten) {
    QString a = File("a.dbf"), amp = File("R&D.dbf"), gone = Q(Dir.Path("gone.dbf")), gone2 = Q(Dir.Path("gone2.dbf"));
    vxtest::WriteAll(vx::RecentFilesPath(), (gone + "\n" + a + "\n" + gone2 + "\n" + amp + "\n").toStdString());
    Start();
    ASSERT_EQ(Form->M1_REOPEN->actions().size(), 6);  // Clear, a separator and the files
    EXPECT_EQ(Form->M1_REOPEN->actions()[5]->text(), QStringLiteral("&D ") + QString(amp).replace("&", "&&"));
    for (QMenu* m : {Form->M1_REOPEN, Form->MainRecentFiles}) EXPECT_EQ(MenuPaths(m), QStringList({gone, a, gone2, amp}));
    EXPECT_EQ(WelcomeItems(), QStringList({gone, a, gone2, amp}));
    ScriptedMsgBox script;
    // A missing one is reported and forgotten by every view, from the menu and the welcome page.
    Form->M1_REOPEN->actions()[2]->trigger();
    Form->flbWelcomePageRecentFilesClick(1);
    Form->flbWelcomePageRecentFilesClick(5);  // past the list: nothing
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("File[") + gone + QStringLiteral("] not Exist!"));
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("File[") + gone2 + QStringLiteral("] not exist!"));
    EXPECT_TRUE(Form->FileName.isEmpty());
    // Opening the last one moves it to the top of every view; the file follows at shutdown.
    Form->MainRecentFiles->actions()[1]->trigger();
    EXPECT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(Form->FileName, amp);
    for (QMenu* m : {Form->M1_REOPEN, Form->MainRecentFiles}) EXPECT_EQ(MenuPaths(m), QStringList({amp, a}));
    EXPECT_EQ(WelcomeItems(), QStringList({amp, a}));
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
    // Clear Recent Files: No keeps the list, Yes empties every view.
    script.Answer(mrNo);
    Form->M1_REOPEN->actions()[0]->trigger();
    EXPECT_EQ(Form->RecentList.Count(), 2);
    script.Answer(mrYes);
    Form->M1_REOPEN->actions()[0]->trigger();
    EXPECT_EQ(script.Asked.back().Text, QStringLiteral("Clear recent files list?"));
    EXPECT_EQ(Form->M1_REOPEN->actions().size(), 2);
    EXPECT_TRUE(Form->MainRecentFiles->actions().isEmpty());
    EXPECT_EQ(Form->flbWelcomePageRecentFiles->Count(), 0);
    Form->RecentList.Add(a);
    ASSERT_TRUE(Form->close());
    EXPECT_EQ(QString::fromStdString(vxtest::ReadAll(vx::RecentFilesPath())), a + "\n");
}

// ---- Dropped files and the command line ----

TEST_F(FormMainTest, ADropOpensTheFirstFileWhenItIsATable) {
    QString spaced = File("my \"odd\" table #1.DBF");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(spaced), QUrl::fromLocalFile(File("other.dbf"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    ScriptedMsgBox script;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &drop);
    EXPECT_TRUE(WaitUntil([this] { return !Form->FileName.isEmpty(); }));
    EXPECT_EQ(Form->FileName, spaced);
    Form->DropFiles({QUrl::fromLocalFile(File("notes.txt")), QUrl::fromLocalFile(File("other.dbf"))});
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Not DBF Files!"));
    EXPECT_EQ(Form->FileName, spaced);
}

TEST_F(FormMainTest, TheCommandLineTableOpensOnceTheWindowShows) {
    const std::string path = File(std::string(120, 'n') + " with blanks.dbf").toStdString();
    const char* argv[] = {"vellibrox", path.c_str(), nullptr};
    Form->OpenCommandLine(2, argv);
    EXPECT_TRUE(Form->FileName.isEmpty());
    Form->show();
    ASSERT_TRUE(WaitUntil([this] { return !Form->FileName.isEmpty(); }));
    EXPECT_EQ(Form->RecentList.At(0), Q(path));

    // A file that is not there is reported over the window, which is already on the screen.
    Start();
    bool shownWhenAsked = false;
    SetMsgBoxHandler([&](const TMsgBoxRequest&) {
        shownWhenAsked = Form->isVisible();
        return TMsgBoxResult{mrOk, false};
    });
    const char* missing[] = {"vellibrox", "/no/such/folder/t.dbf", nullptr};
    Form->OpenCommandLine(2, missing);
    Form->show();
    ASSERT_TRUE(WaitUntil([&] { return shownWhenAsked; }, 5000));
    SetMsgBoxHandler(nullptr);
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));
}

// ---- View toggles and quick settings ----

TEST_F(FormMainTest, ViewTogglesAreStoredAndRestored) {
    auto shown = [this] {
        std::string s;
        for (QWidget* w : std::initializer_list<QWidget*>{Form->MainControlBar, Form->MainStatusBar, Form->MainLeftPanel,
                                                          Form->MainRightBottomPanel, Form->MainWelcomePage})
            s += w->isHidden() ? '0' : '1';
        for (QAction* a : {Form->M2_CONTROLS_TB, Form->M2_CONTROLS_EB, Form->M2_CONTROLS_FI, Form->M2_MEMO})
            s += a->isChecked() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(shown(), "111011100");
    Form->M2_CONTROLS_TB->trigger();
    Form->M2_CONTROLS_FI->trigger();
    Form->M2_CONTROLS_SB->trigger();
    Form->M2_CONTROLS_SB->trigger();
    Form->P2_N2->trigger();  // the folder pane's own close button
    Form->M2_MEMO->trigger();
    Form->cbAlwayShowWelcomePage->setChecked(true);
    EXPECT_EQ(shown(), "010100011");
    ASSERT_TRUE(Form->close());
    auto stored = Stored();
    EXPECT_EQ(std::vector<bool>({stored->ViewControlToolbar, stored->ViewControlStatusBar, stored->ViewControlExplorerBar,
                                 stored->ViewControlFileInfos, stored->ViewMemo, stored->WelcomePage}),
              std::vector<bool>({false, true, false, true, true, false}));
    Start();
    EXPECT_EQ(shown(), "010100011");
}

TEST_F(FormMainTest, QuickFontSizeChecksOneItemAndIsKept) {
    EXPECT_EQ(CheckedSizes(), QStringList({"9"}));
    Form->findChild<QAction*>(QStringLiteral("PMQuickSettingFontSizeN_14"))->trigger();
    EXPECT_EQ(CheckedSizes(), QStringList({"14"}));
    EXPECT_EQ(Form->MainListView->font().pointSize(), 14);
    Option->LvFontSize = 13;  // no item for this size
    Form->UpdateInterface();
    EXPECT_TRUE(CheckedSizes().isEmpty());
}

TEST_F(FormMainTest, TheStartupTipShowsOnceAndNeverOverTheStartupMessage) {
    // A command-line table that is not there: its message first, the tip once it is answered,
    // however often the clock ticks meanwhile.
    Option->AlwayShowTipOfTheDay = true;
    QStringList shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        const QString name = QString::fromLatin1(d->metaObject()->className());
        if (!shown.contains(name)) {
            // With the windows open beside it; then the clock ticks while it is up.
            int open = 0;
            for (QWidget* w : QApplication::topLevelWidgets()) open += qobject_cast<QDialog*>(w) && w->isVisible();
            shown << name << QString::number(open);
            QTimer::singleShot(0, Form.get(), [this] { Form->MainTimerTimer(); });
            return;
        }
        d->hide();
        d->reject();
    });
    closer.start(10);
    const char* missing[] = {"vellibrox", "/no/such/folder/t.dbf", nullptr};
    Form->OpenCommandLine(2, missing);
    Form->show();
    EXPECT_TRUE(WaitUntil([&] { return shown.size() == 4 && !QApplication::activeModalWidget(); }, 10000));
    Form->MainTimerTimer();
    Drain();
    EXPECT_EQ(shown, QStringList({"TFormConfirmWithCheckBox", "1", "TFormTipOfTheDay", "1"}));
    const QRegularExpression clock(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    EXPECT_TRUE(clock.match(Form->StatusText(5)).hasMatch()) << Form->StatusText(5).toStdString();
}

TEST_F(FormMainTest, HelpAndWebPagesThatNoProgramOpensAreNamed) {
    // No xdg-open at all, one that finds no program, and one that opens the page.
    vxtest::TempDir bin;
    const std::string path = std::getenv("PATH"), opened = bin.Path("opened");
    const QString help = Q(vx::HelpFilePath()), web = QString::fromLatin1(TFormMain::HomePageUrl);
    for (const char* end : {"", "exit 3", "exit 0"}) {
        if (*end) {
            vxtest::WriteAll(bin.Path("xdg-open"), "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n" + end + "\n");
            std::filesystem::permissions(bin.Path("xdg-open"), std::filesystem::perms::owner_all);
        }
        ::setenv("PATH", bin.Root().c_str(), 1);
        ScriptedMsgBox script;
        for (QAction* a : {Form->M5_HELP, Form->M5_HOME, Form->M5_CONTRACT}) a->trigger();
        EXPECT_TRUE(WaitUntil([this] {
            for (QTimer* t : Form->findChildren<QTimer*>(QStringLiteral("ShellOpenWatch")))
                if (t->isActive()) return false;
            return true;
        }));
        ::setenv("PATH", path.c_str(), 1);
        QStringList told;  // in the order the handlers give up
        for (const TMsgBoxRequest& r : script.Asked) told << r.Text.section('\n', 1);
        told.sort();
        EXPECT_EQ(told, std::string(end) == "exit 0" ? QStringList() : QStringList({help, web, web})) << end;
    }
    QStringList asked = QString::fromStdString(vxtest::ReadAll(opened)).split('\n', Qt::SkipEmptyParts);
    asked.sort();
    EXPECT_EQ(asked, QStringList({help, help, web, web, web, web}));
}

// ---- Closing ----

TEST_F(FormMainTest, QuitAsksUntilDontRemindMeAgainIsChecked) {
    // No, then Yes without the box (asked again next run), then Yes with it (never asked again).
    for (auto [checked, storedAfter] : {std::pair{false, true}, {true, false}}) {
        Start();
        Option->AlwayShowQuit = true;
        ScriptedMsgBox script;
        script.Answer(mrNo);
        script.Answer(mrYes, checked);
        EXPECT_FALSE(Form->close());
        EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Quit?"));
        EXPECT_TRUE(script.Asked[0].ShowCheckBox);
        EXPECT_FALSE(std::filesystem::exists(vx::OptionsIniPath()) && !checked);  // nothing stored on No
        EXPECT_TRUE(Form->close());
        EXPECT_EQ(Stored()->AlwayShowQuit, storedAfter);
    }
    Start();
    Option->AlwayShowQuit = Stored()->AlwayShowQuit;  // as the next run reads it
    ScriptedMsgBox script;
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(script.Asked.empty());
}

// ---- What no command catches ----

TEST(ApplicationHandler, ShowsEscapedErrorsInsteadOfPassingThem) {
    wintest::App();
    ScriptedMsgBox script;
    EXPECT_TRUE(RunGuarded([] { return true; }));
    EXPECT_FALSE(RunGuarded([]() -> bool { throw std::runtime_error("t.dbf is not a table"); }));
    EXPECT_FALSE(RunGuarded([]() -> bool { throw 42; }));
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text + "|" + script.Asked[1].Text, QStringLiteral("t.dbf is not a table|Unknown error."));

    auto* app = qobject_cast<TApplication*>(wintest::App());
    if (!app) GTEST_SKIP() << "another test of this run made the application object";
    TThrowingObject target;
    QEvent e(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &e));
    ASSERT_EQ(script.Asked.size(), 3u);
    EXPECT_EQ(script.Asked[2].Text, QStringLiteral("/data/t.dbf is locked"));
    // A posted event that throws is reported too, and the loop goes on.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    EXPECT_TRUE(WaitUntil([&] { return script.Asked.size() == 4; }));
}
