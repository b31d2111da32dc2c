// Main window: creation, layout, menus, tool bars and closing.
#include "mainwindow/formmain.h"
#include "controls/dateutil.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include "common/datalist.h"
#include "mainwindow/datalistmodel.h"
#include "common/findhistory.h"
#include "mainwindow/formmain_folders.h"
#include "mainwindow/formmain_statusbar.h"
#include "mainwindow/formoptions.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "controls/controlbar.h"
#include "controls/flatlistbox.h"
#include "controls/rxcombos.h"
#include "controls/colors.h"
#include "controls/validedit.h"
#include "controls/xpmenu.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "export/formsaveasprogress.h"
#include "export/saveasthread.h"

TFormMain* FormMain = nullptr;

namespace {

// A window filling its whole area with every child, the last raised one on top: the record
// side and the welcome page share the client area this way.
class TClientHost : public QWidget {
public:
    using QWidget::QWidget;

protected:
    // With nothing over it the area shows the colour of an empty work space.
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
    }
    void resizeEvent(QResizeEvent*) override {
        for (QObject* o : children())
            if (auto* w = qobject_cast<QWidget*>(o))
                w->setGeometry(rect());
    }
    void childEvent(QChildEvent* e) override {
        QWidget::childEvent(e);
        if (e->added())
            if (auto* w = qobject_cast<QWidget*>(e->child()))
                w->setGeometry(rect());
    }
};

// Small tool-bar pictures drawn in code, so the bars need no image files.
enum class TGlyph { Copy, Cut, Paste, Filter, DoFilter, Find, FontSize, Sort, SortDesc, QuickFind };

QIcon DrawGlyph(TGlyph g) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    QPen pen(QColor(40, 60, 110), 1.2);
    p.setPen(pen);
    switch (g) {
    case TGlyph::Copy:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 2.5, 8, 10));
        p.drawRect(QRectF(5.5, 4.5, 8, 10));
        break;
    case TGlyph::Cut:
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        p.drawLine(QPointF(6, 10), QPointF(12, 1.5));
        p.drawLine(QPointF(10, 10), QPointF(4, 1.5));
        break;
    case TGlyph::Paste:
        p.setBrush(QColor(200, 160, 90));
        p.drawRect(QRectF(2.5, 3.5, 9, 11));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 6.5, 7, 8));
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(5, 2, 4, 3));
        break;
    case TGlyph::Filter:
    case TGlyph::DoFilter: {
        QPainterPath funnel;
        funnel.moveTo(1.5, 2.5);
        funnel.lineTo(14.5, 2.5);
        funnel.lineTo(9.5, 8.5);
        funnel.lineTo(9.5, 14);
        funnel.lineTo(6.5, 12.5);
        funnel.lineTo(6.5, 8.5);
        funnel.closeSubpath();
        p.setBrush(g == TGlyph::Filter ? QColor(120, 170, 230) : QColor(240, 150, 40));
        p.drawPath(funnel);
        break;
    }
    case TGlyph::Find:
    case TGlyph::QuickFind:
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(QColor(40, 60, 110), 2.2));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        break;
    case TGlyph::FontSize: {
        QFont f = p.font();
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 10, 16), Qt::AlignCenter, QStringLiteral("A"));
        f.setPixelSize(8);
        p.setFont(f);
        p.drawText(QRectF(9, 4, 7, 12), Qt::AlignCenter, QStringLiteral("a"));
        break;
    }
    case TGlyph::Sort:
    case TGlyph::SortDesc: {
        QPainterPath arrow;
        if (g == TGlyph::Sort) {
            arrow.moveTo(8, 2);
            arrow.lineTo(13, 8);
            arrow.lineTo(3, 8);
        } else {
            arrow.moveTo(8, 14);
            arrow.lineTo(13, 8);
            arrow.lineTo(3, 8);
        }
        arrow.closeSubpath();
        p.setBrush(QColor(60, 140, 60));
        p.drawPath(arrow);
        p.drawLine(QPointF(8, g == TGlyph::Sort ? 8 : 2), QPointF(8, g == TGlyph::Sort ? 14 : 8));
        break;
    }
    }
    return QIcon(pm);
}

QIcon StdIcon(QStyle::StandardPixmap sp) { return QApplication::style()->standardIcon(sp); }

QFrame* TitlePanel(QWidget* parent, const QString& name, QLabel*& title, const QString& titleName,
                   const QString& caption, QLabel*& close, const QString& closeName, const QString& hint) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    auto* l = new QHBoxLayout(panel);
    l->setContentsMargins(6, 2, 4, 2);
    title = new QLabel(caption, panel);
    title->setObjectName(titleName);
    close = new QLabel(QStringLiteral("X"), panel);
    close->setObjectName(closeName);
    close->setToolTip(hint);
    close->setCursor(Qt::PointingHandCursor);
    l->addWidget(title, 1);
    l->addWidget(close);
    return panel;
}

}  // namespace

const char* TFormMain::HomePageUrl = "https://vellibrox.example.org/";

