// The about box: a picture, a description of the program and "OK".
#pragma once

#include "common/formalphashow.h"

#include <QPixmap>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// One of the program's pictures ("welcome.jpg", "about.jpg", "options.jpg", "tips.jpg"), decoded
// through libjpeg from the compiled-in resources; a null pixmap when it cannot be read.
QPixmap ProgramPicture(const QString& fileName);

// The description shown in the box.
QString AboutText();

class TXPMenu;

class TFormAbout : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* owner = nullptr);

    // Help > About: the box, modal, then freed.
    static void Execute(QWidget* owner);

    QLabel* Image = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QPushButton* BitBtn1 = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    void BitBtn1Click();
};
