// The main window: its commands and panes, the folder pane, recent files and the welcome page,
// dropped files and the command line, the View toggles, the quick settings, the keyboard focus,
// and closing.
#include "window_fixture.h"

#include <QCheckBox>
#include <QDialog>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "app/formmain_folders.h"
#include "app/formoptions.h"
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
    QStringList WelcomeItems() {
        QStringList out;
        for (int i = 0; i < Form->flbWelcomePageRecentFiles->Count(); ++i)
            out << Form->flbWelcomePageRecentFiles->Items().at(i);
        return out;
    }
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

TEST_F(FormMainTest, KeysHiddenItemsAndTheNoTableState) {
    // Keys that differ only by a modifier run different commands.
    const std::pair<const char*, const char*> keys[] = {
        {"M6_DELETE", "Del"},   {"M6_DELETEREC", "Shift+Del"}, {"M6_DELETEBYDELFLAG", "Ctrl+Del"},
        {"M6_FILTER", "F2"},    {"M6_DOFILTER", "Ctrl+F2"},    {"M1_NEWFROMFILE", "Ctrl+Alt+N"},
    };
    for (auto [name, key] : keys)
        EXPECT_EQ(Form->findChild<QAction*>(QLatin1String(name))->shortcut(), QKeySequence(QString::fromUtf8(key)))
            << name;
    for (const char* name : {"M1_IMPORT", "M6_APPENDF", "M6_FIELDMODIFY", "M2_CONTROLS", "M2_OEMANSI", "M4_STAT",
                             "M4_CUSTTB", "P1_N12"})
        EXPECT_FALSE(Form->findChild<QAction*>(QLatin1String(name))->isVisible()) << name;
    EXPECT_FALSE(Form->M1_IMPORT->isEnabled());
    EXPECT_FALSE(Form->M4_STAT->isEnabled());
    // Each pop-up item runs its main-menu twin.
    Option->AlwayShowClose = false;
    Form->Open(Table("t.dbf", 3));
    Form->P1_N10->trigger();
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));

    // Without a table only the commands that need none are there.
    for (QAction* a : {Form->M1_CLOSE, Form->M1_SAVEAS, Form->M1_EXPORT, Form->M2_REFRESH, Form->M3_COPY,
                       Form->M3_FIND, Form->M4_AdSort, Form->M6_EDIT, Form->M6_ZAP, Form->TB_CLOSE, Form->TB_QUICKFIND,
                       Form->P1_N1, Form->P1_N10, Form->M1_STOPWORK, Form->TB_STOPWORK, Form->TB_NEXTREC,
                       Form->TB_PRIORREC})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(Form->M1_OPEN->isEnabled());
    EXPECT_TRUE(Form->M4_OPTIONS->isEnabled());
    EXPECT_EQ(TFormMain::StartSize(QSize(1280, 800)), QSize(920, 580));
    EXPECT_EQ(TFormMain::StartSize(QSize(800, 600)), QSize(800, 600));
    EXPECT_TRUE(Form->acceptDrops());
    // Switching tabs shows one information list at a time.
    Form->MainTabSet->setCurrentIndex(1);
    EXPECT_TRUE(Form->MainFileInfoListView->isHidden());
    EXPECT_FALSE(Form->MainFieldInfoListView->isHidden());
}