QSize TFormMain::StartSize(const QSize& screen) {
    if (screen.width() >= 920)
        return QSize(920, 580);
    return screen;
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    FormMain = this;
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Vellibrox"));
    // The program's own date format, whatever the system's: date edits and date texts follow it.
    SetShortDateFormat(QStringLiteral("yyyy-M-d"), QLatin1Char('-'));

    CreateActions();
    CreateMenus();
    CreatePopupMenus();
    MainXPMenu = new TXPMenu(this);
    MainXPMenu->setObjectName(QStringLiteral("MainXPMenu"));
    MainXPMenu->SetFontColor(clWindowText);
    MainXPMenu->SetSelectColor(0x0090FF);
    MainXPMenu->SetDisabledColor(clSilver);
    MainXPMenu->SetSeparatorColor(clBtnShadow);
    MainXPMenu->SetUseSystemColors(false);
    MainXPMenu->SetGradient(true);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("MainClient"));
    auto* cl = new QVBoxLayout(central);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->setSpacing(0);

    CreateToolBars();
    cl->addWidget(MainControlBar);

    MainSplitter = new QSplitter(Qt::Horizontal, central);
    MainSplitter->setObjectName(QStringLiteral("MainSplitter"));
    MainSplitter->setChildrenCollapsible(false);
    MainSplitter->addWidget(CreateLeftPanel());
    MainClientArea = new TClientHost(MainSplitter);
    MainClientArea->setObjectName(QStringLiteral("MainClientArea"));
    CreateRightPanel();
    CreateWelcomePage();
    MainSplitter->addWidget(MainClientArea);
    MainSplitter->setStretchFactor(0, 0);
    MainSplitter->setStretchFactor(1, 1);
    MainSplitter->setSizes({185, 735});
    cl->addWidget(MainSplitter, 1);
    setCentralWidget(central);

    CreateStatusBar();
    SetUpListView();
    SetUpDocument();
    SetUpRecordCommands();
    SetUpFind();
    SetUpStructure();

    MemoClip = new QPlainTextEdit(this);
    MemoClip->setObjectName(QStringLiteral("MemoClip"));
    MemoClip->hide();

    MainTimer = new QTimer(this);
    MainTimer->setObjectName(QStringLiteral("MainTimer"));
    MainTimer->setInterval(100);
    connect(MainTimer, &QTimer::timeout, this, &TFormMain::MainTimerTimer);

    // Start-up, in order.
    MainTimer->start();
    UpdateInterface();
    setAcceptDrops(true);
    EnableTableCommands(false);
    M1_STOPWORK->setEnabled(false);
    TB_STOPWORK->setEnabled(false);
    TB_NEXTREC->setEnabled(false);
    TB_PRIORREC->setEnabled(false);

    RecentList.Load(QString::fromStdString(vx::RecentFilesPath()));
    UpdateReOpenMenu();

    HideDeleted = false;
    M2_HIDEDELREC->setChecked(false);
    ShowOnlyDeleted = false;
    M2_SHOWDELREC->setChecked(false);

    if (Option && Option->WelcomePage) {
        MainWelcomePage->show();
        MainWelcomePage->raise();
    }

    // Size and place: centred on the screen, never below the minimum unless the screen is
    // smaller still.
    QScreen* screen = QGuiApplication::primaryScreen();
    QSize avail = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    setMinimumSize(std::min(MinWidth, avail.width()), std::min(MinHeight, avail.height()));
    resize(StartSize(avail));
    if (screen) {
        QRect g = screen->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }

    Working = false;
    CreateSaveAsProgressForm();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { UpdateTitleColors(now); });
    OnOptionsApplied = [this] {
        UpdateInterface();
        ApplyListColors();
        FocusRecordList();
    };
    FocusRecordList();
    MainXPMenu->SetActive(true);
}

TFormMain::~TFormMain() {
    // Hiding the window as it is taken apart moves the focus: no longer followed.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // A structure change ends before anything it uses goes.
    FieldEditorThread.reset();
    // The loader goes first: it uses the table, the rows and the window's calls until it ends.
    StopThread(WorkThread);
    SaveAsThread.reset();  // a save still running is stopped, and its output removed
    // Its focus leaves while the window is still whole.
    delete SaveAsProgressForm;
    SaveAsProgressForm = nullptr;
    delete ListWatcher;  // the list's events no longer reach a window being taken apart
    ListWatcher = nullptr;
    if (ListModel)
        ListModel->ClearSource();
    Rows.reset();
    CurDBF.reset();
    if (FormMain == this) {
        FormMain = nullptr;
        OnOptionsApplied = nullptr;
    }
}

