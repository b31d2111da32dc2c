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

// ---- File ----

void TFormMain::M1_NEWClick() {}
void TFormMain::M1_NEWFROMFILEClick() {}
void TFormMain::M1_IMPORTClick() {}
void TFormMain::M1_SAVEASClick() {}
void TFormMain::M1_EXPORTClick() {}

// ---- Edit ----

void TFormMain::M3_COPYClick() {}
void TFormMain::M3_CUTClick() {}
void TFormMain::M3_PASTEClick() {}
void TFormMain::M3_SELALLRECClick() {}
void TFormMain::M3_FINDClick() {}
void TFormMain::M3_FINDNEXTClick() {}
void TFormMain::M3_REPLACEClick() {}

// ---- Command ----

void TFormMain::M6_EDITClick() {}
void TFormMain::M6_APPENDClick() {}
void TFormMain::M6_INSERTClick() {}
void TFormMain::M6_APPENDFClick() {}
void TFormMain::M6_DELETEClick() {}
void TFormMain::M6_DELETERECClick() {}
void TFormMain::M6_DELETEBYDELFLAGClick() {}
void TFormMain::M6_SETALLDELFLG_TClick() {}
void TFormMain::M6_SETALLDELFLG_FClick() {}
void TFormMain::M6_TRUNCATEClick() {}
void TFormMain::M6_ZAPClick() {}
void TFormMain::M6_FILTERClick() {}
void TFormMain::M6_DOFILTERClick() {}
void TFormMain::M6_FIELDADDClick() {}
void TFormMain::M6_FIELDMODIFYClick() {}
void TFormMain::M6_FIELDDELETEClick() {}

// ---- View ----

void TFormMain::M2_HIDEDELRECClick() {}
void TFormMain::M2_SHOWDELRECClick() {}
void TFormMain::M2_COLUMNSClick() {}

// ---- Tools ----

void TFormMain::M4_STATClick() {}
void TFormMain::M4_AdSortClick() {}

void TFormMain::M4_OPTIONSClick() {
    TFormOptions dialog(this);
    dialog.exec();
}

// ---- Help ----

void TFormMain::M5_TIPOFTHEDAYClick() { TFormTipOfTheDay::Execute(this, Option); }

void TFormMain::M5_ABOUTClick() { TFormAbout::Execute(this); }

// ---- Quick search ----

void TFormMain::TB_QUICKFINDClick() {}

// ---- Folder pane ----

void TFormMain::MainShellTreeViewDblClick() {
    QString path = ShellModel->FilePath(MainShellTreeView->currentIndex());
    if (path.size() >= 5 && vx::IsTableFileName(path))
        Open(path);
}
