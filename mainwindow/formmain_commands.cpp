// Main window: the commands of the menus and bars. Commands that need an open table are
// disabled until one is open; opening, closing and the record list have files of their own.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QComboBox>
#include <QLabel>
#include <QTreeView>

#include "mainwindow/cmdline.h"
#include "mainwindow/formabout.h"
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_folders.h"
#include "mainwindow/formoptions.h"
#include "mainwindow/formtipoftheday.h"
#include "common/msgbox.h"
#include "common/option.h"

// ---- Tools ----

void TFormMain::M4_OPTIONSClick() {
    TFormOptions dialog(this);
    dialog.exec();
}

// ---- Help ----

void TFormMain::M5_TIPOFTHEDAYClick() { TFormTipOfTheDay::Execute(this, Option); }

void TFormMain::M5_ABOUTClick() { TFormAbout::Execute(this); }

// ---- Folder pane ----

void TFormMain::MainShellTreeViewDblClick() {
    QString path = ShellModel->FilePath(MainShellTreeView->currentIndex());
    if (path.size() >= 5 && vx::IsTableFileName(path))
        Open(path);
}