void TFormMain::CreateActions() {
    auto make = [this](QAction*& a, const char* name, const QString& caption,
                       const QKeySequence& key, void (TFormMain::*slot)()) {
        a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        if (slot)
            connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    };
    using K = QKeySequence;
    // File
    make(M1_NEW, "M1_NEW", QStringLiteral("New(&N)..."), K(Qt::CTRL | Qt::Key_N), &TFormMain::M1_NEWClick);
    make(M1_NEWFROMFILE, "M1_NEWFROMFILE", QStringLiteral("New From File(&F)..."),
         K(Qt::CTRL | Qt::ALT | Qt::Key_N), &TFormMain::M1_NEWFROMFILEClick);
    make(M1_OPEN, "M1_OPEN", QStringLiteral("Open(&O)..."), K(Qt::CTRL | Qt::Key_O), &TFormMain::M1_OPENClick);
    make(M1_IMPORT, "M1_IMPORT", QStringLiteral("Import(&I)..."), K(), &TFormMain::M1_IMPORTClick);
    make(M1_CLOSE, "M1_CLOSE", QStringLiteral("Close(&C)"), K(Qt::CTRL | Qt::Key_Q), &TFormMain::M1_CLOSEClick);
    make(M1_SAVEAS, "M1_SAVEAS", QStringLiteral("Save As(&A)..."), K(Qt::CTRL | Qt::Key_S), &TFormMain::M1_SAVEASClick);
    make(M1_EXPORT, "M1_EXPORT", QStringLiteral("Export(&E)..."), K(), &TFormMain::M1_EXPORTClick);
    make(M1_STOPWORK, "M1_STOPWORK", QStringLiteral("Stop Work"), K(), &TFormMain::M1_STOPWORKClick);
    M1_IMPORT->setVisible(false);
    M1_IMPORT->setEnabled(false);
    // Edit
    make(M3_COPY, "M3_COPY", QStringLiteral("Copy Records(&C)"), K(Qt::CTRL | Qt::Key_C), &TFormMain::M3_COPYClick);
    make(M3_CUT, "M3_CUT", QStringLiteral("Cut Records(&T)"), K(Qt::CTRL | Qt::Key_X), &TFormMain::M3_CUTClick);
    make(M3_PASTE, "M3_PASTE", QStringLiteral("Paste Records(&P)"), K(Qt::CTRL | Qt::Key_V), &TFormMain::M3_PASTEClick);
    make(M3_SELALLREC, "M3_SELALLREC", QStringLiteral("Select All Records"), K(Qt::CTRL | Qt::Key_A),
         &TFormMain::M3_SELALLRECClick);
    make(M3_FIND, "M3_FIND", QStringLiteral("Find(&F)..."), K(Qt::CTRL | Qt::Key_F), &TFormMain::M3_FINDClick);
    make(M3_FINDNEXT, "M3_FINDNEXT", QStringLiteral("Find Next"), K(Qt::Key_F3), &TFormMain::M3_FINDNEXTClick);
    make(M3_REPLACE, "M3_REPLACE", QStringLiteral("Replace(&R)..."), K(Qt::CTRL | Qt::Key_H), &TFormMain::M3_REPLACEClick);
    // Command
    make(M6_EDIT, "M6_EDIT", QStringLiteral("Edit Record(&E)..."), K(Qt::Key_F8), &TFormMain::M6_EDITClick);
    make(M6_APPEND, "M6_APPEND", QStringLiteral("Append Record(&A)..."), K(Qt::CTRL | Qt::ALT | Qt::Key_A),
         &TFormMain::M6_APPENDClick);
    make(M6_INSERT, "M6_INSERT", QStringLiteral("Insert Record(&I)..."), K(Qt::CTRL | Qt::ALT | Qt::Key_I),
         &TFormMain::M6_INSERTClick);
    make(M6_APPENDF, "M6_APPENDF", QStringLiteral("Append Record From(&B)..."), K(Qt::CTRL | Qt::ALT | Qt::Key_B),
         &TFormMain::M6_APPENDFClick);
    M6_APPENDF->setVisible(false);
    make(M6_DELETE, "M6_DELETE", QStringLiteral("Delete Record(&D)"), K(Qt::Key_Delete), &TFormMain::M6_DELETEClick);
    make(M6_DELETEREC, "M6_DELETEREC", QStringLiteral("Remove Selected Records(&R)"),
         K(Qt::SHIFT | Qt::Key_Delete), &TFormMain::M6_DELETERECClick);
    make(M6_DELETEBYDELFLAG, "M6_DELETEBYDELFLAG", QStringLiteral("Remove Deleted Records(&G)"),
         K(Qt::CTRL | Qt::Key_Delete), &TFormMain::M6_DELETEBYDELFLAGClick);
    make(M6_SETALLDELFLG_T, "M6_SETALLDELFLG_T", QStringLiteral("Deleted(&T)"), K(Qt::CTRL | Qt::ALT | Qt::Key_T),
         &TFormMain::M6_SETALLDELFLG_TClick);
    make(M6_SETALLDELFLG_F, "M6_SETALLDELFLG_F", QStringLiteral("Normal(&F)"), K(Qt::CTRL | Qt::ALT | Qt::Key_F),
         &TFormMain::M6_SETALLDELFLG_FClick);
    make(M6_TRUNCATE, "M6_TRUNCATE", QStringLiteral("Truncate(&T)"), K(), &TFormMain::M6_TRUNCATEClick);
    make(M6_ZAP, "M6_ZAP", QStringLiteral("Zap(&Z)"), K(), &TFormMain::M6_ZAPClick);
    make(M6_FILTER, "M6_FILTER", QStringLiteral("Filter(&F)"), K(Qt::Key_F2), &TFormMain::M6_FILTERClick);
    make(M6_DOFILTER, "M6_DOFILTER", QStringLiteral("Apply Filter"), K(Qt::CTRL | Qt::Key_F2), &TFormMain::M6_DOFILTERClick);
    M6_DOFILTER->setCheckable(true);
    make(M6_FIELDADD, "M6_FIELDADD", QStringLiteral("Add Column..."), K(), &TFormMain::M6_FIELDADDClick);
    make(M6_FIELDMODIFY, "M6_FIELDMODIFY", QStringLiteral("Modify Column..."), K(), &TFormMain::M6_FIELDMODIFYClick);
    M6_FIELDMODIFY->setVisible(false);
    make(M6_FIELDDELETE, "M6_FIELDDELETE", QStringLiteral("Delete Column..."), K(), &TFormMain::M6_FIELDDELETEClick);
    // View
    make(M2_HIDEDELREC, "M2_HIDEDELREC", QStringLiteral("Hide Deleted Records(&H)"), K(), &TFormMain::M2_HIDEDELRECClick);
    make(M2_SHOWDELREC, "M2_SHOWDELREC", QStringLiteral("Show Only Deleted Records(S)"), K(),
         &TFormMain::M2_SHOWDELRECClick);
    M2_HIDEDELREC->setCheckable(true);
    M2_SHOWDELREC->setCheckable(true);
    make(M2_REFRESH, "M2_REFRESH", QStringLiteral("Refresh(&R)"), K(Qt::Key_F5), &TFormMain::M2_REFRESHClick);
    make(M2_CONTROLS_TB, "M2_CONTROLS_TB", QStringLiteral("ToolBar"), K(), &TFormMain::M2_CONTROLS_TBClick);
    make(M2_CONTROLS_SB, "M2_CONTROLS_SB", QStringLiteral("StatusBar"), K(), &TFormMain::M2_CONTROLS_SBClick);
    make(M2_CONTROLS_EB, "M2_CONTROLS_EB", QStringLiteral("ExplorerBar"), K(), &TFormMain::M2_CONTROLS_EBClick);
    make(M2_CONTROLS_FI, "M2_CONTROLS_FI", QStringLiteral("File Infos"), K(), &TFormMain::M2_CONTROLS_FIClick);
    for (QAction* a : {M2_CONTROLS_TB, M2_CONTROLS_SB, M2_CONTROLS_EB, M2_CONTROLS_FI})
        a->setCheckable(true);
    make(M2_OEMANSI_OEM, "M2_OEMANSI_OEM", QStringLiteral("OEM"), K(), &TFormMain::M2_OEMANSI_OEMClick);
    make(M2_OEMANSI_ANSI, "M2_OEMANSI_ANSI", QStringLiteral("ANSI"), K(), &TFormMain::M2_OEMANSI_ANSIClick);
    make(M2_COLUMNS, "M2_COLUMNS", QStringLiteral("Show/Hide Columns..."), K(), &TFormMain::M2_COLUMNSClick);
    make(M2_MEMO, "M2_MEMO", QStringLiteral("Show Memo"), K(Qt::CTRL | Qt::Key_M), &TFormMain::M2_MEMOClick);
    M2_MEMO->setCheckable(true);
    // Tools
    make(M4_STAT, "M4_STAT", QStringLiteral("Statistics"), K(), &TFormMain::M4_STATClick);
    M4_STAT->setVisible(false);
    M4_STAT->setEnabled(false);
    make(M4_AdSort, "M4_AdSort", QStringLiteral("Advanced Sort(&A)..."), K(), &TFormMain::M4_AdSortClick);
    make(M4_CUSTTB, "M4_CUSTTB", QStringLiteral("Customize Toolbar(&B)..."), K(), &TFormMain::M4_CUSTTBClick);
    M4_CUSTTB->setVisible(false);
    make(M4_OPTIONS, "M4_OPTIONS", QStringLiteral("Options(&O)..."), K(), &TFormMain::M4_OPTIONSClick);
    // Help
    make(M5_HELP, "M5_HELP", QStringLiteral("Help(&H)"), K(Qt::Key_F1), &TFormMain::M5_HELPClick);
    make(M5_TIPOFTHEDAY, "M5_TIPOFTHEDAY", QStringLiteral("Tip Of The Day(&T)..."), K(), &TFormMain::M5_TIPOFTHEDAYClick);
    make(M5_HOME, "M5_HOME", QStringLiteral("Homepage(&M)"), K(), &TFormMain::M5_HOMEClick);
    make(M5_CONTRACT, "M5_CONTRACT", QStringLiteral("Contact Us(&C)"), K(), &TFormMain::M5_CONTRACTClick);
    make(M5_ABOUT, "M5_ABOUT", QStringLiteral("About(&A)..."), K(), &TFormMain::M5_ABOUTClick);

    M1_NEW->setIcon(StdIcon(QStyle::SP_FileIcon));
    M1_OPEN->setIcon(StdIcon(QStyle::SP_DialogOpenButton));
    M1_SAVEAS->setIcon(StdIcon(QStyle::SP_DialogSaveButton));
    M1_CLOSE->setIcon(StdIcon(QStyle::SP_DialogCloseButton));
    M3_COPY->setIcon(DrawGlyph(TGlyph::Copy));
    M3_CUT->setIcon(DrawGlyph(TGlyph::Cut));
    M3_PASTE->setIcon(DrawGlyph(TGlyph::Paste));
    M3_FIND->setIcon(DrawGlyph(TGlyph::Find));
    M6_FILTER->setIcon(DrawGlyph(TGlyph::Filter));
    M5_HELP->setIcon(StdIcon(QStyle::SP_MessageBoxQuestion));
}

void TFormMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    MenuFile = bar->addMenu(QStringLiteral("File(&F)"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuFile->addAction(M1_NEW);
    MenuFile->addAction(M1_NEWFROMFILE);
    MenuFile->addSeparator();
    MenuFile->addAction(M1_OPEN);
    M1_REOPEN = MenuFile->addMenu(QStringLiteral("Recent Files(&R)"));
    M1_REOPEN->setObjectName(QStringLiteral("M1_REOPEN"));
    M1_REOPEN->menuAction()->setObjectName(QStringLiteral("M1_REOPEN"));
    MenuFile->addAction(M1_IMPORT);
    MenuFile->addAction(M1_CLOSE);
    MenuFile->addSeparator();
    MenuFile->addAction(M1_SAVEAS);
    MenuFile->addAction(M1_EXPORT);
    MenuFile->addSeparator();
    MenuFile->addAction(M1_STOPWORK);

    MenuEdit = bar->addMenu(QStringLiteral("Edit(&E)"));
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    MenuEdit->addActions({M3_COPY, M3_CUT, M3_PASTE});
    MenuEdit->addSeparator();
    MenuEdit->addAction(M3_SELALLREC);
    MenuEdit->addSeparator();
    MenuEdit->addActions({M3_FIND, M3_FINDNEXT, M3_REPLACE});

    MenuCommand = bar->addMenu(QStringLiteral("Command(&C)"));
    MenuCommand->setObjectName(QStringLiteral("MenuCommand"));
    MenuCommand->addAction(M6_EDIT);
    MenuCommand->addSeparator();
    MenuCommand->addActions({M6_APPEND, M6_INSERT, M6_APPENDF});
    MenuCommand->addSeparator();
    MenuCommand->addActions({M6_DELETE, M6_DELETEREC, M6_DELETEBYDELFLAG});
    M6_SETALLDELFLG = MenuCommand->addMenu(QStringLiteral("Toggle All Deletion Mark(&S)  "));
    M6_SETALLDELFLG->setObjectName(QStringLiteral("M6_SETALLDELFLG"));
    M6_SETALLDELFLG->menuAction()->setObjectName(QStringLiteral("M6_SETALLDELFLG"));
    M6_SETALLDELFLG->addActions({M6_SETALLDELFLG_T, M6_SETALLDELFLG_F});
    MenuCommand->addSeparator();
    MenuCommand->addActions({M6_TRUNCATE, M6_ZAP});
    MenuCommand->addSeparator();
    MenuCommand->addActions({M6_FILTER, M6_DOFILTER});
    MenuCommand->addSeparator();
    MenuCommand->addActions({M6_FIELDADD, M6_FIELDMODIFY, M6_FIELDDELETE});

    MenuView = bar->addMenu(QStringLiteral("View(&V)"));
    MenuView->setObjectName(QStringLiteral("MenuView"));
    MenuView->addActions({M2_HIDEDELREC, M2_SHOWDELREC});
    MenuView->addSeparator();
    MenuView->addAction(M2_REFRESH);
    MenuView->addSeparator();
    MenuView->addActions({M2_CONTROLS_TB, M2_CONTROLS_SB, M2_CONTROLS_EB, M2_CONTROLS_FI});
    M2_CONTROLS = MenuView->addMenu(QStringLiteral("Controls "));
    M2_CONTROLS->setObjectName(QStringLiteral("M2_CONTROLS"));
    M2_CONTROLS->menuAction()->setObjectName(QStringLiteral("M2_CONTROLS"));
    M2_CONTROLS->menuAction()->setVisible(false);
    M2_OEMANSI = MenuView->addMenu(QStringLiteral("OEM-ANSI "));
    M2_OEMANSI->setObjectName(QStringLiteral("M2_OEMANSI"));
    M2_OEMANSI->menuAction()->setObjectName(QStringLiteral("M2_OEMANSI"));
    M2_OEMANSI->addActions({M2_OEMANSI_OEM, M2_OEMANSI_ANSI});
    M2_OEMANSI->menuAction()->setVisible(false);
    MenuView->addSeparator();
    MenuView->addAction(M2_COLUMNS);
    MenuView->addAction(M2_MEMO);

    MenuTools = bar->addMenu(QStringLiteral("Tools(&T)"));
    MenuTools->setObjectName(QStringLiteral("MenuTools"));
    MenuTools->addActions({M4_STAT, M4_AdSort, M4_CUSTTB});
    MenuTools->addSeparator();
    MenuTools->addAction(M4_OPTIONS);

    MenuHelp = bar->addMenu(QStringLiteral("Help(&H)"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelp->addAction(M5_HELP);
    MenuHelp->addAction(M5_TIPOFTHEDAY);
    MenuHelp->addSeparator();
    MenuHelp->addActions({M5_HOME, M5_CONTRACT});
    MenuHelp->addSeparator();
    MenuHelp->addAction(M5_ABOUT);
}

void TFormMain::CreatePopupMenus() {
    auto item = [this](QMenu* menu, QAction*& a, const char* name, const QString& caption, QAction* twin) {
        a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, twin, &QAction::trigger);
    };
    MainPopupMenu = new QMenu(this);
    MainPopupMenu->setObjectName(QStringLiteral("MainPopupMenu"));
    item(MainPopupMenu, P1_N1, "P1_N1", QStringLiteral("Edit Record..."), M6_EDIT);
    MainPopupMenu->addSeparator();
    item(MainPopupMenu, P1_N6, "P1_N6", QStringLiteral("Append Record..."), M6_APPEND);
    item(MainPopupMenu, P1_N7, "P1_N7", QStringLiteral("Insert Record..."), M6_INSERT);
    MainPopupMenu->addSeparator();
    item(MainPopupMenu, P1_N2, "P1_N2", QStringLiteral("Delete Record"), M6_DELETE);
    item(MainPopupMenu, P1_N3, "P1_N3", QStringLiteral("Remove Selected Records"), M6_DELETEREC);
    item(MainPopupMenu, P1_N4, "P1_N4", QStringLiteral("Remove Deleted Records"), M6_DELETEBYDELFLAG);
    P1_N5 = MainPopupMenu->addMenu(QStringLiteral("Toggle All Deletion Mark   "));
    P1_N5->setObjectName(QStringLiteral("P1_N5"));
    P1_N5->menuAction()->setObjectName(QStringLiteral("P1_N5"));
    item(P1_N5, P1_N5_S1, "P1_N5_S1", QStringLiteral("Deleted"), M6_SETALLDELFLG_T);
    item(P1_N5, P1_N5_S2, "P1_N5_S2", QStringLiteral("Normal"), M6_SETALLDELFLG_F);
    MainPopupMenu->addSeparator();
    item(MainPopupMenu, P1_N8, "P1_N8", QStringLiteral("Truncate"), M6_TRUNCATE);
    item(MainPopupMenu, P1_N9, "P1_N9", QStringLiteral("Zap"), M6_ZAP);
    MainPopupMenu->addSeparator();
    item(MainPopupMenu, P1_N11, "P1_N11", QStringLiteral("Add Column..."), M6_FIELDADD);
    item(MainPopupMenu, P1_N12, "P1_N12", QStringLiteral("Modify Column..."), M6_FIELDMODIFY);
    P1_N12->setVisible(false);
    item(MainPopupMenu, P1_N13, "P1_N13", QStringLiteral("Delete Column..."), M6_FIELDDELETE);
    MainPopupMenu->addSeparator();
    item(MainPopupMenu, P1_N10, "P1_N10", QStringLiteral("Close"), M1_CLOSE);

    PopupMenuPanelLeftTop = new QMenu(this);
    PopupMenuPanelLeftTop->setObjectName(QStringLiteral("PopupMenuPanelLeftTop"));
    P2_N1 = PopupMenuPanelLeftTop->addAction(QStringLiteral("Refresh"));
    P2_N1->setObjectName(QStringLiteral("P2_N1"));
    connect(P2_N1, &QAction::triggered, this, &TFormMain::P2_N1Click);
    P2_N2 = PopupMenuPanelLeftTop->addAction(QStringLiteral("Close"));
    P2_N2->setObjectName(QStringLiteral("P2_N2"));
    connect(P2_N2, &QAction::triggered, this, &TFormMain::HideFolderPane);

    MainRecentFiles = new QMenu(this);
    MainRecentFiles->setObjectName(QStringLiteral("MainRecentFiles"));

    PMFileInfoToClip = new QMenu(this);
    PMFileInfoToClip->setObjectName(QStringLiteral("PMFileInfoToClip"));
    PMFileInfoToClip_1 = PMFileInfoToClip->addAction(QStringLiteral("Copy to Clipboard"));
    PMFileInfoToClip_1->setObjectName(QStringLiteral("PMFileInfoToClip_1"));
    connect(PMFileInfoToClip_1, &QAction::triggered, this, &TFormMain::PMFileInfoToClip_1Click);
    PMFieldInfoToClip = new QMenu(this);
    PMFieldInfoToClip->setObjectName(QStringLiteral("PMFieldInfoToClip"));
    PMFieldInfoToClip_1 = PMFieldInfoToClip->addAction(QStringLiteral("Copy to Clipboard"));
    PMFieldInfoToClip_1->setObjectName(QStringLiteral("PMFieldInfoToClip_1"));
    connect(PMFieldInfoToClip_1, &QAction::triggered, this, &TFormMain::PMFieldInfoToClip_1Click);

    PMQuickSettingFontSize = new QMenu(this);
    PMQuickSettingFontSize->setObjectName(QStringLiteral("PMQuickSettingFontSize"));
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}) {
        QAction* a = PMQuickSettingFontSize->addAction(QString::number(size));
        a->setObjectName(QStringLiteral("PMQuickSettingFontSizeN_%1").arg(size));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, size] { QuickSettingFontSize(size); });
    }

    PopupMenuSortColumnAsc = new QMenu(this);
    PopupMenuSortColumnAsc->setObjectName(QStringLiteral("PopupMenuSortColumnAsc"));
    PopupMenuSortColumnDesc = new QMenu(this);
    PopupMenuSortColumnDesc->setObjectName(QStringLiteral("PopupMenuSortColumnDesc"));
}

