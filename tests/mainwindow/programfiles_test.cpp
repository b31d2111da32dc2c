// Where the program keeps its files, the table path from the command line and from dropped files, and the
// recent-files list.
#include "mainwindow/cmdline.h"
#include "common/programfiles.h"
#include "mainwindow/recentfiles.h"
#include "platform/paths.h"

#include "engine/dbftestutil.h"
#include "testutil.h"

#include <QDir>
#include <QUrl>

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using vxtest::ReadAll;
using vxtest::TempDir;
using vxtest::WriteAll;

namespace fs = std::filesystem;

TEST(ProgramFiles, BesideTheProgramOnlyWhenItsFolderAndSettingsCanBeWritten) {
    // A writable folder whose settings file is read-only would still lose the settings.
    for (auto [readOnly, chosen] : {std::pair{"", "/opt/vx/"}, {"/opt/vx/", "/u/"}, {"/opt/vx/Options.ini", "/u/"}})
        EXPECT_EQ(vx::ChooseProgramFilesDir("/opt/vx/", "/u/", [&](const std::string& p) { return p != readOnly; }),
                  chosen);
}

TEST(ProgramFiles, UserFolderIsCreatedWithCopiesOfTheShippedFiles) {
    TempDir dir;
    std::string prog = dir.Path("prog") + "/";
    std::string user = dir.Path("home/.config/vellibrox") + "/";
    fs::create_directories(prog + "Icon");
    WriteAll(prog + "Tips.tip", "tip one\n");
    WriteAll(prog + "Icon/Question48.ico", "ICO");
    WriteAll(prog + "Options.ini", "[OTHER]\nHotTrack=1\n");  // left by an earlier run
    ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "tip one\n");
    EXPECT_EQ(ReadAll(user + "Icon/Question48.ico"), "ICO");
    EXPECT_EQ(ReadAll(user + "Options.ini"), "[OTHER]\nHotTrack=1\n");
    EXPECT_FALSE(fs::exists(user + "OldFiles.txt"));
    // The user's own copies are never replaced.
    WriteAll(user + "Tips.tip", "my tips\n");
    WriteAll(prog + "Options.ini", "[OTHER]\nHotTrack=0\n");
    WriteAll(prog + "Icon/Warnning48.ico", "W");
    ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "my tips\n");
    EXPECT_EQ(ReadAll(user + "Options.ini"), "[OTHER]\nHotTrack=1\n");
    EXPECT_EQ(ReadAll(user + "Icon/Warnning48.ico"), "W");
    // Nothing shipped: the folder is still made.
    std::string other = dir.Path("other") + "/";
    EXPECT_TRUE(vx::PrepareUserDir(dir.Path("none") + "/", other));
    EXPECT_TRUE(fs::is_directory(other));
}

TEST(ProgramFiles, ACopyThatFailsLeavesNothingSoTheNextStartCopiesAgain) {
    TempDir dir;
    const std::string prog = dir.Path("prog") + "/", user = dir.Path("user") + "/";
    fs::create_directories(prog + "Icon");
    const std::map<std::string, std::string> shipped = {
        {"Options.ini", "[CONFIRMBOX]\nAlwayShowQuit=0\n" + std::string(3000, ';')},
        {"OldFiles.txt", "/data/1.dbf\n/data/2.dbf\n/data/3.dbf\n/data/4.dbf\n/data/5.dbf\n/data/6.dbf\n/data/7.dbf\n"},
        {"Tips.tip", std::string(2000, 't')},
        {"Icon/Question48.ico", std::string(4000, 'I')}};
    for (const auto& [name, bytes] : shipped) WriteAll(prog + name, bytes);
    // A full configuration folder: the short list fits, the rest does not.
    {
        dbftest::TFileSizeLimit full(1000);
        ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    }
    std::set<std::string> present;
    for (const auto& e : fs::recursive_directory_iterator(user))
        if (e.is_regular_file()) present.insert(fs::relative(e.path(), user).string());
    EXPECT_EQ(present, std::set<std::string>{"OldFiles.txt"});  // no empty and no temporary files
    EXPECT_EQ(ReadAll(user + "OldFiles.txt"), shipped.at("OldFiles.txt"));
    // With room, the next start takes over everything.
    ASSERT_TRUE(vx::PrepareUserDir(prog, user));
    for (const auto& [name, bytes] : shipped) EXPECT_EQ(ReadAll(user + name), bytes) << name;
}

