#include "mainwindow/formmain_folders.h"

#include <QDir>
#include <QFileSystemModel>

#include "mainwindow/cmdline.h"

namespace vx {

bool FolderPaneAccepts(const QString& name, bool isFolder) {
    QString ext = LowerFileExt(name);
    if (isFolder && ext != QLatin1String(".zip"))
        return true;
    return ext == QLatin1String(".dbf") || ext == QLatin1String(".fpt") || ext == QLatin1String(".dbt");
}

TFolderPaneModel::TFolderPaneModel(QObject* parent) : QSortFilterProxyModel(parent) {
    FileSystem = new QFileSystemModel(this);
    FileSystem->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    FileSystem->setRootPath(QDir::rootPath());
    setSourceModel(FileSystem);
    setDynamicSortFilter(true);
    sort(0, Qt::AscendingOrder);
}

bool TFolderPaneModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    QModelIndex i = FileSystem->index(sourceRow, 0, sourceParent);
    if (!i.isValid())
        return false;
    // The top of the tree (the root folder) always shows.
    if (!sourceParent.isValid())
        return true;
    return FolderPaneAccepts(FileSystem->fileName(i), FileSystem->isDir(i));
}

bool TFolderPaneModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    // Folders first, then by name without regard to letter case.
    bool ld = FileSystem->isDir(left), rd = FileSystem->isDir(right);
    if (ld != rd)
        return ld;
    QString l = FileSystem->fileName(left), r = FileSystem->fileName(right);
    int c = QString::compare(l, r, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : l < r;
}

QString TFolderPaneModel::FilePath(const QModelIndex& index) const {
    if (!index.isValid())
        return QString();
    return FileSystem->filePath(mapToSource(index));
}

QModelIndex TFolderPaneModel::Index(const QString& path) const {
    return mapFromSource(FileSystem->index(path));
}

void TFolderPaneModel::Refresh(const QModelIndex& index) {
    // The file system model watches the folders it has read; re-filtering picks up what it has
    // learnt since, and a changed root is read again.
    QString path = FilePath(index);
    if (!path.isEmpty()) {
        QFileInfo fi(path);
        QString dir = fi.isDir() ? path : fi.absolutePath();
        FileSystem->setRootPath(dir);
        FileSystem->setRootPath(QDir::rootPath());
    }
    invalidate();
}

}  // namespace vx
