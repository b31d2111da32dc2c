#include "app/msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "app/programfiles.h"
#include "qtapp.h"
#include "testutil.h"

namespace {

using vxtest::App;

using vxtest::Key;

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

std::string RepoDir() {
    std::string here = __FILE__;  // .../tests/app/msgbox_test.cpp
    for (int i = 0; i < 3; ++i) here = here.substr(0, here.find_last_of('/'));
    return here;
}

// Program files in a temporary folder for the life of the object.
struct ProgramFilesHere {
    vxtest::TempDir dir;
    ProgramFilesHere() { vx::SetProgramFilesDir(dir.Root().string()); }
    ~ProgramFilesHere() { vx::SetProgramFilesDir(""); }
    void CopyIcons() {
        std::filesystem::copy(RepoDir() + "/resources/programfiles/Icon", dir.Path("Icon"),
                              std::filesystem::copy_options::recursive);
    }
};

struct ButtonCase {
    int buttons;
    const char* left;   // nullptr: hidden
    const char* right;
    int leftResult;
    int rightResult;
};

const ButtonCase kButtonCases[] = {
    {mbbYes, nullptr, "Yes", 0, mrYes},      {mbbNo, nullptr, "No", 0, mrNo},
    {mbbYesNo, "Yes", "No", mrYes, mrNo},    {mbbOK, nullptr, "OK", 0, mrOk},
    {mbbCancel, nullptr, "Cancel", 0, mrCancel}, {mbbOKCancel, "OK", "Cancel", mrOk, mrCancel},
};

TEST(MsgBoxButtons, EverySetShowsItsButtonsAndReturnsTheirResults) {
    App();
    ProgramFilesHere files;
    for (const ButtonCase& c : kButtonCases) {
        SCOPED_TRACE(c.buttons);
        for (int side = 0; side < 2; ++side) {
            if (side == 0 && !c.left) continue;
            TFormConfirmWithCheckBox box;
            box.SetInfo("C", "Text", mbiQuestion, c.buttons, false);
            box.InitAlphaShow(false, 30, 30);
            box.show();
            EXPECT_EQ(box.BitBtn1->isVisible(), c.left != nullptr);
            EXPECT_TRUE(box.BitBtn2->isVisible());
            if (c.left) {
                EXPECT_EQ(box.BitBtn1->text(), QString::fromLatin1(c.left));
            }
            EXPECT_EQ(box.BitBtn2->text(), QString::fromLatin1(c.right));
            EXPECT_EQ(box.Result, mrNone);
            (side == 0 ? box.BitBtn1 : box.BitBtn2)->click();
            EXPECT_EQ(box.Result, side == 0 ? c.leftResult : c.rightResult);
            EXPECT_EQ(box.result(), box.Result);
            EXPECT_FALSE(box.isVisible());
        }
    }
}

TEST(MsgBoxButtons, ModalBoxReturnsButtonAndCheckBoxState) {
    App();
    ProgramFilesHere files;
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<TFormConfirmWithCheckBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->CheckBoxAlwayShow->isVisible());
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Q"));
        box->CheckBoxAlwayShow->setChecked(true);
        box->BitBtn1->click();
    });
    TMsgBoxResult r = MsgBox("Q", "Quit?", mbiQuestion, mbbYesNo, true);
    EXPECT_EQ(r.ModalResult, mrYes);
    EXPECT_TRUE(r.Checked);

    // The same through the out parameter; No with the box left clear.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<TFormConfirmWithCheckBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->BitBtn2->click();
    });
    TMsgBoxResult out{99, true};
    MsgBox("Q", "Close?", mbiQuestion, mbbYesNo, true, false, 30, 30, out);
    EXPECT_EQ(out.ModalResult, mrNo);
    EXPECT_FALSE(out.Checked);
}

TEST(MsgBoxKeys, EscGivesZeroAndEnterPressesTheDefaultButton) {
    App();
    ProgramFilesHere files;
    struct Case {
        int buttons;
        bool checkBox;
        int key;
        int result;
    };
    // Enter on the check box presses the default button; a single button is the default one.
    for (const Case& c : {Case{mbbOKCancel, false, Qt::Key_Escape, mrNone}, Case{mbbYesNo, true, Qt::Key_Return, mrYes},
                          Case{mbbCancel, false, Qt::Key_Enter, mrCancel}}) {
        TFormConfirmWithCheckBox box;
        box.SetInfo("", "Key", mbiQuestion, c.buttons, c.checkBox);
        box.InitAlphaShow(false, 30, 30);
        box.show();
        if (c.checkBox) box.CheckBoxAlwayShow->setFocus();
        Key(&box, c.key);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.Result, c.result) << c.key;
    }
}

