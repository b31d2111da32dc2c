// The main window: its menus and bars, the folder pane, recent files and welcome page, dropped
// files and the command line, the View toggles, and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QMimeData>
#include <QDropEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "app/formmain.h"
#include "app/formmain_app.h"
#include "app/formmain_folders.h"
#include "app/msgbox.h"
#include "app/option.h"
#include "app/programfiles.h"
#include "app/sampletable.h"
#include "controls/flatlistbox.h"
#include "testutil.h"

namespace {

QApplication* App() {
    if (!qApp) {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        new TApplication(argc, argv);
    }
    return static_cast<QApplication*>(QCoreApplication::instance());
}

// An object whose events fail the way an uncaught engine error would.
class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("/data/t.dbf is locked");
        return QObject::event(e);
    }
};

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A program folder of its own for each test, with the settings loaded from it as at start-up.
class FormMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        vx::SetProgramFilesDir(Dir.Root().string());
        Start();
    }
    void TearDown() override {
        Form.reset();
        delete Option;
        Option = nullptr;
        vx::SetProgramFilesDir(std::string());
    }
    // A fresh run: settings read from the folder, a new window.
    void Start() {
        Form.reset();
        delete Option;
        Option = new TOption();
        Option->Load();
        Option->AlwayShowTipOfTheDay = false;
        Form = std::make_unique<TFormMain>();
    }
    // The settings as the next run would read them.
    std::unique_ptr<TOption> Stored() {
        auto o = std::make_unique<TOption>();
        o->Load(vx::OptionsIniPath());
        return o;
    }
    // A table file for names ending in ".dbf" (any case), a file of `bytes` otherwise.
    QString File(const std::string& name, const std::string& bytes = "x") {
        QString path = QString::fromStdString(Dir.Path(name));
        if (path.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
            CreateTableFile(Dir.Path(name), 0x03, {{"NAME", 'C', 8}});
        else
            vxtest::WriteAll(Dir.Path(name), bytes);
        return path;
    }
    QStringList MenuPaths(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->data().isValid())
                out << a->data().toString();
        return out;
    }
    QStringList WelcomeItems() {
        QStringList out;
        for (int i = 0; i < Form->flbWelcomePageRecentFiles->Count(); ++i)
            out << Form->flbWelcomePageRecentFiles->Items().at(i);
        return out;
    }

    vxtest::TempDir Dir;
    std::unique_ptr<TFormMain> Form;
};

}  // namespace

// ---- Menus, actions and components ----