TEST_F(FormMainTest, ControlsHaveTheirFontsAndColours) {
    TFontComboBox* face = Form->TB_QUICKSETTINGFONTFACE;
    EXPECT_EQ(face->width(), 145);
    EXPECT_EQ(face->font().pixelSize(), 11);
    EXPECT_EQ(face->font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(face->toolTip(), QStringLiteral("Set View Window's Font Face"));
    EXPECT_EQ(Form->EditCurRecNo->font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(Form->EditCurRecNo->palette().color(QPalette::Text), QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(Form->EditCurRecNo->Alignment(), taRightJustify);
    TFlatListBox* welcome = Form->flbWelcomePageRecentFiles;
    EXPECT_EQ(welcome->ColorArrow(), clRed);
    EXPECT_EQ(welcome->ColorBorder(), clWindow);
    EXPECT_EQ(welcome->ColorItemsRect(), clWindow);
}

TEST_F(FormMainTest, EveryStatusTextIsWholeAtTheSmallestSize) {
    Form->show();
    Form->resize(Form->minimumSize());
    EXPECT_EQ(Form->width(), TFormMain::MinWidth);
    const QString texts[TFormMain::StatusPanelCount] = {
        "Field Count:145", "Record Count:34", "Current Record Number:34[34]", "ANSI",
        "FileType:Visual FoxPro with memo", "2026-12-06 20:17:59"};
    for (int i = 0; i < TFormMain::StatusPanelCount; ++i) Form->SetStatusText(i, texts[i]);
    Drain();
    for (QLabel* panel : Form->MainStatusBar->findChildren<QLabel*>()) {
        SCOPED_TRACE(panel->text().toStdString());
        EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(panel->text()));
        EXPECT_LE(panel->geometry().right(), Form->MainStatusBar->width());
    }
}

// ---- Focus ----

TEST_F(FormMainTest, FocusStartsInTheListAndReturnsThereNeverInTheFontBox) {
    EXPECT_EQ(Form->TB_QUICKSETTINGFONTFACE->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(Form->TB_QUICKSETTINGFONTCOLOR->focusPolicy(), Qt::ClickFocus);
    Form->show();
    QApplication::setActiveWindow(Form.get());
    Drain();
    // With the welcome page up, its list of tables; once a table is open, the record list.
    EXPECT_EQ(Form->focusWidget(), Form->flbWelcomePageRecentFiles)
        << (Form->focusWidget() ? Form->focusWidget()->objectName().toStdString() : "none");
    OpenLoaded(Table("t.dbf", 5));
    EXPECT_EQ(Form->focusWidget(), Form->MainListView);
    // After the options dialog, whatever it changed.
    Form->TB_QUICKSERACHKEY->setFocus();
    OnOptionsApplied();
    EXPECT_EQ(Form->focusWidget(), Form->MainListView);
}

TEST_F(FormMainTest, TheClosedFontBoxChangesTheListOnlyWhenAFaceIsChosen) {
    TFontComboBox* box = Form->TB_QUICKSETTINGFONTFACE;
    ASSERT_GE(box->count(), 2);
    const QString before = Form->MainListView->font().family();
    box->setCurrentIndex(0);
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_End}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &press);
        box->hidePopup();
    }
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(box, &wheel);
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(Form->MainListView->font().family(), before);
    // Choosing one (a click or Enter in the open list) applies it.
    const QString face = box->itemText(1);
    emit box->textActivated(face);
    EXPECT_EQ(Option->LvFontFace, face);
    EXPECT_EQ(Form->MainListView->font().family(), face);
}

// ---- Folder pane ----