TEST(MsgBoxFade, FadesInThenEscFadesOutWithResultZero) {
    App();
    ProgramFilesHere files;
    TFormConfirmWithCheckBox box;
    box.SetInfo("Q", "Quit?", mbiQuestion, mbbYesNo, true);
    box.InitAlphaShow(true, 5, 30);
    EXPECT_EQ(box.Alpha(), 0);
    box.show();
    const int y0 = box.y();
    EXPECT_TRUE(box.Fading());
    ASSERT_TRUE(WaitFor([&] { return !box.Fading(); }));
    EXPECT_EQ(box.Alpha(), 255);
    EXPECT_EQ(box.y(), y0 - 18);  // 9 ticks of 2 pixels

    Key(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());  // the close waits for the fade-out
    EXPECT_TRUE(box.Fading());
    box.BitBtn1->click();  // a second request during the fade changes nothing
    ASSERT_TRUE(WaitFor([&] { return !box.isVisible(); }));
    EXPECT_EQ(box.Result, mrNone);
    EXPECT_EQ(box.Alpha(), 0);
    EXPECT_EQ(box.y(), y0);
    // A step or interval below one still finishes.
    box.InitAlphaShow(true, 0, 0);
    EXPECT_EQ(box.Step(), 1);
    EXPECT_EQ(box.Interval(), 1);
}

TEST(MsgBoxLayout, WidthFollowsTheText) {
    App();
    ProgramFilesHere files;
    auto textOfWidth = [](const QFont& font, int px) {
        QFontMetrics fm(font);
        QString s;
        while (fm.horizontalAdvance(s + QLatin1Char('m')) <= px) s += QLatin1Char('m');
        return s;
    };
    TFormConfirmWithCheckBox box;
    const QString shortText = textOfWidth(box.font(), 150);
    box.SetInfo("", shortText, mbiInformation, mbbOK, false);
    box.ApplyInfo();
    EXPECT_EQ(box.width(), 305);

    const QString longText = textOfWidth(box.font(), 400);
    const int w = QFontMetrics(box.font()).horizontalAdvance(longText);
    box.SetInfo("", longText, mbiInformation, mbbOK, false);
    box.ApplyInfo();
    EXPECT_EQ(box.width(), w + 100);
    box.show();
    EXPECT_GE(box.LabelInfo->width(), w);
    EXPECT_LE(box.LabelInfo->geometry().right(), box.width());

    // Several lines: the widest one counts, and the box grows to show them all.
    const QString lines = shortText + "\n" + longText + "\n" + shortText;
    box.SetInfo("", lines, mbiInformation, mbbOK, false);
    box.ApplyInfo();
    EXPECT_EQ(box.width(), w + 100);
    EXPECT_GE(box.LabelInfo->height(), 3 * QFontMetrics(box.font()).height());
}

TEST(MsgBoxLayout, QuestionWithCheckBoxFitsAndNothingOverlaps) {
    App();
    ProgramFilesHere files;
    files.CopyIcons();
    const QString path = "/home/user/tables/" + QString(300, QLatin1Char('x')) + "/orders.dbf";
    for (const QString& text : {QStringLiteral("Quit?"), QStringLiteral("Remove the selected records?"),
                                "File[" + path + "] not exist!"}) {
        SCOPED_TRACE(text.toStdString());
        TFormConfirmWithCheckBox box;
        box.SetInfo("Q", text, mbiQuestion, mbbYesNo, true);
        box.InitAlphaShow(false, 30, 30);
        box.show();
        QCoreApplication::processEvents();
        const QRect all = box.rect();
        const QRect label = box.LabelInfo->geometry(), check = box.CheckBoxAlwayShow->geometry();
        EXPECT_TRUE(all.contains(label));
        EXPECT_TRUE(all.contains(check));
        EXPECT_FALSE(label.intersects(check));
        EXPECT_FALSE(label.intersects(box.Image->geometry()));
        EXPECT_GE(check.width(), box.CheckBoxAlwayShow->sizeHint().width());
        EXPECT_LE(WidestWrappedLine(box.LabelInfo), label.width());  // no word runs off
        EXPECT_GE(label.height(), box.LabelInfo->heightForWidth(label.width()) > 0
                                      ? box.LabelInfo->heightForWidth(label.width())
                                      : box.LabelInfo->sizeHint().height());
        EXPECT_LE(box.width(), box.screen()->availableGeometry().width());
        const QRect bottom = box.PanelBottom->geometry();
        EXPECT_TRUE(all.contains(bottom));
        EXPECT_GE(bottom.top(), check.bottom());
        EXPECT_FALSE(box.BitBtn1->geometry().intersects(box.BitBtn2->geometry()));
    }
}

TEST(MsgBoxLayout, InformationAndWarningBoxesShowIconTextAndOneButton) {
    App();
    for (bool icons : {true, false}) {
        ProgramFilesHere files;
        if (icons) files.CopyIcons();
        for (int icon : {mbiInformation, mbiWarning}) {
            TFormConfirmWithCheckBox box;
            box.SetInfo("", icon == mbiInformation ? QStringLiteral("The table was saved as orders_copy.dbf.")
                                                   : QStringLiteral("Not DBF Files!"),
                        icon, mbbOK, false);
            box.InitAlphaShow(false, 30, 30);
            box.show();
            QCoreApplication::processEvents();
            EXPECT_FALSE(box.Image->pixmap().isNull());
            EXPECT_FALSE(box.CheckBoxAlwayShow->isVisible());
            EXPECT_FALSE(box.BitBtn1->isVisible());
            EXPECT_TRUE(box.rect().contains(box.LabelInfo->geometry()));
            EXPECT_GE(box.LabelInfo->width(), box.LabelInfo->sizeHint().width());
        }
    }
}

