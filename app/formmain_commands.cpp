// Main window: the commands of the menus and bars. Commands that need an open table are
// disabled until one is open; opening, closing and the record list have files of their own.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QComboBox>
#include <QLabel>
#include <QTreeView>

#include "app/cmdline.h"
#include "app/formabout.h"
#include "app/formmain.h"
#include "app/formmain_folders.h"
#include "app/formoptions.h"
#include "app/formtipoftheday.h"
#include "app/msgbox.h"
#include "app/option.h"

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
