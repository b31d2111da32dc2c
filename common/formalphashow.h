// The base of the program's dialogs. Its keys: Enter presses the focused button, else the
// default button, else moves the focus to the next control; Esc closes the dialog as cancelled
// (through reject()). It can fade in when shown and fade out when closed (InitAlphaShow): the
// window's opacity moves by Step every Interval milliseconds while the window drifts 2 pixels
// a tick; without InitAlphaShow it shows and closes at once.
#pragma once

#include <QDialog>

class QTimer;

class TFormAlphaShow : public QDialog {
    Q_OBJECT
public:
    explicit TFormAlphaShow(QWidget* owner = nullptr);

    // Prepares the fade; call after creation and before showing.
    void InitAlphaShow(bool Animate, int Interval, int Step);

    // Closing: with Animate the first close request starts the fade-out and the window closes
    // with that result when the fade ends.
    void done(int result) override;

    bool Animate() const { return animate_; }
    int Interval() const { return interval_; }
    int Step() const { return step_; }
    int Alpha() const { return alpha_; }
    bool Fading() const;
    // True from the first close request of an animated form until it has closed.
    bool FadingOut() const { return direction_ == 1 && !closing_; }
    bool Closing() const { return closing_; }

    QTimer* Timer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void TimerTimer();

    int interval_ = 30;
    int step_ = 30;
    int alpha_ = 255;
    int alphaEnd_ = 255;
    int direction_ = 0;  // 0 fade in, 1 fade out
    bool closing_ = false;
    bool animate_ = false;
    int pendingResult_ = 0;
};
