#include "export/formsaveasprogress.h"

#include "common/option.h"
#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "controls/xpmenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TFormSaveAsProgress::TFormSaveAsProgress(QWidget* owner) : QDialog(owner) {
    XPMenu1 = new TXPMenu(this);
    setObjectName(QStringLiteral("FormSaveAsProgress"));
    setWindowTitle(QStringLiteral("Save As ..."));
    // A tool window without a close box: it closes only through its button once the save is done.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(12);
    setFont(f);
    setFixedSize(294, 196);

    FlatPanel = new TFlatPanel(this);
    FlatPanel->setObjectName(QStringLiteral("FlatPanel"));
    FlatPanel->setGeometry(0, 0, 294, 25);
    FlatPanel->SetColor(clWindow);
    FlatPanel->SetCaption(QStringLiteral("0%"));

    FlatProgressBar = new TFlatProgressBar(this);
    FlatProgressBar->setObjectName(QStringLiteral("FlatProgressBar"));
    FlatProgressBar->setGeometry(0, 24, 294, 65);
    FlatProgressBar->SetColor(clWindow);
    FlatProgressBar->SetColorElement(0x0080FF);
    FlatProgressBar->SetMin(0);
    FlatProgressBar->SetMax(100);
    FlatProgressBar->SetSmooth(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(5, 99, 48, 48);
    Image1->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(48, 48));

    cbCloseWhenSaveDone = new QCheckBox(QStringLiteral("Close this dialog when job done."), this);
    cbCloseWhenSaveDone->setObjectName(QStringLiteral("cbCloseWhenSaveDone"));
    cbCloseWhenSaveDone->move(64, 104);
    cbCloseWhenSaveDone->resize(225, 20);
    cbOpenWhenSaveDone = new QCheckBox(QStringLiteral("Open output file when job done."), this);
    cbOpenWhenSaveDone->setObjectName(QStringLiteral("cbOpenWhenSaveDone"));
    cbOpenWhenSaveDone->move(64, 128);
    cbOpenWhenSaveDone->resize(225, 20);

    BitBtnClose = new QPushButton(QStringLiteral("Close"), this);
    BitBtnClose->setObjectName(QStringLiteral("BitBtnClose"));
    BitBtnClose->setGeometry(211, 162, 75, 25);
    connect(BitBtnClose, &QPushButton::clicked, this, &TFormSaveAsProgress::BitBtnCloseClick);

    XPMenu1->SetActive(true);
}

void TFormSaveAsProgress::SetProgress(int percent) {
    percent = std::clamp(percent, 0, 100);
    FlatProgressBar->SetPosition(percent);
    FlatPanel->SetCaption(QStringLiteral("%1%").arg(percent));
}

int TFormSaveAsProgress::Progress() const { return FlatProgressBar->Position(); }

void TFormSaveAsProgress::BitBtnCloseClick() {
    if (State == stDone) done(QDialog::Accepted);
}

void TFormSaveAsProgress::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormSaveAsProgress::FormClose() {
    if (Option) {
        Option->CloseWhenJobDone = cbCloseWhenSaveDone->isChecked();
        Option->OpenWhenJobDone = cbOpenWhenSaveDone->isChecked();
    }
    SetProgress(0);
}

void TFormSaveAsProgress::closeEvent(QCloseEvent* event) {
    // The window manager's close: only once the save is done.
    if (State != stDone) {
        event->ignore();
        return;
    }
    FormClose();
    QDialog::closeEvent(event);
}

void TFormSaveAsProgress::keyPressEvent(QKeyEvent* event) {
    // Esc closes only a finished save.
    if (event->key() == Qt::Key_Escape) {
        BitBtnCloseClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
