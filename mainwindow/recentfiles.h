// The list of tables opened last ("OldFiles.txt"): newest first, at most 20 paths, no two
// equal. Paths are compared as the file system compares them, byte for byte, so letter case
// counts and two different files are never merged.
#pragma once

#include <QString>
#include <QStringList>

namespace vx {

class TRecentFiles {
public:
    static constexpr int MaxCount = 20;
    // Bytes of the longest path the system opens.
    static constexpr size_t MaxPathBytes = 4095;

    // Replaces the list with the lines of `fileName` (one path a line, newest first). A
    // missing or unreadable file, or one that is not a regular file, gives an empty list.
    // Empty lines, lines longer than a path can be, and repeated paths are skipped and only
    // the first MaxCount paths are kept.
    void Load(const QString& fileName);
    // Writes the list to `fileName`, one path a line, whole through a temporary file renamed
    // into place; false when it could not be written, and the old file stays.
    bool Save(const QString& fileName) const;

    // Puts `path` at the top: an equal entry moves there, otherwise the oldest entry is
    // dropped when the list is full.
    void Add(const QString& path);
    // Removes `path`; false when it was not listed.
    bool Remove(const QString& path);
    void Clear() { Items.clear(); }

    int Count() const { return static_cast<int>(Items.size()); }
    const QString& At(int i) const { return Items.at(i); }
    const QStringList& List() const { return Items; }
    int IndexOf(const QString& path) const;

private:
    QStringList Items;
};

// Caption of entry `index` (0-based) in the recent-files menus: "&A path" for the newest,
// up to "&T path" for the twentieth. An "&" in the path is doubled so that it is shown as
// typed instead of becoming the accelerator.
QString RecentMenuCaption(int index, const QString& path);

// Where a recent file was chosen: the two menus and the welcome page word their warning
// differently.
enum class TRecentOrigin { Menu, WelcomePage };

// The warning shown when a recent file no longer exists.
QString RecentMissingText(const QString& path, TRecentOrigin origin);

}  // namespace vx