TEST_F(FormMainTest, MenuItemsCarryTheirNamesCaptionsAndKeys) {
    struct Item {
        const char* name;
        const char* caption;
        const char* key;
    };
    const Item items[] = {
        {"M1_NEW", "New(&N)...", "Ctrl+N"},
        {"M1_NEWFROMFILE", "New From File(&F)...", "Ctrl+Alt+N"},
        {"M1_OPEN", "Open(&O)...", "Ctrl+O"},
        {"M1_REOPEN", "Recent Files(&R)", ""},
        {"M1_IMPORT", "Import(&I)...", ""},
        {"M1_CLOSE", "Close(&C)", "Ctrl+Q"},
        {"M1_SAVEAS", "Save As(&A)...", "Ctrl+S"},
        {"M1_EXPORT", "Export(&E)...", ""},
        {"M1_STOPWORK", "Stop Work", ""},
        {"M3_COPY", "Copy Records(&C)", "Ctrl+C"},
        {"M3_CUT", "Cut Records(&T)", "Ctrl+X"},
        {"M3_PASTE", "Paste Records(&P)", "Ctrl+V"},
        {"M3_SELALLREC", "Select All Records", "Ctrl+A"},
        {"M3_FIND", "Find(&F)...", "Ctrl+F"},
        {"M3_FINDNEXT", "Find Next", "F3"},
        {"M3_REPLACE", "Replace(&R)...", "Ctrl+H"},
        {"M6_EDIT", "Edit Record(&E)...", "F8"},
        {"M6_APPEND", "Append Record(&A)...", "Ctrl+Alt+A"},
        {"M6_INSERT", "Insert Record(&I)...", "Ctrl+Alt+I"},
        {"M6_APPENDF", "Append Record From(&B)...", "Ctrl+Alt+B"},
        {"M6_DELETE", "Delete Record(&D)", "Del"},
        {"M6_DELETEREC", "Remove Selected Records(&R)", "Shift+Del"},
        {"M6_DELETEBYDELFLAG", "Remove Deleted Records(&G)", "Ctrl+Del"},
        {"M6_SETALLDELFLG", "Toggle All Deletion Mark(&S)  ", ""},
        {"M6_SETALLDELFLG_T", "Deleted(&T)", "Ctrl+Alt+T"},
        {"M6_SETALLDELFLG_F", "Normal(&F)", "Ctrl+Alt+F"},
        {"M6_TRUNCATE", "Truncate(&T)", ""},
        {"M6_ZAP", "Zap(&Z)", ""},
        {"M6_FILTER", "Filter(&F)", "F2"},
        {"M6_DOFILTER", "Apply Filter", "Ctrl+F2"},
        {"M6_FIELDADD", "Add Column...", ""},
        {"M6_FIELDMODIFY", "Modify Column...", ""},
        {"M6_FIELDDELETE", "Delete Column...", ""},
        {"M2_HIDEDELREC", "Hide Deleted Records(&H)", ""},
        {"M2_SHOWDELREC", "Show Only Deleted Records(S)", ""},
        {"M2_REFRESH", "Refresh(&R)", "F5"},
        {"M2_CONTROLS_TB", "ToolBar", ""},
        {"M2_CONTROLS_SB", "StatusBar", ""},
        {"M2_CONTROLS_EB", "ExplorerBar", ""},
        {"M2_CONTROLS_FI", "File Infos", ""},
        {"M2_CONTROLS", "Controls ", ""},
        {"M2_OEMANSI", "OEM-ANSI ", ""},
        {"M2_OEMANSI_OEM", "OEM", ""},
        {"M2_OEMANSI_ANSI", "ANSI", ""},
        {"M2_COLUMNS", "Show/Hide Columns...", ""},
        {"M2_MEMO", "Show Memo", "Ctrl+M"},
        {"M4_STAT", "Statistics", ""},
        {"M4_AdSort", "Advanced Sort(&A)...", ""},
        {"M4_CUSTTB", "Customize Toolbar(&B)...", ""},
        {"M4_OPTIONS", "Options(&O)...", ""},
        {"M5_HELP", "Help(&H)", "F1"},
        {"M5_TIPOFTHEDAY", "Tip Of The Day(&T)...", ""},
        {"M5_HOME", "Homepage(&M)", ""},
        {"M5_CONTRACT", "Contact Us(&C)", ""},
        {"M5_ABOUT", "About(&A)...", ""},
    };
    for (const Item& it : items) {
        SCOPED_TRACE(it.name);
        auto* a = Form->findChild<QAction*>(QLatin1String(it.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(it.caption));
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(it.key)));
    }
    // Hidden items.
    for (const char* name : {"M1_IMPORT", "M6_APPENDF", "M6_FIELDMODIFY", "M2_CONTROLS", "M2_OEMANSI", "M4_STAT",
                             "M4_CUSTTB", "P1_N12"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Form->findChild<QAction*>(QLatin1String(name))->isVisible());
    }
    EXPECT_FALSE(Form->M1_IMPORT->isEnabled());
    EXPECT_FALSE(Form->M4_STAT->isEnabled());
}