TEST(FolderPane, ListsFoldersAndTableFilesOnly) {
    const std::pair<const char*, bool> folders[] = {
        {"data", true}, {"old.dbf", true}, {"archive.zip", false}, {"ARCHIVE.ZIP", false}};
    for (auto [name, listed] : folders) EXPECT_EQ(vx::FolderPaneAccepts(name, true), listed) << name;
    const std::pair<const char*, bool> files[] = {{"t.dbf", true},      {"T.DBF", true},   {"m.FPT", true},
                                                  {"m.DBT", true},      {"t.dbf.bak", false}, {"readme", false},
                                                  {"a.zip", false}};
    for (auto [name, listed] : files) EXPECT_EQ(vx::FolderPaneAccepts(name, false), listed) << name;
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

TEST_F(FormMainTest, RecentFilesFillTheThreeViews) {
    QString a = File("a.dbf"), b = File("b b.dbf"), amp = File("R&D.dbf");
    vxtest::WriteAll(vx::RecentFilesPath(), (a + "\n" + b + "\n" + amp + "\n").toStdString());
    Start();
    QList<QAction*> items = Form->M1_REOPEN->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Clear Recent Files"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("&A ") + a);
    EXPECT_EQ(items[4]->text(), QStringLiteral("&C ") + QString(amp).replace("&", "&&"));
    EXPECT_EQ(MenuPaths(Form->M1_REOPEN), QStringList({a, b, amp}));
    EXPECT_EQ(MenuPaths(Form->MainRecentFiles), QStringList({a, b, amp}));
    EXPECT_EQ(WelcomeItems(), QStringList({a, b, amp}));
    EXPECT_FALSE(Form->MainWelcomePage->isHidden());

    // Opening the last one moves it to the top of every view; the file follows at shutdown.
    ScriptedMsgBox script;
    Form->MainRecentFiles->actions()[2]->trigger();
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_EQ(Form->FileName, amp);
    EXPECT_EQ(MenuPaths(Form->M1_REOPEN), QStringList({amp, a, b}));
    EXPECT_EQ(WelcomeItems(), QStringList({amp, a, b}));
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
    ASSERT_TRUE(Form->close());
    EXPECT_EQ(QString::fromStdString(vxtest::ReadAll(vx::RecentFilesPath())), amp + "\n" + a + "\n" + b + "\n");
}

TEST_F(FormMainTest, MissingRecentFilesAreReportedAndForgottenAndClearingAsksFirst) {
    QString a = File("a.dbf");
    QString gone = Q(Dir.Path("gone.dbf")), gone2 = Q(Dir.Path("gone2.dbf"));
    vxtest::WriteAll(vx::RecentFilesPath(), (gone + "\n" + a + "\n" + gone2 + "\n").toStdString());
    Start();
    ScriptedMsgBox script;
    Form->M1_REOPEN->actions()[2]->trigger();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("File[") + gone + QStringLiteral("] not Exist!"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(MenuPaths(Form->M1_REOPEN), QStringList({a, gone2}));
    EXPECT_EQ(MenuPaths(Form->MainRecentFiles), QStringList({a, gone2}));
    EXPECT_TRUE(Form->FileName.isEmpty());
    // From the welcome page the warning is worded in lower case; an index past the list does
    // nothing.
    Form->flbWelcomePageRecentFilesClick(1);
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("File[") + gone2 + QStringLiteral("] not exist!"));
    EXPECT_EQ(WelcomeItems(), QStringList({a}));
    Form->flbWelcomePageRecentFilesClick(5);
    EXPECT_EQ(script.Asked.size(), 2u);

    // Clear Recent Files: No keeps the list, Yes empties every view.
    script.Answer(mrNo);
    Form->M1_REOPEN->actions()[0]->trigger();
    EXPECT_EQ(script.Asked.back().Text, QStringLiteral("Clear recent files list?"));
    EXPECT_EQ(script.Asked.back().Buttons, mbbYesNo);
    EXPECT_EQ(Form->RecentList.Count(), 1);
    script.Answer(mrYes);
    Form->M1_REOPEN->actions()[0]->trigger();
    ASSERT_EQ(Form->M1_REOPEN->actions().size(), 2);
    EXPECT_TRUE(Form->M1_REOPEN->actions()[1]->isSeparator());
    EXPECT_TRUE(Form->MainRecentFiles->actions().isEmpty());
    EXPECT_EQ(Form->flbWelcomePageRecentFiles->Count(), 0);
    EXPECT_EQ(Form->RecentList.Count(), 0);
}

TEST_F(FormMainTest, WelcomePageFollowsItsSetting) {
    EXPECT_FALSE(Form->MainWelcomePage->isHidden());
    Form->cbAlwayShowWelcomePage->setChecked(true);
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
    ASSERT_TRUE(Form->close());
    EXPECT_FALSE(Stored()->WelcomePage);
    Start();
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
}

// ---- Dropped files and the command line ----

TEST_F(FormMainTest, ADropOpensTheFirstFileWhenItIsATable) {
    QString spaced = File("my \"odd\" table #1.DBF");
    QString other = File("other.dbf");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(spaced), QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    ScriptedMsgBox script;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &drop);
    EXPECT_TRUE(WaitUntil([this] { return !Form->FileName.isEmpty(); }));
    EXPECT_EQ(Form->FileName, spaced);
    EXPECT_EQ(Form->RecentList.Count(), 1);

    Form->DropFiles({QUrl::fromLocalFile(File("notes.txt")), QUrl::fromLocalFile(other)});
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Not DBF Files!"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(Form->FileName, spaced);
}

TEST_F(FormMainTest, TheCommandLineTableOpensOnceTheWindowShows) {
    QString path = File(std::string(120, 'n') + " with blanks.dbf");
    std::string arg = path.toStdString();
    const char* argv[] = {"vellibrox", arg.c_str(), nullptr};
    Form->OpenCommandLine(2, argv);
    EXPECT_TRUE(Form->FileName.isEmpty());
    Form->show();
    ASSERT_TRUE(WaitUntil([this] { return !Form->FileName.isEmpty(); }));
    EXPECT_EQ(Form->FileName, path);
    EXPECT_EQ(Form->RecentList.At(0), path);

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
    EXPECT_TRUE(Form->M2_CONTROLS_TB->isChecked());
    EXPECT_FALSE(Form->M2_CONTROLS_FI->isChecked());
    EXPECT_TRUE(Form->MainRightBottomPanel->isHidden());
    Form->M2_CONTROLS_TB->trigger();
    EXPECT_TRUE(Form->MainControlBar->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_TB->isChecked());
    EXPECT_FALSE(Option->ViewControlToolbar);
    Form->M2_CONTROLS_FI->trigger();
    EXPECT_FALSE(Form->MainRightBottomPanel->isHidden());
    Form->M2_CONTROLS_SB->trigger();
    Form->M2_CONTROLS_SB->trigger();
    EXPECT_FALSE(Form->MainStatusBar->isHidden());
    // The folder pane's own close button hides it; the setting follows at shutdown.
    Form->P2_N2->trigger();
    EXPECT_TRUE(Form->MainLeftPanel->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_EB->isChecked());
    Form->M2_MEMO->trigger();
    EXPECT_TRUE(Form->M2_MEMO->isChecked());

    ASSERT_TRUE(Form->close());
    auto stored = Stored();
    EXPECT_FALSE(stored->ViewControlToolbar);
    EXPECT_TRUE(stored->ViewControlStatusBar);
    EXPECT_FALSE(stored->ViewControlExplorerBar);
    EXPECT_TRUE(stored->ViewControlFileInfos);
    EXPECT_TRUE(stored->ViewMemo);
    Start();
    EXPECT_TRUE(Form->MainControlBar->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_TB->isChecked());
    EXPECT_TRUE(Form->MainLeftPanel->isHidden());
    EXPECT_FALSE(Form->MainRightBottomPanel->isHidden());
    EXPECT_TRUE(Form->M2_CONTROLS_FI->isChecked());
    EXPECT_TRUE(Form->M2_MEMO->isChecked());
}

