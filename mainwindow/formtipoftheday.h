// The tip-of-the-day window: a picture, "Did you know..." and one random tip from "Tips.tip"
// among the program's files, with "Next Tip", "OK" and the "Show tips on startup" box.
#pragma once

#include <QColor>
#include <QStringList>
#include <string>

#include "common/formalphashow.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TOption;

// The tips of a tips file: one a line (LF, CR LF or CR), blank lines skipped. A missing,
// unreadable or empty file gives the built-in tips.
QStringList LoadTips(const std::string& path);
QStringList BuiltInTips();

// The window's first text colours (0x00BBGGRR), one chosen at random.
extern const int TipColors[10];
// A colour readable on the white tip: too light a colour is darkened.
QColor ReadableTipColor(QColor color);

class TXPMenu;

class TFormTipOfTheDay : public TFormAlphaShow {
    Q_OBJECT
public:
    // Reads the tips and shows a random one. `option` holds "Show tips on startup" (the global
    // Option when null; the box is then only shown, not stored, if there is none).
    explicit TFormTipOfTheDay(QWidget* owner = nullptr, TOption* option = nullptr);

    // Help > Tip Of The Day and the start-up tip: the window fading in, modal, then freed.
    static void Execute(QWidget* owner, TOption* option = nullptr);

    // Replaces the tips (and shows a random one of them).
    void SetTips(const QStringList& tips);
    // The tip on show.
    QString CurrentTip() const;

    QStringList Tips;
    QLabel* Picture = nullptr;
    QLabel* PanelDidYouKnow = nullptr;
    QPlainTextEdit* MemoTip = nullptr;
    QCheckBox* cbShowTipsOnStartup = nullptr;
    QPushButton* BitBtnNextTip = nullptr;
    QPushButton* BitBtn2 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void BitBtnNextTipClick();
    void BitBtn2Click();

private:
    void ShowRandomTip();
    void SetTipColor(QColor color);
    TOption* option_ = nullptr;
};