TEST_F(FormMainTest, PopupMenusToolBarsAndPanesExist) {
    for (const char* name : {"MainPopupMenu", "PopupMenuPanelLeftTop", "MainRecentFiles", "PMFileInfoToClip",
                             "PMFieldInfoToClip", "PMQuickSettingFontSize", "PopupMenuSortColumnAsc",
                             "PopupMenuSortColumnDesc"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(Form->findChild<QMenu*>(QLatin1String(name)), nullptr);
    }
    const char* popupItems[][2] = {
        {"P1_N1", "Edit Record..."},     {"P1_N6", "Append Record..."},          {"P1_N7", "Insert Record..."},
        {"P1_N2", "Delete Record"},      {"P1_N3", "Remove Selected Records"},   {"P1_N4", "Remove Deleted Records"},
        {"P1_N5", "Toggle All Deletion Mark   "}, {"P1_N5_S1", "Deleted"},       {"P1_N5_S2", "Normal"},
        {"P1_N8", "Truncate"},           {"P1_N9", "Zap"},                       {"P1_N11", "Add Column..."},
        {"P1_N12", "Modify Column..."},  {"P1_N13", "Delete Column..."},         {"P1_N10", "Close"},
        {"P2_N1", "Refresh"},            {"P2_N2", "Close"},
        {"PMFileInfoToClip_1", "Copy to Clipboard"}, {"PMFieldInfoToClip_1", "Copy to Clipboard"}};
    for (auto& it : popupItems) {
        SCOPED_TRACE(it[0]);
        auto* a = Form->findChild<QAction*>(QLatin1String(it[0]));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QLatin1String(it[1]));
    }
    QStringList sizes;
    for (QAction* a : Form->PMQuickSettingFontSize->actions())
        sizes << a->objectName();
    EXPECT_EQ(sizes.join(','), QStringLiteral("PMQuickSettingFontSizeN_8,PMQuickSettingFontSizeN_9,"
                                              "PMQuickSettingFontSizeN_10,PMQuickSettingFontSizeN_11,"
                                              "PMQuickSettingFontSizeN_12,PMQuickSettingFontSizeN_14,"
                                              "PMQuickSettingFontSizeN_16,PMQuickSettingFontSizeN_18,"
                                              "PMQuickSettingFontSizeN_20,PMQuickSettingFontSizeN_22,"
                                              "PMQuickSettingFontSizeN_24,PMQuickSettingFontSizeN_26,"
                                              "PMQuickSettingFontSizeN_28,PMQuickSettingFontSizeN_36,"
                                              "PMQuickSettingFontSizeN_48,PMQuickSettingFontSizeN_72"));
    for (const char* name : {"TB_NEW", "TB_OPEN", "TB_SAVEAS", "TB_CLOSE", "TB_COPY", "TB_CUT", "TB_PASTE",
                             "TB_FILTER", "TB_DOFILTER", "TB_FIND", "TB_QUICKSETTINGFONTSIZE", "TB_Help",
                             "TB_QUICKFIND", "TB_FIRSTREC", "TB_PRIORREC", "TB_NEXTREC", "TB_LASTREC",
                             "TB_SORTASC", "TB_SORTDESC", "TB_STOPWORK"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(Form->findChild<QAction*>(QLatin1String(name)), nullptr);
    }
    EXPECT_EQ(Form->TB_NEW->toolTip(), QStringLiteral("Create A New DBF File (Ctrl+N)"));
    EXPECT_EQ(Form->TB_OPEN->toolTip(), QStringLiteral("Open An Exist DBF File (Ctrl+O)"));
    EXPECT_EQ(Form->TB_OPEN->menu(), Form->MainRecentFiles);
    EXPECT_EQ(Form->TB_SORTASC->toolTip(), QStringLiteral("Sort Ascending"));
    EXPECT_EQ(Form->TB_SORTDESC->toolTip(), QStringLiteral("Sort Descending"));
    for (const char* name : {"MainListView", "MainShellTreeView", "MainFileInfoListView", "MainFieldInfoListView",
                             "MainTabSet", "MainStatusBar", "MainWelcomePage", "flbWelcomePageRecentFiles",
                             "EditCurRecNo", "PanelRecNum", "TB_QUICKSETTINGFONTFACE", "TB_QUICKSETTINGFONTCOLOR",
                             "TB_QUICKSERACHKEY", "TB_QUICKSERACHFROM", "MainLeftPanel", "MainRightBottomPanel"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(Form->findChild<QWidget*>(QLatin1String(name)), nullptr);
    }
    EXPECT_EQ(Form->MainTabSet->count(), 2);
    EXPECT_EQ(Form->MainTabSet->tabText(0), QStringLiteral("File Info"));
    EXPECT_EQ(Form->MainTabSet->tabText(1), QStringLiteral("Field Info"));
    EXPECT_EQ(Form->PanelRecNum->text(), QStringLiteral("OnShow/Total:"));
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("Folders"));
    EXPECT_EQ(Form->PanelLeftTopCloseButton->toolTip(), QStringLiteral("Close Folder Explorer"));
    EXPECT_EQ(Form->Info->text(), QStringLiteral("File/Field Information"));
    EXPECT_EQ(Form->LabelInfoTitleCloseButton->toolTip(), QStringLiteral("Close File Information Viewer"));
    EXPECT_EQ(Form->MainFileInfoListView->headerItem()->text(0), QStringLiteral("Name"));
    EXPECT_EQ(Form->MainFieldInfoListView->headerItem()->text(3), QStringLiteral("Decimal"));
    // Switching tabs shows one information list at a time.
    Form->MainTabSet->setCurrentIndex(1);
    EXPECT_TRUE(Form->MainFileInfoListView->isHidden());
    EXPECT_FALSE(Form->MainFieldInfoListView->isHidden());
}

TEST_F(FormMainTest, StartsWithoutTableCommandsAndAtItsSize) {
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));
    for (QAction* a : {Form->M1_CLOSE, Form->M1_SAVEAS, Form->M1_EXPORT, Form->M2_REFRESH, Form->M3_COPY,
                       Form->M3_FIND, Form->M4_AdSort, Form->M6_EDIT, Form->M6_ZAP, Form->TB_CLOSE, Form->TB_QUICKFIND,
                       Form->P1_N1, Form->P1_N10, Form->M1_STOPWORK, Form->TB_STOPWORK, Form->TB_NEXTREC,
                       Form->TB_PRIORREC}) {
        SCOPED_TRACE(a->objectName().toStdString());
        EXPECT_FALSE(a->isEnabled());
    }
    EXPECT_TRUE(Form->M1_OPEN->isEnabled());
    EXPECT_TRUE(Form->M4_OPTIONS->isEnabled());
    EXPECT_EQ(TFormMain::StartSize(QSize(1280, 800)), QSize(920, 580));
    EXPECT_EQ(TFormMain::StartSize(QSize(920, 500)), QSize(920, 580));
    EXPECT_EQ(TFormMain::StartSize(QSize(800, 600)), QSize(800, 600));
    EXPECT_GE(Form->minimumWidth(), std::min(TFormMain::MinWidth, 800));
    EXPECT_EQ(Form->MainStatusBar->findChildren<QLabel*>().size(), TFormMain::StatusPanelCount);
    Form->SetStatusText(3, QStringLiteral("ANSI"));
    EXPECT_EQ(Form->StatusText(3), QStringLiteral("ANSI"));
    EXPECT_TRUE(Form->acceptDrops());
}

