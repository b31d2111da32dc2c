// Main window: the settings applied to the window, the View toggles, the panes and their
// titles, the quick settings of the tool bar and the clock.
#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFontInfo>
#include <QFrame>
#include <QHeaderView>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "mainwindow/datalistmodel.h"
#include "mainwindow/formmain.h"
#include "mainwindow/formmain_folders.h"
#include "mainwindow/formoptions.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "controls/colors.h"
#include "controls/rxcombos.h"
#include "controls/xpmenu.h"

namespace {

void SetItemChecked(QAction* a, bool checked) {
    QSignalBlocker block(a);
    a->setChecked(checked);
}

}  // namespace

void TFormMain::ApplyMenuColors() {
    if (!Option || !MainXPMenu)
        return;
    // The highlighted menu item and the separators take the colours of the settings.
    MainXPMenu->SetSeparatorColor(Option->MenuSeparatorColor);
    MainXPMenu->SetSelectBorderColor(Option->MenuSelectBorderColor);
    MainXPMenu->SetSelectColor(Option->MenuSelectColor);
    MainXPMenu->SetSelectFontColor(Option->MenuSelectFontColor);
}

void TFormMain::UpdateInterface() {
    if (!Option)
        return;
    ApplyMenuColors();

    QPalette pal = MainListView->palette();
    pal.setColor(QPalette::Base, ToQColor(Option->LvBkColor));
    pal.setColor(QPalette::Text, ToQColor(Option->LvFontColor));
    MainListView->setPalette(pal);
    QFont f = MainListView->font();
    f.setFamily(Option->LvFontFace);
    if (Option->LvFontSize > 0)
        f.setPointSize(Option->LvFontSize);
    MainListView->setFont(f);
    MainListView->SetHotTrack(Option->HotTrack);
    MainListView->setShowGrid(Option->GridLines);
    // Memo columns follow the setting at once, whoever changed it.
    if (ListModel)
        ListModel->SetViewMemo(Option->ViewMemo);
    MainListView->viewport()->update();

    MainControlBar->setVisible(Option->ViewControlToolbar);
    MainStatusBar->setVisible(Option->ViewControlStatusBar);
    MainLeftPanel->setVisible(Option->ViewControlExplorerBar);
    MainRightBottomPanel->setVisible(Option->ViewControlFileInfos);

    SetItemChecked(M2_CONTROLS_TB, !MainControlBar->isHidden());
    SetItemChecked(M2_CONTROLS_SB, !MainStatusBar->isHidden());
    SetItemChecked(M2_CONTROLS_EB, !MainLeftPanel->isHidden());
    SetItemChecked(M2_CONTROLS_FI, !MainRightBottomPanel->isHidden());
    SetItemChecked(M2_MEMO, Option->ViewMemo);

    {
        QSignalBlocker block(TB_QUICKSETTINGFONTFACE);
        // The face asked for, or the one the system put in its place when it has no such face.
        int i = TB_QUICKSETTINGFONTFACE->findText(Option->LvFontFace, Qt::MatchFixedString);
        if (i < 0)
            i = TB_QUICKSETTINGFONTFACE->findText(QFontInfo(f).family(), Qt::MatchFixedString);
        if (i >= 0)
            TB_QUICKSETTINGFONTFACE->setCurrentIndex(i);
    }
    {
        QSignalBlocker block(TB_QUICKSETTINGFONTCOLOR);
        TB_QUICKSETTINGFONTCOLOR->SetSelected(Option->LvFontColor);
    }
    for (QAction* a : PMQuickSettingFontSize->actions())
        SetItemChecked(a, a->text().toInt() == Option->LvFontSize);
}

// ---- View > Controls ----

void TFormMain::M2_CONTROLS_TBClick() {
    MainControlBar->setVisible(MainControlBar->isHidden());
    SetItemChecked(M2_CONTROLS_TB, !MainControlBar->isHidden());
    if (Option)
        Option->ViewControlToolbar = !MainControlBar->isHidden();
}

void TFormMain::M2_CONTROLS_SBClick() {
    MainStatusBar->setVisible(MainStatusBar->isHidden());
    SetItemChecked(M2_CONTROLS_SB, !MainStatusBar->isHidden());
    if (Option)
        Option->ViewControlStatusBar = !MainStatusBar->isHidden();
}

void TFormMain::M2_CONTROLS_EBClick() {
    // The splitter's handle goes with the pane beside it.
    MainLeftPanel->setVisible(MainLeftPanel->isHidden());
    SetItemChecked(M2_CONTROLS_EB, !MainLeftPanel->isHidden());
    if (Option)
        Option->ViewControlExplorerBar = !MainLeftPanel->isHidden();
}

void TFormMain::M2_CONTROLS_FIClick() {
    MainRightBottomPanel->setVisible(MainRightBottomPanel->isHidden());
    SetItemChecked(M2_CONTROLS_FI, !MainRightBottomPanel->isHidden());
    if (Option)
        Option->ViewControlFileInfos = !MainRightBottomPanel->isHidden();
}

void TFormMain::HideFolderPane() {
    MainLeftPanel->hide();
    SetItemChecked(M2_CONTROLS_EB, false);
}

