// The recent-files list: its rules, its file and the texts of its views.
#include <gtest/gtest.h>

#include <QString>

#include "app/recentfiles.h"
#include "testutil.h"

using vx::TRecentFiles;

namespace {

QString P(int i) { return QStringLiteral("/data/t%1.dbf").arg(i); }

}  // namespace

TEST(RecentFiles, KeepsTheTwentyNewestFirstAndReopeningMovesToTheTop) {
    TRecentFiles list;
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
    TRecentFiles list;
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
    TRecentFiles list;
    list.Add(QStringLiteral("/data/with blanks/and \"quotes\" & more.dbf"));
    list.Add(longPath);
    list.Add(QStringLiteral("/data/Ünïcode/tåble.dbf"));
    ASSERT_TRUE(list.Save(file));
    TRecentFiles back;
    back.Load(file);
    EXPECT_EQ(back.List(), list.List());
}

TEST(RecentFiles, LoadToleratesMissingAndUntidyFiles) {
    vxtest::TempDir dir;
    TRecentFiles list;
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
