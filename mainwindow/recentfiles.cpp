#include "mainwindow/recentfiles.h"

#include "platform/filestream.h"

#include <QFile>

#include <cstdint>

namespace vx {

void TRecentFiles::Load(const QString& fileName) {
    Items.clear();
    ReadFileLines(QFile::encodeName(fileName).toStdString(), MaxPathBytes + 1, UINT64_MAX, [&](std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (line.empty() || line.size() > MaxPathBytes)
            return true;
        QString path = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        if (IndexOf(path) < 0)
            Items.append(path);
        return Items.size() < MaxCount;
    });
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
