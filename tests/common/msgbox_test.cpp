#include "common/msgbox.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QTimer>
#include <QTextLayout>

#include <QLabel>

#include "common/programfiles_fixture.h"
#include "qtapp.h"

namespace {

using vxtest::App;
using vxtest::Key;
using commontest::ProgramFilesHere;

bool WaitFor(const std::function<bool()>& done) { return vxtest::WaitUntil(done, 3000); }

// The widest line of a label's text as it lays it out.
qreal WidestWrappedLine(const QLabel* label) {
    QTextLayout layout(label->text(), label->font());
    QTextOption opt;
    opt.setWrapMode(label->wordWrap() ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(opt);
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->contentsRect().width());
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return widest;
}

// A box set up and shown without fading.
struct TShownBox : TFormConfirmWithCheckBox {
    TShownBox(const QString& text, TMsgBoxIcon icon, TMsgBoxButtons buttons, bool checkBox) {
        SetInfo("C", text, icon, buttons, checkBox);
        InitAlphaShow(false, 30, 30);
        show();
        QCoreApplication::processEvents();
    }
};

TEST(MsgBoxButtons, EverySetShowsItsButtonsAndReturnsTheirResults) {
    App();
    ProgramFilesHere files;
    const std::tuple<TMsgBoxButtons, const char*, const char*, int, int> cases[] = {
        {TMsgBoxButtons::Yes, nullptr, "Yes", 0, mrYes},           {TMsgBoxButtons::No, nullptr, "No", 0, mrNo},
        {TMsgBoxButtons::YesNo, "Yes", "No", mrYes, mrNo},         {TMsgBoxButtons::OK, nullptr, "OK", 0, mrOk},
        {TMsgBoxButtons::Cancel, nullptr, "Cancel", 0, mrCancel},  {TMsgBoxButtons::OKCancel, "OK", "Cancel", mrOk, mrCancel}};
    for (auto [buttons, left, right, leftResult, rightResult] : cases) {
        for (int side = left ? 0 : 1; side < 2; ++side) {
            SCOPED_TRACE(right);
            TShownBox box("Text", TMsgBoxIcon::Question, buttons, false);
            EXPECT_EQ(box.BitBtn1->isVisible() ? box.BitBtn1->text() : QString(), QString::fromLatin1(left));
            EXPECT_EQ(box.BitBtn2->text(), QString::fromLatin1(right));
            EXPECT_EQ(box.Result, mrNone);
            (side == 0 ? box.BitBtn1 : box.BitBtn2)->click();
            EXPECT_EQ(box.Result, side == 0 ? leftResult : rightResult);
            EXPECT_EQ(box.result(), box.Result);
            EXPECT_FALSE(box.isVisible());
        }
    }
}

TEST(MsgBoxButtons, ModalBoxReturnsButtonAndCheckBoxState) {
    App();
    ProgramFilesHere files;
    for (bool yes : {true, false}) {
        QTimer::singleShot(0, [yes] {
            auto* box = qobject_cast<TFormConfirmWithCheckBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Q"));
            box->CheckBoxAlwayShow->setChecked(yes);
            (yes ? box->BitBtn1 : box->BitBtn2)->click();
        });
        TMsgBoxResult out{99, !yes};
        MsgBox("Q", "Quit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true, false, 30, 30, out);
        EXPECT_EQ(out.ModalResult, yes ? mrYes : mrNo);
        EXPECT_EQ(out.Checked, yes);
    }
}

TEST(MsgBoxKeys, EscGivesZeroAndEnterPressesTheDefaultButton) {
    App();
    ProgramFilesHere files;
    // Enter on the check box presses the default button; a single button is the default one.
    for (auto [buttons, checkBox, key, result] : {std::tuple{TMsgBoxButtons::OKCancel, false, Qt::Key_Escape, mrNone},
                                                  {TMsgBoxButtons::YesNo, true, Qt::Key_Return, mrYes},
                                                  {TMsgBoxButtons::Cancel, false, Qt::Key_Enter, mrCancel}}) {
        TShownBox box("Key", TMsgBoxIcon::Question, buttons, checkBox);
        if (checkBox) box.CheckBoxAlwayShow->setFocus();
        Key(&box, key);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.Result, result) << key;
    }
}

TEST(MsgBoxFade, FadesInThenEscFadesOutWithResultZero) {
    App();
    ProgramFilesHere files;
    TFormConfirmWithCheckBox box;
    box.SetInfo("Q", "Quit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true);
    box.InitAlphaShow(true, 5, 30);
    EXPECT_EQ(box.Alpha(), 0);
    box.show();
    const int y0 = box.y();
    ASSERT_TRUE(WaitFor([&] { return !box.Fading(); }));
    EXPECT_EQ(box.Alpha(), 255);
    EXPECT_LT(box.y(), y0);  // it rises as it fades in
    Key(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());  // the close waits for the fade-out
    box.BitBtn1->click();          // a second request during the fade changes nothing
    ASSERT_TRUE(WaitFor([&] { return !box.isVisible(); }));
    EXPECT_EQ(box.Result, mrNone);
    EXPECT_EQ(box.Alpha(), 0);
    EXPECT_EQ(box.y(), y0);
    box.InitAlphaShow(true, 0, 0);  // a step or interval below one still finishes
    EXPECT_EQ(box.Step() * box.Interval(), 1);
}

TEST(MsgBoxLayout, TextIconCheckBoxAndButtonsFitWithoutOverlapping) {
    App();
    ProgramFilesHere files;
    files.CopyIcons();
    const QFontMetrics metrics(TFormConfirmWithCheckBox().font());
    QString wide;
    while (metrics.horizontalAdvance(wide + QLatin1Char('m')) <= 400) wide += QLatin1Char('m');
    const QString path = "/home/user/tables/" + QString(300, QLatin1Char('x')) + "/orders.dbf";
    const std::tuple<QString, TMsgBoxIcon, TMsgBoxButtons, bool> cases[] = {
        {"Quit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true},
        {"Remove the selected records?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true},
        {"File[" + path + "] not exist!", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true},
        {"a\n" + wide + "\nb", TMsgBoxIcon::Information, TMsgBoxButtons::OK, false},
        {"Not DBF Files!", TMsgBoxIcon::Warning, TMsgBoxButtons::OK, false}};
    for (const auto& [text, icon, buttons, checkBox] : cases) {
        SCOPED_TRACE(text.toStdString());
        TShownBox box(text, icon, buttons, checkBox);
        const QRect all = box.rect(), label = box.LabelInfo->geometry(), check = box.CheckBoxAlwayShow->geometry();
        EXPECT_FALSE(box.Image->pixmap().isNull());
        EXPECT_TRUE(all.contains(label));
        EXPECT_FALSE(label.intersects(box.Image->geometry()));
        for (const QString& line : text.split('\n'))  // no word runs off
            EXPECT_LE(box.LabelInfo->wordWrap() ? WidestWrappedLine(box.LabelInfo) : metrics.horizontalAdvance(line),
                      label.width());
        const int needed = box.LabelInfo->heightForWidth(label.width());
        EXPECT_GE(label.height(), needed > 0 ? needed : box.LabelInfo->sizeHint().height());
        EXPECT_LE(box.width(), box.screen()->availableGeometry().width());
        EXPECT_TRUE(all.contains(box.PanelBottom->geometry()));
        EXPECT_FALSE(box.BitBtn1->isVisible() && box.BitBtn1->geometry().intersects(box.BitBtn2->geometry()));
        EXPECT_EQ(box.CheckBoxAlwayShow->isVisible(), checkBox);
        if (checkBox) {
            EXPECT_TRUE(all.contains(check));
            EXPECT_FALSE(label.intersects(check));
            EXPECT_GE(check.width(), box.CheckBoxAlwayShow->sizeHint().width());
            EXPECT_GE(box.PanelBottom->geometry().top(), check.bottom());
        }
    }
}

TEST(MsgBoxIcons, FilesLoadedAndDrawnWhenMissingOrDamaged) {
    App();
    EXPECT_EQ(MsgBoxIconFile(TMsgBoxIcon::Warning), QStringLiteral("Icon/Warnning48.ico"));  // as shipped
    for (TMsgBoxIcon icon : {TMsgBoxIcon::Question, TMsgBoxIcon::Information, TMsgBoxIcon::Warning}) {
        for (int kind : {0, 1, 2}) {  // shipped, missing, damaged
            ProgramFilesHere files;
            if (kind == 0) files.CopyIcons();
            const std::string file = files.dir.Path(MsgBoxIconFile(icon).toStdString());
            if (kind == 2) {
                std::filesystem::create_directories(files.dir.Path("Icon"));
                vxtest::WriteAll(file, std::string("\0\0\1\0garbage", 11));
            }
            TFormConfirmWithCheckBox box;
            box.SetInfo("", "x", icon, TMsgBoxButtons::OK, false);
            box.ApplyInfo();
            const QImage shown = box.Image->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            if (kind == 0) {
                EXPECT_EQ(shown, QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_ARGB32));
            }
            EXPECT_EQ(box.Image->pixmap().deviceIndependentSize().toSize(), QSize(48, 48));  // drawn otherwise
        }
    }
    TFormConfirmWithCheckBox box;  // another kind has no picture
    box.SetInfo("", "x", TMsgBoxIcon::None, TMsgBoxButtons::OK, false);
    box.ApplyInfo();
    EXPECT_TRUE(box.Image->pixmap().isNull());
}

TEST(MsgBoxSeam, ScriptAnswersAndRecordsQuestions) {
    App();
    {
        ScriptedMsgBox script;
        script.Answer(mrYes, true);
        script.DefaultAnswer = TMsgBoxResult{mrOk, true};
        const auto windowsBefore = QApplication::topLevelWidgets().size();
        TMsgBoxResult a = MsgBox("Q", "Quit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true, true, 40, 20);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);  // no window built
        EXPECT_EQ(std::pair(a.ModalResult, a.Checked), std::pair(int(mrYes), true));
        TMsgBoxResult c = MsgBox("", "Not DBF Files!", TMsgBoxIcon::Warning, TMsgBoxButtons::OK);
        EXPECT_EQ(std::pair(c.ModalResult, c.Checked), std::pair(int(mrOk), false));  // no check box, nothing checked
        // Boxes the caller keeps go through the same seam; a hidden check box is never checked.
        script.Answer(mrYes, true);
        TFormConfirmWithCheckBox box;
        box.SetInfo("E", "Edit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false);
        box.InitAlphaShow(true, 30, 30);
        EXPECT_EQ(box.exec(), mrYes);
        EXPECT_EQ(box.Result, mrYes);
        EXPECT_FALSE(box.CheckBoxAlwayShow->isChecked());
        EXPECT_FALSE(box.isVisible());
        ASSERT_EQ(script.Asked.size(), 3u);
        const TMsgBoxRequest& q = script.Asked[0];
        EXPECT_EQ(std::tuple(q.Caption, q.Text, q.Icon, q.Buttons, q.ShowCheckBox, q.Animate, q.Interval, q.Step),
                  std::tuple(QString("Q"), QString("Quit?"), TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true, true, 40, 20));
        EXPECT_EQ(std::tuple(script.Asked[2].Caption, script.Asked[2].Animate), std::tuple(QString("E"), true));
        {
            ScriptedMsgBox inner;  // nests: the outer script is back afterwards
            MsgBox("", "inner", TMsgBoxIcon::Information, TMsgBoxButtons::OK);
            EXPECT_EQ(inner.Asked.size(), 1u);
        }
        MsgBox("", "outer", TMsgBoxIcon::Information, TMsgBoxButtons::OK);
        EXPECT_EQ(script.Asked.size(), 4u);
    }
    EXPECT_FALSE(static_cast<bool>(MsgBoxHandler()));
}

// A box asked with a closer closes by itself, without fading, when the closer ends or goes;
// once it has ended no box shows, and through the seam a late answer counts for nothing.
TEST(MsgBoxCloser, AnOpenBoxClosesByItselfAndNoneShowsOnceItHasEnded) {
    App();
    ProgramFilesHere files;
    const auto ask = [](TMsgBoxCloser* closer, bool animate = false) {
        return MsgBox("", "Stop?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, false, animate, 30, 30, nullptr, closer)
            .ModalResult;
    };
    TMsgBoxCloser closer;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = QApplication::activeModalWidget(), closer.End();
        EXPECT_FALSE(QApplication::activeModalWidget());  // gone at once
    });
    EXPECT_EQ(std::tuple(ask(&closer), shown), std::tuple(mrNone, true));
    QTimer::singleShot(0, [&] { shown = false; });  // fires only in a box's event loop
    EXPECT_EQ(std::tuple(ask(&closer), shown), std::tuple(mrNone, true));
    QCoreApplication::processEvents();
    auto* gone = new TMsgBoxCloser;
    QTimer::singleShot(0, [&] { delete gone; });
    EXPECT_EQ(ask(gone, true), mrNone);
    TMsgBoxCloser late, open;
    SetMsgBoxHandler([&](const TMsgBoxRequest& r) {
        if (r.Closer == &late) late.End();
        return TMsgBoxResult{mrYes};
    });
    EXPECT_EQ(std::tuple(ask(&late), ask(&open)), std::tuple(mrNone, mrYes));
    SetMsgBoxHandler({});
}

}  // namespace
