#include "common/formalphashow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

TFormAlphaShow::TFormAlphaShow(QWidget* owner) : QDialog(owner) {
    // A fixed dialog frame without the help button.
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    Timer = new QTimer(this);
    Timer->setInterval(30);
    connect(Timer, &QTimer::timeout, this, &TFormAlphaShow::TimerTimer);
}

void TFormAlphaShow::InitAlphaShow(bool Animate, int Interval, int Step) {
    direction_ = 0;
    alpha_ = 0;
    alphaEnd_ = 255;
    // A step or interval below 1 would never finish a fade and leave the window invisible (or
    // never closing).
    step_ = Step < 1 ? 1 : Step;
    interval_ = Interval < 1 ? 1 : Interval;
    animate_ = Animate;
    if (animate_) setWindowOpacity(0.0);
    else alpha_ = 255;
    closing_ = false;
}

bool TFormAlphaShow::Fading() const { return Timer->isActive(); }

void TFormAlphaShow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (animate_ && !closing_ && direction_ == 0) {
        Timer->setInterval(interval_);
        Timer->start();
    }
}

void TFormAlphaShow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A modal dialog hands the keyboard back to the window it came from: without a window
    // manager nobody else does, and that window's shortcuts work only while it is active.
    if (!isModal() || !parentWidget()) return;
    QWidget* below = parentWidget()->window();
    if (below->isVisible() && QApplication::activeWindow() != below) below->activateWindow();
}

void TFormAlphaShow::TimerTimer() {
    if (direction_ == 0) {
        alpha_ += step_;
        move(x(), y() - 2);
        if (alpha_ > alphaEnd_) {
            alpha_ = 255;
            Timer->stop();
        }
        setWindowOpacity(alpha_ / 255.0);
    } else {
        alpha_ -= step_;
        move(x(), y() + 2);
        bool finished = false;
        if (alpha_ < alphaEnd_) {
            alpha_ = 0;
            Timer->stop();
            closing_ = true;
            finished = true;
        }
        setWindowOpacity(alpha_ / 255.0);
        if (finished) QDialog::done(pendingResult_);
    }
}

void TFormAlphaShow::done(int result) {
    if (!animate_ || closing_ || !isVisible()) {
        closing_ = true;
        Timer->stop();
        QDialog::done(result);
        return;
    }
    if (direction_ == 1) return;  // already fading out; the first close request counts
    pendingResult_ = result;
    direction_ = 1;
    alpha_ = 255;
    alphaEnd_ = 0;
    Timer->setInterval(interval_);
    Timer->start();
}

void TFormAlphaShow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // A focused button is pressed, else the default button, else the focus moves on.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button && qobject_cast<QPushButton*>(button) && button->isEnabled()) {
            button->click();
            return;
        }
        const auto buttons = findChildren<QPushButton*>();
        for (QPushButton* b : buttons) {
            if (b->isDefault() && b->isVisibleTo(this) && b->isEnabled()) {
                b->click();
                return;
            }
        }
        focusNextChild();
        return;
    }
    case Qt::Key_Escape:
        reject();  // through reject(), so that a dialog may ask before it closes
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