// ---- Folder pane ----

TEST(FolderPane, ListsFoldersAndTableFilesOnly) {
    using vx::FolderPaneAccepts;
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("data"), true));
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("old.dbf"), true));
    EXPECT_FALSE(FolderPaneAccepts(QStringLiteral("archive.zip"), true));
    EXPECT_FALSE(FolderPaneAccepts(QStringLiteral("ARCHIVE.ZIP"), true));
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("t.dbf"), false));
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("T.DBF"), false));
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("m.FPT"), false));
    EXPECT_TRUE(FolderPaneAccepts(QStringLiteral("m.DBT"), false));
    EXPECT_FALSE(FolderPaneAccepts(QStringLiteral("t.dbf.bak"), false));
    EXPECT_FALSE(FolderPaneAccepts(QStringLiteral("readme"), false));
    EXPECT_FALSE(FolderPaneAccepts(QStringLiteral("a.zip"), false));
}

TEST(FolderPane, ModelShowsTheFilteredFileSystem) {
    App();
    vxtest::TempDir dir;
    std::filesystem::create_directory(dir.Root() / "sub");
    std::filesystem::create_directory(dir.Root() / "pack.zip");
    std::filesystem::create_directory(dir.Root() / ".hidden");
    for (const char* f : {"a.dbf", "B.DBT", "c.fpt", "notes.txt", "d.zip"})
        vxtest::WriteAll(dir.Path(f), "x");
    vx::TFolderPaneModel model;
    QString root = QString::fromStdString(dir.Root().string());
    model.Source()->setRootPath(root);
    ASSERT_TRUE(model.Index(root).isValid());
    auto names = [&] {
        QModelIndex parent = model.Index(root);
        QStringList out;
        for (int r = 0; r < model.rowCount(parent); ++r)
            out << model.index(r, 0, parent).data().toString();
        return out;
    };
    ASSERT_TRUE(WaitFor([&] { return names().size() >= 5; }));
    WaitFor([] { return false; }, 200);  // let late rows arrive, so an extra one would show
    EXPECT_EQ(names(), QStringList({".hidden", "sub", "a.dbf", "B.DBT", "c.fpt"}));
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
    EXPECT_EQ(items[3]->text(), QStringLiteral("&B ") + b);
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
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox - ") + amp);
    EXPECT_TRUE(Form->M1_CLOSE->isEnabled());
    Option->AlwayShowQuit = false;
    ASSERT_TRUE(Form->close());
    EXPECT_EQ(QString::fromStdString(vxtest::ReadAll(vx::RecentFilesPath())), amp + "\n" + a + "\n" + b + "\n");
}

