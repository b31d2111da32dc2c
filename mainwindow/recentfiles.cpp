#include "mainwindow/recentfiles.h"

#include "platform/filestream.h"

#include <QFile>

namespace vx {

void TRecentFiles::Load(const QString& fileName) {
    Items.clear();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return;
    while (!f.atEnd() && Items.size() < MaxCount) {
        QByteArray line = f.readLine();
        while (!line.isEmpty() && (line.endsWith('\n') || line.endsWith('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        QString path = QString::fromUtf8(line);
        if (IndexOf(path) < 0)
            Items.append(path);
    }
}

bool TRecentFiles::Save(const QString& fileName) const {
    std::string bytes;
    for (const QString& path : Items) {
        bytes += path.toUtf8().toStdString();
        bytes += '\n';
    }
    return WriteFileAtomic(QFile::encodeName(fileName).toStdString(), bytes);
}

int TRecentFiles::IndexOf(const QString& path) const {
    // Exact comparison: on this system "a.dbf" and "A.DBF" are two files.
    return static_cast<int>(Items.indexOf(path));
}

void TRecentFiles::Add(const QString& path) {
    if (path.isEmpty())
        return;
    int i = IndexOf(path);
    if (i >= 0)
        Items.removeAt(i);
    else
        while (Items.size() >= MaxCount)
            Items.removeLast();
    Items.prepend(path);
}

bool TRecentFiles::Remove(const QString& path) {
    int i = IndexOf(path);
    if (i < 0)
        return false;
    Items.removeAt(i);
    return true;
}

QString RecentMenuCaption(int index, const QString& path) {
    QString escaped = path;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QLatin1Char('&') + QChar(QLatin1Char('A').unicode() + index) + QLatin1Char(' ') + escaped;
}

QString RecentMissingText(const QString& path, TRecentOrigin origin) {
    return QLatin1String("File[") + path +
           (origin == TRecentOrigin::Menu ? QLatin1String("] not Exist!") : QLatin1String("] not exist!"));
}

}  // namespace vx