void TFormMain::CreateToolBars() {
    auto button = [this](QAction*& a, const char* name, const QString& caption, const QString& hint,
                         const QIcon& icon, QAction* twin) {
        a = new QAction(icon, caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        if (twin)
            connect(a, &QAction::triggered, twin, &QAction::trigger);
    };
    auto* controlBar = new TControlBar(this);
    MainControlBar = controlBar;
    MainControlBar->setObjectName(QStringLiteral("MainControlBar"));
    QHBoxLayout* bl = controlBar->Bands();

    MainToolBar = new QToolBar(MainControlBar);
    MainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    MainToolBar->setIconSize(QSize(16, 16));
    MainToolBar->setMovable(false);
    MainToolBar->setFloatable(false);
    button(TB_NEW, "TB_NEW", QStringLiteral("New"), QStringLiteral("Create A New DBF File (Ctrl+N)"),
           M1_NEW->icon(), M1_NEW);
    button(TB_OPEN, "TB_OPEN", QStringLiteral("Open"), QStringLiteral("Open An Exist DBF File (Ctrl+O)"),
           M1_OPEN->icon(), M1_OPEN);
    TB_OPEN->setMenu(MainRecentFiles);
    button(TB_SAVEAS, "TB_SAVEAS", QStringLiteral("Save As"), QStringLiteral("Save As (Ctrl+S)"),
           M1_SAVEAS->icon(), M1_SAVEAS);
    button(TB_CLOSE, "TB_CLOSE", QStringLiteral("Close"), QStringLiteral("Close (Ctrl+Q)"), M1_CLOSE->icon(), M1_CLOSE);
    button(TB_COPY, "TB_COPY", QStringLiteral("Copy"), QStringLiteral("Copy Records (Ctrl+C)"), M3_COPY->icon(), M3_COPY);
    button(TB_CUT, "TB_CUT", QStringLiteral("Cut"), QStringLiteral("Cut Records (Ctrl+X)"), M3_CUT->icon(), M3_CUT);
    button(TB_PASTE, "TB_PASTE", QStringLiteral("Paste"), QStringLiteral("Paste Records (Ctrl+V)"),
           M3_PASTE->icon(), M3_PASTE);
    button(TB_FILTER, "TB_FILTER", QStringLiteral("Filter"), QStringLiteral("Filter (F2)"), M6_FILTER->icon(), M6_FILTER);
    button(TB_DOFILTER, "TB_DOFILTER", QStringLiteral("Apply Filter"), QStringLiteral("Apply Filter (Ctrl+F2)"),
           DrawGlyph(TGlyph::DoFilter), nullptr);
    TB_DOFILTER->setCheckable(true);
    connect(TB_DOFILTER, &QAction::triggered, this, &TFormMain::M6_DOFILTERClick);
    button(TB_FIND, "TB_FIND", QStringLiteral("Find"), QStringLiteral("Find (Ctrl+F)"), M3_FIND->icon(), M3_FIND);
    button(TB_QUICKSETTINGFONTSIZE, "TB_QUICKSETTINGFONTSIZE", QStringLiteral("Font Size"),
           QStringLiteral("Font Size"), DrawGlyph(TGlyph::FontSize), nullptr);
    TB_QUICKSETTINGFONTSIZE->setMenu(PMQuickSettingFontSize);
    button(TB_Help, "TB_Help", QStringLiteral("Help"), QStringLiteral("Help (F1)"), M5_HELP->icon(), nullptr);
    connect(TB_Help, &QAction::triggered, this, &TFormMain::M5_HELPClick);

    MainToolBar->addAction(TB_NEW);
    MainToolBar->addAction(TB_OPEN);
    if (auto* b = qobject_cast<QToolButton*>(MainToolBar->widgetForAction(TB_OPEN)))
        b->setPopupMode(QToolButton::MenuButtonPopup);
    MainToolBar->addAction(TB_SAVEAS);
    MainToolBar->addAction(TB_CLOSE);
    MainToolBar->addSeparator();
    MainToolBar->addActions({TB_COPY, TB_CUT, TB_PASTE});
    MainToolBar->addSeparator();
    MainToolBar->addActions({TB_FILTER, TB_DOFILTER, TB_FIND});
    MainToolBar->addSeparator();
    TB_QUICKSETTINGFONTFACE = NewQuickSettingFontFaceBox(MainToolBar);
    // The quick settings take the focus only when clicked, so that no key meant for the list
    // changes the list's font.
    TB_QUICKSETTINGFONTFACE->setFocusPolicy(Qt::ClickFocus);
    TB_QUICKSETTINGFONTFACE->installEventFilter(this);
    MainToolBar->addWidget(TB_QUICKSETTINGFONTFACE);
    TB_QUICKSETTINGFONTCOLOR = new TColorBox(MainToolBar);
    TB_QUICKSETTINGFONTCOLOR->setObjectName(QStringLiteral("TB_QUICKSETTINGFONTCOLOR"));
    TB_QUICKSETTINGFONTCOLOR->setToolTip(QStringLiteral("Font Color"));
    TB_QUICKSETTINGFONTCOLOR->setFixedWidth(120);
    TB_QUICKSETTINGFONTCOLOR->setFocusPolicy(Qt::ClickFocus);
    MainToolBar->addWidget(TB_QUICKSETTINGFONTCOLOR);
    MainToolBar->addAction(TB_QUICKSETTINGFONTSIZE);
    if (auto* b = qobject_cast<QToolButton*>(MainToolBar->widgetForAction(TB_QUICKSETTINGFONTSIZE)))
        b->setPopupMode(QToolButton::InstantPopup);
    MainToolBar->addSeparator();
    MainToolBar->addAction(TB_Help);
    connect(TB_QUICKSETTINGFONTFACE, &QComboBox::textActivated, this, &TFormMain::QuickSettingFontFace);
    connect(TB_QUICKSETTINGFONTCOLOR, &TColorBox::ColorChanged, this,
            [this](TColor c) { QuickSettingFontColor(c); });

    ToolBar1 = new QToolBar(MainControlBar);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->addWidget(new QLabel(QStringLiteral(" Search:"), ToolBar1));
    TB_QUICKSERACHKEY = new QComboBox(ToolBar1);
    TB_QUICKSERACHKEY->setObjectName(QStringLiteral("TB_QUICKSERACHKEY"));
    vx::MakeSearchTextBox(TB_QUICKSERACHKEY);
    TB_QUICKSERACHKEY->setFixedWidth(90);
    ToolBar1->addWidget(TB_QUICKSERACHKEY);
    ToolBar1->addWidget(new QLabel(QStringLiteral(" From:"), ToolBar1));
    TB_QUICKSERACHFROM = new QComboBox(ToolBar1);
    TB_QUICKSERACHFROM->setObjectName(QStringLiteral("TB_QUICKSERACHFROM"));
    TB_QUICKSERACHFROM->setFixedWidth(90);
    ToolBar1->addWidget(TB_QUICKSERACHFROM);
    button(TB_QUICKFIND, "TB_QUICKFIND", QStringLiteral("Find"), QStringLiteral("Quick Find"),
           DrawGlyph(TGlyph::QuickFind), nullptr);
    connect(TB_QUICKFIND, &QAction::triggered, this, &TFormMain::TB_QUICKFINDClick);
    ToolBar1->addAction(TB_QUICKFIND);

    bl->addWidget(MainToolBar);
    bl->addWidget(ToolBar1);
    bl->addStretch(1);
}

QWidget* TFormMain::CreateLeftPanel() {
    MainLeftPanel = new QFrame(this);
    MainLeftPanel->setObjectName(QStringLiteral("MainLeftPanel"));
    MainLeftPanel->setMinimumWidth(100);
    auto* l = new QVBoxLayout(MainLeftPanel);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    PanelLeftTop = TitlePanel(MainLeftPanel, QStringLiteral("PanelLeftTop"), Label1, QStringLiteral("Label1"),
                              QStringLiteral("Folders"), PanelLeftTopCloseButton,
                              QStringLiteral("PanelLeftTopCloseButton"), QStringLiteral("Close Folder Explorer"));
    PanelLeftTop->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PanelLeftTop, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenuPanelLeftTop->popup(PanelLeftTop->mapToGlobal(p)); });
    l->addWidget(PanelLeftTop);

    ShellModel = new vx::TFolderPaneModel(this);
    MainShellTreeView = new QTreeView(MainLeftPanel);
    MainShellTreeView->setObjectName(QStringLiteral("MainShellTreeView"));
    MainShellTreeView->setModel(ShellModel);
    MainShellTreeView->setHeaderHidden(true);
    for (int c = 1; c < ShellModel->columnCount(); ++c)
        MainShellTreeView->hideColumn(c);
    MainShellTreeView->setRootIsDecorated(true);
    MainShellTreeView->setUniformRowHeights(true);
    MainShellTreeView->setExpandsOnDoubleClick(true);
    connect(MainShellTreeView, &QTreeView::doubleClicked, this, [this] { MainShellTreeViewDblClick(); });
    // Start in the user's home folder.
    QModelIndex home = ShellModel->Index(QDir::homePath());
    if (home.isValid()) {
        MainShellTreeView->setCurrentIndex(home);
        MainShellTreeView->expand(home);
        MainShellTreeView->scrollTo(home, QAbstractItemView::PositionAtTop);
    }
    l->addWidget(MainShellTreeView, 1);

    for (QWidget* w : {static_cast<QWidget*>(PanelLeftTop), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(PanelLeftTopCloseButton)})
        w->installEventFilter(this);
    return MainLeftPanel;
}

