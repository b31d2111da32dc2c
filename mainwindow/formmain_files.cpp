// Main window: recent files, the welcome page, the Help menu, dropped files and the command
// line.
#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>

#include "mainwindow/cmdline.h"
#include "mainwindow/formabout.h"
#include "mainwindow/formmain.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "common/programfiles.h"
#include "controls/colors.h"
#include "controls/flatlistbox.h"
#include "platform/paths.h"

// ---- Welcome page ----

QWidget* TFormMain::CreateWelcomePage() {
    MainWelcomePage = new QFrame(MainClientArea);
    MainWelcomePage->setObjectName(QStringLiteral("MainWelcomePage"));
    MainWelcomePage->setAutoFillBackground(true);
    {
        QPalette pal = MainWelcomePage->palette();
        pal.setColor(QPalette::Window, Qt::white);
        MainWelcomePage->setPalette(pal);
    }
    auto* l = new QVBoxLayout(MainWelcomePage);
    l->setContentsMargins(16, 12, 16, 12);
    l->setSpacing(10);

    auto* banner = new QLabel(MainWelcomePage);
    banner->setObjectName(QStringLiteral("ImageWelcome"));
    QPixmap picture = ProgramPicture(QStringLiteral("welcome.jpg"));
    if (!picture.isNull())
        banner->setPixmap(picture.scaledToWidth(std::min(picture.width(), 640), Qt::SmoothTransformation));
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->addWidget(banner);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(12);
    auto pictureButton = [this](QToolButton*& b, const char* name, const QString& caption, const QString& hint,
                                QAction* command, const QIcon& icon) {
        b = new QToolButton(MainWelcomePage);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(icon);
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(110);
        b->setCursor(Qt::PointingHandCursor);
        b->setProperty("Tag", 999);  // a picture to click, not a button: the painter leaves it alone
        connect(b, &QToolButton::clicked, command, &QAction::trigger);
    };
    pictureButton(Image2, "Image2", QStringLiteral("New"), QStringLiteral("Create A New DBF File"), M1_NEW,
                  M1_NEW->icon());
    pictureButton(Image3, "Image3", QStringLiteral("New From File"),
                  QStringLiteral("Create A New DBF File's Head From An Exist DBF File"), M1_NEWFROMFILE,
                  M1_NEW->icon());
    pictureButton(Image4, "Image4", QStringLiteral("Open"), QStringLiteral("Open An Exist DBF File"), M1_OPEN,
                  M1_OPEN->icon());
    buttons->addWidget(Image2);
    buttons->addWidget(Image3);
    buttons->addWidget(Image4);
    buttons->addStretch(1);
    l->addLayout(buttons);

    LabelWelcomeRecent = new QLabel(QStringLiteral("Recent files...  ( Click file name to open it )"), MainWelcomePage);
    LabelWelcomeRecent->setObjectName(QStringLiteral("LabelWelcomeRecent"));
    QFont bold = LabelWelcomeRecent->font();
    bold.setBold(true);
    LabelWelcomeRecent->setFont(bold);
    l->addWidget(LabelWelcomeRecent);

    flbWelcomePageRecentFiles = new TFlatListBox(MainWelcomePage);
    flbWelcomePageRecentFiles->setObjectName(QStringLiteral("flbWelcomePageRecentFiles"));
    flbWelcomePageRecentFiles->setMinimumHeight(120);
    // Arrows above and below the entries show when more are listed than fit.
    flbWelcomePageRecentFiles->SetScrollBars(true);
    flbWelcomePageRecentFiles->SetColorArrow(clRed);
    flbWelcomePageRecentFiles->SetColorBorder(clWindow);
    flbWelcomePageRecentFiles->SetColorItemsRect(clWindow);
    flbWelcomePageRecentFiles->setCursor(Qt::PointingHandCursor);
    flbWelcomePageRecentFiles->OnClick = [this] {
        flbWelcomePageRecentFilesClick(flbWelcomePageRecentFiles->ItemIndex());
    };
    l->addWidget(flbWelcomePageRecentFiles, 1);

    cbAlwayShowWelcomePage = new QCheckBox(QStringLiteral("Close it and do not display again."), MainWelcomePage);
    cbAlwayShowWelcomePage->setObjectName(QStringLiteral("cbAlwayShowWelcomePage"));
    connect(cbAlwayShowWelcomePage, &QCheckBox::toggled, this, &TFormMain::cbAlwayShowWelcomePageClick);
    l->addWidget(cbAlwayShowWelcomePage);

    MainWelcomePage->hide();
    return MainWelcomePage;
}

void TFormMain::cbAlwayShowWelcomePageClick(bool checked) {
    if (!checked)
        return;
    if (Option)
        Option->WelcomePage = false;
    MainWelcomePage->hide();
}

void TFormMain::flbWelcomePageRecentFilesClick(int index) {
    if (index < 0 || index >= RecentList.Count() || index >= flbWelcomePageRecentFiles->Count())
        return;
    QString path = RecentList.At(index);
    flbWelcomePageRecentFiles->SetItemIndex(-1);
    OpenRecent(path, vx::TRecentOrigin::WelcomePage);
}

