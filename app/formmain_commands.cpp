// Main window: the table document's entry points and the commands of the menus and bars.
// Commands that need an open table are disabled until one is open.
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

// ---- The table document ----

void TFormMain::Open(const QString& fileName) {
    if (fileName.isEmpty())
        return;
    QFileInfo fi(fileName);
    if (!fi.isFile())
        return;  // a table that cannot be opened leaves the window as it was
    FileName = fileName;
    SaveToOldFiles(fileName);
    EnableTableCommands(true);
    setWindowTitle(QStringLiteral("Vellibrox - ") + fileName);
    MainWelcomePage->hide();
    MainRightPanel->show();
}

void TFormMain::Close(bool closeTable) {
    Q_UNUSED(closeTable);
    if (IsWorking()) {
        StopWorkAsk();
        return;
    }
    MainRightPanel->hide();
    setWindowTitle(QStringLiteral("Vellibrox"));
    for (int i = 0; i <= 4; ++i)
        SetStatusText(i, QString());
    EnableTableCommands(false);
    TB_QUICKSERACHFROM->clear();
}

void TFormMain::StopWork() {}

void TFormMain::StopWorkAsk() {
    if (!IsWorking())
        return;
    TMsgBoxResult r = MsgBox(QString(), QStringLiteral("Some work is doing,stop it?"), mbiQuestion, mbbYesNo,
                             false, false, 30, 30, this);
    if (r.ModalResult == mrYes)
        StopWork();
}

// ---- File ----

void TFormMain::M1_OPENClick() {
    QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                                QStringLiteral("DBase File(*.DBF *.dbf);;All File(*)"));
    if (!name.isEmpty())
        Open(name);
}

void TFormMain::M1_CLOSEClick() {
    if (Option && Option->AlwayShowClose &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Close current document?"), Option->AlwayShowClose, true))
        return;
    Close(true);
}

void TFormMain::M1_STOPWORKClick() {
    if (Option && Option->AlwayShowStop &&
        !ConfirmWithCheckBox(QString(), QStringLiteral("Stop?"), Option->AlwayShowStop, false))
        return;
    StopWork();
}

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
void TFormMain::M2_REFRESHClick() {}
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

// ---- Record tool bar, quick search and information lists ----

void TFormMain::TB_FIRSTRECClick() {}
void TFormMain::TB_PRIORRECClick() {}
void TFormMain::TB_NEXTRECClick() {}
void TFormMain::TB_LASTRECClick() {}
void TFormMain::TB_QUICKFINDClick() {}
void TFormMain::PMFileInfoToClip_1Click() {}
void TFormMain::PMFieldInfoToClip_1Click() {}

// ---- Folder pane ----

void TFormMain::MainShellTreeViewDblClick() {
    QString path = ShellModel->FilePath(MainShellTreeView->currentIndex());
    if (path.size() >= 5 && vx::IsTableFileName(path))
        Open(path);
}
