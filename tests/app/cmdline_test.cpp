// Reading the table path from the command line and from dropped files.
#include <gtest/gtest.h>

#include <QDir>
#include <QUrl>

#include "app/cmdline.h"
#include "testutil.h"

namespace {

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