QWidget* TFormMain::CreateRightPanel() {
    MainRightPanel = new QFrame(MainClientArea);
    MainRightPanel->setObjectName(QStringLiteral("MainRightPanel"));
    MainRightPanel->setAutoFillBackground(true);
    auto* l = new QVBoxLayout(MainRightPanel);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    MainRightSplitter = new QSplitter(Qt::Vertical, MainRightPanel);
    MainRightSplitter->setObjectName(QStringLiteral("MainRightSplitter"));
    MainRightSplitter->setChildrenCollapsible(false);
    l->addWidget(MainRightSplitter);

    MainRightTopPanel = new QFrame(MainRightSplitter);
    MainRightTopPanel->setObjectName(QStringLiteral("MainRightTopPanel"));
    auto* tl = new QVBoxLayout(MainRightTopPanel);
    tl->setContentsMargins(0, 0, 0, 0);
    tl->setSpacing(0);
    MainListView = new TRecordListView(MainRightTopPanel);
    MainListView->setObjectName(QStringLiteral("MainListView"));
    MainListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MainListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { MainPopupMenu->popup(MainListView->viewport()->mapToGlobal(p)); });
    tl->addWidget(MainListView->Frame(), 1);

    auto* funcBar = new TControlBar(MainRightTopPanel);
    FuncControlBar = funcBar;
    FuncControlBar->setObjectName(QStringLiteral("FuncControlBar"));
    QHBoxLayout* fl = funcBar->Bands();
    ToolBarRec = new QToolBar(FuncControlBar);
    ToolBarRec->setObjectName(QStringLiteral("ToolBarRec"));
    ToolBarRec->setIconSize(QSize(16, 16));
    auto recButton = [this](QAction*& a, const char* name, const QString& hint, const QIcon& icon,
                            void (TFormMain::*slot)()) {
        a = new QAction(icon, hint, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        ToolBarRec->addAction(a);
    };
    recButton(TB_FIRSTREC, "TB_FIRSTREC", QStringLiteral("First Record"), StdIcon(QStyle::SP_MediaSkipBackward),
              &TFormMain::TB_FIRSTRECClick);
    recButton(TB_PRIORREC, "TB_PRIORREC", QStringLiteral("Prior Record"), StdIcon(QStyle::SP_MediaSeekBackward),
              &TFormMain::TB_PRIORRECClick);
    EditCurRecNo = new TNumberEdit(ToolBarRec);
    EditCurRecNo->setObjectName(QStringLiteral("EditCurRecNo"));
    EditCurRecNo->SetAlignment(taRightJustify);
    EditCurRecNo->setFixedWidth(80);
    EditCurRecNo->SetText(QStringLiteral("0"));
    {
        // Verdana in orange.
        QFont f(QStringLiteral("Verdana"));
        f.setPixelSize(11);
        EditCurRecNo->setFont(f);
        QPalette pal = EditCurRecNo->palette();
        pal.setColor(QPalette::Text, ToQColor(0x0080FF));
        EditCurRecNo->setPalette(pal);
    }
    ToolBarRec->addWidget(EditCurRecNo);
    recButton(TB_NEXTREC, "TB_NEXTREC", QStringLiteral("Next Record"), StdIcon(QStyle::SP_MediaSeekForward),
              &TFormMain::TB_NEXTRECClick);
    recButton(TB_LASTREC, "TB_LASTREC", QStringLiteral("Last Record"), StdIcon(QStyle::SP_MediaSkipForward),
              &TFormMain::TB_LASTRECClick);
    ToolBarRec->addSeparator();
    TB_SORTASC = new QAction(DrawGlyph(TGlyph::Sort), QStringLiteral("Sort Ascending"), this);
    TB_SORTASC->setObjectName(QStringLiteral("TB_SORTASC"));
    TB_SORTASC->setToolTip(QStringLiteral("Sort Ascending"));
    TB_SORTASC->setMenu(PopupMenuSortColumnAsc);
    ToolBarRec->addAction(TB_SORTASC);
    TB_SORTDESC = new QAction(DrawGlyph(TGlyph::SortDesc), QStringLiteral("Sort Descending"), this);
    TB_SORTDESC->setObjectName(QStringLiteral("TB_SORTDESC"));
    TB_SORTDESC->setToolTip(QStringLiteral("Sort Descending"));
    TB_SORTDESC->setMenu(PopupMenuSortColumnDesc);
    ToolBarRec->addAction(TB_SORTDESC);
    for (QAction* a : {TB_SORTASC, TB_SORTDESC})
        if (auto* b = qobject_cast<QToolButton*>(ToolBarRec->widgetForAction(a)))
            b->setPopupMode(QToolButton::InstantPopup);
    ToolBarRec->addSeparator();
    PanelRecNum = new QLabel(QStringLiteral("OnShow/Total:"), ToolBarRec);
    PanelRecNum->setObjectName(QStringLiteral("PanelRecNum"));
    PanelRecNum->setMinimumWidth(192);  // wider when the counts need it
    PanelRecNum->setFrameShape(QFrame::StyledPanel);
    PanelRecNum->setFrameShadow(QFrame::Sunken);
    ToolBarRec->addWidget(PanelRecNum);
    recButton(TB_STOPWORK, "TB_STOPWORK", QStringLiteral("Stop Work"), StdIcon(QStyle::SP_BrowserStop),
              &TFormMain::M1_STOPWORKClick);
    fl->addWidget(ToolBarRec);
    fl->addStretch(1);
    tl->addWidget(FuncControlBar);

    MainRightBottomPanel = new QFrame(MainRightSplitter);
    MainRightBottomPanel->setObjectName(QStringLiteral("MainRightBottomPanel"));
    auto* bl = new QVBoxLayout(MainRightBottomPanel);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->setSpacing(0);
    PanelInfoTitle = TitlePanel(MainRightBottomPanel, QStringLiteral("PanelInfoTitle"), Info, QStringLiteral("Info"),
                                QStringLiteral("File/Field Information"), LabelInfoTitleCloseButton,
                                QStringLiteral("LabelInfoTitleCloseButton"),
                                QStringLiteral("Close File Information Viewer"));
    bl->addWidget(PanelInfoTitle);
    auto infoList = [this](QTreeWidget*& list, const char* name, const QStringList& captions,
                           const QList<int>& widths, QMenu* popup) {
        list = new QTreeWidget(MainRightBottomPanel);
        list->setObjectName(QLatin1String(name));
        list->setRootIsDecorated(false);
        list->setColumnCount(static_cast<int>(captions.size()));
        list->setHeaderLabels(captions);
        list->header()->setSectionsClickable(false);
        list->header()->setSectionsMovable(false);
        for (int i = 0; i < widths.size(); ++i)
            list->setColumnWidth(i, widths[i]);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [list, popup](const QPoint& p) { popup->popup(list->viewport()->mapToGlobal(p)); });
    };
    infoList(MainFileInfoListView, "MainFileInfoListView", {QStringLiteral("Name"), QStringLiteral("Value")}, {150},
             PMFileInfoToClip);
    infoList(MainFieldInfoListView, "MainFieldInfoListView",
             {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Width"), QStringLiteral("Decimal")},
             {120, 80, 80, 80}, PMFieldInfoToClip);
    bl->addWidget(MainFileInfoListView, 1);
    bl->addWidget(MainFieldInfoListView, 1);
    MainFieldInfoListView->hide();
    MainTabSet = new QTabBar(MainRightBottomPanel);
    MainTabSet->setObjectName(QStringLiteral("MainTabSet"));
    MainTabSet->setShape(QTabBar::RoundedSouth);
    MainTabSet->setDrawBase(false);
    MainTabSet->addTab(QStringLiteral("File Info"));
    MainTabSet->addTab(QStringLiteral("Field Info"));
    connect(MainTabSet, &QTabBar::currentChanged, this, &TFormMain::MainTabSetChange);
    bl->addWidget(MainTabSet, 0, Qt::AlignLeft);
    MainRightBottomPanel->hide();
    MainRightSplitter->setStretchFactor(0, 1);
    MainRightSplitter->setStretchFactor(1, 0);
    MainRightSplitter->setSizes({400, 147});

    for (QWidget* w : {static_cast<QWidget*>(PanelInfoTitle), static_cast<QWidget*>(Info),
                       static_cast<QWidget*>(LabelInfoTitleCloseButton)})
        w->installEventFilter(this);
    return MainRightPanel;
}

