#include "editors/formprogress.h"

#include "controls/flatpanel.h"
#include "controls/flatprogressbar.h"
#include "controls/xpmenu.h"

#include <QCloseEvent>
#include <QVBoxLayout>

TFormProgress::TFormProgress(QWidget* owner) : QDialog(owner) {
    XPMenu1 = new TXPMenu(this);
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFont(QFont(QStringLiteral("Verdana"), 9));

    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(12, 12, 12, 12);
    l->setSpacing(8);
    FlatProgressBar = new TFlatProgressBar(this);
    FlatProgressBar->setObjectName(QStringLiteral("FlatProgressBar"));
    FlatProgressBar->setFixedSize(300, 20);
    FlatProgressBar->SetMin(0);
    FlatProgressBar->SetMax(100);
    FlatPanel = new TFlatPanel(this);
    FlatPanel->setObjectName(QStringLiteral("FlatPanel"));
    FlatPanel->setFixedSize(300, 24);
    l->addWidget(FlatProgressBar);
    l->addWidget(FlatPanel);
    SetPosition(0);
    setFixedSize(sizeHint());
    XPMenu1->SetActive(true);
}

void TFormProgress::SetPosition(int value) {
    FlatProgressBar->SetPosition(value);
    FlatPanel->SetCaption(QString::number(value) + QLatin1Char('%'));
}

void TFormProgress::Finish() {
    Closing = true;
    done(QDialog::Accepted);
    Closing = false;
}

void TFormProgress::reject() {
    if (Closing || !isVisible()) QDialog::reject();
}

void TFormProgress::closeEvent(QCloseEvent* event) {
    if (Closing) QDialog::closeEvent(event);
    else event->ignore();
}