TEST(ProgramFiles, ReadOnlyProgramFolderMovesTheFilesToTheUserFolder) {
    TempDir dir;
    std::string prog = dir.Path("prog") + "/";
    std::string user = dir.Path("cfg/vellibrox") + "/";
    fs::create_directories(prog);
    WriteAll(prog + "Tips.tip", "t\n");
    auto readOnlyProgram = [&](const std::string& p) { return p.rfind(prog, 0) != 0; };
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, user, readOnlyProgram), user);
    EXPECT_EQ(ReadAll(user + "Tips.tip"), "t\n");
    // A user folder that cannot be made (a file is in its way) keeps the program's folder.
    WriteAll(dir.Path("blocked"), "");
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, dir.Path("blocked") + "/sub/", readOnlyProgram), prog);
    // Writable program folder: nothing is created elsewhere.
    std::string unused = dir.Path("unused") + "/";
    EXPECT_EQ(vx::ResolveProgramFilesDir(prog, unused, [](const std::string&) { return true; }), prog);
    EXPECT_FALSE(fs::exists(unused));
}

TEST(ProgramFiles, ReadOnlyFolderIsSeenAsNotWritable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    TempDir dir;
    std::string prog = dir.Path("ro") + "/";
    fs::create_directories(prog);
    ::chmod(prog.c_str(), 0555);
    EXPECT_FALSE(vx::DirWritable(prog));
    EXPECT_EQ(vx::ChooseProgramFilesDir(prog, "/u/", [](const std::string& p) {
                  return p.back() != '/' || vx::DirWritable(p);
              }),
              "/u/");
    ::chmod(prog.c_str(), 0755);
}

TEST(ProgramFiles, EveryPathFollowsTheOverride) {
    TempDir dir;
    vx::SetProgramFilesDir(dir.Root().string());
    const std::string d = dir.Root().string() + "/";
    for (const std::string& path : {vx::ProgramFilesDir(), vx::OptionsIniPath(), vx::RecentFilesPath(),
                                    vx::FindHistoryPath(), vx::TipsPath(), vx::IconDir()})
        EXPECT_EQ(path.rfind(d, 0), 0u) << path;
    vx::SetProgramFilesDir("");
}

namespace {

QString P(int i) { return QStringLiteral("/data/t%1.dbf").arg(i); }

QString Arg(const char* a) {
    const char* argv[] = {"vellibrox", a, nullptr};
    return vx::TableFromArguments(2, argv);
}

}  // namespace

TEST(CommandLine, TakesTheFirstArgumentWhole) {
    const char* none[] = {"vellibrox", nullptr};
    EXPECT_TRUE(vx::TableFromArguments(1, none).isEmpty());
    EXPECT_TRUE(Arg("").isEmpty());

    std::string longPath = "/" + std::string(400, 'd') + "/" + std::string(250, 'f') + " b.dbf";
    EXPECT_EQ(Arg(longPath.c_str()), QString::fromStdString(longPath));
    // Further arguments do not change the path.
    const char* more[] = {"vellibrox", "/data/a.dbf", "/data/b.dbf", nullptr};
    EXPECT_EQ(vx::TableFromArguments(3, more), QStringLiteral("/data/a.dbf"));
    // A relative path is made absolute against the current folder.
    EXPECT_EQ(Arg("rel dir/t.dbf"), QDir::currentPath() + QStringLiteral("/rel dir/t.dbf"));
}

TEST(CommandLine, DropsQuotesOnlyAroundAPathThatIsNotAFile) {
    EXPECT_EQ(Arg("\"/data/my table.dbf\""), QStringLiteral("/data/my table.dbf"));
    // Quotes inside a path stay.
    EXPECT_EQ(Arg("/data/\"x\".dbf"), QStringLiteral("/data/\"x\".dbf"));

    vxtest::TempDir dir;
    std::string quoted = dir.Path("\"q.dbf\"");
    vxtest::WriteAll(quoted, "x");
    // The file's own name is taken as it is when such a file exists.
    std::string inDir = "\"q.dbf\"";
    QString was = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.Root().string()));
    EXPECT_EQ(Arg(inDir.c_str()), QString::fromStdString(quoted));
    QDir::setCurrent(was);
}

TEST(DroppedFiles, OnlyTheFirstCountsAndItsPathIsWhole) {
    EXPECT_FALSE(vx::ChooseDroppedFile({}).Any);
    const QString spaced = QStringLiteral("/data/a b %20 c/#1 tab\u00e9.DBF");
    const QString longPath = QStringLiteral("/") + QString(600, QLatin1Char('z')) + QStringLiteral(".dbf");
    const QUrl other = QUrl::fromLocalFile(QStringLiteral("/data/x.dbf"));
    const std::tuple<QList<QUrl>, bool, QString> cases[] = {
        {{QUrl::fromLocalFile(spaced), other}, true, spaced},
        {{QUrl::fromLocalFile(longPath)}, true, longPath},
        {{QUrl::fromLocalFile(QStringLiteral("/data/notes.txt")), other}, false, QString()},
        {{QUrl(QStringLiteral("https://example.org/t.dbf"))}, false, QString()}};
    for (const auto& [urls, table, path] : cases) {
        const auto c = vx::ChooseDroppedFile(urls);
        EXPECT_TRUE(c.Any);
        EXPECT_EQ(c.IsTable, table);
        if (table) {
            EXPECT_EQ(c.Path, path);
        }
    }
    // The extension is that of the file name.
    EXPECT_EQ(vx::LowerFileExt(QStringLiteral("/a/file.tar.DBT")), QStringLiteral(".dbt"));
    EXPECT_EQ(vx::LowerFileExt(QStringLiteral("/a.dir/file")), QString());
    EXPECT_FALSE(vx::IsTableFileName(QStringLiteral("/x/t.dbf.bak")) || vx::IsTableFileName(QStringLiteral("/x.dbf/t")));
}