void TFormMain::CreateStatusBar() {
    MainStatusBar = new QStatusBar(this);
    MainStatusBar->setObjectName(QStringLiteral("MainStatusBar"));
    MainStatusBar->setSizeGripEnabled(true);
    // A small font, so that every panel's text fits the narrowest window.
    QFont small = MainStatusBar->font();
    small.setPointSize(8);
    MainStatusBar->setFont(small);
    static const int widths[StatusPanelCount] = {100, 140, 220, 40, 280, 50};
    auto* panels = new TStatusPanels(MainStatusBar);
    panels->setObjectName(QStringLiteral("MainStatusBarPanels"));
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(panels);
        panel->setObjectName(QStringLiteral("MainStatusBarPanel%1").arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(2);
        StatusPanels[i] = panel;
    }
    // The clock takes what is left of its row, but never less than its text.
    StatusPanels[5]->setMinimumWidth(
        StatusPanels[5]->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 8);
    for (int i = 0; i < StatusPanelCount; ++i)
        panels->AddPanel(StatusPanels[i], widths[i]);
    MainStatusBar->addWidget(panels, 1);
    setStatusBar(MainStatusBar);
}

void TFormMain::SetStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < StatusPanelCount)
        StatusPanels[panel]->setText(text);
}

QString TFormMain::StatusText(int panel) const {
    if (panel >= 0 && panel < StatusPanelCount)
        return StatusPanels[panel]->text();
    return QString();
}

