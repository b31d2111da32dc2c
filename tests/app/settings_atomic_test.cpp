// Settings and lists are never lost: "Options.ini" and "OldFiles.txt" are replaced whole, a
// write that fails (a full disk) leaves the old file and no stray file, and saving all settings
// writes the file once.
#include "app/inifile.h"
#include "app/option.h"
#include "app/recentfiles.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace {

// Files this process writes cannot grow beyond `bytes` for the life of the object: writes
// beyond fall short as on a full disk.
class TDiskFull {
public:
    explicit TDiskFull(rlim_t bytes) {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Old);
        rlimit r = Old;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~TDiskFull() {
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

size_t FileCount(const TempDir& dir) {
    return size_t(std::distance(std::filesystem::directory_iterator(dir.Root()), {}));
}

}  // namespace

TEST(SettingsAtomic, FailedWritesLeaveTheOldFiles) {
    TempDir dir;
    const std::string ini = dir.Path("Options.ini"), list = dir.Path("OldFiles.txt");
    const std::string oldIni = "; mine\n[OTHER]\nHotTrack=1\n";
    WriteAll(ini, oldIni);
    vx::TRecentFiles recent;
    recent.Add(QStringLiteral("/data/a.dbf"));
    ASSERT_TRUE(recent.Save(QString::fromStdString(list)));
    const std::string oldList = ReadAll(list);
    {
        TDiskFull full(8);
        TIniFile file(ini);
        EXPECT_FALSE(file.WriteString("OTHER", "GridLines", "0"));
        TOption option;
        option.Load(ini);
        EXPECT_FALSE(option.Save());
        recent.Add(QStringLiteral("/data/b.dbf"));
        EXPECT_FALSE(recent.Save(QString::fromStdString(list)));
    }
    EXPECT_EQ(ReadAll(ini), oldIni);
    EXPECT_EQ(ReadAll(list), oldList);
    EXPECT_EQ(FileCount(dir), 2u);  // no temporary file left behind
    ASSERT_TRUE(recent.Save(QString::fromStdString(list)));
    EXPECT_EQ(ReadAll(list), "/data/b.dbf\n/data/a.dbf\n");
}

TEST(SettingsAtomic, BatchWritesTheFileOnceAndWritesOtherwiseGoThrough) {
    TempDir dir;
    const std::string path = dir.Path("Options.ini");
    TIniFile ini(path);
    EXPECT_TRUE(ini.WriteBool("OTHER", "HotTrack", true));
    EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\n");
    {
        TIniFile::TBatch batch(ini);
        EXPECT_TRUE(ini.WriteBool("OTHER", "GridLines", false));
        EXPECT_TRUE(ini.WriteString("VIEW", "A", "x"));
        EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\n");  // nothing reaches the disk midway
        EXPECT_TRUE(batch.End());
    }
    EXPECT_EQ(ReadAll(path), "[OTHER]\nHotTrack=1\nGridLines=0\n[VIEW]\nA=x\n");

    // Saving every setting in one batch keeps the lines it does not know.
    TOption option;
    option.Load(path);
    ASSERT_TRUE(option.Save());
    const TIniFile saved(path);
    EXPECT_FALSE(saved.ReadBool("OTHER", "GridLines", true));
    EXPECT_EQ(saved.ReadString("VIEW", "A", ""), "x");
    EXPECT_EQ(saved.ReadString("CONFIRMBOX", "AlwayShowStop", ""), "1");
}
