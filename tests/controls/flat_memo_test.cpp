// Flat memo: its border looks, colours and text that keeps every 8-bit character.
#include "controls/flatmemo.h"
#include "flat_qtapp.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using flattest::At;
using flattest::Shot;

namespace {

TEST(FlatMemo, ColourProperties) {
    flattest::App();
    TFlatMemo memo;
    memo.SetColorFlat(clWindow);
    EXPECT_FALSE(memo.ParentColor());
    EXPECT_EQ(memo.Color(), clWindow);  // idle look takes the flat colour
    // Advanced colours come from the flat colour.
    memo.SetColorFlat(clSilver);
    memo.SetUseAdvColors(true);
    EXPECT_EQ(memo.ColorBorder(), CalcAdvancedColor(clSilver, 0, 50, true));
    EXPECT_EQ(memo.ColorFocused(), CalcAdvancedColor(clSilver, 0, 10, false));

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
        if (c != '\r' && c != '\n') all += QChar(c);
    memo.SetText(all);
    EXPECT_EQ(memo.Text(), all);

    memo.SetText(QStringLiteral("one\r\ntwo\nthree\rfour"));
    EXPECT_EQ(memo.Text(), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
    EXPECT_EQ(memo.Lines(), (QStringList{"one", "two", "three", "four"}));
    memo.SetText(QStringLiteral("end\r\n"));
    EXPECT_EQ(memo.Text(), QStringLiteral("end\r\n"));
    EXPECT_EQ(memo.Lines(), QStringList{"end"});
    memo.SetText(QString());
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
    const TColor flat = RGB(200, 210, 220);
    memo->SetColorFlat(flat);
    memo->SetScrollBars(ssBoth);
    form.resize(300, 200);
    form.show();
    QApplication::setActiveWindow(&form);
    const int w = memo->width(), h = memo->height();
    // The border, then the inside up to the corner between the scroll bars in the inner colour.
    auto expectLook = [&](TColor inner) {
        const QImage img = Shot(*memo);
        for (QPoint p : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(0, 0), QPoint(w - 1, h - 1)})
            EXPECT_EQ(At(img, p.x(), p.y()), clGray) << p.x() << "," << p.y();
        for (QPoint p : {QPoint(1, h / 2), QPoint(2, h / 2), QPoint(w / 2, 2), QPoint(1, 1), QPoint(w - 8, h - 8)})
            EXPECT_EQ(At(img, p.x(), p.y()), inner) << p.x() << "," << p.y();
    };
    memo->setFocus();
    vxtest::WaitUntil([&] { return memo->hasFocus(); }, 1000);
    ASSERT_TRUE(memo->hasFocus());
    EXPECT_TRUE(memo->ActiveLook());
    expectLook(clWhite);

    other->setFocus();
    vxtest::WaitUntil([&] { return !memo->hasFocus(); }, 1000);
    ASSERT_FALSE(memo->hasFocus());
    EXPECT_FALSE(memo->ActiveLook());
    expectLook(flat);

    // The mouse over an unfocused memo lights it while no other flat memo has the focus.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(memo, &enter);
    EXPECT_TRUE(memo->ActiveLook());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(memo, &leave);
    EXPECT_FALSE(memo->ActiveLook());
}

}  // namespace