void TFormMain::EnableTableCommands(bool enabled) {
    for (QAction* a : {M1_CLOSE, M1_SAVEAS, M1_EXPORT, M2_REFRESH, M2_HIDEDELREC, M2_SHOWDELREC, M2_COLUMNS, M3_COPY,
                       M3_CUT, M3_PASTE, M3_SELALLREC, M3_FIND, M3_FINDNEXT, M3_REPLACE, M4_AdSort, M6_EDIT,
                       M6_APPEND, M6_APPENDF, M6_INSERT, M6_DELETE, M6_DELETEREC, M6_DELETEBYDELFLAG,
                       M6_SETALLDELFLG_T, M6_SETALLDELFLG_F, M6_TRUNCATE, M6_ZAP, M6_FILTER, M6_DOFILTER,
                       M6_FIELDADD, M6_FIELDDELETE, TB_CLOSE, TB_SAVEAS, TB_COPY, TB_CUT, TB_PASTE, TB_FIND,
                       TB_FILTER, TB_DOFILTER, TB_QUICKFIND})
        a->setEnabled(enabled);
    M6_SETALLDELFLG->setEnabled(enabled);
    for (QAction* a : MainPopupMenu->actions())
        a->setEnabled(enabled);
    for (QAction* a : P1_N5->actions())
        a->setEnabled(enabled);
}

bool TFormMain::ConfirmWithCheckBox(const QString& caption, const QString& text, bool& setting, bool animate,
                                    TMsgBoxCloser* closer) {
    TFormConfirmWithCheckBox box(this);
    box.SetInfo(caption, text, TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true);
    box.SetCloser(closer);
    box.InitAlphaShow(animate, 30, 30);
    box.exec();
    if (box.Result != mrYes)
        return false;
    setting = !box.CheckBoxAlwayShow->isChecked();
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (IsWorking() && StopWorkAsk()) {
        event->ignore();
        return;
    }
    if (Option && Option->AlwayShowQuit) {
        if (!ConfirmWithCheckBox(QStringLiteral("Q"), QStringLiteral("Quit?"), Option->AlwayShowQuit, true)) {
            event->ignore();
            return;
        }
    }
    Close(true);
    RecentList.Save(QString::fromStdString(vx::RecentFilesPath()));
    if (Option) {
        Option->ViewControlToolbar = !MainControlBar->isHidden();
        Option->ViewControlStatusBar = !MainStatusBar->isHidden();
        Option->ViewControlExplorerBar = !MainLeftPanel->isHidden();
        Option->ViewControlFileInfos = !MainRightBottomPanel->isHidden();
        Option->Save();
    }
    MainTimer->stop();
    event->accept();
}