// ---- Recent files ----

void TFormMain::SaveToOldFiles(const QString& path) {
    RecentList.Add(path);
    UpdateReOpenMenu();
}

void TFormMain::DelFromOldFiles(const QString& path) {
    RecentList.Remove(path);
    UpdateReOpenMenu();
}

void TFormMain::UpdateReOpenMenu() {
    M1_REOPEN->clear();
    MainRecentFiles->clear();
    flbWelcomePageRecentFiles->ClearItems();

    QAction* clear = M1_REOPEN->addAction(QStringLiteral("Clear Recent Files"));
    clear->setObjectName(QStringLiteral("M1_REOPEN_CLEAR"));
    connect(clear, &QAction::triggered, this, &TFormMain::MenuItemClickClear);
    M1_REOPEN->addSeparator();

    for (int i = 0; i < RecentList.Count(); ++i) {
        const QString& path = RecentList.At(i);
        QString caption = vx::RecentMenuCaption(i, path);
        // The path travels with the item, so no caption parsing can cut it.
        for (QMenu* menu : {M1_REOPEN, MainRecentFiles}) {
            QAction* a = menu->addAction(caption);
            a->setData(path);
            connect(a, &QAction::triggered, this, [this, path] { OpenRecent(path, vx::TRecentOrigin::Menu); });
        }
        flbWelcomePageRecentFiles->AddItem(path);
    }
}

void TFormMain::OpenRecent(const QString& path, vx::TRecentOrigin origin) {
    if (!QFileInfo::exists(path)) {
        MsgBox(QString(), vx::RecentMissingText(path, origin), TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        DelFromOldFiles(path);
        return;
    }
    Open(path);
}

void TFormMain::MenuItemClickClear() {
    TMsgBoxResult r = MsgBox(QString(), QStringLiteral("Clear recent files list?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false,
                             false, 30, 30, this);
    if (r.ModalResult != mrYes)
        return;
    RecentList.Clear();
    UpdateReOpenMenu();
}

// ---- Help menu ----

void TFormMain::M5_HELPClick() {
    ShellOpenOrTell(vx::HelpFilePath(),
                    QStringLiteral("The help file could not be opened. Open it with a program of your choice:"));
}

void TFormMain::M5_HOMEClick() {
    ShellOpenOrTell(HomePageUrl, QStringLiteral("The web page could not be opened. Open it in a web browser:"));
}

void TFormMain::M5_CONTRACTClick() { M5_HOMEClick(); }

void TFormMain::ShellOpenOrTell(const std::string& target, const QString& what) {
    const QString text = what + QLatin1Char('\n') + QFile::decodeName(QByteArray::fromStdString(target));
    auto opener = std::make_shared<vx::TShellOpen>(target);
    if (opener->Poll() == vx::TShellOpen::Failed) {
        MsgBox(QString(), text, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
        return;
    }
    // The desktop's handler takes a moment to give up, and while it shows the page it may not
    // end at all: it is asked from the event loop for a while, never waited on.
    auto* watch = new QTimer(this);
    watch->setObjectName(QStringLiteral("ShellOpenWatch"));
    watch->setInterval(100);
    connect(watch, &QTimer::timeout, this, [this, watch, opener, text, ticks = 0]() mutable {
        const vx::TShellOpen::TState state = opener->Poll();
        if (state == vx::TShellOpen::Running && ++ticks < 100)
            return;
        // The watch and this function go before the message is shown.
        const QString message = text;
        TFormMain* form = this;
        watch->stop();
        watch->deleteLater();
        if (state == vx::TShellOpen::Failed)
            MsgBox(QString(), message, TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, form);
    });
    watch->start();
}

// ---- Dropped files and the command line ----

void TFormMain::OpenCommandLine(int argc, const char* const* argv) {
    QString path = vx::TableFromArguments(argc, argv);
    if (path.isEmpty())
        return;
    // Before the window shows, the table waits for it: what the open reports then shows over
    // the window instead of on an empty screen.
    if (isVisible())
        Open(path);
    else
        PendingCommandLine = path;
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FocusRecordList();
    if (!PendingCommandLine.isEmpty()) {
        // Once the window is on the screen.
        QTimer::singleShot(0, this, [this] {
            const QString path = PendingCommandLine;
            PendingCommandLine.clear();
            if (!path.isEmpty())
                Open(path);
            // A tip that waited for the table follows what its open had to tell.
            QMetaObject::invokeMethod(this, &TFormMain::ShowStartupTip, Qt::QueuedConnection);
        });
    }
}

void TFormMain::DropFiles(const QList<QUrl>& urls) {
    vx::TDropChoice choice = vx::ChooseDroppedFile(urls);
    if (!choice.Any)
        return;
    if (choice.IsTable) {
        FileName = choice.Path;
        Open(choice.Path);
    } else {
        MsgBox(QString(), QStringLiteral("Not DBF Files!"), TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false, false, 30, 30, this);
    }
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    // Answered once the drop is over, so a message box never holds the dragging program.
    QTimer::singleShot(0, this, [this, urls] { DropFiles(urls); });
}