TEST(MsgBoxIcons, FilesLoadedAndDrawnWhenMissing) {
    App();
    // The shipped files, by their names (the warning's as the program spells it).
    EXPECT_EQ(MsgBoxIconFile(mbiWarning), QStringLiteral("Icon/Warnning48.ico"));
    EXPECT_TRUE(MsgBoxIconFile(3).isEmpty());
    for (int icon : {mbiQuestion, mbiInformation, mbiWarning}) {
        for (bool shipped : {true, false}) {
            ProgramFilesHere files;
            if (shipped) files.CopyIcons();
            TFormConfirmWithCheckBox box;
            box.SetInfo("", "x", icon, mbbOK, false);
            box.ApplyInfo();
            const QImage shown = box.Image->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage file(QString::fromStdString(files.dir.Path(MsgBoxIconFile(icon).toStdString())));
            EXPECT_EQ(file.isNull(), !shipped);
            if (shipped) {
                EXPECT_EQ(shown, file.convertToFormat(QImage::Format_ARGB32));
            }
            EXPECT_EQ(box.Image->pixmap().deviceIndependentSize().toSize(), QSize(48, 48));  // drawn otherwise
        }
    }
    // A damaged icon file is drawn instead too; another kind has no picture.
    ProgramFilesHere files;
    std::filesystem::create_directories(files.dir.Path("Icon"));
    vxtest::WriteAll(files.dir.Path("Icon/Warnning48.ico"), std::string("\0\0\1\0garbage", 11));
    TFormConfirmWithCheckBox box;
    box.SetInfo("", "x", mbiWarning, mbbOK, false);
    box.ApplyInfo();
    EXPECT_FALSE(box.Image->pixmap().isNull());
    box.SetInfo("", "x", 7, mbbOK, false);
    box.ApplyInfo();
    EXPECT_TRUE(box.Image->pixmap().isNull());
}

TEST(MsgBoxSeam, ScriptAnswersAndRecordsQuestions) {
    App();
    {
        ScriptedMsgBox script;
        script.Answer(mrYes, true);
        script.Answer(mrNo);
        script.DefaultAnswer = TMsgBoxResult{mrOk, false};

        const auto windowsBefore = QApplication::topLevelWidgets().size();
        TMsgBoxResult a = MsgBox("Q", "Quit?", mbiQuestion, mbbYesNo, true, true, 40, 20);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);  // no window built
        EXPECT_EQ(a.ModalResult, mrYes);
        EXPECT_TRUE(a.Checked);
        TMsgBoxResult b = MsgBox("", "Zap?", mbiQuestion, mbbYesNo);
        EXPECT_EQ(b.ModalResult, mrNo);
        script.DefaultAnswer.Checked = true;
        TMsgBoxResult c = MsgBox("", "Not DBF Files!", mbiWarning, mbbOK);
        EXPECT_EQ(c.ModalResult, mrOk);
        EXPECT_FALSE(c.Checked);  // no check box, nothing checked
        script.DefaultAnswer.Checked = false;

        // Boxes the caller keeps go through the same seam; a hidden check box is never checked.
        script.Answer(mrYes, true);
        TFormConfirmWithCheckBox box;
        box.SetInfo("E", "Edit?", mbiQuestion, mbbYesNo, false);
        box.InitAlphaShow(true, 30, 30);
        EXPECT_EQ(box.exec(), mrYes);
        EXPECT_EQ(box.Result, mrYes);
        EXPECT_FALSE(box.CheckBoxAlwayShow->isChecked());
        EXPECT_FALSE(box.isVisible());

        ASSERT_EQ(script.Asked.size(), 4u);
        const TMsgBoxRequest& q = script.Asked[0];
        EXPECT_EQ(std::tuple(q.Caption, q.Text, q.Icon, q.Buttons, q.ShowCheckBox, q.Animate, q.Interval, q.Step),
                  std::tuple(QString("Q"), QString("Quit?"), mbiQuestion, mbbYesNo, true, true, 40, 20));
        EXPECT_EQ(std::tuple(script.Asked[2].Icon, script.Asked[2].Buttons), std::tuple(mbiWarning, mbbOK));
        EXPECT_EQ(std::tuple(script.Asked[3].Caption, script.Asked[3].Animate), std::tuple(QString("E"), true));

        {
            ScriptedMsgBox inner;  // nests: the outer script is back afterwards
            MsgBox("", "inner", mbiInformation, mbbOK);
            EXPECT_EQ(inner.Asked.size(), 1u);
        }
        MsgBox("", "outer", mbiInformation, mbbOK);
        EXPECT_EQ(script.Asked.size(), 5u);
    }
    EXPECT_FALSE(static_cast<bool>(MsgBoxHandler()));
}

}  // namespace
