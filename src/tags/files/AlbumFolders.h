#pragma once
// The folders of a collection: a folder and every folder under it, each usually one album. Hidden
// folders (names beginning with ".") and links to folders are passed over and counted, so that a
// walk never leaves the folder it was given nor meets a folder twice.

#include "tags/text/FileStatus.h"

#include <QByteArray>

#include <vector>

struct AlbumFolder {
    QByteArray path;      // the given folder + "/" + relative
    QByteArray relative;  // the path below the given folder; empty for the folder itself
};

struct AlbumFolders {
    // The given folder first, then each folder before the folders under it, siblings in the order
    // the file list sorts names (without regard to case).
    std::vector<AlbumFolder> folders;
    int hiddenPassed = 0;  // hidden folders not entered
    int linksPassed = 0;   // links to folders not followed
    // Folders under the given one that could not be read, with why; their files are not reached.
    std::vector<std::pair<QByteArray, FileStatus>> unreadable;
    FileStatus status = FileStatus::success();  // the given folder's own, when it cannot be read
};

AlbumFolders walkAlbumFolders(const QByteArray &folder);

// "passed over 1 hidden folder and 2 links to folders", or empty when none was.
QString passedOverText(const AlbumFolders &tree);