TEST(RecentFiles, KeepsTheTwentyNewestFirstAndReopeningMovesToTheTop) {
    vx::TRecentFiles list;
    for (int i = 1; i <= 21; ++i) list.Add(P(i));
    ASSERT_EQ(list.Count(), 20);
    EXPECT_EQ(list.At(0), P(21));
    EXPECT_EQ(list.At(19), P(2));
    EXPECT_LT(list.IndexOf(P(1)), 0);
    // A full list that re-opens one of its own, even the last, drops nothing.
    for (int at : {4, 19}) {
        const QString again = list.At(at);
        list.Add(again);
        EXPECT_EQ(list.Count(), 20);
        EXPECT_EQ(list.IndexOf(again), 0);
    }
}

TEST(RecentFiles, LetterCaseMakesDifferentFiles) {
    vx::TRecentFiles list;
    list.Add(QStringLiteral("/data/a.dbf"));
    list.Add(QStringLiteral("/data/A.DBF"));
    EXPECT_EQ(list.List(), QStringList({"/data/A.DBF", "/data/a.dbf"}));
    EXPECT_FALSE(list.Remove(QStringLiteral("/data/a.DBF")));
    EXPECT_TRUE(list.Remove(QStringLiteral("/data/a.dbf")));
    EXPECT_EQ(list.List(), QStringList({"/data/A.DBF"}));
}

TEST(RecentFiles, FileRoundTripKeepsPathsWhole) {
    vxtest::TempDir dir;
    QString file = QString::fromStdString(dir.Path("OldFiles.txt"));
    QString longPath = QStringLiteral("/") + QString(300, QLatin1Char('x')) + QStringLiteral("/") +
                       QString(300, QLatin1Char('y')) + QStringLiteral(".dbf");
    vx::TRecentFiles list;
    list.Add(QStringLiteral("/data/with blanks/and \"quotes\" & more.dbf"));
    list.Add(longPath);
    list.Add(QStringLiteral("/data/Ünïcode/tåble.dbf"));
    ASSERT_TRUE(list.Save(file));
    vx::TRecentFiles back;
    back.Load(file);
    EXPECT_EQ(back.List(), list.List());
}

TEST(RecentFiles, LoadToleratesMissingAndUntidyFiles) {
    vxtest::TempDir dir;
    vx::TRecentFiles list;
    list.Add(P(1));
    list.Load(QString::fromStdString(dir.Path("missing.txt")));
    EXPECT_EQ(list.Count(), 0);

    std::string text = "/a.dbf\r\n\r\n/b.dbf\n/a.dbf\n";
    for (int i = 0; i < 30; ++i)
        text += "/many" + std::to_string(i) + ".dbf\n";
    vxtest::WriteAll(dir.Path("OldFiles.txt"), text);
    list.Load(QString::fromStdString(dir.Path("OldFiles.txt")));
    ASSERT_EQ(list.Count(), 20);
    EXPECT_EQ(list.List().mid(0, 3), QStringList({"/a.dbf", "/b.dbf", "/many0.dbf"}));
}

TEST(RecentFiles, MenuCaptionsAndWarnings) {
    EXPECT_EQ(vx::RecentMenuCaption(0, QStringLiteral("/x/a.dbf")), QStringLiteral("&A /x/a.dbf"));
    EXPECT_EQ(vx::RecentMenuCaption(19, QStringLiteral("/x/t.dbf")), QStringLiteral("&T /x/t.dbf"));
    // An ampersand in a path shows as itself instead of becoming an accelerator.
    EXPECT_EQ(vx::RecentMenuCaption(1, QStringLiteral("/R&D/a.dbf")), QStringLiteral("&B /R&&D/a.dbf"));
    EXPECT_EQ(vx::RecentMissingText(QStringLiteral("/x/a.dbf"), vx::TRecentOrigin::Menu),
              QStringLiteral("File[/x/a.dbf] not Exist!"));
    EXPECT_EQ(vx::RecentMissingText(QStringLiteral("/x/a.dbf"), vx::TRecentOrigin::WelcomePage),
              QStringLiteral("File[/x/a.dbf] not exist!"));
}
