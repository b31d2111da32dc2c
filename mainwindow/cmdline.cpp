#include "mainwindow/cmdline.h"

#include <QFile>
#include <QFileInfo>

namespace vx {

QString LowerFileExt(const QString& path) {
    qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot).toLower();
}

bool IsTableFileName(const QString& path) { return LowerFileExt(path) == QLatin1String(".dbf"); }

QString TableFromArguments(int argc, const char* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr || argv[1][0] == '\0')
        return QString();
    QString path = QFile::decodeName(argv[1]);
    if (!QFileInfo::exists(path) && path.size() >= 2 && path.front() == QLatin1Char('"') &&
        path.back() == QLatin1Char('"'))
        path = path.mid(1, path.size() - 2);
    if (path.isEmpty())
        return QString();
    return QFileInfo(path).absoluteFilePath();
}

TDropChoice ChooseDroppedFile(const QList<QUrl>& urls) {
    TDropChoice c;
    if (urls.isEmpty())
        return c;
    const QUrl& first = urls.front();
    c.Any = true;
    if (first.isLocalFile()) {
        c.Path = first.toLocalFile();
        c.IsTable = IsTableFileName(c.Path);
    } else {
        c.Path = first.toString();
    }
    return c;
}

}  // namespace vx
