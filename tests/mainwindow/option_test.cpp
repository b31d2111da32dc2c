// The settings: "Options.ini" written and read back, speed settings, and the options dialog.
#include "mainwindow/formoptions.h"
#include "common/inifile.h"
#include "common/msgbox.h"
#include "common/option.h"
#include "qtapp.h"
#include "testutil.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

// Every stored field flipped away from its default.
inline void ChangeEverything(TOption& o) {
    o.AlwayShowStop = o.AlwayShowQuit = o.AlwayShowClose = o.AlwayShowCut = o.AlwayShowEdit = false;
    o.AlwayShowEditOk = o.AlwayShowAppendOk = o.AlwayShowInsertOk = o.AlwayShowDelSelRec = false;
    o.AlwayShowTruncate = o.AlwayShowZap = o.AlwayShowTipOfTheDay = o.AlwayShowSucceed = false;
    o.SpeedSetting = 3;
    o.MenuSelectBorderColor = clRed, o.MenuSelectColor = clSkyBlue, o.MenuSelectFontColor = clHighlightText;
    o.MenuSeparatorColor = 0x123456, o.LvBkColor = clWhite, o.LvFontColor = clBlack, o.LvFontSize = 14;
    o.LvFontFace = QStringLiteral("DejaVu Sans Mono");
    o.LvAlterColor1 = clBlue, o.LvAlterColor2 = SysColor(COLOR_WINDOW);
    o.ViewControlToolbar = o.ViewControlStatusBar = o.ViewControlExplorerBar = o.OpenWhenJobDone = false;
    o.ViewControlFileInfos = o.ViewMemo = o.CloseWhenJobDone = o.HotTrack = true;
    o.GridLines = o.WelcomePage = false;
}

// The stored fields as one comparable text.
inline std::string Fields(const TOption& o) {
    std::string s;
    for (bool b : {o.AlwayShowStop, o.AlwayShowQuit, o.AlwayShowClose, o.AlwayShowCut, o.AlwayShowEdit,
                   o.AlwayShowEditOk, o.AlwayShowAppendOk, o.AlwayShowInsertOk, o.AlwayShowDelSelRec,
                   o.AlwayShowTruncate, o.AlwayShowZap, o.AlwayShowTipOfTheDay, o.AlwayShowSucceed,
                   o.ViewControlToolbar, o.ViewControlStatusBar, o.ViewControlExplorerBar,
                   o.ViewControlFileInfos, o.ViewMemo, o.CloseWhenJobDone, o.OpenWhenJobDone, o.HotTrack,
                   o.GridLines, o.WelcomePage})
        s += b ? '1' : '0';
    TOptionInterface v = o.GetInterface();
    for (int32_t n : {v.SpeedSetting, v.MenuSelectBorderColor, v.MenuSelectColor, v.MenuSelectFontColor,
                      v.MenuSeparatorColor, v.LvBkColor, v.LvFontColor, v.LvFontSize, v.LvAlterColor1,
                      v.LvAlterColor2})
        s += " " + std::to_string(n);
    return s + " " + v.LvFontFace.toStdString();
}

}  // namespace

namespace {

// The file a first run writes at its first exit.
const char* const FreshOptionsIni =
    "[CONFIRMBOX]\nAlwayShowStop=1\nAlwayShowQuit=1\nAlwayShowClose=1\nAlwayShowCut=1\nAlwayShowEdit=1\n"
    "AlwayShowEditOk=1\nAlwayShowAppendOk=1\nAlwayShowInsertOk=1\nAlwayShowDelSelRec=1\nAlwayShowTruncate=1\n"
    "AlwayShowZap=1\nAlwayShowTipOfTheDay=1\nAlwayShowSucceed=1\n"
    "[INTERFACE]\nSPEEDSETTING=0\nMENU_SELECTBORDERCOLOR=-2147483635\nMENU_SELECTCOLOR=37119\n"
    "MENU_SELECTFONTCOLOR=-2147483641\nMENU_SEPARATORCOLOR=-2147483632\nLV_BKCOLOR=-2147483624\n"
    "LV_FONT_COLOR=-2147483640\nLV_FONT_SIZE=9\nLV_FONT_FACE=Verdana\nLV_ALTERCOLOR_1=13366783\nLV_ALTERCOLOR_2=15400959\n"
    "[VIEWCONTROL]\nVIEW_CONTROL_TOOLBAR=1\nVIEW_CONTROL_STATUSBAR=1\nVIEW_CONTROL_EXPLORERBAR=1\n"
    "VIEW_CONTROL_FILEINFOS=0\nVIEW_MEMO=0\n"
    "[SAVEAS]\nCloseWhenJobDone=0\nOpenWhenJobDone=1\n"
    "[OTHER]\nHotTrack=0\nGridLines=1\nWelcomePage=1\n";

}  // namespace

