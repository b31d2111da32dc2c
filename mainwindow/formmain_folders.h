// The folder pane's model: the real file system, listing folders (except ".zip" ones) and table
// and memo files only.
#pragma once

#include <QSortFilterProxyModel>
#include <QString>

class QFileSystemModel;

namespace vx {

// Which objects the folder pane lists: a folder unless its extension is ".zip"; any other
// object (and a ".zip" folder, which therefore never shows) only with the extension ".dbf",
// ".fpt" or ".dbt". Extensions are compared in lower case.
bool FolderPaneAccepts(const QString& name, bool isFolder);

class TFolderPaneModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TFolderPaneModel(QObject* parent = nullptr);

    QFileSystemModel* Source() const { return FileSystem; }
    // The path of an index of this model; empty for an invalid one.
    QString FilePath(const QModelIndex& index) const;
    // The index of a path, or an invalid one when the path is not listed.
    QModelIndex Index(const QString& path) const;
    // Reads the folder of `index` again from the disk.
    void Refresh(const QModelIndex& index);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QFileSystemModel* FileSystem;
};

}  // namespace vx