TEST_F(FormMainTest, MissingRecentFileIsReportedAndForgotten) {
    QString a = File("a.dbf");
    QString gone = QString::fromStdString(Dir.Path("gone.dbf"));
    QString gone2 = QString::fromStdString(Dir.Path("gone2.dbf"));
    vxtest::WriteAll(vx::RecentFilesPath(), (gone + "\n" + a + "\n" + gone2 + "\n").toStdString());
    Start();
    ScriptedMsgBox script;
    Form->M1_REOPEN->actions()[2]->trigger();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("File[") + gone + QStringLiteral("] not Exist!"));
    EXPECT_EQ(script.Asked[0].Caption, QString());
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(script.Asked[0].Buttons, mbbOK);
    EXPECT_EQ(MenuPaths(Form->M1_REOPEN), QStringList({a, gone2}));
    EXPECT_EQ(MenuPaths(Form->MainRecentFiles), QStringList({a, gone2}));
    EXPECT_TRUE(Form->FileName.isEmpty());

    // From the welcome page the warning is worded in lower case.
    Form->flbWelcomePageRecentFilesClick(1);
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("File[") + gone2 + QStringLiteral("] not exist!"));
    EXPECT_EQ(WelcomeItems(), QStringList({a}));
    // An index past the list does nothing.
    Form->flbWelcomePageRecentFilesClick(5);
    EXPECT_EQ(script.Asked.size(), 2u);
    Form->flbWelcomePageRecentFilesClick(0);
    EXPECT_EQ(Form->FileName, a);
}

TEST_F(FormMainTest, ClearRecentFilesAsksFirst) {
    QString a = File("a.dbf"), b = File("b.dbf");
    vxtest::WriteAll(vx::RecentFilesPath(), (a + "\n" + b + "\n").toStdString());
    Start();
    ScriptedMsgBox script;
    script.Answer(mrNo);
    Form->M1_REOPEN->actions()[0]->trigger();
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Clear recent files list?"));
    EXPECT_EQ(script.Asked[0].Buttons, mbbYesNo);
    EXPECT_EQ(script.Asked[0].Icon, mbiQuestion);
    EXPECT_EQ(Form->RecentList.Count(), 2);

    script.Answer(mrYes);
    Form->M1_REOPEN->actions()[0]->trigger();
    ASSERT_EQ(Form->M1_REOPEN->actions().size(), 2);
    EXPECT_EQ(Form->M1_REOPEN->actions()[0]->text(), QStringLiteral("Clear Recent Files"));
    EXPECT_TRUE(Form->M1_REOPEN->actions()[1]->isSeparator());
    EXPECT_TRUE(Form->MainRecentFiles->actions().isEmpty());
    EXPECT_EQ(Form->flbWelcomePageRecentFiles->Count(), 0);
    EXPECT_EQ(Form->RecentList.Count(), 0);
}

TEST_F(FormMainTest, WelcomePageFollowsItsSetting) {
    EXPECT_FALSE(Form->MainWelcomePage->isHidden());
    Form->cbAlwayShowWelcomePage->setChecked(true);
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
    EXPECT_FALSE(Option->WelcomePage);
    Option->AlwayShowQuit = false;
    ASSERT_TRUE(Form->close());
    EXPECT_FALSE(Stored()->WelcomePage);
    Start();
    EXPECT_TRUE(Form->MainWelcomePage->isHidden());
}

// ---- Dropped files and the command line ----

