// Flat memo: its border looks, colours and text that keeps every 8-bit character.
#include "controls/flatmemo.h"
#include "flat_qtapp.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using flattest::At;
using flattest::Shot;

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

TEST(FlatMemo, DefaultsAndColourProperties) {
    flattest::App();
    TFlatMemo memo;
    EXPECT_EQ(memo.size(), QSize(185, 89));
    EXPECT_EQ(memo.ColorFocused(), clWhite);
    EXPECT_EQ(memo.ColorBorder(), 0x8396A0);
    EXPECT_EQ(memo.ColorFlat(), 0xE1EAEB);
    EXPECT_EQ(memo.AdvColorFocused(), 10);
    EXPECT_EQ(memo.AdvColorBorder(), 50);
    EXPECT_TRUE(memo.ParentColor());
    memo.SetColorFlat(clWindow);
    EXPECT_FALSE(memo.ParentColor());
    EXPECT_EQ(memo.Color(), clWindow);  // idle look takes the flat colour

    // Advanced colours come from the flat colour.
    TFlatMemo adv;
    adv.SetColorFlat(clSilver);
    adv.SetUseAdvColors(true);
    EXPECT_TRUE(adv.ParentColor());
    EXPECT_EQ(adv.ColorBorder(), CalcAdvancedColor(clSilver, 0, 50, true));
    EXPECT_EQ(adv.ColorFocused(), CalcAdvancedColor(clSilver, 0, 10, false));

    // On a form the memo takes the form's colour while ParentColor is set.
    QWidget form;
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    form.setPalette(pal);
    TFlatMemo child(&form);
    EXPECT_EQ(child.ColorFlat(), RGB(10, 20, 30));
}

TEST(FlatMemo, TextKeepsEveryCharacterAndUsesCrLf) {
    flattest::App();
    TFlatMemo memo;
    QString all;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n')
            all += QChar(c);
    memo.SetText(all);
    EXPECT_EQ(memo.Text(), all);
    EXPECT_EQ(memo.Text().toLatin1(), all.toLatin1());

    memo.SetText(QStringLiteral("one\r\ntwo\nthree\rfour"));
    EXPECT_EQ(memo.Text(), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
    EXPECT_EQ(memo.Lines(), (QStringList{"one", "two", "three", "four"}));
    memo.SetText(QStringLiteral("end\r\n"));
    EXPECT_EQ(memo.Text(), QStringLiteral("end\r\n"));
    EXPECT_EQ(memo.Lines(), QStringList{"end"});
    memo.SetText(QString());
    EXPECT_EQ(memo.Text(), QString());
    EXPECT_TRUE(memo.Lines().isEmpty());
}

TEST(FlatMemo, BorderLightsUpWithTheFocus) {
    flattest::App();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* memo = new TFlatMemo(&form);
    auto* other = new QLineEdit(&form);
    layout->addWidget(memo);
    layout->addWidget(other);
    memo->SetColorBorder(clGray);
    memo->SetColorFlat(RGB(200, 210, 220));
    memo->SetScrollBars(ssBoth);
    form.resize(300, 200);
    form.show();
    QApplication::setActiveWindow(&form);
    memo->setFocus();
    Settle();
    ASSERT_TRUE(memo->hasFocus());
    EXPECT_TRUE(memo->ActiveLook());
    EXPECT_EQ(memo->Color(), clWhite);
    QImage img = Shot(*memo);
    const int w = memo->width(), h = memo->height();
    EXPECT_EQ(At(img, 0, h / 2), clGray);
    EXPECT_EQ(At(img, w - 1, h / 2), clGray);
    EXPECT_EQ(At(img, 1, h / 2), clWhite);
    EXPECT_EQ(At(img, 2, h / 2), clWhite);
    EXPECT_EQ(At(img, w / 2, 2), clWhite);
    EXPECT_EQ(At(img, 0, 0), clGray);
    EXPECT_EQ(At(img, 1, 1), clWhite);
    EXPECT_EQ(At(img, w - 1, h - 1), clGray);
    // The corner between the scroll bars takes the inner colour.
    EXPECT_EQ(At(img, w - 8, h - 8), clWhite);

    other->setFocus();
    Settle();
    ASSERT_FALSE(memo->hasFocus());
    EXPECT_FALSE(memo->ActiveLook());
    EXPECT_EQ(memo->Color(), RGB(200, 210, 220));
    img = Shot(*memo);
    EXPECT_EQ(At(img, 0, h / 2), clGray);
    EXPECT_EQ(At(img, 1, h / 2), RGB(200, 210, 220));
    EXPECT_EQ(At(img, 2, h / 2), RGB(200, 210, 220));
    EXPECT_EQ(At(img, w - 8, h - 8), RGB(200, 210, 220));

    // The mouse over an unfocused memo lights it while no other flat memo has the focus.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(memo, &enter);
    EXPECT_TRUE(memo->MouseInControl());
    EXPECT_TRUE(memo->ActiveLook());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(memo, &leave);
    EXPECT_FALSE(memo->MouseInControl());
    EXPECT_FALSE(memo->ActiveLook());
}

}  // namespace
