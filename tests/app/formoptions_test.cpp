#include "app/formoptions.h"
#include "app/msgbox.h"
#include "app/option.h"

#include "option_testutil.h"
#include "qtapp.h"
#include "testutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

using vxtest::ReadAll;
using vxtest::TempDir;

namespace {

// A loaded `Option` on a temporary "Options.ini" for the life of the object.
class FormOptions : public ::testing::Test {
protected:
    void SetUp() override {
        vxtest::App();
        Saved = Option;
        Own.Load(Dir.Path("Options.ini"));
        Option = &Own;
        Applied = 0;
        OnOptionsApplied = [this] { ++Applied; };
    }
    void TearDown() override {
        Option = Saved;
        OnOptionsApplied = nullptr;
    }

    // Settings far from the defaults.
    void Customise() {
        Own.AlwayShowQuit = Own.AlwayShowCut = Own.AlwayShowTruncate = Own.AlwayShowZap = false;
        Own.ViewMemo = Own.HotTrack = true;
        Own.GridLines = false;
        Own.LvFontSize = 14;
        Own.LvFontFace = QStringLiteral("Courier");
        Own.LvBkColor = clWhite;
        Own.MenuSelectColor = 0x00123456;  // no named colour
    }

    TempDir Dir;
    TOption Own;
    TOption* Saved = nullptr;
    int Applied = 0;
};

}  // namespace

TEST_F(FormOptions, ShowsEverySettingOnItsPage) {
    Customise();
    TFormOptions f;
    EXPECT_EQ(f.cbLvFontSize->text() + f.cbLvFontFace->text(), QStringLiteral("14Courier"));
    EXPECT_EQ(f.cbLvBkColor->currentText(), QStringLiteral("White"));
    EXPECT_EQ(f.cbSelectColor->Selected(), 0x00123456);
    EXPECT_EQ(f.cbSelectColor->currentText(), QStringLiteral("Custom..."));
    EXPECT_FALSE(f.CBoxQuit->isChecked() || f.cbGridLines->isChecked());
    EXPECT_TRUE(f.CBoxStop->isChecked() && f.cbMemo->isChecked());
    // The speed-setting list ends with "------" and nothing is chosen.
    EXPECT_EQ(f.cbSpeedSetting->count(), 1);
    EXPECT_EQ(f.cbSpeedSetting->itemText(0), QStringLiteral("------"));
    EXPECT_EQ(f.cbSpeedSetting->currentIndex(), -1);
}

TEST_F(FormOptions, OkAppliesTheControlsAndCallsTheMainWindow) {
    Customise();
    TFormOptions f;
    f.cbLvFontSize->setText(QStringLiteral(" 11 "));
    f.CBoxQuit->setChecked(true);
    f.cbHotTrack->setChecked(false);
    f.cbLvAlterColor2->SetSelected(clAqua);
    f.BitBtn1->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(Applied, 1);
    EXPECT_EQ(Own.LvFontSize, 11);
    EXPECT_TRUE(Own.AlwayShowQuit);
    EXPECT_FALSE(Own.HotTrack);
    EXPECT_EQ(Own.LvAlterColor2, clAqua);
    EXPECT_EQ(Own.MenuSelectColor, 0x00123456);  // the custom colour survives a round trip
    EXPECT_TRUE(Own.AlwayShowTruncate && Own.AlwayShowZap);  // OK always turns these back on
    EXPECT_EQ(ReadAll(Dir.Path("Options.ini")), "");  // the dialog writes no file
}

TEST_F(FormOptions, BadFontSizeChangesNothingAndKeepsTheDialogOpen) {
    Customise();
    std::string before = Fields(Own);
    for (const char* bad : {"abc", "", "0", "-3", "1000", "99999999999", "12x"}) {
        ScriptedMsgBox script;
        TFormOptions f;
        f.show();
        f.PageControl->setCurrentIndex(2);
        f.CBoxTB->setChecked(false);  // a change that must not be applied either
        f.cbLvFontSize->setText(QString::fromLatin1(bad));
        f.BitBtn1->click();
        ASSERT_EQ(script.Asked.size(), 1u) << bad;
        EXPECT_TRUE(f.isVisible() && f.PageControl->currentIndex() == 0 && f.focusWidget() == f.cbLvFontSize);
        EXPECT_EQ(Fields(Own), before) << bad;
        EXPECT_EQ(Applied, 0);
        // The font picker refuses it the same way, without opening.
        bool asked = false;
        auto keep = std::exchange(TFormOptions::AskFont, [&](QWidget*, QString&, int32_t&) { return asked = true; });
        f.ButtonFontSize->click();
        TFormOptions::AskFont = keep;
        EXPECT_FALSE(asked);
    }
}

TEST_F(FormOptions, DefaultShowsTheDefaultsAndOnlyOkAppliesThem) {
    Customise();
    const std::string before = Fields(Own);
    for (bool ok : {false, true}) {
        ScriptedMsgBox script;
        script.Answer(mrNo);
        script.Answer(mrYes);
        TFormOptions f;
        f.BtnDefault->click();  // No: nothing changes
        EXPECT_EQ(f.cbLvFontSize->text(), QStringLiteral("14"));
        f.BtnDefault->click();
        EXPECT_EQ(script.Asked.back().Text, QStringLiteral("Set to default value?"));
        EXPECT_EQ(f.cbLvFontFace->text(), TOption().LvFontFace);
        EXPECT_EQ(Fields(Own), before);  // untouched until OK
        (ok ? f.BitBtn1 : f.BitBtn2)->click();
        EXPECT_EQ(Fields(Own), ok ? Fields(TOption()) : before);
        EXPECT_EQ(Applied, ok ? 1 : 0);
    }
}

