#include "app/inifile.h"
#include "app/option.h"

#include "option_testutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

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
