// The tip of the day and the about box, with the program's pictures.
#include "mainwindow/formabout.h"
#include "mainwindow/formtipoftheday.h"

#include "window_fixture.h"

namespace {

using vxtest::App;

using wintest::ProgramFilesHere;
using wintest::RepoDir;

TEST(TipsFile, OneTipALineWhateverTheLineEndsAndBuiltInTipsWithoutAny) {
    vxtest::TempDir dir;
    const QStringList builtIn{"Very Good...", "Perfect..."};
    const std::pair<const char*, QStringList> cases[] = {
        {"", builtIn},
        {"\r\n   \n\t\r\n\n", builtIn},
        {"First tip\r\nSecond, with  two blanks \n\nThird\rFourth",
         {"First tip", "Second, with  two blanks ", "Third", "Fourth"}},
        {"Only one\n", {"Only one"}},
        {"Caf\xc3\xa9\n", {QStringLiteral(u"Caf\u00e9")}},  // UTF-8 is read as such,
        {"Caf\xe9\n", {QStringLiteral(u"Caf\u00e9")}},       // other bytes one character each
    };
    for (auto [bytes, tips] : cases) {
        vxtest::WriteAll(dir.Path("t.tip"), bytes);
        EXPECT_EQ(LoadTips(dir.Path("t.tip")), tips) << bytes;
    }
    EXPECT_EQ(LoadTips(dir.Path("none.tip")), builtIn);
    EXPECT_EQ(LoadTips(dir.Root().string()), builtIn);  // a folder, not a file
}

TEST(TipsFile, ShippedTipsAreOneALine) {
    const std::string path = RepoDir() + "/resources/programfiles/Tips.tip";
    const QStringList tips = LoadTips(path);
    EXPECT_EQ(tips.size(), QString::fromStdString(vxtest::ReadAll(path)).split('\n', Qt::SkipEmptyParts).size());
    EXPECT_GE(tips.size(), 15);
    for (const QString& tip : tips) EXPECT_LE(tip.size(), 200) << tip.toStdString();
}

TEST(TipWindow, NextTipVisitsTheTipsAndAOneLineFileAlwaysShowsThatLine) {
    App();
    ProgramFilesHere files;
    TOption option;
    {
        TFormTipOfTheDay form(nullptr, &option);  // no file: the built-in tips
        std::set<QString> seen;
        for (int i = 0; i < 200 && seen.size() < 2; ++i) {
            seen.insert(form.CurrentTip());
            form.BitBtnNextTip->click();
        }
        EXPECT_EQ(seen, (std::set<QString>{"Very Good...", "Perfect..."}));
        form.SetTips({});
        EXPECT_FALSE(form.CurrentTip().isEmpty());
    }
    vxtest::WriteAll(files.dir.Path("Tips.tip"), "Press F8 to edit a record.\n");
    TFormTipOfTheDay form(nullptr, &option);
    EXPECT_TRUE(form.MemoTip->isReadOnly());
    for (int i = 0; i < 10; ++i, form.BitBtnNextTip->click())
        EXPECT_EQ(form.CurrentTip(), QStringLiteral("Press F8 to edit a record."));
}

TEST(TipWindow, OkStoresShowOnStartupAndEscLeavesIt) {
    App();
    ProgramFilesHere files;
    TOption option;
    for (bool ok : {false, true}) {
        TFormTipOfTheDay form(nullptr, &option);
        EXPECT_TRUE(form.cbShowTipsOnStartup->isChecked());
        form.InitAlphaShow(false, 30, 30);
        form.show();
        form.cbShowTipsOnStartup->setChecked(false);
        if (ok)
            form.BitBtn2->click();
        else
            vxtest::Key(&form, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(option.AlwayShowTipOfTheDay, !ok);
    }
    EXPECT_FALSE(TFormTipOfTheDay(nullptr, &option).cbShowTipsOnStartup->isChecked());
}

TEST(TipWindow, TextColoursStayReadableOnWhite) {
    auto luma = [](QColor c) { return (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000; };
    EXPECT_EQ(ReadableTipColor(Qt::black), QColor(Qt::black));
    EXPECT_EQ(ReadableTipColor(QColor(0x80, 0, 0)), QColor(0x80, 0, 0));
    for (QColor c : {QColor(Qt::white), QColor(0xC0, 0xC0, 0xC0), QColor(Qt::yellow), QColor(0, 255, 255)})
        EXPECT_LE(luma(ReadableTipColor(c)), 150);
}

TEST(TipWindow, PictureAndLayoutFit) {
    App();
    ProgramFilesHere files;
    vxtest::WriteAll(files.dir.Path("Tips.tip"), vxtest::ReadAll(RepoDir() + "/resources/programfiles/Tips.tip"));
    TOption option;
    TFormTipOfTheDay form(nullptr, &option);
    form.InitAlphaShow(false, 30, 30);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.Picture->pixmap().isNull());
    for (QWidget* w : std::initializer_list<QWidget*>{form.cbShowTipsOnStartup, form.BitBtnNextTip, form.BitBtn2}) {
        EXPECT_TRUE(form.rect().contains(w->geometry())) << w->objectName().toStdString();
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(form.cbShowTipsOnStartup->geometry().intersects(form.BitBtnNextTip->geometry()));
    // The longest shipped tip fits the memo without scrolling.
    form.MemoTip->setPlainText(*std::max_element(form.Tips.begin(), form.Tips.end(),
                                                 [](const QString& a, const QString& b) { return a.size() < b.size(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.MemoTip->verticalScrollBar()->isVisible());
}

TEST(ProgramPictures, EveryPictureDecodesAtItsSize) {
    App();
    for (auto [name, size] : {std::pair{"welcome.jpg", QSize(640, 120)}, {"about.jpg", QSize(440, 120)},
                              {"options.jpg", QSize(120, 340)}, {"tips.jpg", QSize(120, 220)}})
        EXPECT_EQ(ProgramPicture(QString::fromLatin1(name)).size(), size) << name;
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
        EXPECT_TRUE(form.rect().contains(form.BitBtn1->geometry()) && form.rect().contains(form.Memo->geometry()));
        form.BitBtn1->click();
    });
    EXPECT_EQ(form.exec(), 1);
}

}  // namespace