TEST(Option, FirstRunWritesTheFiveSectionsWithEveryKey) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    TOption o;
    o.Load(path);  // no file: all defaults
    EXPECT_EQ(Fields(o), Fields(TOption()));
    EXPECT_EQ(o.GetSpeedSettingCount(), 0);
    EXPECT_TRUE(o.Save());
    EXPECT_EQ(ReadAll(path), FreshOptionsIni);
    // A second save changes nothing.
    EXPECT_TRUE(o.Save());
    EXPECT_EQ(ReadAll(path), FreshOptionsIni);
}

TEST(Option, SavedValuesReadBackEqual) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    TOption a;
    a.Load(path);
    ChangeEverything(a);
    ASSERT_TRUE(a.Save());
    TOption b;
    b.Load(path);
    EXPECT_EQ(Fields(b), Fields(a));
    EXPECT_NE(Fields(b), Fields(TOption()));
    // The same key order with the new values, colours in signed decimal.
    std::string text = ReadAll(path);
    EXPECT_NE(text.find("MENU_SELECTFONTCOLOR=-2147483634\n"), std::string::npos);
    EXPECT_NE(text.find("LV_FONT_FACE=DejaVu Sans Mono\n"), std::string::npos);

    // Default leaves the speed settings.
    ASSERT_TRUE(b.AddSpeedSetting(TSpeedSetting{QStringLiteral("Keep"), TOptionInterface()}));
    b.SetDefault();
    EXPECT_EQ(Fields(b), Fields(TOption()));
    EXPECT_EQ(b.GetSpeedSettingCount(), 1);
}

TEST(Option, MissingKeysTakeDefaultsAndOtherLinesSurviveSave) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    WriteAll(path,
             "; my notes\n"
             "[confirmbox]\n"
             "alwayshowquit=0\n"
             "AlwayShowCut=5\n"
             "MyOwnKey=keep\n"
             "\n"
             "[Extra]\n"
             "A=B\n"
             "[interface]\n"
             "lv_font_size=12\n"
             "LV_FONT_FACE=  Courier New \n"
             "MENU_SELECTCOLOR=junk\n");
    TOption o, want;
    o.Load(path);
    want.AlwayShowQuit = false;  // AlwayShowCut stays on: any non-zero integer
    want.LvFontSize = 12;
    want.LvFontFace = QStringLiteral("Courier New");
    EXPECT_EQ(Fields(o), Fields(want));
    ASSERT_TRUE(o.Save());
    std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("; my notes\n[confirmbox]\nalwayshowquit=0\nAlwayShowCut=1\nMyOwnKey=keep\n", 0), 0u);
    EXPECT_NE(text.find("\n[Extra]\nA=B\n[interface]\nlv_font_size=12\n"), std::string::npos);
    TOption again;
    again.Load(path);
    EXPECT_EQ(Fields(again), Fields(o));
}