TEST_F(FormMainTest, QuickFontSizeChecksOneItemAndIsKept) {
    EXPECT_EQ(CheckedSizes(), QStringList({"9"}));
    Form->findChild<QAction*>(QStringLiteral("PMQuickSettingFontSizeN_14"))->trigger();
    EXPECT_EQ(CheckedSizes(), QStringList({"14"}));
    EXPECT_EQ(Option->LvFontSize, 14);
    EXPECT_EQ(Form->MainListView->font().pointSize(), 14);
    Option->LvFontSize = 13;  // no item for this size
    Form->UpdateInterface();
    EXPECT_TRUE(CheckedSizes().isEmpty());
}

TEST_F(FormMainTest, TheFirstClockTickAloneShowsTheTipOfTheDay) {
    Option->AlwayShowTipOfTheDay = true;
    QStringList shown;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()); d && d->isVisible()) {
            shown << QString::fromLatin1(d->metaObject()->className());
            d->hide();
            d->reject();
        }
    });
    closer.start();
    Form->MainTimerTimer();
    Form->MainTimerTimer();
    EXPECT_EQ(shown, QStringList({"TFormTipOfTheDay"}));
    EXPECT_EQ(Form->MainTimer->interval(), 1000);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(Form->StatusText(5))
                    .hasMatch())
        << Form->StatusText(5).toStdString();
}

// ---- Closing ----

TEST_F(FormMainTest, QuitAsksUntilDontRemindMeAgainIsChecked) {
    Option->AlwayShowQuit = true;
    {
        ScriptedMsgBox script;
        script.Answer(mrNo);
        EXPECT_FALSE(Form->close());
        ASSERT_EQ(script.Asked.size(), 1u);
        EXPECT_EQ(script.Asked[0].Caption, QStringLiteral("Q"));
        EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Quit?"));
        EXPECT_TRUE(script.Asked[0].ShowCheckBox);
        EXPECT_TRUE(script.Asked[0].Animate);
        EXPECT_FALSE(std::filesystem::exists(vx::OptionsIniPath()));
        script.Answer(mrYes, false);  // without the box: asked again next time
        EXPECT_TRUE(Form->close());
    }
    EXPECT_TRUE(Stored()->AlwayShowQuit);
    Start();
    Option->AlwayShowQuit = true;
    {
        ScriptedMsgBox script;
        script.Answer(mrYes, true);
        EXPECT_TRUE(Form->close());
    }
    EXPECT_FALSE(Stored()->AlwayShowQuit);
    Start();
    Option->AlwayShowQuit = Stored()->AlwayShowQuit;  // as the next run reads it
    ScriptedMsgBox script;
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(script.Asked.empty());
}

TEST_F(FormMainTest, ClosingWhileWorkingOnlyAsksToStop) {
    Form->Working = true;
    ScriptedMsgBox script;
    script.Answer(mrNo);
    EXPECT_FALSE(Form->close());
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Some work is doing,stop it?"));
    EXPECT_EQ(script.Asked[0].Buttons, mbbYesNo);
    EXPECT_FALSE(std::filesystem::exists(vx::OptionsIniPath()));
    Form->Working = false;
}

// ---- What no command catches ----

TEST(ApplicationHandler, ShowsEscapedErrorsInsteadOfPassingThem) {
    wintest::App();
    ScriptedMsgBox script;
    EXPECT_TRUE(RunGuarded([] { return true; }));
    EXPECT_FALSE(RunGuarded([]() -> bool { throw std::runtime_error("t.dbf is not a table"); }));
    EXPECT_FALSE(RunGuarded([]() -> bool { throw 42; }));
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("t.dbf is not a table"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Unknown error."));

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