TEST_F(FormOptions, SpeedSettingsAreSavedNamedAndListed) {
    ScriptedMsgBox script;
    TFormOptions f;
    f.cbLvFontSize->setText(QStringLiteral("16"));
    f.cbLvBkColor->SetSelected(clSilver);
    // The prompt: an empty and a dashed name are refused, a good one is trimmed.
    auto answerPrompt = [&](QStringList names) {
        QTimer::singleShot(0, [&f, names]() mutable {
            auto* prompt = f.findChild<TFormEditSpeedName*>();
            ASSERT_NE(prompt, nullptr);
            for (const QString& n : names) {
                prompt->EditSSName->setText(n);
                prompt->BitBtn1->click();
            }
            if (prompt->isVisible()) prompt->reject();
        });
    };
    answerPrompt({"   ", "  ------ ", "  Big grey "});
    f.BtnSaveToSS->click();
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Asked[1].Text, QStringLiteral("Speed setting name not allow \"------\"!"));
    ASSERT_EQ(Own.GetSpeedSettingCount(), 1);
    EXPECT_EQ(Own.GetSpeedSettingName(0), QStringLiteral("Big grey"));
    EXPECT_EQ(Own.GetSpeedSetting(0).Interface.LvBkColor, clSilver);
    // A second set in the same dialog gets its own section.
    f.cbLvFontSize->setText(QStringLiteral("8"));
    answerPrompt({"Small"});
    f.BtnSaveToSS->click();
    ASSERT_EQ(Own.GetSpeedSettingCount(), 2);
    std::string text = ReadAll(Dir.Path("Options.ini"));
    EXPECT_NE(text.find("[SpeedSetting1]\nSSNAME=Big grey\n"), std::string::npos);
    EXPECT_NE(text.find("[SpeedSetting2]\nSSNAME=Small\n"), std::string::npos);
    ASSERT_EQ(f.cbSpeedSetting->count(), 3);
    // Cancelling the prompt saves nothing.
    answerPrompt({});
    f.BtnSaveToSS->click();
    EXPECT_EQ(Own.GetSpeedSettingCount(), 2);

    // Choosing a set shows it; "------" enables saving, a named set does not.
    f.cbSpeedSetting->setCurrentIndex(0);
    EXPECT_FALSE(f.BtnSaveToSS->isEnabled());
    EXPECT_EQ(f.cbLvFontSize->text() + f.cbLvBkColor->currentText(), QStringLiteral("16Silver"));
    f.cbSpeedSetting->setCurrentIndex(2);
    EXPECT_TRUE(f.BtnSaveToSS->isEnabled());
    EXPECT_EQ(Own.LvFontSize, 9);  // nothing applied before OK
}

TEST_F(FormOptions, FontPickerWritesSizeAndFaceBack) {
    Customise();
    TFormOptions f;
    QString seen;
    auto keep = std::exchange(TFormOptions::AskFont, [&](QWidget*, QString& face, int32_t& size) {
        seen = face + QString::number(size);
        face = QStringLiteral("Serif");
        size = 20;
        return true;
    });
    f.ButtonFontFace->click();
    TFormOptions::AskFont = keep;
    EXPECT_EQ(seen, QStringLiteral("Courier14"));
    EXPECT_EQ(f.cbLvFontFace->text() + f.cbLvFontSize->text(), QStringLiteral("Serif20"));
}

TEST_F(FormOptions, CustomColourCanBeChosenOrCancelled) {
    TColorBox box;
    box.SetSelected(clRed);
    auto keep = std::exchange(TColorBox::AskColor, [](QWidget*, TColor&) { return false; });
    box.setCurrentIndex(0);
    emit box.activated(0);
    EXPECT_EQ(box.Selected(), clRed);
    TColor seen = -1;
    QObject::connect(&box, &TColorBox::ColorChanged, [&](TColor c) { seen = c; });
    TColorBox::AskColor = [](QWidget*, TColor& c) {
        c = 0x00ABCDEF;
        return true;
    };
    box.setCurrentIndex(0);
    emit box.activated(0);
    TColorBox::AskColor = keep;
    EXPECT_EQ(box.Selected(), 0x00ABCDEF);
    EXPECT_EQ(seen, 0x00ABCDEF);
}

TEST_F(FormOptions, EnterMovesOnAndEscCloses) {
    TFormOptions f;
    f.show();
    f.activateWindow();
    f.cbLvFontSize->setFocus();
    vxtest::Key(f.cbLvFontSize, Qt::Key_Return);
    EXPECT_TRUE(f.isVisible());
    EXPECT_NE(f.focusWidget(), f.cbLvFontSize);
    EXPECT_EQ(Applied, 0);
    vxtest::Key(f.focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_EQ(Applied, 0);
}