void TFormMain::M2_MEMOClick() {
    if (!Option)
        return;
    Option->ViewMemo = !Option->ViewMemo;
    SetItemChecked(M2_MEMO, Option->ViewMemo);
}

// ---- Panes ----

void TFormMain::P2_N1Click() { ShellModel->Refresh(MainShellTreeView->currentIndex()); }

void TFormMain::MainTabSetChange(int index) {
    QTreeWidget* shown = index == 1 ? MainFieldInfoListView : MainFileInfoListView;
    QTreeWidget* hidden = index == 1 ? MainFileInfoListView : MainFieldInfoListView;
    hidden->hide();
    shown->show();
    shown->setFocus();
}

void TFormMain::SetCloseLabelHover(QLabel* label, bool hover) {
    QFont f = label->font();
    f.setBold(hover);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, hover ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    label->setPalette(pal);
}

void TFormMain::UpdateTitleColors(QWidget* focused) {
    auto paint = [this](QFrame* title, bool active) {
        QPalette pal = title->palette();
        pal.setColor(QPalette::Window, active ? TitleFocusColor() : palette().color(QPalette::Button));
        title->setPalette(pal);
    };
    paint(PanelLeftTop, focused && MainLeftPanel->isAncestorOf(focused));
    paint(PanelInfoTitle, focused && MainRightBottomPanel->isAncestorOf(focused));
}

QColor TFormMain::TitleFocusColor() { return QColor(0xA6, 0xCA, 0xF0); }

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TB_QUICKSETTINGFONTFACE && FontBoxEvent(event))
        return true;
    switch (event->type()) {
    case QEvent::Enter:
        if (watched == PanelLeftTopCloseButton || watched == LabelInfoTitleCloseButton)
            SetCloseLabelHover(static_cast<QLabel*>(watched), true);
        break;
    case QEvent::Leave:
        if (watched == PanelLeftTopCloseButton || watched == LabelInfoTitleCloseButton)
            SetCloseLabelHover(static_cast<QLabel*>(watched), false);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            break;
        if (watched == PanelLeftTopCloseButton) {
            HideFolderPane();
            return true;
        }
        if (watched == LabelInfoTitleCloseButton) {
            M2_CONTROLS_FIClick();
            return true;
        }
        if (watched == PanelLeftTop || watched == Label1) {
            MainShellTreeView->setFocus();
            return true;
        }
        if (watched == PanelInfoTitle || watched == Info) {
            (MainTabSet->currentIndex() == 1 ? MainFieldInfoListView : MainFileInfoListView)->setFocus();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Quick settings ----

bool TFormMain::FontBoxEvent(QEvent* event) {
    // A face is chosen from the open list (a click, or Enter); keys that would step through
    // the faces of the closed box, or a turn of the wheel over it, open the list instead, so
    // that the record list does not take every face on the way.
    TFontComboBox* box = TB_QUICKSETTINGFONTFACE;
    if (box->view()->isVisible())
        return false;
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        box->showPopup();
        return true;
    default:
        break;
    }
    if (!key->text().isEmpty() && key->text().at(0).isPrint() && key->key() != Qt::Key_Space) {
        // Typing looks the face up in the open list.
        box->showPopup();
        QCoreApplication::sendEvent(box->view(), event);
        return true;
    }
    return false;
}

void TFormMain::QuickSettingFontSize(int size) {
    for (QAction* a : PMQuickSettingFontSize->actions())
        SetItemChecked(a, a->text().toInt() == size);
    ListViewScrollStart();
    QFont f = MainListView->font();
    f.setPointSize(size);
    MainListView->setFont(f);
    if (Option)
        Option->LvFontSize = size;
}

void TFormMain::QuickSettingFontFace(const QString& face) {
    if (face.isEmpty())
        return;
    ListViewScrollStart();
    QFont f = MainListView->font();
    f.setFamily(face);
    MainListView->setFont(f);
    if (Option)
        Option->LvFontFace = face;
}

void TFormMain::QuickSettingFontColor(int32_t color) {
    ListViewScrollStart();
    QPalette pal = MainListView->palette();
    pal.setColor(QPalette::Text, ToQColor(color));
    MainListView->setPalette(pal);
    if (Option)
        Option->LvFontColor = color;
}

// ---- Clock ----

void TFormMain::MainTimerTimer() {
    SetStatusText(5, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    ReloadIfStructureChanged();
    if (FirstTick) {
        FirstTick = false;
        MainTimer->setInterval(1000);
        StartupTipDue = Option && Option->AlwayShowTipOfTheDay;
    }
    // After what is already posted: a message that the start-up open has queued shows first.
    if (StartupTipDue)
        QMetaObject::invokeMethod(this, &TFormMain::ShowStartupTip, Qt::QueuedConnection);
}

void TFormMain::ShowStartupTip() {
    if (!StartupTipDue || !PendingCommandLine.isEmpty() || QApplication::activeModalWidget())
        return;  // the next tick asks again
    StartupTipDue = false;
    M5_TIPOFTHEDAYClick();
}
