// The program's own files as input it does not control: a named pipe in the place of any of
// them reads as no file, at once; over-long lines are skipped without ever being held whole,
// and the lists keep their lengths; settings the options dialog cannot give take defaults.
#include "common/findhistory.h"
#include "common/inifile.h"
#include "common/option.h"
#include "mainwindow/formtipoftheday.h"
#include "mainwindow/recentfiles.h"
#include "qtapp.h"
#include "testutil.h"

#include <gtest/gtest.h>

using vxtest::TempDir;
using vxtest::WriteAll;

TEST(OwnFiles, ANamedPipeInThePlaceOfAnyOfThemReadsAsNoFileAtOnce) {
    vxtest::App();
    TempDir dir;
    const std::string fifo = dir.Path("pipe");
    ASSERT_TRUE(vxtest::MakeFifo(fifo));
    TOption option;
    vx::TRecentFiles recent;
    recent.Add(QStringLiteral("/kept.dbf"));
    std::vector<std::string> history{"x"};
    QStringList tips;
    EXPECT_TRUE(vxtest::EndsWithin(5, [&] {
        option.Load(fifo);
        recent.Load(QString::fromStdString(fifo));
        history = vx::ReadFindHistory(fifo);
        tips = LoadTips(fifo);
    }, fifo));
    EXPECT_TRUE(option.IniFile->Lines().empty());
    EXPECT_EQ(recent.Count(), 0);
    EXPECT_TRUE(history.empty());
    EXPECT_EQ(tips, BuiltInTips());
}

// A line of 48 MB in each list file is skipped, the lines around it are read, and the process
// never holds more than a few MB more; a line just within its bound is read. The lists keep
// their lengths, and "Options.ini" is read up to its bounds.
TEST(OwnFiles, OverLongLinesAreSkippedWithinABoundOfMemory) {
    vxtest::App();
    TempDir dir;
    const std::string huge(48 << 20, 'x');
    WriteAll(dir.Path("OldFiles.txt"), "/a.dbf\n" + huge + "\n/" + std::string(4094, 'p') + "\n/" + std::string(4095, 'q') +
                                           "\r\n/b.dbf");
    WriteAll(dir.Path("OldFindText.txt"),
             "tea\r\n" + huge + "\n" + std::string(32767, 'f') + "\n" + std::string(32768, 'g') + "\ncoffee\n");
    vx::TRecentFiles recent;
    std::vector<std::string> history;
    const bool measured = vxtest::ResetPeakMemory();
    const long long before = vxtest::PeakMemory();
    recent.Load(QString::fromStdString(dir.Path("OldFiles.txt")));
    history = vx::ReadFindHistory(dir.Path("OldFindText.txt"));
    if (measured && before > 0) {
        EXPECT_LT(vxtest::PeakMemory() - before, 16 << 20);
    }
    EXPECT_EQ(recent.List(), (QStringList{"/a.dbf", "/" + QString(4094, QLatin1Char('p')), "/b.dbf"}));
    EXPECT_EQ(history, (std::vector<std::string>{"tea", std::string(32767, 'f'), "coffee"}));

    std::string many;
    for (int i = 0; i < 1000; ++i) many += "[SpeedSetting" + std::to_string(i + 1) + "]\nSSNAME=s\n";
    WriteAll(dir.Path("many.txt"), many);
    recent.Load(QString::fromStdString(dir.Path("many.txt")));
    EXPECT_EQ(recent.Count(), vx::TRecentFiles::MaxCount);
    EXPECT_EQ(vx::ReadFindHistory(dir.Path("many.txt")).size(), vx::FindHistoryMax);
    // Behind a line past the bound of a line, and up to the bound of the file.
    WriteAll(dir.Path("big.ini"), std::string(TIniFile::MaxLineBytes + 1, ';') + "\n" + many +
                                      std::string(TIniFile::MaxFileBytes, '\n') + "[Late]\nKEY=1\n");
    TOption option;
    option.Load(dir.Path("big.ini"));
    EXPECT_EQ(option.GetSpeedSettingCount(), 1000);
    EXPECT_EQ(option.IniFile->Lines().front(), "[SpeedSetting1]");
    EXPECT_FALSE(option.IniFile->SectionExists("Late"));
}

// Values the options dialog cannot give take their defaults, in the settings and in every
// speed setting; the values it can give are read as they stand.
TEST(OwnFiles, SettingsOutsideWhatTheDialogAllowsTakeTheirDefaults) {
    TempDir dir;
    // Beyond red-green-blue, -1, system colour 25 (which has no name), 42, 2^31 - 1, 256; a
    // size of 100000; the ends of what the dialog offers.
    const std::string look = "MENU_SELECTBORDERCOLOR=16777216\nMENU_SELECTCOLOR=-1\nMENU_SELECTFONTCOLOR=-2147483623\n"
                             "MENU_SEPARATORCOLOR=-2147483606\nLV_BKCOLOR=2147483647\nLV_FONT_COLOR=-2147483392\n"
                             "LV_FONT_SIZE=100000\nLV_ALTERCOLOR_1=0\nLV_ALTERCOLOR_2=16777215\n";
    WriteAll(dir.Path("Options.ini"), "[INTERFACE]\n" + look + "[SpeedSetting1]\nSSNAME=big\n" + look +
                                          "[SpeedSetting2]\nSSNAME=edge\nLV_FONT_SIZE=999\nMENU_SELECTCOLOR=-2147483618\n"
                                          "[SpeedSetting3]\nSSNAME=small\nLV_FONT_SIZE=0\n");
    TOption option;
    option.Load(dir.Path("Options.ini"));
    ASSERT_EQ(option.GetSpeedSettingCount(), 3);
    TOptionInterface want;
    want.LvAlterColor1 = clBlack;
    want.LvAlterColor2 = clWhite;
    EXPECT_EQ(option.GetInterface(), want);
    EXPECT_EQ(option.GetSpeedSetting(0).Interface, want);
    EXPECT_EQ(option.GetSpeedSetting(1).Interface.LvFontSize, 999);
    EXPECT_EQ(option.GetSpeedSetting(1).Interface.MenuSelectColor, clMenuBar);
    EXPECT_EQ(option.GetSpeedSetting(2).Interface.LvFontSize, 9);
}
