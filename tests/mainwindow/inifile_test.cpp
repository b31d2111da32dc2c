// The settings file: reading and writing keys, and never losing "Options.ini" or "OldFiles.txt": both
// are replaced whole, a failed write (a full disk) leaves the old file, a batch reaches the disk once.
#include "common/inifile.h"
#include "common/option.h"
#include "mainwindow/recentfiles.h"
#include "engine/dbftestutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

TEST(IniFile, FindsSectionsAndKeysWhateverTheirCase) {
    TempDir dir;
    std::string path = dir.Path("a.ini");
    WriteAll(path, "; leading comment\norphan=1\n[Main]\n  Name =  Some Value  \nname=second\n"
                   "Quoted=\"with blanks \"\nSingle='x'\nHalf=\"x\n[main]\nLate=1\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("MAIN", "NAME", "d"), "Some Value");  // first of duplicates
    EXPECT_EQ(ini.ReadString("main", "quoted", "d"), "with blanks ");
    EXPECT_EQ(ini.ReadString("main", "single", "d"), "x");
    EXPECT_EQ(ini.ReadString("main", "half", "d"), "\"x");
    EXPECT_EQ(ini.ReadString("main", "Late", "d"), "d");  // the second [main] is never searched
    EXPECT_EQ(ini.ReadString("main", "orphan", "d"), "d");
    EXPECT_EQ(ini.ReadString("other", "name", "d"), "d");
    EXPECT_TRUE(ini.SectionExists("mAiN"));
    EXPECT_TRUE(ini.ValueExists("Main", "QUOTED"));
    EXPECT_FALSE(ini.ValueExists("Main", "nothing"));
}

TEST(IniFile, ReadsIntegersAndBooleansAsThePlatformWroteThem) {
    TempDir dir;
    std::string path = dir.Path("n.ini");
    WriteAll(path,
             "[N]\nneg=-2147483635\npos=+37119\nhex=0x8000000D\ndollar=$FF\nbig=2147483648\n"
             "junk=12ab\nempty=\nblank=   \nbadhex=0xZZ\nb0=0\nb2=2\nbm=-1\n");
    TIniFile ini(path);
    const std::pair<const char*, int32_t> ints[] = {
        {"neg", -2147483635}, {"pos", 37119}, {"hex", static_cast<int32_t>(0x8000000D)}, {"dollar", 255}, {"big", 7},
        {"junk", 7}, {"empty", 7}, {"blank", 7}, {"badhex", 7}, {"missing", 7}};
    for (auto [key, value] : ints) EXPECT_EQ(ini.ReadInteger("N", key, 7), value) << key;
    for (auto [key, otherwise, value] : {std::tuple{"b0", true, false}, {"b2", false, true}, {"bm", false, true},
                                         {"junk", true, true}, {"junk", false, false}})
        EXPECT_EQ(ini.ReadBool("N", key, otherwise), value) << key;
}

TEST(IniFile, WritesThroughAndKeepsEveryOtherLine) {
    TempDir dir;
    std::string path = dir.Path("w.ini");
    WriteAll(path, "; settings\n[A]\nKey1=old ; not a comment\n# free text\n\n[Unknown]\nx = y\n");
    TIniFile ini(path);
    EXPECT_TRUE(ini.WriteString("a", "KEY1", "new"));
    EXPECT_TRUE(ini.WriteInteger("A", "Key2", -5));
    EXPECT_TRUE(ini.WriteBool("B", "Flag", true));
    EXPECT_EQ(ReadAll(path), "; settings\n[A]\nKey1=new\n# free text\nKey2=-5\n\n[Unknown]\nx = y\n[B]\nFlag=1\n");
    // Line breaks in a value cannot break the file apart.
    EXPECT_TRUE(ini.WriteString("B", "Text", "one\ntwo\r\n"));
    TIniFile again(path);
    EXPECT_EQ(again.ReadString("b", "text", ""), "one two");
    EXPECT_EQ(again.ReadInteger("A", "key2", 0), -5);
    EXPECT_EQ(again.ReadString("unknown", "X", ""), "y");
}

TEST(IniFile, KeepsWindowsLineEndsAndAByteOrderMark) {
    TempDir dir;
    std::string path = dir.Path("crlf.ini");
    WriteAll(path, "\xEF\xBB\xBF[S]\r\nK=1\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 1);
    ini.WriteInteger("S", "K", 2);
    EXPECT_EQ(ReadAll(path), "\xEF\xBB\xBF[S]\r\nK=2\r\n");
}

TEST(IniFile, MissingOrUnwritableFileIsNotFatal) {
    TempDir dir;
    TIniFile fresh(dir.Path("new.ini"));
    EXPECT_EQ(fresh.ReadString("S", "K", "def"), "def");
    EXPECT_TRUE(fresh.WriteString("S", "K", "v"));
    EXPECT_EQ(ReadAll(dir.Path("new.ini")), "[S]\nK=v\n");

    TIniFile nowhere(dir.Path("no/such/folder/x.ini"));
    EXPECT_FALSE(nowhere.WriteString("S", "K", "v"));
    EXPECT_EQ(nowhere.ReadString("S", "K", "def"), "v");  // kept in memory
    EXPECT_FALSE(nowhere.WriteString("", "K", "v"));
    EXPECT_FALSE(nowhere.WriteString("S", "a=b", "v"));
}

TEST(IniFile, SurvivesHostileBytes) {
    TempDir dir;
    std::string path = dir.Path("bad.ini");
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
    bytes += "\n[\n]\n[=]\n=\n[S\nK=5\n\0\0\n";
    WriteAll(path, bytes);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 5);  // an unclosed "[S" still names section S
    EXPECT_TRUE(ini.WriteInteger("S", "K", 6));
    TIniFile again(path);
    EXPECT_EQ(again.ReadInteger("S", "K", 0), 6);
}

TEST(SettingsAtomic, FailedWritesLeaveTheOldFiles) {
    TempDir dir;
    const std::string ini = dir.Path("Options.ini"), list = dir.Path("OldFiles.txt");
    WriteAll(ini, "; mine\n[OTHER]\nHotTrack=1\n");
    WriteAll(list, "/data/a.dbf\n");
    vx::TRecentFiles recent;
    recent.Load(QString::fromStdString(list));
    recent.Add(QStringLiteral("/data/b.dbf"));
    {
        dbftest::TFileSizeLimit diskFull(8);
        EXPECT_FALSE(TIniFile(ini).WriteString("OTHER", "GridLines", "0"));
        TOption option;
        option.Load(ini);
        EXPECT_FALSE(option.Save());
        EXPECT_FALSE(recent.Save(QString::fromStdString(list)));
    }
    EXPECT_EQ(ReadAll(ini), "; mine\n[OTHER]\nHotTrack=1\n");
    EXPECT_EQ(ReadAll(list), "/data/a.dbf\n");
    EXPECT_EQ(dbftest::Snapshot(dir).size(), 2u);  // no temporary file left behind
    ASSERT_TRUE(recent.Save(QString::fromStdString(list)));
    EXPECT_EQ(ReadAll(list), "/data/b.dbf\n/data/a.dbf\n");
}

TEST(SettingsAtomic, BatchReachesTheDiskOnceAndSingleWritesAtOnce) {
    TempDir dir;
    const std::string path = dir.Path("Options.ini");
    TIniFile ini(path);
    EXPECT_TRUE(ini.WriteBool("OTHER", "HotTrack", true));
    EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\n");
    TIniFile::TBatch batch(ini);
    EXPECT_TRUE(ini.WriteBool("OTHER", "GridLines", false));
    EXPECT_TRUE(ini.WriteString("VIEW", "A", "x"));
    EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\n");  // nothing reaches the disk midway
    EXPECT_TRUE(batch.End());
    EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\nGridLines=0\n[VIEW]\nA=x\n");
}
