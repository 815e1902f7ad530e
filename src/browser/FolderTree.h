#pragma once
// The folder list: the chain of folders from the volume root down to the current folder, each one
// step further indented, then the current folder's subfolders (hidden ones left out), sorted
// without regard to case. A double click or Enter opens a folder; a single click only highlights.
//
// Paths are the file system's raw bytes; only the shown names are decoded.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QListWidget>

#include <vector>

class FolderTree : public QListWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget *parent = nullptr);

    // Absolute, without a trailing "/" except for the root "/". Empty until a path is set.
    QByteArray path() const { return m_path; }

    // Moves to folder (absolute, or relative to the current path) and lists it. Empty text changes
    // nothing and succeeds. A folder that does not exist or cannot be listed is an error and
    // nothing changes. Emits change() when the path changed; the same path lists it again.
    FileStatus setPath(const QByteArray &folder);

    // Where the chain starts: the mount point of the current volume. A path outside it is shown
    // from "/".
    void setRoot(const QByteArray &volumeRoot);
    QByteArray root() const { return m_root; }

    // The folder an entry stands for.
    QByteArray folderAt(int row) const;
    // The indentation step of an entry: 0 for the root, one more per level.
    int levelAt(int row) const;

    // "/a/./b//c/../d/" -> "/a/b/d"; a relative path is taken from base.
    static QByteArray normalizedPath(const QByteArray &path, const QByteArray &base);

signals:
    void change();    // the path changed, by the user or by the program
    void reopened();  // the user opened the folder already shown: it is to be read again

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openRow(int row);
    void rebuild(const QByteArray &path, const std::vector<QByteArray> &subfolders);

    QByteArray m_path;
    QByteArray m_root = "/";
    std::vector<QByteArray> m_subfolders;  // names, in shown order
};
