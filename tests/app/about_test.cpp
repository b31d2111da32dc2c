#include "app/formabout.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>
#include "qtapp.h"

namespace {

using vxtest::App;

TEST(ProgramPictures, EveryPictureDecodesAtItsSize) {
    App();
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{"welcome.jpg", {640, 120}}, {"about.jpg", {440, 120}},
                    {"options.jpg", {120, 340}}, {"tips.jpg", {120, 220}}};
    for (const auto& p : pictures) {
        const QPixmap pm = ProgramPicture(QString::fromLatin1(p.name));
        ASSERT_FALSE(pm.isNull()) << p.name;
        EXPECT_EQ(pm.size(), p.size) << p.name;
    }
    EXPECT_TRUE(ProgramPicture(QStringLiteral("none.jpg")).isNull());
}

TEST(AboutBox, OkClosesWithOkAndTheTextFits) {
    App();
    TFormAbout form;
    EXPECT_TRUE(form.Memo->isReadOnly());
    EXPECT_FALSE(form.Image->pixmap().isNull());

    QTimer::singleShot(0, [&form] {
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.Memo->verticalScrollBar()->isVisible());
        EXPECT_TRUE(form.rect().contains(form.BitBtn1->geometry()));
        EXPECT_TRUE(form.rect().contains(form.Memo->geometry()));
        form.BitBtn1->click();
    });
    EXPECT_EQ(form.exec(), 1);
}

}  // namespace