TEST(Option, SpeedSettingsLoadUpToTheFirstGap) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    WriteAll(path,
             "[SpeedSetting1]\nSSNAME=Night\nLV_BKCOLOR=0\nLV_FONT_SIZE=11\nSPEEDSETTING=4\n"
             "[SpeedSetting3]\nSSNAME=Lost\n");
    TOption o;
    o.Load(path);
    ASSERT_EQ(o.GetSpeedSettingCount(), 1);
    TSpeedSetting s = o.GetSpeedSetting(0);
    EXPECT_EQ(s.Name, QStringLiteral("Night"));
    EXPECT_EQ(s.Interface.LvBkColor, 0);
    EXPECT_EQ(s.Interface.LvFontSize, 11);
    EXPECT_EQ(s.Interface.SpeedSetting, 0);
    EXPECT_EQ(s.Interface.LvFontFace, QStringLiteral("Verdana"));
    EXPECT_EQ(o.GetSpeedSettingName(0), QStringLiteral("Night"));
    EXPECT_EQ(o.GetSpeedSetting(1).Name, QString());
    EXPECT_EQ(o.GetSpeedSetting(-1).Name, QString());
    // Save never writes the sets.
    std::string before = ReadAll(path);
    ASSERT_TRUE(o.Save());
    EXPECT_EQ(ReadAll(path).rfind(before, 0), 0u);
}

TEST(Option, TwoSpeedSettingsSavedInOneRunBothSurvive) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    TOption o;
    o.Load(path);
    TSpeedSetting first{QStringLiteral("First"), TOptionInterface()};
    first.Interface.LvFontSize = 20;
    first.Interface.LvFontFace = QStringLiteral("Sans");
    first.Interface.SpeedSetting = 9;  // never stored in a set
    TSpeedSetting second{QStringLiteral("Second"), TOptionInterface()};
    second.Interface.LvBkColor = clBlack;
    ASSERT_TRUE(o.AddSpeedSetting(first));
    ASSERT_TRUE(o.AddSpeedSetting(second));
    EXPECT_EQ(o.GetSpeedSettingCount(), 2);
    EXPECT_EQ(o.GetSpeedSettingName(1), QStringLiteral("Second"));
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("[SpeedSetting1]\nSSNAME=First\nMENU_SELECTBORDERCOLOR=", 0), 0u) << text;
    EXPECT_NE(text.find("LV_FONT_SIZE=20\nLV_FONT_FACE=Sans\n"), std::string::npos);
    EXPECT_NE(text.find("\n[SpeedSetting2]\nSSNAME=Second\n"), std::string::npos);
    EXPECT_EQ(text.find("SPEEDSETTING="), std::string::npos);
    TOption next;
    next.Load(path);
    ASSERT_EQ(next.GetSpeedSettingCount(), 2);
    first.Interface.SpeedSetting = 0;
    EXPECT_EQ(next.GetSpeedSetting(0), first);
    EXPECT_EQ(next.GetSpeedSetting(1), second);

    // A nameless set would hide every later one; it is refused.
    EXPECT_FALSE(o.AddSpeedSetting(TSpeedSetting{QStringLiteral("  "), TOptionInterface()}));
    EXPECT_EQ(o.GetSpeedSettingCount(), 2);

    // A third set after a restart gets the next number.
    ASSERT_TRUE(next.AddSpeedSetting(TSpeedSetting{QStringLiteral("Third"), TOptionInterface()}));
    EXPECT_NE(ReadAll(path).find("[SpeedSetting3]\nSSNAME=Third\n"), std::string::npos);
}

TEST(Option, NamesAndFacesOutsideLatin1SurviveTheFile) {
    TempDir dir;
    std::string path = dir.Path("Options.ini");
    TOption o;
    o.Load(path);
    o.LvFontFace = QString::fromUtf8("\xE6\x96\x87\xE6\xB3\x89\xE9\xA9\xBF");
    o.Save();
    o.AddSpeedSetting(TSpeedSetting{QString::fromUtf8("caf\xC3\xA9"), TOptionInterface()});
    TOption b;
    b.Load(path);
    EXPECT_EQ(b.LvFontFace, o.LvFontFace);
    EXPECT_EQ(b.GetSpeedSettingName(0), QString::fromUtf8("caf\xC3\xA9"));
}

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
