// The table path from the command line and from dropped files, and the recent-files list.
#include <gtest/gtest.h>

#include <QDir>
#include <QUrl>

#include "app/cmdline.h"
#include "app/recentfiles.h"
#include "testutil.h"

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