TEST_F(FormMainTest, DroppedTableOpensWithItsWholePath) {
    QString spaced = File("my \"odd\" table #1.DBF");
    QString other = File("other.dbf");
    ScriptedMsgBox script;
    Form->DropFiles({QUrl::fromLocalFile(spaced), QUrl::fromLocalFile(other)});
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_EQ(Form->FileName, spaced);
    EXPECT_EQ(Form->RecentList.At(0), spaced);
    EXPECT_EQ(Form->RecentList.Count(), 1);

    Form->DropFiles({QUrl::fromLocalFile(File("notes.txt")), QUrl::fromLocalFile(other)});
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Not DBF Files!"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(script.Asked[0].Buttons, mbbOK);
    EXPECT_FALSE(script.Asked[0].ShowCheckBox);
    EXPECT_EQ(Form->FileName, spaced);
}

TEST_F(FormMainTest, DropOnTheWindowOpensTheFirstFile) {
    QString first = File("Upper Case.DBF");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(File("second.dbf"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &drop);
    EXPECT_TRUE(WaitFor([this] { return !Form->FileName.isEmpty(); }));
    EXPECT_EQ(Form->FileName, first);
    EXPECT_EQ(Form->RecentList.Count(), 1);
}

TEST_F(FormMainTest, CommandLineTableOpens) {
    std::string name = std::string(120, 'n') + " with blanks.dbf";
    QString path = File(name);
    std::string arg = path.toStdString();
    const char* argv[] = {"vellibrox", arg.c_str(), nullptr};
    Form->OpenCommandLine(2, argv);
    EXPECT_EQ(Form->FileName, path);
    EXPECT_EQ(Form->RecentList.At(0), path);
    // A file that is not there is reported and leaves the window without a table.
    ScriptedMsgBox script;
    const char* missing[] = {"vellibrox", "/no/such/folder/t.dbf", nullptr};
    Form->OpenCommandLine(2, missing);
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Vellibrox"));
    EXPECT_EQ(Form->RecentList.Count(), 1);
}

// ---- View toggles ----

TEST_F(FormMainTest, ViewTogglesAreStoredAndRestored) {
    EXPECT_TRUE(Form->M2_CONTROLS_TB->isChecked());
    EXPECT_TRUE(Form->M2_CONTROLS_SB->isChecked());
    EXPECT_TRUE(Form->M2_CONTROLS_EB->isChecked());
    EXPECT_FALSE(Form->M2_CONTROLS_FI->isChecked());
    EXPECT_TRUE(Form->MainRightBottomPanel->isHidden());

    Form->M2_CONTROLS_TB->trigger();
    EXPECT_TRUE(Form->MainControlBar->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_TB->isChecked());
    EXPECT_FALSE(Option->ViewControlToolbar);
    Form->M2_CONTROLS_FI->trigger();
    EXPECT_FALSE(Form->MainRightBottomPanel->isHidden());
    EXPECT_TRUE(Form->M2_CONTROLS_FI->isChecked());
    Form->M2_CONTROLS_SB->trigger();
    Form->M2_CONTROLS_SB->trigger();
    EXPECT_FALSE(Form->MainStatusBar->isHidden());
    // The folder pane's own close button hides it; the setting follows at shutdown.
    Form->P2_N2->trigger();
    EXPECT_TRUE(Form->MainLeftPanel->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_EB->isChecked());
    Form->M2_MEMO->trigger();
    EXPECT_TRUE(Option->ViewMemo);
    EXPECT_TRUE(Form->M2_MEMO->isChecked());

    Option->AlwayShowQuit = false;
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
    EXPECT_FALSE(Form->MainStatusBar->isHidden());
    EXPECT_TRUE(Form->MainLeftPanel->isHidden());
    EXPECT_FALSE(Form->M2_CONTROLS_EB->isChecked());
    EXPECT_FALSE(Form->MainRightBottomPanel->isHidden());
    EXPECT_TRUE(Form->M2_CONTROLS_FI->isChecked());
    EXPECT_TRUE(Form->M2_MEMO->isChecked());
}

TEST_F(FormMainTest, QuickFontSizeChecksOneItemAndIsKept) {
    auto checked = [this] {
        QStringList out;
        for (QAction* a : Form->PMQuickSettingFontSize->actions())
            if (a->isChecked())
                out << a->text();
        return out;
    };
    EXPECT_EQ(checked(), QStringList({"9"}));
    Form->findChild<QAction*>(QStringLiteral("PMQuickSettingFontSizeN_14"))->trigger();
    EXPECT_EQ(checked(), QStringList({"14"}));
    EXPECT_EQ(Option->LvFontSize, 14);
    EXPECT_EQ(Form->MainListView->font().pointSize(), 14);
    Option->LvFontSize = 13;  // no item for this size
    Form->UpdateInterface();
    EXPECT_TRUE(checked().isEmpty());
}

TEST_F(FormMainTest, FirstClockTickShowsTheTipOfTheDay) {
    Option->AlwayShowTipOfTheDay = true;
    Form->show();
    QString tipClass;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            tipClass = QString::fromLatin1(d->metaObject()->className());
            d->reject();
        }
    });
    closer.start();
    ASSERT_TRUE(WaitFor([&] { return !tipClass.isEmpty() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(tipClass, QStringLiteral("TFormTipOfTheDay"));
    EXPECT_EQ(Form->MainTimer->interval(), 1000);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(Form->StatusText(5))
                    .hasMatch())
        << Form->StatusText(5).toStdString();
    // Only the first tick shows it.
    tipClass.clear();
    WaitFor([] { return false; }, 1200);
    EXPECT_TRUE(tipClass.isEmpty());
    Option->AlwayShowQuit = false;
    Form->close();
}

// ---- Closing ----

TEST_F(FormMainTest, QuitWithDontRemindMeAgainIsNotAskedNextTime) {
    {
        ScriptedMsgBox script;
        script.Answer(mrNo);
        EXPECT_FALSE(Form->close());
        ASSERT_EQ(script.Asked.size(), 1u);
        EXPECT_EQ(script.Asked[0].Caption, QStringLiteral("Q"));
        EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Quit?"));
        EXPECT_EQ(script.Asked[0].Icon, mbiQuestion);
        EXPECT_EQ(script.Asked[0].Buttons, mbbYesNo);
        EXPECT_TRUE(script.Asked[0].ShowCheckBox);
        EXPECT_TRUE(script.Asked[0].Animate);
        EXPECT_TRUE(Option->AlwayShowQuit);
        EXPECT_FALSE(std::filesystem::exists(vx::OptionsIniPath()));

        script.Answer(mrYes, true);
        EXPECT_TRUE(Form->close());
        EXPECT_EQ(script.Asked.size(), 2u);
    }
    EXPECT_FALSE(Stored()->AlwayShowQuit);

    Start();
    ScriptedMsgBox script;
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(script.Asked.empty());
}

TEST_F(FormMainTest, QuitWithoutTheCheckBoxKeepsAsking) {
    ScriptedMsgBox script;
    script.Answer(mrYes, false);
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(Stored()->AlwayShowQuit);
}

TEST_F(FormMainTest, ClosingWhileWorkingOnlyAsksToStop) {
    Form->Working = true;
    ScriptedMsgBox script;
    script.Answer(mrNo);
    EXPECT_FALSE(Form->close());
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("Some work is doing,stop it?"));
    EXPECT_EQ(script.Asked[0].Buttons, mbbYesNo);
    EXPECT_FALSE(script.Asked[0].ShowCheckBox);
    EXPECT_FALSE(std::filesystem::exists(vx::OptionsIniPath()));
    Form->Working = false;
}

// ---- What no command catches ----

TEST(ApplicationHandler, ShowsEscapedErrorsInsteadOfPassingThem) {
    App();
    ScriptedMsgBox script;
    EXPECT_TRUE(RunGuarded([] { return true; }));
    EXPECT_TRUE(script.Asked.empty());
    EXPECT_FALSE(RunGuarded([]() -> bool { throw std::runtime_error("t.dbf is not a table"); }));
    EXPECT_FALSE(RunGuarded([]() -> bool { throw 42; }));
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("t.dbf is not a table"));
    EXPECT_EQ(script.Asked[0].Icon, mbiWarning);
    EXPECT_EQ(script.Asked[0].Buttons, mbbOK);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Unknown error."));
}

TEST(ApplicationHandler, EventsThatThrowAreReportedByTheApplication) {
    auto* app = qobject_cast<TApplication*>(App());
    if (!app)
        GTEST_SKIP() << "another test of this run made the application object";
    ScriptedMsgBox script;
    TThrowingObject target;
    QEvent e(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &e));
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Asked[0].Text, QStringLiteral("/data/t.dbf is locked"));
    // A posted event that throws is reported too, and the loop goes on.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    EXPECT_TRUE(WaitFor([&] { return script.Asked.size() == 2; }));
}
