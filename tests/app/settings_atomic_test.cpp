// Settings and lists are never lost: "Options.ini" and "OldFiles.txt" are replaced whole, a
// write that fails (a full disk) leaves the old file and no stray file, and a batch of settings
// reaches the disk in one write.
#include "app/inifile.h"
#include "app/option.h"
#include "app/recentfiles.h"
#include "engine/dbftestutil.h"

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

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
